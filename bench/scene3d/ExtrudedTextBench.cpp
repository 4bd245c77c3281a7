// Extruded text on this machine's driver, for texts of 200 and 3,200 characters wrapped over
// many lines in a box of a fixed width (so the longer text has sixteen times the lines):
// - ExtrudedTextFrame: a frame of an unchanged text (layout, outlines and flattening as a
//   repaint needs them, then the extrusion of front, back and walls into the canvas's rings),
//   on a small target so that filling pixels does not dominate;
// - ExtrudedTextRebuilt: the same after the text changed each time, so everything is built anew;
// - ExtrudedTextOnOnePixel: the frame of an unchanged text on a one-pixel target, where the
//   driver has next to nothing to fill: what the geometry costs the processor;
// - TextOutlineFigures: the glyph outlines alone, their contours' directions put right.

#include "bench/support/SoftwareDirectX.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvText3D.h"

#include "graphics/Geometry.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Component.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

/// `count` characters of running text.
std::u16string RunningText(size_t count)
{
    const std::u16string words
        = u"Glyphforge extrudes lettering in any font, with front, back and side faces "
          u"of their own colour or picture, on a slab with rounded or cut corners, and "
          u"renders it at any size to a picture file. ";
    std::u16string text;
    while (text.size() < count)
        text += words;
    return text.substr(0, count);
}

/// An extruded text in a 30 x 8 box, drawn into a square bitmap (64 x 64 unless said) as the
/// render walk draws it.
class TextOnBitmap {
public:
    explicit TextOnBitmap(const std::u16string& value, int32_t side = 64)
        : m_target(side, side)
    {
        text = new ThvText3D(m_owner.get());
        text->SetWidth(30);
        text->SetHeight(8);
        text->SetDepth(0.6f);
        text->GetFont()->SetFamily("DejaVu Sans");
        text->GetFont()->SetSize(18);
        text->SetText(value);
        text->SetTempCanvas(m_target.GetCanvas());
    }
    ~TextOnBitmap() { text->SetTempCanvas(nullptr); }
    TextOnBitmap(const TextOnBitmap&) = delete;
    TextOnBitmap& operator=(const TextOnBitmap&) = delete;

    void Frame()
    {
        ThvCanvas* canvas = m_target.GetCanvas();
        canvas->ResetScene();
        if (!canvas->BeginScene())
            return;
        canvas->SetState(hvStateCameraProjection);
        canvas->SetState(hvStateCullNone);
        canvas->Clear(0);
        canvas->SetMatrix(hvIdentityMatrix);
        text->BeforePaint();
        text->Render();
        canvas->EndScene();
    }

    ThvText3D* text = nullptr;

private:
    rtl::TOwned<rtl::TComponent> m_owner { new rtl::TComponent(nullptr) };
    ThvBitmap m_target;
};

void SetCounters(benchmark::State& state, size_t characters)
{
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(characters));
    state.counters["characters"] = static_cast<double>(characters);
}

void BM_ExtrudedTextFrame(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    const auto characters = static_cast<size_t>(state.range(0));
    TextOnBitmap bench(RunningText(characters));
    bench.Frame();
    for (auto _ : state)
        bench.Frame();
    SetCounters(state, characters);
}
BENCHMARK(BM_ExtrudedTextFrame)->Arg(200)->Arg(3200)->Unit(benchmark::kMillisecond);

void BM_ExtrudedTextOnOnePixel(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    const auto characters = static_cast<size_t>(state.range(0));
    TextOnBitmap bench(RunningText(characters), 1);
    bench.Frame();
    for (auto _ : state)
        bench.Frame();
    SetCounters(state, characters);
}
BENCHMARK(BM_ExtrudedTextOnOnePixel)->Arg(200)->Arg(3200)->Unit(benchmark::kMillisecond);

void BM_ExtrudedTextRebuilt(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    const auto characters = static_cast<size_t>(state.range(0));
    // Two texts of the same length that differ in their last letter.
    const std::u16string texts[2] = { RunningText(characters), RunningText(characters - 1) + u"!" };
    TextOnBitmap bench(texts[0]);
    size_t n = 0;
    for (auto _ : state) {
        bench.text->SetText(texts[++n % 2]);
        bench.Frame();
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_ExtrudedTextRebuilt)->Arg(200)->Arg(3200)->Unit(benchmark::kMillisecond);

void BM_TextOutlineFigures(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    const auto characters = static_cast<size_t>(state.range(0));
    const std::u16string text = RunningText(characters);
    std::unique_ptr<TwzCanvas> layout = DefaultCanvasClass->Create(1, 1);
    layout->GetFont().SetFamily("DejaVu Sans");
    layout->GetFont().SetSize(18);
    for (auto _ : state) {
        TwzPathData path;
        layout->TextToPath(path, MakeRect(0, 0, 300, 80), text, true, wzTextAlignCenter, wzTextAlignCenter);
        benchmark::DoNotOptimize(path.Count());
    }
    SetCounters(state, characters);
}
BENCHMARK(BM_TextOutlineFigures)->Arg(200)->Arg(3200)->Unit(benchmark::kMillisecond);

} // namespace
