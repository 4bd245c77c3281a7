#include "scene3d/Math3D.h"

#include "graphics/Angles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr float kInversionTolerance = 1e-40f;
constexpr double kRayTolerance = 1e-30;

double Det3(double a1, double a2, double a3, double b1, double b2, double b3, double c1, double c2, double c3)
{
    return a1 * (b2 * c3 - b3 * c2) - b1 * (a2 * c3 - a3 * c2) + c1 * (a2 * b3 - a3 * b2);
}

// Determinant of M without row `skipRow` and column `skipCol`.
double Minor(const ThvMatrix& m, int skipRow, int skipCol)
{
    int rows[3], cols[3];
    for (int i = 0, r = 0, c = 0; i < 4; ++i) {
        if (i != skipRow)
            rows[r++] = i;
        if (i != skipCol)
            cols[c++] = i;
    }
    const auto e = [&](int r, int c) { return double(m[size_t(rows[r])][size_t(cols[c])]); };
    return Det3(e(0, 0), e(1, 0), e(2, 0), e(0, 1), e(1, 1), e(2, 1), e(0, 2), e(1, 2), e(2, 2));
}

} // namespace

float hvVectorLength(const ThvVector& v)
{
    return static_cast<float>(std::sqrt(double(hvVectorNorm(v))));
}

ThvVector hvVectorNormalize(const ThvVector& v)
{
    const float f = hvRSqrt(hvVectorNorm(v));
    return { v.X * f, v.Y * f, v.Z * f, 0 };
}

ThvVector hvCalcPlaneNormal(const ThvVector& p1, const ThvVector& p2, const ThvVector& p3)
{
    return hvVectorNormalize(hvVectorCrossProduct(hvVectorSubtract(p2, p1), hvVectorSubtract(p3, p1)));
}

float hvVectorAngleCosine(const ThvVector& a, const ThvVector& b)
{
    float lengths = hvVectorLength(a) * hvVectorLength(b);
    if (std::fabs(lengths) < kInversionTolerance)
        lengths = kInversionTolerance;
    return hvVectorDotProduct(a, b) / lengths;
}

ThvVector hvVectorTransform(const ThvVector& v, const ThvMatrix& m)
{
    const auto column = [&](size_t c) {
        return static_cast<float>(
            double(v.X) * m[0][c] + double(v.Y) * m[1][c] + double(v.Z) * m[2][c] + double(v.W) * m[3][c]);
    };
    return { column(0), column(1), column(2), 1 };
}

ThvMatrix hvMatrixMultiply(const ThvMatrix& m1, const ThvMatrix& m2)
{
    ThvMatrix r;
    for (size_t i = 0; i < 4; ++i) {
        for (size_t j = 0; j < 4; ++j) {
            double sum = 0;
            for (size_t k = 0; k < 4; ++k)
                sum += double(m1[i][k]) * m2[k][j];
            r[i][j] = static_cast<float>(sum);
        }
    }
    return r;
}

float hvMatrixDet3(float a1, float a2, float a3, float b1, float b2, float b3, float c1, float c2, float c3)
{
    return static_cast<float>(Det3(a1, a2, a3, b1, b2, b3, c1, c2, c3));
}

float hvMatrixDeterminant(const ThvMatrix& m)
{
    double d = 0;
    for (int j = 0; j < 4; ++j)
        d += (j % 2 == 0 ? 1 : -1) * double(m[0][size_t(j)]) * Minor(m, 0, j);
    return static_cast<float>(d);
}

void hvAdjointMatrix(ThvMatrix& m)
{
    ThvMatrix adjoint;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j)
            adjoint[size_t(i)][size_t(j)] = static_cast<float>(((i + j) % 2 == 0 ? 1 : -1) * Minor(m, j, i));
    }
    m = adjoint;
}

void hvScaleMatrix(ThvMatrix& m, float f)
{
    for (auto& row : m.M) {
        for (float& e : row)
            e *= f;
    }
}

void hvInvertMatrix(ThvMatrix& m)
{
    const float d = hvMatrixDeterminant(m);
    if (std::fabs(d) < kInversionTolerance) {
        m = hvIdentityMatrix;
        return;
    }
    hvAdjointMatrix(m);
    hvScaleMatrix(m, 1 / d);
}

ThvMatrix hvMatrixOrthoOffCenterRH(float left, float right, float bottom, float top, float zNear, float zFar)
{
    ThvMatrix m = hvIdentityMatrix;
    m[0][0] = 2 / (right - left);
    m[1][1] = 2 / (top - bottom);
    m[2][2] = 1 / (zNear - zFar);
    m[3][0] = (left + right) / (left - right);
    m[3][1] = (top + bottom) / (bottom - top);
    m[3][2] = zNear / (zNear - zFar);
    m[3][3] = 1;
    return m;
}

ThvMatrix hvMatrixPerspectiveFovRH(float fov, float aspect, float zNear, float zFar)
{
    const float h = static_cast<float>(1 / std::tan(double(fov) / 2));
    ThvMatrix m;
    m[0][0] = h / aspect;
    m[1][1] = h;
    m[2][2] = zFar / (zNear - zFar);
    m[2][3] = -1;
    m[3][2] = zNear * zFar / (zNear - zFar);
    return m;
}

ThvMatrix hvMatrixLookAtDirRH(const ThvVector& eye, const ThvVector& direction, const ThvVector& up)
{
    const ThvVector z = hvVectorNormalize({ -direction.X, -direction.Y, -direction.Z, 0 });
    const ThvVector x = hvVectorNormalize(hvVectorCrossProduct(up, z));
    const ThvVector y = hvVectorCrossProduct(z, x);
    ThvMatrix m;
    const ThvVector* axes[] = { &x, &y, &z };
    for (size_t c = 0; c < 3; ++c) {
        m[0][c] = axes[c]->X;
        m[1][c] = axes[c]->Y;
        m[2][c] = axes[c]->Z;
        m[3][c] = -hvVectorDotProduct(*axes[c], eye);
    }
    m[3][3] = 1;
    return m;
}

float hvRSqrt(float x)
{
    if (x == 0)
        return 1;
    return static_cast<float>(1 / std::sqrt(std::fabs(double(x))));
}

void hvSinCos(float angle, float& sine, float& cosine)
{
    sine = static_cast<float>(std::sin(double(angle)));
    cosine = static_cast<float>(std::cos(double(angle)));
}

float hvArcCos(float x)
{
    if (x > 1)
        return 0;
    if (x < -1)
        return std::numbers::pi_v<float>;
    return static_cast<float>(std::acos(double(x)));
}

float hvNormalizeAngle(float degrees)
{
    return NormalizeAngle(degrees);
}

ThvQuaternion hvQuaternionFromAngleAxis(const ThvVector& axis, float angle)
{
    const float length = hvVectorLength(axis);
    // Without an axis there is no rotation to describe.
    if (length == 0 || !std::isfinite(length))
        return hvIdentityQuaternion;
    float s, c;
    hvSinCos(hvDegToRad(angle * 0.5f), s, c);
    const float f = s / length;
    return { { axis.X * f, axis.Y * f, axis.Z * f, 0 }, c };
}

ThvQuaternion hvQuaternionMultiply(const ThvQuaternion& a, const ThvQuaternion& b)
{
    const double ar = a.RealPart, ax = a.ImagPart.X, ay = a.ImagPart.Y, az = a.ImagPart.Z;
    const double br = b.RealPart, bx = b.ImagPart.X, by = b.ImagPart.Y, bz = b.ImagPart.Z;
    ThvQuaternion r;
    r.RealPart = static_cast<float>(ar * br - ax * bx - ay * by - az * bz);
    r.ImagPart.X = static_cast<float>(ar * bx + br * ax + ay * bz - az * by);
    r.ImagPart.Y = static_cast<float>(ar * by + br * ay + az * bx - ax * bz);
    r.ImagPart.Z = static_cast<float>(ar * bz + br * az + ax * by - ay * bx);
    return r;
}

float hvQuaternionMagnitude(const ThvQuaternion& q)
{
    const double x = q.ImagPart.X, y = q.ImagPart.Y, z = q.ImagPart.Z, r = q.RealPart;
    return static_cast<float>(std::sqrt(x * x + y * y + z * z + r * r));
}

void hvNormalizeQuaternion(ThvQuaternion& q)
{
    const float m = hvQuaternionMagnitude(q);
    if (!(m > kRayTolerance)) {
        q = hvIdentityQuaternion;
        return;
    }
    const float f = 1 / m;
    q.ImagPart.X *= f;
    q.ImagPart.Y *= f;
    q.ImagPart.Z *= f;
    q.RealPart *= f;
}

ThvMatrix hvQuaternionToMatrix(const ThvQuaternion& q)
{
    ThvQuaternion n = q;
    hvNormalizeQuaternion(n);
    const double x = n.ImagPart.X, y = n.ImagPart.Y, z = n.ImagPart.Z, w = n.RealPart;
    ThvMatrix m;
    m[0][0] = static_cast<float>(1 - 2 * (y * y + z * z));
    m[0][1] = static_cast<float>(2 * (x * y + z * w));
    m[0][2] = static_cast<float>(2 * (x * z - y * w));
    m[1][0] = static_cast<float>(2 * (x * y - z * w));
    m[1][1] = static_cast<float>(1 - 2 * (x * x + z * z));
    m[1][2] = static_cast<float>(2 * (y * z + x * w));
    m[2][0] = static_cast<float>(2 * (x * z + y * w));
    m[2][1] = static_cast<float>(2 * (y * z - x * w));
    m[2][2] = static_cast<float>(1 - 2 * (x * x + y * y));
    m[3][3] = 1;
    return m;
}

ThvQuaternion hvQuaternionFromMatrix(const ThvMatrix& m)
{
    const double m00 = m[0][0], m01 = m[0][1], m02 = m[0][2];
    const double m10 = m[1][0], m11 = m[1][1], m12 = m[1][2];
    const double m20 = m[2][0], m21 = m[2][1], m22 = m[2][2];
    const double trace = m00 + m11 + m22 + 1;
    double x, y, z, r;
    // NOTE: the trace path divides by 2 sqrt(trace); near a half turn the trace is rounding
    // noise and that quotient is garbage. Above 1 it is safe, and otherwise the largest
    // diagonal element is, so the per-axis paths take over there.
    if (trace > 1) {
        const double s = 2 * std::sqrt(trace);
        x = (m12 - m21) / s;
        y = (m20 - m02) / s;
        z = (m01 - m10) / s;
        r = s / 4;
    } else if (m00 > m11 && m00 > m22) {
        const double s = 2 * std::sqrt(std::max(1 + m00 - m11 - m22, kRayTolerance));
        x = s / 4;
        y = (m10 + m01) / s;
        z = (m02 + m20) / s;
        r = (m12 - m21) / s;
    } else if (m11 > m22) {
        const double s = 2 * std::sqrt(std::max(1 + m11 - m00 - m22, kRayTolerance));
        x = (m10 + m01) / s;
        y = s / 4;
        z = (m21 + m12) / s;
        r = (m20 - m02) / s;
    } else {
        const double s = 2 * std::sqrt(std::max(1 + m22 - m00 - m11, kRayTolerance));
        x = (m02 + m20) / s;
        y = (m21 + m12) / s;
        z = s / 4;
        r = (m01 - m10) / s;
    }
    ThvQuaternion q { { static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), 0 },
        static_cast<float>(r) };
    hvNormalizeQuaternion(q);
    return q;
}

bool hvRaySphereTest(
    const ThvVector& start, const ThvVector& direction, const ThvVector& centre, float radius)
{
    float p = hvPointProject(centre, start, direction);
    if (p < 0)
        p = 0;
    const ThvVector closest = hvVectorCombine(start, direction, p);
    return radius * radius >= hvVectorDistance2(centre, closest);
}

int hvRaySphereIntersect(const ThvVector& start, const ThvVector& direction, const ThvVector& centre,
    float radius, ThvVector& i1, ThvVector& i2)
{
    const float p = hvPointProject(centre, start, direction);
    const ThvVector c = hvVectorCombine(start, direction, p);
    const float d2 = radius * radius - hvVectorDistance2(centre, c);
    if (d2 < 0)
        return 0;
    if (d2 == 0) {
        if (p > 0) {
            i1 = c;
            return 1;
        }
        return 0;
    }
    const float d = static_cast<float>(std::sqrt(double(d2)));
    if (p >= d) {
        i1 = hvVectorCombine(start, direction, p - d);
        i2 = hvVectorCombine(start, direction, p + d);
        return 2;
    }
    if (p + d < 0)
        return 0;
    i1 = hvVectorCombine(start, direction, p + d);
    return 1;
}

bool hvRayPlaneIntersect(const ThvVector& start, const ThvVector& direction, const ThvVector& planePoint,
    const ThvVector& planeNormal, ThvVector& point)
{
    const float denominator = hvVectorDotProduct(direction, planeNormal);
    if (std::fabs(denominator) <= kRayTolerance)
        return false;
    const float t = hvVectorDotProduct(hvVectorSubtract(planePoint, start), planeNormal) / denominator;
    if (!(t > 0))
        return false;
    point = hvVectorCombine(start, direction, t);
    return true;
}

bool hvRayBoxEntry(const ThvVector& start, const ThvVector& direction, const ThvVector& size, float tolerance,
    ThvVector& point)
{
    const float sizes[3] = { size.X, size.Y, size.Z };
    const float pos[3] = { start.X, start.Y, start.Z };
    const float dir[3] = { direction.X, direction.Y, direction.Z };
    for (int face = 0; face < 6; ++face) {
        const int axis = face % 3;
        const float sign = face < 3 ? 1.0f : -1.0f;
        const float along = sign * dir[axis];
        // Only the face the ray enters through: the one opposite a normal running with it.
        if (along <= 0)
            continue;
        const float t = -(sign * pos[axis] + 0.5f * sizes[axis]) / along;
        const ThvVector p { start.X + t * direction.X, start.Y + t * direction.Y, start.Z + t * direction.Z,
            1 };
        if (std::fabs(p.X) <= tolerance * sizes[0] && std::fabs(p.Y) <= tolerance * sizes[1]
            && std::fabs(p.Z) <= tolerance * sizes[2]
            && hvVectorDotProduct(hvVectorSubtract(p, start), direction) > 0) {
            point = p;
            return true;
        }
    }
    return false;
}

bool hvRayTriangleIntersect(const ThvVector& start, const ThvVector& direction, const ThvVector& p1,
    const ThvVector& p2, const ThvVector& p3, ThvVector* point, ThvVector* normal)
{
    const ThvVector e1 = hvVectorSubtract(p2, p1);
    const ThvVector e2 = hvVectorSubtract(p3, p1);
    const ThvVector q = hvVectorCrossProduct(direction, e2);
    const float det = hvVectorDotProduct(e1, q);
    if (det > -kRayTolerance && det < kRayTolerance)
        return false;
    const float inv = 1 / det;
    const ThvVector tv = hvVectorSubtract(start, p1);
    const float u = hvVectorDotProduct(tv, q) * inv;
    if (u < 0 || u > 1)
        return false;
    const ThvVector r = hvVectorCrossProduct(tv, e1);
    const float v = hvVectorDotProduct(direction, r) * inv;
    if (v < 0 || u + v > 1)
        return false;
    const float t = hvVectorDotProduct(e2, r) * inv;
    if (t <= 0)
        return false;
    if (point)
        *point = hvVectorCombine(start, direction, t);
    if (normal)
        *normal = hvVectorCrossProduct(e1, e2);
    return true;
}
