#include "controls/TwzExpander.h"

#include "controls/TwzCheckBoxes.h"
#include "graphics/NumberText.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"
#include "ui2d/TwzContent.h"

#include <cmath>

namespace {

constexpr float kHeaderHeight = 25;

constexpr rtl::TPropInfo kExpanderButtonProps[] = {
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, false),
};

constexpr rtl::TPropInfo kExpanderProps[] = {
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzControl, Resource, String, ""),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzExpander, IsExpanded, Boolean, true),
    RTL_PROP(TwzExpander, IsChecked, Boolean, true),
    RTL_PROP(TwzExpander, ShowCheck, Boolean, rtl::kNoDefault),
};

constexpr rtl::TEventInfo kExpanderEvents[] = {
    RTL_EVENT(TwzExpander, OnCheckChange),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzExpanderButton, .props = kExpanderButtonProps)
RTL_IMPLEMENT_CLASS(TwzExpander, .props = kExpanderProps, .events = kExpanderEvents)

TwzExpanderButton::TwzExpanderButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
{
    SetCanFocused(false);
}

// ---- TwzExpander ---------------------------------------------------------------------------

TwzExpander::TwzExpander(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetWidth(130);
    SetHeight(130);
    SetAutoTranslate(true);
    auto* content = new TwzContent(this);
    content->SetClipChildren(false);
    content->SetHitTest(false);
    content->SetLocked(true);
    content->SetStored(false);
    content->GetPadding()->SetTop(kHeaderHeight);
    content->SetBounds(0, kHeaderHeight, GetWidth(), GetHeight() - kHeaderHeight);
    content->SetParent(this);
    m_content = content;
}

TwzExpander::~TwzExpander() = default;

void TwzExpander::AddObject(TwzObject* child)
{
    TwzContent* content = m_content.Get();
    if (content && child != content && child != GetAppliedStyle())
        content->AddObject(child);
    else
        Inherited::AddObject(child);
}

void TwzExpander::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    if (auto* check = dynamic_cast<TwzCheckBox*>(FindResource("checkbox"))) {
        m_checkPart = check;
        check->SetVisible(m_showCheck);
        check->SetIsChecked(m_isChecked);
        check->OnChange.Bind<&TwzExpander::CheckChanged>(this);
    }
    if (auto* button = dynamic_cast<TwzCustomButton*>(FindResource("button"))) {
        m_buttonPart = button;
        button->OnClick.Bind<&TwzExpander::ButtonClick>(this);
        button->LoadStyle();
        if (!m_buttonPart)
            return;
        button->StartTriggerAnimation(this, "IsExpanded");
        if (!m_buttonPart)
            return;
        button->SetCanFocused(false);
    }
    StartTriggerAnimation(this, "IsExpanded");
}

void TwzExpander::FreeStyle()
{
    m_buttonPart = nullptr;
    m_checkPart = nullptr;
    Inherited::FreeStyle();
}

void TwzExpander::CheckChanged(rtl::TObject*)
{
    if (TwzCheckBox* check = m_checkPart.Get())
        m_isChecked = check->GetIsChecked();
    if (TwzContent* content = m_content.Get())
        content->SetEnabled(m_isChecked);
    OnCheckChange(this);
}

void TwzExpander::SetIsChecked(bool value)
{
    if (value == m_isChecked)
        return;
    m_isChecked = value;
    if (TwzContent* content = m_content.Get())
        content->SetEnabled(value);
    if (TwzCheckBox* check = m_checkPart.Get())
        check->SetIsChecked(value);
}

void TwzExpander::SetShowCheck(bool value)
{
    if (value == m_showCheck)
        return;
    m_showCheck = value;
    if (TwzCheckBox* check = m_checkPart.Get())
        check->SetVisible(value);
}

void TwzExpander::RealignChildren()
{
    Inherited::RealignChildren();
    if (IsLoading() || m_realigning)
        return;
    TwzContent* content = m_content.Get();
    if (!content || !m_isExpanded)
        return;
    m_realigning = true;
    const float top = content->GetPadding()->GetTop();
    content->SetBounds(0, top, GetWidth(), GetHeight() - top);
    m_realigning = false;
}

void TwzExpander::SendExpanded()
{
    const rtl::DispatchGuard held(this);
    StartTriggerAnimation(this, "IsExpanded");
    if (TwzCustomButton* button = m_buttonPart.Get())
        button->StartTriggerAnimation(this, "IsExpanded");
}

void TwzExpander::SetIsExpanded(bool value)
{
    if (value == m_isExpanded)
        return;
    const rtl::DispatchGuard held(this);
    if (!GetAppliedStyle())
        LoadStyle();
    m_isExpanded = value;
    TwzContent* content = m_content.Get();
    TwzCustomButton* button = m_buttonPart.Get();
    if (value) {
        if (content)
            content->SetVisible(true);
        if (button && content)
            SetHeight(content->GetHeight() + button->GetHeight());
        InvalidateObject();
    } else {
        InvalidateObject();
        if (content)
            content->SetVisible(false);
        if (button)
            SetHeight(button->GetHeight());
    }
    SendExpanded();
}

void TwzExpander::DesignDblClick()
{
    const rtl::DispatchGuard held(this);
    Inherited::DesignDblClick();
    SetIsExpanded(!m_isExpanded);
}

void TwzExpander::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "ContentSize",
        [this](rtl::TReader& reader) {
            const float height = TextToFloat(reader.ReadString());
            if (TwzContent* content = m_content.Get(); content && std::isfinite(height))
                content->SetHeight(height);
        },
        [this](rtl::TWriter& writer) {
            const TwzContent* content = m_content.Get();
            writer.WriteString(FloatToText(content ? content->GetHeight() : 0));
        },
        true);
}
