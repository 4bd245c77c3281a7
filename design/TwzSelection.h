#pragma once

#include "ui2d/TwzVisualObject.h"

#include <cstdint>

// Interactive handles for a 2D object tree, the same at run time and in design mode.

/// A dashed rectangle with a round grip on each corner: dragging its body moves it, dragging a
/// grip resizes it (never below MinSize; with Proportional to a square). With ParentBounds the
/// moves and resizes stay inside the parent's rectangle. OnTrack follows every step of a drag,
/// OnChange reports its end.
class TwzSelection : public TwzVisualObject {
    RTL_CLASS(TwzSelection, TwzVisualObject)
public:
    explicit TwzSelection(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    /// Half the side of each grip's hit square and the radius of its circle; kept in [1, 20].
    [[nodiscard]] float GetGripSize() const { return m_gripSize; }
    void SetGripSize(float value);
    /// The smallest Width and Height a grip drag leaves; at least 1.
    [[nodiscard]] int32_t GetMinSize() const { return m_minSize; }
    void SetMinSize(int32_t value);
    [[nodiscard]] bool GetParentBounds() const { return m_parentBounds; }
    void SetParentBounds(bool value) { m_parentBounds = value; }
    /// Draws nothing; hit testing and dragging still work.
    [[nodiscard]] bool GetHideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool value);
    /// Every grip drag leaves a square, the corner opposite the grip staying in place.
    [[nodiscard]] bool GetProportional() const { return m_proportional; }
    void SetProportional(bool value) { m_proportional = value; }

    /// Raised on the release that ends a left press on the selection, moved or not.
    rtl::TNotifyEvent OnChange;
    /// Raised after every step of a move or a grip drag.
    rtl::TNotifyEvent OnTrack;

    /// Which grip the pointer hovers (the corners left-top, right-top, right-bottom,
    /// left-bottom); none while a button or modifier key is held.
    enum class Corner : uint8_t { LeftTop, RightTop, RightBottom, LeftBottom };
    [[nodiscard]] bool IsGripHovered(Corner corner) const { return m_hover[static_cast<int>(corner)]; }

    // ---- TwzVisualObject ----------------------------------------------------------------------
    [[nodiscard]] TwzRect GetAbsoluteRect() override;
    [[nodiscard]] TwzRect GetUpdateRect() override;
    [[nodiscard]] bool PointInObject(float x, float y) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseLeave() override;
    void Paint() override;

protected:
    ~TwzSelection() override;

private:
    enum class Drag : uint8_t { None, Move, LeftTop, RightTop, RightBottom, LeftBottom };

    /// The grip square of `corner` in local coordinates.
    [[nodiscard]] TwzRect GripRect(Corner corner) const;
    [[nodiscard]] bool InGrip(Corner corner, const TwzPoint& local) const;
    [[nodiscard]] TwzVisualObject* VisualParent() const;
    void MoveStep();
    void ResizeStep();

    TwzPoint m_downPos {};
    TwzPoint m_movePos {};
    Drag m_drag = Drag::None;
    bool m_hover[4] = {};
    float m_gripSize = 3;
    int32_t m_minSize = 15;
    bool m_parentBounds = true;
    bool m_hideSelection = false;
    bool m_proportional = false;
};

/// A small round handle centred on its Position that the user drags to a new point; with
/// ParentBounds the point stays inside the parent's rectangle. Always 6 by 6.
class TwzSelectionPoint : public TwzVisualObject {
    RTL_CLASS(TwzSelectionPoint, TwzVisualObject)
public:
    explicit TwzSelectionPoint(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    [[nodiscard]] bool GetParentBounds() const { return m_parentBounds; }
    void SetParentBounds(bool value) { m_parentBounds = value; }

    /// Raised on the release that ends a left press on the handle.
    rtl::TNotifyEvent OnChange;
    /// Raised after every step of a drag.
    rtl::TNotifyEvent OnTrack;

    // ---- TwzVisualObject ----------------------------------------------------------------------
    /// The handle keeps its size: any value sets 6.
    void SetWidth(float value) override;
    void SetHeight(float value) override;
    [[nodiscard]] TwzRect GetUpdateRect() override;
    [[nodiscard]] bool PointInObject(float x, float y) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Paint() override;

protected:
    ~TwzSelectionPoint() override;

private:
    bool m_pressed = false;
    bool m_parentBounds = true;
};

/// An inert frame: it draws nothing and leaves the mouse to the inherited handling. Its
/// OnChange and OnTrack are published for stored forms; nothing raises them.
class TwzDesignFrame : public TwzVisualObject {
    RTL_CLASS(TwzDesignFrame, TwzVisualObject)
public:
    explicit TwzDesignFrame(rtl::TComponent* owner);

    rtl::TNotifyEvent OnChange;
    rtl::TNotifyEvent OnTrack;

    void Paint() override;

protected:
    ~TwzDesignFrame() override;
};
