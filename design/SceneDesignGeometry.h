#pragma once

// What the mouse and the overlays of the 2D design mode share: the size of the handles, the
// drags that resize, and the boxes of siblings with the line relations between them. Only
// the design mode's own files include it.

#include "design/SceneDesignMode.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Numbers.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <array>

namespace design::detail {

inline constexpr float kHandleHalf = 3; // handles are 6 by 6, edges included

inline bool IsResize(DesignDrag drag)
{
    return drag >= DesignDrag::LeftTop && drag <= DesignDrag::Right;
}

inline TwzVisualObject* VisualParentOf(const TwzObject* object)
{
    TwzObject* parent = object ? object->GetParent() : nullptr;
    return parent ? parent->AsVisual() : nullptr;
}

// The places of two siblings in their parent, for the line relations.
struct Box {
    float x, y, w, h;
    [[nodiscard]] float Cx() const { return static_cast<float>(rtl::Round(w / 2)) + x; }
    [[nodiscard]] float Cy() const { return static_cast<float>(rtl::Round(h / 2)) + y; }
};

inline Box BoxOf(TwzVisualObject& object)
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

inline std::array<Relation, 10> RelationsOf(const Box& s, const Box& a)
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

} // namespace design::detail
