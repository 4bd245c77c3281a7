// Lines, shaped rectangles, ellipses, path data, hit tests on path data, pictures and
// thumbnails. Every fill goes through FillGpRect/FillGpPath and every stroke through the
// pen PrepareStroke builds, so the operations here only build geometry.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzCanvasGdiPlusPrivate.h"
#include "graphics/TwzPathData.h"
#include "platform/raster/Path.h"
#include "platform/raster/Surface.h"

#include <algorithm>
#include <cmath>
#include <utility>

using namespace platform::raster;
using canvasgdiplus::ToRaster;

namespace {

/// Distance of a rounded corner's control points from the corner itself (1 - 0.5522847498).
constexpr float kCornerControl = 0.4477152502f;

/// The outline of a rectangle whose chosen corners are shaped, as one closed figure: the
/// corners from top-left clockwise, the sides the straight lines between them.
Path ShapedRectangle(
    const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, TwzCornerType cornerType)
{
    float x = xRadius;
    if (x * 2 > RectWidth(r))
        x = RectWidth(r) / 2;
    float y = yRadius;
    if (y * 2 > RectHeight(r))
        y = RectHeight(r) / 2;
    const float xk = x * kCornerControl;
    const float yk = y * kCornerControl;

    Path path;
    // s: where the corner starts, e: where it ends, v: the vertex; dx, dy point from the
    // vertex into the rectangle, so each corner is the top-left one mirrored.
    auto corner = [&](TwzCorner which, PointF v, float dx, float dy, bool vertical) {
        auto at = [&](float ax, float ay) { return PointF { v.x + ax * dx, v.y + ay * dy }; };
        // The top-left corner runs from the left side (s) to the top side (e); the corners
        // after it alternate, so the ends swap for the top-right and bottom-left ones.
        PointF s = at(0, y), e = at(x, 0);
        PointF sc = at(0, yk), ec = at(xk, 0); // controls towards the vertex
        PointF si = at(xk, y), ei = at(x, yk); // controls towards the inner vertex
        if (vertical) {
            std::swap(s, e);
            std::swap(sc, ec);
            std::swap(si, ei);
        }
        if (!corners.Contains(which)) {
            path.AddLine(s, v);
            path.AddLine(v, e);
            return;
        }
        switch (cornerType) {
        case wzCornerBevel:
            path.AddLine(s, e);
            break;
        case wzCornerInnerRound:
            path.AddBezier(s, si, ei, e);
            break;
        case wzCornerInnerLine:
            path.AddLine(s, si);
            path.AddLine(si, ei);
            path.AddLine(ei, e);
            break;
        default:
            path.AddBezier(s, sc, ec, e);
            break;
        }
    };
    corner(wzCornerTopLeft, { r.Left, r.Top }, 1, 1, false);
    corner(wzCornerTopRight, { r.Right, r.Top }, -1, 1, true);
    corner(wzCornerBottomRight, { r.Right, r.Bottom }, -1, -1, false);
    corner(wzCornerBottomLeft, { r.Left, r.Bottom }, 1, -1, true);
    path.CloseFigure();
    return path;
}

/// Maps path points from the path's bounds onto R.
struct PathMapping {
    TwzRect bounds;
    TwzRect target;

    PointF operator()(const TwzPoint& p) const
    {
        return { target.Left + (p.X - bounds.Left) / RectWidth(bounds) * RectWidth(target),
            target.Top + (p.Y - bounds.Top) / RectHeight(bounds) * RectHeight(target) };
    }
};

/// Nothing is drawn of an empty path or one whose bounds have no area.
bool MappablePath(const TwzPathData& path, TwzRect& bounds)
{
    if (path.IsEmpty())
        return false;
    bounds = path.GetBounds();
    const float area = RectWidth(bounds) * RectHeight(bounds);
    return area != 0 && std::isfinite(area);
}

/// The path's figures stretched onto R. A curve whose three points are not all there ends
/// the conversion; a path that does not begin with a MoveTo starts at its first point.
Path ToRasterPath(const TwzPathData& data, const PathMapping& map)
{
    Path path(FillMode::Alternate);
    const auto points = data.Points();
    PointF current = points.empty() ? PointF {} : map(points.front().Point);
    for (size_t i = 0; i < points.size(); ++i) {
        const TwzPathPoint& e = points[i];
        switch (e.Kind) {
        case wzPathPointMoveTo:
            path.StartFigure();
            current = map(e.Point);
            break;
        case wzPathPointLineTo: {
            const PointF to = map(e.Point);
            path.AddLine(current, to);
            current = to;
            break;
        }
        case wzPathPointCurveTo: {
            if (i + 2 >= points.size())
                return path;
            const PointF c1 = map(e.Point), c2 = map(points[i + 1].Point), to = map(points[i + 2].Point);
            path.AddBezier(current, c1, c2, to);
            current = to;
            i += 2;
            break;
        }
        case wzPathPointClose:
            path.CloseFigure();
            break;
        default:
            break;
        }
    }
    return path;
}

} // namespace

void TwzCanvasGdiPlus::DrawLine(const TwzPoint& p1, const TwzPoint& p2, float opacity)
{
    if (Graphics* g = PrepareStroke({ p1.X, p1.Y, p2.X, p2.Y }, opacity))
        g->DrawLine(*m_pen, ToRaster(p1), ToRaster(p2));
}

void TwzCanvasGdiPlus::FillRect(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners,
    float opacity, TwzCornerType cornerType)
{
    if ((xRadius == 0 && yRadius == 0) || corners.Empty()) {
        FillGpRect(r, opacity);
        return;
    }
    FillGpPath(ShapedRectangle(r, xRadius, yRadius, corners, cornerType), r, opacity);
}

void TwzCanvasGdiPlus::DrawRect(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners,
    float opacity, TwzCornerType cornerType)
{
    Graphics* g = PrepareStroke(r, opacity);
    if (!g)
        return;
    if (xRadius < 1E-40f && yRadius < 1E-40f) {
        g->DrawRectangle(*m_pen, ToRaster(r));
        return;
    }
    g->DrawPath(*m_pen, ShapedRectangle(r, xRadius, yRadius, corners, cornerType));
}

void TwzCanvasGdiPlus::FillEllipse(const TwzRect& r, float opacity)
{
    Path path(FillMode::Alternate);
    path.AddEllipse(ToRaster(r));
    FillGpPath(path, r, opacity);
}

void TwzCanvasGdiPlus::DrawEllipse(const TwzRect& r, float opacity)
{
    if (Graphics* g = PrepareStroke(r, opacity))
        g->DrawEllipse(*m_pen, ToRaster(r));
}

void TwzCanvasGdiPlus::FillPath(const TwzPathData& path, const TwzRect& r, float opacity)
{
    TwzRect bounds;
    if (!MappablePath(path, bounds))
        return;
    FillGpPath(ToRasterPath(path, { bounds, r }), r, opacity);
}

void TwzCanvasGdiPlus::DrawPath(const TwzPathData& path, const TwzRect& r, float opacity)
{
    TwzRect bounds;
    if (GetStroke().GetStyle() == wzBrushNone || !MappablePath(path, bounds))
        return;
    // The stroke brush is laid out over the path's own bounds, in path coordinates.
    Graphics* g = PrepareStroke(bounds, opacity);
    if (!g)
        return;
    const PathMapping map { bounds, r };
    // Every segment is a stroke of its own: no joins between segments, and a dash pattern
    // starts afresh on each.
    const auto points = path.Points();
    PointF current = map(points.front().Point);
    PointF figureStart = current;
    for (size_t i = 0; i < points.size(); ++i) {
        const TwzPathPoint& e = points[i];
        switch (e.Kind) {
        case wzPathPointMoveTo:
            current = map(e.Point);
            figureStart = current;
            break;
        case wzPathPointLineTo: {
            const PointF to = map(e.Point);
            g->DrawLine(*m_pen, current, to);
            current = to;
            break;
        }
        case wzPathPointCurveTo: {
            if (i + 2 >= points.size())
                return;
            const PointF c1 = map(e.Point), c2 = map(points[i + 1].Point), to = map(points[i + 2].Point);
            g->DrawBezier(*m_pen, current, c1, c2, to);
            current = to;
            i += 2;
            break;
        }
        case wzPathPointClose:
            g->DrawLine(*m_pen, current, figureStart);
            break;
        default:
            break;
        }
    }
}

bool TwzCanvasGdiPlus::PtInPath(const TwzPoint& p, const TwzRect& r, const TwzPathData& path)
{
    if (!PointInRect(p, r))
        return false;
    TwzRect bounds;
    if (!MappablePath(path, bounds))
        return false;
    return ToRasterPath(path, { bounds, r }).IsVisible(ToRaster(p));
}

void TwzCanvasGdiPlus::DrawBitmap(
    TwzBitmap* bitmap, const TwzRect& srcRect, const TwzRect& dstRect, float opacity, bool highSpeed)
{
    Graphics* g = GetGraphics();
    if (!g)
        return;
    // The sampling stays in force for later drawing.
    g->SetInterpolationMode(highSpeed ? InterpolationMode::NearestNeighbor : InterpolationMode::HighQuality);
    if (!(opacity > 0))
        return; // 0, negative or not a number: nothing to see
    Surface* surface = GetGpBitmap(bitmap);
    if (!surface)
        return;
    g->DrawImage(*surface, ToRaster(dstRect), ToRaster(srcRect), std::min(opacity, 1.0f));
}

void TwzCanvasGdiPlus::DrawThumbnail(TwzBitmap* bitmap, float width, float)
{
    Surface* surface = GetGpBitmap(bitmap);
    Graphics* g = GetGraphics();
    if (!surface || !g || !m_bitmap)
        return;
    // Scaled uniformly by the width; the scale stays in force afterwards. A width of 0 (or
    // one that is not a number) would make the transform singular: nothing is drawn then.
    const float scale = width / static_cast<float>(bitmap->GetWidth());
    if (!g->ScaleTransform(scale, scale))
        return;
    g->DrawImage(*surface,
        RectF { 0, 0, static_cast<float>(bitmap->GetWidth()), static_cast<float>(bitmap->GetHeight()) });
}
