// The scene control in a real window under X: a frame rendered on the GPU layer shows in the
// window, repaint requests coalesce, a resize rebuilds the canvas, synthesised input reaches the
// objects, a file dropped from another window arrives with its full name, and the window-less
// timer ticks on the GUI thread.

#include "tests/scene3d/ThvSceneTestSupport.h"

#include "backends/DirectXModule.h"
#include "graphics/TwzTimer.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvShape.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/Pixels.h"
#include "tests/support/SceneWindow.h"

#include "platform/ui/Application.h"
#include "platform/ui/PopupMenuComponent.h"
#include "platform/ui/TestDriver.h"
#include "tests/support/ClickLog.h"

#include <cstdlib>
#include <thread>

using namespace scenetest;
using platform::ui::Point;
using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
using platform::ui::Rect;
namespace test = platform::ui::test;
using Lines = std::vector<std::string>;

namespace {

// The GPU layer's software renderer for every canvas of this process.
class DirectXEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        hvDirectXInit();
    }
    void TearDown() override { hvDirectXDone(); }
};

[[maybe_unused]] ::testing::Environment* const kDirectX
    = ::testing::AddGlobalTestEnvironment(new DirectXEnvironment);

// A solid box of one unlit colour, counting the frames it is drawn in.
class TSolid : public ThvShape {
public:
    explicit TSolid(rtl::TComponent* owner)
        : ThvShape(owner)
    {
        GetMaterial()->SetLighting(false);
    }
    void Render() override
    {
        ++frames;
        if (ThvCanvas* canvas = GetCanvas())
            canvas->FillCube(
                { 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, GetAbsoluteOpacity());
    }
    int frames = 0;
};

bool Near(uint32_t actual, uint32_t expected)
{
    return testsupport::ChannelsNear(actual, expected, 2);
}

class SceneWindow : public testsupport::SceneWindowTest<ThvScene> {
protected:
    void SetUpWindow() override { TakeLog(); }
    void TearDown() override
    {
        SceneWindowTest::TearDown();
        TakeLog();
    }

    /// A shown form of the given client size holding a scene of the scene size at its top left,
    /// cleared to #FF204060, unlit, with a root object; returns once the scene painted.
    void Open(int32_t formWidth, int32_t formHeight, int32_t width, int32_t height, bool layered = false)
    {
        CreateWindow(formWidth, formHeight, width, height, layered);
        scene->SetFillColor("#FF204060");
        scene->SetLighting(false);
        root = new TProbe(owner.get());
        root->SetName("Root");
        root->box = false;
        root->SetHitTest(false);
        scene->AddObject(root);
        ShowWindow([&] { return test::PaintCount(Host()) > 0; });
        TakeLog();
    }
    TSolid* Solid(float x, float y, float size, const char* color)
    {
        auto* solid = new TSolid(owner.get());
        root->AddObject(solid);
        solid->SetProjection(hvProjectionScreen);
        solid->GetPosition()->SetPoint({ x, y, 0 });
        solid->SetWidth(size);
        solid->SetHeight(size);
        solid->SetDepth(size);
        solid->GetMaterial()->SetDiffuse(color);
        return solid;
    }
    TProbe* Box(const std::string& name, float x, float y, float w, float h)
    {
        auto* probe = new TProbe(owner.get());
        probe->SetName(name);
        root->AddObject(probe);
        probe->SetProjection(hvProjectionScreen);
        probe->GetPosition()->SetPoint({ x, y, 0 });
        probe->SetWidth(w);
        probe->SetHeight(h);
        return probe;
    }
    Lines Events()
    {
        Lines kept;
        for (const std::string& line : TakeLog())
            if (line.rfind("render", 0) != 0 && line.rfind("realign", 0) != 0)
                kept.push_back(line);
        return kept;
    }

    TProbe* root = nullptr;
};

} // namespace

TEST_F(SceneWindow, TheWindowShowsTheRenderedFrame)
{
    Open(96, 64, 96, 64);
    TSolid* solid = Solid(48, 32, 24, "#FF00FF00");
    scene->AddUpdateRect({});
    ASSERT_TRUE(uitest::RunUntil([&] { return solid->frames > 0; }));
    Settle();
    EXPECT_TRUE(Near(PixelAt(4, 4), 0xFF204060)) << std::hex << PixelAt(4, 4);
    EXPECT_TRUE(Near(PixelAt(95, 63), 0xFF204060)) << std::hex << PixelAt(95, 63);
    EXPECT_TRUE(Near(PixelAt(48, 32), 0xFF00FF00)) << std::hex << PixelAt(48, 32);
}

TEST_F(SceneWindow, ABurstOfChangesDrawsOneFrame)
{
    Open(96, 64, 96, 64);
    TSolid* solid = Solid(48, 32, 24, "#FF00FF00");
    scene->AddUpdateRect({});
    ASSERT_TRUE(uitest::RunUntil([&] { return solid->frames > 0; }));
    Settle();
    const int frames = solid->frames;
    for (int i = 0; i < 10; ++i)
        solid->GetPosition()->SetX(static_cast<float>(40 + i));
    scene->SetFillColor("#FF402000");
    ASSERT_TRUE(uitest::RunUntil([&] { return solid->frames > frames; }));
    Settle();
    EXPECT_EQ(solid->frames, frames + 1);
    EXPECT_TRUE(Near(PixelAt(4, 4), 0xFF402000)) << std::hex << PixelAt(4, 4);
    EXPECT_TRUE(Near(PixelAt(49, 32), 0xFF00FF00)) << std::hex << PixelAt(49, 32);
}

TEST_F(SceneWindow, ResizingRebuildsTheCanvasForTheNewSize)
{
    Open(160, 120, 100, 80);
    const int paints = test::PaintCount(Host());
    scene->SetBounds(0, 0, 150, 110);
    ASSERT_TRUE(uitest::RunUntil([&] {
        return scene->GetCanvas() && scene->GetCanvas()->GetWidth() == 150
            && test::PaintCount(Host()) > paints;
    }));
    Settle();
    EXPECT_EQ(scene->GetCanvas()->GetHeight(), 110);
    EXPECT_TRUE(Near(PixelAt(145, 105), 0xFF204060)) << std::hex << PixelAt(145, 105);
}

TEST_F(SceneWindow, SynthesisedMouseInputReachesTheRightObjects)
{
    Open(160, 100, 160, 100);
    TProbe* a = Box("A", 40, 50, 40, 40);
    Box("B", 120, 50, 40, 40);
    a->SetAutoCapture(true);
    a->handlesWheel = true;
    Settle();
    TakeLog();
    using Type = RawButtonEvent::Type;
    RawModifiers left;
    left.button1 = true;
    test::SendMotion(Host(), 40, 50);
    test::SendButton(Host(), Type::Press, 1, 40, 50, {}, 1000);
    test::SendButton(Host(), Type::Release, 1, 40, 50, left, 1050);
    test::SendButton(Host(), Type::Press, 1, 41, 50, {}, 1100);
    test::SendButton(Host(), Type::DoublePress, 1, 41, 50, {}, 1100);
    // Held down and dragged over B: the capturing object keeps every move and the release.
    test::SendMotion(Host(), 120, 50, left);
    test::SendButton(Host(), Type::Release, 1, 120, 50, left, 1500);
    test::SendScroll(Host(), platform::ui::RawScrollEvent::Direction::Down, 0, 120, 50);
    Settle();
    EXPECT_EQ(Events(),
        (Lines { "enter @A", "move 0 0 @A", "down left 0 0 @A", "up left 0 0 @A", "click @A",
            "down left 1 0 double @A", "dblclick @A", "move 80 0 @A", "up left 80 0 @A", "wheel -120 @B",
            "wheel -120 @Root" }));
}

TEST_F(SceneWindow, ARightClickOpensTheObjectsMenuAndTheChosenItemClicks)
{
    Open(160, 100, 160, 100);
    TProbe* a = Box("A", 60, 50, 60, 40);
    auto* menu = new platform::ui::PopupMenuComponent(owner.get());
    testsupport::TClickLog clicks;
    for (const char* name : { "Show", "Hide" }) {
        auto* item = new platform::ui::MenuItemComponent(owner.get());
        item->SetName(name);
        item->SetCaption(name);
        item->OnClick.Bind<&testsupport::TClickLog::Clicked>(&clicks);
        menu->Items().Add(item);
    }
    a->SetPopupMenu(menu);
    Settle();

    uitest::KeysForMenu keys({ "Down", "Down", "Return" });
    ASSERT_TRUE(uitest::PopupUntilShown(keys, [&] {
        test::SendMotion(Host(), 60, 50);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 3, 60, 50);
        test::SendButton(Host(), RawButtonEvent::Type::Release, 3, 60, 50, RawModifiers { .button3 = true });
    }));
    EXPECT_EQ(menu->GetPopupComponent(), a);
    EXPECT_TRUE(uitest::RunUntil([&] { return !clicks.names.empty(); }));
    EXPECT_EQ(clicks.names, (Lines { "Hide" }));
}

TEST_F(SceneWindow, SynthesisedKeysReachTheFocusedObjectAndTabMovesTheFocus)
{
    Open(160, 100, 160, 100);
    TProbe* a = Box("A", 40, 50, 40, 40);
    TProbe* b = Box("B", 120, 50, 40, 40);
    a->SetCanFocused(true);
    b->SetCanFocused(true);
    Host().SetFocus();
    test::SendFocus(*form, true);
    ASSERT_TRUE(uitest::RunUntil([&] { return Host().HasFocus(); }));
    a->SetFocus();
    Settle();
    TakeLog();
    RawModifiers ctrl;
    ctrl.ctrl = true;
    test::SendKey(Host(), true, "c", ctrl);
    test::SendKey(Host(), false, "c", ctrl);
    test::SendKey(Host(), true, "Tab");
    test::SendKey(Host(), false, "Tab");
    test::SendKey(Host(), true, "a");
    test::SendKey(Host(), false, "a");
    Settle();
    EXPECT_EQ(Events(),
        (Lines { "keydown 67 0 ctrl @A", "keydown 0 c ctrl @A", "keyup 0 c ctrl @A", "keyup 67 0 ctrl @A",
            "killfocus @A", "enterfocus @B", "keyup 9 0 @B", "keydown 65 0 @B", "keydown 0 a @B",
            "keyup 0 a @B", "keyup 65 0 @B" }));
}

TEST_F(SceneWindow, AFileListDroppedFromAnotherWindowReachesDragDropWithFullNames)
{
    Open(160, 100, 160, 100);
    TProbe* a = Box("A", 40, 50, 40, 40);
    a->acceptsDrags = true;
    Settle();
    TakeLog();
    const std::string longName = "/tmp/" + std::string(200, 'a') + "/" + std::string(200, 'b') + ".png";
    const test::DropResult result
        = test::DropUris(Host(), { "file:///tmp/one.png", "file://" + longName }, Point { 40, 50 });
    EXPECT_TRUE(result.completed);
    Settle();
    const Lines events = Only(TakeLog(), { "dragenter", "dragdrop" });
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].rfind("dragenter [/tmp/one.png] files 2", 0), 0u) << events[0];
    EXPECT_EQ(events[1].rfind("dragdrop [/tmp/one.png] files 2", 0), 0u) << events[1];
    ASSERT_EQ(a->lastFiles.size(), 2u);
    EXPECT_EQ(a->lastFiles[1], std::u16string(longName.begin(), longName.end()));
}

TEST_F(SceneWindow, ATransparentSceneShowsItsFramesAsTheLayeredFormsPictureWithoutLooping)
{
    Open(96, 64, 96, 64, true);
    TSolid* solid = Solid(48, 32, 24, "#FF00FF00");
    scene->SetFillColor("#FF112233");
    // The frame is drawn in a posted call and reaches the screen with the form's next paint.
    ASSERT_TRUE(uitest::RunUntil([&] { return solid->frames > 0 && Near(PixelAt(4, 4), 0xFF112233); }));
    Settle();
    EXPECT_FALSE(test::LayeredShape(*form).empty());
    EXPECT_TRUE(Near(PixelAt(4, 4), 0xFF112233)) << std::hex << PixelAt(4, 4);
    EXPECT_TRUE(Near(PixelAt(48, 32), 0xFF00FF00)) << std::hex << PixelAt(48, 32);
    // Showing the picture repaints the form, and that paint draws no frame of its own.
    const int frames = solid->frames;
    bool waited = false;
    const uint32_t wait = uitest::Gui()->StartTimer(100, [&](uint32_t) { waited = true; });
    ASSERT_TRUE(uitest::RunUntil([&] { return waited; }));
    uitest::Gui()->StopTimer(wait);
    EXPECT_EQ(solid->frames, frames);
}

// ---- the window-less timer ----------------------------------------------------------------

namespace {

class TTickCounter : public rtl::TObject {
public:
    void Tick(rtl::TObject*)
    {
        ++ticks;
        onGuiThread = onGuiThread && std::this_thread::get_id() == guiThread;
        // The timer that raised this tick goes inside it.
        if (freeInTick)
            rtl::FreeAndNil(*freeInTick);
    }
    int ticks = 0;
    bool onGuiThread = true;
    std::thread::id guiThread = std::this_thread::get_id();
    TwzTimer** freeInTick = nullptr;
};

} // namespace

TEST_F(SceneWindow, ATimerTicksOnTheGuiThreadAndCanFreeItselfInItsTick)
{
    TTickCounter counter;
    auto* timer = new TwzTimer(owner.get());
    timer->SetInterval(10);
    rtl::TNotifyEvent tick;
    tick.Bind<&TTickCounter::Tick>(&counter);
    timer->SetOnTimer(tick);
    ASSERT_TRUE(uitest::RunUntil([&] { return counter.ticks >= 3; }));
    EXPECT_TRUE(counter.onGuiThread);

    counter.freeInTick = &timer;
    ASSERT_TRUE(uitest::RunUntil([&] { return timer == nullptr; }));
    const int ticks = counter.ticks;
    EXPECT_EQ(TimerRegistryCount(), 0);
    // Nothing ticks any more: a short wait on another timer sees no further tick.
    bool waited = false;
    const uint32_t wait = uitest::Gui()->StartTimer(60, [&](uint32_t) { waited = true; });
    ASSERT_TRUE(uitest::RunUntil([&] { return waited; }));
    uitest::Gui()->StopTimer(wait);
    EXPECT_EQ(counter.ticks, ticks);
}
