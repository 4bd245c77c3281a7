#pragma once

#include "graphics/Geometry.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Types.h"
#include "scene3d/ThvSceneDesign.h"

#include <cstdint>
#include <memory>
#include <string>

class ThvScene;

namespace design {

/// The tag of the 3D design menu's entries that insert an object of a class.
inline constexpr int64_t kDesignMenuObjectTag = 255;

/// What a drag of a 3D selection does: nothing, move it, one of the two size handles, or turn
/// it about one axis of its parent.
enum class Drag3D : uint8_t {
    None,
    Move,
    SizeWidthDepth,
    SizeWidthHeight,
    TurnX,
    TurnY,
    TurnZ,
};

// The design mode of a 3D scene control. Alt-drag turns the view and Shift-drag moves it;
// the wheel moves the design camera. A press selects the object under the pointer (nothing
// selects the root) and a drag of the selection moves it on a plane (Ctrl: the XoZ plane);
// its handles size it and turn it. An object that takes the design mouse itself (an object
// layer, scene3d::IDesignMouseInput) gets presses without Shift, moves and releases while it
// is the selection. Delete frees the selection; the design menu adds objects of the 3D
// registry, hides, orders and deletes the selection, copies and pastes it as object text
// through the clipboard, loads object text from a file and shows or hides the grid.
//
// The selection and the view are the scene's (ThvScene::GetSelected, the design rig); the
// drag and the menu are the design mode's. Any handler may free any object and the scene:
// every step that runs one checks the scene's watch before it touches the scene again.
class Scene3DDesignMode final : public scene3d::DesignMode {
public:
    explicit Scene3DDesignMode(ThvScene& scene);
    ~Scene3DDesignMode() override;

    void MouseDown(platform::ui::MouseButton button, platform::ui::ShiftState shift) override;
    void MouseMove(platform::ui::ShiftState shift) override;
    void MouseUp(platform::ui::MouseButton button, platform::ui::ShiftState shift) override;
    void MouseWheel(int32_t wheelDelta) override;
    void KeyUp(uint16_t key) override;
    void RenderOverlays(ThvCanvas& canvas) override;
    void InsertObjectByClassName(const std::string& className) override;
    void PopupDesignMenu() override;

    // ---- the design state, for tests -------------------------------------------------------
    [[nodiscard]] Drag3D GetDrag() const { return m_drag; }
    /// The design menu; null before its first showing.
    [[nodiscard]] platform::ui::PopupMenu* GetDesignMenu() const { return m_menu.get(); }
    /// Where the design menu opened, in screen pixels; (-1, -1) once an object was placed there.
    [[nodiscard]] TwzPoint GetMenuPos() const { return m_menuPos; }

    // ---- menu commands ---------------------------------------------------------------------
    /// Hides or shows the selection at design time (never the root); a hidden selection
    /// passes to its parent.
    void HideCommand();
    void OrderCommand(bool toFront);
    /// Frees the selection (never the root) and selects its parent.
    void DeleteObjectCommand();
    /// Puts the selection's object text on the system clipboard.
    void CopyCommand();
    /// Reads an object from the clipboard's text into the selection; says so when there is none.
    void PasteCommand();
    /// Asks for a file and adds the object read from it under the selection (or the root).
    void LoadFromFileCommand();
    /// Shows or hides the grid without changing the stored setting.
    void ShowGridCommand();

private:
    ThvScene& m_scene;
    Drag3D m_drag = Drag3D::None;
    std::unique_ptr<platform::ui::PopupMenu> m_menu;
    TwzPoint m_menuPos { -1, -1 };
};

/// Installs the design mode of 3D scene controls (RegisterDesignTools).
void InstallScene3DDesignMode();

} // namespace design
