// The visual object's side of input: hit testing, the mouse, wheel, key, focus and drag calls
// the host makes, the state triggers they send, the context menu, the tab order of children
// and the text caret.
//
// Handlers may free the object (or its window). The scene holds the object while it routes
// input to it (rtl::DispatchGuard), and every event holds its sender, so the teardown waits
// until the dispatch returns and the code here runs on without checks; it asks IsFreed()
// only where a freed object must not go on (open a menu, pass a key on).

#include "ui2d/TwzVisualObject.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/ui/PopupMenuComponent.h"
#include "ui2d/IwzScene.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

/// The context-menu key.
constexpr uint16_t kAppsKey = 93;

// The caret blinks from opaque to transparent and back, each way in kCaretWayMs of its own
// time; its time advances kCaretStepMs on every tick of a timer running every kCaretTickMs,
// so each way takes about 0.3 s on the wall clock.
constexpr int32_t kCaretWayMs = 100;
constexpr int32_t kCaretStepMs = 33;
constexpr uint32_t kCaretTickMs = 99;

constexpr float kCaretWidth = 3;
constexpr float kCaretHeight = 20;
constexpr uint32_t kCaretColor = 0xFF0000FF;

} // namespace

namespace ui2d {

/// The text caret: a filled rectangle in one colour, unstored and out of the mouse's way.
class TextCaret final : public TwzVisualObject {
    RTL_CLASS(TextCaret, TwzVisualObject)
public:
    explicit TextCaret(rtl::TComponent* owner)
        : TwzVisualObject(owner)
    {
        SetStored(false);
        SetHitTest(false);
        SetLocked(true);
        SetSizeNoUpdate(kCaretWidth, kCaretHeight);
        SetVisible(false);
    }

    [[nodiscard]] uint32_t GetColor() const { return m_color; }
    void SetColor(uint32_t value)
    {
        if (value == m_color)
            return;
        m_color = value;
        InvalidateObject();
    }

    void Paint() override
    {
        TwzCanvas* canvas = GetCanvas();
        if (!canvas)
            return;
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(m_color);
        canvas->FillRect(GetLocalRect(), 0, 0, {}, GetAbsoluteOpacity());
    }

protected:
    ~TextCaret() override = default;

private:
    uint32_t m_color = kCaretColor;
};

RTL_IMPLEMENT_CLASS(TextCaret)

} // namespace ui2d

// ---- hit testing -------------------------------------------------------------------------------

bool TwzVisualObject::PointInObject(float x, float y)
{
    const TwzPoint p = AbsoluteToLocal({ x, y });
    return p.X > 0 && p.X < m_width && p.Y > 0 && p.Y < m_height;
}

bool TwzVisualObject::IsHitTestable() const
{
    if (HostDesignTime())
        return !m_locked && !m_designHide;
    return m_hitTest;
}

TwzVisualObject* TwzVisualObject::FindObjectAt(float x, float y)
{
    const bool designTime = HostDesignTime();
    if (!m_visible && !designTime)
        return nullptr;
    if (!designTime && AsControl() && !GetAbsoluteEnabled())
        return nullptr;
    if (m_clipChildren && !PointInObject(x, y))
        return nullptr;
    if (!(designTime && m_designHide)) {
        const auto children = Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            TwzVisualObject* child = (*it)->AsVisual();
            if (!child || (!child->m_visible && !designTime))
                continue;
            if (TwzVisualObject* found = child->FindObjectAt(x, y))
                return found;
        }
    }
    return PointInObject(x, y) && IsHitTestable() ? this : nullptr;
}

TwzVisualObject* TwzVisualObject::FindDropTarget(const TwzPoint& point, const TwzDragObject& data)
{
    const bool designTime = HostDesignTime();
    if (!m_visible && !designTime)
        return nullptr;
    if (!designTime && AsControl() && !GetAbsoluteEnabled())
        return nullptr;
    const rtl::DispatchGuard held(this);
    if (!(designTime && m_designHide)) {
        // DragOver handlers run inside the walk and may change the children: the index is
        // brought back into the list after each child.
        for (int i = GetChildCount() - 1; i >= 0; --i) {
            if (m_clipChildren && !PointInObject(point.X, point.Y))
                break;
            TwzVisualObject* child = GetChild(i)->AsVisual();
            if (!child || (!child->m_visible && !designTime))
                continue;
            TwzVisualObject* found = child->FindDropTarget(point, data);
            if (IsFreed())
                return nullptr;
            if (found)
                return found;
            i = std::min(i, GetChildCount());
        }
    }
    bool accept = false;
    DragOver(data, point, accept);
    if (IsFreed())
        return nullptr;
    return accept && PointInObject(point.X, point.Y) && IsHitTestable() ? this : nullptr;
}

// ---- mouse ---------------------------------------------------------------------------------------

void TwzVisualObject::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    const bool designTime = HostDesignTime();
    const bool doubleClick = shift.Has(platform::ui::ShiftFlag::Double);
    if (doubleClick && designTime)
        GetScene()->SetDesignDblClickObject(this);
    if (!designTime && m_canFocused && !m_isFocused) {
        IwzScene* scene = GetScene();
        if (!scene || scene->GetFocused() != this)
            FocusObject();
    }
    OnMouseDown(this, button, shift, x, y);
    // A freed object opens no menu and takes no capture.
    if (IsFreed())
        return;
    if (button == TMouseButton::Right) {
        ContextMenu(LocalToScreenPoint({ x, y }));
        return;
    }
    if (m_autoCapture)
        Capture();
    if (doubleClick) {
        // The release that ends a double click raises no click.
        m_doubleClicked = true;
        DblClick();
    } else if (button == TMouseButton::Left) {
        m_pressed = true;
    }
}

void TwzVisualObject::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    OnMouseMove(this, shift, x, y, deltaX, deltaY);
}

void TwzVisualObject::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    ReleaseCapture();
    OnMouseUp(this, button, shift, x, y);
    // A release on the edge still counts: the press was inside.
    if (m_pressed && !m_doubleClicked && PointInRect({ x, y }, { 0, 0, m_width, m_height })) {
        m_pressed = false;
        Click();
    }
    m_pressed = false;
    m_doubleClicked = false;
}

void TwzVisualObject::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    if (!OnMouseWheel)
        return;
    const IwzScene* scene = GetScene();
    const TwzPoint mousePos = scene ? scene->GetMousePos() : TwzPoint {};
    OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
}

void TwzVisualObject::Click()
{
    OnClick(this);
}

void TwzVisualObject::DblClick()
{
    OnDblClick(this);
}

void TwzVisualObject::MouseEnter()
{
    m_isMouseOver = true;
    SendStateTrigger("IsMouseOver");
    OnMouseEnter(this);
}

void TwzVisualObject::MouseLeave()
{
    m_isMouseOver = false;
    SendStateTrigger("IsMouseOver");
    OnMouseLeave(this);
}

void TwzVisualObject::ContextMenu(const TwzPoint& point)
{
    if (!m_popupMenu)
        return;
    m_popupMenu->SetPopupComponent(this);
    m_popupMenu->Popup(static_cast<int32_t>(rtl::Round(point.X)), static_cast<int32_t>(rtl::Round(point.Y)));
}

void TwzVisualObject::BeginAutoDrag()
{
    if (IwzScene* scene = GetScene())
        scene->BeginDrag(this);
}

void TwzVisualObject::Capture()
{
    if (IwzScene* scene = GetScene())
        scene->SetCaptured(this);
}

void TwzVisualObject::ReleaseCapture()
{
    IwzScene* scene = GetScene();
    if (scene && scene->GetCaptured() == this)
        scene->SetCaptured(nullptr);
}

TwzPoint TwzVisualObject::LocalToScreenPoint(const TwzPoint& point)
{
    const TwzPoint scenePoint = LocalToAbsolute(point);
    const IwzScene* scene = GetScene();
    return scene ? scene->LocalToScreen(scenePoint) : scenePoint;
}

void TwzVisualObject::SetPopupMenu(platform::ui::PopupMenuComponent* value)
{
    m_popupMenu.Set(value);
}

void TwzVisualObject::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_popupMenu.Notification(component, operation);
    if (operation != rtl::opRemove || !component)
        return;
    if (component == m_caret)
        m_caret = nullptr;
}

// ---- keys ----------------------------------------------------------------------------------------

void TwzVisualObject::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    if (key == kAppsKey) {
        ContextMenu(LocalToScreenPoint({ m_width / 2, m_height / 2 }));
        return;
    }
    OnKeyDown(key, keyChar, shift);
}

void TwzVisualObject::KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    OnKeyUp(key, keyChar, shift);
}

void TwzVisualObject::DialogKey(uint16_t& key, TShiftState shift)
{
    // A key that closed the window goes no further.
    const rtl::DispatchGuard held(this);
    for (int i = 0; i < GetChildCount() && key != 0 && !IsFreed(); ++i) {
        TwzVisualObject* child = GetChild(i)->AsVisual();
        if (child && child->m_visible && child->m_enabled)
            child->DialogKey(key, shift);
    }
}

// ---- focus ---------------------------------------------------------------------------------------

void TwzVisualObject::FocusObject()
{
    if (!m_canFocused)
        return;
    if (IwzScene* scene = GetScene())
        scene->SetFocused(this);
}

void TwzVisualObject::EnterFocus()
{
    if (!m_canFocused)
        return;
    // The ancestors are held with the object while it takes the focus.
    for (TwzVisualObject* ancestor = RealVisualParent(); ancestor;) {
        TwzVisualObject* next = ancestor->RealVisualParent();
        ancestor->ChildFocused(this);
        ancestor = next;
    }
    m_isFocused = true;
    // The update rectangle grows by the focus margin.
    MarkUpdateRectDirty();
    InvalidateObject();
    if (!m_disableFocusEffect)
        SendStateTrigger("IsFocused");
}

void TwzVisualObject::KillFocus()
{
    if (!m_canFocused)
        return;
    // Repainted while still focused, so the focus margin is cleared too.
    MarkUpdateRectDirty();
    InvalidateObject();
    m_isFocused = false;
    MarkUpdateRectDirty();
    if (!m_disableFocusEffect)
        SendStateTrigger("IsFocused");
}

void TwzVisualObject::ChildFocused(TwzVisualObject*) { }

// ---- drag and drop ---------------------------------------------------------------------------------

void TwzVisualObject::DragEnter(const TwzDragObject& data, const TwzPoint& point)
{
    m_isDragOver = true;
    InvalidateObject();
    SendStateTrigger("IsDragOver");
    OnDragEnter(this, data, point);
}

void TwzVisualObject::DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept)
{
    OnDragOver(this, data, point, accept);
}

void TwzVisualObject::DragDrop(const TwzDragObject& data, const TwzPoint& point)
{
    m_isDragOver = false;
    InvalidateObject();
    SendStateTrigger("IsDragOver");
    OnDragDrop(this, data, point);
}

void TwzVisualObject::DragLeave()
{
    m_isDragOver = false;
    InvalidateObject();
    SendStateTrigger("IsDragOver");
    OnDragLeave(this);
}

void TwzVisualObject::SendStateTrigger(const std::string& trigger)
{
    const rtl::DispatchGuard held(this);
    StartTriggerAnimation(this, trigger);
    ApplyTriggerEffect(this, trigger);
}

// ---- tab order -----------------------------------------------------------------------------------

void TwzVisualObject::GetTabOrderList(std::vector<TwzVisualObject*>& list, bool recursive)
{
    for (TwzVisualObject* object : m_tabList) {
        list.push_back(object);
        if (recursive)
            object->GetTabOrderList(list, true);
    }
}

int32_t TwzVisualObject::GetTabOrder() const
{
    const TwzVisualObject* parent = RealVisualParent();
    if (!parent)
        return -1;
    const auto& list = parent->m_tabList;
    const auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int32_t>(it - list.begin());
}

void TwzVisualObject::SetTabOrder(int32_t value)
{
    if (IsLoading()) {
        m_tabPosition = static_cast<int16_t>(std::clamp<int32_t>(
            value, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
        return;
    }
    TwzVisualObject* parent = RealVisualParent();
    if (!parent)
        return;
    auto& list = parent->m_tabList;
    const auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    list.erase(it);
    const auto index = std::clamp<int32_t>(value, 0, static_cast<int32_t>(list.size()));
    list.insert(list.begin() + index, this);
}

void TwzVisualObject::ApplyLoadedTabOrder()
{
    const size_t count = m_tabList.size();
    std::vector<TwzVisualObject*> slots(count, nullptr);
    for (TwzVisualObject* object : m_tabList) {
        const int32_t position = object->m_tabPosition;
        if (position >= 0 && static_cast<size_t>(position) < count)
            slots[static_cast<size_t>(position)] = object;
    }
    for (size_t index = 0; index < count; ++index) {
        TwzVisualObject* object = slots[index];
        if (!object)
            continue;
        std::erase(m_tabList, object);
        m_tabList.insert(m_tabList.begin() + static_cast<std::ptrdiff_t>(index), object);
    }
    for (TwzVisualObject* object : m_tabList)
        object->m_tabPosition = -1;
}

// ---- caret ---------------------------------------------------------------------------------------

ui2d::TextCaret& TwzVisualObject::Caret()
{
    if (!m_caret) {
        m_caret = new ui2d::TextCaret(this);
        AddObject(m_caret);
    }
    return *m_caret;
}

TwzVisualObject* TwzVisualObject::GetCaret() const
{
    return m_caret;
}

void TwzVisualObject::ShowCaret()
{
    ui2d::TextCaret& caret = Caret();
    caret.SetVisible(true);
    IwzScene* scene = GetScene();
    if (!scene || !scene->GetAnimatedCaret())
        return;
    if (!m_caretTimer) {
        m_caretTimer.reset(new TwzTimer(nullptr));
        m_caretTimer->SetInterval(kCaretTickMs);
        m_caretTimer->SetEnabled(false);
        rtl::TNotifyEvent tick;
        tick.Bind<&TwzVisualObject::CaretBlinkTick>(this);
        m_caretTimer->SetOnTimer(tick);
    }
    if (m_caretTimer->GetEnabled())
        return;
    m_caretPhase = 0;
    caret.SetOpacity(1);
    m_caretTimer->SetEnabled(true);
}

void TwzVisualObject::HideCaret()
{
    if (!m_caret)
        return;
    m_caret->SetVisible(false);
    if (m_caretTimer)
        m_caretTimer->SetEnabled(false);
    m_caret->SetOpacity(1);
}

void TwzVisualObject::CaretBlinkTick(rtl::TObject*)
{
    if (!m_caret)
        return;
    m_caretPhase = (m_caretPhase + kCaretStepMs) % (2 * kCaretWayMs);
    const float t = static_cast<float>(m_caretPhase) / kCaretWayMs;
    m_caret->SetOpacity(t <= 1 ? 1 - t : t - 1);
}

void TwzVisualObject::SetCaretPos(const TwzPoint& point)
{
    Caret().GetPosition()->SetPoint(
        { static_cast<float>(rtl::Round(point.X)), static_cast<float>(rtl::Round(point.Y)) });
}

void TwzVisualObject::SetCaretSize(const TwzPoint& point)
{
    ui2d::TextCaret& caret = Caret();
    caret.SetWidth(point.X);
    caret.SetHeight(point.Y);
}

void TwzVisualObject::SetCaretColor(uint32_t color)
{
    Caret().SetColor(color);
}

// ---- design hooks --------------------------------------------------------------------------------

void TwzVisualObject::DesignSelect() { }

void TwzVisualObject::DesignDblClick() { }

void TwzVisualObject::DesignInsert() { }
