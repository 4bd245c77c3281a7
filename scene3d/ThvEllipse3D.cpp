#include "scene3d/ThvEllipse3D.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvEllipse3D)

ThvEllipse3D::ThvEllipse3D(rtl::TComponent* owner)
    : ThvShape3D(owner)
{ }

ThvEllipse3D::~ThvEllipse3D() = default;

void ThvEllipse3D::Render()
{
    const OutlineKey key { GetWidth(), GetHeight(), GetFlatness() };
    if (m_outline.BuiltFrom != key) {
        TwzPathData outline;
        outline.AddEllipse(MakeRect(0, 0, key.Width, key.Height));
        FlattenOutline(outline, m_outline);
        m_outline.BuiltFrom = key;
    }
    if (m_outline.Drawable) {
        ExtrudeFaces(OutlineCenter(), { m_outline.Extent.X, m_outline.Extent.Y, GetDepth(), 1 }, TwzRect {},
            m_outline.Polygon, m_outline.Stamp);
    }
}
