// The memo's text model: display lines, places, word wrap, the incremental line table
// against a full rebuild, selection, the Lines facade and painting.

#include "MemoTestSupport.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "ui2d/Library2D.h"

#include <algorithm>
#include <cmath>
#include <random>

RTL_IMPLEMENT_CLASS(memotest::TMemoLog)

using namespace memotest;
namespace vk = platform::ui::vk;

namespace {

std::vector<std::u16string> LinesOf(TwzMemo& memo)
{
    std::vector<std::u16string> lines;
    for (int i = 0; i < memo.GetLines()->GetCount(); ++i)
        lines.push_back(memo.GetLines()->Get(i));
    return lines;
}

} // namespace

TEST_F(MemoTest, BreaksOfEveryKindMakeDisplayLines)
{
    struct Case {
        const char16_t* text;
        std::vector<std::u16string> lines;
    };
    const Case cases[] = {
        { u"", {} },
        { u"ab\r\ncd", { u"ab", u"cd" } },
        { u"ab\r\n", { u"ab", u"" } },
        { u"a\rb\nc", { u"a", u"b", u"c" } },
        { u"a\n\rb", { u"a", u"", u"b" } }, // LF CR is two breaks
        { u"\r\n\r\n", { u"", u"", u"" } },
    };
    TwzMemo* memo = Memo();
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.text));
        memo->SetText(c.text);
        EXPECT_EQ(LinesOf(*memo), c.lines);
        EXPECT_EQ(memo->LineCount(), static_cast<int32_t>(c.lines.size()));
    }
    memo->SetText(u"ab\r\ncd");
    EXPECT_EQ(memo->PosToIndex({ 1, 0 }), 4);
    EXPECT_EQ(memo->IndexToPos(4), (TwzCaretPosition { 1, 0 }));
    // The caret can stand on the empty last line after a final break.
    memo->SetText(u"ab\r\n");
    memo->SetCaretPosition({ 5, 9 });
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 0 }));
}

TEST_F(MemoTest, MovesNeverStopInsideABreakOrASurrogatePair)
{
    TwzMemo* memo = Memo(u"ab\r\n\U0001F600x\ncd");
    // Lines: "ab" (CR LF), "\U0001F600x" (LF), "cd".
    struct Case {
        TwzCaretPosition from;
        int32_t n;
        TwzCaretPosition to;
    };
    const Case cases[] = {
        { { 0, 2 }, 1, { 1, 0 } }, // over CR LF in one step
        { { 1, 0 }, -1, { 0, 2 } }, { { 1, 0 }, 1, { 1, 2 } }, // over the pair
        { { 1, 2 }, -1, { 1, 0 } },
        { { 2, 0 }, -1, { 1, 3 } }, // a lone LF: back to the end of the text, not before 'x'
        { { 1, 2 }, 1, { 1, 3 } }, { { 1, 3 }, 1, { 2, 0 } }, { { 0, 0 }, -1, { 0, 0 } },
        { { 2, 2 }, 1, { 2, 2 } }, { { 0, 0 }, 4, { 1, 0 } }, // CR LF counts as two units
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.Line << "," << c.from.Pos << " by " << c.n);
        EXPECT_EQ(memo->MovePosition(c.from, c.n), c.to);
    }
}

TEST_F(MemoTest, WordMovesStopAtSpacesOnly)
{
    TwzMemo* memo = Memo(u"one two,three  four\r\nnext");
    struct Case {
        TwzCaretPosition from;
        TwzCaretPosition left;
        TwzCaretPosition right;
    };
    const Case cases[] = {
        { { 0, 0 }, { 0, 0 }, { 0, 4 } },
        { { 0, 5 }, { 0, 4 }, { 0, 15 } }, // the comma does not separate words
        { { 0, 15 }, { 0, 4 }, { 0, 19 } },
        { { 0, 19 }, { 0, 15 }, { 1, 0 } }, // end of the line: the next line's start
        { { 1, 0 }, { 0, 19 }, { 1, 4 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.Line << "," << c.from.Pos);
        EXPECT_EQ(memo->WordLeft(c.from), c.left);
        EXPECT_EQ(memo->WordRight(c.from), c.right);
    }
}

TEST_F(MemoTest, WordWrapBreaksBeforeTheWordThatOverflows)
{
    TwzMemo* memo = Memo();
    const float content = RectWidth(memo->ContentRect());
    // Two five-letter words: the content fits the first with its space, not both.
    const float first = memo->TextWidth(u"Hello ");
    const float both = memo->TextWidth(u"Hello World");
    ASSERT_LT(first, both);
    memo->SetWidth(std::floor(first + (both - first) / 2) + 8);
    ASSERT_LT(RectWidth(memo->ContentRect()), content);
    memo->SetWordWrap(true);
    memo->SetText(u"Hello World\r\nWorld");
    EXPECT_EQ(LinesOf(*memo), (std::vector<std::u16string> { u"Hello ", u"World", u"World" }));
    // Places move through the wrapped lines: the end of "Hello " is the start of "World".
    EXPECT_EQ(memo->MovePosition({ 0, 5 }, 1), (TwzCaretPosition { 1, 0 }));

    // A paragraph that starts with a break character is not wrapped.
    memo->SetText(u" Hello World");
    EXPECT_EQ(memo->LineCount(), 1);

    // An overflowing first word overflows its own line, with no empty line before it.
    memo->SetText(u"Incomprehensibilities ok");
    ASSERT_GT(memo->TextWidth(u"Incomprehensibilities "), RectWidth(memo->ContentRect()));
    EXPECT_EQ(LinesOf(*memo), (std::vector<std::u16string> { u"Incomprehensibilities ", u"ok" }));

    // A wider memo wraps the text anew; the caret keeps its place in the text.
    memo->SetText(u"Hello World");
    memo->SetCaretPosition({ 1, 2 });
    ASSERT_EQ(memo->LineCount(), 2);
    memo->SetWidth(300);
    EXPECT_EQ(memo->LineCount(), 1);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 8 }));
    memo->SetText(u"Incomprehensibilities ok");
    memo->SetWidth(std::floor(first + (both - first) / 2) + 8);

    // Switching the wrap keeps the caret at its place in the text.
    memo->SetCaretPosition({ 1, 1 }); // after the 'o' of "ok"
    memo->SetWordWrap(false);
    EXPECT_EQ(memo->LineCount(), 1);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 23 }));
}

TEST_F(MemoTest, EditsKeepTheLineTableAsAFullRebuildWouldMakeIt)
{
    for (const bool wordWrap : { false, true }) {
        SCOPED_TRACE(wordWrap ? "word wrap" : "no word wrap");
        TwzMemo* memo = Memo(u"first line\r\nsecond\r\n\r\nthe longest line of them all\nlast", 120, 80);
        memo->SetWordWrap(wordWrap);
        std::mt19937 random(20261210);
        const std::u16string pieces[] = { u"x", u"\r\n", u"\r", u"\n", u"ab\r\ncd", u"\U0001F600", u" ",
            u"wide text here", u"\n\r", u"" };
        for (int step = 0; step < 160; ++step) {
            const int32_t length = static_cast<int32_t>(memo->GetText().size());
            const int32_t index = static_cast<int32_t>(random() % static_cast<uint32_t>(length + 1));
            const TwzCaretPosition at = memo->IndexToPos(index);
            const std::string before = rtl::Utf16ToUtf8(memo->GetText());
            std::string edit;
            if (random() % 2 == 0 || length > 300) {
                const int32_t count = static_cast<int32_t>(random() % 4);
                edit = "delete " + std::to_string(count);
                memo->DeleteText(at, count, 0);
            } else {
                const std::u16string& piece = pieces[random() % std::size(pieces)];
                edit = "insert '" + rtl::Utf16ToUtf8(piece) + "'";
                memo->InsertText(at, piece, 0);
            }
            const std::vector<int32_t> incremental = memo->LineStarts();
            const int32_t widest = memo->WidestLine();
            const float widestWidth = memo->LineWidth(widest);
            memo->RebuildLines();
            SCOPED_TRACE(testing::Message() << "step " << step << ": " << edit << " at (" << at.Line << ","
                                            << at.Pos << ") of '" << before << "'");
            ASSERT_EQ(incremental, memo->LineStarts());
            // The widest line (it matters without wrapping) is compared in whole pixels: a
            // line a fraction narrower may hold the place.
            if (!wordWrap) {
                ASSERT_NEAR(widestWidth, memo->LineWidth(memo->WidestLine()), 1.0f);
            }
            for (int32_t i = 0; i < memo->LineCount(); ++i) {
                const std::u16string_view raw = memo->LineRaw(i);
                // No line starts between CR and LF.
                ASSERT_FALSE(
                    i > 0 && !raw.empty() && raw.front() == u'\n' && memo->LineRaw(i - 1).back() == u'\r');
            }
        }
        if (wordWrap) {
            EXPECT_GT(memo->LineCount(),
                1 + static_cast<int32_t>(std::count(memo->GetText().begin(), memo->GetText().end(), u'\n')));
        }
        memo->Free();
    }
}

// Lines longer than a few hundred units are measured piece by piece and edits measure again
// only what they touched; the table, the widths and the places still come out as a full
// rebuild makes them. The paragraph repeats one sentence, so that after an edit the wrapped
// lines may never line up with the old ones again.
TEST_F(MemoTest, EditsInLongParagraphsKeepTheLinesAsAFullRebuildWouldMakeThem)
{
    const std::u16string sentence = u"Extruded lettering, set on a slab-like plate. ";
    std::u16string text;
    while (text.size() < 1400)
        text += sentence;
    text += u"\r\nshort\r\n" + std::u16string(700, u'w') + u" tail";
    for (const bool wordWrap : { false, true }) {
        SCOPED_TRACE(wordWrap ? "word wrap" : "no word wrap");
        TwzMemo* memo = Memo(text, 160, 80);
        memo->SetWordWrap(wordWrap);
        std::mt19937 random(20261211);
        const std::u16string pieces[] = { u"x", u" ", u"-", u"\r\n", u"\U0001F600", u"word, ", u"" };
        int32_t typing = 700; // a run of typing at one place first
        for (int step = 0; step < 70; ++step) {
            const int32_t length = static_cast<int32_t>(memo->GetText().size());
            const int32_t index = step < 12
                ? typing + step
                : static_cast<int32_t>(random() % static_cast<uint32_t>(length + 1));
            const TwzCaretPosition at = memo->IndexToPos(index);
            std::string edit;
            if (step >= 12 && random() % 3 == 0) {
                const int32_t count = static_cast<int32_t>(random() % 5);
                edit = "delete " + std::to_string(count);
                memo->DeleteText(at, count, 0);
            } else {
                const std::u16string& piece = step < 12 ? pieces[0] : pieces[random() % std::size(pieces)];
                edit = "insert '" + rtl::Utf16ToUtf8(piece) + "'";
                memo->InsertText(at, piece, 0);
            }
            SCOPED_TRACE(testing::Message() << "step " << step << ": " << edit << " at " << index);
            const std::vector<int32_t> incremental = memo->LineStarts();
            std::vector<float> widths;
            for (int32_t i = 0; i < memo->LineCount(); ++i)
                widths.push_back(memo->LineWidth(i));
            const int32_t widest = memo->WidestLine();
            const int32_t probe = memo->LineCount() / 2;
            const float probeX = memo->PositionToPoint({ probe, 333 }).X;
            memo->RebuildLines();
            ASSERT_EQ(incremental, memo->LineStarts());
            for (int32_t i = 0; i < memo->LineCount(); ++i)
                ASSERT_NEAR(widths[static_cast<size_t>(i)], memo->LineWidth(i), 0.5f) << "line " << i;
            if (!wordWrap) {
                ASSERT_NEAR(widths[static_cast<size_t>(widest)], memo->LineWidth(memo->WidestLine()), 1.0f);
            }
            ASSERT_NEAR(probeX, memo->PositionToPoint({ probe, 333 }).X, 0.5f);
        }
        memo->Free();
    }
}

namespace {

/// Counts the UTF-16 units it lays out for measuring and for drawing.
class TCountingCanvas : public TwzCanvasGdiPlus {
public:
    using TwzCanvasGdiPlus::TwzCanvasGdiPlus;
    void MeasureText(TwzRect& r, const TwzRect& clipRect, std::u16string_view text, bool wordWrap,
        TwzTextAlign horzAlign, TwzTextAlign vertAlign) override
    {
        measured += static_cast<int64_t>(text.size());
        TwzCanvasGdiPlus::MeasureText(r, clipRect, text, wordWrap, horzAlign, vertAlign);
    }
    void FillText(const TwzRect& r, const TwzRect& clipRect, std::u16string_view text, bool wordWrap,
        float opacity, TwzTextAlign horzAlign, TwzTextAlign vertAlign) override
    {
        drawn += static_cast<int64_t>(text.size());
        TwzCanvasGdiPlus::FillText(r, clipRect, text, wordWrap, opacity, horzAlign, vertAlign);
    }
    int64_t measured = 0;
    int64_t drawn = 0;
};

} // namespace

// A typed character costs about what the lines near it cost, whatever the length of its
// paragraph: the memo measures and draws a few lines' worth of text, not the paragraph.
TEST_F(MemoTest, TypingInALongParagraphLaysOutOnlyTheTextNearTheEdit)
{
    TCountingCanvas counting(&bitmap);
    scene->SetCanvas(&counting);
    std::u16string text;
    while (text.size() < 100000)
        text += u"Extruded lettering, set on a slab with round corners and a bevel. ";
    for (const bool wordWrap : { false, true }) {
        SCOPED_TRACE(wordWrap ? "word wrap" : "no word wrap");
        TwzMemo* memo = Memo(text, 180, 80);
        memo->SetWordWrap(wordWrap);
        Focus(*memo, memo->IndexToPos(50000));
        PaintAll();
        for (const char16_t* keys : { u"x", u"y z", u"\b" }) {
            counting.measured = 0;
            counting.drawn = 0;
            if (keys[0] == u'\b')
                Key(vk::kBack);
            else
                Type(keys);
            PaintAll();
            EXPECT_LT(counting.measured, 6000) << rtl::Utf16ToUtf8(keys);
            EXPECT_LT(counting.drawn, 3000) << rtl::Utf16ToUtf8(keys);
        }
        EXPECT_EQ(memo->GetText().substr(50000, 3), u"xy ");
        memo->Free();
    }
    scene->SetCanvas(canvas.get());
}

TEST_F(MemoTest, DeletionsNeverSplitPairs)
{
    TwzMemo* memo = Memo(u"ab\r\ncd\U0001F600e");
    memo->DeleteText({ 0, 2 }, 1, 0); // the CR takes its LF along
    EXPECT_EQ(memo->GetText(), u"abcd\U0001F600e");
    memo->DeleteText({ 0, 4 }, 1, 0); // the high half takes the low half along
    EXPECT_EQ(memo->GetText(), u"abcde");
}

TEST_F(MemoTest, MaxLengthCutsInsertionsWhole)
{
    TwzMemo* memo = Memo(u"abcd");
    memo->SetMaxLength(5);
    memo->InsertText({ 0, 4 }, u"xyz", 0);
    EXPECT_EQ(memo->GetText(), u"abcdx");
    memo->SetMaxLength(7);
    memo->InsertText({ 0, 0 }, u"1\U0001F600", 0); // room for two units: the pair does not fit
    EXPECT_EQ(memo->GetText(), u"1abcdx");
    // Room for two units: the line break does not fit either, and no lone CR is left.
    memo->SetMaxLength(8);
    memo->InsertText({ 0, 6 }, u"y\r\nz", 0);
    EXPECT_EQ(memo->GetText(), u"1abcdxy");
    EXPECT_EQ(memo->LineCount(), 1);
}

TEST_F(MemoTest, CharCaseConvertsStoredTexts)
{
    TwzMemo* memo = Memo(u"abc");
    memo->SetCharCase(ecUpperCase);
    EXPECT_EQ(memo->GetText(), u"abc"); // kept until the next store
    Focus(*memo);
    memo->SelectAll();
    Type(u"x\u00e9");
    EXPECT_EQ(memo->GetText(), u"X\u00c9");
    memo->SetCharCase(ecLowerCase);
    memo->SetText(u"MIXED Case");
    EXPECT_EQ(memo->GetText(), u"mixed case");
}

TEST_F(MemoTest, SelectionQueriesAndSelectAll)
{
    TwzMemo* memo = Memo();
    memo->SelectAll();
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition {}));
    EXPECT_EQ(memo->SelLength(), 0);

    memo->SetText(u"ab\r\ncd");
    memo->SelectAll();
    EXPECT_EQ(memo->SelText(), u"ab\r\ncd");
    EXPECT_EQ(memo->SelStart(), 0);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 2 }));
    memo->SetCaretPosition({ 0, 1 });
    memo->SelectWord();
    EXPECT_EQ(memo->SelText(), u"ab");
}

TEST_F(MemoTest, TextFromOutsideDropsSelectionAndUndo)
{
    TwzMemo* memo = Memo(u"some words");
    Focus(*memo, { 0, 10 });
    Type(u"!");
    ASSERT_FALSE(memo->UndoStack().Empty());
    memo->SelectAll();
    const int trackings = log->trackings;
    memo->SetText(u"new");
    EXPECT_TRUE(memo->UndoStack().Empty());
    EXPECT_FALSE(memo->GetSelected());
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 0, 3 }));
    EXPECT_EQ(log->trackings, trackings + 1);
    memo->Undo();
    EXPECT_EQ(memo->GetText(), u"new");
}

TEST_F(MemoTest, LinesFacadeEditsTheText)
{
    TwzMemo* memo = Memo();
    TwzWideStrings& lines = *memo->GetLines();
    lines.Add(u"one");
    lines.Add(u"three");
    lines.Insert(1, u"two");
    EXPECT_EQ(memo->GetText(), u"one\r\ntwo\r\nthree");
    lines.Delete(2);
    EXPECT_EQ(memo->GetText(), u"one\r\ntwo");
    lines.Delete(0);
    EXPECT_EQ(memo->GetText(), u"two");
    lines.Delete(5); // nothing
    lines.Delete(0);
    EXPECT_EQ(memo->GetText(), u"");
    EXPECT_EQ(lines.GetCount(), 0);

    lines.SetTextStr(u"a\nb\nc");
    EXPECT_EQ(memo->GetText(), u"a\r\nb\r\nc");
    EXPECT_EQ(lines.Get(7), u"");
    lines.Clear();
    EXPECT_EQ(memo->LineCount(), 0);
}

TEST_F(MemoTest, PaintsTextAndClipsTheSelectionToTheContent)
{
    TwzMemo* memo = Memo(u"WWWW\r\n\r\nWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 180, 60);
    Focus(*memo);
    memo->SelectAll();
    PaintAll();
    const TwzRect content = memo->ContentRect(); // (4, 3) inside the memo at (10, 10)
    // The long last line's selection stops at the content's right edge.
    const int y = static_cast<int>(10 + content.Top + 2.5f * static_cast<float>(memo->LineHeight()));
    EXPECT_EQ(Pixel(static_cast<int>(10 + content.Right) - 2, y), kSelectionColor);
    EXPECT_NE(Pixel(static_cast<int>(10 + content.Right) + 1, y), kSelectionColor);
    // Without the focus, HideSelection hides it; switched off, the selection shows.
    scene->SetFocused(nullptr);
    PaintAll();
    EXPECT_NE(Pixel(20, y), kSelectionColor);
    memo->SetHideSelection(false);
    PaintAll();
    EXPECT_EQ(Pixel(20, y), kSelectionColor);
    // Some text pixels were drawn on the first line.
    memo->SetHideSelection(true);
    PaintAll();
    bool inked = false;
    for (int x = 14; x < 40; ++x)
        for (int row = 14; row < 26; ++row)
            inked = inked || (Pixel(x, row) >> 24) != 0;
    EXPECT_TRUE(inked);
}

TEST_F(MemoTest, CaretMovesScrollTheTextIntoView)
{
    std::u16string text;
    for (int i = 0; i < 20; ++i)
        text += u"line " + rtl::Utf8ToUtf16(std::to_string(i)) + u"\r\n";
    text += u"the last line, which is much wider than the memo is, so that it scrolls sideways";
    TwzMemo* memo = Memo(text, 180, 80);
    TwzScrollBar* vbar = memo->GetVScrollBar();
    TwzScrollBar* hbar = memo->GetHScrollBar();
    ASSERT_NE(vbar, nullptr);
    ASSERT_NE(hbar, nullptr);
    EXPECT_TRUE(vbar->GetVisible());
    EXPECT_TRUE(hbar->GetVisible());
    const float lineHeight = static_cast<float>(memo->LineHeight());
    EXPECT_FLOAT_EQ(vbar->GetMax(), 21 * lineHeight);
    Focus(*memo);

    Key(vk::kEnd, Ctrl());
    const TwzRect content = memo->ContentRect();
    // The caret's line is in view, at the bottom, and so is the caret itself.
    EXPECT_GE(memo->VScrollValue() + RectHeight(content), 21 * lineHeight - 0.01f);
    EXPECT_LT(memo->VScrollValue(), 20 * lineHeight);
    const TwzPoint caret = memo->PositionToPoint(memo->GetCaretPosition());
    EXPECT_GE(caret.X, content.Left);
    EXPECT_LE(caret.X, content.Right);
    EXPECT_GT(memo->HScrollValue(), 0);
    // The content object follows the bar; the caret mark sits beside the text.
    EXPECT_FLOAT_EQ(memo->GetContent()->GetPosition()->GetY(), content.Top - memo->VScrollValue());
    TwzVisualObject* mark = memo->GetCaret();
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetParent(), memo->GetContent());
    EXPECT_NEAR(mark->GetPosition()->GetY() + memo->GetContent()->GetPosition()->GetY(), caret.Y, 1);

    Key(vk::kHome, Ctrl());
    EXPECT_FLOAT_EQ(memo->VScrollValue(), 0);
    EXPECT_FLOAT_EQ(memo->HScrollValue(), 0);

    // Page Down moves by the lines in view; the text follows.
    const int32_t page = static_cast<int32_t>(std::lround(memo->VisibleLineCount()));
    Key(vk::kNext);
    EXPECT_EQ(memo->GetCaretPosition().Line, page);
    Key(vk::kNext);
    EXPECT_EQ(memo->GetCaretPosition().Line, 2 * page);
    EXPECT_GT(memo->VScrollValue(), 0);
}

TEST_F(MemoTest, WheelScrollsTheLines)
{
    std::u16string text;
    for (int i = 0; i < 30; ++i)
        text += u"row\r\n";
    TwzMemo* memo = Memo(text, 180, 80);
    scene->SetMousePos({ 50, 40 });
    EXPECT_TRUE(scene->InjectWheel(-120));
    app->AdvanceTime(1000); // the wheel step is animated
    const float scrolled = memo->VScrollValue();
    EXPECT_GT(scrolled, 0);
    PaintAll(); // paints the lines in view only, from the scrolled one on
    EXPECT_TRUE(scene->InjectWheel(120));
    app->AdvanceTime(1000);
    EXPECT_LT(memo->VScrollValue(), scrolled);
}

TEST_F(MemoTest, TheBuiltInStyleServesTheDesignersTextEditor)
{
    scene->SetStyle(nullptr);
    // As the designer's inspector places it: 194 x 54, no word wrap, an initial text.
    auto* memo = Add<TwzMemo>("textEditor", { 3, 3, 194, 54 });
    memo->SetWordWrap(false);
    memo->SetText(u"Glyphforge");
    memo->OnChangeTracking.Bind<&TMemoLog::Tracking>(log);
    ASSERT_NE(memo->GetContentPart(), nullptr);
    EXPECT_NE(memo->GetVScrollBar(), nullptr);
    EXPECT_NE(memo->GetHScrollBar(), nullptr);
    auto* hud = Add<TwzHudMemo>("hudEditor", { 3, 60, 100, 30 });
    ASSERT_NE(hud->GetContentPart(), nullptr);
    EXPECT_EQ(hud->GetFontFill()->GetSolidColor(), 0xFFFFFFFFu); // "hudmemostyle", not "memostyle"
    EXPECT_FALSE(memo->GetVScrollBar()->GetVisible());
    memo->FocusObject();
    Key(vk::kEnd);
    Type(u" and a much longer tail that runs past the right edge");
    EXPECT_EQ(log->trackings, 53);
    EXPECT_TRUE(memo->GetHScrollBar()->GetVisible());
    EXPECT_GT(memo->HScrollValue(), 0);
    const TwzPoint caret = memo->PositionToPoint(memo->GetCaretPosition());
    EXPECT_LE(caret.X, memo->ContentRect().Right);
    Key(vk::kReturn);
    Type(u"2");
    EXPECT_EQ(memo->GetLines()->GetCount(), 2);
    EXPECT_FLOAT_EQ(memo->HScrollValue(), 0);
    PaintAll();
    // The style's light text is on its dark background somewhere in the first line.
    bool light = false;
    for (int x = 5; x < 60; ++x)
        for (int y = 5; y < 18; ++y)
            light = light || (Pixel(x, y) & 0xFF) > 0xA0;
    EXPECT_TRUE(light);
}

// Each typed character lays the memo out again; its focus glow is not rendered anew for
// that (it shows the memo's box, not its text), and the picture is the one a glow rendered
// anew gives, with word wrap and without.
TEST_F(MemoTest, TypingKeepsTheFocusGlowAsARenderedGlowShowsIt)
{
    scene->SetStyle(nullptr); // the built-in "memostyle" and its glow
    for (const bool wordWrap : { false, true }) {
        SCOPED_TRACE(wordWrap ? "word wrap" : "no word wrap");
        auto* memo = Add<TwzMemo>("Memo1", { 20, 20, 120, 50 });
        memo->SetWordWrap(wordWrap);
        memo->SetText(u"Extruded lettering on a slab");
        Focus(*memo, memo->IndexToPos(9));
        Settle();
        PaintAll();
        const auto glowAt = [&](int x, int y) { return Pixel(x, y) >> 24; };
        const uint32_t ringBefore = Pixel(17, 45);
        EXPECT_GT(glowAt(17, 45), 0x20u) << "the glow shows around the focused memo";
        EXPECT_GT((Pixel(17, 45) >> 16) & 0xFF, Pixel(17, 45) & 0xFF) << "in its orange";
        Type(u"x y");
        Key(vk::kBack);
        Type(u"z\r\nw");
        ASSERT_EQ(memo->GetText(), u"Extruded x z\r\nwlettering on a slab");
        PaintAll();
        EXPECT_EQ(Pixel(17, 45), ringBefore);
        std::vector<uint32_t> typed;
        for (int y = 0; y < bitmap.GetHeight(); ++y)
            for (int x = 0; x < bitmap.GetWidth(); ++x)
                typed.push_back(Pixel(x, y));
        memo->GetAppliedStyle()->UpdateEffects(); // the glow rendered from the memo as it is
        PaintAll();
        int differing = 0;
        for (int y = 0; y < bitmap.GetHeight(); ++y)
            for (int x = 0; x < bitmap.GetWidth(); ++x)
                differing += typed[static_cast<size_t>(y * bitmap.GetWidth() + x)] != Pixel(x, y) ? 1 : 0;
        EXPECT_EQ(differing, 0);
        memo->Free();
    }
}

TEST_F(MemoTest, ALongLineScrollsAndTakesClicksWhereTheyLand)
{
    std::u16string line;
    for (int i = 0; i < 600; ++i)
        line += u"word" + rtl::Utf8ToUtf16(std::to_string(i % 10)) + u" ";
    TwzMemo* memo = Memo(line, 180, 60);
    Focus(*memo);
    Key(vk::kEnd);
    const TwzRect content = memo->ContentRect();
    TwzPoint caret = memo->PositionToPoint(memo->GetCaretPosition());
    EXPECT_GE(caret.X, content.Left);
    EXPECT_LE(caret.X, content.Right);
    // A click in the scrolled view lands on the character under it.
    const TwzPoint click { content.Left + 60, content.Top + 5 };
    scene->InjectClick({ click.X + 10, click.Y + 10 });
    const TwzCaretPosition at = memo->GetCaretPosition();
    caret = memo->PositionToPoint(at);
    const float charWidth = memo->TextWidth(u"w");
    EXPECT_NEAR(caret.X, click.X, charWidth);
    EXPECT_GT(at.Pos, 3000);
    Key(vk::kHome);
    EXPECT_FLOAT_EQ(memo->HScrollValue(), 0);
}

TEST_F(MemoTest, AMemoReadBackFromItsStoredFormKeepsItsValues)
{
    TwzMemo* memo = Memo(u"Größe\r\n\U0001F600 zwei");
    memo->SetWordWrap(false);
    memo->SetMaxLength(40);
    memo->SetCharCase(ecUpperCase);
    memo->SetReadOnly(true);
    rtl::TMemoryStream stream;
    memo->SaveObjectAsText(stream);
    const std::string text(stream.Bytes().begin(), stream.Bytes().end());
    // WordWrap has no default, so it is stored even when off; the Lines facade never is.
    EXPECT_NE(text.find("WordWrap = False"), std::string::npos) << text;
    EXPECT_EQ(text.find("Lines"), std::string::npos) << text;
    stream.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromTextStream(form.get(), stream));
    auto* read = dynamic_cast<TwzMemo*>(copy.get());
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetText(), u"Größe\r\n\U0001F600 zwei");
    EXPECT_EQ(read->GetLines()->GetCount(), 2);
    EXPECT_EQ(read->GetMaxLength(), 40);
    EXPECT_EQ(read->GetCharCase(), ecUpperCase);
    EXPECT_TRUE(read->GetReadOnly());
    EXPECT_EQ(read->GetCursor(), -4);
}

// A memo read in a scene meets its text before its font: the lines are measured in the font
// it ends with, not in the one it had when the text came.
TEST_F(MemoTest, AMemoReadInASceneMeasuresItsTextInTheFontItWasReadWith)
{
    rtl::TOwned<TwzMemo> stored(new TwzMemo(nullptr));
    stored->SetText(u"Glyphforge");
    stored->GetFont()->SetSize(30);
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *stored);
    TwzMemo* memo = Memo();
    memo->SetWordWrap(false);
    stream.SetPosition(0);
    rtl::ReadComponentFromStream(stream, memo);
    ASSERT_EQ(memo->GetText(), u"Glyphforge");
    ASSERT_EQ(memo->GetFont()->GetSize(), 30);
    PaintAll();
    const float left = memo->PositionToPoint({ 0, 0 }).X;
    EXPECT_NEAR(memo->PositionToPoint({ 0, 10 }).X - left, memo->TextWidth(u"Glyphforge"), 0.5f);
    EXPECT_NEAR(memo->LineWidth(0), memo->TextWidth(u"Glyphforge"), 0.5f);
}

// A canvas measures in its font from its first measuring on, one that has drawn nothing yet
// too: lines measured before the first paint keep their widths through it, and the places on
// them are where the text is drawn.
TEST_F(MemoTest, LinesMeasuredOnACanvasThatHasDrawnNothingYetKeepTheirWidths)
{
    const std::u16string text = u"Glyphforge lettering";
    for (const bool wordWrap : { false, true }) {
        SCOPED_TRACE(wordWrap ? "word wrap" : "no word wrap");
        TwzCanvasGdiPlus fresh(&bitmap);
        scene->SetCanvas(&fresh);
        TwzMemo* memo = Memo();
        memo->SetWordWrap(wordWrap);
        memo->SetText(text); // measured now, before anything was drawn
        const float measured = memo->LineWidth(0);
        ASSERT_GT(measured, 0);
        PaintAll(); // drawing gives the canvas its font again as it restores its state
        app->ProcessMessages();
        EXPECT_FLOAT_EQ(memo->TextWidth(text), measured);
        EXPECT_FLOAT_EQ(memo->LineWidth(0), measured);
        const float left = memo->PositionToPoint({ 0, 0 }).X;
        EXPECT_NEAR(memo->PositionToPoint({ 0, static_cast<int32_t>(text.size()) }).X - left, measured, 0.5f);
        memo->Free();
        scene->SetCanvas(canvas.get());
    }
}
