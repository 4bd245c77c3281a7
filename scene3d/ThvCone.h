#pragma once

#include "scene3d/ThvCustomMesh.h"

// A cone of 20 sides along the object's X axis: its base at -X, its apex at +X. Picked by its
// triangles; its physics body is a cone along local X.
class ThvCone : public ThvCustomMesh {
    RTL_CLASS(ThvCone, ThvCustomMesh)
public:
    explicit ThvCone(rtl::TComponent* owner);

    /// A cone body when the object collides or moves, making the scene's engine first.
    void CreateBody() override;

protected:
    ~ThvCone() override = default;
};
