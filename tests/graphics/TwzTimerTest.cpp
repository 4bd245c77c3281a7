#include "graphics/TwzTimer.h"

#include "graphics/ObjectText.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

using platform::ui::FakeApplication;

namespace {

// Collects the ticks of the timers bound to it, with the virtual time of each.
class TTickLog : public rtl::TObject {
public:
    explicit TTickLog(FakeApplication& app)
        : m_app(app)
    { }

    void Tick(rtl::TObject* sender)
    {
        times.push_back(m_app.TickMs());
        senders.push_back(sender);
        if (onTick)
            onTick();
    }
    void OtherTick(rtl::TObject*) { ++otherTicks; }
    void Method() { ++methodCalls; }

    std::vector<int64_t> times;
    std::vector<rtl::TObject*> senders;
    std::function<void()> onTick;
    int otherTicks = 0;
    int methodCalls = 0;

private:
    FakeApplication& m_app;
};

rtl::TNotifyEvent TickOf(TTickLog& log)
{
    rtl::TNotifyEvent e;
    e.Bind<&TTickLog::Tick>(&log);
    return e;
}

TwzTimerMethod MethodOf(TTickLog& log)
{
    TwzTimerMethod m;
    m.Bind<&TTickLog::Method>(&log);
    return m;
}

// A timer read from a stream: its handler is bound by its constructor (as the animation
// clocks do) and it publishes its interval, so a stored value arrives while it is loading.
class TStreamedTimer : public TwzTimer {
    RTL_CLASS(TStreamedTimer, TwzTimer)
public:
    explicit TStreamedTimer(rtl::TComponent* owner)
        : TwzTimer(owner)
    {
        rtl::TNotifyEvent e;
        e.Bind<&TStreamedTimer::Counted>(this);
        SetOnTimer(e);
    }
    void SetInterval(uint32_t value) override
    {
        Inherited::SetInterval(value);
        idAfterStoredInterval = GetTimerId();
    }

    static inline int ticks = 0;
    int64_t idAfterStoredInterval = 0;

private:
    void Counted(rtl::TObject*) { ++ticks; }
};

constexpr rtl::TPropInfo kStreamedTimerProps[] = {
    RTL_PROP(TStreamedTimer, Interval, Integer, 1000u),
};

} // namespace

RTL_IMPLEMENT_CLASS(TStreamedTimer, .props = kStreamedTimerProps)

namespace {

class TimerTest : public ::testing::Test {
protected:
    void TearDown() override { FreeTimerRegistry(); }

    TwzTimer* MakeTimer(uint32_t interval)
    {
        auto* timer = new TwzTimer(owner.get());
        timer->SetInterval(interval);
        timer->SetOnTimer(TickOf(log));
        return timer;
    }

    FakeApplication app;
    TTickLog log { app };
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
};

} // namespace

TEST_F(TimerTest, TicksEveryIntervalOnTheLoopWithTheTimerAsSender)
{
    TwzTimer* timer = MakeTimer(100);
    EXPECT_NE(timer->GetTimerId(), -1);
    app.AdvanceTime(350);
    EXPECT_EQ(log.times, (std::vector<int64_t> { 100, 200, 300 }));
    ASSERT_FALSE(log.senders.empty());
    EXPECT_EQ(log.senders.front(), timer);
}

TEST_F(TimerTest, NoTimerRunsUntilEveryConditionHolds)
{
    // A new timer is enabled with an interval of 1000, but waits for its handler.
    auto* timer = new TwzTimer(owner.get());
    EXPECT_EQ(timer->GetInterval(), 1000u);
    EXPECT_TRUE(timer->GetEnabled());
    EXPECT_EQ(timer->GetTimerId(), -1);
    EXPECT_EQ(TimerRegistryCount(), 0);
    timer->SetOnTimer(TickOf(log));
    EXPECT_NE(timer->GetTimerId(), -1);
    EXPECT_EQ(TimerRegistryCount(), 1);
}

TEST_F(TimerTest, EachStoppingChangeStopsTheTimer)
{
    struct Case {
        const char* name;
        std::function<void(TwzTimer&)> change;
    };
    const Case cases[] = {
        { "interval 0", [](TwzTimer& t) { t.SetInterval(0); } },
        { "disabled", [](TwzTimer& t) { t.SetEnabled(false); } },
        { "handler cleared", [](TwzTimer& t) { t.SetOnTimer({}); } },
        { "killed", [](TwzTimer& t) { t.KillTimer(); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.times.clear();
        TwzTimer* timer = MakeTimer(50);
        app.AdvanceTime(60);
        ASSERT_EQ(log.times.size(), 1u);
        c.change(*timer);
        EXPECT_EQ(timer->GetTimerId(), -1);
        EXPECT_EQ(TimerRegistryCount(), 0);
        app.AdvanceTime(500);
        EXPECT_EQ(log.times.size(), 1u);
        timer->Free();
    }
}

TEST_F(TimerTest, ARealChangeRestartsAFullIntervalAndAnEqualValueChangesNothing)
{
    struct Case {
        const char* name;
        std::function<void(TwzTimer&)> change;
        int64_t firstTick; // the timer starts with interval 100 and is changed 60 ms later
    };
    const Case cases[] = {
        { "same interval", [](TwzTimer& t) { t.SetInterval(100); }, 100 },
        { "same enabled", [](TwzTimer& t) { t.SetEnabled(true); }, 100 },
        { "new interval", [](TwzTimer& t) { t.SetInterval(30); }, 90 },
        { "re-enabled",
            [](TwzTimer& t) {
                t.SetEnabled(false);
                t.SetEnabled(true);
            },
            160 },
        { "updated", [](TwzTimer& t) { t.UpdateTimer(); }, 160 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        log.times.clear();
        const int64_t start = app.TickMs();
        TwzTimer* timer = MakeTimer(100);
        app.AdvanceTime(60);
        c.change(*timer);
        app.AdvanceTime(200);
        ASSERT_FALSE(log.times.empty());
        EXPECT_EQ(log.times.front() - start, c.firstTick);
        timer->Free();
    }
}

TEST_F(TimerTest, AHandlerOfTheSameMethodKeepsTheCurrentObject)
{
    TTickLog other(app);
    TwzTimer* timer = MakeTimer(100);
    timer->SetOnTimer(TickOf(other));
    EXPECT_EQ(timer->GetOnTimer().Target(), &log);
    app.AdvanceTime(100);
    EXPECT_EQ(log.times.size(), 1u);
    EXPECT_TRUE(other.times.empty());

    // Another method replaces the handler and restarts the timer.
    rtl::TNotifyEvent otherMethod;
    otherMethod.Bind<&TTickLog::OtherTick>(&log);
    timer->SetOnTimer(otherMethod);
    app.AdvanceTime(100);
    EXPECT_EQ(log.otherTicks, 1);
    EXPECT_EQ(log.times.size(), 1u);
}

TEST_F(TimerTest, ADestroyedTimerNeverTicksAgain)
{
    TwzTimer* timer = MakeTimer(100);
    app.AdvanceTime(150);
    timer->Free();
    EXPECT_EQ(TimerRegistryCount(), 0);
    app.AdvanceTime(1000);
    EXPECT_EQ(log.times.size(), 1u);
}

TEST_F(TimerTest, AHandlerMayFreeItsOwnTimerOrStartAnother)
{
    TwzTimer* timer = MakeTimer(100);
    TwzTimer* second = nullptr;
    log.onTick = [&] {
        if (timer) {
            timer->Free();
            timer = nullptr;
            second = MakeTimer(40);
        }
    };
    app.AdvanceTime(100);
    EXPECT_EQ(timer, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(TimerRegistryCount(), 1);
    app.AdvanceTime(100);
    // The freed timer's source went with it; only the new one ticks.
    EXPECT_EQ(log.times, (std::vector<int64_t> { 100, 140, 180 }));
}

TEST_F(TimerTest, ATimerLoadedFromAStreamStartsOnlyOnceLoaded)
{
    rtl::RegisterClass<TStreamedTimer>();
    TStreamedTimer::ticks = 0;
    const std::string_view text = "object Clock: TStreamedTimer\n  Interval = 40\nend\n";
    rtl::TConstMemoryStream in(text.data(), text.size());
    rtl::TMemoryStream binary;
    ObjectTextToStream(in, binary);
    binary.SetPosition(0);
    auto* timer = static_cast<TStreamedTimer*>(rtl::ReadComponentFromStream(binary, nullptr, owner.get()));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->idAfterStoredInterval, -1);
    EXPECT_NE(timer->GetTimerId(), -1);
    EXPECT_EQ(TimerRegistryCount(), 1);
    app.AdvanceTime(100);
    EXPECT_EQ(TStreamedTimer::ticks, 2);
}

TEST_F(TimerTest, ADesignedTimerDoesNotRun)
{
    auto* timer = new TwzTimer(owner.get());
    owner->SetDesigning(true);
    timer->SetOnTimer(TickOf(log));
    EXPECT_EQ(timer->GetTimerId(), -1);
    owner->SetDesigning(false);
    timer->UpdateTimer();
    EXPECT_NE(timer->GetTimerId(), -1);
}

TEST_F(TimerTest, RegistryRefusesWhatCannotTickAndIgnoresStaleIds)
{
    EXPECT_EQ(RegisterTimer(0, MethodOf(log)), 0u);
    EXPECT_EQ(RegisterTimer(-5, MethodOf(log)), 0u);
    EXPECT_EQ(RegisterTimer(10, TwzTimerMethod {}), 0u);
    EXPECT_EQ(TimerRegistryCount(), 0);

    const uint32_t id = RegisterTimer(10, MethodOf(log));
    ASSERT_NE(id, 0u);
    app.AdvanceTime(10);
    EXPECT_EQ(log.methodCalls, 1);
    EXPECT_TRUE(UnregisterTimer(id));
    EXPECT_FALSE(UnregisterTimer(id));
    TimerCallback(id); // a tick that was already on its way
    EXPECT_EQ(log.methodCalls, 1);
}

TEST_F(TimerTest, TheRegistryFreedAtShutDownLeavesLaterTicksHarmless)
{
    const uint32_t id = RegisterTimer(10, MethodOf(log));
    ASSERT_NE(id, 0u);
    FreeTimerRegistry();
    EXPECT_EQ(TimerRegistryCount(), 0);
    app.AdvanceTime(30);
    EXPECT_EQ(log.methodCalls, 0);
    // Registering again makes a new registry.
    EXPECT_NE(RegisterTimer(10, MethodOf(log)), 0u);
    EXPECT_EQ(TimerRegistryCount(), 1);
}

TEST(TimerWithoutApplication, StaysStoppedWithoutAnError)
{
    struct THandler : rtl::TObject {
        void Tick(rtl::TObject*) { }
    } handler;
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* timer = new TwzTimer(owner.get());
    rtl::TNotifyEvent e;
    e.Bind<&THandler::Tick>(&handler);
    timer->SetOnTimer(e);
    EXPECT_EQ(timer->GetTimerId(), -1);
    EXPECT_EQ(TimerRegistryCount(), 0);
}
