#include "scene3d/ThvDummy.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kDummyProps[] = {
    RTL_PROP(ThvVisualObject, HitTest, Boolean, false),
    HV_VISUAL_OBJECT_DOCKING_PROPS,
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvDummy, .props = kDummyProps)

ThvDummy::ThvDummy(rtl::TComponent* owner)
    : ThvVisualObject(owner)
{
    SetHitTest(false);
}

void ThvDummy::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas || !InDesignMode() || GetTag() == scene3d::kDesignObjectTag || GetLocked())
        return;
    ThvMaterial material;
    material.SetDiffuseColor(0x8060A799);
    canvas->SetMaterial(material);
    canvas->DrawCube({ 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, GetAbsoluteOpacity());
}

bool ThvDummy::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    // Only the designer picks dummies.
    ThvVector local;
    if (!InDesignMode() || !RayCastBox(rayPos, rayDir, local))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(local)), 1);
    return true;
}
