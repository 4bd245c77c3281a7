#pragma once

// Pixels as the canvases, bitmaps and codecs hold them: 32-bit words with alpha in the top
// byte, then red, green and blue. Their channels, a printable form, and the comparisons the
// pixel tests make.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace testsupport {

/// The channel `shift` bits up: 24 alpha, 16 red, 8 green, 0 blue.
constexpr int Channel(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xFF);
}
constexpr int Alpha(uint32_t pixel)
{
    return Channel(pixel, 24);
}
constexpr int Red(uint32_t pixel)
{
    return Channel(pixel, 16);
}
constexpr int Green(uint32_t pixel)
{
    return Channel(pixel, 8);
}
constexpr int Blue(uint32_t pixel)
{
    return Channel(pixel, 0);
}

/// The mean of red, green and blue.
constexpr int Brightness(uint32_t pixel)
{
    return (Red(pixel) + Green(pixel) + Blue(pixel)) / 3;
}

/// "AARRGGBB", for messages and for comparisons that print the pixel when they fail.
inline std::string Hex(uint32_t pixel)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", pixel);
    return text;
}

/// The largest difference of one channel between the two pixels: of red, green, blue and
/// alpha, or of the colours alone when `withAlpha` is false.
inline int ChannelDistance(uint32_t a, uint32_t b, bool withAlpha = true)
{
    int largest = 0;
    for (int shift = 0; shift < (withAlpha ? 32 : 24); shift += 8)
        largest = std::max(largest, std::abs(Channel(a, shift) - Channel(b, shift)));
    return largest;
}

/// True when no channel differs by more than `tolerance` (nor alpha, unless `withAlpha` is
/// false).
inline bool ChannelsNear(uint32_t actual, uint32_t expected, int tolerance, bool withAlpha = true)
{
    return ChannelDistance(actual, expected, withAlpha) <= tolerance;
}

/// ChannelsNear over all four channels, naming both pixels when it fails: renderers drift by a
/// step or two across driver versions.
inline ::testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance)
{
    if (ChannelsNear(actual, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << Hex(actual) << ", expected " << Hex(expected);
}

/// The pixel at (x, y) of a bitmap whose rows lie one after another, top row first: in
/// Pixels() (the 2D bitmaps) or Bits() (the 3D ones).
template <class Bitmap> uint32_t PixelOf(const Bitmap& bitmap, int32_t x, int32_t y)
{
    const size_t at
        = static_cast<size_t>(y) * static_cast<size_t>(bitmap.GetWidth()) + static_cast<size_t>(x);
    if constexpr (requires { bitmap.Pixels(); })
        return bitmap.Pixels()[at];
    else
        return bitmap.Bits()[at];
}

} // namespace testsupport
