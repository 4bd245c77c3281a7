// Where a popup window goes: beside its target or a rectangle, with offsets, and flipped or
// moved back when it would leave the screen.

#include "ui2d/TwzPopupPlacement.h"

#include <gtest/gtest.h>

namespace {

using ui2d::PopupPlacement;

PopupPlacement ByTarget(
    TwzPlacement placement, float tw, float th, float w, float h, float hx = 0, float vy = 0)
{
    PopupPlacement p;
    p.placement = placement;
    p.hasTarget = true;
    p.targetWidth = tw;
    p.targetHeight = th;
    p.width = w;
    p.height = h;
    p.horizontalOffset = hx;
    p.verticalOffset = vy;
    return p;
}

TEST(PopupPlacement, BesideATargetOrARectangleWithOffsets)
{
    struct Case {
        const char* what;
        PopupPlacement in;
        TwzPoint expected;
    };
    PopupPlacement rectWithTarget = ByTarget(wzPlacementBottom, 100, 20, 50, 40, 3, 4);
    rectWithTarget.rect = { 10, 5, 60, 15 };
    PopupPlacement screenRect = ByTarget(wzPlacementRight, 0, 0, 50, 40, 1, 2);
    screenRect.hasTarget = false;
    screenRect.rect = { 300, 200, 400, 260 };
    PopupPlacement emptyScreenRect = screenRect;
    emptyScreenRect.placement = wzPlacementTop;
    emptyScreenRect.rect = { 300, 200, 300, 200 };
    PopupPlacement absolute = ByTarget(wzPlacementAbsolute, 100, 20, 50, 40, 7, 9);
    absolute.rect = { 120, 80, 0, 0 };
    const Case cases[] = {
        { "below a 100x20 target, 2 down", ByTarget(wzPlacementBottom, 100, 20, 80, 30, 0, 2), { 0, 22 } },
        { "above", ByTarget(wzPlacementTop, 100, 20, 80, 30, 5, 2), { 5, -32 } },
        { "left", ByTarget(wzPlacementLeft, 100, 20, 80, 30, 5, 2), { -85, 2 } },
        { "right", ByTarget(wzPlacementRight, 100, 20, 80, 30, 5, 2), { 105, 2 } },
        { "centred on 200x100", ByTarget(wzPlacementCenter, 200, 100, 100, 50), { 50, 25 } },
        { "a rectangle in the target's coordinates", rectWithTarget, { 13, 19 } },
        { "a screen rectangle without target", screenRect, { 401, 202 } },
        { "an empty screen rectangle still counts", emptyScreenRect, { 301, 158 } },
        { "absolute ignores the offsets", absolute, { 120, 80 } },
    };
    for (const Case& c : cases) {
        const TwzPoint p = ui2d::PopupPlacementPoint(c.in);
        EXPECT_FLOAT_EQ(p.X, c.expected.X) << c.what;
        EXPECT_FLOAT_EQ(p.Y, c.expected.Y) << c.what;
    }
}

TEST(PopupPlacement, FlippedAtTheScreenEdgeOrMovedInsideUnlessPlacedAbsolutely)
{
    const TwzRect screen { 0, 0, 1280, 1024 };
    struct Case {
        const char* what;
        TwzPlacement placement;
        TwzPoint position;
        TwzPoint size;
        TwzRect anchor;
        TwzPoint expected;
    };
    const Case cases[] = {
        { "fits below: unchanged", wzPlacementBottom, { 100, 122 }, { 80, 60 }, { 100, 100, 200, 120 },
            { 100, 122 } },
        { "past the bottom: above the target", wzPlacementBottom, { 100, 1002 }, { 80, 60 },
            { 100, 980, 200, 1000 }, { 100, 918 } },
        { "past the top: below the target", wzPlacementTop, { 100, -52 }, { 80, 60 }, { 100, 10, 200, 30 },
            { 100, 32 } },
        { "past the right: to the left", wzPlacementRight, { 1250, 300 }, { 80, 60 },
            { 1150, 300, 1248, 320 }, { 1070, 300 } },
        { "past the left: to the right", wzPlacementLeft, { -70, 300 }, { 80, 60 }, { 10, 300, 40, 320 },
            { 40, 300 } },
        { "below and past the right edge: moved in", wzPlacementBottom, { 1250, 500 }, { 80, 60 },
            { 1250, 480, 1270, 498 }, { 1200, 500 } },
        { "too tall for either side: kept at the top", wzPlacementBottom, { 0, 900 }, { 80, 2000 },
            { 0, 880, 10, 898 }, { 0, 0 } },
        { "absolute off screen: where the caller put it", wzPlacementAbsolute, { -40, 1100 }, { 80, 60 }, {},
            { -40, 1100 } },
        { "at the mouse off screen: moved in", wzPlacementMouse, { -40, 1100 }, { 80, 60 }, {}, { 0, 964 } },
    };
    for (const Case& c : cases) {
        const TwzPoint p = ui2d::KeepPopupOnScreen(c.placement, c.position, c.size, c.anchor, screen, 0, 2);
        EXPECT_FLOAT_EQ(p.X, c.expected.X) << c.what;
        EXPECT_FLOAT_EQ(p.Y, c.expected.Y) << c.what;
    }
}

} // namespace
