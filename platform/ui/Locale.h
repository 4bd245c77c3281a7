#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

// The user's locale: the language the translation table is chosen by, numbers as the user
// writes them, and the locale's ordering and case rules for text shown in lists. Stored and
// streamed numbers never come here (they always use "."), and names, style parts and keys
// fold ASCII only (platform/rtl/Text.h).
namespace platform::ui {

struct LocaleNames {
    std::string languageName; // ISO 639-1, "ru"
    std::string localeName; // language_COUNTRY, "ru_RU"
};

/// Names from the user's language list, first entry first ("ru_RU.UTF-8" gives "ru" and
/// "ru_RU"; "C" and "POSIX" give "en"). An empty list gives "en".
[[nodiscard]] LocaleNames LocaleNamesFrom(std::span<const std::string> languageNames);

/// The names for this process's environment (LANGUAGE, LC_ALL, LC_MESSAGES, LANG, in that order).
[[nodiscard]] LocaleNames UserLocaleNames();

/// The decimal separator of the user's numeric locale, read from the environment so that the
/// process's own LC_NUMERIC of "C" does not hide it; "." when the locale is not installed.
[[nodiscard]] std::string UserDecimalSeparator();

/// Makes UserDecimalSeparator answer `separator` in place of the environment's (tests of a
/// locale the machine has not installed); the empty string goes back to the environment.
/// GUI thread only.
void SetUserDecimalSeparator(std::string separator);

/// The decimal separator of a named locale ("de_DE.UTF-8"); "." when it is not installed.
[[nodiscard]] std::string DecimalSeparatorOf(const char* localeName);

/// `value` with `decimals` fraction digits and the given separator.
[[nodiscard]] std::string FormatUserNumber(double value, int decimals, std::string_view separator);

/// Reads a number the user typed with the given separator; a "." where another separator is
/// expected, thousands separators, "inf" and "nan" do not read.
[[nodiscard]] std::optional<double> ParseUserNumber(std::string_view text, std::string_view separator);

/// Case-insensitive ordering by the locale's collation: <0, 0 or >0.
[[nodiscard]] int CompareTextLocale(std::u16string_view a, std::u16string_view b);

/// A key whose byte order is the ordering of CompareTextLocale, for sorting many entries.
[[nodiscard]] std::string CollationKey(std::u16string_view text);

/// Upper and lower case of one code point by the Unicode tables (never a locale's special rule).
[[nodiscard]] char32_t UpperChar(char32_t c);
[[nodiscard]] char32_t LowerChar(char32_t c);

/// Case mapping per code point that keeps the UTF-16 length, so text positions stay valid
/// ("ß" stays "ß"; a mapping that would change the length leaves the character as it is).
[[nodiscard]] std::u16string UpperCase(std::u16string_view text);
[[nodiscard]] std::u16string LowerCase(std::u16string_view text);

} // namespace platform::ui
