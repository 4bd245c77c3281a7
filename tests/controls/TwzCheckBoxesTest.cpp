// Check boxes, radio buttons and the small frame controls: the order of OnClick and the
// toggle, press tracking, keys, radio group exclusivity and OnChange order, bound values,
// the close button, and the checked look through the built-in style.

#include "ControlsTest.h"

#include "controls/TwzCheckBoxes.h"
#include "controls/TwzPanels.h"
#include "graphics/TwzPathData.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzPathShape.h"

using namespace controlstest;

namespace {

constexpr TShiftState kLeft { platform::ui::ShiftFlag::Left };

// Records the check state its OnClick handler sees.
class TStateProbe : public rtl::TObject {
public:
    void Click(rtl::TObject* sender) { seen.push_back(static_cast<TwzCheckBox*>(sender)->GetIsChecked()); }
    std::vector<bool> seen;
};

} // namespace

using Boxes = ControlsTest;

TEST_F(Boxes, OnClickRunsBeforeTheCheckBoxToggles)
{
    auto* box = Add<TwzCheckBox>("box", { 10, 10, 120, 19 });
    box->OnClick = form->ClickHandler();
    box->OnChange = form->ChangeHandler();
    ClickAt({ 20, 20 });
    EXPECT_TRUE(box->GetIsChecked());
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:box", "change:box" }));

    TStateProbe probe;
    box->OnClick.Bind<&TStateProbe::Click>(&probe);
    ClickAt({ 20, 20 });
    EXPECT_FALSE(box->GetIsChecked());
    EXPECT_EQ(probe.seen, (std::vector<bool> { true })) << "the handler sees the state before the toggle";
}

TEST_F(Boxes, ADragOutAndAReleaseOutsideLeaveTheBoxAsItWas)
{
    auto* box = Add<TwzCheckBox>("box", { 10, 10, 120, 19 });
    box->OnChange = form->ChangeHandler();
    scene->InjectMouseDown({ 20, 20 });
    EXPECT_TRUE(box->GetIsPressed());
    scene->InjectMouseMove({ 20, 80 }, kLeft);
    EXPECT_FALSE(box->GetIsPressed());
    scene->InjectMouseMove({ 25, 20 }, kLeft);
    EXPECT_TRUE(box->GetIsPressed());
    scene->InjectMouseMove({ 20, 80 }, kLeft);
    scene->InjectMouseUp({ 20, 80 });
    EXPECT_FALSE(box->GetIsChecked());
    EXPECT_FALSE(box->GetIsPressed());
    EXPECT_TRUE(form->log.empty());
}

TEST_F(Boxes, EnterAndSpaceToggleACheckBoxButNotARadioButton)
{
    auto* box = Add<TwzCheckBox>("box", { 10, 10, 120, 19 });
    auto* radio = Add<TwzRadioButton>("radio", { 10, 40, 120, 19 });
    box->FocusObject();
    EXPECT_EQ(scene->InjectKey(13), 13) << "the key is left unchanged";
    EXPECT_TRUE(box->GetIsChecked());
    scene->InjectKey(32);
    EXPECT_FALSE(box->GetIsChecked());
    scene->InjectKey(65);
    EXPECT_FALSE(box->GetIsChecked());

    radio->FocusObject();
    scene->InjectKey(13);
    scene->InjectKey(32);
    EXPECT_FALSE(radio->GetIsChecked());
}

TEST_F(Boxes, RadioButtonsAreExclusiveWithinTheirGroupAndParent)
{
    auto* a1 = Add<TwzRadioButton>("a1", { 0, 0, 60, 19 });
    auto* a2 = Add<TwzRadioButton>("a2", { 0, 20, 60, 19 });
    auto* a3 = Add<TwzRadioButton>("a3", { 0, 40, 60, 19 });
    auto* b = Add<TwzRadioButton>("b", { 0, 60, 60, 19 });
    auto* upper = Add<TwzRadioButton>("upper", { 0, 80, 60, 19 });
    auto* panel = Add<TwzPanel>("panel", { 100, 0, 100, 100 });
    auto* elsewhere = Add<TwzRadioButton>("elsewhere", { 0, 0, 60, 19 }, panel);
    for (TwzRadioButton* r : { a1, a2, a3, elsewhere })
        r->SetGroupName("a");
    b->SetGroupName("b");
    upper->SetGroupName("A");
    for (TwzRadioButton* r : { a1, a2, a3, b, upper, elsewhere })
        r->SetIsChecked(true);
    for (TwzRadioButton* r : { a1, a2, a3, b, upper, elsewhere })
        r->OnChange = form->ChangeHandler();
    // Each checked itself alone at first except where a later member of its group took over.
    EXPECT_FALSE(a1->GetIsChecked());
    EXPECT_FALSE(a2->GetIsChecked());
    EXPECT_TRUE(a3->GetIsChecked());

    a1->SetIsChecked(true);
    EXPECT_TRUE(a1->GetIsChecked());
    EXPECT_FALSE(a3->GetIsChecked());
    EXPECT_TRUE(b->GetIsChecked()) << "another group";
    EXPECT_TRUE(upper->GetIsChecked()) << "group names compare with case";
    EXPECT_TRUE(elsewhere->GetIsChecked()) << "another parent";
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:a3", "change:a1" }))
        << "the unchecked sibling hears first";

    form->log.clear();
    a1->SetIsChecked(false);
    EXPECT_TRUE(a1->GetIsChecked()) << "the only checked member stays checked";
    a2->SetIsChecked(false);
    EXPECT_FALSE(a2->GetIsChecked());
    ClickAt({ 10, 10 });
    EXPECT_TRUE(a1->GetIsChecked()) << "clicking a checked radio button leaves it checked";
    EXPECT_TRUE(form->log.empty()) << "and raises nothing";

    ClickAt({ 10, 30 });
    EXPECT_TRUE(a2->GetIsChecked());
    EXPECT_FALSE(a1->GetIsChecked());

    // Without a parent a radio button can be checked but never unchecked.
    rtl::TOwned<TwzRadioButton> loose(new TwzRadioButton(nullptr));
    loose->SetIsChecked(true);
    loose->SetIsChecked(false);
    EXPECT_TRUE(loose->GetIsChecked());
}

TEST_F(Boxes, BoundValuesSetTheStateOrTheChangeHandler)
{
    auto* box = Add<TwzCheckBox>("box", { 10, 10, 120, 19 });
    box->SetData(MethodToVariant(form->ChangeHandler()));
    box->SetData(rtl::TValue(true));
    EXPECT_TRUE(box->GetIsChecked());
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:box" }));
    EXPECT_EQ(std::get<bool>(box->GetData()), true);
    box->SetData(rtl::TValue(std::string("False")));
    EXPECT_FALSE(box->GetIsChecked());
}

TEST_F(Boxes, ThePathCheckBoxPushesItsMarkIntoTheStyle)
{
    auto* box = Add<TwzPathCheckBox>("box", { 10, 10, 120, 19 });
    EXPECT_EQ(box->GetPath()->Count(), 7) << "the default check mark";
    auto* mark = dynamic_cast<TwzPath*>(Part(*box, "checkmark"));
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->GetPathData()->Count(), 7);
    TwzPathData triangle;
    triangle.SetData("M 0,0 L 1,0 L 1,1 Z");
    box->SetPath(&triangle);
    mark = dynamic_cast<TwzPath*>(Part(*box, "checkmark"));
    EXPECT_EQ(mark->GetPathData()->Count(), triangle.Count());
}

TEST_F(Boxes, ThePathCheckBoxShowsItsGlyphInBothStates)
{
    // A glyph toggle (the render dialog's proportions chain) must show its glyph unchecked
    // too, dimmed, and light it up when checked.
    auto* box = Add<TwzPathCheckBox>("box", { 10, 10, 120, 19 });
    const auto glyphPixels = [&](auto isGlyph) {
        int count = 0;
        // Inside the box's frame, where only the glyph draws.
        for (int y = 15; y < 25; ++y)
            for (int x = 15; x < 25; ++x)
                count += isGlyph(Pixel(x, y)) ? 1 : 0;
        return count;
    };
    const auto grey
        = [](uint32_t p) { return ((p >> 16) & 0xFF) > 0x60 && ((p >> 16) & 0xFF) == (p & 0xFF); };
    const auto orange = [](uint32_t p) { return ((p >> 16) & 0xFF) > 0xC0 && (p & 0xFF) < 0x80; };
    Settle();
    PaintAll();
    EXPECT_GT(glyphPixels(grey), 5) << "unchecked";
    EXPECT_EQ(glyphPixels(orange), 0);
    box->SetIsChecked(true);
    Settle();
    PaintAll();
    EXPECT_GT(glyphPixels(orange), 5) << "checked";
}

TEST_F(Boxes, TheCloseButtonClosesTheFormThenClicks)
{
    auto* close = Add<TwzCloseButton>("close", { 170, 0, 20, 20 });
    close->OnClick = form->ClickHandler();
    EXPECT_FALSE(close->GetCanFocused());
    ClickAt({ 180, 10 });
    EXPECT_EQ(form->log, (std::vector<std::string> { "close", "click:close" }));

    form->log.clear();
    close->SetCloseForm(false);
    ClickAt({ 180, 10 });
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:close" }));

    // A release without a press on the button does nothing.
    form->log.clear();
    scene->InjectMouseUp({ 180, 10 });
    EXPECT_TRUE(form->log.empty());
}

TEST_F(Boxes, TheSizeGripIsMarkedForTheScene)
{
    auto* grip = Add<TwzSizeGrip>("grip", { 180, 80, 16, 16 });
    EXPECT_NE(dynamic_cast<IwzSizeGrip*>(static_cast<TwzObject*>(grip)), nullptr);
    auto* group = new TwzGroupBox(form.get());
    EXPECT_FALSE(group->GetCanFocused());
    EXPECT_FLOAT_EQ(group->GetWidth(), 120);
    EXPECT_FLOAT_EQ(group->GetHeight(), 100);
    auto* box = new TwzCheckBox(form.get());
    EXPECT_EQ(box->GetTextAlign(), wzTextAlignNear);
    EXPECT_FLOAT_EQ(box->GetHeight(), 19);
    EXPECT_TRUE(box->GetAutoCapture());
    EXPECT_TRUE(box->GetCanFocused());
    // The radio button and check box are text controls side by side in the class registry.
    EXPECT_FALSE(TwzRadioButton::StaticClass().InheritsFrom(TwzCheckBox::StaticClass()));
}

TEST_F(Boxes, CheckedAndUncheckedLooksThroughTheBuiltInStyle)
{
    auto* box = Add<TwzCheckBox>("box", { 10, 10, 120, 19 });
    auto* radio = Add<TwzRadioButton>("radio", { 10, 40, 120, 19 });
    struct Probe {
        TwzToggleControl* control;
        int x, y; // the middle of the box
    };
    for (const Probe& p : { Probe { box, 19, 19 }, Probe { radio, 19, 49 } }) {
        Settle();
        PaintAll();
        const uint32_t unchecked = Pixel(p.x, p.y);
        EXPECT_EQ(unchecked >> 24, 0xFFu) << p.control->GetName();
        ClickAt({ static_cast<float>(p.x), static_cast<float>(p.y) });
        ASSERT_TRUE(p.control->GetIsChecked());
        Settle();
        PaintAll();
        const uint32_t checked = Pixel(p.x, p.y);
        EXPECT_GT((checked >> 16) & 0xFF, (unchecked >> 16) & 0xFF)
            << p.control->GetName() << " shows its mark";
        ClickAt({ static_cast<float>(p.x), static_cast<float>(p.y) });
        if (p.control == box) {
            Settle();
            PaintAll();
            EXPECT_EQ(Pixel(p.x, p.y), unchecked) << "unchecked again";
        }
    }
}
