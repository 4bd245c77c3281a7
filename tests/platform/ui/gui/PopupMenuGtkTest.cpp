#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/ui/PopupMenu.h"
#include "platform/ui/PopupMenuTestDriver.h"

#include <string>
#include <vector>

using namespace platform::ui;
using uitest::GtkTest;

namespace {

// Sends the keys to the menu once it shows, from a timer of the menu's own nested loop.
class KeysForMenu {
public:
    KeysForMenu(Application& app, std::vector<std::string> keys)
        : m_app(app)
        , m_keys(std::move(keys))
    {
        m_timer = m_app.StartTimer(20, [this](uint32_t) { Tick(); });
    }
    ~KeysForMenu() { m_app.StopTimer(m_timer); }
    KeysForMenu(const KeysForMenu&) = delete;
    KeysForMenu& operator=(const KeysForMenu&) = delete;

    bool sawMenu = false;

private:
    void Tick()
    {
        if (!test::MenuIsOpen() || m_next >= m_keys.size())
            return;
        sawMenu = true;
        test::SendKeyToOpenMenu(m_keys[m_next++]);
    }

    Application& m_app;
    std::vector<std::string> m_keys;
    size_t m_next = 0;
    uint32_t m_timer = 0;
};

// Pops the menu up until it showed: a menu cannot open while another client of the display
// (a test running beside this one) holds a grab, and then it returns at once.
void LetOtherClientsRun()
{
    bool waited = false;
    Application& app = Application::Current();
    const uint32_t timer = app.StartTimer(100, [&](uint32_t) { waited = true; });
    app.RunUntil([&] { return waited; });
    app.StopTimer(timer);
}

bool PopupUntilShown(PopupMenu& menu, KeysForMenu& keys, Point at, SceneHost& host)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        const bool chosen = menu.Popup(at, &host);
        if (keys.sawMenu)
            return chosen;
        LetOtherClientsRun();
    }
    return false;
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

    KeysForMenu keys(App(), { "Down", "Down", "Return" });
    const Point at = host->ClientToScreen({ 10, 10 });
    EXPECT_TRUE(PopupUntilShown(*menu, keys, at, *host));
    EXPECT_TRUE(keys.sawMenu);
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
    KeysForMenu keys(App(), { "Escape" });
    EXPECT_FALSE(PopupUntilShown(*menu, keys, host->ClientToScreen({ 5, 5 }), *host));
    EXPECT_TRUE(keys.sawMenu);
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
            LetOtherClientsRun();
    }
    App().StopTimer(timer);
    EXPECT_EQ(menu, nullptr);
    EXPECT_FALSE(test::MenuIsOpen());
}
