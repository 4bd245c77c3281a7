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
    const std::vector<ThvTexVertexNormal>& vertices = m_data->Vertices();
    const std::vector<uint16_t>& indices = m_data->Indices();
    if (vertices.empty() || indices.empty()) {
        if (!InDesignMode())
            return false;
        hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(boxPoint)), 1);
        return true;
    }
    const float w = GetWidth();
    const float h = GetHeight();
    const float d = GetDepth();
    auto corner = [&](uint16_t index) {
        const ThvTexVertexNormal& v = vertices[index];
        return ThvVector { v.X * w, v.Y * h, v.Z * d, 1 };
    };
    for (size_t t = 0; t + 2 < indices.size(); t += 3) {
        const uint16_t a = indices[t], b = indices[t + 1], c = indices[t + 2];
        if (a >= vertices.size() || b >= vertices.size() || c >= vertices.size())
            continue;
        ThvVector point;
        if (hvRayTriangleIntersect(rayPos, rayDir, corner(a), corner(b), corner(c), &point)) {
            hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
            return true;
        }
    }
    return false;
}

ThvMesh::ThvMesh(rtl::TComponent* owner)
    : ThvCustomMesh(owner)
{ }
