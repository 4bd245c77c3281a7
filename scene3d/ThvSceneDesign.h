#pragma once

#include "scene3d/Forward.h"

#include "platform/ui/Types.h"

#include <cstdint>
#include <memory>
#include <string>

// What a designed 3D scene control asks of its design mode, and what the design tools ask of
// the objects they edit.

namespace scene3d {

/// The design mode of a 3D scene control that is being designed: navigation of the design
/// camera, the selection with its box and handles, moving, sizing and turning it, the Delete
/// key, the design menu with its commands and the overlays. The design tools make it when the
/// scene first needs it (MakeDesignMode); without them a designed scene has none and its
/// mouse reaches nothing. Held by the scene, which lets go of it before its roots; a call in
/// progress keeps it alive (shared_from_this) when a handler frees the scene.
class DesignMode : public std::enable_shared_from_this<DesignMode> {
public:
    virtual ~DesignMode() = default;

    /// Mouse events of the scene. The scene has stored the points first: the press or move
    /// point (GetMousePos), the same snapped to the grid (GetSnappedPos) and the point of the
    /// step before (GetLastPos). A right press opens the design menu, which blocks until it
    /// closes; its command runs later, posted.
    virtual void MouseDown(platform::ui::MouseButton button, platform::ui::ShiftState shift) = 0;
    virtual void MouseMove(platform::ui::ShiftState shift) = 0;
    virtual void MouseUp(platform::ui::MouseButton button, platform::ui::ShiftState shift) = 0;
    /// The wheel (120 a notch) of a designed scene, which always takes it.
    virtual void MouseWheel(int32_t wheelDelta) = 0;
    /// A key released in the scene: Delete frees the selection.
    virtual void KeyUp(uint16_t key) = 0;
    /// The selection's box and handles and the help text, drawn last in a designed frame,
    /// between the canvas's BeginScene and EndScene.
    virtual void RenderOverlays(ThvCanvas& canvas) = 0;
    /// Creates an object of a registered 3D class under the selection (or as the first root
    /// of a scene without roots); an unknown class inserts nothing.
    virtual void InsertObjectByClassName(const std::string& className) = 0;
    /// Builds the design menu (at its first showing) and shows it at the last mouse point.
    virtual void PopupDesignMenu() = 0;
};

/// Makes the design mode of a designed 3D scene control; installed by the design tools.
using DesignModeFactory = std::shared_ptr<DesignMode> (*)(ThvScene& scene);
inline DesignModeFactory MakeDesignMode = nullptr;

/// An object that takes the mouse itself while it is the selection of a scene being designed
/// (the object layers, whose 2D objects are designed inside them). Presses without Shift,
/// moves and releases then reach the object's own mouse handlers.
class IDesignMouseInput {
public:
    [[nodiscard]] virtual bool GetDesignMouseInput() const = 0;

protected:
    ~IDesignMouseInput() = default;
};

} // namespace scene3d
