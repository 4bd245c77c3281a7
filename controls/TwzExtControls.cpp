#include "controls/TwzExtControls.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFont.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "ui2d/TwzShape.h"

#include <cmath>

namespace {

constexpr float kMinFrequency = 0.001f;
/// Lines drawn from the centre in each direction, at most: a tiny Frequency on a large grid
/// read from a file must not stall painting.
constexpr int32_t kMaxGridLines = 4096;
constexpr float kFaintOpacity = 0.4f;

constexpr rtl::TPropInfo kDropTargetProps[] = {
    RTL_PROP(TwzDropTarget, Filter, String, ""),
    RTL_PROP(TwzTextControl, Font, Class, rtl::kNoDefault),
    RTL_PROP(TwzTextControl, Text, WideString, rtl::kNoDefault),
};

constexpr rtl::TEventInfo kDropTargetEvents[] = {
    RTL_EVENT(TwzDropTarget, OnDroped),
};

constexpr rtl::TPropInfo kPlotGridProps[] = {
    RTL_PROP(TwzPlotGrid, Marks, Float, 25.0),
    RTL_PROP(TwzPlotGrid, Frequency, Float, 5.0),
    RTL_PROP(TwzPlotGrid, LineFill, Class, rtl::kNoDefault),
};

constexpr rtl::TPropInfo kIPhoneButtonProps[] = {
    RTL_PROP(TwzIPhoneButton, Background, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzDropTarget, .props = kDropTargetProps, .events = kDropTargetEvents)
RTL_IMPLEMENT_CLASS(TwzPlotGrid, .props = kPlotGridProps)
RTL_IMPLEMENT_CLASS(TwzIPhoneButton, .props = kIPhoneButtonProps)

// ---- TwzDropTarget -------------------------------------------------------------------------

TwzDropTarget::TwzDropTarget(rtl::TComponent* owner)
    : TwzTextControl(owner)
{
    SetDragDisableHighlight(true);
    SetWidth(120);
    SetHeight(120);
}

void TwzDropTarget::DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept)
{
    Inherited::DragOver(data, point, accept);
    accept = true;
}

void TwzDropTarget::DragDrop(const TwzDragObject& data, const TwzPoint& point)
{
    Inherited::DragDrop(data, point);
    OnDroped(this, data, point);
}

// ---- TwzPlotGrid ---------------------------------------------------------------------------

TwzPlotGrid::TwzPlotGrid(rtl::TComponent* owner)
    : TwzVisualObject(owner)
    , m_lineFill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF505050))
{
    m_lineFill->OnChanged.Bind<&TwzPlotGrid::LineFillChanged>(this);
}

TwzPlotGrid::~TwzPlotGrid() = default;

void TwzPlotGrid::SetMarks(float value)
{
    if (value == m_marks)
        return;
    m_marks = value;
    InvalidateObject();
}

void TwzPlotGrid::SetFrequency(float value)
{
    if (value == m_frequency)
        return;
    // NaN is no frequency either.
    m_frequency = value >= kMinFrequency ? value : kMinFrequency;
    InvalidateObject();
}

void TwzPlotGrid::SetLineFill(TwzBrush* value)
{
    if (value && value != m_lineFill.get())
        m_lineFill->Assign(*value);
}

void TwzPlotGrid::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    canvas->GetStroke().Assign(*m_lineFill);
    const float opacity = GetAbsoluteOpacity();
    const float width = GetWidth();
    const float height = GetHeight();
    // One axis: lines across `across` at offsets from the rounded centre of `along`.
    auto drawAxis = [&](float along, float across, bool vertical) {
        const float centre = float(rtl::Round(along / 2));
        for (int32_t i = 0; i < kMaxGridLines; ++i) {
            const float d = float(i) * m_frequency;
            if (!(d < along / 2))
                break;
            float thickness = 1;
            float lineOpacity = opacity;
            if (i == 0) {
                thickness = 2;
            } else {
                const float steps = d / m_frequency / m_marks;
                const bool mark = d == std::trunc(d) && std::isfinite(steps) && steps == std::trunc(steps);
                if (!mark)
                    lineOpacity *= kFaintOpacity;
            }
            canvas->SetStrokeThickness(thickness);
            for (const float at : { centre + d, centre - d }) {
                const float x = at + thickness / 2;
                if (vertical)
                    canvas->DrawLine({ x, 0 }, { x, across }, lineOpacity);
                else
                    canvas->DrawLine({ 0, x }, { across, x }, lineOpacity);
                if (i == 0)
                    break;
            }
        }
    };
    drawAxis(width, height, true);
    drawAxis(height, width, false);
}

// ---- TwzIPhoneButton -----------------------------------------------------------------------

TwzIPhoneButton::TwzIPhoneButton(rtl::TComponent* owner)
    : TwzBitmapButton(owner)
    , m_background(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF808080))
{
    m_background->OnChanged.Bind<&TwzIPhoneButton::BackgroundChanged>(this);
}

TwzIPhoneButton::~TwzIPhoneButton() = default;

void TwzIPhoneButton::SetBackground(TwzBrush* value)
{
    if (value && value != m_background.get())
        m_background->Assign(*value);
}

void TwzIPhoneButton::BackgroundChanged(rtl::TObject*)
{
    if (auto* shape = dynamic_cast<TwzShape*>(FindResource("background")))
        shape->SetFill(m_background.get());
}

void TwzIPhoneButton::ApplyStyle()
{
    const rtl::DispatchGuard held(this);
    Inherited::ApplyStyle();
    BackgroundChanged(this);
}
