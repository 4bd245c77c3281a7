#include "platform/gpu/GlResources.h"

#include "platform/gpu/DeviceRules.h"

#include <algorithm>
#include <new>
#include <utility>

namespace platform::gpu {

namespace {

// Resource calls bind on texture unit 0, which the device also draws with: put back what
// the device had bound.
class TextureBindingGuard {
public:
    TextureBindingGuard()
    {
        GLint previous = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
        m_previous = GLuint(previous);
    }
    ~TextureBindingGuard() { glBindTexture(GL_TEXTURE_2D, m_previous); }
    TextureBindingGuard(const TextureBindingGuard&) = delete;
    TextureBindingGuard& operator=(const TextureBindingGuard&) = delete;

private:
    GLuint m_previous = 0;
};

} // namespace

// --- GlSurface ---------------------------------------------------------------------------

GlSurface::GlSurface(GlContextPtr context, Kind kind, const D3DSURFACE_DESC& desc)
    : m_context(std::move(context))
    , m_kind(kind)
    , m_desc(desc)
{ }

GlSurface::~GlSurface()
{
    if (m_renderbuffer && m_context->MakeCurrent())
        m_context->Gl().glDeleteRenderbuffers(1, &m_renderbuffer);
}

HRESULT GlSurface::Allocate(uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE multiSample)
{
    if (m_locked)
        return D3DERR_INVALIDCALL;
    m_desc.Width = width;
    m_desc.Height = height;
    m_desc.MultiSampleType = multiSample;
    m_pendingRead = nullptr;
    if (m_kind == Kind::SystemMemory) {
        try {
            m_memory.assign(size_t(width) * height * 4, 0);
        } catch (const std::bad_alloc&) {
            m_memory.clear();
            return E_OUTOFMEMORY;
        }
        return D3D_OK;
    }
    if (!m_context->MakeCurrent())
        return E_FAIL;
    const GlFunctions& gl = m_context->Gl();
    if (!m_renderbuffer)
        gl.glGenRenderbuffers(1, &m_renderbuffer);
    DrainGlErrors();
    gl.glBindRenderbuffer(GL_RENDERBUFFER, m_renderbuffer);
    GLenum format = m_kind == Kind::Color ? GL_RGBA8 : GL_DEPTH24_STENCIL8;
    if (multiSample == D3DMULTISAMPLE_NONE)
        gl.glRenderbufferStorage(GL_RENDERBUFFER, format, GLsizei(width), GLsizei(height));
    else
        gl.glRenderbufferStorageMultisample(
            GL_RENDERBUFFER, GLsizei(multiSample), format, GLsizei(width), GLsizei(height));
    gl.glBindRenderbuffer(GL_RENDERBUFFER, 0);
    return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT GlSurface::GetDesc(D3DSURFACE_DESC& desc)
{
    desc = m_desc;
    return D3D_OK;
}

void GlSurface::CompletePendingRead()
{
    if (m_pendingRead) {
        const std::function<void()> complete = std::move(m_pendingRead);
        m_pendingRead = nullptr;
        complete();
    }
}

HRESULT GlSurface::LockRect(D3DLOCKED_RECT& locked, const RECT* rect, uint32_t)
{
    if (m_kind != Kind::SystemMemory || m_locked || m_memory.empty())
        return D3DERR_INVALIDCALL;
    CompletePendingRead();
    std::optional<RECT> r = CheckedRect(rect, m_desc.Width, m_desc.Height);
    if (!r)
        return D3DERR_INVALIDCALL;
    locked.Pitch = Pitch();
    locked.pBits = m_memory.data() + size_t(r->top) * size_t(Pitch()) + size_t(r->left) * 4;
    m_locked = true;
    return D3D_OK;
}

HRESULT GlSurface::UnlockRect()
{
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    return D3D_OK;
}

// --- GlTexture ---------------------------------------------------------------------------

GlTexture::GlTexture(GlContextPtr context, uint32_t width, uint32_t height, uint32_t usage, D3DPOOL pool)
    : m_context(std::move(context))
    , m_desc(SurfaceDesc(D3DFMT_A8R8G8B8, usage, pool, D3DMULTISAMPLE_NONE, width, height))
{ }

GlTexture::~GlTexture()
{
    if (m_name && m_context->MakeCurrent())
        glDeleteTextures(1, &m_name);
}

HRESULT GlTexture::Allocate()
{
    if (!m_context->MakeCurrent())
        return E_FAIL;
    TextureBindingGuard guard;
    DrainGlErrors();
    glGenTextures(1, &m_name);
    glBindTexture(GL_TEXTURE_2D, m_name);
    // One level only: complete under any filter, whatever the sampler asks for.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(m_desc.Width), GLsizei(m_desc.Height), 0, GL_BGRA,
        GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT GlTexture::GetLevelDesc(uint32_t level, D3DSURFACE_DESC& desc)
{
    if (level != 0)
        return D3DERR_INVALIDCALL;
    desc = m_desc;
    return D3D_OK;
}

HRESULT GlTexture::LockRect(uint32_t level, D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags)
{
    if (level != 0 || m_locked)
        return D3DERR_INVALIDCALL;
    // Video-memory textures are lockable only when made dynamic.
    if (m_desc.Pool == D3DPOOL_DEFAULT && !(m_desc.Usage & D3DUSAGE_DYNAMIC))
        return D3DERR_INVALIDCALL;
    std::optional<RECT> r = CheckedRect(rect, m_desc.Width, m_desc.Height);
    if (!r)
        return D3DERR_INVALIDCALL;
    if (!m_context->MakeCurrent())
        return E_FAIL;
    // Part of the level with its old pixels discarded: only its rows are staged (at the
    // level's pitch) and only the part is sent.
    const bool partial = rect && (flags & D3DLOCK_DISCARD);
    const uint32_t rows = partial ? static_cast<uint32_t>(r->bottom - r->top) : m_desc.Height;
    try {
        m_staging.assign(size_t(m_desc.Width) * rows * 4, 0);
    } catch (const std::bad_alloc&) {
        m_staging = {};
        return E_OUTOFMEMORY;
    }
    if (!(flags & D3DLOCK_DISCARD)) {
        TextureBindingGuard guard;
        glBindTexture(GL_TEXTURE_2D, m_name);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, m_staging.data());
    }
    const auto pitch = static_cast<int32_t>(m_desc.Width * 4);
    locked.Pitch = pitch;
    locked.pBits = m_staging.data() + size_t(partial ? 0 : r->top) * size_t(pitch) + size_t(r->left) * 4;
    m_partial = partial;
    m_lockedRect = *r;
    m_locked = true;
    return D3D_OK;
}

HRESULT GlTexture::UnlockRect(uint32_t level)
{
    if (level != 0 || !m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    HRESULT result = E_FAIL;
    if (m_context->MakeCurrent()) {
        TextureBindingGuard guard;
        glBindTexture(GL_TEXTURE_2D, m_name);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        if (m_partial) {
            glPixelStorei(GL_UNPACK_ROW_LENGTH, GLint(m_desc.Width));
            glTexSubImage2D(GL_TEXTURE_2D, 0, GLint(m_lockedRect.left), GLint(m_lockedRect.top),
                GLsizei(m_lockedRect.right - m_lockedRect.left),
                GLsizei(m_lockedRect.bottom - m_lockedRect.top), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                m_staging.data() + size_t(m_lockedRect.left) * 4);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        } else
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, GLsizei(m_desc.Width), GLsizei(m_desc.Height), GL_BGRA,
                GL_UNSIGNED_INT_8_8_8_8_REV, m_staging.data());
        result = D3D_OK;
    }
    m_staging = {};
    return result;
}

// --- GlBufferStore -----------------------------------------------------------------------

GlBufferStore::GlBufferStore(
    GlContextPtr context, GLenum target, uint32_t size, uint32_t usage, uint32_t indexSize)
    : m_context(std::move(context))
    , m_target(target)
    , m_usage(usage)
    , m_size(size)
    , m_indexSize(indexSize)
{ }

GlBufferStore::~GlBufferStore()
{
    if (m_name && m_context->MakeCurrent())
        m_context->Gl().glDeleteBuffers(1, &m_name);
}

HRESULT GlBufferStore::Allocate()
{
    uint32_t size = m_size;
    m_copy.reset(static_cast<uint8_t*>(std::calloc(std::max<size_t>(size, 1), 1)));
    m_copySize = m_copy ? size : 0;
    m_indexBound = {};
    if (!m_copy)
        return E_OUTOFMEMORY;
    if (!m_context->MakeCurrent())
        return E_FAIL;
    const GlFunctions& gl = m_context->Gl();
    DrainGlErrors();
    gl.glGenBuffers(1, &m_name);
    gl.glBindBuffer(m_target, m_name);
    gl.glBufferData(m_target, GLsizeiptr(size), m_copy.get(),
        (m_usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_OUTOFVIDEOMEMORY;
}

HRESULT GlBufferStore::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags)
{
    if (!data || m_lockedSize)
        return D3DERR_INVALIDCALL;
    std::optional<uint32_t> lockedSize = LockedSize(Size(), offset, size);
    if (!lockedSize) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    m_lockedOffset = offset;
    m_lockedSize = lockedSize;
    m_discard = (flags & D3DLOCK_DISCARD) && (m_usage & D3DUSAGE_DYNAMIC);
    *data = m_copy.get() + offset;
    return D3D_OK;
}

HRESULT GlBufferStore::Unlock()
{
    if (!m_lockedSize)
        return D3DERR_INVALIDCALL;
    uint32_t size = *m_lockedSize;
    m_lockedSize.reset();
    if (m_indexSize)
        m_indexBound.Written(m_copy.get(), m_copySize, m_lockedOffset, size, m_indexSize);
    if (!m_context->MakeCurrent())
        return E_FAIL;
    const GlFunctions& gl = m_context->Gl();
    gl.glBindBuffer(m_target, m_name);
    if (m_discard) {
        // Orphan the storage a pending draw may still read, and refill the new storage with
        // the whole copy so the GL buffer never holds bytes the copy does not.
        gl.glBufferData(m_target, GLsizeiptr(m_copySize), m_copy.get(), GL_DYNAMIC_DRAW);
    } else {
        gl.glBufferSubData(
            m_target, GLintptr(m_lockedOffset), GLsizeiptr(size), m_copy.get() + m_lockedOffset);
    }
    return D3D_OK;
}

} // namespace platform::gpu
