#pragma once

// Private to the TwzCanvasGdiPlus sources: conversions to the drawing layer's records.

#include "graphics/Geometry.h"
#include "platform/raster/FontFamily.h"
#include "platform/raster/Geometry.h"

#include <string>

namespace canvasgdiplus {

[[nodiscard]] platform::raster::Matrix ToRaster(const TwzMatrix& m);
/// Origin and size; no normalising.
[[nodiscard]] platform::raster::RectF ToRaster(const TwzRect& r);
[[nodiscard]] platform::raster::PointF ToRaster(const TwzPoint& p);
/// The family text is drawn in for a font family name: the installed family of that name or
/// its stand-in, else the generic sans-serif family.
[[nodiscard]] platform::raster::FontFamily FamilyOf(const std::string& name);

} // namespace canvasgdiplus
