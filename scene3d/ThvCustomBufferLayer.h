#pragma once

#include "scene3d/ResourceList.h"
#include "scene3d/ThvCustomLayer.h"

#include <cstdint>
#include <memory>
#include <string>

// A layer that shows an off-screen bitmap, its buffer, as the texture of a single quad. The
// buffer's pixel size follows the plate: Resolution pixels per scene unit of Width and Depth
// in camera projection, one pixel per unit of Width and Height in screen projection, where
// each buffer pixel lands on one screen pixel. Mouse points come in buffer pixels.
//
// The buffer is a named bitmap resource under the layer's component name, so a material whose
// Bitmap names the layer shows what the layer shows.
class ThvCustomBufferLayer : public ThvCustomLayer, public scene3d::IBitmapResource {
    RTL_CLASS(ThvCustomBufferLayer, ThvCustomLayer)
public:
    /// Resolution 60, white modulation, 4 x 1 x 3, and a 240 x 180 buffer.
    explicit ThvCustomBufferLayer(rtl::TComponent* owner);

    /// Buffer pixels per scene unit in camera projection.
    [[nodiscard]] int32_t GetResolution() const { return m_resolution; }
    /// When it differs: stored; in camera projection the buffer size follows; a repaint.
    void SetResolution(int32_t value);
    /// The colour the buffer's pixels are multiplied with, as "#AARRGGBB".
    [[nodiscard]] std::string GetModulationColor() const;
    /// Reads any text hvStrToColor reads; a different colour is stored and repainted.
    void SetModulationColor(const std::string& value);
    [[nodiscard]] uint32_t GetModulationColorValue() const { return m_modulationColor; }

    /// Raised before each drawing of the plate, while the buffer can still be drawn into.
    rtl::TNotifyEvent OnUpdateBuffer;

    /// The pixel size the buffer must have; it takes it at the next BeforePaint.
    [[nodiscard]] int32_t GetBufferWidth() const { return m_bufferWidth; }
    [[nodiscard]] int32_t GetBufferHeight() const { return m_bufferHeight; }
    /// The buffer, drawn into with Map/Unmap or its canvas.
    [[nodiscard]] virtual ThvBitmap* GetBuffer() const;
    /// The quads the plate is drawn with: the camera quad in the local X-Z plane facing -Y,
    /// the screen quad in the local X-Y plane.
    [[nodiscard]] const ThvMeshData& GetCameraQuad() const { return *m_cameraQuad; }
    [[nodiscard]] const ThvMeshData& GetScreenQuad() const { return *m_screenQuad; }

    /// Renames the layer's resource entry with the component.
    void SetName(const std::string& value) override;
    void SetHeight(float value) override;
    void SetWidth(float value) override;
    void SetDepth(float value) override;

    /// As the plain layer's, in buffer pixels; they follow the quad, not the whole box.
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    /// Gives the buffer its pixel size (clearing it when that changes), then the inherited step.
    void BeforePaint() override;
    /// Raises OnUpdateBuffer, then draws the quad textured with the buffer, unlit, in the
    /// modulation colour times the absolute opacity.
    void Render() override;
    /// Through the face the plate's box test finds, the quad's triangles; while the layer holds
    /// the mouse, the enlarged box as for the plain layer.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

    [[nodiscard]] ThvBitmap* ResourceBitmap() override { return GetBuffer(); }

protected:
    ~ThvCustomBufferLayer() override;
    /// Leaves the resource list before the object's own steps.
    void BeforeDestruction() override;

private:
    /// Pixels for a plate extent: rounded half to even, kept within the texture sizes a
    /// buffer may take.
    [[nodiscard]] static int32_t PixelExtent(double value);
    void BuildQuads();

    std::unique_ptr<ThvBitmap> m_buffer;
    std::unique_ptr<ThvMeshData> m_cameraQuad;
    std::unique_ptr<ThvMeshData> m_screenQuad;
    uint32_t m_modulationColor = 0xFFFFFFFF;
    int32_t m_resolution = 0;
    int32_t m_bufferWidth = 0;
    int32_t m_bufferHeight = 0;
};

// A buffer layer whose content the user paints in OnUpdateBuffer.
class ThvBufferLayer : public ThvCustomBufferLayer {
    RTL_CLASS(ThvBufferLayer, ThvCustomBufferLayer)
public:
    explicit ThvBufferLayer(rtl::TComponent* owner);

protected:
    ~ThvBufferLayer() override = default;
};
