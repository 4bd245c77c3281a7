// Speed of the export: the lettering scene of the rendering tests, viewed in a 715 x 660
// window, rendered to a 1920 x 1080 picture with supersampling 6 (the render dialog's), as
// tiles of the supersampled picture rendered, read back and reduced into the output; and the
// same export with longer texts, whose cost should follow the pixels more than the letters.

#include "bench/support/SoftwareDirectX.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvScene.h"

#include "graphics/TwzBitmap.h"
#include "platform/rtl/Component.h"

#include "tests/support/LetteringScene.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

/// The Direct3D module and the 2D canvas class the lettering is laid out with, and the
/// lettering scene in a 715 x 660 view rendered once, for the life of one benchmark. With a
/// number of characters, the lettering shows as many of running text instead of its word.
class ExportScene {
public:
    explicit ExportScene(size_t characters = 0)
    {
        if (!m_modules.Ready())
            return;
        m_owner.reset(new rtl::TComponent(nullptr));
        m_scene = new ThvScene(m_owner.get());
        m_scene->SetSize(715, 660);
        m_window = std::make_unique<ThvBitmap>(715, 660);
        m_scene->SetCanvas(m_window->GetCanvas());
        m_built = lettering::BuildLetteringScene(*m_scene, m_owner.get());
        if (characters > 0)
            lettering::ShowRunningText(m_built, characters);
        m_scene->Render();
    }
    ~ExportScene()
    {
        if (m_scene)
            m_scene->SetCanvas(nullptr);
        m_owner.reset();
        m_window.reset();
    }
    ExportScene(const ExportScene&) = delete;
    ExportScene& operator=(const ExportScene&) = delete;

    [[nodiscard]] bool Ready() const { return m_scene != nullptr; }
    ThvVisualObject& Lettering() { return *m_built.container; }

private:
    bench::SoftwareDirectX m_modules; // first made, last gone
    rtl::TOwned<rtl::TComponent> m_owner;
    ThvScene* m_scene = nullptr;
    std::unique_ptr<ThvBitmap> m_window;
    lettering::LetteringScene m_built;
};

} // namespace

namespace {

/// Exports the scene's lettering at 1920 x 1080 with the state's supersampling, over a
/// transparent background, once per iteration.
void ExportLoop(benchmark::State& state, ExportScene& scene, int32_t scale)
{
    if (!scene.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    TwzBitmap picture(1920, 1080);
    int64_t tiles = 0;
    for (auto _ : state) {
        tiles = 0;
        scene.Lettering().MakeScreenshot(&picture, 1920, 1080, 0, scale, [&](int64_t, int64_t total) {
            tiles = total;
            return true;
        });
    }
    state.counters["tiles"] = static_cast<double>(tiles);
}

} // namespace

// The render dialog's export of the lettering at 1920 x 1080, supersampling 6, over a
// transparent background.
void BM_LetteringExport(benchmark::State& state)
{
    ExportScene scene;
    ExportLoop(state, scene, static_cast<int32_t>(state.range(0)));
}
BENCHMARK(BM_LetteringExport)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The same export of a text of 10, 100 and 1,000 characters, wrapped on the lettering's face:
// the more letters, the smaller each, over the same pixels.
void BM_LetteringExportText(benchmark::State& state)
{
    ExportScene scene(static_cast<size_t>(state.range(0)));
    ExportLoop(state, scene, 6);
    state.counters["characters"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_LetteringExportText)
    ->Arg(10)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);
