#include "graphics/TwzCanvas.h"

#include "graphics/Longwords.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzSurfaceBacking.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

RTL_IMPLEMENT_CLASS(TwzCanvas)

const TwzCanvasClass* DefaultCanvasClass = nullptr;
const TwzCanvasClass* DefaultDeviceCanvasClass = nullptr;

namespace {

using platform::raster::RectI;

canvasvisuals::Painter g_painter;

/// Pixel coordinates from world values that may be huge or not numbers: the buffer is at
/// most 32767 pixels a side, so clamping far beyond that changes no result.
int32_t ClampToPixels(int64_t v)
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, -(int64_t { 1 } << 30), int64_t { 1 } << 30));
}

} // namespace

// ---- saved states -------------------------------------------------------------------------

TwzSaveData::TwzSaveData() = default;
TwzSaveData::TwzSaveData(TwzSaveData&&) noexcept = default;
TwzSaveData& TwzSaveData::operator=(TwzSaveData&&) noexcept = default;
TwzSaveData::~TwzSaveData() = default;

// ---- life ---------------------------------------------------------------------------------

TwzCanvas::TwzCanvas(Target target, int32_t width, int32_t height, TwzBitmap* bitmap)
    : m_width(width)
    , m_height(height)
    , m_fill(std::make_unique<TwzBrush>(wzBrushSolid, 0xFFFFFFFF))
    , m_stroke(std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000))
    , m_font(std::make_unique<TwzFont>())
    , m_bitmap(bitmap)
    , m_buffered(target == Target::BackBuffer)
{
    m_font->OnChanged.Bind<&TwzCanvas::FontChanged>(this);
}

TwzCanvas::~TwzCanvas()
{
    // The implementation released what it built on the buffer in its own destructor.
    m_font->OnChanged.Clear();
    m_saveStates.clear();
    m_buffer.reset();
    m_bufferBits = nullptr;
}

void TwzCanvas::FontChanged(rtl::TObject*) { }

bool TwzCanvas::BeginScene()
{
    return true;
}

void TwzCanvas::EndScene() { }

// ---- back buffer --------------------------------------------------------------------------

void TwzCanvas::FreeBackBuffer()
{
    m_buffer.reset();
    m_bufferBits = nullptr;
}

void TwzCanvas::ResizeBackBuffer(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
        return;
    FreeBackBuffer();
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
    if (m_buffered)
        CreateBackBuffer();
}

void TwzCanvas::CreateBackBuffer()
{
    m_width = std::max(m_width, 1);
    m_height = std::max(m_height, 1);
    // Raises "Can't allocate the DIB handle" when the size is more than the drawing layer
    // takes or memory runs out; the canvas then has no buffer.
    m_buffer = TwzSurface::CreateBackBuffer(m_width, m_height);
    m_bufferBits = m_buffer->Bits();
}

void TwzCanvas::Flush() const
{
    if (m_buffer)
        m_buffer->Flush();
}

void TwzCanvas::BlitToDC(int32_t x, int32_t y, TwzSurface& target)
{
    if (!m_buffer)
        return;
    const RectI whole { 0, 0, m_buffer->Width(), m_buffer->Height() };
    platform::raster::Present(
        RasterSurfaceOf(*m_buffer), RasterSurfaceOf(target), x, y, std::span(&whole, 1));
}

void TwzCanvas::BlitRectToDC(int32_t x, int32_t y, TwzSurface& target, const TwzRect& rect)
{
    if (!m_buffer)
        return;
    // One more column and row than the truncated edges, also for whole-number edges: an
    // antialiased edge may touch the pixel past the rectangle.
    const int32_t l = ClampToPixels(rtl::Trunc(rect.Left));
    const int32_t t = ClampToPixels(rtl::Trunc(rect.Top));
    const int32_t r = ClampToPixels(rtl::Trunc(rect.Right)) + 1;
    const int32_t b = ClampToPixels(rtl::Trunc(rect.Bottom)) + 1;
    if (r <= l || b <= t)
        return;
    const RectI block { l, t, r - l, b - t };
    platform::raster::Present(
        RasterSurfaceOf(*m_buffer), RasterSurfaceOf(target), x, y, std::span(&block, 1));
}

void TwzCanvas::ClearRect(const TwzRect& rect, TwzColor color)
{
    if (!m_bufferBits)
        return;
    int32_t l = ClampToPixels(rtl::Trunc(rect.Left));
    int32_t t = ClampToPixels(rtl::Trunc(rect.Top));
    int32_t r = ClampToPixels(rtl::Round(rect.Right));
    int32_t b = ClampToPixels(rtl::Round(rect.Bottom));
    l = std::max(l, 0);
    t = std::max(t, 0);
    r = std::min(r, m_width);
    b = std::min(b, m_height);
    b = std::max(b, t);
    r = std::max(r, l);
    if (l >= m_width || t >= m_height || r == l || b == t)
        return;
    m_buffer->Flush();
    FillRectLongwords(m_bufferBits, m_width, m_height, l, t, r, b, color);
    m_buffer->MarkDirty();
}

void TwzCanvas::CopyBits(uint32_t* dest) const
{
    if (!m_buffered || !m_bufferBits || !dest)
        return;
    m_buffer->Flush();
    MoveLongwords(m_bufferBits, dest, m_width * m_height);
}

void TwzCanvas::AssignTo(rtl::TPersistent& dest) const
{
    auto* bitmap = dynamic_cast<TwzBitmap*>(&dest);
    if (!bitmap) {
        Inherited::AssignTo(dest);
        return;
    }
    bitmap->SetSize(m_width, m_height);
    if (!m_buffered || !m_bufferBits)
        return;
    m_buffer->Flush();
    for (int32_t y = 0; y < m_height; ++y) {
        if (uint32_t* row = bitmap->GetScanline(y))
            MoveLongwords(m_bufferBits + static_cast<size_t>(y) * m_width, row, m_width);
    }
}

// ---- state --------------------------------------------------------------------------------

void TwzCanvas::SetMatrix(const TwzMatrix& m)
{
    m_matrix = m;
}

void TwzCanvas::MultiplyMatrix(const TwzMatrix&) { }

void TwzCanvas::SetStrokeDash(TwzStrokeDash value)
{
    if (value == m_strokeDash)
        return;
    m_strokeDash = value;
    switch (value) {
    case wzDashSolid:
        m_dash.clear();
        break;
    case wzDashDash:
        m_dash = { 3, 1 };
        break;
    case wzDashDot:
        m_dash = { 1, 1 };
        break;
    case wzDashDashDot:
        m_dash = { 3, 1, 1, 1 };
        break;
    case wzDashDashDotDot:
        m_dash = { 3, 1, 1, 1, 1, 1 };
        break;
    case wzDashCustom:
        return; // the caller's pattern and offset stay
    }
    m_dashOffset = 0;
}

// ---- operations built on the others ------------------------------------------------------

float TwzCanvas::TextWidth(std::u16string_view text)
{
    TwzRect r { 0, 0, 10000, 20 };
    MeasureText(r, r, text, false, wzTextAlignNear, wzTextAlignCenter);
    return r.Right - r.Left;
}

void TwzCanvas::FillArc(
    const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle, float opacity)
{
    TwzPathData path;
    path.AddArc(center, radius, startAngle, sweepAngle);
    FillPath(path, path.GetBounds(), opacity);
}

void TwzCanvas::DrawArc(
    const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle, float opacity)
{
    TwzPathData path;
    path.AddArc(center, radius, startAngle, sweepAngle);
    DrawPath(path, path.GetBounds(), opacity);
}

namespace {

/// One element per point; the marker ends a figure with a close element at (0, 0). With
/// `closeLast` the last point becomes a close element that keeps its coordinates.
void PolygonToPath(const TwzPolygon& points, bool closeLast, TwzPathData& path)
{
    bool startFigure = true;
    for (size_t i = 0; i < points.size(); ++i) {
        const TwzPoint& p = points[i];
        if (p == TwzPathData::kFigureEnd) {
            path.AddPoint(wzPathPointClose, {});
            startFigure = true;
        } else if (closeLast && i + 1 == points.size()) {
            path.AddPoint(wzPathPointClose, p);
            startFigure = true;
        } else {
            path.AddPoint(startFigure ? wzPathPointMoveTo : wzPathPointLineTo, p);
            startFigure = false;
        }
    }
}

} // namespace

void TwzCanvas::FillPolygon(const TwzPolygon& points, float opacity)
{
    TwzPathData path;
    PolygonToPath(points, true, path);
    FillPath(path, path.GetBounds(), opacity);
}

void TwzCanvas::DrawPolygon(const TwzPolygon& points, float opacity)
{
    TwzPathData path;
    PolygonToPath(points, false, path);
    DrawPath(path, path.GetBounds(), opacity);
}

void TwzCanvas::DrawRectSides(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners,
    float opacity, TwzSides sides, TwzCornerType cornerType)
{
    float x = xRadius;
    if (x * 2 > RectWidth(r))
        x = RectWidth(r) / 2;
    float y = yRadius;
    if (y * 2 > RectHeight(r))
        y = RectHeight(r) / 2;

    TwzPathData path;
    auto step = [&](bool draw, TwzPoint p) {
        if (draw)
            path.LineTo(p);
        else
            path.MoveTo(p);
    };
    // One corner from start S to end E around vertex V, with the inner vertex I; `armIn`
    // and `armOut` are the sides the two arms belong to when the corner is square. The
    // control points lie halfway between an end and V (or I): half the radius.
    auto corner = [&](TwzCorner which, TwzPoint s, TwzPoint e, TwzPoint v, TwzSide armIn, TwzSide armOut) {
        const TwzPoint i { e.X + s.X - v.X, e.Y + s.Y - v.Y };
        if (!corners.Contains(which)) {
            step(sides.Contains(armIn), v);
            step(sides.Contains(armOut), e);
            return;
        }
        auto half = [](TwzPoint a, TwzPoint b) { return TwzPoint { (a.X + b.X) / 2, (a.Y + b.Y) / 2 }; };
        switch (cornerType) {
        case wzCornerBevel:
            path.LineTo(e);
            break;
        case wzCornerInnerRound:
            path.CurveTo(half(s, i), half(e, i), e);
            break;
        case wzCornerInnerLine:
            path.LineTo(half(s, i));
            path.LineTo(half(e, i));
            path.LineTo(e);
            break;
        default:
            path.CurveTo(half(s, v), half(e, v), e);
            break;
        }
    };

    const float l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
    path.MoveTo({ l, t + y });
    corner(wzCornerTopLeft, { l, t + y }, { l + x, t }, { l, t }, wzSideLeft, wzSideTop);
    step(sides.Contains(wzSideTop), { rt - x, t });
    corner(wzCornerTopRight, { rt - x, t }, { rt, t + y }, { rt, t }, wzSideTop, wzSideRight);
    step(sides.Contains(wzSideRight), { rt, b - y });
    corner(wzCornerBottomRight, { rt, b - y }, { rt - x, b }, { rt, b }, wzSideRight, wzSideBottom);
    step(sides.Contains(wzSideBottom), { l + x, b });
    corner(wzCornerBottomLeft, { l + x, b }, { l, b - y }, { l, b }, wzSideBottom, wzSideLeft);
    if (sides.Contains(wzSideLeft))
        path.LineTo({ l, t + y });
    DrawPath(path, r, opacity);
}

// ---- class reference ----------------------------------------------------------------------

std::unique_ptr<TwzCanvas> TwzCanvasClass::Create(int32_t width, int32_t height) const
{
    if (!create)
        throw rtl::AbstractError("Abstract Error");
    return create(width, height);
}

std::unique_ptr<TwzCanvas> TwzCanvasClass::CreateFromBitmap(TwzBitmap* bitmap) const
{
    if (!createFromBitmap)
        throw rtl::AbstractError("Abstract Error");
    return createFromBitmap(bitmap);
}

uint32_t* TwzCanvasClass::GetBitmapScanline(const TwzBitmap* bitmap, int32_t y) const
{
    return getBitmapScanline ? getBitmapScanline(bitmap, y) : nullptr;
}

namespace canvasvisuals {

void InstallPainter(const Painter& painter)
{
    g_painter = painter;
}

const Painter& InstalledPainter()
{
    return g_painter;
}

} // namespace canvasvisuals
