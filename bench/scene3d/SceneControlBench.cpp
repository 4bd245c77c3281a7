// Frames per second of the scene control repainting a scene in a 715 x 660 window: each
// iteration turns the scene a little (a repaint request, as any property change makes) and
// waits until the window has painted the new frame. Needs an X display (run under xvfb-run);
// renders through the GPU layer (software GL there).
//
// Two scenes: one of simple shapes (lit solid boxes, wire boxes, a line grid and a flat text
// line, under one directional light), and the extruded lettering scene of the rendering tests
// (a slab with rounded corners and "Glyphforge" extruded on it, whose outline is laid out,
// flattened and extruded anew in every frame). Both are viewed through the design camera.

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

#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/NativeApplication.h"
#include "platform/ui/Window.h"

#include "tests/support/LetteringScene.h"

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

// Draws nothing; counts the frames of a scene whose own objects cannot count them.
class TFrameCounter : public ThvDummy {
public:
    explicit TFrameCounter(rtl::TComponent* owner)
        : ThvDummy(owner)
    { }
    void Render() override { ++frames; }
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
        if (!app)
            return;
        hvDirectXInit();
        // The extruded lettering lays its text out through a 2D canvas.
        if (!DefaultCanvasClass)
            DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
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

enum class SceneKind { Shapes, Lettering };

// The benchmark scene in a shown 715 x 660 window; everything goes with the holder.
class BenchScene {
public:
    static constexpr int32_t kWidth = 715;
    static constexpr int32_t kHeight = 660;

    BenchScene(platform::ui::Application& app, SceneKind kind)
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
        if (kind == SceneKind::Shapes)
            BuildShapes();
        else
            BuildLettering();

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

    /// The frames drawn so far.
    [[nodiscard]] int Frames() const { return m_frames ? *m_frames : 0; }
    /// Runs the loop until a frame after the `before`th was drawn; false when none came.
    bool WaitForFrameAfter(int before)
    {
        m_app.RunUntil([&] { return Frames() > before || m_gaveUp; });
        return Frames() > before;
    }
    /// Turns the scene by a degree: a repaint request, as any property change makes.
    void Turn()
    {
        m_angle += 1;
        turntable->GetRotateAngle()->SetZ(m_angle);
    }

    ThvScene* scene = nullptr;
    ThvVisualObject* turntable = nullptr;

private:
    void BuildShapes()
    {
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
                if (!m_frames)
                    m_frames = &box->frames;
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
    }

    void BuildLettering()
    {
        const lettering::LetteringScene built = lettering::BuildLetteringScene(*scene, m_owner.get());
        // The lettering turns on its slab, about the axis facing the camera.
        turntable = built.container;
        auto* counter = new TFrameCounter(m_owner.get());
        scene->AddObject(counter);
        counter->SetWidth(0);
        counter->SetHeight(0);
        counter->SetDepth(0);
        m_frames = &counter->frames;
    }

    platform::ui::Application& m_app;
    std::unique_ptr<platform::ui::Form> m_form;
    rtl::TOwned<rtl::TComponent> m_owner { new rtl::TComponent(nullptr) };
    uint32_t m_guard = 0;
    bool m_gaveUp = false;
    float m_angle = 0;
    const int* m_frames = nullptr; // in the object that counts the frames
};

void SetCounters(benchmark::State& state, int64_t frames)
{
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["width"] = BenchScene::kWidth;
    state.counters["height"] = BenchScene::kHeight;
}

// What the user sees: request, paint through the window system (its frame clock paces the
// paints at the display's refresh), frame on the window.
void SceneControlRepaint(benchmark::State& state, SceneKind kind)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    BenchScene bench(*gui.app, kind);
    if (bench.Frames() == 0) {
        state.SkipWithError("the scene never painted");
        return;
    }
    int64_t frames = 0;
    for (auto _ : state) {
        const int before = bench.Frames();
        bench.Turn();
        if (!bench.WaitForFrameAfter(before)) {
            state.SkipWithError("no frame came");
            break;
        }
        ++frames;
    }
    SetCounters(state, frames);
}

void BM_SceneControlRepaint(benchmark::State& state)
{
    SceneControlRepaint(state, SceneKind::Shapes);
}
BENCHMARK(BM_SceneControlRepaint)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SceneControlRepaintLettering(benchmark::State& state)
{
    SceneControlRepaint(state, SceneKind::Lettering);
}
BENCHMARK(BM_SceneControlRepaintLettering)->Unit(benchmark::kMillisecond)->UseRealTime();

// The frame alone, unpaced: draw, read back and hand the frame to the window, which shows it
// at its next paint.
void SceneControlFrame(benchmark::State& state, SceneKind kind)
{
    BenchGui& gui = Gui();
    if (!gui.app) {
        state.SkipWithError(gui.error.c_str());
        return;
    }
    BenchScene bench(*gui.app, kind);
    if (bench.Frames() == 0) {
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

void BM_SceneControlFrame(benchmark::State& state)
{
    SceneControlFrame(state, SceneKind::Shapes);
}
BENCHMARK(BM_SceneControlFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SceneControlFrameLettering(benchmark::State& state)
{
    SceneControlFrame(state, SceneKind::Lettering);
}
BENCHMARK(BM_SceneControlFrameLettering)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
