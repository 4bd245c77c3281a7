#pragma once

#include <cstdint>

class TwzBitmap;
class TwzCanvas;

/// Blurs the bitmap in place with a triangular kernel of 2 x radius + 1 pixels (weights
/// radius + 1 - |i|), horizontally and then vertically, edges clamped; each pass truncates
/// its sums. Blue, green and red are always blurred; alpha only with `useAlpha`, else every
/// alpha becomes 0. A radius below 1 does nothing. The cost per pixel does not depend on the
/// radius. Radii beyond kMaxStackBlurRadius blur as that radius.
///
/// The canvas is the caller's bitmap canvas; it is not used.
void StackBlur(TwzCanvas* canvas, TwzBitmap& bitmap, int32_t radius, bool useAlpha);

/// The bitmap-free form: `pixels` holds width x height premultiplied ARGB pixels, row after
/// row. Nothing for a size below 1.
void StackBlurPixels(uint32_t* pixels, int32_t width, int32_t height, int32_t radius, bool useAlpha);

/// A kernel wider than any picture this library can hold; larger radii are cut to it so the
/// weighted sums stay inside 64 bits.
inline constexpr int32_t kMaxStackBlurRadius = 1 << 20;
