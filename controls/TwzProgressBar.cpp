#include "controls/TwzProgressBar.h"

#include "graphics/TwzBounds.h"
#include "platform/rtl/ClassInfo.h"

#include <optional>

namespace {

constexpr rtl::TPropInfo kProgressBarProps[] = {
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzProgressBar, Min, Float, rtl::kNoDefault),
    RTL_PROP(TwzProgressBar, Max, Float, rtl::kNoDefault),
    RTL_PROP(TwzProgressBar, Orientation, Enum, rtl::kNoDefault),
    RTL_PROP(TwzProgressBar, Value, Float, rtl::kNoDefault),
    RTL_PROP(TwzControl, Resource, String, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzProgressBar, .props = kProgressBarProps)

TwzProgressBar::TwzProgressBar(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetCanFocused(false);
    SetWidth(100);
    SetHeight(20);
}

TwzVisualObject* TwzProgressBar::VisualPart(const char* name)
{
    TwzObject* found = FindResource(name);
    return found ? found->AsVisual() : nullptr;
}

void TwzProgressBar::SetValue(float value)
{
    if (value == m_value)
        return;
    m_value = value;
    RealignChildren();
}

rtl::TValue TwzProgressBar::GetData()
{
    return double(m_value);
}

void TwzProgressBar::SetData(const rtl::TValue& value)
{
    if (std::optional<double> number = rtl::FromValue<double>(value))
        SetValue(static_cast<float>(*number));
}

void TwzProgressBar::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    if (TwzVisualObject* indicator = VisualPart(m_orientation == wzHorizontal ? "hindicator" : "vindicator"))
        indicator->StartTriggerAnimation(this, "IsVisible");
    RealignChildren();
}

void TwzProgressBar::RealignChildren()
{
    if (m_realigning) {
        Inherited::RealignChildren();
        return;
    }
    m_realigning = true;
    const bool horizontal = m_orientation == wzHorizontal;
    TwzVisualObject* channel = nullptr;
    if (TwzVisualObject* other = VisualPart(horizontal ? "vtrack" : "htrack"))
        other->SetVisible(false);
    // The channel of the current orientation shows again after an orientation change hid it.
    channel = VisualPart(horizontal ? "htrack" : "vtrack");
    if (channel && !channel->GetVisible()) {
        channel->SetVisible(true);
        Inherited::RealignChildren();
    }
    if (!channel)
        channel = VisualPart("track");
    if (channel && m_max > m_min) {
        const TwzRect margins = channel->GetMargins()->GetRect();
        const float share = (m_value - m_min) / (m_max - m_min);
        TwzVisualObject* shown = VisualPart(horizontal ? "hindicator" : "vindicator");
        if (TwzVisualObject* hidden = VisualPart(horizontal ? "vindicator" : "hindicator"))
            hidden->SetVisible(false);
        if (shown) {
            const TwzRect padding = shown->GetPadding()->GetRect();
            if (horizontal) {
                const float width
                    = (channel->GetWidth() - margins.Left - margins.Right - padding.Left - padding.Right)
                    * share;
                shown->SetWidth(width);
                shown->SetVisible(width > 2);
            } else {
                const float height
                    = (channel->GetHeight() - margins.Top - margins.Bottom - padding.Top - padding.Bottom)
                    * share;
                shown->SetHeight(height);
                shown->SetVisible(height > 2);
            }
        }
    }
    m_realigning = false;
    Inherited::RealignChildren();
}
