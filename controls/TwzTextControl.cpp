#include "controls/TwzTextControl.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzText.h"

// Publishes nothing of its own: the subclasses publish the caption properties they use.
RTL_IMPLEMENT_CLASS(TwzTextControl)

TwzTextControl::TwzTextControl(rtl::TComponent* owner)
    : TwzControl(owner)
    , m_font(std::make_unique<TwzFont>())
    , m_fontFill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000))
{
    m_font->OnChanged.Bind<&TwzTextControl::FontChangedEvent>(this);
    m_fontFill->OnChanged.Bind<&TwzTextControl::FontFillChanged>(this);
}

TwzTextControl::~TwzTextControl() = default;

TwzText* TwzTextControl::TextPart()
{
    return dynamic_cast<TwzText*>(FindResource("text"));
}

void TwzTextControl::SetText(const std::u16string& value)
{
    m_text = value;
    UpdateEffects();
    if (TwzText* part = TextPart())
        part->SetText(m_text);
    else if (auto* style = dynamic_cast<TwzText*>(GetAppliedStyle()))
        style->SetText(m_text);
    else
        InvalidateObject();
}

void TwzTextControl::SetFont(TwzFont* value)
{
    if (value)
        m_font->Assign(*value);
}

void TwzTextControl::SetTextAlign(TwzTextAlign value)
{
    m_textAlign = value;
    if (TwzText* part = TextPart())
        part->SetHorzTextAlign(value);
    else
        InvalidateObject();
}

void TwzTextControl::SetVertTextAlign(TwzTextAlign value)
{
    m_vertTextAlign = value;
    if (TwzText* part = TextPart())
        part->SetVertTextAlign(value);
    else
        InvalidateObject();
}

void TwzTextControl::FontChanged()
{
    if (TwzText* part = TextPart())
        part->SetFont(m_font.get());
}

void TwzTextControl::FontFillChanged(rtl::TObject*)
{
    if (TwzText* part = TextPart())
        part->SetFill(m_fontFill.get());
}

rtl::TValue TwzTextControl::GetData()
{
    return m_text;
}

void TwzTextControl::SetData(const rtl::TValue& value)
{
    SetText(rtl::Utf8ToUtf16(ui2d::VariantToText(value)));
}

void TwzTextControl::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* foreground = dynamic_cast<TwzBrushObject*>(FindResource("foreground"))) {
        if (TwzBrush* brush = foreground->GetBrush()) {
            m_fontFill->Assign(*brush);
            // Assign is silent when nothing changed; the part still needs the colour.
            FontFillChanged(m_fontFill.get());
        }
    }
    SetText(m_text);
    SetTextAlign(m_textAlign);
    SetVertTextAlign(m_vertTextAlign);
    FontChanged();
    if (GetAutoTranslate()) {
        std::u16string translated = ui2d::TranslateText(m_text);
        IwzScene* scene = GetScene();
        if (scene && !scene->GetDesignTime())
            SetText(translated);
    }
}
