#pragma once

#include "graphics/Geometry.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

/// One cubic per segment as (K3, K2, K1, K0) of K3 t^3 + K2 t^2 + K1 t + K0, where t is the
/// global parameter (the point index), not one local to the segment.
using TwzSplineMatrix = std::vector<std::array<float, 4>>;

/// Coefficients of the natural cubic spline through Values, one segment per neighbouring
/// pair. A single value gives one constant segment; no values give none.
void BuildSplineCoefficients(std::span<const float> values, TwzSplineMatrix& coeffs);

/// Solves the spline's tridiagonal system (2, 4, ..., 4, 2 on the diagonal, 1 beside it)
/// for the derivatives D at the points.
void SolveSplineDerivatives(std::span<const float> r, std::vector<float>& d);

/// The spline at parameter t; t outside 0..Count-1 extrapolates the first or last cubic.
/// No coefficients give 0.
[[nodiscard]] float SplineValue(int32_t count, float t, const TwzSplineMatrix& coeffs);

/// Natural cubic spline through a list of points: X and Y are splined separately over the
/// point index. The path animation moves objects along it.
class TwzSpline final {
public:
    explicit TwzSpline(const TwzPolygon& points);

    /// t = 0 is the first point, t = Count - 1 the last; no points give (0, 0).
    void SplineXY(float t, float& x, float& y) const;

    int32_t Count() const { return m_count; }

private:
    TwzSplineMatrix m_x;
    TwzSplineMatrix m_y;
    int32_t m_count = 0;
};
