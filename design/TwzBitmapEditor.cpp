#include "design/TwzBitmapEditor.h"

#include "controls/TwzButtons.h"
#include "controls/TwzLabel.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzScrollBox.h"
#include "controls/TwzTracks.h"
#include "design/DesignResources.h"
#include "design/TwzSelection.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFilter.h"
#include "graphics/TwzPosition.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzPaintBox.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Window.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace {

constexpr rtl::TMethodInfo kBitmapEditorHandlers[] = {
    RTL_HANDLER(TwzBitmapEditor, FormCreate, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, FormDestroy, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, Button1Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, btnSaveClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, btnOkClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, Button2Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, Button3Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, cropButtonClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, trackScaleChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, trackScaleMouseDown, TwzMouseEvent),
    RTL_HANDLER(TwzBitmapEditor, btnFitClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, btnOriginalClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, btnResizeClick, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, newWidthChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, newHeightChange, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, Button4Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, Button5Click, rtl::TNotifyEvent),
    RTL_HANDLER(TwzBitmapEditor, PreviewPaint, TwzPaintEvent),
};

constexpr const char* kSaveFilter = "PNG Image|*.png|JPEG Image|*.jpeg|BMP Image|*.bmp";
constexpr const char* kSaveExtension = "png";
// The resize panel slides in and out in this time (seconds).
constexpr float kSlideDuration = 0.3f;
// The number boxes of the resize panel hold sizes within these.
constexpr float kMinSide = 1;
constexpr float kMaxSide = 4000;

} // namespace

RTL_IMPLEMENT_CLASS(TwzBitmapEditor, .methods = kBitmapEditorHandlers)

TwzBitmapEditor::TwzBitmapEditor(rtl::TComponent* owner)
    : TAppForm(owner)
{
    LoadDescription(StoredDescription());
}

TwzBitmapEditor::~TwzBitmapEditor() = default;

std::string_view TwzBitmapEditor::StoredDescription()
{
    return design::EmbeddedFile("BitmapEditor.txt");
}

void TwzBitmapEditor::DescriptionLoaded()
{
    auto find
        = [this]<class T>(T*& field, const char* name) { field = dynamic_cast<T*>(FindComponent(name)); };
    find(wzScene1, "wzScene1");
    find(editControl, "editControl");
    find(btnOk, "btnOk");
    find(cropButton, "cropButton");
    find(labelScale, "labelScale");
    find(trackScale, "trackScale");
    find(ScrollBox1, "ScrollBox1");
    find(Preview, "Preview");
    find(resizeLayout, "resizeLayout");
    find(newWidth, "newWidth");
    find(newHeight, "newHeight");
}

TwzBitmap& TwzBitmapEditor::Picture()
{
    if (!m_picture)
        m_picture = std::make_unique<TwzBitmap>(1, 1);
    return *m_picture;
}

float TwzBitmapEditor::Scale() const
{
    return trackScale ? trackScale->GetValue() : 1.0f;
}

void TwzBitmapEditor::FormCreate(rtl::TObject*)
{
    if (resizeLayout)
        resizeLayout->SetVisible(false);
    m_picture = std::make_unique<TwzBitmap>(1, 1);
    m_previousScale = 1;
    ViewWholePicture();
}

void TwzBitmapEditor::FormDestroy(rtl::TObject*)
{
    m_picture.reset();
}

void TwzBitmapEditor::ViewWholePicture()
{
    const TwzBitmap& picture = Picture();
    m_view = { 0, 0, static_cast<float>(picture.GetWidth()), static_cast<float>(picture.GetHeight()) };
}

void TwzBitmapEditor::FitPreview()
{
    if (!Preview)
        return;
    const float s = Scale();
    Preview->SetWidth(static_cast<float>(Picture().GetWidth()) * s);
    Preview->SetHeight(static_cast<float>(Picture().GetHeight()) * s);
    if (ScrollBox1)
        ScrollBox1->RealignChildren();
}

void TwzBitmapEditor::SetEditEnabled(bool value)
{
    if (editControl)
        editControl->SetEnabled(value);
}

void TwzBitmapEditor::AssignFromBitmap(TwzBitmap* bitmap)
{
    m_fileName.clear();
    if (bitmap)
        Picture().Assign(*bitmap);
    ViewWholePicture();
    FitPreview();
    // A picture one pixel wide is no picture: the edit group stays as it was.
    if (bitmap && bitmap->GetWidth() > 1)
        SetEditEnabled(true);
}

void TwzBitmapEditor::AssignToBitmap(TwzBitmap* bitmap)
{
    if (!bitmap)
        return;
    TwzBitmap& picture = Picture();
    TwzSelection* frame = CropFrame();
    const float s = Scale();
    if (frame && frame->GetWidth() > 0 && frame->GetHeight() > 0 && s > 0) {
        const TwzPoint at = frame->GetPosition()->GetPoint();
        // The frame in picture pixels, cut to the picture: a frame left over a smaller
        // picture must not read outside it.
        const double left = std::max(0.0, static_cast<double>(at.X) / s);
        const double top = std::max(0.0, static_cast<double>(at.Y) / s);
        const double right
            = std::min<double>(picture.GetWidth(), (static_cast<double>(at.X) + frame->GetWidth()) / s);
        const double bottom
            = std::min<double>(picture.GetHeight(), (static_cast<double>(at.Y) + frame->GetHeight()) / s);
        const auto column = static_cast<int32_t>(rtl::Trunc(left));
        const auto row = static_cast<int32_t>(rtl::Trunc(top));
        const auto width
            = std::min(static_cast<int32_t>(rtl::Trunc(right - left)), picture.GetWidth() - column);
        const auto height
            = std::min(static_cast<int32_t>(rtl::Trunc(bottom - top)), picture.GetHeight() - row);
        if (width > 0 && height > 0 && picture.Bits()) {
            bitmap->SetSize(width, height);
            for (int32_t y = 0; y < height; ++y)
                std::memcpy(bitmap->GetScanline(y), picture.GetScanline(row + y) + column,
                    static_cast<size_t>(width) * sizeof(uint32_t));
            return;
        }
        // Nothing of the picture under the frame: it crops nothing.
    }
    bitmap->Assign(picture);
}

bool TwzBitmapEditor::LoadPicture(const std::string& fileName)
{
    std::string cause;
    // Read into a bitmap of its own, so a file that fails half-way leaves the picture alone.
    auto loaded = std::make_unique<TwzBitmap>(1, 1);
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        cause = "The file does not exist or is not a regular file.";
    } else {
        try {
            if (!loaded->LoadFromFile(fileName, 0))
                cause = "The file is damaged or is not a picture in a format this program reads.";
        } catch (const std::exception& e) {
            cause = e.what();
        }
    }
    if (!cause.empty()) {
        platform::ui::Dialogs::ShowError(
            "The picture \"" + fileName + "\" could not be loaded.\n" + cause, GetWindow());
        return false;
    }
    m_fileName = fileName;
    Picture().Assign(*loaded);
    if (Preview)
        Preview->InvalidateObject();
    ViewWholePicture();
    FitPreview();
    SetEditEnabled(true);
    return true;
}

bool TwzBitmapEditor::SavePicture(const std::string& fileName)
{
    try {
        if (!DefaultFilterClass)
            throw rtl::WriteError("No image encoder is available.");
        Picture().SaveToFile(fileName, {});
        return true;
    } catch (const std::exception& e) {
        platform::ui::Dialogs::ShowError(
            "The picture could not be saved to \"" + fileName + "\".\n" + e.what(), GetWindow());
        return false;
    }
}

void TwzBitmapEditor::Button1Click(rtl::TObject*)
{
    rtl::Watch<TwzBitmapEditor> self(this);
    platform::ui::OpenFileOptions options;
    options.filter
        = "Images|" + (DefaultFilterClass ? DefaultFilterClass->GetFileTypes() : std::string("*.*"));
    const std::optional<std::string> chosen = platform::ui::Dialogs::OpenFile(options);
    if (chosen && self)
        LoadPicture(*chosen);
}

void TwzBitmapEditor::btnSaveClick(rtl::TObject*)
{
    rtl::Watch<TwzBitmapEditor> self(this);
    platform::ui::SaveFileOptions options;
    options.filter = kSaveFilter;
    options.defaultExtension = kSaveExtension;
    options.fileName = m_fileName;
    options.owner = GetWindow();
    const std::optional<std::string> chosen = platform::ui::Dialogs::SaveFile(options);
    if (chosen && self)
        SavePicture(*chosen);
}

void TwzBitmapEditor::btnOkClick(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalOk);
}

void TwzBitmapEditor::Button2Click(rtl::TObject*)
{
    SetModalResult(platform::ui::kModalCancel);
}

void TwzBitmapEditor::Button3Click(rtl::TObject*)
{
    SetEditEnabled(false);
    RemoveCropFrame();
    if (trackScale)
        trackScale->SetValue(1);
    Picture().SetSize(1, 1);
    m_view = { 0, 0, 1, 1 };
    FitPreview();
}

void TwzBitmapEditor::trackScaleChange(rtl::TObject*)
{
    const float s = Scale();
    const float p = m_previousScale;
    FitPreview();
    if (TwzSelection* frame = CropFrame(); frame && p > 0) {
        const TwzPoint at = frame->GetPosition()->GetPoint();
        frame->SetBounds(at.X / p * s, at.Y / p * s, frame->GetWidth() / p * s, frame->GetHeight() / p * s);
    }
    m_previousScale = s;
    if (labelScale)
        labelScale->SetText(u"Scale: " + rtl::Utf8ToUtf16(std::to_string(rtl::Round(100.0 * s))) + u"%");
}

void TwzBitmapEditor::trackScaleMouseDown(rtl::TObject*, TMouseButton, TShiftState shift, float, float)
{
    if (shift.Has(platform::ui::ShiftFlag::Double) && trackScale)
        trackScale->SetValue(1);
}

void TwzBitmapEditor::btnFitClick(rtl::TObject*)
{
    if (!trackScale || !ScrollBox1)
        return;
    const TwzBitmap& picture = Picture();
    TwzRect r { 0, 0, static_cast<float>(picture.GetWidth()), static_cast<float>(picture.GetHeight()) };
    const float ratio = RectFit(r, ScrollBox1->GetLocalRect());
    if (ratio > 0 && std::isfinite(ratio))
        trackScale->SetValue(1 / ratio);
}

void TwzBitmapEditor::btnOriginalClick(rtl::TObject*)
{
    if (trackScale)
        trackScale->SetValue(1);
}

void TwzBitmapEditor::PreviewPaint(rtl::TObject*, TwzCanvas* canvas, const TwzRect&)
{
    if (!canvas || !m_picture)
        return;
    const float s = Scale();
    canvas->DrawBitmap(
        m_picture.get(), m_view, { 0, 0, RectWidth(m_view) * s, RectHeight(m_view) * s }, 1, false);
}

void TwzBitmapEditor::RemoveCropFrame()
{
    if (TwzSelection* frame = CropFrame()) {
        frame->Free();
        if (Preview)
            Preview->InvalidateObject();
    }
    if (cropButton)
        cropButton->SetText(u"Crop");
}

void TwzBitmapEditor::cropButtonClick(rtl::TObject*)
{
    if (CropFrame()) {
        RemoveCropFrame();
        return;
    }
    const rtl::DispatchGuard held(this);
    btnFitClick(this);
    if (!Preview)
        return;
    auto* frame = new TwzSelection(this);
    m_cropFrame = frame;
    frame->SetParent(Preview);
    if (cropButton)
        cropButton->SetText(u"Full");
    const float s = Scale();
    const auto w = static_cast<double>(Picture().GetWidth()) * s;
    const auto h = static_cast<double>(Picture().GetHeight()) * s;
    frame->SetBounds(static_cast<float>(rtl::Trunc(0.1 * w)), static_cast<float>(rtl::Trunc(0.1 * h)),
        static_cast<float>(0.8 * w), static_cast<float>(rtl::Trunc(0.8 * h)));
}

void TwzBitmapEditor::btnResizeClick(rtl::TObject*)
{
    if (!resizeLayout)
        return;
    if (newWidth)
        newWidth->SetValue(static_cast<float>(Picture().GetWidth()));
    if (newHeight)
        newHeight->SetValue(static_cast<float>(Picture().GetHeight()));
    resizeLayout->SetVisible(true);
    resizeLayout->GetPosition()->SetY(-resizeLayout->GetHeight());
    resizeLayout->AnimateFloat("Position.Y", 0, kSlideDuration, wzAnimationIn, wzInterpolationLinear);
}

void TwzBitmapEditor::newWidthChange(rtl::TObject*)
{
    const TwzBitmap& picture = Picture();
    if (!newWidth || !newHeight || picture.GetWidth() <= 0)
        return;
    newHeight->SetValue(static_cast<float>(
        rtl::Round(static_cast<double>(picture.GetHeight()) / picture.GetWidth() * newWidth->GetValue())));
}

void TwzBitmapEditor::newHeightChange(rtl::TObject*)
{
    const TwzBitmap& picture = Picture();
    if (!newWidth || !newHeight || picture.GetHeight() <= 0)
        return;
    newWidth->SetValue(static_cast<float>(
        rtl::Round(static_cast<double>(picture.GetWidth()) / picture.GetHeight() * newHeight->GetValue())));
}

void TwzBitmapEditor::Button4Click(rtl::TObject*)
{
    if (!newWidth || !newHeight)
        return;
    const std::string fileName = m_fileName;
    // The boxes keep their values within these; a value set from code may not be.
    const auto side
        = [](float value) { return static_cast<int32_t>(rtl::Trunc(std::clamp(value, kMinSide, kMaxSide))); };
    {
        TwzBitmap stretched(side(newWidth->GetValue()), side(newHeight->GetValue()));
        TwzBitmap& picture = Picture();
        if (TwzCanvas* canvas = stretched.GetCanvas(); canvas && canvas->BeginScene()) {
            canvas->DrawBitmap(&picture,
                { 0, 0, static_cast<float>(picture.GetWidth()), static_cast<float>(picture.GetHeight()) },
                { 0, 0, static_cast<float>(stretched.GetWidth()), static_cast<float>(stretched.GetHeight()) },
                1, false);
            canvas->EndScene();
        }
        AssignFromBitmap(&stretched);
    }
    m_fileName = fileName;
    CloseResizePanel();
}

void TwzBitmapEditor::Button5Click(rtl::TObject*)
{
    CloseResizePanel();
}

void TwzBitmapEditor::CloseResizePanel()
{
    if (!resizeLayout)
        return;
    rtl::Watch<TwzBackground> panel(resizeLayout);
    panel->AnimateFloatWait(
        "Position.Y", -panel->GetHeight(), kSlideDuration, wzAnimationIn, wzInterpolationLinear);
    if (panel)
        panel->SetVisible(false);
}
