// Camera navigation, the about panel, the picture strip and the web links of the main window.

#include "app/MainForm.h"

#include "controls/TwzButtons.h"
#include "graphics/Easing.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvCustomLayer.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/ui/Input.h"
#include "platform/ui/Shell.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// No web address is configured for this build: the about panel shows the lines as plain text.
const std::string kSiteAddressRu;
const std::string kSiteAddress;
const std::string kCreditAddress;

// The orbit drag starts only in the central area of the view, away from the panels.
constexpr float kOrbitSideMargin = 200;
constexpr float kOrbitTopMargin = 100;

} // namespace

float TfrmMain::ViewWidth() const
{
    return hvScene1 ? static_cast<float>(hvScene1->GetWidth()) : static_cast<float>(GetClientWidth());
}

float TfrmMain::ViewHeight() const
{
    return hvScene1 ? static_cast<float>(hvScene1->GetHeight()) : static_cast<float>(GetClientHeight());
}

// ---- orbit and zoom -----------------------------------------------------------------------------

void TfrmMain::FitStartView()
{
    if (!Camera1 || !Preview)
        return;
    float width = ViewWidth();
    float height = ViewHeight();
    if (width <= 0 || height <= 0) {
        // The scene takes the client area once the window exists.
        width = static_cast<float>(GetClientWidth());
        height = static_cast<float>(GetClientHeight());
    }
    if (width <= 0 || height <= 0)
        return;
    // The camera looks at the box's centre through a quarter turn of view (vertically); the
    // box stays centred, so the bars at the top and bottom take from both halves the taller
    // of the two.
    float covered = 0;
    for (ThvVisualObject* bar : { ToolBar, Inspector })
        if (bar && bar->GetVisible())
            covered = std::max(covered, bar->GetHeight());
    const float halfView = std::tan(std::numbers::pi_v<float> / 8);
    const float clearHeight = std::max(height / 2 - covered, height / 4) / (height / 2);
    constexpr float kMargin = 1.08f;
    const float forWidth = Preview->GetWidth() / 2 / (halfView * width / height);
    const float forHeight = Preview->GetHeight() / 2 / (halfView * clearHeight);
    const float needed = kMargin * std::max(forWidth, forHeight) + Preview->GetDepth() / 2;
    ThvPosition* position = Camera1->GetPosition();
    if (std::isfinite(needed) && needed > -position->GetY())
        position->SetY(-needed);
}

void TfrmMain::Root1MouseDown(
    rtl::TObject*, TMouseButton button, TShiftState, float x, float y, const ThvVector&, const ThvVector&)
{
    if (hvScene1)
        hvScene1->SetFocused(nullptr);
    m_lastMousePos = { x, y, 0 };
    if (button == TMouseButton::Left && x > kOrbitSideMargin && y > kOrbitTopMargin
        && x < ViewWidth() - kOrbitSideMargin)
        m_orbiting = true;
}

void TfrmMain::Root1MouseMove(
    rtl::TObject*, TShiftState, float x, float y, const ThvVector&, const ThvVector&)
{
    if (!m_orbiting)
        return;
    if (CameraZ)
        CameraZ->GetRotateAngle()->SetZ(CameraZ->GetRotateAngle()->GetZ() + (x - m_lastMousePos.X));
    if (CameraX)
        CameraX->GetRotateAngle()->SetX(CameraX->GetRotateAngle()->GetX() + (y - m_lastMousePos.Y));
    m_lastMousePos = { x, y, 0 };
}

void TfrmMain::Root1MouseUp(
    rtl::TObject*, TMouseButton, TShiftState, float, float, const ThvVector&, const ThvVector&)
{
    m_orbiting = false;
}

void TfrmMain::Root1MouseWheel(rtl::TObject*, TShiftState, int32_t wheelDelta, const ThvPoint&, bool& handled)
{
    if (Camera1) {
        ThvPosition* position = Camera1->GetPosition();
        position->SetY(position->GetY() + static_cast<float>(wheelDelta) / 30 * 0.1f);
    }
    handled = true;
}

void TfrmMain::btnResetCameraClick(rtl::TObject*)
{
    if (CameraZ)
        CameraZ->GetRotateAngle()->SetZ(0);
    if (CameraX)
        CameraX->GetRotateAngle()->SetX(0);
}

// ---- about panel --------------------------------------------------------------------------------

void TfrmMain::btnAboutClick(rtl::TObject*)
{
    rtl::Watch<TfrmMain> self(this);
    if (ImageLayout && ImageLayout->GetVisible())
        ImageLayout->AnimateFloat("Opacity", 0.7f, 0.2f, wzAnimationIn, wzInterpolationLinear);
    if (ToolBar)
        ToolBar->AnimateFloat("Opacity", 0.7f, 0.2f, wzAnimationIn, wzInterpolationLinear);
    if (Inspector)
        Inspector->AnimateFloatWait("Opacity", 0.7f, 0.2f, wzAnimationIn, wzInterpolationLinear);
    if (!self || !AboutLayout)
        return;
    const float toolBarHeight = ToolBar ? ToolBar->GetHeight() : 0;
    AboutLayout->SetVisible(true);
    AboutLayout->GetScale()->SetPoint({ 0.01f, 0.01f, 1 });
    AboutLayout->GetPosition()->SetPoint({ ViewWidth(), toolBarHeight, 0 });
    AboutLayout->AnimateFloat("Scale.X", 1, 0.5f, wzAnimationIn, wzInterpolationLinear);
    AboutLayout->AnimateFloat("Scale.Y", 1, 0.5f, wzAnimationIn, wzInterpolationLinear);
    AboutLayout->AnimateFloat("Position.X", ViewWidth() / 2, 0.5f, wzAnimationOut, wzInterpolationBack);
    AboutLayout->AnimateFloatWait("Position.Y", ViewHeight() / 2, 0.5f, wzAnimationOut, wzInterpolationBack);
}

void TfrmMain::Button1Click(rtl::TObject*)
{
    rtl::Watch<TfrmMain> self(this);
    if (AboutLayout) {
        const float toolBarHeight = ToolBar ? ToolBar->GetHeight() : 0;
        AboutLayout->AnimateFloat("Scale.X", 0.01f, 0.5f, wzAnimationIn, wzInterpolationLinear);
        AboutLayout->AnimateFloat("Scale.Y", 0.01f, 0.5f, wzAnimationIn, wzInterpolationLinear);
        AboutLayout->AnimateFloat("Position.X", ViewWidth(), 0.5f, wzAnimationIn, wzInterpolationBack);
        AboutLayout->AnimateFloatWait("Position.Y", toolBarHeight, 0.5f, wzAnimationIn, wzInterpolationBack);
        if (!self)
            return;
        if (AboutLayout)
            AboutLayout->SetVisible(false);
    }
    // The tool bar and the inspector come back whether or not the strip is shown.
    if (ImageLayout && ImageLayout->GetVisible())
        ImageLayout->AnimateFloat("Opacity", 0.98f, 0.2f, wzAnimationIn, wzInterpolationLinear);
    if (ToolBar)
        ToolBar->AnimateFloat("Opacity", 1, 0.2f, wzAnimationIn, wzInterpolationLinear);
    if (Inspector)
        Inspector->AnimateFloatWait("Opacity", 0.98f, 0.2f, wzAnimationIn, wzInterpolationLinear);
}

// ---- picture strip ------------------------------------------------------------------------------

void TfrmMain::btnImageListClick(rtl::TObject*)
{
    if (!ImageLayout || !btnImageList)
        return;
    const float toolBarHeight = ToolBar ? ToolBar->GetHeight() : 0;
    const float height = ImageLayout->GetHeight();
    auto* layer = dynamic_cast<ThvCustomLayer*>(ImageLayout);
    if (btnImageList->GetIsPressed()) {
        ImageLayout->SetWidth(ViewWidth());
        ImageLayout->GetPosition()->SetY(toolBarHeight - height / 2);
        ImageLayout->GetPosition()->SetX(ViewWidth() / 2);
        ImageLayout->SetVisible(true);
        rtl::Watch<ThvVisualObject> strip(ImageLayout);
        ImageLayout->AnimateFloatWait(
            "Position.Y", height / 2 + toolBarHeight, 0.5f, wzAnimationIn, wzInterpolationLinear);
        if (strip && layer)
            layer->SetLayerAlign(hvLayerTop);
    } else {
        if (layer)
            layer->SetLayerAlign(hvLayerNone);
        rtl::Watch<ThvVisualObject> strip(ImageLayout);
        ImageLayout->AnimateFloatWait(
            "Position.Y", toolBarHeight - height / 2, 0.5f, wzAnimationIn, wzInterpolationLinear);
        if (strip)
            strip->SetVisible(false);
    }
}

// ---- web links ----------------------------------------------------------------------------------

const std::string& TfrmMain::SiteAddress() const
{
    const bool russian = wzLang1 && wzLang1->GetLang() == "ru";
    return russian ? kSiteAddressRu : kSiteAddress;
}

void TfrmMain::ShowLinks()
{
    // A line without an address is plain text: a hand cursor over it and a click that does
    // nothing would promise a link that is not there.
    auto link = [this](const char* name, const std::string& address) {
        auto* line = dynamic_cast<TwzVisualObject*>(FindComponent(name));
        if (!line)
            return;
        const bool live = !address.empty();
        line->SetCursor(live ? platform::ui::cursor::kHandPoint : platform::ui::cursor::kDefault);
        line->SetHitTest(live);
    };
    link("labelWebSite", SiteAddress());
    link("Label17", kCreditAddress);
}

void TfrmMain::HowtoUseHelp1Click(rtl::TObject*)
{
    if (!SiteAddress().empty())
        platform::ui::OpenUrl(SiteAddress(), GetWindow());
}

void TfrmMain::Label17Click(rtl::TObject*)
{
    if (!kCreditAddress.empty())
        platform::ui::OpenUrl(kCreditAddress, GetWindow());
}
