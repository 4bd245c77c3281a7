#pragma once

// Private to platform/raster/codecs: the per-format entry points behind ImageCodecs.h and the
// small helpers they share. Includes no library header.

#include "platform/raster/codecs/ImageCodecs.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform::raster::detail {

static_assert(std::endian::native == std::endian::little,
    "pixel words are shared with byte-order formats (BGRA bytes = ARGB words)");

using Bytes = std::span<const uint8_t>;
using EncodedBytes = std::optional<std::vector<uint8_t>>;

/// True when width x height is a picture the decoders accept: both above 0, both within
/// int32_t, and the product within kMaxImagePixels.
[[nodiscard]] constexpr bool IsAcceptedSize(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX
        && width <= kMaxImagePixels / height;
}

/// Asks the target for memory; nullptr when it refuses.
[[nodiscard]] inline uint32_t* RequestPixels(const PixelTarget& target, ImageSize size)
{
    return target ? target(size) : nullptr;
}

[[nodiscard]] inline size_t PixelCount(ImageSize size)
{
    return size_t(size.width) * size_t(size.height);
}

/// True when an encoder can take the view: pixels present and an accepted size.
[[nodiscard]] inline bool IsEncodable(ImageView image)
{
    return image.pixels && image.width > 0 && image.height > 0
        && IsAcceptedSize(uint64_t(image.width), uint64_t(image.height));
}

// Little- and big-endian reads at an offset; callers check the bounds first.
[[nodiscard]] inline uint16_t Le16(Bytes b, size_t at)
{
    return uint16_t(b[at] | (b[at + 1] << 8));
}
[[nodiscard]] inline uint32_t Le32(Bytes b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16)
        | (uint32_t(b[at + 3]) << 24);
}
[[nodiscard]] inline uint16_t Be16(Bytes b, size_t at)
{
    return uint16_t((b[at] << 8) | b[at + 1]);
}
[[nodiscard]] inline uint32_t Be32(Bytes b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8)
        | uint32_t(b[at + 3]);
}

/// True when [offset, offset + length) lies inside a block of `size` bytes, without overflow.
[[nodiscard]] constexpr bool InRange(uint64_t offset, uint64_t length, uint64_t size)
{
    return offset <= size && length <= size - offset;
}

// PNG (libpng simplified API).
[[nodiscard]] std::optional<ImageSize> PngReadSize(Bytes data);
[[nodiscard]] bool PngDecode(Bytes data, const PixelTarget& target);
[[nodiscard]] EncodedBytes PngEncode(ImageView image);

// JPEG (libjpeg-turbo). A `minimum` asks for the smallest M/8 scale (M = 1 ... 8) whose
// output still covers it; without one the picture decodes at full size.
[[nodiscard]] std::optional<ImageSize> JpegReadSize(Bytes data);
[[nodiscard]] bool JpegDecode(Bytes data, std::optional<ImageSize> minimum, const PixelTarget& target);
[[nodiscard]] EncodedBytes JpegEncode(ImageView image, int32_t quality);

// GIF (giflib): the first frame on its logical screen.
[[nodiscard]] std::optional<ImageSize> GifReadSize(Bytes data);
[[nodiscard]] bool GifDecode(Bytes data, const PixelTarget& target);
[[nodiscard]] EncodedBytes GifEncode(ImageView image);

// TIFF (libtiff): the first directory.
[[nodiscard]] std::optional<ImageSize> TiffReadSize(Bytes data);
[[nodiscard]] bool TiffDecode(Bytes data, const PixelTarget& target);
[[nodiscard]] EncodedBytes TiffEncode(ImageView image);

// BMP files and the device-independent bitmaps inside them and inside icons.
[[nodiscard]] std::optional<ImageSize> BmpReadSize(Bytes data);
[[nodiscard]] bool BmpDecode(Bytes data, const PixelTarget& target);
[[nodiscard]] EncodedBytes BmpEncode(ImageView image);

/// How an icon's bitmap differs from a BMP file's: doubled height and a 1-bit AND mask after
/// the colour rows.
enum class DibKind : uint8_t { File, Icon };

struct DibSummary {
    ImageSize size;
    int32_t bitCount = 0;
};

/// `dib` starts with the bitmap's info header (no file header); `pixelOffset` is where the
/// colour rows start, relative to `dib`, or 0 for "right after the header and palette".
[[nodiscard]] std::optional<DibSummary> DibReadSummary(Bytes dib, DibKind kind);
[[nodiscard]] bool DibDecode(Bytes dib, size_t pixelOffset, DibKind kind, const PixelTarget& target);

// ICO: the largest, then deepest entry.
[[nodiscard]] std::optional<ImageSize> IcoReadSize(Bytes data);
[[nodiscard]] bool IcoDecode(Bytes data, const PixelTarget& target);

/// Width, height and bits per pixel from a PNG's IHDR, without libpng.
struct PngHeader {
    ImageSize size;
    int32_t bitsPerPixel = 0;
};
[[nodiscard]] std::optional<PngHeader> PngReadHeader(Bytes data);

} // namespace platform::raster::detail
