// Speed of the extruded lettering on this machine's driver: a 200-character text laid out,
// turned into outlines and extruded through the 3D canvas (front, back and walls), and the
// export of the lettering scene at 1920 x 1080 with supersampling 6, with the memory it
// needs at its peak.

#include "bench/support/SoftwareDirectX.h"

#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Numbers.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace {

/// 200 characters of running text.
std::u16string TwoHundredCharacters()
{
    const std::u16string words
        = u"Glyphforge extrudes lettering in any font, with front, back and side faces "
          u"of their own colour or picture, on a slab with rounded or cut corners, and "
          u"renders it at any size to a picture file. ";
    std::u16string text;
    while (text.size() < 200)
        text += words;
    return text.substr(0, 200);
}

/// Bytes of the process's memory: "VmRSS" now or "VmHWM", the peak since the last reset.
int64_t ProcessMemory(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0) {
            std::string number = line.substr(key.size() + 1, line.find("kB") - key.size() - 1);
            std::erase(number, ' ');
            std::erase(number, '\t');
            return rtl::TryStrToInt64(number).value_or(0) * 1024;
        }
    }
    return 0;
}

/// Starts measuring the peak anew from the memory in use now.
void ResetPeakMemory()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

} // namespace

// (a) One frame of a 200-character text, wrapped over several lines: layout, outlines,
// flattening and the extrusion of its front, back and walls into the canvas's rings, on a
// small target so that filling pixels does not dominate.
void BM_TextToExtrudedMesh(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    ThvBitmap target(64, 64);
    ThvCanvas* canvas = target.GetCanvas();
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* text = new ThvText3D(owner.get());
    text->SetWidth(30);
    text->SetHeight(8);
    text->SetDepth(0.6f);
    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(18);
    text->SetText(TwoHundredCharacters());
    text->SetTempCanvas(canvas);
    for (auto _ : state) {
        canvas->ResetScene();
        if (!canvas->BeginScene())
            continue;
        canvas->SetState(hvStateCameraProjection);
        canvas->SetState(hvStateCullNone);
        canvas->Clear(0);
        canvas->SetMatrix(hvIdentityMatrix);
        text->BeforePaint();
        text->Render();
        canvas->EndScene();
    }
    text->SetTempCanvas(nullptr);
    state.SetItemsProcessed(state.iterations() * 200);
    state.counters["outline_length"] = text->GetOutlineLength();
}
BENCHMARK(BM_TextToExtrudedMesh)->Unit(benchmark::kMillisecond);

// (a), the part before the canvas: layout, outlines and flattening alone.
void BM_TextOutline(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    std::unique_ptr<TwzCanvas> layout = DefaultCanvasClass->Create(1, 1);
    layout->GetFont().SetFamily("DejaVu Sans");
    layout->GetFont().SetSize(18);
    const std::u16string text = TwoHundredCharacters();
    size_t points = 0;
    for (auto _ : state) {
        TwzPathData path;
        layout->TextToPath(path, MakeRect(0, 0, 300, 80), text, true, wzTextAlignCenter, wzTextAlignCenter);
        TwzPolygon polygon;
        path.FlattenPath(polygon, 1);
        points = polygon.size();
        benchmark::DoNotOptimize(polygon.data());
    }
    state.SetItemsProcessed(state.iterations() * 200);
    state.counters["points"] = static_cast<double>(points);
}
BENCHMARK(BM_TextOutline)->Unit(benchmark::kMillisecond);

// (b) and (c): the export of the lettering scene of the end-to-end test (text on a slab with
// rounded corners, a light, the design camera looking straight at it) at 1920 x 1080 with
// supersampling 6, and the most memory the process held beyond what it held before.
void BM_LetteringScreenshot(benchmark::State& state)
{
    bench::SoftwareDirectX modules;
    if (!modules.Ready()) {
        state.SkipWithError("no OpenGL here");
        return;
    }
    const int32_t width = 1920, height = 1080, scale = static_cast<int32_t>(state.range(0));
    rtl::TOwned<rtl::TComponent> form(new rtl::TComponent(nullptr));
    auto* scene = new ThvScene(form.get());
    scene->SetSize(800, 400);
    ThvBitmap window(800, 400);
    scene->SetCanvas(window.GetCanvas());
    scene->GetDesignCameraX()->GetRotateAngle()->SetX(0);

    auto* light = new ThvLight(form.get());
    scene->AddObject(light);
    light->GetRotateAngle()->SetZ(30);
    auto* container = new ThvDummy(form.get());
    scene->AddObject(container);
    container->GetRotateAngle()->SetX(-90);
    container->SetWidth(9);
    container->SetHeight(3);
    auto* slab = new ThvRectangle3D(form.get());
    container->AddObject(slab);
    slab->SetWidth(9);
    slab->SetHeight(3);
    slab->SetDepth(0.4f);
    slab->GetPosition()->SetZ(-0.2f);
    slab->SetxRadius(0.6f);
    slab->SetyRadius(0.6f);
    auto* text = new ThvText3D(form.get());
    container->AddObject(text);
    text->SetWidth(8);
    text->SetHeight(2);
    text->SetDepth(0.6f);
    text->GetPosition()->SetZ(0.3f);
    text->SetWordWrap(false);
    text->GetFont()->SetFamily("DejaVu Sans");
    text->GetFont()->SetSize(13);
    text->SetText(u"Glyphforge");
    scene->Render();

    TwzBitmap picture(width, height);
    int64_t peak = 0;
    for (auto _ : state) {
        const int64_t before = ProcessMemory("VmRSS");
        ResetPeakMemory();
        container->MakeScreenshot(&picture, width, height, 0, scale);
        peak = std::max(peak, ProcessMemory("VmHWM") - before);
    }

    // What assembling the supersampled picture whole would have held.
    const TwzRect screen = container->GetScreenBounds();
    TwzRect fitted = screen;
    const float ratio = RectFit(fitted, MakeRect(0, 0, width, height));
    const double target = ratio < 1 ? double { RectWidth(screen) } / ratio * RectHeight(screen) / ratio
                                    : double { RectWidth(fitted) } * RectHeight(fitted);
    constexpr double kMegabyte = 1024.0 * 1024.0;
    state.counters["peak_MB"] = static_cast<double>(peak) / kMegabyte;
    state.counters["output_MB"] = double { width } * height * 4 / kMegabyte;
    state.counters["whole_supersampled_MB"] = target * scale * scale * 4 / kMegabyte;
    scene->SetCanvas(nullptr);
}
BENCHMARK(BM_LetteringScreenshot)->Arg(6)->Unit(benchmark::kMillisecond)->Iterations(3);
