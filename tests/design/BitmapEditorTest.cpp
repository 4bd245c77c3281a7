// The bitmap editor without a window: its stored description, taking a picture in and handing
// the result back, the scale and its label, "Fit", cropping (also with a frame left over a
// smaller picture), clearing, resizing with kept proportions, and loading and saving with the
// headless file dialogs, damaged files included.

#include "app/Modules.h"
#include "controls/TwzButtons.h"
#include "controls/TwzLabel.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzScrollBox.h"
#include "controls/TwzTracks.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzSelection.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzPosition.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzPaintBox.h"
#include "ui2d/TwzScene.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using platform::ui::FakeDialogs;

namespace {

/// A picture whose every pixel tells where it lies: opaque, red = x, green = y.
std::unique_ptr<TwzBitmap> Numbered(int32_t width, int32_t height)
{
    auto bitmap = std::make_unique<TwzBitmap>(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            bitmap->GetScanline(y)[x] = 0xFF000000u | (uint32_t(x & 0xFF) << 16) | (uint32_t(y & 0xFF) << 8);
    return bitmap;
}

uint32_t At(TwzBitmap& bitmap, int32_t x, int32_t y)
{
    return bitmap.GetScanline(y)[x];
}

class BitmapEditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartModules();
        FakeDialogs::Reset();
        editor.reset(new TwzBitmapEditor(nullptr));
        // A folder of each test's own: the tests run side by side.
        folder = std::filesystem::path(GF_TEST_OUTPUT) / "bitmap-editor"
            / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        // A view of a known size, whatever the layout makes of the form.
        ASSERT_NE(editor->ScrollBox1, nullptr);
        editor->ScrollBox1->SetAlign(vaNone);
        editor->ScrollBox1->SetBounds(0, 0, 400, 400);
    }
    void TearDown() override
    {
        editor.reset();
        FakeDialogs::Reset();
    }

    void Take(int32_t width, int32_t height)
    {
        auto picture = Numbered(width, height);
        editor->AssignFromBitmap(picture.get());
    }
    [[nodiscard]] std::string WritePicture(const std::string& name, int32_t width, int32_t height)
    {
        const std::string file = (folder / name).string();
        Numbered(width, height)->SaveToFile(file);
        return file;
    }
    [[nodiscard]] std::u16string ScaleLabel() const { return editor->labelScale->GetText(); }
    [[nodiscard]] bool Editing() const { return editor->editControl->GetEnabled(); }

    rtl::TOwned<TwzBitmapEditor> editor;
    std::filesystem::path folder;
};

TEST_F(BitmapEditorTest, TheDescriptionReadsWholeAndTheEditorStartsEmptyAndDisabled)
{
    EXPECT_TRUE(editor->LoadErrors().empty()) << ::testing::PrintToString(editor->LoadErrors());
    EXPECT_EQ(editor->GetCaption(), "Bitmap Editor");
    EXPECT_EQ(editor->GetClientWidth(), 600);
    EXPECT_EQ(editor->GetClientHeight(), 508);
    for (const void* component :
        { static_cast<const void*>(editor->wzScene1), static_cast<const void*>(editor->editControl),
            static_cast<const void*>(editor->btnOk), static_cast<const void*>(editor->cropButton),
            static_cast<const void*>(editor->labelScale), static_cast<const void*>(editor->trackScale),
            static_cast<const void*>(editor->Preview), static_cast<const void*>(editor->resizeLayout),
            static_cast<const void*>(editor->newWidth), static_cast<const void*>(editor->newHeight) })
        ASSERT_NE(component, nullptr);
    // The scene snaps to its objects' lines, not to a grid, should it ever be designed.
    EXPECT_TRUE(editor->wzScene1->GetDesignSnapToLines());
    EXPECT_FALSE(editor->wzScene1->GetDesignSnapToGrid());
    EXPECT_FALSE(Editing());
    EXPECT_TRUE(editor->btnOk->GetEnabled());
    EXPECT_FALSE(editor->resizeLayout->GetVisible());
    EXPECT_EQ(ScaleLabel(), u"Scale: 100%");
    EXPECT_EQ(editor->Picture().GetWidth(), 1);
    EXPECT_EQ(editor->Picture().GetHeight(), 1);
}

TEST_F(BitmapEditorTest, APictureOnePixelWideLeavesEditingOffAndComesBackUnchanged)
{
    TwzBitmap dot(1, 1);
    dot.GetScanline(0)[0] = 0xFF123456;
    editor->AssignFromBitmap(&dot);
    EXPECT_FALSE(Editing());
    TwzBitmap result(5, 5);
    editor->AssignToBitmap(&result);
    ASSERT_EQ(result.GetWidth(), 1);
    ASSERT_EQ(result.GetHeight(), 1);
    EXPECT_EQ(At(result, 0, 0), 0xFF123456u);
    editor->AssignToBitmap(nullptr); // nothing to write into

    SCOPED_TRACE("a wider picture enables editing and sizes the preview");
    Take(30, 20);
    EXPECT_TRUE(Editing());
    EXPECT_EQ(editor->Preview->GetWidth(), 30);
    EXPECT_EQ(editor->Preview->GetHeight(), 20);
}

TEST_F(BitmapEditorTest, TheScaleLabelRoundsHalvesToEvenAndDoubleClickOrOneToOneResetIt)
{
    Take(40, 20);
    const struct {
        float value;
        const char16_t* label;
    } cases[] = {
        { 1.5f, u"Scale: 150%" }, { 1.125f, u"Scale: 112%" }, // 112.5
        { 0.105f, u"Scale: 10%" }, // the track stops at 0.1
        { 5, u"Scale: 300%" }, // and at Max - ViewportSize
    };
    for (const auto& c : cases) {
        editor->trackScale->SetValue(c.value);
        EXPECT_EQ(rtl::Utf16ToUtf8(ScaleLabel()), rtl::Utf16ToUtf8(c.label)) << c.value;
    }
    EXPECT_EQ(editor->Preview->GetWidth(), 120);

    editor->trackScaleMouseDown(
        editor->trackScale, TMouseButton::Left, { platform::ui::ShiftFlag::Left }, 0, 0);
    EXPECT_EQ(ScaleLabel(), u"Scale: 300%") << "a single press keeps the scale";
    editor->trackScaleMouseDown(editor->trackScale, TMouseButton::Left,
        { platform::ui::ShiftFlag::Left, platform::ui::ShiftFlag::Double }, 0, 0);
    EXPECT_EQ(ScaleLabel(), u"Scale: 100%");
    editor->trackScale->SetValue(2);
    editor->btnOriginalClick(nullptr);
    EXPECT_EQ(ScaleLabel(), u"Scale: 100%");
    EXPECT_EQ(editor->Preview->GetWidth(), 40);
}

TEST_F(BitmapEditorTest, FitAsksForTheScaleThatFillsTheViewWithinTheTracksLimits)
{
    const struct {
        int32_t width;
        int32_t height;
        float scale;
    } cases[] = {
        { 100, 50, 3 }, // 4 asked, the track's limit given
        { 200, 100, 2 },
        { 2000, 1000, 0.2f },
        { 100, 800, 0.5f },
    };
    for (const auto& c : cases) {
        Take(c.width, c.height);
        editor->btnFitClick(nullptr);
        EXPECT_FLOAT_EQ(editor->Scale(), c.scale) << c.width << " x " << c.height;
    }
}

TEST_F(BitmapEditorTest, TheCropFrameCutsOutThePixelsUnderItAtAnyScale)
{
    Take(200, 100);
    editor->cropButtonClick(nullptr);
    TwzSelection* frame = editor->CropFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetParent(), editor->Preview);
    EXPECT_EQ(editor->cropButton->GetText(), u"Full");
    // Fit came first (scale 2); the frame covers the middle 80 percent.
    EXPECT_FLOAT_EQ(editor->Scale(), 2);
    EXPECT_EQ(RectToText(frame->GetParentedRect()), RectToText({ 40, 20, 360, 180 }));

    frame->SetBounds(20, 10, 160, 80);
    TwzBitmap result(1, 1);
    editor->AssignToBitmap(&result);
    ASSERT_EQ(result.GetWidth(), 80);
    ASSERT_EQ(result.GetHeight(), 40);
    EXPECT_EQ(At(result, 0, 0), At(editor->Picture(), 10, 5));
    EXPECT_EQ(At(result, 79, 39), At(editor->Picture(), 89, 44));

    SCOPED_TRACE("from scale 2 to 1 the frame halves and covers the same pixels");
    editor->trackScale->SetValue(1);
    EXPECT_EQ(RectToText(frame->GetParentedRect()), RectToText({ 10, 5, 90, 45 }));
    TwzBitmap again(1, 1);
    editor->AssignToBitmap(&again);
    ASSERT_EQ(again.GetWidth(), 80);
    ASSERT_EQ(again.GetHeight(), 40);
    EXPECT_EQ(At(again, 0, 0), At(editor->Picture(), 10, 5));

    SCOPED_TRACE("a second press removes the frame: the whole picture again");
    editor->cropButtonClick(nullptr);
    EXPECT_EQ(editor->CropFrame(), nullptr);
    EXPECT_EQ(editor->cropButton->GetText(), u"Crop");
    editor->AssignToBitmap(&again);
    EXPECT_EQ(again.GetWidth(), 200);
    EXPECT_EQ(again.GetHeight(), 100);
}

TEST_F(BitmapEditorTest, AFrameLeftOverASmallerPictureIsCutToItOrCropsNothing)
{
    Take(200, 100);
    editor->cropButtonClick(nullptr); // scale 2
    TwzSelection* frame = editor->CropFrame();
    ASSERT_NE(frame, nullptr);
    const struct {
        const char* edge;
        TwzRect frame; // x, y, width, height at scale 2
        int32_t width;
        int32_t height;
        int32_t column;
        int32_t row;
    } cases[] = {
        { "partly over the picture", { 40, 40, 200, 200 }, 30, 30, 20, 20 },
        { "wholly beside it", { 300, 150, 60, 40 }, 50, 50, 0, 0 },
        { "a frame of no size", { 10, 10, 0, 20 }, 50, 50, 0, 0 },
        { "inside it", { 20, 20, 40, 20 }, 20, 10, 10, 10 },
    };
    // A new, smaller picture leaves the frame where it is.
    Take(50, 50);
    ASSERT_EQ(editor->CropFrame(), frame);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        frame->SetBounds(c.frame.Left, c.frame.Top, c.frame.Right, c.frame.Bottom);
        TwzBitmap result(1, 1);
        editor->AssignToBitmap(&result);
        ASSERT_EQ(result.GetWidth(), c.width);
        ASSERT_EQ(result.GetHeight(), c.height);
        EXPECT_EQ(At(result, 0, 0), At(editor->Picture(), c.column, c.row));
        EXPECT_EQ(At(result, c.width - 1, c.height - 1),
            At(editor->Picture(), c.column + c.width - 1, c.row + c.height - 1));
    }
}

TEST_F(BitmapEditorTest, ClearDropsTheFrameAndThePictureAndTurnsEditingOff)
{
    Take(200, 100);
    editor->cropButtonClick(nullptr);
    ASSERT_NE(editor->CropFrame(), nullptr);
    editor->Button3Click(nullptr);
    EXPECT_EQ(editor->CropFrame(), nullptr);
    EXPECT_EQ(editor->cropButton->GetText(), u"Crop");
    EXPECT_FALSE(Editing());
    EXPECT_EQ(ScaleLabel(), u"Scale: 100%");
    TwzBitmap result(7, 7);
    editor->AssignToBitmap(&result);
    EXPECT_EQ(result.GetWidth(), 1);
    EXPECT_EQ(result.GetHeight(), 1);
    EXPECT_EQ(editor->Preview->GetWidth(), 1);
}

TEST_F(BitmapEditorTest, ResizingKeepsTheProportionsAndTheLoadedFileName)
{
    const std::string file = WritePicture("wide.png", 100, 50);
    ASSERT_TRUE(editor->LoadPicture(file));
    editor->btnResizeClick(nullptr);
    EXPECT_TRUE(editor->resizeLayout->GetVisible());
    EXPECT_EQ(editor->newWidth->GetValue(), 100);
    EXPECT_EQ(editor->newHeight->GetValue(), 50);

    editor->newWidth->SetValue(200);
    editor->newWidthChange(nullptr);
    EXPECT_EQ(editor->newHeight->GetValue(), 100);
    editor->newHeight->SetValue(25);
    editor->newHeightChange(nullptr);
    EXPECT_EQ(editor->newWidth->GetValue(), 50);
    editor->newHeight->SetValue(33); // 66 wide; 16.5 rounds to 16 below
    editor->newHeightChange(nullptr);
    EXPECT_EQ(editor->newWidth->GetValue(), 66);
    editor->newWidth->SetValue(33);
    editor->newWidthChange(nullptr);
    EXPECT_EQ(editor->newHeight->GetValue(), 16);

    editor->Button4Click(nullptr);
    EXPECT_FALSE(editor->resizeLayout->GetVisible());
    EXPECT_EQ(editor->Picture().GetWidth(), 33);
    EXPECT_EQ(editor->Picture().GetHeight(), 16);
    EXPECT_NE(editor->Picture().GetScanline(8)[16] >> 24, 0u) << "the picture is stretched, not cut";
    EXPECT_EQ(editor->FileName(), file);

    FakeDialogs::SetSaveFileAnswer([](const platform::ui::SaveFileOptions&) { return std::nullopt; });
    editor->btnSaveClick(nullptr);
    ASSERT_TRUE(FakeDialogs::LastSaveFile());
    EXPECT_EQ(FakeDialogs::LastSaveFile()->fileName, file);
    EXPECT_EQ(FakeDialogs::LastSaveFile()->defaultExtension, "png");

    SCOPED_TRACE("the panel's Cancel changes nothing");
    editor->btnResizeClick(nullptr);
    editor->newWidth->SetValue(300);
    editor->Button5Click(nullptr);
    EXPECT_FALSE(editor->resizeLayout->GetVisible());
    EXPECT_EQ(editor->Picture().GetWidth(), 33);
}

TEST_F(BitmapEditorTest, LoadThroughTheDialogEnablesEditingAndAFileThatDoesNotReadChangesNothing)
{
    Take(1, 1);
    const std::string good = WritePicture("good.png", 12, 8);
    FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return good; });
    editor->Button1Click(nullptr);
    ASSERT_TRUE(FakeDialogs::LastOpenFile());
    EXPECT_EQ(FakeDialogs::LastOpenFile()->filter.rfind("Images|", 0), 0u);
    EXPECT_NE(FakeDialogs::LastOpenFile()->filter.find("*.png"), std::string::npos);
    EXPECT_TRUE(Editing());
    EXPECT_EQ(editor->Picture().GetWidth(), 12);
    EXPECT_EQ(editor->FileName(), good);
    EXPECT_TRUE(FakeDialogs::Messages().empty());

    const std::string damaged = (folder / "damaged.png").string();
    {
        // A PNG signature and a cut-off header.
        std::ofstream out(damaged, std::ios::binary);
        out << "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0" << std::string(40, '\x7f');
    }
    const std::string text = (folder / "notes.png").string();
    std::ofstream(text) << "not a picture at all";
    const struct {
        const char* edge;
        std::string file;
        const char* cause;
    } cases[] = {
        { "a damaged picture", damaged, "damaged" },
        { "text under a picture's name", text, "damaged" },
        { "a missing file", (folder / "missing.png").string(), "does not exist" },
        { "a folder", folder.string(), "not a regular file" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        FakeDialogs::Reset();
        Take(30, 20);
        editor->Button3Click(nullptr); // editing off, 1 x 1
        Take(1, 1);
        const std::string before = editor->FileName();
        EXPECT_FALSE(editor->LoadPicture(c.file));
        ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
        const std::string& message = FakeDialogs::Messages().front();
        EXPECT_NE(message.find(c.file), std::string::npos) << message;
        EXPECT_NE(message.find(c.cause), std::string::npos) << message;
        EXPECT_EQ(editor->Picture().GetWidth(), 1);
        EXPECT_FALSE(Editing());
        EXPECT_EQ(editor->FileName(), before);
    }
}

TEST_F(BitmapEditorTest, SaveWritesTheWholePictureAndAFailedSaveSaysSo)
{
    Take(24, 16);
    editor->cropButtonClick(nullptr); // a frame does not limit what is saved
    const std::string target = (folder / "saved.png").string();
    FakeDialogs::SetSaveFileAnswer([&](const platform::ui::SaveFileOptions& options) {
        EXPECT_EQ(options.filter, "PNG Image|*.png|JPEG Image|*.jpeg|BMP Image|*.bmp");
        EXPECT_TRUE(options.fileName.empty()) << "a picture from a caller has no file";
        return target;
    });
    editor->btnSaveClick(nullptr);
    EXPECT_TRUE(FakeDialogs::Messages().empty());
    TwzBitmap back(1, 1);
    ASSERT_TRUE(back.LoadFromFile(target));
    EXPECT_EQ(back.GetWidth(), 24);
    EXPECT_EQ(back.GetHeight(), 16);
    EXPECT_EQ(At(back, 5, 7), At(editor->Picture(), 5, 7));

    for (const std::string& bad :
        { (folder / "no-such-folder" / "x.png").string(), (folder / "x.unknown").string() }) {
        SCOPED_TRACE(bad);
        FakeDialogs::Reset();
        EXPECT_FALSE(editor->SavePicture(bad));
        ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
        EXPECT_NE(FakeDialogs::Messages().front().find(bad), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(bad));
    }
}

TEST_F(BitmapEditorTest, TheCallersRunHandsBackTheCropOnOkAndNothingOnCancel)
{
    platform::ui::FakeApplication application;
    for (const bool ok : { true, false }) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        rtl::TOwned<TwzBitmapEditor> dialog(new TwzBitmapEditor(nullptr));
        auto source = Numbered(60, 40);
        dialog->AssignFromBitmap(source.get());
        application.Post([&] {
            // The user crops to the part from (6, 4) of 30 x 20 pixels, then closes.
            dialog->trackScale->SetValue(1);
            dialog->cropButtonClick(nullptr);
            dialog->trackScale->SetValue(1);
            ASSERT_NE(dialog->CropFrame(), nullptr);
            dialog->CropFrame()->SetBounds(6, 4, 30, 20);
            if (ok)
                dialog->btnOkClick(nullptr);
            else
                dialog->Button2Click(nullptr);
        });
        const int32_t result = dialog->ShowModal();
        EXPECT_EQ(result, ok ? platform::ui::kModalOk : platform::ui::kModalCancel);
        TwzBitmap destination(2, 2);
        if (result == platform::ui::kModalOk)
            dialog->AssignToBitmap(&destination);
        EXPECT_EQ(destination.GetWidth(), ok ? 30 : 2);
        if (ok) {
            EXPECT_EQ(At(destination, 0, 0), At(*source, 6, 4));
        }
    }
}

} // namespace

namespace {

TEST_F(BitmapEditorTest, APictureWithoutPixelsGoesThroughEveryCommandSafely)
{
    // What a stored bitmap that did not decode holds: no pixels, 0 x 0.
    rtl::TMemoryStream junk;
    junk.WriteBuffer("not a picture", 13);
    junk.SetPosition(0);
    std::unique_ptr<TwzBitmap> empty = TwzBitmap::CreateFromStream(junk);
    ASSERT_EQ(empty->GetWidth(), 0);
    editor->AssignFromBitmap(empty.get());
    editor->btnFitClick(nullptr);
    editor->cropButtonClick(nullptr);
    editor->trackScale->SetValue(2);
    editor->btnResizeClick(nullptr);
    editor->newWidthChange(nullptr);
    editor->newHeightChange(nullptr);
    TwzBitmap result(3, 3);
    editor->AssignToBitmap(&result);
    EXPECT_LE(result.GetWidth(), 1);
    editor->Button4Click(nullptr);
    editor->AssignToBitmap(&result);
    EXPECT_GE(result.GetWidth(), 1);
}

} // namespace
