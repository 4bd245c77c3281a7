#pragma once

#include <string>
#include <string_view>

// Text conversions of the whole system. UTF-8 is this platform's "ANSI code page": every
// `string` holds UTF-8 and every `WideString` is UTF-16. Stored bytes that are not valid
// UTF-8 come from older single-byte data and are read as Windows-1252, decided per string.
namespace rtl {

/// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, at most U+10FFFF).
[[nodiscard]] bool IsValidUtf8(std::string_view bytes);

/// UTF-8 to UTF-16; bytes that are not valid UTF-8 are decoded as Windows-1252 instead.
[[nodiscard]] std::u16string Utf8ToUtf16(std::string_view bytes);

/// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

/// The bytes unchanged when they are valid UTF-8, else their Windows-1252 reading as UTF-8.
[[nodiscard]] std::string ToValidUtf8(std::string_view bytes);

/// Windows-1252 bytes as UTF-16; the five unassigned bytes map to the same code point.
[[nodiscard]] std::u16string Windows1252ToUtf16(std::string_view bytes);

// Case folding of names, keys and identifiers: ASCII letters only, never the locale's rules.
constexpr char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}
constexpr char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c;
}
constexpr char16_t AsciiLower(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
}
constexpr char16_t AsciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

[[nodiscard]] std::string AsciiLowerCase(std::string_view s);
[[nodiscard]] std::string AsciiUpperCase(std::string_view s);
[[nodiscard]] std::u16string AsciiLowerCase(std::u16string_view s);
[[nodiscard]] std::u16string AsciiUpperCase(std::u16string_view s);

/// Equality ignoring the case of ASCII letters.
[[nodiscard]] bool SameText(std::string_view a, std::string_view b);
[[nodiscard]] bool SameText(std::u16string_view a, std::u16string_view b);

/// Ordering ignoring the case of ASCII letters: <0, 0 or >0, by code unit.
[[nodiscard]] int CompareText(std::string_view a, std::string_view b);
[[nodiscard]] int CompareText(std::u16string_view a, std::u16string_view b);

} // namespace rtl
