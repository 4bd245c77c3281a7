// The texture builders of the lettering's faces: sizes at 100 pixels a unit fitted into the
// largest texture edge, tiling from the top-left corner, pictures shrunk to fit the face, the
// side strip of squares, and the transparent 1 x 1 result of tiny pictures.

#include "app/Textures.h"

#include "graphics/TwzBitmap.h"
#include "ui2d/Library2D.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TexturesTest : public ::testing::Test {
protected:
    void SetUp() override { Initialize2DLibrary(); }
    void TearDown() override { Finalize2DLibrary(); }
};

// A picture whose top-left quarter (in each direction) is red, the rest opaque grey.
std::unique_ptr<TwzBitmap> Marked(int32_t width, int32_t height)
{
    auto picture = std::make_unique<TwzBitmap>(width, height);
    picture->Clear(0xFF808080);
    for (int32_t y = 0; y < (height + 3) / 4; ++y)
        for (int32_t x = 0; x < (width + 3) / 4; ++x)
            picture->GetScanline(y)[x] = 0xFFFF0000;
    return picture;
}

bool IsRedish(uint32_t pixel)
{
    return ((pixel >> 16) & 0xFF) > 0xC0 && ((pixel >> 8) & 0xFF) < 0x60;
}

} // namespace

TEST(TextureSizes, TargetsAreFittedIntoTheLargestEdge)
{
    struct Case {
        double width, height;
        int32_t max, expectWidth, expectHeight;
    };
    const Case cases[] = {
        { 1050, 360, 2048, 1050, 360 },
        { 2500, 1000, 2048, 2048, 819 },
        { 40.0 / 0.6 * 100, 100, 2048, 2048, 31 },
        { 300, 5000, 1024, 61, 1024 },
        { 0, 100, 2048, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        const app::TextureSize size = app::FitTexture(c.width, c.height, c.max);
        EXPECT_EQ(size.width, c.expectWidth);
        EXPECT_EQ(size.height, c.expectHeight);
    }
}

TEST_F(TexturesTest, AFaceTextureTilesThePictureFromTheTopLeftCorner)
{
    TwzBitmap scratch(1, 1);
    const auto picture = Marked(256, 256);
    app::BuildFaceTexture(scratch, 10.5f, 3.6f, *picture, 2048);
    ASSERT_EQ(scratch.GetWidth(), 1050);
    ASSERT_EQ(scratch.GetHeight(), 360);
    // 5 x 2 tiles, the last row and column clipped.
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 2; ++j)
            EXPECT_TRUE(IsRedish(scratch.GetScanline(j * 256 + 1)[i * 256 + 1])) << i << "," << j;
    EXPECT_FALSE(IsRedish(scratch.GetScanline(100)[100]));
    EXPECT_FALSE(IsRedish(scratch.GetScanline(1)[255]));
    EXPECT_EQ(scratch.GetScanline(359)[1049] >> 24, 0xFFu) << "the clipped tiles cover the corner";
}

TEST_F(TexturesTest, APictureLargerThanTheFaceIsShrunkToFitItFirst)
{
    TwzBitmap scratch(1, 1);
    const auto picture = Marked(2000, 2000);
    app::BuildFaceTexture(scratch, 10.5f, 3.6f, *picture, 2048);
    ASSERT_EQ(scratch.GetWidth(), 1050);
    // Tiles of 360 x 360: the second starts at x = 360.
    EXPECT_TRUE(IsRedish(scratch.GetScanline(2)[362]));
    EXPECT_TRUE(IsRedish(scratch.GetScanline(2)[722]));
    EXPECT_FALSE(IsRedish(scratch.GetScanline(2)[256]));
}

TEST_F(TexturesTest, ALargeFaceIsShrunkToTheLargestEdge)
{
    TwzBitmap scratch(1, 1);
    const auto picture = Marked(64, 64);
    app::BuildFaceTexture(scratch, 25, 10, *picture, 2048);
    EXPECT_EQ(scratch.GetWidth(), 2048);
    EXPECT_EQ(scratch.GetHeight(), 819);
}

TEST_F(TexturesTest, ASideStripRepeatsThePictureInSquaresAsHighAsTheStrip)
{
    TwzBitmap scratch(1, 1);
    const auto picture = Marked(100, 100);
    app::BuildSideTexture(scratch, 0.6f, *picture, 40, 2048);
    ASSERT_EQ(scratch.GetWidth(), 2048);
    ASSERT_EQ(scratch.GetHeight(), 31);
    // 66 whole squares of 31 pixels and a 67th clipped to 2.
    for (int i : { 0, 1, 65, 66 })
        EXPECT_TRUE(IsRedish(scratch.GetScanline(1)[i * 31 + 1])) << i;
    EXPECT_FALSE(IsRedish(scratch.GetScanline(1)[29]));
    EXPECT_EQ(scratch.GetScanline(30)[2047] >> 24, 0xFFu);
}

TEST_F(TexturesTest, PicturesUnderTenPixelsGiveATransparentPixel)
{
    for (const auto& [w, h] : { std::pair { 9, 100 }, std::pair { 100, 9 }, std::pair { 1, 1 } }) {
        TwzBitmap scratch(50, 50);
        scratch.Clear(0xFFFFFFFF);
        const auto picture = Marked(w, h);
        app::BuildFaceTexture(scratch, 3, 1, *picture, 2048);
        ASSERT_EQ(scratch.GetWidth(), 1);
        ASSERT_EQ(scratch.GetHeight(), 1);
        EXPECT_EQ(scratch.GetScanline(0)[0], 0u);
        app::BuildSideTexture(scratch, 0.6f, *picture, 10, 2048);
        EXPECT_EQ(scratch.GetWidth(), 1);
        EXPECT_EQ(scratch.GetScanline(0)[0], 0u);
    }
}

TEST_F(TexturesTest, ARebuildStartsFromAClearBitmap)
{
    TwzBitmap scratch(1, 1);
    const auto opaque = Marked(64, 64);
    app::BuildFaceTexture(scratch, 1, 1, *opaque, 2048);
    TwzBitmap clear(64, 64); // fully transparent
    app::BuildFaceTexture(scratch, 1, 1, clear, 2048);
    EXPECT_EQ(scratch.GetScanline(10)[10], 0u);
}
