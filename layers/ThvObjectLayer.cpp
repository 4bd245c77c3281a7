// The object layer: construction and destruction, the root list and the host interface, the
// dirty rectangles, the painting pass and the copy of the painted rectangles into the
// buffer, streaming and registration. Input is in ThvObjectLayerInput.cpp.

#include "layers/ThvObjectLayer.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/Application.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvPosition.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

namespace {

// More rectangles than this are painted as their union.
constexpr size_t kMaxPaintRects = 20;

constexpr rtl::TPropInfo kCustomObjectLayerProps[] = {
    RTL_PROP(ThvVisualObject, CanFocused, Boolean, true),
    RTL_PROP(ThvCustomObjectLayer, ActiveControl, Component, nullptr),
    RTL_PROP(ThvCustomObjectLayer, AnimatedCaret, Boolean, true),
};

constexpr rtl::TPropInfo kObjectLayerProps[] = {
    RTL_PROP(ThvCustomObjectLayer, Fill, Class, rtl::kNoDefault),
    RTL_PROP(ThvCustomObjectLayer, Style, Component, nullptr),
    RTL_PROP(ThvCustomBufferLayer, Resolution, Integer, 60),
    RTL_PROP(ThvCustomObjectLayer, TextRendering, Enum, wzAntiAlias),
};

constexpr rtl::TPropInfo kGUIObjectLayerProps[] = {
    RTL_PROP(ThvCustomObjectLayer, Fill, Class, rtl::kNoDefault),
    RTL_PROP(ThvCustomObjectLayer, Style, Component, nullptr),
    RTL_PROP(ThvCustomObjectLayer, TextRendering, Enum, wzAntiAlias),
    RTL_PROP(ThvCustomObjectLayer, AllowDrag, Boolean, false),
    RTL_PROP(ThvCustomLayer, LayerAlign, Enum, hvLayerNone),
    RTL_PROP(ThvVisualObject, ZWrite, Boolean, false),
};

// Reported coordinates may be anything an object computed; far outside any layer they are
// all the same.
float WholePixels(float value)
{
    if (std::isnan(value))
        return 0;
    return std::trunc(std::clamp(value, -1e7f, 1e7f));
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvCustomObjectLayer, .props = kCustomObjectLayerProps)
RTL_IMPLEMENT_CLASS(ThvObjectLayer, .props = kObjectLayerProps)
RTL_IMPLEMENT_CLASS(ThvGUIObjectLayer, .props = kGUIObjectLayerProps)
RTL_IMPLEMENT_CLASS(ThvWZLayer)
RTL_IMPLEMENT_CLASS(ThvScreenWZLayer)

// Puts the paint's state back on every way out, exceptions included, unless the layer went.
class ThvCustomObjectLayer::PaintScope {
public:
    explicit PaintScope(ThvCustomObjectLayer& layer)
        : m_layer(&layer)
    {
        layer.m_painting = true;
    }
    ~PaintScope()
    {
        if (!m_layer)
            return;
        m_layer->m_updateRects.clear();
        m_layer->m_painting = false;
    }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

private:
    rtl::Watch<ThvCustomObjectLayer> m_layer;
};

ThvCustomObjectLayer::ThvCustomObjectLayer(rtl::TComponent* owner)
    : ThvCustomBufferLayer(owner)
{
    RegisterScene(this);
    SetCanFocused(true);
    m_designing = IsDesigning();
    m_textRendering = wzAntiAlias;
    if (DefaultCanvasClass) {
        m_canvas = DefaultCanvasClass->Create(std::max(PixelWidth(), 1), std::max(PixelHeight(), 1));
        m_canvas->SetTextRendering(m_textRendering);
    }
    SetShowHint(true);
    SetDragDisableHighlight(true);
    SetWidth(8);
    SetDepth(8);
    SetAutoCapture(true);
    m_fill = std::make_unique<TwzBrush>(wzBrushSolid, 0xFF505050u);
    m_fill->SetStyle(wzBrushNone);
    m_fill->OnChanged.Bind<&ThvCustomObjectLayer::FillChanged>(this);
    ++SceneCount;
}

ThvCustomObjectLayer::~ThvCustomObjectLayer()
{
    assert(m_roots.empty());
}

void ThvCustomObjectLayer::BeforeDestruction()
{
    --SceneCount;
    if (SceneCount == 0)
        FreeAniThread();
    // The design menu and the design state go before the objects they refer to.
    m_designMode.reset();
    SetStyle(nullptr);
    if (m_readyTimer != 0) {
        if (platform::ui::Application* app = platform::ui::Application::TryCurrent())
            app->StopTimer(m_readyTimer);
        m_readyTimer = 0;
    }
    m_linkedFrame = nullptr;
    while (!m_roots.empty()) {
        TwzObject* root = m_roots.front();
        m_roots.erase(m_roots.begin());
        root->AssignSceneRecursive(nullptr);
        root->Free();
    }
    m_fill.reset();
    m_canvas.reset();
    UnregisterScene(this);
    Inherited::BeforeDestruction();
}

// ---- roots and the host interface ---------------------------------------------------------

void ThvCustomObjectLayer::AddObject(TwzObject* object)
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
        RealignRoot();
    }
}

void ThvCustomObjectLayer::RemoveObject(TwzObject* object)
{
    if (!object || m_roots.empty())
        return;
    Repaint();
    QueueWholeLayer();
    object->SetScene(nullptr);
    Notification(object, rtl::opRemove);
    std::erase(m_roots, object);
}

TwzObject* ThvCustomObjectLayer::GetRoot() const
{
    return m_roots.empty() ? nullptr : m_roots.front();
}

rtl::TComponent* ThvCustomObjectLayer::GetComponent() const
{
    return const_cast<ThvCustomObjectLayer*>(this);
}

void ThvCustomObjectLayer::RealignRoot()
{
    TwzVisualObject* root = m_roots.empty() ? nullptr : m_roots.front()->AsVisual();
    if (!root)
        return;
    const TwzPoint scale = root->GetScale()->GetPoint();
    if (scale.X == 0 || scale.Y == 0)
        return;
    root->SetBounds(0, 0, static_cast<float>(rtl::Round(static_cast<double>(PixelWidth()) / scale.X)),
        static_cast<float>(rtl::Round(static_cast<double>(PixelHeight()) / scale.Y)));
}

void ThvCustomObjectLayer::EndUpdate()
{
    m_disableUpdate = false;
    PaintObjects();
}

void ThvCustomObjectLayer::SetStyle(TwzResources* value)
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

void ThvCustomObjectLayer::UpdateStyle()
{
    if (TwzObject* root = GetRoot())
        root->UpdateStyle();
}

int32_t ThvCustomObjectLayer::GetUpdateRectsCount() const
{
    return static_cast<int32_t>(m_updateRects.size());
}

TwzRect ThvCustomObjectLayer::GetUpdateRect(int32_t index) const
{
    return m_updateRects[static_cast<size_t>(index)];
}

TwzPoint ThvCustomObjectLayer::LocalToScreen(const TwzPoint& point) const
{
    const TwzPoint client { static_cast<float>(rtl::Round(point.X)),
        static_cast<float>(rtl::Round(point.Y)) };
    ThvScene* scene = GetScene();
    const TwzPoint screen = scene ? scene->ClientToScreen(client) : client;
    const ThvPosition* position = GetPosition();
    return { screen.X + static_cast<float>(rtl::Round(position->GetX() - GetWidth() / 2)),
        screen.Y + static_cast<float>(rtl::Round(position->GetY() - GetHeight() / 2)) };
}

void ThvCustomObjectLayer::BeginDrag(TwzObject* object)
{
    if (ThvScene* scene = GetScene(); scene && object)
        scene->BeginAutoDragOf(object);
}

// ---- links --------------------------------------------------------------------------------

bool ThvCustomObjectLayer::Holds(const rtl::TComponent* component) const
{
    for (const TwzObject* link : { m_focused, m_captured, m_hovered, m_selected }) {
        if (link && static_cast<const rtl::TComponent*>(link) == component)
            return true;
    }
    return m_activeControl && static_cast<const rtl::TComponent*>(m_activeControl) == component;
}

void ThvCustomObjectLayer::Relink(TwzObject*& link, TwzObject* value)
{
    if (link == value)
        return;
    TwzObject* old = link;
    link = value;
    if (old && !Holds(old))
        old->RemoveFreeNotification(this);
    if (value)
        value->FreeNotification(this);
}

void ThvCustomObjectLayer::SetSelected(TwzObject* object)
{
    if (!m_designing)
        return;
    if (!object || (object->AsVisual() && object->GetScene() == this))
        Relink(m_selected, object);
}

// ---- design mode --------------------------------------------------------------------------

ui2d::HostDesignMode* ThvCustomObjectLayer::GetDesignMode()
{
    if (!m_designMode && m_designing && layers::MakeLayerDesignMode && !IsDestroying())
        m_designMode = layers::MakeLayerDesignMode(*this);
    return m_designMode.get();
}

TwzObject* ThvCustomObjectLayer::GetDesignDropTarget() const
{
    return m_designMode ? m_designMode->GetDropTarget() : nullptr;
}

void ThvCustomObjectLayer::InsertObjectByClassName(const std::string& className)
{
    if (ui2d::HostDesignMode* design = GetDesignMode())
        design->InsertObjectByClassName(className);
}

void ThvCustomObjectLayer::SetCaptured(TwzObject* object)
{
    Relink(m_captured, object);
    if (object)
        Capture();
    else if (IsCaptured())
        ReleaseCapture();
}

void ThvCustomObjectLayer::SetActiveControl(TwzControl* value)
{
    if (value == m_activeControl)
        return;
    TwzControl* old = m_activeControl;
    m_activeControl = value;
    if (old && !Holds(old))
        old->RemoveFreeNotification(this);
    if (value) {
        value->FreeNotification(this);
        if (!IsLoading())
            value->FocusObject();
    }
}

void ThvCustomObjectLayer::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    for (TwzObject** link : { &m_focused, &m_captured, &m_hovered, &m_selected }) {
        if (*link && static_cast<rtl::TComponent*>(*link) == component)
            *link = nullptr;
    }
    if (m_activeControl && static_cast<rtl::TComponent*>(m_activeControl) == component)
        m_activeControl = nullptr;
    if (m_linkedFrame == component)
        m_linkedFrame = nullptr;
    if (m_style && static_cast<rtl::TComponent*>(m_style) == component)
        SetStyle(nullptr);
}

// ---- properties ---------------------------------------------------------------------------

void ThvCustomObjectLayer::SetFill(TwzBrush* value)
{
    if (value && value != m_fill.get())
        m_fill->Assign(*value);
}

void ThvCustomObjectLayer::FillChanged(rtl::TObject*)
{
    m_updateRects.clear();
    QueueWholeLayer();
}

void ThvCustomObjectLayer::QueueWholeLayer()
{
    AddUpdateRect({ 0, 0, static_cast<float>(PixelWidth()), static_cast<float>(PixelHeight()) });
}

void ThvCustomObjectLayer::SetTextRendering(TwzTextRendering value)
{
    m_textRendering = value;
    if (m_canvas)
        m_canvas->SetTextRendering(value);
    AddUpdateRect({ 0, 0, 10000, 10000 });
}

void ThvCustomObjectLayer::SetVisible(bool value)
{
    Inherited::SetVisible(value);
    if (value)
        QueueWholeLayer();
}

// ---- dirty rectangles ---------------------------------------------------------------------

void ThvCustomObjectLayer::AddUpdateRect(const TwzRect& rect)
{
    if (m_disableUpdate || IsDestroying() || !m_canvas)
        return;
    if (m_canvas->IsBuffered() && !m_canvas->GetBufferBits())
        return;
    const TwzRect r { WholePixels(rect.Left), WholePixels(rect.Top), WholePixels(rect.Right) + 1,
        WholePixels(rect.Bottom) + 1 };
    if (r.Left >= static_cast<float>(PixelWidth()) || r.Right <= 0
        || r.Top >= static_cast<float>(PixelHeight()) || r.Bottom <= 0)
        return;
    m_updateRects.push_back(r);
    Repaint();
}

// ---- painting -----------------------------------------------------------------------------

void ThvCustomObjectLayer::PaintObjects()
{
    if ((m_linkedFrame && !m_designing) || m_painting || m_updateRects.empty())
        return;
    PaintScope scope(*this);
    rtl::Watch<ThvCustomObjectLayer> self(this);
    if (m_updateRects.size() > kMaxPaintRects) {
        TwzRect all = m_updateRects.front();
        for (const TwzRect& r : m_updateRects)
            all = RectUnion(all, r);
        m_updateRects.assign(1, all);
    }
    m_paintedRects = m_updateRects;

    TwzCanvas* canvas = m_canvas.get();
    if (!canvas || !canvas->BeginScene())
        return;
    canvas->ResetClipRect();
    canvas->SetMatrix(IdentityMatrix);
    canvas->SetClipRects(m_updateRects);
    PaintBackground();
    canvas->SetStrokeThickness(1);
    canvas->SetStrokeCap(wzCapFlat);
    canvas->SetStrokeJoin(wzJoinMiter);
    canvas->SetStrokeDash(wzDashSolid);
    canvas->GetStroke().SetStyle(wzBrushSolid);
    canvas->GetFill().SetStyle(wzBrushSolid);

    // Objects may change the tree while they paint: the walk goes over what was there and
    // skips what has gone since.
    const std::vector<rtl::Watch<TwzObject>> roots(m_roots.begin(), m_roots.end());
    for (const rtl::Watch<TwzObject>& root : roots) {
        TwzVisualObject* visual = root ? root->AsVisual() : nullptr;
        if (!visual || !visual->GetVisible())
            continue;
        const TwzRect area = visual->GetUpdateRect();
        const bool dirty = std::any_of(m_updateRects.begin(), m_updateRects.end(),
            [&](const TwzRect& r) { return RectsIntersect(area, r); });
        if (!dirty)
            continue;
        rtl::Watch<TwzVisualObject> alive(visual);
        canvas->SetMatrix(visual->GetAbsoluteMatrix());
        visual->BeforePaint();
        if (alive)
            visual->Paint();
        if (alive)
            visual->PaintChildren();
        if (!self)
            return;
    }
    if (m_designing && m_canvas.get() == canvas) {
        if (ui2d::HostDesignMode* design = GetDesignMode()) {
            design->PaintOverlay(*canvas);
            if (!self)
                return;
        }
    }
    if (m_canvas.get() != canvas)
        return;
    canvas->EndScene();
}

void ThvCustomObjectLayer::PaintBackground()
{
    TwzCanvas& canvas = *m_canvas;
    const TwzBrushStyle style = m_fill->GetStyle();
    const TwzColor color = m_fill->GetSolidColor();
    if (style == wzBrushNone || (style == wzBrushSolid && (color >> 24) == 0)) {
        // Transparent there: the plate shows what lies behind it.
        for (const TwzRect& r : m_updateRects)
            canvas.ClearRect(r, color & 0x00FFFFFFu);
        return;
    }
    canvas.GetFill().Assign(*m_fill);
    canvas.FillRect({ -1, -1, static_cast<float>(PixelWidth()) + 1, static_cast<float>(PixelHeight()) + 1 },
        0, 0, TwzCorners {}, 1);
}

void ThvCustomObjectLayer::CopyPaintedRects()
{
    ThvBitmap* buffer = GetBuffer();
    if (!m_canvas || !m_canvas->GetBufferBits() || !buffer)
        return;
    const int32_t width = std::min(m_canvas->GetWidth(), buffer->GetWidth());
    const int32_t height = std::min(m_canvas->GetHeight(), buffer->GetHeight());
    std::vector<ThvBitmap::Area> areas;
    for (const TwzRect& r : m_paintedRects) {
        const int32_t left = std::max(static_cast<int32_t>(WholePixels(r.Left)), 0);
        const int32_t top = std::max(static_cast<int32_t>(WholePixels(r.Top)), 0);
        const int32_t right = std::min(static_cast<int32_t>(WholePixels(std::ceil(r.Right))), width);
        const int32_t bottom = std::min(static_cast<int32_t>(WholePixels(std::ceil(r.Bottom))), height);
        if (right > left && bottom > top)
            areas.push_back({ left, top, right, bottom });
    }
    if (areas.empty())
        return;
    m_canvas->Flush();
    uint32_t* bits = nullptr;
    if (!buffer->Map(bits, true))
        return;
    // Only the painted rectangles move, and only they reach the texture.
    const uint32_t* source = m_canvas->GetBufferBits();
    const auto sourceStride = static_cast<size_t>(m_canvas->GetWidth());
    const auto targetStride = static_cast<size_t>(buffer->GetWidth());
    for (const ThvBitmap::Area& a : areas) {
        for (int32_t y = a.top; y < a.bottom; ++y)
            std::memcpy(bits + static_cast<size_t>(y) * targetStride + static_cast<size_t>(a.left),
                source + static_cast<size_t>(y) * sourceStride + static_cast<size_t>(a.left),
                static_cast<size_t>(a.right - a.left) * sizeof(uint32_t));
    }
    buffer->Unmap(areas);
}

void ThvCustomObjectLayer::BeforePaint()
{
    ThvBitmap* buffer = GetBuffer();
    if (buffer && (buffer->GetWidth() != PixelWidth() || buffer->GetHeight() != PixelHeight()))
        QueueWholeLayer();
    if (m_canvas && (m_canvas->GetWidth() != PixelWidth() || m_canvas->GetHeight() != PixelHeight())) {
        m_canvas->ResizeBackBuffer(std::max(PixelWidth(), 1), std::max(PixelHeight(), 1));
        m_canvas->SetTextRendering(m_textRendering);
        RealignRoot();
        // The new back buffer holds nothing yet.
        m_updateRects.clear();
        QueueWholeLayer();
    }
    Inherited::BeforePaint();
}

void ThvCustomObjectLayer::Render()
{
    rtl::Watch<ThvCustomObjectLayer> self(this);
    if (GetBuffer() && !m_updateRects.empty()) {
        PaintObjects();
        if (!self)
            return;
        CopyPaintedRects();
    }
    Inherited::Render();
}

// ---- streaming ----------------------------------------------------------------------------

void ThvCustomObjectLayer::GetChildren(const rtl::TGetChildProc& proc, rtl::TComponent* root)
{
    Inherited::GetChildren(proc, root);
    const std::vector<TwzObject*> roots = m_roots;
    for (TwzObject* object : roots) {
        if (object->GetStored())
            proc(object);
    }
}

void ThvCustomObjectLayer::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineProperty(
        "DesignSnapGridShow",
        [this](rtl::TReader& reader) {
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

void ThvCustomObjectLayer::Loaded()
{
    Inherited::Loaded();
    m_savedCursor = GetCursor();
    if (m_designSnapToLines)
        m_designSnapToGrid = false;
    // What was reported while loading was dropped: the whole layer is painted a moment later.
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!app || m_readyTimer != 0)
        return;
    m_readyTimer = app->StartTimer(1, [this](uint32_t id) {
        platform::ui::Application::Current().StopTimer(id);
        m_readyTimer = 0;
        AddUpdateRect({ 0, 0, 65535, 65535 });
    });
}

float ThvCustomObjectLayer::SnapToGrid(float value) const
{
    if (!m_designSnapToGrid || m_gridSize == 0)
        return value;
    return std::trunc(value / m_gridSize) * m_gridSize;
}

// ---- the two layers -----------------------------------------------------------------------

ThvObjectLayer::ThvObjectLayer(rtl::TComponent* owner)
    : ThvCustomObjectLayer(owner)
{ }

ThvGUIObjectLayer::ThvGUIObjectLayer(rtl::TComponent* owner)
    : ThvCustomObjectLayer(owner)
{
    SetProjection(hvProjectionScreen);
    // The buffer follows the plate only in the size setters: set them in the new projection.
    SetWidth(256);
    SetHeight(256);
    SetZWrite(false);
}

// ---- registration -------------------------------------------------------------------------

void RegisterObjectLayers()
{
    static const rtl::TClassInfo* const kShapes[] = { &ThvObjectLayer::StaticClass() };
    static const rtl::TClassInfo* const kGui[] = { &ThvGUIObjectLayer::StaticClass() };
    Register3DObjects("Shapes", kShapes);
    Register3DObjects("GUI", kGui);
    rtl::RegisterClass<ThvWZLayer>();
    rtl::RegisterClass<ThvScreenWZLayer>();
}
