#pragma once

#include "platform/gpu/Device.h"
#include "platform/gpu/DeviceRules.h"
#include "platform/gpu/DeviceState.h"
#include "platform/gpu/StateBlock.h"

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The recording stand-in for the device runtime: the same interface, no rendering. Every call
// is logged in order as one printable line ("Device1.SetRenderState(D3DRS_ZENABLE, 1)",
// "Device1.CreateTexture(64, 64, 1, 0x200, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> Texture1",
// " = D3DERR_INVALIDCALL" appended to a failed call, "Texture1.Release()" when the last
// reference to an object made by a call goes). Results can be scripted per call, buffers and
// surfaces keep CPU copies, Clear fills the render target's copy, and the argument rules are
// the OpenGL device's, so the canvas above can be tested without EGL.
namespace platform::gpu {

struct RecordingOptions {
    bool ExportsDirect3DCreate9 = true;
    bool ExportsDirect3DCreate9Ex = true;
    /// Devices made with the plain CreateDevice on an extended system answer the extended
    /// calls (CheckDeviceState, ResetEx, PresentEx).
    bool PlainDevicesAnswerExtendedCalls = true;
    uint32_t MaxTextureWidth = 2048;
    uint32_t DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE;
    uint32_t MaxActiveLights = 8;
    /// Sample counts CheckDeviceMultiSampleType accepts (besides none).
    std::vector<uint32_t> SampleCounts = { 4 };
    /// Bytes every locked row of a surface or texture is longer than Width x 4.
    uint32_t PitchPadding = 0;
};

/// One vertex of a recorded draw, decoded from its vertex format (absent fields are 0,
/// an absent colour is white).
struct RecordedVertex {
    float X = 0, Y = 0, Z = 0;
    float NX = 0, NY = 0, NZ = 0;
    uint32_t Color = 0xFFFFFFFFu;
    float U = 0, V = 0;
};

/// A draw as the recording device saw it, with the data it read.
struct RecordedDraw {
    std::string Device;
    D3DPRIMITIVETYPE Type = D3DPT_TRIANGLELIST;
    int32_t BaseVertexIndex = 0;
    uint32_t MinVertexIndex = 0;
    uint32_t NumVertices = 0;
    uint32_t StartIndex = 0;
    uint32_t PrimitiveCount = 0;
    uint32_t Fvf = 0;
    uint32_t Stride = 0;
    /// The indices drawn, as stored (relative to the base vertex).
    std::vector<uint32_t> Indices;
    /// The bytes of vertices 0 .. the largest index drawn, counted from the base vertex.
    std::vector<uint8_t> Vertices;

    RecordedVertex Vertex(uint32_t index) const;
};

/// Log, scripts and options shared by every object of one recording runtime.
class Recorder {
public:
    explicit Recorder(RecordingOptions options);

    /// Results for the next calls of a method, in order: "Lock" matches every object's Lock,
    /// "VertexBuffer1.Lock" only that object's (and is consulted first). D3D_OK lets a call
    /// behave normally; a failure makes it fail without effect (creations then give nothing).
    void Script(const std::string& method, std::vector<HRESULT> results);

    const std::vector<std::string>& Calls() const { return m_calls; }
    /// The calls, one per line.
    std::string Log() const;
    void ClearCalls() { m_calls.clear(); }
    const std::vector<RecordedDraw>& Draws() const { return m_draws; }
    void ClearDraws() { m_draws.clear(); }
    const RecordingOptions& Options() const { return m_options; }
    RecordingOptions& MutableOptions() { return m_options; }

    // Used by the recording objects.
    HRESULT Scripted(const std::string& object, std::string_view method);
    void Add(std::string line) { m_calls.push_back(std::move(line)); }
    void AddDraw(RecordedDraw draw) { m_draws.push_back(std::move(draw)); }
    std::string NewName(const std::string& kind);

private:
    RecordingOptions m_options;
    std::vector<std::string> m_calls;
    std::vector<RecordedDraw> m_draws;
    std::map<std::string, std::deque<HRESULT>, std::less<>> m_scripts;
    std::map<std::string, int> m_counters;
};

using RecorderPtr = std::shared_ptr<Recorder>;

/// Base of every recording object: its name and the shared recorder.
class RecordingObject {
public:
    RecordingObject(RecorderPtr recorder, std::string name, bool logRelease);
    virtual ~RecordingObject();
    RecordingObject(const RecordingObject&) = delete;
    RecordingObject& operator=(const RecordingObject&) = delete;

    const std::string& Name() const { return m_name; }

protected:
    /// The scripted result for a call of this object's method (D3D_OK when none).
    HRESULT Scripted(std::string_view method) { return m_recorder->Scripted(m_name, method); }
    /// Logs "Name.Method(arguments)" with " = RESULT" for a failure, and passes the result on.
    HRESULT Log(std::string_view method, const std::string& arguments, HRESULT result,
        const std::string& created = {});

    RecorderPtr m_recorder;

private:
    std::string m_name;
    bool m_logRelease;
};

class RecordingSurface final : public Surface, public RecordingObject {
public:
    enum class Kind { Color, DepthStencil, SystemMemory };
    RecordingSurface(
        RecorderPtr recorder, std::string name, bool logRelease, Kind kind, const D3DSURFACE_DESC& desc);

    HRESULT GetDesc(D3DSURFACE_DESC& desc) override;
    HRESULT LockRect(D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags) override;
    HRESULT UnlockRect() override;

    Kind GetKind() const { return m_kind; }
    const D3DSURFACE_DESC& Desc() const { return m_desc; }
    void Resize(uint32_t width, uint32_t height, D3DMULTISAMPLE_TYPE multiSample);
    bool Locked() const { return m_locked; }
    int32_t Pitch() const { return m_pitch; }
    uint8_t* Bits() { return m_bits.data(); }
    /// The pixel at (x, y), top row first.
    uint32_t Pixel(uint32_t x, uint32_t y) const;

private:
    Kind m_kind;
    D3DSURFACE_DESC m_desc;
    int32_t m_pitch = 0;
    std::vector<uint8_t> m_bits;
    bool m_locked = false;
};

class RecordingTexture final : public Texture, public RecordingObject {
public:
    RecordingTexture(RecorderPtr recorder, std::string name, const D3DSURFACE_DESC& desc);

    HRESULT GetLevelDesc(uint32_t level, D3DSURFACE_DESC& desc) override;
    HRESULT LockRect(uint32_t level, D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags) override;
    HRESULT UnlockRect(uint32_t level) override;

    const D3DSURFACE_DESC& Desc() const { return m_desc; }
    int32_t Pitch() const { return m_pitch; }
    /// The texel at (x, y) as last uploaded.
    uint32_t Pixel(uint32_t x, uint32_t y) const;
    int UploadCount() const { return m_uploads; }

private:
    D3DSURFACE_DESC m_desc;
    int32_t m_pitch;
    std::vector<uint8_t> m_bits;
    bool m_locked = false;
    int m_uploads = 0;
};

/// CPU buffer with the lock rules of a device buffer; an index buffer (`indexSize` 2 or 4, 0
/// for vertices) keeps its largest index.
class RecordingBufferStore {
public:
    RecordingBufferStore(uint32_t size, uint32_t indexSize);
    HRESULT Lock(uint32_t offset, uint32_t size, void** data);
    HRESULT Unlock();
    bool Locked() const { return m_locked; }
    uint32_t Size() const { return uint32_t(m_bytes.size()); }
    const uint8_t* Data() const { return m_bytes.data(); }
    uint32_t HighestIndex() const { return m_indexBound.Highest(); }

private:
    std::vector<uint8_t> m_bytes;
    uint32_t m_indexSize;
    IndexBound m_indexBound;
    uint32_t m_lockedOffset = 0;
    uint32_t m_lockedSize = 0;
    bool m_locked = false;
};

/// What vertex and index buffers share: the logged calls of the device interface over a
/// store.
template <class Interface, class Desc> class RecordingBuffer : public Interface, public RecordingObject {
public:
    RecordingBuffer(RecorderPtr recorder, std::string name, const Desc& desc, uint32_t indexSize);
    HRESULT GetDesc(Desc& desc) override;
    HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) override;
    HRESULT Unlock() override;
    const RecordingBufferStore& Store() const { return m_store; }

protected:
    Desc m_desc;

private:
    RecordingBufferStore m_store;
};

extern template class RecordingBuffer<VertexBuffer, D3DVERTEXBUFFER_DESC>;
extern template class RecordingBuffer<IndexBuffer, D3DINDEXBUFFER_DESC>;

class RecordingVertexBuffer final : public RecordingBuffer<VertexBuffer, D3DVERTEXBUFFER_DESC> {
public:
    RecordingVertexBuffer(RecorderPtr recorder, std::string name, const D3DVERTEXBUFFER_DESC& desc)
        : RecordingBuffer(std::move(recorder), std::move(name), desc, 0)
    { }
};

class RecordingIndexBuffer final : public RecordingBuffer<IndexBuffer, D3DINDEXBUFFER_DESC> {
public:
    RecordingIndexBuffer(RecorderPtr recorder, std::string name, const D3DINDEXBUFFER_DESC& desc)
        : RecordingBuffer(std::move(recorder), std::move(name), desc, desc.Format == D3DFMT_INDEX32 ? 4 : 2)
    { }
    uint32_t IndexSize() const { return m_desc.Format == D3DFMT_INDEX32 ? 4 : 2; }
    std::optional<uint32_t> HighestIndex() const { return Store().HighestIndex(); }
};

class RecordingDevice final : public Device, public RecordingObject {
public:
    RecordingDevice(RecorderPtr recorder, std::string name, bool extended);
    /// Builds the swap chain; a failure means the device is not handed out.
    HRESULT Initialise(D3DPRESENT_PARAMETERS& parameters);

#define GPU_DEVICE_OPERATION(Name, Parameters) HRESULT Name Parameters override;
#include "platform/gpu/DeviceOperations.inc"
    const FrontBuffer& GetFrontBuffer() const override
    {
        return m_front;
    }

    // Inspection for tests.
    const DeviceState& State() const
    {
        return m_state;
    }
    const D3DPRESENT_PARAMETERS& Parameters() const
    {
        return m_parameters;
    }
    bool Extended() const
    {
        return m_extended;
    }
    bool InScene() const
    {
        return m_inScene;
    }
    bool IsRecordingStateBlock() const
    {
        return m_stateRecorder.Recording();
    }
    std::shared_ptr<RecordingSurface> RenderTarget() const
    {
        return m_renderTarget;
    }
    std::shared_ptr<RecordingSurface> DepthStencil() const
    {
        return m_depthStencil;
    }

private:
    HRESULT ResetDevice(std::string_view method, D3DPRESENT_PARAMETERS& parameters, bool releaseRequired);
    HRESULT BuildSwapChain(D3DPRESENT_PARAMETERS& parameters);
    HRESULT CheckPresentParameters(const D3DPRESENT_PARAMETERS& parameters) const;
    RecordingSurface* OwnSurface(const SurfacePtr& surface) const;
    bool OffersSamples(D3DMULTISAMPLE_TYPE type) const;
    /// Logs a present that `result` lets through, fills the front buffer from the back buffer
    /// and passes it to the present handler.
    HRESULT PresentFrame(std::string_view method, const std::string& arguments, HRESULT result,
        WindowHandle destWindowOverride);
    void Track(const std::shared_ptr<void>& resource)
    {
        m_defaultResources.push_back(resource);
    }

    bool m_extended;
    D3DPRESENT_PARAMETERS m_parameters {};
    DeviceState m_state;
    StateRecorder m_stateRecorder;
    std::shared_ptr<RecordingSurface> m_backBuffer;
    std::shared_ptr<RecordingSurface> m_autoDepthStencil;
    std::shared_ptr<RecordingSurface> m_renderTarget;
    std::shared_ptr<RecordingSurface> m_depthStencil;
    // Video-memory resources and state blocks, which a plain Reset requires to be released.
    std::vector<std::weak_ptr<void>> m_defaultResources;
    bool m_inScene = false;
    FrontBuffer m_front;
};

class RecordingSystem final : public System, public RecordingObject {
public:
    RecordingSystem(RecorderPtr recorder, std::string name, bool extended);

    HRESULT GetDeviceCaps(uint32_t adapter, D3DDEVTYPE deviceType, D3DCAPS9& caps) override;
    HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE deviceType, D3DFORMAT format,
        int32_t windowed, D3DMULTISAMPLE_TYPE type, uint32_t* qualityLevels) override;
    HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE deviceType, WindowHandle focusWindow,
        uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, DevicePtr& result) override;
    HRESULT CreateDeviceEx(uint32_t adapter, D3DDEVTYPE deviceType, WindowHandle focusWindow,
        uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode,
        DevicePtr& result) override;

    bool Extended() const { return m_extended; }

private:
    HRESULT Create(std::string_view method, bool extendedDevice, uint32_t adapter, D3DDEVTYPE deviceType,
        WindowHandle focusWindow, uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters,
        DevicePtr& result);

    bool m_extended;
};

class RecordingRuntime final : public Runtime {
public:
    explicit RecordingRuntime(RecordingOptions options = {});

    bool ExportsDirect3DCreate9() const override { return m_recorder->Options().ExportsDirect3DCreate9; }
    bool ExportsDirect3DCreate9Ex() const override { return m_recorder->Options().ExportsDirect3DCreate9Ex; }
    SystemPtr Direct3DCreate9(uint32_t sdkVersion) override;
    HRESULT Direct3DCreate9Ex(uint32_t sdkVersion, SystemPtr& result) override;

    Recorder& GetRecorder() { return *m_recorder; }
    const RecorderPtr& SharedRecorder() const { return m_recorder; }

private:
    RecorderPtr m_recorder;
};

/// The text the log uses for present parameters.
[[nodiscard]] std::string PresentParametersText(const D3DPRESENT_PARAMETERS& parameters);

} // namespace platform::gpu
