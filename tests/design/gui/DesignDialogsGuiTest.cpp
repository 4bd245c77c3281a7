// The design tools' dialogs on the real window system: the bitmap editor shows its picture at
// the chosen scale with the crop frame over it, and the path designer previews its path.
// Each leaves a picture of its window as an artefact.

#include "app/Modules.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzPathDataDesigner.h"
#include "design/TwzSelection.h"
#include "graphics/TwzBitmap.h"
#include "tests/MissingDisplay.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzPaintBox.h"
#include "ui2d/TwzPathShape.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace test = platform::ui::test;

namespace {

class DesignDialogsGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!uitest::Gui())
            GF_MISSING_DISPLAY(uitest::GuiError());
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
    }
    void TearDown() override
    {
        if (uitest::Gui())
            uitest::Gui()->ProcessMessages();
        StopModules();
    }

    /// Shows `form` and returns its client pixels (0xFFRRGGBB) once it has painted, saving them
    /// as `artefact`; empty when the window did not come up.
    static std::vector<uint32_t> ShowAndRead(TAppForm& form, TwzCustomScene& scene, const char* artefact)
    {
        form.CreateWindowHandle();
        if (!form.GetWindow())
            return {};
        // Wholly on the screen: the server has no pixels for a part beyond its edge. Window
        // tests run one at a time, so none covers this one.
        form.GetWindow()->SetPosition({ 20, 20 });
        form.Show();
        test::Raise(*form.GetWindow());
        if (!uitest::RunUntil([&] { return scene.GetHost() && test::PaintCount(*scene.GetHost()) > 0; }))
            return {};
        for (int i = 0; i < 5; ++i) {
            test::Sync();
            uitest::Gui()->ProcessMessages();
        }
        const int32_t w = form.GetClientWidth(), h = form.GetClientHeight();
        std::vector<uint32_t> pixels = test::ReadPixels(*scene.GetHost(), { 0, 0, w, h });
        if (pixels.size() == static_cast<size_t>(w) * static_cast<size_t>(h)) {
            TwzBitmap shot(w, h);
            for (size_t i = 0; i < pixels.size(); ++i)
                shot.Pixels()[i] = pixels[i] | 0xFF000000u;
            shot.SaveToFile(std::string(GF_TEST_OUTPUT) + "/" + artefact);
        }
        return pixels;
    }

    static uint32_t At(const std::vector<uint32_t>& pixels, int32_t width, const TwzPoint& p)
    {
        return pixels[static_cast<size_t>(p.Y) * static_cast<size_t>(width) + static_cast<size_t>(p.X)]
            & 0xFFFFFFu;
    }
};

TEST_F(DesignDialogsGui, TheBitmapEditorShowsItsPictureScaledUnderTheCropFrame)
{
    rtl::TOwned<TwzBitmapEditor> editor(new TwzBitmapEditor(nullptr));
    ASSERT_TRUE(editor->LoadErrors().empty());
    // Red over blue, 60 x 40.
    TwzBitmap picture(60, 40);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 60; ++x)
            picture.GetScanline(y)[x] = y < 20 ? 0xFFFF0000u : 0xFF0000FFu;
    editor->AssignFromBitmap(&picture);
    editor->cropButtonClick(nullptr); // fits the picture to the view first
    ASSERT_NE(editor->CropFrame(), nullptr);
    const float s = editor->Scale();
    EXPECT_GT(s, 2.5f);

    const std::vector<uint32_t> pixels = ShowAndRead(*editor, *editor->wzScene1, "bitmap-editor.png");
    ASSERT_FALSE(pixels.empty()) << "the editor's window did not paint";
    const int32_t w = editor->GetClientWidth();
    const TwzRect preview = editor->Preview->GetAbsoluteRect();
    EXPECT_NEAR(RectWidth(preview), 60 * s, 1);
    // Inside the picture, away from the frame's lines.
    const TwzPoint red { preview.Left + 5, preview.Top + RectHeight(preview) / 4 };
    const TwzPoint blue { preview.Left + 5, preview.Top + RectHeight(preview) * 3 / 4 };
    EXPECT_EQ(At(pixels, w, red), 0xFF0000u);
    EXPECT_EQ(At(pixels, w, blue), 0x0000FFu);
    // The crop frame's left-top grip: a white disc on the picture.
    const TwzRect frame = editor->CropFrame()->GetAbsoluteRect(); // grown by 5 on every side
    EXPECT_EQ(At(pixels, w, { frame.Left + 5, frame.Top + 5 }), 0xFFFFFFu);
}

TEST_F(DesignDialogsGui, ThePathDesignerPreviewsThePathBesideTheMemo)
{
    rtl::TOwned<TwzPathDataDesigner> designer(new TwzPathDataDesigner(nullptr));
    ASSERT_TRUE(designer->LoadErrors().empty());
    designer->SetPathText("M 0,0 L 100,0 L 100,100 L 0,100 Z");
    const std::vector<uint32_t> pixels = ShowAndRead(*designer, *designer->wzScene1, "path-designer.png");
    ASSERT_FALSE(pixels.empty()) << "the designer's window did not paint";
    EXPECT_TRUE(uitest::GuiErrors().empty()) << ::testing::PrintToString(uitest::GuiErrors());
    const int32_t w = designer->GetClientWidth();
    const TwzRect path = designer->previewPath->GetAbsoluteRect();
    EXPECT_GT(path.Left, w / 2) << "the preview lies on the right";
    EXPECT_GT(RectWidth(path), 100);
    // The square fills the path's box: its middle differs from the form's background beside it.
    const TwzPoint middle { (path.Left + path.Right) / 2, (path.Top + path.Bottom) / 2 };
    const TwzPoint above { middle.X, path.Top - 30 };
    EXPECT_NE(At(pixels, w, middle), At(pixels, w, above));
}

} // namespace
