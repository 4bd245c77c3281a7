#include "platform/gpu/DeviceState.h"

#include "platform/gpu/Device.h"

namespace platform::gpu {

void DeviceState::SetDefaults(bool autoDepthStencil)
{
    RenderStates.fill(0);
    RenderStates[D3DRS_ZENABLE] = autoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    RenderStates[D3DRS_FILLMODE] = D3DFILL_SOLID;
    RenderStates[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    RenderStates[D3DRS_ZWRITEENABLE] = 1;
    RenderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    RenderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    RenderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    RenderStates[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    RenderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    RenderStates[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
    RenderStates[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
    RenderStates[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    RenderStates[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    RenderStates[D3DRS_STENCILMASK] = 0xFFFFFFFFu;
    RenderStates[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    RenderStates[D3DRS_CLIPPING] = 1;
    RenderStates[D3DRS_LIGHTING] = 1;
    RenderStates[D3DRS_COLORVERTEX] = 1;
    RenderStates[D3DRS_LOCALVIEWER] = 1;
    RenderStates[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
    RenderStates[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
    RenderStates[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
    RenderStates[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
    RenderStates[D3DRS_COLORWRITEENABLE] = 0xF;
    RenderStates[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
    RenderStates[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;

    for (uint32_t stage = 0; stage < kTextureStageCount; ++stage) {
        auto& s = StageStates[stage];
        s.fill(0);
        s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
        s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        s[D3DTSS_TEXCOORDINDEX] = stage;
        s[D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    }
    for (auto& s : SamplerStates) {
        s.fill(0);
        s[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
        s[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
        s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
        s[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
        s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    }

    World = View = Projection = Identity();
    TextureMatrices.fill(Identity());
    Material = {};
    Lights.clear();
    Textures.fill(nullptr);
    Fvf = 0;
    StreamSource.reset();
    StreamOffset = StreamStride = 0;
    Indices.reset();
}

D3DMATRIX* DeviceState::TransformSlot(D3DTRANSFORMSTATETYPE type)
{
    switch (type) {
    case D3DTS_WORLD:
        return &World;
    case D3DTS_VIEW:
        return &View;
    case D3DTS_PROJECTION:
        return &Projection;
    default:
        if (type >= D3DTS_TEXTURE0 && type <= D3DTS_TEXTURE7)
            return &TextureMatrices[type - D3DTS_TEXTURE0];
        return nullptr;
    }
}

D3DMATRIX DeviceState::Identity()
{
    D3DMATRIX m {};
    for (int i = 0; i < 4; ++i)
        m.m[i][i] = 1;
    return m;
}

D3DLIGHT9 DeviceState::DefaultLight()
{
    D3DLIGHT9 light {};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = { 1, 1, 1, 0 };
    light.Direction = { 0, 0, 1 };
    return light;
}

} // namespace platform::gpu
