#include "platform/gpu/DeviceRules.h"
#include "platform/gpu/D3DNames.h"
#include "platform/gpu/GlRuntime.h"
#include "platform/gpu/RecordingDevice.h"

#include "tests/platform/gpu/GpuTestSupport.h"

#include "tests/MissingDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <vector>

using namespace gputest;

namespace {

// The recording device stands in for the OpenGL one in the canvas's tests, so both refuse
// the same calls with the same results.
enum class Kind { OpenGl, Recording };

void PrintTo(Kind kind, std::ostream* os)
{
    *os << (kind == Kind::OpenGl ? "OpenGL device" : "recording device");
}

class DeviceRules : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        if (GetParam() == Kind::OpenGl) {
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
            m_runtime = CreateGlRuntime();
        } else {
            m_runtime = std::make_shared<RecordingRuntime>();
        }
        if (Failed(m_runtime->Direct3DCreate9Ex(D3D_SDK_VERSION, m_system)) || !m_system)
            GF_MISSING_DISPLAY("No EGL display or OpenGL context here: the OpenGL device cannot be tested");
        D3DPRESENT_PARAMETERS p = Parameters(4, 4);
        ASSERT_EQ(
            m_system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, nullptr, m_device),
            D3D_OK);
    }

    RuntimePtr m_runtime;
    SystemPtr m_system;
    DevicePtr m_device;
};

std::string KindName(const ::testing::TestParamInfo<Kind>& info)
{
    return info.param == Kind::OpenGl ? "OpenGl" : "Recording";
}

INSTANTIATE_TEST_SUITE_P(Devices, DeviceRules, ::testing::Values(Kind::OpenGl, Kind::Recording), KindName);

TEST_P(DeviceRules, BufferLocksStayInsideTheBuffer)
{
    struct Case {
        const char* name;
        uint32_t offset, size;
        bool ok;
    };
    const Case cases[] = {
        { "whole buffer", 0, 72, true },
        { "size 0 locks everything", 0, 0, true },
        { "second half", 36, 36, true },
        { "size 0 from an offset locks to the end", 36, 0, true },
        { "ending exactly at the end", 70, 2, true },
        { "one byte too many", 0, 73, false },
        { "starting inside, ending outside", 36, 37, false },
        { "starting at the end", 72, 0, false },
        { "starting beyond the end", 73, 1, false },
        { "offset and size overflow 32 bits", 0xFFFFFFF0u, 0x20, false },
    };
    VertexBufferPtr vertices;
    IndexBufferPtr indices;
    ASSERT_EQ(
        m_device->CreateVertexBuffer(72, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, vertices),
        D3D_OK);
    ASSERT_EQ(m_device->CreateIndexBuffer(
                  72, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices),
        D3D_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint32_t flags : { D3DLOCK_NOOVERWRITE, D3DLOCK_DISCARD }) {
            void* data = &data;
            EXPECT_EQ(vertices->Lock(c.offset, c.size, &data, flags), c.ok ? D3D_OK : D3DERR_INVALIDCALL);
            if (c.ok) {
                ASSERT_NE(data, nullptr);
                EXPECT_EQ(vertices->Unlock(), D3D_OK);
            } else {
                EXPECT_EQ(data, nullptr);
            }
            EXPECT_EQ(indices->Lock(c.offset, c.size, &data, flags), c.ok ? D3D_OK : D3DERR_INVALIDCALL);
            if (c.ok) {
                EXPECT_EQ(indices->Unlock(), D3D_OK);
            }
        }
    }
    void* data = nullptr;
    ASSERT_EQ(vertices->Lock(0, 36, &data, 0), D3D_OK);
    EXPECT_EQ(vertices->Lock(36, 36, &data, 0), D3DERR_INVALIDCALL) << "second lock while locked";
    EXPECT_EQ(vertices->Unlock(), D3D_OK);
    EXPECT_EQ(vertices->Unlock(), D3DERR_INVALIDCALL) << "unlock without a lock";
}

TEST_P(DeviceRules, DrawsReadOnlyInsideTheirBuffers)
{
    struct Setup {
        bool inScene = true;
        bool indices = true;
        bool lockVertices = false;
        uint32_t fvf = kFvf;
        uint32_t stride = 36;
        int32_t baseVertex = 0;
        uint32_t startIndex = 0;
        uint32_t primitives = 1;
        uint16_t lastIndex = 2;
    };
    struct Case {
        const char* name;
        Setup setup;
        HRESULT expected;
    };
    auto with = [](auto change) {
        Setup s;
        change(s);
        return s;
    };
    const Case cases[] = {
        { "a valid draw", Setup {}, D3D_OK },
        { "the last vertex of the buffer", with([](Setup& s) { s.lastIndex = 3; }), D3D_OK },
        { "base vertex reaching the last vertex", with([](Setup& s) { s.baseVertex = 1; }), D3D_OK },
        { "outside a scene", with([](Setup& s) { s.inScene = false; }), D3DERR_INVALIDCALL },
        { "no index buffer", with([](Setup& s) { s.indices = false; }), D3DERR_INVALIDCALL },
        { "vertex buffer still locked", with([](Setup& s) { s.lockVertices = true; }), D3DERR_INVALIDCALL },
        { "index beyond the vertex buffer", with([](Setup& s) { s.lastIndex = 4; }), D3DERR_INVALIDCALL },
        { "base vertex pushing beyond", with([](Setup& s) { s.baseVertex = 2; }), D3DERR_INVALIDCALL },
        { "negative base vertex", with([](Setup& s) { s.baseVertex = -1; }), D3DERR_INVALIDCALL },
        { "indices beyond the index buffer", with([](Setup& s) { s.startIndex = 4; }), D3DERR_INVALIDCALL },
        { "too many primitives", with([](Setup& s) { s.primitives = 3; }), D3DERR_INVALIDCALL },
        { "no primitives", with([](Setup& s) { s.primitives = 0; }), D3DERR_INVALIDCALL },
        { "pre-transformed vertices are not drawable", with([](Setup& s) { s.fvf = 0x4 | D3DFVF_DIFFUSE; }),
            D3DERR_INVALIDCALL },
        { "stride shorter than a vertex", with([](Setup& s) { s.stride = 24; }), D3DERR_INVALIDCALL },
    };
    // Four vertices, six indices.
    VertexBufferPtr vertices;
    IndexBufferPtr indices;
    ASSERT_EQ(m_device->CreateVertexBuffer(4 * 36, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, vertices), D3D_OK);
    ASSERT_EQ(m_device->CreateIndexBuffer(6 * 2, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices),
        D3D_OK);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Setup& s = c.setup;
        void* data = nullptr;
        ASSERT_EQ(indices->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
        uint16_t values[6] = { 0, 1, s.lastIndex, 0, 1, 2 };
        std::memcpy(data, values, sizeof values);
        ASSERT_EQ(indices->Unlock(), D3D_OK);
        if (s.lockVertices) {
            ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
        }
        m_device->SetFVF(s.fvf);
        m_device->SetStreamSource(0, vertices, 0, s.stride);
        m_device->SetIndices(s.indices ? indices : nullptr);
        if (s.inScene) {
            ASSERT_EQ(m_device->BeginScene(), D3D_OK);
        }
        EXPECT_EQ(m_device->DrawIndexedPrimitive(
                      D3DPT_TRIANGLELIST, s.baseVertex, 0, 4, s.startIndex, s.primitives),
            c.expected);
        if (s.inScene) {
            ASSERT_EQ(m_device->EndScene(), D3D_OK);
        }
        if (s.lockVertices) {
            ASSERT_EQ(vertices->Unlock(), D3D_OK);
        }
    }
}

// A buffer reads its indices when they are written, and a draw skips its own pass over them
// while the largest index the buffer ever held fits: whatever is rewritten, in whole or in
// part, at any byte offset, a draw is refused exactly when one of its own indices reaches
// outside the vertices.
TEST_P(DeviceRules, DrawsCheckIndicesRewrittenInWholeOrInPart)
{
    struct Step {
        const char* name;
        D3DFORMAT format;
        uint32_t offset; // bytes; with `values` written from there
        std::vector<uint32_t> values; // empty: nothing written
        uint32_t lockFlags;
        int32_t baseVertex;
        uint32_t startIndex;
        HRESULT expected;
    };
    constexpr uint32_t kWhole = D3DLOCK_DISCARD;
    const Step steps[] = {
        { "written whole, all small", D3DFMT_INDEX16, 0, { 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2 }, kWhole, 0, 0,
            D3D_OK },
        { "base vertex to the last vertex", D3DFMT_INDEX16, 0, {}, 0, 1, 0, D3D_OK },
        { "a large index written into the last triangle", D3DFMT_INDEX16, 18, { 0, 1, 7 }, 0, 0, 9,
            D3DERR_INVALIDCALL },
        { "the first triangle still draws", D3DFMT_INDEX16, 0, {}, 0, 0, 0, D3D_OK },
        { "the last triangle rewritten small again", D3DFMT_INDEX16, 18, { 0, 1, 2 }, 0, 0, 9, D3D_OK },
        { "a base vertex pushing the last triangle out", D3DFMT_INDEX16, 0, {}, 0, 2, 9, D3DERR_INVALIDCALL },
        { "written whole with the last vertex only", D3DFMT_INDEX16, 0,
            { 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3 }, kWhole, 0, 3, D3D_OK },
        { "and a base vertex beyond it", D3DFMT_INDEX16, 0, {}, 0, 1, 3, D3DERR_INVALIDCALL },
        { "written whole, all small again", D3DFMT_INDEX16, 0, { 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2 }, kWhole,
            0, 0, D3D_OK },
        { "32-bit indices, one beyond 16 bits", D3DFMT_INDEX32, 0, { 0, 1, 70000, 0, 1, 2 }, kWhole, 0, 0,
            D3DERR_INVALIDCALL },
        { "32-bit indices, the other triangle", D3DFMT_INDEX32, 0, {}, 0, 0, 3, D3D_OK },
    };
    VertexBufferPtr vertices;
    ASSERT_EQ(m_device->CreateVertexBuffer(4 * 36, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, vertices), D3D_OK);
    IndexBufferPtr indices16;
    IndexBufferPtr indices32;
    ASSERT_EQ(
        m_device->CreateIndexBuffer(12 * 2, D3DUSAGE_DYNAMIC, D3DFMT_INDEX16, D3DPOOL_DEFAULT, indices16),
        D3D_OK);
    ASSERT_EQ(
        m_device->CreateIndexBuffer(6 * 4, D3DUSAGE_DYNAMIC, D3DFMT_INDEX32, D3DPOOL_DEFAULT, indices32),
        D3D_OK);
    m_device->SetFVF(kFvf);
    m_device->SetStreamSource(0, vertices, 0, 36);
    const auto draw = [&](const IndexBufferPtr& indices, int32_t baseVertex, uint32_t startIndex) {
        m_device->SetIndices(indices);
        EXPECT_EQ(m_device->BeginScene(), D3D_OK);
        const HRESULT result
            = m_device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, baseVertex, 0, 4, startIndex, 1);
        EXPECT_EQ(m_device->EndScene(), D3D_OK);
        return result;
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const IndexBufferPtr& indices = step.format == D3DFMT_INDEX32 ? indices32 : indices16;
        const uint32_t size = step.format == D3DFMT_INDEX32 ? 4 : 2;
        if (!step.values.empty()) {
            std::vector<uint8_t> bytes(step.values.size() * size);
            for (size_t i = 0; i < step.values.size(); ++i) {
                if (size == 4) {
                    std::memcpy(&bytes[i * 4], &step.values[i], 4);
                } else {
                    const auto v = static_cast<uint16_t>(step.values[i]);
                    std::memcpy(&bytes[i * 2], &v, 2);
                }
            }
            void* data = nullptr;
            ASSERT_EQ(indices->Lock(step.offset, static_cast<uint32_t>(bytes.size()), &data, step.lockFlags),
                D3D_OK);
            std::memcpy(data, bytes.data(), bytes.size());
            ASSERT_EQ(indices->Unlock(), D3D_OK);
        }
        EXPECT_EQ(draw(indices, step.baseVertex, step.startIndex), step.expected);
    }
    // One byte written at an odd offset: the high byte of index 1, which becomes 0x0101.
    void* data = nullptr;
    ASSERT_EQ(indices16->Lock(3, 1, &data, 0), D3D_OK);
    *static_cast<uint8_t*>(data) = 1;
    ASSERT_EQ(indices16->Unlock(), D3D_OK);
    EXPECT_EQ(draw(indices16, 0, 0), D3DERR_INVALIDCALL) << "an index made large by its high byte alone";
    EXPECT_EQ(draw(indices16, 0, 3), D3D_OK) << "the triangle after it";
}

TEST_P(DeviceRules, TextureLocks)
{
    TexturePtr dynamic;
    TexturePtr fixed;
    TexturePtr managed;
    ASSERT_EQ(m_device->CreateTexture(8, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, dynamic),
        D3D_OK);
    ASSERT_EQ(m_device->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, fixed), D3D_OK);
    ASSERT_EQ(m_device->CreateTexture(8, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, managed), D3D_OK);
    struct Case {
        const char* name;
        TexturePtr texture;
        uint32_t level;
        std::optional<RECT> rect;
        HRESULT expected;
    };
    const Case cases[] = {
        { "dynamic, whole", dynamic, 0, std::nullopt, D3D_OK },
        { "dynamic, part", dynamic, 0, RECT { 2, 1, 8, 4 }, D3D_OK },
        { "video memory without dynamic usage", fixed, 0, std::nullopt, D3DERR_INVALIDCALL },
        { "managed", managed, 0, std::nullopt, D3D_OK },
        { "a level that does not exist", dynamic, 1, std::nullopt, D3DERR_INVALIDCALL },
        { "rectangle reaching outside", dynamic, 0, RECT { 2, 1, 9, 4 }, D3DERR_INVALIDCALL },
        { "empty rectangle", dynamic, 0, RECT { 2, 1, 2, 4 }, D3DERR_INVALIDCALL },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DLOCKED_RECT locked {};
        EXPECT_EQ(
            c.texture->LockRect(c.level, locked, c.rect ? &*c.rect : nullptr, D3DLOCK_DISCARD), c.expected);
        if (c.expected == D3D_OK) {
            EXPECT_GE(locked.Pitch, 32);
            EXPECT_EQ(c.texture->LockRect(0, locked, nullptr, 0), D3DERR_INVALIDCALL) << "locked twice";
            EXPECT_EQ(c.texture->UnlockRect(0), D3D_OK);
        }
    }
    EXPECT_EQ(dynamic->UnlockRect(0), D3DERR_INVALIDCALL);
    D3DSURFACE_DESC desc {};
    ASSERT_EQ(dynamic->GetLevelDesc(0, desc), D3D_OK);
    EXPECT_EQ(desc.Width, 8u);
    EXPECT_EQ(desc.Height, 4u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
}

TEST_P(DeviceRules, CreationArgumentsOutsideTheSubsetAreRefused)
{
    struct Case {
        const char* name;
        std::function<HRESULT(Device&)> create;
    };
    const Case cases[] = {
        { "texture of width 0",
            [](Device& d) {
                TexturePtr t;
                return d.CreateTexture(0, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, t);
            } },
        { "texture of another format",
            [](Device& d) {
                TexturePtr t;
                return d.CreateTexture(4, 4, 1, D3DUSAGE_DYNAMIC, D3DFMT_D24S8, D3DPOOL_DEFAULT, t);
            } },
        { "texture with a mip chain",
            [](Device& d) {
                TexturePtr t;
                return d.CreateTexture(4, 4, 3, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, t);
            } },
        { "empty vertex buffer",
            [](Device& d) {
                VertexBufferPtr b;
                return d.CreateVertexBuffer(0, D3DUSAGE_DYNAMIC, 0, D3DPOOL_DEFAULT, b);
            } },
        { "index buffer of a vertex format",
            [](Device& d) {
                IndexBufferPtr b;
                return d.CreateIndexBuffer(8, D3DUSAGE_DYNAMIC, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, b);
            } },
        { "lockable render target",
            [](Device& d) {
                SurfacePtr s;
                return d.CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 1, s);
            } },
        { "render target with 3 samples",
            [](Device& d) {
                SurfacePtr s;
                return d.CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_TYPE(3), 0, 0, s);
            } },
        { "depth buffer of a colour format",
            [](Device& d) {
                SurfacePtr s;
                return d.CreateDepthStencilSurface(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 1, s);
            } },
        { "plain surface in video memory",
            [](Device& d) {
                SurfacePtr s;
                return d.CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, s);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.create(*m_device), D3DERR_INVALIDCALL);
    }
}

TEST_P(DeviceRules, ReadBackNeedsASingleSampledSourceAndAMatchingMemorySurface)
{
    SurfacePtr back;
    SurfacePtr memory;
    SurfacePtr small;
    SurfacePtr target;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
    ASSERT_EQ(
        m_device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, memory), D3D_OK);
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(2, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, small), D3D_OK);
    ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, target), D3D_OK);
    EXPECT_EQ(m_device->GetRenderTargetData(back, memory), D3D_OK);
    EXPECT_EQ(m_device->GetRenderTargetData(back, small), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->GetRenderTargetData(back, target), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->GetRenderTargetData(memory, memory), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->GetRenderTargetData(nullptr, memory), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT locked {};
    EXPECT_EQ(back->LockRect(locked, nullptr, 0), D3DERR_INVALIDCALL) << "render targets are not lockable";
    ASSERT_EQ(memory->LockRect(locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(m_device->GetRenderTargetData(back, memory), D3DERR_INVALIDCALL) << "destination locked";
    EXPECT_EQ(memory->UnlockRect(), D3D_OK);

    uint32_t quality = 0;
    if (m_system->CheckDeviceMultiSampleType(
            D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, -1, D3DMULTISAMPLE_4_SAMPLES, &quality)
        == D3D_OK) {
        SurfacePtr multi;
        ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, 0, multi),
            D3D_OK);
        EXPECT_EQ(m_device->GetRenderTargetData(multi, memory), D3DERR_INVALIDCALL);
        EXPECT_EQ(m_device->StretchRect(multi, nullptr, target, nullptr, D3DTEXF_LINEAR), D3D_OK)
            << "resolve";
        RECT half { 0, 0, 2, 2 };
        EXPECT_EQ(m_device->StretchRect(multi, nullptr, target, &half, D3DTEXF_LINEAR), D3DERR_INVALIDCALL)
            << "a multisampled source cannot be scaled";
    }
}

TEST_P(DeviceRules, ReadBackLimitsColourToAlphaAtAnyPitch)
{
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FF4020, 1, 0), D3D_OK);
    SurfacePtr back;
    SurfacePtr memory;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
    ASSERT_EQ(
        m_device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, memory), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, memory), D3D_OK);
    D3DLOCKED_RECT locked {};
    ASSERT_EQ(memory->LockRect(locked, nullptr, 0), D3D_OK);
    ASSERT_GE(locked.Pitch, 16);
    for (int y = 0; y < 4; ++y) {
        uint32_t pixel;
        std::memcpy(&pixel, static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch + 12, 4);
        EXPECT_EQ(pixel, 0x80804020u) << "row " << y;
    }
    memory->UnlockRect();
}

// A read-back may still be on its way when GetRenderTargetData returns; it shows the frame as
// it was then, whatever is drawn, cleared or read afterwards, into the same target or another.
TEST_P(DeviceRules, AReadBackShowsTheFrameAsItWasWhenAskedFor)
{
    SurfacePtr back;
    SurfacePtr other;
    SurfacePtr first;
    SurfacePtr second;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
    ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, other), D3D_OK);
    ASSERT_EQ(m_device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, first), D3D_OK);
    ASSERT_EQ(
        m_device->CreateOffscreenPlainSurface(4, 4, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, second), D3D_OK);
    const auto corner = [](const SurfacePtr& memory) {
        D3DLOCKED_RECT locked {};
        uint32_t pixel = 0;
        if (memory->LockRect(locked, nullptr, 0) == D3D_OK) {
            std::memcpy(&pixel, locked.pBits, 4);
            memory->UnlockRect();
        }
        return pixel;
    };
    // The back buffer red, read; cleared green over it at once; the other target blue, read.
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, first), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(0, other), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(other, second), D3D_OK);
    // Back to the back buffer, read again into the first surface before it was looked at.
    ASSERT_EQ(m_device->SetRenderTarget(0, back), D3D_OK);
    EXPECT_EQ(corner(second), 0xFF0000FFu) << "the other target";
    EXPECT_EQ(corner(first), 0xFFFF0000u) << "the back buffer before the green clear";
    ASSERT_EQ(m_device->GetRenderTargetData(back, first), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, second), D3D_OK);
    EXPECT_EQ(corner(first), 0xFF00FF00u) << "the back buffer after it";
    EXPECT_EQ(corner(second), 0xFF00FF00u);
    // Whatever a read did, the device draws on in its own target.
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, first), D3D_OK);
    EXPECT_EQ(corner(first), 0xFF102030u) << "a clear after the reads";
    // A frame read while the next one is drawn into another target, the read done as that
    // one ends: each surface shows its own frame, and drawing goes on where it was.
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, first), D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(0, other), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(other, second), D3D_OK);
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
    EXPECT_EQ(corner(first), 0xFFFF0000u) << "the frame read while the next was drawn";
    EXPECT_EQ(corner(second), 0xFF0000FFu) << "the next frame";
    ASSERT_EQ(m_device->GetRenderTargetData(other, second), D3D_OK);
    EXPECT_EQ(corner(second), 0xFF00FF00u) << "the frame after both";
    ASSERT_EQ(m_device->SetRenderTarget(0, back), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, first), D3D_OK);
    EXPECT_EQ(corner(first), 0xFF102030u);
    // A read still on its way when the device goes leaves its surface as it was.
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1, 0), D3D_OK);
    ASSERT_EQ(m_device->GetRenderTargetData(back, first), D3D_OK);
    m_device.reset();
    back.reset();
    other.reset();
    const uint32_t left = corner(first);
    EXPECT_TRUE(left == 0xFF102030u || left == 0xFFFFFFFFu) << std::hex << left;
}

TEST_P(DeviceRules, SceneAndStateBlockProtocol)
{
    EXPECT_EQ(m_device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->BeginScene(), D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS p = Parameters(4, 4);
    EXPECT_EQ(m_device->ResetEx(p, nullptr), D3DERR_INVALIDCALL) << "reset inside a scene";
    EXPECT_EQ(m_device->EndScene(), D3D_OK);

    StateBlockPtr block;
    EXPECT_EQ(m_device->EndStateBlock(block), D3DERR_INVALIDCALL);
    EXPECT_FALSE(block);
    ASSERT_EQ(m_device->BeginStateBlock(), D3D_OK);
    m_device->SetRenderState(D3DRS_LIGHTING, 0);
    ASSERT_EQ(m_device->EndStateBlock(block), D3D_OK);
    ASSERT_TRUE(block);
    ASSERT_EQ(block->Calls().size(), 1u);
    m_device.reset();
    EXPECT_EQ(block->Apply(), D3DERR_INVALIDCALL) << "applied after its device is gone";
}

// A reset rebuilds the swap chain and returns every state to its default, including the
// render target: a canvas that drew into a target of its own must set it again.
TEST_P(DeviceRules, ResetReturnsToTheSwapChainAndFillsInTheParameters)
{
    SurfacePtr target;
    ASSERT_EQ(m_device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, target), D3D_OK);
    ASSERT_EQ(m_device->SetRenderTarget(0, target), D3D_OK);
    m_device->SetRenderState(D3DRS_LIGHTING, 0);

    D3DPRESENT_PARAMETERS p = Parameters(0, 0);
    p.BackBufferFormat = D3DFMT_UNKNOWN;
    ASSERT_EQ(m_device->ResetEx(p, nullptr), D3D_OK);
    EXPECT_EQ(p.BackBufferWidth, 1u);
    EXPECT_EQ(p.BackBufferHeight, 1u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_A8R8G8B8);

    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1, 0), D3D_OK);
    Painter painter(m_device);
    Image back = painter.ReadBack();
    ASSERT_EQ(back.Pixels.size(), 1u);
    EXPECT_EQ(back(0, 0), 0xFF00FF00u);
    EXPECT_NE(painter.Read(target)(0, 0), 0xFF00FF00u);
}

TEST_P(DeviceRules, LightsBeyondTheEighthCannotBeEnabled)
{
    D3DCAPS9 caps {};
    ASSERT_EQ(m_system->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, caps), D3D_OK);
    EXPECT_EQ(caps.MaxActiveLights, 8u);
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Direction = { 0, 0, 1 };
    EXPECT_EQ(m_device->SetLight(8, light), D3D_OK);
    EXPECT_EQ(m_device->LightEnable(7, 1), D3D_OK);
    EXPECT_EQ(m_device->LightEnable(8, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(m_device->LightEnable(8, 0), D3D_OK);
}

} // namespace

// The read-back's clamp of colour to alpha, against a plain per-channel reading of the rule, for
// pixels at every position of a run (the vector body and the tail) and in both channel orders.
TEST(ClampToAlpha, LimitsEachChannelToAlphaAndSwapsRedAndBlueWhenAsked)
{
    std::vector<uint32_t> pixels = { 0x00000000, 0xFFFFFFFF, 0x00FFFFFF, 0x80FF7F01, 0x01020304, 0x7F807F80,
        0xFF123456, 0x10FF0010, 0xC0C1C0BF };
    std::mt19937 random(7);
    for (int i = 0; i < 60; ++i)
        pixels.push_back(static_cast<uint32_t>(random()));
    const auto expected = [](uint32_t p, bool swap) {
        const uint32_t a = p >> 24;
        const uint32_t r = std::min((p >> 16) & 0xFF, a);
        const uint32_t g = std::min((p >> 8) & 0xFF, a);
        const uint32_t b = std::min(p & 0xFF, a);
        return a << 24 | (swap ? b : r) << 16 | g << 8 | (swap ? r : b);
    };
    for (const bool swap : { false, true }) {
        for (size_t count = 0; count <= pixels.size(); count += count < 12 ? 1 : 19) {
            std::vector<uint32_t> out(count + 1, 0xDEADBEEF);
            platform::gpu::ClampToAlpha(pixels.data(), out.data(), count, swap);
            for (size_t i = 0; i < count; ++i)
                ASSERT_EQ(out[i], expected(pixels[i], swap))
                    << "pixel " << i << " of " << count << " swap " << swap;
            EXPECT_EQ(out[count], 0xDEADBEEFu) << "written past the end of " << count;
        }
        std::vector<uint32_t> inPlace = pixels;
        platform::gpu::ClampToAlpha(inPlace.data(), inPlace.size(), swap);
        for (size_t i = 0; i < pixels.size(); ++i)
            ASSERT_EQ(inPlace[i], expected(pixels[i], swap)) << "in place, pixel " << i;
    }
}
