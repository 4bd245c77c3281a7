#include "ui2d/TwzPropertyAnimations.h"

#include "graphics/Tokens.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "ui2d/Library2D.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"

#include <algorithm>
#include <optional>
#include <variant>

namespace {

constexpr rtl::TPropInfo kPropertyAnimationProps[] = {
    RTL_PROP(TwzPropertyAnimation, StartFromCurrent, Boolean, false),
    RTL_PROP(TwzPropertyAnimation, PropertyName, String, rtl::kNoDefault),
};
constexpr rtl::TPropInfo kColorAnimationProps[] = {
    RTL_PROP(TwzColorAnimation, StartValue, String, rtl::kNoDefault).WithTypeName("TwzColor"),
    RTL_PROP(TwzColorAnimation, StopValue, String, rtl::kNoDefault).WithTypeName("TwzColor"),
};
constexpr rtl::TPropInfo kGradientAnimationProps[] = {
    RTL_PROP(TwzGradientAnimation, StartValue, Class, rtl::kNoDefault),
    RTL_PROP(TwzGradientAnimation, StopValue, Class, rtl::kNoDefault),
};
constexpr rtl::TPropInfo kFloatAnimationProps[] = {
    RTL_PROP(TwzFloatAnimation, StartValue, Float, rtl::kNoDefault),
    RTL_PROP(TwzFloatAnimation, StopValue, Float, rtl::kNoDefault),
};
constexpr rtl::TPropInfo kRectAnimationProps[] = {
    RTL_PROP(TwzRectAnimation, StartValue, Class, rtl::kNoDefault),
    RTL_PROP(TwzRectAnimation, StopValue, Class, rtl::kNoDefault),
};
constexpr rtl::TPropInfo kKeyProps[] = {
    RTL_PROP(TwzKey, Key, Float, 0.0),
};
constexpr rtl::TPropInfo kColorKeyProps[] = {
    RTL_PROP(TwzColorKey, Value, String, "").WithTypeName("TwzColor"),
};
constexpr rtl::TPropInfo kFloatKeyProps[] = {
    RTL_PROP(TwzFloatKey, Value, Float, 0.0),
};
constexpr rtl::TPropInfo kColorKeyAnimationProps[] = {
    RTL_PROP(TwzColorKeyAnimation, Keys, Class, rtl::kNoDefault),
};
constexpr rtl::TPropInfo kFloatKeyAnimationProps[] = {
    RTL_PROP(TwzFloatKeyAnimation, Keys, Class, rtl::kNoDefault),
};

bool IsObjectKind(rtl::TPropKind kind)
{
    return kind == rtl::TPropKind::Class || kind == rtl::TPropKind::Component;
}

// The kinds of property the colour animations write: colour text or the ARGB number.
constexpr std::initializer_list<rtl::TPropKind> kColorKinds
    = { rtl::TPropKind::String, rtl::TPropKind::WideString, rtl::TPropKind::Integer };

std::optional<TwzColor> ReadColor(const ui2d::AnimationTarget& target)
{
    const rtl::TPropInfo* prop = target.Find(kColorKinds);
    if (!prop)
        return std::nullopt;
    if (prop->kind == rtl::TPropKind::Integer) {
        const rtl::TValue value = rtl::GetPropValue(*target.Object(), *prop);
        if (const auto* number = std::get_if<int64_t>(&value))
            return static_cast<TwzColor>(*number);
        return std::nullopt;
    }
    return TextToColor(rtl::GetPropText(*target.Object(), *prop));
}

void WriteColor(const ui2d::AnimationTarget& target, TwzColor color)
{
    const rtl::TPropInfo* prop = target.Find(kColorKinds);
    if (!prop)
        return;
    rtl::TObject& object = *target.Object();
    if (prop->kind != rtl::TPropKind::Integer) {
        rtl::SetPropValue(object, *prop, ColorToText(color));
        return;
    }
    // An unsigned colour property takes the number as it is, a signed one its bit pattern.
    if (!rtl::SetPropValue(object, *prop, static_cast<int64_t>(color)))
        rtl::SetPropValue(object, *prop, static_cast<int64_t>(static_cast<int32_t>(color)));
}

std::optional<float> ReadFloat(const ui2d::AnimationTarget& target)
{
    const rtl::TPropInfo* prop = target.Find({ rtl::TPropKind::Float });
    if (!prop)
        return std::nullopt;
    const rtl::TValue value = rtl::GetPropValue(*target.Object(), *prop);
    if (const auto* number = std::get_if<double>(&value))
        return static_cast<float>(*number);
    return std::nullopt;
}

void WriteFloat(const ui2d::AnimationTarget& target, float value)
{
    if (const rtl::TPropInfo* prop = target.Find({ rtl::TPropKind::Float }))
        rtl::SetPropValue(*target.Object(), *prop, static_cast<double>(value));
}

// Assigns `source` into `dest`; a destination that does not take that class stays as it was.
void AssignIfAccepted(rtl::TPersistent& dest, const rtl::TPersistent& source)
{
    try {
        dest.Assign(source);
    } catch (const rtl::ConvertError&) { }
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzPropertyAnimation, .props = kPropertyAnimationProps)
RTL_IMPLEMENT_CLASS(TwzColorAnimation, .props = kColorAnimationProps)
RTL_IMPLEMENT_CLASS(TwzGradientAnimation, .props = kGradientAnimationProps)
RTL_IMPLEMENT_CLASS(TwzFloatAnimation, .props = kFloatAnimationProps)
RTL_IMPLEMENT_CLASS(TwzRectAnimation, .props = kRectAnimationProps)
RTL_IMPLEMENT_CLASS(TwzKey, .props = kKeyProps)
RTL_IMPLEMENT_CLASS(TwzColorKey, .props = kColorKeyProps)
RTL_IMPLEMENT_CLASS(TwzFloatKey, .props = kFloatKeyProps)
RTL_IMPLEMENT_CLASS(TwzKeys)
RTL_IMPLEMENT_CLASS(TwzColorKeyAnimation, .props = kColorKeyAnimationProps)
RTL_IMPLEMENT_CLASS(TwzFloatKeyAnimation, .props = kFloatKeyAnimationProps)

// ---- the target of a property animation ---------------------------------------------------

namespace ui2d {

void AnimationTarget::Resolve(rtl::TObject& parent, const std::string& path)
{
    rtl::TObject* object = &parent;
    rtl::TComponent* anchor = dynamic_cast<rtl::TComponent*>(&parent);
    std::string rest = path;
    while (object && rest.find('.') != std::string::npos) {
        const std::string step = GetToken(rest, ".", "");
        const rtl::TPropInfo* prop = object->ClassInfo().FindProp(step);
        if (!prop || !IsObjectKind(prop->kind))
            continue; // not an object property: the name is skipped
        const rtl::TValue value = rtl::GetPropValue(*object, *prop);
        const auto* sub = std::get_if<rtl::TObject*>(&value);
        object = sub ? *sub : nullptr;
        if (auto* component = dynamic_cast<rtl::TComponent*>(object))
            anchor = component;
    }
    m_property = GetToken(rest, ".", "");
    m_object = object;
    m_anchor = object ? anchor : nullptr;
    m_resolved = true;
}

rtl::TObject* AnimationTarget::Object() const
{
    return m_anchor ? m_object : nullptr;
}

const rtl::TPropInfo* AnimationTarget::Find(std::initializer_list<rtl::TPropKind> kinds) const
{
    rtl::TObject* object = Object();
    if (!object)
        return nullptr;
    const rtl::TPropInfo* prop = object->ClassInfo().FindProp(m_property);
    if (!prop || std::find(kinds.begin(), kinds.end(), prop->kind) == kinds.end())
        return nullptr;
    return prop;
}

rtl::TObject* AnimationTarget::ObjectValue() const
{
    const rtl::TPropInfo* prop = Find({ rtl::TPropKind::Class, rtl::TPropKind::Component });
    if (!prop)
        return nullptr;
    const rtl::TValue value = rtl::GetPropValue(*Object(), *prop);
    const auto* object = std::get_if<rtl::TObject*>(&value);
    return object ? *object : nullptr;
}

} // namespace ui2d

// ---- TwzPropertyAnimation -----------------------------------------------------------------

TwzPropertyAnimation::TwzPropertyAnimation(rtl::TComponent* owner)
    : TwzAnimation(owner)
{ }

TwzPropertyAnimation::~TwzPropertyAnimation() = default;

void TwzPropertyAnimation::ResolveTarget()
{
    if (!m_target.IsResolved() && GetParent() && !m_propertyName.empty())
        m_target.Resolve(*GetParent(), m_propertyName);
}

void TwzPropertyAnimation::TakeStartFromCurrent() { }

void TwzPropertyAnimation::Start()
{
    ResolveTarget();
    if (m_startFromCurrent)
        TakeStartFromCurrent();
    Inherited::Start();
}

// ---- colour ---------------------------------------------------------------------------------

TwzColorAnimation::TwzColorAnimation(rtl::TComponent* owner)
    : TwzPropertyAnimation(owner)
{ }

TwzColorAnimation::~TwzColorAnimation() = default;

void TwzColorAnimation::TakeStartFromCurrent()
{
    if (const std::optional<TwzColor> color = ReadColor(m_target))
        m_startValue = *color;
}

void TwzColorAnimation::ProcessAnimation()
{
    WriteColor(m_target, InterpolateColor(m_startValue, m_stopValue, NormalizedTime()));
}

// ---- gradient -------------------------------------------------------------------------------

TwzGradientAnimation::TwzGradientAnimation(rtl::TComponent* owner)
    : TwzPropertyAnimation(owner)
    , m_startValue(std::make_unique<TwzGradient>())
    , m_stopValue(std::make_unique<TwzGradient>())
{ }

TwzGradientAnimation::~TwzGradientAnimation() = default;

void TwzGradientAnimation::SetStartValue(TwzGradient* value)
{
    if (value)
        m_startValue->Assign(*value);
}

void TwzGradientAnimation::SetStopValue(TwzGradient* value)
{
    if (value)
        m_stopValue->Assign(*value);
}

void TwzGradientAnimation::TakeStartFromCurrent()
{
    if (auto* gradient = dynamic_cast<TwzGradient*>(m_target.ObjectValue()))
        m_startValue->Assign(*gradient);
}

void TwzGradientAnimation::ProcessAnimation()
{
    auto* gradient = dynamic_cast<TwzGradient*>(m_target.ObjectValue());
    if (!gradient)
        return;
    const float t = NormalizedTime();
    const TwzGradientPoints& start = *m_startValue->GetPoints();
    const TwzGradientPoints& stop = *m_stopValue->GetPoints();
    TwzGradientPoints& points = *gradient->GetPoints();
    const int count = std::min({ points.Count(), start.Count(), stop.Count() });
    for (int i = 0; i < count; ++i) {
        points.GetPoint(i)->SetColorValue(
            InterpolateColor(start.GetPoint(i)->ColorValue(), stop.GetPoint(i)->ColorValue(), t));
    }
    gradient->Change();
}

// ---- float ----------------------------------------------------------------------------------

TwzFloatAnimation::TwzFloatAnimation(rtl::TComponent* owner)
    : TwzPropertyAnimation(owner)
{ }

TwzFloatAnimation::~TwzFloatAnimation() = default;

void TwzFloatAnimation::TakeStartFromCurrent()
{
    if (const std::optional<float> value = ReadFloat(m_target))
        m_startValue = *value;
}

void TwzFloatAnimation::ProcessAnimation()
{
    WriteFloat(m_target, InterpolateSingle(m_startValue, m_stopValue, NormalizedTime()));
}

void TwzFloatAnimation::FreeSender(rtl::TObject*)
{
    Free();
}

// ---- rectangle ------------------------------------------------------------------------------

TwzRectAnimation::TwzRectAnimation(rtl::TComponent* owner)
    : TwzPropertyAnimation(owner)
    , m_startValue(std::make_unique<TwzBounds>())
    , m_stopValue(std::make_unique<TwzBounds>())
    , m_work(std::make_unique<TwzBounds>())
{ }

TwzRectAnimation::~TwzRectAnimation() = default;

void TwzRectAnimation::SetStartValue(TwzBounds* value)
{
    if (value)
        m_startValue->Assign(*value);
}

void TwzRectAnimation::SetStopValue(TwzBounds* value)
{
    if (value)
        m_stopValue->Assign(*value);
}

void TwzRectAnimation::TakeStartFromCurrent()
{
    if (auto* current = dynamic_cast<rtl::TPersistent*>(m_target.ObjectValue()))
        AssignIfAccepted(*m_startValue, *current);
}

void TwzRectAnimation::ProcessAnimation()
{
    auto* target = dynamic_cast<rtl::TPersistent*>(m_target.ObjectValue());
    if (!target)
        return;
    const float t = NormalizedTime();
    const TwzRect a = m_startValue->GetRect();
    const TwzRect b = m_stopValue->GetRect();
    m_work->SetRect({ InterpolateSingle(a.Left, b.Left, t), InterpolateSingle(a.Top, b.Top, t),
        InterpolateSingle(a.Right, b.Right, t), InterpolateSingle(a.Bottom, b.Bottom, t) });
    AssignIfAccepted(*target, *m_work);
}

// ---- key frames -----------------------------------------------------------------------------

TwzKey::TwzKey(rtl::TCollection* collection)
    : rtl::TCollectionItem(collection)
{ }

void TwzKey::SetKey(float value)
{
    m_key = std::clamp(value, 0.0f, 1.0f);
}

void TwzKey::Assign(const rtl::TPersistent& source)
{
    if (const auto* key = dynamic_cast<const TwzKey*>(&source)) {
        m_key = key->m_key;
        return;
    }
    Inherited::Assign(source);
}

TwzColorKey::TwzColorKey(rtl::TCollection* collection)
    : TwzKey(collection)
{ }

void TwzColorKey::Assign(const rtl::TPersistent& source)
{
    Inherited::Assign(source);
    if (const auto* key = dynamic_cast<const TwzColorKey*>(&source))
        m_value = key->m_value;
}

TwzFloatKey::TwzFloatKey(rtl::TCollection* collection)
    : TwzKey(collection)
{ }

void TwzFloatKey::Assign(const rtl::TPersistent& source)
{
    Inherited::Assign(source);
    if (const auto* key = dynamic_cast<const TwzFloatKey*>(&source))
        m_value = key->m_value;
}

TwzKeys::TwzKeys(const rtl::TClassInfo& itemClass, rtl::TPersistent* owner)
    : rtl::TCollection(itemClass, owner)
{ }

TwzKey* TwzKeys::GetKey(int index) const
{
    return static_cast<TwzKey*>(GetItem(index));
}

bool TwzKeys::FindKeys(float time, TwzKey*& first, TwzKey*& second) const
{
    for (int i = 0; i + 1 < Count(); ++i) {
        TwzKey* a = GetKey(i);
        TwzKey* b = GetKey(i + 1);
        if (a->GetKey() <= time && time <= b->GetKey()) {
            first = a;
            second = b;
            return true;
        }
    }
    return false;
}

namespace {

// The local time between the pair of keys around the progress; none when no pair brackets
// it or the pair has no length (so eased progress outside [0, 1] writes nothing).
template <class Key>
bool FindKeyPair(const TwzKeys& keys, float t, const Key*& first, const Key*& second, float& u)
{
    TwzKey* a = nullptr;
    TwzKey* b = nullptr;
    if (!keys.FindKeys(t, a, b) || a->GetKey() == b->GetKey())
        return false;
    first = dynamic_cast<const Key*>(a);
    second = dynamic_cast<const Key*>(b);
    u = (t - a->GetKey()) / (b->GetKey() - a->GetKey());
    return first && second;
}

} // namespace

TwzColorKeyAnimation::TwzColorKeyAnimation(rtl::TComponent* owner)
    : TwzPropertyAnimation(owner)
    , m_keys(std::make_unique<TwzKeys>(TwzColorKey::StaticClass(), this))
{ }

TwzColorKeyAnimation::~TwzColorKeyAnimation() = default;

void TwzColorKeyAnimation::SetKeys(TwzKeys* value)
{
    if (value)
        m_keys->Assign(*value);
}

void TwzColorKeyAnimation::TakeStartFromCurrent()
{
    if (m_keys->Count() == 0)
        return;
    if (const std::optional<TwzColor> color = ReadColor(m_target))
        static_cast<TwzColorKey*>(m_keys->GetKey(0))->SetValue(ColorToText(*color));
}

void TwzColorKeyAnimation::ProcessAnimation()
{
    const TwzColorKey* first = nullptr;
    const TwzColorKey* second = nullptr;
    float u = 0;
    if (!FindKeyPair(*m_keys, NormalizedTime(), first, second, u))
        return;
    WriteColor(
        m_target, InterpolateColor(TextToColor(first->GetValue()), TextToColor(second->GetValue()), u));
}

TwzFloatKeyAnimation::TwzFloatKeyAnimation(rtl::TComponent* owner)
    : TwzPropertyAnimation(owner)
    , m_keys(std::make_unique<TwzKeys>(TwzFloatKey::StaticClass(), this))
{ }

TwzFloatKeyAnimation::~TwzFloatKeyAnimation() = default;

void TwzFloatKeyAnimation::SetKeys(TwzKeys* value)
{
    if (value)
        m_keys->Assign(*value);
}

void TwzFloatKeyAnimation::TakeStartFromCurrent()
{
    if (m_keys->Count() == 0)
        return;
    if (const std::optional<float> value = ReadFloat(m_target))
        static_cast<TwzFloatKey*>(m_keys->GetKey(0))->SetValue(*value);
}

void TwzFloatKeyAnimation::ProcessAnimation()
{
    const TwzFloatKey* first = nullptr;
    const TwzFloatKey* second = nullptr;
    float u = 0;
    if (!FindKeyPair(*m_keys, NormalizedTime(), first, second, u))
        return;
    WriteFloat(m_target, InterpolateSingle(first->GetValue(), second->GetValue(), u));
}

// ---- registration -----------------------------------------------------------------------

namespace ui2d {

void RegisterAnimationObjects()
{
    Register2DObjects<TwzColorAnimation, TwzGradientAnimation, TwzFloatAnimation, TwzRectAnimation,
        TwzBitmapAnimation, TwzColorKeyAnimation, TwzFloatKeyAnimation, TwzPathAnimation, TwzPathSwitcher>(
        "Animations");
}

} // namespace ui2d
