#include "app/MainForm.h"

#include "app/ExportForm.h"

#include "app/AppResources.h"
#include "app/Pictures.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzImageListBox.h"
#include "controls/TwzMemo.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzPosition.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvText3D.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Properties.h"
#include "platform/ui/Application.h"
#include "platform/ui/Shell.h"

namespace {

constexpr rtl::TMethodInfo kMainFormHandlers[] = {
    RTL_HANDLER(TfrmMain, FormCreate, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, FormDestroy, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, textEditorChangeTracking, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, btnFontClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, trackSizeChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, trackDepthChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, trackFramePaddingHorzChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, imageFrontChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, imageLeftChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, imageBackChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, colorFrontChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, colorLeftChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, colorBackChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, frameFrontImageChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, frameLeftImageChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, frameBackImageChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, frameFrontColorChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, frameLeftColorChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, frameBackColorChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, radioTransparentChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, radioSolidChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, colorBackgroundChange, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, Root1MouseDown, ThvMouseEvent),
    RTL_HANDLER(TfrmMain, Root1MouseMove, ThvMouseMoveEvent),
    RTL_HANDLER(TfrmMain, Root1MouseUp, ThvMouseEvent),
    RTL_HANDLER(TfrmMain, Root1MouseWheel, ThvMouseWheelEvent),
    RTL_HANDLER(TfrmMain, btnAboutClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, Button1Click, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, btnImageListClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, HowtoUseHelp1Click, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, Label17Click, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, btnLoadClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, btnSaveClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, btnExportClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, Exit1Click, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, btnResetCameraClick, rtl::TNotifyEvent),
    RTL_HANDLER(TfrmMain, PreviewBeforePaint, ThvPaintEvent),
};

} // namespace

template <class T> void TfrmMain::Bind(T*& field, const char* name)
{
    field = dynamic_cast<T*>(FindComponent(name));
    m_forget.emplace_back([&field](rtl::TComponent* gone) {
        if (field && static_cast<rtl::TComponent*>(field) == gone)
            field = nullptr;
    });
}

void TfrmMain::Notification(rtl::TComponent* component, rtl::TOperation operation)
{
    Inherited::Notification(component, operation);
    if (operation == rtl::opRemove)
        for (const auto& forget : m_forget)
            forget(component);
}

RTL_IMPLEMENT_CLASS(TfrmMain, .methods = kMainFormHandlers)

void RegisterAppClasses()
{
    rtl::RegisterClass<TAppForm>();
    rtl::RegisterClass<TfrmMain>();
    rtl::RegisterClass<TfrmExport>();
}

TfrmMain::TfrmMain(rtl::TComponent* owner)
    : TAppForm(owner)
{ }

TfrmMain::~TfrmMain() = default;

std::string_view TfrmMain::StoredDescription()
{
    return app::EmbeddedFile("MainForm.txt");
}

TfrmMain* TfrmMain::Create(rtl::TComponent* owner)
{
    rtl::TOwned<TfrmMain> form(new TfrmMain(owner));
    form->LoadDescription(StoredDescription());
    return form.release();
}

void TfrmMain::DescriptionLoaded()
{
    m_forget.clear();
    Bind(hvScene1, "hvScene1");
    Bind(Root1, "Root1");
    Bind(TransparentBack, "TransparentBack");
    Bind(Preview, "Preview");
    Bind(Frame, "Frame");
    Bind(Text, "Text");
    Bind(Light1, "Light1");
    Bind(CameraZ, "CameraZ");
    Bind(CameraX, "CameraX");
    Bind(Camera1, "Camera1");
    Bind(Inspector, "Inspector");
    Bind(AboutLayout, "AboutLayout");
    Bind(ImageLayout, "ImageLayout");
    Bind(ToolBar, "ToolBar");
    Bind(InspectorPanel, "InspectorPanel");
    Bind(textEditor, "textEditor");
    Bind(imageFront, "imageFront");
    Bind(imageLeft, "imageLeft");
    Bind(imageBack, "imageBack");
    Bind(frameFrontImage, "frameFrontImage");
    Bind(frameLeftImage, "frameLeftImage");
    Bind(frameBackImage, "frameBackImage");
    Bind(colorFront, "colorFront");
    Bind(colorLeft, "colorLeft");
    Bind(colorBack, "colorBack");
    Bind(frameFrontColor, "frameFrontColor");
    Bind(frameLeftColor, "frameLeftColor");
    Bind(frameBackColor, "frameBackColor");
    Bind(colorBackground, "colorBackground");
    Bind(radioTransparent, "radioTransparent");
    Bind(radioSolid, "radioSolid");
    Bind(trackSize, "trackSize");
    Bind(trackDepth, "trackDepth");
    Bind(trackFramePaddingHorz, "trackFramePaddingHorz");
    Bind(trackFramePaddingVert, "trackFramePaddingVert");
    Bind(trackFrameDepth, "trackFrameDepth");
    Bind(trackFrameRadius, "trackFrameRadius");
    Bind(listFrameCorner, "listFrameCorner");
    Bind(checkFrame, "checkFrame");
    Bind(checkFrameTopLeft, "checkFrameTopLeft");
    Bind(checkFrameTopRight, "checkFrameTopRight");
    Bind(checkFrameBottomLeft, "checkFrameBottomLeft");
    Bind(checkFrameBottomRight, "checkFrameBottomRight");
    Bind(layoutFrame, "layoutFrame");
    Bind(btnImageList, "btnImageList");
    Bind(labelVersion, "labelVersion");
    Bind(wzLang1, "wzLang1");
}

// ---- start and end --------------------------------------------------------------------------

void TfrmMain::FormCreate(rtl::TObject*)
{
    if (labelVersion)
        rtl::SetPropValue(*labelVersion, "Text", rtl::TValue(std::u16string(u"Version 1.00")));
    // The stored menu is not part of this description: the tool bar carries its commands.
    if (Root1)
        Root1->SetAutoCapture(true);
    if (InspectorPanel)
        InspectorPanel->GetPosition()->SetPoint({ 0, 0 });
    if (TransparentBack)
        app::SetCheckerboard(*TransparentBack);
    if (auto* picture = FindComponent("Image1"))
        app::SetProductPicture(*picture);
    ShowLinks();
    colorFrontChange(nullptr);
    colorBackChange(nullptr);
    colorLeftChange(nullptr);
    frameFrontColorChange(nullptr);
    frameLeftColorChange(nullptr);
    frameBackColorChange(nullptr);
    textEditorChangeTracking(nullptr);
    FitStartView();
    if (auto* list = dynamic_cast<TwzImageListBox*>(FindComponent("ImagesList")))
        list->AddFolder(platform::ui::ExecutableFolder() + "images");
}

void TfrmMain::FormDestroy(rtl::TObject*)
{
    m_textureScratch.reset();
}

void TfrmMain::Exit1Click(rtl::TObject*)
{
    if (platform::ui::Application* application = platform::ui::Application::TryCurrent())
        application->Terminate();
}

void TfrmMain::btnExportClick(rtl::TObject*)
{
    app::RunExportDialog(*this);
}

void TfrmMain::PreviewBeforePaint(rtl::TObject*, ThvCanvas*) { }
