#pragma once

#include "platform/rtl/ComponentLink.h"
#include "scene3d/ThvVisualObject.h"

// A viewpoint the canvas looks through: from the camera's absolute position towards its
// Target when it has one, else along its own Y axis, with its Z axis up. Draws nothing at run
// time and is never hit there; in design mode it shows a small gizmo that can be picked.
class ThvCamera : public ThvVisualObject {
    RTL_CLASS(ThvCamera, ThvVisualObject)
public:
    explicit ThvCamera(rtl::TComponent* owner);

    // Published.
    /// The object looked at; a plain link, cleared (and the view back to the own Y axis)
    /// when that object goes.
    [[nodiscard]] ThvVisualObject* GetTarget() const { return m_target; }
    void SetTarget(ThvVisualObject* value);

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    /// In the designer, clicking the camera toggles looking through it.
    void DesignClick() override;
    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvCamera() override = default;

private:
    rtl::ComponentLink<ThvVisualObject> m_target { this };
    rtl::ComponentLink<ThvCamera> m_savedCamera { this }; // the design camera this one replaced
};
