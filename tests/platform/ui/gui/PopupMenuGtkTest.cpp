#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/ui/PopupMenu.h"
#include "platform/ui/PopupMenuTestDriver.h"

#include <string>
#include <vector>

using namespace platform::ui;
using uitest::GtkTest;

namespace {

// Pops `menu` up at `at` over `host` until it showed; true when an item was chosen.
bool PopupUntilShown(PopupMenu& menu, uitest::KeysForMenu& keys, Point at, SceneHost& host)
{
    bool chosen = false;
    uitest::PopupUntilShown(keys, [&] { chosen = menu.Popup(at, &host); });
    return chosen;
}

} // namespace

TEST_F(GtkTest, PopupMenuBlocksAndPostsTheChosenCommand)
{
    OpenForm(120, 90);
    auto menu = PopupMenu::Create();
    ASSERT_EQ(dynamic_cast<FakePopupMenu*>(menu.get()), nullptr) << "a GTK menu";
    std::vector<std::string> log;
    menu->Items().Add("First", [&] { log.push_back("first"); });
    menu->Items().Add("Disabled", [&] { log.push_back("disabled"); }).Enabled = false;
    menu->Items().Add("Third", [&] { log.push_back("third"); }).Checked = true;

    uitest::KeysForMenu keys({ "Down", "Down", "Return" });
    const Point at = host->ClientToScreen({ 10, 10 });
    EXPECT_TRUE(PopupUntilShown(*menu, keys, at, *host));
    EXPECT_TRUE(keys.SawMenu());
    EXPECT_FALSE(test::MenuIsOpen());
    EXPECT_TRUE(log.empty()) << "the command runs after the popup returned";
    EXPECT_TRUE(uitest::RunUntil([&] { return !log.empty(); }));
    EXPECT_EQ(log, std::vector<std::string> { "third" }) << "the disabled item is skipped";
}

TEST_F(GtkTest, PopupMenuDismissedWithEscapeRunsNothing)
{
    OpenForm(120, 90);
    auto menu = PopupMenu::Create();
    bool ran = false;
    menu->Items().Add("Sub").Add("Inner", [&] { ran = true; });
    uitest::KeysForMenu keys({ "Escape" });
    EXPECT_FALSE(PopupUntilShown(*menu, keys, host->ClientToScreen({ 5, 5 }), *host));
    EXPECT_TRUE(keys.SawMenu());
    App().ProcessMessages();
    EXPECT_FALSE(ran);
}

TEST_F(GtkTest, PopupMenuFreedWhileItShowsEndsItsLoop)
{
    OpenForm(120, 90);
    auto menu = PopupMenu::Create();
    menu->Items().Add("Item", [] {});
    const uint32_t timer = App().StartTimer(20, [&](uint32_t) {
        if (test::MenuIsOpen())
            menu.reset();
    });
    // Until the menu could show (see PopupUntilShown) and was freed while it showed.
    for (int attempt = 0; menu && attempt < 50; ++attempt) {
        EXPECT_FALSE(menu->Popup(host->ClientToScreen({ 5, 5 }), host.get()));
        if (menu)
            uitest::LetOtherClientsRun();
    }
    App().StopTimer(timer);
    EXPECT_EQ(menu, nullptr);
    EXPECT_FALSE(test::MenuIsOpen());
}
