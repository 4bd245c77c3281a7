#include "scene3d/ThvStrokeCube.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvStrokeCube)

ThvStrokeCube::ThvStrokeCube(rtl::TComponent* owner)
    : ThvShape(owner)
{
    GetMaterial()->SetLightingDefault(false);
    GetMaterial()->SetLighting(false);
}

void ThvStrokeCube::Render()
{
    if (ThvCanvas* canvas = GetCanvas())
        canvas->DrawCube({ 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, GetAbsoluteOpacity());
}

bool ThvStrokeCube::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    return RayCastShapeBox(rayPos, rayDir, hit);
}
