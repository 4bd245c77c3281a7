// The scene control's stored design settings, read and written in every mode, and a designed
// scene without the design tools (their design mode is tested with them, in tests/design).

#include "tests/scene3d/ThvSceneTestSupport.h"

#include "graphics/ObjectText.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvSceneDesign.h"

#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include <string>

using namespace scenetest;
using platform::ui::MouseButton;
using platform::ui::ShiftFlag;

namespace {

std::string SceneText(ThvScene& scene)
{
    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, scene);
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    return std::string(text.Bytes().begin(), text.Bytes().end());
}

ThvScene* ReadScene(const std::string& text, rtl::TComponent* owner)
{
    rtl::TConstMemoryStream in(text.data(), text.size());
    rtl::TMemoryStream binary;
    ObjectTextToStream(in, binary);
    binary.SetPosition(0);
    return dynamic_cast<ThvScene*>(rtl::ReadComponentFromStream(binary, nullptr, owner));
}

} // namespace

// ---- stored settings ----------------------------------------------------------------------

TEST(ThvSceneDesignSettings, AreWrittenAlwaysAndReadInEveryMode)
{
    rtl::RegisterClass<ThvScene>();
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* designed = new ThvScene(owner.get());
    designed->SetName("Designed");
    designed->GetDesignCamera()->GetPosition()->SetY(-35);
    designed->GetDesignCameraZ()->GetRotateAngle()->SetZ(45);
    designed->GetDesignCameraX()->GetRotateAngle()->SetX(30);
    designed->SetDesignSnapToGrid(true);
    designed->SetDesignSnapToLines(false);
    const std::string text = SceneText(*designed);
    for (const char* stored :
        { "DesignCameraPos = -3.5000000000000000E+0001", "DesignCameraZAngle =  4.5000000000000000E+0001",
            "DesignCameraXAngle =  3.0000000000000000E+0001", "DesignSnapGridShow = True",
            "DesignSnapToGrid = True", "DesignSnapToLines = False" })
        EXPECT_NE(text.find(stored), std::string::npos) << stored << "\n" << text;

    // Read at run time: the camera settings are taken, the grid is neither kept nor shown.
    designed->SetName("Old");
    ThvScene* read = ReadScene(text, owner.get());
    ASSERT_NE(read, nullptr);
    EXPECT_FLOAT_EQ(read->GetDesignCamera()->GetPosition()->GetY(), -35);
    EXPECT_FLOAT_EQ(read->GetDesignCameraZ()->GetRotateAngle()->GetZ(), 45);
    EXPECT_FLOAT_EQ(read->GetDesignCameraX()->GetRotateAngle()->GetX(), 30);
    EXPECT_TRUE(read->GetDesignSnapToGrid());
    EXPECT_FALSE(read->GetDesignSnapToLines());
    EXPECT_FALSE(read->GetDesignSnapGridShow());
    EXPECT_EQ(read->GetDesignGrid()->GetOpacity(), 0);
}

TEST(ThvSceneDesignSettings, ShowingTheGridSetsItsOpacity)
{
    rtl::TOwned<ThvScene> scene(new ThvScene(nullptr));
    scene->SetDesignSnapGridShow(false);
    EXPECT_EQ(scene->GetDesignGrid()->GetOpacity(), 0);
    scene->SetDesignSnapGridShow(true);
    EXPECT_EQ(scene->GetDesignGrid()->GetOpacity(), 1);
    EXPECT_EQ(scene->CMDesignHitTest(), 1);
}

// ---- without the design tools -------------------------------------------------------------

class DesignedSceneWithoutTools : public SceneFixture { };

TEST_F(DesignedSceneWithoutTools, LeavesItsObjectsAloneAndDrawsNoOverlays)
{
    ASSERT_EQ(scene3d::MakeDesignMode, nullptr) << "this program links no design tools";
    scene->SetDesigning(true);
    ShowScene();
    auto* a = new TProbe(owner.get());
    a->SetName("A");
    a->SetProjection(hvProjectionScreen);
    a->GetPosition()->SetPoint({ 50, 50, 0 });
    a->SetWidth(20);
    a->SetHeight(20);
    root->AddObject(a);
    app.ProcessMessages();
    TakeLog();

    const float cameraY = scene->GetDesignCamera()->GetPosition()->GetY();
    scene->MouseDown(MouseButton::Left, { ShiftFlag::Left }, 50, 50);
    scene->MouseMove({ ShiftFlag::Left }, 60, 55);
    scene->MouseUp(MouseButton::Left, {}, 60, 55);
    EXPECT_TRUE(scene->DoMouseWheel({}, 120, { 50, 50 })) << "a designed scene takes the wheel";
    uint16_t key = platform::ui::vk::kDelete;
    scene->KeyUp(key, {});
    scene->Render();

    EXPECT_EQ(scene->GetDesignMode(), nullptr);
    EXPECT_EQ(scene->GetSelected(), nullptr);
    EXPECT_EQ(a->GetPosition()->GetPoint(), (ThvPoint { 50, 50, 0 }));
    EXPECT_FLOAT_EQ(scene->GetDesignCamera()->GetPosition()->GetY(), cameraY);
    EXPECT_TRUE(Only(TakeLog(), { "down", "move", "up", "wheel", "keyup" }).empty())
        << "nor does the run-time routing take over";
}
