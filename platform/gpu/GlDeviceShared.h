#pragma once

// Private to the GlDevice*.cpp files, which implement GlDevice by concern: what more than one
// of them needs.

#include "platform/gpu/GlDevice.h"

#include <memory>

namespace platform::gpu::gldevice {

// With specular off D3D adds nothing, but GL's pow(x, 0) = 1 would add the full specular
// colour of a material or light with power 0: specular is sent as black instead.
inline constexpr D3DCOLORVALUE kNoSpecular { 0, 0, 0, 1 };

// A row-vector, row-major matrix has the memory of GL's column-major column-vector form of
// the same transform, so it loads unchanged.
inline void LoadMatrix(const D3DMATRIX& m)
{
    glLoadMatrixf(&m.m[0][0]);
}

// A binding or read-back takes only objects this device made: of its own kind, on its context.
template <class Own, class Object>
Own* OwnObject(const std::shared_ptr<Object>& object, const GlContext* context)
{
    auto* own = dynamic_cast<Own*>(object.get());
    return own && own->Context() == context ? own : nullptr;
}

} // namespace platform::gpu::gldevice
