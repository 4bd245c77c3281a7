#pragma once

#include "scene3d/ThvCustomBufferLayer.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvSceneDesign.h"
#include "ui2d/HostDesignMode.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzObject.h"

#include "graphics/Geometry.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TwzBrush;
class TwzVisualObject;

// A flat 3D object that carries a tree of 2D objects: the layer is the scene of its 2D roots
// (IwzScene), paints the dirty rectangles they report into a 2D canvas of the layer's pixel
// size and copies only those rectangles into its buffer bitmap, which the plate shows.
//
// Ray hits on the plate count only where a 2D object lies, so clicks on empty parts of the
// layer reach what lies behind it. Mouse, wheel, keys, focus and drops of the 3D scene are
// routed to the 2D objects as the 2D scene control routes those of its window.
//
// Painting and the host interface are in ThvObjectLayer.cpp, input in ThvObjectLayerInput.cpp.
class ThvCustomObjectLayer : public ThvCustomBufferLayer,
                             public IwzScene,
                             public scene3d::IObjectLayer,
                             public scene3d::IDesignMouseInput {
    RTL_CLASS(ThvCustomObjectLayer, ThvCustomBufferLayer)
public:
    explicit ThvCustomObjectLayer(rtl::TComponent* owner);

    using rtl::TComponent::GetComponent;

    // ---- published -----------------------------------------------------------------------
    [[nodiscard]] TwzBrush* GetFill() const { return m_fill.get(); }
    /// Copies `value` into the layer's own brush.
    void SetFill(TwzBrush* value);
    void SetTextRendering(TwzTextRendering value);
    /// Stored; unless loading, a control takes the focus.
    void SetActiveControl(TwzControl* value);
    void SetAnimatedCaret(bool value) { m_animatedCaret = value; }
    [[nodiscard]] bool GetAllowDrag() const { return m_allowDrag; }
    void SetAllowDrag(bool value) { m_allowDrag = value; }

    // ---- roots and painting --------------------------------------------------------------
    [[nodiscard]] std::span<TwzObject* const> Roots() const { return m_roots; }
    /// The layer's pixel size (that of its buffer and canvas).
    [[nodiscard]] int32_t PixelWidth() const { return GetBufferWidth(); }
    [[nodiscard]] int32_t PixelHeight() const { return GetBufferHeight(); }
    /// Paints the collected rectangles into the canvas; nothing while a paint runs, while the
    /// layer is linked to a frame, or when nothing is collected. The rectangles painted stay
    /// in PaintedRects until the next paint.
    virtual void PaintObjects();
    /// The rectangles the last PaintObjects painted (and the frame copies to the buffer).
    [[nodiscard]] const std::vector<TwzRect>& PaintedRects() const { return m_paintedRects; }
    [[nodiscard]] const std::vector<TwzRect>& PendingUpdateRects() const { return m_updateRects; }
    /// The visible 2D object under a layer point; null when none.
    [[nodiscard]] TwzVisualObject* ObjectAtLayerPoint(float x, float y);
    /// Sizes the first visual root to the layer, after its own scale.
    void RealignRoot();
    /// The layer point a hit (scene coordinates) on the plate stands for.
    [[nodiscard]] TwzPoint HitToLayerPoint(const ThvVector& hit);
    /// The local point on the plate of a layer point (the inverse of HitToLayerPoint).
    [[nodiscard]] ThvPoint LayerPointToLocal(const TwzPoint& p) const;
    /// The client pixels a rectangle of layer pixels covers on the scene control: the
    /// whole-pixel box round its corners as the scene's canvas shows them. Empty without a
    /// scene canvas.
    [[nodiscard]] platform::ui::Rect LayerRectToClient(const TwzRect& r);
    /// The frame object that shows the root elsewhere; while set, the layer paints nothing.
    void SetLinkedFrame(rtl::TComponent* frame) { m_linkedFrame = frame; }

    // ---- design mode -----------------------------------------------------------------------
    /// Selected in a designed 3D scene, the layer takes the mouse itself, so that its own 2D
    /// objects can be designed; a layer whose one object is made in code clears it.
    [[nodiscard]] bool GetDesignMouseInput() const override { return m_designMouseInput; }
    void SetDesignMouseInput(bool value) { m_designMouseInput = value; }
    [[nodiscard]] bool GetDesignSnapToGrid() const { return m_designSnapToGrid; }
    void SetDesignSnapToGrid(bool value) { m_designSnapToGrid = value; }
    [[nodiscard]] bool GetDesignSnapToLines() const { return m_designSnapToLines; }
    void SetDesignSnapToLines(bool value) { m_designSnapToLines = value; }
    [[nodiscard]] bool GetDesignSnapGridShow() const { return m_designSnapGridShow; }
    /// Kept off while the layer is not designed.
    void SetDesignSnapGridShow(bool value) { m_designSnapGridShow = m_designing && value; }
    [[nodiscard]] float GetGridSize() const { return m_gridSize; }
    /// Raised by the design mode when the selection changes or a handle drag starts.
    rtl::TNotifyEvent OnDesignChange;
    /// The design mode of a designed layer, made on first use; null while the layer is not
    /// designed or the design tools are not there.
    [[nodiscard]] ui2d::HostDesignMode* GetDesignMode();

    // ---- the 3D object ---------------------------------------------------------------------
    void SetVisible(bool value) override;
    void BeforePaint() override;
    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;
    void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled) override;
    void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift) override;
    void MouseLeave() override;
    void EnterFocus() override;
    void KillFocus() override;
    void DragOver(const ThvDragObject& data, const ThvPoint& point, bool& accept) override;
    void DragDrop(const ThvDragObject& data, const ThvPoint& point) override;
    void AddVisibleToList(std::vector<rtl::TObject*>& list) override;
    /// Over a 2D object that shows hints: its Hint, within its rectangle in client pixels;
    /// elsewhere the layer's own answer.
    bool HintShow(ThvHintInfo& info) override;
    void LayerMouseMove(TShiftState shift, float x, float y) override;
    void LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y) override;
    void LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y) override;

    // ---- scene3d::IObjectLayer -------------------------------------------------------------
    /// The focused 2D object (also IwzScene's answer).
    [[nodiscard]] TwzObject* GetFocused() const override { return m_focused; }
    bool FocusEntry(rtl::TObject* entry) override;

    // ---- IwzScene --------------------------------------------------------------------------
    void AddObject(TwzObject* object) override;
    void RemoveObject(TwzObject* object) override;
    void BeginUpdate() override { m_disableUpdate = true; }
    void EndUpdate() override;
    void EndUpdateNoRepaint() override { m_disableUpdate = false; }
    void BeginWindowDrag() override;
    void BeginWindowResize() override;
    void AddUpdateRect(const TwzRect& rect) override;
    void InsertObjectByClassName(const std::string& className) override;
    [[nodiscard]] TwzControl* GetActiveControl() const override { return m_activeControl; }
    [[nodiscard]] bool GetDisableUpdate() const override { return m_disableUpdate; }
    void SetDisableUpdate(bool value) override { m_disableUpdate = value; }
    [[nodiscard]] bool GetDesignTime() const override { return m_designing; }
    [[nodiscard]] TwzCanvas* GetCanvas() const override { return m_canvas.get(); }
    [[nodiscard]] TwzObject* GetRoot() const override;
    [[nodiscard]] rtl::TComponent* GetOwner() const override { return rtl::TComponent::GetOwner(); }
    [[nodiscard]] rtl::TComponent* GetComponent() const override;
    [[nodiscard]] TwzResources* GetStyle() const override { return m_style; }
    void SetStyle(TwzResources* value) override;
    [[nodiscard]] bool GetTransparency() const override { return false; }
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
    void SetDesignDblClickObject(TwzObject*) override { }
    [[nodiscard]] TwzPoint GetMousePos() const override { return m_mousePos; }
    [[nodiscard]] TwzPoint LocalToScreen(const TwzPoint& point) const override;
    void BeginDrag(TwzObject* object) override;
    /// Design mode: a visual object of this layer, or null.
    void SetSelected(TwzObject* object) override;
    [[nodiscard]] bool GetAnimatedCaret() const override { return m_animatedCaret; }

    // ---- streaming -------------------------------------------------------------------------
    /// The 3D children, then the stored roots.
    void GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root) override;
    /// The three design settings, always written.
    void DefineProperties(rtl::TFiler& filer) override;
    void Loaded() override;

protected:
    ~ThvCustomObjectLayer() override;
    /// Frees every root, the fill and the canvas and leaves the host list; the last 2D host
    /// frees the 2D animation clock.
    void BeforeDestruction() override;

private:
    class PaintScope;

    void Relink(TwzObject*& link, TwzObject* value);
    [[nodiscard]] bool Holds(const rtl::TComponent* component) const;
    void FillChanged(rtl::TObject* sender);
    void QueueWholeLayer();
    void CopyPaintedRects();
    void PaintBackground();
    [[nodiscard]] float SnapToGrid(float value) const;
    /// The layer point under a client point of the 3D scene; false when the plate is missed.
    bool ClientToLayerPoint(const ThvPoint& client, TwzPoint& layerPoint);
    void DropTargetDragOver(const ThvDragObject& data, const TwzPoint& p, bool& accept);

    std::unique_ptr<TwzCanvas> m_canvas;
    std::unique_ptr<TwzBrush> m_fill;
    std::vector<TwzObject*> m_roots;
    std::vector<TwzRect> m_updateRects;
    std::vector<TwzRect> m_paintedRects;
    TwzObject* m_captured = nullptr;
    TwzObject* m_hovered = nullptr;
    TwzObject* m_focused = nullptr;
    TwzObject* m_selected = nullptr;
    std::shared_ptr<ui2d::HostDesignMode> m_designMode;
    TwzControl* m_activeControl = nullptr;
    TwzResources* m_style = nullptr;
    rtl::TComponent* m_linkedFrame = nullptr;
    TwzPoint m_rawMousePos {};
    TwzPoint m_mousePos {};
    TwzPoint m_downPos {};
    TwzPoint m_resizeSize {};
    TwzPoint m_resizeEdge {};
    uint32_t m_readyTimer = 0;
    int32_t m_savedCursor = 0;
    float m_gridSize = 1;
    TwzTextRendering m_textRendering {};
    bool m_disableUpdate = false;
    bool m_designing = false;
    bool m_windowDragging = false;
    bool m_windowResizing = false;
    bool m_allowDrag = false;
    bool m_designSnapToGrid = false;
    bool m_designSnapToLines = true;
    bool m_designSnapGridShow = false;
    bool m_painting = false;
    bool m_animatedCaret = true;
    bool m_designMouseInput = true;
};

// An object layer in the camera's projection: a plate in the 3D world, Resolution pixels per
// unit of Width and Depth.
class ThvObjectLayer : public ThvCustomObjectLayer {
    RTL_CLASS(ThvObjectLayer, ThvCustomObjectLayer)
public:
    explicit ThvObjectLayer(rtl::TComponent* owner);

protected:
    ~ThvObjectLayer() override = default;
};

// An object layer in screen projection: one pixel per unit, docked by LayerAlign.
class ThvGUIObjectLayer : public ThvCustomObjectLayer {
    RTL_CLASS(ThvGUIObjectLayer, ThvCustomObjectLayer)
public:
    /// Screen projection, 256 x 256, no depth writes.
    explicit ThvGUIObjectLayer(rtl::TComponent* owner);

protected:
    ~ThvGUIObjectLayer() override = default;
};

// Older stream names of the two layers, read only.
class ThvWZLayer : public ThvCustomObjectLayer {
    RTL_CLASS(ThvWZLayer, ThvCustomObjectLayer)
public:
    explicit ThvWZLayer(rtl::TComponent* owner)
        : ThvCustomObjectLayer(owner)
    { }

protected:
    ~ThvWZLayer() override = default;
};

class ThvScreenWZLayer : public ThvGUIObjectLayer {
    RTL_CLASS(ThvScreenWZLayer, ThvGUIObjectLayer)
public:
    explicit ThvScreenWZLayer(rtl::TComponent* owner)
        : ThvGUIObjectLayer(owner)
    { }

protected:
    ~ThvScreenWZLayer() override = default;
};

/// Puts `hit` (scene coordinates) where the ray (the layer's local coordinates) meets the
/// plate's plane: the local X-Y plane in screen projection, X-Z otherwise. Unchanged for a ray
/// along the plane. A layer that holds the mouse takes its points there once the pointer has
/// left the plate, so they go on at the plate's scale.
void HitOnPlatePlane(
    ThvVisualObject& layer, const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit);

namespace layers {

/// Makes the design mode of a designed object layer; installed by the design tools.
using LayerDesignModeFactory = std::shared_ptr<ui2d::HostDesignMode> (*)(ThvCustomObjectLayer& layer);
inline LayerDesignModeFactory MakeLayerDesignMode = nullptr;

} // namespace layers

/// Registers the layer classes by category and the older names for streaming (RegisterLayers).
void RegisterObjectLayers();
