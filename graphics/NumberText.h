#pragma once

#include <string>
#include <string_view>

// The number text of every 2D text form (points, rectangles, bounds, path data): "." as the
// decimal separator whatever the user's locale.

/// Three decimals when V has a fraction ("1.500", "-0.250"), else a plain integer ("100").
[[nodiscard]] std::string FloatToText(float v);

/// Blanks, sign, digits, optional fraction and exponent, rounded to Single. Raises
/// rtl::ConvertError on text that is not a number or lies beyond the Single range.
[[nodiscard]] float TextToFloat(std::string_view s);
