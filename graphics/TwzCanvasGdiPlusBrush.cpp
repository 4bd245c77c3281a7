// Brushes and pens: before every fill and stroke the canvas turns Fill or Stroke, the pen
// settings and the opacity into the drawing layer's brush and pen, laid out over the shape
// being drawn; and the two fill primitives every fill goes through, the visual brush among
// them.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzBrushBitmap.h"
#include "graphics/TwzBrushResource.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzCanvasGdiPlusPrivate.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTransform.h"
#include "graphics/TwzVisual.h"
#include "platform/raster/Path.h"
#include "platform/raster/Surface.h"

#include <vector>

using namespace platform::raster;
using canvasgdiplus::ToRaster;

namespace {

struct Stops {
    std::vector<uint32_t> colors;
    std::vector<float> positions;
};

/// The stops in collection order (not sorted), colours scaled by the opacity. A fill's list
/// always runs from 0 to 1: the first colour is repeated at 0 when the first stop lies
/// beyond it, the last at 1 likewise.
Stops GradientStops(const TwzGradient& gradient, float opacity, bool extendToEnds)
{
    Stops stops;
    const TwzGradientPoints& points = *gradient.GetPoints();
    const int count = points.Count();
    if (count == 0)
        return stops;
    stops.colors.reserve(static_cast<size_t>(count) + 2);
    stops.positions.reserve(static_cast<size_t>(count) + 2);
    const TwzGradientPoint& first = *points.GetPoint(0);
    const TwzGradientPoint& last = *points.GetPoint(count - 1);
    if (extendToEnds && first.GetOffset() > 0) {
        stops.colors.push_back(ScaleColorAlpha(first.ColorValue(), opacity));
        stops.positions.push_back(0);
    }
    for (int i = 0; i < count; ++i) {
        const TwzGradientPoint& p = *points.GetPoint(i);
        stops.colors.push_back(ScaleColorAlpha(p.ColorValue(), opacity));
        stops.positions.push_back(p.GetOffset());
    }
    if (extendToEnds && last.GetOffset() < 1) {
        stops.colors.push_back(ScaleColorAlpha(last.ColorValue(), opacity));
        stops.positions.push_back(1);
    }
    return stops;
}

/// The positions are fractions of R.Right and R.Bottom (not of the width and height): for
/// the shape rectangles that begin at the origin they are fractions of the shape's size.
std::optional<Brush> LinearGradient(
    const TwzGradient& gradient, const TwzRect& r, TwzColor color, WrapMode wrap)
{
    const TwzPosition& start = *gradient.GetStartPosition();
    const TwzPosition& stop = *gradient.GetStopPosition();
    const PointF from { r.Left + r.Right * start.GetX(), r.Top + r.Bottom * start.GetY() };
    const PointF to { r.Left + r.Right * stop.GetX(), r.Top + r.Bottom * stop.GetY() };
    return Brush::LinearGradient(from, to, color, color, wrap);
}

/// The picture of a bitmap brush; nothing for no picture.
std::optional<Brush> TextureBrush(TwzBrushBitmap& brushBitmap, const TwzRect& r, float stretchGrow)
{
    TwzBitmap* bitmap = brushBitmap.GetBitmap();
    if (!bitmap || bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0)
        return std::nullopt;
    Surface* surface = TwzCanvasGdiPlus::GetGpBitmap(bitmap);
    if (!surface)
        return std::nullopt;
    // Anchored at the world origin, not at R's corner.
    switch (brushBitmap.GetWrapMode()) {
    case wzWrapTileStretch: {
        std::optional<Brush> brush = Brush::Texture(*surface, WrapMode::Clamp);
        if (brush)
            brush->ScaleTransform((RectWidth(r) + stretchGrow) / static_cast<float>(bitmap->GetWidth()),
                (RectHeight(r) + stretchGrow) / static_cast<float>(bitmap->GetHeight()));
        return brush;
    }
    case wzWrapTileOriginal:
        return Brush::Texture(*surface, WrapMode::TileFlipX);
    default:
        return Brush::Texture(*surface, WrapMode::Tile);
    }
}

/// A resource brush paints with the brush of its resource object: the canvas's own brush
/// becomes a copy of it, with its style, and stays so.
void ResolveResource(TwzBrush& brush)
{
    // A resource whose brush is a resource brush in turn is followed a few steps, so that a
    // cycle of resources ends (painting transparent) instead of looping.
    for (int step = 0; step < 8 && brush.GetStyle() == wzBrushResource; ++step) {
        TwzBrush* resolved = brush.GetResource()->GetBrush();
        if (!resolved || resolved == &brush)
            return;
        brush.Assign(*resolved);
    }
}

/// The drawing layer's brush for `brush` (resource brushes followed first), as fills and
/// strokes share it; `gradient` makes the one for a gradient of two stops or more, which is
/// where they differ. Nothing only when that gradient has no extent.
template <class MakeGradient>
std::optional<Brush> PaintBrush(
    TwzBrush& brush, const TwzRect& r, float opacity, float stretchGrow, MakeGradient&& gradient)
{
    ResolveResource(brush);
    switch (brush.GetStyle()) {
    case wzBrushSolid:
        return Brush::Solid(ScaleColorAlpha(brush.GetSolidColor(), opacity));
    case wzBrushGradient:
        if (brush.GetGradient()->GetPoints()->Count() < 2)
            return Brush::Solid(ScaleColorAlpha(brush.GetSolidColor(), opacity));
        return gradient(*brush.GetGradient());
    case wzBrushBitmap:
        // Pictures keep their own alpha: the opacity does not reach them.
        if (std::optional<Brush> texture = TextureBrush(*brush.GetBitmap(), r, stretchGrow))
            return texture;
        return Brush::Solid(0);
    default:
        // None, visual, and a resource that finds no brush: transparent.
        return Brush::Solid(0);
    }
}

} // namespace

void TwzCanvasGdiPlus::ApplyFill(const TwzRect& r, float opacity)
{
    m_fillBrush.reset();
    TwzBrush& fill = GetFill();
    m_fillBrush = PaintBrush(
        fill, r, opacity, m_strokeThickness / 2, [&](const TwzGradient& gradient) -> std::optional<Brush> {
            const Stops stops = GradientStops(gradient, opacity, true);
            if (gradient.GetStyle() == wzRadialGradient) {
                // Position 0 lies on the ellipse and 1 in its centre: the first stop is the
                // outer colour.
                std::optional<Brush> brush
                    = Brush::EllipseGradient(ToRaster(r), fill.GetSolidColor(), fill.GetSolidColor());
                if (brush) {
                    const TwzMatrix& m = gradient.GetRadialTransform()->Matrix();
                    brush->SetTransform({ m.m11, m.m12, m.m21, m.m22, m.m31, m.m32 });
                    (void)brush->SetWrapMode(WrapMode::TileFlipXY);
                    (void)brush->SetPresetBlend(stops.colors, stops.positions);
                }
                return brush;
            }
            // Beyond its end the gradient runs back mirrored.
            std::optional<Brush> brush
                = LinearGradient(gradient, r, fill.GetSolidColor(), WrapMode::TileFlipX);
            if (brush)
                (void)brush->SetPresetBlend(stops.colors, stops.positions);
            return brush;
        });
}

void TwzCanvasGdiPlus::ApplyStroke(const TwzRect& r, float opacity)
{
    m_pen.reset();
    m_strokeBrush.reset();
    TwzBrush& stroke = GetStroke();
    m_strokeBrush = PaintBrush(
        stroke, r, opacity, 0, [&](const TwzGradient& gradient) -> std::optional<Brush> {
            // Always linear, the stops as they are: a list that does not run from 0 to 1 is not
            // taken, and the stroke keeps the brush's solid colour.
            std::optional<Brush> brush = LinearGradient(gradient, r, stroke.GetSolidColor(), WrapMode::Tile);
            if (brush) {
                const Stops stops = GradientStops(gradient, opacity, false);
                (void)brush->SetPresetBlend(stops.colors, stops.positions);
            }
            return brush;
        });
    if (!m_strokeBrush)
        return; // a gradient without extent: nothing to stroke with
    m_pen.emplace(*m_strokeBrush, 1.0f);
    m_pen->SetLineCap(m_strokeCap == wzCapRound ? LineCap::Round : LineCap::Flat);
    if (!m_dash.empty()) {
        m_pen->SetDashOffset(m_dashOffset);
        // A pattern the drawing layer refuses (negative values, a zero sum) draws solid.
        (void)m_pen->SetDashPattern(m_dash);
    } else {
        m_pen->ClearDashPattern();
    }
    switch (m_strokeJoin) {
    case wzJoinRound:
        m_pen->SetLineJoin(LineJoin::Round);
        break;
    case wzJoinBevel:
        m_pen->SetLineJoin(LineJoin::Bevel);
        break;
    default:
        m_pen->SetLineJoin(LineJoin::Miter);
        break;
    }
    m_pen->SetWidth(m_strokeThickness);
}

Graphics* TwzCanvasGdiPlus::PrepareStroke(const TwzRect& r, float opacity)
{
    if (GetStroke().GetStyle() == wzBrushNone)
        return nullptr;
    Graphics* g = GetGraphics();
    if (!g)
        return nullptr;
    ApplyStroke(r, opacity);
    return m_pen ? g : nullptr;
}

template <class Clip> void TwzCanvasGdiPlus::PaintVisual(const TwzRect& r, float opacity, Clip&& clip)
{
    // An object whose fill is a visual brush showing itself (or a ring of such objects)
    // would paint forever: nesting ends at a depth no real design reaches.
    constexpr int kMaxVisualNesting = 8;
    if (m_visualNesting >= kMaxVisualNesting)
        return;
    const int32_t state = SaveState();
    clip();
    rtl::TComponent* object = GetFill().GetVisual()->GetVisualObject();
    const canvasvisuals::Painter& painter = canvasvisuals::InstalledPainter();
    if (object && painter.paintTo) {
        ++m_visualNesting;
        // The object paints with strokes of its own; the canvas's stroke comes back after.
        const float objectOpacity = painter.getOpacity ? painter.getOpacity(object) : 1;
        TwzBrush stroke(wzBrushSolid, 0xFF000000);
        stroke.Assign(GetStroke());
        const float thickness = m_strokeThickness;
        if (painter.setOpacity)
            painter.setOpacity(object, opacity);
        painter.paintTo(object, *this, r);
        --m_visualNesting;
        if (painter.setOpacity)
            painter.setOpacity(object, objectOpacity);
        GetStroke().Assign(stroke);
        m_strokeThickness = thickness;
    }
    RestoreState(state);
}

template <class Clip, class Fill>
void TwzCanvasGdiPlus::FillShape(const TwzRect& r, float opacity, Clip&& clip, Fill&& fill)
{
    const TwzBrushStyle style = GetFill().GetStyle();
    if (style == wzBrushNone)
        return;
    Graphics* g = GetGraphics();
    if (!g)
        return;
    if (style == wzBrushVisual) {
        PaintVisual(r, opacity, [&] { clip(*g); });
        return;
    }
    ApplyFill(r, opacity);
    if (m_fillBrush)
        fill(*g, *m_fillBrush);
}

void TwzCanvasGdiPlus::FillGpRect(const TwzRect& r, float opacity)
{
    FillShape(
        r, opacity, [&](Graphics& g) { g.SetClip(ToRaster(r), CombineMode::Intersect); },
        [&](Graphics& g, const Brush& brush) { g.FillRectangle(brush, ToRaster(r)); });
}

void TwzCanvasGdiPlus::FillGpPath(const Path& path, const TwzRect& r, float opacity)
{
    FillShape(
        r, opacity, [&](Graphics& g) { g.IntersectClip(path); },
        [&](Graphics& g, const Brush& brush) { g.FillPath(brush, path); });
}
