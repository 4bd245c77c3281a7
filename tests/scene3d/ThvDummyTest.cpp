// Dummies: grouping nodes that are never hit at run time and show a wire box in the designer.

#include "VisualTestSupport.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"

#include <gtest/gtest.h>

using namespace scene3dtest;

namespace {

class ThvDummyTest : public VisualFixture { };

TEST_F(ThvDummyTest, PublishesDockingAndTakesNoHitsByDefault)
{
    auto* dummy = Make<ThvDummy>("dummy");
    EXPECT_FALSE(dummy->GetHitTest());
    for (const char* name :
        { "Align", "Margins", "Padding", "Velocity", "Dynamic", "Collider", "ColliseTrack", "Body" }) {
        SCOPED_TRACE(name);
        EXPECT_NE(dummy->ClassInfo().FindProp(name), nullptr);
        EXPECT_EQ(ThvCamera::StaticClass().FindProp(name), nullptr);
    }
}

TEST_F(ThvDummyTest, HitInsideItsBoxOnlyInTheDesigner)
{
    auto* dummy = Make<ThvDummy>("dummy");
    dummy->SetProjection(hvProjectionScreen);
    dummy->GetPosition()->SetPoint({ 100, 50, 0 });
    dummy->SetWidth(20);
    dummy->SetHeight(20);
    dummy->SetDepth(20);
    float distance = 65535;
    EXPECT_EQ(dummy->ObjectAtPoint(hvProjectionScreen, distance, 105, 55), nullptr);
    scene->SetDesigning(true);
    EXPECT_EQ(dummy->ObjectAtPoint(hvProjectionScreen, distance, 105, 55), dummy);
    distance = 65535;
    EXPECT_EQ(dummy->ObjectAtPoint(hvProjectionScreen, distance, 125, 55), nullptr);
}

TEST_F(ThvDummyTest, TheDesignerShowsItsBox)
{
    struct Case {
        const char* name;
        bool design;
        bool locked;
        int64_t tag;
        bool drawn;
    } const cases[] = {
        { "run time", false, false, 0, false },
        { "designer", true, false, 0, true },
        { "locked", true, true, 0, false },
        { "design rig", true, false, 65534, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* dummy = Make<ThvDummy>();
        dummy->SetWidth(2);
        dummy->SetHeight(3);
        dummy->SetDepth(4);
        dummy->SetOpacity(0.5f);
        dummy->SetLocked(c.locked);
        dummy->SetTag(c.tag);
        scene->SetDesigning(c.design);
        canvas->ClearLog();
        dummy->Render();
        scene->SetDesigning(false);
        EXPECT_EQ(canvas->log,
            c.drawn
                ? (std::vector<std::string> { "MaterialChanged #8060A799 ", "DrawCube (0,0,0) (2,3,4) 0.5" })
                : std::vector<std::string> {});
    }
}

} // namespace
