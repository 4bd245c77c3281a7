#pragma once

#include "platform/raster/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace platform::raster {

namespace detail {
struct SurfaceData;
struct SurfaceAccess;
} // namespace detail

/// Largest surface (width x height) made or wrapped: 256 Mi pixels, 1 GB, as the largest
/// bitmap of the library.
inline constexpr int64_t kMaxSurfacePixels = int64_t(1) << 28;

/// Premultiplied ARGB32 pixels in top-down rows, stride Width x 4: a back buffer, or a view
/// over pixels the caller owns (a bitmap's memory, shared without copying). Move-only. When a
/// surface is destroyed, brushes and graphics still referring to it paint nothing from then on.
class Surface {
public:
    /// Owned pixels cleared to 0; nothing for a size below 1 or beyond what cairo supports
    /// (32767 per side), beyond kMaxSurfacePixels, or when memory runs out.
    [[nodiscard]] static std::optional<Surface> Create(int width, int height);
    /// As Create, raising rtl::GraphicsError("Can't allocate the DIB handle") on failure.
    static Surface CreateBackBuffer(int width, int height);
    /// A view over `bits` (width x height 32-bit values, top-down rows): no copy is made and
    /// the caller keeps the memory alive while the surface exists. Nothing for a null pointer
    /// or an unsupported size.
    [[nodiscard]] static std::optional<Surface> CreateOver(uint32_t* bits, int width, int height);

    Surface(Surface&&) noexcept;
    Surface& operator=(Surface&&) noexcept;
    ~Surface();

    int Width() const;
    int Height() const;
    /// Row length in bytes (always Width x 4).
    int Stride() const;
    /// The pixels; call Flush before reading or writing them and MarkDirty after writing.
    uint32_t* Bits();
    const uint32_t* Bits() const;
    void Flush();
    void MarkDirty();
    /// One premultiplied pixel, 0 outside the surface (flushes first).
    [[nodiscard]] uint32_t Pixel(int x, int y) const;

private:
    explicit Surface(std::shared_ptr<detail::SurfaceData> data);
    friend struct detail::SurfaceAccess;
    std::shared_ptr<detail::SurfaceData> m_data;
};

enum class PresentMode : uint8_t {
    Copy, ///< the target takes the source pixels unchanged
    SourceOver, ///< the source is composited over the target (a transparent child scene)
};

/// Copies rectangles of `source` (in source pixels, clipped to it) into `target` with their
/// top-left corner moved by (x, y). An empty `rects` copies nothing.
void Present(const Surface& source, Surface& target, int x, int y, std::span<const RectI> rects,
    PresentMode mode = PresentMode::Copy);

} // namespace platform::raster
