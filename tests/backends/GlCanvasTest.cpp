#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"

#include "tests/backends/BackendTestSupport.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

// Pixels rendered by the canvas on OpenGL (llvmpipe here), into small bitmap canvases, read
// back and compared per channel with a small tolerance.
class GlCanvasTest : public ::testing::Test {
public:
    void SetUp() override
    {
        if (!StartOpenGl())
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the canvas cannot render");
    }

    /// A bitmap canvas of W x H in its frame: cleared, the scene's default presets, depth test
    /// on, unlit, in pixel units with the identity world.
    void BeginPixels(int32_t width, int32_t height, uint32_t clear)
    {
        m_bitmap = std::make_unique<ThvBitmap>(width, height);
        m_canvas = MakeBitmapCanvas(*m_bitmap);
        ASSERT_TRUE(m_canvas->GetDevice());
        ASSERT_TRUE(BeginFrame(*m_canvas, clear));
        UseColor(*m_canvas, 0xFFFFFFFF);
        m_canvas->SetState(hvStateZTestOn);
        m_canvas->SetState(hvStateScreenProjection);
        m_canvas->SetMatrix(hvIdentityMatrix);
    }

    /// Ends the frame; the bitmap then holds it.
    void End() { m_canvas->EndScene(); }

    uint32_t Pixel(int32_t x, int32_t y) const { return PixelOf(*m_bitmap, x, y); }

    /// A quad over the pixels [x0, x1) x [y0, y1) at depth z, clockwise on screen unless asked.
    void Quad(float x0, float y0, float x1, float y1, float z, uint32_t color, bool clockwise = true,
        float u1 = 1, float v1 = 1)
    {
        const float l = x0 - 0.5f, t = y0 - 0.5f, r = x1 - 0.5f, b = y1 - 0.5f;
        const std::vector<ThvColorVertex> v { hvColorVertex(l, t, z, 0, 0, -1, color, 0, 0),
            hvColorVertex(r, t, z, 0, 0, -1, color, u1, 0), hvColorVertex(r, b, z, 0, 0, -1, color, u1, v1),
            hvColorVertex(l, b, z, 0, 0, -1, color, 0, v1) };
        const std::vector<uint16_t> cw { 0, 1, 2, 0, 2, 3 }, ccw { 0, 2, 1, 0, 3, 2 };
        m_canvas->FillTriangles(v, clockwise ? cw : ccw, 1);
    }

    /// A texture bitmap of W x H from a texel function, kept for the test.
    ThvBitmap& Texture(int32_t width, int32_t height, const std::function<uint32_t(int32_t, int32_t)>& texel)
    {
        m_textures.push_back(std::make_unique<ThvBitmap>(width, height));
        ThvBitmap& bitmap = *m_textures.back();
        uint32_t* bits = nullptr;
        bitmap.Map(bits, true);
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                bits[y * width + x] = texel(x, y);
        bitmap.Unmap();
        return bitmap;
    }

    void TearDown() override
    {
        if (m_canvas)
            m_canvas->GetMaterial()->SetTexture(nullptr);
        m_canvas.reset();
        m_textures.clear();
        m_bitmap.reset();
    }

    ModuleGuard m_guard;
    std::unique_ptr<ThvBitmap> m_bitmap;
    CanvasPtr m_canvas;
    std::vector<std::unique_ptr<ThvBitmap>> m_textures;
};

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kBlack = 0xFF000000;

} // namespace

TEST_F(GlCanvasTest, ClearedAndDrawnRowsArriveTopRowFirst)
{
    BeginPixels(8, 6, kBlue);
    Quad(0, 0, 8, 2, 0, kRed);
    Quad(7, 2, 8, 6, 0, kGreen);
    End();
    std::vector<uint32_t> copied(48);
    m_canvas->CopyBits(copied.data());
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
            const uint32_t expected = y < 2 ? kRed : x == 7 ? kGreen : kBlue;
            EXPECT_TRUE(Near(Pixel(x, y), expected, 0));
            EXPECT_EQ(copied[static_cast<size_t>(y * 8 + x)], Pixel(x, y));
        }
}

TEST_F(GlCanvasTest, LitAndUnlitCubesFacingTheCamera)
{
    struct Case {
        const char* name;
        bool lit;
        uint32_t ambient;
        int lightType; // -1: none
        float lightTurn; // about X, degrees
        ThvPoint lightPosition;
        int expected; // grey level of the face's centre
    };
    // Diffuse 128: lit = 128 x (global ambient + light ambient 105/255 + N.L x attenuation).
    const Case cases[] = {
        { "unlit", false, 0, -1, 0, {}, 128 },
        { "ambient only", true, 0xFF404040, -1, 0, {}, 32 },
        { "directional light straight on", true, 0, hvLightDirectional, 0, {}, 181 },
        { "directional light at 60 degrees", true, 0, hvLightDirectional, 60, {}, 117 },
        { "point light 10 units away", true, 0, hvLightPoint, 0, { 0, -11, 0 }, 90 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvBitmap bitmap(32, 32);
        CanvasPtr canvas = MakeBitmapCanvas(bitmap);
        rtl::TOwned<ThvLight> light(c.lightType >= 0 ? new ThvLight(nullptr) : nullptr);
        canvas->ResetScene();
        canvas->SetLighting(true);
        canvas->SetAmbientColor(c.ambient);
        const ThvMatrix view = FrontView();
        ThvMatrix inverse = view;
        hvInvertMatrix(inverse);
        canvas->SetViewMatrices(view, inverse);
        if (light) {
            light->SetLightType(static_cast<ThvLightType>(c.lightType));
            light->GetPosition()->SetPoint(c.lightPosition);
            light->GetRotateAngle()->SetX(c.lightTurn);
            canvas->AddLight(light.get());
        }
        ASSERT_TRUE(canvas->BeginScene());
        for (ThvRenderState s : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn, hvStateLightingOn,
                 hvStateFilterLinear, hvStateCullCCW })
            canvas->SetState(s);
        canvas->Clear(0x00000000);
        canvas->SetMatrix(hvIdentityMatrix);
        UseColor(*canvas, 0xFF808080, c.lit);
        canvas->FillCube({ 0, 0, 0, 1 }, { 2, 2, 2, 1 }, 1);
        canvas->EndScene();
        const uint32_t grey = 0xFF000000u | uint32_t(c.expected) * 0x010101u;
        EXPECT_TRUE(Near(PixelOf(bitmap, 16, 16), grey, 4));
        // The corners of the view stay clear: only the face towards the camera shows.
        EXPECT_EQ(PixelOf(bitmap, 1, 1), 0u);
        EXPECT_EQ(PixelOf(bitmap, 30, 30), 0u);
    }
}

TEST_F(GlCanvasTest, TexturesArePointOrLinearFilteredAndTiled)
{
    struct Case {
        const char* name;
        ThvRenderState filter;
        float tileX;
        bool rightHalf; // BitmapRect over the right column of texels
        std::vector<std::pair<int, uint32_t>> row; // x -> expected colour on row 1
    };
    const Case cases[] = {
        { "point", hvStateFilterPoint, 1, false, { { 0, kRed }, { 3, kRed }, { 4, kGreen }, { 7, kGreen } } },
        { "tiled twice", hvStateFilterPoint, 2, false,
            { { 0, kRed }, { 1, kRed }, { 2, kGreen }, { 3, kGreen }, { 4, kRed }, { 6, kGreen } } },
        { "sub-rectangle", hvStateFilterPoint, 1, true, { { 0, kGreen }, { 4, kGreen }, { 7, kGreen } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BeginPixels(8, 8, kBlack);
        ThvBitmap& texture = Texture(2, 2, [](int32_t x, int32_t) { return x == 0 ? kRed : kGreen; });
        ThvMaterial* m = m_canvas->GetMaterial();
        m->SetBitmapTileX(c.tileX);
        if (c.rightHalf) {
            m->GetBitmapRect()->Setleft(1);
            m->GetBitmapRect()->Setright(2);
            m->GetBitmapRect()->Setbottom(2);
        }
        m->SetBitmapMode(hvTexReplace);
        UseTexture(*m_canvas, &texture);
        m_canvas->SetState(c.filter);
        Quad(0, 0, 8, 8, 0, kWhite);
        End();
        for (const auto& [x, colour] : c.row)
            EXPECT_TRUE(Near(Pixel(x, 1), colour, 2)) << "x " << x;
        TearDown();
    }

    // Linear filtering blends neighbouring texels where point filtering keeps them apart.
    for (ThvRenderState filter : { hvStateFilterPoint, hvStateFilterLinear }) {
        SCOPED_TRACE(rtl::EnumName(filter));
        BeginPixels(8, 8, kBlack);
        ThvBitmap& texture = Texture(2, 2, [](int32_t x, int32_t) { return x == 0 ? kRed : kGreen; });
        m_canvas->GetMaterial()->SetBitmapMode(hvTexReplace);
        UseTexture(*m_canvas, &texture);
        m_canvas->SetState(filter);
        Quad(0, 0, 8, 8, 0, kWhite);
        End();
        const uint32_t middle = Pixel(3, 1);
        const int red = int((middle >> 16) & 0xFF);
        if (filter == hvStateFilterPoint)
            EXPECT_EQ(red, 255);
        else
            EXPECT_TRUE(red > 100 && red < 250) << std::hex << middle;
        TearDown();
    }
}

TEST_F(GlCanvasTest, TranslucentTextureBlendsAndCarriesCoverage)
{
    struct Case {
        const char* name;
        uint32_t clear;
        uint32_t expected;
    };
    // A half-covering white texel (premultiplied), blended by its alpha: colour src x a +
    // dst x (1 - a), alpha a + dst alpha x (1 - a).
    const Case cases[] = {
        { "over opaque blue", kBlue, 0xFF4040BF },
        { "over a transparent background", 0x00000000, 0x80404040 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BeginPixels(4, 4, c.clear);
        ThvBitmap& texture = Texture(1, 1, [](int32_t, int32_t) { return 0x80808080u; });
        UseTexture(*m_canvas, &texture);
        m_canvas->SetState(hvStateBlendAlpha);
        Quad(0, 0, 2, 4, 0, kWhite);
        End();
        EXPECT_TRUE(Near(Pixel(0, 0), c.expected, 3));
        EXPECT_EQ(Pixel(3, 3), c.clear) << "nothing drawn there";
        TearDown();
    }
}

TEST_F(GlCanvasTest, FullyTransparentPixelsLeaveNoDepthBehind)
{
    BeginPixels(16, 16, kBlue);
    // The invisible quad in front would hide the red one behind if the alpha test let it
    // write its depth.
    Quad(0, 0, 16, 16, 0, 0x00FFFFFF);
    Quad(0, 0, 16, 16, 50, kRed);
    End();
    EXPECT_TRUE(Near(Pixel(8, 8), kRed, 0));
}

TEST_F(GlCanvasTest, DepthTestAndDepthWrites)
{
    struct Case {
        const char* name;
        ThvRenderState test;
        ThvRenderState write; // while drawing the first quad
        bool nearFirst;
        uint32_t expected;
    };
    const Case cases[] = {
        { "near first", hvStateZTestOn, hvStateZWriteOn, true, kRed },
        { "far first", hvStateZTestOn, hvStateZWriteOn, false, kRed },
        { "no depth test: the last one wins", hvStateZTestOff, hvStateZWriteOn, true, kGreen },
        { "the near one wrote no depth", hvStateZTestOn, hvStateZWriteOff, true, kGreen },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BeginPixels(16, 16, kBlack);
        m_canvas->SetState(c.test);
        m_canvas->SetState(c.write);
        // Near is red at depth 0, far is green 50 pixels behind (smaller on screen, still
        // covering the centre).
        if (c.nearFirst)
            Quad(0, 0, 16, 16, 0, kRed);
        else
            Quad(0, 0, 16, 16, 50, kGreen);
        m_canvas->SetState(hvStateZWriteOn);
        if (c.nearFirst)
            Quad(0, 0, 16, 16, 50, kGreen);
        else
            Quad(0, 0, 16, 16, 0, kRed);
        End();
        EXPECT_TRUE(Near(Pixel(8, 8), c.expected, 0));
        TearDown();
    }
}

TEST_F(GlCanvasTest, CullingByWindingOnScreen)
{
    struct Case {
        ThvRenderState cull;
        bool clockwise;
        bool visible;
    };
    const Case cases[] = {
        { hvStateCullCCW, true, true },
        { hvStateCullCCW, false, false },
        { hvStateCullCW, true, false },
        { hvStateCullCW, false, true },
        { hvStateCullNone, true, true },
        { hvStateCullNone, false, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            std::string(rtl::EnumName(c.cull)) + (c.clockwise ? " clockwise" : " counter-clockwise"));
        BeginPixels(4, 4, kBlack);
        m_canvas->SetState(c.cull);
        Quad(0, 0, 4, 4, 0, kRed, c.clockwise);
        End();
        EXPECT_EQ(Pixel(2, 2), c.visible ? kRed : kBlack);
        TearDown();
    }
}

TEST_F(GlCanvasTest, StencilMasksAFill)
{
    BeginPixels(8, 4, kBlack);
    Device& device = *m_canvas->GetDevice();
    device.Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1, 0);
    // The left half inverts the stencil without touching the colour ...
    device.SetRenderState(D3DRS_STENCILENABLE, 1);
    device.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    device.SetRenderState(D3DRS_STENCILREF, 0);
    device.SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
    device.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
    device.SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    m_canvas->SetState(hvStateZTestOff);
    Quad(0, 0, 4, 4, 0, kGreen);
    // ... then a fill of the whole canvas lands only where the stencil was set.
    device.SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    device.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
    device.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    Quad(0, 0, 8, 4, 0, kRed);
    End();
    for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(Pixel(x, 2), x < 4 ? kRed : kBlack) << x;
}

TEST_F(GlCanvasTest, EachPresetChangesWhatItShould)
{
    struct Case {
        const char* name;
        std::function<void(GlCanvasTest&)> draw;
        std::pair<int, int> at;
        uint32_t expected;
        int tolerance;
    };
    // Half-transparent red over opaque blue.
    const auto blend = [](ThvRenderState preset) {
        return [preset](GlCanvasTest& t) {
            t.m_canvas->SetState(preset);
            t.Quad(0, 0, 8, 8, 0, 0x80FF0000);
        };
    };
    // Green vertices, a grey texture bound.
    const auto texture = [](ThvRenderState preset) {
        return [preset](GlCanvasTest& t) {
            ThvBitmap& grey = t.Texture(1, 1, [](int32_t, int32_t) { return 0xFF808080u; });
            UseTexture(*t.m_canvas, &grey);
            t.m_canvas->SetState(preset);
            t.Quad(0, 0, 8, 8, 0, kGreen);
        };
    };
    const auto fill = [](ThvRenderState preset) {
        return [preset](GlCanvasTest& t) {
            t.m_canvas->SetState(preset);
            t.Quad(1, 1, 7, 7, 0, kRed);
        };
    };
    // One triangle red, green and blue at its corners, the first red.
    const auto shade = [](ThvRenderState preset) {
        return [preset](GlCanvasTest& t) {
            t.m_canvas->SetState(preset);
            const std::vector<ThvColorVertex> v { hvColorVertex(-0.5f, -0.5f, 0, 0, 0, -1, kRed, 0, 0),
                hvColorVertex(7.5f, -0.5f, 0, 0, 0, -1, kGreen, 0, 0),
                hvColorVertex(-0.5f, 7.5f, 0, 0, 0, -1, kBlue, 0, 0) };
            t.m_canvas->FillTriangles(v, std::vector<uint16_t> { 0, 1, 2 }, 1);
        };
    };
    const auto projection = [](ThvRenderState preset) {
        return [preset](GlCanvasTest& t) {
            t.m_canvas->SetState(preset);
            t.m_canvas->SetMatrix(hvIdentityMatrix);
            t.Quad(0, 0, 4, 4, 0, kRed);
        };
    };
    const Case cases[] = {
        { "alpha blend", blend(hvStateBlendAlpha), { 4, 4 }, 0xFF80007F, 3 },
        { "additive blend", blend(hvStateBlendAdditive), { 4, 4 }, 0xFF8000FF, 3 },
        { "no texture", texture(hvStateTextureNone), { 4, 4 }, kGreen, 2 },
        { "texture replaces", texture(hvStateTextureReplace), { 4, 4 }, 0xFF808080, 2 },
        { "texture modulates", texture(hvStateTextureModulate), { 4, 4 }, 0xFF008000, 2 },
        { "solid", fill(hvStateSolid), { 5, 2 }, kRed, 0 },
        { "wireframe leaves the inside", fill(hvStateWireframe), { 5, 2 }, kBlue, 0 },
        { "flat takes the first corner", shade(hvStateFlat), { 2, 2 }, kRed, 0 },
        { "Gouraud mixes the corners", shade(hvStateGouraud), { 2, 2 }, 0xFF605050, 4 },
        { "pixel units", projection(hvStateScreenProjection), { 1, 1 }, kRed, 0 },
        { "the camera sees nothing at its eye", projection(hvStateCameraProjection), { 1, 1 }, kBlue, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BeginPixels(8, 8, kBlue);
        c.draw(*this);
        End();
        EXPECT_TRUE(Near(Pixel(c.at.first, c.at.second), c.expected, c.tolerance));
        TearDown();
    }
}

TEST_F(GlCanvasTest, MultisamplingSmoothsAnEdge)
{
    std::vector<int> softPixels;
    for (ThvQuality quality : { hvLowQuality, hvSuperHighQuality }) {
        SCOPED_TRACE(rtl::EnumName(quality));
        CanvasPtr canvas = MakeWindowCanvas(16, 16, true, quality);
        ASSERT_TRUE(canvas->GetDevice());
        if (quality == hvSuperHighQuality
            && canvas->GetPresentParameters().MultiSampleType == D3DMULTISAMPLE_NONE)
            GTEST_SKIP() << "the driver offers no multisampling";
        ASSERT_TRUE(BeginFrame(*canvas, kBlack));
        UseColor(*canvas, kWhite);
        canvas->SetState(hvStateScreenProjection);
        canvas->SetMatrix(hvIdentityMatrix);
        const std::vector<ThvColorVertex> v { hvColorVertex(0, 0, 0, 0, 0, -1, kRed, 0, 0),
            hvColorVertex(16, 5, 0, 0, 0, -1, kRed, 0, 0), hvColorVertex(0, 16, 0, 0, 0, -1, kRed, 0, 0) };
        canvas->FillTriangles(v, std::vector<uint16_t> { 0, 1, 2 }, 1);
        canvas->EndScene();
        int soft = 0;
        for (int i = 0; i < 256; ++i) {
            const int red = int((canvas->GetBackBufferBits()[i] >> 16) & 0xFF);
            soft += red > 16 && red < 240;
        }
        softPixels.push_back(soft);
    }
    EXPECT_EQ(softPixels[0], 0) << "a single sample gives hard edges";
    EXPECT_GT(softPixels[1], 4) << "four samples give intermediate shades along the edge";
}

TEST_F(GlCanvasTest, ClearFromBitsPutsPixelsInTheFrameAndDrawingGoesOn)
{
    BeginPixels(6, 4, kBlack);
    std::vector<uint32_t> pattern(24);
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = 0xFF000000u | uint32_t(i * 10) << 8 | uint32_t(255 - i * 10);
    pattern[5] = 0x00000000; // transparent pixels arrive as they are
    m_canvas->ClearFromBits(pattern.data());
    Quad(0, 3, 6, 4, 0, kRed);
    End();
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_EQ(Pixel(x, y), y == 3 ? kRed : pattern[static_cast<size_t>(y * 6 + x)]) << x << "," << y;
}

TEST_F(GlCanvasTest, UnbufferedWindowCanvasCopiesWhatItPresented)
{
    CanvasPtr canvas = MakeWindowCanvas(5, 3);
    ASSERT_TRUE(BeginFrame(*canvas, 0xFF336699));
    canvas->EndScene();
    std::vector<uint32_t> bits(15);
    canvas->CopyBits(bits.data());
    EXPECT_EQ(bits, std::vector<uint32_t>(15, 0xFF336699u));
}

TEST_F(GlCanvasTest, HeldFramesReachTheBitmapOldestFirstWhenTaken)
{
    // Each frame fills the bitmap with one colour and a quad of another, so a frame read from
    // a target drawn over since would show.
    BeginPixels(8, 6, kBlue);
    End();
    m_canvas->SetHoldFrames(true);
    const auto frame = [&](uint32_t clear, uint32_t quad) {
        ASSERT_TRUE(BeginFrame(*m_canvas, clear));
        UseColor(*m_canvas, 0xFFFFFFFF);
        m_canvas->SetState(hvStateScreenProjection);
        m_canvas->SetMatrix(hvIdentityMatrix);
        Quad(0, 0, 4, 6, 0, quad);
        m_canvas->EndScene();
    };
    const auto shows = [&](uint32_t left, uint32_t right) {
        return Near(Pixel(1, 3), left, 0) && Near(Pixel(6, 3), right, 0);
    };
    frame(kRed, kGreen);
    EXPECT_TRUE(shows(kBlue, kBlue)) << "a held frame leaves the bitmap as it was";
    frame(kWhite, kBlack);
    EXPECT_TRUE(shows(kBlue, kBlue));
    ASSERT_TRUE(m_canvas->TakeFrame());
    EXPECT_TRUE(shows(kGreen, kRed)) << "the oldest first";
    ASSERT_TRUE(m_canvas->TakeFrame());
    EXPECT_TRUE(shows(kBlack, kWhite));
    EXPECT_FALSE(m_canvas->TakeFrame()) << "nothing more is held";

    // A frame taken into memory of its own size leaves the bitmap alone; memory of another
    // size takes nothing, and the frame stays held for the next taker.
    frame(kRed, kGreen);
    frame(kWhite, kBlack);
    std::vector<uint32_t> taken(8 * 6, 0x12345678);
    EXPECT_FALSE(m_canvas->TakeFrameInto(taken.data(), 6, 8));
    ASSERT_TRUE(m_canvas->TakeFrameInto(taken.data(), 8, 6));
    EXPECT_TRUE(Near(taken[3 * 8 + 1], kGreen, 0) && Near(taken[3 * 8 + 6], kRed, 0)) << "the oldest first";
    EXPECT_TRUE(shows(kBlack, kWhite)) << "the bitmap kept what it had";
    ASSERT_TRUE(m_canvas->TakeFrameInto(taken.data(), 8, 6));
    EXPECT_TRUE(Near(taken[3 * 8 + 1], kBlack, 0) && Near(taken[3 * 8 + 6], kWhite, 0));
    EXPECT_FALSE(m_canvas->TakeFrameInto(taken.data(), 8, 6)) << "nothing more is held";

    // A third frame begun while two are held hands the oldest to the bitmap first.
    frame(kRed, kGreen);
    frame(kGreen, kBlue);
    frame(kBlue, kWhite);
    EXPECT_TRUE(shows(kGreen, kRed));
    ASSERT_TRUE(m_canvas->TakeFrame());
    EXPECT_TRUE(shows(kBlue, kGreen));
    ASSERT_TRUE(m_canvas->TakeFrame());
    EXPECT_TRUE(shows(kWhite, kBlue));

    // Frames no longer held reach the bitmap at EndScene; those still held are dropped.
    frame(kWhite, kRed);
    m_canvas->SetHoldFrames(false);
    EXPECT_FALSE(m_canvas->TakeFrame());
    EXPECT_TRUE(shows(kWhite, kBlue));
    frame(kGreen, kBlack);
    EXPECT_TRUE(shows(kBlack, kGreen));
}
