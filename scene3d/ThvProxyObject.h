#pragma once

#include "platform/rtl/ComponentLink.h"
#include "scene3d/ThvVisualObject.h"

// Draws another object, its SourceObject, with the proxy's own transform and size: the source
// and its subtree appear at the proxy's place while the source itself stays where it is. Hit
// inside its own box at run time.
class ThvProxyObject : public ThvVisualObject {
    RTL_CLASS(ThvProxyObject, ThvVisualObject)
public:
    explicit ThvProxyObject(rtl::TComponent* owner);

    // Published.
    /// The object drawn; a plain link, cleared when that object goes. The proxy itself is
    /// refused.
    [[nodiscard]] ThvVisualObject* GetSourceObject() const { return m_sourceObject; }
    void SetSourceObject(ThvVisualObject* value);

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvProxyObject() override = default;

private:
    rtl::ComponentLink<ThvVisualObject> m_sourceObject { this };
    bool m_rendering = false;
};
