#include "platform/raster/Path.h"

#include "platform/raster/Brush.h"
#include "platform/raster/Font.h"
#include "platform/raster/FontFamily.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/StringFormat.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace platform::raster;
using namespace rastertest;

namespace {

struct Figure {
    size_t first, end; // point indexes
    bool closed;
    double area; // twice the signed area, y down: positive when clockwise on screen
    RectF bounds;
    Path alone; // the figure as a path of its own, for containment tests
};

// The figures of a path with their orientation, read from the points and kinds alone.
std::vector<Figure> Figures(const Path& p)
{
    std::vector<Figure> figures;
    const auto& pts = p.Points();
    const auto& types = p.Types();
    for (size_t i = 0; i < pts.size();) {
        EXPECT_EQ(types[i] & kPathPointTypeMask, kPathPointStart) << "point " << i;
        size_t end = i + 1;
        while (end < pts.size() && (types[end] & kPathPointTypeMask) != kPathPointStart)
            ++end;
        Figure f { i, end, (types[end - 1] & kPathPointCloseFlag) != 0, 0, {}, Path(FillMode::Alternate) };
        // Flattened finely enough for the sign of the area and for containment.
        std::vector<PointF> poly { pts[i] };
        for (size_t k = i + 1; k < end;) {
            if ((types[k] & kPathPointTypeMask) == kPathPointBezier) {
                EXPECT_LE(k + 3, end) << "incomplete curve at " << k;
                if (k + 3 > end)
                    break;
                const PointF a = poly.back(), b = pts[k], c = pts[k + 1], d = pts[k + 2];
                for (int s = 1; s <= 16; ++s) {
                    const float t = s / 16.0f, u = 1 - t;
                    poly.push_back(
                        { u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
                            u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y });
                }
                k += 3;
            } else {
                EXPECT_EQ(types[k] & kPathPointTypeMask, kPathPointLine) << "point " << k;
                poly.push_back(pts[k++]);
            }
        }
        float x1 = poly[0].x, y1 = poly[0].y, x2 = x1, y2 = y1;
        for (size_t k = 0; k < poly.size(); ++k) {
            const PointF a = poly[k], b = poly[(k + 1) % poly.size()];
            f.area += double(a.x) * b.y - double(b.x) * a.y;
            x1 = std::min(x1, a.x), y1 = std::min(y1, a.y), x2 = std::max(x2, a.x), y2 = std::max(y2, a.y);
            if (k > 0)
                f.alone.AddLine(poly[k - 1], a);
        }
        f.alone.CloseFigure();
        f.bounds = { x1, y1, x2 - x1, y2 - y1 };
        figures.push_back(std::move(f));
        i = end;
    }
    return figures;
}

// How many other figures enclose the figure's first point.
int Depth(const std::vector<Figure>& figures, size_t i, const Path& p)
{
    int depth = 0;
    for (size_t j = 0; j < figures.size(); ++j)
        depth += j != i && figures[j].alone.IsVisible(p.Points()[figures[i].first]);
    return depth;
}

Path Outline(const char* family, std::u16string_view text, float em, RectF layout = { 0, 0, 0, 0 },
    StringFormat format = {})
{
    Path p;
    auto f = FontFamily::FromName(family);
    EXPECT_TRUE(f) << family;
    if (f) {
        EXPECT_TRUE(p.AddString(text, *f, FontStyle::Regular, em, layout, format));
    }
    return p;
}

} // namespace

TEST(TextToPath, OuterContoursRunClockwiseAndHolesTheOtherWay)
{
    // DejaVu and Liberation are TrueType faces; Nimbus Sans is a CFF face whose contours
    // run the other way in the font, so it shows the normalisation at work.
    struct Case {
        const char* family;
        const char16_t* glyph;
        size_t figures;
    } cases[] = {
        { "DejaVu Sans", u"O", 2 },
        { "DejaVu Sans", u"8", 3 },
        { "Liberation Sans", u"O", 2 },
        { "Liberation Sans", u"8", 3 },
        { "Nimbus Sans", u"O", 2 },
        { "Nimbus Sans", u"8", 3 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.family << " " << char(c.glyph[0]));
        auto family = FontFamily::FromName(c.family);
        if (!family || family->Name() != c.family) {
            std::printf("%s is not installed; not checked\n", c.family);
            continue;
        }
        const Path p = Outline(c.family, c.glyph, 100);
        const auto figures = Figures(p);
        ASSERT_EQ(figures.size(), c.figures);
        // The largest figure is the outer contour, the others its holes.
        const auto outer = std::max_element(figures.begin(), figures.end(), [](auto& a, auto& b) {
            return a.bounds.width * a.bounds.height < b.bounds.width * b.bounds.height;
        });
        for (const auto& f : figures) {
            EXPECT_TRUE(f.closed);
            if (&f == &*outer)
                EXPECT_GT(f.area, 0);
            else
                EXPECT_LT(f.area, 0);
        }
    }
}

TEST(TextToPath, EveryFigureOfAWordIsClosedAndOrientedByItsNesting)
{
    for (const char* family : { "DejaVu Sans", "Liberation Sans", "Nimbus Sans" }) {
        auto installed = FontFamily::FromName(family);
        if (!installed || installed->Name() != family)
            continue;
        SCOPED_TRACE(family);
        const Path p = Outline(family, u"Glyphforge", 40, { 0, 0, 400, 100 },
            { 0, StringAlignment::Center, StringAlignment::Center });
        const auto figures = Figures(p);
        // G l y p h f o r g e: p, o, g and e have one hole each.
        EXPECT_EQ(figures.size(), 14u);
        for (size_t i = 0; i < figures.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_TRUE(figures[i].closed);
            EXPECT_NE(figures[i].area, 0);
            EXPECT_EQ(figures[i].area > 0, Depth(figures, i, p) % 2 == 0);
        }

        // Lines of letters with holes stacked over each other and a long line among them: each
        // figure is told apart from those above and below it.
        const Path lines = Outline(family, u"B8o@\nWWWWWWWWWWWW\no8B@\n8oB8", 20, { 0, 0, 800, 400 });
        const auto stacked = Figures(lines);
        EXPECT_GT(stacked.size(), 20u);
        for (size_t i = 0; i < stacked.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "lines, figure " << i);
            EXPECT_EQ(stacked[i].area > 0, Depth(stacked, i, lines) % 2 == 0);
        }
    }
}

TEST(TextToPath, OutlinesSitInTheLayoutLikeDrawnText)
{
    const auto family = FontFamily::FromName("DejaVu Sans");
    ASSERT_TRUE(family);
    const auto font = Font::Create(*family, 20, FontStyle::Regular);
    ASSERT_TRUE(font);
    const RectF layout { 4, 4, 56, 56 };
    for (auto h : { StringAlignment::Near, StringAlignment::Center, StringAlignment::Far }) {
        for (auto v : { StringAlignment::Near, StringAlignment::Far }) {
            SCOPED_TRACE(testing::Message() << int(h) << " " << int(v));
            const StringFormat format { 0, h, v };
            Path p;
            ASSERT_TRUE(p.AddString(u"Ab", *family, FontStyle::Regular, 20, layout, format));
            auto filled = Canvas::Make(64, 64);
            filled.g.FillPath(Brush::Solid(0xFF000000), p);
            auto drawn = Canvas::Make(64, 64);
            drawn.g.DrawString(u"Ab", *font, layout, format, Brush::Solid(0xFF000000));
            const RectI a = InkBounds(filled.surface, 64), b = InkBounds(drawn.surface, 64);
            ASSERT_GT(a.width, 0);
            EXPECT_NEAR(a.x, b.x, 1);
            EXPECT_NEAR(a.y, b.y, 1);
            EXPECT_NEAR(a.width, b.width, 1);
            EXPECT_NEAR(a.height, b.height, 1);
        }
    }
}

TEST(TextToPath, OutlinesScaleExactlyWithTheEmSize)
{
    const Path small = Outline("Liberation Sans", u"Wave", 10);
    const Path large = Outline("Liberation Sans", u"Wave", 30);
    ASSERT_EQ(small.Points().size(), large.Points().size());
    EXPECT_EQ(small.Types(), large.Types());
    for (size_t i = 0; i < small.Points().size(); ++i) {
        EXPECT_NEAR(large.Points()[i].x, 3 * small.Points()[i].x, 0.002) << i;
        EXPECT_NEAR(large.Points()[i].y, 3 * small.Points()[i].y, 0.002) << i;
    }
}

TEST(TextToPath, AppendsToThePathOrRefusesWithoutChangingIt)
{
    const auto family = FontFamily::GenericSansSerif();
    Path p;
    p.AddRectangle({ 0, 0, 1, 1 });
    const size_t before = p.Points().size();
    EXPECT_FALSE(p.AddString(u"", family, FontStyle::Regular, 12, {}, {}));
    EXPECT_FALSE(p.AddString(u"x", family, FontStyle::Regular, 0, {}, {}));
    EXPECT_FALSE(p.AddString(u"x", family, FontStyle::Regular, 12, { std::nanf(""), 0, 1, 1 }, {}));
    EXPECT_EQ(p.Points().size(), before);
    ASSERT_TRUE(p.AddString(u"x", family, FontStyle::Regular, 12, {}, {}));
    EXPECT_GT(p.Points().size(), before);
    EXPECT_EQ(p.Types()[before], kPathPointStart);
    // Blanks only: accepted, nothing to outline.
    Path blank;
    EXPECT_TRUE(blank.AddString(u"   ", family, FontStyle::Regular, 12, {}, {}));
    EXPECT_TRUE(blank.IsEmpty());
}

namespace {

// Texts without letter pairs that fonts join into ligatures, so that the whole text has
// exactly the contours of its letters outlined one by one.
std::u16string Repeated(std::u16string_view piece, size_t length)
{
    std::u16string text;
    while (text.size() < length)
        text += piece;
    text.resize(length);
    return text;
}

// Figures of a path, counted from their starts; every one of them closed.
size_t FigureCount(const Path& p)
{
    size_t figures = 0, closed = 0;
    const auto& types = p.Types();
    for (size_t i = 0; i < types.size(); ++i) {
        figures += (types[i] & kPathPointTypeMask) == kPathPointStart;
        closed += (types[i] & kPathPointCloseFlag) != 0;
    }
    EXPECT_EQ(closed, figures);
    return figures;
}

// The contours of every inked character outlined on its own.
size_t GlyphByGlyphFigures(const char* family, std::u16string_view text)
{
    static std::map<std::pair<std::string, char16_t>, size_t> ofLetter;
    size_t figures = 0;
    for (char16_t c : text) {
        if (c == u' ' || c == u'\n')
            continue;
        auto [it, fresh] = ofLetter.try_emplace({ family, c }, 0);
        if (fresh)
            it->second = FigureCount(Outline(family, std::u16string_view(&c, 1), 50));
        figures += it->second;
    }
    return figures;
}

RectF PathBounds(const Path& p)
{
    float x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
    for (const PointF& q : p.Points())
        x1 = std::min(x1, q.x), y1 = std::min(y1, q.y), x2 = std::max(x2, q.x), y2 = std::max(y2, q.y);
    return { x1, y1, x2 - x1, y2 - y1 };
}

} // namespace

TEST(TextToPath, LongManyLineAndWrappedTextsKeepEveryGlyphAndFillTheirMeasuredBox)
{
    const std::u16string line = Repeated(u"Quick brown dogs jump over lazy oxen 0123456789 WAVE ", 200);
    std::u16string lines;
    for (int i = 0; i < 30; ++i)
        lines += Repeated(u"Jolly Quartz 8 Bmw ", 19 + i % 3) + (i < 29 ? u"\n" : u"");
    struct Text {
        const char* name;
        std::u16string text;
        float layoutEms; // width of the layout in ems; 0: no width, nothing wraps
    };
    const Text texts[] = { { "a line of 200 characters", line, 0 }, { "30 lines", lines, 0 },
        { "200 characters wrapped", line, 24 } };
    // Each text in a small, a middle and a large size, one alignment each, taken in turn by
    // two TrueType faces and a CFF face.
    const std::pair<float, StringAlignment> sizes[] = { { 1.5f, StringAlignment::Near },
        { 13.0f, StringAlignment::Center }, { 900.0f, StringAlignment::Far } };
    size_t turn = 0;
    for (const char* family : { "DejaVu Sans", "Liberation Serif", "Nimbus Sans" }) {
        ++turn;
        auto installed = FontFamily::FromName(family);
        if (!installed || installed->Name() != family) {
            std::printf("%s is not installed; not checked\n", family);
            continue;
        }
        for (const Text& t : texts) {
            const size_t expected = GlyphByGlyphFigures(family, t.text);
            for (size_t k = 0; k < 2; ++k) {
                const auto [em, align] = sizes[(turn + k + size_t(&t - texts)) % 3];
                SCOPED_TRACE(testing::Message()
                    << family << ", " << t.name << ", em " << em << ", align " << int(align));
                const RectF layout { 3 * em, -2 * em, t.layoutEms * em, 0 };
                const StringFormat format { 0, align, align };
                Path p;
                ASSERT_TRUE(p.AddString(t.text, *installed, FontStyle::Regular, em, layout, format));
                EXPECT_EQ(FigureCount(p), expected);

                // The outline fills the box the canvas measures for the text, give or
                // take the bearings of the outer letters and a wrapped line's blank.
                auto surface = Canvas::Make(4, 4);
                const auto font = Font::Create(*installed, em, FontStyle::Regular);
                ASSERT_TRUE(font);
                const CharacterRange all { 0, int(t.text.size()) };
                const auto measured
                    = surface.g.MeasureCharacterRanges(t.text, *font, layout, format, { &all, 1 });
                ASSERT_TRUE(measured[0]);
                const RectF box = *measured[0], ink = PathBounds(p);
                EXPECT_NEAR(ink.x, box.x, 0.6 * em);
                EXPECT_NEAR(ink.x + ink.width, box.x + box.width, 0.6 * em);
                EXPECT_NEAR(ink.y, box.y, 0.6 * em);
                EXPECT_NEAR(ink.y + ink.height, box.y + box.height, 0.6 * em);
            }
        }
    }
}
