// Speed of the OpenGL device on this machine's driver: a lit 100,000-triangle frame at
// 1024 x 768 streamed through the dynamic rings the way the 3D canvas streams its geometry,
// and the read-back of a 4096 x 4096 frame into system memory.

#include "platform/gpu/Device.h"
#include "platform/gpu/GlRuntime.h"

#include "tests/support/GpuVertex.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace platform::gpu;

using testsupport::kFvf;
using testsupport::Vertex;
constexpr uint32_t kVertexRing = 2359260;
constexpr uint32_t kIndexRing = 262140;

struct Mesh {
    std::vector<Vertex> Vertices;
    std::vector<uint16_t> Indices;
};

// One band of a wavy sheet: columns x rows quads, two triangles each.
Mesh Band(int columns, int rows, float y0, float y1)
{
    Mesh mesh;
    for (int r = 0; r <= rows; ++r) {
        for (int c = 0; c <= columns; ++c) {
            float x = -2.6f + 5.2f * float(c) / float(columns);
            float y = y0 + (y1 - y0) * float(r) / float(rows);
            float z = -5.0f + 0.2f * std::sin(x * 3) * std::cos(y * 3);
            float nx = -0.6f * std::cos(x * 3) * std::cos(y * 3);
            float ny = 0.6f * std::sin(x * 3) * std::sin(y * 3);
            mesh.Vertices.push_back(
                { x, y, z, nx, ny, 1, 0xFFC08040, float(c) / float(columns), float(r) / float(rows) });
        }
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            auto i = uint16_t(r * (columns + 1) + c);
            auto below = uint16_t(i + columns + 1);
            mesh.Indices.insert(mesh.Indices.end(),
                { i, below, uint16_t(i + 1), uint16_t(i + 1), below, uint16_t(below + 1) });
        }
    }
    return mesh;
}

D3DMATRIX PerspectiveFovRH(float fov, float aspect, float zn, float zf)
{
    D3DMATRIX m {};
    float yScale = 1.0f / std::tan(fov / 2);
    m.m[0][0] = yScale / aspect;
    m.m[1][1] = yScale;
    m.m[2][2] = zf / (zn - zf);
    m.m[2][3] = -1;
    m.m[3][2] = zn * zf / (zn - zf);
    return m;
}

D3DMATRIX Identity()
{
    D3DMATRIX m {};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1;
    return m;
}

DevicePtr MakeDevice(uint32_t width, uint32_t height, SystemPtr& system)
{
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    RuntimePtr runtime = CreateGlRuntime();
    if (Failed(runtime->Direct3DCreate9Ex(D3D_SDK_VERSION, system)) || !system)
        return nullptr;
    D3DPRESENT_PARAMETERS p {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = -1;
    p.EnableAutoDepthStencil = -1;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    DevicePtr device;
    if (Failed(system->CreateDeviceEx(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr, 0, p, nullptr, device)))
        return nullptr;
    return device;
}

// The canvas's ring protocol: append with no-overwrite locks, restart at 0 with a discarding
// lock when the data does not fit behind what is there.
class Rings {
public:
    explicit Rings(Device& device)
        : m_device(device)
    {
        device.CreateVertexBuffer(
            kVertexRing, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZ, D3DPOOL_DEFAULT, m_vertices);
        device.CreateIndexBuffer(
            kIndexRing, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_DEFAULT, m_indices);
    }

    bool Ready() const { return m_vertices && m_indices; }

    void Draw(const Mesh& mesh)
    {
        auto n = uint32_t(mesh.Vertices.size() * sizeof(Vertex));
        auto m = uint32_t(mesh.Indices.size() * 2);
        uint32_t vertexFlags = D3DLOCK_NOOVERWRITE;
        if (m_vertexPos + n > kVertexRing) {
            m_vertexPos = 0;
            vertexFlags = D3DLOCK_DISCARD;
        }
        void* data = nullptr;
        if (Failed(m_vertices->Lock(m_vertexPos, n, &data, vertexFlags)))
            return;
        std::memcpy(data, mesh.Vertices.data(), n);
        uint32_t indexFlags = D3DLOCK_NOOVERWRITE;
        if (m_indexPos + m > kIndexRing) {
            m_indexPos = 0;
            indexFlags = D3DLOCK_DISCARD;
        }
        if (Failed(m_indices->Lock(m_indexPos, m, &data, indexFlags))) {
            m_vertices->Unlock();
            return;
        }
        std::memcpy(data, mesh.Indices.data(), m);
        m_indices->Unlock();
        m_vertices->Unlock();
        m_device.SetFVF(kFvf);
        m_device.SetIndices(m_indices);
        m_device.SetStreamSource(0, m_vertices, 0, sizeof(Vertex));
        m_device.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, int32_t(m_vertexPos / sizeof(Vertex)), 0,
            uint32_t(mesh.Vertices.size()), m_indexPos / 2, uint32_t(mesh.Indices.size() / 3));
        m_vertexPos += n;
        m_indexPos += m;
    }

private:
    Device& m_device;
    VertexBufferPtr m_vertices;
    IndexBufferPtr m_indices;
    uint32_t m_vertexPos = 0;
    uint32_t m_indexPos = 0;
};

void FrameStates(Device& d)
{
    d.SetRenderState(D3DRS_STENCILENABLE, 0);
    d.SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);
    d.SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    d.SetRenderState(D3DRS_ALPHAREF, 1);
    d.SetRenderState(D3DRS_SPECULARENABLE, 0);
    d.SetRenderState(D3DRS_COLORVERTEX, 1);
    d.SetRenderState(D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL);
    d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    d.SetRenderState(D3DRS_SEPARATEALPHABLENDENABLE, 1);
    d.SetRenderState(D3DRS_SRCBLENDALPHA, D3DBLEND_ONE);
    d.SetRenderState(D3DRS_DESTBLENDALPHA, D3DBLEND_INVSRCALPHA);
    d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    d.SetRenderState(D3DRS_NORMALIZENORMALS, 1);
    d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
    d.SetRenderState(D3DRS_LIGHTING, 1);
    d.SetRenderState(D3DRS_AMBIENT, 0xFF202020);
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = light.Specular = { 1, 1, 1, 1 };
    light.Ambient = { 105 / 255.0f, 105 / 255.0f, 105 / 255.0f, 1 };
    light.Direction = { 0.3f, -0.3f, -1 };
    light.Range = 100;
    d.SetLight(0, light);
    d.LightEnable(0, 1);
}

// 200 frames of 100,000 lit triangles (four meshes of 25,000) at 1024 x 768, each ending with
// Present: resolve and read-back into the front buffer, as a window canvas does.
void BM_GpuMeshFrames(benchmark::State& state)
{
    SystemPtr system;
    DevicePtr device = MakeDevice(1024, 768, system);
    if (!device) {
        state.SkipWithError("no EGL display or OpenGL context");
        return;
    }
    Rings rings(*device);
    if (!rings.Ready()) {
        state.SkipWithError("ring buffers not created");
        return;
    }
    std::vector<Mesh> meshes;
    for (int band = 0; band < 4; ++band)
        meshes.push_back(Band(125, 100, -1.9f + 0.95f * float(band), -1.9f + 0.95f * float(band + 1)));
    size_t triangles = 0;
    for (const Mesh& m : meshes)
        triangles += m.Indices.size() / 3;

    device->SetTransform(D3DTS_PROJECTION, PerspectiveFovRH(3.1415927f / 4, 1024.0f / 768.0f, 1, 1000));
    device->SetTransform(D3DTS_VIEW, Identity());
    D3DMATERIAL9 material {};
    material.Diffuse = material.Ambient = { 0.8f, 0.6f, 0.3f, 1 };
    material.Specular = { 1, 1, 1, 1 };
    device->SetMaterial(material);
    for (auto _ : state) {
        device->BeginScene();
        FrameStates(*device);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
        device->SetTransform(D3DTS_WORLD, Identity());
        for (const Mesh& mesh : meshes)
            rings.Draw(mesh);
        device->EndScene();
        device->PresentEx(nullptr, nullptr, nullptr, nullptr, 0);
    }
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = double(triangles);
    // A frame that drew nothing would make the figure meaningless.
    const FrontBuffer& front = device->GetFrontBuffer();
    if (front.Pixels.empty() || front.Pixels[size_t(384) * 1024 + 512] == 0xFF000000u)
        state.SkipWithError("the mesh did not reach the frame");
}
BENCHMARK(BM_GpuMeshFrames)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading a finished 4096 x 4096 frame into a system-memory surface (row flip included).
void BM_GpuReadBack4096(benchmark::State& state)
{
    SystemPtr system;
    DevicePtr device = MakeDevice(4096, 4096, system);
    if (!device) {
        state.SkipWithError("no EGL display or OpenGL context");
        return;
    }
    SurfacePtr back;
    SurfacePtr memory;
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back);
    if (Failed(device->CreateOffscreenPlainSurface(4096, 4096, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, memory))) {
        state.SkipWithError("no read-back surface");
        return;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699, 1, 0);
    for (auto _ : state) {
        if (Failed(device->GetRenderTargetData(back, memory))) {
            state.SkipWithError("read-back failed");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * 4096 * 4096 * 4);
}
BENCHMARK(BM_GpuReadBack4096)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
