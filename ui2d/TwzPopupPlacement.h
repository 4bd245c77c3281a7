#pragma once

#include "graphics/Geometry.h"
#include "platform/rtl/ClassInfo.h"

#include <cstdint>

/// Where a popup's window goes relative to its target.
enum TwzPlacement : uint8_t {
    wzPlacementBottom,
    wzPlacementTop,
    wzPlacementLeft,
    wzPlacementRight,
    wzPlacementCenter,
    wzPlacementAbsolute,
    wzPlacementMouse,
};
RTL_ENUM(TwzPlacement, "wzPlacementBottom", "wzPlacementTop", "wzPlacementLeft", "wzPlacementRight",
    "wzPlacementCenter", "wzPlacementAbsolute", "wzPlacementMouse");

namespace ui2d {

/// What a popup is placed by.
struct PopupPlacement {
    TwzPlacement placement = wzPlacementBottom;
    bool hasTarget = false;
    float targetWidth = 0;
    float targetHeight = 0;
    /// In the target's local coordinates, or in screen coordinates without a target.
    TwzRect rect {};
    float width = 0; ///< the popup's own size
    float height = 0;
    float horizontalOffset = 0;
    float verticalOffset = 0;
};

/// The popup's top-left corner for the placements relative to a target or a rectangle: in
/// the target's local coordinates with a target (the rectangle counts only when it is not
/// empty), in screen coordinates without one. Absolute gives the rectangle's top-left
/// without offsets; Mouse gives (0, 0) (the caller uses the cursor position).
[[nodiscard]] TwzPoint PopupPlacementPoint(const PopupPlacement& p);

/// Keeps a popup window of `size` whose placement put it at `position` on the screen's
/// `workArea`: a Bottom or Top popup that would run past the bottom or top edge goes to the
/// other side of `anchor` (the target or rectangle in screen coordinates) when it fits
/// there, likewise Left and Right horizontally; then the window is moved inside the work
/// area as far as it fits (its top-left edge wins when it is larger). A Mouse placement is
/// only moved inside; an Absolute one stays where the caller put it.
[[nodiscard]] TwzPoint KeepPopupOnScreen(TwzPlacement placement, TwzPoint position, TwzPoint size,
    const TwzRect& anchor, const TwzRect& workArea, float horizontalOffset, float verticalOffset);

} // namespace ui2d
