#pragma once

#include "platform/gpu/D3DTypes.h"
#include "platform/gpu/Forward.h"

#include <array>
#include <map>

namespace platform::gpu {

struct LightSlot {
    D3DLIGHT9 Light {};
    bool Enabled = false;
};

/// The device's settable state as the device interface sees it, with its documented defaults.
/// Both device implementations keep one; the recording device exposes it to tests.
struct DeviceState {
    std::array<uint32_t, kRenderStateCount> RenderStates {};
    std::array<std::array<uint32_t, kTextureStageStateCount>, kTextureStageCount> StageStates {};
    std::array<std::array<uint32_t, kSamplerStateCount>, kSamplerCount> SamplerStates {};
    D3DMATRIX World {};
    D3DMATRIX View {};
    D3DMATRIX Projection {};
    std::array<D3DMATRIX, 8> TextureMatrices {};
    D3DMATERIAL9 Material {};
    std::map<uint32_t, LightSlot> Lights;
    std::array<TexturePtr, kTextureStageCount> Textures;
    uint32_t Fvf = 0;
    VertexBufferPtr StreamSource;
    uint32_t StreamOffset = 0;
    uint32_t StreamStride = 0;
    IndexBufferPtr Indices;

    /// Every state to its default; depth testing starts on only with an automatic depth buffer.
    void SetDefaults(bool autoDepthStencil);

    uint32_t RenderState(D3DRENDERSTATETYPE state) const { return RenderStates[state]; }
    uint32_t StageState(D3DTEXTURESTAGESTATETYPE type) const { return StageStates[0][type]; }
    uint32_t SamplerState(D3DSAMPLERSTATETYPE type) const { return SamplerStates[0][type]; }

    /// The stored matrix of a transform type, nullptr for types the device does not keep.
    D3DMATRIX* TransformSlot(D3DTRANSFORMSTATETYPE type);

    static D3DMATRIX Identity();
    /// What LightEnable switches on at an index that was never set: a white directional
    /// light shining along +Z.
    static D3DLIGHT9 DefaultLight();
};

} // namespace platform::gpu
