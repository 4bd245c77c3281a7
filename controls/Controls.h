#pragma once

#include "ui2d/TwzResources.h"

#include <span>

/// Registers the control classes for streaming and in their palette categories, in palette
/// order, and adds the controls' style files to the built-in style. Runs after each start of
/// the 2D library; registering again adds nothing.
void RegisterControls();

namespace controls {

/// The controls' style files (styles/*.txt, embedded at build time), in name order.
[[nodiscard]] std::span<const ui2d::StyleFile> ControlStyleFiles();

} // namespace controls
