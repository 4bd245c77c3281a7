#include "platform/gpu/GlRuntime.h"

#include "platform/gpu/Device.h"
#include "platform/gpu/GlDevice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

namespace platform::gpu {

namespace {

bool HasExtension(std::string_view extensions, std::string_view name)
{
    size_t at = 0;
    while ((at = extensions.find(name, at)) != std::string_view::npos) {
        size_t end = at + name.size();
        bool startsWord = at == 0 || extensions[at - 1] == ' ';
        bool endsWord = end == extensions.size() || extensions[end] == ' ';
        if (startsWord && endsWord)
            return true;
        at = end;
    }
    return false;
}

std::vector<uint32_t> SampleCountsOf(const GlFunctions& gl, GLenum format)
{
    GLint count = 0;
    gl.glGetInternalformativ(GL_RENDERBUFFER, format, GL_NUM_SAMPLE_COUNTS, 1, &count);
    std::vector<GLint> samples(size_t(std::clamp(count, 0, 64)));
    if (!samples.empty())
        gl.glGetInternalformativ(
            GL_RENDERBUFFER, format, GL_SAMPLES, GLsizei(samples.size()), samples.data());
    return { samples.begin(), samples.end() };
}

// Probes the driver once, on a context of its own, which it hands back untouched beyond the
// queries for the first device to take: nullopt when the driver lacks what the device needs.
std::optional<GlCaps> ProbeCaps(uint32_t maxTextureWidthCap, GlContextPtr& probed)
{
    GlContextPtr context = GlContext::Create();
    if (!context)
        return std::nullopt;
    const char* versionText = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensionText = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!versionText)
        return std::nullopt;
    int major = versionText[0] - '0';
    int minor = versionText[1] == '.' ? versionText[2] - '0' : 0;
    int version = major * 10 + minor;
    std::string_view extensions = extensionText ? extensionText : "";
    auto has = [&](int since, std::string_view extension) {
        return version >= since || HasExtension(extensions, extension);
    };
    if (version < 21 || !has(30, "GL_ARB_framebuffer_object") || !has(32, "GL_ARB_draw_elements_base_vertex")
        || !has(32, "GL_ARB_provoking_vertex") || !has(32, "GL_ARB_vertex_array_bgra")
        || !has(33, "GL_ARB_sampler_objects"))
        return std::nullopt;

    GlCaps caps;
    GLint value = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &value);
    caps.MaxTextureSize = uint32_t(std::max(value, 1));
    caps.MaxTextureWidth = std::min(caps.MaxTextureSize, maxTextureWidthCap);
    value = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &value);
    caps.MaxRenderbufferSize = uint32_t(std::max(value, 1));
    value = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &value);
    caps.MaxLights = uint32_t(std::clamp(value, 0, 8));
    // Asking for a count the driver does not list silently gives another one, so only exact
    // matches for both attachments count as offered.
    if (has(42, "GL_ARB_internalformat_query")) {
        std::vector<uint32_t> color = SampleCountsOf(context->Gl(), GL_RGBA8);
        std::vector<uint32_t> depth = SampleCountsOf(context->Gl(), GL_DEPTH24_STENCIL8);
        for (uint32_t n : color)
            if (n >= 2 && std::find(depth.begin(), depth.end(), n) != depth.end())
                caps.SampleCounts.push_back(n);
    }
    probed = std::move(context);
    return caps;
}

class GlSystem final : public System {
public:
    GlSystem(const GlCaps& caps, bool extended, GlContextPtr probed)
        : m_caps(caps)
        , m_extended(extended)
        , m_probed(std::move(probed))
    { }

    HRESULT GetDeviceCaps(uint32_t adapter, D3DDEVTYPE, D3DCAPS9& caps) override
    {
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        caps = {};
        caps.DeviceType = D3DDEVTYPE_HAL;
        caps.AdapterOrdinal = adapter;
        caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
        caps.MaxTextureWidth = m_caps.MaxTextureWidth;
        caps.MaxTextureHeight = m_caps.MaxTextureWidth;
        caps.MaxActiveLights = m_caps.MaxLights;
        caps.MaxPrimitiveCount = 0xFFFFFF;
        caps.MaxVertexIndex = 0xFFFFFF;
        return D3D_OK;
    }

    HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE, D3DFORMAT format, int32_t,
        D3DMULTISAMPLE_TYPE type, uint32_t* qualityLevels) override
    {
        if (qualityLevels)
            *qualityLevels = 0;
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        bool colorFormat = format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_D24S8;
        if (!colorFormat || type == D3DMULTISAMPLE_NONMASKABLE || !m_caps.OffersSamples(type))
            return D3DERR_NOTAVAILABLE;
        if (qualityLevels)
            *qualityLevels = 1;
        return D3D_OK;
    }

    HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE, WindowHandle, uint32_t,
        D3DPRESENT_PARAMETERS& parameters, DevicePtr& result) override
    {
        result.reset();
        if (adapter != D3DADAPTER_DEFAULT)
            return D3DERR_INVALIDCALL;
        // Devices of an extended system answer the extended calls too. The first one takes
        // the context the driver was probed on: a context costs the driver a start of its own.
        return GlDevice::Create(m_caps, m_extended, parameters, result, std::exchange(m_probed, nullptr));
    }

    HRESULT CreateDeviceEx(uint32_t adapter, D3DDEVTYPE type, WindowHandle focusWindow,
        uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode,
        DevicePtr& result) override
    {
        result.reset();
        if (!m_extended || fullscreenMode)
            return D3DERR_INVALIDCALL;
        return CreateDevice(adapter, type, focusWindow, behaviorFlags, parameters, result);
    }

private:
    GlCaps m_caps;
    bool m_extended;
    GlContextPtr m_probed; // unused so far: only queried
};

class GlRuntime final : public Runtime {
public:
    explicit GlRuntime(const GlRuntimeOptions& options)
        : m_options(options)
    { }

    bool ExportsDirect3DCreate9() const override { return true; }
    bool ExportsDirect3DCreate9Ex() const override { return true; }

    SystemPtr Direct3DCreate9(uint32_t sdkVersion) override { return Create(sdkVersion, false); }

    HRESULT Direct3DCreate9Ex(uint32_t sdkVersion, SystemPtr& result) override
    {
        result = Create(sdkVersion, true);
        return result ? D3D_OK : D3DERR_NOTAVAILABLE;
    }

private:
    SystemPtr Create(uint32_t sdkVersion, bool extended)
    {
        // The top bit only asks for the debug runtime.
        if ((sdkVersion & 0x7FFFFFFFu) != D3D_SDK_VERSION)
            return nullptr;
        GlContextPtr probed;
        std::optional<GlCaps> caps = ProbeCaps(m_options.MaxTextureWidthCap, probed);
        if (!caps)
            return nullptr;
        return std::make_shared<GlSystem>(*caps, extended, std::move(probed));
    }

    GlRuntimeOptions m_options;
};

} // namespace

RuntimePtr CreateGlRuntime(const GlRuntimeOptions& options)
{
    return std::make_shared<GlRuntime>(options);
}

} // namespace platform::gpu
