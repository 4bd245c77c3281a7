// Picture plates: drawn with the picture's own colours on the X-Z plane; empty pictures draw
// nothing but are still picked; screen-projected plates stay thin.

#include "VisualTestSupport.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvImage.h"
#include "scene3d/ThvMaterial.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvImageTest : public VisualFixture { };

TEST_F(ThvImageTest, ANewImageIsAFourByThreePlate)
{
    auto* image = Make<ThvImage>();
    EXPECT_EQ(image->GetWidth(), 4);
    EXPECT_FLOAT_EQ(image->GetHeight(), 0.1f);
    EXPECT_EQ(image->GetDepth(), 3);
    EXPECT_TRUE(image->GetData()->Vertices().empty());
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 0);
}

TEST_F(ThvImageTest, AnEmptyPictureDrawsNothingButIsPicked)
{
    auto* image = Make<ThvImage>();
    image->Render();
    EXPECT_TRUE(canvas->log.empty());
    ThvVector hit;
    EXPECT_TRUE(image->RayCastIntersect({ 1.9f, -5, 1.4f, 1 }, { 0, 1, 0, 0 }, hit));
    EXPECT_TRUE(Near(hit, { 1.9f, -0.05f, 1.4f }));
    EXPECT_FALSE(image->RayCastIntersect({ 2.1f, -5, 0, 1 }, { 0, 1, 0, 0 }, hit));
}

TEST_F(ThvImageTest, ThePictureIsDrawnUnlitWithItsOwnColours)
{
    auto* image = Make<ThvImage>();
    ThvBitmap picture(2, 2);
    image->SetBitmap(&picture);
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 2);
    image->SetOpacity(0.5f);
    image->BeforePaint();
    canvas->ClearLog();
    image->Render();
    EXPECT_EQ(canvas->Lines("FillMesh"), (std::vector<std::string> { "FillMesh (0,0,0) (4,0,3) 4/6 0.5" }));
    EXPECT_EQ(canvas->Lines("ApplyState"), (std::vector<std::string> { "ApplyState hvStateFilterLinear" }));
    const ThvMaterial& material = *canvas->GetMaterial();
    EXPECT_EQ(material.GetDiffuse(), "#7FFFFFFF");
    EXPECT_FALSE(material.GetLighting());
    EXPECT_EQ(material.GetBitmapMode(), hvTexReplace);
    // The picture is the canvas's texture only while the plate is drawn.
    EXPECT_EQ(material.GetTextureBitmap(), nullptr);
    // The shape's own material is untouched.
    EXPECT_TRUE(image->GetMaterial()->GetLighting());
}

TEST_F(ThvImageTest, AScreenPlateKeepsItsDepth)
{
    auto* image = Make<ThvImage>();
    image->SetDepth(5);
    EXPECT_EQ(image->GetDepth(), 5);
    image->SetProjection(hvProjectionScreen);
    image->SetDepth(7);
    EXPECT_FLOAT_EQ(image->GetDepth(), 0.1f);
}

TEST_F(ThvImageTest, PictureChangesRepaint)
{
    auto* image = Make<ThvImage>();
    scene->updateRequests = 0;
    ThvBitmap picture(3, 1);
    image->SetBitmap(&picture);
    EXPECT_GT(scene->updateRequests, 0);
}

} // namespace
