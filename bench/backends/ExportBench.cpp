// Speed of the export: the lettering scene of the rendering tests, viewed in a 715 x 660
// window, rendered to a 1920 x 1080 picture with supersampling 6 (the render dialog's), as
// tiles of the supersampled picture rendered, read back and reduced into the output.

#include "bench/support/SoftwareDirectX.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvScene.h"

#include "graphics/TwzBitmap.h"
#include "platform/rtl/Component.h"

#include "tests/support/LetteringScene.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

/// The Direct3D module and the 2D canvas class the lettering is laid out with, and the
/// lettering scene in a 715 x 660 view rendered once, for the life of one benchmark.
class ExportScene {
public:
    ExportScene()
    {
        if (!m_modules.Ready())
            return;
        m_owner.reset(new rtl::TComponent(nullptr));
        m_scene = new ThvScene(m_owner.get());
        m_scene->SetSize(715, 660);
        m_window = std::make_unique<ThvBitmap>(715, 660);
        m_scene->SetCanvas(m_window->GetCanvas());
        m_built = lettering::BuildLetteringScene(*m_scene, m_owner.get());
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

// The render dialog's export of the lettering at 1920 x 1080, supersampling 6, over a
// transparent background.
void BM_LetteringExport(benchmark::State& state)
{
    ExportScene scene;
    if (!scene.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    TwzBitmap picture(1920, 1080);
    int64_t tiles = 0;
    for (auto _ : state) {
        tiles = 0;
        scene.Lettering().MakeScreenshot(
            &picture, 1920, 1080, 0, static_cast<int32_t>(state.range(0)), [&](int64_t, int64_t total) {
                tiles = total;
                return true;
            });
    }
    state.counters["tiles"] = static_cast<double>(tiles);
}
BENCHMARK(BM_LetteringExport)->Arg(6)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
