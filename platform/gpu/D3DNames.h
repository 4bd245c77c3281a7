#pragma once

#include "platform/gpu/D3DTypes.h"

#include <string>

// Printable names of the device vocabulary, for the recording device's call log and for test
// messages. Values without a name print as numbers.
namespace platform::gpu {

[[nodiscard]] std::string ResultName(HRESULT result);
[[nodiscard]] std::string RenderStateName(D3DRENDERSTATETYPE state);
[[nodiscard]] std::string TextureStageStateName(D3DTEXTURESTAGESTATETYPE type);
[[nodiscard]] std::string SamplerStateName(D3DSAMPLERSTATETYPE type);
[[nodiscard]] std::string TransformName(D3DTRANSFORMSTATETYPE type);
[[nodiscard]] std::string FormatName(D3DFORMAT format);
[[nodiscard]] std::string PoolName(D3DPOOL pool);
[[nodiscard]] std::string PrimitiveName(D3DPRIMITIVETYPE type);

/// "0x" and upper-case hexadecimal digits.
[[nodiscard]] std::string Hex(uint64_t value);
/// The shortest text that reads back as the same float.
[[nodiscard]] std::string FloatText(float value);
/// "[m00 m01 m02 m03; m10 ...]", rows in order.
[[nodiscard]] std::string MatrixText(const D3DMATRIX& matrix);

} // namespace platform::gpu
