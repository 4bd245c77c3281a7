#include "scene3d/ThvPath3D.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kPath3DProps[] = {
    RTL_PROP(ThvShape3D, Flatness, Float, 2.0),
    RTL_PROP(ThvPath3D, Path, Class, rtl::kNoDefault),
    RTL_PROP(ThvPath3D, WrapMode, Enum, wzPathStretch),
};

/// True when the outline's points span some width and some height; a flat outline extrudes
/// to nothing.
bool HasArea(const TwzPolygon& polygon)
{
    bool first = true;
    TwzPoint origin;
    bool wide = false, tall = false;
    for (const TwzPoint& p : polygon) {
        if (scene3d::IsFigureEnd(p))
            continue;
        if (first) {
            origin = p;
            first = false;
        }
        wide = wide || p.X != origin.X;
        tall = tall || p.Y != origin.Y;
    }
    return wide && tall;
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvPath3D, .props = kPath3DProps)

ThvPath3D::ThvPath3D(rtl::TComponent* owner)
    : ThvShape3D(owner)
    , m_path(std::make_unique<TwzPathData>())
{
    m_path->OnChanged.Bind<&ThvPath3D::PathChanged>(this);
    SetFlatness(2);
}

ThvPath3D::~ThvPath3D() = default;

void ThvPath3D::PathChanged(rtl::TObject*)
{
    Repaint();
}

void ThvPath3D::SetPath(TwzPathData* value)
{
    if (value)
        m_path->Assign(*value);
}

void ThvPath3D::SetWrapMode(TwzPathWrap value)
{
    if (value == m_wrapMode)
        return;
    m_wrapMode = value;
    Repaint();
}

void ThvPath3D::UpdateOutline()
{
    const std::span<const TwzPathPoint> points = m_path->Points();
    const float flatness = GetFlatness();
    if (m_outline.BuiltFrom && m_outline.BuiltFrom->Flatness == flatness
        && std::ranges::equal(m_outline.BuiltFrom->Points, points))
        return;
    FlattenOutline(*m_path, m_outline);
    m_outlineHasArea = HasArea(m_outline.Polygon);
    m_outline.BuiltFrom = OutlineKey { { points.begin(), points.end() }, flatness };
}

void ThvPath3D::Render()
{
    if (m_path->IsEmpty())
        return;
    UpdateOutline();
    const TwzPolygon& polygon = m_outline.Polygon;
    const TwzPoint extent = m_outline.Extent;
    if (m_outline.Drawable) {
        const float width = GetWidth();
        const float height = GetHeight();
        const float depth = GetDepth();
        switch (m_wrapMode) {
        case wzPathOriginal:
            ExtrudeFaces(
                OutlineCenter(), { extent.X, extent.Y, depth, 1 }, TwzRect {}, polygon, m_outline.Stamp);
            break;
        case wzPathFit: {
            TwzRect fitted = MakeRect(0, 0, extent.X, extent.Y);
            RectFit(fitted, MakeRect(0, 0, width, height));
            ExtrudeFaces(OutlineCenter(), { RectWidth(fitted), RectHeight(fitted), depth, 1 }, TwzRect {},
                polygon, m_outline.Stamp);
            break;
        }
        case wzPathStretch:
            ExtrudeFaces(OutlineCenter(), { width, height, depth, 1 }, TwzRect {}, polygon, m_outline.Stamp);
            break;
        case wzPathTile: {
            // A flat path reports a tiny extent and would ask for millions of tiles that all
            // draw nothing.
            if (!m_outlineHasArea)
                break;
            // Tiles of the path's own size from the top-left corner of the face, rows running
            // down; the last row and column may reach beyond the face.
            const int64_t columns = rtl::Round(width / extent.X);
            const int64_t rows = rtl::Round(height / extent.Y);
            for (int64_t i = 0; i <= columns; ++i) {
                for (int64_t j = 0; j <= rows; ++j) {
                    const ThvVector center { (static_cast<float>(i) + 0.5f) * extent.X,
                        height - (static_cast<float>(j) + 0.5f) * extent.Y, 0, 1 };
                    ExtrudeFaces(
                        center, { extent.X, extent.Y, depth, 1 }, TwzRect {}, polygon, m_outline.Stamp);
                }
            }
            break;
        }
        }
    }
    DrawDesignBox();
}
