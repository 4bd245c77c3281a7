#include "graphics/Easing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace {

using EaseFn = double (*)(double t, double b, double c, double d, TwzAnimationType type);

// The curves as the animations pick them: by interpolation kind, extra arguments 0.
const struct Curve {
    TwzInterpolationType kind;
    EaseFn ease;
    bool mirrored; // Out is In reflected: Out(t) - b = c - (In(d - t) - b)
} kCurves[] = {
    { wzInterpolationLinear,
        [](double t, double b, double c, double d, TwzAnimationType y) { return EaseLinear(t, b, c, d, y); },
        true },
    { wzInterpolationQuadratic, EaseQuadratic, true },
    { wzInterpolationCubic, EaseCubic, true },
    { wzInterpolationQuartic, EaseQuartic, true },
    { wzInterpolationQuintic, EaseQuintic, true },
    { wzInterpolationSinusoidal, EaseSinusoidal, true },
    { wzInterpolationExponential, EaseExponential, true },
    { wzInterpolationCircular, EaseCircular, true },
    { wzInterpolationElastic,
        [](double t, double b, double c, double d, TwzAnimationType y) {
            return EaseElastic(t, b, c, d, 0, 0, y);
        },
        false },
    { wzInterpolationBack,
        [](double t, double b, double c, double d, TwzAnimationType y) { return EaseBack(t, b, c, d, 0, y); },
        true },
    { wzInterpolationBounce, EaseBounce, true },
};

constexpr TwzAnimationType kDirections[] = { wzAnimationIn, wzAnimationOut, wzAnimationInOut };

std::string Name(const Curve& curve, TwzAnimationType type)
{
    return std::string(rtl::EnumName(curve.kind)) + " " + std::string(rtl::EnumName(type));
}

TEST(Easing, EveryCurveRunsFromStartToStop)
{
    ASSERT_EQ(std::size(kCurves), std::size(rtl::TEnumTraits<TwzInterpolationType>::kNames));
    const double b = 2, c = -3, d = 0.7;
    for (const Curve& curve : kCurves) {
        for (TwzAnimationType type : kDirections) {
            SCOPED_TRACE(Name(curve, type));
            EXPECT_NEAR(curve.ease(0, b, c, d, type), b, 1e-9);
            EXPECT_NEAR(curve.ease(d, b, c, d, type), b + c, 1e-9);
            for (int i = 0; i <= 100; ++i) {
                const double value = curve.ease(d * i / 100, b, c, d, type);
                ASSERT_TRUE(std::isfinite(value)) << "at step " << i;
                ASSERT_EQ(Ease(curve.kind, d * i / 100, b, c, d, type), value) << "Ease picks this curve";
            }
        }
    }
}

// Every direction is derived from one curve; reflecting it catches a wrong formula in any one
// of them.
TEST(Easing, OutMirrorsInAndInOutJoinsTheHalves)
{
    const double b = 1, c = 4, d = 2;
    for (const Curve& curve : kCurves) {
        if (!curve.mirrored)
            continue;
        for (int i = 0; i <= 40; ++i) {
            const double t = d * i / 40;
            SCOPED_TRACE(std::string(rtl::EnumName(curve.kind)) + " at " + std::to_string(t));
            const double in = curve.ease(d - t, b, c, d, wzAnimationIn) - b;
            const double out = curve.ease(t, b, c, d, wzAnimationOut) - b;
            EXPECT_NEAR(out, c - in, 1e-9);
            const double inOut = curve.ease(t, b, c, d, wzAnimationInOut) - b;
            const double other = curve.ease(d - t, b, c, d, wzAnimationInOut) - b;
            EXPECT_NEAR(inOut + other, c, 1e-9) << "InOut is point-symmetric about its middle";
            if (curve.kind != wzInterpolationBack && t < d / 2) { // Back's InOut uses a larger overshoot
                EXPECT_NEAR(inOut, (curve.ease(2 * t, b, c, d, wzAnimationIn) - b) / 2, 1e-9);
            }
        }
    }
}

TEST(Easing, WorkedValues)
{
    const struct {
        const char* what;
        double value, expected;
    } cases[] = {
        { "quadratic in at half", EaseQuadratic(0.5, 0, 1, 1, wzAnimationIn), 0.25 },
        { "quadratic out at half", EaseQuadratic(0.5, 0, 1, 1, wzAnimationOut), 0.75 },
        { "quadratic in-out at half", EaseQuadratic(0.5, 0, 1, 1, wzAnimationInOut), 0.5 },
        { "cubic in at half", EaseCubic(1, 10, 8, 2, wzAnimationIn), 11 },
        { "linear ignores direction", EaseLinear(1, 10, 8, 4, wzAnimationOut), 12 },
        { "sinusoidal out at half", EaseSinusoidal(0.5, 0, 1, 1, wzAnimationOut), std::sqrt(0.5) },
        { "circular in at half", EaseCircular(0.5, 0, 1, 1, wzAnimationIn), 1 - std::sqrt(0.75) },
        { "exponential in just after 0", EaseExponential(0.1, 0, 1, 1, wzAnimationIn), std::exp2(-9.0) },
        { "bounce out at the first break", EaseBounce(1, 0, 1, 2.75, wzAnimationOut), 1 },
        { "bounce out at the second break", EaseBounce(2, 0, 1, 2.75, wzAnimationOut), 1 },
        { "bounce out at the first bounce's top", EaseBounce(1.5, 0, 1, 2.75, wzAnimationOut), 0.75 },
        { "bounce out at half", EaseBounce(0.5, 0, 1, 1, wzAnimationOut), 0.765625 },
        { "bounce in is bounce out reflected", EaseBounceIn(0.25, 0, 1, 1),
            1 - EaseBounceOut(0.75, 0, 1, 1) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(c.value, c.expected, 1e-12);
    }
    EXPECT_EQ(EaseExponential(0, 3, 1, 1, wzAnimationIn), 3) << "exactly b, not b + c * 2^-10";
    EXPECT_EQ(EaseExponential(1, 3, 1, 1, wzAnimationOut), 4);
    EXPECT_EQ(EaseExponential(0, 3, 1, 1, wzAnimationInOut), 3);
}

TEST(Easing, BounceOutIsContinuousAtItsBreaks)
{
    const double breaks[] = { 1 / 2.75, 2 / 2.75, 2.5 / 2.75 };
    for (double x : breaks) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(EaseBounceOut(x - 1e-9, 0, 1, 1), EaseBounceOut(x + 1e-9, 0, 1, 1), 1e-7);
    }
    EXPECT_NEAR(EaseBounceOut(1 / 2.75 - 1e-12, 0, 1, 1), 1, 1e-9);
    EXPECT_NEAR(EaseBounceOut(2 / 2.75 - 1e-12, 0, 1, 1), 1, 1e-9);
}

TEST(Easing, BackOvershoots)
{
    double minIn = 0, maxOut = 1;
    for (int i = 0; i <= 100; ++i) {
        minIn = std::min(minIn, EaseBack(i / 100.0, 0, 1, 1, 0, wzAnimationIn));
        maxOut = std::max(maxOut, EaseBack(i / 100.0, 0, 1, 1, 0, wzAnimationOut));
    }
    EXPECT_LT(minIn, -0.09) << "dips below the start";
    EXPECT_GT(maxOut, 1.09) << "shoots past the stop";
    EXPECT_NEAR(
        EaseBack(0.5, 0, 1, 1, 0, wzAnimationIn), EaseBack(0.5, 0, 1, 1, 1.70158, wzAnimationIn), 1e-15)
        << "overshoot 0 means 1.70158";
}

TEST(Easing, ElasticDefaultsAndAmplitude)
{
    const double b = 0.5, c = 2, d = 1.5;
    for (TwzAnimationType type : kDirections) {
        SCOPED_TRACE(rtl::EnumName(type));
        const double period = d * (type == wzAnimationInOut ? 0.45 : 0.3);
        for (int i = 1; i < 10; ++i) {
            const double t = d * i / 10;
            EXPECT_NEAR(EaseElastic(t, b, c, d, 0, 0, type), EaseElastic(t, b, c, d, c, period, type), 1e-12)
                << "zero amplitude and period are the defaults";
        }
        // An amplitude of twice the change shifts the phase by P / (2 pi) asin(1/2).
        const double s = period / (2 * std::numbers::pi) * std::asin(0.5);
        const double x = 0.4 - 1; // t = 0.4 d, In
        if (type == wzAnimationIn) {
            const double expected
                = -(2 * c * std::exp2(10 * x) * std::sin((x * d - s) * 2 * std::numbers::pi / period)) + b;
            EXPECT_NEAR(EaseElastic(0.4 * d, b, c, d, 2 * c, 0, type), expected, 1e-12);
        }
        EXPECT_NEAR(EaseElastic(d, b, c, d, 2 * c, 0, type), b + c, 1e-12);
        EXPECT_EQ(EaseElastic(0, b, c, d, 2 * c, 0, type), b);
    }
}

TEST(Easing, EnumerationNames)
{
    EXPECT_EQ(std::size(rtl::TEnumTraits<TwzAnimationType>::kNames), 3u);
    EXPECT_EQ(rtl::EnumName(wzAnimationInOut), "wzAnimationInOut");
    EXPECT_EQ(rtl::EnumName(wzInterpolationLinear), "wzInterpolationLinear");
    EXPECT_EQ(rtl::EnumName(wzInterpolationElastic), "wzInterpolationElastic");
    EXPECT_EQ(rtl::EnumName(wzInterpolationBounce), "wzInterpolationBounce");
    static_assert(wzInterpolationBounce == 10 && wzAnimationInOut == 2 && sizeof(TwzAnimationType) == 4);
}

} // namespace
