#pragma once

#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "tests/platform/ui/Recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
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

/// Sends keys by X name ("Down", "Return") to the popup menu of the GTK application, one a
/// tick, once the menu shows: the timer runs in the menu's own nested loop. An empty name
/// lets 300 ms pass: an item with a submenu selected by key opens it after a delay, and
/// opening it before (Right, Return) loses GTK's note of that delay, which the leak checker
/// reports.
class KeysForMenu {
public:
    explicit KeysForMenu(std::vector<std::string> keys);
    ~KeysForMenu();
    KeysForMenu(const KeysForMenu&) = delete;
    KeysForMenu& operator=(const KeysForMenu&) = delete;

    /// True once the menu showed.
    [[nodiscard]] bool SawMenu() const { return m_sawMenu; }

private:
    void Tick();

    std::vector<std::string> m_keys;
    size_t m_next = 0;
    int m_paused = 0;
    uint32_t m_timer = 0;
    bool m_sawMenu = false;
};

/// Runs `popup` (which shows a menu and returns once it closed) until `keys` saw the menu, at
/// most 50 times: a menu cannot open while another client of the display holds a grab (a test
/// running beside this one), and then it returns at once. False when it never showed.
bool PopupUntilShown(KeysForMenu& keys, const std::function<void()>& popup);
/// Turns the loop for a tenth of a second, so that other clients of the display run.
void LetOtherClientsRun();

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
