#pragma once

#include "graphics/Geometry.h"

#include <ostream>

// Failure messages show geometry in its own text form.
inline void PrintTo(const TwzRect& r, std::ostream* os)
{
    *os << RectToText(r);
}
inline void PrintTo(const TwzPoint& p, std::ostream* os)
{
    *os << PointToText(p);
}
inline void PrintTo(const TwzVector& v, std::ostream* os)
{
    *os << "(" << v.X << "," << v.Y << "," << v.W << ")";
}
inline void PrintTo(const TRect& r, std::ostream* os)
{
    *os << "(" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << ")";
}
