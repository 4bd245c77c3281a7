#include "Scene3DTestClasses.h"

#include "scene3d/ThvMeshData.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

class ChangeCounter : public rtl::TObject {
public:
    int changes = 0;
    int destroyed = 0;
    void Change(rtl::TObject*) { ++changes; }
    void Destroyed(rtl::TObject*) { ++destroyed; }
};

ThvTexVertexNormal Vertex(float x, float y, float z)
{
    return hvTexVertexNormal(x, y, z, 9, 9, 9, 0, 0);
}

// The payload of "Mesh" built by hand, field by field, little-endian.
class Payload {
public:
    Payload& Int32(int32_t v) { return Raw(&v, 4); }
    Payload& Float(float v) { return Raw(&v, 4); }
    Payload& Word(uint16_t v) { return Raw(&v, 2); }
    Payload& Vertex(const ThvTexVertexNormal& v)
    {
        for (float f : { v.X, v.Y, v.Z, v.NX, v.NY, v.NZ, v.TU, v.TV })
            Float(f);
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    Payload& Raw(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        m_bytes.insert(m_bytes.end(), b, b + n);
        return *this;
    }
    std::vector<uint8_t> m_bytes;
};

float Length(const ThvTexVertexNormal& v)
{
    return std::sqrt(v.NX * v.NX + v.NY * v.NY + v.NZ * v.NZ);
}

} // namespace

// ---- normals --------------------------------------------------------------------------------

TEST(ThvMeshData, CalcNormalsSumsUnitTriangleNormalsOfWholeTrianglesOnly)
{
    // Four vertices of a unit square in the X-Y plane; every normal starts at (9, 9, 9).
    struct Case {
        const char* name;
        std::vector<uint16_t> indices;
        // Expected normal of each vertex.
        std::vector<ThvVector> normals;
    };
    const ThvVector untouched { 9, 9, 9, 0 };
    const ThvVector zero { 0, 0, 0, 0 };
    const ThvVector down { 0, 0, -1, 0 };
    const ThvVector down2 { 0, 0, -2, 0 };
    const Case cases[] = {
        { "no indices change nothing", {}, { untouched, untouched, untouched, untouched } },
        { "one index only zeroes its vertex", { 2 }, { untouched, untouched, zero, untouched } },
        { "two indices only zero theirs", { 0, 3 }, { zero, untouched, untouched, zero } },
        { "a triangle of the worked example", { 0, 1, 3 }, { down, down, untouched, down } },
        { "a fourth index is zeroed but forms no triangle", { 0, 1, 3, 2 }, { down, down, zero, down } },
        { "a fifth index neither", { 0, 1, 3, 2, 2 }, { down, down, zero, down } },
        { "two triangles sharing an edge, same winding", { 0, 1, 3, 1, 2, 3 }, { down, down2, down, down2 } },
        { "opposite windings cancel on the shared edge", { 0, 1, 3, 3, 2, 1 },
            { down, zero, { 0, 0, 1, 0 }, zero } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        // (0, 0), (1, 0), (1, 1), (0, 1): triangle 0, 1, 3 is the worked example's.
        mesh.Vertices() = { Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(1, 1, 0), Vertex(0, 1, 0) };
        mesh.Indices() = c.indices;
        ChangeCounter counter;
        mesh.OnChange.Bind<&ChangeCounter::Change>(&counter);
        mesh.CalcNormals();
        for (size_t i = 0; i < c.normals.size(); ++i) {
            SCOPED_TRACE(i);
            const ThvTexVertexNormal& v = mesh.Vertices()[i];
            EXPECT_FLOAT_EQ(v.NX, c.normals[i].X);
            EXPECT_FLOAT_EQ(v.NY, c.normals[i].Y);
            EXPECT_FLOAT_EQ(v.NZ, c.normals[i].Z);
        }
        EXPECT_EQ(counter.changes, 0);
        EXPECT_FALSE(mesh.GetChanged());
    }
}

TEST(ThvMeshData, CalcNormalsPassesOverIndicesThatNameNoVertex)
{
    ThvMeshData mesh;
    mesh.Vertices() = { Vertex(0, 0, 0), Vertex(1, 0, 0), Vertex(0, 1, 0) };
    // The first triangle names vertex 7, which does not exist; the second is whole.
    mesh.Indices() = { 0, 7, 2, 0, 1, 2 };
    mesh.CalcNormals();
    for (const ThvTexVertexNormal& v : mesh.Vertices())
        EXPECT_FLOAT_EQ(Length(v), 1);
    EXPECT_FLOAT_EQ(mesh.Vertices()[0].NZ, -1);
}

// ---- the stored form ------------------------------------------------------------------------

TEST(ThvMeshData, StoresTheWorkedExampleAsA110BytePayload)
{
    RegisterTestClasses3D();
    rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
    ThvMeshData& mesh = *holder->GetMesh();
    mesh.Vertices() = { hvTexVertexNormal(0, 0, 0, 0, 0, -1, 0, 0),
        hvTexVertexNormal(1, 0, 0, 0, 0, -1, 1, 0), hvTexVertexNormal(0, 1, 0, 0, 0, -1, 0, 1) };
    mesh.Indices() = { 0, 1, 2 };

    Payload expected;
    expected.Int32(3);
    for (const ThvTexVertexNormal& v : mesh.Vertices())
        expected.Vertex(v);
    expected.Int32(3).Word(0).Word(1).Word(2);
    ASSERT_EQ(expected.Bytes().size(), 110u);

    // In the component stream: the name, the binary code 10, a 32-bit length, the payload.
    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *holder);
    std::vector<uint8_t> value = { 9 };
    value.insert(value.end(), { 'M', 'e', 's', 'h', '.', 'M', 'e', 's', 'h', 10, 110, 0, 0, 0 });
    value.insert(value.end(), expected.Bytes().begin(), expected.Bytes().end());
    const std::span<const uint8_t> stream = binary.Bytes();
    EXPECT_NE(std::search(stream.begin(), stream.end(), value.begin(), value.end()), stream.end());

    // And back.
    binary.SetPosition(0);
    rtl::TOwned<THolder3D> copy(new THolder3D(nullptr));
    copy->LoadFromStream(binary);
    EXPECT_EQ(copy->GetMesh()->Vertices(), mesh.Vertices());
    EXPECT_EQ(copy->GetMesh()->Indices(), mesh.Indices());
    EXPECT_FALSE(copy->GetMesh()->GetChanged());
}

TEST(ThvMeshData, AMeshWithoutVerticesIsNotStored)
{
    RegisterTestClasses3D();
    rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
    holder->GetMesh()->Indices() = { 0, 1, 2 };
    EXPECT_EQ(ObjectText(*holder).find("Mesh"), std::string::npos);
}

TEST(ThvMeshData, ReaderRefusesDamagedPayloadsAndKeepsTheMesh)
{
    const ThvTexVertexNormal v = hvTexVertexNormal(1, 2, 3, 0, 0, 1, 0.5f, 0.5f);
    struct Case {
        const char* name;
        Payload payload;
    };
    const Case cases[] = {
        { "negative vertex count", Payload().Int32(-1).Int32(0) },
        { "vertex count beyond the data", Payload().Int32(2).Vertex(v).Int32(0) },
        { "huge vertex count", Payload().Int32(0x7FFFFFFF).Vertex(v) },
        { "negative index count", Payload().Int32(1).Vertex(v).Int32(-3) },
        { "index count beyond the data", Payload().Int32(1).Vertex(v).Int32(3).Word(0).Word(0) },
        { "an index past the last vertex", Payload().Int32(1).Vertex(v).Int32(3).Word(0).Word(1).Word(0) },
        { "indices without vertices", Payload().Int32(0).Int32(3).Word(0).Word(0).Word(0) },
        { "no index count", Payload().Int32(1).Vertex(v) },
        { "nothing at all", Payload() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        mesh.Vertices() = { v, v, v };
        mesh.Indices() = { 0, 1, 2 };
        rtl::TConstMemoryStream stream(c.payload.Bytes().data(), c.payload.Bytes().size());
        EXPECT_THROW(mesh.ReadMesh(stream), rtl::ReadError);
        EXPECT_EQ(mesh.Vertices().size(), 3u);
        EXPECT_EQ(mesh.Indices(), (std::vector<uint16_t> { 0, 1, 2 }));
    }
}

TEST(ThvMeshData, ReaderTakesAnEmptyMeshAndTrailingIndices)
{
    struct Case {
        const char* name;
        Payload payload;
        size_t vertices;
        size_t indices;
    };
    const ThvTexVertexNormal v {};
    const Case cases[] = {
        { "both counts 0", Payload().Int32(0).Int32(0), 0, 0 },
        { "vertices without indices", Payload().Int32(2).Vertex(v).Vertex(v).Int32(0), 2, 0 },
        { "two indices after the last triangle",
            Payload().Int32(1).Vertex(v).Int32(5).Word(0).Word(0).Word(0).Word(0).Word(0), 1, 5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        rtl::TConstMemoryStream stream(c.payload.Bytes().data(), c.payload.Bytes().size());
        mesh.ReadMesh(stream);
        EXPECT_EQ(mesh.Vertices().size(), c.vertices);
        EXPECT_EQ(mesh.Indices().size(), c.indices);
    }
}

TEST(ThvMeshData, ADamagedMeshInAStoredObjectIsSkippedAndReadingGoesOn)
{
    RegisterTestClasses3D();
    rtl::TOwned<THolder3D> holder(new THolder3D(nullptr));
    holder->GetMesh()->Vertices() = { Vertex(1, 2, 3) };
    holder->GetMesh()->Indices() = { 0, 0, 0 };
    holder->SetValue(7);
    std::string text = ObjectText(*holder);
    // The three stored indices, the last six bytes of the payload, become 5, which names no
    // vertex.
    const size_t end = text.find('}');
    ASSERT_NE(end, std::string::npos) << text;
    size_t last = text.find_last_not_of(" \n\r", end - 1);
    ASSERT_GE(last, 11u);
    text.replace(last - 11, 12, "050005000500");

    rtl::TOwned<THolder3D> copy(new THolder3D(nullptr));
    copy->LoadFromStream(*TextToBinary(text));
    EXPECT_TRUE(copy->GetMesh()->Vertices().empty());
    EXPECT_EQ(copy->GetValue(), 7);
}

// ---- text properties -------------------------------------------------------------------------

TEST(ThvMeshData, TextPropertiesReadInTheirFixedLayout)
{
    ThvMeshData mesh;
    mesh.Vertices()
        = { hvTexVertexNormal(0, 0, 0, 0, 0, -1, 0, 1), hvTexVertexNormal(1, 0.5f, 0, 0.25f, 0, 0, 1, 0) };
    mesh.Indices() = { 0, 1, 2, 2, 1, 3 };
    EXPECT_EQ(mesh.GetPoints(), "0 0 0  1 0.5 0  ");
    EXPECT_EQ(mesh.GetPoints().size(), 16u);
    EXPECT_EQ(mesh.GetNormals(), "0 0 -1  0.25 0 0  ");
    EXPECT_EQ(mesh.GetTexCoordinates(), "0 1  1 0  ");
    EXPECT_EQ(mesh.GetTriangleIndices(), "0 1 2  2 1 3  ");

    ThvMeshData empty;
    EXPECT_EQ(empty.GetPoints(), "");
    EXPECT_EQ(empty.GetTriangleIndices(), "");
}

TEST(ThvMeshData, WritingPointsReadsElementByElementAndResizes)
{
    struct Case {
        const char* name;
        const char* text;
        std::vector<ThvPoint> points; // X, Y, Z of each vertex afterwards
    };
    const Case cases[] = {
        { "one vertex", "1 2 3", { { 1, 2, 3 } } },
        { "commas separate too", "1,2,3,4,5,6", { { 1, 2, 3 }, { 4, 5, 6 } } },
        { "its own read form", "0 0 0  1 0.5 0  ", { { 0, 0, 0 }, { 1, 0.5f, 0 } } },
        { "fewer vertices than before cut the array", "7 8 9", { { 7, 8, 9 } } },
        { "a single character gives no vertex", "1", {} },
        { "the empty text gives no vertex", "", {} },
        // The bad number ends its step (the vertex keeps its old Y and Z); the rest of the
        // numbers start the next vertex, and the walk ends on the last character.
        { "a bad number ends the step", "1 x 3 4 5 6", { { 1, 10, 10 }, { 3, 4, 5 } } },
        // The last number is read again when the text runs out inside a vertex.
        { "two numbers", "1 2", { { 1, 2, 2 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        mesh.Vertices() = { hvTexVertexNormal(10, 10, 10, 1, 2, 3, 4, 5),
            hvTexVertexNormal(20, 20, 20, 1, 2, 3, 4, 5), hvTexVertexNormal(30, 30, 30, 1, 2, 3, 4, 5) };
        ChangeCounter counter;
        mesh.OnChange.Bind<&ChangeCounter::Change>(&counter);
        mesh.SetPoints(c.text);
        ASSERT_EQ(mesh.Vertices().size(), c.points.size());
        for (size_t i = 0; i < c.points.size(); ++i) {
            SCOPED_TRACE(i);
            const ThvTexVertexNormal& v = mesh.Vertices()[i];
            EXPECT_EQ((ThvPoint { v.X, v.Y, v.Z }), c.points[i]);
            // Positions are written; everything else of the vertex stays.
            EXPECT_EQ(v.NY, 2);
            EXPECT_EQ(v.TV, 5);
        }
        EXPECT_EQ(counter.changes, 1);
        EXPECT_TRUE(mesh.GetChanged());
    }
}

TEST(ThvMeshData, WritingNormalsTexturesAndIndicesTouchOnlyTheirFields)
{
    ThvMeshData mesh;
    mesh.Vertices() = { hvTexVertexNormal(1, 2, 3, 0, 0, 0, 0, 0) };
    mesh.SetNormals("0 0 -1  0 1 0");
    ASSERT_EQ(mesh.Vertices().size(), 2u);
    EXPECT_EQ(mesh.Vertices()[0], hvTexVertexNormal(1, 2, 3, 0, 0, -1, 0, 0));
    EXPECT_EQ(mesh.Vertices()[1], hvTexVertexNormal(0, 0, 0, 0, 1, 0, 0, 0));

    mesh.SetTexCoordinates("0.5 0.25");
    ASSERT_EQ(mesh.Vertices().size(), 1u);
    EXPECT_EQ(mesh.Vertices()[0], hvTexVertexNormal(1, 2, 3, 0, 0, -1, 0.5f, 0.25f));

    struct Case {
        const char* text;
        std::vector<uint16_t> indices;
    };
    const Case cases[] = {
        { "0 1 2  3 4 5  ", { 0, 1, 2, 3, 4, 5 } },
        { "70000 1 2", { 4464, 1, 2 } }, // kept to the low 16 bits
        { "5 x 6", { 5, 1, 6 } }, // a bad number leaves its entry as it was
        { "0 1 2", { 0, 1, 2 } }, // a last index of one character counts
        { "3", { 3 } },
        { "4 ", { 4 } }, // a trailing blank adds no entry
        { "", {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        mesh.Indices() = { 9, 1, 9, 9, 9, 9, 9, 9 };
        mesh.SetTriangleIndices(c.text);
        EXPECT_EQ(mesh.Indices(), c.indices);
    }
}

// ---- copies and lifetime --------------------------------------------------------------------

TEST(ThvMeshData, AssignCopiesBothArraysAndNotifiesOnce)
{
    ThvMeshData source;
    source.Vertices() = { Vertex(1, 2, 3), Vertex(4, 5, 6) };
    source.Indices() = { 0, 1, 1 };
    ThvMeshData target;
    ChangeCounter counter;
    target.OnChange.Bind<&ChangeCounter::Change>(&counter);
    target.Assign(source);
    EXPECT_EQ(target.Vertices(), source.Vertices());
    EXPECT_EQ(target.Indices(), source.Indices());
    EXPECT_TRUE(target.GetChanged());
    EXPECT_EQ(counter.changes, 1);
    // A copy, not a shared array.
    source.Vertices()[0].X = 100;
    EXPECT_EQ(target.Vertices()[0].X, 1);

    ThvPosition other;
    EXPECT_THROW(target.Assign(other), rtl::ConvertError);
}

TEST(ThvMeshData, DestructionTellsTheRendererAndDropsItsHandle)
{
    ChangeCounter counter;
    {
        ThvMeshData mesh;
        mesh.SetHandle(&counter);
        mesh.OnDestroy.Bind<&ChangeCounter::Destroyed>(&counter);
    }
    EXPECT_EQ(counter.destroyed, 1);
    auto* freed = new ThvMeshData();
    freed->OnDestroy.Bind<&ChangeCounter::Destroyed>(&counter);
    freed->Free();
    EXPECT_EQ(counter.destroyed, 2);
}
