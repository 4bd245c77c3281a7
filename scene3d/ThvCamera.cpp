#include "scene3d/ThvCamera.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kCameraProps[] = {
    RTL_PROP(ThvVisualObject, HitTest, Boolean, false),
    RTL_PROP(ThvCamera, Target, Component, nullptr),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvCamera, .props = kCameraProps)

ThvCamera::ThvCamera(rtl::TComponent* owner)
    : ThvVisualObject(owner)
{
    SetHitTest(false);
    SetDesignResizable(false);
    ResetPositionDefault({ 0, -10, 0 });
}

void ThvCamera::SetTarget(ThvVisualObject* value)
{
    m_target.Set(value);
}

void ThvCamera::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (m_target.Notification(component, operation))
        MatrixChanged();
    m_savedCamera.Notification(component, operation);
}

void ThvCamera::DesignClick()
{
    ThvScene* scene = GetScene();
    if (!scene)
        return;
    if (!m_savedCamera) {
        // Already looked through (the camera it replaced is gone): nothing to toggle back to.
        if (scene->GetDesignCamera() == this)
            return;
        m_savedCamera.Set(scene->GetDesignCamera());
        scene->SetDesignCamera(this);
        Repaint();
    } else {
        scene->SetDesignCamera(m_savedCamera);
        m_savedCamera.Set(nullptr);
    }
}

void ThvCamera::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas || !InDesignMode() || GetTag() == scene3d::kDesignObjectTag)
        return;
    canvas->SetState(hvStateLightingOff);
    ThvMaterial material;
    material.SetLighting(false);
    material.SetDiffuseColor(0xFF60A799);
    canvas->SetMaterial(material);
    canvas->FillCube({ 0, 0, 0, 1 }, { 0.8f, 0.8f, 0.8f, 1 }, 1);
    // The lens, along the viewing axis.
    material.SetDiffuseColor(0xFF9C60A7);
    canvas->SetMaterial(material);
    canvas->FillCube({ 0, 0.5f, 0, 1 }, { 0.3f, 1.4f, 0.3f, 1 }, 1);
    canvas->DrawLine({ 0, 0, 0, 1 }, { 0, 1000, 0, 1 }, 1);
    canvas->SetState(hvStateLightingOn);
}

bool ThvCamera::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    // Only the designer picks cameras.
    if (!InDesignMode() || !hvRaySphereTest(rayPos, rayDir, { 0, 0, 0, 1 }, 1))
        return false;
    hit = GetAbsolutePosition();
    hit.W = 1;
    return true;
}
