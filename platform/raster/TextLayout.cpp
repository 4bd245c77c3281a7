#include "platform/raster/TextLayout.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace platform::raster::detail {

namespace {

struct FontDescriptionDeleter {
    void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
};
struct AttrListDeleter {
    void operator()(PangoAttrList* a) const { pango_attr_list_unref(a); }
};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

double AlignFactor(StringAlignment a)
{
    switch (a) {
    case StringAlignment::Near:
        return 0;
    case StringAlignment::Center:
        return 0.5;
    case StringAlignment::Far:
        return 1;
    }
    return 0;
}

// Width of the blanks at the end of a line, in pango units.
int TrailingSpaceWidth(PangoLayoutLine* line, const std::string& text)
{
    const int start = line->start_index;
    int end = start + line->length;
    int blanks = end;
    while (blanks > start) {
        const char* prev = g_utf8_find_prev_char(text.c_str() + start, text.c_str() + blanks);
        if (!prev || !g_unichar_isspace(g_utf8_get_char(prev)))
            break;
        blanks = int(prev - text.c_str());
    }
    if (blanks == end)
        return 0;
    int* ranges = nullptr;
    int count = 0;
    pango_layout_line_get_x_ranges(line, blanks, end, &ranges, &count);
    int width = 0;
    for (ptrdiff_t i = 0; i < count; ++i)
        width += ranges[2 * i + 1] - ranges[2 * i];
    g_free(ranges);
    return width;
}

} // namespace

namespace {

// Appended after the machine's own rules, so it wins over a desktop configuration that asks
// for sub-pixel order: cairo would then render glyphs with coloured fringes, which are wrong
// on surfaces that carry alpha and are scaled, rotated or composed after drawing.
constexpr char kGreyGlyphRule[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <match target="font">
    <edit name="rgba" mode="assign"><const>none</const></edit>
  </match>
</fontconfig>
)";

/// The machine's font configuration plus the grey rule; null when it cannot be built. Kept
/// for the whole process, like fontconfig's own current configuration.
FcConfig* GreyGlyphConfig()
{
    static FcConfig* const config = [] {
        FcConfig* built = FcInitLoadConfigAndFonts();
        if (built
            && !FcConfigParseAndLoadFromMemory(
                built, reinterpret_cast<const FcChar8*>(kGreyGlyphRule), FcFalse)) {
            FcConfigDestroy(built);
            built = nullptr;
        }
        return built;
    }();
    return config;
}

/// One font map a thread, as pango's default map is: the toolkit's map keeps the machine's
/// configuration for its own widgets.
struct FontMapHolder {
    PangoFontMap* map = nullptr;
    ~FontMapHolder()
    {
        if (map)
            g_object_unref(map);
    }
};

PangoFontMap* GreyFontMap()
{
    thread_local FontMapHolder holder;
    if (!holder.map) {
        FcConfig* config = GreyGlyphConfig();
        if (!config)
            return pango_cairo_font_map_get_default();
        holder.map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        if (!holder.map || !PANGO_IS_FC_FONT_MAP(holder.map)) {
            if (holder.map)
                g_object_unref(holder.map);
            holder.map = nullptr;
            return pango_cairo_font_map_get_default();
        }
        pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(holder.map), config);
    }
    return holder.map;
}

} // namespace

PangoContextPtr CreatePangoContext()
{
    PangoContextPtr context(pango_font_map_create_context(GreyFontMap()));
    // Whole-pixel glyph positions would space small text unevenly, most visibly in outlines.
    pango_context_set_round_glyph_positions(context.get(), FALSE);
    return context;
}

// NOTE: the surface must be unbounded. cairo drops every glyph placed more than ten ems
// outside a bounded target before it reaches a path, so on a small image surface only the
// glyphs near the origin would be outlined.
OutlineContext::OutlineContext()
    : surface(cairo_recording_surface_create(CAIRO_CONTENT_ALPHA, nullptr))
    , cr(cairo_create(surface.get()))
    , pango(CreatePangoContext())
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(pango.get(), options);
    cairo_font_options_destroy(options);
    pango_cairo_update_context(cr.get(), pango.get());
}

TextLayout::TextLayout(PangoContext* context, std::u16string_view text, const Font& font, RectF layout,
    const StringFormat& format, double scale)
    : m_scale(std::isfinite(scale) && scale > 0 ? scale : 1)
{
    // The text ends at its first U+0000, like the zero-terminated strings callers pass.
    text = text.substr(0, std::min(text.find(u'\0'), text.size()));
    m_byteOfUnit.reserve(text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
        m_byteOfUnit.push_back(int(m_utf8.size()));
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            m_byteOfUnit.push_back(int(m_utf8.size()));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(m_utf8, c);
    }
    m_byteOfUnit.push_back(int(m_utf8.size()));
    if (m_utf8.empty() || !context)
        return;

    m_layout = pango_layout_new(context);
    pango_layout_set_auto_dir(m_layout, FALSE);
    pango_layout_set_alignment(m_layout, PANGO_ALIGN_LEFT);

    std::unique_ptr<PangoFontDescription, FontDescriptionDeleter> desc(pango_font_description_new());
    pango_font_description_set_family(desc.get(), font.Family().Name().c_str());
    pango_font_description_set_absolute_size(
        desc.get(), int(std::max(1.0, std::round(double(font.EmSize()) * m_scale * PANGO_SCALE))));
    pango_font_description_set_weight(
        desc.get(), HasStyle(font.Style(), FontStyle::Bold) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(
        desc.get(), HasStyle(font.Style(), FontStyle::Italic) ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(m_layout, desc.get());
    if (HasStyle(font.Style(), FontStyle::Underline) || HasStyle(font.Style(), FontStyle::Strikeout)) {
        std::unique_ptr<PangoAttrList, AttrListDeleter> attrs(pango_attr_list_new());
        if (HasStyle(font.Style(), FontStyle::Underline))
            pango_attr_list_insert(attrs.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (HasStyle(font.Style(), FontStyle::Strikeout))
            pango_attr_list_insert(attrs.get(), pango_attr_strikethrough_new(TRUE));
        pango_layout_set_attributes(m_layout, attrs.get());
    }

    const double width = std::max(0.0f, layout.width);
    const double height = std::max(0.0f, layout.height);
    const double wrapWidth = width * m_scale * PANGO_SCALE;
    if ((format.flags & StringFormat::kNoWrap) == 0 && wrapWidth >= 1 && wrapWidth < double(INT_MAX / 2)) {
        pango_layout_set_width(m_layout, int(wrapWidth));
        pango_layout_set_wrap(m_layout, PANGO_WRAP_WORD_CHAR);
    } else {
        pango_layout_set_width(m_layout, -1);
    }
    pango_layout_set_text(m_layout, m_utf8.data(), int(m_utf8.size()));

    PangoRectangle block;
    pango_layout_get_extents(m_layout, nullptr, &block);
    // World units of one pango unit of the layout.
    const double u = 1.0 / (PANGO_SCALE * m_scale);
    const double top = layout.y + AlignFactor(format.lineAlignment) * (height - double(block.height) * u)
        - double(block.y) * u;
    const bool countTrailing = (format.flags & StringFormat::kMeasureTrailingSpaces) != 0;
    const double horz = AlignFactor(format.alignment);

    PangoLayoutIter* iter = pango_layout_get_iter(m_layout);
    do {
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
        PangoRectangle lineRect;
        pango_layout_iter_get_line_extents(iter, nullptr, &lineRect);
        PangoRectangle own;
        pango_layout_line_get_extents(line, nullptr, &own);
        double lineWidth = own.width;
        if (!countTrailing)
            lineWidth -= TrailingSpaceWidth(line, m_utf8);
        Line placed;
        placed.line = line;
        placed.originX = layout.x + horz * (width - lineWidth * u) - double(own.x) * u;
        placed.baseline = top + double(pango_layout_iter_get_baseline(iter)) * u;
        placed.top = top + double(lineRect.y) * u;
        placed.height = double(lineRect.height) * u;
        placed.startByte = line->start_index;
        placed.lengthBytes = line->length;
        m_lines.push_back(placed);
    } while (pango_layout_iter_next_line(iter));
    pango_layout_iter_free(iter);
}

TextLayout::~TextLayout()
{
    if (m_layout)
        g_object_unref(m_layout);
}

void TextLayout::Extents(double extents[4]) const
{
    extents[0] = extents[1] = extents[2] = extents[3] = 0;
    bool first = true;
    for (const Line& l : m_lines) {
        PangoRectangle own;
        pango_layout_line_get_extents(l.line, nullptr, &own);
        const double x1 = l.originX + double(own.x) / (PANGO_SCALE * m_scale);
        const double x2 = x1 + double(own.width) / (PANGO_SCALE * m_scale);
        if (first) {
            extents[0] = x1, extents[1] = l.top, extents[2] = x2, extents[3] = l.top + l.height;
            first = false;
        } else {
            extents[0] = std::min(extents[0], x1);
            extents[1] = std::min(extents[1], l.top);
            extents[2] = std::max(extents[2], x2);
            extents[3] = std::max(extents[3], l.top + l.height);
        }
    }
}

void TextLayout::Show(cairo_t* cr) const
{
    cairo_save(cr);
    cairo_scale(cr, 1 / m_scale, 1 / m_scale);
    for (const Line& l : m_lines) {
        cairo_move_to(cr, l.originX * m_scale, l.baseline * m_scale);
        pango_cairo_show_layout_line(cr, l.line);
    }
    cairo_restore(cr);
    cairo_new_path(cr);
}

void TextLayout::AppendPath(cairo_t* cr) const
{
    // The path is kept in device space, so it stays where it is when the scale goes.
    cairo_save(cr);
    cairo_scale(cr, 1 / m_scale, 1 / m_scale);
    for (const Line& l : m_lines) {
        cairo_move_to(cr, l.originX * m_scale, l.baseline * m_scale);
        pango_cairo_layout_line_path(cr, l.line);
    }
    cairo_restore(cr);
}

double LayoutScale(const Font& font)
{
    // Pango keeps sizes and advances in 1/1024 units of the layout; a text of a few units or
    // less would gather their rounding along a line (about an em over a few hundred
    // characters at a tenth of a unit), so it is laid out larger and drawn scaled back. A
    // power of two keeps the scaling exact.
    constexpr double kMinLayoutEm = 8;
    const double em = font.EmSize();
    if (!(em > 0) || em >= kMinLayoutEm)
        return 1;
    return std::exp2(std::ceil(std::log2(kMinLayoutEm / em)));
}

std::optional<RectF> TextLayout::RangeBounds(CharacterRange range) const
{
    const int64_t units = int64_t(m_byteOfUnit.size()) - 1;
    const int64_t first = std::max<int64_t>(range.first, 0);
    const int64_t last = std::min<int64_t>(int64_t(range.first) + range.length, units);
    if (m_lines.empty() || range.length <= 0 || first >= last)
        return std::nullopt;
    const int b0 = m_byteOfUnit[size_t(first)];
    const int b1 = m_byteOfUnit[size_t(last)];
    bool any = false;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    for (const Line& l : m_lines) {
        const int s = std::max(b0, l.startByte);
        const int e = std::min(b1, l.startByte + l.lengthBytes);
        if (s >= e)
            continue;
        int* ranges = nullptr;
        int count = 0;
        pango_layout_line_get_x_ranges(l.line, s, e, &ranges, &count);
        // The ranges are relative to the layout's left edge, which is the line's origin
        // here: every line is laid out from the left and placed by hand.
        for (ptrdiff_t i = 0; i < count; ++i) {
            const double left = l.originX + double(ranges[2 * i]) / (PANGO_SCALE * m_scale);
            const double right = l.originX + double(ranges[2 * i + 1]) / (PANGO_SCALE * m_scale);
            if (!any) {
                x1 = left, x2 = right, y1 = l.top, y2 = l.top + l.height;
                any = true;
            } else {
                x1 = std::min(x1, left), x2 = std::max(x2, right);
                y1 = std::min(y1, l.top), y2 = std::max(y2, l.top + l.height);
            }
        }
        g_free(ranges);
    }
    if (!any)
        return std::nullopt;
    return RectF { float(x1), float(y1), float(x2 - x1), float(y2 - y1) };
}

} // namespace platform::raster::detail
