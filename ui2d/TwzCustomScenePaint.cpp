// The 2D scene control's paint cycle: collecting dirty rectangles, painting them into the
// canvas's back buffer, and presenting them (through the window's paint, or as the layered
// form's picture).
//
// In the window path the rectangles go to the window's update region, which merges them;
// its paint hands them back and only they are painted and copied to the window. In the
// layered path the scene keeps them and paints them in one posted call, however many were
// reported. Either way a paint takes the list it paints when it starts: rectangles reported
// while it runs belong to the next paint, which they ask for.

#include "ui2d/TwzCustomScene.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/ScopedAssign.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "ui2d/HostDesignMode.h"
#include "ui2d/TwzObject.h"
#include "ui2d/TwzVisualObject.h"

#include <algorithm>
#include <cmath>

namespace {

// More rectangles than this are painted as their union: clipping to many costs more than
// painting a little more.
constexpr size_t kMaxPaintRects = 20;

// Reported coordinates may be anything an object computed; far outside any surface they
// are all the same.
float WholePixels(float value)
{
    if (std::isnan(value))
        return 0;
    return std::trunc(std::clamp(value, -1e7f, 1e7f));
}

// Puts the paint's state back on every way out, exceptions included, unless the scene went.
class DrawingScope {
public:
    DrawingScope(const rtl::Watch<TwzCustomScene>& scene, bool& drawing, std::vector<TwzRect>& rects)
        : m_scene(scene)
        , m_drawing(drawing)
        , m_rects(rects)
    {
        m_drawing = true;
    }
    ~DrawingScope()
    {
        if (!m_scene)
            return;
        m_rects.clear();
        m_drawing = false;
    }
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;

private:
    const rtl::Watch<TwzCustomScene>& m_scene;
    bool& m_drawing;
    std::vector<TwzRect>& m_rects;
};

} // namespace

// ---- collecting ---------------------------------------------------------------------------

void TwzCustomScene::AddUpdateRect(const TwzRect& rect)
{
    if (m_disableUpdate || IsLoading() || IsDestroying() || !HandleAllocated() || !m_canvas)
        return;
    if (m_canvas->IsBuffered() && !m_canvas->GetBufferBits())
        return;
    const TwzRect r { WholePixels(rect.Left), WholePixels(rect.Top), WholePixels(rect.Right) + 1,
        WholePixels(rect.Bottom) + 1 };
    if (r.Left >= static_cast<float>(m_width) || r.Right <= 0 || r.Top >= static_cast<float>(m_height)
        || r.Bottom <= 0)
        return;
    if (PresentsLayered()) {
        m_updateRects.push_back(r);
        m_drawCall->Request();
        return;
    }
    m_host->Invalidate({ static_cast<int32_t>(r.Left), static_cast<int32_t>(r.Top),
        static_cast<int32_t>(r.Right), static_cast<int32_t>(r.Bottom) });
}

// ---- the window's paint and the posted paint ----------------------------------------------

void TwzCustomScene::Paint(platform::ui::PaintContext& context)
{
    if (PresentsLayered()) {
        // The form shows the picture; the window only repeats it, so that a paint of the
        // window never paints the form again.
        m_paintRects.clear();
        for (const platform::ui::Rect& r : context.UpdateRects())
            m_paintRects.push_back({ static_cast<float>(r.left), static_cast<float>(r.top),
                static_cast<float>(r.right), static_cast<float>(r.bottom) });
        m_paintContext = &context;
        PresentRects(m_paintRects);
        m_paintContext = nullptr;
        m_paintRects.clear();
        return;
    }
    m_updateRects.clear();
    for (const platform::ui::Rect& r : context.UpdateRects())
        m_updateRects.push_back({ static_cast<float>(r.left), static_cast<float>(r.top),
            static_cast<float>(r.right), static_cast<float>(r.bottom) });
    rtl::ScopedAssign painting(this, m_paintContext, &context);
    DrawScene();
}

void TwzCustomScene::DrawSceneMessage()
{
    if (!IsDestroying())
        DrawScene();
}

// ---- painting -----------------------------------------------------------------------------

void TwzCustomScene::DrawScene()
{
    if (m_drawing || m_updateRects.empty())
        return;
    rtl::Watch<TwzCustomScene> self(this);
    m_paintRects = std::move(m_updateRects);
    m_updateRects.clear();
    DrawingScope drawing(self, m_drawing, m_paintRects);
    if (m_paintRects.size() > kMaxPaintRects) {
        TwzRect all = m_paintRects.front();
        for (const TwzRect& r : m_paintRects)
            all = RectUnion(all, r);
        m_paintRects.assign(1, all);
    }

    TwzCanvas* canvas = m_canvas.get();
    if (canvas && canvas->BeginScene()) {
        canvas->ResetClipRect();
        canvas->SetMatrix(IdentityMatrix);
        canvas->SetClipRects(m_paintRects);
        PaintBackground(m_paintRects);
        canvas->SetStrokeThickness(1);
        canvas->SetStrokeCap(wzCapFlat);
        canvas->SetStrokeJoin(wzJoinMiter);
        canvas->SetStrokeDash(wzDashSolid);
        canvas->GetStroke().SetStyle(wzBrushSolid);
        canvas->GetFill().SetStyle(wzBrushSolid);

        // Objects may change the tree while they paint: the walk goes over what was there and
        // skips what has gone since.
        const std::vector<rtl::Watch<TwzObject>> roots(m_roots.begin(), m_roots.end());
        for (const rtl::Watch<TwzObject>& root : roots) {
            TwzVisualObject* visual = root ? root->AsVisual() : nullptr;
            if (!visual || !visual->GetVisible())
                continue;
            const TwzRect area = visual->GetUpdateRect();
            const bool dirty = std::any_of(m_paintRects.begin(), m_paintRects.end(),
                [&](const TwzRect& r) { return RectsIntersect(area, r); });
            if (!dirty)
                continue;
            rtl::Watch<TwzVisualObject> alive(visual);
            canvas->SetMatrix(visual->GetAbsoluteMatrix());
            visual->BeforePaint();
            if (alive)
                visual->Paint();
            if (alive)
                visual->AfterPaint();
            if (alive)
                visual->PaintChildren();
            if (alive && visual->OnPaint) {
                canvas->SetMatrix(visual->GetAbsoluteMatrix());
                visual->OnPaint(visual, canvas, visual->GetLocalRect());
            }
            if (!self)
                return;
        }
        if (m_designTime && m_canvas.get() == canvas) {
            if (ui2d::HostDesignMode* design = GetDesignMode()) {
                design->PaintOverlay(*canvas);
                if (!self)
                    return;
            }
        }
        if (m_canvas.get() != canvas)
            return; // the canvas went while painting
        canvas->EndScene();
    }

    // Presented also when the canvas could not begin: the back buffer as it is.
    if (PresentsLayered())
        UpdateLayered();
    else if (m_paintContext)
        PresentRects(m_paintRects);
    else if (m_host) {
        // Painted outside the window's paint: the window asks for the rectangles again.
        for (const TwzRect& r : m_paintRects)
            m_host->Invalidate({ static_cast<int32_t>(r.Left), static_cast<int32_t>(r.Top),
                static_cast<int32_t>(r.Right), static_cast<int32_t>(r.Bottom) });
    }
}

void TwzCustomScene::PaintBackground(std::span<const TwzRect> rects)
{
    TwzCanvas& canvas = *m_canvas;
    const TwzBrushStyle style = m_fill->GetStyle();
    const TwzColor color = m_fill->GetSolidColor();
    if (style == wzBrushNone || (style == wzBrushSolid && (color >> 24) == 0)) {
        // A transparent scene clears to nothing; an opaque one to its colour without alpha, so
        // that the window (which ignores alpha) shows the colour.
        const TwzColor clear = m_transparency ? 0u : (color & 0x00FFFFFFu);
        for (const TwzRect& r : rects)
            canvas.ClearRect(r, clear);
        return;
    }
    canvas.GetFill().Assign(*m_fill);
    canvas.FillRect({ -1, -1, static_cast<float>(m_width) + 1, static_cast<float>(m_height) + 1 }, 0, 0,
        TwzCorners {}, 1);
}

// ---- presenting ---------------------------------------------------------------------------

void TwzCustomScene::PresentRects(std::span<const TwzRect> rects)
{
    if (!m_paintContext || !m_canvas || !m_canvas->GetBufferBits())
        return;
    m_canvas->Flush();
    const int32_t width = m_canvas->GetWidth();
    const int32_t height = m_canvas->GetHeight();
    const auto* bits = reinterpret_cast<const uint8_t*>(m_canvas->GetBufferBits());
    // A transparent scene lets what the form drew beneath show through.
    const auto blend = m_transparency ? platform::ui::PaintContext::Blend::Over
                                      : platform::ui::PaintContext::Blend::Source;
    for (const TwzRect& r : rects) {
        const int32_t left = std::max(static_cast<int32_t>(WholePixels(r.Left)), 0);
        const int32_t top = std::max(static_cast<int32_t>(WholePixels(r.Top)), 0);
        const int32_t right = std::min(static_cast<int32_t>(WholePixels(std::ceil(r.Right))), width);
        const int32_t bottom = std::min(static_cast<int32_t>(WholePixels(std::ceil(r.Bottom))), height);
        if (right <= left || bottom <= top)
            continue;
        const platform::ui::FrameView view { bits
                + (static_cast<size_t>(top) * static_cast<size_t>(width) + static_cast<size_t>(left)) * 4,
            right - left, bottom - top, width * 4 };
        m_paintContext->Present(view, { left, top }, blend);
    }
}

void TwzCustomScene::UpdateLayered()
{
    if (m_designTime || !m_form || !HandleAllocated() || !m_canvas || !m_canvas->GetBufferBits())
        return;
    m_canvas->Flush();
    const int32_t width = m_canvas->GetWidth();
    const int32_t height = m_canvas->GetHeight();
    const platform::ui::Point origin = m_form->GetPosition();
    m_form->SetLayeredFill(m_fill->StoredSolidColor());
    m_form->UpdateLayered(
        { reinterpret_cast<const uint8_t*>(m_canvas->GetBufferBits()), width, height, width * 4 },
        { origin.x + m_left, origin.y + m_top });
}
