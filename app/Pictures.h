#pragma once

#include <cstdint>

class ThvVisualObject;
class TwzBitmap;

// The application's own pictures, drawn in code.
namespace app {

/// The tile of the transparent background: a grey checkerboard of 8-pixel squares, 16 x 16.
void DrawCheckerboard(TwzBitmap& bitmap);
/// Gives `image` (an object with a "Bitmap" picture) the checkerboard tile.
void SetCheckerboard(ThvVisualObject& image);

} // namespace app
