#pragma once

#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFilter.h"
#include "scene3d/ThvMaterial.h"

#include "platform/gpu/RecordingDevice.h"
#include "platform/rtl/Component.h"

#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace backendtest {

using namespace platform::gpu;

using CanvasPtr = rtl::TOwned<ThvDirectXCanvas>;

/// A window handle the devices pass on without looking at it.
inline scene3d::WindowHandle const kWindow = reinterpret_cast<scene3d::WindowHandle>(uintptr_t { 0x5100 });

inline CanvasPtr MakeWindowCanvas(
    int32_t width, int32_t height, bool buffered = false, ThvQuality quality = hvLowQuality)
{
    return CanvasPtr(new ThvDirectXCanvas(kWindow, width, height, buffered, quality));
}

inline CanvasPtr MakeBitmapCanvas(ThvBitmap& bitmap)
{
    return CanvasPtr(new ThvDirectXCanvas(&bitmap));
}

/// Restores everything the Direct3D module changes in the process, whatever a test leaves.
class ModuleGuard {
public:
    ModuleGuard()
        : m_canvasClass(hvDefaultCanvasClass)
        , m_filterClass(hvDefaultFilterClass)
        , m_maxTextureWidth(hvMaxTextureWidth)
    { }
    ~ModuleGuard()
    {
        hvDirectXDone();
        SetRuntimeLoader({});
        hvDefaultCanvasClass = m_canvasClass;
        hvDefaultFilterClass = m_filterClass;
        hvMaxTextureWidth = m_maxTextureWidth;
    }
    ModuleGuard(const ModuleGuard&) = delete;
    ModuleGuard& operator=(const ModuleGuard&) = delete;

private:
    const ThvCanvasClass* m_canvasClass;
    const ThvFilterClass* m_filterClass;
    int32_t m_maxTextureWidth;
};

/// Starts the module over the recording runtime with these options; `script` scripts results
/// before the module makes its Direct3D object.
inline std::shared_ptr<RecordingRuntime> StartRecording(
    RecordingOptions options = {}, const std::function<void(Recorder&)>& script = {})
{
    auto runtime = std::make_shared<RecordingRuntime>(std::move(options));
    if (script)
        script(runtime->GetRecorder());
    SetRuntimeLoader([runtime] { return runtime; });
    hvDirectXInit();
    return runtime;
}

/// Starts the module over OpenGL in software; false when this machine has no EGL display or
/// context.
inline bool StartOpenGl()
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    SetRuntimeLoader({});
    hvDirectXInit();
    return hvDirect3D != nullptr;
}

inline RecordingDevice& Recording(const ThvDirectXCanvas& canvas)
{
    auto* device = dynamic_cast<RecordingDevice*>(canvas.GetDevice().get());
    if (!device)
        throw std::logic_error("the canvas has no recording device");
    return *device;
}

/// The calls logged since `from` that contain `text`.
inline std::vector<std::string> CallsWith(const Recorder& recorder, const std::string& text, size_t from = 0)
{
    std::vector<std::string> lines;
    const std::vector<std::string>& calls = recorder.Calls();
    for (size_t i = from; i < calls.size(); ++i) {
        if (calls[i].find(text) != std::string::npos)
            lines.push_back(calls[i]);
    }
    return lines;
}

/// The frame protocol as the scene drives it, up to the defaults and the clear: reset,
/// lighting, the view, BeginScene, the scene's default presets. `view` is the view matrix
/// (the identity looks from the origin along -Z).
inline bool BeginFrame(ThvCanvas& canvas, uint32_t clearColor, bool lighting = false,
    const ThvMatrix& view = hvIdentityMatrix, uint32_t ambient = 0)
{
    canvas.ResetScene();
    canvas.SetLighting(lighting);
    canvas.SetAmbientColor(ambient);
    ThvMatrix inverse = view;
    hvInvertMatrix(inverse);
    canvas.SetViewMatrices(view, inverse);
    if (!canvas.BeginScene())
        return false;
    for (ThvRenderState state : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn, hvStateLightingOn,
             hvStateFilterLinear, hvStateCullCCW })
        canvas.SetState(state);
    canvas.Clear(clearColor);
    return true;
}

inline ThvMatrix Translation(float x, float y, float z)
{
    ThvMatrix m = hvIdentityMatrix;
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    return m;
}

/// The view of a camera at (0, -10, 0) looking along +Y with Z up, as a new camera stands.
inline ThvMatrix FrontView()
{
    return hvMatrixLookAtDirRH({ 0, -10, 0, 1 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 });
}

/// Gives the canvas a material of one colour, untextured, unlit unless asked.
inline void UseColor(ThvCanvas& canvas, uint32_t diffuse, bool lighting = false)
{
    ThvMaterial m;
    m.SetDiffuseColor(diffuse);
    m.SetLighting(lighting);
    canvas.SetMaterial(m);
}

/// Textures the canvas's material with `bitmap` directly (copies of a material do not carry
/// a direct texture) and applies the material.
inline void UseTexture(ThvCanvas& canvas, ThvBitmap* bitmap)
{
    if (canvas.GetMaterial()->GetTextureBitmap() != bitmap)
        canvas.GetMaterial()->SetTexture(bitmap); // notifies the canvas
    else
        canvas.MaterialChanged(nullptr);
}

/// Per-channel comparison: exact values drift across driver versions.
inline ::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 3)
{
    return testsupport::PixelNear(actual, expected, tolerance);
}

using testsupport::PixelOf;

} // namespace backendtest
