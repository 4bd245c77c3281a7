#pragma once

// Answers to the modal dialogs of the GTK application, for tests under Xvfb.
namespace platform::ui::test {

/// True while a dialog of the GTK application runs.
[[nodiscard]] bool DialogIsOpen();
/// Ends the running dialog as its confirming button would ("Select", "Open", "OK"); false
/// when none runs.
bool ConfirmOpenDialog();

} // namespace platform::ui::test
