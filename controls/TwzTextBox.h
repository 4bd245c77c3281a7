#pragma once

#include "controls/TextEditor.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/Events.h"
#include "ui2d/TwzControl.h"

#include <memory>
#include <string>

class TwzBrush;
class TwzFont;

// The single-line editor of the 2D controls. The editing model (text, caret, selection,
// scrolling, keys, clipboard, context menu) is the shared text editor; the box measures
// with its host's canvas in its style's part "content", draws the text (or one dot per
// character with Password) through that part's OnPaint, keeps the caret mark in place and
// raises the three change events:
//  - OnChangeTracking on every change of the stored text except while loading;
//  - OnTyping after each keyboard edit;
//  - OnChange when the user commits (Enter, leaving the box) a text changed since the box
//    last received the focus.
class TwzTextBox : public TwzControl, public controls::TextEditor {
    RTL_CLASS(TwzTextBox, TwzControl)
public:
    explicit TwzTextBox(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    using controls::TextEditor::GetText;
    void SetText(const std::u16string& value) override;
    [[nodiscard]] TwzFont* GetFont() const { return m_font.get(); }
    /// Copies `value`; null is ignored.
    void SetFont(TwzFont* value);
    [[nodiscard]] TwzTextAlign GetTextAlign() const { return m_textAlign; }
    void SetTextAlign(TwzTextAlign value);
    void SetPassword(bool value);
    [[nodiscard]] bool GetShowCaret() const { return m_showCaret; }
    void SetShowCaret(bool value) { m_showCaret = value; }

    rtl::TNotifyEvent OnChange;
    rtl::TNotifyEvent OnChangeTracking;
    rtl::TNotifyEvent OnTyping;

    /// Brush of the text and colour of the caret mark; the style's part "foreground" replaces it.
    [[nodiscard]] TwzBrush* GetFontFill() const { return m_fontFill.get(); }
    /// The style's part "selection" replaces it.
    [[nodiscard]] TwzBrush* GetSelectionFill() const { return m_selectionFill.get(); }

    /// The "content" part's rectangle in the box's coordinates when the style has such a
    /// visual part, else the local rectangle.
    [[nodiscard]] TwzRect ContentRect();
    /// The content part's OnPaint, in the part's coordinates.
    void PaintText(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect);

    /// With the modified flag set: bound controls are updated, then OnChange.
    void Change() override;
    [[nodiscard]] rtl::TValue GetData() override;
    /// A "wzmet" handler becomes OnChange; any other value becomes the text.
    void SetData(const rtl::TValue& value) override;
    void ApplyStyle() override;
    void DblClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void ContextMenu(const TwzPoint& point) override;
    void EnterFocus() override;
    void KillFocus() override;

protected:
    ~TwzTextBox() override;

    virtual void FontChanged();

    [[nodiscard]] float MeasureWidth(std::u16string_view text) override;
    [[nodiscard]] controls::TextEditFrame EditFrame() override;
    void EditInvalidate() override { InvalidateObject(); }
    void CaretMoved() override;
    void Typing() override;
    /// Stores the text without events, the modified flag or caret checks: the number boxes
    /// write their value's text this way.
    void StoreShownText(const std::u16string& value);

private:
    void FontChangedEvent(rtl::TObject*) { FontChanged(); }

    std::unique_ptr<TwzBrush> m_fontFill;
    std::unique_ptr<TwzFont> m_font;
    std::unique_ptr<TwzBrush> m_selectionFill;
    TwzTextAlign m_textAlign = wzTextAlignNear;
    bool m_showCaret = true;
};

class TwzRoundTextBox : public TwzTextBox {
    RTL_CLASS(TwzRoundTextBox, TwzTextBox)
public:
    using TwzTextBox::TwzTextBox;

protected:
    ~TwzRoundTextBox() override = default;
};

class TwzHudTextBox : public TwzTextBox {
    RTL_CLASS(TwzHudTextBox, TwzTextBox)
public:
    using TwzTextBox::TwzTextBox;

protected:
    ~TwzHudTextBox() override = default;
};

class TwzHudRoundTextBox : public TwzTextBox {
    RTL_CLASS(TwzHudRoundTextBox, TwzTextBox)
public:
    using TwzTextBox::TwzTextBox;

protected:
    ~TwzHudRoundTextBox() override = default;
};
