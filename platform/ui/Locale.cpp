#include "platform/ui/Locale.h"

#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <glib.h>
#include <langinfo.h>
#include <locale.h>

#include <memory>
#include <utility>
#include <vector>

namespace platform::ui {
namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

std::string CaseFolded(std::u16string_view text)
{
    const std::string utf8 = rtl::Utf16ToUtf8(text);
    GCharPtr folded(g_utf8_casefold(utf8.data(), static_cast<gssize>(utf8.size())));
    return folded ? std::string(folded.get()) : std::string();
}

template <class Map> std::u16string MapCase(std::u16string_view text, Map map)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            const char32_t c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            const char32_t m = map(c);
            if (m >= 0x10000) {
                out.push_back(static_cast<char16_t>(0xD800 + ((m - 0x10000) >> 10)));
                out.push_back(static_cast<char16_t>(0xDC00 + ((m - 0x10000) & 0x3FF)));
            } else {
                out.push_back(u);
                out.push_back(text[i + 1]);
            }
            ++i;
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back(u); // a lone surrogate is kept as it is
            continue;
        }
        const char32_t m = map(char32_t(u));
        out.push_back(m < 0x10000 && !(m >= 0xD800 && m <= 0xDFFF) ? static_cast<char16_t>(m) : u);
    }
    return out;
}

} // namespace

LocaleNames LocaleNamesFrom(std::span<const std::string> languageNames)
{
    if (languageNames.empty())
        return { "en", "en" };
    const std::string& name = languageNames.front();
    const size_t stop = name.find_first_of(".@");
    const std::string locale = name.substr(0, stop);
    if (locale.empty() || locale == "C" || locale == "POSIX")
        return { "en", "en" };
    const std::string language = locale.substr(0, locale.find('_'));
    return { language, locale };
}

LocaleNames UserLocaleNames()
{
    std::vector<std::string> names;
    for (const gchar* const* n = g_get_language_names(); n && *n; ++n)
        names.emplace_back(*n);
    return LocaleNamesFrom(names);
}

std::string DecimalSeparatorOf(const char* localeName)
{
    const locale_t loc = newlocale(LC_NUMERIC_MASK, localeName, static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr))
        return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    std::string separator = radix && *radix ? std::string(radix) : std::string(".");
    freelocale(loc);
    return separator;
}

namespace {

std::string& SeparatorOverride()
{
    static std::string separator;
    return separator;
}

} // namespace

std::string UserDecimalSeparator()
{
    if (!SeparatorOverride().empty())
        return SeparatorOverride();
    return DecimalSeparatorOf("");
}

void SetUserDecimalSeparator(std::string separator)
{
    SeparatorOverride() = std::move(separator);
}

std::string FormatUserNumber(double value, int decimals, std::string_view separator)
{
    std::string text = rtl::FormatFixed(value, decimals);
    const size_t dot = text.find('.');
    if (dot != std::string::npos)
        text.replace(dot, 1, separator);
    return text;
}

std::optional<double> ParseUserNumber(std::string_view text, std::string_view separator)
{
    if (separator.empty())
        separator = ".";
    std::string plain(text);
    if (separator != ".") {
        if (plain.find('.') != std::string::npos)
            return std::nullopt;
        const size_t at = plain.find(separator);
        if (at != std::string::npos) {
            if (plain.find(separator, at + separator.size()) != std::string::npos)
                return std::nullopt;
            plain.replace(at, separator.size(), ".");
        }
    }
    return rtl::TryStrToFloat(plain);
}

int CompareTextLocale(std::u16string_view a, std::u16string_view b)
{
    const std::string fa = CaseFolded(a);
    const std::string fb = CaseFolded(b);
    const int r = g_utf8_collate(fa.c_str(), fb.c_str());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

std::string CollationKey(std::u16string_view text)
{
    const std::string folded = CaseFolded(text);
    GCharPtr key(g_utf8_collate_key(folded.data(), static_cast<gssize>(folded.size())));
    return key ? std::string(key.get()) : std::string();
}

char32_t UpperChar(char32_t c)
{
    return static_cast<char32_t>(g_unichar_toupper(static_cast<gunichar>(c)));
}

char32_t LowerChar(char32_t c)
{
    return static_cast<char32_t>(g_unichar_tolower(static_cast<gunichar>(c)));
}

std::u16string UpperCase(std::u16string_view text)
{
    return MapCase(text, UpperChar);
}

std::u16string LowerCase(std::u16string_view text)
{
    return MapCase(text, LowerChar);
}

} // namespace platform::ui
