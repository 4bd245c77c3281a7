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
    ThvScene* scene = GetScene();
    if (scene && !scene->GetPhysics())
        scene->CreatePhysics();
    ThvPhysics* physics = scene ? scene->GetPhysics() : nullptr;
    if (physics && (GetCollider() || GetDynamic())) {
        // The engine makes no second body for an object: the first one goes through the
        // engine that made it.
        DestroyBody();
        SetBody(physics->CreateCone(this, { GetWidth(), GetHeight(), GetDepth(), 1 }));
    }
}
