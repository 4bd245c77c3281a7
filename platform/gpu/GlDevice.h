#pragma once

// Private to platform/gpu: the OpenGL device and what its system found out about the driver.

#include "platform/gpu/Device.h"
#include "platform/gpu/DeviceRules.h"
#include "platform/gpu/DeviceState.h"
#include "platform/gpu/GlContext.h"
#include "platform/gpu/GlResources.h"
#include "platform/gpu/StateBlock.h"

#include <array>
#include <memory>
#include <unordered_map>
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
    /// `context`: a fresh context to take instead of creating one; null creates one.
    static HRESULT Create(const GlCaps& caps, bool extended, D3DPRESENT_PARAMETERS& parameters,
        DevicePtr& result, GlContextPtr context = nullptr);
    ~GlDevice() override;

#define GPU_DEVICE_OPERATION(Name, Parameters) HRESULT Name Parameters override;
#include "platform/gpu/DeviceOperations.inc"
    const FrontBuffer& GetFrontBuffer() const override
    {
        return m_front;
    }

private:
    GlDevice(GlContextPtr context, const GlCaps& caps, bool extended);

    [[nodiscard]] bool Enter()
    {
        return m_context->MakeCurrent();
    }
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
    /// Whether every fragment of a draw with this layout comes out with alpha 1, as the
    /// colour material (prepared first) and the texture stage make it.
    [[nodiscard]] bool FragmentsOpaque(const VertexLayout& layout) const;
    /// GL's blend and alpha test for the next draw: as the render states have them, but off
    /// where they would change nothing, so the rasteriser neither reads the target nor tests
    /// alpha before depth.
    void PrepareBlendAndAlphaTest(const VertexLayout& layout);
    /// The lit path runs through a vertex program (range, spot cones and falloff, which
    /// fixed-function lighting lacks); everything else stays fixed-function.
    void PrepareLitProgram();
    struct LitProgramEntry;
    [[nodiscard]] const LitProgramEntry& LitProgram(uint32_t key);
    GlSurface* OwnSurface(const SurfacePtr& surface) const;
    /// A new surface of the description's size; `result` receives it once allocated.
    HRESULT NewSurface(GlSurface::Kind kind, const D3DSURFACE_DESC& desc, SurfacePtr& result);
    /// Reads a single-sampled colour buffer into top-down rows at `pitch`, through the read
    /// framebuffer of the context current now.
    void ReadColor(const GlSurface& source, uint8_t* destination, int32_t pitch, GLuint framebuffer);
    /// Reads a colour buffer whose frame the driver has finished through the reader context;
    /// false when there is none, and nothing is read.
    [[nodiscard]] bool ReadFinishedColor(const GlSurface& source, uint8_t* destination, int32_t pitch);
    /// Completes the read-backs on their way from or into `surface` (every one for null):
    /// waits for the frame each reads, then reads it; `frameUnsent` while this context holds
    /// a frame not yet sent, which a read in this context would send and wait for.
    void CompleteReads(const GlSurface* surface, bool frameUnsent = false);
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
    int m_blendOn = -1; ///< GL_BLEND as GL has it: 1 on, 0 off, -1 unknown
    int m_alphaTestOn = -1; ///< GL_ALPHA_TEST likewise
    /// What the lit program needs beyond GL's light state, one entry per light.
    struct LightShape {
        uint32_t Kind = 0; ///< off, directional, point or spot, as the lit programs tell them
        GLfloat Range = -1; ///< negative: unlimited
        GLfloat Cone[3] = { 0, -2, 0 }; ///< cos of half the inner and outer cone, falloff; no spot below -1
    };
    std::array<LightShape, 8> m_lightShapes {};
    /// A lit program made for one arrangement of lights; 0 when the driver would not make it.
    struct LitProgramEntry {
        GLuint Program = 0;
        GLint LightRange = -1, SpotCone = -1;
    };
    std::unordered_map<uint32_t, LitProgramEntry> m_litPrograms;
    GLuint m_litProgramInUse = 0;
    /// The channel order colour buffers are read in: the driver's own when it is RGBA.
    enum class ReadOrder { Unknown, Rgba, Bgra } m_readOrder = ReadOrder::Unknown;
    std::vector<uint32_t> m_readBand; ///< rows of a colour buffer on their way out
    /// A context sharing the device's renderbuffers, for reading finished frames. The software
    /// rasteriser makes a read of a buffer wait for every frame sent in the reading context,
    /// so a read there would wait for the next tile too, which was sent to render meanwhile;
    /// in a context of its own it waits for nothing.
    GlContextPtr m_reader;
    GLuint m_readerFramebuffer = 0;
    bool m_readerTried = false;
    /// A read-back GetRenderTargetData sent on its way: done when its destination is locked,
    /// or before anything else touches either surface, once the frame it reads is finished.
    struct PendingRead {
        std::shared_ptr<GlSurface> Source;
        std::shared_ptr<GlSurface> Destination;
        GLsync Fence = nullptr;
    };
    std::vector<PendingRead> m_pendingReads;
    bool m_inScene = false;
    FrontBuffer m_front;
};

} // namespace platform::gpu
