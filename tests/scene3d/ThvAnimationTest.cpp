// The time line of 3D animations: delay, looping, reversing, easing, ending, stopping,
// triggers, Enabled, and the clock that ticks them.

#include "AnimationTestSupport.h"
#include "Scene3DTestClasses.h"

#include "scene3d/Library3D.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace scene3dtest {

namespace {

constexpr rtl::TPropInfo kAnimatedProps[] = {
    RTL_PROP(TAnimated, Value, Float, 0.0),
    RTL_PROP(TAnimated, Caption, String, ""),
    RTL_PROP(TAnimated, Color, Integer, 0u),
    RTL_PROP(TAnimated, SignedColor, Integer, 0),
    RTL_PROP(TAnimated, Flag, Boolean, false),
    RTL_PROP(TAnimated, Other, Boolean, false),
    RTL_PROP(TAnimated, Link, Component, nullptr),
    RTL_PROP(TAnimated, Material, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TAnimated, .props = kAnimatedProps)

void RegisterAnimationTestClasses()
{
    RegisterTestClasses3D();
    static const bool registered = [] {
        rtl::RegisterClass<TAnimated>();
        return true;
    }();
    static_cast<void>(registered);
}

} // namespace scene3dtest

using namespace scene3dtest;

namespace {

using ThvAnimationTest = AnimationFixture;

TEST_F(ThvAnimationTest, TimeLinesWaitLoopAndReverse)
{
    struct Case {
        const char* name;
        float delay;
        bool loop;
        bool autoReverse;
        bool inverse;
        float valueAtStart;
        // After each tick of 0.25 s: the value, Inverse and Running.
        std::vector<float> values;
        std::vector<bool> inverses;
        std::vector<bool> running;
        int finishes;
    };
    const Case cases[] = {
        { "plain", 0, false, false, false, 0, { 2.5f, 5, 7.5f, 10, 10 },
            { false, false, false, false, false }, { true, true, true, false, false }, 1 },
        // The start value shows at once; nothing moves for 0.5 s; the end comes 1.5 s in.
        { "delayed", 0.5f, false, false, false, 0, { 0, 0, 2.5f, 5, 7.5f, 10 },
            { false, false, false, false, false, false }, { true, true, true, true, true, false }, 1 },
        { "backwards", 0, false, false, true, 10, { 7.5f, 5, 2.5f, 0 }, { true, true, true, true },
            { true, true, true, false }, 1 },
        // The end of a run jumps back to the start.
        { "loop", 0, true, false, false, 0, { 2.5f, 5, 7.5f, 0, 2.5f }, { false, false, false, false, false },
            { true, true, true, true, true }, 0 },
        { "loop backwards", 0, true, false, true, 10, { 7.5f, 5, 2.5f, 10, 7.5f },
            { true, true, true, true, true }, { true, true, true, true, true }, 0 },
        // Each end turns the run round; Inverse reads true through every backward run.
        { "back and forth", 0, true, true, false, 0, { 2.5f, 5, 7.5f, 10, 7.5f, 5, 2.5f, 0, 2.5f },
            { false, false, false, true, true, true, true, false, false },
            { true, true, true, true, true, true, true, true, true }, 0 },
        // Without Loop, AutoReverse changes nothing.
        { "reverse without loop", 0, false, true, false, 0, { 2.5f, 5, 7.5f, 10 },
            { false, false, false, false }, { true, true, true, false }, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.finished.clear();
        ThvFloatAnimation* animation = FloatAnimation();
        animation->SetDelay(c.delay);
        animation->SetLoop(c.loop);
        animation->SetAutoReverse(c.autoReverse);
        animation->SetInverse(c.inverse);
        animation->Start();
        EXPECT_EQ(object->GetValue(), c.valueAtStart);
        EXPECT_TRUE(animation->GetRunning());
        EXPECT_TRUE(animation->GetEnabled());
        for (size_t i = 0; i < c.values.size(); ++i) {
            SCOPED_TRACE("tick " + std::to_string(i + 1));
            Advance(0.25);
            EXPECT_NEAR(object->GetValue(), c.values[i], 1e-4);
            EXPECT_EQ(animation->GetInverse(), c.inverses[i]);
            EXPECT_EQ(animation->GetRunning(), c.running[i]);
        }
        EXPECT_EQ(static_cast<int>(recorder.finished.size()), c.finishes);
        // A run that has ended is off the clock and disabled.
        EXPECT_EQ(hvAniThread()->Contains(animation), animation->GetRunning());
        EXPECT_EQ(animation->GetEnabled(), animation->GetRunning());
        animation->Free();
    }
}

TEST_F(ThvAnimationTest, EasingCurvesShapeTheRunInEveryDirection)
{
    // Values at half time of a 0 -> 1 run, worked out from the curves' formulas.
    struct Case {
        TwzInterpolationType interpolation;
        TwzAnimationType type;
        double half;
    };
    const Case cases[] = {
        { wzInterpolationLinear, wzAnimationIn, 0.5 },
        { wzInterpolationLinear, wzAnimationOut, 0.5 },
        { wzInterpolationLinear, wzAnimationInOut, 0.5 },
        { wzInterpolationQuadratic, wzAnimationIn, 0.25 },
        { wzInterpolationQuadratic, wzAnimationOut, 0.75 },
        { wzInterpolationQuadratic, wzAnimationInOut, 0.5 },
        { wzInterpolationCubic, wzAnimationIn, 0.125 },
        { wzInterpolationCubic, wzAnimationOut, 0.875 },
        { wzInterpolationCubic, wzAnimationInOut, 0.5 },
        { wzInterpolationQuartic, wzAnimationIn, 0.0625 },
        { wzInterpolationQuartic, wzAnimationOut, 0.9375 },
        { wzInterpolationQuartic, wzAnimationInOut, 0.5 },
        { wzInterpolationQuintic, wzAnimationIn, 0.03125 },
        { wzInterpolationQuintic, wzAnimationOut, 0.96875 },
        { wzInterpolationQuintic, wzAnimationInOut, 0.5 },
        { wzInterpolationSinusoidal, wzAnimationIn, 1 - std::sqrt(0.5) },
        { wzInterpolationSinusoidal, wzAnimationOut, std::sqrt(0.5) },
        { wzInterpolationSinusoidal, wzAnimationInOut, 0.5 },
        { wzInterpolationExponential, wzAnimationIn, 0.03125 },
        { wzInterpolationExponential, wzAnimationOut, 0.96875 },
        { wzInterpolationExponential, wzAnimationInOut, 0.5 },
        { wzInterpolationCircular, wzAnimationIn, 1 - std::sqrt(0.75) },
        { wzInterpolationCircular, wzAnimationOut, std::sqrt(0.75) },
        { wzInterpolationCircular, wzAnimationInOut, 0.5 },
        // Default amplitude 1 and period 0.3 (0.45 both ways): a small swing past the ends.
        { wzInterpolationElastic, wzAnimationIn, -0.015625 },
        { wzInterpolationElastic, wzAnimationOut, 1.015625 },
        { wzInterpolationElastic, wzAnimationInOut, 0.5 },
        // Default overshoot 1.70158: below the start going in, beyond the end going out.
        { wzInterpolationBack, wzAnimationIn, -0.0876975 },
        { wzInterpolationBack, wzAnimationOut, 1.0876975 },
        { wzInterpolationBack, wzAnimationInOut, 0.5 },
        { wzInterpolationBounce, wzAnimationIn, 0.234375 },
        { wzInterpolationBounce, wzAnimationOut, 0.765625 },
        { wzInterpolationBounce, wzAnimationInOut, 0.5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(rtl::EnumName(c.interpolation)) + " " + std::string(rtl::EnumName(c.type)));
        ThvFloatAnimation* animation = FloatAnimation();
        animation->SetStopValue(1);
        animation->SetDuration(2);
        animation->SetInterpolation(c.interpolation);
        animation->SetAnimationType(c.type);
        animation->Start();
        EXPECT_NEAR(object->GetValue(), 0, 1e-6);
        Advance(1);
        EXPECT_NEAR(animation->NormalizedTime(), c.half, 1e-5);
        EXPECT_NEAR(object->GetValue(), c.half, 1e-5);
        Advance(1);
        EXPECT_NEAR(object->GetValue(), 1, 1e-6);
        EXPECT_FALSE(animation->GetRunning());
        animation->Free();
    }
}

TEST_F(ThvAnimationTest, RunsTooShortToTickJumpToTheirEnd)
{
    struct Case {
        const char* name;
        float duration;
        bool inverse;
        bool designing;
        float endValue;
        float durationAfter;
    };
    const Case cases[] = {
        { "no duration", 0, false, false, 10, 0 },
        { "no duration, backwards", 0, true, false, 0, 0 },
        { "below a millisecond", 0.0005f, false, false, 10, 0 },
        // A negative duration cannot run either; it ends at its end value, not its start.
        { "negative", -2, false, false, 10, 0 },
        // A designed scene shows end values; the designer's duration is kept.
        { "designing", 2, false, true, 10, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.finished.clear();
        scene->SetDesigning(c.designing);
        object->SetValue(-1);
        ThvFloatAnimation* animation = FloatAnimation();
        animation->SetName("Jumper");
        animation->SetDuration(c.duration);
        animation->SetInverse(c.inverse);
        animation->Start();
        EXPECT_EQ(object->GetValue(), c.endValue);
        EXPECT_EQ(recorder.finished, std::vector<std::string> { "Jumper" });
        EXPECT_FALSE(animation->GetRunning());
        EXPECT_FALSE(animation->GetEnabled());
        EXPECT_EQ(animation->GetCurrentTime(), 0);
        EXPECT_EQ(animation->GetDuration(), c.durationAfter);
        EXPECT_TRUE(!hvAniThread() || !hvAniThread()->Contains(animation));
        scene->SetDesigning(false);
        animation->Free();
    }
}

TEST_F(ThvAnimationTest, StopAppliesTheEndOfTheCurrentDirection)
{
    ThvFloatAnimation* animation = FloatAnimation();
    animation->SetName("Mover");
    // Not running: nothing happens.
    animation->Stop();
    EXPECT_TRUE(recorder.finished.empty());
    EXPECT_EQ(object->GetValue(), 0);

    animation->Start();
    Advance(0.25);
    animation->Stop();
    EXPECT_EQ(object->GetValue(), 10);
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_FALSE(animation->GetEnabled());
    EXPECT_FALSE(hvAniThread()->Contains(animation));
    EXPECT_EQ(recorder.finished, std::vector<std::string> { "Mover" });

    // Running back and forth, stopped on the way back: the start is that run's end.
    animation->SetLoop(true);
    animation->SetAutoReverse(true);
    animation->Start();
    Advance(1);
    Advance(0.25);
    ASSERT_TRUE(animation->GetInverse());
    animation->Stop();
    EXPECT_EQ(object->GetValue(), 0);

    // Stopped while still waiting out its delay.
    animation->SetInverse(false);
    animation->SetLoop(false);
    animation->SetDelay(5);
    animation->Start();
    Advance(0.25);
    animation->Stop();
    EXPECT_EQ(object->GetValue(), 10);
    EXPECT_EQ(recorder.finished.size(), 3u);
}

TEST_F(ThvAnimationTest, HiddenParentsNeitherStartNorKeepAnimations)
{
    ThvFloatAnimation* animation = FloatAnimation();
    animation->Start();
    Advance(0.25);
    object->SetVisible(false);
    // The next tick stops it at its end value.
    Advance(0.25);
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_EQ(object->GetValue(), 10);
    EXPECT_EQ(recorder.finished.size(), 1u);

    // Starting on a hidden object does nothing at all.
    object->SetValue(3);
    animation->Start();
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_EQ(object->GetValue(), 3);
    EXPECT_EQ(recorder.finished.size(), 1u);

    // A non-visual parent is never hidden.
    auto* holder = new THolder3D(form.get());
    ThvFloatAnimation* plain = FloatAnimation("Value", holder);
    plain->Start();
    EXPECT_TRUE(plain->GetRunning());
    EXPECT_EQ(holder->GetValue(), 0);
    holder->Free();
}

TEST_F(ThvAnimationTest, TriggersStartOnlyWhenEveryKnownConditionHolds)
{
    struct Case {
        const char* trigger;
        bool flag;
        bool other;
        const char* name; // the trigger name sent
        bool starts;
    };
    const Case cases[] = {
        { "Flag=true", true, false, "Flag", true },
        { "Flag=true", false, false, "Flag", false },
        { "Flag=false", false, false, "Flag", true },
        { "flag = TRUE", true, false, "FLAG", true },
        { "Flag=true;Other=false", true, false, "Other", true },
        { "Flag=true;Other=false", true, true, "Other", false },
        // Names the object does not have, or that are not Boolean, are skipped...
        { "Missing=true;Flag=true", true, false, "Flag", true },
        { "Value=true;Flag=true", true, false, "Flag", true },
        // ...but at least one condition must name a Boolean property.
        { "Missing=true", true, false, "Missing", false },
        // Any value text but true and false fails.
        { "Flag=yes", true, false, "Flag", false },
        // The name is looked for as a part of the trigger text.
        { "Flag=true", true, false, "Fla", true },
        { "Flag=true", true, false, "Other", false },
        { "", true, false, "Flag", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.trigger) + " <- " + c.name);
        object->SetFlag(c.flag);
        object->SetOther(c.other);
        ThvFloatAnimation* animation = FloatAnimation();
        animation->SetTrigger(c.trigger);
        animation->StartTrigger(object, c.name);
        EXPECT_EQ(animation->GetRunning(), c.starts);
        animation->Free();
    }

    // No instance, no start.
    ThvFloatAnimation* animation = FloatAnimation();
    animation->SetTrigger("Flag=true");
    object->SetFlag(true);
    animation->StartTrigger(nullptr, "Flag");
    EXPECT_FALSE(animation->GetRunning());
}

TEST_F(ThvAnimationTest, ParentsStopTriggeredAnimationsBeforeAskingThemAgain)
{
    ThvFloatAnimation* hover = FloatAnimation();
    hover->SetName("Hover");
    hover->SetTrigger("IsMouseOver=true");
    ThvFloatAnimation* leave = FloatAnimation("Caption");
    leave->SetName("Leave");
    leave->SetTrigger("IsMouseOver=false");

    // The pointer comes: the hover animation starts from the object's own state.
    object->MouseEnter();
    EXPECT_TRUE(hover->GetRunning());
    EXPECT_FALSE(leave->GetRunning());
    Advance(0.5);
    EXPECT_NEAR(object->GetValue(), 5, 1e-4);

    // The pointer goes: the hover animation is stopped at its end, the other one starts.
    object->MouseLeave();
    EXPECT_FALSE(hover->GetRunning());
    EXPECT_EQ(object->GetValue(), 10);
    EXPECT_TRUE(leave->GetRunning());
    EXPECT_EQ(recorder.finished, std::vector<std::string> { "Hover" });
}

TEST_F(ThvAnimationTest, EnabledStartsAndStopsOutsideLoadingAndDesign)
{
    ThvFloatAnimation* animation = FloatAnimation();
    animation->SetEnabled(true);
    EXPECT_TRUE(animation->GetRunning());
    animation->SetEnabled(false);
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_EQ(object->GetValue(), 10);

    // While the scene is designed, Enabled is only stored.
    scene->SetDesigning(true);
    object->SetValue(4);
    animation->SetEnabled(true);
    EXPECT_TRUE(animation->GetEnabled());
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_EQ(object->GetValue(), 4);
}

TEST_F(ThvAnimationTest, StoredEnabledAnimationsStartOnceLoaded)
{
    const std::string text = "object TAnimated\n"
                             "  Value = 7\n"
                             "  object ThvFloatAnimation\n"
                             "    Enabled = True\n"
                             "    Duration = 2\n"
                             "    PropertyName = 'Value'\n"
                             "    StartValue = 1\n"
                             "    StopValue = 3\n"
                             "  end\n"
                             "end\n";
    rtl::TConstMemoryStream input(text.data(), text.size());
    ThvObject* loaded = CreateObjectFromStream(form.get(), input);
    ASSERT_NE(loaded, nullptr);
    auto* animated = dynamic_cast<TAnimated*>(loaded);
    ASSERT_NE(animated, nullptr);
    ASSERT_EQ(animated->GetChildCount(), 1);
    auto* animation = dynamic_cast<ThvFloatAnimation*>(animated->GetChild(0));
    ASSERT_NE(animation, nullptr);
    // Started after every property was read: from its stored start value, on the clock.
    EXPECT_TRUE(animation->GetRunning());
    EXPECT_EQ(animated->GetValue(), 1);
    EXPECT_EQ(animation->GetDuration(), 2);
    ASSERT_NE(hvAniThread(), nullptr);
    EXPECT_TRUE(hvAniThread()->Contains(animation));
    Advance(1);
    EXPECT_NEAR(animated->GetValue(), 2, 1e-4);

    // The time line is stored with the animation.
    const std::string stored = ObjectText(*animated);
    for (const char* line : { "Enabled = True", "Duration =  2.0000000000000000E+0000",
             "PropertyName = 'Value'", "StopValue =  3.0000000000000000E+0000" }) {
        SCOPED_TRACE(line);
        EXPECT_NE(stored.find(line), std::string::npos) << stored;
    }
}

TEST_F(ThvAnimationTest, NamedAnimationsStartAndStopThroughTheirParent)
{
    ThvFloatAnimation* animation = FloatAnimation();
    animation->SetName("Slide");
    object->StartAnimation("SLIDE");
    EXPECT_TRUE(animation->GetRunning());
    object->StopAnimation("slide");
    EXPECT_FALSE(animation->GetRunning());
    EXPECT_EQ(object->GetValue(), 10);
}

// ---- the clock ----------------------------------------------------------------------------

TEST_F(ThvAnimationTest, TheClockComesWithTheFirstStartAndTicksRunningAnimations)
{
    EXPECT_EQ(hvAniThread(), nullptr);
    ThvFloatAnimation* first = FloatAnimation();
    ThvFloatAnimation* second = FloatAnimation("Caption");
    first->Start();
    ThvAniThread* clock = hvAniThread();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->GetInterval(), 25u);
    EXPECT_TRUE(clock->GetEnabled());
    EXPECT_EQ(clock->Animations().size(), 1u);

    // Time that does not advance moves nothing.
    Advance(0.5);
    EXPECT_NEAR(object->GetValue(), 5, 1e-4);
    clock->Tick(now);
    clock->Tick(now - 0.1);
    EXPECT_NEAR(object->GetValue(), 5, 1e-4);
    EXPECT_DOUBLE_EQ(clock->GetLastDelta(), 0.5);

    // A second start of a running animation does not list it twice.
    second->Start();
    second->Start();
    EXPECT_EQ(clock->Animations().size(), 2u);
    first->Free();
    EXPECT_EQ(clock->Animations().size(), 1u);

    // Freeing the clock forgets the list, not the animations; the next start makes a new one.
    hvFreeAniThread();
    EXPECT_EQ(hvAniThread(), nullptr);
    EXPECT_TRUE(second->GetRunning());
    ThvFloatAnimation* third = FloatAnimation();
    third->Start();
    ASSERT_NE(hvAniThread(), nullptr);
    EXPECT_EQ(hvAniThread()->Animations().size(), 1u);
}

TEST_F(ThvAnimationTest, TheClockWalkSurvivesFinishesThatFreeOthersOrTheClock)
{
    // Ticked last first: `early` finishes first and frees `late`, which is still to come.
    ThvFloatAnimation* late = FloatAnimation();
    late->SetName("Late");
    ThvFloatAnimation* early = FloatAnimation("Caption");
    early->SetName("Early");
    early->SetDuration(0.5);
    late->Start();
    early->Start();
    recorder.freeOnFinish = late;
    Advance(0.5);
    EXPECT_EQ(recorder.finished, std::vector<std::string> { "Early" });
    EXPECT_EQ(object->GetChildCount(), 1);
    EXPECT_TRUE(hvAniThread()->Animations().empty());

    // A finish that frees the clock itself ends the walk.
    ThvFloatAnimation* a = FloatAnimation();
    ThvFloatAnimation* b = FloatAnimation("Opacity");
    a->SetName("A");
    b->SetName("B");
    b->SetDuration(0.25);
    a->Start();
    b->Start();
    recorder.finished.clear();
    recorder.onFinish = [] { hvFreeAniThread(); };
    Advance(0.25);
    EXPECT_EQ(recorder.finished, std::vector<std::string> { "B" });
    EXPECT_EQ(hvAniThread(), nullptr);
    EXPECT_NEAR(object->GetValue(), 0, 1e-6); // `a` was not ticked after the clock went
}

TEST_F(ThvAnimationTest, TheLibraryFreesTheClockAndLetsScenesFreeIt)
{
    Finalize3DLibrary();
    scene3d::FreeAnimationClock = nullptr;
    RegisterAnimationTestClasses();
    ASSERT_EQ(scene3d::FreeAnimationClock, &hvFreeAniThread);

    ThvFloatAnimation* animation = FloatAnimation();
    animation->Start();
    ASSERT_NE(hvAniThread(), nullptr);
    // The last scene window goes.
    scene3d::FreeAnimationClock();
    EXPECT_EQ(hvAniThread(), nullptr);
    EXPECT_TRUE(animation->GetRunning());
    animation->Start();
    ASSERT_NE(hvAniThread(), nullptr);
    // The library's shut-down.
    Finalize3DLibrary();
    EXPECT_EQ(hvAniThread(), nullptr);
    RegisterAnimationTestClasses();
}

TEST_F(ThvAnimationTest, RealTimeScenesTickTheirAnimationsThroughTheTree)
{
    scene->SetRealTime(true);
    ThvFloatAnimation* animation = FloatAnimation();
    animation->SetName("Live");
    animation->Start();
    EXPECT_TRUE(animation->GetRunning());
    EXPECT_EQ(hvAniThread(), nullptr);

    object->ProcessTick(0.5, 0.5);
    EXPECT_NEAR(object->GetValue(), 5, 1e-4);
    object->ProcessTick(1, 0.5);
    EXPECT_EQ(object->GetValue(), 10);
    EXPECT_FALSE(animation->GetRunning());
    // The end of the run is told here too.
    EXPECT_EQ(recorder.finished, std::vector<std::string> { "Live" });
}

} // namespace
