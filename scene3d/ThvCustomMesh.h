#pragma once

#include "scene3d/ThvShape.h"

#include <memory>

// A shape drawn from an indexed triangle mesh in units of the object's size: a vertex at
// (0.5, 0.5, 0.5) lands on the corner (Width/2, Height/2, Depth/2). Picked by its box, then by
// its triangles. The built-in primitives fill the mesh themselves; ThvMesh publishes it.
class ThvCustomMesh : public ThvShape {
    RTL_CLASS(ThvCustomMesh, ThvShape)
public:
    explicit ThvCustomMesh(rtl::TComponent* owner);

    [[nodiscard]] ThvMeshData* GetData() const { return m_data.get(); }
    /// Copies `value` into the owned mesh.
    void SetData(ThvMeshData* value);

    void Render() override;
    /// The box test first; through the entry face, the first triangle hit in index order. An
    /// empty mesh is hit as its box only while the scene is being designed.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvCustomMesh() override;

private:
    void DataChanged(rtl::TObject* sender);

    std::unique_ptr<ThvMeshData> m_data;
};

// A mesh shape whose mesh is stored with it.
class ThvMesh : public ThvCustomMesh {
    RTL_CLASS(ThvMesh, ThvCustomMesh)
public:
    explicit ThvMesh(rtl::TComponent* owner);

protected:
    ~ThvMesh() override = default;
};
