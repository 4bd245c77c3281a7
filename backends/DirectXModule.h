#pragma once

#include "scene3d/Math3D.h"

#include "platform/gpu/D3DTypes.h"
#include "platform/gpu/Forward.h"

#include <cstdint>

// The Direct3D module of the 3D library: the device runtime, loaded once at start-up, and the
// process-wide Direct3D object every canvas makes its device from. Everything here lives on
// the GUI thread.

/// The loaded device runtime; null when it could not be loaded.
inline platform::gpu::RuntimePtr hvD3D9Library;
/// The runtime exports the plain creation entry point.
inline bool hvDirect3DCreate9 = false;
/// The runtime exports the extended entry point and the extended interface has not failed
/// yet. Every canvas asks it to choose between the extended and the plain calls; once
/// cleared it stays cleared until the module is started again.
inline bool hvDirect3DCreate9Ex = false;
/// The process-wide Direct3D object (an extended one on the extended path); null when none
/// could be made, and then every canvas is created without a device.
inline platform::gpu::SystemPtr hvDirect3D;

/// The SDK version both creation entry points are called with.
inline constexpr uint32_t kDirect3DSdkVersion = 0x80000020u;

/// Module start-up, after the 2D library's: loads the runtime, installs the 3D image codec
/// and the Direct3D canvas as the default classes and makes the Direct3D object.
void hvDirectXInit();
/// Module shut-down, after every canvas is gone: releases the Direct3D object and the runtime.
void hvDirectXDone();
/// Makes hvDirect3D, the extended object when the runtime offers one, and stores the
/// adapter's maximum texture width in hvMaxTextureWidth.
void CreateDirect3D();

/// Each byte of an ARGB colour as a fraction of 255.
[[nodiscard]] platform::gpu::D3DCOLORVALUE hvColorToD3D(uint32_t color);
[[nodiscard]] platform::gpu::D3DVECTOR hvVectorToD3D(const ThvVector& v);
/// The device's matrix layout is the library's (row vectors, translation in row 3).
[[nodiscard]] platform::gpu::D3DMATRIX hvMatrixToD3D(const ThvMatrix& m);
[[nodiscard]] constexpr bool hvFailed(platform::gpu::HRESULT result)
{
    return platform::gpu::Failed(result);
}
