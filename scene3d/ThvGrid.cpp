#include "scene3d/ThvGrid.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr float kGridDepth = 0.01f;
/// Lines each half of the grid may draw per pixel of the canvas's larger side, and in all.
constexpr float kLinesPerPixel = 2;
constexpr float kMaxLinesPerHalf = 32768;

constexpr rtl::TPropInfo kGridProps[] = {
    RTL_PROP(ThvVisualObject, Depth, Float, 0.01),
    HV_VISUAL_OBJECT_DOCKING_PROPS,
    RTL_PROP(ThvGrid, LineColor, String, rtl::kNoDefault).WithTypeName("TColorText"),
    RTL_PROP(ThvGrid, Frequency, Float, rtl::kNoDefault),
    RTL_PROP(ThvGrid, Marks, Float, rtl::kNoDefault),
};

/// True when `value` has no fractional part, truncating.
bool IsWhole(float value)
{
    return value - std::trunc(value) == 0;
}

/// Whether the line at `position` is a mark line. Marks of 0 divide to no whole number: no
/// line is a mark line then.
bool IsMark(float position, float marks)
{
    return marks != 0 && IsWhole(position) && IsWhole(position / marks);
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvGrid, .props = kGridProps)

ThvGrid::ThvGrid(rtl::TComponent* owner)
    : ThvVisualObject(owner)
{
    SetDepth(kGridDepth);
}

std::string ThvGrid::GetLineColor() const
{
    return hvColorToStr(m_lineColor);
}

void ThvGrid::SetLineColor(const std::string& value)
{
    m_lineColor = hvStrToColor(value);
}

void ThvGrid::SetFrequency(float value)
{
    if (value == m_frequency)
        return;
    m_frequency = value > 0 ? value : 0.01f;
    Repaint();
}

void ThvGrid::SetMarks(float value)
{
    if (value == m_marks)
        return;
    m_marks = value;
    Repaint();
}

void ThvGrid::SetDepth(float)
{
    Inherited::SetDepth(kGridDepth);
}

void ThvGrid::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    ThvMaterial& material = *canvas->GetMaterial();
    material.SetLighting(false);
    material.SetBitmap({});
    const float opacity = GetAbsoluteOpacity();
    const float halfWidth = GetWidth() / 2;
    const float halfHeight = GetHeight() / 2;

    // Lines closer together than a pixel add nothing to the picture, and a stored grid may ask
    // for millions of them: each half holds at most a few lines per pixel of the canvas, and a
    // denser grid draws every Nth line (N whole, so the lines stay on multiples of Frequency).
    const float limit = std::min(
        kLinesPerPixel * static_cast<float>(std::max({ canvas->GetWidth(), canvas->GetHeight(), 1 })),
        kMaxLinesPerHalf);
    const auto stepFor = [&](float half) {
        const float count = half / m_frequency;
        if (!(count > limit))
            return m_frequency;
        const float step = m_frequency * std::ceil(count / limit);
        return std::isfinite(step) ? step : half / limit;
    };

    // The positions are a running Single sum, so marks fall only where the sum is exactly a
    // multiple of Marks. A sum that no longer grows (a step below the sum's precision) ends the
    // lines instead of drawing the same one for ever. Plain lines and marks go to the canvas
    // as one batch each.
    std::vector<ThvVector> plain;
    std::vector<ThvVector> marks;
    const auto add = [&](float position, const ThvVector& a, const ThvVector& b, const ThvVector& c,
                         const ThvVector& d) {
        std::vector<ThvVector>& batch = IsMark(position, m_marks) ? marks : plain;
        batch.insert(batch.end(), { a, b, c, d });
    };
    const float stepX = stepFor(halfWidth);
    for (float x = 0; x < halfWidth; x += stepX) {
        add(x, { x, -halfHeight, 0, 1 }, { x, halfHeight, 0, 1 }, { -x, -halfHeight, 0, 1 },
            { -x, halfHeight, 0, 1 });
        if (x + stepX == x)
            break;
    }
    const float stepY = stepFor(halfHeight);
    for (float y = 0; y < halfHeight; y += stepY) {
        add(y, { -halfWidth, y, 0, 1 }, { halfWidth, y, 0, 1 }, { -halfWidth, -y, 0, 1 },
            { halfWidth, -y, 0, 1 });
        if (y + stepY == y)
            break;
    }
    if (!plain.empty()) {
        material.SetDiffuseColor(hvColorOpacity(m_lineColor, opacity));
        canvas->DrawLines(plain, opacity);
    }
    if (!marks.empty()) {
        material.SetDiffuseColor(hvColorOpacity((m_lineColor & 0x00FFFFFFu) | 0xA0000000u, opacity));
        canvas->DrawLines(marks, opacity);
    }
}

bool ThvGrid::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    ThvVector point;
    if (!hvRayPlaneIntersect(rayPos, rayDir, { 0, 0, 0, 1 }, { 0, 0, 1, 0 }, point))
        return false;
    if (!(std::fabs(point.X) < GetWidth() / 2 && std::fabs(point.Y) < GetHeight() / 2))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
    return true;
}
