#include "scene3d/ThvCustomMesh.h"

#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMeshData.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kMeshProps[] = {
    RTL_PROP(ThvCustomMesh, Data, Class, rtl::kNoDefault),
};

} // namespace

RTL_IMPLEMENT_CLASS(ThvCustomMesh)
RTL_IMPLEMENT_CLASS(ThvMesh, .props = kMeshProps)

ThvCustomMesh::ThvCustomMesh(rtl::TComponent* owner)
    : ThvShape(owner)
    , m_data(std::make_unique<ThvMeshData>())
{
    m_data->OnChange.Bind<&ThvCustomMesh::DataChanged>(this);
}

ThvCustomMesh::~ThvCustomMesh() = default;

void ThvCustomMesh::SetData(ThvMeshData* value)
{
    if (value)
        m_data->Assign(*value);
}

void ThvCustomMesh::DataChanged(rtl::TObject*)
{
    Repaint();
}

void ThvCustomMesh::Render()
{
    if (ThvCanvas* canvas = GetCanvas())
        canvas->FillMesh(
            { 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, *m_data, GetAbsoluteOpacity());
}

bool ThvCustomMesh::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    ThvVector boxPoint;
    if (!RayCastBox(rayPos, rayDir, boxPoint))
        return false;
    if (m_data->Vertices().empty() || m_data->Indices().empty()) {
        if (!InDesignMode())
            return false;
        hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(boxPoint)), 1);
        return true;
    }
    ThvVector point;
    if (!RayCastMesh(rayPos, rayDir, *m_data, point))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
    return true;
}

ThvMesh::ThvMesh(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{ }
