#pragma once

// Private to platform/gpu: the OpenGL objects behind the device's resources. Each keeps its
// context alive and makes it current before touching GL, so releasing a resource after its
// device is gone is safe.

#include "platform/gpu/Device.h"
#include "platform/gpu/DeviceRules.h"
#include "platform/gpu/GlContext.h"

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace platform::gpu {

class GlSurface final : public Surface {
public:
    enum class Kind { Color, DepthStencil, SystemMemory };

    GlSurface(GlContextPtr context, Kind kind, const D3DSURFACE_DESC& desc);
    ~GlSurface() override;

    /// (Re)allocates storage for the described size and sample count.
    HRESULT Allocate(uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE multiSample);

    HRESULT GetDesc(D3DSURFACE_DESC& desc) override;
    HRESULT LockRect(D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags) override;
    HRESULT UnlockRect() override;

    Kind GetKind() const { return m_kind; }
    const D3DSURFACE_DESC& Desc() const { return m_desc; }
    const GlContext* Context() const { return m_context.get(); }
    GLuint Renderbuffer() const { return m_renderbuffer; }
    bool Multisampled() const { return m_desc.MultiSampleType != D3DMULTISAMPLE_NONE; }
    bool Locked() const { return m_locked; }
    uint8_t* Bits() { return m_memory.data(); }
    int32_t Pitch() const { return int32_t(m_desc.Width * 4); }
    /// For a system-memory surface a read-back is on its way to: what completes it, run before
    /// the surface's pixels are next looked at; empty once done.
    void SetPendingRead(std::function<void()> complete) { m_pendingRead = std::move(complete); }
    /// Runs the pending read, if any.
    void CompletePendingRead();

private:
    GlContextPtr m_context;
    Kind m_kind;
    D3DSURFACE_DESC m_desc;
    GLuint m_renderbuffer = 0;
    std::vector<uint8_t> m_memory;
    std::function<void()> m_pendingRead;
    bool m_locked = false;
};

class GlTexture final : public Texture {
public:
    GlTexture(GlContextPtr context, uint32_t width, uint32_t height, uint32_t usage, D3DPOOL pool);
    ~GlTexture() override;

    HRESULT Allocate();

    HRESULT GetLevelDesc(uint32_t level, D3DSURFACE_DESC& desc) override;
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags) override;
    HRESULT UnlockRect(uint32_t level) override;

    const GlContext* Context() const { return m_context.get(); }
    GLuint Name() const { return m_name; }

private:
    GlContextPtr m_context;
    D3DSURFACE_DESC m_desc;
    GLuint m_name = 0;
    // Pixels between LockRect and UnlockRect only: a texture keeps no second copy in memory.
    std::vector<uint8_t> m_staging;
    // The locked rectangle: a discarding lock of part of the level stages and uploads only it.
    RECT m_lockedRect {};
    bool m_partial = false;
    bool m_locked = false;
};

/// A vertex or index buffer: a GL buffer object with a CPU copy that locks write into.
/// The GL buffer always equals the copy after Unlock, which lets draws check their indices
/// on the CPU; an index buffer (`indexSize` 2 or 4, 0 for vertices) keeps its largest index.
class GlBufferStore {
public:
    GlBufferStore(GlContextPtr context, GLenum target, uint32_t size, uint32_t usage, uint32_t indexSize);
    ~GlBufferStore();
    GlBufferStore(const GlBufferStore&) = delete;
    GlBufferStore& operator=(const GlBufferStore&) = delete;

    HRESULT Allocate();
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags);
    HRESULT Unlock();

    const GlContext* Context() const { return m_context.get(); }
    GLuint Name() const { return m_name; }
    uint32_t Size() const { return m_copySize; }
    const uint8_t* Data() const { return m_copy.get(); }
    bool Locked() const { return m_lockedSize.has_value(); }
    uint32_t HighestIndex() const { return m_indexBound.Highest(); }

private:
    GlContextPtr m_context;
    GLenum m_target;
    uint32_t m_usage;
    uint32_t m_size;
    uint32_t m_indexSize;
    IndexBound m_indexBound;
    GLuint m_name = 0;
    struct FreeBytes {
        void operator()(uint8_t* bytes) const { std::free(bytes); }
    };
    // NOTE: calloc'ed, not a zero-filled vector: a fresh ring of megabytes then costs no
    // pass over its bytes until they are written.
    std::unique_ptr<uint8_t[], FreeBytes> m_copy;
    uint32_t m_copySize = 0;
    uint32_t m_lockedOffset = 0;
    std::optional<uint32_t> m_lockedSize;
    bool m_discard = false;
};

/// What vertex and index buffers share: the store behind the device interface's calls.
template <class Interface, class Desc> class GlBuffer : public Interface {
public:
    GlBuffer(GlContextPtr context, GLenum target, const Desc& desc, uint32_t indexSize)
        : m_store(std::move(context), target, desc.Size, desc.Usage, indexSize)
        , m_desc(desc)
    { }

    HRESULT GetDesc(Desc& desc) override
    {
        desc = m_desc;
        return D3D_OK;
    }
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override
    {
        return m_store.Lock(offset, size, data, flags);
    }
    HRESULT Unlock() override { return m_store.Unlock(); }

    const GlContext* Context() const { return m_store.Context(); }
    GlBufferStore& Store() { return m_store; }

protected:
    GlBufferStore m_store;
    Desc m_desc;
};

class GlVertexBuffer final : public GlBuffer<VertexBuffer, D3DVERTEXBUFFER_DESC> {
public:
    GlVertexBuffer(GlContextPtr context, uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool)
        : GlBuffer(std::move(context), GL_ARRAY_BUFFER,
            { D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf }, 0)
    { }
};

class GlIndexBuffer final : public GlBuffer<IndexBuffer, D3DINDEXBUFFER_DESC> {
public:
    GlIndexBuffer(GlContextPtr context, uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool)
        : GlBuffer(std::move(context), GL_ELEMENT_ARRAY_BUFFER,
            { format, D3DRTYPE_INDEXBUFFER, usage, pool, length }, format == D3DFMT_INDEX32 ? 4 : 2)
    { }

    uint32_t IndexSize() const { return m_desc.Format == D3DFMT_INDEX32 ? 4 : 2; }
    std::optional<uint32_t> HighestIndex() const { return m_store.HighestIndex(); }
};

} // namespace platform::gpu
