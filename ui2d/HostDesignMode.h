#pragma once

#include "graphics/Geometry.h"
#include "platform/ui/Types.h"
#include "ui2d/Forward.h"

#include <cstdint>
#include <memory>
#include <string>

class TwzCustomScene;

namespace ui2d {

/// The design mode of one 2D host (a 2D scene control or an object layer) that was created
/// in design state: selection, handles, snapping, the design menu and the overlays. The
/// design tools make it when the host first needs it; without them a designed host has none
/// and its mouse reaches nothing. Held by the host, which lets go of it before its roots;
/// a call in progress keeps it alive (shared_from_this) when a handler frees the host.
class HostDesignMode : public std::enable_shared_from_this<HostDesignMode> {
public:
    virtual ~HostDesignMode() = default;

    /// Mouse events at host pixels as received (not snapped). A right press opens the design
    /// menu, which blocks until it closes; its command runs later, posted.
    virtual void MouseDown(platform::ui::MouseButton button, platform::ui::ShiftState shift, float x, float y)
        = 0;
    virtual void MouseMove(platform::ui::ShiftState shift, float x, float y) = 0;
    virtual void MouseUp(platform::ui::MouseButton button, platform::ui::ShiftState shift, float x, float y)
        = 0;
    /// A key released in the host: Delete frees the selection.
    virtual void KeyUp(uint16_t key) = 0;
    /// Draws the selection's frame and handles, the alignment lines and the drop-target hint
    /// over the painted roots, within the clip the host's paint has set.
    virtual void PaintOverlay(TwzCanvas& canvas) = 0;
    /// Creates an object of a registered 2D class and inserts it into the selection (or as
    /// the first root); an unknown class inserts nothing.
    virtual void InsertObjectByClassName(const std::string& className) = 0;
    /// Builds the design menu and shows it at the cursor.
    virtual void PopupDesignMenu() = 0;
    /// The object an Alt-drag would move the selection into; null when none.
    [[nodiscard]] virtual TwzObject* GetDropTarget() const = 0;
    /// Whether a form designer's mouse event at the host point belongs to the host.
    [[nodiscard]] virtual bool HitTest(const TwzPoint& point) = 0;
};

/// Makes the design mode of a designed 2D scene control; installed by the design tools.
using SceneDesignModeFactory = std::shared_ptr<HostDesignMode> (*)(TwzCustomScene& scene);
inline SceneDesignModeFactory MakeSceneDesignMode = nullptr;

} // namespace ui2d
