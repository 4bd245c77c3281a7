#pragma once

// Private to platform/gpu: the OpenGL device and what its system found out about the driver.

#include "platform/gpu/Device.h"
#include "platform/gpu/DeviceRules.h"
#include "platform/gpu/DeviceState.h"
#include "platform/gpu/GlContext.h"
#include "platform/gpu/GlResources.h"
#include "platform/gpu/StateBlock.h"

#include <memory>
#include <vector>

namespace platform::gpu {

/// Driver limits, probed once when the system is created.
struct GlCaps {
    uint32_t MaxTextureSize = 0;
    uint32_t MaxTextureWidth = 0; ///< the capped value reported to callers
    uint32_t MaxRenderbufferSize = 0;
    uint32_t MaxLights = 8;
    /// Sample counts offered for both colour and depth-stencil render buffers.
    std::vector<uint32_t> SampleCounts;

    bool OffersSamples(D3DMULTISAMPLE_TYPE type) const;
};

class GlDevice final : public Device {
public:
    static HRESULT Create(
        const GlCaps& caps, bool extended, D3DPRESENT_PARAMETERS& parameters, DevicePtr& result);
    ~GlDevice() override;

    HRESULT TestCooperativeLevel() override;
    HRESULT CheckDeviceState(WindowHandle window) override;
    HRESULT Reset(D3DPRESENT_PARAMETERS& parameters) override;
    HRESULT ResetEx(D3DPRESENT_PARAMETERS& parameters, D3DDISPLAYMODEEX* fullscreenMode) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, WindowHandle destWindowOverride,
        const void* dirtyRegion) override;
    HRESULT PresentEx(const RECT* sourceRect, const RECT* destRect, WindowHandle destWindowOverride,
        const void* dirtyRegion, uint32_t flags) override;
    HRESULT Clear(uint32_t count, const D3DRECT* rects, uint32_t flags, uint32_t color, float z,
        uint32_t stencil) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
    HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) override;
    HRESULT SetSamplerState(uint32_t sampler, D3DSAMPLERSTATETYPE type, uint32_t value) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX& matrix) override;
    HRESULT SetMaterial(const D3DMATERIAL9& material) override;
    HRESULT SetLight(uint32_t index, const D3DLIGHT9& light) override;
    HRESULT LightEnable(uint32_t index, int32_t enable) override;
    HRESULT SetTexture(uint32_t stage, const TexturePtr& texture) override;
    HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
        D3DPOOL pool, TexturePtr& result) override;
    HRESULT CreateVertexBuffer(
        uint32_t length, uint32_t usage, uint32_t fvf, D3DPOOL pool, VertexBufferPtr& result) override;
    HRESULT CreateIndexBuffer(
        uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool, IndexBufferPtr& result) override;
    HRESULT CreateRenderTarget(uint32_t width, uint32_t height, D3DFORMAT format,
        D3DMULTISAMPLE_TYPE multiSample, uint32_t multiSampleQuality, int32_t lockable,
        SurfacePtr& result) override;
    HRESULT CreateDepthStencilSurface(uint32_t width, uint32_t height, D3DFORMAT format,
        D3DMULTISAMPLE_TYPE multiSample, uint32_t multiSampleQuality, int32_t discard,
        SurfacePtr& result) override;
    HRESULT CreateOffscreenPlainSurface(
        uint32_t width, uint32_t height, D3DFORMAT format, D3DPOOL pool, SurfacePtr& result) override;
    HRESULT SetRenderTarget(uint32_t index, const SurfacePtr& target) override;
    HRESULT SetDepthStencilSurface(const SurfacePtr& surface) override;
    HRESULT GetBackBuffer(
        uint32_t swapChain, uint32_t index, D3DBACKBUFFER_TYPE type, SurfacePtr& result) override;
    HRESULT GetRenderTargetData(const SurfacePtr& renderTarget, const SurfacePtr& destination) override;
    HRESULT StretchRect(const SurfacePtr& source, const RECT* sourceRect, const SurfacePtr& destination,
        const RECT* destRect, D3DTEXTUREFILTERTYPE filter) override;
    HRESULT SetFVF(uint32_t fvf) override;
    HRESULT SetStreamSource(
        uint32_t stream, const VertexBufferPtr& buffer, uint32_t offset, uint32_t stride) override;
    HRESULT SetIndices(const IndexBufferPtr& buffer) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, int32_t baseVertexIndex, uint32_t minVertexIndex,
        uint32_t numVertices, uint32_t startIndex, uint32_t primitiveCount) override;
    HRESULT BeginStateBlock() override;
    HRESULT EndStateBlock(StateBlockPtr& result) override;
    const FrontBuffer& GetFrontBuffer() const override { return m_front; }

private:
    GlDevice(GlContextPtr context, const GlCaps& caps, bool extended);

    [[nodiscard]] bool Enter() { return m_context->MakeCurrent(); }
    HRESULT BuildSwapChain(const D3DPRESENT_PARAMETERS& parameters);
    HRESULT ResetDevice(D3DPRESENT_PARAMETERS& parameters);
    void ApplyAllStates();
    void ApplyRenderState(D3DRENDERSTATETYPE state);
    void ApplyDepth();
    void ApplyAlphaTest();
    void ApplyBlend();
    void ApplyStencil();
    void ApplyColorMask();
    void ApplyCull();
    void ApplyMaterial();
    void ApplyTextureStage();
    void ApplySampler();
    [[nodiscard]] bool PrepareTarget();
    void PrepareTransforms();
    void PrepareLights();
    void PrepareColorMaterial(const VertexLayout& layout);
    GlSurface* OwnSurface(const SurfacePtr& surface) const;
    /// Reads a single-sampled colour buffer into top-down rows at `pitch`.
    void ReadColor(const GlSurface& source, uint8_t* destination, int32_t pitch);
    void Blit(const GlSurface& source, const RECT& sourceRect, const GlSurface& destination,
        const RECT& destRect, GLenum filter);

    GlContextPtr m_context;
    const GlFunctions& m_gl;
    GlCaps m_caps;
    bool m_extended;
    D3DPRESENT_PARAMETERS m_parameters {};
    DeviceState m_state;
    StateRecorder m_recorder;
    std::shared_ptr<GlSurface> m_backBuffer;
    std::shared_ptr<GlSurface> m_autoDepthStencil;
    std::shared_ptr<GlSurface> m_resolveBuffer;
    std::shared_ptr<GlSurface> m_renderTarget;
    std::shared_ptr<GlSurface> m_depthStencil;
    GLuint m_drawFramebuffer = 0;
    GLuint m_readFramebuffer = 0;
    GLuint m_blitFramebuffer = 0;
    bool m_targetDirty = true;
    bool m_targetComplete = false;
    uint32_t m_targetWidth = 0;
    uint32_t m_targetHeight = 0;
    bool m_projectionDirty = true;
    bool m_modelViewDirty = true;
    bool m_lightsDirty = true;
    bool m_textureMatrixDirty = true;
    int m_colorMaterial = -1; ///< GL target tracking the vertex colour, 0 = none, -1 = unknown
    bool m_inScene = false;
    FrontBuffer m_front;
};

} // namespace platform::gpu
