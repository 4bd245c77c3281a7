#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/Component.h"
#include "platform/ui/Forward.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Types.h"
#include "ui2d/HostDesignMode.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TwzCustomScene;

/// The object text of the last design-time copy, shared by every designed 2D scene and
/// object layer of the process; not the system clipboard.
inline std::string DesignClipboard;

namespace design {

/// What a drag of the selection does: nothing, move it, one of the eight resize handles, or
/// turn it. The handles are in their hit-test order after the rotation handle.
enum class DesignDrag : uint8_t {
    None,
    Move,
    LeftTop,
    RightTop,
    LeftBottom,
    RightBottom,
    Top,
    Bottom,
    Left,
    Right,
    Rotation,
};

// The design mode every designed 2D host shares: the selection (kept by the host, through
// IwzScene) with its handles, moving with grid and line snapping, Alt-drag reparenting,
// resizing and turning, the Delete key, the design menu with its commands, insertion by
// class name, copy and paste through DesignClipboard, the style commands, the tab order
// editor and the overlays. What differs between hosts (the root they make, where the menu
// point lies, where inserted objects go, what loading a file does) are the virtual hooks.
//
// Links to objects are watches: any handler may free any object, and the host itself.
class SceneDesignMode : public ui2d::HostDesignMode {
public:
    ~SceneDesignMode() override;

    void MouseDown(
        platform::ui::MouseButton button, platform::ui::ShiftState shift, float x, float y) override;
    void MouseMove(platform::ui::ShiftState shift, float x, float y) override;
    void MouseUp(platform::ui::MouseButton button, platform::ui::ShiftState shift, float x, float y) override;
    void KeyUp(uint16_t key) override;
    void PaintOverlay(TwzCanvas& canvas) override;
    void InsertObjectByClassName(const std::string& className) override;
    void PopupDesignMenu() override;
    [[nodiscard]] TwzObject* GetDropTarget() const override;
    [[nodiscard]] bool HitTest(const TwzPoint& point) override;

    // ---- the design state, for hosts and tests ---------------------------------------------
    [[nodiscard]] DesignDrag GetDrag() const { return m_drag; }
    /// The objects added with Ctrl+press.
    [[nodiscard]] std::vector<TwzObject*> ExtraSelection() const;
    /// The siblings the selection lined up with during the current drag.
    [[nodiscard]] std::vector<TwzVisualObject*> SnapObjects() const;
    /// Whether the pointer is over a handle (DesignDrag::LeftTop .. Rotation).
    [[nodiscard]] bool GetHover(DesignDrag handle) const;
    /// The menu of the last right press; null before the first.
    [[nodiscard]] platform::ui::PopupMenu* GetDesignMenu() const { return m_menu.get(); }
    /// Where the last design menu opened (screen pixels for a scene, layer pixels for a
    /// layer); (-1, -1) when none is pending.
    [[nodiscard]] TwzPoint GetMenuPos() const { return m_menuPos; }

    /// Lines the selection up with its siblings: with `snap` it is moved onto the first
    /// relation each sibling has with it; either way the siblings met are remembered.
    void CollectSnapObjects(bool snap);
    /// `p` (the selection's local coordinates) pulled onto the edges of the siblings met.
    [[nodiscard]] TwzPoint SnapToLines(TwzPoint p);
    /// Reports the areas where alignment lines are or were drawn.
    void InvalidateSnapLines();

    // ---- menu commands ---------------------------------------------------------------------
    void DeleteObjectCommand();
    void HideCommand();
    void OrderCommand(bool toFront);
    void CopyCommand();
    void PasteCommand();
    void LoadFromFileCommand();
    /// Toggles "DesignSnapGridShow", or sets the two snap modes; repaints the host.
    void GridCommand(bool toggleShow, bool toGrid, bool toLines);
    void EditDefaultStyleCommand();
    void EditCustomStyleCommand();
    void TabOrderCommand();

protected:
    explicit SceneDesignMode(IwzScene& host);

    [[nodiscard]] IwzScene& Host() const { return m_host; }
    [[nodiscard]] bool HostAlive() const { return m_hostComponent.Get() != nullptr; }
    [[nodiscard]] TwzVisualObject* Selection() const;

    // ---- what differs between hosts -------------------------------------------------------
    /// The topmost visual object at a host point.
    [[nodiscard]] virtual TwzVisualObject* ObjectAt(const TwzPoint& p) = 0;
    /// Makes the first root of an empty host.
    virtual void CreateRoot() = 0;
    /// Fits the first root to the host again.
    virtual void RefitRoot() = 0;
    /// The screen point where the design menu opens, and the window it opens over.
    [[nodiscard]] virtual platform::ui::Point MenuScreenPoint() = 0;
    [[nodiscard]] virtual platform::ui::SceneHost* MenuOwner() = 0;
    /// The point remembered as the menu position when the menu opens.
    [[nodiscard]] virtual TwzPoint MenuPoint(platform::ui::Point screen) = 0;
    /// Where a new visual object goes (its Position), when anywhere: as a root when
    /// `selection` is null, else inside it. Asked only while a menu position is pending.
    [[nodiscard]] virtual std::optional<TwzPoint> InsertPosition(TwzVisualObject* selection) = 0;
    /// The open dialog's filter of "Load From File...", and whether the command inserts the
    /// file's object.
    [[nodiscard]] virtual std::string LoadFilter() const = 0;
    [[nodiscard]] virtual bool LoadInsertsObject() const = 0;
    [[nodiscard]] virtual platform::ui::Form* DialogOwner() = 0;
    virtual void RaiseDesignChange() = 0;
    // The three snap settings and the grid size, kept by the host (they are stored with it).
    [[nodiscard]] virtual bool GetSnapGridShow() const = 0;
    [[nodiscard]] virtual bool GetSnapToGrid() const = 0;
    [[nodiscard]] virtual bool GetSnapToLines() const = 0;
    [[nodiscard]] virtual float GetGridSize() const = 0;
    virtual void SetSnapSettings(bool show, bool toGrid, bool toLines) = 0;
    /// The host's client area, for repainting all of it.
    [[nodiscard]] virtual TwzRect ClientRect() const = 0;

private:
    [[nodiscard]] float SnapToGrid(float v) const;
    [[nodiscard]] rtl::TComponent* Owner() const;
    void SelectObject(TwzVisualObject* object);
    void NotifySelect(TwzObject* object, bool withExtra);
    void NotifyModified();
    [[nodiscard]] std::string UniqueName(const std::string& baseName) const;
    void NameObject(TwzObject& object, const std::string& baseName);
    void UpdateHover();
    void MoveSelection(platform::ui::ShiftState shift);
    void RotateSelection();
    void ResizeSelection();
    void SetDropTarget(TwzVisualObject* target);
    void PaintSelection(TwzCanvas& canvas);
    void PaintDropTarget(TwzCanvas& canvas);
    [[nodiscard]] std::vector<TwzRect> SnapLineAreas();
    void BuildMenu();
    void InsertPasted(TwzObject* object);
    /// Reads a 2D object from object text; the message of what is wrong when it cannot.
    [[nodiscard]] TwzObject* ReadObjectText(rtl::TStream& text, std::string& error);
    void EditStyle(bool custom);

    IwzScene& m_host;
    rtl::Watch<rtl::TComponent> m_hostComponent;
    TwzPoint m_mousePos {};
    TwzPoint m_snappedPos {};
    TwzPoint m_downPos {};
    DesignDrag m_drag = DesignDrag::None;
    std::array<bool, 9> m_hover {};
    rtl::Watch<TwzVisualObject> m_dropTarget;
    std::vector<rtl::Watch<TwzObject>> m_extra;
    std::vector<rtl::Watch<TwzVisualObject>> m_snapObjects;
    std::vector<TwzRect> m_lineAreas; // queued by the last InvalidateSnapLines
    std::unique_ptr<platform::ui::PopupMenu> m_menu;
    TwzPoint m_menuPos { -1, -1 };
};

// The design mode of a 2D scene control.
class CustomSceneDesignMode final : public SceneDesignMode {
public:
    explicit CustomSceneDesignMode(TwzCustomScene& scene);

protected:
    [[nodiscard]] TwzVisualObject* ObjectAt(const TwzPoint& p) override;
    void CreateRoot() override;
    void RefitRoot() override;
    [[nodiscard]] platform::ui::Point MenuScreenPoint() override;
    [[nodiscard]] platform::ui::SceneHost* MenuOwner() override;
    [[nodiscard]] TwzPoint MenuPoint(platform::ui::Point screen) override;
    [[nodiscard]] std::optional<TwzPoint> InsertPosition(TwzVisualObject* selection) override;
    [[nodiscard]] std::string LoadFilter() const override;
    [[nodiscard]] bool LoadInsertsObject() const override { return true; }
    [[nodiscard]] platform::ui::Form* DialogOwner() override;
    void RaiseDesignChange() override;
    [[nodiscard]] bool GetSnapGridShow() const override;
    [[nodiscard]] bool GetSnapToGrid() const override;
    [[nodiscard]] bool GetSnapToLines() const override;
    [[nodiscard]] float GetGridSize() const override;
    void SetSnapSettings(bool show, bool toGrid, bool toLines) override;
    [[nodiscard]] TwzRect ClientRect() const override;

private:
    TwzCustomScene& m_scene;
};

/// Installs the design modes of 2D scenes and object layers (RegisterDesignTools).
void InstallDesignModes();

} // namespace design
