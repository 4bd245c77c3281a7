#include "controls/TwzAniIndicator.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzPropertyAnimations.h"

#include <cmath>
#include <numbers>

namespace {

constexpr uint32_t kRingColor = 0xFFBABABA;
constexpr uint32_t kRunColor = 0xFF000000;

constexpr rtl::TPropInfo kAniIndicatorProps[] = {
    RTL_PROP(TwzAniIndicator, Enabled, Boolean, rtl::kNoDefault),
    RTL_PROP(TwzAniIndicator, Style, Enum, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzAniIndicator, .props = kAniIndicatorProps)

TwzAniIndicator::TwzAniIndicator(rtl::TComponent* owner)
    : TwzControl(owner)
{
    m_clock = new TwzVisualObject(this);
    m_clock->SetParent(this);
    m_clock->SetAlign(vaContents);
    m_clock->SetLocked(true);
    m_clock->SetHitTest(false);
    m_animation = new TwzFloatAnimation(this);
    m_animation->SetParent(m_clock);
    m_animation->SetLoop(true);
    m_animation->SetStartValue(0);
    m_animation->SetStopValue(360);
    m_animation->SetDuration(10);
    m_animation->SetPropertyName("RotateAngle");
    m_clock->SetStoredRecursive(false);
}

void TwzAniIndicator::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (m_enabled)
        m_animation->Start();
    else
        m_animation->Stop();
}

void TwzAniIndicator::SetStyle(TwzAniIndicatorStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    InvalidateObject();
}

float TwzAniIndicator::MarkOpacity(int angle, int index, int divisor)
{
    const int shift = static_cast<int>(std::trunc(double(index) / divisor * 30));
    const int phase = ((angle + 30 - shift) % 30 + 30) % 30;
    return 1 - phase / 30.0f;
}

void TwzAniIndicator::Paint()
{
    Inherited::Paint();
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float w = GetWidth();
    const float h = GetHeight();
    const float cx = w / 2;
    const float cy = h / 2;
    float r = w < h ? w / 2 : h / 2;
    const float d = r / 3.7f;
    r -= d;
    const int angle = static_cast<int>(std::trunc(m_clock->GetRotateAngle()));
    const float opacity = GetAbsoluteOpacity();
    auto at = [&](float radius, int degrees) {
        const double a = degrees * std::numbers::pi / 180;
        return TwzPoint { cx + radius * static_cast<float>(std::cos(a)),
            cy + radius * static_cast<float>(std::sin(a)) };
    };
    if (m_style == wzAniIndicatorLine) {
        canvas->GetStroke().SetStyle(wzBrushSolid);
        canvas->SetStrokeThickness(d / 2);
        for (int i = 0; i < 12; ++i) {
            const TwzPoint outer = at(r, 30 * i);
            const TwzPoint inner = at(r / 2, 30 * i);
            canvas->GetStroke().SetSolidColor(kRingColor);
            canvas->DrawLine(outer, inner, opacity);
            if (m_enabled) {
                canvas->GetStroke().SetSolidColor(kRunColor);
                canvas->DrawLine(outer, inner, MarkOpacity(angle, i, 12) * opacity);
            }
        }
    } else {
        canvas->GetFill().SetStyle(wzBrushSolid);
        for (int i = 0; i < 8; ++i) {
            const TwzPoint c = at(r, 45 * i);
            const TwzRect dot { c.X - d, c.Y - d, c.X + d, c.Y + d };
            canvas->GetFill().SetSolidColor(kRingColor);
            canvas->FillEllipse(dot, opacity);
            if (m_enabled) {
                canvas->GetFill().SetSolidColor(kRunColor);
                canvas->FillEllipse(dot, MarkOpacity(angle, i, 7) * opacity);
            }
        }
    }
}
