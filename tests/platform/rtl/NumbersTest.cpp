#include "platform/rtl/Numbers.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace rtl;

TEST(Numbers, RoundIsHalfToEvenAndTruncCutsTowardZero)
{
    struct Case {
        double in;
        int64_t round, trunc;
    } cases[] = {
        { 0.5, 0, 0 },
        { 1.5, 2, 1 },
        { 2.5, 2, 2 },
        { -0.5, 0, 0 },
        { -1.5, -2, -1 },
        { 127.5, 128, 127 },
        { 2.4999, 2, 2 },
        { -2.7, -3, -2 },
        { 1e300, INT64_MAX, INT64_MAX },
        { -1e300, INT64_MIN, INT64_MIN },
        { std::nan(""), 0, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(Round(c.in), c.round);
        EXPECT_EQ(Trunc(c.in), c.trunc);
    }
}

TEST(Numbers, IntegerSyntax)
{
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    } cases[] = {
        { "255", 255 },
        { "  -12", -12 },
        { "+7", 7 },
        { "$FF", 255 },
        { "0xff", 255 },
        { "X1f", 31 },
        { "&17", 15 },
        { "%101", 5 },
        { "$FFFFFFFF", -1 },
        { "-13619152", -13619152 },
        { "2147483647", 2147483647 },
        { "-2147483648", INT32_MIN },
        { "2147483648", std::nullopt },
        { "$100000000", std::nullopt },
        { "", std::nullopt },
        { "  ", std::nullopt },
        { "$", std::nullopt },
        { "12 ", std::nullopt },
        { "1.5", std::nullopt },
        { "&8", std::nullopt },
        { "%2", std::nullopt },
        { "00042", 42 },
        { "abc", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TryStrToInt(c.text), c.value);
    }
    EXPECT_EQ(TryStrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(TryStrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(TryStrToInt64("9223372036854775808"), std::nullopt);
    EXPECT_EQ(TryStrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(StrToInt("x"), ConvertError);
}

TEST(Numbers, FloatSyntax)
{
    struct Case {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        { "1.5", 1.5 },
        { " -0.25 ", -0.25 },
        { "+3", 3.0 },
        { "1e3", 1000.0 },
        { "1E+3", 1000.0 },
        { "2.5e-1", 0.25 },
        { ".5", 0.5 },
        { "5.", 5.0 },
        { "1e-400", 0.0 },
        { "1e400", std::nullopt },
        { "inf", std::nullopt },
        { "nan", std::nullopt },
        { "0x10", std::nullopt },
        { "1,5", std::nullopt },
        { "", std::nullopt },
        { ".", std::nullopt },
        { "1e", std::nullopt },
        { "--1", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TryStrToFloat(c.text), c.value);
    }
    EXPECT_THROW(StrToFloat("abc"), ConvertError);
}

TEST(Numbers, FixedAndShortestText)
{
    EXPECT_EQ(FormatFixed(1.5, 3), "1.500");
    EXPECT_EQ(FormatFixed(-0.25, 3), "-0.250");
    EXPECT_EQ(FormatFixed(1.23456, 3), "1.235");
    EXPECT_EQ(FormatFixed(0.0001, 3), "0.000");
    EXPECT_EQ(FormatFixed(1e300, 2).size(), 304u);
    EXPECT_EQ(FormatShortest(0.1), "0.1");
    EXPECT_EQ(IntToStr(-42), "-42");
}
