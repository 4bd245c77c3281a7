#include "scene3d/ThvFloatAnimation.h"

#include "scene3d/Math3D.h"

#include "platform/rtl/Properties.h"

#include <variant>

namespace {

constexpr rtl::TPropInfo kFloatAnimationProps[] = {
    HV_ANIMATION_PROPS,
    RTL_PROP(ThvFloatAnimation, PropertyName, String, ""),
    RTL_PROP(ThvFloatAnimation, StartFromCurrent, Boolean, false),
    RTL_PROP(ThvFloatAnimation, StartValue, Float, 0.0),
    RTL_PROP(ThvFloatAnimation, StopValue, Float, 0.0),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvFloatAnimation, .props = kFloatAnimationProps)

ThvFloatAnimation::ThvFloatAnimation(rtl::TComponent* owner)
    : ThvAnimation(owner)
{ }

ThvFloatAnimation::~ThvFloatAnimation() = default;

void ThvFloatAnimation::Start()
{
    if (!m_target.IsResolved() && GetParent() && !m_propertyName.empty())
        m_target.Resolve(*GetParent(), m_propertyName);
    if (m_startFromCurrent) {
        if (const rtl::TPropInfo* prop = m_target.Find({ rtl::TPropKind::Float })) {
            const rtl::TValue value = rtl::GetPropValue(*m_target.Object(), *prop);
            if (const auto* number = std::get_if<double>(&value))
                m_startValue = static_cast<float>(*number);
        }
    }
    Inherited::Start();
}

void ThvFloatAnimation::ProcessAnimation()
{
    const rtl::TPropInfo* prop = m_target.Find({ rtl::TPropKind::Float });
    if (!prop)
        return;
    const float value = hvInterpolateSingle(m_startValue, m_stopValue, NormalizedTime());
    rtl::SetPropValue(*m_target.Object(), *prop, static_cast<double>(value));
}

void ThvFloatAnimation::FreeWhenFinished(rtl::TObject*)
{
    Free();
}
