#include "AnimationTestSupport.h"

#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzTriggers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

// An animation that records the progress of every value it writes.
class TRecordingAnimation : public TwzAnimation {
    RTL_CLASS(TRecordingAnimation, TwzAnimation)
public:
    explicit TRecordingAnimation(rtl::TComponent* owner)
        : TwzAnimation(owner)
    { }

    void ProcessAnimation() override { writes.push_back(NormalizedTime()); }
    void CountFinish(rtl::TObject*) { ++finishes; }

    std::vector<float> writes;
    int finishes = 0;
};

// An object with published Boolean states, as a control has, and one that is not Boolean.
class TStateObject : public TwzObject {
    RTL_CLASS(TStateObject, TwzObject)
public:
    explicit TStateObject(rtl::TComponent* owner)
        : TwzObject(owner)
    { }
    [[nodiscard]] bool GetIsMouseOver() const { return m_mouseOver; }
    void SetIsMouseOver(bool value) { m_mouseOver = value; }
    [[nodiscard]] bool GetIsPressed() const { return m_pressed; }
    void SetIsPressed(bool value) { m_pressed = value; }
    [[nodiscard]] int32_t GetCount() const { return m_count; }
    void SetCount(int32_t value) { m_count = value; }

private:
    bool m_mouseOver = false;
    bool m_pressed = false;
    int32_t m_count = 0;
};

constexpr rtl::TPropInfo kStateProps[] = {
    RTL_PROP(TStateObject, IsMouseOver, Boolean, false),
    RTL_PROP(TStateObject, IsPressed, Boolean, false),
    RTL_PROP(TStateObject, Count, Integer, 0),
};

} // namespace

RTL_IMPLEMENT_CLASS(TRecordingAnimation)
RTL_IMPLEMENT_CLASS(TStateObject, .props = kStateProps)

namespace {

class TwzAnimationClock : public AnimationTest {
protected:
    TRecordingAnimation* Make(TwzObject* parent, float duration = 0.2f)
    {
        auto* a = new TRecordingAnimation(form.get());
        a->SetParent(parent ? parent : root);
        a->SetDuration(duration);
        a->OnFinish.Bind<&TRecordingAnimation::CountFinish>(a);
        return a;
    }
};

void ExpectWrites(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5) << "write " << i;
}

TEST_F(TwzAnimationClock, TimeModelOverTicks)
{
    struct Case {
        const char* edge;
        bool loop, autoReverse, inverse;
        float delay;
        int ticks;
        std::vector<float> writes; // the value at Start, then one per tick that moved time
        bool runningAfter;
    };
    const Case cases[] = {
        { "one pass ends on the tick that reaches the duration", false, false, false, 0, 6,
            { 0, 0.25f, 0.5f, 0.75f, 1 }, false },
        { "a delay writes the start value, then waits whole ticks", false, false, false, 0.1f, 6,
            { 0, 0.25f, 0.5f, 0.75f, 1 }, false },
        { "inverse runs from the end to the start", false, false, true, 0, 5, { 1, 0.75f, 0.5f, 0.25f, 0 },
            false },
        { "a loop writes the wrapped start value, not the end", true, false, false, 0, 6,
            { 0, 0.25f, 0.5f, 0.75f, 0, 0.25f, 0.5f }, true },
        { "a loop with inverse wraps to the end", true, false, true, 0, 5,
            { 1, 0.75f, 0.5f, 0.25f, 1, 0.75f }, true },
        { "auto-reverse turns round at each end", true, true, false, 0, 9,
            { 0, 0.25f, 0.5f, 0.75f, 1, 0.75f, 0.5f, 0.25f, 0, 0.25f }, true },
        { "auto-reverse without loop is one pass", false, true, false, 0, 5, { 0, 0.25f, 0.5f, 0.75f, 1 },
            false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        TRecordingAnimation* a = Make(nullptr);
        a->SetLoop(c.loop);
        a->SetAutoReverse(c.autoReverse);
        a->SetInverse(c.inverse);
        a->SetDelay(c.delay);
        a->Start();
        EXPECT_TRUE(a->GetEnabled());
        ASSERT_NE(AniThread(), nullptr);
        EXPECT_TRUE(AniThread()->Contains(a));
        for (int i = 0; i < c.ticks; ++i)
            Advance(50);
        ExpectWrites(a->writes, c.writes);
        EXPECT_EQ(a->GetRunning(), c.runningAfter);
        EXPECT_EQ(a->finishes, c.runningAfter ? 0 : 1);
        EXPECT_EQ(AniThread()->Contains(a), c.runningAfter);
        EXPECT_TRUE(a->GetEnabled()); // a run that ends by itself leaves Enabled as it was
        a->Free();
    }
}

TEST_F(TwzAnimationClock, AutoReverseFlipsInverseAndStopEndsInTheDirectionInForce)
{
    TRecordingAnimation* a = Make(nullptr);
    a->SetLoop(true);
    a->SetAutoReverse(true);
    a->Start();
    for (int i = 0; i < 5; ++i)
        Advance(50);
    EXPECT_TRUE(a->GetInverse());
    a->writes.clear();
    a->Stop();
    ExpectWrites(a->writes, { 0 }); // running back: the end of this direction is the start
    EXPECT_FALSE(a->GetRunning());
    EXPECT_FALSE(a->GetEnabled());
    EXPECT_EQ(a->finishes, 1);
    EXPECT_FALSE(AniThread()->Contains(a));
    a->Stop(); // not running: nothing
    EXPECT_EQ(a->finishes, 1);
}

TEST_F(TwzAnimationClock, StopDuringTheDelayWritesTheEndValue)
{
    TRecordingAnimation* a = Make(nullptr);
    a->SetDelay(1);
    a->Start();
    Advance(50);
    a->Stop();
    ExpectWrites(a->writes, { 0, 1 });
}

TEST_F(TwzAnimationClock, StopAtCurrentKeepsTheValue)
{
    TRecordingAnimation* a = Make(nullptr);
    a->Start();
    Advance(50);
    a->StopAtCurrent();
    ExpectWrites(a->writes, { 0, 0.25f });
    EXPECT_FALSE(a->GetRunning());
    EXPECT_FALSE(a->GetEnabled());
    EXPECT_EQ(a->finishes, 1);
    Advance(50);
    EXPECT_EQ(a->writes.size(), 2u);
}

TEST_F(TwzAnimationClock, AnimationsThatCannotRunFinishAtOnce)
{
    struct Case {
        const char* edge;
        float duration;
        bool inScene, design, inverse;
        float written;
        float durationAfter;
    };
    const Case cases[] = {
        { "zero duration", 0, true, false, false, 1, 0.00001f },
        { "a duration below a millisecond", 0.0005f, true, false, false, 1, 0.00001f },
        { "inverse writes the start value", 0, true, false, true, 0, 0.00001f },
        // NOTE: a runnable duration is kept, so the animation runs once it has a scene.
        { "no scene yet", 0.5f, false, false, false, 1, 0.5f },
        { "a designed scene", 0.5f, true, true, false, 1, 0.5f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        scene->SetDesignTime(c.design);
        auto* loose = new TwzObject(form.get());
        TRecordingAnimation* a = Make(c.inScene ? root : loose, c.duration);
        a->SetInverse(c.inverse);
        a->Start();
        ExpectWrites(a->writes, { c.written });
        EXPECT_EQ(a->finishes, 1);
        EXPECT_FALSE(a->GetRunning());
        EXPECT_FALSE(a->GetEnabled());
        EXPECT_FLOAT_EQ(a->GetDuration(), c.durationAfter);
        EXPECT_EQ(AniThread(), nullptr); // the clock is made only by a normal start
        a->Free();
        loose->Free();
    }
}

TEST_F(TwzAnimationClock, HiddenParentStartsNothingAndStopsARunOnTheNextTick)
{
    auto* panel = new TwzVisualObject(form.get());
    panel->SetParent(root);
    TRecordingAnimation* a = Make(panel);
    a->Start();
    panel->SetVisible(false);
    Advance(50);
    ExpectWrites(a->writes, { 0, 1 });
    EXPECT_EQ(a->finishes, 1);
    EXPECT_FALSE(a->GetRunning());

    a->writes.clear();
    a->Start();
    EXPECT_TRUE(a->writes.empty());
    EXPECT_FALSE(a->GetRunning());
}

TEST_F(TwzAnimationClock, EnabledStartsAndStopsOnlyOnChange)
{
    TRecordingAnimation* a = Make(nullptr);
    a->SetEnabled(true);
    EXPECT_TRUE(a->GetRunning());
    for (int i = 0; i < 4; ++i)
        Advance(50);
    EXPECT_FALSE(a->GetRunning());
    a->SetEnabled(true); // still True after the run: nothing
    EXPECT_FALSE(a->GetRunning());
    a->SetEnabled(false);
    a->SetEnabled(true);
    EXPECT_TRUE(a->GetRunning());
    a->SetEnabled(false);
    EXPECT_FALSE(a->GetRunning());
    EXPECT_EQ(a->writes.back(), 1);
}

TEST_F(TwzAnimationClock, TicksWithoutNewTimeDoNothingAndDesignModeFreezes)
{
    TRecordingAnimation* a = Make(nullptr);
    a->Start();
    Advance(50);
    Advance(0);
    AniThread()->Tick(AniThread()->GetLastTime() - 1); // a clock reading that went back
    EXPECT_EQ(a->writes.size(), 2u);
    EXPECT_NEAR(AniThread()->GetDeltaTime(), 0.05, 1e-9);
    scene->SetDesignTime(true);
    Advance(50);
    EXPECT_EQ(a->writes.size(), 2u);
}

TEST_F(TwzAnimationClock, CaretAdvancesEveryThirdTick)
{
    TRecordingAnimation* caret = Make(nullptr);
    caret->SetBindingName("Caret");
    caret->SetLoop(true);
    TRecordingAnimation* plain = Make(nullptr);
    plain->SetLoop(true);
    caret->Start();
    plain->Start();
    for (int i = 0; i < 6; ++i)
        Advance(20);
    EXPECT_EQ(caret->GetTag(), 6);
    ExpectWrites(caret->writes, { 0, 0.1f, 0.2f });
    EXPECT_EQ(plain->writes.size(), 7u);
}

// Each finish handler frees the animations given to it: the walk must neither touch freed
// animations nor tick any survivor twice.
class TFreeingHandler : public rtl::TComponent {
    RTL_CLASS(TFreeingHandler, rtl::TComponent)
public:
    using rtl::TComponent::TComponent;
    void Finished(rtl::TObject*)
    {
        for (TRecordingAnimation*& victim : victims) {
            if (victim)
                std::exchange(victim, nullptr)->Free();
        }
        if (freeClock)
            FreeAniThread();
    }
    std::vector<TRecordingAnimation*> victims;
    bool freeClock = false;
};

} // namespace

RTL_IMPLEMENT_CLASS(TFreeingHandler)

namespace {

TEST_F(TwzAnimationClock, AFinishHandlerMayFreeOtherAnimationsOrTheClock)
{
    auto* handler = new TFreeingHandler(form.get());
    std::vector<TRecordingAnimation*> all;
    for (int i = 0; i < 6; ++i)
        all.push_back(Make(nullptr, i == 5 ? 0.05f : 0.2f));
    for (TRecordingAnimation* a : all)
        a->Start();
    // The last is walked first; it finishes on the first tick and frees three below it.
    handler->victims = { all[4], all[1], all[0] };
    all[5]->OnFinish.Bind<&TFreeingHandler::Finished>(handler);
    Advance(50);
    EXPECT_EQ(AniThread()->Animations().size(), 2u);
    for (TRecordingAnimation* survivor : { all[2], all[3] })
        ExpectWrites(survivor->writes, { 0, 0.25f });

    all[2]->SetDuration(0.1f);
    handler->freeClock = true;
    all[2]->OnFinish.Bind<&TFreeingHandler::Finished>(handler);
    Advance(50);
    EXPECT_EQ(AniThread(), nullptr);
    // The next start makes a new clock, which ticks the animations started on it.
    all[3]->Start();
    ASSERT_NE(AniThread(), nullptr);
    Advance(50);
    EXPECT_NEAR(all[3]->writes.back(), 0.25f, 1e-5);
}

TEST_F(TwzAnimationClock, FreeingARunningAnimationTakesItOffTheClock)
{
    TRecordingAnimation* a = Make(nullptr);
    a->Start();
    a->Free();
    EXPECT_TRUE(AniThread()->Animations().empty());
    Advance(50);
}

// ---- trigger conditions ------------------------------------------------------------------

TEST(TwzTriggers, ConditionStrings)
{
    using ui2d::TriggerVerdict;
    rtl::TOwned<TStateObject> instance(new TStateObject(nullptr));
    instance->SetIsMouseOver(true);
    instance->SetIsPressed(true);
    struct Case {
        const char* conditions;
        const char* trigger;
        TriggerVerdict verdict;
    };
    const Case cases[] = {
        { "IsMouseOver=true", "IsMouseOver", TriggerVerdict::Holds },
        { "IsMouseOver=true;IsPressed=false", "IsPressed", TriggerVerdict::Failed },
        { "IsMouseOver=true;IsPressed=true", "IsPressed", TriggerVerdict::Holds },
        { "IsMouseOver=false;IsPressed=true", "IsMouseOver", TriggerVerdict::Failed },
        { "IsMouseOver=true;IsPressed=false", "IsChecked", TriggerVerdict::NotConcerned },
        { "IsMouseOver=true", "ismouse", TriggerVerdict::Holds }, // a sub-word concerns it
        { "  ISMOUSEOVER = TRUE ; ispressed=True ", "IsMouseOver", TriggerVerdict::Holds },
        { "IsChecked=true", "IsChecked", TriggerVerdict::NothingTested }, // no such property
        { "Count=true", "Count", TriggerVerdict::NothingTested }, // not a Boolean
        { "IsMouseOver=yes", "IsMouseOver", TriggerVerdict::Failed },
        { "IsMouseOver", "IsMouseOver", TriggerVerdict::Failed }, // no value is no "true"
        { "IsChecked=true;IsMouseOver=true", "IsChecked", TriggerVerdict::Holds },
        { "IsMouseOver=true;;IsPressed=false", "IsMouseOver", TriggerVerdict::Holds }, // ends at ";;"
        { ";IsMouseOver=true", "IsMouseOver", TriggerVerdict::NothingTested },
        { "", "IsMouseOver", TriggerVerdict::NotConcerned },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.conditions) + " / " + c.trigger);
        EXPECT_EQ(ui2d::EvaluateTrigger(c.conditions, instance.get(), c.trigger), c.verdict);
    }
    EXPECT_EQ(
        ui2d::EvaluateTrigger("IsMouseOver=true", nullptr, "IsMouseOver"), TriggerVerdict::NotConcerned);
}

TEST_F(TwzAnimationClock, TriggersStartTheAnimationsWhoseConditionsHold)
{
    auto* control = new TStateObject(form.get());
    root->AddObject(control);
    TRecordingAnimation* hover = Make(control);
    hover->SetTrigger("IsMouseOver=true;IsPressed=false");
    TRecordingAnimation* press = Make(control);
    press->SetTrigger("IsPressed=true");
    TRecordingAnimation* leave = Make(control);
    leave->SetTrigger("IsMouseOver=false");

    control->SetIsMouseOver(true);
    control->SetIsPressed(true);
    control->StartTriggerAnimation(control, "IsPressed");
    EXPECT_FALSE(hover->GetRunning());
    EXPECT_TRUE(press->GetRunning());
    EXPECT_FALSE(leave->GetRunning());

    control->SetIsPressed(false);
    control->StartTriggerAnimation(control, "IsPressed");
    EXPECT_TRUE(hover->GetRunning());
    EXPECT_FALSE(press->GetRunning()); // stopped first, and its condition fails now
    EXPECT_EQ(press->writes.back(), 1);

    control->StartTriggerAnimation(control, "IsChecked"); // concerns none: all stopped only
    EXPECT_FALSE(hover->GetRunning());
    EXPECT_FALSE(press->GetRunning());

    control->SetIsMouseOver(false);
    control->StartTriggerAnimation(control, "IsMouseOver");
    EXPECT_TRUE(leave->GetRunning());
    EXPECT_FALSE(hover->GetRunning());
}

} // namespace

namespace {

TEST_F(TwzAnimationClock, TimeKeepsMillisecondsAfterDaysOfRunning)
{
    TRecordingAnimation* a = Make(nullptr, 1.0f);
    a->SetLoop(true);
    a->Start();
    Advance(int64_t { 40 } * 24 * 3600 * 1000); // forty days on the same clock
    const double before = a->GetCurrentTime();
    Advance(33);
    EXPECT_NEAR(AniThread()->GetDeltaTime(), 0.033, 1e-9);
    EXPECT_NEAR(a->GetCurrentTime() - before, 0.033, 1e-9);
}

} // namespace
