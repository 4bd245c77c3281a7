#include "design/TwzSelection.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "ui2d/IwzScene.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kSelectionProps[] = {
    RTL_PROP(TwzSelection, GripSize, Float, 3.0),
    RTL_PROP(TwzSelection, MinSize, Integer, 15),
    RTL_PROP(TwzSelection, ParentBounds, Boolean, true),
    RTL_PROP(TwzSelection, HideSelection, Boolean, false),
    RTL_PROP(TwzSelection, Proportional, Boolean, false),
};
constexpr rtl::TEventInfo kSelectionEvents[] = {
    RTL_EVENT(TwzSelection, OnChange),
    RTL_EVENT(TwzSelection, OnTrack),
};

constexpr rtl::TPropInfo kSelectionPointProps[] = {
    RTL_PROP(TwzSelectionPoint, ParentBounds, Boolean, true),
};
constexpr rtl::TEventInfo kSelectionPointEvents[] = {
    RTL_EVENT(TwzSelectionPoint, OnChange),
    RTL_EVENT(TwzSelectionPoint, OnTrack),
};

constexpr rtl::TEventInfo kDesignFrameEvents[] = {
    RTL_EVENT(TwzDesignFrame, OnChange),
    RTL_EVENT(TwzDesignFrame, OnTrack),
};

constexpr TwzColor kFrameColor = 0xFF1072C5;
constexpr TwzColor kHandleColor = 0xFFFFFFFF;
constexpr TwzColor kHotHandleColor = 0xFFFF0000;
constexpr float kMinGripSize = 1;
constexpr float kMaxGripSize = 20;
// Half the side of a selection point's handle.
constexpr float kPointRadius = 3;
constexpr float kPointSize = 6;

void SetPen(TwzCanvas& canvas, TwzColor fill)
{
    canvas.GetFill().SetStyle(wzBrushSolid);
    canvas.GetFill().SetSolidColor(fill);
    canvas.SetStrokeThickness(1);
    canvas.GetStroke().SetStyle(wzBrushSolid);
    canvas.GetStroke().SetSolidColor(kFrameColor);
}

/// A point clamped to (0, 0, width, height).
TwzPoint ClampToBox(TwzPoint p, float width, float height)
{
    p.X = std::clamp(p.X, 0.0f, std::max(width, 0.0f));
    p.Y = std::clamp(p.Y, 0.0f, std::max(height, 0.0f));
    return p;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzSelection, .props = kSelectionProps, .events = kSelectionEvents)
RTL_IMPLEMENT_CLASS(TwzSelectionPoint, .props = kSelectionPointProps, .events = kSelectionPointEvents)
RTL_IMPLEMENT_CLASS(TwzDesignFrame, .events = kDesignFrameEvents)

// ---- TwzSelection ----------------------------------------------------------------------------

TwzSelection::TwzSelection(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{
    SetAutoCapture(true);
}

TwzSelection::~TwzSelection() = default;

void TwzSelection::SetGripSize(float value)
{
    if (value == m_gripSize || std::isnan(value))
        return;
    InvalidateObject();
    m_gripSize = std::clamp(value, kMinGripSize, kMaxGripSize);
    MarkUpdateRectDirty();
    InvalidateObject();
}

void TwzSelection::SetMinSize(int32_t value)
{
    if (value == m_minSize)
        return;
    m_minSize = std::max(value, 1);
}

void TwzSelection::SetHideSelection(bool value)
{
    if (value == m_hideSelection)
        return;
    m_hideSelection = value;
    InvalidateObject();
}

TwzRect TwzSelection::GetAbsoluteRect()
{
    TwzRect r = Inherited::GetAbsoluteRect();
    RectInflate(r, 5, 5);
    return r;
}

TwzRect TwzSelection::GetUpdateRect()
{
    TwzRect r = Inherited::GetUpdateRect();
    // The grips reach GripSize and half a pen beyond the rectangle, more than the 5 the
    // absolute rectangle grows by once GripSize is large: cover them, or drags leave trails.
    const float grow = std::max(m_gripSize / 2, m_gripSize - 4);
    RectInflate(r, grow, grow);
    return r;
}

TwzRect TwzSelection::GripRect(Corner corner) const
{
    const float w = GetWidth();
    const float h = GetHeight();
    TwzPoint c {};
    switch (corner) {
    case Corner::LeftTop:
        c = { 0, 0 };
        break;
    case Corner::RightTop:
        c = { w, 0 };
        break;
    case Corner::RightBottom:
        c = { w, h };
        break;
    case Corner::LeftBottom:
        c = { 0, h };
        break;
    }
    return { c.X - m_gripSize, c.Y - m_gripSize, c.X + m_gripSize, c.Y + m_gripSize };
}

bool TwzSelection::InGrip(Corner corner, const TwzPoint& local) const
{
    return PointInRect(local, GripRect(corner));
}

TwzVisualObject* TwzSelection::VisualParent() const
{
    TwzObject* parent = GetParent();
    return parent ? parent->AsVisual() : nullptr;
}

bool TwzSelection::PointInObject(float x, float y)
{
    if (Inherited::PointInObject(x, y))
        return true;
    const TwzPoint local = AbsoluteToLocal({ x, y });
    for (Corner corner : { Corner::LeftTop, Corner::RightTop, Corner::RightBottom, Corner::LeftBottom })
        if (InGrip(corner, local))
            return true;
    return false;
}

void TwzSelection::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    m_downPos = { x, y };
    if (button != TMouseButton::Left)
        return;
    m_drag = Drag::Move;
    if (InGrip(Corner::LeftTop, m_downPos))
        m_drag = Drag::LeftTop;
    else if (InGrip(Corner::RightTop, m_downPos))
        m_drag = Drag::RightTop;
    else if (InGrip(Corner::RightBottom, m_downPos))
        m_drag = Drag::RightBottom;
    else if (InGrip(Corner::LeftBottom, m_downPos))
        m_drag = Drag::LeftBottom;
}

void TwzSelection::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (shift.IsEmpty()) {
        m_movePos = { x, y };
        for (Corner corner : { Corner::LeftTop, Corner::RightTop, Corner::RightBottom, Corner::LeftBottom }) {
            bool& hover = m_hover[static_cast<int>(corner)];
            if (InGrip(corner, m_movePos) != hover) {
                hover = !hover;
                InvalidateObject();
            }
        }
        return;
    }
    if (!shift.Has(platform::ui::ShiftFlag::Left))
        return;
    m_movePos = { x, y };
    if (m_drag == Drag::Move)
        MoveStep();
    else if (m_drag != Drag::None)
        ResizeStep();
}

void TwzSelection::MoveStep()
{
    TwzPoint at = GetPosition()->GetPoint();
    at.X += m_movePos.X - m_downPos.X;
    at.Y += m_movePos.Y - m_downPos.Y;
    if (TwzVisualObject* parent = VisualParent(); parent && m_parentBounds) {
        at.X = std::max(at.X, 0.0f);
        at.Y = std::max(at.Y, 0.0f);
        if (at.X + GetWidth() > parent->GetWidth())
            at.X = parent->GetWidth() - GetWidth();
        if (at.Y + GetHeight() > parent->GetHeight())
            at.Y = parent->GetHeight() - GetHeight();
    }
    GetPosition()->SetPoint(at);
    OnTrack(this);
}

void TwzSelection::ResizeStep()
{
    TwzVisualObject* parent = VisualParent();
    // The pointer in the parent's coordinates (in the scene's without a parent).
    TwzPoint p = LocalToAbsolute(m_movePos);
    if (parent)
        p = parent->AbsoluteToLocal(p);
    // A left or top edge follows the pointer less the press point's offset inside the grip,
    // so the edge does not jump at the first step; a right or bottom edge is the pointer.
    TwzPoint nearEdge { p.X - m_downPos.X, p.Y - m_downPos.Y };
    TwzPoint farEdge = p;
    if (parent && m_parentBounds) {
        nearEdge = ClampToBox(nearEdge, parent->GetWidth(), parent->GetHeight());
        farEdge = ClampToBox(farEdge, parent->GetWidth(), parent->GetHeight());
    }
    // A difference in the parent's coordinates, as a vector along the selection's own axes.
    auto ownAxes = [&](TwzPoint d) {
        if (parent)
            d = parent->LocalToAbsoluteVector(d);
        return AbsoluteToLocalVector(d);
    };
    InvalidateObject();

    const TwzPoint at = GetPosition()->GetPoint();
    float x = at.X;
    float y = at.Y;
    float w = GetWidth();
    float h = GetHeight();
    switch (m_drag) {
    case Drag::LeftTop: {
        const TwzPoint d = ownAxes({ at.X - nearEdge.X, at.Y - nearEdge.Y });
        w += d.X;
        h += d.Y;
        x = nearEdge.X;
        y = nearEdge.Y;
        break;
    }
    case Drag::RightTop: {
        const TwzPoint d = ownAxes({ farEdge.X - at.X, at.Y - nearEdge.Y });
        w = d.X;
        h += d.Y;
        y = nearEdge.Y;
        break;
    }
    case Drag::RightBottom: {
        const TwzPoint d = ownAxes({ farEdge.X - at.X, farEdge.Y - at.Y });
        w = d.X;
        h = d.Y;
        break;
    }
    case Drag::LeftBottom: {
        const TwzPoint d = ownAxes({ at.X - nearEdge.X, farEdge.Y - at.Y });
        w += d.X;
        x = nearEdge.X;
        h = d.Y;
        break;
    }
    case Drag::None:
    case Drag::Move:
        return;
    }
    if (m_proportional) {
        auto s = static_cast<float>(rtl::Round((static_cast<double>(w) + h) / 2));
        if (parent && m_parentBounds) {
            // The square grows from the corner opposite the grip; it may not reach past the
            // parent any more than the grip may.
            const bool leftGrip = m_drag == Drag::LeftTop || m_drag == Drag::LeftBottom;
            const bool topGrip = m_drag == Drag::LeftTop || m_drag == Drag::RightTop;
            const float anchorX = x + (leftGrip ? w : 0);
            const float anchorY = y + (topGrip ? h : 0);
            const float roomX = leftGrip ? anchorX : parent->GetWidth() - anchorX;
            const float roomY = topGrip ? anchorY : parent->GetHeight() - anchorY;
            s = std::max(0.0f, std::min({ s, std::floor(roomX), std::floor(roomY) }));
        }
        switch (m_drag) {
        case Drag::LeftTop:
            x += w - s;
            y += h - s;
            break;
        case Drag::RightTop:
            y += h - s;
            break;
        case Drag::LeftBottom:
            x += w - s;
            break;
        default:
            break;
        }
        w = s;
        h = s;
    }
    // At the smallest size a left or top grip stops, the opposite edge staying where it is:
    // pushing that edge instead would carry the selection out of its parent's bounds.
    const auto minSize = static_cast<float>(m_minSize);
    const bool leftGrip = m_drag == Drag::LeftTop || m_drag == Drag::LeftBottom;
    const bool topGrip = m_drag == Drag::LeftTop || m_drag == Drag::RightTop;
    if (w < minSize) {
        if (leftGrip)
            x -= minSize - w;
        w = minSize;
    }
    if (h < minSize) {
        if (topGrip)
            y -= minSize - h;
        h = minSize;
    }
    SetBounds(x, y, w, h);
    OnTrack(this);
    InvalidateObject();
}

void TwzSelection::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    const bool dragging = m_drag != Drag::None;
    m_drag = Drag::None;
    if (dragging)
        OnChange(this);
}

void TwzSelection::MouseLeave()
{
    Inherited::MouseLeave();
    std::fill(std::begin(m_hover), std::end(m_hover), false);
    InvalidateObject();
}

void TwzSelection::Paint()
{
    if (m_hideSelection)
        return;
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float opacity = GetAbsoluteOpacity();
    SetPen(*canvas, kHandleColor);
    canvas->SetStrokeDash(wzDashDash);
    TwzRect frame = GetLocalRect();
    RectInflate(frame, -0.5f, -0.5f);
    canvas->DrawRect(frame, 0, 0, AllCorners, opacity);
    canvas->SetStrokeDash(wzDashSolid);
    for (Corner corner : { Corner::LeftTop, Corner::RightTop, Corner::LeftBottom, Corner::RightBottom }) {
        canvas->GetFill().SetSolidColor(IsGripHovered(corner) ? kHotHandleColor : kHandleColor);
        const TwzRect grip = GripRect(corner);
        canvas->FillEllipse(grip, opacity);
        canvas->DrawEllipse(grip, opacity);
    }
}

// ---- TwzSelectionPoint -----------------------------------------------------------------------

TwzSelectionPoint::TwzSelectionPoint(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{
    SetAutoCapture(true);
    SetNoDesignHandles(true);
    Inherited::SetWidth(kPointSize);
    Inherited::SetHeight(kPointSize);
}

TwzSelectionPoint::~TwzSelectionPoint() = default;

void TwzSelectionPoint::SetWidth(float)
{
    Inherited::SetWidth(kPointSize);
}

void TwzSelectionPoint::SetHeight(float)
{
    Inherited::SetHeight(kPointSize);
}

TwzRect TwzSelectionPoint::GetUpdateRect()
{
    TwzRect r = Inherited::GetUpdateRect();
    RectInflate(r, kPointRadius, kPointRadius);
    return r;
}

bool TwzSelectionPoint::PointInObject(float x, float y)
{
    const TwzPoint local = AbsoluteToLocal({ x, y });
    return std::abs(local.X) < kPointRadius && std::abs(local.Y) < kPointRadius;
}

void TwzSelectionPoint::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button == TMouseButton::Left)
        m_pressed = true;
}

void TwzSelectionPoint::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!m_pressed)
        return;
    TwzObject* parentObject = GetParent();
    TwzVisualObject* parent = parentObject ? parentObject->AsVisual() : nullptr;
    if (!parent)
        return;
    TwzPoint p = parent->AbsoluteToLocal(LocalToAbsolute({ x, y }));
    if (m_parentBounds)
        p = ClampToBox(p, parent->GetWidth(), parent->GetHeight());
    GetPosition()->SetX(p.X);
    GetPosition()->SetY(p.Y);
    OnTrack(this);
}

void TwzSelectionPoint::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    const bool pressed = m_pressed;
    m_pressed = false;
    if (pressed)
        OnChange(this);
}

void TwzSelectionPoint::MouseEnter()
{
    Inherited::MouseEnter();
    InvalidateObject();
}

void TwzSelectionPoint::MouseLeave()
{
    Inherited::MouseLeave();
    InvalidateObject();
}

void TwzSelectionPoint::Paint()
{
    Inherited::Paint();
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const IwzScene* scene = GetScene();
    const bool hot = GetIsMouseOver() || (scene && scene->GetSelected() == this);
    SetPen(*canvas, hot ? kHotHandleColor : kHandleColor);
    const TwzRect handle { -kPointRadius, -kPointRadius, kPointRadius, kPointRadius };
    const float opacity = GetAbsoluteOpacity();
    canvas->FillEllipse(handle, opacity);
    canvas->DrawEllipse(handle, opacity);
}

// ---- TwzDesignFrame --------------------------------------------------------------------------

TwzDesignFrame::TwzDesignFrame(rtl::TComponent* owner)
    : TwzVisualObject(owner)
{ }

TwzDesignFrame::~TwzDesignFrame() = default;

void TwzDesignFrame::Paint() { }
