#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/Component.h"
#include "ui2d/Forward.h"

#include <cstdint>
#include <string>

/// The host of a 2D object tree, as the objects of the tree see it: the only way a 2D object
/// reaches the window, canvas or 3D layer that shows it. Two hosts implement it: the 2D scene
/// control and the object layer of the 3D scene.
///
/// A host is a component that carries this interface as part of itself (a class deriving
/// from rtl::TComponent and IwzScene); code that has a component finds the interface with
/// dynamic_cast. Holding an IwzScene pointer does not keep the host alive: the host's owner
/// frees it, and the host clears the scene link of its roots when it goes. Nothing frees a
/// host through this interface. All coordinates are scene coordinates: pixels of the host's
/// drawing surface, origin at its top left. GUI thread only. Operations given null do nothing.
///
/// A host deriving from rtl::TComponent overrides GetOwner() with TComponent::GetOwner(),
/// overrides Notification once for both bases, and adds `using TComponent::GetComponent;`
/// so that its owned components stay reachable by index.
class IwzScene {
public:
    /// Makes `object` a root of this host: it leaves its parent first, joins the end of the
    /// root list and takes this host as its scene link. A visual object is then invalidated
    /// and the first root re-fitted to the host (not while the host is being destroyed).
    virtual void AddObject(TwzObject* object) = 0;
    /// Repaints the whole host, clears the object's scene link, forgets it wherever the host
    /// holds it (its own Notification) and takes it out of the root list. Harmless for an
    /// object that is not a root; nothing while the host has no root list.
    virtual void RemoveObject(TwzObject* object) = 0;

    /// Sets the update-disabled flag: AddUpdateRect does nothing until EndUpdate.
    virtual void BeginUpdate() = 0;
    /// Clears the flag and repaints the whole host.
    virtual void EndUpdate() = 0;
    /// Clears the flag only.
    virtual void EndUpdateNoRepaint() = 0;

    /// Starts moving the host's window with the mouse, until the button is released.
    virtual void BeginWindowDrag() = 0;
    /// Starts resizing the host's window with the mouse, until the button is released.
    virtual void BeginWindowResize() = 0;

    /// Reports a dirty rectangle; the host repaints at least that area on its next paint.
    /// Cheap, called often; the host merges, queues or drops rectangles by its own rules.
    virtual void AddUpdateRect(const TwzRect& rect) = 0;

    /// Design mode only: creates an object of the named registered class and inserts it.
    virtual void InsertObjectByClassName(const std::string& className) = 0;

    /// The control that takes the focus after loading; null when none.
    [[nodiscard]] virtual TwzControl* GetActiveControl() const = 0;
    [[nodiscard]] virtual bool GetDisableUpdate() const = 0;
    /// Sets or clears the update-disabled flag without repainting.
    virtual void SetDisableUpdate(bool value) = 0;
    /// True while the host is being designed.
    [[nodiscard]] virtual bool GetDesignTime() const = 0;
    /// The canvas objects paint into during the host's paint cycle.
    [[nodiscard]] virtual TwzCanvas* GetCanvas() const = 0;
    /// The first root object; null when there is none.
    [[nodiscard]] virtual TwzObject* GetRoot() const = 0;
    /// The owner of the host (for a 2D scene, its form).
    [[nodiscard]] virtual rtl::TComponent* GetOwner() const = 0;
    /// The host component itself.
    [[nodiscard]] virtual rtl::TComponent* GetComponent() const = 0;
    /// The host's style sheet; null when none.
    [[nodiscard]] virtual TwzResources* GetStyle() const = 0;
    /// Leaves the old sheet's user list, joins the new one's, then UpdateStyle. Nothing when
    /// `value` is the current sheet.
    virtual void SetStyle(TwzResources* value) = 0;
    /// True when the host's background is transparent.
    [[nodiscard]] virtual bool GetTransparency() const = 0;
    /// Asks the first root to look up and apply its styles again; nothing without a root.
    virtual void UpdateStyle() = 0;
    /// The host's component notification: on removal the host forgets `component` wherever
    /// it holds it (focused, captured, hovered, selected and drop-target objects, the active
    /// control, the style sheet, a linked frame).
    virtual void Notification(rtl::TComponent* component, rtl::TOperation operation) = 0;
    [[nodiscard]] virtual TwzTextRendering GetTextRendering() const = 0;
    /// Design mode: the selected object; null otherwise.
    [[nodiscard]] virtual TwzObject* GetSelected() const = 0;
    /// Design mode: the target of a reparenting drag; null otherwise.
    [[nodiscard]] virtual TwzObject* GetDesignDropTarget() const = 0;
    /// The dirty rectangles collected for the paint in progress.
    [[nodiscard]] virtual int32_t GetUpdateRectsCount() const = 0;
    /// The dirty rectangle at `index`; the caller keeps the index in range.
    [[nodiscard]] virtual TwzRect GetUpdateRect(int32_t index) const = 0;
    /// `object` receives all mouse input until released; null releases. The host holds the
    /// platform mouse capture meanwhile.
    virtual void SetCaptured(TwzObject* object) = 0;
    [[nodiscard]] virtual TwzObject* GetCaptured() const = 0;
    /// Moves the keyboard focus: nothing when `object` has it already; otherwise the old
    /// focused object loses it (KillFocus) before the new one gains it (EnterFocus).
    virtual void SetFocused(TwzObject* object) = 0;
    [[nodiscard]] virtual TwzObject* GetFocused() const = 0;
    /// Design mode: records the object double-clicked.
    virtual void SetDesignDblClickObject(TwzObject* object) = 0;
    /// The last mouse position the host recorded.
    [[nodiscard]] virtual TwzPoint GetMousePos() const = 0;
    /// `point` in screen pixels.
    [[nodiscard]] virtual TwzPoint LocalToScreen(const TwzPoint& point) const = 0;
    /// Starts a drag-and-drop operation carrying `object` as its source.
    virtual void BeginDrag(TwzObject* object) = 0;
    /// Design mode: selects `object` when it belongs to this host.
    virtual void SetSelected(TwzObject* object) = 0;
    /// True when text carets blink.
    [[nodiscard]] virtual bool GetAnimatedCaret() const = 0;

protected:
    IwzScene() = default;
    IwzScene(const IwzScene&) = default;
    IwzScene& operator=(const IwzScene&) = default;
    ~IwzScene() = default;
};
