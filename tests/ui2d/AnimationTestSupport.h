#pragma once

// A virtual clock and a host for tests of the 2D animations: time moves only when a test
// says so, and each step ticks the animation clock once, so no test sleeps.

#include "TestScene.h"
#include "Ui2dTestClasses.h"

#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzVisualObject.h"

#include <cstdint>

namespace ui2dtest {

class AnimationTest : public Ui2dTest {
protected:
    void SetUp() override
    {
        Ui2dTest::SetUp();
        FreeAniThread();
        NowMs() = 5000;
        ui2d::SetAnimationTimeSource(&VirtualNow);
        form.reset(new TTestObject(nullptr));
        scene = new TestScene(form.get());
        root = new TwzVisualObject(form.get());
        scene->AddObject(root);
    }

    void TearDown() override
    {
        form.reset();
        FreeAniThread();
        ui2d::SetAnimationTimeSource(nullptr);
        Ui2dTest::TearDown();
    }

public:
    /// Moves the virtual time on by `ms` and ticks the clock once (when there is one).
    static void Advance(int64_t ms)
    {
        NowMs() += ms;
        if (TwzAniThread* clock = AniThread())
            clock->DoTimer();
    }

    static int64_t& NowMs()
    {
        static int64_t now = 0;
        return now;
    }

protected:
    rtl::TOwned<TTestObject> form; // owns the host and every object, as a window does
    TestScene* scene = nullptr;
    TwzVisualObject* root = nullptr; // a visible root of the host

private:
    static int64_t VirtualNow() { return NowMs(); }
};

} // namespace ui2dtest
