#pragma once

#include "ui2d/Forward.h"

#include <span>
#include <string>

namespace rtl {
class TComponent;
class TEventBase;
class TObject;
struct TMethodInfo;
} // namespace rtl

namespace ui2d {

/// A handler a form designer offers for an event: a published handler (RTL_HANDLER) of
/// `target`'s class. Empty when the designer has none of that name.
struct DesignerMethod {
    rtl::TObject* target = nullptr;
    const rtl::TMethodInfo* method = nullptr;
};

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
    /// The designer's name for the handler `event` holds; the default answers an empty name.
    [[nodiscard]] virtual std::string MethodName(const rtl::TEventBase& event);
    /// The designer's handler called `name` for events of `signature` (rtl::SignatureOf);
    /// the default has none.
    [[nodiscard]] virtual DesignerMethod FindMethod(const std::string& name, const void* signature);
};

} // namespace ui2d
