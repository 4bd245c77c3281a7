// Camera navigation and the panels of the main window, driven through its handlers: where a
// press starts the orbit, how far a drag turns the view, the wheel's steps, the camera reset,
// the picture strip sliding in and out, and the web links (no address configured).

#include "tests/app/MainFormTestSupport.h"

#include "controls/TwzButtons.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCustomLayer.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvPosition.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/Properties.h"
#include "platform/ui/Input.h"
#include "platform/ui/Shell.h"

#include <gtest/gtest.h>

using namespace apptest;
using platform::ui::MouseButton;

namespace {

const ThvVector kNoRay {};

} // namespace

TEST_F(MainFormTest, OnlyALeftPressInTheCentralAreaStartsTheOrbit)
{
    const float width = static_cast<float>(form->GetClientWidth());
    struct Case {
        MouseButton button;
        float x, y;
        bool orbits;
    };
    const Case cases[] = {
        { MouseButton::Left, 300, 300, true },
        { MouseButton::Left, 200, 300, false }, // not above 200
        { MouseButton::Left, 201, 300, true },
        { MouseButton::Left, 300, 100, false },
        { MouseButton::Left, width - 200, 300, false },
        { MouseButton::Left, width - 201, 300, true },
        { MouseButton::Right, 300, 300, false },
        { MouseButton::Middle, 300, 300, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        form->Root1MouseDown(form->Root1, c.button, {}, c.x, c.y, kNoRay, kNoRay);
        EXPECT_EQ(form->GetOrbiting(), c.orbits);
        form->Root1MouseUp(form->Root1, c.button, {}, c.x, c.y, kNoRay, kNoRay);
        EXPECT_FALSE(form->GetOrbiting());
    }
}

TEST_F(MainFormTest, DraggingTurnsTheViewOneDegreeAPixelWithoutLimits)
{
    form->Root1MouseDown(form->Root1, MouseButton::Left, {}, 300, 300, kNoRay, kNoRay);
    form->Root1MouseMove(form->Root1, {}, 390, 300, kNoRay, kNoRay);
    EXPECT_FLOAT_EQ(form->CameraZ->GetRotateAngle()->GetZ(), 90);
    EXPECT_FLOAT_EQ(form->CameraX->GetRotateAngle()->GetX(), 33);
    form->Root1MouseMove(form->Root1, {}, 390, 400, kNoRay, kNoRay);
    EXPECT_FLOAT_EQ(form->CameraX->GetRotateAngle()->GetX(), 133);
    form->Root1MouseUp(form->Root1, MouseButton::Left, {}, 390, 400, kNoRay, kNoRay);
    // Moves without a drag turn nothing.
    form->Root1MouseMove(form->Root1, {}, 500, 500, kNoRay, kNoRay);
    EXPECT_FLOAT_EQ(form->CameraZ->GetRotateAngle()->GetZ(), 90);

    form->btnResetCameraClick(nullptr);
    EXPECT_FLOAT_EQ(form->CameraZ->GetRotateAngle()->GetZ(), 0);
    EXPECT_FLOAT_EQ(form->CameraX->GetRotateAngle()->GetX(), 0);
}

TEST_F(MainFormTest, EachWheelNotchMovesTheCameraByFourTenthsOfAUnit)
{
    bool handled = false;
    form->Camera1->GetPosition()->SetY(-10);
    form->Root1MouseWheel(form->Root1, {}, 120, {}, handled);
    EXPECT_TRUE(handled);
    EXPECT_NEAR(form->Camera1->GetPosition()->GetY(), -9.6f, 1e-5);
    for (int i = 0; i < 30; ++i)
        form->Root1MouseWheel(form->Root1, {}, 120, {}, handled);
    // No limit: the camera passes through the lettering.
    EXPECT_NEAR(form->Camera1->GetPosition()->GetY(), 2.4f, 1e-4);
    form->Root1MouseWheel(form->Root1, {}, -240, {}, handled);
    EXPECT_NEAR(form->Camera1->GetPosition()->GetY(), 1.6f, 1e-4);
}

TEST_F(MainFormTest, ThePictureStripSlidesOutDocksAndGoesBack)
{
    ASSERT_NE(form->ImageLayout, nullptr);
    ASSERT_NE(form->btnImageList, nullptr);
    auto* strip = dynamic_cast<ThvCustomLayer*>(form->ImageLayout);
    ASSERT_NE(strip, nullptr);
    const float toolBar = form->ToolBar->GetHeight();
    form->btnImageList->SetIsPressed(true);
    form->btnImageListClick(form->btnImageList);
    EXPECT_TRUE(form->ImageLayout->GetVisible());
    EXPECT_FLOAT_EQ(form->ImageLayout->GetWidth(), static_cast<float>(form->GetClientWidth()));
    EXPECT_EQ(strip->GetLayerAlign(), hvLayerTop);

    form->btnImageList->SetIsPressed(false);
    form->btnImageListClick(form->btnImageList);
    EXPECT_EQ(strip->GetLayerAlign(), hvLayerNone);
    EXPECT_FALSE(form->ImageLayout->GetVisible());
    EXPECT_NEAR(form->ImageLayout->GetPosition()->GetY(), toolBar - form->ImageLayout->GetHeight() / 2, 1e-3);
}

TEST_F(MainFormTest, WithoutAddressesTheAboutPanelsWebLinesArePlainText)
{
    // No address is configured: the lines keep their texts but neither look nor act as links.
    const struct {
        const char* name;
        std::u16string text;
    } lines[] = { { "labelWebSite", u"Web site" }, { "Label17", u"Made with the Glyphforge scene library" } };
    for (const auto& line : lines) {
        SCOPED_TRACE(line.name);
        auto* label = dynamic_cast<TwzVisualObject*>(form->FindComponent(line.name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(rtl::GetPropValue(*label, "Text"), rtl::TValue(line.text));
        EXPECT_EQ(label->GetCursor(), platform::ui::cursor::kDefault) << "no hand cursor";
        EXPECT_FALSE(label->GetHitTest()) << "a click passes to the panel";
    }
    // The handlers, still bound by name, open nothing.
    platform::ui::FakeShell::Reset();
    form->HowtoUseHelp1Click(nullptr);
    form->wzLang1->SetLang("ru");
    form->HowtoUseHelp1Click(nullptr);
    form->Label17Click(nullptr);
    EXPECT_TRUE(platform::ui::FakeShell::OpenedUrls().empty());
    platform::ui::FakeShell::Reset();
}

TEST_F(MainFormTest, TheAboutPanelZoomsInFadingThePanelsAndGoesBackRestoringThem)
{
    ASSERT_NE(form->AboutLayout, nullptr);
    // Without a running loop the awaited animations land on their end values at once; the
    // ones started alongside them run with the loop only.
    form->btnAboutClick(nullptr);
    EXPECT_TRUE(form->AboutLayout->GetVisible());
    EXPECT_FLOAT_EQ(form->AboutLayout->GetPosition()->GetY(), form->GetClientHeight() / 2.0f);
    EXPECT_FLOAT_EQ(form->Inspector->GetOpacity(), 0.7f);

    form->Button1Click(nullptr);
    EXPECT_FALSE(form->AboutLayout->GetVisible());
    EXPECT_FLOAT_EQ(form->Inspector->GetOpacity(), 0.98f);
}
