#include "scene3d/Math3D.h"

#include "graphics/Colors.h"
#include "graphics/NumberText.h"
#include "graphics/Tokens.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>

namespace {

// Rounds the decimal text `text` (a sign, digits and a point, exact digits beyond `keep`) to
// its first `keep` characters, ties away from zero; true when a carry ran out of digits.
bool RoundTextAt(std::string& text, size_t keep)
{
    const bool up = keep < text.size() && text[keep] >= '5';
    text.resize(std::min(keep, text.size()));
    if (!up)
        return false;
    for (size_t i = text.size(); i-- > 0;) {
        char& c = text[i];
        if (c < '0' || c > '9')
            continue;
        if (c != '9') {
            ++c;
            return false;
        }
        c = '0';
    }
    return true;
}

// The exact decimal digits of a Single fit well inside these precisions, so the rounding
// below sees every digit and rounds ties the way the stored texts always did: away from 0.
constexpr int kExactDecimals = 60;
constexpr int kExactDigits = 120;

std::string FixedText(double value, int decimals)
{
    char buffer[256];
    const auto [end, ec]
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, kExactDecimals);
    if (ec != std::errc())
        return rtl::FormatFixed(value, decimals);
    std::string text(buffer, end);
    if (RoundTextAt(text, text.find('.') + 1 + size_t(decimals)))
        text.insert(text[0] == '-' ? 1 : 0, 1, '1');
    return text;
}

// One digit, up to five more, "E", the exponent without "+" or leading zeros: 1.5E-6.
std::string ExponentText(double value)
{
    char buffer[256];
    const auto [end, ec]
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, kExactDigits);
    (void)ec;
    const std::string_view text(buffer, size_t(end - buffer));
    const size_t e = text.find('e');
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    std::string mantissa(text.substr(0, e));
    const size_t sign = mantissa[0] == '-' ? 1 : 0;
    if (RoundTextAt(mantissa, sign + 7)) {
        // 9.999995 became 0.00000: it is 1.00000 of the next power of ten.
        mantissa[sign] = '1';
        ++exponent;
    }
    while (mantissa.back() == '0')
        mantissa.pop_back();
    if (mantissa.back() == '.')
        mantissa.pop_back();
    return mantissa + "E" + rtl::IntToStr(exponent);
}

} // namespace

uint32_t hvColorOpacity(uint32_t color, float opacity)
{
    return ScaleColorAlpha(color, opacity);
}

uint32_t hvInterpolateColor(uint32_t start, uint32_t stop, float t)
{
    return InterpolateColor(start, stop, t);
}

std::string hvColorToStr(uint32_t color)
{
    return ColorToText(color);
}

uint32_t hvStrToColor(std::string_view text)
{
    std::string s(text);
    if (!s.empty() && s[0] == '#')
        s[0] = '$';
    if (const auto v = rtl::TryStrToInt(s))
        return static_cast<uint32_t>(*v);
    return 0;
}

std::string hvFloatToStr(float v)
{
    // Not-a-number and infinities have no readable text; write what reads back as the
    // nearest value a Single can hold so the rest of a stored text still parses.
    if (std::isnan(v))
        return "0";
    if (std::isinf(v))
        v = std::copysign(FLT_MAX, v);
    const double d = v;
    if (d - std::trunc(d) == 0) {
        if (std::fabs(d) < 9223372036854775808.0)
            return rtl::IntToStr(static_cast<int64_t>(d));
        return ExponentText(d);
    }
    if (std::fabs(d) < 0.00001)
        return ExponentText(d);
    std::string text = FixedText(d, 6);
    const size_t point = text.find('.') + 1; // 1-based
    if (point > 7)
        return ExponentText(d);
    const size_t limit = text[0] == '-' ? 8 : 7;
    if (text.size() > limit && point < limit)
        text.resize(limit); // cut, not rounded
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

float hvStrToFloat(std::string_view text)
{
    return TextToFloat(text);
}

std::string hvPointToStr(const ThvPoint& p)
{
    // Appended piece by piece: GCC 12 warns falsely about "(" + std::string.
    std::string text = "(";
    text += hvFloatToStr(p.X);
    text += ',';
    text += hvFloatToStr(p.Y);
    text += ',';
    text += hvFloatToStr(p.Z);
    text += ')';
    return text;
}

ThvPoint hvStrToPoint(std::string_view text)
{
    std::string rest(text);
    (void)hvGetToken(rest, ",()", "");
    try {
        ThvPoint p;
        p.X = hvStrToFloat(hvGetToken(rest, ",()", ""));
        p.Y = hvStrToFloat(hvGetToken(rest, ",()", ""));
        p.Z = hvStrToFloat(hvGetToken(rest, ",()", ""));
        return p;
    } catch (const rtl::ConvertError&) {
        return {};
    }
}

std::string hvGetToken(std::string& text, std::string_view separators, std::string_view stops)
{
    return GetToken(text, separators, stops);
}

std::string hvGetTokenAt(
    int32_t& position, std::string_view text, std::string_view separators, std::string_view stops)
{
    const auto isOneOf = [](char c, std::string_view set) { return set.find(c) != std::string_view::npos; };
    const int64_t length = static_cast<int64_t>(text.size());
    // Positions count from 1; anything below reads from the start instead of before it.
    int64_t i = std::max<int64_t>(position, 1);
    const int64_t start = i;
    while (i <= length && !isOneOf(text[size_t(i - 1)], stops) && !isOneOf(text[size_t(i - 1)], separators))
        ++i;
    std::string token;
    if (i > start)
        token.assign(text.substr(size_t(start - 1), size_t(i - start)));
    int64_t pos = i > length ? length : i;
    while (pos < length && pos >= 1 && isOneOf(text[size_t(pos - 1)], separators))
        ++pos;
    position = static_cast<int32_t>(pos);
    return token;
}
