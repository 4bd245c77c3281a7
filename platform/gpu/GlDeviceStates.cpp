#include "platform/gpu/GlDevice.h"

#include "platform/gpu/GlDeviceShared.h"

#include <algorithm>

namespace platform::gpu {

using gldevice::kNoSpecular;
using gldevice::OwnObject;

namespace {

GLenum GlCompare(uint32_t func)
{
    switch (func) {
    case D3DCMP_NEVER:
        return GL_NEVER;
    case D3DCMP_LESS:
        return GL_LESS;
    case D3DCMP_EQUAL:
        return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
        return GL_LEQUAL;
    case D3DCMP_GREATER:
        return GL_GREATER;
    case D3DCMP_NOTEQUAL:
        return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
        return GL_GEQUAL;
    default:
        return GL_ALWAYS;
    }
}

GLenum GlBlend(uint32_t blend)
{
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
        return GL_SRC_ALPHA_SATURATE;
    default:
        return GL_ONE;
    }
}

GLenum GlStencilOp(uint32_t op)
{
    switch (op) {
    case D3DSTENCILOP_ZERO:
        return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
        return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
        return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
        return GL_DECR;
    case D3DSTENCILOP_INVERT:
        return GL_INVERT;
    case D3DSTENCILOP_INCR:
        return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
        return GL_DECR_WRAP;
    default:
        return GL_KEEP;
    }
}

void SetEnabled(GLenum capability, bool on)
{
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

void SetMaterialColor(GLenum property, const D3DCOLORVALUE& c)
{
    const GLfloat color[4] = { c.r, c.g, c.b, c.a };
    glMaterialfv(GL_FRONT_AND_BACK, property, color);
}

// Texture stage argument → GL_COMBINE source. At stage 0 "current" is the diffuse colour.
GLenum CombineSource(uint32_t argument)
{
    return (argument & D3DTA_SELECTMASK) == D3DTA_TEXTURE ? GL_TEXTURE : GL_PRIMARY_COLOR;
}

struct CombineSetting {
    GLenum Mode;
    GLenum Source0;
    GLenum Source1;
    bool SamplesTexture;
};

CombineSetting CombineOf(uint32_t op, uint32_t arg1, uint32_t arg2)
{
    bool tex1 = (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    bool tex2 = (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE;
    switch (op) {
    case D3DTOP_SELECTARG1:
        return { GL_REPLACE, CombineSource(arg1), GL_PRIMARY_COLOR, tex1 };
    case D3DTOP_SELECTARG2:
        return { GL_REPLACE, CombineSource(arg2), GL_PRIMARY_COLOR, tex2 };
    case D3DTOP_DISABLE:
        return { GL_REPLACE, GL_PRIMARY_COLOR, GL_PRIMARY_COLOR, false };
    default:
        // FIXME: operations beyond select and modulate are approximated by modulate.
        return { GL_MODULATE, CombineSource(arg1), CombineSource(arg2), tex1 || tex2 };
    }
}

} // namespace

// --- state mapping -----------------------------------------------------------------------

void GlDevice::ApplyAllStates()
{
    ApplyDepth();
    ApplyAlphaTest();
    ApplyBlend();
    ApplyStencil();
    ApplyColorMask();
    ApplyCull();
    for (D3DRENDERSTATETYPE state : { D3DRS_FILLMODE, D3DRS_SHADEMODE, D3DRS_LIGHTING, D3DRS_AMBIENT,
             D3DRS_LOCALVIEWER, D3DRS_NORMALIZENORMALS })
        ApplyRenderState(state);
    ApplyMaterial();
    ApplyTextureStage();
    ApplySampler();
    m_projectionDirty = m_modelViewDirty = m_lightsDirty = m_textureMatrixDirty = true;
    m_colorMaterial = -1;
}

void GlDevice::ApplyRenderState(D3DRENDERSTATETYPE state)
{
    uint32_t value = m_state.RenderState(state);
    switch (state) {
    case D3DRS_ZENABLE:
    case D3DRS_ZFUNC:
    case D3DRS_ZWRITEENABLE:
        ApplyDepth();
        break;
    case D3DRS_ALPHATESTENABLE:
    case D3DRS_ALPHAREF:
    case D3DRS_ALPHAFUNC:
        ApplyAlphaTest();
        break;
    case D3DRS_ALPHABLENDENABLE:
    case D3DRS_SRCBLEND:
    case D3DRS_DESTBLEND:
    case D3DRS_SEPARATEALPHABLENDENABLE:
    case D3DRS_SRCBLENDALPHA:
    case D3DRS_DESTBLENDALPHA:
        ApplyBlend();
        break;
    case D3DRS_STENCILENABLE:
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC:
    case D3DRS_STENCILREF:
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
        ApplyStencil();
        break;
    case D3DRS_COLORWRITEENABLE:
        ApplyColorMask();
        break;
    case D3DRS_CULLMODE:
        ApplyCull();
        break;
    case D3DRS_FILLMODE:
        glPolygonMode(GL_FRONT_AND_BACK,
            value == D3DFILL_POINT           ? GL_POINT
                : value == D3DFILL_WIREFRAME ? GL_LINE
                                             : GL_FILL);
        break;
    case D3DRS_SHADEMODE:
        glShadeModel(value == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
        break;
    case D3DRS_LIGHTING:
        SetEnabled(GL_LIGHTING, value != 0);
        break;
    case D3DRS_AMBIENT: {
        GLfloat ambient[4] = { float((value >> 16) & 0xFF) / 255.0f, float((value >> 8) & 0xFF) / 255.0f,
            float(value & 0xFF) / 255.0f, float(value >> 24) / 255.0f };
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        break;
    }
    case D3DRS_LOCALVIEWER:
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, value != 0 ? GL_TRUE : GL_FALSE);
        break;
    case D3DRS_NORMALIZENORMALS:
        SetEnabled(GL_NORMALIZE, value != 0);
        break;
    case D3DRS_SPECULARENABLE:
        // Specular lives in the material and in every light.
        ApplyMaterial();
        m_lightsDirty = true;
        break;
    default:
        // Colour-material sources are resolved per draw; fog and clipping states have no
        // counterpart (fog stays off, clipping is always on).
        break;
    }
}

void GlDevice::ApplyDepth()
{
    uint32_t z = m_state.RenderState(D3DRS_ZENABLE);
    SetEnabled(GL_DEPTH_TEST, z != D3DZB_FALSE);
    glDepthFunc(GlCompare(m_state.RenderState(D3DRS_ZFUNC)));
    glDepthMask(m_state.RenderState(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);
}

void GlDevice::ApplyAlphaTest()
{
    // Turned on or off at the next draw, which knows whether it changes anything.
    m_alphaTestOn = -1;
    // The reference compares with 8-bit alpha. Every reference handed to GL is a whole 8-bit
    // step, which drivers that store the reference as 8 bits keep exactly (a half step is
    // rounded away there, and "alpha >= 1" would then let alpha 0 through and write its
    // depth). Where D3D compares inclusively against ref, GL compares strictly against the
    // neighbouring step, so interpolated alpha just short of a step still counts as that step.
    const int ref = static_cast<int>(m_state.RenderState(D3DRS_ALPHAREF) & 0xFF);
    GLenum func;
    int threshold;
    switch (m_state.RenderState(D3DRS_ALPHAFUNC)) {
    case D3DCMP_NEVER:
        func = GL_NEVER;
        threshold = 0;
        break;
    case D3DCMP_LESS:
        func = GL_LESS;
        threshold = ref;
        break;
    case D3DCMP_EQUAL:
        func = GL_EQUAL;
        threshold = ref;
        break;
    case D3DCMP_LESSEQUAL:
        func = ref == 255 ? GL_ALWAYS : GL_LESS;
        threshold = ref + 1;
        break;
    case D3DCMP_GREATER:
        func = GL_GREATER;
        threshold = ref;
        break;
    case D3DCMP_NOTEQUAL:
        func = GL_NOTEQUAL;
        threshold = ref;
        break;
    case D3DCMP_GREATEREQUAL:
        func = ref == 0 ? GL_ALWAYS : GL_GREATER;
        threshold = ref - 1;
        break;
    default:
        func = GL_ALWAYS;
        threshold = 0;
        break;
    }
    glAlphaFunc(func, static_cast<float>(std::clamp(threshold, 0, 255)) / 255.0f);
}

void GlDevice::ApplyBlend()
{
    m_blendOn = -1; // as the alpha test
    GLenum source = GlBlend(m_state.RenderState(D3DRS_SRCBLEND));
    GLenum dest = GlBlend(m_state.RenderState(D3DRS_DESTBLEND));
    GLenum sourceAlpha = source;
    GLenum destAlpha = dest;
    if (m_state.RenderState(D3DRS_SEPARATEALPHABLENDENABLE)) {
        sourceAlpha = GlBlend(m_state.RenderState(D3DRS_SRCBLENDALPHA));
        destAlpha = GlBlend(m_state.RenderState(D3DRS_DESTBLENDALPHA));
    }
    m_gl.glBlendFuncSeparate(source, dest, sourceAlpha, destAlpha);
}

void GlDevice::ApplyStencil()
{
    SetEnabled(GL_STENCIL_TEST, m_state.RenderState(D3DRS_STENCILENABLE) != 0);
    // The stencil buffer has 8 bits.
    glStencilFunc(GlCompare(m_state.RenderState(D3DRS_STENCILFUNC)),
        GLint(m_state.RenderState(D3DRS_STENCILREF) & 0xFF), m_state.RenderState(D3DRS_STENCILMASK) & 0xFF);
    glStencilOp(GlStencilOp(m_state.RenderState(D3DRS_STENCILFAIL)),
        GlStencilOp(m_state.RenderState(D3DRS_STENCILZFAIL)),
        GlStencilOp(m_state.RenderState(D3DRS_STENCILPASS)));
    glStencilMask(m_state.RenderState(D3DRS_STENCILWRITEMASK) & 0xFF);
}

void GlDevice::ApplyColorMask()
{
    uint32_t mask = m_state.RenderState(D3DRS_COLORWRITEENABLE);
    glColorMask((mask & D3DCOLORWRITEENABLE_RED) != 0, (mask & D3DCOLORWRITEENABLE_GREEN) != 0,
        (mask & D3DCOLORWRITEENABLE_BLUE) != 0, (mask & D3DCOLORWRITEENABLE_ALPHA) != 0);
}

void GlDevice::ApplyCull()
{
    switch (m_state.RenderState(D3DRS_CULLMODE)) {
    case D3DCULL_CW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
        break;
    case D3DCULL_CCW:
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
        break;
    default:
        glDisable(GL_CULL_FACE);
        break;
    }
}

void GlDevice::ApplyMaterial()
{
    const D3DMATERIAL9& m = m_state.Material;
    SetMaterialColor(GL_AMBIENT, m.Ambient);
    SetMaterialColor(GL_DIFFUSE, m.Diffuse);
    SetMaterialColor(GL_SPECULAR, m_state.RenderState(D3DRS_SPECULARENABLE) ? m.Specular : kNoSpecular);
    SetMaterialColor(GL_EMISSION, m.Emissive);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(m.Power, 0.0f, 128.0f));
}

void GlDevice::ApplyTextureStage()
{
    const auto& s = m_state.StageStates[0];
    const GlTexture* texture = static_cast<const GlTexture*>(m_state.Textures[0].get());
    glBindTexture(GL_TEXTURE_2D, texture ? texture->Name() : 0);
    if (s[D3DTSS_COLOROP] == D3DTOP_DISABLE) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    CombineSetting color = CombineOf(s[D3DTSS_COLOROP], s[D3DTSS_COLORARG1], s[D3DTSS_COLORARG2]);
    CombineSetting alpha = CombineOf(s[D3DTSS_ALPHAOP], s[D3DTSS_ALPHAARG1], s[D3DTSS_ALPHAARG2]);
    // A stage that does not sample (or has nothing to sample) passes the diffuse colour on.
    if (!texture || !(color.SamplesTexture || alpha.SamplesTexture)) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GLint(color.Mode));
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_RGB, GLint(color.Source0));
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_RGB, GLint(color.Source1));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GLint(alpha.Mode));
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_ALPHA, GLint(alpha.Source0));
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_ALPHA, GLint(alpha.Source1));
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, GL_SRC_ALPHA);
}

bool GlDevice::FragmentsOpaque(const VertexLayout& layout) const
{
    // The stage's alpha: the texture's where it samples one, the diffuse alpha otherwise.
    const auto& s = m_state.StageStates[0];
    if (s[D3DTSS_COLOROP] != D3DTOP_DISABLE && m_state.Textures[0]
        && CombineOf(s[D3DTSS_ALPHAOP], s[D3DTSS_ALPHAARG1], s[D3DTSS_ALPHAARG2]).SamplesTexture)
        return false;
    // The diffuse alpha: lit, the material's unless it tracks the vertex colour; unlit, the
    // vertex colour's, white without one.
    if (m_state.RenderState(D3DRS_LIGHTING) != 0)
        return m_colorMaterial != GL_DIFFUSE && m_colorMaterial != GL_AMBIENT_AND_DIFFUSE
            && m_state.Material.Diffuse.a >= 1;
    return layout.Diffuse < 0;
}

void GlDevice::PrepareBlendAndAlphaTest(const VertexLayout& layout)
{
    bool blend = m_state.RenderState(D3DRS_ALPHABLENDENABLE) != 0;
    bool test = m_state.RenderState(D3DRS_ALPHATESTENABLE) != 0;
    if ((blend || test) && FragmentsOpaque(layout)) {
        // With source alpha 1 the blend keeps the source when it weighs it by its alpha (or
        // whole) and the target by the inverse alpha (or not at all), colour and alpha alike.
        const auto keepsSource = [&](D3DRENDERSTATETYPE source, D3DRENDERSTATETYPE target) {
            const uint32_t from = m_state.RenderState(source);
            const uint32_t to = m_state.RenderState(target);
            return (from == D3DBLEND_SRCALPHA || from == D3DBLEND_ONE)
                && (to == D3DBLEND_INVSRCALPHA || to == D3DBLEND_ZERO);
        };
        const bool separate = m_state.RenderState(D3DRS_SEPARATEALPHABLENDENABLE) != 0;
        if (keepsSource(D3DRS_SRCBLEND, D3DRS_DESTBLEND)
            && (!separate || keepsSource(D3DRS_SRCBLENDALPHA, D3DRS_DESTBLENDALPHA)))
            blend = false;
        // Alpha 255 passes a test for at least (or more than) a lower reference.
        const uint32_t func = m_state.RenderState(D3DRS_ALPHAFUNC);
        const uint32_t ref = m_state.RenderState(D3DRS_ALPHAREF) & 0xFF;
        if (func == D3DCMP_ALWAYS || func == D3DCMP_GREATEREQUAL || (func == D3DCMP_GREATER && ref < 255))
            test = false;
    }
    if (int { blend } != m_blendOn) {
        SetEnabled(GL_BLEND, blend);
        m_blendOn = blend;
    }
    if (int { test } != m_alphaTestOn) {
        SetEnabled(GL_ALPHA_TEST, test);
        m_alphaTestOn = test;
    }
}

void GlDevice::ApplySampler()
{
    // One texture level, so the mip filter has nothing to choose between.
    bool linearMin = m_state.SamplerState(D3DSAMP_MINFILTER) >= D3DTEXF_LINEAR;
    bool linearMag = m_state.SamplerState(D3DSAMP_MAGFILTER) >= D3DTEXF_LINEAR;
    m_gl.glBindSampler(0, m_context->Sampler(linearMin, linearMag));
}

// --- states ------------------------------------------------------------------------------

HRESULT GlDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value)
{
    if (state >= kRenderStateCount)
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(RenderStateCall { state, value }))
        return D3D_OK;
    if (!Enter())
        return E_FAIL;
    m_state.RenderStates[state] = value;
    ApplyRenderState(state);
    return D3D_OK;
}

HRESULT GlDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value)
{
    if (stage >= kTextureStageCount || type >= kTextureStageStateCount)
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(TextureStageStateCall { stage, type, value }))
        return D3D_OK;
    if (!Enter())
        return E_FAIL;
    m_state.StageStates[stage][type] = value;
    // Only stage 0 is drawn with; later stages keep their (disabled) defaults.
    if (stage == 0) {
        if (type == D3DTSS_TEXTURETRANSFORMFLAGS)
            m_textureMatrixDirty = true;
        else
            ApplyTextureStage();
    }
    return D3D_OK;
}

HRESULT GlDevice::SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value)
{
    if (sampler >= kSamplerCount || type >= kSamplerStateCount)
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(SamplerStateCall { sampler, type, value }))
        return D3D_OK;
    if (!Enter())
        return E_FAIL;
    m_state.SamplerStates[sampler][type] = value;
    // Addressing is never changed from wrap, which the samplers always use.
    if (sampler == 0 && (type == D3DSAMP_MINFILTER || type == D3DSAMP_MAGFILTER))
        ApplySampler();
    return D3D_OK;
}

HRESULT GlDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix)
{
    if (!m_state.TransformSlot(type))
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(TransformCall { type, matrix }))
        return D3D_OK;
    *m_state.TransformSlot(type) = matrix;
    switch (type) {
    case D3DTS_WORLD:
        m_modelViewDirty = true;
        break;
    case D3DTS_VIEW:
        m_modelViewDirty = true;
        m_lightsDirty = true;
        break;
    case D3DTS_PROJECTION:
        m_projectionDirty = true;
        break;
    default:
        if (type == D3DTS_TEXTURE0)
            m_textureMatrixDirty = true;
        break;
    }
    return D3D_OK;
}

HRESULT GlDevice::SetMaterial(const D3DMATERIAL9& material)
{
    if (m_recorder.Record(MaterialCall { material }))
        return D3D_OK;
    if (!Enter())
        return E_FAIL;
    m_state.Material = material;
    ApplyMaterial();
    return D3D_OK;
}

HRESULT GlDevice::SetLight(uint32_t index, const D3DLIGHT9& light)
{
    if (m_recorder.Record(LightCall { index, light }))
        return D3D_OK;
    m_state.Lights[index].Light = light;
    m_lightsDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::LightEnable(uint32_t index, int32_t enable)
{
    // GL has no light beyond its maximum; enabling one would only raise a GL error.
    if (enable && index >= m_caps.MaxLights)
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(LightEnableCall { index, enable }))
        return D3D_OK;
    auto it = m_state.Lights.find(index);
    if (it == m_state.Lights.end()) {
        if (!enable)
            return D3D_OK;
        it = m_state.Lights.emplace(index, LightSlot { DeviceState::DefaultLight(), false }).first;
    }
    it->second.Enabled = enable != 0;
    m_lightsDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::SetTexture(uint32_t stage, const TexturePtr& texture)
{
    if (stage >= kTextureStageCount || (texture && !OwnObject<GlTexture>(texture, m_context.get())))
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(TextureCall { stage, texture }))
        return D3D_OK;
    if (!Enter())
        return E_FAIL;
    m_state.Textures[stage] = texture;
    if (stage == 0)
        ApplyTextureStage();
    return D3D_OK;
}

} // namespace platform::gpu
