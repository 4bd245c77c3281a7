// Painting and picking of a visual object's subtree through the canvas.

#include "scene3d/ThvVisualObject.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"
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
        if (auto* visual = child->AsVisual())
            list.emplace_back(visual);
    }
    return list;
}

// The walk of both searches through the tree: the children first, the last child first, each
// asked with `ask`; every answer is nearer than the one before, so the last one wins.
template <class Ask> ThvVisualObject* NearestChildHit(const ThvVisualObject& parent, bool design, Ask ask)
{
    ThvVisualObject* result = nullptr;
    const std::vector<rtl::Watch<ThvVisualObject>> children = VisualChildren(parent);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        ThvVisualObject* child = it->Get();
        if (!child || !(child->GetVisible() || design))
            continue;
        if (design && (child->GetLocked() || parent.GetDesignHide()))
            continue;
        if (ThvVisualObject* hit = ask(*child))
            result = hit;
    }
    return result;
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
        if (auto* visual = child->AsVisual())
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

        // An object on the screen plane that writes no depth is an overlay (the panels): the
        // scene's objects drawn before it never hide it, however near the camera they come.
        // The screen plane lies two units before the eye, and closer walls would pass the
        // depth test against it.
        const bool overlay = child->m_projection == hvProjectionScreen && !child->m_zWrite;
        canvas->SetState(overlay ? hvStateZTestOff : hvStateZTestOn);
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
        if (overlay)
            canvas->SetState(hvStateZTestOn);

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
    return hvRayBoxEntry(
        rayPos, rayDir, { m_width * scale, m_height * scale, m_depth * scale, 1 }, tolerance, point);
}

bool ThvVisualObject::RayCastMesh(
    const ThvVector& rayPos, const ThvVector& rayDir, const ThvMeshData& mesh, ThvVector& point) const
{
    const std::vector<ThvTexVertexNormal>& vertices = mesh.Vertices();
    const std::vector<uint16_t>& indices = mesh.Indices();
    auto corner = [&](uint16_t index) {
        const ThvTexVertexNormal& v = vertices[index];
        return ThvVector { v.X * m_width, v.Y * m_height, v.Z * m_depth, 1 };
    };
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        const uint16_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
        if (a >= vertices.size() || b >= vertices.size() || c >= vertices.size())
            continue;
        if (hvRayTriangleIntersect(rayPos, rayDir, corner(a), corner(b), corner(c), &point))
            return true;
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

    ThvVisualObject* result = NearestChildHit(*this, design,
        [&](ThvVisualObject& child) { return child.ObjectAtPoint(projection, distance, x, y); });
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

    ThvVisualObject* result = NearestChildHit(*this, design,
        [&](ThvVisualObject& child) { return child.FindDropTarget(point, projection, data, distance); });
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
