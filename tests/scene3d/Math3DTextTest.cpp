#include "scene3d/Math3D.h"
#include "tests/graphics/CommaLocale.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

TEST(hvFloatToStr, Forms)
{
    const struct {
        float value;
        const char* text;
    } cases[] = {
        // Whole values as integers.
        { 2, "2" },
        { -3, "-3" },
        { 0, "0" },
        { -0.0f, "0" },
        { 1e10f, "10000000000" },
        // Fixed, cut (not rounded) to seven characters, eight with a sign.
        { -0.5f, "-0.5" },
        { 1.25f, "1.25" },
        { 0.1f, "0.1" },
        { 0.123456f, "0.12345" },
        { 0.999999f, "0.99999" },
        { 3.1415927f, "3.14159" },
        { -12345.5f, "-12345.5" },
        { 123456.5f, "123456.5" }, // the point at position 7: nothing cut
        { 0.00002f, "0.00002" },
        { 1234.5677f, "1234.56" },
        // Exponent form: below 0.00001 or more than six characters before the point.
        { -123456.5f, "-1.23457E5" },
        { 0.0000015f, "1.5E-6" },
        { 1234567.5f, "1.23457E6" },
        { 0.00001f, "1E-5" }, // the Single lies just below 0.00001
        { 9.999996e-6f, "1E-5" }, // rounding carries into the exponent
        { -9.999996e-6f, "-1E-5" },
        { 0.0078125f, "0.00781" }, // 2^-7: a tie in the sixth decimal, then cut
        { 123456.0078125f, "123456.007813" }, // the same tie kept: ties round away from zero
        { -1234565.0f, "-1234565" },
        { -1e-20f, "-1E-20" },
        { 1e30f, "1E30" }, // whole, but beyond 64-bit integers
        // Values without a readable text become the nearest readable one.
        { std::numeric_limits<float>::quiet_NaN(), "0" },
        { std::numeric_limits<float>::infinity(), "3.40282E38" },
        { -std::numeric_limits<float>::infinity(), "-3.40282E38" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(hvFloatToStr(c.value), c.text);
    }
}

// Six significant digits, cut: whatever the magnitude, reading the text back lands close.
TEST(hvFloatToStr, ReadsBackCloseToTheValue)
{
    for (int e = -12; e <= 12; ++e) {
        for (float m : { 1.0f, 1.2345678f, 3.3333333f, 5.55555f, 9.9999f }) {
            for (float sign : { 1.0f, -1.0f }) {
                const float v = sign * m * std::pow(10.0f, float(e));
                const std::string text = hvFloatToStr(v);
                SCOPED_TRACE(text);
                const float back = hvStrToFloat(text);
                const double allowed = std::max(1e-5, 1e-5 * std::fabs(v));
                ASSERT_LE(std::fabs(double(back) - v), allowed) << v;
                ASSERT_EQ(text.find(','), std::string::npos);
            }
        }
    }
}

TEST(hvStrToFloat, ReadsOrRaises)
{
    EXPECT_EQ(hvStrToFloat("1.5"), 1.5f);
    EXPECT_EQ(hvStrToFloat(" -2 "), -2);
    EXPECT_EQ(hvStrToFloat("1.5E-6"), 1.5e-6f);
    EXPECT_EQ(hvStrToFloat("1.23457E6"), 1234570);
    for (const char* bad : { "", "x", "1,5", "(1)", "1e40" }) {
        SCOPED_TRACE(bad);
        EXPECT_THROW((void)hvStrToFloat(bad), rtl::ConvertError);
    }
}

TEST(hvPointToStr, WritesAndReads)
{
    EXPECT_EQ(hvPointToStr({ 0, -10, 0 }), "(0,-10,0)");
    EXPECT_EQ(hvPointToStr({ 1.5f, 0, 2.25f }), "(1.5,0,2.25)");
    EXPECT_EQ(hvPointToStr({ 0.0000015f, 1234567.5f, -0.5f }), "(1.5E-6,1.23457E6,-0.5)");

    const struct {
        const char* text;
        ThvPoint point;
    } cases[] = {
        { "(1.5, 2, -3)", { 1.5f, 2, -3 } },
        { "(0,-10,0)", { 0, -10, 0 } },
        { "(1.5E-6,1,2)", { 1.5e-6f, 1, 2 } },
        { "(1,2,3", { 1, 2, 3 } },
        { "(1,2)", { 0, 0, 0 } }, // the third number is missing
        { "1,2,3", { 0, 0, 0 } }, // the first number is taken for what precedes "("
        { "(a,2,3)", { 0, 0, 0 } },
        { "", { 0, 0, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(hvStrToPoint(c.text), c.point);
    }
    const ThvPoint samples[] = { { 0, 0, 0 }, { -1.25f, 1e6f, 0.001f }, { 3.14159f, -2.5e-7f, 42 } };
    for (const ThvPoint& p : samples) {
        const std::string text = hvPointToStr(p);
        SCOPED_TRACE(text);
        const ThvPoint back = hvStrToPoint(text);
        EXPECT_NEAR(back.X, p.X, 1e-5 * std::max(1.0f, std::fabs(p.X)));
        EXPECT_NEAR(back.Y, p.Y, 1e-5 * std::max(1.0f, std::fabs(p.Y)));
        EXPECT_NEAR(back.Z, p.Z, 1e-5 * std::max(1.0f, std::fabs(p.Z)));
    }
}

TEST(hvColor, TextAndChannels)
{
    EXPECT_EQ(hvColorToStr(0xFF303030), "#FF303030");
    EXPECT_EQ(hvColorToStr(0x00000000), "#00000000");
    const struct {
        const char* text;
        uint32_t color;
    } cases[] = {
        { "#ff303030", 0xFF303030 },
        { "#FF707070", 0xFF707070 },
        { "$FF707070", 0xFF707070 },
        { "-13619152", 0xFF303030 },
        { "#FFFFFFFF", 0xFFFFFFFF },
        { "4278190080", 0 }, // decimal beyond the signed range does not read
        { "blue", 0 }, // the 3D library knows no colour names
        { "", 0 },
        { "#", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(hvStrToColor(c.text), c.color);
    }
    EXPECT_EQ(hvColorOpacity(0x80FFFFFF, 0.5f), 0x40FFFFFFu);
    EXPECT_EQ(hvColorOpacity(0x80FFFFFF, 1.0f), 0x80FFFFFFu);
    EXPECT_EQ(hvColorOpacity(0x80FFFFFF, 2.0f), 0x80FFFFFFu);
    EXPECT_EQ(hvInterpolateColor(0xFF000000, 0xFFFFFFFF, 0.5f), 0xFF7F7F7Fu);
    EXPECT_EQ(hvInterpolateColor(0x00FF0000, 0xFF000000, 0.5f), 0x7F800000u);
}

TEST(hvGetToken, CutsLikeTheTriggerParser)
{
    std::string text = " IsMouseOver = true ;IsPressed=false";
    EXPECT_EQ(hvGetToken(text, ";", ""), "IsMouseOver = true");
    EXPECT_EQ(text, "IsPressed=false");
    EXPECT_EQ(hvGetToken(text, "=", ""), "IsPressed");
    EXPECT_EQ(text, "false");
    std::string path = "Position.X";
    EXPECT_EQ(hvGetToken(path, ".", ""), "Position");
    EXPECT_EQ(path, "X");
    std::string stopped = "ab)cd";
    EXPECT_EQ(hvGetToken(stopped, ",", ")"), "ab");
    EXPECT_EQ(stopped, ")cd");
}

TEST(hvGetTokenAt, StepsThroughAText)
{
    struct Step {
        int32_t pos;
        const char* token;
        int32_t next;
    };
    const struct {
        const char* what;
        const char* text;
        const char* separators;
        const char* stops;
        std::vector<Step> steps;
    } cases[] = {
        { "numbers", "1 2 3", " ,", "", { { 1, "1", 3 }, { 3, "2", 5 }, { 5, "3", 5 } } },
        { "the end leaves the position on the last character", "ab", " ", "",
            { { 1, "ab", 2 }, { 2, "b", 2 } } },
        { "runs of separators stop on the last character", "7 ,  ", " ,", "", { { 1, "7", 5 } } },
        { "stop characters stay", "ab;cd", " ", ";", { { 1, "ab", 3 }, { 3, "", 3 } } },
        { "not trimmed", "x\ty,z", ",", "", { { 1, "x\ty", 5 } } },
        { "empty text", "", " ", "", { { 1, "", 0 } } },
        { "a position before the text reads from the start", "ab c", " ", "", { { 0, "ab", 4 } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const Step& step : c.steps) {
            SCOPED_TRACE(step.pos);
            int32_t pos = step.pos;
            EXPECT_EQ(hvGetTokenAt(pos, c.text, c.separators, c.stops), step.token);
            EXPECT_EQ(pos, step.next);
        }
    }
}

// The mesh text readers walk three numbers per vertex while the position is below the
// length; these are the vertex counts those texts must give.
TEST(hvGetTokenAt, MeshTextWalk)
{
    const struct {
        const char* text;
        int vertices;
    } cases[] = {
        { "1 2 3", 1 },
        { "1,2,3,4,5,6", 2 },
        { "0 0 0  1 0.5 0  ", 2 },
        { "7", 0 },
        { "", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string_view text = c.text;
        int32_t pos = 1;
        int vertices = 0;
        while (pos < int32_t(text.size())) {
            ++vertices;
            for (int i = 0; i < 3; ++i)
                (void)hvGetTokenAt(pos, text, " ,", "");
            ASSERT_LT(vertices, 100);
        }
        EXPECT_EQ(vertices, c.vertices);
    }
}

// The texts end up in design files and clipboard copies: a decimal comma locale must not
// leak into them.
TEST(hvFloatToStr, IgnoresADecimalCommaLocale)
{
    CommaLocale locale;
    if (!locale.Active())
        GTEST_SKIP() << locale.Reason();
    EXPECT_EQ(hvFloatToStr(1.25f), "1.25");
    EXPECT_EQ(hvFloatToStr(0.0000015f), "1.5E-6");
    EXPECT_EQ(hvPointToStr({ 1.5f, 0, -2.25f }), "(1.5,0,-2.25)");
    EXPECT_EQ(hvStrToPoint("(0.5,1,2)"), hvPoint(0.5f, 1, 2));
    EXPECT_EQ(hvStrToFloat("0.5"), 0.5f);
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), ",");
}

} // namespace
