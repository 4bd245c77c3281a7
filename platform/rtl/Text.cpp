#include "platform/rtl/Text.h"

#include <array>
#include <cstdint>

namespace rtl {
namespace {

constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC,
    0x0081,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x008D,
    0x017D,
    0x008F,
    0x0090,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x009D,
    0x017E,
    0x0178,
};

// Decodes one UTF-8 sequence at s[i]; returns the code point or -1 when malformed.
int32_t DecodeUtf8At(std::string_view s, size_t& i)
{
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
    const uint8_t b0 = byte(i);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra;
    int32_t cp;
    int32_t minimum;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1, cp = b0 & 0x1F, minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2, cp = b0 & 0x0F, minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3, cp = b0 & 0x07, minimum = 0x10000;
    } else {
        return -1;
    }
    if (i + static_cast<size_t>(extra) >= s.size())
        return -1;
    for (int k = 1; k <= extra; ++k) {
        const uint8_t b = byte(i + k);
        if ((b & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    i += extra + 1;
    return cp;
}

void AppendUtf16(std::u16string& out, int32_t cp)
{
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

template <class C> int CompareFolded(std::basic_string_view<C> a, std::basic_string_view<C> b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<std::make_unsigned_t<C>>(AsciiLower(a[i]));
        const auto y = static_cast<std::make_unsigned_t<C>>(AsciiLower(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

template <class S, class V, class F> S MapChars(V s, F f)
{
    S out(s);
    for (auto& c : out)
        c = f(c);
    return out;
}

} // namespace

bool IsValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        if (DecodeUtf8At(bytes, i) < 0)
            return false;
    }
    return true;
}

std::u16string Windows1252ToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const int32_t cp = DecodeUtf8At(bytes, i);
        if (cp < 0)
            return Windows1252ToUtf16(bytes);
        AppendUtf16(out, cp);
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

std::string ToValidUtf8(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    return Utf16ToUtf8(Windows1252ToUtf16(bytes));
}

std::string AsciiLowerCase(std::string_view s)
{
    return MapChars<std::string>(s, [](char c) { return AsciiLower(c); });
}
std::string AsciiUpperCase(std::string_view s)
{
    return MapChars<std::string>(s, [](char c) { return AsciiUpper(c); });
}
std::u16string AsciiLowerCase(std::u16string_view s)
{
    return MapChars<std::u16string>(s, [](char16_t c) { return AsciiLower(c); });
}
std::u16string AsciiUpperCase(std::u16string_view s)
{
    return MapChars<std::u16string>(s, [](char16_t c) { return AsciiUpper(c); });
}

bool SameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareFolded(a, b) == 0;
}
bool SameText(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && CompareFolded(a, b) == 0;
}
int CompareText(std::string_view a, std::string_view b)
{
    return CompareFolded(a, b);
}
int CompareText(std::u16string_view a, std::u16string_view b)
{
    return CompareFolded(a, b);
}

} // namespace rtl
