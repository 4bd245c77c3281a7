// Tracks: the thumb, the track base, the track and the track bar.

#include "controls/TwzTracks.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

#include <cmath>

namespace {

constexpr uint16_t kKeyEnd = 35;
constexpr uint16_t kKeyHome = 36;
constexpr uint16_t kKeyLeft = 37;
constexpr uint16_t kKeyUp = 38;
constexpr uint16_t kKeyRight = 39;
constexpr uint16_t kKeyDown = 40;

#define TWZ_TRACK_ROWS                                                                                       \
    RTL_PROP(TwzControl, BindingSource, Component, nullptr),                                                 \
        RTL_PROP(TwzControl, Resource, String, rtl::kNoDefault),                                             \
        RTL_PROP(TwzCustomTrack, Min, Float, rtl::kNoDefault),                                               \
        RTL_PROP(TwzCustomTrack, Max, Float, rtl::kNoDefault),                                               \
        RTL_PROP(TwzCustomTrack, Frequency, Float, rtl::kNoDefault),                                         \
        RTL_PROP(TwzCustomTrack, Orientation, Enum, rtl::kNoDefault),                                        \
        RTL_PROP(TwzCustomTrack, Value, Float, rtl::kNoDefault)

constexpr rtl::TPropInfo kTrackProps[] = {
    TWZ_TRACK_ROWS,
    RTL_PROP(TwzCustomTrack, ViewportSize, Float, rtl::kNoDefault),
    RTL_PROP(TwzCustomTrack, Tracking, Boolean, rtl::kNoDefault),
};

constexpr rtl::TEventInfo kTrackEvents[] = {
    RTL_EVENT(TwzCustomTrack, OnChange),
};

constexpr rtl::TPropInfo kTrackBarProps[] = {
    TWZ_TRACK_ROWS,
    RTL_PROP(TwzCustomTrack, Tracking, Boolean, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, true),
    RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),
    RTL_PROP(TwzControl, TabOrder, Integer, -1),
};

constexpr rtl::TPropInfo kThumbProps[] = {
    RTL_PROP(TwzControl, Resource, String, ""),
};

/// Nearest whole multiple of `frequency`, halves to the even multiple.
float Quantise(float value, float frequency)
{
    return static_cast<float>(std::nearbyint(double(value) / frequency) * frequency);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzThumb, .props = kThumbProps)
RTL_IMPLEMENT_CLASS(TwzCustomTrack)
RTL_IMPLEMENT_CLASS(TwzTrack, .props = kTrackProps, .events = kTrackEvents)
RTL_IMPLEMENT_CLASS(TwzTrackBar, .props = kTrackBarProps, .events = kTrackEvents)
RTL_IMPLEMENT_CLASS(TwzHudTrack)
RTL_IMPLEMENT_CLASS(TwzHudTrackBar)

// ---- TwzThumb ----------------------------------------------------------------------------

TwzThumb::TwzThumb(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetCanFocused(false);
    SetAutoCapture(true);
}

void TwzThumb::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left || !GetEnabled())
        return;
    m_pressed = true;
    m_pressPoint = { x, y };
    if (TwzCustomTrack* track = m_track.Get())
        track->FocusObject();
}

void TwzThumb::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    TwzCustomTrack* track = m_track.Get();
    if (!m_pressed || !track || !GetEnabled() || !GetParent() || !GetParent()->AsVisual())
        return;
    const float range = track->GetMax() - track->GetMin();
    if (track->GetOrientation() == wzHorizontal) {
        const float px = track->AbsoluteToLocal(LocalToAbsolute({ x, 0 })).X;
        const float width = track->GetWidth();
        if (width <= 0)
            return;
        if (track->GetViewportSize() == 0)
            track->SetValue(px / width * range + track->GetMin());
        else
            track->SetValue((px - m_pressPoint.X) / width * range + track->GetMin());
    } else {
        const float py = track->AbsoluteToLocal(LocalToAbsolute({ 0, y })).Y;
        const float height = track->GetHeight();
        if (height <= 0)
            return;
        if (track->GetViewportSize() == 0)
            track->SetValue(py / height * range + track->GetMin());
        else
            track->SetValue((py - m_pressPoint.Y) / height * range + track->GetMin());
    }
}

void TwzThumb::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    if (!m_pressed)
        return;
    // The report runs while the thumb still counts as pressed, as the changes of a drag do.
    TwzCustomTrack* track = m_track.Get();
    if (track && !track->GetTracking() && track->OnChange)
        track->ReportDragEnd();
    m_pressed = false;
}

// ---- TwzCustomTrack ----------------------------------------------------------------------

TwzCustomTrack::TwzCustomTrack(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetWidth(100);
    SetHeight(15);
}

TwzThumb* TwzCustomTrack::Thumb()
{
    auto* thumb = dynamic_cast<TwzThumb*>(FindResource("thumb"));
    if (thumb)
        thumb->SetTrack(this);
    return thumb;
}

bool TwzCustomTrack::IsDragging()
{
    TwzThumb* thumb = Thumb();
    return thumb && thumb->GetIsPressed();
}

void TwzCustomTrack::RaiseChange()
{
    if (!OnChange)
        return;
    ++m_changeReports;
    OnChange(this);
}

void TwzCustomTrack::SetValue(float value)
{
    if (m_frequency != 0)
        value = Quantise(value, m_frequency);
    if (value == m_value)
        return;
    m_value = value;
    if (m_value > m_max - m_viewportSize)
        m_value = m_max - m_viewportSize;
    if (m_value < m_min)
        m_value = m_min;
    const rtl::DispatchGuard held(this);
    const bool dragging = IsDragging();
    if (dragging)
        OnTracking(this);
    if (m_tracking && !BoundControls().empty())
        UpdateBinding();
    if (!dragging || m_tracking)
        RaiseChange();
    RealignChildren();
}

void TwzCustomTrack::ReportDragEnd()
{
    const rtl::DispatchGuard held(this);
    OnTracking(this);
    if (!BoundControls().empty())
        UpdateBinding();
    RaiseChange();
}

void TwzCustomTrack::SetMin(float value)
{
    if (value == m_min)
        return;
    m_min = value;
    RealignChildren();
}

void TwzCustomTrack::SetMax(float value)
{
    if (value == m_max)
        return;
    m_max = value;
    if (m_max < m_min)
        m_max = m_min + 0.001f;
    if (m_viewportSize > m_max - m_min)
        m_viewportSize = m_max - m_min;
    if (m_value > m_max - m_viewportSize)
        m_value = m_max - m_viewportSize;
    RealignChildren();
}

void TwzCustomTrack::SetViewportSize(float value)
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

void TwzCustomTrack::SetOrientation(TwzOrientation value)
{
    if (value == m_orientation)
        return;
    m_orientation = value;
    RealignChildren();
}

void TwzCustomTrack::SetFrequency(float value)
{
    if (value == m_frequency)
        return;
    m_frequency = value;
    if (m_frequency != 0)
        SetValue(Quantise(m_value, m_frequency));
}

rtl::TValue TwzCustomTrack::GetData()
{
    return double(m_value);
}

void TwzCustomTrack::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value)) {
        OnChange = VariantToMethod<rtl::TNotifyEvent>(value);
        return;
    }
    if (std::optional<double> number = rtl::FromValue<double>(value))
        SetValue(static_cast<float>(*number));
}

TwzRect TwzCustomTrack::GetThumbRect()
{
    const float width = GetWidth();
    const float height = GetHeight();
    TwzRect r { 0, 0, width, height };
    const float range = m_max - m_min;
    if (range > 0) {
        if (m_orientation == wzHorizontal) {
            r = { 0, 0, m_viewportSize / range * width, height };
            RectOffset(r, std::nearbyint((m_value - m_min) / range * width), 0);
            if (height > RectWidth(r)) {
                const float half = std::trunc(height / 2);
                r = { r.Left - half, r.Top, r.Left + half, r.Bottom };
            }
            if (r.Right > width)
                RectOffset(r, -(r.Right - width), 0);
            if (r.Left < 0)
                RectOffset(r, -r.Left, 0);
        } else {
            r = { 0, 0, width, m_viewportSize / range * height };
            if (width > RectHeight(r)) {
                const float half = std::trunc(width / 2);
                r = { r.Left, r.Top - half, r.Right, r.Top + half };
            }
            RectOffset(r, 0, std::nearbyint((m_value - m_min) / range * height));
            if (r.Bottom > height)
                RectOffset(r, 0, -(r.Bottom - height));
            if (r.Top < 0)
                RectOffset(r, 0, -r.Top);
        }
    }
    TwzThumb* thumb = Thumb();
    TwzVisualObject* parent = thumb && thumb->GetParent() ? thumb->GetParent()->AsVisual() : nullptr;
    if (parent) {
        const TwzRect margins = parent->GetMargins()->GetRect();
        const TwzRect padding = thumb->GetPadding()->GetRect();
        if (padding.Left + margins.Left + margins.Right + padding.Right < RectWidth(r)) {
            r.Left += margins.Left + padding.Left;
            r.Right -= margins.Right + padding.Right;
        }
        r.Top += margins.Top + padding.Top;
        r.Bottom -= margins.Bottom + padding.Bottom;
    }
    return r;
}

void TwzCustomTrack::RealignChildren()
{
    Inherited::RealignChildren();
    TwzThumb* thumb = Thumb();
    if (!thumb)
        return;
    const TwzRect r = GetThumbRect();
    thumb->GetPosition()->SetPoint({ r.Left, r.Top });
    const float width = std::nearbyint(RectWidth(r));
    const float height = std::nearbyint(RectHeight(r));
    if (width > 0)
        thumb->SetWidth(width);
    if (height > 0)
        thumb->SetHeight(height);
}

void TwzCustomTrack::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    const bool horizontal = m_orientation == wzHorizontal;
    const float extent = horizontal ? GetWidth() : GetHeight();
    if (extent <= 0)
        return;
    const float p = (horizontal ? x : y) / extent * (m_max - m_min) + m_min;
    if (m_viewportSize == 0)
        SetValue(p);
    else if (m_value < p)
        SetValue(m_value + m_viewportSize);
    else
        SetValue(m_value - m_viewportSize);
}

void TwzCustomTrack::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    Inherited::KeyDown(key, keyChar, shift);
    const float step = m_frequency != 0 ? m_frequency : 1;
    float target = 0;
    switch (key) {
    case kKeyEnd:
        target = m_max;
        break;
    case kKeyHome:
        target = m_min;
        break;
    case kKeyLeft:
    case kKeyUp:
        target = m_value - step;
        break;
    case kKeyRight:
    case kKeyDown:
        target = m_value + step;
        break;
    default:
        return;
    }
    key = 0;
    const int reportsBefore = m_changeReports;
    SetValue(target);
    // With Tracking off a navigation key ends like a drag: exactly one report.
    if (!m_tracking && m_changeReports == reportsBefore)
        RaiseChange();
}

// ---- TwzTrackBar -------------------------------------------------------------------------

TwzTrackBar::TwzTrackBar(rtl::TComponent* owner)
    : TwzCustomTrack(owner)
{
    SetViewportSize(0);
    SetCanFocused(true);
}
