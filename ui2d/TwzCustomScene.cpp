// The 2D scene control: construction, the root list and the host interface, the properties,
// the links of the input path, the native window's life and destruction. Painting is in
// TwzCustomScenePaint.cpp, input in TwzCustomSceneInput.cpp, drag and drop in
// TwzCustomSceneDrop.cpp.

#include "ui2d/TwzCustomScene.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/Application.h"
#include "platform/ui/DragSession.h"
#include "platform/ui/Window.h"
#include "ui2d/HostDesignMode.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <cassert>
#include <cmath>

RTL_IMPLEMENT_CLASS(TwzCustomScene)

// The native window's hooks, passed on to the scene's toolkit operations. Each hook but the
// window's creation and destruction holds the scene for its dispatch: a handler that frees
// the scene or its form leaves the teardown to the hook's end.
class TwzCustomScene::HostEvents final : public platform::ui::SceneHostEvents {
public:
    explicit HostEvents(TwzCustomScene& scene)
        : m_scene(scene)
    { }

    void HostCreated() override { m_scene.WindowCreated(); }
    void HostDestroying() override { m_scene.DestroyWnd(); }
    void HostResized(int32_t width, int32_t height) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.HostResized(width, height);
    }
    void HostPaint(platform::ui::PaintContext& context) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.Paint(context);
    }

    void HostMouseDown(
        platform::ui::MouseButton button, platform::ui::ShiftState shift, int32_t x, int32_t y) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.MouseDown(button, shift, x, y);
    }
    void HostMouseMove(platform::ui::ShiftState shift, int32_t x, int32_t y) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.MouseMove(shift, x, y);
    }
    void HostMouseUp(
        platform::ui::MouseButton button, platform::ui::ShiftState shift, int32_t x, int32_t y) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.MouseUp(button, shift, x, y);
    }
    bool HostMouseWheel(platform::ui::ShiftState shift, int32_t delta, int32_t x, int32_t y) override
    {
        const rtl::DispatchGuard held(&m_scene);
        return m_scene.DoMouseWheel(shift, delta, { x, y });
    }
    void HostMouseLeave() override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.CMMouseLeave();
    }
    void HostKeyDown(uint16_t& key, platform::ui::ShiftState shift) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.KeyDown(key, shift);
    }
    void HostKeyUp(uint16_t& key, platform::ui::ShiftState shift) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.KeyUp(key, shift);
    }
    void HostChar(char16_t unit) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.KeyPress(unit);
    }
    void HostCaptureLost() override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.CaptureLost();
    }
    std::optional<platform::ui::HintInfo> HostHint(platform::ui::Point p) override
    {
        const rtl::DispatchGuard held(&m_scene);
        return m_scene.CMHintShow(p);
    }

    bool HostDragEnter(const platform::ui::DropData& data) override
    {
        const rtl::DispatchGuard held(&m_scene);
        return m_scene.DragEnter(data);
    }
    platform::ui::DropEffect HostDragOver(const platform::ui::DropData&, platform::ui::Point p) override
    {
        const rtl::DispatchGuard held(&m_scene);
        return m_scene.DragOver(p);
    }
    void HostDragLeave() override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.DragLeave();
    }
    bool HostDrop(const platform::ui::DropData& data, platform::ui::Point p) override
    {
        const rtl::DispatchGuard held(&m_scene);
        return m_scene.Drop(data, p);
    }

    bool HostSessionDragOver(platform::ui::DragSession& session, platform::ui::Point p) override
    {
        const rtl::DispatchGuard held(&m_scene);
        return m_scene.SceneDragOver(session.PayloadObject(), p.x, p.y);
    }
    void HostSessionDragLeave(platform::ui::DragSession&) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.ForgetDrags();
    }
    void HostSessionDrop(platform::ui::DragSession& session, platform::ui::Point p) override
    {
        const rtl::DispatchGuard held(&m_scene);
        m_scene.SceneDragDrop(session.PayloadObject(), p.x, p.y);
    }

private:
    TwzCustomScene& m_scene;
};

TwzCustomScene::TwzCustomScene(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{
    RegisterScene(this);
    m_designTime = IsDesigning();
    m_textRendering = wzAntiAlias;
    EnsureCanvas();
    m_fill = std::make_unique<TwzBrush>(wzBrushNone, 0xFF000000u);
    m_fill->OnChanged.Bind<&TwzCustomScene::FillChanged>(this);
    ++SceneCount;
}

TwzCustomScene::~TwzCustomScene()
{
    assert(m_roots.empty());
}

void TwzCustomScene::EnsureCanvas()
{
    // Scenes made before the library's start-up get their canvas once the window exists.
    if (!m_canvas && DefaultCanvasClass) {
        m_canvas = DefaultCanvasClass->Create(std::max(m_width, 1), std::max(m_height, 1));
        m_canvas->SetTextRendering(m_textRendering);
    }
}

void TwzCustomScene::BeforeDestruction()
{
    --SceneCount;
    if (SceneCount == 0 && ui2d::FreeAnimationClock)
        ui2d::FreeAnimationClock();
    // The design menu and the design state go before the objects they refer to.
    m_designMode.reset();
    SetStyle(nullptr);
    if (m_idleUpdateKey != 0) {
        if (platform::ui::Application* app = platform::ui::Application::TryCurrent())
            app->RemoveIdleUpdate(m_idleUpdateKey);
        m_idleUpdateKey = 0;
    }
    if (m_loadedTimer != 0) {
        if (platform::ui::Application* app = platform::ui::Application::TryCurrent())
            app->StopTimer(m_loadedTimer);
        m_loadedTimer = 0;
    }
    // Each root leaves the list and loses its links before it is freed, so it does not try to
    // leave this scene again.
    while (!m_roots.empty()) {
        TwzObject* root = m_roots.front();
        m_roots.erase(m_roots.begin());
        root->AssignSceneRecursive(nullptr);
        root->Free();
    }
    DestroyWnd();
    m_host.reset();
    m_form = nullptr;
    m_fill.reset();
    m_canvas.reset();
    UnregisterScene(this);
    Inherited::BeforeDestruction();
}

// ---- roots and the host interface ---------------------------------------------------------

void TwzCustomScene::AddObject(TwzObject* object)
{
    if (!object)
        return;
    if (object->GetParent())
        object->SetParent(nullptr);
    else if (IwzScene* other = object->GetScene(); other && other != this)
        other->RemoveObject(object);
    if (std::find(m_roots.begin(), m_roots.end(), object) == m_roots.end())
        m_roots.push_back(object);
    object->SetScene(this);
    object->InheritScene();
    TwzVisualObject* visual = object->AsVisual();
    if (visual && !IsDestroying()) {
        visual->MarkUpdateRectDirty();
        visual->RecalcAbsolute();
        visual->InvalidateObject();
        RefitRoot();
    }
}

void TwzCustomScene::RemoveObject(TwzObject* object)
{
    if (!object || m_roots.empty())
        return;
    AddUpdateRect({ 0, 0, static_cast<float>(m_width), static_cast<float>(m_height) });
    object->SetScene(nullptr);
    Notification(object, rtl::opRemove);
    std::erase(m_roots, object);
}

TwzObject* TwzCustomScene::GetRoot() const
{
    return m_roots.empty() ? nullptr : m_roots.front();
}

rtl::TComponent* TwzCustomScene::GetComponent() const
{
    return const_cast<TwzCustomScene*>(this);
}

void TwzCustomScene::RefitRoot()
{
    // A single root always covers the scene exactly, after its own scale.
    TwzVisualObject* root = m_roots.empty() ? nullptr : m_roots.front()->AsVisual();
    if (!root)
        return;
    const TwzPoint scale = root->GetScale()->GetPoint();
    if (scale.X == 0 || scale.Y == 0)
        return;
    root->SetBounds(0, 0, static_cast<float>(m_width) / scale.X, static_cast<float>(m_height) / scale.Y);
}

void TwzCustomScene::BeginUpdate()
{
    m_disableUpdate = true;
}

void TwzCustomScene::EndUpdate()
{
    m_disableUpdate = false;
    AddUpdateRect({ 0, 0, static_cast<float>(m_width), static_cast<float>(m_height) });
}

void TwzCustomScene::EndUpdateNoRepaint()
{
    m_disableUpdate = false;
}

void TwzCustomScene::InsertObjectByClassName(const std::string& className)
{
    if (ui2d::HostDesignMode* design = GetDesignMode())
        design->InsertObjectByClassName(className);
}

// ---- design mode --------------------------------------------------------------------------

ui2d::HostDesignMode* TwzCustomScene::GetDesignMode()
{
    if (!m_designMode && m_designTime && ui2d::MakeSceneDesignMode && !IsDestroying())
        m_designMode = ui2d::MakeSceneDesignMode(*this);
    return m_designMode.get();
}

void TwzCustomScene::PopupDesignMenu()
{
    if (ui2d::HostDesignMode* design = GetDesignMode())
        design->PopupDesignMenu();
}

bool TwzCustomScene::DesignHitTest(const TwzPoint& point)
{
    ui2d::HostDesignMode* design = GetDesignMode();
    return design && design->HitTest(point);
}

TwzObject* TwzCustomScene::GetDesignDropTarget() const
{
    return m_designMode ? m_designMode->GetDropTarget() : nullptr;
}

void TwzCustomScene::SetStyle(TwzResources* value)
{
    if (value == m_style)
        return;
    if (m_style && ui2d::StyleSheetUsers.removeUser)
        ui2d::StyleSheetUsers.removeUser(m_style, this);
    m_style = value;
    if (m_style && ui2d::StyleSheetUsers.addUser)
        ui2d::StyleSheetUsers.addUser(m_style, this);
    if (!IsDestroying())
        UpdateStyle();
}

void TwzCustomScene::UpdateStyle()
{
    if (TwzObject* root = GetRoot())
        root->UpdateStyle();
}

int32_t TwzCustomScene::GetUpdateRectsCount() const
{
    return static_cast<int32_t>(m_drawing ? m_paintRects.size() : m_updateRects.size());
}

TwzRect TwzCustomScene::GetUpdateRect(int32_t index) const
{
    return (m_drawing ? m_paintRects : m_updateRects)[static_cast<size_t>(index)];
}

TwzPoint TwzCustomScene::LocalToScreen(const TwzPoint& point) const
{
    const platform::ui::Point p { static_cast<int32_t>(std::trunc(std::clamp(point.X, -1e7f, 1e7f))),
        static_cast<int32_t>(std::trunc(std::clamp(point.Y, -1e7f, 1e7f))) };
    const platform::ui::Point screen = m_host ? m_host->ClientToScreen(p) : p;
    return { static_cast<float>(screen.x), static_cast<float>(screen.y) };
}

void TwzCustomScene::SetSelected(TwzObject* object)
{
    if (!m_designTime)
        return;
    if (!object || object->GetScene() == this)
        Relink(m_selected, object);
}

void TwzCustomScene::SetDesignDblClickObject(TwzObject* object)
{
    Relink(m_designDblClickObject, object);
}

// ---- links --------------------------------------------------------------------------------

bool TwzCustomScene::Holds(const rtl::TComponent* component) const
{
    for (const TwzObject* link :
        { m_activeObject, m_focused, m_captured, m_hovered, m_selected, m_designDblClickObject }) {
        if (link && static_cast<const rtl::TComponent*>(link) == component)
            return true;
    }
    return false;
}

void TwzCustomScene::Relink(TwzObject*& link, TwzObject* value)
{
    if (link == value)
        return;
    TwzObject* old = link;
    link = value;
    // Another link may still point at the old object; its notification stays until none does.
    if (old && !Holds(old))
        old->RemoveFreeNotification(this);
    if (value)
        value->FreeNotification(this);
}

void TwzCustomScene::SetActiveControl(TwzControl* value)
{
    if (value == m_activeControl)
        return;
    m_activeControl = value;
    Relink(m_activeObject, value);
    if (value && !IsLoading())
        value->FocusObject();
}

void TwzCustomScene::SetCaptured(TwzObject* object)
{
    Relink(m_captured, object);
    if (m_host)
        m_host->SetCapture(object != nullptr);
}

void TwzCustomScene::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    if (m_captured && static_cast<rtl::TComponent*>(m_captured) == component && m_host)
        m_host->SetCapture(false);
    for (TwzObject** link :
        { &m_activeObject, &m_focused, &m_captured, &m_hovered, &m_selected, &m_designDblClickObject }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
    if (!m_activeObject)
        m_activeControl = nullptr;
}

// ---- properties ---------------------------------------------------------------------------

void TwzCustomScene::SetFill(TwzBrush* value)
{
    if (value)
        m_fill->Assign(*value);
}

void TwzCustomScene::FillChanged(rtl::TObject*)
{
    m_updateRects.clear();
    AddUpdateRect({ 0, 0, static_cast<float>(m_width), static_cast<float>(m_height) });
}

void TwzCustomScene::SetTransparency(bool value)
{
    if (value == m_transparency)
        return;
    m_transparency = value;
    AddUpdateRect({ 0, 0, 10000, 10000 });
}

void TwzCustomScene::SetTextRendering(TwzTextRendering value)
{
    if (value == m_textRendering)
        return;
    m_textRendering = value;
    if (m_canvas)
        m_canvas->SetTextRendering(value);
    AddUpdateRect({ 0, 0, static_cast<float>(m_width), static_cast<float>(m_height) });
}

void TwzCustomScene::SetCursor(int32_t value)
{
    if (value == m_cursor)
        return;
    m_cursor = value;
    if (m_host)
        m_host->SetCursor(value);
}

float TwzCustomScene::SnapToGrid(float value) const
{
    if (!m_designSnapToGrid || m_snapGridSize == 0)
        return value;
    return std::trunc(value / m_snapGridSize) * m_snapGridSize;
}

// ---- streaming ----------------------------------------------------------------------------

void TwzCustomScene::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<TwzObject*> roots = m_roots;
    for (TwzObject* object : roots) {
        if (object->GetStored())
            proc(object);
    }
}

void TwzCustomScene::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "DesignSnapGridShow",
        [this](rtl::TReader& reader) {
            // Only a designed scene shows its grid; at run time the setting reads as off.
            const bool value = reader.ReadBoolean();
            m_designSnapGridShow = IsDesigning() && value;
        },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapGridShow); }, true);
    filer.DefineProperty(
        "DesignSnapToGrid", [this](rtl::TReader& reader) { m_designSnapToGrid = reader.ReadBoolean(); },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapToGrid); }, true);
    filer.DefineProperty(
        "DesignSnapToLines", [this](rtl::TReader& reader) { m_designSnapToLines = reader.ReadBoolean(); },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapToLines); }, true);
}

void TwzCustomScene::Loaded()
{
    Inherited::Loaded();
    m_defaultCursor = m_cursor;
    if (m_designSnapToLines)
        m_designSnapToGrid = false;
    StartLoadedRepaint();
}

void TwzCustomScene::StartLoadedRepaint()
{
    // Whatever was reported while loading was dropped: the whole scene is painted once, a
    // moment after loading.
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!app || m_loadedTimer != 0)
        return;
    m_loadedTimer = app->StartTimer(1, [this](uint32_t id) {
        platform::ui::Application::Current().StopTimer(id);
        m_loadedTimer = 0;
        AddUpdateRect({ 0, 0, 65535, 65535 });
    });
}

// ---- window -------------------------------------------------------------------------------

bool TwzCustomScene::HandleAllocated() const
{
    return m_host && m_host->HasWindow();
}

void TwzCustomScene::SetParentForm(platform::ui::Form* form)
{
    if (form == m_form)
        return;
    if (m_host) {
        DestroyWnd();
        m_host.reset();
    }
    m_form = form;
    if (m_form && !IsDestroying())
        CreateHost();
}

void TwzCustomScene::CreateHost()
{
    if (!m_hostEvents)
        m_hostEvents = std::make_unique<HostEvents>(*this);
    m_host = m_form->CreateHost(*m_hostEvents, { m_left, m_top, m_left + m_width, m_top + m_height });
    m_host->SetCursor(m_cursor);
    m_host->SetVisible(true);
}

bool TwzCustomScene::PresentsLayered() const
{
    return m_drawCall != nullptr && m_transparency;
}

void TwzCustomScene::UpdateActions()
{
    // The walk enters only what shows: a hidden object hides its subtree's controls too.
    std::vector<rtl::Watch<TwzControl>> controls;
    const auto collect = [&](const auto& self, TwzObject& object) -> void {
        if (TwzVisualObject* visual = object.AsVisual(); visual && !visual->GetVisible())
            return;
        if (TwzControl* control = object.AsControl(); control && control->GetAction())
            controls.emplace_back(control);
        for (TwzObject* child : object.Children())
            self(self, *child);
    };
    for (TwzObject* root : m_roots)
        collect(collect, *root);
    // An action's update handler may free controls further down the list.
    for (const rtl::Watch<TwzControl>& control : controls) {
        if (control)
            control->InitiateAction();
    }
}

void TwzCustomScene::WindowCreated()
{
    m_windowAlive = true;
    if (platform::ui::Application* app = platform::ui::Application::TryCurrent(); app && m_idleUpdateKey == 0)
        m_idleUpdateKey = app->AddIdleUpdate([self = rtl::Watch<TwzCustomScene>(this)] {
            if (self) // an update run before this one may have freed the scene
                self->UpdateActions();
        });
    EnsureCanvas();
    if (m_canvas) {
        m_canvas->ResizeBackBuffer(std::max(m_width, 1), std::max(m_height, 1));
        m_canvas->SetTextRendering(m_textRendering);
    }
    RefitRoot();
    const TwzRect whole { 0, 0, static_cast<float>(m_width), static_cast<float>(m_height) };
    // The per-pixel-alpha picture needs a screen that blends; without a compositor the scene
    // paints through its window like an opaque one.
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (m_transparency && !m_designTime && m_form && m_form->IsLayered() && app && app->CanLayerWindows()) {
        m_drawCall = std::make_unique<platform::ui::CoalescedCall>([this] { DrawSceneMessage(); });
        AddUpdateRect(whole);
        UpdateLayered();
        AddUpdateRect({ 0, 0, 65535, 65535 });
        return;
    }
    if (m_form && m_form->IsLayered())
        m_form->SetLayeredFill(m_fill->StoredSolidColor());
    AddUpdateRect(whole);
}

void TwzCustomScene::DestroyWnd()
{
    if (!m_windowAlive)
        return;
    m_windowAlive = false;
    m_drawCall.reset();
    m_updateRects.clear();
    m_windowDrag.End();
    ForgetDrags();
}

void TwzCustomScene::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    // The window reports the size it takes (HostResized), which then rebuilds the buffer.
    if (m_host)
        m_host->SetBounds({ left, top, left + width, top + height });
    else
        RefitRoot();
}

void TwzCustomScene::HostResized(int32_t width, int32_t height)
{
    m_width = width;
    m_height = height;
    if (m_canvas && HandleAllocated()) {
        m_canvas->ResizeBackBuffer(std::max(width, 1), std::max(height, 1));
        m_canvas->SetTextRendering(m_textRendering);
    }
    RefitRoot();
    // A new buffer holds nothing yet: all of it is painted before it is shown.
    AddUpdateRect({ 0, 0, static_cast<float>(width), static_cast<float>(height) });
}
