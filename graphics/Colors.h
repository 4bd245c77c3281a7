#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Colours of the 2D library: straight ARGB outside bitmaps, premultiplied inside them.

/// Alpha in bits 24-31, red 16-23, green 8-15, blue 0-7; alpha 255 is opaque.
using TwzColor = uint32_t;

struct TwzColorIdent {
    std::string_view Name;
    std::string_view Value;
};

/// The CSS/SVG colour keywords, alphabetical, capitalised ("Aliceblue"); every Value is
/// "#FF" and six upper-case hex digits.
extern const std::array<TwzColorIdent, 147> NamedColors;

/// Hook through which the object model passes the colours it draws; returns C unchanged.
constexpr TwzColor CorrectColor(TwzColor c)
{
    return c;
}

constexpr TwzColor MakeColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    return (TwzColor(a) << 24) | (TwzColor(r) << 16) | (TwzColor(g) << 8) | TwzColor(b);
}

// Called per pixel by the bitmap code: alpha 0 and 255 return at once.
[[nodiscard]] TwzColor PremultiplyColor(TwzColor c);
[[nodiscard]] TwzColor UnpremultiplyColor(TwzColor c);

/// Alpha scaled by Opacity (truncated) when Opacity < 1; unchanged otherwise.
[[nodiscard]] TwzColor ScaleColorAlpha(TwzColor c, float opacity);

/// Per channel Start + Trunc((Stop - Start) * T), kept to 8 bits; T is not clamped.
[[nodiscard]] TwzColor InterpolateColor(TwzColor start, TwzColor stop, float t);

/// "#AARRGGBB" in upper-case hex.
[[nodiscard]] std::string ColorToText(TwzColor c);

/// Reads "#AARRGGBB", a colour name (ASCII case ignored) or a number of the integer syntax
/// ($, 0x, x, &, %, signed decimal). Never raises: text that does not read gives 0.
[[nodiscard]] TwzColor TextToColor(std::string_view s);

/// Hue, saturation and lightness in [0, 1]; alpha is ignored.
void RGBtoHSL(TwzColor c, float& h, float& s, float& l);

/// Opaque colour from hue, saturation and lightness.
[[nodiscard]] TwzColor HSLtoRGB(float h, float s, float l);

/// Shifts hue, saturation and lightness, each clamped to [0, 1]; the alpha of C is kept.
[[nodiscard]] TwzColor ChangeHSL(TwzColor c, float deltaH, float deltaS, float deltaL);
