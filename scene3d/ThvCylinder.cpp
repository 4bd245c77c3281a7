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
    ThvScene* scene = GetScene();
    if (scene && !scene->GetPhysics())
        scene->CreatePhysics();
    ThvPhysics* physics = scene ? scene->GetPhysics() : nullptr;
    if (physics && (GetCollider() || GetDynamic())) {
        // The engine makes no second body for an object: the first one goes through the
        // engine that made it.
        DestroyBody();
        SetBody(physics->CreateCylinder(this, { GetWidth(), GetHeight(), GetDepth(), 1 }));
    }
}
