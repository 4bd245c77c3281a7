#include "scene3d/ThvMaterial.h"

#include "scene3d/Math3D.h"
#include "scene3d/ResourceList.h"
#include "scene3d/ThvBitmapRect.h"

#include "platform/rtl/ClassInfo.h"

namespace {

// Colours, tiles, modes and the texture rectangle have no default: they are written every
// time.
constexpr rtl::TPropInfo kMaterialProps[] = {
    RTL_PROP(ThvMaterial, Diffuse, String, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, Ambient, String, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, Lighting, Boolean, rtl::kNoDefault, &ThvMaterial::IsLightingStored),
    RTL_PROP(ThvMaterial, Bitmap, String, ""),
    RTL_PROP(ThvMaterial, BitmapMode, Enum, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, BitmapTileX, Float, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, BitmapTileY, Float, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, BitmapRect, Class, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, FillMode, Enum, rtl::kNoDefault),
    RTL_PROP(ThvMaterial, ShadeMode, Enum, hvGouraud),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvMaterial, .props = kMaterialProps)

ThvMaterial::ThvMaterial()
    : m_bitmapRect(std::make_unique<ThvBitmapRect>())
{ }

ThvMaterial::~ThvMaterial() = default;

void ThvMaterial::Changed()
{
    OnChanged(this);
}

std::string ThvMaterial::GetDiffuse() const
{
    return hvColorToStr(m_diffuse);
}

void ThvMaterial::SetDiffuse(const std::string& value)
{
    SetDiffuseColor(hvStrToColor(value));
}

void ThvMaterial::SetDiffuseColor(uint32_t value)
{
    if (value == m_diffuse)
        return;
    m_diffuse = value;
    Changed();
}

std::string ThvMaterial::GetAmbient() const
{
    return hvColorToStr(m_ambient);
}

void ThvMaterial::SetAmbient(const std::string& value)
{
    const uint32_t color = hvStrToColor(value);
    if (color == m_ambient)
        return;
    m_ambient = color;
    Changed();
}

void ThvMaterial::SetLighting(bool value)
{
    if (value == m_lighting)
        return;
    m_lighting = value;
    Changed();
}

void ThvMaterial::SetBitmap(const std::string& value)
{
    if (value == m_bitmap)
        return;
    m_bitmap = value;
    Changed();
}

void ThvMaterial::SetBitmapMode(ThvTexMode value)
{
    if (value == m_bitmapMode)
        return;
    m_bitmapMode = value;
    Changed();
}

float ThvMaterial::ClampTile(float value)
{
    if (value < 0.01f)
        return 0.01f;
    if (value > 10)
        return 10;
    return value;
}

void ThvMaterial::SetBitmapTileX(float value)
{
    // Compared before clamping: a value out of range fires again even when the clamped
    // result is what the material holds.
    if (value == m_bitmapTileX)
        return;
    m_bitmapTileX = ClampTile(value);
    Changed();
}

void ThvMaterial::SetBitmapTileY(float value)
{
    if (value == m_bitmapTileY)
        return;
    m_bitmapTileY = ClampTile(value);
    Changed();
}

void ThvMaterial::SetBitmapRect(ThvBitmapRect* value)
{
    if (value)
        m_bitmapRect->Assign(*value);
}

void ThvMaterial::SetFillMode(ThvFillMode value)
{
    if (value == m_fillMode)
        return;
    m_fillMode = value;
    Changed();
}

void ThvMaterial::SetShadeMode(ThvShadeMode value)
{
    if (value == m_shadeMode)
        return;
    m_shadeMode = value;
    Changed();
}

void ThvMaterial::SetTexture(ThvBitmap* value)
{
    if (value == m_texture)
        return;
    m_texture = value;
    Changed();
}

ThvBitmap* ThvMaterial::GetTexture() const
{
    if (m_texture)
        return m_texture;
    return hvFindResourceBitmap(m_bitmap);
}

void ThvMaterial::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const ThvMaterial*>(&source)) {
        if (other != this) {
            m_diffuse = other->m_diffuse;
            m_ambient = other->m_ambient;
            m_bitmap = other->m_bitmap;
            m_bitmapTileX = other->m_bitmapTileX;
            m_bitmapTileY = other->m_bitmapTileY;
            m_bitmapRect->Assign(*other->m_bitmapRect);
            m_lighting = other->m_lighting;
            m_bitmapMode = other->m_bitmapMode;
            m_shadeMode = other->m_shadeMode;
            m_fillMode = other->m_fillMode;
        }
        Changed();
        return;
    }
    Inherited::Assign(source);
}
