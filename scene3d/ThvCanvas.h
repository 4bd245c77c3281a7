#pragma once

#include "graphics/Geometry.h"
#include "scene3d/Forward.h"
#include "scene3d/Math3D.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

/// Multisampling level of a window canvas.
enum ThvQuality : uint8_t { hvLowQuality, hvHighQuality, hvSuperHighQuality };
RTL_ENUM(ThvQuality, "hvLowQuality", "hvHighQuality", "hvSuperHighQuality");

/// How an object is projected: through the scene camera, or in pixels of the canvas.
enum ThvProjection : uint8_t { hvProjectionCamera, hvProjectionScreen };
RTL_ENUM(ThvProjection, "hvProjectionCamera", "hvProjectionScreen");

/// The render-state presets. Switching one on switches off the others of its group:
/// projection {0, 1}, lighting {2, 3}, depth test {4, 5}, depth write {6, 7}, culling
/// {8, 9, 10}, blending {11, 12}, texture filter {13, 14}, texture mode {15, 16, 17}, fill
/// {18, 19}, shading {20, 21}.
enum ThvRenderState : uint8_t {
    hvStateScreenProjection, ///< screen matrix (pixel units), view and world identity
    hvStateCameraProjection, ///< camera projection, view = ViewMatrix, world identity
    hvStateLightingOn,
    hvStateLightingOff,
    hvStateZTestOn, ///< less-or-equal
    hvStateZTestOff,
    hvStateZWriteOn,
    hvStateZWriteOff,
    hvStateCullCCW, ///< one-sided objects
    hvStateCullCW,
    hvStateCullNone, ///< two-sided objects
    hvStateBlendAdditive, ///< source alpha, destination one
    hvStateBlendAlpha, ///< source alpha, destination inverse source alpha
    hvStateFilterPoint,
    hvStateFilterLinear,
    hvStateTextureNone, ///< diffuse colour only
    hvStateTextureReplace, ///< texture colour and alpha replace the diffuse
    hvStateTextureModulate, ///< texture times diffuse
    hvStateWireframe,
    hvStateSolid,
    hvStateFlat,
    hvStateGouraud,
};
RTL_ENUM(ThvRenderState, "hvStateScreenProjection", "hvStateCameraProjection", "hvStateLightingOn",
    "hvStateLightingOff", "hvStateZTestOn", "hvStateZTestOff", "hvStateZWriteOn", "hvStateZWriteOff",
    "hvStateCullCCW", "hvStateCullCW", "hvStateCullNone", "hvStateBlendAdditive", "hvStateBlendAlpha",
    "hvStateFilterPoint", "hvStateFilterLinear", "hvStateTextureNone", "hvStateTextureReplace",
    "hvStateTextureModulate", "hvStateWireframe", "hvStateSolid", "hvStateFlat", "hvStateGouraud");

inline constexpr size_t kRenderStateCount = 22;

/// The group a preset belongs to (0 projection ... 9 shading).
[[nodiscard]] int RenderStateGroup(ThvRenderState state);

namespace scene3d {
/// The native window a window canvas draws into, as the window layer hands it over.
using WindowHandle = void*;
} // namespace scene3d

/// Names one flattened outline for as long as its owner keeps it unchanged: the owner takes a
/// new stamp (hvNewOutlineStamp) whenever it builds the outline anew, so a canvas that keeps
/// what it built of an outline can recognise it by the stamp instead of by its points. Never
/// 0, never given twice in a process.
using ThvOutlineStamp = uint64_t;
[[nodiscard]] ThvOutlineStamp hvNewOutlineStamp();

/// What a back end makes of a bitmap to draw with it (a device texture, say). The canvas
/// keeps one per bitmap without looking inside; each back end derives its own.
class ThvBitmapHandle {
public:
    virtual ~ThvBitmapHandle() = default;
};
using ThvBitmapHandlePtr = std::shared_ptr<ThvBitmapHandle>;

/// Receives a frame a window canvas has presented: width x height premultiplied ARGB pixels
/// in top-down rows, valid for the length of the call only.
using ThvFrameHandler = std::function<void(int32_t width, int32_t height, const uint32_t* pixels)>;

/// The device-independent drawing surface of the 3D library. Every 3D object draws itself
/// through it, the scene drives one frame at a time through it, and picking turns a pixel
/// into a ray through it. A back end implements the abstract operations over a device;
/// canvases are made only through a canvas class (hvDefaultCanvasClass), as a window canvas
/// by the scene or a bitmap canvas by a 3D bitmap.
///
/// A frame: ResetScene; Lighting and AmbientColor; SetCamera; AddLight per light;
/// BeginScene, and only when it returns true: the default presets through SetState, Clear,
/// the objects (presets, SetMatrix, SetMaterial, drawing), EndScene. Presets 0 and 1 set
/// their own world matrix, so an object sets its projection preset before SetMatrix.
///
/// The canvas owns its material, font and back buffer, and one back-end handle per bitmap it
/// has drawn (dropped when the bitmap asks, and when the canvas goes). It never owns the
/// bitmap it renders into, the scene, the camera or the lights. Freed with Free(). GUI thread
/// only.
class ThvCanvas : public rtl::TPersistent {
    RTL_CLASS(ThvCanvas, rtl::TPersistent)
public:
    // ---- state of the frame -------------------------------------------------------------
    [[nodiscard]] bool GetLighting() const { return m_lighting; }
    void SetLighting(bool value) { m_lighting = value; }
    [[nodiscard]] uint32_t GetAmbientColor() const { return m_ambientColor; }
    void SetAmbientColor(uint32_t value) { m_ambientColor = value; }
    /// The current material; its changes reach MaterialChanged.
    [[nodiscard]] ThvMaterial* GetMaterial() const { return m_material.get(); }
    /// The font of FillText and MeasureText.
    [[nodiscard]] ThvFont* GetFont() const { return m_font.get(); }

    [[nodiscard]] int32_t GetWidth() const { return m_width; }
    [[nodiscard]] int32_t GetHeight() const { return m_height; }
    /// The bitmap a bitmap canvas renders into; null for a window canvas.
    [[nodiscard]] ThvBitmap* GetBitmap() const { return m_bitmap; }
    /// The window a window canvas draws into; null for a bitmap canvas.
    [[nodiscard]] scene3d::WindowHandle GetHandle() const { return m_handle; }
    /// The scene that owns a window canvas; null otherwise.
    [[nodiscard]] ThvScene* GetScene() const { return m_scene; }
    void SetScene(ThvScene* value) { m_scene = value; }
    /// The owner of a window canvas hears of every frame the canvas presents; an empty handler
    /// (the default) lets them go unseen.
    void SetOnFramePresented(ThvFrameHandler handler) { m_onFramePresented = std::move(handler); }
    /// A window canvas of a transparent scene keeps a back buffer; a bitmap canvas renders
    /// into its bitmap. The scene rewrites it before each ResizeBuffer.
    [[nodiscard]] bool GetBuffered() const { return m_buffered; }
    void SetBuffered(bool value) { m_buffered = value; }
    [[nodiscard]] ThvQuality GetQuality() const { return m_quality; }

    /// The back buffer: max(Width, 1) x max(Height, 1) ARGB pixels in top-down rows; null
    /// when the canvas has none.
    [[nodiscard]] uint32_t* GetBackBufferBits()
    {
        return m_backBuffer.empty() ? nullptr : m_backBuffer.data();
    }
    [[nodiscard]] bool HasBackBuffer() const { return !m_backBuffer.empty(); }

    /// True while the preset is applied in the current frame.
    [[nodiscard]] bool GetStateOn(ThvRenderState state) const { return m_stateOn[state]; }

    /// The camera last given to SetCamera.
    [[nodiscard]] ThvCamera* GetCamera() const { return m_camera; }
    /// The view of that camera, and its inverse (camera space to world space).
    [[nodiscard]] const ThvMatrix& GetViewMatrix() const { return m_viewMatrix; }
    [[nodiscard]] const ThvMatrix& GetCameraMatrix() const { return m_cameraMatrix; }
    /// Sets the view and its inverse as they are (a screenshot takes the scene canvas's view).
    void SetViewMatrices(const ThvMatrix& view, const ThvMatrix& cameraMatrix);
    /// The world matrix last given to SetMatrix.
    [[nodiscard]] const ThvMatrix& GetWorldMatrix() const { return m_worldMatrix; }
    /// The lights of the current frame.
    [[nodiscard]] std::span<ThvLight* const> Lights() const { return m_lights; }
    /// Applied after the camera projection; the identity except while a tiled screenshot
    /// renders a tile.
    [[nodiscard]] const ThvMatrix& GetZoomMatrix() const { return m_zoomMatrix; }
    void SetZoomMatrix(const ThvMatrix& value) { m_zoomMatrix = value; }

    // ---- operations of every canvas ------------------------------------------------------
    /// Start of a frame: no preset applied, identity view and world, no lights, and the
    /// material's colours and texture name cleared without notification.
    void ResetScene();
    /// Copies `material` into Material (one MaterialChanged).
    void SetMaterial(const ThvMaterial& material);
    /// As SetMaterial, with the diffuse alpha scaled by `opacity` (when below 1) for this
    /// copy only; `material` is left as it was and hears nothing.
    void SetMaterialWithOpacity(ThvMaterial& material, float opacity);
    /// The ray through the pixel (x, y): from the eye through the pixel into the scene.
    void Pick(ThvProjection projection, float x, float y, ThvVector& rayPos, ThvVector& rayDir);
    /// The pixel position of a world point; in camera projection Z is the view-space depth
    /// (negative in front of the camera).
    void WorldToScreen(ThvProjection projection, const ThvPoint& p, ThvPoint& r);
    /// An extruded rectangle: the closed outline of `r` extruded by `depth`.
    void FillRect(const TwzRect& r, float depth, float opacity);
    /// Computes the view from a camera's absolute matrix (rows: right, viewing direction, up,
    /// position), towards `targetPosition` when given, else along the viewing direction.
    void SetCameraView(const ThvMatrix& cameraAbsolute, const ThvVector* targetPosition);

    // The back end's handle of each bitmap, created on first use.
    void AddBitmapHandle(ThvBitmap* bitmap, ThvBitmapHandlePtr handle);
    void SetBitmapHandle(ThvBitmap* bitmap, ThvBitmapHandlePtr handle);
    void RemoveBitmapHandle(ThvBitmap* bitmap);
    /// Null when the canvas holds none for `bitmap`.
    [[nodiscard]] ThvBitmapHandle* GetBitmapHandle(ThvBitmap* bitmap) const;
    [[nodiscard]] std::span<ThvBitmap* const> Bitmaps() const { return m_bitmaps; }

    // ---- the operations a back end implements or extends ---------------------------------
    /// Called whenever Material changes; the base does nothing.
    virtual void MaterialChanged(rtl::TObject* sender);
    /// Builds the device state of one preset.
    virtual void RecordState(ThvRenderState state) = 0;
    /// Makes one preset current on the device.
    virtual void ApplyState(ThvRenderState state) = 0;
    /// The camera projection: perspective, a quarter turn of view, aspect Width / Height,
    /// planes 1 and 1000, times ZoomMatrix unless that is the identity.
    [[nodiscard]] virtual ThvMatrix GetProjectionMatrix();
    /// A slightly perspective view in which the plane z = 0 is the canvas in pixels, origin
    /// top left, Y down, Z away from the viewer.
    [[nodiscard]] virtual ThvMatrix GetScreenMatrix();
    /// Joins the bitmap's texture canvases (so the bitmap can make it drop the texture); a
    /// bitmap of no area only has NeedUpdate cleared.
    virtual void UpdateBitmapHandle(ThvBitmap* bitmap);
    /// Drops the device texture of `bitmap` and leaves its texture canvases.
    virtual void DestroyBitmapHandle(ThvBitmap* bitmap) = 0;
    virtual void SetQuality(ThvQuality value);
    /// Starts a frame; false skips it (no device, or the device is lost). The base has none.
    virtual bool BeginScene();
    virtual void EndScene();
    /// A bitmap canvas reads each frame back into its bitmap at EndScene. While it holds its
    /// frames, EndScene only sends the frame on its way and returns, and the bitmap receives
    /// the oldest frame held at TakeFrame: the device finishes one frame while the caller
    /// draws the next. A canvas holds at most two frames; beginning a third hands the oldest to
    /// the bitmap first. Ending the holding drops the frames still held. The base holds none.
    virtual void SetHoldFrames(bool hold);
    /// Moves the oldest frame held into the bitmap; false when none is held.
    virtual bool TakeFrame();
    /// Moves the oldest frame held into `bits` (`width` x `height`, rows packed) instead of the
    /// bitmap, saving the caller a copy of it; false, leaving the frame held, when none is held
    /// or the frame is of another size. The base holds none.
    virtual bool TakeFrameInto(uint32_t* bits, int32_t width, int32_t height);
    virtual void FreeBuffer();
    /// A new size (at least 1 x 1); a buffered canvas rebuilds its back buffer. A back buffer
    /// beyond 256 Mi pixels (or beyond the memory) raises rtl::GraphicsError and leaves the
    /// canvas at 0 x 0 without one. Back ends rebuild their device objects even for the same
    /// size.
    virtual void ResizeBuffer(int32_t width, int32_t height);
    virtual void Clear(uint32_t color) = 0;
    /// Fills the frame from Width x Height ARGB pixels.
    virtual void ClearFromBits(const uint32_t* bits) = 0;
    /// Copies the rendered frame into Width x Height ARGB pixels.
    virtual void CopyBits(uint32_t* bits) = 0;
    virtual void SetMatrix(const ThvMatrix& matrix);
    /// Sets Camera and the view of it: from the camera's absolute position towards its
    /// target when it has one, else along its own Y axis, with its Z axis up. Null gives the
    /// identity view.
    virtual void SetCamera(ThvCamera* camera);
    virtual void AddLight(ThvLight* light);
    /// Applies the preset unless it is applied already in this frame, switching off the
    /// others of its group.
    virtual void SetState(ThvRenderState state);

    // Drawing, with the current material, presets and world matrix. Center and Size place a
    // unit object (a vertex v is drawn at Center + Size x v); the canvas colours its own
    // vertices with the material's diffuse colour, its alpha times `opacity`.
    virtual void DrawLine(const ThvVector& p1, const ThvVector& p2, float opacity) = 0;
    /// Lines between ends[0] and ends[1], ends[2] and ends[3], ... in as few draw calls as the
    /// back end can (an odd last end is left out); by default one DrawLine each.
    virtual void DrawLines(std::span<const ThvVector> ends, float opacity);
    virtual void DrawNothing(const ThvVector& p1, const ThvVector& p2, float opacity) = 0;
    /// The edges of a box.
    virtual void DrawCube(const ThvVector& center, const ThvVector& size, float opacity) = 0;
    virtual void FillCube(const ThvVector& center, const ThvVector& size, float opacity) = 0;
    virtual void FillMesh(
        const ThvVector& center, const ThvVector& size, const ThvMeshData& mesh, float opacity)
        = 0;
    /// Vertex colours are taken as they are.
    virtual void FillTriangles(
        std::span<const ThvColorVertex> vertices, std::span<const uint16_t> indices, float opacity)
        = 0;
    /// Extrudes a flattened outline lying in `rect` along Z; front, back and side faces as
    /// asked.
    virtual void FillPolygon(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
        const TwzPolygon& points, float opacity, bool front, bool back, bool left)
        = 0;
    /// FillPolygon of an outline its owner keeps unchanged under `stamp`; the base draws it as
    /// FillPolygon does.
    virtual void FillKeptPolygon(ThvOutlineStamp stamp, const ThvVector& center, const ThvVector& size,
        const TwzRect& rect, const TwzPolygon& points, float opacity, bool front, bool back, bool left);
    virtual void FillText(const std::u16string& text, float x, float y, float opacity) = 0;
    virtual void MeasureText(const std::u16string& text, ThvPoint& size) = 0;

protected:
    /// A window canvas; a buffered one builds its back buffer and raises
    /// rtl::GraphicsError("Can't allocate the DIB handle") when it cannot.
    ThvCanvas(scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality);
    /// A bitmap canvas rendering into `bitmap` (not owned), of its size.
    explicit ThvCanvas(ThvBitmap* bitmap);
    ~ThvCanvas() override;

    /// Drops every texture (last first), frees the back buffer, and leaves every bitmap's
    /// texture canvases, so no bitmap is left pointing at this canvas.
    void BeforeDestruction() override;
    /// Assigning a canvas to another object is refused with the standard error.
    void AssignTo(rtl::TPersistent& dest) const override;

    /// Builds the back buffer of max(Width, 1) x max(Height, 1) pixels.
    void CreateBackBuffer();
    /// Frees the back buffer only; unlike FreeBuffer, no back end hears of it, so a resize
    /// keeps the device.
    void ReleaseBackBuffer();
    /// Hands a frame the back end has presented to the owner's handler.
    void DeliverFrame(int32_t width, int32_t height, const uint32_t* pixels);

    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_buffered = false;
    ThvQuality m_quality = hvLowQuality;

private:
    friend class ThvBitmap; // keeps m_listedIn in step with its texture canvases

    void InitCommon();

    bool m_lighting = false;
    uint32_t m_ambientColor = 0;
    std::unique_ptr<ThvMaterial> m_material;
    std::unique_ptr<ThvFont> m_font;
    ThvBitmap* m_bitmap = nullptr; // not owned
    scene3d::WindowHandle m_handle = nullptr;
    ThvScene* m_scene = nullptr; // not owned
    ThvFrameHandler m_onFramePresented;
    std::vector<ThvBitmap*> m_bitmaps; // not owned; m_textures[i] is made of m_bitmaps[i]
    std::vector<ThvBitmapHandlePtr> m_textures;
    // Bitmaps whose texture canvases list this canvas, with or without a texture made; they
    // are told when the canvas goes, so none keeps a pointer to it.
    std::vector<ThvBitmap*> m_listedIn;
    std::vector<uint32_t> m_backBuffer;
    std::array<bool, kRenderStateCount> m_stateOn {};
    ThvCamera* m_camera = nullptr; // not owned
    ThvMatrix m_viewMatrix = hvIdentityMatrix;
    ThvMatrix m_cameraMatrix = hvIdentityMatrix;
    ThvMatrix m_worldMatrix = hvIdentityMatrix;
    std::vector<ThvLight*> m_lights; // not owned
    ThvMatrix m_zoomMatrix = hvIdentityMatrix;
};

/// A canvas class: how to make a window or a bitmap canvas without naming the back end.
struct ThvCanvasClass {
    const rtl::TClassInfo& (*classInfo)();
    ThvCanvas* (*createFromWindow)(
        scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality);
    ThvCanvas* (*createFromBitmap)(ThvBitmap* bitmap);

    /// New canvases, owned by the caller.
    [[nodiscard]] rtl::TOwned<ThvCanvas> CreateFromWindow(
        scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality) const
    {
        return rtl::TOwned<ThvCanvas>(createFromWindow(handle, width, height, buffered, quality));
    }
    [[nodiscard]] rtl::TOwned<ThvCanvas> CreateFromBitmap(ThvBitmap* bitmap) const
    {
        return rtl::TOwned<ThvCanvas>(createFromBitmap(bitmap));
    }
};

/// The class of a back end T with the two constructors of ThvCanvas, public.
template <class T>
inline constexpr ThvCanvasClass kCanvasClassOf {
    &T::StaticClass,
    [](scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered,
        ThvQuality quality) -> ThvCanvas* { return new T(handle, width, height, buffered, quality); },
    [](ThvBitmap* bitmap) -> ThvCanvas* { return new T(bitmap); },
};

/// The canvas class scenes and bitmaps create; null until the 3D back end's start-up sets it.
inline const ThvCanvasClass* hvDefaultCanvasClass = nullptr;

/// The largest texture edge in pixels: 2048 until the 3D back end's start-up stores what the
/// device allows. Bounds single-tile screenshots and the application's face textures.
inline int32_t hvMaxTextureWidth = 2048;
