#pragma once

#include "scene3d/Math3D.h"

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

// A 3D point with change events: the Position, Scale, RotateAngle and Velocity of the 3D
// visual objects. Stored inside its owner as the text "Point", and only when it differs
// from the default it was created with.
class ThvPosition : public rtl::TPersistent {
    RTL_CLASS(ThvPosition, rtl::TPersistent)
public:
    explicit ThvPosition(const ThvPoint& defaultValue = {});

    // Published, not stored one by one. A setter given the current value does nothing; else
    // the axis's PrevValue takes the old value and the axis event fires, or OnChange when the
    // owner set no axis event.
    [[nodiscard]] float GetX() const { return m_x; }
    void SetX(float value);
    [[nodiscard]] float GetY() const { return m_y; }
    void SetY(float value);
    [[nodiscard]] float GetZ() const { return m_z; }
    void SetZ(float value);

    rtl::TNotifyEvent OnChange;
    rtl::TNotifyEvent OnChangeX;
    rtl::TNotifyEvent OnChangeY;
    rtl::TNotifyEvent OnChangeZ;

    [[nodiscard]] ThvPoint GetPoint() const { return { m_x, m_y, m_z }; }
    /// Takes the point and fires OnChange every time, even for the current point; the axis
    /// events stay silent.
    void SetPoint(const ThvPoint& value);
    [[nodiscard]] ThvVector GetVector() const { return { m_x, m_y, m_z, 1 }; }
    void SetVector(const ThvVector& value) { SetPoint(hvVectorToPoint(value)); }
    /// Takes the point without any event.
    void SetPointNoChange(const ThvPoint& value);

    [[nodiscard]] bool IsEmpty() const { return m_x == 0 && m_y == 0 && m_z == 0; }
    /// The value before the most recent change, W = 1.
    [[nodiscard]] const ThvVector& GetPrevValue() const { return m_prevValue; }
    [[nodiscard]] const ThvPoint& GetDefaultValue() const { return m_defaultValue; }

    /// From another position: its point through SetPoint (OnChange once), leaving no
    /// pending difference in PrevValue.
    void Assign(const rtl::TPersistent& source) override;
    /// "Point", written when the point differs from the default.
    void DefineProperties(rtl::TFiler& filer) override;

private:
    void SetAxis(float& axis, float& prevAxis, float value, const rtl::TNotifyEvent& axisEvent);

    float m_x = 0;
    float m_y = 0;
    float m_z = 0;
    ThvVector m_prevValue { 0, 0, 0, 1 };
    ThvPoint m_defaultValue;
};
