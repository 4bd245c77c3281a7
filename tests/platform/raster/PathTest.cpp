#include "platform/raster/Path.h"

#include "platform/raster/Brush.h"
#include "platform/raster/Graphics.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform::raster;
using namespace rastertest;

namespace {

// Twice the signed area of the points taken as a polygon, y down: positive when clockwise
// on screen. Control points stand in for their curves, which keeps the sign.
double SignedArea(const std::vector<PointF>& p, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        const PointF a = p[i], b = p[i + 1 < to ? i + 1 : from];
        sum += double(a.x) * b.y - double(b.x) * a.y;
    }
    return sum;
}

} // namespace

TEST(Path, SegmentsJoinIntoFiguresWithImplicitLines)
{
    Path p;
    p.AddLine({ 0, 0 }, { 10, 0 });
    p.AddLine({ 10, 0 }, { 10, 10 }); // continues without a new point
    p.AddLine({ 20, 10 }, { 20, 20 }); // a gap: joined by a straight line
    p.AddBezier({ 20, 20 }, { 15, 25 }, { 5, 25 }, { 0, 20 });
    p.CloseFigure();
    p.CloseFigure(); // nothing open: no effect
    p.StartFigure();
    p.StartFigure();
    p.AddLine({ 30, 30 }, { 40, 30 });
    p.StartFigure();
    p.AddLine({ 40, 30 }, { 50, 30 }); // a new figure even at the same point

    const std::vector<PointF> points = { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 20, 10 }, { 20, 20 }, { 15, 25 },
        { 5, 25 }, { 0, 20 }, { 30, 30 }, { 40, 30 }, { 40, 30 }, { 50, 30 } };
    const std::vector<uint8_t> types = { kPathPointStart, kPathPointLine, kPathPointLine, kPathPointLine,
        kPathPointLine, kPathPointBezier, kPathPointBezier, kPathPointBezier | kPathPointCloseFlag,
        kPathPointStart, kPathPointLine, kPathPointStart, kPathPointLine };
    EXPECT_EQ(p.Points(), points);
    EXPECT_EQ(p.Types(), types);
    p.Reset();
    EXPECT_TRUE(p.IsEmpty());
    p.AddLine({ 1, 1 }, { 2, 2 });
    EXPECT_EQ(p.Types().front(), kPathPointStart);
}

TEST(Path, RectanglesAndEllipsesAreClosedClockwiseFigures)
{
    Path p;
    p.AddRectangle({ 1, 2, 10, 5 });
    p.AddEllipse({ 0, 0, 20, 10 });
    p.AddRectangle({ 0, 0, 0, 5 }); // no area: nothing
    p.AddEllipse({ 0, 0, 5, -1 });
    ASSERT_EQ(p.Points().size(), 4u + 13u);
    EXPECT_EQ(p.Points()[0], (PointF { 1, 2 }));
    EXPECT_EQ(p.Types()[3], kPathPointLine | kPathPointCloseFlag);
    EXPECT_GT(SignedArea(p.Points(), 0, 4), 0);
    EXPECT_EQ(p.Types()[4], kPathPointStart);
    EXPECT_EQ(p.Points()[4], (PointF { 20, 5 })); // rightmost point first
    EXPECT_EQ(p.Types()[16], kPathPointBezier | kPathPointCloseFlag);
    EXPECT_GT(SignedArea(p.Points(), 4, 17), 0);
}

TEST(Path, HitTestFollowsTheFillMode)
{
    struct Case {
        PointF point;
        bool alternate, winding;
    } cases[] = {
        { { 1, 1 }, true, true }, // inside the outer square only
        { { 10, 10 }, false, true }, // inside both squares
        { { 25, 10 }, false, false }, // outside
        { { 0, 10 }, true, true }, // on the outer edge
        { { -0.01f, 10 }, false, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.point.x << ", " << c.point.y);
        for (FillMode mode : { FillMode::Alternate, FillMode::Winding }) {
            Path p(mode);
            p.AddRectangle({ 0, 0, 20, 20 });
            p.AddRectangle({ 5, 5, 10, 10 });
            EXPECT_EQ(p.IsVisible(c.point), mode == FillMode::Alternate ? c.alternate : c.winding);
        }
    }
    EXPECT_FALSE(Path().IsVisible({ 0, 0 }));
}

TEST(Path, FillingLeavesEvenOddHolesOpen)
{
    auto c = Canvas::Make(16, 16);
    Path p;
    p.AddEllipse({ 0, 0, 16, 16 });
    p.AddRectangle({ 6, 6, 4, 4 });
    c.g.FillPath(Brush::Solid(0xFF0000FF), p);
    EXPECT_EQ(c.At(3, 8), 0xFF0000FFu);
    EXPECT_EQ(c.At(8, 8), 0u);
    EXPECT_EQ(c.At(0, 0), 0u);
}
