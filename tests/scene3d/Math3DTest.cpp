#include "scene3d/Math3D.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>

inline void PrintTo(const ThvVector& v, std::ostream* os)
{
    *os << "(" << v.X << ", " << v.Y << ", " << v.Z << ", W " << v.W << ")";
}

namespace {

constexpr float kPi = std::numbers::pi_v<float>;

void ExpectNearVector(const ThvVector& a, const ThvVector& b, float tolerance = 1e-5f)
{
    EXPECT_NEAR(a.X, b.X, tolerance) << "X";
    EXPECT_NEAR(a.Y, b.Y, tolerance) << "Y";
    EXPECT_NEAR(a.Z, b.Z, tolerance) << "Z";
    EXPECT_NEAR(a.W, b.W, tolerance) << "W";
}

void ExpectNearMatrix(const ThvMatrix& a, const ThvMatrix& b, float tolerance = 1e-5f)
{
    for (size_t i = 0; i < 4; ++i) {
        for (size_t j = 0; j < 4; ++j)
            EXPECT_NEAR(a[i][j], b[i][j], tolerance) << "[" << i << "][" << j << "]";
    }
}

ThvMatrix Translation(float x, float y, float z)
{
    ThvMatrix m = hvIdentityMatrix;
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    return m;
}

ThvMatrix Scaling(float x, float y, float z)
{
    ThvMatrix m = hvIdentityMatrix;
    m[0][0] = x;
    m[1][1] = y;
    m[2][2] = z;
    return m;
}

// The full homogeneous product with the perspective division, which hvVectorTransform leaves out.
ThvVector Project(const ThvVector& v, const ThvMatrix& m)
{
    float r[4];
    for (size_t c = 0; c < 4; ++c)
        r[c] = v.X * m[0][c] + v.Y * m[1][c] + v.Z * m[2][c] + v.W * m[3][c];
    return { r[0] / r[3], r[1] / r[3], r[2] / r[3], 1 };
}

TEST(hvVector, ArithmeticAndTheWItLeaves)
{
    const ThvVector a { 1, 2, 3, 0 }, b { 4, -5, 6, 0 };
    EXPECT_EQ(hvVectorAdd(a, b), hvVector(5, -3, 9, 1));
    EXPECT_EQ(hvVectorSubtract(a, b), hvVector(-3, 7, -3, 1));
    EXPECT_EQ(hvVectorScale(a, 2), hvVector(2, 4, 6, 1));
    EXPECT_EQ(hvVectorCombine(a, b, 0.5f), hvVector(3, -0.5f, 6, 1));
    EXPECT_EQ(hvVectorLinearCombination({ 1, 2, 3, 1 }, { 4, -5, 6, 0 }, 2, 1), hvVector(6, -1, 12, 2))
        << "W too";
    EXPECT_EQ(hvVectorCrossProduct(hvXAxis, hvYAxis), hvVector(0, 0, 1, 1));
    EXPECT_EQ(hvVectorCrossProduct(hvYAxis, hvXAxis), hvVector(0, 0, -1, 1));
    EXPECT_EQ(hvVectorDotProduct(a, b), 12);
    EXPECT_EQ(hvVectorDistance2(a, b), 9 + 49 + 9);
    EXPECT_EQ(hvVectorLength({ 2, 3, 6, 9 }), 7) << "W takes no part";
    EXPECT_EQ(hvPointProject({ 3, 7, 1, 1 }, { 1, 1, 1, 1 }, hvYAxis), 6);
    EXPECT_EQ(hvVectorToPoint(hvPointToVector(hvPoint(1, 2, 3), 1)), hvPoint(1, 2, 3));
}

TEST(hvVector, NormalizeAndPlaneNormal)
{
    const struct {
        const char* what;
        ThvVector in, out;
    } cases[] = {
        { "3-4-5", { 3, 4, 0, 1 }, { 0.6f, 0.8f, 0, 0 } },
        { "already unit", { 0, 0, -1, 0 }, { 0, 0, -1, 0 } },
        { "zero stays zero", { 0, 0, 0, 1 }, { 0, 0, 0, 0 } },
        { "long", { 0, 1e10f, 0, 0 }, { 0, 1, 0, 0 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectNearVector(hvVectorNormalize(c.in), c.out);
    }
    // Counter-clockwise seen from +Z.
    ExpectNearVector(hvCalcPlaneNormal({ 0, 0, 0, 1 }, { 2, 0, 0, 1 }, { 0, 3, 0, 1 }), { 0, 0, 1, 0 });
    ExpectNearVector(hvCalcPlaneNormal({ 0, 0, 0, 1 }, { 0, 3, 0, 1 }, { 2, 0, 0, 1 }), { 0, 0, -1, 0 });
}

TEST(hvVector, AngleCosine)
{
    EXPECT_NEAR(hvVectorAngleCosine(hvXAxis, hvYAxis), 0, 1e-7);
    EXPECT_NEAR(hvVectorAngleCosine({ 2, 0, 0, 0 }, { 5, 0, 0, 0 }), 1, 1e-7);
    EXPECT_NEAR(hvVectorAngleCosine({ 1, 1, 0, 0 }, { -1, 0, 0, 0 }), -std::sqrt(0.5), 1e-6);
    EXPECT_EQ(hvVectorAngleCosine({ 0, 0, 0, 0 }, { 1, 0, 0, 0 }), 0)
        << "zero length divides by the tolerance";
}

TEST(hvVector, TransformAppliesTranslationByW)
{
    const ThvMatrix m = hvMatrixMultiply(Scaling(2, 3, 4), Translation(10, 20, 30));
    EXPECT_EQ(hvVectorTransform({ 1, 1, 1, 1 }, m), hvVector(12, 23, 34, 1)) << "a point moves";
    EXPECT_EQ(hvVectorTransform({ 1, 1, 1, 0 }, m), hvVector(2, 3, 4, 1))
        << "a direction does not, W still 1";
    ThvMatrix projective = hvIdentityMatrix;
    projective[2][3] = -1;
    EXPECT_EQ(hvVectorTransform({ 1, 2, 3, 1 }, projective), hvVector(1, 2, 3, 1)) << "no division by W";
}

TEST(hvMatrix, ProductAppliesTheFirstMatrixFirst)
{
    float s, c;
    hvSinCos(kPi / 2, s, c);
    ThvMatrix rotateZ = hvIdentityMatrix; // x toward y
    rotateZ[0][0] = c;
    rotateZ[0][1] = s;
    rotateZ[1][0] = -s;
    rotateZ[1][1] = c;
    const ThvVector p { 1, 0, 0, 1 };
    ExpectNearVector(hvVectorTransform(p, hvMatrixMultiply(Translation(1, 0, 0), rotateZ)), { 0, 2, 0, 1 });
    ExpectNearVector(hvVectorTransform(p, hvMatrixMultiply(rotateZ, Translation(1, 0, 0))), { 1, 1, 0, 1 });
    EXPECT_EQ(hvMatrixMultiply(hvIdentityMatrix, rotateZ), rotateZ);
}

TEST(hvMatrix, Determinants)
{
    EXPECT_EQ(hvMatrixDet3(1, 4, 7, 2, 5, 8, 3, 6, 10), -3);
    EXPECT_EQ(hvMatrixDeterminant(hvIdentityMatrix), 1);
    const ThvMatrix m { { { 2, 0, 0, 1 }, { 0, 3, 0, 0 }, { 0, 0, 4, 0 }, { 5, 0, 0, 6 } } };
    EXPECT_EQ(hvMatrixDeterminant(m), 84);
    const ThvMatrix swapped { { { 0, 1, 0, 0 }, { 1, 0, 0, 0 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 } } };
    EXPECT_EQ(hvMatrixDeterminant(swapped), -1);
    EXPECT_EQ(hvMatrixDeterminant(hvMatrixMultiply(m, Scaling(2, 1, 1))), 168);
}

TEST(hvMatrix, Invert)
{
    ThvMatrix zeroRow = hvMatrixMultiply(Scaling(2, 3, 4), Translation(1, 2, 3));
    zeroRow[1][0] = zeroRow[1][1] = zeroRow[1][2] = zeroRow[1][3] = 0;
    const struct {
        const char* what;
        ThvMatrix m, inverse;
    } cases[] = {
        { "a zero row gives the identity", zeroRow, hvIdentityMatrix },
        { "all zero gives the identity", ThvMatrix {}, hvIdentityMatrix },
        { "translation", Translation(1, 2, 3), Translation(-1, -2, -3) },
        { "scale", Scaling(2, 4, -0.5f), Scaling(0.5f, 0.25f, -2) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ThvMatrix m = c.m;
        hvInvertMatrix(m);
        ExpectNearMatrix(m, c.inverse, 1e-6f);
    }
    const ThvMatrix general = hvMatrixMultiply(
        hvMatrixMultiply(
            hvQuaternionToMatrix(hvQuaternionFromAngleAxis({ 1, 2, 3, 0 }, 40)), Scaling(2, 0.5f, 3)),
        Translation(-4, 5, 6));
    ThvMatrix inverse = general;
    hvInvertMatrix(inverse);
    ExpectNearMatrix(hvMatrixMultiply(general, inverse), hvIdentityMatrix);
    ExpectNearMatrix(hvMatrixMultiply(inverse, general), hvIdentityMatrix);
    ThvMatrix adjoint = general;
    hvAdjointMatrix(adjoint);
    hvScaleMatrix(adjoint, 1 / hvMatrixDeterminant(general));
    ExpectNearMatrix(adjoint, inverse);
}

TEST(hvMatrix, OrthoOffCenterMapsTheBoxToTheUnitCube)
{
    const float l = -2, r = 6, b = -1, t = 3, n = 1, f = 11;
    const ThvMatrix m = hvMatrixOrthoOffCenterRH(l, r, b, t, n, f);
    const struct {
        ThvVector in, out;
    } cases[] = {
        { { l, b, -n, 1 }, { -1, -1, 0, 1 } },
        { { r, t, -f, 1 }, { 1, 1, 1, 1 } },
        { { (l + r) / 2, (b + t) / 2, -(n + f) / 2, 1 }, { 0, 0, 0.5f, 1 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.in));
        ExpectNearVector(hvVectorTransform(c.in, m), c.out);
    }
    EXPECT_EQ(m[3][3], 1);
    EXPECT_EQ(m[0][3], 0);
}

TEST(hvMatrix, PerspectiveFovMapsTheFrustum)
{
    const float n = 1, f = 100;
    const ThvMatrix m = hvMatrixPerspectiveFovRH(kPi / 2, 2, n, f); // 90 degrees: edges at |y| = -z
    const struct {
        const char* what;
        ThvVector in, out;
    } cases[] = {
        { "near centre", { 0, 0, -n, 1 }, { 0, 0, 0, 1 } },
        { "far centre", { 0, 0, -f, 1 }, { 0, 0, 1, 1 } },
        { "near top right corner", { 2, 1, -n, 1 }, { 1, 1, 0, 1 } },
        { "far bottom left corner", { -200, -100, -f, 1 }, { -1, -1, 1, 1 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectNearVector(Project(c.in, m), c.out);
    }
    EXPECT_EQ(m[2][3], -1);
    EXPECT_EQ(m[3][3], 0);
}

TEST(hvMatrix, LookAtDirMovesTheEyeToTheOrigin)
{
    const ThvVector eye { 0, -10, 0, 1 };
    const ThvMatrix view = hvMatrixLookAtDirRH(eye, { 0, 1, 0, 0 }, hvZAxis); // the design camera's view
    const struct {
        const char* what;
        ThvVector world, inView;
    } cases[] = {
        { "the eye", eye, { 0, 0, 0, 1 } },
        { "straight ahead lies on -Z", { 0, -5, 0, 1 }, { 0, 0, -5, 1 } },
        { "the world origin", { 0, 0, 0, 1 }, { 0, 0, -10, 1 } },
        { "to the right", { 3, -10, 0, 1 }, { 3, 0, 0, 1 } },
        { "up", { 0, -10, 2, 1 }, { 0, 2, 0, 1 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectNearVector(hvVectorTransform(c.world, view), c.inView);
    }
    // An oblique view still has an orthonormal rotation part.
    const ThvMatrix oblique = hvMatrixLookAtDirRH({ 1, 2, 3, 1 }, { 1, 1, -1, 0 }, hvZAxis);
    for (size_t i = 0; i < 3; ++i) {
        for (size_t j = 0; j < 3; ++j) {
            const float dot = oblique[0][i] * oblique[0][j] + oblique[1][i] * oblique[1][j]
                + oblique[2][i] * oblique[2][j];
            EXPECT_NEAR(dot, i == j ? 1 : 0, 1e-6) << i << "," << j;
        }
    }
    EXPECT_EQ(oblique[0][3], 0);
    EXPECT_EQ(oblique[3][3], 1);
}

TEST(hvAngles, Scalars)
{
    const struct {
        const char* what;
        float value, expected;
    } cases[] = {
        { "rsqrt of 4", hvRSqrt(4), 0.5f },
        { "rsqrt takes the magnitude", hvRSqrt(-4), 0.5f },
        { "rsqrt of 0 is 1", hvRSqrt(0), 1 },
        { "arccos above 1 is 0", hvArcCos(1.5f), 0 },
        { "arccos below -1 is pi", hvArcCos(-2), kPi },
        { "arccos of 0", hvArcCos(0), kPi / 2 },
        { "deg to rad", hvDegToRad(180), kPi },
        { "rad to deg", hvRadToDeg(kPi / 2), 90 },
        { "normalize 370", hvNormalizeAngle(370), 10 },
        { "normalize -200", hvNormalizeAngle(-200), 160 },
        { "normalize -180.5", hvNormalizeAngle(-180.5f), 179.5f },
        { "max", hvMax(-1, -2), -1 },
        { "interpolate", hvInterpolateSingle(2, 4, 0.25f), 2.5f },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(c.value, c.expected, 1e-5);
    }
}

TEST(hvQuaternion, NinetyDegreesAboutZTurnsXIntoY)
{
    const ThvMatrix m = hvQuaternionToMatrix(hvQuaternionFromAngleAxis(hvZAxis, 90));
    ExpectNearVector(hvVectorTransform({ 1, 0, 0, 1 }, m), { 0, 1, 0, 1 }, 1e-6f);
    ExpectNearVector(hvVectorTransform({ 0, 1, 0, 1 }, m), { -1, 0, 0, 1 }, 1e-6f);
    EXPECT_EQ(m[3][3], 1);
    EXPECT_EQ(m[3][0], 0);
    EXPECT_EQ(m[0][3], 0);
}

TEST(hvQuaternion, MatrixRoundTrips)
{
    // Angles of 180 degrees have no trace left and take the per-axis branches.
    const struct {
        const char* what;
        ThvVector axis;
        float degrees;
    } cases[] = {
        { "none", { 0, 0, 1, 0 }, 0 },
        { "about Z", { 0, 0, 1, 0 }, 90 },
        { "oblique", { 1, 2, 3, 0 }, 37 },
        { "negative", { -1, 0.5f, 0, 0 }, -120 },
        { "half turn about X", { 1, 0, 0, 0 }, 180 },
        { "half turn about Y", { 0, 1, 0, 0 }, 180 },
        { "half turn about Z", { 0, 0, 1, 0 }, 180 },
        { "half turn oblique", { 1, 1, 0, 0 }, 180 },
        { "almost a full turn", { 0, 1, 1, 0 }, 359 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ThvQuaternion q = hvQuaternionFromAngleAxis(c.axis, c.degrees);
        EXPECT_NEAR(hvQuaternionMagnitude(q), 1, 1e-6);
        const ThvMatrix m = hvQuaternionToMatrix(q);
        const ThvQuaternion back = hvQuaternionFromMatrix(m);
        EXPECT_NEAR(hvQuaternionMagnitude(back), 1, 1e-6);
        // q and -q are the same rotation.
        const float sign = (back.RealPart * q.RealPart + back.ImagPart.X * q.ImagPart.X
                               + back.ImagPart.Y * q.ImagPart.Y + back.ImagPart.Z * q.ImagPart.Z)
                < 0
            ? -1.0f
            : 1.0f;
        EXPECT_NEAR(back.RealPart * sign, q.RealPart, 1e-5);
        EXPECT_NEAR(back.ImagPart.X * sign, q.ImagPart.X, 1e-5);
        EXPECT_NEAR(back.ImagPart.Y * sign, q.ImagPart.Y, 1e-5);
        EXPECT_NEAR(back.ImagPart.Z * sign, q.ImagPart.Z, 1e-5);
        ExpectNearMatrix(hvQuaternionToMatrix(back), m);
    }
}

TEST(hvQuaternion, ProductComposesRotations)
{
    const ThvQuaternion a = hvQuaternionFromAngleAxis({ 1, 0, 0, 0 }, 90);
    const ThvQuaternion b = hvQuaternionFromAngleAxis({ 0, 0, 1, 0 }, 90);
    // With row vectors, the product a x b turns by b first, then by a.
    ExpectNearMatrix(hvQuaternionToMatrix(hvQuaternionMultiply(a, b)),
        hvMatrixMultiply(hvQuaternionToMatrix(b), hvQuaternionToMatrix(a)));
    ExpectNearVector(
        hvVectorTransform({ 1, 0, 0, 1 }, hvQuaternionToMatrix(hvQuaternionMultiply(a, b))), { 0, 0, 1, 1 });
    const ThvQuaternion identity = hvQuaternionMultiply(a, hvIdentityQuaternion);
    EXPECT_NEAR(identity.RealPart, a.RealPart, 1e-7);
    EXPECT_NEAR(identity.ImagPart.X, a.ImagPart.X, 1e-7);
    // Axis length does not matter.
    const ThvQuaternion longAxis = hvQuaternionFromAngleAxis({ 0, 0, 7, 0 }, 90);
    EXPECT_NEAR(longAxis.ImagPart.Z, b.ImagPart.Z, 1e-7);
}

TEST(hvQuaternion, NormalizeAndDegenerateInput)
{
    const struct {
        const char* what;
        ThvQuaternion in, out;
    } cases[] = {
        { "all zero gives the identity", { { 0, 0, 0, 0 }, 0 }, hvIdentityQuaternion },
        { "below the tolerance gives the identity", { { 1e-31f, 0, 0, 0 }, 0 }, hvIdentityQuaternion },
        { "scaled down to unit length", { { 0, 0, 0, 0 }, 2 }, hvIdentityQuaternion },
        { "mixed", { { 3, 0, 0, 0 }, 4 }, { { 0.6f, 0, 0, 0 }, 0.8f } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ThvQuaternion q = c.in;
        hvNormalizeQuaternion(q);
        EXPECT_NEAR(q.RealPart, c.out.RealPart, 1e-7);
        EXPECT_NEAR(q.ImagPart.X, c.out.ImagPart.X, 1e-7);
        EXPECT_NEAR(q.ImagPart.Y, c.out.ImagPart.Y, 1e-7);
        EXPECT_NEAR(q.ImagPart.Z, c.out.ImagPart.Z, 1e-7);
    }
    EXPECT_EQ(hvQuaternionFromAngleAxis({ 0, 0, 0, 0 }, 45), hvIdentityQuaternion) << "no axis, no rotation";
    ExpectNearMatrix(hvQuaternionToMatrix({ { 0, 0, 0, 0 }, 0 }), hvIdentityMatrix);
}

TEST(hvRay, SphereTests)
{
    const ThvVector start { 0, 0, 0, 1 }, up { 0, 1, 0, 0 };
    const struct {
        const char* what;
        ThvVector centre;
        float radius;
        bool hit;
        int count;
        ThvVector i1, i2;
    } cases[] = {
        { "ahead: two points, nearest first", { 0, 5, 0, 1 }, 1, true, 2, { 0, 4, 0, 1 }, { 0, 6, 0, 1 } },
        { "from inside: one point", { 0, 0.5f, 0, 1 }, 2, true, 1, { 0, 2.5f, 0, 1 }, {} },
        { "behind", { 0, -5, 0, 1 }, 1, false, 0, {}, {} },
        { "beside", { 2, 5, 0, 1 }, 1, false, 0, {}, {} },
        { "touching ahead", { 1, 5, 0, 1 }, 1, true, 1, { 0, 5, 0, 1 }, {} },
        { "touching behind", { 1, -5, 0, 1 }, 1, false, 0, {}, {} },
        { "start on the surface, going in", { 0, 1, 0, 1 }, 1, true, 2, { 0, 0, 0, 1 }, { 0, 2, 0, 1 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(hvRaySphereTest(start, up, c.centre, c.radius), c.hit);
        ThvVector i1 { -9, -9, -9, -9 }, i2 { -9, -9, -9, -9 };
        ASSERT_EQ(hvRaySphereIntersect(start, up, c.centre, c.radius, i1, i2), c.count);
        if (c.count >= 1)
            ExpectNearVector(i1, c.i1);
        if (c.count == 2)
            ExpectNearVector(i2, c.i2);
    }
}

TEST(hvRay, PlaneTests)
{
    const ThvVector start { 1, 0, 2, 1 }, up { 0, 1, 0, 0 };
    const struct {
        const char* what;
        ThvVector planePoint, normal;
        bool hit;
        ThvVector point;
    } cases[] = {
        { "ahead", { 0, 5, 0, 1 }, { 0, 1, 0, 0 }, true, { 1, 5, 2, 1 } },
        { "ahead, normal facing the ray", { 0, 5, 0, 1 }, { 0, -1, 0, 0 }, true, { 1, 5, 2, 1 } },
        { "tilted", { 0, 5, 0, 1 }, { 0, 1, 1, 0 }, true, { 1, 3, 2, 1 } },
        { "behind the start", { 0, -5, 0, 1 }, { 0, 1, 0, 0 }, false, {} },
        { "through the start", { 0, 0, 0, 1 }, { 0, 1, 0, 0 }, false, {} },
        { "parallel", { 3, 0, 0, 1 }, { 1, 0, 0, 0 }, false, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ThvVector point { -9, -9, -9, -9 };
        EXPECT_EQ(hvRayPlaneIntersect(start, up, c.planePoint, c.normal, point), c.hit);
        if (c.hit)
            ExpectNearVector(point, c.point);
    }
}

TEST(hvRay, TriangleTests)
{
    // A triangle in the plane y = 5.
    const ThvVector p1 { -1, 5, -1, 1 }, p2 { 1, 5, -1, 1 }, p3 { 0, 5, 1, 1 };
    const ThvVector up { 0, 1, 0, 0 };
    const struct {
        const char* what;
        ThvVector start, direction;
        bool hit;
        ThvVector point;
    } cases[] = {
        { "through the middle", { 0, 0, 0, 1 }, up, true, { 0, 5, 0, 1 } },
        { "from the other side", { 0, 10, 0, 1 }, { 0, -1, 0, 0 }, true, { 0, 5, 0, 1 } },
        { "through a corner", { -1, 0, -1, 1 }, up, true, { -1, 5, -1, 1 } },
        { "beside", { 2, 0, 0, 1 }, up, false, {} },
        { "behind the start", { 0, 10, 0, 1 }, up, false, {} },
        { "parallel to the plane", { 0, 5, -5, 1 }, { 0, 0, 1, 0 }, false, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ThvVector point { -9, -9, -9, -9 }, normal { -9, -9, -9, -9 };
        EXPECT_EQ(hvRayTriangleIntersect(c.start, c.direction, p1, p2, p3, &point, &normal), c.hit);
        EXPECT_EQ(hvRayTriangleIntersect(c.start, c.direction, p1, p2, p3), c.hit) << "without the outputs";
        if (c.hit) {
            ExpectNearVector(point, c.point);
            ExpectNearVector(normal, { 0, -4, 0, 1 }); // E1 x E2, not normalised
        }
    }
}

} // namespace
