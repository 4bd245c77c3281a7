// Push buttons: press tracking, clicks, buttons that stay pressed, repeated clicks on the
// timer (virtual time), modal results, dialog and keyboard keys, path glyph layouts, stored
// form, and the pressed look through the built-in style.

#include "ControlsTest.h"

#include "controls/TwzButtons.h"
#include "controls/TwzImageList.h"
#include "controls/TwzPanels.h"
#include "graphics/ObjectText.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PopupMenuComponent.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAction.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzEffect.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzPathShape.h"
#include "ui2d/TwzShape.h"

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace controlstest;

namespace {

constexpr TShiftState kLeft { platform::ui::ShiftFlag::Left };

} // namespace

using Buttons = ControlsTest;

TEST_F(Buttons, APressTracksThePointerAndClicksOnlyWhenReleasedInside)
{
    auto* button = Add<TwzButton>("ok", { 10, 10, 80, 22 });
    button->OnClick = form->ClickHandler();

    scene->InjectMouseDown({ 20, 20 });
    EXPECT_TRUE(button->GetIsPressed());
    scene->InjectMouseMove({ 150, 20 }, kLeft);
    EXPECT_FALSE(button->GetIsPressed()) << "moving out releases the look";
    scene->InjectMouseMove({ 30, 20 }, kLeft);
    EXPECT_TRUE(button->GetIsPressed()) << "moving back presses it again";
    scene->InjectMouseUp({ 30, 20 });
    EXPECT_FALSE(button->GetIsPressed());
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:ok" }));

    form->log.clear();
    scene->InjectMouseDown({ 20, 20 });
    scene->InjectMouseMove({ 150, 20 }, kLeft);
    scene->InjectMouseUp({ 150, 20 });
    EXPECT_TRUE(form->log.empty()) << "a release outside does not click";
    EXPECT_FALSE(button->GetIsPressed());

    // A right press neither presses nor clicks.
    scene->InjectMouseDown({ 20, 20 }, TMouseButton::Right);
    EXPECT_FALSE(button->GetIsPressed());
    scene->InjectMouseUp({ 20, 20 }, TMouseButton::Right);
    EXPECT_TRUE(form->log.empty());
}

TEST_F(Buttons, AStaysPressedButtonTogglesAndOthersIgnoreIsPressedFromCode)
{
    auto* plain = Add<TwzButton>("plain", { 10, 10, 80, 22 });
    plain->SetIsPressed(true);
    EXPECT_FALSE(plain->GetIsPressed()) << "only a StaysPressed button takes it from code";

    auto* toggle = Add<TwzButton>("toggle", { 100, 10, 80, 22 });
    toggle->SetStaysPressed(true);
    toggle->SetRepeatClick(true);
    toggle->OnClick = form->ClickHandler();
    ClickAt({ 110, 20 });
    EXPECT_TRUE(toggle->GetIsPressed());
    EXPECT_EQ(toggle->RepeatTimer(), nullptr) << "a StaysPressed button never repeats";
    scene->InjectMouseDown({ 110, 20 });
    EXPECT_FALSE(toggle->GetIsPressed());
    scene->InjectMouseMove({ 190, 90 }, kLeft);
    EXPECT_FALSE(toggle->GetIsPressed()) << "moving out does not change its look";
    scene->InjectMouseUp({ 110, 20 });
    EXPECT_FALSE(toggle->GetIsPressed());
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:toggle", "click:toggle" }));

    toggle->SetIsPressed(true);
    EXPECT_TRUE(toggle->GetIsPressed());
}

TEST_F(Buttons, HoldingARepeatButtonClicksAfterHalfASecondThenEveryTenthOfASecond)
{
    auto* button = Add<TwzSpeedButton>("speed", { 10, 10, 23, 23 });
    button->OnClick = form->ClickHandler();
    auto clicks = [&] { return static_cast<int>(form->log.size()); };

    scene->InjectMouseDown({ 20, 20 });
    app->AdvanceTime(500);
    EXPECT_EQ(clicks(), 0) << "no click at 500 ms";
    app->AdvanceTime(100);
    EXPECT_EQ(clicks(), 1) << "the first at 600 ms";
    app->AdvanceTime(100);
    EXPECT_EQ(clicks(), 2);
    app->AdvanceTime(100);
    EXPECT_EQ(clicks(), 3);
    scene->InjectMouseUp({ 20, 20 });
    EXPECT_EQ(clicks(), 4) << "the release inside adds the ordinary click";
    app->AdvanceTime(1000);
    EXPECT_EQ(clicks(), 4) << "the timer stops with the release";

    // A second press waits the full half second again; a release outside adds nothing.
    scene->InjectMouseDown({ 20, 20 });
    app->AdvanceTime(550);
    EXPECT_EQ(clicks(), 4);
    app->AdvanceTime(50);
    EXPECT_EQ(clicks(), 5);
    scene->InjectMouseMove({ 150, 80 }, kLeft);
    scene->InjectMouseUp({ 150, 80 });
    EXPECT_EQ(clicks(), 5);
    EXPECT_FALSE(button->RepeatTimer()->GetEnabled());
}

TEST_F(Buttons, ARepeatButtonFreedByItsOwnClickStopsCleanly)
{
    auto* button = Add<TwzSpeedButton>("speed", { 10, 10, 23, 23 });
    struct TFreeOnClick : rtl::TObject {
        void Click(rtl::TObject* sender) { static_cast<rtl::TComponent*>(sender)->Free(); }
    } killer;
    button->OnClick.Bind<&TFreeOnClick::Click>(&killer);
    scene->InjectMouseDown({ 20, 20 });
    app->AdvanceTime(700);
    EXPECT_EQ(root->Children().size(), 0u);
    scene->InjectMouseUp({ 20, 20 });
}

// A handler that closes the panel a button sits in, from the button's press, double click or
// key, leaves the button's own code running to the end of the dispatch; the click that would
// follow reaches nobody, and the panel is gone once the dispatch returns.
TEST_F(Buttons, AButtonWhoseHandlerClosesItsPanelIsClickedNoMore)
{
    enum class Via : uint8_t { Press, DoubleClick, Enter };
    struct Case {
        const char* name;
        Via via;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        { "press", Via::Press, {} },
        { "double click", Via::DoubleClick, { "click:ok" } }, // the first click of the two
        { "enter", Via::Enter, {} },
    };
    struct TCloser : rtl::TObject {
        rtl::TComponent* panel = nullptr;
        void Close()
        {
            if (rtl::TComponent* p = std::exchange(panel, nullptr))
                p->Free();
        }
        void Pressed(rtl::TObject*, TMouseButton, TShiftState, float, float) { Close(); }
        void DoubleClicked(rtl::TObject*) { Close(); }
        void KeyPressed(uint16_t&, char16_t&, TShiftState) { Close(); }
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->log.clear();
        auto* panel = Add<TwzPanel>("panel", { 0, 0, 200, 100 });
        auto* button = Add<TwzButton>("ok", { 10, 10, 80, 22 }, panel);
        button->OnClick = form->ClickHandler();
        TCloser closer;
        closer.panel = panel;
        rtl::Watch<TwzButton> watch(button);
        switch (c.via) {
        case Via::Press:
            button->OnMouseDown.Bind<&TCloser::Pressed>(&closer);
            ClickAt({ 20, 20 });
            break;
        case Via::DoubleClick:
            button->OnDblClick.Bind<&TCloser::DoubleClicked>(&closer);
            scene->InjectDoubleClick({ 20, 20 });
            break;
        case Via::Enter:
            button->OnKeyDown.Bind<&TCloser::KeyPressed>(&closer);
            button->FocusObject();
            scene->InjectKey(13); // Enter
            break;
        }
        EXPECT_FALSE(closer.panel);
        EXPECT_FALSE(watch);
        EXPECT_TRUE(root->Children().empty());
        EXPECT_EQ(form->FindComponent("ok"), nullptr);
        EXPECT_EQ(form->log, c.log);
    }
}

TEST_F(Buttons, AModalResultReachesTheHostingFormBeforeOnClick)
{
    auto* button = Add<TwzButton>("cancel", { 10, 10, 80, 22 });
    button->SetModalResult(2);
    button->OnClick = form->ClickHandler();
    ClickAt({ 20, 20 });
    EXPECT_EQ(form->modalResult, 2);
    EXPECT_EQ(form->log, (std::vector<std::string> { "modal:2", "click:cancel" }));

    // Without a modal result the form hears nothing; without a host nothing breaks.
    form->log.clear();
    auto* plain = Add<TwzButton>("plain", { 100, 10, 80, 22 });
    plain->OnClick = form->ClickHandler();
    ClickAt({ 110, 20 });
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:plain" }));
    rtl::TOwned<TwzButton> loose(new TwzButton(nullptr));
    loose->SetModalResult(1);
    loose->Click();
}

TEST_F(Buttons, DialogAndKeyboardKeysClick)
{
    auto* ok = Add<TwzButton>("ok", { 10, 10, 80, 22 });
    auto* cancel = Add<TwzButton>("cancel", { 100, 10, 80, 22 });
    ok->SetDefault(true);
    cancel->SetCancel(true);
    ok->OnClick = form->ClickHandler();
    cancel->OnClick = form->ClickHandler();

    struct Case {
        TwzButton* button;
        uint16_t key;
        uint16_t left;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        { ok, 13, 0, { "click:ok" } },
        { ok, 27, 27, {} },
        { cancel, 27, 0, { "click:cancel" } },
        { cancel, 13, 13, {} },
        { ok, 65, 65, {} },
    };
    for (const Case& c : cases) {
        form->log.clear();
        uint16_t key = c.key;
        c.button->DialogKey(key, {});
        EXPECT_EQ(key, c.left) << c.button->GetName() << " " << c.key;
        EXPECT_EQ(form->log, c.log) << c.button->GetName() << " " << c.key;
    }

    // Enter and Space on a focused button click it and leave the key alone.
    cancel->FocusObject();
    form->log.clear();
    EXPECT_EQ(scene->InjectKey(13), 13);
    EXPECT_EQ(scene->InjectKey(32), 32);
    EXPECT_EQ(scene->InjectKey(65), 65);
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:cancel", "click:cancel" }));
}

TEST_F(Buttons, TheSecondPressOfADoubleClickClicksToo)
{
    auto* button = Add<TwzButton>("ok", { 10, 10, 80, 22 });
    button->OnClick = form->ClickHandler();
    scene->InjectDoubleClick({ 20, 20 });
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:ok", "click:ok" }));
}

TEST_F(Buttons, ABoundHandlerBecomesOnClickAndOtherValuesAreIgnored)
{
    auto* button = Add<TwzButton>("ok", { 10, 10, 80, 22 });
    button->SetData(rtl::TValue(std::string("anything")));
    EXPECT_FALSE(static_cast<bool>(button->OnClick));
    button->SetData(MethodToVariant(form->ClickHandler()));
    button->Click();
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:ok" }));
}

TEST_F(Buttons, ThePathGlyphIsLaidOutByItsLayout)
{
    auto* button = Add<TwzPathButton>("glyph", { 10, 10, 50, 60 });
    TwzVisualObject* owner = Part(*button, "pathowner")->AsVisual();
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->GetAlign(), vaNone) << "an empty path leaves its owner unaligned";

    button->SetPathSize(20);
    button->SetPathSpacing(4);
    button->SetPathPadding(1);
    TwzPathData path;
    path.SetData("M 0,0 L 10,0 L 10,10 Z");
    button->SetPath(&path);
    auto* part = dynamic_cast<TwzPath*>(Part(*button, "path"));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetPathData()->Count(), path.Count());

    struct Case {
        TwzButtonLayout layout;
        TwzAlign align;
        TwzRect padding; // left, top, right, bottom
    };
    const Case cases[] = {
        { wzGlyphLeft, vaLeft, { 1, 1, 4, 1 } },
        { wzGlyphRight, vaRight, { 4, 1, 1, 1 } },
        { wzGlyphTop, vaTop, { 1, 1, 1, 4 } },
        { wzGlyphBottom, vaBottom, { 1, 4, 1, 1 } },
        { wzGlyphCenter, vaCenter, { 4, 4, 4, 4 } },
    };
    for (const Case& c : cases) {
        button->SetPathLayout(c.layout);
        owner = Part(*button, "pathowner")->AsVisual();
        EXPECT_EQ(owner->GetAlign(), c.align) << c.layout;
        TwzBounds* p = owner->GetPadding();
        EXPECT_EQ((TwzRect { p->GetLeft(), p->GetTop(), p->GetRight(), p->GetBottom() }), c.padding)
            << c.layout;
        if (c.layout == wzGlyphLeft || c.layout == wzGlyphRight || c.layout == wzGlyphCenter) {
            EXPECT_FLOAT_EQ(owner->GetWidth(), 20) << c.layout;
        }
        if (c.layout == wzGlyphTop || c.layout == wzGlyphBottom || c.layout == wzGlyphCenter) {
            EXPECT_FLOAT_EQ(owner->GetHeight(), 20) << c.layout;
        }
    }
    TwzBounds* textPadding = Part(*button, "text")->AsVisual()->GetPadding();
    EXPECT_FLOAT_EQ(textPadding->GetLeft(), 1);

    // The brushes and pen reach the path part.
    TwzBrush red(wzBrushSolid, 0xFFFF0000);
    button->SetPathFill(&red);
    button->SetPathStrokeThickness(3);
    part = dynamic_cast<TwzPath*>(Part(*button, "path"));
    EXPECT_EQ(part->GetFill()->GetColor(), "#FFFF0000");
    EXPECT_FLOAT_EQ(part->GetStrokeThickness(), 3);
}

TEST_F(Buttons, DefaultsAndTheStoredForm)
{
    auto* tool = Add<TwzToolPathButton>("tool", { 0, 0, 50, 60 });
    EXPECT_FALSE(tool->GetCanFocused());
    EXPECT_EQ(tool->GetPathLayout(), wzGlyphTop);
    auto* speed = new TwzSpeedButton(form.get());
    EXPECT_FALSE(speed->GetCanFocused());
    EXPECT_TRUE(speed->GetRepeatClick());
    EXPECT_FLOAT_EQ(speed->GetWidth(), 23);
    auto* circle = new TwzCircleButton(form.get());
    EXPECT_FLOAT_EQ(circle->GetWidth(), 21);
    EXPECT_FLOAT_EQ(circle->GetHeight(), 21);
    auto* button = new TwzButton(form.get());
    EXPECT_FLOAT_EQ(button->GetWidth(), 80);
    EXPECT_FLOAT_EQ(button->GetHeight(), 22);
    EXPECT_TRUE(button->GetCanFocused());
    EXPECT_TRUE(button->GetAutoCapture());

    tool->SetText(u"Export");
    tool->SetModalResult(1);
    tool->SetPathStrokeThickness(2);
    tool->GetPath()->SetData("M 0,0 L 4,4 Z");
    rtl::TMemoryStream stream;
    tool->SaveObjectAsText(stream);
    const std::string text(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_EQ(text.find("CanFocused"), std::string::npos) << text;
    EXPECT_EQ(text.find("PathLayout"), std::string::npos) << text;
    stream.SetPosition(0);
    rtl::TOwned<TwzObject> copy(Create2DObjectFromTextStream(form.get(), stream));
    auto* read = dynamic_cast<TwzToolPathButton*>(copy.get());
    ASSERT_NE(read, nullptr) << text;
    EXPECT_EQ(read->GetText(), u"Export");
    EXPECT_EQ(read->GetModalResult(), 1);
    EXPECT_FLOAT_EQ(read->GetPathStrokeThickness(), 2);
    EXPECT_EQ(read->GetPath()->Count(), tool->GetPath()->Count());
    EXPECT_FALSE(read->GetCanFocused());
}

TEST_F(Buttons, NormalHoverAndPressedLooksThroughTheBuiltInStyle)
{
    auto* button = Add<TwzButton>("ok", { 10, 10, 80, 22 });
    auto* circle = Add<TwzCircleButton>("circle", { 120, 10, 21, 21 });
    auto* speed = Add<TwzSpeedButton>("speed", { 160, 10, 23, 23 });
    (void)button;
    (void)circle;
    (void)speed;
    struct Probe {
        const char* name;
        TwzPoint press;
        int x, y; // a pixel of the background, away from the caption
    };
    const Probe probes[] = {
        { "button", { 15, 15 }, 14, 13 },
        { "circle", { 130, 20 }, 130, 28 },
        { "speed", { 165, 15 }, 163, 30 },
    };
    for (const Probe& p : probes) {
        Settle(); // the state animations sent when the style was applied
        PaintAll();
        const uint32_t normal = Pixel(p.x, p.y);
        EXPECT_EQ(normal >> 24, 0xFFu) << p.name;
        scene->InjectMouseMove(p.press);
        Settle();
        PaintAll();
        const uint32_t hover = Pixel(p.x, p.y);
        EXPECT_NE(hover, normal) << p.name << " under the mouse";
        scene->InjectMouseDown(p.press);
        Settle();
        PaintAll();
        const uint32_t pressed = Pixel(p.x, p.y);
        EXPECT_NE(pressed, normal) << p.name;
        EXPECT_NE(pressed, hover) << p.name;
        EXPECT_EQ(pressed >> 24, 0xFFu) << p.name;
        scene->InjectMouseUp(p.press);
        Settle();
        PaintAll();
        EXPECT_EQ(Pixel(p.x, p.y), hover) << p.name << " released under the mouse";
        scene->InjectMouseMove({ 5, 95 });
        Settle();
        PaintAll();
        EXPECT_EQ(Pixel(p.x, p.y), normal) << p.name << " looks normal again once the mouse leaves";
    }
}

TEST_F(Buttons, TheButtonLookFollowsHoverPressAndFocus)
{
    auto* button = Add<TwzButton>("ok", { 10, 10, 80, 22 });
    Settle();
    TwzObject* background = Part(*button, "background");
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(Part(*button, "text")->ClassName(), "TwzText");
    std::vector<TwzAnimation*> animations;
    for (TwzObject* child : background->Children()) {
        if (auto* animation = dynamic_cast<TwzAnimation*>(child))
            animations.push_back(animation);
    }
    ASSERT_EQ(animations.size(), 4u);
    TwzGlowEffect* glow = nullptr;
    for (TwzObject* child : button->GetAppliedStyle()->Children()) {
        if (auto* effect = dynamic_cast<TwzGlowEffect*>(child))
            glow = effect;
    }
    ASSERT_NE(glow, nullptr);
    EXPECT_FALSE(glow->GetEnabled());

    auto running = [&] {
        std::string list;
        for (TwzAnimation* animation : animations) {
            if (animation->GetRunning())
                list += (list.empty() ? "" : " | ") + animation->GetTrigger();
        }
        return list;
    };
    struct Step {
        const char* name;
        std::function<void()> act;
        const char* expected;
    };
    const Step steps[] = {
        { "hover",
            [&] {
                scene->InjectMouseMove({ 20, 20 });
            },
            "IsMouseOver=true;IsPressed=false" },
        { "press",
            [&] {
                scene->InjectMouseDown({ 20, 20 });
            },
            "IsMouseOver=true;IsPressed=true" },
        // The button holds the mouse: it stays under it, but lets the pressed look go.
        { "drag out while pressed",
            [&] {
                scene->InjectMouseMove({ 150, 60 }, kLeft);
            },
            "IsMouseOver=true;IsPressed=false" },
        { "release outside and move on",
            [&] {
                scene->InjectMouseUp({ 150, 60 });
                Settle();
                scene->InjectMouseMove({ 150, 62 });
            },
            "IsMouseOver=false;IsPressed=false" },
        { "leave a button that stays pressed",
            [&] {
                button->SetStaysPressed(true);
                scene->InjectMouseMove({ 20, 20 });
                scene->InjectClick({ 20, 20 });
                ASSERT_TRUE(button->GetIsPressed());
                Settle();
                scene->InjectMouseMove({ 150, 60 });
            },
            "IsMouseOver=false;IsPressed=true" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(running(), step.expected);
        Settle();
    }

    // The glow waits for the focus and goes with it.
    EXPECT_EQ(glow->GetTrigger(), "IsFocused=true");
    EXPECT_EQ(glow->GetGlowColor(), "#FFF69E2D");
    scene->SetFocused(button);
    EXPECT_TRUE(glow->GetEnabled());
    scene->SetFocused(nullptr);
    EXPECT_FALSE(glow->GetEnabled());
}

namespace {

bool g_brushConfirm = false;
std::string g_brushSeen;

bool ScriptedBrushDialog(TwzBrush& brush)
{
    g_brushSeen = brush.GetColor();
    if (g_brushConfirm)
        brush.SetColor("#80102030");
    return g_brushConfirm;
}

} // namespace

TEST_F(Buttons, TheColorButtonEditsItsColourThroughTheStandardDialog)
{
    using platform::ui::FakeDialogs;
    FakeDialogs::Reset();
    auto* button = Add<TwzColorButton>("color", { 10, 10, 40, 22 });
    auto* fill = dynamic_cast<TwzShape*>(Part(*button, "fill"));
    ASSERT_NE(fill, nullptr);
    EXPECT_EQ(fill->GetFill()->GetColor(), "#FF000000");
    button->OnClick = form->ClickHandler();
    button->OnChange = form->ChangeHandler();
    button->SetColor("#80112233");
    EXPECT_EQ(fill->GetFill()->GetColor(), "#80112233");
    form->log.clear();

    // Cancelled: nothing changes and nothing is raised but the click.
    ClickAt({ 20, 20 });
    ASSERT_TRUE(FakeDialogs::LastColor().has_value());
    EXPECT_EQ(*FakeDialogs::LastColor(), 0x00332211u) << "red and blue exchanged, alpha dropped";
    EXPECT_EQ(button->GetColor(), "#80112233");
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:color" }));

    // Confirmed unchanged: the same colour comes back opaque, and OnChange fires.
    FakeDialogs::SetColorAnswer([](uint32_t c) { return std::optional<uint32_t>(c); });
    form->log.clear();
    ClickAt({ 20, 20 });
    EXPECT_EQ(button->GetColor(), "#FF112233");
    EXPECT_EQ(fill->GetFill()->GetColor(), "#FF112233");
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:color", "change:color" }));
    FakeDialogs::Reset();
}

TEST_F(Buttons, TheColorButtonKeepsAlphaThroughTheBrushDialog)
{
    auto* button = Add<TwzColorButton>("color", { 10, 10, 40, 22 });
    button->SetUseStandardDialog(false);
    button->SetColor("#40FFFFFF");
    button->OnChange = form->ChangeHandler();
    button->Click();
    EXPECT_EQ(button->GetColor(), "#40FFFFFF") << "without a brush dialog nothing is edited";

    SetBrushDialogRunner(&ScriptedBrushDialog);
    g_brushConfirm = false;
    button->Click();
    EXPECT_EQ(g_brushSeen, "#40FFFFFF");
    EXPECT_TRUE(form->log.empty()) << "a cancelled dialog raises no OnChange";
    g_brushConfirm = true;
    button->Click();
    EXPECT_EQ(button->GetColor(), "#80102030");
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:color" }));
    SetBrushDialogRunner(nullptr);
}

namespace {

class TRecordingMenu : public platform::ui::PopupMenuComponent {
    RTL_CLASS(TRecordingMenu, platform::ui::PopupMenuComponent)
public:
    using platform::ui::PopupMenuComponent::PopupMenuComponent;
    void Popup(int32_t x, int32_t y) override
    {
        points.push_back({ static_cast<float>(x), static_cast<float>(y) });
    }
    std::vector<TwzPoint> points;
};

} // namespace

RTL_IMPLEMENT_CLASS(TRecordingMenu)

TEST_F(Buttons, APopupButtonOpensItsMenuUnderItselfAfterTheClick)
{
    auto* button = Add<TwzPopupButton>("more", { 10.4f, 20.6f, 80, 22 });
    auto* menu = new TRecordingMenu(form.get());
    button->SetPopupMenu(menu);
    button->OnClick = form->ClickHandler();
    ClickAt({ 20, 30 });
    ASSERT_EQ(menu->points.size(), 1u);
    const TwzPoint expected = scene->LocalToScreen({ 10.4f, 42.6f });
    EXPECT_EQ(menu->points[0].X, std::round(expected.X));
    EXPECT_EQ(menu->points[0].Y, std::round(expected.Y));
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:more" }));

    menu->Free();
    EXPECT_EQ(button->GetPopupMenu(), nullptr) << "a freed menu is forgotten";
    ClickAt({ 20, 30 });
}

TEST_F(Buttons, ABitmapButtonLaysItsImageOutOnlyOnceItHasARealBitmap)
{
    auto* button = Add<TwzToolButton>("tool", { 10, 10, 50, 60 });
    auto* image = dynamic_cast<TwzImage*>(Part(*button, "image"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetAlign(), vaNone) << "the 1 x 1 default leaves the part unaligned";
    EXPECT_FALSE(button->GetCanFocused());

    TwzBitmap picture(24, 24);
    button->SetBitmapSize(24);
    button->SetBitmap(&picture);
    image = dynamic_cast<TwzImage*>(Part(*button, "image"));
    EXPECT_EQ(image->GetAlign(), vaTop) << "a tool button puts its bitmap on top";
    EXPECT_FLOAT_EQ(image->GetHeight(), 24);
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 24);
    button->SetBitmapLayout(wzGlyphRight);
    button->SetBitmapSpacing(3);
    image = dynamic_cast<TwzImage*>(Part(*button, "image"));
    EXPECT_EQ(image->GetAlign(), vaRight);
    EXPECT_FLOAT_EQ(image->GetPadding()->GetLeft(), 3);
    EXPECT_FLOAT_EQ(image->GetPadding()->GetRight(), 2);
}

TEST_F(Buttons, ABitmapButtonLinkedToAnActionShowsTheActionsPictureFromTheImageList)
{
    // Three 16 x 16 pictures of one colour each; the action shows the green one.
    auto* images = new TwzImageList(form.get());
    images->SetWidth(16);
    images->SetHeight(16);
    for (const uint32_t colour : { 0xFFFF0000u, 0xFF00C000u, 0xFF0000FFu }) {
        auto picture = std::make_unique<TwzBitmap>(16, 16);
        for (uint32_t& p : picture->Pixels())
            p = colour;
        images->AddBitmap(std::move(picture));
    }
    auto* actions = new TwzActionList(form.get());
    actions->SetImages(images);
    auto* save = new TwzAction(form.get());
    save->SetActionList(actions);
    save->SetImageIndex(1);
    save->SetCaption(u"Save");

    // The pixels of the button's box in each of the three colours.
    const auto colours = [&](TwzBitmapButton& button) {
        PaintAll();
        std::array<int, 3> counts {};
        const TwzRect r = button.GetAbsoluteRect();
        for (int y = static_cast<int>(r.Top); y < static_cast<int>(r.Bottom); ++y) {
            for (int x = static_cast<int>(r.Left); x < static_cast<int>(r.Right); ++x) {
                const uint32_t p = Pixel(x, y);
                counts[0] += p == 0xFFFF0000u;
                counts[1] += p == 0xFF00C000u;
                counts[2] += p == 0xFF0000FFu;
            }
        }
        return counts;
    };

    auto* linked = Add<TwzBitmapButton>("linked", { 10, 10, 60, 60 });
    linked->SetAction(save);
    EXPECT_EQ(linked->GetBitmapSize(), 16) << "the image list's width";
    EXPECT_EQ(linked->GetBitmap()->GetWidth(), 16);
    const std::array<int, 3> shown = colours(*linked);
    EXPECT_GE(shown[1], 100) << "the green picture shows";
    EXPECT_EQ(shown[0] + shown[2], 0);

    // A button with a picture of its own keeps it; an index off the list shows nothing.
    auto* own = Add<TwzBitmapButton>("own", { 80, 10, 60, 60 });
    TwzBitmap blue(8, 8);
    for (uint32_t& p : blue.Pixels())
        p = 0xFF0000FFu;
    own->SetBitmap(&blue);
    own->SetAction(save);
    EXPECT_EQ(own->GetBitmap()->GetWidth(), 8);
    EXPECT_EQ(own->GetBitmapSize(), 32);
    save->SetImageIndex(3);
    auto* beyond = Add<TwzBitmapButton>("beyond", { 150, 10, 40, 60 });
    beyond->SetAction(save);
    EXPECT_EQ(beyond->GetBitmap()->GetWidth(), 1);
    EXPECT_EQ(colours(*beyond), (std::array<int, 3> {}));
}

TEST_F(Buttons, TheActionsPictureArrivesWhicheverOfTheLinkAndTheImageListComesFirst)
{
    // A form read from a stream links its button to the action and its action list to the
    // image list in the order it stores them: either way the button ends with the picture.
    for (const bool listFirst : { true, false }) {
        SCOPED_TRACE(listFirst ? "list first" : "list last");
        rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
        auto* images = new TwzImageList(owner.get());
        images->SetWidth(8);
        images->AddBitmap(std::make_unique<TwzBitmap>(8, 8));
        auto* actions = new TwzActionList(owner.get());
        auto* action = new TwzAction(owner.get());
        action->SetActionList(actions);
        action->SetImageIndex(0);
        auto* button = new TwzBitmapButton(owner.get());
        if (listFirst)
            actions->SetImages(images);
        button->SetAction(action);
        if (!listFirst)
            actions->SetImages(images);
        EXPECT_EQ(button->GetBitmap()->GetWidth(), 8);
        EXPECT_EQ(button->GetBitmapSize(), 8);
    }
}

TEST_F(Buttons, AnActionListKeepsItsActionsAndItsPicturesThroughItsStoredForm)
{
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* images = new TwzImageList(owner.get());
    images->SetName("Pictures");
    images->SetWidth(8);
    images->AddBitmap(std::make_unique<TwzBitmap>(8, 8));
    auto* actions = new TwzActionList(owner.get());
    actions->SetName("Actions");
    actions->SetImages(images);
    for (const char* name : { "Open", "Save" }) {
        auto* action = new TwzAction(owner.get());
        action->SetName(name);
        action->SetActionList(actions);
    }
    actions->GetAction(1)->SetImageIndex(0);

    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *owner);
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    const std::string written(text.Bytes().begin(), text.Bytes().end());
    EXPECT_NE(written.find("Images = Pictures"), std::string::npos) << written;
    EXPECT_LT(written.find("object Save: TwzAction"), written.find("ImageIndex = 0")) << written;
    EXPECT_LT(written.find("object Actions: TwzActionList"), written.find("object Open: TwzAction"))
        << "the actions are stored inside their list\n"
        << written;

    binary.SetPosition(0);
    rtl::TOwned<rtl::TComponent> read(new rtl::TComponent(nullptr));
    rtl::ReadComponentFromStream(binary, read.get());
    auto* readActions = dynamic_cast<TwzActionList*>(read->FindComponent("Actions"));
    ASSERT_NE(readActions, nullptr);
    ASSERT_EQ(readActions->GetActionCount(), 2);
    EXPECT_EQ(readActions->GetImages(), read->FindComponent("Pictures"));
    TwzAction* save = readActions->GetAction(1);
    EXPECT_EQ(save->GetName(), "Save");
    EXPECT_EQ(save->GetImageIndex(), 0);
    EXPECT_EQ(readActions->GetAction(0)->GetImageIndex(), -1);
    auto* button = Add<TwzBitmapButton>("save", { 10, 10, 60, 60 });
    button->SetAction(save);
    EXPECT_EQ(button->GetBitmap()->GetWidth(), 8);

    // The list goes with its actions; the button forgets its action.
    readActions->Free();
    EXPECT_EQ(read->FindComponent("Save"), nullptr);
    EXPECT_EQ(button->GetAction(), nullptr);
}

TEST_F(Buttons, ACornerButtonShapesItsBackground)
{
    auto* button = Add<TwzCornerButton>("corner", { 10, 10, 73, 26 });
    auto* background = dynamic_cast<TwzRectangle*>(Part(*button, "background"));
    ASSERT_NE(background, nullptr);
    EXPECT_FLOAT_EQ(background->GetXRadius(), 3);
    button->SetXRadius(8);
    button->SetCorners(TwzCorners { wzCornerTopLeft });
    button->SetCornerType(wzCornerBevel);
    background = dynamic_cast<TwzRectangle*>(Part(*button, "background"));
    EXPECT_FLOAT_EQ(background->GetXRadius(), 8);
    EXPECT_FLOAT_EQ(background->GetYRadius(), 3);
    EXPECT_EQ(background->GetCorners(), TwzCorners { wzCornerTopLeft });
    EXPECT_EQ(background->GetCornerType(), wzCornerBevel);
    rtl::TMemoryStream stream;
    button->SaveObjectAsText(stream);
    const std::string text(stream.Bytes().begin(), stream.Bytes().end());
    EXPECT_NE(text.find("Corners = [wzCornerTopLeft]"), std::string::npos) << text;
    EXPECT_NE(text.find("xRadius = "), std::string::npos) << text;
    EXPECT_EQ(text.find("yRadius"), std::string::npos) << "3 is the default";
}

TEST_F(Buttons, ABitmapStateButtonPaintsTheBitmapOfItsState)
{
    auto* button = Add<TwzBitmapStateButton>("state", { 10, 10, 40, 40 });
    auto fill = [](TwzBitmap& b, int size, uint32_t color) {
        b.SetSize(size, size);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x)
                b.GetScanline(y)[x] = color;
        }
    };
    fill(*button->GetBitmap(), 10, 0xFFFF0000);
    fill(*button->GetBitmapHot(), 10, 0xFF00FF00);
    fill(*button->GetBitmapDown(), 80, 0xFF0000FF);
    PaintAll();
    EXPECT_EQ(Pixel(30, 30), 0xFFFF0000u) << "normal, centred at its own size";
    EXPECT_EQ(Pixel(12, 12), 0u);
    scene->InjectMouseMove({ 30, 30 });
    PaintAll();
    EXPECT_EQ(Pixel(30, 30), 0xFF00FF00u) << "under the mouse";
    scene->InjectMouseDown({ 30, 30 });
    PaintAll();
    EXPECT_EQ(Pixel(12, 12), 0xFF0000FFu) << "pressed, a larger bitmap fitted into the button";
    scene->InjectMouseUp({ 30, 30 });
}
