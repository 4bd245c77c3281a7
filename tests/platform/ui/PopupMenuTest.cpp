#include "platform/ui/PopupMenu.h"

#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace platform::ui;

namespace {

class FakeMenu : public ::testing::Test {
protected:
    FakeMenu() { FakePopupMenu::SetChooser({}); }
    ~FakeMenu() override { FakePopupMenu::SetChooser({}); }

    FakeApplication app;
    std::vector<std::string> log;
};

} // namespace

TEST_F(FakeMenu, MenusOfTheHeadlessApplicationAreFake)
{
    auto menu = PopupMenu::Create();
    EXPECT_NE(dynamic_cast<FakePopupMenu*>(menu.get()), nullptr);
}

TEST_F(FakeMenu, ItemsAreFoundByCaptionAndByPath)
{
    auto menu = PopupMenu::Create();
    MenuItem& add = menu->Items().Add("Add object");
    add.Add("Scene").Add("Camera");
    add.Add("Shapes").Add("Cube");
    MenuItem& edit = menu->Items().Add("Edit");
    edit.Add("Copy to clipboard");

    EXPECT_EQ(menu->Items().FindByCaption("Edit"), &edit);
    ASSERT_NE(menu->Items().FindByCaption("Cube"), nullptr);
    EXPECT_EQ(menu->Items().FindByCaption("Cube")->Parent()->Caption, "Shapes");
    EXPECT_EQ(menu->Items().FindPath({ "Add object", "Scene", "Camera" })->Caption, "Camera");
    EXPECT_EQ(menu->Items().FindPath({ "Add object", "Camera" }), nullptr);
    EXPECT_EQ(menu->Items().FindByCaption("Paste"), nullptr);
}

TEST_F(FakeMenu, ChosenCommandRunsAfterThePopupReturned)
{
    auto menu = PopupMenu::Create();
    menu->Items().Add("First", [&] { log.push_back("first"); });
    menu->Items().Add("Second", [&] { log.push_back("second"); });
    FakePopupMenu::SetChooser([](MenuItem& items, Point) { return items.FindByCaption("Second"); });

    EXPECT_TRUE(menu->Popup({ 30, 40 }));
    EXPECT_TRUE(log.empty()) << "the command is posted, not run inside the popup";
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1);
    EXPECT_EQ(FakePopupMenu::LastPoint(), (Point { 30, 40 }));
    app.ProcessMessages();
    EXPECT_EQ(log, std::vector<std::string> { "second" });
}

TEST_F(FakeMenu, ItemsThatCannotBeChosenDismissTheMenu)
{
    struct Case {
        const char* name;
        std::vector<std::string> path;
    };
    const Case cases[] = {
        { "nothing chosen", {} },
        { "a disabled item", { "Disabled" } },
        { "a submenu", { "Sub" } },
        { "an item under a disabled submenu", { "Off", "Inner" } },
        { "an item of another menu", { "Elsewhere" } },
    };
    auto other = PopupMenu::Create();
    MenuItem& elsewhere = other->Items().Add("Elsewhere", [&] { log.push_back("elsewhere"); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto menu = PopupMenu::Create();
        menu->Items().Add("Disabled", [&] { log.push_back("disabled"); }).Enabled = false;
        menu->Items().Add("Sub", [&] { log.push_back("sub"); }).Add("Leaf");
        MenuItem& off = menu->Items().Add("Off");
        off.Enabled = false;
        off.Add("Inner", [&] { log.push_back("inner"); });
        FakePopupMenu::SetChooser([&](MenuItem& items, Point) -> MenuItem* {
            if (c.path.empty())
                return nullptr;
            if (c.path[0] == "Elsewhere")
                return &elsewhere;
            MenuItem* item = items.FindByCaption(c.path[0]);
            return c.path.size() > 1 ? item->FindByCaption(c.path[1]) : item;
        });
        EXPECT_FALSE(menu->Popup({ 0, 0 }));
        app.ProcessMessages();
        EXPECT_TRUE(log.empty());
    }
}

TEST_F(FakeMenu, ChosenCommandMayFreeTheMenu)
{
    auto menu = PopupMenu::Create();
    menu->Items().Add("Close", [&] {
        menu.reset();
        log.push_back("closed");
    });
    FakePopupMenu::SetChooser([](MenuItem& items, Point) { return items.FindByCaption("Close"); });
    EXPECT_TRUE(menu->Popup({ 0, 0 }));
    app.ProcessMessages();
    EXPECT_EQ(menu, nullptr);
    EXPECT_EQ(log, std::vector<std::string> { "closed" });
}

TEST_F(FakeMenu, MenuFreedWhileItShowsReturnsNothing)
{
    auto menu = PopupMenu::Create();
    menu->Items().Add("Item", [&] { log.push_back("item"); });
    PopupMenu* raw = menu.get();
    FakePopupMenu::SetChooser([&](MenuItem& items, Point) {
        MenuItem* item = items.FindByCaption("Item");
        menu.reset(); // a handler of the nested loop frees the menu's owner
        return item;
    });
    EXPECT_FALSE(raw->Popup({ 0, 0 }));
    app.ProcessMessages();
    EXPECT_TRUE(log.empty());
}

TEST_F(FakeMenu, ShowingMenuDoesNotShowAgain)
{
    auto menu = PopupMenu::Create();
    menu->Items().Add("Item", [&] { log.push_back("item"); });
    bool nested = true;
    FakePopupMenu::SetChooser([&](MenuItem& items, Point) {
        nested = menu->Popup({ 1, 1 });
        return items.FindByCaption("Item");
    });
    EXPECT_TRUE(menu->Popup({ 0, 0 }));
    EXPECT_FALSE(nested);
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1);
    EXPECT_FALSE(menu->IsShowing());
}
