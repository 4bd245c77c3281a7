#include "graphics/TwzFilterGdiPlus.h"

#include "graphics/TwzBitmap.h"
#include "platform/raster/codecs/ImageCodecs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/graphics/Printers.h"
#include "tests/support/CraftedPictures.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/resource.h>

namespace {

using testsupport::ChannelDistance;
using testsupport::Hex;

namespace raster = platform::raster;
using raster::Image;
using raster::ImageFormat;

// ---- pictures and files -----------------------------------------------------------------------

const std::string kOutput = std::string(GF_TEST_OUTPUT) + "/filter/";
// The codec layer's fixtures and malformed corpus.
const std::string kCodecData = std::string(GF_TEST_DATA) + "/../../platform/raster/data/";

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

/// Red, green, blue and white quarters (top left, top right, bottom left, bottom right).
Image Quadrants(int32_t width, int32_t height, const uint32_t (&colours)[4] = { kRed, kGreen, kBlue, kWhite })
{
    Image image { width, height, {} };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            image.pixels.push_back(colours[(y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0)]);
    return image;
}

/// Every alpha value, with premultiplied channels that never exceed it.
Image TranslucentGradient()
{
    Image image { 16, 16, {} };
    for (uint32_t y = 0; y < 16; ++y) {
        for (uint32_t x = 0; x < 16; ++x) {
            const uint32_t a = x * 17;
            const uint32_t r = a * y / 15, g = a * (15 - y) / 15, b = a * ((x + y) % 16) / 15;
            image.pixels.push_back(a << 24 | r << 16 | g << 8 | b);
        }
    }
    return image;
}

/// Slow ramps that lossy encoders keep closely.
Image OpaqueGradient()
{
    Image image { 24, 16, {} };
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 24; ++x)
            image.pixels.push_back(0xFF000000 | (100 + 2 * x) << 16 | (60 + 3 * y) << 8 | 200);
    return image;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

/// The picture encoded by the codec layer into a file of the test's own folder.
std::string PictureFile(const std::string& name, const Image& image, ImageFormat format = ImageFormat::Png)
{
    const std::string path = kOutput + name;
    WriteFile(path, raster::EncodeImage(image, format, { 95 }).value());
    return path;
}

/// A bitmap holding the picture.
struct PictureBitmap : TwzBitmap {
    explicit PictureBitmap(const Image& image)
        : TwzBitmap(image.width, image.height)
    {
        std::copy(image.pixels.begin(), image.pixels.end(), Pixels().begin());
    }
};

uint32_t At(TwzBitmap& bitmap, int32_t x, int32_t y)
{
    const uint32_t* row = bitmap.GetScanline(y);
    return row && x >= 0 && x < bitmap.GetWidth() ? row[x] : 0xDEADBEEF;
}

/// Size and pixels, to show that a failed operation changed nothing.
struct Snapshot {
    int32_t width;
    int32_t height;
    std::vector<uint32_t> pixels;

    explicit Snapshot(const TwzBitmap& bitmap)
        : width(bitmap.GetWidth())
        , height(bitmap.GetHeight())
        , pixels(bitmap.Pixels().begin(), bitmap.Pixels().end())
    { }
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

/// A bitmap whose every pixel is a colour no picture here has.
struct MarkedBitmap : TwzBitmap {
    explicit MarkedBitmap(int32_t width = 7, int32_t height = 5)
        : TwzBitmap(width, height)
    {
        Clear(0xFF123456);
    }
};

/// The first value of the first quantisation table: the encoder's quality shows in it.
std::optional<int> JpegDcQuantiser(std::span<const uint8_t> jpeg)
{
    size_t at = 2;
    while (at + 5 < jpeg.size() && jpeg[at] == 0xFF) {
        const size_t length = size_t(jpeg[at + 2]) << 8 | jpeg[at + 3];
        if (jpeg[at + 1] == 0xDB)
            return jpeg[at + 5];
        at += 2 + length;
    }
    return std::nullopt;
}

std::vector<uint8_t> BytesOf(rtl::TMemoryStream& stream)
{
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

std::string FindPythonWithPil()
{
    for (const char* candidate : { "/usr/bin/python3", "python3" }) {
        const std::string probe = std::string(candidate) + " -c \"import PIL.Image\" > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0)
            return candidate;
    }
    return {};
}

} // namespace

// ---- class operations ---------------------------------------------------------------------------

TEST(TwzFilterGdiPlus, ClassReferenceReachesTheClassOperations)
{
    EXPECT_EQ(kTwzFilterGdiPlusClass.GetFileTypes(), "*.bmp;*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.gif;*.ico");
    EXPECT_EQ(&kTwzFilterGdiPlusClass.classInfo(), &TwzFilterGdiPlus::StaticClass());
    const std::unique_ptr<TwzFilter> filter = kTwzFilterGdiPlusClass.Create();
    ASSERT_TRUE(filter);
    EXPECT_TRUE(filter->InheritsFrom(TwzFilter::StaticClass()));
    const std::string path = PictureFile("class-size.png", Quadrants(30, 20));
    EXPECT_EQ(kTwzFilterGdiPlusClass.GetImageSize(path), MakePoint(30, 20));
}

TEST(TwzFilterGdiPlus, ImageSizeOfEveryFormatAndOfFilesWithoutAPicture)
{
    WriteFile(kOutput + "not-a-picture.png", { 'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd' });
    WriteFile(kOutput + "empty.png", {});
    struct Case {
        std::string path;
        TwzPoint size;
    } cases[] = {
        { kCodecData + "png_plain.png", { 13, 11 } },
        { kCodecData + "jpeg_quadrants.jpg", { 64, 48 } },
        { kCodecData + "gif_offset.gif", { 10, 8 } }, // the screen, not the frame
        { kCodecData + "tiff_rgb_lzw.tif", { 5, 3 } },
        { kCodecData + "bmp_rle4.bmp", { 8, 4 } },
        { kCodecData + "ico_pil.ico", { 32, 32 } },
        { kCodecData + "malformed/png_wrong_magic.png", { 0, 0 } },
        { kCodecData + "malformed/bmp_huge.bmp", { 0, 0 } },
        { kOutput + "not-a-picture.png", { 0, 0 } },
        { kOutput + "empty.png", { 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(TwzFilterGdiPlus::GetImageSize(c.path), c.size);
    }
}

TEST(TwzFilterGdiPlus, FilesThatCannotBeOpenedRaise)
{
    const std::string missing = kOutput + "no-such-picture.png";
    TwzFilterGdiPlus filter;
    MarkedBitmap bitmap;
    const Snapshot before(bitmap);
    EXPECT_THROW((void)TwzFilterGdiPlus::GetImageSize(missing), rtl::FileOpenError);
    EXPECT_THROW(filter.LoadFromFile(missing, 0, bitmap), rtl::FileOpenError);
    EXPECT_THROW(filter.LoadThumbnailFromFile(missing, 10, 10, true, bitmap), rtl::FileOpenError);
    EXPECT_EQ(Snapshot(bitmap), before);
}

// ---- loading --------------------------------------------------------------------------------

TEST(TwzFilterGdiPlus, WholeQuarterTurnsAreLossless)
{
    const Image picture = Quadrants(300, 200);
    const std::string path = PictureFile("turns.png", picture);
    struct Case {
        float rotate;
        int32_t width, height;
        uint32_t topLeft, topRight, bottomLeft, bottomRight;
    } cases[] = {
        { 0, 300, 200, kRed, kGreen, kBlue, kWhite },
        { 90, 200, 300, kBlue, kRed, kWhite, kGreen }, // clockwise
        { 180, 300, 200, kWhite, kBlue, kGreen, kRed },
        { 270, 200, 300, kGreen, kWhite, kRed, kBlue },
        { 360, 300, 200, kRed, kGreen, kBlue, kWhite },
        { 450, 200, 300, kBlue, kRed, kWhite, kGreen },
        // Turning back is turning on by the rest of the circle.
        { -90, 200, 300, kGreen, kWhite, kRed, kBlue },
        { -180, 300, 200, kWhite, kBlue, kGreen, kRed },
        { -270, 200, 300, kBlue, kRed, kWhite, kGreen },
        { -360, 300, 200, kRed, kGreen, kBlue, kWhite },
        { -450, 200, 300, kGreen, kWhite, kRed, kBlue },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotate);
        MarkedBitmap bitmap;
        ASSERT_TRUE(filter.LoadFromFile(path, c.rotate, bitmap));
        ASSERT_EQ(bitmap.GetWidth(), c.width);
        ASSERT_EQ(bitmap.GetHeight(), c.height);
        const int32_t right = c.width - 1, bottom = c.height - 1;
        EXPECT_EQ(Hex(At(bitmap, 0, 0)), Hex(c.topLeft));
        EXPECT_EQ(Hex(At(bitmap, right, 0)), Hex(c.topRight));
        EXPECT_EQ(Hex(At(bitmap, 0, bottom)), Hex(c.bottomLeft));
        EXPECT_EQ(Hex(At(bitmap, right, bottom)), Hex(c.bottomRight));
        // Whole quarters: every pixel is one of the four colours.
        EXPECT_EQ(std::count_if(bitmap.Pixels().begin(), bitmap.Pixels().end(),
                      [](uint32_t p) { return p != kRed && p != kGreen && p != kBlue && p != kWhite; }),
            0);
        EXPECT_TRUE(bitmap.GetNeedUpdate());
    }
}

TEST(TwzFilterGdiPlus, OtherAnglesTurnThePictureInsideABitmapThatHoldsIt)
{
    const std::string path = PictureFile("angles.png", Quadrants(300, 200));
    // Each quarter's colour is looked for 70 pixels from the centre in the direction its
    // corner has turned to; the corners of the bitmap lie outside the turned picture.
    struct Case {
        float rotate;
        int32_t side; // Trunc((300 + 200) x cos 45)
        uint32_t up, right, down, left;
    } cases[] = {
        { 45, 353, kRed, kGreen, kWhite, kBlue },
        { -45, 353, kGreen, kWhite, kBlue, kRed },
        { 315, 353, kGreen, kWhite, kBlue, kRed },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rotate);
        // A bitmap of the final size already: its old pixels must not show in the corners.
        MarkedBitmap bitmap(c.side, c.side);
        ASSERT_TRUE(filter.LoadFromFile(path, c.rotate, bitmap));
        ASSERT_EQ(bitmap.GetWidth(), c.side);
        ASSERT_EQ(bitmap.GetHeight(), c.side);
        const int32_t mid = c.side / 2, last = c.side - 1;
        for (auto [x, y] : { std::pair { 0, 0 }, { last, 0 }, { 0, last }, { last, last } })
            EXPECT_EQ(At(bitmap, x, y), 0u) << "corner " << x << ", " << y;
        EXPECT_LE(ChannelDistance(At(bitmap, mid, mid - 70), c.up), 2) << Hex(At(bitmap, mid, mid - 70));
        EXPECT_LE(ChannelDistance(At(bitmap, mid + 70, mid), c.right), 2) << Hex(At(bitmap, mid + 70, mid));
        EXPECT_LE(ChannelDistance(At(bitmap, mid, mid + 70), c.down), 2) << Hex(At(bitmap, mid, mid + 70));
        EXPECT_LE(ChannelDistance(At(bitmap, mid - 70, mid), c.left), 2) << Hex(At(bitmap, mid - 70, mid));
    }
}

TEST(TwzFilterGdiPlus, TranslucentPicturesReplaceThePixelsOfASameSizeBitmap)
{
    constexpr uint32_t kHalf[4] = { 0x80800000, 0x40004000, 0x00000000, 0xFF0000FF };
    const Image picture = Quadrants(40, 20, kHalf);
    const std::string path = PictureFile("translucent.png", picture);
    const std::vector<uint8_t> bytes = ReadFile(path);
    TwzFilterGdiPlus filter;
    struct Case {
        const char* what;
        int32_t width, height;
        std::function<bool(TwzBitmap&)> load;
        uint32_t topLeft, bottomLeft;
    } cases[] = {
        { "file", 40, 20, [&](TwzBitmap& b) { return filter.LoadFromFile(path, 0, b); }, kHalf[0], kHalf[2] },
        { "file turned", 20, 40, [&](TwzBitmap& b) { return filter.LoadFromFile(path, 90, b); }, kHalf[2],
            kHalf[3] },
        { "stream", 40, 20,
            [&](TwzBitmap& b) {
                rtl::TConstMemoryStream stream(bytes);
                return filter.LoadFromStream(stream, b);
            },
            kHalf[0], kHalf[2] },
        { "thumbnail", 20, 10,
            [&](TwzBitmap& b) { return filter.LoadThumbnailFromFile(path, 20, 20, false, b); }, kHalf[0],
            kHalf[2] },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MarkedBitmap bitmap(c.width, c.height);
        bitmap.SetNeedUpdate(false);
        ASSERT_TRUE(c.load(bitmap));
        ASSERT_EQ(bitmap.GetWidth(), c.width);
        ASSERT_EQ(bitmap.GetHeight(), c.height);
        // Scaling may round a channel by a step; nothing else may differ.
        EXPECT_LE(ChannelDistance(At(bitmap, 0, 0), c.topLeft), 1) << Hex(At(bitmap, 0, 0));
        EXPECT_LE(ChannelDistance(At(bitmap, 0, c.height - 1), c.bottomLeft), 1)
            << Hex(At(bitmap, 0, c.height - 1));
        EXPECT_TRUE(std::none_of(bitmap.Pixels().begin(), bitmap.Pixels().end(), [](uint32_t p) {
            return ChannelDistance(p, 0xFF123456) < 16;
        })) << "the old pixels show through";
        EXPECT_TRUE(bitmap.GetNeedUpdate()) << "a canvas caching the pixels must see the change";
    }
}

TEST(TwzFilterGdiPlus, StreamsAreReadFromTheirPosition)
{
    const Image picture = Quadrants(12, 8);
    const std::vector<uint8_t> png = raster::EncodeImage(picture, ImageFormat::Png).value();
    std::vector<uint8_t> withHeader { 'H', 'E', 'A', 'D', 'E', 'R', '!' };
    withHeader.insert(withHeader.end(), png.begin(), png.end());
    WriteFile(kOutput + "with-header.bin", withHeader);

    TwzFilterGdiPlus filter;
    rtl::TMemoryStream memory;
    memory.WriteBuffer(withHeader.data(), withHeader.size());
    rtl::TFileStream file(kOutput + "with-header.bin", rtl::fmOpenRead);
    rtl::TConstMemoryStream view(withHeader);
    rtl::TSubStream window(view, 0, int64_t(withHeader.size()));
    for (rtl::TStream* stream : std::initializer_list<rtl::TStream*> { &memory, &file, &view, &window }) {
        SCOPED_TRACE(stream == &memory ? "memory"
                : stream == &file      ? "file"
                : stream == &view      ? "view"
                                       : "window");
        stream->SetPosition(7);
        MarkedBitmap bitmap;
        ASSERT_TRUE(filter.LoadFromStream(*stream, bitmap));
        EXPECT_EQ(Snapshot(bitmap), Snapshot(PictureBitmap(picture)));
        // From the start, the header is no picture.
        stream->SetPosition(0);
        EXPECT_FALSE(filter.LoadFromStream(*stream, bitmap));
        EXPECT_EQ(Snapshot(bitmap), Snapshot(PictureBitmap(picture)));
    }
    // A memory stream positioned past its end holds nothing to read.
    memory.Seek(5, rtl::soFromEnd);
    MarkedBitmap bitmap;
    EXPECT_FALSE(filter.LoadFromStream(memory, bitmap));
    EXPECT_EQ(Snapshot(bitmap), Snapshot(MarkedBitmap()));
}

// ---- thumbnails ---------------------------------------------------------------------------------

TEST(TwzFilterGdiPlus, ThumbnailsFitWithoutEverGrowing)
{
    struct Case {
        int32_t width, height;
        float fitWidth, fitHeight;
        int32_t thumbWidth, thumbHeight;
    } cases[] = {
        { 200, 100, 50, 50, 50, 25 },
        { 100, 200, 50, 50, 25, 50 },
        { 200, 100, 400, 25, 50, 25 },
        { 20, 10, 50, 50, 20, 10 }, // never enlarged
        { 200, 100, 0, 0, 200, 100 }, // no room given: no limit either
        { 200, 100, std::numeric_limits<float>::infinity(), 50, 100, 50 },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        const std::string path = PictureFile("thumb.png", Quadrants(c.width, c.height));
        for (bool embedded : { false, true }) {
            SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " into " << c.fitWidth
                                              << " x " << c.fitHeight << (embedded ? ", embedded" : ""));
            MarkedBitmap bitmap;
            ASSERT_TRUE(filter.LoadThumbnailFromFile(path, c.fitWidth, c.fitHeight, embedded, bitmap));
            ASSERT_EQ(bitmap.GetWidth(), c.thumbWidth);
            ASSERT_EQ(bitmap.GetHeight(), c.thumbHeight);
            // The whole picture, scaled: each quarter keeps its colour at its centre.
            const int32_t qx = c.thumbWidth / 4, qy = c.thumbHeight / 4;
            EXPECT_LE(ChannelDistance(At(bitmap, qx, qy), kRed), 2);
            EXPECT_LE(ChannelDistance(At(bitmap, 3 * qx, qy), kGreen), 2);
            EXPECT_LE(ChannelDistance(At(bitmap, qx, 3 * qy), kBlue), 2);
            EXPECT_LE(ChannelDistance(At(bitmap, 3 * qx, 3 * qy), kWhite), 2);
        }
    }
}

TEST(TwzFilterGdiPlus, ThumbnailsTakeAStoredPreviewOnlyWhenAsked)
{
    // A 64 x 48 blue picture whose Exif block holds a 16 x 12 red preview.
    const std::string exif = kCodecData + "jpeg_exif_le.jpg";
    constexpr uint32_t kPicture = 0xFF0000FF, kPreview = 0xFFFF0000;
    struct Case {
        float fitWidth, fitHeight;
        bool useEmbedded;
        int32_t width, height;
        uint32_t colour;
    } cases[] = {
        { 16, 12, true, 16, 12, kPreview },
        { 8, 8, true, 8, 6, kPreview },
        { 16, 12, false, 16, 12, kPicture },
        // A preview smaller than asked for is not blown up: the picture is scaled instead.
        { 32, 24, true, 32, 24, kPicture },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.fitWidth << " x " << c.fitHeight << " " << c.useEmbedded);
        MarkedBitmap bitmap;
        ASSERT_TRUE(filter.LoadThumbnailFromFile(exif, c.fitWidth, c.fitHeight, c.useEmbedded, bitmap));
        ASSERT_EQ(bitmap.GetWidth(), c.width);
        ASSERT_EQ(bitmap.GetHeight(), c.height);
        EXPECT_TRUE(std::all_of(bitmap.Pixels().begin(), bitmap.Pixels().end(), [&](uint32_t p) {
            return ChannelDistance(p, c.colour) <= 12;
        })) << Hex(At(bitmap, c.width / 2, c.height / 2));
    }
}

// A picture read from a stream can be reduced as it is read, and its size known from its
// headers first: a design holds its pictures in memory streams and decodes them only within
// its budget.
TEST(TwzFilterGdiPlus, StreamThumbnailsFitWithoutGrowingAndSizesComeFromTheHeaders)
{
    struct Case {
        const char* name;
        ImageFormat format;
        int32_t width, height;
        float fit;
        int32_t thumbWidth, thumbHeight;
    } const cases[] = {
        { "png", ImageFormat::Png, 200, 100, 50, 50, 25 },
        { "jpeg at a reduced scale", ImageFormat::Jpeg, 800, 600, 100, 100, 75 },
        { "jpeg drawn down after", ImageFormat::Jpeg, 160, 320, 50, 25, 50 },
        { "never enlarged", ImageFormat::Png, 20, 10, 50, 20, 10 },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes
            = raster::EncodeImage(Quadrants(c.width, c.height), c.format, { 95 }).value();
        std::vector<uint8_t> withHeader { 'H', 'E', 'A', 'D' };
        withHeader.insert(withHeader.end(), bytes.begin(), bytes.end());
        rtl::TMemoryStream memory;
        memory.WriteBuffer(withHeader.data(), withHeader.size());
        rtl::TConstMemoryStream view(withHeader);
        rtl::TSubStream window(view, 0, int64_t(withHeader.size()));
        for (rtl::TStream* stream : std::initializer_list<rtl::TStream*> { &memory, &window }) {
            SCOPED_TRACE(stream == &memory ? "memory" : "window");
            stream->SetPosition(4);
            EXPECT_EQ(filter.GetStreamImageSize(*stream), MakePoint(float(c.width), float(c.height)));
            EXPECT_EQ(stream->GetPosition(), 4) << "the size is only looked at";
            MarkedBitmap bitmap;
            ASSERT_TRUE(filter.LoadThumbnailFromStream(*stream, c.fit, c.fit, bitmap));
            ASSERT_EQ(bitmap.GetWidth(), c.thumbWidth);
            ASSERT_EQ(bitmap.GetHeight(), c.thumbHeight);
            const int32_t qx = c.thumbWidth / 4, qy = c.thumbHeight / 4;
            EXPECT_LE(ChannelDistance(At(bitmap, qx, qy), kRed), 8);
            EXPECT_LE(ChannelDistance(At(bitmap, 3 * qx, qy), kGreen), 8);
            EXPECT_LE(ChannelDistance(At(bitmap, qx, 3 * qy), kBlue), 8);
            EXPECT_LE(ChannelDistance(At(bitmap, 3 * qx, 3 * qy), kWhite), 8);
        }
    }

    // No picture, or one declaring more than any decoder takes: no size, nothing loaded.
    for (const std::vector<uint8_t>& bytes :
        { std::vector<uint8_t> { 'j', 'u', 'n', 'k' }, testsupport::PngDeclaring(8192, 8193) }) {
        rtl::TConstMemoryStream stream(bytes);
        EXPECT_EQ(filter.GetStreamImageSize(stream), MakePoint(0, 0));
        MarkedBitmap bitmap;
        EXPECT_FALSE(filter.LoadThumbnailFromStream(stream, 50, 50, bitmap));
        EXPECT_EQ(Snapshot(bitmap), Snapshot(MarkedBitmap()));
    }
}

// ---- failures leave the bitmap alone ------------------------------------------------------------

TEST(TwzFilterGdiPlus, MalformedPicturesFailCleanlyAndChangeNothing)
{
    WriteFile(kOutput + "text.jpg", { 'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e' });
    WriteFile(kOutput + "empty.gif", {});
    std::vector<std::string> files { kOutput + "text.jpg", kOutput + "empty.gif" };
    for (const auto& entry : std::filesystem::directory_iterator(kCodecData + "malformed"))
        files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    ASSERT_GT(files.size(), 20u);

    TwzFilterGdiPlus filter;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> bytes = ReadFile(file);
        MarkedBitmap bitmap;
        const Snapshot before(bitmap);
        bitmap.SetNeedUpdate(false);
        for (float rotate : { 0.0f, 90.0f, 33.0f })
            EXPECT_FALSE(filter.LoadFromFile(file, rotate, bitmap)) << rotate;
        for (bool embedded : { false, true })
            EXPECT_FALSE(filter.LoadThumbnailFromFile(file, 4, 4, embedded, bitmap)) << embedded;
        rtl::TConstMemoryStream stream(bytes);
        EXPECT_FALSE(filter.LoadFromStream(stream, bitmap));
        rtl::TFileStream fileStream(file, rtl::fmOpenRead);
        EXPECT_FALSE(filter.LoadFromStream(fileStream, bitmap));
        EXPECT_EQ(Snapshot(bitmap), before);
        EXPECT_FALSE(bitmap.GetNeedUpdate());
    }
}

TEST(TwzFilterGdiPlus, AnglesAndSizesThatAreNotNumbersLoadNothing)
{
    const std::string path = PictureFile("nan.png", Quadrants(10, 10));
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    TwzFilterGdiPlus filter;
    MarkedBitmap bitmap;
    const Snapshot before(bitmap);
    EXPECT_FALSE(filter.LoadFromFile(path, kNaN, bitmap));
    EXPECT_FALSE(filter.LoadFromFile(path, kInf, bitmap));
    EXPECT_FALSE(filter.LoadFromFile(path, -kInf, bitmap));
    EXPECT_FALSE(filter.LoadThumbnailFromFile(path, kNaN, 5, false, bitmap));
    EXPECT_FALSE(filter.LoadThumbnailFromFile(path, 5, kNaN, true, bitmap));
    EXPECT_EQ(Snapshot(bitmap), before);
}

// ---- saving ---------------------------------------------------------------------------------------

TEST(TwzFilterGdiPlus, SavedFileFormatFollowsTheExtensionInAnyCase)
{
    PictureBitmap bitmap(Quadrants(8, 6));
    struct Case {
        const char* name;
        ImageFormat format; // Unknown: refused, nothing is written
    } cases[] = {
        { "a.jpg", ImageFormat::Jpeg },
        { "b.JPEG", ImageFormat::Jpeg },
        { "c.Jpg", ImageFormat::Jpeg },
        { "d.bmp", ImageFormat::Bmp },
        { "e.PNG", ImageFormat::Png },
        { "f.tif", ImageFormat::Tiff },
        { "g.tiff", ImageFormat::Tiff },
        { "h.gif", ImageFormat::Gif },
        { "i.jpg.png", ImageFormat::Png },
        { "j.ico", ImageFormat::Unknown }, // read, never written
        { "k.webp", ImageFormat::Unknown },
        { "l", ImageFormat::Unknown },
        { "m.png/n", ImageFormat::Unknown }, // the dot belongs to the folder
        { "o.", ImageFormat::Unknown },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = kOutput + "save/" + c.name;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::filesystem::remove(path);
        if (c.format == ImageFormat::Unknown) {
            EXPECT_THROW(filter.SaveToFile(path, bitmap, ""), rtl::WriteError);
            EXPECT_FALSE(std::filesystem::exists(path));
            continue;
        }
        filter.SaveToFile(path, bitmap, "");
        const std::vector<uint8_t> bytes = ReadFile(path);
        EXPECT_EQ(raster::DetectImageFormat(bytes), c.format);
        MarkedBitmap back;
        ASSERT_TRUE(filter.LoadFromFile(path, 0, back));
        EXPECT_EQ(back.GetWidth(), 8);
        EXPECT_EQ(back.GetHeight(), 6);
    }
}

TEST(TwzFilterGdiPlus, StreamFormatFollowsTheNameInAnyCaseAndDefaultsToPng)
{
    PictureBitmap bitmap(Quadrants(8, 6));
    struct Case {
        const char* format;
        ImageFormat expected;
    } cases[] = {
        { "jpeg", ImageFormat::Jpeg },
        { "JPG", ImageFormat::Jpeg },
        { "bmp", ImageFormat::Bmp },
        { "Png", ImageFormat::Png },
        { "tif", ImageFormat::Tiff },
        { "TIFF", ImageFormat::Tiff },
        { "gif", ImageFormat::Gif },
        { "", ImageFormat::Png },
        { "ico", ImageFormat::Png },
        { ".jpg", ImageFormat::Png }, // a name, not an extension
        { "webp", ImageFormat::Png },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        rtl::TMemoryStream stream;
        stream.WriteBuffer("HEAD", 4);
        filter.SaveToStream(stream, bitmap, c.format, "");
        const std::vector<uint8_t> bytes = BytesOf(stream);
        ASSERT_GT(bytes.size(), 4u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "HEAD") << "written at the position";
        EXPECT_EQ(raster::DetectImageFormat(std::span(bytes).subspan(4)), c.expected);
        EXPECT_EQ(stream.GetPosition(), stream.GetSize());
    }
}

TEST(TwzFilterGdiPlus, QualityParameterSetsTheJpegQuality)
{
    PictureBitmap bitmap(Quadrants(16, 16));
    // The first luminance quantiser of libjpeg's scaled standard table (16 at quality 50).
    struct Case {
        const char* params;
        int dcQuantiser;
    } cases[] = {
        { "", 8 }, // the encoder's default, 75
        { "quality=85", 5 },
        { "QUALITY=85", 5 },
        { "Quality=10", 80 },
        { "quality=100", 1 },
        { "  size=3   quality=85 other  ", 5 }, // other names are ignored
        { "quality=$55", 5 }, // the system's integer syntax
        { "quality=10 quality=85", 5 }, // the last one counts
        { "quality=150", 1 }, // clamped to the scale
        { "quality=-5", 255 },
        { "qualityx=10", 8 },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.params);
        rtl::TMemoryStream stream;
        filter.SaveToStream(stream, bitmap, "jpeg", c.params);
        EXPECT_EQ(JpegDcQuantiser(stream.Bytes()), c.dcQuantiser);
        // Saving to a file reads the parameters the same way.
        const std::string path = kOutput + "quality.jpg";
        filter.SaveToFile(path, bitmap, c.params);
        EXPECT_EQ(JpegDcQuantiser(ReadFile(path)), c.dcQuantiser);
    }
}

TEST(TwzFilterGdiPlus, QualityThatIsNotANumberRaisesAndWritesNothing)
{
    PictureBitmap bitmap(Quadrants(8, 6));
    const std::string existing = kOutput + "keep.png";
    TwzFilterGdiPlus filter;
    for (const char* params : { "quality=abc", "quality", "quality=", "quality= 85", "quality=8.5" }) {
        SCOPED_TRACE(params);
        WriteFile(existing, { 'o', 'l', 'd' });
        EXPECT_THROW(filter.SaveToFile(existing, bitmap, params), rtl::ConvertError);
        EXPECT_EQ(ReadFile(existing), (std::vector<uint8_t> { 'o', 'l', 'd' }));
        const std::string fresh = kOutput + "fresh.jpg";
        std::filesystem::remove(fresh);
        EXPECT_THROW(filter.SaveToFile(fresh, bitmap, params), rtl::ConvertError);
        EXPECT_FALSE(std::filesystem::exists(fresh));
        rtl::TMemoryStream stream;
        EXPECT_THROW(filter.SaveToStream(stream, bitmap, "png", params), rtl::ConvertError);
        EXPECT_EQ(stream.GetSize(), 0);
        // An extension without encoder is refused before the parameters are read.
        EXPECT_THROW(filter.SaveToFile(kOutput + "never.ico", bitmap, params), rtl::WriteError);
    }
    EXPECT_FALSE(std::filesystem::exists(kOutput + "never.ico"));
}

TEST(TwzFilterGdiPlus, FailedSavesSayWhyAndLeaveNothingBehind)
{
    TwzFilterGdiPlus filter;
    PictureBitmap bitmap(Quadrants(8, 6));
    const std::string folder = kOutput + "failed-save";
    std::filesystem::remove_all(folder);
    EXPECT_THROW(filter.SaveToFile(folder + "/missing/picture.png", bitmap, ""), rtl::FileOpenError);

    // Wider than JPEG and GIF can describe: the encoder refuses.
    std::filesystem::create_directories(folder);
    TwzBitmap wide(70000, 1);
    wide.Clear(0xFF336699);
    const std::string target = folder + "/wide.jpg";
    WriteFile(target, { 'o', 'l', 'd' });
    for (const char* format : { "jpeg", "gif" }) {
        SCOPED_TRACE(format);
        rtl::TMemoryStream stream;
        EXPECT_THROW(filter.SaveToStream(stream, wide, format, ""), rtl::WriteError);
        EXPECT_EQ(stream.GetSize(), 0);
    }
    EXPECT_THROW(filter.SaveToFile(target, wide, ""), rtl::WriteError);
    EXPECT_EQ(ReadFile(target), (std::vector<uint8_t> { 'o', 'l', 'd' }));
    // Only the old file remains: no temporary file was left.
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 1);
    // PNG has no such limit.
    rtl::TMemoryStream png;
    filter.SaveToStream(png, wide, "png", "");
    EXPECT_EQ(raster::DetectImageFormat(png.Bytes()), ImageFormat::Png);

    // A bitmap without pixels (a stream that did not decode) used to write nothing at all
    // without a word: the save names the file and why instead.
    rtl::TConstMemoryStream junk("junk", 4);
    const std::unique_ptr<TwzBitmap> empty = TwzBitmap::CreateFromStream(junk);
    ASSERT_EQ(empty->Bits(), nullptr);
    for (const char* name : { "/wide.jpg", "/empty.png" }) {
        const std::string path = folder + name;
        SCOPED_TRACE(path);
        try {
            filter.SaveToFile(path, *empty, "");
            ADD_FAILURE() << "saved";
        } catch (const rtl::WriteError& e) {
            EXPECT_NE(std::string(e.what()).find("\"" + path + "\""), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("no pixels"), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(ReadFile(target), (std::vector<uint8_t> { 'o', 'l', 'd' }));
    EXPECT_FALSE(std::filesystem::exists(folder + "/empty.png"));
}

// A name whose extension names no format used to write nothing without a word, which looks
// like a save that worked: the error says why and what would do.
TEST(TwzFilterGdiPlus, SavingUnderANameWithoutAFormatRaises)
{
    TwzFilterGdiPlus filter;
    PictureBitmap bitmap(Quadrants(8, 6));
    const std::string folder = kOutput + "no-format";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/pictures.png");
    struct Case {
        std::string name;
        const char* says;
    } const cases[] = {
        { "picture.ico", "the extension \".ico\" names no picture format" },
        { "picture.txt", "the extension \".txt\" names no picture format" },
        { "picture", "the file name has no extension" },
        { "pictures.png/picture", "the file name has no extension" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/" + c.name;
        try {
            filter.SaveToFile(path, bitmap, "");
            ADD_FAILURE() << "saved";
        } catch (const rtl::WriteError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

// A write that fails part-way names the system's reason: here a file-size limit the process
// runs under, the way a full disk or a file system's largest file would stop it.
TEST(TwzFilterGdiPlus, WriteErrorsNameTheSystemsReason)
{
    TwzFilterGdiPlus filter;
    TwzBitmap noisy(256, 256);
    uint32_t seed = 12345;
    for (uint32_t& p : noisy.Pixels()) {
        seed = seed * 1103515245u + 12345u;
        p = 0xFF000000u | (seed >> 8);
    }
    const std::string path = kOutput + "limited.bmp";
    std::filesystem::remove(path);
    struct rlimit old { };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = old;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string message;
    try {
        filter.SaveToFile(path, noisy, "");
    } catch (const rtl::WriteError& e) {
        message = e.what();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_NE(message.find("Cannot write file \"" + path + "\""), std::string::npos) << message;
    EXPECT_NE(message.find("File too large"), std::string::npos) << message;
    EXPECT_FALSE(std::filesystem::exists(path));
}

// ---- round trips ----------------------------------------------------------------------------------

TEST(TwzFilterGdiPlus, RoundTripsKeepWhatEachFormatKeeps)
{
    // PNG and TIFF keep every translucent pixel (PNG stores straight colours, so the
    // conversions there and back may lose a step); GIF keeps pixels of alpha 128 and up as
    // opaque and drops the others; JPEG and BMP store opaque pictures.
    const Image translucent = TranslucentGradient();
    const Image opaque = Quadrants(32, 32);
    auto gifOf = [](uint32_t p) -> uint32_t {
        const uint32_t a = p >> 24;
        if (a < 128)
            return 0;
        auto straight = [a](uint32_t c) { return std::min<uint32_t>(255, c * 255 / a); };
        return 0xFF000000 | straight((p >> 16) & 0xFF) << 16 | straight((p >> 8) & 0xFF) << 8
            | straight(p & 0xFF);
    };
    struct Case {
        const char* extension;
        const Image& picture;
        int tolerance;
        bool gif;
        bool lossy; // only the quarters' centres are compared
    } cases[] = {
        { "png", translucent, 1, false, false },
        { "tif", translucent, 0, false, false },
        { "gif", translucent, 24, true, false },
        { "bmp", opaque, 0, false, false },
        { "jpg", opaque, 8, false, true },
    };
    TwzFilterGdiPlus filter;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        PictureBitmap bitmap(c.picture);
        // Through a file and through a stream.
        const std::string path = kOutput + "round-trip." + c.extension;
        filter.SaveToFile(path, bitmap, "quality=95");
        rtl::TMemoryStream stream;
        filter.SaveToStream(stream, bitmap, c.extension, "quality=95");
        EXPECT_EQ(BytesOf(stream), ReadFile(path));
        MarkedBitmap fromFile;
        ASSERT_TRUE(filter.LoadFromFile(path, 0, fromFile));
        stream.SetPosition(0);
        MarkedBitmap fromStream;
        ASSERT_TRUE(filter.LoadFromStream(stream, fromStream));
        EXPECT_EQ(Snapshot(fromFile), Snapshot(fromStream));
        ASSERT_EQ(fromFile.GetWidth(), c.picture.width);
        ASSERT_EQ(fromFile.GetHeight(), c.picture.height);
        for (size_t i = 0; i < c.picture.pixels.size(); ++i) {
            const size_t x = i % size_t(c.picture.width), y = i / size_t(c.picture.width);
            if (c.lossy && (x % 16 != 8 || y % 16 != 8))
                continue;
            const uint32_t expected = c.gif ? gifOf(c.picture.pixels[i]) : c.picture.pixels[i];
            const uint32_t got = fromFile.Pixels()[i];
            ASSERT_LE(ChannelDistance(got, expected), c.tolerance)
                << "pixel " << i << ": " << Hex(got) << ", expected " << Hex(expected);
            ASSERT_EQ(got >> 24, expected >> 24) << "pixel " << i;
        }
    }
}

TEST(TwzFilterGdiPlus, SavedFilesOpenInAnIndependentDecoder)
{
    const std::string python = FindPythonWithPil();
    if (python.empty())
        GTEST_SKIP() << "python3 with PIL is not installed";
    constexpr uint32_t kColours[4] = { 0xFFFF0000, 0x80008000, 0xFF0000FF, 0x00000000 };
    PictureBitmap bitmap(Quadrants(24, 10, kColours));
    struct Case {
        const char* name;
        const char* format; // as the independent decoder names it
        const char* topRight; // straight RGBA of the half-transparent green quarter
    } cases[] = {
        { "indep.png", "PNG", "0,255,0,128" },
        { "indep.TIFF", "TIFF", "0,255,0,128" },
        { "indep.JPEG", "JPEG", nullptr },
        { "indep.bmp", "BMP", nullptr },
        { "indep.gif", "GIF", nullptr },
    };
    TwzFilterGdiPlus filter;
    std::string files;
    for (const Case& c : cases) {
        filter.SaveToFile(kOutput + c.name, bitmap, "quality=90");
        files += " '" + kOutput + c.name + "'";
    }
    const std::string script = kOutput + "independent.py";
    {
        std::ofstream out(script);
        out << "import sys\nfrom PIL import Image\n"
               "for name in sys.argv[1:]:\n"
               "    im = Image.open(name)\n"
               "    im.load()\n"
               "    p = im.convert('RGBA').getpixel((im.size[0] - 1, 0))\n"
               "    print(name.rsplit('/', 1)[1], im.format, im.size[0], im.size[1], "
               "','.join(str(v) for v in p))\n";
    }
    const std::string command = python + " '" + script + "'" + files;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[256];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0) << output;

    std::map<std::string, std::vector<std::string>> seen;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields { std::istream_iterator<std::string>(words), {} };
        if (!fields.empty())
            seen[fields[0]] = fields;
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string>& fields = seen[c.name];
        ASSERT_EQ(fields.size(), 5u) << output;
        EXPECT_EQ(fields[1], c.format);
        EXPECT_EQ(fields[2], "24");
        EXPECT_EQ(fields[3], "10");
        if (c.topRight) {
            EXPECT_EQ(fields[4], c.topRight);
        }
    }
}

TEST(TwzFilterGdiPlus, BitmapStoredFormGoesThroughTheFilter)
{
    const TwzFilterClass* previous = DefaultFilterClass;
    DefaultFilterClass = &kTwzFilterGdiPlusClass;
    struct Case {
        const char* what;
        Image picture;
        ImageFormat stored;
    } cases[] = {
        { "opaque", OpaqueGradient(), ImageFormat::Jpeg },
        { "translucent", TranslucentGradient(), ImageFormat::Png },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PictureBitmap bitmap(c.picture);
        rtl::TMemoryStream stream;
        bitmap.SaveToStream(stream);
        EXPECT_EQ(raster::DetectImageFormat(stream.Bytes()), c.stored);
        if (c.stored == ImageFormat::Jpeg) {
            EXPECT_EQ(JpegDcQuantiser(stream.Bytes()), 1) << "quality 100";
        }
        stream.SetPosition(0);
        const std::unique_ptr<TwzBitmap> back = TwzBitmap::CreateFromStream(stream);
        ASSERT_EQ(back->GetWidth(), c.picture.width);
        ASSERT_EQ(back->GetHeight(), c.picture.height);
        for (size_t i = 0; i < c.picture.pixels.size(); ++i)
            ASSERT_LE(ChannelDistance(back->Pixels()[i], c.picture.pixels[i]), 3) << "pixel " << i;
    }
    DefaultFilterClass = previous;
}

// ---- threads --------------------------------------------------------------------------------------

TEST(TwzFilterGdiPlus, PictureLoadingThreadsShareNothing)
{
    // Every format, good and damaged, loaded whole and as thumbnails on several threads at
    // once must give what one thread alone gives.
    std::vector<std::string> files;
    for (const char* name : { "png_rgba.png", "jpeg_progressive.jpg", "jpeg_exif_le.jpg",
             "gif_interlaced.gif", "tiff_associated.tif", "tiff_palette.tif", "bmp_rle8.bmp", "ico_pil.ico",
             "malformed/tiff_truncated.tif", "malformed/jpeg_truncated.jpg", "malformed/png_truncated.png" })
        files.push_back(kCodecData + name);
    auto loadAll = [&files] {
        TwzFilterGdiPlus filter;
        std::vector<Snapshot> results;
        for (const std::string& file : files) {
            MarkedBitmap whole;
            filter.LoadFromFile(file, 0, whole);
            results.emplace_back(whole);
            MarkedBitmap thumbnail;
            filter.LoadThumbnailFromFile(file, 9, 9, true, thumbnail);
            results.emplace_back(thumbnail);
        }
        return results;
    };
    const std::vector<Snapshot> alone = loadAll();
    constexpr int kThreads = 4;
    std::vector<std::vector<Snapshot>> together(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < kThreads; ++i)
            threads.emplace_back([&, i] {
                for (int round = 0; round < 3; ++round)
                    together[size_t(i)] = loadAll();
            });
    }
    for (int i = 0; i < kThreads; ++i)
        EXPECT_TRUE(together[size_t(i)] == alone) << "thread " << i;
}
