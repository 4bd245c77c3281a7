// Frames per second of the scene control repainting a scene in a 715 x 660 window: each
// iteration turns the scene a little (a repaint request, as any property change makes) and
// waits until the window has painted the new frame. Needs an X display (run under xvfb-run);
// renders through the GPU layer (software GL there).
//
// The scene is made of simple shapes: lit solid boxes, wire boxes, a line grid and a flat text
// line, under one directional light, viewed through the design camera.

#include "backends/DirectXModule.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvShape.h"
#include "scene3d/ThvStrokeCube.h"
#include "scene3d/ThvText.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/NativeApplication.h"
#include "platform/ui/Window.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// A lit solid box that counts the frames it is drawn in.
class TBenchBox : public ThvShape {
public:
    explicit TBenchBox(rtl::TComponent* owner)
        : ThvShape(owner)
    { }
    void Render() override
    {
        ++frames;
        if (ThvCanvas* canvas = GetCanvas())
            canvas->FillCube(
                { 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, GetAbsoluteOpacity());
    }
    int frames = 0;
};

// The window system and the GPU layer, started once for the process (a second start is refused).
struct BenchGui {
    BenchGui()
    {
        if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY")) {
            error = "no X display (run under xvfb-run)";
            return;
        }
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        platform::ui::NativeStart start = platform::ui::StartNativeApplication("scene-control-bench");
        app = std::move(start.application);
        error = start.error;
        if (app)
            hvDirectXInit();
    }
    ~BenchGui()
    {
        if (app)
            hvDirectXDone();
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

const char* const kColors[]
    = { "#FFCB8506", "#FF06449B", "#FF726F69", "#FF2E8B57", "#FFB22222", "#FF4682B4" };

// The benchmark scene in a shown 715 x 660 window; everything goes with the holder.
class BenchScene {
public:
    static constexpr int32_t kWidth = 715;
    static constexpr int32_t kHeight = 660;

    explicit BenchScene(platform::ui::Application& app)
        : m_app(app)
    {
        platform::ui::FormOptions options;
        options.caption = "Scene control benchmark";
        options.clientWidth = kWidth;
        options.clientHeight = kHeight;
        options.decorated = false;
        m_form = app.CreateForm(options);
        scene = new ThvScene(m_owner.get());
        scene->SetBounds(0, 0, kWidth, kHeight);

        auto* root = new ThvDummy(m_owner.get());
        scene->AddObject(root);
        auto* light = new ThvLight(m_owner.get());
        root->AddObject(light);
        light->GetRotateAngle()->SetPoint({ 30, 0, 40 });
        turntable = new ThvDummy(m_owner.get());
        root->AddObject(turntable);
        for (int row = 0; row < 5; ++row) {
            for (int column = 0; column < 6; ++column) {
                const float x = static_cast<float>(column) * 2.2f - 5.5f;
                const float z = static_cast<float>(row) * 1.6f - 3.2f;
                auto* box = new TBenchBox(m_owner.get());
                turntable->AddObject(box);
                box->GetPosition()->SetPoint({ x, 0, z });
                box->GetRotateAngle()->SetZ(static_cast<float>(15 * (row + column)));
                box->GetMaterial()->SetDiffuse(kColors[(row + column) % 6]);
                counter = counter ? counter : box;
                auto* wire = new ThvStrokeCube(m_owner.get());
                turntable->AddObject(wire);
                wire->GetPosition()->SetPoint({ x, 0, z });
                wire->SetWidth(1.4f);
                wire->SetHeight(1.4f);
                wire->SetDepth(1.4f);
            }
        }
        auto* grid = new ThvGrid(m_owner.get());
        turntable->AddObject(grid);
        grid->SetWidth(16);
        grid->SetHeight(16);
        grid->GetPosition()->SetZ(-4);
        auto* text = new ThvText(m_owner.get());
        turntable->AddObject(text);
        text->SetText(u"Glyphforge");
        text->SetWidth(8);
        text->SetHeight(2);
        text->GetPosition()->SetPoint({ 0, -2, 4 });
        text->GetRotateAngle()->SetX(-90);

        scene->SetParentForm(m_form.get());
        m_form->Show();
        m_guard = app.StartTimer(30000, [this](uint32_t) { m_gaveUp = true; });
        WaitForFrameAfter(0);
    }
    ~BenchScene()
    {
        m_app.StopTimer(m_guard);
        rtl::FreeAndNil(scene);
        m_owner.reset();
        m_form.reset();
        m_app.ProcessMessages();
    }
    BenchScene(const BenchScene&) = delete;
    BenchScene& operator=(const BenchScene&) = delete;

    /// Runs the loop until a frame after the `before`th was drawn; false when none came.
    bool WaitForFrameAfter(int before)
    {
        m_app.RunUntil([&] { return counter->frames > before || m_gaveUp; });
        return counter->frames > before;
    }
    /// Turns the scene by a degree: a repaint request, as any property change makes.
    void Turn()
    {
        m_angle += 1;
        turntable->GetRotateAngle()->SetZ(m_angle);
    }

    ThvScene* scene = nullptr;
    ThvDummy* turntable = nullptr;
    TBenchBox* counter = nullptr;

private:
    platform::ui::Application& m_app;
    std::unique_ptr<platform::ui::Form> m_form;
    rtl::TOwned<rtl::TComponent> m_owner { new rtl::TComponent(nullptr) };
    uint32_t m_guard = 0;
    bool m_gaveUp = false;
    float m_angle = 0;
};

void SetCounters(benchmark::State& state, int64_t frames)
{
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["width"] = BenchScene::kWidth;
    state.counters["height"] = BenchScene::kHeight;
}

// What the user sees: request, paint through the window system (its frame clock paces the
// paints at the display's refresh), frame on the window.
void BM_SceneControlRepaint(benchmark::State& state)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    BenchScene bench(*gui.app);
    if (bench.counter->frames == 0) {
        state.SkipWithError("the scene never painted");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        const int before = bench.counter->frames;
        bench.Turn();
        if (!bench.WaitForFrameAfter(before)) {
            state.SkipWithError("no frame came");
            break;
        }
        ++frames;
    }
    SetCounters(state, frames);
}
BENCHMARK(BM_SceneControlRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// The frame alone, unpaced: draw, read back and hand the frame to the window, which shows it
// at its next paint.
void BM_SceneControlFrame(benchmark::State& state)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    BenchScene bench(*gui.app);
    if (bench.counter->frames == 0) {
        state.SkipWithError("the scene never painted");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        bench.Turn();
        bench.scene->Render();
        ++frames;
    }
    SetCounters(state, frames);
}
BENCHMARK(BM_SceneControlFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
