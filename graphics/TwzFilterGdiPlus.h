#pragma once

#include "graphics/TwzFilter.h"

#include <string>

/// The image codec of the 2D library, over the raster layer's decoders and encoders. Reads
/// PNG, JPEG, GIF, TIFF, BMP and ICO, recognised by their bytes, not by the file's name;
/// writes PNG, JPEG, GIF, TIFF and BMP. Every operation works on its own buffers, so
/// instances may run on picture-loading threads, each with bitmaps of its own.
///
/// A picture that does not decode gives false and leaves the bitmap exactly as it was; a
/// file that cannot be opened raises rtl::FileOpenError. A picture that decodes replaces
/// the bitmap's pixels (it is never blended over them) and marks the bitmap for update.
class TwzFilterGdiPlus final : public TwzFilter {
    RTL_CLASS(TwzFilterGdiPlus, TwzFilter)
public:
    TwzFilterGdiPlus() = default;

    /// "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif;*.ico"
    [[nodiscard]] static std::string GetFileTypes();
    /// The picture's pixel size from its headers; (0, 0) when the file holds no readable
    /// picture.
    [[nodiscard]] static TwzPoint GetImageSize(const std::string& fileName);

    /// Whole multiples of 90 degrees turn losslessly (negative ones turn the other way);
    /// other angles draw the picture turned into a bitmap that holds it whole, the corners
    /// transparent.
    bool LoadFromFile(const std::string& fileName, float rotate, TwzBitmap& bitmap) override;
    /// Never enlarges. With `useEmbedded` a preview stored in the file is taken when it has
    /// the picture's shape and is large enough; otherwise the picture itself is scaled.
    bool LoadThumbnailFromFile(const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded,
        TwzBitmap& bitmap) override;
    /// The format by the extension (".jpg", ".jpeg", ".bmp", ".png", ".tif", ".tiff", ".gif",
    /// any case). The file is replaced only once the new content is complete. Raises
    /// rtl::WriteError naming the file for another extension and for a bitmap without
    /// pixels, rtl::ConvertError for a "quality" value that is not an integer,
    /// rtl::FileOpenError or rtl::WriteError when the file cannot be written and
    /// rtl::WriteError when the picture cannot be encoded.
    void SaveToFile(const std::string& fileName, TwzBitmap& bitmap, const std::string& params) override;
    /// Reads the stream from its position to its end.
    bool LoadFromStream(rtl::TStream& stream, TwzBitmap& bitmap) override;
    /// As LoadThumbnailFromFile without a stored preview. A JPEG image is decoded at the
    /// smallest of its reduced scales that still covers the fitted size.
    bool LoadThumbnailFromStream(
        rtl::TStream& stream, float fitWidth, float fitHeight, TwzBitmap& bitmap) override;
    [[nodiscard]] TwzPoint GetStreamImageSize(rtl::TStream& stream) override;
    /// As SaveToFile, the format named without the dot ("jpg", "png", ...); a name outside
    /// the table writes PNG.
    void SaveToStream(rtl::TStream& stream, TwzBitmap& bitmap, const std::string& format,
        const std::string& params) override;
};

/// The class reference the 2D library's start-up puts into DefaultFilterClass.
inline constexpr TwzFilterClass kTwzFilterGdiPlusClass = MakeFilterClass<TwzFilterGdiPlus>();
