#pragma once

// What stands behind a TwzSurface: a surface of the drawing layer. Only the drawing back end
// (the canvas implementation, its buffer and blits) includes this header.

#include "graphics/TwzSurface.h"

#include "platform/raster/Surface.h"

#include <utility>

struct TwzSurface::Backing {
    explicit Backing(platform::raster::Surface surface)
        : Surface(std::move(surface))
    { }
    platform::raster::Surface Surface;
};

/// The drawing layer's surface behind `surface`.
inline platform::raster::Surface& RasterSurfaceOf(TwzSurface& surface)
{
    return surface.GetBacking().Surface;
}
