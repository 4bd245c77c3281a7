#include "app/ExportForm.h"

#include "app/AppResources.h"
#include "app/MainForm.h"
#include "app/Pictures.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzCompoundRows.h"
#include "controls/TwzExtControls.h"
#include "controls/TwzImageViewer.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzProgressBar.h"
#include "controls/TwzTracks.h"
#include "graphics/Colors.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFilter.h"
#include "scene3d/ThvDummy.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzResources.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

namespace {

constexpr rtl::TMethodInfo kExportFormHandlers[] = {
    RTL_HANDLER(TfrmExport, FormCreate, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, numberWidthChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, numberHeightChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, checkPropChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, checkTransparentChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, popupExtChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, trackScaleChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, btnFitClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, btnOriginalClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, btnSaveClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, btnOkClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, Button2Click, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmExport, btnCancelRenderClick, rtl::TNotifyEvent),
};

// Supersampling of the rendered picture.
constexpr int32_t kSupersampling = 6;
// A render shorter than this shows no progress.
constexpr int64_t kProgressDelayMs = 250;

constexpr const char* kFormats[] = { "PNG", "JPEG", "GIF", "BMP" };

int32_t RoundedRatio(float value, int32_t numerator, int32_t denominator)
{
    if (denominator <= 0)
        return static_cast<int32_t>(rtl::Round(value));
    return static_cast<int32_t>(rtl::Round(static_cast<double>(value) * numerator / denominator));
}

} // namespace

RTL_IMPLEMENT_CLASS(TfrmExport, .methods = kExportFormHandlers)

namespace app {

std::string ExportFileName(const std::string& chosen, std::string_view format)
{
    // The stem keeps a leading dot (".hidden" has no extension) and every dot of a folder.
    std::filesystem::path path(chosen);
    const std::string stem = path.stem().string();
    std::string extension(format);
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    path.replace_filename(stem + "." + extension);
    return path.string();
}

void RunExportDialog(TfrmMain& main)
{
    // Owned by the main window while it runs, freed when it closes.
    rtl::TOwned<TfrmExport> dialog(new TfrmExport(&main, main));
    // Not shown yet: the check renders nothing.
    if (dialog->checkTransparent && main.radioTransparent)
        dialog->checkTransparent->SetIsChecked(main.radioTransparent->GetIsChecked());
    if (dialog->Preview)
        dialog->Preview->SetBitmapScale(1);
    dialog->Execute();
}

} // namespace app

TfrmExport::TfrmExport(rtl::TComponent* owner, TfrmMain& main)
    : TAppForm(owner)
    , m_main(&main)
{
    LoadDescription(StoredDescription());
}

TfrmExport::~TfrmExport() = default;

std::string_view TfrmExport::StoredDescription()
{
    return app::EmbeddedFile("ExportForm.txt");
}

void TfrmExport::DescriptionLoaded()
{
    auto find
        = [this]<class T>(T*& field, const char* name) { field = dynamic_cast<T*>(FindComponent(name)); };
    find(wzScene1, "wzScene1");
    find(Preview, "Preview");
    find(numberWidth, "numberWidth");
    find(numberHeight, "numberHeight");
    find(checkProp, "checkProp");
    find(popupExt, "popupExt");
    find(checkTransparent, "checkTransparent");
    find(trackScale, "trackScale");
    find(progressRender, "progressRender");
    find(btnCancelRender, "btnCancelRender");
}

TwzBitmap* TfrmExport::Picture() const
{
    return Preview ? Preview->GetBitmap() : nullptr;
}

void TfrmExport::FormCreate(rtl::TObject*)
{
    if (wzScene1)
        wzScene1->SetStyle(dynamic_cast<TwzResources*>(m_main->FindComponent("skinResources")));
    if (Preview) {
        // The picture lies on a checkerboard, so its transparent parts show as such.
        TwzBrush* fill = Preview->GetBackgroundFill();
        auto tile = std::make_unique<TwzBrushBitmap>();
        app::DrawCheckerboard(*tile->GetBitmap());
        tile->SetWrapMode(wzWrapTile);
        fill->SetBitmap(tile.get());
        fill->SetStyle(wzBrushBitmap);
        Preview->SetShowBackground(true);
    }
    if (m_main->Preview && numberWidth && numberHeight) {
        const TwzRect bounds = m_main->Preview->GetScreenBounds();
        numberWidth->SetValue(RectWidth(bounds));
        numberHeight->SetValue(RectHeight(bounds));
    }
}

std::string TfrmExport::FormatText() const
{
    const int32_t index = popupExt ? popupExt->GetItemIndex() : 0;
    return index >= 0 && index < static_cast<int32_t>(std::size(kFormats)) ? kFormats[index] : kFormats[0];
}

void TfrmExport::ShowProgress(bool visible)
{
    if (progressRender)
        progressRender->SetVisible(visible);
    if (btnCancelRender)
        btnCancelRender->SetVisible(visible);
}

bool TfrmExport::RenderPreview()
{
    // A change while a render runs: that render stops, and the loop below renders again.
    if (m_rendering) {
        m_cancel = true;
        m_renderAgain = true;
        return false;
    }
    TwzBitmap* picture = Picture();
    if (!picture || !m_main->Preview || !numberWidth || !numberHeight)
        return false;
    rtl::Watch<TfrmExport> self(this);
    platform::ui::Application* application = platform::ui::Application::TryCurrent();
    bool complete = false;
    m_rendering = true;
    do {
        m_renderAgain = false;
        m_cancel = false;
        const auto width = static_cast<int32_t>(std::trunc(numberWidth->GetValue()));
        const auto height = static_cast<int32_t>(std::trunc(numberHeight->GetValue()));
        uint32_t clear = 0;
        if (checkTransparent && !checkTransparent->GetIsChecked() && m_main->colorBackground)
            clear = TextToColor(m_main->colorBackground->GetColor());
        picture->Clear(0);
        const int64_t start = application ? application->TickMs() : 0;
        bool progressShown = false;
        complete = m_main->Preview->MakeScreenshot(
            picture, width, height, clear, kSupersampling, [&](int64_t done, int64_t total) {
                if (!self)
                    return false;
                if (m_showing && application) {
                    if (!progressShown && application->TickMs() - start >= kProgressDelayMs) {
                        progressShown = true;
                        ShowProgress(true);
                    }
                    if (progressShown && progressRender && total > 0)
                        progressRender->SetValue(static_cast<float>(100.0 * done / total));
                    // Keeps the dialog answering: a change, "Cancel" or closing the window
                    // stops this render.
                    application->ProcessMessages();
                    if (!self)
                        return false;
                    if (GetWindow() && GetWindow()->GetModalResult() != platform::ui::kModalNone)
                        m_cancel = true;
                }
                return !m_cancel;
            });
        if (!self)
            return false;
        if (progressShown)
            ShowProgress(false);
    } while (m_renderAgain && !(GetWindow() && GetWindow()->GetModalResult() != platform::ui::kModalNone));
    m_rendering = false;
    m_pictureComplete = complete;
    return complete;
}

void TfrmExport::numberWidthChange(rtl::TObject*)
{
    if (checkProp && checkProp->GetIsChecked() && Picture() && numberWidth && numberHeight)
        numberHeight->SetValue(static_cast<float>(
            RoundedRatio(numberWidth->GetValue(), Picture()->GetHeight(), Picture()->GetWidth())));
    RenderPreview();
}

void TfrmExport::numberHeightChange(rtl::TObject*)
{
    if (checkProp && checkProp->GetIsChecked() && Picture() && numberWidth && numberHeight)
        numberWidth->SetValue(static_cast<float>(
            RoundedRatio(numberHeight->GetValue(), Picture()->GetWidth(), Picture()->GetHeight())));
    RenderPreview();
}

void TfrmExport::checkPropChange(rtl::TObject*)
{
    if (checkProp && checkProp->GetIsChecked() && Picture() && numberWidth && numberHeight)
        numberHeight->SetValue(static_cast<float>(
            RoundedRatio(numberWidth->GetValue(), Picture()->GetHeight(), Picture()->GetWidth())));
}

void TfrmExport::checkTransparentChange(rtl::TObject*)
{
    if (m_showing)
        RenderPreview();
}

void TfrmExport::popupExtChange(rtl::TObject*)
{
    if (!checkTransparent)
        return;
    const bool png = popupExt && popupExt->GetItemIndex() == 0;
    checkTransparent->SetEnabled(png);
    if (!png)
        checkTransparent->SetIsChecked(false);
}

void TfrmExport::trackScaleChange(rtl::TObject*)
{
    if (Preview && trackScale)
        Preview->SetBitmapScale(trackScale->GetValue() / 100);
}

void TfrmExport::btnFitClick(rtl::TObject*)
{
    if (!Preview)
        return;
    Preview->BestFit();
    if (trackScale)
        trackScale->SetValue(Preview->GetBitmapScale() * 100);
}

void TfrmExport::btnOriginalClick(rtl::TObject*)
{
    if (!Preview)
        return;
    Preview->SetBitmapScale(1);
    if (trackScale)
        trackScale->SetValue(Preview->GetBitmapScale() * 100);
}

void TfrmExport::SavePicture(const std::string& fileName)
{
    TwzBitmap* picture = Picture();
    if (!picture || picture->GetWidth() <= 0 || picture->GetHeight() <= 0)
        throw rtl::WriteError("there is no picture to save");
    if (!DefaultFilterClass)
        throw rtl::WriteError("no image encoder is available");
    picture->SaveToFile(fileName);
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error))
        throw rtl::WriteError("the file was not written");
}

void TfrmExport::btnSaveClick(rtl::TObject*)
{
    if (m_rendering)
        return;
    rtl::Watch<TfrmExport> self(this);
    // A picture left by a cancelled render is no picture to save: render it whole first.
    if (!m_pictureComplete && (!RenderPreview() || !self))
        return;
    const std::string format = FormatText();
    std::string extension = format;
    std::transform(extension.begin(), extension.end(), extension.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    platform::ui::SaveFileOptions options;
    options.filter
        = "Images|" + (DefaultFilterClass ? DefaultFilterClass->GetFileTypes() : std::string("*.*"));
    options.defaultExtension = extension;
    // The question is asked below, about the file that will be written.
    options.overwritePrompt = false;
    options.owner = GetWindow();
    const std::optional<std::string> chosen = platform::ui::Dialogs::SaveFile(options);
    if (!chosen || !self)
        return;
    const std::string fileName = app::ExportFileName(*chosen, format);
    std::error_code error;
    if (std::filesystem::exists(fileName, error)
        && !platform::ui::Dialogs::Confirm(
            "\"" + fileName + "\" already exists.\nDo you want to replace it?", GetWindow()))
        return;
    try {
        SavePicture(fileName);
    } catch (const std::exception& e) {
        platform::ui::Dialogs::ShowError(
            "The picture could not be saved to " + fileName + ".\n" + e.what(), GetWindow());
    }
}

void TfrmExport::btnOkClick(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalOk);
}

void TfrmExport::Button2Click(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalCancel);
}

void TfrmExport::btnCancelRenderClick(rtl::TObject*)
{
    m_cancel = true;
    m_renderAgain = false;
}

int32_t TfrmExport::Execute()
{
    rtl::Watch<TfrmExport> self(this);
    m_showing = true;
    // The first render runs once the dialog is on the screen, so a long one shows progress.
    if (platform::ui::Application* application = platform::ui::Application::TryCurrent())
        application->Post([self] {
            if (self)
                self->RenderPreview();
        });
    const int32_t result = ShowModal();
    if (self)
        m_showing = false;
    return result;
}
