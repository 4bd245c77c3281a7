#include "platform/gpu/RecordingDevice.h"

#include "platform/gpu/D3DNames.h"

#include "tests/platform/gpu/GpuTestSupport.h"

#include <gtest/gtest.h>

using namespace gputest;

namespace {

class RecordingDeviceTest : public ::testing::Test {
protected:
    void Start(RecordingOptions options = {})
    {
        m_runtime = std::make_shared<RecordingRuntime>(std::move(options));
        ASSERT_EQ(m_runtime->Direct3DCreate9Ex(D3D_SDK_VERSION, m_system), D3D_OK);
        D3DPRESENT_PARAMETERS p = Parameters(4, 2);
        ASSERT_EQ(
            m_system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, nullptr, m_device),
            D3D_OK);
        Log().ClearCalls();
    }

    Recorder& Log() { return m_runtime->GetRecorder(); }
    RecordingDevice& Fake() { return static_cast<RecordingDevice&>(*m_device); }

    std::shared_ptr<RecordingRuntime> m_runtime;
    SystemPtr m_system;
    DevicePtr m_device;
};

TEST_F(RecordingDeviceTest, LogsEveryCallAsALine)
{
    auto runtime = std::make_shared<RecordingRuntime>();
    SystemPtr system;
    ASSERT_EQ(runtime->Direct3DCreate9Ex(0x80000020u, system), D3D_OK);
    D3DCAPS9 caps {};
    system->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps);
    system->CheckDeviceMultiSampleType(
        D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, D3DMULTISAMPLE_2_SAMPLES, nullptr);
    D3DPRESENT_PARAMETERS p = Parameters(640, 480);
    DevicePtr device;
    system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0x46, p, nullptr, device);
    {
        TexturePtr texture;
        device->CreateTexture(64, 32, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture);
        device->SetTexture(0, texture);
        device->SetTexture(0, nullptr);
    }
    device->SetRenderState(D3DRS_AMBIENT, 0xFF696969);
    device->SetTransform(D3DTS_WORLD, Identity());
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
    const char* expected = R"(Direct3DCreate9Ex(0x80000020) -> System1
System1.GetDeviceCaps(0, 1)
System1.CheckDeviceMultiSampleType(0, 1, D3DFMT_A8R8G8B8, -1, 2) = D3DERR_NOTAVAILABLE
System1.CreateDeviceEx(0, 1, nil, 0x46, {640x480 D3DFMT_A8R8G8B8 Count 0 MultiSample 0/0 SwapEffect 1 Window nil Windowed -1 AutoDepthStencil -1 D3DFMT_D24S8 Flags 0 Refresh 0 Interval 0x80000000}) -> Device1
Device1.CreateTexture(64, 32, 1, 0x200, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> Texture1
Device1.SetTexture(0, Texture1)
Device1.SetTexture(0, nil)
Texture1.Release()
Device1.SetRenderState(D3DRS_AMBIENT, 0xFF696969)
Device1.SetTransform(D3DTS_WORLD, [1 0 0 0; 0 1 0 0; 0 0 1 0; 0 0 0 1])
Device1.Clear(0, nil, 0x3, 0xFF000000, 1, 0)
)";
    EXPECT_EQ(runtime->GetRecorder().Log(), expected);
}

TEST_F(RecordingDeviceTest, StateBlockRecordsWithoutExecutingAndApplyReplays)
{
    Start();
    D3DMATRIX projection = PixelProjection(4, 2);
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    EXPECT_TRUE(Fake().IsRecordingStateBlock());
    m_device->SetTransform(D3DTS_PROJECTION, projection);
    m_device->SetRenderState(D3DRS_LIGHTING, 0);
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    m_device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    StateBlockPtr block;
    ASSERT_EQ(m_device->EndStateBlock(block), D3D_OK);

    // Nothing of the recording reached the device state.
    const DeviceState& state = Fake().State();
    EXPECT_EQ(state.RenderState(D3DRS_LIGHTING), 1u);
    EXPECT_EQ(state.SamplerState(D3DSAMP_MINFILTER), uint32_t(D3DTEXF_POINT));
    EXPECT_EQ(state.StageState(D3DTSS_COLOROP), uint32_t(D3DTOP_MODULATE));
    EXPECT_EQ(std::memcmp(&state.Projection, &projection, sizeof projection) == 0, false);
    ASSERT_EQ(block->Calls().size(), 4u);

    Log().ClearCalls();
    ASSERT_EQ(block->Apply(), D3D_OK);
    EXPECT_EQ(state.RenderState(D3DRS_LIGHTING), 0u);
    EXPECT_EQ(state.SamplerState(D3DSAMP_MINFILTER), uint32_t(D3DTEXF_LINEAR));
    EXPECT_EQ(state.StageState(D3DTSS_COLOROP), uint32_t(D3DTOP_SELECTARG2));
    EXPECT_EQ(std::memcmp(&state.Projection, &projection, sizeof projection), 0);
    // The replay goes through the ordinary setters, so the log shows it after the Apply.
    ASSERT_EQ(Log().Calls().size(), 5u);
    EXPECT_EQ(Log().Calls()[0], "StateBlock1.Apply()");
    EXPECT_EQ(Log().Calls()[2], "Device1.SetRenderState(D3DRS_LIGHTING, 0)");

    Log().ClearCalls();
    block.reset();
    EXPECT_EQ(Log().Log(), "StateBlock1.Release()\n");
}

TEST_F(RecordingDeviceTest, ScriptedDeviceLossSequence)
{
    Start();
    Log().Script("CheckDeviceState", { D3DERR_DEVICELOST, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET });
    // A frame loop in the canvas's manner: skip while lost, reset when asked, then draw.
    std::vector<std::string> outcome;
    for (int frame = 0; frame < 4; ++frame) {
        HRESULT state = m_device->CheckDeviceState(nullptr);
        if (state == D3DERR_DEVICELOST) {
            outcome.push_back("skipped");
            continue;
        }
        if (state == D3DERR_DEVICENOTRESET) {
            D3DPRESENT_PARAMETERS p = Parameters(8, 8);
            ASSERT_EQ(m_device->ResetEx(p, nullptr), D3D_OK);
            state = m_device->CheckDeviceState(nullptr);
        }
        outcome.push_back(state == D3D_OK ? "drawn" : "failed");
    }
    EXPECT_EQ(outcome, (std::vector<std::string> { "skipped", "skipped", "drawn", "drawn" }));
    EXPECT_EQ(Fake().Parameters().BackBufferWidth, 8u);
    EXPECT_EQ(Log().Calls()[2], "Device1.CheckDeviceState(nil) = D3DERR_DEVICENOTRESET");

    // A script for one object comes before the script for every object.
    Log().Script("TestCooperativeLevel", { D3DERR_DEVICELOST });
    Log().Script("Device1.TestCooperativeLevel", { D3DERR_DEVICENOTRESET });
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
}

TEST_F(RecordingDeviceTest, PlainResetNeedsVideoMemoryResourcesReleased)
{
    auto runtime = std::make_shared<RecordingRuntime>();
    SystemPtr system = runtime->Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_TRUE(system);
    D3DPRESENT_PARAMETERS p = Parameters(4, 4);
    DevicePtr device;
    ASSERT_EQ(system->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, device), D3D_OK);

    struct Case {
        const char* name;
        std::function<std::shared_ptr<void>(Device&)> hold;
        bool blocks;
    };
    const Case cases[] = {
        { "dynamic texture",
            [](Device& d) {
                TexturePtr t;
                d.CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, t);
                return t;
            },
            true },
        { "vertex ring",
            [](Device& d) {
                VertexBufferPtr b;
                d.CreateVertexBuffer(72, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, b);
                return b;
            },
            true },
        { "render target",
            [](Device& d) {
                SurfacePtr s;
                d.CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, s);
                return s;
            },
            true },
        { "state block",
            [](Device& d) {
                StateBlockPtr b;
                d.BeginStateBlock();
                d.EndStateBlock(b);
                return b;
            },
            true },
        { "back buffer reference",
            [](Device& d) {
                SurfacePtr s;
                d.GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, s);
                return s;
            },
            true },
        { "system-memory read-back surface",
            [](Device& d) {
                SurfacePtr s;
                d.CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, s);
                return s;
            },
            false },
        { "managed texture",
            [](Device& d) {
                TexturePtr t;
                d.CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, t);
                return t;
            },
            false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::shared_ptr<void> held = c.hold(*device);
        ASSERT_TRUE(held);
        EXPECT_EQ(device->Reset(p), c.blocks ? D3DERR_INVALIDCALL : D3D_OK);
        held.reset();
        EXPECT_EQ(device->Reset(p), D3D_OK);
    }
    // A texture the device still has bound does not count as held by the caller.
    TexturePtr bound;
    device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, bound);
    device->SetTexture(0, bound);
    bound.reset();
    EXPECT_EQ(device->Reset(p), D3D_OK);
    // The plain path has no extended calls.
    EXPECT_EQ(device->ResetEx(p, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CheckDeviceState(nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->PresentEx(nullptr, nullptr, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, RuntimeEntryPointsAndTheirFailures)
{
    struct Case {
        const char* name;
        RecordingOptions options;
        std::vector<HRESULT> createExScript;
        bool systemEx;
        bool systemPlain;
    };
    RecordingOptions noEx;
    noEx.ExportsDirect3DCreate9Ex = false;
    RecordingOptions nothing;
    nothing.ExportsDirect3DCreate9 = false;
    nothing.ExportsDirect3DCreate9Ex = false;
    const Case cases[] = {
        { "both exported", {}, {}, true, true },
        { "only the plain entry", noEx, {}, false, true },
        { "extended entry fails once", {}, { D3DERR_NOTAVAILABLE }, false, true },
        { "no entry at all", nothing, {}, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingRuntime runtime(c.options);
        runtime.GetRecorder().Script("Direct3DCreate9Ex", c.createExScript);
        EXPECT_EQ(runtime.ExportsDirect3DCreate9Ex(), c.options.ExportsDirect3DCreate9Ex);
        SystemPtr system;
        EXPECT_EQ(Succeeded(runtime.Direct3DCreate9Ex(D3D_SDK_VERSION, system)), c.systemEx);
        EXPECT_EQ(system != nullptr, c.systemEx);
        EXPECT_EQ(runtime.Direct3DCreate9(D3D_SDK_VERSION) != nullptr, c.systemPlain);
    }
}

TEST_F(RecordingDeviceTest, ExtendedDeviceCreationCanFail)
{
    Start();
    D3DPRESENT_PARAMETERS p = Parameters(4, 4);
    Log().Script("CreateDeviceEx", { E_FAIL });
    DevicePtr device;
    EXPECT_EQ(
        m_system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, nullptr, device), E_FAIL);
    EXPECT_FALSE(device);
    // The plain call on the same system then gives a device that answers the extended calls,
    // unless the runtime is told otherwise.
    ASSERT_EQ(m_system->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, device), D3D_OK);
    EXPECT_EQ(device->CheckDeviceState(nullptr), D3D_OK);
    Log().MutableOptions().PlainDevicesAnswerExtendedCalls = false;
    ASSERT_EQ(m_system->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, device), D3D_OK);
    EXPECT_EQ(device->CheckDeviceState(nullptr), D3DERR_INVALIDCALL);
}

TEST_F(RecordingDeviceTest, MultisampleSupportFollowsTheOptions)
{
    struct Case {
        const char* name;
        std::vector<uint32_t> offered;
        bool two, four;
    };
    const Case cases[] = {
        { "like llvmpipe", { 4 }, false, true },
        { "both", { 2, 4 }, true, true },
        { "none", {}, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingOptions options;
        options.SampleCounts = c.offered;
        Start(options);
        auto check = [this](D3DMULTISAMPLE_TYPE type) {
            return m_system->CheckDeviceMultiSampleType(
                       D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, type, nullptr)
                == D3D_OK;
        };
        EXPECT_EQ(check(D3DMULTISAMPLE_2_SAMPLES), c.two);
        EXPECT_EQ(check(D3DMULTISAMPLE_4_SAMPLES), c.four);
        EXPECT_TRUE(check(D3DMULTISAMPLE_NONE));
        D3DPRESENT_PARAMETERS p = Parameters(4, 4, D3DMULTISAMPLE_4_SAMPLES);
        DevicePtr device;
        EXPECT_EQ(Succeeded(m_system->CreateDeviceEx(
                      D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, nullptr, device)),
            c.four);
    }
}

TEST_F(RecordingDeviceTest, OversizedPitchesKeepRowsApart)
{
    RecordingOptions options;
    options.PitchPadding = 12;
    Start(options);
    D3DRECT bottom { 0, 1, 4, 2 };
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
    m_device->Clear(1, &bottom, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0);
    SurfacePtr back;
    SurfacePtr memory;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
    ASSERT_EQ(
        m_device->CreateOffscreenPlainSurface(4, 2, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, memory), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, memory), D3D_OK);
    D3DLOCKED_RECT locked {};
    ASSERT_EQ(memory->LockRect(locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 4 * 4 + 12);
    auto pixel = [&](int x, int y) {
        uint32_t p;
        std::memcpy(&p, static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + x * 4, 4);
        return p;
    };
    EXPECT_EQ(pixel(3, 0), 0xFF0000FFu);
    EXPECT_EQ(pixel(0, 1), 0xFF00FF00u);
    EXPECT_EQ(pixel(3, 1), 0xFF00FF00u);
    memory->UnlockRect();

    TexturePtr texture;
    ASSERT_EQ(m_device->CreateTexture(3, 3, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture),
        D3D_OK);
    ASSERT_EQ(texture->LockRect(0, locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
    EXPECT_EQ(locked.Pitch, 3 * 4 + 12);
    uint32_t value = 0xFFABCDEF;
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + 2 * locked.Pitch + 4, &value, 4);
    texture->UnlockRect(0);
    EXPECT_EQ(static_cast<RecordingTexture&>(*texture).Pixel(1, 2), 0xFFABCDEFu);
}

TEST_F(RecordingDeviceTest, ScriptedFailuresLeaveNothingBehind)
{
    Start();
    Log().Script("CreateTexture", { D3DERR_OUTOFVIDEOMEMORY });
    Log().Script("Lock", { D3DERR_INVALIDCALL });
    TexturePtr texture;
    EXPECT_EQ(m_device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture),
        D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_FALSE(texture);
    EXPECT_EQ(m_device->CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, texture),
        D3D_OK);
    EXPECT_TRUE(texture);
    VertexBufferPtr buffer;
    ASSERT_EQ(m_device->CreateVertexBuffer(72, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, buffer), D3D_OK);
    void* data = &data;
    EXPECT_EQ(buffer->Lock(0, 36, &data, D3DLOCK_NOOVERWRITE), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Lock(0, 36, &data, D3DLOCK_NOOVERWRITE), D3D_OK);
    EXPECT_EQ(Log().Calls().front(),
        "Device1.CreateTexture(4, 4, 1, 0x200, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) = D3DERR_OUTOFVIDEOMEMORY");
}

TEST_F(RecordingDeviceTest, DrawsKeepTheDataTheyRead)
{
    Start();
    Painter p(m_device);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(
        p.Draw({ At(1, 2, 3, 0x80FF0000, 0.25f, 0.5f), At(4, 5, 6, 0xFF00FF00), At(7, 8, 9, 0xFF0000FF) },
            { 2, 1, 0 }),
        D3D_OK);
    ASSERT_EQ(Log().Draws().size(), 1u);
    const RecordedDraw& draw = Log().Draws()[0];
    EXPECT_EQ(draw.Device, "Device1");
    EXPECT_EQ(draw.PrimitiveCount, 1u);
    EXPECT_EQ(draw.Indices, (std::vector<uint32_t> { 2, 1, 0 }));
    RecordedVertex first = draw.Vertex(0);
    EXPECT_EQ(first.X, 1);
    EXPECT_EQ(first.Z, 3);
    EXPECT_EQ(first.NZ, -1);
    EXPECT_EQ(first.Color, 0x80FF0000u);
    EXPECT_EQ(first.U, 0.25f);
    EXPECT_EQ(first.V, 0.5f);
    EXPECT_EQ(draw.Vertex(2).Y, 8);
    EXPECT_EQ(Log().Calls().back(), "Device1.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1)");
}

TEST_F(RecordingDeviceTest, PresentCopiesTheBackBufferToTheFrontBuffer)
{
    Start();
    int window = 0;
    WindowHandle seen = nullptr;
    SetPresentHandler([&](WindowHandle w, const FrontBuffer&) { seen = w; });
    m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x40FFFFFF, 1, 0);
    EXPECT_EQ(m_device->PresentEx(nullptr, nullptr, &window, nullptr, 0), D3D_OK);
    SetPresentHandler(nullptr);
    EXPECT_EQ(seen, &window);
    const FrontBuffer& front = m_device->GetFrontBuffer();
    ASSERT_EQ(front.Pixels.size(), 8u);
    EXPECT_EQ(front.Pixels[5], 0x40404040u);
}

TEST_F(RecordingDeviceTest, LightsOfTheLastFrameAreOffAtTheNextBeginScene)
{
    Start();
    D3DLIGHT9 light = DeviceState::DefaultLight();
    m_device->SetLight(0, light);
    m_device->LightEnable(0, 1);
    m_device->LightEnable(3, 1);
    EXPECT_TRUE(Fake().State().Lights.at(3).Enabled);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_FALSE(Fake().State().Lights.at(0).Enabled);
    EXPECT_FALSE(Fake().State().Lights.at(3).Enabled);
}

} // namespace
