// The input hooks the scene calls on a visual object: mouse, wheel, keys, focus, capture,
// context menu, drag and drop and hints.
//
// Handlers may free the object: every hook raises its event last, or checks a watch on itself
// before touching its members again.

#include "scene3d/ThvVisualObject.h"

#include "platform/ui/PopupMenuComponent.h"
#include "scene3d/ThvScene.h"

#include "platform/rtl/Numbers.h"

#include <cmath>

void ThvVisualObject::DesignSelect() { }

void ThvVisualObject::DesignClick() { }

void ThvVisualObject::MouseDown(TMouseButton button, TShiftState shift, float x, float y,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    ThvScene* scene = GetScene();
    if (m_dragMode == hvDragAutomatic && scene) {
        scene->BeginAutoDrag(this);
        return;
    }
    const bool doubleClick = shift.Has(platform::ui::ShiftFlag::Double);
    if (doubleClick && InDesignMode())
        scene->SetDesignDblClickObject(this);
    if (!InDesignMode() && m_canFocused && !m_isFocused && (!scene || scene->GetFocused() != this))
        SetFocus();

    OnMouseDown(this, button, shift, x, y, rayPos, rayDir);
    // A freed object opens no menu and takes no capture.
    if (IsFreed())
        return;

    if (button == TMouseButton::Right) {
        const ThvPoint p = LocalToAbsolute({ x, y, 0 });
        TwzPoint point { std::trunc(p.X), std::trunc(p.Y) };
        if (scene = GetScene(); scene)
            point = scene->ClientToScreen(point);
        ContextMenu(point);
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

void ThvVisualObject::MouseMove(
    TShiftState shift, float x, float y, float, float, const ThvVector& rayPos, const ThvVector& rayDir)
{
    OnMouseMove(this, shift, x, y, rayPos, rayDir);
}

void ThvVisualObject::MouseUp(TMouseButton button, TShiftState shift, float x, float y,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    if (m_autoCapture)
        ReleaseCapture();
    // A click needs a press and a release on the object within one gesture.
    if (m_pressed && !m_doubleClicked && m_isMouseOver) {
        m_pressed = false;
        Click();
    }
    OnMouseUp(this, button, shift, x, y, rayPos, rayDir);
    m_pressed = false;
    m_doubleClicked = false;
}

void ThvVisualObject::MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled)
{
    const ThvScene* scene = GetScene();
    const ThvPoint mousePos = scene ? scene->GetMousePos() : ThvPoint {};
    OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
}

void ThvVisualObject::KeyDown(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    OnKeyDown(key, keyChar, shift);
}

void ThvVisualObject::KeyUp(uint16_t& key, char16_t& keyChar, TShiftState shift)
{
    OnKeyUp(key, keyChar, shift);
}

void ThvVisualObject::MouseEnter()
{
    m_isMouseOver = true;
    StartTriggerAnimation(this, "IsMouseOver");
    Repaint();
}

void ThvVisualObject::MouseLeave()
{
    m_isMouseOver = false;
    StartTriggerAnimation(this, "IsMouseOver");
    Repaint();
}

void ThvVisualObject::EnterFocus()
{
    m_isFocused = true;
    Repaint();
    StartTriggerAnimation(this, "IsFocused");
}

void ThvVisualObject::KillFocus()
{
    m_isFocused = false;
    Repaint();
    StartTriggerAnimation(this, "IsFocused");
}

void ThvVisualObject::SetFocus()
{
    ThvScene* scene = GetScene();
    if (m_canFocused && !m_isFocused && scene && scene->GetFocused() != this)
        scene->SetFocused(this);
}

void ThvVisualObject::Capture()
{
    if (ThvScene* scene = GetScene())
        scene->SetCaptured(this);
}

void ThvVisualObject::ReleaseCapture()
{
    if (ThvScene* scene = GetScene())
        scene->SetCaptured(nullptr);
}

void ThvVisualObject::Click()
{
    OnClick(this);
}

void ThvVisualObject::DblClick()
{
    OnDblClick(this);
}

void ThvVisualObject::ContextMenu(const TwzPoint& point)
{
    if (!m_popupMenu)
        return;
    m_popupMenu->SetPopupComponent(this);
    m_popupMenu->Popup(static_cast<int32_t>(rtl::Round(point.X)), static_cast<int32_t>(rtl::Round(point.Y)));
}

void ThvVisualObject::DragEnter(const ThvDragObject& data, const ThvPoint& point)
{
    m_isDragOver = true;
    Repaint();
    StartTriggerAnimation(this, "IsDragOver");
    OnDragEnter(this, data, point);
}

void ThvVisualObject::DragOver(const ThvDragObject& data, const ThvPoint& point, bool& accept)
{
    OnDragOver(this, data, point, accept);
}

void ThvVisualObject::DragDrop(const ThvDragObject& data, const ThvPoint& point)
{
    m_isDragOver = false;
    Repaint();
    StartTriggerAnimation(this, "IsDragOver");
    OnDragDrop(this, data, point);
}

void ThvVisualObject::DragLeave()
{
    m_isDragOver = false;
    Repaint();
    StartTriggerAnimation(this, "IsDragOver");
    OnDragLeave(this);
}

bool ThvVisualObject::HintShow(ThvHintInfo&)
{
    return false;
}

void ThvVisualObject::AddVisibleToList(std::vector<rtl::TObject*>& list)
{
    if (m_visible)
        list.push_back(this);
    for (ThvObject* child : Children()) {
        auto* visual = child->AsVisual();
        if (visual && visual->m_visible)
            visual->AddVisibleToList(list);
    }
}
