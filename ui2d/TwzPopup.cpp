// Popups: the popup control, its window, and the message popup.

#include "ui2d/TwzPopup.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/ui/Application.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzScene.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kPopupProps[] = {
    RTL_PROP(TwzPopup, IsOpen, Boolean, rtl::kNoDefault),
    RTL_PROP(TwzPopup, Placement, Enum, wzPlacementBottom),
    RTL_PROP(TwzPopup, PlacementTarget, Component, nullptr),
    RTL_PROP(TwzPopup, PlacementRectangle, Class, rtl::kNoDefault),
    RTL_PROP(TwzPopup, HorizontalOffset, Float, 0.0),
    RTL_PROP(TwzPopup, VerticalOffset, Float, 0.0),
    RTL_PROP(TwzPopup, StaysOpen, Boolean, false),
    RTL_PROP(TwzPopup, Style, Component, nullptr),
    RTL_PROP(TwzPopup, DragWithParent, Boolean, false),
    RTL_PROP(TwzVisualObject, Visible, Boolean, false),
};

constexpr rtl::TPropInfo kMessagePopupProps[] = {
    RTL_PROP(TwzPopup, StaysOpen, Boolean, true),
    RTL_PROP(TwzPopup, DragWithParent, Boolean, true),
};

constexpr uint32_t kPlacementIntervalMs = 10;
constexpr TwzColor kDesignFrameColor = 0xA0909090;

/// Rounded to the nearest whole pixel (halves to even), kept inside what a screen can hold.
int32_t Pixel(float value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int32_t>(std::nearbyint(std::clamp(value, -1e7f, 1e7f)));
}

platform::ui::Application* App()
{
    return platform::ui::Application::TryCurrent();
}

TwzCustomScene* SceneControl(IwzScene* scene)
{
    return scene ? dynamic_cast<TwzCustomScene*>(scene->GetComponent()) : nullptr;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzPopupForm)
RTL_IMPLEMENT_CLASS(TwzPopup, .props = kPopupProps)
RTL_IMPLEMENT_CLASS(TwzMessagePopup, .props = kMessagePopupProps)

// ---- TwzPopupForm ---------------------------------------------------------------------------

TwzPopupForm::TwzPopupForm(rtl::TComponent* owner, int32_t width, int32_t height)
    : rtl::TComponent(owner)
{
    platform::ui::FormOptions options;
    options.kind = platform::ui::FormKind::Popup;
    options.decorated = false;
    options.keepAbove = true;
    options.skipTaskbar = true;
    options.layered = true;
    options.clientWidth = std::max(width, 1);
    options.clientHeight = std::max(height, 1);
    options.position = platform::ui::Point {};
    m_form = platform::ui::Application::Current().CreateForm(options);
    m_form->SetEvents(this);
}

TwzPopupForm::~TwzPopupForm()
{
    // The scene inside goes with the form's owned components; the form's window goes last.
    if (m_form)
        m_form->SetEvents(nullptr);
}

void TwzPopupForm::SetModalResult(int32_t value)
{
    m_form->SetModalResult(value);
}

void TwzPopupForm::CloseForm()
{
    if (!m_popup || m_popup->GetModal()) {
        m_form->SetModalResult(platform::ui::kModalCancel);
        return;
    }
    platform::ui::Application::Current().Post([popup = rtl::Watch<TwzPopup>(m_popup)] {
        if (popup)
            popup->ClosePopup();
    });
}

void TwzPopupForm::FormDeactivated()
{
    TwzPopup* popup = m_popup;
    if (!popup)
        return;
    if (!popup->GetStaysOpen()) {
        popup->ClosePopup(); // frees this form
        return;
    }
    // A modal popup keeps the keyboard: the press that deactivated it went nowhere.
    if (popup->GetModal())
        m_form->GrabPopup();
}

void TwzPopupForm::FormCloseRequest()
{
    rtl::Watch<TwzPopupForm> self(this);
    if (m_popup) {
        m_formClosing = true;
        m_popup->ClosePopup();
    }
    if (self)
        rtl::DeferFree(this);
}

// ---- TwzPopup -------------------------------------------------------------------------------

TwzPopup::TwzPopup(rtl::TComponent* owner)
    : TwzControl(owner)
    , m_placementRectangle(std::make_unique<TwzBounds>())
{
    StoreVisible(false);
}

TwzPopup::~TwzPopup() = default;

void TwzPopup::BeforeDestruction()
{
    ClosePopup();
    m_placementTarget.Set(nullptr);
    m_style.Set(nullptr);
    Inherited::BeforeDestruction();
}

void TwzPopup::Loaded()
{
    Inherited::Loaded();
    if (m_isOpen) {
        m_isOpen = false;
        SetIsOpen(true);
    }
}

void TwzPopup::SetIsOpen(bool value)
{
    if (value == m_isOpen)
        return;
    if (IwzScene* scene = GetScene(); value && scene && scene->GetDesignTime())
        return;
    m_isOpen = value;
    if (IsLoading())
        return;
    if (value)
        OpenPopup();
    else
        ClosePopup();
}

void TwzPopup::SetPlacementTarget(TwzVisualObject* value)
{
    m_placementTarget.Set(value);
}

void TwzPopup::SetStyle(TwzResources* value)
{
    m_style.Set(value);
}

void TwzPopup::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_placementTarget.Notification(component, operation);
    m_style.Notification(component, operation);
}

TwzVisualObject* TwzPopup::PlacementTargetOrParent() const
{
    if (m_placementTarget)
        return m_placementTarget;
    TwzObject* parent = m_popupForm ? m_savedParent.Get() : GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

IwzScene* TwzPopup::HomeScene() const
{
    if (m_popupForm)
        return m_savedSceneHost ? m_savedScene : nullptr;
    return GetScene();
}

void TwzPopup::ApplyPlacement()
{
    if (!m_popupForm)
        return;
    platform::ui::Form& form = m_popupForm->GetForm();
    const TwzRect r = m_placementRectangle->GetRect();
    TwzVisualObject* target = PlacementTargetOrParent();
    platform::ui::Point position;
    TwzRect anchor {};
    switch (m_placement) {
    case wzPlacementAbsolute:
        position = { Pixel(r.Left), Pixel(r.Top) };
        anchor = { r.Left, r.Top, r.Left, r.Top };
        break;
    case wzPlacementMouse:
        position = App() ? App()->CursorPos() : platform::ui::Point {};
        anchor = { static_cast<float>(position.x), static_cast<float>(position.y),
            static_cast<float>(position.x), static_cast<float>(position.y) };
        break;
    default: {
        ui2d::PopupPlacement p;
        p.placement = m_placement;
        p.hasTarget = target != nullptr;
        if (target) {
            p.targetWidth = target->GetWidth();
            p.targetHeight = target->GetHeight();
        }
        p.rect = r;
        p.width = GetWidth();
        p.height = GetHeight();
        p.horizontalOffset = m_horizontalOffset;
        p.verticalOffset = m_verticalOffset;
        const TwzPoint point = ui2d::PopupPlacementPoint(p);
        if (!target) {
            position = { Pixel(point.X), Pixel(point.Y) };
            anchor = r;
            break;
        }
        IwzScene* scene = target->GetScene();
        if (!scene || scene == static_cast<IwzScene*>(m_popupScene))
            scene = HomeScene();
        if (!scene)
            return; // nowhere to measure from: the window stays where it is
        const auto toScreen = [&](const TwzPoint& local) {
            const TwzPoint absolute = target->LocalToAbsolute(local);
            return scene->LocalToScreen(
                { static_cast<float>(Pixel(absolute.X)), static_cast<float>(Pixel(absolute.Y)) });
        };
        const TwzPoint screen = toScreen(point);
        position = { Pixel(screen.X), Pixel(screen.Y) };
        const TwzRect local = RectIsEmpty(r) ? TwzRect { 0, 0, target->GetWidth(), target->GetHeight() } : r;
        const TwzPoint topLeft = toScreen({ local.Left, local.Top });
        const TwzPoint bottomRight = toScreen({ local.Right, local.Bottom });
        anchor = { std::min(topLeft.X, bottomRight.X), std::min(topLeft.Y, bottomRight.Y),
            std::max(topLeft.X, bottomRight.X), std::max(topLeft.Y, bottomRight.Y) };
        break;
    }
    }
    if (App()) {
        const platform::ui::Rect area = App()->ScreenWorkArea(position);
        if (!area.IsEmpty()) {
            const TwzPoint kept = ui2d::KeepPopupOnScreen(m_placement,
                { static_cast<float>(position.x), static_cast<float>(position.y) },
                { static_cast<float>(form.ClientWidth()), static_cast<float>(form.ClientHeight()) }, anchor,
                { static_cast<float>(area.left), static_cast<float>(area.top), static_cast<float>(area.right),
                    static_cast<float>(area.bottom) },
                m_horizontalOffset, m_verticalOffset);
            position = { Pixel(kept.X), Pixel(kept.Y) };
        }
    }
    if (form.GetPosition() != position)
        form.SetPosition(position);
}

void TwzPopup::OpenPopup()
{
    if (m_closing) {
        m_isOpen = false;
        return;
    }
    if (m_popupForm) {
        ClosePopup();
        return;
    }
    // The window has the size the popup has in its scene; the popup shows at that scale.
    m_savedScale = GetScale()->GetPoint();
    m_savedBounds = GetParentedRect();
    const TwzMatrix matrix = GetAbsoluteMatrix();
    const float scaleX = matrix.m11 == 0 ? 1.0f : matrix.m11;
    const float scaleY = matrix.m22 == 0 ? 1.0f : matrix.m22;
    const int32_t width = std::max(Pixel(GetWidth() * scaleX), 1);
    const int32_t height = std::max(Pixel(GetHeight() * scaleY), 1);

    m_popupForm = new TwzPopupForm(nullptr, width, height);
    GetScale()->SetPoint({ scaleX, scaleY });
    m_popupForm->SetPopup(this);
    m_popupForm->SetFormClosing(false);
    // Where it came from, before it leaves.
    IwzScene* home = GetScene();
    m_savedParent = GetParent();
    m_savedScene = home;
    m_savedSceneHost = home ? home->GetComponent() : nullptr;
    ApplyPlacement();

    m_popupScene = new TwzScene(m_popupForm);
    m_popupScene->SetTransparency(true);
    m_popupScene->SetBounds(0, 0, width, height);
    TwzResources* style = m_style;
    if (home) {
        m_popupScene->SetTextRendering(home->GetTextRendering());
        if (!style)
            style = home->GetStyle();
    }
    if (style)
        m_popupScene->SetStyle(style);
    m_popupScene->SetParentForm(&m_popupForm->GetForm());

    SetVisible(true);
    m_popupScene->AddObject(this);
    AssignSceneRecursive(m_popupScene);
    RecalcEnabled(); // out of a parent that may be disabled
    RecalcOpacity();
    SetResource(GetResource()); // looks the style up again, in the new scene

    rtl::Watch<TwzPopup> self(this);
    platform::ui::Form& form = m_popupForm->GetForm();
    form.Show();
    if (platform::ui::SceneHost* host = m_popupScene->GetHost())
        host->SetFocus();
    if (!m_staysOpen)
        form.GrabPopup();
    m_isOpen = true;
    ApplyTriggerEffect(this, "IsOpen");
    StartTriggerAnimation(this, "IsOpen");
    if (!self || !m_popupForm)
        return;
    if (m_dragWithParent && m_staysOpen) {
        m_placementTimer = new TwzTimer(this);
        m_placementTimer->SetInterval(kPlacementIntervalMs);
        rtl::TNotifyEvent tick;
        tick.Bind<&TwzPopup::PlacementTick>(this);
        m_placementTimer->SetOnTimer(tick);
    }
}

void TwzPopup::PlacementTick(rtl::TObject*)
{
    ApplyPlacement();
}

void TwzPopup::FreeWindow(rtl::Watch<TwzScene>& scene, rtl::Watch<TwzPopupForm>& form)
{
    if (scene)
        scene->Free();
    if (form) {
        form->SetPopup(nullptr);
        form->Free();
    }
}

void TwzPopup::ClosePopup()
{
    if (m_closing || !m_popupForm)
        return;
    if (m_placementTimer) {
        TwzTimer* timer = m_placementTimer;
        m_placementTimer = nullptr;
        timer->Free();
    }
    m_closing = true;
    m_isOpen = false;
    rtl::Watch<TwzPopup> self(this);
    rtl::Watch<TwzScene> scene(m_popupScene);
    rtl::Watch<TwzPopupForm> form(m_popupForm);
    const bool destroying = IsDestroying();
    if (!destroying) {
        ApplyTriggerEffect(this, "IsOpen");
        // Runs the loop until the closing animations end; anything may happen meanwhile.
        StartTriggerAnimationWait(this, "IsOpen");
        if (!self) {
            // Freed while its closing animations played: only the window is left to free.
            if (form && !form->GetFormClosing())
                FreeWindow(scene, form);
            return;
        }
    }
    if (form)
        form->GetForm().ReleasePopupGrab();
    SetVisible(false);
    if (scene)
        scene->RemoveObject(this);
    GetScale()->SetPoint(m_savedScale);
    if (!destroying) {
        if (TwzObject* parent = m_savedParent.Get())
            parent->AddObject(this);
        SetBounds(m_savedBounds.Left, m_savedBounds.Top, m_savedBounds.Right - m_savedBounds.Left,
            m_savedBounds.Bottom - m_savedBounds.Top);
    }
    AssignSceneRecursive(m_savedSceneHost ? m_savedScene : nullptr);
    if (!destroying) {
        RecalcEnabled();
        RecalcOpacity();
    }
    if (form && !form->GetFormClosing())
        FreeWindow(scene, form);
    m_popupScene = nullptr;
    m_popupForm = nullptr;
    m_closing = false;
    m_savedParent = nullptr;
    m_savedSceneHost = nullptr;
    m_savedScene = nullptr;
}

int32_t TwzPopup::RunPopupModal()
{
    if (m_closing) {
        m_isOpen = false;
        return platform::ui::kModalCancel;
    }
    if (m_popupForm) {
        if (m_modal) {
            m_modalResult = platform::ui::kModalCancel;
            m_modal = false;
        } else {
            ClosePopup();
        }
        return platform::ui::kModalCancel;
    }
    platform::ui::Application* app = App();
    if (!app)
        return platform::ui::kModalCancel;
    m_staysOpen = true;
    rtl::Watch<TwzPopup> self(this);
    OpenPopup();
    if (!self)
        return platform::ui::kModalCancel;
    m_modalResult = platform::ui::kModalNone;
    m_modal = true;
    if (m_popupForm)
        m_popupForm->GetForm().GrabPopup(); // keys reach the popup wherever the keyboard was
    app->RunUntil(
        [&] {
            if (!self)
                return true;
            if (app->Terminated()) {
                m_modalResult = platform::ui::kModalCancel;
                if (m_popupForm)
                    m_popupForm->GetForm().SetModalResult(platform::ui::kModalCancel);
            }
            // A cancelled run keeps its result; a popup closed meanwhile (IsOpen cleared, its
            // window freed) ends the run as well.
            if (!m_modal || !m_popupForm)
                return true;
            ApplyPlacement();
            if (m_popupForm)
                m_modalResult = m_popupForm->GetForm().GetModalResult();
            return m_modalResult != platform::ui::kModalNone || !m_popupForm;
        },
        self);
    if (!self)
        return platform::ui::kModalCancel; // freed while modal: nothing left to close
    if (app->Terminated())
        m_modalResult = platform::ui::kModalCancel;
    m_modal = false;
    const int32_t result = m_modalResult;
    ClosePopup();
    return result;
}

void TwzPopup::KillFocus()
{
    Inherited::KillFocus();
    // Closing plays the closing animations in a loop of their own: not for a freed popup.
    if (!IsFreed())
        ClosePopup();
}

void TwzPopup::DialogKey(uint16_t& key, TShiftState shift)
{
    Inherited::DialogKey(key, shift);
    if (IsFreed() || key != platform::ui::vk::kEscape || !m_popupForm || m_modal)
        return;
    key = 0;
    ClosePopup();
}

void TwzPopup::Paint()
{
    Inherited::Paint();
    IwzScene* scene = GetScene();
    if (!scene || !scene->GetDesignTime())
        return;
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const int32_t state = canvas->SaveState();
    canvas->GetStroke().SetStyle(wzBrushSolid);
    canvas->GetStroke().SetSolidColor(kDesignFrameColor);
    canvas->SetStrokeThickness(1);
    canvas->SetStrokeDash(wzDashDash);
    TwzRect frame = GetLocalRect();
    RectInflate(frame, -0.5f, -0.5f);
    canvas->DrawRect(frame, 0, 0, AllCorners, GetAbsoluteOpacity());
    canvas->RestoreState(state);
}

// ---- TwzMessagePopup ------------------------------------------------------------------------

TwzMessagePopup::TwzMessagePopup(rtl::TComponent* owner)
    : TwzPopup(owner)
{
    SetStaysOpen(true);
    SetDragWithParent(true);
}

void TwzMessagePopup::ApplyPlacement()
{
    const float width = GetWidth();
    if (TwzVisualObject* target = GetPlacementTarget()) {
        SetHorizontalOffset((target->GetWidth() - width) / 2);
    } else if (TwzCustomScene* scene = SceneControl(HomeScene()); scene && scene->GetParentForm()) {
        platform::ui::Form& owner = *scene->GetParentForm();
        const platform::ui::Point origin = owner.ClientToScreen({ 0, 0 });
        const float x = static_cast<float>(origin.x);
        const float y = static_cast<float>(origin.y);
        GetPlacementRectangle()->SetRect({ x, y, x + width, y });
        SetHorizontalOffset((static_cast<float>(owner.ClientWidth()) - width) / 2);
    }
    TwzPopup::ApplyPlacement();
}

TwzVisualObject* TwzMessagePopup::PlacementTargetOrParent() const
{
    // Without a target of its own the message is placed by the owner form's client edge, a
    // rectangle in screen coordinates: placing it against its parent would put it below the
    // whole scene.
    if (!GetPlacementTarget()) {
        if (TwzCustomScene* scene = SceneControl(HomeScene()); scene && scene->GetParentForm())
            return nullptr;
    }
    return TwzPopup::PlacementTargetOrParent();
}

int32_t TwzMessagePopup::RunPopupModal()
{
    IwzScene* scene = GetScene();
    TwzObject* first = scene ? scene->GetRoot() : nullptr;
    rtl::Watch<TwzVisualObject> root(first ? first->AsVisual() : nullptr);
    const bool enabled = root ? root->GetEnabled() : true;
    if (root && root.Get() != static_cast<TwzVisualObject*>(this))
        root->SetEnabled(false);
    else
        root = nullptr;
    const int32_t result = TwzPopup::RunPopupModal();
    if (root)
        root->SetEnabled(enabled);
    return result;
}
