#include "scene3d/ThvRectangle3D.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kRectangle3DProps[] = {
    RTL_PROP(ThvRectangle3D, xRadius, Float, rtl::kNoDefault),
    RTL_PROP(ThvRectangle3D, yRadius, Float, rtl::kNoDefault),
    RTL_PROP(ThvRectangle3D, Corners, Set, AllCorners),
    RTL_PROP(ThvRectangle3D, CornerType, Enum, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvRectangle3D, .props = kRectangle3DProps)

ThvRectangle3D::ThvRectangle3D(rtl::TComponent* owner)
    : ThvShape3D(owner)
{ }

ThvRectangle3D::~ThvRectangle3D() = default;

void ThvRectangle3D::SetxRadius(float value)
{
    if (value == m_xRadius)
        return;
    m_xRadius = value;
    Repaint();
}

void ThvRectangle3D::SetyRadius(float value)
{
    if (value == m_yRadius)
        return;
    m_yRadius = value;
    Repaint();
}

void ThvRectangle3D::SetCorners(TwzCorners value)
{
    if (value == m_corners)
        return;
    m_corners = value;
    Repaint();
}

void ThvRectangle3D::SetCornerType(TwzCornerType value)
{
    if (value == m_cornerType)
        return;
    m_cornerType = value;
    Repaint();
}

void ThvRectangle3D::Render()
{
    const OutlineKey key { GetWidth(), GetHeight(), m_xRadius, m_yRadius, m_corners, m_cornerType,
        GetFlatness() };
    if (m_outline.BuiltFrom != key) {
        TwzPathData outline;
        outline.AddRectangle(
            MakeRect(0, 0, key.Width, key.Height), m_xRadius, m_yRadius, m_corners, m_cornerType);
        FlattenOutline(outline, m_outline);
        m_outline.BuiltFrom = key;
    }
    if (m_outline.Drawable) {
        ExtrudeFaces(OutlineCenter(), { m_outline.Extent.X, m_outline.Extent.Y, GetDepth(), 1 }, TwzRect {},
            m_outline.Polygon, m_outline.Stamp);
    }
}
