// Frame time of a scene holding one extruded text box of 40 characters, focused, while its
// caret blinks: every blink asks for a repaint and the scene draws a frame of 800 x 400 through
// the GPU layer (software GL here). The box keeps its outline between frames; for comparison,
// the same frame when the shown text changes every frame and the outline is made anew.

#include "layers/ThvTextBox3D.h"

#include "bench/support/SoftwareDirectX.h"

#include "platform/rtl/Component.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"

#include "tests/support/LetteringScene.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int32_t kWidth = 800;
constexpr int32_t kHeight = 400;

const std::u16string kForty = u"Forty characters typed into the text box";
const std::u16string kFortyOther = u"Forty characters typed into the text bow";

/// A lit scene viewed from the front with the box standing in it, focused, its caret after
/// the text.
struct BoxScene {
    BoxScene()
    {
        scene = new ThvScene(owner.get());
        scene->SetSize(kWidth, kHeight);
        bitmap = std::make_unique<ThvBitmap>(kWidth, kHeight);
        scene->SetCanvas(bitmap->GetCanvas());
        lettering::FrontView(*scene);
        auto* light = new ThvLight(owner.get());
        scene->AddObject(light);
        light->GetRotateAngle()->SetZ(30);
        auto* container = new ThvDummy(owner.get());
        scene->AddObject(container);
        container->GetRotateAngle()->SetX(-90);
        box = new ThvTextBox3D(owner.get());
        container->AddObject(box);
        box->SetWidth(30);
        box->SetDepth(0.3f);
        box->GetMaterial()->SetDiffuseColor(0xFFE02020);
        box->SetText(kForty);
        box->EnterFocus();
        scene->Render();
    }
    ~BoxScene()
    {
        scene->SetCanvas(nullptr);
        owner.reset();
    }
    BoxScene(const BoxScene&) = delete;
    BoxScene& operator=(const BoxScene&) = delete;

    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    ThvScene* scene = nullptr;
    std::unique_ptr<ThvBitmap> bitmap;
    ThvTextBox3D* box = nullptr;
};

void BM_TextBox3DCaretBlinkFrame(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    BoxScene built;
    const int64_t buildsBefore = built.box->GetOutlineBuilds();
    for (auto _ : state) {
        built.box->Repaint();
        built.scene->Render();
    }
    state.counters["outline_builds_per_frame"]
        = benchmark::Counter(static_cast<double>(built.box->GetOutlineBuilds() - buildsBefore),
            benchmark::Counter::kAvgIterations);
    state.counters["first_visible"] = built.box->GetFirstVisible();
}
BENCHMARK(BM_TextBox3DCaretBlinkFrame)->Unit(benchmark::kMillisecond);

void BM_TextBox3DFrameWithNewOutline(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    BoxScene built;
    const int64_t buildsBefore = built.box->GetOutlineBuilds();
    bool other = false;
    for (auto _ : state) {
        other = !other;
        built.box->SetText(other ? kFortyOther : kForty);
        built.scene->Render();
    }
    state.counters["outline_builds_per_frame"]
        = benchmark::Counter(static_cast<double>(built.box->GetOutlineBuilds() - buildsBefore),
            benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TextBox3DFrameWithNewOutline)->Unit(benchmark::kMillisecond);

} // namespace
