#pragma once

#include "ui2d/TwzControl.h"

/// Sits between aligned siblings; dragged, it resizes the sibling on its far side (found at
/// each press) between MinSize and what the parent's other aligned children leave.
class TwzSplitter : public TwzControl {
    RTL_CLASS(TwzSplitter, TwzControl)
public:
    explicit TwzSplitter(rtl::TComponent* owner);

    [[nodiscard]] float GetMinSize() const { return m_minSize; }
    void SetMinSize(float value) { m_minSize = value; }
    [[nodiscard]] bool GetShowGrip() const { return m_showGrip; }
    void SetShowGrip(bool value);
    /// The sibling a press found, until the release.
    [[nodiscard]] TwzVisualObject* Target() const { return m_target.Get(); }
    /// The sibling under the probe point beside the splitter's far edge, or null.
    [[nodiscard]] TwzVisualObject* FindTarget();

    /// Also sets the split cursor of the new direction.
    void SetAlign(TwzAlign value) override;
    void ApplyStyle() override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

protected:
    ~TwzSplitter() override = default;

private:
    [[nodiscard]] bool IsHorizontal() const;
    /// The target's new size for the pointer at (x, y), and the corrected movement.
    void ComputeSplit(float x, float y);

    bool m_pressing = false;
    rtl::Watch<TwzVisualObject> m_target;
    TwzPoint m_pressPoint {};
    float m_minSize = 20;
    float m_maxSize = 0;
    float m_newSize = 0;
    float m_oldSize = 0;
    float m_split = 0;
    bool m_showGrip = true;
};
