#pragma once

#include "forms/AppForm.h"

#include <cstdint>
#include <string>
#include <string_view>

class TfrmMain;
class TwzBitmap;
class TwzButton;
class TwzCheckBox;
class TwzCompoundNumberBox;
class TwzCustomScene;
class TwzCustomTrack;
class TwzImageViewer;
class TwzPathCheckBox;
class TwzPopupBox;
class TwzProgressBar;

// The render-to-image dialog: the main window's lettering rendered off screen at a chosen
// pixel size, with a transparent or a solid background, shown in an image viewer with zoom
// controls and saved as a PNG, JPEG, GIF or BMP file.
//
// A render shows its progress (the tiles done) in the status bar once it takes a moment and
// keeps the window responsive; "Cancel" stops it, leaving the background alone. A change made
// while a render runs stops it and renders again with the new settings.
class TfrmExport : public TAppForm {
    RTL_CLASS(TfrmExport, TAppForm)
public:
    /// The dialog for `main`, read from its stored description (its FormCreate has run).
    TfrmExport(rtl::TComponent* owner, TfrmMain& main);

    /// The stored description of the dialog, as embedded at build time.
    [[nodiscard]] static std::string_view StoredDescription();

    // ---- handlers (published) -------------------------------------------------------------
    void FormCreate(rtl::TObject* sender);
    void numberWidthChange(rtl::TObject* sender);
    void numberHeightChange(rtl::TObject* sender);
    void checkPropChange(rtl::TObject* sender);
    void checkTransparentChange(rtl::TObject* sender);
    void popupExtChange(rtl::TObject* sender);
    void trackScaleChange(rtl::TObject* sender);
    void btnFitClick(rtl::TObject* sender);
    void btnOriginalClick(rtl::TObject* sender);
    void btnSaveClick(rtl::TObject* sender);
    void btnOkClick(rtl::TObject* sender);
    void Button2Click(rtl::TObject* sender);
    void btnCancelRenderClick(rtl::TObject* sender);

    // ---- the work behind the handlers -------------------------------------------------------
    /// Renders the main window's lettering into the viewer at the chosen size. Returns false
    /// when the render was cancelled (the picture is then the background alone).
    bool RenderPreview();
    /// Writes the viewer's picture to `fileName`; raises when it cannot be written, leaving
    /// an existing file as it was.
    void SavePicture(const std::string& fileName);
    /// The text of the chosen format: "PNG", "JPEG", "GIF" or "BMP".
    [[nodiscard]] std::string FormatText() const;
    /// Whether a render runs (its progress hook lets messages through).
    [[nodiscard]] bool IsRendering() const { return m_rendering; }
    /// Whether the viewer holds a whole render (not one that was cancelled).
    [[nodiscard]] bool IsPictureComplete() const { return m_pictureComplete; }
    /// Whether the dialog is shown (renders follow user changes only then).
    [[nodiscard]] bool IsShowing() const { return m_showing; }
    /// Shows the dialog modally, rendering once it is on the screen; returns the modal result.
    int32_t Execute();

    // ---- the components (null when the description lacks one) -------------------------------
    TwzCustomScene* wzScene1 = nullptr;
    TwzImageViewer* Preview = nullptr;
    TwzCompoundNumberBox* numberWidth = nullptr;
    TwzCompoundNumberBox* numberHeight = nullptr;
    TwzPathCheckBox* checkProp = nullptr;
    TwzPopupBox* popupExt = nullptr;
    TwzCheckBox* checkTransparent = nullptr;
    TwzCustomTrack* trackScale = nullptr;
    TwzProgressBar* progressRender = nullptr;
    TwzButton* btnCancelRender = nullptr;

protected:
    ~TfrmExport() override;
    void DescriptionLoaded() override;

private:
    [[nodiscard]] TwzBitmap* Picture() const;
    void ShowProgress(bool visible);

    TfrmMain* m_main;
    bool m_showing = false;
    bool m_rendering = false;
    bool m_cancel = false;
    bool m_renderAgain = false;
    bool m_pictureComplete = false; // the picture is a whole render, not a cancelled one
};

namespace app {

/// The name the render dialog writes: `chosen` with the extension of its file name (from its
/// last ".", not one of a folder) replaced by "." and the lower-cased format text.
[[nodiscard]] std::string ExportFileName(const std::string& chosen, std::string_view format);

/// Runs the render dialog for `main` (the tool bar's "Render...").
void RunExportDialog(TfrmMain& main);

} // namespace app
