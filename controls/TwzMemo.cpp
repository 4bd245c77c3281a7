// The memo: its text model (line table, word wrap, places), caret and selection, layout,
// painting, mouse and focus. The edits, keys, clipboard, menu and undo are in TwzMemoEdit.cpp.

#include "controls/TwzMemo.h"

#include "controls/TextUnits.h"
#include "controls/TwzScrollBars.h"
#include "graphics/Geometry.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/Locale.h"
#include "platform/ui/PopupMenu.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBrushObject.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

constexpr int32_t kCursorIBeam = -4;

// In the order a stored memo is read back: the text before CharCase, which would convert it.
constexpr rtl::TPropInfo kMemoProps[] = {
    RTL_PROP(TwzMemo, Text, WideString, u""),
    RTL_PROP(TwzMemo, Lines, Class, rtl::kNoDefault, false),
    RTL_PROP(TwzMemo, WordWrap, Boolean, rtl::kNoDefault),
    RTL_PROP(TwzMemo, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzMemo, TextAlign, Enum, wzTextAlignNear),
    RTL_PROP(TwzMemo, AutoSelect, Boolean, true),
    RTL_PROP(TwzMemo, CharCase, Enum, ecNormal),
    RTL_PROP(TwzMemo, HideSelection, Boolean, true),
    RTL_PROP(TwzMemo, MaxLength, Integer, 0),
    RTL_PROP(TwzMemo, ReadOnly, Boolean, false),
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, Cursor, Integer, kCursorIBeam).WithTypeName("TCursor"),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
    RTL_PROP(TwzVisualObject, Enabled, Boolean, true),
    RTL_PROP(TwzControl, Resource, String, ""),
};

constexpr rtl::TEventInfo kMemoEvents[] = {
    RTL_EVENT(TwzMemo, OnChange),
    RTL_EVENT(TwzMemo, OnChangeTracking),
};

using controls::IsHighSurrogate;
using controls::IsLowSurrogate;

/// Whether the units at `index - 1` and `index` belong together (CR LF or a surrogate
/// pair), so that no place may lie between them.
bool SplitsPair(std::u16string_view t, int32_t index)
{
    return controls::SplitsUnitPair(t, index);
}

bool IsBreak(char16_t c)
{
    return c == u'\r' || c == u'\n';
}

// A line longer than this is measured in pieces of about kPieceLength units; a piece grows to
// kMaxPiece before it is cut up again.
constexpr int32_t kLongLine = 512;
constexpr int32_t kPieceLength = 128;
constexpr int32_t kMaxPiece = 256;
// A paragraph up to this long is measured whole first: most fit on one line.
constexpr int32_t kShortParagraph = 512;

// Measured with the lines: when the canvas measures it otherwise, the lines' widths are stale.
constexpr std::u16string_view kMeasuringProbe = u"Wg";

bool IsWrapBreak(char16_t c)
{
    return c == u' ' || c == u',' || c == u'-';
}

int32_t Size(std::u16string_view s)
{
    return static_cast<int32_t>(s.size());
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzMemoLines)
RTL_IMPLEMENT_CLASS(TwzMemo, .props = kMemoProps, .events = kMemoEvents)
RTL_IMPLEMENT_CLASS(TwzHudMemo)

// ---- the lines facade ------------------------------------------------------------------------

std::u16string TwzMemoLines::Get(int index) const
{
    return std::u16string(m_memo.LineText(index));
}

int TwzMemoLines::GetCount() const
{
    return m_memo.LineCount();
}

void TwzMemoLines::Insert(int index, const std::u16string& s)
{
    rtl::Watch<TwzMemo> memo(&m_memo);
    m_memo.InsertLine(index, s);
    if (memo)
        memo->Change();
}

void TwzMemoLines::Delete(int index)
{
    rtl::Watch<TwzMemo> memo(&m_memo);
    m_memo.DeleteLine(index);
    if (memo)
        memo->Change();
}

void TwzMemoLines::Clear()
{
    rtl::Watch<TwzMemo> memo(&m_memo);
    m_memo.SetText(u"");
    if (memo)
        memo->Change();
}

void TwzMemoLines::SetUpdateState(bool updating)
{
    Inherited::SetUpdateState(updating);
    m_memo.SetLinesUpdating(updating);
}

// ---- construction ------------------------------------------------------------------------------

TwzMemo::TwzMemo(rtl::TComponent* owner)
    : TwzScrollBox(owner)
    , m_fontFill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000))
    , m_font(std::make_unique<TwzFont>())
    , m_undo(std::make_unique<TEdtActionStack>(*this))
    , m_lines(std::make_unique<TwzMemoLines>(*this))
    , m_selectionFill(std::make_unique<TwzBrush>(wzBrushSolid, 0x802A8ADF))
{
    m_font->OnChanged.Bind<&TwzMemo::FontChangedEvent>(this);
    SetCanFocused(true);
    SetCursor(kCursorIBeam);
    SetAutoCapture(true);
    CreatePopupMenu();
    SetWidth(100);
}

TwzMemo::~TwzMemo() = default;

bool TwzMemo::IsDesigned() const
{
    const IwzScene* scene = GetScene();
    return scene && scene->GetDesignTime();
}

// ---- published ------------------------------------------------------------------------------

bool TwzMemo::ValidText(std::u16string_view) const
{
    return true;
}

bool TwzMemo::StoreText(std::u16string& value)
{
    if (!ValidText(value) || value == m_text)
        return false;
    switch (m_charCase) {
    case ecUpperCase:
        value = platform::ui::UpperCase(value);
        break;
    case ecLowerCase:
        value = platform::ui::LowerCase(value);
        break;
    default:
        break;
    }
    m_text.swap(value);
    return true;
}

void TwzMemo::TextStored()
{
    m_modified = true;
    if (!IsLoading())
        OnChangeTracking(this);
}

void TwzMemo::SetText(const std::u16string& value)
{
    std::u16string stored = value;
    if (!StoreText(stored))
        return;
    // Undo records and the selection were made against the old text; applied to this one
    // they would remove or restore the wrong characters.
    m_undo->Clear();
    m_selected = false;
    m_caret = Normalized(m_caret);
    RebuildLines();
    rtl::Watch<TwzMemo> self(this);
    Realign();
    if (self)
        TextStored();
}

TwzWideStrings* TwzMemo::GetLines() const
{
    return m_lines.get();
}

void TwzMemo::SetLines(TwzWideStrings* value)
{
    if (value && value != m_lines.get())
        m_lines->Assign(*value);
}

void TwzMemo::SetWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    RebuildKeepingPlaces();
    Realign();
    UpdateCaret(false);
}

void TwzMemo::SetFont(TwzFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void TwzMemo::SetHideSelection(bool value)
{
    if (value == m_hideSelection)
        return;
    m_hideSelection = value;
    InvalidateObject();
}

void TwzMemo::FontChanged()
{
    if (IsLoading()) {
        // The lines are laid out again once loaded; widths kept from the font before would
        // be wrong meanwhile.
        for (LineMeasure& measure : m_lineMeasures)
            measure = {};
        m_lastPrefix = {};
        m_linesMeasured = false;
        return;
    }
    RebuildKeepingPlaces();
    UpdateCaret(false);
    Realign();
}

void TwzMemo::SetLinesUpdating(bool value)
{
    m_linesUpdating = value;
    if (!value)
        RealignChildren();
}

void TwzMemo::Realign()
{
    if (!m_linesUpdating)
        RealignChildren();
}

rtl::TValue TwzMemo::GetData()
{
    return m_text;
}

void TwzMemo::SetData(const rtl::TValue& value)
{
    SetText(rtl::Utf8ToUtf16(ui2d::VariantToText(value)));
}

// ---- the line table ---------------------------------------------------------------------------

int32_t TwzMemo::LineCount() const
{
    return m_text.empty() ? 0 : static_cast<int32_t>(m_lineStarts.size());
}

std::u16string_view TwzMemo::LineRaw(int32_t index) const
{
    if (index < 0 || index >= LineCount())
        return {};
    const int32_t length = Size(m_text);
    const int32_t start = std::clamp(m_lineStarts[static_cast<size_t>(index)] - 1, 0, length);
    const int32_t end = index + 1 < LineCount()
        ? std::clamp(m_lineStarts[static_cast<size_t>(index) + 1] - 1, start, length)
        : length;
    return std::u16string_view(m_text).substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

std::u16string_view TwzMemo::LineText(int32_t index) const
{
    std::u16string_view raw = LineRaw(index);
    if (!raw.empty() && raw.back() == u'\n')
        raw.remove_suffix(1);
    if (!raw.empty() && raw.back() == u'\r')
        raw.remove_suffix(1);
    return raw;
}

int32_t TwzMemo::PosToIndex(TwzCaretPosition p) const
{
    const int32_t count = LineCount();
    if (count == 0)
        return 0;
    const int32_t line = std::clamp(p.Line, 0, count - 1);
    const int32_t pos = std::clamp(p.Pos, 0, Size(LineRaw(line)));
    return m_lineStarts[static_cast<size_t>(line)] - 1 + pos;
}

TwzCaretPosition TwzMemo::IndexToPos(int32_t index) const
{
    const int32_t count = LineCount();
    if (count == 0)
        return {};
    index = std::clamp(index, 0, Size(m_text));
    // The last line whose start is at most index + 1.
    const auto end = m_lineStarts.begin() + count;
    const auto it = std::upper_bound(m_lineStarts.begin(), end, index + 1);
    const int32_t line = std::max(0, static_cast<int32_t>(it - m_lineStarts.begin()) - 1);
    return { line, index + 1 - m_lineStarts[static_cast<size_t>(line)] };
}

TwzCaretPosition TwzMemo::Normalized(TwzCaretPosition p) const
{
    const int32_t count = LineCount();
    if (count == 0)
        return {};
    const int32_t line = std::clamp(p.Line, 0, count - 1);
    const std::u16string_view raw = LineRaw(line);
    const int32_t pos = std::clamp(p.Pos, 0, Size(raw));
    int32_t index = m_lineStarts[static_cast<size_t>(line)] - 1 + pos;
    const bool split = SplitsPair(m_text, index);
    if (split)
        --index;
    // A place inside or after a line's break belongs to the next line.
    if (split || pos > Size(LineText(line)))
        return IndexToPos(index);
    return { line, pos };
}

TwzCaretPosition TwzMemo::MovePosition(TwzCaretPosition p, int32_t n) const
{
    if (LineCount() == 0)
        return {};
    const int64_t target = static_cast<int64_t>(PosToIndex(p)) + n;
    int32_t index = static_cast<int32_t>(std::clamp<int64_t>(target, 0, Size(m_text)));
    if (SplitsPair(m_text, index))
        index += n < 0 ? -1 : 1;
    return IndexToPos(index);
}

TwzCaretPosition TwzMemo::WordLeft(TwzCaretPosition p) const
{
    if (p.Pos <= 0)
        return p.Line > 0 && p.Line - 1 < LineCount()
            ? TwzCaretPosition { p.Line - 1, Size(LineText(p.Line - 1)) }
            : p;
    const std::u16string_view s = LineText(p.Line);
    int32_t col = std::min(p.Pos, Size(s));
    bool passed = false;
    while (col > 0 && (s[static_cast<size_t>(col) - 1] != u' ' || !passed)) {
        if (s[static_cast<size_t>(col) - 1] != u' ')
            passed = true;
        --col;
    }
    return { p.Line, col };
}

TwzCaretPosition TwzMemo::WordRight(TwzCaretPosition p) const
{
    const std::u16string_view s = LineText(p.Line);
    if (p.Pos >= Size(s))
        return p.Line + 1 < LineCount() ? TwzCaretPosition { p.Line + 1, 0 } : p;
    int32_t col = std::max(p.Pos, 0);
    bool space = false;
    bool word = false;
    while (col + 2 <= Size(s)) {
        const char16_t next = s[static_cast<size_t>(col)];
        if (next != u' ' && space && word)
            break;
        if (next == u' ') {
            space = true;
        } else {
            word = true;
            space = false;
        }
        ++col;
    }
    if (!space)
        ++col;
    return { p.Line, col };
}

// What laying lines out again after an edit takes from the lines before it: whether a new
// line starts where an old one that the edit did not touch started (then the old lines from
// there on stay), and the widths of the words the edit did not touch, walked along with the
// new layout through the old lines' pieces.
struct TwzMemo::Relayout {
    Relayout(const std::vector<int32_t>& oldStarts, const std::vector<LineMeasure>& oldMeasures,
        const TextEdit& edit, int32_t firstLine, bool reuseWords)
        : starts(oldStarts)
        , measures(oldMeasures)
        , at(edit.at)
        , removedEnd(edit.at + edit.removed)
        , insertedEnd(edit.at + edit.inserted)
        , delta(edit.inserted - edit.removed)
        , count(static_cast<int32_t>(oldStarts.size()))
        , line(firstLine + 1)
        , reuse(reuseWords)
        , pieceLine(firstLine)
        , pieceAt(oldStarts[static_cast<size_t>(firstLine)] - 1)
    { }

    /// A new line starts at `start` (1-based): whether an untouched old line started there.
    bool LinesUp(int32_t start)
    {
        if (start < insertedEnd + 1)
            return false;
        const int32_t old = start - delta;
        while (line < count && starts[static_cast<size_t>(line)] < old)
            ++line;
        linedUp = line < count && starts[static_cast<size_t>(line)] == old;
        return linedUp;
    }

    /// Appends the old pieces that make up the new text's units from .. to exactly; false
    /// when there are none such (the units are new, or were measured in other pieces).
    bool Take(int32_t from, int32_t to, std::vector<LinePiece>& out)
    {
        if (!reuse)
            return false;
        if (from >= insertedEnd) {
            from -= delta;
            to -= delta;
        } else if (to > at) {
            return false;
        }
        while (pieceLine < count && pieceAt < from) {
            const std::vector<LinePiece>* pieces = PiecesOf(pieceLine);
            if (!pieces || piece >= pieces->size()) {
                if (++pieceLine < count)
                    pieceAt = starts[static_cast<size_t>(pieceLine)] - 1;
                piece = 0;
                continue;
            }
            pieceAt += (*pieces)[piece++].length;
        }
        if (pieceAt != from)
            return false;
        const size_t mark = out.size();
        int32_t l = pieceLine;
        size_t p = piece;
        int32_t x = from;
        while (x < to) {
            const std::vector<LinePiece>* pieces = PiecesOf(l);
            if (pieces && p < pieces->size()) {
                const LinePiece& next = (*pieces)[p];
                const bool untouched = x + next.length <= at || x >= removedEnd;
                if (x + next.length > to || !untouched)
                    break;
                out.push_back(next);
                x += next.length;
                ++p;
            } else if (l + 1 < count && starts[static_cast<size_t>(l) + 1] - 1 == x) {
                ++l; // a wrapped line goes on where the one before ended
                p = 0;
            } else {
                break;
            }
        }
        if (x != to) {
            out.resize(mark);
            return false;
        }
        pieceLine = l;
        piece = p;
        pieceAt = x;
        return true;
    }

    [[nodiscard]] const std::vector<LinePiece>* PiecesOf(int32_t l) const
    {
        const std::vector<LinePiece>& pieces = measures[static_cast<size_t>(l)].pieces;
        return pieces.empty() ? nullptr : &pieces;
    }

    const std::vector<int32_t>& starts;
    const std::vector<LineMeasure>& measures;
    const int32_t at; // the edit, in the old text
    const int32_t removedEnd;
    const int32_t insertedEnd; // in the new text
    const int32_t delta;
    const int32_t count;
    int32_t line; // the old line looked at for lining up
    bool linedUp = false;
    const bool reuse;
    int32_t pieceLine; // the old piece the walk stands at, and where it starts
    size_t piece = 0;
    int32_t pieceAt;
};

void TwzMemo::WordPieces(int32_t from, int32_t to, Relayout* relayout, std::vector<LinePiece>& pieces)
{
    if (relayout && relayout->Take(from, to, pieces))
        return;
    MeasurePieces(std::u16string_view(m_text), from, to, pieces);
}

bool TwzMemo::WrapFrom(int32_t from, int32_t end, float width, Relayout* relayout,
    std::vector<int32_t>& starts, std::vector<LineMeasure>& measures)
{
    const std::u16string_view t(m_text);
    // A line's width is the sum of its words' widths (each with the break characters after
    // it), which add up to the width of the line as the words meet at break characters.
    std::vector<LinePiece>& pieces = m_wrapPieces; // the current line's, kept for the next scan
    pieces.clear();
    float lineWidth = 0;
    const auto endLine = [&](size_t count) {
        LineMeasure line;
        line.width = lineWidth;
        line.pieces.assign(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(count));
        measures.push_back(std::move(line));
    };
    int32_t c = from; // start of the current display line
    int32_t i = from;
    while (i < end) {
        const int32_t s = i; // the word from s to i
        while (i < end && !IsWrapBreak(t[static_cast<size_t>(i)]))
            ++i;
        while (i < end && IsWrapBreak(t[static_cast<size_t>(i)]))
            ++i;
        const size_t first = pieces.size();
        WordPieces(s, i, relayout, pieces);
        float w = 0;
        for (size_t k = first; k < pieces.size(); ++k)
            w += pieces[k].width;
        // A line never breaks before its own first word: an overflowing first word just
        // overflows, with no empty line in front of it.
        if (s > c && lineWidth + w > width) {
            endLine(first);
            pieces.erase(pieces.begin(), pieces.begin() + static_cast<std::ptrdiff_t>(first));
            lineWidth = w;
            c = s;
            if (relayout && relayout->LinesUp(s + 1))
                return true;
            starts.push_back(s + 1);
        } else {
            lineWidth += w;
        }
    }
    endLine(pieces.size());
    return false;
}

void TwzMemo::ScanLines(
    int32_t from, Relayout* relayout, std::vector<int32_t>& starts, std::vector<LineMeasure>& measures)
{
    const std::u16string_view t(m_text);
    const int32_t length = Size(t);
    const float width = RectWidth(ContentRect());
    const bool canvas = GetCanvas() != nullptr;
    // A line start inside a paragraph exists only where word wrap broke it; the paragraph's
    // own start lies before it, untouched.
    bool paragraphStart = from <= 1 || IsBreak(t[static_cast<size_t>(from) - 2]);
    int32_t lineStart = from - 1; // 0-based
    while (lineStart <= length) {
        int32_t breakAt = lineStart; // the paragraph's break
        while (breakAt < length && !IsBreak(t[static_cast<size_t>(breakAt)]))
            ++breakAt;
        // A paragraph that begins with a break character is not wrapped; a short one that
        // fits is found so with one measuring.
        bool wrap = m_wordWrap && canvas && breakAt > lineStart
            && !(paragraphStart && IsWrapBreak(t[static_cast<size_t>(lineStart)]));
        LineMeasure whole;
        if (wrap && paragraphStart && breakAt - lineStart <= kShortParagraph) {
            whole.width = TextWidth(
                t.substr(static_cast<size_t>(lineStart), static_cast<size_t>(breakAt - lineStart)));
            wrap = whole.width > width;
        }
        if (wrap) {
            if (WrapFrom(lineStart, breakAt, width, relayout, starts, measures))
                return;
        } else {
            measures.push_back(std::move(whole));
        }
        if (breakAt >= length)
            return;
        int32_t next = breakAt + 1; // after the break
        if (t[static_cast<size_t>(breakAt)] == u'\r' && next < length
            && t[static_cast<size_t>(next)] == u'\n')
            ++next;
        if (relayout && relayout->LinesUp(next + 1))
            return;
        starts.push_back(next + 1);
        lineStart = next;
        paragraphStart = true;
    }
}

void TwzMemo::RebuildKeepingPlaces()
{
    // The caret and the selection survive the rebuild as text indexes.
    m_savedCaret = PosToIndex(m_caret);
    if (m_selected) {
        m_savedAnchor = PosToIndex(m_anchor);
        m_savedHead = PosToIndex(m_head);
    }
    RebuildLines();
    m_caret = IndexToPos(m_savedCaret);
    if (m_selected && m_savedAnchor >= 0) {
        m_anchor = IndexToPos(m_savedAnchor);
        m_head = IndexToPos(m_savedHead);
        m_savedAnchor = -1;
    }
}

void TwzMemo::RebuildLines()
{
    m_lastPrefix = {};
    m_widestLine = 0;
    m_lineStarts.clear();
    m_lineMeasures.clear();
    // Measures taken while loading may be taken before the canvas measures as it will.
    m_linesMeasured = GetCanvas() != nullptr && !IsLoading();
    m_measuringProbe = TextWidth(kMeasuringProbe);
    m_wrapWidth = RectWidth(ContentRect());
    if (m_text.empty())
        return;
    m_lineStarts.push_back(1);
    ScanLines(1, nullptr, m_lineStarts, m_lineMeasures);
    m_lineMeasures.resize(m_lineStarts.size());
    // The widest line sizes the unwrapped text only; switching the wrap off rebuilds.
    if (!m_wordWrap)
        m_widestLine = std::max(0, FindWidestLine());
}

bool TwzMemo::ReplaceText(int32_t at, int32_t removed, std::u16string_view inserted)
{
    const std::u16string removedText = m_text.substr(static_cast<size_t>(at), static_cast<size_t>(removed));
    if (removedText == inserted)
        return false;
    const TextEdit edit { at, removed, Size(inserted) };
    if (m_charCase != ecNormal) {
        // The whole text is stored converted: a text whose case changed outside the edit
        // (CharCase set since it was stored) is laid out anew.
        std::u16string text = m_text;
        text.replace(static_cast<size_t>(at), static_cast<size_t>(removed), inserted);
        if (!StoreText(text)) // `text` now holds the text before
            return false;
        const std::u16string_view now(m_text);
        const std::u16string_view before(text);
        const size_t insertedEnd = static_cast<size_t>(at) + inserted.size();
        if (before.substr(0, static_cast<size_t>(at)) == now.substr(0, static_cast<size_t>(at))
            && before.substr(static_cast<size_t>(at + removed)) == now.substr(insertedEnd))
            EditLines(edit, removedText);
        else
            RebuildLines();
        return true;
    }
    // The text is edited where it is: a long text is not copied for each typed character.
    m_text.replace(static_cast<size_t>(at), static_cast<size_t>(removed), inserted);
    if (!ValidText(m_text)) {
        m_text.replace(static_cast<size_t>(at), inserted.size(), removedText);
        return false;
    }
    EditLines(edit, removedText);
    return true;
}

void TwzMemo::EditLines(const TextEdit& edit, std::u16string_view removedText)
{
    m_lastPrefix = {};
    if (m_lineStarts.empty() || m_text.empty()) {
        RebuildLines();
        return;
    }
    const int32_t delta = edit.inserted - edit.removed;
    // A unit of the text before the edit.
    const int32_t oldLength = Size(m_text) - delta;
    const auto previous = [&](int32_t index) {
        if (index < edit.at)
            return m_text[static_cast<size_t>(index)];
        if (index < edit.at + edit.removed)
            return removedText[static_cast<size_t>(index - edit.at)];
        return m_text[static_cast<size_t>(index + delta)];
    };
    std::vector<int32_t>& table = m_lineStarts;
    m_lineMeasures.resize(table.size());
    const int32_t oldCount = static_cast<int32_t>(table.size());
    const auto lineOf = [&](int32_t index) { // the old line holding the 0-based index
        const auto it = std::upper_bound(table.begin(), table.end(), index + 1);
        return std::max(0, static_cast<int32_t>(it - table.begin()) - 1);
    };
    // Lines before the edit's keep their places, except that with word wrap the line before
    // may take the edited line's first word, and a break pair the edit makes or parts
    // changes where the line before ends.
    int32_t f = lineOf(edit.at);
    if (m_wordWrap && f > 0 && !IsBreak(previous(table[static_cast<size_t>(f)] - 2)))
        --f;
    if (edit.at > 0)
        f = std::min(f, lineOf(edit.at - 1));
    // A short paragraph is wrapped from its start, where one measuring may find that it fits.
    if (m_wordWrap) {
        int32_t first = f;
        bool isShort = true;
        while (isShort && first > 0 && !IsBreak(previous(table[static_cast<size_t>(first)] - 2))) {
            --first;
            isShort = table[static_cast<size_t>(f)] - table[static_cast<size_t>(first)] <= kShortParagraph;
        }
        if (isShort) {
            const int32_t start = table[static_cast<size_t>(first)] - 1;
            const int32_t limit = std::min(Size(m_text), start + kShortParagraph + 1);
            int32_t i = start;
            while (i < limit && !IsBreak(m_text[static_cast<size_t>(i)]))
                ++i;
            if (i - start <= kShortParagraph)
                f = first;
        }
    }
    if (!GetCanvas())
        m_linesMeasured = false;

    // Lay the lines out again until a line starts where an untouched old line started; the
    // words that the edit left alone keep their widths.
    Relayout relayout { table, m_lineMeasures, edit, f, m_wordWrap };
    std::vector<int32_t> fresh;
    std::vector<LineMeasure> freshMeasures;
    ScanLines(table[static_cast<size_t>(f)], &relayout, fresh, freshMeasures);
    const bool linedUp = relayout.linedUp;
    const int32_t k = relayout.line;
    freshMeasures.resize(fresh.size() + 1);
    const int32_t oldEnd = linedUp ? k : oldCount; // old lines f .. oldEnd - 1 are replaced

    // The replaced lines' starts, text lengths and measures, for the new lines that start
    // where one of them did.
    struct OldLine {
        int32_t start; // 0-based
        int32_t length;
        LineMeasure measure;
    };
    std::vector<OldLine> oldLines;
    oldLines.reserve(static_cast<size_t>(oldEnd - f));
    for (int32_t j = f; j < oldEnd; ++j) {
        const int32_t start = table[static_cast<size_t>(j)] - 1;
        int32_t end = j + 1 < oldCount ? table[static_cast<size_t>(j) + 1] - 1 : oldLength;
        if (end > start && previous(end - 1) == u'\n')
            --end;
        if (end > start && previous(end - 1) == u'\r')
            --end;
        oldLines.push_back({ start, end - start, std::move(m_lineMeasures[static_cast<size_t>(j)]) });
    }
    // The old widest line's width, as it was measured before the edit.
    // (unknown only when it was never measured, without a canvas: then it is looked for anew)
    float oldWidestWidth = -1;
    if (!m_wordWrap && m_widestLine >= 0 && m_widestLine < oldCount) {
        const int32_t w = m_widestLine;
        oldWidestWidth = w >= f && w < oldEnd ? oldLines[static_cast<size_t>(w - f)].measure.width
                                              : m_lineMeasures[static_cast<size_t>(w)].width;
    }

    table.erase(table.begin() + f + 1, table.begin() + oldEnd);
    table.insert(table.begin() + f + 1, fresh.begin(), fresh.end());
    for (size_t j = static_cast<size_t>(f) + 1 + fresh.size(); j < table.size(); ++j)
        table[j] += delta;
    m_lineMeasures.erase(m_lineMeasures.begin() + f, m_lineMeasures.begin() + oldEnd);
    m_lineMeasures.insert(m_lineMeasures.begin() + f, std::make_move_iterator(freshMeasures.begin()),
        std::make_move_iterator(freshMeasures.end()));
    const int32_t last = f + static_cast<int32_t>(fresh.size()); // the last new line

    for (int32_t j = f; j <= last; ++j) {
        if (m_lineMeasures[static_cast<size_t>(j)].width >= 0)
            continue; // laid out by word wrap, which measured it
        const int32_t start = table[static_cast<size_t>(j)] - 1;
        int32_t oldStart = -1;
        if (start <= edit.at)
            oldStart = start;
        else if (start >= edit.at + edit.inserted)
            oldStart = start - delta;
        const auto same = std::find_if(oldLines.begin(), oldLines.end(),
            [oldStart](const OldLine& line) { return line.start == oldStart; });
        if (same != oldLines.end())
            m_lineMeasures[static_cast<size_t>(j)]
                = Remeasured(same->measure, same->start, same->length, start, Size(LineText(j)), edit);
    }

    // The widest line only sizes unwrapped text.
    if (m_wordWrap)
        return;
    const int32_t d = (last - f) - (oldEnd - 1 - f);
    int32_t r = f; // the first of the widest new lines
    for (int32_t j = f + 1; j <= last; ++j) {
        if (LineWidth(j) > LineWidth(r))
            r = j;
    }
    const int32_t oldWidest = m_widestLine;
    if (oldWidest >= LineCount() || oldWidestWidth < 0)
        m_widestLine = std::max(0, FindWidestLine());
    else if (LineWidth(r) >= static_cast<float>(rtl::Round(oldWidestWidth)))
        m_widestLine = r;
    else if (oldWidest >= f && oldWidest < oldEnd)
        m_widestLine = std::max(0, FindWidestLine());
    else if (oldWidest >= oldEnd)
        m_widestLine = oldWidest + d;
}

TwzMemo::LineMeasure TwzMemo::Remeasured(LineMeasure& old, int32_t oldStart, int32_t oldLength,
    int32_t newStart, int32_t newLength, const TextEdit& edit)
{
    const int32_t delta = edit.inserted - edit.removed;
    const int32_t editEnd = edit.at + edit.removed; // in the old text
    const bool before = editEnd <= oldStart && newStart == oldStart + delta;
    const bool after = edit.at > oldStart + oldLength && newStart == oldStart;
    if (newLength == oldLength && (before || after))
        return std::move(old);
    LineMeasure result;
    if (old.pieces.empty() || newLength <= kLongLine || !GetCanvas())
        return result;
    // The pieces the edit touches are measured again, with the piece before an insertion
    // (typing goes on growing one piece rather than making many small ones).
    int32_t dirtyFrom = edit.at;
    int32_t dirtyTo = editEnd;
    int32_t a = oldStart;
    for (const LinePiece& piece : old.pieces) {
        const int32_t b = a + piece.length;
        if (a < edit.at && edit.at <= b)
            dirtyFrom = std::min(dirtyFrom, a);
        if (a < editEnd && editEnd < b)
            dirtyTo = std::max(dirtyTo, b);
        a = b;
    }
    // The untouched pieces, placed in the new text, and the gaps between them measured.
    const std::u16string_view line
        = std::u16string_view(m_text).substr(static_cast<size_t>(newStart), static_cast<size_t>(newLength));
    std::vector<LinePiece> pieces;
    int32_t measuredTo = 0; // in the new line
    a = oldStart;
    for (const LinePiece& piece : old.pieces) {
        const int32_t b = a + piece.length;
        int32_t from = -1;
        if (b <= dirtyFrom)
            from = a - newStart;
        else if (a >= dirtyTo)
            from = a + delta - newStart;
        a = b;
        if (from < measuredTo || from + piece.length > newLength)
            continue;
        if (from > measuredTo)
            MeasurePieces(line, measuredTo, from, pieces);
        pieces.push_back(piece);
        measuredTo = from + piece.length;
    }
    if (measuredTo < newLength)
        MeasurePieces(line, measuredTo, newLength, pieces);
    result.width = 0;
    for (const LinePiece& piece : pieces)
        result.width += piece.width;
    result.pieces = std::move(pieces);
    return result;
}

void TwzMemo::MeasurePieces(
    std::u16string_view line, int32_t from, int32_t to, std::vector<LinePiece>& pieces)
{
    while (from < to) {
        int32_t end = to;
        if (to - from > kMaxPiece) {
            end = from + kPieceLength;
            // After a space the widths of the pieces add up to the width of the whole.
            for (int32_t back = end; back > end - kPieceLength / 4; --back) {
                if (line[static_cast<size_t>(back) - 1] == u' ') {
                    end = back;
                    break;
                }
            }
            if (controls::SplitsSurrogatePair(line, end))
                ++end;
        }
        pieces.push_back({ end - from,
            TextWidth(line.substr(static_cast<size_t>(from), static_cast<size_t>(end - from))) });
        from = end;
    }
}

TwzMemo::LineMeasure* TwzMemo::Measured(int32_t line)
{
    if (line < 0 || line >= LineCount() || !GetCanvas())
        return nullptr;
    if (m_lineMeasures.size() != m_lineStarts.size())
        m_lineMeasures.resize(m_lineStarts.size());
    LineMeasure& measure = m_lineMeasures[static_cast<size_t>(line)];
    if (measure.width >= 0)
        return &measure;
    const std::u16string_view text = LineText(line);
    if (Size(text) > kLongLine) {
        std::vector<LinePiece> pieces;
        MeasurePieces(text, 0, Size(text), pieces);
        measure.width = 0;
        for (const LinePiece& piece : pieces)
            measure.width += piece.width;
        measure.pieces = std::move(pieces);
    } else {
        measure.width = TextWidth(text);
        measure.pieces.clear();
    }
    return &measure;
}

float TwzMemo::PrefixWidth(int32_t line, int32_t column)
{
    const std::u16string_view text = LineText(line);
    column = std::clamp(column, 0, Size(text));
    if (column == 0)
        return 0;
    LineMeasure* measure = Measured(line);
    if (!measure)
        return 0;
    if (column == Size(text))
        return measure->width;
    // The caret's place is asked for several times after each key.
    if (m_lastPrefix.line == line && m_lastPrefix.column == column)
        return m_lastPrefix.width;
    m_lastPrefix = { line, column, 0 };
    if (measure->pieces.empty()) {
        m_lastPrefix.width = TextWidth(text.substr(0, static_cast<size_t>(column)));
        return m_lastPrefix.width;
    }
    // Whole pieces up to the column, then the rest of the piece it lies in.
    float width = 0;
    int32_t start = 0;
    for (const LinePiece& piece : measure->pieces) {
        if (start + piece.length > column)
            break;
        width += piece.width;
        start += piece.length;
    }
    if (column > start)
        width += TextWidth(text.substr(static_cast<size_t>(start), static_cast<size_t>(column - start)));
    m_lastPrefix.width = width;
    return width;
}

float TwzMemo::SpanWidth(int32_t line, int32_t from, int32_t to)
{
    const std::u16string_view text = LineText(line);
    from = std::clamp(from, 0, Size(text));
    to = std::clamp(to, from, Size(text));
    if (Size(text) <= kLongLine)
        return TextWidth(text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
    return PrefixWidth(line, to) - PrefixWidth(line, from);
}

int32_t TwzMemo::FindWidestLine()
{
    int32_t widest = -1;
    float width = 0;
    for (int32_t i = 0; i < LineCount(); ++i) {
        const float w = LineWidth(i);
        if (widest < 0 || w > width) {
            widest = i;
            width = w;
        }
    }
    return widest;
}

// ---- caret and selection ---------------------------------------------------------------------

void TwzMemo::SetCaretPosition(TwzCaretPosition p)
{
    const int32_t count = LineCount();
    m_caret.Line = count == 0 ? 0 : std::clamp(p.Line, 0, count - 1);
    const std::u16string_view text = LineText(m_caret.Line);
    m_caret.Pos = p.Pos < 0 ? 0 : std::min(p.Pos, Size(text));
    if (m_caret.Pos > 0 && m_caret.Pos < Size(text)
        && IsHighSurrogate(text[static_cast<size_t>(m_caret.Pos) - 1])
        && IsLowSurrogate(text[static_cast<size_t>(m_caret.Pos)]))
        --m_caret.Pos;
    UpdateCaret(true);
}

TwzCaretPosition TwzMemo::SelectionBegin() const
{
    const bool headFirst
        = m_head.Line < m_anchor.Line || (m_head.Line == m_anchor.Line && m_head.Pos < m_anchor.Pos);
    return headFirst ? m_head : m_anchor;
}

TwzCaretPosition TwzMemo::SelectionEnd() const
{
    const bool headFirst
        = m_head.Line < m_anchor.Line || (m_head.Line == m_anchor.Line && m_head.Pos < m_anchor.Pos);
    return headFirst ? m_anchor : m_head;
}

int32_t TwzMemo::SelStart() const
{
    return PosToIndex(m_selected ? SelectionBegin() : m_caret);
}

int32_t TwzMemo::SelLength() const
{
    if (!m_selected)
        return 0;
    return PosToIndex(SelectionEnd()) - PosToIndex(SelectionBegin());
}

std::u16string TwzMemo::SelText() const
{
    const int32_t length = SelLength();
    if (length <= 0)
        return {};
    return m_text.substr(static_cast<size_t>(SelStart()), static_cast<size_t>(length));
}

void TwzMemo::ExtendSelection(TwzCaretPosition p)
{
    if (!m_selected) {
        m_anchor = p;
        m_head = p;
        m_selected = true;
    } else {
        m_head = p;
    }
}

void TwzMemo::SelectAll()
{
    // The start of the text is the fixed end and the end follows the caret, so Shift and a
    // move shrink the selection from the end, where the caret is.
    m_anchor = {};
    m_head = IndexToPos(Size(m_text));
    m_selected = true;
    const int32_t count = LineCount();
    m_caret = count == 0 ? TwzCaretPosition {} : TwzCaretPosition { count - 1, Size(LineText(count - 1)) };
    InvalidateObject();
}

void TwzMemo::SelectWord()
{
    m_anchor = WordLeft(m_caret);
    m_head = WordRight(m_caret);
    m_selected = true;
    InvalidateObject();
}

// ---- geometry -------------------------------------------------------------------------------

int32_t TwzMemo::LineHeight() const
{
    return static_cast<int32_t>(rtl::Round(1.25 * m_font->GetSize()));
}

TwzRect TwzMemo::ContentRect()
{
    TwzVisualObject* part = GetContentPart();
    if (!part)
        return GetLocalRect();
    const float x = part->GetPosition()->GetX();
    const float y = part->GetPosition()->GetY();
    return { x, y, x + part->GetWidth(), y + part->GetHeight() };
}

void TwzMemo::ApplyFont(TwzCanvas& canvas)
{
    // A canvas whose font was never set draws in a family of its own whatever its font says:
    // the first time, the font is given whether or not it looks the same.
    TwzFont& font = canvas.GetFont();
    if (&canvas != m_fontCanvas || font.GetSize() != m_font->GetSize()
        || font.GetFamily() != m_font->GetFamily() || font.GetStyle() != m_font->GetStyle()) {
        font.Assign(*m_font);
        m_fontCanvas = &canvas;
    }
}

float TwzMemo::TextWidth(std::u16string_view s)
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas || s.empty())
        return 0;
    ApplyFont(*canvas);
    // The width alone counts; the place of the rectangle does not change it.
    TwzRect r { 0, 0, 10000, 100 };
    canvas->MeasureText(r, r, s, false, m_textAlign, wzTextAlignNear);
    return RectWidth(r);
}

float TwzMemo::LineWidth(int32_t index)
{
    const LineMeasure* measure = Measured(index);
    return measure ? measure->width : 0;
}

float TwzMemo::VisibleLineCount()
{
    return RectHeight(ContentRect()) / static_cast<float>(std::max(1, LineHeight()));
}

float TwzMemo::VScrollValue()
{
    TwzScrollBar* bar = GetVScrollBar();
    return bar && bar->GetVisible() ? bar->GetValue() : 0;
}

float TwzMemo::HScrollValue()
{
    TwzScrollBar* bar = GetHScrollBar();
    return bar && bar->GetVisible() ? bar->GetValue() : 0;
}

float TwzMemo::AlignOffset(float lineWidth, float contentWidth) const
{
    if (lineWidth >= contentWidth)
        return 0;
    switch (m_textAlign) {
    case wzTextAlignCenter:
        return (contentWidth - lineWidth) / 2;
    case wzTextAlignFar:
        return contentWidth - lineWidth;
    default:
        return 0;
    }
}

TwzPoint TwzMemo::PositionToPoint(TwzCaretPosition p)
{
    const TwzRect content = ContentRect();
    TwzPoint pt { content.Left,
        static_cast<float>(p.Line) * static_cast<float>(LineHeight()) + content.Top - VScrollValue() };
    if (!GetCanvas())
        return pt;
    const bool valid = p.Line >= 0 && p.Line < LineCount();
    if (p.Pos > 0 && valid)
        pt.X += PrefixWidth(p.Line, p.Pos);
    if (m_textAlign != wzTextAlignNear)
        pt.X += AlignOffset(valid ? LineWidth(p.Line) : 0, RectWidth(content));
    pt.X -= HScrollValue();
    return pt;
}

TwzCaretPosition TwzMemo::PointToPosition(TwzPoint pt)
{
    const int32_t count = LineCount();
    if (count == 0)
        return {};
    const TwzRect content = ContentRect();
    pt.X = std::clamp(pt.X, content.Left, std::max(content.Left, content.Right));
    pt.Y = std::clamp(pt.Y, content.Top, std::max(content.Top, content.Bottom));
    const float lineHeight = static_cast<float>(std::max(1, LineHeight()));
    const float vScroll = VScrollValue();
    const float hScroll = HScrollValue();
    const float first = std::trunc(vScroll / lineHeight);
    const int32_t line = std::clamp(
        static_cast<int32_t>(std::trunc(first + (pt.Y - content.Top) / lineHeight)), 0, count - 1);
    const std::u16string_view s = LineText(line);
    int32_t column = 0;
    if (!s.empty() && GetCanvas()) {
        float x = pt.X;
        if (m_textAlign != wzTextAlignNear)
            x -= AlignOffset(LineWidth(line), RectWidth(content));
        x += hScroll;
        const auto unitAt = [&](int32_t c) {
            return c + 1 < Size(s) && IsHighSurrogate(s[static_cast<size_t>(c)])
                    && IsLowSurrogate(s[static_cast<size_t>(c) + 1])
                ? 2
                : 1;
        };
        // The column is the first whose right edge (plus a quarter of the font size) reaches
        // the point or the view's far edge. The edges grow with the column, so a long line is
        // searched by halving rather than measured once per character.
        const float target = std::min(x, hScroll + content.Right);
        const float quarter = m_font->GetSize() / 4;
        const auto edge = [&](int32_t c) { return content.Left + PrefixWidth(line, c) + quarter; };
        const int32_t length = Size(s);
        if (content.Left + PrefixWidth(line, unitAt(0)) / 2 < target) {
            if (edge(length) < target) {
                column = length;
            } else {
                int32_t shortOf = 0;
                int32_t reaching = length;
                while (reaching - shortOf > 1) {
                    const int32_t middle = shortOf + (reaching - shortOf) / 2;
                    if (edge(middle) >= target)
                        reaching = middle;
                    else
                        shortOf = middle;
                }
                column = reaching;
            }
            // Never between the halves of a surrogate pair.
            if (column < length && IsHighSurrogate(s[static_cast<size_t>(column) - 1])
                && IsLowSurrogate(s[static_cast<size_t>(column)]))
                ++column;
        }
    }
    return { line, column };
}

void TwzMemo::UpdateCaret(bool scroll)
{
    if (scroll) {
        ScrollToCaretVert();
        ScrollToCaretHorz();
    }
    const TwzPoint pt = PositionToPoint(m_caret);
    const TwzRect content = ContentRect();
    SetCaretSize({ 2, static_cast<float>(LineHeight()) });
    TwzVisualObject* caret = GetCaret();
    // Beside the scrolled content the mark takes unscrolled content coordinates; as the
    // memo's own child it takes the memo's.
    if (caret && caret->GetParent() != this)
        SetCaretPos({ HScrollValue() + pt.X - content.Left, VScrollValue() + pt.Y - content.Top });
    else
        SetCaretPos(pt);
    SetCaretColor(m_fontFill->GetSolidColor());
}

void TwzMemo::ScrollToCaretVert()
{
    TwzScrollBar* bar = GetVScrollBar();
    if (!bar)
        return;
    const float lineHeight = static_cast<float>(LineHeight());
    const float top = static_cast<float>(m_caret.Line) * lineHeight;
    if (top < VScrollValue())
        bar->SetValue(top);
    else if (TwzVisualObject* part = GetContentPart();
             part && VScrollValue() + part->GetHeight() < static_cast<float>(m_caret.Line + 1) * lineHeight)
        bar->SetValue((1 + static_cast<float>(m_caret.Line) - VisibleLineCount()) * lineHeight);
}

void TwzMemo::ScrollToCaretHorz()
{
    if (LineCount() == 0 || !GetCanvas())
        return;
    const TwzRect content = ContentRect();
    const float x = static_cast<float>(rtl::Round(PositionToPoint(m_caret).X));
    if (x >= content.Left && x <= content.Right)
        return;
    const std::u16string_view s = LineText(m_caret.Line);
    const int32_t length = Size(s);
    const int32_t column = std::min(m_caret.Pos, length);
    if (m_firstVisibleChar <= column) {
        // The first visible character moves right until the text from it to the caret fits.
        // That text narrows as it moves, so the place is searched for from the caret
        // leftwards: a long line costs a few measurements of about the visible text, not one
        // measurement per character.
        const float limit = RectWidth(content) - 5;
        const auto fits = [&](int32_t first) { return SpanWidth(m_caret.Line, first - 1, column) <= limit; };
        const int32_t start = std::max(1, m_firstVisibleChar);
        if (start < length && !fits(start)) {
            int32_t fitting = column + 1; // the empty text before the caret
            int32_t tooWide = start;
            int32_t step = 1;
            while (fitting - step > start) {
                if (!fits(fitting - step)) {
                    tooWide = fitting - step;
                    break;
                }
                fitting -= step;
                step *= 2;
            }
            while (fitting - tooWide > 1) {
                const int32_t middle = tooWide + (fitting - tooWide) / 2;
                if (fits(middle))
                    fitting = middle;
                else
                    tooWide = middle;
            }
            // The view never starts with the second half of a pair.
            if (SplitsPair(s, fitting - 1))
                ++fitting;
            m_firstVisibleChar = std::min(fitting, length);
        }
    } else {
        m_firstVisibleChar = std::max(1, SplitsPair(s, column - 1) ? column - 1 : column);
    }
    TwzScrollBar* bar = GetHScrollBar();
    if (bar && bar->GetVisible())
        bar->SetValue(PrefixWidth(m_caret.Line, std::clamp(m_firstVisibleChar - 1, 0, length)));
}

TwzRect TwzMemo::GetContentBounds()
{
    TwzRect bounds = Inherited::GetContentBounds();
    // Wrapping depends on the width.
    if ((m_wordWrap && RectWidth(ContentRect()) != m_wrapWidth) || (!m_linesMeasured && GetCanvas())
        || MeasuresOtherwise())
        RebuildKeepingPlaces();
    if (LineCount() > 0)
        bounds.Bottom = bounds.Top + static_cast<float>(LineHeight()) * static_cast<float>(LineCount());
    if (!m_wordWrap) {
        const float widest = LineWidth(m_widestLine);
        if (widest > RectWidth(bounds))
            bounds.Right = bounds.Left + widest + 10;
    }
    ScrollToCaretHorz();
    return bounds;
}

// ---- style and painting ---------------------------------------------------------------------

void TwzMemo::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (TwzVisualObject* part = GetContentPart())
        part->OnPaint.Bind<&TwzMemo::PaintText>(this);
    if (auto* selection = dynamic_cast<TwzBrushObject*>(FindResource("selection")))
        m_selectionFill->Assign(*selection->GetBrush());
    if (auto* foreground = dynamic_cast<TwzBrushObject*>(FindResource("foreground")))
        m_fontFill->Assign(*foreground->GetBrush());
}

void TwzMemo::FreeStyle()
{
    if (TwzVisualObject* part = GetContentPart())
        part->OnPaint.Clear();
    Inherited::FreeStyle();
}

bool TwzMemo::MeasuresOtherwise()
{
    return GetCanvas() && TextWidth(kMeasuringProbe) != m_measuringProbe;
}

void TwzMemo::PaintText(rtl::TObject*, TwzCanvas* canvas, const TwzRect& rect)
{
    if (!canvas)
        return;
    // Widths kept from a canvas that measured otherwise are measured again (the next layout
    // lays the lines out again).
    if (MeasuresOtherwise()) {
        for (LineMeasure& measure : m_lineMeasures)
            measure = {};
        m_lastPrefix = {};
        m_linesMeasured = false;
        m_measuringProbe = TextWidth(kMeasuringProbe);
        // Not while painting: the lines are wrapped again and the caret placed once the
        // paint is over. (A window's canvas measures otherwise once it has its buffer.)
        if (platform::ui::Application* app = platform::ui::Application::TryCurrent();
            app && !m_relayoutPosted) {
            m_relayoutPosted = true;
            app->Post([memo = rtl::Watch<TwzMemo>(this)] {
                if (!memo)
                    return;
                memo->m_relayoutPosted = false;
                rtl::Watch<TwzMemo> self(memo.Get());
                memo->Realign();
                if (self) {
                    self->UpdateCaret(false);
                    self->InvalidateObject();
                }
            });
        }
    }
    const int32_t state = canvas->SaveState();
    canvas->IntersectClipRect(rect);
    canvas->GetFill().Assign(*m_fontFill);
    const TwzRect content = ContentRect();
    const float lineHeight = static_cast<float>(std::max(1, LineHeight()));
    const float vScroll = VScrollValue();
    const int32_t first = static_cast<int32_t>(std::trunc(vScroll / lineHeight));
    const int32_t last = std::min(LineCount() - 1,
        static_cast<int32_t>(
            rtl::Round(static_cast<double>(rtl::Round(vScroll / lineHeight)) + VisibleLineCount() - 1)));
    TwzRect clip = GetLocalRect();
    RectOffset(clip, -content.Left, -content.Top);
    for (int32_t line = std::max(0, first); line <= last; ++line) {
        const TwzPoint pt = PositionToPoint({ line, 0 });
        const float top = pt.Y - content.Top;
        float left = pt.X - content.Left;
        std::u16string_view shown = LineText(line);
        // Of a long line only the pieces in view are laid out.
        if (const LineMeasure* measure = Measured(line); measure && !measure->pieces.empty()) {
            int32_t column = 0;
            int32_t from = -1;
            int32_t to = 0;
            float x = left;
            for (const LinePiece& piece : measure->pieces) {
                if (x > clip.Right)
                    break;
                if (from < 0 && x + piece.width >= clip.Left) {
                    from = column;
                    left = x;
                }
                column += piece.length;
                x += piece.width;
                to = column;
            }
            shown = from < 0 ? std::u16string_view {}
                             : shown.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
        }
        ApplyFont(*canvas);
        const TwzRect r { left, top, 65535, top + 1.25f * lineHeight };
        canvas->FillText(r, clip, shown, false, 1, wzTextAlignNear, wzTextAlignNear);
    }
    if (GetIsFocused() || !m_hideSelection) {
        canvas->GetFill().Assign(*m_selectionFill);
        for (TwzRect r : GetSelectionRects()) {
            TwzRect visible;
            if (!RectIntersection(visible, r, content))
                continue;
            RectOffset(visible, -content.Left, -content.Top);
            canvas->FillRect(visible, 0, 0, AllCorners, 1);
        }
    }
    canvas->RestoreState(state);
}

std::vector<TwzRect> TwzMemo::GetSelectionRects()
{
    std::vector<TwzRect> rects;
    if (!m_selected)
        return rects;
    const TwzCaretPosition b = SelectionBegin();
    const TwzCaretPosition e = SelectionEnd();
    const float lineHeight = static_cast<float>(std::max(1, LineHeight()));
    const float vScroll = VScrollValue();
    const int32_t firstVisible = static_cast<int32_t>(std::trunc(vScroll / lineHeight));
    const int32_t lastVisible = static_cast<int32_t>(
        rtl::Round(static_cast<double>(rtl::Round(vScroll / lineHeight)) + VisibleLineCount() - 1));
    const bool raised = b.Line < firstVisible;
    const int32_t first = raised ? firstVisible : b.Line;
    const bool lowered = e.Line > lastVisible;
    const int32_t last = std::max(first, lowered ? lastVisible : e.Line);
    for (int32_t line = first; line <= last && line < LineCount(); ++line) {
        if (line < 0)
            continue;
        TwzPoint from = PositionToPoint({ line, 0 });
        TwzPoint to = PositionToPoint({ line, Size(LineText(line)) });
        if (line == first && !raised)
            from = PositionToPoint(b);
        if (line == last && !lowered)
            to = PositionToPoint(e);
        rects.push_back({ from.X, from.Y, to.X, from.Y + lineHeight });
    }
    return rects;
}

// ---- focus and mouse ------------------------------------------------------------------------

void TwzMemo::EnterFocus()
{
    rtl::Watch<TwzMemo> self(this);
    Inherited::EnterFocus();
    if (!self)
        return;
    m_modified = false;
    UpdateCaret(false);
    ShowCaret();
    m_caret = {};
    if (m_autoSelect)
        SelectAll();
    // The mark shows where the caret now is, not where it was before the focus came.
    UpdateCaret(false);
}

void TwzMemo::KillFocus()
{
    rtl::Watch<TwzMemo> self(this);
    Inherited::KillFocus();
    if (!self)
        return;
    HideCaret();
    Change();
}

void TwzMemo::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzMemo> self(this);
    Inherited::MouseDown(button, shift, x, y);
    if (!self || button != TMouseButton::Left || !PointInRect({ x, y }, ContentRect()))
        return;
    if (shift.Has(platform::ui::ShiftFlag::Double)) {
        m_mouseSelecting = false;
        SelectWord();
        return;
    }
    m_mouseSelecting = true;
    SetCaretPosition(PointToPosition({ x, y }));
    m_selected = false;
    ExtendSelection(m_caret);
    InvalidateObject();
}

void TwzMemo::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    rtl::Watch<TwzMemo> self(this);
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!self)
        return;
    m_lastMousePoint = { x, y };
    if (!m_mouseSelecting)
        return;
    const TwzRect content = ContentRect();
    m_lastMousePoint.X = std::clamp(m_lastMousePoint.X, content.Left, std::max(content.Left, content.Right));
    m_lastMousePoint.Y = std::clamp(m_lastMousePoint.Y, content.Top, std::max(content.Top, content.Bottom));
    SetCaretPosition(PointToPosition(m_lastMousePoint));
    ExtendSelection(m_caret);
    InvalidateObject();
}

void TwzMemo::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzMemo> self(this);
    Inherited::MouseUp(button, shift, x, y);
    if (!self)
        return;
    m_mouseSelecting = false;
    if (SelLength() == 0)
        m_selected = false;
}

void TwzMemo::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    rtl::Watch<TwzMemo> self(this);
    Inherited::MouseWheel(shift, wheelDelta, handled);
    if (!self)
        return;
    TwzScrollBar* bar = GetVScrollBar();
    if (bar && bar->GetVisible())
        bar->SetValue(bar->GetValue() - static_cast<float>(wheelDelta) / 30);
}
