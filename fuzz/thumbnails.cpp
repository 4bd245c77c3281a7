// Thumbnail decoding over arbitrary bytes: the Exif block search of a JPEG (its thumbnail must
// lie inside the picture's bytes), the scaled JPEG decode, and the thumbnail decode of every
// other format, at a wanted size taken from the input's last bytes. What decodes is
// premultiplied, and no larger than the whole picture unless a stored thumbnail was taken.

#include "platform/raster/codecs/ImageCodecs.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

using namespace platform::raster;

namespace {

constexpr uint64_t kFuzzMaxPixels = uint64_t(1) << 22;

[[noreturn]] void Fail()
{
    __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The last two bytes pick the wanted size, so the seeds (plain pictures) still decode.
    const ImageSize minimum { int32_t(data[size - 2]) + 1, int32_t(data[size - 1]) + 1 };
    const std::span<const uint8_t> bytes(data, size);
    if (DetectImageFormat(bytes) == ImageFormat::Unknown)
        return 0;

    if (const std::optional<std::span<const uint8_t>> thumbnail = FindExifThumbnail(bytes)) {
        if (thumbnail->data() < data || thumbnail->data() + thumbnail->size() > data + size)
            Fail();
        (void)ReadImageSize(*thumbnail);
    }

    const std::optional<ImageSize> full = ReadImageSize(bytes);
    for (EmbeddedThumbnail embedded : { EmbeddedThumbnail::Ignore, EmbeddedThumbnail::Use }) {
        std::vector<uint32_t> pixels;
        std::optional<ImageSize> asked;
        const bool ok = DecodeThumbnail(bytes, minimum, embedded, [&](ImageSize s) -> uint32_t* {
            asked = s;
            const uint64_t count = uint64_t(s.width) * uint64_t(s.height);
            if (s.width <= 0 || s.height <= 0 || count > kMaxImagePixels)
                Fail();
            if (count > kFuzzMaxPixels)
                return nullptr;
            pixels.assign(count, 0x00FFFFFFu);
            return pixels.data();
        });
        if (!ok)
            continue;
        // Decoded from the picture itself, a thumbnail is never larger than the picture (a
        // stored thumbnail may be: only its shape is checked against the picture's).
        if (!full || !asked)
            Fail();
        if (embedded == EmbeddedThumbnail::Ignore
            && (asked->width > full->width || asked->height > full->height))
            Fail();
        for (uint32_t p : pixels) {
            const uint32_t a = p >> 24;
            if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
                Fail();
        }
    }
    return 0;
}
