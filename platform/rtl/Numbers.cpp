#include "platform/rtl/Numbers.h"

#include "platform/rtl/Exceptions.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace rtl {
namespace {

int64_t SaturateToInt64(double v)
{
    if (std::isnan(v))
        return 0;
    // 2^63 is exactly representable; anything at or above it saturates.
    if (v >= 9223372036854775808.0)
        return std::numeric_limits<int64_t>::max();
    if (v < -9223372036854775808.0)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(v);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reads the integer syntax into a magnitude; `wide` is the unsigned width in bits (32 or 64).
std::optional<int64_t> ParseInteger(std::string_view s, int wide)
{
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16, ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16, i += 2;
    } else if (i < s.size() && s[i] == '&') {
        base = 8, ++i;
    } else if (i < s.size() && s[i] == '%') {
        base = 2, ++i;
    }
    if (i >= s.size())
        return std::nullopt;
    const uint64_t unsignedMax = wide == 64 ? std::numeric_limits<uint64_t>::max() : 0xFFFFFFFFull;
    const uint64_t signedMax = wide == 64 ? uint64_t(std::numeric_limits<int64_t>::max()) : 0x7FFFFFFFull;
    const uint64_t limit = base == 10 ? signedMax + (negative ? 1 : 0) : unsignedMax;
    uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return std::nullopt;
        if (digit >= base)
            return std::nullopt;
        if (value > (limit - digit) / base)
            return std::nullopt;
        value = value * base + digit;
    }
    if (negative)
        value = uint64_t(0) - value;
    if (wide == 32)
        return static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(value)));
    return static_cast<int64_t>(value);
}

} // namespace

int64_t Round(double value)
{
    return SaturateToInt64(std::nearbyint(value));
}

int64_t Trunc(double value)
{
    return SaturateToInt64(std::trunc(value));
}

std::optional<int32_t> TryStrToInt(std::string_view text)
{
    if (auto v = ParseInteger(text, 32))
        return static_cast<int32_t>(*v);
    return std::nullopt;
}

std::optional<int64_t> TryStrToInt64(std::string_view text)
{
    return ParseInteger(text, 64);
}

int32_t StrToInt(std::string_view text)
{
    if (auto v = TryStrToInt(text))
        return *v;
    throw ConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::optional<double> TryStrToFloat(std::string_view text)
{
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b]))
        ++b;
    while (e > b && IsBlank(text[e - 1]))
        --e;
    std::string_view s = text.substr(b, e - b);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    // Check the shape ourselves: from_chars would also take "inf", "nan" and forms we refuse.
    size_t i = 0, digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        size_t expDigits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i, ++expDigits;
        if (expDigits == 0)
            return std::nullopt;
    }
    if (i != s.size())
        return std::nullopt;
    // from_chars refuses an exponent sign "+"; feed it a copy without one.
    std::string buffer(s);
    if (auto p = buffer.find("e+"); p != std::string::npos)
        buffer.erase(p + 1, 1);
    else if (auto q = buffer.find("E+"); q != std::string::npos)
        buffer.erase(q + 1, 1);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ptr != buffer.data() + buffer.size())
        return std::nullopt;
    if (ec == std::errc::result_out_of_range) {
        // Overflow reads as no number; underflow reads as zero.
        bool tiny = buffer.find_first_of("eE") != std::string::npos
            && buffer.find('-', buffer.find_first_of("eE")) != std::string::npos;
        if (!tiny)
            return std::nullopt;
        value = 0;
    } else if (ec != std::errc()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

double StrToFloat(std::string_view text)
{
    if (auto v = TryStrToFloat(text))
        return *v;
    throw ConvertError("'" + std::string(text) + "' is not a valid floating point value");
}

std::string FormatFixed(double value, int decimals)
{
    char buffer[400];
    const auto [ptr, ec]
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return FormatShortest(value);
    return std::string(buffer, ptr);
}

std::string FormatShortest(double value)
{
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return std::string(buffer, ptr);
}

std::string IntToStr(int64_t value)
{
    char buffer[24];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    (void)ec;
    return std::string(buffer, ptr);
}

} // namespace rtl
