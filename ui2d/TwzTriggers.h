#pragma once

#include <string_view>

namespace rtl {
class TObject;
}

// Trigger condition strings: the `Trigger` property of the 2D animations and effects, such as
// "IsMouseOver=true;IsPressed=false". Controls send trigger names ("IsMouseOver",
// "IsPressed", ...) with themselves as the instance; an animation or effect whose conditions
// concern that name tests them against the instance's published Boolean properties.
//
// Syntax: conditions separated by ";", each "Name=Value". Spaces around a condition, its
// name and its value are ignored. Value is "true" or "false" (ASCII case ignored); any other
// value makes the condition fail. The walk ends at the first empty condition, so nothing
// after ";;" or after a leading ";" counts.

namespace ui2d {

enum class TriggerVerdict : unsigned char {
    /// The conditions are empty, the instance is null, or the trigger name does not occur
    /// in the conditions (ASCII case ignored, as a substring: "IsMouse" concerns
    /// "IsMouseOver=true"). Animations do nothing; effects keep their Enabled.
    NotConcerned,
    /// Concerned, but no condition named a published Boolean property of the instance.
    NothingTested,
    /// A tested condition did not hold (conditions after it are not looked at).
    Failed,
    /// At least one condition was tested and every tested condition held.
    Holds,
};

/// Evaluates `conditions` for `trigger` on `instance`. Conditions whose name is not a
/// published Boolean property of the instance are skipped. An animation starts on Holds;
/// an effect sets Enabled to (verdict == Holds) unless the verdict is NotConcerned.
[[nodiscard]] TriggerVerdict EvaluateTrigger(
    std::string_view conditions, const rtl::TObject* instance, std::string_view trigger);

} // namespace ui2d
