#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The 3D library's maths: records, vector and matrix arithmetic, projections, ray tests,
// quaternions, colours and the text forms the 3D values are stored in. Everything is Single
// and by value; intermediate results may be wider, stored results are rounded to Single.

struct ThvPoint {
    float X = 0;
    float Y = 0;
    float Z = 0;
    friend constexpr bool operator==(const ThvPoint&, const ThvPoint&) = default;
};

/// Points carry W = 1, directions W = 0; a ray is a start point and a unit direction.
struct ThvVector {
    float X = 0;
    float Y = 0;
    float Z = 0;
    float W = 0;
    friend constexpr bool operator==(const ThvVector&, const ThvVector&) = default;
};

/// Row-major, used with row vectors (p x M): the translation sits in row 3.
struct ThvMatrix {
    float M[4][4] = {};
    constexpr float* operator[](size_t row) { return M[row]; }
    constexpr const float* operator[](size_t row) const { return M[row]; }
    friend constexpr bool operator==(const ThvMatrix&, const ThvMatrix&) = default;
};

/// ImagPart's W carries no meaning.
struct ThvQuaternion {
    ThvVector ImagPart;
    float RealPart = 0;
    friend constexpr bool operator==(const ThvQuaternion&, const ThvQuaternion&) = default;
};

/// Mesh vertex: position, normal, texture coordinates; stored and streamed as these bytes.
struct ThvTexVertexNormal {
    float X = 0, Y = 0, Z = 0;
    float NX = 0, NY = 0, NZ = 0;
    float TU = 0, TV = 0;
    friend constexpr bool operator==(const ThvTexVertexNormal&, const ThvTexVertexNormal&) = default;
};
static_assert(sizeof(ThvTexVertexNormal) == 32);

/// The vertex the 3D canvas draws: position, normal, ARGB colour, texture coordinates.
struct ThvColorVertex {
    float X = 0, Y = 0, Z = 0;
    float NX = 0, NY = 0, NZ = 0;
    uint32_t Color = 0;
    float TU = 0, TV = 0;
    friend constexpr bool operator==(const ThvColorVertex&, const ThvColorVertex&) = default;
};
static_assert(sizeof(ThvColorVertex) == 36);
static_assert(offsetof(ThvColorVertex, Color) == 24 && offsetof(ThvColorVertex, TU) == 28);

inline constexpr ThvMatrix hvIdentityMatrix { { { 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 },
    { 0, 0, 0, 1 } } };
inline constexpr ThvQuaternion hvIdentityQuaternion { { 0, 0, 0, 0 }, 1 };
inline constexpr ThvVector hvXAxis { 1, 0, 0, 0 };
inline constexpr ThvVector hvYAxis { 0, 1, 0, 0 };
inline constexpr ThvVector hvZAxis { 0, 0, 1, 0 };

// Records and vector arithmetic. "W = 1" results are points whatever the inputs carry.

constexpr ThvPoint hvPoint(float x, float y, float z)
{
    return { x, y, z };
}
constexpr ThvPoint hvVectorToPoint(const ThvVector& v)
{
    return { v.X, v.Y, v.Z };
}
constexpr ThvVector hvVector(float x, float y, float z, float w)
{
    return { x, y, z, w };
}
constexpr ThvVector hvPointToVector(const ThvPoint& p, float w)
{
    return { p.X, p.Y, p.Z, w };
}

constexpr ThvTexVertexNormal hvTexVertexNormal(
    float x, float y, float z, float nx, float ny, float nz, float tu, float tv)
{
    return { x, y, z, nx, ny, nz, tu, tv };
}

constexpr ThvColorVertex hvColorVertex(
    float x, float y, float z, float nx, float ny, float nz, uint32_t color, float tu, float tv)
{
    return { x, y, z, nx, ny, nz, color, tu, tv };
}

constexpr float hvVectorNorm(const ThvVector& v)
{
    return v.X * v.X + v.Y * v.Y + v.Z * v.Z;
}
[[nodiscard]] float hvVectorLength(const ThvVector& v);

/// Unit length, W = 0; the zero vector stays zero.
[[nodiscard]] ThvVector hvVectorNormalize(const ThvVector& v);

constexpr ThvVector hvVectorAdd(const ThvVector& a, const ThvVector& b)
{
    return { a.X + b.X, a.Y + b.Y, a.Z + b.Z, 1 };
}
constexpr ThvVector hvVectorSubtract(const ThvVector& a, const ThvVector& b)
{
    return { a.X - b.X, a.Y - b.Y, a.Z - b.Z, 1 };
}
constexpr ThvVector hvVectorScale(const ThvVector& v, float f)
{
    return { v.X * f, v.Y * f, v.Z * f, 1 };
}

/// A + B x F, W = 1.
constexpr ThvVector hvVectorCombine(const ThvVector& a, const ThvVector& b, float f)
{
    return { a.X + b.X * f, a.Y + b.Y * f, a.Z + b.Z * f, 1 };
}

/// V1 x F1 + V2 x F2 on all four components, W included.
constexpr ThvVector hvVectorLinearCombination(const ThvVector& v1, const ThvVector& v2, float f1, float f2)
{
    return { v1.X * f1 + v2.X * f2, v1.Y * f1 + v2.Y * f2, v1.Z * f1 + v2.Z * f2, v1.W * f1 + v2.W * f2 };
}

constexpr ThvVector hvVectorCrossProduct(const ThvVector& a, const ThvVector& b)
{
    return { a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X, 1 };
}

constexpr float hvVectorDotProduct(const ThvVector& a, const ThvVector& b)
{
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}
constexpr float hvVectorDistance2(const ThvVector& a, const ThvVector& b)
{
    return hvVectorNorm(hvVectorSubtract(a, b));
}

/// Distance of P along a ray with a unit direction.
constexpr float hvPointProject(const ThvVector& p, const ThvVector& origin, const ThvVector& direction)
{
    return hvVectorDotProduct(hvVectorSubtract(p, origin), direction);
}

/// Unit normal of (P2 - P1) x (P3 - P1), W = 0.
[[nodiscard]] ThvVector hvCalcPlaneNormal(const ThvVector& p1, const ThvVector& p2, const ThvVector& p3);

/// A product of lengths within 1e-40 of zero counts as 1e-40.
[[nodiscard]] float hvVectorAngleCosine(const ThvVector& a, const ThvVector& b);

/// (X, Y, Z, W) x M, so W decides whether the translation row applies; the result's W is 1
/// (no perspective division).
[[nodiscard]] ThvVector hvVectorTransform(const ThvVector& v, const ThvMatrix& m);

// Matrices.

/// Applying the product applies M1 first, then M2.
[[nodiscard]] ThvMatrix hvMatrixMultiply(const ThvMatrix& m1, const ThvMatrix& m2);

/// Determinant of the rows a1 b1 c1 / a2 b2 c2 / a3 b3 c3.
[[nodiscard]] float hvMatrixDet3(
    float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3);
[[nodiscard]] float hvMatrixDeterminant(const ThvMatrix& m);

/// In place: the transposed cofactor matrix.
void hvAdjointMatrix(ThvMatrix& m);
void hvScaleMatrix(ThvMatrix& m, float f);

/// In place; a matrix whose determinant is within 1e-40 of zero becomes the identity.
void hvInvertMatrix(ThvMatrix& m);

[[nodiscard]] ThvMatrix hvMatrixOrthoOffCenterRH(
    float left, float right, float bottom, float top, float zNear, float zFar);

/// Field of view vertical, in radians.
[[nodiscard]] ThvMatrix hvMatrixPerspectiveFovRH(float fov, float aspect, float zNear, float zFar);

/// View matrix looking from Eye along Direction.
[[nodiscard]] ThvMatrix hvMatrixLookAtDirRH(
    const ThvVector& eye, const ThvVector& direction, const ThvVector& up);

// Angles and scalars.

/// 1 / sqrt(|x|); 1 for 0.
[[nodiscard]] float hvRSqrt(float x);
constexpr float hvDegToRad(float degrees)
{
    return degrees * 0.017453292f;
}
constexpr float hvRadToDeg(float radians)
{
    return radians * 57.29578f;
}
void hvSinCos(float angle, float& sine, float& cosine);

/// Argument clamped to [-1, 1] first.
[[nodiscard]] float hvArcCos(float x);

/// Degrees brought into [-180, 360).
[[nodiscard]] float hvNormalizeAngle(float degrees);

constexpr float hvMax(float a, float b)
{
    return a > b ? a : b;
}
constexpr float hvInterpolateSingle(float start, float stop, float t)
{
    return start + (stop - start) * t;
}

// Quaternions.

/// Rotation by Angle degrees about Axis (any length); a zero axis gives the identity.
[[nodiscard]] ThvQuaternion hvQuaternionFromAngleAxis(const ThvVector& axis, float angle);

/// The Hamilton product A x B.
[[nodiscard]] ThvQuaternion hvQuaternionMultiply(const ThvQuaternion& a, const ThvQuaternion& b);
[[nodiscard]] float hvQuaternionMagnitude(const ThvQuaternion& q);

/// In place; shorter than 1e-30 becomes the identity.
void hvNormalizeQuaternion(ThvQuaternion& q);

/// Rotation matrix of the normalised quaternion (row vectors).
[[nodiscard]] ThvMatrix hvQuaternionToMatrix(const ThvQuaternion& q);

/// The normalised rotation of the upper 3x3 of M.
[[nodiscard]] ThvQuaternion hvQuaternionFromMatrix(const ThvMatrix& m);

// Rays: Direction is expected to have unit length; a ray runs forward from its start only.

/// Whether the half-line passes within Radius of Centre.
[[nodiscard]] bool hvRaySphereTest(
    const ThvVector& start, const ThvVector& direction, const ThvVector& centre, float radius);

/// Number of intersection points (0, 1 or 2), nearest first in I1.
int hvRaySphereIntersect(const ThvVector& start, const ThvVector& direction, const ThvVector& centre,
    float radius, ThvVector& i1, ThvVector& i2);

/// False for a ray parallel to the plane or a plane behind the start.
bool hvRayPlaneIntersect(const ThvVector& start, const ThvVector& direction, const ThvVector& planePoint,
    const ThvVector& planeNormal, ThvVector& point);

/// The box test of picking: the ray, in the box's own coordinates, enters the box of `size`
/// centred on the origin through the face opposite the first of the normals +X, +Y, +Z, -X,
/// -Y, -Z that runs along it, within `tolerance` times each size of the centre; `point` is
/// that entry point. Only the first such face is tried through, not the nearest.
bool hvRayBoxEntry(const ThvVector& start, const ThvVector& direction, const ThvVector& size, float tolerance,
    ThvVector& point);

/// Hit point and the triangle's unnormalised normal (P2 - P1) x (P3 - P1), each when asked for.
bool hvRayTriangleIntersect(const ThvVector& start, const ThvVector& direction, const ThvVector& p1,
    const ThvVector& p2, const ThvVector& p3, ThvVector* point = nullptr, ThvVector* normal = nullptr);

// Colours: 32-bit ARGB, alpha in the top byte.

/// Alpha scaled by Opacity (truncated) when Opacity < 1; unchanged otherwise.
[[nodiscard]] uint32_t hvColorOpacity(uint32_t color, float opacity);

/// Per channel Start + Trunc((Stop - Start) x T), kept to 8 bits.
[[nodiscard]] uint32_t hvInterpolateColor(uint32_t start, uint32_t stop, float t);

/// "#AARRGGBB" in upper-case hex.
[[nodiscard]] std::string hvColorToStr(uint32_t color);

/// "#" or "$" hexadecimal, or a signed decimal; never raises: text that does not read gives 0.
[[nodiscard]] uint32_t hvStrToColor(std::string_view text);

// Text of numbers and points: "." as decimal separator whatever the locale.

/// Integers plainly ("2"), else up to six significant digits cut, not rounded ("0.12345"),
/// and an exponent form below 0.00001 or with seven characters before the point ("1.5E-6").
[[nodiscard]] std::string hvFloatToStr(float v);

/// Raises rtl::ConvertError on text that is not a number.
[[nodiscard]] float hvStrToFloat(std::string_view text);

/// "(x,y,z)".
[[nodiscard]] std::string hvPointToStr(const ThvPoint& p);

/// Any failure gives (0, 0, 0).
[[nodiscard]] ThvPoint hvStrToPoint(std::string_view text);

/// Cuts the next token off the front of Text: a separator ends it and is consumed, a stop
/// character ends it and stays; token and rest are trimmed of blanks and control characters.
[[nodiscard]] std::string hvGetToken(std::string& text, std::string_view separators, std::string_view stops);

/// The untrimmed token from the 1-based Position up to a separator or stop character, where
/// Position stops; at the end of the text Position rests on the last character. Position then
/// moves over separators, not past the last character. The text is not changed.
[[nodiscard]] std::string hvGetTokenAt(
    int32_t& position, std::string_view text, std::string_view separators, std::string_view stops);
