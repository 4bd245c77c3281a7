#include "scene3d/ThvProxyObject.h"

#include "scene3d/ThvCanvas.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kProxyProps[] = {
    HV_VISUAL_OBJECT_DOCKING_PROPS,
    RTL_PROP(ThvProxyObject, SourceObject, Component, nullptr),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvProxyObject, .props = kProxyProps)

ThvProxyObject::ThvProxyObject(rtl::TComponent* owner)
    : ThvVisualObject(owner)
{ }

void ThvProxyObject::SetSourceObject(ThvVisualObject* value)
{
    if (value == this || !m_sourceObject.Set(value))
        return;
    Repaint();
}

void ThvProxyObject::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (m_sourceObject.Notification(component, operation))
        Repaint();
}

void ThvProxyObject::Render()
{
    // A source that contains the proxy (or another proxy of it) would draw it again without
    // end: a proxy already drawing its source draws nothing more.
    if (!m_sourceObject || m_rendering)
        return;
    rtl::Watch<ThvVisualObject> source(m_sourceObject);
    rtl::Watch<ThvProxyObject> self(this);
    struct Restore {
        rtl::Watch<ThvVisualObject>& source;
        rtl::Watch<ThvProxyObject>& self;
        float width, height, depth;
        ~Restore()
        {
            if (source)
                source->SetSizeFields(width, height, depth);
            if (self)
                self->m_rendering = false;
        }
    } restore { source, self, source->GetWidth(), source->GetHeight(), source->GetDepth() };
    m_rendering = true;

    // The canvas holds the proxy's matrix, set by the parent's walk; the source draws with the
    // proxy's size, and its subtree is placed below the proxy's matrix explicitly, so no
    // cache of the source ever holds the proxy's place.
    source->SetSizeFields(GetWidth(), GetHeight(), GetDepth());
    const ThvMatrix matrix = GetAbsoluteMatrix();
    source->BeforePaint();
    if (source)
        source->Render();
    if (source)
        source->AfterPaint();
    if (source)
        source->RenderChildrenAt(matrix);
}

bool ThvProxyObject::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    // Only at run time: the designer does not pick proxies.
    ThvVector local;
    if (InDesignMode() || !RayCastBox(rayPos, rayDir, local))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(local)), 1);
    return true;
}
