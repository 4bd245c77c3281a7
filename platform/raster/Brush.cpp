#include "platform/raster/Brush.h"

#include "platform/raster/CairoAccess.h"

#include <algorithm>
#include <cmath>

namespace platform::raster {

namespace detail {

namespace {

bool AllFinite(const cairo_matrix_t& m)
{
    return std::isfinite(m.xx) && std::isfinite(m.yx) && std::isfinite(m.xy) && std::isfinite(m.yy)
        && std::isfinite(m.x0) && std::isfinite(m.y0);
}

cairo_matrix_t Inverted(const cairo_matrix_t& m)
{
    cairo_matrix_t inv = m;
    cairo_matrix_invert(&inv);
    return inv;
}

cairo_matrix_t Then(const cairo_matrix_t& first, const cairo_matrix_t& second)
{
    cairo_matrix_t r;
    cairo_matrix_multiply(&r, &first, &second);
    return r;
}

void AddStops(cairo_pattern_t* pattern, const std::vector<GradientStop>& stops, bool fromRim)
{
    auto add = [&](const GradientStop& s) {
        const double offset = fromRim ? 1.0 - double(s.position) : double(s.position);
        cairo_pattern_add_color_stop_rgba(pattern, std::clamp(offset, 0.0, 1.0),
            ((s.color >> 16) & 0xFF) / 255.0, ((s.color >> 8) & 0xFF) / 255.0, (s.color & 0xFF) / 255.0,
            (s.color >> 24) / 255.0);
    };
    // cairo keeps stops of equal offset in the order they were added; the ellipse's stops
    // run from the rim inwards, so they are added backwards to keep that order outwards.
    if (fromRim)
        std::for_each(stops.rbegin(), stops.rend(), add);
    else
        std::for_each(stops.begin(), stops.end(), add);
}

// The picture beside its mirror image (flipX) or above it (flipY), so that plain
// repetition gives tiles that flip along one axis only; cairo's reflection flips both.
CairoSurfacePtr MirroredTile(cairo_surface_t* tile, int width, int height, bool flipX)
{
    const int w = flipX ? width * 2 : width;
    const int h = flipX ? height : height * 2;
    CairoSurfacePtr result(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(result.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    CairoPtr cr(cairo_create(result.get()));
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr.get(), tile, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_rectangle(cr.get(), 0, 0, width, height);
    cairo_fill(cr.get());
    CairoPatternPtr mirror(cairo_pattern_create_for_surface(tile));
    cairo_matrix_t m;
    if (flipX)
        cairo_matrix_init(&m, -1, 0, 0, 1, 2.0 * width, 0);
    else
        cairo_matrix_init(&m, 1, 0, 0, -1, 0, 2.0 * height);
    cairo_pattern_set_matrix(mirror.get(), &m);
    cairo_pattern_set_filter(mirror.get(), CAIRO_FILTER_NEAREST);
    cairo_set_source(cr.get(), mirror.get());
    if (flipX)
        cairo_rectangle(cr.get(), width, 0, width, height);
    else
        cairo_rectangle(cr.get(), 0, height, width, height);
    cairo_fill(cr.get());
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return result;
}

// A source pattern over one tile of `width` x `height` pixels, extended by the wrap mode.
// `toTile` maps user space to the tile's pixels.
CairoPatternPtr TilePattern(
    cairo_surface_t* tile, int width, int height, WrapMode wrap, cairo_matrix_t toTile, cairo_filter_t filter)
{
    CairoSurfacePtr mirrored;
    cairo_extend_t extend = CAIRO_EXTEND_REPEAT;
    switch (wrap) {
    case WrapMode::Tile:
        break;
    case WrapMode::TileFlipX:
    case WrapMode::TileFlipY:
        mirrored = MirroredTile(tile, width, height, wrap == WrapMode::TileFlipX);
        if (!mirrored)
            return nullptr;
        tile = mirrored.get();
        break;
    case WrapMode::TileFlipXY:
        extend = CAIRO_EXTEND_REFLECT;
        break;
    case WrapMode::Clamp:
        extend = CAIRO_EXTEND_NONE;
        break;
    }
    CairoPatternPtr pattern(cairo_pattern_create_for_surface(tile));
    cairo_pattern_set_matrix(pattern.get(), &toTile);
    cairo_pattern_set_extend(pattern.get(), extend);
    cairo_pattern_set_filter(pattern.get(), filter);
    if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return pattern;
}

// Radial pattern over the unit circle mapped onto the ellipse of `bounds`; `toBrush` maps
// user space to brush space.
CairoPatternPtr EllipsePattern(const BrushData& b, const cairo_matrix_t& toBrush)
{
    const RectF& r = b.bounds;
    cairo_matrix_t toUnit;
    cairo_matrix_init_translate(
        &toUnit, -(double(r.x) + double(r.width) / 2), -(double(r.y) + double(r.height) / 2));
    cairo_matrix_t scale;
    cairo_matrix_init_scale(&scale, 2.0 / r.width, 2.0 / r.height);
    const cairo_matrix_t m = Then(Then(toBrush, toUnit), scale);
    if (!IsUsableMatrix(m))
        return nullptr;
    CairoPatternPtr pattern(cairo_pattern_create_radial(0, 0, 0, 0, 0, 1));
    AddStops(pattern.get(), b.stops, true);
    cairo_pattern_set_matrix(pattern.get(), &m);
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return pattern;
}

// Whether everything inside `extents` (user space) lies within the ellipse's bounding box
// in brush space, so that neighbouring tiles never show.
bool InsideFirstTile(const BrushData& b, const cairo_matrix_t& toBrush, const double extents[4])
{
    const double slack = 1e-3 * std::max<double>(b.bounds.width, b.bounds.height);
    const double corners[4][2] = { { extents[0], extents[1] }, { extents[2], extents[1] },
        { extents[2], extents[3] }, { extents[0], extents[3] } };
    for (const auto& c : corners) {
        double x = c[0], y = c[1];
        cairo_matrix_transform_point(&toBrush, &x, &y);
        if (x < b.bounds.x - slack || y < b.bounds.y - slack || x > double(b.bounds.Right()) + slack
            || y > double(b.bounds.Bottom()) + slack)
            return false;
    }
    return true;
}

bool SelectEllipse(cairo_t* cr, const BrushData& b, cairo_filter_t filter, const double extents[4])
{
    if (!IsUsableMatrix(b.transform))
        return false;
    const cairo_matrix_t toBrush = Inverted(b.transform);
    cairo_matrix_t ctm;
    cairo_get_matrix(cr, &ctm);
    const cairo_matrix_t brushToDevice = Then(b.transform, ctm);
    if (!IsUsableMatrix(brushToDevice))
        return false;

    if (b.wrap == WrapMode::Clamp || InsideFirstTile(b, toBrush, extents)) {
        CairoPatternPtr pattern = EllipsePattern(b, toBrush);
        if (!pattern)
            return false;
        // Only the inside of the ellipse is painted: clip to it, keeping the caller's path.
        CairoPathPtr path(cairo_copy_path(cr));
        cairo_new_path(cr);
        cairo_set_matrix(cr, &brushToDevice);
        AppendEllipse(cr, b.bounds.x, b.bounds.y, b.bounds.width, b.bounds.height);
        cairo_set_matrix(cr, &ctm);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        cairo_clip(cr);
        if (path->status == CAIRO_STATUS_SUCCESS)
            cairo_append_path(cr, path.get());
        cairo_set_source(cr, pattern.get());
        return true;
    }

    // Neighbouring tiles show: render one tile at about device resolution and repeat it.
    const double scale = std::max(
        std::hypot(brushToDevice.xx, brushToDevice.yx), std::hypot(brushToDevice.xy, brushToDevice.yy));
    constexpr double kMaxTileSide = 2048;
    const int tw = int(std::clamp(std::ceil(b.bounds.width * scale), 1.0, kMaxTileSide));
    const int th = int(std::clamp(std::ceil(b.bounds.height * scale), 1.0, kMaxTileSide));
    CairoSurfacePtr tile(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, tw, th));
    if (cairo_surface_status(tile.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    cairo_matrix_t toTile;
    cairo_matrix_init_translate(&toTile, -double(b.bounds.x), -double(b.bounds.y));
    cairo_matrix_t tileScale;
    cairo_matrix_init_scale(&tileScale, tw / double(b.bounds.width), th / double(b.bounds.height));
    toTile = Then(toTile, tileScale); // brush space to tile pixels
    {
        CairoPtr tcr(cairo_create(tile.get()));
        cairo_matrix_t identity;
        cairo_matrix_init_identity(&identity);
        CairoPatternPtr pattern = EllipsePattern(b, identity);
        if (!pattern)
            return false;
        cairo_set_matrix(tcr.get(), &toTile);
        AppendEllipse(tcr.get(), b.bounds.x, b.bounds.y, b.bounds.width, b.bounds.height);
        cairo_set_source(tcr.get(), pattern.get());
        cairo_fill(tcr.get());
        if (cairo_status(tcr.get()) != CAIRO_STATUS_SUCCESS)
            return false;
    }
    CairoPatternPtr pattern = TilePattern(tile.get(), tw, th, b.wrap, Then(toBrush, toTile), filter);
    if (!pattern)
        return false;
    cairo_set_source(cr, pattern.get());
    return true;
}

} // namespace

bool IsUsableMatrix(const cairo_matrix_t& m)
{
    if (!AllFinite(m))
        return false;
    cairo_matrix_t inv = m;
    return cairo_matrix_invert(&inv) == CAIRO_STATUS_SUCCESS && AllFinite(inv);
}

void AppendEllipse(cairo_t* cr, double x, double y, double w, double h)
{
    constexpr double kappa = 0.5522847498;
    const double rx = w / 2, ry = h / 2;
    const double cx = x + rx, cy = y + ry;
    const double kx = rx * kappa, ky = ry * kappa;
    cairo_move_to(cr, cx + rx, cy);
    cairo_curve_to(cr, cx + rx, cy + ky, cx + kx, cy + ry, cx, cy + ry);
    cairo_curve_to(cr, cx - kx, cy + ry, cx - rx, cy + ky, cx - rx, cy);
    cairo_curve_to(cr, cx - rx, cy - ky, cx - kx, cy - ry, cx, cy - ry);
    cairo_curve_to(cr, cx + kx, cy - ry, cx + rx, cy - ky, cx + rx, cy);
    cairo_close_path(cr);
}

bool SelectBrush(cairo_t* cr, const BrushData& b, cairo_filter_t filter, const double extents[4])
{
    switch (b.kind) {
    case BrushKind::Solid:
        cairo_set_source_rgba(cr, ((b.color >> 16) & 0xFF) / 255.0, ((b.color >> 8) & 0xFF) / 255.0,
            (b.color & 0xFF) / 255.0, (b.color >> 24) / 255.0);
        return true;
    case BrushKind::Linear: {
        CairoPatternPtr pattern(cairo_pattern_create_linear(b.start.x, b.start.y, b.stop.x, b.stop.y));
        AddStops(pattern.get(), b.stops, false);
        const bool mirrored = b.wrap == WrapMode::TileFlipX || b.wrap == WrapMode::TileFlipXY;
        cairo_pattern_set_extend(pattern.get(), mirrored ? CAIRO_EXTEND_REFLECT : CAIRO_EXTEND_REPEAT);
        if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS)
            return false;
        cairo_set_source(cr, pattern.get());
        return true;
    }
    case BrushKind::Ellipse:
        return SelectEllipse(cr, b, filter, extents);
    case BrushKind::Texture: {
        if (!b.image || !b.image->Usable() || !IsUsableMatrix(b.transform))
            return false;
        CairoPatternPtr pattern = TilePattern(
            b.image->surface, b.image->width, b.image->height, b.wrap, Inverted(b.transform), filter);
        if (!pattern)
            return false;
        cairo_set_source(cr, pattern.get());
        return true;
    }
    }
    return false;
}

} // namespace detail

using detail::BrushData;
using detail::BrushKind;

namespace {

bool IsFinite(PointF p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

} // namespace

Brush::Brush(std::unique_ptr<BrushData> data)
    : m_data(std::move(data))
{ }
Brush::Brush(const Brush& other)
    : m_data(std::make_unique<BrushData>(detail::BrushAccess::Data(other)))
{ }

Brush& Brush::operator=(const Brush& other)
{
    if (this != &other)
        m_data = std::make_unique<BrushData>(detail::BrushAccess::Data(other));
    return *this;
}

Brush::Brush(Brush&&) noexcept = default;
Brush& Brush::operator=(Brush&&) noexcept = default;

Brush::~Brush() = default;

Brush Brush::Solid(uint32_t argb)
{
    auto data = std::make_unique<BrushData>();
    data->kind = BrushKind::Solid;
    data->color = argb;
    return Brush(std::move(data));
}

std::optional<Brush> Brush::LinearGradient(
    PointF start, PointF stop, uint32_t color1, uint32_t color2, WrapMode wrap)
{
    if (!IsFinite(start) || !IsFinite(stop) || start == stop || wrap == WrapMode::Clamp)
        return std::nullopt;
    auto data = std::make_unique<BrushData>();
    data->kind = BrushKind::Linear;
    data->color = color1;
    data->start = start;
    data->stop = stop;
    data->stops = { { 0, color1 }, { 1, color2 } };
    data->wrap = wrap;
    return Brush(std::move(data));
}

std::optional<Brush> Brush::EllipseGradient(RectF bounds, uint32_t centerColor, uint32_t surroundColor)
{
    if (!bounds.HasArea())
        return std::nullopt;
    auto data = std::make_unique<BrushData>();
    data->kind = BrushKind::Ellipse;
    data->color = centerColor;
    data->bounds = bounds;
    data->stops = { { 0, surroundColor }, { 1, centerColor } };
    data->wrap = WrapMode::Clamp;
    return Brush(std::move(data));
}

std::optional<Brush> Brush::Texture(const Surface& image, WrapMode wrap)
{
    const auto& surface = detail::SurfaceAccess::Data(image);
    if (!surface || !surface->Usable())
        return std::nullopt;
    auto data = std::make_unique<BrushData>();
    data->kind = BrushKind::Texture;
    data->image = surface;
    data->wrap = wrap;
    return Brush(std::move(data));
}

bool Brush::SetPresetBlend(std::span<const uint32_t> colors, std::span<const float> positions)
{
    if (!m_data || (m_data->kind != BrushKind::Linear && m_data->kind != BrushKind::Ellipse))
        return false;
    if (colors.size() != positions.size() || positions.size() < 2 || positions.front() != 0
        || positions.back() != 1)
        return false;
    if (!std::all_of(positions.begin(), positions.end(), [](float p) { return std::isfinite(p); }))
        return false;
    m_data->stops.clear();
    for (size_t i = 0; i < colors.size(); ++i)
        m_data->stops.push_back({ positions[i], colors[i] });
    return true;
}

bool Brush::SetWrapMode(WrapMode wrap)
{
    if (!m_data || m_data->kind == BrushKind::Solid
        || (m_data->kind == BrushKind::Linear && wrap == WrapMode::Clamp))
        return false;
    m_data->wrap = wrap;
    return true;
}

void Brush::SetTransform(const Matrix& m)
{
    if (!m_data)
        return;
    cairo_matrix_init(&m_data->transform, m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
}

void Brush::ScaleTransform(float sx, float sy)
{
    if (!m_data)
        return;
    cairo_matrix_t scale;
    cairo_matrix_init_scale(&scale, sx, sy);
    cairo_matrix_t r;
    cairo_matrix_multiply(&r, &scale, &m_data->transform);
    m_data->transform = r;
}

} // namespace platform::raster
