#include "ui2d/TwzBrushObject.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBrushObjectProps[] = {
    RTL_PROP(TwzBrushObject, Brush, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzBrushObject, .props = kBrushObjectProps)

TwzBrushObject::TwzBrushObject(rtl::TComponent* owner)
    : TwzObject(owner)
    , m_brush(std::make_unique<TwzBrush>(wzBrushSolid, 0xFFFFFFFF))
{ }

void TwzBrushObject::SetBrush(const TwzBrush* value)
{
    if (value)
        m_brush->Assign(*value);
}

void TwzBrushObject::SetName(const std::string& value)
{
    Inherited::SetName(value);
    if (GetResourceName().empty())
        SetResourceName(GetName());
}
