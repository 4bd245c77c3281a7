#include "graphics/TwzFont.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kFontProps[] = {
    RTL_PROP(TwzFont, Size, Float, TwzFont::kDefaultSize),
    RTL_PROP(TwzFont, Family, String, TwzFont::kDefaultFamily),
    RTL_PROP(TwzFont, Style, Enum, wzFontRegular),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzFont, .props = kFontProps)

TwzFont::~TwzFont() = default;

void TwzFont::SetSize(float value)
{
    if (value == m_size)
        return;
    m_size = value;
    OnChanged(this);
}

void TwzFont::SetFamily(const std::string& value)
{
    if (value == m_family)
        return;
    m_family = value;
    OnChanged(this);
}

void TwzFont::SetStyle(TwzFontStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    OnChanged(this);
}

void TwzFont::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzFont*>(&source);
    if (!other)
        return Inherited::Assign(source);
    m_family = other->m_family;
    m_size = other->m_size;
    m_style = other->m_style;
    OnChanged(this);
}
