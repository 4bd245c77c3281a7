#pragma once

#include "graphics/Geometry.h"
#include "ui2d/Forward.h"
#include "ui2d/IwzScene.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/ui/Forward.h"
#include "platform/ui/Types.h"
#include "platform/ui/WindowDrag.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

class TwzBrush;
struct TwzDragObject;

/// Marks the objects whose left press resizes the host's window (the size grips) instead of
/// reaching them.
class IwzSizeGrip {
public:
    virtual ~IwzSizeGrip() = default;
};

/// The number of live 2D hosts (2D scenes and object layers).
inline int SceneCount = 0;

namespace ui2d {

/// Frees the 2D animation clock; installed by the animation library. Called when the last
/// 2D host goes (the next animation start makes a new clock).
inline void (*FreeAnimationClock)() = nullptr;

/// How a host joins and leaves a style sheet's list of user hosts, installed by the style
/// sheet class. A sheet that goes tells each of its users SetStyle(nullptr) first.
struct StyleSheetUserHooks {
    void (*addUser)(TwzResources* sheet, IwzScene* host) = nullptr;
    void (*removeUser)(TwzResources* sheet, IwzScene* host) = nullptr;
};
inline StyleSheetUserHooks StyleSheetUsers;

} // namespace ui2d

// The control that shows a tree of 2D objects in a native window. It owns a back-buffered
// canvas of the window's size, keeps the root objects, implements IwzScene for them,
// collects the dirty rectangles objects report and repaints only those.
//
// The control lives in a form of the window layer (SetParentForm); its native window, a
// scene host, exists while the form shows it. Dirty rectangles normally go to the window's
// update region and are painted and presented in the window's paint. A Transparency scene
// in a layered form, where a compositor runs, collects them itself and paints them in a
// posted call, then shows the whole back buffer as the form's per-pixel-alpha picture;
// without a compositor it paints through the window like any other.
//
// Painting is in TwzCustomScenePaint.cpp, input in TwzCustomSceneInput.cpp, drag and drop
// in TwzCustomSceneDrop.cpp.
class TwzCustomScene : public rtl::TComponent, public IwzScene {
    RTL_CLASS(TwzCustomScene, rtl::TComponent)
public:
    explicit TwzCustomScene(rtl::TComponent* owner);

    using rtl::TComponent::GetComponent;

    // ---- properties (TwzScene publishes them) --------------------------------------------
    [[nodiscard]] int32_t GetLeft() const { return m_left; }
    void SetLeft(int32_t value) { SetBounds(value, m_top, m_width, m_height); }
    [[nodiscard]] int32_t GetTop() const { return m_top; }
    void SetTop(int32_t value) { SetBounds(m_left, value, m_width, m_height); }
    /// The control's size in pixels; 100 x 100 at creation.
    [[nodiscard]] int32_t GetWidth() const { return m_width; }
    void SetWidth(int32_t value) { SetBounds(m_left, m_top, value, m_height); }
    [[nodiscard]] int32_t GetHeight() const { return m_height; }
    void SetHeight(int32_t value) { SetBounds(m_left, m_top, m_width, value); }
    void SetAnimatedCaret(bool value) { m_animatedCaret = value; }
    /// The background brush; style none and "#FF000000" at creation.
    [[nodiscard]] TwzBrush* GetFill() const { return m_fill.get(); }
    /// Copies `value` into the scene's own brush.
    void SetFill(TwzBrush* value);
    /// Stored, and the whole scene reported dirty; a layered form takes it from the next
    /// window creation on.
    void SetTransparency(bool value);
    void SetTextRendering(TwzTextRendering value);
    [[nodiscard]] bool GetTabStop() const { return m_tabStop; }
    void SetTabStop(bool value) { m_tabStop = value; }
    /// The control focused after loading; set outside loading it takes the focus at once.
    /// Not owned: cleared when the control is freed.
    void SetActiveControl(TwzControl* value);
    /// The control's cursor by toolkit number; shown where no object asks for its own.
    [[nodiscard]] int32_t GetCursor() const { return m_cursor; }
    void SetCursor(int32_t value);
    [[nodiscard]] bool GetDesignSnapToGrid() const { return m_designSnapToGrid; }
    void SetDesignSnapToGrid(bool value) { m_designSnapToGrid = value; }
    [[nodiscard]] bool GetDesignSnapToLines() const { return m_designSnapToLines; }
    void SetDesignSnapToLines(bool value) { m_designSnapToLines = value; }
    [[nodiscard]] bool GetDesignSnapGridShow() const { return m_designSnapGridShow; }
    /// Kept off while the scene is not designed.
    void SetDesignSnapGridShow(bool value) { m_designSnapGridShow = m_designTime && value; }
    [[nodiscard]] float GetSnapGridSize() const { return m_snapGridSize; }
    void SetSnapGridSize(float value) { m_snapGridSize = value; }
    /// With "DesignSnapToGrid" on and a grid size, `value` truncated to a multiple of it.
    [[nodiscard]] float SnapToGrid(float value) const;

    // ---- roots ---------------------------------------------------------------------------
    [[nodiscard]] std::span<TwzObject* const> Roots() const { return m_roots; }
    /// Sizes the first root, when visual, to the scene after its own scale.
    void RefitRoot();

    // ---- design mode ---------------------------------------------------------------------
    /// Raised by the design mode when the selection changes or a handle drag starts.
    rtl::TNotifyEvent OnDesignChange;
    /// The design mode of a designed scene, made on first use; null while the scene is not
    /// designed or the design tools are not there.
    [[nodiscard]] ui2d::HostDesignMode* GetDesignMode();
    /// Builds and shows the design menu at the cursor (designed scenes only).
    void PopupDesignMenu();
    /// Whether a form designer's mouse event at the client point belongs to the scene.
    [[nodiscard]] bool DesignHitTest(const TwzPoint& point);

    // ---- window --------------------------------------------------------------------------
    /// Puts the control into `form` at its bounds; its native window exists while the form
    /// shows it. Null takes it out (the window goes). The form must outlive the control or
    /// be taken away first.
    void SetParentForm(platform::ui::Form* form);
    [[nodiscard]] platform::ui::Form* GetParentForm() const { return m_form; }
    /// The native window; null while the control has no form.
    [[nodiscard]] platform::ui::SceneHost* GetHost() const { return m_host.get(); }
    [[nodiscard]] bool HandleAllocated() const;
    /// Moves and sizes the control; once the window has the size, the back buffer follows
    /// and the first root is re-fitted.
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

    // ---- painting (TwzCustomScenePaint.cpp) ----------------------------------------------
    /// Paints every collected rectangle now and presents them. Nothing while a paint runs
    /// or when nothing is collected.
    virtual void DrawScene();
    /// The rectangles reported since the last paint and not painted yet.
    [[nodiscard]] const std::vector<TwzRect>& PendingUpdateRects() const { return m_updateRects; }
    /// True when frames go to the layered form rather than through the window.
    [[nodiscard]] bool PresentsLayered() const;

    // ---- input (TwzCustomSceneInput.cpp) -------------------------------------------------
    /// The toolkit's entry points of the control's input; the window calls them.
    virtual void MouseDown(
        platform::ui::MouseButton button, platform::ui::ShiftState shift, int32_t x, int32_t y);
    virtual void MouseMove(platform::ui::ShiftState shift, int32_t x, int32_t y);
    virtual void MouseUp(
        platform::ui::MouseButton button, platform::ui::ShiftState shift, int32_t x, int32_t y);
    /// True when the wheel was handled.
    virtual bool DoMouseWheel(
        platform::ui::ShiftState shift, int32_t wheelDelta, platform::ui::Point mousePos);
    /// Setting `key` to 0 consumes the key (it then types no character).
    virtual void KeyDown(uint16_t& key, platform::ui::ShiftState shift);
    virtual void KeyUp(uint16_t& key, platform::ui::ShiftState shift);
    /// One typed UTF-16 unit.
    virtual void KeyPress(char16_t unit);
    void CMMouseLeave();
    [[nodiscard]] std::optional<platform::ui::HintInfo> CMHintShow(platform::ui::Point p);
    /// The topmost visual object under a scene point; null when none.
    [[nodiscard]] TwzVisualObject* ObjectAtScenePoint(const TwzPoint& p);
    void DispatchKeyDown(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift);
    void DispatchKeyUp(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift);
    [[nodiscard]] TwzObject* GetHovered() const { return m_hovered; }
    [[nodiscard]] bool GetWindowDragging() const
    {
        return m_windowDrag.GetMode() == platform::ui::WindowDrag::Mode::Move;
    }
    [[nodiscard]] bool GetWindowResizing() const
    {
        return m_windowDrag.GetMode() == platform::ui::WindowDrag::Mode::Resize;
    }

    // ---- drag and drop (TwzCustomSceneDrop.cpp) ------------------------------------------
    /// A drag inside the application over the control at (x, y); true when it would drop.
    bool SceneDragOver(rtl::TObject* source, int32_t x, int32_t y);
    void SceneDragDrop(rtl::TObject* source, int32_t x, int32_t y);
    /// A drag from another application: enters (false refuses it), moves (the effect shown),
    /// leaves, or drops its data at a client point.
    bool DragEnter(const platform::ui::DropData& data);
    platform::ui::DropEffect DragOver(platform::ui::Point p);
    void DragLeave();
    bool Drop(const platform::ui::DropData& data, platform::ui::Point p);

    // ---- IwzScene ------------------------------------------------------------------------
    void AddObject(TwzObject* object) override;
    void RemoveObject(TwzObject* object) override;
    void BeginUpdate() override;
    void EndUpdate() override;
    void EndUpdateNoRepaint() override;
    void BeginWindowDrag() override;
    void BeginWindowResize() override;
    void AddUpdateRect(const TwzRect& rect) override;
    void InsertObjectByClassName(const std::string& className) override;
    [[nodiscard]] TwzControl* GetActiveControl() const override { return m_activeControl; }
    [[nodiscard]] bool GetDisableUpdate() const override { return m_disableUpdate; }
    void SetDisableUpdate(bool value) override { m_disableUpdate = value; }
    [[nodiscard]] bool GetDesignTime() const override { return m_designTime; }
    [[nodiscard]] TwzCanvas* GetCanvas() const override { return m_canvas.get(); }
    [[nodiscard]] TwzObject* GetRoot() const override;
    [[nodiscard]] rtl::TComponent* GetOwner() const override { return rtl::TComponent::GetOwner(); }
    [[nodiscard]] rtl::TComponent* GetComponent() const override;
    [[nodiscard]] TwzResources* GetStyle() const override { return m_style; }
    void SetStyle(TwzResources* value) override;
    [[nodiscard]] bool GetTransparency() const override { return m_transparency; }
    void UpdateStyle() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;
    [[nodiscard]] TwzTextRendering GetTextRendering() const override { return m_textRendering; }
    [[nodiscard]] TwzObject* GetSelected() const override { return m_selected; }
    [[nodiscard]] TwzObject* GetDesignDropTarget() const override;
    [[nodiscard]] int32_t GetUpdateRectsCount() const override;
    [[nodiscard]] TwzRect GetUpdateRect(int32_t index) const override;
    void SetCaptured(TwzObject* object) override;
    [[nodiscard]] TwzObject* GetCaptured() const override { return m_captured; }
    void SetFocused(TwzObject* object) override;
    [[nodiscard]] TwzObject* GetFocused() const override { return m_focused; }
    void SetDesignDblClickObject(TwzObject* object) override;
    [[nodiscard]] TwzPoint GetMousePos() const override { return m_snappedPos; }
    [[nodiscard]] TwzPoint LocalToScreen(const TwzPoint& point) const override;
    void BeginDrag(TwzObject* object) override;
    void SetSelected(TwzObject* object) override;
    [[nodiscard]] bool GetAnimatedCaret() const override { return m_animatedCaret; }

    // ---- streaming -----------------------------------------------------------------------
    /// The stored roots, in list order.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    /// The three design settings, always written.
    void DefineProperties(rtl::TFiler& filer) override;
    void Loaded() override;

protected:
    ~TwzCustomScene() override;
    /// Leaves the style sheet, frees every root (first root first), the fill and the canvas,
    /// the window, and leaves the host list; then the component's own steps.
    void BeforeDestruction() override;

private:
    class HostEvents;
    friend class HostEvents;

    /// Mouse input that came in while a press was still being handled, in order.
    struct HeldMouse {
        enum class Kind : uint8_t { Down, Move, Up } kind;
        platform::ui::MouseButton button;
        platform::ui::ShiftState shift;
        int32_t x, y;
    };

    /// Points `link` at `value`, moving the free notification from the old object to the new.
    void Relink(TwzObject*& link, TwzObject* value);
    [[nodiscard]] bool Holds(const rtl::TComponent* component) const;
    void FillChanged(rtl::TObject* sender);

    // Window life.
    void CreateHost();
    void WindowCreated();
    void DestroyWnd();
    void HostResized(int32_t width, int32_t height);
    void StartLoadedRepaint();
    /// At idle time: every visible control with an action (inside visible ancestors) asks
    /// its action to update itself.
    void UpdateActions();

    // Painting (TwzCustomScenePaint.cpp).
    void Paint(platform::ui::PaintContext& context);
    void DrawSceneMessage();
    void PaintBackground(std::span<const TwzRect> rects);
    void PresentRects(std::span<const TwzRect> rects);
    void UpdateLayered();
    void EnsureCanvas();

    // Input helpers (TwzCustomSceneInput.cpp).
    [[nodiscard]] TwzPoint LocalPoint(TwzVisualObject* object) const;
    [[nodiscard]] platform::ui::Point ScreenPointOf(int32_t x, int32_t y) const;
    void CaptureLost();
    /// The press's own routing, once no other press is being handled.
    void PressObject(platform::ui::MouseButton button, platform::ui::ShiftState shift, int32_t x, int32_t y);
    /// Keeps mouse input for later while a press is being handled; true when it was kept.
    bool HoldDuringPress(HeldMouse::Kind kind, platform::ui::MouseButton button,
        platform::ui::ShiftState shift, int32_t x, int32_t y);
    void MoveFocus(bool backwards);
    void CloseModalForm();

    // Drag helpers (TwzCustomSceneDrop.cpp).
    void EndDrag();
    void ForgetDrags();
    void SwitchDragTarget(TwzVisualObject* target, const TwzDragObject& record, const TwzPoint& p);

    std::vector<TwzObject*> m_roots; // owned: the scene frees its roots
    std::unique_ptr<TwzCanvas> m_canvas;
    std::unique_ptr<TwzBrush> m_fill;

    // Window.
    platform::ui::Form* m_form = nullptr; // not owned
    std::unique_ptr<HostEvents> m_hostEvents;
    std::unique_ptr<platform::ui::SceneHost> m_host;
    std::unique_ptr<platform::ui::CoalescedCall> m_drawCall; // the layered path's paint
    platform::ui::PaintContext* m_paintContext = nullptr; // while the window's paint runs
    uint32_t m_loadedTimer = 0;
    uint64_t m_idleUpdateKey = 0; // the idle action update, from the first window on
    bool m_windowAlive = false;

    // Painting.
    std::vector<TwzRect> m_updateRects; // collected for the next paint
    std::vector<TwzRect> m_paintRects; // those of the paint in progress
    bool m_drawing = false;
    bool m_disableUpdate = false;

    // Properties.
    int32_t m_left = 0;
    int32_t m_top = 0;
    int32_t m_width = 100;
    int32_t m_height = 100;
    int32_t m_cursor = 0;
    int32_t m_defaultCursor = 0;
    TwzTextRendering m_textRendering {};
    TwzResources* m_style = nullptr; // not owned; the sheet clears itself when it goes
    TwzControl* m_activeControl = nullptr;
    bool m_animatedCaret = true;
    bool m_transparency = false;
    bool m_tabStop = false;

    // Design settings.
    std::shared_ptr<ui2d::HostDesignMode> m_designMode;
    bool m_designTime = false;
    bool m_designSnapGridShow = false;
    bool m_designSnapToGrid = false;
    bool m_designSnapToLines = true;
    float m_snapGridSize = 1;

    // Input.
    TwzPoint m_mousePos {};
    TwzPoint m_snappedPos {};
    TwzPoint m_downPos {};
    platform::ui::ShiftState m_lastShift;
    platform::ui::WindowDrag m_windowDrag;
    std::vector<HeldMouse> m_heldMouse;
    bool m_handlingPress = false;

    // Links to objects; not owned, cleared in Notification.
    TwzObject* m_activeObject = nullptr;
    TwzObject* m_focused = nullptr;
    TwzObject* m_captured = nullptr;
    TwzObject* m_hovered = nullptr;
    TwzObject* m_selected = nullptr;
    TwzObject* m_designDblClickObject = nullptr;
};
