#include "ui2d/SceneDesignerHook.h"

namespace ui2d {

void SceneDesignerHook::SelectObject(rtl::TComponent*, TwzObject*, std::span<TwzObject* const>) { }

void SceneDesignerHook::Modified(rtl::TComponent*) { }

std::string SceneDesignerHook::UniqueName(rtl::TComponent*, const std::string&)
{
    return {};
}

void SceneDesignerHook::EditStyle(TwzResources*, const std::string&) { }

std::string SceneDesignerHook::MethodName(const rtl::TEventBase&)
{
    return {};
}

DesignerMethod SceneDesignerHook::FindMethod(const std::string&, const void*)
{
    return {};
}

} // namespace ui2d
