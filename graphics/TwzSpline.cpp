#include "graphics/TwzSpline.h"

#include <cmath>

void SolveSplineDerivatives(std::span<const float> r, std::vector<float>& d)
{
    const size_t n = r.size();
    d.assign(n, 0.0f);
    if (n < 2)
        return;
    // Cholesky factor of the system: L on the diagonal, E = 1 / L beside it.
    std::vector<float> l(n), e(n), y(n);
    l[0] = std::sqrt(2.0f);
    e[0] = 1 / l[0];
    for (size_t i = 1; i + 1 < n; ++i) {
        l[i] = std::sqrt(4 - e[i - 1] * e[i - 1]);
        e[i] = 1 / l[i];
    }
    l[n - 1] = std::sqrt(2 - e[n - 2] * e[n - 2]);
    y[0] = r[0] / l[0];
    for (size_t i = 1; i < n; ++i)
        y[i] = (r[i] - e[i - 1] * y[i - 1]) / l[i];
    d[n - 1] = y[n - 1] / l[n - 1];
    for (size_t i = n - 1; i-- > 0;)
        d[i] = (y[i] - e[i] * d[i + 1]) / l[i];
}

void BuildSplineCoefficients(std::span<const float> values, TwzSplineMatrix& coeffs)
{
    coeffs.clear();
    const size_t n = values.size();
    if (n == 0)
        return;
    if (n == 1) {
        // A lone point stays where it is for every t.
        coeffs.push_back({ 0, 0, 0, values[0] });
        return;
    }
    std::vector<float> r(n);
    r[0] = 3 * (values[1] - values[0]);
    r[n - 1] = 3 * (values[n - 1] - values[n - 2]);
    for (size_t i = 1; i + 1 < n; ++i)
        r[i] = 3 * (values[i + 1] - values[i - 1]);
    std::vector<float> d;
    SolveSplineDerivatives(r, d);
    coeffs.reserve(n - 1);
    for (size_t s = 0; s + 1 < n; ++s) {
        const float i = static_cast<float>(s);
        const float a = values[s];
        const float b = d[s];
        const float c2 = 3 * (values[s + 1] - values[s]) - 2 * d[s] - d[s + 1];
        const float c3 = -2 * (values[s + 1] - values[s]) + d[s] + d[s + 1];
        // Expanded from the segment's local u = t - i into the global t.
        const float k3 = c3;
        const float k2 = c2 - 3 * i * c3;
        const float k1 = (3 * i * c3 - 2 * c2) * i + b;
        const float k0 = ((c2 - i * c3) * i - b) * i + a;
        coeffs.push_back({ k3, k2, k1, k0 });
    }
}

float SplineValue(int32_t count, float t, const TwzSplineMatrix& coeffs)
{
    if (coeffs.empty())
        return 0;
    int64_t segment;
    if (!(t > 0)) // also not-a-number
        segment = 0;
    else if (t > float(count - 1))
        segment = count - 1;
    else
        segment = static_cast<int64_t>(std::trunc(t));
    // The last point belongs to the last segment; a count that disagrees with the
    // coefficients must not index past them either way.
    if (segment >= static_cast<int64_t>(coeffs.size()))
        segment = static_cast<int64_t>(coeffs.size()) - 1;
    if (segment < 0)
        segment = 0;
    const auto& k = coeffs[size_t(segment)];
    return ((k[0] * t + k[1]) * t + k[2]) * t + k[3];
}

TwzSpline::TwzSpline(const TwzPolygon& points)
    : m_count(static_cast<int32_t>(points.size()))
{
    std::vector<float> xs, ys;
    xs.reserve(points.size());
    ys.reserve(points.size());
    for (const TwzPoint& p : points) {
        xs.push_back(p.X);
        ys.push_back(p.Y);
    }
    BuildSplineCoefficients(xs, m_x);
    BuildSplineCoefficients(ys, m_y);
}

void TwzSpline::SplineXY(float t, float& x, float& y) const
{
    x = SplineValue(m_count, t, m_x);
    y = SplineValue(m_count, t, m_y);
}
