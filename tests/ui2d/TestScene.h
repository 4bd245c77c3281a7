#pragma once

// A host for 2D object trees in tests: it keeps roots, focus and capture as a host must and
// records what the objects asked of it (dirty rectangles, whole repaints, focus and capture
// changes), so tests of any 2D layer can check what reached the host. Given a canvas it paints
// its roots as a host's paint cycle does. Its Inject* calls route mouse, wheel, key, text and
// drag input to the objects as a scene routes its window's, holding each object it calls
// (rtl::DispatchGuard), so controls can be driven without a window.

#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TestScene final : public rtl::TComponent, public IwzScene {
    RTL_CLASS(TestScene, rtl::TComponent)
public:
    explicit TestScene(rtl::TComponent* owner = nullptr)
        : rtl::TComponent(owner)
    {
        RegisterScene(this);
    }

    using rtl::TComponent::GetComponent;

    // ---- what the host recorded ----------------------------------------------------------

    /// Rectangles accepted by AddUpdateRect (not those dropped while updates were off).
    [[nodiscard]] const std::vector<TwzRect>& UpdateRects() const { return m_updateRects; }
    void ClearUpdateRects() { m_updateRects.clear(); }
    /// Requests to repaint the whole host (EndUpdate, RemoveObject).
    [[nodiscard]] int FullRepaints() const { return m_fullRepaints; }
    /// Focus, capture and drag requests in order: "kill:Name", "enter:Name", "capture:Name",
    /// "release", "drag:Name", "window-drag", "window-resize"; unnamed objects show as "?".
    [[nodiscard]] const std::vector<std::string>& Log() const { return m_log; }
    void ClearLog() { m_log.clear(); }
    [[nodiscard]] const std::vector<TwzObject*>& Roots() const { return m_roots; }
    /// The object last double-clicked in design mode.
    [[nodiscard]] TwzObject* DesignDblClickObject() const { return m_dblClickObject; }
    [[nodiscard]] bool IsRoot(const TwzObject* object) const
    {
        return std::find(m_roots.begin(), m_roots.end(), object) != m_roots.end();
    }

    // ---- what tests set ------------------------------------------------------------------

    void SetDesignTime(bool value) { m_designTime = value; }
    void SetTransparency(bool value) { m_transparency = value; }
    void SetCanvas(TwzCanvas* canvas) { m_canvas = canvas; }
    void SetMousePos(const TwzPoint& point) { m_mousePos = point; }
    void SetAnimatedCaret(bool value) { m_animatedCaret = value; }
    void SetTextRendering(TwzTextRendering value) { m_textRendering = value; }
    void SetSelectedObject(TwzObject* object) { m_selected = object; }
    void SetDesignDropTarget(TwzObject* object) { m_dropTarget = object; }
    /// The size of the host's surface. At 0 x 0 (the default) the first root keeps its
    /// bounds; any other size re-fits it to cover the surface, as a scene does.
    void SetSize(float width, float height)
    {
        m_width = width;
        m_height = height;
        RefitRoot();
    }

    /// One paint cycle over the collected rectangles: each visible visual root whose update
    /// rectangle meets one of them is painted (its hooks, its children, then its OnPaint).
    /// Nothing without a canvas.
    void PaintRoots()
    {
        if (!m_canvas)
            return;
        const std::vector<TwzObject*> roots = m_roots;
        for (TwzObject* root : roots) {
            TwzVisualObject* visual = root->AsVisual();
            if (!visual || !visual->GetVisible())
                continue;
            const TwzRect area = visual->GetUpdateRect();
            const bool dirty = std::any_of(m_updateRects.begin(), m_updateRects.end(),
                [&](const TwzRect& r) { return RectsIntersect(area, r); });
            if (!dirty)
                continue;
            m_canvas->SetMatrix(visual->GetAbsoluteMatrix());
            visual->BeforePaint();
            visual->Paint();
            visual->AfterPaint();
            visual->PaintChildren();
            if (visual->OnPaint) {
                m_canvas->SetMatrix(visual->GetAbsoluteMatrix());
                visual->OnPaint(visual, m_canvas, visual->GetLocalRect());
            }
        }
    }
    /// The object that should take the focus after loading (a control, or null).
    void SetActiveObject(TwzObject* object)
    {
        m_activeObject = object;
        m_activeControl = object ? object->AsControl() : nullptr;
    }

    // ---- input injection (scene coordinates), as a scene routes its window's input ---------

    /// The object under the point: the roots from last to first, each visible visual root
    /// (any in design mode) asked FindObjectAt; a root that is not visual ends the search.
    [[nodiscard]] TwzVisualObject* ObjectAt(const TwzPoint& point) const
    {
        for (auto it = m_roots.rbegin(); it != m_roots.rend(); ++it) {
            TwzVisualObject* root = (*it)->AsVisual();
            if (!root)
                return nullptr;
            if (!root->GetVisible() && !m_designTime)
                continue;
            if (TwzVisualObject* found = root->FindObjectAt(point.X, point.Y))
                return found;
        }
        return nullptr;
    }
    /// The object the mouse is over (entered and not yet left).
    [[nodiscard]] TwzVisualObject* Hovered() const { return m_hovered; }
    /// The object a drag is over.
    [[nodiscard]] TwzVisualObject* DragOverObject() const { return m_dragOver; }

    /// A press: the object under the point gets MouseDown, then BeginAutoDrag when its
    /// DragMode is automatic. A press on nothing is logged as "window-drag".
    void InjectMouseDown(
        const TwzPoint& point, TMouseButton button = TMouseButton::Left, TShiftState shift = {})
    {
        m_mousePos = point;
        TwzVisualObject* target = ObjectAt(point);
        if (!target) {
            BeginWindowDrag();
            return;
        }
        const rtl::DispatchGuard held(target);
        target->MouseDown(button, shift, Local(target, point).X, Local(target, point).Y);
        if (!target->IsFreed() && target->GetDragMode() == wzDragAutomatic)
            target->BeginAutoDrag();
    }
    /// A move: the captured object gets MouseMove and nothing else happens; otherwise the
    /// hovered object changes (MouseLeave on the old, MouseEnter on the new) and the object
    /// under the point gets MouseMove with the movement since the last mouse position.
    void InjectMouseMove(const TwzPoint& point, TShiftState shift = {})
    {
        const TwzPoint delta { point.X - m_mousePos.X, point.Y - m_mousePos.Y };
        m_mousePos = point;
        if (TwzVisualObject* captured = m_captured ? m_captured->AsVisual() : nullptr) {
            const rtl::DispatchGuard held(captured);
            const TwzPoint local = Local(captured, point);
            captured->MouseMove(shift, local.X, local.Y, delta.X, delta.Y);
            return;
        }
        TwzVisualObject* target = ObjectAt(point);
        const rtl::DispatchGuard held(target);
        if (target != m_hovered) {
            if (TwzVisualObject* old = std::exchange(m_hovered, nullptr)) {
                const rtl::DispatchGuard left(old);
                old->MouseLeave();
            }
            m_hovered = target && !target->IsFreed() ? target : nullptr;
            if (m_hovered)
                m_hovered->MouseEnter();
        }
        if (target && !target->IsFreed()) {
            const TwzPoint local = Local(target, point);
            target->MouseMove(shift, local.X, local.Y, delta.X, delta.Y);
        }
    }
    /// A release at the point: the captured object, or else the object under the point,
    /// gets MouseUp.
    void InjectMouseUp(
        const TwzPoint& point, TMouseButton button = TMouseButton::Left, TShiftState shift = {})
    {
        m_mousePos = point;
        TwzVisualObject* target = m_captured ? m_captured->AsVisual() : ObjectAt(point);
        const rtl::DispatchGuard held(target);
        if (target)
            target->MouseUp(button, shift, Local(target, point).X, Local(target, point).Y);
    }
    void InjectClick(const TwzPoint& point, TMouseButton button = TMouseButton::Left)
    {
        InjectMouseDown(point, button);
        InjectMouseUp(point, button);
    }
    /// Two presses and releases, the second press carrying the double-click flag.
    void InjectDoubleClick(const TwzPoint& point)
    {
        InjectClick(point);
        InjectMouseDown(
            point, TMouseButton::Left, { platform::ui::ShiftFlag::Left, platform::ui::ShiftFlag::Double });
        InjectMouseUp(point);
    }
    /// The wheel at the last mouse position: the captured object, or else the object under
    /// it, then its visual parents while it stays unhandled. Returns Handled.
    bool InjectWheel(int32_t wheelDelta, TShiftState shift = {})
    {
        bool handled = false;
        if (TwzVisualObject* captured = m_captured ? m_captured->AsVisual() : nullptr) {
            const rtl::DispatchGuard held(captured);
            captured->MouseWheel(shift, wheelDelta, handled);
            return handled;
        }
        TwzVisualObject* first = ObjectAt(m_mousePos);
        const rtl::DispatchGuard held(first); // and its parents
        for (TwzVisualObject* target = first; target && !target->IsFreed() && !handled;) {
            target->MouseWheel(shift, wheelDelta, handled);
            TwzObject* parent = target->GetParent();
            target = parent ? parent->AsVisual() : nullptr;
        }
        return handled;
    }
    /// A key press: Tab moves the focus along the first root's tab order (backwards with
    /// Shift); any other key goes to the focused object's KeyDown. Unless that consumed the
    /// key (set it to 0), every UTF-16 unit of `text` is typed (KeyDown and KeyUp with key
    /// 0). Then the focused object gets KeyUp. Returns the key left after KeyDown.
    uint16_t InjectKey(uint16_t key, TShiftState shift = {}, std::u16string_view text = {})
    {
        if (key == platform::ui::vk::kTab && !m_roots.empty()) {
            FocusNext(shift.Has(platform::ui::ShiftFlag::Shift));
            return 0;
        }
        char16_t none = 0;
        uint16_t left = key;
        if (TwzVisualObject* focused = FocusedVisual()) {
            const rtl::DispatchGuard held(focused);
            focused->KeyDown(left, none, shift);
        }
        if (left != 0)
            InjectText(text, shift);
        if (TwzVisualObject* focused = FocusedVisual()) {
            const rtl::DispatchGuard held(focused);
            uint16_t up = key;
            char16_t upChar = 0;
            focused->KeyUp(up, upChar, shift);
        }
        return left;
    }
    /// Types every UTF-16 unit of `text` into the focused object (KeyDown, then KeyUp, key 0).
    void InjectText(std::u16string_view text, TShiftState shift = {})
    {
        for (char16_t unit : text) {
            TwzVisualObject* focused = FocusedVisual();
            if (!focused)
                return;
            uint16_t key = 0;
            char16_t keyChar = unit;
            {
                const rtl::DispatchGuard held(focused);
                focused->KeyDown(key, keyChar, shift);
            }
            if ((focused = FocusedVisual())) {
                const rtl::DispatchGuard held(focused);
                key = 0;
                keyChar = unit;
                focused->KeyUp(key, keyChar, shift);
            }
        }
    }
    /// Moves the focus to the next (or previous) focusable object of the first root's tab
    /// order, recursively collected, wrapping around; focusable means visible and enabled
    /// with all ancestors and CanFocused.
    void FocusNext(bool backward = false)
    {
        TwzVisualObject* root = m_roots.empty() ? nullptr : m_roots.front()->AsVisual();
        if (!root)
            return;
        std::vector<TwzVisualObject*> list;
        root->GetTabOrderList(list, true);
        const int count = static_cast<int>(list.size());
        const auto at = std::find(list.begin(), list.end(), m_focused);
        const int current = at == list.end() ? -1 : static_cast<int>(at - list.begin());
        for (int step = 1; step <= count; ++step) {
            const int start = current < 0 ? (backward ? 0 : -1) : current;
            const int index = ((backward ? start - step : start + step) % count + count) % count;
            TwzVisualObject* candidate = list[static_cast<size_t>(index)];
            if (candidate->GetCanFocused() && candidate->GetAbsoluteVisible()
                && candidate->GetAbsoluteEnabled()) {
                candidate->FocusObject();
                return;
            }
        }
    }
    /// A drag moving over the point: the first root's FindDropTarget; a change of target
    /// gives the old one DragLeave and the new one DragEnter. Returns whether there is one.
    bool InjectDragOver(const TwzPoint& point, const TwzDragObject& data)
    {
        TwzVisualObject* root = m_roots.empty() ? nullptr : m_roots.front()->AsVisual();
        TwzVisualObject* target = root ? root->FindDropTarget(point, data) : nullptr;
        const rtl::DispatchGuard held(target);
        if (target != m_dragOver) {
            if (TwzVisualObject* old = std::exchange(m_dragOver, nullptr)) {
                const rtl::DispatchGuard left(old);
                old->DragLeave();
            }
            m_dragOver = target && !target->IsFreed() ? target : nullptr;
            if (m_dragOver)
                m_dragOver->DragEnter(data, point);
        }
        return m_dragOver != nullptr;
    }
    /// The drop: the object the drag is over gets DragDrop.
    void InjectDrop(const TwzPoint& point, const TwzDragObject& data)
    {
        if (TwzVisualObject* target = std::exchange(m_dragOver, nullptr)) {
            const rtl::DispatchGuard held(target);
            target->DragDrop(data, point);
        }
    }
    /// The drag leaves the host.
    void InjectDragLeave()
    {
        if (TwzVisualObject* target = std::exchange(m_dragOver, nullptr)) {
            const rtl::DispatchGuard held(target);
            target->DragLeave();
        }
    }

    // ---- IwzScene ------------------------------------------------------------------------

    void AddObject(TwzObject* object) override
    {
        if (!object)
            return;
        if (object->GetParent())
            object->SetParent(nullptr);
        else if (IwzScene* other = object->GetScene(); other && other != this)
            other->RemoveObject(object);
        m_hasRootList = true;
        if (!IsRoot(object))
            m_roots.push_back(object);
        object->SetScene(this);
        object->InheritScene();
        if (TwzVisualObject* visual = object->AsVisual(); visual && !IsDestroying()) {
            visual->MarkUpdateRectDirty();
            visual->RecalcAbsolute();
            visual->InvalidateObject();
            RefitRoot();
        }
    }

    void RemoveObject(TwzObject* object) override
    {
        if (!object || !m_hasRootList)
            return;
        ++m_fullRepaints;
        object->SetScene(nullptr);
        Notification(object, rtl::opRemove);
        std::erase(m_roots, object);
    }

    void BeginUpdate() override { m_disableUpdate = true; }
    void EndUpdate() override
    {
        m_disableUpdate = false;
        ++m_fullRepaints;
    }
    void EndUpdateNoRepaint() override { m_disableUpdate = false; }
    void BeginWindowDrag() override { m_log.push_back("window-drag"); }
    void BeginWindowResize() override { m_log.push_back("window-resize"); }

    void AddUpdateRect(const TwzRect& rect) override
    {
        if (m_disableUpdate || IsLoading() || IsDestroying())
            return;
        m_updateRects.push_back(rect);
    }

    void InsertObjectByClassName(const std::string&) override { }
    [[nodiscard]] TwzControl* GetActiveControl() const override { return m_activeControl; }
    [[nodiscard]] bool GetDisableUpdate() const override { return m_disableUpdate; }
    void SetDisableUpdate(bool value) override { m_disableUpdate = value; }
    [[nodiscard]] bool GetDesignTime() const override { return m_designTime; }
    [[nodiscard]] TwzCanvas* GetCanvas() const override { return m_canvas; }
    [[nodiscard]] TwzObject* GetRoot() const override { return m_roots.empty() ? nullptr : m_roots.front(); }
    [[nodiscard]] rtl::TComponent* GetOwner() const override { return rtl::TComponent::GetOwner(); }
    [[nodiscard]] rtl::TComponent* GetComponent() const override { return const_cast<TestScene*>(this); }
    [[nodiscard]] TwzResources* GetStyle() const override { return m_style; }

    void SetStyle(TwzResources* value) override
    {
        if (value == m_style)
            return;
        if (m_style)
            m_style->RemoveScene(this);
        m_style = value;
        if (m_style)
            m_style->AddScene(this);
        UpdateStyle();
    }

    [[nodiscard]] bool GetTransparency() const override { return m_transparency; }

    void UpdateStyle() override
    {
        if (TwzObject* root = GetRoot())
            root->UpdateStyle();
    }

    void Notification(rtl::TComponent* component, rtl::TOperation operation) override
    {
        rtl::TComponent::Notification(component, operation);
        if (operation != rtl::opRemove || !component)
            return;
        if (Is(m_focused, component))
            m_focused = nullptr;
        if (Is(m_captured, component))
            m_captured = nullptr;
        if (Is(m_selected, component))
            m_selected = nullptr;
        if (Is(m_dropTarget, component))
            m_dropTarget = nullptr;
        if (Is(m_dblClickObject, component))
            m_dblClickObject = nullptr;
        if (Is(m_activeObject, component))
            SetActiveObject(nullptr);
        if (Is(m_hovered, component))
            m_hovered = nullptr;
        if (Is(m_dragOver, component))
            m_dragOver = nullptr;
        if (m_style && static_cast<rtl::TComponent*>(m_style) == component)
            m_style = nullptr;
    }

    [[nodiscard]] TwzTextRendering GetTextRendering() const override { return m_textRendering; }
    [[nodiscard]] TwzObject* GetSelected() const override { return m_selected; }
    [[nodiscard]] TwzObject* GetDesignDropTarget() const override { return m_dropTarget; }
    [[nodiscard]] int32_t GetUpdateRectsCount() const override
    {
        return static_cast<int32_t>(m_updateRects.size());
    }
    [[nodiscard]] TwzRect GetUpdateRect(int32_t index) const override
    {
        return m_updateRects[static_cast<size_t>(index)];
    }

    void SetCaptured(TwzObject* object) override
    {
        m_captured = object;
        m_log.push_back(object ? "capture:" + NameOf(object) : std::string("release"));
    }
    [[nodiscard]] TwzObject* GetCaptured() const override { return m_captured; }

    void SetFocused(TwzObject* object) override
    {
        if (object == m_focused)
            return;
        // The old object loses the focus before the new one gains it; either may be freed by
        // the other's handlers meanwhile.
        const rtl::DispatchGuard next(object);
        if (TwzObject* old = std::exchange(m_focused, nullptr)) {
            const rtl::DispatchGuard left(old);
            m_log.push_back("kill:" + NameOf(old));
            if (TwzVisualObject* visual = old->AsVisual())
                visual->KillFocus();
        }
        m_focused = object && !object->IsFreed() ? object : nullptr;
        if (!m_focused)
            return;
        m_log.push_back("enter:" + NameOf(m_focused));
        if (TwzVisualObject* visual = m_focused->AsVisual())
            visual->EnterFocus();
    }
    [[nodiscard]] TwzObject* GetFocused() const override { return m_focused; }

    void SetDesignDblClickObject(TwzObject* object) override { m_dblClickObject = object; }
    [[nodiscard]] TwzPoint GetMousePos() const override { return m_mousePos; }
    [[nodiscard]] TwzPoint LocalToScreen(const TwzPoint& point) const override
    {
        return { point.X + kScreenOffset, point.Y + kScreenOffset };
    }
    void BeginDrag(TwzObject* object) override
    {
        if (object)
            m_log.push_back("drag:" + NameOf(object));
    }
    void SetSelected(TwzObject* object) override
    {
        if (!m_designTime)
            return;
        if (!object || object->GetScene() == this)
            m_selected = object;
    }
    [[nodiscard]] bool GetAnimatedCaret() const override { return m_animatedCaret; }

    /// Where the host's surface sits on the screen.
    static constexpr float kScreenOffset = 100;

protected:
    ~TestScene() override = default;

    void BeforeDestruction() override
    {
        // No root may keep a link to a freed host.
        for (TwzObject* root : std::exchange(m_roots, {}))
            root->AssignSceneRecursive(nullptr);
        UnregisterScene(this);
        Inherited::BeforeDestruction();
    }

private:
    void RefitRoot()
    {
        TwzVisualObject* root = m_roots.empty() ? nullptr : m_roots.front()->AsVisual();
        if (!root || m_width <= 0 || m_height <= 0)
            return;
        const TwzPoint scale = root->GetScale()->GetPoint();
        root->SetBounds(0, 0, m_width / scale.X, m_height / scale.Y);
    }

    [[nodiscard]] TwzVisualObject* FocusedVisual() const
    {
        return m_focused ? m_focused->AsVisual() : nullptr;
    }
    static TwzPoint Local(TwzVisualObject* object, const TwzPoint& point)
    {
        return object->AbsoluteToLocal(point);
    }

    static bool Is(const TwzObject* held, const rtl::TComponent* component)
    {
        return held && static_cast<const rtl::TComponent*>(held) == component;
    }
    static std::string NameOf(const TwzObject* object)
    {
        return object->GetName().empty() ? std::string("?") : object->GetName();
    }

    std::vector<TwzObject*> m_roots;
    std::vector<TwzRect> m_updateRects;
    std::vector<std::string> m_log;
    TwzObject* m_focused = nullptr;
    TwzObject* m_captured = nullptr;
    TwzObject* m_selected = nullptr;
    TwzObject* m_dropTarget = nullptr;
    TwzObject* m_dblClickObject = nullptr;
    TwzObject* m_activeObject = nullptr;
    TwzVisualObject* m_hovered = nullptr;
    TwzVisualObject* m_dragOver = nullptr;
    TwzControl* m_activeControl = nullptr;
    TwzResources* m_style = nullptr;
    TwzCanvas* m_canvas = nullptr;
    TwzPoint m_mousePos {};
    float m_width = 0;
    float m_height = 0;
    TwzTextRendering m_textRendering {};
    int m_fullRepaints = 0;
    bool m_hasRootList = false;
    bool m_disableUpdate = false;
    bool m_designTime = false;
    bool m_transparency = false;
    bool m_animatedCaret = false;
};

inline const rtl::TClassInfo& TestScene::StaticClass()
{
    static const rtl::TClassInfo info = rtl::detail::MakeClassInfo<TestScene>("TestScene", rtl::TClassDef {});
    return info;
}
