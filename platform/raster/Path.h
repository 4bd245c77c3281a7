#pragma once

#include "platform/raster/Geometry.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace platform::raster {

class FontFamily;
struct StringFormat;
enum class FontStyle : uint8_t;

enum class FillMode : uint8_t {
    Alternate, ///< even-odd
    Winding, ///< non-zero
};

/// Kinds of the points of a path, in its Types(): a figure starts with one kStart point,
/// then kLine points and triples of kBezier points (two control points and the end); the
/// last point of a closed figure also carries kCloseFlag.
enum PathPointType : uint8_t {
    kPathPointStart = 0,
    kPathPointLine = 1,
    kPathPointBezier = 3,
    kPathPointTypeMask = 0x07,
    kPathPointCloseFlag = 0x80,
};

/// Figures of lines and cubic Béziers in world coordinates. Consecutive segments of a figure
/// are joined by a straight line when one does not start where the previous one ended.
class Path {
public:
    explicit Path(FillMode fillMode = FillMode::Alternate)
        : m_fillMode(fillMode)
    { }

    FillMode GetFillMode() const { return m_fillMode; }
    void SetFillMode(FillMode mode) { m_fillMode = mode; }

    /// The next segment begins a new figure; the current one stays open.
    void StartFigure() { m_startNew = true; }
    /// Closes the current figure (a straight line back to its start); the next segment begins
    /// a new figure. Nothing when no figure is open.
    void CloseFigure();
    void AddLine(PointF from, PointF to);
    void AddBezier(PointF from, PointF control1, PointF control2, PointF to);
    /// A closed figure clockwise on screen from the top-left corner; nothing without area.
    void AddRectangle(RectF rect);
    /// The inscribed ellipse as a closed figure of four Béziers, clockwise on screen from its
    /// rightmost point; nothing without area.
    void AddEllipse(RectF rect);
    /// Appends the outlines of `text` laid out in `layout` like Graphics::DrawString, with an
    /// em height of `emSize` world units, independent of any transform. Every glyph contour
    /// is a closed figure; outer contours run clockwise on screen and holes the other way,
    /// whatever the font's own convention. False (path unchanged) for an empty text, a size
    /// out of range or a layout that is not finite.
    [[nodiscard]] bool AddString(std::u16string_view text, const FontFamily& family, FontStyle style,
        float emSize, RectF layout, const StringFormat& format);

    void Reset();
    bool IsEmpty() const { return m_points.empty(); }
    const std::vector<PointF>& Points() const { return m_points; }
    const std::vector<uint8_t>& Types() const { return m_types; }
    /// Whether the point lies inside the filled path under its fill mode, in path
    /// coordinates (no transform).
    [[nodiscard]] bool IsVisible(PointF p) const;

private:
    void AddPoint(PointF p, uint8_t type);
    void ContinueAt(PointF p);

    std::vector<PointF> m_points;
    std::vector<uint8_t> m_types;
    FillMode m_fillMode;
    bool m_startNew = true;
};

} // namespace platform::raster
