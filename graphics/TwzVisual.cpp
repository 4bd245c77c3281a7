#include "graphics/TwzVisual.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"

namespace {

constexpr rtl::TPropInfo kVisualProps[] = {
    RTL_PROP(TwzVisual, VisualObject, Component, nullptr).WithTypeName("TwzVisualObject"),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzVisual, .props = kVisualProps)

TwzVisual::~TwzVisual()
{
    if (m_visualObject)
        objectlinks::RemoveFreeNotify(m_visualObject, this);
    m_visualObject = nullptr;
}

void TwzVisual::SetVisualObject(rtl::TComponent* value)
{
    if (value == m_visualObject)
        return;
    objectlinks::RemoveFreeNotify(m_visualObject, this);
    m_visualObject = value;
    // Registered before the event: a handler that frees the object must find us listening.
    objectlinks::AddFreeNotify(value, this);
    OnChanged(this);
}

void TwzVisual::FreeNotify(rtl::TComponent* object)
{
    if (object == m_visualObject)
        m_visualObject = nullptr;
}

void TwzVisual::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzVisual*>(&source);
    if (!other)
        return Inherited::Assign(source);
    SetVisualObject(other->m_visualObject);
}
