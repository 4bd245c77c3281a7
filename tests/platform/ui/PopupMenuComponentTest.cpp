// The popup menu as a component: its items pop up as they are at that moment, the chosen one
// clicks once the menu closed, a form stores the menu with its items and their handlers by
// name, and items, menus and linked components may go at any time, also while it shows.

#include "platform/ui/PopupMenuComponent.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/PopupMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform::ui;

namespace {

// A form whose handlers stored menus bind to by name.
class TMenuForm : public rtl::TComponent {
    RTL_CLASS(TMenuForm, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;
    void ItemClick(rtl::TObject* sender)
    {
        clicks.push_back(static_cast<rtl::TComponent*>(sender)->GetName());
    }
    std::vector<std::string> clicks;
};

constexpr rtl::TMethodInfo kMenuFormHandlers[] = {
    RTL_HANDLER(TMenuForm, ItemClick, rtl::TNotifyEvent),
};

} // namespace

RTL_IMPLEMENT_CLASS(TMenuForm, .methods = kMenuFormHandlers)

namespace {

class MenuComponent : public ::testing::Test {
protected:
    MenuComponent()
    {
        RegisterMenuComponents();
        FakePopupMenu::SetChooser({});
    }
    ~MenuComponent() override { FakePopupMenu::SetChooser({}); }

    MenuItemComponent* Item(MenuItemComponent& parent, const std::string& name, const std::string& caption)
    {
        auto* item = new MenuItemComponent(form.get());
        item->SetName(name);
        item->SetCaption(caption);
        item->OnClick.Bind<&TMenuForm::ItemClick>(form.get(), "ItemClick");
        parent.Add(item);
        return item;
    }

    /// Open (Ctrl+O), More > Inner, a disabled Gone, a checked Snap.
    PopupMenuComponent* Menu()
    {
        auto* menu = new PopupMenuComponent(form.get());
        menu->SetName("ObjectMenu");
        Item(menu->Items(), "OpenItem", "Open")->SetShortCut("Ctrl+O");
        MenuItemComponent* more = Item(menu->Items(), "MoreItem", "More");
        Item(*more, "InnerItem", "Inner");
        Item(menu->Items(), "GoneItem", "Gone")->SetEnabled(false);
        Item(menu->Items(), "SnapItem", "Snap")->SetChecked(true);
        return menu;
    }

    /// What the window-system menu showed: one line an entry, sub-entries indented.
    static void Describe(const MenuItem& items, const std::string& indent, std::vector<std::string>& lines)
    {
        for (const auto& entry : items.Items()) {
            lines.push_back(indent + entry->Caption
                + (entry->ShortCut.empty() ? "" : " [" + entry->ShortCut + "]")
                + (entry->Enabled ? "" : " disabled") + (entry->Checked ? " checked" : ""));
            Describe(*entry, indent + "  ", lines);
        }
    }

    FakeApplication app;
    rtl::TOwned<TMenuForm> form { new TMenuForm(nullptr) };
};

} // namespace

TEST_F(MenuComponent, ItemsPopUpAsTheyAreAndTheChosenOneClicksOnceTheMenuClosed)
{
    PopupMenuComponent* menu = Menu();
    std::vector<std::string> shown;
    FakePopupMenu::SetChooser([&](MenuItem& items, Point) {
        shown.clear();
        Describe(items, "", shown);
        return items.FindPath({ "More", "Inner" });
    });
    menu->Popup(120, 80);
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1);
    EXPECT_EQ(FakePopupMenu::LastPoint(), (Point { 120, 80 }));
    EXPECT_EQ(shown,
        (std::vector<std::string> { "Open [Ctrl+O]", "More", "  Inner", "Gone disabled", "Snap checked" }));
    EXPECT_TRUE(form->clicks.empty()) << "the click comes after the menu closed";
    app.ProcessMessages();
    EXPECT_EQ(form->clicks, (std::vector<std::string> { "InnerItem" }));

    // The next showing takes the items as they are then; a disabled item cannot be chosen.
    menu->Items().Find("Snap")->SetChecked(false);
    menu->Items().Find("Gone")->SetCaption("Back");
    form->clicks.clear();
    FakePopupMenu::SetChooser([&](MenuItem& items, Point) {
        shown.clear();
        Describe(items, "", shown);
        return items.FindByCaption("Back");
    });
    menu->Popup(5, 5);
    app.ProcessMessages();
    EXPECT_EQ(shown.back(), "Snap");
    EXPECT_EQ(shown[3], "Back disabled");
    EXPECT_TRUE(form->clicks.empty());

    // A menu without items shows nothing.
    auto* empty = new PopupMenuComponent(form.get());
    empty->Popup(5, 5);
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1);
}

TEST_F(MenuComponent, AFormStoresItsMenuWithTheItemsInsideAndTheirHandlersByName)
{
    Menu();
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *form);
    stream.SetPosition(0);
    rtl::TOwned<TMenuForm> read(new TMenuForm(nullptr));
    rtl::ReadComponentFromStream(stream, read.get());

    auto* menu = dynamic_cast<PopupMenuComponent*>(read->FindComponent("ObjectMenu"));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->Items().Count(), 4);
    const MenuItemComponent* open = menu->Items().GetItem(0);
    EXPECT_EQ(open->GetName(), "OpenItem");
    EXPECT_EQ(open->GetShortCut(), "Ctrl+O");
    EXPECT_EQ(open->GetOwner(), read.get()) << "the form owns the items it stores";
    EXPECT_EQ(open->GetMenu(), menu);
    MenuItemComponent* more = menu->Items().GetItem(1);
    ASSERT_EQ(more->Count(), 1);
    EXPECT_EQ(more->GetItem(0)->GetCaption(), "Inner");
    EXPECT_EQ(more->GetItem(0)->GetParentComponent(), more);
    EXPECT_EQ(more->GetParentComponent(), menu);
    EXPECT_FALSE(menu->Items().GetItem(2)->GetEnabled());
    EXPECT_TRUE(menu->Items().GetItem(3)->GetChecked());

    FakePopupMenu::ChooseCaptions({ "More", "Inner" });
    menu->Popup(1, 1);
    app.ProcessMessages();
    EXPECT_EQ(read->clicks, (std::vector<std::string> { "InnerItem" })) << "bound to the read form";
    EXPECT_TRUE(form->clicks.empty());
}

TEST_F(MenuComponent, ItemsMenusAndLinkedComponentsMayGoAtAnyTime)
{
    PopupMenuComponent* menu = Menu();
    MenuItemComponent* more = menu->Items().Find("More");
    MenuItemComponent* inner = more->Find("Inner");

    // An item cannot hold itself or what holds it.
    EXPECT_THROW(inner->Add(more), rtl::ComponentError);
    EXPECT_THROW(more->Add(more), rtl::ComponentError);
    EXPECT_EQ(inner->GetParent(), more);

    // The item chosen is freed while the menu shows (by a handler of its loop): nothing runs.
    FakePopupMenu::SetChooser([&](MenuItem& items, Point) {
        MenuItem* chosen = items.FindPath({ "More", "Inner" });
        inner->Free();
        return chosen;
    });
    menu->Popup(1, 1);
    app.ProcessMessages();
    EXPECT_TRUE(form->clicks.empty());
    EXPECT_EQ(more->Count(), 0) << "a freed item leaves its parent";

    // The linked component goes first; then the menu goes with its items, and freeing it
    // while it shows ends the showing.
    auto* target = new rtl::TComponent(form.get());
    menu->SetPopupComponent(target);
    target->Free();
    EXPECT_EQ(menu->GetPopupComponent(), nullptr);
    rtl::Watch<MenuItemComponent> open(menu->Items().Find("Open"));
    FakePopupMenu::SetChooser([&](MenuItem& items, Point) {
        MenuItem* chosen = items.FindByCaption("Open");
        menu->Free(); // and the entries with it
        return chosen;
    });
    menu->Popup(1, 1);
    app.ProcessMessages();
    EXPECT_FALSE(open) << "the menu freed its items";
    EXPECT_EQ(form->FindComponent("SnapItem"), nullptr);
    EXPECT_TRUE(form->clicks.empty());
}
