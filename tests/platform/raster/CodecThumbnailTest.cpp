#include "platform/raster/codecs/ImageCodecs.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace platform::raster;

namespace {

using testsupport::ChannelDistance;

std::vector<uint8_t> Fixture(const std::string& name)
{
    std::ifstream in(std::string(GF_TEST_DATA) + "/" + name, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

bool AllNear(const Image& image, uint32_t colour, int tolerance)
{
    return !image.pixels.empty() && std::all_of(image.pixels.begin(), image.pixels.end(), [&](uint32_t p) {
        return ChannelDistance(p, colour) <= tolerance;
    });
}

constexpr uint32_t kMainBlue = 0xFF0000FF; // the pictures of jpeg_exif_*.jpg
constexpr uint32_t kThumbRed = 0xFFFF0000; // their stored 16 x 12 thumbnails

/// Offset of the Exif TIFF header inside jpeg_exif_le.jpg (after SOI, APP1 marker, length,
/// "Exif\0\0").
constexpr size_t kTiffStart = 2 + 4 + 6;

} // namespace

TEST(CodecThumbnail, FindsTheStoredThumbnailInEitherByteOrder)
{
    const std::vector<uint8_t> expected = Fixture("jpeg_exif_thumb.bin");
    for (const char* file : { "jpeg_exif_le.jpg", "jpeg_exif_be.jpg" }) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> jpeg = Fixture(file);
        const std::optional<std::span<const uint8_t>> found = FindExifThumbnail(jpeg);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(std::vector<uint8_t>(found->begin(), found->end()), expected);
    }
    for (const char* file : { "jpeg_quadrants.jpg", "png_rgba.png", "bmp_24_bottomup.bmp" }) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(FindExifThumbnail(Fixture(file)).has_value());
    }
    EXPECT_FALSE(FindExifThumbnail({}).has_value());
}

TEST(CodecThumbnail, DamagedExifBlocksFindNothing)
{
    // Offsets are relative to the TIFF header; jpeg_exif_le.jpg: IFD0 at 8 with one entry,
    // IFD1 at 26 with three entries (compression, offset, length), the thumbnail at 68.
    struct Case {
        const char* what;
        size_t at; // from the TIFF header
        std::vector<uint8_t> bytes;
    } cases[] = {
        { "byte order mark", 0, { 'X', 'X' } },
        { "magic number", 2, { 43, 0 } },
        { "IFD0 outside", 4, { 0xFF, 0xFF, 0, 0 } },
        { "IFD0 entry count too large", 8, { 0xFF, 0x0F } },
        { "no IFD1", 22, { 0, 0, 0, 0 } },
        { "IFD1 outside", 22, { 0xF0, 0xFF, 0, 0 } },
        { "IFD1 entry count too large", 26, { 0xFF, 0xFF } },
        { "uncompressed thumbnail", 26 + 2 + 8, { 1, 0 } },
        { "thumbnail offset outside", 26 + 2 + 12 + 8, { 0xFF, 0xFF, 0, 0 } },
        { "thumbnail length too long", 26 + 2 + 24 + 8, { 0xFF, 0xFF, 0, 0 } },
        { "thumbnail length zero", 26 + 2 + 24 + 8, { 0, 0, 0, 0 } },
        { "offset tag of a wrong type", 26 + 2 + 12 + 2, { 2, 0 } },
        { "thumbnail is not a JPEG", 68, { 0x00, 0x00 } },
    };
    const std::vector<uint8_t> original = Fixture("jpeg_exif_le.jpg");
    ASSERT_TRUE(FindExifThumbnail(original).has_value());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> jpeg = original;
        std::copy(c.bytes.begin(), c.bytes.end(), jpeg.begin() + std::ptrdiff_t(kTiffStart + c.at));
        EXPECT_FALSE(FindExifThumbnail(jpeg).has_value());
        // The picture itself still makes the thumbnail.
        const std::optional<Image> thumbnail = DecodeThumbnail(jpeg, { 16, 12 }, EmbeddedThumbnail::Use);
        ASSERT_TRUE(thumbnail.has_value());
        EXPECT_TRUE(AllNear(*thumbnail, kMainBlue, 8));
    }
    // A segment length running past the end of the data.
    std::vector<uint8_t> jpeg = original;
    jpeg[4] = 0xFF;
    jpeg[5] = 0xFF;
    EXPECT_FALSE(FindExifThumbnail(jpeg).has_value());
}

TEST(CodecThumbnail, StoredThumbnailIsUsedOnlyWhenItFits)
{
    struct Case {
        const char* file;
        ImageSize minimum;
        EmbeddedThumbnail embedded;
        ImageSize size;
        uint32_t colour;
    } cases[] = {
        // The stored 16 x 12 thumbnail covers the request.
        { "jpeg_exif_le.jpg", { 16, 12 }, EmbeddedThumbnail::Use, { 16, 12 }, kThumbRed },
        { "jpeg_exif_be.jpg", { 8, 6 }, EmbeddedThumbnail::Use, { 8, 6 }, kThumbRed },
        // Not asked for: the picture, decoded at 1/4.
        { "jpeg_exif_le.jpg", { 16, 12 }, EmbeddedThumbnail::Ignore, { 16, 12 }, kMainBlue },
        // Too small for the request: the picture at 1/2 rather than an enlarged thumbnail.
        { "jpeg_exif_le.jpg", { 32, 24 }, EmbeddedThumbnail::Use, { 32, 24 }, kMainBlue },
        // A square thumbnail of a 4:3 picture is not this picture's thumbnail.
        { "jpeg_exif_square_thumbnail.jpg", { 16, 12 }, EmbeddedThumbnail::Use, { 16, 12 }, kMainBlue },
        // Without a stored thumbnail: the picture, decoded scaled.
        { "jpeg_quadrants.jpg", { 8, 6 }, EmbeddedThumbnail::Use, { 8, 6 }, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.minimum.width) + "x"
            + std::to_string(c.minimum.height));
        const std::optional<Image> thumbnail = DecodeThumbnail(Fixture(c.file), c.minimum, c.embedded);
        ASSERT_TRUE(thumbnail.has_value());
        EXPECT_EQ(thumbnail->width, c.size.width);
        EXPECT_EQ(thumbnail->height, c.size.height);
        if (c.colour != 0) {
            EXPECT_TRUE(AllNear(*thumbnail, c.colour, 8));
        }
    }
}

TEST(CodecThumbnail, JpegDecodesAtTheSmallestScaleThatCovers)
{
    // 64 x 48 in steps of 1/8: 8 x 6, 16 x 12, 24 x 18, ... 64 x 48.
    struct Case {
        ImageSize minimum;
        ImageSize size;
    } cases[] = {
        { { 1, 1 }, { 8, 6 } },
        { { 8, 6 }, { 8, 6 } },
        { { 9, 6 }, { 16, 12 } },
        { { 8, 13 }, { 24, 18 } },
        { { 20, 10 }, { 24, 18 } },
        { { 63, 1 }, { 64, 48 } },
        { { 64, 48 }, { 64, 48 } },
        { { 500, 500 }, { 64, 48 } }, // never beyond the picture
        { { 0, 0 }, { 8, 6 } },
    };
    const std::vector<uint8_t> jpeg = Fixture("jpeg_quadrants.jpg");
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.minimum.width) + "x" + std::to_string(c.minimum.height));
        const std::optional<Image> thumbnail = DecodeThumbnail(jpeg, c.minimum, EmbeddedThumbnail::Ignore);
        ASSERT_TRUE(thumbnail.has_value());
        EXPECT_EQ(thumbnail->width, c.size.width);
        EXPECT_EQ(thumbnail->height, c.size.height);
    }
    // The reduced picture is still the picture: quadrants red, green / blue, white.
    const Image small = DecodeThumbnail(jpeg, { 8, 6 }, EmbeddedThumbnail::Ignore).value();
    constexpr uint32_t kQuadrants[4] = { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF };
    for (int q = 0; q < 4; ++q) {
        const uint32_t p = small.pixels[size_t(((q / 2) * 3 + 1) * 8 + (q % 2) * 4 + 2)];
        EXPECT_LE(ChannelDistance(p, kQuadrants[q]), 24) << "quadrant " << q;
    }
}

TEST(CodecThumbnail, OtherFormatsDecodeAtFullSize)
{
    for (const char* file : { "png_rgba.png", "gif_offset.gif", "bmp_rle8.bmp", "tiff_rgb_lzw.tif" }) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> bytes = Fixture(file);
        const std::optional<Image> thumbnail = DecodeThumbnail(bytes, { 2, 2 }, EmbeddedThumbnail::Use);
        const std::optional<Image> full = DecodeImage(bytes);
        ASSERT_TRUE(thumbnail.has_value());
        ASSERT_TRUE(full.has_value());
        EXPECT_EQ(thumbnail->pixels, full->pixels);
    }
}
