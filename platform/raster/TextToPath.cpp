#include "platform/raster/Path.h"

#include "platform/raster/CairoAccess.h"
#include "platform/raster/Font.h"
#include "platform/raster/TextLayout.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace platform::raster {

namespace {

struct Figure {
    std::vector<PointF> points;
    std::vector<uint8_t> types; // kPathPointStart first, no close flag
    bool closed = false;
};

struct Polygon {
    std::vector<PointF> points;
    float minX = 0, minY = 0, maxX = 0, maxY = 0;
};

Polygon Flatten(const Figure& f)
{
    constexpr int kSteps = 8;
    Polygon poly;
    poly.points.push_back(f.points[0]);
    for (size_t k = 1; k < f.points.size();) {
        if (f.types[k] == kPathPointBezier && k + 2 < f.points.size()) {
            const PointF p0 = f.points[k - 1], c1 = f.points[k], c2 = f.points[k + 1], p3 = f.points[k + 2];
            for (int s = 1; s <= kSteps; ++s) {
                const float t = float(s) / kSteps, u = 1 - t;
                const float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
                poly.points.push_back(
                    { a * p0.x + b * c1.x + c * c2.x + d * p3.x, a * p0.y + b * c1.y + c * c2.y + d * p3.y });
            }
            k += 3;
        } else {
            poly.points.push_back(f.points[k]);
            ++k;
        }
    }
    poly.minX = poly.maxX = poly.points[0].x;
    poly.minY = poly.maxY = poly.points[0].y;
    for (const PointF& p : poly.points) {
        poly.minX = std::min(poly.minX, p.x), poly.maxX = std::max(poly.maxX, p.x);
        poly.minY = std::min(poly.minY, p.y), poly.maxY = std::max(poly.maxY, p.y);
    }
    return poly;
}

// Twice the signed area in y-down coordinates: positive when clockwise on screen.
double SignedArea(const Polygon& poly)
{
    double sum = 0;
    const size_t n = poly.points.size();
    for (size_t i = 0; i < n; ++i) {
        const PointF a = poly.points[i], b = poly.points[(i + 1) % n];
        sum += double(a.x) * b.y - double(b.x) * a.y;
    }
    return sum;
}

bool Contains(const Polygon& poly, PointF p)
{
    if (p.x < poly.minX || p.x > poly.maxX || p.y < poly.minY || p.y > poly.maxY)
        return false;
    bool inside = false;
    const size_t n = poly.points.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const PointF a = poly.points[i], b = poly.points[j];
        if ((a.y > p.y) != (b.y > p.y)) {
            const double x = a.x + (double(p.y) - a.y) * (double(b.x) - a.x) / (double(b.y) - a.y);
            if (p.x < x)
                inside = !inside;
        }
    }
    return inside;
}

// The same closed outline traversed the other way, starting at the same point.
Figure Reversed(const Figure& f)
{
    struct Segment {
        bool bezier;
        PointF c1, c2, end;
    };
    std::vector<Segment> segments;
    for (size_t k = 1; k < f.points.size();) {
        if (f.types[k] == kPathPointBezier && k + 2 < f.points.size()) {
            segments.push_back({ true, f.points[k], f.points[k + 1], f.points[k + 2] });
            k += 3;
        } else {
            segments.push_back({ false, {}, {}, f.points[k] });
            ++k;
        }
    }
    const PointF start = f.points[0];
    if (segments.empty() || segments.back().end != start)
        segments.push_back({ false, {}, {}, start }); // the closing line, made explicit
    Figure r;
    r.closed = true;
    r.points.push_back(start);
    r.types.push_back(kPathPointStart);
    for (size_t j = segments.size(); j-- > 0;) {
        const PointF from = j > 0 ? segments[j - 1].end : start;
        if (segments[j].bezier) {
            r.points.insert(r.points.end(), { segments[j].c2, segments[j].c1, from });
            r.types.insert(r.types.end(), { kPathPointBezier, kPathPointBezier, kPathPointBezier });
        } else if (j > 0) { // the last line back to the start stays implicit in the close
            r.points.push_back(from);
            r.types.push_back(kPathPointLine);
        }
    }
    return r;
}

// Which closed figures may hold a point: a grid over the figures' bounds with cells about
// the size of a usual figure, each listing the figures whose bounds reach into it. A figure
// that would spread over very many cells (an underline along a whole line) is tried for
// every point instead. So a text's figures are found near each point in constant time
// however many lines it has, and the grid takes memory in proportion to the figures.
class FigureGrid {
public:
    FigureGrid(const std::vector<Polygon>& polygons, const std::vector<size_t>& figures)
    {
        if (figures.empty())
            return;
        float minX = polygons[figures[0]].minX, minY = polygons[figures[0]].minY;
        float maxX = polygons[figures[0]].maxX, maxY = polygons[figures[0]].maxY;
        std::vector<float> widths, heights;
        widths.reserve(figures.size());
        heights.reserve(figures.size());
        for (size_t j : figures) {
            const Polygon& poly = polygons[j];
            minX = std::min(minX, poly.minX), maxX = std::max(maxX, poly.maxX);
            minY = std::min(minY, poly.minY), maxY = std::max(maxY, poly.maxY);
            widths.push_back(poly.maxX - poly.minX);
            heights.push_back(poly.maxY - poly.minY);
        }
        const auto median = [](std::vector<float>& values) {
            std::nth_element(values.begin(), values.begin() + ptrdiff_t(values.size() / 2), values.end());
            return values[values.size() / 2];
        };
        const double spanX = double(maxX) - minX, spanY = double(maxY) - minY;
        // At most a few cells per figure, and never cells of no size.
        const double limit = 4.0 * double(figures.size()) + 16;
        double cellX = std::max({ double(median(widths)), spanX / limit, 1e-6 });
        double cellY = std::max({ double(median(heights)), spanY / limit, 1e-6 });
        const double cells = (spanX / cellX + 1) * (spanY / cellY + 1);
        if (cells > limit) {
            const double grow = std::sqrt(cells / limit);
            cellX *= grow;
            cellY *= grow;
        }
        m_x0 = minX;
        m_y0 = minY;
        m_cellX = cellX;
        m_cellY = cellY;
        m_columns = size_t(spanX / cellX) + 1;
        m_rows = size_t(spanY / cellY) + 1;

        // The lists of all cells one after the other: count, then fill.
        m_first.assign(m_columns * m_rows + 1, 0);
        const auto spread = [&](const Polygon& poly) {
            return (Column(poly.maxX) - Column(poly.minX) + 1) * (Row(poly.maxY) - Row(poly.minY) + 1);
        };
        const auto forEachCell = [&](const Polygon& poly, auto&& visit) {
            for (size_t row = Row(poly.minY); row <= Row(poly.maxY); ++row) {
                for (size_t column = Column(poly.minX); column <= Column(poly.maxX); ++column)
                    visit(row * m_columns + column);
            }
        };
        for (size_t j : figures) {
            if (spread(polygons[j]) > kMostCells)
                m_everywhere.push_back(j);
            else
                forEachCell(polygons[j], [&](size_t cell) { ++m_first[cell + 1]; });
        }
        for (size_t cell = 0; cell < m_columns * m_rows; ++cell)
            m_first[cell + 1] += m_first[cell];
        m_listed.resize(m_first.back());
        std::vector<size_t> filled(m_first.begin(), m_first.end() - 1);
        for (size_t j : figures) {
            if (spread(polygons[j]) <= kMostCells)
                forEachCell(polygons[j], [&](size_t cell) { m_listed[filled[cell]++] = j; });
        }
    }

    /// Calls `visit` once for every figure whose bounds may hold `p`, and maybe for others.
    template <class Visit> void ForEachNear(PointF p, Visit&& visit) const
    {
        for (size_t j : m_everywhere)
            visit(j);
        if (m_first.empty())
            return;
        const size_t cell = Row(p.y) * m_columns + Column(p.x);
        for (size_t k = m_first[cell]; k < m_first[cell + 1]; ++k)
            visit(m_listed[k]);
    }

private:
    /// Figures spread over more cells than this are tried for every point.
    static constexpr size_t kMostCells = 64;

    [[nodiscard]] size_t Column(float x) const { return Cell(x, m_x0, m_cellX, m_columns); }
    [[nodiscard]] size_t Row(float y) const { return Cell(y, m_y0, m_cellY, m_rows); }
    static size_t Cell(float at, float origin, double size, size_t count)
    {
        const double k = std::floor((double(at) - origin) / size);
        if (!(k > 0))
            return 0;
        return k >= double(count - 1) ? count - 1 : size_t(k);
    }

    float m_x0 = 0, m_y0 = 0;
    double m_cellX = 1, m_cellY = 1;
    size_t m_columns = 0, m_rows = 0;
    std::vector<size_t> m_first; // where each cell's list starts in m_listed; one more at the end
    std::vector<size_t> m_listed;
    std::vector<size_t> m_everywhere;
};

// Outer contours clockwise on screen, holes the other way, alternating with nesting depth:
// fonts disagree on their winding (TrueType and CFF outlines run opposite ways), and the
// extrusion of outlines turns wall normals outwards only for that convention.
void NormaliseOrientation(std::vector<Figure>& figures)
{
    std::vector<Polygon> polygons;
    polygons.reserve(figures.size());
    for (const Figure& f : figures)
        polygons.push_back(Flatten(f));

    std::vector<size_t> closed;
    for (size_t j = 0; j < figures.size(); ++j) {
        if (figures[j].closed)
            closed.push_back(j);
    }
    const FigureGrid grid(polygons, closed);
    const auto depthOf = [&](size_t i) {
        const PointF p = figures[i].points[0];
        int depth = 0;
        grid.ForEachNear(p, [&](size_t j) { depth += j != i && Contains(polygons[j], p); });
        return depth;
    };

    std::vector<bool> reverse(figures.size(), false);
    for (size_t i : closed) {
        const double area = SignedArea(polygons[i]);
        if (area == 0)
            continue;
        reverse[i] = (area > 0) != (depthOf(i) % 2 == 0);
    }
    for (size_t i = 0; i < figures.size(); ++i) {
        if (reverse[i])
            figures[i] = Reversed(figures[i]);
    }
}

std::vector<Figure> FiguresOf(const cairo_path_t* path)
{
    std::vector<Figure> figures;
    Figure current;
    auto flush = [&] {
        if (current.points.size() > 1)
            figures.push_back(std::move(current));
        current = Figure {};
    };
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* d = &path->data[i];
        auto point = [d](int n) { return PointF { float(d[n].point.x), float(d[n].point.y) }; };
        switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
            // Also the implicit move cairo adds after a close: it stays a lone point and is
            // dropped unless a segment follows.
            flush();
            current.points.push_back(point(1));
            current.types.push_back(kPathPointStart);
            break;
        case CAIRO_PATH_LINE_TO:
            current.points.push_back(point(1));
            current.types.push_back(current.points.size() == 1 ? kPathPointStart : kPathPointLine);
            break;
        case CAIRO_PATH_CURVE_TO:
            if (current.points.empty())
                break;
            for (int n = 1; n <= 3; ++n) {
                current.points.push_back(point(n));
                current.types.push_back(kPathPointBezier);
            }
            break;
        case CAIRO_PATH_CLOSE_PATH:
            current.closed = current.points.size() > 1;
            flush();
            break;
        }
    }
    flush();
    return figures;
}

} // namespace

bool Path::AddString(std::u16string_view text, const FontFamily& family, FontStyle style, float emSize,
    RectF layout, const StringFormat& format)
{
    if (text.empty() || !std::isfinite(layout.x) || !std::isfinite(layout.y) || !std::isfinite(layout.width)
        || !std::isfinite(layout.height))
        return false;
    const auto font = Font::Create(family, emSize, style, Font::Unit::World);
    if (!font)
        return false;

    // cairo hands paths back in 1/256 device units, and small text would come out jagged:
    // lay out at an em of about 256 units around the origin, then scale back and move. The
    // whole text must stay well inside the ranges of pango's and cairo's fixed-point
    // coordinates (about two and eight million units), so a long text is laid out smaller:
    // no glyph advances more than a few ems, nor does a line break.
    constexpr double kMaxReach = 1e6;
    const double em = font->EmSize();
    const double extent
        = std::max({ std::fabs(double(layout.width)), std::fabs(double(layout.height)), 1.0 });
    const double textReach = 4.0 * double(text.size() + 1);
    const auto clampScale = [&](double k) {
        return std::clamp(k, double(Font::kMinEmSize) / em, double(Font::kMaxEmSize) / em);
    };
    double k = clampScale(std::min({ 256.0 / em, kMaxReach / extent, kMaxReach / (em * textReach) }));

    // Outlines come from unhinted glyphs at the identity transform, so they scale exactly.
    detail::OutlineContext scratch;
    std::optional<detail::TextLayout> laidOut;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto scaled = Font::Create(family, float(em * k), style, Font::Unit::World);
        if (!scaled)
            return false;
        const RectF scaledLayout { 0, 0, float(layout.width * k), float(layout.height * k) };
        laidOut.emplace(scratch.pango.get(), text, *scaled, scaledLayout, format);
        double extents[4];
        laidOut->Extents(extents);
        const double reach = std::max({ std::fabs(extents[0]), std::fabs(extents[1]), std::fabs(extents[2]),
                                 std::fabs(extents[3]) })
            + 4 * em * k;
        if (reach <= kMaxReach)
            break;
        // Wider than its characters promised: once more, small enough this time.
        k = clampScale(k * 0.9 * kMaxReach / reach);
    }
    laidOut->AppendPath(scratch.cr.get());
    detail::CairoPathPtr outline(cairo_copy_path(scratch.cr.get()));
    if (outline->status != CAIRO_STATUS_SUCCESS)
        return true;
    for (int i = 0; i < outline->num_data; i += outline->data[i].header.length) {
        for (int n = 1; n < outline->data[i].header.length; ++n) {
            outline->data[i + n].point.x = outline->data[i + n].point.x / k + layout.x;
            outline->data[i + n].point.y = outline->data[i + n].point.y / k + layout.y;
        }
    }
    std::vector<Figure> figures = FiguresOf(outline.get());
    NormaliseOrientation(figures);
    for (const Figure& f : figures) {
        for (size_t k = 0; k < f.points.size(); ++k)
            AddPoint(f.points[k], f.types[k]);
        if (f.closed)
            m_types.back() |= kPathPointCloseFlag;
    }
    m_startNew = true;
    return true;
}

} // namespace platform::raster
