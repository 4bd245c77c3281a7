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
