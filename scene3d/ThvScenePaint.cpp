// The scene control's paint cycle: repaint requests and how they coalesce, the frame, and
// how the frame reaches the screen (the window's paint, or the layered form's picture).
//
// The scene's window canvas hands each frame it presents to the scene. During a paint the
// frame goes straight to the window; a frame finished outside a paint is held and shown by
// the paint it asks for.

#include "scene3d/ThvScene.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvSceneDesign.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/ScopedAssign.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <vector>

namespace {

platform::ui::FrameView ViewOf(const uint32_t* pixels, int32_t width, int32_t height)
{
    return { reinterpret_cast<const uint8_t*>(pixels), width, height, width * 4 };
}

} // namespace

// ---- requests -----------------------------------------------------------------------------

void ThvScene::AddUpdateRect(const TwzRect&)
{
    if (IsLoading() || !HandleAllocated())
        return;
    RequestPaint();
}

void ThvScene::RequestPaint()
{
    m_renderRequested = true;
    // A layered scene renders in a posted call, which merges a burst of requests into one
    // frame; a window's invalid area merges them until its next paint.
    if (m_renderCall && PresentsLayered())
        m_renderCall->Request();
    else if (m_host)
        m_host->InvalidateAll();
}

void ThvScene::RenderSceneMessage()
{
    if (IsDestroying())
        return;
    m_renderRequested = false;
    Render();
}

// ---- the frame ----------------------------------------------------------------------------

void ThvScene::Render()
{
    if (m_rendering || !m_canvas)
        return;
    rtl::Watch<ThvScene> self(this);
    ThvCanvas* canvas = m_canvas;
    {
        rtl::ScopedAssign rendering(this, m_rendering, true);
        canvas->ResetScene();
        canvas->SetLighting(m_lighting);
        canvas->SetAmbientColor(m_ambientColor);
        if (m_camera)
            canvas->SetCamera(m_camera);
        if (IsDesigning() || m_usingDesignCamera) {
            canvas->SetCamera(m_designCamera);
            if (m_designGrid)
                m_designGrid->SetVisible(m_designTime);
        }

        // Objects may change the tree while they draw: the walks go over what was there, and
        // skip what has gone since.
        std::vector<rtl::Watch<ThvObject>> roots(m_objects.begin(), m_objects.end());
        for (const rtl::Watch<ThvObject>& root : roots) {
            auto* visual = root ? root->AsVisual() : nullptr;
            if (!visual || !visual->GetVisible())
                continue;
            canvas->SetMatrix(visual->GetAbsoluteMatrix());
            visual->ApplyLights();
            if (!self)
                return;
        }

        if (canvas->BeginScene()) {
            for (ThvRenderState state : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn,
                     hvStateLightingOn, hvStateFilterLinear, hvStateCullCCW })
                canvas->SetState(state);
            canvas->Clear(m_fillColor);
            for (const rtl::Watch<ThvObject>& root : roots) {
                auto* visual = root ? root->AsVisual() : nullptr;
                if (!visual || !visual->GetVisible())
                    continue;
                rtl::Watch<ThvVisualObject> alive(visual);
                canvas->SetMatrix(visual->GetAbsoluteMatrix());
                visual->BeforePaint();
                if (alive)
                    visual->Render();
                if (alive)
                    visual->RenderChildren();
                if (!self)
                    return;
            }
            if (IsDesigning()) {
                if (scene3d::DesignMode* design = GetDesignMode()) {
                    design->RenderOverlays(*canvas);
                    if (!self)
                        return;
                }
            }
        }
        if (m_canvas != canvas)
            return; // the window went while the frame was drawn
        canvas->EndScene();
        if (!self)
            return;
    }
    if (PresentsLayered())
        UpdateLayered();
}

void ThvScene::UpdateLayered()
{
    if (IsDesigning() || !m_canvas || !m_form || !HandleAllocated() || !m_canvas->HasBackBuffer())
        return;
    const int32_t width = std::max(m_canvas->GetWidth(), 1);
    const int32_t height = std::max(m_canvas->GetHeight(), 1);
    const platform::ui::Point origin = m_form->GetPosition();
    m_form->SetLayeredFill(m_fillColor);
    m_form->UpdateLayered(
        ViewOf(m_canvas->GetBackBufferBits(), width, height), { origin.x + m_left, origin.y + m_top });
}

// ---- the window's paint -------------------------------------------------------------------

void ThvScene::Paint(platform::ui::PaintContext& context)
{
    rtl::Watch<ThvScene> self(this);
    if (PresentsLayered() && !IsDesigning()) {
        // The form shows the frame; the window only repeats what it shows, so that a paint
        // never starts a frame that would paint the form again.
        if (m_canvas && m_canvas->HasBackBuffer())
            context.Present(ViewOf(m_canvas->GetBackBufferBits(), std::max(m_canvas->GetWidth(), 1),
                std::max(m_canvas->GetHeight(), 1)));
        else
            PresentFill(context);
        if (m_renderRequested && m_renderCall)
            m_renderCall->Request();
        return;
    }

    m_presented = false;
    {
        rtl::ScopedAssign painting(this, m_paintContext, &context);
        if (m_frameHeld && !m_renderRequested && m_heldWidth == m_width && m_heldHeight == m_height) {
            m_presented = context.Present(ViewOf(m_heldFrame.data(), m_heldWidth, m_heldHeight));
        } else {
            m_renderRequested = false;
            Render();
            if (!self)
                return;
        }
        m_frameHeld = false;
    }
    if (!m_presented)
        PresentFill(context);
}

void ThvScene::FramePresented(int32_t width, int32_t height, const uint32_t* pixels)
{
    if (width <= 0 || height <= 0 || !pixels)
        return;
    if (m_paintContext) {
        m_presented = m_paintContext->Present(ViewOf(pixels, width, height)) || m_presented;
        return;
    }
    if (PresentsLayered() || !HandleAllocated())
        return;
    m_heldFrame.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
    m_heldWidth = width;
    m_heldHeight = height;
    m_frameHeld = true;
    m_host->InvalidateAll();
}

void ThvScene::PresentFill(platform::ui::PaintContext& context)
{
    // Nothing was drawn (no canvas, or no device): the window shows the clear colour rather
    // than whatever its memory held.
    const int32_t width = std::max(m_width, 1);
    const int32_t height = std::max(m_height, 1);
    const uint32_t opaque = m_fillColor | 0xFF000000u;
    std::vector<uint32_t> fill(static_cast<size_t>(width) * static_cast<size_t>(height), opaque);
    context.Present(ViewOf(fill.data(), width, height));
}
