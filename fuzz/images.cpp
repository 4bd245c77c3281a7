// Every image decoder over arbitrary bytes (PNG, JPEG, GIF, TIFF, BMP, ICO, picked by the
// magic number as the library picks them): the size query and the decoder agree, no picture
// beyond the accepted maximum is asked for, what decodes is premultiplied, and what decodes
// encodes again in every format with an encoder.

#include "platform/raster/codecs/ImageCodecs.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

using namespace platform::raster;

namespace {

// The target refuses larger pictures: a fuzzer's time is better spent in the parsers than in
// clearing memory. The decoders' own checks still run first.
constexpr uint64_t kFuzzMaxPixels = uint64_t(1) << 22;

[[noreturn]] void Fail()
{
    __builtin_trap();
}

bool IsPremultiplied(uint32_t p)
{
    const uint32_t a = p >> 24;
    return ((p >> 16) & 0xFF) <= a && ((p >> 8) & 0xFF) <= a && (p & 0xFF) <= a;
}

/// A target that checks the size asked for and hands out memory filled with a pattern, so
/// that a pixel the decoder leaves unwritten shows up as a colour above its alpha.
struct CheckingTarget {
    std::vector<uint32_t> pixels;
    std::optional<ImageSize> asked;

    PixelTarget Get()
    {
        return [this](ImageSize s) -> uint32_t* {
            if (asked)
                Fail(); // asked twice
            asked = s;
            const uint64_t count = uint64_t(s.width) * uint64_t(s.height);
            if (s.width <= 0 || s.height <= 0 || count > kMaxImagePixels)
                Fail();
            if (count > kFuzzMaxPixels)
                return nullptr;
            pixels.assign(count, 0x00FFFFFFu);
            return pixels.data();
        };
    }

    void CheckPremultiplied() const
    {
        for (uint32_t p : pixels)
            if (!IsPremultiplied(p))
                Fail();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    if (DetectImageFormat(bytes) == ImageFormat::Unknown)
        return 0;
    const std::optional<ImageSize> reported = ReadImageSize(bytes);
    if (reported && uint64_t(reported->width) * uint64_t(reported->height) > kMaxImagePixels)
        Fail();

    CheckingTarget target;
    const bool ok = DecodeImage(bytes, target.Get());
    if (!ok)
        return 0;
    if (!target.asked || !reported || !(*reported == *target.asked))
        Fail();
    target.CheckPremultiplied();

    // Small pictures go round through every encoder: what a decoder delivers, an encoder
    // takes, and it reads back premultiplied at its size.
    if (target.pixels.size() <= 4096) {
        const ImageView view(target.pixels.data(), target.asked->width, target.asked->height);
        for (ImageFormat format :
            { ImageFormat::Png, ImageFormat::Jpeg, ImageFormat::Gif, ImageFormat::Tiff, ImageFormat::Bmp }) {
            const std::optional<std::vector<uint8_t>> encoded = EncodeImage(view, format);
            if (!encoded)
                Fail();
            const std::optional<Image> back = DecodeImage(*encoded);
            if (!back || back->width != view.width || back->height != view.height)
                Fail();
            for (uint32_t p : back->pixels)
                if (!IsPremultiplied(p))
                    Fail();
        }
    }
    return 0;
}
