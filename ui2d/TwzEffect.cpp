// The bitmap effects: their geometry around the object's image and their pixel transforms,
// all working on the premultiplied pixels of the bitmap the painting chain hands them.

#include "ui2d/TwzEffect.h"

#include "graphics/TwzBitmap.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/StackBlur.h"
#include "ui2d/TwzTriggers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr rtl::TPropInfo kEffectProps[] = {
    RTL_PROP(TwzEffect, Enabled, Boolean, true),
    RTL_PROP(TwzEffect, Trigger, String, ""),
};

constexpr rtl::TPropInfo kShadowProps[] = {
    RTL_PROP(TwzShadowEffect, Distance, Float, rtl::kNoDefault),
    RTL_PROP(TwzShadowEffect, Direction, Float, rtl::kNoDefault),
    RTL_PROP(TwzShadowEffect, Softness, Float, rtl::kNoDefault),
    RTL_PROP(TwzShadowEffect, Opacity, Float, rtl::kNoDefault),
    RTL_PROP(TwzShadowEffect, ShadowColor, String, "#FF000000").WithTypeName("TwzColor"),
};

constexpr rtl::TPropInfo kBlurProps[] = {
    RTL_PROP(TwzBlurEffect, Softness, Float, rtl::kNoDefault),
};

constexpr rtl::TPropInfo kGlowProps[] = {
    RTL_PROP(TwzGlowEffect, Softness, Float, rtl::kNoDefault),
    RTL_PROP(TwzGlowEffect, Opacity, Float, rtl::kNoDefault),
    RTL_PROP(TwzGlowEffect, GlowColor, String, "#FFFFD700").WithTypeName("TwzColor"),
};

constexpr rtl::TPropInfo kBevelProps[] = {
    RTL_PROP(TwzBevelEffect, Direction, Float, rtl::kNoDefault),
    RTL_PROP(TwzBevelEffect, Size, Integer, 10),
};

constexpr rtl::TPropInfo kReflectionProps[] = {
    RTL_PROP(TwzReflectionEffect, Opacity, Float, rtl::kNoDefault),
    RTL_PROP_AS(TwzReflectionEffect, "Offset", GetReflectionOffset, SetReflectionOffset, Integer, 0),
    RTL_PROP(TwzReflectionEffect, Length, Float, rtl::kNoDefault),
};

/// Trunc(factor x value + add), computed from the stored single value in double precision,
/// so a stored 0.7 (slightly below) gives 13 for 20 x 0.7, not 14.
constexpr float kMaxSingle = std::numeric_limits<float>::max();

int32_t TruncOf(double factor, float value, double add = 0)
{
    const double x = factor * double(value) + add;
    if (!(x > -2e9 && x < 2e9))
        return x > 0 ? 2000000000 : 0;
    return static_cast<int32_t>(std::trunc(x));
}

double Radians(float degrees)
{
    return double(degrees) * std::numbers::pi / 180.0;
}

TwzRect Grown(const TwzRect& r, float margin)
{
    TwzRect grown = r;
    RectInflate(grown, margin, margin);
    return grown;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzEffect, .props = kEffectProps)
RTL_IMPLEMENT_CLASS(TwzShadowEffect, .props = kShadowProps)
RTL_IMPLEMENT_CLASS(TwzBlurEffect, .props = kBlurProps)
RTL_IMPLEMENT_CLASS(TwzGlowEffect, .props = kGlowProps)
RTL_IMPLEMENT_CLASS(TwzInnerGlowEffect)
RTL_IMPLEMENT_CLASS(TwzBevelEffect, .props = kBevelProps)
RTL_IMPLEMENT_CLASS(TwzReflectionEffect, .props = kReflectionProps)

// ---- the base --------------------------------------------------------------------------------

TwzEffect::TwzEffect(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

TwzEffect::~TwzEffect() = default;

void TwzEffect::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (value) {
        if (TwzVisualObject* parent = GetParent() ? GetParent()->AsVisual() : nullptr)
            parent->RecalcHasEffects();
    }
    EffectChanged();
}

TwzRect TwzEffect::GetRect(const TwzRect& contentRect)
{
    return contentRect;
}

TwzPoint TwzEffect::GetOffset()
{
    return {};
}

void TwzEffect::ProcessEffect(TwzCanvas&, TwzBitmap&, float) { }

void TwzEffect::ApplyTrigger(TwzObject* instance, const std::string& trigger)
{
    const ui2d::TriggerVerdict verdict = ui2d::EvaluateTrigger(m_trigger, instance, trigger);
    if (verdict != ui2d::TriggerVerdict::NotConcerned)
        SetEnabled(verdict == ui2d::TriggerVerdict::Holds);
}

void TwzEffect::EffectChanged()
{
    if (IsLoading())
        return;
    TwzVisualObject* parent = GetParent() ? GetParent()->AsVisual() : nullptr;
    if (!parent)
        return;
    parent->UpdateEffects();
    parent->MarkUpdateRectDirty();
    // Forced on, so that switching the effect off also repaints the area it covered.
    const bool enabled = m_enabled;
    m_enabled = true;
    parent->InvalidateObject();
    m_enabled = enabled;
    // The rectangle just computed holds the forced area; the next report must not.
    parent->MarkUpdateRectDirty();
}

void TwzEffect::StoreSingle(float& field, float value, float low, float high)
{
    if (value == field || std::isnan(value))
        return;
    field = std::clamp(value, low, high);
    EffectChanged();
}

void TwzEffect::PaintHalo(
    TwzBitmap& bitmap, TwzColor color, float opacity, int32_t radius, int32_t dx, int32_t dy)
{
    const std::vector<uint8_t> silhouette = bitmap.CreateAlphaMask();
    bitmap.FillColorKeepAlpha(ScaleColorAlpha(color, opacity));
    StackBlur(nullptr, bitmap, radius, true);
    bitmap.ApplyAlphaMask(silhouette, -dx, -dy);
}

// ---- shadow ----------------------------------------------------------------------------------

TwzShadowEffect::TwzShadowEffect(rtl::TComponent* owner)
    : TwzEffect(owner)
{ }

TwzShadowEffect::~TwzShadowEffect() = default;

void TwzShadowEffect::SetDistance(float value)
{
    StoreSingle(m_distance, value, -kMaxSingle, kMaxSingle);
}

void TwzShadowEffect::SetDirection(float value)
{
    StoreSingle(m_direction, value, -kMaxSingle, kMaxSingle);
}

void TwzShadowEffect::SetSoftness(float value)
{
    StoreSingle(m_softness, value, 0, 3);
}

void TwzShadowEffect::SetOpacity(float value)
{
    StoreSingle(m_opacity, value, 0, 1);
}

void TwzShadowEffect::SetShadowColor(const std::string& value)
{
    const TwzColor color = TextToColor(value);
    if (color == m_shadowColor)
        return;
    m_shadowColor = color;
    EffectChanged();
}

TwzPoint TwzShadowEffect::Displacement() const
{
    const double angle = Radians(m_direction);
    return { static_cast<float>(m_distance * std::cos(angle)),
        static_cast<float>(m_distance * std::sin(angle)) };
}

TwzRect TwzShadowEffect::GetRect(const TwzRect& contentRect)
{
    TwzRect r = Grown(contentRect, static_cast<float>(TruncOf(20, m_softness)));
    const TwzPoint shift = Displacement();
    RectOffset(r, shift.X, shift.Y);
    return r;
}

TwzPoint TwzShadowEffect::GetOffset()
{
    const auto m = static_cast<float>(TruncOf(20, m_softness));
    return { m, m };
}

void TwzShadowEffect::ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float scale)
{
    const TwzPoint shift = Displacement();
    // The object's own area lies where the shadow's image is displaced back by the shift.
    const auto dx = static_cast<int32_t>(std::clamp(std::nearbyint(double(shift.X) * scale), -1e9, 1e9));
    const auto dy = static_cast<int32_t>(std::clamp(std::nearbyint(double(shift.Y) * scale), -1e9, 1e9));
    PaintHalo(bitmap, m_shadowColor, m_opacity, TruncOf(10, m_softness, 5), dx, dy);
}

// ---- blur ------------------------------------------------------------------------------------

TwzBlurEffect::TwzBlurEffect(rtl::TComponent* owner)
    : TwzEffect(owner)
{
    SetDisablePaint(true);
}

TwzBlurEffect::~TwzBlurEffect() = default;

void TwzBlurEffect::SetSoftness(float value)
{
    StoreSingle(m_softness, value, 0, 9);
}

TwzRect TwzBlurEffect::GetRect(const TwzRect& contentRect)
{
    return Grown(contentRect, static_cast<float>(TruncOf(20, m_softness)));
}

TwzPoint TwzBlurEffect::GetOffset()
{
    const auto m = static_cast<float>(TruncOf(20, m_softness));
    return { m, m };
}

void TwzBlurEffect::ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float)
{
    if (m_softness > 0)
        StackBlur(nullptr, bitmap, TruncOf(15, m_softness), true);
}

// ---- glow ------------------------------------------------------------------------------------

TwzGlowEffect::TwzGlowEffect(rtl::TComponent* owner)
    : TwzEffect(owner)
{ }

TwzGlowEffect::~TwzGlowEffect() = default;

void TwzGlowEffect::SetSoftness(float value)
{
    StoreSingle(m_softness, value, 0, 9);
}

void TwzGlowEffect::SetOpacity(float value)
{
    StoreSingle(m_opacity, value, 0, 1);
}

void TwzGlowEffect::SetGlowColor(const std::string& value)
{
    const TwzColor color = TextToColor(value);
    if (color == m_glowColor)
        return;
    m_glowColor = color;
    EffectChanged();
}

int32_t TwzGlowEffect::SoftMargin() const
{
    return TruncOf(20, m_softness);
}

int32_t TwzGlowEffect::HaloRadius() const
{
    return TruncOf(10, m_softness, 5);
}

TwzRect TwzGlowEffect::GetRect(const TwzRect& contentRect)
{
    return Grown(contentRect, static_cast<float>(SoftMargin() + 4));
}

TwzPoint TwzGlowEffect::GetOffset()
{
    const auto m = static_cast<float>(SoftMargin() + 4);
    return { m, m };
}

void TwzGlowEffect::ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float)
{
    PaintHalo(bitmap, m_glowColor, m_opacity, HaloRadius(), 0, 0);
}

// ---- inner glow ------------------------------------------------------------------------------

TwzInnerGlowEffect::TwzInnerGlowEffect(rtl::TComponent* owner)
    : TwzGlowEffect(owner)
{
    SetPaintAfter(true);
}

TwzInnerGlowEffect::~TwzInnerGlowEffect() = default;

TwzRect TwzInnerGlowEffect::GetRect(const TwzRect& contentRect)
{
    return Grown(contentRect, static_cast<float>(SoftMargin()));
}

TwzPoint TwzInnerGlowEffect::GetOffset()
{
    const auto m = static_cast<float>(SoftMargin());
    return { m, m };
}

void TwzInnerGlowEffect::ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float)
{
    // The outside turns opaque, glows inwards, and is cut away again.
    bitmap.InvertAlpha();
    PaintHalo(bitmap, GlowColorValue(), GetOpacity(), HaloRadius(), 0, 0);
}

// ---- bevel -----------------------------------------------------------------------------------

TwzBevelEffect::TwzBevelEffect(rtl::TComponent* owner)
    : TwzEffect(owner)
{
    SetDisablePaint(true);
}

TwzBevelEffect::~TwzBevelEffect() = default;

void TwzBevelEffect::SetDirection(float value)
{
    StoreSingle(m_direction, value, -kMaxSingle, kMaxSingle);
}

void TwzBevelEffect::SetSize(int32_t value)
{
    if (value == m_size)
        return;
    m_size = value;
    EffectChanged();
}

TwzRect TwzBevelEffect::GetRect(const TwzRect& contentRect)
{
    return Grown(contentRect, 5);
}

TwzPoint TwzBevelEffect::GetOffset()
{
    return { 5, 5 };
}

void TwzBevelEffect::ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float)
{
    uint32_t* pixels = bitmap.Bits();
    if (m_size == 0 || !pixels)
        return;
    const int32_t w = bitmap.GetWidth();
    const int32_t h = bitmap.GetHeight();
    // The height field: the blurred silhouette.
    std::vector<uint32_t> blurred(pixels, pixels + size_t(w) * size_t(h));
    StackBlurPixels(blurred.data(), w, h, m_size, true);
    auto height = [&](int32_t x, int32_t y) {
        return double(blurred[size_t(y) * size_t(w) + size_t(x)] >> 24) / 255.0;
    };

    const double theta = Radians(m_direction);
    const double lx = std::cos(theta);
    const double lz = std::sin(theta);
    const double lightLength = std::sqrt(lx * lx + lz * lz);
    for (int32_t y = 0; y + 1 < h; ++y) {
        uint32_t* row = pixels + size_t(y) * size_t(w);
        for (int32_t x = 0; x + 1 < w; ++x) {
            const uint32_t a = row[x] >> 24;
            if (a == 0)
                continue;
            const double r = height(x + 1, y);
            const double b = height(x, y + 1);
            const double d = height(x + 1, y + 1);
            const double nx = d - r;
            const double nz = d - b;
            const double lengths = lightLength * std::sqrt(nx * nx + 1 + nz * nz);
            const double c = lengths <= 1e-40 ? 1.0 : (lx * nx + lz * nz) / lengths;
            const double shade = c * m_size;
            row[x] = PremultiplyColor(ScaleColorAlpha(
                ChangeHSL(row[x], 0, 0, static_cast<float>(0.4 * shade)), static_cast<float>(a) / 255.0f));
        }
    }
    bitmap.SetNeedUpdate(true);
}

// ---- reflection ------------------------------------------------------------------------------

TwzReflectionEffect::TwzReflectionEffect(rtl::TComponent* owner)
    : TwzEffect(owner)
{ }

TwzReflectionEffect::~TwzReflectionEffect() = default;

void TwzReflectionEffect::SetOpacity(float value)
{
    StoreSingle(m_opacity, value, 0, 1);
}

void TwzReflectionEffect::SetReflectionOffset(int32_t value)
{
    if (value == m_offset)
        return;
    m_offset = value;
    EffectChanged();
}

void TwzReflectionEffect::SetLength(float value)
{
    StoreSingle(m_length, value, 0.1f, 1);
}

TwzRect TwzReflectionEffect::GetRect(const TwzRect& contentRect)
{
    TwzRect r = Grown(contentRect, 2);
    RectOffset(r, 0, RectHeight(contentRect) + static_cast<float>(m_offset));
    return r;
}

TwzPoint TwzReflectionEffect::GetOffset()
{
    return { 2, 2 };
}

void TwzReflectionEffect::ProcessEffect(TwzCanvas&, TwzBitmap& bitmap, float)
{
    uint32_t* pixels = bitmap.Bits();
    if (!pixels)
        return;
    const int32_t w = bitmap.GetWidth();
    const int32_t n = bitmap.GetHeight() - 1;
    const auto fade = static_cast<int32_t>(std::nearbyint(double(n) * double(m_length)));
    bitmap.FlipVertical();
    for (int32_t k = std::max(fade, 0); k <= n; ++k)
        std::fill_n(pixels + size_t(k) * size_t(w), w, 0u);
    for (int32_t k = 0; k < fade; ++k) {
        uint32_t* row = pixels + size_t(k) * size_t(w);
        const double rowOpacity = double(fade - k) / double(fade) * double(m_opacity);
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t a = row[x] >> 24;
            if (a == 0)
                continue;
            const auto na = static_cast<uint32_t>(std::trunc(rowOpacity * a));
            const uint32_t r = ((row[x] >> 16) & 0xFF) * na / 255;
            const uint32_t g = ((row[x] >> 8) & 0xFF) * na / 255;
            const uint32_t b = (row[x] & 0xFF) * na / 255;
            row[x] = (na << 24) | (r << 16) | (g << 8) | b;
        }
    }
    bitmap.SetNeedUpdate(true);
}
