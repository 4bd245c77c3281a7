#include "app/Textures.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"

#include <algorithm>
#include <cmath>

namespace app {
namespace {

constexpr int32_t kMinPicture = 10;

// Rounding of the builders: halves to the even neighbour.
double RoundEven(double value)
{
    return std::nearbyint(value);
}

bool TooSmall(TwzBitmap& scratch, const TwzBitmap& picture)
{
    if (picture.GetWidth() >= kMinPicture && picture.GetHeight() >= kMinPicture)
        return false;
    scratch.SetSize(1, 1);
    scratch.Clear(0);
    return true;
}

// A target of no area, or one whose numbers are not finite, becomes 1 x 1.
TextureSize Usable(TextureSize size)
{
    size.width = std::max(size.width, 1);
    size.height = std::max(size.height, 1);
    return size;
}

void DrawTile(TwzCanvas& canvas, TwzBitmap& picture, const TwzRect& target)
{
    const TwzRect source = MakeRect(0, 0, static_cast<float>(picture.GetWidth()),
        static_cast<float>(picture.GetHeight()));
    canvas.DrawBitmap(&picture, source, target, 1, true);
}

} // namespace

TextureSize FitTexture(double width, double height, int32_t maxEdge)
{
    if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0)
        return {};
    const double edge = std::max(maxEdge, 1);
    const double ratio = std::max(width / edge, height / edge);
    if (ratio > 1) {
        width = RoundEven(width / ratio);
        height = RoundEven(height / ratio);
    }
    return { static_cast<int32_t>(std::min(width, edge)), static_cast<int32_t>(std::min(height, edge)) };
}

void BuildFaceTexture(TwzBitmap& scratch, float width, float height, TwzBitmap& picture, int32_t maxEdge)
{
    if (TooSmall(scratch, picture))
        return;
    // The sizes are single-precision: 3.6 is stored a hair below it, and must still give 360.
    const TextureSize target
        = Usable(FitTexture(std::trunc(100.0 * width + 1e-3), std::trunc(100.0 * height + 1e-3), maxEdge));
    double tileWidth = picture.GetWidth();
    double tileHeight = picture.GetHeight();
    if (tileWidth > target.width || tileHeight > target.height) {
        const double ratio = std::max(tileWidth / target.width, tileHeight / target.height);
        tileWidth = std::max(1.0, RoundEven(tileWidth / ratio));
        tileHeight = std::max(1.0, RoundEven(tileHeight / ratio));
    }
    scratch.SetSize(target.width, target.height);
    // A build starts from a clear bitmap, so pictures with transparent parts never show the
    // previous build through them.
    scratch.Clear(0);
    TwzCanvas* canvas = scratch.GetCanvas();
    if (!canvas || !canvas->BeginScene())
        return;
    const int columns = static_cast<int>(RoundEven(target.width / tileWidth));
    const int rows = static_cast<int>(RoundEven(target.height / tileHeight));
    for (int i = 0; i <= columns; ++i)
        for (int j = 0; j <= rows; ++j) {
            const float left = static_cast<float>(i * tileWidth);
            const float top = static_cast<float>(j * tileHeight);
            DrawTile(*canvas, picture,
                MakeRect(left, top, left + static_cast<float>(tileWidth), top + static_cast<float>(tileHeight)));
        }
    canvas->EndScene();
}

void BuildSideTexture(TwzBitmap& scratch, float depth, TwzBitmap& picture, float outlineLength, int32_t maxEdge)
{
    if (TooSmall(scratch, picture))
        return;
    const double length = depth > 0 ? static_cast<double>(outlineLength) / depth * picture.GetWidth() : 0;
    const TextureSize target = Usable(FitTexture(length, picture.GetHeight(), maxEdge));
    scratch.SetSize(target.width, target.height);
    scratch.Clear(0);
    TwzCanvas* canvas = scratch.GetCanvas();
    if (!canvas || !canvas->BeginScene())
        return;
    const int side = target.height;
    const int squares = static_cast<int>(RoundEven(static_cast<double>(target.width) / side));
    for (int i = 0; i <= squares; ++i) {
        const float left = static_cast<float>(i * side);
        DrawTile(*canvas, picture, MakeRect(left, 0, left + side, static_cast<float>(side)));
    }
    canvas->EndScene();
}

} // namespace app
