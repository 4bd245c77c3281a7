// Applying the built-in style to 200 buttons: the first paint of a scene of 200 styled
// controls (10 columns by 20 rows of 73 x 26 buttons on an 800 x 600 surface) into a bitmap. Each iteration
// builds a fresh scene, so every control looks its style up and copies it; only the paint is
// timed. A second benchmark times a repaint of the styled scene for comparison.

#include "tests/ui2d/TestScene.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzResources.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

/// A control with the built-in button look.
class TwzBenchButton : public TwzControl {
    RTL_CLASS(TwzBenchButton, TwzControl)
public:
    explicit TwzBenchButton(rtl::TComponent* owner)
        : TwzControl(owner)
    {
        SetResource("buttonstyle");
    }
};

RTL_IMPLEMENT_CLASS(TwzBenchButton)

constexpr int kColumns = 10;
constexpr int kRows = 20;
constexpr float kWidth = 800;
constexpr float kHeight = 600;

struct Scene {
    Scene()
    {
        scene = new TestScene(nullptr);
        auto* background = new TwzBackground(scene);
        scene->AddObject(background);
        scene->SetSize(kWidth, kHeight);
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                auto* button = new TwzBenchButton(scene);
                button->SetBounds(5 + column * 79.f, 4 + row * 29.f, 73, 26);
                button->SetParent(background);
            }
        }
        scene->SetCanvas(&canvas);
    }
    ~Scene()
    {
        scene->Free();
    }
    void Paint()
    {
        scene->ClearUpdateRects();
        scene->AddUpdateRect({ 0, 0, kWidth, kHeight });
        scene->PaintRoots();
    }

    TwzBitmap bitmap { static_cast<int>(kWidth), static_cast<int>(kHeight) };
    TwzCanvasGdiPlus canvas { &bitmap };
    TestScene* scene = nullptr;
};

void Prepare()
{
    static const bool ready = [] {
        Initialize2DLibrary();
        rtl::RegisterClass<TwzBenchButton>();
        (void)ui2d::LoadDefaultStyle();
        return true;
    }();
    (void)ready;
}

void BM_FirstPaintOf200StyledButtons(benchmark::State& state)
{
    Prepare();
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<Scene>();
        state.ResumeTiming();
        scene->Paint();
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kColumns * kRows);
}
BENCHMARK(BM_FirstPaintOf200StyledButtons)->Unit(benchmark::kMillisecond);

void BM_RepaintOf200StyledButtons(benchmark::State& state)
{
    Prepare();
    Scene scene;
    scene.Paint();
    for (auto _ : state)
        scene.Paint();
    state.SetItemsProcessed(state.iterations() * kColumns * kRows);
}
BENCHMARK(BM_RepaintOf200StyledButtons)->Unit(benchmark::kMillisecond);

} // namespace
