#include "platform/ui/FakeApplication.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Worker.h"
#include "tests/platform/ui/Recorder.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <stdexcept>
#include <thread>

using namespace platform::ui;
using uitest::Frame;
using uitest::Recorder;
using Lines = std::vector<std::string>;

namespace {

// Counts its own destruction: shows when a capture was freed, and how often.
struct Probe {
    explicit Probe(int& destroyed)
        : m_destroyed(destroyed)
    { }
    ~Probe() { ++m_destroyed; }
    int& m_destroyed;
};

class FakeUi : public ::testing::Test {
protected:
    void ShowHost(const Rect& bounds = { 0, 0, 40, 30 }, FormOptions options = {})
    {
        options.position = options.position.value_or(Point { 100, 50 });
        form = app.CreateForm(options);
        host = form->CreateHost(scene, bounds);
        host->SetVisible(true);
        form->Show();
        app.ProcessMessages();
        scene.Take();
        scene.paints = 0;
    }
    FakeSceneHost& Fake() { return static_cast<FakeSceneHost&>(*host); }

    FakeApplication app;
    Recorder scene;
    std::unique_ptr<Form> form;
    std::unique_ptr<SceneHost> host;
};

RawKeyEvent Key(const char* name, bool press = true, RawModifiers modifiers = {})
{
    RawKeyEvent e;
    e.press = press;
    e.keyval = KeyvalFromName(name);
    e.modifiers = modifiers;
    e.entries = { KeyEntry { e.keyval, 0, 0 } };
    return e;
}

RawButtonEvent Button(RawButtonEvent::Type type, uint32_t button, double x, double y, uint32_t time,
    RawModifiers modifiers = {})
{
    RawButtonEvent e;
    e.type = type;
    e.button = button;
    e.x = x;
    e.y = y;
    e.time = time;
    e.modifiers = modifiers;
    return e;
}

} // namespace

// Timers ----------------------------------------------------------------------------------------

TEST_F(FakeUi, TimersTickEveryIntervalCountedFromTheirStart)
{
    std::vector<std::pair<uint32_t, int64_t>> ticks;
    const auto record = [&](uint32_t id) { ticks.emplace_back(id, app.TickMs()); };
    const uint32_t a = app.StartTimer(25, record);
    app.AdvanceTime(10);
    const uint32_t b = app.StartTimer(33, record);
    EXPECT_GT(a, 0u);
    EXPECT_GT(b, 0u);
    EXPECT_NE(a, b);
    app.AdvanceTime(90);
    const std::vector<std::pair<uint32_t, int64_t>> expected
        = { { a, 25 }, { b, 43 }, { a, 50 }, { a, 75 }, { b, 76 }, { a, 100 } };
    EXPECT_EQ(ticks, expected);

    EXPECT_EQ(app.StartTimer(0, record), 0u);
    EXPECT_EQ(app.StartTimer(10, nullptr), 0u);
}

TEST_F(FakeUi, ATimerMayStopItselfAndFreeItsCapturesInItsTick)
{
    int destroyed = 0;
    int ticks = 0;
    auto probe = std::make_shared<Probe>(destroyed);
    uint32_t id = 0;
    id = app.StartTimer(10, [&, probe](uint32_t self) {
        ++ticks;
        EXPECT_EQ(self, id);
        EXPECT_TRUE(app.StopTimer(self)); // frees this very handler and its probe
        EXPECT_EQ(destroyed, 0); // ... but not while it still runs
    });
    probe.reset();
    app.AdvanceTime(100);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(destroyed, 1);
    EXPECT_FALSE(app.TimerRunning(id));
    EXPECT_FALSE(app.StopTimer(id));
}

TEST_F(FakeUi, AStoppedTimerNeverTicksAgainEvenWhenAlreadyDue)
{
    Lines log;
    uint32_t second = 0;
    app.StartTimer(10, [&](uint32_t) {
        log.push_back("first");
        app.StopTimer(second);
    });
    second = app.StartTimer(10, [&](uint32_t) { log.push_back("second"); });
    app.AdvanceTime(50);
    EXPECT_EQ(log, Lines(5, "first"));
}

TEST_F(FakeUi, ATimerRestartedInItsTickTicksOneIntervalLater)
{
    std::vector<int64_t> ticks;
    std::function<void(uint32_t)> tick = [&](uint32_t self) {
        ticks.push_back(app.TickMs());
        app.StopTimer(self);
        app.StartTimer(ticks.size() == 1 ? 30 : 5, [&](uint32_t id) {
            ticks.push_back(app.TickMs());
            app.StopTimer(id);
        });
    };
    app.StartTimer(10, tick);
    app.AdvanceTime(100);
    EXPECT_EQ(ticks, (std::vector<int64_t> { 10, 40 }));
}

TEST_F(FakeUi, ExceptionsOfHandlersReachTheApplicationAndTheLoopGoesOn)
{
    int ticks = 0;
    app.StartTimer(10, [&](uint32_t) {
        if (++ticks == 1)
            throw std::runtime_error("tick failed");
    });
    app.Post([] { throw std::runtime_error("post failed"); });
    bool later = false;
    app.Post([&] { later = true; });
    app.AdvanceTime(30);
    EXPECT_TRUE(later);
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(app.ShownErrors(), (Lines { "post failed", "tick failed" }));

    Lines hooked;
    app.SetOnException([&](const std::string& m) { hooked.push_back(m); });
    app.Post([] { throw 42; });
    app.ProcessMessages();
    EXPECT_EQ(hooked, Lines { "Unknown error" });
    EXPECT_EQ(app.ShownErrors().size(), 2u);
}

// Posted calls and hand-overs -----------------------------------------------------------------

TEST_F(FakeUi, PostedCallsRunInPostingOrderAndCanBeWithdrawn)
{
    Lines log;
    app.Post([&] {
        log.push_back("a");
        app.Post([&] { log.push_back("posted by a"); });
    });
    const PostId b = app.Post([&] { log.push_back("b"); });
    app.Post([&] { log.push_back("c"); });
    EXPECT_TRUE(app.CancelPost(b));
    EXPECT_FALSE(app.CancelPost(b));
    const PostId d = app.Post([&] { log.push_back("d"); });
    app.ProcessMessages();
    EXPECT_EQ(log, (Lines { "a", "c", "d", "posted by a" }));
    EXPECT_FALSE(app.CancelPost(d)); // already ran
    EXPECT_EQ(app.Post(Task()), 0u);
}

TEST_F(FakeUi, HandOversFromWorkersRunOnTheGuiThread)
{
    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<int> started { 0 };
    int handed = 0;
    bool allOnGui = true;
    constexpr int kWorkers = 8;
    for (int i = 0; i < kWorkers; ++i) {
        ASSERT_TRUE(StartWorker([&] {
            ++started;
            app.HandOver([&] {
                ++handed;
                allOnGui = allOnGui && std::this_thread::get_id() == gui;
            });
        }));
    }
    WaitForWorkers();
    EXPECT_EQ(started.load(), kWorkers);
    EXPECT_EQ(handed, 0); // nothing runs until the GUI thread's loop turns
    app.ProcessMessages();
    EXPECT_EQ(handed, kWorkers);
    EXPECT_TRUE(allOnGui);
}

TEST_F(FakeUi, HandOversAfterShutDownBeganAreFreedWithoutRunning)
{
    int destroyed = 0;
    bool ran = false;
    app.HandOver([&ran, probe = std::make_shared<Probe>(destroyed)] { ran = true; });
    app.BeginShutdown();
    EXPECT_EQ(destroyed, 1);
    app.HandOver([&ran, probe = std::make_shared<Probe>(destroyed)] { ran = true; });
    EXPECT_EQ(destroyed, 2);
    app.ProcessMessages();
    EXPECT_FALSE(ran);
}

TEST_F(FakeUi, WorkersRunWithTheirOwnStackAtIdlePriority)
{
    size_t stack = 0;
    int policy = -1;
    int nice = 0;
    ASSERT_TRUE(StartWorker([&] {
        pthread_attr_t attr;
        pthread_getattr_np(pthread_self(), &attr);
        pthread_attr_getstacksize(&attr, &stack);
        pthread_attr_destroy(&attr);
        policy = sched_getscheduler(0);
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    }));
    WaitForWorkers();
    EXPECT_GE(stack, 4194304u);
    EXPECT_TRUE(policy == SCHED_IDLE || nice == 19) << policy << " " << nice;
    EXPECT_EQ(RunningWorkers(), 0);
}

TEST_F(FakeUi, AWorkersExceptionReachesTheGuiThreadsHandler)
{
    ASSERT_TRUE(StartWorker([] { throw std::runtime_error("decoder crashed"); }));
    WaitForWorkers();
    EXPECT_TRUE(app.ShownErrors().empty());
    app.ProcessMessages();
    EXPECT_EQ(app.ShownErrors(), Lines { "decoder crashed" });
}

TEST_F(FakeUi, CoalescedCallRunsOncePerTurnAndAgainWhenAskedWhileRunning)
{
    int runs = 0;
    std::unique_ptr<CoalescedCall> call;
    call = std::make_unique<CoalescedCall>([&] {
        if (++runs == 1)
            call->Request(); // a change made while rendering needs another frame
    });
    for (int i = 0; i < 10; ++i)
        call->Request();
    EXPECT_TRUE(call->Pending());
    app.ProcessMessages();
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(call->Pending());

    call->Request();
    call.reset(); // its owner went before the turn came
    app.ProcessMessages();
    EXPECT_EQ(runs, 2);

    // The call frees its own owner.
    call = std::make_unique<CoalescedCall>([&] {
        ++runs;
        call.reset();
    });
    call->Request();
    app.ProcessMessages();
    EXPECT_EQ(runs, 3);
}

// Idle ------------------------------------------------------------------------------------------

TEST_F(FakeUi, AnIdleHandlerThatIsDoneWaitsForTheNextActivity)
{
    int idles = 0;
    app.SetOnIdle([&](bool& done) {
        ++idles;
        EXPECT_TRUE(done);
    });
    EXPECT_TRUE(app.ProcessOne());
    EXPECT_EQ(idles, 1);
    EXPECT_FALSE(app.ProcessOne()); // nothing happened since: no further call
    app.Post([] {});
    EXPECT_TRUE(app.ProcessOne()); // the posted call
    EXPECT_TRUE(app.ProcessOne()); // then idle again
    EXPECT_EQ(idles, 2);
    app.SetOnIdle(nullptr);
    app.Post([] {});
    app.ProcessOne();
    EXPECT_FALSE(app.ProcessOne());
}

TEST_F(FakeUi, AnIdleHandlerThatIsNotDoneKeepsRunningWhileTimersStillTick)
{
    int idles = 0;
    int ticks = 0;
    app.SetOnIdle([&](bool& done) {
        ++idles;
        done = false;
    });
    app.StartTimer(10, [&](uint32_t) { ++ticks; });
    app.RunUntil([&] { return ticks == 3; });
    EXPECT_FALSE(app.Stalled());
    EXPECT_GE(idles, 20);
}

TEST_F(FakeUi, WorkRunsInTheWindowSystemsOrder)
{
    ShowHost();
    Lines order;
    scene.onPaint = [&](PaintContext&) { order.push_back("paint"); };
    app.SetOnIdle([&](bool&) { order.push_back("idle"); });
    const uint64_t update = app.AddIdleUpdate([&] { order.push_back("update actions"); });
    // Everything becomes ready at once; one turn after another shows the order.
    app.StartTimer(1, [&](uint32_t id) {
        order.push_back("timer");
        app.StopTimer(id);
    });
    host->InvalidateAll();
    app.Post([&] { order.push_back("posted"); });
    app.SetTime(app.TickMs() + 1);
    app.RunUntil([&] { return order.size() >= 5; });
    EXPECT_EQ(order, (Lines { "posted", "paint", "timer", "update actions", "idle" }));
    app.RemoveIdleUpdate(update);
}

// Loops -----------------------------------------------------------------------------------------

TEST_F(FakeUi, ANestedLoopEndsWhenItsWatchedObjectIsFreed)
{
    auto watched = std::make_unique<Lifetime>();
    app.StartTimer(50, [&](uint32_t id) {
        watched.reset();
        app.StopTimer(id);
    });
    app.RunUntil([] { return false; }, watched->GetWatch());
    EXPECT_FALSE(watched);
    EXPECT_FALSE(app.Stalled());
    EXPECT_EQ(app.TickMs(), 50);
}

TEST_F(FakeUi, ANestedLoopEndsWhenItsWatchedComponentIsFreed)
{
    rtl::TOwned<rtl::TComponent> owned(new rtl::TComponent(nullptr));
    rtl::TComponent* component = owned.release();
    const rtl::Watch<rtl::TComponent> watch(component);
    app.StartTimer(20, [&](uint32_t id) {
        rtl::DeferFree(component); // freed on a later turn, by a posted call
        app.StopTimer(id);
    });
    app.RunUntil([] { return false; }, watch);
    EXPECT_FALSE(watch);
    EXPECT_FALSE(app.Stalled());
}

TEST(FakeApplication, ComponentsDeferredToATurnThatNeverComesAreFreedAtShutDown)
{
    rtl::TComponent* component = nullptr;
    {
        FakeApplication app;
        component = new rtl::TComponent(nullptr);
        rtl::DeferFree(component);
        const rtl::Watch<rtl::TComponent> watch(component);
        EXPECT_TRUE(watch);
    } // the leak checker reports the component when it is not freed here
    EXPECT_EQ(rtl::ProcessDeferred(), 0);
}

TEST_F(FakeUi, TerminateEndsEveryNestedLoop)
{
    int innerEnded = 0;
    app.Post([&] {
        app.RunUntil([] { return false; }); // a modal loop
        ++innerEnded;
    });
    app.StartTimer(10, [&](uint32_t) { app.Terminate(); });
    app.Run();
    EXPECT_TRUE(app.Terminated());
    EXPECT_EQ(innerEnded, 1);
}

TEST_F(FakeUi, ALoopWithNothingLeftToWaitForGivesUpInsteadOfHanging)
{
    app.RunUntil([] { return false; });
    EXPECT_TRUE(app.Stalled());
}

// Hosts and painting ----------------------------------------------------------------------------

TEST_F(FakeUi, AHostGetsItsWindowOnceVisibleOnAShownForm)
{
    FormOptions options;
    options.position = Point { 10, 20 };
    form = app.CreateForm(options);
    host = form->CreateHost(scene, Rect { 5, 5, 45, 35 });
    host->Invalidate(Rect { 0, 0, 10, 10 }); // no window yet: dropped
    form->Show();
    app.ProcessMessages();
    EXPECT_FALSE(host->HasWindow()); // still hidden
    EXPECT_EQ(scene.paints, 0);
    host->SetVisible(true);
    EXPECT_TRUE(host->HasWindow());
    app.ProcessMessages();
    EXPECT_EQ(scene.Take(), (Lines { "created", "resized 40x30" }));
    EXPECT_EQ(scene.paints, 1);
    EXPECT_EQ(scene.lastPaintRects, (std::vector<Rect> { { 0, 0, 40, 30 } }));
    EXPECT_EQ(host->ClientToScreen({ 1, 2 }), (Point { 16, 27 }));
    EXPECT_EQ(host->ScreenToClient({ 16, 27 }), (Point { 1, 2 }));
}

TEST_F(FakeUi, InvalidationsBetweenPaintsMergeIntoOnePaint)
{
    ShowHost();
    for (int i = 0; i < 10; ++i)
        host->Invalidate(Rect { 2, 2, 8, 8 });
    host->Invalidate(Rect { 1, 1, 9, 9 }); // swallows the ones above
    host->Invalidate(Rect { 30, 20, 60, 60 }); // clipped to the host
    host->Invalidate(Rect { 50, 50, 60, 60 }); // outside: nothing
    app.ProcessMessages();
    EXPECT_EQ(scene.paints, 1);
    EXPECT_EQ(scene.lastPaintRects, (std::vector<Rect> { { 1, 1, 9, 9 }, { 30, 20, 40, 30 } }));
}

TEST_F(FakeUi, PresentedFramesShowOnlyInsideTheUpdateRectangles)
{
    ShowHost();
    Frame red(40, 30, 0xFFFF0000);
    scene.onPaint = [&](PaintContext& pc) { EXPECT_TRUE(pc.Present(red.View())); };
    host->Invalidate(Rect { 0, 0, 10, 10 });
    app.ProcessMessages();
    EXPECT_EQ(Fake().ShownPixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(Fake().ShownPixel(20, 20), 0u);

    // A half-transparent frame over what is there, at an offset.
    Frame glass(10, 10, 0x80000080); // premultiplied half blue
    scene.onPaint = [&](PaintContext& pc) {
        pc.Present(glass.View(), Point { 5, 5 }, PaintContext::Blend::Over);
    };
    host->InvalidateAll();
    app.ProcessMessages();
    EXPECT_EQ(Fake().ShownPixel(6, 6), 0xFF7F0080u);
    EXPECT_EQ(Fake().ShownPixel(20, 20), 0u);

    scene.onPaint = [&](PaintContext& pc) {
        EXPECT_FALSE(pc.Present(FrameView { nullptr, 4, 4, 16 }));
        EXPECT_FALSE(pc.Present(FrameView { reinterpret_cast<const uint8_t*>(red.pixels.data()), 4, 4, 15 }));
    };
    host->InvalidateAll();
    app.ProcessMessages();
}

TEST_F(FakeUi, ResizingNotifiesOnceAndRepaintsTheWholeHost)
{
    ShowHost();
    host->SetBounds(Rect { 0, 0, 60, 50 });
    host->SetBounds(Rect { 0, 0, 70, 40 });
    app.ProcessMessages();
    EXPECT_EQ(scene.Take(), Lines { "resized 70x40" });
    EXPECT_EQ(scene.lastPaintRects, (std::vector<Rect> { { 0, 0, 70, 40 } }));
    host->SetBounds(Rect { 10, 10, 80, 50 }); // moved, same size
    app.ProcessMessages();
    EXPECT_TRUE(scene.Take().empty());

    struct FormLog : FormEvents {
        Lines log;
        void FormResized(int32_t w, int32_t h) override
        {
            log.push_back(std::to_string(w) + "x" + std::to_string(h));
        }
    } formLog;
    form->SetEvents(&formLog);
    form->SetClientSize(200, 100);
    app.ProcessMessages();
    EXPECT_EQ(formLog.log, Lines { "200x100" });
    form->SetEvents(nullptr);
}

TEST_F(FakeUi, AHandlerThatThrowsWhilePaintingDoesNotStopLaterPaints)
{
    ShowHost();
    scene.onPaint = [](PaintContext&) { throw std::runtime_error("frame failed"); };
    host->InvalidateAll();
    app.ProcessMessages();
    scene.onPaint = nullptr;
    host->InvalidateAll();
    app.ProcessMessages();
    EXPECT_EQ(scene.paints, 2);
    EXPECT_EQ(app.ShownErrors(), Lines { "frame failed" });
}

// Input -----------------------------------------------------------------------------------------

TEST_F(FakeUi, MouseInputFollowsTheToolkitsRules)
{
    ShowHost();
    using T = RawButtonEvent::Type;
    RawModifiers left;
    left.button1 = true;
    RawModifiers shiftLeft = left;
    shiftLeft.shift = true;
    Fake().Inject(Button(T::Press, 1, 10.6, 12.2, 1000));
    Fake().Inject(Button(T::Release, 1, 10, 12, 1050, left));
    Fake().Inject(Button(T::Press, 1, 11, 12, 1100));
    Fake().Inject(Button(T::DoublePress, 1, 11, 12, 1100)); // the window system's own: ignored
    Fake().Inject(Button(T::Release, 1, 11, 12, 1150, left));
    Fake().Inject(Button(T::Press, 8, 11, 12, 1200)); // a "back" button
    Fake().Inject(Button(T::Press, 3, -3.5, 40, 5000, RawModifiers { .shift = true }));
    RawMotionEvent move;
    move.x = 20;
    move.y = 21;
    move.modifiers = shiftLeft;
    Fake().Inject(move);
    EXPECT_EQ(scene.Take(),
        (Lines { "down left [L] 10,12", "up left [] 10,12", "down left [LD] 11,12", "up left [] 11,12",
            "down right [SR] -4,40", "move [SL] 20,21" }));

    RawScrollEvent scroll;
    Fake().Inject(scroll);
    scroll.direction = RawScrollEvent::Direction::Down;
    Fake().Inject(scroll);
    scroll.direction = RawScrollEvent::Direction::Left;
    Fake().Inject(scroll);
    scroll.direction = RawScrollEvent::Direction::Smooth;
    scroll.deltaY = -0.5;
    Fake().Inject(scroll);
    EXPECT_EQ(scene.Take(), (Lines { "wheel 120 []", "wheel -120 []", "wheel 60 []" }));

    Fake().Inject(RawCrossingEvent { true, true, false }); // a grab began
    Fake().Inject(RawCrossingEvent { true, false, true }); // into a child window
    Fake().Inject(RawCrossingEvent { false, false, false }); // an enter
    Fake().Inject(RawCrossingEvent { true, false, false });
    EXPECT_EQ(scene.Take(), Lines { "leave" });
}

TEST_F(FakeUi, KeysReachTheSceneThenTypeCharactersOnlyWhenNotConsumed)
{
    ShowHost();
    RawModifiers ctrl;
    ctrl.ctrl = true;
    struct Case {
        const char* what;
        RawKeyEvent key;
        bool consume;
        std::optional<std::string> imCommit;
        Lines expected;
    } cases[] = {
        { "a letter", Key("a"), false, std::nullopt, { "keydown 65 []", "char 97" } },
        { "Ctrl+C types 3", Key("c", true, ctrl), false, std::nullopt, { "keydown 67 [C]", "char 3" } },
        { "Return", Key("Return"), false, std::nullopt, { "keydown 13 []", "char 13" } },
        { "a consumed Return types nothing", Key("Return"), true, std::nullopt, { "keydown 13 []" } },
        { "a consumed letter types nothing", Key("b"), true, std::nullopt, { "keydown 66 []" } },
        { "Tab", Key("Tab"), false, std::nullopt, { "keydown 9 []", "char 9" } },
        { "F1 types nothing", Key("F1"), false, std::nullopt, { "keydown 112 []" } },
        { "a dead key is the input method's", Key("dead_acute"), false, std::string(), {} },
        { "a composed character", Key("e"), false, std::string("\xC3\xA9"), { "keydown 69 []", "char 233" } },
        { "a character outside the BMP arrives as two units", Key("x"), false,
            std::string("\xF0\x9F\x98\x80"), { "keydown 88 []", "char 55357", "char 56832" } },
        { "a release", Key("a", false), false, std::nullopt, { "keyup 65 []" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scene.onKeyDown = [&](uint16_t& key) {
            if (c.consume)
                key = 0;
        };
        Fake().InjectKey(c.key, c.imCommit);
        EXPECT_EQ(scene.Take(), c.expected);
    }
}

TEST_F(FakeUi, AHandlerMayFreeTheHostWhileItsEventRuns)
{
    ShowHost();
    scene.onKeyDown = [&](uint16_t&) { host.reset(); };
    Fake().InjectKey(Key("Return")); // no character may follow on the freed host
    EXPECT_FALSE(host);
    EXPECT_EQ(scene.Take(), Lines { "keydown 13 []" });

    ShowHost();
    scene.onKeyDown = nullptr;
    scene.onMouseDown = [&] { host.reset(); };
    auto* fake = &Fake();
    fake->Inject(Button(RawButtonEvent::Type::Press, 1, 1, 1, 0));
    EXPECT_FALSE(host);
}

TEST_F(FakeUi, FocusAndCaptureFollowTheHost)
{
    ShowHost();
    host->SetFocus();
    EXPECT_TRUE(host->HasFocus());
    Recorder other;
    auto second = form->CreateHost(other, Rect { 50, 0, 60, 10 });
    second->SetVisible(true);
    second->SetFocus();
    EXPECT_FALSE(host->HasFocus());
    EXPECT_EQ(scene.Take(), (Lines { "focus in", "focus out" }));
    host->SetCapture(true);
    Fake().InjectGrabBroken();
    EXPECT_EQ(scene.Take(), Lines { "capture lost" });
}

// Layered forms ---------------------------------------------------------------------------------

TEST_F(FakeUi, LayeredFormsKeepTheirOutlineWithoutACompositor)
{
    FormOptions options;
    options.layered = true;
    auto layered = app.CreateForm(options);
    Frame frame(4, 2, 0x00000000);
    frame.Fill(Rect { 1, 0, 3, 1 }, 0xFF00FF00); // opaque green
    frame.Fill(Rect { 3, 0, 4, 1 }, 0x40004000); // a soft edge, a quarter opaque
    frame.Fill(Rect { 0, 1, 4, 2 }, 0x80800000); // half-opaque red
    layered->SetLayeredFill(0x00FFFFFF); // a transparent fill shows black
    ASSERT_TRUE(layered->UpdateLayered(frame.View(), Point { 300, 200 }));
    auto& fake = static_cast<FakeForm&>(*layered);
    EXPECT_EQ(layered->GetPosition(), (Point { 300, 200 }));
    EXPECT_EQ(layered->ClientWidth(), 4);
    EXPECT_EQ(fake.Shape(), (std::vector<Rect> { { 1, 0, 3, 1 }, { 0, 1, 4, 2 } }));
    EXPECT_EQ(fake.ShownPixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(fake.ShownPixel(3, 0), 0xFF004000u); // blended over black
    EXPECT_EQ(fake.ShownPixel(0, 1), 0xFF800000u);

    layered->SetLayeredFill(0xFF0000FF);
    EXPECT_EQ(fake.ShownPixel(3, 0), 0xFF0040BFu); // over the blue fill

    app.SetComposited(true);
    ASSERT_TRUE(layered->UpdateLayered(frame.View(), Point { 300, 200 }));
    EXPECT_EQ(fake.Shape(),
        (std::vector<Rect> { { 1, 0, 4, 1 }, { 0, 1, 4, 2 } })); // every visible pixel takes clicks
    EXPECT_EQ(fake.ShownPixel(3, 0), 0x40004000u);

    auto plain = app.CreateForm(FormOptions {});
    EXPECT_FALSE(plain->UpdateLayered(frame.View(), Point {}));
    EXPECT_FALSE(layered->UpdateLayered(FrameView {}, Point {}));
}

// Drops from other applications -----------------------------------------------------------------

TEST_F(FakeUi, ExternalDragsEnterOnceThenMoveAndDrop)
{
    ShowHost();
    DropData files;
    files.files = { u"/a.png", u"/b.png" };
    EXPECT_EQ(Fake().SimulateDragOver(files, { 1, 1 }), DropEffect::Link);
    EXPECT_EQ(Fake().SimulateDragOver(files, { 2, 2 }), DropEffect::Link);
    EXPECT_TRUE(Fake().SimulateDrop(files, { 3, 3 }));
    EXPECT_EQ(scene.Take(), (Lines { "drag enter 2", "drag over 1,1", "drag over 2,2", "drop 3,3" }));
    ASSERT_EQ(scene.drops.size(), 1u);
    EXPECT_EQ(scene.drops[0].files, files.files);

    scene.acceptDrags = false; // a scene without a root refuses
    EXPECT_EQ(Fake().SimulateDragOver(files, { 1, 1 }), DropEffect::None);
    EXPECT_EQ(Fake().SimulateDragOver(files, { 2, 2 }), DropEffect::None);
    EXPECT_FALSE(Fake().SimulateDrop(files, { 2, 2 }));
    EXPECT_EQ(scene.Take(), Lines { "drag enter 2" });

    scene.acceptDrags = true;
    Fake().SimulateDragOver(files, { 1, 1 });
    Fake().SimulateDragLeave();
    EXPECT_EQ(scene.Take(), (Lines { "drag enter 2", "drag over 1,1", "drag leave" }));
}

// In-process drags ------------------------------------------------------------------------------

class FakeDrag : public FakeUi {
protected:
    void SetUp() override
    {
        ShowHost(Rect { 0, 0, 40, 30 }); // source: screen (100,50)-(140,80)
        FormOptions options;
        options.position = Point { 300, 50 };
        targetForm = app.CreateForm(options);
        targetHost = targetForm->CreateHost(target, Rect { 0, 0, 50, 50 }); // screen (300,50)-(350,100)
        targetHost->SetVisible(true);
        targetForm->Show();
        app.ProcessMessages();
        target.Take();
        scene.logMoves = false;
    }
    void TearDown() override
    {
        targetHost.reset();
        targetForm.reset();
    }
    void MoveTo(double screenX, double screenY)
    {
        RawMotionEvent move;
        move.x = screenX - 100;
        move.y = screenY - 50;
        move.modifiers.button1 = true;
        Fake().Inject(move);
    }
    void ReleaseAt(double screenX, double screenY)
    {
        RawModifiers left;
        left.button1 = true;
        Fake().Inject(Button(RawButtonEvent::Type::Release, 1, screenX - 100, screenY - 50, 0, left));
    }

    Recorder target;
    std::unique_ptr<Form> targetForm;
    std::unique_ptr<SceneHost> targetHost;
    std::vector<bool> ends;
};

TEST_F(FakeDrag, ADropLandsOnTheHostUnderTheReleaseWhenItAccepts)
{
    DragSession& session = DragSession::Begin(*host, std::string("picture.png"), [&](bool dropped) {
        ends.push_back(dropped);
        EXPECT_EQ(DragSession::Current(), nullptr);
    });
    EXPECT_EQ(std::any_cast<std::string>(session.Payload()), "picture.png");
    EXPECT_EQ(host->GetCursor(), cursor::kNoDrop);
    EXPECT_TRUE(host->HasCapture());
    MoveTo(310, 60);
    EXPECT_EQ(host->GetCursor(), cursor::kDrag);
    MoveTo(320, 70);
    ReleaseAt(320, 70);
    EXPECT_EQ(target.Take(),
        (Lines { "session over 10,10", "session over 20,20", "session over 20,20", "session drop 20,20" }));
    EXPECT_EQ(ends, std::vector<bool> { true });
    EXPECT_EQ(host->GetCursor(), 0);
    EXPECT_FALSE(host->HasCapture());
    EXPECT_TRUE(scene.Take().empty()); // the source's scene saw none of the drag's input
}

TEST_F(FakeDrag, LeavingTheTargetOrRefusalMeansNoDrop)
{
    target.acceptSession = false;
    DragSession::Begin(*host, 1, [&](bool dropped) { ends.push_back(dropped); });
    MoveTo(310, 60);
    EXPECT_EQ(host->GetCursor(), cursor::kNoDrop);
    target.acceptSession = true;
    MoveTo(310, 60);
    MoveTo(200, 200); // over no host of ours
    EXPECT_EQ(host->GetCursor(), cursor::kNoDrop);
    ReleaseAt(200, 200);
    EXPECT_EQ(target.Take(), (Lines { "session over 10,10", "session over 10,10", "session leave" }));
    EXPECT_EQ(ends, std::vector<bool> { false });
}

TEST_F(FakeDrag, EscapeCancelsTheDrag)
{
    DragSession::Begin(*host, 1, [&](bool dropped) { ends.push_back(dropped); });
    MoveTo(310, 60);
    Fake().InjectKey(Key("Escape"));
    EXPECT_EQ(target.Take(), (Lines { "session over 10,10", "session leave" }));
    EXPECT_EQ(ends, std::vector<bool> { false });
    EXPECT_TRUE(scene.Take().empty());
    EXPECT_EQ(DragSession::Current(), nullptr);
}

TEST_F(FakeDrag, HostsFreedDuringTheDragAreForgotten)
{
    DragSession::Begin(*host, 1, [&](bool dropped) { ends.push_back(dropped); });
    MoveTo(310, 60);
    targetHost.reset();
    MoveTo(320, 60);
    ReleaseAt(320, 60);
    EXPECT_EQ(ends, std::vector<bool> { false });

    // The source goes: the session ends with it.
    targetHost = targetForm->CreateHost(target, Rect { 0, 0, 50, 50 });
    targetHost->SetVisible(true);
    DragSession::Begin(*host, 1, [&](bool dropped) { ends.push_back(dropped); });
    MoveTo(310, 60);
    host.reset();
    EXPECT_EQ(DragSession::Current(), nullptr);
    EXPECT_EQ(ends, (std::vector<bool> { false, false }));
}

TEST_F(FakeDrag, TheEndHandlerMayStartAnotherDrag)
{
    target.acceptSession = true;
    int started = 0;
    std::function<void(bool)> onEnd = [&](bool dropped) {
        ends.push_back(dropped);
        if (++started == 1)
            DragSession::Begin(*host, 2, onEnd);
    };
    DragSession::Begin(*host, 1, onEnd);
    MoveTo(310, 60);
    ASSERT_NE(DragSession::Current(), nullptr);
    DragSession::Current()->Cancel();
    ASSERT_NE(DragSession::Current(), nullptr); // the second drag
    EXPECT_EQ(std::any_cast<int>(DragSession::Current()->Payload()), 2);
    DragSession::Current()->Cancel();
    EXPECT_EQ(ends, (std::vector<bool> { false, false }));
}
