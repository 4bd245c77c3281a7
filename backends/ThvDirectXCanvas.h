#pragma once

#include "backends/ThvGlyphAtlas.h"
#include "scene3d/ThvCanvas.h"

#include "platform/gpu/D3DTypes.h"
#include "platform/gpu/Device.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// The 3D canvas over the Direct3D-shaped device of platform/gpu. A window canvas renders into
// the swap chain of its native window (with a back buffer of its own for transparent scenes,
// read back after every frame); a bitmap canvas renders into a render target of its bitmap's
// size and reads every frame back into the bitmap.
//
// The canvas owns its device, the two dynamic ring buffers all geometry streams through, one
// state block per render-state preset and the surfaces it reads frames through. Without a
// device (no runtime, no Direct3D object, creation refused) it does nothing: BeginScene
// answers false, every other operation returns at once.
/// The canvas's handle of a bitmap: the device texture made of it.
class ThvDirectXTexture final : public ThvBitmapHandle {
public:
    explicit ThvDirectXTexture(platform::gpu::TexturePtr texture)
        : Texture(std::move(texture))
    { }
    platform::gpu::TexturePtr Texture;
};

class ThvDirectXCanvas : public ThvCanvas {
    RTL_CLASS(ThvDirectXCanvas, ThvCanvas)
public:
    /// Bytes of the vertex ring: 65,535 vertices of 36 bytes.
    static constexpr uint32_t kVertexRingSize = 2359260;
    /// Bytes of the index ring: 131,070 16-bit indices.
    static constexpr uint32_t kIndexRingSize = 262140;
    /// Position, normal, diffuse colour, one set of texture coordinates: ThvColorVertex.
    static constexpr uint32_t kVertexFvf = platform::gpu::D3DFVF_XYZ | platform::gpu::D3DFVF_NORMAL
        | platform::gpu::D3DFVF_DIFFUSE | platform::gpu::D3DFVF_TEX1;

    ThvDirectXCanvas(
        scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality);
    explicit ThvDirectXCanvas(ThvBitmap* bitmap);

    /// The swap chain's parameters for `window`: the canvas size, 32-bit colour, a 24/8
    /// depth-stencil buffer, and for window canvases the multisampling of Quality as far as
    /// the adapter offers it.
    void FillPresentParameters(scene3d::WindowHandle window, platform::gpu::D3DPRESENT_PARAMETERS& pp) const;

    /// The canvas's device; null when it has none.
    [[nodiscard]] const platform::gpu::DevicePtr& GetDevice() const { return m_device; }
    /// The parameters the device was last created or reset with.
    [[nodiscard]] const platform::gpu::D3DPRESENT_PARAMETERS& GetPresentParameters() const
    {
        return m_presentParameters;
    }
    [[nodiscard]] bool GetCanMultisample2() const { return m_canMultisample2; }
    [[nodiscard]] bool GetCanMultisample4() const { return m_canMultisample4; }
    /// Byte offsets of the next free place in the two rings.
    [[nodiscard]] uint32_t GetVertexPos() const { return m_vertexPos; }
    [[nodiscard]] uint32_t GetIndexPos() const { return m_indexPos; }
    [[nodiscard]] const platform::gpu::StateBlockPtr& GetStateHandle(ThvRenderState state) const
    {
        return m_stateHandles[state];
    }
    [[nodiscard]] const platform::gpu::SurfacePtr& GetReadbackSurface() const { return m_readbackSurface; }
    [[nodiscard]] const platform::gpu::SurfacePtr& GetRenderTarget() const { return m_renderTarget; }
    [[nodiscard]] const platform::gpu::SurfacePtr& GetResolveTarget() const { return m_resolveTarget; }
    [[nodiscard]] const platform::gpu::SurfacePtr& GetDepthSurface() const { return m_depthSurface; }
    /// The device texture made of `bitmap`; null when there is none.
    [[nodiscard]] platform::gpu::TexturePtr GetTexture(ThvBitmap* bitmap) const;
    /// True when the device answers the extended calls and the process is on that path.
    [[nodiscard]] bool UsesExtendedPath() const;
    /// How many extrusions the canvas has built since it was made: a repaint of outlines it
    /// keeps builds none.
    [[nodiscard]] size_t GetExtrusionBuilds() const { return m_extrusionBuilds; }
    /// How many extrusions the canvas keeps.
    [[nodiscard]] size_t GetKeptExtrusionCount() const { return m_keptExtrusions.size(); }

    // ---- ThvCanvas ---------------------------------------------------------------------
    void MaterialChanged(rtl::TObject* sender) override;
    void RecordState(ThvRenderState state) override;
    void ApplyState(ThvRenderState state) override;
    void UpdateBitmapHandle(ThvBitmap* bitmap) override;
    void DestroyBitmapHandle(ThvBitmap* bitmap) override;
    void SetQuality(ThvQuality value) override;
    bool BeginScene() override;
    void EndScene() override;
    void SetHoldFrames(bool hold) override;
    bool TakeFrame() override;
    bool TakeFrameInto(uint32_t* bits, int32_t width, int32_t height) override;
    void FreeBuffer() override;
    void ResizeBuffer(int32_t width, int32_t height) override;
    void Clear(uint32_t color) override;
    void ClearFromBits(const uint32_t* bits) override;
    void CopyBits(uint32_t* bits) override;
    void SetMatrix(const ThvMatrix& matrix) override;
    void DrawLine(const ThvVector& p1, const ThvVector& p2, float opacity) override;
    void DrawLines(std::span<const ThvVector> ends, float opacity) override;
    void DrawNothing(const ThvVector& p1, const ThvVector& p2, float opacity) override;
    void DrawCube(const ThvVector& center, const ThvVector& size, float opacity) override;
    void FillCube(const ThvVector& center, const ThvVector& size, float opacity) override;
    void FillMesh(
        const ThvVector& center, const ThvVector& size, const ThvMeshData& mesh, float opacity) override;
    void FillTriangles(
        std::span<const ThvColorVertex> vertices, std::span<const uint16_t> indices, float opacity) override;
    void FillPolygon(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
        const TwzPolygon& points, float opacity, bool front, bool back, bool left) override;
    void FillKeptPolygon(ThvOutlineStamp stamp, const ThvVector& center, const ThvVector& size,
        const TwzRect& rect, const TwzPolygon& points, float opacity, bool front, bool back,
        bool left) override;
    void FillText(const std::u16string& text, float x, float y, float opacity) override;
    void MeasureText(const std::u16string& text, ThvPoint& size) override;

    // ---- glyph-atlas text (ThvDirectXCanvasText.cpp) -------------------------------------
    /// Finds, makes or extends the glyph atlas of `font` so that it holds every character of
    /// `text`; its index in GetFonts(), or -1 (no device, no font, atlas beyond 2048 x 1024).
    int BuildGlyphAtlas(const std::u16string& text, const ThvFont& font);
    [[nodiscard]] const std::vector<ThvInternalFont>& GetFonts() const { return m_fonts; }

protected:
    ~ThvDirectXCanvas() override;

    /// Streams one draw through the rings: reserves `vertexCount` vertices and `indexCount`
    /// indices behind the previous call (or from the start of a ring, discarding it, when
    /// they do not fit), lets `fill(vertices, indices)` write them (indices count from the
    /// call's first vertex), then draws `primitiveCount` primitives and advances the ring
    /// offsets. False, with nothing drawn and the offsets unchanged, without a device or
    /// rings, for data larger than a ring, or when a lock fails.
    template <class Fill>
    bool DrawThroughRings(platform::gpu::D3DPRIMITIVETYPE type, uint32_t vertexCount, uint32_t indexCount,
        uint32_t primitiveCount, Fill&& fill)
    {
        RingReservation reservation;
        if (!LockRings(vertexCount, indexCount, reservation))
            return false;
        fill(reservation.Vertices, reservation.Indices);
        UnlockRingsAndDraw(type, primitiveCount, reservation);
        return true;
    }

    /// The colour of the vertices a call builds: the material's diffuse colour, its alpha
    /// times `opacity`.
    [[nodiscard]] uint32_t CallColor(float opacity) const;

private:
    /// A box in the space a draw's vertices are given in.
    struct Bounds {
        ThvPoint Min { 1e30f, 1e30f, 1e30f };
        ThvPoint Max { -1e30f, -1e30f, -1e30f };
        void Add(const ThvColorVertex& v);
        void Add(const Bounds& other);
    };
    /// Where a box lands on the target under the transforms the device draws with.
    enum class Placement { Outside, Crossing, Inside };
    /// The transforms the device draws with, as far as the canvas set them: while they are
    /// known, a draw whose bounds lie beyond an edge of the target is not sent at all (each
    /// tile of a large picture shows a small part of the scene).
    struct DeviceTransforms {
        ThvMatrix World = hvIdentityMatrix;
        ThvMatrix View = hvIdentityMatrix;
        ThvMatrix Projection = hvIdentityMatrix;
        bool Known = false;
        bool Stale = true;
        ThvMatrix Combined = hvIdentityMatrix; // world x view x projection, unless Stale
    };

    /// One draw out of a kept extrusion's buffers, with the bounds of what it draws. The
    /// draws of one face that share their vertices and follow each other in the index buffer
    /// can be drawn as one.
    struct KeptDraw {
        uint32_t BaseVertex = 0;
        uint32_t VertexCount = 0;
        uint32_t StartIndex = 0;
        uint32_t IndexCount = 0;
        Bounds Box;
    };
    /// An extrusion as FillPolygon built it, kept with what it was made of: a later call with
    /// the same outline (the same stamp, or else the same points), box, colour and faces draws
    /// it again without building anything.
    struct KeptExtrusion {
        /// The outline's stamp; 0 for an outline nothing keeps, whose points are kept instead.
        ThvOutlineStamp Stamp = 0;
        std::vector<TwzPoint> Points;
        ThvVector Center;
        ThvVector Size;
        TwzRect Rect;
        uint32_t Color = 0;
        bool Screen = false;
        bool Front = false;
        bool Back = false;
        bool Walls = false;
        size_t Hash = 0;
        /// The last scene that drew it.
        uint64_t LastScene = 0;

        std::vector<KeptDraw> FrontFan;
        KeptDraw FrontCover;
        std::vector<KeptDraw> BackFan;
        KeptDraw BackCover;
        std::vector<KeptDraw> WallDraws;
        /// The bounds of every draw.
        Bounds Box;
        /// The vertices and indices of every draw: on the canvas, streamed through the rings,
        /// until the extrusion is drawn a second time; from then on in buffers of its own on
        /// the device, when it makes them.
        platform::gpu::VertexBufferPtr VertexBuffer;
        platform::gpu::IndexBufferPtr IndexBuffer;
        std::vector<ThvColorVertex> Vertices;
        std::vector<uint16_t> Indices;
        /// The buffers were tried (and, when they are missing, not made).
        bool UploadTried = false;
        size_t Bytes = 0;
    };

    /// The kept extrusion made of these; built (and the oldest ones dropped) when none is.
    const KeptExtrusion* KeepExtrusion(ThvOutlineStamp stamp, const ThvVector& center, const ThvVector& size,
        const TwzRect& rect, const TwzPolygon& points, uint32_t color, bool front, bool back, bool walls);
    void FillExtrusion(ThvOutlineStamp stamp, const ThvVector& center, const ThvVector& size,
        const TwzRect& rect, const TwzPolygon& points, float opacity, bool front, bool back, bool walls);
    /// Moves a kept extrusion's data into buffers of its own on the device.
    void UploadExtrusion(KeptExtrusion& kept);
    void DrawKept(const KeptExtrusion& kept, const KeptDraw& draw);
    /// Draws those of `draws` that may show (all of them unless `test`), consecutive ones as one.
    void DrawKeptRuns(const KeptExtrusion& kept, std::span<const KeptDraw> draws, bool test);
    /// Where `box`, in the drawing space of the current world matrix, lands on the target;
    /// Crossing while the transforms are not known.
    [[nodiscard]] Placement Place(const Bounds& box);
    /// Whether the device lights what it draws now: the render state the object chose, or
    /// the scene's lighting.
    [[nodiscard]] bool LightingNow() const
    {
        return GetStateOn(hvStateLightingOn) || (!GetStateOn(hvStateLightingOff) && GetLighting());
    }
    void DrawKeptCap(
        const KeptExtrusion& kept, const std::vector<KeptDraw>& fan, const KeptDraw& cover, bool test);

    struct RingReservation {
        ThvColorVertex* Vertices = nullptr;
        uint16_t* Indices = nullptr;
        uint32_t VertexPos = 0;
        uint32_t IndexPos = 0;
        uint32_t VertexCount = 0;
        uint32_t IndexCount = 0;
    };

    [[nodiscard]] bool LockRings(uint32_t vertexCount, uint32_t indexCount, RingReservation& reservation);
    void UnlockRingsAndDraw(
        platform::gpu::D3DPRIMITIVETYPE type, uint32_t primitiveCount, const RingReservation& reservation);

    // Set-up.
    /// Reads the adapter's caps (the number of lights it offers) and returns the behaviour
    /// flags of device creation.
    [[nodiscard]] uint32_t ReadCaps();
    /// The device for `window` (null for a bitmap canvas), by the extended call while the
    /// process is on that path; null when it cannot be made.
    [[nodiscard]] platform::gpu::DevicePtr CreateDeviceFor(scene3d::WindowHandle window, uint32_t flags);
    void CreateRings();
    void RecordAllStates();
    void ReleaseStates();
    /// The read-back surface and, for a multisampling quality, the resolve target of a
    /// buffered window canvas.
    void CreateReadbackSurfaces();
    /// The render target, depth-stencil surface and read-back surface of a bitmap canvas,
    /// made current on the device.
    void CreateBitmapTargets();
    [[nodiscard]] bool WantsResolveTarget() const;
    /// Drops every texture of the cache; each bitmap forgets this canvas.
    void ReleaseTextures();

    // Frame.
    [[nodiscard]] platform::gpu::HRESULT AskDeviceState();
    void SetFixedStates();
    void InstallLights();
    /// Reads the back buffer (through the resolve target when there is one) into
    /// Width x Height pixels at `bits`; false when a call fails.
    bool ReadBackBuffer(
        uint32_t* bits, const platform::gpu::SurfacePtr& readback, const platform::gpu::SurfacePtr& resolve);
    /// The second target and read-back surface of a canvas that holds its frames; false when
    /// they cannot be made.
    bool MakeOtherTarget();
    /// Copies the read-back surface into the bitmap.
    void CopyReadbackIntoBitmap(const platform::gpu::SurfacePtr& readback);
    /// Copies a system-memory surface into `rows` rows of `columns` pixels, `stride` pixels apart.
    bool ReadSurface(const platform::gpu::SurfacePtr& surface, uint32_t* bits, int32_t columns, int32_t rows,
        int32_t stride);
    /// Draws Width x Height pixels over the colour target as they are.
    void DrawFrameFromBits(const uint32_t* bits);

    platform::gpu::D3DPRESENT_PARAMETERS m_presentParameters {};
    platform::gpu::DevicePtr m_device;
    /// The device was made with the extended call and answers the extended ones.
    bool m_extendedDevice = false;
    /// Set while the base class rebuilds its back buffer, whose FreeBuffer call must not
    /// release the device.
    bool m_inBaseResize = false;
    uint32_t m_maxActiveLights = 8;
    platform::gpu::VertexBufferPtr m_vertexBuffer;
    platform::gpu::IndexBufferPtr m_indexBuffer;
    uint32_t m_vertexPos = 0;
    uint32_t m_indexPos = 0;
    bool m_canMultisample2 = false;
    bool m_canMultisample4 = false;
    platform::gpu::SurfacePtr m_readbackSurface;
    platform::gpu::SurfacePtr m_renderTarget;
    platform::gpu::SurfacePtr m_resolveTarget;
    platform::gpu::SurfacePtr m_depthSurface;
    /// A bitmap canvas that holds its frames draws into two targets in turn, each with its
    /// read-back surface: the one drawn into (m_renderTarget, m_readbackSurface) and the other.
    bool m_holdFrames = false;
    platform::gpu::SurfacePtr m_otherTarget;
    platform::gpu::SurfacePtr m_otherReadback;
    /// The frames sent on their way and not yet taken, oldest first: their read-back surfaces.
    std::vector<platform::gpu::SurfacePtr> m_heldFrames;
    /// The device draws into a target other than m_renderTarget.
    bool m_targetStale = false;
    std::array<platform::gpu::StateBlockPtr, kRenderStateCount> m_stateHandles;
    /// The projection each of the two projection presets was recorded with (0 screen, 1
    /// camera), while its block exists.
    std::array<std::optional<ThvMatrix>, 2> m_recordedProjections;
    DeviceTransforms m_transforms;
    std::vector<std::unique_ptr<KeptExtrusion>> m_keptExtrusions;
    /// Scenes begun on this canvas, which tell how lately each kept extrusion was drawn.
    uint64_t m_sceneCount = 0;
    /// The stencil bit the next extruded cap counts its coverage in; 8 when the stencil must
    /// be cleared first (a new scene, or all eight bits used since the last clear).
    uint32_t m_stencilBit = 8;
    size_t m_extrusionBuilds = 0;
    /// The glyph atlases; their bitmaps go after the base teardown dropped their textures.
    std::vector<ThvInternalFont> m_fonts;
};
