#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvLight.h"
#include "scene3d/ThvPosition.h"

#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b)
{
    return std::memcmp(a.m, b.m, sizeof a.m) == 0;
}

// Presets and the frame cycle over the recording device.
class DirectXFrameTest : public ::testing::Test {
protected:
    Recorder& Start(bool extended = true, RecordingOptions options = {})
    {
        options.ExportsDirect3DCreate9Ex = extended;
        m_runtime = StartRecording(options);
        return m_runtime->GetRecorder();
    }

    ModuleGuard m_guard;
    std::shared_ptr<RecordingRuntime> m_runtime;
};

// A light of the frame, freed with the test.
struct Light {
    explicit Light(ThvLightType type, ThvPoint position = {})
        : object(new ThvLight(nullptr))
    {
        object->SetLightType(type);
        object->GetPosition()->SetPoint(position);
    }
    rtl::TOwned<ThvLight> object;
};

} // namespace

TEST_F(DirectXFrameTest, PresetsAreRecordedWithoutEffectAndApplyWhatTheySet)
{
    Start();
    const ThvMatrix view = FrontView();
    const auto rs
        = [](D3DRENDERSTATETYPE s) { return [s](const DeviceState& d) { return d.RenderState(s); }; };
    struct Case {
        ThvRenderState preset;
        std::function<bool(const DeviceState&, ThvDirectXCanvas&)> applied;
        bool differsFromDefault;
    };
    const auto state = [&](D3DRENDERSTATETYPE s, uint32_t v) {
        return [rs, s, v](const DeviceState& d, ThvDirectXCanvas&) { return rs(s)(d) == v; };
    };
    const auto stage = [](D3DTEXTUREOP op, uint32_t arg1) {
        return [op, arg1](const DeviceState& d, ThvDirectXCanvas&) {
            return d.StageState(D3DTSS_COLOROP) == op && d.StageState(D3DTSS_ALPHAOP) == op
                && d.StageState(D3DTSS_COLORARG1) == arg1 && d.StageState(D3DTSS_ALPHAARG1) == arg1
                && d.StageState(D3DTSS_COLORARG2) == D3DTA_DIFFUSE
                && d.StageState(D3DTSS_ALPHAARG2) == D3DTA_DIFFUSE;
        };
    };
    const auto filter = [](D3DTEXTUREFILTERTYPE minMag) {
        return [minMag](const DeviceState& d, ThvDirectXCanvas&) {
            return d.SamplerState(D3DSAMP_MINFILTER) == minMag && d.SamplerState(D3DSAMP_MAGFILTER) == minMag
                && d.SamplerState(D3DSAMP_MIPFILTER) == D3DTEXF_LINEAR;
        };
    };
    const D3DMATRIX identity = hvMatrixToD3D(hvIdentityMatrix);
    const Case cases[] = {
        { hvStateScreenProjection,
            [&](const DeviceState& d, ThvDirectXCanvas& c) {
                return SameMatrix(d.Projection, hvMatrixToD3D(c.GetScreenMatrix()))
                    && SameMatrix(d.View, identity) && SameMatrix(d.World, identity);
            },
            true },
        { hvStateCameraProjection,
            [&](const DeviceState& d, ThvDirectXCanvas& c) {
                return SameMatrix(d.Projection, hvMatrixToD3D(c.GetProjectionMatrix()))
                    && SameMatrix(d.View, hvMatrixToD3D(view)) && SameMatrix(d.World, identity);
            },
            true },
        { hvStateLightingOn, state(D3DRS_LIGHTING, 1), false },
        { hvStateLightingOff, state(D3DRS_LIGHTING, 0), true },
        { hvStateZTestOn,
            [&](const DeviceState& d, ThvDirectXCanvas& c) {
                return state(D3DRS_ZENABLE, D3DZB_TRUE)(d, c) && state(D3DRS_ZFUNC, D3DCMP_LESSEQUAL)(d, c);
            },
            false },
        { hvStateZTestOff, state(D3DRS_ZENABLE, D3DZB_FALSE), true },
        { hvStateZWriteOn, state(D3DRS_ZWRITEENABLE, 1), false },
        { hvStateZWriteOff, state(D3DRS_ZWRITEENABLE, 0), true },
        { hvStateCullCCW, state(D3DRS_CULLMODE, D3DCULL_CCW), false },
        { hvStateCullCW, state(D3DRS_CULLMODE, D3DCULL_CW), true },
        { hvStateCullNone, state(D3DRS_CULLMODE, D3DCULL_NONE), true },
        { hvStateBlendAdditive,
            [&](const DeviceState& d, ThvDirectXCanvas& c) {
                return state(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)(d, c)
                    && state(D3DRS_DESTBLEND, D3DBLEND_ONE)(d, c);
            },
            true },
        { hvStateBlendAlpha,
            [&](const DeviceState& d, ThvDirectXCanvas& c) {
                return state(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)(d, c)
                    && state(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)(d, c);
            },
            true },
        { hvStateFilterPoint, filter(D3DTEXF_POINT), true },
        { hvStateFilterLinear, filter(D3DTEXF_LINEAR), true },
        { hvStateTextureNone, stage(D3DTOP_SELECTARG2, D3DTA_DIFFUSE), true },
        { hvStateTextureReplace, stage(D3DTOP_SELECTARG1, D3DTA_TEXTURE), true },
        { hvStateTextureModulate, stage(D3DTOP_MODULATE, D3DTA_TEXTURE), false },
        { hvStateWireframe, state(D3DRS_FILLMODE, D3DFILL_WIREFRAME), true },
        { hvStateSolid, state(D3DRS_FILLMODE, D3DFILL_SOLID), false },
        { hvStateFlat, state(D3DRS_SHADEMODE, D3DSHADE_FLAT), true },
        { hvStateGouraud, state(D3DRS_SHADEMODE, D3DSHADE_GOURAUD), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(rtl::EnumName(c.preset)));
        CanvasPtr canvas = MakeWindowCanvas(40, 30);
        ThvMatrix inverse = view;
        hvInvertMatrix(inverse);
        canvas->SetViewMatrices(view, inverse);
        canvas->SetMatrix(Translation(1, 2, 3));
        RecordingDevice& device = Recording(*canvas);
        // Recording all 22 presets at creation executed none of them.
        EXPECT_FALSE(device.IsRecordingStateBlock());
        if (c.differsFromDefault) {
            EXPECT_FALSE(c.applied(device.State(), *canvas));
        }
        ASSERT_TRUE(canvas->GetStateHandle(c.preset));
        canvas->SetState(c.preset);
        EXPECT_TRUE(c.applied(device.State(), *canvas));
    }
}

TEST_F(DirectXFrameTest, RecordingAPresetAgainReplacesItsBlock)
{
    Start();
    CanvasPtr canvas = MakeWindowCanvas(8, 8);
    const std::weak_ptr<StateBlock> old = canvas->GetStateHandle(hvStateCullNone);
    ASSERT_FALSE(old.expired());
    canvas->RecordState(hvStateCullNone);
    EXPECT_TRUE(old.expired());
    EXPECT_TRUE(canvas->GetStateHandle(hvStateCullNone));
}

TEST_F(DirectXFrameTest, CameraProjectionTakesTheViewSetLastAndResetsTheWorld)
{
    Start();
    CanvasPtr canvas = MakeWindowCanvas(8, 8);
    RecordingDevice& device = Recording(*canvas);
    const ThvMatrix first = FrontView();
    const ThvMatrix second = hvMatrixLookAtDirRH({ 5, 0, 0, 1 }, { -1, 0, 0, 0 }, { 0, 0, 1, 0 });

    canvas->SetViewMatrices(first, hvIdentityMatrix);
    canvas->SetState(hvStateCameraProjection);
    EXPECT_TRUE(SameMatrix(device.State().View, hvMatrixToD3D(first)));
    canvas->SetMatrix(Translation(4, 5, 6));
    EXPECT_TRUE(SameMatrix(device.State().World, hvMatrixToD3D(Translation(4, 5, 6))));

    canvas->SetState(hvStateScreenProjection);
    EXPECT_TRUE(SameMatrix(device.State().View, hvMatrixToD3D(hvIdentityMatrix)));
    EXPECT_TRUE(SameMatrix(device.State().World, hvMatrixToD3D(hvIdentityMatrix)));
    canvas->SetViewMatrices(second, hvIdentityMatrix);
    canvas->SetState(hvStateCameraProjection);
    EXPECT_TRUE(SameMatrix(device.State().View, hvMatrixToD3D(second)));
}

TEST_F(DirectXFrameTest, ProjectionFollowsANewAspectAfterAResize)
{
    for (bool extended : { true, false }) {
        SCOPED_TRACE(extended ? "extended" : "plain");
        ModuleGuard guard;
        Start(extended);
        CanvasPtr canvas = MakeWindowCanvas(40, 20);
        canvas->ResizeBuffer(20, 40);
        for (ThvRenderState preset : { hvStateCameraProjection, hvStateScreenProjection }) {
            canvas->ResetScene();
            canvas->SetState(preset);
            const ThvMatrix expected = preset == hvStateCameraProjection ? canvas->GetProjectionMatrix()
                                                                         : canvas->GetScreenMatrix();
            EXPECT_TRUE(SameMatrix(Recording(*canvas).State().Projection, hvMatrixToD3D(expected)));
        }
    }
}

TEST_F(DirectXFrameTest, ALostDeviceSkipsTheFrameAndALaterFrameDraws)
{
    struct Case {
        const char* name;
        bool extended;
        std::vector<HRESULT> answers; // of the device state check, in order
        std::vector<bool> frames; // what BeginScene answers, frame after frame
        size_t resets;
    };
    const Case cases[] = {
        { "lost", true, { D3DERR_DEVICELOST }, { false, true }, 0 },
        { "needs a reset that works", true, { D3DERR_DEVICENOTRESET, D3D_OK }, { true }, 1 },
        { "still not reset", true, { D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET }, { false, true }, 1 },
        { "lost after the reset", true, { D3DERR_DEVICENOTRESET, D3DERR_DEVICELOST }, { false, true }, 1 },
        { "another failure is ignored", true, { E_FAIL }, { true }, 0 },
        { "plain: lost", false, { D3DERR_DEVICELOST }, { false, true }, 0 },
        { "plain: needs a reset that works", false, { D3DERR_DEVICENOTRESET, D3D_OK }, { true }, 1 },
        { "plain: still not reset", false, { D3DERR_DEVICENOTRESET, D3DERR_DEVICENOTRESET }, { false, true },
            1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleGuard guard;
        Recorder& log = Start(c.extended);
        ThvBitmap texture(4, 4);
        CanvasPtr canvas = MakeWindowCanvas(16, 16);
        log.Script(c.extended ? "CheckDeviceState" : "TestCooperativeLevel", c.answers);
        for (bool expected : c.frames) {
            const size_t draws = log.Draws().size();
            ASSERT_EQ(BeginFrame(*canvas, 0xFF000000), expected);
            if (!expected)
                continue;
            // A frame after a reset still finds its texture, rings and presets.
            UseTexture(*canvas, &texture);
            canvas->FillCube({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, 1);
            canvas->EndScene();
            EXPECT_EQ(log.Draws().size(), draws + 1);
        }
        const std::vector<std::string> resets = CallsWith(log, c.extended ? ".ResetEx(" : ".Reset(");
        EXPECT_EQ(resets.size(), c.resets);
        for (const std::string& line : resets)
            EXPECT_EQ(line.find(" = "), std::string::npos) << line;
    }
}

TEST_F(DirectXFrameTest, EachFrameLightsExactlyItsOwnLights)
{
    Recorder& log = Start();
    CanvasPtr canvas = MakeWindowCanvas(16, 16);
    RecordingDevice& device = Recording(*canvas);
    Light directional(hvLightDirectional);
    Light point(hvLightPoint, { 1, 2, 3 });
    Light spot(hvLightSpot, { -4, 0, 2 });

    const auto frame = [&](std::vector<ThvLight*> lights, bool lighting) {
        const size_t from = log.Calls().size();
        canvas->ResetScene();
        canvas->SetLighting(lighting);
        canvas->SetAmbientColor(0xFF102030);
        for (ThvLight* light : lights)
            canvas->AddLight(light);
        EXPECT_TRUE(canvas->BeginScene());
        canvas->EndScene();
        std::vector<std::string> enables = CallsWith(log, ".LightEnable(", from);
        return enables;
    };

    const std::vector<std::string> three
        = frame({ directional.object.get(), point.object.get(), spot.object.get() }, true);
    ASSERT_EQ(three.size(), 8u);
    for (uint32_t i = 0; i < 8; ++i) {
        const std::string expected
            = "Device1.LightEnable(" + std::to_string(i) + ", " + (i < 3 ? "1" : "0") + ")";
        EXPECT_EQ(three[i], expected);
    }
    EXPECT_EQ(device.State().RenderState(D3DRS_AMBIENT), 0xFF102030u);
    EXPECT_EQ(device.State().RenderState(D3DRS_LIGHTING), 1u);
    const D3DLIGHT9& d = device.State().Lights.at(0).Light;
    EXPECT_EQ(d.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_FLOAT_EQ(d.Direction.y, 1);
    EXPECT_FLOAT_EQ(d.Ambient.r, 105.0f / 255);
    const D3DLIGHT9& p = device.State().Lights.at(1).Light;
    EXPECT_EQ(p.Type, D3DLIGHT_POINT);
    EXPECT_FLOAT_EQ(p.Position.x, 1);
    EXPECT_FLOAT_EQ(p.Position.z, 3);
    EXPECT_FLOAT_EQ(p.Attenuation1, 0.2f);
    EXPECT_FLOAT_EQ(p.Range, 100);
    const D3DLIGHT9& s = device.State().Lights.at(2).Light;
    EXPECT_EQ(s.Type, D3DLIGHT_SPOT);
    EXPECT_FLOAT_EQ(s.Phi, 1);
    EXPECT_FLOAT_EQ(s.Theta, 0.5f);
    EXPECT_FLOAT_EQ(s.Attenuation0, 1);

    // A frame with fewer lights switches the others off itself, whatever the device does.
    const std::vector<std::string> one = frame({ point.object.get() }, true);
    ASSERT_EQ(one.size(), 8u);
    EXPECT_EQ(one[0], "Device1.LightEnable(0, 1)");
    EXPECT_EQ(one[1], "Device1.LightEnable(1, 0)");
    EXPECT_EQ(one[2], "Device1.LightEnable(2, 0)");
    EXPECT_EQ(device.State().Lights.at(0).Light.Type, D3DLIGHT_POINT);

    const std::vector<std::string> unlit = frame({ point.object.get() }, false);
    EXPECT_EQ(unlit.size(), 8u);
    for (const std::string& line : unlit)
        EXPECT_NE(line.find(", 0)"), std::string::npos) << line;
    EXPECT_EQ(device.State().RenderState(D3DRS_LIGHTING), 0u);
}

TEST_F(DirectXFrameTest, FramesReadBackUndistortedWhateverThePitch)
{
    RecordingOptions options;
    options.PitchPadding = 12;
    options.SampleCounts = {};
    Start(true, options);
    // A frame of two colours: the first column and the last row marked.
    const auto paint = [](ThvDirectXCanvas& canvas, int32_t width, int32_t height) {
        const D3DRECT column { 0, 0, 1, height };
        const D3DRECT row { 0, height - 1, width, height };
        canvas.GetDevice()->Clear(1, &column, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0);
        canvas.GetDevice()->Clear(1, &row, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
    };
    const auto expected = [](int32_t x, int32_t y, int32_t height) {
        return y == height - 1 ? 0xFF00FF00u : x == 0 ? 0xFFFF0000u : 0xFF000080u;
    };

    ThvBitmap bitmap(5, 3);
    CanvasPtr offscreen = MakeBitmapCanvas(bitmap);
    ASSERT_TRUE(BeginFrame(*offscreen, 0xFF000080));
    paint(*offscreen, 5, 3);
    offscreen->EndScene();
    std::vector<uint32_t> copied(15);
    offscreen->CopyBits(copied.data());
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x) {
            EXPECT_EQ(PixelOf(bitmap, x, y), expected(x, y, 3)) << x << "," << y;
            EXPECT_EQ(copied[static_cast<size_t>(y * 5 + x)], expected(x, y, 3)) << x << "," << y;
        }

    CanvasPtr window = MakeWindowCanvas(5, 3, true);
    ASSERT_TRUE(BeginFrame(*window, 0xFF000080));
    paint(*window, 5, 3);
    window->EndScene();
    const uint32_t* back = window->GetBackBufferBits();
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(back[y * 5 + x], expected(x, y, 3)) << x << "," << y;
}

TEST_F(DirectXFrameTest, BufferedWindowCanvasReadsItsFrameBeforePresenting)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> offered;
        bool resolves;
    };
    for (const Case& c : { Case { "multisampled", { 4 }, true }, Case { "no multisampling", {}, false } }) {
        SCOPED_TRACE(c.name);
        ModuleGuard guard;
        RecordingOptions options;
        options.SampleCounts = c.offered;
        Recorder& log = Start(true, options);
        CanvasPtr canvas = MakeWindowCanvas(6, 4, true, hvSuperHighQuality);
        ASSERT_TRUE(BeginFrame(*canvas, 0xFF336699));
        const size_t from = log.Calls().size();
        canvas->EndScene();
        EXPECT_EQ(CallsWith(log, ".StretchRect(", from).size(), c.resolves ? 1u : 0u);
        const std::vector<std::string> reads = CallsWith(log, ".GetRenderTargetData(", from);
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0].find("BackBuffer") == std::string::npos, c.resolves) << reads[0];
        // The read comes before the presentation, after which the back buffer means nothing.
        const std::vector<std::string>& calls = log.Calls();
        size_t read = 0, present = 0;
        for (size_t i = from; i < calls.size(); ++i) {
            if (calls[i].find(".GetRenderTargetData(") != std::string::npos)
                read = i;
            if (calls[i].find(".PresentEx(") != std::string::npos)
                present = i;
        }
        EXPECT_LT(read, present);
        for (int i = 0; i < 24; ++i)
            EXPECT_EQ(canvas->GetBackBufferBits()[i], 0xFF336699u);
        std::vector<uint32_t> copied(24);
        canvas->CopyBits(copied.data());
        EXPECT_EQ(copied, std::vector<uint32_t>(24, 0xFF336699u));
    }
}

TEST_F(DirectXFrameTest, UnbufferedWindowCanvasCopiesThePresentedFrame)
{
    Recorder& log = Start();
    std::vector<std::pair<scene3d::WindowHandle, uint32_t>> presented;
    SetPresentHandler([&](WindowHandle window, const FrontBuffer& frame) {
        presented.emplace_back(window, frame.Pixels.empty() ? 0u : frame.Pixels[0]);
    });
    CanvasPtr canvas = MakeWindowCanvas(4, 3);
    std::vector<uint32_t> bits(12, 0xDEADBEEF);
    canvas->CopyBits(bits.data());
    EXPECT_EQ(bits, std::vector<uint32_t>(12, 0u)) << "nothing presented yet: an empty frame";

    ASSERT_TRUE(BeginFrame(*canvas, 0xFF804020));
    canvas->EndScene();
    const size_t from = log.Calls().size();
    canvas->CopyBits(bits.data());
    SetPresentHandler({});
    EXPECT_EQ(bits, std::vector<uint32_t>(12, 0xFF804020u));
    EXPECT_TRUE(CallsWith(log, ".Create", from).empty()) << "no surfaces made for the copy";
    EXPECT_FALSE(canvas->GetReadbackSurface());
    EXPECT_FALSE(canvas->GetResolveTarget());
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0].first, kWindow);
    EXPECT_EQ(presented[0].second, 0xFF804020u);
}

TEST_F(DirectXFrameTest, AWindowCanvasHandsEveryFrameItPresentsToItsOwner)
{
    for (bool extended : { true, false }) {
        SCOPED_TRACE(extended ? "extended" : "plain");
        ModuleGuard guard;
        Recorder& log = Start(extended);
        CanvasPtr canvas = MakeWindowCanvas(4, 3);
        std::vector<std::string> heard;
        canvas->SetOnFramePresented([&](int32_t width, int32_t height, const uint32_t* pixels) {
            heard.push_back(std::to_string(width) + "x" + std::to_string(height) + " "
                + std::to_string(pixels[0]) + " " + std::to_string(pixels[width * height - 1]));
        });
        ASSERT_TRUE(BeginFrame(*canvas, 0xFF804020));
        canvas->EndScene();
        EXPECT_EQ(heard, (std::vector<std::string> { "4x3 4286595104 4286595104" }));

        // A present the device refuses shows nothing, so the owner hears nothing.
        log.Script(extended ? "PresentEx" : "Present", { D3DERR_INVALIDCALL });
        ASSERT_TRUE(BeginFrame(*canvas, 0xFF000000));
        canvas->EndScene();
        EXPECT_EQ(heard.size(), 1u);

        // Without a handler a frame still presents.
        canvas->SetOnFramePresented({});
        const size_t presents = CallsWith(log, "Present").size();
        ASSERT_TRUE(BeginFrame(*canvas, 0xFF000000));
        canvas->EndScene();
        EXPECT_EQ(CallsWith(log, "Present").size(), presents + 1);
        EXPECT_EQ(heard.size(), 1u);
    }
}

TEST_F(DirectXFrameTest, BitmapCanvasNeverPresentsAndCopiesTheFrameItRendered)
{
    Recorder& log = Start(false);
    ThvBitmap bitmap(3, 2);
    CanvasPtr canvas = MakeBitmapCanvas(bitmap);
    ASSERT_TRUE(BeginFrame(*canvas, 0x80402010));
    canvas->EndScene();
    EXPECT_TRUE(CallsWith(log, "Present").empty());
    for (uint32_t pixel : bitmap.Bits())
        EXPECT_EQ(pixel, 0x80402010u);
    EXPECT_TRUE(bitmap.GetNeedUpdate()) << "textures made of the bitmap are refreshed";
}
