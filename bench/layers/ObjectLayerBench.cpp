// Frame time of a 715 x 660 3D scene with a 699 x 89 screen layer of 30 styled controls docked
// at its bottom, drawn off-screen through the GPU layer (software GL here): idle, where the
// layer costs one textured plate, and while one control changes in every frame, where the
// layer repaints that control's rectangle and sends only it to the texture. Once with the
// extruded lettering behind the layer, once with the layer alone, so its own share shows.

#include "app/Modules.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzLabel.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "ui2d/TwzVisualObject.h"

#include "graphics/TwzBrush.h"
#include "platform/rtl/Component.h"

#include "tests/support/LetteringScene.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int32_t kSceneWidth = 715;
constexpr int32_t kSceneHeight = 660;
constexpr float kLayerWidth = 699;
constexpr float kLayerHeight = 89;

/// The whole system started as the application starts it, for the life of one benchmark.
class Modules {
public:
    Modules()
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
    }
    ~Modules() { StopModules(); }
    Modules(const Modules&) = delete;
    Modules& operator=(const Modules&) = delete;
};

// The scene, drawn into an off-screen bitmap of the window's size.
class LayerScene {
public:
    explicit LayerScene(bool lettering)
    {
        m_scene = new ThvScene(m_owner.get());
        m_scene->SetSize(kSceneWidth, kSceneHeight);
        m_scene->SetCanvas(m_window.GetCanvas());
        if (lettering)
            lettering::BuildLetteringScene(*m_scene, m_owner.get());

        // The tool bar: a screen layer along the bottom edge, 8 pixels in from the sides,
        // under a plain root as the application's layers are.
        auto* root = new ThvVisualObject(m_owner.get());
        m_scene->AddObject(root);
        m_layer = new ThvGUIObjectLayer(m_owner.get());
        root->AddObject(m_layer);
        m_layer->SetWidth(kLayerWidth);
        m_layer->SetHeight(kLayerHeight);
        m_layer->GetPosition()->SetX(kSceneWidth / 2.0f);
        m_layer->GetPosition()->SetY(kSceneHeight - kLayerHeight / 2 - 4);
        m_layer->GetFill()->SetStyle(wzBrushSolid);
        m_layer->GetFill()->SetSolidColor(0xFF303030u);
        auto* panel = new TwzVisualObject(m_owner.get());
        panel->SetHitTest(false);
        m_layer->AddObject(panel);

        // Thirty controls in three rows of ten: buttons, check boxes and labels, the first
        // label showing a number that changes.
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 10; ++column) {
                const float x = 4 + static_cast<float>(column) * 69;
                const float y = 4 + static_cast<float>(row) * 28;
                TwzVisualObject* control = nullptr;
                if (row == 0) {
                    auto* button = new TwzButton(m_owner.get());
                    button->SetText(u"Button " + std::u16string(1, static_cast<char16_t>(u'0' + column)));
                    control = button;
                } else if (row == 1) {
                    auto* check = new TwzCheckBox(m_owner.get());
                    check->SetText(u"Option");
                    check->SetIsChecked(column % 2 == 0);
                    control = check;
                } else {
                    auto* label = new TwzLabel(m_owner.get());
                    label->SetText(u"Label");
                    if (!m_counter)
                        m_counter = label;
                    control = label;
                }
                control->SetParent(panel);
                control->SetBounds(x, y, 65, 24);
            }
        }
        // Styles applied, the layer painted whole and uploaded once.
        for (int i = 0; i < 3; ++i)
            m_scene->Render();
    }
    ~LayerScene()
    {
        m_scene->SetCanvas(nullptr);
        rtl::FreeAndNil(m_scene);
        m_owner.reset();
    }
    LayerScene(const LayerScene&) = delete;
    LayerScene& operator=(const LayerScene&) = delete;

    void Frame() { m_scene->Render(); }
    /// The one control that changes: the counting label's next number.
    void Animate()
    {
        m_step = (m_step + 1) % 1000;
        m_counter->SetText(u"Frame " + std::u16string(1, static_cast<char16_t>(u'0' + m_step / 100))
            + std::u16string(1, static_cast<char16_t>(u'0' + m_step / 10 % 10))
            + std::u16string(1, static_cast<char16_t>(u'0' + m_step % 10)));
    }
    [[nodiscard]] size_t PaintedPixels() const
    {
        size_t pixels = 0;
        for (const TwzRect& r : m_layer->PaintedRects())
            pixels += static_cast<size_t>((r.Right - r.Left) * (r.Bottom - r.Top));
        return pixels;
    }

private:
    rtl::TOwned<rtl::TComponent> m_owner { new rtl::TComponent(nullptr) };
    ThvBitmap m_window { kSceneWidth, kSceneHeight };
    ThvScene* m_scene = nullptr;
    ThvGUIObjectLayer* m_layer = nullptr;
    TwzLabel* m_counter = nullptr;
    int m_step = 0;
};

void LayerFrame(benchmark::State& state, bool lettering, bool animating)
{
    Modules modules;
    LayerScene scene(lettering);
    size_t painted = 0;
    for (auto _ : state) {
        if (animating)
            scene.Animate();
        scene.Frame();
        painted = scene.PaintedPixels();
    }
    state.counters["layer_pixels_painted"] = static_cast<double>(animating ? painted : 0);
}

void BM_LetteringAndLayerIdle(benchmark::State& state)
{
    LayerFrame(state, true, false);
}
BENCHMARK(BM_LetteringAndLayerIdle)->Unit(benchmark::kMillisecond);

void BM_LetteringAndLayerOneControlAnimating(benchmark::State& state)
{
    LayerFrame(state, true, true);
}
BENCHMARK(BM_LetteringAndLayerOneControlAnimating)->Unit(benchmark::kMillisecond);

void BM_LayerAloneIdle(benchmark::State& state)
{
    LayerFrame(state, false, false);
}
BENCHMARK(BM_LayerAloneIdle)->Unit(benchmark::kMillisecond);

void BM_LayerAloneOneControlAnimating(benchmark::State& state)
{
    LayerFrame(state, false, true);
}
BENCHMARK(BM_LayerAloneOneControlAnimating)->Unit(benchmark::kMillisecond);

} // namespace
