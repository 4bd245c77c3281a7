#include "scene3d/ThvSphere.h"

#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvPrimitiveMeshes.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvSphere)

ThvSphere::ThvSphere(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{
    scene3d::BuildSphereMesh(*GetData());
}

bool ThvSphere::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    const float w = GetWidth(), h = GetHeight(), d = GetDepth();
    if (w == 0 || h == 0 || d == 0)
        return false;
    // In the space where the ellipsoid is the unit sphere.
    const ThvVector start { 2 * rayPos.X / w, 2 * rayPos.Y / h, 2 * rayPos.Z / d, 1 };
    const ThvVector direction = hvVectorNormalize({ rayDir.X / w, rayDir.Y / h, rayDir.Z / d, 0 });
    ThvVector nearPoint, farPoint;
    if (hvRaySphereIntersect(start, direction, { 0, 0, 0, 1 }, 1, nearPoint, farPoint) < 1)
        return false;
    const ThvPoint local { nearPoint.X * w / 2, nearPoint.Y * h / 2, nearPoint.Z * d / 2 };
    hit = hvPointToVector(LocalToAbsolute(local), 1);
    return true;
}

void ThvSphere::CreateBody()
{
    ThvScene* scene = GetScene();
    if (scene && !scene->GetPhysics())
        scene->CreatePhysics();
    ThvPhysics* physics = scene ? scene->GetPhysics() : nullptr;
    if (physics && (GetCollider() || GetDynamic())) {
        // The engine makes no second body for an object: the first one goes through the
        // engine that made it.
        DestroyBody();
        SetBody(physics->CreateSphere(this, { GetWidth(), GetHeight(), GetDepth(), 1 }));
    }
}
