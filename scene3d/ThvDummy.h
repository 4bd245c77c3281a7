#pragma once

#include "scene3d/ThvVisualObject.h"

// An invisible node that groups, transforms and docks its children. Draws nothing and is
// never hit at run time; in design mode it shows its box as a wire frame.
class ThvDummy : public ThvVisualObject {
    RTL_CLASS(ThvDummy, ThvVisualObject)
public:
    explicit ThvDummy(rtl::TComponent* owner);

    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvDummy() override = default;
};
