#include "controls/TwzColorControls.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "platform/rtl/ClassInfo.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr rtl::TPropInfo kColorQuadProps[] = {
    RTL_PROP(TwzColorQuad, Hue, Float, 0.0),
    RTL_PROP(TwzColorQuad, Lum, Float, 0.0),
    RTL_PROP(TwzColorQuad, Sat, Float, 0.0),
    RTL_PROP(TwzColorQuad, Alpha, Float, 0.0),
    RTL_PROP(TwzColorQuad, ColorBox, Component, nullptr),
};
constexpr rtl::TEventInfo kColorQuadEvents[] = {
    RTL_EVENT(TwzColorQuad, OnChange),
};

constexpr rtl::TPropInfo kColorPickerProps[] = {
    RTL_PROP(TwzColorPicker, Hue, Float, 0.0),
    RTL_PROP(TwzColorPicker, ColorQuad, Component, nullptr),
};

constexpr rtl::TPropInfo kGradientEditProps[] = {
    RTL_PROP(TwzGradientEdit, ColorPicker, Component, nullptr),
};
constexpr rtl::TEventInfo kGradientEditEvents[] = {
    RTL_EVENT(TwzGradientEdit, OnChange),
    RTL_EVENT(TwzGradientEdit, OnSelectPoint),
};

/// The largest side of a cached picture: a huge control stretches a picture of this size
/// rather than allocating one pixel per unit.
constexpr float kMaxPictureSide = 4096;

int32_t PictureSide(float units)
{
    if (!(units >= 1))
        return 1;
    return static_cast<int32_t>(std::min(std::trunc(units), kMaxPictureSide));
}

float Clamp01(float value)
{
    if (!(value >= 0)) // NaN too
        return 0;
    return std::min(value, 1.0F);
}

bool LeftHeld(TShiftState shift)
{
    return shift.Has(platform::ui::ShiftFlag::Left);
}

TwzRect Circle(float cx, float cy, float r)
{
    return { cx - r, cy - r, cx + r, cy + r };
}

/// The grey-and-white checkerboard over `area`, cells of 10 from the local origin.
void PaintCheckerboard(TwzVisualObject& object, TwzCanvas& canvas, const TwzRect& area)
{
    const int32_t state = canvas.SaveState();
    canvas.IntersectClipRect(area);
    const float opacity = object.GetAbsoluteOpacity();
    canvas.GetStroke().SetStyle(wzBrushNone);
    canvas.GetFill().SetStyle(wzBrushSolid);
    canvas.GetFill().SetSolidColor(0xFFFFFFFF);
    canvas.FillRect(area, 0, 0, AllCorners, opacity);
    canvas.GetFill().SetSolidColor(0xFFD3D3D3);
    // Only the cells that meet the area: a huge object costs what its visible part does.
    const auto cells = [](float units) { return static_cast<int64_t>(std::trunc(units / 10)) + 1; };
    const int64_t iLast = std::min(cells(object.GetWidth()), std::max<int64_t>(cells(area.Right), 0));
    const int64_t jLast = std::min(cells(object.GetHeight()), std::max<int64_t>(cells(area.Bottom), 0));
    const int64_t iFirst = std::max<int64_t>(static_cast<int64_t>(std::floor(area.Left / 10)), 0);
    const int64_t jFirst = std::max<int64_t>(static_cast<int64_t>(std::floor(area.Top / 10)), 0);
    for (int64_t i = iFirst; i <= iLast; ++i)
        for (int64_t j = jFirst; j <= jLast; ++j)
            if ((i + j) % 2 == 1) {
                const auto x = static_cast<float>(10 * i);
                const auto y = static_cast<float>(10 * j);
                canvas.FillRect({ x, y, x + 10, y + 10 }, 0, 0, AllCorners, opacity);
            }
    canvas.RestoreState(state);
}

/// Two rings (black, then white) and a disc of `color` at the marker centre.
void PaintMarker(TwzCanvas& canvas, float cx, float cy, TwzColor color, float opacity)
{
    canvas.GetStroke().SetStyle(wzBrushSolid);
    canvas.SetStrokeThickness(1);
    canvas.GetStroke().SetSolidColor(0xFF000000);
    canvas.DrawEllipse(Circle(cx, cy, 5), opacity);
    canvas.GetStroke().SetSolidColor(0xFFFFFFFF);
    canvas.DrawEllipse(Circle(cx, cy, 4), opacity);
    canvas.GetFill().SetStyle(wzBrushSolid);
    canvas.GetFill().SetSolidColor(color);
    canvas.FillEllipse(Circle(cx, cy, 3), opacity);
}

void DrawWhole(TwzCanvas& canvas, TwzBitmap& bitmap, const TwzRect& dst, float opacity)
{
    const TwzRect src { 0, 0, static_cast<float>(bitmap.GetWidth()), static_cast<float>(bitmap.GetHeight()) };
    canvas.DrawBitmap(&bitmap, src, dst, opacity, false);
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzColorBox)
RTL_IMPLEMENT_CLASS(TwzColorQuad, .props = kColorQuadProps, .events = kColorQuadEvents)
RTL_IMPLEMENT_CLASS(TwzColorPicker, .props = kColorPickerProps)
RTL_IMPLEMENT_CLASS(TwzGradientEdit, .props = kGradientEditProps, .events = kGradientEditEvents)

// ---- TwzColorBox ---------------------------------------------------------------------------

TwzColorBox::TwzColorBox(rtl::TComponent* owner)
    : TwzRectangle(owner)
{ }

TwzColor TwzColorBox::GetColor() const
{
    return GetFill()->GetSolidColor();
}

void TwzColorBox::SetColor(TwzColor value)
{
    GetFill()->SetStyle(wzBrushSolid);
    GetFill()->SetSolidColor(value);
}

void TwzColorBox::Paint()
{
    if (TwzCanvas* canvas = GetCanvas()) {
        PaintCheckerboard(*this, *canvas, GetShapeRect());
        ApplyBrushes(*canvas);
    }
    Inherited::Paint();
}

// ---- TwzColorQuad --------------------------------------------------------------------------

TwzColorQuad::TwzColorQuad(rtl::TComponent* owner)
    : TwzShape(owner)
{
    SetStrokeThickness(0);
    SetAutoCapture(true);
}

TwzColorQuad::~TwzColorQuad() = default;

void TwzColorQuad::BeforeDestruction()
{
    SetColorBox(nullptr);
    Inherited::BeforeDestruction();
}

void TwzColorQuad::SetColorBox(TwzColorBox* value)
{
    m_colorBox.Set(value);
}

void TwzColorQuad::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_colorBox.Notification(component, operation);
}

TwzColor TwzColorQuad::ComposedColor() const
{
    const auto alpha = static_cast<uint32_t>(std::nearbyint(255.0F * m_alpha));
    return (HSLtoRGB(m_hue, m_sat, m_lum) & 0x00FFFFFF) | (alpha << 24);
}

void TwzColorQuad::SetChannel(Channel channel, float value)
{
    float* field = channel == Channel::Hue ? &m_hue
        : channel == Channel::Sat          ? &m_sat
        : channel == Channel::Lum          ? &m_lum
                                           : &m_alpha;
    // The comparison comes before clamping: 1.5 on a stored 1 stores and reports again.
    if (value == *field)
        return;
    *field = Clamp01(value);
    if (channel == Channel::Hue)
        m_square.reset();
    const rtl::DispatchGuard held(this);
    if (m_colorBox)
        m_colorBox->SetColor(ComposedColor());
    OnChange(this);
    if (channel != Channel::Alpha)
        InvalidateObject();
}

void TwzColorQuad::SetHue(float value)
{
    SetChannel(Channel::Hue, value);
}

void TwzColorQuad::SetSat(float value)
{
    SetChannel(Channel::Sat, value);
}

void TwzColorQuad::SetLum(float value)
{
    SetChannel(Channel::Lum, value);
}

void TwzColorQuad::SetAlpha(float value)
{
    SetChannel(Channel::Alpha, value);
}

TwzRect TwzColorQuad::GetAbsoluteRect()
{
    TwzRect r = Inherited::GetAbsoluteRect();
    return { r.Left - 5, r.Top - 5, r.Right + 5, r.Bottom + 5 };
}

void TwzColorQuad::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!LeftHeld(shift))
        return;
    const float t = GetStrokeThickness();
    if (GetHeight() != 0)
        SetLum(1 - (y - t) / (GetHeight() - 2 * t));
    if (GetWidth() != 0)
        SetSat((x - t) / (GetWidth() - 2 * t));
}

void TwzColorQuad::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    // The release picks too, so a click without movement chooses the colour under it.
    MouseMove(TShiftState { platform::ui::ShiftFlag::Left }, x, y, 0, 0);
}

void TwzColorQuad::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float t = GetStrokeThickness();
    const float w = GetWidth();
    const float h = GetHeight();
    if (!m_square) {
        m_square = std::make_unique<TwzBitmap>(PictureSide(w - 2 * t), PictureSide(h - 2 * t));
        const int32_t bw = m_square->GetWidth();
        const int32_t bh = m_square->GetHeight();
        for (int32_t y = 0; y < bh; ++y) {
            uint32_t* line = m_square->GetScanline(y);
            const float lum = 1 - static_cast<float>(y) / static_cast<float>(bh);
            for (int32_t x = 0; x < bw; ++x)
                line[x] = CorrectColor(HSLtoRGB(m_hue, static_cast<float>(x) / static_cast<float>(bw), lum));
        }
    }
    const float opacity = GetAbsoluteOpacity();
    DrawWhole(*canvas, *m_square, { t, t, w - t, h - t }, opacity);
    PaintMarker(*canvas, (w - 2 * t) * m_sat + t, (1 - m_lum) * (h - 2 * t) + t,
        HSLtoRGB(m_hue, m_sat, m_lum), opacity);
}

// ---- TwzColorPicker ------------------------------------------------------------------------

TwzColorPicker::TwzColorPicker(rtl::TComponent* owner)
    : TwzShape(owner)
{
    SetStrokeThickness(0);
    SetAutoCapture(true);
}

TwzColorPicker::~TwzColorPicker() = default;

void TwzColorPicker::BeforeDestruction()
{
    SetColorQuad(nullptr);
    Inherited::BeforeDestruction();
}

void TwzColorPicker::SetColorQuad(TwzColorQuad* value)
{
    m_colorQuad.Set(value);
}

void TwzColorPicker::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_colorQuad.Notification(component, operation);
}

void TwzColorPicker::SetHue(float value)
{
    if (value == m_hue)
        return;
    m_hue = Clamp01(value);
    const rtl::DispatchGuard held(this);
    if (m_colorQuad)
        m_colorQuad->SetHue(m_hue);
    InvalidateObject();
}

void TwzColorPicker::SetColor(TwzColor value)
{
    float h = 0;
    float s = 0;
    float l = 0;
    RGBtoHSL(value, h, s, l);
    const rtl::DispatchGuard held(this);
    SetHue(h);
    if (!m_colorQuad)
        return;
    rtl::Watch<TwzColorQuad> quad(m_colorQuad);
    quad->SetAlpha(static_cast<float>(value >> 24) / 255.0F);
    if (quad)
        quad->SetHue(h);
    if (quad)
        quad->SetSat(s);
    if (quad)
        quad->SetLum(l);
}

TwzRect TwzColorPicker::GetAbsoluteRect()
{
    TwzRect r = Inherited::GetAbsoluteRect();
    return { r.Left - 5, r.Top, r.Right + 5, r.Bottom };
}

void TwzColorPicker::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!LeftHeld(shift) || GetHeight() == 0)
        return;
    const float t = GetStrokeThickness();
    SetHue((y - t) / (GetHeight() - 2 * t));
}

void TwzColorPicker::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    MouseMove(TShiftState { platform::ui::ShiftFlag::Left }, x, y, 0, 0);
}

void TwzColorPicker::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float t = GetStrokeThickness();
    const float w = GetWidth();
    const float h = GetHeight();
    if (!m_strip) {
        m_strip = std::make_unique<TwzBitmap>(PictureSide(w - 2 * t), PictureSide(h - 2 * t));
        const int32_t bw = m_strip->GetWidth();
        const int32_t bh = m_strip->GetHeight();
        for (int32_t y = 0; y < bh; ++y) {
            const TwzColor color
                = CorrectColor(HSLtoRGB(static_cast<float>(y) / static_cast<float>(bh), 0.9F, 0.5F));
            std::fill_n(m_strip->GetScanline(y), bw, color);
        }
    }
    const float opacity = GetAbsoluteOpacity();
    DrawWhole(*canvas, *m_strip, { t, t, w - t, h - t }, opacity);
    PaintMarker(*canvas, w / 2 + t - 1, (h - 2 * t) * m_hue + t, HSLtoRGB(m_hue, 0.9F, 0.5F), opacity);
}

// ---- TwzGradientEdit -----------------------------------------------------------------------

TwzGradientEdit::TwzGradientEdit(rtl::TComponent* owner)
    : TwzVisualObject(owner)
    , m_gradient(std::make_unique<TwzGradient>())
{
    m_gradient->OnChanged.Bind<&TwzGradientEdit::GradientChanged>(this);
    SetWidth(200);
    SetHeight(20);
    SetAutoCapture(true);
}

TwzGradientEdit::~TwzGradientEdit() = default;

void TwzGradientEdit::BeforeDestruction()
{
    m_colorPicker.Set(nullptr);
    m_gradient->OnChanged = {};
    Inherited::BeforeDestruction();
}

void TwzGradientEdit::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    m_colorPicker.Notification(component, operation);
}

int32_t TwzGradientEdit::StopCount() const
{
    return m_gradient->GetPoints()->Count();
}

void TwzGradientEdit::SetColorPicker(TwzColorPicker* value)
{
    m_colorPicker.Set(value);
    UpdateColorPicker();
}

void TwzGradientEdit::UpdateColorPicker()
{
    if (m_colorPicker && m_currentPoint >= 0 && m_currentPoint < StopCount())
        m_colorPicker->SetColor(m_gradient->GetPoints()->GetPoint(m_currentPoint)->ColorValue());
}

void TwzGradientEdit::SetCurrentPoint(int32_t value)
{
    if (value == m_currentPoint)
        return;
    m_currentPoint = value;
    const rtl::DispatchGuard held(this);
    OnSelectPoint(this);
    if (m_colorPicker && value >= 0 && value < StopCount())
        m_colorPicker->SetColor(m_gradient->GetPoints()->GetPoint(value)->ColorValue());
}

void TwzGradientEdit::GradientChanged(rtl::TObject*)
{
    const rtl::DispatchGuard held(this);
    OnChange(this);
    UpdateColorPicker();
}

TwzRect TwzGradientEdit::GetPointRect(int32_t index) const
{
    if (index < 0 || index >= StopCount())
        return {};
    const float w = GetWidth();
    const float h = GetHeight();
    const float x = (w - 20) * m_gradient->GetPoints()->GetPoint(index)->GetOffset() + 10;
    return { x - 5, h - 10, x + 5, h };
}

void TwzGradientEdit::MouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseDown(button, shift, x, y);
    m_moving = false;
    if (button != TMouseButton::Left)
        return;
    for (int32_t i = 0; i < StopCount(); ++i) {
        const TwzRect r = GetPointRect(i);
        if (x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom) {
            SetCurrentPoint(i);
            OnSelectPoint(this);
            m_moving = true;
            InvalidateObject();
            return;
        }
    }
    const float w = GetWidth();
    const float h = GetHeight();
    if (!(y > 0 && y < h - 10) || w == 20)
        return;
    const float t = Clamp01((x - 10) / (w - 20));
    const TwzColor color = m_gradient->GradientColorAt(t);
    TwzGradientPoints* points = m_gradient->GetPoints();
    for (int32_t i = 1; i < points->Count(); ++i) {
        if (t < points->GetPoint(i)->GetOffset()) {
            TwzGradientPoint* added = points->Add();
            added->SetIndex(i);
            SetCurrentPoint(added->GetIndex());
            // The handler may have edited the stops: find the new one again.
            for (int32_t k = 0; k < points->Count(); ++k)
                if (points->GetPoint(k) == added) {
                    added->SetColorValue(color);
                    added->SetOffset(t);
                }
            InvalidateObject();
            GradientChanged(m_gradient.get());
            return;
        }
    }
}

void TwzGradientEdit::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY);
    if (!LeftHeld(shift) || !m_moving)
        return;
    TwzGradientPoints* points = m_gradient->GetPoints();
    const int32_t n = points->Count();
    int32_t k = m_currentPoint;
    if (k < 0 || k >= n || GetWidth() == 20)
        return;
    const float h = GetHeight();
    m_deletePending = (y < -10 || y > h + 10) && n > 1 && k != 0 && k != n - 1;
    points->GetPoint(k)->SetOffset(Clamp01((x - 10) / (GetWidth() - 20)));
    if (k < n - 1 && points->GetPoint(k)->GetOffset() > points->GetPoint(k + 1)->GetOffset()) {
        points->GetPoint(k)->SetIndex(k + 1);
        SetCurrentPoint(k + 1);
    }
    k = m_currentPoint;
    if (k > 0 && k < points->Count()
        && points->GetPoint(k)->GetOffset() < points->GetPoint(k - 1)->GetOffset()) {
        points->GetPoint(k)->SetIndex(k - 1);
        SetCurrentPoint(k - 1);
    }
    InvalidateObject();
    GradientChanged(m_gradient.get());
}

void TwzGradientEdit::MouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    Inherited::MouseUp(button, shift, x, y);
    m_deletePending = false;
    const bool moving = std::exchange(m_moving, false);
    TwzGradientPoints* points = m_gradient->GetPoints();
    const int32_t k = m_currentPoint;
    if (!moving || !(y > GetHeight() + 10) || points->Count() <= 1 || k < 0 || k >= points->Count())
        return;
    points->Delete(k);
    SetCurrentPoint(k - 1);
    if (m_currentPoint < 0)
        SetCurrentPoint(0);
    InvalidateObject();
    GradientChanged(m_gradient.get());
}

void TwzGradientEdit::Paint()
{
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float w = GetWidth();
    const float h = GetHeight();
    if (!m_bar)
        m_bar = std::make_unique<TwzBitmap>(PictureSide(w), PictureSide(h - 10));
    const int32_t bw = m_bar->GetWidth();
    const int32_t bh = m_bar->GetHeight();
    std::vector<uint32_t> row(static_cast<size_t>(bw));
    for (int32_t x = 0; x < bw; ++x)
        row[static_cast<size_t>(x)]
            = CorrectColor(m_gradient->GradientColorAt(static_cast<float>(x) / static_cast<float>(bw)));
    for (int32_t y = 0; y < bh; ++y)
        std::copy(row.begin(), row.end(), m_bar->GetScanline(y));
    const TwzRect bar { 10, 0, w - 10, h - 10 };
    PaintCheckerboard(*this, *canvas, bar);
    canvas->GetStroke().SetStyle(wzBrushSolid);
    canvas->SetStrokeThickness(0);
    const float opacity = GetAbsoluteOpacity();
    DrawWhole(*canvas, *m_bar, bar, opacity);
    TwzGradientPoints* points = m_gradient->GetPoints();
    canvas->GetFill().SetStyle(wzBrushSolid);
    for (int32_t i = 0; i < points->Count(); ++i) {
        if (i == m_currentPoint && m_deletePending)
            continue;
        TwzRect m = GetPointRect(i);
        m = { m.Left + 1, m.Top + 1, m.Right - 1, m.Bottom - 1 };
        canvas->GetFill().SetSolidColor(points->GetPoint(i)->ColorValue());
        canvas->FillEllipse(m, opacity);
        canvas->GetStroke().SetSolidColor(0xFF757575);
        canvas->DrawEllipse(m, opacity);
        if (i == m_currentPoint) {
            canvas->GetStroke().SetSolidColor(0xFFFFFFFF);
            canvas->DrawEllipse({ m.Left - 1, m.Top - 1, m.Right + 1, m.Bottom + 1 }, opacity);
        }
    }
}
