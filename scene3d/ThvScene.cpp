// The scene control: construction with its design rig and the stored design settings, the
// root list, the published properties, the links of the input path, the native window's life
// and destruction. Painting is in ThvScenePaint.cpp, input in ThvSceneInput.cpp, drag and drop
// in ThvSceneDrop.cpp; the design mode is the design tools' (ThvSceneDesign.h).

#include "scene3d/ThvScene.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvObject.h"
#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvSceneDesign.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/Application.h"
#include "platform/ui/DragSession.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <any>
#include <cassert>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kSceneProps[] = {
    RTL_PROP(ThvScene, Left, Integer, rtl::kNoDefault),
    RTL_PROP(ThvScene, Top, Integer, rtl::kNoDefault),
    RTL_PROP(ThvScene, Width, Integer, rtl::kNoDefault),
    RTL_PROP(ThvScene, Height, Integer, rtl::kNoDefault),
    RTL_PROP(ThvScene, AlignRoot, Boolean, true),
    RTL_PROP(ThvScene, AllowDrag, Boolean, false),
    RTL_PROP(ThvScene, ActiveControl, Component, nullptr),
    RTL_PROP(ThvScene, Lighting, Boolean, true),
    RTL_PROP(ThvScene, Quality, Enum, rtl::kNoDefault),
    RTL_PROP(ThvScene, FillColor, String, rtl::kNoDefault),
    RTL_PROP(ThvScene, AmbientColor, String, rtl::kNoDefault),
    RTL_PROP(ThvScene, Camera, Component, nullptr),
    RTL_PROP(ThvScene, Transparency, Boolean, false),
    RTL_PROP(ThvScene, RealTime, Boolean, false),
    RTL_PROP(ThvScene, RealTimeSleep, Integer, rtl::kNoDefault),
    RTL_PROP(ThvScene, InvisibleAtRuntime, Boolean, false),
    RTL_PROP(ThvScene, UsingDesignCamera, Boolean, true),
    RTL_PROP(ThvScene, TabStop, Boolean, false),
    RTL_PROP(ThvScene, Cursor, Integer, 0).WithTypeName("TCursor"),
};

constexpr rtl::TEventInfo kSceneEvents[] = {
    RTL_EVENT(ThvScene, OnMouseMove),
    RTL_EVENT(ThvScene, OnMouseDown),
    RTL_EVENT(ThvScene, OnMouseUp),
    RTL_EVENT(ThvScene, OnMouseWheel),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvScene, .props = kSceneProps, .events = kSceneEvents)

// The native window's hooks, passed on to the scene's toolkit operations. Each hook but the
// window's creation and destruction holds the scene for its dispatch: a handler that frees
// the scene or its form leaves the teardown to the hook's end.
class ThvScene::HostEvents final : public platform::ui::SceneHostEvents {
public:
    explicit HostEvents(ThvScene& scene)
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
    ThvScene& m_scene;
};

ThvScene::ThvScene(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{
    m_designTime = IsDesigning();
    CreateDesignRig();
    ++hvSceneCount;
}

ThvScene::~ThvScene()
{
    assert(m_objects.empty());
}

std::unique_ptr<ThvBitmap> ThvScene::TakeScreenshotTile()
{
    if (m_screenshotTileClass != hvDefaultCanvasClass)
        m_screenshotTile.reset();
    return std::move(m_screenshotTile);
}

void ThvScene::KeepScreenshotTile(std::unique_ptr<ThvBitmap> tile)
{
    // NOTE: a screenshot started inside another one's progress hook finds no tile kept and
    // makes its own; whichever comes back last is kept.
    m_screenshotTile = std::move(tile);
    m_screenshotTileClass = hvDefaultCanvasClass;
}

void ThvScene::CreateDesignRig()
{
    const auto designObject = [](ThvVisualObject* object) {
        object->SetTag(scene3d::kDesignObjectTag);
        object->SetLocked(true);
        object->SetStored(false);
    };
    m_designCameraZ = new ThvDummy(this);
    designObject(m_designCameraZ);
    AddObject(m_designCameraZ);

    m_designCameraX = new ThvDummy(this);
    designObject(m_designCameraX);
    m_designCameraX->SetParent(m_designCameraZ);
    m_designCameraX->GetRotateAngle()->SetX(20);

    auto* camera = new ThvCamera(this);
    designObject(camera);
    camera->SetParent(m_designCameraX);
    camera->GetPosition()->SetPoint({ 0, -20, 0 });
    SetDesignCamera(camera);

    m_designGrid = new ThvGrid(this);
    designObject(m_designGrid);
    m_designGrid->SetWidth(50);
    m_designGrid->SetHeight(50);
    m_designGrid->SetFrequency(1);
    m_designGrid->SetMarks(4);
    m_designGrid->SetVisible(m_designTime);
    AddObject(m_designGrid);
}

// ---- stored design settings and the design mode -------------------------------------------

void ThvScene::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "DesignCameraPos",
        [this](rtl::TReader& reader) {
            const auto value = static_cast<float>(reader.ReadFloat());
            if (m_designCamera)
                m_designCamera->GetPosition()->SetY(value);
        },
        [this](rtl::TWriter& writer) {
            writer.WriteFloat(m_designCamera ? m_designCamera->GetPosition()->GetY() : 0.0f);
        },
        true);
    filer.DefineProperty(
        "DesignCameraZAngle",
        [this](rtl::TReader& reader) {
            const auto value = static_cast<float>(reader.ReadFloat());
            if (m_designCameraZ)
                m_designCameraZ->GetRotateAngle()->SetZ(value);
        },
        [this](rtl::TWriter& writer) {
            writer.WriteFloat(m_designCameraZ ? m_designCameraZ->GetRotateAngle()->GetZ() : 0.0f);
        },
        true);
    filer.DefineProperty(
        "DesignCameraXAngle",
        [this](rtl::TReader& reader) {
            const auto value = static_cast<float>(reader.ReadFloat());
            if (m_designCameraX)
                m_designCameraX->GetRotateAngle()->SetX(value);
        },
        [this](rtl::TWriter& writer) {
            writer.WriteFloat(m_designCameraX ? m_designCameraX->GetRotateAngle()->GetX() : 0.0f);
        },
        true);
    filer.DefineProperty(
        "DesignSnapGridShow",
        [this](rtl::TReader& reader) {
            // Only a designed scene shows its grid; at run time the setting reads as off.
            const bool value = reader.ReadBoolean();
            SetDesignSnapGridShow(IsDesigning() && value);
        },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapGridShow); }, true);
    filer.DefineProperty(
        "DesignSnapToGrid", [this](rtl::TReader& reader) { m_designSnapToGrid = reader.ReadBoolean(); },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapToGrid); }, true);
    filer.DefineProperty(
        "DesignSnapToLines", [this](rtl::TReader& reader) { m_designSnapToLines = reader.ReadBoolean(); },
        [this](rtl::TWriter& writer) { writer.WriteBoolean(m_designSnapToLines); }, true);
}

void ThvScene::SetDesignSnapGridShow(bool value)
{
    m_designSnapGridShow = value;
    if (m_designGrid)
        m_designGrid->SetOpacity(value ? 1.0f : 0.0f);
}

scene3d::DesignMode* ThvScene::GetDesignMode()
{
    if (!m_designMode && IsDesigning() && scene3d::MakeDesignMode && !IsDestroying())
        m_designMode = scene3d::MakeDesignMode(*this);
    return m_designMode.get();
}

void ThvScene::BeforeDestruction()
{
    --hvSceneCount;
    UnhookIdle();
    m_designMode.reset();
    // Each root leaves the list and loses its links before it is freed, so it does not try to
    // leave this scene again.
    while (!m_objects.empty()) {
        ThvObject* object = m_objects.front();
        m_objects.erase(m_objects.begin());
        object->m_parent = nullptr;
        object->SetSceneRecursive(nullptr);
        object->Free();
    }
    m_renderCall.reset();
    m_screenshotTile.reset();
    if (m_canvas == m_windowCanvas.get())
        m_canvas = nullptr;
    m_windowCanvas.reset();
    m_physics.reset();
    DestroyWnd();
    m_host.reset();
    m_form = nullptr;
    Inherited::BeforeDestruction();
}

// ---- roots --------------------------------------------------------------------------------

void ThvScene::AddObject(ThvObject* object)
{
    if (!object || IsDestroying())
        return;
    if (!object->m_parent && object->m_scene == this
        && std::find(m_objects.begin(), m_objects.end(), object) != m_objects.end())
        return;
    // One place at most: an object listed twice would be freed twice.
    object->LeavePlace();
    m_objects.push_back(object);
    object->SetSceneRecursive(this);
    if (auto* visual = object->AsVisual()) {
        visual->Repaint();
        auto* camera = dynamic_cast<ThvCamera*>(object);
        if (camera && IsDesigning() && camera->GetTag() != scene3d::kDesignObjectTag)
            SetCamera(camera);
    }
}

void ThvScene::RemoveObject(ThvObject* object)
{
    const auto it = std::find(m_objects.begin(), m_objects.end(), object);
    if (it == m_objects.end())
        return;
    m_objects.erase(it);
    object->SetSceneRecursive(nullptr);
    if (HandleAllocated() && !IsLoading() && !IsDestroying())
        RequestPaint();
}

ThvObject* ThvScene::GetObject(int index) const
{
    if (index < 0 || index >= GetCount())
        return nullptr;
    return m_objects[static_cast<size_t>(index)];
}

ThvVisualObject* ThvScene::GetRoot() const
{
    for (auto it = m_objects.rbegin(); it != m_objects.rend(); ++it) {
        auto* visual = (*it)->AsVisual();
        if (visual && !visual->GetLocked())
            return visual;
    }
    return nullptr;
}

void ThvScene::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<ThvObject*> objects = m_objects;
    for (ThvObject* object : objects) {
        if (object->GetStored())
            proc(object);
    }
}

void ThvScene::Loaded()
{
    Inherited::Loaded();
    m_savedCursor = m_cursor;
    if (m_designSnapToLines)
        m_designSnapToGrid = false;
}

// ---- published ----------------------------------------------------------------------------

void ThvScene::SetQuality(ThvQuality value)
{
    if (value == m_quality)
        return;
    m_quality = value;
    if (m_canvas)
        m_canvas->SetQuality(value);
}

std::string ThvScene::GetFillColor() const
{
    return hvColorToStr(m_fillColor);
}

void ThvScene::SetFillColor(const std::string& value)
{
    const uint32_t color = hvStrToColor(value);
    if (color == m_fillColor)
        return;
    m_fillColor = color;
    if (HandleAllocated())
        RequestPaint();
}

std::string ThvScene::GetAmbientColor() const
{
    return hvColorToStr(m_ambientColor);
}

void ThvScene::SetAmbientColor(const std::string& value)
{
    const uint32_t color = hvStrToColor(value);
    if (color == m_ambientColor)
        return;
    m_ambientColor = color;
    if (HandleAllocated())
        RequestPaint();
}

void ThvScene::SetCursor(int32_t value)
{
    if (value == m_cursor)
        return;
    m_cursor = value;
    if (m_host)
        m_host->SetCursor(value);
}

float ThvScene::SnapToGrid(float value) const
{
    if (!m_designSnapToGrid || m_snapGridSize == 0)
        return value;
    return std::trunc(value / m_snapGridSize) * m_snapGridSize;
}

// ---- window -------------------------------------------------------------------------------

bool ThvScene::HandleAllocated() const
{
    return m_host && m_host->HasWindow();
}

void ThvScene::SetParentForm(platform::ui::Form* form)
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

void ThvScene::CreateHost()
{
    if (!m_hostEvents)
        m_hostEvents = std::make_unique<HostEvents>(*this);
    m_host = m_form->CreateHost(*m_hostEvents, { m_left, m_top, m_left + m_width, m_top + m_height });
    m_host->SetCursor(m_cursor);
    m_host->SetVisible(true);
}

bool ThvScene::PresentsLayered() const
{
    return m_transparency && m_form && m_form->IsLayered();
}

void ThvScene::WindowCreated()
{
    m_windowAlive = true;
    if (!m_windowCanvas && hvDefaultCanvasClass && (IsDesigning() || !m_invisibleAtRuntime)) {
        // The scene's own address names its window to the canvas; the frames it presents come
        // back to the scene through its handler.
        m_windowCanvas
            = hvDefaultCanvasClass->CreateFromWindow(this, m_width, m_height, m_transparency, m_quality);
        m_windowCanvas->SetScene(this);
        m_windowCanvas->SetOnFramePresented([this](int32_t width, int32_t height, const uint32_t* pixels) {
            FramePresented(width, height, pixels);
        });
        if (!m_canvas)
            m_canvas = m_windowCanvas.get();
    }
    if (PresentsLayered() && !IsDesigning()) {
        m_renderCall = std::make_unique<platform::ui::CoalescedCall>([this] { RenderSceneMessage(); });
        UpdateLayered();
    }
    m_renderRequested = true;
}

void ThvScene::DestroyWnd()
{
    if (!m_windowAlive)
        return;
    m_windowAlive = false;
    if (hvSceneCount == 0 && scene3d::FreeAnimationClock)
        scene3d::FreeAnimationClock();
    if (m_canvas == m_windowCanvas.get())
        m_canvas = nullptr;
    m_windowCanvas.reset();
    m_renderCall.reset();
    m_frameHeld = false;
    m_heldFrame.clear();
    ForgetDrags();
}

void ThvScene::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == m_left && top == m_top && width == m_width && height == m_height)
        return;
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    // The window reports the size it takes (HostResized), which then rebuilds the canvas.
    if (m_host)
        m_host->SetBounds({ left, top, left + width, top + height });
}

void ThvScene::HostResized(int32_t width, int32_t height)
{
    m_width = width;
    m_height = height;
    if (m_canvas && HandleAllocated()) {
        m_canvas->SetBuffered(m_transparency);
        m_canvas->ResizeBuffer(width, height);
        if (ThvVisualObject* root = GetRoot())
            root->Realign();
    }
    m_frameHeld = false;
    RequestPaint();
}

TwzPoint ThvScene::ClientToScreen(const TwzPoint& p) const
{
    if (!m_host || !m_host->HasWindow())
        return p;
    const platform::ui::Point screen = m_host->ClientToScreen({ 0, 0 });
    return { p.X + static_cast<float>(screen.x), p.Y + static_cast<float>(screen.y) };
}

void ThvScene::SetCanvas(ThvCanvas* value)
{
    m_canvas = value ? value : m_windowCanvas.get();
}

void ThvScene::CreatePhysics()
{
    if (!m_physics && hvDefaultPhysicsClass)
        m_physics = hvDefaultPhysicsClass->Create(this);
}

// ---- links --------------------------------------------------------------------------------

template <class T> void ThvScene::Relink(T*& link, T* value)
{
    if (link == value)
        return;
    T* old = link;
    link = value;
    // Another link may still point at the old object; its notification stays until none does.
    const auto* oldComponent = static_cast<rtl::TComponent*>(old);
    const bool stillLinked = old
        && (oldComponent == m_activeControl || oldComponent == m_focused || oldComponent == m_captured
            || oldComponent == m_hovered || oldComponent == m_selected
            || oldComponent == m_designDblClickObject || oldComponent == m_camera
            || oldComponent == m_designCamera);
    if (old && !stillLinked)
        old->RemoveFreeNotification(this);
    if (value)
        value->FreeNotification(this);
}

// The input code relinks the capture too.
template void ThvScene::Relink<ThvVisualObject>(ThvVisualObject*&, ThvVisualObject*);

void ThvScene::SetActiveControl(ThvVisualObject* value)
{
    if (value == m_activeControl)
        return;
    Relink(m_activeControl, value);
    if (value && !IsLoading())
        value->SetFocus();
}

void ThvScene::SetFocused(ThvVisualObject* value)
{
    if (value == m_focused)
        return;
    // Either handler may free an object or the scene, or move the focus on.
    const rtl::DispatchGuard held(this);
    const rtl::DispatchGuard next(value);
    ThvVisualObject* previous = m_focused;
    const rtl::DispatchGuard left(previous);
    Relink(m_focused, value);
    if (previous)
        previous->KillFocus();
    if (value && !value->IsFreed() && m_focused == value)
        value->EnterFocus();
}

void ThvScene::SetCaptured(ThvVisualObject* value)
{
    Relink(m_captured, value);
    if (m_host)
        m_host->SetCapture(value != nullptr);
}

void ThvScene::SetHovered(ThvVisualObject* value)
{
    Relink(m_hovered, value);
}

void ThvScene::SetSelected(ThvVisualObject* value)
{
    Relink(m_selected, value);
}

void ThvScene::SetDesignDblClickObject(ThvVisualObject* value)
{
    Relink(m_designDblClickObject, value);
}

void ThvScene::SetCamera(ThvCamera* value)
{
    Relink(m_camera, value);
}

void ThvScene::SetDesignCamera(ThvCamera* value)
{
    Relink(m_designCamera, value);
}

void ThvScene::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    if (m_captured && static_cast<rtl::TComponent*>(m_captured) == component && m_host)
        m_host->SetCapture(false);
    for (ThvVisualObject** link :
        { &m_activeControl, &m_focused, &m_captured, &m_hovered, &m_selected, &m_designDblClickObject }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
    for (ThvCamera** link : { &m_camera, &m_designCamera }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
    for (ThvDummy** link : { &m_designCameraZ, &m_designCameraX }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
    if (m_designGrid && static_cast<rtl::TComponent*>(m_designGrid) == component)
        m_designGrid = nullptr;
}
