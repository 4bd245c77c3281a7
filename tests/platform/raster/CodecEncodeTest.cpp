#include "platform/raster/codecs/ImageCodecs.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
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

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

/// Straight colours compare fully only where they are visible.
bool SameStraight(uint32_t got, uint32_t want, int tolerance)
{
    if ((want >> 24) == 0)
        return (got >> 24) == 0;
    return ChannelDistance(got, want) <= tolerance;
}

// Six 16 x 16 blocks of premultiplied colour, side by side.
constexpr int kBlock = 16;
constexpr int kBlocks = 6;
constexpr uint32_t kBlockColours[kBlocks] = {
    0xFF123456, // opaque
    0x80800000, // red at alpha 128
    0x40200000, // red at alpha 64 (straight 127)
    0x00000000, // transparent
    0x7F7F0000, // red just below half alpha
    0x80404040, // grey at alpha 128 (straight 127)
};

Image Blocks()
{
    Image image { kBlock * kBlocks, kBlock, {} };
    image.pixels.resize(size_t(image.width) * size_t(image.height));
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image.pixels[size_t(y * image.width + x)] = kBlockColours[x / kBlock];
    return image;
}

uint32_t BlockCentre(const Image& image, int block)
{
    return image.pixels[size_t((kBlock / 2) * image.width + block * kBlock + kBlock / 2)];
}

struct FormatCase {
    ImageFormat format;
    const char* extension;
    uint32_t ours[kBlocks]; // what our decoder gives back (premultiplied)
    uint32_t straight[kBlocks]; // what an independent decoder sees (straight)
    int tolerance;
};

// PNG and TIFF keep alpha; BMP and JPEG store the unpremultiplied colour and drop alpha, so a
// translucent red comes back full red, not darkened; GIF keeps pixels of alpha 128 and up.
const FormatCase kFormats[] = {
    { ImageFormat::Png, "png", { 0xFF123456, 0x80800000, 0x40200000, 0x00000000, 0x7F7F0000, 0x80404040 },
        { 0xFF123456, 0x80FF0000, 0x407F0000, 0x00000000, 0x7FFF0000, 0x807F7F7F }, 1 },
    { ImageFormat::Tiff, "tif", { 0xFF123456, 0x80800000, 0x40200000, 0x00000000, 0x7F7F0000, 0x80404040 },
        { 0xFF123456, 0x80FF0000, 0x407F0000, 0x00000000, 0x7FFF0000, 0x807F7F7F }, 1 },
    { ImageFormat::Bmp, "bmp", { 0xFF123456, 0xFFFF0000, 0xFF7F0000, 0xFF000000, 0xFFFF0000, 0xFF7F7F7F },
        { 0xFF123456, 0xFFFF0000, 0xFF7F0000, 0xFF000000, 0xFFFF0000, 0xFF7F7F7F }, 0 },
    { ImageFormat::Jpeg, "jpg", { 0xFF123456, 0xFFFF0000, 0xFF7F0000, 0xFF000000, 0xFFFF0000, 0xFF7F7F7F },
        { 0xFF123456, 0xFFFF0000, 0xFF7F0000, 0xFF000000, 0xFFFF0000, 0xFF7F7F7F }, 8 },
    { ImageFormat::Gif, "gif", { 0xFF123456, 0xFFFF0000, 0x00000000, 0x00000000, 0x00000000, 0xFF7F7F7F },
        { 0xFF123456, 0xFFFF0000, 0x00000000, 0x00000000, 0x00000000, 0xFF7F7F7F }, 8 },
};

std::string FindPythonWithPil()
{
    for (const char* candidate : { "/usr/bin/python3", "python3" }) {
        const std::string probe = std::string(candidate) + " -c \"import PIL.Image\" > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0)
            return candidate;
    }
    return {};
}

/// A picture with every alpha value and valid premultiplied channels (none above alpha).
Image TranslucentGradient()
{
    Image image { 16, 16, {} };
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            const uint32_t a = x * 17;
            const uint32_t r = a * y / 15, g = a * (15 - y) / 15, b = a * ((x + y) % 16) / 15;
            image.pixels.push_back(a << 24 | r << 16 | g << 8 | b);
        }
    }
    return image;
}

} // namespace

TEST(CodecEncode, RoundTripThroughOurDecoder)
{
    const Image picture = Blocks();
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.extension);
        const std::optional<std::vector<uint8_t>> bytes = EncodeImage(picture, c.format, { 90 });
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(DetectImageFormat(*bytes), c.format);
        const std::optional<Image> back = DecodeImage(*bytes);
        ASSERT_TRUE(back.has_value());
        ASSERT_EQ(back->width, picture.width);
        ASSERT_EQ(back->height, picture.height);
        for (int block = 0; block < kBlocks; ++block) {
            const uint32_t got = BlockCentre(*back, block);
            EXPECT_LE(ChannelDistance(got, c.ours[block]), c.tolerance)
                << "block " << block << ": " << Hex(got) << ", expected " << Hex(c.ours[block]);
        }
    }
}

TEST(CodecEncode, PngAndTiffKeepEveryTranslucentPixel)
{
    const Image picture = TranslucentGradient();
    // TIFF stores premultiplied samples as they are; PNG stores straight ones, and the
    // truncating conversions there and back may lose one step per channel.
    for (auto [format, tolerance] :
        { std::pair { ImageFormat::Tiff, 0 }, std::pair { ImageFormat::Png, 1 } }) {
        SCOPED_TRACE(int(format));
        const std::optional<std::vector<uint8_t>> bytes = EncodeImage(picture, format);
        ASSERT_TRUE(bytes.has_value());
        const std::optional<Image> back = DecodeImage(*bytes);
        ASSERT_TRUE(back.has_value());
        ASSERT_EQ(back->pixels.size(), picture.pixels.size());
        for (size_t i = 0; i < picture.pixels.size(); ++i) {
            ASSERT_LE(ChannelDistance(back->pixels[i], picture.pixels[i]), tolerance)
                << "pixel " << i << ": " << Hex(back->pixels[i]) << ", expected " << Hex(picture.pixels[i]);
            ASSERT_EQ(back->pixels[i] >> 24, picture.pixels[i] >> 24) << "pixel " << i;
        }
    }
}

TEST(CodecEncode, SavedFilesOpenInAnIndependentDecoder)
{
    const std::string python = FindPythonWithPil();
    if (python.empty())
        GTEST_SKIP() << "python3 with PIL is not installed";
    const Image picture = Blocks();
    const std::string folder = GF_TEST_OUTPUT;
    std::string files;
    for (const FormatCase& c : kFormats) {
        const std::optional<std::vector<uint8_t>> bytes = EncodeImage(picture, c.format, { 90 });
        ASSERT_TRUE(bytes.has_value());
        const std::string path = folder + "/independent." + c.extension;
        WriteFile(path, *bytes);
        std::remove((path + ".rgba").c_str());
        files += " '" + path + "'";
    }
    const std::string script = folder + "/independent_decode.py";
    {
        std::ofstream out(script);
        out << "import sys\nfrom PIL import Image\n"
               "for name in sys.argv[1:]:\n"
               "    im = Image.open(name)\n"
               "    im.load()\n"
               "    open(name + '.rgba', 'wb').write(im.convert('RGBA').tobytes())\n";
    }
    ASSERT_EQ(std::system((python + " '" + script + "'" + files).c_str()), 0);

    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.extension);
        const std::vector<uint8_t> rgba = ReadFile(folder + "/independent." + c.extension + ".rgba");
        ASSERT_EQ(rgba.size(), size_t(picture.width) * size_t(picture.height) * 4);
        for (int block = 0; block < kBlocks; ++block) {
            const size_t at = (size_t((kBlock / 2) * picture.width + block * kBlock + kBlock / 2)) * 4;
            const uint32_t got = uint32_t(rgba[at + 3]) << 24 | uint32_t(rgba[at]) << 16
                | uint32_t(rgba[at + 1]) << 8 | rgba[at + 2];
            EXPECT_TRUE(SameStraight(got, c.straight[block], c.tolerance))
                << "block " << block << ": " << Hex(got) << ", expected " << Hex(c.straight[block]);
        }
    }
}

TEST(CodecEncode, JpegQualityIsHonoured)
{
    // Deterministic noise: every quality step changes what survives.
    Image picture { 64, 64, {} };
    uint32_t state = 12345;
    for (int i = 0; i < 64 * 64; ++i) {
        state = state * 1664525u + 1013904223u;
        picture.pixels.push_back(0xFF000000u | (state >> 8 & 0xFFFFFF));
    }
    auto encode = [&](int quality) { return EncodeImage(picture, ImageFormat::Jpeg, { quality }).value(); };
    auto error = [&](const std::vector<uint8_t>& bytes) {
        const Image back = DecodeImage(bytes).value();
        double sum = 0;
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8)
                sum += std::abs(
                    int((back.pixels[i] >> shift) & 0xFF) - int((picture.pixels[i] >> shift) & 0xFF));
        return sum / double(picture.pixels.size() * 3);
    };
    size_t previousSize = 0;
    double previousError = 1e9;
    for (int quality : { 5, 25, 50, 75, 95, 100 }) {
        SCOPED_TRACE(quality);
        const std::vector<uint8_t> bytes = encode(quality);
        const double e = error(bytes);
        EXPECT_GT(bytes.size(), previousSize);
        EXPECT_LT(e, previousError);
        previousSize = bytes.size();
        previousError = e;
    }
    EXPECT_EQ(EncodeImage(picture, ImageFormat::Jpeg).value(), encode(kDefaultJpegQuality));
    EXPECT_EQ(encode(-5), encode(1)); // out of range: clamped (libjpeg's lowest is 1)
    EXPECT_EQ(encode(150), encode(100));
}

TEST(CodecEncode, OtherEncodersIgnoreQuality)
{
    const Image picture = Blocks();
    for (ImageFormat format : { ImageFormat::Png, ImageFormat::Bmp, ImageFormat::Gif, ImageFormat::Tiff }) {
        SCOPED_TRACE(int(format));
        EXPECT_EQ(EncodeImage(picture, format, { 5 }), EncodeImage(picture, format, { 100 }));
    }
}

TEST(CodecEncode, RefusedPictures)
{
    const std::vector<uint32_t> four(4, 0xFF0000FF);
    const std::vector<uint32_t> wide(70000, 0xFF0000FF);
    struct Case {
        const char* what;
        ImageView view;
        ImageFormat format;
    } cases[] = {
        { "no pixels", ImageView(nullptr, 2, 2), ImageFormat::Png },
        { "zero width", ImageView(four.data(), 0, 2), ImageFormat::Png },
        { "negative height", ImageView(four.data(), 2, -2), ImageFormat::Bmp },
        { "empty view", ImageView(), ImageFormat::Tiff },
        { "no ICO encoder", ImageView(four.data(), 2, 2), ImageFormat::Ico },
        { "unknown format", ImageView(four.data(), 2, 2), ImageFormat::Unknown },
        { "GIF wider than 65535", ImageView(wide.data(), 70000, 1), ImageFormat::Gif },
        { "JPEG wider than 65500", ImageView(wide.data(), 70000, 1), ImageFormat::Jpeg },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(EncodeImage(c.view, c.format).has_value());
    }
    // Formats without such a limit take the wide picture.
    for (ImageFormat format : { ImageFormat::Png, ImageFormat::Bmp, ImageFormat::Tiff }) {
        SCOPED_TRACE(int(format));
        const std::optional<std::vector<uint8_t>> bytes
            = EncodeImage(ImageView(wide.data(), 70000, 1), format);
        ASSERT_TRUE(bytes.has_value());
        EXPECT_EQ(ReadImageSize(*bytes), (ImageSize { 70000, 1 }));
    }
}

TEST(CodecEncode, FullyTransparentAndSingleColourPictures)
{
    struct Case {
        uint32_t colour;
        ImageFormat format;
        uint32_t back;
    } cases[] = {
        { 0x00000000, ImageFormat::Gif, 0x00000000 },
        { 0x00000000, ImageFormat::Png, 0x00000000 },
        { 0x00000000, ImageFormat::Bmp, 0xFF000000 },
        { 0xFF00FF00, ImageFormat::Gif, 0xFF00FF00 },
        { 0xFFFFFFFF, ImageFormat::Gif, 0xFFFFFFFF },
        { 0x80808080, ImageFormat::Gif, 0xFFFFFFFF },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Hex(c.colour) + " format " + std::to_string(int(c.format)));
        const std::vector<uint32_t> pixels(7 * 5, c.colour);
        const std::optional<std::vector<uint8_t>> bytes
            = EncodeImage(ImageView(pixels.data(), 7, 5), c.format);
        ASSERT_TRUE(bytes.has_value());
        const std::optional<Image> back = DecodeImage(*bytes);
        ASSERT_TRUE(back.has_value());
        for (uint32_t p : back->pixels)
            ASSERT_LE(ChannelDistance(p, c.back), 8) << Hex(p);
    }
}

TEST(CodecEncode, RotateQuarterTurns)
{
    const uint32_t source[6] = { 1, 2, 3, 4, 5, 6 }; // 3 x 2
    struct Case {
        int turns;
        int width, height;
        uint32_t expected[6];
    } cases[] = {
        { 0, 3, 2, { 1, 2, 3, 4, 5, 6 } },
        { 1, 2, 3, { 4, 1, 5, 2, 6, 3 } },
        { 2, 3, 2, { 6, 5, 4, 3, 2, 1 } },
        { 3, 2, 3, { 3, 6, 2, 5, 1, 4 } },
        { 4, 3, 2, { 1, 2, 3, 4, 5, 6 } },
        { -1, 2, 3, { 3, 6, 2, 5, 1, 4 } },
        { 5, 2, 3, { 4, 1, 5, 2, 6, 3 } },
        { -6, 3, 2, { 6, 5, 4, 3, 2, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.turns);
        uint32_t target[6] = {};
        RotateQuarterTurns(ImageView(source, 3, 2), c.turns, target);
        EXPECT_EQ(
            std::vector<uint32_t>(target, target + 6), std::vector<uint32_t>(c.expected, c.expected + 6));
    }
}

// Saves may run beside each other and beside decodes: no encoder may share state between
// calls (giflib's quantiser keeps some in a file-scope variable).
TEST(CodecEncode, ConcurrentEncodesAgreeWithSerialOnes)
{
    const Image picture = TranslucentGradient();
    const ImageFormat formats[]
        = { ImageFormat::Gif, ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Tiff, ImageFormat::Bmp };
    std::vector<std::vector<uint8_t>> serial;
    for (ImageFormat format : formats)
        serial.push_back(EncodeImage(picture, format).value());
    constexpr int kThreads = 4;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                for (size_t i = 0; i < std::size(formats); ++i) {
                    const size_t k = (i + size_t(t)) % std::size(formats);
                    if (EncodeImage(picture, formats[k]) != serial[k])
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
