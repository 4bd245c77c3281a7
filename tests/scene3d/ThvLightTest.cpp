// Lights: which ones reach the frame, what the canvas learns of them, picking and gizmos.

#include "VisualTestSupport.h"

#include "scene3d/ThvDummy.h"
#include "scene3d/ThvLight.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvLightTest : public VisualFixture { };

TEST_F(ThvLightTest, EnabledLightsOfTheTreeJoinTheFrame)
{
    ThvDummy* root = Make<ThvDummy>("root");
    auto* sun = Make<ThvLight>("sun", root);
    auto* off = Make<ThvLight>("off", root);
    off->SetEnabled(false);
    auto* lamp = Make<ThvLight>("lamp", off); // under a disabled light, still lit
    lamp->SetLightType(hvLightPoint);
    lamp->GetPosition()->SetPoint({ 1, 2, 3 });
    auto* spot = Make<ThvLight>("spot", root);
    spot->SetLightType(hvLightSpot);
    spot->GetRotateAngle()->SetX(90); // pointing down

    canvas->ResetScene();
    root->ApplyLights();
    const std::span<ThvLight* const> lights = canvas->Lights();
    ASSERT_EQ(lights.size(), 3u);
    EXPECT_EQ(lights[0], sun);
    EXPECT_EQ(lights[1], lamp);
    EXPECT_EQ(lights[2], spot);
    // What a back end reads of each light: its kind, place and direction.
    EXPECT_EQ(sun->GetLightType(), hvLightDirectional);
    EXPECT_TRUE(Near(sun->GetAbsoluteDirection(), { 0, 1, 0 }));
    EXPECT_TRUE(Near(lamp->GetAbsolutePosition(), { 1, 2, 3 }));
    EXPECT_TRUE(Near(spot->GetAbsoluteDirection(), { 0, 0, -1 }));

    // The list is collected anew every frame.
    sun->SetEnabled(false);
    canvas->ResetScene();
    root->ApplyLights();
    EXPECT_EQ(canvas->Lights().size(), 2u);
}

TEST_F(ThvLightTest, EnablingAndKindDoNotRepaintByThemselves)
{
    auto* light = Make<ThvLight>("light");
    scene->updateRequests = 0;
    light->SetEnabled(false);
    light->SetLightType(hvLightSpot);
    EXPECT_EQ(scene->updateRequests, 0);
}

TEST_F(ThvLightTest, OnlyTheDesignerPicksALight)
{
    ThvDummy* root = Make<ThvDummy>("root");
    root->SetLocked(true);
    auto* light = Make<ThvLight>("light", root);
    light->GetPosition()->SetPoint({ 100, 50, 0 });
    light->SetWidth(10);
    light->SetHeight(10);
    light->SetDepth(10);
    root->SetProjection(hvProjectionScreen);
    float distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionScreen, distance, 100, 50), nullptr);
    scene->SetDesigning(true);
    distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionScreen, distance, 100, 50), light);
}

TEST_F(ThvLightTest, TheGizmoShowsTheKindOfLight)
{
    struct Case {
        ThvLightType type;
        size_t lines;
        std::string first;
    } const cases[] = {
        { hvLightDirectional, 1, "DrawLine (0,0,0) (0,5,0) 1" },
        { hvLightPoint, 36, "DrawLine (0,0,0) (2,0,0) 1" },
        { hvLightSpot, 4, "DrawLine (0,0,0) (-0.96225,4.81125,-0.96225) 1" },
    };
    scene->SetDesigning(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(rtl::EnumName(c.type));
        auto* light = Make<ThvLight>();
        light->SetLightType(c.type);
        canvas->ClearLog();
        light->Render();
        const std::vector<std::string> lines = canvas->Lines("DrawLine");
        ASSERT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.front(), c.first);
        EXPECT_EQ(
            canvas->Lines("FillCube"), (std::vector<std::string> { "FillCube (0,0,0) (0.8,0.8,0.8) 1" }));
        EXPECT_EQ(canvas->log.front(), "ApplyState hvStateLightingOff");
        EXPECT_EQ(canvas->log.back(), "ApplyState hvStateLightingOn");
    }
    scene->SetDesigning(false);
    canvas->ClearLog();
    Make<ThvLight>()->Render();
    EXPECT_TRUE(canvas->log.empty());
}

} // namespace
