#include "platform/gpu/GlDevice.h"

#include "platform/gpu/GlDeviceShared.h"

#include <algorithm>

namespace platform::gpu {

using gldevice::OwnObject;

namespace {

// Rows of a top-down D3D rectangle in a bottom-up GL buffer of `height` rows.
struct GlRect {
    GLint X0, Y0, X1, Y1;
};
GlRect ToGl(const RECT& r, uint32_t height)
{
    return { r.left, GLint(height) - r.bottom, r.right, GLint(height) - r.top };
}

} // namespace

// --- targets and read-back ---------------------------------------------------------------

bool GlDevice::PrepareTarget()
{
    if (!m_targetDirty)
        return m_targetComplete;
    m_targetDirty = false;
    m_gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_drawFramebuffer);
    m_gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
        m_renderTarget ? m_renderTarget->Renderbuffer() : 0);
    m_gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
        m_depthStencil ? m_depthStencil->Renderbuffer() : 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    uint32_t width = m_renderTarget ? m_renderTarget->Desc().Width : 1;
    uint32_t height = m_renderTarget ? m_renderTarget->Desc().Height : 1;
    if (width != m_targetWidth || height != m_targetHeight) {
        m_targetWidth = width;
        m_targetHeight = height;
        m_projectionDirty = true;
    }
    glViewport(0, 0, GLsizei(width), GLsizei(height));
    m_targetComplete = m_gl.glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return m_targetComplete;
}

GlSurface* GlDevice::OwnSurface(const SurfacePtr& surface) const
{
    return OwnObject<GlSurface>(surface, m_context.get());
}

HRESULT GlDevice::SetRenderTarget(uint32_t index, const SurfacePtr& target)
{
    GlSurface* own = OwnSurface(target);
    if (index != 0 || !own || own->GetKind() != GlSurface::Kind::Color)
        return D3DERR_INVALIDCALL;
    // A frame on its way out of the target is read before anything is drawn over it.
    CompleteReads(own);
    m_renderTarget = std::static_pointer_cast<GlSurface>(target);
    m_targetDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::SetDepthStencilSurface(const SurfacePtr& surface)
{
    if (surface) {
        GlSurface* own = OwnSurface(surface);
        if (!own || own->GetKind() != GlSurface::Kind::DepthStencil)
            return D3DERR_INVALIDCALL;
    }
    m_depthStencil = std::static_pointer_cast<GlSurface>(surface);
    m_targetDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::GetBackBuffer(
    uint32_t swapChain, uint32_t index, D3DBACKBUFFER_TYPE type, SurfacePtr& result)
{
    result.reset();
    if (swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO)
        return D3DERR_INVALIDCALL;
    result = m_backBuffer;
    return D3D_OK;
}

void GlDevice::ReadColor(const GlSurface& source, uint8_t* destination, int32_t pitch, GLuint framebuffer)
{
    const D3DSURFACE_DESC& desc = source.Desc();
    m_gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    m_gl.glFramebufferRenderbuffer(
        GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, source.Renderbuffer());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Reading in the driver's own channel order is a plain copy; any other order costs the
    // driver a conversion of every pixel, so red and blue are put right in the pass below.
    if (m_readOrder == ReadOrder::Unknown) {
        GLint format = 0, type = 0;
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_FORMAT, &format);
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_TYPE, &type);
        m_readOrder = format == GL_RGBA && type == GL_UNSIGNED_BYTE ? ReadOrder::Rgba : ReadOrder::Bgra;
        DrainGlErrors();
    }
    const bool rgba = m_readOrder == ReadOrder::Rgba;
    // GL's first row is the bottom one: bands of rows are read into a small buffer and written
    // out the other way up, their colours limited to alpha on the way, in one pass.
    const uint32_t width = desc.Width;
    const uint32_t height = desc.Height;
    constexpr uint32_t kBandRows = 64;
    m_readBand.resize(size_t(width) * std::min(height, kBandRows));
    for (uint32_t bottom = 0; bottom < height; bottom += kBandRows) {
        const uint32_t rows = std::min(kBandRows, height - bottom);
        glReadPixels(0, GLint(bottom), GLsizei(width), GLsizei(rows), rgba ? GL_RGBA : GL_BGRA,
            rgba ? GL_UNSIGNED_BYTE : GL_UNSIGNED_INT_8_8_8_8_REV, m_readBand.data());
        for (uint32_t r = 0; r < rows; ++r) {
            auto* to = reinterpret_cast<uint32_t*>(destination + ptrdiff_t(height - 1 - bottom - r) * pitch);
            ClampToAlpha(m_readBand.data() + size_t(r) * width, to, width, rgba);
        }
    }
    m_gl.glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
}

bool GlDevice::ReadFinishedColor(const GlSurface& source, uint8_t* destination, int32_t pitch)
{
    if (!m_readerTried) {
        m_readerTried = true;
        m_reader = m_context->CreateSharing();
        if (m_reader && m_reader->MakeCurrent())
            m_gl.glGenFramebuffers(1, &m_readerFramebuffer);
        if (!m_readerFramebuffer)
            m_reader.reset();
    }
    if (!m_reader || !m_reader->MakeCurrent()) {
        // The read goes ahead in the device's own context, which must be current again.
        (void)Enter();
        return false;
    }
    ReadColor(source, destination, pitch, m_readerFramebuffer);
    DrainGlErrors();
    // Whoever called into the device goes on in its own context.
    (void)Enter();
    return true;
}

void GlDevice::Blit(const GlSurface& source, const RECT& sourceRect, const GlSurface& destination,
    const RECT& destRect, GLenum filter)
{
    m_gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFramebuffer);
    m_gl.glFramebufferRenderbuffer(
        GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, source.Renderbuffer());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    m_gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_blitFramebuffer);
    m_gl.glFramebufferRenderbuffer(
        GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, destination.Renderbuffer());
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    GlRect s = ToGl(sourceRect, source.Desc().Height);
    GlRect d = ToGl(destRect, destination.Desc().Height);
    m_gl.glBlitFramebuffer(s.X0, s.Y0, s.X1, s.Y1, d.X0, d.Y0, d.X1, d.Y1, GL_COLOR_BUFFER_BIT, filter);
    m_gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    m_gl.glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    m_gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_drawFramebuffer);
}

HRESULT GlDevice::GetRenderTargetData(const SurfacePtr& renderTarget, const SurfacePtr& destination)
{
    GlSurface* source = OwnSurface(renderTarget);
    GlSurface* dest = OwnSurface(destination);
    if (!source || !dest || source->GetKind() != GlSurface::Kind::Color
        || dest->GetKind() != GlSurface::Kind::SystemMemory || source->Multisampled() || dest->Locked()
        || source->Desc().Width != dest->Desc().Width || source->Desc().Height != dest->Desc().Height)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(dest);
    // With a fence the read waits for its own frame alone, when the destination is next looked
    // at: meanwhile the caller may draw the next frame into another target, which the driver
    // renders after this one.
    GLsync fence = m_gl.HasFences() ? m_gl.glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
    if (!fence) {
        ReadColor(*source, dest->Bits(), dest->Pitch(), m_readFramebuffer);
        return D3D_OK;
    }
    glFlush();
    auto own = std::static_pointer_cast<GlSurface>(destination);
    m_pendingReads.push_back({ std::static_pointer_cast<GlSurface>(renderTarget), own, fence });
    std::weak_ptr<Device> device = weak_from_this();
    own->SetPendingRead([device, surface = own.get()] {
        if (const std::shared_ptr<Device> alive = device.lock())
            static_cast<GlDevice&>(*alive).CompleteReads(surface);
    });
    return D3D_OK;
}

void GlDevice::CompleteReads(const GlSurface* surface, bool frameUnsent)
{
    if (m_pendingReads.empty())
        return;
    std::vector<PendingRead> due;
    std::erase_if(m_pendingReads, [&](PendingRead& read) {
        if (surface && read.Source.get() != surface && read.Destination.get() != surface)
            return false;
        due.push_back(std::move(read));
        return true;
    });
    if (due.empty() || !Enter())
        return;
    for (PendingRead& read : due) {
        // Waits in steps so that a driver that never signals cannot hang the caller: past the
        // steps the read goes ahead, and reading waits for the frame by itself.
        // The fence went out with its frame, so the wait sends nothing more: a frame being
        // drawn now stays where it is until its own end.
        bool signalled = false;
        for (int step = 0; step < 100; ++step) {
            const GLenum waited = m_gl.glClientWaitSync(read.Fence, 0, GLuint64 { 100'000'000 });
            signalled = waited == GL_ALREADY_SIGNALED || waited == GL_CONDITION_SATISFIED;
            if (waited != GL_TIMEOUT_EXPIRED)
                break;
        }
        m_gl.glDeleteSync(read.Fence);
        read.Destination->SetPendingRead(nullptr);
        // Past its fence the frame is whole, and another context can read it at once,
        // leaving a frame being drawn here where it is.
        if (!frameUnsent || !signalled
            || !ReadFinishedColor(*read.Source, read.Destination->Bits(), read.Destination->Pitch()))
            ReadColor(*read.Source, read.Destination->Bits(), read.Destination->Pitch(), m_readFramebuffer);
    }
}

HRESULT GlDevice::StretchRect(const SurfacePtr& source, const RECT* sourceRect, const SurfacePtr& destination,
    const RECT* destRect, D3DTEXTUREFILTERTYPE filter)
{
    GlSurface* s = OwnSurface(source);
    GlSurface* d = OwnSurface(destination);
    if (!s || !d || s == d || s->GetKind() != GlSurface::Kind::Color || d->GetKind() != GlSurface::Kind::Color
        || d->Multisampled())
        return D3DERR_INVALIDCALL;
    std::optional<RECT> from = CheckedRect(sourceRect, s->Desc().Width, s->Desc().Height);
    std::optional<RECT> to = CheckedRect(destRect, d->Desc().Width, d->Desc().Height);
    if (!from || !to)
        return D3DERR_INVALIDCALL;
    bool sameSize = from->right - from->left == to->right - to->left
        && from->bottom - from->top == to->bottom - to->top;
    // A multisampled source can only be resolved, not scaled.
    if (s->Multisampled() && !sameSize)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(d);
    Blit(*s, *from, *d, *to, sameSize || filter != D3DTEXF_LINEAR ? GL_NEAREST : GL_LINEAR);
    return D3D_OK;
}

} // namespace platform::gpu
