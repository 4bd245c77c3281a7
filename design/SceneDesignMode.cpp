// The design mode of the 2D hosts: the selection and the designer hook, the mouse (handles,
// moving with grid and line snapping, Alt-drag reparenting, resizing and turning), the Delete
// key, and the 2D scene control's own answers to the hooks. The overlays are in
// SceneDesignOverlay.cpp, the design menu and its commands in SceneDesignCommands.cpp.

#include "design/SceneDesignMode.h"

#include "design/SceneDesignGeometry.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Window.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <cmath>
#include <numbers>

using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

namespace design {

using detail::Box;
using detail::BoxOf;
using detail::IsResize;
using detail::kHandleHalf;
using detail::Relation;
using detail::RelationsOf;
using detail::VisualParentOf;

namespace {

constexpr float kSnapTolerance = 2;
constexpr float kLineSnapTolerance = 4;

constexpr DesignDrag kHandleOrder[]
    = { DesignDrag::Rotation, DesignDrag::LeftTop, DesignDrag::RightTop, DesignDrag::LeftBottom,
          DesignDrag::RightBottom, DesignDrag::Top, DesignDrag::Bottom, DesignDrag::Left, DesignDrag::Right };

size_t HoverIndex(DesignDrag handle)
{
    return handle == DesignDrag::Rotation
        ? 0
        : static_cast<size_t>(handle) - static_cast<size_t>(DesignDrag::LeftTop) + 1;
}

bool IsCornerOrMove(DesignDrag drag)
{
    return drag == DesignDrag::Move || (drag >= DesignDrag::LeftTop && drag <= DesignDrag::RightBottom);
}

// The centre of a handle in the selection's local coordinates.
TwzPoint HandleCentre(TwzVisualObject& object, DesignDrag handle)
{
    const TwzRect r = object.GetDesignRect();
    const float w = object.GetWidth();
    const float h = object.GetHeight();
    switch (handle) {
    case DesignDrag::Rotation:
        return { w / 2, -10 };
    case DesignDrag::LeftTop:
        return { 0, 0 };
    case DesignDrag::RightTop:
        return { r.Right, 0 };
    case DesignDrag::LeftBottom:
        return { 0, r.Bottom };
    case DesignDrag::RightBottom:
        return { r.Right, r.Bottom };
    case DesignDrag::Top:
        return { w / 2, 0 };
    case DesignDrag::Bottom:
        return { w / 2, r.Bottom };
    case DesignDrag::Left:
        return { 0, h / 2 };
    case DesignDrag::Right:
        return { r.Right, h / 2 };
    default:
        return {};
    }
}

bool OverHandle(const TwzPoint& local, const TwzPoint& centre)
{
    return std::abs(local.X - centre.X) <= kHandleHalf && std::abs(local.Y - centre.Y) <= kHandleHalf;
}

// The box of a local rectangle in scene coordinates.
TwzRect SceneBox(TwzVisualObject* space, const TwzRect& r)
{
    const TwzPoint corners[]
        = { { r.Left, r.Top }, { r.Right, r.Top }, { r.Left, r.Bottom }, { r.Right, r.Bottom } };
    TwzRect box {};
    for (size_t i = 0; i < 4; ++i) {
        const TwzPoint p = space ? space->LocalToAbsolute(corners[i]) : corners[i];
        if (i == 0) {
            box = { p.X, p.Y, p.X, p.Y };
            continue;
        }
        box.Left = std::min(box.Left, p.X);
        box.Top = std::min(box.Top, p.Y);
        box.Right = std::max(box.Right, p.X);
        box.Bottom = std::max(box.Bottom, p.Y);
    }
    return box;
}

bool IsInside(TwzObject* object, TwzObject* ancestor)
{
    for (TwzObject* o = object; o; o = o->GetParent())
        if (o == ancestor)
            return true;
    return false;
}

} // namespace

// ---- construction -------------------------------------------------------------------------

SceneDesignMode::SceneDesignMode(IwzScene& host)
    : m_host(host)
    , m_hostComponent(host.GetComponent())
{ }

SceneDesignMode::~SceneDesignMode() = default;

TwzVisualObject* SceneDesignMode::Selection() const
{
    TwzObject* selected = m_host.GetSelected();
    return selected ? selected->AsVisual() : nullptr;
}

rtl::TComponent* SceneDesignMode::Owner() const
{
    return m_host.GetOwner();
}

float SceneDesignMode::SnapToGrid(float v) const
{
    const float size = GetGridSize();
    if (!GetSnapToGrid() || size == 0)
        return v;
    return std::trunc(v / size) * size;
}

std::vector<TwzObject*> SceneDesignMode::ExtraSelection() const
{
    std::vector<TwzObject*> list;
    for (const rtl::Watch<TwzObject>& object : m_extra)
        if (object)
            list.push_back(object.Get());
    return list;
}

std::vector<TwzVisualObject*> SceneDesignMode::SnapObjects() const
{
    std::vector<TwzVisualObject*> list;
    for (const rtl::Watch<TwzVisualObject>& object : m_snapObjects)
        if (object)
            list.push_back(object.Get());
    return list;
}

bool SceneDesignMode::GetHover(DesignDrag handle) const
{
    if (handle != DesignDrag::Rotation && !IsResize(handle))
        return false;
    return m_hover[HoverIndex(handle)];
}

TwzObject* SceneDesignMode::GetDropTarget() const
{
    return m_dropTarget.Get();
}

// ---- the designer hook --------------------------------------------------------------------

void SceneDesignMode::NotifySelect(TwzObject* object, bool withExtra)
{
    if (!SceneDesigner)
        return;
    const std::vector<TwzObject*> extra = withExtra ? ExtraSelection() : std::vector<TwzObject*> {};
    SceneDesigner->SelectObject(Owner(), object, extra);
}

void SceneDesignMode::NotifyModified()
{
    if (SceneDesigner)
        SceneDesigner->Modified(Owner());
}

std::string SceneDesignMode::UniqueName(const std::string& baseName) const
{
    return SceneDesigner ? SceneDesigner->UniqueName(Owner(), baseName) : std::string();
}

void SceneDesignMode::NameObject(TwzObject& object, const std::string& baseName)
{
    if (!SceneDesigner)
        return;
    try {
        object.SetName(UniqueName(baseName));
    } catch (const rtl::ComponentError&) {
        // A designer that answers a name in use leaves the object unnamed.
    }
}

// ---- selection ----------------------------------------------------------------------------

void SceneDesignMode::SelectObject(TwzVisualObject* object)
{
    rtl::Watch<TwzVisualObject> next(object);
    rtl::Watch<TwzVisualObject> old(Selection());
    if (old) {
        old->MarkUpdateRectDirty();
        old->InvalidateObject();
    }
    if (!HostAlive())
        return;
    m_host.SetSelected(object);
    // The old selection's area no longer grows for the handles.
    if (old && old.Get() != object)
        old->MarkUpdateRectDirty();
    if (next) {
        next->DesignSelect();
        if (!HostAlive() || !next)
            return;
    }
    NotifySelect(next.Get(), false);
    if (!HostAlive())
        return;
    RaiseDesignChange();
    if (HostAlive() && next) {
        next->MarkUpdateRectDirty();
        next->InvalidateObject();
    }
}

// ---- mouse --------------------------------------------------------------------------------

void SceneDesignMode::MouseDown(MouseButton button, ShiftState shift, float x, float y)
{
    const auto keep = shared_from_this();
    m_mousePos = { x, y };
    m_snappedPos = { SnapToGrid(x), SnapToGrid(y) };
    m_downPos = m_snappedPos;
    m_snapObjects.clear();

    if (!m_host.GetRoot()) {
        CreateRoot();
        if (!HostAlive())
            return;
    }
    if (button == MouseButton::Right) {
        PopupDesignMenu();
        if (!HostAlive())
            return;
    }

    TwzVisualObject* selection = Selection();
    if (selection && !selection->GetNoDesignHandles()) {
        const TwzPoint local = selection->AbsoluteToLocal(m_mousePos);
        for (DesignDrag handle : kHandleOrder) {
            if (!OverHandle(local, HandleCentre(*selection, handle)))
                continue;
            NotifySelect(selection, false);
            if (!HostAlive())
                return;
            RaiseDesignChange();
            m_drag = handle;
            return;
        }
    }

    rtl::Watch<TwzVisualObject> hit(ObjectAt(m_mousePos));
    if (hit && hit.Get() == selection && shift.Has(ShiftFlag::Double)) {
        hit->DesignDblClick();
        if (!HostAlive())
            return;
    }
    if (!hit)
        return;
    selection = Selection();
    if (shift.Has(ShiftFlag::Ctrl) && hit.Get() != selection) {
        auto entry = std::find_if(m_extra.begin(), m_extra.end(),
            [&](const rtl::Watch<TwzObject>& e) { return e.Get() == hit.Get(); });
        if (entry != m_extra.end())
            *entry = selection;
        else
            m_extra.emplace_back(hit.Get());
        NotifySelect(selection, true);
        return;
    }
    m_extra.clear();
    SelectObject(hit);
    if (HostAlive())
        m_drag = DesignDrag::Move;
}

void SceneDesignMode::UpdateHover()
{
    TwzVisualObject* selection = Selection();
    if (!selection || selection->GetNoDesignHandles())
        return;
    const TwzPoint local = selection->AbsoluteToLocal(m_mousePos);
    for (DesignDrag handle : kHandleOrder) {
        const TwzPoint centre = HandleCentre(*selection, handle);
        const bool over = OverHandle(local, centre);
        bool& flag = m_hover[HoverIndex(handle)];
        if (over == flag)
            continue;
        flag = over;
        TwzRect square { centre.X - kHandleHalf, centre.Y - kHandleHalf, centre.X + kHandleHalf,
            centre.Y + kHandleHalf };
        TwzRect area = SceneBox(selection, square);
        RectInflate(area, 2, 2);
        m_host.AddUpdateRect(area);
    }
}

void SceneDesignMode::MouseMove(ShiftState shift, float x, float y)
{
    const auto keep = shared_from_this();
    m_mousePos = { x, y };
    m_snappedPos = { SnapToGrid(x), SnapToGrid(y) };
    UpdateHover();
    rtl::Watch<TwzVisualObject> selection(Selection());
    if (!shift.Has(ShiftFlag::Left) || !selection)
        return;
    if (m_drag == DesignDrag::Move)
        MoveSelection(shift);
    else if (m_drag == DesignDrag::Rotation)
        RotateSelection();
    else if (IsResize(m_drag))
        ResizeSelection();
    if (HostAlive())
        m_downPos = m_snappedPos;
}

void SceneDesignMode::MoveSelection(ShiftState shift)
{
    rtl::Watch<TwzVisualObject> selection(Selection());
    TwzPoint delta { m_mousePos.X - m_downPos.X, m_mousePos.Y - m_downPos.Y };
    TwzVisualObject* parent = VisualParentOf(selection);
    delta = parent ? parent->AbsoluteToLocalVector(delta) : selection->AbsoluteToLocalVector(delta);
    TwzPosition* position = selection->GetPosition();
    position->SetX(SnapToGrid(position->GetX() + delta.X));
    if (!selection)
        return;
    position->SetY(SnapToGrid(position->GetY() + delta.Y));
    if (!selection || !HostAlive())
        return;
    CollectSnapObjects(true);
    if (!selection || !HostAlive())
        return;

    // The selection is not its own target: it stays locked while the target is looked up.
    const bool wasLocked = selection->GetLocked();
    selection->SetLocked(true);
    TwzVisualObject* target = ObjectAt(m_mousePos);
    selection->SetLocked(wasLocked);
    // NOTE: an object can never go inside itself, so its own subtree offers no target.
    if (!target || IsInside(target, selection) || target == VisualParentOf(selection)) {
        SetDropTarget(nullptr);
        return;
    }
    SetDropTarget(target);
    if (!shift.Has(ShiftFlag::Alt) || !selection || !HostAlive())
        return;
    // Moved inside the target, the object keeps its place on the screen.
    const TwzPoint origin = selection->LocalToAbsolute({ 0, 0 });
    selection->SetParent(target);
    if (!selection || selection->GetParent() != target)
        return;
    selection->GetPosition()->SetPoint(target->AbsoluteToLocal(origin));
}

void SceneDesignMode::SetDropTarget(TwzVisualObject* target)
{
    if (target == m_dropTarget.Get())
        return;
    if (TwzVisualObject* old = m_dropTarget) {
        old->InvalidateObject();
        m_dropTarget = nullptr;
        old->MarkUpdateRectDirty();
    }
    if (!target || !HostAlive())
        return;
    m_dropTarget = target;
    target->MarkUpdateRectDirty();
    target->InvalidateObject();
}

void SceneDesignMode::RotateSelection()
{
    TwzVisualObject* selection = Selection();
    const TwzPoint c { selection->GetWidth() / 2, selection->GetHeight() / 2 };
    const TwzPoint a = selection->AbsoluteToLocal(m_snappedPos);
    const TwzPoint b = selection->AbsoluteToLocal(m_downPos);
    const TwzPoint u { a.X - c.X, a.Y - c.Y };
    const TwzPoint v { b.X - c.X, b.Y - c.Y };
    const float lengths = std::hypot(u.X, u.Y) * std::hypot(v.X, v.Y);
    // The pointer on the centre (or a point gone to infinity) gives no angle.
    if (!(lengths > 0) || !std::isfinite(lengths))
        return;
    const float cosine = std::clamp((u.X * v.X + u.Y * v.Y) / lengths, -1.0f, 1.0f);
    const float angle = std::acos(cosine) * 180 / std::numbers::pi_v<float>;
    if (u.X * v.Y - u.Y * v.X < 0)
        selection->SetRotateAngle(selection->GetRotateAngle() + angle);
    else
        selection->SetRotateAngle(selection->GetRotateAngle() - angle);
}

void SceneDesignMode::ResizeSelection()
{
    rtl::Watch<TwzVisualObject> selection(Selection());
    const TwzPoint p = SnapToLines(selection->AbsoluteToLocal(m_snappedPos));
    if (!selection || !HostAlive())
        return;
    const TwzRect r = selection->GetDesignRect();
    TwzRect next = r;
    switch (m_drag) {
    case DesignDrag::LeftTop:
        next = { p.X, p.Y, r.Right, r.Bottom };
        break;
    case DesignDrag::RightTop:
        next = { r.Left, p.Y, p.X, r.Bottom };
        break;
    case DesignDrag::LeftBottom:
        next = { p.X, r.Top, r.Right, p.Y };
        break;
    case DesignDrag::RightBottom:
        next = { r.Left, r.Top, p.X, p.Y };
        break;
    case DesignDrag::Top:
        next = { r.Left, p.Y, r.Right, r.Bottom };
        break;
    case DesignDrag::Bottom:
        next = { r.Left, r.Top, r.Right, p.Y };
        break;
    case DesignDrag::Left:
        next = { p.X, r.Top, r.Right, r.Bottom };
        break;
    case DesignDrag::Right:
        next = { r.Left, r.Top, p.X, r.Bottom };
        break;
    default:
        return;
    }
    selection->SetBoundsRect(next);
}

void SceneDesignMode::MouseUp(MouseButton, ShiftState, float, float)
{
    const auto keep = shared_from_this();
    SetDropTarget(nullptr);
    InvalidateSnapLines();
    m_snapObjects.clear();
    const DesignDrag drag = std::exchange(m_drag, DesignDrag::None);
    rtl::Watch<TwzVisualObject> selection(Selection());
    if (!selection || !IsCornerOrMove(drag) || !HostAlive())
        return;
    if (TwzVisualObject* parent = VisualParentOf(selection))
        parent->RealignChildren();
    if (!HostAlive())
        return;
    NotifyModified();
    if (HostAlive() && selection && !selection->GetParent())
        RefitRoot();
}

void SceneDesignMode::KeyUp(uint16_t key)
{
    const auto keep = shared_from_this();
    if (key != platform::ui::vk::kDelete)
        return;
    TwzVisualObject* selection = Selection();
    if (!selection)
        return;
    m_host.SetSelected(nullptr);
    selection->Free();
}

bool SceneDesignMode::HitTest(const TwzPoint& point)
{
    const auto keep = shared_from_this();
    if (!m_host.GetRoot() || m_drag == DesignDrag::Move
        || (m_drag >= DesignDrag::LeftTop && m_drag <= DesignDrag::RightBottom))
        return true;
    if (ObjectAt(point))
        return true;
    TwzVisualObject* selection = Selection();
    if (!selection)
        return false;
    const TwzRect r = selection->GetAbsoluteRect();
    return point.X >= r.Left && point.X <= r.Right && point.Y >= r.Top && point.Y <= r.Bottom;
}

// ---- line snapping ------------------------------------------------------------------------

void SceneDesignMode::CollectSnapObjects(bool snap)
{
    rtl::Watch<TwzVisualObject> selection(Selection());
    TwzObject* parent = selection ? selection->GetParent() : nullptr;
    if (!GetSnapToLines() || !parent)
        return;
    const std::vector<rtl::Watch<TwzObject>> siblings(parent->Children().begin(), parent->Children().end());
    for (const rtl::Watch<TwzObject>& sibling : siblings) {
        TwzVisualObject* s = sibling ? sibling->AsVisual() : nullptr;
        if (!s || s == selection.Get())
            continue;
        const Box a = BoxOf(*selection);
        for (const Relation& relation : RelationsOf(BoxOf(*s), a)) {
            if (!(std::abs(relation.s - relation.a) < kSnapTolerance))
                continue;
            if (snap) {
                TwzPosition* position = selection->GetPosition();
                if (relation.vertical) {
                    m_snappedPos.Y += relation.target - a.y;
                    position->SetY(relation.target);
                } else {
                    m_snappedPos.X += relation.target - a.x;
                    position->SetX(relation.target);
                }
                if (!selection || !HostAlive())
                    return;
            }
            const bool known = std::any_of(m_snapObjects.begin(), m_snapObjects.end(),
                [&](const rtl::Watch<TwzVisualObject>& o) { return o.Get() == s; });
            if (!known)
                m_snapObjects.emplace_back(s);
            break;
        }
    }
    InvalidateSnapLines();
}

TwzPoint SceneDesignMode::SnapToLines(TwzPoint p)
{
    rtl::Watch<TwzVisualObject> selection(Selection());
    if (!GetSnapToLines() || !selection || !selection->GetParent())
        return p;
    CollectSnapObjects(false);
    if (!selection || m_snapObjects.empty())
        return p;
    TwzVisualObject* parent = VisualParentOf(selection);
    TwzPoint q = selection->LocalToAbsolute(p);
    if (parent)
        q = parent->AbsoluteToLocal(q);
    for (const rtl::Watch<TwzVisualObject>& snapObject : m_snapObjects) {
        if (!snapObject)
            continue;
        const Box s = BoxOf(*snapObject);
        if (std::abs(q.X - s.x) < kLineSnapTolerance)
            q.X = s.x;
        if (std::abs(q.Y - s.y) < kLineSnapTolerance)
            q.Y = s.y;
        if (std::abs(q.X - (s.x + s.w)) < kLineSnapTolerance)
            q.X = s.x + s.w;
        if (std::abs(q.Y - (s.y + s.h)) < kLineSnapTolerance)
            q.Y = s.y + s.h;
    }
    if (parent)
        q = parent->LocalToAbsolute(q);
    return selection->AbsoluteToLocal(q);
}

std::vector<TwzRect> SceneDesignMode::SnapLineAreas()
{
    std::vector<TwzRect> areas;
    TwzVisualObject* selection = Selection();
    TwzVisualObject* parent = VisualParentOf(selection);
    if (!selection || selection->GetNoDesignHandles() || !parent || m_snapObjects.empty()
        || !(m_drag == DesignDrag::Move || IsResize(m_drag)))
        return areas;
    // Every line joins edges or centres of the two objects: their joint box holds them all.
    const Box a = BoxOf(*selection);
    for (const rtl::Watch<TwzVisualObject>& snapObject : m_snapObjects) {
        if (!snapObject)
            continue;
        const Box s = BoxOf(*snapObject);
        const TwzRect joint { std::min(a.x, s.x), std::min(a.y, s.y), std::max(a.x + a.w, s.x + s.w) + 1,
            std::max(a.y + a.h, s.y + s.h) + 1 };
        TwzRect area = SceneBox(parent, joint);
        RectInflate(area, 1, 1);
        areas.push_back(area);
    }
    return areas;
}

void SceneDesignMode::InvalidateSnapLines()
{
    std::vector<TwzRect> queued;
    std::vector<TwzRect> areas = SnapLineAreas();
    // Where lines were drawn before this step may be bare now.
    areas.insert(areas.end(), m_lineAreas.begin(), m_lineAreas.end());
    m_lineAreas = SnapLineAreas();
    for (const TwzRect& area : areas) {
        if (std::find(queued.begin(), queued.end(), area) != queued.end())
            continue;
        queued.push_back(area);
        m_host.AddUpdateRect(area);
    }
}

// ---- the 2D scene control ------------------------------------------------------------------

CustomSceneDesignMode::CustomSceneDesignMode(TwzCustomScene& scene)
    : SceneDesignMode(scene)
    , m_scene(scene)
{ }

TwzVisualObject* CustomSceneDesignMode::ObjectAt(const TwzPoint& p)
{
    return m_scene.ObjectAtScenePoint(p);
}

void CustomSceneDesignMode::CreateRoot()
{
    auto* root = new TwzBackground(m_scene.GetOwner());
    rtl::Watch<TwzBackground> watched(root);
    if (SceneDesigner) {
        try {
            root->SetName(SceneDesigner->UniqueName(m_scene.GetOwner(), "Root"));
        } catch (const rtl::ComponentError&) { }
    }
    m_scene.AddObject(root);
    if (watched && HostAlive())
        m_scene.RefitRoot();
}

void CustomSceneDesignMode::RefitRoot()
{
    m_scene.RefitRoot();
}

platform::ui::Point CustomSceneDesignMode::MenuScreenPoint()
{
    const TwzPoint mouse = m_scene.GetMousePos();
    const TwzPoint screen = m_scene.LocalToScreen({ std::trunc(mouse.X), std::trunc(mouse.Y) });
    return { static_cast<int32_t>(screen.X), static_cast<int32_t>(screen.Y) };
}

platform::ui::SceneHost* CustomSceneDesignMode::MenuOwner()
{
    return m_scene.GetHost();
}

TwzPoint CustomSceneDesignMode::MenuPoint(platform::ui::Point screen)
{
    return { static_cast<float>(screen.x), static_cast<float>(screen.y) };
}

std::optional<TwzPoint> CustomSceneDesignMode::InsertPosition(TwzVisualObject* selection)
{
    platform::ui::Form* form = m_scene.GetParentForm();
    if (!form)
        return std::nullopt;
    const TwzPoint menu = GetMenuPos();
    const platform::ui::Point client
        = form->ScreenToClient({ static_cast<int32_t>(menu.X), static_cast<int32_t>(menu.Y) });
    const TwzPoint at { static_cast<float>(client.x), static_cast<float>(client.y) };
    if (!selection)
        return at;
    if (at.X < 0 || at.Y < 0 || at.X > static_cast<float>(m_scene.GetWidth())
        || at.Y > static_cast<float>(m_scene.GetHeight()))
        return std::nullopt;
    return selection->AbsoluteToLocal(at);
}

std::string CustomSceneDesignMode::LoadFilter() const
{
    return "Plimora Files|*.plimora;*.wz";
}

platform::ui::Form* CustomSceneDesignMode::DialogOwner()
{
    return m_scene.GetParentForm();
}

void CustomSceneDesignMode::RaiseDesignChange()
{
    m_scene.OnDesignChange(&m_scene);
}

bool CustomSceneDesignMode::GetSnapGridShow() const
{
    return m_scene.GetDesignSnapGridShow();
}

bool CustomSceneDesignMode::GetSnapToGrid() const
{
    return m_scene.GetDesignSnapToGrid();
}

bool CustomSceneDesignMode::GetSnapToLines() const
{
    return m_scene.GetDesignSnapToLines();
}

float CustomSceneDesignMode::GetGridSize() const
{
    return m_scene.GetSnapGridSize();
}

void CustomSceneDesignMode::SetSnapSettings(bool show, bool toGrid, bool toLines)
{
    m_scene.SetDesignSnapGridShow(show);
    m_scene.SetDesignSnapToGrid(toGrid);
    m_scene.SetDesignSnapToLines(toLines);
}

TwzRect CustomSceneDesignMode::ClientRect() const
{
    return { 0, 0, static_cast<float>(m_scene.GetWidth()), static_cast<float>(m_scene.GetHeight()) };
}

} // namespace design
