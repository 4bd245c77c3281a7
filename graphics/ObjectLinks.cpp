#include "graphics/ObjectLinks.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Properties.h"

namespace objectlinks {

namespace {

Services& Installed()
{
    static Services services;
    return services;
}

} // namespace

void InstallServices(const Services& services)
{
    Installed() = services;
}

rtl::TComponent* FindResourceObject(std::string_view name)
{
    const Services& s = Installed();
    return s.findResourceObject && !name.empty() ? s.findResourceObject(name) : nullptr;
}

void AddFreeNotify(rtl::TComponent* object, rtl::TPersistent* item)
{
    const Services& s = Installed();
    if (s.addFreeNotify && object && item)
        s.addFreeNotify(object, item);
}

void RemoveFreeNotify(rtl::TComponent* object, rtl::TPersistent* item)
{
    const Services& s = Installed();
    if (s.removeFreeNotify && object && item)
        s.removeFreeNotify(object, item);
}

std::string ResourceNameOf(rtl::TComponent& object)
{
    std::optional<std::string> name = rtl::FromValue<std::string>(rtl::GetPropValue(object, "ResourceName"));
    return name ? *name : std::string();
}

TwzBitmap* ResourceBitmap(rtl::TComponent* object)
{
    const Services& s = Installed();
    return s.resourceBitmap && object ? s.resourceBitmap(object) : nullptr;
}

TwzPathData* ResourcePath(rtl::TComponent* object)
{
    const Services& s = Installed();
    return s.resourcePath && object ? s.resourcePath(object) : nullptr;
}

TwzBrush* ResourceBrush(rtl::TComponent* object)
{
    const Services& s = Installed();
    return s.resourceBrush && object ? s.resourceBrush(object) : nullptr;
}

} // namespace objectlinks
