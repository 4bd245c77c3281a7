#pragma once

#include "platform/rtl/Events.h"
#include "ui2d/TwzControl.h"

#include <cstdint>

enum TwzOrientation : int32_t { wzHorizontal, wzVertical };
RTL_ENUM(TwzOrientation, "wzHorizontal", "wzVertical");

class TwzCustomTrack;

/// The part of a track's style that the pointer drags. The track it belongs to is set by the
/// track whenever the track looks it up.
class TwzThumb : public TwzControl {
    RTL_CLASS(TwzThumb, TwzControl)
public:
    explicit TwzThumb(rtl::TComponent* owner);

    [[nodiscard]] TwzCustomTrack* Track() const { return m_track.Get(); }
    void SetTrack(TwzCustomTrack* track) { m_track = track; }
    [[nodiscard]] bool GetIsPressed() const { return m_pressed; }

    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

protected:
    ~TwzThumb() override = default;

private:
    rtl::Watch<TwzCustomTrack> m_track;
    TwzPoint m_pressPoint {};
    bool m_pressed = false;
};

// A value between Min and Max shown by a thumb along a track. With a ViewportSize above 0 the
// track is a scroll bar's: the thumb's length shows the visible share and the value stops at
// Max - ViewportSize. With ViewportSize 0 it is a slider. Frequency quantises the value;
// Tracking decides whether OnChange comes with every change made while the thumb is dragged
// or once at the end of the drag.
class TwzCustomTrack : public TwzControl {
    RTL_CLASS(TwzCustomTrack, TwzControl)
public:
    explicit TwzCustomTrack(rtl::TComponent* owner);

    rtl::TNotifyEvent OnChange;
    /// Every value change made while the thumb is dragged; not published.
    rtl::TNotifyEvent OnTracking;

    [[nodiscard]] float GetValue() const { return m_value; }
    /// Quantised by Frequency; a request equal to the stored value does nothing, any other
    /// is clamped to [Min, Max - ViewportSize] (Min wins) and reported.
    void SetValue(float value);
    [[nodiscard]] float GetMin() const { return m_min; }
    /// Stores and realigns; the value is clamped at its next change.
    virtual void SetMin(float value);
    [[nodiscard]] float GetMax() const { return m_max; }
    /// A Max below Min becomes Min + 0.001; the viewport and the value are cut to the range
    /// without a report.
    virtual void SetMax(float value);
    [[nodiscard]] float GetViewportSize() const { return m_viewportSize; }
    void SetViewportSize(float value);
    [[nodiscard]] TwzOrientation GetOrientation() const { return m_orientation; }
    void SetOrientation(TwzOrientation value);
    [[nodiscard]] bool GetTracking() const { return m_tracking; }
    void SetTracking(bool value) { m_tracking = value; }
    [[nodiscard]] float GetFrequency() const { return m_frequency; }
    void SetFrequency(float value);

    /// Stores the value as it is, without clamping, reports or realignment.
    void StoreValue(float value) { m_value = value; }
    void StoreMin(float value) { m_min = value; }
    void StoreMax(float value) { m_max = value; }

    /// The style's part "thumb" when it is a thumb (which then knows this track), or null.
    [[nodiscard]] TwzThumb* Thumb();
    /// The thumb exists and is pressed.
    [[nodiscard]] bool IsDragging();
    /// The thumb's place in the track's local coordinates.
    [[nodiscard]] TwzRect GetThumbRect();
    /// The end of a drag with Tracking off: one report of the current value, as a change
    /// during the drag would make with Tracking on.
    void ReportDragEnd();

    [[nodiscard]] rtl::TValue GetData() override;
    /// A "wzmet" handler becomes OnChange; any other value goes to SetValue as a number.
    void SetData(const rtl::TValue& value) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void RealignChildren() override;

protected:
    ~TwzCustomTrack() override = default;

private:
    void RaiseChange();

    float m_value = 0;
    float m_min = 0;
    float m_max = 100;
    float m_viewportSize = 0;
    TwzOrientation m_orientation = wzHorizontal;
    bool m_tracking = true;
    float m_frequency = 0;
    int m_changeReports = 0; // OnChange calls so far, to tell whether a key reported
};

class TwzTrack : public TwzCustomTrack {
    RTL_CLASS(TwzTrack, TwzCustomTrack)
public:
    using TwzCustomTrack::TwzCustomTrack;

protected:
    ~TwzTrack() override = default;
};

/// A focusable slider.
class TwzTrackBar : public TwzCustomTrack {
    RTL_CLASS(TwzTrackBar, TwzCustomTrack)
public:
    explicit TwzTrackBar(rtl::TComponent* owner);

protected:
    ~TwzTrackBar() override = default;
};

class TwzHudTrack : public TwzTrack {
    RTL_CLASS(TwzHudTrack, TwzTrack)
public:
    using TwzTrack::TwzTrack;

protected:
    ~TwzHudTrack() override = default;
};

class TwzHudTrackBar : public TwzTrackBar {
    RTL_CLASS(TwzHudTrackBar, TwzTrackBar)
public:
    using TwzTrackBar::TwzTrackBar;

protected:
    ~TwzHudTrackBar() override = default;
};
