// The overlays of the 2D design mode, painted over a designed host's objects: the
// selection's frame with its handles, the alignment lines of a drag and the hint of the
// object an Alt-drag drops into.

#include "design/SceneDesignMode.h"

#include "design/SceneDesignGeometry.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/Text.h"
#include "ui2d/TwzVisualObject.h"

#include <cmath>

namespace design {

using detail::Box;
using detail::BoxOf;
using detail::IsResize;
using detail::kHandleHalf;
using detail::Relation;
using detail::RelationsOf;
using detail::VisualParentOf;

namespace {

constexpr TwzColor kFrameColor = 0xFF1072C5;
constexpr TwzColor kHandleColor = 0xFFFFFFFF;
constexpr TwzColor kHoverColor = 0xFFFF0000;
constexpr TwzColor kDropColor = 0xFF5B91DE;
constexpr float kDropLabelWidth = 160;
constexpr float kDropLabelHeight = 19;

} // namespace

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

} // namespace design
