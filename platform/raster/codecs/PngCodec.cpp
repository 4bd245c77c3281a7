// PNG through libpng's simplified API, which handles every bit depth, palette, transparency
// chunk and gamma, and keeps libpng's longjmp error handling inside the library.

#include "platform/raster/codecs/CodecDetail.h"
#include "platform/raster/codecs/Premultiply.h"

#include <png.h>

#include <cstring>
#include <memory>

namespace platform::raster::detail {
namespace {

constexpr uint8_t kSignature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

// Deflate cannot expand data by more than this factor (258-byte matches in a few bits).
constexpr uint64_t kMaxDeflateRatio = 1032;

class ImageGuard {
public:
    explicit ImageGuard(png_image& image)
        : m_image(image)
    { }
    ~ImageGuard() { png_image_free(&m_image); }
    ImageGuard(const ImageGuard&) = delete;
    ImageGuard& operator=(const ImageGuard&) = delete;

private:
    png_image& m_image;
};

png_image NewImage()
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

/// Sum of the IDAT lengths up to IEND, without reading past the data.
uint64_t CompressedBytes(Bytes data)
{
    uint64_t total = 0;
    size_t at = 8;
    while (InRange(at, 8, data.size())) {
        const uint32_t length = Be32(data, at);
        const bool idat = std::memcmp(&data[at + 4], "IDAT", 4) == 0;
        if (std::memcmp(&data[at + 4], "IEND", 4) == 0)
            break;
        const uint64_t available = data.size() - at - 8;
        if (idat)
            total += length < available ? length : available;
        if (uint64_t(length) + 12 > data.size() - at)
            break;
        at += size_t(length) + 12;
    }
    return total;
}

/// False when the compressed data is too short to hold the declared picture, which would
/// otherwise cost a full-size allocation before the decoder notices.
bool HasPlausibleData(Bytes data, const PngHeader& header)
{
    const uint64_t rowBytes = (uint64_t(header.size.width) * uint64_t(header.bitsPerPixel) + 7) / 8 + 1;
    const uint64_t raw = rowBytes * uint64_t(header.size.height);
    return CompressedBytes(data) * kMaxDeflateRatio + 64 >= raw;
}

} // namespace

std::optional<PngHeader> PngReadHeader(Bytes data)
{
    // Signature, then the IHDR chunk: length, type, width, height, depth, colour type.
    if (data.size() < 8 + 8 + 13 || std::memcmp(data.data(), kSignature, 8) != 0
        || std::memcmp(&data[12], "IHDR", 4) != 0)
        return std::nullopt;
    const uint32_t width = Be32(data, 16);
    const uint32_t height = Be32(data, 20);
    const int32_t depth = data[24];
    int32_t channels = 0;
    switch (data[25]) {
    case 0:
        channels = 1;
        break;
    case 2:
        channels = 3;
        break;
    case 3:
        channels = 1;
        break;
    case 4:
        channels = 2;
        break;
    case 6:
        channels = 4;
        break;
    default:
        return std::nullopt;
    }
    if (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16)
        return std::nullopt;
    if (!IsAcceptedSize(width, height))
        return std::nullopt;
    return PngHeader { { int32_t(width), int32_t(height) }, depth * channels };
}

std::optional<ImageSize> PngReadSize(Bytes data)
{
    png_image image = NewImage();
    ImageGuard guard(image);
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
        return std::nullopt;
    if (!IsAcceptedSize(image.width, image.height))
        return std::nullopt;
    return ImageSize { int32_t(image.width), int32_t(image.height) };
}

bool PngDecode(Bytes data, const PixelTarget& target)
{
    const std::optional<PngHeader> header = PngReadHeader(data);
    if (!header || !HasPlausibleData(data, *header))
        return false;
    png_image image = NewImage();
    ImageGuard guard(image);
    if (!png_image_begin_read_from_memory(&image, data.data(), data.size()))
        return false;
    // The stride is counted in components and must fit png_int_32.
    if (!IsAcceptedSize(image.width, image.height) || image.width > INT32_MAX / 4)
        return false;
    const ImageSize size { int32_t(image.width), int32_t(image.height) };
    image.format = PNG_FORMAT_BGRA; // straight alpha; BGRA bytes are ARGB words here
    // 16-bit samples without colour chunks are sRGB-encoded like 8-bit ones, as every other
    // viewer reads them; libpng's default of linear light would show them far too bright.
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    uint32_t* pixels = RequestPixels(target, size);
    if (!pixels)
        return false;
    if (!png_image_finish_read(&image, nullptr, pixels, png_int_32(size.width * 4), nullptr))
        return false;
    PremultiplyPixels(pixels, PixelCount(size));
    return true;
}

EncodedBytes PngEncode(ImageView view)
{
    if (!IsEncodable(view) || view.width > INT32_MAX / 4)
        return std::nullopt;
    const size_t count = size_t(view.width) * size_t(view.height);
    std::vector<uint32_t> straight(count);
    UnpremultiplyPixels(view.pixels, straight.data(), count);

    png_image image = NewImage();
    ImageGuard guard(image);
    image.width = png_uint_32(view.width);
    image.height = png_uint_32(view.height);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t capacity = PNG_IMAGE_PNG_SIZE_MAX(image);
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[capacity]);
    png_alloc_size_t written = capacity;
    if (!png_image_write_to_memory(
            &image, buffer.get(), &written, 0, straight.data(), png_int_32(view.width * 4), nullptr)
        || written > capacity)
        return std::nullopt;
    return std::vector<uint8_t>(buffer.get(), buffer.get() + written);
}

} // namespace platform::raster::detail
