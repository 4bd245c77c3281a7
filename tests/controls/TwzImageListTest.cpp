// The image list and its stored "Images" value: layout, PNG against JPEG, appending reads,
// index bounds, and damaged values (bad counts and sizes refused, a bad picture keeping the
// following ones in place).

#include "ControlsTest.h"

#include "controls/TwzImageList.h"
#include "graphics/TwzBitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "ui2d/Library2D.h"

#include <cstring>

using namespace controlstest;

namespace {

std::unique_ptr<TwzBitmap> Filled(int size, uint32_t color)
{
    auto bitmap = std::make_unique<TwzBitmap>(size, size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x)
            bitmap->GetScanline(y)[x] = color;
    }
    return bitmap;
}

int32_t IntAt(const rtl::TMemoryStream& s, size_t offset)
{
    int32_t v = 0;
    std::memcpy(&v, s.Bytes().data() + offset, 4);
    return v;
}

void PutInt(rtl::TMemoryStream& s, int32_t v)
{
    s.WriteLE<int32_t>(v);
}

} // namespace

using ImageList = ControlsTest;

TEST_F(ImageList, TheStoredValueHoldsCountSizesAndPicturesInOrder)
{
    rtl::TOwned<TwzImageList> list(new TwzImageList(nullptr));
    list->AddBitmap(Filled(16, 0xFF336699));
    auto translucent = Filled(8, 0xFF000000);
    translucent->GetScanline(0)[0] = 0x80000000;
    list->AddBitmap(std::move(translucent));

    rtl::TMemoryStream stored;
    list->WriteImages(stored);
    ASSERT_EQ(IntAt(stored, 0), 2);
    const int32_t first = IntAt(stored, 4);
    ASSERT_GT(first, 4);
    const uint8_t* bytes = stored.Bytes().data();
    EXPECT_EQ(bytes[8], 0xFF) << "an opaque picture is a JPEG";
    EXPECT_EQ(bytes[9], 0xD8);
    const size_t second = 8 + static_cast<size_t>(first);
    const int32_t secondSize = IntAt(stored, second);
    EXPECT_EQ(std::memcmp(bytes + second + 5, "PNG", 3), 0) << "a translucent one a PNG";
    EXPECT_EQ(static_cast<int64_t>(second + 4 + static_cast<size_t>(secondSize)), stored.GetSize());

    // Reading appends behind what the list holds.
    stored.SetPosition(0);
    list->ReadImages(stored);
    ASSERT_EQ(list->Count(), 4);
    EXPECT_EQ(list->GetBitmap(2)->GetWidth(), 16);
    EXPECT_EQ(list->GetBitmap(3)->GetWidth(), 8);
    EXPECT_EQ(list->GetBitmap(3)->GetScanline(0)[0] >> 24, 0x80u);
    EXPECT_EQ(list->GetBitmap(-1), nullptr);
    EXPECT_EQ(list->GetBitmap(4), nullptr);
    list->Clear();
    EXPECT_EQ(list->Count(), 0);
}

TEST_F(ImageList, TheComponentStoresImagesOnlyWhenItHasSomeAndReadsThemBack)
{
    rtl::TOwned<TwzImageList> list(new TwzImageList(nullptr));
    rtl::TMemoryStream empty;
    rtl::WriteComponentToStream(empty, *list);
    const std::string emptyBytes(empty.Bytes().begin(), empty.Bytes().end());
    EXPECT_EQ(emptyBytes.find("Images"), std::string::npos);
    EXPECT_EQ(emptyBytes.find("Width"), std::string::npos) << "32 is not stored";

    list->SetWidth(16);
    list->AddBitmap(Filled(16, 0xFF102030));
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *list);
    stream.SetPosition(0);
    rtl::TOwned<rtl::TComponent> copy(rtl::ReadComponentFromStream(stream, nullptr, nullptr));
    auto* read = dynamic_cast<TwzImageList*>(copy.get());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetWidth(), 16);
    ASSERT_EQ(read->Count(), 1);
    EXPECT_EQ(read->GetBitmap(0)->GetHeight(), 16);
}

TEST_F(ImageList, DamagedValuesAreRefusedOrSkippedWithoutMisalignment)
{
    rtl::TOwned<TwzImageList> source(new TwzImageList(nullptr));
    source->AddBitmap(Filled(4, 0xFFFF0000));
    rtl::TMemoryStream good;
    source->WriteImages(good);
    const std::vector<uint8_t> picture(good.Bytes().begin() + 8, good.Bytes().end());

    struct Case {
        const char* name;
        std::vector<int32_t> head; // integers written before the pictures
        bool garbageFirst; // a picture of 5 bytes that does not decode, then a good one
        bool raises;
        int count;
    };
    const Case cases[] = {
        { "negative count", { -1 }, false, true, 0 },
        { "count beyond the data", { 1000000 }, false, true, 0 },
        { "negative size", { 1, -5 }, false, true, 0 },
        { "size beyond the data", { 1, 1 << 30 }, false, true, 0 },
        { "a bad picture keeps the next in place", { 2 }, true, false, 2 },
        { "zero pictures", { 0 }, false, false, 0 },
    };
    for (const Case& c : cases) {
        rtl::TMemoryStream s;
        for (int32_t v : c.head)
            PutInt(s, v);
        if (c.garbageFirst) {
            PutInt(s, 5);
            s.WriteBuffer("junk!", 5);
            PutInt(s, static_cast<int32_t>(picture.size()));
            s.WriteBuffer(picture.data(), picture.size());
        }
        s.SetPosition(0);
        rtl::TOwned<TwzImageList> list(new TwzImageList(nullptr));
        if (c.raises) {
            EXPECT_THROW(list->ReadImages(s), rtl::ReadError) << c.name;
        } else {
            EXPECT_NO_THROW(list->ReadImages(s)) << c.name;
        }
        ASSERT_EQ(list->Count(), c.count) << c.name;
        if (c.garbageFirst) {
            EXPECT_EQ(list->GetBitmap(0)->GetWidth(), 0) << "the bad picture stays empty";
            EXPECT_EQ(list->GetBitmap(1)->GetWidth(), 4) << "the next one reads from its own position";
        }
    }
}
