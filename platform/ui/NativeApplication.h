#pragma once

#include "platform/ui/Application.h"

#include <memory>
#include <string>
#include <string_view>

namespace platform::ui {

struct NativeStart {
    std::unique_ptr<Application> application; // nullptr when the display cannot be opened
    std::string error;
};

/// Starts the GTK window system on the X11 display and creates the application. Numbers in
/// the C library stay locale-independent (LC_NUMERIC "C") while the rest of the user's
/// locale applies; one scene unit is one pixel (window scale 1). Headless tools never call
/// this and use FakeApplication instead.
[[nodiscard]] NativeStart StartNativeApplication(std::string_view programName);

} // namespace platform::ui
