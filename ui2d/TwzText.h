#pragma once

#include "ui2d/TwzShape.h"

#include <memory>
#include <string>

class TwzFont;

/// A string drawn with a font and the Fill brush (black by default; no outline) inside the
/// object, aligned both ways, optionally wrapped, stretched to fill the object, or sizing
/// the object to the text.
class TwzText : public TwzShape {
    RTL_CLASS(TwzText, TwzShape)
public:
    explicit TwzText(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] const std::u16string& GetText() const { return m_text; }
    void SetText(const std::u16string& value);
    [[nodiscard]] TwzFont* GetFont() const { return m_font.get(); }
    /// Copies `value` into the owned font; null is ignored.
    void SetFont(TwzFont* value);
    [[nodiscard]] TwzTextAlign GetVertTextAlign() const { return m_vertTextAlign; }
    void SetVertTextAlign(TwzTextAlign value);
    [[nodiscard]] TwzTextAlign GetHorzTextAlign() const { return m_horzTextAlign; }
    void SetHorzTextAlign(TwzTextAlign value);
    [[nodiscard]] bool GetWordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    /// Makes the object as wide as its unwrapped text (and, unless vertically centred, as
    /// high) whenever the text or the font changes.
    [[nodiscard]] bool GetAutoSize() const { return m_autoSize; }
    void SetAutoSize(bool value);
    /// Scales the text to fill the object both ways; turns AutoSize off.
    [[nodiscard]] bool GetStretch() const { return m_stretch; }
    void SetStretch(bool value);

    /// Fits the size to the text while AutoSize is set, a canvas is at hand and the text is
    /// not empty; then the parent realigns.
    void AdjustSize();

    /// The text.
    [[nodiscard]] rtl::TValue GetData() override;
    /// The text of the value becomes the text.
    void SetData(const rtl::TValue& value) override;

    void Paint() override;
    void RealignChildren() override;

protected:
    ~TwzText() override;

    void Loaded() override;
    void FontChanged(rtl::TObject* sender);

private:
    std::u16string m_text;
    std::unique_ptr<TwzFont> m_font;
    TwzTextAlign m_vertTextAlign = wzTextAlignCenter;
    TwzTextAlign m_horzTextAlign = wzTextAlignCenter;
    bool m_wordWrap = true;
    bool m_autoSize = false;
    bool m_stretch = false;
    bool m_adjusting = false;
};
