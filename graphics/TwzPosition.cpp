#include "graphics/TwzPosition.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

constexpr rtl::TPropInfo kPositionProps[] = {
    RTL_PROP(TwzPosition, X, Float, 0.0, false),
    RTL_PROP(TwzPosition, Y, Float, 0.0, false),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzPosition, .props = kPositionProps)

TwzPosition::TwzPosition(const TwzPoint& defaultValue)
    : m_point(defaultValue)
    , m_defaultValue(defaultValue)
{ }

void TwzPosition::SetX(float value)
{
    if (value == m_point.X)
        return;
    m_point.X = value;
    OnChange(this);
}

void TwzPosition::SetY(float value)
{
    if (value == m_point.Y)
        return;
    m_point.Y = value;
    OnChange(this);
}

void TwzPosition::SetPoint(const TwzPoint& p)
{
    m_point = p;
    OnChange(this);
}

void TwzPosition::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TwzPosition*>(&source))
        return SetPoint(other->m_point);
    Inherited::Assign(source);
}

void TwzPosition::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    // Reading always notifies, as SetPoint does.
    filer.DefineProperty(
        "Point", [this](rtl::TReader& reader) { SetPoint(TextToPoint(reader.ReadString())); },
        [this](rtl::TWriter& writer) { writer.WriteString(PointToText(m_point)); },
        m_point != m_defaultValue);
}
