// Extruded text: laid out by the 2D canvas in a box ten times the object's size, placed on
// the object's face by its alignment, stretched, wrapped over several lines, measured, and
// stored.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvText3D.h"

#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include "tests/support/Outlines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace scene3dtest;
using testsupport::Bounds;
using testsupport::Figures;

namespace {

/// The rows of ink: the figures' vertical extents merged where they overlap, top first.
std::vector<TwzRect> Rows(const TwzPolygon& points)
{
    std::vector<TwzRect> boxes;
    for (const TwzPolygon& figure : Figures(points))
        boxes.push_back(Bounds(figure));
    std::sort(boxes.begin(), boxes.end(), [](const TwzRect& a, const TwzRect& b) { return a.Top < b.Top; });
    std::vector<TwzRect> rows;
    for (const TwzRect& box : boxes) {
        if (!rows.empty() && box.Top <= rows.back().Bottom)
            rows.back() = RectUnion(rows.back(), box);
        else
            rows.push_back(box);
    }
    return rows;
}

double Perimeter(const TwzPolygon& figure)
{
    double sum = 0;
    for (size_t i = 1; i < figure.size(); ++i)
        sum += std::hypot(figure[i].X - figure[i - 1].X, figure[i].Y - figure[i - 1].Y);
    return sum;
}

class ThvText3DTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        m_previousClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
    }
    void TearDown() override
    {
        DefaultCanvasClass = m_previousClass;
        VisualFixture::TearDown();
    }

    /// A text in DejaVu Sans of size 5 (lines of about 6 layout units, in a box of 30 x 10).
    ThvText3D* MakeText(const std::u16string& value)
    {
        auto* text = Make<ThvText3D>();
        text->GetFont()->SetFamily("DejaVu Sans");
        text->GetFont()->SetSize(5);
        text->SetText(value);
        return text;
    }

    /// Paints the object as the render walk does; the extrusion lines it drew.
    std::vector<std::string> Paint(ThvVisualObject* object)
    {
        canvas->SetMatrix(object->GetAbsoluteMatrix());
        canvas->ClearLog();
        object->BeforePaint();
        object->Render();
        return canvas->Lines("FillPolygon");
    }

    const TwzCanvasClass* m_previousClass = nullptr;
};

std::string Box(const std::string& line)
{
    // "FillPolygon (c) (s) n o F--" -> "(c) (s)"
    const size_t first = line.find('(');
    const size_t second = line.find(") (") + 2;
    const size_t end = line.find(") ", second) + 1;
    return line.substr(first, end - first);
}

} // namespace

TEST_F(ThvText3DTest, ANewTextLaysOutInAThirtyByTenBoxAndIsThreeTenthsDeep)
{
    auto* text = Make<ThvText3D>();
    EXPECT_EQ(text->GetWidth(), 3);
    EXPECT_EQ(text->GetHeight(), 1);
    EXPECT_FLOAT_EQ(text->GetDepth(), 0.3f);
    EXPECT_EQ(text->GetFlatness(), 1);
    EXPECT_TRUE(text->GetZWrite());
    EXPECT_TRUE(text->GetWordWrap());
    EXPECT_FALSE(text->GetStretch());
    EXPECT_EQ(text->GetHorzTextAlign(), wzTextAlignCenter);
    EXPECT_EQ(text->GetVertTextAlign(), wzTextAlignCenter);

    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(5);
    text->SetText(u"Hi");
    const std::vector<std::string> lines = Paint(text);
    ASSERT_EQ(lines.size(), 3u);
    for (const std::string& line : lines)
        EXPECT_EQ(Box(line), "(1.5,0.5,0) (3,1,0.3)");
    EXPECT_EQ(RectToText(canvas->lastPolygonRect), RectToText(MakeRect(0, 0, 30, 10)));
}

TEST_F(ThvText3DTest, AnEmptyTextDrawsNothingAndMeasuresNothing)
{
    auto* text = MakeText(u"");
    scene->SetDesigning(true);
    canvas->SetMatrix(text->GetAbsoluteMatrix());
    canvas->ClearLog();
    text->BeforePaint();
    text->Render();
    scene->SetDesigning(false);
    EXPECT_TRUE(canvas->Lines("FillPolygon").empty());
    EXPECT_TRUE(canvas->Lines("DrawCube").empty());
    EXPECT_EQ(RectToText(text->GetTextBounds()), RectToText({}));
    EXPECT_EQ(text->GetOutlineLength(), 0);
}

TEST_F(ThvText3DTest, TextThatFitsKeepsItsAlignedPlaceOnTheFace)
{
    struct Case {
        const char* name;
        TwzTextAlign horz;
        bool wordWrap;
    };
    const Case cases[] = {
        { "centred, wrapping", wzTextAlignCenter, true },
        { "near, wrapping", wzTextAlignNear, true },
        { "far, wrapping", wzTextAlignFar, true },
        { "centred, one line", wzTextAlignCenter, false },
        { "near, one line", wzTextAlignNear, false },
        { "far, one line", wzTextAlignFar, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* text = MakeText(u"Hi there");
        text->SetHorzTextAlign(c.horz);
        text->SetWordWrap(c.wordWrap);
        const std::vector<std::string> lines = Paint(text);
        ASSERT_EQ(lines.size(), 3u);
        // The polygon is mapped through the layout box itself: one layout unit is a tenth of
        // an object unit wherever the ink is.
        EXPECT_EQ(Box(lines[0]), "(1.5,0.5,0) (3,1,0.3)");
        EXPECT_EQ(RectToText(canvas->lastPolygonRect), RectToText(MakeRect(0, 0, 30, 10)));
        const TwzRect ink = Bounds(canvas->lastPolygon);
        EXPECT_GT(ink.Left, 0);
        EXPECT_LT(ink.Right, 30);
        const float middle = (ink.Top + ink.Bottom) / 2;
        EXPECT_NEAR(middle, 5, 1.5);
        switch (c.horz) {
        case wzTextAlignCenter:
            EXPECT_NEAR((ink.Left + ink.Right) / 2, 15, 1);
            break;
        case wzTextAlignNear:
            EXPECT_LT(ink.Left, 1.5);
            break;
        case wzTextAlignFar:
            EXPECT_GT(ink.Right, 28.5);
            break;
        }
    }
}

TEST_F(ThvText3DTest, ALineWiderThanTheBoxGrowsTheBoxWhenFarAlignedAndIsSqueezedOtherwise)
{
    struct Case {
        const char* name;
        TwzTextAlign horz;
        bool grows;
    };
    const Case cases[] = {
        { "far", wzTextAlignFar, true },
        { "centred", wzTextAlignCenter, false },
        { "near", wzTextAlignNear, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* text = MakeText(u"A line much wider than thirty units");
        text->SetWordWrap(false);
        text->SetHorzTextAlign(c.horz);
        const std::vector<std::string> lines = Paint(text);
        ASSERT_EQ(lines.size(), 3u);
        const TwzRect ink = Bounds(canvas->lastPolygon);
        const TwzRect& rect = canvas->lastPolygonRect;
        EXPECT_GT(RectWidth(ink), 30);
        if (c.grows) {
            // The box takes the line's measured width, still centred on the object.
            EXPECT_LT(rect.Left, 0);
            EXPECT_EQ(rect.Right, 30);
            EXPECT_LE(rect.Left, ink.Left + 0.5f);
            EXPECT_EQ(Box(lines[0]), "(1.5,0.5,0) (" + hvFloatToStr(RectWidth(rect) / 10) + ",1,0.3)");
        } else {
            // The box stays the face: the wider ink is mapped into it.
            EXPECT_EQ(RectToText(rect), RectToText(MakeRect(0, 0, 30, 10)));
            EXPECT_EQ(Box(lines[0]), "(1.5,0.5,0) (3,1,0.3)");
        }
    }
}

TEST_F(ThvText3DTest, StretchedTextFillsTheWholeFace)
{
    auto* text = MakeText(u"Wide");
    text->SetWidth(5);
    text->SetHeight(2);
    text->SetStretch(true);
    const std::vector<std::string> lines = Paint(text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(Box(lines[0]), "(2.5,1,0) (5,2,0.3)");
    EXPECT_TRUE(RectIsEmpty(canvas->lastPolygonRect));
    EXPECT_EQ(RectToText(text->GetTextBounds()), RectToText(MakeRect(0, 0, 5, 2)));
}

TEST_F(ThvText3DTest, SeveralLinesAreLaidOutOneBelowTheOtherInTheirAlignment)
{
    struct Case {
        const char* name;
        std::u16string value;
        float width, height;
        TwzTextAlign horz;
        size_t rows;
    };
    const Case cases[] = {
        { "line breaks, centred", u"One\nTwo\nThree", 3, 3, wzTextAlignCenter, 3 },
        { "line breaks, near", u"One\nTwo\nThree", 3, 3, wzTextAlignNear, 3 },
        { "line breaks, far", u"One\nTwo\nThree", 3, 3, wzTextAlignFar, 3 },
        // No two of the words fit a line of 15 units together.
        { "wrapped words", u"One two three", 1.5f, 3, wzTextAlignNear, 3 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* text = MakeText(c.value);
        text->SetWidth(c.width);
        text->SetHeight(c.height);
        text->SetHorzTextAlign(c.horz);
        Paint(text);
        const std::vector<TwzRect> rows = Rows(canvas->lastPolygon);
        ASSERT_EQ(rows.size(), c.rows);
        const float right = 10 * c.width;
        for (size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(i);
            if (i > 0) { // evenly spaced, top to bottom
                EXPECT_NEAR(rows[i].Bottom - rows[i - 1].Bottom, rows[1].Bottom - rows[0].Bottom, 0.5);
            }
            if (c.horz == wzTextAlignCenter) {
                EXPECT_NEAR((rows[i].Left + rows[i].Right) / 2, right / 2, 1);
            } else if (c.horz == wzTextAlignNear) {
                EXPECT_LT(rows[i].Left, 1.5);
            } else {
                EXPECT_GT(rows[i].Right, right - 1.5);
            }
        }
        // The block is centred vertically in the layout box.
        EXPECT_NEAR((rows.front().Top + rows.back().Bottom) / 2, 5 * c.height, 1.5);
    }
}

TEST_F(ThvText3DTest, TheFontSizeScalesTheLetters)
{
    auto* small = MakeText(u"H");
    Paint(small);
    const float smallHeight = RectHeight(Bounds(canvas->lastPolygon));
    auto* large = MakeText(u"H");
    large->GetFont()->SetSize(8);
    Paint(large);
    EXPECT_NEAR(RectHeight(Bounds(canvas->lastPolygon)) / smallHeight, 8.0 / 5, 0.02);
}

TEST_F(ThvText3DTest, TextBoundsAreTheLaidOutBlockFromTheTopLeftCorner)
{
    auto* one = MakeText(u"Hi");
    const TwzRect bounds = one->GetTextBounds();
    EXPECT_EQ(bounds.Left, 0);
    EXPECT_EQ(bounds.Top, 0);
    Paint(one);
    const TwzRect ink = Bounds(canvas->lastPolygon);
    EXPECT_GE(bounds.Right * 10, RectWidth(ink));
    EXPECT_LT(bounds.Right * 10, RectWidth(ink) + 4);
    EXPECT_GE(bounds.Bottom * 10, RectHeight(ink));

    auto* two = MakeText(u"Hi\nHi");
    const TwzRect twoLines = two->GetTextBounds();
    EXPECT_NEAR(twoLines.Bottom, 2 * bounds.Bottom, 0.05);
    EXPECT_FLOAT_EQ(twoLines.Right, bounds.Right);
}

TEST_F(ThvText3DTest, TheOutlineLengthRunsAroundEveryFigureAndBetweenThem)
{
    // In a sans-serif face an "I" is a plain bar.
    auto* one = MakeText(u"I");
    Paint(one);
    const std::vector<TwzPolygon> bar = Figures(canvas->lastPolygon);
    ASSERT_EQ(bar.size(), 1u);
    const TwzRect barBox = Bounds(bar[0]);
    EXPECT_NEAR(Perimeter(bar[0]), 2 * (RectWidth(barBox) + RectHeight(barBox)), 1e-3);
    EXPECT_NEAR(one->GetOutlineLength(), Perimeter(bar[0]) / 10, 1e-4);

    auto* two = MakeText(u"II");
    Paint(two);
    const std::vector<TwzPolygon> bars = Figures(canvas->lastPolygon);
    ASSERT_EQ(bars.size(), 2u);
    // Both bars start at the same corner, so the step between them is the advance.
    const double step = Bounds(bars[1]).Left - Bounds(bars[0]).Left;
    EXPECT_NEAR(two->GetOutlineLength(), (Perimeter(bars[0]) + Perimeter(bars[1]) + step) / 10, 1e-3);
}

TEST_F(ThvText3DTest, ChangesRepaintExceptWordWrap)
{
    auto* text = MakeText(u"a");
    struct Case {
        const char* name;
        std::function<void()> change;
        bool repaints;
    };
    const Case cases[] = {
        { "text", [&] { text->SetText(u"b"); }, true },
        { "same text", [&] { text->SetText(u"b"); }, false },
        { "horizontal alignment", [&] { text->SetHorzTextAlign(wzTextAlignFar); }, true },
        { "vertical alignment", [&] { text->SetVertTextAlign(wzTextAlignNear); }, true },
        { "stretch", [&] { text->SetStretch(true); }, true },
        { "font", [&] { text->GetFont()->SetSize(9); }, true },
        { "word wrap", [&] { text->SetWordWrap(false); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->updateRequests = 0;
        c.change();
        EXPECT_EQ(scene->updateRequests > 0, c.repaints);
    }
    EXPECT_FALSE(text->GetWordWrap());
}

namespace {

/// The 2D canvas class that counts the canvases made from it: one per layout of a text.
struct CountingCanvas {
    static inline int made = 0;
    static std::unique_ptr<TwzCanvas> Create(int32_t width, int32_t height)
    {
        ++made;
        return TwzCanvasGdiPlusClass.Create(width, height);
    }
    static const TwzCanvasClass& Class()
    {
        static const TwzCanvasClass counting { TwzCanvasGdiPlusClass.classInfo, &Create,
            TwzCanvasGdiPlusClass.createFromBitmap, TwzCanvasGdiPlusClass.getBitmapScanline };
        return counting;
    }
};

} // namespace

TEST_F(ThvText3DTest, UnchangedLetteringIsLaidOutOnceForAllItsPaintsAndQueries)
{
    DefaultCanvasClass = &CountingCanvas::Class();
    CountingCanvas::made = 0;
    auto* text = MakeText(u"Kept\nlines");
    const std::vector<std::string> first = Paint(text);
    const TwzPolygon polygon = canvas->lastPolygon;
    ASSERT_FALSE(polygon.empty());
    EXPECT_EQ(CountingCanvas::made, 1);

    // Neither a repaint nor what only places or colours the lettering lays it out again.
    EXPECT_EQ(Paint(text), first);
    text->SetDepth(0.7f);
    text->GetPosition()->SetX(2);
    text->GetMaterial()->SetDiffuse("#FF123456");
    text->SetOpacity(0.5f);
    text->SetSides({ hvShape3DFront, hvShape3DLeft });
    const std::vector<std::string> moved = Paint(text);
    EXPECT_EQ(canvas->lastPolygon, polygon);
    EXPECT_EQ(CountingCanvas::made, 1);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_NE(moved[0].find(",0.7) "), std::string::npos) << moved[0];

    // The bounds and the length are measured once each.
    const TwzRect bounds = text->GetTextBounds();
    const float length = text->GetOutlineLength();
    EXPECT_EQ(CountingCanvas::made, 3);
    EXPECT_EQ(text->GetTextBounds(), bounds);
    EXPECT_EQ(text->GetOutlineLength(), length);
    EXPECT_EQ(CountingCanvas::made, 3);
}

TEST_F(ThvText3DTest, EachChangeOfWhatTheLetteringIsMadeOfLaysItOutAgainAsANewObjectWould)
{
    DefaultCanvasClass = &CountingCanvas::Class();
    // Each change goes to a text painted and measured all along and to a new one that takes
    // every change so far before its first paint.
    struct Case {
        const char* name;
        std::function<void(ThvText3D*)> change;
    };
    const Case cases[] = {
        { "text", [](ThvText3D* t) { t->SetText(u"Other words to wrap"); } },
        { "font family", [](ThvText3D* t) { t->GetFont()->SetFamily("DejaVu Serif"); } },
        { "font style", [](ThvText3D* t) { t->GetFont()->SetStyle(hvFontItalic); } },
        { "font size", [](ThvText3D* t) { t->GetFont()->SetSize(4); } },
        { "width", [](ThvText3D* t) { t->SetWidth(2.5f); } },
        { "height", [](ThvText3D* t) { t->SetHeight(3); } },
        { "horizontal alignment", [](ThvText3D* t) { t->SetHorzTextAlign(wzTextAlignFar); } },
        { "vertical alignment", [](ThvText3D* t) { t->SetVertTextAlign(wzTextAlignNear); } },
        { "word wrap", [](ThvText3D* t) { t->SetWordWrap(false); } },
        { "flatness", [](ThvText3D* t) { t->SetFlatness(6); } },
        { "stretch", [](ThvText3D* t) { t->SetStretch(true); } },
        { "text while stretched", [](ThvText3D* t) { t->SetText(u"Stretched"); } },
    };
    auto* kept = MakeText(u"Kept words wrap");
    Paint(kept);
    std::vector<std::function<void(ThvText3D*)>> applied;
    TwzPolygon previous = canvas->lastPolygon;
    std::vector<std::string> previousLines;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(kept);
        applied.push_back(c.change);
        const int before = CountingCanvas::made;
        const std::vector<std::string> lines = Paint(kept);
        const TwzPolygon polygon = canvas->lastPolygon;
        const TwzRect rect = canvas->lastPolygonRect;
        EXPECT_EQ(CountingCanvas::made, before + 1) << "laid out once";
        EXPECT_TRUE(polygon != previous || lines != previousLines) << "the change shows";
        previous = polygon;
        previousLines = lines;

        auto* fresh = MakeText(u"Kept words wrap");
        for (const auto& change : applied)
            change(fresh);
        EXPECT_EQ(Paint(fresh), lines);
        EXPECT_EQ(canvas->lastPolygon, polygon);
        EXPECT_EQ(canvas->lastPolygonRect, rect);
        EXPECT_EQ(kept->GetTextBounds(), fresh->GetTextBounds());
        EXPECT_EQ(kept->GetOutlineLength(), fresh->GetOutlineLength());
    }
}

TEST_F(ThvText3DTest, TheDesignBoxFramesTheObjectWhileDesigning)
{
    auto* text = MakeText(u"Hi");
    scene->SetDesigning(true);
    canvas->SetMatrix(text->GetAbsoluteMatrix());
    canvas->ClearLog();
    text->BeforePaint();
    text->Render();
    scene->SetDesigning(false);
    ASSERT_GE(canvas->log.size(), 2u);
    EXPECT_EQ(canvas->log[canvas->log.size() - 2], "MaterialChanged #8060A799 ");
    EXPECT_EQ(canvas->log.back(), "DrawCube (1.5,0.5,0) (3,1,0.3) 1");
}

TEST_F(ThvText3DTest, TextFontAndLayoutAreStored)
{
    RegisterTestClasses3D();
    rtl::RegisterClass<ThvText3D>();
    auto* text = MakeText(u"Gr\u00fc\u00dfe\nzwei");
    text->GetFont()->SetStyle(hvFontBold);
    text->SetWordWrap(false);
    text->SetStretch(true);
    text->SetHorzTextAlign(wzTextAlignFar);
    text->SetVertTextAlign(wzTextAlignNear);
    text->SetHeight(4); // the extruded shapes' default, not the text's
    text->SetWidth(1); // a plain object's default, not the text's
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *text);
    stream.SetPosition(0);
    auto* copy = dynamic_cast<ThvText3D*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetText(), u"Gr\u00fc\u00dfe\nzwei");
    EXPECT_EQ(copy->GetFont()->GetFamily(), "DejaVu Sans");
    EXPECT_EQ(copy->GetFont()->GetStyle(), hvFontBold);
    EXPECT_FALSE(copy->GetWordWrap());
    EXPECT_TRUE(copy->GetStretch());
    EXPECT_EQ(copy->GetHorzTextAlign(), wzTextAlignFar);
    EXPECT_EQ(copy->GetVertTextAlign(), wzTextAlignNear);
    EXPECT_EQ(copy->GetHeight(), 4);
    EXPECT_EQ(copy->GetWidth(), 1);
    EXPECT_FLOAT_EQ(copy->GetDepth(), 0.3f);
}
