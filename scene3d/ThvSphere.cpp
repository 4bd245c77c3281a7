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
    CreateShapeBody(&ThvPhysics::CreateSphere);
}
