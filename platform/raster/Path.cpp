#include "platform/raster/Path.h"

#include "platform/raster/CairoAccess.h"

namespace platform::raster {

namespace detail {

void AppendPath(cairo_t* cr, const Path& path)
{
    const auto& points = path.Points();
    const auto& types = path.Types();
    size_t i = 0;
    while (i < points.size()) {
        // One figure: a start point, then segments up to the next start point.
        size_t end = i + 1;
        while (end < points.size() && (types[end] & kPathPointTypeMask) != kPathPointStart)
            ++end;
        if (end - i > 1) {
            cairo_move_to(cr, points[i].x, points[i].y);
            for (size_t k = i + 1; k < end;) {
                if ((types[k] & kPathPointTypeMask) == kPathPointBezier && k + 2 < end) {
                    cairo_curve_to(cr, points[k].x, points[k].y, points[k + 1].x, points[k + 1].y,
                        points[k + 2].x, points[k + 2].y);
                    k += 3;
                } else {
                    cairo_line_to(cr, points[k].x, points[k].y);
                    ++k;
                }
            }
            if (types[end - 1] & kPathPointCloseFlag)
                cairo_close_path(cr);
        }
        i = end;
    }
}

} // namespace detail

void Path::AddPoint(PointF p, uint8_t type)
{
    m_points.push_back(p);
    m_types.push_back(type);
}

void Path::ContinueAt(PointF p)
{
    if (m_startNew || m_points.empty()) {
        AddPoint(p, kPathPointStart);
        m_startNew = false;
    } else if (m_points.back() != p) {
        AddPoint(p, kPathPointLine);
    }
}

void Path::CloseFigure()
{
    if (m_startNew || m_points.empty())
        return;
    m_types.back() |= kPathPointCloseFlag;
    m_startNew = true;
}

void Path::AddLine(PointF from, PointF to)
{
    ContinueAt(from);
    AddPoint(to, kPathPointLine);
}

void Path::AddBezier(PointF from, PointF control1, PointF control2, PointF to)
{
    ContinueAt(from);
    AddPoint(control1, kPathPointBezier);
    AddPoint(control2, kPathPointBezier);
    AddPoint(to, kPathPointBezier);
}

void Path::AddRectangle(RectF r)
{
    if (!r.HasArea())
        return;
    StartFigure();
    AddLine({ r.x, r.y }, { r.Right(), r.y });
    AddPoint({ r.Right(), r.Bottom() }, kPathPointLine);
    AddPoint({ r.x, r.Bottom() }, kPathPointLine);
    CloseFigure();
}

void Path::AddEllipse(RectF r)
{
    if (!r.HasArea())
        return;
    constexpr double kappa = 0.5522847498;
    const double rx = double(r.width) / 2, ry = double(r.height) / 2;
    const double cx = r.x + rx, cy = r.y + ry;
    const float kx = float(rx * kappa), ky = float(ry * kappa);
    const float left = r.x, top = r.y, right = r.Right(), bottom = r.Bottom();
    const float mx = float(cx), my = float(cy);
    StartFigure();
    AddBezier({ right, my }, { right, my + ky }, { mx + kx, bottom }, { mx, bottom });
    AddBezier({ mx, bottom }, { mx - kx, bottom }, { left, my + ky }, { left, my });
    AddBezier({ left, my }, { left, my - ky }, { mx - kx, top }, { mx, top });
    AddBezier({ mx, top }, { mx + kx, top }, { right, my - ky }, { right, my });
    CloseFigure();
}

void Path::Reset()
{
    m_points.clear();
    m_types.clear();
    m_startNew = true;
}

bool Path::IsVisible(PointF p) const
{
    if (m_points.empty() || !std::isfinite(p.x) || !std::isfinite(p.y))
        return false;
    detail::CairoSurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    detail::CairoPtr cr(cairo_create(surface.get()));
    cairo_set_fill_rule(
        cr.get(), m_fillMode == FillMode::Alternate ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    detail::AppendPath(cr.get(), *this);
    return cairo_in_fill(cr.get(), p.x, p.y) != 0;
}

} // namespace platform::raster
