#include "platform/ui/Locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace platform::ui;

TEST(Locale, NamesComeFromTheFirstLanguageEntry)
{
    struct Case {
        std::vector<std::string> names;
        const char* language;
        const char* locale;
    } cases[] = {
        { { "ru_RU.UTF-8", "ru_RU", "ru.UTF-8", "ru", "C" }, "ru", "ru_RU" }, { { "de" }, "de", "de" },
        { { "sr_RS@latin" }, "sr", "sr_RS" }, { { "pt_BR.UTF-8" }, "pt", "pt_BR" }, { { "C" }, "en", "en" },
        { { "C.UTF-8" }, "en", "en" }, { { "POSIX" }, "en", "en" }, { {}, "en", "en" },
        { { "fr_CA", "en" }, "fr", "fr_CA" }, // LANGUAGE=fr_CA:en
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.empty() ? std::string("(none)") : c.names.front());
        const LocaleNames names = LocaleNamesFrom(c.names);
        EXPECT_EQ(names.languageName, c.language);
        EXPECT_EQ(names.localeName, c.locale);
    }
    EXPECT_FALSE(UserLocaleNames().languageName.empty());
}

TEST(Locale, UserNumbersUseTheGivenSeparatorAndReadStrictly)
{
    EXPECT_EQ(FormatUserNumber(3.14159, 2, ","), "3,14");
    EXPECT_EQ(FormatUserNumber(-2, 1, ","), "-2,0");
    EXPECT_EQ(FormatUserNumber(7, 0, ","), "7");
    EXPECT_EQ(FormatUserNumber(1.5, 1, "\xD9\xAB"),
        "1\xD9\xAB"
        "5"); // Arabic decimal separator

    struct Case {
        const char* text;
        const char* separator;
        std::optional<double> value;
    } cases[] = {
        { "1,5", ",", 1.5 },
        { " -0,25 ", ",", -0.25 },
        { "12", ",", 12.0 },
        { "1.5", ",", std::nullopt }, // a point where a comma is expected: a thousands separator?
        { "1.000,5", ",", std::nullopt },
        { "1,2,3", ",", std::nullopt },
        { "1,5", ".", std::nullopt },
        { "1.5", ".", 1.5 },
        { "1\xD9\xAB"
          "5",
            "\xD9\xAB", 1.5 },
        { "inf", ",", std::nullopt },
        { "nan", ".", std::nullopt },
        { "", ",", std::nullopt },
        { "2,5x", ",", std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseUserNumber(c.text, c.separator), c.value);
    }
}

TEST(Locale, SeparatorOfAMissingLocaleIsThePoint)
{
    EXPECT_EQ(DecimalSeparatorOf("C"), ".");
    EXPECT_EQ(DecimalSeparatorOf("xx_NO_SUCH_LOCALE.UTF-8"), ".");
    EXPECT_FALSE(UserDecimalSeparator().empty());
}

TEST(Locale, AnInjectedUserSeparatorWinsUntilCleared)
{
    const std::string environment = UserDecimalSeparator();
    SetUserDecimalSeparator(",");
    EXPECT_EQ(UserDecimalSeparator(), ",");
    SetUserDecimalSeparator("");
    EXPECT_EQ(UserDecimalSeparator(), environment);
}

TEST(Locale, ComparisonIgnoresCaseBeyondAscii)
{
    EXPECT_EQ(CompareTextLocale(u"Apple", u"APPLE"), 0);
    EXPECT_EQ(CompareTextLocale(u"\u00E9t\u00E9", u"\u00C9T\u00C9"), 0); // été / ÉTÉ
    EXPECT_EQ(
        CompareTextLocale(u"\u043F\u0440\u0438\u0432\u0435\u0442", u"\u041F\u0420\u0418\u0412\u0415\u0422"),
        0);
    EXPECT_LT(CompareTextLocale(u"apple", u"Banana"), 0);
    EXPECT_GT(CompareTextLocale(u"banana", u"Apple"), 0);
    EXPECT_LT(CompareTextLocale(u"", u"a"), 0);

    // Sorting by key agrees with the comparison.
    std::vector<std::u16string> words = { u"delta", u"Alpha", u"charlie", u"BRAVO", u"echo", u"alpha2" };
    std::vector<std::u16string> byCompare = words;
    std::sort(byCompare.begin(), byCompare.end(),
        [](const auto& a, const auto& b) { return CompareTextLocale(a, b) < 0; });
    std::vector<std::u16string> byKey = words;
    std::sort(byKey.begin(), byKey.end(),
        [](const auto& a, const auto& b) { return CollationKey(a) < CollationKey(b); });
    EXPECT_EQ(byKey, byCompare);
}

TEST(Locale, CaseMappingKeepsTheTextLength)
{
    struct Case {
        std::u16string text;
        std::u16string upper;
        std::u16string lower;
    } cases[] = {
        { u"Stra\u00DFe", u"STRA\u00DFE", u"stra\u00DFe" }, // ß has no single-letter capital
        { u"\u0131i", u"II", u"\u0131i" }, // dotless i
        { u"\u0130", u"\u0130", u"i" }, // capital I with dot
        { u"\u043F\u0440\u0438", u"\u041F\u0420\u0418", u"\u043F\u0440\u0438" },
        { u"\xD801\xDC28", u"\xD801\xDC00", u"\xD801\xDC28" }, // Deseret, outside the BMP
        { std::u16string(u"a") + char16_t(0xD800) + u"b", std::u16string(u"A") + char16_t(0xD800) + u"B",
            std::u16string(u"a") + char16_t(0xD800) + u"b" }, // a lone surrogate stays
        { u"123 ?!", u"123 ?!", u"123 ?!" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int>(c.text.begin(), c.text.end())));
        EXPECT_EQ(UpperCase(c.text), c.upper);
        EXPECT_EQ(LowerCase(c.text), c.lower);
        EXPECT_EQ(UpperCase(c.text).size(), c.text.size());
    }
    EXPECT_EQ(UpperChar(U'\u00E4'), U'\u00C4');
    EXPECT_EQ(LowerChar(U'\u00C4'), U'\u00E4');
}
