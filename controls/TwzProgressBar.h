#pragma once

#include "controls/TwzTracks.h"

/// Shows a value between Min and Max by sizing the style's indicator ("hindicator" or
/// "vindicator") inside its channel ("htrack", "vtrack" or "track"). The value is not
/// clamped: outside the range the indicator is hidden or longer than the channel.
class TwzProgressBar : public TwzControl {
    RTL_CLASS(TwzProgressBar, TwzControl)
public:
    explicit TwzProgressBar(rtl::TComponent* owner);

    [[nodiscard]] float GetMin() const { return m_min; }
    /// Min, Max and Orientation take effect at the next realignment.
    void SetMin(float value) { m_min = value; }
    [[nodiscard]] float GetValue() const { return m_value; }
    void SetValue(float value);
    [[nodiscard]] float GetMax() const { return m_max; }
    void SetMax(float value) { m_max = value; }
    [[nodiscard]] TwzOrientation GetOrientation() const { return m_orientation; }
    void SetOrientation(TwzOrientation value) { m_orientation = value; }

    [[nodiscard]] rtl::TValue GetData() override;
    void SetData(const rtl::TValue& value) override;
    /// Starts the indicator's animations triggered by "IsVisible", then realigns.
    void ApplyStyle() override;
    void RealignChildren() override;

protected:
    ~TwzProgressBar() override = default;

private:
    [[nodiscard]] TwzVisualObject* VisualPart(const char* name);

    float m_min = 0;
    float m_value = 0;
    float m_max = 100;
    TwzOrientation m_orientation = wzHorizontal;
    bool m_realigning = false;
};
