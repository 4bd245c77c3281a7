#include "controls/TwzButtons.h"

#include "controls/TwzFormLink.h"
#include "graphics/Geometry.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzPathShape.h"

namespace {

constexpr uint16_t kKeyEnter = 13;
constexpr uint16_t kKeyEscape = 27;
constexpr uint16_t kKeySpace = 32;
/// The wait before the first repeated click, then the time between repeated clicks.
constexpr uint32_t kRepeatDelayMs = 500;
constexpr uint32_t kRepeatIntervalMs = 100;

#define TWZ_CUSTOM_BUTTON_ROWS(CanFocusedDefault, RepeatClickDefault)                                  \
    RTL_PROP(TwzControl, AutoTranslate, Boolean, true),                                                  \
        RTL_PROP(TwzCustomButton, StaysPressed, Boolean, false),                                         \
        RTL_PROP(TwzCustomButton, IsPressed, Boolean, false),                                            \
        RTL_PROP(TwzVisualObject, CanFocused, Boolean, CanFocusedDefault),                               \
        RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),                                   \
        RTL_PROP(TwzControl, TabOrder, Integer, -1),                                                     \
        RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),                                          \
        RTL_PROP(TwzCustomButton, ModalResult, Integer, 0),                                              \
        RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignCenter),                                    \
        RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),                                     \
        RTL_PROP(TwzCustomButton, RepeatClick, Boolean, RepeatClickDefault),                             \
        RTL_PROP(TwzControl, Resource, String, "")

constexpr rtl::TPropInfo kCustomButtonProps[] = {
    TWZ_CUSTOM_BUTTON_ROWS(true, false),
};

constexpr rtl::TPropInfo kButtonProps[] = {
    RTL_PROP(TwzButton, Default, Boolean, false),
    RTL_PROP(TwzButton, Cancel, Boolean, false),
};

constexpr rtl::TPropInfo kSpeedButtonProps[] = {
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, false),
    RTL_PROP(TwzCustomButton, RepeatClick, Boolean, true),
};

constexpr rtl::TPropInfo kPathButtonProps[] = {
    RTL_PROP(TwzPathButton, Path, Class, rtl::kNoDefault),
    RTL_PROP(TwzPathButton, PathLayout, Enum, wzGlyphLeft),
    RTL_PROP(TwzPathButton, PathSize, Float, 32.0),
    RTL_PROP(TwzPathButton, PathSpacing, Float, 0.0),
    RTL_PROP(TwzPathButton, PathPadding, Float, 2.0),
    RTL_PROP(TwzPathButton, PathStrokeThickness, Float, 1.0),
    RTL_PROP(TwzPathButton, PathFill, Class, rtl::kNoDefault),
    RTL_PROP(TwzPathButton, PathStroke, Class, rtl::kNoDefault),
    RTL_PROP(TwzPathButton, PathStrokeCap, Enum, wzCapFlat),
    RTL_PROP(TwzPathButton, PathStrokeDash, Enum, wzDashSolid),
    RTL_PROP(TwzPathButton, PathStrokeJoin, Enum, wzJoinMiter),
};

constexpr rtl::TPropInfo kToolPathButtonProps[] = {
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, false),
    RTL_PROP(TwzPathButton, PathLayout, Enum, wzGlyphTop),
};

void SetAllPadding(TwzVisualObject& part, float value)
{
    TwzBounds* padding = part.GetPadding();
    padding->SetLeft(value);
    padding->SetTop(value);
    padding->SetRight(value);
    padding->SetBottom(value);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzCustomButton, .props = kCustomButtonProps)
RTL_IMPLEMENT_CLASS(TwzButton, .props = kButtonProps)
RTL_IMPLEMENT_CLASS(TwzRoundButton)
RTL_IMPLEMENT_CLASS(TwzCircleButton)
RTL_IMPLEMENT_CLASS(TwzSpeedButton, .props = kSpeedButtonProps)
RTL_IMPLEMENT_CLASS(TwzPathButton, .props = kPathButtonProps)
RTL_IMPLEMENT_CLASS(TwzToolPathButton, .props = kToolPathButtonProps)
RTL_IMPLEMENT_CLASS(TwzHudButton)
RTL_IMPLEMENT_CLASS(TwzHudRoundButton)
RTL_IMPLEMENT_CLASS(TwzHudCircleButton)
RTL_IMPLEMENT_CLASS(TwzHudSpeedButton)

// ---- TwzCustomButton ---------------------------------------------------------------------

TwzCustomButton::TwzCustomButton(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetAutoTranslate(true);
    SetWidth(80);
    SetHeight(22);
    SetAutoCapture(true);
    SetCanFocused(true);
}

void TwzCustomButton::SendPressed()
{
    rtl::Watch<TwzCustomButton> self(this);
    StartTriggerAnimation(this, "IsPressed");
    if (self)
        ApplyTriggerEffect(this, "IsPressed");
}

void TwzCustomButton::SetIsPressed(bool value)
{
    if (!m_staysPressed || value == m_isPressed)
        return;
    m_isPressed = value;
    SendPressed();
}

void TwzCustomButton::SetData(const rtl::TValue& value)
{
    if (VariantIsMethod(value))
        OnClick = VariantToMethod<rtl::TNotifyEvent>(value);
}

void TwzCustomButton::Click()
{
    if (m_modalResult != 0) {
        if (IwzFormLink* form = controls::FindHostForm(*this))
            form->SetModalResult(m_modalResult);
    }
    Inherited::Click();
}

void TwzCustomButton::DblClick()
{
    rtl::Watch<TwzCustomButton> self(this);
    Inherited::DblClick();
    if (self)
        Click();
}

void TwzCustomButton::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    rtl::Watch<TwzCustomButton> self(this);
    Inherited::MouseDown(button, shift, x, y);
    if (!self || button != TMouseButton::Left)
        return;
    m_pressing = true;
    if (m_staysPressed) {
        m_isPressed = !m_isPressed;
    } else {
        m_isPressed = true;
        if (m_repeatClick) {
            if (!m_repeatTimer)
                m_repeatTimer = new TwzTimer(this);
            m_repeatTimer->SetEnabled(false);
            m_repeatTimer->SetInterval(kRepeatDelayMs);
            rtl::TNotifyEvent first;
            first.Bind<&TwzCustomButton::RepeatFirst>(this);
            m_repeatTimer->SetOnTimer(first);
            m_repeatTimer->SetEnabled(true);
        }
    }
    SendPressed();
}

void TwzCustomButton::RepeatFirst(rtl::TObject*)
{
    rtl::TNotifyEvent tick;
    tick.Bind<&TwzCustomButton::RepeatTick>(this);
    m_repeatTimer->SetOnTimer(tick);
    m_repeatTimer->SetInterval(kRepeatIntervalMs);
}

void TwzCustomButton::RepeatTick(rtl::TObject*)
{
    Click();
}

void TwzCustomButton::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    rtl::Watch<TwzCustomButton> self(this);
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!self || !shift.Has(platform::ui::ShiftFlag::Left) || !m_pressing || m_staysPressed)
        return;
    const bool inside = PointInRect({ x, y }, { 0, 0, GetWidth(), GetHeight() });
    if (inside != m_isPressed) {
        m_isPressed = inside;
        SendPressed();
    }
}

void TwzCustomButton::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    if (m_pressing) {
        if (m_repeatTimer)
            m_repeatTimer->SetEnabled(false);
        m_pressing = false;
        if (!m_staysPressed) {
            m_isPressed = false;
            rtl::Watch<TwzCustomButton> self(this);
            SendPressed();
            if (!self)
                return;
        }
    }
    Inherited::MouseUp(button, shift, x, y);
}

void TwzCustomButton::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    rtl::Watch<TwzCustomButton> self(this);
    Inherited::KeyDown(key, keyChar, shift);
    if (self && (key == kKeyEnter || key == kKeySpace))
        Click();
}

void TwzCustomButton::ApplyStyle()
{
    Inherited::ApplyStyle();
    SendPressed();
}

// ---- TwzButton and its variants ----------------------------------------------------------

void TwzButton::DialogKey(uint16_t& key, TShiftState shift)
{
    rtl::Watch<TwzButton> self(this);
    Inherited::DialogKey(key, shift);
    if (!self)
        return;
    if ((m_default && key == kKeyEnter) || (m_cancel && key == kKeyEscape)) {
        key = 0;
        Click();
    }
}

TwzCircleButton::TwzCircleButton(rtl::TComponent* owner)
    : TwzButton(owner)
{
    SetWidth(21);
    SetHeight(21);
}

TwzSpeedButton::TwzSpeedButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
{
    SetCanFocused(false);
    SetRepeatClick(true);
    SetWidth(23);
    SetHeight(23);
    SetText(u"");
}

// ---- glyph layout ------------------------------------------------------------------------

namespace controls {

void LayoutGlyph(TwzVisualObject& part, TwzButtonLayout layout, float size, float spacing, float padding)
{
    SetAllPadding(part, padding);
    TwzBounds* p = part.GetPadding();
    switch (layout) {
    case wzGlyphLeft:
        part.SetAlign(vaLeft);
        part.SetWidth(size);
        p->SetRight(spacing);
        break;
    case wzGlyphRight:
        part.SetAlign(vaRight);
        part.SetWidth(size);
        p->SetLeft(spacing);
        break;
    case wzGlyphTop:
        part.SetAlign(vaTop);
        part.SetHeight(size);
        p->SetBottom(spacing);
        break;
    case wzGlyphBottom:
        part.SetAlign(vaBottom);
        part.SetHeight(size);
        p->SetTop(spacing);
        break;
    case wzGlyphCenter:
        part.SetAlign(vaCenter);
        part.SetWidth(size);
        part.SetHeight(size);
        SetAllPadding(part, spacing);
        break;
    }
}

} // namespace controls

// ---- TwzPathButton -----------------------------------------------------------------------

TwzPathButton::TwzPathButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
    , m_path(std::make_unique<TwzPathData>())
    , m_pathFill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFFFFFFFF))
    , m_pathStroke(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000))
{
    m_path->OnChanged.Bind<&TwzPathButton::GlyphChanged>(this);
    m_pathFill->OnChanged.Bind<&TwzPathButton::GlyphChanged>(this);
    m_pathStroke->OnChanged.Bind<&TwzPathButton::GlyphChanged>(this);
    SetWidth(50);
    SetHeight(60);
}

TwzPathButton::~TwzPathButton() = default;

void TwzPathButton::GlyphChanged(rtl::TObject*)
{
    InvalidateObject();
    ApplyStyle();
}

template <class T> void TwzPathButton::Change(T& field, T value)
{
    if (field == value)
        return;
    field = value;
    if (!IsLoading())
        ApplyStyle();
}

void TwzPathButton::SetPath(TwzPathData* value)
{
    if (value)
        m_path->Assign(*value);
}

void TwzPathButton::SetPathLayout(TwzButtonLayout value)
{
    if (value == m_pathLayout)
        return;
    m_pathLayout = value;
    ApplyStyle();
}

void TwzPathButton::SetPathSize(float value) { Change(m_pathSize, value); }
void TwzPathButton::SetPathSpacing(float value) { Change(m_pathSpacing, value); }
void TwzPathButton::SetPathPadding(float value) { Change(m_pathPadding, value); }
void TwzPathButton::SetPathStrokeThickness(float value) { Change(m_pathStrokeThickness, value); }
void TwzPathButton::SetPathStrokeCap(TwzStrokeCap value) { Change(m_pathStrokeCap, value); }
void TwzPathButton::SetPathStrokeDash(TwzStrokeDash value) { Change(m_pathStrokeDash, value); }
void TwzPathButton::SetPathStrokeJoin(TwzStrokeJoin value) { Change(m_pathStrokeJoin, value); }

void TwzPathButton::SetPathFill(TwzBrush* value)
{
    if (value)
        m_pathFill->Assign(*value);
}

void TwzPathButton::SetPathStroke(TwzBrush* value)
{
    if (value)
        m_pathStroke->Assign(*value);
}

void TwzPathButton::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* path = dynamic_cast<TwzPath*>(FindResource("path"))) {
        path->SetPathData(m_path.get());
        path->SetFill(m_pathFill.get());
        path->SetStroke(m_pathStroke.get());
        path->SetStrokeThickness(m_pathStrokeThickness);
        path->SetStrokeCap(m_pathStrokeCap);
        path->SetStrokeJoin(m_pathStrokeJoin);
        path->SetStrokeDash(m_pathStrokeDash);
    }
    TwzObject* found = FindResource("pathowner");
    if (TwzVisualObject* owner = found ? found->AsVisual() : nullptr) {
        if (m_path->IsEmpty()) {
            SetAllPadding(*owner, m_pathPadding);
            owner->SetAlign(vaNone);
        } else {
            controls::LayoutGlyph(*owner, m_pathLayout, m_pathSize, m_pathSpacing, m_pathPadding);
        }
    }
    found = FindResource("text");
    if (TwzVisualObject* text = found ? found->AsVisual() : nullptr)
        SetAllPadding(*text, m_pathPadding);
}

TwzToolPathButton::TwzToolPathButton(rtl::TComponent* owner)
    : TwzPathButton(owner)
{
    SetCanFocused(false);
    SetPathLayout(wzGlyphTop);
}
