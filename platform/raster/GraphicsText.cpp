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

// Device em sizes for which glyphs are rasterised. FreeType refuses glyphs of several hundred
// pixels, so larger text is filled as outlines; smaller than this is not visible at all.
constexpr double kMinDeviceEm = 1.0 / 64;
constexpr double kMaxGlyphEm = 256;

double DeviceEm(cairo_t* cr, const Font& font)
{
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return font.EmSize() * std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx));
}

} // namespace

PangoContext* Graphics::Impl::TextContext()
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
    pango_cairo_update_context(cr, pango.get());
    return pango.get();
}

bool Graphics::Impl::FitsGlyphs(const Font& font) const
{
    const double em = DeviceEm(cr, font);
    return em >= kMinDeviceEm && em <= kMaxGlyphEm;
}

detail::OutlineContext& Graphics::Impl::Outlines()
{
    if (!outlines)
        outlines = std::make_unique<detail::OutlineContext>();
    return *outlines;
}

void Graphics::DrawString(std::u16string_view text, const Font& font, RectF layout, const StringFormat& format,
                          const Brush& brush)
{
    if (!m_impl || !m_impl->Usable() || text.empty() || !IsFinite(layout))
        return;
    Impl& g = *m_impl;
    const bool glyphs = g.FitsGlyphs(font);
    if (!glyphs && DeviceEm(g.cr, font) < kMinDeviceEm)
        return;

    detail::CairoPathPtr outline;
    std::optional<detail::TextLayout> laidOut;
    if (glyphs) {
        laidOut.emplace(g.TextContext(), text, font, layout, format);
    } else {
        detail::OutlineContext& scratch = g.Outlines();
        laidOut.emplace(scratch.pango.get(), text, font, layout, format);
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
            cairo_set_antialias(g.cr, g.modes.textHint == TextRenderingHint::SingleBitPerPixelGridFit
                                          ? CAIRO_ANTIALIAS_NONE
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
                                                                   RectF layout, const StringFormat& format,
                                                                   std::span<const CharacterRange> ranges)
{
    std::vector<std::optional<RectF>> result(ranges.size());
    if (!m_impl || !m_impl->Usable() || text.empty() || !IsFinite(layout))
        return result;
    Impl& g = *m_impl;
    PangoContext* context = g.FitsGlyphs(font) ? g.TextContext() : g.Outlines().pango.get();
    detail::TextLayout laidOut(context, text, font, layout, format);
    for (size_t i = 0; i < ranges.size(); ++i)
        result[i] = laidOut.RangeBounds(ranges[i]);
    g.Check();
    return result;
}

} // namespace platform::raster
