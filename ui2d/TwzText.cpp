#include "ui2d/TwzText.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzShapeProps.h"

namespace {

constexpr rtl::TPropInfo kTextProps[] = {
    TWZ_SHAPE_FILL_ROW(TwzText),
    RTL_PROP(TwzText, Text, WideString, rtl::kNoDefault),
    RTL_PROP(TwzText, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzText, VertTextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzText, HorzTextAlign, Enum, wzTextAlignCenter),
    RTL_PROP(TwzText, WordWrap, Boolean, true),
    RTL_PROP(TwzText, AutoSize, Boolean, false),
    RTL_PROP(TwzText, Stretch, Boolean, false),
};

/// The box a stretched text is laid out in before it is scaled onto the object.
constexpr TwzRect kMeasureBox { 0, 0, 1000, 1000 };

} // namespace

RTL_IMPLEMENT_CLASS(TwzText, .props = kTextProps)

TwzText::TwzText(rtl::TComponent* owner)
    : TwzShape(owner, wzBrushSolid, 0xFF000000, wzBrushNone)
    , m_font(std::make_unique<TwzFont>())
{
    m_font->OnChanged.Bind<&TwzText::FontChanged>(this);
}

TwzText::~TwzText() = default;

void TwzText::SetText(const std::u16string& value)
{
    if (value == m_text)
        return;
    m_text = value;
    UpdateEffects();
    if (m_autoSize)
        AdjustSize();
    InvalidateObject();
}

void TwzText::SetFont(TwzFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void TwzText::FontChanged(rtl::TObject*)
{
    UpdateEffects();
    if (m_autoSize)
        AdjustSize();
    InvalidateObject();
}

void TwzText::SetVertTextAlign(TwzTextAlign value)
{
    if (value == m_vertTextAlign)
        return;
    m_vertTextAlign = value;
    LookChanged();
}

void TwzText::SetHorzTextAlign(TwzTextAlign value)
{
    if (value == m_horzTextAlign)
        return;
    m_horzTextAlign = value;
    LookChanged();
}

void TwzText::SetWordWrap(bool value)
{
    if (value == m_wordWrap)
        return;
    m_wordWrap = value;
    InvalidateObject();
}

void TwzText::SetAutoSize(bool value)
{
    m_autoSize = value;
    AdjustSize();
}

void TwzText::SetStretch(bool value)
{
    UpdateEffects();
    m_stretch = value;
    if (value)
        SetAutoSize(false);
    InvalidateObject();
}

rtl::TValue TwzText::GetData()
{
    return m_text;
}

void TwzText::SetData(const rtl::TValue& value)
{
    SetText(rtl::Utf8ToUtf16(ui2d::VariantToText(value)));
}

void TwzText::Loaded()
{
    Inherited::Loaded();
    if (m_autoSize)
        AdjustSize();
}

void TwzText::RealignChildren()
{
    Inherited::RealignChildren();
    if (m_autoSize)
        AdjustSize();
}

void TwzText::AdjustSize()
{
    if (m_adjusting || !m_autoSize || m_text.empty() || IsLoading())
        return;
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    m_adjusting = true;
    canvas->GetFont().Assign(*m_font);
    TwzRect r = m_wordWrap ? TwzRect { 0, 0, GetWidth(), 1000 } : kMeasureBox;
    canvas->MeasureText(r, r, m_text, m_wordWrap, wzTextAlignNear, wzTextAlignNear);
    if (!m_wordWrap)
        SetWidth(r.Right + m_font->GetSize() / 2);
    if (m_vertTextAlign != wzTextAlignCenter)
        SetHeight(r.Bottom);
    m_adjusting = false;
    if (TwzVisualObject* parent = GetParent() ? GetParent()->AsVisual() : nullptr)
        parent->RealignChildren();
}

void TwzText::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    canvas->GetFont().Assign(*m_font);
    const float opacity = GetAbsoluteOpacity();
    const TwzRect local = GetLocalRect();
    if (!m_stretch) {
        canvas->FillText(local, local, m_text, m_wordWrap, opacity, m_horzTextAlign, m_vertTextAlign);
        return;
    }
    TwzRect r = kMeasureBox;
    canvas->MeasureText(r, r, m_text, false, m_horzTextAlign, m_vertTextAlign);
    RectOffset(r, -r.Left, -r.Top);
    if (!RectIsEmpty(r)) {
        TwzMatrix scale = IdentityMatrix;
        scale.m11 = RectWidth(local) / RectWidth(r);
        scale.m22 = RectHeight(local) / RectHeight(r);
        canvas->MultiplyMatrix(scale);
    }
    // Room around the measured box, grown away from the side the text is aligned to: grown
    // towards it, the room would move a near or far aligned text off its measured place.
    const float grow = m_font->GetSize() / 3;
    if (m_horzTextAlign != wzTextAlignNear)
        r.Left -= grow;
    if (m_horzTextAlign != wzTextAlignFar)
        r.Right += grow;
    if (m_vertTextAlign != wzTextAlignNear)
        r.Top -= grow;
    if (m_vertTextAlign != wzTextAlignFar)
        r.Bottom += grow;
    canvas->FillText(r, r, m_text, false, opacity, m_horzTextAlign, m_vertTextAlign);
    // The scale applied to the canvas goes with the text.
    canvas->SetMatrix(canvas->GetMatrix());
}
