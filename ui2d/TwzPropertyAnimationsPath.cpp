// The animations that write pictures and move objects: the bitmap cross-fade, the path
// animation and the path switcher.

#include "ui2d/TwzPropertyAnimations.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzSpline.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr rtl::TPropInfo kBitmapAnimationProps[] = {
    RTL_PROP(TwzBitmapAnimation, StartValue, Class, rtl::kNoDefault),
    RTL_PROP(TwzBitmapAnimation, StopValue, Class, rtl::kNoDefault),
    RTL_PROP(TwzBitmapAnimation, PropertyName, String, rtl::kNoDefault),
};
constexpr rtl::TPropInfo kPathAnimationProps[] = {
    RTL_PROP(TwzPathAnimation, Path, Class, rtl::kNoDefault),
    RTL_PROP(TwzPathAnimation, Rotate, Boolean, false),
};
constexpr rtl::TPropInfo kPathSwitcherProps[] = {
    RTL_PROP(TwzPathSwitcher, PathTrue, String, ""),
    RTL_PROP(TwzPathSwitcher, PathFalse, String, ""),
    RTL_PROP(TwzPathSwitcher, PropertyName, String, ""),
};

constexpr float kFlatness = 0.25f;
constexpr float kSwitcherDuration = 0.001f;

} // namespace

RTL_IMPLEMENT_CLASS(TwzBitmapAnimation, .props = kBitmapAnimationProps)
RTL_IMPLEMENT_CLASS(TwzPathAnimation, .props = kPathAnimationProps)
RTL_IMPLEMENT_CLASS(TwzPathSwitcher, .props = kPathSwitcherProps)

// ---- bitmap -------------------------------------------------------------------------------

TwzBitmapAnimation::TwzBitmapAnimation(rtl::TComponent* owner)
    : TwzAnimation(owner)
    , m_startValue(std::make_unique<TwzBitmap>(1, 1))
    , m_stopValue(std::make_unique<TwzBitmap>(1, 1))
    , m_work(std::make_unique<TwzBitmap>(1, 1))
{ }

TwzBitmapAnimation::~TwzBitmapAnimation() = default;

void TwzBitmapAnimation::SetStartValue(TwzBitmap* value)
{
    if (value)
        m_startValue->Assign(*value);
}

void TwzBitmapAnimation::SetStopValue(TwzBitmap* value)
{
    if (value)
        m_stopValue->Assign(*value);
}

void TwzBitmapAnimation::ProcessAnimation()
{
    if (!m_target.IsResolved() && GetParent() && !m_propertyName.empty())
        m_target.Resolve(*GetParent(), m_propertyName);
    auto* target = dynamic_cast<rtl::TPersistent*>(m_target.ObjectValue());
    if (!target)
        return;
    const float t = NormalizedTime();
    m_work->Assign(*m_startValue);
    if (t > 0 && m_work->Bits() && m_stopValue->Bits()) {
        if (TwzCanvas* canvas = m_work->GetCanvas(); canvas && canvas->BeginScene()) {
            const TwzRect src { 0, 0, static_cast<float>(m_stopValue->GetWidth()),
                static_cast<float>(m_stopValue->GetHeight()) };
            const TwzRect dst { 0, 0, static_cast<float>(m_work->GetWidth()),
                static_cast<float>(m_work->GetHeight()) };
            canvas->DrawBitmap(m_stopValue.get(), src, dst, std::min(t, 1.0f));
            canvas->EndScene();
        }
    }
    try {
        target->Assign(*m_work);
    } catch (const rtl::ConvertError&) {
        // A property that takes no picture stays as it was.
    }
}

// ---- path -----------------------------------------------------------------------------------

TwzPathAnimation::TwzPathAnimation(rtl::TComponent* owner)
    : TwzAnimation(owner)
    , m_path(std::make_unique<TwzPathData>())
{ }

TwzPathAnimation::~TwzPathAnimation() = default;

void TwzPathAnimation::SetPath(TwzPathData* value)
{
    if (value)
        m_path->Assign(*value);
}

void TwzPathAnimation::Start()
{
    const rtl::DispatchGuard held(this);
    Inherited::Start();
    m_spline.reset();
    m_polygon.clear();
    if (const IwzScene* scene = GetScene(); scene && scene->GetCanvas()) {
        m_path->FlattenPath(m_polygon, kFlatness);
        // The spline runs through one line of points: a figure's end marker stands for the
        // point before it.
        if (m_polygon.size() > 1) {
            for (size_t i = 1; i < m_polygon.size(); ++i) {
                if (m_polygon[i] == TwzPathData::kFigureEnd)
                    m_polygon[i] = m_polygon[i - 1];
            }
        }
        m_spline = std::make_unique<TwzSpline>(m_polygon);
    }
    TwzObject* parent = GetParent();
    TwzVisualObject* moved = parent ? parent->AsVisual() : nullptr;
    m_moved = moved;
    if (moved)
        m_startPoint = moved->GetPosition()->GetPoint();
}

void TwzPathAnimation::ProcessAnimation()
{
    TwzVisualObject* moved = m_moved ? m_moved->AsVisual() : nullptr;
    if (m_polygon.empty() || !m_spline || !moved)
        return;
    const float t = NormalizedTime();
    TwzPosition& position = *moved->GetPosition();
    const TwzPoint old = position.GetPoint();
    // The parameter runs from the first point (0) to the last (n - 1), never beyond it.
    const float parameter = static_cast<float>(m_polygon.size() - 1) * t;
    float x = 0;
    float y = 0;
    m_spline->SplineXY(parameter, x, y);
    rtl::Watch<TwzObject> watched(moved);
    position.SetX(m_startPoint.X + x);
    if (!watched)
        return;
    position.SetY(m_startPoint.Y + y);
    if (!watched || !m_rotate || t == 0 || t == 1)
        return;
    const TwzPoint now = position.GetPoint();
    if (now.X == old.X || now.Y == old.Y)
        return;
    const float dx = now.X - old.X;
    const float dy = now.Y - old.Y;
    const float length = std::hypot(dx, dy);
    // The angle between the step and the downward direction (0, 1), in degrees.
    const float angle = std::acos(std::clamp(dy / length, -1.0f, 1.0f)) * 180.0f / std::numbers::pi_v<float>;
    if (!GetInverse())
        moved->SetRotateAngle(dx < 0 ? angle : -angle);
    else
        moved->SetRotateAngle(dx < 0 ? angle + 180 : 180 - angle);
}

// ---- path switcher --------------------------------------------------------------------------

TwzPathSwitcher::TwzPathSwitcher(rtl::TComponent* owner)
    : TwzAnimation(owner)
{
    SetDuration(kSwitcherDuration);
}

TwzPathSwitcher::~TwzPathSwitcher() = default;
