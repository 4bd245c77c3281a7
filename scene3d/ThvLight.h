#pragma once

#include "scene3d/ThvVisualObject.h"

enum ThvLightType : uint8_t { hvLightDirectional, hvLightPoint, hvLightSpot };
RTL_ENUM(ThvLightType, "hvLightDirectional", "hvLightPoint", "hvLightSpot");

// A white light that the canvas uses while drawing: directional along the light's Y axis, a
// point light at its position, or a spot at its position along its Y axis. The scene collects
// the lights of every frame anew (ApplyLights), so changes show at the next frame. Draws
// nothing and is never hit at run time; in design mode it shows a small gizmo.
class ThvLight : public ThvVisualObject {
    RTL_CLASS(ThvLight, ThvVisualObject)
public:
    explicit ThvLight(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    [[nodiscard]] ThvLightType GetLightType() const { return m_lightType; }
    void SetLightType(ThvLightType value) { m_lightType = value; }

    /// Lights the children first, then adds itself to the canvas when enabled.
    void ApplyLights() override;
    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvLight() override = default;

private:
    ThvLightType m_lightType = hvLightDirectional;
    bool m_enabled = true;
};
