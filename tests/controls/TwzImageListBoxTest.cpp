// The image list box (which files it takes, folders in name order, pictures loaded on
// workers only for painted items while the GUI loop keeps running, items freed while their
// picture loads, dragging a picture out) and the image viewer (best fit, centring, wheel
// zoom, bound values).

#include "ControlsTest.h"

#include "controls/TwzImageControl.h"
#include "controls/TwzImageListBox.h"
#include "controls/TwzImageViewer.h"
#include "graphics/TwzBounds.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Worker.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzText.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace controlstest;

namespace {

namespace fs = std::filesystem;

fs::path FreshFolder(const std::string& name)
{
    const fs::path dir = fs::path(GF_TEST_OUTPUT) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string SavePicture(const fs::path& file, int32_t width, int32_t height)
{
    TwzBitmap picture(width, height);
    picture.Clear(0xFF208040);
    picture.SaveToFile(file.string());
    return file.string();
}

std::vector<std::string> FileNames(TwzImageListBox& box)
{
    std::vector<std::string> names;
    for (int32_t i = 0; i < box.Count(); ++i) {
        auto* item = dynamic_cast<TwzImageListBoxItem*>(box.ItemByIndex(i));
        names.push_back(item ? fs::path(item->GetFileName()).filename().string() : "?");
    }
    return names;
}

} // namespace

class ImageListBox : public ControlsTest {
protected:
    /// Waits until every worker has returned, then runs the hand-overs they posted.
    void FinishLoads()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (platform::ui::RunningWorkers() > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_EQ(platform::ui::RunningWorkers(), 0);
        app->ProcessMessages();
    }
    static TwzImageListBoxItem* ItemAt(TwzImageListBox& box, int32_t index)
    {
        return dynamic_cast<TwzImageListBoxItem*>(box.ItemByIndex(index));
    }
};

TEST_F(ImageListBox, AddFileTakesPictureFilesOnlyAndSelectsTheFirst)
{
    auto* box = Add<TwzImageListBox>("box", { 0, 0, 200, 100 });
    EXPECT_FLOAT_EQ(box->GetItemHeight(), 100) << "the width it was made with";
    EXPECT_TRUE(box->GetUseThumbnails());
    box->SetItemHeight(40);
    for (const char* name :
        { "/pics/HOLIDAY.JPG", "/pics/notes.txt", "/pics/noextension", "/pics/x.g", "/pics/b.png" })
        box->AddFile(name);
    EXPECT_EQ(FileNames(*box), (std::vector<std::string> { "HOLIDAY.JPG", "b.png" }));
    EXPECT_EQ(box->GetItemIndex(), 0);
    TwzImageListBoxItem* item = ItemAt(*box, 0);
    ASSERT_NE(item, nullptr);
    EXPECT_FLOAT_EQ(item->GetHeight(), 40);
    EXPECT_FALSE(item->GetStored());
    EXPECT_EQ(item->GetTag(), 1) << "not requested before it is painted";
    TwzImage* image = item->GetImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(item->GetTagObject(), image);
    EXPECT_EQ(image->GetParent(), item);
    EXPECT_EQ(image->GetAlign(), vaClient);
    EXPECT_FLOAT_EQ(image->GetPadding()->GetBottom(), 4);
    EXPECT_FALSE(image->GetHitTest());

    box->SetShowFileName(true);
    box->AddFile("/pics/third.png");
    EXPECT_FLOAT_EQ(ItemAt(*box, 2)->GetImage()->GetPadding()->GetBottom(), 20) << "room for the name";
    box->SetItemHeight(30);
    for (int32_t i = 0; i < box->Count(); ++i)
        EXPECT_FLOAT_EQ(box->ItemByIndex(i)->GetHeight(), 30);

    // The item's style shows the name without its folder.
    TwzImageListBoxItem* third = ItemAt(*box, 2);
    third->LoadStyle();
    auto* text = dynamic_cast<TwzText*>(third->FindResource("text"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetText(), u"third.png");
    EXPECT_TRUE(dynamic_cast<TwzVisualObject*>(third->FindResource("textborder"))->GetVisible());
}

TEST_F(ImageListBox, AddFolderAddsThePicturesInNameOrderWithoutEnteringSubFolders)
{
    const fs::path dir = FreshFolder("image-list-folder");
    SavePicture(dir / "b.PNG", 4, 4);
    SavePicture(dir / "A.jpg", 4, 4);
    SavePicture(dir / "c.gif", 4, 4);
    std::ofstream(dir / "readme.txt") << "text";
    fs::create_directories(dir / "sub.png");
    SavePicture(dir / "sub.png" / "inner.png", 4, 4);

    auto* box = Add<TwzImageListBox>("box", { 0, 0, 200, 100 });
    box->AddFolder(dir.string());
    EXPECT_EQ(FileNames(*box), (std::vector<std::string> { "A.jpg", "b.PNG", "c.gif" }));
    EXPECT_EQ(box->GetItemIndex(), 0);
    EXPECT_EQ(ItemAt(*box, 0)->GetFileName(), (dir / "A.jpg").string()) << "the full name";

    // Not cleared first; a trailing separator is fine; a missing folder adds nothing.
    box->AddFolder(dir.string() + "/");
    EXPECT_EQ(box->Count(), 6);
    box->AddFolder((dir / "missing").string());
    EXPECT_EQ(box->Count(), 6);
    box->Clear();
    EXPECT_EQ(box->Count(), 0);
}

TEST_F(ImageListBox, FiftyPicturesLoadOnWorkersWhileTheGuiLoopKeepsTurning)
{
    const fs::path dir = FreshFolder("image-list-fifty");
    for (int i = 0; i < 50; ++i)
        SavePicture(dir / ("p" + std::to_string(100 + i) + ".png"), 40 + i, 30);
    auto* box = Add<TwzImageListBox>("box", { 0, 0, 200, 100 });
    box->SetItemHeight(10);
    box->TwzListBox::SetItemWidth(20); // ten columns: every item in view
    box->AddFolder(dir.string());
    ASSERT_EQ(box->Count(), 50);
    for (int32_t i = 0; i < 50; ++i)
        ASSERT_EQ(box->ItemByIndex(i)->GetTag(), 1);

    PaintAll();
    for (int32_t i = 0; i < 50; ++i)
        ASSERT_EQ(box->ItemByIndex(i)->GetTag(), 0) << "painted items request their picture";

    // The GUI thread keeps turning its loop while the pictures come in, one by one.
    int turns = 0;
    int turnsWhileLoading = 0;
    auto loaded = [&] {
        int count = 0;
        for (int32_t i = 0; i < 50; ++i)
            count += ItemAt(*box, i)->GetImage()->GetBitmap()->GetWidth() > 1 ? 1 : 0;
        return count;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (loaded() < 50 && std::chrono::steady_clock::now() < deadline) {
        app->Post([&] { ++turns; });
        app->ProcessMessages();
        if (loaded() < 50)
            ++turnsWhileLoading;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(loaded(), 50);
    EXPECT_GT(turnsWhileLoading, 0);
    EXPECT_GE(turns, turnsWhileLoading);
    // Thumbnails fitted to the item's picture area (20 x 10 less 4 on each side: 12 x 2).
    TwzBitmap* first = ItemAt(*box, 0)->GetImage()->GetBitmap();
    EXPECT_LE(first->GetWidth(), 12);
    EXPECT_LE(first->GetHeight(), 2);
    FinishLoads();
}

TEST_F(ImageListBox, OnlyPaintedItemsLoadAndFreedItemsGetNothing)
{
    const fs::path dir = FreshFolder("image-list-freed");
    for (int i = 0; i < 12; ++i)
        SavePicture(dir / ("q" + std::to_string(10 + i) + ".png"), 300, 200);
    auto* box = Add<TwzImageListBox>("box", { 0, 0, 200, 100 });
    box->SetItemHeight(40);
    box->AddFolder(dir.string());
    PaintAll();
    EXPECT_EQ(ItemAt(*box, 0)->GetTag(), 0);
    EXPECT_EQ(ItemAt(*box, 11)->GetTag(), 1) << "scrolled out of view: not requested";
    box->SetAnimated(false);
    box->SetItemIndex(11);
    PaintAll();
    EXPECT_EQ(ItemAt(*box, 11)->GetTag(), 0) << "requested once it comes into view";

    // The list goes while its pictures load; so does a single item of another list.
    box->Clear();
    EXPECT_EQ(box->Count(), 0);
    auto* other = Add<TwzImageListBox>("other", { 0, 0, 200, 100 });
    other->AddFile((dir / "q10.png").string());
    PaintAll();
    ItemAt(*other, 0)->Free();
    FinishLoads();
    EXPECT_EQ(other->Count(), 0);

    // And shut-down with loads still running.
    other->AddFolder(dir.string());
    PaintAll();
    app->BeginShutdown();
    platform::ui::WaitForWorkers();
    app->ProcessMessages();
    EXPECT_EQ(ItemAt(*other, 0)->GetImage()->GetBitmap()->GetWidth(), 1);
}

TEST_F(ImageListBox, APictureDraggedFromTheStripLandsInAnImageControl)
{
    const fs::path dir = FreshFolder("image-list-drag");
    SavePicture(dir / "face.png", 64, 32);
    auto* box = Add<TwzImageListBox>("box", { 0, 0, 100, 100 });
    box->SetDragMode(wzDragAutomatic);
    box->SetUseThumbnails(false);
    box->AddFolder(dir.string());
    PaintAll();
    FinishLoads();
    TwzImage* picture = ItemAt(*box, 0)->GetImage();
    ASSERT_EQ(picture->GetBitmap()->GetWidth(), 64);
    picture->SetName("picture");

    auto* well = Add<TwzImageControl>("well", { 110, 0, 80, 80 });
    scene->ClearLog();
    scene->InjectMouseDown({ 50, 50 });
    scene->InjectMouseUp({ 50, 50 });
    EXPECT_NE(std::find(scene->Log().begin(), scene->Log().end(), "drag:picture"), scene->Log().end());

    TwzDragObject drag;
    drag.Source = picture;
    ASSERT_TRUE(scene->InjectDragOver({ 150, 40 }, drag));
    scene->InjectDrop({ 150, 40 }, drag);
    EXPECT_EQ(well->GetBitmap()->GetWidth(), 64);
    EXPECT_EQ(well->GetBitmap()->GetHeight(), 32);
}

TEST_F(ImageListBox, TheHorizontalFormsLayOutInOneRow)
{
    auto* strip = Add<TwzHorzImageListBox>("strip", { 0, 0, 200, 60 });
    EXPECT_EQ(strip->GetListStyle(), wzListHorizontal);
    EXPECT_FLOAT_EQ(strip->GetItemHeight(), 0);
    EXPECT_FLOAT_EQ(strip->TwzListBox::GetItemWidth(), 110) << "10 + the height it was made with";
    auto* hud = new TwzHudHorzImageListBox(form.get());
    EXPECT_EQ(hud->GetResource(), "HudListBoxStyle");
    auto* hudList = new TwzHudImageListBox(form.get());
    EXPECT_EQ(hudList->GetResource(), "HudListBoxStyle");
}

// ---- image viewer -----------------------------------------------------------------------------

class ImageViewer : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        scene->SetSize(600, 500);
    }
    TwzImageViewer* AddViewer()
    {
        auto* viewer = Add<ImageViewerT>("viewer", { 0, 0, 502, 402 });
        viewer->SetAnimated(false);
        return viewer;
    }
    static void SetPicture(TwzImageViewer& viewer, int32_t width, int32_t height)
    {
        TwzBitmap picture(width, height);
        picture.Clear(0xFF808080);
        viewer.SetBitmap(&picture);
    }
    using ImageViewerT = TwzImageViewer;
};

TEST_F(ImageViewer, BestFitShrinksToTheViewportButNeverEnlarges)
{
    TwzImageViewer* viewer = AddViewer();
    TwzVisualObject* part = viewer->GetContentPart();
    ASSERT_NE(part, nullptr);
    ASSERT_FLOAT_EQ(part->GetWidth(), 500) << "the framed style's viewport";
    ASSERT_FLOAT_EQ(part->GetHeight(), 400);

    SetPicture(*viewer, 2000, 1000);
    viewer->BestFit();
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 0.25f);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetWidth(), 500);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetHeight(), 250);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetPosition()->GetY(), 75) << "centred vertically";

    SetPicture(*viewer, 100, 50);
    viewer->BestFit();
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 1);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetPosition()->GetX(), 200);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetPosition()->GetY(), 175);

    // A picture larger than the viewport at scale 1 shows its bars; fitting hides them.
    SetPicture(*viewer, 1000, 300);
    viewer->SetBitmapScale(2);
    viewer->SetBitmapScale(1);
    viewer->BestFit();
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 0.5f);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetPosition()->GetX(), 0);
}

TEST_F(ImageViewer, TheWheelZoomsInSteadyStepsWithinItsLimits)
{
    TwzImageViewer* viewer = AddViewer();
    SetPicture(*viewer, 200, 100);
    for (int i = 0; i < 20; ++i) {
        bool handled = false;
        viewer->MouseWheel({}, 120, handled);
        ASSERT_TRUE(handled);
    }
    EXPECT_NEAR(viewer->GetBitmapScale(), 1.8f, 1e-4f);
    EXPECT_NEAR(viewer->GetImage()->GetWidth(), 360, 0.05f);
    for (int i = 0; i < 100; ++i) {
        bool handled = false;
        viewer->MouseWheel({}, -120, handled);
    }
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 0.01f);
    viewer->SetBitmapScale(1000);
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 10);
    viewer->SetBitmapScale(std::nanf(""));
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 10);

    // Without MouseScaling the wheel scrolls instead.
    viewer->SetMouseScaling(false);
    viewer->SetBitmapScale(1);
    bool handled = false;
    viewer->MouseWheel({}, 120, handled);
    EXPECT_FLOAT_EQ(viewer->GetBitmapScale(), 1);
}

TEST_F(ImageViewer, BoundValuesAndTheBackground)
{
    const fs::path dir = FreshFolder("image-viewer-data");
    const std::string png = SavePicture(dir / "shown.png", 30, 20);
    TwzImageViewer* viewer = AddViewer();
    viewer->SetData(rtl::TValue(rtl::Utf8ToUtf16(png)));
    EXPECT_EQ(viewer->GetBitmap()->GetWidth(), 30);
    EXPECT_FLOAT_EQ(viewer->GetImage()->GetWidth(), 30) << "laid out again on the change";
    EXPECT_EQ(VariantToObject(viewer->GetData()), viewer->GetBitmap());
    TwzBitmap other(8, 6);
    viewer->SetData(ObjectToVariant(&other));
    EXPECT_EQ(viewer->GetBitmap()->GetWidth(), 8);

    viewer->SetShowBackground(true);
    viewer->GetBackgroundFill()->SetSolidColor(0xFF0000FF);
    PaintAll();
    const TwzRect box = viewer->GetImage()->GetAbsoluteRect();
    EXPECT_NE(box.Left, 0);
}
