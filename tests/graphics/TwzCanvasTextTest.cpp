// Text on the 2D canvas: drawing with alignment and wrapping, measuring, and glyph outlines
// in path data. Expected sizes come from the canvas's own measuring; the tests check how
// drawing, measuring and outlines agree and where the text lands.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/raster/FontFamily.h"
#include "platform/raster/Surface.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using platform::raster::FontFamily;

/// Bounds of the pixels with any ink.
struct Ink {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1; // inclusive
    bool Empty() const { return right < left; }
    float CenterX() const { return (left + right + 1) / 2.0f; }
    float CenterY() const { return (top + bottom + 1) / 2.0f; }
};

class CanvasTextTest : public ::testing::Test {
protected:
    CanvasTextTest()
        : canvas(64, 64)
    {
        canvas.SetMatrix(IdentityMatrix);
        Clear();
        canvas.GetFill().SetSolidColor(0xFF000000);
        canvas.GetFont().SetFamily("DejaVu Sans");
        canvas.GetFont().SetSize(12);
    }

    void Clear() { canvas.ClearRect({ 0, 0, 64, 64 }, 0); }

    Ink InkBounds() const
    {
        Ink ink;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                if (canvas.GetBufferSurface()->Pixel(x, y) >> 24 > 40) {
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.top = std::min(ink.top, y);
                    ink.bottom = std::max(ink.bottom, y);
                }
        return ink;
    }

    TwzRect Measure(std::u16string_view text, TwzRect r, bool wrap = false, TwzTextAlign h = wzTextAlignNear,
        TwzTextAlign v = wzTextAlignNear)
    {
        canvas.MeasureText(r, r, text, wrap, h, v);
        return r;
    }

    TwzCanvasGdiPlus canvas;
};

TEST_F(CanvasTextTest, AlignmentPlacesTheTextInItsRectangle)
{
    const TwzRect r { 4, 4, 60, 60 };
    struct Case {
        TwzTextAlign h, v;
        float x, y; // where the ink's centre is expected
    };
    const Case cases[] = {
        { wzTextAlignCenter, wzTextAlignCenter, 32, 32 },
        { wzTextAlignNear, wzTextAlignCenter, -1, 32 },
        { wzTextAlignFar, wzTextAlignCenter, -2, 32 },
        { wzTextAlignCenter, wzTextAlignNear, 32, -1 },
        { wzTextAlignCenter, wzTextAlignFar, 32, -2 },
    };
    for (bool wrap : { false, true }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.h) + "/" + std::to_string(c.v) + (wrap ? " wrapped" : ""));
            Clear();
            canvas.FillText(r, r, u"Hxn", wrap, 1, c.h, c.v);
            const Ink ink = InkBounds();
            ASSERT_FALSE(ink.Empty());
            if (c.x == -1)
                EXPECT_NEAR(ink.left, 5, 2) << "left";
            else if (c.x == -2)
                EXPECT_NEAR(ink.right, 59, 2) << "right";
            else
                EXPECT_NEAR(ink.CenterX(), c.x, 1.5);
            if (c.y == -1)
                EXPECT_NEAR(ink.top, 7, 3) << "top: the line's ascent above the capitals";
            else if (c.y == -2)
                EXPECT_NEAR(ink.bottom, 57, 3) << "bottom: the line's descent below the baseline";
            else
                EXPECT_NEAR(ink.CenterY(), c.y, 3);
        }
    }
}

TEST_F(CanvasTextTest, WrappedTextBreaksIntoLinesAndUnwrappedTextRunsOn)
{
    const TwzRect r { 2, 2, 30, 62 };
    canvas.FillText(r, r, u"nn nn nn nn", true, 1, wzTextAlignNear, wzTextAlignNear);
    const Ink wrapped = InkBounds();
    Clear();
    canvas.FillText(r, r, u"nn nn nn nn", false, 1, wzTextAlignNear, wzTextAlignNear);
    const Ink unwrapped = InkBounds();
    EXPECT_LE(wrapped.right, 30);
    EXPECT_GT(wrapped.bottom - wrapped.top, 2 * (unwrapped.bottom - unwrapped.top)) << "several lines";
    EXPECT_GT(unwrapped.right, 40) << "one line, not clipped to the rectangle";
}

TEST_F(CanvasTextTest, MeasuredBoxHoldsTheDrawnInk)
{
    for (bool wrap : { false, true }) {
        SCOPED_TRACE(wrap);
        Clear();
        const TwzRect r { 6, 10, 58, 50 };
        canvas.FillText(r, r, u"Wq jy", wrap, 1, wzTextAlignNear, wzTextAlignNear);
        const Ink ink = InkBounds();
        const TwzRect box = Measure(u"Wq jy", r, wrap);
        EXPECT_LE(box.Left, ink.left + 1);
        EXPECT_LE(box.Top, ink.top + 1);
        EXPECT_GE(box.Right, ink.right);
        EXPECT_GE(box.Bottom, ink.bottom);
        EXPECT_LT(RectWidth(box), ink.right - ink.left + 6);
    }
}

TEST_F(CanvasTextTest, MeasuringCountsTrailingBlanksAndAnchorsUnwrappedTextAtLeft)
{
    const TwzRect r { 20, 0, 40, 20 };
    const TwzRect plain = Measure(u"ab", r);
    const TwzRect blank = Measure(u"ab ", r);
    EXPECT_GT(RectWidth(blank), RectWidth(plain) + 1);
    EXPECT_FLOAT_EQ(plain.Left, 20);

    const TwzRect centred = Measure(u"ab", r, false, wzTextAlignCenter);
    EXPECT_NEAR((centred.Left + centred.Right) / 2, 20, 0.01) << "centred on Left";
    const TwzRect far = Measure(u"ab", r, false, wzTextAlignFar);
    EXPECT_NEAR(far.Right, 20, 0.01) << "ending at Left";

    struct Case {
        bool wrap;
        TwzRect expected;
    };
    for (const Case& c : { Case { false, { 20, 0, 20, 20 } }, { true, r } }) {
        SCOPED_TRACE(c.wrap);
        EXPECT_EQ(Measure(u"", r, c.wrap), c.expected) << "empty text";
    }
    EXPECT_EQ(canvas.TextWidth(u""), 0);
    EXPECT_NEAR(canvas.TextWidth(u"ab"), RectWidth(plain), 0.01);
    EXPECT_NEAR(canvas.TextWidth(u"ab\0cd"), RectWidth(plain), 0.01) << "a text ends at U+0000";
}

TEST_F(CanvasTextTest, ACanvasWithoutBufferStillMeasuresAndOutlines)
{
    const float width = canvas.TextWidth(u"Glyphforge");
    try {
        canvas.ResizeBackBuffer(100000, 100000);
    } catch (const rtl::GraphicsError&) { }
    ASSERT_EQ(canvas.GetBufferBits(), nullptr);
    EXPECT_NEAR(canvas.TextWidth(u"Glyphforge"), width, 0.5);
    TwzPathData path;
    EXPECT_TRUE(canvas.TextToPath(path, { 0, 0, 100, 20 }, u"o", false));
    EXPECT_FALSE(path.IsEmpty());
    canvas.FillText({ 0, 0, 10, 10 }, {}, u"x", false, 1); // nowhere to draw: nothing happens
}

TEST_F(CanvasTextTest, FractionalScalesMeasureAlikeWhateverTheTextQuality)
{
    TwzMatrix m = IdentityMatrix;
    m.m11 = m.m22 = 1.5f;
    canvas.SetMatrix(m);
    std::vector<float> widths;
    for (TwzTextRendering quality : { wzAntiAlias, wzClearType, wzLowQuality }) {
        canvas.SetTextRendering(quality);
        widths.push_back(canvas.TextWidth(u"Glyphforge"));
    }
    EXPECT_FLOAT_EQ(widths[0], widths[1]);
    EXPECT_FLOAT_EQ(widths[0], widths[2]);
    EXPECT_EQ(canvas.GetTextRendering(), wzLowQuality);
}

TEST_F(CanvasTextTest, FamiliesResolveToInstalledOnesAndTheFirstFamilyIsTheFonts)
{
    TwzCanvasGdiPlus fresh(4, 4);
    EXPECT_EQ(fresh.GetFont().GetFamily(), "Tahoma");
    const std::optional<FontFamily> tahoma = FontFamily::FromName("Tahoma");
    EXPECT_EQ(fresh.GetFontFamily(), tahoma ? *tahoma : FontFamily::GenericSansSerif())
        << "a new canvas draws in the family its font names";
    fresh.GetFont().SetFamily("No Such Family Anywhere");
    EXPECT_EQ(fresh.GetFontFamily(), FontFamily::GenericSansSerif());
    fresh.GetFont().SetFamily("DejaVu Serif");
    EXPECT_EQ(fresh.GetFontFamily().Name(), "DejaVu Serif");
}

// A canvas measures and draws in the family its font names from its first measurement on,
// whatever kind of canvas it is, and drawing (which saves and restores the font) changes
// nothing of it.
TEST_F(CanvasTextTest, ANewCanvasMeasuresWithItsFontFromTheFirstMeasurement)
{
    const std::u16string_view text = u"Glyphforge lettering";
    // What text in the default family measures, on a canvas whose font was set.
    TwzCanvasGdiPlus named(64, 64);
    named.GetFont().SetFamily("DejaVu Serif");
    named.GetFont().SetFamily(TwzFont::kDefaultFamily);
    const float width = named.TextWidth(text);
    ASSERT_GT(width, 0);
    TwzBitmap pixels(64, 64);
    TwzCanvasGdiPlus buffered(64, 64);
    TwzCanvasGdiPlus onBitmap(&pixels);
    for (TwzCanvasGdiPlus* fresh : { &buffered, &onBitmap }) {
        SCOPED_TRACE(fresh == &buffered ? "back-buffered" : "on a bitmap");
        EXPECT_EQ(fresh->GetFont().GetFamily(), TwzFont::kDefaultFamily);
        EXPECT_FLOAT_EQ(fresh->TextWidth(text), width) << "the first measurement";
        const int32_t state = fresh->SaveState();
        fresh->FillText({ 0, 0, 64, 20 }, { 0, 0, 64, 20 }, text, false, 1);
        fresh->RestoreState(state);
        EXPECT_FLOAT_EQ(fresh->TextWidth(text), width) << "after drawing";
    }
}

TEST_F(CanvasTextTest, AFamilyWithoutTheStyleStillDrawsMeasuresAndOutlines)
{
    // Z003 has only an italic face.
    const std::optional<FontFamily> family = FontFamily::FromName("Z003");
    if (!family || family->Name() != "Z003" || family->IsStyleAvailable(platform::raster::FontStyle::Bold))
        GTEST_SKIP() << "no installed family without a bold face";
    canvas.GetFont().SetFamily("Z003");
    canvas.GetFont().SetStyle(wzFontBold);
    canvas.GetFont().SetSize(20);
    canvas.FillText({ 0, 0, 64, 64 }, {}, u"Ab", false, 1);
    EXPECT_FALSE(InkBounds().Empty());
    EXPECT_GT(canvas.TextWidth(u"Ab"), 5);
    TwzPathData path;
    EXPECT_TRUE(canvas.TextToPath(path, { 0, 0, 64, 64 }, u"Ab", false));
    EXPECT_FALSE(path.IsEmpty());
}

// ---- outlines -----------------------------------------------------------------------------

/// One figure of path data: its points (curve control points included) and whether it was
/// closed.
struct Figure {
    std::vector<TwzPoint> points;
    bool closed = false;
    bool startsWithMove = false;

    /// Twice the signed area of the control polygon, y pointing down: positive for a figure
    /// running clockwise on screen.
    double Area() const
    {
        double s = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            const TwzPoint& a = points[i];
            const TwzPoint& b = points[(i + 1) % points.size()];
            s += double(a.X) * b.Y - double(b.X) * a.Y;
        }
        return s;
    }
    bool Contains(TwzPoint p) const
    {
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const TwzPoint& a = points[i];
            const TwzPoint& b = points[j];
            if ((a.Y > p.Y) != (b.Y > p.Y) && p.X < (b.X - a.X) * (p.Y - a.Y) / (b.Y - a.Y) + a.X)
                inside = !inside;
        }
        return inside;
    }
};

std::vector<Figure> Figures(const TwzPathData& path)
{
    std::vector<Figure> figures;
    for (const TwzPathPoint& e : path.Points()) {
        if (e.Kind == wzPathPointMoveTo || figures.empty() || figures.back().closed) {
            figures.emplace_back();
            figures.back().startsWithMove = e.Kind == wzPathPointMoveTo;
        }
        if (e.Kind == wzPathPointClose)
            figures.back().closed = true;
        else
            figures.back().points.push_back(e.Point);
    }
    return figures;
}

TEST_F(CanvasTextTest, OutlinesOfAWordLieInTheMeasuredBoxWithHolesTurnedAgainstTheirContours)
{
    for (const char* family : { "DejaVu Sans", "Liberation Sans", "Nimbus Sans" }) {
        const std::optional<FontFamily> installed = FontFamily::FromName(family);
        if (!installed || installed->Name() != family) {
            std::printf("%s is not installed; not checked\n", family);
            continue;
        }
        SCOPED_TRACE(family);
        canvas.GetFont().SetFamily(family);
        canvas.GetFont().SetSize(40);
        const TwzRect r { 0, 0, 400, 100 };
        TwzPathData path;
        ASSERT_TRUE(canvas.TextToPath(path, r, u"Glyphforge", false, wzTextAlignNear, wzTextAlignCenter));
        ASSERT_FALSE(path.IsEmpty());

        // Glyph outlines lie inside the line's box and fill most of its width.
        TwzRect box = r;
        canvas.MeasureText(box, r, u"Glyphforge", false, wzTextAlignNear, wzTextAlignCenter);
        const TwzRect bounds = path.GetBounds();
        EXPECT_GE(bounds.Left, box.Left - 1);
        EXPECT_LE(bounds.Right, box.Right + 1);
        EXPECT_GE(bounds.Top, box.Top - 1);
        EXPECT_LE(bounds.Bottom, box.Bottom + 1);
        EXPECT_GT(RectWidth(bounds), RectWidth(box) * 0.85f);

        // p, o, g and e have one hole each: the figures inside another run the other way.
        const std::vector<Figure> figures = Figures(path);
        int holes = 0;
        for (size_t i = 0; i < figures.size(); ++i) {
            EXPECT_TRUE(figures[i].closed);
            EXPECT_TRUE(figures[i].startsWithMove);
            bool nested = false;
            for (size_t j = 0; j < figures.size(); ++j)
                nested |= j != i && figures[j].Contains(figures[i].points.front());
            holes += nested;
            if (nested)
                EXPECT_LT(figures[i].Area(), 0) << "hole " << i;
            else
                EXPECT_GT(figures[i].Area(), 0) << "outer contour " << i;
        }
        EXPECT_EQ(holes, 4);
    }
}

TEST_F(CanvasTextTest, TextToPathReplacesThePathAndLeavesItAloneForNoText)
{
    TwzPathData path;
    path.MoveTo({ 1, 1 });
    path.LineTo({ 2, 2 });
    int changes = 0;
    struct Counter : rtl::TObject {
        int* n;
        void Changed(rtl::TObject*) { ++*n; }
    } counter;
    counter.n = &changes;
    path.OnChanged.Bind<&Counter::Changed>(&counter);

    EXPECT_FALSE(canvas.TextToPath(path, { 0, 0, 100, 100 }, u"", false));
    EXPECT_EQ(path.Count(), 2);
    EXPECT_EQ(changes, 0);

    ASSERT_TRUE(canvas.TextToPath(path, { 0, 0, 100, 100 }, u"O", false));
    EXPECT_EQ(changes, 1);
    const std::vector<Figure> figures = Figures(path);
    ASSERT_EQ(figures.size(), 2u) << "the old elements are gone: only the two contours of O";
    for (const Figure& f : figures) {
        EXPECT_TRUE(f.startsWithMove);
        EXPECT_TRUE(f.closed);
    }
    path.OnChanged.Clear();
}

TEST_F(CanvasTextTest, OutlinesAreAsLargeAsTheDrawnTextWhateverTheTransform)
{
    canvas.GetFont().SetSize(30);
    const TwzRect r { 0, 0, 64, 64 };
    canvas.FillText(r, r, u"H", false, 1);
    const Ink ink = InkBounds();
    TwzMatrix m = IdentityMatrix;
    m.m11 = m.m22 = 3;
    canvas.SetMatrix(m);
    TwzPathData path;
    ASSERT_TRUE(canvas.TextToPath(path, r, u"H", false));
    const TwzRect bounds = path.GetBounds();
    EXPECT_NEAR(bounds.Left, ink.left, 1.5);
    EXPECT_NEAR(bounds.Right, ink.right + 1, 1.5);
    EXPECT_NEAR(bounds.Top, ink.top, 1.5);
    EXPECT_NEAR(bounds.Bottom, ink.bottom + 1, 1.5);
}

// ---- text quality ------------------------------------------------------------------------

/// Pixels of `canvas` whose colour channels differ: coloured fringes of sub-pixel rendering.
int ColouredPixels(TwzCanvasGdiPlus& canvas, int width, int height, int* inked)
{
    int coloured = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = canvas.GetBufferSurface()->Pixel(x, y);
            const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            coloured += r != g || g != b;
            *inked += p != 0xFFFFFFFFu;
        }
    return coloured;
}

/// Draws black text on white in every text quality; the number of qualities that gave
/// coloured pixels or too little ink.
int DrawInEveryQuality()
{
    int failures = 0;
    for (TwzTextRendering quality : { wzAntiAlias, wzClearType, wzLowQuality }) {
        TwzCanvasGdiPlus canvas(160, 30);
        canvas.SetMatrix(IdentityMatrix);
        canvas.SetTextRendering(quality);
        canvas.ClearRect({ 0, 0, 160, 30 }, 0xFFFFFFFF);
        canvas.GetFill().SetSolidColor(0xFF000000);
        canvas.GetFont().SetFamily("DejaVu Sans");
        canvas.GetFont().SetSize(13);
        const TwzRect r { 2, 2, 158, 28 };
        canvas.FillText(r, r, u"Quality of grey text", false, 1, wzTextAlignNear, wzTextAlignNear);
        int inked = 0;
        const int coloured = ColouredPixels(canvas, 160, 30, &inked);
        if (coloured != 0 || inked < 100) {
            std::fprintf(stderr, "quality %d: %d coloured of %d inked\n", int(quality), coloured, inked);
            ++failures;
        }
    }
    return failures;
}

// A desktop whose font configuration asks for sub-pixel order (as many do) must still get grey
// text on the 2D canvas: its surfaces carry alpha and are scaled and composed later, where
// coloured fringes show. A child process reads such a configuration from the start.
TEST(CanvasTextQuality, TextIsGreyWhateverTheFontConfigurationAsks)
{
    const std::string conf = ::testing::TempDir() + "glyphforge-subpixel-fonts.conf";
    {
        std::ofstream out(conf);
        out << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
               "  <include ignore_missing=\"yes\">/etc/fonts/fonts.conf</include>\n"
               "  <match target=\"font\">\n"
               "    <edit name=\"rgba\" mode=\"assign\"><const>rgb</const></edit>\n"
               "    <edit name=\"antialias\" mode=\"assign\"><bool>true</bool></edit>\n"
               "  </match>\n</fontconfig>\n";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", conf.c_str(), 1);
            std::_Exit(DrawInEveryQuality() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    std::remove(conf.c_str());
}

// A transform that scales the axes differently stretches the glyphs and their advances
// alike: the text keeps its measured box, which the transform maps to where the ink lands.
TEST(CanvasTextQuality, UnevenScalesKeepTheMeasuredBoxAndPutTheInkInIt)
{
    struct Case {
        float sx, sy;
    };
    const TwzRect r { 10, 10, 110, 90 };
    TwzRect plain {};
    for (const Case& c : { Case { 1, 1 }, { 3, 1 }, { 1, 3 }, { 2, 0.5f }, { 0.5f, 2 } }) {
        SCOPED_TRACE(std::to_string(c.sx) + " x " + std::to_string(c.sy));
        TwzCanvasGdiPlus canvas(400, 300);
        TwzMatrix m = IdentityMatrix;
        m.m11 = c.sx;
        m.m22 = c.sy;
        canvas.SetMatrix(m);
        canvas.ClearRect({ 0, 0, 400, 300 }, 0);
        canvas.GetFill().SetSolidColor(0xFF000000);
        canvas.GetFont().SetFamily("DejaVu Sans");
        canvas.GetFont().SetSize(20);
        TwzRect box = r;
        canvas.MeasureText(box, box, u"Hxn", false, wzTextAlignNear, wzTextAlignNear);
        if (c.sx == 1 && c.sy == 1)
            plain = box;
        EXPECT_NEAR(box.Left, plain.Left, 0.01);
        EXPECT_NEAR(box.Right, plain.Right, 0.05) << "the measured box does not depend on the transform";
        EXPECT_NEAR(box.Bottom, plain.Bottom, 0.05);
        canvas.FillText(r, r, u"Hxn", false, 1, wzTextAlignNear, wzTextAlignNear);
        int left = 1 << 20, right = -1;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                if (canvas.GetBufferSurface()->Pixel(x, y) >> 24 > 40) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        ASSERT_GE(right, 0);
        // The ink stays inside the mapped box, less the side bearings, and fills most of it.
        EXPECT_GE(left, box.Left * c.sx - 1);
        EXPECT_LE(right, box.Right * c.sx + 1);
        EXPECT_GT(right - left, 0.8f * RectWidth(box) * c.sx);
    }
}

// Sizes and advances are kept in fixed steps by the text engine; tiny text must not gather
// their rounding along a line, whether it is drawn as glyphs (under a large scale) or as
// outlines.
TEST(CanvasTextQuality, TinySizesMeasureInProportionToLargeOnes)
{
    std::u16string line;
    for (int i = 0; i < 20; ++i)
        line += u"The quick brown fox ";
    const auto perEm = [&](float size, float scale) {
        TwzCanvasGdiPlus canvas(8, 8);
        TwzMatrix m = IdentityMatrix;
        m.m11 = m.m22 = scale;
        canvas.SetMatrix(m);
        canvas.GetFont().SetFamily("DejaVu Sans");
        canvas.GetFont().SetSize(size);
        TwzRect r { 0, 0, 1000, 1000 };
        canvas.MeasureText(r, r, line, false, wzTextAlignNear, wzTextAlignNear);
        return RectWidth(r) / size;
    };
    const float reference = perEm(100, 1);
    ASSERT_GT(reference, 100);
    struct Case {
        float size, scale;
    };
    for (const Case& c :
        { Case { 0.02f, 1 }, { 0.1f, 1 }, { 0.1f, 50 }, { 0.5f, 1 }, { 0.5f, 20 }, { 3, 1 } }) {
        SCOPED_TRACE(std::to_string(c.size) + " at scale " + std::to_string(c.scale));
        EXPECT_NEAR(perEm(c.size, c.scale), reference, 0.05) << "ems over a 400-character line";
    }
}

} // namespace
