#include "scene3d/ThvRoundCube.h"

#include "scene3d/ThvPrimitiveMeshes.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvRoundCube)

ThvRoundCube::ThvRoundCube(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{
    scene3d::BuildRoundCubeMesh(*GetData());
}
