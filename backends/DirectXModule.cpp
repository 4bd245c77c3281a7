#include "backends/DirectXModule.h"

#include "backends/ThvDirectXCanvas.h"
#include "backends/ThvFilterGdiPlus.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFilter.h"

#include "platform/gpu/Device.h"

#include <cstring>

using namespace platform::gpu;

void hvDirectXInit()
{
    hvD3D9Library = LoadRuntime();
    if (hvD3D9Library) {
        hvDirect3DCreate9 = hvD3D9Library->ExportsDirect3DCreate9();
        hvDirect3DCreate9Ex = hvD3D9Library->ExportsDirect3DCreate9Ex();
    } else {
        hvDirect3DCreate9 = false;
        hvDirect3DCreate9Ex = false;
    }
    hvDefaultFilterClass = &kFilterClassOf<ThvFilterGdiPlus>;
    hvDefaultCanvasClass = &kCanvasClassOf<ThvDirectXCanvas>;
    CreateDirect3D();
}

void hvDirectXDone()
{
    hvDirect3D.reset();
    hvD3D9Library.reset();
    hvDirect3DCreate9 = false;
    hvDirect3DCreate9Ex = false;
}

void CreateDirect3D()
{
    hvDirect3D.reset();
    // A missing entry point is never called: without either the process has no Direct3D
    // object and every canvas goes without a device.
    if (hvD3D9Library && hvDirect3DCreate9Ex) {
        SystemPtr system;
        hvD3D9Library->Direct3DCreate9Ex(kDirect3DSdkVersion, system);
        hvDirect3D = std::move(system);
        if (!hvDirect3D) {
            hvDirect3DCreate9Ex = false;
            if (hvDirect3DCreate9)
                hvDirect3D = hvD3D9Library->Direct3DCreate9(kDirect3DSdkVersion);
        }
    } else if (hvD3D9Library && hvDirect3DCreate9) {
        hvDirect3D = hvD3D9Library->Direct3DCreate9(kDirect3DSdkVersion);
    }
    if (!hvDirect3D)
        return;
    D3DCAPS9 caps {};
    // Caps that could not be read keep the default width rather than a width of 0, which
    // would make every screenshot tile empty.
    if (Succeeded(hvDirect3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps))
        && caps.MaxTextureWidth > 0)
        hvMaxTextureWidth = static_cast<int32_t>(caps.MaxTextureWidth);
}

D3DCOLORVALUE hvColorToD3D(uint32_t color)
{
    return { static_cast<float>((color >> 16) & 0xFF) / 255.0f,
        static_cast<float>((color >> 8) & 0xFF) / 255.0f, static_cast<float>(color & 0xFF) / 255.0f,
        static_cast<float>(color >> 24) / 255.0f };
}

D3DVECTOR hvVectorToD3D(const ThvVector& v)
{
    return { v.X, v.Y, v.Z };
}

D3DMATRIX hvMatrixToD3D(const ThvMatrix& m)
{
    D3DMATRIX result;
    static_assert(sizeof(result.m) == sizeof(m.M));
    std::memcpy(result.m, m.M, sizeof(result.m));
    return result;
}
