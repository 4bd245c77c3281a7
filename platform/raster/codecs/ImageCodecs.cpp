#include "platform/raster/codecs/ImageCodecs.h"

#include "platform/raster/codecs/CodecDetail.h"

#include <algorithm>
#include <cstring>

namespace platform::raster {
namespace {

using detail::Bytes;

bool StartsWith(Bytes data, std::initializer_list<uint8_t> magic)
{
    return data.size() >= magic.size() && std::equal(magic.begin(), magic.end(), data.begin());
}

/// A target that remembers whether the decoder got as far as asking for memory.
PixelTarget Watching(const PixelTarget& target, bool& asked)
{
    return [&target, &asked](ImageSize size) -> uint32_t* {
        asked = true;
        return detail::RequestPixels(target, size);
    };
}

std::optional<Image> DecodeToImage(const std::function<bool(const PixelTarget&)>& decode)
{
    Image image;
    const bool ok = decode([&image](ImageSize size) -> uint32_t* {
        image.width = size.width;
        image.height = size.height;
        image.pixels.resize(detail::PixelCount(size));
        return image.pixels.data();
    });
    if (!ok)
        return std::nullopt;
    return image;
}

/// Thumbnail and picture agree in shape to within one thumbnail pixel.
bool HasAspectOf(ImageSize thumbnail, ImageSize picture)
{
    const int64_t cross
        = int64_t(thumbnail.width) * picture.height - int64_t(thumbnail.height) * picture.width;
    return (cross < 0 ? -cross : cross) <= std::max(picture.width, picture.height);
}

} // namespace

ImageFormat DetectImageFormat(std::span<const uint8_t> data)
{
    if (StartsWith(data, { 0x89, 'P', 'N', 'G' }))
        return ImageFormat::Png;
    if (StartsWith(data, { 0xFF, 0xD8, 0xFF }))
        return ImageFormat::Jpeg;
    if (StartsWith(data, { 'G', 'I', 'F', '8' }))
        return ImageFormat::Gif;
    if (StartsWith(data, { 'I', 'I', '*', 0 }) || StartsWith(data, { 'M', 'M', 0, '*' }))
        return ImageFormat::Tiff;
    if (StartsWith(data, { 'B', 'M' }))
        return ImageFormat::Bmp;
    if (StartsWith(data, { 0, 0, 1, 0 }))
        return ImageFormat::Ico;
    return ImageFormat::Unknown;
}

std::optional<ImageSize> ReadImageSize(std::span<const uint8_t> data)
{
    switch (DetectImageFormat(data)) {
    case ImageFormat::Png:
        return detail::PngReadSize(data);
    case ImageFormat::Jpeg:
        return detail::JpegReadSize(data);
    case ImageFormat::Gif:
        return detail::GifReadSize(data);
    case ImageFormat::Tiff:
        return detail::TiffReadSize(data);
    case ImageFormat::Bmp:
        return detail::BmpReadSize(data);
    case ImageFormat::Ico:
        return detail::IcoReadSize(data);
    case ImageFormat::Unknown:
        break;
    }
    return std::nullopt;
}

bool DecodeImage(std::span<const uint8_t> data, const PixelTarget& target)
{
    switch (DetectImageFormat(data)) {
    case ImageFormat::Png:
        return detail::PngDecode(data, target);
    case ImageFormat::Jpeg:
        return detail::JpegDecode(data, std::nullopt, target);
    case ImageFormat::Gif:
        return detail::GifDecode(data, target);
    case ImageFormat::Tiff:
        return detail::TiffDecode(data, target);
    case ImageFormat::Bmp:
        return detail::BmpDecode(data, target);
    case ImageFormat::Ico:
        return detail::IcoDecode(data, target);
    case ImageFormat::Unknown:
        break;
    }
    return false;
}

std::optional<Image> DecodeImage(std::span<const uint8_t> data)
{
    return DecodeToImage([data](const PixelTarget& target) { return DecodeImage(data, target); });
}

bool DecodeThumbnail(
    std::span<const uint8_t> data, ImageSize minimum, EmbeddedThumbnail embedded, const PixelTarget& target)
{
    if (DetectImageFormat(data) != ImageFormat::Jpeg)
        return DecodeImage(data, target);
    const std::optional<ImageSize> full = detail::JpegReadSize(data);
    if (!full)
        return false;
    const ImageSize needed { std::min(minimum.width, full->width), std::min(minimum.height, full->height) };
    if (embedded == EmbeddedThumbnail::Use) {
        const std::optional<Bytes> stored = FindExifThumbnail(data);
        const std::optional<ImageSize> size = stored ? detail::JpegReadSize(*stored) : std::nullopt;
        // A thumbnail smaller than needed would be enlarged, and one of another shape (letter-
        // boxed, or left over from before an edit) would show the wrong picture.
        if (size && size->width >= needed.width && size->height >= needed.height
            && HasAspectOf(*size, *full)) {
            // A damaged thumbnail that failed before asking for memory leaves the picture.
            bool asked = false;
            if (detail::JpegDecode(*stored, needed, Watching(target, asked)))
                return true;
            if (asked)
                return false;
        }
    }
    return detail::JpegDecode(data, needed, target);
}

std::optional<Image> DecodeThumbnail(
    std::span<const uint8_t> data, ImageSize minimum, EmbeddedThumbnail embedded)
{
    return DecodeToImage(
        [&](const PixelTarget& target) { return DecodeThumbnail(data, minimum, embedded, target); });
}

std::optional<std::vector<uint8_t>> EncodeImage(ImageView image, ImageFormat format, EncoderOptions options)
{
    switch (format) {
    case ImageFormat::Png:
        return detail::PngEncode(image);
    case ImageFormat::Jpeg:
        return detail::JpegEncode(image, options.quality);
    case ImageFormat::Gif:
        return detail::GifEncode(image);
    case ImageFormat::Tiff:
        return detail::TiffEncode(image);
    case ImageFormat::Bmp:
        return detail::BmpEncode(image);
    case ImageFormat::Ico:
    case ImageFormat::Unknown:
        break;
    }
    return std::nullopt;
}

void RotateQuarterTurns(ImageView source, int32_t quarterTurns, uint32_t* target)
{
    if (!source.pixels || !target || source.width <= 0 || source.height <= 0)
        return;
    const size_t w = size_t(source.width);
    const size_t h = size_t(source.height);
    const uint32_t* from = source.pixels;
    switch (((quarterTurns % 4) + 4) % 4) {
    case 0:
        std::copy(from, from + w * h, target);
        break;
    case 1: // the top row becomes the right column
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                target[x * h + (h - 1 - y)] = from[y * w + x];
        break;
    case 2:
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                target[(h - 1 - y) * w + (w - 1 - x)] = from[y * w + x];
        break;
    case 3: // the top row becomes the left column, read upwards
        for (size_t y = 0; y < h; ++y)
            for (size_t x = 0; x < w; ++x)
                target[(w - 1 - x) * h + y] = from[y * w + x];
        break;
    }
}

} // namespace platform::raster
