// The expander (collapsing, its content and check box, streaming), the popup box (items,
// index and text, the menu), and the window frames (close button, size grip, caption).

#include "ControlsTest.h"

#include "controls/TwzCheckBoxes.h"
#include "controls/TwzExpander.h"
#include "controls/TwzPanels.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzWindows.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzWideStrings.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/PopupMenu.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzShape.h"
#include "ui2d/TwzText.h"

using namespace controlstest;

namespace {

std::string AsText(TwzObject& object)
{
    rtl::TMemoryStream text;
    object.SaveObjectAsText(text);
    return std::string(reinterpret_cast<const char*>(text.Memory()), static_cast<size_t>(text.GetSize()));
}

} // namespace

// ---- expander ---------------------------------------------------------------------------------

class Expanders : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        scene->SetSize(200, 200);
    }
};

TEST_F(Expanders, CollapsingKeepsTheContentHeightForTheNextExpansion)
{
    auto* expander = Add<TwzExpander>("expander", { 0, 0, 130, 130 });
    TwzContent* content = expander->GetContent();
    ASSERT_NE(content, nullptr);
    auto* button = dynamic_cast<TwzCustomButton*>(Part(*expander, "button"));
    ASSERT_NE(button, nullptr);
    ASSERT_FLOAT_EQ(button->GetHeight(), 25);
    EXPECT_FALSE(button->GetCanFocused());
    EXPECT_FLOAT_EQ(content->GetPosition()->GetY(), 25);
    EXPECT_FLOAT_EQ(content->GetHeight(), 105);

    expander->SetIsExpanded(false);
    EXPECT_FLOAT_EQ(expander->GetHeight(), 25);
    EXPECT_FALSE(content->GetVisible());
    EXPECT_FLOAT_EQ(content->GetHeight(), 105) << "the content keeps its height";

    expander->SetIsExpanded(true);
    EXPECT_FLOAT_EQ(expander->GetHeight(), 130);
    EXPECT_TRUE(content->GetVisible());

    // Resizing while expanded resizes the content, which the next expansion restores.
    expander->SetHeight(160);
    EXPECT_FLOAT_EQ(content->GetHeight(), 135);
    EXPECT_FLOAT_EQ(content->GetWidth(), 130);

    // The header's button toggles.
    ClickAt({ 60, 12 });
    EXPECT_FALSE(expander->GetIsExpanded());
    EXPECT_FLOAT_EQ(expander->GetHeight(), 25);
    ClickAt({ 60, 12 });
    EXPECT_TRUE(expander->GetIsExpanded());
    EXPECT_FLOAT_EQ(expander->GetHeight(), 160);
}

TEST_F(Expanders, ChildrenLiveInTheContentAndHideWithIt)
{
    auto* expander = Add<TwzExpander>("expander", { 10, 10, 130, 130 });
    auto* panel = Add<TwzPanel>("panel", { 5, 5, 50, 40 }, expander);
    EXPECT_EQ(panel->GetParent(), expander->GetContent());
    EXPECT_EQ(root->FindObjectAt(20, 45), panel) << "placed under the header, at (10+5, 10+25+5)";

    expander->SetIsExpanded(false);
    EXPECT_FALSE(panel->GetAbsoluteVisible());
    EXPECT_NE(root->FindObjectAt(20, 45), panel);
    expander->SetIsExpanded(true);
    EXPECT_TRUE(panel->GetAbsoluteVisible());
}

TEST_F(Expanders, TheCheckBoxEnablesTheContent)
{
    auto* expander = Add<TwzExpander>("expander", { 0, 0, 130, 130 });
    expander->OnCheckChange = form->ChangeHandler();
    auto* check = dynamic_cast<TwzCheckBox*>(Part(*expander, "checkbox"));
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->GetVisible());
    EXPECT_TRUE(check->GetIsChecked());
    expander->SetShowCheck(true);
    EXPECT_TRUE(check->GetVisible());

    expander->SetIsChecked(false);
    EXPECT_FALSE(check->GetIsChecked());
    EXPECT_FALSE(expander->GetContent()->GetEnabled());
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:expander" }));

    // A click on the check box goes the other way.
    form->log.clear();
    ClickAt({ 30, 12 });
    EXPECT_TRUE(check->GetIsChecked());
    EXPECT_TRUE(expander->GetIsChecked());
    EXPECT_TRUE(expander->GetContent()->GetEnabled());
    EXPECT_FALSE(expander->GetIsExpanded() == false) << "the check box does not toggle the expansion";
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:expander" }));

    expander->SetIsChecked(true);
    EXPECT_EQ(form->log.size(), 1u) << "no change, no event";
}

TEST_F(Expanders, TheContentSizeAndTheChildrenStreamAsTheExpanders)
{
    auto* expander = Add<TwzExpander>("expander", { 0, 0, 130, 130 });
    Add<TwzPanel>("inner", { 5, 5, 50, 40 }, expander);
    expander->SetIsExpanded(false);
    const std::string text = AsText(*expander);
    EXPECT_NE(text.find("ContentSize = '105'"), std::string::npos) << text;
    EXPECT_NE(text.find("IsExpanded = False"), std::string::npos) << text;
    EXPECT_NE(text.find("ShowCheck = False"), std::string::npos) << "always stored";
    EXPECT_NE(text.find("object inner: TwzPanel"), std::string::npos) << text;
    EXPECT_EQ(text.find("TwzContent"), std::string::npos) << "the content itself is not stored";

    auto* copy = dynamic_cast<TwzExpander*>(expander->CloneObject(form.get()));
    ASSERT_NE(copy, nullptr);
    copy->SetParent(root);
    copy->LoadStyle();
    EXPECT_FALSE(copy->GetIsExpanded());
    EXPECT_FLOAT_EQ(copy->GetContent()->GetHeight(), 105);
    ASSERT_EQ(copy->GetContent()->Children().size(), 1u);
    EXPECT_NE(dynamic_cast<TwzPanel*>(copy->GetContent()->Children()[0]), nullptr);
    copy->SetIsExpanded(true);
    EXPECT_FLOAT_EQ(copy->GetHeight(), 130);
}

// ---- popup box --------------------------------------------------------------------------------

class PopupBoxes : public ControlsTest {
protected:
    void TearDown() override
    {
        platform::ui::FakePopupMenu::SetChooser({});
        ControlsTest::TearDown();
    }

    TwzPopupBox* AddBox(std::initializer_list<const char16_t*> lines)
    {
        auto* box = Add<TwzPopupBox>("box", { 10, 40, 100, 21 });
        for (const char16_t* line : lines)
            box->GetItems()->Add(line);
        box->OnChange = form->ChangeHandler();
        return box;
    }
    static std::u16string Caption(TwzPopupBox& box)
    {
        auto* text = dynamic_cast<TwzText*>(Part(box, "text"));
        return text ? text->GetText() : u"<no part>";
    }
};

TEST_F(PopupBoxes, IndexAndTextFollowEachOther)
{
    TwzPopupBox* box = AddBox({ u"a", u"b" });
    box->SetItemIndex(1);
    EXPECT_EQ(box->GetText(), u"b");
    EXPECT_EQ(Caption(*box), u"b");
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:box" }));

    form->log.clear();
    box->SetText(u"c");
    EXPECT_EQ(box->GetItemIndex(), -1);
    EXPECT_EQ(box->GetText(), u"");
    EXPECT_TRUE(form->log.empty()) << "Text selects without OnChange";
    box->SetText(u"a");
    EXPECT_EQ(box->GetItemIndex(), 0);
    EXPECT_EQ(Caption(*box), u"a");

    box->SetItemIndex(5);
    EXPECT_EQ(box->GetItemIndex(), 5) << "an index beyond the list is kept";
    EXPECT_EQ(box->GetText(), u"");
    box->SetItemIndex(-7);
    EXPECT_EQ(box->GetItemIndex(), -1);
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:box", "change:box" }));

    TwzPopupBox* empty = Add<TwzPopupBox>("empty", { 120, 40, 60, 21 });
    empty->SetItemIndex(2);
    EXPECT_EQ(empty->GetItemIndex(), -1);
    empty->SetText(u"x");
    EXPECT_EQ(empty->GetText(), u"");
}

TEST_F(PopupBoxes, AClickOffersTheItemsAndTheChoiceSetsTheIndex)
{
    TwzPopupBox* box = AddBox({ u"one", u"two", u"three" });
    box->SetItemIndex(0);
    form->log.clear();
    box->OnClick = form->ClickHandler();
    std::vector<std::string> shown;
    std::vector<bool> checked;
    platform::ui::FakePopupMenu::SetChooser([&](platform::ui::MenuItem& items, platform::ui::Point) {
        shown.clear();
        checked.clear();
        for (const auto& item : items.Items()) {
            shown.push_back(item->Caption);
            checked.push_back(item->Checked);
        }
        return &items.Item(2);
    });
    ClickAt({ 50, 50 });
    EXPECT_EQ(shown, (std::vector<std::string> { "one", "two", "three" }));
    EXPECT_EQ(checked, (std::vector<bool> { true, false, false }));
    // Three rows of 20 centred on the box: trunc(21 / 2 - 60 div 2) = -19 below its top.
    const TwzPoint expected = scene->LocalToScreen({ 10, 40 - 19 });
    EXPECT_EQ(platform::ui::FakePopupMenu::LastPoint(),
        (platform::ui::Point { int32_t(expected.X), int32_t(expected.Y) }));
    EXPECT_EQ(box->GetItemIndex(), 0) << "the choice is posted";
    app->ProcessMessages();
    EXPECT_EQ(box->GetItemIndex(), 2);
    EXPECT_EQ(box->GetText(), u"three");
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:box", "change:box" }));

    // Choosing the current item changes nothing.
    form->log.clear();
    ClickAt({ 50, 50 });
    app->ProcessMessages();
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:box" }));
}

TEST_F(PopupBoxes, AChoiceArrivingAfterTheBoxWentIsDropped)
{
    TwzPopupBox* box = AddBox({ u"one", u"two" });
    platform::ui::FakePopupMenu::SetChooser(
        [](platform::ui::MenuItem& items, platform::ui::Point) { return &items.Item(1); });
    ClickAt({ 50, 50 });
    box->Free();
    app->ProcessMessages();
    EXPECT_TRUE(form->log.empty());
}

TEST_F(PopupBoxes, BoundValuesAndStreaming)
{
    TwzPopupBox* box = AddBox({ u"low", u"high" });
    box->SetData(rtl::TValue(std::string("high")));
    EXPECT_EQ(box->GetItemIndex(), 1);
    EXPECT_EQ(std::get<std::u16string>(box->GetData()), u"high");
    box->SetData(rtl::TValue(std::string("none")));
    EXPECT_EQ(box->GetItemIndex(), -1);

    box->SetItemIndex(1);
    const std::string text = AsText(*box);
    EXPECT_EQ(text.find("Text ="), std::string::npos) << text;
    EXPECT_NE(text.find("ItemIndex = 1"), std::string::npos) << text;
    auto* copy = dynamic_cast<TwzPopupBox*>(box->CloneObject(form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetItems()->GetCount(), 2);
    EXPECT_EQ(copy->GetText(), u"high");
}

// ---- windows ----------------------------------------------------------------------------------

using Windows = ControlsTest;

TEST_F(Windows, TheCloseButtonRaisesOnCloseClickInsteadOfClosingTheForm)
{
    auto* window = new TwzWindow(form.get());
    window->SetName("window");
    window->OnCloseClick = form->ClickHandler();
    window->SetBounds(0, 0, 200, 100);
    window->SetParent(root);
    window->LoadStyle();
    auto* close = dynamic_cast<TwzCloseButton*>(Part(*window, "close"));
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->GetCloseForm());
    TwzVisualObject* closeVisual = close;
    const TwzRect r = closeVisual->GetAbsoluteRect();
    ClickAt({ (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2 });
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:" })) << "raised by the unnamed close part";

    auto* grip = dynamic_cast<TwzVisualObject*>(Part(*window, "sizegrip"));
    ASSERT_NE(grip, nullptr);
    window->SetShowSizeGrip(false);
    window->SetShowCloseButton(false);
    grip = dynamic_cast<TwzVisualObject*>(Part(*window, "sizegrip"));
    ASSERT_NE(grip, nullptr);
    EXPECT_FALSE(grip->GetVisible());
    EXPECT_FALSE(dynamic_cast<TwzVisualObject*>(Part(*window, "close"))->GetVisible());

    // Without a handler the close button closes the form.
    auto* plain = Add<TwzWindow>("plain", { 0, 0, 100, 100 });
    EXPECT_TRUE(dynamic_cast<TwzCloseButton*>(Part(*plain, "close"))->GetCloseForm());
}

TEST_F(Windows, TheHudWindowHandsItsBrushesAndPenToItsParts)
{
    auto* window = Add<TwzHudWindow>("hud", { 0, 0, 200, 100 });
    auto* back = dynamic_cast<TwzShape*>(Part(*window, "back"));
    auto* stroke = dynamic_cast<TwzShape*>(Part(*window, "stroke"));
    auto* caption = dynamic_cast<TwzVisualObject*>(Part(*window, "caption"));
    auto* close = dynamic_cast<TwzCloseButton*>(Part(*window, "close"));
    ASSERT_TRUE(back && stroke && caption && close);
    EXPECT_EQ(back->GetFill()->GetSolidColor(), 0xEA2F2F2Fu);
    EXPECT_EQ(stroke->GetStroke()->GetSolidColor(), 0x5B000000u);
    EXPECT_FLOAT_EQ(caption->GetHeight(), 21);
    EXPECT_EQ(close->GetAlign(), vaLeft);

    window->GetFill()->SetSolidColor(0xFF102030);
    EXPECT_EQ(back->GetFill()->GetSolidColor(), 0xFF102030u);
    window->SetStrokeThickness(3);
    EXPECT_FLOAT_EQ(stroke->GetStrokeThickness(), 3);
    EXPECT_FLOAT_EQ(stroke->GetMargins()->GetLeft(), 3);
    EXPECT_FLOAT_EQ(caption->GetHeight(), 23);
    EXPECT_FLOAT_EQ(caption->GetPadding()->GetTop(), 3);
    EXPECT_FLOAT_EQ(caption->GetPadding()->GetBottom(), 0);
    window->SetButtonAlign(wzButtonAlignRight);
    EXPECT_EQ(close->GetAlign(), vaRight);

    window->SetShowCaption(false);
    EXPECT_FALSE(caption->GetVisible());
    EXPECT_TRUE(caption->GetDesignHide());
    EXPECT_FALSE(close->GetVisible());
    EXPECT_FALSE(dynamic_cast<TwzVisualObject*>(Part(*window, "text"))->GetVisible());

    // Thickness 1 is not stored; other values are.
    EXPECT_NE(AsText(*window).find("StrokeThickness ="), std::string::npos);
    window->SetStrokeThickness(1);
    EXPECT_EQ(AsText(*window).find("StrokeThickness"), std::string::npos);
}
