#include "graphics/TwzSurface.h"

#include "graphics/TwzSurfaceBacking.h"

using platform::raster::Surface;

TwzSurface::TwzSurface(std::unique_ptr<Backing> backing)
    : m_backing(std::move(backing))
{ }

TwzSurface::~TwzSurface() = default;

std::unique_ptr<TwzSurface> TwzSurface::CreateBackBuffer(int32_t width, int32_t height)
{
    return std::unique_ptr<TwzSurface>(
        new TwzSurface(std::make_unique<Backing>(Surface::CreateBackBuffer(width, height))));
}

std::unique_ptr<TwzSurface> TwzSurface::Create(int32_t width, int32_t height)
{
    std::optional<Surface> surface = Surface::Create(width, height);
    if (!surface)
        return nullptr;
    return std::unique_ptr<TwzSurface>(new TwzSurface(std::make_unique<Backing>(std::move(*surface))));
}

int32_t TwzSurface::Width() const
{
    return m_backing->Surface.Width();
}

int32_t TwzSurface::Height() const
{
    return m_backing->Surface.Height();
}

uint32_t* TwzSurface::Bits()
{
    return m_backing->Surface.Bits();
}

void TwzSurface::Flush()
{
    m_backing->Surface.Flush();
}

void TwzSurface::MarkDirty()
{
    m_backing->Surface.MarkDirty();
}

uint32_t TwzSurface::Pixel(int32_t x, int32_t y) const
{
    return m_backing->Surface.Pixel(x, y);
}
