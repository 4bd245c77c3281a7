#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

// A point carried as a stored sub-object: positions, scales, gradient end points, rotation
// centres. Stored as the one text value "Point", and only when it differs from the default
// its owner gave it.
class TwzPosition : public rtl::TPersistent {
    RTL_CLASS(TwzPosition, rtl::TPersistent)
public:
    /// X and Y start at the default; nothing is notified.
    explicit TwzPosition(const TwzPoint& defaultValue = {});

    // Published, each never stored by itself (the "Point" value carries them).
    [[nodiscard]] float GetX() const { return m_point.X; }
    /// Fires OnChange only when the value differs.
    void SetX(float value);
    [[nodiscard]] float GetY() const { return m_point.Y; }
    void SetY(float value);

    rtl::TNotifyEvent OnChange;

    [[nodiscard]] const TwzPoint& DefaultValue() const { return m_defaultValue; }
    [[nodiscard]] TwzPoint GetPoint() const { return m_point; }
    /// Both coordinates, firing OnChange every time, also when nothing changed.
    void SetPoint(const TwzPoint& p);
    /// Both coordinates without any event, for an owner that notifies for itself.
    void StorePoint(const TwzPoint& p) { m_point = p; }

    /// From another position: SetPoint with its point (one notification, even when equal).
    /// Other sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;
    void DefineProperties(rtl::TFiler& filer) override;

private:
    TwzPoint m_point;
    TwzPoint m_defaultValue;
};
