// The built-in primitives: their meshes (counts from the construction, the unit box, winding,
// normals, texture seams and a few worked vertices), how they are drawn and picked, and the
// bodies they ask the physics engine for.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/Library3D.h"
#include "scene3d/ShapeObjects.h"
#include "scene3d/ThvCone.h"
#include "scene3d/ThvCube.h"
#include "scene3d/ThvCylinder.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvPlane.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvPrimitiveMeshes.h"
#include "scene3d/ThvRoundCube.h"
#include "scene3d/ThvSphere.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

using namespace scene3dtest;

namespace {

struct Primitive {
    const char* name;
    std::function<void(ThvMeshData&)> build;
    size_t positions; // distinct positions
    size_t triangles;
    bool flat; // the plane: one face, no volume
};

// Counts from the construction: a grid of (n + 1) x (m + 1) points per face, 10 f^2 + 2
// points of a geodesic sphere of frequency f, rings times sides plus centres and apex.
const Primitive kPrimitives[] = {
    { "plane", scene3d::BuildPlaneMesh, 11 * 11, 10 * 10 * 2, true },
    // 6 x 6 cells on two faces, 6 x 7 on four; the faces' edges share positions.
    // The Z faces' 7 x 7 points, and six rows between them of 24 points around the sides.
    { "cube", scene3d::BuildCubeMesh, 2 * 7 * 7 + 6 * 24, 2 * 36 * 2 + 4 * 42 * 2, false },
    { "sphere", scene3d::BuildSphereMesh, 10 * 36 + 2, 20 * 36, false },
    { "cylinder", scene3d::BuildCylinderMesh, 6 * 18 + 2, 5 * 18 * 2 + 2 * 18, false },
    { "cone", scene3d::BuildConeMesh, 4 * 20 + 2, 3 * 20 * 2 + 20 + 20, false },
    // Per half: the flat square's 4 corners and three rings of 16 (4 flat sides, 4 arcs of 3).
    { "round cube", scene3d::BuildRoundCubeMesh, 2 * (4 + 3 * 16), 2 * (2 + 2 * 32 + 8 + 12) + 32, false },
};

ThvVector At(const ThvTexVertexNormal& v)
{
    return { v.X, v.Y, v.Z, 1 };
}

ThvVector NormalOf(const ThvTexVertexNormal& v)
{
    return { v.NX, v.NY, v.NZ, 0 };
}

TEST(PrimitiveMeshTest, CountsFollowFromTheConstruction)
{
    for (const Primitive& p : kPrimitives) {
        SCOPED_TRACE(p.name);
        ThvMeshData mesh;
        p.build(mesh);
        std::set<std::tuple<float, float, float>> positions;
        for (const ThvTexVertexNormal& v : mesh.Vertices())
            positions.insert({ v.X, v.Y, v.Z });
        EXPECT_EQ(positions.size(), p.positions);
        EXPECT_EQ(mesh.Indices().size(), 3 * p.triangles);
        EXPECT_TRUE(mesh.GetChanged());

        // Every index names a vertex and every vertex is used.
        std::vector<bool> used(mesh.Vertices().size());
        for (uint16_t i : mesh.Indices()) {
            ASSERT_LT(i, mesh.Vertices().size());
            used[i] = true;
        }
        EXPECT_TRUE(std::all_of(used.begin(), used.end(), [](bool u) { return u; }));
    }
}

TEST(PrimitiveMeshTest, MeshesFillTheUnitBox)
{
    for (const Primitive& p : kPrimitives) {
        SCOPED_TRACE(p.name);
        ThvMeshData mesh;
        p.build(mesh);
        std::array<float, 3> low { 1, 1, 1 }, high { -1, -1, -1 };
        for (const ThvTexVertexNormal& v : mesh.Vertices()) {
            const float c[3] = { v.X, v.Y, v.Z };
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], c[axis]);
                high[axis] = std::max(high[axis], c[axis]);
            }
        }
        // The geodesic sphere has points on the Z axis only; around it, its points come within
        // half a per cent of the box.
        const float reach = std::string(p.name) == "sphere" ? 0.005f : 1e-6f;
        for (int axis = 0; axis < 3; ++axis) {
            SCOPED_TRACE(axis);
            EXPECT_GE(low[axis], -0.5f);
            EXPECT_LE(high[axis], 0.5f);
            EXPECT_NEAR(low[axis], -0.5f, axis == 2 ? 1e-6f : reach);
            EXPECT_NEAR(high[axis], p.flat && axis == 2 ? -0.5f : 0.5f, axis == 2 ? 1e-6f : reach);
        }
    }
}

TEST(PrimitiveMeshTest, TrianglesWindIntoTheSolidAndNormalsPointOut)
{
    for (const Primitive& p : kPrimitives) {
        SCOPED_TRACE(p.name);
        ThvMeshData mesh;
        p.build(mesh);
        const std::vector<ThvTexVertexNormal>& v = mesh.Vertices();
        const std::vector<uint16_t>& ix = mesh.Indices();
        int flat = 0;
        for (size_t t = 0; t < ix.size(); t += 3) {
            const ThvTexVertexNormal &a = v[ix[t]], &b = v[ix[t + 1]], &c = v[ix[t + 2]];
            const ThvVector cross
                = hvVectorCrossProduct(hvVectorSubtract(At(b), At(a)), hvVectorSubtract(At(c), At(a)));
            if (hvVectorLength(cross) < 1e-7f) {
                ++flat;
                continue;
            }
            for (const ThvTexVertexNormal* corner : { &a, &b, &c })
                EXPECT_LT(hvVectorDotProduct(cross, NormalOf(*corner)), 0) << "triangle " << t / 3;
        }
        EXPECT_EQ(flat, 0);
        for (const ThvTexVertexNormal& vertex : v) {
            EXPECT_NEAR(hvVectorLength(NormalOf(vertex)), 1, 1e-5);
            if (!p.flat) {
                EXPECT_GT(hvVectorDotProduct(NormalOf(vertex), At(vertex)), 0);
            }
        }
    }
}

TEST(PrimitiveMeshTest, NoTriangleOfAWrappedSurfaceSpansTheSeam)
{
    // The wrapped surfaces: each of their triangles covers a small part of the turn, so its
    // texture must not run the long way round. Caps and flat faces are projected, not wrapped.
    auto wrapped = [](const ThvTexVertexNormal& v) { return std::fabs(v.NX) < 0.99f; };
    struct Case {
        const char* name;
        std::function<void(ThvMeshData&)> build;
        float widest; // the largest part of the turn one triangle covers
    };
    const Case cases[] = {
        // At a pole one triangle spans a whole face of the icosahedron, a fifth of the turn.
        { "sphere", scene3d::BuildSphereMesh, 0.2f + 1e-4f },
        { "cylinder", scene3d::BuildCylinderMesh, 1.0f / 18 + 1e-4f },
        { "cone", scene3d::BuildConeMesh, 1.0f / 20 + 1e-4f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        c.build(mesh);
        const std::vector<ThvTexVertexNormal>& v = mesh.Vertices();
        const std::vector<uint16_t>& ix = mesh.Indices();
        int seen = 0;
        for (size_t t = 0; t < ix.size(); t += 3) {
            const ThvTexVertexNormal* corners[3] = { &v[ix[t]], &v[ix[t + 1]], &v[ix[t + 2]] };
            if (!std::all_of(corners, corners + 3, [&](auto* corner) { return wrapped(*corner); }))
                continue;
            ++seen;
            const float tu[3] = { corners[0]->TU, corners[1]->TU, corners[2]->TU };
            EXPECT_LE(*std::max_element(tu, tu + 3) - *std::min_element(tu, tu + 3), c.widest)
                << "triangle " << t / 3;
        }
        EXPECT_GT(seen, 0);
    }
}

// ---- worked vertices ----------------------------------------------------------------------

struct Row {
    ThvPoint position;
    float tu, tv;
    ThvVector normal; // direction only; zero: any
};

/// A vertex at `row.position` (within `positionTolerance`) with that texture point (within
/// `textureTolerance`) and, when given, a normal in that direction.
::testing::AssertionResult HasRow(
    const ThvMeshData& mesh, const Row& row, float positionTolerance = 1e-4f, float textureTolerance = 1e-4f)
{
    for (const ThvTexVertexNormal& v : mesh.Vertices()) {
        if (std::fabs(v.X - row.position.X) > positionTolerance
            || std::fabs(v.Y - row.position.Y) > positionTolerance
            || std::fabs(v.Z - row.position.Z) > positionTolerance)
            continue;
        if (std::fabs(v.TU - row.tu) > textureTolerance || std::fabs(v.TV - row.tv) > textureTolerance)
            continue;
        if (hvVectorLength(row.normal) > 0 && hvVectorAngleCosine(NormalOf(v), row.normal) < 0.9999f)
            continue;
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
        << "no vertex " << LogVector(hvPointToVector(row.position, 1)) << " tex " << row.tu << " " << row.tv;
}

TEST(PrimitiveMeshTest, WorkedRowsOfEachMesh)
{
    struct Case {
        const char* name;
        std::function<void(ThvMeshData&)> build;
        std::vector<Row> rows;
        float positionTolerance;
        float textureTolerance;
    };
    const Case cases[] = {
        { "plane", scene3d::BuildPlaneMesh,
            { { { -0.5f, -0.5f, -0.5f }, 0, 1, { 0, 0, 1, 0 } },
                { { -0.4f, 0.5f, -0.5f }, 0.1f, 0, { 0, 0, 1, 0 } },
                { { 0.5f, 0.3f, -0.5f }, 1, 0.2f, { 0, 0, 1, 0 } } },
            1e-6f, 1e-6f },
        { "cube", scene3d::BuildCubeMesh,
            { { { -0.5f, -0.5f, -0.5f }, 1, 1, { 0, 0, -1, 0 } },
                { { 0.5f, -0.5f, -0.5f }, 0, 1, { 0, 0, -1, 0 } },
                { { -0.5f, -0.5f, 0.5f }, 0, 1, { 0, 0, 1, 0 } },
                { { -0.5f, -0.5f, -0.3571f }, 0, 0.8571f, { 0, -1, 0, 0 } },
                // Around the sides TU grows: -Y, +X, +Y, -X, each with TV 0 at its +Z edge.
                { { 0.5f, 0.5f, 0.5f }, 1, 0, { 1, 0, 0, 0 } },
                { { 0.5f, 0.5f, 0.5f }, 0, 0, { 0, 1, 0, 0 } },
                { { -0.5f, -0.5f, 0.5f }, 1, 0, { -1, 0, 0, 0 } } },
            1e-4f, 1e-4f },
        // The stored sphere's points lie up to a degree off the ideal icosahedron; its texture
        // is compared with a tolerance.
        { "sphere", scene3d::BuildSphereMesh,
            { { { 0, 0, 0.5f }, 0.6f, 0, {} }, { { 0.4486f, 0.0102f, 0.2236f }, 0.5f, 0.3524f, {} },
                { { 0.3569f, 0.2711f, -0.2236f }, 0.6f, 0.6476f, {} } },
            0.02f, 0.01f },
        { "cylinder", scene3d::BuildCylinderMesh,
            { { { 0.5f, 0, 0.5f }, 0.75f, 1, {} }, { { 0.5f, 0.1736f, 0.4698f }, 0.8056f, 1, {} },
                { { 0.3f, 0.5f, 0.0868f }, 0.9722f, 0.8f, {} },
                // Across the seam on +Y the same point comes back one turn lower.
                { { 0.3f, 0.5f, 0.0868f }, -0.0278f, 0.8f, {} },
                { { 0.3f, 0.5f, -0.0868f }, 0.0278f, 0.8f, {} }, { { 0.5f, 0, 0 }, 0.5f, 1, { 1, 0, 0, 0 } },
                { { -0.5f, 0, 0 }, 0.5f, 0, { -1, 0, 0, 0 } } },
            1e-4f, 1e-4f },
        { "cone", scene3d::BuildConeMesh,
            { { { -0.5f, 0, -0.5f }, 0.75f, 1, {} }, { { -0.5f, 0.5f, 0 }, 0, 1, {} },
                { { 0, 0.25f, 0 }, 0, 0.5f, {} }, { { -0.5f, 0, 0 }, 0.5f, 1, { -1, 0, 0, 0 } },
                { { 0.5f, 0, 0 }, 0.775f, 0, {} } },
            1e-4f, 1e-4f },
        { "round cube", scene3d::BuildRoundCubeMesh,
            { { { -0.42f, 0.42f, 0.5f }, 0.08f, 0.08f, { 0, 0, 1, 0 } },
                { { -0.42f, 0.46f, 0.4893f }, 0.08f, 0.04f, {} },
                { { -0.5f, -0.42f, -0.42f }, 0.2308f, 1, { -1, 0, 0, 0 } },
                // Projected from below on the bottom.
                { { 0.42f, 0.42f, -0.5f }, 0.92f, 0.92f, { 0, 0, -1, 0 } },
                // The band starts at (-0.42, 0.5) towards -X and closes there at 1.
                { { -0.42f, 0.5f, 0.42f }, 0, 0, { 0, 1, 0, 0 } },
                { { -0.42f, 0.5f, 0.42f }, 1, 0, { 0, 1, 0, 0 } } },
            1e-4f, 1e-4f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData mesh;
        c.build(mesh);
        for (const Row& row : c.rows)
            EXPECT_TRUE(HasRow(mesh, row, c.positionTolerance, c.textureTolerance));
    }
}

TEST(PrimitiveMeshTest, ThePlaneKeepsItsRowsInOrder)
{
    ThvMeshData mesh;
    scene3d::BuildPlaneMesh(mesh);
    const std::vector<uint16_t>& ix = mesh.Indices();
    ASSERT_GE(ix.size(), 6u);
    EXPECT_EQ(
        std::vector<uint16_t>(ix.begin(), ix.begin() + 6), (std::vector<uint16_t> { 11, 12, 0, 1, 0, 12 }));
    // Vertex 11r + c at (-0.5 + 0.1c, -0.5 + 0.1r).
    EXPECT_EQ(mesh.Vertices()[25], hvTexVertexNormal(-0.2f, -0.3f, -0.5f, 0, 0, 1, 0.3f, 0.8f));
}

TEST(PrimitiveMeshTest, SpherePolesCarryTheirFacesMiddles)
{
    ThvMeshData mesh;
    scene3d::BuildSphereMesh(mesh);
    std::vector<float> top, bottom;
    for (const ThvTexVertexNormal& v : mesh.Vertices()) {
        if (v.X == 0 && v.Y == 0)
            (v.Z > 0 ? top : bottom).push_back(std::round(v.TU * 1000) / 1000);
    }
    std::sort(top.begin(), top.end());
    std::sort(bottom.begin(), bottom.end());
    EXPECT_EQ(top, (std::vector<float> { 0, 0.2f, 0.4f, 0.6f, 0.8f }));
    EXPECT_EQ(bottom, (std::vector<float> { -0.1f, 0.1f, 0.3f, 0.5f, 0.7f }));
}

TEST(PrimitiveMeshTest, TheRoundCubeBandWrapsInItsSteps)
{
    ThvMeshData mesh;
    scene3d::BuildRoundCubeMesh(mesh);
    // The band's triangles are the ones that reach from one rim to the other.
    const std::vector<ThvTexVertexNormal>& v = mesh.Vertices();
    const std::vector<uint16_t>& ix = mesh.Indices();
    std::set<float> tu;
    for (size_t t = 0; t < ix.size(); t += 3) {
        const ThvTexVertexNormal* corners[3] = { &v[ix[t]], &v[ix[t + 1]], &v[ix[t + 2]] };
        const bool up = std::any_of(corners, corners + 3, [](auto* c) { return c->Z > 0.41f; });
        const bool down = std::any_of(corners, corners + 3, [](auto* c) { return c->Z < -0.41f; });
        if (up && down) {
            for (const ThvTexVertexNormal* c : corners)
                tu.insert(c->TU);
        }
    }
    const std::vector<float> steps(tu.begin(), tu.end());
    ASSERT_EQ(steps.size(), 17u);
    // Arcs (-X, +Y), (-X, -Y), (+X, -Y), (+X, +Y) in three steps of 0.0099, the flat sides
    // between them; the last side (+Y) runs to 1.
    const std::pair<size_t, float> ends[] = { { 0, 0.0f }, { 3, 0.0297f }, { 4, 0.2308f }, { 7, 0.2606f },
        { 8, 0.4617f }, { 11, 0.4914f }, { 12, 0.6925f }, { 15, 0.7223f }, { 16, 1.0f } };
    for (const auto& [index, value] : ends) {
        SCOPED_TRACE(index);
        EXPECT_NEAR(steps[index], value, 1e-4);
    }
    for (size_t arc : { 0u, 4u, 8u, 12u }) {
        for (size_t i = arc; i < arc + 3; ++i)
            EXPECT_NEAR(steps[i + 1] - steps[i], 0.0099f, 1e-4) << i;
    }
}

// ---- the objects --------------------------------------------------------------------------

class ThvPrimitivesTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        RegisterTestClasses3D();
    }
    static constexpr ThvVector kDown { 0, 0, -1, 0 };
};

TEST_F(ThvPrimitivesTest, EachPrimitiveDrawsItsOwnMeshAtItsSize)
{
    struct Case {
        const char* name;
        ThvCustomMesh* object;
        std::function<void(ThvMeshData&)> build;
    };
    const Case cases[] = {
        { "plane", Make<ThvPlane>(), scene3d::BuildPlaneMesh },
        { "cube", Make<ThvCube>(), scene3d::BuildCubeMesh },
        { "sphere", Make<ThvSphere>(), scene3d::BuildSphereMesh },
        { "cylinder", Make<ThvCylinder>(), scene3d::BuildCylinderMesh },
        { "cone", Make<ThvCone>(), scene3d::BuildConeMesh },
        { "round cube", Make<ThvRoundCube>(), scene3d::BuildRoundCubeMesh },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvMeshData expected;
        c.build(expected);
        EXPECT_EQ(c.object->GetData()->Vertices(), expected.Vertices());
        EXPECT_EQ(c.object->GetData()->Indices(), expected.Indices());
        c.object->SetVisible(false);
    }
    // The mesh is not stored with the object: it is made again by the class.
    EXPECT_EQ(ObjectText(*cases[2].object).find("Mesh"), std::string::npos);

    auto* plane = dynamic_cast<ThvPlane*>(cases[0].object);
    plane->SetVisible(true);
    plane->SetWidth(4);
    plane->SetHeight(4);
    DrawFrame(*scene, *canvas);
    EXPECT_EQ(
        canvas->Lines("FillMesh"), std::vector<std::string> { "FillMesh (0,0,0) (4,4,0.01) 121/600 1" });
}

TEST_F(ThvPrimitivesTest, ThePlaneIsAlwaysOneHundredthDeep)
{
    auto* plane = Make<ThvPlane>();
    EXPECT_FLOAT_EQ(plane->GetDepth(), 0.01f);
    plane->SetDepth(2);
    EXPECT_FLOAT_EQ(plane->GetDepth(), 0.01f);
    EXPECT_EQ(ObjectText(*plane).find("Depth"), std::string::npos);
}

TEST_F(ThvPrimitivesTest, AHeldPlaneIsHitFarBeyondItsEdges)
{
    auto* plane = Make<ThvPlane>();
    plane->SetWidth(4);
    plane->SetHeight(4);
    plane->GetPosition()->SetPoint({ 1, 2, 3 });
    ThvVector hit;
    ASSERT_TRUE(plane->RayCastIntersect({ 1, -1, 10, 1 }, kDown, hit));
    // The plane's top face at 0.005 above its centre, in world coordinates.
    EXPECT_TRUE(Near(hit, { 2, 1, 3.005f, 1 }));
    // Three widths to the side: missed, unless the plane holds the mouse.
    EXPECT_FALSE(plane->RayCastIntersect({ 12, 0, 10, 1 }, kDown, hit));
    scene->SetCaptured(plane);
    ASSERT_TRUE(plane->RayCastIntersect({ 12, 0, 10, 1 }, kDown, hit));
    // The enlarged box is no deeper: the hit stays on the plane's own face.
    EXPECT_TRUE(Near(hit, { 13, 2, 3.005f, 1 }));
    EXPECT_FALSE(plane->RayCastIntersect({ 21, 0, 10, 1 }, kDown, hit));
}

TEST_F(ThvPrimitivesTest, SpheresArePickedAsTheEllipsoidInTheirBox)
{
    auto* sphere = Make<ThvSphere>();
    sphere->SetWidth(4);
    sphere->SetHeight(4);
    sphere->SetDepth(4);
    sphere->GetPosition()->SetPoint({ 1, 2, 3 });
    ThvVector hit;
    ASSERT_TRUE(sphere->RayCastIntersect({ 0, -10, 0, 1 }, { 0, 1, 0, 0 }, hit));
    EXPECT_TRUE(Near(hit, { 1, 0, 3, 1 }));
    // A box corner is not the sphere.
    EXPECT_FALSE(sphere->RayCastIntersect({ 1.9f, -10, 1.9f, 1 }, { 0, 1, 0, 0 }, hit));

    // Flattened: an ellipsoid 4 wide, 2 high, 1 deep.
    sphere->SetHeight(2);
    sphere->SetDepth(1);
    ASSERT_TRUE(sphere->RayCastIntersect({ -10, 0, 0, 1 }, { 1, 0, 0, 0 }, hit));
    EXPECT_TRUE(Near(hit, { -1, 2, 3, 1 }));
    ASSERT_TRUE(sphere->RayCastIntersect({ 0, 0, 10, 1 }, kDown, hit));
    EXPECT_TRUE(Near(hit, { 1, 2, 3.5f, 1 }));

    sphere->SetDepth(0);
    EXPECT_FALSE(sphere->RayCastIntersect({ 0, -10, 0, 1 }, { 0, 1, 0, 0 }, hit));
}

TEST_F(ThvPrimitivesTest, CubesArePickedOnTheirBoxRoundCubesOnTheirTriangles)
{
    auto* cube = Make<ThvCube>();
    auto* round = Make<ThvRoundCube>();
    ThvVector hit;
    // Straight down through a corner column that the rounding cuts away.
    const ThvVector corner { 0.49f, 0.49f, 10, 1 };
    EXPECT_TRUE(cube->RayCastIntersect(corner, kDown, hit));
    EXPECT_FALSE(round->RayCastIntersect(corner, kDown, hit));
    // Just outside the cube's faces, within the box test's tolerance.
    EXPECT_TRUE(cube->RayCastIntersect({ 0.5005f, 0, 10, 1 }, kDown, hit));
    // Through the middle both are hit on their top.
    ASSERT_TRUE(round->RayCastIntersect({ 0.1f, 0.1f, 10, 1 }, kDown, hit));
    EXPECT_TRUE(Near(hit, { 0.1f, 0.1f, 0.5f, 1 }));
    auto* cone = Make<ThvCone>();
    // Beside the apex, inside the box: the cone is not there.
    EXPECT_FALSE(cone->RayCastIntersect({ 0.45f, 0.3f, 10, 1 }, kDown, hit));
    EXPECT_TRUE(cone->RayCastIntersect({ -0.45f, 0.3f, 10, 1 }, kDown, hit));
}

TEST_F(ThvPrimitivesTest, BodiesTakeTheShapeOfTheSolid)
{
    UseFakePhysics physics;
    struct Case {
        const char* name;
        ThvVisualObject* object;
        const char* body;
    };
    const Case cases[] = {
        { "plane", Make<ThvPlane>(), "CreateBox 1 2 0.01" },
        { "cube", Make<ThvCube>(), "CreateBox 1 2 3" },
        { "round cube", Make<ThvRoundCube>(), "CreateBox 1 2 3" },
        { "sphere", Make<ThvSphere>(), "CreateSphere 1 2 3" },
        { "cylinder", Make<ThvCylinder>(), "CreateCylinder 1 2 3" },
        { "cone", Make<ThvCone>(), "CreateCone 1 2 3" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.object->SetHeight(2);
        c.object->SetDepth(3);
        TFakePhysics::log.clear();
        c.object->SetDynamic(true);
        EXPECT_EQ(TFakePhysics::log, std::vector<std::string> { c.body });
        EXPECT_NE(c.object->GetBody(), 0);
        // A collider only is a body too; neither is none.
        TFakePhysics::log.clear();
        c.object->SetCollider(true);
        c.object->SetDynamic(false);
        EXPECT_NE(c.object->GetBody(), 0);
        c.object->SetCollider(false);
        EXPECT_EQ(c.object->GetBody(), 0);
    }
}

TEST_F(ThvPrimitivesTest, ShapedBodiesIgnoreTheInvisibleAtRunTimeSetting)
{
    UseFakePhysics physics;
    auto* sphere = Make<ThvSphere>();
    auto* cube = Make<ThvCube>();
    sphere->SetDynamic(true);
    cube->SetDynamic(true);
    scene->SetInvisibleAtRuntime(true);
    TFakePhysics::log.clear();
    sphere->CreateBody();
    cube->CreateBody();
    // The sphere's body of before is replaced, not left behind; the cube keeps its own.
    EXPECT_EQ(TFakePhysics::log, (std::vector<std::string> { "DestroyBody 1", "CreateSphere 1 1 1" }));
}

TEST(PrimitiveRegistrationTest, ThePrimitivesTakeTheirPlacesInTheShapesPalette)
{
    Finalize3DLibrary();
    Initialize3DLibrary();
    RegisterShapeObjects();
    // The registry holds the most recent first: read it backwards for the palette's order.
    std::vector<std::string> shapes;
    for (auto it = hvObjectRegistry().rbegin(); it != hvObjectRegistry().rend(); ++it) {
        if (it->category == "Shapes")
            shapes.emplace_back(it->classInfo->name);
    }
    EXPECT_EQ(shapes,
        (std::vector<std::string> { "ThvBufferLayer", "ThvPlane", "ThvCube", "ThvMesh", "ThvSphere",
            "ThvCylinder", "ThvRoundCube", "ThvCone", "ThvText", "ThvImage", "ThvGrid", "ThvStrokeCube" }));
    for (const char* name : { "thvplane", "ThvSphere", "ThvCone" })
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
    Finalize3DLibrary();
    RegisterTestClasses3D();
}

} // namespace
