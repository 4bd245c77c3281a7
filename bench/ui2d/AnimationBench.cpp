// The cost of one tick of the 2D animation clock with 500 float animations running, each on
// a visual object of its own in a host (the recording test host, so every write reaches a
// host as a dirty rectangle). Time is virtual: every iteration moves it on by one 33 ms tick,
// so the numbers measure the clock's walk, the time model, the easing and the write by name.
//
// Two property paths: a direct property ("Opacity") and one through a sub-object
// ("Position.X").

#include "graphics/Easing.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzPropertyAnimations.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/Component.h"

#include "tests/ui2d/TestScene.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

namespace {

int64_t NowMs = 0;
int64_t VirtualNow()
{
    return NowMs;
}

void ClockTick(benchmark::State& state, const std::string& propertyName, TwzInterpolationType interpolation)
{
    Initialize2DLibrary();
    ui2d::SetAnimationTimeSource(&VirtualNow);
    const int count = static_cast<int>(state.range(0));
    {
        rtl::TOwned<rtl::TComponent> form(new rtl::TComponent(nullptr));
        auto* scene = new TestScene(form.get());
        auto* root = new TwzVisualObject(form.get());
        scene->AddObject(root);
        for (int i = 0; i < count; ++i) {
            auto* object = new TwzVisualObject(form.get());
            object->SetParent(root);
            auto* animation = new TwzFloatAnimation(form.get());
            animation->SetParent(object);
            animation->SetPropertyName(propertyName);
            animation->SetInterpolation(interpolation);
            animation->SetStartValue(0);
            animation->SetStopValue(1);
            animation->SetDuration(1.0f + static_cast<float>(i % 7) * 0.25f);
            animation->SetLoop(true);
            animation->SetAutoReverse(true);
            animation->Start();
        }
        TwzAniThread* clock = AniThread();
        for (auto _ : state) {
            NowMs += 33;
            clock->DoTimer();
            scene->ClearUpdateRects();
        }
        state.SetItemsProcessed(state.iterations() * count);
        form.reset();
    }
    FreeAniThread();
    ui2d::SetAnimationTimeSource(nullptr);
}

void BM_ClockTickOpacity(benchmark::State& state)
{
    ClockTick(state, "Opacity", wzInterpolationLinear);
}
void BM_ClockTickPositionX(benchmark::State& state)
{
    ClockTick(state, "Position.X", wzInterpolationLinear);
}
void BM_ClockTickOpacityElastic(benchmark::State& state)
{
    ClockTick(state, "Opacity", wzInterpolationElastic);
}

} // namespace

BENCHMARK(BM_ClockTickOpacity)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockTickPositionX)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockTickOpacityElastic)->Arg(500)->Unit(benchmark::kMicrosecond);
