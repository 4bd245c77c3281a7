#include "platform/gpu/RecordingDevice.h"

#include "platform/gpu/D3DNames.h"
#include "platform/gpu/DeviceRules.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform::gpu {

namespace {

// The largest surface or texture side the OpenGL device accepts on the machines we know.
constexpr uint32_t kMaxSurfaceSize = 16384;

std::string Join(std::initializer_list<std::string> parts)
{
    std::string text;
    for (const std::string& part : parts) {
        if (!text.empty())
            text += ", ";
        text += part;
    }
    return text;
}

std::string Num(uint32_t value)
{
    return value >= 0x10000 ? Hex(value) : std::to_string(value);
}
std::string Int(int64_t value)
{
    return std::to_string(value);
}

// Appending piece by piece: GCC 12 warns falsely (-Wrestrict) about "literal" + std::string.
std::string Cat(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (std::string_view piece : pieces)
        text.append(piece);
    return text;
}

std::string ColorText(const D3DCOLORVALUE& c)
{
    return Cat({ "(", FloatText(c.r), " ", FloatText(c.g), " ", FloatText(c.b), " ", FloatText(c.a), ")" });
}

std::string VectorText(const D3DVECTOR& v)
{
    return Cat({ "(", FloatText(v.x), " ", FloatText(v.y), " ", FloatText(v.z), ")" });
}

std::string MaterialText(const D3DMATERIAL9& m)
{
    return Cat({ "{Diffuse", ColorText(m.Diffuse), " Ambient", ColorText(m.Ambient), " Specular",
        ColorText(m.Specular), " Emissive", ColorText(m.Emissive), " Power ", FloatText(m.Power), "}" });
}

std::string LightText(const D3DLIGHT9& l)
{
    return Cat({ "{Type ", std::to_string(l.Type), " Diffuse", ColorText(l.Diffuse), " Specular",
        ColorText(l.Specular), " Ambient", ColorText(l.Ambient), " Position", VectorText(l.Position),
        " Direction", VectorText(l.Direction), " Range ", FloatText(l.Range), " Falloff ",
        FloatText(l.Falloff), " Attenuation(", FloatText(l.Attenuation0), " ", FloatText(l.Attenuation1), " ",
        FloatText(l.Attenuation2), ") Theta ", FloatText(l.Theta), " Phi ", FloatText(l.Phi), "}" });
}

std::string RectText(const RECT* r)
{
    if (!r)
        return "nil";
    return Cat({ "{", Int(r->left), " ", Int(r->top), " ", Int(r->right), " ", Int(r->bottom), "}" });
}

std::string PointerText(const void* p)
{
    return p ? Hex(reinterpret_cast<uintptr_t>(p)) : "nil";
}

template <typename T> std::string NameOf(const std::shared_ptr<T>& object)
{
    if (!object)
        return "nil";
    auto* recording = dynamic_cast<const RecordingObject*>(object.get());
    return recording ? recording->Name() : "foreign";
}

bool ValidSize(uint32_t width, uint32_t height)
{
    return ValidSurfaceSize(width, height, kMaxSurfaceSize);
}

} // namespace

std::string PresentParametersText(const D3DPRESENT_PARAMETERS& p)
{
    return Cat({ "{", std::to_string(p.BackBufferWidth), "x", std::to_string(p.BackBufferHeight), " ",
        FormatName(p.BackBufferFormat), " Count ", std::to_string(p.BackBufferCount), " MultiSample ",
        std::to_string(p.MultiSampleType), "/", std::to_string(p.MultiSampleQuality), " SwapEffect ",
        std::to_string(p.SwapEffect), " Window ", PointerText(p.hDeviceWindow), " Windowed ", Int(p.Windowed),
        " AutoDepthStencil ", Int(p.EnableAutoDepthStencil), " ", FormatName(p.AutoDepthStencilFormat),
        " Flags ", Num(p.Flags), " Refresh ", std::to_string(p.FullScreen_RefreshRateInHz), " Interval ",
        Num(p.PresentationInterval), "}" });
}

// --- RecordedDraw ------------------------------------------------------------------------

RecordedVertex RecordedDraw::Vertex(uint32_t index) const
{
    RecordedVertex v;
    std::optional<VertexLayout> layout = LayoutOfFvf(Fvf);
    size_t at = size_t(index) * Stride;
    if (!layout || at + layout->Size > Vertices.size())
        return v;
    const uint8_t* p = Vertices.data() + at;
    std::memcpy(&v.X, p, 12);
    if (layout->Normal >= 0)
        std::memcpy(&v.NX, p + layout->Normal, 12);
    if (layout->Diffuse >= 0)
        std::memcpy(&v.Color, p + layout->Diffuse, 4);
    if (layout->TexCoord >= 0)
        std::memcpy(&v.U, p + layout->TexCoord, 8);
    return v;
}

// --- Recorder ----------------------------------------------------------------------------

Recorder::Recorder(RecordingOptions options)
    : m_options(std::move(options))
{ }

void Recorder::Script(const std::string& method, std::vector<HRESULT> results)
{
    auto& queue = m_scripts[method];
    queue.insert(queue.end(), results.begin(), results.end());
}

std::string Recorder::Log() const
{
    std::string text;
    for (const std::string& line : m_calls) {
        text += line;
        text += '\n';
    }
    return text;
}

HRESULT Recorder::Scripted(const std::string& object, std::string_view method)
{
    for (const std::string& key : { object + "." + std::string(method), std::string(method) }) {
        auto it = m_scripts.find(key);
        if (it != m_scripts.end() && !it->second.empty()) {
            HRESULT result = it->second.front();
            it->second.pop_front();
            return result;
        }
    }
    return D3D_OK;
}

std::string Recorder::NewName(const std::string& kind)
{
    return kind + std::to_string(++m_counters[kind]);
}

// --- RecordingObject ---------------------------------------------------------------------

RecordingObject::RecordingObject(RecorderPtr recorder, std::string name, bool logRelease)
    : m_recorder(std::move(recorder))
    , m_name(std::move(name))
    , m_logRelease(logRelease)
{ }

RecordingObject::~RecordingObject()
{
    if (m_logRelease)
        m_recorder->Add(m_name + ".Release()");
}

HRESULT RecordingObject::Log(
    std::string_view method, const std::string& arguments, HRESULT result, const std::string& created)
{
    std::string line = m_name + "." + std::string(method) + "(" + arguments + ")";
    if (!created.empty() && Succeeded(result))
        line.append(" -> ").append(created);
    if (result != D3D_OK)
        line.append(" = ").append(ResultName(result));
    m_recorder->Add(std::move(line));
    return result;
}

// --- RecordingSurface --------------------------------------------------------------------

RecordingSurface::RecordingSurface(
    RecorderPtr recorder, std::string name, bool logRelease, Kind kind, const D3DSURFACE_DESC& desc)
    : RecordingObject(std::move(recorder), std::move(name), logRelease)
    , m_kind(kind)
    , m_desc(desc)
{
    Resize(desc.Width, desc.Height, desc.MultiSampleType);
}

void RecordingSurface::Resize(uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE multiSample)
{
    m_desc.Width = width;
    m_desc.Height = height;
    m_desc.MultiSampleType = multiSample;
    if (m_kind == Kind::DepthStencil) {
        m_pitch = 0;
        m_bits.clear();
        return;
    }
    m_pitch = int32_t(width * 4 + m_recorder->Options().PitchPadding);
    m_bits.assign(size_t(m_pitch) * height, 0);
}

HRESULT RecordingSurface::GetDesc(D3DSURFACE_DESC& desc)
{
    desc = m_desc;
    return D3D_OK;
}

HRESULT RecordingSurface::LockRect(D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags)
{
    std::string arguments = Join({ RectText(rect), Hex(flags) });
    HRESULT result = Scripted("LockRect");
    if (Failed(result))
        return Log("LockRect", arguments, result);
    std::optional<RECT> r = CheckedRect(rect, m_desc.Width, m_desc.Height);
    if (m_kind != Kind::SystemMemory || m_locked || !r)
        return Log("LockRect", arguments, D3DERR_INVALIDCALL);
    locked.Pitch = m_pitch;
    locked.pBits = m_bits.data() + size_t(r->top) * size_t(m_pitch) + size_t(r->left) * 4;
    m_locked = true;
    return Log("LockRect", arguments, D3D_OK);
}

HRESULT RecordingSurface::UnlockRect()
{
    HRESULT result = Scripted("UnlockRect");
    if (Succeeded(result) && !m_locked)
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result))
        m_locked = false;
    return Log("UnlockRect", "", result);
}

uint32_t RecordingSurface::Pixel(uint32_t x, uint32_t y) const
{
    if (x >= m_desc.Width || y >= m_desc.Height || m_bits.empty())
        return 0;
    uint32_t p;
    std::memcpy(&p, m_bits.data() + size_t(y) * size_t(m_pitch) + size_t(x) * 4, 4);
    return p;
}

// --- RecordingTexture --------------------------------------------------------------------

RecordingTexture::RecordingTexture(RecorderPtr recorder, std::string name, const D3DSURFACE_DESC& desc)
    : RecordingObject(std::move(recorder), std::move(name), true)
    , m_desc(desc)
{
    m_pitch = int32_t(desc.Width * 4 + m_recorder->Options().PitchPadding);
    m_bits.assign(size_t(m_pitch) * desc.Height, 0);
}

HRESULT RecordingTexture::GetLevelDesc(uint32_t level, D3DSURFACE_DESC& desc)
{
    HRESULT result = Scripted("GetLevelDesc");
    if (Succeeded(result) && level != 0)
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result))
        desc = m_desc;
    return Log("GetLevelDesc", std::to_string(level), result);
}

HRESULT RecordingTexture::LockRect(uint32_t level, D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags)
{
    std::string arguments = Join({ std::to_string(level), RectText(rect), Hex(flags) });
    HRESULT result = Scripted("LockRect");
    if (Failed(result))
        return Log("LockRect", arguments, result);
    std::optional<RECT> r = CheckedRect(rect, m_desc.Width, m_desc.Height);
    bool lockable = m_desc.Pool != D3DPOOL_DEFAULT || (m_desc.Usage & D3DUSAGE_DYNAMIC);
    if (level != 0 || m_locked || !r || !lockable)
        return Log("LockRect", arguments, D3DERR_INVALIDCALL);
    locked.Pitch = m_pitch;
    locked.pBits = m_bits.data() + size_t(r->top) * size_t(m_pitch) + size_t(r->left) * 4;
    m_locked = true;
    return Log("LockRect", arguments, D3D_OK);
}

HRESULT RecordingTexture::UnlockRect(uint32_t level)
{
    HRESULT result = Scripted("UnlockRect");
    if (Succeeded(result) && (level != 0 || !m_locked))
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result)) {
        m_locked = false;
        ++m_uploads;
    }
    return Log("UnlockRect", std::to_string(level), result);
}

uint32_t RecordingTexture::Pixel(uint32_t x, uint32_t y) const
{
    if (x >= m_desc.Width || y >= m_desc.Height)
        return 0;
    uint32_t p;
    std::memcpy(&p, m_bits.data() + size_t(y) * size_t(m_pitch) + size_t(x) * 4, 4);
    return p;
}

// --- buffers -----------------------------------------------------------------------------

RecordingBufferStore::RecordingBufferStore(uint32_t size, uint32_t indexSize)
    : m_bytes(size, 0)
    , m_indexSize(indexSize)
{ }

HRESULT RecordingBufferStore::Lock(uint32_t offset, uint32_t size, void** data)
{
    if (!data || m_locked)
        return D3DERR_INVALIDCALL;
    std::optional<uint32_t> lockedSize = LockedSize(Size(), offset, size);
    if (!lockedSize) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    *data = m_bytes.data() + offset;
    m_lockedOffset = offset;
    m_lockedSize = *lockedSize;
    m_locked = true;
    return D3D_OK;
}

HRESULT RecordingBufferStore::Unlock()
{
    if (!m_locked)
        return D3DERR_INVALIDCALL;
    m_locked = false;
    if (m_indexSize)
        m_indexBound.Written(m_bytes.data(), Size(), m_lockedOffset, m_lockedSize, m_indexSize);
    return D3D_OK;
}

template <class Interface, class Desc>
RecordingBuffer<Interface, Desc>::RecordingBuffer(
    RecorderPtr recorder, std::string name, const Desc& desc, uint32_t indexSize)
    : RecordingObject(std::move(recorder), std::move(name), true)
    , m_desc(desc)
    , m_store(desc.Size, indexSize)
{ }

template <class Interface, class Desc> HRESULT RecordingBuffer<Interface, Desc>::GetDesc(Desc& desc)
{
    desc = m_desc;
    return D3D_OK;
}

template <class Interface, class Desc>
HRESULT RecordingBuffer<Interface, Desc>::Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags)
{
    std::string arguments = Join({ std::to_string(offset), std::to_string(size), Hex(flags) });
    HRESULT result = Scripted("Lock");
    if (Failed(result)) {
        if (data)
            *data = nullptr;
        return Log("Lock", arguments, result);
    }
    return Log("Lock", arguments, m_store.Lock(offset, size, data));
}

template <class Interface, class Desc> HRESULT RecordingBuffer<Interface, Desc>::Unlock()
{
    HRESULT result = Scripted("Unlock");
    return Log("Unlock", "", Failed(result) ? result : m_store.Unlock());
}

template class RecordingBuffer<VertexBuffer, D3DVERTEXBUFFER_DESC>;
template class RecordingBuffer<IndexBuffer, D3DINDEXBUFFER_DESC>;

// --- RecordingStateBlock -----------------------------------------------------------------

namespace {

class RecordingStateBlock final : public StateBlock, public RecordingObject {
public:
    RecordingStateBlock(
        RecorderPtr recorder, std::string name, std::weak_ptr<Device> device, std::vector<RecordedCall> calls)
        : StateBlock(std::move(device), std::move(calls))
        , RecordingObject(std::move(recorder), std::move(name), true)
    { }

protected:
    void OnApply() override { Log("Apply", "", D3D_OK); }
};

} // namespace

// --- RecordingDevice ---------------------------------------------------------------------

RecordingDevice::RecordingDevice(RecorderPtr recorder, std::string name, bool extended)
    : RecordingObject(std::move(recorder), std::move(name), true)
    , m_extended(extended)
{ }

bool RecordingDevice::OffersSamples(D3DMULTISAMPLE_TYPE type) const
{
    return platform::gpu::OffersSamples(m_recorder->Options().SampleCounts, type);
}

HRESULT RecordingDevice::CheckPresentParameters(const D3DPRESENT_PARAMETERS& p) const
{
    if (!(ValidColorFormat(p.BackBufferFormat) || p.BackBufferFormat == D3DFMT_UNKNOWN)
        || (p.EnableAutoDepthStencil && p.AutoDepthStencilFormat != D3DFMT_D24S8)
        || !OffersSamples(p.MultiSampleType) || std::max<uint32_t>(p.BackBufferWidth, 1) > kMaxSurfaceSize
        || std::max<uint32_t>(p.BackBufferHeight, 1) > kMaxSurfaceSize)
        return D3DERR_INVALIDCALL;
    return D3D_OK;
}

HRESULT RecordingDevice::BuildSwapChain(D3DPRESENT_PARAMETERS& p)
{
    HRESULT result = CheckPresentParameters(p);
    if (Failed(result))
        return result;
    uint32_t width = std::max<uint32_t>(p.BackBufferWidth, 1);
    uint32_t height = std::max<uint32_t>(p.BackBufferHeight, 1);
    if (!m_backBuffer)
        m_backBuffer = std::make_shared<RecordingSurface>(m_recorder, m_recorder->NewName("BackBuffer"),
            false, RecordingSurface::Kind::Color,
            SurfaceDesc(
                D3DFMT_A8R8G8B8, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, p.MultiSampleType, width, height));
    else
        m_backBuffer->Resize(width, height, p.MultiSampleType);
    if (p.EnableAutoDepthStencil) {
        if (!m_autoDepthStencil)
            m_autoDepthStencil = std::make_shared<RecordingSurface>(m_recorder,
                m_recorder->NewName("AutoDepthStencil"), false, RecordingSurface::Kind::DepthStencil,
                SurfaceDesc(
                    D3DFMT_D24S8, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, p.MultiSampleType, width, height));
        else
            m_autoDepthStencil->Resize(width, height, p.MultiSampleType);
    } else {
        m_autoDepthStencil.reset();
    }
    // In/out, as on the OpenGL device.
    p.BackBufferWidth = width;
    p.BackBufferHeight = height;
    if (p.BackBufferFormat == D3DFMT_UNKNOWN)
        p.BackBufferFormat = D3DFMT_A8R8G8B8;
    m_parameters = p;
    m_state.SetDefaults(p.EnableAutoDepthStencil != 0);
    m_renderTarget = m_backBuffer;
    m_depthStencil = m_autoDepthStencil;
    return D3D_OK;
}

HRESULT RecordingDevice::Initialise(D3DPRESENT_PARAMETERS& parameters)
{
    return BuildSwapChain(parameters);
}

HRESULT RecordingDevice::TestCooperativeLevel()
{
    return Log("TestCooperativeLevel", "", Scripted("TestCooperativeLevel"));
}

HRESULT RecordingDevice::CheckDeviceState(WindowHandle window)
{
    HRESULT result = m_extended ? Scripted("CheckDeviceState") : D3DERR_INVALIDCALL;
    return Log("CheckDeviceState", PointerText(window), result);
}

HRESULT RecordingDevice::ResetDevice(
    std::string_view method, D3DPRESENT_PARAMETERS& parameters, bool releaseRequired)
{
    std::string arguments = PresentParametersText(parameters);
    HRESULT result = Scripted(method);
    if (Failed(result))
        return Log(method, arguments, result);
    if (m_inScene)
        return Log(method, arguments, D3DERR_INVALIDCALL);
    if (releaseRequired) {
        // A plain reset needs every video-memory resource and state block released; the
        // device's own bindings do not count.
        m_state.SetDefaults(m_parameters.EnableAutoDepthStencil != 0);
        m_renderTarget = m_backBuffer;
        m_depthStencil = m_autoDepthStencil;
        bool alive = std::any_of(m_defaultResources.begin(), m_defaultResources.end(),
            [](const std::weak_ptr<void>& r) { return !r.expired(); });
        if (alive || m_backBuffer.use_count() > 2)
            return Log(method, arguments, D3DERR_INVALIDCALL);
        m_defaultResources.clear();
    }
    return Log(method, arguments, BuildSwapChain(parameters));
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS& parameters)
{
    return ResetDevice("Reset", parameters, true);
}

HRESULT RecordingDevice::ResetEx(D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode)
{
    if (!m_extended || fullscreenMode)
        return Log("ResetEx", Join({ PresentParametersText(parameters), PointerText(fullscreenMode) }),
            D3DERR_INVALIDCALL);
    return ResetDevice("ResetEx", parameters, false);
}

HRESULT RecordingDevice::BeginScene()
{
    HRESULT result = Scripted("BeginScene");
    if (Succeeded(result) && m_inScene)
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result)) {
        m_inScene = true;
        // As on the OpenGL device: a frame enables the lights it has.
        for (auto& [index, slot] : m_state.Lights)
            slot.Enabled = false;
    }
    return Log("BeginScene", "", result);
}

HRESULT RecordingDevice::EndScene()
{
    HRESULT result = Scripted("EndScene");
    if (Succeeded(result) && !m_inScene)
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result))
        m_inScene = false;
    return Log("EndScene", "", result);
}

HRESULT RecordingDevice::Present(
    const RECT* sourceRect, const RECT* destRect, WindowHandle destWindowOverride, const void* dirtyRegion)
{
    std::string arguments = Join({ RectText(sourceRect), RectText(destRect), PointerText(destWindowOverride),
        PointerText(dirtyRegion) });
    return PresentFrame("Present", arguments, Scripted("Present"), destWindowOverride);
}

HRESULT RecordingDevice::PresentEx(const RECT* sourceRect, const RECT* destRect,
    WindowHandle destWindowOverride, const void* dirtyRegion, uint32_t flags)
{
    std::string arguments = Join({ RectText(sourceRect), RectText(destRect), PointerText(destWindowOverride),
        PointerText(dirtyRegion), Hex(flags) });
    return PresentFrame(
        "PresentEx", arguments, m_extended ? Scripted("PresentEx") : D3DERR_INVALIDCALL, destWindowOverride);
}

HRESULT RecordingDevice::PresentFrame(
    std::string_view method, const std::string& arguments, HRESULT result, WindowHandle destWindowOverride)
{
    if (Failed(result))
        return Log(method, arguments, result);
    const D3DSURFACE_DESC& desc = m_backBuffer->Desc();
    m_front.Width = int32_t(desc.Width);
    m_front.Height = int32_t(desc.Height);
    m_front.Pixels.resize(size_t(desc.Width) * desc.Height);
    CopyRows(m_backBuffer->Bits(), m_backBuffer->Pitch(), reinterpret_cast<uint8_t*>(m_front.Pixels.data()),
        int32_t(desc.Width * 4), desc.Width * 4, desc.Height);
    ClampToAlpha(m_front.Pixels.data(), m_front.Pixels.size());
    Log(method, arguments, D3D_OK);
    CallPresentHandler(destWindowOverride ? destWindowOverride : m_parameters.hDeviceWindow, m_front);
    return D3D_OK;
}

HRESULT RecordingDevice::Clear(
    uint32_t count, const D3DRECT* rects, uint32_t flags, uint32_t color, float z, uint32_t stencil)
{
    std::string arguments = Join({ std::to_string(count), rects ? "rects" : "nil", Hex(flags), Hex(color),
        FloatText(z), std::to_string(stencil) });
    HRESULT result = Scripted("Clear");
    if (Succeeded(result)
        && ((count > 0 && !rects) || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL))))
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result) && (flags & D3DCLEAR_TARGET) && m_renderTarget) {
        const D3DSURFACE_DESC& desc = m_renderTarget->Desc();
        std::vector<D3DRECT> areas;
        if (count == 0)
            areas.push_back({ 0, 0, int32_t(desc.Width), int32_t(desc.Height) });
        else
            areas.assign(rects, rects + count);
        for (const D3DRECT& r : areas) {
            int32_t x1 = std::clamp(r.x1, 0, int32_t(desc.Width));
            int32_t x2 = std::clamp(r.x2, 0, int32_t(desc.Width));
            int32_t y1 = std::clamp(r.y1, 0, int32_t(desc.Height));
            int32_t y2 = std::clamp(r.y2, 0, int32_t(desc.Height));
            for (int32_t y = y1; y < y2; ++y)
                for (int32_t x = x1; x < x2; ++x)
                    std::memcpy(
                        m_renderTarget->Bits() + size_t(y) * size_t(m_renderTarget->Pitch()) + size_t(x) * 4,
                        &color, 4);
        }
    }
    return Log("Clear", arguments, result);
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value)
{
    std::string arguments = Join({ RenderStateName(state), Num(value) });
    if (state >= kRenderStateCount)
        return Log("SetRenderState", arguments, D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(RenderStateCall { state, value }))
        m_state.RenderStates[state] = value;
    return Log("SetRenderState", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value)
{
    std::string arguments = Join({ std::to_string(stage), TextureStageStateName(type), Num(value) });
    if (stage >= kTextureStageCount || type >= kTextureStageStateCount)
        return Log("SetTextureStageState", arguments, D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(TextureStageStateCall { stage, type, value }))
        m_state.StageStates[stage][type] = value;
    return Log("SetTextureStageState", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value)
{
    std::string arguments = Join({ std::to_string(sampler), SamplerStateName(type), Num(value) });
    if (sampler >= kSamplerCount || type >= kSamplerStateCount)
        return Log("SetSamplerState", arguments, D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(SamplerStateCall { sampler, type, value }))
        m_state.SamplerStates[sampler][type] = value;
    return Log("SetSamplerState", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix)
{
    std::string arguments = Join({ TransformName(type), MatrixText(matrix) });
    D3DMATRIX* slot = m_state.TransformSlot(type);
    if (!slot)
        return Log("SetTransform", arguments, D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(TransformCall { type, matrix }))
        *slot = matrix;
    return Log("SetTransform", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9& material)
{
    if (!m_stateRecorder.Record(MaterialCall { material }))
        m_state.Material = material;
    return Log("SetMaterial", MaterialText(material), D3D_OK);
}

HRESULT RecordingDevice::SetLight(uint32_t index, const D3DLIGHT9& light)
{
    if (!m_stateRecorder.Record(LightCall { index, light }))
        m_state.Lights[index].Light = light;
    return Log("SetLight", Join({ std::to_string(index), LightText(light) }), D3D_OK);
}

HRESULT RecordingDevice::LightEnable(uint32_t index, int32_t enable)
{
    std::string arguments = Join({ std::to_string(index), Int(enable) });
    HRESULT result = Scripted("LightEnable");
    if (Succeeded(result) && enable && index >= m_recorder->Options().MaxActiveLights)
        result = D3DERR_INVALIDCALL;
    if (Failed(result))
        return Log("LightEnable", arguments, result);
    if (!m_stateRecorder.Record(LightEnableCall { index, enable })) {
        auto it = m_state.Lights.find(index);
        if (it == m_state.Lights.end() && enable)
            it = m_state.Lights.emplace(index, LightSlot { DeviceState::DefaultLight(), false }).first;
        if (it != m_state.Lights.end())
            it->second.Enabled = enable != 0;
    }
    return Log("LightEnable", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetTexture(uint32_t stage, const TexturePtr& texture)
{
    std::string arguments = Join({ std::to_string(stage), NameOf(texture) });
    if (stage >= kTextureStageCount || (texture && !dynamic_cast<RecordingTexture*>(texture.get())))
        return Log("SetTexture", arguments, D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(TextureCall { stage, texture }))
        m_state.Textures[stage] = texture;
    return Log("SetTexture", arguments, D3D_OK);
}

HRESULT RecordingDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
    D3DFORMAT format, D3DPOOL pool, TexturePtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(width), std::to_string(height), std::to_string(levels),
        Hex(usage), FormatName(format), PoolName(pool) });
    HRESULT hr = Scripted("CreateTexture");
    if (Succeeded(hr)
        && (!ValidSize(width, height) || levels > 1 || format != D3DFMT_A8R8G8B8
            || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED)))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("CreateTexture", arguments, hr);
    auto texture = std::make_shared<RecordingTexture>(m_recorder, m_recorder->NewName("Texture"),
        SurfaceDesc(format, usage, pool, D3DMULTISAMPLE_NONE, width, height));
    if (pool == D3DPOOL_DEFAULT)
        Track(texture);
    result = texture;
    return Log("CreateTexture", arguments, D3D_OK, texture->Name());
}

HRESULT RecordingDevice::CreateVertexBuffer(
    uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool, VertexBufferPtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(length), Hex(usage), Hex(fvf), PoolName(pool) });
    HRESULT hr = Scripted("CreateVertexBuffer");
    if (Succeeded(hr) && (length == 0 || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED)))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("CreateVertexBuffer", arguments, hr);
    auto buffer = std::make_shared<RecordingVertexBuffer>(m_recorder, m_recorder->NewName("VertexBuffer"),
        D3DVERTEXBUFFER_DESC { D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf });
    if (pool == D3DPOOL_DEFAULT)
        Track(buffer);
    result = buffer;
    return Log("CreateVertexBuffer", arguments, D3D_OK, buffer->Name());
}

HRESULT RecordingDevice::CreateIndexBuffer(
    uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool, IndexBufferPtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(length), Hex(usage), FormatName(format), PoolName(pool) });
    HRESULT hr = Scripted("CreateIndexBuffer");
    if (Succeeded(hr)
        && (length == 0 || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32)
            || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED)))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("CreateIndexBuffer", arguments, hr);
    auto buffer = std::make_shared<RecordingIndexBuffer>(m_recorder, m_recorder->NewName("IndexBuffer"),
        D3DINDEXBUFFER_DESC { format, D3DRTYPE_INDEXBUFFER, usage, pool, length });
    if (pool == D3DPOOL_DEFAULT)
        Track(buffer);
    result = buffer;
    return Log("CreateIndexBuffer", arguments, D3D_OK, buffer->Name());
}

HRESULT RecordingDevice::CreateRenderTarget(uint32_t width, uint32_t height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t multiSampleQuality, int32_t lockable, SurfacePtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(width), std::to_string(height), FormatName(format),
        std::to_string(multiSample), std::to_string(multiSampleQuality), Int(lockable) });
    HRESULT hr = Scripted("CreateRenderTarget");
    if (Succeeded(hr)
        && (!ValidSize(width, height) || !ValidColorFormat(format) || lockable
            || !OffersSamples(multiSample)))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("CreateRenderTarget", arguments, hr);
    auto surface = std::make_shared<RecordingSurface>(m_recorder, m_recorder->NewName("Surface"), true,
        RecordingSurface::Kind::Color,
        SurfaceDesc(format, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, width, height));
    Track(surface);
    result = surface;
    return Log("CreateRenderTarget", arguments, D3D_OK, surface->Name());
}

HRESULT RecordingDevice::CreateDepthStencilSurface(uint32_t width, uint32_t height, D3DFORMAT format,
    D3DMULTISAMPLE_TYPE multiSample, uint32_t multiSampleQuality, int32_t discard, SurfacePtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(width), std::to_string(height), FormatName(format),
        std::to_string(multiSample), std::to_string(multiSampleQuality), Int(discard) });
    HRESULT hr = Scripted("CreateDepthStencilSurface");
    if (Succeeded(hr) && (!ValidSize(width, height) || format != D3DFMT_D24S8 || !OffersSamples(multiSample)))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("CreateDepthStencilSurface", arguments, hr);
    auto surface = std::make_shared<RecordingSurface>(m_recorder, m_recorder->NewName("Surface"), true,
        RecordingSurface::Kind::DepthStencil,
        SurfaceDesc(format, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, width, height));
    Track(surface);
    result = surface;
    return Log("CreateDepthStencilSurface", arguments, D3D_OK, surface->Name());
}

HRESULT RecordingDevice::CreateOffscreenPlainSurface(
    uint32_t width, uint32_t height, D3DFORMAT format, D3DPOOL pool, SurfacePtr& result)
{
    result.reset();
    std::string arguments
        = Join({ std::to_string(width), std::to_string(height), FormatName(format), PoolName(pool) });
    HRESULT hr = Scripted("CreateOffscreenPlainSurface");
    if (Succeeded(hr)
        && (!ValidSize(width, height) || !ValidColorFormat(format)
            || (pool != D3DPOOL_SYSTEMMEM && pool != D3DPOOL_SCRATCH)))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("CreateOffscreenPlainSurface", arguments, hr);
    auto surface = std::make_shared<RecordingSurface>(m_recorder, m_recorder->NewName("Surface"), true,
        RecordingSurface::Kind::SystemMemory,
        SurfaceDesc(format, 0, pool, D3DMULTISAMPLE_NONE, width, height));
    result = surface;
    return Log("CreateOffscreenPlainSurface", arguments, D3D_OK, surface->Name());
}

RecordingSurface* RecordingDevice::OwnSurface(const SurfacePtr& surface) const
{
    return dynamic_cast<RecordingSurface*>(surface.get());
}

HRESULT RecordingDevice::SetRenderTarget(uint32_t index, const SurfacePtr& target)
{
    std::string arguments = Join({ std::to_string(index), NameOf(target) });
    RecordingSurface* own = OwnSurface(target);
    if (index != 0 || !own || own->GetKind() != RecordingSurface::Kind::Color)
        return Log("SetRenderTarget", arguments, D3DERR_INVALIDCALL);
    m_renderTarget = std::static_pointer_cast<RecordingSurface>(target);
    return Log("SetRenderTarget", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetDepthStencilSurface(const SurfacePtr& surface)
{
    RecordingSurface* own = OwnSurface(surface);
    if (surface && (!own || own->GetKind() != RecordingSurface::Kind::DepthStencil))
        return Log("SetDepthStencilSurface", NameOf(surface), D3DERR_INVALIDCALL);
    m_depthStencil = std::static_pointer_cast<RecordingSurface>(surface);
    return Log("SetDepthStencilSurface", NameOf(surface), D3D_OK);
}

HRESULT RecordingDevice::GetBackBuffer(
    uint32_t swapChain, uint32_t index, D3DBACKBUFFER_TYPE type, SurfacePtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(swapChain), std::to_string(index), std::to_string(type) });
    HRESULT hr = Scripted("GetBackBuffer");
    if (Succeeded(hr) && (swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO))
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log("GetBackBuffer", arguments, hr);
    result = m_backBuffer;
    return Log("GetBackBuffer", arguments, D3D_OK, m_backBuffer->Name());
}

HRESULT RecordingDevice::GetRenderTargetData(const SurfacePtr& renderTarget, const SurfacePtr& destination)
{
    std::string arguments = Join({ NameOf(renderTarget), NameOf(destination) });
    HRESULT hr = Scripted("GetRenderTargetData");
    if (Failed(hr))
        return Log("GetRenderTargetData", arguments, hr);
    RecordingSurface* source = OwnSurface(renderTarget);
    RecordingSurface* dest = OwnSurface(destination);
    if (!source || !dest || source->GetKind() != RecordingSurface::Kind::Color
        || dest->GetKind() != RecordingSurface::Kind::SystemMemory
        || source->Desc().MultiSampleType != D3DMULTISAMPLE_NONE || dest->Locked()
        || source->Desc().Width != dest->Desc().Width || source->Desc().Height != dest->Desc().Height)
        return Log("GetRenderTargetData", arguments, D3DERR_INVALIDCALL);
    const D3DSURFACE_DESC& desc = source->Desc();
    CopyRows(source->Bits(), source->Pitch(), dest->Bits(), dest->Pitch(), desc.Width * 4, desc.Height);
    for (uint32_t y = 0; y < desc.Height; ++y)
        ClampToAlpha(
            reinterpret_cast<uint32_t*>(dest->Bits() + size_t(y) * size_t(dest->Pitch())), desc.Width);
    return Log("GetRenderTargetData", arguments, D3D_OK);
}

HRESULT RecordingDevice::StretchRect(const SurfacePtr& source, const RECT* sourceRect,
    const SurfacePtr& destination, const RECT* destRect, D3DTEXTUREFILTERTYPE filter)
{
    std::string arguments = Join({ NameOf(source), RectText(sourceRect), NameOf(destination),
        RectText(destRect), std::to_string(filter) });
    HRESULT hr = Scripted("StretchRect");
    if (Failed(hr))
        return Log("StretchRect", arguments, hr);
    RecordingSurface* s = OwnSurface(source);
    RecordingSurface* d = OwnSurface(destination);
    if (!s || !d || s == d || s->GetKind() != RecordingSurface::Kind::Color
        || d->GetKind() != RecordingSurface::Kind::Color || d->Desc().MultiSampleType != D3DMULTISAMPLE_NONE)
        return Log("StretchRect", arguments, D3DERR_INVALIDCALL);
    std::optional<RECT> from = CheckedRect(sourceRect, s->Desc().Width, s->Desc().Height);
    std::optional<RECT> to = CheckedRect(destRect, d->Desc().Width, d->Desc().Height);
    if (!from || !to)
        return Log("StretchRect", arguments, D3DERR_INVALIDCALL);
    int32_t sw = from->right - from->left;
    int32_t sh = from->bottom - from->top;
    int32_t dw = to->right - to->left;
    int32_t dh = to->bottom - to->top;
    if (s->Desc().MultiSampleType != D3DMULTISAMPLE_NONE && (sw != dw || sh != dh))
        return Log("StretchRect", arguments, D3DERR_INVALIDCALL);
    for (int32_t y = 0; y < dh; ++y) {
        int32_t sy = from->top + int32_t(int64_t(y) * sh / dh);
        for (int32_t x = 0; x < dw; ++x) {
            int32_t sx = from->left + int32_t(int64_t(x) * sw / dw);
            std::memcpy(d->Bits() + size_t(to->top + y) * size_t(d->Pitch()) + size_t(to->left + x) * 4,
                s->Bits() + size_t(sy) * size_t(s->Pitch()) + size_t(sx) * 4, 4);
        }
    }
    return Log("StretchRect", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetFVF(uint32_t fvf)
{
    if (!m_stateRecorder.Record(FvfCall { fvf }))
        m_state.Fvf = fvf;
    return Log("SetFVF", Hex(fvf), D3D_OK);
}

HRESULT RecordingDevice::SetStreamSource(
    uint32_t stream, const VertexBufferPtr& buffer, uint32_t offset, uint32_t stride)
{
    std::string arguments
        = Join({ std::to_string(stream), NameOf(buffer), std::to_string(offset), std::to_string(stride) });
    if (stream != 0 || (buffer && !dynamic_cast<RecordingVertexBuffer*>(buffer.get())))
        return Log("SetStreamSource", arguments, D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(StreamSourceCall { stream, buffer, offset, stride })) {
        m_state.StreamSource = buffer;
        m_state.StreamOffset = offset;
        m_state.StreamStride = stride;
    }
    return Log("SetStreamSource", arguments, D3D_OK);
}

HRESULT RecordingDevice::SetIndices(const IndexBufferPtr& buffer)
{
    if (buffer && !dynamic_cast<RecordingIndexBuffer*>(buffer.get()))
        return Log("SetIndices", NameOf(buffer), D3DERR_INVALIDCALL);
    if (!m_stateRecorder.Record(IndicesCall { buffer }))
        m_state.Indices = buffer;
    return Log("SetIndices", NameOf(buffer), D3D_OK);
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex,
    uint32_t minVertexIndex, uint32_t numVertices, uint32_t startIndex, uint32_t primitiveCount)
{
    std::string arguments = Join({ PrimitiveName(type), Int(baseVertexIndex), std::to_string(minVertexIndex),
        std::to_string(numVertices), std::to_string(startIndex), std::to_string(primitiveCount) });
    HRESULT hr = Scripted("DrawIndexedPrimitive");
    if (Failed(hr))
        return Log("DrawIndexedPrimitive", arguments, hr);
    auto bound = BindIndexedDraw<RecordingVertexBuffer, RecordingIndexBuffer>(
        m_state, type, baseVertexIndex, startIndex, primitiveCount);
    if (!m_inScene || !bound)
        return Log("DrawIndexedPrimitive", arguments, D3DERR_INVALIDCALL);
    const IndexedDraw& draw = bound->Draw;

    RecordedDraw recorded;
    recorded.Device = Name();
    recorded.Type = type;
    recorded.BaseVertexIndex = baseVertexIndex;
    recorded.MinVertexIndex = minVertexIndex;
    recorded.NumVertices = numVertices;
    recorded.StartIndex = startIndex;
    recorded.PrimitiveCount = primitiveCount;
    recorded.Fvf = m_state.Fvf;
    recorded.Stride = m_state.StreamStride;
    uint32_t highest = 0;
    const uint8_t* p = draw.IndexData + size_t(startIndex) * draw.IndexSize;
    for (uint32_t i = 0; i < draw.IndexCount; ++i, p += draw.IndexSize) {
        uint32_t index = 0;
        std::memcpy(&index, p, draw.IndexSize);
        recorded.Indices.push_back(index);
        highest = std::max(highest, index);
    }
    size_t first = size_t(m_state.StreamOffset) + size_t(int64_t(baseVertexIndex) * m_state.StreamStride);
    size_t bytes = size_t(highest) * m_state.StreamStride + bound->Layout.Size;
    const uint8_t* data = bound->Vertices->Store().Data() + first;
    recorded.Vertices.assign(data, data + bytes);
    m_recorder->AddDraw(std::move(recorded));
    return Log("DrawIndexedPrimitive", arguments, D3D_OK);
}

HRESULT RecordingDevice::BeginStateBlock()
{
    HRESULT result = Scripted("BeginStateBlock");
    if (Succeeded(result))
        result = m_stateRecorder.Begin();
    return Log("BeginStateBlock", "", result);
}

HRESULT RecordingDevice::EndStateBlock(StateBlockPtr& result)
{
    result.reset();
    HRESULT hr = Scripted("EndStateBlock");
    std::vector<RecordedCall> calls;
    // A scripted failure still ends the recording, as the caller will not end it again.
    HRESULT ended = m_stateRecorder.End(calls);
    if (Succeeded(hr))
        hr = ended;
    if (Failed(hr))
        return Log("EndStateBlock", "", hr);
    auto block = std::make_shared<RecordingStateBlock>(
        m_recorder, m_recorder->NewName("StateBlock"), weak_from_this(), std::move(calls));
    Track(block);
    result = block;
    return Log("EndStateBlock", "", D3D_OK, block->Name());
}

// --- RecordingSystem ---------------------------------------------------------------------

RecordingSystem::RecordingSystem(RecorderPtr recorder, std::string name, bool extended)
    : RecordingObject(std::move(recorder), std::move(name), false)
    , m_extended(extended)
{ }

HRESULT RecordingSystem::GetDeviceCaps(uint32_t adapter, D3DDEVTYPE deviceType, D3DCAPS9& caps)
{
    std::string arguments = Join({ std::to_string(adapter), std::to_string(deviceType) });
    HRESULT result = Scripted("GetDeviceCaps");
    if (Succeeded(result) && adapter != D3DADAPTER_DEFAULT)
        result = D3DERR_INVALIDCALL;
    if (Succeeded(result)) {
        const RecordingOptions& o = m_recorder->Options();
        caps = {};
        caps.DeviceType = D3DDEVTYPE_HAL;
        caps.DevCaps = o.DevCaps;
        caps.MaxTextureWidth = o.MaxTextureWidth;
        caps.MaxTextureHeight = o.MaxTextureWidth;
        caps.MaxActiveLights = o.MaxActiveLights;
        caps.MaxPrimitiveCount = 0xFFFFFF;
        caps.MaxVertexIndex = 0xFFFFFF;
    }
    return Log("GetDeviceCaps", arguments, result);
}

HRESULT RecordingSystem::CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE deviceType, D3DFORMAT format,
    int32_t windowed, D3DMULTISAMPLE_TYPE type, uint32_t* qualityLevels)
{
    std::string arguments = Join({ std::to_string(adapter), std::to_string(deviceType), FormatName(format),
        Int(windowed), std::to_string(type) });
    if (qualityLevels)
        *qualityLevels = 0;
    HRESULT result = Scripted("CheckDeviceMultiSampleType");
    if (Succeeded(result)) {
        bool offered = OffersSamples(m_recorder->Options().SampleCounts, type);
        if (adapter != D3DADAPTER_DEFAULT)
            result = D3DERR_INVALIDCALL;
        else if (!offered || !ValidColorFormat(format))
            result = D3DERR_NOTAVAILABLE;
        else if (qualityLevels)
            *qualityLevels = 1;
    }
    return Log("CheckDeviceMultiSampleType", arguments, result);
}

HRESULT RecordingSystem::Create(std::string_view method, bool extendedDevice, uint32_t adapter,
    D3DDEVTYPE deviceType, WindowHandle focusWindow, uint32_t behaviorFlags,
    D3DPRESENT_PARAMETERS& parameters, DevicePtr& result)
{
    result.reset();
    std::string arguments = Join({ std::to_string(adapter), std::to_string(deviceType),
        PointerText(focusWindow), Hex(behaviorFlags), PresentParametersText(parameters) });
    HRESULT hr = Scripted(method);
    if (Succeeded(hr) && adapter != D3DADAPTER_DEFAULT)
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr))
        return Log(method, arguments, hr);
    auto device
        = std::make_shared<RecordingDevice>(m_recorder, m_recorder->NewName("Device"), extendedDevice);
    hr = device->Initialise(parameters);
    if (Failed(hr))
        return Log(method, arguments, hr);
    result = device;
    return Log(method, arguments, D3D_OK, device->Name());
}

HRESULT RecordingSystem::CreateDevice(uint32_t adapter, D3DDEVTYPE deviceType, WindowHandle focusWindow,
    uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, DevicePtr& result)
{
    bool extendedDevice = m_extended && m_recorder->Options().PlainDevicesAnswerExtendedCalls;
    return Create(
        "CreateDevice", extendedDevice, adapter, deviceType, focusWindow, behaviorFlags, parameters, result);
}

HRESULT RecordingSystem::CreateDeviceEx(uint32_t adapter, D3DDEVTYPE deviceType, WindowHandle focusWindow,
    uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode,
    DevicePtr& result)
{
    if (!m_extended || fullscreenMode) {
        result.reset();
        return Log("CreateDeviceEx",
            Join({ std::to_string(adapter), std::to_string(deviceType), PointerText(focusWindow),
                Hex(behaviorFlags), PresentParametersText(parameters), PointerText(fullscreenMode) }),
            D3DERR_INVALIDCALL);
    }
    return Create(
        "CreateDeviceEx", true, adapter, deviceType, focusWindow, behaviorFlags, parameters, result);
}

// --- RecordingRuntime --------------------------------------------------------------------

RecordingRuntime::RecordingRuntime(RecordingOptions options)
    : m_recorder(std::make_shared<Recorder>(std::move(options)))
{ }

SystemPtr RecordingRuntime::Direct3DCreate9(uint32_t sdkVersion)
{
    std::string line = Cat({ "Direct3DCreate9(", Hex(sdkVersion), ")" });
    HRESULT result = m_recorder->Scripted("Runtime", "Direct3DCreate9");
    if (!m_recorder->Options().ExportsDirect3DCreate9 || (sdkVersion & 0x7FFFFFFFu) != D3D_SDK_VERSION)
        result = D3DERR_INVALIDCALL;
    if (Failed(result)) {
        m_recorder->Add(line + " = " + ResultName(result));
        return nullptr;
    }
    auto system = std::make_shared<RecordingSystem>(m_recorder, m_recorder->NewName("System"), false);
    m_recorder->Add(line + " -> " + system->Name());
    return system;
}

HRESULT RecordingRuntime::Direct3DCreate9Ex(uint32_t sdkVersion, SystemPtr& result)
{
    result.reset();
    std::string line = Cat({ "Direct3DCreate9Ex(", Hex(sdkVersion), ")" });
    HRESULT hr = m_recorder->Scripted("Runtime", "Direct3DCreate9Ex");
    if (!m_recorder->Options().ExportsDirect3DCreate9Ex || (sdkVersion & 0x7FFFFFFFu) != D3D_SDK_VERSION)
        hr = D3DERR_INVALIDCALL;
    if (Failed(hr)) {
        m_recorder->Add(line + " = " + ResultName(hr));
        return hr;
    }
    auto system = std::make_shared<RecordingSystem>(m_recorder, m_recorder->NewName("System"), true);
    m_recorder->Add(line + " -> " + system->Name());
    result = system;
    return D3D_OK;
}

} // namespace platform::gpu
