// Scroll bars: a track and four step buttons from the style, driven by the bar's value.

#include "controls/TwzScrollBars.h"

#include "controls/TwzButtons.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"

namespace {

constexpr rtl::TPropInfo kScrollBarProps[] = {
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),
    RTL_PROP(TwzControl, Resource, String, rtl::kNoDefault),
    RTL_PROP(TwzScrollBar, Min, Float, rtl::kNoDefault),
    RTL_PROP(TwzScrollBar, Max, Float, rtl::kNoDefault),
    RTL_PROP(TwzScrollBar, Orientation, Enum, rtl::kNoDefault),
    RTL_PROP(TwzScrollBar, Value, Float, rtl::kNoDefault),
    RTL_PROP(TwzScrollBar, ViewportSize, Float, rtl::kNoDefault),
    RTL_PROP(TwzScrollBar, SmallChange, Float, rtl::kNoDefault),
};

constexpr rtl::TEventInfo kScrollBarEvents[] = {
    RTL_EVENT(TwzScrollBar, OnChange),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzScrollBar, .props = kScrollBarProps, .events = kScrollBarEvents)
RTL_IMPLEMENT_CLASS(TwzSmallScrollBar)
RTL_IMPLEMENT_CLASS(TwzHudScrollBar)

TwzScrollBar::TwzScrollBar(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetWidth(150);
    SetHeight(18);
}

void TwzScrollBar::SetValue(float value)
{
    if (value == m_value)
        return;
    m_value = value;
    if (m_value > m_max - m_viewportSize)
        m_value = m_max - m_viewportSize;
    if (m_value < m_min)
        m_value = m_min;
    const rtl::DispatchGuard held(this);
    if (!BoundControls().empty())
        UpdateBinding();
    OnChange(this);
    RealignChildren();
}

void TwzScrollBar::SetMin(float value)
{
    if (value == m_min)
        return;
    m_min = value;
    const rtl::DispatchGuard held(this);
    if (m_value < m_min)
        SetValue(m_min);
    RealignChildren();
}

void TwzScrollBar::SetMax(float value)
{
    if (value == m_max)
        return;
    m_max = value;
    if (m_max < m_min)
        m_max = m_min + 0.001f;
    const rtl::DispatchGuard held(this);
    if (m_value > m_max - m_viewportSize)
        SetValue(m_max - m_viewportSize);
    if (m_viewportSize > m_max - m_min)
        m_viewportSize = m_max - m_min;
    RealignChildren();
}

void TwzScrollBar::SetViewportSize(float value)
{
    if (value == m_viewportSize)
        return;
    m_viewportSize = value;
    if (m_viewportSize > m_max - m_min)
        m_viewportSize = m_max - m_min;
    const rtl::DispatchGuard held(this);
    if (m_value > m_max - m_viewportSize)
        SetValue(m_max - m_viewportSize);
    RealignChildren();
}

void TwzScrollBar::SetOrientation(TwzOrientation value)
{
    if (value == m_orientation)
        return;
    m_orientation = value;
    IwzScene* scene = GetScene();
    if (scene && scene->GetDesignTime() && !IsLoading())
        SetBounds(GetPosition()->GetX(), GetPosition()->GetY(), GetHeight(), GetWidth());
    RealignChildren();
}

TwzCustomTrack* TwzScrollBar::Track()
{
    return dynamic_cast<TwzCustomTrack*>(FindResource(m_orientation == wzHorizontal ? "htrack" : "vtrack"));
}

rtl::TValue TwzScrollBar::GetData()
{
    return double(m_value);
}

void TwzScrollBar::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    if (std::optional<double> number = rtl::FromValue<double>(value))
        SetValue(static_cast<float>(*number));
}

void TwzScrollBar::TrackChanged(rtl::TObject* sender)
{
    if (auto* track = dynamic_cast<TwzCustomTrack*>(sender))
        SetValue(track->GetValue());
}

void TwzScrollBar::Decrement(rtl::TObject*)
{
    SetValue(m_value - m_smallChange);
}

void TwzScrollBar::Increment(rtl::TObject*)
{
    SetValue(m_value + m_smallChange);
}

void TwzScrollBar::BindTrack(const char* part, TwzOrientation orientation)
{
    auto* track = dynamic_cast<TwzCustomTrack*>(FindResource(part));
    if (!track)
        return;
    const rtl::DispatchGuard held(this);
    // The track inside a new copy has not looked its own style (and thumb) up yet.
    track->LoadStyle();
    track->SetOrientation(orientation);
    track->StoreMax(m_max);
    track->StoreMin(m_min);
    track->StoreValue(m_value);
    track->SetViewportSize(m_viewportSize);
    const bool visible = m_orientation == orientation;
    track->SetVisible(visible);
    track->OnChange.Bind<&TwzScrollBar::TrackChanged>(this);
    track->SetCanFocused(false);
    if (visible)
        track->RealignChildren();
}

void TwzScrollBar::BindButton(const char* part, bool visible, bool increment)
{
    auto* button = dynamic_cast<TwzCustomButton*>(FindResource(part));
    if (!button)
        return;
    button->SetVisible(visible);
    if (increment)
        button->OnClick.Bind<&TwzScrollBar::Increment>(this);
    else
        button->OnClick.Bind<&TwzScrollBar::Decrement>(this);
    button->SetCanFocused(false);
}

void TwzScrollBar::RealignChildren()
{
    if (m_realigning)
        return;
    m_realigning = true;
    const rtl::DispatchGuard held(this);
    BindTrack("htrack", wzHorizontal);
    BindTrack("vtrack", wzVertical);
    const bool horizontal = m_orientation == wzHorizontal;
    BindButton("leftbutton", horizontal, false);
    BindButton("topbutton", !horizontal, false);
    BindButton("rightbutton", horizontal, true);
    BindButton("bottombutton", !horizontal, true);
    m_realigning = false;
    Inherited::RealignChildren();
}

TwzSmallScrollBar::TwzSmallScrollBar(rtl::TComponent* owner)
    : TwzScrollBar(owner)
{
    SetHeight(8);
}
