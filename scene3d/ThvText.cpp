#include "scene3d/ThvText.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kTextProps[] = {
    RTL_PROP(ThvVisualObject, Height, Float, 0.1),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, false),
    RTL_PROP(ThvText, Font, Class, rtl::kNoDefault),
    RTL_PROP(ThvText, Text, WideString, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvText, .props = kTextProps)

ThvText::ThvText(rtl::TComponent* owner)
    : ThvShape(owner)
    , m_font(std::make_unique<ThvFont>())
{
    SetHeight(0.1f);
    GetMaterial()->SetLightingDefault(false);
    GetMaterial()->SetLighting(false);
    SetZWrite(false);
    m_font->OnChanged.Bind<&ThvText::FontChanged>(this);
}

ThvText::~ThvText() = default;

void ThvText::SetFont(ThvFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void ThvText::FontChanged(rtl::TObject*)
{
    Repaint();
}

void ThvText::SetText(const std::u16string& value)
{
    if (value == m_text)
        return;
    m_text = value;
    Repaint();
}

void ThvText::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    canvas->GetFont()->Assign(*m_font);
    ThvPoint size;
    canvas->MeasureText(m_text, size);
    canvas->FillText(m_text, -size.X / 2, -size.Y / 2, GetAbsoluteOpacity());
}

bool ThvText::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    return RayCastShapeBox(rayPos, rayDir, hit);
}
