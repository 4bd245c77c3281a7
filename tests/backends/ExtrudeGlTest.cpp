#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"

#include "graphics/TwzPathData.h"
#include "platform/rtl/Component.h"

#include "tests/backends/BackendTestSupport.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

constexpr TwzPoint kEnd = TwzPathData::kFigureEnd;
constexpr uint32_t kBackground = 0xFF000000;
constexpr uint32_t kInk = 0xFFFFFFFF;

TwzPolygon Square(float x0, float y0, float x1, float y1, bool clockwise)
{
    if (clockwise)
        return { { x0, y0 }, { x1, y0 }, { x1, y1 }, { x0, y1 }, { x0, y0 }, kEnd };
    return { { x0, y0 }, { x0, y1 }, { x1, y1 }, { x1, y0 }, { x0, y0 }, kEnd };
}

TwzPolygon Join(TwzPolygon a, const TwzPolygon& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Caps and walls rendered by OpenGL (llvmpipe here) into small bitmap canvases.
class ExtrudeGlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!StartOpenGl())
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
        m_bitmap = std::make_unique<ThvBitmap>(32, 32);
        m_canvas = MakeBitmapCanvas(*m_bitmap);
        ASSERT_TRUE(m_canvas->GetDevice());
    }

    void TearDown() override
    {
        m_canvas.reset();
        m_bitmap.reset();
    }

    /// A frame in pixel units: the outline's plane is the bitmap's, one unit a pixel.
    void BeginPixels()
    {
        ASSERT_TRUE(BeginFrame(*m_canvas, kBackground));
        UseColor(*m_canvas, kInk);
        m_canvas->SetState(hvStateCullNone);
        m_canvas->SetState(hvStateScreenProjection);
        m_canvas->SetMatrix(hvIdentityMatrix);
    }

    /// Fills the front cap of `points`, laid out in the whole 32 x 32 bitmap.
    void FillCap(const TwzPolygon& points)
    {
        m_canvas->FillPolygon(
            { 16, 16, 0, 1 }, { 32, 32, 0, 1 }, MakeRect(0, 0, 32, 32), points, 1, true, false, false);
    }

    uint32_t Pixel(int32_t x, int32_t y) const { return PixelOf(*m_bitmap, x, y); }

    ModuleGuard m_guard;
    std::unique_ptr<ThvBitmap> m_bitmap;
    CanvasPtr m_canvas;
};

} // namespace

TEST_F(ExtrudeGlTest, CapsFollowTheEvenOddRuleWhateverWayTheContoursRun)
{
    struct Case {
        const char* name;
        TwzPolygon points;
        std::vector<std::pair<int, int>> painted;
        std::vector<std::pair<int, int>> empty;
    };
    const Case cases[] = {
        { "a ring, both clockwise", Join(Square(4, 4, 28, 28, true), Square(12, 12, 20, 20, true)),
            { { 7, 7 }, { 24, 16 } }, { { 16, 16 }, { 1, 1 }, { 30, 16 } } },
        { "a ring, the hole the other way", Join(Square(4, 4, 28, 28, true), Square(12, 12, 20, 20, false)),
            { { 7, 7 }, { 24, 16 } }, { { 16, 16 }, { 1, 1 } } },
        { "a ring, the outline the other way",
            Join(Square(4, 4, 28, 28, false), Square(12, 12, 20, 20, true)), { { 7, 7 }, { 24, 16 } },
            { { 16, 16 }, { 1, 1 } } },
        { "two overlapping squares", Join(Square(2, 2, 20, 20, true), Square(12, 12, 30, 30, true)),
            { { 5, 5 }, { 26, 26 } }, { { 16, 16 }, { 26, 5 } } },
        // A concave outline: its fan has triangles of both windings.
        { "an L shape",
            { { 4, 4 }, { 12, 4 }, { 12, 20 }, { 28, 20 }, { 28, 28 }, { 4, 28 }, { 4, 4 }, kEnd },
            { { 8, 8 }, { 8, 24 }, { 24, 24 } }, { { 20, 10 }, { 30, 30 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BeginPixels();
        FillCap(c.points);
        m_canvas->EndScene();
        for (const auto& [x, y] : c.painted)
            EXPECT_TRUE(Near(Pixel(x, y), kInk)) << "at " << x << ", " << y;
        for (const auto& [x, y] : c.empty)
            EXPECT_TRUE(Near(Pixel(x, y), kBackground)) << "at " << x << ", " << y;
    }
}

TEST_F(ExtrudeGlTest, EachCapStartsFromAClearStencil)
{
    // A cap covering a pixel an even number of times must not leave it odd for the next one.
    BeginPixels();
    FillCap(Join(Square(4, 4, 28, 28, true), Square(12, 12, 20, 20, true)));
    UseColor(*m_canvas, 0xFF0000FF);
    FillCap(Square(14, 14, 30, 30, true));
    m_canvas->EndScene();
    EXPECT_TRUE(Near(Pixel(16, 16), 0xFF0000FF));
    EXPECT_TRUE(Near(Pixel(29, 29), 0xFF0000FF));
    EXPECT_TRUE(Near(Pixel(7, 7), kInk));
    EXPECT_TRUE(Near(Pixel(13, 13), kBackground));
}

TEST_F(ExtrudeGlTest, WallsFacingALightAreLitOnlyWhenTheOutlineRunsClockwise)
{
    // The camera looks along +Y at the wall built from the outline's bottom edge, over the
    // depth test; the light shines the same way. A wall whose normal points out of the shape
    // faces both.
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* light = new ThvLight(owner.get());
    struct Case {
        const char* name;
        bool clockwise;
        bool lit;
    };
    for (const Case& c : { Case { "clockwise", true, true }, Case { "the other way", false, false } }) {
        SCOPED_TRACE(c.name);
        m_canvas->ResetScene();
        m_canvas->SetLighting(true);
        m_canvas->SetAmbientColor(0xFF202020);
        const ThvMatrix view = FrontView();
        ThvMatrix inverse = view;
        hvInvertMatrix(inverse);
        m_canvas->SetViewMatrices(view, inverse);
        m_canvas->AddLight(light);
        ASSERT_TRUE(m_canvas->BeginScene());
        for (ThvRenderState state : { hvStateGouraud, hvStateCameraProjection, hvStateZTestOn,
                 hvStateZWriteOn, hvStateLightingOn, hvStateCullNone })
            m_canvas->SetState(state);
        m_canvas->Clear(kBackground);
        UseColor(*m_canvas, kInk, true);
        m_canvas->SetMatrix(hvIdentityMatrix);
        m_canvas->FillPolygon(
            { 0, 0, 0, 1 }, { 4, 4, 4, 1 }, {}, Square(0, 0, 1, 1, c.clockwise), 1, false, false, true);
        m_canvas->EndScene();
        const uint32_t centre = Pixel(16, 16);
        const int green = static_cast<int>((centre >> 8) & 0xFF);
        EXPECT_EQ(centre >> 24, 0xFFu);
        // Unlit by the light's direction, a wall still gets the light's own ambient part
        // ($69) and the scene's ($20).
        if (c.lit)
            EXPECT_GT(green, 230);
        else
            EXPECT_NEAR(green, 0x69 + 0x20, 8);
    }
}

namespace {

/// A circle of `count` points about (cx, cy), closed on its first point.
TwzPolygon Circle(float cx, float cy, float radius, size_t count, bool clockwise)
{
    TwzPolygon points;
    points.reserve(count + 2);
    for (size_t i = 0; i <= count; ++i) {
        const double a = 2 * 3.14159265358979 * double(i % count) / double(count) * (clockwise ? 1 : -1);
        points.push_back({ cx + radius * float(std::cos(a)), cy + radius * float(std::sin(a)) });
    }
    points.push_back(kEnd);
    return points;
}

} // namespace

TEST_F(ExtrudeGlTest, CapsOfOutlinesLargerThanTheRingsAreDrawnWhole)
{
    // 110,002 points: more than the vertex ring holds, and fans needing several index rings.
    const TwzPolygon ring = Join(Circle(16, 16, 12, 60000, true), Circle(16, 16, 5, 50000, false));
    ASSERT_GT(ring.size(), 100000u);
    BeginPixels();
    FillCap(ring);
    m_canvas->EndScene();
    for (const auto& [x, y] :
        { std::pair { 16, 6 }, { 16, 26 }, { 6, 16 }, { 26, 16 }, { 9, 9 }, { 23, 23 } })
        EXPECT_TRUE(Near(Pixel(x, y), kInk)) << "in the ring at " << x << ", " << y;
    for (const auto& [x, y] : { std::pair { 16, 16 }, { 14, 17 }, { 1, 1 }, { 30, 30 }, { 16, 30 } })
        EXPECT_TRUE(Near(Pixel(x, y), kBackground)) << "at " << x << ", " << y;
}

TEST_F(ExtrudeGlTest, WallsOfOutlinesLargerThanTheRingsAreDrawnWhole)
{
    // The lit-wall scene of the test above, once with a plain square and once with its
    // bottom edge cut into 100,000 steps: the wall the camera sees must cover the same
    // pixels, lit, with no batch missing.
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* light = new ThvLight(owner.get());
    TwzPolygon fine { { 0, 0 }, { 1, 0 }, { 1, 1 } };
    constexpr int kSteps = 100000;
    for (int i = 1; i <= kSteps; ++i)
        fine.push_back({ 1 - float(i) / kSteps, 1 });
    fine.push_back({ 0, 0 });
    fine.push_back(kEnd);
    const auto render = [&](const TwzPolygon& outline) {
        m_canvas->ResetScene();
        m_canvas->SetLighting(true);
        m_canvas->SetAmbientColor(0xFF202020);
        const ThvMatrix view = FrontView();
        ThvMatrix inverse = view;
        hvInvertMatrix(inverse);
        m_canvas->SetViewMatrices(view, inverse);
        m_canvas->AddLight(light);
        EXPECT_TRUE(m_canvas->BeginScene());
        for (ThvRenderState state : { hvStateGouraud, hvStateCameraProjection, hvStateZTestOn,
                 hvStateZWriteOn, hvStateLightingOn, hvStateCullNone })
            m_canvas->SetState(state);
        m_canvas->Clear(kBackground);
        UseColor(*m_canvas, kInk, true);
        m_canvas->SetMatrix(hvIdentityMatrix);
        m_canvas->FillPolygon({ 0, 0, 0, 1 }, { 4, 4, 4, 1 }, {}, outline, 1, false, false, true);
        m_canvas->EndScene();
    };
    const auto green = [&](int x, int y) { return static_cast<int>((Pixel(x, y) >> 8) & 0xFF); };
    render(Square(0, 0, 1, 1, true));
    struct WallPixel {
        int x, y, green;
    };
    std::vector<WallPixel> wall;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (!Near(Pixel(x, y), kBackground, 8))
                wall.push_back({ x, y, green(x, y) });
    ASSERT_GT(wall.size(), 100u);
    render(fine);
    // The fine wall's normals all face the light, the square's blend into its side walls at
    // the corners: the fine wall is at least as bright everywhere.
    for (const WallPixel& w : wall)
        EXPECT_GE(green(w.x, w.y), std::max(w.green - 8, 100)) << "at " << w.x << ", " << w.y;
}
