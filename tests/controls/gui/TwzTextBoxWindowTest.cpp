// A text box in a real window under X: keys from the window system select its text, copy it
// to the desktop's clipboard and paste the clipboard's text back (the modules start in the
// track bar window test of this program).

#include "controls/TwzTextBox.h"
#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
namespace test = platform::ui::test;

TEST(TextBoxWindow, KeysCopyToAndPasteFromTheDesktopClipboard)
{
    if (!uitest::Gui()) {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
            GTEST_SKIP() << uitest::GuiError();
        FAIL() << uitest::GuiError();
    }
    platform::ui::FormOptions options;
    options.clientWidth = 200;
    options.clientHeight = 40;
    options.position = uitest::PlaceForThisTest();
    options.decorated = false;
    std::unique_ptr<platform::ui::Form> form = uitest::Gui()->CreateForm(options);
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* scene = new TwzScene(owner.get());
    scene->SetBounds(0, 0, 200, 40);
    auto* root = new TwzBackground(owner.get());
    scene->AddObject(root);
    root->SetBounds(0, 0, 200, 40);
    auto* box = new TwzTextBox(owner.get());
    box->SetBounds(10, 10, 150, 21);
    box->SetParent(root);
    box->SetText(u"clip me");
    scene->SetParentForm(form.get());
    form->Show();
    test::Raise(*form);
    ASSERT_TRUE(uitest::RunUntil([&] { return scene->HandleAllocated(); }));
    platform::ui::SceneHost& host = *scene->GetHost();
    auto settle = [] {
        for (int i = 0; i < 3; ++i) {
            test::Sync();
            uitest::Gui()->ProcessMessages();
        }
    };
    auto key = [&](const char* name, const RawModifiers& modifiers) {
        test::SendKey(host, true, name, modifiers);
        test::SendKey(host, false, name, modifiers);
        settle();
    };

    test::SendButton(host, RawButtonEvent::Type::Press, 1, 12, 20);
    test::SendButton(host, RawButtonEvent::Type::Release, 1, 12, 20);
    settle();
    ASSERT_EQ(scene->GetFocused(), box);
    key("Home", {});
    key("End", RawModifiers { .shift = true });
    EXPECT_EQ(box->GetSelText(), u"clip me");
    key("Insert", RawModifiers { .ctrl = true });
    EXPECT_EQ(uitest::Gui()->GetClipboard().GetText(), u"clip me");

    uitest::Gui()->GetClipboard().SetText(u"pasted \u00FC");
    key("Insert", RawModifiers { .shift = true });
    EXPECT_EQ(box->GetText(), u"pasted \u00FC");

    rtl::FreeAndNil(scene);
    form.reset();
    owner.reset();
    uitest::Gui()->ProcessMessages();
}
