// Where a visual object is: its local matrix (scale, rotation about a centre, position),
// the cached absolute matrix to scene coordinates, conversions both ways, and the setters of
// size and place.

#include "ui2d/TwzVisualObject.h"

#include "graphics/Angles.h"
#include "graphics/TwzPosition.h"
#include "ui2d/IwzScene.h"

#include <cmath>

namespace {

TwzMatrix Translation(float x, float y)
{
    TwzMatrix m = IdentityMatrix;
    m.m31 = x;
    m.m32 = y;
    return m;
}

TwzPoint Transform(const TwzPoint& p, float w, const TwzMatrix& m)
{
    return PointFromVector(VectorTransform(MakeVector(p.X, p.Y, w), m));
}

} // namespace

// ---- matrices ----------------------------------------------------------------------------------

void TwzVisualObject::UpdateLocalMatrix()
{
    // The area covered so far is repainted, then the area covered from now on.
    if (!m_paintingToCanvas)
        InvalidateObject();

    TwzMatrix m = IdentityMatrix;
    m.m11 = m_scale->GetX();
    m.m22 = m_scale->GetY();
    m.m31 = m_position->GetX();
    m.m32 = m_position->GetY();
    if (m_rotateAngle != 0) {
        // The object turns about its rotation centre in unscaled units; with y pointing down
        // a positive angle turns clockwise on screen.
        const float cx = m_rotateCenter->GetX() * m_width;
        const float cy = m_rotateCenter->GetY() * m_height;
        const TwzMatrix turn = MatrixMultiply(
            MatrixMultiply(Translation(-cx, -cy), CreateRotationMatrix(DegToRad(m_rotateAngle))),
            Translation(cx, cy));
        m = MatrixMultiply(turn, m);
    }
    m_localMatrix = m;
    RecalcAbsolute();
    MarkUpdateRectDirty();

    if (!m_paintingToCanvas)
        InvalidateObject();
}

TwzMatrix TwzVisualObject::GetAbsoluteMatrix()
{
    if (!m_absoluteMatrixDirty)
        return m_absoluteMatrix;
    const TwzMatrix before = m_absoluteMatrix;
    if (TwzVisualObject* parent = VisualParent())
        m_absoluteMatrix = MatrixMultiply(
            MatrixMultiply(m_localMatrix, parent->GetChildrenMatrix()), parent->GetAbsoluteMatrix());
    else
        m_absoluteMatrix = m_localMatrix;
    m_absoluteMatrixDirty = false;
    // Recomputed only when first asked after a move: that is when the new area is known.
    if (!m_paintingToCanvas) {
        // A layout that puts the object back where it was (a memo's style copy, laid out
        // again for each typed character) keeps the effects' images, rather than rendering
        // and blurring the object again.
        if (m_absoluteMatrix != before)
            m_effectsDirty = true;
        InvalidateObject();
    }
    return m_absoluteMatrix;
}

TwzMatrix TwzVisualObject::GetChildrenMatrix()
{
    return IdentityMatrix;
}

void TwzVisualObject::RecalcAbsolute()
{
    m_absoluteMatrixDirty = true;
    for (TwzObject* child : Children()) {
        if (TwzVisualObject* visual = child->AsVisual())
            visual->RecalcAbsolute();
    }
}

TwzPoint TwzVisualObject::GetAbsoluteScale()
{
    TwzPoint scale = m_scale->GetPoint();
    TwzObject* ancestor = m_paintParentActive ? m_paintParent : GetParent();
    while (ancestor) {
        if (TwzVisualObject* visual = ancestor->AsVisual()) {
            scale.X *= visual->m_scale->GetX();
            scale.Y *= visual->m_scale->GetY();
            ancestor = visual->m_paintParentActive ? visual->m_paintParent : visual->GetParent();
        } else {
            ancestor = ancestor->GetParent();
        }
    }
    return scale;
}

// ---- conversions -------------------------------------------------------------------------------

TwzPoint TwzVisualObject::LocalToAbsolute(const TwzPoint& point)
{
    return Transform(point, 1, GetAbsoluteMatrix());
}

TwzPoint TwzVisualObject::AbsoluteToLocal(const TwzPoint& point)
{
    TwzMatrix m = GetAbsoluteMatrix();
    MatrixInvert(m);
    return Transform(point, 1, m);
}

TwzPoint TwzVisualObject::LocalToAbsoluteVector(const TwzPoint& vector)
{
    return Transform(vector, 0, GetAbsoluteMatrix());
}

TwzPoint TwzVisualObject::AbsoluteToLocalVector(const TwzPoint& vector)
{
    TwzMatrix m = GetAbsoluteMatrix();
    MatrixInvert(m);
    return Transform(vector, 0, m);
}

// ---- rectangles --------------------------------------------------------------------------------

TwzRect TwzVisualObject::GetLocalRect()
{
    return { 0, 0, m_width, m_height };
}

TwzRect TwzVisualObject::GetClipRect()
{
    return { 0, 0, m_width, m_height };
}

TwzRect TwzVisualObject::GetDesignRect()
{
    return { 0, 0, m_width, m_height };
}

TwzRect TwzVisualObject::GetParentedRect()
{
    const TwzPoint p = m_position->GetPoint();
    return { p.X, p.Y, p.X + m_width, p.Y + m_height };
}

TwzRect TwzVisualObject::GetAbsoluteRect()
{
    const TwzPoint corners[] = {
        LocalToAbsolute({ 0, 0 }),
        LocalToAbsolute({ m_width, 0 }),
        LocalToAbsolute({ m_width, m_height }),
        LocalToAbsolute({ 0, m_height }),
    };
    return RectFromPoints(corners);
}

// ---- size and place ----------------------------------------------------------------------------

void TwzVisualObject::StoreSize(float& field, float value, bool horizontal)
{
    // At design time a drag past the opposite edge mirrors the object instead.
    if (value < 0 && HostDesignTime()) {
        field = -value;
        if (horizontal)
            m_scale->SetX(-m_scale->GetX());
        else
            m_scale->SetY(-m_scale->GetY());
        return;
    }
    field = value;
}

void TwzVisualObject::SetWidth(float value)
{
    if (value == m_width || !std::isfinite(value))
        return;
    InvalidateObject();
    StoreSize(m_width, value, true);
    if (IsLoading())
        return;
    MarkUpdateRectDirty();
    if (TwzVisualObject* parent = RealVisualParent();
        parent && (m_align != vaNone || parent->IsScrollContent()))
        parent->RealignChildren();
    RealignChildren();
    // A grown object covers area nobody has repainted yet.
    InvalidateObject();
}

void TwzVisualObject::SetHeight(float value)
{
    if (value == m_height || !std::isfinite(value))
        return;
    InvalidateObject();
    StoreSize(m_height, value, false);
    if (IsLoading())
        return;
    MarkUpdateRectDirty();
    if (TwzVisualObject* parent = RealVisualParent();
        parent && (m_align != vaNone || parent->IsScrollContent()))
        parent->RealignChildren();
    RealignChildren();
    InvalidateObject();
}

void TwzVisualObject::SetBounds(float x, float y, float width, float height)
{
    InvalidateObject();
    bool sizeChanged = false;
    if (height != m_height && std::isfinite(height)) {
        StoreSize(m_height, height, false);
        sizeChanged = true;
    }
    if (width != m_width && std::isfinite(width)) {
        StoreSize(m_width, width, true);
        sizeChanged = true;
    }
    const TwzPoint position = m_position->GetPoint();
    if ((x != position.X || y != position.Y) && std::isfinite(x) && std::isfinite(y)) {
        // Stored without the change event: one rebuild instead of one per coordinate.
        m_position->StorePoint({ x, y });
        UpdateLocalMatrix();
    }
    if (IsLoading() || !sizeChanged)
        return;
    MarkUpdateRectDirty();
    if (m_align != vaNone)
        RealignParent();
    RealignChildren();
    InvalidateObject();
}

void TwzVisualObject::SetBoundsRect(const TwzRect& rect)
{
    InvalidateObject();
    m_width = RectWidth(rect);
    m_height = RectHeight(rect);
    // The new rotation centre lands where that point of the rectangle is on screen now.
    const TwzPoint centre = m_rotateCenter->GetPoint();
    TwzPoint anchor = LocalToAbsolute({ rect.Left + m_width * centre.X, rect.Top + m_height * centre.Y });
    if (TwzVisualObject* parent = RealVisualParent())
        anchor = parent->AbsoluteToLocal(anchor);
    TwzPoint scale = m_scale->GetPoint();
    m_position->StorePoint(
        { anchor.X - centre.X * scale.X * m_width, anchor.Y - centre.Y * scale.Y * m_height });
    if (m_width < 0) {
        m_width = -m_width;
        scale.X = -scale.X;
    }
    if (m_height < 0) {
        m_height = -m_height;
        scale.Y = -scale.Y;
    }
    m_scale->StorePoint(scale);
    UpdateLocalMatrix();
    RealignChildren();
}

void TwzVisualObject::SetSizeNoUpdate(float width, float height)
{
    m_width = width;
    m_height = height;
    m_previousWidth = width;
    m_previousHeight = height;
}

void TwzVisualObject::SetRotateAngle(float value)
{
    if (value == m_rotateAngle || !std::isfinite(value))
        return;
    m_rotateAngle = NormalizeAngle(value);
    UpdateLocalMatrix();
}
