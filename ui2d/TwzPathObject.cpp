#include "ui2d/TwzPathObject.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kPathObjectProps[] = {
    RTL_PROP(TwzPathObject, Path, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPathObject, .props = kPathObjectProps)

TwzPathObject::TwzPathObject(rtl::TComponent* owner)
    : TwzObject(owner)
    , m_path(std::make_unique<TwzPathData>())
{ }

void TwzPathObject::SetPath(const TwzPathData* value)
{
    if (value)
        m_path->Assign(*value);
}

void TwzPathObject::SetName(const std::string& value)
{
    Inherited::SetName(value);
    if (GetResourceName().empty())
        SetResourceName(GetName());
}
