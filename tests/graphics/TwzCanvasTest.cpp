// The 2D canvas over the drawing layer: back buffer, blits, state, clipping, brushes, pens,
// shapes, path data and pictures, checked by pixels of small canvases.

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzBrushBitmap.h"
#include "graphics/TwzBrushResource.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzGradient.h"
#include "graphics/TwzGradientPoints.h"
#include "graphics/TwzPathData.h"
#include "graphics/TwzPosition.h"
#include "graphics/TwzTransform.h"
#include "graphics/TwzVisual.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/Surface.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"

#include "FakeResources.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using platform::raster::Surface;

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kBlack = 0xFF000000;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using testsupport::Alpha;
using testsupport::Blue;
using testsupport::Hex;
using testsupport::Red;

/// A back-buffered canvas cleared to transparent, at the identity transform, solid fill red,
/// solid stroke black of width 1.
class CanvasTest : public ::testing::Test {
protected:
    explicit CanvasTest(int size = 32)
        : canvas(size, size)
    {
        canvas.SetMatrix(IdentityMatrix);
        canvas.ClearRect({ 0, 0, float(size), float(size) }, 0);
        canvas.GetFill().SetSolidColor(kRed);
        canvas.SetStrokeThickness(1);
    }

    uint32_t Pixel(int x, int y) const { return canvas.GetBufferSurface()->Pixel(x, y); }
    /// Pixels whose alpha is above half, in the rectangle.
    int Inked(int left, int top, int right, int bottom) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += Alpha(Pixel(x, y)) > 127;
        return n;
    }
    int Inked() const { return Inked(0, 0, canvas.GetWidth(), canvas.GetHeight()); }

    TwzCanvasGdiPlus canvas;
};

/// The fake resource services for one scope.
struct FakeResourcesScope : FakeResourcesTest {
    FakeResourcesScope() { SetUp(); }
    ~FakeResourcesScope() override { TearDown(); }
    void TestBody() override { }
};

TwzMatrix Scaling(float sx, float sy)
{
    TwzMatrix m = IdentityMatrix;
    m.m11 = sx;
    m.m22 = sy;
    return m;
}

TwzMatrix Translation(float tx, float ty)
{
    TwzMatrix m = IdentityMatrix;
    m.m31 = tx;
    m.m32 = ty;
    return m;
}

// ---- back buffer --------------------------------------------------------------------------

TEST(TwzCanvasBackBuffer, SizesBelowOneGiveOnePixelAndTheSameSizeKeepsThePixels)
{
    for (auto [w, h] : { std::pair { 0, 0 }, { 0, -5 }, { -3, 7 } }) {
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        TwzCanvasGdiPlus canvas(w, h);
        EXPECT_EQ(canvas.GetWidth(), std::max(w, 1));
        EXPECT_EQ(canvas.GetHeight(), std::max(h, 1));
        ASSERT_NE(canvas.GetBufferBits(), nullptr) << "every back-buffered canvas has a buffer";
        EXPECT_TRUE(canvas.IsBuffered());
    }
    TwzCanvasGdiPlus canvas(4, 4);
    canvas.ResizeBackBuffer(0, -5);
    EXPECT_EQ(canvas.GetWidth(), 1);
    EXPECT_EQ(canvas.GetHeight(), 1);
    canvas.ClearRect({ 0, 0, 1, 1 }, 0x12345678);
    canvas.ResizeBackBuffer(1, 1);
    EXPECT_EQ(canvas.GetBufferSurface()->Pixel(0, 0), 0x12345678u) << "same size: buffer and pixels kept";
}

TEST(TwzCanvasBackBuffer, TooLargeABufferRaisesAndLeavesNoBuffer)
{
    TwzCanvasGdiPlus canvas(4, 4);
    try {
        canvas.ResizeBackBuffer(100000, 100000);
        FAIL() << "no error";
    } catch (const rtl::GraphicsError& e) {
        EXPECT_STREQ(e.what(), "Can't allocate the DIB handle");
    }
    EXPECT_EQ(canvas.GetBufferBits(), nullptr);
    // Nothing draws into the missing buffer, and a later resize brings drawing back.
    canvas.FillRect({ 0, 0, 4, 4 }, 0, 0, {}, 1);
    canvas.ClearRect({ 0, 0, 4, 4 }, kRed);
    canvas.ResizeBackBuffer(8, 8);
    canvas.SetMatrix(IdentityMatrix);
    canvas.ClearRect({ 0, 0, 8, 8 }, 0);
    canvas.GetFill().SetSolidColor(kBlue);
    canvas.FillRect({ 0, 0, 8, 8 }, 0, 0, {}, 1);
    EXPECT_EQ(canvas.GetBufferSurface()->Pixel(4, 4), kBlue);
}

TEST(TwzCanvasBackBuffer, ClearRectWritesTheRawColourClampedToTheBuffer)
{
    struct Case {
        const char* name;
        TwzRect rect;
        int left, top, right, bottom; // the pixels written, [left, right) x [top, bottom)
    };
    const Case cases[] = {
        { "clamped at the top-left, right and bottom rounded", { -5, -5, 3.5f, 2.4f }, 0, 0, 4, 2 },
        { "left and top truncated", { 2.9f, 1.9f, 5, 4 }, 2, 1, 5, 4 },
        { "half rounds to even", { 0, 0, 2.5f, 1.5f }, 0, 0, 2, 2 },
        { "beyond the buffer", { 8, 8, 20, 20 }, 8, 8, 10, 10 },
        { "wholly outside", { 12, 12, 20, 20 }, 0, 0, 0, 0 },
        { "inverted", { 6, 6, 2, 2 }, 0, 0, 0, 0 },
        { "not numbers", { kNaN, kNaN, kNaN, kNaN }, 0, 0, 0, 0 },
        { "huge", { -1e30f, -1e30f, 1e30f, 1e30f }, 0, 0, 10, 10 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzCanvasGdiPlus canvas(10, 10);
        canvas.ClearRect({ 0, 0, 10, 10 }, 0);
        canvas.ClearRect(c.rect, 0x80FF0000); // not premultiplied: written as it is
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                ASSERT_EQ(canvas.GetBufferSurface()->Pixel(x, y), inside ? 0x80FF0000u : 0u)
                    << x << ", " << y;
            }
    }
}

TEST(TwzCanvasBackBuffer, BlitsCopyTheBufferOrOneWidenedRectangle)
{
    TwzCanvasGdiPlus canvas(40, 40);
    canvas.ClearRect({ 0, 0, 40, 40 }, kRed);
    std::unique_ptr<TwzSurface> target = TwzSurface::Create(50, 50);
    ASSERT_TRUE(target);
    // One more column and row than the truncated edges: columns 10..20, rows 10..30.
    canvas.BlitRectToDC(5, 2, *target, { 10.2f, 10.7f, 20.5f, 30.0f });
    int copied = 0, left = 99, top = 99, right = -1, bottom = -1;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x)
            if (target->Pixel(x, y) == kRed) {
                ++copied;
                left = std::min(left, x), top = std::min(top, y);
                right = std::max(right, x), bottom = std::max(bottom, y);
            }
    EXPECT_EQ(copied, 11 * 21);
    EXPECT_EQ(left, 15);
    EXPECT_EQ(top, 12);
    EXPECT_EQ(right, 25);
    EXPECT_EQ(bottom, 32);

    std::unique_ptr<TwzSurface> whole = TwzSurface::Create(50, 50);
    ASSERT_TRUE(whole);
    canvas.BlitToDC(10, 10, *whole);
    EXPECT_EQ(whole->Pixel(9, 9), 0u);
    EXPECT_EQ(whole->Pixel(10, 10), kRed);
    EXPECT_EQ(whole->Pixel(49, 49), kRed);
}

TEST(TwzCanvasBackBuffer, CopyBitsAndAssignToABitmapGiveThePixels)
{
    TwzCanvasGdiPlus canvas(6, 3);
    canvas.ClearRect({ 0, 0, 6, 3 }, kBlue);
    canvas.ClearRect({ 5, 2, 6, 3 }, kGreen);
    std::vector<uint32_t> copy(18);
    canvas.CopyBits(copy.data());
    EXPECT_EQ(copy[0], kBlue);
    EXPECT_EQ(copy[17], kGreen);

    TwzBitmap bitmap(1, 1);
    bitmap.Assign(canvas);
    ASSERT_EQ(bitmap.GetWidth(), 6);
    ASSERT_EQ(bitmap.GetHeight(), 3);
    EXPECT_EQ(bitmap.GetScanline(0)[0], kBlue);
    EXPECT_EQ(bitmap.GetScanline(2)[5], kGreen);

    TwzFont font;
    EXPECT_THROW(font.Assign(canvas), rtl::ConvertError);
}

// ---- class reference and bitmap canvases --------------------------------------------------

TEST(TwzCanvasClassReference, CreatesCanvasesAndRowAddresses)
{
    const std::unique_ptr<TwzCanvas> canvas = TwzCanvasGdiPlusClass.Create(3, 2);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(canvas->GetWidth(), 3);
    EXPECT_TRUE(canvas->IsBuffered());

    TwzBitmap bitmap(4, 3);
    EXPECT_EQ(TwzCanvasGdiPlusClass.GetBitmapScanline(&bitmap, 0), bitmap.Bits());
    EXPECT_EQ(TwzCanvasGdiPlusClass.GetBitmapScanline(&bitmap, 2), bitmap.Bits() + 8);
    EXPECT_EQ(TwzCanvasGdiPlusClass.GetBitmapScanline(&bitmap, 3), nullptr);
    EXPECT_EQ(TwzCanvasGdiPlusClass.GetBitmapScanline(&bitmap, -1), nullptr);
    EXPECT_EQ(TwzCanvasGdiPlusClass.GetBitmapScanline(nullptr, 0), nullptr);

    const TwzCanvasClass empty {};
    EXPECT_THROW((void)empty.Create(1, 1), rtl::AbstractError);
}

TEST(TwzCanvasBitmap, DrawsIntoTheBitmapsPixelsAndFollowsAResize)
{
    TwzBitmap bitmap(8, 8);
    TwzCanvasGdiPlus canvas(&bitmap);
    EXPECT_FALSE(canvas.IsBuffered());
    EXPECT_EQ(canvas.GetBitmap(), &bitmap);
    canvas.SetMatrix(IdentityMatrix);
    canvas.GetFill().SetSolidColor(kGreen);
    canvas.FillRect({ 0, 0, 4, 8 }, 0, 0, {}, 1);
    EXPECT_EQ(bitmap.GetScanline(3)[1], kGreen);
    EXPECT_EQ(bitmap.GetScanline(3)[6], 0u);

    // Resized under the canvas: it draws into the new pixels, not into freed memory.
    bitmap.SetSize(16, 4);
    canvas.FillRect({ 0, 0, 16, 4 }, 0, 0, {}, 1);
    EXPECT_EQ(bitmap.GetScanline(3)[15], kGreen);
    EXPECT_EQ(canvas.GetWidth(), 16);
}

TEST(TwzCanvasExternal, DrawsThroughTheGraphicsItIsGiven)
{
    std::optional<Surface> target = Surface::Create(8, 8);
    ASSERT_TRUE(target);
    std::optional<platform::raster::Graphics> g = platform::raster::Graphics::Create(*target);
    ASSERT_TRUE(g);
    TwzCanvasGdiPlus canvas(std::move(*g), 8, 8);
    EXPECT_FALSE(canvas.IsBuffered());
    EXPECT_EQ(canvas.GetBufferBits(), nullptr);
    canvas.SetMatrix(Translation(4, 0));
    canvas.GetFill().SetSolidColor(kBlue);
    canvas.FillRect({ 0, 0, 4, 8 }, 0, 0, {}, 1);
    EXPECT_EQ(target->Pixel(1, 1), 0u);
    EXPECT_EQ(target->Pixel(5, 1), kBlue);
}

TEST(TwzCanvasBitmap, BitmapOwnCanvasComesFromTheDefaultClass)
{
    const TwzCanvasClass* previous = DefaultCanvasClass;
    DefaultCanvasClass = &TwzCanvasGdiPlusClass;
    StartGdiPlus();
    {
        TwzBitmap bitmap(4, 4);
        TwzCanvas* canvas = bitmap.GetCanvas();
        ASSERT_NE(canvas, nullptr);
        EXPECT_EQ(canvas->GetMatrix(), IdentityMatrix);
        canvas->GetFill().SetSolidColor(kBlue);
        canvas->FillEllipse({ 0, 0, 4, 4 }, 1);
        EXPECT_EQ(bitmap.GetScanline(2)[2], kBlue);
    }
    DefaultCanvasClass = previous;
}

// ---- dash presets -------------------------------------------------------------------------

TEST(TwzCanvasDash, PresetsCustomAndRepeatedStyles)
{
    struct Case {
        TwzStrokeDash style;
        std::vector<float> dash;
    };
    const Case cases[] = {
        { wzDashDash, { 3, 1 } },
        { wzDashDot, { 1, 1 } },
        { wzDashDashDot, { 3, 1, 1, 1 } },
        { wzDashDashDotDot, { 3, 1, 1, 1, 1, 1 } },
        { wzDashSolid, {} },
    };
    TwzCanvasGdiPlus canvas(1, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(rtl::EnumName(c.style)));
        canvas.SetDashOffset(2);
        canvas.SetStrokeDash(c.style);
        EXPECT_EQ(canvas.Dash(), c.dash);
        EXPECT_EQ(canvas.GetDashOffset(), 0);
    }
    canvas.SetStrokeDash(wzDashDash);
    canvas.SetDashOffset(0.5f);
    canvas.SetStrokeDash(wzDashDash);
    EXPECT_EQ(canvas.GetDashOffset(), 0.5f) << "the same style again changes nothing";
    canvas.SetStrokeDash(wzDashCustom);
    EXPECT_EQ(canvas.Dash(), (std::vector<float> { 3, 1 })) << "custom keeps the pattern";
    EXPECT_EQ(canvas.GetDashOffset(), 0.5f);
}

// ---- fills --------------------------------------------------------------------------------

TEST_F(CanvasTest, SolidFillScalesAlphaByOpacity)
{
    struct Case {
        float opacity;
        uint8_t alpha;
    };
    for (const Case& c : { Case { 1, 255 }, { 0.5f, 127 }, { 2, 255 }, { 0, 0 } }) {
        SCOPED_TRACE(c.opacity);
        canvas.ClearRect({ 0, 0, 32, 32 }, 0);
        canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, c.opacity);
        EXPECT_NEAR(Alpha(Pixel(16, 16)), c.alpha, 1);
    }
}

TEST_F(CanvasTest, NoneBrushesDrawNothing)
{
    canvas.GetFill().SetStyle(wzBrushNone);
    canvas.GetStroke().SetStyle(wzBrushNone);
    canvas.SetStrokeThickness(4);
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    canvas.FillEllipse({ 0, 0, 32, 32 }, 1);
    canvas.DrawRect({ 4, 4, 28, 28 }, 0, 0, {}, 1);
    canvas.DrawLine({ 0, 16 }, { 32, 16 }, 1);
    canvas.DrawEllipse({ 4, 4, 28, 28 }, 1);
    canvas.FillText({ 0, 0, 32, 32 }, { 0, 0, 32, 32 }, u"Hg", false, 1);
    EXPECT_EQ(Inked(), 0);
}

TEST_F(CanvasTest, LinearGradientRunsOverTheShapeAndMirrorsBeyondItsEnd)
{
    TwzBrush& fill = canvas.GetFill();
    fill.SetStyle(wzBrushGradient);
    TwzGradient& gradient = *fill.GetGradient();
    gradient.GetPoints()->GetPoint(0)->SetColorValue(kRed);
    gradient.GetPoints()->GetPoint(1)->SetColorValue(kBlue);
    // From x = 0 to x = 16 over a 32-wide rectangle: red, blue in the middle, red again.
    gradient.GetStopPosition()->SetPoint({ 0.5f, 0 });
    canvas.FillRect({ 0, 0, 32, 8 }, 0, 0, {}, 1);
    EXPECT_GT(Red(Pixel(0, 4)), 240);
    EXPECT_GT(Blue(Pixel(16, 4)), 240);
    EXPECT_GT(Red(Pixel(31, 4)), 230) << "mirrored beyond the stop";
    EXPECT_NEAR(Red(Pixel(8, 4)), 128, 16);
}

TEST_F(CanvasTest, FillGradientStopsAreExtendedToBothEnds)
{
    TwzBrush& fill = canvas.GetFill();
    fill.SetStyle(wzBrushGradient);
    TwzGradientPoints& points = *fill.GetGradient()->GetPoints();
    points.GetPoint(0)->SetColorValue(kRed);
    points.GetPoint(0)->SetOffset(0.25f);
    points.GetPoint(1)->SetColorValue(kBlue);
    points.GetPoint(1)->SetOffset(0.75f);
    canvas.FillRect({ 0, 0, 32, 8 }, 0, 0, {}, 0.5f);
    EXPECT_EQ(Pixel(2, 4), 0x7F7F0000u) << "red before the first stop, half transparent";
    EXPECT_EQ(Pixel(30, 4), 0x7F00007Fu) << "blue after the last stop";
}

TEST_F(CanvasTest, GradientsWithFewStopsOrWithoutExtentFallBack)
{
    TwzBrush& fill = canvas.GetFill();
    fill.SetSolidColor(kGreen);
    fill.SetStyle(wzBrushGradient);
    TwzGradientPoints& points = *fill.GetGradient()->GetPoints();
    points.Delete(1);
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Pixel(16, 16), kGreen) << "one stop: the brush's solid colour";

    points.Add(kBlue, 1);
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    fill.GetGradient()->GetStopPosition()->SetPoint({ 0, 0 });
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Inked(), 0) << "start and stop in one point: no gradient to fill with";
    canvas.GetFill().SetStyle(wzBrushSolid);
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Pixel(16, 16), kGreen) << "the canvas still draws";
}

TEST_F(CanvasTest, RadialGradientIsRimToCentreInsideTheEllipse)
{
    TwzBrush& fill = canvas.GetFill();
    fill.SetStyle(wzBrushGradient);
    fill.GetGradient()->SetStyle(wzRadialGradient);
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_GT(Red(Pixel(16, 16)), 220) << "white in the centre";
    EXPECT_LT(Red(Pixel(16, 1)), 60) << "black at the rim";
    EXPECT_EQ(Pixel(0, 0), 0u) << "the corners outside the ellipse stay transparent";
}

class BitmapBrushTest : public CanvasTest {
protected:
    BitmapBrushTest()
    {
        // 4 x 4 picture: two red columns, then two blue ones.
        TwzBitmap& picture = *canvas.GetFill().GetBitmap()->GetBitmap();
        picture.SetSize(4, 4);
        for (int y = 0; y < 4; ++y) {
            picture.GetScanline(y)[0] = picture.GetScanline(y)[1] = kRed;
            picture.GetScanline(y)[2] = picture.GetScanline(y)[3] = kBlue;
        }
        canvas.GetFill().SetStyle(wzBrushBitmap);
    }
};

TEST_F(BitmapBrushTest, WrapModesTileMirrorAndStretch)
{
    struct Case {
        TwzWrapMode wrap;
        uint32_t x0, x2, x4, x6; // pixels 0, 2, 4 and 6 of a row
    };
    const Case cases[] = {
        { wzWrapTile, kRed, kBlue, kRed, kBlue },
        { wzWrapTileOriginal, kRed, kBlue, kBlue, kRed },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.wrap));
        canvas.GetFill().GetBitmap()->SetWrapMode(c.wrap);
        canvas.SetStrokeThickness(0);
        canvas.FillRect({ 0, 0, 8, 8 }, 0, 0, {}, 0.5f);
        EXPECT_EQ(Hex(Pixel(0, 4)), Hex(c.x0)) << "pictures ignore the opacity";
        EXPECT_EQ(Hex(Pixel(2, 4)), Hex(c.x2));
        EXPECT_EQ(Hex(Pixel(4, 4)), Hex(c.x4));
        EXPECT_EQ(Hex(Pixel(6, 4)), Hex(c.x6));
    }
    // Stretched: one picture over the rectangle widened by half the pen width.
    canvas.GetFill().GetBitmap()->SetWrapMode(wzWrapTileStretch);
    canvas.SetStrokeThickness(0);
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Hex(Pixel(8, 16)), Hex(kRed));
    EXPECT_EQ(Hex(Pixel(24, 16)), Hex(kBlue));
    EXPECT_EQ(Pixel(31, 16) & 0xFF0000, 0u) << "one picture: no red tile after the blue";
}

TEST_F(CanvasTest, ResourceBrushBecomesACopyOfTheResourceBrush)
{
    FakeResourcesScope resources;
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "accent"));
    object->brush = new TwzBrush(wzBrushSolid, kWhite);
    object->brush->SetSolidColor(kBlue);
    TwzBrush& fill = canvas.GetFill();
    fill.SetStyle(wzBrushResource);
    fill.GetResource()->SetResourceName("accent");
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Pixel(16, 16), kBlue);
    EXPECT_EQ(fill.GetStyle(), wzBrushSolid);

    canvas.GetStroke().SetStyle(wzBrushResource);
    canvas.GetStroke().GetResource()->SetResourceName("missing");
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.SetStrokeThickness(4);
    canvas.DrawLine({ 0, 16 }, { 32, 16 }, 1);
    EXPECT_EQ(Inked(), 0) << "a resource that finds no brush paints transparent";
}

TEST_F(CanvasTest, VisualBrushPaintsTheObjectInsideTheClipAndPutsTheCanvasBack)
{
    struct Call {
        TwzRect rect;
        float opacity;
    };
    static std::vector<Call> calls;
    static float objectOpacity;
    calls.clear();
    objectOpacity = 0.75f;
    canvasvisuals::Painter painter;
    painter.getOpacity = [](rtl::TComponent*) { return objectOpacity; };
    painter.setOpacity = [](rtl::TComponent*, float v) { objectOpacity = v; };
    painter.paintTo = [](rtl::TComponent*, TwzCanvas& target, const TwzRect& r) {
        calls.push_back({ r, objectOpacity });
        // The object paints everything with strokes and fills of its own.
        target.GetFill().SetStyle(wzBrushSolid);
        target.GetFill().SetSolidColor(kGreen);
        target.GetStroke().SetSolidColor(kBlue);
        target.SetStrokeThickness(9);
        target.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    };
    canvasvisuals::InstallPainter(painter);

    FakeResourcesScope resources;
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "pic"));
    canvas.GetFill().SetStyle(wzBrushVisual);
    canvas.GetFill().GetVisual()->SetVisualObject(object.get());
    canvas.FillEllipse({ 8, 8, 24, 24 }, 0.5f);
    canvasvisuals::InstallPainter({});

    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rect, (TwzRect { 8, 8, 24, 24 }));
    EXPECT_EQ(calls[0].opacity, 0.5f);
    EXPECT_EQ(objectOpacity, 0.75f) << "the object's own opacity comes back";
    EXPECT_EQ(Pixel(16, 16), kGreen);
    EXPECT_EQ(Pixel(9, 9), 0u) << "painted through the ellipse";
    EXPECT_EQ(Pixel(2, 16), 0u);
    EXPECT_EQ(canvas.GetStroke().GetSolidColor(), kBlack) << "the canvas's stroke comes back";
    EXPECT_EQ(canvas.GetStrokeThickness(), 1);
    EXPECT_EQ(canvas.GetFill().GetStyle(), wzBrushVisual) << "the saved state brings the fill back";
}

TEST_F(CanvasTest, AVisualBrushPaintingItselfEndsInsteadOfRecursingForever)
{
    static int depth;
    depth = 0;
    canvasvisuals::Painter painter;
    painter.paintTo = [](rtl::TComponent*, TwzCanvas& target, const TwzRect& r) {
        ++depth;
        target.FillRect(r, 0, 0, {}, 1); // the object's fill is the same visual brush
    };
    canvasvisuals::InstallPainter(painter);
    FakeResourcesScope resources;
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "self"));
    canvas.GetFill().SetStyle(wzBrushVisual);
    canvas.GetFill().GetVisual()->SetVisualObject(object.get());
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    canvasvisuals::InstallPainter({});
    EXPECT_GE(depth, 1);
    EXPECT_LE(depth, 16);
    EXPECT_TRUE(canvas.SaveStates().empty() || canvas.SaveStates().front().StateId == -1)
        << "every state saved on the way down was restored";
}

// ---- pens ---------------------------------------------------------------------------------

TEST_F(CanvasTest, CapsDecideWhetherLinesReachBeyondTheirEnds)
{
    canvas.GetStroke().SetSolidColor(kRed);
    canvas.SetStrokeThickness(6);
    canvas.SetStrokeCap(wzCapFlat);
    canvas.DrawLine({ 10, 16 }, { 22, 16 }, 1);
    EXPECT_EQ(Pixel(8, 16), 0u);
    EXPECT_EQ(Pixel(16, 16), kRed);
    canvas.SetStrokeCap(wzCapRound);
    canvas.DrawLine({ 10, 16 }, { 22, 16 }, 1);
    EXPECT_EQ(Pixel(8, 16), kRed) << "a round cap reaches half the width beyond the end";
    EXPECT_EQ(Pixel(7, 12), 0u) << "but not into the corner";
}

TEST_F(CanvasTest, JoinsShapeTheCornerOfAClosedOutline)
{
    struct Case {
        TwzStrokeJoin join;
        bool cornerInked; // the outer corner pixel of a thick square
    };
    for (const Case& c : { Case { wzJoinMiter, true }, { wzJoinBevel, false }, { wzJoinRound, false } }) {
        SCOPED_TRACE(int(c.join));
        canvas.ClearRect({ 0, 0, 32, 32 }, 0);
        canvas.SetStrokeThickness(8);
        canvas.SetStrokeJoin(c.join);
        canvas.DrawRect({ 8, 8, 24, 24 }, 0, 0, {}, 1);
        EXPECT_EQ(Alpha(Pixel(4, 4)) > 127, c.cornerInked);
        EXPECT_EQ(Pixel(8, 16), kBlack);
    }
}

TEST_F(CanvasTest, DashPatternsAreMultiplesOfThePenWidth)
{
    canvas.SetStrokeThickness(2);
    canvas.SetStrokeDash(wzDashDash); // dash 6, gap 2
    canvas.DrawLine({ 0, 16 }, { 32, 16 }, 1);
    EXPECT_EQ(Pixel(3, 16), kBlack);
    EXPECT_EQ(Pixel(7, 16), 0u);
    EXPECT_EQ(Pixel(9, 16), kBlack);

    // The pattern alone decides: a caller's pattern under wzDashSolid still dashes.
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.SetStrokeDash(wzDashSolid);
    canvas.Dash() = { 1, 1 };
    canvas.DrawLine({ 0, 16 }, { 32, 16 }, 1);
    EXPECT_EQ(Pixel(1, 16), kBlack);
    EXPECT_EQ(Pixel(3, 16), 0u);
}

TEST_F(CanvasTest, ZeroWidthStrokesAreOnePixelWideUnderAnyScale)
{
    canvas.SetStrokeThickness(0);
    canvas.SetMatrix(Scaling(4, 4));
    canvas.DrawLine({ 0, 4.125f }, { 8, 4.125f }, 1);
    int rows = 0;
    for (int y = 0; y < 32; ++y)
        rows += Alpha(Pixel(20, y)) > 0;
    EXPECT_EQ(rows, 1);
}

// ---- state --------------------------------------------------------------------------------

TEST_F(CanvasTest, SavedStatesAreNumberedAndReused)
{
    EXPECT_EQ(canvas.SaveState(), 0);
    EXPECT_EQ(canvas.SaveState(), 1);
    canvas.RestoreState(0);
    EXPECT_EQ(canvas.SaveState(), 0) << "a free entry is used again";
    canvas.RestoreState(5);
    canvas.RestoreState(-1);
}

TEST_F(CanvasTest, RestoreBringsBackMatrixBrushesPenAndFont)
{
    canvas.SetMatrix(Translation(4, 0));
    canvas.SetStrokeDash(wzDashSolid);
    const int32_t state = canvas.SaveState();
    canvas.MultiplyMatrix(Scaling(2, 2));
    canvas.GetFill().SetSolidColor(kBlue);
    canvas.SetStrokeDash(wzDashDot);
    canvas.SetStrokeThickness(7);
    canvas.GetFont().SetSize(30);
    canvas.RestoreState(state);

    EXPECT_EQ(canvas.GetFill().GetSolidColor(), kRed);
    EXPECT_TRUE(canvas.Dash().empty());
    EXPECT_EQ(canvas.GetStrokeDash(), wzDashSolid);
    EXPECT_EQ(canvas.GetStrokeThickness(), 1);
    EXPECT_EQ(canvas.GetFont().GetSize(), 11);
    // The saved matrix is in force again, not the scale multiplied in after the save.
    canvas.FillRect({ 0, 0, 4, 4 }, 0, 0, {}, 1);
    EXPECT_EQ(Pixel(5, 2), kRed);
    EXPECT_EQ(Pixel(9, 2), 0u);
    EXPECT_EQ(Pixel(1, 2), 0u);
}

TEST_F(CanvasTest, RestoringAnOlderStateFirstStillRestoresTheYoungerOnesFields)
{
    const int32_t older = canvas.SaveState();
    canvas.IntersectClipRect({ 0, 0, 8, 8 });
    canvas.SetStrokeThickness(3);
    const int32_t younger = canvas.SaveState();
    canvas.SetStrokeThickness(5);
    canvas.RestoreState(older);
    EXPECT_EQ(canvas.GetStrokeThickness(), 1);
    canvas.RestoreState(younger);
    EXPECT_EQ(canvas.GetStrokeThickness(), 3);
    // The clip went with the older state.
    canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(Pixel(20, 20), kRed);
}

// ---- clipping -----------------------------------------------------------------------------

TEST_F(CanvasTest, ClipsIntersectExcludeReplaceAndReset)
{
    struct Case {
        const char* name;
        void (*clip)(TwzCanvas&);
        std::vector<std::pair<int, int>> inked, clear;
    };
    const Case cases[] = {
        { "intersect",
            [](TwzCanvas& c) {
                c.IntersectClipRect({ 4, 4, 12, 12 });
            },
            { { 4, 4 }, { 11, 11 } }, { { 3, 3 }, { 12, 12 } } },
        { "intersect twice",
            [](TwzCanvas& c) {
                c.IntersectClipRect({ 0, 0, 16, 16 });
                c.IntersectClipRect({ 8, 8, 32, 32 });
            },
            { { 8, 8 }, { 15, 15 } }, { { 7, 7 }, { 16, 16 } } },
        { "exclude",
            [](TwzCanvas& c) {
                c.ExcludeClipRect({ 4, 4, 12, 12 });
            },
            { { 3, 3 }, { 12, 12 } }, { { 4, 4 }, { 11, 11 } } },
        { "union of rectangles",
            [](TwzCanvas& c) {
                const TwzRect rects[] = { { 0, 0, 4, 4 }, { 28, 28, 32, 32 } };
                c.SetClipRects(rects);
            },
            { { 0, 0 }, { 31, 31 } }, { { 16, 16 }, { 4, 4 } } },
        { "no rectangles", [](TwzCanvas& c) { c.SetClipRects({}); }, {}, { { 0, 0 }, { 16, 16 } } },
        { "reset",
            [](TwzCanvas& c) {
                c.SetClipRects({});
                c.ResetClipRect();
            },
            { { 0, 0 }, { 16, 16 } }, {} },
        { "under a transform",
            [](TwzCanvas& c) {
                c.SetMatrix(Scaling(2, 2));
                c.IntersectClipRect({ 2, 2, 6, 6 });
                c.SetMatrix(IdentityMatrix);
            },
            { { 4, 4 }, { 11, 11 } }, { { 3, 3 }, { 12, 12 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.ResetClipRect();
        canvas.ClearRect({ 0, 0, 32, 32 }, 0);
        c.clip(canvas);
        canvas.FillRect({ 0, 0, 32, 32 }, 0, 0, {}, 1);
        for (auto [x, y] : c.inked)
            EXPECT_EQ(Pixel(x, y), kRed) << x << ", " << y;
        for (auto [x, y] : c.clear)
            EXPECT_EQ(Pixel(x, y), 0u) << x << ", " << y;
    }
}

// ---- matrices and hostile input -----------------------------------------------------------

TEST_F(CanvasTest, MatricesMoveAndScaleWhatIsDrawn)
{
    canvas.SetMatrix(Translation(10, 0));
    canvas.MultiplyMatrix(Scaling(2, 2)); // applied before the translation
    canvas.FillRect({ 0, 0, 4, 4 }, 0, 0, {}, 1);
    EXPECT_EQ(Pixel(9, 4), 0u);
    EXPECT_EQ(Pixel(10, 4), kRed);
    EXPECT_EQ(Pixel(17, 7), kRed);
    EXPECT_EQ(Pixel(18, 4), 0u);
    EXPECT_EQ(canvas.GetMatrix(), Translation(10, 0)) << "multiplying leaves Matrix alone";
}

TEST_F(CanvasTest, NoInputLeavesTheCanvasUnableToDraw)
{
    const TwzMatrix zero {};
    const TwzMatrix nan { kNaN, 0, 0, 0, kNaN, 0, 0, 0, 1 };
    TwzPathData empty, line;
    line.MoveTo({ 0, 0 });
    line.LineTo({ 10, 0 });
    const TwzPolygon oneMarker { TwzPathData::kFigureEnd };
    struct Case {
        const char* name;
        std::function<void(TwzCanvasGdiPlus&)> abuse;
    };
    const Case cases[] = {
        { "all-zero matrix", [&](TwzCanvasGdiPlus& c) { c.SetMatrix(zero); } },
        { "matrix of NaN", [&](TwzCanvasGdiPlus& c) { c.SetMatrix(nan); } },
        { "multiplied by zero", [&](TwzCanvasGdiPlus& c) { c.MultiplyMatrix(zero); } },
        { "restore after a zero matrix",
            [&](TwzCanvasGdiPlus& c) {
                c.SetMatrix(zero);
                const int32_t s = c.SaveState();
                c.RestoreState(s);
            } },
        { "negative dash",
            [&](TwzCanvasGdiPlus& c) {
                c.Dash() = { -1, 2 };
                c.DrawLine({ 0, 0 }, { 5, 5 }, 1);
            } },
        { "zero dash",
            [&](TwzCanvasGdiPlus& c) {
                c.Dash() = { 0, 0 };
                c.DrawRect({ 0, 0, 5, 5 }, 0, 0, {}, 1);
            } },
        { "huge dash",
            [&](TwzCanvasGdiPlus& c) {
                c.Dash() = { 1e30f, 1e-30f, kNaN };
                c.DrawEllipse({ 0, 0, 5, 5 }, 1);
            } },
        { "NaN thickness",
            [&](TwzCanvasGdiPlus& c) {
                c.SetStrokeThickness(kNaN);
                c.DrawLine({ 0, 0 }, { 5, 5 }, 1);
            } },
        { "empty and flat paths",
            [&](TwzCanvasGdiPlus& c) {
                c.FillPath(empty, { 0, 0, 10, 10 }, 1);
                c.DrawPath(empty, { 0, 0, 10, 10 }, 1);
                c.FillPath(line, { 0, 0, 0, 0 }, 1);
                c.FillPolygon({}, 1);
                c.FillPolygon(oneMarker, 1);
                c.DrawPolygon(oneMarker, 1);
            } },
        { "shapes of no or negative size",
            [&](TwzCanvasGdiPlus& c) {
                c.FillRect({ 10, 10, 0, 0 }, 5, 5, AllCorners, 1);
                c.FillEllipse({ 5, 5, 5, 5 }, 1);
                c.DrawRect({ 10, 10, -5, -5 }, 3, 3, AllCorners, 1);
                c.FillText({ 0, 0, -5, -5 }, {}, u"x", true, 1);
            } },
        { "NaN shapes",
            [&](TwzCanvasGdiPlus& c) {
                c.FillRect({ kNaN, 0, 10, 10 }, kNaN, 2, AllCorners, kNaN);
                c.DrawLine({ kNaN, 0 }, { 1, 1 }, 1);
                c.IntersectClipRect({ kNaN, kNaN, kNaN, kNaN });
                c.ExcludeClipRect({ kNaN, kNaN, kNaN, kNaN });
                c.DrawBitmap(nullptr, {}, {}, 1);
            } },
        { "thumbnail of width 0",
            [&](TwzCanvasGdiPlus& c) {
                TwzBitmap picture(2, 2);
                c.DrawThumbnail(&picture, 0, 0);
            } },
        { "unbalanced saves",
            [&](TwzCanvasGdiPlus& c) {
                for (int i = 0; i < 5; ++i)
                    (void)c.SaveState();
                c.RestoreState(0);
                c.RestoreState(3);
                c.RestoreState(0);
            } },
        { "radial gradient squeezed to nothing",
            [&](TwzCanvasGdiPlus& c) {
                c.GetFill().SetStyle(wzBrushGradient);
                c.GetFill().GetGradient()->SetStyle(wzRadialGradient);
                c.GetFill().GetGradient()->GetRadialTransform()->GetScale()->SetPoint({ 0, 0 });
                c.FillRect({ 0, 0, 16, 16 }, 0, 0, {}, 1);
                c.GetFill().SetStyle(wzBrushSolid);
            } },
        { "stretched picture over no width",
            [&](TwzCanvasGdiPlus& c) {
                c.GetFill().SetStyle(wzBrushBitmap);
                c.GetFill().GetBitmap()->SetWrapMode(wzWrapTileStretch);
                c.FillRect({ 4, 4, 4, 12 }, 0, 0, {}, 1);
                c.GetStroke().SetStyle(wzBrushBitmap);
                c.GetStroke().GetBitmap()->SetWrapMode(wzWrapTileStretch);
                c.DrawLine({ 4, 4 }, { 4, 12 }, 1);
                c.GetFill().SetStyle(wzBrushSolid);
            } },
        { "huge text",
            [&](TwzCanvasGdiPlus& c) {
                c.GetFont().SetSize(1e30f);
                c.FillText({ 0, 0, 10, 10 }, {}, u"x", false, 1);
                c.GetFont().SetSize(11);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzCanvasGdiPlus target(16, 16);
        target.SetMatrix(IdentityMatrix);
        target.ClearRect({ 0, 0, 16, 16 }, 0);
        c.abuse(target);
        // Whatever happened, plain drawing afterwards still lands.
        target.ResetClipRect();
        target.SetMatrix(IdentityMatrix);
        target.Dash().clear();
        target.SetStrokeThickness(1);
        target.GetFill().SetSolidColor(kGreen);
        target.FillRect({ 0, 0, 16, 16 }, 0, 0, {}, 1);
        EXPECT_EQ(target.GetBufferSurface()->Pixel(8, 8), kGreen);
    }
}

// ---- shapes and path data -----------------------------------------------------------------

TEST_F(CanvasTest, ShapedCornersCutTheRectangleCorner)
{
    struct Case {
        TwzCorners corners;
        TwzCornerType type;
        bool topLeftInked, topRightInked;
    };
    const Case cases[] = {
        { { wzCornerTopLeft }, wzCornerRound, false, true },
        { { wzCornerTopLeft }, wzCornerBevel, false, true },
        { AllCorners, wzCornerInnerRound, false, false },
        { AllCorners, wzCornerInnerLine, false, false },
        { {}, wzCornerRound, true, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.type));
        canvas.ClearRect({ 0, 0, 32, 32 }, 0);
        canvas.FillRect({ 0, 0, 32, 32 }, 10, 10, c.corners, 1, c.type);
        EXPECT_EQ(Alpha(Pixel(1, 1)) > 127, c.topLeftInked);
        EXPECT_EQ(Alpha(Pixel(30, 1)) > 127, c.topRightInked);
        EXPECT_EQ(Pixel(16, 16), kRed);
    }
    // Inner round corners curve into the rectangle: the point near the corner on the
    // diagonal stays empty further in than for a round corner.
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.FillRect({ 0, 0, 32, 32 }, 10, 10, AllCorners, 1, wzCornerInnerRound);
    EXPECT_EQ(Alpha(Pixel(5, 5)), 0);
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.FillRect({ 0, 0, 32, 32 }, 10, 10, AllCorners, 1, wzCornerRound);
    EXPECT_EQ(Pixel(5, 5), kRed);
}

TEST_F(CanvasTest, TooLargeARadiusEndsAtTheMiddleOfTheSide)
{
    canvas.FillRect({ 0, 0, 32, 16 }, 80, 80, { wzCornerTopLeft, wzCornerTopRight }, 1, wzCornerBevel);
    // Two bevels meeting in the middle of the top side (radii 16 and 8): a roof.
    EXPECT_GT(Alpha(Pixel(16, 1)), 127);
    EXPECT_EQ(Pixel(3, 1), 0u);
    EXPECT_EQ(Pixel(28, 1), 0u);
    EXPECT_EQ(Pixel(1, 15), kRed);
}

TEST_F(CanvasTest, PathsAreStretchedFromTheirBoundsOntoTheRectangle)
{
    TwzPathData path;
    path.MoveTo({ 0, 0 });
    path.LineTo({ 10, 0 });
    path.LineTo({ 10, 10 });
    path.LineTo({ 0, 10 });
    path.ClosePath();
    canvas.FillPath(path, { 0, 0, 30, 15 }, 1);
    EXPECT_EQ(Pixel(29, 14), kRed);
    EXPECT_EQ(Pixel(30, 16), 0u);
    EXPECT_EQ(Inked(), 30 * 15);
}

TEST_F(CanvasTest, DrawPathStrokesEverySegmentOnItsOwn)
{
    TwzPathData path;
    path.MoveTo({ 4, 4 });
    path.LineTo({ 28, 4 });
    path.LineTo({ 28, 28 });
    path.ClosePath();
    canvas.SetStrokeThickness(6);
    canvas.SetStrokeJoin(wzJoinMiter);
    canvas.DrawPath(path, path.GetBounds(), 1);
    // A single stroke would fill the outer corner with its miter; separate segments leave it.
    EXPECT_EQ(Pixel(30, 2), 0u);
    EXPECT_EQ(Pixel(16, 4), kBlack);
    EXPECT_EQ(Pixel(28, 16), kBlack);
    EXPECT_EQ(Pixel(16, 16), kBlack) << "the close element strokes back to the start";
}

TEST_F(CanvasTest, PtInPathTestsInsideTheRectangleByTheEvenOddRule)
{
    TwzPathData ring;
    ring.AddEllipse({ 0, 0, 100, 100 });
    ring.AddEllipse({ 25, 25, 75, 75 });
    const TwzRect r { 0, 0, 10, 10 };
    struct Case {
        TwzPoint p;
        bool inside;
    };
    for (const Case& c :
        { Case { { 1, 5 }, true }, { { 5, 5 }, false }, { { 11, 5 }, false }, { { 0, 0 }, false } }) {
        SCOPED_TRACE(std::to_string(c.p.X) + ", " + std::to_string(c.p.Y));
        EXPECT_EQ(canvas.PtInPath(c.p, r, ring), c.inside);
    }
    TwzPathData square;
    square.MoveTo({ 0, 0 });
    square.LineTo({ 1, 0 });
    square.LineTo({ 1, 1 });
    square.LineTo({ 0, 1 });
    square.ClosePath();
    EXPECT_TRUE(canvas.PtInPath({ 0, 5 }, r, square)) << "on R's edge: the path decides";
    EXPECT_FALSE(canvas.PtInPath({ 5, 5 }, r, TwzPathData()));
}

TEST_F(CanvasTest, PolygonsCloseAtMarkersAndFillsAlsoAtTheirLastPoint)
{
    const TwzPoint a { 2, 2 }, b { 30, 2 }, c { 16, 30 };
    struct Case {
        const char* name;
        TwzPolygon points;
        bool fill;
        int minInked, maxInked;
    };
    const Case cases[] = {
        { "unmarked fill: the line A-B closed", { a, b, c }, true, 0, 0 },
        { "repeated start", { a, b, c, a }, true, 300, 500 },
        { "marker", { a, b, c, TwzPathData::kFigureEnd }, true, 300, 500 },
        { "unmarked outline stays open", { a, b, c }, false, 40, 90 },
        { "marked outline closes", { a, b, c, TwzPathData::kFigureEnd }, false, 80, 140 },
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        canvas.ClearRect({ 0, 0, 32, 32 }, 0);
        if (k.fill)
            canvas.FillPolygon(k.points, 1);
        else
            canvas.DrawPolygon(k.points, 1);
        const int inked = Inked();
        EXPECT_GE(inked, k.minInked);
        EXPECT_LE(inked, k.maxInked);
    }
}

TEST_F(CanvasTest, RectSidesStrokeOnlyTheChosenSidesButEveryShapedCorner)
{
    canvas.SetStrokeThickness(2);
    canvas.DrawRectSides({ 4, 4, 28, 28 }, 0, 0, {}, 1, { wzSideTop });
    EXPECT_EQ(Pixel(16, 4), kBlack);
    EXPECT_EQ(Pixel(4, 16), 0u);
    EXPECT_EQ(Pixel(28, 16), 0u);
    EXPECT_EQ(Pixel(16, 28), 0u);

    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.DrawRectSides({ 4, 4, 28, 28 }, 8, 8, AllCorners, 1, { wzSideTop }, wzCornerRound);
    EXPECT_EQ(Pixel(16, 28), 0u) << "bottom side left out";
    EXPECT_GT(Inked(0, 20, 10, 32), 0) << "the bottom-left corner curve is drawn";
    EXPECT_GT(Inked(22, 20, 32, 32), 0);
}

TEST_F(CanvasTest, ArcsAreFilledAndStrokedWhereTheyLie)
{
    canvas.FillArc({ 16, 16 }, { 12, 12 }, 0, 90, 1);
    EXPECT_EQ(Pixel(23, 23), kRed) << "a quarter clockwise from three o'clock";
    EXPECT_EQ(Pixel(8, 8), 0u);
    canvas.ClearRect({ 0, 0, 32, 32 }, 0);
    canvas.SetStrokeThickness(2);
    canvas.DrawArc({ 16, 16 }, { 12, 12 }, 180, 90, 1);
    EXPECT_GT(Inked(0, 0, 16, 16), 10);
    EXPECT_EQ(Inked(16, 16, 32, 32), 0);
}

// ---- pictures -----------------------------------------------------------------------------

TEST_F(CanvasTest, DrawBitmapScalesWithOpacity)
{
    TwzBitmap picture(2, 2);
    picture.Clear(kBlue);
    struct Case {
        float opacity;
        uint32_t pixel;
    };
    for (const Case& c : { Case { 1, kBlue }, { 1.5f, kBlue }, { 0.5f, 0x7F00007F }, { 0, 0 }, { -1, 0 } }) {
        SCOPED_TRACE(c.opacity);
        canvas.ClearRect({ 0, 0, 32, 32 }, 0);
        canvas.DrawBitmap(&picture, { 0, 0, 2, 2 }, { 4, 4, 20, 20 }, c.opacity, true);
        EXPECT_NEAR(Alpha(Pixel(12, 12)), Alpha(c.pixel), 1);
        EXPECT_NEAR(Blue(Pixel(12, 12)), Blue(c.pixel), 1);
        EXPECT_EQ(Pixel(2, 2), 0u);
    }
}

TEST(TwzCanvasThumbnail, DrawsOnBitmapCanvasesAtTheWidthAndKeepsTheScale)
{
    TwzBitmap picture(40, 20);
    picture.Clear(kRed);
    TwzBitmap target(32, 32);
    TwzCanvasGdiPlus canvas(&target);
    canvas.SetMatrix(IdentityMatrix);
    canvas.DrawThumbnail(&picture, 10, 999);
    EXPECT_EQ(target.GetScanline(2)[8], kRed);
    EXPECT_EQ(target.GetScanline(2)[11], 0u) << "a quarter of the width";
    EXPECT_EQ(target.GetScanline(6)[2], 0u) << "and of the height";
    canvas.GetFill().SetSolidColor(kBlue);
    canvas.FillRect({ 0, 24, 8, 32 }, 0, 0, {}, 1);
    EXPECT_EQ(target.GetScanline(7)[1], kBlue);
    EXPECT_EQ(target.GetScanline(26)[1], 0u) << "the quarter scale stays in force";

    TwzCanvasGdiPlus buffered(32, 32);
    buffered.SetMatrix(IdentityMatrix);
    buffered.ClearRect({ 0, 0, 32, 32 }, 0);
    buffered.DrawThumbnail(&picture, 10, 5);
    EXPECT_EQ(buffered.GetBufferSurface()->Pixel(2, 2), 0u) << "only bitmap canvases draw thumbnails";
}

TEST(TwzCanvasBitmapHandle, FollowsTheBitmapsPixelsAndGoesWithThem)
{
    auto picture = std::make_unique<TwzBitmap>(4, 4);
    picture->Clear(kGreen);
    TwzCanvasGdiPlus canvas(8, 8);
    canvas.SetMatrix(IdentityMatrix);
    canvas.DrawBitmap(picture.get(), { 0, 0, 4, 4 }, { 0, 0, 8, 8 }, 1);
    EXPECT_NE(picture->GetHandle(), 0u);
    EXPECT_FALSE(picture->GetNeedUpdate());
    picture->SetSize(2, 2); // the cached surface is released before the pixels go
    EXPECT_EQ(picture->GetHandle(), 0u);
    picture->Clear(kBlue);
    canvas.DrawBitmap(picture.get(), { 0, 0, 2, 2 }, { 0, 0, 8, 8 }, 1);
    EXPECT_EQ(canvas.GetBufferSurface()->Pixel(4, 4), kBlue);
    picture.reset();
}

} // namespace
