#pragma once

#include "platform/raster/Brush.h"

#include <cstdint>
#include <span>
#include <vector>

namespace platform::raster {

enum class LineCap : uint8_t { Flat, Round, Square };
enum class LineJoin : uint8_t { Miter, Bevel, Round };

/// Stroke settings. Width is in world units; a width of 0 or less draws lines one device
/// pixel wide under any transform. Dash lengths and the offset are multiples of the width
/// (of one device pixel for such thin lines). The cap applies to line ends and dash ends.
class Pen {
public:
    explicit Pen(Brush brush, float width = 1);

    const Brush& GetBrush() const { return m_brush; }
    void SetBrush(Brush brush) { m_brush = std::move(brush); }
    float GetWidth() const { return m_width; }
    void SetWidth(float width) { m_width = width; }
    LineCap GetLineCap() const { return m_cap; }
    void SetLineCap(LineCap cap) { m_cap = cap; }
    LineJoin GetLineJoin() const { return m_join; }
    void SetLineJoin(LineJoin join) { m_join = join; }
    float GetMiterLimit() const { return m_miterLimit; }
    void SetMiterLimit(float limit) { m_miterLimit = limit; }
    float GetDashOffset() const { return m_dashOffset; }
    void SetDashOffset(float offset) { m_dashOffset = offset; }
    const std::vector<float>& GetDashPattern() const { return m_dashes; }
    /// Dash, gap, dash, ... A pattern with a negative or non-finite value, or whose values
    /// sum to 0, is refused: false, and the pen draws solid lines.
    [[nodiscard]] bool SetDashPattern(std::span<const float> dashes);
    /// Back to solid lines.
    void ClearDashPattern() { m_dashes.clear(); }

private:
    Brush m_brush;
    float m_width = 1;
    LineCap m_cap = LineCap::Flat;
    LineJoin m_join = LineJoin::Miter;
    float m_miterLimit = 10;
    float m_dashOffset = 0;
    std::vector<float> m_dashes;
};

} // namespace platform::raster
