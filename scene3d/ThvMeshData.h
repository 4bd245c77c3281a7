#pragma once

#include "scene3d/Math3D.h"

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <cstdint>
#include <string>
#include <vector>

// An indexed triangle mesh: vertices with normals and texture coordinates, and 16-bit
// indices, three per triangle. Mesh objects keep their shape in it, renderers copy its arrays
// in bulk, and it is stored inside its owner as the binary value "Mesh".
class ThvMeshData : public rtl::TPersistent {
    RTL_CLASS(ThvMeshData, rtl::TPersistent)
public:
    ThvMeshData() = default;
    /// Fires OnDestroy; the mesh may be freed with Free() or die as its holder's member.
    ~ThvMeshData() override;

    // Published for hand editing, never stored. Reading gives numbers separated by single
    // spaces and each vertex (or triangle) followed by two spaces. Writing reads the text
    // element by element (a number that does not read is skipped), resizes the array to the
    // elements read, then sets Changed and fires OnChange.
    [[nodiscard]] std::string GetPoints() const;
    void SetPoints(const std::string& value);
    [[nodiscard]] std::string GetNormals() const;
    void SetNormals(const std::string& value);
    [[nodiscard]] std::string GetTexCoordinates() const;
    void SetTexCoordinates(const std::string& value);
    [[nodiscard]] std::string GetTriangleIndices() const;
    void SetTriangleIndices(const std::string& value);

    rtl::TNotifyEvent OnChange;
    /// Fired first thing when the mesh is freed (renderers drop what they built from it).
    rtl::TNotifyEvent OnDestroy;

    /// Owners that build meshes set the lengths, fill the records, then call CalcNormals when
    /// the normals are not given. Editing the arrays fires nothing.
    [[nodiscard]] std::vector<ThvTexVertexNormal>& Vertices() { return m_vertices; }
    [[nodiscard]] const std::vector<ThvTexVertexNormal>& Vertices() const { return m_vertices; }
    [[nodiscard]] std::vector<uint16_t>& Indices() { return m_indices; }
    [[nodiscard]] const std::vector<uint16_t>& Indices() const { return m_indices; }

    /// Set by Assign and the text setters; a renderer clears it once it has taken the arrays.
    [[nodiscard]] bool GetChanged() const { return m_changed; }
    void SetChanged(bool value) { m_changed = value; }
    /// A renderer's handle for what it built from the mesh; reset when the mesh is freed.
    [[nodiscard]] void* GetHandle() const { return m_handle; }
    void SetHandle(void* value) { m_handle = value; }

    /// Sets the normal of every vertex a triangle uses to the sum of the unit normals of its
    /// triangles (not normalised); one or two indices after the last whole triangle are only
    /// zeroed. Fires nothing.
    void CalcNormals();

    /// From another mesh: both arrays, then Changed and OnChange once.
    void Assign(const rtl::TPersistent& source) override;
    /// "Mesh", written when the mesh has vertices.
    void DefineProperties(rtl::TFiler& filer) override;

    /// The binary form: vertex count, the vertices, index count, the indices, little-endian.
    void WriteMesh(rtl::TStream& stream) const;
    /// Reads the binary form from the stream's position. Raises rtl::ReadError, leaving the
    /// mesh as it was, for a negative count, a count beyond the data that follows or an index
    /// that names no vertex. Fires nothing and leaves Changed alone.
    void ReadMesh(rtl::TStream& stream);

private:
    template <size_t N>
    void SetVertexFields(const std::string& value, float ThvTexVertexNormal::*const (&fields)[N]);
    template <size_t N>
    [[nodiscard]] std::string GetVertexFields(
        float ThvTexVertexNormal::*const (&fields)[N], size_t reserve) const;

    std::vector<ThvTexVertexNormal> m_vertices;
    std::vector<uint16_t> m_indices;
    bool m_changed = false;
    void* m_handle = nullptr;
};
