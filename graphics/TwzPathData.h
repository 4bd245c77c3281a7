#pragma once

#include "graphics/Geometry.h"
#include "graphics/ObjectLinks.h"
#include "graphics/ResourceLink.h"
#include "graphics/TwzCorners.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The vector path of the system: the outline of every 2D path shape and path glyph, the
// target of text-to-path conversion and the outline of every extruded shape and text.

namespace pathdata {
class TextReader;
} // namespace pathdata

enum TwzPathPointKind : int32_t {
    wzPathPointMoveTo, ///< starts a new figure at the point
    wzPathPointLineTo,
    wzPathPointCurveTo, ///< three in a row: first control, second control, end
    wzPathPointClose, ///< closes the figure; its point is (0, 0) and means nothing
};
RTL_ENUM(
    TwzPathPointKind, "wzPathPointMoveTo", "wzPathPointLineTo", "wzPathPointCurveTo", "wzPathPointClose");

/// One element; the stored binary form is exactly these 12 bytes, little-endian.
struct TwzPathPoint {
    TwzPathPointKind Kind = wzPathPointMoveTo;
    TwzPoint Point;
    friend constexpr bool operator==(const TwzPathPoint&, const TwzPathPoint&) = default;
};
static_assert(sizeof(TwzPathPoint) == 12, "path elements are stored as 12-byte records");

/// Elements in order, a change event, and an optional link to a named path resource object
/// (TwzPathObject of the 2D object tree). The link never redirects anything inside the
/// class: bounds, flattening and the text form always concern the path's own elements;
/// users that honour links ask GetResourcePath first.
///
/// None of the builders fires OnChanged; Clear, the resource setters, Assign and SetData do.
/// GUI thread only.
class TwzPathData : public rtl::TPersistent, public objectlinks::IFreeNotify {
    RTL_CLASS(TwzPathData, rtl::TPersistent)
public:
    TwzPathData() = default;

    // Published: Data (never stored), Resource (never stored), ResourceName.
    /// The text form: "M x,y ", "L x,y ", "C x,y x,y x,y ", "Z " per element.
    [[nodiscard]] std::string GetData() const;
    /// Replaces the elements by those read from `value` and fires OnChanged once. Text that
    /// does not read is dropped command by command; nothing is raised.
    void SetData(const std::string& value);
    /// The linked TwzPathObject, or null.
    [[nodiscard]] rtl::TComponent* GetResource() const { return m_resource.Object(); }
    /// Links a path resource object (or unlinks with null), takes over its resource name and
    /// fires OnChanged. An object that is not a path resource is refused.
    void SetResource(rtl::TComponent* value);
    [[nodiscard]] const std::string& GetResourceName() const { return m_resource.Name(); }
    /// Fires OnChanged when the name differs; the link stays as it is.
    void SetResourceName(const std::string& value);

    rtl::TNotifyEvent OnChanged;

    // The elements. Editing them in place fires nothing, like the builders.
    [[nodiscard]] int Count() const { return static_cast<int>(m_points.size()); }
    [[nodiscard]] std::span<const TwzPathPoint> Points() const { return m_points; }
    [[nodiscard]] std::span<TwzPathPoint> Points() { return m_points; }
    /// Appends one element of any kind as it is.
    void AddPoint(TwzPathPointKind kind, const TwzPoint& point);

    [[nodiscard]] bool IsEmpty() const { return m_points.empty(); }
    /// The point of the last element whatever its kind, (0, 0) for an empty path: the
    /// current point of every relative builder, so after a close it is the origin.
    [[nodiscard]] TwzPoint LastPoint() const;
    /// Removes every element, then fires OnChanged.
    void Clear();

    // Elementary builders.
    void MoveTo(const TwzPoint& p);
    void MoveToRel(const TwzPoint& delta);
    void LineTo(const TwzPoint& p);
    void LineToRel(const TwzPoint& delta);
    void HLineTo(float x);
    void HLineToRel(float deltaX);
    void VLineTo(float y);
    void VLineToRel(float deltaY);
    void CurveTo(const TwzPoint& control1, const TwzPoint& control2, const TwzPoint& end);
    /// All three relative to the current point taken before the first append.
    void CurveToRel(const TwzPoint& control1, const TwzPoint& control2, const TwzPoint& end);
    /// The first control point reflects the point before the current one about the current
    /// point, whatever kind those elements are; with fewer than three elements it is control2.
    void SmoothCurveTo(const TwzPoint& control2, const TwzPoint& end);
    void SmoothCurveToRel(const TwzPoint& control2, const TwzPoint& end);
    void ClosePath();

    // Shape builders.
    /// MoveTo and four curves ending where it started; no close element.
    void AddEllipse(const TwzRect& r);
    /// A closed rectangle whose corners in `corners` are shaped by `cornerType`; radii that
    /// do not fit are limited to half the side.
    void AddRectangle(
        const TwzRect& r, float xRadius, float yRadius, TwzCorners corners, TwzCornerType cornerType);
    /// An elliptic arc, angles in degrees (clockwise on the screen), one curve per quarter
    /// turn; starts with a MoveTo on an empty path, else with a LineTo to the arc's start.
    void AddArc(const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle);
    /// As AddArc, continuing from the current point: curves only.
    void AddArcContinued(const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle);
    /// One curve of at most a quarter turn, angles in radians; with `connect`, a MoveTo (empty
    /// path) or LineTo to its start first.
    void AddArcSegment(
        bool connect, float cx, float cy, float rx, float ry, float startAngle, float sweepAngle);
    /// The end-point arc of SVG path data from `from` (the current point; nothing is added
    /// for it) to `to`. Raises rtl::Exception, appending nothing, when a radius is 0, when
    /// `to` equals `from`, or when the arc cannot be computed.
    void AddSvgArc(const TwzPoint& from, const TwzPoint& radius, float xAxisRotation, bool largeArc,
        bool sweep, const TwzPoint& to);

    /// The bounds of every element's point but the close elements'; (0, 0, 0, 0) when empty;
    /// a width or height of exactly 0 is widened by 0.001.
    [[nodiscard]] TwzRect GetBounds() const;
    /// Replaces `points` by the path flattened with curves subdivided in steps of
    /// 1/100 of the bounds' smaller side times `flatness` (at least 0.05). A close element
    /// repeats the figure's start and adds the marker (65535, 65535). Returns the bounds'
    /// width and height.
    TwzPoint FlattenPath(TwzPolygon& points, float flatness) const;

    /// The path the link stands for, or null. Not linked but named: looks the name up (each
    /// call, until an object of that name exists) and links a path resource found.
    [[nodiscard]] TwzPathData* GetResourcePath();

    /// From a path that resolves to a resource: its link and name, not its elements. From
    /// another path: its elements, keeping this path's own link. Fires OnChanged.
    void Assign(const rtl::TPersistent& source) override;
    /// The binary property "Path", stored when the path has elements.
    void DefineProperties(rtl::TFiler& filer) override;

    /// Reads the binary form (12-byte or the older 9-byte records) from the stream's
    /// position to its end; raises rtl::ReadError, leaving the path empty, when the data is
    /// shorter than its count says. Fires nothing.
    void ReadPath(rtl::TStream& stream);
    void WritePath(rtl::TStream& stream) const;

    /// The point that ends each closed figure in a flattened polygon.
    static constexpr TwzPoint kFigureEnd { 65535, 65535 };

protected:
    void FreeNotify(rtl::TComponent* object) override;

private:
    void AppendArc(
        const TwzPoint& center, const TwzPoint& radius, float startAngle, float sweepAngle, bool connect);
    friend class pathdata::TextReader;
    [[nodiscard]] bool TryAddSvgArc(const TwzPoint& from, const TwzPoint& radius, float xAxisRotation,
        bool largeArc, bool sweep, const TwzPoint& to);

    objectlinks::PathLink m_resource { *this };
    std::vector<TwzPathPoint> m_points;
};
