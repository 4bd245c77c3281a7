// The visual object's class, its published state, the states it inherits from its
// ancestors (opacity, enabled, visible) and its part in the object tree. Geometry, alignment,
// painting and input live in TwzVisualObjectGeometry.cpp, TwzVisualObjectAlign.cpp,
// TwzVisualObjectPaint.cpp and TwzVisualObjectInput.cpp.

#include "ui2d/TwzVisualObject.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTimer.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/ui/PopupMenuComponent.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kVisualObjectProps[] = {
    RTL_PROP(TwzVisualObject, Align, Enum, vaNone),
    RTL_PROP(TwzVisualObject, Cursor, Integer, 0).WithTypeName("TCursor"),
    RTL_PROP(TwzVisualObject, DragMode, Enum, wzDragManual),
    RTL_PROP(TwzVisualObject, DragDisableHighlight, Boolean, false),
    RTL_PROP(TwzVisualObject, Enabled, Boolean, true),
    RTL_PROP(TwzVisualObject, Position, Class, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, RotateAngle, Float, 0.0),
    RTL_PROP(TwzVisualObject, RotateCenter, Class, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, Locked, Boolean, false),
    RTL_PROP(TwzVisualObject, Width, Float, 50.0),
    RTL_PROP(TwzVisualObject, Height, Float, 50.0),
    RTL_PROP(TwzVisualObject, Margins, Class, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, Padding, Class, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, Opacity, Float, 1.0),
    RTL_PROP(TwzVisualObject, ClipChildren, Boolean, false),
    RTL_PROP(TwzVisualObject, ClipParent, Boolean, false),
    RTL_PROP(TwzVisualObject, HitTest, Boolean, true),
    RTL_PROP(TwzVisualObject, Hint, WideString, u""),
    RTL_PROP(TwzVisualObject, ShowHint, Boolean, false),
    RTL_PROP(TwzVisualObject, CanClipped, Boolean, true),
    RTL_PROP(TwzVisualObject, PopupMenu, Component, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, Scale, Class, rtl::kNoDefault),
    RTL_PROP(TwzVisualObject, Visible, Boolean, true),
    RTL_PROP(TwzVisualObject, DesignHide, Boolean, false),
    RTL_PROP_RO(TwzVisualObject, IsMouseOver, Boolean),
    RTL_PROP_RO(TwzVisualObject, IsDragOver, Boolean),
    RTL_PROP_RO(TwzVisualObject, IsFocused, Boolean),
    RTL_PROP_RO(TwzVisualObject, IsVisible, Boolean),
};

constexpr rtl::TEventInfo kVisualObjectEvents[] = {
    RTL_EVENT(TwzVisualObject, OnClick),
    RTL_EVENT(TwzVisualObject, OnDblClick),
    RTL_EVENT(TwzVisualObject, OnMouseDown),
    RTL_EVENT(TwzVisualObject, OnMouseMove),
    RTL_EVENT(TwzVisualObject, OnMouseUp),
    RTL_EVENT(TwzVisualObject, OnMouseWheel),
    RTL_EVENT(TwzVisualObject, OnMouseEnter),
    RTL_EVENT(TwzVisualObject, OnMouseLeave),
    RTL_EVENT(TwzVisualObject, OnKeyDown),
    RTL_EVENT(TwzVisualObject, OnKeyUp),
    RTL_EVENT(TwzVisualObject, OnDragEnter),
    RTL_EVENT(TwzVisualObject, OnDragOver),
    RTL_EVENT(TwzVisualObject, OnDragDrop),
    RTL_EVENT(TwzVisualObject, OnDragLeave),
    RTL_EVENT(TwzVisualObject, OnPaint),
};

/// Each visual child of `object`, in children order.
template <class F> void ForEachVisualChild(const TwzObject& object, F&& f)
{
    for (TwzObject* child : object.Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            f(*visual);
    }
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzVisualObject, .props = kVisualObjectProps, .events = kVisualObjectEvents)

TwzVisualObject::TwzVisualObject(rtl::TComponent* owner)
    : TwzObject(owner)
    , m_position(std::make_unique<TwzPosition>(TwzPoint { 0, 0 }))
    , m_scale(std::make_unique<TwzPosition>(TwzPoint { 1, 1 }))
    , m_rotateCenter(std::make_unique<TwzPosition>(TwzPoint { 0.5f, 0.5f }))
    , m_margins(std::make_unique<TwzBounds>())
    , m_padding(std::make_unique<TwzBounds>())
{
    MarkVisual();
    InstallBrushPainter();
    m_position->OnChange.Bind<&TwzVisualObject::PositionChanged>(this);
    m_scale->OnChange.Bind<&TwzVisualObject::ScaleChanged>(this);
    m_rotateCenter->OnChange.Bind<&TwzVisualObject::RotateCenterChanged>(this);
    m_margins->OnChange.Bind<&TwzVisualObject::MarginsChanged>(this);
    m_padding->OnChange.Bind<&TwzVisualObject::PaddingChanged>(this);
}

TwzVisualObject::~TwzVisualObject() = default;

TwzVisualObject* TwzVisualObject::AsVisual()
{
    return this;
}

// ---- published -----------------------------------------------------------------------------

void TwzVisualObject::SetAlign(TwzAlign value)
{
    if (value == m_align)
        return;
    m_align = value;
    if (!IsLoading())
        RealignParent();
}

void TwzVisualObject::SetPosition(TwzPosition* value)
{
    if (value)
        m_position->Assign(*value);
}

void TwzVisualObject::SetRotateCenter(TwzPosition* value)
{
    if (value)
        m_rotateCenter->Assign(*value);
}

void TwzVisualObject::SetScale(TwzPosition* value)
{
    if (value)
        m_scale->Assign(*value);
}

void TwzVisualObject::SetMargins(TwzBounds* value)
{
    if (value)
        m_margins->Assign(*value);
}

void TwzVisualObject::SetPadding(TwzBounds* value)
{
    if (value)
        m_padding->Assign(*value);
}

void TwzVisualObject::PositionChanged(rtl::TObject*)
{
    UpdateLocalMatrix();
}

void TwzVisualObject::ScaleChanged(rtl::TObject*)
{
    UpdateLocalMatrix();
}

void TwzVisualObject::RotateCenterChanged(rtl::TObject*)
{
    UpdateLocalMatrix();
}

void TwzVisualObject::MarginsChanged(rtl::TObject*)
{
    RealignChildren();
}

void TwzVisualObject::PaddingChanged(rtl::TObject*)
{
    if (!IsLoading())
        RealignParent();
}

void TwzVisualObject::SetClipChildren(bool value)
{
    if (value == m_clipChildren)
        return;
    // The update rectangles of the object and its children depend on the clip: the area
    // painted so far and the area painted from now on both need repainting.
    InvalidateObject();
    m_clipChildren = value;
    MarkUpdateRectDirty();
    InvalidateObject();
}

void TwzVisualObject::SetDesignHide(bool value)
{
    if (value == m_designHide)
        return;
    m_designHide = value;
    if (!HostDesignTime())
        return;
    TwzVisualObject* parent = RealVisualParent();
    if (!parent)
        return;
    parent->InvalidateObject();
    // A selection that disappears hands the designer's selection to its parent.
    if (IwzScene* scene = GetScene(); value && SceneDesigner && scene && scene->GetSelected() == this)
        SceneDesigner->SelectObject(scene->GetOwner(), parent, {});
}

void TwzVisualObject::SetDesignHideRecursive(bool value)
{
    m_designHide = value;
    ForEachVisualChild(*this, [value](TwzVisualObject& child) { child.SetDesignHideRecursive(value); });
}

// ---- opacity ---------------------------------------------------------------------------------

void TwzVisualObject::SetOpacity(float value)
{
    if (value == m_opacity || std::isnan(value))
        return;
    m_opacity = std::clamp(value, 0.0f, 1.0f);
    RecalcOpacity();
    InvalidateObject();
}

float TwzVisualObject::GetAbsoluteOpacity()
{
    if (!m_opacityDirty)
        return m_absoluteOpacity;
    m_opacityDirty = false;
    TwzVisualObject* parent = VisualParent();
    float result = parent ? parent->GetAbsoluteOpacity() * m_opacity : m_opacity;
    // A disabled object is dimmed; the host's root and its direct children stay as they are,
    // so a disabled window's own look is not washed out.
    if (IwzScene* scene = GetScene(); scene && !GetAbsoluteEnabled()) {
        const TwzObject* root = scene->GetRoot();
        const TwzObject* parentObject = m_paintParentActive ? m_paintParent : GetParent();
        if (this != root && parentObject != root)
            result *= 0.8f;
    }
    m_absoluteOpacity = result;
    return result;
}

void TwzVisualObject::RecalcOpacity()
{
    m_opacityDirty = true;
    ForEachVisualChild(*this, [](TwzVisualObject& child) { child.RecalcOpacity(); });
}

// ---- enabled state ---------------------------------------------------------------------------

void TwzVisualObject::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    RecalcEnabled();
    RecalcOpacity();
    InvalidateObject();
}

bool TwzVisualObject::GetAbsoluteEnabled()
{
    if (!m_enabledDirty)
        return m_absoluteEnabled;
    m_enabledDirty = false;
    TwzVisualObject* parent = VisualParent();
    m_absoluteEnabled = parent && !parent->GetAbsoluteEnabled() ? false : m_enabled;
    if (!m_absoluteEnabled && m_canFocused && m_isFocused) {
        if (IwzScene* scene = GetScene())
            scene->SetFocused(nullptr);
    }
    return m_absoluteEnabled;
}

void TwzVisualObject::RecalcEnabled()
{
    m_enabledDirty = true;
    ForEachVisualChild(*this, [](TwzVisualObject& child) { child.RecalcEnabled(); });
}

// ---- visibility ------------------------------------------------------------------------------

void TwzVisualObject::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    // Reported to the host directly: InvalidateObject skips hidden objects.
    IwzScene* scene = GetScene();
    if (m_visible && scene)
        scene->AddUpdateRect(GetUpdateRect());
    m_visible = value;
    // The images of the ancestors' effects show this object, or no longer do.
    for (TwzVisualObject* ancestor = RealVisualParent(); ancestor; ancestor = ancestor->RealVisualParent())
        ancestor->m_effectsDirty = true;
    if (!IsLoading() && m_align != vaNone)
        RealignParent();
    if (m_visible) {
        if ((scene = GetScene()))
            scene->AddUpdateRect(GetUpdateRect());
        StartTriggerAnimation(this, "IsVisible");
    } else if (m_canFocused && m_isFocused) {
        if ((scene = GetScene()))
            scene->SetFocused(nullptr);
    }
}

bool TwzVisualObject::GetAbsoluteVisible() const
{
    for (const TwzObject* object = this; object; object = object->GetParent()) {
        if (object->IsVisual() && !static_cast<const TwzVisualObject*>(object)->m_visible)
            return false;
    }
    return true;
}

// ---- parents and hosts -----------------------------------------------------------------------

TwzVisualObject* TwzVisualObject::RealVisualParent() const
{
    TwzObject* parent = GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

TwzVisualObject* TwzVisualObject::VisualParent() const
{
    return m_paintParentActive ? m_paintParent : RealVisualParent();
}

bool TwzVisualObject::HostDesignTime() const
{
    IwzScene* scene = GetScene();
    return scene && scene->GetDesignTime();
}

void TwzVisualObject::RealignParent()
{
    if (TwzVisualObject* parent = RealVisualParent())
        parent->RealignChildren();
}

bool TwzVisualObject::IsScrollContent() const
{
    return false;
}

// ---- the object tree ---------------------------------------------------------------------------

void TwzVisualObject::ObjectAdded(TwzObject* child)
{
    TwzVisualObject* visualChild = child->AsVisual();
    if (dynamic_cast<ui2d::IVisualEffect*>(child))
        m_effectsDirty = true;
    if (!IsLoading()) {
        MarkUpdateRectDirty();
        if (HasEffects()) {
            m_effectsDirty = true;
            InvalidateObject();
        }
        if (visualChild && visualChild->m_align != vaNone)
            RealignChildren();
    }
    if (visualChild && std::find(m_tabList.begin(), m_tabList.end(), visualChild) == m_tabList.end())
        m_tabList.push_back(visualChild);
}

void TwzVisualObject::AttachedToParent()
{
    TwzObject* parent = GetParent();
    if (!parent || parent->IsLoading())
        return;
    // Every cache inherited from the old place is stale, and the new place must be painted.
    RecalcOpacity();
    RecalcEnabled();
    RecalcAbsolute();
    MarkUpdateRectDirty();
    InvalidateObject();
}

void TwzVisualObject::ObjectRemoving(TwzObject* child)
{
    TwzVisualObject* visualChild = child->AsVisual();
    if (!visualChild)
        return;
    std::erase(m_tabList, visualChild);
    // The area the child covered is repainted without it (it still has its host here).
    if (!IsDestroying() && !IsLoading())
        visualChild->InvalidateObject();
}

void TwzVisualObject::RemoveObject(TwzObject* child)
{
    TwzVisualObject* visualChild = child && child->GetParent() == this ? child->AsVisual() : nullptr;
    if (dynamic_cast<ui2d::IVisualEffect*>(child))
        m_effectsDirty = true;
    Inherited::RemoveObject(child);
    if (!visualChild)
        return;
    if (!visualChild->IsDestroying()) {
        // Detached: nothing inherited from this parent holds any more.
        visualChild->RecalcOpacity();
        visualChild->RecalcEnabled();
        visualChild->RecalcAbsolute();
        visualChild->MarkUpdateRectSubtree();
    }
    if (IsDestroying() || IsLoading())
        return;
    MarkUpdateRectDirty();
    // The space an aligned child took goes back to its siblings.
    if (visualChild->m_align != vaNone)
        RealignChildren();
}

void TwzVisualObject::DeleteChildren()
{
    // The children are freed without leaving one by one, so the tab list goes first.
    m_tabList.clear();
    m_effectsDirty = true;
    Inherited::DeleteChildren();
}

void TwzVisualObject::BroughtToFront()
{
    InvalidateObject();
}

void TwzVisualObject::ChildSentToBack(TwzObject* child)
{
    RealignChildren();
    // Painted first now: what lay over it shows again.
    if (TwzVisualObject* visualChild = child->AsVisual())
        visualChild->InvalidateObject();
}

bool TwzVisualObject::ReceivesParentTriggers() const
{
    return m_locked && !m_hitTest;
}

// ---- loading -----------------------------------------------------------------------------------

void TwzVisualObject::Loaded()
{
    Inherited::Loaded();
    m_previousWidth = m_width;
    m_previousHeight = m_height;
    UpdateLocalMatrix();
    if (GetChildCount() > 0)
        RealignChildren();
    // The tab list takes the TabOrder numbers read with the children.
    if (!m_tabList.empty())
        ApplyLoadedTabOrder();
}
