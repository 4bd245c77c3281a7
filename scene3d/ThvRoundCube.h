#pragma once

#include "scene3d/ThvCustomMesh.h"

// A box whose edges and corners are rounded by 0.08 of its size. Picked by its triangles, so
// the rounded-off corners of its box do not count.
class ThvRoundCube : public ThvCustomMesh {
    RTL_CLASS(ThvRoundCube, ThvCustomMesh)
public:
    explicit ThvRoundCube(rtl::TComponent* owner);

protected:
    ~ThvRoundCube() override = default;
};
