#include "controls/TwzWindows.h"

#include "controls/TwzCheckBoxes.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzShape.h"
#include "ui2d/TwzShapeProps.h"

namespace {

#define TWZ_WINDOW_ROWS                                                                                      \
    RTL_PROP(TwzWindow, ShowCloseButton, Boolean, true), RTL_PROP(TwzWindow, ShowSizeGrip, Boolean, true),   \
        RTL_PROP(TwzControl, AutoTranslate, Boolean, true),                                                  \
        RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),                                              \
        RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignNear),                                          \
        RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),                                         \
        RTL_PROP(TwzControl, Resource, String, "")

constexpr rtl::TPropInfo kWindowProps[] = {
    TWZ_WINDOW_ROWS,
};

constexpr rtl::TEventInfo kWindowEvents[] = {
    RTL_EVENT(TwzWindow, OnCloseClick),
};

constexpr rtl::TPropInfo kHudWindowProps[] = {
    RTL_PROP(TwzHudWindow, DisableShadowOnOSX, Boolean, true),
    TWZ_SHAPE_FILL_ROW(TwzHudWindow),
    TWZ_SHAPE_STROKE_ROWS(TwzHudWindow),
    RTL_PROP(TwzHudWindow, ButtonAlign, Enum, wzButtonAlignLeft),
    RTL_PROP(TwzHudWindow, ShowCaption, Boolean, true),
};

TwzVisualObject* VisualPart(TwzControl& control, const std::string& name)
{
    TwzObject* found = control.FindResource(name);
    return found ? found->AsVisual() : nullptr;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzWindow, .props = kWindowProps, .events = kWindowEvents)
RTL_IMPLEMENT_CLASS(TwzHudWindow, .props = kHudWindowProps)

// ---- TwzWindow -----------------------------------------------------------------------------

TwzWindow::TwzWindow(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetAutoTranslate(true);
    SetHitTest(false);
    SetTextAlign(wzTextAlignNear);
    SetWidth(200);
    SetHeight(200);
}

void TwzWindow::Restyle()
{
    SetResource(GetResource());
}

void TwzWindow::SetShowCloseButton(bool value)
{
    if (value == m_showCloseButton)
        return;
    m_showCloseButton = value;
    Restyle();
}

void TwzWindow::SetShowSizeGrip(bool value)
{
    if (value == m_showSizeGrip)
        return;
    m_showSizeGrip = value;
    Restyle();
}

void TwzWindow::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    if (TwzVisualObject* close = VisualPart(*this, "close")) {
        close->SetVisible(m_showCloseButton);
        auto* button = dynamic_cast<TwzCloseButton*>(close);
        if (button && OnCloseClick) {
            button->SetCloseForm(false);
            button->OnClick = OnCloseClick;
        }
    }
    if (TwzVisualObject* grip = VisualPart(*this, "sizegrip"))
        grip->SetVisible(m_showSizeGrip);
}

// ---- TwzHudWindow --------------------------------------------------------------------------

TwzHudWindow::TwzHudWindow(rtl::TComponent* owner)
    : TwzWindow(owner)
    , m_fill(std::make_unique<TwzBrush>(wzBrushSolid, 0xEA2F2F2F))
    , m_stroke(std::make_unique<TwzBrush>(wzBrushSolid, 0x5B000000))
{
    m_fill->OnChanged.Bind<&TwzHudWindow::BrushChanged>(this);
    m_stroke->OnChanged.Bind<&TwzHudWindow::BrushChanged>(this);
    GetFont()->SetStyle(wzFontBold);
}

TwzHudWindow::~TwzHudWindow() = default;

void TwzHudWindow::BrushChanged(rtl::TObject*)
{
    if (!IsLoading())
        ApplyStyle();
}

template <class T> void TwzHudWindow::Change(T& field, T value)
{
    if (field == value)
        return;
    field = value;
    if (!IsLoading())
        ApplyStyle();
}

void TwzHudWindow::SetDisableShadowOnOSX(bool value)
{
    if (value == m_disableShadowOnOSX)
        return;
    m_disableShadowOnOSX = value;
    Restyle();
}

void TwzHudWindow::SetFill(TwzBrush* value)
{
    if (value && value != m_fill.get())
        m_fill->Assign(*value);
}

void TwzHudWindow::SetStroke(TwzBrush* value)
{
    if (value && value != m_stroke.get())
        m_stroke->Assign(*value);
}

void TwzHudWindow::SetStrokeThickness(float value)
{
    Change(m_strokeThickness, value);
}
void TwzHudWindow::SetStrokeCap(TwzStrokeCap value)
{
    Change(m_strokeCap, value);
}
void TwzHudWindow::SetStrokeDash(TwzStrokeDash value)
{
    Change(m_strokeDash, value);
}
void TwzHudWindow::SetStrokeJoin(TwzStrokeJoin value)
{
    Change(m_strokeJoin, value);
}
void TwzHudWindow::SetButtonAlign(TwzCloseAlign value)
{
    Change(m_buttonAlign, value);
}
void TwzHudWindow::SetShowCaption(bool value)
{
    Change(m_showCaption, value);
}

void TwzHudWindow::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    const float t = m_strokeThickness;
    if (auto* close = dynamic_cast<TwzCloseButton*>(FindResource("close"))) {
        close->SetAlign(m_buttonAlign == wzButtonAlignLeft ? vaLeft : vaRight);
        if (close->GetVisible()) {
            close->SetVisible(m_showCaption);
            close->SetDesignHide(!m_showCaption);
        }
    }
    if (auto* back = dynamic_cast<TwzShape*>(FindResource("back")))
        back->SetFill(m_fill.get());
    if (auto* stroke = dynamic_cast<TwzShape*>(FindResource("stroke"))) {
        stroke->SetStroke(m_stroke.get());
        stroke->SetStrokeThickness(t);
        stroke->SetStrokeCap(m_strokeCap);
        stroke->SetStrokeDash(m_strokeDash);
        stroke->SetStrokeJoin(m_strokeJoin);
        stroke->GetMargins()->SetRect({ t, t, t, t });
    }
    if (TwzVisualObject* caption = VisualPart(*this, "caption")) {
        caption->SetHeight(20 + t);
        caption->GetPadding()->SetRect({ t, t, t, 0 });
        caption->SetVisible(m_showCaption);
        caption->SetDesignHide(!m_showCaption);
    }
    if (TwzVisualObject* text = VisualPart(*this, "text")) {
        text->SetVisible(m_showCaption);
        text->SetDesignHide(!m_showCaption);
    }
}
