#pragma once

#include "platform/raster/Geometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace platform::raster {

class Surface;

namespace detail {
struct BrushData;
struct BrushAccess;
} // namespace detail

/// How a gradient or picture continues beyond its first tile.
enum class WrapMode : uint8_t {
    Tile, ///< repeated
    TileFlipX, ///< every other tile mirrored left to right
    TileFlipY, ///< every other tile mirrored top to bottom
    TileFlipXY, ///< mirrored in both directions
    Clamp, ///< one tile only, transparent beyond (not for linear gradients)
};

/// What fills and strokes paint with: a solid colour, a linear gradient, a gradient over an
/// ellipse (rim to centre), or a picture. Colours are straight (not premultiplied) ARGB.
/// Copyable value; gradients and pictures are laid out in world coordinates of the drawing.
class Brush {
public:
    static Brush Solid(uint32_t argb);
    /// From `color1` at `start` to `color2` at `stop`; nothing when the points coincide or
    /// are not finite, or for WrapMode::Clamp.
    [[nodiscard]] static std::optional<Brush> LinearGradient(
        PointF start, PointF stop, uint32_t color1, uint32_t color2, WrapMode wrap);
    /// A gradient inside the ellipse inscribed in `bounds`, `surroundColor` on the rim and
    /// `centerColor` in the centre; outside the ellipse it paints nothing. Nothing for a
    /// rectangle without area. Starts with WrapMode::Clamp.
    [[nodiscard]] static std::optional<Brush> EllipseGradient(
        RectF bounds, uint32_t centerColor, uint32_t surroundColor);
    /// The picture at its pixel size, anchored at the world origin. Refers to the surface's
    /// pixels without copying; once the surface is destroyed the brush paints nothing.
    [[nodiscard]] static std::optional<Brush> Texture(const Surface& image, WrapMode wrap);

    Brush(const Brush&);
    Brush& operator=(const Brush&);
    Brush(Brush&&) noexcept;
    Brush& operator=(Brush&&) noexcept;
    ~Brush();

    /// Replaces a gradient's colours by stops at the given positions. Accepted only for a
    /// gradient and when there are two or more finite positions, as many as colours, the
    /// first 0 and the last 1; otherwise false and the brush is unchanged. For an ellipse
    /// gradient position 0 is the rim and 1 the centre.
    [[nodiscard]] bool SetPresetBlend(std::span<const uint32_t> colors, std::span<const float> positions);
    /// False (unchanged) for a solid brush and for Clamp on a linear gradient.
    [[nodiscard]] bool SetWrapMode(WrapMode wrap);
    /// Brush space to world space for ellipse gradients and pictures (ignored by the others).
    /// A transform that cannot be inverted makes the brush paint nothing.
    void SetTransform(const Matrix& m);
    /// Scales brush space before the current transform.
    void ScaleTransform(float sx, float sy);

private:
    explicit Brush(std::unique_ptr<detail::BrushData> data);
    friend struct detail::BrushAccess;
    std::unique_ptr<detail::BrushData> m_data;
};

} // namespace platform::raster
