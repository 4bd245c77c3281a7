// Hostile pictures: declared sizes checked before any memory is taken, premultiplied pixels
// from every decoder whatever the file claims, and encoders that saturate invalid pixels.

#include "platform/raster/codecs/ImageCodecs.h"
#include "tests/support/CraftedPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace platform::raster;
using testsupport::PngDeclaring;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

std::vector<uint8_t> Fixture(const std::string& name)
{
    return ReadFile(std::string(GF_TEST_DATA) + "/" + name);
}

/// A target that remembers the size asked for and fills its memory with a pattern no
/// premultiplied pixel has, so that a pixel the decoder left alone shows.
struct PatternTarget {
    std::vector<uint32_t> memory;
    std::optional<ImageSize> asked;

    PixelTarget Get()
    {
        return [this](ImageSize size) -> uint32_t* {
            asked = size;
            if (uint64_t(size.width) * uint64_t(size.height) > (uint64_t(1) << 22))
                return nullptr;
            memory.assign(size_t(size.width) * size_t(size.height), 0x00FFFFFFu);
            return memory.data();
        };
    }
};

bool IsPremultiplied(uint32_t p)
{
    const uint32_t a = p >> 24;
    return ((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a;
}

/// The first pixel that is not premultiplied, as text; empty when all are.
std::string FirstBadPixel(const std::vector<uint32_t>& pixels)
{
    const auto bad = std::find_if_not(pixels.begin(), pixels.end(), IsPremultiplied);
    if (bad == pixels.end())
        return {};
    char text[32];
    std::snprintf(text, sizeof text, "#%08X at %zu", *bad, size_t(bad - pixels.begin()));
    return text;
}

} // namespace

// The limit is documented as 8192 x 8192; one row more is refused by the size query and by
// the decoder before it asks for memory. The 1 MB picture declaring 16384 x 16384 of old
// would have cost a gigabyte.
TEST(CodecHostile, DeclaredSizeCheckedAgainstTheLimitBeforeAnyMemory)
{
    EXPECT_EQ(kMaxImagePixels, uint64_t(8192) * 8192);
    struct Case {
        uint32_t width, height;
        bool sizeReads;
    } const cases[] = {
        { 8192, 8192, true },
        { 8192, 8193, false },
        { 16384, 16384, false },
        { 1, 0x7FFFFFFF, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        const std::vector<uint8_t> png = PngDeclaring(c.width, c.height);
        EXPECT_EQ(ReadImageSize(png).has_value(), c.sizeReads);
        PatternTarget target;
        EXPECT_FALSE(DecodeImage(png, target.Get()));
        // Too little data for the size it claims, or too large: no memory either way.
        EXPECT_FALSE(target.asked.has_value());
    }
}

// A TIFF that says its alpha is associated may carry colour above alpha; the decoder holds
// such channels at alpha.
TEST(CodecHostile, TiffWithColourAboveAssociatedAlphaDecodesPremultiplied)
{
    const std::optional<Image> image = DecodeImage(Fixture("tiff_colour_above_alpha.tif"));
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->pixels.size(), 2u);
    EXPECT_EQ(image->pixels[0], 0x40404032u); // 200, 100, 50 over 64
    EXPECT_EQ(image->pixels[1], 0x40201008u); // valid already: unchanged
}

// Whatever a damaged file holds, every pixel a successful decode delivers is premultiplied
// and written: the good fixtures, the damaged corpus and single damaged header bytes.
TEST(CodecHostile, DecodersDeliverPremultipliedPixelsOnDamagedInput)
{
    std::vector<std::vector<uint8_t>> inputs;
    for (const std::string& folder :
        { std::string(GF_TEST_DATA), std::string(GF_TEST_DATA) + "/malformed" }) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || ext == ".py")
                continue;
            const std::vector<uint8_t> bytes = ReadFile(entry.path().string());
            inputs.push_back(bytes);
            if (folder != GF_TEST_DATA)
                continue;
            // Every 13th header byte flipped, and the file cut short in the middle.
            for (size_t at = 0; at < std::min<size_t>(bytes.size(), 200); at += 13) {
                std::vector<uint8_t> flipped = bytes;
                flipped[at] ^= 0xA5;
                inputs.push_back(std::move(flipped));
            }
            inputs.emplace_back(bytes.begin(), bytes.begin() + std::ptrdiff_t(bytes.size() / 2));
        }
    }
    ASSERT_GT(inputs.size(), 500u);
    int decoded = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        PatternTarget target;
        if (!DecodeImage(inputs[i], target.Get()))
            continue;
        ++decoded;
        EXPECT_EQ(FirstBadPixel(target.memory), "") << "input " << i;
    }
    EXPECT_GT(decoded, 100);
}

// Encoders that store straight colour unpremultiply; a channel above alpha saturates at 255
// instead of wrapping into a dark colour, as the library's own colour functions do.
TEST(CodecHostile, EncodersSaturateChannelsAboveAlpha)
{
    const std::array<uint32_t, 2> pixels { 0x40FF8020u, 0x40402010u };
    for (ImageFormat format : { ImageFormat::Bmp, ImageFormat::Png }) {
        SCOPED_TRACE(int(format));
        const std::optional<std::vector<uint8_t>> encoded
            = EncodeImage(ImageView(pixels.data(), 2, 1), format);
        ASSERT_TRUE(encoded.has_value());
        const std::optional<Image> back = DecodeImage(*encoded);
        ASSERT_TRUE(back.has_value());
        if (format == ImageFormat::Bmp) {
            // 255 x 255 / 64 and 128 x 255 / 64 saturate; 32 x 255 / 64 is 127.
            EXPECT_EQ(back->pixels[0], 0xFFFFFF7Fu);
            EXPECT_EQ(back->pixels[1], 0xFFFF7F3Fu);
        } else {
            // Stored as 255, 255, 127 and 255, 127, 63 over 64; read back premultiplied.
            EXPECT_EQ(back->pixels[0], 0x4040401Fu);
            EXPECT_EQ(back->pixels[1], 0x40401F0Fu);
        }
    }
}
