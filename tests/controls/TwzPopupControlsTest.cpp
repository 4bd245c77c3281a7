// Buttons with popups and actions in a scene of the headless window system: a button in a
// modal message popup ends the run with its modal result, a close button closes a popup
// that is not modal, and a button follows the action set through its published Action
// property, whose update handler the scene runs at idle time.

#include "controls/Controls.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "platform/rtl/Properties.h"
#include "platform/ui/FakeApplication.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAction.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzPopup.h"
#include "ui2d/TwzScene.h"

#include "tests/controls/FakeWindowScene.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TCounter : public rtl::TObject {
public:
    int runs = 0;
    void Run(rtl::TObject*) { ++runs; }
};

using ButtonsInScenes = FakeWindowSceneTest;

TEST_F(ButtonsInScenes, AButtonInAModalMessagePopupEndsTheRunWithItsResult)
{
    auto* message = new TwzMessagePopup(owner.get());
    root->AddObject(message);
    message->SetBounds(0, 0, 200, 60);
    auto* ok = new TwzButton(owner.get());
    message->AddObject(ok);
    ok->SetBounds(10, 10, 80, 30);
    ok->SetModalResult(platform::ui::kModalOk);
    // The click comes once the message has slid in; a run that missed it ends after a while.
    const uint32_t click = app.StartTimer(600, [&](uint32_t id) {
        app.StopTimer(id);
        if (message->GetPopupScene())
            Click(*message->GetPopupScene()->GetHost(), 40, 20);
    });
    const uint32_t guard = app.StartTimer(5000, [&](uint32_t id) {
        app.StopTimer(id);
        if (message->GetPopupForm())
            message->GetPopupForm()->GetForm().SetModalResult(99);
    });
    EXPECT_EQ(message->RunPopupModal(), platform::ui::kModalOk);
    app.StopTimer(click);
    app.StopTimer(guard);
    EXPECT_EQ(message->GetPopupForm(), nullptr);
    EXPECT_EQ(message->GetParent(), root);
}

TEST_F(ButtonsInScenes, ACloseButtonClosesAPopupThatIsNotModal)
{
    auto* popup = new TwzPopup(owner.get());
    root->AddObject(popup);
    popup->SetBounds(0, 0, 100, 60);
    auto* close = new TwzCloseButton(owner.get());
    popup->AddObject(close);
    close->SetBounds(70, 5, 20, 20);
    popup->SetIsOpen(true);
    ASSERT_NE(popup->GetPopupScene(), nullptr);
    Click(*popup->GetPopupScene()->GetHost(), 80, 15);
    app.ProcessMessages();
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_EQ(close->GetParent(), popup);
}

TEST_F(ButtonsInScenes, AButtonFollowsItsActionAndTheSceneUpdatesActionsAtIdleTime)
{
    auto* action = new TwzAction(owner.get());
    action->SetCaption(u"Render");
    TCounter executed;
    TCounter updated;
    action->OnExecute.Bind<&TCounter::Run>(&executed);
    action->OnUpdate.Bind<&TCounter::Run>(&updated);
    auto* button = new TwzButton(owner.get());
    root->AddObject(button);
    button->SetBounds(20, 20, 100, 30);
    ASSERT_TRUE(rtl::SetPropValue(*button, "Action", rtl::TValue(static_cast<rtl::TObject*>(action))));
    EXPECT_EQ(button->GetText(), u"Render");

    Click(*scene->GetHost(), 50, 30);
    EXPECT_EQ(executed.runs, 1);
    action->SetEnabled(false);
    EXPECT_FALSE(button->GetEnabled());
    Click(*scene->GetHost(), 50, 30);
    EXPECT_EQ(executed.runs, 1) << "a disabled button does not click";
    action->SetCaption(u"Render…");
    EXPECT_EQ(button->GetText(), u"Render…");

    // Idle turns ask the action to update itself, but only for controls that show.
    const int before = updated.runs;
    app.ProcessOne();
    while (app.ProcessOne()) { }
    EXPECT_GT(updated.runs, before);
    button->SetVisible(false);
    const int hidden = updated.runs;
    app.AdvanceTime(100);
    while (app.ProcessOne()) { }
    EXPECT_EQ(updated.runs, hidden);
}

} // namespace
