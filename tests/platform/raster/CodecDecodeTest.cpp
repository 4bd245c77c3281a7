#include "platform/raster/codecs/ImageCodecs.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace platform::raster;

namespace {

using testsupport::ChannelDistance;
using testsupport::Hex;

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::vector<uint8_t> Fixture(const std::string& name)
{
    return ReadFile(std::string(GF_TEST_DATA) + "/" + name);
}

template <class Expected>
::testing::AssertionResult PixelsMatch(
    const Image& image, int width, int height, Expected expected, int tolerance = 0)
{
    if (image.width != width || image.height != height)
        return ::testing::AssertionFailure()
            << "size " << image.width << "x" << image.height << ", expected " << width << "x" << height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t got = image.pixels[size_t(y) * size_t(width) + size_t(x)];
            const uint32_t want = expected(x, y);
            if (ChannelDistance(got, want) > tolerance)
                return ::testing::AssertionFailure()
                    << "pixel (" << x << ", " << y << ") is " << Hex(got) << ", expected " << Hex(want);
        }
    }
    return ::testing::AssertionSuccess();
}

// The reference picture of make_fixtures.py: 5 x 3 straight ARGB, and its premultiplied form.
constexpr int kRefWidth = 5;
constexpr int kRefHeight = 3;
constexpr uint32_t kRef[kRefHeight][kRefWidth] = {
    { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000 },
    { 0x80FFFF00, 0x8000FFFF, 0x80FF00FF, 0x80808080, 0x80FF8000 },
    { 0x00204060, 0x40602040, 0xC8406020, 0x01C0C0C0, 0xFF102030 },
};
constexpr uint32_t kRefPremultiplied[kRefHeight][kRefWidth] = {
    { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF000000 },
    { 0x80808000, 0x80008080, 0x80800080, 0x80404040, 0x80804000 },
    { 0x00000000, 0x40180810, 0xC8324B19, 0x01000000, 0xFF102030 },
};

enum class Expect { Premultiplied, Opaque, AndMask };

uint32_t RefPixel(Expect expect, int x, int y)
{
    switch (expect) {
    case Expect::Premultiplied:
        return kRefPremultiplied[y][x];
    case Expect::Opaque:
        return kRef[y][x] | 0xFF000000u;
    case Expect::AndMask:
        return (kRef[y][x] >> 24) < 128 ? 0u : kRef[y][x] | 0xFF000000u;
    }
    return 0;
}

Image Decode(const std::string& name)
{
    const std::vector<uint8_t> bytes = Fixture(name);
    std::optional<Image> image = DecodeImage(bytes);
    EXPECT_TRUE(image.has_value()) << name << " does not decode";
    return image ? std::move(*image) : Image {};
}

} // namespace

TEST(CodecDecode, ReferencePictureInEveryVariant)
{
    struct Case {
        const char* file;
        Expect expect;
        int tolerance;
    } cases[] = {
        // PNG
        { "png_rgba.png", Expect::Premultiplied, 0 },
        { "png_palette_trns.png", Expect::Premultiplied, 0 },
        // BMP: palettes, row orders, headers, masks; 32-bit stays opaque without an alpha mask
        { "bmp_4bit.bmp", Expect::Opaque, 0 },
        { "bmp_8bit.bmp", Expect::Opaque, 0 },
        { "bmp_8bit_topdown.bmp", Expect::Opaque, 0 },
        { "bmp_core_8bit.bmp", Expect::Opaque, 0 },
        { "bmp_24_bottomup.bmp", Expect::Opaque, 0 },
        { "bmp_24_topdown.bmp", Expect::Opaque, 0 },
        { "bmp_24_short_last_row.bmp", Expect::Opaque, 0 },
        { "bmp_32_rgb.bmp", Expect::Opaque, 0 },
        { "bmp_32_info_bitfields.bmp", Expect::Opaque, 0 },
        { "bmp_32_v5_alpha.bmp", Expect::Premultiplied, 0 },
        { "bmp_32_v4_rgb_alpha.bmp", Expect::Premultiplied, 0 },
        { "bmp_16_555.bmp", Expect::Opaque, 8 },
        { "bmp_16_565_bitfields.bmp", Expect::Opaque, 8 },
        { "bmp_pil_24.bmp", Expect::Opaque, 0 },
        { "bmp_im_v5_alpha.bmp", Expect::Premultiplied, 0 },
        { "bmp_im_os2.bmp", Expect::Opaque, 0 },
        { "bmp_im_rle8.bmp", Expect::Opaque, 0 },
        // ICO: a PNG entry beats a smaller bitmap; of equal sizes the deepest wins
        { "ico_png_entry.ico", Expect::Premultiplied, 0 },
        { "ico_deepest.ico", Expect::Premultiplied, 0 },
        { "ico_8bit_and_mask.ico", Expect::AndMask, 0 },
        { "ico_32_zero_alpha.ico", Expect::AndMask, 0 },
        // TIFF: both alpha kinds end premultiplied (the other writer rounds)
        { "tiff_unassociated.tif", Expect::Premultiplied, 0 },
        { "tiff_associated.tif", Expect::Premultiplied, 1 },
        { "tiff_rgb_lzw.tif", Expect::Opaque, 0 },
        { "tiff_palette.tif", Expect::Opaque, 0 },
        { "tiff_multipage.tif", Expect::Opaque, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Image image = Decode(c.file);
        EXPECT_TRUE(PixelsMatch(
            image, kRefWidth, kRefHeight, [&](int x, int y) { return RefPixel(c.expect, x, y); },
            c.tolerance));
    }
}

TEST(CodecDecode, OneBitBmpUsesItsPalette)
{
    const Image image = Decode("bmp_1bit.bmp");
    EXPECT_TRUE(PixelsMatch(
        image, kRefWidth, kRefHeight, [](int x, int y) { return (x + y) % 2 ? 0xFFFFCC00u : 0xFF336699u; }));
}

TEST(CodecDecode, RunLengthEscapesAndSkippedPixels)
{
    // Palette of make_fixtures.py; '.' marks pixels a delta or the end marker skips.
    constexpr uint32_t kPalette[4] = { 0xFF000080, 0xFF00C000, 0xFFC00000, 0xFFFFFFFF };
    struct Case {
        const char* file;
        const char* rows[4]; // top row first
    } cases[] = {
        { "bmp_rle8.bmp", { ".....333", "22......", "23200000", "11111111" } },
        { "bmp_rle4.bmp", { "......21", "33......", "23013000", "12121212" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Image image = Decode(c.file);
        EXPECT_TRUE(PixelsMatch(image, 8, 4, [&](int x, int y) {
            const char k = c.rows[y][x];
            return k == '.' ? 0u : kPalette[k - '0'];
        }));
    }
}

TEST(CodecDecode, GifInterlacedRowsAndTransparentIndex)
{
    // 20 x 20: index (x + 3y) mod 7 + 1 off the diagonal, the transparent index on it.
    constexpr uint32_t kColours[8]
        = { 0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFF00FFFF, 0xFFFF00FF, 0xFFFFFFFF };
    const auto expected = [&](int x, int y) { return x == y ? 0u : kColours[(x + 3 * y) % 7 + 1]; };
    for (const char* file : { "gif_interlaced.gif", "gif_plain.gif" }) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(PixelsMatch(Decode(file), 20, 20, expected));
    }
}

TEST(CodecDecode, GifFirstFrameOnItsLogicalScreen)
{
    const Image offset = Decode("gif_offset.gif"); // 4 x 3 red at (3, 2) on 10 x 8
    EXPECT_TRUE(PixelsMatch(
        offset, 10, 8, [](int x, int y) { return x >= 3 && x < 7 && y >= 2 && y < 5 ? 0xFFFF0000u : 0u; }));
    const Image animated = Decode("gif_animated.gif"); // red, then blue
    EXPECT_TRUE(PixelsMatch(animated, 6, 4, [](int, int) { return 0xFFFF0000u; }));
}

TEST(CodecDecode, PngVariantsMatchTheirPlainTwin)
{
    const Image plain = Decode("png_plain.png");
    EXPECT_TRUE(PixelsMatch(plain, 13, 11, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 19) << 16 | uint32_t(y * 23) << 8 | uint32_t((x * y) % 256);
    }));
    const Image interlaced = Decode("png_interlaced.png");
    EXPECT_TRUE(
        PixelsMatch(interlaced, 13, 11, [&](int x, int y) { return plain.pixels[size_t(y * 13 + x)]; }));

    const Image gray = Decode("png_gray16.png"); // 16-bit 0, 0x8080, 0xFFFF
    constexpr uint32_t kGray[3] = { 0xFF000000, 0xFF808080, 0xFFFFFFFF };
    EXPECT_TRUE(PixelsMatch(
        gray, 3, 1, [&](int x, int) { return kGray[x]; }, 1));
}

TEST(CodecDecode, JpegColourSpacesAndScanModes)
{
    // 64 x 48 quadrants: red, green / blue, white; probed away from the block edges.
    constexpr uint32_t kRgb[4] = { 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF };
    // The same quadrants in grey: Rec. 601 luma of each colour.
    constexpr uint32_t kLuma[4] = { 0xFF4C4C4C, 0xFF969696, 0xFF1D1D1D, 0xFFFFFFFF };
    struct Case {
        const char* file;
        const uint32_t* colours;
        int tolerance;
    } cases[] = {
        { "jpeg_quadrants.jpg", kRgb, 6 },
        { "jpeg_progressive.jpg", kRgb, 6 },
        { "jpeg_gray.jpg", kLuma, 4 },
        { "jpeg_cmyk.jpg", kRgb, 16 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Image image = Decode(c.file);
        ASSERT_EQ(image.width, 64);
        ASSERT_EQ(image.height, 48);
        for (int q = 0; q < 4; ++q) {
            const int x = (q % 2) * 32 + 16;
            const int y = (q / 2) * 24 + 12;
            const uint32_t got = image.pixels[size_t(y * 64 + x)];
            EXPECT_LE(ChannelDistance(got, c.colours[q]), c.tolerance)
                << "quadrant " << q << ": " << Hex(got);
        }
    }
}

// The size query reads headers only; it must still name exactly the size a decode produces,
// or a caller that sizes its bitmap first would get a mismatch.
TEST(CodecDecode, SizeQueryAgreesWithDecodeForEveryFixture)
{
    int checked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(GF_TEST_DATA)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || ext == ".py" || ext == ".bin")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<uint8_t> bytes = ReadFile(entry.path().string());
        const std::optional<ImageSize> size = ReadImageSize(bytes);
        const std::optional<Image> image = DecodeImage(bytes);
        ASSERT_TRUE(size.has_value());
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(size->width, image->width);
        EXPECT_EQ(size->height, image->height);
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST(CodecDecode, FormatFromMagicBytes)
{
    struct Case {
        std::vector<uint8_t> bytes;
        ImageFormat format;
    } cases[] = {
        { { 0x89, 'P', 'N', 'G', '\r', '\n' }, ImageFormat::Png },
        { { 0xFF, 0xD8, 0xFF, 0xE0 }, ImageFormat::Jpeg },
        { { 'G', 'I', 'F', '8', '9', 'a' }, ImageFormat::Gif },
        { { 'G', 'I', 'F', '8', '7', 'a' }, ImageFormat::Gif },
        { { 'I', 'I', '*', 0 }, ImageFormat::Tiff },
        { { 'M', 'M', 0, '*' }, ImageFormat::Tiff },
        { { 'B', 'M', 0, 0 }, ImageFormat::Bmp },
        { { 0, 0, 1, 0, 1, 0 }, ImageFormat::Ico },
        { { 0, 0, 2, 0, 1, 0 }, ImageFormat::Unknown }, // a cursor file
        { { 0xFF, 0xD8 }, ImageFormat::Unknown }, // too short to tell
        { { 'I', 'I', '+', 0 }, ImageFormat::Unknown }, // BigTIFF
        { { 'B' }, ImageFormat::Unknown },
        { {}, ImageFormat::Unknown },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(DetectImageFormat(c.bytes), c.format);
    }
}

// The target is asked once, with the final size, and every pixel is written: a decoder must
// never blend with what the memory held before.
TEST(CodecDecode, TargetIsAskedOnceAndFullyOverwritten)
{
    for (const char* file : { "png_rgba.png", "bmp_rle8.bmp", "gif_offset.gif", "tiff_unassociated.tif",
             "jpeg_quadrants.jpg", "ico_8bit_and_mask.ico" }) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> bytes = Fixture(file);
        const std::optional<Image> reference = DecodeImage(bytes);
        ASSERT_TRUE(reference.has_value());
        std::vector<uint32_t> memory;
        int calls = 0;
        const bool ok = DecodeImage(bytes, [&](ImageSize size) {
            ++calls;
            memory.assign(size_t(size.width) * size_t(size.height), 0xDEADBEEF);
            return memory.data();
        });
        EXPECT_TRUE(ok);
        EXPECT_EQ(calls, 1);
        EXPECT_EQ(memory, reference->pixels);
    }
}

TEST(CodecDecode, RefusingTargetCancels)
{
    for (const char* file : { "png_rgba.png", "bmp_24_bottomup.bmp", "gif_plain.gif", "tiff_rgb_lzw.tif",
             "jpeg_quadrants.jpg", "ico_png_entry.ico", "ico_deepest.ico" }) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(DecodeImage(Fixture(file), [](ImageSize) -> uint32_t* { return nullptr; }));
        EXPECT_FALSE(DecodeImage(Fixture(file), PixelTarget {}));
    }
}

// The picture strip decodes on worker threads: calls must share no state, libtiff's error
// handlers included (a damaged file runs beside the good ones).
TEST(CodecDecode, ConcurrentDecodesAgreeWithSerialOnes)
{
    const std::vector<std::string> files = { "png_rgba.png", "jpeg_progressive.jpg", "gif_interlaced.gif",
        "tiff_unassociated.tif", "bmp_rle4.bmp", "ico_deepest.ico", "malformed/tiff_truncated.tif",
        "malformed/jpeg_truncated.jpg" };
    std::vector<std::vector<uint8_t>> inputs;
    std::vector<std::optional<Image>> serial;
    for (const std::string& file : files) {
        inputs.push_back(Fixture(file));
        serial.push_back(DecodeImage(inputs.back()));
    }
    constexpr int kThreads = 4;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round) {
                for (size_t i = 0; i < inputs.size(); ++i) {
                    const size_t k = (i + size_t(t)) % inputs.size();
                    const std::optional<Image> image = DecodeImage(inputs[k]);
                    if (image.has_value() != serial[k].has_value()
                        || (image && image->pixels != serial[k]->pixels))
                        ++mismatches[size_t(t)];
                }
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(mismatches[size_t(t)], 0) << "thread " << t;
}
