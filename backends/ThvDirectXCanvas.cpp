#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvBitmap.h"

#include "platform/rtl/ClassInfo.h"

#include <algorithm>

using namespace platform::gpu;

RTL_IMPLEMENT_CLASS(ThvDirectXCanvas)

namespace {

bool OffersSamples(D3DMULTISAMPLE_TYPE type)
{
    return Succeeded(hvDirect3D->CheckDeviceMultiSampleType(
        D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, type, nullptr));
}

bool MultisamplingQuality(ThvQuality quality)
{
    return quality == hvHighQuality || quality == hvSuperHighQuality;
}

} // namespace

// ---- construction ---------------------------------------------------------------------------

ThvDirectXCanvas::ThvDirectXCanvas(
    scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality)
    : ThvCanvas(handle, width, height, buffered, quality)
{
    if (!hvDirect3D)
        return;
    const uint32_t flags = ReadCaps();
    m_canMultisample2 = OffersSamples(D3DMULTISAMPLE_2_SAMPLES);
    m_canMultisample4 = OffersSamples(D3DMULTISAMPLE_4_SAMPLES);
    m_device = CreateDeviceFor(handle, flags);
    if (!m_device)
        return;
    if (m_buffered)
        CreateReadbackSurfaces();
    CreateRings();
    RecordAllStates();
}

ThvDirectXCanvas::ThvDirectXCanvas(ThvBitmap* bitmap)
    : ThvCanvas(bitmap)
{
    if (!hvDirect3D)
        return;
    m_device = CreateDeviceFor(nullptr, ReadCaps());
    if (!m_device)
        return;
    CreateBitmapTargets();
    CreateRings();
    RecordAllStates();
}

ThvDirectXCanvas::~ThvDirectXCanvas() = default;

DevicePtr ThvDirectXCanvas::CreateDeviceFor(scene3d::WindowHandle window, uint32_t flags)
{
    FillPresentParameters(window, m_presentParameters);
    DevicePtr device;
    // NOTE: bitmap canvases take the extended call too when the process is on that path, so
    // that the extended state checks and resets of the frame cycle are answered by every
    // device the process makes.
    if (hvDirect3DCreate9Ex) {
        hvDirect3D->CreateDeviceEx(
            D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flags, m_presentParameters, nullptr, device);
        if (device) {
            m_extendedDevice = true;
            return device;
        }
        // The first refusal moves the whole process to the plain interface for good.
        hvDirect3DCreate9Ex = false;
        FillPresentParameters(window, m_presentParameters);
    }
    if (hvFailed(hvDirect3D->CreateDevice(
            D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, flags, m_presentParameters, device)))
        device.reset();
    m_extendedDevice = false;
    return device;
}

uint32_t ThvDirectXCanvas::ReadCaps()
{
    D3DCAPS9 caps {};
    hvDirect3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps);
    if (caps.MaxActiveLights > 0)
        m_maxActiveLights = caps.MaxActiveLights;
    uint32_t flags = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) {
        flags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
        if (caps.DevCaps & D3DDEVCAPS_PUREDEVICE)
            flags |= D3DCREATE_PUREDEVICE;
    }
    return flags | D3DCREATE_MULTITHREADED | D3DCREATE_FPU_PRESERVE;
}

void ThvDirectXCanvas::FillPresentParameters(scene3d::WindowHandle window, D3DPRESENT_PARAMETERS& pp) const
{
    pp = {};
    // A size of 0 lets the device take its smallest swap chain; a negative one must not wrap
    // around to a huge unsigned size.
    pp.BackBufferWidth = static_cast<uint32_t>(std::max(m_width, 0));
    pp.BackBufferHeight = static_cast<uint32_t>(std::max(m_height, 0));
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 0;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = -1;
    pp.EnableAutoDepthStencil = -1;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    pp.MultiSampleType = D3DMULTISAMPLE_NONE;
    // A bitmap's canvas draws into targets of its own (CreateBitmapTargets) and never into the
    // swap chain: the smallest one spares two buffers of the bitmap's size.
    if (GetBitmap()) {
        pp.BackBufferWidth = 0;
        pp.BackBufferHeight = 0;
        return;
    }
    if (m_quality == hvSuperHighQuality && m_canMultisample4)
        pp.MultiSampleType = D3DMULTISAMPLE_4_SAMPLES;
    else if (MultisamplingQuality(m_quality) && m_canMultisample2)
        pp.MultiSampleType = D3DMULTISAMPLE_2_SAMPLES;
}

bool ThvDirectXCanvas::UsesExtendedPath() const
{
    return hvDirect3DCreate9Ex && m_extendedDevice;
}

bool ThvDirectXCanvas::WantsResolveTarget() const
{
    return MultisamplingQuality(m_quality) && (m_canMultisample2 || m_canMultisample4);
}

void ThvDirectXCanvas::CreateReadbackSurfaces()
{
    const uint32_t width = static_cast<uint32_t>(std::max(m_width, 0));
    const uint32_t height = static_cast<uint32_t>(std::max(m_height, 0));
    m_device->CreateOffscreenPlainSurface(
        width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, m_readbackSurface);
    if (WantsResolveTarget())
        m_device->CreateRenderTarget(
            width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, m_resolveTarget);
}

void ThvDirectXCanvas::CreateBitmapTargets()
{
    const uint32_t width = static_cast<uint32_t>(std::max(m_width, 0));
    const uint32_t height = static_cast<uint32_t>(std::max(m_height, 0));
    m_device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, m_renderTarget);
    m_device->CreateDepthStencilSurface(
        width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, -1, m_depthSurface);
    // A target that could not be made must not leave the device drawing into the swap chain
    // unnoticed: the frame is then read from nothing and the bitmap keeps its pixels.
    if (m_renderTarget)
        m_device->SetRenderTarget(0, m_renderTarget);
    if (m_depthSurface)
        m_device->SetDepthStencilSurface(m_depthSurface);
    m_device->CreateOffscreenPlainSurface(
        width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, m_readbackSurface);
}

void ThvDirectXCanvas::CreateRings()
{
    m_device->CreateVertexBuffer(
        kVertexRingSize, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZ, D3DPOOL_DEFAULT, m_vertexBuffer);
    m_device->CreateIndexBuffer(kIndexRingSize, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
        D3DPOOL_DEFAULT, m_indexBuffer);
    m_vertexPos = 0;
    m_indexPos = 0;
}

void ThvDirectXCanvas::RecordAllStates()
{
    for (size_t state = 0; state < ::kRenderStateCount; ++state)
        RecordState(static_cast<ThvRenderState>(state));
}

void ThvDirectXCanvas::ReleaseStates()
{
    for (StateBlockPtr& block : m_stateHandles)
        block.reset();
    for (std::optional<ThvMatrix>& projection : m_recordedProjections)
        projection.reset();
    m_transforms.Known = false;
}

void ThvDirectXCanvas::ReleaseTextures()
{
    // Through DestroyBitmapHandle, so that every bitmap also forgets this canvas: a bitmap
    // still listing it would call back into a canvas that may be gone by then.
    while (!Bitmaps().empty()) {
        ThvBitmap* bitmap = Bitmaps().back();
        DestroyBitmapHandle(bitmap);
        RemoveBitmapHandle(bitmap);
    }
}

// ---- resets and release -------------------------------------------------------------------

void ThvDirectXCanvas::ResizeBuffer(int32_t width, int32_t height)
{
    m_inBaseResize = true;
    ThvCanvas::ResizeBuffer(width, height);
    m_inBaseResize = false;
    // The scene may switch Buffered without a change of size: the back buffer follows it.
    if (!GetBitmap()) {
        if (m_buffered && !HasBackBuffer())
            CreateBackBuffer();
        else if (!m_buffered && HasBackBuffer())
            ThvCanvas::FreeBuffer();
    }
    if (!m_device)
        return;

    m_stencilBit = 8; // the depth-stencil surface is made anew
    m_heldFrames.clear();
    m_otherTarget.reset();
    m_otherReadback.reset();
    m_targetStale = false;
    m_transforms.Known = false; // a reset returns the transforms to their defaults
    m_readbackSurface.reset();
    m_resolveTarget.reset();
    // A bitmap canvas's own targets are video-memory surfaces, which a plain reset needs
    // released, and which a reset leaves unbound anyway: they are made anew below.
    m_renderTarget.reset();
    m_depthSurface.reset();
    const scene3d::WindowHandle window = GetBitmap() ? nullptr : GetHandle();

    if (UsesExtendedPath()) {
        FillPresentParameters(window, m_presentParameters);
        m_device->ResetEx(m_presentParameters, nullptr);
        RecordState(hvStateCameraProjection);
        RecordState(hvStateScreenProjection);
        if (GetBitmap())
            CreateBitmapTargets();
        else if (m_buffered)
            CreateReadbackSurfaces();
        return;
    }

    ReleaseTextures();
    m_keptExtrusions.clear();
    m_indexBuffer.reset();
    m_vertexBuffer.reset();
    m_vertexPos = 0;
    m_indexPos = 0;
    ReleaseStates();
    FillPresentParameters(window, m_presentParameters);
    m_device->Reset(m_presentParameters);
    if (GetBitmap())
        CreateBitmapTargets();
    else if (m_buffered)
        CreateReadbackSurfaces();
    CreateRings();
    RecordAllStates();
}

void ThvDirectXCanvas::SetQuality(ThvQuality value)
{
    ThvCanvas::SetQuality(value);
    ResizeBuffer(m_width, m_height);
}

void ThvDirectXCanvas::FreeBuffer()
{
    // The base resize frees only the back buffer it rebuilds, never the device.
    if (!m_inBaseResize) {
        ReleaseStates();
        m_readbackSurface.reset();
        m_resolveTarget.reset();
        m_renderTarget.reset();
        m_depthSurface.reset();
        m_heldFrames.clear();
        m_otherTarget.reset();
        m_otherReadback.reset();
        m_indexBuffer.reset();
        m_vertexBuffer.reset();
        m_vertexPos = 0;
        m_indexPos = 0;
        m_keptExtrusions.clear();
        m_device.reset();
        m_extendedDevice = false;
    }
    ThvCanvas::FreeBuffer();
}
