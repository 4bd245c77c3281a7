// The shape base (brushes, pen, shape rectangle), the line and the ellipse family. The
// rectangles live in TwzShapeRectangles.cpp.

#include "ui2d/TwzShape.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/IwzScene.h"
#include "ui2d/TwzShapeProps.h"

#include <cmath>

namespace {

constexpr rtl::TPropInfo kLineProps[] = {
    TWZ_SHAPE_STROKE_ROWS(TwzLine),
    RTL_PROP(TwzLine, LineType, Enum, wzLineNormal),
};

constexpr rtl::TPropInfo kEllipseProps[] = {
    TWZ_SHAPE_FILL_ROW(TwzEllipse),
    TWZ_SHAPE_STROKE_ROWS(TwzEllipse),
};

constexpr rtl::TPropInfo kPieProps[] = {
    RTL_PROP(TwzPie, StartAngle, Float, 0.0),
    RTL_PROP(TwzPie, EndAngle, Float, -90.0),
};

constexpr rtl::TPropInfo kArcProps[] = {
    RTL_PROP(TwzArc, StartAngle, Float, 0.0),
    RTL_PROP(TwzArc, EndAngle, Float, -90.0),
};

constexpr TwzColor kShapeFillColor = 0xFFE0E0E0;
constexpr TwzColor kShapeStrokeColor = 0xFF000000;

} // namespace

RTL_IMPLEMENT_CLASS(TwzShape)
RTL_IMPLEMENT_CLASS(TwzLine, .props = kLineProps)
RTL_IMPLEMENT_CLASS(TwzEllipse, .props = kEllipseProps)
RTL_IMPLEMENT_CLASS(TwzCircle)
RTL_IMPLEMENT_CLASS(TwzPie, .props = kPieProps)
RTL_IMPLEMENT_CLASS(TwzArc, .props = kArcProps)

// ---- the base --------------------------------------------------------------------------------

TwzShape::TwzShape(rtl::TComponent* owner)
    : TwzShape(owner, wzBrushSolid, kShapeFillColor, wzBrushSolid)
{ }

TwzShape::TwzShape(
    rtl::TComponent* owner, TwzBrushStyle fillStyle, TwzColor fillColor, TwzBrushStyle strokeStyle)
    : TwzVisualObject(owner)
    , m_fill(std::make_unique<TwzBrush>(fillStyle, fillColor))
    , m_stroke(std::make_unique<TwzBrush>(strokeStyle, kShapeStrokeColor))
{
    m_fill->OnChanged.Bind<&TwzShape::FillChanged>(this);
    m_stroke->OnChanged.Bind<&TwzShape::StrokeChanged>(this);
}

TwzShape::~TwzShape() = default;

void TwzShape::SetFill(TwzBrush* value)
{
    if (value)
        m_fill->Assign(*value);
}

void TwzShape::SetStroke(TwzBrush* value)
{
    if (value)
        m_stroke->Assign(*value);
}

void TwzShape::SetStrokeThickness(float value)
{
    if (value == m_strokeThickness || std::isnan(value))
        return;
    m_strokeThickness = value;
    LookChanged();
}

void TwzShape::SetStrokeCap(TwzStrokeCap value)
{
    if (value == m_strokeCap)
        return;
    m_strokeCap = value;
    LookChanged();
}

void TwzShape::SetStrokeJoin(TwzStrokeJoin value)
{
    if (value == m_strokeJoin)
        return;
    m_strokeJoin = value;
    LookChanged();
}

void TwzShape::SetStrokeDash(TwzStrokeDash value)
{
    if (value == m_strokeDash)
        return;
    m_strokeDash = value;
    LookChanged();
}

void TwzShape::FillChanged(rtl::TObject*)
{
    LookChanged();
}

void TwzShape::StrokeChanged(rtl::TObject*)
{
    LookChanged();
}

void TwzShape::LookChanged()
{
    UpdateEffects();
    InvalidateObject();
}

TwzRect TwzShape::GetShapeRect() const
{
    TwzRect r { 0, 0, GetWidth(), GetHeight() };
    if (m_stroke->GetStyle() != wzBrushNone)
        RectInflate(r, -m_strokeThickness / 2, -m_strokeThickness / 2);
    return r;
}

void TwzShape::ApplyBrushes(TwzCanvas& canvas) const
{
    canvas.GetFill().Assign(*m_fill);
    canvas.GetStroke().Assign(*m_stroke);
    canvas.SetStrokeThickness(m_strokeThickness);
    canvas.SetStrokeCap(m_strokeCap);
    canvas.SetStrokeJoin(m_strokeJoin);
    canvas.SetStrokeDash(m_strokeDash);
}

void TwzShape::BeforePaint()
{
    if (TwzCanvas* canvas = GetCanvas())
        ApplyBrushes(*canvas);
}

void TwzShape::AfterPaint()
{
    if (TwzCanvas* canvas = GetCanvas()) {
        canvas->SetStrokeDash(wzDashSolid);
        canvas->SetStrokeThickness(1);
    }
}

bool TwzShape::PaintingToHost() const
{
    IwzScene* scene = GetScene();
    return scene && GetCanvas() == scene->GetCanvas();
}

bool TwzShape::EllipseContains(const TwzPoint& local) const
{
    const float w = GetWidth();
    const float h = GetHeight();
    if (w * h == 0)
        return false;
    const double ex = (2.0 * local.X - w) / w;
    const double ey = (2.0 * local.Y - h) / h;
    return ex * ex + ey * ey <= 1;
}

// ---- line ------------------------------------------------------------------------------------

TwzLine::TwzLine(rtl::TComponent* owner)
    : TwzShape(owner)
{ }

TwzLine::~TwzLine() = default;

void TwzLine::SetLineType(TwzLineType value)
{
    if (value == m_lineType)
        return;
    m_lineType = value;
    InvalidateObject();
}

void TwzLine::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzRect s = GetShapeRect();
    TwzPoint end { s.Right, s.Bottom };
    if (m_lineType == wzLineHorizontal)
        end = { s.Right, s.Top };
    else if (m_lineType == wzLineVertical)
        end = { s.Left, s.Bottom };
    canvas->DrawLine({ s.Left, s.Top }, end, GetAbsoluteOpacity());
}

// ---- ellipse and circle ----------------------------------------------------------------------

TwzEllipse::TwzEllipse(rtl::TComponent* owner)
    : TwzShape(owner)
{ }

TwzEllipse::TwzEllipse(rtl::TComponent* owner, TwzBrushStyle fillStyle)
    : TwzShape(owner, fillStyle, kShapeFillColor, wzBrushSolid)
{ }

TwzEllipse::~TwzEllipse() = default;

void TwzEllipse::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzRect s = GetShapeRect();
    canvas->FillEllipse(s, GetAbsoluteOpacity());
    canvas->DrawEllipse(s, GetAbsoluteOpacity());
}

bool TwzEllipse::ContainsLocal(const TwzPoint& local)
{
    return EllipseContains(local);
}

bool TwzEllipse::PointInObject(float x, float y)
{
    return ContainsLocal(AbsoluteToLocal({ x, y }));
}

TwzCircle::TwzCircle(rtl::TComponent* owner)
    : TwzEllipse(owner)
{ }

TwzCircle::~TwzCircle() = default;

void TwzCircle::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float side = std::max(GetWidth(), GetHeight());
    TwzRect square { 0, 0, side, side };
    RectFit(square, GetShapeRect());
    canvas->FillEllipse(square, GetAbsoluteOpacity());
    canvas->DrawEllipse(square, GetAbsoluteOpacity());
}

// ---- pie and arc -----------------------------------------------------------------------------

TwzPie::TwzPie(rtl::TComponent* owner)
    : TwzEllipse(owner)
{ }

TwzPie::~TwzPie() = default;

void TwzPie::SetStartAngle(float value)
{
    if (value == m_startAngle)
        return;
    m_startAngle = value;
    InvalidateObject();
}

void TwzPie::SetEndAngle(float value)
{
    if (value == m_endAngle)
        return;
    m_endAngle = value;
    InvalidateObject();
}

void TwzPie::BuildPath(TwzPathData& path) const
{
    const TwzPoint centre { GetWidth() / 2, GetHeight() / 2 };
    const TwzPoint radius { (GetWidth() - GetStrokeThickness()) / 2,
        (GetHeight() - GetStrokeThickness()) / 2 };
    path.MoveTo(centre);
    path.AddArc(centre, radius, m_startAngle, m_endAngle - m_startAngle);
    path.LineTo(centre);
    path.ClosePath();
}

void TwzPie::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    TwzPathData path;
    BuildPath(path);
    const TwzRect bounds = path.GetBounds();
    canvas->FillPath(path, bounds, GetAbsoluteOpacity());
    canvas->DrawPath(path, bounds, GetAbsoluteOpacity());
}

bool TwzPie::ContainsLocal(const TwzPoint& local)
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return EllipseContains(local);
    TwzPathData path;
    BuildPath(path);
    return canvas->PtInPath(local, path.GetBounds(), path);
}

TwzArc::TwzArc(rtl::TComponent* owner)
    : TwzEllipse(owner, wzBrushNone)
{ }

TwzArc::~TwzArc() = default;

void TwzArc::SetStartAngle(float value)
{
    if (value == m_startAngle)
        return;
    m_startAngle = value;
    InvalidateObject();
}

void TwzArc::SetEndAngle(float value)
{
    if (value == m_endAngle)
        return;
    m_endAngle = value;
    InvalidateObject();
}

void TwzArc::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const TwzPoint centre { GetWidth() / 2, GetHeight() / 2 };
    const TwzPoint radius { (GetWidth() - GetStrokeThickness()) / 2,
        (GetHeight() - GetStrokeThickness()) / 2 };
    canvas->FillArc(centre, radius, m_startAngle, m_endAngle, GetAbsoluteOpacity());
    canvas->DrawArc(centre, radius, m_startAngle, m_endAngle, GetAbsoluteOpacity());
}
