#pragma once

#include "platform/gpu/D3DTypes.h"
#include "platform/gpu/DeviceState.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Argument rules both device implementations apply in the same way, so the recording device
// refuses exactly what the OpenGL device refuses, and the records both fill in alike.
namespace platform::gpu {

/// The colour formats of render targets, back buffers and plain surfaces.
[[nodiscard]] bool ValidColorFormat(D3DFORMAT format);

/// Both sides at least 1 and at most `maxSide`.
[[nodiscard]] bool ValidSurfaceSize(uint32_t width, uint32_t height, uint32_t maxSide);

/// Whether `counts` (the sample counts a device offers besides none) allow `type`.
[[nodiscard]] bool OffersSamples(const std::vector<uint32_t>& counts, D3DMULTISAMPLE_TYPE type);

/// The description of a surface or texture level.
[[nodiscard]] D3DSURFACE_DESC SurfaceDesc(D3DFORMAT format, uint32_t usage, D3DPOOL pool,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t width, uint32_t height);

/// The byte range a buffer Lock covers: size 0 means "to the end". Fails when the range does
/// not lie inside the buffer.
[[nodiscard]] std::optional<uint32_t> LockedSize(uint32_t bufferSize, uint32_t offset, uint32_t size);

/// The rectangle a LockRect or StretchRect covers: nullptr means the whole surface. Fails
/// when the rectangle is empty or reaches outside.
[[nodiscard]] std::optional<RECT> CheckedRect(const RECT* rect, uint32_t width, uint32_t height);

/// Byte offsets of the fields of a flexible vertex format (-1 = absent).
struct VertexLayout {
    uint32_t Size = 0;
    int32_t Normal = -1;
    int32_t Diffuse = -1;
    int32_t TexCoord = -1;
};

/// Position with optional normal, diffuse colour and one set of 2D texture coordinates;
/// other formats are not drawable here.
[[nodiscard]] std::optional<VertexLayout> LayoutOfFvf(uint32_t fvf);

/// Indices a primitive run consumes; nullopt for an unknown type or no primitives.
[[nodiscard]] std::optional<uint32_t> IndexCountOf(D3DPRIMITIVETYPE type, uint32_t primitiveCount);

/// The largest index an index buffer holds, kept by the buffer as locks of it end: each lock's
/// bytes are read once, when they are written, so a draw needs no pass over its own indices
/// while even the buffer's largest one names a vertex inside the vertex buffer. Bytes never
/// written are zeros.
class IndexBound {
public:
    /// `bytes` holds the whole buffer of `bufferSize` bytes, of which [offset, offset + size)
    /// was written; `indexSize` is 2 or 4.
    void Written(
        const uint8_t* bytes, uint32_t bufferSize, uint32_t offset, uint32_t size, uint32_t indexSize);
    [[nodiscard]] uint32_t Highest() const { return m_highest; }

private:
    uint32_t m_highest = 0;
};

/// The data an indexed draw reads, and the rule that every index it uses, offset by the base
/// vertex, names a whole vertex inside the vertex buffer.
struct IndexedDraw {
    const uint8_t* IndexData = nullptr; ///< the whole index buffer
    uint32_t IndexBufferSize = 0;
    uint32_t IndexSize = 2;
    uint32_t VertexBufferSize = 0;
    uint32_t StreamOffset = 0;
    uint32_t Stride = 0;
    uint32_t VertexSize = 0;
    int32_t BaseVertex = 0;
    uint32_t StartIndex = 0;
    uint32_t IndexCount = 0;
    /// The largest index of the whole buffer, when the buffer keeps it.
    std::optional<uint32_t> HighestIndex;
};
[[nodiscard]] bool IndicesInRange(const IndexedDraw& draw);

/// A DrawIndexedPrimitive call checked against the device's bindings: the buffers it reads,
/// the layout of their vertices and the draw.
template <class VertexBufferType, class IndexBufferType> struct BoundDraw {
    VertexBufferType* Vertices = nullptr;
    IndexBufferType* Indices = nullptr;
    VertexLayout Layout;
    IndexedDraw Draw;
};

/// The draw of the bound stream source and indices, nullopt when it cannot be made: a buffer
/// missing or locked, a vertex format that is not drawable, no primitives, or an index
/// outside either buffer. A device binds only buffers of its own kinds (`VertexBufferType`,
/// `IndexBufferType`, each with a Store() holding the data and an index buffer with
/// IndexSize() and HighestIndex()), so the bindings are taken as those.
template <class VertexBufferType, class IndexBufferType>
[[nodiscard]] std::optional<BoundDraw<VertexBufferType, IndexBufferType>> BindIndexedDraw(
    const DeviceState& state, D3DPRIMITIVETYPE type, int32_t baseVertexIndex, uint32_t startIndex,
    uint32_t primitiveCount)
{
    BoundDraw<VertexBufferType, IndexBufferType> bound;
    bound.Vertices = static_cast<VertexBufferType*>(state.StreamSource.get());
    bound.Indices = static_cast<IndexBufferType*>(state.Indices.get());
    std::optional<VertexLayout> layout = LayoutOfFvf(state.Fvf);
    std::optional<uint32_t> indexCount = IndexCountOf(type, primitiveCount);
    if (!bound.Vertices || !bound.Indices || !layout || !indexCount || bound.Vertices->Store().Locked()
        || bound.Indices->Store().Locked())
        return std::nullopt;
    bound.Layout = *layout;
    IndexedDraw& draw = bound.Draw;
    draw.IndexData = bound.Indices->Store().Data();
    draw.IndexBufferSize = bound.Indices->Store().Size();
    draw.IndexSize = bound.Indices->IndexSize();
    draw.VertexBufferSize = bound.Vertices->Store().Size();
    draw.StreamOffset = state.StreamOffset;
    draw.Stride = state.StreamStride;
    draw.VertexSize = layout->Size;
    draw.BaseVertex = baseVertexIndex;
    draw.StartIndex = startIndex;
    draw.IndexCount = *indexCount;
    draw.HighestIndex = bound.Indices->HighestIndex();
    if (!IndicesInRange(draw))
        return std::nullopt;
    return bound;
}

/// Copies rows of ARGB pixels between two pitched blocks.
void CopyRows(const uint8_t* source, int32_t sourcePitch, uint8_t* destination, int32_t destinationPitch,
    uint32_t rowBytes, uint32_t rows);

/// Limits every colour channel of premultiplied ARGB pixels to their alpha, so a frame cleared
/// with a translucent colour (stored unpremultiplied, as the device writes it) still reads as
/// valid premultiplied pixels.
/// With `swapRedBlue` the pixels come in with red and blue the other way round (as some drivers
/// keep them) and are put in ARGB order on the way.
void ClampToAlpha(uint32_t* pixels, size_t count, bool swapRedBlue = false);
/// The same from `from` into `to` (which may be the same pixels).
void ClampToAlpha(const uint32_t* from, uint32_t* to, size_t count, bool swapRedBlue);

} // namespace platform::gpu
