#pragma once

#include "ui2d/IwzFormLink.h"

class TwzObject;

namespace controls {

/// The first component implementing IwzFormLink on the owner chain that starts at the
/// owner of `object`'s host scene; null without a host or such a form.
[[nodiscard]] IwzFormLink* FindHostForm(const TwzObject& object);

} // namespace controls
