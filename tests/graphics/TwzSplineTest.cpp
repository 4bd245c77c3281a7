#include "graphics/TwzSpline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(TwzSpline, PassesThroughThreePoints)
{
    const TwzSpline spline({ { 0, 0 }, { 1, 1 }, { 2, 0 } });
    const struct {
        float t, x, y;
    } cases[] = {
        { 0, 0, 0 }, { 1, 1, 1 }, { 2, 2, 0 },
        { 0.5f, 0.5f, 0.6875f }, // the natural spline bulges above the straight segment
        { 1.5f, 1.5f, 0.6875f }, // and symmetrically on the other side
        { -0.5f, -0.5f, -0.6875f }, // before the first point the first cubic extrapolates
        { 3, 3, -1 }, // after the last, the last one does
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        float x = -99, y = -99;
        spline.SplineXY(c.t, x, y);
        EXPECT_NEAR(x, c.x, 1e-5);
        EXPECT_NEAR(y, c.y, 1e-5);
    }
}

TEST(TwzSpline, DegenerateCounts)
{
    const TwzSpline line({ { 1, 2 }, { 5, -6 } });
    const TwzSpline none({});
    const TwzSpline single({ { 3, 4 } });
    for (float t : { -1.0f, 0.0f, 0.25f, 0.5f, 1.0f, 2.0f }) {
        SCOPED_TRACE(t);
        float x, y;
        line.SplineXY(t, x, y);
        EXPECT_NEAR(x, 1 + 4 * t, 1e-5) << "two points make a straight line";
        EXPECT_NEAR(y, 2 - 8 * t, 1e-5);
        none.SplineXY(t, x, y);
        EXPECT_EQ(x, 0);
        EXPECT_EQ(y, 0);
        single.SplineXY(t, x, y);
        EXPECT_EQ(x, 3) << "a lone point stays put";
        EXPECT_EQ(y, 4);
    }
    float x = 1, y = 1;
    line.SplineXY(std::numeric_limits<float>::quiet_NaN(), x, y); // must not index anywhere odd
    EXPECT_TRUE(std::isnan(x));
}

// Through every point and smooth (equal first derivative) where two segments meet. The
// coefficients are Single and expanded in the global t, so later segments carry more rounding.
TEST(TwzSpline, InterpolatesAndIsSmoothAtEveryPoint)
{
    const std::vector<float> values = { 0, 3, -1, 4, 4, 10, 2, -5, 0, 1 };
    TwzSplineMatrix coeffs;
    BuildSplineCoefficients(values, coeffs);
    ASSERT_EQ(coeffs.size(), values.size() - 1);
    const int32_t n = int32_t(values.size());
    const auto slope
        = [](const std::array<float, 4>& k, double t) { return (3 * k[0] * t + 2 * k[1]) * t + k[2]; };
    for (int32_t i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(SplineValue(n, float(i), coeffs), values[size_t(i)], 1e-3);
        if (i > 0 && i < n - 1) {
            EXPECT_NEAR(slope(coeffs[size_t(i - 1)], i), slope(coeffs[size_t(i)], i), 2e-3);
        }
    }
    // Natural ends: no curvature at the first and last point.
    EXPECT_NEAR(6 * coeffs.front()[0] * 0 + 2 * coeffs.front()[1], 0, 2e-3);
    EXPECT_NEAR(6 * coeffs.back()[0] * (n - 1) + 2 * coeffs.back()[1], 0, 2e-3);
}

TEST(TwzSpline, SolveSplineDerivativesSolvesTheSystem)
{
    const std::vector<std::vector<float>> rights
        = { { 3, -3 }, { 3, 0, -3 }, { 1, 2, 3, 4, 5, 6, 7 }, { 0, 0, 0, 0 } };
    for (const auto& r : rights) {
        SCOPED_TRACE(r.size());
        std::vector<float> d;
        SolveSplineDerivatives(r, d);
        ASSERT_EQ(d.size(), r.size());
        const size_t n = r.size();
        for (size_t i = 0; i < n; ++i) {
            const double diagonal = (i == 0 || i == n - 1) ? 2 : 4;
            double row = diagonal * d[i];
            if (i > 0)
                row += d[i - 1];
            if (i + 1 < n)
                row += d[i + 1];
            EXPECT_NEAR(row, r[i], 1e-5) << "row " << i;
        }
    }
}

} // namespace
