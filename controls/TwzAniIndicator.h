#pragma once

#include "ui2d/TwzControl.h"

#include <cstdint>

class TwzFloatAnimation;

enum TwzAniIndicatorStyle : int32_t { wzAniIndicatorLine, wzAniIndicatorCircle };
RTL_ENUM(TwzAniIndicatorStyle, "wzAniIndicatorLine", "wzAniIndicatorCircle");

/// A busy indicator: a ring of twelve strokes or eight dots, painted by the indicator itself,
/// whose darkness runs around the ring while Enabled. An inner clock object turns from 0 to
/// 360 every 10 seconds through a looping float animation; the phase is read from its angle.
class TwzAniIndicator : public TwzControl {
    RTL_CLASS(TwzAniIndicator, TwzControl)
public:
    explicit TwzAniIndicator(rtl::TComponent* owner);

    /// Hides the visual object's Enabled: True runs the animation, False stops it.
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool value);
    [[nodiscard]] TwzAniIndicatorStyle GetStyle() const { return m_style; }
    void SetStyle(TwzAniIndicatorStyle value);

    [[nodiscard]] TwzVisualObject* ClockObject() const { return m_clock; }
    [[nodiscard]] TwzFloatAnimation* Animation() const { return m_animation; }

    /// The darkness (0 ... 1) of mark `index` of `count` at clock angle `angle` (whole degrees):
    /// the strokes divide the phase by 12, the dots by 7.
    [[nodiscard]] static float MarkOpacity(int angle, int index, int divisor);

    void Paint() override;

protected:
    ~TwzAniIndicator() override = default;

private:
    TwzVisualObject* m_clock = nullptr; // owned as a component and as the first child
    TwzFloatAnimation* m_animation = nullptr; // owned as a component, a child of the clock
    bool m_enabled = false;
    TwzAniIndicatorStyle m_style = wzAniIndicatorLine;
};
