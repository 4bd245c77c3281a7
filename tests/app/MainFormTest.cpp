// The main window read from its stored description without a window: the components and
// handlers it binds, the start state FormCreate leaves, the frame update's sizes, the faces'
// colour and picture modes and the background switch.

#include "tests/app/MainFormTestSupport.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"

#include <gtest/gtest.h>

using namespace apptest;

TEST_F(MainFormTest, TheStoredDescriptionReadsWithoutErrorsAndBindsEveryHandler)
{
    EXPECT_TRUE(form->LoadErrors().empty()) << ::testing::PrintToString(form->LoadErrors());
    EXPECT_EQ(form->GetCaption(), "Talvory Glyphforge");
    // The layers of 699 pixels fit the client area.
    EXPECT_GE(form->GetClientWidth(), 699);
    ASSERT_NE(form->hvScene1, nullptr);
    EXPECT_EQ(form->hvScene1->GetCamera(), form->Camera1);
    EXPECT_FALSE(form->hvScene1->GetUsingDesignCamera());
    EXPECT_EQ(form->hvScene1->GetRoot(), form->Root1);
    for (auto* pointer : { static_cast<void*>(form->Root1), static_cast<void*>(form->Preview),
             static_cast<void*>(form->Frame), static_cast<void*>(form->Text), static_cast<void*>(form->Light1),
             static_cast<void*>(form->CameraZ), static_cast<void*>(form->CameraX),
             static_cast<void*>(form->Camera1), static_cast<void*>(form->Inspector),
             static_cast<void*>(form->ToolBar), static_cast<void*>(form->colorFront),
             static_cast<void*>(form->trackSize), static_cast<void*>(form->checkFrame),
             static_cast<void*>(form->radioSolid), static_cast<void*>(form->colorBackground) })
        EXPECT_NE(pointer, nullptr);
    EXPECT_TRUE(form->Root1->OnMouseDown);
    EXPECT_TRUE(form->Root1->OnMouseWheel);
    EXPECT_TRUE(form->colorFront->OnChange);
    EXPECT_TRUE(form->trackSize->OnChange);
    EXPECT_TRUE(form->checkFrame->OnChange);
}

TEST_F(MainFormTest, FormCreateLeavesTheStartState)
{
    // The lettering shows the memo's text in the buttons' colours, without textures, framed.
    EXPECT_EQ(form->Text->GetText(), u"Glyphforge");
    const struct {
        ThvMaterial* material;
        const char* color;
    } faces[] = {
        { form->Text->GetMaterial(), "#FFCB8506" },
        { form->Text->GetMaterialLeft(), "#FF06449B" },
        { form->Text->GetMaterialBack(), "#FF726F69" },
        { form->Frame->GetMaterial(), "#FF0668BE" },
        { form->Frame->GetMaterialLeft(), "#FF0B8B3B" },
        { form->Frame->GetMaterialBack(), "#FF242424" },
    };
    for (const auto& face : faces) {
        SCOPED_TRACE(face.color);
        EXPECT_EQ(face.material->GetDiffuse(), face.color);
        EXPECT_EQ(face.material->GetBitmap(), "");
    }
    EXPECT_TRUE(form->Frame->GetVisible());
    EXPECT_TRUE(form->Root1->GetAutoCapture());
    // The corner list starts at its first item (round) and the top-left and bottom-right boxes
    // are checked.
    EXPECT_EQ(form->Frame->GetCornerType(), wzCornerRound);
    EXPECT_FLOAT_EQ(form->Frame->GetxRadius(), 0.6f);
    EXPECT_EQ(form->Frame->GetCorners(), (TwzCorners { wzCornerTopLeft, wzCornerBottomRight }));
    // The view starts 10 units from the lettering, tilted by 33 degrees.
    EXPECT_FLOAT_EQ(form->CameraX->GetRotateAngle()->GetX(), 33);
    EXPECT_FLOAT_EQ(form->Camera1->GetPosition()->GetY(), -10);
    // The picture strip and the about panel are hidden.
    if (form->ImageLayout) {
        EXPECT_FALSE(form->ImageLayout->GetVisible());
    }
    if (form->AboutLayout) {
        EXPECT_FALSE(form->AboutLayout->GetVisible());
    }
    EXPECT_TRUE(form->GetFileName().empty());
}

TEST_F(MainFormTest, TheFrameUpdateSizesTheBoxTheTextAndTheSlab)
{
    struct Case {
        float padH, padV, textDepth, frameDepth;
    };
    const Case cases[] = {
        { 0, 0, 0.6f, 0.4f },
        { 1.5f, -0.5f, 2, 0.001f },
        { -1, -1, 0.001f, 2 }, // negative margins larger than the text: clamped sizes
    };
    form->Text->SetText(u"Ab");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.padH);
        form->trackFramePaddingHorz->SetValue(c.padH);
        form->trackFramePaddingVert->SetValue(c.padV);
        form->trackDepth->SetValue(c.textDepth);
        form->trackFrameDepth->SetValue(c.frameDepth);
        form->UpdateFrame();
        const TwzRect bounds = form->Text->GetTextBounds();
        const float w = bounds.Right - bounds.Left;
        const float h = bounds.Bottom - bounds.Top;
        ASSERT_GT(w, 0);
        const float boxWidth = std::max(0.01f, 1.2f * w + c.padH);
        const float boxHeight = std::max(0.01f, 1.5f * h + c.padV);
        EXPECT_NEAR(form->Preview->GetWidth(), boxWidth, 1e-4);
        EXPECT_NEAR(form->Preview->GetHeight(), boxHeight, 1e-4);
        EXPECT_NEAR(form->Preview->GetDepth(), c.textDepth + c.frameDepth, 1e-5);
        EXPECT_NEAR(form->Text->GetWidth(), boxWidth, 1e-4);
        EXPECT_NEAR(form->Text->GetDepth(), c.textDepth, 1e-5);
        EXPECT_NEAR(form->Text->GetPosition()->GetZ(), c.frameDepth / 2, 1e-5);
        EXPECT_NEAR(form->Frame->GetWidth(), std::max(0.01f, boxWidth - 0.2f), 1e-4);
        EXPECT_NEAR(form->Frame->GetHeight(), std::max(0.01f, boxHeight - 0.2f), 1e-4);
        EXPECT_NEAR(form->Frame->GetDepth(), c.frameDepth, 1e-5);
        EXPECT_NEAR(form->Frame->GetPosition()->GetZ(), -c.textDepth / 2 - 0.001f, 1e-5);
        EXPECT_GT(form->Frame->GetWidth(), 0);
        EXPECT_GT(form->Text->GetHeight(), 0);
    }
}

TEST_F(MainFormTest, TheSliderValuesOfTheDefaultDepthsPlaceTextAndSlabBackToBack)
{
    // TD 0.6 and FD 0.4: box depth 1.0, text centre 0.2, frame centre -0.301.
    form->UpdateFrame();
    EXPECT_NEAR(form->Preview->GetDepth(), 1.0f, 1e-5);
    EXPECT_NEAR(form->Text->GetPosition()->GetZ(), 0.2f, 1e-5);
    EXPECT_NEAR(form->Frame->GetPosition()->GetZ(), -0.301f, 1e-5);
}

TEST_F(MainFormTest, CornersCornerTypeAndTheFrameSwitchFollowTheControls)
{
    for (TwzCheckBox* box : { form->checkFrameTopLeft, form->checkFrameTopRight, form->checkFrameBottomLeft,
             form->checkFrameBottomRight })
        box->SetIsChecked(false);
    EXPECT_TRUE(form->Frame->GetCorners().Empty());
    form->checkFrameTopRight->SetIsChecked(true);
    EXPECT_EQ(form->Frame->GetCorners(), TwzCorners { wzCornerTopRight });
    form->trackFrameRadius->SetValue(1.5f);
    EXPECT_FLOAT_EQ(form->Frame->GetxRadius(), 1.5f);
    EXPECT_FLOAT_EQ(form->Frame->GetyRadius(), 1.5f);

    // Switched off: the frame controls are disabled and the slab hidden.
    form->checkFrame->SetIsChecked(false);
    EXPECT_FALSE(form->Frame->GetVisible());
    ASSERT_NE(form->layoutFrame, nullptr);
    EXPECT_FALSE(form->layoutFrame->GetEnabled());
    form->checkFrame->SetIsChecked(true);
    EXPECT_TRUE(form->Frame->GetVisible());
    EXPECT_TRUE(form->layoutFrame->GetEnabled());
}

TEST_F(MainFormTest, TheSizeSliderSetsTheFontSizeAndGrowsTheBox)
{
    const float before = form->Preview->GetWidth();
    form->trackSize->SetValue(32);
    EXPECT_FLOAT_EQ(form->Text->GetFont()->GetSize(), 32);
    EXPECT_GT(form->Preview->GetWidth(), before * 1.5f);
}

TEST_F(MainFormTest, TheBackgroundSwitchesBetweenCheckerboardAndSolidColour)
{
    form->colorBackground->SetColor("#FF336699");
    EXPECT_TRUE(form->radioSolid->GetIsChecked());
    EXPECT_FALSE(form->radioTransparent->GetIsChecked());
    EXPECT_EQ(form->hvScene1->GetFillColor(), "#FF336699");
    if (form->TransparentBack) {
        EXPECT_FALSE(form->TransparentBack->GetVisible());
    }
    form->radioTransparent->SetIsChecked(true);
    EXPECT_FALSE(form->radioSolid->GetIsChecked());
    if (form->TransparentBack) {
        EXPECT_TRUE(form->TransparentBack->GetVisible());
    }
    // A new colour while the checkerboard shows switches to the solid background again.
    form->colorBackground->SetColor("#FF102030");
    EXPECT_TRUE(form->radioSolid->GetIsChecked());
    EXPECT_EQ(form->hvScene1->GetFillColor(), "#FF102030");
}

TEST_F(MainFormTest, AColourChangeOfAFaceLeavesPictureMode)
{
    form->colorFront->SetColor("#FF112233");
    EXPECT_EQ(form->Text->GetMaterial()->GetDiffuse(), "#FF112233");
    EXPECT_EQ(form->Text->GetMaterial()->GetBitmap(), "");
    form->frameBackColor->SetColor("#FF445566");
    EXPECT_EQ(form->Frame->GetMaterialBack()->GetDiffuse(), "#FF445566");
}
