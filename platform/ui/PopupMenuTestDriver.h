#pragma once

#include <string>

// Synthesised input for the popup menus of the GTK application, for tests under Xvfb.
namespace platform::ui::test {

/// True while a popup menu of the GTK application shows.
[[nodiscard]] bool MenuIsOpen();
/// Sends a key by X name ("Down", "Return", "Escape") to the open menu (its open submenu);
/// false when no menu shows.
bool SendKeyToOpenMenu(const std::string& keyName);

} // namespace platform::ui::test
