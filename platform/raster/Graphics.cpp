#include "platform/raster/Graphics.h"

#include "platform/raster/CairoAccess.h"
#include "platform/raster/GraphicsImpl.h"
#include "platform/raster/Pen.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cmath>

namespace platform::raster {

namespace {

using detail::IsUsableMatrix;

cairo_matrix_t ToCairo(const Matrix& m)
{
    cairo_matrix_t r;
    cairo_matrix_init(&r, m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
    return r;
}

Matrix FromCairo(const cairo_matrix_t& m)
{
    return { float(m.xx), float(m.yx), float(m.xy), float(m.yy), float(m.x0), float(m.y0) };
}

cairo_matrix_t Then(const cairo_matrix_t& first, const cairo_matrix_t& second)
{
    cairo_matrix_t r;
    cairo_matrix_multiply(&r, &first, &second);
    return r;
}

bool IsFinite(PointF p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool IsFinite(RectF r)
{
    return std::isfinite(r.x) && std::isfinite(r.y) && std::isfinite(r.width) && std::isfinite(r.height);
}

// Far beyond any surface, yet inside cairo's fixed-point range.
constexpr double kHuge = 1 << 22;

} // namespace

// --- Impl ----------------------------------------------------------------------------

Graphics::Impl::~Impl()
{
    if (!cr)
        return;
    while (depth > 0) {
        cairo_restore(cr);
        --depth;
    }
    if (external)
        cairo_restore(cr);
    cairo_destroy(cr);
}

bool Graphics::Impl::Usable() const
{
    return cr != nullptr && (!target || target->Usable());
}

void Graphics::Impl::Check()
{
    const cairo_status_t status = cairo_status(cr);
    if (status == CAIRO_STATUS_SUCCESS)
        return;
    // Every call is guarded against what cairo refuses, so this is a fault of the guard.
    assert(!"drawing context entered an error state");
    // cairo's error state is permanent: start over on the same target with the current
    // transform and modes, so later drawing still shows. The clip and saved states are lost.
    if (!target || external)
        return;
    cairo_destroy(cr);
    cr = cairo_create(target->surface);
    depth = 0;
    saved.clear();
    ApplyModes();
    const cairo_matrix_t device = Then(world, base);
    cairo_set_matrix(cr, &device);
}

void Graphics::Impl::ApplyModes()
{
    cairo_set_antialias(
        cr, modes.smoothing == SmoothingMode::AntiAlias ? CAIRO_ANTIALIAS_GOOD : CAIRO_ANTIALIAS_NONE);
    cairo_set_operator(
        cr, modes.compositing == CompositingMode::SourceCopy ? CAIRO_OPERATOR_SOURCE : CAIRO_OPERATOR_OVER);
}

cairo_filter_t Graphics::Impl::Filter() const
{
    switch (modes.interpolation) {
    case InterpolationMode::HighQuality:
        return CAIRO_FILTER_GOOD;
    case InterpolationMode::NearestNeighbor:
        return CAIRO_FILTER_NEAREST;
    case InterpolationMode::Bilinear:
        break;
    }
    return CAIRO_FILTER_BILINEAR;
}

bool Graphics::Impl::SetWorld(const cairo_matrix_t& m)
{
    const cairo_matrix_t device = Then(m, base);
    if (!IsUsableMatrix(m) || !IsUsableMatrix(device))
        return false;
    world = m;
    cairo_set_matrix(cr, &device);
    Check();
    return true;
}

void Graphics::Impl::ClipWholePixels()
{
    // Clips are whole pixels: a soft clip edge would leave seams between neighbouring
    // repaints of a dirty region.
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_clip(cr);
    ApplyModes();
}

void Graphics::Impl::ResetClip()
{
    cairo_reset_clip(cr);
    if (!external)
        return;
    // A toolkit context starts clipped to the region being repainted; that stays.
    if (initialClip.empty())
        return;
    cairo_matrix_t current;
    cairo_get_matrix(cr, &current);
    cairo_identity_matrix(cr);
    cairo_new_path(cr);
    for (const auto& r : initialClip)
        cairo_rectangle(cr, r.x, r.y, r.width, r.height);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    ClipWholePixels();
    cairo_set_matrix(cr, &current);
}

template <class BuildPath>
void Graphics::Impl::Fill(const Brush& brush, cairo_fill_rule_t rule, BuildPath&& build)
{
    if (!Usable())
        return;
    cairo_save(cr);
    cairo_new_path(cr);
    build();
    double extents[4];
    cairo_path_extents(cr, &extents[0], &extents[1], &extents[2], &extents[3]);
    cairo_set_fill_rule(cr, rule);
    if (detail::SelectBrush(cr, detail::BrushAccess::Data(brush), Filter(), extents))
        cairo_fill(cr);
    cairo_new_path(cr);
    cairo_restore(cr);
    Check();
}

template <class BuildPath> void Graphics::Impl::Stroke(const Pen& pen, BuildPath&& build)
{
    if (!Usable())
        return;
    const float width = std::isfinite(pen.GetWidth()) ? pen.GetWidth() : 0;
    const bool hairline = width <= 0;
    cairo_save(cr);
    cairo_new_path(cr);
    build();
    double extents[4];
    cairo_path_extents(cr, &extents[0], &extents[1], &extents[2], &extents[3]);
    const double grow = hairline ? 1 : width / 2.0;
    extents[0] -= grow, extents[1] -= grow, extents[2] += grow, extents[3] += grow;
    if (!detail::SelectBrush(cr, detail::BrushAccess::Data(pen.GetBrush()), Filter(), extents)) {
        cairo_new_path(cr);
        cairo_restore(cr);
        return;
    }
    switch (pen.GetLineCap()) {
    case LineCap::Flat:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        break;
    case LineCap::Round:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        break;
    case LineCap::Square:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
        break;
    }
    switch (pen.GetLineJoin()) {
    case LineJoin::Miter:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        break;
    case LineJoin::Bevel:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
        break;
    case LineJoin::Round:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        break;
    }
    const float miter = pen.GetMiterLimit();
    cairo_set_miter_limit(cr, std::isfinite(miter) && miter >= 1 ? miter : 10.0);

    // A line of width 0 is one device pixel wide whatever the transform; its dashes are
    // measured in device pixels too.
    const double unit = hairline ? 1.0 : double(width);
    std::vector<double> dashes;
    double sum = 0;
    for (float d : pen.GetDashPattern()) {
        dashes.push_back(double(d) * unit);
        sum += dashes.back();
    }
    const double offset = double(pen.GetDashOffset()) * unit;
    if (!dashes.empty() && sum > 0 && std::isfinite(sum) && std::isfinite(offset))
        cairo_set_dash(cr, dashes.data(), int(dashes.size()), offset);
    else
        cairo_set_dash(cr, nullptr, 0, 0);

    if (hairline) {
        // The path is already in device space; only the pen changes space.
        cairo_set_matrix(cr, &base);
        cairo_set_line_width(cr, 1);
    } else {
        cairo_set_line_width(cr, width);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
    Check();
}

// --- Graphics --------------------------------------------------------------------------

Graphics::Graphics(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{ }
Graphics::Graphics(Graphics&&) noexcept = default;
Graphics& Graphics::operator=(Graphics&&) noexcept = default;
Graphics::~Graphics() = default;

std::optional<Graphics> Graphics::Create(Surface& target)
{
    const auto& data = detail::SurfaceAccess::Data(target);
    if (!data || !data->Usable())
        return std::nullopt;
    auto impl = std::make_unique<Impl>();
    impl->cr = cairo_create(data->surface);
    if (cairo_status(impl->cr) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    impl->target = data;
    cairo_matrix_init_identity(&impl->base);
    cairo_matrix_init_identity(&impl->world);
    impl->ApplyModes();
    return Graphics(std::move(impl));
}

namespace detail {

std::optional<Graphics> GraphicsAccess::Wrap(cairo_t* cr)
{
    if (!cr || cairo_status(cr) != CAIRO_STATUS_SUCCESS)
        return std::nullopt;
    auto impl = std::make_unique<Graphics::Impl>();
    impl->cr = cairo_reference(cr);
    impl->external = true;
    cairo_save(cr);
    cairo_get_matrix(cr, &impl->base);
    if (!IsUsableMatrix(impl->base))
        cairo_matrix_init_identity(&impl->base);
    cairo_matrix_init_identity(&impl->world);
    if (cairo_rectangle_list_t* list = cairo_copy_clip_rectangle_list(cr)) {
        if (list->status == CAIRO_STATUS_SUCCESS) {
            for (int i = 0; i < list->num_rectangles; ++i) {
                double x = list->rectangles[i].x, y = list->rectangles[i].y;
                double w = list->rectangles[i].width, h = list->rectangles[i].height;
                cairo_user_to_device(cr, &x, &y);
                cairo_user_to_device_distance(cr, &w, &h);
                impl->initialClip.push_back({ float(x), float(y), float(w), float(h) });
            }
        }
        cairo_rectangle_list_destroy(list);
    }
    impl->ApplyModes();
    const cairo_matrix_t device = impl->base;
    cairo_set_matrix(cr, &device);
    return Graphics(std::move(impl));
}

std::optional<Graphics> CreateGraphicsForCairo(cairo_t* cr)
{
    return GraphicsAccess::Wrap(cr);
}

} // namespace detail

void Graphics::SetSmoothingMode(SmoothingMode mode)
{
    if (!m_impl || !m_impl->Usable())
        return;
    m_impl->modes.smoothing = mode;
    m_impl->ApplyModes();
}

SmoothingMode Graphics::GetSmoothingMode() const
{
    return m_impl ? m_impl->modes.smoothing : SmoothingMode::AntiAlias;
}

void Graphics::SetInterpolationMode(InterpolationMode mode)
{
    if (m_impl)
        m_impl->modes.interpolation = mode;
}

InterpolationMode Graphics::GetInterpolationMode() const
{
    return m_impl ? m_impl->modes.interpolation : InterpolationMode::Bilinear;
}

void Graphics::SetTextRenderingHint(TextRenderingHint hint)
{
    if (m_impl)
        m_impl->modes.textHint = hint;
}

TextRenderingHint Graphics::GetTextRenderingHint() const
{
    return m_impl ? m_impl->modes.textHint : TextRenderingHint::AntiAlias;
}

void Graphics::SetCompositingMode(CompositingMode mode)
{
    if (!m_impl || !m_impl->Usable())
        return;
    m_impl->modes.compositing = mode;
    m_impl->ApplyModes();
}

CompositingMode Graphics::GetCompositingMode() const
{
    return m_impl ? m_impl->modes.compositing : CompositingMode::SourceOver;
}

bool Graphics::SetTransform(const Matrix& m)
{
    return m_impl && m_impl->Usable() && m_impl->SetWorld(ToCairo(m));
}

bool Graphics::MultiplyTransform(const Matrix& m)
{
    if (!m_impl || !m_impl->Usable())
        return false;
    const cairo_matrix_t first = ToCairo(m);
    if (!IsUsableMatrix(first))
        return false;
    return m_impl->SetWorld(Then(first, m_impl->world));
}

bool Graphics::ScaleTransform(float sx, float sy)
{
    return MultiplyTransform(Matrix::Scaling(sx, sy));
}

void Graphics::ResetTransform()
{
    if (!m_impl || !m_impl->Usable())
        return;
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    m_impl->SetWorld(identity);
}

Matrix Graphics::GetTransform() const
{
    return m_impl ? FromCairo(m_impl->world) : Matrix {};
}

int Graphics::Save()
{
    if (!m_impl || !m_impl->Usable())
        return 0;
    Impl& g = *m_impl;
    cairo_save(g.cr);
    ++g.depth;
    const int id = g.nextId;
    g.nextId = g.nextId == INT_MAX ? 0 : g.nextId + 1;
    g.saved.push_back({ id, g.depth, g.modes, g.world });
    return id;
}

bool Graphics::Restore(int id)
{
    if (!m_impl || !m_impl->Usable())
        return false;
    Impl& g = *m_impl;
    auto it = std::find_if(
        g.saved.rbegin(), g.saved.rend(), [id](const Impl::SavedState& s) { return s.id == id; });
    if (it == g.saved.rend())
        return false;
    // Restoring an older state discards the younger ones, as their cairo levels go too.
    const auto entry = std::prev(it.base());
    while (g.depth >= entry->depth) {
        cairo_restore(g.cr);
        --g.depth;
    }
    g.modes = entry->modes;
    g.world = entry->world;
    g.saved.erase(entry, g.saved.end());
    g.ApplyModes();
    g.Check();
    return true;
}

void Graphics::SetClip(RectF rect, CombineMode mode)
{
    if (!m_impl || !m_impl->Usable())
        return;
    Impl& g = *m_impl;
    if (!IsFinite(rect))
        return;
    cairo_new_path(g.cr);
    switch (mode) {
    case CombineMode::Replace:
        g.ResetClip();
        [[fallthrough]];
    case CombineMode::Intersect:
        if (rect.HasArea())
            cairo_rectangle(g.cr, rect.x, rect.y, rect.width, rect.height);
        else
            cairo_rectangle(g.cr, 0, 0, 0, 0);
        cairo_set_fill_rule(g.cr, CAIRO_FILL_RULE_WINDING);
        g.ClipWholePixels();
        break;
    case CombineMode::Exclude:
        if (!rect.HasArea())
            return;
        // Everything but the rectangle: a frame far beyond the surface around it.
        cairo_set_matrix(g.cr, &g.base);
        cairo_rectangle(g.cr, -kHuge, -kHuge, 2 * kHuge, 2 * kHuge);
        {
            const cairo_matrix_t device = Then(g.world, g.base);
            cairo_set_matrix(g.cr, &device);
        }
        cairo_rectangle(g.cr, rect.x, rect.y, rect.width, rect.height);
        cairo_set_fill_rule(g.cr, CAIRO_FILL_RULE_EVEN_ODD);
        g.ClipWholePixels();
        break;
    }
    cairo_new_path(g.cr);
    g.Check();
}

void Graphics::SetClip(std::span<const RectF> rects)
{
    if (!m_impl || !m_impl->Usable())
        return;
    Impl& g = *m_impl;
    g.ResetClip();
    cairo_new_path(g.cr);
    bool any = false;
    for (const RectF& r : rects) {
        // Same orientation for all, so that the non-zero rule gives their union.
        if (r.HasArea()) {
            cairo_rectangle(g.cr, r.x, r.y, r.width, r.height);
            any = true;
        }
    }
    if (!any)
        cairo_rectangle(g.cr, 0, 0, 0, 0);
    cairo_set_fill_rule(g.cr, CAIRO_FILL_RULE_WINDING);
    g.ClipWholePixels();
    cairo_new_path(g.cr);
    g.Check();
}

void Graphics::IntersectClip(const Path& path)
{
    if (!m_impl || !m_impl->Usable())
        return;
    Impl& g = *m_impl;
    cairo_new_path(g.cr);
    detail::AppendPath(g.cr, path);
    cairo_set_fill_rule(
        g.cr, path.GetFillMode() == FillMode::Alternate ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    g.ClipWholePixels();
    cairo_new_path(g.cr);
    g.Check();
}

void Graphics::ResetClip()
{
    if (!m_impl || !m_impl->Usable())
        return;
    m_impl->ResetClip();
    m_impl->Check();
}

void Graphics::FillRectangle(const Brush& brush, RectF rect)
{
    if (!m_impl || !rect.HasArea())
        return;
    m_impl->Fill(brush, CAIRO_FILL_RULE_WINDING,
        [&] { cairo_rectangle(m_impl->cr, rect.x, rect.y, rect.width, rect.height); });
}

void Graphics::FillEllipse(const Brush& brush, RectF rect)
{
    if (!m_impl || !rect.HasArea())
        return;
    m_impl->Fill(brush, CAIRO_FILL_RULE_WINDING,
        [&] { detail::AppendEllipse(m_impl->cr, rect.x, rect.y, rect.width, rect.height); });
}

void Graphics::FillPath(const Brush& brush, const Path& path)
{
    if (!m_impl || path.IsEmpty())
        return;
    const auto rule
        = path.GetFillMode() == FillMode::Alternate ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING;
    m_impl->Fill(brush, rule, [&] { detail::AppendPath(m_impl->cr, path); });
}

void Graphics::DrawLine(const Pen& pen, PointF from, PointF to)
{
    if (!m_impl || !IsFinite(from) || !IsFinite(to))
        return;
    m_impl->Stroke(pen, [&] {
        cairo_move_to(m_impl->cr, from.x, from.y);
        cairo_line_to(m_impl->cr, to.x, to.y);
    });
}

void Graphics::DrawBezier(const Pen& pen, PointF from, PointF control1, PointF control2, PointF to)
{
    if (!m_impl || !IsFinite(from) || !IsFinite(control1) || !IsFinite(control2) || !IsFinite(to))
        return;
    m_impl->Stroke(pen, [&] {
        cairo_move_to(m_impl->cr, from.x, from.y);
        cairo_curve_to(m_impl->cr, control1.x, control1.y, control2.x, control2.y, to.x, to.y);
    });
}

void Graphics::DrawRectangle(const Pen& pen, RectF rect)
{
    if (!m_impl || !IsFinite(rect) || rect.width < 0 || rect.height < 0)
        return;
    m_impl->Stroke(pen, [&] { cairo_rectangle(m_impl->cr, rect.x, rect.y, rect.width, rect.height); });
}

void Graphics::DrawEllipse(const Pen& pen, RectF rect)
{
    if (!m_impl || !IsFinite(rect) || rect.width < 0 || rect.height < 0)
        return;
    m_impl->Stroke(pen, [&] { detail::AppendEllipse(m_impl->cr, rect.x, rect.y, rect.width, rect.height); });
}

void Graphics::DrawPath(const Pen& pen, const Path& path)
{
    if (!m_impl || path.IsEmpty())
        return;
    m_impl->Stroke(pen, [&] { detail::AppendPath(m_impl->cr, path); });
}

void Graphics::DrawImage(const Surface& image, RectF destination)
{
    DrawImage(image, destination, RectF { 0, 0, float(image.Width()), float(image.Height()) }, 1);
}

void Graphics::DrawImage(const Surface& image, RectF destination, RectF source, float opacity)
{
    if (!m_impl || !m_impl->Usable())
        return;
    Impl& g = *m_impl;
    const auto& data = detail::SurfaceAccess::Data(image);
    if (!data || !data->Usable() || !IsFinite(destination) || !IsFinite(source) || !(opacity > 0))
        return;
    if (destination.width == 0 || destination.height == 0 || source.width == 0 || source.height == 0)
        return;
    // Destination to source pixels.
    cairo_matrix_t toSource;
    cairo_matrix_init_translate(&toSource, -double(destination.x), -double(destination.y));
    cairo_matrix_t scale;
    cairo_matrix_init_scale(
        &scale, double(source.width) / destination.width, double(source.height) / destination.height);
    toSource = Then(toSource, scale);
    cairo_matrix_t offset;
    cairo_matrix_init_translate(&offset, source.x, source.y);
    toSource = Then(toSource, offset);
    if (!IsUsableMatrix(toSource))
        return;
    detail::CairoPatternPtr pattern(cairo_pattern_create_for_surface(data->surface));
    cairo_pattern_set_matrix(pattern.get(), &toSource);
    // Repeating the edge pixels keeps scaled pictures from fading out at their borders.
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern.get(), g.Filter());
    if (cairo_pattern_status(pattern.get()) != CAIRO_STATUS_SUCCESS)
        return;
    cairo_save(g.cr);
    cairo_new_path(g.cr);
    cairo_rectangle(g.cr, destination.x, destination.y, destination.width, destination.height);
    cairo_clip(g.cr);
    cairo_set_source(g.cr, pattern.get());
    if (opacity >= 1)
        cairo_paint(g.cr);
    else
        cairo_paint_with_alpha(g.cr, opacity);
    cairo_restore(g.cr);
    g.Check();
}

} // namespace platform::raster
