#include "graphics/TwzBrushResource.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Properties.h"

namespace {

constexpr rtl::TPropInfo kBrushResourceProps[] = {
    RTL_PROP(TwzBrushResource, Resource, Component, rtl::kNoDefault, false).WithTypeName("TwzBrushObject"),
    RTL_PROP(TwzBrushResource, ResourceName, String, ""),
};

std::string ResourceNameOf(rtl::TComponent& object)
{
    std::optional<std::string> name = rtl::FromValue<std::string>(rtl::GetPropValue(object, "ResourceName"));
    return name ? *name : std::string();
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzBrushResource, .props = kBrushResourceProps)

TwzBrushResource::~TwzBrushResource()
{
    if (m_resource)
        objectlinks::RemoveFreeNotify(m_resource, this);
    m_resource = nullptr;
}

void TwzBrushResource::SetResource(rtl::TComponent* value)
{
    if (value == m_resource)
        return;
    if (value && !objectlinks::ResourceBrush(value))
        return;
    objectlinks::RemoveFreeNotify(m_resource, this);
    m_resource = value;
    if (value) {
        m_resourceName = ResourceNameOf(*value);
        objectlinks::AddFreeNotify(value, this);
    }
}

void TwzBrushResource::SetResourceName(const std::string& value)
{
    m_resourceName = value;
}

void TwzBrushResource::FreeNotify(rtl::TComponent* object)
{
    if (object == m_resource)
        m_resource = nullptr;
}

TwzBrush* TwzBrushResource::GetBrush()
{
    if (!m_resource && !m_resourceName.empty()) {
        rtl::TComponent* found = objectlinks::FindResourceObject(m_resourceName);
        if (found && objectlinks::ResourceBrush(found))
            SetResource(found);
    }
    return m_resource ? objectlinks::ResourceBrush(m_resource) : nullptr;
}

void TwzBrushResource::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzBrushResource*>(&source);
    if (!other)
        return Inherited::Assign(source);
    SetResource(other->m_resource);
    m_resourceName = other->m_resourceName;
}
