#include "platform/raster/codecs/ImageCodecs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

using namespace platform::raster;

namespace {

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

const std::string kMalformed = std::string(GF_TEST_DATA) + "/malformed/";

/// A target that hands out memory and remembers what was asked of it.
struct RecordingTarget {
    std::vector<uint32_t> memory;
    std::optional<ImageSize> asked;

    PixelTarget Get()
    {
        return [this](ImageSize size) {
            asked = size;
            memory.assign(size_t(size.width) * size_t(size.height), 0);
            return memory.data();
        };
    }
};

} // namespace

TEST(CodecMalformed, EveryCorpusFileFailsCleanly)
{
    // sizeReads: the headers are intact, so the size query may answer.
    // asksMemory: the damage lies past the point where the decoder sizes its output.
    struct Case {
        const char* file;
        bool sizeReads;
        bool asksMemory;
    } cases[] = {
        { "png_truncated.png", true, true },
        { "png_wrong_magic.png", false, false },
        { "png_huge.png", false, false },
        { "png_huge_under_cap.png", false, false }, // declared size beyond the limit
        { "png_zero_width.png", false, false },
        { "jpeg_truncated.jpg", true, true },
        { "jpeg_wrong_magic.jpg", false, false },
        { "jpeg_huge.jpg", false, false },
        { "jpeg_zero_height.jpg", false, false },
        { "jpeg_headers_only.jpg", true, true },
        { "gif_truncated.gif", true, true },
        { "gif_wrong_magic.gif", false, false },
        { "gif_huge.gif", false, false },
        { "gif_zero.gif", false, false },
        { "tiff_truncated.tif", false, false },
        { "tiff_wrong_magic.tif", false, false },
        { "tiff_huge.tif", false, false },
        { "tiff_zero_width.tif", false, false },
        { "bmp_truncated.bmp", true, false },
        { "bmp_wrong_magic.bmp", false, false },
        { "bmp_huge.bmp", false, false },
        { "bmp_huge_under_cap.bmp", false, false }, // 10000 x 10000 declared: beyond the limit
        { "bmp_zero_width.bmp", false, false },
        { "bmp_min_height.bmp", false, false },
        { "bmp_header_too_long.bmp", false, false },
        { "bmp_bad_bit_count.bmp", false, false },
        { "bmp_rle_truncated.bmp", true, true },
        { "ico_truncated.ico", true, false }, // the entry picked first lost its pixels
        { "ico_wrong_magic.ico", false, false },
        { "ico_zero_entries.ico", false, false },
        { "ico_huge.ico", false, false },
        { "ico_entries_outside.ico", false, false },
    };
    std::set<std::string> listed;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        listed.insert(c.file);
        const std::vector<uint8_t> bytes = ReadFile(kMalformed + c.file);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(ReadImageSize(bytes).has_value(), c.sizeReads);
        RecordingTarget target;
        EXPECT_FALSE(DecodeImage(bytes, target.Get()));
        EXPECT_EQ(target.asked.has_value(), c.asksMemory);
        EXPECT_FALSE(DecodeThumbnail(bytes, { 8, 8 }, EmbeddedThumbnail::Use).has_value());
    }
    // Every file of the corpus has its expectations here.
    for (const auto& entry : std::filesystem::directory_iterator(kMalformed))
        EXPECT_TRUE(listed.count(entry.path().filename().string()))
            << entry.path().filename() << " is not listed";
}

// Every prefix of every fixture: no crash (the sanitizers watch), no memory asked beyond the
// real picture's size, and a prefix that still decodes agrees with the size query.
TEST(CodecMalformed, EveryPrefixOfEveryFixture)
{
    for (const auto& entry : std::filesystem::directory_iterator(GF_TEST_DATA)) {
        const std::string ext = entry.path().extension().string();
        if (!entry.is_regular_file() || ext == ".py" || ext == ".bin")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<uint8_t> bytes = ReadFile(entry.path().string());
        const std::optional<ImageSize> full = ReadImageSize(bytes);
        ASSERT_TRUE(full.has_value());
        const size_t step = std::max<size_t>(1, bytes.size() / 300);
        for (size_t length = 0; length < bytes.size(); length += step) {
            const std::span<const uint8_t> prefix(bytes.data(), length);
            RecordingTarget target;
            const bool ok = DecodeImage(prefix, target.Get());
            const std::optional<ImageSize> size = ReadImageSize(prefix);
            if (target.asked) {
                EXPECT_LE(uint64_t(target.asked->width) * uint64_t(target.asked->height),
                    uint64_t(full->width) * uint64_t(full->height))
                    << "prefix of " << length << " bytes";
            }
            if (ok) {
                // An icon may fall back to an intact smaller entry; the size query follows it.
                ASSERT_TRUE(target.asked.has_value());
                EXPECT_EQ(size, target.asked) << "prefix of " << length << " bytes";
            }
        }
    }
}

// Single damaged bytes in the headers of each format: whatever comes of it, the decoder asks
// for no more than the accepted maximum and the size it asks for is the one the size query
// reports.
TEST(CodecMalformed, FlippedHeaderBytes)
{
    for (const char* file :
        { "png_rgba.png", "jpeg_quadrants.jpg", "gif_interlaced.gif", "tiff_unassociated.tif", "bmp_rle4.bmp",
            "bmp_32_v5_alpha.bmp", "ico_deepest.ico", "ico_png_entry.ico" }) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> original = ReadFile(std::string(GF_TEST_DATA) + "/" + file);
        const size_t headerBytes = std::min<size_t>(original.size(), 160);
        for (size_t at = 0; at < headerBytes; ++at) {
            for (uint8_t value : { uint8_t(0x00), uint8_t(0xFF), uint8_t(original[at] ^ 0x80) }) {
                std::vector<uint8_t> bytes = original;
                bytes[at] = value;
                RecordingTarget target;
                const bool ok = DecodeImage(bytes, target.Get());
                const std::optional<ImageSize> size = ReadImageSize(bytes);
                if (target.asked) {
                    EXPECT_LE(
                        uint64_t(target.asked->width) * uint64_t(target.asked->height), kMaxImagePixels);
                }
                if (ok) {
                    ASSERT_TRUE(size.has_value()) << "byte " << at << " = " << int(value);
                    EXPECT_EQ(*size, *target.asked) << "byte " << at << " = " << int(value);
                }
            }
        }
    }
}
