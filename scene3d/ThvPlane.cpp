#include "scene3d/ThvPlane.h"

#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvPrimitiveMeshes.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"

#include <cmath>

namespace {

constexpr float kPlaneDepth = 0.01f;
constexpr float kTolerance = 0.501f;
// While the plane holds the mouse, its box grows this many times across, not in depth.
constexpr float kCapturedScale = 10.0f;

constexpr rtl::TPropInfo kPlaneProps[] = {
    RTL_PROP(ThvVisualObject, Depth, Float, 0.01),
};

/// The ray (local coordinates) enters the box of `size` through the face opposite the first
/// of the normals +X, +Y, +Z, -X, -Y, -Z that runs along it, within `kTolerance` of its half
/// sizes; `point` is that local entry point.
bool RayCastSizedBox(
    const ThvVector& rayPos, const ThvVector& rayDir, const float (&size)[3], ThvVector& point)
{
    const float pos[3] = { rayPos.X, rayPos.Y, rayPos.Z };
    const float dir[3] = { rayDir.X, rayDir.Y, rayDir.Z };
    for (int face = 0; face < 6; ++face) {
        const int axis = face % 3;
        const float sign = face < 3 ? 1.0f : -1.0f;
        const float along = sign * dir[axis];
        if (along <= 0)
            continue;
        const float t = -(sign * pos[axis] + 0.5f * size[axis]) / along;
        const ThvVector p { rayPos.X + t * rayDir.X, rayPos.Y + t * rayDir.Y, rayPos.Z + t * rayDir.Z, 1 };
        if (std::fabs(p.X) <= kTolerance * size[0] && std::fabs(p.Y) <= kTolerance * size[1]
            && std::fabs(p.Z) <= kTolerance * size[2]
            && hvVectorDotProduct(hvVectorSubtract(p, rayPos), rayDir) > 0) {
            point = p;
            return true;
        }
    }
    return false;
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvPlane, .props = kPlaneProps)

ThvPlane::ThvPlane(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{
    scene3d::BuildPlaneMesh(*GetData());
    SetDepth(kPlaneDepth);
}

void ThvPlane::SetDepth(float)
{
    Inherited::SetDepth(kPlaneDepth);
}

bool ThvPlane::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    const float w = GetWidth(), h = GetHeight(), d = GetDepth();
    ThvVector point;
    bool found = RayCastSizedBox(rayPos, rayDir, { w, h, d }, point);
    if (!found) {
        const ThvScene* scene = GetScene();
        if (scene && scene->GetCaptured() == this)
            found = RayCastSizedBox(rayPos, rayDir, { kCapturedScale * w, kCapturedScale * h, d }, point);
    }
    if (!found)
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
    return true;
}
