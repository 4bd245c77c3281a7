// BMP and ICO readers over arbitrary bytes: the size query and the decoder must agree, and no
// picture beyond the accepted maximum may be asked for.

#include "platform/raster/codecs/ImageCodecs.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace platform::raster;

namespace {

// The target refuses larger pictures: a fuzzer's time is better spent in the parsers than in
// clearing memory. The decoders' own checks still run first.
constexpr uint64_t kFuzzMaxPixels = uint64_t(1) << 22;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const ImageFormat format = DetectImageFormat(bytes);
    if (format != ImageFormat::Bmp && format != ImageFormat::Ico)
        return 0;
    const std::optional<ImageSize> reported = ReadImageSize(bytes);
    std::vector<uint32_t> pixels;
    std::optional<ImageSize> asked;
    const bool ok = DecodeImage(bytes, [&](ImageSize s) -> uint32_t* {
        asked = s;
        const uint64_t count = uint64_t(s.width) * uint64_t(s.height);
        if (s.width <= 0 || s.height <= 0 || count > kMaxImagePixels)
            __builtin_trap();
        if (count > kFuzzMaxPixels)
            return nullptr;
        pixels.assign(count, 0xA5A5A5A5u);
        return pixels.data();
    });
    if (ok && (!asked || !reported || !(*reported == *asked)))
        __builtin_trap();
    // Premultiplied output: no colour channel above alpha.
    if (ok) {
        for (uint32_t p : pixels) {
            const uint32_t a = p >> 24;
            if (((p >> 16) & 0xFF) > a || ((p >> 8) & 0xFF) > a || (p & 0xFF) > a)
                __builtin_trap();
        }
    }
    return 0;
}
