#include "graphics/TwzGradientPoints.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kGradientPointProps[] = {
    RTL_PROP(TwzGradientPoint, Color, String, rtl::kNoDefault).WithTypeName("TwzColor"),
    RTL_PROP(TwzGradientPoint, Offset, Float, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzGradientPoint, .props = kGradientPointProps)
RTL_IMPLEMENT_CLASS(TwzGradientPoints)

TwzGradientPoint::TwzGradientPoint(rtl::TCollection* collection)
    : rtl::TCollectionItem(collection)
{ }

std::string TwzGradientPoint::GetColor() const
{
    return ColorToText(m_color);
}

void TwzGradientPoint::SetColor(const std::string& value)
{
    m_color = TextToColor(value);
}

void TwzGradientPoint::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TwzGradientPoint*>(&source)) {
        m_color = other->m_color;
        m_offset = other->m_offset;
        return;
    }
    Inherited::Assign(source);
}

TwzGradientPoints::TwzGradientPoints(rtl::TPersistent* owner)
    : rtl::TCollection(TwzGradientPoint::StaticClass(), owner)
{ }

TwzGradientPoint* TwzGradientPoints::GetPoint(int index) const
{
    return static_cast<TwzGradientPoint*>(GetItem(index));
}

TwzGradientPoint* TwzGradientPoints::Add()
{
    return static_cast<TwzGradientPoint*>(rtl::TCollection::Add());
}

TwzGradientPoint* TwzGradientPoints::Add(TwzColor color, float offset)
{
    TwzGradientPoint* point = Add();
    point->SetColorValue(color);
    point->SetOffset(offset);
    return point;
}
