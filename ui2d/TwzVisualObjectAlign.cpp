// Layout of aligned children: docking to the edges of the area left inside the margins,
// filling, centring, fitting and scaling, and anchors that follow the right or bottom edge.

#include "ui2d/TwzVisualObject.h"

#include "graphics/TwzBounds.h"
#include "graphics/TwzPosition.h"

#include <cmath>
#include <vector>

namespace {

// NOTE: Until some object in the process has had an aligned child, realignments stop before
// laying out or repainting anything; nothing clears it again.
bool g_alignedChildSeen = false;

// Docked strips are taken in this order, so a most-left child spans the height left by the
// most-top and most-bottom ones, and a client child fills what all edges left.
constexpr TwzAlign kAlignOrder[] = {
    vaMostTop,
    vaMostBottom,
    vaMostLeft,
    vaMostRight,
    vaTop,
    vaBottom,
    vaLeft,
    vaRight,
    vaClient,
    vaHorizontal,
    vaVertical,
    vaContents,
    vaCenter,
    vaHorzCenter,
    vaVertCenter,
    vaScale,
    vaFit,
    vaFitLeft,
    vaFitRight,
    vaTopRight,
    vaBottomLeft,
    vaBottomRight,
};

enum class Order : uint8_t { Children, AscendingTop, DescendingBottom, AscendingLeft, DescendingRight };

Order OrderOf(TwzAlign kind)
{
    switch (kind) {
    case vaTop:
    case vaMostTop:
        return Order::AscendingTop;
    case vaBottom:
    case vaMostBottom:
        return Order::DescendingBottom;
    case vaLeft:
    case vaMostLeft:
        return Order::AscendingLeft;
    case vaRight:
    case vaMostRight:
        return Order::DescendingRight;
    default:
        return Order::Children;
    }
}

float SortKey(Order order, TwzVisualObject& child)
{
    const TwzPoint p = child.GetPosition()->GetPoint();
    switch (order) {
    case Order::AscendingTop:
        return p.Y;
    case Order::DescendingBottom:
        return p.Y + child.GetHeight();
    case Order::AscendingLeft:
        return p.X;
    case Order::DescendingRight:
        return p.X + child.GetWidth();
    case Order::Children:
        break;
    }
    return 0;
}

/// Insertion in children order: ascending keys keep the children order among equals, and
/// descending keys put the later child first.
void InsertSorted(std::vector<TwzVisualObject*>& list, TwzVisualObject* child, Order order)
{
    if (order == Order::Children) {
        list.push_back(child);
        return;
    }
    const float key = SortKey(order, *child);
    const bool descending = order == Order::DescendingBottom || order == Order::DescendingRight;
    auto it = list.begin();
    while (it != list.end()) {
        const float other = SortKey(order, **it);
        if (descending ? other <= key : other > key)
            break;
        ++it;
    }
    list.insert(it, child);
}

bool TakesOwnWidth(TwzAlign kind)
{
    return kind == vaLeft || kind == vaRight || kind == vaMostLeft || kind == vaMostRight
        || kind == vaVertical;
}

bool TakesOwnHeight(TwzAlign kind)
{
    return kind == vaTop || kind == vaBottom || kind == vaMostTop || kind == vaMostBottom
        || kind == vaHorizontal;
}

float TruncHalf(float value)
{
    return std::trunc(value / 2);
}

} // namespace

void TwzVisualObject::RealignChildren()
{
    if (IsDestroying() || m_realignDisabled)
        return;
    // Too small to lay out.
    if ((m_width > -2 && m_width < 2) || (m_height > -2 && m_height < 2))
        return;
    if (IsLoading()) {
        m_previousWidth = m_width;
        m_previousHeight = m_height;
        return;
    }
    // Without children nothing was laid out for the old size: a child that arrives later
    // must not move by resizes made before it came.
    if (GetChildCount() == 0) {
        m_previousWidth = m_width;
        m_previousHeight = m_height;
        return;
    }

    struct Guard {
        bool& flag;
        ~Guard() { flag = false; }
    } guard { m_realignDisabled };
    m_realignDisabled = true;

    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual(); visual && visual->m_align != vaNone) {
            g_alignedChildSeen = true;
            break;
        }
    }
    if (!g_alignedChildSeen) {
        m_previousWidth = m_width;
        m_previousHeight = m_height;
        return;
    }

    TwzRect area = m_margins->MarginRect(GetLocalRect());
    std::vector<TwzVisualObject*> placed;
    for (const TwzAlign kind : kAlignOrder) {
        placed.clear();
        const Order order = OrderOf(kind);
        for (TwzObject* child : Children()) {
            // Hidden children take no space, at design time too.
            TwzVisualObject* visual = child->AsVisual();
            if (visual && visual->m_align == kind && visual->m_visible)
                InsertSorted(placed, visual, order);
        }
        for (TwzVisualObject* child : placed)
            PlaceChild(*child, kind, area);
    }

    if (m_width != m_previousWidth || m_height != m_previousHeight)
        m_effectsDirty = true;
    m_previousWidth = m_width;
    m_previousHeight = m_height;
    InvalidateObject();
}

void TwzVisualObject::PlaceChild(TwzVisualObject& child, TwzAlign kind, TwzRect& area)
{
    const TwzRect pad = child.m_padding->GetRect();
    const TwzPoint position = child.m_position->GetPoint();
    const float outerWidth = child.m_width + pad.Left + pad.Right;
    const float outerHeight = child.m_height + pad.Top + pad.Bottom;

    // The area offered to the child, padding included.
    float ax = area.Left;
    float ay = area.Top;
    float aw = RectWidth(area);
    float ah = RectHeight(area);
    if (RectWidth(area) < 0 || TakesOwnWidth(kind))
        aw = outerWidth;
    if (RectHeight(area) < 0 || TakesOwnHeight(kind))
        ah = outerHeight;
    // Stretched in one direction only, the child keeps its place across it.
    if (kind == vaVertical)
        ax = position.X - pad.Left;
    if (kind == vaHorizontal)
        ay = position.Y - pad.Top;

    switch (kind) {
    case vaTop:
    case vaMostTop:
        area.Top += ah;
        break;
    case vaBottom:
    case vaMostBottom:
        area.Bottom -= ah;
        ay = area.Bottom;
        break;
    case vaLeft:
    case vaMostLeft:
        area.Left += aw;
        break;
    case vaRight:
    case vaMostRight:
        area.Right -= aw;
        ax = area.Right;
        break;
    case vaCenter:
        ax = TruncHalf(aw - outerWidth) + area.Left;
        aw = outerWidth;
        ay = TruncHalf(ah - outerHeight) + area.Top;
        ah = outerHeight;
        break;
    case vaHorzCenter:
        ax = TruncHalf(aw - outerWidth) + area.Left;
        aw = outerWidth;
        break;
    case vaVertCenter:
        ay = TruncHalf(ah - outerHeight) + area.Top;
        ah = outerHeight;
        break;
    case vaContents:
        // The whole object, margins and docked siblings ignored: a style copy always covers
        // the whole control.
        child.m_position->StorePoint({ pad.Left, pad.Top });
        child.m_width = m_width - pad.Left - pad.Right;
        child.m_height = m_height - pad.Top - pad.Bottom;
        child.UpdateLocalMatrix();
        child.RealignChildren();
        return;
    case vaFit:
    case vaFitLeft:
    case vaFitRight: {
        const TwzRect margins = m_margins->GetRect();
        const TwzRect target { margins.Left, margins.Top, m_width - margins.Right,
            m_height - margins.Bottom };
        TwzRect source = child.GetParentedRect();
        source.Left -= pad.Left;
        source.Top -= pad.Top;
        source.Right += pad.Right;
        source.Bottom += pad.Bottom;
        const float ratio = RectFit(source, target);
        // Fitting never enlarges; a smaller child grows here. A child without size has no
        // ratio to grow by.
        if (ratio < 1 && ratio > 0) {
            RectScale(source, 1 / ratio, 1 / ratio);
            RectCenter(source, target);
        }
        if (kind == vaFitLeft)
            RectOffset(source, target.Left - source.Left, 0);
        else if (kind == vaFitRight)
            RectOffset(source, target.Right - source.Right, 0);
        child.m_position->StorePoint({ source.Left + pad.Left, source.Top + pad.Top });
        child.m_width = RectWidth(source) - pad.Left - pad.Right;
        child.m_height = RectHeight(source) - pad.Top - pad.Bottom;
        child.UpdateLocalMatrix();
        child.RealignChildren();
        return;
    }
    case vaTopRight:
    case vaBottomLeft:
    case vaBottomRight: {
        // Anchors follow the right or bottom edge as this object is resized.
        TwzPoint moved = position;
        if (kind != vaBottomLeft)
            moved.X += m_width - m_previousWidth;
        if (kind != vaTopRight)
            moved.Y += m_height - m_previousHeight;
        if (moved != position)
            child.m_position->SetPoint(moved);
        return;
    }
    case vaScale:
        if (m_previousWidth > 0 && m_previousHeight > 0 && m_width > 0 && m_height > 0) {
            const float sx = m_width / m_previousWidth;
            const float sy = m_height / m_previousHeight;
            child.m_position->StorePoint({ position.X * sx, position.Y * sy });
            child.m_width *= sx;
            child.m_height *= sy;
            child.UpdateLocalMatrix();
            child.RealignChildren();
        }
        return;
    default:
        // vaClient, vaHorizontal, vaVertical: the offered area as it is.
        break;
    }

    child.m_position->StorePoint({ ax + pad.Left, ay + pad.Top });
    const float width = aw - pad.Left - pad.Right;
    const float height = ah - pad.Top - pad.Bottom;
    if (child.m_width != width || child.m_height != height) {
        child.m_width = width;
        child.m_height = height;
        child.RealignChildren();
    }
    child.UpdateLocalMatrix();

    // A child whose own layout resized it gives back what it did not take.
    const float takenWidth = child.m_width + pad.Left + pad.Right;
    const float takenHeight = child.m_height + pad.Top + pad.Bottom;
    if (takenWidth == aw && takenHeight == ah)
        return;
    switch (kind) {
    case vaTop:
        area.Top -= ah - takenHeight;
        break;
    case vaBottom:
        area.Bottom += ah - takenHeight;
        break;
    case vaLeft:
        area.Left -= aw - takenWidth;
        break;
    case vaRight:
        area.Right += aw - takenWidth;
        break;
    case vaClient:
        area.Right += aw - takenWidth;
        area.Bottom += ah - takenHeight;
        break;
    default:
        break;
    }
}
