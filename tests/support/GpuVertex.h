#pragma once

// The vertex the 3D canvas streams through the device, as the device's tests and benchmarks
// build their own geometry.

#include "platform/gpu/D3DTypes.h"

#include <cstdint>

namespace testsupport {

/// The 36-byte vertex of the canvas (position, normal, colour, texture coordinates).
struct Vertex {
    float X, Y, Z;
    float NX, NY, NZ;
    uint32_t Color;
    float U, V;
};
static_assert(sizeof(Vertex) == 36);

constexpr uint32_t kFvf = platform::gpu::D3DFVF_XYZ | platform::gpu::D3DFVF_NORMAL
    | platform::gpu::D3DFVF_DIFFUSE | platform::gpu::D3DFVF_TEX1;

} // namespace testsupport
