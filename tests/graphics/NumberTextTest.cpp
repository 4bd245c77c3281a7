#include "graphics/NumberText.h"
#include "graphics/Angles.h"
#include "graphics/Geometry.h"
#include "tests/graphics/CommaLocale.h"
#include "tests/graphics/Printers.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

TEST(FloatToText, ThreeDecimalsOnlyWithAFraction)
{
    const struct {
        float value;
        const char* text;
    } cases[] = {
        { 1.5f, "1.500" },
        { -0.25f, "-0.250" },
        { 1.23456f, "1.235" },
        { 2.5f, "2.500" },
        { 0.0001f, "0.000" }, // a fraction too small for three decimals
        { 100, "100" },
        { -3, "-3" },
        { 0, "0" },
        { -0.0f, "0" }, // no negative zero in stored texts
        { 1000000, "1000000" },
        { 1e10f, "10000000000" },
        { 16777217.0f, "16777216" }, // what the Single holds, not what was typed
        { 1e20f, "100000002004087734272" }, // beyond 64-bit integers, still exact
        { std::numeric_limits<float>::quiet_NaN(), "0" },
        { std::numeric_limits<float>::infinity(), "340282346638528859811704183484516925440" },
        { -std::numeric_limits<float>::infinity(), "-340282346638528859811704183484516925440" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FloatToText(c.value), c.text);
    }
}

TEST(TextToFloat, ReadsNumbersWithAPoint)
{
    const struct {
        const char* text;
        float value;
    } cases[] = {
        { "1.5", 1.5f }, { " 2.25 ", 2.25f }, { "-3", -3 }, { "+4", 4 }, { "1e3", 1000 }, { "1E-2", 0.01f },
        { ".5", 0.5f }, { "1.", 1 }, { "0.1", 0.1f }, // rounded to the nearest Single
        { "3.4028235e38", FLT_MAX }, // the shortest text of the largest Single
        { "1e-50", 0 }, // underflow reads as zero
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToFloat(c.text), c.value);
    }
}

TEST(TextToFloat, RaisesOnTextThatIsNotANumber)
{
    const char* cases[]
        = { "", " ", "abc", "1,5", "1.5x", "--1", "1e", "e5", "inf", "nan", "0x10", "1e39", "-1e39" };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        EXPECT_THROW((void)TextToFloat(text), rtl::ConvertError);
    }
}

TEST(FloatToText, RoundTripsThroughTextToFloat)
{
    const float values[] = { 0, 1, -1, 0.5f, -12.125f, 1234.5f, 65535, 61440, -61440, 1e7f, 0.001f };
    for (float v : values) {
        SCOPED_TRACE(v);
        EXPECT_NEAR(TextToFloat(FloatToText(v)), v, 0.0005);
    }
}

// Number texts are stored in design files: a user whose locale writes "1,5" must still
// write and read "1.5", and the locale must be left as it was.
TEST(FloatToText, IgnoresADecimalCommaLocale)
{
    CommaLocale locale;
    if (!locale.Active())
        GTEST_SKIP() << locale.Reason();
    EXPECT_EQ(FloatToText(1.5f), "1.500");
    EXPECT_EQ(FloatToText(-1234.25f), "-1234.250");
    EXPECT_EQ(TextToFloat("2.75"), 2.75f);
    EXPECT_THROW((void)TextToFloat("2,75"), rtl::ConvertError);
    EXPECT_EQ(PointToText({ 1.5f, -0.25f }), "(1.500,-0.250)");
    EXPECT_EQ(TextToRect("(0.5,1,2.25,3)"), MakeRect(0.5f, 1, 2.25f, 3));
    EXPECT_EQ(std::string(std::localeconv()->decimal_point), ",") << "the locale was changed behind our back";
}

TEST(Angles, NormalizeAngleIntoMinus180To360)
{
    const struct {
        float in, out;
    } cases[] = {
        { 370, 10 },
        { 200, 200 },
        { -200, 160 },
        { -100, -100 },
        { -720, 0 },
        { 359.9f, 359.9f },
        { -180, -180 },
        { -180.5f, 179.5f },
        { 360, 0 },
        { 720.5f, 0.5f },
        { -359, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_NEAR(NormalizeAngle(c.in), c.out, 1e-3);
    }
    for (float a = -2000; a <= 2000; a += 7.25f) {
        const float n = NormalizeAngle(a);
        ASSERT_GE(n, -180.0f) << a;
        ASSERT_LT(n, 360.0f) << a;
        const double turns = (double(a) - n) / 360;
        ASSERT_NEAR(turns, std::round(turns), 1e-6) << a << " is not a whole number of turns from " << n;
    }
}

TEST(Angles, ConversionsAndSinCos)
{
    EXPECT_NEAR(RadToDeg(std::numbers::pi_v<float>), 180, 1e-4);
    EXPECT_NEAR(DegToRad(90), std::numbers::pi / 2, 1e-6);
    EXPECT_NEAR(RadToDeg(DegToRad(37.5f)), 37.5f, 1e-4);
    const struct {
        float angle, sin, cos;
    } cases[] = {
        { 0, 0, 1 },
        { std::numbers::pi_v<float> / 2, 1, 0 },
        { std::numbers::pi_v<float>, 0, -1 },
        { -std::numbers::pi_v<float> / 6, -0.5f, std::sqrt(3.0f) / 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.angle);
        float s = 9, co = 9;
        SinCosSingle(s, co, c.angle);
        EXPECT_NEAR(s, c.sin, 1e-6);
        EXPECT_NEAR(co, c.cos, 1e-6);
    }
}

} // namespace
