#pragma once

#include <cstdint>

class ThvVisualObject;
namespace rtl {
class TObject;
} // namespace rtl
class TwzBitmap;

// The application's own pictures, drawn in code.
namespace app {

/// The tile of the transparent background: a grey checkerboard of 8-pixel squares, 16 x 16.
void DrawCheckerboard(TwzBitmap& bitmap);
/// Gives `image` (an object with a "Bitmap" picture) the checkerboard tile.
void SetCheckerboard(ThvVisualObject& image);

/// The product picture of the about panel, 128 x 128.
void DrawProductPicture(TwzBitmap& bitmap);
/// Gives `image` (an object with a "Bitmap" picture) the product picture.
void SetProductPicture(rtl::TObject& image);

} // namespace app
