// Painting and picking of a visual object's subtree through the canvas.

#include "scene3d/ThvVisualObject.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"

#include <cmath>
#include <vector>

namespace {

constexpr uint32_t kDragOverHighlight = 0xB2005ACC;

/// The visual children as they are now, each turning null when it is freed: handlers run
/// inside the walks and may change the tree.
std::vector<rtl::Watch<ThvVisualObject>> VisualChildren(const ThvObject& object)
{
    std::vector<rtl::Watch<ThvVisualObject>> list;
    for (ThvObject* child : object.Children()) {
        if (auto* visual = dynamic_cast<ThvVisualObject*>(child))
            list.emplace_back(visual);
    }
    return list;
}

} // namespace

ThvCanvas* ThvVisualObject::GetCanvas() const
{
    if (m_tempCanvas)
        return m_tempCanvas;
    const ThvScene* scene = GetScene();
    return scene ? scene->GetCanvas() : nullptr;
}

void ThvVisualObject::SetTempCanvas(ThvCanvas* value)
{
    m_tempCanvas = value;
    for (ThvObject* child : Children()) {
        if (auto* visual = dynamic_cast<ThvVisualObject*>(child))
            visual->SetTempCanvas(value);
    }
}

void ThvVisualObject::Repaint()
{
    if (!m_visible || IsDestroying())
        return;
    ThvScene* scene = GetScene();
    if (!scene)
        return;
    // A real-time scene draws every frame anyway.
    if (scene->GetRealTime() && !scene->IsDesigning())
        return;
    scene->AddUpdateRect(TwzRect {});
}

void ThvVisualObject::SetVisible(bool value)
{
    if (value == m_visible)
        return;
    m_visible = value;
    if (!value)
        return;
    ThvVisualObject* parent = GetVisualParent();
    if (GetLayerAlign() != hvLayerNone && parent && !IsLoading())
        parent->Realign();
    StartTriggerAnimation(this, "IsVisible");
}

void ThvVisualObject::VisitChildren()
{
    for (const rtl::Watch<ThvVisualObject>& child : VisualChildren(*this)) {
        if (child)
            child->VisitChildren();
    }
}

void ThvVisualObject::ApplyLights()
{
    for (const rtl::Watch<ThvVisualObject>& child : VisualChildren(*this)) {
        if (child)
            child->ApplyLights();
    }
}

void ThvVisualObject::BeforePaint()
{
    OnBeforePaint(this, GetCanvas());
}

void ThvVisualObject::AfterPaint() { }

void ThvVisualObject::Render() { }

void ThvVisualObject::RenderChildren()
{
    RenderChildrenWith(nullptr);
}

void ThvVisualObject::RenderChildrenAt(const ThvMatrix& parentMatrix)
{
    RenderChildrenWith(&parentMatrix);
}

void ThvVisualObject::RenderChildrenWith(const ThvMatrix* parentMatrix)
{
    const bool design = InDesignMode();
    for (const rtl::Watch<ThvVisualObject>& watched : VisualChildren(*this)) {
        ThvVisualObject* child = watched.Get();
        if (!child)
            continue;
        if (!(child->m_visible || (design && !child->m_locked)))
            continue;
        if (design && child->m_designHide)
            continue;
        if (std::fabs(child->m_scale->GetX()) < 0.01f || std::fabs(child->m_scale->GetY()) < 0.01f)
            continue;
        ThvCanvas* canvas = child->GetCanvas();
        if (!canvas)
            continue;

        canvas->SetState(child->m_zWrite ? hvStateZWriteOn : hvStateZWriteOff);
        canvas->SetState(
            child->m_projection == hvProjectionCamera ? hvStateCameraProjection : hvStateScreenProjection);
        canvas->SetState(child->m_twoSide ? hvStateCullNone : hvStateCullCCW);
        const ThvMatrix matrix = parentMatrix ? hvMatrixMultiply(child->m_localMatrix, *parentMatrix)
                                              : child->GetAbsoluteMatrix();
        canvas->SetMatrix(matrix);

        child->BeforePaint();
        if (!watched)
            continue;
        child->Render();
        if (!watched)
            continue;
        child->OnPaint(child, canvas);
        if (!watched)
            continue;
        child->AfterPaint();
        if (!watched)
            continue;
        if (parentMatrix)
            child->RenderChildrenWith(&matrix);
        else
            child->RenderChildren();
        if (!watched)
            continue;

        if (child->m_isDragOver && !child->m_dragDisableHighlight) {
            canvas->SetMatrix(matrix);
            ThvMaterial highlight;
            highlight.SetDiffuseColor(kDragOverHighlight);
            highlight.SetLighting(false);
            canvas->SetMaterial(highlight);
            canvas->SetState(hvStateGouraud);
            canvas->SetState(hvStateZWriteOn);
            canvas->SetState(hvStateLightingOff);
            canvas->SetState(hvStateTextureNone);
            canvas->FillCube({ 0, 0, 0, 1 },
                { child->m_width + 0.01f, child->m_height + 0.01f, child->m_depth + 0.01f, 1 }, 0.4f);
        }
    }
}

// ---- picking ------------------------------------------------------------------------------

bool ThvVisualObject::IsHitTestable() const
{
    if (InDesignMode())
        return !m_locked && !m_designHide;
    return m_hitTest;
}

bool ThvVisualObject::RayCastIntersect(const ThvVector&, const ThvVector&, ThvVector& hit)
{
    hit = GetAbsolutePosition();
    hit.W = 1;
    return true;
}

bool ThvVisualObject::RayCastBox(
    const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& point, float tolerance, float scale) const
{
    const float size[3] = { m_width * scale, m_height * scale, m_depth * scale };
    const float pos[3] = { rayPos.X, rayPos.Y, rayPos.Z };
    const float dir[3] = { rayDir.X, rayDir.Y, rayDir.Z };
    for (int face = 0; face < 6; ++face) {
        const int axis = face % 3;
        const float sign = face < 3 ? 1.0f : -1.0f;
        const float along = sign * dir[axis];
        // Only the face the ray enters through: the one opposite a normal running with it.
        if (along <= 0)
            continue;
        const float t = -(sign * pos[axis] + 0.5f * size[axis]) / along;
        const ThvVector p { rayPos.X + t * rayDir.X, rayPos.Y + t * rayDir.Y, rayPos.Z + t * rayDir.Z, 1 };
        if (std::fabs(p.X) <= tolerance * size[0] && std::fabs(p.Y) <= tolerance * size[1]
            && std::fabs(p.Z) <= tolerance * size[2]
            && hvVectorDotProduct(hvVectorSubtract(p, rayPos), rayDir) > 0) {
            point = p;
            return true;
        }
    }
    return false;
}

bool ThvVisualObject::OwnHitDistance(ThvProjection projection, float x, float y, float& d)
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas || !IsHitTestable() || m_projection != projection)
        return false;
    ThvVector rayPos, rayDir;
    canvas->Pick(m_projection, x, y, rayPos, rayDir);
    const ThvVector localPos = AbsoluteToLocalVector(rayPos);
    const ThvVector localDir = hvVectorNormalize(AbsoluteToLocalVector(rayDir));
    ThvVector hit;
    if (!RayCastIntersect(localPos, localDir, hit))
        return false;
    if (m_projection == hvProjectionScreen) {
        // Screen objects measure from the viewer above the window.
        d = hvVectorLength(hvVectorSubtract(hit, rayPos));
        return true;
    }
    ThvCamera* camera = canvas->GetCamera();
    if (!camera)
        return false;
    d = hvVectorLength(hvVectorSubtract(hit, camera->GetAbsolutePosition()));
    return true;
}

ThvVisualObject* ThvVisualObject::ObjectAtPoint(ThvProjection projection, float& distance, float x, float y)
{
    const bool design = InDesignMode();
    if (!m_visible && !design)
        return nullptr;

    // Children first, the last child first; every answer is nearer than the one before.
    ThvVisualObject* result = nullptr;
    const std::vector<rtl::Watch<ThvVisualObject>> children = VisualChildren(*this);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        ThvVisualObject* child = it->Get();
        if (!child || !(child->m_visible || design))
            continue;
        if (design && (child->m_locked || m_designHide))
            continue;
        if (ThvVisualObject* hit = child->ObjectAtPoint(projection, distance, x, y))
            result = hit;
    }
    if (result)
        return result;

    float d = 0;
    if (OwnHitDistance(projection, x, y, d) && distance > d) {
        distance = d;
        return this;
    }
    return nullptr;
}

ThvVisualObject* ThvVisualObject::FindDropTarget(
    const ThvPoint& point, ThvProjection projection, const ThvDragObject& data, float& distance)
{
    const bool design = InDesignMode();
    if (!m_visible && !design)
        return nullptr;

    ThvVisualObject* result = nullptr;
    const std::vector<rtl::Watch<ThvVisualObject>> children = VisualChildren(*this);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        ThvVisualObject* child = it->Get();
        if (!child || !(child->m_visible || design))
            continue;
        if (design && (child->m_locked || m_designHide))
            continue;
        if (ThvVisualObject* hit = child->FindDropTarget(point, projection, data, distance))
            result = hit;
    }
    if (result)
        return result;

    float d = 0;
    if (!OwnHitDistance(projection, point.X, point.Y, d) || !(distance > d))
        return nullptr;
    // The distance counts even when the object refuses the data: what lies behind it stays
    // hidden.
    distance = d;
    rtl::Watch<ThvVisualObject> self(this);
    bool accept = false;
    DragOver(data, AbsoluteToLocal(point), accept);
    return self && accept ? this : nullptr;
}
