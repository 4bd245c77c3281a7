#include "Ui2dTestClasses.h"

#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

// control
//  +- fade        (animation, trigger "IsMouseOver=true")
//  +- spin        (animation, no trigger)
//  +- glow        (effect)
//  +- stylePart   (part of an applied style)
//  |   +- partFade (animation, trigger)
//  |   +- partGlow (effect)
//  +- plain       (an ordinary child)
//      +- plainFade (animation, trigger)
class TwzObjectTriggers : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        control.reset(new TTestObject(nullptr));
        fade = Animation(control.get(), "Fade", "IsMouseOver=true");
        spin = Animation(control.get(), "Spin", "");
        glow = Add(new TFakeEffect(control.get()), control.get());
        stylePart = Add(new TFakeStylePart(control.get()), control.get());
        partFade = Animation(stylePart, "PartFade", "IsMouseOver=true");
        partGlow = Add(new TFakeEffect(control.get()), stylePart);
        plain = Add(new TTestObject(control.get()), control.get());
        plainFade = Animation(plain, "PlainFade", "IsMouseOver=true");
    }

    template <class T> T* Add(T* object, TwzObject* parent)
    {
        object->SetParent(parent);
        return object;
    }

    TFakeAnimation* Animation(TwzObject* parent, const std::string& name, const std::string& trigger)
    {
        auto* a = Add(new TFakeAnimation(control.get()), parent);
        a->SetName(name);
        a->SetTrigger(trigger);
        return a;
    }

    rtl::TOwned<TTestObject> control;
    TFakeAnimation* fade = nullptr;
    TFakeAnimation* spin = nullptr;
    TFakeEffect* glow = nullptr;
    TFakeStylePart* stylePart = nullptr;
    TFakeAnimation* partFade = nullptr;
    TFakeEffect* partGlow = nullptr;
    TTestObject* plain = nullptr;
    TFakeAnimation* plainFade = nullptr;
};

TEST_F(TwzObjectTriggers, TriggersReachStylePartsButNotOrdinaryChildren)
{
    control->StartTriggerAnimation(control.get(), "IsMouseOver=true");
    EXPECT_EQ(fade->triggers, (std::vector<std::string> { "IsMouseOver=true" }));
    EXPECT_EQ(spin->triggers.size(), 1u); // every child animation hears the trigger
    EXPECT_EQ(partFade->triggers.size(), 1u);
    EXPECT_EQ(partFade->lastInstance, control.get());
    EXPECT_TRUE(plainFade->triggers.empty());

    // Starting stops the animations that have a trigger first, in the parts as well.
    EXPECT_EQ(fade->stops, 1);
    EXPECT_EQ(spin->stops, 0);
    EXPECT_EQ(partFade->stops, 2); // the control's stop pass, then the part's own start
    EXPECT_EQ(plainFade->stops, 0);

    control->ApplyTriggerEffect(control.get(), "IsFocused=true");
    EXPECT_EQ(glow->triggers, (std::vector<std::string> { "IsFocused=true" }));
    EXPECT_EQ(partGlow->triggers.size(), 1u);
}

TEST_F(TwzObjectTriggers, AnimationsStartAndStopByNameAmongDirectChildren)
{
    control->StartAnimation("fade");
    control->StartAnimation("PartFade"); // not a direct child
    control->StopAnimation("SPIN");
    EXPECT_EQ(fade->starts, 1);
    EXPECT_EQ(partFade->starts, 0);
    EXPECT_EQ(spin->stops, 1);
}

TEST_F(TwzObjectTriggers, AHandlerRunByATriggerMayFreeTheControl)
{
    struct Closer : rtl::TObject {
        rtl::TOwned<TTestObject>* victim = nullptr;
        void Close(rtl::TObject*) { victim->reset(); }
    } closer;
    closer.victim = &control;
    fade->OnTriggered.Bind<&Closer::Close>(&closer);
    // The control and all its children go inside the first animation's trigger.
    TTestObject* raw = control.get();
    raw->StartTriggerAnimation(raw, "IsMouseOver=true");
    EXPECT_EQ(control, nullptr);
}

struct PumpState {
    std::vector<TFakeAnimation*> animations;
    int turns = 0;
    int maxTurns = 100;
    TFakeAnimation* freeOnTurn = nullptr;
};
PumpState g_pump;

bool TestPump()
{
    ++g_pump.turns;
    if (g_pump.freeOnTurn && g_pump.turns == 2) {
        std::erase(g_pump.animations, g_pump.freeOnTurn);
        std::exchange(g_pump.freeOnTurn, nullptr)->Free();
    }
    for (TFakeAnimation* a : g_pump.animations)
        a->Tick();
    return g_pump.turns < g_pump.maxTurns;
}

TEST_F(TwzObjectTriggers, WaitingRunsTheLoopUntilEachAnimationStops)
{
    struct Case {
        const char* name;
        bool installPump;
        bool freeFade;
        int fadeTicks;
        int expectedTurns;
    };
    const Case cases[] = {
        { "no message loop: nothing could advance, no wait", false, false, 3, 0 },
        { "each animation waited for in turn", true, false, 3, 3 + 2 },
        { "an animation freed during the wait ends its wait", true, true, 50, 2 + 2 },
        // Once the loop ends, every later wait stops after its first turn.
        { "a loop that ends stops the wait", true, false, 1000, 100 + 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        control.reset();
        SetUp();
        fade->ticksToRun = c.fadeTicks;
        partFade->ticksToRun = 2;
        g_pump = {};
        g_pump.animations = { fade, partFade };
        g_pump.freeOnTurn = c.freeFade ? fade : nullptr;
        ui2d::SetMessagePump(c.installPump ? &TestPump : nullptr);

        control->StartTriggerAnimationWait(control.get(), "IsMouseOver=true");
        ui2d::SetMessagePump(nullptr);
        EXPECT_EQ(g_pump.turns, c.expectedTurns);
        EXPECT_EQ(partFade->triggers.size(), 1u);
        control.reset();
    }
}

TEST_F(TwzObjectTriggers, UpdateStyleReachesEveryDescendant)
{
    struct Styled : TTestObject {
        using TTestObject::TTestObject;
        int updates = 0;
        void UpdateStyle() override
        {
            ++updates;
            TTestObject::UpdateStyle();
        }
    };
    auto* child = new Styled(control.get());
    child->SetParent(plain);
    control->UpdateStyle();
    EXPECT_EQ(child->updates, 1);
}

} // namespace
