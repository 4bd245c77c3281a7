#include "platform/gpu/StateBlock.h"

#include "platform/gpu/Device.h"

#include <type_traits>
#include <utility>

namespace platform::gpu {

StateBlock::StateBlock(std::weak_ptr<Device> device, std::vector<RecordedCall> calls)
    : m_device(std::move(device))
    , m_calls(std::move(calls))
{ }

HRESULT StateBlock::Apply()
{
    DevicePtr device = m_device.lock();
    if (!device)
        return D3DERR_INVALIDCALL;
    OnApply();
    for (const RecordedCall& call : m_calls) {
        std::visit(
            [&device](const auto& c) {
                using T = std::decay_t<decltype(c)>;
                if constexpr (std::is_same_v<T, RenderStateCall>)
                    device->SetRenderState(c.State, c.Value);
                else if constexpr (std::is_same_v<T, TextureStageStateCall>)
                    device->SetTextureStageState(c.Stage, c.Type, c.Value);
                else if constexpr (std::is_same_v<T, SamplerStateCall>)
                    device->SetSamplerState(c.Sampler, c.Type, c.Value);
                else if constexpr (std::is_same_v<T, TransformCall>)
                    device->SetTransform(c.Type, c.Matrix);
                else if constexpr (std::is_same_v<T, MaterialCall>)
                    device->SetMaterial(c.Material);
                else if constexpr (std::is_same_v<T, LightCall>)
                    device->SetLight(c.Index, c.Light);
                else if constexpr (std::is_same_v<T, LightEnableCall>)
                    device->LightEnable(c.Index, c.Enable);
                else if constexpr (std::is_same_v<T, TextureCall>)
                    device->SetTexture(c.Stage, c.Texture);
                else if constexpr (std::is_same_v<T, FvfCall>)
                    device->SetFVF(c.Fvf);
                else if constexpr (std::is_same_v<T, StreamSourceCall>)
                    device->SetStreamSource(c.Stream, c.Buffer, c.Offset, c.Stride);
                else
                    device->SetIndices(c.Buffer);
            },
            call);
    }
    return D3D_OK;
}

HRESULT StateRecorder::Begin()
{
    if (m_calls)
        return D3DERR_INVALIDCALL;
    m_calls.emplace();
    return D3D_OK;
}

HRESULT StateRecorder::End(std::vector<RecordedCall>& calls)
{
    if (!m_calls)
        return D3DERR_INVALIDCALL;
    calls = std::move(*m_calls);
    m_calls.reset();
    return D3D_OK;
}

bool StateRecorder::Record(RecordedCall call)
{
    if (!m_calls)
        return false;
    m_calls->push_back(std::move(call));
    return true;
}

} // namespace platform::gpu
