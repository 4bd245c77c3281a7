// The memo's line table: laying the lines out (word wrap included), laying them out again
// after an edit from the edited line on, and measuring them, a long line in pieces, with the
// widths kept until the text they measure changes.

#include "controls/TwzMemo.h"

#include "controls/TextUnits.h"
#include "graphics/Geometry.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

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

bool IsWrapBreak(char16_t c)
{
    return c == u' ' || c == u',' || c == u'-';
}

int32_t Size(std::u16string_view s)
{
    return static_cast<int32_t>(s.size());
}

} // namespace

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
    // Measures taken while loading may be taken in a font that is yet to be read.
    m_linesMeasured = GetCanvas() != nullptr && !IsLoading();
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
            && before.substr(static_cast<size_t>(at) + static_cast<size_t>(removed))
                == now.substr(insertedEnd))
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
        const int32_t now = index + delta; // where the character sits after the edit
        return m_text[static_cast<size_t>(now)];
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
    const bool unknown = oldWidest >= LineCount() || oldWidestWidth < 0;
    if (!unknown && LineWidth(r) >= static_cast<float>(rtl::Round(oldWidestWidth)))
        m_widestLine = r;
    else if (unknown || (oldWidest >= f && oldWidest < oldEnd))
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

// ---- measuring ---------------------------------------------------------------------------------

void TwzMemo::ApplyFont(TwzCanvas& canvas)
{
    TwzFont& font = canvas.GetFont();
    if (font.GetSize() != m_font->GetSize() || font.GetFamily() != m_font->GetFamily()
        || font.GetStyle() != m_font->GetStyle())
        font.Assign(*m_font);
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
