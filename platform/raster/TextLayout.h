#pragma once

// Platform-private: text laid out by pango with the alignment rules of the drawing layer.
// Only platform/raster's own sources include this header.

#include "platform/raster/Font.h"
#include "platform/raster/Geometry.h"
#include "platform/raster/StringFormat.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::raster::detail {

struct PangoContextDeleter {
    void operator()(PangoContext* c) const { g_object_unref(c); }
};
using PangoContextPtr = std::unique_ptr<PangoContext, PangoContextDeleter>;

/// A fresh pango context on the default font map, glyph positions not rounded to pixels.
PangoContextPtr CreatePangoContext();

/// A scratch cairo context at the identity transform, on an unbounded surface so that no
/// glyph is culled however far from the origin it lies, with a pango context on it that
/// neither hints glyphs nor metrics: text laid out here scales exactly, for outlines and for
/// measuring at sizes the glyph rasteriser cannot take.
struct OutlineContext {
    struct SurfaceDeleter {
        void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    };
    struct ContextDeleter {
        void operator()(cairo_t* cr) const { cairo_destroy(cr); }
    };
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface;
    std::unique_ptr<cairo_t, ContextDeleter> cr;
    PangoContextPtr pango;

    OutlineContext();
};

/// `text` laid out in `layout` for `context` (already updated for the target). Lines are
/// placed in world coordinates: aligned one by one horizontally, the block vertically.
class TextLayout {
public:
    struct Line {
        PangoLayoutLine* line;
        double originX; // left end of the line's baseline
        double baseline;
        double top;
        double height;
        int startByte;
        int lengthBytes;
    };

    /// With a `scale` other than 1 the text is laid out `scale` times larger (for precision)
    /// and drawn scaled back: the context must have been updated for the target with that
    /// scale taken off its transform. Every position the layout reports is in world units.
    TextLayout(PangoContext* context, std::u16string_view text, const Font& font, RectF layout,
        const StringFormat& format, double scale = 1);
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;
    ~TextLayout();

    bool IsEmpty() const { return m_lines.empty(); }
    const std::vector<Line>& Lines() const { return m_lines; }
    /// Bounds of the laid-out lines (their logical extents, trailing spaces included).
    void Extents(double extents[4]) const;
    void Show(cairo_t* cr) const;
    void AppendPath(cairo_t* cr) const;
    std::optional<RectF> RangeBounds(CharacterRange range) const;

private:
    PangoLayout* m_layout = nullptr;
    std::string m_utf8;
    std::vector<int> m_byteOfUnit; // UTF-16 index -> byte offset, one past the end included
    std::vector<Line> m_lines;
    double m_scale = 1;
};

/// The layout scale for `font`: 1, or a power of two that lays tiny text out at a few units
/// to the em.
double LayoutScale(const Font& font);

} // namespace platform::raster::detail
