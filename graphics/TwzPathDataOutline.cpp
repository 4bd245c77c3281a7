// Bounds and flattening of TwzPathData: what fits a path into a rectangle and what turns an
// outline into the polygon the 3D canvas extrudes.
#include "graphics/TwzPathData.h"

#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kMinStep = 0.05f;

// A curve gets one point per step along its control chord. Paths with a long curve in very
// thin bounds would ask for hundreds of millions of points; no outline worth drawing needs
// more than this per curve.
constexpr int64_t kMaxCurvePoints = 65536;
/// Points the curves of one path may flatten to in all (each curve keeps at least two).
constexpr double kMaxFlattenedPoints = 1 << 20;

/// The length a curve is cut by: from its first control point to its end.
double CurveChord(const TwzPoint& p1, const TwzPoint& p3)
{
    return std::hypot(double(p3.X) - p1.X, double(p3.Y) - p1.Y);
}

void AppendCurve(TwzPolygon& points, const TwzPoint& p0, const TwzPoint& p1, const TwzPoint& p2,
    const TwzPoint& p3, float step)
{
    const double chord = CurveChord(p1, p3) / step;
    int64_t n = 2;
    if (chord >= kMaxCurvePoints)
        n = kMaxCurvePoints;
    else if (chord > 2)
        n = std::max<int64_t>(2, rtl::Round(chord));
    const float cx = 3 * (p1.X - p0.X);
    const float bx = 3 * (p2.X - p1.X) - cx;
    const float ax = p3.X - p0.X - cx - bx;
    const float cy = 3 * (p1.Y - p0.Y);
    const float by = 3 * (p2.Y - p1.Y) - cy;
    const float ay = p3.Y - p0.Y - cy - by;
    const float d = 1.0f / static_cast<float>(n - 1);
    float t = 0;
    // NOTE: no reserve for the curve alone: growing the polygon to the exact size curve after
    // curve copies it whole each time, quadratic in the number of curves.
    for (int64_t i = 0; i < n; ++i) {
        const float t2 = t * t;
        const float t3 = t2 * t;
        points.push_back({ ax * t3 + bx * t2 + cx * t + p0.X, ay * t3 + by * t2 + cy * t + p0.Y });
        t += d;
    }
}

} // namespace

TwzRect TwzPathData::GetBounds() const
{
    if (m_points.empty())
        return {};
    // A path of close elements only keeps these inverted start values.
    TwzRect r { 65535, 65535, -65535, -65535 };
    bool first = true;
    for (const TwzPathPoint& element : m_points) {
        if (element.Kind == wzPathPointClose)
            continue;
        const TwzPoint& p = element.Point;
        // Start from the first point rather than from the start values, so that paths
        // lying beyond +-65535 get their true bounds.
        if (first) {
            r = { p.X, p.Y, p.X, p.Y };
            first = false;
            continue;
        }
        r.Left = std::min(r.Left, p.X);
        r.Right = std::max(r.Right, p.X);
        r.Top = std::min(r.Top, p.Y);
        r.Bottom = std::max(r.Bottom, p.Y);
    }
    if (RectWidth(r) == 0)
        r.Right = r.Left + 0.001f;
    if (RectHeight(r) == 0)
        r.Bottom = r.Top + 0.001f;
    return r;
}

TwzPoint TwzPathData::FlattenPath(TwzPolygon& points, float flatness) const
{
    points.clear();
    if (m_points.empty())
        return {};
    const TwzRect bounds = GetBounds();
    float step = std::min(RectWidth(bounds) / 100, RectHeight(bounds) / 100) * flatness;
    if (!(step >= kMinStep)) // also not-a-number
        step = kMinStep;
    // A stored path may hold thousands of long curves, each asking for thousands of points:
    // beyond kMaxFlattenedPoints in all, the step grows until the curves fit.
    double wanted = 0;
    for (size_t i = 0; i + 2 < m_points.size(); ++i) {
        if (m_points[i].Kind == wzPathPointCurveTo) {
            wanted += CurveChord(m_points[i].Point, m_points[i + 2].Point) / step;
            i += 2;
        }
    }
    if (wanted > kMaxFlattenedPoints && std::isfinite(wanted))
        step = static_cast<float>(step * (wanted / kMaxFlattenedPoints));

    TwzPoint current {};
    TwzPoint start {};
    const size_t count = m_points.size();
    points.reserve(count + count / 2);
    for (size_t i = 0; i < count; ++i) {
        const TwzPathPoint& element = m_points[i];
        switch (element.Kind) {
        case wzPathPointMoveTo:
            points.push_back(element.Point);
            current = start = element.Point;
            break;
        case wzPathPointLineTo:
            points.push_back(element.Point);
            current = element.Point;
            break;
        case wzPathPointCurveTo:
            // A curve cut short at the end of the path (only damaged data makes one) has no
            // end point to run to: it is left out.
            if (i + 2 >= count) {
                i = count;
                break;
            }
            AppendCurve(points, current, element.Point, m_points[i + 1].Point, m_points[i + 2].Point, step);
            current = m_points[i + 2].Point;
            i += 2;
            break;
        case wzPathPointClose:
            points.push_back(start);
            points.push_back(kFigureEnd);
            break;
        default:
            break;
        }
    }
    return { std::fabs(RectWidth(bounds)), std::fabs(RectHeight(bounds)) };
}
