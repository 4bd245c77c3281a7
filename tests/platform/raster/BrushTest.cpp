#include "platform/raster/Brush.h"

#include "platform/raster/Graphics.h"
#include "platform/raster/Pen.h"
#include "tests/platform/raster/RasterTestSupport.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using namespace platform::raster;
using namespace rastertest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kWhite = 0xFFFFFFFF;

} // namespace

TEST(Brush, SolidColoursArePremultipliedOnTheSurface)
{
    auto c = Canvas::Make(2, 2);
    c.g.FillRectangle(Brush::Solid(0x80FF8000), { 0, 0, 2, 2 });
    EXPECT_TRUE(PixelNear(c.surface, 1, 1, 0x80804000, 1));
}

TEST(Brush, LinearGradientRunsFromStartToStopAndWrapsByItsMode)
{
    struct Case {
        WrapMode wrap;
        uint32_t at47, at63; // beyond the stop at 32
    } cases[] = {
        { WrapMode::Tile, 0xFF84007B, 0xFF0400FB }, // repeats from red
        { WrapMode::TileFlipX, 0xFF7C0083, 0xFFFB0004 }, // runs back towards red
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.wrap));
        auto brush = Brush::LinearGradient({ 0, 0 }, { 32, 0 }, kRed, kBlue, c.wrap);
        ASSERT_TRUE(brush);
        auto canvas = Canvas::Make(64, 2);
        canvas.g.FillRectangle(*brush, { 0, 0, 64, 2 });
        EXPECT_TRUE(PixelNear(canvas.surface, 0, 0, 0xFFFB0004, 3));
        EXPECT_TRUE(PixelNear(canvas.surface, 16, 0, 0xFF7C0083, 3));
        EXPECT_TRUE(PixelNear(canvas.surface, 31, 0, 0xFF0400FB, 3));
        EXPECT_TRUE(PixelNear(canvas.surface, 47, 0, c.at47, 3));
        EXPECT_TRUE(PixelNear(canvas.surface, 63, 0, c.at63, 3));
    }
}

TEST(Brush, GradientsThatCannotBeBuiltAreRefused)
{
    EXPECT_FALSE(Brush::LinearGradient({ 5, 5 }, { 5, 5 }, kRed, kBlue, WrapMode::Tile));
    EXPECT_FALSE(Brush::LinearGradient(
        { 0, 0 }, { std::numeric_limits<float>::infinity(), 0 }, kRed, kBlue, WrapMode::Tile));
    EXPECT_FALSE(Brush::LinearGradient({ 0, 0 }, { 1, 0 }, kRed, kBlue, WrapMode::Clamp));
    auto linear = Brush::LinearGradient({ 0, 0 }, { 1, 0 }, kRed, kBlue, WrapMode::Tile);
    ASSERT_TRUE(linear);
    EXPECT_FALSE(linear->SetWrapMode(WrapMode::Clamp));
    EXPECT_TRUE(linear->SetWrapMode(WrapMode::TileFlipX));
    EXPECT_FALSE(Brush::EllipseGradient({ 0, 0, 0, 10 }, kRed, kBlue));
    auto solid = Brush::Solid(kRed);
    const uint32_t colors[] = { kRed, kBlue };
    const float positions[] = { 0, 1 };
    EXPECT_FALSE(solid.SetPresetBlend(colors, positions));
    EXPECT_FALSE(solid.SetWrapMode(WrapMode::Tile));
}

TEST(Brush, PresetBlendCountsOnlyFromZeroToOne)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<uint32_t> colors;
        std::vector<float> positions;
        bool accepted;
    } cases[] = {
        { "0 to 1", { kGreen, kWhite }, { 0, 1 }, true },
        { "three stops", { kGreen, kWhite, kWhite }, { 0, 0.5f, 1 }, true },
        { "starts late", { kGreen, kWhite }, { 0.25f, 1 }, false },
        { "ends early", { kGreen, kWhite }, { 0, 0.75f }, false },
        { "one stop", { kGreen }, { 0 }, false },
        { "none", {}, {}, false },
        { "counts differ", { kGreen, kWhite, kBlue }, { 0, 1 }, false },
        { "not a number inside", { kGreen, kWhite, kWhite }, { 0, kNaN, 1 }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto brush = Brush::LinearGradient({ 0, 0 }, { 16, 0 }, kRed, kBlue, WrapMode::Tile);
        ASSERT_TRUE(brush);
        EXPECT_EQ(brush->SetPresetBlend(c.colors, c.positions), c.accepted);
        auto canvas = Canvas::Make(16, 1);
        canvas.g.FillRectangle(*brush, { 0, 0, 16, 1 });
        // A refused blend leaves the colours the brush was created with.
        EXPECT_TRUE(PixelNear(canvas.surface, 0, 0, c.accepted ? 0xFF0FFF0F : 0xFFF7000F, 10));
    }
}

TEST(Brush, PresetBlendHoldsColoursBetweenItsStops)
{
    // A fill gradient (0.25 red, 0.75 blue) widened to 0 and 1 by its caller.
    auto brush = Brush::LinearGradient({ 0, 0 }, { 40, 0 }, kWhite, kWhite, WrapMode::TileFlipX);
    ASSERT_TRUE(brush);
    const uint32_t colors[] = { kRed, kRed, kBlue, kBlue };
    const float positions[] = { 0, 0.25f, 0.75f, 1 };
    ASSERT_TRUE(brush->SetPresetBlend(colors, positions));
    auto c = Canvas::Make(40, 1);
    c.g.FillRectangle(*brush, { 0, 0, 40, 1 });
    EXPECT_TRUE(PixelNear(c.surface, 2, 0, kRed, 0));
    EXPECT_TRUE(PixelNear(c.surface, 9, 0, kRed, 0));
    EXPECT_TRUE(PixelNear(c.surface, 20, 0, 0xFF7F0080, 8));
    EXPECT_TRUE(PixelNear(c.surface, 31, 0, kBlue, 0));
    EXPECT_TRUE(PixelNear(c.surface, 38, 0, kBlue, 0));
}

TEST(Brush, EllipseGradientPaintsOnlyInsideItsEllipse)
{
    auto brush = Brush::EllipseGradient({ 0, 0, 32, 32 }, kWhite, kWhite);
    ASSERT_TRUE(brush);
    // Position 0 is the rim, 1 the centre.
    const uint32_t colors[] = { 0xFF000000, kWhite };
    const float positions[] = { 0, 1 };
    ASSERT_TRUE(brush->SetPresetBlend(colors, positions));
    for (WrapMode wrap : { WrapMode::Clamp, WrapMode::TileFlipXY }) {
        SCOPED_TRACE(int(wrap));
        ASSERT_TRUE(brush->SetWrapMode(wrap));
        auto c = Canvas::Make(32, 32);
        c.g.FillRectangle(*brush, { 0, 0, 32, 32 });
        for (auto [x, y] : { std::pair { 0, 0 }, std::pair { 31, 0 }, std::pair { 0, 31 },
                 std::pair { 31, 31 }, std::pair { 3, 3 } })
            EXPECT_EQ(c.At(x, y), 0u) << x << ", " << y;
        EXPECT_TRUE(PixelNear(c.surface, 16, 16, kWhite, 24));
        EXPECT_EQ(Alpha(c.At(16, 1)), 255);
        EXPECT_LT(Red(c.At(16, 1)), 40); // dark at the rim
        EXPECT_GT(Red(c.At(16, 8)), Red(c.At(16, 2)));
    }
}

TEST(Brush, EllipseGradientTilesShowBeyondAShrunkenEllipse)
{
    auto brush = Brush::EllipseGradient({ 0, 0, 32, 32 }, kWhite, 0xFF000000);
    ASSERT_TRUE(brush);
    brush->SetTransform(Matrix::Scaling(0.5f, 0.5f)); // the first tile covers 0..16
    struct Case {
        WrapMode wrap;
        bool tiles;
    } cases[] = { { WrapMode::Clamp, false }, { WrapMode::TileFlipXY, true }, { WrapMode::Tile, true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.wrap));
        ASSERT_TRUE(brush->SetWrapMode(c.wrap));
        auto canvas = Canvas::Make(32, 32);
        canvas.g.FillRectangle(*brush, { 0, 0, 32, 32 });
        EXPECT_TRUE(PixelNear(canvas.surface, 8, 8, kWhite, 40));
        EXPECT_EQ(canvas.At(16, 16), 0u); // corners of four tiles meet here
        if (c.tiles)
            EXPECT_TRUE(PixelNear(canvas.surface, 24, 8, kWhite, 40));
        else
            EXPECT_EQ(canvas.At(24, 8), 0u);
    }
}

TEST(Brush, TexturesTileFromTheWorldOrigin)
{
    // 2 x 2 picture: red green / blue white.
    uint32_t pixels[] = { kRed, kGreen, kBlue, kWhite };
    auto picture = Surface::CreateOver(pixels, 2, 2);
    ASSERT_TRUE(picture);
    struct Case {
        const char* name;
        WrapMode wrap;
        uint32_t at20, at30, at02, at22; // pixels (2,0), (3,0), (0,2), (2,2)
    } cases[] = {
        { "tile", WrapMode::Tile, kRed, kGreen, kRed, kRed },
        { "flip x", WrapMode::TileFlipX, kGreen, kRed, kRed, kGreen },
        { "flip y", WrapMode::TileFlipY, kRed, kGreen, kBlue, kBlue },
        { "flip both", WrapMode::TileFlipXY, kGreen, kRed, kBlue, kWhite },
        { "clamp", WrapMode::Clamp, 0, 0, 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto brush = Brush::Texture(*picture, c.wrap);
        ASSERT_TRUE(brush);
        auto canvas = Canvas::Make(8, 8);
        canvas.g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
        canvas.g.FillRectangle(*brush, { 1, 0, 7, 8 }); // anchored at 0, not at the shape
        EXPECT_EQ(canvas.At(0, 0), 0u);
        EXPECT_EQ(canvas.At(1, 0), kGreen);
        EXPECT_EQ(canvas.At(1, 1), kWhite);
        EXPECT_EQ(canvas.At(2, 0), c.at20);
        EXPECT_EQ(canvas.At(3, 0), c.at30);
        EXPECT_EQ(canvas.At(2, 2), c.at22);
        EXPECT_EQ(canvas.At(0, 2), 0u); // outside the shape
        canvas.g.FillRectangle(*brush, { 0, 0, 8, 8 });
        EXPECT_EQ(canvas.At(0, 2), c.at02);
    }
}

TEST(Brush, TextureTransformScalesThePicture)
{
    uint32_t pixels[] = { kRed, kGreen, kBlue, kWhite };
    auto picture = Surface::CreateOver(pixels, 2, 2);
    ASSERT_TRUE(picture);
    auto brush = Brush::Texture(*picture, WrapMode::Tile);
    ASSERT_TRUE(brush);
    brush->ScaleTransform(2, 3);
    auto c = Canvas::Make(8, 8);
    c.g.SetInterpolationMode(InterpolationMode::NearestNeighbor);
    c.g.FillRectangle(*brush, { 0, 0, 8, 8 });
    EXPECT_EQ(c.At(1, 2), kRed);
    EXPECT_EQ(c.At(2, 2), kGreen);
    EXPECT_EQ(c.At(1, 3), kBlue);
    EXPECT_EQ(c.At(4, 6), kRed);

    // A transform that cannot be inverted paints nothing, and drawing goes on.
    for (auto scale : { std::pair { 0.0f, 1.0f }, std::pair { 1.0f, 0.0f } }) {
        auto flat = Brush::Texture(*picture, WrapMode::Tile);
        flat->ScaleTransform(scale.first, scale.second);
        auto canvas = Canvas::Make(4, 4);
        canvas.g.FillRectangle(*flat, { 0, 0, 4, 4 });
        EXPECT_EQ(canvas.At(1, 1), 0u);
        canvas.g.FillRectangle(Brush::Solid(kRed), { 0, 0, 4, 4 });
        EXPECT_EQ(canvas.At(1, 1), kRed);
    }
}

TEST(Brush, GradientsPaintStrokes)
{
    auto brush = Brush::LinearGradient({ 0, 0 }, { 16, 0 }, kRed, kBlue, WrapMode::Tile);
    ASSERT_TRUE(brush);
    auto c = Canvas::Make(16, 16);
    c.g.DrawLine(Pen(*brush, 4), { 0, 8 }, { 16, 8 });
    EXPECT_GT(Red(c.At(1, 8)), 200);
    EXPECT_GT(Blue(c.At(14, 8)), 200);
}
