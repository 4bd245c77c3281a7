// The 2D scene control's input: the object under the mouse, mouse routing with hover and
// capture, the wheel, keys and typed characters, dialog keys, Esc closing the modal form, the
// Tab walk of the focus, hints, and moving or resizing the form with the mouse.
//
// Every handler of an object may change the tree, the capture or the focus, or free the
// object or the scene. The scene holds itself and each object it calls (rtl::DispatchGuard),
// so whatever they free is torn down only when the outermost dispatch returns; the routing
// re-reads the scene's state after each call and stops once the scene is freed.

#include "ui2d/TwzCustomScene.h"

#include "platform/rtl/ScopedAssign.h"
#include "platform/ui/Input.h"
#include "platform/ui/Window.h"
#include "ui2d/HostDesignMode.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <cmath>
#include <vector>

using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;
namespace vk = platform::ui::vk;

namespace {

// The diagonal size cursor (north-west to south-east).
constexpr int32_t kSizeCursor = -8;

bool IsSizeGrip(const TwzVisualObject* object)
{
    return dynamic_cast<const IwzSizeGrip*>(object) != nullptr;
}

TwzVisualObject* VisualParentOf(TwzVisualObject* object)
{
    TwzObject* parent = object->GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

TwzVisualObject* Visual(TwzObject* object)
{
    return object ? object->AsVisual() : nullptr;
}

} // namespace

// ---- the object under a point -------------------------------------------------------------

TwzVisualObject* TwzCustomScene::ObjectAtScenePoint(const TwzPoint& p)
{
    for (size_t i = m_roots.size(); i-- > 0;) {
        TwzVisualObject* root = m_roots[i]->AsVisual();
        if (!root)
            break;
        if (!root->GetVisible() && !m_designTime)
            continue;
        if (TwzVisualObject* hit = root->FindObjectAt(p.X, p.Y))
            return hit;
    }
    return nullptr;
}

TwzPoint TwzCustomScene::LocalPoint(TwzVisualObject* object) const
{
    return object->AbsoluteToLocal(m_snappedPos);
}

// ---- mouse --------------------------------------------------------------------------------

// A press's handlers may let messages through (a change handler that renders, say), and the
// release, moves or the next press may come in then. They wait until the press is handled, so
// every object sees its press before its release: a release handled first would leave the
// press holding the mouse and its drag running with no button down.

bool TwzCustomScene::HoldDuringPress(
    HeldMouse::Kind kind, MouseButton button, ShiftState shift, int32_t x, int32_t y)
{
    if (!m_handlingPress)
        return false;
    m_heldMouse.push_back({ kind, button, shift, x, y });
    return true;
}

void TwzCustomScene::MouseDown(MouseButton button, ShiftState shift, int32_t x, int32_t y)
{
    if (HoldDuringPress(HeldMouse::Kind::Down, button, shift, x, y))
        return;
    const rtl::DispatchGuard held(this);
    {
        rtl::ScopedAssign handling(this, m_handlingPress, true);
        PressObject(button, shift, x, y);
    }
    if (IsFreed())
        return;
    // What came in meanwhile, in order; a held press holds what follows it again.
    while (!m_heldMouse.empty() && !m_handlingPress) {
        const HeldMouse held = m_heldMouse.front();
        m_heldMouse.erase(m_heldMouse.begin());
        switch (held.kind) {
        case HeldMouse::Kind::Down:
            MouseDown(held.button, held.shift, held.x, held.y);
            break;
        case HeldMouse::Kind::Move:
            MouseMove(held.shift, held.x, held.y);
            break;
        case HeldMouse::Kind::Up:
            MouseUp(held.button, held.shift, held.x, held.y);
            break;
        }
        if (IsFreed())
            return;
    }
}

void TwzCustomScene::PressObject(MouseButton button, ShiftState shift, int32_t x, int32_t y)
{
    if (!m_designTime && m_host)
        m_host->SetFocus();
    m_mousePos = { static_cast<float>(x), static_cast<float>(y) };
    m_snappedPos = { SnapToGrid(m_mousePos.X), SnapToGrid(m_mousePos.Y) };
    m_downPos = m_snappedPos;
    if (m_designTime) {
        if (ui2d::HostDesignMode* design = GetDesignMode())
            design->MouseDown(button, shift, m_mousePos.X, m_mousePos.Y);
        return;
    }

    TwzVisualObject* object = ObjectAtScenePoint(m_snappedPos);
    if (!object) {
        BeginWindowDrag();
        return;
    }
    if (IsSizeGrip(object)) {
        BeginWindowResize();
        return;
    }
    const rtl::DispatchGuard target(object);
    const TwzPoint local = LocalPoint(object);
    object->MouseDown(button, shift, local.X, local.Y);
    if (!object->IsFreed() && object->GetDragMode() == wzDragAutomatic)
        object->BeginAutoDrag();
}

void TwzCustomScene::MouseMove(ShiftState shift, int32_t x, int32_t y)
{
    if (HoldDuringPress(HeldMouse::Kind::Move, MouseButton::Left, shift, x, y))
        return;
    if (m_windowDrag.Active()) {
        m_windowDrag.Track(ScreenPointOf(x, y));
        if (GetWindowResizing()) {
            if (m_host)
                m_host->SetCursor(kSizeCursor);
            m_mousePos = { static_cast<float>(x), static_cast<float>(y) };
        }
        return;
    }

    const rtl::DispatchGuard held(this);
    m_snappedPos = { SnapToGrid(static_cast<float>(x)), SnapToGrid(static_cast<float>(y)) };
    m_mousePos = { static_cast<float>(x), static_cast<float>(y) };
    if (m_designTime) {
        if (ui2d::HostDesignMode* design = GetDesignMode())
            design->MouseMove(shift, m_mousePos.X, m_mousePos.Y);
        return;
    }

    if (TwzVisualObject* captured = Visual(m_captured)) {
        const rtl::DispatchGuard target(captured);
        const TwzPoint local = LocalPoint(captured);
        captured->MouseMove(shift, local.X, local.Y, 0, 0);
        return;
    }

    int32_t cursor = m_defaultCursor;
    if (TwzVisualObject* object = ObjectAtScenePoint(m_snappedPos)) {
        const rtl::DispatchGuard target(object);
        cursor = IsSizeGrip(object) ? kSizeCursor : object->GetCursor();
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
        const TwzPoint local = LocalPoint(object);
        object->MouseMove(shift, local.X, local.Y, 0, 0);
    } else if (TwzVisualObject* old = Visual(m_hovered)) {
        const rtl::DispatchGuard left(old);
        Relink(m_hovered, nullptr);
        old->MouseLeave();
    }
    if (IsFreed())
        return;
    if (m_host)
        m_host->SetCursor(cursor);
    m_downPos = m_snappedPos;
}

void TwzCustomScene::MouseUp(MouseButton button, ShiftState shift, int32_t x, int32_t y)
{
    if (HoldDuringPress(HeldMouse::Kind::Up, button, shift, x, y))
        return;
    if (m_windowDrag.Active()) {
        m_windowDrag.End();
        if (m_host)
            m_host->SetCapture(m_captured != nullptr);
    }
    if (m_designTime) {
        if (ui2d::HostDesignMode* design = GetDesignMode())
            design->MouseUp(button, shift, static_cast<float>(x), static_cast<float>(y));
        return;
    }
    // The release goes where the last press or move was, not where the release says.
    TwzVisualObject* target = m_captured ? Visual(m_captured) : ObjectAtScenePoint(m_snappedPos);
    if (!target)
        return;
    const rtl::DispatchGuard held(target);
    const TwzPoint local = LocalPoint(target);
    target->MouseUp(button, shift, local.X, local.Y);
}

bool TwzCustomScene::DoMouseWheel(ShiftState shift, int32_t wheelDelta, platform::ui::Point)
{
    bool handled = false;
    if (m_designTime)
        return handled;
    if (TwzVisualObject* captured = Visual(m_captured)) {
        const rtl::DispatchGuard held(captured);
        captured->MouseWheel(shift, wheelDelta, handled);
        return handled;
    }
    // The wheel goes to the object under the last mouse point and bubbles up its visual
    // parents until one handles it. Holding the first holds its parents too.
    TwzVisualObject* first = ObjectAtScenePoint(m_snappedPos);
    const rtl::DispatchGuard held(first);
    for (TwzVisualObject* object = first; object && !object->IsFreed(); object = VisualParentOf(object)) {
        object->MouseWheel(shift, wheelDelta, handled);
        if (handled)
            break;
    }
    return handled;
}

void TwzCustomScene::CMMouseLeave()
{
    if (TwzVisualObject* old = Visual(m_hovered)) {
        const rtl::DispatchGuard held(old);
        Relink(m_hovered, nullptr);
        old->MouseLeave();
    }
}

void TwzCustomScene::CaptureLost()
{
    // Another grab took the pointer (a popup menu opened on the press keeps the release).
    m_windowDrag.End();
    Relink(m_captured, nullptr);
}

// ---- focus --------------------------------------------------------------------------------

void TwzCustomScene::SetFocused(TwzObject* object)
{
    if (object == m_focused)
        return;
    // Either handler may free an object or the scene, or move the focus on.
    const rtl::DispatchGuard held(this);
    const rtl::DispatchGuard next(object);
    TwzVisualObject* previous = Visual(m_focused);
    const rtl::DispatchGuard left(previous);
    Relink(m_focused, object);
    if (previous)
        previous->KillFocus();
    if (object && !object->IsFreed() && m_focused == object)
        if (TwzVisualObject* visual = object->AsVisual())
            visual->EnterFocus();
}

// ---- keys ---------------------------------------------------------------------------------

void TwzCustomScene::KeyDown(uint16_t& key, ShiftState shift)
{
    m_lastShift = shift;
    if (shift.Has(ShiftFlag::Meta) && (key == 'C' || key == 'V' || key == 'X' || key == 'Z')) {
        // The clipboard keys of the Meta modifier reach the objects as Ctrl and the letter.
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
    char16_t keyChar = 0;
    DispatchKeyDown(key, keyChar, shift);
}

void TwzCustomScene::KeyUp(uint16_t& key, ShiftState shift)
{
    m_lastShift = {};
    char16_t keyChar = 0;
    DispatchKeyUp(key, keyChar, shift);
}

void TwzCustomScene::KeyPress(char16_t unit)
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
    const ShiftState shift = m_lastShift;
    uint16_t key = 0;
    DispatchKeyDown(key, keyChar, shift);
    if (IsFreed())
        return;
    key = 0;
    DispatchKeyUp(key, keyChar, shift);
}

void TwzCustomScene::DispatchKeyDown(uint16_t& key, char16_t& keyChar, ShiftState shift)
{
    const rtl::DispatchGuard held(this);
    switch (key) {
    case vk::kEscape:
    case vk::kReturn:
    case vk::kLeft:
    case vk::kRight:
    case vk::kUp:
    case vk::kDown:
    case vk::kHome:
    case vk::kEnd:
    case vk::kAdd:
    case vk::kSubtract:
        // The root sees the dialog keys first, and may take them.
        if (TwzVisualObject* root = Visual(GetRoot())) {
            const rtl::DispatchGuard dialogKey(root);
            root->DialogKey(key, shift);
            if (IsFreed())
                return;
        }
        break;
    default:
        break;
    }
    if (key == vk::kEscape) {
        key = 0;
        CloseModalForm();
        return;
    }
    if (key == vk::kTab && GetRoot()) {
        key = 0;
        MoveFocus(shift.Has(ShiftFlag::Shift));
        return;
    }
    if (TwzVisualObject* focused = Visual(m_focused)) {
        const rtl::DispatchGuard target(focused);
        focused->KeyDown(key, keyChar, shift);
    }
}

void TwzCustomScene::DispatchKeyUp(uint16_t& key, char16_t& keyChar, ShiftState shift)
{
    const rtl::DispatchGuard held(this);
    if (m_designTime && key == vk::kDelete) {
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

void TwzCustomScene::CloseModalForm()
{
    if (m_form)
        m_form->SetModalResult(platform::ui::kModalCancel);
}

// ---- the Tab walk -------------------------------------------------------------------------

void TwzCustomScene::MoveFocus(bool backwards)
{
    TwzVisualObject* root = Visual(GetRoot());
    if (!root)
        return;
    std::vector<TwzVisualObject*> list;
    root->GetTabOrderList(list, true);
    const int count = static_cast<int>(list.size());
    if (count == 0)
        return;
    // Entries are watched: focusing one runs handlers that may free others.
    std::vector<rtl::Watch<TwzVisualObject>> entries(list.begin(), list.end());
    int focusedIndex = -1;
    for (int i = 0; m_focused && i < count; ++i) {
        if (static_cast<TwzObject*>(list[static_cast<size_t>(i)]) == m_focused) {
            focusedIndex = i;
            break;
        }
    }
    const auto tryEntry = [&](int i) {
        TwzVisualObject* entry = entries[static_cast<size_t>(i)];
        if (!entry || !entry->GetCanFocused() || !entry->GetAbsoluteVisible() || !entry->GetAbsoluteEnabled())
            return false;
        entry->FocusObject();
        return true;
    };
    // A list of one or two entries moves the focus too: from the first, Tab goes to the
    // second and Shift+Tab wraps to the last.
    if (!backwards) {
        const int k = focusedIndex + 1;
        for (int i = k; i < count; ++i)
            if (tryEntry(i) || IsFreed())
                return;
        for (int i = 0; i < k && i < count; ++i)
            if (tryEntry(i) || IsFreed())
                return;
    } else {
        const int k = focusedIndex < 0 ? count - 1 : focusedIndex - 1;
        for (int i = k; i >= 0; --i)
            if (tryEntry(i) || IsFreed())
                return;
        for (int i = count - 1; i > k && i >= 0; --i)
            if (tryEntry(i) || IsFreed())
                return;
    }
}

// ---- hints --------------------------------------------------------------------------------

std::optional<platform::ui::HintInfo> TwzCustomScene::CMHintShow(platform::ui::Point p)
{
    TwzVisualObject* object = ObjectAtScenePoint({ static_cast<float>(p.x), static_cast<float>(p.y) });
    if (!object || !object->GetShowHint() || object->GetHint().empty())
        return std::nullopt;
    const TwzRect r = object->GetAbsoluteRect();
    const auto whole
        = [](float v) { return static_cast<int32_t>(std::nearbyint(std::clamp(v, -1e7f, 1e7f))); };
    return platform::ui::HintInfo { object->GetHint(),
        { whole(r.Left), whole(r.Top), whole(r.Right), whole(r.Bottom) } };
}

// ---- moving and resizing the form ---------------------------------------------------------

platform::ui::Point TwzCustomScene::ScreenPointOf(int32_t x, int32_t y) const
{
    return m_host ? m_host->ClientToScreen({ x, y }) : platform::ui::Point { x, y };
}

void TwzCustomScene::BeginWindowDrag()
{
    if (!m_form)
        return;
    // Screen pixels throughout: the form moves under the pointer while it is dragged.
    m_windowDrag.Begin(platform::ui::WindowDrag::Mode::Move, *m_form,
        ScreenPointOf(static_cast<int32_t>(m_mousePos.X), static_cast<int32_t>(m_mousePos.Y)));
    if (m_host)
        m_host->SetCapture(true);
}

void TwzCustomScene::BeginWindowResize()
{
    if (!m_form)
        return;
    m_windowDrag.Begin(platform::ui::WindowDrag::Mode::Resize, *m_form,
        ScreenPointOf(static_cast<int32_t>(m_mousePos.X), static_cast<int32_t>(m_mousePos.Y)));
    if (m_host)
        m_host->SetCapture(true);
}
