#include "RecordingCanvas.h"
#include "Scene3DTestClasses.h"

#include "graphics/TwzBitmap.h"
#include "scene3d/Library3D.h"
#include "scene3d/ResourceList.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapList.h"
#include "scene3d/ThvBitmapObject.h"
#include "scene3d/ThvBitmapStream.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace scene3dtest;

namespace {

class BitmapEvents : public rtl::TObject {
public:
    int changes = 0;
    rtl::TObject* lastSender = nullptr;
    void Change(rtl::TObject* sender)
    {
        ++changes;
        lastSender = sender;
    }
};

void Fill(ThvBitmap& bitmap, uint32_t color)
{
    uint32_t* bits = nullptr;
    ASSERT_TRUE(bitmap.Map(bits, true));
    std::fill(bits, bits + bitmap.Bits().size(), color);
    bitmap.Unmap();
}

class ThvBitmapTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestClasses3D(); }

    rtl::TOwned<rtl::TComponent> form { new rtl::TComponent(nullptr) };
};

} // namespace

// ---- size and pixels ------------------------------------------------------------------------

TEST_F(ThvBitmapTest, SetSizeReallocatesOnlyForANewSize)
{
    struct Case {
        const char* name;
        int32_t width, height;
        bool reallocated;
        int32_t expectedWidth, expectedHeight;
    };
    const Case cases[] = {
        { "the current size keeps pixels and textures", 4, 3, false, 4, 3 },
        { "a new size clears and drops textures", 5, 3, true, 5, 3 },
        { "a negative size becomes 0", -2, 3, true, 0, 3 },
        { "no area at all", 0, 0, true, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvBitmap bitmap(4, 3);
        Fill(bitmap, 0xFF102030);
        rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(8, 8);
        canvas->UseTexture(&bitmap);
        ASSERT_EQ(bitmap.TextureCanvases().size(), 1u);
        bitmap.SetNeedUpdate(false);
        BitmapEvents events;
        bitmap.OnChange.Bind<&BitmapEvents::Change>(&events);
        canvas->ClearLog();

        bitmap.SetSize(c.width, c.height);
        EXPECT_EQ(bitmap.GetWidth(), c.expectedWidth);
        EXPECT_EQ(bitmap.GetHeight(), c.expectedHeight);
        EXPECT_EQ(bitmap.Bits().size(), static_cast<size_t>(c.expectedWidth) * c.expectedHeight);
        EXPECT_EQ(events.changes, 0) << "resizing is silent";
        if (c.reallocated) {
            EXPECT_TRUE(
                std::all_of(bitmap.Bits().begin(), bitmap.Bits().end(), [](uint32_t p) { return p == 0; }));
            EXPECT_TRUE(bitmap.GetNeedUpdate());
            EXPECT_EQ(canvas->log, std::vector<std::string> { "DestroyBitmapHandle" });
            EXPECT_TRUE(bitmap.TextureCanvases().empty());
            EXPECT_EQ(canvas->GetBitmapHandle(&bitmap), nullptr);
            EXPECT_EQ(canvas->textures->alive, 0);
        } else {
            EXPECT_EQ(bitmap.Bits()[0], 0xFF102030u);
            EXPECT_FALSE(bitmap.GetNeedUpdate());
            EXPECT_TRUE(canvas->log.empty());
            EXPECT_NE(canvas->GetBitmapHandle(&bitmap), nullptr);
        }
    }
}

TEST_F(ThvBitmapTest, OnlyAWritingMapNotifiesOnUnmap)
{
    ThvBitmap bitmap(2, 2);
    BitmapEvents events;
    bitmap.OnChange.Bind<&BitmapEvents::Change>(&events);
    uint32_t* bits = nullptr;
    bitmap.SetNeedUpdate(false);
    ASSERT_TRUE(bitmap.Map(bits, false));
    bitmap.Unmap();
    EXPECT_EQ(events.changes, 0);
    EXPECT_FALSE(bitmap.GetNeedUpdate());

    ASSERT_TRUE(bitmap.Map(bits, true));
    EXPECT_TRUE(bitmap.GetWriting());
    bits[3] = 0xFFFFFFFF;
    bitmap.Unmap();
    EXPECT_FALSE(bitmap.GetWriting());
    EXPECT_EQ(events.changes, 1);
    EXPECT_TRUE(bitmap.GetNeedUpdate());
    bitmap.Unmap(); // an unmatched unmap changes nothing
    EXPECT_EQ(events.changes, 1);

    ThvBitmap empty(0, 0);
    EXPECT_FALSE(empty.Map(bits, true));
    EXPECT_EQ(bits, nullptr);
    EXPECT_FALSE(empty.GetWriting());
}

TEST_F(ThvBitmapTest, AssignCopiesFromBitmapsCanvasesAnd2DBitmaps)
{
    ThvBitmap source(3, 2);
    Fill(source, 0x80402010);
    ThvBitmap target(1, 1);
    BitmapEvents events;
    target.OnChange.Bind<&BitmapEvents::Change>(&events);
    target.SetNeedUpdate(false);
    target.Assign(source);
    EXPECT_EQ(target.GetWidth(), 3);
    EXPECT_EQ(target.Bits()[5], 0x80402010u);
    EXPECT_EQ(events.changes, 1);
    EXPECT_TRUE(target.GetNeedUpdate());

    // From an empty bitmap nothing moves but the size.
    ThvBitmap empty(0, 0);
    target.Assign(empty);
    EXPECT_EQ(target.GetWidth(), 0);
    EXPECT_TRUE(target.Bits().empty());

    // A canvas gives its rendered frame.
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(4, 3);
    canvas->Clear(0xFF00FF00);
    canvas->ClearLog();
    target.Assign(*canvas);
    EXPECT_EQ(canvas->log, std::vector<std::string> { "CopyBits" });
    EXPECT_EQ(target.GetWidth(), 4);
    EXPECT_EQ(target.GetHeight(), 3);
    EXPECT_EQ(target.Bits()[11], 0xFF00FF00u);

    // 2D bitmaps: pixels unchanged both ways; the 2D bitmap hears the 3D one as sender.
    TwzBitmap picture(2, 1);
    picture.Pixels()[0] = 0x7F7F0000;
    picture.Pixels()[1] = 0xFF0000FF;
    target.Assign(picture);
    EXPECT_EQ(std::vector<uint32_t>(target.Bits().begin(), target.Bits().end()),
        (std::vector<uint32_t> { 0x7F7F0000, 0xFF0000FF }));
    TwzBitmap back(5, 5);
    BitmapEvents pictureEvents;
    back.OnChange.Bind<&BitmapEvents::Change>(&pictureEvents);
    back.Assign(target);
    EXPECT_EQ(back.GetWidth(), 2);
    EXPECT_EQ(back.GetHeight(), 1);
    EXPECT_EQ(back.Pixels()[1], 0xFF0000FFu);
    EXPECT_EQ(pictureEvents.changes, 1);
    EXPECT_EQ(pictureEvents.lastSender, &target);

    // A 3D bitmap of no area into a 2D one, which keeps pixels of its own: nothing is copied
    // beyond what the 3D bitmap has (the sanitizers watch this).
    TwzBitmap tiny(3, 3);
    tiny.Assign(empty);

    ThvMaterial unrelated;
    EXPECT_THROW(target.Assign(unrelated), rtl::ConvertError);
}

// ---- textures and the bitmap's own canvas ---------------------------------------------------

TEST_F(ThvBitmapTest, TexturesAreReleasedOnceWhicheverSideGoesFirst)
{
    // The bitmap goes first: every canvas drops its texture.
    {
        rtl::TOwned<RecordingCanvas> a = MakeRecordingCanvas(8, 8);
        rtl::TOwned<RecordingCanvas> b = MakeRecordingCanvas(8, 8);
        auto bitmap = std::make_unique<ThvBitmap>(2, 2);
        a->UseTexture(bitmap.get());
        b->UseTexture(bitmap.get());
        a->UseTexture(bitmap.get()); // a second use keeps the one texture
        EXPECT_EQ(bitmap->TextureCanvases().size(), 2u);
        bitmap.reset();
        EXPECT_EQ(a->textures->made, 1);
        EXPECT_EQ(a->textures->alive, 0);
        EXPECT_EQ(b->textures->alive, 0);
        EXPECT_TRUE(a->Bitmaps().empty());
    }
    // The canvas goes first: each of its textures is released once and no bitmap keeps it.
    {
        ThvBitmap first(2, 2);
        ThvBitmap second(3, 3);
        auto* canvas = new RecordingCanvas(nullptr, 8, 8, false, hvLowQuality);
        canvas->UseTexture(&first);
        canvas->UseTexture(&second);
        std::shared_ptr<TextureCounter> counter = canvas->textures;
        canvas->Free();
        EXPECT_EQ(counter->made, 2);
        EXPECT_EQ(counter->alive, 0);
        EXPECT_TRUE(first.TextureCanvases().empty());
        EXPECT_TRUE(second.TextureCanvases().empty());
        first.SetSize(5, 5); // would call the freed canvas if it were still listed
    }
}

TEST_F(ThvBitmapTest, ACanvasListedWithoutATextureIsForgottenEitherWay)
{
    // A back end that could not make the texture leaves the canvas listed in the bitmap.
    {
        ThvBitmap bitmap(2, 2);
        auto* canvas = new RecordingCanvas(nullptr, 8, 8, false, hvLowQuality);
        canvas->UpdateBitmapHandle(&bitmap);
        ASSERT_EQ(bitmap.TextureCanvases().size(), 1u);
        canvas->Free();
        EXPECT_TRUE(bitmap.TextureCanvases().empty());
        bitmap.SetSize(4, 4); // would reach the freed canvas if it were still listed
    }
    {
        rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(8, 8);
        auto bitmap = std::make_unique<ThvBitmap>(2, 2);
        canvas->UpdateBitmapHandle(bitmap.get());
        bitmap.reset();
        canvas->ClearLog();
    } // the canvas goes after the bitmap and must not reach it
}

TEST_F(ThvBitmapTest, ABitmapOfNoAreaGetsNoTexture)
{
    ThvBitmap bitmap(0, 5);
    ASSERT_TRUE(bitmap.GetNeedUpdate());
    rtl::TOwned<RecordingCanvas> canvas = MakeRecordingCanvas(8, 8);
    canvas->UpdateBitmapHandle(&bitmap);
    EXPECT_FALSE(bitmap.GetNeedUpdate());
    EXPECT_TRUE(bitmap.TextureCanvases().empty());
    canvas->UpdateBitmapHandle(nullptr);
}

TEST_F(ThvBitmapTest, OwnCanvasIsMadeOnDemandAndDroppedWithANewSize)
{
    ThvBitmap bitmap(6, 4);
    EXPECT_EQ(bitmap.GetCanvas(), nullptr) << "no canvas class installed";
    UseRecordingCanvas use;
    ThvCanvas* canvas = bitmap.GetCanvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(canvas->GetBitmap(), &bitmap);
    EXPECT_EQ(canvas->GetWidth(), 6);
    EXPECT_TRUE(canvas->GetBuffered());
    EXPECT_EQ(bitmap.GetCanvas(), canvas);
    bitmap.SetSize(9, 2);
    ThvCanvas* resized = bitmap.GetCanvas();
    ASSERT_NE(resized, nullptr);
    EXPECT_EQ(resized->GetWidth(), 9);
    EXPECT_EQ(resized->GetHeight(), 2);
}

// ---- stored form ----------------------------------------------------------------------------

TEST_F(ThvBitmapTest, StoredAsJpegWhenOpaqueAndPngWithAnyTranslucentPixel)
{
    UseFakeFilter filter;
    struct Case {
        const char* name;
        uint32_t lastPixel;
        const char* format;
        const char* params;
    };
    const Case cases[] = {
        { "all opaque", 0xFF123456, "jpg", "quality=100" },
        { "one pixel of alpha 254", 0xFE123456, "png", "" },
        { "one transparent pixel", 0x00000000, "png", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* object = new ThvBitmapObject(form.get());
        object->GetBitmap()->SetSize(3, 2);
        Fill(*object->GetBitmap(), 0xFF000000);
        uint32_t* bits = nullptr;
        ASSERT_TRUE(object->GetBitmap()->Map(bits, true));
        bits[5] = c.lastPixel;
        object->GetBitmap()->Unmap();
        TFakeFilter::lastFormat.clear();
        const std::string text = ObjectText(*object);
        EXPECT_EQ(TFakeFilter::lastFormat, c.format);
        EXPECT_EQ(TFakeFilter::lastParams, c.params);
        EXPECT_NE(text.find("Bitmap.PNG = {"), std::string::npos) << text;

        // Read back through the codec.
        rtl::TConstMemoryStream input(text.data(), text.size());
        auto* copy = dynamic_cast<ThvBitmapObject*>(CreateObjectFromStream(form.get(), input));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(std::vector<uint32_t>(copy->GetBitmap()->Bits().begin(), copy->GetBitmap()->Bits().end()),
            std::vector<uint32_t>(object->GetBitmap()->Bits().begin(), object->GetBitmap()->Bits().end()));
        object->Free();
        copy->Free();
    }
}

TEST_F(ThvBitmapTest, ABitmapWithoutPixelsIsNotStoredAndAMissingCodecIsReported)
{
    auto* object = new ThvBitmapObject(form.get());
    EXPECT_EQ(ObjectText(*object).find("PNG"), std::string::npos);

    // Without a codec a picture cannot be stored; the writer says so instead of dropping it.
    object->GetBitmap()->SetSize(1, 1);
    EXPECT_THROW(static_cast<void>(ObjectText(*object)), rtl::WriteError);
}

// ---- named resources ------------------------------------------------------------------------

TEST_F(ThvBitmapTest, ResourceLookupIgnoresCaseAndTheFirstRegisteredWins)
{
    auto* first = new ThvBitmapObject(form.get());
    first->SetName("Wood");
    rtl::TOwned<rtl::TComponent> otherForm(new rtl::TComponent(nullptr));
    auto* second = new ThvBitmapObject(otherForm.get());
    second->SetName("WOOD");
    for (const char* name : { "Wood", "WOOD", "wood", "wOOd" }) {
        SCOPED_TRACE(name);
        EXPECT_EQ(hvFindResourceBitmap(name), first->GetBitmap());
    }
    EXPECT_EQ(hvFindResourceBitmap(""), nullptr);
    EXPECT_EQ(hvFindResourceBitmap("Woods"), nullptr);
    first->Free();
    EXPECT_EQ(hvFindResourceBitmap("wood"), second->GetBitmap());
}

TEST_F(ThvBitmapTest, BitmapObjectTakesItsNameOrALaterResourceName)
{
    struct Step {
        const char* what;
        const char* value;
        const char* entry; // the name the resource list holds afterwards
    };
    const Step steps[] = {
        { "name", "Stone", "Stone" },
        { "resource", "Marble", "Marble" },
        { "resource", "", "Marble" }, // an empty ResourceName keeps the entry
        { "name", "Granite", "Granite" },
        { "name", "", "" },
    };
    auto* object = new ThvBitmapObject(form.get());
    ASSERT_NE(hvResourceList(), nullptr);
    EXPECT_EQ(hvResourceList()->NameOf(object), "");
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.what) + " " + s.value);
        if (std::string(s.what) == "name")
            object->SetName(s.value);
        else
            object->SetResourceName(s.value);
        EXPECT_EQ(hvResourceList()->NameOf(object), s.entry);
    }
    const size_t count = hvResourceList()->Entries().size();
    object->Free();
    EXPECT_EQ(hvResourceList()->Entries().size(), count - 1);
}

TEST_F(ThvBitmapTest, BitmapListItemsAreFoundByNameUntilDeleted)
{
    auto* list = new ThvBitmapList(form.get());
    ThvBitmapStream* item = list->GetBitmaps()->AddBitmap();
    item->SetName("BRICK");
    item->GetBitmap()->SetSize(2, 2);
    EXPECT_EQ(item->GetDisplayName(), "(Bitmap)");

    ThvMaterial material;
    material.SetBitmap("brick");
    EXPECT_EQ(material.GetTexture(), item->GetBitmap());
    list->GetBitmaps()->Delete(0);
    EXPECT_EQ(material.GetTexture(), nullptr);

    // Items do not copy themselves into one another.
    ThvBitmapStream* a = list->GetBitmaps()->AddBitmap();
    ThvBitmapStream* b = list->GetBitmaps()->AddBitmap();
    EXPECT_THROW(a->Assign(*b), rtl::ConvertError);
    b->SetBitmap(nullptr); // ignored
}

TEST_F(ThvBitmapTest, BitmapListStreamsItsNamedItems)
{
    UseFakeFilter filter;
    auto* list = new ThvBitmapList(form.get());
    for (const char* name : { "One", "Two" }) {
        ThvBitmapStream* item = list->GetBitmaps()->AddBitmap();
        item->SetName(name);
        item->GetBitmap()->SetSize(1, 2);
        Fill(*item->GetBitmap(), 0xFFABCDEF);
    }
    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *list);
    binary.SetPosition(0);
    auto* copy = new ThvBitmapList(form.get());
    rtl::TReader reader(binary);
    reader.OnError = [](rtl::TReader&, const std::string& message, bool& handled) {
        ADD_FAILURE() << message;
        handled = true;
    };
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name.clear(); };
    reader.ReadRootComponent(copy);
    ASSERT_EQ(copy->GetBitmaps()->Count(), 2);
    EXPECT_EQ(copy->GetBitmaps()->GetBitmapItem(1)->GetName(), "Two");
    EXPECT_EQ(copy->GetBitmaps()->GetBitmapItem(1)->GetBitmap()->GetHeight(), 2);
    EXPECT_EQ(copy->GetBitmaps()->GetBitmapItem(1)->GetBitmap()->Bits()[1], 0xFFABCDEFu);
}

TEST_F(ThvBitmapTest, ResourcesOutliveTheListFreedAtShutDown)
{
    auto* object = new ThvBitmapObject(form.get());
    object->SetName("Late");
    Finalize3DLibrary();
    EXPECT_EQ(hvResourceList(), nullptr);
    EXPECT_EQ(hvFindResourceBitmap("Late"), nullptr);
    object->SetName("Later");
    object->Free();
    RegisterTestClasses3D();
}
