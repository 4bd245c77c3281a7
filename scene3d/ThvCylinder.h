#pragma once

#include "scene3d/ThvCustomMesh.h"

// A cylinder of 18 sides along the object's X axis, capped at both ends. Picked by its
// triangles; its physics body is a cylinder along local X.
class ThvCylinder : public ThvCustomMesh {
    RTL_CLASS(ThvCylinder, ThvCustomMesh)
public:
    explicit ThvCylinder(rtl::TComponent* owner);

    /// A cylinder body when the object collides or moves, making the scene's engine first.
    void CreateBody() override;

protected:
    ~ThvCylinder() override = default;
};
