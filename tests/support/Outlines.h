#pragma once

// Flattened outlines as the 3D shapes and the lettering take them: figures separated by
// figure ends (scene3d::IsFigureEnd).

#include "graphics/Geometry.h"
#include "scene3d/ThvShape3D.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace testsupport {

/// The figures of a flattened outline, without their figure ends.
inline std::vector<TwzPolygon> Figures(const TwzPolygon& points)
{
    std::vector<TwzPolygon> figures(1);
    for (const TwzPoint& p : points) {
        if (scene3d::IsFigureEnd(p))
            figures.emplace_back();
        else
            figures.back().push_back(p);
    }
    if (figures.back().empty())
        figures.pop_back();
    return figures;
}

/// The box of an outline's points, figure ends skipped; the inverted (1e9, 1e9, -1e9, -1e9)
/// when there are none.
inline TwzRect Bounds(const TwzPolygon& points)
{
    TwzRect r { 1e9f, 1e9f, -1e9f, -1e9f };
    for (const TwzPoint& p : points) {
        if (scene3d::IsFigureEnd(p))
            continue;
        r = { std::min(r.Left, p.X), std::min(r.Top, p.Y), std::max(r.Right, p.X), std::max(r.Bottom, p.Y) };
    }
    return r;
}

/// The area one figure encloses, whichever way it runs.
inline double Area(const TwzPolygon& figure)
{
    double sum = 0;
    for (size_t i = 0; i < figure.size(); ++i) {
        const TwzPoint& a = figure[i];
        const TwzPoint& b = figure[(i + 1) % figure.size()];
        sum += double { a.X } * b.Y - double { b.X } * a.Y;
    }
    return std::fabs(sum) / 2;
}

} // namespace testsupport
