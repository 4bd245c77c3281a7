#pragma once

#include "platform/gpu/Forward.h"

#include <cstdint>

namespace platform::gpu {

struct GlRuntimeOptions {
    /// Upper limit of the reported maximum texture width and height: large enough for what
    /// the canvas builds, small enough that a face texture stays affordable in software.
    uint32_t MaxTextureWidthCap = 2048;
};

/// The OpenGL runtime: each device is its own OpenGL context on the surfaceless EGL display,
/// rendering into framebuffer objects. Both creation entry points exist; they give no system
/// when there is no EGL display or no suitable context.
[[nodiscard]] RuntimePtr CreateGlRuntime(const GlRuntimeOptions& options = {});

} // namespace platform::gpu
