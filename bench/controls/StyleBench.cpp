// Applying the built-in style to 200 buttons: the first paint of a scene of 200 styled
// controls (10 columns by 20 rows of 73 x 26 buttons on an 800 x 600 surface) into a bitmap. Each iteration
// builds a fresh scene, so every control looks its style up and copies it; only the paint is
// timed. For comparison: the lookups and copies alone (LoadStyle on the root, no painting),
// and a repaint of the styled scene.

#include "tests/ui2d/TestScene.h"

#include "controls/Controls.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzResources.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

/// A control given the built-in button look by its Resource.
class TwzBenchButton : public TwzControl {
    RTL_CLASS(TwzBenchButton, TwzControl)
public:
    explicit TwzBenchButton(rtl::TComponent* owner)
        : TwzControl(owner)
    { }
};

RTL_IMPLEMENT_CLASS(TwzBenchButton)

constexpr int kColumns = 10;
constexpr int kRows = 20;
constexpr float kWidth = 800;
constexpr float kHeight = 600;

/// The stored form of a background holding the buttons, each with Resource "buttonstyle".
const std::vector<uint8_t>& SceneStream()
{
    static const std::vector<uint8_t> bytes = [] {
        rtl::TOwned<TwzBackground> background(new TwzBackground(nullptr));
        background->SetBounds(0, 0, kWidth, kHeight);
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                auto* button = new TwzBenchButton(background.get());
                button->SetBounds(5 + column * 79.f, 4 + row * 29.f, 73, 26);
                button->SetParent(background.get());
            }
        }
        // Set last and written as a property: nothing is styled here.
        for (TwzObject* child : background->Children())
            static_cast<TwzControl*>(child)->SetResource("buttonstyle");
        rtl::TMemoryStream stream;
        background->SaveObjectToStream(stream);
        return std::vector<uint8_t>(stream.Bytes().begin(), stream.Bytes().end());
    }();
    return bytes;
}

struct Scene {
    Scene()
    {
        scene = new TestScene(nullptr);
        // Read as a stored form is, so the controls wait for their first paint.
        rtl::TConstMemoryStream stream(SceneStream().data(), SceneStream().size());
        scene->AddObject(Create2DObjectFromStream(scene, stream));
        scene->SetSize(kWidth, kHeight);
        scene->SetCanvas(&canvas);
    }
    ~Scene() { scene->Free(); }
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
        RegisterControls();
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

void BM_StyleLookupAndCopyFor200Buttons(benchmark::State& state)
{
    Prepare();
    for (auto _ : state) {
        state.PauseTiming();
        auto scene = std::make_unique<Scene>();
        state.ResumeTiming();
        if (auto* root = scene->scene->GetRoot()->AsVisual())
            root->LoadStyle();
        state.PauseTiming();
        scene.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kColumns * kRows);
}
BENCHMARK(BM_StyleLookupAndCopyFor200Buttons)->Unit(benchmark::kMillisecond);

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
