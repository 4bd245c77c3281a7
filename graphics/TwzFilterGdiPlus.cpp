#include "graphics/TwzFilterGdiPlus.h"

#include "graphics/Angles.h"
#include "graphics/Geometry.h"
#include "graphics/Tokens.h"
#include "graphics/TwzBitmap.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/Surface.h"
#include "platform/raster/codecs/ImageCodecs.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileReplace.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

RTL_IMPLEMENT_CLASS(TwzFilterGdiPlus)

namespace {

namespace raster = platform::raster;
using raster::ImageFormat;

/// Decoded pixels, held aside until the whole operation has succeeded, so that a picture
/// failing half-way never reaches the bitmap.
struct Picture {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint32_t[]> pixels;

    [[nodiscard]] size_t Count() const { return size_t(width) * size_t(height); }
    [[nodiscard]] raster::ImageView View() const { return { pixels.get(), width, height }; }
};

/// Decoders write every pixel, so their memory is not cleared first: for a camera photo
/// that would be another pass over 48 MB. Inside the read of a stored object the picture
/// counts towards the read's total before its memory is taken (rtl::LimitError beyond it).
raster::PixelTarget Into(Picture& picture)
{
    return [&picture](raster::ImageSize size) {
        rtl::ChargeLoad(uint64_t(size.width) * uint64_t(size.height) * sizeof(uint32_t),
            "A picture of " + rtl::IntToStr(size.width) + " x " + rtl::IntToStr(size.height) + " pixels");
        picture.width = size.width;
        picture.height = size.height;
        picture.pixels.reset(new uint32_t[picture.Count()]);
        return picture.pixels.get();
    };
}

// ---- reading --------------------------------------------------------------------------------

/// Enough for every format's magic number.
constexpr size_t kMagicLength = 16;

/// Everything from the stream's position to its end, or nothing when the first bytes are no
/// picture's, so a large file of another kind is never read in whole.
std::optional<std::vector<uint8_t>> ReadPicture(rtl::TStream& stream)
{
    std::vector<uint8_t> bytes(kMagicLength);
    bytes.resize(stream.Read(bytes.data(), bytes.size()));
    if (raster::DetectImageFormat(bytes) == ImageFormat::Unknown)
        return std::nullopt;
    if (bytes.size() < kMagicLength)
        return bytes;
    // The size is only a hint: whatever the stream still yields after it is read as well.
    const int64_t expected = stream.BytesLeft();
    if (expected > 0) {
        const size_t have = bytes.size();
        bytes.resize(have + size_t(expected));
        bytes.resize(have + stream.Read(bytes.data() + have, size_t(expected)));
    }
    std::vector<uint8_t> chunk(size_t(1) << 16);
    while (const size_t n = stream.Read(chunk.data(), chunk.size()))
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(n));
    return bytes;
}

/// Runs `use` on the bytes from the stream's position to its end, without copying them out of
/// a stream that already holds them in memory, and returns its result. The stream ends up at
/// its end. Without calling `use`, false when a stream that is not in memory does not start
/// with a picture's bytes.
template <class Use> bool WithStreamBytes(rtl::TStream& stream, Use&& use)
{
    const uint8_t* memory = nullptr;
    if (auto* m = dynamic_cast<rtl::TMemoryStream*>(&stream))
        memory = m->Memory();
    else if (auto* c = dynamic_cast<rtl::TConstMemoryStream*>(&stream))
        memory = c->Memory();
    if (memory) {
        const int64_t size = stream.GetSize();
        const int64_t position = std::min(stream.GetPosition(), size);
        stream.Seek(0, rtl::soFromEnd);
        return use(std::span<const uint8_t>(memory + position, size_t(size - position)));
    }
    const std::optional<std::vector<uint8_t>> read = ReadPicture(stream);
    return read && use(std::span<const uint8_t>(*read));
}

/// Decodes the picture from the stream's position to its end. The stream ends up at its end.
std::optional<Picture> DecodeStream(rtl::TStream& stream)
{
    Picture picture;
    if (!WithStreamBytes(stream,
            [&](std::span<const uint8_t> bytes) { return raster::DecodeImage(bytes, Into(picture)); }))
        return std::nullopt;
    return picture;
}

/// A picture file read whole; raises rtl::FileOpenError when it cannot be opened.
std::vector<uint8_t> ReadPictureFile(const std::string& fileName)
{
    rtl::TFileStream file(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
    return ReadPicture(file).value_or(std::vector<uint8_t>());
}

// ---- writing into the bitmap ----------------------------------------------------------------

/// Replaces the bitmap's size and pixels with the picture's.
bool TakePixels(TwzBitmap& bitmap, const Picture& picture)
{
    bitmap.SetSize(picture.width, picture.height);
    if (!bitmap.Bits() || bitmap.Pixels().size() != picture.Count())
        return false;
    std::memcpy(bitmap.Bits(), picture.pixels.get(), picture.Count() * sizeof(uint32_t));
    bitmap.SetNeedUpdate(true);
    return true;
}

/// Draws `picture` through `transform` into a new transparent block of width x height
/// pixels, the picture's rectangle mapped by the transform. Nothing when the drawing layer
/// cannot hold either size.
std::optional<Picture> Draw(Picture& picture, int32_t width, int32_t height, const TwzMatrix& transform,
    raster::InterpolationMode interpolation)
{
    Picture result { width, height, nullptr };
    result.pixels.reset(new uint32_t[result.Count()]());
    std::optional<raster::Surface> source
        = raster::Surface::CreateOver(picture.pixels.get(), picture.width, picture.height);
    std::optional<raster::Surface> target = raster::Surface::CreateOver(result.pixels.get(), width, height);
    if (!source || !target)
        return std::nullopt;
    std::optional<raster::Graphics> g = raster::Graphics::Create(*target);
    if (!g)
        return std::nullopt;
    g->SetInterpolationMode(interpolation);
    const raster::Matrix m { transform.m11, transform.m12, transform.m21, transform.m22, transform.m31,
        transform.m32 };
    if (!g->SetTransform(m))
        return std::nullopt;
    g->DrawImage(*source, raster::RectF { 0, 0, float(picture.width), float(picture.height) });
    target->Flush();
    return result;
}

/// A bitmap side from a computed extent: at least one pixel, at most what an int holds.
int32_t Side(double extent)
{
    return int32_t(std::clamp<int64_t>(rtl::Trunc(extent), 1, INT32_MAX));
}

/// Whole multiples of 90 degrees as quarter turns clockwise, 0 to 3; nothing for other
/// angles.
std::optional<int32_t> QuarterTurns(float rotate)
{
    const double angle = rotate;
    if (std::trunc(angle) != angle || std::fmod(angle, 90.0) != 0)
        return std::nullopt;
    // Turning back by 90 degrees is turning on by 270.
    const double turns = std::fmod(angle, 360.0) / 90.0;
    return (int32_t(turns) + 4) % 4;
}

bool LoadTurned(const Picture& picture, int32_t quarterTurns, TwzBitmap& bitmap)
{
    if (quarterTurns == 0)
        return TakePixels(bitmap, picture);
    const bool across = quarterTurns % 2 == 1;
    Picture turned { across ? picture.height : picture.width, across ? picture.width : picture.height,
        nullptr };
    turned.pixels.reset(new uint32_t[turned.Count()]);
    raster::RotateQuarterTurns(picture.View(), quarterTurns, turned.pixels.get());
    return TakePixels(bitmap, turned);
}

/// Any other angle: the picture turned about its centre inside the smallest bitmap that
/// holds it; the corners stay transparent.
bool LoadRotated(Picture& picture, float rotate, TwzBitmap& bitmap)
{
    const float w = float(picture.width);
    const float h = float(picture.height);
    TwzMatrix m = MatrixMultiply(
        TwzMatrix { 1, 0, 0, 0, 1, 0, -w / 2, -h / 2, 1 }, CreateRotationMatrix(DegToRad(rotate)));
    std::array<TwzPoint, 4> corners { TwzPoint { 0, 0 }, TwzPoint { w, 0 }, TwzPoint { w, h },
        TwzPoint { 0, h } };
    for (TwzPoint& p : corners)
        p = PointFromVector(VectorTransform(VectorFromPoint(p, 1), m));
    const TwzRect q = RectFromPoints(corners);
    m = MatrixMultiply(m, TwzMatrix { 1, 0, 0, 0, 1, 0, RectWidth(q) / 2, RectHeight(q) / 2, 1 });
    const std::optional<Picture> drawn
        = Draw(picture, Side(RectWidth(q)), Side(RectHeight(q)), m, raster::InterpolationMode::Bilinear);
    return drawn && TakePixels(bitmap, *drawn);
}

// ---- encoding -------------------------------------------------------------------------------

struct FormatName {
    std::string_view name;
    ImageFormat format;
};

// Lower-case names, as extensions without the dot and as stream format names.
constexpr FormatName kEncoders[] = {
    { "jpg", ImageFormat::Jpeg },
    { "jpeg", ImageFormat::Jpeg },
    { "bmp", ImageFormat::Bmp },
    { "png", ImageFormat::Png },
    { "tif", ImageFormat::Tiff },
    { "tiff", ImageFormat::Tiff },
    { "gif", ImageFormat::Gif },
};

std::optional<ImageFormat> EncoderByName(std::string_view name)
{
    const std::string lower = rtl::AsciiLowerCase(name);
    for (const FormatName& entry : kEncoders)
        if (entry.name == lower)
            return entry.format;
    return std::nullopt;
}

/// The extension of the name part, without its dot; empty when there is none.
std::string_view ExtensionOf(std::string_view fileName)
{
    const size_t at = fileName.find_last_of("./");
    if (at == std::string_view::npos || fileName[at] != '.')
        return {};
    return fileName.substr(at + 1);
}

std::string_view FormatText(ImageFormat format)
{
    switch (format) {
    case ImageFormat::Png:
        return "PNG";
    case ImageFormat::Jpeg:
        return "JPEG";
    case ImageFormat::Gif:
        return "GIF";
    case ImageFormat::Tiff:
        return "TIFF";
    case ImageFormat::Bmp:
        return "BMP";
    case ImageFormat::Ico:
        return "ICO";
    case ImageFormat::Unknown:
        break;
    }
    return "an unknown format";
}

/// Blank-separated name=value tokens; only "quality" (any case) means something, and its
/// value must be an integer. The last one given counts.
raster::EncoderOptions ParseParams(const std::string& params)
{
    raster::EncoderOptions options;
    std::string rest = params;
    while (!rest.empty()) {
        std::string value = GetToken(rest, " \t\r\n", "");
        const std::string name = GetToken(value, "=", "");
        if (rtl::SameText(name, "quality"))
            options.quality = rtl::StrToInt(value);
    }
    return options;
}

/// The complete file image of the bitmap; nothing for a bitmap without pixels. Raises
/// rtl::WriteError when the encoder refuses the picture, since a store that silently
/// received nothing would lose it.
std::optional<std::vector<uint8_t>> Encode(TwzBitmap& bitmap, ImageFormat format, const std::string& params)
{
    const raster::EncoderOptions options = ParseParams(params);
    if (!bitmap.Bits() || bitmap.GetWidth() < 1 || bitmap.GetHeight() < 1)
        return std::nullopt;
    std::optional<std::vector<uint8_t>> bytes = raster::EncodeImage(
        raster::ImageView(bitmap.Bits(), bitmap.GetWidth(), bitmap.GetHeight()), format, options);
    if (!bytes)
        throw rtl::WriteError("Cannot encode a picture of " + rtl::IntToStr(bitmap.GetWidth()) + " x "
            + rtl::IntToStr(bitmap.GetHeight()) + " pixels as " + std::string(FormatText(format)));
    return bytes;
}

/// The picture reduced to fit fitWidth x fitHeight when larger: a JPEG image decoded at a
/// reduced scale (or from its stored preview with `useEmbedded`), then drawn to the size.
bool LoadThumbnail(
    std::span<const uint8_t> bytes, float fitWidth, float fitHeight, bool useEmbedded, TwzBitmap& bitmap)
{
    if (std::isnan(fitWidth) || std::isnan(fitHeight))
        return false;
    const std::optional<raster::ImageSize> size = raster::ReadImageSize(bytes);
    if (!size)
        return false;
    const float w = float(size->width);
    const float h = float(size->height);
    TwzRect r { 0, 0, w, h };
    const float fitted = RectFit(r, TwzRect { 0, 0, fitWidth, fitHeight });
    const float ratio = std::max(fitted, 1.0f);
    // The preview path sizes by the ratio, the scaling path by the fitted (rounded) size;
    // they differ by at most a pixel. The fitted size is taken before the fit centres it,
    // which would lose it in a room of no finite size.
    int32_t width = Side(w / ratio);
    int32_t height = Side(h / ratio);
    if (!useEmbedded && fitted >= 1) {
        width = Side(double(rtl::Round(w / ratio)));
        height = Side(double(rtl::Round(h / ratio)));
    }

    Picture picture;
    if (!raster::DecodeThumbnail(bytes, raster::ImageSize { width, height },
            useEmbedded ? raster::EmbeddedThumbnail::Use : raster::EmbeddedThumbnail::Ignore, Into(picture)))
        return false;
    if (picture.width == width && picture.height == height)
        return TakePixels(bitmap, picture);
    const TwzMatrix scale { float(width) / float(picture.width), 0, 0, 0,
        float(height) / float(picture.height), 0, 0, 0, 1 };
    const std::optional<Picture> drawn
        = Draw(picture, width, height, scale, raster::InterpolationMode::HighQuality);
    return drawn && TakePixels(bitmap, *drawn);
}

} // namespace

std::string TwzFilterGdiPlus::GetFileTypes()
{
    return "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif;*.ico";
}

TwzPoint TwzFilterGdiPlus::GetImageSize(const std::string& fileName)
{
    const std::vector<uint8_t> bytes = ReadPictureFile(fileName);
    const std::optional<raster::ImageSize> size = raster::ReadImageSize(bytes);
    if (!size)
        return {};
    return MakePoint(float(size->width), float(size->height));
}

bool TwzFilterGdiPlus::LoadFromFile(const std::string& fileName, float rotate, TwzBitmap& bitmap)
{
    std::vector<uint8_t> bytes = ReadPictureFile(fileName);
    if (!std::isfinite(rotate))
        return false;
    Picture picture;
    if (!raster::DecodeImage(bytes, Into(picture)))
        return false;
    bytes = {};
    if (const std::optional<int32_t> turns = QuarterTurns(rotate))
        return LoadTurned(picture, *turns, bitmap);
    return LoadRotated(picture, rotate, bitmap);
}

bool TwzFilterGdiPlus::LoadThumbnailFromFile(
    const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded, TwzBitmap& bitmap)
{
    const std::vector<uint8_t> bytes = ReadPictureFile(fileName);
    return LoadThumbnail(bytes, fitWidth, fitHeight, useEmbedded, bitmap);
}

void TwzFilterGdiPlus::SaveToFile(const std::string& fileName, TwzBitmap& bitmap, const std::string& params)
{
    const std::string_view extension = ExtensionOf(fileName);
    const std::optional<ImageFormat> format = EncoderByName(extension);
    // Writing nothing would look like a save that worked.
    if (!format)
        throw rtl::WriteError("Cannot save \"" + fileName + "\": "
            + (extension.empty()
                    ? std::string("the file name has no extension")
                    : "the extension \"." + std::string(extension) + "\" names no picture format")
            + " (use .bmp, .jpg, .jpeg, .png, .tif, .tiff or .gif)");
    const std::optional<std::vector<uint8_t>> bytes = Encode(bitmap, *format, params);
    if (!bytes)
        throw rtl::WriteError("Cannot save \"" + fileName + "\": the picture has no pixels");
    rtl::ReplaceFile(fileName, *bytes);
}

bool TwzFilterGdiPlus::LoadFromStream(rtl::TStream& stream, TwzBitmap& bitmap)
{
    const std::optional<Picture> picture = DecodeStream(stream);
    return picture && TakePixels(bitmap, *picture);
}

bool TwzFilterGdiPlus::LoadThumbnailFromStream(
    rtl::TStream& stream, float fitWidth, float fitHeight, TwzBitmap& bitmap)
{
    return WithStreamBytes(stream, [&](std::span<const uint8_t> bytes) {
        return LoadThumbnail(bytes, fitWidth, fitHeight, false, bitmap);
    });
}

TwzPoint TwzFilterGdiPlus::GetStreamImageSize(rtl::TStream& stream)
{
    const int64_t position = stream.GetPosition();
    std::optional<raster::ImageSize> size;
    WithStreamBytes(stream, [&](std::span<const uint8_t> bytes) {
        size = raster::ReadImageSize(bytes);
        return true;
    });
    stream.SetPosition(position);
    return size ? MakePoint(float(size->width), float(size->height)) : TwzPoint {};
}

void TwzFilterGdiPlus::SaveToStream(
    rtl::TStream& stream, TwzBitmap& bitmap, const std::string& format, const std::string& params)
{
    if (const std::optional<std::vector<uint8_t>> bytes
        = Encode(bitmap, EncoderByName(format).value_or(ImageFormat::Png), params))
        stream.WriteBuffer(bytes->data(), bytes->size());
}
