#pragma once

#include <cstdint>
#include <memory>

/// A block of premultiplied ARGB pixels in top-down rows (row Y at Bits + Y x Width) that a 2D
/// canvas paints into (its back buffer) or copies to (BlitToDC). The drawing back end keeps its
/// own surface behind it (graphics/TwzSurfaceBacking.h); callers see only the pixels.
class TwzSurface {
public:
    /// Width x Height pixels cleared to 0; raises rtl::GraphicsError ("Can't allocate the DIB
    /// handle") for a size below 1, beyond what the drawing layer takes, or when memory runs out.
    [[nodiscard]] static std::unique_ptr<TwzSurface> CreateBackBuffer(int32_t width, int32_t height);
    /// As CreateBackBuffer, but null where that raises.
    [[nodiscard]] static std::unique_ptr<TwzSurface> Create(int32_t width, int32_t height);

    ~TwzSurface();
    TwzSurface(const TwzSurface&) = delete;
    TwzSurface& operator=(const TwzSurface&) = delete;

    [[nodiscard]] int32_t Width() const;
    [[nodiscard]] int32_t Height() const;
    /// The pixels; Flush before reading or writing them and MarkDirty after writing.
    [[nodiscard]] uint32_t* Bits();
    void Flush();
    void MarkDirty();
    /// One pixel, 0 outside the surface (flushes first).
    [[nodiscard]] uint32_t Pixel(int32_t x, int32_t y) const;

    /// The back end's own surface.
    struct Backing;
    [[nodiscard]] Backing& GetBacking() const { return *m_backing; }

private:
    explicit TwzSurface(std::unique_ptr<Backing> backing);

    std::unique_ptr<Backing> m_backing;
};
