#include "graphics/TwzGradient.h"

#include "platform/rtl/ClassInfo.h"

#include <algorithm>

namespace {

constexpr rtl::TPropInfo kGradientProps[] = {
    RTL_PROP(TwzGradient, Points, Class, rtl::kNoDefault),
    RTL_PROP(TwzGradient, StartPosition, Class, rtl::kNoDefault, &TwzGradient::IsLinear),
    RTL_PROP(TwzGradient, StopPosition, Class, rtl::kNoDefault, &TwzGradient::IsLinear),
    RTL_PROP(TwzGradient, Style, Enum, rtl::kNoDefault),
    RTL_PROP(TwzGradient, RadialTransform, Class, rtl::kNoDefault, &TwzGradient::IsRadial),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzGradient, .props = kGradientProps)

TwzGradient::TwzGradient()
    : m_points(std::make_unique<TwzGradientPoints>(this))
    , m_startPosition(std::make_unique<TwzPosition>(TwzPoint { 0, 0 }))
    , m_stopPosition(std::make_unique<TwzPosition>(TwzPoint { 1, 0 }))
    , m_radialTransform(std::make_unique<TwzTransform>())
{
    m_points->Add(0xFF000000, 0);
    m_points->Add(0xFFFFFFFF, 1);
    m_startPosition->OnChange.Bind<&TwzGradient::Changed>(this);
    m_stopPosition->OnChange.Bind<&TwzGradient::Changed>(this);
    m_radialTransform->OnChanged.Bind<&TwzGradient::Changed>(this);
}

TwzGradient::~TwzGradient() = default;

void TwzGradient::SetPoints(TwzGradientPoints* value)
{
    if (value)
        m_points->Assign(*value);
}

void TwzGradient::SetStartPosition(TwzPosition* value)
{
    if (value)
        m_startPosition->Assign(*value);
}

void TwzGradient::SetStopPosition(TwzPosition* value)
{
    if (value)
        m_stopPosition->Assign(*value);
}

void TwzGradient::SetStyle(TwzGradientStyle value)
{
    if (value == m_style)
        return;
    m_style = value;
    OnChanged(this);
}

void TwzGradient::SetRadialTransform(TwzTransform* value)
{
    if (value)
        m_radialTransform->Assign(*value);
}

void TwzGradient::Change()
{
    OnChanged(this);
}

void TwzGradient::Changed(rtl::TObject*)
{
    Change();
}

void TwzGradient::SetFirstStopColor(const std::string& text)
{
    if (m_points->Count() > 0)
        m_points->GetPoint(0)->SetColor(text);
}

TwzColor TwzGradient::GradientColorAt(float offset) const
{
    const int count = m_points->Count();
    if (count < 2)
        return 0;
    if (!(offset >= 0)) // also not-a-number
        offset = 0;
    offset = std::min(offset, 1.0f);
    const TwzGradientPoint* first = m_points->GetPoint(0);
    const TwzGradientPoint* last = m_points->GetPoint(count - 1);
    if (offset < first->GetOffset())
        return first->ColorValue();
    if (offset > last->GetOffset())
        return last->ColorValue();
    // Every pair whose start lies at or before the offset is looked at, and the last one
    // decides: for stops in ascending order that is the pair enclosing the offset.
    TwzColor result = 0;
    for (int k = 0; k + 1 < count; ++k) {
        const TwzGradientPoint* a = m_points->GetPoint(k);
        const TwzGradientPoint* b = m_points->GetPoint(k + 1);
        if (!(a->GetOffset() <= offset))
            continue;
        const float span = b->GetOffset() - a->GetOffset();
        if (!(span > 0))
            result = a->ColorValue();
        else if (k + 1 == count - 1 && offset > b->GetOffset())
            result = b->ColorValue();
        else
            result = InterpolateColor(a->ColorValue(), b->ColorValue(), (offset - a->GetOffset()) / span);
    }
    return result;
}

void TwzGradient::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzGradient*>(&source);
    if (!other)
        return Inherited::Assign(source);
    const rtl::TNotifyEvent onChanged = OnChanged;
    OnChanged.Clear();
    m_points->Assign(*other->m_points);
    m_style = other->m_style;
    if (m_style == wzRadialGradient) {
        m_radialTransform->Assign(*other->m_radialTransform);
    } else {
        m_stopPosition->Assign(*other->m_stopPosition);
        m_startPosition->Assign(*other->m_startPosition);
    }
    OnChanged = onChanged;
    OnChanged(this);
}
