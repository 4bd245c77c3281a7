// Popups on the headless window system: where the window opens (beside its target, at a
// rectangle, flipped at the screen's edge, at the scene's scale), how it closes (a press
// elsewhere, Esc, IsOpen, a second open, its own destruction), modal runs and their results,
// a popup freed while modal, and the message popup.

#include "ui2d/TwzPopup.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/FakeApplication.h"
#include "tests/ui2d/TwzSceneWindowTestSupport.h"
#include "tests/ui2d/Ui2dTestClasses.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

using platform::ui::FakeForm;
using platform::ui::FakeSceneHost;
using platform::ui::Point;
using namespace scenewindowtest;

namespace {

constexpr Point kFormAt { 300, 200 };

class Popups : public ::testing::Test {
public:
    void SetUp() override
    {
        ui2dtest::RegisterTestClasses();
        platform::ui::FormOptions options;
        options.clientWidth = 400;
        options.clientHeight = 300;
        options.position = kFormAt;
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 400, 300);
        root = new TBox(owner.get());
        root->SetName("Root");
        root->SetHitTest(false);
        scene->AddObject(root);
        scene->SetParentForm(form.get());
        form->Show();
        target = new TBox(owner.get());
        target->SetName("Target");
        root->AddObject(target);
        target->SetBounds(40, 30, 100, 20);
        popup = new TwzPopup(owner.get());
        popup->SetName("Popup");
        target->AddObject(popup);
        popup->SetBounds(0, 0, 120, 60);
        app.ProcessMessages();
        TakeEvents();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }

    FakeForm& PopupForm() const { return static_cast<FakeForm&>(popup->GetPopupForm()->GetForm()); }
    Point PopupAt() const { return PopupForm().GetPosition(); }
    FakeSceneHost& MainHost() const { return static_cast<FakeSceneHost&>(*scene->GetHost()); }
    FakeSceneHost& PopupHost() const
    {
        return static_cast<FakeSceneHost&>(*popup->GetPopupScene()->GetHost());
    }
    void PressEsc(FakeSceneHost& host)
    {
        platform::ui::RawKeyEvent key;
        key.press = true;
        key.keyval = 0xff1b; // Escape
        host.InjectKey(key);
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TBox* root = nullptr;
    TBox* target = nullptr;
    TwzPopup* popup = nullptr;
};

TEST_F(Popups, OpensBesideItsTargetInScreenCoordinatesAndGoesBackWhenClosed)
{
    struct Case {
        const char* name;
        TwzPlacement placement;
        TwzRect rect;
        float hx, vy;
        float width, height;
        Point expected; // relative to the target's top-left on the screen
    };
    const Case cases[] = {
        { "below with offsets (0, 2)", wzPlacementBottom, {}, 0, 2, 120, 60, { 0, 22 } },
        { "above", wzPlacementTop, {}, 5, 3, 120, 60, { 5, -63 } },
        { "right", wzPlacementRight, {}, 4, 1, 120, 60, { 104, 1 } },
        { "left", wzPlacementLeft, {}, 4, 1, 30, 60, { -34, 1 } },
        { "centred on the target", wzPlacementCenter, {}, 0, 0, 50, 10, { 25, 5 } },
        { "below a rectangle in the target's coordinates", wzPlacementBottom, { 10, 5, 30, 15 }, 1, 1, 120,
            60, { 11, 16 } },
    };
    const Point targetOnScreen { kFormAt.x + 40, kFormAt.y + 30 };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        popup->SetPlacement(c.placement);
        popup->GetPlacementRectangle()->SetRect(c.rect);
        popup->SetHorizontalOffset(c.hx);
        popup->SetVerticalOffset(c.vy);
        popup->SetBounds(7, 9, c.width, c.height);
        popup->SetIsOpen(true);
        ASSERT_NE(popup->GetPopupForm(), nullptr);
        EXPECT_TRUE(popup->GetIsOpen());
        EXPECT_TRUE(popup->GetVisible());
        EXPECT_EQ(PopupAt(), (Point { targetOnScreen.x + c.expected.x, targetOnScreen.y + c.expected.y }));
        EXPECT_EQ(PopupForm().ClientWidth(), static_cast<int32_t>(c.width));
        EXPECT_EQ(PopupForm().Options().kind, platform::ui::FormKind::Popup);
        EXPECT_FALSE(PopupForm().Options().decorated);
        EXPECT_TRUE(PopupForm().IsVisible());
        EXPECT_EQ(popup->GetParent(), nullptr);
        EXPECT_EQ(popup->GetScene(), static_cast<IwzScene*>(popup->GetPopupScene()));
        EXPECT_EQ(popup->GetPopupScene()->GetRoot(), popup);
        EXPECT_TRUE(PopupForm().HasPopupGrab());

        popup->SetIsOpen(false);
        EXPECT_EQ(popup->GetPopupForm(), nullptr);
        EXPECT_FALSE(popup->GetVisible());
        EXPECT_EQ(popup->GetParent(), target);
        EXPECT_EQ(popup->GetScene(), static_cast<IwzScene*>(scene));
        EXPECT_EQ(popup->GetParentedRect(), (TwzRect { 7, 9, 7 + c.width, 9 + c.height }));
        EXPECT_EQ(app.PopupGrab(), nullptr);
    }
}

TEST_F(Popups, AbsoluteIgnoresOffsetsAndAPopupWithoutTargetUsesScreenCoordinates)
{
    popup->SetPlacement(wzPlacementAbsolute);
    popup->GetPlacementRectangle()->SetRect({ 600, 500, 0, 0 });
    popup->SetHorizontalOffset(30);
    popup->SetVerticalOffset(40);
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { 600, 500 }));
    popup->SetIsOpen(false);

    // Taken out of the tree: no target, no scene; the rectangle is on the screen.
    target->RemoveObject(popup);
    popup->SetPlacement(wzPlacementRight);
    popup->GetPlacementRectangle()->SetRect({ 100, 100, 150, 120 });
    popup->SetHorizontalOffset(3);
    popup->SetVerticalOffset(4);
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { 153, 104 }));
    popup->SetIsOpen(false);
    EXPECT_EQ(popup->GetParent(), nullptr);

    app.SetCursorPos({ 321, 123 });
    popup->SetPlacement(wzPlacementMouse);
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { 321, 123 }));
}

TEST_F(Popups, APopupThatDoesNotFitFlipsToTheOtherSideOrMovesInside)
{
    // The work area ends 40 pixels below the target: a 60-high list goes above it.
    const int32_t targetTop = kFormAt.y + 30;
    app.SetWorkArea({ 0, 0, 1000, targetTop + 20 + 40 });
    popup->SetVerticalOffset(2);
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { kFormAt.x + 40, targetTop - 60 - 2 }));
    popup->SetIsOpen(false);

    // Past the right edge it moves left until it fits.
    app.SetWorkArea({ 0, 0, kFormAt.x + 100, 2000 });
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { kFormAt.x + 100 - 120, targetTop + 20 + 2 }));
    popup->SetIsOpen(false);

    // Right of the target without room: it goes to the left side.
    app.SetWorkArea({ 0, 0, kFormAt.x + 200, 2000 });
    popup->SetPlacement(wzPlacementRight);
    popup->SetVerticalOffset(0);
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { kFormAt.x + 40 - 120, targetTop }));
    popup->SetIsOpen(false);

    // Exact screen coordinates are kept, even past the edge.
    popup->SetPlacement(wzPlacementAbsolute);
    popup->GetPlacementRectangle()->SetRect({ kFormAt.x + 190, 1990, 0, 0 });
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { kFormAt.x + 190, 1990 }));
}

TEST_F(Popups, OpeningTwiceOpensOnceAndOpenPopupOnAnOpenPopupClosesIt)
{
    popup->SetIsOpen(true);
    TwzPopupForm* first = popup->GetPopupForm();
    popup->SetIsOpen(true);
    EXPECT_EQ(popup->GetPopupForm(), first);
    popup->OpenPopup();
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_FALSE(popup->GetIsOpen());
    popup->ClosePopup(); // closing a closed popup does nothing
    EXPECT_EQ(popup->GetParent(), target);
}

TEST_F(Popups, APressElsewhereClosesItUnlessItStaysOpenAndEscClosesIt)
{
    // A press on the main window closes the popup and goes no further.
    popup->SetIsOpen(true);
    platform::ui::RawButtonEvent press;
    press.x = 60;
    press.y = 40;
    MainHost().Inject(press);
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_TRUE(Only(TakeEvents(), { "down" }).empty());

    // A press on the desktop or another program.
    popup->SetIsOpen(true);
    app.InjectScreenClick({ 5, 5 });
    EXPECT_FALSE(popup->GetIsOpen());

    // A press inside the popup keeps it open.
    popup->SetIsOpen(true);
    app.InjectScreenClick({ PopupAt().x + 10, PopupAt().y + 10 });
    EXPECT_TRUE(popup->GetIsOpen());

    // Esc typed where the keyboard was (the main window) reaches the popup, which closes.
    PressEsc(MainHost());
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(form->GetModalResult(), platform::ui::kModalNone) << "the main form is not cancelled";

    // StaysOpen: no grab, and deactivation leaves it open.
    popup->SetStaysOpen(true);
    popup->SetIsOpen(true);
    EXPECT_FALSE(PopupForm().HasPopupGrab());
    PopupForm().SimulateActivation(false);
    EXPECT_TRUE(popup->GetIsOpen());
    popup->SetStaysOpen(false);
    PopupForm().SimulateActivation(false);
    EXPECT_FALSE(popup->GetIsOpen());
}

TEST_F(Popups, AModalRunReturnsTheFormsResult)
{
    struct Case {
        const char* name;
        std::function<void(Popups&)> during;
        int32_t expected;
    };
    const Case cases[] = {
        { "a button's result", [](Popups& t) { t.PopupForm().SetModalResult(platform::ui::kModalOk); },
            platform::ui::kModalOk },
        { "Esc in the popup", [](Popups& t) { t.PressEsc(t.PopupHost()); }, platform::ui::kModalCancel },
        { "Esc where the keyboard was", [](Popups& t) { t.PressEsc(t.MainHost()); },
            platform::ui::kModalCancel },
        { "a second RunPopupModal cancels", [](Popups& t) { t.popup->RunPopupModal(); },
            platform::ui::kModalCancel },
        { "a press elsewhere leaves it running; then 7",
            [](Popups& t) {
                t.app.InjectScreenClick({ 1, 1 });
                EXPECT_TRUE(t.popup->GetIsOpen());
                EXPECT_TRUE(t.PopupForm().HasPopupGrab()) << "a modal popup keeps the keyboard";
                t.PopupForm().SetModalResult(7);
            },
            7 },
        { "closing the popup ends the run without a result", [](Popups& t) { t.popup->SetIsOpen(false); },
            platform::ui::kModalNone },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        popup->SetStaysOpen(false);
        bool ran = false;
        app.Post([&] {
            ran = true;
            EXPECT_TRUE(popup->GetModal());
            EXPECT_TRUE(popup->GetIsOpen());
            c.during(*this);
        });
        EXPECT_EQ(popup->RunPopupModal(), c.expected);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(popup->GetModal());
        EXPECT_FALSE(popup->GetIsOpen());
        EXPECT_EQ(popup->GetPopupForm(), nullptr);
        EXPECT_EQ(popup->GetParent(), target);
        EXPECT_TRUE(popup->GetStaysOpen()) << "a modal run leaves StaysOpen set";
    }

    // The application ending ends the run with 2.
    app.Post([&] { app.Terminate(); });
    EXPECT_EQ(popup->RunPopupModal(), platform::ui::kModalCancel);
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
}

TEST_F(Popups, APopupFreedWhileModalEndsTheRunAndItsWindowGoes)
{
    rtl::Watch<TwzPopupForm> window;
    app.Post([&] {
        window = popup->GetPopupForm();
        popup->Free();
    });
    rtl::Watch<TwzPopup> alive(popup);
    EXPECT_EQ(popup->RunPopupModal(), platform::ui::kModalCancel);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(window);
    EXPECT_EQ(app.PopupGrab(), nullptr);
    EXPECT_EQ(target->GetChildCount(), 0);

    // Freed while open and not modal.
    auto* second = new TwzPopup(owner.get());
    target->AddObject(second);
    second->SetBounds(0, 0, 50, 50);
    second->SetIsOpen(true);
    window = second->GetPopupForm();
    second->Free();
    EXPECT_FALSE(window);
    EXPECT_EQ(target->GetChildCount(), 0);
}

TEST_F(Popups, AHostFreedWhileOpenIsForgottenAndTheTargetLinkClears)
{
    auto* other = new TBox(owner.get());
    root->AddObject(other);
    other->SetBounds(200, 100, 50, 50);
    popup->SetPlacementTarget(other);
    popup->SetIsOpen(true);
    EXPECT_EQ(PopupAt(), (Point { kFormAt.x + 200, kFormAt.y + 150 }));
    popup->SetIsOpen(false);
    other->Free();
    EXPECT_EQ(popup->GetPlacementTarget(), nullptr);

    // The parent and its scene go while the popup is open: it closes into nothing.
    popup->SetIsOpen(true);
    rtl::FreeAndNil(scene);
    popup->SetIsOpen(false);
    EXPECT_EQ(popup->GetParent(), nullptr);
    EXPECT_EQ(popup->GetScene(), nullptr);
}

TEST_F(Popups, InAScaledSceneTheWindowHasTheScaledSizeEveryTimeItOpens)
{
    root->GetScale()->SetPoint({ 2, 2 });
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        popup->SetIsOpen(true);
        EXPECT_EQ(PopupForm().ClientWidth(), 240);
        EXPECT_EQ(PopupForm().ClientHeight(), 120);
        EXPECT_EQ(popup->GetScale()->GetPoint(), (TwzPoint { 2, 2 }));
        EXPECT_EQ(PopupAt(), (Point { kFormAt.x + 80, kFormAt.y + 60 + 40 }));
        popup->SetIsOpen(false);
        EXPECT_EQ(popup->GetScale()->GetPoint(), (TwzPoint { 1, 1 }));
    }
}

TEST_F(Popups, DragWithParentFollowsTheTargetEveryTenMilliseconds)
{
    popup->SetStaysOpen(true);
    popup->SetDragWithParent(true);
    popup->SetIsOpen(true);
    const Point before = PopupAt();
    target->GetPosition()->SetPoint({ 60, 50 });
    app.AdvanceTime(10);
    EXPECT_EQ(PopupAt(), (Point { before.x + 20, before.y + 20 }));
    form->SetPosition({ kFormAt.x + 5, kFormAt.y });
    app.AdvanceTime(10);
    EXPECT_EQ(PopupAt(), (Point { before.x + 25, before.y + 20 }));
}

TEST_F(Popups, AMessagePopupIsCentredAtTheTopAndDisablesTheSceneWhileModal)
{
    auto* message = new TwzMessagePopup(owner.get());
    root->AddObject(message);
    message->SetBounds(0, 0, 200, 50);
    EXPECT_TRUE(message->GetStaysOpen());
    EXPECT_TRUE(message->GetDragWithParent());
    message->SetVerticalOffset(8);
    bool rootDisabled = false;
    Point at;
    app.Post([&] {
        rootDisabled = !root->GetEnabled();
        at = message->GetPopupForm()->GetForm().GetPosition();
        PressEsc(MainHost());
    });
    EXPECT_EQ(message->RunPopupModal(), platform::ui::kModalCancel);
    EXPECT_TRUE(rootDisabled);
    EXPECT_TRUE(root->GetEnabled()) << "enabled again afterwards";
    EXPECT_EQ(at, (Point { kFormAt.x + (400 - 200) / 2, kFormAt.y + 8 }));

    // A root that was disabled before stays disabled.
    root->SetEnabled(false);
    app.Post([&] { message->GetPopupForm()->GetForm().SetModalResult(platform::ui::kModalOk); });
    EXPECT_EQ(message->RunPopupModal(), platform::ui::kModalOk);
    EXPECT_FALSE(root->GetEnabled());
}

TEST_F(Popups, TheWindowSystemClosingTheWindowClosesThePopupAndTheWindowFreesItself)
{
    popup->SetIsOpen(true);
    rtl::Watch<TwzPopupForm> window(popup->GetPopupForm());
    PopupForm().SimulateCloseRequest();
    EXPECT_FALSE(popup->GetIsOpen());
    EXPECT_EQ(popup->GetPopupForm(), nullptr);
    EXPECT_EQ(popup->GetParent(), target);
    app.ProcessMessages();
    EXPECT_FALSE(window) << "freed on the next turn, after its own handler";
    popup->SetIsOpen(true); // opens again in a new window
    EXPECT_NE(popup->GetPopupForm(), nullptr);
}

TEST_F(Popups, OnAScreenThatBlendsThePopupShowsAsAPerPixelAlphaWindowWhereItWasPlaced)
{
    app.SetComposited(true);
    auto* content = new TBox(owner.get());
    popup->AddObject(content);
    content->SetBounds(0, 0, 60, 60); // the right half of the popup stays transparent
    content->color = 0xFFFF0000;
    popup->SetIsOpen(true);
    const Point placed = PopupAt();
    app.ProcessMessages();
    EXPECT_GT(PopupForm().LayeredUpdates(), 0);
    EXPECT_EQ(PopupForm().ShownPixel(30, 30), 0xFFFF0000u);
    EXPECT_EQ(PopupForm().ShownPixel(90, 30) >> 24, 0u);
    EXPECT_EQ(PopupAt(), placed);
}

TEST_F(Popups, TheOpenPopupTakesItsStyleFromItsOwnSheetOrElseFromTheSceneItCameFrom)
{
    const auto sheetWith = [&](const char* hint) {
        auto* sheet = new TwzResources(owner.get());
        sheet->GetResource()->SetTextStr(rtl::Utf8ToUtf16(std::string("object TwzVisualObject\n"
                                                                      "  object TwzVisualObject\n"
                                                                      "    ResourceName = 'popupstyle'\n"
                                                                      "    Hint = '")
            + hint + "'\n  end\nend\n"));
        return sheet;
    };
    TwzResources* sceneSheet = sheetWith("scene");
    TwzResources* ownSheet = sheetWith("own");
    scene->SetStyle(sceneSheet);
    popup->SetIsOpen(true);
    ASSERT_NE(popup->GetAppliedStyle(), nullptr);
    EXPECT_EQ(popup->GetAppliedStyle()->GetHint(), u"scene");
    EXPECT_EQ(popup->GetPopupScene()->GetStyle(), sceneSheet);
    popup->SetIsOpen(false);

    popup->SetStyle(ownSheet);
    popup->SetIsOpen(true);
    ASSERT_NE(popup->GetAppliedStyle(), nullptr);
    EXPECT_EQ(popup->GetAppliedStyle()->GetHint(), u"own");
    popup->SetIsOpen(false);
    ownSheet->Free();
    EXPECT_EQ(popup->GetStyle(), nullptr);
}

TEST_F(Popups, ThePlacementIsStoredAndIsOpenAlwaysWritten)
{
    popup->SetPlacement(wzPlacementRight);
    popup->GetPlacementRectangle()->SetRect({ 1, 2, 30, 40 });
    popup->SetHorizontalOffset(3.5f);
    popup->SetVerticalOffset(-2);
    popup->SetStaysOpen(true);
    rtl::TMemoryStream text;
    popup->SaveObjectAsText(text);
    const std::string written(text.Bytes().begin(), text.Bytes().end());
    for (const char* line : { "IsOpen = False", "Placement = wzPlacementRight",
             "HorizontalOffset = ", "VerticalOffset = ", "StaysOpen = True" })
        EXPECT_NE(written.find(line), std::string::npos) << line << " in\n" << written;
    EXPECT_EQ(written.find("Visible"), std::string::npos) << "invisible is the default:\n" << written;

    rtl::TMemoryStream binary;
    popup->SaveObjectToStream(binary);
    binary.SetPosition(0);
    auto* copy = new TwzPopup(owner.get());
    copy->LoadObjectFromStream(binary);
    EXPECT_EQ(copy->GetPlacement(), wzPlacementRight);
    EXPECT_EQ(copy->GetPlacementRectangle()->GetRect(), (TwzRect { 1, 2, 30, 40 }));
    EXPECT_EQ(copy->GetHorizontalOffset(), 3.5f);
    EXPECT_EQ(copy->GetVerticalOffset(), -2.0f);
    EXPECT_TRUE(copy->GetStaysOpen());
    EXPECT_FALSE(copy->GetIsOpen());
    EXPECT_FALSE(copy->GetVisible());

    auto* message = new TwzMessagePopup(owner.get());
    rtl::TMemoryStream plain;
    message->SaveObjectAsText(plain);
    const std::string messageText(plain.Bytes().begin(), plain.Bytes().end());
    EXPECT_EQ(messageText.find("StaysOpen"), std::string::npos) << messageText;
    EXPECT_EQ(messageText.find("DragWithParent"), std::string::npos) << messageText;
}

TEST_F(Popups, PopupsAreInThePopupCategoryAndInvisibleWhileClosed)
{
    int found = 0;
    for (const ui2d::CategoryEntry& entry : Object2DCategoryList()) {
        if (entry.category == "Popup"
            && (entry.classInfo == &TwzPopup::StaticClass()
                || entry.classInfo == &TwzMessagePopup::StaticClass()))
            ++found;
    }
    EXPECT_EQ(found, 2);
    EXPECT_FALSE(popup->GetVisible()) << "a closed popup is invisible";
}

} // namespace
