#include "scene3d/ThvShape.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"

#include <random>

namespace {

constexpr rtl::TPropInfo kShapeProps[] = {
    HV_SHAPE_PROPS,
};

/// Red, green and blue of a new shape together: one number in 0..$FFFFFE.
uint32_t RandomRgb()
{
    static std::mt19937 generator { std::random_device {}() };
    return std::uniform_int_distribution<uint32_t>(0, 0xFFFFFE)(generator);
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvShape, .props = kShapeProps)

ThvShape::ThvShape(rtl::TComponent* owner)
    : ThvVisualObject(owner)
    , m_material(std::make_unique<ThvMaterial>())
{
    m_material->SetDiffuseColor(0xFF000000u | RandomRgb());
    m_material->OnChanged.Bind<&ThvShape::ContentChanged>(this);
}

ThvShape::~ThvShape() = default;

void ThvShape::SetMaterial(ThvMaterial* value)
{
    if (value)
        m_material->Assign(*value);
}

void ThvShape::ContentChanged(rtl::TObject*)
{
    Repaint();
}

void ThvShape::BeforePaint()
{
    rtl::Watch<ThvShape> self(this);
    Inherited::BeforePaint();
    if (!self)
        return;
    if (ThvCanvas* canvas = GetCanvas())
        canvas->SetMaterialWithOpacity(*m_material, GetAbsoluteOpacity());
}

void ThvShape::AfterPaint()
{
    Inherited::AfterPaint();
    // The next object starts from solid, smooth shading whatever this material asked for.
    if (ThvCanvas* canvas = GetCanvas()) {
        canvas->SetState(hvStateSolid);
        canvas->SetState(hvStateGouraud);
    }
}

bool ThvShape::RayCastShapeBox(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    ThvVector local;
    if (!RayCastBox(rayPos, rayDir, local))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(local)), 1);
    return true;
}
