// The designer's main window on the real window system (run under xvfb-run; software GL there):
// - StartUpToFirstFrame: the window read from its stored description, shown, until its first
//   frame is presented (the modules are started once before, as the program starts them
//   before its window);
// - DepthSliderFrame: the window at 715 x 660, each iteration moving the depth slider by a step
//   (the frame update rebuilds the lettering's sizes) and waiting for the frame to be presented;
//   the window system shows a frame at its refresh, so this cannot fall below the refresh period;
// - DepthSliderWork: the same steps, timing only the work of each: the slider's change and the
//   paint that renders and shows the frame; it must stay below the refresh period for the view
//   to follow the slider at the display's rate;
// - LoadDesignAtPictureBudget/N: a design whose N blank PNG pictures (on the first N faces, in
//   picture mode) declare the whole budget of one design between them, 2^25 pixels: one of
//   8192 x 4096, two of 4096 x 4096 or six of 2364 x 2364; 0 for a design without pictures.
//   Loaded into the shown window, until the frame with the lettering textured from them is
//   presented. For its peak memory run one alone under /usr/bin/time -v, a second time once
//   the pictures are cached in the temporary folder;
// - RefuseDesignBeyondPictureBudget: six blank pictures of 8192 x 8192 (the design that once
//   took 3.2 GB and half a minute), refused from their headers.

#include "app/MainForm.h"
#include "app/Modules.h"

#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzStorage.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"
#include "platform/ui/NativeApplication.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

#include <chrono>

#include <cstdlib>
#include <filesystem>
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

// ---- design files with large pictures ------------------------------------------------------------

// A blank picture as the design stores it (a PNG of a few hundred kilobytes), made once and
// kept in the temporary folder: making a large one takes a gigabyte for a moment.
std::string BlankPicture(const std::filesystem::path& folder, int32_t width, int32_t height)
{
    const std::filesystem::path file
        = folder / ("blank-" + std::to_string(width) + "x" + std::to_string(height) + ".png");
    if (!std::filesystem::exists(file)) {
        TwzBitmap blank(width, height);
        rtl::TMemoryStream stream;
        blank.SaveToStream(stream);
        stream.SaveToFile(file.string());
    }
    return file.string();
}

// A design of the window's start values whose first `pictures` faces show a blank picture of
// width x height and whose other faces have none.
std::string PictureDesign(TfrmMain& form, const char* name, int pictures, int32_t width, int32_t height)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "glyphforge-bench";
    std::filesystem::create_directories(folder);
    const std::string file = (folder / name).string();
    form.SaveDesign(file);
    if (pictures == 0)
        return file;
    rtl::TMemoryStream picture;
    picture.LoadFromFile(BlankPicture(folder, width, height));
    TwzStorage store;
    store.LoadFromFile(file);
    static constexpr const char* kFaces[6][3] = {
        { "front", "frontbitmap", "Front" },
        { "left", "leftbitmap", "Left" },
        { "back", "backbitmap", "Back" },
        { "framefront", "framefrontbitmap", "frameFront" },
        { "frameleft", "frameleftbitmap", "frameLeft" },
        { "frameback", "framebackbitmap", "frameBack" },
    };
    for (int i = 0; i < 6; ++i) {
        rtl::TMemoryStream& block = store.GetItem(kFaces[i][1]).GetAsBinary();
        block.SetSize(0);
        if (i >= pictures)
            continue;
        store.GetItem(kFaces[i][0]).SetAsString(rtl::Utf8ToUtf16(kFaces[i][2]));
        block.CopyFrom(picture, 0);
    }
    store.SaveToFile(file);
    return file;
}

void LoadDesignAtPictureBudget(benchmark::State& state)
{
    const int pictures = static_cast<int>(state.range(0));
    struct Size {
        int32_t width, height;
    };
    const Size size = pictures == 1 ? Size { 8192, 4096 }
        : pictures == 2             ? Size { 4096, 4096 }
                                    : Size { 2364, 2364 };
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        rtl::TOwned<TfrmMain> form(TfrmMain::Create(nullptr));
        const std::string file = PictureDesign(*form, "budget.qgf", pictures, size.width, size.height);
        form->Show();
        if (!WaitForPaint(*gui.app, *form, 0)) {
            state.SkipWithError("no frame was presented");
            return;
        }
        const int before = platform::ui::test::PaintCount(*form->hvScene1->GetHost());
        state.ResumeTiming();
        form->LoadDesign(file);
        if (!WaitForPaint(*gui.app, *form, before)) {
            state.SkipWithError("no frame was presented");
            return;
        }
        state.PauseTiming();
        form.reset();
        gui.app->ProcessMessages();
        state.ResumeTiming();
    }
}
BENCHMARK(LoadDesignAtPictureBudget)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(6);

void RefuseDesignBeyondPictureBudget(benchmark::State& state)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    rtl::TOwned<TfrmMain> form(TfrmMain::Create(nullptr));
    const std::string file = PictureDesign(*form, "beyond.qgf", 6, 8192, 8192);
    for (auto _ : state) {
        try {
            form->LoadDesign(file);
            state.SkipWithError("the design was loaded");
            return;
        } catch (const rtl::ReadError&) { }
    }
}
BENCHMARK(RefuseDesignBeyondPictureBudget)->Unit(benchmark::kMillisecond);

} // namespace
