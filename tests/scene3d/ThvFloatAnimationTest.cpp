// Float animations: the property path, the start from the current value, properties of other
// kinds, and the one-call animations of the object tree on the clock of a running application.

#include "AnimationTestSupport.h"

#include "scene3d/ThvPosition.h"

#include "platform/ui/FakeApplication.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace scene3dtest;
using platform::ui::FakeApplication;

namespace {

using ThvFloatAnimationTest = AnimationFixture;

TEST_F(ThvFloatAnimationTest, PathsLeadThroughObjectPropertiesAndSkipOtherNames)
{
    auto* other = Make<TAnimated>("Other");
    object->SetLink(other);
    struct Case {
        const char* path;
        rtl::TObject* target; // expected holder of the property
        const char* property;
    };
    const Case cases[] = {
        { "Value", object, "Value" },
        { "Position.X", object->GetPosition(), "X" },
        { " position . x ", object->GetPosition(), "x" },
        { "Material.BitmapTileX", object->GetMaterial(), "BitmapTileX" },
        // A link is an object property too.
        { "Link.Scale.Z", other->GetScale(), "Z" },
        // A leading name that is not an object property is dropped.
        { "Bogus.Value", object, "Value" },
        { "Value.Position.Y", object->GetPosition(), "Y" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ThvFloatAnimation* animation = FloatAnimation(c.path);
        EXPECT_EQ(animation->GetTargetObject(), nullptr);
        animation->Start();
        EXPECT_EQ(animation->GetTargetObject(), c.target);
        EXPECT_EQ(animation->GetTargetProperty(), c.property);
        animation->Stop();
        animation->Free();
    }
    EXPECT_EQ(object->GetPosition()->GetX(), 10);
    EXPECT_EQ(object->GetPosition()->GetY(), 10);
    EXPECT_EQ(object->GetMaterial()->GetBitmapTileX(), 10);
    EXPECT_EQ(other->GetScale()->GetZ(), 10);
    EXPECT_EQ(object->GetValue(), 10);
}

TEST_F(ThvFloatAnimationTest, PropertiesOfOtherKindsAreNeitherReadNorWritten)
{
    object->SetCaption("keep");
    object->SetFlag(true);
    for (const char* path : { "Caption", "Flag", "Color", "Missing", "Material", "Position.Missing" }) {
        SCOPED_TRACE(path);
        recorder.finished.clear();
        ThvFloatAnimation* animation = FloatAnimation(path);
        animation->SetStartFromCurrent(true);
        animation->SetStartValue(3);
        animation->Start();
        EXPECT_EQ(animation->GetStartValue(), 3);
        Advance(1);
        // The time line ran all the same.
        EXPECT_FALSE(animation->GetRunning());
        EXPECT_EQ(recorder.finished.size(), 1u);
        animation->Free();
    }
    EXPECT_EQ(object->GetCaption(), "keep");
    EXPECT_TRUE(object->GetFlag());
    EXPECT_EQ(object->GetColor(), 0u);
}

TEST_F(ThvFloatAnimationTest, StartFromCurrentTakesTheValueAtEachStart)
{
    object->GetPosition()->SetX(4);
    ThvFloatAnimation* animation = FloatAnimation("Position.X");
    animation->SetStartFromCurrent(true);
    animation->Start();
    EXPECT_EQ(animation->GetStartValue(), 4);
    Advance(0.5);
    EXPECT_NEAR(object->GetPosition()->GetX(), 7, 1e-4);
    animation->Stop();

    object->GetPosition()->SetX(-2);
    animation->Start();
    EXPECT_EQ(animation->GetStartValue(), -2);
    Advance(0.5);
    EXPECT_NEAR(object->GetPosition()->GetX(), 4, 1e-4);
}

TEST_F(ThvFloatAnimationTest, TheTargetIsFoundOnceAndForgottenWhenItGoes)
{
    ThvFloatAnimation* animation = FloatAnimation("Value");
    animation->Start();
    animation->Stop();
    // A new path does not move an animation that has started once.
    animation->SetPropertyName("Position.X");
    animation->Start();
    animation->Stop();
    EXPECT_EQ(animation->GetTargetObject(), object);
    EXPECT_EQ(object->GetPosition()->GetX(), 0);

    // A target reached through a link goes with the linked object.
    auto* other = Make<TAnimated>("Other");
    object->SetLink(other);
    ThvFloatAnimation* linked = FloatAnimation("Link.Value");
    linked->Start();
    EXPECT_EQ(linked->GetTargetObject(), other);
    other->Free();
    EXPECT_EQ(linked->GetTargetObject(), nullptr);
    Advance(0.5);
    linked->Stop();
    EXPECT_FALSE(linked->GetRunning());

    // An animation without a parent or a path finds nothing, and later finds nothing new.
    auto* orphan = new ThvFloatAnimation(form.get());
    orphan->SetPropertyName("Value");
    orphan->Start();
    EXPECT_EQ(orphan->GetTargetObject(), nullptr);
    orphan->Stop();
}

TEST_F(ThvFloatAnimationTest, StopAnimationsStopsOnlyThatPropertysFloatAndColourAnimations)
{
    ThvFloatAnimation* x = FloatAnimation("Position.X");
    ThvFloatAnimation* y = FloatAnimation("Position.Y");
    auto* colour = new ThvColorAnimation(form.get());
    colour->SetParent(object);
    colour->SetPropertyName("position.x");
    colour->SetDuration(1);
    for (ThvAnimation* a : std::vector<ThvAnimation*> { x, y, colour })
        a->Start();
    object->StopAnimations("POSITION.X");
    EXPECT_FALSE(x->GetRunning());
    EXPECT_FALSE(colour->GetRunning());
    EXPECT_TRUE(y->GetRunning());
}

// ---- AnimateFloat and AnimateFloatWait ----------------------------------------------------

// The one-call animations on the clock of a headless application: the timer of the clock
// ticks as the virtual time moves.
class AnimateFloatTest : public AnimationFixture {
protected:
    FakeApplication app;
};

TEST_F(AnimateFloatTest, MovesAPropertyOnTheClockAndFreesItself)
{
    object->GetPosition()->SetX(2);
    object->AnimateFloat("Position.X", 10, 0.2f, wzAnimationIn, wzInterpolationLinear);
    ASSERT_EQ(object->GetChildCount(), 1);
    auto* animation = dynamic_cast<ThvFloatAnimation*>(object->GetChild(0));
    ASSERT_NE(animation, nullptr);
    EXPECT_TRUE(animation->GetStartFromCurrent());
    EXPECT_EQ(animation->GetStartValue(), 2);
    EXPECT_EQ(object->GetPosition()->GetX(), 2);

    // Four ticks of 25 ms: half way.
    app.AdvanceTime(100);
    EXPECT_NEAR(object->GetPosition()->GetX(), 6, 1e-3);
    app.AdvanceTime(100);
    EXPECT_EQ(object->GetPosition()->GetX(), 10);
    EXPECT_EQ(object->GetChildCount(), 0);
    ASSERT_NE(hvAniThread(), nullptr);
    EXPECT_TRUE(hvAniThread()->Animations().empty());
}

TEST_F(AnimateFloatTest, FadesThroughTheSetterSoTheSceneRepaints)
{
    object->SetOpacity(0.8f);
    scene->updateRequests = 0;
    object->AnimateFloat("Opacity", 0, 0.2f, wzAnimationIn, wzInterpolationLinear);
    app.AdvanceTime(250);
    EXPECT_EQ(object->GetOpacity(), 0);
    EXPECT_GE(scene->updateRequests, 8);
    EXPECT_EQ(object->GetChildCount(), 0);
}

TEST_F(AnimateFloatTest, ANewAnimationOfTheSamePropertyTakesOverFromTheCurrentValue)
{
    object->AnimateFloat("Value", 10, 1, wzAnimationIn, wzInterpolationLinear);
    app.AdvanceTime(500);
    const float halfWay = object->GetValue();
    EXPECT_NEAR(halfWay, 5, 0.1);
    // The running one is stopped first: it jumps to its end and frees itself.
    object->AnimateFloat("Value", -10, 1, wzAnimationIn, wzInterpolationLinear);
    ASSERT_EQ(object->GetChildCount(), 1);
    EXPECT_EQ(dynamic_cast<ThvFloatAnimation*>(object->GetChild(0))->GetStartValue(), 10);
    app.AdvanceTime(1000);
    EXPECT_EQ(object->GetValue(), -10);
    EXPECT_EQ(object->GetChildCount(), 0);
}

TEST_F(AnimateFloatTest, AnimationsThatCannotRunApplyTheirEndAndLeaveNothingBehind)
{
    struct Case {
        const char* name;
        float duration;
        bool hidden;
    };
    const Case cases[] = {
        { "no duration", 0, false },
        { "hidden object", 0.2f, true },
        { "hidden, no duration", 0, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        object->SetVisible(!c.hidden);
        for (int call = 1; call <= 3; ++call) {
            object->AnimateFloat(
                "Value", static_cast<float>(call), c.duration, wzAnimationIn, wzInterpolationLinear);
            EXPECT_EQ(object->GetValue(), call);
            EXPECT_EQ(object->GetChildCount(), 0);
        }
        object->AnimateFloatWait("Value", 7, c.duration, wzAnimationIn, wzInterpolationLinear);
        EXPECT_EQ(object->GetValue(), 7);
        EXPECT_EQ(object->GetChildCount(), 0);
    }
}

TEST_F(AnimateFloatTest, WaitReturnsAtTheEndValueAfterTheDuration)
{
    object->SetValue(1);
    const int64_t start = app.TickMs();
    object->AnimateFloatWait("Value", 5, 0.3f, wzAnimationOut, wzInterpolationBack);
    EXPECT_EQ(object->GetValue(), 5);
    EXPECT_EQ(object->GetChildCount(), 0);
    EXPECT_GE(app.TickMs() - start, 300);
    EXPECT_LE(app.TickMs() - start, 350);
}

TEST_F(AnimateFloatTest, WaitEndsWhenTheAnimationIsStoppedOrItsObjectFreed)
{
    // Another handler takes the property over while the caller waits.
    const uint32_t takeOver = app.StartTimer(100, [this](uint32_t id) {
        app.StopTimer(id);
        object->AnimateFloat("Value", -1, 0.1f, wzAnimationIn, wzInterpolationLinear);
    });
    ASSERT_NE(takeOver, 0u);
    object->AnimateFloatWait("Value", 50, 10, wzAnimationIn, wzInterpolationLinear);
    EXPECT_LT(app.TickMs(), 1000);
    // The waited animation was stopped at its end and freed; the new one runs on.
    ASSERT_EQ(object->GetChildCount(), 1);
    app.AdvanceTime(200);
    EXPECT_EQ(object->GetValue(), -1);

    // A handler frees the object itself, and the animation with it.
    auto* doomed = Make<TAnimated>("Doomed");
    app.StartTimer(100, [this, doomed](uint32_t id) {
        app.StopTimer(id);
        doomed->Free();
    });
    doomed->AnimateFloatWait("Value", 50, 10, wzAnimationIn, wzInterpolationLinear);
    EXPECT_EQ(form->FindComponent("Doomed"), nullptr);
    EXPECT_LT(app.TickMs(), 2000);
}

// Without an application nothing ticks: the wait gives the end value at once.
TEST_F(ThvFloatAnimationTest, WaitWithoutAnApplicationEndsAtOnce)
{
    object->AnimateFloatWait("Position.Z", 3, 1, wzAnimationIn, wzInterpolationLinear);
    EXPECT_EQ(object->GetPosition()->GetZ(), 3);
    EXPECT_EQ(object->GetChildCount(), 0);
}

} // namespace
