// The scene control's input: picking, mouse routing with hover and capture, the wheel, keys
// and typed characters, the Tab walk of the focus, hints, and moving or resizing the owner
// form with the mouse.
//
// Every handler of an object may change the tree, the capture or the focus, or free the
// object or the scene. The scene holds itself and each object it calls (rtl::DispatchGuard),
// so whatever they free is torn down only when the outermost dispatch returns; the routing
// re-reads the scene's state after each call and stops once the scene is freed.

#include "scene3d/ThvScene.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvSceneDesign.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/ui/Window.h"

#include <cmath>
#include <vector>

using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

namespace {

constexpr float kFarAway = 65535;

bool IsDesignObject(const ThvObject* object)
{
    return object->GetTag() == scene3d::kDesignObjectTag;
}

ThvVisualObject* VisualParentOf(ThvVisualObject* object)
{
    ThvObject* parent = object->GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

} // namespace

// ---- picking ------------------------------------------------------------------------------

ThvVisualObject* ThvScene::ObjectAtPoint(float x, float y)
{
    if (!m_canvas)
        return nullptr;
    const bool design = IsDesigning();
    for (size_t i = m_objects.size(); i-- > 0;) {
        auto* root = m_objects[i]->AsVisual();
        if (!root)
            break;
        if (IsDesignObject(root) || (!root->GetVisible() && !design) || (root->GetLocked() && design))
            continue;
        // Screen-projected objects (the GUI layers) win over 3D objects nearer to the camera.
        float distance = kFarAway;
        if (ThvVisualObject* hit = root->ObjectAtPoint(hvProjectionScreen, distance, x, y))
            return hit;
        ThvVisualObject* rootObject = GetRoot();
        distance = kFarAway;
        ThvVisualObject* hit = root->ObjectAtPoint(hvProjectionCamera, distance, x, y);
        if (hit && hit != rootObject)
            return hit;
        // Empty space belongs to the root object, which is how the application hears of the
        // mouse over the empty view.
        if (!design && !m_allowDrag && rootObject && rootObject->GetHitTest())
            return rootObject;
    }
    return nullptr;
}

void ThvScene::ConvertPointer(
    ThvVisualObject* object, float& x, float& y, ThvVector& rayPos, ThvVector& rayDir)
{
    const ThvPoint local = object->AbsoluteToLocal({ m_mousePos.X, m_mousePos.Y, 0 });
    x = local.X;
    y = local.Y;
    ThvVector pos {};
    ThvVector dir {};
    if (m_canvas)
        m_canvas->Pick(object->GetProjection(), m_mousePos.X, m_mousePos.Y, pos, dir);
    rayPos = object->AbsoluteToLocalVector(pos);
    rayDir = object->AbsoluteToLocalVector(dir);
}

// ---- mouse --------------------------------------------------------------------------------

void ThvScene::MouseDown(MouseButton button, ShiftState shift, int32_t x, int32_t y)
{
    const rtl::DispatchGuard held(this);
    OnMouseDown(this, button, shift, x, y);
    if (IsFreed() || !m_canvas)
        return;
    if (!IsDesigning() && m_host)
        m_host->SetFocus();
    m_mousePos = { static_cast<float>(x), static_cast<float>(y), 0 };
    m_snappedPos = { SnapToGrid(static_cast<float>(x)), SnapToGrid(static_cast<float>(y)), 0 };
    m_lastPos = m_snappedPos;
    if (IsDesigning()) {
        if (scene3d::DesignMode* design = GetDesignMode())
            design->MouseDown(button, shift);
        return;
    }

    if (ThvVisualObject* object = ObjectAtPoint(m_mousePos.X, m_mousePos.Y)) {
        const rtl::DispatchGuard target(object);
        float lx = 0, ly = 0;
        ThvVector rayPos {}, rayDir {};
        ConvertPointer(object, lx, ly, rayPos, rayDir);
        object->MouseDown(button, shift, lx, ly, rayPos, rayDir);
    } else if (m_allowDrag && button == MouseButton::Left) {
        BeginWindowDrag();
    }
}

void ThvScene::MouseMove(ShiftState shift, int32_t x, int32_t y)
{
    const rtl::DispatchGuard held(this);
    OnMouseMove(this, shift, x, y);
    if (IsFreed() || !m_canvas)
        return;
    int32_t cursor = m_savedCursor;

    if (m_windowDrag.Active()) {
        // Screen pixels throughout: the form moves under the pointer while it is dragged, so
        // coordinates inside it would run away.
        m_windowDrag.Track(ScreenPointOf(x, y));
        if (GetWindowResizing())
            m_mousePos = { static_cast<float>(x), static_cast<float>(y), 0 };
        return;
    }

    m_snappedPos = { SnapToGrid(static_cast<float>(x)), SnapToGrid(static_cast<float>(y)), 0 };
    m_mousePos = { static_cast<float>(x), static_cast<float>(y), 0 };
    if (IsDesigning()) {
        if (scene3d::DesignMode* design = GetDesignMode())
            design->MouseMove(shift);
        if (IsFreed())
            return;
    } else if (m_captured) {
        ThvVisualObject* captured = m_captured;
        const rtl::DispatchGuard target(captured);
        float lx = 0, ly = 0;
        ThvVector rayPos {}, rayDir {};
        ConvertPointer(captured, lx, ly, rayPos, rayDir);
        captured->MouseMove(shift, lx, ly, 0, 0, rayPos, rayDir);
    } else if (ThvVisualObject* object = ObjectAtPoint(m_mousePos.X, m_mousePos.Y)) {
        const rtl::DispatchGuard target(object);
        cursor = object->GetCursor();
        if (object != m_hovered) {
            if (ThvVisualObject* old = m_hovered) {
                const rtl::DispatchGuard left(old);
                old->MouseLeave();
            }
            if (object->IsFreed())
                return;
            SetHovered(object);
            object->MouseEnter();
            if (object->IsFreed())
                return;
        }
        float lx = 0, ly = 0;
        ThvVector rayPos {}, rayDir {};
        ConvertPointer(object, lx, ly, rayPos, rayDir);
        object->MouseMove(shift, lx, ly, 0, 0, rayPos, rayDir);
    } else if (ThvVisualObject* old = m_hovered) {
        const rtl::DispatchGuard left(old);
        SetHovered(nullptr);
        old->MouseLeave();
    }
    if (IsFreed())
        return;
    m_lastPos = m_snappedPos;
    if (m_host)
        m_host->SetCursor(cursor);
}

void ThvScene::MouseUp(MouseButton button, ShiftState shift, int32_t x, int32_t y)
{
    const rtl::DispatchGuard held(this);
    OnMouseUp(this, button, shift, x, y);
    if (IsFreed() || !m_canvas)
        return;
    if (m_windowDrag.Active()) {
        m_windowDrag.End();
        if (m_host)
            m_host->SetCapture(m_captured != nullptr);
    }
    if (IsDesigning()) {
        if (scene3d::DesignMode* design = GetDesignMode())
            design->MouseUp(button, shift);
        return;
    }

    // The release goes where the last press or move was, not where the release message says.
    ThvVisualObject* target = m_captured ? m_captured : ObjectAtPoint(m_mousePos.X, m_mousePos.Y);
    if (!target)
        return;
    const rtl::DispatchGuard released(target);
    float lx = 0, ly = 0;
    ThvVector rayPos {}, rayDir {};
    ConvertPointer(target, lx, ly, rayPos, rayDir);
    target->MouseUp(button, shift, lx, ly, rayPos, rayDir);
}

bool ThvScene::DoMouseWheel(ShiftState shift, int32_t wheelDelta, platform::ui::Point mousePos)
{
    const rtl::DispatchGuard held(this);
    bool handled = false;
    OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (IsFreed())
        return handled;
    if (IsDesigning()) {
        if (scene3d::DesignMode* design = GetDesignMode())
            design->MouseWheel(wheelDelta);
        return true;
    }

    if (ThvVisualObject* captured = m_captured) {
        const rtl::DispatchGuard target(captured);
        captured->MouseWheel(shift, wheelDelta, handled);
        return handled;
    }
    // The wheel goes to the object under the last mouse point and bubbles up its visual
    // parents until one handles it. Holding the first holds its parents too.
    ThvVisualObject* first = ObjectAtPoint(m_snappedPos.X, m_snappedPos.Y);
    const rtl::DispatchGuard target(first);
    for (ThvVisualObject* object = first; object && !object->IsFreed(); object = VisualParentOf(object)) {
        object->MouseWheel(shift, wheelDelta, handled);
        if (handled)
            break;
    }
    return handled;
}

void ThvScene::CMMouseLeave()
{
    if (ThvVisualObject* old = m_hovered) {
        const rtl::DispatchGuard held(old);
        SetHovered(nullptr);
        old->MouseLeave();
    }
}

void ThvScene::CaptureLost()
{
    // Another grab took the pointer (a popup menu opened on the press keeps the release): the
    // drags of the scene and of the capturing object end here.
    m_windowDrag.End();
    if (m_captured)
        Relink(m_captured, static_cast<ThvVisualObject*>(nullptr));
}

// ---- keys ---------------------------------------------------------------------------------

void ThvScene::KeyDown(uint16_t& key, ShiftState shift)
{
    m_keyShiftState = shift;
    if (shift.Has(ShiftFlag::Meta) && (key == 'C' || key == 'V' || key == 'X' || key == 'Z')) {
        // The clipboard keys of the Meta modifier arrive as the characters of Ctrl+C ... Ctrl+Z.
        char16_t keyChar = static_cast<char16_t>(key - 'A' + 'a');
        key = 0;
        uint16_t none = 0;
        const rtl::DispatchGuard held(this);
        DispatchKeyDown(none, keyChar, ShiftState { ShiftFlag::Ctrl });
        if (IsFreed())
            return;
        none = 0;
        DispatchKeyUp(none, keyChar, ShiftState { ShiftFlag::Ctrl });
        return;
    }
    if (key == platform::ui::vk::kTab && GetRoot()) {
        key = 0;
        MoveFocus(shift.Has(ShiftFlag::Shift));
        return;
    }
    if (ThvVisualObject* focused = m_focused) {
        const rtl::DispatchGuard held(focused);
        char16_t keyChar = 0;
        focused->KeyDown(key, keyChar, shift);
    }
}

void ThvScene::KeyUp(uint16_t& key, ShiftState shift)
{
    m_keyShiftState = {};
    if (IsDesigning() && key == platform::ui::vk::kDelete) {
        if (scene3d::DesignMode* design = GetDesignMode())
            design->KeyUp(key);
        return;
    }
    if (ThvVisualObject* focused = m_focused) {
        const rtl::DispatchGuard held(focused);
        char16_t keyChar = 0;
        focused->KeyUp(key, keyChar, shift);
    }
}

void ThvScene::KeyPress(char16_t unit)
{
    // The control characters that Ctrl+C, Ctrl+V, Ctrl+X and Ctrl+Z type reach the objects as
    // the letters themselves.
    char16_t keyChar = unit;
    switch (unit) {
    case 3:
        keyChar = u'c';
        break;
    case 22:
        keyChar = u'v';
        break;
    case 24:
        keyChar = u'x';
        break;
    case 26:
        keyChar = u'z';
        break;
    default:
        break;
    }
    const rtl::DispatchGuard held(this);
    const ShiftState shift = m_keyShiftState;
    uint16_t key = 0;
    DispatchKeyDown(key, keyChar, shift);
    if (IsFreed())
        return;
    key = 0;
    DispatchKeyUp(key, keyChar, shift);
}

void ThvScene::DispatchKeyDown(uint16_t& key, char16_t& keyChar, ShiftState shift)
{
    if (key == platform::ui::vk::kTab && GetRoot()) {
        key = 0;
        MoveFocus(shift.Has(ShiftFlag::Shift));
        return;
    }
    if (ThvVisualObject* focused = m_focused) {
        const rtl::DispatchGuard held(focused);
        focused->KeyDown(key, keyChar, shift);
    }
}

void ThvScene::DispatchKeyUp(uint16_t& key, char16_t& keyChar, ShiftState shift)
{
    if (IsDesigning() && key == platform::ui::vk::kDelete) {
        if (scene3d::DesignMode* design = GetDesignMode())
            design->KeyUp(key);
        return;
    }
    if (ThvVisualObject* focused = m_focused) {
        const rtl::DispatchGuard held(focused);
        focused->KeyUp(key, keyChar, shift);
    }
}

// ---- focus walk ---------------------------------------------------------------------------

void ThvScene::MoveFocus(bool backwards)
{
    ThvVisualObject* root = GetRoot();
    if (!root)
        return;
    std::vector<rtl::TObject*> list;
    root->AddVisibleToList(list);
    const int count = static_cast<int>(list.size());
    if (count == 0)
        return;

    // The object layers live among the entries; they answer for the 2D objects they host.
    std::vector<scene3d::IObjectLayer*> layers;
    for (rtl::TObject* entry : list) {
        if (auto* layer = dynamic_cast<scene3d::IObjectLayer*>(entry))
            layers.push_back(layer);
    }

    rtl::TObject* current = m_focused;
    if (auto* layer = dynamic_cast<scene3d::IObjectLayer*>(m_focused))
        current = layer->GetFocused();
    int c = -1;
    for (int i = 0; current && i < count; ++i) {
        if (list[static_cast<size_t>(i)] == current) {
            c = i;
            break;
        }
    }

    // Entries are watched: focusing one runs handlers that may free others.
    std::vector<rtl::Watch<rtl::TComponent>> watched;
    watched.reserve(list.size());
    for (rtl::TObject* entry : list)
        watched.emplace_back(dynamic_cast<rtl::TComponent*>(entry));

    const auto tryEntry = [&](int i) {
        rtl::TComponent* entry = watched[static_cast<size_t>(i)];
        if (!entry)
            return false;
        if (auto* visual = dynamic_cast<ThvVisualObject*>(entry)) {
            if (!visual->GetVisible() || !visual->GetCanFocused() || visual == m_focused
                || IsDesignObject(visual))
                return false;
            visual->SetFocus();
            return true;
        }
        for (scene3d::IObjectLayer* layer : layers) {
            if (layer->FocusEntry(entry))
                return true;
        }
        return false;
    };

    // Tab goes from the entry after the current one to the end, then wraps around from the
    // first; Shift+Tab the other way. Without a current entry the whole list is searched.
    const rtl::DispatchGuard held(this);
    for (int step = 1; step <= count; ++step) {
        int i = 0;
        if (c < 0)
            i = backwards ? count - step : step - 1;
        else
            i = ((backwards ? c - step : c + step) % count + count) % count;
        if (tryEntry(i) || IsFreed())
            return;
    }
}

// ---- hints --------------------------------------------------------------------------------

std::optional<platform::ui::HintInfo> ThvScene::CMHintShow(platform::ui::Point p)
{
    ThvVisualObject* object = ObjectAtPoint(static_cast<float>(p.x), static_cast<float>(p.y));
    if (!object || !object->GetShowHint())
        return std::nullopt;
    const rtl::DispatchGuard held(object);
    // Unless the object answers itself, the hint is its own, asked for again once the pointer
    // leaves the 20 x 20 square around it.
    ThvHintInfo info { p, { p.x - 10, p.y - 10, p.x + 10, p.y + 10 }, object->GetHint() };
    if (!object->HintShow(info)) {
        if (object->IsFreed())
            return std::nullopt;
        info.HintStr = object->GetHint();
        info.CursorRect = { p.x - 10, p.y - 10, p.x + 10, p.y + 10 };
    }
    if (info.HintStr.empty())
        return std::nullopt;
    return platform::ui::HintInfo { info.HintStr, info.CursorRect };
}

// ---- moving and resizing the owner form ---------------------------------------------------

platform::ui::Point ThvScene::ScreenPointOf(int32_t x, int32_t y) const
{
    return m_host ? m_host->ClientToScreen({ x, y }) : platform::ui::Point { x, y };
}

void ThvScene::BeginWindowDrag()
{
    if (!m_form)
        return;
    m_windowDrag.Begin(platform::ui::WindowDrag::Mode::Move, *m_form,
        ScreenPointOf(static_cast<int32_t>(m_lastPos.X), static_cast<int32_t>(m_lastPos.Y)));
    if (m_host)
        m_host->SetCapture(true);
}

void ThvScene::BeginWindowResize()
{
    if (!m_form)
        return;
    m_windowDrag.Begin(platform::ui::WindowDrag::Mode::Resize, *m_form,
        ScreenPointOf(static_cast<int32_t>(m_mousePos.X), static_cast<int32_t>(m_mousePos.Y)));
    if (m_host)
        m_host->SetCapture(true);
}
