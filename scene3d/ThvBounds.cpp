#include "scene3d/ThvBounds.h"

#include "graphics/Geometry.h"
#include "graphics/NumberText.h"
#include "scene3d/Math3D.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

constexpr rtl::TPropInfo kBoundsProps[] = {
    RTL_PROP(ThvBounds, left, Float, 0.0, false),
    RTL_PROP(ThvBounds, top, Float, 0.0, false),
    RTL_PROP(ThvBounds, right, Float, 0.0, false),
    RTL_PROP(ThvBounds, bottom, Float, 0.0, false),
    RTL_PROP(ThvBounds, znear, Float, 0.0, false),
    RTL_PROP(ThvBounds, zfar, Float, 0.0, false),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvBounds, .props = kBoundsProps)

void ThvBounds::SetMargin(float& margin, float value)
{
    if (value == margin)
        return;
    margin = value;
    OnChange(this);
}

void ThvBounds::Setleft(float value)
{
    SetMargin(m_left, value);
}

void ThvBounds::Settop(float value)
{
    SetMargin(m_top, value);
}

void ThvBounds::Setright(float value)
{
    SetMargin(m_right, value);
}

void ThvBounds::Setbottom(float value)
{
    SetMargin(m_bottom, value);
}

void ThvBounds::Setznear(float value)
{
    SetMargin(m_znear, value);
}

void ThvBounds::Setzfar(float value)
{
    SetMargin(m_zfar, value);
}

void ThvBounds::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const ThvBounds*>(&source)) {
        m_left = other->m_left;
        m_top = other->m_top;
        m_right = other->m_right;
        m_bottom = other->m_bottom;
        m_znear = other->m_znear;
        m_zfar = other->m_zfar;
        OnChange(this);
        return;
    }
    Inherited::Assign(source);
}

std::string ThvBounds::GetNewRectText() const
{
    std::string text = "(";
    const float values[] = { m_left, m_top, m_right, m_bottom, m_znear, m_zfar };
    for (size_t i = 0; i < std::size(values); ++i) {
        if (i > 0)
            text += ',';
        text += FloatToText(values[i]);
    }
    text += ')';
    return text;
}

void ThvBounds::ReadNewRectText(std::string text)
{
    (void)hvGetToken(text, ",()", ""); // the empty token before "("
    float* const targets[] = { &m_left, &m_top, &m_right, &m_bottom, &m_znear, &m_zfar };
    for (float* target : targets) {
        try {
            *target = TextToFloat(hvGetToken(text, ",()", ""));
        } catch (const rtl::ConvertError&) {
            return;
        }
    }
}

void ThvBounds::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    // The older form carries the four plane margins only and is never written again.
    filer.DefineProperty(
        "Rect",
        [this](rtl::TReader& reader) {
            const TwzRect r = TextToRect(reader.ReadString());
            m_left = r.Left;
            m_top = r.Top;
            m_right = r.Right;
            m_bottom = r.Bottom;
        },
        nullptr, false);
    filer.DefineProperty(
        "NewRect", [this](rtl::TReader& reader) { ReadNewRectText(reader.ReadString()); },
        [this](rtl::TWriter& writer) { writer.WriteString(GetNewRectText()); }, !IsEmpty());
}
