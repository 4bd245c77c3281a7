#pragma once

#include "platform/rtl/Set.h"

#include <cstdint>
#include <string_view>

// Easing curves of the 2D and 3D property animations in the (t, b, c, d) form: t the elapsed
// time, b the start value, c the change, d the duration; every curve gives b at t = 0 and
// b + c at t = d. Animations call them with b = 0 and c = 1 for an eased fraction.

enum TwzInterpolationType : int32_t {
    wzInterpolationLinear,
    wzInterpolationQuadratic,
    wzInterpolationCubic,
    wzInterpolationQuartic,
    wzInterpolationQuintic,
    wzInterpolationSinusoidal,
    wzInterpolationExponential,
    wzInterpolationCircular,
    wzInterpolationElastic,
    wzInterpolationBack,
    wzInterpolationBounce,
};

enum TwzAnimationType : int32_t {
    wzAnimationIn,
    wzAnimationOut,
    wzAnimationInOut,
};

// Published by the animations of both libraries, so their names are known to streams.
RTL_ENUM(TwzInterpolationType, "wzInterpolationLinear", "wzInterpolationQuadratic", "wzInterpolationCubic",
    "wzInterpolationQuartic", "wzInterpolationQuintic", "wzInterpolationSinusoidal",
    "wzInterpolationExponential", "wzInterpolationCircular", "wzInterpolationElastic", "wzInterpolationBack",
    "wzInterpolationBounce");
RTL_ENUM(TwzAnimationType, "wzAnimationIn", "wzAnimationOut", "wzAnimationInOut");

/// The same straight line in every direction; the direction is taken only so that every
/// curve can be called alike.
constexpr double EaseLinear(double t, double b, double c, double d, TwzAnimationType = wzAnimationIn)
{
    return c * t / d + b;
}

[[nodiscard]] double EaseQuadratic(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseCubic(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseQuartic(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseQuintic(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseSinusoidal(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseExponential(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseCircular(double t, double b, double c, double d, TwzAnimationType type);

/// S is the overshoot; 0 means 1.70158.
[[nodiscard]] double EaseBack(double t, double b, double c, double d, double s, TwzAnimationType type);

/// A is the amplitude and P the period; 0 for either means its default (|c|, and 0.3 d or
/// 0.45 d for InOut).
[[nodiscard]] double EaseElastic(
    double t, double b, double c, double d, double a, double p, TwzAnimationType type);

[[nodiscard]] double EaseBounce(double t, double b, double c, double d, TwzAnimationType type);
[[nodiscard]] double EaseBounceIn(double t, double b, double c, double d);
[[nodiscard]] double EaseBounceOut(double t, double b, double c, double d);

/// The curve of the given kind, with the default extras of the elastic and back curves: what
/// the animations of both libraries run their time lines through.
[[nodiscard]] double Ease(
    TwzInterpolationType kind, double t, double b, double c, double d, TwzAnimationType type);
