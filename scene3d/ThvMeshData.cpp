#include "scene3d/ThvMeshData.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Streams.h"

#include <bit>

namespace {

constexpr rtl::TPropInfo kMeshProps[] = {
    RTL_PROP(ThvMeshData, Points, String, "", false),
    RTL_PROP(ThvMeshData, Normals, String, "", false),
    RTL_PROP(ThvMeshData, TexCoordinates, String, "", false),
    RTL_PROP(ThvMeshData, TriangleIndices, String, "", false),
};

constexpr float ThvTexVertexNormal::*kPointFields[]
    = { &ThvTexVertexNormal::X, &ThvTexVertexNormal::Y, &ThvTexVertexNormal::Z };
constexpr float ThvTexVertexNormal::*kNormalFields[]
    = { &ThvTexVertexNormal::NX, &ThvTexVertexNormal::NY, &ThvTexVertexNormal::NZ };
constexpr float ThvTexVertexNormal::*kTexFields[] = { &ThvTexVertexNormal::TU, &ThvTexVertexNormal::TV };

constexpr std::string_view kNumberSeparators = " ,";

ThvVector PositionOf(const ThvTexVertexNormal& v)
{
    return { v.X, v.Y, v.Z, 1 };
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvMeshData, .props = kMeshProps)

ThvMeshData::~ThvMeshData()
{
    OnDestroy(this);
    m_handle = nullptr;
}

// ---- text properties ----------------------------------------------------------------------

template <size_t N>
std::string ThvMeshData::GetVertexFields(float ThvTexVertexNormal::*const (&fields)[N], size_t reserve) const
{
    std::string text;
    text.reserve(reserve * m_vertices.size());
    for (const ThvTexVertexNormal& vertex : m_vertices) {
        for (size_t i = 0; i < N; ++i) {
            if (i > 0)
                text += ' ';
            text += hvFloatToStr(vertex.*fields[i]);
        }
        text += "  ";
    }
    return text;
}

template <size_t N>
void ThvMeshData::SetVertexFields(const std::string& value, float ThvTexVertexNormal::*const (&fields)[N])
{
    // One step per element: a number that does not read ends its step, and what follows is
    // read as the next element's numbers.
    const int32_t length = static_cast<int32_t>(std::min<size_t>(value.size(), INT32_MAX));
    int32_t position = 1;
    size_t steps = 0;
    while (position < length) {
        ++steps;
        if (m_vertices.size() < steps)
            m_vertices.resize(steps);
        ThvTexVertexNormal& vertex = m_vertices[steps - 1];
        try {
            for (float ThvTexVertexNormal::*field : fields)
                vertex.*field = hvStrToFloat(hvGetTokenAt(position, value, kNumberSeparators, ""));
        } catch (const rtl::ConvertError&) { }
    }
    if (m_vertices.size() > steps)
        m_vertices.resize(steps);
    m_changed = true;
    OnChange(this);
}

std::string ThvMeshData::GetPoints() const
{
    return GetVertexFields(kPointFields, 40);
}

void ThvMeshData::SetPoints(const std::string& value)
{
    SetVertexFields(value, kPointFields);
}

std::string ThvMeshData::GetNormals() const
{
    return GetVertexFields(kNormalFields, 40);
}

void ThvMeshData::SetNormals(const std::string& value)
{
    SetVertexFields(value, kNormalFields);
}

std::string ThvMeshData::GetTexCoordinates() const
{
    return GetVertexFields(kTexFields, 28);
}

void ThvMeshData::SetTexCoordinates(const std::string& value)
{
    SetVertexFields(value, kTexFields);
}

std::string ThvMeshData::GetTriangleIndices() const
{
    std::string text;
    text.reserve(7 * m_indices.size());
    for (size_t i = 0; i < m_indices.size(); ++i) {
        text += rtl::IntToStr(m_indices[i]);
        text += ' ';
        if (i % 3 == 2)
            text += ' ';
    }
    return text;
}

void ThvMeshData::SetTriangleIndices(const std::string& value)
{
    // One index per step. The walk also reads a last index of one character: stopping as
    // soon as the position reaches the last character would drop the final index of "0 1 2".
    const int32_t length = static_cast<int32_t>(std::min<size_t>(value.size(), INT32_MAX));
    int32_t position = 1;
    bool endRead = length == 0;
    size_t steps = 0;
    while (!endRead && position <= length) {
        ++steps;
        if (m_indices.size() < steps)
            m_indices.resize(steps);
        const int32_t start = position;
        const std::string token = hvGetTokenAt(position, value, " ", "");
        if (start + static_cast<int32_t>(token.size()) > length
            || (position == length && value[static_cast<size_t>(length) - 1] == ' '))
            endRead = true;
        if (std::optional<int32_t> index = rtl::TryStrToInt(token))
            m_indices[steps - 1] = static_cast<uint16_t>(*index);
    }
    if (m_indices.size() > steps)
        m_indices.resize(steps);
    m_changed = true;
    OnChange(this);
}

// ---- normals ------------------------------------------------------------------------------

void ThvMeshData::CalcNormals()
{
    const size_t vertexCount = m_vertices.size();
    // Indices may have been edited by hand: one that names no vertex is passed over.
    for (uint16_t index : m_indices) {
        if (index < vertexCount) {
            ThvTexVertexNormal& v = m_vertices[index];
            v.NX = v.NY = v.NZ = 0;
        }
    }
    for (size_t t = 0; 3 * t + 2 < m_indices.size(); ++t) {
        const uint16_t i0 = m_indices[3 * t];
        const uint16_t i1 = m_indices[3 * t + 1];
        const uint16_t i2 = m_indices[3 * t + 2];
        if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
            continue;
        const ThvVector n = hvCalcPlaneNormal(
            PositionOf(m_vertices[i2]), PositionOf(m_vertices[i1]), PositionOf(m_vertices[i0]));
        for (uint16_t i : { i0, i1, i2 }) {
            ThvTexVertexNormal& v = m_vertices[i];
            v.NX += n.X;
            v.NY += n.Y;
            v.NZ += n.Z;
        }
    }
}

// ---- copies and the stored form --------------------------------------------------------------

void ThvMeshData::Assign(const rtl::TPersistent& source)
{
    if (const auto* other = dynamic_cast<const ThvMeshData*>(&source)) {
        if (other != this) {
            m_vertices = other->m_vertices;
            m_indices = other->m_indices;
        }
        m_changed = true;
        OnChange(this);
        return;
    }
    Inherited::Assign(source);
}

void ThvMeshData::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "Mesh", [this](rtl::TStream& stream) { ReadMesh(stream); },
        [this](rtl::TStream& stream) { WriteMesh(stream); }, !m_vertices.empty());
}

void ThvMeshData::WriteMesh(rtl::TStream& stream) const
{
    static_assert(
        std::endian::native == std::endian::little, "mesh records are written as they lie in memory");
    stream.WriteLE<int32_t>(static_cast<int32_t>(m_vertices.size()));
    if (!m_vertices.empty())
        stream.WriteBuffer(m_vertices.data(), m_vertices.size() * sizeof(ThvTexVertexNormal));
    stream.WriteLE<int32_t>(static_cast<int32_t>(m_indices.size()));
    if (!m_indices.empty())
        stream.WriteBuffer(m_indices.data(), m_indices.size() * sizeof(uint16_t));
}

void ThvMeshData::ReadMesh(rtl::TStream& stream)
{
    static_assert(std::endian::native == std::endian::little, "mesh records are read as they lie in memory");
    // The counts come from stored data: each is checked against the bytes that follow before
    // anything is allocated, and every index against the vertex count, so a damaged mesh is
    // refused whole instead of drawing from memory it does not have.
    const auto readCount = [&stream](int64_t recordSize) {
        const int32_t count = stream.ReadLE<int32_t>();
        if (count < 0)
            throw rtl::ReadError("Invalid mesh data: negative count");
        if (stream.BytesLeft() / recordSize < count)
            throw rtl::ReadError("Invalid mesh data: count beyond the data");
        return static_cast<size_t>(count);
    };

    std::vector<ThvTexVertexNormal> vertices(readCount(sizeof(ThvTexVertexNormal)));
    if (!vertices.empty())
        stream.ReadBuffer(vertices.data(), vertices.size() * sizeof(ThvTexVertexNormal));
    std::vector<uint16_t> indices(readCount(sizeof(uint16_t)));
    if (!indices.empty())
        stream.ReadBuffer(indices.data(), indices.size() * sizeof(uint16_t));
    for (uint16_t index : indices) {
        if (index >= vertices.size())
            throw rtl::ReadError("Invalid mesh data: index " + rtl::IntToStr(index) + " names no vertex");
    }
    m_vertices = std::move(vertices);
    m_indices = std::move(indices);
}
