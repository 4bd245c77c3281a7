#pragma once

#include "scene3d/ThvShape.h"

// The edges of the object's box, unlit.
class ThvStrokeCube : public ThvShape {
    RTL_CLASS(ThvStrokeCube, ThvShape)
public:
    explicit ThvStrokeCube(rtl::TComponent* owner);

    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvStrokeCube() override = default;
};
