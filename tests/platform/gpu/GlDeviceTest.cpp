#include "platform/gpu/GlRuntime.h"

#include "tests/platform/gpu/GpuTestSupport.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>

using namespace gputest;

namespace {

constexpr uint32_t kCreateEx = D3D_SDK_VERSION | 0x80000000u;

void ForceSoftwareRendering()
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
}

// Every test renders on llvmpipe into tiny targets. RAII releases whatever a failed assertion
// leaves behind: devices and resources are reference counted.
class GlDeviceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ForceSoftwareRendering(); }

    void SetUp() override
    {
        m_runtime = CreateGlRuntime();
        if (Failed(m_runtime->Direct3DCreate9Ex(kCreateEx, m_system)) || !m_system)
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the OpenGL device cannot be tested");
    }

    DevicePtr MakeDevice(uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE)
    {
        D3DPRESENT_PARAMETERS p = Parameters(width, height, samples);
        DevicePtr device;
        EXPECT_EQ(m_system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                      D3DCREATE_HARDWARE_VERTEXPROCESSING, p, nullptr, device),
            D3D_OK);
        return device;
    }

    /// A device in its scene with pixel units, no lighting, no culling and no depth test.
    Painter Begin(uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE)
    {
        Painter p(MakeDevice(width, height, samples));
        p->SetTransform(D3DTS_PROJECTION, PixelProjection(width, height));
        p->SetRenderState(D3DRS_LIGHTING, 0);
        p->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        p->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        EXPECT_EQ(p->BeginScene(), D3D_OK);
        return p;
    }

    /// The blend and alpha-test states the canvas sets at the start of every frame.
    static void CanvasBlending(Device& d)
    {
        d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
        d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        d.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
        d.SetRenderState(D3DRS_ALPHAREF, 1);
        d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        d.SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 1);
        d.SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
        d.SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_INVSRCALPHA);
    }

    static TexturePtr MakeTexture(
        Device& d, uint32_t width, uint32_t height, const std::function<uint32_t(uint32_t, uint32_t)>& texel)
    {
        TexturePtr texture;
        EXPECT_EQ(
            d.CreateTexture(width, height, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture),
            D3D_OK);
        if (!texture)
            return texture;
        D3DLOCKED_RECT locked {};
        EXPECT_EQ(texture->LockRect(0, locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                uint32_t value = texel(x, y);
                std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, &value, 4);
            }
        EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
        return texture;
    }

    static void SampleTexture(Device& d, const TexturePtr& texture, D3DTEXTUREFILTERTYPE filter)
    {
        d.SetTexture(0, texture);
        d.SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d.SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        d.SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        d.SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
        d.SetSamplerState(0, D3DSAMP_MINFILTER, filter);
        d.SetSamplerState(0, D3DSAMP_MAGFILTER, filter);
    }

    RuntimePtr m_runtime;
    SystemPtr m_system;
};

uint32_t Gray(uint32_t level)
{
    return 0xFF000000u | level << 16 | level << 8 | level;
}

TEST_F(GlDeviceTest, ClearedAndDrawnRowsReadBackTopRowFirst)
{
    Painter p = Begin(8, 8);
    ASSERT_EQ(p->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1, 0), D3D_OK);
    D3DRECT top { 0, 0, 8, 2 };
    ASSERT_EQ(p->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0), D3D_OK);
    ASSERT_EQ(p.Quad(-0.5f, 5.5f, 7.5f, 7.5f, 0.5f, 0xFF00FF00), D3D_OK);
    Image image = p.ReadBack();
    ASSERT_EQ(image.Pixels.size(), 64u);
    for (uint32_t y = 0; y < 8; ++y) {
        SCOPED_TRACE("row " + std::to_string(y));
        uint32_t expected = y < 2 ? 0xFFFF0000u : y < 6 ? 0xFF0000FFu : 0xFF00FF00u;
        EXPECT_EQ(image(0, y), expected);
        EXPECT_EQ(image(7, y), expected);
    }
}

TEST_F(GlDeviceTest, ClearColourReadsBackAsValidPremultipliedPixel)
{
    struct Case {
        const char* name;
        uint32_t color;
        uint32_t expected;
    };
    const Case cases[] = {
        { "opaque", 0xFF123456, 0xFF123456 },
        { "fully transparent", 0x00000000, 0x00000000 },
        { "translucent white is limited to its alpha", 0x80FFFFFF, 0x80808080 },
        { "translucent red", 0x40FF0000, 0x40400000 },
        { "already premultiplied", 0x80402010, 0x80402010 },
    };
    Painter p = Begin(4, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(p->Clear(0, nullptr, D3DCLEAR_TARGET, c.color, 1, 0), D3D_OK);
        Image image = p.ReadBack();
        EXPECT_EQ(image(2, 1), c.expected);
    }
}

TEST_F(GlDeviceTest, ClearIgnoresWriteMasks)
{
    Painter p = Begin(4, 4);
    p->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    p->SetRenderState(D3DRS_ZWRITEENABLE, 0);
    p->SetRenderState(D3DRS_STENCILWRITEMASK, 0);
    ASSERT_EQ(p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF336699, 1, 0), D3D_OK);
    EXPECT_EQ(p.ReadBack()(1, 1), 0xFF336699u);
    // The masks still hold for drawing afterwards.
    ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(p.ReadBack()(1, 1), 0xFF336699u);
}

// A point-filtered quad whose corners lie half a pixel outside the target maps each texel
// onto exactly one pixel only when pixel centres fall on whole coordinates.
TEST_F(GlDeviceTest, PointFilteredScreenQuadMapsTexelToPixel)
{
    struct Case {
        const char* name;
        uint32_t backWidth, backHeight;
        uint32_t targetWidth, targetHeight; // 0: draw into the back buffer
        uint32_t resetWidth, resetHeight; // 0: no reset
    };
    const Case cases[] = {
        { "back buffer", 8, 8, 0, 0, 0, 0 },
        { "non-square back buffer", 12, 6, 0, 0, 0, 0 },
        { "odd number of rows", 5, 7, 0, 0, 0, 0 },
        { "render target smaller than the back buffer", 16, 16, 8, 4, 0, 0 },
        { "back buffer after a reset to a new size", 4, 4, 0, 0, 10, 6 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DevicePtr device = MakeDevice(c.backWidth, c.backHeight);
        ASSERT_TRUE(device);
        uint32_t width = c.backWidth;
        uint32_t height = c.backHeight;
        if (c.resetWidth) {
            D3DPRESENT_PARAMETERS p = Parameters(c.resetWidth, c.resetHeight);
            ASSERT_EQ(device->ResetEx(p, nullptr), D3D_OK);
            width = c.resetWidth;
            height = c.resetHeight;
        }
        SurfacePtr target;
        if (c.targetWidth) {
            ASSERT_EQ(device->CreateRenderTarget(
                          c.targetWidth, c.targetHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, target),
                D3D_OK);
            ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
            ASSERT_EQ(device->SetDepthStencilSurface(nullptr), D3D_OK);
            width = c.targetWidth;
            height = c.targetHeight;
        }
        Painter p(device);
        auto texel = [](uint32_t x, uint32_t y) {
            return 0xFF000000u | (x * 20 + 10) << 16 | (y * 30 + 5) << 8 | 0x40;
        };
        TexturePtr texture = MakeTexture(*device, width, height, texel);
        device->SetTransform(D3DTS_PROJECTION, PixelProjection(width, height));
        device->SetRenderState(D3DRS_LIGHTING, 0);
        SampleTexture(*device, texture, D3DTEXF_POINT);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, float(width) - 0.5f, float(height) - 0.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
        device->EndScene();
        Image image = target ? p.Read(target) : p.ReadBack();
        ASSERT_EQ(image.Width, width);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                ASSERT_EQ(image(x, y), texel(x, y)) << "at " << x << ", " << y;
    }
}

TEST_F(GlDeviceTest, DepthRangeIsZeroToOne)
{
    struct Case {
        float z;
        bool visible;
    };
    const Case cases[]
        = { { -0.5f, false }, { 0.001f, true }, { 0.5f, true }, { 0.999f, true }, { 1.001f, false } };
    Painter p = Begin(4, 4);
    for (const Case& c : cases) {
        SCOPED_TRACE("z = " + std::to_string(c.z));
        p->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, c.z, 0xFFFFFFFF), D3D_OK);
        EXPECT_EQ(p.ReadBack()(2, 2), c.visible ? 0xFFFFFFFFu : 0xFF000000u);
    }
}

TEST_F(GlDeviceTest, NearerQuadWinsWhateverTheDrawingOrder)
{
    Painter p = Begin(4, 4);
    p->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    p->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    for (bool nearFirst : { true, false }) {
        SCOPED_TRACE(nearFirst ? "near first" : "far first");
        p->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
        for (int i = 0; i < 2; ++i) {
            bool drawNear = (i == 0) == nearFirst;
            ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, drawNear ? 0.25f : 0.75f,
                          drawNear ? 0xFFFF0000 : 0xFF00FF00),
                D3D_OK);
        }
        EXPECT_EQ(p.ReadBack()(1, 1), 0xFFFF0000u);
    }
}

TEST_F(GlDeviceTest, CullingJudgesWindingOnScreen)
{
    struct Case {
        const char* name;
        uint32_t cullMode;
        bool clockwise;
        bool drawn;
    };
    const Case cases[] = {
        { "default mode keeps a clockwise triangle", D3DCULL_CCW, true, true },
        { "default mode culls a counter-clockwise triangle", D3DCULL_CCW, false, false },
        { "CW mode culls a clockwise triangle", D3DCULL_CW, true, false },
        { "CW mode keeps a counter-clockwise triangle", D3DCULL_CW, false, true },
        { "no culling keeps clockwise", D3DCULL_NONE, true, true },
        { "no culling keeps counter-clockwise", D3DCULL_NONE, false, true },
    };
    Painter p = Begin(8, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p->SetRenderState(D3DRS_CULLMODE, c.cullMode);
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
        // Top left, top right, bottom left: clockwise as seen on the screen.
        std::vector<Vertex> v { At(0, 0, 0.5f, 0xFFFFFFFF), At(8, 0, 0.5f, 0xFFFFFFFF),
            At(0, 8, 0.5f, 0xFFFFFFFF) };
        std::vector<uint16_t> indices
            = c.clockwise ? std::vector<uint16_t> { 0, 1, 2 } : std::vector<uint16_t> { 0, 2, 1 };
        ASSERT_EQ(p.Draw(v, indices), D3D_OK);
        EXPECT_EQ(p.ReadBack()(1, 1), c.drawn ? 0xFFFFFFFFu : 0xFF000000u);
    }
}

TEST_F(GlDeviceTest, FlatShadingTakesTheFirstVertexColour)
{
    Painter p = Begin(16, 16);
    std::vector<Vertex> v { At(0, 0, 0.5f, 0xFFFF0000), At(16, 0, 0.5f, 0xFF00FF00),
        At(0, 16, 0.5f, 0xFF0000FF) };
    p->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
    ASSERT_EQ(p.Draw(v, { 0, 1, 2 }), D3D_OK);
    Image flat = p.ReadBack();
    for (auto [x, y] : { std::pair { 1u, 1u }, { 10u, 2u }, { 2u, 10u } })
        EXPECT_EQ(flat(x, y), 0xFFFF0000u) << x << ", " << y;

    p->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    ASSERT_EQ(p.Draw(v, { 0, 1, 2 }), D3D_OK);
    Image smooth = p.ReadBack();
    EXPECT_TRUE(Near(smooth(5, 5), 0xFF555555, 16));
}

TEST_F(GlDeviceTest, SeparateAlphaBlendLeavesCoverageInFrameAlpha)
{
    struct Case {
        const char* name;
        uint32_t clear;
        uint32_t color;
        uint32_t expected;
    };
    const Case cases[] = {
        { "half covering on transparent", 0x00000000, 0x80FF0000, 0x80800000 },
        { "alpha 0 is dropped by the alpha test", 0x00000000, 0x00FF0000, 0x00000000 },
        { "alpha 1 passes the alpha test", 0x00000000, 0x01FF0000, 0x01010000 },
        { "opaque on transparent", 0x00000000, 0xFFFF0000, 0xFFFF0000 },
        { "half covering on opaque blue", 0xFF0000FF, 0x80FF0000, 0xFF80007F },
    };
    Painter p = Begin(4, 4);
    CanvasBlending(*p);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p->Clear(0, nullptr, D3DCLEAR_TARGET, c.clear, 1, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, c.color), D3D_OK);
        EXPECT_TRUE(Near(p.ReadBack()(1, 2), c.expected, 1));
    }
}

// A lit draw whose material is opaque is drawn without blending or the alpha test, which would
// change nothing; wherever its alpha may be less than whole, from the material, the vertex
// colour or the texture, both still apply, in any order of draws.
TEST_F(GlDeviceTest, BlendingAndTheAlphaTestApplyWhereverAlphaMayBeLessThanWhole)
{
    struct Case {
        const char* name;
        float materialAlpha;
        bool alphaFromVertex; // the diffuse material tracks the vertex colour, alpha 0x80
        int texture; // 0 none; 1 red of alpha 0x80 for colour only; 2 for colour and alpha
        uint32_t expected;
    };
    const Case cases[] = {
        { "opaque material", 1, false, 0, 0xFFFF0000 },
        { "half transparent material", 0.5f, false, 0, 0xFF80007F },
        { "opaque again", 1, false, 0, 0xFFFF0000 },
        { "transparent material, dropped by the alpha test", 0, false, 0, 0xFF0000FF },
        { "alpha from the vertex colour", 1, true, 0, 0xFF80007F },
        { "texture for colour only", 1, false, 1, 0xFFFF0000 },
        { "texture for colour and alpha", 1, false, 2, 0xFF80007F },
    };
    Painter p = Begin(4, 4);
    CanvasBlending(*p);
    // No lights: the colour is the ambient light on the material's red ambient colour.
    p->SetRenderState(D3DRS_LIGHTING, 1);
    p->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    p->SetRenderState(D3DRS_COLORVERTEX, 1);
    p->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    const TexturePtr texture = MakeTexture(*p, 2, 2, [](uint32_t, uint32_t) { return 0x80FF0000u; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DMATERIAL9 material {};
        material.Ambient = { 1, 0, 0, 1 };
        material.Diffuse = { 0, 0, 0, c.materialAlpha };
        p->SetMaterial(material);
        p->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, c.alphaFromVertex ? D3DMCS_COLOR1 : D3DMCS_MATERIAL);
        if (c.texture == 0) {
            p->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
        } else {
            SampleTexture(*p, texture, D3DTEXF_POINT);
            if (c.texture == 1)
                p->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        }
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0x80000000), D3D_OK);
        EXPECT_TRUE(Near(p.ReadBack()(1, 2), c.expected, 1)) << std::hex << p.ReadBack()(1, 2);
    }
}

// A fragment the alpha test drops leaves no depth behind, whatever the driver does with the
// reference: a far quad drawn afterwards shows exactly where the near one was dropped.
TEST_F(GlDeviceTest, AlphaTestDecidesOnWholeAlphaStepsAndDroppedPixelsWriteNoDepth)
{
    struct Case {
        D3DCMPFUNC func;
        uint32_t ref;
        uint32_t alpha;
        bool kept;
    };
    const Case cases[] = {
        { D3DCMP_GREATEREQUAL, 1, 0x00, false },
        { D3DCMP_GREATEREQUAL, 1, 0x01, true },
        { D3DCMP_GREATER, 0x80, 0x80, false },
        { D3DCMP_GREATER, 0x80, 0x81, true },
        { D3DCMP_LESSEQUAL, 0x80, 0x80, true },
        { D3DCMP_LESSEQUAL, 0x80, 0x81, false },
        { D3DCMP_LESS, 1, 0x00, true },
        { D3DCMP_LESS, 1, 0x01, false },
        { D3DCMP_EQUAL, 0x40, 0x40, true },
        { D3DCMP_EQUAL, 0x40, 0x41, false },
    };
    Painter p = Begin(4, 4);
    p->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    p->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    p->SetRenderState(D3DRS_ZWRITEENABLE, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.func) + " " + std::to_string(c.ref) + " " + std::to_string(c.alpha));
        p->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
        p->SetRenderState(D3DRS_ALPHATESTENABLE, 1);
        p->SetRenderState(D3DRS_ALPHAFUNC, c.func);
        p->SetRenderState(D3DRS_ALPHAREF, c.ref);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.2f, c.alpha << 24 | 0xFF0000u), D3D_OK);
        p->SetRenderState(D3DRS_ALPHATESTENABLE, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.8f, 0xFF00FF00), D3D_OK);
        EXPECT_EQ(p.ReadBack()(1, 1) == 0xFF00FF00u, !c.kept);
    }
}

// Material (0.5 grey, white specular with power 0 as the canvas builds it), one white light
// with ambient 105/255, specular off: a face turned to the light gets 0.5 x 105/255 + 0.5.
TEST_F(GlDeviceTest, LightingShadesByNormalInEyeSpace)
{
    const uint32_t kLit = Gray(180);
    const uint32_t kAmbientOnly = Gray(53);
    const uint32_t kVertexColor = 0xFF204060;
    D3DMATRIX turn = Identity(); // half a turn about Y
    turn.m[0][0] = -1;
    turn.m[2][2] = -1;
    struct Case {
        const char* name;
        bool lighting;
        D3DVECTOR normal;
        bool turned; // world and view both turned: geometry stays, the light swaps sides
        uint32_t expected;
    };
    const Case cases[] = {
        { "facing the light", true, { 0, 0, -1 }, false, kLit },
        { "facing away", true, { 0, 0, 1 }, false, kAmbientOnly },
        { "normal of length 10 is normalised", true, { 0, 0, -10 }, false, kLit },
        { "zero normal gets ambient only", true, { 0, 0, 0 }, false, kAmbientOnly },
        { "light stays in world space when the view turns", true, { 0, 0, -1 }, true, kAmbientOnly },
        { "unlit takes the vertex colour", false, { 0, 0, -1 }, false, kVertexColor },
    };
    D3DMATERIAL9 material {};
    material.Diffuse = material.Ambient = { 0.5f, 0.5f, 0.5f, 1 };
    material.Specular = { 1, 1, 1, 1 };
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = light.Specular = { 1, 1, 1, 1 };
    light.Ambient = { 105 / 255.0f, 105 / 255.0f, 105 / 255.0f, 1 };
    light.Direction = { 0, 0, 1 };
    light.Range = 100;

    Painter p = Begin(4, 4);
    p->SetMaterial(material);
    p->SetRenderState(D3DRS_SPECULARENABLE, 0);
    p->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    p->SetRenderState(D3DRS_AMBIENT, 0);
    p->SetRenderState(D3DRS_COLORVERTEX, 1);
    p->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    p->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    p->SetLight(0, light);
    p->LightEnable(0, 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p->SetRenderState(D3DRS_LIGHTING, c.lighting);
        p->SetTransform(D3DTS_WORLD, c.turned ? turn : Identity());
        p->SetTransform(D3DTS_VIEW, c.turned ? turn : Identity());
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
        std::vector<Vertex> v;
        for (auto [x, y] : { std::pair { -0.5f, -0.5f }, { 3.5f, -0.5f }, { 3.5f, 3.5f }, { -0.5f, 3.5f } })
            v.push_back({ x, y, 0.5f, c.normal.x, c.normal.y, c.normal.z, kVertexColor, 0, 0 });
        ASSERT_EQ(p.Draw(v, { 0, 1, 2, 0, 2, 3 }), D3D_OK);
        EXPECT_TRUE(Near(p.ReadBack()(1, 1), c.expected, 2));
    }
}

TEST_F(GlDeviceTest, LightRemovedBetweenFramesStopsShining)
{
    D3DMATERIAL9 material {};
    material.Diffuse = material.Ambient = { 0.5f, 0.5f, 0.5f, 1 };
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = { 1, 1, 1, 1 };
    light.Ambient = { 105 / 255.0f, 105 / 255.0f, 105 / 255.0f, 1 };
    light.Direction = { 0, 0, 1 };

    Painter p = Begin(4, 4);
    p->EndScene();
    p->SetMaterial(material);
    p->SetRenderState(D3DRS_LIGHTING, 1);
    p->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    p->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    struct Frame {
        const char* name;
        int lights;
        uint32_t expected;
    };
    // Without any light only the global ambient (0) remains.
    const Frame frames[] = { { "with the light", 1, Gray(180) }, { "light no longer added", 0, 0xFF000000 } };
    for (const Frame& f : frames) {
        SCOPED_TRACE(f.name);
        ASSERT_EQ(p->BeginScene(), D3D_OK);
        for (int i = 0; i < f.lights; ++i) {
            p->SetLight(uint32_t(i), light);
            p->LightEnable(uint32_t(i), 1);
        }
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
        ASSERT_EQ(p->EndScene(), D3D_OK);
        EXPECT_TRUE(Near(p.ReadBack()(1, 1), f.expected, 2));
    }
}

// Each arrangement of lights shades with a program of its own; past the number kept, the
// programs are made anew and still shade every arrangement alike. Each directional light
// facing the quad adds 0.1 of white; the point light is beyond its range and adds nothing.
TEST_F(GlDeviceTest, EveryArrangementOfLightsShadesByTheLightsItHas)
{
    D3DMATERIAL9 material {};
    material.Diffuse = { 1, 1, 1, 1 };
    D3DLIGHT9 directional {};
    directional.Type = D3DLIGHT_DIRECTIONAL;
    directional.Diffuse = { 0.1f, 0.1f, 0.1f, 1 };
    directional.Direction = { 0, 0, 1 };
    D3DLIGHT9 outOfRange {};
    outOfRange.Type = D3DLIGHT_POINT;
    outOfRange.Diffuse = { 1, 1, 1, 1 };
    outOfRange.Position = { 0, 0, -100 };
    outOfRange.Range = 1;
    outOfRange.Attenuation0 = 1;

    Painter p = Begin(4, 4);
    p->EndScene();
    p->SetMaterial(material);
    p->SetRenderState(D3DRS_LIGHTING, 1);
    p->SetRenderState(D3DRS_AMBIENT, 0);
    p->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    for (uint32_t arrangement = 0; arrangement < 80; ++arrangement) {
        SCOPED_TRACE(arrangement);
        ASSERT_EQ(p->BeginScene(), D3D_OK);
        int shining = 0;
        for (uint32_t i = 0; i < 7; ++i) {
            if ((arrangement >> i & 1) == 0)
                continue;
            p->SetLight(i, directional);
            p->LightEnable(i, 1);
            ++shining;
        }
        if (arrangement % 3 == 0) {
            p->SetLight(7, outOfRange);
            p->LightEnable(7, 1);
        }
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
        ASSERT_EQ(p->EndScene(), D3D_OK);
        const auto level = static_cast<uint32_t>(std::lround(25.5 * shining));
        EXPECT_TRUE(Near(p.ReadBack()(1, 1), Gray(level), 2));
    }
}

TEST_F(GlDeviceTest, SpotLightsFadeBetweenTheirConesAndLightsEndAtTheirRange)
{
    // A strip of one pixel row, lit per vertex at every pixel edge, under one light at
    // (20, 20) some pixels in front of it, shining straight at it: each pixel's level is
    // the light that reaches its column. Material white, no ambient, no specular.
    D3DMATERIAL9 material {};
    material.Diffuse = material.Ambient = { 1, 1, 1, 1 };
    std::vector<Vertex> strip;
    std::vector<uint16_t> indices;
    for (int x = 0; x <= 40; ++x) {
        for (float y : { 19.5f, 20.5f })
            strip.push_back({ float(x) - 0.5f, y, 0.5f, 0, 0, -1, 0xFFFFFFFF, 0, 0 });
        if (x > 0) {
            const auto a = uint16_t(2 * x - 2), b = uint16_t(a + 1), c = uint16_t(a + 2), d = uint16_t(a + 3);
            indices.insert(indices.end(), { a, c, d, a, d, b });
        }
    }
    struct Sample {
        int dx;
        int level;
    };
    struct Case {
        const char* name;
        D3DLIGHT9 light;
        std::vector<Sample> samples;
    };
    D3DLIGHT9 spot {};
    spot.Type = D3DLIGHT_SPOT;
    spot.Diffuse = { 1, 1, 1, 1 };
    spot.Position = { 20, 20, -19.5f };
    spot.Direction = { 0, 0, 1 };
    spot.Range = 100;
    spot.Attenuation0 = 1;
    spot.Theta = 0.5f;
    spot.Phi = 1.0f;
    spot.Falloff = 1;
    // 20 pixels away the inner cone ends 5.1 pixels from the axis, the outer one 10.9: a
    // pixel's level is cos a (Lambert) times (cos a - cos 0.5) / (cos 0.25 - cos 0.5) between.
    const auto spotLevel = [](int dx) {
        const double c = 20 / std::sqrt(dx * dx + 400.0);
        const double inner = std::cos(0.25), outer = std::cos(0.5);
        const double cone = c >= inner ? 1 : c <= outer ? 0 : (c - outer) / (inner - outer);
        return int(std::lround(255 * c * cone));
    };
    D3DLIGHT9 point = spot;
    point.Type = D3DLIGHT_POINT;
    point.Position = { 20, 20, -4.5f };
    point.Range = 8; // reaches 6.2 pixels from the axis on the strip, 5 pixels away
    const Case cases[] = {
        { "spot light", spot,
            { { 0, 255 }, { 3, spotLevel(3) }, { 7, spotLevel(7) }, { -8, spotLevel(8) }, { 9, spotLevel(9) },
                { 13, 0 }, { -15, 0 } } },
        { "point light", point, { { 0, 255 }, { 4, 199 }, { -4, 199 }, { 8, 0 }, { -9, 0 }, { 15, 0 } } },
    };
    // The soft edge itself: fully lit inside, dark outside, neither between.
    EXPECT_GT(spotLevel(7), 120);
    EXPECT_LT(spotLevel(9), 120);

    Painter p = Begin(41, 41);
    p->SetMaterial(material);
    p->SetRenderState(D3DRS_LIGHTING, 1);
    p->SetRenderState(D3DRS_SPECULARENABLE, 0);
    p->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    p->SetRenderState(D3DRS_AMBIENT, 0);
    p->SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    p->SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        p->SetLight(0, c.light);
        p->LightEnable(0, 1);
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
        ASSERT_EQ(p.Draw(strip, indices), D3D_OK);
        const Image frame = p.ReadBack();
        for (const Sample& s : c.samples)
            EXPECT_TRUE(Near(frame(uint32_t(20 + s.dx), 20), Gray(uint32_t(s.level)), 5)) << "at " << s.dx;
    }
}

TEST_F(GlDeviceTest, PointAndLinearFilteringOfAStretchedTexture)
{
    struct Case {
        D3DTEXTUREFILTERTYPE filter;
        uint32_t x;
        uint32_t expected;
        int tolerance;
    };
    const Case cases[] = {
        { D3DTEXF_POINT, 3, Gray(0), 0 },
        { D3DTEXF_POINT, 4, Gray(255), 0 },
        { D3DTEXF_LINEAR, 3, Gray(96), 3 },
        { D3DTEXF_LINEAR, 4, Gray(159), 3 },
    };
    Painter p = Begin(8, 2);
    TexturePtr texture
        = MakeTexture(*p, 2, 1, [](uint32_t x, uint32_t) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
    for (const Case& c : cases) {
        SCOPED_TRACE(
            std::string(c.filter == D3DTEXF_POINT ? "point" : "linear") + " at x " + std::to_string(c.x));
        SampleTexture(*p, texture, c.filter);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 7.5f, 1.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
        EXPECT_TRUE(Near(p.ReadBack()(c.x, 0), c.expected, c.tolerance));
    }
}

TEST_F(GlDeviceTest, TextureTransformOfTwoDimensionalCoordinates)
{
    struct Case {
        const char* name;
        uint32_t flags;
        float scaleU, offsetU;
        const char* pattern; // B black, W white, one letter per column
    };
    const Case cases[] = {
        { "disabled", D3DTTFF_DISABLE, 2, 0, "BBBBWWWW" },
        { "tiled twice", D3DTTFF_COUNT2, 2, 0, "BBWWBBWW" },
        { "moved by half (third row)", D3DTTFF_COUNT2, 1, 0.5f, "WWWWBBBB" },
    };
    Painter p = Begin(8, 1);
    TexturePtr texture
        = MakeTexture(*p, 2, 1, [](uint32_t x, uint32_t) { return x ? 0xFFFFFFFFu : 0xFF000000u; });
    SampleTexture(*p, texture, D3DTEXF_POINT);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DMATRIX m = Identity();
        m.m[0][0] = c.scaleU;
        m.m[2][0] = c.offsetU;
        p->SetTransform(D3DTS_TEXTURE0, m);
        p->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, c.flags);
        ASSERT_EQ(p.Quad(-0.5f, -0.5f, 7.5f, 0.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
        Image image = p.ReadBack();
        std::string pattern;
        for (uint32_t x = 0; x < 8; ++x)
            pattern += image(x, 0) == 0xFFFFFFFFu ? 'W' : image(x, 0) == 0xFF000000u ? 'B' : '?';
        EXPECT_EQ(pattern, c.pattern);
    }
}

TEST_F(GlDeviceTest, ModulateMultipliesTextureByVertexColour)
{
    Painter p = Begin(2, 2);
    TexturePtr texture = MakeTexture(*p, 1, 1, [](uint32_t, uint32_t) { return 0xFFFFFFFFu; });
    p->SetTexture(0, texture);
    p->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    p->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    p->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    p->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    p->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    p->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    ASSERT_EQ(p.Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0.5f, 0xFF336699), D3D_OK);
    EXPECT_TRUE(Near(p.ReadBack()(0, 0), 0xFF336699, 1));
    // Selecting the diffuse colour ignores the bound texture.
    p->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    p->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    MakeTexture(*p, 1, 1, [](uint32_t, uint32_t) { return 0xFF000000u; }).swap(texture);
    p->SetTexture(0, texture);
    ASSERT_EQ(p.Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0.5f, 0xFF996633), D3D_OK);
    EXPECT_TRUE(Near(p.ReadBack()(0, 0), 0xFF996633, 1));
}

// A ring drawn as the extrusion draws its caps: each contour fanned from its first point into
// the stencil buffer with INVERT, then a cover quad where the stencil is not 0.
TEST_F(GlDeviceTest, StencilEvenOddFillLeavesHolesOpen)
{
    using Contour = std::vector<std::pair<float, float>>;
    auto square = [](float x0, float y0, float x1, float y1, bool clockwise) {
        Contour c = clockwise ? Contour { { x0, y0 }, { x1, y0 }, { x1, y1 }, { x0, y1 } }
                              : Contour { { x0, y0 }, { x0, y1 }, { x1, y1 }, { x1, y0 } };
        c.push_back(c.front());
        return c;
    };
    struct Probe {
        uint32_t x, y;
        bool painted;
    };
    struct Case {
        const char* name;
        std::vector<Contour> contours;
        std::vector<Probe> probes;
    };
    const std::vector<Probe> ringProbes { { 6, 6, true }, { 24, 16, true }, { 16, 16, false },
        { 1, 1, false } };
    const Case cases[] = {
        { "ring, contours running the same way", { square(4, 4, 28, 28, true), square(12, 12, 20, 20, true) },
            ringProbes },
        { "ring, hole running the other way", { square(4, 4, 28, 28, true), square(12, 12, 20, 20, false) },
            ringProbes },
        { "overlapping squares cancel where they overlap",
            { square(2, 2, 18, 18, true), square(10, 10, 26, 26, true) },
            { { 4, 4, true }, { 22, 22, true }, { 14, 14, false }, { 28, 4, false } } },
    };
    Painter p = Begin(32, 32);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<Vertex> vertices;
        std::vector<uint16_t> indices;
        for (const Contour& contour : c.contours) {
            auto start = uint16_t(vertices.size());
            for (auto [x, y] : contour)
                vertices.push_back(At(x, y, 0.5f, 0xFFFFFFFF));
            for (size_t i = 0; i + 1 < contour.size(); ++i)
                indices.insert(indices.end(), { start, uint16_t(start + i + 1), uint16_t(start + i) });
        }
        p->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1, 0);
        p->SetRenderState(D3DRS_STENCILENABLE, 1);
        p->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        p->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
        p->SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        p->SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
        p->SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
        p->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        p->SetRenderState(D3DRS_ZWRITEENABLE, 0);
        ASSERT_EQ(p.Draw(vertices, indices), D3D_OK);
        p->SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        p->SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
        p->SetRenderState(D3DRS_STENCILREF, 0);
        p->SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        p->SetRenderState(D3DRS_ZWRITEENABLE, 1);
        ASSERT_EQ(p.Quad(0, 0, 32, 32, 0.5f, 0xFFFF0000), D3D_OK);
        p->SetRenderState(D3DRS_STENCILENABLE, 0);
        Image image = p.ReadBack();
        for (const Probe& probe : c.probes)
            EXPECT_EQ(image(probe.x, probe.y), probe.painted ? 0xFFFF0000u : 0xFF000000u)
                << "at " << probe.x << ", " << probe.y;
    }
}

TEST_F(GlDeviceTest, MultisamplingSmoothsAnEdge)
{
    uint32_t quality = 0;
    if (m_system->CheckDeviceMultiSampleType(
            D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, D3DMULTISAMPLE_4_SAMPLES, &quality)
        != D3D_OK)
        GTEST_SKIP() << "this driver offers no 4-sample render targets";
    for (D3DMULTISAMPLE_TYPE samples : { D3DMULTISAMPLE_NONE, D3DMULTISAMPLE_4_SAMPLES }) {
        SCOPED_TRACE(samples == D3DMULTISAMPLE_NONE ? "single sample" : "4 samples");
        Painter p = Begin(16, 16, samples);
        p->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0);
        ASSERT_EQ(
            p.Draw({ At(0, 0, 0.5f, 0xFFFFFFFF), At(16, 0, 0.5f, 0xFFFFFFFF), At(0, 13, 0.5f, 0xFFFFFFFF) },
                { 0, 1, 2 }),
            D3D_OK);
        p->EndScene();
        ASSERT_EQ(p->PresentEx(nullptr, nullptr, nullptr, nullptr, 0), D3D_OK);
        const FrontBuffer& front = p->GetFrontBuffer();
        ASSERT_EQ(front.Pixels.size(), 256u);
        int partial = 0;
        for (uint32_t pixel : front.Pixels) {
            uint32_t red = (pixel >> 16) & 0xFF;
            partial += red > 0 && red < 255;
        }
        if (samples == D3DMULTISAMPLE_NONE)
            EXPECT_EQ(partial, 0);
        else
            EXPECT_GT(partial, 4);
        // The resolved back buffer reads back the same frame.
        Image image = p.ReadBack();
        EXPECT_EQ(image.Pixels, front.Pixels);
    }
}

TEST_F(GlDeviceTest, MultisampleCheckReportsWhatDevicesGet)
{
    for (D3DMULTISAMPLE_TYPE type : { D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES,
             D3DMULTISAMPLE_8_SAMPLES, D3DMULTISAMPLE_16_SAMPLES }) {
        SCOPED_TRACE(std::to_string(type) + " samples");
        bool offered = m_system->CheckDeviceMultiSampleType(
                           D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, type, nullptr)
            == D3D_OK;
        D3DPRESENT_PARAMETERS p = Parameters(8, 8, type);
        DevicePtr device;
        HRESULT created = m_system->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, device);
        EXPECT_EQ(Succeeded(created), offered);
        SurfacePtr target;
        if (device) {
            EXPECT_EQ(
                Succeeded(device->CreateRenderTarget(8, 8, D3DFMT_A8R8G8B8, type, 0, 0, target)), offered);
        }
    }
    EXPECT_EQ(m_system->CheckDeviceMultiSampleType(
                  D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, D3DMULTISAMPLE_NONE, nullptr),
        D3D_OK);
}

TEST_F(GlDeviceTest, MaximumTextureWidthIsCappedForCallers)
{
    D3DCAPS9 caps {};
    ASSERT_EQ(m_system->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps), D3D_OK);
    EXPECT_EQ(caps.MaxTextureWidth, 2048u);
    EXPECT_NE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, 0u);

    struct Case {
        uint32_t cap;
        uint32_t expected;
    };
    for (Case c : { Case { 512, 512 }, Case { 64, 64 } }) {
        SCOPED_TRACE("cap " + std::to_string(c.cap));
        RuntimePtr runtime = CreateGlRuntime({ c.cap });
        SystemPtr system = runtime->Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_TRUE(system);
        ASSERT_EQ(system->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps), D3D_OK);
        EXPECT_EQ(caps.MaxTextureWidth, c.expected);
        EXPECT_EQ(caps.MaxTextureHeight, c.expected);
    }
    // The cap is advice for texture builders: larger textures are still made when the
    // driver can hold them.
    DevicePtr device = MakeDevice(4, 4);
    TexturePtr wide;
    EXPECT_EQ(
        device->CreateTexture(4096, 1, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, wide), D3D_OK);
}

TEST_F(GlDeviceTest, PlainSystemRefusesExtendedCalls)
{
    SystemPtr plain = m_runtime->Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(plain);
    D3DPRESENT_PARAMETERS p = Parameters(4, 4);
    DevicePtr device;
    EXPECT_EQ(plain->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, nullptr, device),
        D3DERR_INVALIDCALL);
    EXPECT_FALSE(device);
    ASSERT_EQ(plain->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, device), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->CheckDeviceState(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->ResetEx(p, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Reset(p), D3D_OK);
    // A plain device made on the extended system answers both.
    DevicePtr onExtended;
    ASSERT_EQ(m_system->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, onExtended), D3D_OK);
    EXPECT_EQ(onExtended->CheckDeviceState(nullptr), D3D_OK);
    EXPECT_EQ(onExtended->ResetEx(p, nullptr), D3D_OK);
    EXPECT_EQ(m_runtime->Direct3DCreate9(12345), nullptr);
}

TEST_F(GlDeviceTest, StateBlockRecordsWithoutExecutingAndApplyReplays)
{
    Painter p = Begin(2, 2);
    ASSERT_EQ(p->BeginStateBlock(), D3D_OK);
    EXPECT_EQ(p->BeginStateBlock(), D3DERR_INVALIDCALL);
    p->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    StateBlockPtr block;
    ASSERT_EQ(p->EndStateBlock(block), D3D_OK);
    ASSERT_TRUE(block);
    ASSERT_EQ(p.Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0.5f, 0xFFFF0000), D3D_OK);
    EXPECT_EQ(p.ReadBack()(0, 0), 0xFFFF0000u);
    ASSERT_EQ(block->Apply(), D3D_OK);
    ASSERT_EQ(p.Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0.5f, 0xFF00FF00), D3D_OK);
    EXPECT_EQ(p.ReadBack()(0, 0), 0xFFFF0000u);
}

TEST_F(GlDeviceTest, ProjectionRecordedInABlockGetsTheFixesWhenApplied)
{
    // A block recorded for one target size and applied on it maps texels exactly, so the
    // half-pixel move is added at upload, not captured at recording.
    Painter p = Begin(6, 6);
    ASSERT_EQ(p->BeginStateBlock(), D3D_OK);
    p->SetTransform(D3DTS_PROJECTION, PixelProjection(6, 6));
    StateBlockPtr block;
    ASSERT_EQ(p->EndStateBlock(block), D3D_OK);
    p->SetTransform(D3DTS_PROJECTION, Identity());
    block->Apply();
    auto texel = [](uint32_t x, uint32_t y) { return 0xFF000000u | (x * 40) << 16 | (y * 40) << 8; };
    TexturePtr texture = MakeTexture(*p, 6, 6, texel);
    SampleTexture(*p, texture, D3DTEXF_POINT);
    ASSERT_EQ(p.Quad(-0.5f, -0.5f, 5.5f, 5.5f, 0.5f, 0xFFFFFFFF), D3D_OK);
    Image image = p.ReadBack();
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < 6; ++x)
            ASSERT_EQ(image(x, y), texel(x, y)) << x << ", " << y;
}

TEST_F(GlDeviceTest, PresentHandsTheFrameToTheWindowLayer)
{
    int frames = 0;
    WindowHandle seen = nullptr;
    uint32_t firstPixel = 0;
    SetPresentHandler([&](WindowHandle window, const FrontBuffer& frame) {
        ++frames;
        seen = window;
        firstPixel = frame.Pixels.empty() ? 0 : frame.Pixels[0];
    });
    int window = 0;
    D3DPRESENT_PARAMETERS parameters = Parameters(4, 2);
    parameters.hDeviceWindow = &window;
    DevicePtr device;
    ASSERT_EQ(
        m_system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &window, 0, parameters, nullptr, device),
        D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1, 0);
    EXPECT_EQ(device->PresentEx(nullptr, nullptr, nullptr, nullptr, 0), D3D_OK);
    int other = 0;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF405060, 1, 0);
    EXPECT_EQ(device->Present(nullptr, nullptr, &other, nullptr), D3D_OK);
    SetPresentHandler(nullptr);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(seen, &other);
    EXPECT_EQ(firstPixel, 0xFF405060u);
    const FrontBuffer& front = device->GetFrontBuffer();
    EXPECT_EQ(front.Width, 4);
    EXPECT_EQ(front.Height, 2);
    // The front buffer keeps the last presented frame.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1, 0);
    EXPECT_EQ(front.Pixels[7], 0xFF405060u);
}

TEST_F(GlDeviceTest, DevicesKeepTheirOwnStateAndResources)
{
    Painter a = Begin(2, 2);
    Painter b = Begin(2, 2);
    a->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
    b->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
    a->SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    ASSERT_EQ(b.Quad(-0.5f, -0.5f, 1.5f, 1.5f, 0.5f, 0xFFFF0000), D3D_OK);
    EXPECT_EQ(a.ReadBack()(0, 0), 0xFF0000FFu);
    EXPECT_EQ(b.ReadBack()(0, 0), 0xFFFF0000u);
    // Another device's objects are refused.
    TexturePtr texture;
    ASSERT_EQ(a->CreateTexture(2, 2, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture), D3D_OK);
    EXPECT_EQ(b->SetTexture(0, texture), D3DERR_INVALIDCALL);
    SurfacePtr surface;
    ASSERT_EQ(a->CreateOffscreenPlainSurface(2, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, surface), D3D_OK);
    SurfacePtr back;
    ASSERT_EQ(b->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
    EXPECT_EQ(b->GetRenderTargetData(back, surface), D3DERR_INVALIDCALL);
}

TEST_F(GlDeviceTest, ResourcesOutliveTheirDevice)
{
    TexturePtr texture;
    VertexBufferPtr buffer;
    SurfacePtr back;
    {
        DevicePtr device = MakeDevice(2, 2);
        ASSERT_EQ(device->CreateTexture(2, 2, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture),
            D3D_OK);
        ASSERT_EQ(device->CreateVertexBuffer(72, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, buffer), D3D_OK);
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
    }
    D3DLOCKED_RECT locked {};
    EXPECT_EQ(texture->LockRect(0, locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    texture.reset();
    buffer.reset();
    back.reset();
}

TEST_F(GlDeviceTest, TextureLockWithoutDiscardKeepsItsPixels)
{
    DevicePtr device = MakeDevice(2, 2);
    auto texel = [](uint32_t x, uint32_t y) { return 0x80000000u | x << 16 | y << 8 | 0x7F; };
    TexturePtr texture = MakeTexture(*device, 3, 2, texel);
    D3DLOCKED_RECT locked {};
    RECT part { 1, 1, 3, 2 };
    ASSERT_EQ(texture->LockRect(0, locked, &part, 0), D3D_OK);
    uint32_t value;
    std::memcpy(&value, locked.pBits, 4);
    EXPECT_EQ(value, texel(1, 1));
    std::memcpy(&value, static_cast<uint8_t*>(locked.pBits) + 4, 4);
    EXPECT_EQ(value, texel(2, 1));
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
}

TEST_F(GlDeviceTest, DiscardingLockOfAPartUploadsOnlyThatPart)
{
    DevicePtr device = MakeDevice(2, 2);
    auto texel = [](uint32_t x, uint32_t y) { return 0x80000000u | x << 16 | y << 8 | 0x7F; };
    TexturePtr texture = MakeTexture(*device, 3, 2, texel);
    D3DLOCKED_RECT locked {};
    RECT part { 1, 1, 3, 2 };
    ASSERT_EQ(texture->LockRect(0, locked, &part, D3DLOCK_DISCARD), D3D_OK);
    const uint32_t values[2] = { 0xFF112233u, 0xFF445566u };
    std::memcpy(locked.pBits, values, sizeof values);
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

    ASSERT_EQ(texture->LockRect(0, locked, nullptr, 0), D3D_OK);
    const auto at = [&](int x, int y) {
        uint32_t value;
        std::memcpy(&value, static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
        return value;
    };
    EXPECT_EQ(at(1, 1), values[0]);
    EXPECT_EQ(at(2, 1), values[1]);
    EXPECT_EQ(at(0, 1), texel(0, 1));
    EXPECT_EQ(at(2, 0), texel(2, 0));
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
}

// The device layer must leave callers without a system, not crash, when there is no EGL
// display at all. A child process that points the EGL loader at no driver shows it.
TEST(GlRuntime, NoEglDisplayMeansNoSystem)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/no-driver.json", 1);
            RuntimePtr runtime = CreateGlRuntime();
            SystemPtr system;
            bool none = runtime->Direct3DCreate9(D3D_SDK_VERSION) == nullptr
                && runtime->Direct3DCreate9Ex(D3D_SDK_VERSION, system) == D3DERR_NOTAVAILABLE && !system;
            std::_Exit(none ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
