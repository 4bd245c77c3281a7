#include "platform/gpu/GlContext.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

namespace platform::gpu {

namespace {

// The context this thread last made current through MakeCurrent, by its serial: a context
// made after another is destroyed may get the same EGL handle, never the same serial.
thread_local uint64_t t_currentSerial = 0;
std::atomic<uint64_t> g_lastSerial { 0 };

GlFunctions LoadFunctions(bool& complete)
{
    GlFunctions f;
    complete = true;
#define GF_GL_LOAD(type, name)                                                                               \
    f.name = reinterpret_cast<type>(eglGetProcAddress(#name));                                               \
    if (!f.name)                                                                                             \
        complete = false;
    GF_GL_FUNCTIONS(GF_GL_LOAD)
#undef GF_GL_LOAD
#define GF_GL_LOAD_OPTIONAL(type, name) f.name = reinterpret_cast<type>(eglGetProcAddress(#name));
    GF_GL_OPTIONAL_FUNCTIONS(GF_GL_LOAD_OPTIONAL)
#undef GF_GL_LOAD_OPTIONAL
    return f;
}

} // namespace

EGLDisplay SharedDisplay()
{
    // NOTE: the display is never terminated: eglTerminate unloads the driver, which leaks the
    // driver's own allocations and would cost a reload for every later canvas.
    static const EGLDisplay display = [] {
        auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
            eglGetProcAddress("eglGetPlatformDisplayEXT"));
        if (!getPlatformDisplay)
            return EGL_NO_DISPLAY;
        EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (d == EGL_NO_DISPLAY)
            return EGL_NO_DISPLAY;
        EGLint major = 0;
        EGLint minor = 0;
        if (!eglInitialize(d, &major, &minor))
            return EGL_NO_DISPLAY;
        return d;
    }();
    return display;
}

const GlFunctions* SharedFunctions()
{
    static bool complete = false;
    static const GlFunctions functions = LoadFunctions(complete);
    return complete ? &functions : nullptr;
}

namespace {

/// Without OpenGL the 3D views stay empty; the user hears why, once per run.
std::nullptr_t Unavailable(const char* reason)
{
    static std::atomic<bool> told { false };
    if (!told.exchange(true))
        std::fprintf(stderr, "OpenGL is not available (%s, EGL error 0x%04X): 3D views are not drawn\n",
            reason, unsigned(eglGetError()));
    return nullptr;
}

/// What every context of the device layer is made with: OpenGL 2.1 compatibility, and where
/// the display offers it, no flush when the context stops being current. Each device flushes
/// its own frames; a flush on every switch would send a frame still being drawn on its way,
/// and the read of the frame before it, through the device's second context, would wait for
/// that one too.
std::vector<EGLint> ContextAttributes(EGLDisplay display)
{
    std::vector<EGLint> attributes = { EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
        EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT };
    const char* extensions = eglQueryString(display, EGL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "EGL_KHR_context_flush_control")) {
        attributes.push_back(EGL_CONTEXT_RELEASE_BEHAVIOR_KHR);
        attributes.push_back(EGL_CONTEXT_RELEASE_BEHAVIOR_NONE_KHR);
    }
    attributes.push_back(EGL_NONE);
    return attributes;
}

} // namespace

std::shared_ptr<GlContext> GlContext::Create()
{
    EGLDisplay display = SharedDisplay();
    if (display == EGL_NO_DISPLAY)
        return Unavailable("no EGL display");
    if (!eglBindAPI(EGL_OPENGL_API))
        return Unavailable("the EGL display offers no OpenGL");
    EGLContext context
        = eglCreateContext(display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, ContextAttributes(display).data());
    if (context == EGL_NO_CONTEXT)
        return Unavailable("no OpenGL 2.1 compatibility context");
    const GlFunctions* gl = SharedFunctions();
    std::shared_ptr<GlContext> result(new GlContext(display, context, gl));
    if (!gl)
        return Unavailable("the driver lacks OpenGL functions this program needs");
    if (!result->MakeCurrent())
        return Unavailable("the OpenGL context cannot be made current");
    return result;
}

std::shared_ptr<GlContext> GlContext::CreateSharing() const
{
    if (!m_gl)
        return nullptr;
    EGLContext context
        = eglCreateContext(m_display, EGL_NO_CONFIG_KHR, m_context, ContextAttributes(m_display).data());
    if (context == EGL_NO_CONTEXT)
        return nullptr;
    return std::shared_ptr<GlContext>(new GlContext(m_display, context, m_gl));
}

GlContext::GlContext(EGLDisplay display, EGLContext context, const GlFunctions* gl)
    : m_display(display)
    , m_context(context)
    , m_gl(gl)
    , m_serial(++g_lastSerial)
{ }

GlContext::~GlContext()
{
    if (m_gl && MakeCurrent()) {
        for (GLuint sampler : m_samplers)
            if (sampler)
                m_gl->glDeleteSamplers(1, &sampler);
    }
    if (eglGetCurrentContext() == m_context)
        eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (t_currentSerial == m_serial)
        t_currentSerial = 0;
    eglDestroyContext(m_display, m_context);
}

bool GlContext::MakeCurrent()
{
    // Nothing else in the program uses EGL, so the context this thread last made current is
    // current still. Asking EGL instead would cost a system call on every device call.
    if (t_currentSerial == m_serial)
        return true;
    if (!eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_context)) {
        t_currentSerial = 0;
        return false;
    }
    t_currentSerial = m_serial;
    return true;
}

GLuint GlContext::Sampler(bool linearMin, bool linearMag)
{
    GLuint& sampler = m_samplers[(linearMin ? 2 : 0) + (linearMag ? 1 : 0)];
    if (!sampler) {
        m_gl->glGenSamplers(1, &sampler);
        m_gl->glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, linearMin ? GL_LINEAR : GL_NEAREST);
        m_gl->glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, linearMag ? GL_LINEAR : GL_NEAREST);
        m_gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GL_REPEAT);
        m_gl->glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GL_REPEAT);
    }
    return sampler;
}

void DrainGlErrors()
{
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) { }
}

} // namespace platform::gpu
