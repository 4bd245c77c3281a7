#pragma once

#include "ui2d/Forward.h"

#include <span>
#include <string>

namespace rtl {
class TComponent;
} // namespace rtl

namespace ui2d {

/// What a form designer hears from the hosts it designs, through the process-wide
/// `SceneDesigner` (Library2D.h). Every operation has a default that does nothing, so a
/// designer overrides only what it needs; nothing in the program installs one.
class SceneDesignerHook {
public:
    virtual ~SceneDesignerHook() = default;

    /// The design selection of a host owned by `owner` changed (or a handle drag starts):
    /// `object` and the objects added with Ctrl (often none).
    virtual void SelectObject(rtl::TComponent* owner, TwzObject* object, std::span<TwzObject* const> extra);
    /// Something was inserted, moved or resized in a host owned by `owner`.
    virtual void Modified(rtl::TComponent* owner);
    /// A component name of `owner` that no component has yet, made from `baseName`. The
    /// default answers an empty name (the component stays unnamed).
    [[nodiscard]] virtual std::string UniqueName(rtl::TComponent* owner, const std::string& baseName);
    /// The style `styleName` of `sheet` is to be edited.
    virtual void EditStyle(TwzResources* sheet, const std::string& styleName);
};

} // namespace ui2d
