// A text box in a real window under X: keys from the window system select its text, copy it
// to the desktop's clipboard and paste the clipboard's text back (the modules start in the
// track bar window test of this program).

#include "controls/TwzTextBox.h"
#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/SceneWindow.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <memory>

using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
namespace test = platform::ui::test;

namespace {

using TextBoxWindow = testsupport::SceneWindowTest<TwzScene>;

} // namespace

TEST_F(TextBoxWindow, KeysCopyToAndPasteFromTheDesktopClipboard)
{
    CreateWindow(200, 40);
    auto* root = new TwzBackground(owner.get());
    scene->AddObject(root);
    root->SetBounds(0, 0, 200, 40);
    auto* box = new TwzTextBox(owner.get());
    box->SetBounds(10, 10, 150, 21);
    box->SetParent(root);
    box->SetText(u"clip me");
    ASSERT_NO_FATAL_FAILURE(ShowWindow());

    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 12, 20);
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 12, 20);
    Settle();
    ASSERT_EQ(scene->GetFocused(), box);
    Type("Home");
    Type("End", RawModifiers { .shift = true });
    EXPECT_EQ(box->GetSelText(), u"clip me");
    Type("Insert", RawModifiers { .ctrl = true });
    EXPECT_EQ(uitest::Gui()->GetClipboard().GetText(), u"clip me");

    uitest::Gui()->GetClipboard().SetText(u"pasted \u00FC");
    Type("Insert", RawModifiers { .shift = true });
    EXPECT_EQ(box->GetText(), u"pasted \u00FC");
}
