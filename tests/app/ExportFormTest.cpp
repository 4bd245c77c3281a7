// The render dialog without a window: its stored description, the file name it writes, the
// proportions, the format's effect on transparency, and saving with its questions and errors.
// The pictures themselves are rendered in the window test (gui/ExportDialogGuiTest.cpp).

#include "app/ExportForm.h"
#include "tests/app/MainFormTestSupport.h"

#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "controls/TwzCompoundRows.h"
#include "controls/TwzImageViewer.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzFilter.h"
#include "scene3d/ThvDummy.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzResources.h"

#include "platform/ui/Dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace apptest;
using platform::ui::FakeDialogs;

namespace {

class ExportFormTest : public MainFormTest {
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        FakeDialogs::Reset();
        dialog.reset(new TfrmExport(nullptr, *form));
        // A folder of each test's own: the tests run side by side.
        folder = std::filesystem::path(GF_TEST_OUTPUT) / "export-form"
            / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override
    {
        dialog.reset();
        FakeDialogs::Reset();
        MainFormTest::TearDown();
    }
    /// Gives the viewer a picture of that size as if it had been rendered.
    void PictureOf(int32_t width, int32_t height) { dialog->Preview->GetBitmap()->SetSize(width, height); }
    static std::string Contents(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
    }

    rtl::TOwned<TfrmExport> dialog;
    std::filesystem::path folder;
};

} // namespace

TEST(ExportFileName, TheExtensionOfTheFileNameIsReplacedByTheFormats)
{
    const struct {
        const char* chosen;
        const char* format;
        const char* written;
    } cases[] = {
        { "/pictures/logo.old", "GIF", "/pictures/logo.gif" },
        { "/pic.dir/logo", "PNG", "/pic.dir/logo.png" }, // a dot in a folder is no extension
        { "/a/logo.PNG", "JPEG", "/a/logo.jpeg" },
        { "/a/b.tar.gz", "BMP", "/a/b.tar.bmp" }, // only the last extension goes
        { "/a/.hidden", "PNG", "/a/.hidden.png" }, // a leading dot starts a name
        { "/a/logo.png", "PNG", "/a/logo.png" },
        { "logo", "GIF", "logo.gif" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::ExportFileName(c.chosen, c.format), c.written) << c.chosen;
}

TEST_F(ExportFormTest, TheDescriptionReadsWithoutErrorsAndStartsAsTheWindowAsks)
{
    EXPECT_TRUE(dialog->LoadErrors().empty()) << ::testing::PrintToString(dialog->LoadErrors());
    EXPECT_EQ(dialog->GetCaption(), "Export Image");
    for (auto* pointer : { static_cast<void*>(dialog->wzScene1), static_cast<void*>(dialog->Preview),
             static_cast<void*>(dialog->numberWidth), static_cast<void*>(dialog->numberHeight),
             static_cast<void*>(dialog->checkProp), static_cast<void*>(dialog->popupExt),
             static_cast<void*>(dialog->checkTransparent), static_cast<void*>(dialog->trackScale) })
        ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(
        static_cast<rtl::TComponent*>(dialog->wzScene1->GetStyle()), form->FindComponent("skinResources"));
    EXPECT_EQ(dialog->FormatText(), "PNG");
    EXPECT_TRUE(dialog->checkProp->GetIsChecked());
    EXPECT_TRUE(dialog->checkTransparent->GetIsChecked());
    EXPECT_FLOAT_EQ(dialog->trackScale->GetValue(), 100);
    // The sizes start from the lettering's rectangle on the screen, held to 10..2048.
    const TwzRect onScreen = form->Preview->GetScreenBounds();
    EXPECT_NEAR(dialog->numberWidth->GetValue(), std::clamp(RectWidth(onScreen), 10.0f, 2048.0f), 1);
    EXPECT_NEAR(dialog->numberHeight->GetValue(), std::clamp(RectHeight(onScreen), 10.0f, 2048.0f), 1);
}

TEST_F(ExportFormTest, KeptProportionsFollowTheLastPictureAndRoundHalvesToEven)
{
    const struct {
        int32_t pictureWidth, pictureHeight;
        float width;
        float height;
    } cases[] = {
        { 400, 100, 801, 200 }, { 400, 100, 802, 200 }, // 200.5 -> 200
        { 400, 100, 806, 202 }, // 201.5 -> 202
        { 400, 100, 10, 10 }, { 2048, 1080, 1920, 1012 }, // 1012.5 -> 1012
        { 2048, 1080, 1922, 1014 }, // 1013.5 -> 1014
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            ::testing::Message() << c.pictureWidth << "x" << c.pictureHeight << ", width " << c.width);
        PictureOf(c.pictureWidth, c.pictureHeight); // the render made the picture of the last sizes
        dialog->numberWidth->SetValue(c.width);
        dialog->numberWidthChange(dialog->numberWidth);
        EXPECT_FLOAT_EQ(dialog->numberHeight->GetValue(), c.height);
    }
    // Without the proportions the other size stays.
    dialog->checkProp->SetIsChecked(false);
    dialog->numberHeight->SetValue(300);
    dialog->numberWidth->SetValue(1000);
    PictureOf(400, 100);
    dialog->numberWidthChange(dialog->numberWidth);
    EXPECT_FLOAT_EQ(dialog->numberHeight->GetValue(), 300);
    // Checking them again sets the height from the width.
    PictureOf(400, 100);
    dialog->checkProp->SetIsChecked(true);
    EXPECT_FLOAT_EQ(dialog->numberHeight->GetValue(), 250);
}

TEST_F(ExportFormTest, OnlyPngKeepsTransparency)
{
    dialog->popupExt->SetItemIndex(1); // JPEG
    EXPECT_FALSE(dialog->checkTransparent->GetIsChecked());
    EXPECT_FALSE(dialog->checkTransparent->GetEnabled());
    dialog->popupExt->SetItemIndex(2);
    EXPECT_EQ(dialog->FormatText(), "GIF");
    EXPECT_FALSE(dialog->checkTransparent->GetEnabled());
    dialog->popupExt->SetItemIndex(0);
    EXPECT_TRUE(dialog->checkTransparent->GetEnabled());
    EXPECT_FALSE(dialog->checkTransparent->GetIsChecked()) << "PNG enables the check, it does not check it";
}

TEST_F(ExportFormTest, SavingWritesTheFormatsFileAndAsksAboutThatFile)
{
    ASSERT_NE(DefaultFilterClass, nullptr);
    ASSERT_TRUE(dialog->RenderPreview());
    dialog->popupExt->SetItemIndex(3); // BMP
    const std::filesystem::path chosen = folder / "logo.old";
    FakeDialogs::SetSaveFileAnswer([&](const platform::ui::SaveFileOptions&) { return chosen.string(); });
    dialog->btnSaveClick(nullptr);
    const std::filesystem::path written = folder / "logo.bmp";
    ASSERT_TRUE(std::filesystem::exists(written));
    EXPECT_FALSE(std::filesystem::exists(chosen));
    ASSERT_TRUE(FakeDialogs::LastSaveFile());
    EXPECT_EQ(FakeDialogs::LastSaveFile()->defaultExtension, "bmp");
    EXPECT_NE(FakeDialogs::LastSaveFile()->filter.find("Images|*.bmp;"), std::string::npos);
    EXPECT_TRUE(FakeDialogs::Questions().empty());
    TwzBitmap read(1, 1);
    ASSERT_TRUE(read.LoadFromFile(written.string()));
    EXPECT_EQ(read.GetWidth(), 10);

    // The question names the file that would be replaced; "No" keeps it as it was.
    std::ofstream(written, std::ios::binary) << "precious";
    FakeDialogs::SetConfirmAnswer(false);
    dialog->btnSaveClick(nullptr);
    ASSERT_EQ(FakeDialogs::Questions().size(), 1u);
    EXPECT_NE(FakeDialogs::Questions()[0].find(written.string()), std::string::npos);
    EXPECT_EQ(Contents(written), "precious");
    FakeDialogs::SetConfirmAnswer(true);
    dialog->btnSaveClick(nullptr);
    EXPECT_NE(Contents(written), "precious");
    EXPECT_TRUE(FakeDialogs::Messages().empty()) << ::testing::PrintToString(FakeDialogs::Messages());
}

TEST_F(ExportFormTest, AFailedSaveSaysSoAndLeavesNoFile)
{
    ASSERT_TRUE(dialog->RenderPreview());
    const std::filesystem::path chosen = folder / "no-such-folder" / "logo.png";
    FakeDialogs::SetSaveFileAnswer([&](const platform::ui::SaveFileOptions&) { return chosen.string(); });
    dialog->btnSaveClick(nullptr);
    ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
    EXPECT_NE(FakeDialogs::Messages()[0].find("could not be saved"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(chosen));
}
