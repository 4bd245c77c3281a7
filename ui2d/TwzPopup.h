#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/ComponentLink.h"
#include "platform/ui/Window.h"
#include "ui2d/IwzFormLink.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzPopupPlacement.h"

#include <cstdint>
#include <memory>

class TwzBounds;
class TwzPopup;
class TwzResources;
class TwzScene;
class TwzTimer;

// The window of an open popup: an undecorated, topmost popup form of the window layer,
// placed at screen coordinates, that holds the popup's own scene. The popup creates and
// frees it. While it shows a popup that closes on deactivation (or runs modally) it holds
// the application's pointer and keyboard, so a press anywhere else deactivates it. Controls
// in the popup reach it as their form: a button's modal result ends a modal run.
class TwzPopupForm : public rtl::TComponent, public IwzFormLink, private platform::ui::FormEvents {
    RTL_CLASS(TwzPopupForm, rtl::TComponent)
public:
    /// A hidden form of that client size (at least 1 x 1).
    TwzPopupForm(rtl::TComponent* owner, int32_t width, int32_t height);

    [[nodiscard]] platform::ui::Form& GetForm() const { return *m_form; }
    /// The popup it shows, or null.
    [[nodiscard]] TwzPopup* GetPopup() const { return m_popup; }
    void SetPopup(TwzPopup* value) { m_popup = value; }
    /// The window layer is closing the form (its close request runs).
    [[nodiscard]] bool GetFormClosing() const { return m_formClosing; }
    void SetFormClosing(bool value) { m_formClosing = value; }

    /// Stored as the window's modal result: it ends a modal run of the popup.
    void SetModalResult(int32_t value) override;
    /// A modal run ends with the cancel result; a popup that is not modal closes (on the
    /// next turn of the loop, after the control that asked has finished).
    void CloseForm() override;

protected:
    ~TwzPopupForm() override;

private:
    /// Closes the popup it shows (unless that stays open); the popup frees the form.
    void FormDeactivated() override;
    /// The popup closes, then the form frees itself.
    void FormCloseRequest() override;

    std::unique_ptr<platform::ui::Form> m_form;
    TwzPopup* m_popup = nullptr; // not owned; the popup clears it before the form goes
    bool m_formClosing = false;
};

// A control that lives in the object tree like any other but, while it is open, shows in a
// window of its own: it moves into the scene of a TwzPopupForm placed beside a target, at a
// rectangle, at the mouse or centred, and goes back to its parent when it closes, so its
// children, style and animations travel with it. "IsOpen" trigger animations play as it
// opens and closes. A popup closes when its window is deactivated (a press anywhere else)
// unless StaysOpen, on Esc, when it loses the focus, when IsOpen is cleared, when it is
// opened again and when it goes. RunPopupModal keeps it open and handles messages until its
// form gets a modal result (Esc gives 2, buttons give theirs).
class TwzPopup : public TwzControl {
    RTL_CLASS(TwzPopup, TwzControl)
public:
    explicit TwzPopup(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    [[nodiscard]] bool GetIsOpen() const { return m_isOpen; }
    /// Nothing when unchanged; stays False in design mode; otherwise opens or closes. While
    /// loading only stored: the popup opens in its after-load step.
    void SetIsOpen(bool value);
    [[nodiscard]] TwzPlacement GetPlacement() const { return m_placement; }
    void SetPlacement(TwzPlacement value) { m_placement = value; }
    /// The object to place against; null means the popup's parent when that is visual.
    [[nodiscard]] TwzVisualObject* GetPlacementTarget() const { return m_placementTarget; }
    void SetPlacementTarget(TwzVisualObject* value);
    /// In the target's local coordinates, or screen coordinates without a target. Edited in
    /// place: assigning another rectangle object changes nothing.
    [[nodiscard]] TwzBounds* GetPlacementRectangle() const { return m_placementRectangle.get(); }
    void SetPlacementRectangle(TwzBounds*) { }
    [[nodiscard]] float GetHorizontalOffset() const { return m_horizontalOffset; }
    void SetHorizontalOffset(float value) { m_horizontalOffset = value; }
    [[nodiscard]] float GetVerticalOffset() const { return m_verticalOffset; }
    void SetVerticalOffset(float value) { m_verticalOffset = value; }
    /// The popup does not close when its window is deactivated.
    [[nodiscard]] bool GetStaysOpen() const { return m_staysOpen; }
    void SetStaysOpen(bool value) { m_staysOpen = value; }
    /// Style sheet of the popup's own scene; null takes the sheet of the scene it opens from.
    [[nodiscard]] TwzResources* GetStyle() const { return m_style; }
    void SetStyle(TwzResources* value);
    /// While open and StaysOpen, the window is placed again every 10 ms to follow its target.
    [[nodiscard]] bool GetDragWithParent() const { return m_dragWithParent; }
    void SetDragWithParent(bool value) { m_dragWithParent = value; }

    // ---- run-time state -------------------------------------------------------------------
    [[nodiscard]] TwzPopupForm* GetPopupForm() const { return m_popupForm; }
    [[nodiscard]] TwzScene* GetPopupScene() const { return m_popupScene; }
    [[nodiscard]] int32_t GetModalResult() const { return m_modalResult; }
    /// A modal run is in progress.
    [[nodiscard]] bool GetModal() const { return m_modal; }
    /// A close is running (its closing animations play).
    [[nodiscard]] bool GetClosing() const { return m_closing; }

    // ---- operations -----------------------------------------------------------------------
    /// Moves the open window to where Placement puts it, kept on the screen's work area (a
    /// popup that does not fit below or right of its target flips to the other side).
    virtual void ApplyPlacement();
    /// Opens the popup and handles messages until its form gets a modal result, the
    /// application ends, the popup closes or is freed; then closes it. Returns the result
    /// (2 when the application ended or the popup was freed, 0 when it closed without one).
    /// On an open popup it cancels a running modal run (or closes the popup) and returns 2.
    virtual int32_t RunPopupModal();
    /// Opens the popup in a new window; on an open popup it closes it instead.
    virtual void OpenPopup();
    /// Plays the closing animations, puts the popup back into its parent and frees the window.
    virtual void ClosePopup();

    /// The inherited loss of focus, then ClosePopup.
    void KillFocus() override;
    /// Dialog keys as inherited; then an Esc nobody took closes a popup that is not modal.
    void DialogKey(uint16_t& key, TShiftState shift) override;
    /// In design mode a dashed frame shows where the popup is.
    void Paint() override;

protected:
    ~TwzPopup() override;
    void Loaded() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    void BeforeDestruction() override;

    /// The target: PlacementTarget, or else the parent the popup has (or had before it
    /// opened) when that is visual.
    [[nodiscard]] virtual TwzVisualObject* PlacementTargetOrParent() const;
    /// The scene the popup opens from: its own while closed, the one it left while open.
    [[nodiscard]] IwzScene* HomeScene() const;

private:
    void PlacementTick(rtl::TObject* sender);
    /// Frees the popup's scene and window (nothing of the popup itself is touched).
    static void FreeWindow(rtl::Watch<TwzScene>& scene, rtl::Watch<TwzPopupForm>& form);

    // While open: where the popup came from and what it looked like there.
    rtl::Watch<TwzObject> m_savedParent;
    rtl::Watch<rtl::TComponent> m_savedSceneHost; // the component behind m_savedScene
    IwzScene* m_savedScene = nullptr; // valid while m_savedSceneHost lives
    TwzRect m_savedBounds {};
    TwzPoint m_savedScale { 1, 1 };

    TwzPopupForm* m_popupForm = nullptr; // owned while open
    TwzScene* m_popupScene = nullptr; // owned by the form
    bool m_isOpen = false;
    bool m_staysOpen = false;
    TwzPlacement m_placement = wzPlacementBottom;
    rtl::ComponentLink<TwzVisualObject> m_placementTarget { this };
    std::unique_ptr<TwzBounds> m_placementRectangle;
    float m_horizontalOffset = 0;
    float m_verticalOffset = 0;
    bool m_dragWithParent = false;
    TwzTimer* m_placementTimer = nullptr; // owned while open
    bool m_closing = false;
    rtl::ComponentLink<TwzResources> m_style { this };
    int32_t m_modalResult = 0;
    bool m_modal = false;
};

// A popup shown horizontally centred at the top of its owner form's client area (or of its
// target) and run modally; the scene it opens from is disabled meanwhile. Its style slides
// the message in from above and out again.
class TwzMessagePopup : public TwzPopup {
    RTL_CLASS(TwzMessagePopup, TwzPopup)
public:
    /// StaysOpen and DragWithParent start True.
    explicit TwzMessagePopup(rtl::TComponent* owner);

    /// Without a PlacementTarget: the rectangle becomes the top edge of the home scene's
    /// client area in screen coordinates and the horizontal offset centres the popup on it;
    /// with one the offset centres it on the target. Then the inherited placement.
    void ApplyPlacement() override;
    /// The home scene's first root is disabled for the inherited run and enabled again (as
    /// it was) afterwards.
    int32_t RunPopupModal() override;

protected:
    ~TwzMessagePopup() override = default;
    /// Without a PlacementTarget and with an owner form: none, so that the rectangle counts
    /// in screen coordinates.
    [[nodiscard]] TwzVisualObject* PlacementTargetOrParent() const override;
};
