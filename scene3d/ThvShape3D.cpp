#include "scene3d/ThvShape3D.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"

#include <cmath>

namespace {

constexpr rtl::TPropInfo kShape3DProps[] = {
    RTL_PROP(ThvVisualObject, Width, Float, 4.0),
    RTL_PROP(ThvVisualObject, Height, Float, 4.0),
    RTL_PROP(ThvShape3D, Flatness, Float, rtl::kNoDefault),
    RTL_PROP(ThvShape3D, Sides, Set, rtl::kNoDefault),
    RTL_PROP(ThvShape3D, MaterialBack, Class, rtl::kNoDefault),
    RTL_PROP(ThvShape3D, MaterialLeft, Class, rtl::kNoDefault),
};

/// The colour of an object's box outline while the scene is designed.
constexpr uint32_t kDesignBoxColor = 0x8060A799;

constexpr float kMinFlatness = 0.05f;

} // namespace

RTL_IMPLEMENT_CLASS(ThvShape3D, .props = kShape3DProps)

float scene3d::OutlineLength(const TwzPolygon& points)
{
    float length = 0;
    const TwzPoint* last = nullptr;
    for (const TwzPoint& p : points) {
        if (IsFigureEnd(p))
            continue;
        if (last)
            length += std::hypot(p.X - last->X, p.Y - last->Y);
        last = &p;
    }
    return length;
}

ThvShape3D::ThvShape3D(rtl::TComponent* owner)
    : ThvShape(owner)
    , m_materialLeft(std::make_unique<ThvMaterial>())
    , m_materialBack(std::make_unique<ThvMaterial>())
{
    const uint32_t diffuse = GetMaterial()->GetDiffuseColor();
    m_materialBack->SetDiffuseColor(diffuse);
    m_materialLeft->SetDiffuseColor(diffuse);
    m_materialBack->OnChanged.Bind<&ThvShape3D::MaterialsChanged>(this);
    m_materialLeft->OnChanged.Bind<&ThvShape3D::MaterialsChanged>(this);
    SetTwoSide(true);
    SetWidth(4);
    SetHeight(4);
    SetDepth(1);
}

ThvShape3D::~ThvShape3D() = default;

void ThvShape3D::MaterialsChanged(rtl::TObject*)
{
    Repaint();
}

void ThvShape3D::SetFlatness(float value)
{
    value = std::max(value, kMinFlatness);
    if (value == m_flatness)
        return;
    m_flatness = value;
    Repaint();
}

void ThvShape3D::SetSides(ThvShape3DSides value)
{
    if (value == m_sides)
        return;
    m_sides = value;
    Repaint();
}

void ThvShape3D::SetMaterialBack(ThvMaterial* value)
{
    if (value)
        m_materialBack->Assign(*value);
}

void ThvShape3D::SetMaterialLeft(ThvMaterial* value)
{
    if (value)
        m_materialLeft->Assign(*value);
}

// ---- painting -----------------------------------------------------------------------------

void ThvShape3D::BeforePaint()
{
    rtl::Watch<ThvShape3D> self(this);
    Inherited::BeforePaint();
    if (!self)
        return;
    m_frontReplaced = false;
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    // The render walk has just set the object's matrix (a proxy sets its own there), so the
    // outline's origin moves within whatever placement the walk chose.
    ThvMatrix origin = hvIdentityMatrix;
    origin[3][0] = -GetWidth() / 2;
    origin[3][1] = -GetHeight() / 2;
    canvas->SetMatrix(hvMatrixMultiply(origin, canvas->GetWorldMatrix()));
}

void ThvShape3D::Render() { }

ThvVector ThvShape3D::OutlineCenter() const
{
    return { GetWidth() / 2, GetHeight() / 2, 0, 1 };
}

bool ThvShape3D::FlattenOutline(const TwzPathData& outline, TwzPolygon& polygon, TwzPoint& extent) const
{
    extent = outline.FlattenPath(polygon, m_flatness);
    return extent.X > 0 && extent.Y > 0 && !polygon.empty();
}

void ThvShape3D::ExtrudeFaces(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
    const TwzPolygon& polygon, ThvOutlineStamp stamp)
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float opacity = GetAbsoluteOpacity();
    // NOTE: the canvas holds the front material from BeforePaint until a back or wall face
    // replaces it; a shape that extrudes several times in one paint (tiles) must put it back
    // before each further front face.
    if (m_sides.Contains(hvShape3DFront)) {
        if (m_frontReplaced)
            canvas->SetMaterialWithOpacity(*GetMaterial(), opacity);
        canvas->FillKeptPolygon(stamp, center, size, rect, polygon, opacity, true, false, false);
    }
    if (m_sides.Contains(hvShape3DBack)) {
        canvas->SetMaterialWithOpacity(*m_materialBack, opacity);
        m_frontReplaced = true;
        canvas->FillKeptPolygon(stamp, center, size, rect, polygon, opacity, false, true, false);
    }
    if (m_sides.Contains(hvShape3DLeft)) {
        canvas->SetMaterialWithOpacity(*m_materialLeft, opacity);
        m_frontReplaced = true;
        canvas->FillKeptPolygon(stamp, center, size, rect, polygon, opacity, false, false, true);
    }
}

void ThvShape3D::DrawDesignBox()
{
    if (!InDesignMode() || GetLocked())
        return;
    ThvCanvas* canvas = GetCanvas();
    if (!canvas || !canvas->GetMaterial())
        return;
    canvas->GetMaterial()->SetDiffuseColor(kDesignBoxColor);
    canvas->DrawCube(OutlineCenter(), { GetWidth(), GetHeight(), GetDepth(), 1 }, GetAbsoluteOpacity());
}

// ---- picking and input --------------------------------------------------------------------

bool ThvShape3D::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    return RayCastShapeBox(rayPos, rayDir, hit);
}

bool ThvShape3D::OutlinePoint(const ThvVector& rayPos, const ThvVector& rayDir, float& x, float& y)
{
    ThvVector local;
    if (!RayCastBox(rayPos, rayDir, local))
        return false;
    // The outline's y runs down from the top edge of the face, as it was built.
    x = GetWidth() / 2 + local.X;
    y = GetHeight() / 2 - local.Y;
    return true;
}

void ThvShape3D::MouseDown(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
    const ThvVector& rayDir)
{
    Inherited::MouseDown(button, shift, x, y, rayPos, rayDir);
    float outlineX = 0, outlineY = 0;
    if (OutlinePoint(rayPos, rayDir, outlineX, outlineY))
        MouseDown2D(button, shift, outlineX, outlineY);
}

void ThvShape3D::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY, rayPos, rayDir);
    float outlineX = 0, outlineY = 0;
    if (OutlinePoint(rayPos, rayDir, outlineX, outlineY))
        MouseMove2D(shift, outlineX, outlineY);
}

void ThvShape3D::MouseUp(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
    const ThvVector& rayDir)
{
    Inherited::MouseUp(button, shift, x, y, rayPos, rayDir);
    // A release away from the shape still ends whatever its press began.
    float outlineX = x, outlineY = y;
    OutlinePoint(rayPos, rayDir, outlineX, outlineY);
    MouseUp2D(button, shift, outlineX, outlineY);
}

void ThvShape3D::MouseMove2D(TShiftState, float, float) { }

void ThvShape3D::MouseDown2D(TMouseButton, TShiftState, float, float) { }

void ThvShape3D::MouseUp2D(TMouseButton, TShiftState, float, float) { }
