#include "platform/gpu/DeviceRules.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::gpu {

bool ValidColorFormat(D3DFORMAT format)
{
    return format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8;
}

bool ValidSurfaceSize(uint32_t width, uint32_t height, uint32_t maxSide)
{
    return width > 0 && height > 0 && width <= maxSide && height <= maxSide;
}

bool OffersSamples(const std::vector<uint32_t>& counts, D3DMULTISAMPLE_TYPE type)
{
    return type == D3DMULTISAMPLE_NONE
        || std::find(counts.begin(), counts.end(), uint32_t(type)) != counts.end();
}

D3DSURFACE_DESC SurfaceDesc(D3DFORMAT format, uint32_t usage, D3DPOOL pool, D3DMULTISAMPLE_TYPE multiSample,
    uint32_t width, uint32_t height)
{
    D3DSURFACE_DESC desc {};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = pool;
    desc.MultiSampleType = multiSample;
    desc.Width = width;
    desc.Height = height;
    return desc;
}

std::optional<uint32_t> LockedSize(uint32_t bufferSize, uint32_t offset, uint32_t size)
{
    if (offset > bufferSize)
        return std::nullopt;
    if (size == 0)
        return offset == bufferSize ? std::nullopt : std::optional<uint32_t>(bufferSize - offset);
    if (uint64_t(offset) + size > bufferSize)
        return std::nullopt;
    return size;
}

std::optional<RECT> CheckedRect(const RECT* rect, uint32_t width, uint32_t height)
{
    if (!rect)
        return RECT { 0, 0, int32_t(width), int32_t(height) };
    if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom
        || uint32_t(rect->right) > width || uint32_t(rect->bottom) > height)
        return std::nullopt;
    return *rect;
}

std::optional<VertexLayout> LayoutOfFvf(uint32_t fvf)
{
    constexpr uint32_t kTexCountMask = 0xF00;
    constexpr uint32_t kKnown = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | kTexCountMask;
    if ((fvf & ~kKnown) != 0 || (fvf & 0xE) != D3DFVF_XYZ)
        return std::nullopt;
    uint32_t texCount = (fvf & kTexCountMask) >> 8;
    if (texCount > 1)
        return std::nullopt;
    VertexLayout layout;
    layout.Size = 12;
    if (fvf & D3DFVF_NORMAL) {
        layout.Normal = int32_t(layout.Size);
        layout.Size += 12;
    }
    if (fvf & D3DFVF_DIFFUSE) {
        layout.Diffuse = int32_t(layout.Size);
        layout.Size += 4;
    }
    if (texCount == 1) {
        layout.TexCoord = int32_t(layout.Size);
        layout.Size += 8;
    }
    return layout;
}

std::optional<uint32_t> IndexCountOf(D3DPRIMITIVETYPE type, uint32_t primitiveCount)
{
    if (primitiveCount == 0)
        return std::nullopt;
    uint64_t n = primitiveCount;
    uint64_t count;
    switch (type) {
    case D3DPT_POINTLIST:
        count = n;
        break;
    case D3DPT_LINELIST:
        count = n * 2;
        break;
    case D3DPT_LINESTRIP:
        count = n + 1;
        break;
    case D3DPT_TRIANGLELIST:
        count = n * 3;
        break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
        count = n + 2;
        break;
    default:
        return std::nullopt;
    }
    if (count > UINT32_MAX)
        return std::nullopt;
    return uint32_t(count);
}

void IndexBound::Written(
    const uint8_t* bytes, uint32_t bufferSize, uint32_t offset, uint32_t size, uint32_t indexSize)
{
    if (!bytes || indexSize == 0 || offset >= bufferSize)
        return;
    // The whole indices the written bytes touch.
    const uint32_t end = uint32_t(std::min<uint64_t>(uint64_t(offset) + size, bufferSize));
    const uint32_t first = offset / indexSize;
    const uint32_t last = (end + indexSize - 1) / indexSize;
    const uint32_t whole = bufferSize / indexSize;
    // A buffer written whole forgets what it held before.
    uint32_t highest = first == 0 && last >= whole ? 0 : m_highest;
    const uint8_t* p = bytes + size_t(first) * indexSize;
    for (uint32_t i = first; i < std::min(last, whole); ++i, p += indexSize) {
        if (indexSize == 2) {
            uint16_t v;
            std::memcpy(&v, p, 2);
            highest = std::max<uint32_t>(highest, v);
        } else {
            uint32_t v;
            std::memcpy(&v, p, 4);
            highest = std::max(highest, v);
        }
    }
    m_highest = highest;
}

bool IndicesInRange(const IndexedDraw& d)
{
    if (d.IndexCount == 0 || d.Stride == 0 || d.Stride < d.VertexSize || !d.IndexData)
        return false;
    if ((uint64_t(d.StartIndex) + d.IndexCount) * d.IndexSize > d.IndexBufferSize)
        return false;
    if (uint64_t(d.StreamOffset) + d.VertexSize > d.VertexBufferSize)
        return false;
    // The largest vertex number whose bytes still lie inside the buffer.
    int64_t lastVertex = int64_t((uint64_t(d.VertexBufferSize) - d.StreamOffset - d.VertexSize) / d.Stride);
    // Every index of the buffer, the draw's among them, lies in 0..HighestIndex.
    if (d.HighestIndex && d.BaseVertex >= 0 && int64_t(*d.HighestIndex) + d.BaseVertex <= lastVertex)
        return true;
    int64_t low = INT64_MAX;
    int64_t high = INT64_MIN;
    const uint8_t* p = d.IndexData + size_t(d.StartIndex) * d.IndexSize;
    for (uint32_t i = 0; i < d.IndexCount; ++i, p += d.IndexSize) {
        int64_t index;
        if (d.IndexSize == 2) {
            uint16_t v;
            std::memcpy(&v, p, 2);
            index = v;
        } else {
            uint32_t v;
            std::memcpy(&v, p, 4);
            index = v;
        }
        low = std::min(low, index);
        high = std::max(high, index);
    }
    return low + d.BaseVertex >= 0 && high + d.BaseVertex <= lastVertex;
}

void CopyRows(const uint8_t* source, int32_t sourcePitch, uint8_t* destination, int32_t destinationPitch,
    uint32_t rowBytes, uint32_t rows)
{
    for (uint32_t r = 0; r < rows; ++r)
        std::memcpy(
            destination + ptrdiff_t(r) * destinationPitch, source + ptrdiff_t(r) * sourcePitch, rowBytes);
}

namespace {

template <bool SwapRedBlue> void ClampPixels(const uint32_t* from, uint32_t* to, size_t count)
{
    size_t i = 0;
#if defined(__SSE2__)
    // Four pixels at a time: alpha spread over its pixel's four bytes, then a byte-wise minimum
    // (alpha against itself stays). This pass runs over every pixel read back, on the thread that
    // waits for the device.
    const __m128i redBlue = _mm_set1_epi32(0x00FF00FF);
    for (; i + 4 <= count; i += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
        __m128i a = _mm_srli_epi32(p, 24);
        a = _mm_or_si128(a, _mm_slli_epi32(a, 8));
        a = _mm_or_si128(a, _mm_slli_epi32(a, 16));
        __m128i c = _mm_min_epu8(p, a);
        if constexpr (SwapRedBlue) {
            const __m128i rb = _mm_and_si128(c, redBlue);
            c = _mm_or_si128(
                _mm_andnot_si128(redBlue, c), _mm_or_si128(_mm_slli_epi32(rb, 16), _mm_srli_epi32(rb, 16)));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), c);
    }
#endif
    for (; i < count; ++i) {
        const uint32_t p = from[i];
        const uint32_t a = p >> 24;
        const uint32_t high = std::min((p >> 16) & 0xFF, a);
        const uint32_t g = std::min((p >> 8) & 0xFF, a);
        const uint32_t low = std::min(p & 0xFF, a);
        const uint32_t r = SwapRedBlue ? low : high;
        const uint32_t b = SwapRedBlue ? high : low;
        to[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
}

} // namespace

void ClampToAlpha(uint32_t* pixels, size_t count, bool swapRedBlue)
{
    ClampToAlpha(pixels, pixels, count, swapRedBlue);
}

void ClampToAlpha(const uint32_t* from, uint32_t* to, size_t count, bool swapRedBlue)
{
    if (swapRedBlue)
        ClampPixels<true>(from, to, count);
    else
        ClampPixels<false>(from, to, count);
}

} // namespace platform::gpu
