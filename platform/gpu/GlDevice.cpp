#include "platform/gpu/GlDevice.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>

namespace platform::gpu {

namespace {

constexpr float kRadiansToDegrees = 57.29577951308232f;

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

GLenum GlPrimitive(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_POINTLIST:
        return GL_POINTS;
    case D3DPT_LINELIST:
        return GL_LINES;
    case D3DPT_LINESTRIP:
        return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
        return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
        return GL_TRIANGLE_FAN;
    default:
        return GL_TRIANGLES;
    }
}

void SetEnabled(GLenum capability, bool on)
{
    if (on)
        glEnable(capability);
    else
        glDisable(capability);
}

D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b)
{
    D3DMATRIX r {};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j]
                + a.m[i][3] * b.m[3][j];
    return r;
}

// A row-vector, row-major matrix has the memory of GL's column-major column-vector form of
// the same transform, so it loads unchanged.
void LoadMatrix(const D3DMATRIX& m)
{
    glLoadMatrixf(&m.m[0][0]);
}

// With specular off D3D adds nothing, but GL's pow(x, 0) = 1 would add the full specular
// colour of a material or light with power 0: specular is sent as black instead.
constexpr D3DCOLORVALUE kNoSpecular { 0, 0, 0, 1 };

void SetMaterialColor(GLenum property, const D3DCOLORVALUE& c)
{
    const GLfloat color[4] = { c.r, c.g, c.b, c.a };
    glMaterialfv(GL_FRONT_AND_BACK, property, color);
}

void SetLightColor(GLenum light, GLenum property, const D3DCOLORVALUE& c)
{
    const GLfloat color[4] = { c.r, c.g, c.b, c.a };
    glLightfv(light, property, color);
}

// A binding or read-back takes only objects this device made: of its own kind, on its context.
template <class Own, class Object>
Own* OwnObject(const std::shared_ptr<Object>& object, const GlContext* context)
{
    auto* own = dynamic_cast<Own*>(object.get());
    return own && own->Context() == context ? own : nullptr;
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

// Rows of a top-down D3D rectangle in a bottom-up GL buffer of `height` rows.
struct GlRect {
    GLint X0, Y0, X1, Y1;
};
GlRect ToGl(const RECT& r, uint32_t height)
{
    return { r.left, GLint(height) - r.bottom, r.right, GLint(height) - r.top };
}

// D3D's vertex lighting, read from GL's own light, material and light-model state; only what
// fixed-function lighting cannot express comes in as uniforms: a light's range, beyond which
// it adds nothing, and a spot's inner cone, inside which it shines whole, with the falloff
// between the cones. Texturing and everything after it stay fixed-function.
//
// A program is made for each arrangement of lights (which are on, and of what kind) and of
// the render states it reads: the software rasteriser runs every branch of a loop over all
// eight lights for every vertex, so each program shades with its own lights only.
constexpr const char* kLitShaderHead = R"(#version 120
uniform float LightRange[8];
uniform vec3 SpotCone[8];
vec3 position;
vec3 normal;
vec3 viewer;
vec4 diffuseMaterial;
vec4 ambientMaterial;

vec3 Lit(int i, vec3 toLight, float factor)
{
    vec3 l = dot(toLight, toLight) > 0.0 ? normalize(toLight) : toLight;
    float diffuse = max(dot(normal, l), 0.0);
    vec3 lit = gl_LightSource[i].ambient.rgb * ambientMaterial.rgb
        + diffuse * gl_LightSource[i].diffuse.rgb * diffuseMaterial.rgb;
    if (diffuse > 0.0) {
        vec3 h = l + viewer;
        float facing = dot(h, h) > 0.0 ? max(dot(normal, normalize(h)), 0.0) : 0.0;
        float shininess = gl_FrontMaterial.shininess;
        float highlight = facing > 0.0 ? pow(facing, shininess) : (shininess == 0.0 ? 1.0 : 0.0);
        lit += highlight * gl_LightSource[i].specular.rgb * gl_FrontMaterial.specular.rgb;
    }
    return factor * lit;
}

vec3 Directional(int i)
{
    return Lit(i, gl_LightSource[i].position.xyz, 1.0);
}

vec3 Positional(int i, bool spot)
{
    vec4 source = gl_LightSource[i].position;
    vec3 toLight = source.xyz / source.w - position;
    float d = length(toLight);
    if (LightRange[i] >= 0.0 && d > LightRange[i])
        return vec3(0.0);
    float attenuation = gl_LightSource[i].constantAttenuation
        + d * (gl_LightSource[i].linearAttenuation + d * gl_LightSource[i].quadraticAttenuation);
    float factor = 1.0 / max(attenuation, 1e-6);
    vec3 cone = SpotCone[i];
    if (spot && cone.y >= -1.0 && d > 0.0) {
        vec3 axis = gl_LightSource[i].spotDirection;
        float rho = dot(-toLight / d, dot(axis, axis) > 0.0 ? normalize(axis) : axis);
        if (rho <= cone.y)
            return vec3(0.0);
        if (rho < cone.x)
            factor *= pow((rho - cone.y) / (cone.x - cone.y), cone.z);
    }
    return Lit(i, toLight, factor);
}

void main()
{
    gl_Position = ftransform();
    gl_TexCoord[0] = gl_TextureMatrix[0] * gl_MultiTexCoord0;
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    position = eye.xyz / eye.w;
    normal = gl_NormalMatrix * gl_Normal;
    if (NormalizeNormals && dot(normal, normal) > 0.0)
        normal = normalize(normal);
    diffuseMaterial = DiffuseFromColor ? gl_Color : gl_FrontMaterial.diffuse;
    ambientMaterial = AmbientFromColor ? gl_Color : gl_FrontMaterial.ambient;
    viewer = LocalViewer && dot(position, position) > 0.0 ? normalize(-position) : vec3(0.0, 0.0, 1.0);
    vec3 color = gl_FrontMaterial.emission.rgb + gl_LightModel.ambient.rgb * ambientMaterial.rgb;
)";

constexpr const char* kLitShaderTail = R"(    gl_FrontColor = vec4(clamp(color, 0.0, 1.0), diffuseMaterial.a);
    gl_BackColor = gl_FrontColor;
    gl_FrontSecondaryColor = vec4(0.0);
    gl_BackSecondaryColor = vec4(0.0);
}
)";

// What a lit program is made for: two bits for each light (LitKind), then the render states.
enum LitKind : uint32_t { kLitOff = 0, kLitDirectional = 1, kLitPoint = 2, kLitSpot = 3 };
constexpr uint32_t kLitDiffuseFromColor = 1U << 16;
constexpr uint32_t kLitAmbientFromColor = 1U << 17;
constexpr uint32_t kLitLocalViewer = 1U << 18;
constexpr uint32_t kLitNormalizeNormals = 1U << 19;

std::string LitVertexShader(uint32_t key)
{
    const auto flag = [&](const char* name, uint32_t bit) {
        return std::string("const bool ") + name + ((key & bit) != 0 ? " = true;\n" : " = false;\n");
    };
    std::string source = kLitShaderHead;
    // The constants go in after the version line, ahead of everything that reads them.
    const size_t afterVersion = source.find('\n') + 1;
    source.insert(afterVersion,
        flag("DiffuseFromColor", kLitDiffuseFromColor) + flag("AmbientFromColor", kLitAmbientFromColor)
            + flag("LocalViewer", kLitLocalViewer) + flag("NormalizeNormals", kLitNormalizeNormals));
    for (uint32_t i = 0; i < 8; ++i) {
        const std::string index = std::to_string(i);
        switch ((key >> (2 * i)) & 3U) {
        case kLitDirectional:
            source += "    color += Directional(" + index + ");\n";
            break;
        case kLitPoint:
            source += "    color += Positional(" + index + ", false);\n";
            break;
        case kLitSpot:
            source += "    color += Positional(" + index + ", true);\n";
            break;
        default:
            break;
        }
    }
    return source + kLitShaderTail;
}

} // namespace

bool GlCaps::OffersSamples(D3DMULTISAMPLE_TYPE type) const
{
    return platform::gpu::OffersSamples(SampleCounts, type);
}

// --- creation and resets -----------------------------------------------------------------

GlDevice::GlDevice(GlContextPtr context, const GlCaps& caps, bool extended)
    : m_context(std::move(context))
    , m_gl(m_context->Gl())
    , m_caps(caps)
    , m_extended(extended)
{ }

HRESULT GlDevice::Create(const GlCaps& caps, bool extended, D3DPRESENT_PARAMETERS& parameters,
    DevicePtr& result, GlContextPtr context)
{
    result.reset();
    if (!context || !context->MakeCurrent())
        context = GlContext::Create();
    if (!context)
        return D3DERR_NOTAVAILABLE;
    std::shared_ptr<GlDevice> device(new GlDevice(context, caps, extended));
    const GlFunctions& gl = device->m_gl;
    gl.glGenFramebuffers(1, &device->m_drawFramebuffer);
    gl.glGenFramebuffers(1, &device->m_readFramebuffer);
    gl.glGenFramebuffers(1, &device->m_blitFramebuffer);

    // Fixed for the device's life: D3D's front face is clockwise and flat shading takes the
    // first vertex; GL's "front" is kept equal to D3D's, which holds because no fix flips Y.
    glFrontFace(GL_CW);
    gl.glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    glDisable(GL_FOG);
    glDisable(GL_DITHER);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    gl.glActiveTexture(GL_TEXTURE0);
    gl.glClientActiveTexture(GL_TEXTURE0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    HRESULT hr = device->ResetDevice(parameters);
    if (Failed(hr))
        return hr;
    result = device;
    return D3D_OK;
}

GlDevice::~GlDevice()
{
    // Reads on their way are abandoned: their destinations keep what they held.
    if (Enter()) {
        for (PendingRead& read : m_pendingReads) {
            m_gl.glDeleteSync(read.Fence);
            read.Destination->SetPendingRead(nullptr);
        }
    }
    m_pendingReads.clear();
    // Drop references first so resources die while the context is still whole.
    m_state.SetDefaults(false);
    m_renderTarget.reset();
    m_depthStencil.reset();
    if (Enter()) {
        GLuint framebuffers[] = { m_drawFramebuffer, m_readFramebuffer, m_blitFramebuffer };
        m_gl.glDeleteFramebuffers(3, framebuffers);
        m_gl.glUseProgram(0);
        for (const auto& [key, entry] : m_litPrograms) {
            if (entry.Program)
                m_gl.glDeleteProgram(entry.Program);
        }
    }
}

HRESULT GlDevice::BuildSwapChain(const D3DPRESENT_PARAMETERS& p)
{
    uint32_t width = std::max<uint32_t>(p.BackBufferWidth, 1);
    uint32_t height = std::max<uint32_t>(p.BackBufferHeight, 1);
    if (width > m_caps.MaxRenderbufferSize || height > m_caps.MaxRenderbufferSize)
        return D3DERR_INVALIDCALL;
    if (!(ValidColorFormat(p.BackBufferFormat) || p.BackBufferFormat == D3DFMT_UNKNOWN))
        return D3DERR_INVALIDCALL;
    if (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL;
    if (!m_caps.OffersSamples(p.MultiSampleType) || p.MultiSampleType == D3DMULTISAMPLE_NONMASKABLE)
        return D3DERR_INVALIDCALL;

    D3DSURFACE_DESC desc
        = SurfaceDesc(D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, D3DMULTISAMPLE_NONE, 0, 0);
    if (!m_backBuffer)
        m_backBuffer = std::make_shared<GlSurface>(m_context, GlSurface::Kind::Color, desc);
    HRESULT hr = m_backBuffer->Allocate(width, height, p.MultiSampleType);
    if (Failed(hr))
        return hr;

    if (p.MultiSampleType != D3DMULTISAMPLE_NONE) {
        if (!m_resolveBuffer)
            m_resolveBuffer = std::make_shared<GlSurface>(m_context, GlSurface::Kind::Color, desc);
        hr = m_resolveBuffer->Allocate(width, height, D3DMULTISAMPLE_NONE);
        if (Failed(hr))
            return hr;
    } else {
        m_resolveBuffer.reset();
    }

    if (p.EnableAutoDepthStencil) {
        desc.Format = D3DFMT_D24S8;
        desc.Usage = D3DUSAGE_DEPTHSTENCIL;
        if (!m_autoDepthStencil)
            m_autoDepthStencil = std::make_shared<GlSurface>(m_context, GlSurface::Kind::DepthStencil, desc);
        hr = m_autoDepthStencil->Allocate(width, height, p.MultiSampleType);
        if (Failed(hr))
            return hr;
    } else {
        m_autoDepthStencil.reset();
    }
    return D3D_OK;
}

HRESULT GlDevice::ResetDevice(D3DPRESENT_PARAMETERS& parameters)
{
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(nullptr);
    HRESULT hr = BuildSwapChain(parameters);
    if (Failed(hr))
        return hr;
    // The parameters are in/out: a size of 0 or an unknown format comes back as used.
    parameters.BackBufferWidth = m_backBuffer->Desc().Width;
    parameters.BackBufferHeight = m_backBuffer->Desc().Height;
    if (parameters.BackBufferFormat == D3DFMT_UNKNOWN)
        parameters.BackBufferFormat = D3DFMT_A8R8G8B8;
    m_parameters = parameters;
    m_state.SetDefaults(parameters.EnableAutoDepthStencil != 0);
    m_renderTarget = m_backBuffer;
    m_depthStencil = m_autoDepthStencil;
    m_targetDirty = true;
    if (!PrepareTarget())
        return E_FAIL;
    ApplyAllStates();
    return D3D_OK;
}

HRESULT GlDevice::TestCooperativeLevel()
{
    return D3D_OK;
}

HRESULT GlDevice::CheckDeviceState(WindowHandle)
{
    return m_extended ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS& parameters)
{
    return ResetDevice(parameters);
}

HRESULT GlDevice::ResetEx(D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode)
{
    if (!m_extended || fullscreenMode)
        return D3DERR_INVALIDCALL;
    return ResetDevice(parameters);
}

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
    SetEnabled(GL_ALPHA_TEST, m_state.RenderState(D3DRS_ALPHATESTENABLE) != 0);
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
    SetEnabled(GL_BLEND, m_state.RenderState(D3DRS_ALPHABLENDENABLE) != 0);
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

void GlDevice::ApplySampler()
{
    // One texture level, so the mip filter has nothing to choose between.
    bool linearMin = m_state.SamplerState(D3DSAMP_MINFILTER) >= D3DTEXF_LINEAR;
    bool linearMag = m_state.SamplerState(D3DSAMP_MAGFILTER) >= D3DTEXF_LINEAR;
    m_gl.glBindSampler(0, m_context->Sampler(linearMin, linearMag));
}

bool GlDevice::PrepareTarget()
{
    if (!m_targetDirty)
        return m_targetComplete;
    m_targetDirty = false;
    m_gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_drawFramebuffer);
    m_gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
        m_renderTarget ? m_renderTarget->Renderbuffer() : 0);
    m_gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
        m_depthStencil ? m_depthStencil->Renderbuffer() : 0);
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    uint32_t width = m_renderTarget ? m_renderTarget->Desc().Width : 1;
    uint32_t height = m_renderTarget ? m_renderTarget->Desc().Height : 1;
    if (width != m_targetWidth || height != m_targetHeight) {
        m_targetWidth = width;
        m_targetHeight = height;
        m_projectionDirty = true;
    }
    glViewport(0, 0, GLsizei(width), GLsizei(height));
    m_targetComplete = m_gl.glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return m_targetComplete;
}

void GlDevice::PrepareTransforms()
{
    if (m_projectionDirty) {
        m_projectionDirty = false;
        // Fold D3D's clip depth [0, w] into GL's [-w, w] (window depth then equals D3D's z),
        // then move everything half a pixel right and down so pixel centres fall on whole
        // coordinates as in D3D.
        D3DMATRIX p = m_state.Projection;
        for (int r = 0; r < 4; ++r)
            p.m[r][2] = 2 * p.m[r][2] - p.m[r][3];
        float w = float(std::max<uint32_t>(m_targetWidth, 1));
        float h = float(std::max<uint32_t>(m_targetHeight, 1));
        for (int r = 0; r < 4; ++r) {
            p.m[r][0] += p.m[r][3] / w;
            p.m[r][1] -= p.m[r][3] / h;
        }
        glMatrixMode(GL_PROJECTION);
        LoadMatrix(p);
    }
    if (m_modelViewDirty) {
        m_modelViewDirty = false;
        glMatrixMode(GL_MODELVIEW);
        LoadMatrix(Multiply(m_state.World, m_state.View));
    }
    if (m_textureMatrixDirty) {
        m_textureMatrixDirty = false;
        // D3D feeds 2D coordinates as (u, v, 1), GL as (s, t, 0, 1): the translation moves
        // from the third row to the fourth.
        D3DMATRIX g = DeviceState::Identity();
        if ((m_state.StageState(D3DTSS_TEXTURETRANSFORMFLAGS) & 0xFF) == D3DTTFF_COUNT2) {
            const D3DMATRIX& m = m_state.TextureMatrices[0];
            for (int c = 0; c < 2; ++c) {
                g.m[0][c] = m.m[0][c];
                g.m[1][c] = m.m[1][c];
                g.m[3][c] = m.m[2][c];
            }
        }
        glMatrixMode(GL_TEXTURE);
        LoadMatrix(g);
    }
    glMatrixMode(GL_MODELVIEW);
}

void GlDevice::PrepareLights()
{
    if (!m_lightsDirty)
        return;
    m_lightsDirty = false;
    // GL keeps lights in eye space: specify them under the view alone.
    glMatrixMode(GL_MODELVIEW);
    LoadMatrix(m_state.View);
    bool specular = m_state.RenderState(D3DRS_SPECULARENABLE) != 0;
    for (uint32_t i = 0; i < m_caps.MaxLights; ++i) {
        GLenum id = GL_LIGHT0 + i;
        auto it = m_state.Lights.find(i);
        LightShape& shape = m_lightShapes[i];
        shape = LightShape {};
        if (it == m_state.Lights.end() || !it->second.Enabled) {
            glDisable(id);
            continue;
        }
        const D3DLIGHT9& l = it->second.Light;
        shape.Kind = l.Type == D3DLIGHT_DIRECTIONAL ? kLitDirectional
            : l.Type == D3DLIGHT_SPOT               ? kLitSpot
                                                    : kLitPoint;
        SetLightColor(id, GL_DIFFUSE, l.Diffuse);
        SetLightColor(id, GL_AMBIENT, l.Ambient);
        SetLightColor(id, GL_SPECULAR, specular ? l.Specular : kNoSpecular);
        if (l.Type == D3DLIGHT_DIRECTIONAL) {
            GLfloat position[4] = { -l.Direction.x, -l.Direction.y, -l.Direction.z, 0 };
            glLightfv(id, GL_POSITION, position);
            glLightf(id, GL_SPOT_CUTOFF, 180);
            glLightf(id, GL_CONSTANT_ATTENUATION, 1);
            glLightf(id, GL_LINEAR_ATTENUATION, 0);
            glLightf(id, GL_QUADRATIC_ATTENUATION, 0);
        } else {
            GLfloat position[4] = { l.Position.x, l.Position.y, l.Position.z, 1 };
            glLightfv(id, GL_POSITION, position);
            // Range, the inner cone and the falloff reach the lit program only; the outer cone
            // is set here too for drivers without it.
            shape.Range = std::isnan(l.Range) ? -1.0f : std::max(l.Range, 0.0f);
            if (l.Type == D3DLIGHT_SPOT) {
                const float outer = std::clamp(l.Phi, 0.0f, 3.14159265f);
                const float inner = std::clamp(l.Theta, 0.0f, outer);
                shape.Cone[0] = std::cos(inner / 2);
                shape.Cone[1] = std::cos(outer / 2);
                shape.Cone[2] = std::isfinite(l.Falloff) ? std::max(l.Falloff, 0.0f) : 1.0f;
                GLfloat direction[3] = { l.Direction.x, l.Direction.y, l.Direction.z };
                glLightfv(id, GL_SPOT_DIRECTION, direction);
                glLightf(id, GL_SPOT_CUTOFF, std::clamp(l.Phi / 2 * kRadiansToDegrees, 0.0f, 90.0f));
                glLightf(id, GL_SPOT_EXPONENT, 0);
            } else {
                glLightf(id, GL_SPOT_CUTOFF, 180);
            }
            glLightf(id, GL_CONSTANT_ATTENUATION, std::max(l.Attenuation0, 0.0f));
            glLightf(id, GL_LINEAR_ATTENUATION, std::max(l.Attenuation1, 0.0f));
            glLightf(id, GL_QUADRATIC_ATTENUATION, std::max(l.Attenuation2, 0.0f));
        }
        glEnable(id);
    }
    m_modelViewDirty = true;
}

void GlDevice::PrepareColorMaterial(const VertexLayout& layout)
{
    bool vertexColor = m_state.RenderState(D3DRS_COLORVERTEX) != 0 && layout.Diffuse >= 0;
    bool diffuse = vertexColor && m_state.RenderState(D3DRS_DIFFUSEMATERIALSOURCE) == D3DMCS_COLOR1;
    bool ambient = vertexColor && m_state.RenderState(D3DRS_AMBIENTMATERIALSOURCE) == D3DMCS_COLOR1;
    int mode = diffuse && ambient ? GL_AMBIENT_AND_DIFFUSE : diffuse ? GL_DIFFUSE : ambient ? GL_AMBIENT : 0;
    if (mode == m_colorMaterial)
        return;
    // A tracked material colour keeps the last vertex colour after tracking stops: restore
    // the material whenever the tracking changes.
    glDisable(GL_COLOR_MATERIAL);
    ApplyMaterial();
    if (mode) {
        glColorMaterial(GL_FRONT_AND_BACK, GLenum(mode));
        glEnable(GL_COLOR_MATERIAL);
    }
    m_colorMaterial = mode;
}

const GlDevice::LitProgramEntry& GlDevice::LitProgram(uint32_t key)
{
    if (auto found = m_litPrograms.find(key); found != m_litPrograms.end())
        return found->second;
    const GlFunctions& gl = m_gl;
    // A scene uses a handful of arrangements; one that keeps changing its lights could make
    // programs without end, so past a bound they are all made anew.
    constexpr size_t kMostLitPrograms = 64;
    if (m_litPrograms.size() >= kMostLitPrograms) {
        gl.glUseProgram(0);
        m_litProgramInUse = 0;
        for (const auto& [oldKey, entry] : m_litPrograms) {
            if (entry.Program)
                gl.glDeleteProgram(entry.Program);
        }
        m_litPrograms.clear();
    }
    LitProgramEntry& entry = m_litPrograms[key];
    GLuint shader = gl.glCreateShader(GL_VERTEX_SHADER);
    if (!shader)
        return entry;
    const std::string source = LitVertexShader(key);
    const char* text = source.c_str();
    gl.glShaderSource(shader, 1, &text, nullptr);
    gl.glCompileShader(shader);
    GLint compiled = 0;
    gl.glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    GLuint program = compiled ? gl.glCreateProgram() : 0;
    if (program) {
        gl.glAttachShader(program, shader);
        gl.glLinkProgram(program);
        GLint linked = 0;
        gl.glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked) {
            gl.glDeleteProgram(program);
            program = 0;
        }
    }
    // The program keeps the shader alive while it needs it.
    gl.glDeleteShader(shader);
    DrainGlErrors();
    if (!program)
        return entry;
    entry.Program = program;
    entry.LightRange = gl.glGetUniformLocation(program, "LightRange");
    entry.SpotCone = gl.glGetUniformLocation(program, "SpotCone");
    return entry;
}

void GlDevice::PrepareLitProgram()
{
    // Without the program (no GLSL in the driver) lighting stays fixed-function: no range,
    // and a spot's outer cone as a hard edge.
    const GlFunctions& gl = m_gl;
    GLuint program = 0;
    const LitProgramEntry* entry = nullptr;
    if (m_state.RenderState(D3DRS_LIGHTING) != 0) {
        uint32_t key = 0;
        for (size_t i = 0; i < m_lightShapes.size() && i < m_caps.MaxLights; ++i)
            key |= m_lightShapes[i].Kind << (2 * i);
        if (m_colorMaterial == GL_DIFFUSE || m_colorMaterial == GL_AMBIENT_AND_DIFFUSE)
            key |= kLitDiffuseFromColor;
        if (m_colorMaterial == GL_AMBIENT || m_colorMaterial == GL_AMBIENT_AND_DIFFUSE)
            key |= kLitAmbientFromColor;
        if (m_state.RenderState(D3DRS_LOCALVIEWER) != 0)
            key |= kLitLocalViewer;
        if (m_state.RenderState(D3DRS_NORMALIZENORMALS) != 0)
            key |= kLitNormalizeNormals;
        entry = &LitProgram(key);
        program = entry->Program;
    }
    if (program != m_litProgramInUse)
        gl.glUseProgram(program);
    m_litProgramInUse = program;
    if (!program)
        return;
    std::array<GLfloat, 8> range {};
    std::array<GLfloat, 24> cone {};
    for (size_t i = 0; i < m_lightShapes.size(); ++i) {
        const LightShape& shape = m_lightShapes[i];
        range[i] = shape.Range;
        std::copy(std::begin(shape.Cone), std::end(shape.Cone), cone.begin() + 3 * ptrdiff_t(i));
    }
    if (entry->LightRange >= 0)
        gl.glUniform1fv(entry->LightRange, 8, range.data());
    if (entry->SpotCone >= 0)
        gl.glUniform3fv(entry->SpotCone, 8, cone.data());
}

// --- frame -------------------------------------------------------------------------------

HRESULT GlDevice::BeginScene()
{
    if (m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = true;
    // The frame enables the lights it has; one removed since the last frame must not keep
    // shining from its old place.
    for (auto& [index, slot] : m_state.Lights)
        slot.Enabled = false;
    m_lightsDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::EndScene()
{
    if (!m_inScene)
        return D3DERR_INVALIDCALL;
    m_inScene = false;
    if (Enter())
        glFlush();
    return D3D_OK;
}

HRESULT GlDevice::Present(const RECT*, const RECT*, WindowHandle destWindowOverride, const void*)
{
    if (!Enter())
        return E_FAIL;
    const D3DSURFACE_DESC& desc = m_backBuffer->Desc();
    const GlSurface* source = m_backBuffer.get();
    if (m_backBuffer->Multisampled()) {
        RECT whole { 0, 0, int32_t(desc.Width), int32_t(desc.Height) };
        Blit(*m_backBuffer, whole, *m_resolveBuffer, whole, GL_NEAREST);
        source = m_resolveBuffer.get();
    }
    try {
        m_front.Pixels.resize(size_t(desc.Width) * desc.Height);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    m_front.Width = int32_t(desc.Width);
    m_front.Height = int32_t(desc.Height);
    ReadColor(*source, reinterpret_cast<uint8_t*>(m_front.Pixels.data()), int32_t(desc.Width * 4));
    CallPresentHandler(destWindowOverride ? destWindowOverride : m_parameters.hDeviceWindow, m_front);
    return D3D_OK;
}

HRESULT GlDevice::PresentEx(const RECT* sourceRect, const RECT* destRect, WindowHandle destWindowOverride,
    const void* dirtyRegion, uint32_t)
{
    if (!m_extended)
        return D3DERR_INVALIDCALL;
    return Present(sourceRect, destRect, destWindowOverride, dirtyRegion);
}

HRESULT GlDevice::Clear(
    uint32_t count, const D3DRECT* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    if ((count > 0 && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(m_renderTarget.get());
    if (!PrepareTarget())
        return D3DERR_INVALIDCALL;
    GLbitfield mask = 0;
    if (flags & D3DCLEAR_TARGET)
        mask |= GL_COLOR_BUFFER_BIT;
    if ((flags & D3DCLEAR_ZBUFFER) && m_depthStencil)
        mask |= GL_DEPTH_BUFFER_BIT;
    if ((flags & D3DCLEAR_STENCIL) && m_depthStencil)
        mask |= GL_STENCIL_BUFFER_BIT;
    if (!mask)
        return D3D_OK;

    // glClear obeys the write masks; D3D's Clear does not.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFF);
    glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
        float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f);
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    glClearStencil(GLint(stencil & 0xFF));
    if (count == 0) {
        glClear(mask);
    } else {
        glEnable(GL_SCISSOR_TEST);
        for (uint32_t i = 0; i < count; ++i) {
            const D3DRECT& r = rects[i];
            int32_t x1 = std::clamp(r.x1, 0, int32_t(m_targetWidth));
            int32_t x2 = std::clamp(r.x2, 0, int32_t(m_targetWidth));
            int32_t y1 = std::clamp(r.y1, 0, int32_t(m_targetHeight));
            int32_t y2 = std::clamp(r.y2, 0, int32_t(m_targetHeight));
            if (x2 <= x1 || y2 <= y1)
                continue;
            glScissor(x1, GLint(m_targetHeight) - y2, x2 - x1, y2 - y1);
            glClear(mask);
        }
        glDisable(GL_SCISSOR_TEST);
    }
    ApplyColorMask();
    ApplyDepth();
    ApplyStencil();
    return D3D_OK;
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

// --- resources ---------------------------------------------------------------------------

HRESULT GlDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
    D3DFORMAT format, D3DPOOL pool, TexturePtr& result)
{
    result.reset();
    if (!ValidSurfaceSize(width, height, m_caps.MaxTextureSize) || levels > 1 || format != D3DFMT_A8R8G8B8
        || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    auto texture = std::make_shared<GlTexture>(m_context, width, height, usage, pool);
    HRESULT hr = texture->Allocate();
    if (Failed(hr))
        return hr;
    result = texture;
    return D3D_OK;
}

HRESULT GlDevice::CreateVertexBuffer(
    uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool, VertexBufferPtr& result)
{
    result.reset();
    if (length == 0 || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    auto buffer = std::make_shared<GlVertexBuffer>(m_context, length, usage, fvf, pool);
    HRESULT hr = buffer->Store().Allocate();
    if (Failed(hr))
        return hr;
    result = buffer;
    return D3D_OK;
}

HRESULT GlDevice::CreateIndexBuffer(
    uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool, IndexBufferPtr& result)
{
    result.reset();
    if (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
        || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED))
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    auto buffer = std::make_shared<GlIndexBuffer>(m_context, length, usage, format, pool);
    HRESULT hr = buffer->Store().Allocate();
    if (Failed(hr))
        return hr;
    result = buffer;
    return D3D_OK;
}

HRESULT GlDevice::CreateRenderTarget(uint32_t width, uint32_t height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t, int32_t lockable, SurfacePtr& result)
{
    result.reset();
    // Render targets live in GL render buffers only; lockable ones are not offered.
    if (!ValidSurfaceSize(width, height, m_caps.MaxRenderbufferSize) || !ValidColorFormat(format) || lockable
        || !m_caps.OffersSamples(multiSample) || multiSample == D3DMULTISAMPLE_NONMASKABLE)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    return NewSurface(GlSurface::Kind::Color,
        SurfaceDesc(format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, width, height), result);
}

HRESULT GlDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t, int32_t, SurfacePtr& result)
{
    result.reset();
    if (!ValidSurfaceSize(width, height, m_caps.MaxRenderbufferSize) || format != D3DFMT_D24S8
        || !m_caps.OffersSamples(multiSample) || multiSample == D3DMULTISAMPLE_NONMASKABLE)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    return NewSurface(GlSurface::Kind::DepthStencil,
        SurfaceDesc(format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, width, height), result);
}

HRESULT GlDevice::CreateOffscreenPlainSurface(
    uint32_t width, uint32_t height, D3DFORMAT format, D3DPOOL pool, SurfacePtr& result)
{
    result.reset();
    // Plain surfaces are read-back destinations in system memory.
    if (!ValidSurfaceSize(width, height, m_caps.MaxRenderbufferSize) || !ValidColorFormat(format)
        || (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH))
        return D3DERR_INVALIDCALL;
    return NewSurface(GlSurface::Kind::SystemMemory,
        SurfaceDesc(format, 0, pool, D3DMULTISAMPLE_NONE, width, height), result);
}

HRESULT GlDevice::NewSurface(GlSurface::Kind kind, const D3DSURFACE_DESC& desc, SurfacePtr& result)
{
    auto surface = std::make_shared<GlSurface>(m_context, kind, desc);
    HRESULT hr = surface->Allocate(desc.Width, desc.Height, desc.MultiSampleType);
    if (Failed(hr))
        return hr;
    result = surface;
    return D3D_OK;
}

// --- targets and read-back ---------------------------------------------------------------

GlSurface* GlDevice::OwnSurface(const SurfacePtr& surface) const
{
    return OwnObject<GlSurface>(surface, m_context.get());
}

HRESULT GlDevice::SetRenderTarget(uint32_t index, const SurfacePtr& target)
{
    GlSurface* own = OwnSurface(target);
    if (index != 0 || !own || own->GetKind() != GlSurface::Kind::Color)
        return D3DERR_INVALIDCALL;
    // A frame on its way out of the target is read before anything is drawn over it.
    CompleteReads(own);
    m_renderTarget = std::static_pointer_cast<GlSurface>(target);
    m_targetDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::SetDepthStencilSurface(const SurfacePtr& surface)
{
    if (surface) {
        GlSurface* own = OwnSurface(surface);
        if (!own || own->GetKind() != GlSurface::Kind::DepthStencil)
            return D3DERR_INVALIDCALL;
    }
    m_depthStencil = std::static_pointer_cast<GlSurface>(surface);
    m_targetDirty = true;
    return D3D_OK;
}

HRESULT GlDevice::GetBackBuffer(
    uint32_t swapChain, uint32_t index, D3DBACKBUFFER_TYPE type, SurfacePtr& result)
{
    result.reset();
    if (swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO)
        return D3DERR_INVALIDCALL;
    result = m_backBuffer;
    return D3D_OK;
}

void GlDevice::ReadColor(const GlSurface& source, uint8_t* destination, int32_t pitch)
{
    const D3DSURFACE_DESC& desc = source.Desc();
    m_gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFramebuffer);
    m_gl.glFramebufferRenderbuffer(
        GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, source.Renderbuffer());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    // Reading in the driver's own channel order is a plain copy; any other order costs the
    // driver a conversion of every pixel, so red and blue are put right in the pass below.
    if (m_readOrder == ReadOrder::Unknown) {
        GLint format = 0, type = 0;
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_FORMAT, &format);
        glGetIntegerv(GL_IMPLEMENTATION_COLOR_READ_TYPE, &type);
        m_readOrder = format == GL_RGBA && type == GL_UNSIGNED_BYTE ? ReadOrder::Rgba : ReadOrder::Bgra;
        DrainGlErrors();
    }
    const bool rgba = m_readOrder == ReadOrder::Rgba;
    // GL's first row is the bottom one: bands of rows are read into a small buffer and written
    // out the other way up, their colours limited to alpha on the way, in one pass.
    const uint32_t width = desc.Width;
    const uint32_t height = desc.Height;
    constexpr uint32_t kBandRows = 64;
    m_readBand.resize(size_t(width) * std::min(height, kBandRows));
    for (uint32_t bottom = 0; bottom < height; bottom += kBandRows) {
        const uint32_t rows = std::min(kBandRows, height - bottom);
        glReadPixels(0, GLint(bottom), GLsizei(width), GLsizei(rows), rgba ? GL_RGBA : GL_BGRA,
            rgba ? GL_UNSIGNED_BYTE : GL_UNSIGNED_INT_8_8_8_8_REV, m_readBand.data());
        for (uint32_t r = 0; r < rows; ++r) {
            auto* to = reinterpret_cast<uint32_t*>(destination + ptrdiff_t(height - 1 - bottom - r) * pitch);
            ClampToAlpha(m_readBand.data() + size_t(r) * width, to, width, rgba);
        }
    }
    m_gl.glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
}

void GlDevice::Blit(const GlSurface& source, const RECT& sourceRect, const GlSurface& destination,
    const RECT& destRect, GLenum filter)
{
    m_gl.glBindFramebuffer(GL_READ_FRAMEBUFFER, m_readFramebuffer);
    m_gl.glFramebufferRenderbuffer(
        GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, source.Renderbuffer());
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    m_gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_blitFramebuffer);
    m_gl.glFramebufferRenderbuffer(
        GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, destination.Renderbuffer());
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    GlRect s = ToGl(sourceRect, source.Desc().Height);
    GlRect d = ToGl(destRect, destination.Desc().Height);
    m_gl.glBlitFramebuffer(s.X0, s.Y0, s.X1, s.Y1, d.X0, d.Y0, d.X1, d.Y1, GL_COLOR_BUFFER_BIT, filter);
    m_gl.glFramebufferRenderbuffer(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    m_gl.glFramebufferRenderbuffer(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    m_gl.glBindFramebuffer(GL_DRAW_FRAMEBUFFER, m_drawFramebuffer);
}

HRESULT GlDevice::GetRenderTargetData(const SurfacePtr& renderTarget, const SurfacePtr& destination)
{
    GlSurface* source = OwnSurface(renderTarget);
    GlSurface* dest = OwnSurface(destination);
    if (!source || !dest || source->GetKind() != GlSurface::Kind::Color
        || dest->GetKind() != GlSurface::Kind::SystemMemory || source->Multisampled() || dest->Locked()
        || source->Desc().Width != dest->Desc().Width || source->Desc().Height != dest->Desc().Height)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(dest);
    // With a fence the read waits for its own frame alone, when the destination is next looked
    // at: meanwhile the caller may draw the next frame into another target, which the driver
    // renders after this one.
    GLsync fence = m_gl.HasFences() ? m_gl.glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0) : nullptr;
    if (!fence) {
        ReadColor(*source, dest->Bits(), dest->Pitch());
        return D3D_OK;
    }
    glFlush();
    auto own = std::static_pointer_cast<GlSurface>(destination);
    m_pendingReads.push_back({ std::static_pointer_cast<GlSurface>(renderTarget), own, fence });
    std::weak_ptr<Device> device = weak_from_this();
    own->SetPendingRead([device, surface = own.get()] {
        if (const std::shared_ptr<Device> alive = device.lock())
            static_cast<GlDevice&>(*alive).CompleteReads(surface);
    });
    return D3D_OK;
}

void GlDevice::CompleteReads(const GlSurface* surface)
{
    if (m_pendingReads.empty())
        return;
    std::vector<PendingRead> due;
    std::erase_if(m_pendingReads, [&](PendingRead& read) {
        if (surface && read.Source.get() != surface && read.Destination.get() != surface)
            return false;
        due.push_back(std::move(read));
        return true;
    });
    if (due.empty() || !Enter())
        return;
    for (PendingRead& read : due) {
        // Waits in steps so that a driver that never signals cannot hang the caller: past the
        // steps the read goes ahead, and reading waits for the frame by itself.
        for (int step = 0; step < 100; ++step) {
            const GLenum waited
                = m_gl.glClientWaitSync(read.Fence, GL_SYNC_FLUSH_COMMANDS_BIT, GLuint64 { 100'000'000 });
            if (waited != GL_TIMEOUT_EXPIRED)
                break;
        }
        m_gl.glDeleteSync(read.Fence);
        read.Destination->SetPendingRead(nullptr);
        ReadColor(*read.Source, read.Destination->Bits(), read.Destination->Pitch());
    }
}

HRESULT GlDevice::StretchRect(const SurfacePtr& source, const RECT* sourceRect, const SurfacePtr& destination,
    const RECT* destRect, D3DTEXTUREFILTERTYPE filter)
{
    GlSurface* s = OwnSurface(source);
    GlSurface* d = OwnSurface(destination);
    if (!s || !d || s == d || s->GetKind() != GlSurface::Kind::Color || d->GetKind() != GlSurface::Kind::Color
        || d->Multisampled())
        return D3DERR_INVALIDCALL;
    std::optional<RECT> from = CheckedRect(sourceRect, s->Desc().Width, s->Desc().Height);
    std::optional<RECT> to = CheckedRect(destRect, d->Desc().Width, d->Desc().Height);
    if (!from || !to)
        return D3DERR_INVALIDCALL;
    bool sameSize = from->right - from->left == to->right - to->left
        && from->bottom - from->top == to->bottom - to->top;
    // A multisampled source can only be resolved, not scaled.
    if (s->Multisampled() && !sameSize)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    CompleteReads(d);
    Blit(*s, *from, *d, *to, sameSize || filter != D3DTEXF_LINEAR ? GL_NEAREST : GL_LINEAR);
    return D3D_OK;
}

// --- geometry ----------------------------------------------------------------------------

HRESULT GlDevice::SetFVF(uint32_t fvf)
{
    if (m_recorder.Record(FvfCall { fvf }))
        return D3D_OK;
    m_state.Fvf = fvf;
    return D3D_OK;
}

HRESULT GlDevice::SetStreamSource(
    uint32_t stream, const VertexBufferPtr& buffer, uint32_t offset, uint32_t stride)
{
    if (stream != 0 || (buffer && !OwnObject<GlVertexBuffer>(buffer, m_context.get())))
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(StreamSourceCall { stream, buffer, offset, stride }))
        return D3D_OK;
    m_state.StreamSource = buffer;
    m_state.StreamOffset = offset;
    m_state.StreamStride = stride;
    return D3D_OK;
}

HRESULT GlDevice::SetIndices(const IndexBufferPtr& buffer)
{
    if (buffer && !OwnObject<GlIndexBuffer>(buffer, m_context.get()))
        return D3DERR_INVALIDCALL;
    if (m_recorder.Record(IndicesCall { buffer }))
        return D3D_OK;
    m_state.Indices = buffer;
    return D3D_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex, uint32_t, uint32_t,
    uint32_t startIndex, uint32_t primitiveCount)
{
    auto bound = BindIndexedDraw<GlVertexBuffer, GlIndexBuffer>(
        m_state, type, baseVertexIndex, startIndex, primitiveCount);
    if (!m_inScene || !bound)
        return D3DERR_INVALIDCALL;
    if (!Enter())
        return E_FAIL;
    if (!m_pendingReads.empty())
        CompleteReads(m_renderTarget.get());
    if (!PrepareTarget())
        return D3DERR_INVALIDCALL;
    const VertexLayout& layout = bound->Layout;
    const IndexedDraw& draw = bound->Draw;
    PrepareLights();
    PrepareTransforms();
    PrepareColorMaterial(layout);
    PrepareLitProgram();

    m_gl.glBindBuffer(GL_ARRAY_BUFFER, bound->Vertices->Store().Name());
    m_gl.glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, bound->Indices->Store().Name());
    auto at = [this](int32_t field) {
        return reinterpret_cast<const void*>(uintptr_t(m_state.StreamOffset) + uintptr_t(field));
    };
    GLsizei stride = GLsizei(m_state.StreamStride);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, at(0));
    if (layout.Normal >= 0) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, at(layout.Normal));
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
        glNormal3f(0, 0, 0);
    }
    if (layout.Diffuse >= 0) {
        // D3DCOLOR's bytes in memory are B, G, R, A.
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, stride, at(layout.Diffuse));
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1, 1, 1, 1);
    }
    if (layout.TexCoord >= 0) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, at(layout.TexCoord));
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    m_gl.glDrawElementsBaseVertex(GlPrimitive(type), GLsizei(draw.IndexCount),
        draw.IndexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
        reinterpret_cast<const void*>(uintptr_t(startIndex) * draw.IndexSize), baseVertexIndex);
    return D3D_OK;
}

// --- state blocks ------------------------------------------------------------------------

HRESULT GlDevice::BeginStateBlock()
{
    return m_recorder.Begin();
}

HRESULT GlDevice::EndStateBlock(StateBlockPtr& result)
{
    result.reset();
    std::vector<RecordedCall> calls;
    HRESULT hr = m_recorder.End(calls);
    if (Failed(hr))
        return hr;
    result = std::make_shared<StateBlock>(weak_from_this(), std::move(calls));
    return D3D_OK;
}

} // namespace platform::gpu
