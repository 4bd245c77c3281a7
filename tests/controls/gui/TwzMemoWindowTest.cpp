// A memo in a real window under X: keys typed through GTK, and cut, copy and paste through the
// X clipboard, with text outside Latin-1 and outside the basic plane.

#include "controls/TwzMemo.h"
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

// The modules are started once for the suite by the environment of TwzTrackWindowTest.cpp.

class MemoWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void SetUpWindow() override
    {
        CreateWindow(220, 80);
        auto* root = new TwzBackground(owner.get());
        scene->AddObject(root);
        root->SetBounds(0, 0, 220, 80);
        // As the designer's inspector has it.
        memo = new TwzMemo(owner.get());
        memo->SetBounds(10, 10, 194, 54);
        memo->SetWordWrap(false);
        memo->SetParent(root);
        memo->SetText(u"Glyphforge");
        ShowWindow([&] { return memo->GetContentPart() != nullptr; });
    }
    platform::ui::Clipboard& Clipboard() { return uitest::Gui()->GetClipboard(); }

    TwzMemo* memo = nullptr;
};

} // namespace

TEST_F(MemoWindow, TypesAndCutsCopiesAndPastesThroughTheClipboard)
{
    // A click puts the caret at the end of the first line and takes the focus.
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 200, 20);
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 200, 20, RawModifiers { .button1 = true });
    Settle();
    ASSERT_EQ(scene->GetFocused(), memo);
    EXPECT_FALSE(memo->GetSelected());
    Type("space");
    Type("X");
    Type("Return");
    Type("2");
    EXPECT_EQ(memo->GetText(), u"Glyphforge X\r\n2");

    const std::u16string foreign = u"Grüße \U0001D11E\r\nПривет";
    memo->SetText(foreign);
    Type("a", { .ctrl = true });
    EXPECT_EQ(memo->SelText(), foreign);
    Type("c", { .ctrl = true });
    // Line ends travel as the X clipboard writes them.
    EXPECT_EQ(Clipboard().GetText(), u"Grüße \U0001D11E\nПривет");
    Type("x", { .ctrl = true });
    EXPECT_EQ(memo->GetText(), u"");
    EXPECT_EQ(Clipboard().GetText(), u"Grüße \U0001D11E\nПривет");

    Clipboard().SetText(u"日本\n\U0001F600");
    Type("v", { .ctrl = true });
    EXPECT_EQ(memo->GetText(), u"日本\n\U0001F600");
    EXPECT_EQ(memo->LineCount(), 2);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 2 }));
    // Shift+Insert pastes as well, Ctrl+Z does nothing.
    Type("End");
    Type("Insert", { .shift = true });
    EXPECT_EQ(memo->GetText(), u"日本\n\U0001F600日本\n\U0001F600");
    Type("z", { .ctrl = true });
    EXPECT_EQ(memo->GetText(), u"日本\n\U0001F600日本\n\U0001F600");
}
