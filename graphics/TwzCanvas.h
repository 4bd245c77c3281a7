#pragma once

#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "graphics/TwzCorners.h"
#include "graphics/TwzSurface.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

// The drawing interface of the 2D library. Every 2D object, control, style and layer paints
// through a TwzCanvas; the extruded text lays its text out and turns it into outlines
// through one; a TwzBitmap draws into its pixels through one. The class keeps the drawing
// state all implementations share and the optional back buffer; the drawing itself is done
// by the implementation that DefaultCanvasClass names (TwzCanvasGdiPlus).

class TwzBitmap;
class TwzBrush;
class TwzFont;
class TwzPathData;

enum TwzStrokeCap : int32_t { wzCapFlat, wzCapRound };
RTL_ENUM(TwzStrokeCap, "wzCapFlat", "wzCapRound");

enum TwzStrokeJoin : int32_t { wzJoinMiter, wzJoinRound, wzJoinBevel };
RTL_ENUM(TwzStrokeJoin, "wzJoinMiter", "wzJoinRound", "wzJoinBevel");

enum TwzStrokeDash : int32_t {
    wzDashSolid,
    wzDashDash,
    wzDashDot,
    wzDashDashDot,
    wzDashDashDotDot,
    wzDashCustom, ///< the pattern in Dash is the caller's own
};
RTL_ENUM(TwzStrokeDash, "wzDashSolid", "wzDashDash", "wzDashDot", "wzDashDashDot", "wzDashDashDotDot",
    "wzDashCustom");

enum TwzTextRendering : int32_t { wzAntiAlias, wzLowQuality, wzClearType };
RTL_ENUM(TwzTextRendering, "wzAntiAlias", "wzLowQuality", "wzClearType");

/// Near is left (top), Far is right (bottom).
enum TwzTextAlign : int32_t { wzTextAlignCenter, wzTextAlignNear, wzTextAlignFar };
RTL_ENUM(TwzTextAlign, "wzTextAlignCenter", "wzTextAlignNear", "wzTextAlignFar");

enum TwzSide : uint8_t { wzSideTop, wzSideLeft, wzSideBottom, wzSideRight };
RTL_ENUM(TwzSide, "wzSideTop", "wzSideLeft", "wzSideBottom", "wzSideRight");
using TwzSides = rtl::TSet<TwzSide>;
RTL_SET(TwzSides);
inline constexpr TwzSides AllSides { wzSideTop, wzSideLeft, wzSideBottom, wzSideRight };

/// One saved drawing state (TwzCanvas::SaveState). StateId is the implementation's handle,
/// -1 for a free entry.
struct TwzSaveData {
    TwzSaveData();
    TwzSaveData(TwzSaveData&&) noexcept;
    TwzSaveData& operator=(TwzSaveData&&) noexcept;
    ~TwzSaveData();

    int32_t StateId = -1;
    TwzMatrix Matrix;
    std::unique_ptr<TwzBrush> Fill;
    std::unique_ptr<TwzBrush> Stroke;
    float StrokeThickness = 0;
    TwzStrokeCap StrokeCap = wzCapFlat;
    TwzStrokeJoin StrokeJoin = wzJoinMiter;
    TwzStrokeDash StrokeDash = wzDashSolid;
    std::vector<float> Dash;
    float DashOffset = 0;
    std::unique_ptr<TwzFont> Font;
};
using TwzSaveDataArray = std::vector<TwzSaveData>;

class TwzCanvas : public rtl::TPersistent {
    RTL_CLASS(TwzCanvas, rtl::TPersistent)
public:
    ~TwzCanvas() override;

    // ---- drawing state --------------------------------------------------------------------
    [[nodiscard]] int32_t GetWidth() const { return m_width; }
    [[nodiscard]] int32_t GetHeight() const { return m_height; }
    /// The world transform last set with SetMatrix; all zero until an owner sets one.
    [[nodiscard]] const TwzMatrix& GetMatrix() const { return m_matrix; }
    /// Used by every Fill operation and the text operations; solid white at first.
    [[nodiscard]] TwzBrush& GetFill() const { return *m_fill; }
    /// Used by every Draw operation; solid black at first.
    [[nodiscard]] TwzBrush& GetStroke() const { return *m_stroke; }
    [[nodiscard]] float GetStrokeThickness() const { return m_strokeThickness; }
    void SetStrokeThickness(float value) { m_strokeThickness = value; }
    [[nodiscard]] TwzStrokeCap GetStrokeCap() const { return m_strokeCap; }
    void SetStrokeCap(TwzStrokeCap value) { m_strokeCap = value; }
    [[nodiscard]] TwzStrokeJoin GetStrokeJoin() const { return m_strokeJoin; }
    void SetStrokeJoin(TwzStrokeJoin value) { m_strokeJoin = value; }
    [[nodiscard]] TwzStrokeDash GetStrokeDash() const { return m_strokeDash; }
    /// Sets the preset pattern of `value` (dash 3 gap 1, dot 1 gap 1, ...) and a zero offset;
    /// wzDashCustom keeps the pattern and offset; the current style again changes nothing.
    void SetStrokeDash(TwzStrokeDash value);
    /// Dash, gap, dash, ... in units of the pen width; empty for solid lines. Whether a line
    /// is dashed is decided by this pattern alone, so callers may fill it after wzDashCustom.
    [[nodiscard]] std::vector<float>& Dash() { return m_dash; }
    [[nodiscard]] const std::vector<float>& Dash() const { return m_dash; }
    /// Where lines start in the pattern, in pen widths.
    [[nodiscard]] float GetDashOffset() const { return m_dashOffset; }
    void SetDashOffset(float value) { m_dashOffset = value; }
    [[nodiscard]] TwzFont& GetFont() const { return *m_font; }
    [[nodiscard]] TwzTextRendering GetTextRendering() const { return m_textRendering; }
    /// The bitmap a canvas made from a bitmap draws into (not owned); null otherwise.
    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap; }
    [[nodiscard]] const TwzSaveDataArray& SaveStates() const { return m_saveStates; }

    // ---- back buffer ----------------------------------------------------------------------
    /// True for a canvas that owns a back buffer.
    [[nodiscard]] bool IsBuffered() const { return m_buffered; }
    /// The back buffer: Width x Height premultiplied ARGB pixels in top-down rows (row Y at
    /// BufferBits + Y x Width). Null when there is none. Flush the surface before reading.
    [[nodiscard]] uint32_t* GetBufferBits() const { return m_bufferBits; }
    /// The back buffer as a surface (for the window layer to present); null when there is none.
    [[nodiscard]] TwzSurface* GetBufferSurface() const { return m_buffer.get(); }
    /// Finishes the drawing still on its way into the back buffer, so that its pixels may be
    /// read; nothing without a buffer.
    void Flush() const;

    // ---- operations (the virtual ones in the order every implementation follows) ----------
    virtual void FontChanged(rtl::TObject* sender);
    /// Starts a paint pass; false when the canvas cannot paint now (callers skip painting).
    virtual bool BeginScene();
    virtual void EndScene();
    /// Copies the whole back buffer into `target` at (x, y); nothing without a buffer.
    virtual void BlitToDC(int32_t x, int32_t y, TwzSurface& target);
    /// Copies the whole pixels covering `rect` (one more column and row than its truncated
    /// edges) into `target`, moved by (x, y); nothing without a buffer.
    virtual void BlitRectToDC(int32_t x, int32_t y, TwzSurface& target, const TwzRect& rect);
    virtual void FreeBackBuffer();
    /// Rebuilds the back buffer at the new size (each side at least 1) unless the size is
    /// the current one; the new pixels are not cleared. Raises rtl::GraphicsError ("Can't
    /// allocate the DIB handle") when the buffer cannot be made; the canvas then has none.
    virtual void ResizeBackBuffer(int32_t width, int32_t height);
    virtual void SetMatrix(const TwzMatrix& m);
    /// Applies `m` before the current world transform; Matrix keeps its value.
    virtual void MultiplyMatrix(const TwzMatrix& m);
    /// Saves matrix, clip, brushes, pen and font; returns the state's index (-1: nothing
    /// saved). States may be restored in any order.
    virtual int32_t SaveState() = 0;
    virtual void RestoreState(int32_t index) = 0;
    /// The clip becomes the union of the rectangles (in world coordinates); none hides
    /// everything until ResetClipRect.
    virtual void SetClipRects(std::span<const TwzRect> rects) = 0;
    virtual void IntersectClipRect(const TwzRect& rect) = 0;
    virtual void ExcludeClipRect(const TwzRect& rect) = 0;
    virtual void ResetClipRect() = 0;
    virtual void DrawLine(const TwzPoint& p1, const TwzPoint& p2, float opacity) = 0;
    virtual void FillRect(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, float opacity,
        TwzCornerType cornerType = wzCornerRound)
        = 0;
    virtual void DrawRect(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, float opacity,
        TwzCornerType cornerType = wzCornerRound)
        = 0;
    virtual void FillEllipse(const TwzRect& r, float opacity) = 0;
    virtual void DrawEllipse(const TwzRect& r, float opacity) = 0;
    /// Whether `p` lies inside the path stretched from its bounds onto `r` (even-odd rule,
    /// no world transform).
    virtual bool PtInPath(const TwzPoint& p, const TwzRect& r, const TwzPathData& path) = 0;
    /// The path stretched from its own bounds onto `r`: passing its bounds draws it in place.
    virtual void FillPath(const TwzPathData& path, const TwzRect& r, float opacity) = 0;
    virtual void DrawPath(const TwzPathData& path, const TwzRect& r, float opacity) = 0;
    virtual void DrawBitmap(TwzBitmap* bitmap, const TwzRect& srcRect, const TwzRect& dstRect, float opacity,
        bool highSpeed = false)
        = 0;
    virtual void DrawThumbnail(TwzBitmap* bitmap, float width, float height) = 0;
    /// Closes figures at the marker point (65535, 65535) and at the last point.
    virtual void FillPolygon(const TwzPolygon& points, float opacity);
    /// Closes figures only at the marker points.
    virtual void DrawPolygon(const TwzPolygon& points, float opacity);
    virtual void FillText(const TwzRect& r, const TwzRect& clipRect, std::u16string_view text, bool wordWrap,
        float opacity, TwzTextAlign horzAlign = wzTextAlignCenter, TwzTextAlign vertAlign = wzTextAlignCenter)
        = 0;
    /// Replaces `r` by the box the laid-out text occupies (trailing spaces included).
    /// Without wrapping the text lies on one line starting at, centred on or ending at
    /// r.Left.
    virtual void MeasureText(TwzRect& r, const TwzRect& clipRect, std::u16string_view text, bool wordWrap,
        TwzTextAlign horzAlign = wzTextAlignCenter, TwzTextAlign vertAlign = wzTextAlignCenter)
        = 0;
    /// Replaces the elements of `path` by the outlines of the text laid out in `r`, with an
    /// em height of the font's size in the units of `r`; outer contours run clockwise on
    /// screen, holes the other way. False, path untouched, for an empty text.
    virtual bool TextToPath(TwzPathData& path, const TwzRect& r, std::u16string_view text, bool wordWrap,
        TwzTextAlign horzAlign = wzTextAlignCenter, TwzTextAlign vertAlign = wzTextAlignCenter)
        = 0;
    virtual void SetTextRendering(TwzTextRendering value) = 0;

    /// Width of the text laid out on one line.
    [[nodiscard]] float TextWidth(std::u16string_view text);
    /// Angles in degrees, clockwise on screen; Radius holds the X and Y radius.
    void FillArc(
        const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle, float opacity);
    void DrawArc(
        const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle, float opacity);
    /// Strokes only the chosen sides of the shaped rectangle; shaped corners are always drawn.
    void DrawRectSides(const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, float opacity,
        TwzSides sides, TwzCornerType cornerType = wzCornerRound);
    /// Writes `color` unchanged (not blended, not premultiplied) into the back buffer's
    /// pixels under the rectangle, clamped to the buffer; ignores clip and transform.
    void ClearRect(const TwzRect& rect, TwzColor color);
    /// Copies the Width x Height back-buffer pixels into `dest`; nothing without a buffer.
    void CopyBits(uint32_t* dest) const;

protected:
    /// What a canvas draws on, chosen by the implementation's constructor.
    enum class Target : uint8_t { BackBuffer, Bitmap, External };

    /// Creates the brushes and the font and binds the font's change event. A back-buffered
    /// implementation builds its buffer with ResizeBackBuffer in its own constructor.
    TwzCanvas(Target target, int32_t width, int32_t height, TwzBitmap* bitmap);

    /// Copies the canvas into a TwzBitmap (resized to the canvas); other targets raise the
    /// assignment error.
    void AssignTo(rtl::TPersistent& dest) const override;

    /// Builds the buffer of the current size (no size check); raises like ResizeBackBuffer.
    void CreateBackBuffer();

    int32_t m_width = 0;
    int32_t m_height = 0;
    TwzMatrix m_matrix {};
    std::unique_ptr<TwzBrush> m_fill;
    std::unique_ptr<TwzBrush> m_stroke;
    float m_strokeThickness = 0;
    TwzStrokeCap m_strokeCap = wzCapFlat;
    TwzStrokeJoin m_strokeJoin = wzJoinMiter;
    TwzStrokeDash m_strokeDash = wzDashSolid;
    std::vector<float> m_dash;
    float m_dashOffset = 0;
    std::unique_ptr<TwzFont> m_font;
    TwzBitmap* m_bitmap = nullptr; // not owned
    TwzSaveDataArray m_saveStates;
    TwzTextRendering m_textRendering = wzAntiAlias;
    bool m_buffered = false;
    std::unique_ptr<TwzSurface> m_buffer;
    uint32_t* m_bufferBits = nullptr;
};

/// A canvas class as a value: its virtual constructors and its class operation.
/// DefaultCanvasClass holds one.
struct TwzCanvasClass {
    const rtl::TClassInfo& (*classInfo)() = nullptr;
    std::unique_ptr<TwzCanvas> (*create)(int32_t width, int32_t height) = nullptr;
    std::unique_ptr<TwzCanvas> (*createFromBitmap)(TwzBitmap* bitmap) = nullptr;
    uint32_t* (*getBitmapScanline)(const TwzBitmap* bitmap, int32_t y) = nullptr;

    /// A back-buffered canvas of that pixel size (each side at least 1). Raises
    /// rtl::GraphicsError when the buffer cannot be made, rtl::AbstractError for a class
    /// without this constructor.
    [[nodiscard]] std::unique_ptr<TwzCanvas> Create(int32_t width, int32_t height) const;
    /// A canvas drawing straight into the bitmap's pixels; it must not outlive the bitmap.
    [[nodiscard]] std::unique_ptr<TwzCanvas> CreateFromBitmap(TwzBitmap* bitmap) const;
    /// Address of row Y of the bitmap's pixels; null outside the rows or without pixels.
    [[nodiscard]] uint32_t* GetBitmapScanline(const TwzBitmap* bitmap, int32_t y) const;
};

/// The class every 2D canvas is made from; the 2D library's start-up sets it (to
/// TwzCanvasGdiPlusClass when it is still empty). Read only after start-up; null before.
extern const TwzCanvasClass* DefaultCanvasClass;

/// The canvas class for drawing onto devices; set at the 2D library's start-up, read by nobody.
extern const TwzCanvasClass* DefaultDeviceCanvasClass;

// The visual brush paints a visual object of the 2D object tree, which is built on top of
// this library. That library installs how; until then a visual brush paints nothing.
namespace canvasvisuals {

struct Painter {
    /// The object's Opacity.
    float (*getOpacity)(rtl::TComponent* visualObject) = nullptr;
    void (*setOpacity)(rtl::TComponent* visualObject, float value) = nullptr;
    /// Paints the object and its children into `canvas`, scaled and moved to fill `rect`;
    /// saves and restores the canvas state itself.
    void (*paintTo)(rtl::TComponent* visualObject, TwzCanvas& canvas, const TwzRect& rect) = nullptr;
};

void InstallPainter(const Painter& painter);
[[nodiscard]] const Painter& InstalledPainter();

} // namespace canvasvisuals
