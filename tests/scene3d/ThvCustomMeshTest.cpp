// Mesh shapes: drawing their mesh at their size, and picking by box, then by triangles.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/ThvCustomMesh.h"
#include "scene3d/ThvMeshData.h"

#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvCustomMeshTest : public VisualFixture {
protected:
    /// A mesh of one triangle in the local X-Y plane, z = 0: (-0.5, -0.5), (0.5, -0.5), (-0.5, 0.5).
    ThvMesh* Triangle()
    {
        auto* mesh = Make<ThvMesh>();
        mesh->GetData()->Vertices() = {
            hvTexVertexNormal(-0.5f, -0.5f, 0, 0, 0, 1, 0, 0),
            hvTexVertexNormal(0.5f, -0.5f, 0, 0, 0, 1, 1, 0),
            hvTexVertexNormal(-0.5f, 0.5f, 0, 0, 0, 1, 0, 1),
        };
        mesh->GetData()->Indices() = { 0, 1, 2 };
        mesh->SetWidth(4);
        mesh->SetHeight(4);
        return mesh;
    }

    /// A ray straight down the -Z axis through (x, y).
    static bool Cast(ThvVisualObject& object, float x, float y, ThvVector& hit)
    {
        return object.RayCastIntersect({ x, y, 10, 1 }, { 0, 0, -1, 0 }, hit);
    }
};

TEST_F(ThvCustomMeshTest, TheMeshIsDrawnAtTheObjectsSize)
{
    ThvMesh* mesh = Triangle();
    mesh->SetDepth(2);
    mesh->SetOpacity(0.5f);
    mesh->Render();
    EXPECT_EQ(canvas->log, (std::vector<std::string> { "FillMesh (0,0,0) (4,4,2) 3/3 0.5" }));
}

TEST_F(ThvCustomMeshTest, PickedByItsTrianglesInsideItsBox)
{
    ThvMesh* mesh = Triangle();
    struct Case {
        const char* name;
        float x, y;
        bool hit;
    } const cases[] = {
        { "inside the triangle", -1, -1, true },
        { "in the box, off the triangle", 1.5f, 1.5f, false },
        { "outside the box", 5, 0, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvVector hit;
        EXPECT_EQ(Cast(*mesh, c.x, c.y, hit), c.hit);
        if (c.hit) {
            EXPECT_TRUE(Near(hit, { c.x, c.y, 0 }));
        }
    }
}

TEST_F(ThvCustomMeshTest, BrokenTrianglesAreSkipped)
{
    ThvMesh* mesh = Triangle();
    // A first triangle naming a vertex that does not exist, then the real one, then a
    // dangling index.
    mesh->GetData()->Indices() = { 0, 1, 7, 0, 1, 2, 2 };
    ThvVector hit;
    EXPECT_TRUE(Cast(*mesh, -1, -1, hit));
    EXPECT_TRUE(Near(hit, { -1, -1, 0 }));
}

TEST_F(ThvCustomMeshTest, AnEmptyMeshIsPickedAsItsBoxOnlyInTheDesigner)
{
    auto* mesh = Make<ThvMesh>();
    ThvVector hit;
    EXPECT_FALSE(Cast(*mesh, 0, 0, hit));
    scene->SetDesigning(true);
    EXPECT_TRUE(Cast(*mesh, 0, 0, hit));
    EXPECT_TRUE(Near(hit, { 0, 0, 0.5f })); // the face the ray enters
    mesh->GetData()->Vertices().resize(3); // vertices but no triangles: still empty
    EXPECT_TRUE(Cast(*mesh, 0, 0, hit));
}

TEST_F(ThvCustomMeshTest, TheDataIsCopiedAndStored)
{
    RegisterTestClasses3D();
    rtl::RegisterClass<ThvMesh>();
    EXPECT_EQ(ThvCustomMesh::StaticClass().FindProp("Data"), nullptr);
    EXPECT_NE(ThvMesh::StaticClass().FindProp("Data"), nullptr);

    ThvMesh* mesh = Triangle();
    ThvMeshData other;
    other.SetPoints("1 2 3  4 5 6");
    scene->updateRequests = 0;
    mesh->SetData(&other);
    EXPECT_EQ(mesh->GetData()->Vertices().size(), 2u);
    EXPECT_GT(scene->updateRequests, 0);

    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *Triangle());
    stream.SetPosition(0);
    auto* copy = dynamic_cast<ThvMesh*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetData()->Vertices().size(), 3u);
    EXPECT_EQ(copy->GetData()->Indices(), (std::vector<uint16_t> { 0, 1, 2 }));
}

} // namespace
