#pragma once

#include "scene3d/ThvCustomMesh.h"

// A flat square of 10 x 10 cells facing +Z, 0.01 deep whatever Depth is asked: it lies 0.005
// below the object's origin. While it holds the mouse it is hit well beyond its edges, so a
// drag that started on it goes on.
class ThvPlane : public ThvCustomMesh {
    RTL_CLASS(ThvPlane, ThvCustomMesh)
public:
    explicit ThvPlane(rtl::TComponent* owner);

    /// Stores 0.01 whatever is asked.
    void SetDepth(float value) override;
    /// The box test; when that misses and the plane holds its scene's mouse capture, the same
    /// test on a box ten times as wide and high.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvPlane() override = default;
};
