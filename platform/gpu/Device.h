#pragma once

#include "platform/gpu/D3DTypes.h"
#include "platform/gpu/Forward.h"
#include "platform/gpu/StateBlock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// The device interface of the 3D canvas, shaped like the Direct3D 9 subset it calls. Objects
// are reference counted through std::shared_ptr (a field holding one is "one reference";
// resetting it is "Release"). A resource keeps what it needs of its device alive, so the order
// in which a caller drops its references does not matter. Everything runs on the GUI thread.
namespace platform::gpu {

/// A texture of one level, 32-bit ARGB, top row first.
class Texture {
public:
    virtual ~Texture() = default;
    virtual HRESULT GetLevelDesc(uint32_t level, D3DSURFACE_DESC& desc) = 0;
    /// Level 0 only; `rect` nullptr locks the whole level. Fails while already locked.
    virtual HRESULT LockRect(uint32_t level, D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags) = 0;
    /// Uploads what was written since LockRect.
    virtual HRESULT UnlockRect(uint32_t level) = 0;
};

/// A render target, depth-stencil surface, back buffer or system-memory surface.
class Surface {
public:
    virtual ~Surface() = default;
    virtual HRESULT GetDesc(D3DSURFACE_DESC& desc) = 0;
    /// Only system-memory surfaces can be locked; rows are `Pitch` bytes apart (at least
    /// Width x 4, possibly more).
    virtual HRESULT LockRect(D3DLOCKED_RECT& locked, const RECT* rect, uint32_t flags) = 0;
    virtual HRESULT UnlockRect() = 0;
};

class VertexBuffer {
public:
    virtual ~VertexBuffer() = default;
    virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC& desc) = 0;
    /// Fails with D3DERR_INVALIDCALL when offset + size exceeds the buffer (size 0 = to the
    /// end) or the buffer is already locked.
    virtual HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual HRESULT Unlock() = 0;
};

class IndexBuffer {
public:
    virtual ~IndexBuffer() = default;
    virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC& desc) = 0;
    /// Same bounds rule as VertexBuffer::Lock.
    virtual HRESULT Lock(uint32_t offset, uint32_t size, void** data, uint32_t flags) = 0;
    virtual HRESULT Unlock() = 0;
};

/// The last presented frame: premultiplied ARGB32, top row first, rows Width x 4 bytes apart
/// (the layout of a cairo ARGB32 image).
struct FrontBuffer {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;
};

/// Receives every presented frame with the window it was presented to (the swap chain's
/// device window, or the override passed to Present). Installed by the window layer.
using PresentHandler = std::function<void(WindowHandle window, const FrontBuffer& frame)>;

/// Installs the process-wide present handler; an empty function removes it.
void SetPresentHandler(PresentHandler handler);
/// Calls the installed handler, if any (used by the device implementations).
void CallPresentHandler(WindowHandle window, const FrontBuffer& frame);

/// The device (IDirect3DDevice9 subset). Setters called between BeginStateBlock and
/// EndStateBlock are recorded into the block and not executed.
class Device : public std::enable_shared_from_this<Device> {
public:
    virtual ~Device() = default;

    // One list, with each operation's contract, for the interface and both devices, so that
    // neither device can miss or misspell an operation.
#define GPU_DEVICE_OPERATION(Name, Parameters) virtual HRESULT Name Parameters = 0;
#include "platform/gpu/DeviceOperations.inc"

    /// The last presented frame (empty before the first Present).
    virtual const FrontBuffer& GetFrontBuffer() const = 0;
};

/// The process-wide Direct3D object (IDirect3D9 subset).
class System {
public:
    virtual ~System() = default;
    virtual HRESULT GetDeviceCaps(uint32_t adapter, D3DDEVTYPE deviceType, D3DCAPS9& caps) = 0;
    /// D3D_OK when render targets of `format` can have `type` samples, D3DERR_NOTAVAILABLE
    /// otherwise. `qualityLevels` (may be nullptr) receives 1 when supported.
    virtual HRESULT CheckDeviceMultiSampleType(uint32_t adapter, D3DDEVTYPE deviceType, D3DFORMAT format,
        int32_t windowed, D3DMULTISAMPLE_TYPE type, uint32_t* qualityLevels)
        = 0;
    virtual HRESULT CreateDevice(uint32_t adapter, D3DDEVTYPE deviceType, WindowHandle focusWindow,
        uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, DevicePtr& result)
        = 0;
    /// Only on a system made by Direct3DCreate9Ex; D3DERR_INVALIDCALL otherwise.
    virtual HRESULT CreateDeviceEx(uint32_t adapter, D3DDEVTYPE deviceType, WindowHandle focusWindow,
        uint32_t behaviorFlags, D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode,
        DevicePtr& result)
        = 0;
};

/// The loaded device runtime (the library the Direct3D module loads at start-up): its two
/// creation entry points, either of which may be missing.
class Runtime {
public:
    virtual ~Runtime() = default;
    virtual bool ExportsDirect3DCreate9() const = 0;
    virtual bool ExportsDirect3DCreate9Ex() const = 0;
    /// nullptr when no system can be had (no display, no context).
    virtual SystemPtr Direct3DCreate9(uint32_t sdkVersion) = 0;
    virtual HRESULT Direct3DCreate9Ex(uint32_t sdkVersion, SystemPtr& result) = 0;
};

using RuntimeLoader = std::function<RuntimePtr()>;

/// Loads the runtime: the installed loader's, else the OpenGL one. nullptr = not available.
[[nodiscard]] RuntimePtr LoadRuntime();
/// Replaces the runtime LoadRuntime gives (tests install the recording runtime); an empty
/// function restores the OpenGL runtime.
void SetRuntimeLoader(RuntimeLoader loader);

} // namespace platform::gpu
