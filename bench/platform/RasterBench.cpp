// A toolbar-like scene of rounded, gradient-filled buttons with centred labels, drawn into
// a 700 x 100 surface through the drawing layer and, for comparison, through plain cairo
// and pango calls doing the same work. The ratio of the two is the layer's overhead.

#include "platform/raster/Brush.h"
#include "platform/raster/Font.h"
#include "platform/raster/FontFamily.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/Path.h"
#include "platform/raster/Pen.h"
#include "platform/raster/StringFormat.h"
#include "platform/raster/Surface.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <array>

namespace {

using namespace platform::raster;

constexpr int kWidth = 700;
constexpr int kHeight = 100;
constexpr int kButtons = 6;
constexpr float kRadius = 8;
constexpr float kKappa = 0.4477152502f; // control points measured from the corner
constexpr std::array<const char16_t*, kButtons> kLabels
    = { u"New", u"Open", u"Save", u"Render", u"Export", u"Help" };
constexpr std::array<const char*, kButtons> kLabels8 = { "New", "Open", "Save", "Render", "Export", "Help" };

RectF ButtonRect(int i)
{
    return { 12 + i * 114.0f, 22, 104, 56 };
}

Path RoundedRect(RectF r)
{
    const float x = kRadius, k = kRadius * kKappa;
    const float left = r.x, top = r.y, right = r.Right(), bottom = r.Bottom();
    Path p;
    p.AddBezier({ left, top + x }, { left, top + k }, { left + k, top }, { left + x, top });
    p.AddBezier({ right - x, top }, { right - k, top }, { right, top + k }, { right, top + x });
    p.AddBezier({ right, bottom - x }, { right, bottom - k }, { right - k, bottom }, { right - x, bottom });
    p.AddBezier({ left + x, bottom }, { left + k, bottom }, { left, bottom - k }, { left, bottom - x });
    p.CloseFigure();
    return p;
}

void DrawThroughLayer(Graphics& g, const Font& font)
{
    auto background
        = Brush::LinearGradient({ 0, 0 }, { 0, kHeight }, 0xFFF4F6FA, 0xFFD8DEE9, WrapMode::TileFlipX);
    g.FillRectangle(*background, { 0, 0, kWidth, kHeight });
    const StringFormat centred { StringFormat::kNoClip | StringFormat::kNoWrap, StringAlignment::Center,
        StringAlignment::Center };
    for (int i = 0; i < kButtons; ++i) {
        const RectF r = ButtonRect(i);
        const Path outline = RoundedRect(r);
        auto fill = Brush::LinearGradient(
            { r.x, r.y }, { r.x, r.Bottom() }, 0xFFFFFFFF, 0xFFFFFFFF, WrapMode::TileFlipX);
        const uint32_t colors[] = { 0xFF6FA8DC, 0xFF6FA8DC, 0xFF3D85C6, 0xFF3D85C6 };
        const float positions[] = { 0, 0.1f, 0.9f, 1 };
        (void)fill->SetPresetBlend(colors, positions);
        g.FillPath(*fill, outline);
        Pen pen(Brush::Solid(0xFF1C4587), 1);
        g.DrawPath(pen, outline);
        g.DrawString(kLabels[size_t(i)], font, r, centred, Brush::Solid(0xFFFFFFFF));
    }
}

void RawRoundedRect(cairo_t* cr, RectF r)
{
    const double x = kRadius, k = kRadius * kKappa;
    const double left = r.x, top = r.y, right = r.Right(), bottom = r.Bottom();
    cairo_move_to(cr, left, top + x);
    cairo_curve_to(cr, left, top + k, left + k, top, left + x, top);
    cairo_line_to(cr, right - x, top);
    cairo_curve_to(cr, right - k, top, right, top + k, right, top + x);
    cairo_line_to(cr, right, bottom - x);
    cairo_curve_to(cr, right, bottom - k, right - k, bottom, right - x, bottom);
    cairo_line_to(cr, left + x, bottom);
    cairo_curve_to(cr, left + k, bottom, left, bottom - k, left, bottom - x);
    cairo_close_path(cr);
}

void DrawRaw(cairo_t* cr, PangoContext* context, const PangoFontDescription* desc)
{
    cairo_pattern_t* background = cairo_pattern_create_linear(0, 0, 0, kHeight);
    cairo_pattern_add_color_stop_rgb(background, 0, 0xF4 / 255.0, 0xF6 / 255.0, 0xFA / 255.0);
    cairo_pattern_add_color_stop_rgb(background, 1, 0xD8 / 255.0, 0xDE / 255.0, 0xE9 / 255.0);
    cairo_pattern_set_extend(background, CAIRO_EXTEND_REFLECT);
    cairo_set_source(cr, background);
    cairo_rectangle(cr, 0, 0, kWidth, kHeight);
    cairo_fill(cr);
    cairo_pattern_destroy(background);
    for (int i = 0; i < kButtons; ++i) {
        const RectF r = ButtonRect(i);
        RawRoundedRect(cr, r);
        cairo_pattern_t* fill = cairo_pattern_create_linear(r.x, r.y, r.x, r.Bottom());
        cairo_pattern_add_color_stop_rgb(fill, 0, 0x6F / 255.0, 0xA8 / 255.0, 0xDC / 255.0);
        cairo_pattern_add_color_stop_rgb(fill, 0.1, 0x6F / 255.0, 0xA8 / 255.0, 0xDC / 255.0);
        cairo_pattern_add_color_stop_rgb(fill, 0.9, 0x3D / 255.0, 0x85 / 255.0, 0xC6 / 255.0);
        cairo_pattern_add_color_stop_rgb(fill, 1, 0x3D / 255.0, 0x85 / 255.0, 0xC6 / 255.0);
        cairo_pattern_set_extend(fill, CAIRO_EXTEND_REFLECT);
        cairo_set_source(cr, fill);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(fill);
        cairo_set_source_rgb(cr, 0x1C / 255.0, 0x45 / 255.0, 0x87 / 255.0);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);

        PangoLayout* layout = pango_layout_new(context);
        pango_layout_set_font_description(layout, desc);
        pango_layout_set_text(layout, kLabels8[size_t(i)], -1);
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        cairo_move_to(cr, r.x + (r.width - double(logical.width) / PANGO_SCALE) / 2,
            r.y + (r.height - double(logical.height) / PANGO_SCALE) / 2);
        cairo_set_source_rgb(cr, 1, 1, 1);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
    }
}

void BM_ControlSceneThroughLayer(benchmark::State& state)
{
    auto surface = Surface::Create(kWidth, kHeight);
    auto g = Graphics::Create(*surface);
    const auto family = FontFamily::FromName("DejaVu Sans");
    const auto font = Font::Create(family ? *family : FontFamily::GenericSansSerif(), 15, FontStyle::Regular);
    for (auto _ : state) {
        DrawThroughLayer(*g, *font);
        benchmark::DoNotOptimize(surface->Pixel(kWidth / 2, kHeight / 2));
    }
}
BENCHMARK(BM_ControlSceneThroughLayer);

void BM_ControlSceneRawCairo(benchmark::State& state)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_context_set_round_glyph_positions(context, FALSE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_update_context(cr, context);
    PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_absolute_size(desc, 15 * PANGO_SCALE);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
    for (auto _ : state) {
        DrawRaw(cr, context, desc);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface)[kWidth * 2 * kHeight]);
    }
    pango_font_description_free(desc);
    g_object_unref(context);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_ControlSceneRawCairo);

} // namespace
