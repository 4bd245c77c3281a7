#include "ui2d/TwzBitmapObject.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBitmapObjectProps[] = {
    RTL_PROP(TwzBitmapObject, Bitmap, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzBitmapObject, .props = kBitmapObjectProps)

TwzBitmapObject::TwzBitmapObject(rtl::TComponent* owner)
    : TwzObject(owner)
    , m_bitmap(std::make_unique<TwzBitmap>(1, 1))
{ }

void TwzBitmapObject::SetBitmap(const TwzBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void TwzBitmapObject::SetName(const std::string& value)
{
    Inherited::SetName(value);
    if (GetResourceName().empty())
        SetResourceName(GetName());
}
