#include "scene3d/ThvBitmapObject.h"

#include "scene3d/ThvBitmap.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBitmapObjectProps[] = {
    RTL_PROP(ThvBitmapObject, Bitmap, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvBitmapObject, .props = kBitmapObjectProps)

ThvBitmapObject::ThvBitmapObject(rtl::TComponent* owner)
    : ThvObject(owner)
    , m_bitmap(std::make_unique<ThvBitmap>())
{
    scene3d::RegisterResource(this, {});
}

ThvBitmapObject::~ThvBitmapObject() = default;

void ThvBitmapObject::BeforeDestruction()
{
    scene3d::UnregisterResource(this);
    Inherited::BeforeDestruction();
}

void ThvBitmapObject::SetBitmap(ThvBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void ThvBitmapObject::SetName(const std::string& value)
{
    const bool changed = value != GetName();
    Inherited::SetName(value);
    if (changed)
        scene3d::RenameResource(this, value);
}

void ThvBitmapObject::SetResourceName(const std::string& value)
{
    const bool changed = value != GetResourceName();
    Inherited::SetResourceName(value);
    if (changed && !value.empty())
        scene3d::RenameResource(this, value);
}
