#pragma once

// Angle conversions shared by transforms, arcs and rotations.

/// Sine and cosine of Angle (radians), computed in double and stored as Single.
void SinCosSingle(float& sin, float& cos, float angle);

constexpr float RadToDeg(float a)
{
    return a * 57.29578f;
}
constexpr float DegToRad(float a)
{
    return a * 0.017453292f;
}

/// Degrees brought into [-180, 360): 370 gives 10, -200 gives 160, 200 stays 200.
[[nodiscard]] float NormalizeAngle(float a);
