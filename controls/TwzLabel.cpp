#include "controls/TwzLabel.h"

#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzText.h"

namespace {

constexpr rtl::TPropInfo kLabelProps[] = {
    RTL_PROP(TwzLabel, AutoSize, Boolean, false),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzVisualObject, HitTest, Boolean, false),
    RTL_PROP(TwzLabel, WordWrap, Boolean, true),
};

constexpr rtl::TPropInfo kValueLabelProps[] = {
    RTL_PROP(TwzControl, AutoTranslate, Boolean, false),
    RTL_PROP(TwzLabel, WordWrap, Boolean, false),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzLabel, .props = kLabelProps)
RTL_IMPLEMENT_CLASS(TwzValueLabel, .props = kValueLabelProps)
RTL_IMPLEMENT_CLASS(TwzHudLabel)

TwzLabel::TwzLabel(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetAutoTranslate(true);
    SetWidth(120);
    SetHeight(15);
    SetHitTest(false);
}

void TwzLabel::SetWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    if (TwzText* part = TextPart())
        part->SetWordWrap(value);
}

void TwzLabel::SetAutoSize(bool value)
{
    if (value == m_autoSize)
        return;
    m_autoSize = value;
    if (value)
        ApplyStyle();
}

void TwzLabel::SetText(const std::u16string& value)
{
    const bool changed = value != GetText();
    Inherited::SetText(value);
    if (changed && m_autoSize)
        ApplyStyle();
}

void TwzLabel::ApplyStyle()
{
    Inherited::ApplyStyle();
    TwzText* part = TextPart();
    if (!part)
        return;
    part->SetWordWrap(m_wordWrap);
    if (!m_autoSize)
        return;
    const TwzAlign align = part->GetAlign();
    part->SetAlign(vaNone);
    part->SetAutoSize(true);
    SetWidth(part->GetWidth());
    SetHeight(part->GetHeight());
    part->SetAutoSize(false);
    part->SetAlign(align);
}

TwzValueLabel::TwzValueLabel(rtl::TComponent* owner)
    : TwzLabel(owner)
{
    SetAutoTranslate(false);
    SetWordWrap(false);
}
