#include "scene3d/ThvLight.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kLightProps[] = {
    RTL_PROP(ThvVisualObject, HitTest, Boolean, false),
    RTL_PROP(ThvLight, Enabled, Boolean, true),
    RTL_PROP(ThvLight, LightType, Enum, hvLightDirectional),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvLight, .props = kLightProps)

ThvLight::ThvLight(rtl::TComponent* owner)
    : ThvVisualObject(owner)
{
    SetHitTest(false);
    SetDesignResizable(false);
}

void ThvLight::ApplyLights()
{
    rtl::Watch<ThvLight> self(this);
    Inherited::ApplyLights();
    if (!self || !m_enabled)
        return;
    if (ThvCanvas* canvas = GetCanvas())
        canvas->AddLight(this);
}

void ThvLight::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas || !InDesignMode() || GetTag() == scene3d::kDesignObjectTag)
        return;
    canvas->SetState(hvStateLightingOff);
    ThvMaterial material;
    material.SetLighting(false);
    material.SetDiffuseColor(0xFFFFFFFF);
    canvas->SetMaterial(material);
    canvas->FillCube({ 0, 0, 0, 1 }, { 0.8f, 0.8f, 0.8f, 1 }, 1);
    const ThvVector origin { 0, 0, 0, 1 };
    switch (m_lightType) {
    case hvLightDirectional:
        canvas->DrawLine(origin, { 0, 5, 0, 1 }, 1);
        break;
    case hvLightPoint:
        // Rays all round, in the X-Y and the X-Z plane.
        for (int step = 0; step < 18; ++step) {
            float s = 0, c = 0;
            hvSinCos(hvDegToRad(20.0f * static_cast<float>(step)), s, c);
            canvas->DrawLine(origin, { 2 * c, 2 * s, 0, 1 }, 1);
        }
        for (int step = 0; step < 18; ++step) {
            float s = 0, c = 0;
            hvSinCos(hvDegToRad(20.0f * static_cast<float>(step)), s, c);
            canvas->DrawLine(origin, { 2 * c, 0, 2 * s, 1 }, 1);
        }
        break;
    case hvLightSpot:
        for (const float x : { -0.2f, 0.2f }) {
            for (const float z : { -0.2f, 0.2f }) {
                const ThvVector d = hvVectorNormalize({ x, 1, z, 0 });
                canvas->DrawLine(origin, { 5 * d.X, 5 * d.Y, 5 * d.Z, 1 }, 1);
            }
        }
        break;
    }
    canvas->SetState(hvStateLightingOn);
}

bool ThvLight::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    // Only the designer picks lights.
    ThvVector local;
    if (!InDesignMode() || !RayCastBox(rayPos, rayDir, local))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(local)), 1);
    return true;
}
