// Speed of the 3D canvas on this machine's driver: frames of a lit 100,000-triangle mesh at
// 1024 x 768 drawn through the canvas as the scene draws them (presets, material, light,
// FillMesh through the rings, presentation), and a 4096 x 4096 frame read back into its bitmap.

#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvPosition.h"

#include "platform/gpu/Device.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

/// The Direct3D module over OpenGL in software for the life of one benchmark.
class OpenGlModule {
public:
    OpenGlModule()
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        hvDirectXInit();
    }
    ~OpenGlModule() { hvDirectXDone(); }
    OpenGlModule(const OpenGlModule&) = delete;
    OpenGlModule& operator=(const OpenGlModule&) = delete;
    [[nodiscard]] bool Ready() const { return hvDirect3D != nullptr; }
};

// One band of a wavy unit sheet in the X-Z plane, facing the camera (-Y): columns x rows
// quads, two triangles each.
void Band(ThvMeshData& mesh, int columns, int rows)
{
    std::vector<ThvTexVertexNormal>& vertices = mesh.Vertices();
    std::vector<uint16_t>& indices = mesh.Indices();
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= columns; ++c) {
            const float u = static_cast<float>(c) / static_cast<float>(columns);
            const float v = static_cast<float>(r) / static_cast<float>(rows);
            const float x = u - 0.5f, z = 0.5f - v;
            const float y = 0.02f * std::sin(x * 20) * std::cos(z * 20);
            vertices.push_back(
                hvTexVertexNormal(x, y, z, 0.4f * std::cos(x * 20), -1, 0.4f * std::sin(z * 20), u, v));
        }
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const auto i = static_cast<uint16_t>(r * (columns + 1) + c);
            const auto below = static_cast<uint16_t>(i + columns + 1);
            indices.insert(indices.end(),
                { i, static_cast<uint16_t>(i + 1), below, below, static_cast<uint16_t>(i + 1),
                    static_cast<uint16_t>(below + 1) });
        }
    }
}

// 200 frames of 100,000 lit triangles (four meshes of 25,000) on a 1024 x 768 window canvas,
// each presented, which reads the frame back into the window's front buffer.
void BM_CanvasMeshFrames(benchmark::State& state)
{
    OpenGlModule module;
    if (!module.Ready()) {
        state.SkipWithError("no EGL display or OpenGL context");
        return;
    }
    rtl::TOwned<ThvDirectXCanvas> canvas(new ThvDirectXCanvas(nullptr, 1024, 768, false, hvLowQuality));
    std::vector<std::unique_ptr<ThvMeshData>> bands;
    size_t triangles = 0;
    for (int band = 0; band < 4; ++band) {
        bands.push_back(std::make_unique<ThvMeshData>());
        Band(*bands.back(), 125, 100);
        triangles += bands.back()->Indices().size() / 3;
    }
    rtl::TOwned<ThvLight> light(new ThvLight(nullptr));
    light->GetRotateAngle()->SetX(-20);
    ThvMaterial material;
    material.SetDiffuseColor(0xFFC08040);
    const ThvMatrix view = hvMatrixLookAtDirRH({ 0, -10, 0, 1 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 });
    ThvMatrix inverse = view;
    hvInvertMatrix(inverse);

    for (auto _ : state) {
        canvas->ResetScene();
        canvas->SetLighting(true);
        canvas->SetAmbientColor(0xFF202020);
        canvas->SetViewMatrices(view, inverse);
        canvas->AddLight(light.get());
        if (!canvas->BeginScene()) {
            state.SkipWithError("the frame could not begin");
            return;
        }
        for (ThvRenderState preset : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn,
                 hvStateLightingOn, hvStateFilterLinear, hvStateCullCCW })
            canvas->SetState(preset);
        canvas->Clear(0xFF000000);
        canvas->SetMatrix(hvIdentityMatrix);
        canvas->SetMaterial(material);
        for (int band = 0; band < 4; ++band) {
            const float x = band % 2 == 0 ? -1.6f : 1.6f;
            const float z = band < 2 ? 1.1f : -1.1f;
            canvas->FillMesh({ x, 0, z, 1 }, { 3.2f, 1, 2.2f, 1 }, *bands[static_cast<size_t>(band)], 1);
        }
        canvas->EndScene();
    }
    state.counters["fps"]
        = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(triangles);
    // A frame that drew nothing would make the figure meaningless.
    const platform::gpu::FrontBuffer& front = canvas->GetDevice()->GetFrontBuffer();
    if (front.Pixels.empty() || front.Pixels[size_t { 384 } * 1024 + 512] == 0xFF000000u)
        state.SkipWithError("the mesh did not reach the frame");
}
BENCHMARK(BM_CanvasMeshFrames)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

// A 4096 x 4096 bitmap canvas: each frame is cleared and read back into the bitmap's pixels.
void BM_CanvasReadBack4096(benchmark::State& state)
{
    OpenGlModule module;
    if (!module.Ready()) {
        state.SkipWithError("no EGL display or OpenGL context");
        return;
    }
    ThvBitmap bitmap(4096, 4096);
    ThvCanvas* canvas = bitmap.GetCanvas();
    if (!canvas || !canvas->BeginScene()) {
        state.SkipWithError("no 4096 x 4096 bitmap canvas");
        return;
    }
    canvas->Clear(0xFF336699);
    canvas->EndScene();
    for (auto _ : state) {
        canvas->BeginScene();
        canvas->EndScene();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 4096 * 4096 * 4);
    if (bitmap.Bits()[size_t { 2048 } * 4096 + 2048] != 0xFF336699u)
        state.SkipWithError("the frame did not reach the bitmap");
}
BENCHMARK(BM_CanvasReadBack4096)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
