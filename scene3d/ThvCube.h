#pragma once

#include "scene3d/ThvCustomMesh.h"

// A box with 6 x 6 cells on its Z faces and 6 x 7 cells on its sides, each face textured on
// its own. Picked by its box alone.
class ThvCube : public ThvCustomMesh {
    RTL_CLASS(ThvCube, ThvCustomMesh)
public:
    explicit ThvCube(rtl::TComponent* owner);

    /// The plain box test, not the triangles.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvCube() override = default;
};
