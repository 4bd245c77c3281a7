#pragma once

#include "platform/raster/Forward.h"
#include "platform/raster/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace platform::raster {

namespace detail {
struct GraphicsAccess;
} // namespace detail

enum class SmoothingMode : uint8_t { None, AntiAlias };
/// Sampling of pictures: Bilinear is the default of a new graphics.
enum class InterpolationMode : uint8_t { Bilinear, HighQuality, NearestNeighbor };
enum class TextRenderingHint : uint8_t { AntiAlias, SingleBitPerPixelGridFit, ClearTypeGridFit };
enum class CompositingMode : uint8_t { SourceOver, SourceCopy };
/// How a clip rectangle combines with the current clip.
enum class CombineMode : uint8_t { Replace, Intersect, Exclude };

/// A drawing context over a Surface (or, inside platform/, a toolkit's cairo context).
/// Move-only; GUI thread only. Every call is guarded: arguments that the drawing library
/// would refuse (a singular transform, a bad dash, an unknown saved state, sizes that are
/// not finite) leave the graphics unchanged and usable, and the call returns false or draws
/// nothing. A new graphics has the identity transform, no clip, anti-aliased shapes and
/// text, bilinear picture sampling and source-over compositing.
class Graphics {
public:
    /// Nothing when the drawing context cannot be created (out of memory).
    [[nodiscard]] static std::optional<Graphics> Create(Surface& target);

    Graphics(Graphics&&) noexcept;
    Graphics& operator=(Graphics&&) noexcept;
    ~Graphics();

    void SetSmoothingMode(SmoothingMode mode);
    SmoothingMode GetSmoothingMode() const;
    void SetInterpolationMode(InterpolationMode mode);
    InterpolationMode GetInterpolationMode() const;
    void SetTextRenderingHint(TextRenderingHint hint);
    TextRenderingHint GetTextRenderingHint() const;
    void SetCompositingMode(CompositingMode mode);
    CompositingMode GetCompositingMode() const;

    /// World to device transform. Refused (false, unchanged) when it or the result cannot be
    /// inverted.
    [[nodiscard]] bool SetTransform(const Matrix& m);
    /// `m` applied before the current transform.
    [[nodiscard]] bool MultiplyTransform(const Matrix& m);
    [[nodiscard]] bool ScaleTransform(float sx, float sy);
    void ResetTransform();
    Matrix GetTransform() const;

    /// Saves transform, clip and modes; returns the state's id (never negative).
    int Save();
    /// Back to the state saved as `id`; states saved after it are discarded. False for an id
    /// that is unknown, already restored or discarded.
    [[nodiscard]] bool Restore(int id);

    /// Clip rectangles are in world coordinates and whole device pixels (no soft edges, so
    /// neighbouring clips leave no seams). Replace and Intersect with a rectangle without
    /// area clip everything away; Exclude with it changes nothing.
    void SetClip(RectF rect, CombineMode mode);
    /// The clip becomes the union of the rectangles; none clips everything away.
    void SetClip(std::span<const RectF> rects);
    /// Intersects the clip with the filled area of the path (under its fill mode).
    void IntersectClip(const Path& path);
    void ResetClip();

    void FillRectangle(const Brush& brush, RectF rect);
    void FillEllipse(const Brush& brush, RectF rect);
    void FillPath(const Brush& brush, const Path& path);
    void DrawLine(const Pen& pen, PointF from, PointF to);
    void DrawBezier(const Pen& pen, PointF from, PointF control1, PointF control2, PointF to);
    void DrawRectangle(const Pen& pen, RectF rect);
    void DrawEllipse(const Pen& pen, RectF rect);
    void DrawPath(const Pen& pen, const Path& path);

    /// Draws `source` (in the image's pixels; a negative size mirrors) into `destination`,
    /// sampled by the interpolation mode, with `opacity` (0..1) multiplying every pixel.
    /// Pixels beyond the image's edge repeat its edge instead of fading out.
    void DrawImage(const Surface& image, RectF destination, RectF source, float opacity = 1);
    void DrawImage(const Surface& image, RectF destination);

    /// Draws `text` in `layout`: lines are aligned one by one between its left and right
    /// edges, the block between its top and bottom; a zero width or height centres on (or
    /// ends at) that edge. Wraps at word boundaries (inside words when one is too long)
    /// when the width is positive and kNoWrap is not set; clipped to `layout` unless kNoClip
    /// is set. Trailing spaces count for alignment only with kMeasureTrailingSpaces. The text
    /// ends at its first U+0000.
    void DrawString(std::u16string_view text, const Font& font, RectF layout, const StringFormat& format,
        const Brush& brush);
    /// The bounds of each range laid out as DrawString would, in world coordinates; nothing
    /// for a range that is empty or lies outside the text.
    [[nodiscard]] std::vector<std::optional<RectF>> MeasureCharacterRanges(std::u16string_view text,
        const Font& font, RectF layout, const StringFormat& format, std::span<const CharacterRange> ranges);

private:
    struct Impl;
    explicit Graphics(std::unique_ptr<Impl> impl);
    friend struct detail::GraphicsAccess;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform::raster
