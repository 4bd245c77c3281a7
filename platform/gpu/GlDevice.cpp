#include "platform/gpu/GlDevice.h"

#include <algorithm>
#include <new>

// The device's life, its frame and its resources; states, draws, the lit programs and the
// targets live in GlDeviceStates, GlDeviceDraws, GlDevicePrograms and GlDeviceTargets.

namespace platform::gpu {

bool GlCaps::OffersSamples(D3DMULTISAMPLE_TYPE type) const
{
    return platform::gpu::OffersSamples(SampleCounts, type);
}

// --- creation and resets -----------------------------------------------------------------

GlDevice::GlDevice(GlContextPtr context, const GlCaps& caps, bool extended)
    : m_context(std::move(context))
    , m_gl(m_context->Gl())
    , m_caps(caps)
    , m_extended(extended)
{ }

HRESULT GlDevice::Create(const GlCaps& caps, bool extended, D3DPRESENT_PARAMETERS& parameters,
    DevicePtr& result, GlContextPtr context)
{
    result.reset();
    if (!context || !context->MakeCurrent())
        context = GlContext::Create();
    if (!context)
        return D3DERR_NOTAVAILABLE;
    std::shared_ptr<GlDevice> device(new GlDevice(context, caps, extended));
    const GlFunctions& gl = device->m_gl;
    gl.glGenFramebuffers(1, &device->m_drawFramebuffer);
    gl.glGenFramebuffers(1, &device->m_readFramebuffer);
    gl.glGenFramebuffers(1, &device->m_blitFramebuffer);

    // Fixed for the device's life: D3D's front face is clockwise and flat shading takes the
    // first vertex; GL's "front" is kept equal to D3D's, which holds because no fix flips Y.
    glFrontFace(GL_CW);
    gl.glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glDisable(GL_FOG);
    glDisable(GL_DITHER);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    gl.glActiveTexture(GL_TEXTURE0);
    gl.glClientActiveTexture(GL_TEXTURE0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    HRESULT hr = device->ResetDevice(parameters);
    if (Failed(hr))
        return hr;
    result = device;
    return D3D_OK;
}

GlDevice::~GlDevice()
{
    // Reads on their way are abandoned: their destinations keep what they held.
    if (Enter()) {
        for (PendingRead& read : m_pendingReads) {
            m_gl.glDeleteSync(read.Fence);
            read.Destination->SetPendingRead(nullptr);
        }
    }
    m_pendingReads.clear();
    // Drop references first so resources die while the context is still whole.
    m_state.SetDefaults(false);
    m_renderTarget.reset();
    m_depthStencil.reset();
    if (Enter()) {
        GLuint framebuffers[] = { m_drawFramebuffer, m_readFramebuffer, m_blitFramebuffer };
        m_gl.glDeleteFramebuffers(3, framebuffers);
        m_gl.glUseProgram(0);
        for (const auto& [key, entry] : m_litPrograms) {
            if (entry.Program)
                m_gl.glDeleteProgram(entry.Program);
        }
    }
    if (m_reader && m_reader->MakeCurrent())
        m_gl.glDeleteFramebuffers(1, &m_readerFramebuffer);
    m_reader.reset();
}

HRESULT GlDevice::BuildSwapChain(const D3DPRESENT_PARAMETERS& p)
{
    uint32_t width = std::max<uint32_t>(p.BackBufferWidth, 1);
    uint32_t height = std::max<uint32_t>(p.BackBufferHeight, 1);
    if (width > m_caps.MaxRenderbufferSize || height > m_caps.MaxRenderbufferSize)
        return D3DERR_INVALIDCALL;
    if (!(ValidColorFormat(p.BackBufferFormat) || p.BackBufferFormat == D3DFMT_UNKNOWN))
        return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL;
    if (!m_caps.OffersSamples(p.MultiSampleType) || p.MultiSampleType == D3DMULTISAMPLE_NONMASKABLE)
        return D3DERR_INVALIDCALL;

    D3DSURFACE_DESC desc
        = SurfaceDesc(D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, 0);
    if (!m_backBuffer)
        m_backBuffer = std::make_shared<GlSurface>(m_context, GlSurface::Kind::Color, desc);
    HRESULT hr = m_backBuffer->Allocate(width, height, p.MultiSampleType);
    if (Failed(hr))
        return hr;

    if (p.MultiSampleType != D3DMULTISAMPLE_NONE) {
        if (!m_resolveBuffer)
            m_resolveBuffer = std::make_shared<GlSurface>(m_context, GlSurface::Kind::Color, desc);
        hr = m_resolveBuffer->Allocate(width, height, D3DMULTISAMPLE_NONE);
        if (Failed(hr))
            return hr;
    } else {
        m_resolveBuffer.reset();
    }

    if (p.EnableAutoDepthStencil) {
        desc.Format = D3DFMT_D24S8;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        if (!m_autoDepthStencil)
            m_autoDepthStencil = std::make_shared<GlSurface>(m_context, GlSurface::Kind::DepthStencil, desc);
        hr = m_autoDepthStencil->Allocate(width, height, p.MultiSampleType);
        if (Failed(hr))
            return hr;
    } else {
        m_autoDepthStencil.reset();
    }
    return D3D_OK;
}

HRESULT GlDevice::ResetDevice(D3DPRESENT_PARAMETERS& parameters)
{
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(nullptr);
    HRESULT hr = BuildSwapChain(parameters);
    if (Failed(hr))
        return hr;
    // The parameters are in/out: a size of 0 or an unknown format comes back as used.
    parameters.BackBufferWidth = m_backBuffer->Desc().Width;
    parameters.BackBufferHeight = m_backBuffer->Desc().Height;
    if (parameters.BackBufferFormat == D3DFMT_UNKNOWN)
        parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    m_parameters = parameters;
    m_state.SetDefaults(parameters.EnableAutoDepthStencil != 0);
    m_renderTarget = m_backBuffer;
    m_depthStencil = m_autoDepthStencil;
    m_targetDirty = true;
    if (!PrepareTarget())
        return E_FAIL;
    ApplyAllStates();
    return D3D_OK;
}

HRESULT GlDevice::TestCooperativeLevel()
{
    return D3D_OK;
}

HRESULT GlDevice::CheckDeviceState(WindowHandle)
{
    return m_extended ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS& parameters)
{
    return ResetDevice(parameters);
}

HRESULT GlDevice::ResetEx(D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode)
{
    if (!m_extended || fullscreenMode)
        return D3DERR_INVALIDCALL;
    return ResetDevice(parameters);
}

// --- frame -------------------------------------------------------------------------------

HRESULT GlDevice::BeginScene()
{
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = true;
    // The frame enables the lights it has; one removed since the last frame must not keep
    // shining from its old place.
    for (auto& [index, slot] : m_state.Lights)
        slot.Enabled = false;
    m_lightsDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::EndScene()
{
    if (!m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = false;
    if (Enter()) {
        // Earlier frames on their way out are read before this one is sent, which a read
        // would otherwise wait for as well.
        CompleteReads(nullptr, true);
        glFlush();
    }
    return D3D_OK;
}

HRESULT GlDevice::Present(const RECT*, const RECT*, WindowHandle destWindowOverride, const void*)
{
    if (!Enter())
        return E_FAIL;
    const D3DSURFACE_DESC& desc = m_backBuffer->Desc();
    const GlSurface* source = m_backBuffer.get();
    if (m_backBuffer->Multisampled()) {
        RECT whole { 0, 0, int32_t(desc.Width), int32_t(desc.Height) };
        Blit(*m_backBuffer, whole, *m_resolveBuffer, whole, GL_NEAREST);
        source = m_resolveBuffer.get();
    }
    try {
        m_front.Pixels.resize(size_t(desc.Width) * desc.Height);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    m_front.Width = int32_t(desc.Width);
    m_front.Height = int32_t(desc.Height);
    ReadColor(*source, reinterpret_cast<uint8_t*>(m_front.Pixels.data()), int32_t(desc.Width * 4),
        m_readFramebuffer);
    CallPresentHandler(destWindowOverride ? destWindowOverride : m_parameters.hDeviceWindow, m_front);
    return D3D_OK;
}

HRESULT GlDevice::PresentEx(const RECT* sourceRect, const RECT* destRect, WindowHandle destWindowOverride,
    const void* dirtyRegion, uint32_t)
{
    if (!m_extended)
        return D3DERR_INVALIDCALL;
    return Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
}

HRESULT GlDevice::Clear(
    uint32_t count, const D3DRECT* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    if ((count > 0 && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(m_renderTarget.get());
    if (!PrepareTarget())
        return D3DERR_INVALIDCALL;
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET)
        mask |= GL_COLOR_BUFFER_BIT;
    if ((flags & D3DCLEAR_ZBUFFER) && m_depthStencil)
        mask |= GL_DEPTH_BUFFER_BIT;
    if ((flags & D3DCLEAR_STENCIL) && m_depthStencil)
        mask |= GL_STENCIL_BUFFER_BIT;
    if (!mask)
        return D3D_OK;

    // glClear obeys the write masks; D3D's Clear does not.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
        float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(GLint(stencil & 0xFF));
    if (count == 0) {
        glClear(mask);
    } else {
        glEnable(GL_SCISSOR_TEST);
        for (uint32_t i = 0; i < count; ++i) {
            const D3DRECT& r = rects[i];
            int32_t x1 = std::clamp(r.x1, 0, int32_t(m_targetWidth));
            int32_t x2 = std::clamp(r.x2, 0, int32_t(m_targetWidth));
            int32_t y1 = std::clamp(r.y1, 0, int32_t(m_targetHeight));
            int32_t y2 = std::clamp(r.y2, 0, int32_t(m_targetHeight));
            if (x2 <= x1 || y2 <= y1)
                continue;
            glScissor(x1, GLint(m_targetHeight) - y2, x2 - x1, y2 - y1);
            glClear(mask);
        }
        glDisable(GL_SCISSOR_TEST);
    }
    ApplyColorMask();
    ApplyDepth();
    ApplyStencil();
    return D3D_OK;
}

// --- resources ---------------------------------------------------------------------------

HRESULT GlDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
    D3DFORMAT format, D3DPOOL pool, TexturePtr& result)
{
    result.reset();
    if (!ValidSurfaceSize(width, height, m_caps.MaxTextureSize) || levels > 1 || format != D3DFMT_A8R8G8B8
        || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    auto texture = std::make_shared<GlTexture>(m_context, width, height, usage, pool);
    HRESULT hr = texture->Allocate();
    if (Failed(hr))
        return hr;
    result = texture;
    return D3D_OK;
}

HRESULT GlDevice::CreateVertexBuffer(
    uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool, VertexBufferPtr& result)
{
    result.reset();
    if (length == 0 || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    auto buffer = std::make_shared<GlVertexBuffer>(m_context, length, usage, fvf, pool);
    HRESULT hr = buffer->Store().Allocate();
    if (Failed(hr))
        return hr;
    result = buffer;
    return D3D_OK;
}

HRESULT GlDevice::CreateIndexBuffer(
    uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool, IndexBufferPtr& result)
{
    result.reset();
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
        || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    auto buffer = std::make_shared<GlIndexBuffer>(m_context, length, usage, format, pool);
    HRESULT hr = buffer->Store().Allocate();
    if (Failed(hr))
        return hr;
    result = buffer;
    return D3D_OK;
}

HRESULT GlDevice::CreateRenderTarget(uint32_t width, uint32_t height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t, int32_t lockable, SurfacePtr& result)
{
    result.reset();
    // Render targets live in GL render buffers only; lockable ones are not offered.
    if (!ValidSurfaceSize(width, height, m_caps.MaxRenderbufferSize) || !ValidColorFormat(format) || lockable
        || !m_caps.OffersSamples(multiSample) || multiSample == D3DMULTISAMPLE_NONMASKABLE)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    return NewSurface(GlSurface::Kind::Color,
        SurfaceDesc(format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, width, height), result);
}

HRESULT GlDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t, int32_t, SurfacePtr& result)
{
    result.reset();
    if (!ValidSurfaceSize(width, height, m_caps.MaxRenderbufferSize) || format != D3DFMT_D24S8
        || !m_caps.OffersSamples(multiSample) || multiSample == D3DMULTISAMPLE_NONMASKABLE)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    return NewSurface(GlSurface::Kind::DepthStencil,
        SurfaceDesc(format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, width, height), result);
}

HRESULT GlDevice::CreateOffscreenPlainSurface(
    uint32_t width, uint32_t height, D3DFORMAT format, D3DPOOL pool, SurfacePtr& result)
{
    result.reset();
    // Plain surfaces are read-back destinations in system memory.
    if (!ValidSurfaceSize(width, height, m_caps.MaxRenderbufferSize) || !ValidColorFormat(format)
        || (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH))
        return D3DERR_INVALIDCALL;
    return NewSurface(GlSurface::Kind::SystemMemory,
        SurfaceDesc(format, 0, pool, D3DMULTISAMPLE_NONE, width, height), result);
}

HRESULT GlDevice::NewSurface(GlSurface::Kind kind, const D3DSURFACE_DESC& desc, SurfacePtr& result)
{
    auto surface = std::make_shared<GlSurface>(m_context, kind, desc);
    HRESULT hr = surface->Allocate(desc.Width, desc.Height, desc.MultiSampleType);
    if (Failed(hr))
        return hr;
    result = surface;
    return D3D_OK;
}

// --- state blocks ------------------------------------------------------------------------

HRESULT GlDevice::BeginStateBlock()
{
    return m_recorder.Begin();
}

HRESULT GlDevice::EndStateBlock(StateBlockPtr& result)
{
    result.reset();
    std::vector<RecordedCall> calls;
    HRESULT hr = m_recorder.End(calls);
    if (Failed(hr))
        return hr;
    result = std::make_shared<StateBlock>(weak_from_this(), std::move(calls));
    return D3D_OK;
}

} // namespace platform::gpu
