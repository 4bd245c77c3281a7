#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"

#include <optional>

using namespace platform::gpu;

namespace {

// Stage 0 colour and alpha operations with their two arguments each, in the order the
// texture-mode presets set them.
void SetTextureStage(Device& device, D3DTEXTUREOP op, uint32_t arg1, uint32_t arg2)
{
    device.SetTextureStageState(0, D3DTSS_COLOROP, op);
    device.SetTextureStageState(0, D3DTSS_COLORARG1, arg1);
    device.SetTextureStageState(0, D3DTSS_COLORARG2, arg2);
    device.SetTextureStageState(0, D3DTSS_ALPHAOP, op);
    device.SetTextureStageState(0, D3DTSS_ALPHAARG1, arg1);
    device.SetTextureStageState(0, D3DTSS_ALPHAARG2, arg2);
}

void SetFilter(Device& device, D3DTEXTUREFILTERTYPE minMag)
{
    device.SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device.SetSamplerState(0, D3DSAMP_MINFILTER, minMag);
    device.SetSamplerState(0, D3DSAMP_MAGFILTER, minMag);
}

} // namespace

void ThvDirectXCanvas::RecordState(ThvRenderState state)
{
    if (!m_device)
        return;
    m_stateHandles[state].reset();
    if (state == hvStateScreenProjection || state == hvStateCameraProjection)
        m_recordedProjections[state].reset();
    if (hvFailed(m_device->BeginStateBlock()))
        return;
    Device& d = *m_device;
    const D3DMATRIX identity = hvMatrixToD3D(hvIdentityMatrix);
    switch (state) {
    case hvStateScreenProjection:
        d.SetTransform(D3DTS_PROJECTION, hvMatrixToD3D(GetScreenMatrix()));
        d.SetTransform(D3DTS_WORLD, identity);
        d.SetTransform(D3DTS_VIEW, identity);
        break;
    case hvStateCameraProjection:
        d.SetTransform(D3DTS_PROJECTION, hvMatrixToD3D(GetProjectionMatrix()));
        d.SetTransform(D3DTS_WORLD, identity);
        d.SetTransform(D3DTS_VIEW, identity);
        break;
    case hvStateLightingOn:
        d.SetRenderState(D3DRS_LIGHTING, 1);
        break;
    case hvStateLightingOff:
        d.SetRenderState(D3DRS_LIGHTING, 0);
        break;
    case hvStateZTestOn:
        d.SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        d.SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
        break;
    case hvStateZTestOff:
        d.SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        break;
    case hvStateZWriteOn:
        d.SetRenderState(D3DRS_ZWRITEENABLE, 1);
        break;
    case hvStateZWriteOff:
        d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
        break;
    case hvStateCullCCW:
        d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
        break;
    case hvStateCullCW:
        d.SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
        break;
    case hvStateCullNone:
        d.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        break;
    case hvStateBlendAdditive:
        d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        break;
    case hvStateBlendAlpha:
        d.SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d.SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        break;
    case hvStateFilterPoint:
        SetFilter(d, D3DTEXF_POINT);
        break;
    case hvStateFilterLinear:
        SetFilter(d, D3DTEXF_LINEAR);
        break;
    case hvStateTextureNone:
        SetTextureStage(d, D3DTOP_SELECTARG2, D3DTA_DIFFUSE, D3DTA_DIFFUSE);
        break;
    case hvStateTextureReplace:
        SetTextureStage(d, D3DTOP_SELECTARG1, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        break;
    case hvStateTextureModulate:
        SetTextureStage(d, D3DTOP_MODULATE, D3DTA_TEXTURE, D3DTA_DIFFUSE);
        break;
    case hvStateWireframe:
        d.SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
        break;
    case hvStateSolid:
        d.SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
        break;
    case hvStateFlat:
        d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
        break;
    case hvStateGouraud:
        d.SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
        break;
    }
    StateBlockPtr block;
    if (Succeeded(d.EndStateBlock(block)))
        m_stateHandles[state] = std::move(block);
    if (state == hvStateScreenProjection || state == hvStateCameraProjection) {
        std::optional<ThvMatrix>& recorded = m_recordedProjections[state];
        recorded.reset();
        if (m_stateHandles[state])
            recorded = state == hvStateScreenProjection ? GetScreenMatrix() : GetProjectionMatrix();
    }
}

void ThvDirectXCanvas::ApplyState(ThvRenderState state)
{
    if (!m_device)
        return;
    if (const StateBlockPtr& block = m_stateHandles[state])
        block->Apply();
    // The view is not part of the blocks: the camera projection takes the view of the camera
    // set last, whenever that was.
    if (state == hvStateScreenProjection)
        m_device->SetTransform(D3DTS_VIEW, hvMatrixToD3D(hvIdentityMatrix));
    else if (state == hvStateCameraProjection)
        m_device->SetTransform(D3DTS_VIEW, hvMatrixToD3D(GetViewMatrix()));
    if (state == hvStateScreenProjection || state == hvStateCameraProjection) {
        // The block set the projection it was recorded with and the identity world.
        const std::optional<ThvMatrix>& recorded = m_recordedProjections[state];
        m_transforms.Known = recorded.has_value();
        if (recorded)
            m_transforms.Projection = *recorded;
        m_transforms.View = state == hvStateCameraProjection ? GetViewMatrix() : hvIdentityMatrix;
        m_transforms.World = hvIdentityMatrix;
        m_transforms.Stale = true;
    }
}
