#pragma once

// Private to platform/gpu: the EGL display, the per-device GL context and the table of GL
// entry points beyond 1.1. Only the OpenGL device's .cpp files include this header.

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <array>
#include <cstdint>
#include <memory>

namespace platform::gpu {

// Every entry point the device calls beyond OpenGL 1.1, fetched once per process.
#define GF_GL_FUNCTIONS(X)                                                                                   \
    X(PFNGLACTIVETEXTUREPROC, glActiveTexture)                                                               \
    X(PFNGLCLIENTACTIVETEXTUREARBPROC, glClientActiveTexture)                                                \
    X(PFNGLBLENDFUNCSEPARATEPROC, glBlendFuncSeparate)                                                       \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                     \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                               \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                     \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                     \
    X(PFNGLBUFFERSUBDATAPROC, glBufferSubData)                                                               \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                           \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                                     \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                           \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                           \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                             \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                                         \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)                                                   \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                                         \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                                   \
    X(PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC, glRenderbufferStorageMultisample)                             \
    X(PFNGLBLITFRAMEBUFFERPROC, glBlitFramebuffer)                                                           \
    X(PFNGLDRAWELEMENTSBASEVERTEXPROC, glDrawElementsBaseVertex)                                             \
    X(PFNGLPROVOKINGVERTEXPROC, glProvokingVertex)                                                           \
    X(PFNGLGENSAMPLERSPROC, glGenSamplers)                                                                   \
    X(PFNGLDELETESAMPLERSPROC, glDeleteSamplers)                                                             \
    X(PFNGLBINDSAMPLERPROC, glBindSampler)                                                                   \
    X(PFNGLSAMPLERPARAMETERIPROC, glSamplerParameteri)                                                       \
    X(PFNGLGETINTERNALFORMATIVPROC, glGetInternalformativ)                                                   \
    X(PFNGLCREATESHADERPROC, glCreateShader)                                                                 \
    X(PFNGLSHADERSOURCEPROC, glShaderSource)                                                                 \
    X(PFNGLCOMPILESHADERPROC, glCompileShader)                                                               \
    X(PFNGLGETSHADERIVPROC, glGetShaderiv)                                                                   \
    X(PFNGLDELETESHADERPROC, glDeleteShader)                                                                 \
    X(PFNGLCREATEPROGRAMPROC, glCreateProgram)                                                               \
    X(PFNGLATTACHSHADERPROC, glAttachShader)                                                                 \
    X(PFNGLLINKPROGRAMPROC, glLinkProgram)                                                                   \
    X(PFNGLGETPROGRAMIVPROC, glGetProgramiv)                                                                 \
    X(PFNGLUSEPROGRAMPROC, glUseProgram)                                                                     \
    X(PFNGLDELETEPROGRAMPROC, glDeleteProgram)                                                               \
    X(PFNGLGETUNIFORMLOCATIONPROC, glGetUniformLocation)                                                     \
    X(PFNGLUNIFORM1IPROC, glUniform1i)                                                                       \
    X(PFNGLUNIFORM1IVPROC, glUniform1iv)                                                                     \
    X(PFNGLUNIFORM1FVPROC, glUniform1fv)                                                                     \
    X(PFNGLUNIFORM3FVPROC, glUniform3fv)

// Entry points the device does without where the driver lacks them: fences, which let a
// read-back wait for its own frame alone.
#define GF_GL_OPTIONAL_FUNCTIONS(X)                                                                          \
    X(PFNGLFENCESYNCPROC, glFenceSync)                                                                       \
    X(PFNGLCLIENTWAITSYNCPROC, glClientWaitSync)                                                             \
    X(PFNGLDELETESYNCPROC, glDeleteSync)

struct GlFunctions {
#define GF_GL_MEMBER(type, name) type name = nullptr;
    GF_GL_FUNCTIONS(GF_GL_MEMBER)
    GF_GL_OPTIONAL_FUNCTIONS(GF_GL_MEMBER)
#undef GF_GL_MEMBER
    [[nodiscard]] bool HasFences() const
    {
        return glFenceSync && glClientWaitSync && glDeleteSync;
    }
};

/// The process's EGL display (surfaceless Mesa platform), initialised on first use with
/// OpenGL bound as the client API; EGL_NO_DISPLAY when there is none.
EGLDisplay SharedDisplay();

/// The entry points, or nullptr when the driver lacks one of them.
const GlFunctions* SharedFunctions();

/// One OpenGL context, the device's own. Every entry into the device or one of its resources
/// makes it current first, through MakeCurrent.
class GlContext {
public:
    /// nullptr when no context can be created.
    static std::shared_ptr<GlContext> Create();
    /// Another context sharing this one's textures, buffers and renderbuffers; nullptr when
    /// the driver makes none. Not made current.
    [[nodiscard]] std::shared_ptr<GlContext> CreateSharing() const;
    ~GlContext();
    GlContext(const GlContext&) = delete;
    GlContext& operator=(const GlContext&) = delete;

    /// The only way this layer changes the current context: skips the EGL call when the
    /// context is current already.
    [[nodiscard]] bool MakeCurrent();

    const GlFunctions& Gl() const { return *m_gl; }

    /// A sampler object with the given filters (sampler state is per unit in the device
    /// interface, per texture in plain GL).
    GLuint Sampler(bool linearMin, bool linearMag);

private:
    GlContext(EGLDisplay display, EGLContext context, const GlFunctions* gl);

    EGLDisplay m_display;
    EGLContext m_context;
    const GlFunctions* m_gl;
    uint64_t m_serial; // distinct for every context the process makes
    std::array<GLuint, 4> m_samplers {};
};

using GlContextPtr = std::shared_ptr<GlContext>;

/// Clears pending GL errors so the next check sees only its own call's.
void DrainGlErrors();

} // namespace platform::gpu
