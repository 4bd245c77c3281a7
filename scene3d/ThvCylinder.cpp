#include "scene3d/ThvCylinder.h"

#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvPrimitiveMeshes.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvCylinder)

ThvCylinder::ThvCylinder(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{
    scene3d::BuildCylinderMesh(*GetData());
}

void ThvCylinder::CreateBody()
{
    CreateShapeBody(&ThvPhysics::CreateCylinder);
}
