#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Locale-independent number text and the system's rounding rules. Nothing here follows
// LC_NUMERIC: stored and streamed numbers always use "." as the decimal separator.
namespace rtl {

/// Round half to even (the system's Round); NaN gives 0, values beyond Int64 saturate.
[[nodiscard]] int64_t Round(double value);

/// Truncation toward zero (the system's Trunc); NaN gives 0, values beyond Int64 saturate.
[[nodiscard]] int64_t Trunc(double value);

/// The integer syntax of the system's texts: optional blanks, optional sign, then decimal
/// digits, or hexadecimal after "$", "0x" or a lone "x", octal after "&", binary after "%".
/// Hexadecimal, octal and binary cover the unsigned range (the bit pattern is returned);
/// decimal must fit the signed range. Trailing characters make the text unreadable.
[[nodiscard]] std::optional<int32_t> TryStrToInt(std::string_view text);
[[nodiscard]] std::optional<int64_t> TryStrToInt64(std::string_view text);

/// As TryStrToInt, raising ConvertError "'<text>' is not a valid integer value".
int32_t StrToInt(std::string_view text);

/// Surrounding blanks, optional sign, digits with an optional fraction and exponent.
/// "inf", "nan" and hexadecimal floats do not read.
[[nodiscard]] std::optional<double> TryStrToFloat(std::string_view text);

/// As TryStrToFloat, raising ConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);

/// Fixed notation with exactly `decimals` digits after ".", like "%.*f" in the C locale.
[[nodiscard]] std::string FormatFixed(double value, int decimals);

/// Shortest text that reads back to the same double ("0.1", "1e+20").
[[nodiscard]] std::string FormatShortest(double value);

[[nodiscard]] std::string IntToStr(int64_t value);

} // namespace rtl
