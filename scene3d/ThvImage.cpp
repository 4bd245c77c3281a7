#include "scene3d/ThvImage.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kImageProps[] = {
    RTL_PROP(ThvVisualObject, Width, Float, 4.0),
    RTL_PROP(ThvVisualObject, Height, Float, 0.1),
    RTL_PROP(ThvVisualObject, Depth, Float, 3.0),
    RTL_PROP(ThvImage, Bitmap, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvImage, .props = kImageProps)

ThvImage::ThvImage(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
    , m_bitmap(std::make_unique<ThvBitmap>(0, 0))
    , m_quad(std::make_unique<ThvMeshData>())
{
    m_bitmap->OnChange.Bind<&ThvImage::BitmapChanged>(this);
    m_quad->Vertices() = {
        hvTexVertexNormal(-0.5f, 0, -0.5f, 0, -1, 0, 0, 1),
        hvTexVertexNormal(0.5f, 0, -0.5f, 0, -1, 0, 1, 1),
        hvTexVertexNormal(0.5f, 0, 0.5f, 0, -1, 0, 1, 0),
        hvTexVertexNormal(-0.5f, 0, 0.5f, 0, -1, 0, 0, 0),
    };
    m_quad->Indices() = { 0, 3, 1, 3, 2, 1 };
    SetWidth(4);
    SetHeight(0.1f);
    SetDepth(3);
}

ThvImage::~ThvImage() = default;

void ThvImage::SetBitmap(ThvBitmap* value)
{
    if (value && value != m_bitmap.get())
        m_bitmap->Assign(*value);
}

void ThvImage::BitmapChanged(rtl::TObject*)
{
    Repaint();
}

void ThvImage::SetDepth(float value)
{
    Inherited::SetDepth(GetProjection() == hvProjectionScreen ? 0.1f : value);
}

void ThvImage::Render()
{
    ThvCanvas* canvas = GetCanvas();
    if (!canvas || int64_t { m_bitmap->GetWidth() } * m_bitmap->GetHeight() == 0)
        return;
    const float opacity = GetAbsoluteOpacity();
    // The material the shape set is overridden for the picture only: its own colours, unlit.
    ThvMaterial& material = *canvas->GetMaterial();
    material.SetTexture(m_bitmap.get());
    material.SetDiffuseColor(hvColorOpacity(0xFFFFFFFF, opacity));
    material.SetLighting(false);
    material.SetBitmapMode(hvTexReplace);
    canvas->SetState(hvStateFilterLinear);
    canvas->FillMesh({ 0, 0, 0, 1 }, { GetWidth(), 0, GetDepth(), 1 }, *m_quad, opacity);
    material.SetTexture(nullptr);
}

bool ThvImage::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    return RayCastShapeBox(rayPos, rayDir, hit);
}
