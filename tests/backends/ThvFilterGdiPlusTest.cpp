#include "backends/ThvFilterGdiPlus.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzFilter.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "scene3d/ThvBitmap.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// A stand-in 2D codec with a format of its own: "PIC1", width, height, then the pixels. It
// records what it was asked to write, and how it was asked to read.
struct CodecLog {
    std::string call;
    std::string name;
    std::string format;
    std::string params;
    float rotation = 0, fitWidth = 0, fitHeight = 0;
    bool useEmbedded = false;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
CodecLog gCodec;

bool ReadPicture(rtl::TStream& stream, TwzBitmap& bitmap)
{
    char magic[4] = {};
    int32_t width = 0, height = 0;
    if (stream.Read(magic, 4) != 4 || std::string(magic, 4) != "PIC1" || stream.Read(&width, 4) != 4
        || stream.Read(&height, 4) != 4 || width <= 0 || height <= 0)
        return false;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    if (stream.Read(pixels.data(), pixels.size() * 4) != pixels.size() * 4)
        return false;
    bitmap.SetSize(width, height);
    std::copy(pixels.begin(), pixels.end(), bitmap.Pixels().begin());
    return true;
}

void WritePicture(rtl::TStream& stream, int32_t width, int32_t height, const std::vector<uint32_t>& pixels)
{
    stream.Write("PIC1", 4);
    stream.Write(&width, 4);
    stream.Write(&height, 4);
    stream.Write(pixels.data(), pixels.size() * 4);
}

void Remember(const char* call, TwzBitmap& bitmap)
{
    gCodec.call = call;
    gCodec.width = bitmap.GetWidth();
    gCodec.height = bitmap.GetHeight();
    gCodec.pixels.assign(bitmap.Pixels().begin(), bitmap.Pixels().end());
}

class TPictureCodec : public TwzFilter {
    RTL_CLASS(TPictureCodec, TwzFilter)
public:
    static std::string GetFileTypes() { return "*.pic"; }
    static TwzPoint GetImageSize(const std::string& name)
    {
        gCodec.name = name;
        return { 640, 480 };
    }
    bool LoadFromFile(const std::string& name, float rotation, TwzBitmap& bitmap) override
    {
        gCodec.rotation = rotation;
        rtl::TMemoryStream stream;
        stream.LoadFromFile(name);
        return ReadPicture(stream, bitmap);
    }
    bool LoadThumbnailFromFile(const std::string& name, float fitWidth, float fitHeight, bool useEmbedded,
        TwzBitmap& bitmap) override
    {
        gCodec.fitWidth = fitWidth;
        gCodec.fitHeight = fitHeight;
        gCodec.useEmbedded = useEmbedded;
        rtl::TMemoryStream stream;
        stream.LoadFromFile(name);
        return ReadPicture(stream, bitmap);
    }
    void SaveToFile(const std::string& name, TwzBitmap& bitmap, const std::string& params) override
    {
        Remember("SaveToFile", bitmap);
        gCodec.name = name;
        gCodec.params = params;
    }
    bool LoadFromStream(rtl::TStream& stream, TwzBitmap& bitmap) override
    {
        return ReadPicture(stream, bitmap);
    }
    void SaveToStream(rtl::TStream& stream, TwzBitmap& bitmap, const std::string& format,
        const std::string& params) override
    {
        Remember("SaveToStream", bitmap);
        gCodec.format = format;
        gCodec.params = params;
        std::vector<uint32_t> pixels(bitmap.Pixels().begin(), bitmap.Pixels().end());
        WritePicture(stream, bitmap.GetWidth(), bitmap.GetHeight(), pixels);
    }
};
RTL_IMPLEMENT_CLASS(TPictureCodec)
constexpr TwzFilterClass kPictureCodec = MakeFilterClass<TPictureCodec>();

class TChanges : public rtl::TObject {
public:
    void Changed(rtl::TObject*) { ++count; }
    int count = 0;
};

class ThvFilterGdiPlusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previous = DefaultFilterClass;
        DefaultFilterClass = &kPictureCodec;
        gCodec = {};
    }
    void TearDown() override { DefaultFilterClass = m_previous; }

    /// A picture file in the stand-in format, in the test's output folder.
    static std::string PictureFile(
        const char* name, int32_t width, int32_t height, const std::vector<uint32_t>& pixels)
    {
        const std::string path = std::string(GF_TEST_OUTPUT) + "/" + name;
        rtl::TMemoryStream stream;
        WritePicture(stream, width, height, pixels);
        stream.SaveToFile(path);
        return path;
    }

    ThvFilterGdiPlus m_filter;
    const TwzFilterClass* m_previous = nullptr;
};

const std::vector<uint32_t> kPicture { 0xFF102030, 0x80402010, 0x00000000, 0x7F7F7F7F, 0xFFFFFFFF,
    0x01010101 };

std::vector<uint32_t> PixelsOf(const ThvBitmap& bitmap)
{
    return { bitmap.Bits().begin(), bitmap.Bits().end() };
}

} // namespace

TEST_F(ThvFilterGdiPlusTest, ClassOperationsComeFromThe2DCodec)
{
    EXPECT_EQ(ThvFilterGdiPlus::GetFileTypes(), "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif");
    const ThvPoint size = kFilterClassOf<ThvFilterGdiPlus>.GetImageSize("photo.png");
    EXPECT_EQ(size, (ThvPoint { 640, 480, 0 }));
    EXPECT_EQ(gCodec.name, "photo.png");
    DefaultFilterClass = nullptr;
    EXPECT_EQ(ThvFilterGdiPlus::GetImageSize("photo.png"), (ThvPoint {}));
}

TEST_F(ThvFilterGdiPlusTest, LoadedPicturesArriveWithTheirPixelsUnchanged)
{
    const std::string file = PictureFile("three-by-two.pic", 3, 2, kPicture);
    struct Case {
        const char* name;
        std::function<bool(ThvFilterGdiPlus&, ThvBitmap&)> load;
    };
    const Case cases[] = {
        { "stream",
            [](ThvFilterGdiPlus& f, ThvBitmap& b) {
                rtl::TMemoryStream stream;
                WritePicture(stream, 3, 2, kPicture);
                stream.SetPosition(0);
                return f.LoadFromStream(stream, b);
            } },
        { "stream after other data",
            [](ThvFilterGdiPlus& f, ThvBitmap& b) {
                rtl::TMemoryStream stream;
                stream.Write("xyz", 3);
                WritePicture(stream, 3, 2, kPicture);
                stream.SetPosition(3);
                return f.LoadFromStream(stream, b);
            } },
        { "file", [&](ThvFilterGdiPlus& f, ThvBitmap& b) { return f.LoadFromFile(file, 90, b); } },
        { "thumbnail",
            [&](ThvFilterGdiPlus& f, ThvBitmap& b) {
                return f.LoadThumbnailFromFile(file, 64, 48, true, b);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvBitmap bitmap(7, 7);
        bitmap.SetNeedUpdate(false);
        TChanges changes;
        bitmap.OnChange.Bind<&TChanges::Changed>(&changes);
        ASSERT_TRUE(c.load(m_filter, bitmap));
        EXPECT_EQ(bitmap.GetWidth(), 3);
        EXPECT_EQ(bitmap.GetHeight(), 2);
        EXPECT_EQ(PixelsOf(bitmap), kPicture) << "premultiplied pixels are taken as they are";
        EXPECT_TRUE(bitmap.GetNeedUpdate());
        EXPECT_EQ(changes.count, 1);
    }
    EXPECT_EQ(gCodec.rotation, 90);
    EXPECT_EQ(gCodec.fitWidth, 64);
    EXPECT_EQ(gCodec.fitHeight, 48);
    EXPECT_TRUE(gCodec.useEmbedded);
}

TEST_F(ThvFilterGdiPlusTest, APictureThatDoesNotReadLeavesTheBitmapAsItWas)
{
    const std::string broken = std::string(GF_TEST_OUTPUT) + "/broken.pic";
    {
        rtl::TMemoryStream stream;
        stream.Write("PIC1", 4);
        stream.SaveToFile(broken);
    }
    struct Case {
        const char* name;
        std::function<bool(ThvFilterGdiPlus&, ThvBitmap&)> load;
    };
    const Case cases[] = {
        { "truncated stream",
            [](ThvFilterGdiPlus& f, ThvBitmap& b) {
                rtl::TMemoryStream stream;
                WritePicture(stream, 3, 2, kPicture);
                stream.SetSize(20);
                stream.SetPosition(0);
                return f.LoadFromStream(stream, b);
            } },
        { "empty stream",
            [](ThvFilterGdiPlus& f, ThvBitmap& b) {
                rtl::TMemoryStream stream;
                return f.LoadFromStream(stream, b);
            } },
        { "broken file", [&](ThvFilterGdiPlus& f, ThvBitmap& b) { return f.LoadFromFile(broken, 0, b); } },
        { "missing file",
            [](ThvFilterGdiPlus& f, ThvBitmap& b) {
                return f.LoadFromFile(std::string(GF_TEST_OUTPUT) + "/none.pic", 0, b);
            } },
        { "no 2D codec",
            [](ThvFilterGdiPlus& f, ThvBitmap& b) {
                DefaultFilterClass = nullptr;
                rtl::TMemoryStream stream;
                WritePicture(stream, 3, 2, kPicture);
                stream.SetPosition(0);
                return f.LoadFromStream(stream, b);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DefaultFilterClass = &kPictureCodec;
        ThvBitmap bitmap(2, 2);
        uint32_t* bits = nullptr;
        ASSERT_TRUE(bitmap.Map(bits, true));
        std::fill(bits, bits + 4, 0xFFABCDEF);
        bitmap.Unmap();
        TChanges changes;
        bitmap.OnChange.Bind<&TChanges::Changed>(&changes);
        EXPECT_FALSE(c.load(m_filter, bitmap));
        EXPECT_EQ(bitmap.GetWidth(), 2);
        EXPECT_EQ(PixelsOf(bitmap), std::vector<uint32_t>(4, 0xFFABCDEF));
        EXPECT_EQ(changes.count, 0);
    }
}

TEST_F(ThvFilterGdiPlusTest, SavedPicturesPassThroughA2DBitmapOfTheSameSize)
{
    struct Case {
        const char* name;
        int32_t width, height;
        int32_t savedWidth, savedHeight;
        std::vector<uint32_t> saved;
    };
    const Case cases[] = {
        { "three by two", 3, 2, 3, 2, kPicture },
        { "no pixels: the smallest 2D bitmap, cleared", 0, 0, 1, 1, { 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvBitmap bitmap(c.width, c.height);
        uint32_t* bits = nullptr;
        if (bitmap.Map(bits, true)) {
            std::copy(kPicture.begin(), kPicture.end(), bits);
            bitmap.Unmap();
        }
        rtl::TMemoryStream stream;
        m_filter.SaveToStream(stream, bitmap, "png", "quality=100");
        EXPECT_EQ(gCodec.call, "SaveToStream");
        EXPECT_EQ(gCodec.format, "png");
        EXPECT_EQ(gCodec.params, "quality=100");
        EXPECT_EQ(gCodec.width, c.savedWidth);
        EXPECT_EQ(gCodec.height, c.savedHeight);
        EXPECT_EQ(gCodec.pixels, c.saved);

        m_filter.SaveToFile("out.png", bitmap, "x=1");
        EXPECT_EQ(gCodec.call, "SaveToFile");
        EXPECT_EQ(gCodec.name, "out.png");
        EXPECT_EQ(gCodec.params, "x=1");
        EXPECT_EQ(gCodec.pixels, c.saved);
    }
}

TEST_F(ThvFilterGdiPlusTest, WithoutA2DCodecSavingRaisesInsteadOfDroppingThePicture)
{
    DefaultFilterClass = nullptr;
    ThvBitmap bitmap(2, 2);
    rtl::TMemoryStream stream;
    EXPECT_THROW(m_filter.SaveToStream(stream, bitmap, "png", ""), rtl::WriteError);
    EXPECT_THROW(m_filter.SaveToFile("out.png", bitmap, ""), rtl::WriteError);
    EXPECT_EQ(stream.GetSize(), 0);
}

TEST_F(ThvFilterGdiPlusTest, ABitmapsStoredFormRoundTripsThroughTheCodecs)
{
    const ThvFilterClass* previous = hvDefaultFilterClass;
    hvDefaultFilterClass = &kFilterClassOf<ThvFilterGdiPlus>;
    ThvBitmap original(3, 2);
    uint32_t* bits = nullptr;
    ASSERT_TRUE(original.Map(bits, true));
    std::copy(kPicture.begin(), kPicture.end(), bits);
    original.Unmap();
    rtl::TMemoryStream stream;
    original.SaveToStream(stream);
    EXPECT_EQ(gCodec.format, "png") << "a translucent picture is stored losslessly";
    stream.SetPosition(0);
    ThvBitmap copy;
    copy.LoadFromStream(stream);
    hvDefaultFilterClass = previous;
    EXPECT_EQ(copy.GetWidth(), 3);
    EXPECT_EQ(PixelsOf(copy), kPicture);
}

// The same routes over the 2D library's own codec, with real picture files.
TEST_F(ThvFilterGdiPlusTest, RealPicturesThroughThe2DLibrarysCodec)
{
    DefaultFilterClass = &kTwzFilterGdiPlusClass;
    TwzBitmap picture(3, 2);
    const std::vector<uint32_t> pixels { 0xFF102030, 0x80402010, 0x00000000, 0x7F7F7F7F, 0xFFFFFFFF,
        0x01010101 };
    std::copy(pixels.begin(), pixels.end(), picture.Pixels().begin());
    rtl::TMemoryStream png;
    TwzFilterGdiPlus().SaveToStream(png, picture, "png", "");

    // The 3D bitmap holds exactly what the 2D bitmap decodes from the same bytes.
    png.SetPosition(0);
    std::unique_ptr<TwzBitmap> decoded = TwzBitmap::CreateFromStream(png);
    ASSERT_EQ(decoded->GetWidth(), 3);
    png.SetPosition(0);
    ThvBitmap bitmap;
    ASSERT_TRUE(m_filter.LoadFromStream(png, bitmap));
    EXPECT_EQ(bitmap.GetWidth(), 3);
    EXPECT_EQ(bitmap.GetHeight(), 2);
    EXPECT_EQ(PixelsOf(bitmap), std::vector<uint32_t>(decoded->Pixels().begin(), decoded->Pixels().end()));

    // A saved file reads back at its size, through the class operation as well.
    TwzBitmap large(640, 480);
    const std::string file = std::string(GF_TEST_OUTPUT) + "/large.png";
    TwzFilterGdiPlus().SaveToFile(file, large, "");
    EXPECT_EQ(ThvFilterGdiPlus::GetImageSize(file), (ThvPoint { 640, 480, 0 }));
    ThvBitmap fromFile;
    ASSERT_TRUE(m_filter.LoadFromFile(file, 90, fromFile));
    EXPECT_EQ(fromFile.GetWidth(), 480) << "turned a quarter";
    EXPECT_EQ(fromFile.GetHeight(), 640);
}
