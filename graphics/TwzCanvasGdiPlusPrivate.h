#pragma once

// Private to the TwzCanvasGdiPlus sources: conversions to the drawing layer's records.

#include "graphics/Geometry.h"
#include "platform/raster/Geometry.h"

namespace canvasgdiplus {

[[nodiscard]] platform::raster::Matrix ToRaster(const TwzMatrix& m);
/// Origin and size; no normalising.
[[nodiscard]] platform::raster::RectF ToRaster(const TwzRect& r);
[[nodiscard]] platform::raster::PointF ToRaster(const TwzPoint& p);

} // namespace canvasgdiplus
