#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

// Image decoding and encoding over bytes in memory. Pixels are premultiplied ARGB32 in
// top-down rows with a stride of width x 4 bytes: the layout of the system's bitmaps and of
// cairo's ARGB32 surfaces. Every call owns its codec objects and shares no state, so pictures
// may be decoded on worker threads. Bad input (wrong magic, truncated data, zero or absurd
// sizes) gives a clean failure, never a crash or an unbounded allocation.
namespace platform::raster {

enum class ImageFormat : uint8_t { Unknown, Png, Jpeg, Gif, Tiff, Bmp, Ico };

/// Largest picture (width x height) any decoder accepts: 64 Mi pixels (256 MB of pixels, a
/// square of 8192 x 8192). Every decoder compares the size its headers declare with it before
/// asking for memory; larger declared sizes fail without allocating.
inline constexpr uint64_t kMaxImagePixels = uint64_t(1) << 26;

inline constexpr int32_t kDefaultJpegQuality = 75;

struct ImageSize {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const ImageSize&, const ImageSize&) = default;
};

/// A decoded picture that owns its pixels (width x height premultiplied ARGB32 values).
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

/// Pixels to encode, not owned: width x height premultiplied ARGB32 values, stride width.
struct ImageView {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;

    ImageView() = default;
    ImageView(const uint32_t* pixels, int32_t width, int32_t height)
        : pixels(pixels)
        , width(width)
        , height(height)
    { }
    ImageView(const Image& image)
        : pixels(image.pixels.data())
        , width(image.width)
        , height(image.height)
    { }
};

/// Where a decoder puts its pixels. Called at most once, after the headers have been checked
/// and before any pixel is written, with the size of the picture that follows; returns
/// memory for width x height pixels (stride width x 4), or nullptr to cancel the decode.
/// The decoder writes every pixel (it never blends with what the memory held); when it
/// fails after the call, the memory may hold part of the picture. Exceptions thrown by the
/// target propagate to the caller after the decoder has released its resources.
using PixelTarget = std::function<uint32_t*(ImageSize size)>;

/// The format of a picture by its first bytes; only the magic numbers are looked at.
[[nodiscard]] ImageFormat DetectImageFormat(std::span<const uint8_t> data);

/// The size a decode would produce, read from the headers only (for GIF the logical screen,
/// for ICO the entry a decode would pick). Nothing when the headers do not read or the size
/// is zero or above kMaxImagePixels.
[[nodiscard]] std::optional<ImageSize> ReadImageSize(std::span<const uint8_t> data);

/// Decodes the first frame of a PNG, JPEG, GIF, TIFF, BMP or ICO picture into the memory
/// `target` provides. False on any failure, including a cancelling target.
[[nodiscard]] bool DecodeImage(std::span<const uint8_t> data, const PixelTarget& target);
[[nodiscard]] std::optional<Image> DecodeImage(std::span<const uint8_t> data);

enum class EmbeddedThumbnail : uint8_t { Ignore, Use };

/// Decodes a picture for a thumbnail that will be drawn at `minimum` (the caller scales the
/// result down to that size). The result keeps the picture's aspect and is at least
/// `minimum` in both directions, or the full picture when that is smaller; it is only as
/// large as a cheap decode allows: a JPEG decodes at 1/8 ... 8/8 of its size, and with
/// EmbeddedThumbnail::Use the picture's Exif thumbnail is taken when it has the picture's
/// aspect and covers `minimum`. Other formats decode at full size. False on any failure.
[[nodiscard]] bool DecodeThumbnail(
    std::span<const uint8_t> data, ImageSize minimum, EmbeddedThumbnail embedded, const PixelTarget& target);
[[nodiscard]] std::optional<Image> DecodeThumbnail(
    std::span<const uint8_t> data, ImageSize minimum, EmbeddedThumbnail embedded);

/// The JPEG thumbnail stored in a JPEG picture's Exif block (IFD1), as a view into `jpeg`;
/// nothing when the picture has none.
[[nodiscard]] std::optional<std::span<const uint8_t>> FindExifThumbnail(std::span<const uint8_t> jpeg);

struct EncoderOptions {
    /// JPEG quality, 0 to 100 (values outside are clamped); the other encoders ignore it.
    int32_t quality = kDefaultJpegQuality;
};

/// Encodes premultiplied pixels as a complete file image. PNG and TIFF (LZW, associated
/// alpha) keep the alpha channel; JPEG and BMP (24-bit) store the unpremultiplied colours and
/// drop alpha; GIF quantises to at most 255 colours plus a transparent index for pixels whose
/// alpha is below 128. ICO and Unknown have no encoder. Nothing on failure (an empty or
/// oversized picture, a format without encoder, a library error).
[[nodiscard]] std::optional<std::vector<uint8_t>> EncodeImage(
    ImageView image, ImageFormat format, EncoderOptions options = {});

/// Turns `source` clockwise by `quarterTurns` x 90 degrees (any integer; negative turns
/// counter-clockwise) into `target`, which holds width x height pixels of the turned picture
/// (width and height swapped for odd turns) and must not overlap `source`.
void RotateQuarterTurns(ImageView source, int32_t quarterTurns, uint32_t* target);

} // namespace platform::raster
