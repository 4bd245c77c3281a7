// The designer's main window on the real window system (run under xvfb-run; software GL there):
// - StartUpToFirstFrame: the window read from its stored description, shown, until its first
//   frame is presented (the modules are started once before, as the program starts them
//   before its window);
// - DepthSliderFrame: the window at 715 x 660, each iteration moving the depth slider by a step
//   (the frame update rebuilds the lettering's sizes) and waiting for the frame to be presented;
//   the window system shows a frame at its refresh, so this cannot fall below the refresh period;
// - DepthSliderWork: the same steps, timing only the work of each: the slider's change and the
//   paint that renders and shows the frame; it must stay below the refresh period for the view
//   to follow the slider at the display's rate.

#include "app/MainForm.h"
#include "app/Modules.h"

#include "controls/TwzTracks.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/NativeApplication.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

#include <chrono>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct BenchGui {
    BenchGui()
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) {
            error = "no X display (run under xvfb-run)";
            return;
        }
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        platform::ui::NativeStart start = platform::ui::StartNativeApplication("main-window-bench");
        app = std::move(start.application);
        error = start.error;
        if (!app)
            return;
        StartModules();
        RegisterAppClasses();
    }
    BenchGui(const BenchGui&) = delete;
    BenchGui& operator=(const BenchGui&) = delete;

    std::unique_ptr<platform::ui::Application> app;
    std::string error;
};

// Kept to the end of the process: the modules' registries are statics of their own, gone
// before a static holder here could stop them.
BenchGui& Gui()
{
    static BenchGui* const gui = new BenchGui;
    return *gui;
}

// Runs the loop until the scene presented a paint after `before`; false when none came.
bool WaitForPaint(platform::ui::Application& app, TfrmMain& form, int before)
{
    bool gaveUp = false;
    const uint32_t guard = app.StartTimer(30000, [&](uint32_t) { gaveUp = true; });
    auto painted = [&] {
        platform::ui::SceneHost* host = form.hvScene1->GetHost();
        return host && form.hvScene1->HandleAllocated() && platform::ui::test::PaintCount(*host) > before;
    };
    app.RunUntil([&] { return painted() || gaveUp; });
    app.StopTimer(guard);
    return painted();
}

void StartUpToFirstFrame(benchmark::State& state)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    for (auto _ : state) {
        rtl::TOwned<TfrmMain> form(TfrmMain::Create(nullptr));
        form->Show();
        if (!WaitForPaint(*gui.app, *form, 0)) {
            state.SkipWithError("no frame was presented");
            return;
        }
        state.PauseTiming();
        form.reset();
        gui.app->ProcessMessages();
        state.ResumeTiming();
    }
}
BENCHMARK(StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

// Moves the depth slider a step each iteration and waits for the frame; with `workOnly` each
// iteration's time is the work of the step alone: the slider's change and the paint.
void StepDepthSlider(benchmark::State& state, bool workOnly)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    rtl::TOwned<TfrmMain> form(TfrmMain::Create(nullptr));
    form->SetClientWidth(715);
    form->SetClientHeight(660);
    form->Show();
    if (!WaitForPaint(*gui.app, *form, 0)) {
        state.SkipWithError("no frame was presented");
        return;
    }
    platform::ui::SceneHost& host = *form->hvScene1->GetHost();
    float depth = 0.5f;
    for (auto _ : state) {
        const int before = platform::ui::test::PaintCount(host);
        const int64_t paintedBefore = platform::ui::test::PaintMicroseconds(host);
        depth = depth >= 2.5f ? 0.5f : depth + 0.05f;
        const auto start = std::chrono::steady_clock::now();
        form->trackDepth->SetValue(depth);
        const std::chrono::duration<double> changing = std::chrono::steady_clock::now() - start;
        if (!WaitForPaint(*gui.app, *form, before)) {
            state.SkipWithError("no frame was presented");
            return;
        }
        const int64_t painting = platform::ui::test::PaintMicroseconds(host) - paintedBefore;
        if (workOnly)
            state.SetIterationTime(changing.count() + static_cast<double>(painting) * 1e-6);
    }
    form.reset();
    gui.app->ProcessMessages();
}

void DepthSliderFrame(benchmark::State& state)
{
    StepDepthSlider(state, false);
}
BENCHMARK(DepthSliderFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void DepthSliderWork(benchmark::State& state)
{
    StepDepthSlider(state, true);
}
BENCHMARK(DepthSliderWork)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseManualTime();

} // namespace
