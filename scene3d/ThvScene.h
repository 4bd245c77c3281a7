#pragma once

#include "graphics/Geometry.h"
#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"
#include "scene3d/ThvCanvas.h"

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

struct ThvDragObject;
class ThvDummy;
class ThvGrid;

namespace scene3d {

class DesignMode;

/// The toolkit's own mouse events of the scene control, raised before the scene routes the
/// event to its objects: sender, button, shift state and the point in control pixels.
using TMouseEvent
    = rtl::TEvent<rtl::TObject*, platform::ui::MouseButton, platform::ui::ShiftState, int32_t, int32_t>;
using TMouseMoveEvent = rtl::TEvent<rtl::TObject*, platform::ui::ShiftState, int32_t, int32_t>;
/// Sender, shift state, wheel delta (120 a notch), the pointer in control pixels, handled.
using TMouseWheelEvent
    = rtl::TEvent<rtl::TObject*, platform::ui::ShiftState, int32_t, const platform::ui::Point&, bool&>;

/// What the scene asks of an object layer, the 3D object that hosts a tree of 2D objects.
/// The layer adds its visible 2D objects to the focus list after itself (AddVisibleToList);
/// the scene's Tab walk reaches them through these two calls.
class IObjectLayer {
public:
    /// The 2D object that has the focus inside the layer; null when none.
    [[nodiscard]] virtual rtl::TObject* GetFocused() const = 0;
    /// When `entry` is a 2D object of this layer that is visible with all its ancestors and
    /// can take the focus: focuses the layer in its scene and the object inside the layer,
    /// and answers true. False, changing nothing, for any other object.
    virtual bool FocusEntry(rtl::TObject* entry) = 0;

protected:
    ~IObjectLayer() = default;
};

/// Frees the 3D animation clock; installed by the animation module. Called when the window
/// of the last scene goes (the next animation start makes a new clock).
inline void (*FreeAnimationClock)() = nullptr;

} // namespace scene3d

/// The number of live scene controls.
inline int hvSceneCount = 0;

// The windowed control that shows a tree of 3D objects. It keeps the root list of the tree
// (objects whose parent is the scene itself), owns the window canvas made from
// hvDefaultCanvasClass once its native window exists, draws the whole tree in one pass on
// every repaint, and routes the mouse, keys and drags of its window to the objects.
//
// The control lives in a form of the window layer (SetParentForm): its native window, a scene
// host, exists while the form shows it. Repaint requests coalesce: any number of them before
// the next paint gives one frame. A scene whose form is layered and which is Transparency
// presents its frames as the form's per-pixel-alpha picture instead.
//
// Constructed with its design rig: DesignCameraZ (a dummy turned about Z, a root), under it
// DesignCameraX (turned 20 degrees about X), under that DesignCamera at (0, -20, 0), and
// DesignGrid (a root). So a new scene's root list is DesignCameraZ, DesignGrid.
class ThvScene : public rtl::TComponent {
    RTL_CLASS(ThvScene, rtl::TComponent)
public:
    explicit ThvScene(rtl::TComponent* owner);

    // ---- published -----------------------------------------------------------------------
    [[nodiscard]] int32_t GetLeft() const { return m_left; }
    void SetLeft(int32_t value) { SetBounds(value, m_top, m_width, m_height); }
    [[nodiscard]] int32_t GetTop() const { return m_top; }
    void SetTop(int32_t value) { SetBounds(m_left, value, m_width, m_height); }
    /// The control's size in pixels; 100 x 100 at creation.
    [[nodiscard]] int GetWidth() const { return m_width; }
    void SetWidth(int32_t value) { SetBounds(m_left, m_top, value, m_height); }
    [[nodiscard]] int GetHeight() const { return m_height; }
    void SetHeight(int32_t value) { SetBounds(m_left, m_top, m_width, value); }
    /// Stored only; nothing depends on it.
    [[nodiscard]] bool GetAlignRoot() const { return m_alignRoot; }
    void SetAlignRoot(bool value) { m_alignRoot = value; }
    /// A left press on empty space drags the owner form; the root object is then no picking
    /// fallback.
    [[nodiscard]] bool GetAllowDrag() const { return m_allowDrag; }
    void SetAllowDrag(bool value) { m_allowDrag = value; }
    [[nodiscard]] ThvVisualObject* GetActiveControl() const { return m_activeControl; }
    /// When the object differs: stored and, unless the scene is loading, focused.
    void SetActiveControl(ThvVisualObject* value);
    [[nodiscard]] bool GetLighting() const { return m_lighting; }
    void SetLighting(bool value) { m_lighting = value; }
    [[nodiscard]] ThvQuality GetQuality() const { return m_quality; }
    /// The multisampling of the window canvas, handed to it at once when it exists.
    void SetQuality(ThvQuality value);
    /// The clear colour of every frame as "#AARRGGBB"; a change repaints.
    [[nodiscard]] std::string GetFillColor() const;
    void SetFillColor(const std::string& value);
    [[nodiscard]] std::string GetAmbientColor() const;
    void SetAmbientColor(const std::string& value);
    /// The camera the scene is viewed through when it does not use its design camera.
    [[nodiscard]] ThvCamera* GetCamera() const { return m_camera; }
    void SetCamera(ThvCamera* value);
    /// Per-pixel transparent presentation on a layered form; takes effect at the next window
    /// creation, resize and frame.
    [[nodiscard]] bool GetTransparency() const { return m_transparency; }
    void SetTransparency(bool value) { m_transparency = value; }
    /// Rendering driven by the idle loop; objects then send no repaint requests at run time.
    [[nodiscard]] bool GetRealTime() const { return m_realTime; }
    /// At run time the scene takes the application's idle handler while on, and gives it
    /// back when switched off (ThvSceneRealTime.cpp).
    void SetRealTime(bool value);
    [[nodiscard]] int32_t GetRealTimeSleep() const { return m_realTimeSleep; }
    void SetRealTimeSleep(int32_t value) { m_realTimeSleep = value; }
    /// At run time no canvas is made, so nothing is drawn, and no physics runs.
    [[nodiscard]] bool GetInvisibleAtRuntime() const { return m_invisibleAtRuntime; }
    void SetInvisibleAtRuntime(bool value) { m_invisibleAtRuntime = value; }
    /// View through DesignCamera even at run time (the default).
    [[nodiscard]] bool GetUsingDesignCamera() const { return m_usingDesignCamera; }
    void SetUsingDesignCamera(bool value) { m_usingDesignCamera = value; }
    [[nodiscard]] bool GetTabStop() const { return m_tabStop; }
    void SetTabStop(bool value) { m_tabStop = value; }
    /// The control's cursor by toolkit number; shown where no object asks for its own.
    [[nodiscard]] int32_t GetCursor() const { return m_cursor; }
    void SetCursor(int32_t value);

    scene3d::TMouseMoveEvent OnMouseMove;
    scene3d::TMouseEvent OnMouseDown;
    scene3d::TMouseEvent OnMouseUp;
    scene3d::TMouseWheelEvent OnMouseWheel;

    // ---- roots ---------------------------------------------------------------------------
    /// Makes `object` a root: it leaves its parent (or another scene's roots) first, joins the
    /// end of the list and takes this scene as the scene of its whole subtree; a visual object
    /// is repainted. In design mode a camera that is not a design object becomes Camera.
    /// Nothing for an object that is a root here already, and nothing while the scene is
    /// being destroyed.
    void AddObject(ThvObject* object);
    /// Takes `object` out of the root list and repaints; it and its subtree lose their scene
    /// link. Nothing for an object that is not a root here.
    void RemoveObject(ThvObject* object);
    /// The root list, in painting order.
    [[nodiscard]] int GetCount() const { return static_cast<int>(m_objects.size()); }
    /// The root at `index`; null outside the list.
    [[nodiscard]] ThvObject* GetObject(int index) const;
    [[nodiscard]] std::span<ThvObject* const> Objects() const { return m_objects; }
    /// The scene's root object: the last root that is a visual object and not Locked (the
    /// design objects are locked); null when there is none.
    [[nodiscard]] ThvVisualObject* GetRoot() const;

    // ---- design rig ----------------------------------------------------------------------
    [[nodiscard]] ThvDummy* GetDesignCameraZ() const { return m_designCameraZ; }
    [[nodiscard]] ThvDummy* GetDesignCameraX() const { return m_designCameraX; }
    /// The camera of the design rig.
    [[nodiscard]] ThvCamera* GetDesignCamera() const { return m_designCamera; }
    void SetDesignCamera(ThvCamera* value);
    [[nodiscard]] ThvGrid* GetDesignGrid() const { return m_designGrid; }
    /// True when the scene was being designed when it was made; never changes.
    [[nodiscard]] bool GetDesignTime() const { return m_designTime; }
    [[nodiscard]] bool GetDesignSnapGridShow() const { return m_designSnapGridShow; }
    [[nodiscard]] bool GetDesignSnapToGrid() const { return m_designSnapToGrid; }
    void SetDesignSnapToGrid(bool value) { m_designSnapToGrid = value; }
    [[nodiscard]] bool GetDesignSnapToLines() const { return m_designSnapToLines; }
    void SetDesignSnapToLines(bool value) { m_designSnapToLines = value; }
    [[nodiscard]] float GetSnapGridSize() const { return m_snapGridSize; }
    void SetSnapGridSize(float value) { m_snapGridSize = value; }
    /// With "DesignSnapToGrid" on and a grid size, `value` truncated toward zero to a multiple
    /// of the grid size; otherwise `value`.
    [[nodiscard]] float SnapToGrid(float value) const;
    /// Shows or hides the design grid (its opacity) and stores the setting.
    void SetDesignSnapGridShow(bool value);
    /// The stored design settings (the rig's camera and angles, the snap settings), read and
    /// written in every mode.
    void DefineProperties(rtl::TFiler& filer) override;

    // ---- design mode ---------------------------------------------------------------------
    /// The design mode the design tools install (scene3d::MakeDesignMode), made at its first
    /// use while the scene is designed; null at run time, without the design tools and while
    /// the scene is being destroyed. A designed scene hands it its mouse, the Delete key and
    /// the end of every frame.
    [[nodiscard]] scene3d::DesignMode* GetDesignMode();
    /// The window system's design hit test: a designed scene takes the mouse itself.
    [[nodiscard]] int CMDesignHitTest() const { return 1; }

    // ---- window --------------------------------------------------------------------------
    /// Puts the control into `form` at its bounds; its native window exists while the form
    /// shows it. Null takes the control out of its form (the window goes). The form must
    /// outlive the control or be taken away first.
    void SetParentForm(platform::ui::Form* form);
    [[nodiscard]] platform::ui::Form* GetParentForm() const { return m_form; }
    /// The control's native window; null while it has no form.
    [[nodiscard]] platform::ui::SceneHost* GetHost() const { return m_host.get(); }
    /// True while the native window exists.
    [[nodiscard]] bool HandleAllocated() const;
    /// Moves and sizes the control in its form's client area. Once the window has taken the
    /// size, the canvas rebuilds its buffer for it and the root object realigns.
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    /// The size alone.
    void SetSize(int width, int height) { SetBounds(m_left, m_top, width, height); }
    /// Client pixels of the control to screen pixels (unchanged while it has no window).
    [[nodiscard]] virtual TwzPoint ClientToScreen(const TwzPoint& p) const;

    // ---- canvas and painting -------------------------------------------------------------
    /// The canvas objects draw through: the window canvas while the window exists (unless
    /// InvisibleAtRuntime at run time), or one handed in with SetCanvas; null otherwise.
    [[nodiscard]] ThvCanvas* GetCanvas() const { return m_canvas; }
    /// Uses `value` (not owned) instead of a window canvas; null goes back to the window's.
    void SetCanvas(ThvCanvas* value);
    /// The bitmap screenshots of the scene's objects render their tiles through, kept with its
    /// canvas from one screenshot to the next (a canvas's device is costly to start): taken
    /// out while a screenshot runs, given back after it. Null when none is kept, or when the
    /// one kept was made through another canvas class than the current one.
    [[nodiscard]] std::unique_ptr<ThvBitmap> TakeScreenshotTile();
    void KeepScreenshotTile(std::unique_ptr<ThvBitmap> tile);
    /// A repaint request; the whole scene is repainted whatever the rectangle. Dropped while
    /// loading and while the window does not exist.
    virtual void AddUpdateRect(const TwzRect& rect);
    /// Draws one frame. Nothing without a canvas, and nothing when called from inside a frame.
    virtual void Render();
    /// Shows the canvas's back buffer as the layered form's picture; nothing in design mode,
    /// without a canvas, a back buffer or a window.
    void UpdateLayered();

    // ---- physics -------------------------------------------------------------------------
    /// The scene's physics engine; null until CreatePhysics made one.
    [[nodiscard]] ThvPhysics* GetPhysics() const { return m_physics.get(); }
    /// Makes the engine from hvDefaultPhysicsClass when there is none; nothing without a
    /// physics class.
    void CreatePhysics();

    // ---- real time (ThvSceneRealTime.cpp) ------------------------------------------------
    /// One real-time frame: the roots' ticks, both physics worlds, a render, the sleep.
    void RealTimeStep();
    /// The application's idle handler while RealTime is on.
    void DoIdle(bool& done);
    /// Seconds of the tick count at the last frame (0 before the first), the time between
    /// the last two frames (at least 0.001), frames per second over at least one second.
    [[nodiscard]] double GetTime() const { return m_time; }
    [[nodiscard]] double GetDeltaTime() const { return m_deltaTime; }
    [[nodiscard]] double GetFPS() const { return m_fps; }

    // ---- input: mouse, keys, focus, capture, hints --------------------------------------
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
    /// One typed UTF-16 unit; a character beyond the basic plane arrives as two calls.
    virtual void KeyPress(char16_t unit);
    /// The mouse left the control.
    void CMMouseLeave();
    /// The hint to show at a client point, with the square within which it stays; nothing
    /// when no object under the point has one to show.
    [[nodiscard]] std::optional<platform::ui::HintInfo> CMHintShow(platform::ui::Point p);

    /// The object under a control pixel: screen-projected objects first, then camera-projected
    /// ones; on empty space the root object (at run time, without AllowDrag, when it takes
    /// hits). Null without a canvas.
    [[nodiscard]] ThvVisualObject* ObjectAtPoint(float x, float y);
    /// The point of the last press or move in `object`'s local coordinates, and the pick ray
    /// through it converted into them.
    void ConvertPointer(ThvVisualObject* object, float& x, float& y, ThvVector& rayPos, ThvVector& rayDir);
    /// The key routing shared by the key and character paths: Tab walks the focus, anything
    /// else reaches the focused object.
    void DispatchKeyDown(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift);
    void DispatchKeyUp(uint16_t& key, char16_t& keyChar, platform::ui::ShiftState shift);
    /// The Tab walk over the visible objects of the root object; backwards for Shift+Tab.
    void MoveFocus(bool backwards);
    /// Starts moving or resizing the owner form with the mouse, until the button goes up.
    void BeginWindowDrag();
    void BeginWindowResize();
    [[nodiscard]] bool GetWindowDragging() const
    {
        return m_windowDrag.GetMode() == platform::ui::WindowDrag::Mode::Move;
    }
    [[nodiscard]] bool GetWindowResizing() const
    {
        return m_windowDrag.GetMode() == platform::ui::WindowDrag::Mode::Resize;
    }

    // ---- input path state: plain links, cleared when the object is freed ----------------
    [[nodiscard]] ThvVisualObject* GetFocused() const { return m_focused; }
    /// When the object differs: the old one's KillFocus, then the new one's EnterFocus.
    void SetFocused(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetCaptured() const { return m_captured; }
    /// The object that gets every move, release and wheel; the control captures the mouse
    /// while it is set.
    void SetCaptured(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetHovered() const { return m_hovered; }
    void SetHovered(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetSelected() const { return m_selected; }
    void SetSelected(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetDesignDblClickObject() const { return m_designDblClickObject; }
    void SetDesignDblClickObject(ThvVisualObject* value);
    /// The last press or move point in control pixels (Z 0).
    [[nodiscard]] const ThvPoint& GetMousePos() const { return m_mousePos; }
    void SetMousePos(const ThvPoint& value) { m_mousePos = value; }
    [[nodiscard]] const ThvPoint& GetSnappedPos() const { return m_snappedPos; }
    [[nodiscard]] const ThvPoint& GetLastPos() const { return m_lastPos; }
    [[nodiscard]] platform::ui::ShiftState GetKeyShiftState() const { return m_keyShiftState; }

    // ---- drag and drop -------------------------------------------------------------------
    /// Starts dragging `object` inside the application at once; the scene under the pointer
    /// tells its objects. Virtual so that a test scene can record drags.
    virtual void BeginAutoDrag(ThvVisualObject* object);
    /// The same for any component (the 2D objects of the object layers).
    void BeginAutoDragOf(rtl::TComponent* object);
    /// A drag inside the application over the control at (x, y); true when it would drop here.
    bool SceneDragOver(rtl::TObject* source, int32_t x, int32_t y);
    void SceneDragDrop(rtl::TObject* source, int32_t x, int32_t y);
    /// A drag from another application: it enters (false refuses it: no root object), moves
    /// over a client point (the effect shown), leaves, or drops its data there.
    bool DragEnter(const platform::ui::DropData& data);
    platform::ui::DropEffect DragOver(platform::ui::Point p);
    void DragLeave();
    bool Drop(const platform::ui::DropData& data, platform::ui::Point p);
    /// The drag record of the data of the drag from another application in progress: the
    /// dropped file names with the first one in Data, or the dropped text in Data.
    void ReadDropData(ThvDragObject& record) const;

    /// The stored roots, in list order; the design rig and grid are never written.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    void Loaded() override;
    /// Clears every link to a component being freed.
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

protected:
    ~ThvScene() override;
    /// Frees every root (first root first), the canvas and the physics engine, and the
    /// window; then the component's own steps.
    void BeforeDestruction() override;

private:
    class HostEvents;
    friend class HostEvents;

    /// Points `link` at `value`, moving the free notification from the old target to the new.
    template <class T> void Relink(T*& link, T* value);
    void CreateDesignRig();

    // Window life (ThvScene.cpp).
    void CreateHost();
    void WindowCreated();
    void DestroyWnd();
    void HostResized(int32_t width, int32_t height);
    /// The frame is presented through the layered form rather than the window.
    [[nodiscard]] bool PresentsLayered() const;

    // Painting (ThvScenePaint.cpp).
    void Paint(platform::ui::PaintContext& context);
    void RenderSceneMessage();
    void RequestPaint();
    void FramePresented(int32_t width, int32_t height, const uint32_t* pixels);
    void PresentFill(platform::ui::PaintContext& context);

    // Input helpers (ThvSceneInput.cpp).
    void CaptureLost();
    [[nodiscard]] platform::ui::Point ScreenPointOf(int32_t x, int32_t y) const;

    // Real time (ThvSceneRealTime.cpp).
    /// Clears the application's idle handler when it is this scene's.
    void UnhookIdle();

    // Drag and drop helpers (ThvSceneDrop.cpp).
    void EndAutoDrag();
    /// A drag left the window, or the window goes: the object of this scene under the drag
    /// hears DragLeave and is forgotten.
    void ForgetDrags();
    [[nodiscard]] ThvVisualObject* FindDropTargetAt(const ThvPoint& p, const ThvDragObject& record);
    void SwitchDragTarget(ThvVisualObject* target, const ThvDragObject& record, const ThvPoint& p);

    std::vector<ThvObject*> m_objects; // owned: the scene frees its roots
    rtl::TOwned<ThvPhysics> m_physics;
    rtl::TOwned<ThvCanvas> m_windowCanvas; // the canvas of the native window
    ThvCanvas* m_canvas = nullptr; // the window canvas or one handed in; not owned here
    std::unique_ptr<ThvBitmap> m_screenshotTile;
    const ThvCanvasClass* m_screenshotTileClass = nullptr; // what m_screenshotTile's canvas is

    // Window.
    platform::ui::Form* m_form = nullptr; // not owned
    std::unique_ptr<HostEvents> m_hostEvents;
    std::unique_ptr<platform::ui::SceneHost> m_host;
    std::unique_ptr<platform::ui::CoalescedCall> m_renderCall; // the layered path's render
    platform::ui::PaintContext* m_paintContext = nullptr; // while a paint runs
    std::vector<uint32_t> m_heldFrame; // a frame rendered outside a paint, shown by the next
    int32_t m_heldWidth = 0;
    int32_t m_heldHeight = 0;
    bool m_frameHeld = false;
    bool m_renderRequested = false;
    bool m_presented = false; // the frame of the running paint reached the window
    bool m_rendering = false;
    bool m_windowAlive = false; // between WindowCreated and DestroyWnd

    // Published.
    int32_t m_left = 0;
    int32_t m_top = 0;
    int32_t m_width = 100;
    int32_t m_height = 100;
    uint32_t m_fillColor = 0xFF303030;
    uint32_t m_ambientColor = 0xFF202020;
    int32_t m_realTimeSleep = 0;
    int32_t m_cursor = 0;
    ThvQuality m_quality = hvLowQuality;
    bool m_alignRoot = true;
    bool m_allowDrag = false;
    bool m_lighting = true;
    bool m_transparency = false;
    bool m_realTime = false;
    bool m_invisibleAtRuntime = false;
    bool m_usingDesignCamera = true;
    bool m_tabStop = false;

    // Design.
    bool m_designTime = false;
    bool m_designSnapGridShow = true;
    bool m_designSnapToGrid = false;
    bool m_designSnapToLines = true;
    float m_snapGridSize = 0.25f;
    ThvDummy* m_designCameraZ = nullptr; // roots and their children: freed with the roots
    ThvDummy* m_designCameraX = nullptr;
    ThvGrid* m_designGrid = nullptr;

    // Input.
    ThvPoint m_mousePos;
    ThvPoint m_snappedPos;
    ThvPoint m_lastPos;
    platform::ui::ShiftState m_keyShiftState;
    int32_t m_savedCursor = 0;
    platform::ui::WindowDrag m_windowDrag;

    // Links to visual objects and cameras; not owned, cleared in Notification.
    ThvVisualObject* m_activeControl = nullptr;
    ThvVisualObject* m_focused = nullptr;
    ThvVisualObject* m_captured = nullptr;
    ThvVisualObject* m_hovered = nullptr;
    ThvVisualObject* m_selected = nullptr;
    ThvVisualObject* m_designDblClickObject = nullptr;
    ThvCamera* m_camera = nullptr;
    ThvCamera* m_designCamera = nullptr;

    // Real time (ThvSceneRealTime.cpp).
    double m_time = 0;
    double m_deltaTime = 0;
    double m_fps = 0;
    double m_frameTime = 0;
    double m_frameCount = 0;

    std::shared_ptr<scene3d::DesignMode> m_designMode; // while designed, with the design tools
};
