#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The plain geometry records of the 2D library and the routines on them. Everything is
// Single precision and by value; nothing here allocates except the text forms.

struct TwzPoint {
    float X = 0;
    float Y = 0;
    friend constexpr bool operator==(const TwzPoint&, const TwzPoint&) = default;
};

/// Nothing keeps Left <= Right or Top <= Bottom; see RectIsEmpty.
struct TwzRect {
    float Left = 0;
    float Top = 0;
    float Right = 0;
    float Bottom = 0;
    friend constexpr bool operator==(const TwzRect&, const TwzRect&) = default;
};

/// The integer rectangle of the intersection routines.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

/// Homogeneous 2D vector; points carry W = 1.
struct TwzVector {
    float X = 0;
    float Y = 0;
    float W = 0;
    friend constexpr bool operator==(const TwzVector&, const TwzVector&) = default;
};

/// Row-vector convention: (x, y, 1) x M, translation in m31, m32; the third column stays
/// (0, 0, 1) in every matrix the library builds.
struct TwzMatrix {
    float m11 = 0, m12 = 0, m13 = 0;
    float m21 = 0, m22 = 0, m23 = 0;
    float m31 = 0, m32 = 0, m33 = 0;
    friend constexpr bool operator==(const TwzMatrix&, const TwzMatrix&) = default;
};

inline constexpr TwzMatrix IdentityMatrix { 1, 0, 0, 0, 1, 0, 0, 0, 1 };

/// Flattened outlines: the point (65535, 65535) ends a closed figure.
using TwzPolygon = std::vector<TwzPoint>;

constexpr TwzPoint MakePoint(float x, float y)
{
    return { x, y };
}
constexpr TwzRect MakeRect(float left, float top, float right, float bottom)
{
    return { left, top, right, bottom };
}
constexpr TRect MakeIntRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    return { left, top, right, bottom };
}
constexpr TwzVector MakeVector(float x, float y, float w)
{
    return { x, y, w };
}
constexpr TwzVector VectorFromPoint(const TwzPoint& p, float w)
{
    return { p.X, p.Y, w };
}
constexpr TwzPoint PointFromVector(const TwzVector& v)
{
    return { v.X, v.Y };
}

constexpr float RectWidth(const TwzRect& r)
{
    return r.Right - r.Left;
}
constexpr float RectHeight(const TwzRect& r)
{
    return r.Bottom - r.Top;
}
constexpr bool RectIsEmpty(const TwzRect& r)
{
    return RectWidth(r) <= 0 || RectHeight(r) <= 0;
}

constexpr float MaxSingle(float a, float b)
{
    return b > a ? b : a;
}
constexpr float MinSingle(float a, float b)
{
    return b >= a ? a : b;
}

constexpr void RectOffset(TwzRect& r, float offsetX, float offsetY)
{
    r.Left += offsetX;
    r.Right += offsetX;
    r.Top += offsetY;
    r.Bottom += offsetY;
}

/// Negative amounts shrink.
constexpr void RectInflate(TwzRect& r, float amountX, float amountY)
{
    r.Left -= amountX;
    r.Right += amountX;
    r.Top -= amountY;
    r.Bottom += amountY;
}

constexpr void RectScale(TwzRect& r, float scaleX, float scaleY)
{
    r.Left *= scaleX;
    r.Right *= scaleX;
    r.Top *= scaleY;
    r.Bottom *= scaleY;
}

/// Minima of Left/Top, maxima of Right/Bottom; empty rectangles take part like any other.
constexpr TwzRect RectUnion(const TwzRect& a, const TwzRect& b)
{
    return { MinSingle(a.Left, b.Left), MinSingle(a.Top, b.Top), MaxSingle(a.Right, b.Right),
        MaxSingle(a.Bottom, b.Bottom) };
}

/// Bounding rectangle; no points give the inverted (61440, 61440, -61440, -61440).
[[nodiscard]] TwzRect RectFromPoints(std::span<const TwzPoint> points);

/// Left <= Right and Top <= Bottom.
[[nodiscard]] TwzRect RectNormalize(const TwzRect& r);

/// Touching rectangles intersect.
constexpr bool RectsIntersect(const TwzRect& a, const TwzRect& b)
{
    return !(a.Left > b.Right || a.Right < b.Left || a.Top > b.Bottom || a.Bottom < b.Top);
}

/// All four edges inclusive.
constexpr bool PointInRect(const TwzPoint& p, const TwzRect& r)
{
    return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}

/// Strict overlap (touching does not count); R is the common part, or all zero.
bool IntRectIntersection(TRect& r, const TRect& a, const TRect& b);

/// Overlap measured on a 1/65535 grid; without one R is the empty rectangle at A's
/// top-left corner and the result is false.
bool RectIntersection(TwzRect& r, const TwzRect& a, const TwzRect& b);

/// Moves R, keeping its size, to the centre of Bounds (offsets rounded half to even).
TwzRect RectCenter(TwzRect& r, const TwzRect& bounds);

/// Shrinks R into Bounds keeping its aspect (never enlarges) and centres it there. Returns
/// the ratio of R's size to Bounds (1 for a Bounds of no area, R then untouched).
float RectFit(TwzRect& r, const TwzRect& bounds);

/// "(x,y)" / "(left,top,right,bottom)" with numbers by FloatToText.
[[nodiscard]] std::string PointToText(const TwzPoint& p);
[[nodiscard]] std::string RectToText(const TwzRect& r);

/// Text that does not parse gives the zero value.
[[nodiscard]] TwzPoint TextToPoint(std::string_view s);
[[nodiscard]] TwzRect TextToRect(std::string_view s);

/// Applying the product applies M1 first, then M2.
[[nodiscard]] TwzMatrix MatrixMultiply(const TwzMatrix& m1, const TwzMatrix& m2);
[[nodiscard]] float MatrixDeterminant(const TwzMatrix& m);
void MatrixAdjoint(TwzMatrix& m);
void MatrixScale(TwzMatrix& m, float f);

/// A singular matrix becomes IdentityMatrix, silently.
void MatrixInvert(TwzMatrix& m);

/// (x, y, w) x M without the third column: W of the result is always 1.
constexpr TwzVector VectorTransform(const TwzVector& v, const TwzMatrix& m)
{
    return { v.X * m.m11 + v.Y * m.m21 + v.W * m.m31, v.X * m.m12 + v.Y * m.m22 + v.W * m.m32, 1 };
}

constexpr TwzVector VectorSubtract(const TwzVector& a, const TwzVector& b)
{
    return { a.X - b.X, a.Y - b.Y, 1 };
}
constexpr float VectorNorm(const TwzVector& v)
{
    return v.X * v.X + v.Y * v.Y;
}
[[nodiscard]] float VectorLength(const TwzVector& v);
constexpr float VectorDotProduct(const TwzVector& a, const TwzVector& b)
{
    return a.X * b.X + a.Y * b.Y;
}
constexpr float VectorCrossProductZ(const TwzVector& a, const TwzVector& b)
{
    return a.X * b.Y - a.Y * b.X;
}

/// 0 when either vector has length 0.
[[nodiscard]] float VectorAngleCosine(const TwzVector& a, const TwzVector& b);

/// Degrees, positive when the Z cross product is negative, negative otherwise.
[[nodiscard]] float VectorAngle(const TwzVector& a, const TwzVector& b);

/// Rows (cos, sin, 0), (-sin, cos, 0), (0, 0, 1); Angle in radians.
[[nodiscard]] TwzMatrix CreateRotationMatrix(float angle);

constexpr float InterpolateSingle(float start, float stop, float t)
{
    return start + (stop - start) * t;
}
