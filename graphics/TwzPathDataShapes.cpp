// The shape builders of TwzPathData: ellipse, rectangle with shaped corners, centre arcs and
// the end-point arcs of SVG path data.
#include "graphics/TwzPathData.h"

#include "graphics/Angles.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kHalfPi = std::numbers::pi / 2;

// The control distance of a quarter-ellipse curve, as a fraction of the radius.
constexpr float kEllipseFactor = 0.5522847498f;

constexpr TwzPoint Mid(const TwzPoint& a, const TwzPoint& b)
{
    return { (a.X + b.X) / 2, (a.Y + b.Y) / 2 };
}

} // namespace

void TwzPathData::AddEllipse(const TwzRect& r)
{
    const float cx = (r.Left + r.Right) / 2;
    const float cy = (r.Top + r.Bottom) / 2;
    const float kx = RectWidth(r) / 2 * kEllipseFactor;
    const float ky = RectHeight(r) / 2 * kEllipseFactor;
    MoveTo({ r.Left, cy });
    CurveTo({ r.Left, cy - ky }, { cx - kx, r.Top }, { cx, r.Top });
    CurveTo({ cx + kx, r.Top }, { r.Right, cy - ky }, { r.Right, cy });
    CurveTo({ r.Right, cy + ky }, { cx + kx, r.Bottom }, { cx, r.Bottom });
    CurveTo({ cx - kx, r.Bottom }, { r.Left, cy + ky }, { r.Left, cy });
}

void TwzPathData::AddRectangle(
    const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, TwzCornerType cornerType)
{
    float xr = xRadius;
    if (RectWidth(r) - 2 * xr < 0)
        xr = RectWidth(r) / 2;
    float yr = yRadius;
    if (RectHeight(r) - 2 * yr < 0)
        yr = RectHeight(r) / 2;
    const float l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;

    // Each corner: arriving at A along one edge, the corner K, leaving from E along the
    // next edge, and Q, the corner moved by the radii into the rectangle.
    struct Corner {
        TwzCorner which;
        TwzPoint a, k, e, q;
    };
    const Corner clockwise[] = {
        { wzCornerTopLeft, { l, t + yr }, { l, t }, { l + xr, t }, { l + xr, t + yr } },
        { wzCornerTopRight, { rt - xr, t }, { rt, t }, { rt, t + yr }, { rt - xr, t + yr } },
        { wzCornerBottomRight, { rt, b - yr }, { rt, b }, { rt - xr, b }, { rt - xr, b - yr } },
        { wzCornerBottomLeft, { l + xr, b }, { l, b }, { l, b - yr }, { l + xr, b - yr } },
    };
    const TwzPoint edgeEnds[] = { { rt - xr, t }, { rt, b - yr }, { l + xr, b } };

    MoveTo({ l, t + yr });
    for (size_t i = 0; i < std::size(clockwise); ++i) {
        const Corner& c = clockwise[i];
        if (!corners.Contains(c.which)) {
            LineTo(c.k);
            LineTo(c.e);
        } else {
            switch (cornerType) {
            case wzCornerBevel:
                LineTo(c.e);
                break;
            case wzCornerInnerRound:
                CurveTo(Mid(c.a, c.q), Mid(c.q, c.e), c.e);
                break;
            case wzCornerInnerLine:
                LineTo(Mid(c.a, c.q));
                LineTo(Mid(c.q, c.e));
                LineTo(c.e);
                break;
            case wzCornerRound:
            default:
                CurveTo(Mid(c.a, c.k), Mid(c.k, c.e), c.e);
                break;
            }
        }
        if (i < std::size(edgeEnds))
            LineTo(edgeEnds[i]);
    }
    ClosePath();
}

void TwzPathData::AddArc(const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle)
{
    AppendArc(center, radius, startAngle, sweepAngle, true);
}

void TwzPathData::AddArcContinued(
    const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle)
{
    AppendArc(center, radius, startAngle, sweepAngle, false);
}

void TwzPathData::AppendArc(
    const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle, bool connect)
{
    double start = DegToRad(startAngle);
    double sweep = DegToRad(sweepAngle);
    // Without a finite sweep the quarter-turn loop below would never reach its end.
    if (!std::isfinite(start) || !std::isfinite(sweep))
        return;
    start -= std::trunc(start / kTwoPi) * kTwoPi;
    sweep = std::clamp(sweep, -kTwoPi, kTwoPi);
    if (std::fabs(sweep) < 1e-10)
        return;
    double total = 0;
    bool first = true;
    for (;;) {
        const double previous = total;
        double piece;
        bool last;
        if (sweep >= 0) {
            total += kHalfPi;
            last = total >= sweep - 0.01;
            piece = last ? sweep - previous : kHalfPi;
        } else {
            total -= kHalfPi;
            last = total <= sweep + 0.01;
            piece = last ? sweep - previous : -kHalfPi;
        }
        AddArcSegment(connect && first, center.X, center.Y, radius.X, radius.Y, static_cast<float>(start),
            static_cast<float>(piece));
        first = false;
        start += piece;
        if (last)
            break;
    }
}

void TwzPathData::AddArcSegment(
    bool connect, float cx, float cy, float rx, float ry, float startAngle, float sweepAngle)
{
    const double phi = sweepAngle / 2.0;
    const double x0 = std::cos(phi);
    const double y0 = std::sin(phi);
    const double tx = (1 - x0) * 4 / 3;
    // A piece of no sweep has its control points on its end points (the limit of ty).
    const double ty = y0 != 0 ? y0 - x0 * tx / y0 : 0;
    const TwzPoint unit[4] = {
        { static_cast<float>(x0), static_cast<float>(-y0) },
        { static_cast<float>(x0 + tx), static_cast<float>(-ty) },
        { static_cast<float>(x0 + tx), static_cast<float>(ty) },
        { static_cast<float>(x0), static_cast<float>(y0) },
    };
    const double alpha = startAngle + phi;
    const double sn = std::sin(alpha);
    const double cs = std::cos(alpha);
    TwzPoint placed[4];
    for (int i = 0; i < 4; ++i) {
        const double px = unit[i].X;
        const double py = unit[i].Y;
        placed[i] = { static_cast<float>((px * cs - py * sn) * rx + cx),
            static_cast<float>((px * sn + py * cs) * ry + cy) };
    }
    if (connect) {
        if (IsEmpty())
            MoveTo(placed[0]);
        else
            LineTo(placed[0]);
    }
    CurveTo(placed[1], placed[2], placed[3]);
}

void TwzPathData::AddSvgArc(const TwzPoint& from, const TwzPoint& radius, float xAxisRotation, bool largeArc,
    bool sweep, const TwzPoint& to)
{
    if (!TryAddSvgArc(from, radius, xAxisRotation, largeArc, sweep, to))
        throw rtl::Exception("Floating point division by zero");
}

bool TwzPathData::TryAddSvgArc(const TwzPoint& from, const TwzPoint& radius, float xAxisRotation,
    bool largeArc, bool sweep, const TwzPoint& to)
{
    const double phi = DegToRad(xAxisRotation);
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    double rx = std::fabs(radius.X);
    double ry = std::fabs(radius.Y);
    const double hx = (double(from.X) - to.X) / 2;
    const double hy = (double(from.Y) - to.Y) / 2;
    const double x1 = cosPhi * hx + sinPhi * hy;
    const double y1 = -sinPhi * hx + cosPhi * hy;
    // The conversion divides by both radii and by a term that is 0 for coinciding end
    // points: such an arc cannot be drawn.
    if (rx == 0 || ry == 0)
        return false;
    const double lambda = x1 * x1 / (rx * rx) + y1 * y1 / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const double rx2 = rx * rx, ry2 = ry * ry;
    const double denominator = rx2 * y1 * y1 + ry2 * x1 * x1;
    if (denominator == 0)
        return false;
    const double q = (rx2 * ry2 - rx2 * y1 * y1 - ry2 * x1 * x1) / denominator;
    const double s = largeArc == sweep ? -1 : 1;
    const double c = q >= 0 ? s * std::sqrt(q) : 0;
    const double ccx = c * rx * y1 / ry;
    const double ccy = -c * ry * x1 / rx;
    const double cx = cosPhi * ccx - sinPhi * ccy + (double(from.X) + to.X) / 2;
    const double cy = sinPhi * ccx + cosPhi * ccy + (double(from.Y) + to.Y) / 2;

    const double ux = (x1 - ccx) / rx, uy = (y1 - ccy) / ry;
    const double vx = (-x1 - ccx) / rx, vy = (-y1 - ccy) / ry;
    const double uLength = std::hypot(ux, uy);
    const double vLength = std::hypot(vx, vy);
    double theta1 = std::acos(std::clamp(ux / uLength, -1.0, 1.0));
    if (uy < 0)
        theta1 = -theta1;
    double delta = std::acos(std::clamp((ux * vx + uy * vy) / (uLength * vLength), -1.0, 1.0));
    if (ux * vy - uy * vx < 0)
        delta = -delta;
    if (!sweep && delta > 0)
        delta -= kTwoPi;
    else if (sweep && delta < 0)
        delta += kTwoPi;
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(theta1) || !std::isfinite(delta))
        return false;

    const size_t first = m_points.size();
    AddArcContinued({ 0, 0 }, { static_cast<float>(rx), static_cast<float>(ry) },
        RadToDeg(static_cast<float>(theta1)), RadToDeg(static_cast<float>(delta)));
    for (size_t i = first; i < m_points.size(); ++i) {
        const double x = m_points[i].Point.X;
        const double y = m_points[i].Point.Y;
        m_points[i].Point = { static_cast<float>(x * cosPhi - y * sinPhi + cx),
            static_cast<float>(x * sinPhi + y * cosPhi + cy) };
    }
    return true;
}
