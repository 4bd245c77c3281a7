// The camera: where a new one looks, targets and their loss, picking and the design gizmo.

#include "VisualTestSupport.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvCameraTest : public VisualFixture {
protected:
    /// The ray through the canvas centre.
    void CentreRay(ThvVector& pos, ThvVector& dir) { canvas->Pick(hvProjectionCamera, 100, 50, pos, dir); }
};

TEST_F(ThvCameraTest, ANewCameraLooksAtTheOriginFromMinusY)
{
    auto* camera = Make<ThvCamera>("camera");
    EXPECT_EQ(camera->GetPosition()->GetPoint(), (ThvPoint { 0, -10, 0 }));
    EXPECT_FALSE(camera->GetHitTest());
    EXPECT_FALSE(camera->GetDesignResizable());
    canvas->SetCamera(camera);
    ThvVector pos, dir;
    CentreRay(pos, dir);
    EXPECT_TRUE(Near(pos, { 0, -10, 0 }));
    EXPECT_TRUE(Near(dir, { 0, 1, 0 }));
    ThvPoint screen;
    canvas->WorldToScreen(hvProjectionCamera, { 0, 0, 0 }, screen);
    EXPECT_NEAR(screen.X, 100, 1e-3);
    EXPECT_NEAR(screen.Y, 50, 1e-3);
}

TEST_F(ThvCameraTest, ACameraLooksAtItsTargetUntilTheTargetGoes)
{
    auto* camera = Make<ThvCamera>("camera");
    ThvVisualObject* target = Make("target");
    target->GetPosition()->SetPoint({ 10, 0, 0 });
    camera->SetTarget(target);
    canvas->SetCamera(camera);
    ThvVector pos, dir;
    CentreRay(pos, dir);
    EXPECT_TRUE(Near(dir, hvVectorNormalize({ 10, 10, 0, 0 })));

    scene->updateRequests = 0;
    target->Free();
    EXPECT_EQ(camera->GetTarget(), nullptr);
    EXPECT_GT(scene->updateRequests, 0); // the view changed
    canvas->SetCamera(camera);
    CentreRay(pos, dir);
    EXPECT_TRUE(Near(dir, { 0, 1, 0 }));
}

TEST_F(ThvCameraTest, ACameraFreedBeforeItsTargetLeavesTheTargetAlone)
{
    auto* camera = Make<ThvCamera>("camera");
    ThvVisualObject* target = Make("target");
    camera->SetTarget(target);
    camera->Free();
    target->GetPosition()->SetX(1);
    target->Free();
}

TEST_F(ThvCameraTest, OnlyTheDesignerPicksACamera)
{
    ThvDummy* root = Make<ThvDummy>("root");
    auto* viewer = Make<ThvCamera>("viewer");
    viewer->GetPosition()->SetPoint({ 0, -30, 0 });
    canvas->SetCamera(viewer);
    auto* camera = Make<ThvCamera>("camera", root);
    camera->GetPosition()->SetPoint({ 0.9f, 0, 0 }); // the ray passes inside its sphere
    float distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionCamera, distance, 100, 50), nullptr);
    scene->SetDesigning(true);
    distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionCamera, distance, 100, 50), camera);
    // The hit is the camera's own position.
    EXPECT_NEAR(distance, std::sqrt(30.0f * 30.0f + 0.81f), 1e-3);
    camera->GetPosition()->SetX(1.1f);
    distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionCamera, distance, 100, 50), root);
}

TEST_F(ThvCameraTest, TheDesignGizmoShowsOnlyInTheDesigner)
{
    auto* camera = Make<ThvCamera>("camera");
    camera->Render();
    EXPECT_TRUE(canvas->log.empty());

    scene->SetDesigning(true);
    camera->Render();
    EXPECT_EQ(canvas->log,
        (std::vector<std::string> { "ApplyState hvStateLightingOff", "MaterialChanged #FF60A799 ",
            "FillCube (0,0,0) (0.8,0.8,0.8) 1", "MaterialChanged #FF9C60A7 ",
            "FillCube (0,0.5,0) (0.3,1.4,0.3) 1", "DrawLine (0,0,0) (0,1000,0) 1",
            "ApplyState hvStateLightingOn" }));

    // The scene's own design camera shows nothing.
    canvas->ClearLog();
    camera->SetTag(65534);
    camera->Render();
    EXPECT_TRUE(canvas->log.empty());
}

TEST_F(ThvCameraTest, ClickingACameraInTheDesignerTogglesLookingThroughIt)
{
    auto* rig = Make<ThvCamera>("rig");
    scene->SetDesignCamera(rig);
    auto* camera = Make<ThvCamera>("camera");
    camera->DesignClick();
    EXPECT_EQ(scene->GetDesignCamera(), camera);
    camera->DesignClick();
    EXPECT_EQ(scene->GetDesignCamera(), rig);

    // A saved camera that goes meanwhile is not put back: the view stays.
    camera->DesignClick();
    rig->Free();
    camera->DesignClick();
    EXPECT_EQ(scene->GetDesignCamera(), camera);
}

} // namespace
