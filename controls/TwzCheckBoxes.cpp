#include "controls/TwzCheckBoxes.h"

#include "controls/TwzFormLink.h"
#include "graphics/Geometry.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzPathShape.h"

namespace {

constexpr uint16_t kKeyEnter = 13;
constexpr uint16_t kKeySpace = 32;

constexpr const char* kCheckMark = "M 341.236,311.738 L 309.372,342.676 L 291.667,325.488 L 291.667,304.863 "
                                   "L 309.372,321.997 L 341.236,291.113 Z";

#define TWZ_TOGGLE_ROWS(Cls)                                                                                 \
    RTL_PROP(TwzToggleControl, IsPressed, Boolean, false, false),                                            \
        RTL_PROP(TwzToggleControl, IsChecked, Boolean, false),                                               \
        RTL_PROP(TwzControl, AutoTranslate, Boolean, true),                                                  \
        RTL_PROP(TwzControl, BindingSource, Component, nullptr),                                             \
        RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),                                                \
        RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),                                       \
        RTL_PROP(TwzControl, TabOrder, Integer, -1), RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault), \
        RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignNear),                                          \
        RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),                                         \
        RTL_PROP(TwzControl, Resource, String, "")

constexpr rtl::TPropInfo kCheckBoxProps[] = {
    TWZ_TOGGLE_ROWS(TwzCheckBox),
};

constexpr rtl::TEventInfo kToggleEvents[] = {
    RTL_EVENT(TwzToggleControl, OnChange),
};

constexpr rtl::TPropInfo kPathCheckBoxProps[] = {
    RTL_PROP(TwzPathCheckBox, Path, Class, rtl::kNoDefault),
};

constexpr rtl::TPropInfo kRadioButtonProps[] = {
    TWZ_TOGGLE_ROWS(TwzRadioButton),
    RTL_PROP(TwzRadioButton, GroupName, String, ""),
};

constexpr rtl::TPropInfo kGroupBoxProps[] = {
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzControl, Resource, String, ""),
};

constexpr rtl::TPropInfo kCloseButtonProps[] = {
    RTL_PROP(TwzCloseButton, CloseForm, Boolean, true),
};

bool InsideLocal(const TwzVisualObject& object, float x, float y)
{
    return PointInRect({ x, y }, { 0, 0, object.GetWidth(), object.GetHeight() });
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzCheckBox, .props = kCheckBoxProps, .events = kToggleEvents)
RTL_IMPLEMENT_CLASS(TwzPathCheckBox, .props = kPathCheckBoxProps)
RTL_IMPLEMENT_CLASS(TwzRadioButton, .props = kRadioButtonProps, .events = kToggleEvents)
RTL_IMPLEMENT_CLASS(TwzGroupBox, .props = kGroupBoxProps)
RTL_IMPLEMENT_CLASS(TwzCloseButton, .props = kCloseButtonProps)
RTL_IMPLEMENT_CLASS(TwzSizeGrip)
RTL_IMPLEMENT_CLASS(TwzHudCheckBox)
RTL_IMPLEMENT_CLASS(TwzHudRadioButton)
RTL_IMPLEMENT_CLASS(TwzHudGroupBox)
RTL_IMPLEMENT_CLASS(TwzHudCloseButton)
RTL_IMPLEMENT_CLASS(TwzHudSizeGrip)

// ---- TwzToggleControl --------------------------------------------------------------------

TwzToggleControl::TwzToggleControl(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetAutoTranslate(true);
    SetAutoCapture(true);
    SetCanFocused(true);
    SetTextAlign(wzTextAlignNear);
    SetWidth(120);
    SetHeight(19);
}

void TwzToggleControl::CommitChecked(bool value)
{
    m_isChecked = value;
    const rtl::DispatchGuard held(this);
    StartTriggerAnimation(this, "IsChecked");
    OnChange(this);
}

void TwzToggleControl::SetIsChecked(bool value)
{
    if (value == m_isChecked)
        return;
    CommitChecked(value);
}

rtl::TValue TwzToggleControl::GetData()
{
    return m_isChecked;
}

void TwzToggleControl::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    if (const bool* b = std::get_if<bool>(&value)) {
        SetIsChecked(*b);
        return;
    }
    const std::string text = ui2d::VariantToText(value);
    SetIsChecked(text == "True" || text == "true" || text == "1" || text == "-1");
}

void TwzToggleControl::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    TwzTextControl::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    m_pressing = true;
    m_isPressed = true;
    StartTriggerAnimation(this, "IsPressed");
}

void TwzToggleControl::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    TwzTextControl::MouseMove(shift, x, y, deltaX, deltaY);
    if (!shift.Has(platform::ui::ShiftFlag::Left) || !m_pressing)
        return;
    const bool inside = InsideLocal(*this, x, y);
    if (inside != m_isPressed) {
        m_isPressed = inside;
        StartTriggerAnimation(this, "IsPressed");
    }
}

void TwzToggleControl::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    TwzTextControl::MouseUp(button, shift, x, y);
    if (!m_pressing)
        return;
    m_pressing = false;
    m_isPressed = false;
    if (InsideLocal(*this, x, y))
        SetIsChecked(!m_isChecked);
}

void TwzToggleControl::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    TwzTextControl::ApplyStyle();
    StartTriggerAnimation(this, "IsChecked");
}

// ---- TwzCheckBox, TwzPathCheckBox --------------------------------------------------------

void TwzCheckBox::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    TwzToggleControl::KeyDown(key, keyChar, shift);
    if (key == kKeyEnter || key == kKeySpace)
        SetIsChecked(!GetIsChecked());
}

TwzPathCheckBox::TwzPathCheckBox(rtl::TComponent* owner)
    : TwzCheckBox(owner)
    , m_path(std::make_unique<TwzPathData>())
{
    m_path->OnChanged.Bind<&TwzPathCheckBox::PathChanged>(this);
    m_path->SetData(kCheckMark);
}

TwzPathCheckBox::~TwzPathCheckBox() = default;

void TwzPathCheckBox::SetPath(TwzPathData* value)
{
    if (value)
        m_path->Assign(*value);
}

void TwzPathCheckBox::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* mark = dynamic_cast<TwzPath*>(FindResource("checkmark")))
        mark->SetPathData(m_path.get());
}

// ---- TwzRadioButton ----------------------------------------------------------------------

void TwzRadioButton::SetIsChecked(bool value)
{
    if (value == GetIsChecked())
        return;
    const rtl::DispatchGuard held(this);
    if (value)
        StoreChecked(true);
    int members = 0;
    int checked = 0;
    if (TwzObject* parent = GetParent()) {
        // A copy: the siblings' handlers may reorder or free the parent's children.
        std::vector<rtl::Watch<TwzRadioButton>> siblings;
        for (TwzObject* child : parent->Children()) {
            auto* radio = dynamic_cast<TwzRadioButton*>(child);
            if (radio && radio != this && radio->GetGroupName() == m_groupName)
                siblings.emplace_back(radio);
        }
        for (rtl::Watch<TwzRadioButton>& sibling : siblings) {
            if (!sibling)
                continue;
            ++members;
            if (sibling->GetIsChecked())
                ++checked;
            if (value)
                sibling->SetIsChecked(false);
            // A sibling's handler that freed this button ends the group's update.
            if (IsFreed())
                return;
        }
    }
    if (!value && (members == 0 || checked == 0))
        return;
    CommitChecked(value);
}

// ---- TwzGroupBox -------------------------------------------------------------------------

TwzGroupBox::TwzGroupBox(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetAutoTranslate(true);
    SetCanFocused(false);
    SetWidth(120);
    SetHeight(100);
}

// ---- TwzCloseButton ----------------------------------------------------------------------

TwzCloseButton::TwzCloseButton(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetCanFocused(false);
    SetWidth(20);
    SetHeight(20);
}

void TwzCloseButton::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button == TMouseButton::Left)
        m_pressed = true;
}

void TwzCloseButton::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    if (!m_pressed)
        return;
    m_pressed = false;
    if (m_closeForm) {
        if (IwzFormLink* form = controls::FindHostForm(*this))
            form->CloseForm();
    }
    OnClick(this);
}

void TwzCloseButton::Click()
{
    // The release raises OnClick itself, after closing the form, inside the button or not.
}
