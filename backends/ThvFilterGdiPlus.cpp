#include "backends/ThvFilterGdiPlus.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzFilter.h"
#include "scene3d/ThvBitmap.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <memory>

RTL_IMPLEMENT_CLASS(ThvFilterGdiPlus)

namespace {

/// Takes the picture of a 2D bitmap the codec has read: its size, then its pixels in one
/// block; the unmap marks the bitmap changed and fires its OnChange.
void TakePicture(const TwzBitmap& picture, ThvBitmap& bitmap)
{
    bitmap.SetSize(picture.GetWidth(), picture.GetHeight());
    uint32_t* bits = nullptr;
    if (!bitmap.Map(bits, true))
        return;
    const std::span<const uint32_t> pixels = picture.Pixels();
    const size_t count = std::min(pixels.size(), bitmap.Bits().size());
    std::copy_n(pixels.data(), count, bits);
    bitmap.Unmap();
}

/// A 2D bitmap of the 3D bitmap's size (at least 1 x 1, cleared) holding its pixels.
std::unique_ptr<TwzBitmap> MakePicture(ThvBitmap& bitmap)
{
    auto picture = std::make_unique<TwzBitmap>(bitmap.GetWidth(), bitmap.GetHeight());
    uint32_t* bits = nullptr;
    if (bitmap.Map(bits, false)) {
        const std::span<uint32_t> pixels = picture->Pixels();
        std::copy_n(bits, std::min(pixels.size(), bitmap.Bits().size()), pixels.data());
        bitmap.Unmap();
    }
    return picture;
}

std::unique_ptr<TwzFilter> MakeCodec()
{
    std::unique_ptr<TwzFilter> codec = DefaultFilterClass ? DefaultFilterClass->Create() : nullptr;
    if (!codec)
        throw rtl::WriteError("No image codec is installed to store a picture");
    return codec;
}

} // namespace

std::string ThvFilterGdiPlus::GetFileTypes()
{
    return "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif";
}

ThvPoint ThvFilterGdiPlus::GetImageSize(const std::string& fileName)
{
    if (!DefaultFilterClass)
        return {};
    const TwzPoint size = DefaultFilterClass->GetImageSize(fileName);
    return { size.X, size.Y, 0 };
}

// NOTE: a picture the 2D codec did not read is not copied. The 2D bitmap would only hand
// over its placeholder pixel, and the 3D bitmap would lose the picture it had.

bool ThvFilterGdiPlus::LoadFromFile(const std::string& fileName, float rotation, ThvBitmap& bitmap)
{
    TwzBitmap picture(1, 1);
    if (!picture.LoadFromFile(fileName, rotation))
        return false;
    TakePicture(picture, bitmap);
    return true;
}

bool ThvFilterGdiPlus::LoadThumbnailFromFile(
    const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded, ThvBitmap& bitmap)
{
    TwzBitmap picture(1, 1);
    if (!picture.LoadThumbnailFromFile(fileName, fitWidth, fitHeight, useEmbedded))
        return false;
    TakePicture(picture, bitmap);
    return true;
}

bool ThvFilterGdiPlus::LoadFromStream(rtl::TStream& stream, ThvBitmap& bitmap)
{
    // The 2D bitmap's stream loader makes the codec instance for this one call and hands it
    // the picture from the stream's position on.
    TwzBitmap picture(1, 1);
    if (!picture.LoadFromStream(stream))
        return false;
    TakePicture(picture, bitmap);
    return true;
}

void ThvFilterGdiPlus::SaveToFile(const std::string& fileName, ThvBitmap& bitmap, const std::string& params)
{
    std::unique_ptr<TwzFilter> codec = MakeCodec();
    std::unique_ptr<TwzBitmap> picture = MakePicture(bitmap);
    codec->SaveToFile(fileName, *picture, params);
}

void ThvFilterGdiPlus::SaveToStream(
    rtl::TStream& stream, ThvBitmap& bitmap, const std::string& format, const std::string& params)
{
    std::unique_ptr<TwzFilter> codec = MakeCodec();
    std::unique_ptr<TwzBitmap> picture = MakePicture(bitmap);
    codec->SaveToStream(stream, *picture, format, params);
}
