// The design mode of the 2D hosts: selection and handles, moving with grid and line
// snapping, Alt-drag reparenting, resizing and turning, the Delete key, the overlays, the
// design menu and its commands, insertion by class name, copy and paste of object text, and
// the 2D scene control's own answers to the hooks.

#include "design/SceneDesignMode.h"

#include "design/TabOrderEditor.h"
#include "graphics/ObjectText.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Window.h"
#include "ui2d/IwzScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

namespace design {

namespace {

constexpr float kHandleHalf = 3; // handles are 6 by 6, edges included
constexpr float kSnapTolerance = 2;
constexpr float kLineSnapTolerance = 4;
constexpr TwzColor kFrameColor = 0xFF1072C5;
constexpr TwzColor kHandleColor = 0xFFFFFFFF;
constexpr TwzColor kHoverColor = 0xFFFF0000;
constexpr TwzColor kDropColor = 0xFF5B91DE;
constexpr float kDropLabelWidth = 160;
constexpr float kDropLabelHeight = 19;
// Object text read from a file: far beyond any designed scene, small enough to hold.
constexpr uint64_t kMaxObjectFileBytes = 64u << 20;

constexpr DesignDrag kHandleOrder[]
    = { DesignDrag::Rotation, DesignDrag::LeftTop, DesignDrag::RightTop, DesignDrag::LeftBottom,
          DesignDrag::RightBottom, DesignDrag::Top, DesignDrag::Bottom, DesignDrag::Left, DesignDrag::Right };

size_t HoverIndex(DesignDrag handle)
{
    return handle == DesignDrag::Rotation
        ? 0
        : static_cast<size_t>(handle) - static_cast<size_t>(DesignDrag::LeftTop) + 1;
}

bool IsResize(DesignDrag drag)
{
    return drag >= DesignDrag::LeftTop && drag <= DesignDrag::Right;
}

bool IsCornerOrMove(DesignDrag drag)
{
    return drag == DesignDrag::Move || (drag >= DesignDrag::LeftTop && drag <= DesignDrag::RightBottom);
}

TwzVisualObject* VisualParentOf(const TwzObject* object)
{
    TwzObject* parent = object ? object->GetParent() : nullptr;
    return parent ? parent->AsVisual() : nullptr;
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

// The places of two siblings in their parent, for the line relations.
struct Box {
    float x, y, w, h;
    [[nodiscard]] float Cx() const { return static_cast<float>(rtl::Round(w / 2)) + x; }
    [[nodiscard]] float Cy() const { return static_cast<float>(rtl::Round(h / 2)) + y; }
};

Box BoxOf(TwzVisualObject& object)
{
    const TwzPoint p = object.GetPosition()->GetPoint();
    return { p.X, p.Y, object.GetWidth(), object.GetHeight() };
}

// One line relation between a sibling S and the selection A: the two values compared, the
// selection's coordinate that makes them equal, and whether it is a Y relation.
struct Relation {
    float s;
    float a;
    float target;
    bool vertical; // a Y relation
};

std::array<Relation, 10> RelationsOf(const Box& s, const Box& a)
{
    const auto halfW = static_cast<float>(rtl::Round(a.w / 2));
    const auto halfH = static_cast<float>(rtl::Round(a.h / 2));
    return { {
        { s.Cy(), a.Cy(), s.Cy() - halfH, true },
        { s.Cx(), a.Cx(), s.Cx() - halfW, false },
        { s.x, a.x, s.x, false },
        { s.y, a.y, s.y, true },
        { s.x, a.x + a.w, s.x - a.w, false },
        { s.y, a.y + a.h, s.y - a.h, true },
        { s.x + s.w, a.x, s.x + s.w, false },
        { s.y + s.h, a.y, s.y + s.h, true },
        { s.x + s.w, a.x + a.w, s.x + s.w - a.w, false },
        { s.y + s.h, a.y + a.h, s.y + s.h - a.h, true },
    } };
}

std::string WithoutPrefix(std::string_view className)
{
    if (className.size() >= 3 && className.substr(0, 3) == "Twz")
        return std::string(className.substr(3));
    return std::string(className);
}

std::string ShortName(std::string_view className)
{
    return className.size() > 3 ? std::string(className.substr(3)) : std::string();
}

// The text rule of inserted objects: a published Text shows the class name without its
// first three characters (a new TwzButton shows "Button").
void ApplyTextRule(TwzObject& object)
{
    const rtl::TPropInfo* prop = object.ClassInfo().FindProp("Text");
    if (!prop || !prop->set)
        return;
    const std::string text = ShortName(object.ClassName());
    if (prop->kind == rtl::TPropKind::WideString)
        (void)rtl::SetPropValue(object, *prop, rtl::TValue(rtl::Utf8ToUtf16(text)));
    else
        (void)rtl::SetPropValue(object, *prop, rtl::TValue(text));
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

// ---- overlays -----------------------------------------------------------------------------

void SceneDesignMode::PaintOverlay(TwzCanvas& canvas)
{
    const auto keep = shared_from_this();
    // The overlay's pens, brushes and font are not the next paint's.
    const int32_t state = canvas.SaveState();
    PaintSelection(canvas);
    PaintDropTarget(canvas);
    canvas.RestoreState(state);
}

void SceneDesignMode::PaintSelection(TwzCanvas& canvas)
{
    TwzVisualObject* selection = Selection();
    if (selection && !selection->GetNoDesignHandles()) {
        canvas.SetMatrix(selection->GetAbsoluteMatrix());
        canvas.GetFill().SetStyle(wzBrushSolid);
        canvas.GetFill().SetSolidColor(kHandleColor);
        canvas.GetStroke().SetStyle(wzBrushSolid);
        canvas.GetStroke().SetSolidColor(kFrameColor);
        canvas.SetStrokeThickness(1);

        const TwzRect r = selection->GetDesignRect();
        const TwzRect frame { r.Left + 0.5f, r.Top + 0.5f, r.Right - 0.5f, r.Bottom - 0.5f };
        canvas.SetStrokeDash(wzDashDash);
        canvas.DrawRect(frame, 0, 0, AllCorners, 1);
        canvas.SetStrokeDash(wzDashSolid);

        const auto fillFor = [&](DesignDrag handle) {
            canvas.GetFill().SetSolidColor(GetHover(handle) ? kHoverColor : kHandleColor);
        };
        const auto circle = [&](const TwzPoint& c) {
            const TwzRect box { c.X - kHandleHalf, c.Y - kHandleHalf, c.X + kHandleHalf, c.Y + kHandleHalf };
            canvas.FillEllipse(box, 1);
            canvas.DrawEllipse(box, 1);
        };
        const auto square = [&](const TwzPoint& c) {
            const TwzRect box { c.X - kHandleHalf, c.Y - kHandleHalf, c.X + kHandleHalf, c.Y + kHandleHalf };
            canvas.FillRect(box, 0, 0, TwzCorners {}, 1);
            canvas.DrawRect(box, 0, 0, TwzCorners {}, 1);
        };
        const float middleX = (frame.Left + frame.Right) / 2;
        const float middleY = (frame.Top + frame.Bottom) / 2;
        canvas.DrawLine({ middleX, frame.Top }, { middleX, frame.Top - 10 }, 1);
        fillFor(DesignDrag::Rotation);
        circle({ middleX, frame.Top - 10 });
        fillFor(DesignDrag::LeftTop);
        circle({ frame.Left, frame.Top });
        fillFor(DesignDrag::RightTop);
        circle({ frame.Right, frame.Top });
        fillFor(DesignDrag::LeftBottom);
        circle({ frame.Left, frame.Bottom });
        fillFor(DesignDrag::RightBottom);
        circle({ frame.Right, frame.Bottom });
        if (selection->GetWidth() > 12) {
            fillFor(DesignDrag::Top);
            square({ middleX, frame.Top });
            fillFor(DesignDrag::Bottom);
            square({ middleX, frame.Bottom });
        }
        if (selection->GetHeight() > 12) {
            fillFor(DesignDrag::Left);
            square({ frame.Left, middleY });
            fillFor(DesignDrag::Right);
            square({ frame.Right, middleY });
        }

        TwzVisualObject* parent = VisualParentOf(selection);
        if ((m_drag == DesignDrag::Move || IsResize(m_drag)) && parent && !m_snapObjects.empty()) {
            canvas.SetMatrix(parent->GetAbsoluteMatrix());
            canvas.SetStrokeDash(wzDashDash);
            const Box a = BoxOf(*selection);
            for (const rtl::Watch<TwzVisualObject>& snapObject : m_snapObjects) {
                if (!snapObject)
                    continue;
                const Box s = BoxOf(*snapObject);
                const std::array<Relation, 10> relations = RelationsOf(s, a);
                for (size_t i = 0; i < relations.size(); ++i) {
                    const Relation& relation = relations[i];
                    if (relation.s != relation.a)
                        continue;
                    // The centre lines stand on whole pixels.
                    const float shared = (i == 0 || i == 1) ? std::trunc(relation.s) : relation.s;
                    if (relation.vertical)
                        canvas.DrawLine({ s.x + 0.5f, shared + 0.5f }, { a.x + 0.5f, shared + 0.5f }, 1);
                    else
                        canvas.DrawLine({ shared + 0.5f, s.y + 0.5f }, { shared + 0.5f, a.y + 0.5f }, 1);
                }
            }
            canvas.SetStrokeDash(wzDashSolid);
        }
    }
}

void SceneDesignMode::PaintDropTarget(TwzCanvas& canvas)
{
    if (TwzVisualObject* target = m_dropTarget) {
        canvas.SetMatrix(IdentityMatrix);
        const TwzRect r = target->GetAbsoluteRect();
        canvas.GetStroke().SetStyle(wzBrushSolid);
        canvas.GetStroke().SetSolidColor(kDropColor);
        canvas.SetStrokeThickness(1);
        canvas.DrawRect(r, 0, 0, AllCorners, 1);
        const TwzRect label { r.Left, r.Top - kDropLabelHeight, r.Left + kDropLabelWidth, r.Top };
        canvas.GetFill().SetStyle(wzBrushSolid);
        canvas.GetFill().SetSolidColor(kDropColor);
        canvas.FillRect(label, 0, 0, AllCorners, 1);
        canvas.GetFill().SetSolidColor(0xFFFFFFFF);
        TwzFont& font = canvas.GetFont();
        font.SetFamily("Tahoma");
        font.SetSize(9);
        font.SetStyle(wzFontRegular);
        const std::string name
            = target->GetName().empty() ? std::string(target->ClassName()) : target->GetName();
        const TwzRect textRect { label.Left + 2, label.Top + 2, label.Right - 2, label.Bottom - 2 };
        canvas.FillText(textRect, textRect, rtl::Utf8ToUtf16("ALT-drag to place into [" + name + "]"), false,
            1, wzTextAlignNear, wzTextAlignCenter);
    }
}

// ---- the design menu ----------------------------------------------------------------------

void SceneDesignMode::PopupDesignMenu()
{
    const auto keep = shared_from_this();
    // A right press while the menu shows reaches the menu, never a second one.
    if (m_menu && m_menu->IsShowing())
        return;
    BuildMenu();
    const platform::ui::Point screen = MenuScreenPoint();
    m_menuPos = MenuPoint(screen);
    platform::ui::PopupMenu* menu = m_menu.get();
    menu->Popup(screen, MenuOwner());
}

void SceneDesignMode::BuildMenu()
{
    m_menu = platform::ui::PopupMenu::Create();
    platform::ui::MenuItem& items = m_menu->Items();
    // Commands are posted and run after the press: a host freed meanwhile is left alone.
    const rtl::Watch<rtl::TComponent> host = m_hostComponent;
    const auto command = [this, host](auto&& run) {
        return [this, host, run] {
            if (!host)
                return;
            const auto keep = shared_from_this();
            run(*this);
        };
    };
    TwzVisualObject* selection = Selection();

    if (selection) {
        const std::string itemClass = selection->GetItemClassName();
        if (!itemClass.empty())
            items.Add("Add " + WithoutPrefix(itemClass),
                command([itemClass](SceneDesignMode& mode) { mode.InsertObjectByClassName(itemClass); }));
    }

    platform::ui::MenuItem& add = items.Add("Add object");
    const std::span<const ui2d::CategoryEntry> registry = Object2DCategoryList();
    std::vector<std::string> categories;
    for (const ui2d::CategoryEntry& entry : registry)
        if (std::find(categories.begin(), categories.end(), entry.category) == categories.end())
            categories.push_back(entry.category);
    for (const std::string& category : categories) {
        platform::ui::MenuItem& group = add.Add(category);
        std::vector<std::string> captions;
        for (const ui2d::CategoryEntry& entry : registry)
            if (entry.category == category && entry.classInfo)
                captions.push_back(WithoutPrefix(entry.classInfo->name));
        std::sort(captions.begin(), captions.end());
        for (const std::string& caption : captions) {
            const std::string className = "Twz" + caption;
            group.Add(caption,
                command([className](SceneDesignMode& mode) { mode.InsertObjectByClassName(className); }));
        }
    }

    items.Add("Delete object", command([](SceneDesignMode& mode) { mode.DeleteObjectCommand(); }));
    items.Add("Load From File...", command([](SceneDesignMode& mode) { mode.LoadFromFileCommand(); }));
    if (selection)
        items.Add("Hide in Design-time", command([](SceneDesignMode& mode) { mode.HideCommand(); })).Checked
            = selection->GetDesignHide();
    if (selection && selection->AsControl()) {
        items.Add(
            "Edit Default Style...", command([](SceneDesignMode& mode) { mode.EditDefaultStyleCommand(); }));
        items.Add(
            "Edit Custom Style...", command([](SceneDesignMode& mode) { mode.EditCustomStyleCommand(); }));
    }
    if (selection && selection->GetCanFocused())
        items.Add("Tab Order...", command([](SceneDesignMode& mode) { mode.TabOrderCommand(); }));

    platform::ui::MenuItem& order = items.Add("Order");
    order.Add("Bring to front", command([](SceneDesignMode& mode) { mode.OrderCommand(true); }));
    order.Add("Send to back", command([](SceneDesignMode& mode) { mode.OrderCommand(false); }));

    platform::ui::MenuItem& edit = items.Add("Edit");
    edit.Add("Copy to clipboard", command([](SceneDesignMode& mode) { mode.CopyCommand(); }));
    edit.Add("Paste from clipboard", command([](SceneDesignMode& mode) { mode.PasteCommand(); }));

    const bool toGrid = GetSnapToGrid();
    const bool toLines = GetSnapToLines();
    platform::ui::MenuItem& grid = items.Add("Grid");
    grid.Add("Show snap grid", command([](SceneDesignMode& mode) { mode.GridCommand(true, false, false); }))
        .Checked
        = GetSnapGridShow();
    const auto radio = [&](const char* caption, bool checked, bool gridOn, bool linesOn) {
        platform::ui::MenuItem& item = grid.Add(caption,
            command([gridOn, linesOn](SceneDesignMode& mode) { mode.GridCommand(false, gridOn, linesOn); }));
        item.Radio = true;
        item.Checked = checked;
    };
    radio("Snap to grid", toGrid, true, false);
    radio("Snap to lines", toLines, false, true);
    radio("Snap disabled", !toGrid && !toLines, false, false);
}

// ---- inserting ----------------------------------------------------------------------------

void SceneDesignMode::InsertObjectByClassName(const std::string& className)
{
    const auto keep = shared_from_this();
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create || !info->InheritsFrom(TwzObject::StaticClass()))
        return;
    rtl::Watch<TwzVisualObject> selection(Selection());
    if (!selection && m_host.GetRoot())
        return;
    rtl::TComponent* made = info->create(Owner());
    auto* created = dynamic_cast<TwzObject*>(made);
    if (!created) {
        if (made)
            made->Free();
        return;
    }
    rtl::Watch<TwzObject> object(created);
    if (selection)
        selection->AddObject(created);
    else
        m_host.AddObject(created);
    if (!object || !HostAlive())
        return;
    NameObject(*object, className);
    NotifySelect(object, false);
    if (!object || !HostAlive())
        return;
    RaiseDesignChange();
    if (!object || !HostAlive())
        return;
    NotifyModified();
    if (!object || !HostAlive())
        return;

    TwzVisualObject* visual = object->AsVisual();
    if (!visual)
        return;
    if (selection)
        ApplyTextRule(*visual);
    const bool placed = !selection || className.find("Item") == std::string::npos;
    if (placed && m_menuPos.X > 0) {
        if (const std::optional<TwzPoint> at = InsertPosition(selection))
            visual->GetPosition()->SetPoint(*at);
    }
    m_menuPos = { -1, -1 };
    rtl::Watch<TwzVisualObject> inserted(visual);
    m_host.SetSelected(visual);
    visual->MarkUpdateRectDirty();
    visual->InvalidateObject();
    visual->DesignSelect();
    if (selection && inserted && HostAlive())
        inserted->DesignInsert();
}

// ---- commands -----------------------------------------------------------------------------

void SceneDesignMode::DeleteObjectCommand()
{
    TwzVisualObject* selection = Selection();
    TwzObject* root = m_host.GetRoot();
    if (!selection || selection == root)
        return;
    rtl::Watch<TwzVisualObject> old(selection);
    TwzVisualObject* next = VisualParentOf(selection);
    if (!next)
        next = root ? root->AsVisual() : nullptr;
    m_host.SetSelected(next);
    if (next) {
        next->MarkUpdateRectDirty();
        next->DesignSelect();
    }
    if (HostAlive() && old && old.Get() != m_host.GetRoot())
        old->Free();
}

void SceneDesignMode::HideCommand()
{
    TwzVisualObject* selection = Selection();
    if (!selection || selection == m_host.GetRoot())
        return;
    rtl::Watch<TwzVisualObject> watched(selection);
    selection->SetDesignHide(!selection->GetDesignHide());
    if (!watched || !HostAlive())
        return;
    if (selection->GetDesignHide())
        if (TwzVisualObject* parent = VisualParentOf(selection))
            m_host.SetSelected(parent);
    m_host.AddUpdateRect(ClientRect());
}

void SceneDesignMode::OrderCommand(bool toFront)
{
    TwzVisualObject* selection = Selection();
    if (!selection)
        return;
    if (toFront)
        selection->BringToFront();
    else
        selection->SendToBack();
}

void SceneDesignMode::GridCommand(bool toggleShow, bool toGrid, bool toLines)
{
    if (toggleShow)
        SetSnapSettings(!GetSnapGridShow(), GetSnapToGrid(), GetSnapToLines());
    else
        SetSnapSettings(GetSnapGridShow(), toGrid, toLines);
    m_host.AddUpdateRect(ClientRect());
}

void SceneDesignMode::CopyCommand()
{
    TwzVisualObject* selection = Selection();
    if (!selection)
        return;
    rtl::TMemoryStream text;
    selection->SaveObjectAsText(text);
    const std::span<const uint8_t> bytes = text.Bytes();
    DesignClipboard.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void SceneDesignMode::InsertPasted(TwzObject* object)
{
    rtl::Watch<TwzObject> pasted(object);
    if (TwzVisualObject* selection = Selection())
        selection->AddObject(object);
    else if (TwzObject* root = m_host.GetRoot())
        root->AddObject(object);
    else
        m_host.AddObject(object);
    if (pasted && HostAlive())
        NameObject(*pasted, std::string(pasted->ClassName()));
}

void SceneDesignMode::PasteCommand()
{
    if (DesignClipboard.empty())
        return;
    rtl::TMemoryStream stream;
    stream.WriteBuffer(DesignClipboard.data(), DesignClipboard.size());
    stream.SetPosition(0);
    std::string error;
    if (TwzObject* object = ReadObjectText(stream, error))
        InsertPasted(object);
}

TwzObject* SceneDesignMode::ReadObjectText(rtl::TStream& text, std::string& error)
{
    rtl::TMemoryStream binary;
    std::string className;
    try {
        ObjectTextToStream(text, binary);
        binary.SetPosition(0);
        rtl::TReader header(binary);
        className = header.ReadRootHeader().className;
    } catch (const rtl::Exception& e) {
        error = e.what();
        return nullptr;
    }
    const rtl::TClassInfo* info = rtl::FindClass(className);
    if (!info || !info->create || !info->InheritsFrom(TwzObject::StaticClass())) {
        error = "The text holds no 2D object (class " + className + ").";
        return nullptr;
    }
    rtl::TComponent* made = info->create(Owner());
    rtl::Watch<TwzObject> object(dynamic_cast<TwzObject*>(made));
    if (!object) {
        made->Free();
        error = "The text holds no 2D object (class " + className + ").";
        return nullptr;
    }
    try {
        binary.SetPosition(0);
        object->LoadObjectFromStream(binary);
    } catch (const rtl::Exception& e) {
        // Half an object is no object: nothing read stays.
        if (object)
            object->Free();
        error = e.what();
        return nullptr;
    }
    return object.Get();
}

void SceneDesignMode::LoadFromFileCommand()
{
    platform::ui::OpenFileOptions options;
    options.filter = LoadFilter();
    options.owner = DialogOwner();
    const std::optional<std::string> file = platform::ui::Dialogs::OpenFile(options);
    if (!file || !HostAlive())
        return;
    const auto fail = [&](const std::string& why) {
        platform::ui::Dialogs::ShowError(
            "Cannot load " + *file + ": " + why, HostAlive() ? DialogOwner() : nullptr);
    };
    TwzObject* object = nullptr;
    try {
        rtl::TFileStream stream(*file, rtl::fmOpenRead);
        if (!LoadInsertsObject())
            return;
        const int64_t size = stream.GetSize();
        if (size < 0 || static_cast<uint64_t>(size) > kMaxObjectFileBytes) {
            fail("the file is too large (" + std::to_string(size) + " bytes) to hold a designed object.");
            return;
        }
        std::string error;
        object = ReadObjectText(stream, error);
        if (!object) {
            fail(error);
            return;
        }
    } catch (const rtl::Exception& e) {
        fail(e.what());
        return;
    }
    if (!HostAlive()) {
        object->Free();
        return;
    }
    InsertPasted(object);
}

void SceneDesignMode::TabOrderCommand()
{
    TwzVisualObject* selection = Selection();
    if (!selection || !VisualParentOf(selection))
        return;
    RunTabOrderEditor(*selection);
}

// ---- styles -------------------------------------------------------------------------------

void SceneDesignMode::EditDefaultStyleCommand()
{
    EditStyle(false);
}

void SceneDesignMode::EditCustomStyleCommand()
{
    EditStyle(true);
}

void SceneDesignMode::EditStyle(bool custom)
{
    TwzVisualObject* selection = Selection();
    rtl::Watch<TwzControl> control(selection ? selection->AsControl() : nullptr);
    IwzScene* host = control ? control->GetScene() : nullptr;
    if (!control || !host)
        return;

    TwzResources* sheet = host->GetStyle();
    if (!sheet) {
        sheet = new TwzResources(host->GetOwner());
        try {
            sheet->SetName(UniqueName("TwzResources"));
        } catch (const rtl::ComponentError&) { }
        sheet->SetRoot(new TwzBackground(nullptr));
        host->SetStyle(sheet);
    } else if (!sheet->GetRoot()) {
        sheet->SetRoot(new TwzBackground(nullptr));
    }
    rtl::Watch<TwzResources> watchedSheet(sheet);
    if (!control || !watchedSheet || !sheet->GetRoot())
        return;

    const auto styleNameOf = [](TwzControl& c) {
        return c.GetResource().empty() ? ShortName(c.ClassName()) + "Style" : c.GetResource();
    };
    const auto missing = [&](const std::string& name) {
        TwzObject* root = watchedSheet ? watchedSheet->GetRoot() : nullptr;
        return root && !name.empty() && !root->FindResource(name);
    };
    // A copy of a control's current style, moved into the sheet as `name`.
    const auto copyStyle = [&](TwzControl& c, const std::string& name) -> TwzVisualObject* {
        TwzObject* root = watchedSheet ? watchedSheet->GetRoot() : nullptr;
        TwzVisualObject* clone = root ? c.FindStyleObject() : nullptr;
        if (!clone)
            return nullptr;
        // The sheet's tree frees it, not the control it was made for.
        if (rtl::TComponent* owner = clone->GetOwner())
            owner->RemoveComponent(clone);
        clone->SetStored(true);
        clone->SetLocked(false);
        clone->SetAlign(vaNone);
        clone->SetResourceName(name);
        clone->SetParent(root);
        return clone;
    };
    // The controls inside a copied style whose own styles the sheet lacks get theirs too.
    const auto copyInner = [&](TwzVisualObject* clone) {
        if (!clone)
            return;
        std::vector<TwzObject*> inside;
        clone->AddObjectsToList(inside);
        std::vector<rtl::Watch<TwzObject>> watched(inside.begin(), inside.end());
        for (const rtl::Watch<TwzObject>& entry : watched) {
            TwzControl* inner = entry ? entry->AsControl() : nullptr;
            if (!inner || inner == control.Get())
                continue;
            std::string name = styleNameOf(*inner);
            if (!missing(name))
                continue;
            if (custom && SceneDesigner) {
                name = UniqueName(inner->GetName() + "Style");
                if (name.empty())
                    continue;
                copyStyle(*inner, name);
                inner->SetResource(name);
            } else {
                copyStyle(*inner, name);
            }
        }
    };

    std::string styleName;
    if (!custom) {
        styleName = styleNameOf(*control);
        if (missing(styleName))
            copyInner(copyStyle(*control, styleName));
    } else {
        if (control->GetResource().empty() && SceneDesigner)
            control->SetResource(UniqueName(control->GetName() + "Style"));
        if (!control)
            return;
        styleName = control->GetResource();
        if (styleName.empty() || missing(styleName)) {
            std::string name = SceneDesigner ? UniqueName(control->GetName() + "Style") : control->GetName();
            if (name.empty())
                name = styleNameOf(*control);
            TwzVisualObject* clone = copyStyle(*control, name);
            if (clone && control) {
                control->SetResource(name);
                styleName = name;
                copyInner(clone);
            }
        }
    }
    if (SceneDesigner && watchedSheet)
        SceneDesigner->EditStyle(watchedSheet.Get(), styleName);
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
