#include "graphics/Geometry.h"
#include "graphics/SystemVersion.h"
#include "tests/graphics/Printers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

static_assert(IsWindows2000OrLater(), "every supported system answers as a modern one");

void ExpectNearRect(const TwzRect& a, const TwzRect& b, float tolerance)
{
    EXPECT_NEAR(a.Left, b.Left, tolerance);
    EXPECT_NEAR(a.Top, b.Top, tolerance);
    EXPECT_NEAR(a.Right, b.Right, tolerance);
    EXPECT_NEAR(a.Bottom, b.Bottom, tolerance);
}

void ExpectNearMatrix(const TwzMatrix& a, const TwzMatrix& b, float tolerance)
{
    const float ea[] = { a.m11, a.m12, a.m13, a.m21, a.m22, a.m23, a.m31, a.m32, a.m33 };
    const float eb[] = { b.m11, b.m12, b.m13, b.m21, b.m22, b.m23, b.m31, b.m32, b.m33 };
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(ea[i], eb[i], tolerance) << "element " << i;
}

TEST(TwzRect, RectFromPointsAndNormalize)
{
    EXPECT_EQ(RectFromPoints({}), MakeRect(61440, 61440, -61440, -61440));
    const TwzPoint one[] = { { 3, 4 } };
    EXPECT_EQ(RectFromPoints(one), MakeRect(3, 4, 3, 4)) << "one point sets both edges";
    const TwzPoint many[] = { { 3, 4 }, { -1, 10 }, { 7, -2 }, { 0, 0 } };
    EXPECT_EQ(RectFromPoints(many), MakeRect(-1, -2, 7, 10));
    EXPECT_EQ(RectNormalize(MakeRect(10, 20, 0, 5)), MakeRect(0, 5, 10, 20));
    EXPECT_EQ(RectNormalize(MakeRect(0, 5, 10, 20)), MakeRect(0, 5, 10, 20));
}

TEST(TwzRect, EmptinessAndArithmetic)
{
    EXPECT_TRUE(RectIsEmpty(MakeRect(5, 5, 5, 10)));
    EXPECT_TRUE(RectIsEmpty(MakeRect(0, 10, 10, 0))) << "inverted counts as empty";
    EXPECT_FALSE(RectIsEmpty(MakeRect(0, 0, 0.5f, 0.5f)));

    TwzRect r = MakeRect(1, 2, 3, 4);
    RectOffset(r, 10, -2);
    EXPECT_EQ(r, MakeRect(11, 0, 13, 2));
    RectInflate(r, 1, -0.5f);
    EXPECT_EQ(r, MakeRect(10, 0.5f, 14, 1.5f));
    RectScale(r, 2, -2);
    EXPECT_EQ(r, MakeRect(20, -1, 28, -3));
}

TEST(TwzRect, UnionTakesEdgesOnly)
{
    const struct {
        const char* what;
        TwzRect a, b, expected;
    } cases[] = {
        { "an empty rectangle inside", { 0, 0, 10, 10 }, { 5, 5, 5, 5 }, { 0, 0, 10, 10 } },
        { "an inverted rectangle outside adds nothing", { 0, 0, 10, 10 }, { 20, 20, 10, 10 },
            { 0, 0, 10, 10 } },
        { "disjoint", { 0, 0, 1, 1 }, { 5, -3, 6, 0 }, { 0, -3, 6, 1 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RectUnion(c.a, c.b), c.expected);
        EXPECT_EQ(RectUnion(c.b, c.a), c.expected);
    }
}

TEST(TwzRect, IntersectionTests)
{
    const struct {
        const char* what;
        TwzRect a, b;
        bool touchOrOverlap; // RectsIntersect
        bool overlap; // RectIntersection
        TwzRect common;
    } cases[] = {
        { "sharing an edge", { 2, 3, 10, 10 }, { 10, 0, 20, 10 }, true, false, { 2, 3, 2, 3 } },
        { "overlapping", { 0, 0, 10, 10 }, { 5, 5, 20, 20 }, true, true, { 5, 5, 10, 10 } },
        { "contained", { 0, 0, 10, 10 }, { 2, 3, 4, 5 }, true, true, { 2, 3, 4, 5 } },
        { "apart", { 0, 0, 1, 1 }, { 3, 3, 4, 4 }, false, false, { 0, 0, 0, 0 } },
        { "fractions", { 0, 0, 0.5f, 0.5f }, { 0.25f, 0.25f, 1, 1 }, true, true,
            { 0.25f, 0.25f, 0.5f, 0.5f } },
        { "beyond 16-bit coordinates", { -40000, -40000, 40000, 40000 }, { 0, 0, 50000, 50000 }, true, true,
            { 0, 0, 40000, 40000 } },
        { "far out", { 100000, 100000, 200000, 200000 }, { 150000, 50000, 250000, 150000 }, true, true,
            { 150000, 100000, 200000, 150000 } },
        { "the empty bounds marker", { 61440, 61440, -61440, -61440 }, { 0, 0, 10, 10 }, false, false,
            { 61440, 61440, 61440, 61440 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(RectsIntersect(c.a, c.b), c.touchOrOverlap);
        TwzRect r { -1, -1, -1, -1 };
        EXPECT_EQ(RectIntersection(r, c.a, c.b), c.overlap);
        ExpectNearRect(r, c.common, 1.0f / 65535); // the grid the overlap is measured on
        if (c.overlap) {
            TwzRect swapped;
            EXPECT_TRUE(RectIntersection(swapped, c.b, c.a));
            EXPECT_EQ(swapped, r);
        }
    }
}

TEST(TwzRect, IntRectIntersectionIsStrict)
{
    TRect r { 9, 9, 9, 9 };
    EXPECT_FALSE(IntRectIntersection(r, MakeIntRect(0, 0, 10, 10), MakeIntRect(10, 0, 20, 10)));
    EXPECT_EQ(r, MakeIntRect(0, 0, 0, 0));
    EXPECT_TRUE(IntRectIntersection(r, MakeIntRect(0, 0, 10, 10), MakeIntRect(-5, 4, 3, 30)));
    EXPECT_EQ(r, MakeIntRect(0, 4, 3, 10));
}

TEST(TwzRect, PointInRectIncludesAllEdges)
{
    const TwzRect r = MakeRect(0, 0, 10, 5);
    const struct {
        TwzPoint p;
        bool inside;
    } cases[] = {
        { { 0, 0 }, true },
        { { 10, 5 }, true },
        { { 10, 0 }, true },
        { { 5, 2 }, true },
        { { 10.001f, 2 }, false },
        { { 5, -0.001f }, false },
        { { -1, -1 }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(PointToText(c.p));
        EXPECT_EQ(PointInRect(c.p, r), c.inside);
    }
}

TEST(TwzRect, CenterRoundsHalvesToEven)
{
    const struct {
        const char* what;
        TwzRect r, bounds, expected;
    } cases[] = {
        { "3 in 10: 3.5 rounds to 4", { 7, 7, 10, 8 }, { 100, 0, 110, 1 }, { 104, 0, 107, 1 } },
        { "5 in 10: 2.5 rounds to 2", { 0, 0, 5, 1 }, { 100, 0, 110, 1 }, { 102, 0, 107, 1 } },
        { "both axes", { -5, -5, 15, 5 }, { 10, 20, 50, 60 }, { 20, 35, 40, 45 } },
        { "larger than the bounds", { 0, 0, 20, 20 }, { 0, 0, 10, 10 }, { -5, -5, 15, 15 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TwzRect r = c.r;
        const TwzRect returned = RectCenter(r, c.bounds);
        EXPECT_EQ(r, c.expected);
        EXPECT_EQ(returned, r);
    }
}

TEST(TwzRect, FitShrinksButNeverEnlarges)
{
    const struct {
        const char* what;
        TwzRect r, bounds, expected;
        float ratio;
    } cases[] = {
        { "smaller: size kept, centred", { 0, 0, 50, 20 }, { 0, 0, 100, 100 }, { 25, 40, 75, 60 }, 0.5f },
        { "wider: scaled down", { 0, 0, 200, 100 }, { 0, 0, 100, 100 }, { 0, 25, 100, 75 }, 2 },
        { "offset bounds", { 0, 0, 200, 100 }, { 10, 10, 110, 110 }, { 10, 35, 110, 85 }, 2 },
        { "taller: 12.5 rounds to 12", { 3, 3, 53, 403 }, { 0, 0, 100, 100 }, { 44, 0, 56, 100 }, 4 },
        { "zero-width bounds: untouched", { 5, 5, 50, 20 }, { 0, 0, 0, 100 }, { 5, 5, 50, 20 }, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TwzRect r = c.r;
        EXPECT_FLOAT_EQ(RectFit(r, c.bounds), c.ratio);
        EXPECT_EQ(r, c.expected);
    }
}

TEST(TwzRect, TextForms)
{
    EXPECT_EQ(PointToText({ 1, 2 }), "(1,2)");
    EXPECT_EQ(PointToText({ 1.23456f, -0.5f }), "(1.235,-0.500)");
    EXPECT_EQ(PointToText({ -3, 0.25f }), "(-3,0.250)");
    EXPECT_EQ(RectToText({ 0, 0, 100.5f, 20 }), "(0,0,100.500,20)");

    const struct {
        const char* text;
        TwzRect expected;
    } rects[] = {
        { "(1.5,2,3,4)", { 1.5f, 2, 3, 4 } },
        { "(1,2,3,4)", { 1, 2, 3, 4 } },
        { " ( 1 , 2 , 3 , 4 ) ", { 1, 2, 3, 4 } },
        { "(1,2,3,4", { 1, 2, 3, 4 } }, // closing parenthesis missing
        { "Bounds(1,2,3,4)", { 1, 2, 3, 4 } }, // what precedes "(" is skipped
        { "(-1e2,0.001,-0,5)", { -100, 0.001f, 0, 5 } },
        { "1,2,3,4", { 0, 0, 0, 0 } }, // loses its first number, so one is missing
        { "(a,2,3,4)", { 0, 0, 0, 0 } },
        { "(1,2,3)", { 0, 0, 0, 0 } },
        { "(1,,3,4)", { 0, 0, 0, 0 } },
        { "", { 0, 0, 0, 0 } },
        { "(1,2,3,4 5)", { 0, 0, 0, 0 } },
    };
    for (const auto& c : rects) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToRect(c.text), c.expected);
    }

    const struct {
        const char* text;
        TwzPoint expected;
    } points[] = {
        { "(7,8)", { 7, 8 } },
        { "(-0.25, 1e1)", { -0.25f, 10 } },
        { "(7)", { 0, 0 } },
        { "(7,x)", { 0, 0 } },
        { "", { 0, 0 } },
    };
    for (const auto& c : points) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(TextToPoint(c.text), c.expected);
    }

    const TwzRect samples[]
        = { { 0, 0, 0, 0 }, { -1.25f, 2, 1000000, 0.125f }, { 61440, 61440, -61440, -61440 } };
    for (const TwzRect& r : samples) {
        SCOPED_TRACE(RectToText(r));
        EXPECT_EQ(TextToRect(RectToText(r)), r);
    }
}

TEST(TwzMatrix, ProductAppliesTheFirstMatrixFirst)
{
    TwzMatrix translate = IdentityMatrix;
    translate.m31 = 5;
    translate.m32 = -1;
    TwzMatrix scale = IdentityMatrix;
    scale.m11 = 2;
    scale.m22 = 3;
    const TwzVector p = MakeVector(1, 1, 1);
    EXPECT_EQ(VectorTransform(p, MatrixMultiply(translate, scale)), MakeVector(12, 0, 1));
    EXPECT_EQ(VectorTransform(p, MatrixMultiply(scale, translate)), MakeVector(7, 2, 1));
    const TwzMatrix r = CreateRotationMatrix(0.3f);
    const TwzMatrix chained = MatrixMultiply(MatrixMultiply(r, translate), scale);
    const TwzVector direct = VectorTransform(VectorTransform(VectorTransform(p, r), translate), scale);
    const TwzVector viaProduct = VectorTransform(p, chained);
    EXPECT_NEAR(viaProduct.X, direct.X, 1e-5);
    EXPECT_NEAR(viaProduct.Y, direct.Y, 1e-5);
    EXPECT_EQ(MatrixMultiply(IdentityMatrix, chained), chained);
}

TEST(TwzMatrix, VectorTransformIgnoresTheThirdColumn)
{
    TwzMatrix m = IdentityMatrix;
    m.m13 = 4;
    m.m23 = 5;
    m.m33 = 6;
    m.m31 = 10;
    EXPECT_EQ(VectorTransform(MakeVector(1, 1, 1), m), MakeVector(11, 1, 1));
    EXPECT_EQ(VectorTransform(MakeVector(1, 1, 0), m), MakeVector(1, 1, 1)) << "W = 0 skips the translation";
}

TEST(TwzMatrix, InvertAndDeterminant)
{
    const TwzMatrix zero {};
    TwzMatrix rankOne { 1, 2, 0, 2, 4, 0, 3, 6, 0 };
    TwzMatrix scale2 { 2, 0, 0, 0, 2, 0, 0, 0, 1 };
    TwzMatrix half { 0.5f, 0, 0, 0, 0.5f, 0, 0, 0, 1 };

    EXPECT_EQ(MatrixDeterminant(scale2), 4);
    EXPECT_EQ(MatrixDeterminant(rankOne), 0);
    EXPECT_NEAR(MatrixDeterminant(CreateRotationMatrix(1.1f)), 1, 1e-6);

    const struct {
        const char* what;
        TwzMatrix m, inverse;
    } cases[] = {
        { "all zero gives the identity", zero, IdentityMatrix },
        { "singular gives the identity", rankOne, IdentityMatrix },
        { "scale by 2", scale2, half },
        { "identity", IdentityMatrix, IdentityMatrix },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TwzMatrix m = c.m;
        MatrixInvert(m);
        ExpectNearMatrix(m, c.inverse, 1e-7f);
    }

    TwzMatrix general
        = MatrixMultiply(CreateRotationMatrix(0.7f), TwzMatrix { 3, 0, 0, 0, -0.5f, 0, 4, 9, 1 });
    general.m13 = 0.25f; // invertible beyond the affine ones as well
    TwzMatrix inverse = general;
    MatrixInvert(inverse);
    ExpectNearMatrix(MatrixMultiply(general, inverse), IdentityMatrix, 1e-5f);
    ExpectNearMatrix(MatrixMultiply(inverse, general), IdentityMatrix, 1e-5f);
}

TEST(TwzVector, MeasuresAndAngles)
{
    EXPECT_EQ(VectorNorm(MakeVector(3, 4, 7)), 25) << "W takes no part";
    EXPECT_EQ(VectorLength(MakeVector(3, 4, 0)), 5);
    EXPECT_EQ(VectorSubtract(MakeVector(3, 4, 0), MakeVector(1, 1, 0)), MakeVector(2, 3, 1));
    EXPECT_EQ(VectorAngleCosine(MakeVector(0, 0, 1), MakeVector(1, 0, 1)), 0) << "zero length";

    const struct {
        const char* what;
        TwzVector a, b;
        float degrees;
    } cases[] = {
        { "counter-clockwise cross product is negative", { 1, 0, 0 }, { 0, 1, 0 }, -90 },
        { "clockwise is positive", { 0, 1, 0 }, { 1, 0, 0 }, 90 },
        { "parallel", { 1, 0, 0 }, { 2, 0, 0 }, 0 },
        { "antiparallel: zero cross product negates", { 1, 0, 0 }, { -3, 0, 0 }, -180 },
        { "45 degrees", { 1, 1, 0 }, { 1, 0, 0 }, 45 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(VectorAngle(c.a, c.b), c.degrees, 1e-4);
    }
    // Rounding pushes these cosines past +-1; the angle must still be a number.
    const TwzVector nearly[][2] = { { { 0.1f, 0.3f, 0 }, { 0.2f, 0.6f, 0 } },
        { { 0.1f, 0.3f, 0 }, { -0.3f, -0.9f, 0 } }, { { 1e-3f, 7e-3f, 0 }, { 3e3f, 2.1e4f, 0 } } };
    for (const auto& pair : nearly) {
        const float angle = VectorAngle(pair[0], pair[1]);
        EXPECT_FALSE(std::isnan(angle));
        EXPECT_TRUE(std::fabs(angle) < 0.1f || std::fabs(std::fabs(angle) - 180) < 0.1f) << angle;
    }
}

TEST(TwzMatrix, RotationTurnsXTowardY)
{
    const TwzMatrix r = CreateRotationMatrix(std::numbers::pi_v<float> / 2);
    const TwzVector v = VectorTransform(MakeVector(1, 0, 1), r);
    EXPECT_NEAR(v.X, 0, 1e-6);
    EXPECT_NEAR(v.Y, 1, 1e-6);
    EXPECT_EQ(r.m33, 1);
}

} // namespace
