// Painting and invalidation: the update rectangle a visual object reports to its host, how a
// parent paints its visual children (order, clipping, effects, highlight frames), the
// effects rendered into cached bitmaps, and painting a subtree into another canvas, which is
// also how a visual brush of the canvas shows an object.

#include "ui2d/TwzVisualObject.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/ScopeExit.h"
#include "ui2d/IwzScene.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

// Effects render at device scale; past this many pixels the image is rendered coarser and
// stretched, rather than asking for memory no display could show.
constexpr double kMaxEffectPixels = 4096.0 * 4096.0;

constexpr TwzColor kDragHighlightColor = 0xB2005ACC;

/// Puts a saved canvas state back when it goes, also when painting raises.
class SavedCanvasState {
public:
    explicit SavedCanvasState(TwzCanvas& canvas)
        : m_canvas(canvas)
        , m_state(canvas.SaveState())
    { }
    ~SavedCanvasState() { m_canvas.RestoreState(m_state); }
    SavedCanvasState(const SavedCanvasState&) = delete;
    SavedCanvasState& operator=(const SavedCanvasState&) = delete;

private:
    TwzCanvas& m_canvas;
    int32_t m_state;
};

TwzRect BoundsOfCorners(TwzVisualObject& object, const TwzRect& r)
{
    const TwzPoint corners[] = {
        object.LocalToAbsolute({ r.Left, r.Top }),
        object.LocalToAbsolute({ r.Right, r.Top }),
        object.LocalToAbsolute({ r.Right, r.Bottom }),
        object.LocalToAbsolute({ r.Left, r.Bottom }),
    };
    return RectFromPoints(corners);
}

ui2d::IVisualEffect* AsEffect(TwzObject* object)
{
    return dynamic_cast<ui2d::IVisualEffect*>(object);
}

} // namespace

// ---- the visual brush ----------------------------------------------------------------------

void TwzVisualObject::InstallBrushPainter()
{
    static const bool installed = [] {
        canvasvisuals::Painter painter;
        painter.getOpacity = [](rtl::TComponent* object) -> float {
            auto* visual = dynamic_cast<TwzVisualObject*>(object);
            return visual ? visual->GetOpacity() : 1.0f;
        };
        // The brush lends the object its opacity for one paint and takes it back; reporting
        // that to the host would repaint the brush's owner, which lends it again, forever.
        painter.setOpacity = [](rtl::TComponent* object, float value) {
            auto* visual = dynamic_cast<TwzVisualObject*>(object);
            if (!visual || value == visual->m_opacity || std::isnan(value))
                return;
            visual->m_opacity = std::clamp(value, 0.0f, 1.0f);
            visual->RecalcOpacity();
        };
        painter.paintTo = [](rtl::TComponent* object, TwzCanvas& canvas, const TwzRect& rect) {
            if (auto* visual = dynamic_cast<TwzVisualObject*>(object))
                visual->PaintTo(canvas, rect, nullptr);
        };
        canvasvisuals::InstallPainter(painter);
        return true;
    }();
    (void)installed;
}

// ---- invalidation ----------------------------------------------------------------------------

void TwzVisualObject::InvalidateObject()
{
    IwzScene* scene = GetScene();
    if (!scene || IsLoading())
        return;
    const bool designTime = scene->GetDesignTime();
    if (!m_visible && !designTime)
        return;
    if (designTime && m_designHide)
        return;
    if (scene->GetDisableUpdate())
        return;
    if (!designTime && !GetAbsoluteVisible())
        return;
    scene->AddUpdateRect(GetUpdateRect());
}

void TwzVisualObject::MarkUpdateRectDirty()
{
    MarkUpdateRectSubtree();
    // Every ancestor's rectangle holds this one (unless clipped), not only the parent's.
    for (TwzVisualObject* ancestor = RealVisualParent(); ancestor; ancestor = ancestor->RealVisualParent())
        ancestor->m_updateRectDirty = true;
}

void TwzVisualObject::MarkUpdateRectSubtree()
{
    m_updateRectDirty = true;
    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            visual->MarkUpdateRectSubtree();
    }
}

TwzRect TwzVisualObject::GetUpdateRect()
{
    if (!m_updateRectDirty)
        return m_updateRect;
    // A matrix recomputed now reports the object's new area by itself; doing it first keeps
    // that report from seeing this rectangle half made.
    (void)GetAbsoluteMatrix();
    if (!m_updateRectDirty)
        return m_updateRect;
    IwzScene* scene = GetScene();
    // Without a host, while its updates are off (painting into another canvas) or while
    // loading, only the object's own box is known; it is not kept, so nothing of that
    // state outlives it.
    if (!scene || scene->GetDisableUpdate() || IsLoading())
        return GetAbsoluteRect();

    m_updateRectDirty = false;
    TwzRect r = GetAbsoluteRect();
    m_updateRect = r;
    for (TwzVisualObject* ancestor = RealVisualParent(); ancestor; ancestor = ancestor->RealVisualParent()) {
        if (ancestor->m_clipChildren) {
            TwzRect cut;
            RectIntersection(cut, r, ancestor->GetUpdateRect());
            r = cut;
        }
    }
    if (m_canFocused && m_isFocused)
        RectInflate(r, 5, 5); // room for a focus glow
    if (scene->GetSelected() == this) {
        // Room for the selection's grips and caption.
        RectInflate(r, 4, 4);
        r.Top -= 13;
    }
    if (scene->GetDesignDropTarget() == this) {
        // Room for the drop caption.
        RectInflate(r, 1, 1);
        r.Top -= 20;
        if (RectWidth(r) < 160)
            r.Right = r.Left + 160;
    }
    if (!m_clipChildren) {
        if (HasEffects())
            r = RectUnion(r, BoundsOfCorners(*this, GetEffectsRect()));
        for (TwzObject* child : Children()) {
            if (TwzVisualObject* visual = child->AsVisual())
                r = RectUnion(r, visual->GetUpdateRect());
        }
    }
    m_updateRect = r;
    return r;
}

TwzRect TwzVisualObject::GetDeepRect()
{
    TwzRect r = GetAbsoluteRect();
    if (m_clipChildren)
        return r;
    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual(); visual && visual->m_visible)
            r = RectUnion(r, visual->GetDeepRect());
    }
    return r;
}

// ---- effects ---------------------------------------------------------------------------------

bool TwzVisualObject::HasEffects()
{
    if (GetDisableEffect())
        return false;
    if (HasEffectsMarked()) {
        bool found = false;
        for (TwzObject* child : Children()) {
            ui2d::IVisualEffect* effect = AsEffect(child);
            if (effect && (effect->GetEnabled() || !effect->GetTrigger().empty())) {
                found = true;
                break;
            }
        }
        SetCachedHasEffects(found);
    }
    return CachedHasEffects();
}

std::vector<ui2d::IVisualEffect*> TwzVisualObject::EnabledEffects()
{
    std::vector<ui2d::IVisualEffect*> effects;
    if (!HasEffects())
        return effects;
    for (TwzObject* child : Children()) {
        if (ui2d::IVisualEffect* effect = AsEffect(child); effect && effect->GetEnabled())
            effects.push_back(effect);
    }
    return effects;
}

bool TwzVisualObject::HasEnabledEffect(bool (ui2d::IVisualEffect::*flag)() const)
{
    if (!HasEffects())
        return false;
    for (TwzObject* child : Children()) {
        if (ui2d::IVisualEffect* effect = AsEffect(child);
            effect && effect->GetEnabled() && (effect->*flag)())
            return true;
    }
    return false;
}

TwzRect TwzVisualObject::GetEffectsRect()
{
    const TwzRect local = GetLocalRect();
    TwzRect r = local;
    for (ui2d::IVisualEffect* effect : EnabledEffects())
        r = RectUnion(r, effect->GetRect(local));
    return r;
}

void TwzVisualObject::PaintEffects()
{
    IwzScene* scene = GetScene();
    if (GetChildCount() == 0 || !scene || GetDisableEffect() || !HasEffects())
        return;
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const std::vector<ui2d::IVisualEffect*> effects = EnabledEffects();
    SavedCanvasState saved(*canvas);

    // One image per enabled effect, so a shadow and a glow both show when they are reused.
    bool reuse = !m_effectsDirty && !HasEnabledEffect(&ui2d::IVisualEffect::GetDisablePaint)
        && m_effectImages.size() == effects.size();
    for (size_t i = 0; reuse && i < effects.size(); ++i)
        reuse = m_effectImages[i].effect == effects[i] && m_effectImages[i].bitmap;
    if (reuse)
        DrawCachedEffects(*canvas);
    else
        RenderEffects(*canvas, effects);
}

void TwzVisualObject::DrawCachedEffects(TwzCanvas& canvas)
{
    const TwzRect local = GetLocalRect();
    const float opacity = GetAbsoluteOpacity();
    for (EffectImage& image : m_effectImages) {
        TwzBitmap* bitmap = image.bitmap.get();
        const TwzRect source { 0, 0, static_cast<float>(bitmap->GetWidth()),
            static_cast<float>(bitmap->GetHeight()) };
        canvas.SetMatrix(GetAbsoluteMatrix());
        canvas.DrawBitmap(bitmap, source, image.effect->GetRect(local), opacity, m_rotateAngle == 0);
    }
}

void TwzVisualObject::RenderEffects(TwzCanvas& canvas, const std::vector<ui2d::IVisualEffect*>& effects)
{
    IwzScene* scene = GetScene();
    const TwzRect local = GetLocalRect();
    // Mirrored objects render upright; the absolute matrix mirrors the image when it is drawn.
    const TwzPoint absoluteScale = GetAbsoluteScale();
    std::vector<EffectImage> previous = std::move(m_effectImages);
    m_effectImages.clear();
    m_effectsDirty = true;

    for (size_t i = 0; i < effects.size(); ++i) {
        ui2d::IVisualEffect* effect = effects[i];
        const TwzRect area = effect->GetRect(local);
        TwzPoint scale { std::fabs(absoluteScale.X), std::fabs(absoluteScale.Y) };
        const double pixels = double(RectWidth(area)) * scale.X * double(RectHeight(area)) * scale.Y;
        if (!std::isfinite(pixels))
            continue;
        if (pixels > kMaxEffectPixels) {
            const auto shrink = static_cast<float>(std::sqrt(kMaxEffectPixels / pixels));
            scale.X *= shrink;
            scale.Y *= shrink;
        }
        TwzRect device = area;
        RectScale(device, scale.X, scale.Y);
        const auto width = static_cast<int32_t>(std::max(0.0f, std::trunc(RectWidth(device))));
        const auto height = static_cast<int32_t>(std::max(0.0f, std::trunc(RectHeight(device))));

        std::unique_ptr<TwzBitmap> bitmap;
        if (i < previous.size() && previous[i].bitmap) {
            bitmap = std::move(previous[i].bitmap);
            bitmap->SetSize(width, height);
        } else {
            bitmap = std::make_unique<TwzBitmap>(width, height);
            if (TwzCanvas* bitmapCanvas = bitmap->GetCanvas())
                bitmapCanvas->SetTextRendering(scene->GetTextRendering());
        }
        bitmap->Clear(0);

        if (TwzCanvas* bitmapCanvas = bitmap->GetCanvas()) {
            {
                SavedCanvasState bitmapState(*bitmapCanvas);
                if (bitmapCanvas->BeginScene()) {
                    bitmapCanvas->SetMatrix(IdentityMatrix);
                    const TwzPoint offset = effect->GetOffset();
                    TwzRect target { offset.X, offset.Y, offset.X + m_width, offset.Y + m_height };
                    RectScale(target, scale.X, scale.Y);
                    PaintTo(*bitmapCanvas, target, nullptr);
                    bitmapCanvas->EndScene();
                }
            }
            effect->ProcessEffect(*bitmapCanvas, *bitmap, scale.X);
        }

        const TwzRect source { 0, 0, static_cast<float>(bitmap->GetWidth()),
            static_cast<float>(bitmap->GetHeight()) };
        canvas.SetMatrix(GetAbsoluteMatrix());
        canvas.DrawBitmap(bitmap.get(), source, area, GetAbsoluteOpacity(), m_rotateAngle == 0);
        m_effectImages.push_back({ effect, std::move(bitmap) });
    }
    m_effectsDirty = false;
}

// ---- painting --------------------------------------------------------------------------------

TwzCanvas* TwzVisualObject::GetCanvas() const
{
    if (m_paintingToCanvas)
        return m_tempCanvas;
    IwzScene* scene = GetScene();
    return scene ? scene->GetCanvas() : nullptr;
}

void TwzVisualObject::LoadStyle()
{
    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            visual->LoadStyle();
    }
}

void TwzVisualObject::BeforePaint() { }

void TwzVisualObject::Paint() { }

void TwzVisualObject::AfterPaint() { }

void TwzVisualObject::PaintChildren()
{
    IwzScene* scene = GetScene();
    if (!scene || GetChildCount() == 0)
        return;
    TwzCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const bool designTime = scene->GetDesignTime();
    // Painting runs code of every child (handlers among it) that may change this tree.
    rtl::Watch<TwzVisualObject> self(this);
    for (int i = 0; self && i < GetChildCount(); ++i) {
        TwzVisualObject* child = GetChild(i)->AsVisual();
        if (!child)
            continue;
        if (!child->m_visible && !(designTime && !child->m_locked))
            continue;
        if (designTime && child->m_designHide)
            continue;
        child->SetScene(scene);
        PaintChild(*child, *canvas, designTime);
    }
}

void TwzVisualObject::PaintChild(TwzVisualObject& child, TwzCanvas& canvas, bool designTime)
{
    IwzScene* scene = GetScene();
    if (m_clipChildren && !RectsIntersect(child.GetUpdateRect(), GetUpdateRect()))
        return;
    if (!designTime && !child.m_paintingToCanvas) {
        // Only children that meet a dirty rectangle of the host are painted at all.
        const TwzRect reach = RectUnion(child.GetUpdateRect(), child.GetDeepRect());
        bool dirty = false;
        for (int32_t i = 0; !dirty && i < scene->GetUpdateRectsCount(); ++i)
            dirty = RectsIntersect(reach, scene->GetUpdateRect(i));
        if (!dirty)
            return;
    }

    std::optional<SavedCanvasState> clipped;
    if (m_clipChildren && child.m_canClipped) {
        clipped.emplace(canvas);
        canvas.SetMatrix(GetAbsoluteMatrix());
        canvas.IntersectClipRect(GetClipRect());
    }

    canvas.SetMatrix(child.GetAbsoluteMatrix());
    child.BeforePaint();
    const bool effectsAfter = child.HasEnabledEffect(&ui2d::IVisualEffect::GetPaintAfter);
    if (!effectsAfter) {
        child.PaintEffects();
        canvas.SetMatrix(child.GetAbsoluteMatrix());
    }

    if (!child.HasEnabledEffect(&ui2d::IVisualEffect::GetDisablePaint)) {
        // A child marked ClipParent keeps its area free of this child's own painting (but not
        // of its siblings').
        TwzVisualObject* keepFree = nullptr;
        for (TwzObject* grandChild : child.Children()) {
            if (TwzVisualObject* visual = grandChild->AsVisual(); visual && visual->m_clipParent) {
                keepFree = visual;
                break;
            }
        }
        {
            std::optional<SavedCanvasState> excluded;
            if (keepFree) {
                excluded.emplace(canvas);
                canvas.SetMatrix(keepFree->GetAbsoluteMatrix());
                canvas.ExcludeClipRect(keepFree->GetLocalRect());
                canvas.SetMatrix(child.GetAbsoluteMatrix());
            }
            if (child.m_clipChildren) {
                SavedCanvasState own(canvas);
                canvas.SetMatrix(child.GetAbsoluteMatrix());
                canvas.IntersectClipRect(child.GetClipRect());
                child.Paint();
            } else {
                child.Paint();
            }
        }
        child.PaintChildren();
        if (child.OnPaint) {
            canvas.SetMatrix(child.GetAbsoluteMatrix());
            const TwzRect local = child.GetLocalRect();
            // The handler may free the child.
            rtl::Watch<TwzVisualObject> alive(&child);
            child.OnPaint(&child, &canvas, local);
            if (!alive)
                return;
        }
    }
    child.AfterPaint();

    // NOTE: design mode's dashed frame around the objects a designer marks is left out: only
    // a designer hook could mark them, and nothing installs one.

    if (child.m_isDragOver && !child.m_dragDisableHighlight) {
        SavedCanvasState pen(canvas);
        canvas.SetMatrix(child.GetAbsoluteMatrix());
        canvas.GetStroke().SetStyle(wzBrushSolid);
        canvas.GetStroke().SetSolidColor(kDragHighlightColor);
        canvas.SetStrokeThickness(3);
        canvas.SetStrokeCap(wzCapFlat);
        canvas.SetStrokeJoin(wzJoinMiter);
        canvas.SetStrokeDash(wzDashSolid);
        TwzRect frame = child.GetLocalRect();
        RectInflate(frame, -1, -1);
        canvas.DrawRect(frame, 1, 1, AllCorners, 1);
    }

    clipped.reset();
    if (effectsAfter) {
        canvas.SetMatrix(child.GetAbsoluteMatrix());
        child.PaintEffects();
    }
}

// ---- painting into another canvas ------------------------------------------------------------

void TwzVisualObject::CollectPaintSubtree(std::vector<TwzVisualObject*>& list)
{
    list.push_back(this);
    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            visual->CollectPaintSubtree(list);
    }
}

void TwzVisualObject::RecomputeAbsoluteSubtree()
{
    (void)GetAbsoluteMatrix();
    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            visual->RecomputeAbsoluteSubtree();
    }
}

void TwzVisualObject::PaintTo(TwzCanvas& canvas, const TwzRect& rect, TwzVisualObject* parent)
{
    IwzScene* scene = GetScene();
    if (!scene || m_width * m_height == 0)
        return;

    // Everything set here is put back as it was, so a pass inside another pass (an effect of
    // a child, a visual brush) leaves the outer one as it found it.
    struct Saved {
        rtl::Watch<TwzVisualObject> object;
        TwzCanvas* canvas;
        bool painting;
    };
    std::vector<TwzVisualObject*> subtree;
    CollectPaintSubtree(subtree);
    std::vector<Saved> saved;
    saved.reserve(subtree.size());
    for (TwzVisualObject* object : subtree) {
        saved.push_back(
            { rtl::Watch<TwzVisualObject>(object), object->m_tempCanvas, object->m_paintingToCanvas });
        object->m_paintingToCanvas = true;
        object->m_tempCanvas = &canvas;
    }
    const bool updatesWereDisabled = scene->GetDisableUpdate();
    scene->SetDisableUpdate(true);
    const bool realignWasDisabled = m_realignDisabled;
    m_realignDisabled = true;

    const TwzPoint position = m_position->GetPoint();
    const TwzPoint scale = m_scale->GetPoint();
    const float angle = m_rotateAngle;
    TwzVisualObject* const paintParent = m_paintParent;
    const bool paintParentActive = m_paintParentActive;
    rtl::Watch<TwzVisualObject> self(this);

    rtl::ScopeExit restore([&] {
        if (TwzVisualObject* object = self.Get()) {
            object->m_position->StorePoint(position);
            object->m_scale->StorePoint(scale);
            object->m_rotateAngle = angle;
            object->m_paintParent = paintParent;
            object->m_paintParentActive = paintParentActive;
            object->UpdateLocalMatrix();
            object->MarkUpdateRectDirty();
            // Recomputed while the pass is still marked, so the way back neither repaints
            // nor re-renders anything.
            object->RecalcAbsolute();
            object->RecomputeAbsoluteSubtree();
            object->RecalcOpacity();
            object->RecalcEnabled();
            object->m_realignDisabled = realignWasDisabled;
        }
        for (Saved& entry : saved) {
            if (TwzVisualObject* object = entry.object.Get()) {
                object->m_paintingToCanvas = entry.painting;
                object->m_tempCanvas = entry.canvas;
            }
        }
        scene->SetDisableUpdate(updatesWereDisabled);
    });

    SavedCanvasState canvasState(canvas);
    m_paintParent = parent;
    m_paintParentActive = true;
    m_position->StorePoint({ rect.Left, rect.Top });
    m_scale->StorePoint({ RectWidth(rect) / m_width, RectHeight(rect) / m_height });
    m_rotateAngle = 0;
    UpdateLocalMatrix();
    RecalcOpacity();
    RecalcEnabled();

    canvas.SetMatrix(GetAbsoluteMatrix());
    BeforePaint();
    if (self)
        Paint();
    if (self)
        AfterPaint();
    if (self)
        PaintChildren();
}
