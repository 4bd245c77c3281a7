#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/ComponentLink.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Value.h"
#include "platform/ui/Types.h"
#include "ui2d/Forward.h"
#include "ui2d/TwzObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TwzBounds;
class TwzPosition;
class TwzTimer;

namespace ui2d {
class TextCaret;
} // namespace ui2d

namespace platform::ui {
class PopupMenuComponent;
} // namespace platform::ui

/// How a parent lays out a visual child; the parent processes the kinds in a fixed order of
/// its own, not in this one.
enum TwzAlign : uint8_t {
    vaNone,
    vaTopLeft,
    vaTopRight,
    vaBottomLeft,
    vaBottomRight,
    vaTop,
    vaLeft,
    vaRight,
    vaBottom,
    vaMostTop,
    vaMostBottom,
    vaMostLeft,
    vaMostRight,
    vaClient,
    vaContents,
    vaCenter,
    vaVertCenter,
    vaHorzCenter,
    vaHorizontal,
    vaVertical,
    vaScale,
    vaFit,
    vaFitLeft,
    vaFitRight,
};
RTL_ENUM(TwzAlign, "vaNone", "vaTopLeft", "vaTopRight", "vaBottomLeft", "vaBottomRight", "vaTop", "vaLeft",
    "vaRight", "vaBottom", "vaMostTop", "vaMostBottom", "vaMostLeft", "vaMostRight", "vaClient", "vaContents",
    "vaCenter", "vaVertCenter", "vaHorzCenter", "vaHorizontal", "vaVertical", "vaScale", "vaFit", "vaFitLeft",
    "vaFitRight");

/// Whether a press on a visual object starts a drag by itself.
enum TwzDragMode : uint8_t { wzDragManual, wzDragAutomatic };
RTL_ENUM(TwzDragMode, "wzDragManual", "wzDragAutomatic");

/// What a drag carries to the objects under it: the dragged object (null for drops from
/// other programs), the dropped file names, and the first file name or the dropped text
/// (unassigned for drags inside the program).
struct TwzDragObject {
    rtl::TObject* Source = nullptr;
    std::vector<std::u16string> Files;
    rtl::TValue Data;
};

using TShiftState = platform::ui::ShiftState;
using TMouseButton = platform::ui::MouseButton;

/// Sender, the canvas (set to the object's absolute matrix) and the object's local rectangle.
using TwzPaintEvent = rtl::TEvent<rtl::TObject*, TwzCanvas*, const TwzRect&>;
/// Sender, button, shift state and the point in the object's local coordinates.
using TwzMouseEvent = rtl::TEvent<rtl::TObject*, TMouseButton, TShiftState, float, float>;
/// Sender, shift state, the local point, then the movement since the previous move.
using TwzMouseMoveEvent = rtl::TEvent<rtl::TObject*, TShiftState, float, float, float, float>;
/// Sender, shift state, wheel delta (120 a notch), the host's last mouse point, handled.
using TwzMouseWheelEvent = rtl::TEvent<rtl::TObject*, TShiftState, int32_t, const TwzPoint&, bool&>;
/// Key code (0 for a typed character), character (0 for a key press), shift state; no sender.
using TwzKeyEvent = rtl::TEvent<uint16_t&, char16_t&, TShiftState>;
/// Sender, the drag's payload and the point in scene coordinates.
using TwzDragEnterEvent = rtl::TEvent<rtl::TObject*, const TwzDragObject&, const TwzPoint&>;
using TwzDragDropEvent = TwzDragEnterEvent;
/// As TwzDragEnterEvent, and whether the object accepts the drop (false on entry).
using TwzDragOverEvent = rtl::TEvent<rtl::TObject*, const TwzDragObject&, const TwzPoint&, bool&>;

namespace ui2d {

/// What painting asks of a child effect (TwzEffect implements it beside IEffectChild). The
/// visual object renders itself into a bitmap per enabled effect, lets the effect transform
/// it and draws the result.
class IVisualEffect {
public:
    [[nodiscard]] virtual bool GetEnabled() const = 0;
    /// A non-empty trigger may switch the effect on later, so it counts for HasEffects.
    [[nodiscard]] virtual const std::string& GetTrigger() const = 0;
    /// The area, in the object's local units, the effect's bitmap covers when the object's
    /// content occupies `contentRect`.
    [[nodiscard]] virtual TwzRect GetRect(const TwzRect& contentRect) = 0;
    /// Where the object's image lies inside the effect's bitmap, in local units.
    [[nodiscard]] virtual TwzPoint GetOffset() = 0;
    /// Transforms the bitmap (the object painted at GetOffset x scale) in place.
    virtual void ProcessEffect(TwzCanvas& canvas, TwzBitmap& bitmap, float scale) = 0;
    /// The effect's image replaces the object's own painting.
    [[nodiscard]] virtual bool GetDisablePaint() const = 0;
    /// The effect's image is drawn over the object instead of under it.
    [[nodiscard]] virtual bool GetPaintAfter() const = 0;

protected:
    ~IVisualEffect() = default;
};

} // namespace ui2d

// A 2D object that occupies space: a size, a position in its parent, a scale and a rotation
// about a centre point, an opacity, visible and enabled states. It keeps cached matrices
// from its local coordinates (origin top left, y down) to the scene's, lays out its aligned
// children, paints itself and its children into the host's canvas and reports the scene
// rectangles that need repainting.
//
// Caches (absolute matrix, opacity, enabled state, update rectangle, effects bitmaps) are
// marked when something upstream changes and recomputed on first use. While the object is
// loading, setters store values without repainting or realigning; the after-load step
// catches up.
class TwzVisualObject : public TwzObject {
    RTL_CLASS(TwzVisualObject, TwzObject)
public:
    explicit TwzVisualObject(rtl::TComponent* owner);

    // ---- published ------------------------------------------------------------------------
    [[nodiscard]] TwzAlign GetAlign() const { return m_align; }
    virtual void SetAlign(TwzAlign value);
    [[nodiscard]] int32_t GetCursor() const { return m_cursor; }
    void SetCursor(int32_t value) { m_cursor = value; }
    [[nodiscard]] TwzDragMode GetDragMode() const { return m_dragMode; }
    void SetDragMode(TwzDragMode value) { m_dragMode = value; }
    [[nodiscard]] bool GetDragDisableHighlight() const { return m_dragDisableHighlight; }
    void SetDragDisableHighlight(bool value) { m_dragDisableHighlight = value; }
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    void SetEnabled(bool value);
    [[nodiscard]] TwzPosition* GetPosition() const { return m_position.get(); }
    void SetPosition(TwzPosition* value);
    /// Degrees, clockwise on screen.
    [[nodiscard]] float GetRotateAngle() const { return m_rotateAngle; }
    void SetRotateAngle(float value);
    /// Fractions of the size.
    [[nodiscard]] TwzPosition* GetRotateCenter() const { return m_rotateCenter.get(); }
    void SetRotateCenter(TwzPosition* value);
    [[nodiscard]] bool GetLocked() const { return m_locked; }
    void SetLocked(bool value) { m_locked = value; }
    [[nodiscard]] float GetWidth() const { return m_width; }
    virtual void SetWidth(float value);
    [[nodiscard]] float GetHeight() const { return m_height; }
    virtual void SetHeight(float value);
    /// Space kept free inside the object for its aligned children.
    [[nodiscard]] TwzBounds* GetMargins() const { return m_margins.get(); }
    void SetMargins(TwzBounds* value);
    /// Space kept around the object when its parent aligns it.
    [[nodiscard]] TwzBounds* GetPadding() const { return m_padding.get(); }
    void SetPadding(TwzBounds* value);
    [[nodiscard]] float GetOpacity() const { return m_opacity; }
    /// Clamped to [0, 1].
    void SetOpacity(float value);
    [[nodiscard]] bool GetClipChildren() const { return m_clipChildren; }
    void SetClipChildren(bool value);
    [[nodiscard]] bool GetClipParent() const { return m_clipParent; }
    void SetClipParent(bool value) { m_clipParent = value; }
    [[nodiscard]] bool GetHitTest() const { return m_hitTest; }
    void SetHitTest(bool value) { m_hitTest = value; }
    [[nodiscard]] const std::u16string& GetHint() const { return m_hint; }
    void SetHint(const std::u16string& value) { m_hint = value; }
    [[nodiscard]] bool GetShowHint() const { return m_showHint; }
    void SetShowHint(bool value) { m_showHint = value; }
    [[nodiscard]] bool GetCanClipped() const { return m_canClipped; }
    void SetCanClipped(bool value) { m_canClipped = value; }
    /// Shown by a right-button press or the context-menu key; a plain link, forgotten when
    /// the menu is freed.
    [[nodiscard]] platform::ui::PopupMenuComponent* GetPopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(platform::ui::PopupMenuComponent* value);
    [[nodiscard]] TwzPosition* GetScale() const { return m_scale.get(); }
    void SetScale(TwzPosition* value);
    [[nodiscard]] bool GetVisible() const { return m_visible; }
    void SetVisible(bool value);
    /// Stores Visible only: no repaint, layout or trigger (hiding a style while painting).
    void StoreVisible(bool value) { m_visible = value; }
    [[nodiscard]] bool GetDesignHide() const { return m_designHide; }
    void SetDesignHide(bool value);
    /// Sets DesignHide on the object and its visual subtree without repainting.
    void SetDesignHideRecursive(bool value);
    [[nodiscard]] bool GetIsMouseOver() const { return m_isMouseOver; }
    [[nodiscard]] bool GetIsDragOver() const { return m_isDragOver; }
    [[nodiscard]] bool GetIsFocused() const { return m_isFocused; }
    [[nodiscard]] bool GetIsVisible() const { return m_visible; }

    rtl::TNotifyEvent OnClick;
    rtl::TNotifyEvent OnDblClick;
    TwzMouseEvent OnMouseDown;
    TwzMouseMoveEvent OnMouseMove;
    TwzMouseEvent OnMouseUp;
    TwzMouseWheelEvent OnMouseWheel;
    rtl::TNotifyEvent OnMouseEnter;
    rtl::TNotifyEvent OnMouseLeave;
    TwzKeyEvent OnKeyDown;
    TwzKeyEvent OnKeyUp;
    TwzDragEnterEvent OnDragEnter;
    TwzDragOverEvent OnDragOver;
    TwzDragDropEvent OnDragDrop;
    rtl::TNotifyEvent OnDragLeave;
    TwzPaintEvent OnPaint;

    // ---- unpublished state ----------------------------------------------------------------
    [[nodiscard]] bool GetCanFocused() const { return m_canFocused; }
    void SetCanFocused(bool value) { m_canFocused = value; }
    [[nodiscard]] bool GetDisableFocusEffect() const { return m_disableFocusEffect; }
    void SetDisableFocusEffect(bool value) { m_disableFocusEffect = value; }
    [[nodiscard]] bool GetAutoCapture() const { return m_autoCapture; }
    void SetAutoCapture(bool value) { m_autoCapture = value; }
    [[nodiscard]] bool GetNoDesignHandles() const { return m_noDesignHandles; }
    void SetNoDesignHandles(bool value) { m_noDesignHandles = value; }
    /// The visual children in tab order.
    [[nodiscard]] const std::vector<TwzVisualObject*>& TabList() const { return m_tabList; }
    /// Between a press and its release: a left press that may become a click.
    [[nodiscard]] bool GetPressed() const { return m_pressed; }
    /// Between a double-click press and its release.
    [[nodiscard]] bool GetDoubleClicked() const { return m_doubleClicked; }
    [[nodiscard]] const TwzMatrix& GetLocalMatrix() const { return m_localMatrix; }

    // ---- geometry -------------------------------------------------------------------------
    void UpdateLocalMatrix();
    /// (0, 0, Width, Height) moved by Position: the box in the parent, ignoring rotation and
    /// scale.
    [[nodiscard]] virtual TwzRect GetParentedRect();
    [[nodiscard]] virtual TwzRect GetLocalRect();
    /// What clips the children when ClipChildren is set.
    [[nodiscard]] virtual TwzRect GetClipRect();
    /// What the design selection frames.
    [[nodiscard]] virtual TwzRect GetDesignRect();
    /// The bounding box of the local rectangle's corners in scene coordinates.
    [[nodiscard]] virtual TwzRect GetAbsoluteRect();
    [[nodiscard]] virtual TwzMatrix GetAbsoluteMatrix();
    /// Applied between the object and its children; the identity here.
    [[nodiscard]] virtual TwzMatrix GetChildrenMatrix();
    /// Scale times the Scale of every visual ancestor, per axis.
    [[nodiscard]] virtual TwzPoint GetAbsoluteScale();
    /// Marks the absolute matrices of the object and its visual subtree for recomputing.
    virtual void RecalcAbsolute();
    [[nodiscard]] virtual TwzPoint LocalToAbsolute(const TwzPoint& point);
    [[nodiscard]] virtual TwzPoint AbsoluteToLocal(const TwzPoint& point);
    /// As the point forms, without translation.
    [[nodiscard]] virtual TwzPoint LocalToAbsoluteVector(const TwzPoint& vector);
    [[nodiscard]] virtual TwzPoint AbsoluteToLocalVector(const TwzPoint& vector);

    void SetBounds(float x, float y, float width, float height);
    /// `rect` in the object's current local coordinates; the rotation centre stays where it
    /// is on screen.
    virtual void SetBoundsRect(const TwzRect& rect);
    /// Stores the size and the previous size only: no repaint, matrix rebuild or layout.
    void SetSizeNoUpdate(float width, float height);

    // ---- opacity, enabled state, visibility -----------------------------------------------
    /// Opacity times the visual parent's, dimmed by 0.8 per disabled level below the host's
    /// root and its children.
    [[nodiscard]] virtual float GetAbsoluteOpacity();
    virtual void RecalcOpacity();
    [[nodiscard]] virtual bool GetAbsoluteEnabled();
    void RecalcEnabled();
    /// The object and every visual ancestor are Visible.
    [[nodiscard]] bool GetAbsoluteVisible() const;

    // ---- alignment ------------------------------------------------------------------------
    /// Lays out the visual children by their Align; layout containers override it.
    virtual void RealignChildren();
    /// While disabled, RealignChildren does nothing.
    void DisableRealign() { m_realignDisabled = true; }
    void EnableRealign() { m_realignDisabled = false; }

    // ---- painting and invalidation --------------------------------------------------------
    /// Reports the update rectangle to the host, unless the object cannot be seen there.
    void InvalidateObject();
    /// Marks the update rectangles of the object, its ancestors and its visual subtree.
    void MarkUpdateRectDirty();
    /// The scene area the object affects: its absolute rectangle, cut by clipping ancestors,
    /// grown for focus, design marks and effects, and (unless it clips them) united with its
    /// children's.
    [[nodiscard]] virtual TwzRect GetUpdateRect();
    /// The local rectangle united with the area of every enabled effect.
    [[nodiscard]] virtual TwzRect GetEffectsRect();
    /// Some child effect is enabled or may be switched on by a trigger (and DisableEffect is
    /// off).
    [[nodiscard]] bool HasEffects();
    /// Marks the has-effects state for recomputing (effects call it when they switch on).
    void RecalcHasEffects() { MarkHasEffects(); }
    /// Marks the effects bitmaps for re-rendering (effects call it when they change).
    void UpdateEffects() { m_effectsDirty = true; }
    /// The canvas painting goes to: another canvas during PaintTo, else the host's.
    [[nodiscard]] TwzCanvas* GetCanvas() const;
    /// LoadStyle on every visual child; controls look their style up.
    virtual void LoadStyle();
    // The painting hooks, called in this order for each painted object; the first three are
    // empty here.
    virtual void BeforePaint();
    virtual void Paint();
    virtual void AfterPaint();
    virtual void PaintChildren();
    /// Draws the object's effects under its absolute matrix.
    void PaintEffects();
    /// Paints the object and its subtree into `canvas`, scaled and moved to fill `rect`, as
    /// a child of `parent` (or of nothing). The host's updates and the object's layout are
    /// off meanwhile; the object's place and caches come back afterwards, also when painting
    /// raises.
    void PaintTo(TwzCanvas& canvas, const TwzRect& rect, TwzVisualObject* parent);

    // ---- hit testing (scene coordinates) --------------------------------------------------
    /// The point, mapped into local coordinates, lies strictly inside (0, 0, Width, Height):
    /// edges do not count. Shapes override it for their outline.
    [[nodiscard]] virtual bool PointInObject(float x, float y);
    /// HitTest outside design mode; at design time, neither Locked nor DesignHide.
    [[nodiscard]] bool IsHitTestable() const;
    /// The topmost object of the subtree under the point (children last painted first), or
    /// null. Hidden objects and disabled controls hide their subtrees outside design mode.
    [[nodiscard]] virtual TwzVisualObject* FindObjectAt(float x, float y);
    /// The topmost object of the subtree under the point whose DragOver accepts `data`.
    [[nodiscard]] virtual TwzVisualObject* FindDropTarget(const TwzPoint& point, const TwzDragObject& data);

    // ---- mouse and keys (local coordinates; the host converts them) ------------------------
    virtual void MouseDown(TMouseButton button, TShiftState shift, float x, float y);
    virtual void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY);
    virtual void MouseUp(TMouseButton button, TShiftState shift, float x, float y);
    virtual void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled);
    virtual void Click();
    virtual void DblClick();
    virtual void MouseEnter();
    virtual void MouseLeave();
    /// `point` in screen pixels: pops up PopupMenu there.
    virtual void ContextMenu(const TwzPoint& point);
    /// Asks the host to start dragging this object.
    virtual void BeginAutoDrag();
    /// A key press (`keyChar` 0) or a typed character (`key` 0). Setting `key` to 0 in a key
    /// press consumes it: the host types no character for it.
    virtual void KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift);
    virtual void KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift);
    /// Offers an accelerator or default key to the visible, enabled visual children in order,
    /// until one sets `key` to 0.
    virtual void DialogKey(uint16_t& key, TShiftState shift);
    /// Captures the mouse through the host.
    void Capture();
    /// Releases the capture, only when this object holds it.
    void ReleaseCapture();

    // ---- focus ------------------------------------------------------------------------------
    /// When CanFocused: asks the host to move the focus here.
    void FocusObject();
    virtual void EnterFocus();
    virtual void KillFocus();
    /// Told by a visual descendant that took the focus; empty here.
    virtual void ChildFocused(TwzVisualObject* child);

    // ---- drag and drop (points in scene coordinates) ---------------------------------------
    virtual void DragEnter(const TwzDragObject& data, const TwzPoint& point);
    /// `accept` stays false without an OnDragOver handler.
    virtual void DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept);
    virtual void DragDrop(const TwzDragObject& data, const TwzPoint& point);
    virtual void DragLeave();

    // ---- tab order ----------------------------------------------------------------------------
    /// Appends the tab list's objects in order; with `recursive`, each followed by its own,
    /// depth first.
    void GetTabOrderList(std::vector<TwzVisualObject*>& list, bool recursive);
    /// The index in the visual parent's tab list; -1 without one. Controls publish it.
    [[nodiscard]] int32_t GetTabOrder() const;
    /// While loading only stores the number for the after-load step; otherwise moves the
    /// object in its parent's tab list to `value` clamped to the list.
    void SetTabOrder(int32_t value);

    // ---- caret (the text controls' cursor; created on first use) ---------------------------
    void ShowCaret();
    void HideCaret();
    /// Rounded to whole units, halves to even.
    void SetCaretPos(const TwzPoint& point);
    void SetCaretSize(const TwzPoint& point);
    void SetCaretColor(uint32_t color);
    /// Null before first use.
    [[nodiscard]] TwzVisualObject* GetCaret() const;

    // ---- design hooks, called by the host's design mode; empty here ------------------------
    virtual void DesignSelect();
    virtual void DesignDblClick();
    virtual void DesignInsert();

    [[nodiscard]] TwzVisualObject* AsVisual() override;
    void RemoveObject(TwzObject* child) override;
    void DeleteChildren() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

protected:
    ~TwzVisualObject() override;

    void Loaded() override;

    void ObjectAdded(TwzObject* child) override;
    void AttachedToParent() override;
    void ObjectRemoving(TwzObject* child) override;
    void BroughtToFront() override;
    void ChildSentToBack(TwzObject* child) override;
    [[nodiscard]] bool ReceivesParentTriggers() const override;

    /// True for a scroll box's content: any child's size change realigns it.
    [[nodiscard]] virtual bool IsScrollContent() const;

    // State the input layer drives; these only store.
    void SetIsMouseOver(bool value) { m_isMouseOver = value; }
    void SetIsDragOver(bool value) { m_isDragOver = value; }
    void SetIsFocused(bool value) { m_isFocused = value; }
    void SetPressed(bool value) { m_pressed = value; }
    void SetDoubleClicked(bool value) { m_doubleClicked = value; }

private:
    /// One effect's rendered image, kept until the effects are marked again.
    struct EffectImage {
        ui2d::IVisualEffect* effect = nullptr;
        std::unique_ptr<TwzBitmap> bitmap;
    };

    /// Lets visual brushes of the canvas paint visual objects.
    static void InstallBrushPainter();

    void PositionChanged(rtl::TObject* sender);
    void ScaleChanged(rtl::TObject* sender);
    void RotateCenterChanged(rtl::TObject* sender);
    void MarginsChanged(rtl::TObject* sender);
    void PaddingChanged(rtl::TObject* sender);

    /// The visual parent, or the one PaintTo stands in for it.
    [[nodiscard]] TwzVisualObject* VisualParent() const;
    [[nodiscard]] TwzVisualObject* RealVisualParent() const;
    [[nodiscard]] bool HostDesignTime() const;
    /// Stores a new width or height, mirroring a negative one at design time.
    void StoreSize(float& field, float value, bool horizontal);
    void MarkUpdateRectSubtree();
    void RealignParent();

    // Alignment.
    void PlaceChild(TwzVisualObject& child, TwzAlign kind, TwzRect& area);

    // Painting.
    [[nodiscard]] TwzRect GetDeepRect();
    [[nodiscard]] std::vector<ui2d::IVisualEffect*> EnabledEffects();
    [[nodiscard]] bool HasEnabledEffect(bool (ui2d::IVisualEffect::*flag)() const);
    void PaintChild(TwzVisualObject& child, TwzCanvas& canvas, bool designTime);
    void DrawCachedEffects(TwzCanvas& canvas);
    void RenderEffects(TwzCanvas& canvas, const std::vector<ui2d::IVisualEffect*>& effects);
    void CollectPaintSubtree(std::vector<TwzVisualObject*>& list);
    void RecomputeAbsoluteSubtree();

    // Input.
    /// The local point in screen pixels, through the scene; the scene point without a host.
    [[nodiscard]] TwzPoint LocalToScreenPoint(const TwzPoint& point);
    /// Sends `trigger` to the object's animations and effects.
    void SendStateTrigger(const std::string& trigger);
    /// The after-load step of the tab list: objects move to their loaded tab positions.
    void ApplyLoadedTabOrder();
    [[nodiscard]] ui2d::TextCaret& Caret();
    void CaretBlinkTick(rtl::TObject* sender);

    std::unique_ptr<TwzPosition> m_position;
    std::unique_ptr<TwzPosition> m_scale;
    std::unique_ptr<TwzPosition> m_rotateCenter;
    std::unique_ptr<TwzBounds> m_margins;
    std::unique_ptr<TwzBounds> m_padding;
    std::u16string m_hint;
    std::vector<TwzVisualObject*> m_tabList; // not owned: the children list owns them
    std::vector<EffectImage> m_effectImages;
    rtl::ComponentLink<platform::ui::PopupMenuComponent> m_popupMenu { this };
    ui2d::TextCaret* m_caret = nullptr; // owned as a component and as a child
    // Owned without being an owned component, so saving the object never writes it.
    rtl::TOwned<TwzTimer> m_caretTimer;

    TwzMatrix m_localMatrix = IdentityMatrix;
    TwzMatrix m_absoluteMatrix = IdentityMatrix;
    TwzRect m_updateRect {};
    float m_width = 50;
    float m_height = 50;
    float m_previousWidth = 50;
    float m_previousHeight = 50;
    float m_rotateAngle = 0;
    float m_opacity = 1;
    float m_absoluteOpacity = 1;
    int32_t m_cursor = 0;
    int32_t m_caretPhase = 0; // ms into the blink cycle
    int16_t m_tabPosition = -1; // TabOrder read from a stream, applied after loading
    TwzAlign m_align = vaNone;
    TwzDragMode m_dragMode = wzDragManual;

    // Painting into another canvas: the temporary canvas and the parent PaintTo stands in.
    TwzCanvas* m_tempCanvas = nullptr;
    TwzVisualObject* m_paintParent = nullptr;
    bool m_paintParentActive = false;
    bool m_paintingToCanvas = false;

    bool m_absoluteMatrixDirty = true;
    bool m_opacityDirty = true;
    bool m_enabledDirty = true;
    bool m_updateRectDirty = true;
    bool m_effectsDirty = true;
    bool m_absoluteEnabled = true;
    bool m_realignDisabled = false;

    bool m_enabled = true;
    bool m_visible = true;
    bool m_locked = false;
    bool m_hitTest = true;
    bool m_showHint = false;
    bool m_clipChildren = false;
    bool m_clipParent = false;
    bool m_canClipped = true;
    bool m_designHide = false;
    bool m_dragDisableHighlight = false;
    bool m_isMouseOver = false;
    bool m_isDragOver = false;
    bool m_isFocused = false;
    bool m_canFocused = false;
    bool m_disableFocusEffect = false;
    bool m_autoCapture = false;
    bool m_noDesignHandles = false;
    bool m_pressed = false;
    bool m_doubleClicked = false;
};
