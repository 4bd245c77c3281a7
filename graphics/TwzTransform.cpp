#include "graphics/TwzTransform.h"

#include "graphics/Angles.h"
#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kTransformProps[] = {
    RTL_PROP(TwzTransform, RotateAngle, Float, rtl::kNoDefault),
    RTL_PROP(TwzTransform, Position, Class, rtl::kNoDefault),
    RTL_PROP(TwzTransform, Scale, Class, rtl::kNoDefault),
    RTL_PROP(TwzTransform, RotateCenter, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzTransform, .props = kTransformProps)

TwzTransform::TwzTransform()
    : m_position(std::make_unique<TwzPosition>(TwzPoint { 0, 0 }))
    , m_scale(std::make_unique<TwzPosition>(TwzPoint { 1, 1 }))
    , m_rotateCenter(std::make_unique<TwzPosition>(TwzPoint { 0.5f, 0.5f }))
{
    m_position->OnChange.Bind<&TwzTransform::MatrixChanged>(this);
    m_scale->OnChange.Bind<&TwzTransform::MatrixChanged>(this);
    m_rotateCenter->OnChange.Bind<&TwzTransform::MatrixChanged>(this);
}

TwzTransform::~TwzTransform() = default;

void TwzTransform::SetRotateAngle(float value)
{
    if (value == m_rotateAngle)
        return;
    m_rotateAngle = value;
    MatrixChanged(this);
}

void TwzTransform::SetPosition(TwzPosition* value)
{
    if (value)
        m_position->Assign(*value);
}

void TwzTransform::SetScale(TwzPosition* value)
{
    if (value)
        m_scale->Assign(*value);
}

void TwzTransform::SetRotateCenter(TwzPosition* value)
{
    if (value)
        m_rotateCenter->Assign(*value);
}

void TwzTransform::MatrixChanged(rtl::TObject*)
{
    TwzMatrix m = IdentityMatrix;
    m.m11 = m_scale->GetX();
    m.m22 = m_scale->GetY();
    m.m31 = m_position->GetX();
    m.m32 = m_position->GetY();
    if (m_rotateAngle != 0)
        m = MatrixMultiply(CreateRotationMatrix(DegToRad(m_rotateAngle)), m);
    m_matrix = m;
    OnChanged(this);
}

void TwzTransform::Assign(const rtl::TPersistent& source)
{
    const auto* other = dynamic_cast<const TwzTransform*>(&source);
    if (!other)
        return Inherited::Assign(source);
    m_position->StorePoint(other->m_position->GetPoint());
    m_scale->StorePoint(other->m_scale->GetPoint());
    m_rotateCenter->StorePoint(other->m_rotateCenter->GetPoint());
    m_rotateAngle = other->m_rotateAngle;
    MatrixChanged(this);
}
