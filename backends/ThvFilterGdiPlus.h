#pragma once

#include "scene3d/ThvFilter.h"

#include <string>

// The image codec of 3D bitmaps over the 2D one: every picture passes through a temporary 2D
// bitmap and the codec class in DefaultFilterClass, and the pixels are copied between the two
// bitmaps as they are (premultiplied ARGB in top-down rows on both sides).
class ThvFilterGdiPlus : public ThvFilter {
    RTL_CLASS(ThvFilterGdiPlus, ThvFilter)
public:
    ThvFilterGdiPlus() = default;

    /// The 2D codec's readable formats without icons.
    [[nodiscard]] static std::string GetFileTypes();
    /// The picture's size as the 2D codec reads it (Z 0); (0, 0, 0) without a 2D codec.
    [[nodiscard]] static ThvPoint GetImageSize(const std::string& fileName);

    /// The loaders report whether the 2D codec read the picture; a picture that was not read
    /// leaves the bitmap as it was.
    bool LoadFromFile(const std::string& fileName, float rotation, ThvBitmap& bitmap) override;
    bool LoadThumbnailFromFile(const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded,
        ThvBitmap& bitmap) override;
    /// The savers raise rtl::WriteError when no 2D codec is installed, so a picture is never
    /// dropped unnoticed; the 2D codec's own errors pass through.
    void SaveToFile(const std::string& fileName, ThvBitmap& bitmap, const std::string& params) override;
    bool LoadFromStream(rtl::TStream& stream, ThvBitmap& bitmap) override;
    void SaveToStream(rtl::TStream& stream, ThvBitmap& bitmap, const std::string& format,
        const std::string& params) override;
};
