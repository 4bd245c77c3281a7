#include "platform/raster/Graphics.h"

#include "platform/raster/Brush.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace platform::raster;
using namespace rastertest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

struct Picture {
    std::vector<uint32_t> pixels { kRed, kGreen, kBlue, kWhite };
    Surface surface = *Surface::CreateOver(pixels.data(), 2, 2);
};

} // namespace

TEST(GraphicsImage, OpacityScalesEveryPremultipliedChannel)
{
    Picture picture;
    struct Case {
        float opacity;
        uint32_t over; // pixel (0, 0) drawn over a translucent grey background
    } cases[] = {
        { 1, kRed },
        { 1.5f, kRed },
        { 0.5f, 0xC0A02020 },
        { 0, 0x80404040 },
        { -1, 0x80404040 },
        { std::numeric_limits<float>::quiet_NaN(), 0x80404040 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opacity);
        auto canvas = Canvas::Make(2, 2);
        canvas.g.FillRectangle(Brush::Solid(0x80808080), { 0, 0, 2, 2 });
        canvas.g.DrawImage(picture.surface, { 0, 0, 2, 2 }, { 0, 0, 2, 2 }, c.opacity);
        EXPECT_TRUE(PixelNear(canvas.surface, 0, 0, c.over, 1));
    }
}

TEST(GraphicsImage, SourceRectanglesScaleAndMirror)
{
    Picture picture;
    struct Case {
        const char* name;
        RectF destination, source;
        std::vector<std::pair<std::pair<int, int>, uint32_t>> expected;
    } cases[] = {
        { "twice the size", { 0, 0, 4, 4 }, { 0, 0, 2, 2 },
            { { { 0, 0 }, kRed }, { { 1, 1 }, kRed }, { { 2, 0 }, kGreen }, { { 3, 3 }, kWhite },
                { { 1, 2 }, kBlue } } },
        { "one source pixel", { 1, 1, 2, 2 }, { 1, 0, 1, 1 },
            { { { 0, 0 }, 0 }, { { 1, 1 }, kGreen }, { { 2, 2 }, kGreen }, { { 3, 3 }, 0 } } },
        { "mirrored by a negative width", { 0, 0, 2, 2 }, { 2, 0, -2, 2 },
            { { { 0, 0 }, kGreen }, { { 1, 0 }, kRed }, { { 0, 1 }, kWhite } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto canvas = Canvas::Make(4, 4);
        canvas.g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
        canvas.g.DrawImage(picture.surface, c.destination, c.source);
        for (const auto& [at, color] : c.expected)
            EXPECT_EQ(canvas.At(at.first, at.second), color) << at.first << ", " << at.second;
    }
}

TEST(GraphicsImage, ScaledEdgesDoNotFade)
{
    std::vector<uint32_t> pixels(4, kBlue);
    auto picture = Surface::CreateOver(pixels.data(), 2, 2);
    ASSERT_TRUE(picture);
    for (InterpolationMode mode : { InterpolationMode::Bilinear, InterpolationMode::HighQuality }) {
        SCOPED_TRACE(int(mode));
        auto c = Canvas::Make(16, 16);
        c.g.SetInterpolationMode(mode);
        c.g.DrawImage(*picture, { 0, 0, 16, 16 });
        for (auto [x, y] :
            { std::pair { 0, 0 }, std::pair { 15, 0 }, std::pair { 15, 15 }, std::pair { 7, 0 } })
            EXPECT_EQ(c.At(x, y), kBlue) << x << ", " << y;
    }
}

TEST(GraphicsImage, DrawsUnderTheWorldTransform)
{
    Picture picture;
    auto c = Canvas::Make(8, 8);
    c.g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
    ASSERT_TRUE(c.g.SetTransform({ 0, 1, -1, 0, 8, 0 })); // a quarter turn
    c.g.DrawImage(picture.surface, { 0, 0, 8, 8 });
    EXPECT_EQ(c.At(6, 1), kRed); // the picture's top-left went to the top-right
    EXPECT_EQ(c.At(6, 6), kGreen);
    EXPECT_EQ(c.At(1, 1), kBlue);
}
