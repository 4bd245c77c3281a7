#include "platform/raster/Surface.h"

#include "platform/raster/CairoAccess.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>

namespace platform::raster {

namespace detail {

SurfaceData::~SurfaceData()
{
    Finish();
    if (surface)
        cairo_surface_destroy(surface);
}

void SurfaceData::Finish()
{
    if (surface && !finished) {
        // NOTE: finish before the last reference goes: a pattern may still hold the cairo
        // surface, and it must stop reading memory that its owner is about to free.
        cairo_surface_finish(surface);
    }
    finished = true;
}

} // namespace detail

namespace {

// cairo refuses image surfaces larger than this on either side.
constexpr int kMaxSide = 32767;

bool IsSupportedSize(int width, int height)
{
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide
        && int64_t(width) * int64_t(height) <= kMaxSurfacePixels;
}

std::shared_ptr<detail::SurfaceData> Adopt(cairo_surface_t* surface)
{
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    auto data = std::make_shared<detail::SurfaceData>();
    data->surface = surface;
    data->bits = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
    data->width = cairo_image_surface_get_width(surface);
    data->height = cairo_image_surface_get_height(surface);
    return data;
}

} // namespace

Surface::Surface(std::shared_ptr<detail::SurfaceData> data)
    : m_data(std::move(data))
{ }
Surface::Surface(Surface&&) noexcept = default;

Surface& Surface::operator=(Surface&& other) noexcept
{
    if (this != &other) {
        if (m_data)
            m_data->Finish();
        m_data = std::move(other.m_data);
    }
    return *this;
}

Surface::~Surface()
{
    if (m_data)
        m_data->Finish();
}

std::optional<Surface> Surface::Create(int width, int height)
{
    if (!IsSupportedSize(width, height))
        return std::nullopt;
    auto data = Adopt(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (!data || !data->bits)
        return std::nullopt;
    return Surface(std::move(data));
}

Surface Surface::CreateBackBuffer(int width, int height)
{
    auto surface = Create(width, height);
    if (!surface)
        throw rtl::GraphicsError("Can't allocate the DIB handle");
    return std::move(*surface);
}

std::optional<Surface> Surface::CreateOver(uint32_t* bits, int width, int height)
{
    if (!bits || !IsSupportedSize(width, height))
        return std::nullopt;
    auto data = Adopt(cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(bits), CAIRO_FORMAT_ARGB32, width, height, width * 4));
    if (!data)
        return std::nullopt;
    return Surface(std::move(data));
}

int Surface::Width() const
{
    return m_data ? m_data->width : 0;
}
int Surface::Height() const
{
    return m_data ? m_data->height : 0;
}
int Surface::Stride() const
{
    return Width() * 4;
}
uint32_t* Surface::Bits()
{
    return m_data && m_data->Usable() ? m_data->bits : nullptr;
}
const uint32_t* Surface::Bits() const
{
    return m_data && m_data->Usable() ? m_data->bits : nullptr;
}

void Surface::Flush()
{
    if (m_data && m_data->Usable())
        cairo_surface_flush(m_data->surface);
}

void Surface::MarkDirty()
{
    if (m_data && m_data->Usable())
        cairo_surface_mark_dirty(m_data->surface);
}

uint32_t Surface::Pixel(int x, int y) const
{
    if (!m_data || !m_data->Usable() || x < 0 || y < 0 || x >= m_data->width || y >= m_data->height)
        return 0;
    cairo_surface_flush(m_data->surface);
    return m_data->bits[size_t(y) * size_t(m_data->width) + size_t(x)];
}

namespace detail {

void Present(const Surface& source, cairo_t* cr, int x, int y, std::span<const RectI> rects, PresentMode mode)
{
    const auto& data = SurfaceAccess::Data(source);
    if (!cr || !data || !data->Usable() || rects.empty())
        return;
    cairo_save(cr);
    cairo_set_source_surface(cr, data->surface, x, y);
    cairo_set_operator(cr, mode == PresentMode::Copy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
    cairo_new_path(cr);
    bool any = false;
    for (const RectI& r : rects) {
        // Callers widen repainted rectangles by a pixel, so keep them inside the buffer.
        const int64_t left = std::max<int64_t>(r.x, 0);
        const int64_t top = std::max<int64_t>(r.y, 0);
        const int64_t right = std::min<int64_t>(int64_t(r.x) + r.width, data->width);
        const int64_t bottom = std::min<int64_t>(int64_t(r.y) + r.height, data->height);
        if (right <= left || bottom <= top)
            continue;
        cairo_rectangle(cr, double(x + left), double(y + top), double(right - left), double(bottom - top));
        any = true;
    }
    if (any)
        cairo_fill(cr);
    cairo_new_path(cr);
    cairo_restore(cr);
}

} // namespace detail

void Present(
    const Surface& source, Surface& target, int x, int y, std::span<const RectI> rects, PresentMode mode)
{
    const auto& data = detail::SurfaceAccess::Data(target);
    if (!data || !data->Usable())
        return;
    detail::CairoPtr cr(cairo_create(data->surface));
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        return;
    detail::Present(source, cr.get(), x, y, rects, mode);
}

} // namespace platform::raster
