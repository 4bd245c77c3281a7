#pragma once

#include "controls/TwzScrollBars.h"
#include "ui2d/TwzContent.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzPropertyAnimations.h"

class TwzScrollBox;

/// The object that holds a scroll box's children. The box moves it under the viewport (the
/// style's part "content"); its position is the scrolling. It clips its children to the
/// viewport and is hit only inside it.
class TwzScrollContent : public TwzContent {
    RTL_CLASS(TwzScrollContent, TwzContent)
public:
    explicit TwzScrollContent(rtl::TComponent* owner);

    /// The viewport in content coordinates, when the parent is a scroll box with a content
    /// part.
    [[nodiscard]] TwzRect GetClipRect() override;
    /// Nothing outside the viewport (edges inclusive) is hit.
    [[nodiscard]] TwzVisualObject* FindObjectAt(float x, float y) override;
    /// Runs the box's PaintContent under the children, clipped to the viewport.
    void Paint() override;

protected:
    ~TwzScrollContent() override = default;
    [[nodiscard]] bool IsScrollContent() const override { return true; }

private:
    [[nodiscard]] TwzScrollBox* Box() const;
};

// A scrolling container. The children a program adds live in a content object that the box
// moves under the viewport; two scroll bars of the style (or two thin ones) show and change
// the offsets. The wheel, and with MouseTracking a drag anywhere on the box, scroll too; wheel
// steps and the fling at the end of a drag are animated on the bars' "Value".
//
// Parts: "content" (the viewport, any visual object; its Position is measured from the box's
// top-left corner), "vscrollbar", "hscrollbar", "vsmallscrollbar", "hsmallscrollbar" (scroll
// bars) and "sizegrip". Without a content part the box does not scroll.
class TwzScrollBox : public TwzControl {
    RTL_CLASS(TwzScrollBox, TwzControl)
public:
    explicit TwzScrollBox(rtl::TComponent* owner);

    // ---- published --------------------------------------------------------------------------
    [[nodiscard]] bool GetAutoHide() const { return m_autoHide; }
    void SetAutoHide(bool value) { m_autoHide = value; }
    [[nodiscard]] bool GetAnimated() const { return m_animated; }
    void SetAnimated(bool value) { m_animated = value; }
    [[nodiscard]] bool GetDisableMouseWheel() const { return m_disableMouseWheel; }
    void SetDisableMouseWheel(bool value) { m_disableMouseWheel = value; }
    [[nodiscard]] bool GetMouseTracking() const { return m_mouseTracking; }
    void SetMouseTracking(bool value) { m_mouseTracking = value; }
    [[nodiscard]] bool GetShowScrollBars() const { return m_showScrollBars; }
    void SetShowScrollBars(bool value);
    [[nodiscard]] bool GetShowSizeGrip() const { return m_showSizeGrip; }
    void SetShowSizeGrip(bool value);
    [[nodiscard]] bool GetUseSmallScrollBars() const { return m_useSmallScrollBars; }
    void SetUseSmallScrollBars(bool value);

    // ---- operations -------------------------------------------------------------------------
    /// The object holding the box's children (null only while the box is being destroyed).
    [[nodiscard]] TwzScrollContent* GetContent() const { return m_content.Get(); }
    /// The viewport part of the applied style, or null.
    [[nodiscard]] TwzVisualObject* GetContentPart() const { return m_contentPart.Get(); }
    [[nodiscard]] TwzScrollBar* GetHScrollBar() const { return m_hScrollBar.Get(); }
    [[nodiscard]] TwzScrollBar* GetVScrollBar() const { return m_vScrollBar.Get(); }
    /// The last value each bar reported.
    [[nodiscard]] float GetHScrollOffset() const { return m_hScrollOffset; }
    [[nodiscard]] float GetVScrollOffset() const { return m_vScrollOffset; }
    [[nodiscard]] int32_t GetUpdateCount() const { return m_updateCount; }
    /// The running or last scroll animations (created on first use), or null.
    [[nodiscard]] TwzFloatAnimation* GetHScrollAnimation() const { return m_hAnimation.Get(); }
    [[nodiscard]] TwzFloatAnimation* GetVScrollAnimation() const { return m_vAnimation.Get(); }
    /// Every visible bar to the middle of its range.
    void ScrollToCenter();
    /// The scroll box `object` sits in directly or through its content object, or null.
    [[nodiscard]] static TwzScrollBox* EnclosingBox(const TwzObject* object);

    /// Into the content object, except the content object itself and the style copy.
    void AddObject(TwzObject* child) override;
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y) override;
    void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled) override;
    void RealignChildren() override;
    void ApplyStyle() override;
    void FreeStyle() override;

    // ---- hooks, in this order ---------------------------------------------------------------
    virtual void HScrollChange(rtl::TObject* sender);
    virtual void VScrollChange(rtl::TObject* sender);
    /// The area the content covers, in content coordinates: the viewport united with every
    /// visible child's box.
    [[nodiscard]] virtual TwzRect GetContentBounds();
    /// Called by the content object before its children paint, in content coordinates,
    /// clipped to the viewport. Empty here.
    virtual void PaintContent(TwzCanvas& canvas, const TwzRect& rect);
    /// Places and sizes the content object.
    virtual void SetContentBounds(const TwzRect& rect);
    /// Counted: neither children nor bars realign until the outer EndUpdate.
    virtual void BeginUpdate();
    virtual void EndUpdate();

protected:
    ~TwzScrollBox() override = default;
    void BeforeDestruction() override;

    /// Both offsets back to 0 (the bars follow at the next realignment).
    void ResetScrollOffsets()
    {
        m_hScrollOffset = 0;
        m_vScrollOffset = 0;
    }
    /// The movement of the last mouse move of a tracking press.
    [[nodiscard]] TwzPoint GetLastDelta() const { return m_lastDelta; }

private:
    void UpdateScrollBars();
    void BindBar(TwzScrollBar* bar, bool vertical);
    /// The bar's animation, created when missing and stopped where it is when running.
    TwzFloatAnimation* ReadyAnimation(bool vertical);
    void AnimateBar(bool vertical, float stopValue);
    [[nodiscard]] bool BarVisible(const TwzScrollBar* bar) const;
    [[nodiscard]] bool BarEnabled(const TwzScrollBar* bar) const;
    void HScrollChangeEvent(rtl::TObject* sender) { HScrollChange(sender); }
    void VScrollChangeEvent(rtl::TObject* sender) { VScrollChange(sender); }

    bool m_autoHide = true;
    bool m_disableMouseWheel = false;
    bool m_tracking = false;
    // Watched rather than owned: an animation lives as a child of its bar and goes with it.
    rtl::Watch<TwzFloatAnimation> m_hAnimation;
    rtl::Watch<TwzFloatAnimation> m_vAnimation;
    bool m_animated = true;
    bool m_showScrollBars = true;
    bool m_showSizeGrip = false;
    bool m_mouseTracking = false;
    bool m_useSmallScrollBars = false;
    float m_hScrollOffset = 0;
    float m_vScrollOffset = 0;
    int32_t m_updateCount = 0;
    rtl::Watch<TwzScrollContent> m_content; // owned by the box, its child
    rtl::Watch<TwzScrollBar> m_hScrollBar; // parts of the applied style
    rtl::Watch<TwzScrollBar> m_vScrollBar;
    rtl::Watch<TwzVisualObject> m_contentPart;
    TwzPoint m_pressPoint {};
    TwzPoint m_lastDelta {};
    TwzPoint m_lastPoint {};
    bool m_realignGuard = false;
};

/// A scroll box whose content is never wider than the viewport: only the vertical bar
/// comes into play for content that aligns to its width.
class TwzVertScrollBox : public TwzScrollBox {
    RTL_CLASS(TwzVertScrollBox, TwzScrollBox)
public:
    explicit TwzVertScrollBox(rtl::TComponent* owner);

    [[nodiscard]] TwzRect GetContentBounds() override;

protected:
    ~TwzVertScrollBox() override = default;
};

/// A scroll box with a frame: its style is "framedscrollboxstyle".
class TwzFramedScrollBox : public TwzScrollBox {
    RTL_CLASS(TwzFramedScrollBox, TwzScrollBox)
public:
    using TwzScrollBox::TwzScrollBox;

protected:
    ~TwzFramedScrollBox() override = default;
};

class TwzFramedVertScrollBox : public TwzVertScrollBox {
    RTL_CLASS(TwzFramedVertScrollBox, TwzVertScrollBox)
public:
    explicit TwzFramedVertScrollBox(rtl::TComponent* owner);

protected:
    ~TwzFramedVertScrollBox() override = default;
};
