#include "graphics/TwzBitmap.h"

#include "graphics/TwzFilter.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/graphics/FakeResources.h"
#include "tests/graphics/StreamHelpers.h"
#include "tests/support/ValueHolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---- a lossless stand-in codec ------------------------------------------------------------

// "FAKE", width, height (32-bit little-endian), then the pixels as they are.
struct FilterLog {
    std::vector<std::string> calls;
    std::string lastFormat, lastParams;
    float lastRotate = 0;
};
FilterLog gLog;

class TFakeFilter final : public TwzFilter {
    RTL_CLASS(TFakeFilter, TwzFilter)
public:
    static std::string GetFileTypes() { return "*.fake"; }

    bool LoadFromFile(const std::string& fileName, float rotate, TwzBitmap& bitmap) override
    {
        gLog.calls.push_back("LoadFromFile");
        gLog.lastRotate = rotate;
        rtl::TFileStream file(fileName, rtl::fmOpenRead);
        return Decode(file, bitmap);
    }
    bool LoadThumbnailFromFile(const std::string& fileName, float, float, bool, TwzBitmap& bitmap) override
    {
        gLog.calls.push_back("LoadThumbnailFromFile");
        rtl::TFileStream file(fileName, rtl::fmOpenRead);
        return Decode(file, bitmap);
    }
    void SaveToFile(const std::string&, TwzBitmap&, const std::string& params) override
    {
        gLog.calls.push_back("SaveToFile");
        gLog.lastParams = params;
    }
    bool LoadFromStream(rtl::TStream& stream, TwzBitmap& bitmap) override
    {
        gLog.calls.push_back("LoadFromStream");
        EXPECT_EQ(stream.GetPosition(), 0) << "the codec always gets its image at the start";
        return Decode(stream, bitmap);
    }
    void SaveToStream(rtl::TStream& stream, TwzBitmap& bitmap, const std::string& format,
        const std::string& params) override
    {
        gLog.calls.push_back("SaveToStream");
        gLog.lastFormat = format;
        gLog.lastParams = params;
        stream.WriteBuffer("FAKE", 4);
        stream.WriteLE<int32_t>(bitmap.GetWidth());
        stream.WriteLE<int32_t>(bitmap.GetHeight());
        for (uint32_t p : bitmap.Pixels())
            stream.WriteLE<uint32_t>(p);
    }

private:
    static bool Decode(rtl::TStream& stream, TwzBitmap& bitmap)
    {
        char magic[4] = {};
        if (stream.Read(magic, 4) != 4 || std::memcmp(magic, "FAKE", 4) != 0)
            return false;
        const int32_t w = stream.ReadLE<int32_t>();
        const int32_t h = stream.ReadLE<int32_t>();
        if (w < 1 || h < 1 || int64_t(w) * h * 4 > stream.BytesLeft())
            return false;
        bitmap.SetSize(w, h);
        for (uint32_t& p : bitmap.Pixels())
            p = stream.ReadLE<uint32_t>();
        return true;
    }
};

} // namespace

RTL_IMPLEMENT_CLASS(TFakeFilter)

namespace {

const TwzFilterClass kFakeFilterClass = MakeFilterClass<TFakeFilter>();

std::vector<uint8_t> Encoded(int32_t w, int32_t h, const std::vector<uint32_t>& pixels)
{
    rtl::TMemoryStream s;
    s.WriteBuffer("FAKE", 4);
    s.WriteLE<int32_t>(w);
    s.WriteLE<int32_t>(h);
    for (uint32_t p : pixels)
        s.WriteLE<uint32_t>(p);
    return { s.Bytes().begin(), s.Bytes().end() };
}

std::vector<uint32_t> PixelsOf(const TwzBitmap& b)
{
    return { b.Pixels().begin(), b.Pixels().end() };
}

void SetPixels(TwzBitmap& b, const std::vector<uint32_t>& pixels)
{
    ASSERT_EQ(b.Pixels().size(), pixels.size());
    std::copy(pixels.begin(), pixels.end(), b.Pixels().begin());
}

class TEvents : public rtl::TObject {
public:
    void Changed(rtl::TObject*) { log.push_back("change"); }
    void DestroyHandle(TwzBitmap*) { log.push_back("destroy-handle"); }
    void Before(TwzBitmap*) { log.push_back("before"); }
    void After(TwzBitmap*) { log.push_back("after"); }
    void Watch(TwzBitmap& b)
    {
        b.OnChange.Bind<&TEvents::Changed>(this);
        b.OnDestroyHandle.Bind<&TEvents::DestroyHandle>(this);
        b.OnBeforeRecreate.Bind<&TEvents::Before>(this);
        b.OnAfterRecreate.Bind<&TEvents::After>(this);
    }
    int Changes() const { return static_cast<int>(std::count(log.begin(), log.end(), "change")); }
    std::vector<std::string> log;
};

// A stand-in canvas library: counts the canvases made and freed.
int gCanvasesAlive = 0;
int gCanvasesMade = 0;
TwzCanvas* MakeCanvas(TwzBitmap&)
{
    ++gCanvasesAlive;
    ++gCanvasesMade;
    return reinterpret_cast<TwzCanvas*>(new int(gCanvasesMade));
}
void FreeCanvas(TwzCanvas* canvas)
{
    --gCanvasesAlive;
    delete reinterpret_cast<int*>(canvas);
}

class TwzBitmapTest : public FakeResourcesTest {
protected:
    void SetUp() override
    {
        FakeResourcesTest::SetUp();
        DefaultFilterClass = &kFakeFilterClass;
        InstallBitmapCanvasServices({ &MakeCanvas, &FreeCanvas });
        gLog = {};
        gCanvasesAlive = gCanvasesMade = 0;
    }
    void TearDown() override
    {
        EXPECT_EQ(gCanvasesAlive, 0) << "every canvas made was freed";
        InstallBitmapCanvasServices({});
        DefaultFilterClass = nullptr;
        FakeResourcesTest::TearDown();
    }
};

// ---- size and pixels ----------------------------------------------------------------------

TEST(TwzBitmap, NeverSmallerThanOnePixel)
{
    struct Case {
        int32_t w, h, expectedW, expectedH;
    };
    const Case cases[] = { { 0, 0, 1, 1 }, { -5, 3, 1, 3 }, { 4, 2, 4, 2 }, { 7, -1, 7, 1 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        TwzBitmap b(c.w, c.h);
        EXPECT_EQ(b.GetWidth(), c.expectedW);
        EXPECT_EQ(b.GetHeight(), c.expectedH);
        EXPECT_EQ(PixelsOf(b), std::vector<uint32_t>(size_t(c.expectedW * c.expectedH), 0));
        EXPECT_TRUE(b.GetNeedUpdate());
    }
}

// Sizes beyond the documented limit are refused with the library's error before anything is
// allocated (46341 x 46341 once asked for 8.6 GB, and 100000 x 100000 let std::bad_alloc out);
// the bitmap is left without pixels rather than claiming a size it does not have.
TEST(TwzBitmap, SizesBeyondTheLimitAreRefused)
{
    EXPECT_EQ(kMaxBitmapPixels, uint64_t(16384) * 16384);
    struct Case {
        int32_t w, h;
    } const cases[] = { { 46341, 46341 }, { 100000, 100000 }, { 16384, 16385 }, { INT32_MAX, INT32_MAX } };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        TwzBitmap b(3, 2);
        try {
            b.SetSize(c.w, c.h);
            ADD_FAILURE() << "no error";
        } catch (const rtl::GraphicsError& e) {
            EXPECT_NE(std::string(e.what()).find(std::to_string(c.w) + " x " + std::to_string(c.h)),
                std::string::npos)
                << e.what();
        }
        EXPECT_EQ(b.GetWidth(), 0);
        EXPECT_EQ(b.GetHeight(), 0);
        EXPECT_EQ(b.Bits(), nullptr);
        EXPECT_TRUE(b.Pixels().empty());
        EXPECT_THROW(TwzBitmap(c.w, c.h), rtl::GraphicsError);
        // A size within the limit works again.
        b.SetSize(4, 4);
        EXPECT_EQ(b.Pixels().size(), 16u);
    }
}

TEST_F(TwzBitmapTest, SetSizeKeepsOrRecreates)
{
    TEvents events;
    TwzBitmap b(2, 2);
    events.Watch(b);
    b.Clear(0xFF112233);
    b.SetHandle(42);
    ASSERT_NE(b.GetCanvas(), nullptr);
    TwzCanvas* canvas = b.GetCanvas();
    EXPECT_EQ(gCanvasesMade, 1) << "made once, on first use";

    b.SetSize(2, 2);
    EXPECT_EQ(PixelsOf(b), std::vector<uint32_t>(4, 0xFF112233)) << "the same size keeps the pixels";
    EXPECT_EQ(b.GetCanvas(), canvas);
    EXPECT_EQ(b.GetHandle(), 42u);
    EXPECT_TRUE(events.log.empty());

    b.SetNeedUpdate(false);
    b.SetSize(3, 1);
    EXPECT_EQ(PixelsOf(b), std::vector<uint32_t>(3, 0)) << "another size clears";
    EXPECT_EQ(b.GetHandle(), 0u);
    EXPECT_TRUE(b.GetNeedUpdate());
    EXPECT_EQ(gCanvasesAlive, 0) << "the canvas is dropped with the pixels";
    EXPECT_EQ(events.log, (std::vector<std::string> { "before", "destroy-handle", "after" }))
        << "no change event";
    EXPECT_NE(b.GetCanvas(), nullptr);
    EXPECT_EQ(gCanvasesMade, 2) << "a new canvas on demand";
}

TEST(TwzBitmap, ClearStoresThePremultipliedColour)
{
    TEvents events;
    TwzBitmap b(3, 2);
    events.Watch(b);
    b.SetNeedUpdate(false);
    b.Clear(0x80FF0000);
    EXPECT_EQ(PixelsOf(b), std::vector<uint32_t>(6, 0x80800000));
    EXPECT_TRUE(b.GetNeedUpdate());
    EXPECT_EQ(events.Changes(), 0);
}

TEST(TwzBitmap, ScanlinesAddressRowsInsideTheBitmapOnly)
{
    TwzBitmap b(3, 4);
    EXPECT_EQ(b.GetScanline(0), b.Bits());
    EXPECT_EQ(b.GetScanline(3), b.Bits() + 9);
    EXPECT_EQ(b.GetScanline(4), nullptr);
    EXPECT_EQ(b.GetScanline(-1), nullptr);
}

TEST(TwzBitmap, PixelOperations)
{
    struct Case {
        const char* name;
        int32_t w, h;
        std::vector<uint32_t> before;
        std::function<void(TwzBitmap&)> operation;
        std::vector<uint32_t> after;
        bool needUpdate;
    };
    const Case cases[] = {
        { "flip of one row", 2, 1, { 1, 2 }, [](TwzBitmap& b) { b.FlipVertical(); }, { 1, 2 }, false },
        { "flip of three rows swaps the outer ones", 2, 3, { 1, 2, 3, 4, 5, 6 },
            [](TwzBitmap& b) { b.FlipVertical(); }, { 5, 6, 3, 4, 1, 2 }, false },
        { "flip of four rows", 1, 4, { 1, 2, 3, 4 }, [](TwzBitmap& b) { b.FlipVertical(); }, { 4, 3, 2, 1 },
            false },
        { "inverted alpha", 3, 1, { 0, 0xFF000000, 0x80400000 }, [](TwzBitmap& b) { b.InvertAlpha(); },
            { 0xFF000000, 0, 0x7F3F0000 }, false },
        { "fill keeping alpha", 3, 1, { 0x80102030, 0, 0xFF000000 },
            [](TwzBitmap& b) { b.FillColorKeepAlpha(0xFFFF0000); }, { 0x80800000, 0, 0xFFFF0000 }, true },
        { "fill with a translucent colour scales both alphas", 1, 1, { 0xFF000000 },
            [](TwzBitmap& b) { b.FillColorKeepAlpha(0x80FFFFFF); }, { 0x80808080 }, true },
        { "mask bytes 255 clear, 0 keep, 128 halve", 3, 1, { 0xFF00FF00, 0xFF00FF00, 0xFF00FF00 },
            [](TwzBitmap& b) {
                const uint8_t mask[] = { 255, 0, 128 };
                b.ApplyAlphaMask(mask, 0, 0);
            },
            { 0, 0xFF00FF00, 0x7F007F00 }, true },
        { "mask moved by an offset, outside positions keep", 3, 1, { 0xFF0000FF, 0xFF0000FF, 0xFF0000FF },
            [](TwzBitmap& b) {
                const uint8_t mask[] = { 255, 0, 0 };
                b.ApplyAlphaMask(mask, 1, 0);
            },
            { 0xFF0000FF, 0, 0xFF0000FF }, true },
        { "negative offsets", 2, 2, { 0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF },
            [](TwzBitmap& b) {
                const uint8_t mask[] = { 0, 0, 0, 255 };
                b.ApplyAlphaMask(mask, -1, -1);
            },
            { 0, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF }, true },
        { "a mask shorter than the bitmap is not read past", 2, 2,
            { 0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF },
            [](TwzBitmap& b) {
                const uint8_t mask[] = { 255 };
                b.ApplyAlphaMask(mask, 0, 0);
            },
            { 0, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEvents events;
        TwzBitmap b(c.w, c.h);
        SetPixels(b, c.before);
        b.SetNeedUpdate(false);
        events.Watch(b);
        c.operation(b);
        EXPECT_EQ(PixelsOf(b), c.after);
        EXPECT_EQ(events.Changes(), 1);
        EXPECT_EQ(b.GetNeedUpdate(), c.needUpdate);
    }
}

TEST(TwzBitmap, AlphaMaskOfOneBitmapCutsItsShapeOutOfAnother)
{
    TwzBitmap shape(2, 2);
    SetPixels(shape, { 0xFF000000, 0, 0, 0x80000000 });
    const std::vector<uint8_t> mask = shape.CreateAlphaMask();
    EXPECT_EQ(mask, (std::vector<uint8_t> { 255, 0, 0, 128 }));

    TwzBitmap target(2, 2);
    target.Clear(0xFFFFFFFF);
    target.ApplyAlphaMask(mask, 0, 0);
    EXPECT_EQ(PixelsOf(target), (std::vector<uint32_t> { 0, 0xFFFFFFFF, 0xFFFFFFFF, 0x7F7F7F7F }));
}

// ---- copying ------------------------------------------------------------------------------

TEST(TwzBitmap, AssignCopiesSizeAndPixels)
{
    TwzBitmap source(2, 3);
    SetPixels(source, { 1, 2, 3, 4, 5, 6 });
    TEvents events;
    TwzBitmap target(5, 5);
    events.Watch(target);
    target.SetNeedUpdate(false);
    target.Assign(source);
    EXPECT_EQ(target.GetWidth(), 2);
    EXPECT_EQ(target.GetHeight(), 3);
    EXPECT_EQ(PixelsOf(target), PixelsOf(source));
    EXPECT_TRUE(target.GetNeedUpdate());
    EXPECT_EQ(events.Changes(), 1);

    target.Assign(target);
    EXPECT_EQ(PixelsOf(target), PixelsOf(source)) << "assigning to itself keeps the pixels";

    struct TOther : rtl::TPersistent {
    } other;
    EXPECT_THROW(target.Assign(other), rtl::ConvertError);
}

// ---- pictures through the codec -----------------------------------------------------------

TEST_F(TwzBitmapTest, StoredAsPngWhenTranslucentElseAsJpeg)
{
    struct Case {
        const char* name;
        uint32_t lastPixel;
        const char* format;
        const char* params;
    };
    const Case cases[] = {
        { "fully opaque", 0xFF123456, "jpeg", "quality=100" },
        { "one pixel of alpha 254", 0xFE123456, "png", "" },
        { "one transparent pixel", 0, "png", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEvents events;
        TwzBitmap b(2, 2);
        b.Clear(0xFF000000);
        b.Bits()[3] = c.lastPixel;
        events.Watch(b);
        rtl::TMemoryStream stream;
        b.SaveToStream(stream);
        EXPECT_EQ(gLog.lastFormat, c.format);
        EXPECT_EQ(gLog.lastParams, c.params);
        EXPECT_EQ(events.Changes(), 0);
    }
}

// A component holding a bitmap, to see its stored form inside an object.
using TBitmapHolder = testsupport::THolder<TwzBitmap, "Bitmap">;

TEST_F(TwzBitmapTest, StoredFormRoundTrip)
{
    rtl::TOwned<TBitmapHolder> holder(new TBitmapHolder(nullptr, 1, 1));
    holder->GetValue()->SetSize(3, 2);
    SetPixels(*holder->GetValue(), { 0xFF000000, 0x80402010, 0, 0xFFFFFFFF, 0x01010101, 0xFF00FF00 });
    holder->GetValue()->SetResourceName("picture");
    const std::string text = streamtest::ComponentToText(*holder);
    EXPECT_NE(text.find("Bitmap.ResourceName = 'picture'"), std::string::npos) << text;
    EXPECT_NE(text.find("Bitmap.PNG = {"), std::string::npos) << text;

    TEvents events;
    rtl::TOwned<TBitmapHolder> back(new TBitmapHolder(nullptr, 1, 1));
    events.Watch(*back->GetValue());
    std::string errors;
    streamtest::TextToComponent(text, *back, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(back->GetValue()->GetWidth(), 3);
    EXPECT_EQ(PixelsOf(*back->GetValue()), PixelsOf(*holder->GetValue()));
    EXPECT_GE(events.Changes(), 1) << "a decoded picture notifies";

    DefaultFilterClass = nullptr;
    EXPECT_EQ(streamtest::ComponentToText(*holder).find("PNG"), std::string::npos)
        << "without a codec no picture block is written";
}

TEST_F(TwzBitmapTest, LoadFromStreamReadsFromThePosition)
{
    const std::vector<uint8_t> image = Encoded(2, 1, { 0xFF0000FF, 0x80000080 });
    std::vector<uint8_t> withHeader = { 'h', 'e', 'a', 'd' };
    withHeader.insert(withHeader.end(), image.begin(), image.end());
    rtl::TConstMemoryStream stream(withHeader.data(), withHeader.size());
    stream.SetPosition(4);

    TEvents events;
    TwzBitmap b(1, 1);
    events.Watch(b);
    EXPECT_TRUE(b.LoadFromStream(stream));
    EXPECT_EQ(PixelsOf(b), (std::vector<uint32_t> { 0xFF0000FF, 0x80000080 }));
    EXPECT_EQ(events.Changes(), 1);

    const std::vector<uint8_t> junk = { 'n', 'o', 'p', 'e' };
    rtl::TConstMemoryStream bad(junk.data(), junk.size());
    events.log.clear();
    EXPECT_FALSE(b.LoadFromStream(bad));
    EXPECT_EQ(PixelsOf(b), (std::vector<uint32_t> { 0xFF0000FF, 0x80000080 }))
        << "a failed decode changes nothing";
    EXPECT_EQ(events.Changes(), 0);

    rtl::TConstMemoryStream atEnd(image.data(), image.size());
    atEnd.SetPosition(atEnd.GetSize());
    EXPECT_FALSE(b.LoadFromStream(atEnd)) << "nothing follows the position";
}

TEST_F(TwzBitmapTest, CreateFromStreamThatDoesNotDecodeHasNoPixels)
{
    const std::vector<uint8_t> junk = { 1, 2, 3 };
    rtl::TConstMemoryStream stream(junk.data(), junk.size());
    std::unique_ptr<TwzBitmap> b = TwzBitmap::CreateFromStream(stream);
    EXPECT_EQ(b->GetWidth(), 0);
    EXPECT_EQ(b->GetHeight(), 0);
    EXPECT_EQ(b->Bits(), nullptr);
    EXPECT_EQ(b->GetScanline(0), nullptr);
    // Every operation copes with the missing pixels.
    b->FlipVertical();
    b->InvertAlpha();
    b->FillColorKeepAlpha(0xFFFFFFFF);
    b->Clear(0xFFFFFFFF);
    const uint8_t mask[] = { 255 };
    b->ApplyAlphaMask(mask, 0, 0);
    EXPECT_TRUE(b->CreateAlphaMask().empty());
    TwzBitmap copy(3, 3);
    copy.Assign(*b);
    EXPECT_EQ(copy.GetWidth(), 1) << "copying nothing leaves the smallest bitmap";

    const std::vector<uint8_t> image = Encoded(1, 2, { 7, 8 });
    rtl::TConstMemoryStream good(image.data(), image.size());
    std::unique_ptr<TwzBitmap> decoded = TwzBitmap::CreateFromStream(good);
    EXPECT_EQ(decoded->GetHeight(), 2);
    EXPECT_EQ(PixelsOf(*decoded), (std::vector<uint32_t> { 7, 8 }));
}

TEST_F(TwzBitmapTest, FilesGoThroughTheDefaultFilterClass)
{
    const std::string missing = std::string(GF_TEST_OUTPUT) + "/no-such-picture.fake";
    std::filesystem::remove(missing);
    TEvents events;
    TwzBitmap b(1, 1);
    events.Watch(b);
    EXPECT_FALSE(b.LoadFromFile(missing));
    EXPECT_TRUE(gLog.calls.empty()) << "a missing file is not handed to the codec";

    const std::string file = std::string(GF_TEST_OUTPUT) + "/picture.fake";
    {
        const std::vector<uint8_t> image = Encoded(2, 2, { 1, 2, 3, 4 });
        rtl::TFileStream out(file, rtl::fmCreate);
        out.WriteBuffer(image.data(), image.size());
    }
    EXPECT_TRUE(b.LoadFromFile(file, 90));
    EXPECT_EQ(gLog.lastRotate, 90);
    EXPECT_EQ(PixelsOf(b), (std::vector<uint32_t> { 1, 2, 3, 4 }));
    EXPECT_TRUE(b.LoadThumbnailFromFile(file, 10, 10, true));
    EXPECT_EQ(events.Changes(), 2);
    b.SaveToFile(file + ".png", "quality=80");
    EXPECT_EQ(gLog.lastParams, "quality=80");
    EXPECT_EQ(DefaultFilterClass->GetFileTypes(), "*.fake");
    EXPECT_EQ(DefaultFilterClass->GetImageSize(file), MakePoint(0, 0)) << "the base's class operation";

    DefaultFilterClass = nullptr;
    gLog = {};
    EXPECT_FALSE(b.LoadFromFile(file));
    // Saving used to return without a word, which looked like a save that worked.
    const std::string target = file + ".saved";
    std::filesystem::remove(target);
    try {
        b.SaveToFile(target);
        ADD_FAILURE() << "saved without a codec";
    } catch (const rtl::WriteError& e) {
        EXPECT_NE(std::string(e.what()).find("\"" + target + "\""), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("no picture codec"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(gLog.calls.empty()) << "without a codec nothing is loaded or saved";
}

// ---- resource link and lifetime -----------------------------------------------------------

TEST_F(TwzBitmapTest, ResourceLinkResolvesByNameAndClearsWhenTheObjectDies)
{
    auto* object = new TFakeResourceObject(nullptr, "Logo");
    object->bitmap = new TwzBitmap(2, 2);
    TEvents events;
    TwzBitmap b(1, 1);
    events.Watch(b);
    b.SetResourceName("LOGO");
    EXPECT_EQ(events.Changes(), 1);
    EXPECT_EQ(b.GetResourceBitmap(), object->bitmap);
    EXPECT_EQ(b.GetResource(), object);
    EXPECT_EQ(b.GetResourceName(), "Logo");
    EXPECT_EQ(events.Changes(), 2) << "linking by name notifies";

    TwzBitmap copy(4, 4);
    copy.Assign(b);
    EXPECT_EQ(copy.GetResource(), object) << "the link is copied";
    EXPECT_EQ(copy.GetWidth(), 4) << "and not the pixels";

    object->Free();
    EXPECT_EQ(b.GetResource(), nullptr);
    EXPECT_EQ(copy.GetResource(), nullptr);
    EXPECT_EQ(b.GetResourceName(), "Logo");
    EXPECT_EQ(events.Changes(), 2) << "cleared quietly";
    EXPECT_EQ(b.GetResourceBitmap(), nullptr);

    b.SetResource(nullptr);
    EXPECT_EQ(b.GetResourceName(), "Logo") << "nil for nil changes nothing";
    rtl::TOwned<TFakeResourceObject> second(new TFakeResourceObject(nullptr, "Other"));
    second->bitmap = new TwzBitmap(1, 1);
    b.SetResource(second.get());
    b.SetResource(nullptr);
    EXPECT_EQ(b.GetResourceName(), "") << "unlinking clears the name";
    EXPECT_TRUE(second->freeNotifies.empty());
}

TEST_F(TwzBitmapTest, DyingBitmapUnregistersFreesItsCanvasAndReleasesItsHandle)
{
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "Logo"));
    object->bitmap = new TwzBitmap(1, 1);
    TEvents events;
    {
        TwzBitmap b(2, 2);
        events.Watch(b);
        b.SetResource(object.get());
        (void)b.GetCanvas();
        EXPECT_EQ(object->freeNotifies.size(), 1u);
        events.log.clear();
    }
    EXPECT_TRUE(object->freeNotifies.empty());
    EXPECT_EQ(gCanvasesAlive, 0);
    EXPECT_EQ(events.log, std::vector<std::string> { "destroy-handle" });
}

} // namespace
