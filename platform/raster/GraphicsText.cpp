#include "platform/raster/Graphics.h"

#include "platform/raster/GraphicsImpl.h"

#include <cmath>

namespace platform::raster {

namespace {

bool IsFinite(RectF r)
{
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

struct FontOptionsDeleter {
    void operator()(cairo_font_options_t* o) const { cairo_font_options_destroy(o); }
};

// FreeType refuses glyphs of several hundred pixels, so text beyond kMaxGlyphEm device pixels
// is filled as outlines; text smaller than kMinDeviceEm is not visible at all.
constexpr double kMinDeviceEm = 1.0 / 64;
constexpr double kMaxGlyphEm = 256;
// Relative difference of the two axis scales up to which a transform counts as uniform.
constexpr double kUniformScale = 1e-4;

struct EmRange {
    double smallest, largest; // device em along the transform's least and most scaled axes
};

EmRange DeviceEm(cairo_t* cr, const Font& font)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    // Singular values of the linear part.
    const double a = m.xx * m.xx + m.xy * m.xy + m.yx * m.yx + m.yy * m.yy;
    const double det = m.xx * m.yy - m.xy * m.yx;
    const double root = std::sqrt(std::max(0.0, a * a - 4 * det * det));
    const double largest = std::sqrt((a + root) / 2);
    const double smallest = largest > 0 ? std::fabs(det) / largest : 0;
    return { font.EmSize() * smallest, font.EmSize() * largest };
}

} // namespace

PangoContext* Graphics::Impl::TextContext(double scale)
{
    if (!pango)
        pango = detail::CreatePangoContext();
    std::unique_ptr<cairo_font_options_t, FontOptionsDeleter> options(cairo_font_options_create());
    switch (modes.textHint) {
    case TextRenderingHint::AntiAlias:
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_OFF);
        break;
    case TextRenderingHint::SingleBitPerPixelGridFit:
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_NONE);
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_FULL);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
        break;
    case TextRenderingHint::ClearTypeGridFit:
        // Sub-pixel colour fringes need an opaque background to land on; the surfaces here
        // carry alpha, so this is grey anti-aliasing on a light grid fit.
        cairo_font_options_set_antialias(options.get(), CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options.get(), CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options.get(), CAIRO_HINT_METRICS_ON);
        break;
    }
    pango_cairo_context_set_font_options(pango.get(), options.get());
    cairo_save(cr);
    cairo_scale(cr, 1 / scale, 1 / scale);
    pango_cairo_update_context(cr, pango.get());
    cairo_restore(cr);
    return pango.get();
}

bool Graphics::Impl::FitsGlyphs(const Font& font) const
{
    // Text under a transform that scales its axes differently is outlined too: the text
    // engine lays glyphs out for one scale only, so their advances would miss the stretched
    // shapes and the line would land in the wrong place.
    const EmRange em = DeviceEm(cr, font);
    return em.smallest >= 1 && em.largest <= kMaxGlyphEm
        && em.largest - em.smallest <= kUniformScale * em.largest;
}

detail::OutlineContext& Graphics::Impl::Outlines()
{
    if (!outlines)
        outlines = std::make_unique<detail::OutlineContext>();
    return *outlines;
}

void Graphics::DrawString(
    std::u16string_view text, const Font& font, RectF layout, const StringFormat& format, const Brush& brush)
{
    if (!m_impl || !m_impl->Usable() || text.empty() || !IsFinite(layout))
        return;
    Impl& g = *m_impl;
    if (DeviceEm(g.cr, font).largest < kMinDeviceEm)
        return;
    const bool glyphs = g.FitsGlyphs(font);
    const double scale = detail::LayoutScale(font);

    detail::CairoPathPtr outline;
    std::optional<detail::TextLayout> laidOut;
    if (glyphs) {
        laidOut.emplace(g.TextContext(scale), text, font, layout, format, scale);
    } else {
        detail::OutlineContext& scratch = g.Outlines();
        laidOut.emplace(scratch.pango.get(), text, font, layout, format, scale);
        laidOut->AppendPath(scratch.cr.get());
        outline.reset(cairo_copy_path(scratch.cr.get()));
        cairo_new_path(scratch.cr.get());
        if (outline->status != CAIRO_STATUS_SUCCESS)
            return;
    }
    if (laidOut->IsEmpty())
        return;
    double extents[4];
    laidOut->Extents(extents);
    cairo_save(g.cr);
    cairo_new_path(g.cr);
    if ((format.flags & StringFormat::kNoClip) == 0 && layout.HasArea()) {
        cairo_rectangle(g.cr, layout.x, layout.y, layout.width, layout.height);
        g.ClipWholePixels();
    }
    if (outline)
        cairo_append_path(g.cr, outline.get());
    if (detail::SelectBrush(g.cr, detail::BrushAccess::Data(brush), g.Filter(), extents)) {
        if (outline) {
            cairo_set_antialias(g.cr,
                g.modes.textHint == TextRenderingHint::SingleBitPerPixelGridFit ? CAIRO_ANTIALIAS_NONE
                                                                                : CAIRO_ANTIALIAS_GOOD);
            cairo_set_fill_rule(g.cr, CAIRO_FILL_RULE_WINDING);
            cairo_fill(g.cr);
        } else {
            laidOut->Show(g.cr);
        }
    }
    cairo_new_path(g.cr);
    cairo_restore(g.cr);
    g.Check();
}

std::vector<std::optional<RectF>> Graphics::MeasureCharacterRanges(std::u16string_view text, const Font& font,
    RectF layout, const StringFormat& format, std::span<const CharacterRange> ranges)
{
    std::vector<std::optional<RectF>> result(ranges.size());
    if (!m_impl || !m_impl->Usable() || text.empty() || !IsFinite(layout))
        return result;
    Impl& g = *m_impl;
    const double scale = detail::LayoutScale(font);
    PangoContext* context = g.FitsGlyphs(font) ? g.TextContext(scale) : g.Outlines().pango.get();
    detail::TextLayout laidOut(context, text, font, layout, format, scale);
    for (size_t i = 0; i < ranges.size(); ++i)
        result[i] = laidOut.RangeBounds(ranges[i]);
    g.Check();
    return result;
}

} // namespace platform::raster
