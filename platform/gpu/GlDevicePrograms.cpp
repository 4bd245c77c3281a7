#include "platform/gpu/GlDevice.h"

#include "platform/gpu/GlDeviceShared.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace platform::gpu {

using gldevice::kNoSpecular;
using gldevice::LoadMatrix;

namespace {

constexpr float kRadiansToDegrees = 57.29577951308232f;

void SetLightColor(GLenum light, GLenum property, const D3DCOLORVALUE& c)
{
    const GLfloat color[4] = { c.r, c.g, c.b, c.a };
    glLightfv(light, property, color);
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

// --- lights and the lit programs ---------------------------------------------------------

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

} // namespace platform::gpu
