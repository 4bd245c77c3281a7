// The main window read from its stored description without a window: the components and
// handlers it binds, the start state FormCreate leaves, the frame update's sizes, the faces'
// colour and picture modes and the background switch.

#include "tests/app/MainFormTestSupport.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzImageControl.h"
#include "controls/TwzMemo.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "layers/ThvObjectLayer.h"
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

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

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
    for (auto* pointer :
        { static_cast<void*>(form->Root1), static_cast<void*>(form->Preview), static_cast<void*>(form->Frame),
            static_cast<void*>(form->Text), static_cast<void*>(form->Light1),
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

TEST_F(MainFormTest, EveryStyleTheDescriptionNamesExists)
{
    // A name that exists nowhere would silently fall back to the class's own look.
    ASSERT_NE(ui2d::LoadDefaultStyle(), nullptr);
    auto* sheet = dynamic_cast<TwzResources*>(form->FindComponent("skinResources"));
    ASSERT_NE(sheet, nullptr);
    int named = 0;
    for (int i = 0; i < form->GetComponentCount(); ++i) {
        auto* control = dynamic_cast<TwzControl*>(form->GetComponent(i));
        if (!control || control->GetResource().empty())
            continue;
        ++named;
        const std::string& name = control->GetResource();
        SCOPED_TRACE(control->GetName() + " -> " + name);
        const bool found = (sheet->GetRoot() && sheet->GetRoot()->FindResource(name))
            || DefaultStyle.Get()->FindResource(name) || FindResourceObject(name);
        EXPECT_TRUE(found);
    }
    EXPECT_GE(named, 3) << "the corner list, the picture strip and the inspector's grip";
}

TEST_F(MainFormTest, APressAtTheInspectorsBottomRightCornerResizesTheWindow)
{
    auto* inspector = dynamic_cast<ThvCustomObjectLayer*>(form->Inspector);
    ASSERT_NE(inspector, nullptr);
    auto* grip = dynamic_cast<TwzControl*>(form->FindComponent("SizeGrip"));
    ASSERT_NE(grip, nullptr);
    grip->LoadStyle();
    // The grip is invisible (nearly transparent) in the layer's bottom-right corner.
    TwzVisualObject* root = inspector->GetRoot() ? inspector->GetRoot()->AsVisual() : nullptr;
    ASSERT_NE(root, nullptr);
    const float w = root->GetWidth();
    const float h = root->GetHeight();
    EXPECT_EQ(grip->LocalToAbsolute({ 16, 16 }), (TwzPoint { w, h }));
    EXPECT_NE(dynamic_cast<IwzSizeGrip*>(inspector->ObjectAtLayerPoint(w - 4, h - 4)), nullptr);
    EXPECT_EQ(dynamic_cast<IwzSizeGrip*>(inspector->ObjectAtLayerPoint(w - 40, h - 4)), nullptr);
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
    // The view starts at least 10 units from the lettering, tilted by 33 degrees.
    EXPECT_FLOAT_EQ(form->CameraX->GetRotateAngle()->GetX(), 33);
    EXPECT_LE(form->Camera1->GetPosition()->GetY(), -10);
    // The picture strip and the about panel are hidden.
    if (form->ImageLayout) {
        EXPECT_FALSE(form->ImageLayout->GetVisible());
    }
    if (form->AboutLayout) {
        EXPECT_FALSE(form->AboutLayout->GetVisible());
    }
    EXPECT_TRUE(form->GetFileName().empty());
}

TEST_F(MainFormTest, TheStartViewBacksOffUntilTheLetteringFits)
{
    // Whatever font the machine falls back to, the box lies inside the view: half its width
    // within the horizontal half-view at the camera's distance (a quarter turn of view
    // vertically, the client's aspect).
    const auto fits = [&] {
        const float distance = -form->Camera1->GetPosition()->GetY() - form->Preview->GetDepth() / 2;
        const float aspect
            = static_cast<float>(form->GetClientWidth()) / static_cast<float>(form->GetClientHeight());
        const float halfView = distance * std::tan(std::numbers::pi_v<float> / 8);
        return form->Preview->GetWidth() / 2 <= halfView * aspect
            && form->Preview->GetHeight() / 2 <= halfView;
    };
    EXPECT_TRUE(fits()) << "at start";
    const struct {
        const char16_t* text;
        float fontSize;
        bool stays; // at the stored 10 units
    } cases[] = {
        { u"Gl", 16, true },
        { u"Glyphforge Glyphforge", 16, false },
        { u"Glyphforge", 36, false },
        { u"Glyphforge\r\nGlyphforge\r\nGlyphforge\r\nGlyphforge", 16, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(c.text));
        form->Text->GetFont()->SetSize(c.fontSize);
        form->textEditor->SetText(c.text);
        form->Camera1->GetPosition()->SetY(-10);
        form->FitStartView();
        EXPECT_TRUE(fits());
        if (c.stays) {
            EXPECT_FLOAT_EQ(form->Camera1->GetPosition()->GetY(), -10) << "never nearer";
        } else {
            EXPECT_LT(form->Camera1->GetPosition()->GetY(), -10);
        }
    }
}

TEST_F(MainFormTest, TheFrameUpdateSizesTheBoxTheTextAndTheSlab)
{
    struct Case {
        float padH, padV, textDepth, frameDepth;
    };
    const Case cases[] = {
        { 0, 0, 0.6f, 0.4f }, { 1.5f, -0.5f, 2, 0.001f },
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

namespace {

ThvBitmap* Resource(ThvShape3D& shape, const char* name)
{
    auto* object = dynamic_cast<ThvBitmapObject*>(shape.FindComponent(name));
    if (!object)
        object = dynamic_cast<ThvBitmapObject*>(shape.GetOwner()->FindComponent(name));
    return object ? object->GetBitmap() : nullptr;
}

void GivePicture(TwzControl* imageControl, int32_t width, int32_t height)
{
    auto* control = dynamic_cast<TwzImageControl*>(imageControl);
    ASSERT_NE(control, nullptr);
    TwzBitmap picture(width, height);
    picture.Clear(0xFF3366CC);
    control->SetBitmap(&picture);
}

} // namespace

TEST_F(MainFormTest, APictureGivesItsFaceATextureThatFollowsTheSizesExceptAtTheBack)
{
    GivePicture(form->imageFront, 64, 64);
    form->imageFrontChange(form->imageFront);
    EXPECT_EQ(form->Text->GetMaterial()->GetBitmap(), "Front");
    EXPECT_EQ(form->Text->GetMaterial()->GetDiffuse(), "#FFFFFFFF");
    ThvBitmap* front = Resource(*form->Text, "Front");
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->GetWidth(), static_cast<int32_t>(100 * form->Text->GetWidth() + 1e-3f));

    GivePicture(form->imageBack, 32, 32);
    form->imageBackChange(form->imageBack);
    ThvBitmap* back = Resource(*form->Text, "Back");
    ASSERT_NE(back, nullptr);
    const int32_t backWidth = back->GetWidth();

    // The text grows: the front texture is rebuilt for the new size, the back one is not.
    form->trackSize->SetValue(24);
    EXPECT_EQ(front->GetWidth(), std::min(2048, static_cast<int32_t>(100 * form->Text->GetWidth() + 1e-3f)));
    EXPECT_EQ(back->GetWidth(), backWidth);

    // The side strip follows the outline.
    GivePicture(form->imageLeft, 40, 40);
    form->imageLeftChange(form->imageLeft);
    EXPECT_EQ(form->Text->GetMaterialLeft()->GetBitmap(), "Left");
    ThvBitmap* left = Resource(*form->Text, "Left");
    ASSERT_NE(left, nullptr);
    EXPECT_GT(left->GetWidth(), left->GetHeight());

    // A colour takes the face back to colour mode.
    form->colorFront->SetColor("#FF00FF00");
    EXPECT_EQ(form->Text->GetMaterial()->GetBitmap(), "");
    EXPECT_EQ(form->Text->GetMaterial()->GetDiffuse(), "#FF00FF00");
}

TEST_F(MainFormTest, AHiddenSlabKeepsItsTexturesUntilItIsShownAgain)
{
    GivePicture(form->frameFrontImage, 50, 50);
    form->frameFrontImageChange(form->frameFrontImage);
    ThvBitmap* front = Resource(*form->Frame, "frameFront");
    ASSERT_NE(front, nullptr);
    const int32_t before = front->GetWidth();
    form->checkFrame->SetIsChecked(false);
    form->trackFramePaddingHorz->SetValue(2);
    EXPECT_EQ(front->GetWidth(), before) << "not rebuilt while hidden";
    EXPECT_EQ(form->Frame->GetMaterial()->GetBitmap(), "frameFront");
    form->checkFrame->SetIsChecked(true);
    EXPECT_EQ(front->GetWidth(), static_cast<int32_t>(100 * form->Frame->GetWidth() + 1e-3f));
}

TEST_F(MainFormTest, ATinyPictureMakesTheFaceTransparentInsteadOfFailing)
{
    GivePicture(form->imageFront, 5, 5);
    form->imageFrontChange(form->imageFront);
    ThvBitmap* front = Resource(*form->Text, "Front");
    ASSERT_NE(front, nullptr);
    EXPECT_EQ(front->GetWidth(), 1);
    EXPECT_EQ(front->Bits()[0], 0u);
}

TEST_F(MainFormTest, AConfirmedFontDialogSetsTheChosenFontWhereverTheSizeSliderStands)
{
    using platform::ui::FakeDialogs;
    using platform::ui::FontChoice;
    FakeDialogs::Reset();
    // Cancelled: nothing changes; the dialog started from the lettering's font.
    form->btnFontClick(nullptr);
    ASSERT_TRUE(FakeDialogs::LastFont().has_value());
    EXPECT_EQ(FakeDialogs::LastFont()->family, "AGCrownStyle");
    EXPECT_FLOAT_EQ(FakeDialogs::LastFont()->size, 16);
    EXPECT_EQ(form->Text->GetFont()->GetFamily(), "AGCrownStyle");

    // A size above the slider's range is what the lettering takes, whether the slider has to
    // move to show as much of it as it can or stands at its end already.
    const struct {
        float slider;
        FontChoice chosen;
        float sliderAfter;
        float size;
    } cases[] = {
        { 16, { "DejaVu Serif", 72, 3 }, 36, 72 },
        { 36, { "DejaVu Serif", 72, 3 }, 36, 72 },
        { 36, { "DejaVu Sans Mono", 20, 0 }, 20, 20 },
        { 16, { "DejaVu Sans Mono", 16, 1 }, 16, 16 },
        { 16, { "DejaVu Serif", 1, 0 }, 2, 2 }, // the slider's minimum is the smallest size
        { 16, { "DejaVu Serif", 1e6f, 0 }, 36, TfrmMain::kMaxFontSize },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.slider << " -> " << c.chosen.size);
        form->trackSize->SetValue(c.slider);
        const float width = form->Preview->GetWidth();
        FakeDialogs::SetFontAnswer([&](const FontChoice&) -> std::optional<FontChoice> { return c.chosen; });
        form->btnFontClick(nullptr);
        EXPECT_EQ(form->Text->GetFont()->GetFamily(), c.chosen.family);
        EXPECT_EQ(static_cast<int>(form->Text->GetFont()->GetStyle()), c.chosen.style);
        EXPECT_FLOAT_EQ(form->trackSize->GetValue(), c.sliderAfter);
        EXPECT_FLOAT_EQ(form->Text->GetFont()->GetSize(), c.size);
        // The frame fits the lettering as it now is.
        const TwzRect bounds = form->Text->GetTextBounds();
        EXPECT_FLOAT_EQ(form->Preview->GetWidth(), 1.2f * (bounds.Right - bounds.Left)) << "was " << width;
    }
    // The next move of the slider sets the size from the slider again.
    form->trackSize->SetValue(30);
    EXPECT_FLOAT_EQ(form->Text->GetFont()->GetSize(), 30);
    FakeDialogs::Reset();
}
