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
    TwzPathData outline;
    outline.AddEllipse(MakeRect(0, 0, GetWidth(), GetHeight()));
    TwzPolygon polygon;
    TwzPoint extent;
    if (FlattenOutline(outline, polygon, extent))
        ExtrudeFaces(OutlineCenter(), { extent.X, extent.Y, GetDepth(), 1 }, TwzRect {}, polygon);
}
