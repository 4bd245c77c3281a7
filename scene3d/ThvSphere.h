#pragma once

#include "scene3d/ThvCustomMesh.h"

// A geodesic sphere filling the object's box: an ellipsoid when the sizes differ. Picked as
// that ellipsoid; its physics body is a sphere of the object's size.
class ThvSphere : public ThvCustomMesh {
    RTL_CLASS(ThvSphere, ThvCustomMesh)
public:
    explicit ThvSphere(rtl::TComponent* owner);

    /// The ellipsoid inscribed in the box; never hit when a size is 0.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;
    /// A sphere body when the object collides or moves, making the scene's engine first.
    void CreateBody() override;

protected:
    ~ThvSphere() override = default;
};
