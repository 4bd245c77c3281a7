// A combo box in a scene of the headless window system, with the built-in styles: a click
// drops the list down in a window of its own below the box, a click on an item there picks
// it and closes the window, and the face then shows the item.

#include "controls/Controls.h"
#include "controls/TwzComboBox.h"
#include "graphics/TwzWideStrings.h"
#include "platform/ui/FakeApplication.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzPopup.h"
#include "ui2d/TwzScene.h"

#include "tests/controls/FakeWindowScene.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TChangeCounter : public rtl::TObject {
public:
    int changes = 0;
    void Change(rtl::TObject*) { ++changes; }
};

class ComboBoxInAWindow : public FakeWindowSceneTest {
protected:
    ComboBoxInAWindow()
        : FakeWindowSceneTest(300, 250)
    { }
};

} // namespace

TEST_F(ComboBoxInAWindow, AClickDropsTheListDownAndAClickOnAnItemPicksIt)
{
    auto* combo = new TwzStringComboBox(owner.get());
    root->AddObject(combo);
    combo->SetBounds(20, 30, 120, 23);
    for (const char16_t* line : { u"red", u"green", u"blue", u"black" })
        combo->GetItems()->Add(line);
    TChangeCounter counter;
    combo->OnChange.Bind<&TChangeCounter::Change>(&counter);
    app.ProcessMessages();

    Click(*scene->GetHost(), 60, 40);
    app.ProcessMessages();
    TwzPopup* popup = combo->GetPopup();
    ASSERT_TRUE(popup->GetIsOpen());
    ASSERT_NE(popup->GetPopupForm(), nullptr);
    auto& window = static_cast<platform::ui::FakeForm&>(popup->GetPopupForm()->GetForm());
    EXPECT_EQ(window.GetPosition().x, 100 + 20) << "below the box, at its left edge";
    EXPECT_EQ(window.GetPosition().y, 100 + 30 + 23);
    EXPECT_EQ(popup->GetWidth(), 120);
    EXPECT_EQ(popup->GetHeight(), 8 * 19);
    EXPECT_EQ(combo->GetListBox()->Count(), 4);

    // The third row.
    Click(*popup->GetPopupScene()->GetHost(), 40, 2 * 19 + 8);
    app.ProcessMessages();
    EXPECT_EQ(combo->GetItemIndex(), 2);
    EXPECT_EQ(counter.changes, 1);
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_EQ(popup->GetParent(), root);
    EXPECT_EQ(combo->GetData(), rtl::TValue(std::u16string(u"blue")));
}
