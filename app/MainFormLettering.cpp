// The lettering of the main window: the frame update, the six faces' colours and textures,
// the text, font and background handlers.

#include "app/MainForm.h"

#include "app/Textures.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzMemo.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/Properties.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Sizes of the box, the text and the slab never fall below this, whatever the margins.
constexpr float kMinSize = 0.01f;

float TrackValue(const TwzCustomTrack* track, float fallback)
{
    return track ? track->GetValue() : fallback;
}

bool Checked(const TwzCheckBox* box, bool fallback)
{
    return box ? box->GetIsChecked() : fallback;
}

} // namespace

// ---- the controls read by name ----------------------------------------------------------------

namespace app {

TwzBitmap* PictureOf(TwzControl* control)
{
    if (!control)
        return nullptr;
    const rtl::TValue value = rtl::GetPropValue(*reinterpret_cast<rtl::TObject*>(control), "Bitmap");
    if (const auto* object = std::get_if<rtl::TObject*>(&value))
        return dynamic_cast<TwzBitmap*>(*object);
    return nullptr;
}

} // namespace app

// ---- frame update -----------------------------------------------------------------------------

void TfrmMain::UpdateFrame()
{
    if (!Text || !Preview || !Frame || m_updateSuspended)
        return;
    const TwzRect bounds = Text->GetTextBounds();
    const float w = bounds.Right - bounds.Left;
    const float h = bounds.Bottom - bounds.Top;
    const float padH = TrackValue(trackFramePaddingHorz, 0);
    const float padV = TrackValue(trackFramePaddingVert, 0);
    const float textDepth = TrackValue(trackDepth, 0.6f);
    const float frameDepth = TrackValue(trackFrameDepth, 0.4f);
    const float radius = TrackValue(trackFrameRadius, 0.6f);
    int32_t corner = 0;
    if (listFrameCorner) {
        const rtl::TValue index = rtl::GetPropValue(*listFrameCorner, "ItemIndex");
        if (const auto* i = std::get_if<int64_t>(&index))
            corner = static_cast<int32_t>(*i);
    }
    const bool framed = Checked(checkFrame, true);

    const float boxWidth = std::max(kMinSize, 1.2f * w + padH);
    const float boxHeight = std::max(kMinSize, 1.5f * h + padV);
    Preview->SetWidth(boxWidth);
    Preview->SetHeight(boxHeight);
    Preview->SetDepth(frameDepth + textDepth);

    Text->SetWidth(boxWidth);
    Text->SetHeight(boxHeight);
    Text->SetDepth(textDepth);
    Text->GetPosition()->SetPoint({ 0, 0, Preview->GetDepth() / 2 - Text->GetDepth() / 2 });

    if (layoutFrame)
        layoutFrame->SetEnabled(framed);

    if (corner >= wzCornerRound && corner <= wzCornerInnerLine)
        Frame->SetCornerType(static_cast<TwzCornerType>(corner));
    Frame->SetxRadius(radius);
    Frame->SetyRadius(radius);

    TwzCorners corners;
    Frame->SetCorners(corners);
    const std::pair<TwzCheckBox*, TwzCorner> boxes[] = {
        { checkFrameTopLeft, wzCornerTopLeft },
        { checkFrameTopRight, wzCornerTopRight },
        { checkFrameBottomLeft, wzCornerBottomLeft },
        { checkFrameBottomRight, wzCornerBottomRight },
    };
    for (const auto& [box, bit] : boxes) {
        const bool fallback = bit == wzCornerTopLeft || bit == wzCornerBottomRight;
        if (Checked(box, fallback)) {
            corners.Include(bit);
            Frame->SetCorners(corners);
        }
    }

    Frame->SetVisible(framed);
    Frame->SetWidth(std::max(kMinSize, Preview->GetWidth() - 0.2f));
    Frame->SetHeight(std::max(kMinSize, Preview->GetHeight() - 0.2f));
    Frame->SetDepth(frameDepth);
    Frame->GetPosition()->SetPoint({ 0, 0, Frame->GetDepth() / 2 - Preview->GetDepth() / 2 - 0.001f });

    if (!Text->GetMaterial()->GetBitmap().empty())
        BuildFace(Face::TextFront);
    if (!Text->GetMaterialLeft()->GetBitmap().empty())
        BuildFace(Face::TextLeft);
    if (Frame->GetVisible()) {
        if (!Frame->GetMaterial()->GetBitmap().empty())
            BuildFace(Face::FrameFront);
        if (!Frame->GetMaterialLeft()->GetBitmap().empty())
            BuildFace(Face::FrameLeft);
    }
}

// ---- faces --------------------------------------------------------------------------------------

TwzBitmap& TfrmMain::TextureScratch()
{
    if (!m_textureScratch)
        m_textureScratch = std::make_unique<TwzBitmap>(1, 1);
    return *m_textureScratch;
}

TfrmMain::FaceParts TfrmMain::PartsOf(Face face) const
{
    switch (face) {
    case Face::TextFront:
        return { Text, Text ? Text->GetMaterial() : nullptr, imageFront, colorFront, "Front" };
    case Face::TextLeft:
        return { Text, Text ? Text->GetMaterialLeft() : nullptr, imageLeft, colorLeft, "Left" };
    case Face::TextBack:
        return { Text, Text ? Text->GetMaterialBack() : nullptr, imageBack, colorBack, "Back" };
    case Face::FrameFront:
        return { Frame, Frame ? Frame->GetMaterial() : nullptr, frameFrontImage, frameFrontColor,
            "frameFront" };
    case Face::FrameLeft:
        return { Frame, Frame ? Frame->GetMaterialLeft() : nullptr, frameLeftImage, frameLeftColor,
            "frameLeft" };
    case Face::FrameBack:
        return { Frame, Frame ? Frame->GetMaterialBack() : nullptr, frameBackImage, frameBackColor,
            "frameBack" };
    }
    return {};
}

void TfrmMain::BuildFace(Face face)
{
    const FaceParts parts = PartsOf(face);
    TwzBitmap* picture = app::PictureOf(parts.picture);
    if (!parts.shape || !picture)
        return;
    auto* resource = dynamic_cast<ThvBitmapObject*>(parts.shape->FindComponent(parts.resource));
    if (!resource)
        resource = dynamic_cast<ThvBitmapObject*>(FindComponent(parts.resource));
    if (!resource || !resource->GetBitmap())
        return;
    TwzBitmap& scratch = TextureScratch();
    if (face == Face::TextLeft || face == Face::FrameLeft) {
        const float length = face == Face::TextLeft ? Text->GetOutlineLength()
                                                    : 2 * (Frame->GetHeight() + Frame->GetWidth());
        app::BuildSideTexture(scratch, parts.shape->GetDepth(), *picture, length, hvMaxTextureWidth);
    } else {
        app::BuildFaceTexture(
            scratch, parts.shape->GetWidth(), parts.shape->GetHeight(), *picture, hvMaxTextureWidth);
    }
    resource->GetBitmap()->Assign(scratch);
}

void TfrmMain::SetFaceColor(Face face)
{
    const FaceParts parts = PartsOf(face);
    if (!parts.material)
        return;
    ++m_faceChanges;
    if (parts.color)
        parts.material->SetDiffuse(parts.color->GetColor());
    parts.material->SetBitmap("");
}

void TfrmMain::SetFacePicture(Face face)
{
    const FaceParts parts = PartsOf(face);
    if (!parts.material)
        return;
    ++m_faceChanges;
    BuildFace(face);
    parts.material->SetDiffuse("#FFFFFFFF");
    parts.material->SetBitmap(parts.resource);
}

void TfrmMain::imageFrontChange(rtl::TObject*)
{
    SetFacePicture(Face::TextFront);
}
void TfrmMain::imageLeftChange(rtl::TObject*)
{
    SetFacePicture(Face::TextLeft);
}
void TfrmMain::imageBackChange(rtl::TObject*)
{
    SetFacePicture(Face::TextBack);
}
void TfrmMain::frameFrontImageChange(rtl::TObject*)
{
    SetFacePicture(Face::FrameFront);
}
void TfrmMain::frameLeftImageChange(rtl::TObject*)
{
    SetFacePicture(Face::FrameLeft);
}
void TfrmMain::frameBackImageChange(rtl::TObject*)
{
    SetFacePicture(Face::FrameBack);
}
void TfrmMain::colorFrontChange(rtl::TObject*)
{
    SetFaceColor(Face::TextFront);
}
void TfrmMain::colorLeftChange(rtl::TObject*)
{
    SetFaceColor(Face::TextLeft);
}
void TfrmMain::colorBackChange(rtl::TObject*)
{
    SetFaceColor(Face::TextBack);
}
void TfrmMain::frameFrontColorChange(rtl::TObject*)
{
    SetFaceColor(Face::FrameFront);
}
void TfrmMain::frameLeftColorChange(rtl::TObject*)
{
    SetFaceColor(Face::FrameLeft);
}
void TfrmMain::frameBackColorChange(rtl::TObject*)
{
    SetFaceColor(Face::FrameBack);
}

// ---- text and font ------------------------------------------------------------------------------

void TfrmMain::textEditorChangeTracking(rtl::TObject*)
{
    if (Text && textEditor)
        Text->SetText(textEditor->GetText());
    UpdateFrame();
}

void TfrmMain::trackSizeChange(rtl::TObject*)
{
    if (Text && trackSize)
        Text->GetFont()->SetSize(trackSize->GetValue());
    UpdateFrame();
}

void TfrmMain::trackDepthChange(rtl::TObject*)
{
    UpdateFrame();
}

void TfrmMain::trackFramePaddingHorzChange(rtl::TObject*)
{
    UpdateFrame();
}

float TfrmMain::LetteringFontSize(float size) const
{
    // The slider's minimum is the smallest size the lettering takes; above the slider's
    // range the font dialog and design files reach up to kMaxFontSize.
    const float smallest = trackSize ? trackSize->GetMin() : 2;
    if (!std::isfinite(size))
        return smallest;
    return std::clamp(size, smallest, std::max(smallest, kMaxFontSize));
}

void TfrmMain::btnFontClick(rtl::TObject*)
{
    if (!Text)
        return;
    platform::ui::FontChoice start;
    start.family = Text->GetFont()->GetFamily();
    start.size = Text->GetFont()->GetSize();
    start.style = static_cast<int32_t>(Text->GetFont()->GetStyle());
    const std::optional<platform::ui::FontChoice> chosen
        = platform::ui::Dialogs::ChooseFont(start, GetWindow());
    if (!chosen)
        return;
    Text->GetFont()->SetFamily(chosen->family);
    Text->GetFont()->SetStyle(static_cast<ThvFontStyle>(std::clamp(chosen->style, 0, 3)));
    const float size = LetteringFontSize(chosen->size);
    if (trackSize) {
        // The slider shows the chosen size as far as its range goes; the lettering takes the
        // chosen size itself, so the slider's change must not update the frame with its own.
        const bool suspended = std::exchange(m_updateSuspended, true);
        trackSize->SetValue(size);
        m_updateSuspended = suspended;
    }
    Text->GetFont()->SetSize(size);
    UpdateFrame();
}

// ---- background ---------------------------------------------------------------------------------

void TfrmMain::radioTransparentChange(rtl::TObject*)
{
    // The pair raises the change of the button it unchecks first, so the button being checked
    // decides the final state.
    if (TransparentBack)
        TransparentBack->SetVisible(true);
}

void TfrmMain::radioSolidChange(rtl::TObject*)
{
    if (TransparentBack)
        TransparentBack->SetVisible(false);
    if (hvScene1 && colorBackground)
        hvScene1->SetFillColor(colorBackground->GetColor());
}

void TfrmMain::colorBackgroundChange(rtl::TObject*)
{
    if (radioSolid && !radioSolid->GetIsChecked())
        radioSolid->SetIsChecked(true);
    else
        radioSolidChange(nullptr);
}
