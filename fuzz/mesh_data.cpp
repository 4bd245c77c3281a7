// Feeds arbitrary bytes to the binary "Mesh" reader and, as text, to the four text properties
// of mesh data. Refused payloads are expected and fine; crashes, sanitizer reports, a refused
// payload that changed the mesh, an accepted mesh with an index outside its vertices, and
// accepted meshes that do not write back to the same bytes are not.

#include "scene3d/ThvMeshData.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void ReadBinary(const uint8_t* data, size_t size)
{
    ThvMeshData mesh;
    mesh.Vertices() = { hvTexVertexNormal(1, 2, 3, 4, 5, 6, 7, 8) };
    mesh.Indices() = { 0, 0, 0 };
    rtl::TConstMemoryStream stream(data, size);
    try {
        mesh.ReadMesh(stream);
    } catch (const rtl::ReadError&) {
        if (mesh.Vertices().size() != 1 || mesh.Indices().size() != 3)
            std::abort();
        return;
    }
    for (uint16_t index : mesh.Indices()) {
        if (index >= mesh.Vertices().size())
            std::abort();
    }
    // What was accepted writes back to exactly the bytes it was read from, and reads again.
    const size_t consumed = static_cast<size_t>(stream.GetPosition());
    rtl::TMemoryStream written;
    mesh.WriteMesh(written);
    if (written.GetSize() != static_cast<int64_t>(consumed)
        || std::memcmp(written.Memory(), data, consumed) != 0)
        std::abort();
    written.SetPosition(0);
    ThvMeshData reread;
    reread.ReadMesh(written);
    if (reread.Indices() != mesh.Indices() || reread.Vertices().size() != mesh.Vertices().size())
        std::abort();
    mesh.CalcNormals();
}

void ReadText(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    ThvMeshData mesh;
    switch (data[0] % 4) {
    case 0:
        mesh.SetPoints(text);
        break;
    case 1:
        mesh.SetNormals(text);
        break;
    case 2:
        mesh.SetTexCoordinates(text);
        break;
    default:
        mesh.SetTriangleIndices(text);
        break;
    }
    // Never more elements than the text has characters.
    if (mesh.Vertices().size() > text.size() || mesh.Indices().size() > text.size())
        std::abort();
    // The read forms read back to the same counts.
    ThvMeshData copy;
    copy.SetPoints(mesh.GetPoints());
    copy.SetTriangleIndices(mesh.GetTriangleIndices());
    if (copy.Vertices().size() != mesh.Vertices().size() || copy.Indices() != mesh.Indices())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadBinary(data, size);
    ReadText(data, size);
    return 0;
}
