#pragma once

#include "design/TwzSelection.h"
#include "forms/AppForm.h"
#include "graphics/Geometry.h"
#include "ui2d/TwzVisualObject.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TwzBackground;
class TwzBitmap;
class TwzButton;
class TwzCanvas;
class TwzControl;
class TwzCustomScene;
class TwzCustomTrack;
class TwzLabel;
class TwzNumberBox;
class TwzPaintBox;
class TwzScrollBox;

// The bitmap editor: a modal dialog that edits a copy of a bitmap. The user loads a picture
// file, saves it, clears it, resizes it keeping its proportions, zooms the view, and cuts out
// a part with a crop frame.
//
// Callers: create the editor (owner null), AssignFromBitmap(source), ShowModal, and when it
// returns platform::ui::kModalOk, AssignToBitmap(destination); then free it.
//
// A picture file that cannot be read, or a save that fails, is reported in a message naming
// the file and the cause; a failed load changes nothing. The crop is cut to the picture, so a
// frame left over a smaller picture (after a load or a resize) never reads outside it.
class TwzBitmapEditor : public TAppForm {
    RTL_CLASS(TwzBitmapEditor, TAppForm)
public:
    /// The editor read from its stored description (its FormCreate has run).
    explicit TwzBitmapEditor(rtl::TComponent* owner);

    /// The stored description of the editor, as embedded at build time.
    [[nodiscard]] static std::string_view StoredDescription();

    /// Takes a copy of `bitmap` in (nothing is copied for null) and forgets the file name;
    /// a picture wider than one pixel enables the edit group.
    void AssignFromBitmap(TwzBitmap* bitmap);
    /// Writes the result into `bitmap`: the part under the crop frame, cut to the picture,
    /// when there is a frame of some size over it; else the whole picture. Null does nothing.
    void AssignToBitmap(TwzBitmap* bitmap);

    // ---- handlers (published) -------------------------------------------------------------
    void FormCreate(rtl::TObject* sender);
    void FormDestroy(rtl::TObject* sender);
    /// "Load...".
    void Button1Click(rtl::TObject* sender);
    /// "Save...".
    void btnSaveClick(rtl::TObject* sender);
    void btnOkClick(rtl::TObject* sender);
    /// "Cancel".
    void Button2Click(rtl::TObject* sender);
    /// "Clear".
    void Button3Click(rtl::TObject* sender);
    void cropButtonClick(rtl::TObject* sender);
    void trackScaleChange(rtl::TObject* sender);
    void trackScaleMouseDown(rtl::TObject* sender, TMouseButton button, TShiftState shift, float x, float y);
    void btnFitClick(rtl::TObject* sender);
    void btnOriginalClick(rtl::TObject* sender);
    void btnResizeClick(rtl::TObject* sender);
    void newWidthChange(rtl::TObject* sender);
    void newHeightChange(rtl::TObject* sender);
    /// The resize panel's "OK".
    void Button4Click(rtl::TObject* sender);
    /// The resize panel's "Cancel".
    void Button5Click(rtl::TObject* sender);
    void PreviewPaint(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect);

    // ---- the work behind the handlers -----------------------------------------------------
    /// Reads the picture file into the editor. When it cannot be read, says why in a message
    /// and returns false, leaving everything as it was.
    bool LoadPicture(const std::string& fileName);
    /// Writes the whole picture to `fileName` in the format its extension names. When that
    /// fails, says why in a message and returns false.
    bool SavePicture(const std::string& fileName);

    // ---- state ------------------------------------------------------------------------------
    /// The picture being edited.
    [[nodiscard]] TwzBitmap& Picture();
    /// The file last loaded (what "Save..." proposes); empty after AssignFromBitmap.
    [[nodiscard]] const std::string& FileName() const { return m_fileName; }
    /// The crop frame, a child of Preview in its coordinates; null when not cropping.
    [[nodiscard]] TwzSelection* CropFrame() const { return m_cropFrame.Get(); }
    /// The view's scale (trackScale's value; 1 without the track).
    [[nodiscard]] float Scale() const;

    // ---- the components (null when the description lacks one) ------------------------------
    TwzCustomScene* wzScene1 = nullptr;
    TwzControl* editControl = nullptr;
    TwzButton* btnOk = nullptr;
    TwzButton* cropButton = nullptr;
    TwzLabel* labelScale = nullptr;
    TwzCustomTrack* trackScale = nullptr;
    TwzScrollBox* ScrollBox1 = nullptr;
    TwzPaintBox* Preview = nullptr;
    TwzBackground* resizeLayout = nullptr;
    TwzNumberBox* newWidth = nullptr;
    TwzNumberBox* newHeight = nullptr;

protected:
    ~TwzBitmapEditor() override;
    void DescriptionLoaded() override;

private:
    /// Sizes Preview to the scaled picture and lets the scroll box lay it out again.
    void FitPreview();
    /// The view takes the whole picture.
    void ViewWholePicture();
    void SetEditEnabled(bool value);
    void RemoveCropFrame();
    /// Slides the resize panel up out of sight and hides it.
    void CloseResizePanel();

    std::unique_ptr<TwzBitmap> m_picture;
    rtl::Watch<TwzSelection> m_cropFrame;
    TwzRect m_view {};
    float m_previousScale = 1;
    std::string m_fileName;
};
