#pragma once

#include <cmath>

// Plain geometry of the 2D drawing layer. Rectangles are origin and size, as the drawing
// calls take them; coordinates are world units unless a call says otherwise.
namespace platform::raster {

struct PointF {
    float x = 0;
    float y = 0;
    friend constexpr bool operator==(const PointF&, const PointF&) = default;
};

struct RectF {
    float x = 0;
    float y = 0;
    float width = 0;
    float height = 0;

    constexpr float Right() const { return x + width; }
    constexpr float Bottom() const { return y + height; }
    /// True when the rectangle encloses some area: finite, positive width and height.
    bool HasArea() const
    {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) && std::isfinite(height)
            && width > 0 && height > 0;
    }
    friend constexpr bool operator==(const RectF&, const RectF&) = default;
};

struct RectI {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const RectI&, const RectI&) = default;
};

/// Affine transform for row vectors: (x, y) maps to (x*m11 + y*m21 + dx, x*m12 + y*m22 + dy).
struct Matrix {
    float m11 = 1;
    float m12 = 0;
    float m21 = 0;
    float m22 = 1;
    float dx = 0;
    float dy = 0;

    static constexpr Matrix Identity() { return {}; }
    static constexpr Matrix Scaling(float sx, float sy) { return { sx, 0, 0, sy, 0, 0 }; }
    static constexpr Matrix Translation(float tx, float ty) { return { 1, 0, 0, 1, tx, ty }; }

    constexpr PointF Apply(PointF p) const
    {
        return { p.x * m11 + p.y * m21 + dx, p.x * m12 + p.y * m22 + dy };
    }
    /// This transform followed by `next`.
    constexpr Matrix Then(const Matrix& next) const
    {
        return { m11 * next.m11 + m12 * next.m21, m11 * next.m12 + m12 * next.m22,
            m21 * next.m11 + m22 * next.m21, m21 * next.m12 + m22 * next.m22,
            dx * next.m11 + dy * next.m21 + next.dx, dx * next.m12 + dy * next.m22 + next.dy };
    }
    friend constexpr bool operator==(const Matrix&, const Matrix&) = default;
};

} // namespace platform::raster
