// A popup in real windows under X: it opens as an undecorated popup window below its target
// and shows its content there, holds the pointer and keyboard while open, keeps open on a
// press inside, and closes on Esc typed in the main window, on a press in the main window
// (which then reaches nothing there) and on a press outside every window of the program.

#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/SceneWindow.h"
#include "tests/ui2d/TwzSceneWindowTestSupport.h"
#include "ui2d/TwzPopup.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using platform::ui::Point;
using platform::ui::RawButtonEvent;
using platform::ui::Rect;
namespace test = platform::ui::test;
using namespace scenewindowtest;

namespace {

constexpr uint32_t kRootColor = 0xFF204060;
constexpr uint32_t kRed = 0xFFFF0000;

class PopupWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void SetUpWindow() override { TakeEvents(); }
    void TearDown() override
    {
        SceneWindowTest::TearDown();
        TakeEvents();
    }
    bool Press(platform::ui::SceneHost& host, double x, double y)
    {
        test::SendButton(host, RawButtonEvent::Type::Press, 1, x, y);
        Settle();
        return true;
    }
    /// Opens the popup and waits until its window painted its content.
    void OpenPopup()
    {
        content->paints = 0;
        popup->SetIsOpen(true);
        ASSERT_NE(popup->GetPopupScene(), nullptr);
        ASSERT_TRUE(uitest::RunUntil([&] {
            return popup->GetPopupScene() && popup->GetPopupScene()->HandleAllocated() && content->paints > 0;
        }));
        Settle();
    }

    TBox* root = nullptr;
    TBox* target = nullptr;
    TwzPopup* popup = nullptr;
    TBox* content = nullptr;
};

} // namespace

TEST_F(PopupWindow, OpensBelowItsTargetAndClosesOnEscAndOnPressesElsewhere)
{
    CreateWindow(240, 160);
    root = new TBox(owner.get());
    root->color = kRootColor;
    root->SetHitTest(false);
    scene->AddObject(root);
    target = new TBox(owner.get());
    target->SetName("Target");
    root->AddObject(target);
    target->SetBounds(20, 10, 80, 20);
    popup = new TwzPopup(owner.get());
    target->AddObject(popup);
    popup->SetBounds(0, 0, 60, 40);
    popup->SetVerticalOffset(2);
    content = new TBox(owner.get());
    content->SetName("Content");
    content->color = kRed;
    popup->AddObject(content);
    content->SetBounds(0, 0, 60, 40);
    ASSERT_NO_FATAL_FAILURE(ShowWindow([&] { return root->paints > 0; }));
    platform::ui::SceneHost& main = *scene->GetHost();

    // Below the target, as a popup window showing the popup's content.
    OpenPopup();
    platform::ui::SceneHost& shown = *popup->GetPopupScene()->GetHost();
    const Point expected = main.ClientToScreen({ 20, 10 + 20 + 2 });
    EXPECT_EQ(shown.ClientToScreen({ 0, 0 }), expected);
    EXPECT_EQ(shown.GetForm().ClientWidth(), 60);
    EXPECT_TRUE(shown.GetForm().HasPopupGrab());
    const std::vector<uint32_t> pixels = test::ReadPixels(shown, Rect { 30, 20, 31, 21 });
    ASSERT_EQ(pixels.size(), 1u);
    EXPECT_EQ(pixels[0], kRed) << std::hex << pixels[0];

    // Esc typed where the keyboard is (the main window) reaches the popup.
    test::SendKey(main, true, "Escape");
    Settle();
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_EQ(popup->GetParent(), target);
    EXPECT_EQ(form->GetModalResult(), platform::ui::kModalNone);

    // A press inside the popup reaches its content and keeps it open.
    OpenPopup();
    TakeEvents();
    Press(*popup->GetPopupScene()->GetHost(), 10, 10);
    EXPECT_TRUE(popup->GetIsOpen());
    EXPECT_EQ(Only(TakeEvents(), { "down" }), (Lines { "down left 10 10 @Content" }));
    test::SendButton(*popup->GetPopupScene()->GetHost(), RawButtonEvent::Type::Release, 1, 10, 10);
    Settle();

    // A press in the main window closes it and goes no further.
    Press(main, 50, 20);
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_TRUE(Only(TakeEvents(), { "down" }).empty());

    // A press outside every window of the program closes it too.
    OpenPopup();
    const Point outside = main.ClientToScreen({ 239 + 300, 159 + 300 });
    test::SendOutsidePress(outside);
    Settle();
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_TRUE(uitest::GuiErrors().empty());
}
