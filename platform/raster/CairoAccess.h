#pragma once

// Platform-private: the cairo objects behind the drawing layer, for platform/raster's own
// sources and for the window layer (which draws through a toolkit's cairo context and
// presents back buffers into it). Nothing outside platform/ includes this header.

#include "platform/raster/Brush.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/Path.h"
#include "platform/raster/Surface.h"

#include <cairo.h>

#include <memory>
#include <vector>

namespace platform::raster::detail {

struct CairoSurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDeleter {
    void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
struct CairoPatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
struct CairoPathDeleter {
    void operator()(cairo_path_t* p) const { cairo_path_destroy(p); }
};
using CairoSurfacePtr = std::unique_ptr<cairo_surface_t, CairoSurfaceDeleter>;
using CairoPtr = std::unique_ptr<cairo_t, CairoDeleter>;
using CairoPatternPtr = std::unique_ptr<cairo_pattern_t, CairoPatternDeleter>;
using CairoPathPtr = std::unique_ptr<cairo_path_t, CairoPathDeleter>;

/// The pixels of a Surface, shared with the brushes and graphics that use them. `finished`
/// turns true when the owning Surface goes away: the cairo surface is detached from the
/// memory then, so nothing can touch pixels that may already be freed.
struct SurfaceData {
    cairo_surface_t* surface = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
    bool finished = false;

    SurfaceData() = default;
    SurfaceData(const SurfaceData&) = delete;
    SurfaceData& operator=(const SurfaceData&) = delete;
    ~SurfaceData();
    void Finish();
    bool Usable() const { return surface != nullptr && !finished; }
};

struct SurfaceAccess {
    static const std::shared_ptr<SurfaceData>& Data(const Surface& s) { return s.m_data; }
};

enum class BrushKind : uint8_t { Solid, Linear, Ellipse, Texture };

struct GradientStop {
    float position;
    uint32_t color;
};

struct BrushData {
    BrushKind kind = BrushKind::Solid;
    uint32_t color = 0;
    PointF start;
    PointF stop;
    RectF bounds;
    std::vector<GradientStop> stops;
    WrapMode wrap = WrapMode::Tile;
    cairo_matrix_t transform = { 1, 0, 0, 1, 0, 0 };
    std::shared_ptr<SurfaceData> image;
};

struct BrushAccess {
    /// A moved-from brush reads as transparent.
    static const BrushData& Data(const Brush& b)
    {
        static const BrushData kTransparent;
        return b.m_data ? *b.m_data : kTransparent;
    }
};

/// True when `m` and its inverse are finite and it can be inverted, which is what cairo
/// demands of every matrix it is given.
bool IsUsableMatrix(const cairo_matrix_t& m);

/// The ellipse inscribed in (x, y, w, h) as four Béziers, clockwise on screen from the
/// rightmost point, appended to the current path of `cr` as a closed figure.
void AppendEllipse(cairo_t* cr, double x, double y, double w, double h);

/// The figures of `path` appended to the current path of `cr` (figures of a single point
/// add nothing).
void AppendPath(cairo_t* cr, const Path& path);

/// Makes `brush` the source of `cr` for what is drawn next, its pictures sampled with
/// `filter`. `extents` are the user-space bounds of what will be drawn. May intersect the
/// clip (an ellipse gradient paints only inside its ellipse), so the caller brackets the
/// drawing with cairo_save/cairo_restore; the current path is kept. False when the brush
/// paints nothing; the source is then unchanged.
bool SelectBrush(cairo_t* cr, const BrushData& brush, cairo_filter_t filter, const double extents[4]);

/// A graphics drawing into a toolkit's cairo context (inside a draw handler; it must not
/// outlive the handler). Its identity transform is the context's transform at this call,
/// and resetting its clip goes back to the context's clip at this call. The context's state
/// is restored when the graphics is destroyed.
std::optional<Graphics> CreateGraphicsForCairo(cairo_t* cr);

/// Copies rectangles of `source` (clipped to it) to (x, y) + their position in `cr`.
void Present(
    const Surface& source, cairo_t* cr, int x, int y, std::span<const RectI> rects, PresentMode mode);

struct GraphicsAccess {
    static std::optional<Graphics> Wrap(cairo_t* cr);
};

} // namespace platform::raster::detail
