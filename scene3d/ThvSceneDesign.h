#pragma once

#include <cstdint>

// What the design tools of the 3D scene control ask of the objects they edit.

namespace scene3d {

/// An object that takes the mouse itself while it is the selection of a scene being designed
/// (the object layers, whose 2D objects are designed inside them). Presses without Shift,
/// moves and releases then reach the object's own mouse handlers.
class IDesignMouseInput {
public:
    [[nodiscard]] virtual bool GetDesignMouseInput() const = 0;

protected:
    ~IDesignMouseInput() = default;
};

/// The tag of the design menu's entries that insert an object of a class.
inline constexpr int64_t kDesignMenuObjectTag = 255;

} // namespace scene3d
