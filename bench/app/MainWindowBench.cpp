// The designer's main window on the real window system (run under xvfb-run; software GL there):
// - StartUpToFirstFrame: the window read from its stored description, shown, until its first
//   frame is presented (the modules are started once before, as the program starts them
//   before its window);
// - DepthSliderFrame: the window at 715 x 660, each iteration moving the depth slider by a step
//   (the frame update rebuilds the lettering's sizes) and waiting for the frame to be presented.

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
    ~BenchGui()
    {
        if (app)
            StopModules();
    }
    BenchGui(const BenchGui&) = delete;
    BenchGui& operator=(const BenchGui&) = delete;

    std::unique_ptr<platform::ui::Application> app;
    std::string error;
};

BenchGui& Gui()
{
    static BenchGui gui;
    return gui;
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

void DepthSliderFrame(benchmark::State& state)
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
    float depth = 0.5f;
    for (auto _ : state) {
        const int before = platform::ui::test::PaintCount(*form->hvScene1->GetHost());
        depth = depth >= 2.5f ? 0.5f : depth + 0.05f;
        form->trackDepth->SetValue(depth);
        if (!WaitForPaint(*gui.app, *form, before)) {
            state.SkipWithError("no frame was presented");
            return;
        }
    }
    form.reset();
    gui.app->ProcessMessages();
}
BENCHMARK(DepthSliderFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
