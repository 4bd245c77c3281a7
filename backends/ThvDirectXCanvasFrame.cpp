#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvBitmap.h"

#include <algorithm>
#include <cstring>

using namespace platform::gpu;

namespace {

struct FixedState {
    D3DRENDERSTATETYPE State;
    uint32_t Value;
};

// The base state of every frame. The alpha test drops what is fully transparent; with the
// separate alpha blend the frame's alpha becomes the coverage of what was drawn, which the
// read-back of transparent scenes and screenshots relies on.
constexpr FixedState kFixedStates[] = {
    { D3DRS_STENCILENABLE, 0 },
    { D3DRS_ALPHABLENDENABLE, 1 },
    { D3DRS_ALPHATESTENABLE, 1 },
    { D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL },
    { D3DRS_ALPHAREF, 1 },
    { D3DRS_SPECULARENABLE, 0 },
    { D3DRS_COLORVERTEX, 1 },
    { D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL },
    { D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL },
    { D3DRS_SPECULARMATERIALSOURCE, D3DMCS_MATERIAL },
    { D3DRS_SRCBLEND, D3DBLEND_SRCALPHA },
    { D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA },
    { D3DRS_SEPARATEALPHABLENDENABLE, 1 },
    { D3DRS_SRCBLENDALPHA, D3DBLEND_ONE },
    { D3DRS_DESTBLENDALPHA, D3DBLEND_INVSRCALPHA },
    { D3DRS_CLIPPING, 1 },
    { D3DRS_CLIPPLANEENABLE, 0 },
    { D3DRS_FOGENABLE, 0 },
    { D3DRS_SHADEMODE, D3DSHADE_FLAT },
    { D3DRS_FILLMODE, D3DFILL_SOLID },
    { D3DRS_CULLMODE, D3DCULL_CCW },
    { D3DRS_NORMALIZENORMALS, 1 },
};

/// Copies `rows` x `columns` pixels between blocks whose rows lie `sourceStride` and
/// `destStride` pixels apart, and clears what the source does not cover in the destination.
void CopyPixels(const uint32_t* source, int32_t sourceStride, int32_t sourceWidth, int32_t sourceHeight,
    uint32_t* dest, int32_t destWidth, int32_t destHeight)
{
    const int32_t columns = std::max(0, std::min(sourceWidth, destWidth));
    const int32_t rows = std::max(0, std::min(sourceHeight, destHeight));
    for (int32_t y = 0; y < destHeight; ++y) {
        uint32_t* row = dest + static_cast<ptrdiff_t>(y) * destWidth;
        if (y < rows) {
            std::copy_n(source + static_cast<ptrdiff_t>(y) * sourceStride, columns, row);
            std::fill(row + columns, row + destWidth, 0u);
        } else {
            std::fill(row, row + destWidth, 0u);
        }
    }
}

} // namespace

HRESULT ThvDirectXCanvas::AskDeviceState()
{
    return UsesExtendedPath() ? m_device->CheckDeviceState(GetHandle()) : m_device->TestCooperativeLevel();
}

bool ThvDirectXCanvas::BeginScene()
{
    if (!m_device)
        return false;
    ++m_sceneCount;
    m_stencilBit = 8;
    const HRESULT state = AskDeviceState();
    if (state == D3DERR_DEVICELOST)
        return false;
    if (state == D3DERR_DEVICENOTRESET) {
        ResizeBuffer(m_width, m_height);
        if (!m_device || hvFailed(AskDeviceState()))
            return false;
    }
    if (GetBitmap()) {
        // The target about to be drawn into may hold the oldest frame not yet taken.
        if (!m_heldFrames.empty() && m_heldFrames.front() == m_readbackSurface)
            TakeFrame();
        if (m_targetStale && m_renderTarget) {
            m_device->SetRenderTarget(0, m_renderTarget);
            m_targetStale = false;
        }
    }
    // Any other failure is not one the canvas can act on: the frame goes ahead and fails
    // inside the device without effect.
    if (hvFailed(m_device->BeginScene()) || !m_vertexBuffer || !m_indexBuffer)
        return true;

    SetFixedStates();
    if (GetLighting()) {
        m_device->SetRenderState(D3DRS_LIGHTING, 1);
        m_device->SetRenderState(D3DRS_AMBIENT, GetAmbientColor());
        InstallLights();
    } else {
        m_device->SetRenderState(D3DRS_LIGHTING, 0);
        for (uint32_t index = 0; index < m_maxActiveLights; ++index)
            m_device->LightEnable(index, 0);
    }
    SetState(hvStateCameraProjection);
    return true;
}

void ThvDirectXCanvas::SetFixedStates()
{
    for (const FixedState& fixed : kFixedStates)
        m_device->SetRenderState(fixed.State, fixed.Value);
}

void ThvDirectXCanvas::Clear(uint32_t color)
{
    if (!m_device)
        return;
    // The stencil buffer is left alone: whoever uses it clears it.
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0);
}

void ThvDirectXCanvas::EndScene()
{
    if (!m_device)
        return;
    const bool ready = Succeeded(m_device->TestCooperativeLevel());
    if (ready)
        m_device->EndScene();

    if (GetBitmap()) {
        if (m_renderTarget && m_readbackSurface
            && Succeeded(m_device->GetRenderTargetData(m_renderTarget, m_readbackSurface))) {
            // A held frame stays on its way while the next one is drawn into the other target.
            if (m_holdFrames && MakeOtherTarget()) {
                m_heldFrames.push_back(m_readbackSurface);
                std::swap(m_renderTarget, m_otherTarget);
                std::swap(m_readbackSurface, m_otherReadback);
                m_targetStale = true;
            } else {
                CopyReadbackIntoBitmap(m_readbackSurface);
            }
        }
    } else if (m_buffered && HasBackBuffer()) {
        // Read before presenting: a discarded back buffer holds nothing defined afterwards.
        ReadBackBuffer(GetBackBufferBits(), m_readbackSurface, m_resolveTarget);
    }

    if (!GetBitmap() && ready) {
        const HRESULT presented = UsesExtendedPath()
            ? m_device->PresentEx(nullptr, nullptr, nullptr, nullptr, 0)
            : m_device->Present(nullptr, nullptr, nullptr, nullptr);
        if (Succeeded(presented)) {
            const FrontBuffer& front = m_device->GetFrontBuffer();
            DeliverFrame(front.Width, front.Height, front.Pixels.data());
        }
    }
}

void ThvDirectXCanvas::CopyReadbackIntoBitmap(const SurfacePtr& readback)
{
    ThvBitmap* bitmap = GetBitmap();
    uint32_t* bits = nullptr;
    // Only what the bitmap and the frame share is copied: a bitmap of another size must not be
    // written past its end.
    if (!bitmap || !bitmap->Map(bits, false))
        return;
    const int32_t width = bitmap->GetWidth();
    if (ReadSurface(readback, bits, std::min(m_width, width), std::min(m_height, bitmap->GetHeight()), width))
        bitmap->SetNeedUpdate(true);
    bitmap->Unmap();
}

bool ThvDirectXCanvas::MakeOtherTarget()
{
    if (m_otherTarget && m_otherReadback)
        return true;
    const uint32_t width = static_cast<uint32_t>(std::max(m_width, 0));
    const uint32_t height = static_cast<uint32_t>(std::max(m_height, 0));
    SurfacePtr target;
    SurfacePtr readback;
    if (!m_device || !m_renderTarget
        || hvFailed(
            m_device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, target))
        || hvFailed(m_device->CreateOffscreenPlainSurface(
            width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, readback))
        || !target || !readback)
        return false;
    m_otherTarget = std::move(target);
    m_otherReadback = std::move(readback);
    return true;
}

void ThvDirectXCanvas::SetHoldFrames(bool hold)
{
    m_holdFrames = hold && GetBitmap();
    if (!m_holdFrames)
        m_heldFrames.clear();
}

bool ThvDirectXCanvas::TakeFrame()
{
    if (m_heldFrames.empty())
        return false;
    const SurfacePtr readback = std::move(m_heldFrames.front());
    m_heldFrames.erase(m_heldFrames.begin());
    CopyReadbackIntoBitmap(readback);
    return true;
}

bool ThvDirectXCanvas::TakeFrameInto(uint32_t* bits, int32_t width, int32_t height)
{
    if (m_heldFrames.empty() || !bits || width != m_width || height != m_height)
        return false;
    const SurfacePtr readback = std::move(m_heldFrames.front());
    m_heldFrames.erase(m_heldFrames.begin());
    // The frame is taken either way: one that cannot be read leaves a blank tile, never the
    // next frame in its place.
    if (!ReadSurface(readback, bits, width, height, width))
        std::fill(bits, bits + static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    return true;
}

bool ThvDirectXCanvas::ReadSurface(
    const SurfacePtr& surface, uint32_t* bits, int32_t columns, int32_t rows, int32_t stride)
{
    if (!surface || !bits)
        return false;
    D3DSURFACE_DESC desc {};
    if (hvFailed(surface->GetDesc(desc)))
        return false;
    columns = static_cast<int32_t>(std::min<int64_t>(columns, desc.Width));
    rows = static_cast<int32_t>(std::min<int64_t>(rows, desc.Height));
    if (columns <= 0 || rows <= 0)
        return false;
    D3DLOCKED_RECT locked {};
    if (hvFailed(surface->LockRect(locked, nullptr, 0)))
        return false;
    const auto* source = static_cast<const uint8_t*>(locked.pBits);
    for (int32_t y = 0; y < rows; ++y)
        std::memcpy(bits + static_cast<ptrdiff_t>(y) * stride,
            source + static_cast<ptrdiff_t>(y) * locked.Pitch, static_cast<size_t>(columns) * 4);
    surface->UnlockRect();
    return true;
}

bool ThvDirectXCanvas::ReadBackBuffer(uint32_t* bits, const SurfacePtr& readback, const SurfacePtr& resolve)
{
    if (!readback)
        return false;
    SurfacePtr back;
    if (hvFailed(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back)) || !back)
        return false;
    SurfacePtr source = back;
    if (resolve) {
        const RECT whole { 0, 0, m_width, m_height };
        if (hvFailed(m_device->StretchRect(back, &whole, resolve, &whole, D3DTEXF_LINEAR)))
            return false;
        source = resolve;
    }
    if (hvFailed(m_device->GetRenderTargetData(source, readback)))
        return false;
    return ReadSurface(readback, bits, m_width, m_height, m_width);
}

void ThvDirectXCanvas::CopyBits(uint32_t* bits)
{
    if (!m_device || !bits || m_width <= 0 || m_height <= 0)
        return;
    if (ThvBitmap* bitmap = GetBitmap()) {
        // The bitmap holds the last finished frame.
        CopyPixels(bitmap->Bits().data(), bitmap->GetWidth(), bitmap->GetWidth(), bitmap->GetHeight(), bits,
            m_width, m_height);
        return;
    }
    if (m_buffered && HasBackBuffer()) {
        ReadBackBuffer(bits, m_readbackSurface, m_resolveTarget);
        return;
    }
    // Without a buffer of its own the canvas gives the frame it presented last (nothing
    // before the first one), never a back buffer whose content a presentation discarded.
    const FrontBuffer& front = m_device->GetFrontBuffer();
    CopyPixels(front.Pixels.data(), front.Width, front.Width, front.Height, bits, m_width, m_height);
}

void ThvDirectXCanvas::ClearFromBits(const uint32_t* bits)
{
    if (!m_device || !bits || m_width <= 0 || m_height <= 0)
        return;
    m_device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    const uint32_t width = static_cast<uint32_t>(m_width);
    const uint32_t height = static_cast<uint32_t>(m_height);
    const size_t rowBytes = size_t { width } * 4;
    if (m_readbackSurface) {
        D3DLOCKED_RECT locked {};
        if (Succeeded(m_readbackSurface->LockRect(locked, nullptr, 0))) {
            for (uint32_t y = 0; y < height; ++y)
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                    bits + size_t { y } * width, rowBytes);
            m_readbackSurface->UnlockRect();
        }
    }
    DrawFrameFromBits(bits);
}

void ThvDirectXCanvas::DrawFrameFromBits(const uint32_t* bits)
{
    // The pixels reach the colour target as one point-sampled quad over the whole target,
    // texel on pixel, written as they are: no blending, no alpha test, no depth.
    const uint32_t width = static_cast<uint32_t>(m_width);
    const uint32_t height = static_cast<uint32_t>(m_height);
    TexturePtr texture;
    if (hvFailed(m_device->CreateTexture(
            width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture))
        || !texture)
        return;
    D3DLOCKED_RECT locked {};
    if (hvFailed(texture->LockRect(0, locked, nullptr, D3DLOCK_DISCARD)))
        return;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
            bits + size_t { y } * width, size_t { width } * 4);
    texture->UnlockRect(0);

    Device& d = *m_device;
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    d.SetRenderState(D3DRS_STENCILENABLE, 0);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d.SetRenderState(D3DRS_LIGHTING, 0);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    d.SetTransform(D3DTS_PROJECTION, hvMatrixToD3D(GetScreenMatrix()));
    d.SetTransform(D3DTS_VIEW, hvMatrixToD3D(hvIdentityMatrix));
    d.SetTransform(D3DTS_WORLD, hvMatrixToD3D(hvIdentityMatrix));
    m_transforms.Known = false;
    d.SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
    d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    d.SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    d.SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    d.SetTexture(0, texture);

    const float right = static_cast<float>(width) - 0.5f;
    const float bottom = static_cast<float>(height) - 0.5f;
    DrawThroughRings(D3DPT_TRIANGLELIST, 4, 6, 2, [&](ThvColorVertex* v, uint16_t* i) {
        v[0] = hvColorVertex(-0.5f, -0.5f, 0, 0, 0, 0, 0xFFFFFFFF, 0, 0);
        v[1] = hvColorVertex(right, -0.5f, 0, 0, 0, 0, 0xFFFFFFFF, 1, 0);
        v[2] = hvColorVertex(right, bottom, 0, 0, 0, 0, 0xFFFFFFFF, 1, 1);
        v[3] = hvColorVertex(-0.5f, bottom, 0, 0, 0, 0, 0xFFFFFFFF, 0, 1);
        const uint16_t quad[6] = { 0, 1, 3, 3, 1, 2 };
        std::copy_n(quad, 6, i);
    });
    d.SetTexture(0, nullptr);

    // Back to the frame's state: the fixed states and the device's depth defaults, the
    // presets on in this frame (the projections reset the world matrix, so it follows them)
    // and the current material.
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_ZWRITEENABLE, 1);
    d.SetRenderState(D3DRS_LIGHTING, GetLighting() ? 1 : 0);
    for (size_t s = 0; s < ::kRenderStateCount; ++s) {
        const auto state = static_cast<ThvRenderState>(s);
        if (GetStateOn(state))
            ApplyState(state);
    }
    d.SetTransform(D3DTS_WORLD, hvMatrixToD3D(GetWorldMatrix()));
    m_transforms.World = GetWorldMatrix();
    m_transforms.Stale = true;
    MaterialChanged(nullptr);
}
