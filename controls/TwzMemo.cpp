// The memo: its properties, the places in its lines, caret and selection, geometry and
// scrolling, painting, mouse and focus. How the lines are laid out and measured is in
// TwzMemoLayout.cpp; the edits, keys, clipboard, menu and undo are in TwzMemoEdit.cpp.

#include "controls/TwzMemo.h"

#include "controls/TextEditor.h"
#include "controls/TextUnits.h"
#include "controls/TwzScrollBars.h"
#include "graphics/Geometry.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
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
    const rtl::DispatchGuard held(this);
    Realign();
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
    const bool split = controls::SplitsUnitPair(m_text, index);
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
    if (controls::SplitsUnitPair(m_text, index))
        index += n < 0 ? -1 : 1;
    return IndexToPos(index);
}

TwzCaretPosition TwzMemo::WordLeft(TwzCaretPosition p) const
{
    if (p.Pos <= 0)
        return p.Line > 0 && p.Line - 1 < LineCount()
            ? TwzCaretPosition { p.Line - 1, Size(LineText(p.Line - 1)) }
            : p;
    return { p.Line, controls::WordStart(LineText(p.Line), p.Pos) };
}

TwzCaretPosition TwzMemo::WordRight(TwzCaretPosition p) const
{
    const std::u16string_view s = LineText(p.Line);
    if (p.Pos >= Size(s))
        return p.Line + 1 < LineCount() ? TwzCaretPosition { p.Line + 1, 0 } : p;
    return { p.Line, controls::WordEnd(s, p.Pos) };
}

// ---- caret and selection ---------------------------------------------------------------------

void TwzMemo::SetCaretPosition(TwzCaretPosition p)
{
    const int32_t count = LineCount();
    m_caret.Line = count == 0 ? 0 : std::clamp(p.Line, 0, count - 1);
    const std::u16string_view text = LineText(m_caret.Line);
    m_caret.Pos = p.Pos < 0 ? 0 : std::min(p.Pos, Size(text));
    if (controls::SplitsSurrogatePair(text, m_caret.Pos))
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
        // The column is the first whose right edge (plus a quarter of the font size) reaches
        // the point or the view's far edge. The edges grow with the column, so a long line is
        // searched by halving rather than measured once per character.
        const float target = std::min(x, hScroll + content.Right);
        const float quarter = m_font->GetSize() / 4;
        const auto edge = [&](int32_t c) { return content.Left + PrefixWidth(line, c) + quarter; };
        const int32_t length = Size(s);
        if (content.Left + PrefixWidth(line, controls::NextPlace(s, 0)) / 2 < target) {
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
            if (controls::SplitsSurrogatePair(s, column))
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
            if (controls::SplitsUnitPair(s, fitting - 1))
                ++fitting;
            m_firstVisibleChar = std::min(fitting, length);
        }
    } else {
        m_firstVisibleChar = std::max(1, controls::SplitsUnitPair(s, column - 1) ? column - 1 : column);
    }
    TwzScrollBar* bar = GetHScrollBar();
    if (bar && bar->GetVisible())
        bar->SetValue(PrefixWidth(m_caret.Line, std::clamp(m_firstVisibleChar - 1, 0, length)));
}

TwzRect TwzMemo::GetContentBounds()
{
    TwzRect bounds = Inherited::GetContentBounds();
    // Wrapping depends on the width.
    if ((m_wordWrap && RectWidth(ContentRect()) != m_wrapWidth) || (!m_linesMeasured && GetCanvas()))
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

void TwzMemo::PaintText(rtl::TObject*, TwzCanvas* canvas, const TwzRect& rect)
{
    if (!canvas)
        return;
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
    const rtl::DispatchGuard held(this);
    Inherited::EnterFocus();
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
    const rtl::DispatchGuard held(this);
    Inherited::KillFocus();
    HideCaret();
    Change();
}

void TwzMemo::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    const rtl::DispatchGuard held(this);
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left || !PointInRect({ x, y }, ContentRect()))
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
    const rtl::DispatchGuard held(this);
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
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
    const rtl::DispatchGuard held(this);
    Inherited::MouseUp(button, shift, x, y);
    m_mouseSelecting = false;
    if (SelLength() == 0)
        m_selected = false;
}

void TwzMemo::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    const rtl::DispatchGuard held(this);
    Inherited::MouseWheel(shift, wheelDelta, handled);
    TwzScrollBar* bar = GetVScrollBar();
    if (bar && bar->GetVisible())
        bar->SetValue(bar->GetValue() - static_cast<float>(wheelDelta) / 30);
}
