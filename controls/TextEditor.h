#pragma once

#include "controls/TextUnits.h"
#include "graphics/TwzCanvas.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

namespace rtl {
class TComponent;
}

namespace platform::ui {
class PopupMenu;
}

namespace controls {

// ---- editing shared by the text editors (the text boxes and the memo) -------------------------

/// Start of the word at or before `position` of `text`; only the space character separates
/// words.
[[nodiscard]] int32_t WordStart(std::u16string_view text, int32_t position);
/// Start of the next word after `position` of `text`, or the end of the text.
[[nodiscard]] int32_t WordEnd(std::u16string_view text, int32_t position);
/// The clipboard's text; empty without an application or without text on the clipboard.
[[nodiscard]] std::u16string ClipboardText();
/// Puts a text that is not empty on the clipboard (which takes UTF-8: a lone surrogate
/// reaches it as U+FFFD).
void CopyTextToClipboard(std::u16string_view text);
/// Exactly these modifiers among Shift, Ctrl, Alt and Meta (mouse buttons do not count).
[[nodiscard]] bool ModifiersAre(
    platform::ui::ShiftState shift, std::initializer_list<platform::ui::ShiftFlag> flags);

/// Where the edited line lies in its host's coordinates: the left edge and width of the
/// area the text is laid out in, and how a text narrower than that area is placed.
struct TextEditFrame {
    float left = 0;
    float width = 0;
    TwzTextAlign align = wzTextAlignNear;
};

/// The editing model of a single-line text editor, apart from how the line is drawn: the
/// UTF-16 text, the caret, the selection (a moving end and a signed length), the first
/// visible character of the horizontally scrolled view, the press and modified flags, the
/// key map, mouse placement, word moves, the clipboard and the context menu.
///
/// A host (a 2D text box, a text box standing in a 3D scene) derives from it and answers
/// the hooks: how wide a text is in its units, where the line lies, how a changed text is
/// stored and announced, and what a repaint is. Any hook that runs user code may free the
/// host; the editor watches the host component and stops touching itself once it went.
class TextEditor {
public:
    explicit TextEditor(rtl::TComponent& host);
    virtual ~TextEditor();
    TextEditor(const TextEditor&) = delete;
    TextEditor& operator=(const TextEditor&) = delete;

    [[nodiscard]] const std::u16string& GetText() const { return m_text; }
    /// Stores and announces a new text; the host decides what follows (events, caret).
    virtual void SetText(const std::u16string& value) = 0;

    [[nodiscard]] bool GetPassword() const { return m_password; }
    [[nodiscard]] bool GetReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }
    /// The characters that may be typed; empty accepts every character.
    [[nodiscard]] const std::u16string& GetFilter() const { return m_filter; }
    void SetFilter(const std::u16string& value) { m_filter = value; }

    // ---- selection and caret (positions count UTF-16 units) --------------------------------
    [[nodiscard]] int32_t GetSelStart() const;
    [[nodiscard]] int32_t GetSelLength() const;
    [[nodiscard]] std::u16string GetSelText() const;
    void SetSelStart(int32_t value);
    /// A length whose far end would split a pair of units takes the whole pair.
    void SetSelLength(int32_t value);
    [[nodiscard]] int32_t GetCaretPosition() const { return m_caret; }
    /// 1-based: the character shown at the left edge of the line.
    [[nodiscard]] int32_t GetFirstVisible() const { return m_firstVisible; }
    [[nodiscard]] bool GetModified() const { return m_modified; }
    void SetModified(bool value) { m_modified = value; }
    [[nodiscard]] bool GetPressed() const { return m_pressed; }

    /// Limits `position` to the text (before a CR LF pair or a surrogate pair rather than
    /// inside it), scrolls it into view and, without a selection, moves the selection's start
    /// along.
    void SetCaretPosition(int32_t position);
    /// Replaces the selection by `text` (refused when read-only).
    void InsertText(std::u16string_view text);
    void DeleteSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    /// The 2D form: the caret at the end, the start of the text the fixed end.
    virtual void SelectAll();
    /// Start of the word at or before `position`; only the space character separates words.
    [[nodiscard]] int32_t WordStart(int32_t position) const;
    /// Start of the next word after `position`, or the end of the text.
    [[nodiscard]] int32_t WordEnd(int32_t position) const;

    // ---- measuring ------------------------------------------------------------------------
    /// The width of `text` (of the letter "a" with Password).
    [[nodiscard]] float TextWidth(std::u16string_view text);
    [[nodiscard]] float CharWidth() { return TextWidth(u"a"); }
    /// The x of caret position `position` in the host's units.
    [[nodiscard]] float GetCharX(int32_t position);
    /// The caret position nearest to the host x.
    [[nodiscard]] int32_t GetPositionAt(float x);
    /// Moves the first visible character so that the caret is in view.
    void ScrollToCaret();
    /// The characters painting starts with: from the first visible one, at most as many as
    /// can be seen on any line (a pasted megabyte is not laid out on every paint).
    [[nodiscard]] std::u16string_view VisibleText() const;

    // ---- input ----------------------------------------------------------------------------
    /// The key map after the host's own handling of the key: editing and navigation keys,
    /// the filter, the Ctrl shortcuts, selection by Shift, typing.
    void EditKeyDown(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift);
    /// A left press at the host x; a double click leaves the caret where it is.
    void EditMouseDown(float x, bool doubleClick);
    /// While pressed: the caret follows, one further past the right edge, extending the
    /// selection.
    void EditMouseMove(float x);
    void EditMouseUp() { m_pressed = false; }

    // ---- context menu ---------------------------------------------------------------------
    /// Enables the items by the selection, the clipboard and ReadOnly, and shows the menu at
    /// the screen point; returns once it closed. The chosen command runs later, posted, and
    /// only while the host still exists.
    void PopupEditMenu(const TwzPoint& screen);
    /// The menu's items as they would be shown now ("Cut", "Copy", "Paste", "Delete",
    /// "Select All").
    [[nodiscard]] platform::ui::PopupMenu& EditMenu();
    void UpdatePopupMenu();

protected:
    /// The width of `text` laid out on one line in the host's units.
    [[nodiscard]] virtual float MeasureWidth(std::u16string_view text) = 0;
    [[nodiscard]] virtual TextEditFrame EditFrame() = 0;
    /// Something shown changed.
    virtual void EditInvalidate() = 0;
    /// After every SetCaretPosition (the 2D box moves its caret mark).
    virtual void CaretMoved() { }
    /// After a keyboard edit.
    virtual void Typing() = 0;
    /// The user commits the text (Enter).
    virtual void Change() = 0;
    /// Whether the Ctrl shortcut letter "a" selects everything (else it is typed).
    [[nodiscard]] virtual bool SelectAllShortcut() const { return true; }

    void StoreText(const std::u16string& value) { m_text = value; }
    void StorePassword(bool value) { m_password = value; }
    void StoreSelection(int32_t start, int32_t length)
    {
        m_selStart = start;
        m_selLength = length;
    }
    void StoreCaret(int32_t caret) { m_caret = caret; }
    [[nodiscard]] int32_t RawSelStart() const { return m_selStart; }
    [[nodiscard]] int32_t RawSelLength() const { return m_selLength; }
    [[nodiscard]] rtl::TComponent& Host() const { return m_host; }

private:
    [[nodiscard]] int32_t Length() const { return static_cast<int32_t>(m_text.size()); }
    /// `position` lies between the CR and the LF of a line break or inside a surrogate pair,
    /// which are never split.
    [[nodiscard]] bool SplitsPair(int64_t position) const { return SplitsUnitPair(m_text, position); }
    /// The caret place one character after / before `position`, a pair being one character.
    [[nodiscard]] int32_t NextPosition(int32_t position) const { return NextPlace(m_text, position); }
    [[nodiscard]] int32_t PreviousPosition(int32_t position) const { return PreviousPlace(m_text, position); }
    /// The characters `from` (1-based) through `to`, empty when `to` < `from`.
    [[nodiscard]] std::u16string_view Span(int32_t from, int32_t to) const;
    void RemoveAt(int32_t index, int32_t count);

    /// The width of a run of the text; with Password, one letter "a" per character.
    [[nodiscard]] float SpanWidth(std::u16string_view text);

    rtl::TComponent& m_host;
    std::u16string m_text;
    std::u16string m_filter;
    std::unique_ptr<platform::ui::PopupMenu> m_menu;
    int32_t m_selStart = 0;
    int32_t m_selLength = 0;
    int32_t m_caret = 0;
    int32_t m_firstVisible = 1;
    TypedCharacters m_typed;
    bool m_pressed = false;
    bool m_modified = false;
    bool m_password = false;
    bool m_readOnly = false;
};

} // namespace controls
