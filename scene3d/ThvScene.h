#pragma once

#include "graphics/Geometry.h"
#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"

#include "platform/rtl/Component.h"

#include <span>
#include <vector>

// The scene control that shows a tree of 3D objects. The object tree reaches its scene through
// the root list kept here (objects whose parent is the scene itself) and through the state
// below, which the visual objects read and set.
//
// FIXME: the scene control's window, its own canvas, the paint cycle, mouse and key routing,
// drag and drop, the real-time loop and design mode are still to come; until then a scene
// keeps its roots and this state, draws nothing and drops repaint requests.
class ThvScene : public rtl::TComponent {
    RTL_CLASS(ThvScene, rtl::TComponent)
public:
    explicit ThvScene(rtl::TComponent* owner);

    // ---- roots ---------------------------------------------------------------------------
    /// Makes `object` a root: it leaves its parent (or another scene's roots) first, joins the
    /// end of the list and takes this scene as the scene of its whole subtree. Nothing for an
    /// object that is a root here already, and nothing while the scene is being destroyed.
    void AddObject(ThvObject* object);
    /// Takes `object` out of the root list; it and its subtree lose their scene link. Nothing
    /// for an object that is not a root here.
    void RemoveObject(ThvObject* object);
    /// The root list, in painting order.
    [[nodiscard]] int GetCount() const { return static_cast<int>(m_objects.size()); }
    /// The root at `index`; null outside the list.
    [[nodiscard]] ThvObject* GetObject(int index) const;
    [[nodiscard]] std::span<ThvObject* const> Objects() const { return m_objects; }

    // ---- published -----------------------------------------------------------------------
    /// Rendering driven by the idle loop; objects then send no repaint requests at run time.
    [[nodiscard]] bool GetRealTime() const { return m_realTime; }
    void SetRealTime(bool value) { m_realTime = value; }
    /// At run time no canvas is made and no physics runs.
    [[nodiscard]] bool GetInvisibleAtRuntime() const { return m_invisibleAtRuntime; }
    void SetInvisibleAtRuntime(bool value) { m_invisibleAtRuntime = value; }
    [[nodiscard]] ThvVisualObject* GetActiveControl() const { return m_activeControl; }
    /// When the object differs: stored and, unless the scene is loading, focused.
    void SetActiveControl(ThvVisualObject* value);

    // ---- canvas, size and requests -------------------------------------------------------
    /// The canvas objects draw through; null before there is one. Not owned.
    [[nodiscard]] ThvCanvas* GetCanvas() const { return m_canvas; }
    void SetCanvas(ThvCanvas* value) { m_canvas = value; }
    /// The control's size in pixels; 100 x 100 at creation.
    [[nodiscard]] int GetWidth() const { return m_width; }
    [[nodiscard]] int GetHeight() const { return m_height; }
    void SetSize(int width, int height);
    /// A repaint request; the whole scene is repainted whatever the rectangle. Dropped while
    /// the scene has no window.
    virtual void AddUpdateRect(const TwzRect& rect);
    /// Client pixels of the control to screen pixels.
    [[nodiscard]] virtual TwzPoint ClientToScreen(const TwzPoint& p) const;
    /// Starts dragging `object` as the drag source; nothing until drag and drop arrives.
    virtual void BeginAutoDrag(ThvVisualObject* object);

    // ---- physics -------------------------------------------------------------------------
    /// The scene's physics engine; null until CreatePhysics made one.
    [[nodiscard]] ThvPhysics* GetPhysics() const { return m_physics.get(); }
    /// Makes the engine from hvDefaultPhysicsClass when there is none; nothing without a
    /// physics class.
    void CreatePhysics();

    // ---- input path: plain links, cleared when the object is freed ----------------------
    [[nodiscard]] ThvVisualObject* GetFocused() const { return m_focused; }
    /// When the object differs: the old one's KillFocus, then the new one's EnterFocus.
    void SetFocused(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetCaptured() const { return m_captured; }
    void SetCaptured(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetHovered() const { return m_hovered; }
    void SetHovered(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetSelected() const { return m_selected; }
    void SetSelected(ThvVisualObject* value);
    [[nodiscard]] ThvVisualObject* GetDesignDblClickObject() const { return m_designDblClickObject; }
    void SetDesignDblClickObject(ThvVisualObject* value);
    /// The camera the scene is viewed through when it does not use its design camera.
    [[nodiscard]] ThvCamera* GetCamera() const { return m_camera; }
    void SetCamera(ThvCamera* value);
    /// The camera of the scene's own design rig.
    [[nodiscard]] ThvCamera* GetDesignCamera() const { return m_designCamera; }
    void SetDesignCamera(ThvCamera* value);
    [[nodiscard]] const ThvPoint& GetMousePos() const { return m_mousePos; }
    void SetMousePos(const ThvPoint& value) { m_mousePos = value; }

    /// The stored roots, in list order.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    /// Clears every link to a component being freed.
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

protected:
    ~ThvScene() override;
    /// Frees every root (first root first) and the physics engine, then the component's own
    /// steps.
    void BeforeDestruction() override;

private:
    /// Points `link` at `value`, moving the free notification from the old target to the new.
    template <class T>
    void Relink(T*& link, T* value);

    std::vector<ThvObject*> m_objects; // owned: the scene frees its roots
    rtl::TOwned<ThvPhysics> m_physics;
    ThvCanvas* m_canvas = nullptr; // not owned
    int m_width = 100;
    int m_height = 100;
    bool m_realTime = false;
    bool m_invisibleAtRuntime = false;
    ThvPoint m_mousePos;
    // Links to visual objects and cameras; not owned, cleared in Notification.
    ThvVisualObject* m_activeControl = nullptr;
    ThvVisualObject* m_focused = nullptr;
    ThvVisualObject* m_captured = nullptr;
    ThvVisualObject* m_hovered = nullptr;
    ThvVisualObject* m_selected = nullptr;
    ThvVisualObject* m_designDblClickObject = nullptr;
    ThvCamera* m_camera = nullptr;
    ThvCamera* m_designCamera = nullptr;
};
