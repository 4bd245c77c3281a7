#include "ui2d/SceneDesignerHook.h"

namespace ui2d {

void SceneDesignerHook::SelectObject(rtl::TComponent*, TwzObject*, std::span<TwzObject* const>) { }

void SceneDesignerHook::Modified(rtl::TComponent*) { }

std::string SceneDesignerHook::UniqueName(rtl::TComponent*, const std::string&)
{
    return {};
}

void SceneDesignerHook::EditStyle(TwzResources*, const std::string&) { }

} // namespace ui2d
