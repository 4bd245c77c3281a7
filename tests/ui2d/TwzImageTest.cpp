// The image object: the nine-grid, each wrap mode, its design-mode frame, its bound value
// and pictures that cannot be read.

#include "PixelScene.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBounds.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

using namespace ui2dtest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

/// 16 x 16: red 4 x 4 corners, green edges, blue centre.
void PaintNineGrid(TwzBitmap& bitmap)
{
    bitmap.SetSize(16, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const bool edgeX = x < 4 || x >= 12;
            const bool edgeY = y < 4 || y >= 12;
            bitmap.GetScanline(y)[x] = edgeX && edgeY ? kRed : (edgeX || edgeY ? kGreen : kBlue);
        }
    }
}

class TLoadListener : public rtl::TObject {
    RTL_CLASS(TLoadListener, rtl::TObject)
public:
    int calls = 0;
    void Loaded(rtl::TObject*) { ++calls; }
};

} // namespace

RTL_IMPLEMENT_CLASS(TLoadListener)

class Images : public PixelScene {
protected:
    TwzImage* Image(const TwzRect& box, int bw, int bh, uint32_t color = kWhite)
    {
        auto* image = Add<TwzImage>(box);
        TwzBitmap picture(bw, bh);
        picture.Clear(color);
        image->SetBitmap(&picture);
        return image;
    }
};

TEST_F(Images, NineGridKeepsCornersAndStretchesEdgesAndCentre)
{
    auto* image = Add<TwzImage>({ 2, 2, 62, 32 }); // 60 x 30
    TwzBitmap picture(1, 1);
    PaintNineGrid(picture);
    image->SetBitmap(&picture);
    image->GetBitmapMargins()->SetRect({ 4, 4, 4, 4 });
    image->SetWrapMode(wzImageTile); // not used by the nine-grid
    PaintAll();
    const struct {
        int x, y;
        uint32_t expected;
    } probes[] = {
        { 3, 3, kRed },
        { 5, 5, kRed },
        { 60, 3, kRed },
        { 3, 30, kRed },
        { 60, 30, kRed }, // corners, 4 x 4
        { 7, 3, kGreen },
        { 32, 3, kGreen },
        { 32, 30, kGreen },
        { 3, 17, kGreen },
        { 60, 17, kGreen },
        { 7, 7, kBlue },
        { 32, 17, kBlue },
        { 57, 27, kBlue },
        { 1, 17, 0 },
        { 32, 33, 0 },
    };
    for (const auto& p : probes)
        EXPECT_EQ(Hex(Pixel(p.x, p.y)), Hex(p.expected)) << "at " << p.x << ", " << p.y;
}

TEST_F(Images, WrapModesPlaceThePicture)
{
    struct Case {
        const char* name;
        TwzImageWrap mode;
        TwzRect box;
        int bw, bh;
        std::vector<std::pair<TwzPoint, bool>> probes; // covered or not
    };
    const Case cases[] = {
        { "fit never enlarges and centres", wzImageFit, { 2, 2, 62, 32 }, 10, 10,
            { { { 32, 17 }, true }, { { 27, 12 }, true }, { { 25, 17 }, false }, { { 39, 17 }, false } } },
        { "fit shrinks keeping the aspect", wzImageFit, { 0, 0, 64, 32 }, 128, 32,
            { { { 1, 7 }, false }, { { 1, 10 }, true }, { { 62, 21 }, true }, { { 32, 24 }, false } } },
        { "stretch covers the object", wzImageStretch, { 2, 2, 62, 32 }, 10, 10,
            { { { 3, 3 }, true }, { { 61, 31 }, true }, { { 1, 1 }, false } } },
        { "original at the top left, clipped", wzImageOriginal, { 10, 10, 30, 30 }, 40, 5,
            { { { 11, 11 }, true }, { { 29, 14 }, true }, { { 31, 11 }, false }, { { 11, 16 }, false } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzImage* image = Image(c.box, c.bw, c.bh);
        image->SetWrapMode(c.mode);
        PaintAll();
        for (const auto& [point, covered] : c.probes) {
            const uint32_t p = Pixel(static_cast<int>(point.X), static_cast<int>(point.Y));
            EXPECT_EQ(Alpha(p) > 128, covered) << "at " << point.X << ", " << point.Y << ": " << Hex(p);
        }
        image->Free();
    }
}

TEST_F(Images, TilesRepeatFromTheOriginAndStopAtTheEdge)
{
    // A 10-pixel tile with a red first column: 55 / 10 rounds to 6, so copies at 0 .. 60,
    // the last one clipped away entirely.
    auto* image = Add<TwzImage>({ 0, 0, 55, 10 });
    TwzBitmap tile(10, 10);
    tile.Clear(kWhite);
    for (int y = 0; y < 10; ++y)
        tile.GetScanline(y)[0] = kRed;
    image->SetBitmap(&tile);
    image->SetWrapMode(wzImageTile);
    PaintAll();
    for (int x : { 0, 10, 20, 30, 40, 50 })
        EXPECT_EQ(Pixel(x, 5), kRed) << "column " << x;
    EXPECT_EQ(Pixel(31, 5), kWhite);
    EXPECT_EQ(Pixel(54, 5), kWhite);
    EXPECT_EQ(Pixel(55, 5), 0u) << "clipped at the object's edge";
    EXPECT_EQ(Pixel(60, 5), 0u);
}

TEST_F(Images, DesignModeShowsADashedFrameOnlyWhereItMayBeEdited)
{
    auto* image = Image({ 8, 8, 56, 56 }, 4, 4, kBlue);
    image->SetWrapMode(wzImageOriginal);
    PaintAll();
    EXPECT_EQ(Pixel(30, 8), 0u) << "running: no frame";
    scene->SetDesignTime(true);
    PaintAll();
    int grey = 0;
    for (int x = 8; x < 56; ++x)
        grey += Red(Pixel(x, 8)) > 0 && Red(Pixel(x, 8)) == Blue(Pixel(x, 8)) ? 1 : 0;
    EXPECT_GT(grey, 10) << "a grey frame along the top";
    EXPECT_LT(grey, 47) << "dashed";
    image->SetLocked(true);
    PaintAll();
    EXPECT_EQ(Pixel(30, 8), 0u) << "locked: no frame";
}

TEST_F(Images, BoundValueIsTheBitmapAndUnreadableFilesChangeNothing)
{
    auto* image = Image({ 0, 0, 10, 10 }, 3, 2, kRed);
    EXPECT_EQ(VariantToObject(image->GetData()), image->GetBitmap());

    TwzBitmap other(5, 4);
    other.Clear(kGreen);
    image->SetData(ObjectToVariant(&other));
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 5);
    EXPECT_EQ(image->GetBitmap()->GetScanline(0)[0], kGreen);

    const std::string garbage = std::string(GF_TEST_OUTPUT) + "/not-a-picture.png";
    if (std::FILE* f = std::fopen(garbage.c_str(), "wb")) {
        std::fputs("\x89PNG\r\n\x1a\n broken", f);
        std::fclose(f);
    }
    for (const std::string& name : { std::string(GF_TEST_OUTPUT) + "/no-such-picture.png", garbage,
             std::string("wzobj99999999"), std::string() }) {
        SCOPED_TRACE(name);
        image->SetData(name);
        EXPECT_EQ(image->GetBitmap()->GetWidth(), 5);
        EXPECT_EQ(image->GetBitmap()->GetScanline(0)[0], kGreen);
    }
    image->SetData(ObjectToVariant(image)); // not a picture: ignored
    EXPECT_EQ(image->GetBitmap()->GetWidth(), 5);
}

TEST_F(Images, BitmapLoadedRaisesItsEventThenRepaints)
{
    auto* image = Image({ 0, 0, 10, 10 }, 3, 2);
    TLoadListener listener;
    image->OnBitmapLoaded.Bind<&TLoadListener::Loaded>(&listener);
    scene->ClearUpdateRects();
    image->BitmapLoaded();
    EXPECT_EQ(listener.calls, 1);
    EXPECT_FALSE(scene->UpdateRects().empty());
}
