#include "graphics/Tokens.h"

#include "platform/rtl/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(GetToken, CutsTrimsAndKeepsStops)
{
    const struct {
        const char* what;
        const char* text;
        const char* separators;
        const char* stops;
        const char* token;
        const char* rest;
    } cases[] = {
        { "blanks around word and separator", "  abc , def", ",", "", "abc", "def" },
        { "separator first gives an empty token", ",x", ",", "", "", "x" },
        { "empty text", "", ",", "", "", "" },
        { "no separator: all of it", " solo ", ",", "", "solo", "" },
        { "a stop character stays in the text", "ab;cd,ef", ",", ";", "ab", ";cd,ef" },
        { "a stop first consumes nothing", ";cd", ",", ";", "", ";cd" },
        { "controls are trimmed too", "\t x \n,\r y\x01", ",", "", "x", "y" },
        { "blanks inside are kept", "a b,c", ",", "", "a b", "c" },
        { "several separators", "(1,2)", ",()", "", "", "1,2)" },
        { "UTF-8 passes through",
            "Gr\xC3\xBC\xC3\x9F"
            "e,x",
            ",", "",
            "Gr\xC3\xBC\xC3\x9F"
            "e",
            "x" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string s = c.text;
        EXPECT_EQ(GetToken(s, c.separators, c.stops), c.token);
        EXPECT_EQ(s, c.rest);
    }
}

struct WideStep {
    int32_t pos; // position passed in
    const char* token; // token returned
    int32_t next; // position afterwards
};

TEST(GetWideToken, WalksTextFromAPosition)
{
    const struct {
        const char* what;
        const char* text;
        const char* separators;
        const char* stops;
        std::vector<WideStep> steps;
    } cases[] = {
        { "two words", "ab cd", " ,-", "", { { 1, "ab", 4 }, { 4, "cd", 6 }, { 6, "", 6 } } },
        { "trailing separator", "ab ", " ,-", "", { { 1, "ab", 4 }, { 4, "", 4 } } },
        { "runs of separators", "a,,-b", " ,-", "", { { 1, "a", 5 }, { 5, "b", 6 } } },
        { "stop characters are not skipped", "ab\ncd", " ", "\n", { { 1, "ab", 3 }, { 3, "", 3 } } },
        { "tokens are not trimmed", " a ,b", ",", "", { { 1, " a ", 5 }, { 5, "b", 6 } } },
        { "starting on a separator", " x", " ", "", { { 1, "", 2 }, { 2, "x", 3 } } },
        { "a position before the text reads from the start", "ab", " ", "",
            { { 0, "ab", 3 }, { -5, "ab", 3 } } },
        { "empty text", "", " ", "", { { 1, "", 1 } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string text = rtl::Utf8ToUtf16(c.text);
        for (const WideStep& step : c.steps) {
            SCOPED_TRACE(step.pos);
            int32_t pos = step.pos;
            EXPECT_EQ(rtl::Utf16ToUtf8(
                          GetWideToken(pos, text, rtl::Utf8ToUtf16(c.separators), rtl::Utf8ToUtf16(c.stops))),
                step.token);
            EXPECT_EQ(pos, step.next);
        }
    }
}

// The memo's layout reads tokens until an empty one comes; that must always end.
TEST(GetWideToken, ReadingUntilEmptyEnds)
{
    const char* texts[] = { "", " ", "a", "a b  c ", "  lead", "x,y-z", "one\ntwo" };
    for (const char* t : texts) {
        SCOPED_TRACE(t);
        const std::u16string text = rtl::Utf8ToUtf16(t);
        int32_t pos = 1;
        int guard = 0;
        while (!GetWideToken(pos, text, u" ,-", u"\n").empty())
            ASSERT_LT(++guard, 100);
    }
}

} // namespace
