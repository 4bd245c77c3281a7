// The 2D scene control repainting a 700 x 400 scene of 200 rectangles with text on the
// headless window system: one dirty 100 x 30 rectangle against the whole scene. Each
// iteration reports the area (as a changed object does) and runs the loop until the paint,
// which paints the roots that meet the area into the back buffer and presents it to the
// window.

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/Component.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Window.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzVisualObject.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int32_t kWidth = 700;
constexpr int32_t kHeight = 400;

// A filled, outlined rectangle with a line of text, as a label or button draws itself.
class TLabelBox final : public TwzVisualObject {
public:
    TLabelBox(rtl::TComponent* owner, std::u16string text, uint32_t color)
        : TwzVisualObject(owner)
        , m_text(std::move(text))
        , m_color(color)
    { }
    void Paint() override
    {
        TwzCanvas* canvas = GetCanvas();
        if (!canvas)
            return;
        const TwzRect r = GetLocalRect();
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(m_color);
        canvas->FillRect(r, 3, 3, AllCorners, 1);
        canvas->GetStroke().SetSolidColor(0xFF202020);
        canvas->DrawRect(r, 3, 3, AllCorners, 1);
        canvas->GetFill().SetSolidColor(0xFF000000);
        canvas->FillText(r, r, m_text, false, 1);
    }

private:
    std::u16string m_text;
    uint32_t m_color;
};

class SceneFixture {
public:
    SceneFixture()
    {
        Initialize2DLibrary();
        platform::ui::FormOptions options;
        options.clientWidth = kWidth;
        options.clientHeight = kHeight;
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, kWidth, kHeight);
        auto* root = new TwzVisualObject(owner.get());
        scene->AddObject(root);
        // 20 columns of 10 rows of 35 x 40 cells, each with a 33 x 36 box.
        for (int i = 0; i < 200; ++i) {
            const std::u16string text = u"Item " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26));
            auto* box = new TLabelBox(
                owner.get(), text, 0xFF000000u | static_cast<uint32_t>(0x405060 + i * 0x010203));
            root->AddObject(box);
            box->SetBounds(
                static_cast<float>((i % 20) * 35 + 1), static_cast<float>((i / 20) * 40 + 2), 33, 36);
        }
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
    }
    ~SceneFixture()
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }
    void Repaint(const TwzRect& rect)
    {
        scene->AddUpdateRect(rect);
        app.ProcessMessages();
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
};

void BM_RepaintDirtyRect100x30(benchmark::State& state)
{
    SceneFixture fixture;
    for (auto _ : state)
        fixture.Repaint({ 300, 185, 400, 215 });
}
BENCHMARK(BM_RepaintDirtyRect100x30)->Unit(benchmark::kMillisecond);

void BM_RepaintWholeScene(benchmark::State& state)
{
    SceneFixture fixture;
    for (auto _ : state)
        fixture.Repaint({ 0, 0, kWidth, kHeight });
}
BENCHMARK(BM_RepaintWholeScene)->Unit(benchmark::kMillisecond);

} // namespace
