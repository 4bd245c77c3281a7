#include "scene3d/ThvColorAnimation.h"

#include "scene3d/Math3D.h"

#include "platform/rtl/Properties.h"

#include <variant>

namespace {

constexpr rtl::TPropInfo kColorAnimationProps[] = {
    HV_ANIMATION_PROPS,
    RTL_PROP(ThvColorAnimation, PropertyName, String, ""),
    RTL_PROP(ThvColorAnimation, StartFromCurrent, Boolean, false),
    RTL_PROP(ThvColorAnimation, StartValue, String, "#FFFFFFFF"),
    RTL_PROP(ThvColorAnimation, StopValue, String, "#FFFFFFFF"),
};

// Colour text, in either string kind.
constexpr auto kTextKinds = { rtl::TPropKind::String, rtl::TPropKind::WideString };

} // namespace

RTL_IMPLEMENT_CLASS(ThvColorAnimation, .props = kColorAnimationProps)

ThvColorAnimation::ThvColorAnimation(rtl::TComponent* owner)
    : ThvAnimation(owner)
{ }

ThvColorAnimation::~ThvColorAnimation() = default;

std::string ThvColorAnimation::GetStartValue() const
{
    return hvColorToStr(m_startColor);
}

void ThvColorAnimation::SetStartValue(const std::string& value)
{
    m_startColor = hvStrToColor(value);
}

std::string ThvColorAnimation::GetStopValue() const
{
    return hvColorToStr(m_stopColor);
}

void ThvColorAnimation::SetStopValue(const std::string& value)
{
    m_stopColor = hvStrToColor(value);
}

void ThvColorAnimation::Start()
{
    if (!m_target.IsResolved() && GetParent() && !m_propertyName.empty())
        m_target.Resolve(*GetParent(), m_propertyName);
    if (m_startFromCurrent) {
        if (const rtl::TPropInfo* prop = m_target.Find(kTextKinds)) {
            SetStartValue(rtl::GetPropText(*m_target.Object(), *prop));
        } else if (const rtl::TPropInfo* integer = m_target.Find({ rtl::TPropKind::Integer })) {
            const rtl::TValue value = rtl::GetPropValue(*m_target.Object(), *integer);
            if (const auto* number = std::get_if<int64_t>(&value))
                m_startColor = static_cast<uint32_t>(*number);
        }
    }
    Inherited::Start();
}

void ThvColorAnimation::ProcessAnimation()
{
    rtl::TObject* object = m_target.Object();
    if (!object)
        return;
    const uint32_t color = hvInterpolateColor(m_startColor, m_stopColor, NormalizedTime());
    if (const rtl::TPropInfo* prop = m_target.Find(kTextKinds)) {
        rtl::SetPropValue(*object, *prop, hvColorToStr(color));
    } else if (const rtl::TPropInfo* integer = m_target.Find({ rtl::TPropKind::Integer })) {
        // An unsigned colour property takes the value as it is; a signed one takes its bits.
        if (!rtl::SetPropValue(*object, *integer, static_cast<int64_t>(color)))
            rtl::SetPropValue(*object, *integer, static_cast<int64_t>(static_cast<int32_t>(color)));
    }
}
