#include "graphics/TwzBounds.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

constexpr rtl::TPropInfo kBoundsProps[] = {
    RTL_PROP(TwzBounds, Left, Float, 0.0, false),
    RTL_PROP(TwzBounds, Top, Float, 0.0, false),
    RTL_PROP(TwzBounds, Right, Float, 0.0, false),
    RTL_PROP(TwzBounds, Bottom, Float, 0.0, false),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzBounds, .props = kBoundsProps)

TwzBounds::TwzBounds(const TwzRect& defaultValue)
    : m_rect(defaultValue)
    , m_defaultValue(defaultValue)
{ }

void TwzBounds::Store(float& field, float value)
{
    if (field == value)
        return;
    field = value;
    OnChange(this);
}

void TwzBounds::SetLeft(float value)
{
    Store(m_rect.Left, value);
}

void TwzBounds::SetTop(float value)
{
    Store(m_rect.Top, value);
}

void TwzBounds::SetRight(float value)
{
    Store(m_rect.Right, value);
}

void TwzBounds::SetBottom(float value)
{
    Store(m_rect.Bottom, value);
}

void TwzBounds::SetRect(const TwzRect& r)
{
    if (r == m_rect)
        return;
    m_rect = r;
    OnChange(this);
}

TwzRect TwzBounds::MarginRect(const TwzRect& r) const
{
    return { r.Left + m_rect.Left, r.Top + m_rect.Top, r.Right - m_rect.Right, r.Bottom - m_rect.Bottom };
}

bool TwzBounds::IsEmpty() const
{
    return m_rect.Left == 0 && m_rect.Top == 0 && m_rect.Right == 0 && m_rect.Bottom == 0;
}

void TwzBounds::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TwzBounds*>(&source))
        return SetRect(other->m_rect);
    Inherited::Assign(source);
}

void TwzBounds::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "Rect", [this](rtl::TReader& reader) { SetRect(TextToRect(reader.ReadString())); },
        [this](rtl::TWriter& writer) { writer.WriteString(RectToText(m_rect)); }, m_rect != m_defaultValue);
}
