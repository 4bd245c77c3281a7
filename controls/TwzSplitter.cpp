// The splitter: finds the sibling beside it at each press and resizes it within limits.

#include "controls/TwzSplitter.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"

namespace {

constexpr int32_t kCursorHorizontalSplit = -14;
constexpr int32_t kCursorVerticalSplit = -15;

constexpr rtl::TPropInfo kSplitterProps[] = {
    RTL_PROP(TwzSplitter, MinSize, Float, rtl::kNoDefault),
    RTL_PROP(TwzSplitter, ShowGrip, Boolean, true),
};

bool IsSideAlign(TwzAlign align)
{
    return align == vaLeft || align == vaRight || align == vaMostLeft || align == vaMostRight;
}

bool IsEndAlign(TwzAlign align)
{
    return align == vaTop || align == vaBottom || align == vaMostTop || align == vaMostBottom;
}

/// Inclusive of the edges.
bool Contains(const TwzRect& r, const TwzPoint& p)
{
    return p.X >= r.Left && p.X <= r.Right && p.Y >= r.Top && p.Y <= r.Bottom;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzSplitter, .props = kSplitterProps)

TwzSplitter::TwzSplitter(rtl::TComponent* owner)
    : TwzControl(owner)
{
    SetAutoCapture(true);
    SetWidth(5);
    SetAlign(vaLeft);
}

void TwzSplitter::SetAlign(TwzAlign value)
{
    Inherited::SetAlign(value);
    SetCursor(value == vaTop || value == vaBottom ? kCursorVerticalSplit : kCursorHorizontalSplit);
}

void TwzSplitter::SetShowGrip(bool value)
{
    if (value == m_showGrip)
        return;
    m_showGrip = value;
    ApplyStyle();
}

void TwzSplitter::ApplyStyle()
{
    Inherited::ApplyStyle();
    TwzObject* found = FindResource("grip");
    if (TwzVisualObject* grip = found ? found->AsVisual() : nullptr)
        grip->SetVisible(m_showGrip);
}

bool TwzSplitter::IsHorizontal() const
{
    return IsSideAlign(GetAlign());
}

TwzVisualObject* TwzSplitter::FindTarget()
{
    TwzObject* parent = GetParent();
    if (!parent)
        return nullptr;
    const TwzPoint at = GetPosition()->GetPoint();
    const float w = GetWidth();
    const float h = GetHeight();
    const TwzAlign align = GetAlign();
    TwzPoint probe;
    switch (align) {
    case vaLeft:
    case vaMostLeft:
        probe = { at.X - 1, at.Y };
        break;
    case vaRight:
    case vaMostRight:
        probe = { at.X + w + 1, at.Y };
        break;
    case vaTop:
        probe = { at.X, at.Y - 1 };
        break;
    case vaBottom:
        probe = { at.X, at.Y + h + 1 };
        break;
    default:
        return nullptr;
    }
    const bool growBack = align == vaTop || align == vaLeft || align == vaMostLeft;
    for (TwzObject* child : parent->Children()) {
        TwzVisualObject* visual = child->AsVisual();
        if (!visual || visual->GetLocked() || !visual->GetVisible())
            continue;
        if (IsHorizontal() ? !IsSideAlign(visual->GetAlign()) : !IsEndAlign(visual->GetAlign()))
            continue;
        TwzRect r = visual->GetLocalRect();
        RectOffset(r, visual->GetPosition()->GetX(), visual->GetPosition()->GetY());
        if (RectWidth(r) == 0) {
            if (growBack)
                r.Left -= 1;
            else
                r.Right += 1;
        }
        if (RectHeight(r) == 0) {
            if (growBack)
                r.Top -= 1;
            else
                r.Bottom += 1;
        }
        if (Contains(r, probe))
            return visual;
    }
    return nullptr;
}

void TwzSplitter::ComputeSplit(float x, float y)
{
    TwzVisualObject* target = m_target.Get();
    if (!target)
        return;
    const TwzAlign align = GetAlign();
    m_split = IsHorizontal() ? x - m_pressPoint.X : y - m_pressPoint.Y;
    float size = 0;
    switch (align) {
    case vaLeft:
    case vaMostLeft:
        size = target->GetWidth() + m_split;
        break;
    case vaRight:
    case vaMostRight:
        size = target->GetWidth() - m_split;
        break;
    case vaTop:
        size = target->GetHeight() + m_split;
        break;
    default:
        size = target->GetHeight() - m_split;
        break;
    }
    m_newSize = size;
    if (size < m_minSize)
        m_newSize = m_minSize;
    else if (size > m_maxSize)
        m_newSize = m_maxSize;
    if (m_newSize != size) {
        if (align == vaRight || align == vaBottom || align == vaMostRight)
            m_split += size - m_newSize;
        else
            m_split += m_newSize - size;
    }
}

void TwzSplitter::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    if (button != TMouseButton::Left)
        return;
    m_pressing = true;
    m_pressPoint = { x, y };
    m_target = FindTarget();
    TwzVisualObject* target = m_target.Get();
    TwzVisualObject* parent = GetParent() ? GetParent()->AsVisual() : nullptr;
    if (!target || !parent)
        return;
    const TwzRect margins = parent->GetMargins()->GetRect();
    const bool horizontal = IsHorizontal();
    float size = horizontal ? parent->GetWidth() - m_minSize - margins.Left - margins.Right
                            : parent->GetHeight() - m_minSize - margins.Top - margins.Bottom;
    for (TwzObject* child : parent->Children()) {
        TwzVisualObject* visual = child->AsVisual();
        if (!visual)
            continue;
        const TwzRect padding = visual->GetPadding()->GetRect();
        const TwzAlign align = visual->GetAlign();
        if (horizontal && IsSideAlign(align))
            size -= visual->GetWidth() + padding.Left + padding.Right;
        else if (!horizontal && (align == vaTop || align == vaBottom))
            size -= visual->GetHeight() + padding.Top + padding.Bottom;
    }
    m_maxSize = size + (horizontal ? target->GetWidth() : target->GetHeight());
    ComputeSplit(x, y);
}

void TwzSplitter::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    TwzVisualObject* target = m_target.Get();
    if (!m_pressing || !target)
        return;
    ComputeSplit(x, y);
    if (m_newSize <= m_minSize)
        m_newSize = m_minSize;
    if (m_newSize == m_oldSize)
        return;
    TwzPosition* position = target->GetPosition();
    switch (GetAlign()) {
    case vaLeft:
    case vaMostLeft:
        target->SetWidth(m_newSize);
        break;
    case vaTop:
        target->SetHeight(m_newSize);
        break;
    case vaRight:
    case vaMostRight:
        position->SetX(position->GetX() + target->GetWidth() - m_newSize);
        target->SetWidth(m_newSize);
        break;
    default:
        position->SetY(position->GetY() + target->GetHeight() - m_newSize);
        target->SetHeight(m_newSize);
        break;
    }
    m_oldSize = m_newSize;
}

void TwzSplitter::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    m_pressing = false;
    m_target = nullptr;
}
