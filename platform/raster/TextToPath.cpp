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

// Outer contours clockwise on screen, holes the other way, alternating with nesting depth:
// fonts disagree on their winding (TrueType and CFF outlines run opposite ways), and the
// extrusion of outlines turns wall normals outwards only for that convention.
void NormaliseOrientation(std::vector<Figure>& figures)
{
    std::vector<Polygon> polygons;
    polygons.reserve(figures.size());
    for (const Figure& f : figures)
        polygons.push_back(Flatten(f));

    // A long text has thousands of figures, each near only a few others: a figure can hold a
    // point only when it starts at most its width to the left of it. Figures far wider than
    // the usual (an underline along a whole line) are tried for every point instead.
    std::vector<size_t> closed;
    for (size_t j = 0; j < figures.size(); ++j) {
        if (figures[j].closed)
            closed.push_back(j);
    }
    std::vector<float> widths;
    for (size_t j : closed)
        widths.push_back(polygons[j].maxX - polygons[j].minX);
    float wide = 0;
    if (!widths.empty()) {
        std::nth_element(widths.begin(), widths.begin() + ptrdiff_t(widths.size() / 2), widths.end());
        wide = 8 * widths[widths.size() / 2];
    }
    std::vector<size_t> byLeft, wideOnes;
    float widest = 0;
    for (size_t j : closed) {
        const float w = polygons[j].maxX - polygons[j].minX;
        if (w > wide) {
            wideOnes.push_back(j);
        } else {
            byLeft.push_back(j);
            widest = std::max(widest, w);
        }
    }
    std::sort(byLeft.begin(), byLeft.end(),
        [&](size_t a, size_t b) { return polygons[a].minX < polygons[b].minX; });
    const auto depthOf = [&](size_t i) {
        const PointF p = figures[i].points[0];
        int depth = 0;
        for (size_t j : wideOnes)
            depth += j != i && Contains(polygons[j], p);
        auto it = std::lower_bound(byLeft.begin(), byLeft.end(), p.x - widest,
            [&](size_t j, float x) { return polygons[j].minX < x; });
        for (; it != byLeft.end() && polygons[*it].minX <= p.x; ++it)
            depth += *it != i && Contains(polygons[*it], p);
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
