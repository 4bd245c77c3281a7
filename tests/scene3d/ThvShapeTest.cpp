// The shape base (material, opacity, states left behind), the wire box, and the shapes'
// start-up registration.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/Library3D.h"
#include "scene3d/ShapeObjects.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvShape3D.h"
#include "scene3d/ThvStrokeCube.h"

#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

/// Puts the canvas in wireframe and flat mode while an object paints, as a back end does for
/// a wireframe, flat-shaded material.
class TWireframer : public rtl::TObject {
public:
    void Paint(rtl::TObject*, ThvCanvas* canvas)
    {
        canvas->SetState(hvStateWireframe);
        canvas->SetState(hvStateFlat);
    }
};

class ThvShapeTest : public VisualFixture { };

TEST_F(ThvShapeTest, ANewShapeHasAnOpaqueColourOfItsOwn)
{
    for (int i = 0; i < 8; ++i) {
        auto* shape = Make<ThvStrokeCube>();
        EXPECT_EQ(shape->GetMaterial()->GetDiffuseColor() >> 24, 0xFFu);
        // The rest of the material keeps its defaults.
        EXPECT_EQ(shape->GetMaterial()->GetAmbient(), "#FF303030");
        EXPECT_EQ(shape->GetMaterial()->GetFillMode(), hvSolid);
    }
}

TEST_F(ThvShapeTest, TheCanvasTakesTheMaterialWithTheAbsoluteOpacity)
{
    auto* parent = Make<ThvDummy>();
    parent->SetOpacity(0.5f);
    auto* shape = Make<ThvStrokeCube>("shape", parent);
    shape->GetMaterial()->SetDiffuse("#FF102030");
    shape->BeforePaint();
    EXPECT_EQ(canvas->log.back(), "MaterialChanged #7F102030 ");
    // The shape's own material is left as it was.
    EXPECT_EQ(shape->GetMaterial()->GetDiffuse(), "#FF102030");
}

TEST_F(ThvShapeTest, TheNextObjectStartsSolidAndSmooth)
{
    auto* root = Make<ThvDummy>();
    auto* wire = Make<ThvStrokeCube>("wire", root);
    TWireframer wireframer;
    wire->OnPaint.Bind<&TWireframer::Paint>(&wireframer);
    auto* next = Make<ThvStrokeCube>("next", root);
    struct StateProbe : rtl::TObject {
        bool solid = false, gouraud = false;
        void Paint(rtl::TObject*, ThvCanvas* canvas)
        {
            solid = canvas->GetStateOn(hvStateSolid);
            gouraud = canvas->GetStateOn(hvStateGouraud);
        }
    } probe;
    next->OnBeforePaint.Bind<&StateProbe::Paint>(&probe);
    DrawFrame(*scene, *canvas);
    EXPECT_TRUE(probe.solid);
    EXPECT_TRUE(probe.gouraud);
}

TEST_F(ThvShapeTest, SettingTheMaterialCopiesIt)
{
    auto* shape = Make<ThvStrokeCube>();
    ThvMaterial* owned = shape->GetMaterial();
    ThvMaterial other;
    other.SetDiffuse("#80112233");
    other.SetBitmap("wood");
    scene->updateRequests = 0;
    shape->SetMaterial(&other);
    EXPECT_EQ(shape->GetMaterial(), owned);
    EXPECT_EQ(owned->GetDiffuse(), "#80112233");
    EXPECT_EQ(owned->GetBitmap(), "wood");
    EXPECT_GT(scene->updateRequests, 0);
    // Changes of the owned material repaint too.
    scene->updateRequests = 0;
    owned->SetLighting(false);
    EXPECT_GT(scene->updateRequests, 0);
}

TEST_F(ThvShapeTest, AStrokeCubeDrawsTheEdgesOfItsBox)
{
    auto* cube = Make<ThvStrokeCube>();
    EXPECT_FALSE(cube->GetMaterial()->GetLighting());
    cube->SetWidth(2);
    cube->SetHeight(3);
    cube->SetDepth(4);
    cube->SetOpacity(0.25f);
    cube->Render();
    EXPECT_EQ(canvas->log, (std::vector<std::string> { "DrawCube (0,0,0) (2,3,4) 0.25" }));
}

TEST_F(ThvShapeTest, TheMaterialIsStoredWithTheShape)
{
    RegisterTestClasses3D();
    rtl::RegisterClass<ThvStrokeCube>();
    auto* cube = Make<ThvStrokeCube>();
    cube->GetMaterial()->SetDiffuse("#FF445566");
    cube->GetMaterial()->SetBitmapTileX(2);
    cube->GetMaterial()->SetLighting(true); // a wire box starts unlit
    cube->SetAlign(hvClient);
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *cube);
    stream.SetPosition(0);
    auto* copy = dynamic_cast<ThvStrokeCube*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetMaterial()->GetDiffuse(), "#FF445566");
    EXPECT_EQ(copy->GetMaterial()->GetBitmapTileX(), 2);
    EXPECT_TRUE(copy->GetMaterial()->GetLighting());
    // Left unlit, it is read back unlit.
    copy->GetMaterial()->SetLighting(false);
    rtl::TMemoryStream again;
    rtl::WriteComponentToStream(again, *copy);
    again.SetPosition(0);
    auto* unlit = dynamic_cast<ThvStrokeCube*>(rtl::ReadComponentFromStream(again, nullptr, form.get()));
    ASSERT_NE(unlit, nullptr);
    EXPECT_FALSE(unlit->GetMaterial()->GetLighting());
    EXPECT_EQ(copy->GetAlign(), hvClient);
}

class ShapeObjectsTest : public ::testing::Test {
protected:
    void SetUp() override { Finalize3DLibrary(); }
    void TearDown() override
    {
        Finalize3DLibrary();
        RegisterTestClasses3D();
    }
};

TEST_F(ShapeObjectsTest, StartUpRegistersTheShapesInPaletteOrder)
{
    Initialize3DLibrary();
    RegisterShapeObjects();
    // The registry holds the most recent first: the extruded shapes, then the plain ones.
    std::vector<std::string> front;
    for (const scene3d::ObjectRegistryEntry& e : hvObjectRegistry()) {
        if (front.size() < 6)
            front.push_back(e.category + ":" + std::string(e.classInfo->name));
    }
    EXPECT_EQ(front,
        (std::vector<std::string> { "3D:ThvEllipse3D", "3D:ThvRectangle3D", "3D:ThvPath3D", "3D:ThvText3D",
            "Shapes:ThvStrokeCube", "Shapes:ThvGrid" }));
    // The abstract bases stream by name but are offered in no palette.
    EXPECT_NE(rtl::FindClass("ThvShape"), nullptr);
    EXPECT_NE(rtl::FindClass("ThvShape3D"), nullptr);
    for (const scene3d::ObjectRegistryEntry& e : hvObjectRegistry()) {
        EXPECT_NE(e.classInfo, &ThvShape::StaticClass());
        EXPECT_NE(e.classInfo, &ThvShape3D::StaticClass());
    }
}

} // namespace
