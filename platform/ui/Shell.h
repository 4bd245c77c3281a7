#pragma once

#include <string>
#include <vector>

namespace platform::ui {

class Form;

/// The folder of the running executable with a trailing "/" ("images" and language files lie
/// beside it); empty when it cannot be determined.
[[nodiscard]] std::string ExecutableFolder();

} // namespace platform::ui

namespace platform::ui {

/// Opens a web address (or a file) with the user's default application, shown normally. An
/// empty address opens nothing. False when nothing was opened. Headless, the address is only
/// recorded (FakeShell).
bool OpenUrl(const std::string& address, Form* owner = nullptr);

class FakeShell {
public:
    /// The addresses passed to OpenUrl headless since the last Reset, the empty ones included.
    [[nodiscard]] static const std::vector<std::string>& OpenedUrls();
    static void Reset();
};

} // namespace platform::ui
