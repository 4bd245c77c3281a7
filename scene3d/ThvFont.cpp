#include "scene3d/ThvFont.h"

#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kFontProps[] = {
    RTL_PROP(ThvFont, Family, String, ThvFont::kDefaultFamily),
    RTL_PROP(ThvFont, Size, Float, 12.0),
    RTL_PROP(ThvFont, Style, Enum, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvFont, .props = kFontProps)

void ThvFont::SetFamily(const std::string& value)
{
    if (value == m_family)
        return;
    m_family = value;
    OnChanged(this);
}

void ThvFont::SetSize(float value)
{
    if (value == m_size)
        return;
    m_size = value;
    OnChanged(this);
}

void ThvFont::SetStyle(ThvFontStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    OnChanged(this);
}

void ThvFont::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const ThvFont*>(&source)) {
        m_family = other->m_family;
        m_size = other->m_size;
        m_style = other->m_style;
        OnChanged(this);
        return;
    }
    if (const auto* font = dynamic_cast<const TwzFont*>(&source)) {
        m_family = font->GetFamily();
        m_size = font->GetSize();
        // The four styles both fonts know share their ordinals.
        if (font->GetStyle() <= wzFontBoldItalic)
            m_style = static_cast<ThvFontStyle>(font->GetStyle());
        OnChanged(this);
        return;
    }
    Inherited::Assign(source);
}

void ThvFont::AssignTo(rtl::TPersistent& dest) const
{
    if (auto* font = dynamic_cast<TwzFont*>(&dest)) {
        font->SetFamily(m_family);
        font->SetSize(m_size);
        font->SetStyle(static_cast<TwzFontStyle>(m_style));
        return;
    }
    Inherited::AssignTo(dest);
}
