// A layer that holds the 3D scene's mouse: a ray that misses the plate still hits, on the
// plate's plane, so the layer points of a drag go on beyond its edges at the same scale.

#include "tests/scene3d/VisualTestSupport.h"

#include "layers/ThvObjectLayer.h"

#include "graphics/TwzCanvasGdiPlus.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scene3dtest;

namespace {

class ObjectLayerCaptureTest : public VisualFixture {
protected:
    void SetUp() override
    {
        VisualFixture::SetUp();
        m_previousCanvasClass = DefaultCanvasClass;
        DefaultCanvasClass = &TwzCanvasGdiPlusClass;
        StartGdiPlus();
    }
    void TearDown() override
    {
        VisualFixture::TearDown();
        form.reset();
        DefaultCanvasClass = m_previousCanvasClass;
    }

private:
    const TwzCanvasClass* m_previousCanvasClass = nullptr;
};

TEST_F(ObjectLayerCaptureTest, AHeldMouseOffThePlateIsTakenOnThePlatesPlane)
{
    const float s = 1 / std::sqrt(2.0f);
    struct Case {
        const char* what;
        ThvProjection projection;
        ThvVector rayPos, rayDir;
        TwzPoint layerPoint; // where the ray meets the plane
    };
    const Case cases[] = {
        // An 8 x 8 plate at 60 pixels a unit in the X-Z plane: the ray slants past its right
        // edge and meets the plane at local (11, 0, 1).
        { "camera", hvProjectionCamera, { 1, -10, 1, 1 }, { s, s, 0, 0 }, { 900, 180 } },
        // A 100 x 50 screen plate in the X-Y plane: the ray meets it at local (80, -40, 0).
        { "screen", hvProjectionScreen, { 20, -40, -60, 1 }, { s, 0, s, 0 }, { 130, -15 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ThvCustomObjectLayer* layer = nullptr;
        if (c.projection == hvProjectionCamera) {
            layer = Make<ThvObjectLayer>();
        } else {
            layer = Make<ThvGUIObjectLayer>();
            layer->SetWidth(100);
            layer->SetHeight(50);
        }
        ThvVector hit;
        EXPECT_FALSE(layer->RayCastIntersect(c.rayPos, c.rayDir, hit)) << "the plate is missed";
        layer->Capture();
        ASSERT_TRUE(layer->RayCastIntersect(c.rayPos, c.rayDir, hit));
        const TwzPoint p = layer->HitToLayerPoint(hit);
        EXPECT_NEAR(p.X, c.layerPoint.X, 0.01f);
        EXPECT_NEAR(p.Y, c.layerPoint.Y, 0.01f);
        layer->ReleaseCapture();
    }
}

} // namespace
