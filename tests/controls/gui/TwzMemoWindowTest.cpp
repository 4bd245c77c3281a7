// A memo in a real window under X: keys typed through GTK, and cut, copy and paste through the
// X clipboard, with text outside Latin-1 and outside the basic plane.

#include "controls/TwzMemo.h"
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

namespace {

// The modules are started once for the suite by the environment of TwzTrackWindowTest.cpp.

class MemoWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!uitest::Gui()) {
            if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
                GTEST_SKIP() << uitest::GuiError();
            FAIL() << uitest::GuiError();
        }
        platform::ui::FormOptions options;
        options.clientWidth = 220;
        options.clientHeight = 80;
        options.position = uitest::PlaceForThisTest();
        options.decorated = false;
        form = uitest::Gui()->CreateForm(options);
        owner.reset(new rtl::TComponent(nullptr));
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 220, 80);
        auto* root = new TwzBackground(owner.get());
        scene->AddObject(root);
        root->SetBounds(0, 0, 220, 80);
        // As the designer's inspector has it.
        memo = new TwzMemo(owner.get());
        memo->SetBounds(10, 10, 194, 54);
        memo->SetWordWrap(false);
        memo->SetParent(root);
        memo->SetText(u"Glyphforge");
        scene->SetParentForm(form.get());
        form->Show();
        test::Raise(*form);
        ASSERT_TRUE(
            uitest::RunUntil([&] { return scene->HandleAllocated() && memo->GetContentPart() != nullptr; }));
        Settle();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
        if (uitest::Gui())
            uitest::Gui()->ProcessMessages();
    }
    void Settle()
    {
        for (int i = 0; i < 3; ++i) {
            test::Sync();
            uitest::Gui()->ProcessMessages();
        }
    }
    platform::ui::SceneHost& Host() { return *scene->GetHost(); }
    void Press(const std::string& key, RawModifiers modifiers = {})
    {
        test::SendKey(Host(), true, key, modifiers);
        test::SendKey(Host(), false, key, modifiers);
        Settle();
    }
    platform::ui::Clipboard& Clipboard() { return uitest::Gui()->GetClipboard(); }

    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner;
    TwzScene* scene = nullptr;
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
    Press("space");
    Press("X");
    Press("Return");
    Press("2");
    EXPECT_EQ(memo->GetText(), u"Glyphforge X\r\n2");

    const std::u16string foreign = u"Grüße \U0001D11E\r\nПривет";
    memo->SetText(foreign);
    Press("a", { .ctrl = true });
    EXPECT_EQ(memo->SelText(), foreign);
    Press("c", { .ctrl = true });
    // Line ends travel as the X clipboard writes them.
    EXPECT_EQ(Clipboard().GetText(), u"Grüße \U0001D11E\nПривет");
    Press("x", { .ctrl = true });
    EXPECT_EQ(memo->GetText(), u"");
    EXPECT_EQ(Clipboard().GetText(), u"Grüße \U0001D11E\nПривет");

    Clipboard().SetText(u"日本\n\U0001F600");
    Press("v", { .ctrl = true });
    EXPECT_EQ(memo->GetText(), u"日本\n\U0001F600");
    EXPECT_EQ(memo->LineCount(), 2);
    EXPECT_EQ(memo->GetCaretPosition(), (TwzCaretPosition { 1, 2 }));
    // Shift+Insert pastes as well, Ctrl+Z does nothing.
    Press("End");
    Press("Insert", { .shift = true });
    EXPECT_EQ(memo->GetText(), u"日本\n\U0001F600日本\n\U0001F600");
    Press("z", { .ctrl = true });
    EXPECT_EQ(memo->GetText(), u"日本\n\U0001F600日本\n\U0001F600");
}
