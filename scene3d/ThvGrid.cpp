#include "scene3d/ThvGrid.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

#include <cmath>

namespace {

constexpr float kGridDepth = 0.01f;

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

uint32_t ThvGrid::LineColorAt(float position, float opacity) const
{
    // Marks of 0 divide to no whole number: no line is a mark line then.
    const bool mark = m_marks != 0 && IsWhole(position) && IsWhole(position / m_marks);
    const uint32_t color = mark ? (m_lineColor & 0x00FFFFFFu) | 0xA0000000u : m_lineColor;
    return hvColorOpacity(color, opacity);
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

    // The positions are a running Single sum, so marks fall only where the sum is exactly a
    // multiple of Marks. A sum that no longer grows (a step below the sum's precision) ends the
    // lines instead of drawing the same one for ever.
    for (float x = 0; x < halfWidth; x += m_frequency) {
        material.SetDiffuseColor(LineColorAt(x, opacity));
        canvas->DrawLine({ x, -halfHeight, 0, 1 }, { x, halfHeight, 0, 1 }, opacity);
        canvas->DrawLine({ -x, -halfHeight, 0, 1 }, { -x, halfHeight, 0, 1 }, opacity);
        if (x + m_frequency == x)
            break;
    }
    for (float y = 0; y < halfHeight; y += m_frequency) {
        material.SetDiffuseColor(LineColorAt(y, opacity));
        canvas->DrawLine({ -halfWidth, y, 0, 1 }, { halfWidth, y, 0, 1 }, opacity);
        canvas->DrawLine({ -halfWidth, -y, 0, 1 }, { halfWidth, -y, 0, 1 }, opacity);
        if (y + m_frequency == y)
            break;
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
