#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

// A rectangle of four Single values carried as a stored sub-object: margins, paddings and
// placement rectangles of the 2D objects. Stored as the one text value "Rect", and only when
// it differs from the default its owner gave it.
class TwzBounds : public rtl::TPersistent {
    RTL_CLASS(TwzBounds, rtl::TPersistent)
public:
    /// The four values start at the default; nothing is notified (OnChange is assigned by
    /// the owner afterwards).
    explicit TwzBounds(const TwzRect& defaultValue = {});

    // Published, each never stored by itself (the "Rect" value carries them).
    [[nodiscard]] float GetLeft() const { return m_rect.Left; }
    void SetLeft(float value);
    [[nodiscard]] float GetTop() const { return m_rect.Top; }
    void SetTop(float value);
    [[nodiscard]] float GetRight() const { return m_rect.Right; }
    void SetRight(float value);
    [[nodiscard]] float GetBottom() const { return m_rect.Bottom; }
    void SetBottom(float value);

    /// Fired once by every setter that changes a value, never for an equal value.
    rtl::TNotifyEvent OnChange;

    [[nodiscard]] const TwzRect& DefaultValue() const { return m_defaultValue; }
    [[nodiscard]] TwzRect GetRect() const { return m_rect; }
    /// All four at once, with one notification when any of them differs.
    void SetRect(const TwzRect& r);
    /// `r` shrunk by the bounds read as margins.
    [[nodiscard]] TwzRect MarginRect(const TwzRect& r) const;
    /// All four values are 0.
    [[nodiscard]] bool IsEmpty() const;
    /// The rectangle has no width or no height.
    [[nodiscard]] bool IsEmptyRect() const { return RectIsEmpty(m_rect); }

    /// From another bounds: SetRect with its rectangle. Other sources raise ConvertError.
    void Assign(const rtl::TPersistent& source) override;
    void DefineProperties(rtl::TFiler& filer) override;

private:
    void Store(float& field, float value);

    TwzRect m_rect;
    TwzRect m_defaultValue;
};
