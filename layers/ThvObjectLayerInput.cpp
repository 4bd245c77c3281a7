// The object layer's input: ray hits turned into layer points, the object under a layer point,
// press, move and release with capture and hover, the wheel with bubbling, keys, focus and
// the Tab walk, drops, and moving or resizing the layer with the mouse.
//
// Every handler of a 2D object may change the tree, the capture or the focus, or free the
// object or the layer. The layer holds itself and each object it calls (rtl::DispatchGuard),
// so whatever they free is torn down only when the outermost dispatch returns; the routing
// re-reads the layer's state after each call and stops once the layer is freed.

#include "layers/ThvObjectLayer.h"

#include "platform/rtl/Numbers.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvPosition.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

TwzVisualObject* Visual(TwzObject* object)
{
    return object ? object->AsVisual() : nullptr;
}

// One current drop target for all object layers together.
rtl::Watch<TwzVisualObject> s_dropTarget;

TwzDragObject ToDragObject(const ThvDragObject& data)
{
    TwzDragObject record;
    record.Source = data.Source;
    record.Files = data.Files;
    if (!data.Data.empty())
        record.Data = data.Data;
    return record;
}

} // namespace

// ---- the object under a layer point -------------------------------------------------------

TwzVisualObject* ThvCustomObjectLayer::ObjectAtLayerPoint(float x, float y)
{
    for (size_t i = m_roots.size(); i-- > 0;) {
        TwzVisualObject* root = m_roots[i]->AsVisual();
        if (!root)
            break;
        if (!root->GetVisible() && !m_designing)
            continue;
        if (TwzVisualObject* hit = root->FindObjectAt(x, y))
            return hit;
    }
    return nullptr;
}

TwzPoint ThvCustomObjectLayer::HitToLayerPoint(const ThvVector& hit)
{
    const ThvPoint h = AbsoluteToLocal(hvVectorToPoint(hit));
    const float width = GetWidth();
    const auto pixelWidth = static_cast<float>(PixelWidth());
    const auto pixelHeight = static_cast<float>(PixelHeight());
    const float x = width != 0 ? (width / 2 + h.X) / width * pixelWidth : 0;
    if (GetProjection() == hvProjectionCamera) {
        const float depth = GetDepth();
        return { x, depth != 0 ? (depth / 2 - h.Z) / depth * pixelHeight : 0 };
    }
    const float height = GetHeight();
    return { x, height != 0 ? (height / 2 + h.Y) / height * pixelHeight : 0 };
}

bool ThvCustomObjectLayer::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    if (!Inherited::RayCastIntersect(rayPos, rayDir, hit))
        return false;
    if (IsCaptured()) {
        // A held mouse that has left the plate is taken where the ray meets the plate's
        // plane, so the layer points go on beyond its edges at the same scale.
        HitOnPlatePlane(*this, rayPos, rayDir, hit);
        return true;
    }
    if (m_designing || !GetScene() || m_allowDrag)
        return true;
    // Only where a 2D object lies: elsewhere the click goes to what lies behind the layer.
    const TwzPoint p = HitToLayerPoint(hit);
    return ObjectAtLayerPoint(p.X, p.Y) != nullptr;
}

void HitOnPlatePlane(ThvVisualObject& layer, const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    const bool screen = layer.GetProjection() == hvProjectionScreen;
    const float position = screen ? rayPos.Z : rayPos.Y;
    const float direction = screen ? rayDir.Z : rayDir.Y;
    if (direction == 0 || !std::isfinite(position / direction))
        return;
    const float t = -position / direction;
    const ThvPoint local { rayPos.X + t * rayDir.X, rayPos.Y + t * rayDir.Y, rayPos.Z + t * rayDir.Z };
    hit = hvPointToVector(layer.LocalToAbsolute(local), 1);
}

ThvPoint ThvCustomObjectLayer::LayerPointToLocal(const TwzPoint& p) const
{
    const auto pixelWidth = static_cast<float>(PixelWidth());
    const auto pixelHeight = static_cast<float>(PixelHeight());
    const float width = GetWidth();
    const float x = pixelWidth != 0 ? p.X / pixelWidth * width - width / 2 : 0;
    if (GetProjection() == hvProjectionCamera) {
        const float depth = GetDepth();
        return { x, 0, pixelHeight != 0 ? depth / 2 - p.Y / pixelHeight * depth : 0 };
    }
    const float height = GetHeight();
    return { x, pixelHeight != 0 ? p.Y / pixelHeight * height - height / 2 : 0, 0 };
}

platform::ui::Rect ThvCustomObjectLayer::LayerRectToClient(const TwzRect& r)
{
    ThvScene* scene = GetScene();
    ThvCanvas* canvas = scene ? scene->GetCanvas() : nullptr;
    if (!canvas)
        return {};
    float left = 0, top = 0, right = 0, bottom = 0;
    const TwzPoint corners[]
        = { { r.Left, r.Top }, { r.Right, r.Top }, { r.Left, r.Bottom }, { r.Right, r.Bottom } };
    for (size_t i = 0; i < 4; ++i) {
        ThvPoint client;
        canvas->WorldToScreen(GetProjection(), LocalToAbsolute(LayerPointToLocal(corners[i])), client);
        left = i == 0 ? client.X : std::min(left, client.X);
        top = i == 0 ? client.Y : std::min(top, client.Y);
        right = i == 0 ? client.X : std::max(right, client.X);
        bottom = i == 0 ? client.Y : std::max(bottom, client.Y);
    }
    const auto whole = [](float value) {
        return static_cast<int32_t>(std::trunc(std::isnan(value) ? 0.0f : std::clamp(value, -1e9f, 1e9f)));
    };
    return { whole(left), whole(top), whole(right), whole(bottom) };
}

bool ThvCustomObjectLayer::ClientToLayerPoint(const ThvPoint& client, TwzPoint& layerPoint)
{
    ThvScene* scene = GetScene();
    ThvCanvas* canvas = scene ? scene->GetCanvas() : nullptr;
    if (!canvas)
        return false;
    ThvVector rayPos, rayDir;
    canvas->Pick(GetProjection(), client.X, client.Y, rayPos, rayDir);
    const ThvVector localPos = AbsoluteToLocalVector(rayPos);
    const ThvVector localDir = hvVectorNormalize(AbsoluteToLocalVector(rayDir));
    ThvVector hit;
    if (!RayCastIntersect(localPos, localDir, hit))
        return false;
    layerPoint = HitToLayerPoint(hit);
    return true;
}

// ---- mouse --------------------------------------------------------------------------------

void ThvCustomObjectLayer::LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    const rtl::DispatchGuard held(this);
    Inherited::LayerMouseDown(button, shift, x, y);
    if (IsFreed())
        return;
    if (ThvScene* scene = GetScene(); scene && !scene->GetDesignTime() && !m_designing) {
        SetFocus();
        if (IsFreed())
            return;
    }
    m_rawMousePos = { x, y };
    m_mousePos = { SnapToGrid(x), SnapToGrid(y) };
    m_downPos = m_mousePos;
    if (m_designing) {
        if (ui2d::HostDesignMode* design = GetDesignMode())
            design->MouseDown(button, shift, x, y);
        return;
    }

    TwzVisualObject* object = ObjectAtLayerPoint(m_mousePos.X, m_mousePos.Y);
    if (object && dynamic_cast<IwzSizeGrip*>(object)) {
        BeginWindowResize();
        return;
    }
    if (object) {
        const rtl::DispatchGuard target(object);
        const TwzPoint local = object->AbsoluteToLocal(m_mousePos);
        object->MouseDown(button, shift, local.X, local.Y);
        if (!object->IsFreed() && object->GetDragMode() == wzDragAutomatic)
            object->BeginAutoDrag();
        return;
    }
    if (m_allowDrag)
        BeginWindowDrag();
}

void ThvCustomObjectLayer::LayerMouseMove(TShiftState shift, float x, float y)
{
    const rtl::DispatchGuard held(this);
    Inherited::LayerMouseMove(shift, x, y);
    if (IsFreed())
        return;
    int32_t cursor = m_savedCursor;
    if (m_windowDragging) {
        // The pointer keeps its place on the moving layer.
        const ThvVector local { x - m_downPos.X, y - m_downPos.Y, 0, 0 };
        ThvVector moved = LocalToAbsoluteVector(local);
        if (auto* parent = dynamic_cast<ThvVisualObject*>(GetParent()))
            moved = parent->AbsoluteToLocalVector(moved);
        ThvPosition* position = GetPosition();
        position->SetX(position->GetX() + moved.X);
        position->SetY(position->GetY() + moved.Y);
        return;
    }
    if (m_windowResizing) {
        m_resizeSize.X += x - m_mousePos.X;
        m_resizeSize.Y += y - m_mousePos.Y;
        SetWidth(static_cast<float>(rtl::Round(m_resizeSize.X)));
        SetHeight(static_cast<float>(rtl::Round(m_resizeSize.Y)));
        ThvPosition* position = GetPosition();
        if (position->GetX() - GetWidth() / 2 != m_resizeEdge.X)
            position->SetX(m_resizeEdge.X + GetWidth() / 2);
        if (position->GetY() - GetHeight() / 2 != m_resizeEdge.Y)
            position->SetY(m_resizeEdge.Y + GetHeight() / 2);
        m_mousePos = { x, y };
        return;
    }
    m_mousePos = { SnapToGrid(x), SnapToGrid(y) };
    m_rawMousePos = { x, y };
    if (m_designing) {
        if (ui2d::HostDesignMode* design = GetDesignMode()) {
            design->MouseMove(shift, x, y);
            if (IsFreed())
                return;
        }
    } else {
        if (TwzVisualObject* captured = Visual(m_captured)) {
            const rtl::DispatchGuard target(captured);
            const TwzPoint local = captured->AbsoluteToLocal(m_mousePos);
            captured->MouseMove(shift, local.X, local.Y, 0, 0);
            return;
        }
        if (TwzVisualObject* object = ObjectAtLayerPoint(m_mousePos.X, m_mousePos.Y)) {
            const rtl::DispatchGuard target(object);
            cursor = object->GetCursor();
            if (object != m_hovered) {
                if (TwzVisualObject* old = Visual(m_hovered)) {
                    const rtl::DispatchGuard left(old);
                    old->MouseLeave();
                }
                if (object->IsFreed())
                    return;
                Relink(m_hovered, object);
                object->MouseEnter();
                if (object->IsFreed())
                    return;
            }
            const TwzPoint local = object->AbsoluteToLocal(m_mousePos);
            object->MouseMove(shift, local.X, local.Y, 0, 0);
            if (IsFreed())
                return;
        } else if (TwzVisualObject* old = Visual(m_hovered)) {
            const rtl::DispatchGuard left(old);
            Relink(m_hovered, nullptr);
            old->MouseLeave();
            if (IsFreed())
                return;
        }
    }
    m_downPos = m_mousePos;
    SetCursor(cursor);
}

void ThvCustomObjectLayer::LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    const rtl::DispatchGuard held(this);
    Inherited::LayerMouseUp(button, shift, x, y);
    if (IsFreed())
        return;
    const bool windowMode = m_windowDragging || m_windowResizing;
    m_windowDragging = false;
    m_windowResizing = false;
    if (windowMode && !m_captured && IsCaptured())
        ReleaseCapture();
    if (m_designing) {
        if (ui2d::HostDesignMode* design = GetDesignMode())
            design->MouseUp(button, shift, x, y);
        return;
    }
    // The release goes where the last press or move was, not where the release says.
    TwzVisualObject* target
        = m_captured ? Visual(m_captured) : ObjectAtLayerPoint(m_mousePos.X, m_mousePos.Y);
    if (!target)
        return;
    const rtl::DispatchGuard released(target);
    const TwzPoint local = target->AbsoluteToLocal(m_mousePos);
    target->MouseUp(button, shift, local.X, local.Y);
}

void ThvCustomObjectLayer::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    const rtl::DispatchGuard held(this);
    Inherited::MouseWheel(shift, wheelDelta, handled);
    if (IsFreed() || m_designing)
        return;
    if (TwzVisualObject* captured = Visual(m_captured)) {
        const rtl::DispatchGuard target(captured);
        captured->MouseWheel(shift, wheelDelta, handled);
        return;
    }
    // Holding the first object holds its parents too.
    TwzVisualObject* first = ObjectAtLayerPoint(m_mousePos.X, m_mousePos.Y);
    const rtl::DispatchGuard target(first);
    for (TwzVisualObject* object = first; object && !object->IsFreed();) {
        object->MouseWheel(shift, wheelDelta, handled);
        if (handled)
            break;
        TwzObject* parent = object->GetParent();
        object = parent ? parent->AsVisual() : nullptr;
    }
}

void ThvCustomObjectLayer::MouseLeave()
{
    const rtl::DispatchGuard held(this);
    Inherited::MouseLeave();
    if (IsFreed())
        return;
    if (TwzVisualObject* old = Visual(m_hovered)) {
        const rtl::DispatchGuard left(old);
        Relink(m_hovered, nullptr);
        old->MouseLeave();
    }
}

// ---- hints --------------------------------------------------------------------------------

bool ThvCustomObjectLayer::HintShow(ThvHintInfo& info)
{
    const rtl::DispatchGuard held(this);
    const bool inherited = Inherited::HintShow(info);
    if (IsFreed())
        return inherited;
    TwzPoint p;
    if (!ClientToLayerPoint(
            { static_cast<float>(info.CursorPos.x), static_cast<float>(info.CursorPos.y), 0 }, p))
        return inherited;
    TwzVisualObject* object = ObjectAtLayerPoint(p.X, p.Y);
    if (!object || !object->GetShowHint())
        return inherited;
    // The hint stays up while the pointer is over the object as the scene shows it.
    info.HintStr = object->GetHint();
    info.CursorRect = LayerRectToClient(object->GetAbsoluteRect());
    return true;
}

// ---- keys and focus -----------------------------------------------------------------------

void ThvCustomObjectLayer::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    if (TwzVisualObject* focused = Visual(m_focused)) {
        const rtl::DispatchGuard target(focused);
        focused->KeyDown(key, keyChar, shift);
    }
}

void ThvCustomObjectLayer::KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    const rtl::DispatchGuard held(this);
    if (m_designing && key == platform::ui::vk::kDelete) {
        if (ui2d::HostDesignMode* design = GetDesignMode())
            design->KeyUp(key);
        if (IsFreed())
            return;
    }
    if (TwzVisualObject* focused = Visual(m_focused)) {
        const rtl::DispatchGuard target(focused);
        focused->KeyUp(key, keyChar, shift);
    }
}

void ThvCustomObjectLayer::SetFocused(TwzObject* object)
{
    if (object == m_focused)
        return;
    const rtl::DispatchGuard held(this);
    const rtl::DispatchGuard next(object);
    TwzVisualObject* previous = Visual(m_focused);
    const rtl::DispatchGuard left(previous);
    Relink(m_focused, object);
    if (previous)
        previous->KillFocus();
    if (!object || object->IsFreed() || m_focused != object)
        return;
    if (TwzVisualObject* visual = object->AsVisual())
        visual->EnterFocus();
    // The layer takes the 3D scene's keys while one of its objects has the focus.
    if (!object->IsFreed() && m_focused == object)
        SetFocus();
}

namespace {

bool FocusableWithAncestors(TwzVisualObject* object)
{
    return object && object->GetCanFocused() && object->GetAbsoluteVisible();
}

} // namespace

void ThvCustomObjectLayer::EnterFocus()
{
    const rtl::DispatchGuard held(this);
    Inherited::EnterFocus();
    if (IsFreed() || m_focused)
        return;
    TwzVisualObject* root = Visual(GetRoot());
    if (!root)
        return;
    std::vector<TwzVisualObject*> list;
    root->GetTabOrderList(list, true);
    for (TwzVisualObject* entry : list) {
        if (FocusableWithAncestors(entry)) {
            entry->FocusObject();
            return;
        }
    }
}

void ThvCustomObjectLayer::KillFocus()
{
    const rtl::DispatchGuard held(this);
    Inherited::KillFocus();
    if (!IsFreed())
        SetFocused(nullptr);
}

void ThvCustomObjectLayer::AddVisibleToList(std::vector<rtl::TObject*>& list)
{
    // The layer stands first, so the 3D scene finds it; its 2D objects follow in tab order.
    if (!GetVisible())
        return;
    list.push_back(this);
    TwzVisualObject* root = Visual(GetRoot());
    if (!root)
        return;
    std::vector<TwzVisualObject*> objects;
    root->GetTabOrderList(objects, true);
    list.insert(list.end(), objects.begin(), objects.end());
}

bool ThvCustomObjectLayer::FocusEntry(rtl::TObject* entry)
{
    auto* object = dynamic_cast<TwzVisualObject*>(entry);
    if (!object || object->GetScene() != this || !FocusableWithAncestors(object))
        return false;
    const rtl::DispatchGuard held(this);
    object->FocusObject();
    return !IsFreed() && m_focused == object;
}

// ---- drag and drop ------------------------------------------------------------------------

void ThvCustomObjectLayer::DragOver(const ThvDragObject& data, const ThvPoint& point, bool& accept)
{
    const rtl::DispatchGuard held(this);
    Inherited::DragOver(data, point, accept);
    if (IsFreed() || accept)
        return;
    TwzPoint p;
    if (!ClientToLayerPoint(LocalToAbsolute(point), p))
        p = { -1e6f, -1e6f };
    DropTargetDragOver(data, p, accept);
}

void ThvCustomObjectLayer::DropTargetDragOver(const ThvDragObject& data, const TwzPoint& p, bool& accept)
{
    const TwzDragObject record = ToDragObject(data);
    TwzVisualObject* root = Visual(GetRoot());
    TwzVisualObject* target = root ? root->FindDropTarget(p, record) : nullptr;
    const rtl::DispatchGuard held(target);
    if (target != s_dropTarget.Get()) {
        if (TwzVisualObject* old = s_dropTarget) {
            const rtl::DispatchGuard left(old);
            s_dropTarget = nullptr;
            old->DragLeave();
        }
        if (target && target->IsFreed())
            target = nullptr;
        s_dropTarget = target;
        if (target)
            target->DragEnter(record, target->AbsoluteToLocal(p));
    }
    accept = target && !target->IsFreed();
}

void ThvCustomObjectLayer::DragDrop(const ThvDragObject& data, const ThvPoint& point)
{
    const rtl::DispatchGuard held(this);
    Inherited::DragDrop(data, point);
    if (IsFreed())
        return;
    TwzPoint p { -1e6f, -1e6f };
    ClientToLayerPoint(LocalToAbsolute(point), p);
    TwzVisualObject* target = s_dropTarget;
    s_dropTarget = nullptr;
    if (!target)
        return;
    const TwzDragObject record = ToDragObject(data);
    const rtl::DispatchGuard dropped(target);
    target->DragLeave();
    if (!target->IsFreed())
        target->DragDrop(record, target->AbsoluteToLocal(p));
}

// ---- moving and resizing the layer --------------------------------------------------------

void ThvCustomObjectLayer::BeginWindowDrag()
{
    if (ThvScene* scene = GetScene(); scene && GetLayerAlign() == hvLayerContents && scene->GetAllowDrag())
        scene->BeginWindowDrag();
    m_windowDragging = true;
    m_downPos = m_mousePos;
    Capture();
}

void ThvCustomObjectLayer::BeginWindowResize()
{
    if (ThvScene* scene = GetScene()) {
        switch (GetLayerAlign()) {
        case hvLayerRight:
        case hvLayerBottom:
        case hvLayerMostBottom:
        case hvLayerMostRight:
        case hvLayerContents:
            scene->BeginWindowResize();
            break;
        default:
            break;
        }
    }
    m_windowResizing = true;
    m_downPos = m_mousePos;
    const ThvPosition* position = GetPosition();
    m_resizeEdge = { static_cast<float>(rtl::Round(position->GetX() - GetWidth() / 2)),
        static_cast<float>(rtl::Round(position->GetY() - GetHeight() / 2)) };
    m_resizeSize = { GetWidth(), GetProjection() == hvProjectionScreen ? GetHeight() : GetDepth() };
    Capture();
}
