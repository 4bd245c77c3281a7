#pragma once

#include "graphics/TwzCanvas.h"
#include "platform/raster/Brush.h"
#include "platform/raster/FontFamily.h"
#include "platform/raster/Graphics.h"
#include "platform/raster/Pen.h"

#include <memory>
#include <optional>

namespace platform::raster {
class Path;
class Surface;
} // namespace platform::raster

/// The canvas of every 2D scene, object layer, bitmap and text layout: TwzCanvas over the
/// drawing layer of platform/raster. It draws into its own back buffer, straight into a
/// TwzBitmap's pixels, or into a graphics the window layer hands over. Every fill and
/// stroke builds its brush and pen anew from Fill, Stroke and the pen settings. Arguments
/// the drawing layer cannot take (singular matrices, bad dashes, empty or non-finite
/// shapes) draw nothing and leave the canvas usable. GUI thread only.
class TwzCanvasGdiPlus : public TwzCanvas {
    RTL_CLASS(TwzCanvasGdiPlus, TwzCanvas)
public:
    /// A back-buffered canvas (each side at least 1). Raises rtl::GraphicsError when the
    /// buffer cannot be made.
    TwzCanvasGdiPlus(int32_t width, int32_t height);
    /// Draws straight into the bitmap's pixels; must not outlive the bitmap.
    explicit TwzCanvasGdiPlus(TwzBitmap* bitmap);
    /// Draws through `target`, a graphics the window layer made for a toolkit paint; the
    /// canvas must not outlive that paint.
    TwzCanvasGdiPlus(platform::raster::Graphics target, int32_t width, int32_t height);
    ~TwzCanvasGdiPlus() override;

    /// Address of row Y of the bitmap's pixels; null outside the rows or without pixels.
    [[nodiscard]] static uint32_t* GetBitmapScanline(const TwzBitmap* bitmap, int32_t y);
    /// Makes the bitmap's cached handle a surface over its current pixels and returns it
    /// (null for no bitmap or one without pixels).
    static platform::raster::Surface* GetGpBitmap(TwzBitmap* bitmap);
    /// Releases the bitmap's cached surface; the bitmap calls it before its pixels are
    /// reallocated or freed.
    static void FreeGpBitmap(TwzBitmap* bitmap);

    void FontChanged(rtl::TObject* sender) override;
    void FreeBackBuffer() override;
    void ResizeBackBuffer(int32_t width, int32_t height) override;
    void SetMatrix(const TwzMatrix& m) override;
    void MultiplyMatrix(const TwzMatrix& m) override;
    int32_t SaveState() override;
    void RestoreState(int32_t index) override;
    void SetClipRects(std::span<const TwzRect> rects) override;
    void IntersectClipRect(const TwzRect& rect) override;
    void ExcludeClipRect(const TwzRect& rect) override;
    void ResetClipRect() override;
    void DrawLine(const TwzPoint& p1, const TwzPoint& p2, float opacity) override;
    void FillRect(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, float opacity,
        TwzCornerType cornerType = wzCornerRound) override;
    void DrawRect(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, float opacity,
        TwzCornerType cornerType = wzCornerRound) override;
    void FillEllipse(const TwzRect& r, float opacity) override;
    void DrawEllipse(const TwzRect& r, float opacity) override;
    bool PtInPath(const TwzPoint& p, const TwzRect& r, const TwzPathData& path) override;
    void FillPath(const TwzPathData& path, const TwzRect& r, float opacity) override;
    void DrawPath(const TwzPathData& path, const TwzRect& r, float opacity) override;
    void DrawBitmap(TwzBitmap* bitmap, const TwzRect& srcRect, const TwzRect& dstRect, float opacity,
        bool highSpeed = false) override;
    void DrawThumbnail(TwzBitmap* bitmap, float width, float height) override;
    void FillText(const TwzRect& r, const TwzRect& clipRect, std::u16string_view text, bool wordWrap,
        float opacity, TwzTextAlign horzAlign = wzTextAlignCenter,
        TwzTextAlign vertAlign = wzTextAlignCenter) override;
    void MeasureText(TwzRect& r, const TwzRect& clipRect, std::u16string_view text, bool wordWrap,
        TwzTextAlign horzAlign = wzTextAlignCenter, TwzTextAlign vertAlign = wzTextAlignCenter) override;
    bool TextToPath(TwzPathData& path, const TwzRect& r, std::u16string_view text, bool wordWrap,
        TwzTextAlign horzAlign = wzTextAlignCenter, TwzTextAlign vertAlign = wzTextAlignCenter) override;
    void SetTextRendering(TwzTextRendering value) override;

    /// The drawing context (null when none could be made); for code that draws through the
    /// drawing layer directly.
    [[nodiscard]] platform::raster::Graphics* GetGraphics();
    /// The brush the last fill built (null: it painted nothing).
    [[nodiscard]] const platform::raster::Brush* GetFillBrush() const
    {
        return m_fillBrush ? &*m_fillBrush : nullptr;
    }
    /// The pen the last stroke built (null: it drew nothing).
    [[nodiscard]] const platform::raster::Pen* GetPen() const { return m_pen ? &*m_pen : nullptr; }
    /// The family the text operations use.
    [[nodiscard]] const platform::raster::FontFamily& GetFontFamily() const { return m_fontFamily; }

    /// Builds the fill brush from Fill for shapes laid out over `r`.
    void ApplyFill(const TwzRect& r, float opacity);
    /// Builds the pen from Stroke and the pen settings for shapes laid out over `r`.
    void ApplyStroke(const TwzRect& r, float opacity);
    /// Fills `r` with Fill (the visual brush included).
    void FillGpRect(const TwzRect& r, float opacity);
    /// Fills `path` with Fill laid out over `r`.
    void FillGpPath(const platform::raster::Path& path, const TwzRect& r, float opacity);
    /// Builds the pen for shapes laid out over `r` and gives the graphics to stroke on; null
    /// when there is nothing to stroke with (no stroke, no graphics, no pen).
    [[nodiscard]] platform::raster::Graphics* PrepareStroke(const TwzRect& r, float opacity);

private:
    void InitDrawingObjects();
    /// Makes a graphics on the back buffer with the back buffer's modes.
    void CreateBufferGraphics();
    /// A bitmap canvas whose bitmap's pixels moved (resized since) binds to the new ones.
    void BindBitmapPixels();
    [[nodiscard]] bool ApplyWorldTransform(const TwzMatrix& m);
    /// The visual brush: the linked visual object painted into `r` through the current clip
    /// narrowed by `clip`.
    template <class Clip> void PaintVisual(const TwzRect& r, float opacity, Clip&& clip);
    /// Fills a shape laid out over `r` with Fill: `fill` paints with the built brush, and
    /// `clip` narrows the clip to the shape for the visual brush.
    template <class Clip, class Fill>
    void FillShape(const TwzRect& r, float opacity, Clip&& clip, Fill&& fill);

    std::optional<platform::raster::Graphics> m_graphics;
    std::optional<platform::raster::Pen> m_pen;
    std::optional<platform::raster::Brush> m_strokeBrush;
    std::optional<platform::raster::Brush> m_fillBrush;
    platform::raster::FontFamily m_fontFamily;
    // A bitmap canvas: a surface over the bitmap's pixels as they were when bound.
    std::unique_ptr<platform::raster::Surface> m_bitmapSurface;
    const uint32_t* m_boundBits = nullptr;
    int m_visualNesting = 0;
};

/// The class reference of TwzCanvasGdiPlus, for DefaultCanvasClass.
extern const TwzCanvasClass TwzCanvasGdiPlusClass;

/// The last step of the 2D library's start-up: prepares the drawing layer and lets every
/// TwzBitmap make its own canvas of DefaultCanvasClass. Calling it again does nothing more.
void StartGdiPlus();
/// The first step of the 2D library's shut-down.
void StopGdiPlus();
