#pragma once

#include "controls/TextUnits.h"
#include "controls/TwzScrollBox.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Events.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TwzBrush;
class TwzFont;
class TwzMemo;
class TwzScrollBar;

namespace platform::ui {
class PopupMenu;
} // namespace platform::ui

/// Case conversion of every text a memo stores.
enum TEditCharCase : uint8_t { ecNormal, ecUpperCase, ecLowerCase };
RTL_ENUM(TEditCharCase, "ecNormal", "ecUpperCase", "ecLowerCase");

/// A place in a memo's text: a display line (0-based) and the number of UTF-16 units of that
/// line before the place.
struct TwzCaretPosition {
    int32_t Line = 0;
    int32_t Pos = 0;
    friend bool operator==(const TwzCaretPosition&, const TwzCaretPosition&) = default;
};

/// The flags of InsertText and DeleteText.
enum TwzEditOption : uint8_t {
    eoSelect = 1, ///< insert: select the new text; delete: drop the selection
    eoRecordDelete = 2, ///< delete: record the removed fragment for undo
    eoRecordInsert = 4, ///< insert: record the insertion for undo
    eoPaired = 8, ///< insert: undone together with the action recorded before it
};
using TwzEditOptions = uint8_t;

/// One recorded edit.
struct TEdtAction {
    enum Type : int32_t { atDeleted = 0, atInserted = 1 };
    Type ActionType = atDeleted;
    /// Undoing this action continues with the one below it.
    bool PairedWithPrevious = false;
    /// atDeleted: 1-based text index of the first removed unit; atInserted: 0-based index of
    /// the first inserted unit.
    int32_t StartPosition = 0;
    std::u16string DeletedFragment;
    int32_t InsertedCount = 0;
};

/// The memo's undo records, newest on top. Runs of typing, of Delete and of Backspace merge
/// into one record each.
class TEdtActionStack {
public:
    explicit TEdtActionStack(TwzMemo& owner)
        : m_owner(owner)
    { }

    void FragmentDeleted(int32_t startPos, std::u16string_view fragment);
    void FragmentInserted(int32_t startPos, int32_t count, bool paired);
    /// Undoes the top action, and those paired below it; false for an empty stack.
    bool RollBackAction();
    void Clear() { m_actions.clear(); }
    [[nodiscard]] bool Empty() const { return m_actions.empty(); }
    [[nodiscard]] size_t Count() const { return m_actions.size(); }
    [[nodiscard]] const TEdtAction& Top() const { return m_actions.back(); }

private:
    TwzMemo& m_owner;
    std::vector<TEdtAction> m_actions;
};

/// The memo's display lines as a string list: edits through it go to the memo's text.
class TwzMemoLines final : public TwzWideStrings {
    RTL_CLASS(TwzMemoLines, TwzWideStrings)
public:
    explicit TwzMemoLines(TwzMemo& memo)
        : m_memo(memo)
    { }

    [[nodiscard]] std::u16string Get(int index) const override;
    [[nodiscard]] int GetCount() const override;
    void Insert(int index, const std::u16string& s) override;
    void Delete(int index) override;
    void Clear() override;
    void SetUpdateState(bool updating) override;

private:
    TwzMemo& m_memo;
};

// The multi-line text editor. The whole text is one UTF-16 string; a table of the indexes
// at which display lines start (after each break, and where word wrap breaks a paragraph)
// lets the caret, the selection, painting and edits work on (line, column) places. Each line's
// width is kept once measured (a long line's as the widths of its pieces, a wrapped line's as
// its words'). Every edit goes through InsertText and DeleteText, which lay the lines out
// again from the edited one on until they line up with the untouched lines, and measure only
// the words or pieces the edit touched: a keystroke costs about the same in a long paragraph
// as in a short one. The text is painted into the style's "content" part; the caret lives
// beside the content, so it scrolls with it.
//
// Positions count UTF-16 units, but no caret move, deletion or cut ever separates a CR LF
// pair or a surrogate pair.
class TwzMemo : public TwzScrollBox {
    RTL_CLASS(TwzMemo, TwzScrollBox)
public:
    /// The most characters insertions make the text hold when MaxLength is 0 (a longer
    /// paste is cut there, like MaxLength cuts it).
    static constexpr int32_t kMaxMemoLength = 1 << 18;

    explicit TwzMemo(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    [[nodiscard]] const std::u16string& GetText() const { return m_text; }
    /// Stores a changed text (in the CharCase) and rebuilds the lines. From outside the
    /// edit operations it also drops the selection, keeps the caret inside the text and
    /// forgets the undo records, which would no longer match the text.
    virtual void SetText(const std::u16string& value);
    [[nodiscard]] TwzWideStrings* GetLines() const;
    void SetLines(TwzWideStrings* value);
    [[nodiscard]] bool GetWordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool value);
    [[nodiscard]] TwzFont* GetFont() const { return m_font.get(); }
    void SetFont(TwzFont* value);
    [[nodiscard]] TwzTextAlign GetTextAlign() const { return m_textAlign; }
    void SetTextAlign(TwzTextAlign value) { m_textAlign = value; }
    [[nodiscard]] bool GetAutoSelect() const { return m_autoSelect; }
    void SetAutoSelect(bool value) { m_autoSelect = value; }
    [[nodiscard]] TEditCharCase GetCharCase() const { return m_charCase; }
    void SetCharCase(TEditCharCase value) { m_charCase = value; }
    [[nodiscard]] bool GetHideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool value);
    [[nodiscard]] int32_t GetMaxLength() const { return m_maxLength; }
    void SetMaxLength(int32_t value) { m_maxLength = value; }
    [[nodiscard]] bool GetReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value) { m_readOnly = value; }

    /// Runs from Change while the modified flag is set.
    rtl::TNotifyEvent OnChange;
    /// Every change of the stored text, except while loading.
    rtl::TNotifyEvent OnChangeTracking;

    [[nodiscard]] TwzBrush* GetFontFill() const { return m_fontFill.get(); }
    [[nodiscard]] TwzBrush* GetSelectionFill() const { return m_selectionFill.get(); }
    /// The text changed since the memo last received the focus.
    [[nodiscard]] bool GetModified() const { return m_modified; }

    // ---- lines and positions --------------------------------------------------------------
    /// 0 for the empty text.
    [[nodiscard]] int32_t LineCount() const;
    /// Line `index` without its break; empty for a missing line.
    [[nodiscard]] std::u16string_view LineText(int32_t index) const;
    /// Line `index` with its break, if it has one.
    [[nodiscard]] std::u16string_view LineRaw(int32_t index) const;
    /// 1-based index in Text of each display line's first unit.
    [[nodiscard]] const std::vector<int32_t>& LineStarts() const { return m_lineStarts; }
    [[nodiscard]] int32_t PosToIndex(TwzCaretPosition p) const;
    [[nodiscard]] TwzCaretPosition IndexToPos(int32_t index) const;
    /// `n` units after `p` (before for a negative `n`), never between CR and LF nor inside a
    /// surrogate pair.
    [[nodiscard]] TwzCaretPosition MovePosition(TwzCaretPosition p, int32_t n) const;
    [[nodiscard]] TwzCaretPosition WordLeft(TwzCaretPosition p) const;
    [[nodiscard]] TwzCaretPosition WordRight(TwzCaretPosition p) const;
    /// The display line drawn widest (kept for the unwrapped text's horizontal extent).
    [[nodiscard]] int32_t WidestLine() const { return m_widestLine; }

    // ---- caret and selection --------------------------------------------------------------
    [[nodiscard]] TwzCaretPosition GetCaretPosition() const { return m_caret; }
    /// Clamps to the lines, moves the caret mark and scrolls it into view.
    void SetCaretPosition(TwzCaretPosition p);
    void UpdateCaret(bool scroll);
    [[nodiscard]] bool GetSelected() const { return m_selected; }
    [[nodiscard]] TwzCaretPosition SelectionBegin() const;
    [[nodiscard]] TwzCaretPosition SelectionEnd() const;
    [[nodiscard]] int32_t SelStart() const;
    [[nodiscard]] int32_t SelLength() const;
    [[nodiscard]] std::u16string SelText() const;
    void ExtendSelection(TwzCaretPosition p);
    void SelectAll();
    void SelectWord();
    /// In the memo's coordinates, one rectangle per selected line in view.
    [[nodiscard]] virtual std::vector<TwzRect> GetSelectionRects();

    // ---- editing (TwzMemoEdit.cpp) --------------------------------------------------------
    void InsertText(TwzCaretPosition p, std::u16string_view s, TwzEditOptions options);
    void DeleteText(TwzCaretPosition p, int32_t count, TwzEditOptions options);
    void InsertLine(int32_t index, const std::u16string& s);
    void DeleteLine(int32_t index);
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void DeleteSelection();
    void Undo();
    /// Raises OnChange (after pushing the text to bound controls) while the modified flag is
    /// set.
    virtual void Change();
    [[nodiscard]] TEdtActionStack& UndoStack() { return *m_undo; }
    /// The built-in context menu, shown when no PopupMenu is assigned.
    [[nodiscard]] platform::ui::PopupMenu* ContextPopup() const { return m_contextMenu.get(); }
    virtual void CreatePopupMenu();
    /// Enables the built-in menu's items for the present state.
    virtual void UpdatePopupMenu();
    /// Whether SetText may store `s`; every text here.
    [[nodiscard]] virtual bool ValidText(std::u16string_view s) const;

    // ---- geometry -------------------------------------------------------------------------
    /// Round(1.25 x Font.Size).
    [[nodiscard]] int32_t LineHeight() const;
    /// The content part's rectangle in the memo's coordinates; the local rectangle without
    /// one.
    [[nodiscard]] TwzRect ContentRect();
    [[nodiscard]] float TextWidth(std::u16string_view s);
    /// The width of a display line's text; kept from its first measuring until the line
    /// changes. A long line is the sum of its pieces' widths.
    [[nodiscard]] float LineWidth(int32_t index);
    [[nodiscard]] float VisibleLineCount();
    [[nodiscard]] float VScrollValue();
    [[nodiscard]] float HScrollValue();
    [[nodiscard]] TwzPoint PositionToPoint(TwzCaretPosition p);
    [[nodiscard]] TwzCaretPosition PointToPosition(TwzPoint pt);
    void RebuildLines();

    [[nodiscard]] rtl::TValue GetData() override;
    void SetData(const rtl::TValue& value) override;
    void ApplyStyle() override;
    void FreeStyle() override;
    void EnterFocus() override;
    void KillFocus() override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void ContextMenu(const TwzPoint& point) override;
    /// The scroll box's extent of the content (the caret included), then the lines' height
    /// and, unwrapped, the widest line's width. With WordWrap the lines are first wrapped
    /// anew when the content's width changed (edits keep them wrapped in between).
    [[nodiscard]] TwzRect GetContentBounds() override;

protected:
    ~TwzMemo() override;

    void FontChanged();
    /// The OnPaint of the content part: the lines in view, then the selection.
    void PaintText(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect);

private:
    friend class TEdtActionStack;
    friend class TwzMemoLines;

    /// A run of a long line's text and its width. A long line is measured piece by piece, so
    /// that an edit measures again only the pieces it touched, and a place on the line is
    /// measured from the nearest piece's start.
    struct LinePiece {
        int32_t length;
        float width;
    };
    /// What is known of one display line's width: nothing yet (a width below 0), its width,
    /// and for a long line its pieces.
    struct LineMeasure {
        float width = -1;
        std::vector<LinePiece> pieces; // none for a line measured whole
    };
    /// One edit of the text: `removed` units at the 0-based index `at` replaced by
    /// `inserted` units.
    struct TextEdit {
        int32_t at;
        int32_t removed;
        int32_t inserted;
    };

    void FontChangedEvent(rtl::TObject*) { FontChanged(); }
    /// Stores a changed, valid text in the CharCase; false when nothing was stored. When
    /// stored, `value` holds the text stored before.
    bool StoreText(std::u16string& value);
    /// After a stored change: the modified flag and OnChangeTracking.
    void TextStored();
    struct Relayout;
    /// Appends the 1-based starts of the display lines that follow the line starting at
    /// `from` (1-based), to the end of the text, and the measure of every line it lays out
    /// (that at `from` included; unknown ones for lines that are not wrapped). After an
    /// edit, `relayout` ends the scan at the first start where the old lines line up again
    /// (not appended) and gives the widths of words the edit did not touch.
    void ScanLines(
        int32_t from, Relayout* relayout, std::vector<int32_t>& starts, std::vector<LineMeasure>& measures);
    /// Word wrap of a paragraph from one of its line starts (`from`, 0-based) to its end
    /// (`end`); true when the lines lined up again.
    bool WrapFrom(int32_t from, int32_t end, float width, Relayout* relayout, std::vector<int32_t>& starts,
        std::vector<LineMeasure>& measures);
    /// The pieces of the units from .. to: known ones from `relayout`, else measured.
    void WordPieces(int32_t from, int32_t to, Relayout* relayout, std::vector<LinePiece>& pieces);
    /// RebuildLines, the caret and the selection kept at their places in the text.
    void RebuildKeepingPlaces();
    /// Replaces `removed` units at `at` by `inserted` in the stored text (in the CharCase) and
    /// lays the lines out again; false when the text stays as it was.
    bool ReplaceText(int32_t at, int32_t removed, std::u16string_view inserted);
    /// After an edit of the stored text (`removedText` the units it removed): lays out again
    /// the lines from the edit's on, until they line up with the lines the edit did not
    /// touch, whose starts move by the change in length and whose widths stay.
    void EditLines(const TextEdit& edit, std::u16string_view removedText);
    /// The measure of a line after an edit, from the measure of the line that began at the
    /// same place of the text: the pieces the edit did not touch keep their widths.
    [[nodiscard]] LineMeasure Remeasured(LineMeasure& old, int32_t oldStart, int32_t oldLength,
        int32_t newStart, int32_t newLength, const TextEdit& edit);
    /// Measures units from .. to of `line` as pieces, appended to `pieces`.
    void MeasurePieces(std::u16string_view line, int32_t from, int32_t to, std::vector<LinePiece>& pieces);
    /// The line's measure, measured now when it is not known yet; null without a canvas.
    [[nodiscard]] LineMeasure* Measured(int32_t line);
    /// The width of the first `column` units of display line `line`.
    [[nodiscard]] float PrefixWidth(int32_t line, int32_t column);
    /// The width of units from .. to of display line `line`.
    [[nodiscard]] float SpanWidth(int32_t line, int32_t from, int32_t to);
    [[nodiscard]] int32_t FindWidestLine();
    /// Keeps a place off the far side of a line and out of a surrogate pair.
    [[nodiscard]] TwzCaretPosition Normalized(TwzCaretPosition p) const;
    void MoveCaretLines(int32_t n);
    void ScrollToCaretVert();
    void ScrollToCaretHorz();
    /// Realigns the memo unless Lines is between BeginUpdate and EndUpdate.
    void Realign();
    [[nodiscard]] bool IsDesigned() const;
    void SetLinesUpdating(bool value);
    /// Gives the canvas the memo's font.
    void ApplyFont(TwzCanvas& canvas);
    /// Left edge offset of a line `lineWidth` wide for TextAlign.
    [[nodiscard]] float AlignOffset(float lineWidth, float contentWidth) const;
    void TypeText(std::u16string_view s);

    std::u16string m_text;
    std::unique_ptr<TwzBrush> m_fontFill;
    std::unique_ptr<TwzFont> m_font;
    std::unique_ptr<TEdtActionStack> m_undo;
    std::unique_ptr<TwzMemoLines> m_lines;
    std::unique_ptr<platform::ui::PopupMenu> m_contextMenu;
    std::unique_ptr<TwzBrush> m_selectionFill;
    std::vector<int32_t> m_lineStarts;
    std::vector<LineMeasure> m_lineMeasures; // one for each line start
    std::vector<LinePiece> m_wrapPieces; // word wrap's pieces of the line it fills
    struct {
        int32_t line = -1;
        int32_t column = 0;
        float width = 0;
    } m_lastPrefix; // the last PrefixWidth measured, until the lines change
    TwzPoint m_lastMousePoint {};
    TwzCaretPosition m_caret;
    TwzCaretPosition m_anchor;
    TwzCaretPosition m_head;
    int32_t m_firstVisibleChar = 1;
    int32_t m_maxLength = 0;
    int32_t m_savedAnchor = -1;
    int32_t m_savedHead = -1;
    int32_t m_savedCaret = -1;
    int32_t m_widestLine = 0;
    TwzTextAlign m_textAlign = wzTextAlignNear;
    TEditCharCase m_charCase = ecNormal;
    controls::TypedCharacters m_typed;
    bool m_modified = false;
    bool m_rebuildOnSet = true;
    bool m_mouseSelecting = false;
    bool m_autoSelect = true;
    bool m_hideSelection = true;
    bool m_readOnly = false;
    bool m_wordWrap = false;
    bool m_selected = false;
    bool m_linesUpdating = false;
    bool m_linesMeasured = false; // the line table was built with a canvas
    float m_wrapWidth = 0; // the content width the line table was wrapped for
};

/// A memo whose look comes from "hudmemostyle".
class TwzHudMemo : public TwzMemo {
    RTL_CLASS(TwzHudMemo, TwzMemo)
public:
    using TwzMemo::TwzMemo;

protected:
    ~TwzHudMemo() override = default;
};
