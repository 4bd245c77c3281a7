#pragma once

#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "tests/platform/ui/Recorder.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The GTK application shared by the tests of one process, and a fixture that opens a form
// with one scene host.
namespace uitest {

/// The process's GTK application; nullptr when there is no display.
platform::ui::Application* Gui();
/// Why the application could not start.
const std::string& GuiError();
/// Messages that reached the application's exception handler (no dialog is shown in tests).
std::vector<std::string>& GuiErrors();

/// Runs the loop until `done`, or gives up after a generous limit so a fault cannot hang the
/// suite; returns `done()`. The limit guards against hangs only: nothing here measures time.
bool RunUntil(const std::function<bool()>& done);

/// A screen position for the current test's windows, spread over the screen so that the
/// windows of tests running in parallel on one display rarely overlap.
platform::ui::Point PlaceForThisTest();

class GtkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// A shown form of the given client size with one host filling it; returns once the host
    /// painted for the first time.
    void OpenForm(int32_t width, int32_t height, platform::ui::FormOptions options = {});

    platform::ui::Application& App() { return *Gui(); }

    Recorder scene;
    std::unique_ptr<platform::ui::Form> form;
    std::unique_ptr<platform::ui::SceneHost> host;
};

} // namespace uitest
