#include "graphics/TwzBrushResource.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Properties.h"

namespace {

constexpr rtl::TPropInfo kBrushResourceProps[] = {
    RTL_PROP(TwzBrushResource, Resource, Component, rtl::kNoDefault, false).WithTypeName("TwzBrushObject"),
    RTL_PROP(TwzBrushResource, ResourceName, String, ""),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzBrushResource, .props = kBrushResourceProps)

void TwzBrushResource::SetResource(rtl::TComponent* value)
{
    m_resource.Link(value);
}

void TwzBrushResource::SetResourceName(const std::string& value)
{
    m_resource.SetName(value);
}

void TwzBrushResource::FreeNotify(rtl::TComponent* object)
{
    m_resource.Forget(object);
}

TwzBrush* TwzBrushResource::GetBrush()
{
    if (rtl::TComponent* found = m_resource.Lookup())
        SetResource(found);
    return m_resource.Value();
}

void TwzBrushResource::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzBrushResource*>(&source);
    if (!other)
        return Inherited::Assign(source);
    SetResource(other->m_resource.Object());
    m_resource.SetName(other->m_resource.Name());
}
