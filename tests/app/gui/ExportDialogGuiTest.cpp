// The render dialog on the real window system, opened from the main window's tool bar: it
// renders the lettering fitted and centred, saves every format at the chosen size (read back
// by an independent decoder), a cancelled render leaves no file, and the first click after a
// typed size acts while plain pointer moves change no size.

#include "app/ExportForm.h"
#include "app/MainForm.h"
#include "app/Modules.h"

#include "controls/TwzCheckBoxes.h"
#include "controls/TwzCompoundRows.h"
#include "controls/TwzImageViewer.h"
#include "controls/TwzNumberBox.h"
#include "controls/TwzPopupBox.h"
#include "controls/TwzTracks.h"
#include "graphics/TwzBitmap.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvScene.h"
#include "tests/MissingDisplay.h"
#include "tests/app/gui/MainWindowFixture.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

using platform::ui::RawButtonEvent;
namespace test = platform::ui::test;

namespace {

class ExportDialog : public apptest::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        // A folder of each test's own: the tests run side by side.
        folder = std::filesystem::path(GF_TEST_OUTPUT) / "export-dialog"
            / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }

    /// Runs `step` inside the dialog's modal loop once the dialog is open and its first
    /// render is done, then closes the dialog.
    void WhenOpen(const std::function<void(TfrmExport&)>& step)
    {
        platform::ui::Application& app = *uitest::Gui();
        const int64_t deadline = app.TickMs() + 120000;
        // A timer, not a posted call that posts itself again: the dialog's render lets
        // messages through, and a call that keeps posting itself would never let it go on.
        timer = app.StartTimer(50, [this, step, deadline, &app](uint32_t id) {
            auto* dialog = dynamic_cast<TfrmExport*>(form->FindComponent("frmExport"));
            const bool ready = dialog && !dialog->IsRendering() && dialog->IsPictureComplete();
            if (!ready && app.TickMs() < deadline)
                return;
            app.StopTimer(id);
            stepped = true;
            if (!ready) {
                ADD_FAILURE() << (dialog ? "the dialog's first render did not finish"
                                         : "the dialog did not open");
                if (dialog)
                    dialog->SetModalResult(platform::ui::kModalCancel);
                return;
            }
            step(*dialog);
            dialog->SetModalResult(platform::ui::kModalOk);
        });
    }

    /// Clicks "Render..." in the main window's tool bar.
    void ClickRender()
    {
        auto* button = dynamic_cast<TwzVisualObject*>(form->FindComponent("btnExport"));
        ASSERT_NE(button, nullptr);
        const TwzRect r = button->GetAbsoluteRect();
        const TwzRect layer = form->ToolBar->GetScreenBounds();
        const double x = layer.Left + (r.Left + r.Right) / 2;
        const double y = layer.Top + (r.Top + r.Bottom) / 2;
        test::SendMotion(Host(), x, y);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 1, x, y);
        test::SendButton(Host(), RawButtonEvent::Type::Release, 1, x, y, { .button1 = true });
    }

    /// The size, mode and smallest alpha of a picture file as PIL reads it; empty without PIL.
    static std::string ReadByPil(const std::filesystem::path& file)
    {
        const std::string command = "/usr/bin/python3 -c \"import sys; from PIL import Image; "
                                    "im = Image.open(sys.argv[1]); im.load(); "
                                    "a = im.convert('RGBA').getextrema()[3][0]; "
                                    "print(im.size[0], im.size[1], im.format, a)\" '"
            + file.string() + "' 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe)
            return {};
        std::array<char, 256> line {};
        std::string out;
        while (fgets(line.data(), static_cast<int>(line.size()), pipe))
            out += line.data();
        pclose(pipe);
        while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
            out.pop_back();
        return out;
    }

    static void SaveWindowPicture(TfrmExport& dialog, const char* name)
    {
        platform::ui::SceneHost* host = dialog.wzScene1 ? dialog.wzScene1->GetHost() : nullptr;
        if (!host)
            return;
        for (int i = 0; i < 5; ++i) {
            test::Sync();
            uitest::Gui()->ProcessMessages();
        }
        const int32_t w = dialog.GetClientWidth(), h = dialog.GetClientHeight();
        const std::vector<uint32_t> pixels = test::ReadPixels(*host, { 0, 0, w, h });
        if (pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
            return;
        TwzBitmap shot(w, h);
        std::copy(pixels.begin(), pixels.end(), shot.Pixels().begin());
        for (uint32_t& p : shot.Pixels())
            p |= 0xFF000000u;
        shot.SaveToFile(std::string(GF_TEST_OUTPUT) + "/" + name);
    }

    std::filesystem::path folder;
    uint32_t timer = 0;
    bool stepped = false;
};

struct Box {
    int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Box OpaqueBox(const TwzBitmap& picture)
{
    Box box;
    for (int32_t y = 0; y < picture.GetHeight(); ++y)
        for (int32_t x = 0; x < picture.GetWidth(); ++x)
            if ((picture.Pixels()[static_cast<size_t>(y) * picture.GetWidth() + x] >> 24) > 128) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

} // namespace

TEST_F(ExportDialog, OpensFromTheToolBarRendersFittedAndSavesEveryFormat)
{
    std::vector<std::string> written;
    WhenOpen([&](TfrmExport& dialog) {
        // The dialog starts from the lettering's size on the screen, transparent as the view.
        const TwzRect onScreen = form->Preview->GetScreenBounds();
        EXPECT_NEAR(dialog.numberWidth->GetValue(), std::clamp(RectWidth(onScreen), 10.0f, 2048.0f), 1);
        EXPECT_TRUE(dialog.checkTransparent->GetIsChecked());

        dialog.checkProp->SetIsChecked(false);
        dialog.numberWidth->SetValue(1200);
        dialog.numberHeight->SetValue(600);
        ASSERT_TRUE(dialog.RenderPreview());
        const TwzBitmap& picture = *dialog.Preview->GetBitmap();
        ASSERT_EQ(picture.GetWidth(), 1200);
        ASSERT_EQ(picture.GetHeight(), 600);
        // The lettering's rectangle on the screen is fitted into the picture and centred:
        // the lettering lies inside that rectangle and fills most of it.
        const TwzRect screen = form->Preview->GetScreenBounds();
        const float scale = std::min(1200 / RectWidth(screen), 600 / RectHeight(screen));
        const float w = RectWidth(screen) * scale, h = RectHeight(screen) * scale;
        const float left = (1200 - w) / 2, top = (600 - h) / 2;
        const Box box = OpaqueBox(picture);
        ASSERT_GT(box.right, box.left) << "nothing was rendered";
        EXPECT_TRUE(left <= 1 || top <= 1) << "fitted: the rectangle reaches two opposite edges";
        EXPECT_GE(box.left, left - 3);
        EXPECT_GE(box.top, top - 3);
        EXPECT_LE(box.right, left + w + 3);
        EXPECT_LE(box.bottom, top + h + 3);
        EXPECT_GT(box.right - box.left, 0.8 * w);
        EXPECT_GT(box.bottom - box.top, 0.6 * h);

        // The dialog as the user sees it, fitted, left as an artefact.
        dialog.btnFitClick(nullptr);
        SaveWindowPicture(dialog, "export-dialog.png");

        for (int32_t format = 0; format < 4; ++format) {
            dialog.popupExt->SetItemIndex(format);
            EXPECT_FALSE(dialog.IsRendering());
            const std::string name
                = app::ExportFileName((folder / "render.old").string(), dialog.FormatText());
            dialog.SavePicture(name);
            written.push_back(name);
        }

        // A render cancelled with its button leaves the background, and saving then renders
        // first: cancelled again, nothing is asked and no file is written.
        dialog.numberWidth->SetValue(2048);
        dialog.numberHeight->SetValue(2048);
        uitest::Gui()->Post([&dialog] { dialog.btnCancelRenderClick(nullptr); });
        EXPECT_FALSE(dialog.RenderPreview());
        EXPECT_FALSE(dialog.IsPictureComplete());
        uitest::Gui()->Post([&dialog] { dialog.btnCancelRenderClick(nullptr); });
        dialog.btnSaveClick(nullptr);
        EXPECT_FALSE(dialog.IsPictureComplete());
    });
    ClickRender();
    ASSERT_TRUE(uitest::RunUntil([&] { return stepped; }));
    EXPECT_EQ(form->FindComponent("frmExport"), nullptr) << "the dialog is freed when it closes";

    ASSERT_EQ(written.size(), 4u);
    const char* formats[] = { "PNG", "JPEG", "GIF", "BMP" };
    for (size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(written[i]);
        ASSERT_TRUE(std::filesystem::exists(written[i]));
        const std::string read = ReadByPil(written[i]);
        if (read.empty()) {
            std::printf("python3 with PIL is missing: %s not checked independently\n", written[i].c_str());
            continue;
        }
        EXPECT_EQ(read.substr(0, read.rfind(' ')), std::string("1200 600 ") + formats[i]);
        // Only the PNG keeps transparent pixels.
        EXPECT_EQ(read.substr(read.rfind(' ') + 1) == "0", i == 0) << read;
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++files;
    EXPECT_EQ(files, 4u) << "a cancelled render wrote a file";
}

TEST_F(ExportDialog, TheFirstClickAfterATypedSizeActsAndPlainMovesChangeNoSize)
{
    WhenOpen([&](TfrmExport& dialog) {
        platform::ui::SceneHost& host = *dialog.wzScene1->GetHost();
        const auto centre = [](TwzVisualObject& object) {
            const TwzRect r = object.GetAbsoluteRect();
            return std::pair { static_cast<double>(r.Left + r.Right) / 2,
                static_cast<double>(r.Top + r.Bottom) / 2 };
        };
        const auto settle = [] {
            for (int i = 0; i < 3; ++i) {
                test::Sync();
                uitest::Gui()->ProcessMessages();
            }
        };
        // A click as a person makes it: the release is on its way while the press is handled,
        // and arrives as soon as the dialog lets messages through (its renders do).
        const auto click = [&](TwzVisualObject& object) {
            const auto [x, y] = centre(object);
            test::SendMotion(host, x, y);
            uitest::Gui()->Post([&host, x, y] {
                test::SendButton(host, RawButtonEvent::Type::Release, 1, x, y, { .button1 = true });
            });
            test::SendButton(host, RawButtonEvent::Type::Press, 1, x, y);
            settle();
        };
        const auto type = [&](const std::vector<std::string>& keys) {
            for (const std::string& key : keys) {
                test::SendKey(host, true, key);
                test::SendKey(host, false, key);
            }
            settle();
        };
        TwzNumberBox& width = *dialog.numberWidth->GetNumberBox();
        TwzNumberBox& height = *dialog.numberHeight->GetNumberBox();
        auto& fit = *dynamic_cast<TwzVisualObject*>(dialog.FindComponent("btnFit"));
        auto& original = *dynamic_cast<TwzVisualObject*>(dialog.FindComponent("btnOriginal"));

        // A width typed and entered, then the proportion chain: the click unchains.
        click(width);
        width.SelectAll();
        type({ "3", "0", "0", "Return" });
        EXPECT_EQ(width.GetValue(), 300);
        const float keptHeight = height.GetValue();
        ASSERT_TRUE(dialog.checkProp->GetIsChecked());
        click(*dialog.checkProp);
        EXPECT_FALSE(dialog.checkProp->GetIsChecked()) << "the first click after Enter was swallowed";
        EXPECT_EQ(dialog.wzScene1->GetCaptured(), nullptr);

        // Plain pointer moves over the boxes and beside them change no size.
        const auto [wx, wy] = centre(width);
        for (const auto& [dx, dy] : { std::pair { 3.0, 8.0 }, std::pair { -20.0, 2.0 },
                 std::pair { 5.0, 30.0 }, std::pair { 40.0, -6.0 }, std::pair { 0.0, 27.0 } }) {
            test::SendMotion(host, wx + dx, wy + dy);
            settle();
        }
        EXPECT_EQ(width.GetValue(), 300);
        EXPECT_EQ(height.GetValue(), keptHeight);

        // A height typed without Enter, then "1:1" and "Best Fit": leaving the box commits it,
        // and both clicks act.
        dialog.trackScale->SetValue(50);
        click(height);
        height.SelectAll();
        type({ "1", "2", "0" });
        click(original);
        EXPECT_EQ(height.GetValue(), 120);
        EXPECT_EQ(dialog.trackScale->GetValue(), 100) << "the click on \"1:1\" was swallowed";
        dialog.trackScale->SetValue(50);
        click(fit);
        EXPECT_NE(dialog.trackScale->GetValue(), 50) << "the click on \"Best Fit\" was swallowed";
        EXPECT_EQ(dialog.wzScene1->GetCaptured(), nullptr);
        EXPECT_EQ(width.GetValue(), 300);
        EXPECT_EQ(height.GetValue(), 120);
    });
    ClickRender();
    ASSERT_TRUE(uitest::RunUntil([&] { return stepped; }));
}
