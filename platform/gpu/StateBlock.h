#pragma once

#include "platform/gpu/D3DTypes.h"
#include "platform/gpu/Forward.h"

#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace platform::gpu {

// One recorded setter call each.
struct RenderStateCall {
    D3DRENDERSTATETYPE State;
    uint32_t Value;
};
struct TextureStageStateCall {
    uint32_t Stage;
    D3DTEXTURESTAGESTATETYPE Type;
    uint32_t Value;
};
struct SamplerStateCall {
    uint32_t Sampler;
    D3DSAMPLERSTATETYPE Type;
    uint32_t Value;
};
struct TransformCall {
    D3DTRANSFORMSTATETYPE Type;
    D3DMATRIX Matrix;
};
struct MaterialCall {
    D3DMATERIAL9 Material;
};
struct LightCall {
    uint32_t Index;
    D3DLIGHT9 Light;
};
struct LightEnableCall {
    uint32_t Index;
    int32_t Enable;
};
struct TextureCall {
    uint32_t Stage;
    TexturePtr Texture;
};
struct FvfCall {
    uint32_t Fvf;
};
struct StreamSourceCall {
    uint32_t Stream;
    VertexBufferPtr Buffer;
    uint32_t Offset;
    uint32_t Stride;
};
struct IndicesCall {
    IndexBufferPtr Buffer;
};

using RecordedCall = std::variant<RenderStateCall, TextureStageStateCall, SamplerStateCall, TransformCall,
    MaterialCall, LightCall, LightEnableCall, TextureCall, FvfCall, StreamSourceCall, IndicesCall>;

/// A recorded list of setter calls. Recording stores the calls without executing them; Apply
/// replays them, in order, through the device's ordinary setters. A block holds its device
/// weakly: applying it after the device is gone fails with D3DERR_INVALIDCALL.
class StateBlock {
public:
    StateBlock(std::weak_ptr<Device> device, std::vector<RecordedCall> calls);
    virtual ~StateBlock() = default;
    StateBlock(const StateBlock&) = delete;
    StateBlock& operator=(const StateBlock&) = delete;

    HRESULT Apply();
    const std::vector<RecordedCall>& Calls() const { return m_calls; }

protected:
    /// Runs before the replay (the recording device logs the call here).
    virtual void OnApply() { }

private:
    std::weak_ptr<Device> m_device;
    std::vector<RecordedCall> m_calls;
};

/// The recording half of a device: between Begin and End, setters hand their call to Record,
/// which keeps it and tells the setter not to execute it.
class StateRecorder {
public:
    [[nodiscard]] bool Recording() const { return m_calls.has_value(); }
    /// D3DERR_INVALIDCALL when already recording.
    HRESULT Begin();
    /// The recorded calls; D3DERR_INVALIDCALL when not recording.
    HRESULT End(std::vector<RecordedCall>& calls);
    /// True when the call was recorded (the setter then returns D3D_OK without executing).
    [[nodiscard]] bool Record(RecordedCall call);

private:
    std::optional<std::vector<RecordedCall>> m_calls;
};

} // namespace platform::gpu
