// A control-like scene (a gradient background, rounded gradient buttons with an outline and
// a centred label) drawn into a 700 x 100 bitmap through the 2D canvas, and the same work
// in plain cairo and pango calls, in the same run. The ratio of the two is the canvas's
// overhead: brushes and pens built per call from the paint values, paths built from the
// shaped-rectangle geometry, the guarded drawing layer underneath.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPosition.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <array>

namespace {

constexpr int kSceneWidth = 700;
constexpr int kSceneHeight = 100;
constexpr int kSceneButtons = 6;
constexpr float kButtonRadius = 8;
constexpr float kButtonWidth = 104;
constexpr float kButtonHeight = 56;
constexpr double kCornerControl = 0.4477152502; // control points measured from the corner
constexpr std::array<const char16_t*, kSceneButtons> kButtonLabels
    = { u"New", u"Open", u"Save", u"Render", u"Export", u"Help" };
constexpr std::array<const char*, kSceneButtons> kButtonLabels8
    = { "New", "Open", "Save", "Render", "Export", "Help" };

float ButtonLeft(int i)
{
    return 12 + i * 114.0f;
}
constexpr float kButtonTop = 22;

void SetStops(TwzGradient& gradient, std::initializer_list<std::pair<TwzColor, float>> stops)
{
    TwzGradientPoints& points = *gradient.GetPoints();
    points.Clear();
    for (auto [color, offset] : stops)
        points.Add(color, offset);
}

/// The paint values a styled control would hold.
struct ScenePaint {
    TwzBrush background { wzBrushGradient, 0xFFFFFFFF };
    TwzBrush button { wzBrushGradient, 0xFFFFFFFF };
    TwzBrush outline { wzBrushSolid, 0xFF1C4587 };
    TwzBrush label { wzBrushSolid, 0xFFFFFFFF };

    ScenePaint()
    {
        SetStops(*background.GetGradient(), { { 0xFFF4F6FA, 0 }, { 0xFFD8DEE9, 1 } });
        background.GetGradient()->GetStopPosition()->SetPoint({ 0, 1 });
        SetStops(*button.GetGradient(),
            { { 0xFF6FA8DC, 0 }, { 0xFF6FA8DC, 0.1f }, { 0xFF3D85C6, 0.9f }, { 0xFF3D85C6, 1 } });
        button.GetGradient()->GetStopPosition()->SetPoint({ 0, 1 });
    }
};

/// Each button paints in its own coordinates, as controls do.
void DrawThroughCanvas(TwzCanvas& canvas, ScenePaint& paint)
{
    canvas.SetMatrix(IdentityMatrix);
    canvas.GetFill().Assign(paint.background);
    canvas.FillRect({ 0, 0, kSceneWidth, kSceneHeight }, 0, 0, {}, 1);
    for (int i = 0; i < kSceneButtons; ++i) {
        TwzMatrix m = IdentityMatrix;
        m.m31 = ButtonLeft(i);
        m.m32 = kButtonTop;
        canvas.SetMatrix(m);
        const TwzRect r { 0, 0, kButtonWidth, kButtonHeight };
        canvas.GetFill().Assign(paint.button);
        canvas.FillRect(r, kButtonRadius, kButtonRadius, AllCorners, 1, wzCornerRound);
        canvas.GetStroke().Assign(paint.outline);
        canvas.SetStrokeThickness(1);
        canvas.DrawRect(r, kButtonRadius, kButtonRadius, AllCorners, 1, wzCornerRound);
        canvas.GetFill().Assign(paint.label);
        canvas.FillText(r, r, kButtonLabels[size_t(i)], false, 1, wzTextAlignCenter, wzTextAlignCenter);
    }
}

void RawRoundedButton(cairo_t* cr)
{
    const double x = kButtonRadius, k = kButtonRadius * kCornerControl;
    const double right = kButtonWidth, bottom = kButtonHeight;
    cairo_move_to(cr, 0, x);
    cairo_curve_to(cr, 0, k, k, 0, x, 0);
    cairo_line_to(cr, right - x, 0);
    cairo_curve_to(cr, right - k, 0, right, k, right, x);
    cairo_line_to(cr, right, bottom - x);
    cairo_curve_to(cr, right, bottom - k, right - k, bottom, right - x, bottom);
    cairo_line_to(cr, x, bottom);
    cairo_curve_to(cr, k, bottom, 0, bottom - k, 0, bottom - x);
    cairo_close_path(cr);
}

void AddStop(cairo_pattern_t* p, double offset, uint32_t argb)
{
    cairo_pattern_add_color_stop_rgba(p, offset, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
        (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
}

void DrawThroughCairo(cairo_t* cr, PangoContext* context, const PangoFontDescription* desc)
{
    cairo_identity_matrix(cr);
    cairo_pattern_t* background = cairo_pattern_create_linear(0, 0, 0, kSceneHeight);
    AddStop(background, 0, 0xFFF4F6FA);
    AddStop(background, 1, 0xFFD8DEE9);
    cairo_pattern_set_extend(background, CAIRO_EXTEND_REFLECT);
    cairo_set_source(cr, background);
    cairo_rectangle(cr, 0, 0, kSceneWidth, kSceneHeight);
    cairo_fill(cr);
    cairo_pattern_destroy(background);
    for (int i = 0; i < kSceneButtons; ++i) {
        cairo_identity_matrix(cr);
        cairo_translate(cr, ButtonLeft(i), kButtonTop);
        RawRoundedButton(cr);
        cairo_pattern_t* fill = cairo_pattern_create_linear(0, 0, 0, kButtonHeight);
        AddStop(fill, 0, 0xFF6FA8DC);
        AddStop(fill, 0.1, 0xFF6FA8DC);
        AddStop(fill, 0.9, 0xFF3D85C6);
        AddStop(fill, 1, 0xFF3D85C6);
        cairo_pattern_set_extend(fill, CAIRO_EXTEND_REFLECT);
        cairo_set_source(cr, fill);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(fill);
        cairo_set_source_rgb(cr, 0x1C / 255.0, 0x45 / 255.0, 0x87 / 255.0);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);

        pango_cairo_update_context(cr, context);
        PangoLayout* layout = pango_layout_new(context);
        pango_layout_set_font_description(layout, desc);
        pango_layout_set_text(layout, kButtonLabels8[size_t(i)], -1);
        PangoRectangle logical;
        pango_layout_get_extents(layout, nullptr, &logical);
        cairo_move_to(cr, (kButtonWidth - double(logical.width) / PANGO_SCALE) / 2,
            (kButtonHeight - double(logical.height) / PANGO_SCALE) / 2);
        cairo_set_source_rgb(cr, 1, 1, 1);
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
    }
}

void BM_ControlSceneThroughCanvas(benchmark::State& state)
{
    TwzBitmap bitmap(kSceneWidth, kSceneHeight);
    TwzCanvasGdiPlus canvas(&bitmap);
    canvas.GetFont().SetFamily("DejaVu Sans");
    canvas.GetFont().SetSize(15);
    ScenePaint paint;
    for (auto _ : state) {
        DrawThroughCanvas(canvas, paint);
        benchmark::DoNotOptimize(bitmap.GetScanline(kSceneHeight / 2)[kSceneWidth / 2]);
    }
}
BENCHMARK(BM_ControlSceneThroughCanvas);

void BM_ControlSceneCanvasRawCairo(benchmark::State& state)
{
    TwzBitmap bitmap(kSceneWidth, kSceneHeight);
    cairo_surface_t* surface
        = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(bitmap.Bits()),
            CAIRO_FORMAT_ARGB32, kSceneWidth, kSceneHeight, kSceneWidth * 4);
    cairo_t* cr = cairo_create(surface);
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    pango_context_set_round_glyph_positions(context, FALSE);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans");
    pango_font_description_set_absolute_size(desc, 15 * PANGO_SCALE);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
    for (auto _ : state) {
        DrawThroughCairo(cr, context, desc);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(bitmap.GetScanline(kSceneHeight / 2)[kSceneWidth / 2]);
    }
    pango_font_description_free(desc);
    g_object_unref(context);
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
}
BENCHMARK(BM_ControlSceneCanvasRawCairo);

} // namespace
