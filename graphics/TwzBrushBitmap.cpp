#include "graphics/TwzBrushBitmap.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kBrushBitmapProps[] = {
    RTL_PROP(TwzBrushBitmap, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(TwzBrushBitmap, WrapMode, Enum, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzBrushBitmap, .props = kBrushBitmapProps)

TwzBrushBitmap::TwzBrushBitmap()
    : m_bitmap(std::make_unique<TwzBitmap>(0, 0))
{ }

TwzBrushBitmap::~TwzBrushBitmap() = default;

void TwzBrushBitmap::SetBitmap(TwzBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void TwzBrushBitmap::SetWrapMode(TwzWrapMode value)
{
    if (value == m_wrapMode)
        return;
    m_wrapMode = value;
    OnChanged(this);
}

void TwzBrushBitmap::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzBrushBitmap*>(&source);
    if (!other)
        return Inherited::Assign(source);
    m_wrapMode = other->m_wrapMode;
    m_bitmap->Assign(*other->m_bitmap);
    OnChanged(this);
}
