#pragma once

#include "platform/gpu/Device.h"

#include "tests/support/GpuVertex.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace gputest {

using namespace platform::gpu;

using testsupport::kFvf;
using testsupport::Vertex;

inline Vertex At(float x, float y, float z, uint32_t color, float u = 0, float v = 0)
{
    return { x, y, z, 0, 0, -1, color, u, v };
}

inline D3DMATRIX Identity()
{
    D3DMATRIX m {};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1;
    return m;
}

/// Pixel units, origin top left, y down, z kept: (x, y, z) lands on pixel (x, y) with depth z.
inline D3DMATRIX PixelProjection(uint32_t width, uint32_t height)
{
    D3DMATRIX m {};
    m.m[0][0] = 2.0f / float(width);
    m.m[1][1] = -2.0f / float(height);
    m.m[2][2] = 1;
    m.m[3][0] = -1;
    m.m[3][1] = 1;
    m.m[3][3] = 1;
    return m;
}

inline D3DPRESENT_PARAMETERS Parameters(
    uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE)
{
    D3DPRESENT_PARAMETERS p {};
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    p.BackBufferFormat = D3DFMT_A8R8G8B8;
    p.MultiSampleType = samples;
    p.SwapEffect = D3DSWAPEFFECT_DISCARD;
    p.Windowed = -1;
    p.EnableAutoDepthStencil = -1;
    p.AutoDepthStencilFormat = D3DFMT_D24S8;
    p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return p;
}

/// A read-back frame, top row first.
struct Image {
    uint32_t Width = 0;
    uint32_t Height = 0;
    std::vector<uint32_t> Pixels;
    uint32_t operator()(uint32_t x, uint32_t y) const { return Pixels[size_t(y) * Width + x]; }
};

/// Per-channel comparison: exact hashes drift across driver versions.
inline ::testing::AssertionResult Near(uint32_t actual, uint32_t expected, int tolerance = 2)
{
    return testsupport::PixelNear(actual, expected, tolerance);
}

/// Streams geometry through a pair of dynamic buffers, as the canvas does, and reads frames back.
class Painter {
public:
    explicit Painter(DevicePtr device)
        : m_device(std::move(device))
    {
        EXPECT_EQ(m_device->CreateVertexBuffer(36 * 4096, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZ,
                      D3DPOOL_DEFAULT, m_vertices),
            D3D_OK);
        EXPECT_EQ(m_device->CreateIndexBuffer(2 * 8192, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFMT_INDEX16,
                      D3DPOOL_DEFAULT, m_indices),
            D3D_OK);
    }

    Device& operator*() const { return *m_device; }
    Device* operator->() const { return m_device.get(); }
    const DevicePtr& Shared() const { return m_device; }

    HRESULT Draw(const std::vector<Vertex>& vertices, const std::vector<uint16_t>& indices,
        D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST)
    {
        void* data = nullptr;
        HRESULT hr = m_vertices->Lock(0, uint32_t(vertices.size() * 36), &data, D3DLOCK_DISCARD);
        if (Failed(hr))
            return hr;
        std::memcpy(data, vertices.data(), vertices.size() * 36);
        m_vertices->Unlock();
        hr = m_indices->Lock(0, uint32_t(indices.size() * 2), &data, D3DLOCK_DISCARD);
        if (Failed(hr))
            return hr;
        std::memcpy(data, indices.data(), indices.size() * 2);
        m_indices->Unlock();
        m_device->SetFVF(kFvf);
        m_device->SetStreamSource(0, m_vertices, 0, 36);
        m_device->SetIndices(m_indices);
        uint32_t perPrimitive = type == D3DPT_LINELIST ? 2 : 3;
        return m_device->DrawIndexedPrimitive(
            type, 0, 0, uint32_t(vertices.size()), 0, uint32_t(indices.size()) / perPrimitive);
    }

    /// An axis-aligned quad from (x0, y0) to (x1, y1), clockwise on screen under a y-down projection.
    HRESULT Quad(float x0, float y0, float x1, float y1, float z, uint32_t color, float u0 = 0, float v0 = 0,
        float u1 = 1, float v1 = 1)
    {
        return Draw({ At(x0, y0, z, color, u0, v0), At(x1, y0, z, color, u1, v0),
                        At(x1, y1, z, color, u1, v1), At(x0, y1, z, color, u0, v1) },
            { 0, 1, 2, 0, 2, 3 });
    }

    /// The back buffer, resolved when multisampled.
    Image ReadBack()
    {
        SurfacePtr back;
        EXPECT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, back), D3D_OK);
        D3DSURFACE_DESC desc {};
        back->GetDesc(desc);
        SurfacePtr single = back;
        if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
            EXPECT_EQ(m_device->CreateRenderTarget(
                          desc.Width, desc.Height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, 0, single),
                D3D_OK);
            EXPECT_EQ(m_device->StretchRect(back, nullptr, single, nullptr, D3DTEXF_LINEAR), D3D_OK);
        }
        return Read(single);
    }

    /// Any single-sampled render target.
    Image Read(const SurfacePtr& target)
    {
        D3DSURFACE_DESC desc {};
        target->GetDesc(desc);
        SurfacePtr memory;
        Image image;
        if (m_device->CreateOffscreenPlainSurface(
                desc.Width, desc.Height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, memory)
                != D3D_OK
            || m_device->GetRenderTargetData(target, memory) != D3D_OK) {
            ADD_FAILURE() << "read-back failed";
            return image;
        }
        D3DLOCKED_RECT locked {};
        if (memory->LockRect(locked, nullptr, 0) != D3D_OK) {
            ADD_FAILURE() << "LockRect failed";
            return image;
        }
        image.Width = desc.Width;
        image.Height = desc.Height;
        image.Pixels.resize(size_t(desc.Width) * desc.Height);
        for (uint32_t y = 0; y < desc.Height; ++y)
            std::memcpy(&image.Pixels[size_t(y) * desc.Width],
                static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, desc.Width * 4);
        memory->UnlockRect();
        return image;
    }

private:
    DevicePtr m_device;
    VertexBufferPtr m_vertices;
    IndexBufferPtr m_indices;
};

} // namespace gputest
