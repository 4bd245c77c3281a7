#include "platform/rtl/Text.h"

#include <gtest/gtest.h>

using namespace rtl;

TEST(Text, Utf8RoundTripsThroughUtf16)
{
    const std::string samples[] = { "", "plain", "Caf\xC3\xA9", "\xE2\x82\xAC 5", "\xF0\x9F\x98\x80 emoji",
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82" };
    for (const auto& s : samples) {
        SCOPED_TRACE(s);
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
    }
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), std::u16string(u"\xD83D\xDE00"));
}

TEST(Text, InvalidUtf8IsReadAsWindows1252AsAWhole)
{
    struct Case {
        const char* bytes;
        std::u16string expected;
    } cases[] = {
        { "caf\xE9", u"caf\u00E9" }, // Latin-1 letter
        { "\x80\x81 \x9F", u"\u20AC\u0081 \u0178" }, // C1 range, one undefined byte kept as is
        { "\xC3\xA9\xE9", u"\u00C3\u00A9\u00E9" }, // one bad byte makes the whole string 1252
        { "\xC0\x80", u"\u00C0\u20AC" }, // overlong NUL is not UTF-8
        { "\xED\xA0\x80", u"\u00ED\u00A0\u20AC" }, // encoded surrogate is not UTF-8
        { "\xE2\x82", u"\u00E2\u201A" }, // truncated sequence
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_FALSE(IsValidUtf8(c.bytes));
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.expected);
    }
    EXPECT_EQ(ToValidUtf8("caf\xE9"), "caf\xC3\xA9");
}

TEST(Text, LoneSurrogatesBecomeReplacementCharacters)
{
    EXPECT_EQ(Utf16ToUtf8(std::u16string(u"a") + char16_t(0xD800) + u"b"),
        "a\xEF\xBF\xBD"
        "b");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
}

TEST(Text, CaseFoldingTouchesAsciiLettersOnly)
{
    EXPECT_TRUE(SameText("ButtonStyle", "BUTTONSTYLE"));
    EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89")); // é and É stay distinct
    EXPECT_FALSE(SameText(u"\u0418", u"\u0438")); // Cyrillic never folds
    EXPECT_TRUE(SameText(u"Aliceblue", u"ALICEBLUE"));
    EXPECT_FALSE(SameText("abc", "abcd"));
    EXPECT_LT(CompareText("apple", "Banana"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_EQ(CompareText(u"Same", u"sAME"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_EQ(AsciiUpperCase("i\xC4\xB1x"), "I\xC4\xB1X");
}
