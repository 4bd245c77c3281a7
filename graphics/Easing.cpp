#include "graphics/Easing.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

// The InOut curves run the first half on x = t / (d / 2) < 1.
double HalfX(double t, double d)
{
    return t / (d / 2);
}

} // namespace

double EaseQuadratic(double t, double b, double c, double d, TwzAnimationType type)
{
    double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return c * x * x + b;
    case wzAnimationOut:
        return -c * x * (x - 2) + b;
    default:
        x = HalfX(t, d);
        if (x < 1)
            return c / 2 * x * x + b;
        x -= 1;
        return -c / 2 * (x * (x - 2) - 1) + b;
    }
}

double EaseCubic(double t, double b, double c, double d, TwzAnimationType type)
{
    double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return c * x * x * x + b;
    case wzAnimationOut:
        x -= 1;
        return c * (x * x * x + 1) + b;
    default:
        x = HalfX(t, d);
        if (x < 1)
            return c / 2 * x * x * x + b;
        x -= 2;
        return c / 2 * (x * x * x + 2) + b;
    }
}

double EaseQuartic(double t, double b, double c, double d, TwzAnimationType type)
{
    double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return c * x * x * x * x + b;
    case wzAnimationOut:
        x -= 1;
        return -c * (x * x * x * x - 1) + b;
    default:
        x = HalfX(t, d);
        if (x < 1)
            return c / 2 * x * x * x * x + b;
        x -= 2;
        return -c / 2 * (x * x * x * x - 2) + b;
    }
}

double EaseQuintic(double t, double b, double c, double d, TwzAnimationType type)
{
    double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return c * x * x * x * x * x + b;
    case wzAnimationOut:
        x -= 1;
        return c * (x * x * x * x * x + 1) + b;
    default:
        x = HalfX(t, d);
        if (x < 1)
            return c / 2 * x * x * x * x * x + b;
        x -= 2;
        return c / 2 * (x * x * x * x * x + 2) + b;
    }
}

double EaseSinusoidal(double t, double b, double c, double d, TwzAnimationType type)
{
    const double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return -c * std::cos(x * kPi / 2) + c + b;
    case wzAnimationOut:
        return c * std::sin(x * kPi / 2) + b;
    default:
        return -c / 2 * (std::cos(kPi * t / d) - 1) + b;
    }
}

double EaseExponential(double t, double b, double c, double d, TwzAnimationType type)
{
    // The end points are exact: the curve itself stops 2^-10 short of them.
    const double x = t / d;
    switch (type) {
    case wzAnimationIn:
        if (t == 0)
            return b;
        return c * std::exp2(10 * (x - 1)) + b;
    case wzAnimationOut:
        if (t == d)
            return b + c;
        return c * (1 - std::exp2(-10 * x)) + b;
    default: {
        if (t == 0)
            return b;
        if (t == d)
            return b + c;
        const double h = HalfX(t, d);
        if (h < 1)
            return c / 2 * std::exp2(10 * (h - 1)) + b;
        return c / 2 * (2 - std::exp2(-10 * (h - 1))) + b;
    }
    }
}

double EaseCircular(double t, double b, double c, double d, TwzAnimationType type)
{
    double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return -c * (std::sqrt(1 - x * x) - 1) + b;
    case wzAnimationOut:
        x -= 1;
        return c * std::sqrt(1 - x * x) + b;
    default:
        x = HalfX(t, d);
        if (x < 1)
            return -c / 2 * (std::sqrt(1 - x * x) - 1) + b;
        x -= 2;
        return c / 2 * (std::sqrt(1 - x * x) + 1) + b;
    }
}

double EaseBack(double t, double b, double c, double d, double s, TwzAnimationType type)
{
    if (s == 0)
        s = 1.70158;
    double x = t / d;
    switch (type) {
    case wzAnimationIn:
        return c * x * x * ((s + 1) * x - s) + b;
    case wzAnimationOut:
        x -= 1;
        return c * (x * x * ((s + 1) * x + s) + 1) + b;
    default:
        s *= 1.525;
        x = HalfX(t, d);
        if (x < 1)
            return c / 2 * (x * x * ((s + 1) * x - s)) + b;
        x -= 2;
        return c / 2 * (x * x * ((s + 1) * x + s) + 2) + b;
    }
}

double EaseElastic(double t, double b, double c, double d, double a, double p, TwzAnimationType type)
{
    if (t == 0)
        return b;
    const bool inOut = type == wzAnimationInOut;
    double x = inOut ? HalfX(t, d) : t / d;
    if (x == (inOut ? 2 : 1))
        return b + c;
    if (p == 0)
        p = d * (inOut ? 0.3 * 1.5 : 0.3);
    double s;
    if (a != 0 && a >= std::fabs(c)) {
        s = p / (2 * kPi) * std::asin(c / a);
    } else {
        a = c;
        s = p / 4;
    }
    const auto wave = [&](double u) { return std::sin((u * d - s) * (2 * kPi) / p); };
    switch (type) {
    case wzAnimationIn:
        x -= 1;
        return -(a * std::exp2(10 * x) * wave(x)) + b;
    case wzAnimationOut:
        return a * std::exp2(-10 * x) * wave(x) + c + b;
    default:
        if (x < 1) {
            x -= 1;
            return -0.5 * a * std::exp2(10 * x) * wave(x) + b;
        }
        x -= 1;
        return 0.5 * a * std::exp2(-10 * x) * wave(x) + c + b;
    }
}

double EaseBounceOut(double t, double b, double c, double d)
{
    double x = t / d;
    if (x < 1 / 2.75)
        return c * (7.5625 * x * x) + b;
    if (x < 2 / 2.75) {
        x -= 1.5 / 2.75;
        return c * (7.5625 * x * x + 0.75) + b;
    }
    if (x < 2.5 / 2.75) {
        x -= 2.25 / 2.75;
        return c * (7.5625 * x * x + 0.9375) + b;
    }
    x -= 2.625 / 2.75;
    return c * (7.5625 * x * x + 0.984375) + b;
}

double EaseBounceIn(double t, double b, double c, double d)
{
    return c - EaseBounceOut(d - t, 0, c, d) + b;
}

double EaseBounce(double t, double b, double c, double d, TwzAnimationType type)
{
    switch (type) {
    case wzAnimationIn:
        return EaseBounceIn(t, b, c, d);
    case wzAnimationOut:
        return EaseBounceOut(t, b, c, d);
    default:
        if (t < d / 2)
            return EaseBounceIn(2 * t, 0, c, d) * 0.5 + b;
        return EaseBounceOut(2 * t - d, 0, c, d) * 0.5 + c * 0.5 + b;
    }
}

double Ease(TwzInterpolationType kind, double t, double b, double c, double d, TwzAnimationType type)
{
    switch (kind) {
    case wzInterpolationLinear:
        return EaseLinear(t, b, c, d, type);
    case wzInterpolationQuadratic:
        return EaseQuadratic(t, b, c, d, type);
    case wzInterpolationCubic:
        return EaseCubic(t, b, c, d, type);
    case wzInterpolationQuartic:
        return EaseQuartic(t, b, c, d, type);
    case wzInterpolationQuintic:
        return EaseQuintic(t, b, c, d, type);
    case wzInterpolationSinusoidal:
        return EaseSinusoidal(t, b, c, d, type);
    case wzInterpolationExponential:
        return EaseExponential(t, b, c, d, type);
    case wzInterpolationCircular:
        return EaseCircular(t, b, c, d, type);
    case wzInterpolationElastic:
        return EaseElastic(t, b, c, d, 0, 0, type);
    case wzInterpolationBack:
        return EaseBack(t, b, c, d, 0, type);
    case wzInterpolationBounce:
        return EaseBounce(t, b, c, d, type);
    }
    return EaseLinear(t, b, c, d, type);
}
