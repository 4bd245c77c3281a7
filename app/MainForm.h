#pragma once

#include "forms/AppForm.h"

#include "scene3d/Math3D.h"
#include "scene3d/ThvVisualObject.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class ThvBitmapObject;
class ThvCamera;
class ThvDummy;
class ThvLight;
class ThvMaterial;
class ThvRectangle3D;
class ThvScene;
class ThvShape3D;
class ThvText3D;
class TwzBitmap;
class TwzCheckBox;
class TwzColorButton;
class TwzControl;
class TwzCustomButton;
class TwzCustomTrack;
class TwzLang;
class TwzMemo;
class TwzRadioButton;
class TwzVisualObject;

// The lettering designer's main window. Its whole client area is a 3D scene: the extruded
// lettering on an optional frame slab, a light, a camera rig and a checkerboard backdrop,
// with the tool bar, the inspector along the bottom, the picture strip and the about panel as
// screen-space object layers. Every inspector control's change handler writes into the 3D
// objects and reruns the frame update.
//
// The components come from the window's stored description (MainForm.txt, embedded) and are
// found by name once it is read; a component the description lacks leaves its pointer null,
// and the handlers then skip what they would do with it.
//
// Geometry, materials and textures: MainFormLettering.cpp; camera, about panel and picture
// strip: MainFormNavigation.cpp; design files: MainFormFiles.cpp.
class TfrmMain : public TAppForm {
    RTL_CLASS(TfrmMain, TAppForm)
public:
    explicit TfrmMain(rtl::TComponent* owner);

    /// The stored description of the window, as embedded at build time.
    [[nodiscard]] static std::string_view StoredDescription();
    /// A main window read from the stored description (created, not shown).
    [[nodiscard]] static TfrmMain* Create(rtl::TComponent* owner);

    // ---- handlers (published) -----------------------------------------------------------
    void FormCreate(rtl::TObject* sender);
    void FormDestroy(rtl::TObject* sender);
    void textEditorChangeTracking(rtl::TObject* sender);
    void btnFontClick(rtl::TObject* sender);
    void trackSizeChange(rtl::TObject* sender);
    void trackDepthChange(rtl::TObject* sender);
    void trackFramePaddingHorzChange(rtl::TObject* sender);
    void imageFrontChange(rtl::TObject* sender);
    void imageLeftChange(rtl::TObject* sender);
    void imageBackChange(rtl::TObject* sender);
    void colorFrontChange(rtl::TObject* sender);
    void colorLeftChange(rtl::TObject* sender);
    void colorBackChange(rtl::TObject* sender);
    void frameFrontImageChange(rtl::TObject* sender);
    void frameLeftImageChange(rtl::TObject* sender);
    void frameBackImageChange(rtl::TObject* sender);
    void frameFrontColorChange(rtl::TObject* sender);
    void frameLeftColorChange(rtl::TObject* sender);
    void frameBackColorChange(rtl::TObject* sender);
    void radioTransparentChange(rtl::TObject* sender);
    void radioSolidChange(rtl::TObject* sender);
    void colorBackgroundChange(rtl::TObject* sender);
    void Root1MouseDown(rtl::TObject* sender, TMouseButton button, TShiftState shift, float x, float y,
        const ThvVector& rayPos, const ThvVector& rayDir);
    void Root1MouseMove(rtl::TObject* sender, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir);
    void Root1MouseUp(rtl::TObject* sender, TMouseButton button, TShiftState shift, float x, float y,
        const ThvVector& rayPos, const ThvVector& rayDir);
    void Root1MouseWheel(
        rtl::TObject* sender, TShiftState shift, int32_t wheelDelta, const ThvPoint& mousePos, bool& handled);
    void btnAboutClick(rtl::TObject* sender);
    void Button1Click(rtl::TObject* sender);
    void btnImageListClick(rtl::TObject* sender);
    void HowtoUseHelp1Click(rtl::TObject* sender);
    void Label17Click(rtl::TObject* sender);
    void btnLoadClick(rtl::TObject* sender);
    void btnSaveClick(rtl::TObject* sender);
    void btnExportClick(rtl::TObject* sender);
    void Exit1Click(rtl::TObject* sender);
    void btnResetCameraClick(rtl::TObject* sender);
    void PreviewBeforePaint(rtl::TObject* sender, ThvCanvas* canvas);

    // ---- the work behind the handlers -----------------------------------------------------
    /// Measures the text and sizes the preview box, the text and the frame slab; rebuilds the
    /// front and side textures in use.
    void UpdateFrame();
    /// Backs the camera off, never nearer, until the preview box fits between the window's
    /// sides and clear of the tool bar and the inspector. The stored distance suits the
    /// stored font; a machine without it falls back to a wider one.
    void FitStartView();
    /// The font size the lettering takes for a size chosen in the font dialog or read from a
    /// design: at least the size slider's minimum and at most kMaxFontSize, whatever the
    /// slider can show.
    [[nodiscard]] float LetteringFontSize(float size) const;
    /// The largest font size of the lettering.
    static constexpr float kMaxFontSize = 1000;
    /// The working bitmap of the texture builders, made on first use.
    [[nodiscard]] TwzBitmap& TextureScratch();
    [[nodiscard]] bool HasTextureScratch() const { return m_textureScratch != nullptr; }
    /// Writes the design to `fileName` (the 37 keys); raises on a write error.
    void SaveDesign(const std::string& fileName);
    /// Reads a design file and applies it. The whole file is read and checked before any
    /// control changes; a file that cannot be read or is not a design raises and changes
    /// nothing.
    void LoadDesign(const std::string& fileName);
    /// LoadDesign with its errors shown in one message; FileName is set only on success.
    bool OpenDesign(const std::string& fileName);
    /// The current design file; empty until one was saved or loaded.
    [[nodiscard]] const std::string& GetFileName() const { return m_fileName; }
    [[nodiscard]] bool GetOrbiting() const { return m_orbiting; }
    /// Makes the about panel's web-site and credit lines links (hand cursor, click) only
    /// where they have an address; FormCreate runs it.
    void ShowLinks();

    // ---- the components the handlers work with (null when the description lacks one) --------
    ThvScene* hvScene1 = nullptr;
    ThvVisualObject* Root1 = nullptr;
    ThvVisualObject* TransparentBack = nullptr;
    ThvDummy* Preview = nullptr;
    ThvRectangle3D* Frame = nullptr;
    ThvText3D* Text = nullptr;
    ThvLight* Light1 = nullptr;
    ThvDummy* CameraZ = nullptr;
    ThvDummy* CameraX = nullptr;
    ThvCamera* Camera1 = nullptr;
    ThvVisualObject* Inspector = nullptr;
    ThvVisualObject* AboutLayout = nullptr;
    ThvVisualObject* ImageLayout = nullptr;
    ThvVisualObject* ToolBar = nullptr;
    TwzVisualObject* InspectorPanel = nullptr;
    TwzMemo* textEditor = nullptr;
    TwzControl* imageFront = nullptr;
    TwzControl* imageLeft = nullptr;
    TwzControl* imageBack = nullptr;
    TwzControl* frameFrontImage = nullptr;
    TwzControl* frameLeftImage = nullptr;
    TwzControl* frameBackImage = nullptr;
    TwzColorButton* colorFront = nullptr;
    TwzColorButton* colorLeft = nullptr;
    TwzColorButton* colorBack = nullptr;
    TwzColorButton* frameFrontColor = nullptr;
    TwzColorButton* frameLeftColor = nullptr;
    TwzColorButton* frameBackColor = nullptr;
    TwzColorButton* colorBackground = nullptr;
    TwzRadioButton* radioTransparent = nullptr;
    TwzRadioButton* radioSolid = nullptr;
    TwzCustomTrack* trackSize = nullptr;
    TwzCustomTrack* trackDepth = nullptr;
    TwzCustomTrack* trackFramePaddingHorz = nullptr;
    TwzCustomTrack* trackFramePaddingVert = nullptr;
    TwzCustomTrack* trackFrameDepth = nullptr;
    TwzCustomTrack* trackFrameRadius = nullptr;
    TwzControl* listFrameCorner = nullptr;
    TwzCheckBox* checkFrame = nullptr;
    TwzCheckBox* checkFrameTopLeft = nullptr;
    TwzCheckBox* checkFrameTopRight = nullptr;
    TwzCheckBox* checkFrameBottomLeft = nullptr;
    TwzCheckBox* checkFrameBottomRight = nullptr;
    TwzVisualObject* layoutFrame = nullptr;
    TwzCustomButton* btnImageList = nullptr;
    TwzControl* labelVersion = nullptr;
    TwzLang* wzLang1 = nullptr;

protected:
    ~TfrmMain() override;
    void DescriptionLoaded() override;
    void Notification(rtl::TComponent* component, rtl::TOperation operation) override;

private:
    enum class Face { TextFront, TextLeft, TextBack, FrameFront, FrameLeft, FrameBack };
    struct FaceParts {
        ThvShape3D* shape = nullptr;
        ThvMaterial* material = nullptr;
        TwzControl* picture = nullptr;
        TwzColorButton* color = nullptr;
        const char* resource = "";
    };
    [[nodiscard]] FaceParts PartsOf(Face face) const;
    template <class T> void Bind(T*& field, const char* name);
    void SetFaceColor(Face face);
    [[nodiscard]] float ViewWidth() const;
    /// The web site's address for the translation language; empty when none is configured.
    [[nodiscard]] const std::string& SiteAddress() const;
    [[nodiscard]] float ViewHeight() const;
    void SetFacePicture(Face face);
    void BuildFace(Face face);

    ThvPoint m_lastMousePos {};
    bool m_orbiting = false;
    std::string m_fileName;
    std::unique_ptr<TwzBitmap> m_textureScratch;
    std::vector<std::function<void(rtl::TComponent*)>> m_forget; // clear a field naming a freed component
    int m_faceChanges = 0; // counts the face handlers' runs (loading tells whether one ran)
    bool m_updateSuspended = false; // no frame update: a design loads, or the font dialog sets the size
};

/// Registers the application's window classes (and the classes its description needs) for
/// streaming; after StartModules.
void RegisterAppClasses();

namespace app {
/// The picture of an image control (its "Bitmap"); null for none.
[[nodiscard]] TwzBitmap* PictureOf(TwzControl* control);
} // namespace app
