#pragma once

// Private to platform/raster/codecs: conversions between straight and premultiplied ARGB.
// They use the same truncating formulas as the system's colour functions, so a picture that
// passes through a codec and through the bitmap operations is converted the same way.

#include <cstddef>
#include <cstdint>

namespace platform::raster::detail {

/// Alpha 0 gives 0; alpha 255 returns the colour unchanged; otherwise each colour channel
/// becomes Trunc(channel x alpha / 255).
[[nodiscard]] uint32_t PremultiplyPixel(uint32_t straight);

/// Alpha 0 gives 0; alpha 255 returns the colour unchanged; otherwise each colour channel
/// becomes Trunc(channel x 255 / alpha), at most 255.
[[nodiscard]] uint32_t UnpremultiplyPixel(uint32_t premultiplied);

void PremultiplyPixels(uint32_t* pixels, size_t count);
void UnpremultiplyPixels(const uint32_t* source, uint32_t* target, size_t count);

} // namespace platform::raster::detail
