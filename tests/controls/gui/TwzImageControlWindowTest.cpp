// An image control in a real window under X, with the built-in style: a picture file dropped
// from another program replaces its picture; a file that is no picture is refused and
// changes nothing, and the next drop is taken again. (The modules start in the suite's
// environment.)

#include "controls/TwzImageControl.h"
#include "graphics/TwzBitmap.h"
#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/SceneWindow.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace test = platform::ui::test;

namespace {

class ImageControlWindow : public testsupport::SceneWindowTest<TwzScene> {
protected:
    void SetUpWindow() override
    {
        CreateWindow(160, 120);
        auto* root = new TwzBackground(owner.get());
        scene->AddObject(root);
        root->SetBounds(0, 0, 160, 120);
        well = new TwzImageControl(owner.get());
        well->SetBounds(20, 10, 108, 100);
        well->SetParent(root);
        ShowWindow();
    }

    TwzImageControl* well = nullptr;
};

} // namespace

TEST_F(ImageControlWindow, ADroppedPictureFileReplacesThePictureAndOtherFilesAreRefused)
{
    const std::filesystem::path dir = std::filesystem::path(GF_TEST_OUTPUT) / "image-control-window";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string text = (dir / "notes.txt").string();
    std::ofstream(text) << "no picture";
    const std::string png = (dir / "Dropped Face.PNG").string();
    {
        TwzBitmap picture(200, 100);
        picture.Clear(0xFF00C000);
        picture.SaveToFile(png);
    }

    // The space in the name travels percent-encoded.
    test::DropResult result = test::DropUris(
        Host(), { "file://" + (dir / "Dropped%20Face.PNG").string() }, platform::ui::Point { 70, 60 });
    EXPECT_TRUE(result.completed);
    Settle();
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 200);
    EXPECT_EQ(well->GetBitmap()->GetHeight(), 100);
    result = test::DropUris(Host(), { "file://" + text }, platform::ui::Point { 70, 60 });
    EXPECT_TRUE(result.completed);
    Settle();
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 200) << "refused";

    // A drop after a refused one is taken.
    const std::string second = (dir / "second.png").string();
    {
        TwzBitmap picture(400, 100);
        picture.Clear(0xFF0000C0);
        picture.SaveToFile(second);
    }
    result = test::DropUris(Host(), { "file://" + second }, platform::ui::Point { 70, 60 });
    EXPECT_TRUE(result.completed);
    Settle();
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 400);

    auto* part = dynamic_cast<TwzImage*>(well->FindResource("image"));
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetBitmap()->GetWidth(), 100) << "fitted into the 100 x 92 part";
    EXPECT_EQ(part->GetBitmap()->GetHeight(), 25);
}
