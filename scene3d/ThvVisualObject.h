#pragma once

#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"
#include "scene3d/ThvBounds.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvObject.h"
#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvPosition.h"

#include "graphics/Geometry.h"
#include "platform/rtl/ComponentLink.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TwzBitmap;

namespace platform::ui {
class PopupMenuComponent;
} // namespace platform::ui

/// How a visual child is docked in its parent's box.
enum ThvAlign : uint8_t {
    hvNone,
    hvScale,
    hvContents,
    hvTopLeft,
    hvTopRight,
    hvBottomLeft,
    hvBottomRight,
    hvTop,
    hvLeft,
    hvRight,
    hvBottom,
    hvMostLeft,
    hvMostRight,
    hvClient,
    hvCenter,
    hvVertCenter,
    hvHorzCenter,
    hvHorizontal,
    hvVertical,
};
RTL_ENUM(ThvAlign, "hvNone", "hvScale", "hvContents", "hvTopLeft", "hvTopRight", "hvBottomLeft",
    "hvBottomRight", "hvTop", "hvLeft", "hvRight", "hvBottom", "hvMostLeft", "hvMostRight", "hvClient",
    "hvCenter", "hvVertCenter", "hvHorzCenter", "hvHorizontal", "hvVertical");

/// How a screen-projected layer child is docked, in pixels.
enum ThvLayerAlign : uint8_t {
    hvLayerNone,
    hvLayerTop,
    hvLayerLeft,
    hvLayerRight,
    hvLayerBottom,
    hvLayerMostTop,
    hvLayerMostBottom,
    hvLayerMostLeft,
    hvLayerMostRight,
    hvLayerClient,
    hvLayerCenter,
    hvLayerContents,
};
RTL_ENUM(ThvLayerAlign, "hvLayerNone", "hvLayerTop", "hvLayerLeft", "hvLayerRight", "hvLayerBottom",
    "hvLayerMostTop", "hvLayerMostBottom", "hvLayerMostLeft", "hvLayerMostRight", "hvLayerClient",
    "hvLayerCenter", "hvLayerContents");

enum ThvDragMode : uint8_t { hvDragManual, hvDragAutomatic };
RTL_ENUM(ThvDragMode, "hvDragManual", "hvDragAutomatic");

/// What a drag carries to the object under it: the dragged object or control (null for drops
/// from other programs), dropped file names, and the first file name or the dropped text.
struct ThvDragObject {
    rtl::TObject* Source = nullptr;
    std::vector<std::u16string> Files;
    std::u16string Data;
};

/// A hint request: the cursor in client pixels, and the hint: its text and the client
/// rectangle within which the same hint stays up (leaving it asks again).
struct ThvHintInfo {
    platform::ui::Point CursorPos;
    platform::ui::Rect CursorRect;
    std::u16string HintStr;
};

using TShiftState = platform::ui::ShiftState;
using TMouseButton = platform::ui::MouseButton;

/// Sender, button, shift state, the point in the object's local X-Y, and the pick ray in local
/// coordinates.
using ThvMouseEvent
    = rtl::TEvent<rtl::TObject*, TMouseButton, TShiftState, float, float, const ThvVector&, const ThvVector&>;
using ThvMouseMoveEvent
    = rtl::TEvent<rtl::TObject*, TShiftState, float, float, const ThvVector&, const ThvVector&>;
/// Sender, shift state, wheel delta (120 a notch), the scene's last mouse point, handled.
using ThvMouseWheelEvent = rtl::TEvent<rtl::TObject*, TShiftState, int32_t, const ThvPoint&, bool&>;
/// Key code (0 for a typed character), character (0 for a key press), shift state; no sender.
using ThvKeyEvent = rtl::TEvent<uint16_t&, char16_t&, TShiftState>;
using ThvPaintEvent = rtl::TEvent<rtl::TObject*, ThvCanvas*>;
using ThvDragEnterEvent = rtl::TEvent<rtl::TObject*, const ThvDragObject&, const ThvPoint&>;
using ThvDragDropEvent = ThvDragEnterEvent;
using ThvDragOverEvent = rtl::TEvent<rtl::TObject*, const ThvDragObject&, const ThvPoint&, bool&>;
using ThvDragLeaveEvent = rtl::TNotifyEvent;
/// Sender, the other object of the contact, contact point and normal.
using ThvCollisionEvent = rtl::TEvent<rtl::TObject*, ThvVisualObject*, const ThvVector&, const ThvVector&>;

/// The published rows of docking, motion and physics, for the descendants that publish them
/// (dummies, proxies, shapes, layers).
#define HV_VISUAL_OBJECT_DOCKING_PROPS                                                                       \
    RTL_PROP(ThvVisualObject, Align, Enum, hvNone), RTL_PROP_RO(ThvVisualObject, Body, Int64),               \
        RTL_PROP(ThvVisualObject, Collider, Boolean, false),                                                 \
        RTL_PROP(ThvVisualObject, ColliseTrack, Boolean, false),                                             \
        RTL_PROP(ThvVisualObject, Dynamic, Boolean, false),                                                  \
        RTL_PROP(ThvVisualObject, Velocity, Class, rtl::kNoDefault),                                         \
        RTL_PROP(ThvVisualObject, Margins, Class, rtl::kNoDefault),                                          \
        RTL_PROP(ThvVisualObject, Padding, Class, rtl::kNoDefault)

// An object with a place in 3D space: position, rotation and scale make its local matrix,
// which times its visual parent's absolute matrix is its absolute matrix (row vectors). Width,
// Height and Depth are its box along the local axes, centred on the local origin; they are not
// part of the matrix, each shape applies them when it draws.
//
// The object docks its visual children by their Align inside its box, paints its subtree
// through the scene's canvas, answers pick rays, and receives the input the scene routes to it.
// The rotation is kept as a quaternion; each change of one RotateAngle component turns it
// further about the object's own axis, so the order of changes matters.
class ThvVisualObject : public ThvObject {
    RTL_CLASS(ThvVisualObject, ThvObject)
public:
    explicit ThvVisualObject(rtl::TComponent* owner);

    [[nodiscard]] ThvVisualObject* AsVisual() override { return this; }
    [[nodiscard]] const ThvVisualObject* AsVisual() const override { return this; }

    // Published.
    [[nodiscard]] ThvPosition* GetPosition() const { return m_position.get(); }
    void SetPosition(ThvPosition* value);
    [[nodiscard]] ThvPosition* GetScale() const { return m_scale.get(); }
    void SetScale(ThvPosition* value);
    /// Degrees; changing one component turns the object about that own axis by the difference.
    [[nodiscard]] ThvPosition* GetRotateAngle() const { return m_rotateAngle.get(); }
    void SetRotateAngle(ThvPosition* value);
    [[nodiscard]] float GetWidth() const { return m_width; }
    [[nodiscard]] float GetHeight() const { return m_height; }
    [[nodiscard]] float GetDepth() const { return m_depth; }
    [[nodiscard]] bool GetVisible() const { return m_visible; }
    [[nodiscard]] bool GetIsVisible() const { return m_visible; }
    [[nodiscard]] float GetOpacity() const { return m_opacity; }
    /// Kept within 0..1.
    void SetOpacity(float value);
    [[nodiscard]] bool GetHitTest() const { return m_hitTest; }
    void SetHitTest(bool value);
    [[nodiscard]] bool GetZWrite() const { return m_zWrite; }
    void SetZWrite(bool value);
    /// True: painting culls no faces.
    [[nodiscard]] bool GetTwoSide() const { return m_twoSide; }
    void SetTwoSide(bool value) { m_twoSide = value; }
    [[nodiscard]] bool GetLocked() const { return m_locked; }
    void SetLocked(bool value) { m_locked = value; }
    [[nodiscard]] bool GetDesignHide() const { return m_designHide; }
    void SetDesignHide(bool value);
    /// A toolkit cursor number (0 the default arrow), shown by the scene over the object.
    [[nodiscard]] int32_t GetCursor() const { return m_cursor; }
    void SetCursor(int32_t value) { m_cursor = value; }
    [[nodiscard]] ThvDragMode GetDragMode() const { return m_dragMode; }
    void SetDragMode(ThvDragMode value) { m_dragMode = value; }
    [[nodiscard]] bool GetDragDisableHighlight() const { return m_dragDisableHighlight; }
    void SetDragDisableHighlight(bool value) { m_dragDisableHighlight = value; }
    [[nodiscard]] const std::u16string& GetHint() const { return m_hint; }
    void SetHint(const std::u16string& value) { m_hint = value; }
    [[nodiscard]] bool GetShowHint() const { return m_showHint; }
    void SetShowHint(bool value) { m_showHint = value; }
    [[nodiscard]] bool GetIsMouseOver() const { return m_isMouseOver; }
    [[nodiscard]] bool GetIsFocused() const { return m_isFocused; }
    [[nodiscard]] bool GetIsDragOver() const { return m_isDragOver; }

    // Published by the descendants that dock, move or collide (dummies, proxies, shapes,
    // layers).
    [[nodiscard]] ThvAlign GetAlign() const { return m_align; }
    void SetAlign(ThvAlign value);
    [[nodiscard]] ThvBounds* GetMargins() const { return m_margins.get(); }
    void SetMargins(ThvBounds* value);
    [[nodiscard]] ThvBounds* GetPadding() const { return m_padding.get(); }
    void SetPadding(ThvBounds* value);
    /// Motion per second along the object's own axes.
    [[nodiscard]] ThvPosition* GetVelocity() const { return m_velocity.get(); }
    void SetVelocity(ThvPosition* value);
    [[nodiscard]] bool GetDynamic() const { return m_dynamic; }
    void SetDynamic(bool value);
    [[nodiscard]] bool GetCollider() const { return m_collider; }
    void SetCollider(bool value);
    [[nodiscard]] bool GetColliseTrack() const { return m_colliseTrack; }
    void SetColliseTrack(bool value) { m_colliseTrack = value; }
    [[nodiscard]] ThvPhysicsBody GetBody() const { return m_body; }

    ThvMouseEvent OnMouseDown;
    ThvMouseMoveEvent OnMouseMove;
    ThvMouseEvent OnMouseUp;
    ThvMouseWheelEvent OnMouseWheel;
    rtl::TNotifyEvent OnClick;
    rtl::TNotifyEvent OnDblClick;
    ThvKeyEvent OnKeyDown;
    ThvKeyEvent OnKeyUp;
    ThvDragEnterEvent OnDragEnter;
    ThvDragOverEvent OnDragOver;
    ThvDragDropEvent OnDragDrop;
    ThvDragLeaveEvent OnDragLeave;
    ThvPaintEvent OnBeforePaint;
    ThvPaintEvent OnPaint;
    ThvCollisionEvent OnCollision;

    // Sizes. In design mode a negative size mirrors the object through its Scale instead.
    virtual void SetVisible(bool value);
    virtual void SetHeight(float value);
    virtual void SetWidth(float value);
    virtual void SetDepth(float value);

    // Transform.
    /// The rotation; the truth behind RotateAngle, used only while an angle is not 0.
    [[nodiscard]] const ThvQuaternion& GetQuaternion() const { return m_quaternion; }
    [[nodiscard]] const ThvMatrix& GetLocalMatrix() const { return m_localMatrix; }
    /// The local matrix times the visual parent's absolute matrix; cached until the object or
    /// an ancestor changes.
    virtual ThvMatrix GetAbsoluteMatrix();
    /// The inverse of the absolute matrix; the identity when it cannot be inverted.
    [[nodiscard]] ThvMatrix GetInvertAbsoluteMatrix();
    /// Rows 0 to 3 of the absolute matrix: the X axis, the Y axis (viewing direction), the Z
    /// axis (up) and the world position.
    [[nodiscard]] ThvVector GetAbsoluteRight();
    [[nodiscard]] ThvVector GetAbsoluteDirection();
    [[nodiscard]] ThvVector GetAbsoluteUp();
    [[nodiscard]] ThvVector GetAbsolutePosition();
    virtual ThvPoint AbsoluteToLocal(const ThvPoint& point);
    virtual ThvPoint LocalToAbsolute(const ThvPoint& point);
    /// V with its own W through the inverse absolute matrix; the result's W is 1.
    virtual ThvVector AbsoluteToLocalVector(const ThvVector& vector);
    virtual ThvVector LocalToAbsoluteVector(const ThvVector& vector);
    /// The object's box as the scene shows it, in the canvas's pixels. Needs a canvas.
    [[nodiscard]] TwzRect GetScreenBounds();
    /// Opacity times the visual parent's absolute opacity; cached like the matrix.
    virtual float GetAbsoluteOpacity();
    virtual void RecalcOpacity();
    /// Marks the absolute matrices of the object and its visual subtree for recomputing, moves
    /// the collision bodies of the subtree with them and asks for a repaint.
    virtual void RecalcAbsolute();
    /// Rebuilds the local matrix from Position, the rotation and Scale.
    virtual void MatrixChanged();

    [[nodiscard]] ThvProjection GetProjection() const { return m_projection; }
    /// Sets the projection of the object and its whole visual subtree.
    void SetProjection(ThvProjection value);

    // Docking.
    /// Lays out the children by their Align (and screen layers by their LayerAlign).
    virtual void Realign();
    /// The docking of a screen layer in its parent; none for other objects.
    [[nodiscard]] virtual ThvLayerAlign GetLayerAlign() const { return hvLayerNone; }

    // Painting.
    /// The object's off-screen canvas when set, else its scene's; null without either.
    [[nodiscard]] ThvCanvas* GetCanvas() const;
    [[nodiscard]] ThvCanvas* GetTempCanvas() const { return m_tempCanvas; }
    /// Redirects the drawing of the object and its whole visual subtree to `value` (an
    /// off-screen canvas); null gives them back to the scene's canvas. Not owned.
    void SetTempCanvas(ThvCanvas* value);
    /// Asks the scene for a repaint; nothing for an invisible object, outside a scene, while
    /// being freed, or in a real-time scene at run time.
    void Repaint();
    virtual void VisitChildren();
    virtual void ApplyLights();
    virtual void BeforePaint();
    virtual void AfterPaint();
    virtual void Render();
    /// Draws the visual children and their subtrees with their presets and matrices.
    virtual void RenderChildren();

    // Off-screen rendering.
    /// Renders the object and its subtree, as the scene's camera sees it, into `bitmap`
    /// (resized to width x height), fitted and centred, supersampled `scale` times (1..16),
    /// through 512 x 512 off-screen tiles. clearColor 0 leaves the background transparent.
    /// `progress`, when set, hears the tiles done and their total after each tile (and once
    /// with none done before the first); it may process messages, and returning false cancels:
    /// the picture is then the background alone. Returns false when cancelled or when the
    /// object went away during the render, true otherwise.
    using ScreenshotProgress = std::function<bool(int64_t tilesDone, int64_t tilesTotal)>;
    bool MakeScreenshot(TwzBitmap* bitmap, int32_t width, int32_t height, uint32_t clearColor, int32_t scale,
        const ScreenshotProgress& progress = {});
    /// Renders the window (offsetX, offsetY, width x height) of the object's screen rectangle
    /// magnified by `scale` into `bitmap` through the bitmap's own canvas.
    void PaintToBitmap(ThvBitmap* bitmap, int32_t width, int32_t height, int32_t offsetX, int32_t offsetY,
        float scale, uint32_t clearColor);

    // Picking.
    /// The nearest object of the subtree hit at the canvas pixel (x, y) among those of
    /// `projection`; children are asked first and a parent only when none of them was hit.
    /// `distance` starts at 65535 and shrinks with every nearer hit.
    ThvVisualObject* ObjectAtPoint(ThvProjection projection, float& distance, float x, float y);
    /// As ObjectAtPoint, keeping only objects whose drag-over accepts `data`.
    ThvVisualObject* FindDropTarget(
        const ThvPoint& point, ThvProjection projection, const ThvDragObject& data, float& distance);
    [[nodiscard]] bool IsHitTestable() const;
    /// The ray (local coordinates, unit direction) against the object; `hit` is in world
    /// coordinates. The base is hit by any ray at its world position.
    virtual bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit);

    // Input, called by the scene.
    virtual void DesignSelect();
    virtual void DesignClick();
    virtual void MouseDown(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir);
    virtual void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY,
        const ThvVector& rayPos, const ThvVector& rayDir);
    virtual void MouseUp(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir);
    virtual void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled);
    virtual void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift);
    virtual void KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void EnterFocus();
    virtual void KillFocus();
    virtual void Click();
    virtual void DblClick();
    /// `point` in screen pixels.
    virtual void ContextMenu(const TwzPoint& point);
    virtual void DragEnter(const ThvDragObject& data, const ThvPoint& point);
    virtual void DragOver(const ThvDragObject& data, const ThvPoint& point, bool& accept);
    virtual void DragDrop(const ThvDragObject& data, const ThvPoint& point);
    virtual void DragLeave();
    /// True when the object answered the request itself, with the text and rectangle it put
    /// into `info`; false leaves the hint to the scene (the object's Hint around the cursor).
    virtual bool HintShow(ThvHintInfo& info);
    /// Appends the object when visible, then its visible visual descendants (the Tab order).
    virtual void AddVisibleToList(std::vector<rtl::TObject*>& list);
    void SetFocus();
    void Capture();
    void ReleaseCapture();

    [[nodiscard]] bool GetCanFocused() const { return m_canFocused; }
    void SetCanFocused(bool value) { m_canFocused = value; }
    [[nodiscard]] bool GetAutoCapture() const { return m_autoCapture; }
    void SetAutoCapture(bool value) { m_autoCapture = value; }
    [[nodiscard]] bool GetPressed() const { return m_pressed; }
    [[nodiscard]] bool GetDoubleClicked() const { return m_doubleClicked; }
    [[nodiscard]] platform::ui::PopupMenuComponent* GetPopupMenu() const { return m_popupMenu; }
    /// A plain link, cleared when the menu is freed.
    void SetPopupMenu(platform::ui::PopupMenuComponent* value);
    /// Whether the design tools offer resize and rotation handles for the object.
    [[nodiscard]] bool GetDesignResizable() const { return m_designResizable; }
    [[nodiscard]] bool GetDesignRotatable() const { return m_designRotatable; }

    // Physics. A body lives in the world of the scene whose engine made it, and only while
    // the object is in that scene: leaving the scene (or being freed) destroys it through that
    // engine, and joining a scene with Dynamic or Collider set makes one there (as setting
    // them does: not while the scene is designed or invisible at run time).
    virtual void DoCollision(ThvVisualObject* other, const ThvVector& point, const ThvVector& normal);
    /// Makes the body when Dynamic or Collider is set; a body the object has already is
    /// destroyed first, so none is left unreachable in its world.
    virtual void CreateBody();
    /// Destroys the body through the engine that made it, whatever scene the object is in
    /// now; the handle is cleared even when that engine is gone (its worlds went with it).
    virtual void DestroyBody();
    virtual void CreateBodies();
    void RecreateBody();

    void ProcessTick(double time, double deltaTime) override;
    void Loaded() override;
    void DefineProperties(rtl::TFiler& filer) override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

    /// "(x,y,z,r)": the stored form of the rotation.
    [[nodiscard]] std::string GetQuaternionText() const;
    /// Reads the stored form of the rotation; the local matrix follows at the next
    /// MatrixChanged (after loading).
    void SetQuaternionText(const std::string& text);

protected:
    ~ThvVisualObject() override;
    void BeforeDestruction() override;

    virtual void RotateXChanged();
    virtual void RotateYChanged();
    virtual void RotateZChanged();

    void ObjectAdded(ThvObject* child) override;
    void ObjectRemoved(ThvObject* child) override;
    void OrderChanged() override;
    void SceneChanged(ThvScene* previous) override;
    [[nodiscard]] bool ReceivesParentTriggers() const override;

    /// True for the layers, whose children are docked in pixels around their own origin.
    [[nodiscard]] virtual bool IsLayer() const { return false; }

    /// True when the scene is being designed.
    [[nodiscard]] bool InDesignMode() const;
    /// The visual parent, or null.
    [[nodiscard]] ThvVisualObject* GetVisualParent() const;
    /// The physics engine of the scene, or null.
    [[nodiscard]] ThvPhysics* GetPhysics() const;

    /// The box test of picking: the ray (local coordinates) enters the object's box, scaled by
    /// `scale`, through the face opposite the first of the normals +X, +Y, +Z, -X, -Y, -Z
    /// that runs along the ray, within `tolerance` of the half sizes; `point` is the local
    /// entry point. Only the first such face is tried through, not the nearest.
    bool RayCastBox(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& point,
        float tolerance = 0.501f, float scale = 1.0f) const;
    /// The mesh test of picking: the first triangle of `mesh`, its vertices scaled by the
    /// object's size, that the ray (local coordinates) hits; `point` is the local hit.
    bool RayCastMesh(
        const ThvVector& rayPos, const ThvVector& rayDir, const ThvMeshData& mesh, ThvVector& point) const;

    /// Gives Position another default (and that value): the stored form leaves out only the
    /// default, so a class that starts elsewhere must say where.
    void ResetPositionDefault(const ThvPoint& value);
    /// Draws the visual children as RenderChildren does, each with its local matrix times
    /// `parentMatrix` instead of its own absolute matrix (a proxy draws its source's subtree
    /// at its own place this way).
    void RenderChildrenAt(const ThvMatrix& parentMatrix);

    void SetDesignResizable(bool value) { m_designResizable = value; }
    void SetDesignRotatable(bool value) { m_designRotatable = value; }
    /// Stores a size without any side effect (alignment writes sizes this way).
    void SetSizeFields(float width, float height, float depth);
    /// Keeps the body a descendant's own CreateBody made (a sphere, a cone, a cylinder) with
    /// the scene's engine; any body the object had must have been destroyed first.
    void SetBody(ThvPhysicsBody value);
    /// The CreateBody of the round shapes: gives the scene an engine when it has none and, for
    /// a collider or a dynamic object, a body of the object's size made by `create` (one of
    /// the engine's CreateSphere, CreateCone, CreateCylinder) in place of any it had.
    void CreateShapeBody(ThvPhysicsBody (ThvPhysics::*create)(ThvVisualObject*, const ThvVector&));

private:
    friend class ThvProxyObject; // draws its source with the proxy's matrix and size

    void PositionChanged(rtl::TObject* sender);
    void ScaleChanged(rtl::TObject* sender);
    void RotateAngleXChanged(rtl::TObject* sender);
    void RotateAngleYChanged(rtl::TObject* sender);
    void RotateAngleZChanged(rtl::TObject* sender);
    void MarginsChanged(rtl::TObject* sender);
    void PaddingChanged(rtl::TObject* sender);
    /// Turns the rotation about the own `axis` by the change of one angle and settles it.
    void TurnAbout(
        const ThvVector& axis, float sign, float current, float previous, float ThvPoint::*component);
    /// The common part of the three size setters.
    void SizeChanged(float& size, float value, float ThvPoint::*scaleAxis);

    /// The distance from the eye to this object's own hit by the ray through (x, y), when it
    /// takes hits, is of `projection` and is hit.
    bool OwnHitDistance(ThvProjection projection, float x, float y, float& d);

    /// The walk of RenderChildren; `parentMatrix` null: every child at its absolute matrix.
    void RenderChildrenWith(const ThvMatrix* parentMatrix);

    // Docking passes.
    void AlignChildren3D();
    void AlignLayers();
    [[nodiscard]] ThvMatrix GetParentAbsoluteMatrix();
    /// The marking of RecalcAbsolute, over the subtree, without the repaint.
    void MarkAbsoluteStale();
    /// The engine that made the body, while its scene and that engine live; null otherwise.
    [[nodiscard]] ThvPhysics* GetBodyEngine() const;

    std::unique_ptr<ThvPosition> m_position;
    std::unique_ptr<ThvPosition> m_scale;
    std::unique_ptr<ThvPosition> m_rotateAngle;
    std::unique_ptr<ThvPosition> m_velocity;
    std::unique_ptr<ThvBounds> m_margins;
    std::unique_ptr<ThvBounds> m_padding;
    ThvQuaternion m_quaternion = hvIdentityQuaternion;
    ThvMatrix m_localMatrix = hvIdentityMatrix;
    ThvMatrix m_absoluteMatrix = hvIdentityMatrix;
    float m_width = 1;
    float m_height = 1;
    float m_depth = 1;
    // The size the children were last docked for.
    float m_prevWidth = 0;
    float m_prevHeight = 0;
    float m_prevDepth = 0;
    float m_opacity = 1;
    float m_absoluteOpacity = 1;
    ThvCanvas* m_tempCanvas = nullptr; // not owned
    rtl::ComponentLink<platform::ui::PopupMenuComponent> m_popupMenu { this };
    std::u16string m_hint;
    ThvPhysicsBody m_body = 0;
    // Where the body was made: the scene (cleared when it is freed) and its engine then.
    rtl::Watch<ThvScene> m_bodyScene;
    ThvPhysics* m_bodyEngine = nullptr; // not owned; valid only while m_bodyScene holds it
    int32_t m_cursor = 0;
    ThvProjection m_projection = hvProjectionCamera;
    ThvAlign m_align = hvNone;
    ThvDragMode m_dragMode = hvDragManual;
    bool m_absoluteDirty = true;
    bool m_opacityDirty = true;
    bool m_visible = true;
    bool m_hitTest = true;
    bool m_zWrite = true;
    bool m_twoSide = false;
    bool m_locked = false;
    bool m_designHide = false;
    bool m_dragDisableHighlight = false;
    bool m_showHint = false;
    bool m_isMouseOver = false;
    bool m_isFocused = false;
    bool m_isDragOver = false;
    bool m_dynamic = false;
    bool m_collider = false;
    bool m_colliseTrack = false;
    bool m_canFocused = false;
    bool m_autoCapture = false;
    bool m_pressed = false;
    bool m_doubleClicked = false;
    bool m_aligning = false;
    bool m_laidOut = false; // the previous sizes hold a layout
    bool m_designResizable = true;
    bool m_designRotatable = true;
};
