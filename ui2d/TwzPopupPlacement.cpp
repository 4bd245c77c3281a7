#include "ui2d/TwzPopupPlacement.h"

#include <algorithm>

namespace ui2d {

TwzPoint PopupPlacementPoint(const PopupPlacement& p)
{
    const float w = p.width;
    const float h = p.height;
    const float hx = p.horizontalOffset;
    const float vy = p.verticalOffset;
    const TwzRect& r = p.rect;
    switch (p.placement) {
    case wzPlacementAbsolute:
        return { r.Left, r.Top };
    case wzPlacementMouse:
        return {};
    default:
        break;
    }
    const bool byTarget = p.hasTarget && RectIsEmpty(r);
    if (byTarget) {
        switch (p.placement) {
        case wzPlacementTop:
            return { hx, -h - vy };
        case wzPlacementLeft:
            return { -w - hx, vy };
        case wzPlacementRight:
            return { p.targetWidth + hx, vy };
        case wzPlacementCenter:
            return { (p.targetWidth - w) / 2 + hx, (p.targetHeight - h) / 2 + vy };
        default:
            return { hx, p.targetHeight + vy };
        }
    }
    switch (p.placement) {
    case wzPlacementTop:
        return { r.Left + hx, r.Top - h - vy };
    case wzPlacementLeft:
        return { r.Left - w - hx, r.Top + vy };
    case wzPlacementRight:
        return { r.Right + hx, r.Top + vy };
    case wzPlacementCenter:
        return { r.Left + (r.Right - r.Left - w) / 2 + hx, r.Top + (r.Bottom - r.Top - h) / 2 + vy };
    default:
        return { r.Left + hx, r.Bottom + vy };
    }
}

namespace {

/// `pos` moved so that [pos, pos + extent) lies in [low, high) as far as it fits.
float Inside(float pos, float extent, float low, float high)
{
    return std::max(low, std::min(pos, high - extent));
}

} // namespace

TwzPoint KeepPopupOnScreen(TwzPlacement placement, TwzPoint position, TwzPoint size, const TwzRect& anchor,
    const TwzRect& workArea, float horizontalOffset, float verticalOffset)
{
    // The caller gave exact screen coordinates.
    if (placement == wzPlacementAbsolute)
        return position;
    TwzPoint p = position;
    switch (placement) {
    case wzPlacementBottom:
        if (p.Y + size.Y > workArea.Bottom && anchor.Top - size.Y - verticalOffset >= workArea.Top)
            p.Y = anchor.Top - size.Y - verticalOffset;
        break;
    case wzPlacementTop:
        if (p.Y < workArea.Top && anchor.Bottom + verticalOffset + size.Y <= workArea.Bottom)
            p.Y = anchor.Bottom + verticalOffset;
        break;
    case wzPlacementRight:
        if (p.X + size.X > workArea.Right && anchor.Left - size.X - horizontalOffset >= workArea.Left)
            p.X = anchor.Left - size.X - horizontalOffset;
        break;
    case wzPlacementLeft:
        if (p.X < workArea.Left && anchor.Right + horizontalOffset + size.X <= workArea.Right)
            p.X = anchor.Right + horizontalOffset;
        break;
    default:
        break;
    }
    p.X = Inside(p.X, size.X, workArea.Left, workArea.Right);
    p.Y = Inside(p.Y, size.Y, workArea.Top, workArea.Bottom);
    return p;
}

} // namespace ui2d
