#include "platform/raster/Graphics.h"

#include "platform/raster/Brush.h"
#include "platform/raster/Path.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace platform::raster;
using namespace rastertest;

namespace {

const Brush kRed = Brush::Solid(0xFFFF0000);

void FillAll(Canvas& c)
{
    c.g.FillRectangle(kRed, { -100, -100, 400, 400 });
}

} // namespace

TEST(GraphicsClip, RectanglesCombineWithTheCurrentClip)
{
    struct Case {
        const char* name;
        std::function<void(Graphics&)> clip;
        std::vector<std::pair<int, int>> painted, clear;
    } cases[] = {
        { "intersect",
            [](Graphics& g) {
                g.SetClip({ 2, 2, 4, 4 }, CombineMode::Intersect);
            },
            { { 2, 2 }, { 5, 5 } }, { { 1, 1 }, { 6, 6 } } },
        { "intersect twice",
            [](Graphics& g) {
                g.SetClip({ 0, 0, 5, 5 }, CombineMode::Intersect);
                g.SetClip({ 3, 3, 5, 5 }, CombineMode::Intersect);
            },
            { { 3, 3 }, { 4, 4 } }, { { 2, 2 }, { 5, 5 }, { 7, 7 } } },
        { "intersect under a scale of 2",
            [](Graphics& g) {
                (void)g.SetTransform(Matrix::Scaling(2, 2));
                g.SetClip({ 1, 1, 2, 2 }, CombineMode::Intersect);
            },
            { { 2, 2 }, { 5, 5 } }, { { 1, 1 }, { 6, 6 } } },
        { "exclude",
            [](Graphics& g) {
                g.SetClip({ 2, 2, 4, 4 }, CombineMode::Exclude);
            },
            { { 0, 0 }, { 7, 7 }, { 6, 3 } }, { { 2, 2 }, { 5, 5 } } },
        { "replace drops the earlier clip",
            [](Graphics& g) {
                g.SetClip({ 0, 0, 2, 2 }, CombineMode::Intersect);
                g.SetClip({ 4, 4, 2, 2 }, CombineMode::Replace);
            },
            { { 4, 4 }, { 5, 5 } }, { { 0, 0 }, { 3, 3 } } },
        { "union of rectangles",
            [](Graphics& g) {
                const RectF rects[] = { { 0, 0, 2, 2 }, { 1, 1, 2, 2 }, { 6, 6, 1, 1 }, { 5, 0, -1, 3 } };
                g.SetClip(rects);
            },
            { { 0, 0 }, { 2, 2 }, { 6, 6 } }, { { 3, 3 }, { 4, 0 }, { 7, 7 } } },
        { "no rectangles clip everything away", [](Graphics& g) { g.SetClip(std::span<const RectF> {}); }, {},
            { { 0, 0 }, { 4, 4 } } },
        { "an empty rectangle replaces with nothing",
            [](Graphics& g) {
                g.SetClip({ 1, 1, 0, 5 }, CombineMode::Replace);
            },
            {}, { { 1, 1 }, { 4, 4 } } },
        { "excluding an empty rectangle changes nothing",
            [](Graphics& g) {
                g.SetClip({ 1, 1, -3, 5 }, CombineMode::Exclude);
            },
            { { 0, 0 }, { 7, 7 } }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = Canvas::Make(8, 8);
        c.clip(canvas.g);
        canvas.g.ResetTransform();
        FillAll(canvas);
        for (auto [x, y] : c.painted)
            EXPECT_EQ(canvas.At(x, y), 0xFFFF0000u) << x << ", " << y;
        for (auto [x, y] : c.clear)
            EXPECT_EQ(canvas.At(x, y), 0u) << x << ", " << y;
        canvas.g.ResetClip();
        FillAll(canvas);
        EXPECT_EQ(canvas.At(4, 4), 0xFFFF0000u);
    }
}

TEST(GraphicsClip, NeighbouringFractionalClipsLeaveNoSeams)
{
    // A dirty region repainted piece by piece: every pixel must be painted exactly once,
    // also where the pieces meet between pixel edges and under a fractional scale.
    auto c = Canvas::Make(32, 8);
    ASSERT_TRUE(c.g.SetTransform(Matrix::Scaling(1.37f, 1)));
    const float edges[] = { 0, 3.3f, 7.71f, 11.5f, 16.02f, 23.4f };
    const Brush half = Brush::Solid(0x80000000);
    for (size_t i = 0; i + 1 < std::size(edges); ++i) {
        const int state = c.g.Save();
        const RectF piece[] = { { edges[i], 0, edges[i + 1] - edges[i], 8 } };
        c.g.SetClip(piece);
        c.g.FillRectangle(half, { 0, 0, 30, 8 });
        ASSERT_TRUE(c.g.Restore(state));
    }
    const int covered = int(23.4f * 1.37f);
    for (int x = 0; x < covered; ++x)
        EXPECT_EQ(Alpha(c.At(x, 4)), 0x80) << "column " << x;
}

TEST(GraphicsClip, SavedStatesBringTheirClipBack)
{
    auto c = Canvas::Make(8, 8);
    c.g.SetClip({ 0, 0, 4, 4 }, CombineMode::Intersect);
    const int state = c.g.Save();
    c.g.SetClip({ 4, 4, 4, 4 }, CombineMode::Replace);
    ASSERT_TRUE(c.g.Restore(state));
    FillAll(c);
    EXPECT_EQ(c.At(1, 1), 0xFFFF0000u);
    EXPECT_EQ(c.At(5, 5), 0u);
}

TEST(GraphicsClip, PathClipFollowsItsFillMode)
{
    for (FillMode mode : { FillMode::Alternate, FillMode::Winding }) {
        SCOPED_TRACE(int(mode));
        auto c = Canvas::Make(16, 16);
        Path ring(mode);
        ring.AddRectangle({ 0, 0, 16, 16 });
        ring.AddRectangle({ 4, 4, 8, 8 }); // same direction: a hole only for even-odd
        c.g.IntersectClip(ring);
        FillAll(c);
        EXPECT_EQ(c.At(1, 1), 0xFFFF0000u);
        EXPECT_EQ(c.At(8, 8), mode == FillMode::Alternate ? 0u : 0xFFFF0000u);
    }
}
