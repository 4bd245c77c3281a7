#pragma once

#include "platform/rtl/Events.h"
#include "ui2d/TwzControl.h"

/// A dial that sets an angle in degrees by dragging around its centre: 0 points right, 90
/// straight up, -90 straight down. The style's "tick" turns with the value; "text" shows it
/// when ShowValue is on and "tracktext" while a drag runs with Tracking off.
class TwzAngleButton : public TwzControl {
    RTL_CLASS(TwzAngleButton, TwzControl)
public:
    explicit TwzAngleButton(rtl::TComponent* owner);

    rtl::TNotifyEvent OnChange;

    [[nodiscard]] float GetValue() const { return m_value; }
    /// Quantised by Frequency; any other value than the stored one turns the tick, updates the
    /// texts and, unless a drag runs with Tracking off, reports.
    void SetValue(float value);
    [[nodiscard]] float GetFrequency() const { return m_frequency; }
    void SetFrequency(float value) { m_frequency = value; }
    [[nodiscard]] bool GetTracking() const { return m_tracking; }
    void SetTracking(bool value) { m_tracking = value; }
    [[nodiscard]] bool GetShowValue() const { return m_showValue; }
    void SetShowValue(bool value);
    [[nodiscard]] bool IsDragging() const { return m_pressing; }

    /// The value rounded to a whole number of degrees, followed by the degree sign.
    [[nodiscard]] std::u16string ValueText() const;

    [[nodiscard]] rtl::TValue GetData() override;
    /// A "wzmet" handler becomes OnChange; any other value goes to SetValue as a number.
    void SetData(const rtl::TValue& value) override;
    void ApplyStyle() override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

protected:
    ~TwzAngleButton() override = default;

private:
    void UpdateTexts();

    bool m_pressing = false;
    TwzPoint m_pressPoint {};
    float m_pressValue = 0;
    float m_value = 0;
    float m_frequency = 0;
    bool m_tracking = true;
    bool m_showValue = false;
};

class TwzHudAngleButton : public TwzAngleButton {
    RTL_CLASS(TwzHudAngleButton, TwzAngleButton)
public:
    using TwzAngleButton::TwzAngleButton;

protected:
    ~TwzHudAngleButton() override = default;
};
