// The rectangles: plain, stroked on chosen sides, round, and the two drawn through a blur,
// which keep a picture of themselves and redraw it only when their look changes.

#include "ui2d/TwzShape.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/StackBlur.h"
#include "ui2d/TwzShapeProps.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

constexpr rtl::TPropInfo kRectangleProps[] = {
    TWZ_SHAPE_FILL_ROW(TwzRectangle),
    TWZ_SHAPE_STROKE_ROWS(TwzRectangle),
    RTL_PROP_AS(TwzRectangle, "xRadius", GetXRadius, SetXRadius, Float, 0.0),
    RTL_PROP_AS(TwzRectangle, "yRadius", GetYRadius, SetYRadius, Float, 0.0),
    RTL_PROP(TwzRectangle, Corners, Set, AllCorners),
    RTL_PROP(TwzRectangle, CornerType, Enum, wzCornerRound),
};

constexpr rtl::TPropInfo kSidesRectangleProps[] = {
    RTL_PROP(TwzSidesRectangle, Sides, Set, AllSides),
};

constexpr rtl::TPropInfo kBlurRectangleProps[] = {
    RTL_PROP(TwzBlurRectangle, Softness, Float, 0.3),
};

constexpr rtl::TPropInfo kRoundRectProps[] = {
    TWZ_SHAPE_FILL_ROW(TwzRoundRect),
    TWZ_SHAPE_STROKE_ROWS(TwzRoundRect),
    RTL_PROP(TwzRoundRect, Corners, Set, AllCorners),
};

constexpr rtl::TPropInfo kBlurRoundRectProps[] = {
    RTL_PROP(TwzBlurRoundRect, Softness, Float, 0.3),
};

// The blurred picture is at most this many pixels; larger objects get a coarser picture,
// stretched, rather than memory no display could show.
constexpr double kMaxBlurPixels = 2048.0 * 2048.0;

/// Renders the cache when it is dirty or of another size, then draws it over the local
/// rectangle at the object's absolute opacity. `draw` fills and strokes the inner rectangle
/// (the local rectangle inset by the blur) on the cache's canvas at opacity 1, so the
/// object's opacity applies once, when the picture is drawn.
void PaintBlurred(TwzShape& shape, ui2d::BlurCache& cache, float softness,
    const std::function<void(TwzCanvas&, const TwzRect&)>& draw)
{
    TwzCanvas* canvas = shape.GetCanvas();
    const double w = std::nearbyint(double(shape.GetWidth()));
    const double h = std::nearbyint(double(shape.GetHeight()));
    if (!canvas || !(w >= 1 && h >= 1) || !std::isfinite(w * h))
        return;
    const double shrink = std::min(1.0, std::sqrt(kMaxBlurPixels / (w * h)));
    const auto width = static_cast<int32_t>(std::max(1.0, std::nearbyint(w * shrink)));
    const auto height = static_cast<int32_t>(std::max(1.0, std::nearbyint(h * shrink)));

    if (!cache.bitmap) {
        cache.bitmap = std::make_unique<TwzBitmap>(width, height);
        cache.dirty = true;
    } else if (cache.bitmap->GetWidth() != width || cache.bitmap->GetHeight() != height) {
        cache.bitmap->SetSize(width, height);
        cache.dirty = true;
    }
    if (cache.dirty) {
        TwzBitmap& bitmap = *cache.bitmap;
        bitmap.Clear(0);
        const double m = std::trunc(15.0 * double(softness));
        if (TwzCanvas* own = bitmap.GetCanvas(); own && own->BeginScene()) {
            const auto sx = static_cast<float>(width / double(shape.GetWidth()));
            const auto sy = static_cast<float>(height / double(shape.GetHeight()));
            TwzMatrix scale = IdentityMatrix;
            scale.m11 = sx;
            scale.m22 = sy;
            own->SetMatrix(scale);
            shape.ApplyBrushes(*own);
            const auto inset = static_cast<float>(m);
            draw(*own, { inset, inset, shape.GetWidth() - inset, shape.GetHeight() - inset });
            own->EndScene();
        }
        const double radius = std::clamp(m * shrink, 0.0, double(kMaxStackBlurRadius));
        StackBlur(nullptr, bitmap, static_cast<int32_t>(radius), true);
        cache.dirty = false;
    }
    const TwzRect source { 0, 0, static_cast<float>(width), static_cast<float>(height) };
    canvas->DrawBitmap(cache.bitmap.get(), source, shape.GetLocalRect(), shape.GetAbsoluteOpacity(), true);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzRectangle, .props = kRectangleProps)
RTL_IMPLEMENT_CLASS(TwzSidesRectangle, .props = kSidesRectangleProps)
RTL_IMPLEMENT_CLASS(TwzBlurRectangle, .props = kBlurRectangleProps)
RTL_IMPLEMENT_CLASS(TwzRoundRect, .props = kRoundRectProps)
RTL_IMPLEMENT_CLASS(TwzBlurRoundRect, .props = kBlurRoundRectProps)

// ---- rectangle -------------------------------------------------------------------------------

TwzRectangle::TwzRectangle(rtl::TComponent* owner)
    : TwzShape(owner)
{ }

TwzRectangle::TwzRectangle(rtl::TComponent* owner, TwzBrushStyle strokeStyle)
    : TwzShape(owner, wzBrushSolid, 0xFFE0E0E0, strokeStyle)
{ }

TwzRectangle::~TwzRectangle() = default;

void TwzRectangle::SetXRadius(float value)
{
    if (value == m_xRadius || std::isnan(value))
        return;
    m_xRadius = value;
    LookChanged();
}

void TwzRectangle::SetYRadius(float value)
{
    if (value == m_yRadius || std::isnan(value))
        return;
    m_yRadius = value;
    LookChanged();
}

void TwzRectangle::SetCorners(TwzCorners value)
{
    if (value == m_corners)
        return;
    m_corners = value;
    InvalidateObject();
}

void TwzRectangle::SetCornerType(TwzCornerType value)
{
    if (value == m_cornerType)
        return;
    m_cornerType = value;
    LookChanged();
}

void TwzRectangle::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzRect s = GetShapeRect();
    canvas->FillRect(s, m_xRadius, m_yRadius, m_corners, GetAbsoluteOpacity(), m_cornerType);
    canvas->DrawRect(s, m_xRadius, m_yRadius, m_corners, GetAbsoluteOpacity(), m_cornerType);
}

// ---- sides rectangle -------------------------------------------------------------------------

TwzSidesRectangle::TwzSidesRectangle(rtl::TComponent* owner)
    : TwzRectangle(owner)
{ }

TwzSidesRectangle::~TwzSidesRectangle() = default;

void TwzSidesRectangle::SetSides(TwzSides value)
{
    if (value == m_sides)
        return;
    m_sides = value;
    InvalidateObject();
}

void TwzSidesRectangle::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzRect s = GetShapeRect();
    // Where no outline is drawn the fill reaches the object's edge.
    TwzRect fill = s;
    if (!m_sides.Contains(wzSideLeft))
        fill.Left = 0;
    if (!m_sides.Contains(wzSideTop))
        fill.Top = 0;
    if (!m_sides.Contains(wzSideRight))
        fill.Right = GetWidth();
    if (!m_sides.Contains(wzSideBottom))
        fill.Bottom = GetHeight();
    const float opacity = GetAbsoluteOpacity();
    canvas->FillRect(fill, GetXRadius(), GetYRadius(), GetCorners(), opacity, GetCornerType());
    canvas->DrawRectSides(s, GetXRadius(), GetYRadius(), GetCorners(), opacity, m_sides, GetCornerType());
}

// ---- blurred rectangle -----------------------------------------------------------------------

TwzBlurRectangle::TwzBlurRectangle(rtl::TComponent* owner)
    : TwzRectangle(owner, wzBrushNone)
{ }

TwzBlurRectangle::~TwzBlurRectangle() = default;

void TwzBlurRectangle::SetSoftness(float value)
{
    if (value == m_softness || std::isnan(value))
        return;
    m_softness = value;
    m_cache.dirty = true;
    LookChanged();
}

void TwzBlurRectangle::SetXRadius(float value)
{
    m_cache.dirty = true;
    Inherited::SetXRadius(value);
}

void TwzBlurRectangle::SetYRadius(float value)
{
    m_cache.dirty = true;
    Inherited::SetYRadius(value);
}

void TwzBlurRectangle::SetCorners(TwzCorners value)
{
    m_cache.dirty = true;
    Inherited::SetCorners(value);
}

void TwzBlurRectangle::SetCornerType(TwzCornerType value)
{
    m_cache.dirty = true;
    Inherited::SetCornerType(value);
}

void TwzBlurRectangle::FillChanged(rtl::TObject* sender)
{
    m_cache.dirty = true;
    Inherited::FillChanged(sender);
}

void TwzBlurRectangle::Paint()
{
    PaintBlurred(*this, m_cache, m_softness, [this](TwzCanvas& canvas, const TwzRect& r) {
        canvas.FillRect(r, GetXRadius(), GetYRadius(), GetCorners(), 1, GetCornerType());
        canvas.DrawRect(r, GetXRadius(), GetYRadius(), GetCorners(), 1, GetCornerType());
    });
}

// ---- round rectangle -------------------------------------------------------------------------

TwzRoundRect::TwzRoundRect(rtl::TComponent* owner)
    : TwzShape(owner)
{ }

TwzRoundRect::TwzRoundRect(rtl::TComponent* owner, TwzBrushStyle strokeStyle)
    : TwzShape(owner, wzBrushSolid, 0xFFE0E0E0, strokeStyle)
{ }

TwzRoundRect::~TwzRoundRect() = default;

void TwzRoundRect::SetCorners(TwzCorners value)
{
    if (value == m_corners)
        return;
    m_corners = value;
    InvalidateObject();
}

void TwzRoundRect::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzRect s = GetShapeRect();
    const float radius = GetHeight() >= GetWidth() ? RectWidth(s) / 2 : RectHeight(s) / 2;
    canvas->FillRect(s, radius, radius, m_corners, GetAbsoluteOpacity(), wzCornerRound);
    canvas->DrawRect(s, radius, radius, m_corners, GetAbsoluteOpacity(), wzCornerRound);
}

// ---- blurred round rectangle -----------------------------------------------------------------

TwzBlurRoundRect::TwzBlurRoundRect(rtl::TComponent* owner)
    : TwzRoundRect(owner, wzBrushNone)
{ }

TwzBlurRoundRect::~TwzBlurRoundRect() = default;

void TwzBlurRoundRect::SetSoftness(float value)
{
    if (value == m_softness || std::isnan(value))
        return;
    m_softness = value;
    m_cache.dirty = true;
    LookChanged();
}

void TwzBlurRoundRect::SetCorners(TwzCorners value)
{
    m_cache.dirty = true;
    Inherited::SetCorners(value);
}

void TwzBlurRoundRect::FillChanged(rtl::TObject* sender)
{
    m_cache.dirty = true;
    Inherited::FillChanged(sender);
}

void TwzBlurRoundRect::Paint()
{
    PaintBlurred(*this, m_cache, m_softness, [this](TwzCanvas& canvas, const TwzRect& r) {
        const float radius = RectHeight(r) / 2;
        canvas.FillRect(r, radius, radius, GetCorners(), 1, wzCornerRound);
        canvas.DrawRect(r, radius, radius, GetCorners(), 1, wzCornerRound);
    });
}
