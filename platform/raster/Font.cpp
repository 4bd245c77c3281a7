#include "platform/raster/Font.h"

#include <cmath>

namespace platform::raster {

std::optional<Font> Font::Create(const FontFamily& family, float emSize, FontStyle style, Unit unit)
{
    const double em = unit == Unit::Point ? double(emSize) * 96.0 / 72.0 : double(emSize);
    if (!std::isfinite(em) || em < kMinEmSize || em > kMaxEmSize)
        return std::nullopt;
    return Font(family, float(em), style);
}

} // namespace platform::raster
