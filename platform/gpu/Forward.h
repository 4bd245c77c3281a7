#pragma once

#include <memory>

namespace platform::gpu {

class Runtime;
class System;
class Device;
class Texture;
class Surface;
class VertexBuffer;
class IndexBuffer;
class StateBlock;
struct FrontBuffer;
struct DeviceState;

using RuntimePtr = std::shared_ptr<Runtime>;
using SystemPtr = std::shared_ptr<System>;
using DevicePtr = std::shared_ptr<Device>;
using TexturePtr = std::shared_ptr<Texture>;
using SurfacePtr = std::shared_ptr<Surface>;
using VertexBufferPtr = std::shared_ptr<VertexBuffer>;
using IndexBufferPtr = std::shared_ptr<IndexBuffer>;
using StateBlockPtr = std::shared_ptr<StateBlock>;

} // namespace platform::gpu
