#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"

#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

// Geometry through the rings, and materials and textures, over the recording device.
class DirectXDrawTest : public ::testing::Test {
protected:
    void SetUp() override { Begin({}); }

    void Begin(RecordingOptions options)
    {
        m_runtime = StartRecording(std::move(options));
        m_canvas = MakeWindowCanvas(64, 48);
        ASSERT_TRUE(BeginFrame(*m_canvas, 0xFF000000));
        Log().ClearCalls();
        Log().ClearDraws();
    }

    Recorder& Log() { return m_runtime->GetRecorder(); }
    ThvDirectXCanvas& Canvas() { return *m_canvas; }
    RecordingDevice& Device() { return Recording(*m_canvas); }

    ModuleGuard m_guard;
    std::shared_ptr<RecordingRuntime> m_runtime;
    CanvasPtr m_canvas;
};

std::vector<ThvColorVertex> Triangles(size_t vertexCount, uint32_t color = 0xFFFFFFFF)
{
    std::vector<ThvColorVertex> vertices(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i)
        vertices[i]
            = hvColorVertex(static_cast<float>(i % 7), static_cast<float>(i % 5), 0, 0, 0, -1, color, 0, 0);
    return vertices;
}

std::vector<uint16_t> Indices(size_t count, size_t vertexCount)
{
    std::vector<uint16_t> indices(count);
    for (size_t i = 0; i < count; ++i)
        indices[i] = static_cast<uint16_t>(i % std::clamp<size_t>(vertexCount, 1, 3));
    return indices;
}

void FillMeshData(ThvMeshData& mesh, size_t vertexCount, size_t indexCount)
{
    mesh.Vertices().assign(vertexCount, hvTexVertexNormal(0.5f, 0.25f, 0, 0, -1, 0, 0.5f, 0.5f));
    mesh.Indices() = Indices(indexCount, vertexCount);
}

ThvVector Sub(const ThvVector& a, const ThvVector& b)
{
    return { a.X - b.X, a.Y - b.Y, a.Z - b.Z, 0 };
}

} // namespace

TEST_F(DirectXDrawTest, RingsWrapOnlyWhenTheNextCallDoesNotFit)
{
    // A call that ends exactly at the vertex ring's end still fits behind what came before.
    Canvas().FillTriangles(Triangles(65535), Indices(3, 3), 1);
    Canvas().DrawLine({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
    const std::vector<std::string> vertexLocks = CallsWith(Log(), "VertexBuffer1.Lock(");
    ASSERT_EQ(vertexLocks.size(), 2u);
    EXPECT_EQ(vertexLocks[0], "VertexBuffer1.Lock(0, 2359260, 0x1000)");
    EXPECT_EQ(vertexLocks[1], "VertexBuffer1.Lock(0, 72, 0x2000)");
    // The index ring wraps on its own account: it still had room.
    const std::vector<std::string> indexLocks = CallsWith(Log(), "IndexBuffer1.Lock(");
    ASSERT_EQ(indexLocks.size(), 2u);
    EXPECT_EQ(indexLocks[1], "IndexBuffer1.Lock(6, 4, 0x1000)");
    EXPECT_EQ(Canvas().GetVertexPos(), 72u);
    EXPECT_EQ(Canvas().GetIndexPos(), 10u);

    Log().ClearCalls();
    Canvas().FillTriangles(Triangles(3), Indices(131070 - 5, 3), 1);
    Canvas().DrawLine({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
    const std::vector<std::string> indexWrap = CallsWith(Log(), "IndexBuffer1.Lock(");
    ASSERT_EQ(indexWrap.size(), 2u);
    EXPECT_EQ(indexWrap[0], "IndexBuffer1.Lock(10, 262130, 0x1000)");
    EXPECT_EQ(indexWrap[1], "IndexBuffer1.Lock(0, 4, 0x2000)");
    EXPECT_EQ(CallsWith(Log(), "VertexBuffer1.Lock(")[1], "VertexBuffer1.Lock(180, 72, 0x1000)");

    // Every draw names its own place in the rings.
    const RecordedDraw& line = Log().Draws().back();
    EXPECT_EQ(line.BaseVertexIndex, 5);
    EXPECT_EQ(line.StartIndex, 0u);
    EXPECT_EQ(line.Type, D3DPT_LINELIST);
    EXPECT_EQ(line.Fvf, 0x152u);
    EXPECT_EQ(line.Stride, 36u);
}

TEST_F(DirectXDrawTest, GeometryLargerThanARingIsNotDrawnAtAll)
{
    struct Case {
        const char* name;
        size_t vertices;
        size_t indices;
        bool drawn;
    };
    const Case cases[] = {
        { "a full vertex ring", 65535, 3, true },
        { "one vertex more", 65536, 3, false },
        { "a full index ring", 3, 131070, true },
        { "one index more", 3, 131071, false },
        { "no vertices", 0, 3, false },
        { "no indices", 3, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        FillMeshData(mesh, c.vertices, c.indices);
        const size_t before = Log().Draws().size();
        const uint32_t vertexPos = Canvas().GetVertexPos();
        Canvas().FillMesh({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, mesh, 1);
        Canvas().FillTriangles(Triangles(c.vertices), Indices(c.indices, c.vertices), 1);
        EXPECT_EQ(Log().Draws().size(), before + (c.drawn ? 2 : 0));
        if (!c.drawn) {
            EXPECT_EQ(Canvas().GetVertexPos(), vertexPos);
        }
        if (c.drawn) {
            EXPECT_EQ(Log().Draws().back().PrimitiveCount, c.indices / 3);
            EXPECT_EQ(Log().Draws().back().NumVertices, c.vertices);
        }
    }
}

TEST_F(DirectXDrawTest, AFailedLockDrawsNothingAndLeavesTheRingsUsable)
{
    for (const char* failing : { "VertexBuffer1.Lock", "IndexBuffer1.Lock" }) {
        SCOPED_TRACE(failing);
        Canvas().FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
        const uint32_t vertexPos = Canvas().GetVertexPos();
        const uint32_t indexPos = Canvas().GetIndexPos();
        const size_t draws = Log().Draws().size();
        Log().Script(failing, { D3DERR_INVALIDCALL });
        Canvas().FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
        EXPECT_EQ(Log().Draws().size(), draws);
        EXPECT_EQ(Canvas().GetVertexPos(), vertexPos);
        EXPECT_EQ(Canvas().GetIndexPos(), indexPos);
        // Nothing is left locked: the next call draws.
        Canvas().FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
        EXPECT_EQ(Log().Draws().size(), draws + 1);
    }
}

TEST_F(DirectXDrawTest, MeshVerticesSnapToPixelsOnlyInScreenProjection)
{
    struct Case {
        const char* name;
        ThvRenderState projection;
        float x, y;
        float expectedX, expectedY;
    };
    const Case cases[] = {
        { "screen, positive", hvStateScreenProjection, 10.7f, 3.2f, 9.5f, 2.5f },
        { "screen, negative", hvStateScreenProjection, -10.7f, -0.2f, -10.5f, -0.5f },
        { "camera", hvStateCameraProjection, 10.7f, 3.2f, 10.7f, 3.2f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas().SetState(c.projection);
        ThvMeshData mesh;
        mesh.Vertices() = { hvTexVertexNormal(c.x / 2, c.y / 2, 0.25f, 0, 0, 2, 0.1f, 0.9f),
            hvTexVertexNormal(0, 0, 0, 0, 0, 1, 0, 0), hvTexVertexNormal(1, 1, 0, 0, 0, 1, 0, 0) };
        mesh.Indices() = { 0, 1, 2 };
        // Size 2 doubles the unit vertex; the normal keeps its length.
        Canvas().FillMesh({ 0, 0, 7, 1 }, { 2, 2, 2, 1 }, mesh, 1);
        const RecordedVertex v = Log().Draws().back().Vertex(0);
        EXPECT_FLOAT_EQ(v.X, c.expectedX);
        EXPECT_FLOAT_EQ(v.Y, c.expectedY);
        EXPECT_FLOAT_EQ(v.Z, 7.5f);
        EXPECT_FLOAT_EQ(v.NZ, 2);
        EXPECT_FLOAT_EQ(v.U, 0.1f);
        EXPECT_FLOAT_EQ(v.V, 0.9f);
    }
}

TEST_F(DirectXDrawTest, CubeFacesWindClockwiseFromOutsideWithAreaNormals)
{
    const ThvVector center { 1, -2, 3, 1 };
    Canvas().FillCube(center, { 2, 3, 5, 1 }, 1);
    ASSERT_EQ(Log().Draws().size(), 1u);
    const RecordedDraw& draw = Log().Draws()[0];
    ASSERT_EQ(draw.PrimitiveCount, 12u);
    ASSERT_EQ(draw.Indices.size(), 36u);
    const float areas[6] = { 10, 15, 15, 10, 6, 6 };
    for (uint32_t f = 0; f < 6; ++f) {
        SCOPED_TRACE(f);
        const uint32_t b = 4 * f;
        EXPECT_EQ(std::vector<uint32_t>(draw.Indices.begin() + 6 * f, draw.Indices.begin() + 6 * f + 6),
            (std::vector<uint32_t> { b, b + 1, b + 3, b + 3, b + 1, b + 2 }));
        ThvVector corner[4];
        ThvVector faceCenter {};
        for (uint32_t c = 0; c < 4; ++c) {
            const RecordedVertex v = draw.Vertex(b + c);
            corner[c] = { v.X, v.Y, v.Z, 1 };
            faceCenter = { faceCenter.X + v.X / 4, faceCenter.Y + v.Y / 4, faceCenter.Z + v.Z / 4, 1 };
            const float u[4] = { 0, 1, 1, 0 }, t[4] = { 0, 0, 1, 1 };
            EXPECT_EQ(v.U, u[c]);
            EXPECT_EQ(v.V, t[c]);
        }
        const RecordedVertex first = draw.Vertex(b);
        const ThvVector normal { first.NX, first.NY, first.NZ, 0 };
        // The normal is the negated cross product of the first two edges: with a clockwise
        // order seen from outside it points outwards, and it is as long as the face is large.
        const ThvVector cross = hvVectorCrossProduct(Sub(corner[1], corner[0]), Sub(corner[3], corner[0]));
        EXPECT_NEAR(normal.X, -cross.X, 1e-4);
        EXPECT_NEAR(normal.Y, -cross.Y, 1e-4);
        EXPECT_NEAR(normal.Z, -cross.Z, 1e-4);
        EXPECT_NEAR(hvVectorLength(normal), areas[f], 1e-4);
        EXPECT_GT(hvVectorDotProduct(normal, Sub(faceCenter, center)), 0);
    }
    // The face a new camera looks at has its texture's top left at minimum X, maximum Z.
    const RecordedVertex topLeft = draw.Vertex(0);
    EXPECT_FLOAT_EQ(topLeft.X, 0);
    EXPECT_FLOAT_EQ(topLeft.Y, -3.5f);
    EXPECT_FLOAT_EQ(topLeft.Z, 5.5f);
}

TEST_F(DirectXDrawTest, WireCubeDrawsTheTwelveEdgesOfItsBox)
{
    Canvas().DrawCube({ 0, 0, 0, 1 }, { 2, 4, 6, 1 }, 1);
    ASSERT_EQ(Log().Draws().size(), 12u);
    std::set<std::vector<float>> edges;
    for (const RecordedDraw& draw : Log().Draws()) {
        ASSERT_EQ(draw.Type, D3DPT_LINELIST);
        RecordedVertex a = draw.Vertex(0), b = draw.Vertex(1);
        std::vector<float> key { a.X, a.Y, a.Z, b.X, b.Y, b.Z };
        if (std::make_tuple(b.X, b.Y, b.Z) < std::make_tuple(a.X, a.Y, a.Z))
            key = { b.X, b.Y, b.Z, a.X, a.Y, a.Z };
        // Each edge runs along one axis over the whole box.
        const int changed = (a.X != b.X) + (a.Y != b.Y) + (a.Z != b.Z);
        EXPECT_EQ(changed, 1);
        for (float value : key)
            EXPECT_TRUE(value == 1 || value == -1 || value == 2 || value == -2 || value == 3 || value == -3);
        edges.insert(key);
    }
    EXPECT_EQ(edges.size(), 12u);
}

TEST_F(DirectXDrawTest, CallsColourTheirVerticesWithTheMaterialAndOpacity)
{
    UseColor(Canvas(), 0xFF102030);
    struct Case {
        const char* name;
        std::function<void()> draw;
        uint32_t expected;
    };
    ThvMeshData mesh;
    FillMeshData(mesh, 3, 3);
    const Case cases[] = {
        { "line at half opacity",
            [&] {
                Canvas().DrawLine({}, { 1, 0, 0, 1 }, 0.5f);
            },
            0x7F102030 },
        { "cube at full opacity",
            [&] {
                Canvas().FillCube({}, { 1, 1, 1, 1 }, 1);
            },
            0xFF102030 },
        { "mesh at a quarter",
            [&] {
                Canvas().FillMesh({}, { 1, 1, 1, 1 }, mesh, 0.25f);
            },
            0x3F102030 },
        { "triangles keep their own colours",
            [&] { Canvas().FillTriangles(Triangles(3, 0x80FFFFFF), Indices(3, 3), 0.5f); }, 0x80FFFFFF },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.draw();
        const RecordedDraw& draw = Log().Draws().back();
        for (uint32_t i = 0; i < draw.NumVertices; ++i)
            EXPECT_EQ(draw.Vertex(i).Color, c.expected) << i;
    }
}

TEST_F(DirectXDrawTest, MaterialsSetTheirPresetsAndTheDeviceMaterial)
{
    ThvBitmap bitmap(4, 4);
    struct Case {
        const char* name;
        bool textured;
        ThvTexMode mode;
        ThvShadeMode shade;
        ThvFillMode fill;
        bool lighting;
        std::vector<ThvRenderState> on;
    };
    const Case cases[] = {
        { "untextured, defaults", false, hvTexModulate, hvGouraud, hvSolid, true,
            { hvStateTextureNone, hvStateGouraud, hvStateSolid, hvStateLightingOn } },
        { "textured, replace, flat, wireframe, unlit", true, hvTexReplace, hvFlat, hvWireframe, false,
            { hvStateTextureReplace, hvStateFlat, hvStateWireframe, hvStateLightingOff } },
        { "textured, modulate", true, hvTexModulate, hvGouraud, hvSolid, true,
            { hvStateTextureModulate, hvStateGouraud, hvStateSolid, hvStateLightingOn } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMaterial* m = Canvas().GetMaterial();
        m->SetTexture(c.textured ? &bitmap : nullptr);
        m->SetBitmapMode(c.mode);
        m->SetShadeMode(c.shade);
        m->SetFillMode(c.fill);
        m->SetLighting(c.lighting);
        m->SetDiffuseColor(0x80FF0000);
        for (ThvRenderState state : c.on)
            EXPECT_TRUE(Canvas().GetStateOn(state)) << rtl::EnumName(state);
        EXPECT_EQ(Device().State().Textures[0] != nullptr, c.textured);
        const D3DMATERIAL9& material = Device().State().Material;
        EXPECT_FLOAT_EQ(material.Diffuse.r, 1);
        EXPECT_FLOAT_EQ(material.Diffuse.a, 128.0f / 255);
        EXPECT_FLOAT_EQ(material.Ambient.r, 1) << "the diffuse colour stands for the ambient one";
        EXPECT_FLOAT_EQ(material.Ambient.g, 0);
        EXPECT_FLOAT_EQ(material.Specular.g, 1);
        EXPECT_FLOAT_EQ(material.Power, 0);
    }
    Canvas().GetMaterial()->SetTexture(nullptr);

    // A texture the device refuses leaves the material untextured.
    ThvBitmap refused(8, 8);
    Log().Script("CreateTexture", { D3DERR_OUTOFVIDEOMEMORY });
    UseTexture(Canvas(), &refused);
    EXPECT_TRUE(Canvas().GetStateOn(hvStateTextureNone));
    EXPECT_TRUE(refused.TextureCanvases().empty());
    Canvas().GetMaterial()->SetTexture(nullptr);
}

TEST_F(DirectXDrawTest, TilingAndSubRectangleMakeTheTextureMatrix)
{
    ThvBitmap bitmap(128, 128);
    struct Case {
        const char* name;
        float tileX, tileY;
        float rect[4];
        uint32_t flags;
        float scaleX, scaleY, offsetX, offsetY;
    };
    const Case cases[] = {
        { "tiles repeat the texture", 2, 3, { 0, 0, 0, 0 }, D3DTTFF_COUNT2, 2, 3, 0, 0 },
        { "a rectangle replaces the tiles", 2, 3, { 10, 20, 74, 84 }, D3DTTFF_COUNT2, 0.5f, 0.5f, 0.078125f,
            0.15625f },
        { "neither: no texture transform", 1, 1, { 0, 0, 0, 0 }, D3DTTFF_DISABLE, 1, 1, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMaterial* m = Canvas().GetMaterial();
        m->GetBitmapRect()->Setleft(c.rect[0]);
        m->GetBitmapRect()->Settop(c.rect[1]);
        m->GetBitmapRect()->Setright(c.rect[2]);
        m->GetBitmapRect()->Setbottom(c.rect[3]);
        m->SetBitmapTileX(c.tileX);
        m->SetBitmapTileY(c.tileY);
        Device().SetTransform(D3DTS_TEXTURE0, hvMatrixToD3D(hvIdentityMatrix));
        UseTexture(Canvas(), &bitmap);
        EXPECT_EQ(Device().State().StageState(D3DTSS_TEXTURETRANSFORMFLAGS), c.flags);
        if (c.flags == D3DTTFF_DISABLE)
            continue;
        const D3DMATRIX& t = Device().State().TextureMatrices[0];
        EXPECT_FLOAT_EQ(t.m[0][0], c.scaleX);
        EXPECT_FLOAT_EQ(t.m[1][1], c.scaleY);
        EXPECT_FLOAT_EQ(t.m[2][0], c.offsetX);
        EXPECT_FLOAT_EQ(t.m[2][1], c.offsetY);
    }
    Canvas().GetMaterial()->SetTexture(nullptr);
}

TEST_F(DirectXDrawTest, OneTextureABitmapAndCanvasUploadedWhenThePixelsChange)
{
    ModuleGuard guard;
    RecordingOptions options;
    options.PitchPadding = 20;
    Begin(options);
    ThvBitmap bitmap(64, 64);
    uint32_t* bits = nullptr;
    ASSERT_TRUE(bitmap.Map(bits, true));
    for (uint32_t i = 0; i < 64 * 64; ++i)
        bits[i] = 0xFF000000u | i;
    bitmap.Unmap();

    const auto texture = [&](ThvDirectXCanvas& canvas) {
        return std::dynamic_pointer_cast<RecordingTexture>(canvas.GetTexture(&bitmap));
    };
    // Two materials of one bitmap share the canvas's texture, uploaded once.
    UseTexture(Canvas(), &bitmap);
    UseTexture(Canvas(), nullptr);
    UseTexture(Canvas(), &bitmap);
    EXPECT_EQ(CallsWith(Log(), ".CreateTexture(").size(), 1u);
    ASSERT_TRUE(texture(Canvas()));
    EXPECT_EQ(texture(Canvas())->UploadCount(), 1);
    EXPECT_FALSE(bitmap.GetNeedUpdate());
    EXPECT_EQ(texture(Canvas())->Pixel(5, 7), bits[7 * 64 + 5]) << "rows land at the texture's pitch";
    EXPECT_EQ(texture(Canvas())->Pixel(63, 63), bits[64 * 64 - 1]);

    // Changed pixels are uploaded again on the next use.
    ASSERT_TRUE(bitmap.Map(bits, true));
    bits[0] = 0xFF123456;
    bitmap.Unmap();
    UseTexture(Canvas(), &bitmap);
    EXPECT_EQ(texture(Canvas())->UploadCount(), 2);
    EXPECT_EQ(texture(Canvas())->Pixel(0, 0), 0xFF123456u);

    // Pixels changed in parts go up part by part.
    ASSERT_TRUE(bitmap.Map(bits, true));
    bits[3 * 64 + 5] = 0xFF654321;
    bits[0] = 0xFF000001;
    const ThvBitmap::Area part[] = { { 5, 3, 6, 4 } };
    bitmap.Unmap(part);
    UseTexture(Canvas(), &bitmap);
    EXPECT_EQ(texture(Canvas())->UploadCount(), 3);
    EXPECT_EQ(texture(Canvas())->Pixel(5, 3), 0xFF654321u);
    EXPECT_EQ(texture(Canvas())->Pixel(0, 0), 0xFF123456u) << "outside the part the texture keeps its pixels";
    EXPECT_TRUE(bitmap.ChangedAreas().empty());

    // A second canvas holds a texture of its own.
    CanvasPtr other = MakeWindowCanvas(8, 8);
    UseTexture(*other, &bitmap);
    EXPECT_EQ(bitmap.TextureCanvases().size(), 2u);
    EXPECT_NE(texture(*other), texture(Canvas()));

    // A new size: both textures are dropped, a new one of the new size is made on next use.
    bitmap.SetSize(100, 50);
    EXPECT_TRUE(bitmap.TextureCanvases().empty());
    UseTexture(Canvas(), &bitmap);
    D3DSURFACE_DESC desc {};
    ASSERT_TRUE(texture(Canvas()));
    texture(Canvas())->GetLevelDesc(0, desc);
    EXPECT_EQ(desc.Width, 100u);
    EXPECT_EQ(desc.Height, 50u);
    EXPECT_EQ(texture(Canvas())->UploadCount(), 1);

    // A texture that cannot be locked keeps its pixels; the bitmap is not asked again.
    bitmap.SetNeedUpdate(true);
    Log().Script("LockRect", { D3DERR_INVALIDCALL });
    UseTexture(Canvas(), &bitmap);
    EXPECT_FALSE(bitmap.GetNeedUpdate());
    EXPECT_EQ(texture(Canvas())->UploadCount(), 1);

    UseTexture(Canvas(), nullptr);
    UseTexture(*other, nullptr);
}
