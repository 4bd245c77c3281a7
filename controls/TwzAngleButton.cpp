#include "controls/TwzAngleButton.h"

#include "graphics/Geometry.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzText.h"

#include <cmath>
#include <optional>
#include <string>

namespace {

constexpr rtl::TPropInfo kAngleButtonProps[] = {
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzControl, Resource, String, rtl::kNoDefault),
    RTL_PROP(TwzAngleButton, Frequency, Float, rtl::kNoDefault),
    RTL_PROP(TwzAngleButton, Tracking, Boolean, true),
    RTL_PROP(TwzAngleButton, ShowValue, Boolean, false),
    RTL_PROP(TwzAngleButton, Value, Float, rtl::kNoDefault),
};

constexpr rtl::TEventInfo kAngleButtonEvents[] = {
    RTL_EVENT(TwzAngleButton, OnChange),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzAngleButton, .props = kAngleButtonProps, .events = kAngleButtonEvents)
RTL_IMPLEMENT_CLASS(TwzHudAngleButton)

TwzAngleButton::TwzAngleButton(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetWidth(30);
    SetHeight(30);
    SetAutoCapture(true);
}

void TwzAngleButton::SetValue(float value)
{
    if (m_frequency != 0)
        value = static_cast<float>(std::nearbyint(double(value) / m_frequency) * m_frequency);
    if (value == m_value)
        return;
    m_value = value;
    TwzObject* found = FindResource("tick");
    if (TwzVisualObject* tick = found ? found->AsVisual() : nullptr)
        tick->SetRotateAngle(-m_value);
    else
        InvalidateObject();
    UpdateTexts();
    if (OnChange && (!m_pressing || m_tracking))
        OnChange(this);
}

void TwzAngleButton::SetShowValue(bool value)
{
    if (value == m_showValue)
        return;
    m_showValue = value;
    UpdateTexts();
    InvalidateObject();
}

std::u16string TwzAngleButton::ValueText() const
{
    const double rounded = std::nearbyint(double(m_value));
    // A value beyond any whole number an int holds is shown as it comes.
    const std::string digits
        = std::abs(rounded) < 2e9 ? std::to_string(static_cast<int64_t>(rounded)) : std::to_string(rounded);
    return rtl::Utf8ToUtf16(digits) + u"\u00B0";
}

void TwzAngleButton::UpdateTexts()
{
    const std::u16string text = ValueText();
    // The drag's value shows only while a drag that does not track is in progress.
    const bool dragShown = m_pressing && !m_tracking;
    if (auto* track = dynamic_cast<TwzText*>(FindResource("tracktext"))) {
        track->SetVisible(dragShown);
        track->SetText(text);
        track->SetOpacity(dragShown ? 1 : 0);
    }
    if (auto* shown = dynamic_cast<TwzText*>(FindResource("text"))) {
        shown->SetVisible(m_showValue);
        shown->SetText(text);
        shown->SetOpacity(m_showValue ? 1 : 0);
    }
}

rtl::TValue TwzAngleButton::GetData()
{
    return double(m_value);
}

void TwzAngleButton::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    if (std::optional<double> number = rtl::FromValue<double>(value))
        SetValue(static_cast<float>(*number));
}

void TwzAngleButton::ApplyStyle()
{
    Inherited::ApplyStyle();
    TwzObject* found = FindResource("tick");
    if (TwzVisualObject* tick = found ? found->AsVisual() : nullptr)
        tick->SetRotateAngle(-m_value);
    UpdateTexts();
}

void TwzAngleButton::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    m_pressing = true;
    m_pressPoint = { x, y };
    m_pressValue = m_value;
    UpdateTexts();
}

void TwzAngleButton::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!m_pressing || !shift.Has(platform::ui::ShiftFlag::Left))
        return;
    // VectorAngle clamps the cosine it takes the arc cosine of, so rounding never leaves
    // its domain; a point level with the centre counts as below it (the left gives -180).
    const TwzVector from { 1, 0, 1 };
    const TwzVector to { x - GetWidth() / 2, y - GetHeight() / 2, 1 };
    SetValue(VectorAngle(from, to));
    m_pressPoint = { x, y };
    UpdateTexts();
}

void TwzAngleButton::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    if (!m_pressing)
        return;
    m_pressing = false;
    UpdateTexts();
    if (m_value != m_pressValue && OnChange)
        OnChange(this);
}
