#include "controls/TwzButtons.h"

#include "controls/TwzFormLink.h"
#include "controls/TwzImageList.h"
#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PopupMenuComponent.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAction.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzPathShape.h"
#include "ui2d/TwzShape.h"

#include <cmath>
#include <optional>

namespace {

constexpr uint16_t kKeyEnter = 13;
constexpr uint16_t kKeyEscape = 27;
constexpr uint16_t kKeySpace = 32;
/// The wait before the first repeated click, then the time between repeated clicks.
constexpr uint32_t kRepeatDelayMs = 500;
constexpr uint32_t kRepeatIntervalMs = 100;

#define TWZ_CUSTOM_BUTTON_ROWS(CanFocusedDefault, RepeatClickDefault)                                        \
    RTL_PROP(TwzControl, Action, Component, nullptr), RTL_PROP(TwzControl, AutoTranslate, Boolean, true),    \
        RTL_PROP(TwzCustomButton, StaysPressed, Boolean, false),                                             \
        RTL_PROP(TwzCustomButton, IsPressed, Boolean, false),                                                \
        RTL_PROP(TwzVisualObject, CanFocused, Boolean, CanFocusedDefault),                                   \
        RTL_PROP(TwzVisualObject, DisableFocusEffect, Boolean, false),                                       \
        RTL_PROP(TwzControl, TabOrder, Integer, -1), RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault), \
        RTL_PROP(TwzCustomButton, ModalResult, Integer, 0),                                                  \
        RTL_PROP(TwzTextControl, TextAlign, Enum, wzTextAlignCenter),                                        \
        RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),                                         \
        RTL_PROP(TwzCustomButton, RepeatClick, Boolean, RepeatClickDefault),                                 \
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

constexpr rtl::TPropInfo kColorButtonProps[] = {
    RTL_PROP(TwzColorButton, Color, String, "#FF000000").WithTypeName("TwzColor"),
    RTL_PROP(TwzColorButton, UseStandardDialog, Boolean, true),
    RTL_PROP(TwzControl, AutoTranslate, Boolean, false),
};

constexpr rtl::TEventInfo kColorButtonEvents[] = {
    RTL_EVENT(TwzColorButton, OnChange),
};

TwzBrushDialogRunner g_brushDialog = nullptr;

constexpr rtl::TPropInfo kPopupButtonProps[] = {
    RTL_PROP(TwzPopupButton, PopupMenu, Component, nullptr),
};

constexpr rtl::TPropInfo kBitmapButtonProps[] = {
    RTL_PROP(TwzBitmapButton, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(TwzBitmapButton, BitmapLayout, Enum, wzGlyphLeft),
    RTL_PROP(TwzBitmapButton, BitmapSpacing, Float, 0.0),
    RTL_PROP(TwzBitmapButton, BitmapSize, Float, 32.0),
    RTL_PROP(TwzBitmapButton, BitmapPadding, Float, 2.0),
};

constexpr rtl::TPropInfo kToolButtonProps[] = {
    RTL_PROP(TwzVisualObject, CanFocused, Boolean, false),
    RTL_PROP(TwzBitmapButton, BitmapLayout, Enum, wzGlyphTop),
};

constexpr rtl::TPropInfo kCornerButtonProps[] = {
    RTL_PROP_AS(TwzCornerButton, "yRadius", GetYRadius, SetYRadius, Float, 3.0),
    RTL_PROP_AS(TwzCornerButton, "xRadius", GetXRadius, SetXRadius, Float, 3.0),
    RTL_PROP(TwzCornerButton, Corners, Set, AllCorners, &TwzCornerButton::IsCornersStored),
    RTL_PROP(TwzCornerButton, CornerType, Enum, wzCornerRound),
};

constexpr rtl::TPropInfo kBitmapStateButtonProps[] = {
    RTL_PROP(TwzBitmapStateButton, Bitmap, Class, rtl::kNoDefault),
    RTL_PROP(TwzBitmapStateButton, BitmapHot, Class, rtl::kNoDefault),
    RTL_PROP(TwzBitmapStateButton, BitmapDown, Class, rtl::kNoDefault),
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
RTL_IMPLEMENT_CLASS(TwzColorButton, .props = kColorButtonProps, .events = kColorButtonEvents)
RTL_IMPLEMENT_CLASS(TwzPopupButton, .props = kPopupButtonProps)
RTL_IMPLEMENT_CLASS(TwzBitmapButton, .props = kBitmapButtonProps)
RTL_IMPLEMENT_CLASS(TwzToolButton, .props = kToolButtonProps)
RTL_IMPLEMENT_CLASS(TwzCornerButton, .props = kCornerButtonProps)
RTL_IMPLEMENT_CLASS(TwzBitmapStateButton, .props = kBitmapStateButtonProps)
RTL_IMPLEMENT_CLASS(TwzHudCornerButton)
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
    const rtl::DispatchGuard held(this);
    StartTriggerAnimation(this, "IsPressed");
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
    // A button freed by the handler of its press, double click or key is clicked no more.
    if (IsFreed())
        return;
    if (m_modalResult != 0) {
        if (IwzFormLink* form = controls::FindHostForm(*this))
            form->SetModalResult(m_modalResult);
    }
    Inherited::Click();
}

void TwzCustomButton::DblClick()
{
    Inherited::DblClick();
    Click();
}

void TwzCustomButton::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
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
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!shift.Has(platform::ui::ShiftFlag::Left) || !m_pressing || m_staysPressed)
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
            SendPressed();
        }
    }
    Inherited::MouseUp(button, shift, x, y);
}

void TwzCustomButton::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    Inherited::KeyDown(key, keyChar, shift);
    if (key == kKeyEnter || key == kKeySpace)
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
    Inherited::DialogKey(key, shift);
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

void TwzPathButton::SetPathSize(float value)
{
    Change(m_pathSize, value);
}
void TwzPathButton::SetPathSpacing(float value)
{
    Change(m_pathSpacing, value);
}
void TwzPathButton::SetPathPadding(float value)
{
    Change(m_pathPadding, value);
}
void TwzPathButton::SetPathStrokeThickness(float value)
{
    Change(m_pathStrokeThickness, value);
}
void TwzPathButton::SetPathStrokeCap(TwzStrokeCap value)
{
    Change(m_pathStrokeCap, value);
}
void TwzPathButton::SetPathStrokeDash(TwzStrokeDash value)
{
    Change(m_pathStrokeDash, value);
}
void TwzPathButton::SetPathStrokeJoin(TwzStrokeJoin value)
{
    Change(m_pathStrokeJoin, value);
}

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

// ---- TwzColorButton ----------------------------------------------------------------------

void SetBrushDialogRunner(TwzBrushDialogRunner runner)
{
    g_brushDialog = runner;
}

TwzColorButton::TwzColorButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
{
    SetAutoTranslate(false);
}

void TwzColorButton::SetColor(const std::string& value)
{
    m_color = value;
    if (TwzShape* fill = m_fillPart.Get())
        fill->GetFill()->SetColor(m_color);
    if (!IsLoading())
        OnChange(this);
}

void TwzColorButton::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* fill = dynamic_cast<TwzShape*>(FindResource("fill"))) {
        m_fillPart = fill;
        fill->GetFill()->SetColor(m_color);
    }
}

void TwzColorButton::FreeStyle()
{
    m_fillPart = nullptr;
    Inherited::FreeStyle();
}

void TwzColorButton::Click()
{
    rtl::Watch<TwzColorButton> self(this);
    Inherited::Click();
    if (!self)
        return;
    if (m_useStandardDialog) {
        // The window system's dialog speaks 0x00BBGGRR: red and blue change places and the
        // alpha is dropped on the way in and forced opaque on the way back.
        const TwzColor argb = TextToColor(m_color);
        const uint32_t bgr = ((argb & 0xFF) << 16) | (argb & 0xFF00) | ((argb >> 16) & 0xFF);
        const std::optional<uint32_t> chosen = platform::ui::Dialogs::ChooseColor(bgr);
        if (!chosen || !self)
            return;
        const uint32_t c = *chosen;
        SetColor(ColorToText(0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF)));
        return;
    }
    if (!g_brushDialog)
        return;
    TwzBrush brush(wzBrushSolid, 0xFF000000);
    brush.SetColor(m_color);
    if (g_brushDialog(brush) && self)
        SetColor(brush.GetColor());
}

// ---- TwzPopupButton ----------------------------------------------------------------------

void TwzPopupButton::SetPopupMenu(platform::ui::PopupMenuComponent* value)
{
    m_popupMenu.Set(value);
}

void TwzPopupButton::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_popupMenu.Notification(component, operation);
}

void TwzPopupButton::Click()
{
    const rtl::DispatchGuard held(this);
    Inherited::Click();
    // The menu blocks: not for a button its click handler freed.
    if (IsFreed() || !m_popupMenu || !GetScene())
        return;
    const TwzPoint scenePoint = LocalToAbsolute({ 0, GetHeight() });
    const TwzPoint screen = GetScene()->LocalToScreen(scenePoint);
    m_popupMenu->Popup(
        static_cast<int32_t>(std::lround(screen.X)), static_cast<int32_t>(std::lround(screen.Y)));
}

// ---- TwzBitmapButton, TwzToolButton ------------------------------------------------------

TwzBitmapButton::TwzBitmapButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
    , m_bitmap(std::make_unique<TwzBitmap>(1, 1))
{
    m_bitmap->OnChange.Bind<&TwzBitmapButton::BitmapChanged>(this);
    SetWidth(50);
    SetHeight(60);
}

TwzBitmapButton::~TwzBitmapButton() = default;

void TwzBitmapButton::BitmapChanged(rtl::TObject*)
{
    InvalidateObject();
    ApplyStyle();
}

template <class T> void TwzBitmapButton::Change(T& field, T value)
{
    if (field == value)
        return;
    field = value;
    if (!IsLoading())
        ApplyStyle();
}

void TwzBitmapButton::SetBitmap(TwzBitmap* value)
{
    if (value)
        m_bitmap->Assign(*value);
}

void TwzBitmapButton::SetBitmapLayout(TwzButtonLayout value)
{
    if (value == m_bitmapLayout)
        return;
    m_bitmapLayout = value;
    ApplyStyle();
}

void TwzBitmapButton::SetBitmapSpacing(float value)
{
    Change(m_bitmapSpacing, value);
}
void TwzBitmapButton::SetBitmapSize(float value)
{
    Change(m_bitmapSize, value);
}
void TwzBitmapButton::SetBitmapPadding(float value)
{
    Change(m_bitmapPadding, value);
}

void TwzBitmapButton::ActionChange(rtl::TObject* sender, bool checkDefaults)
{
    const rtl::DispatchGuard held(this);
    Inherited::ActionChange(sender, checkDefaults);
    const auto* action = dynamic_cast<TwzAction*>(sender);
    if (!action || m_bitmap->GetWidth() > 1)
        return;
    const TwzActionList* list = action->GetActionList();
    const auto* images = list ? dynamic_cast<TwzImageList*>(list->GetImages()) : nullptr;
    const int32_t index = action->GetImageIndex();
    if (!images || index < 0 || index >= images->Count())
        return;
    SetBitmapSize(static_cast<float>(images->GetWidth()));
    SetBitmap(images->GetBitmap(index));
}

void TwzBitmapButton::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* image = dynamic_cast<TwzImage*>(FindResource("image"))) {
        image->SetBitmap(m_bitmap.get());
        SetAllPadding(*image, m_bitmapPadding);
        if (m_bitmap->GetWidth() <= 1 || m_bitmap->GetHeight() <= 1)
            image->SetAlign(vaNone);
        else
            controls::LayoutGlyph(*image, m_bitmapLayout, m_bitmapSize, m_bitmapSpacing, m_bitmapPadding);
    }
    TwzObject* found = FindResource("text");
    if (TwzVisualObject* text = found ? found->AsVisual() : nullptr)
        SetAllPadding(*text, m_bitmapPadding);
}

TwzToolButton::TwzToolButton(rtl::TComponent* owner)
    : TwzBitmapButton(owner)
{
    SetCanFocused(false);
    SetBitmapLayout(wzGlyphTop);
}

// ---- TwzCornerButton ---------------------------------------------------------------------

TwzCornerButton::TwzCornerButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
{ }

void TwzCornerButton::SetYRadius(float value)
{
    if (value == m_yRadius)
        return;
    m_yRadius = value;
    ApplyStyle();
}

void TwzCornerButton::SetXRadius(float value)
{
    if (value == m_xRadius)
        return;
    m_xRadius = value;
    ApplyStyle();
}

void TwzCornerButton::SetCorners(TwzCorners value)
{
    if (value == m_corners)
        return;
    m_corners = value;
    ApplyStyle();
}

void TwzCornerButton::SetCornerType(TwzCornerType value)
{
    if (value == m_cornerType)
        return;
    m_cornerType = value;
    ApplyStyle();
}

void TwzCornerButton::ApplyStyle()
{
    Inherited::ApplyStyle();
    if (auto* background = dynamic_cast<TwzRectangle*>(FindResource("Background"))) {
        background->SetCornerType(m_cornerType);
        background->SetCorners(m_corners);
        background->SetXRadius(m_xRadius);
        background->SetYRadius(m_yRadius);
    }
}

// ---- TwzBitmapStateButton ----------------------------------------------------------------

TwzBitmapStateButton::TwzBitmapStateButton(rtl::TComponent* owner)
    : TwzCustomButton(owner)
    , m_bitmap(std::make_unique<TwzBitmap>(1, 1))
    , m_bitmapDown(std::make_unique<TwzBitmap>(1, 1))
    , m_bitmapHot(std::make_unique<TwzBitmap>(1, 1))
{
    m_bitmap->OnChange.Bind<&TwzBitmapStateButton::BitmapChanged>(this);
    SetWidth(64);
    SetHeight(64);
}

TwzBitmapStateButton::~TwzBitmapStateButton() = default;

void TwzBitmapStateButton::MouseEnter()
{
    Inherited::MouseEnter();
    InvalidateObject();
}

void TwzBitmapStateButton::MouseLeave()
{
    Inherited::MouseLeave();
    InvalidateObject();
}

void TwzBitmapStateButton::StartTriggerAnimation(TwzObject* instance, const std::string& trigger)
{
    const rtl::DispatchGuard held(this);
    Inherited::StartTriggerAnimation(instance, trigger);
    if (trigger.find("IsPressed") != std::string::npos)
        InvalidateObject();
}

void TwzBitmapStateButton::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    TwzBitmap* bitmap = GetIsPressed() ? m_bitmapDown.get()
        : GetIsMouseOver()             ? m_bitmapHot.get()
                                       : m_bitmap.get();
    if (bitmap->GetWidth() <= 0 || bitmap->GetHeight() <= 0)
        return;
    const TwzRect source { 0, 0, static_cast<float>(bitmap->GetWidth()),
        static_cast<float>(bitmap->GetHeight()) };
    const TwzRect local = GetLocalRect();
    TwzRect r = source;
    if (RectFit(r, local) <= 1) {
        r = source;
        RectCenter(r, local);
    }
    canvas->DrawBitmap(bitmap, source, r, GetAbsoluteOpacity());
}
