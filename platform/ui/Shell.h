#pragma once

#include <string>

namespace platform::ui {

/// The folder of the running executable with a trailing "/" ("images" and language files lie
/// beside it); empty when it cannot be determined.
[[nodiscard]] std::string ExecutableFolder();

} // namespace platform::ui
