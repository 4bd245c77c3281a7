#pragma once

#include "controls/TwzTracks.h"

// A scroll bar is not a track itself: it finds the tracks "htrack" and "vtrack" and the step
// buttons "leftbutton", "rightbutton", "topbutton" and "bottombutton" in its style, shows those
// of its orientation, mirrors its value into the track and steps by SmallChange when a button
// clicks. Every realignment binds the parts again.
class TwzScrollBar : public TwzControl {
    RTL_CLASS(TwzScrollBar, TwzControl)
public:
    explicit TwzScrollBar(rtl::TComponent* owner);

    rtl::TNotifyEvent OnChange;

    [[nodiscard]] float GetValue() const { return m_value; }
    /// A request equal to the stored value does nothing; any other is clamped to
    /// Max - ViewportSize, then to Min (Min wins), pushed to the bound controls and reported.
    void SetValue(float value);
    [[nodiscard]] float GetMin() const { return m_min; }
    /// Pulls a value below the new Min up at once, with its report.
    void SetMin(float value);
    [[nodiscard]] float GetMax() const { return m_max; }
    /// A Max below Min becomes Min + 0.001; a value beyond the range comes back through
    /// SetValue, the viewport is cut to the range.
    void SetMax(float value);
    [[nodiscard]] float GetViewportSize() const { return m_viewportSize; }
    void SetViewportSize(float value);
    [[nodiscard]] TwzOrientation GetOrientation() const { return m_orientation; }
    /// At design time (not while loading) the width and the height change places.
    void SetOrientation(TwzOrientation value);
    [[nodiscard]] float GetSmallChange() const { return m_smallChange; }
    void SetSmallChange(float value) { m_smallChange = value; }

    /// The track of the current orientation, or null.
    [[nodiscard]] TwzCustomTrack* Track();

    [[nodiscard]] rtl::TValue GetData() override;
    /// A "wzmet" handler becomes OnChange; any other value goes to SetValue as a number.
    void SetData(const rtl::TValue& value) override;
    void RealignChildren() override;

protected:
    ~TwzScrollBar() override = default;

private:
    void BindTrack(const char* part, TwzOrientation orientation);
    void BindButton(const char* part, bool visible, bool increment);
    void TrackChanged(rtl::TObject* sender);
    void Decrement(rtl::TObject* sender);
    void Increment(rtl::TObject* sender);

    float m_value = 0;
    float m_min = 0;
    float m_max = 100;
    float m_viewportSize = 0;
    TwzOrientation m_orientation = wzHorizontal;
    float m_smallChange = 1;
    bool m_realigning = false;
};

class TwzSmallScrollBar : public TwzScrollBar {
    RTL_CLASS(TwzSmallScrollBar, TwzScrollBar)
public:
    explicit TwzSmallScrollBar(rtl::TComponent* owner);

protected:
    ~TwzSmallScrollBar() override = default;
};

class TwzHudScrollBar : public TwzScrollBar {
    RTL_CLASS(TwzHudScrollBar, TwzScrollBar)
public:
    using TwzScrollBar::TwzScrollBar;

protected:
    ~TwzHudScrollBar() override = default;
};
