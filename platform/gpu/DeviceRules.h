#pragma once

#include "platform/gpu/D3DTypes.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Argument rules both device implementations apply in the same way, so the recording device
// refuses exactly what the OpenGL device refuses.
namespace platform::gpu {

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
};
[[nodiscard]] bool IndicesInRange(const IndexedDraw& draw);

/// Copies rows of ARGB pixels between two pitched blocks.
void CopyRows(const uint8_t* source, int32_t sourcePitch, uint8_t* destination, int32_t destinationPitch,
    uint32_t rowBytes, uint32_t rows);

/// Limits every colour channel of premultiplied ARGB pixels to their alpha, so a frame cleared
/// with a translucent colour (stored unpremultiplied, as the device writes it) still reads as
/// valid premultiplied pixels.
void ClampToAlpha(uint32_t* pixels, size_t count);

} // namespace platform::gpu
