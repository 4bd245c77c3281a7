#include "scene3d/ThvPosition.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

constexpr rtl::TPropInfo kPositionProps[] = {
    RTL_PROP(ThvPosition, X, Float, 0.0, false),
    RTL_PROP(ThvPosition, Y, Float, 0.0, false),
    RTL_PROP(ThvPosition, Z, Float, 0.0, false),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvPosition, .props = kPositionProps)

ThvPosition::ThvPosition(const ThvPoint& defaultValue)
    : m_x(defaultValue.X)
    , m_y(defaultValue.Y)
    , m_z(defaultValue.Z)
    , m_prevValue { defaultValue.X, defaultValue.Y, defaultValue.Z, 1 }
    , m_defaultValue(defaultValue)
{ }

void ThvPosition::SetAxis(float& axis, float& prevAxis, float value, const rtl::TNotifyEvent& axisEvent)
{
    if (value == axis)
        return;
    prevAxis = axis;
    axis = value;
    // The owner's axis event replaces the general one; never both for one change.
    if (axisEvent)
        axisEvent(this);
    else
        OnChange(this);
}

void ThvPosition::SetX(float value)
{
    SetAxis(m_x, m_prevValue.X, value, OnChangeX);
}

void ThvPosition::SetY(float value)
{
    SetAxis(m_y, m_prevValue.Y, value, OnChangeY);
}

void ThvPosition::SetZ(float value)
{
    SetAxis(m_z, m_prevValue.Z, value, OnChangeZ);
}

void ThvPosition::SetPoint(const ThvPoint& value)
{
    SetPointNoChange(value);
    OnChange(this);
}

void ThvPosition::SetPointNoChange(const ThvPoint& value)
{
    m_prevValue = { m_x, m_y, m_z, 1 };
    m_x = value.X;
    m_y = value.Y;
    m_z = value.Z;
}

void ThvPosition::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const ThvPosition*>(&source)) {
        // Handlers see the value before the copy as PrevValue, as with SetPoint; afterwards
        // the copy has no pending difference.
        SetPoint(other->GetPoint());
        m_prevValue = GetVector();
        return;
    }
    Inherited::Assign(source);
}

void ThvPosition::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "Point", [this](rtl::TReader& reader) { SetPoint(hvStrToPoint(reader.ReadString())); },
        [this](rtl::TWriter& writer) { writer.WriteString(hvPointToStr(GetPoint())); },
        !(GetPoint() == m_defaultValue));
}
