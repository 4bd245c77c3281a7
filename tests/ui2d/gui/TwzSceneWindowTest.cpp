// The 2D scene control in a real window under X: only dirty rectangles are painted and
// presented, a burst of changes gives one paint, a transparent scene on a screen without a
// compositor still paints, synthesised input reaches the objects with hover, capture, focus,
// Tab, wheel bubbling, Esc and window dragging, files and text dropped from another window
// arrive, and an object dragged from a 2D scene drops into a 3D scene of the same program.

#include "app/Modules.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/DragSession.h"
#include "platform/ui/PopupMenuComponent.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "scene3d/ThvPosition.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/scene3d/ThvSceneTestSupport.h"
#include "tests/ui2d/TwzSceneWindowTestSupport.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzVisualObject.h"

#include "tests/support/ClickLog.h"
#include "tests/support/ModulesEnvironment.h"
#include "tests/support/Pixels.h"
#include "tests/support/SceneWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::ui::Point;
using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
using platform::ui::Rect;
namespace test = platform::ui::test;
using namespace scenewindowtest;

namespace {

// Every module of the program, the GPU layer on its software renderer.
bool Near(uint32_t actual, uint32_t expected)
{
    return testsupport::ChannelsNear(actual, expected, 2, false);
}

constexpr uint32_t kRootColor = 0xFF204060;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

class SceneWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void SetUpWindow() override { TakeEvents(); }
    void TearDown() override
    {
        SceneWindowTest::TearDown();
        TakeEvents();
    }

    /// A shown form of that client size filled by a scene whose root ("Root", not hit-testable)
    /// paints kRootColor unless the scene is transparent; returns once the scene painted.
    void Open(int32_t width, int32_t height, bool transparent = false)
    {
        CreateWindow(width, height, transparent);
        root = new TBox(owner.get());
        root->SetName("Root");
        root->color = transparent ? 0 : kRootColor;
        root->SetHitTest(false);
        scene->AddObject(root);
        ShowWindow([&] { return root->paints > 0; });
    }
    TBox* Box(
        const std::string& name, float x, float y, float w, float h, uint32_t color, TBox* parent = nullptr)
    {
        auto* box = new TBox(owner.get());
        box->SetName(name);
        box->color = color;
        (parent ? parent : root)->AddObject(box);
        box->SetBounds(x, y, w, h);
        return box;
    }
    void Click(double x, double y, const RawModifiers& modifiers = {})
    {
        test::SendMotion(Host(), x, y, modifiers);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 1, x, y, modifiers);
        test::SendButton(Host(), RawButtonEvent::Type::Release, 1, x, y, modifiers);
        Settle();
    }

    TBox* root = nullptr;
};

} // namespace

// ---- painting -----------------------------------------------------------------------------

TEST_F(SceneWindow, AChangeRepaintsAndPresentsOnlyItsDirtyRectangle)
{
    Open(300, 200);
    TBox* a = Box("A", 20, 20, 40, 30, kRed);
    TBox* b = Box("B", 200, 120, 60, 50, kGreen);
    ASSERT_TRUE(uitest::RunUntil([&] { return a->paints > 0 && b->paints > 0; }));
    Settle();
    EXPECT_TRUE(Near(PixelAt(40, 35), kRed)) << std::hex << PixelAt(40, 35);
    EXPECT_TRUE(Near(PixelAt(5, 5), kRootColor)) << std::hex << PixelAt(5, 5);

    const int paints = test::PaintCount(Host());
    a->paints = b->paints = root->paints = 0;
    a->color = kBlue;
    a->InvalidateObject();
    ASSERT_TRUE(uitest::RunUntil([&] { return test::PaintCount(Host()) > paints; }));
    Settle();

    EXPECT_EQ(a->paints, 1);
    EXPECT_EQ(b->paints, 0); // B lies outside the dirty rectangle
    EXPECT_EQ(root->paints, 1);
    // The box (20, 20, 60, 50) grows to whole pixels plus the edge pixel: 41 x 31.
    const int64_t presented = test::PresentedArea(Host());
    EXPECT_GE(presented, 40 * 30);
    EXPECT_LE(presented, 41 * 31);
    EXPECT_LT(presented, 300 * 200 / 10);
    EXPECT_TRUE(Near(PixelAt(40, 35), kBlue)) << std::hex << PixelAt(40, 35);
    EXPECT_TRUE(Near(PixelAt(230, 145), kGreen)) << std::hex << PixelAt(230, 145);
    EXPECT_TRUE(Near(PixelAt(70, 35), kRootColor)) << std::hex << PixelAt(70, 35);
}

TEST_F(SceneWindow, ABurstOfInvalidationsGivesOnePaint)
{
    Open(200, 120);
    TBox* a = Box("A", 10, 10, 30, 30, kRed);
    TBox* b = Box("B", 120, 60, 30, 30, kGreen);
    ASSERT_TRUE(uitest::RunUntil([&] { return a->paints > 0 && b->paints > 0; }));
    Linger(50);
    const int paints = test::PaintCount(Host());
    a->paints = b->paints = 0;
    for (int i = 0; i < 50; ++i) {
        a->InvalidateObject();
        b->InvalidateObject();
        scene->AddUpdateRect({ static_cast<float>(i), 100, static_cast<float>(i) + 2, 102 });
    }
    ASSERT_TRUE(uitest::RunUntil([&] { return test::PaintCount(Host()) > paints; }));
    Linger(100);
    EXPECT_EQ(test::PaintCount(Host()), paints + 1);
    EXPECT_EQ(a->paints, 1);
    EXPECT_EQ(b->paints, 1);
}

TEST_F(SceneWindow, ATransparentSceneWithoutACompositorPaintsThroughItsWindow)
{
    if (uitest::Gui()->CanLayerWindows())
        GTEST_SKIP() << "a compositor runs: the scene presents through the layered form";
    Open(120, 80, true);
    TBox* a = Box("A", 20, 20, 40, 30, kRed);
    ASSERT_TRUE(uitest::RunUntil([&] { return a->paints > 0; }));
    Settle();
    EXPECT_FALSE(scene->PresentsLayered());
    EXPECT_TRUE(test::LayeredShape(*form).empty()); // no per-pixel-alpha picture was made
    EXPECT_GT(test::PresentedArea(Host()), 0);
    EXPECT_TRUE(Near(PixelAt(40, 35), kRed)) << std::hex << PixelAt(40, 35);
    // The transparent background shows the form's fill, the scene's colour: black.
    EXPECT_TRUE(Near(PixelAt(100, 70), 0xFF000000)) << std::hex << PixelAt(100, 70);
}

// ---- input --------------------------------------------------------------------------------

TEST_F(SceneWindow, MouseInputFollowsHoverCaptureAndTheLastPointAndTheWheelBubbles)
{
    Open(200, 120);
    TBox* a = Box("A", 10, 10, 60, 40, kRed);
    TBox* b = Box("B", 100, 10, 80, 80, kGreen);
    TBox* c = Box("C", 10, 10, 30, 30, kBlue, b);
    a->SetAutoCapture(true);
    b->handlesWheel = true;
    Settle();
    TakeEvents();

    test::SendMotion(Host(), 30, 30);
    test::SendMotion(Host(), 120, 30); // over C inside B
    test::SendScroll(Host(), platform::ui::RawScrollEvent::Direction::Up, 0, 120, 30);
    test::SendMotion(Host(), 150, 80); // B alone
    test::SendMotion(Host(), 30, 30);
    // A captures on the press: moves and the release go to it wherever the pointer is.
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 30, 30);
    test::SendMotion(Host(), 150, 80, RawModifiers { .button1 = true });
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 150, 80, RawModifiers { .button1 = true });
    Settle();
    (void)c;
    EXPECT_EQ(Only(TakeEvents(), { "enter", "leave", "move", "down", "up", "wheel" }),
        (Lines { "enter @A", "move 20 20 @A", "leave @A", "enter @C", "move 10 10 @C", "wheel 120 @C",
            "wheel 120 @B", "leave @C", "enter @B", "move 50 70 @B", "leave @B", "enter @A", "move 20 20 @A",
            "down left 20 20 @A", "move 140 70 @A", "up 140 70 @A" }));
}

TEST_F(SceneWindow, ARightClickOpensTheObjectsMenuAndTheChosenItemClicks)
{
    Open(200, 120);
    TBox* a = Box("A", 10, 10, 80, 60, kRed);
    auto* menu = new platform::ui::PopupMenuComponent(owner.get());
    testsupport::TClickLog clicks;
    const auto item = [&](platform::ui::MenuItemComponent& parent, const char* name) {
        auto* made = new platform::ui::MenuItemComponent(owner.get());
        made->SetName(name);
        made->SetCaption(name);
        made->OnClick.Bind<&testsupport::TClickLog::Clicked>(&clicks);
        parent.Add(made);
        return made;
    };
    item(menu->Items(), "Open")->SetShortCut("Ctrl+O");
    item(*item(menu->Items(), "More"), "Inner");
    a->SetPopupMenu(menu);
    Settle();

    // Into the submenu and its one item, by the keys a user would press.
    uitest::KeysForMenu keys({ "Down", "Down", "", "Right", "Return" });
    ASSERT_TRUE(uitest::PopupUntilShown(keys, [&] {
        test::SendMotion(Host(), 40, 30);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 3, 40, 30);
        test::SendButton(Host(), RawButtonEvent::Type::Release, 3, 40, 30, RawModifiers { .button3 = true });
    }));
    EXPECT_EQ(menu->GetPopupComponent(), a);
    EXPECT_TRUE(uitest::RunUntil([&] { return !clicks.names.empty(); }));
    EXPECT_EQ(clicks.names, (Lines { "Inner" }));
}

TEST_F(SceneWindow, KeysReachTheFocusedObjectTabMovesBetweenTwoAndCtrlLettersArriveAsLetters)
{
    Open(200, 120);
    TBox* a = Box("A", 10, 10, 60, 40, kRed);
    TBox* b = Box("B", 100, 10, 60, 40, kGreen);
    a->SetCanFocused(true);
    b->SetCanFocused(true);
    Settle();
    Click(30, 30);
    ASSERT_EQ(scene->GetFocused(), a);
    TakeEvents();

    test::SendKey(Host(), true, "Tab");
    test::SendKey(Host(), false, "Tab");
    Settle();
    EXPECT_EQ(scene->GetFocused(), b); // two entries: the focus moves all the same
    test::SendKey(Host(), true, "Tab");
    test::SendKey(Host(), false, "Tab");
    Settle();
    EXPECT_EQ(scene->GetFocused(), a); // and wraps round
    test::SendKey(Host(), true, "c", RawModifiers { .ctrl = true });
    test::SendKey(Host(), false, "c", RawModifiers { .ctrl = true });
    Settle();
    EXPECT_EQ(Only(TakeEvents(), { "keydown", "keyup", "enterfocus", "killfocus" }),
        (Lines { "killfocus @A", "enterfocus @B", "keyup 9 0 @B", "killfocus @B", "enterfocus @A",
            "keyup 9 0 @A", "keydown 67 0 ctrl @A", "keydown 0 c ctrl @A", "keyup 0 c ctrl @A",
            "keyup 67 0 ctrl @A" }));
}

TEST_F(SceneWindow, EscClosesTheModalFormWithCancelAndOnlyStoresTheResultOtherwise)
{
    Open(120, 80);
    Click(5, 5);
    test::SendKey(Host(), true, "Escape");
    Settle();
    EXPECT_EQ(form->GetModalResult(), platform::ui::kModalCancel);
    EXPECT_TRUE(form->IsVisible()); // a form not shown modally stays

    form->SetModalResult(platform::ui::kModalNone);
    uitest::Gui()->Post([this] { test::SendKey(Host(), true, "Escape"); });
    bool gaveUp = false;
    const uint32_t guard = uitest::Gui()->StartTimer(20000, [&](uint32_t) {
        gaveUp = true;
        form->Hide();
    });
    EXPECT_EQ(form->ShowModal(), platform::ui::kModalCancel);
    uitest::Gui()->StopTimer(guard);
    EXPECT_FALSE(gaveUp);
    EXPECT_FALSE(form->IsVisible());
}

TEST_F(SceneWindow, APressOnNoObjectDragsTheFormInScreenCoordinates)
{
    Open(120, 80);
    Settle();
    const Point start = form->GetPosition();
    test::SendMotion(Host(), 20, 20);
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 20, 20);
    ASSERT_TRUE(scene->GetWindowDragging());
    // The form moves under the pointer, so each move is given where the pointer is on the
    // form as it stands then.
    test::SendMotion(Host(), 50, 40, RawModifiers { .button1 = true });
    ASSERT_TRUE(uitest::RunUntil([&] {
        return form->GetPosition() == Point { start.x + 30, start.y + 20 };
    }));
    Settle();
    test::SendMotion(Host(), 30, 30, RawModifiers { .button1 = true });
    ASSERT_TRUE(uitest::RunUntil([&] {
        return form->GetPosition() == Point { start.x + 40, start.y + 30 };
    }));
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 30, 30, RawModifiers { .button1 = true });
    Settle();
    EXPECT_FALSE(scene->GetWindowDragging());
}

// ---- drag and drop ------------------------------------------------------------------------

TEST_F(SceneWindow, DroppedFilesAndTextReachDragDrop)
{
    Open(160, 100);
    TBox* a = Box("A", 20, 20, 80, 60, kRed);
    a->acceptsDrags = true;
    Settle();
    TakeEvents();
    const std::string longName = "/tmp/" + std::string(300, 'n') + ".png";
    test::DropResult result = test::DropUris(Host(),
        { "file:///tmp/one.png", "file:///tmp/two%20words.png", "file://" + longName }, Point { 40, 50 });
    EXPECT_TRUE(result.completed);
    Settle();
    EXPECT_EQ(Only(TakeEvents(), { "dragenter", "dragdrop" }),
        (Lines { "dragenter [/tmp/one.png] files 3 40 50 @A", "dragdrop [/tmp/one.png] files 3 40 50 @A" }));
    ASSERT_EQ(a->lastFiles.size(), 3u);
    EXPECT_EQ(a->lastFiles[1], u"/tmp/two words.png");
    EXPECT_EQ(a->lastFiles[2], std::u16string(longName.begin(), longName.end())); // never cut

    result = test::DropText(Host(), "Grüße", Point { 60, 30 });
    EXPECT_TRUE(result.completed);
    Settle();
    EXPECT_EQ(Only(TakeEvents(), { "dragdrop" }), (Lines { "dragdrop [Grüße] files 0 60 30 @A" }));
}

TEST_F(SceneWindow, AnObjectDraggedFromA2DSceneDropsIntoA3DScene)
{
    Open(120, 80);
    TBox* source = Box("Source", 20, 20, 40, 30, kRed);
    source->SetDragMode(wzDragAutomatic);
    Settle();

    // A 3D scene in another form of the program, below the first.
    platform::ui::FormOptions options;
    options.clientWidth = 120;
    options.clientHeight = 80;
    const Point at = form->GetPosition();
    options.position = Point { at.x, at.y + 120 };
    options.decorated = false;
    std::unique_ptr<platform::ui::Form> form3d = uitest::Gui()->CreateForm(options);
    rtl::TOwned<rtl::TComponent> owner3d { new rtl::TComponent(nullptr) };
    auto* scene3d = new ThvScene(owner3d.get());
    scene3d->SetBounds(0, 0, 120, 80);
    auto* root3d = new scenetest::TProbe(owner3d.get());
    root3d->SetName("Root3D");
    root3d->box = false;
    root3d->SetHitTest(false);
    scene3d->AddObject(root3d);
    auto* target = new scenetest::TProbe(owner3d.get());
    target->SetName("Target");
    target->acceptsDrags = true;
    root3d->AddObject(target);
    target->SetProjection(hvProjectionScreen);
    target->GetPosition()->SetPoint({ 60, 40, 0 });
    target->SetWidth(60);
    target->SetHeight(40);
    scene3d->SetParentForm(form3d.get());
    form3d->Show();
    ASSERT_TRUE(uitest::RunUntil(
        [&] { return scene3d->HandleAllocated() && test::PaintCount(*scene3d->GetHost()) > 0; }));
    Settle();
    scenetest::TakeLog();

    // Pressed on the object, the drag starts at once; the source's window keeps the pointer,
    // so the moves and the release over the 3D scene arrive there.
    const Point origin2d = Host().ClientToScreen({ 0, 0 });
    const Point over = scene3d->GetHost()->ClientToScreen({ 60, 40 });
    const double x = over.x - origin2d.x;
    const double y = over.y - origin2d.y;
    test::SendMotion(Host(), 40, 35);
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 40, 35);
    ASSERT_NE(platform::ui::DragSession::Current(), nullptr);
    test::SendMotion(Host(), x, y, RawModifiers { .button1 = true });
    test::SendMotion(Host(), x + 1, y, RawModifiers { .button1 = true });
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, x + 1, y, RawModifiers { .button1 = true });
    Settle();
    EXPECT_EQ(platform::ui::DragSession::Current(), nullptr);
    const Lines drops = scenetest::Only(scenetest::TakeLog(), { "dragdrop" });
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].rfind("dragdrop [] files 0 from Source ", 0), 0u) << drops[0];
    EXPECT_NE(drops[0].find("@Target"), std::string::npos) << drops[0];

    rtl::FreeAndNil(scene3d);
    form3d.reset();
}
