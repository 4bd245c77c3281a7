#include "platform/raster/Pen.h"

#include <cmath>

namespace platform::raster {

Pen::Pen(Brush brush, float width)
    : m_brush(std::move(brush))
    , m_width(width)
{ }

bool Pen::SetDashPattern(std::span<const float> dashes)
{
    double sum = 0;
    for (float d : dashes) {
        if (!std::isfinite(d) || d < 0) {
            m_dashes.clear();
            return false;
        }
        sum += d;
    }
    if (!(sum > 0)) {
        m_dashes.clear();
        return false;
    }
    m_dashes.assign(dashes.begin(), dashes.end());
    return true;
}

} // namespace platform::raster
