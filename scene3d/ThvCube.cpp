#include "scene3d/ThvCube.h"

#include "scene3d/ThvPrimitiveMeshes.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvCube)

ThvCube::ThvCube(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{
    scene3d::BuildCubeMesh(*GetData());
}

bool ThvCube::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    return RayCastShapeBox(rayPos, rayDir, hit);
}
