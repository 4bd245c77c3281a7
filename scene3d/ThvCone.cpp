#include "scene3d/ThvCone.h"

#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvPrimitiveMeshes.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvCone)

ThvCone::ThvCone(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{
    scene3d::BuildConeMesh(*GetData());
}

void ThvCone::CreateBody()
{
    CreateShapeBody(&ThvPhysics::CreateCone);
}
