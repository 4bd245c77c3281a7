// The image control: the fitted copy in its part, picture files dropped or chosen in the
// open dialog, pictures dragged from other image objects, bound values, and which file
// names count as pictures.

#include "ControlsTest.h"

#include "controls/TwzImageControl.h"
#include "graphics/TwzFilter.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"

#include <filesystem>
#include <fstream>

using namespace controlstest;

namespace {

namespace fs = std::filesystem;

/// A folder of its own under the test output, emptied first.
fs::path FreshFolder(const std::string& name)
{
    const fs::path dir = fs::path(GF_TEST_OUTPUT) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

/// Saves a picture of one opaque colour.
std::string SavePicture(const fs::path& file, int32_t width, int32_t height, TwzColor color = 0xFFFF0000)
{
    TwzBitmap picture(width, height);
    picture.Clear(color);
    picture.SaveToFile(file.string());
    return file.string();
}

TwzDragObject FileDrag(const std::string& fileName)
{
    TwzDragObject drag;
    drag.Files.push_back(rtl::Utf8ToUtf16(fileName));
    drag.Data = rtl::Utf8ToUtf16(fileName);
    return drag;
}

} // namespace

class ImageControl : public ControlsTest {
protected:
    void TearDown() override
    {
        platform::ui::FakeDialogs::Reset();
        ControlsTest::TearDown();
    }

    /// A 108 x 108 control, whose part "image" is 100 x 100 in the built-in style.
    TwzImageControl* AddWell()
    {
        auto* well = Add<TwzImageControl>("well", { 10, 0, 108, 100 });
        well->SetHeight(108);
        well->OnChange = form->ChangeHandler();
        return well;
    }

    static TwzImage* ImagePart(TwzImageControl& well) { return dynamic_cast<TwzImage*>(Part(well, "image")); }
};

TEST_F(ImageControl, ThePartShowsACopyFittedWithoutEnlargingIt)
{
    TwzImageControl* well = AddWell();
    TwzImage* part = ImagePart(*well);
    ASSERT_NE(part, nullptr);
    ASSERT_FLOAT_EQ(part->GetWidth(), 100);
    ASSERT_FLOAT_EQ(part->GetHeight(), 100);

    struct Case {
        int32_t width, height, copyWidth, copyHeight;
    };
    for (const Case& c : { Case { 1000, 500, 100, 50 }, Case { 50, 20, 50, 20 }, Case { 300, 1200, 25, 100 },
             Case { 101, 1, 100, 1 } }) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        form->log.clear();
        TwzBitmap picture(c.width, c.height);
        picture.Clear(0xFF00FF00);
        well->SetBitmap(&picture);
        EXPECT_EQ(well->GetBitmap()->GetWidth(), c.width) << "the control keeps the whole picture";
        EXPECT_EQ(part->GetBitmap()->GetWidth(), c.copyWidth);
        EXPECT_EQ(part->GetBitmap()->GetHeight(), c.copyHeight);
        EXPECT_EQ(part->GetBitmap()->GetScanline(c.copyHeight / 2)[c.copyWidth / 2], 0xFF00FF00u)
            << "the picture is drawn into the copy";
        EXPECT_EQ(form->log, (std::vector<std::string> { "change:well" }));
    }
}

TEST_F(ImageControl, WithoutItsStyleTheControlRaisesNothingUntilTheStyleShowsThePicture)
{
    auto* well = new TwzImageControl(form.get());
    well->SetName("well");
    well->OnChange = form->ChangeHandler();
    well->SetBounds(0, 0, 58, 58);
    TwzBitmap picture(200, 100);
    picture.Clear(0xFF0000FF);
    well->SetBitmap(&picture);
    EXPECT_TRUE(form->log.empty());
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 200);

    well->SetParent(root);
    well->LoadStyle();
    TwzImage* part = ImagePart(*well);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->GetBitmap()->GetWidth(), 50);
    EXPECT_EQ(part->GetBitmap()->GetHeight(), 25);
}

TEST_F(ImageControl, ADroppedPictureFileReplacesThePicture)
{
    const fs::path dir = FreshFolder("image-control-drop");
    const std::string png = SavePicture(dir / "face.png", 40, 30);
    const std::string upper = SavePicture(dir / "FACE2.PNG", 20, 10);
    const std::string text = (dir / "notes.txt").string();
    std::ofstream(text) << "not a picture";
    fs::create_directories(dir / "folder.png");
    TwzImageControl* well = AddWell();

    struct Case {
        std::string name;
        TwzDragObject drag;
        bool accepted;
    };
    TwzDragObject two = FileDrag(text);
    two.Files.push_back(rtl::Utf8ToUtf16(png));
    const Case cases[] = {
        { "a picture file", FileDrag(png), true },
        { "an extension in capitals", FileDrag(upper), true },
        { "a missing file", FileDrag((dir / "missing.png").string()), false },
        { "a text file", FileDrag(text), false },
        { "a folder with a picture's extension", FileDrag((dir / "folder.png").string()), false },
        { "only the first file counts", two, false },
        { "no files at all", TwzDragObject {}, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(scene->InjectDragOver({ 50, 50 }, c.drag), c.accepted);
        scene->InjectDragLeave();
    }

    ASSERT_TRUE(scene->InjectDragOver({ 50, 50 }, FileDrag(upper)));
    scene->InjectDrop({ 50, 50 }, FileDrag(upper));
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 20);
    EXPECT_EQ(well->GetBitmap()->GetHeight(), 10);
    EXPECT_EQ(ImagePart(*well)->GetBitmap()->GetWidth(), 20);
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:well" }));

    // A file that turns out not to decode leaves the picture as it was.
    form->log.clear();
    const std::string broken = (dir / "broken.png").string();
    std::ofstream(broken) << "not a picture either";
    ASSERT_TRUE(scene->InjectDragOver({ 50, 50 }, FileDrag(broken)));
    scene->InjectDrop({ 50, 50 }, FileDrag(broken));
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 20);
    EXPECT_TRUE(form->log.empty());
}

TEST_F(ImageControl, APictureDraggedFromAnImageObjectIsCopied)
{
    TwzImageControl* well = AddWell();
    auto* strip = new TwzImage(form.get());
    strip->SetName("thumb");
    strip->SetBounds(150, 0, 40, 40);
    strip->SetParent(root);
    TwzBitmap picture(64, 48);
    picture.Clear(0xFF123456);
    strip->SetBitmap(&picture);

    TwzDragObject drag;
    drag.Source = strip;
    ASSERT_TRUE(scene->InjectDragOver({ 50, 50 }, drag));
    scene->InjectDrop({ 50, 50 }, drag);
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 64);
    EXPECT_EQ(well->GetBitmap()->GetScanline(0)[0], 0xFF123456u);
    EXPECT_EQ(form->log, (std::vector<std::string> { "change:well" }));

    // Another object dragged in is refused.
    drag.Source = root;
    EXPECT_FALSE(scene->InjectDragOver({ 50, 50 }, drag));
}

TEST_F(ImageControl, AClickAsksForAPictureFile)
{
    const fs::path dir = FreshFolder("image-control-click");
    const std::string png = SavePicture(dir / "chosen.png", 30, 60);
    TwzImageControl* well = AddWell();
    well->OnClick = form->ClickHandler();

    ClickAt({ 50, 50 });
    ASSERT_TRUE(platform::ui::FakeDialogs::LastOpenFile());
    const std::vector<platform::ui::FileFilter> filter
        = platform::ui::ParseFileFilter(platform::ui::FakeDialogs::LastOpenFile()->filter);
    ASSERT_EQ(filter.size(), 1u);
    EXPECT_TRUE(platform::ui::MatchesFileFilter(filter[0], "x.JPEG"));
    EXPECT_FALSE(platform::ui::MatchesFileFilter(filter[0], "x.txt"));
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 1) << "cancelled";
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:well" }));

    form->log.clear();
    platform::ui::FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return png; });
    ClickAt({ 50, 50 });
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 30);
    EXPECT_EQ(well->GetBitmap()->GetHeight(), 60);
    EXPECT_EQ(form->log, (std::vector<std::string> { "click:well", "change:well" }));
}

TEST_F(ImageControl, BoundValuesAreThePictureOrAFileName)
{
    const fs::path dir = FreshFolder("image-control-data");
    const std::string png = SavePicture(dir / "bound.png", 12, 8);
    TwzImageControl* well = AddWell();
    EXPECT_EQ(VariantToObject(well->GetData()), well->GetBitmap());

    well->SetData(rtl::TValue(rtl::Utf8ToUtf16(png)));
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 12);

    TwzBitmap other(7, 5);
    well->SetData(ObjectToVariant(&other));
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 7);

    well->SetData(rtl::TValue(std::string((dir / "missing.png").string())));
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 7) << "a missing file leaves the picture";
}

TEST_F(ImageControl, PictureFileNamesAreMatchedByWholeMasksInLowerCase)
{
    ASSERT_NE(DefaultFilterClass, nullptr);
    const struct {
        const char* name;
        bool picture;
    } cases[] = {
        { "photo.png", true },
        { "PHOTO.PNG", true },
        { "/some/folder/Holiday.JpG", true },
        { "scan.tiff", true },
        { "scan.tif", true },
        { "x.g", false }, // would be a part of "*.gif"
        { "x.pn", false },
        { "x.pngx", false },
        { "x.txt", false },
        { "noextension", false },
        { "trailing.", false },
        { "folder.png/file", false },
        { "", false },
        { "archive.png.txt", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(controls::IsPictureFileName(c.name), c.picture);
    }
}
