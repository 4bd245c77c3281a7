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
    bool found = hvRayBoxEntry(rayPos, rayDir, { w, h, d, 1 }, kTolerance, point);
    if (!found) {
        const ThvScene* scene = GetScene();
        if (scene && scene->GetCaptured() == this)
            found = hvRayBoxEntry(
                rayPos, rayDir, { kCapturedScale * w, kCapturedScale * h, d, 1 }, kTolerance, point);
    }
    if (!found)
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
    return true;
}
