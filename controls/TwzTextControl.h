#pragma once

#include "graphics/TwzCanvas.h"
#include "ui2d/TwzControl.h"

#include <memory>
#include <string>

class TwzBrush;
class TwzFont;
class TwzText;

/// The base of every control that shows a caption. It drives the part "text" of its style
/// (a TwzText) and takes its text colour from the part "foreground" (a brush object). The
/// caption, font and alignment are pushed into the part whenever the style is applied and
/// whenever one of them changes; the part is looked up anew on every push, so any style
/// works, with or without such a part.
class TwzTextControl : public TwzControl {
    RTL_CLASS(TwzTextControl, TwzControl)
public:
    explicit TwzTextControl(rtl::TComponent* owner);

    [[nodiscard]] const std::u16string& GetText() const { return m_text; }
    /// Always stores the text (no comparison) and pushes it to the style.
    virtual void SetText(const std::u16string& value);
    [[nodiscard]] TwzFont* GetFont() const { return m_font.get(); }
    /// Copies `value` into the owned font; null is ignored.
    void SetFont(TwzFont* value);
    [[nodiscard]] TwzTextAlign GetTextAlign() const { return m_textAlign; }
    void SetTextAlign(TwzTextAlign value);
    [[nodiscard]] TwzTextAlign GetVertTextAlign() const { return m_vertTextAlign; }
    void SetVertTextAlign(TwzTextAlign value);
    /// The text colour; the part "foreground" of the style replaces it when applied.
    [[nodiscard]] TwzBrush* GetFontFill() const { return m_fontFill.get(); }

    /// The caption.
    [[nodiscard]] rtl::TValue GetData() override;
    /// The value's text becomes the caption.
    void SetData(const rtl::TValue& value) override;
    void ApplyStyle() override;

protected:
    ~TwzTextControl() override;

    virtual void FontChanged();
    /// The style's "text" part when it is a TwzText.
    [[nodiscard]] TwzText* TextPart();

private:
    void FontChangedEvent(rtl::TObject*) { FontChanged(); }
    void FontFillChanged(rtl::TObject*);

    std::unique_ptr<TwzFont> m_font;
    TwzTextAlign m_textAlign = wzTextAlignCenter;
    TwzTextAlign m_vertTextAlign = wzTextAlignCenter;
    std::unique_ptr<TwzBrush> m_fontFill;
    std::u16string m_text;
};
