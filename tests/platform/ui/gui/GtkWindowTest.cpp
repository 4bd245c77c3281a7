#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/ui/Input.h"
#include "platform/ui/NativeApplication.h"
#include "platform/ui/Worker.h"

#include <atomic>
#include <chrono>
#include <clocale>
#include <cstring>
#include <thread>

using namespace platform::ui;
using uitest::Frame;
using uitest::GtkTest;
using uitest::Recorder;
using uitest::RunUntil;
using Lines = std::vector<std::string>;

namespace {

bool Covered(const std::vector<Rect>& rects, Point p)
{
    for (const Rect& r : rects)
        if (r.Contains(p))
            return true;
    return false;
}

} // namespace

TEST_F(GtkTest, StartingKeepsNumbersLocaleIndependentAndHappensOnce)
{
    EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    const NativeStart second = StartNativeApplication("again");
    EXPECT_FALSE(second.application);
    EXPECT_FALSE(second.error.empty());
}

TEST_F(GtkTest, AWindowShowsThePresentedFrame)
{
    Frame frame(64, 48, 0xFFFF0000);
    frame.Fill(Rect { 32, 0, 64, 48 }, 0xFF0000FF);
    frame.Fill(Rect { 20, 20, 30, 30 }, 0xFF00FF00);
    scene.onPaint = [&](PaintContext& pc) { EXPECT_TRUE(pc.Present(frame.View())); };
    OpenForm(64, 48);
    test::Raise(*form); // above windows that tests running beside this one opened
    host->InvalidateAll();
    ASSERT_TRUE(RunUntil([&] { return scene.paints > 1; }));

    const std::vector<uint32_t> shown = test::ReadPixels(*host, Rect { 0, 0, 64, 48 });
    ASSERT_EQ(shown.size(), 64u * 48u);
    const auto at = [&](int x, int y) { return shown[static_cast<size_t>(y) * 64 + static_cast<size_t>(x)]; };
    EXPECT_EQ(at(5, 5), 0xFFFF0000u);
    EXPECT_EQ(at(31, 47), 0xFFFF0000u);
    EXPECT_EQ(at(32, 0), 0xFF0000FFu);
    EXPECT_EQ(at(63, 47), 0xFF0000FFu);
    EXPECT_EQ(at(20, 20), 0xFF00FF00u);
    EXPECT_EQ(at(29, 29), 0xFF00FF00u);
    EXPECT_EQ(at(30, 30), 0xFFFF0000u);
}

TEST_F(GtkTest, ABurstOfInvalidationsGivesOnePaintCoveringThemAll)
{
    OpenForm(80, 60);
    const int before = scene.paints;
    std::vector<Rect> asked;
    for (int i = 0; i < 30; ++i)
        asked.push_back(Rect { (i * 7) % 70, (i * 11) % 50, (i * 7) % 70 + 5, (i * 11) % 50 + 5 });
    for (const Rect& r : asked)
        host->Invalidate(r);
    ASSERT_TRUE(RunUntil([&] { return scene.paints > before; }));
    App().ProcessMessages();
    EXPECT_EQ(scene.paints, before + 1);
    for (const Rect& r : asked) {
        SCOPED_TRACE(testing::PrintToString(std::vector<int> { r.left, r.top, r.right, r.bottom }));
        EXPECT_TRUE(Covered(scene.lastPaintRects, { r.left, r.top }));
        EXPECT_TRUE(Covered(scene.lastPaintRects, { r.right - 1, r.bottom - 1 }));
    }
    EXPECT_EQ(test::PaintCount(*host), scene.paints);
}

TEST_F(GtkTest, ResizingTheHostOrTheFormNotifies)
{
    OpenForm(60, 40);
    scene.Take();
    host->SetBounds(Rect { 0, 0, 90, 70 });
    ASSERT_TRUE(RunUntil([&] { return !scene.log.empty(); }));
    EXPECT_EQ(scene.Take(), Lines { "resized 90x70" });
    EXPECT_EQ(host->GetBounds(), (Rect { 0, 0, 90, 70 }));

    struct FormLog : FormEvents {
        Lines log;
        void FormResized(int32_t w, int32_t h) override
        {
            log.push_back(std::to_string(w) + "x" + std::to_string(h));
        }
        void FormCloseRequest() override { log.push_back("close"); }
    } formLog;
    form->SetEvents(&formLog);
    form->SetClientSize(150, 110);
    ASSERT_TRUE(RunUntil([&] { return !formLog.log.empty(); }));
    EXPECT_EQ(formLog.log, Lines { "150x110" });
    EXPECT_EQ(form->ClientWidth(), 150);
    EXPECT_EQ(form->ClientHeight(), 110);

    // The window manager's close button asks the owner; the form stays until it decides.
    test::SendCloseRequest(*form);
    EXPECT_EQ(formLog.log.back(), "close");
    EXPECT_TRUE(form->IsVisible());
    form->SetEvents(nullptr);
}

TEST_F(GtkTest, AHostFillingItsFormFollowsEachOutsideResizeAtOnce)
{
    // The window manager (or another program) resizes the window; the form's owner sizes the
    // host to the new client area while it hears of it, as the application's forms do. The
    // host must take that size in the same layout pass, not at the next resize.
    OpenForm(60, 40);
    struct Filler : FormEvents {
        SceneHost* host = nullptr;
        void FormResized(int32_t w, int32_t h) override { host->SetBounds(Rect { 0, 0, w, h }); }
    } filler;
    filler.host = host.get();
    form->SetEvents(&filler);
    Frame frame(1, 1, 0xFF00FF00);
    scene.onPaint = [&](PaintContext& pc) {
        // The scene fills what it was told its size is.
        frame = Frame(host->GetBounds().Width(), host->GetBounds().Height(), 0xFF00FF00);
        pc.Present(frame.View());
    };
    test::Raise(*form);
    for (const auto& [w, h] : { std::pair { 140, 90 }, std::pair { 100, 120 }, std::pair { 170, 70 } }) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        scene.Take();
        const int paints = scene.paints;
        test::ResizeFromOutside(*form, w, h);
        ASSERT_TRUE(RunUntil([&] { return form->ClientWidth() == w && form->ClientHeight() == h; }));
        // A host left at its old size is not painted again: the wait ends with the limit.
        EXPECT_TRUE(RunUntil([&] { return scene.paints > paints; }));
        App().ProcessMessages();
        EXPECT_EQ(scene.Take(), Lines { "resized " + std::to_string(w) + "x" + std::to_string(h) });
        EXPECT_EQ(host->GetBounds(), (Rect { 0, 0, w, h }));
        test::Raise(*form);
        const std::vector<uint32_t> corner = test::ReadFormPixels(*form, Rect { w - 2, h - 2, w, h });
        EXPECT_EQ(corner, std::vector<uint32_t>(4, 0xFF00FF00u)) << "the host does not reach the new corner";
    }
    form->SetEvents(nullptr);
}

TEST_F(GtkTest, ClientAndScreenCoordinatesConvertBothWays)
{
    FormOptions options;
    options.position = uitest::PlaceForThisTest();
    OpenForm(50, 50, options);
    Recorder inner;
    auto child = form->CreateHost(inner, Rect { 10, 20, 30, 40 });
    child->SetVisible(true);
    ASSERT_TRUE(RunUntil([&] { return child->HasWindow() && inner.paints > 0; }));
    test::Sync();
    const Point formOrigin = form->ClientToScreen({ 0, 0 });
    EXPECT_EQ(formOrigin, *options.position); // no window manager moves it under Xvfb
    EXPECT_EQ(child->ClientToScreen({ 1, 2 }), (Point { formOrigin.x + 11, formOrigin.y + 22 }));
    EXPECT_EQ(child->ScreenToClient({ formOrigin.x + 11, formOrigin.y + 22 }), (Point { 1, 2 }));
    EXPECT_EQ(App().HostAtScreenPoint({ formOrigin.x + 15, formOrigin.y + 25 }), child.get());
    EXPECT_EQ(App().HostAtScreenPoint({ formOrigin.x + 45, formOrigin.y + 45 }), host.get());
    EXPECT_EQ(App().HostAtScreenPoint({ formOrigin.x - 5, formOrigin.y }), nullptr);
}

TEST_F(GtkTest, AFormMovesAndResizesInScreenCoordinates)
{
    OpenForm(50, 40);
    const Point start = form->ClientToScreen({ 0, 0 });
    EXPECT_EQ(form->FrameExtents(), Rect {}); // no window manager, no decoration
    // A window drag moves the form by the pointer's screen movement on every move.
    const Point moved { start.x + 37, start.y + 21 };
    form->SetPosition(moved);
    ASSERT_TRUE(RunUntil([&] {
        test::Sync();
        return form->ClientToScreen({ 0, 0 }) == moved;
    }));
    EXPECT_EQ(form->GetPosition(), moved);
    EXPECT_EQ(host->ClientToScreen({ 3, 4 }), (Point { moved.x + 3, moved.y + 4 }));
    form->SetClientSize(64, 48);
    ASSERT_TRUE(RunUntil([&] { return form->ClientWidth() == 64 && form->ClientHeight() == 48; }));
}

TEST_F(GtkTest, HintsShowWhereTheSceneHasOne)
{
    OpenForm(40, 40);
    EXPECT_FALSE(test::QueryTooltip(*host, { 5, 5 }));
    scene.hint = HintInfo { u"Extrusion depth", Rect { 0, 0, 20, 20 } };
    EXPECT_TRUE(test::QueryTooltip(*host, { 5, 5 }));
    scene.hint = HintInfo { u"", Rect { 0, 0, 20, 20 } };
    EXPECT_FALSE(test::QueryTooltip(*host, { 5, 5 }));
}

TEST_F(GtkTest, AHostLosesItsWindowWithItsForm)
{
    OpenForm(40, 40);
    scene.Take();
    form.reset(); // the owner frees the form before the scene
    EXPECT_EQ(scene.Take(), Lines { "destroying" });
    EXPECT_FALSE(host->HasWindow());
    host->Invalidate(Rect { 0, 0, 5, 5 }); // harmless now
    host.reset();
}

TEST_F(GtkTest, CursorsAreSetByNumber)
{
    OpenForm(20, 20);
    EXPECT_FALSE(test::HasCursor(*host));
    for (int32_t number : { -21, -4, -1, -12, -13, -22, 99 }) {
        SCOPED_TRACE(number);
        host->SetCursor(number);
        EXPECT_EQ(host->GetCursor(), number);
        EXPECT_TRUE(test::HasCursor(*host));
    }
    host->SetCursor(0);
    EXPECT_FALSE(test::HasCursor(*host));
}

TEST_F(GtkTest, AnExceptionWhilePaintingReachesTheHandlerAndPaintingGoesOn)
{
    OpenForm(20, 20);
    scene.onPaint = [](PaintContext&) { throw std::runtime_error("the frame failed"); };
    host->InvalidateAll();
    ASSERT_TRUE(RunUntil([&] { return !uitest::GuiErrors().empty(); }));
    EXPECT_EQ(uitest::GuiErrors().front(), "the frame failed");
    scene.onPaint = nullptr;
    const int before = scene.paints;
    host->InvalidateAll();
    EXPECT_TRUE(RunUntil([&] { return scene.paints > before; }));
}

// Loops, timers, posted calls -------------------------------------------------------------------

TEST_F(GtkTest, ATimerTicksOnTheGuiThreadAndMayStopItselfInItsTick)
{
    const std::thread::id gui = std::this_thread::get_id();
    int ticks = 0;
    bool onGui = false;
    auto capture = std::make_shared<int>(7);
    std::weak_ptr<int> captureWatch = capture;
    const uint32_t id = App().StartTimer(5, [&, capture](uint32_t self) {
        ++ticks;
        onGui = std::this_thread::get_id() == gui;
        App().StopTimer(self); // frees this handler, and `capture`, once it returns
    });
    capture.reset();
    ASSERT_GT(id, 0u);
    bool later = false;
    App().StartTimer(60, [&](uint32_t self) {
        later = true;
        App().StopTimer(self);
    });
    ASSERT_TRUE(RunUntil([&] { return later; }));
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(onGui);
    EXPECT_TRUE(captureWatch.expired());
}

TEST_F(GtkTest, TimersThatAreAlwaysDueDoNotStarvePainting)
{
    OpenForm(30, 30);
    const int before = scene.paints;
    int ticks = 0;
    // Each tick outlasts the interval, so the timer is due again at once; an animation that
    // invalidates on every tick must still be painted.
    const uint32_t id = App().StartTimer(1, [&](uint32_t) {
        ++ticks;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        host->InvalidateAll();
    });
    RunUntil([&] { return scene.paints >= before + 3 || ticks >= 400; });
    App().StopTimer(id);
    EXPECT_GE(scene.paints, before + 3) << ticks << " ticks";
}

TEST_F(GtkTest, ABusyIdleHandlerLeavesRoomForTimers)
{
    int idles = 0;
    App().SetOnIdle([&](bool& done) {
        ++idles;
        done = false; // a real-time loop
    });
    int ticks = 0;
    const uint32_t id = App().StartTimer(2, [&](uint32_t) { ++ticks; });
    const bool ticked = RunUntil([&] { return ticks >= 3; });
    App().StopTimer(id);
    App().SetOnIdle(nullptr);
    EXPECT_TRUE(ticked);
    EXPECT_GT(idles, 0);

    // Done: the handler waits for the next event instead of spinning.
    int calls = 0;
    App().SetOnIdle([&](bool&) { ++calls; });
    ASSERT_TRUE(RunUntil([&] { return calls >= 1; }));
    App().ProcessMessages();
    bool posted = false;
    App().Post([&] { posted = true; });
    ASSERT_TRUE(RunUntil([&] { return posted && calls >= 2; }));
    App().SetOnIdle(nullptr);
    EXPECT_EQ(calls, 2);
}

TEST_F(GtkTest, PostedCallsKeepRunningInsideAModalLoopStartedByAPostedCall)
{
    // A menu command runs as a posted call and opens a modal form; the form's scene renders
    // through posted calls of its own.
    bool innerRan = false;
    bool modalEnded = false;
    App().Post([&] {
        App().Post([&] { innerRan = true; });
        modalEnded = RunUntil([&] { return innerRan; });
    });
    ASSERT_TRUE(RunUntil([&] { return modalEnded; }));
    EXPECT_TRUE(innerRan);
}

TEST_F(GtkTest, ANestedLoopEndsWhenTheObjectItWatchesIsFreed)
{
    auto watched = std::make_unique<Lifetime>();
    App().StartTimer(10, [&](uint32_t self) {
        App().StopTimer(self);
        watched.reset();
    });
    bool nestedEnded = false;
    bool gaveUp = false;
    const uint32_t guard = App().StartTimer(20000, [&](uint32_t) { gaveUp = true; });
    App().RunUntil([&] { return gaveUp; }, watched->GetWatch());
    nestedEnded = !gaveUp;
    App().StopTimer(guard);
    EXPECT_TRUE(nestedEnded);
    EXPECT_FALSE(watched);
}

TEST_F(GtkTest, PostedCallsAndHandOversRunInOrderOnTheGuiThread)
{
    std::vector<int> order;
    for (int i = 0; i < 20; ++i)
        App().Post([&order, i] { order.push_back(i); });
    const PostId withdrawn = App().Post([&order] { order.push_back(-1); });
    App().CancelPost(withdrawn);
    std::atomic<bool> workerDone { false };
    const std::thread::id gui = std::this_thread::get_id();
    bool handOverOnGui = false;
    ASSERT_TRUE(StartWorker([&] {
        App().HandOver([&] {
            order.push_back(100);
            handOverOnGui = std::this_thread::get_id() == gui;
        });
        workerDone = true;
    }));
    WaitForWorkers();
    ASSERT_TRUE(RunUntil([&] { return order.size() == 21; }));
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i)
        expected.push_back(i);
    expected.push_back(100);
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(handOverOnGui);
}

// Layered forms ---------------------------------------------------------------------------------

TEST_F(GtkTest, ALayeredFormWithoutACompositorKeepsTheOutlineOfItsOpaquePixels)
{
    FormOptions options;
    options.layered = true;
    options.kind = FormKind::Tool;
    OpenForm(40, 30, options);
    // A badge: opaque centre, a mostly opaque rim, clear edges.
    Frame frame(40, 30, 0x00000000);
    frame.Fill(Rect { 2, 2, 38, 28 }, 0xA0A00000); // rim: red at 5/8 opacity
    frame.Fill(Rect { 6, 6, 34, 24 }, 0xFF00C000); // centre: opaque green
    form->SetLayeredFill(0xFF0000FF);
    const Point at = uitest::PlaceForThisTest();
    ASSERT_TRUE(form->UpdateLayered(frame.View(), at));
    const bool composited = App().CanLayerWindows();
    EXPECT_EQ(test::LayeredShape(*form), AlphaRuns(frame.View(), composited ? 0 : 127));
    test::Raise(*form);
    host->InvalidateAll();
    const int before = scene.paints;
    ASSERT_TRUE(RunUntil([&] { return scene.paints > before; }));
    const std::vector<uint32_t> shown = test::ReadPixels(*host, Rect { 0, 0, 40, 30 });
    ASSERT_EQ(shown.size(), 40u * 30u);
    EXPECT_EQ(shown[15 * 40 + 20], 0xFF00C000u);
    if (!composited) {
        // The rim blends with the fill colour where the screen cannot blend.
        EXPECT_EQ(shown[3 * 40 + 20], 0xFFA0005Fu);
    }
    EXPECT_EQ(form->GetPosition(), at);
}
