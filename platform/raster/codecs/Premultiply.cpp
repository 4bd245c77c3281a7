#include "platform/raster/codecs/Premultiply.h"

#include <algorithm>
#include <array>

namespace platform::raster::detail {
namespace {

// One row per alpha value, indexed by channel. Both tables are exact integer evaluations of
// the truncating formulas. NOTE: the unpremultiply quotient is computed exactly on purpose:
// evaluated as channel / (alpha / 255) in floating point it truncates a full channel to 254
// for many alpha values, turning translucent white grey. A channel above alpha is not valid
// premultiplied data; it saturates at 255 rather than wrapping around into a dark colour.
struct Tables {
    std::array<std::array<uint8_t, 256>, 256> premultiply;
    std::array<std::array<uint8_t, 256>, 256> unpremultiply;

    Tables()
    {
        for (uint32_t a = 0; a < 256; ++a) {
            for (uint32_t c = 0; c < 256; ++c) {
                premultiply[a][c] = uint8_t(c * a / 255);
                unpremultiply[a][c] = a == 0 ? 0 : uint8_t(std::min<uint32_t>(c * 255 / a, 255));
            }
        }
    }
};

const Tables& GetTables()
{
    static const Tables tables;
    return tables;
}

uint32_t MapChannels(uint32_t pixel, const std::array<uint8_t, 256>& row)
{
    return (pixel & 0xFF000000u) | (uint32_t(row[(pixel >> 16) & 0xFF]) << 16)
        | (uint32_t(row[(pixel >> 8) & 0xFF]) << 8) | uint32_t(row[pixel & 0xFF]);
}

} // namespace

uint32_t PremultiplyPixel(uint32_t straight)
{
    const uint32_t alpha = straight >> 24;
    if (alpha == 255)
        return straight;
    if (alpha == 0)
        return 0;
    return MapChannels(straight, GetTables().premultiply[alpha]);
}

uint32_t UnpremultiplyPixel(uint32_t premultiplied)
{
    const uint32_t alpha = premultiplied >> 24;
    if (alpha == 255)
        return premultiplied;
    if (alpha == 0)
        return 0;
    return MapChannels(premultiplied, GetTables().unpremultiply[alpha]);
}

void PremultiplyPixels(uint32_t* pixels, size_t count)
{
    const Tables& tables = GetTables();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = pixels[i];
        const uint32_t alpha = p >> 24;
        if (alpha != 255)
            pixels[i] = alpha == 0 ? 0 : MapChannels(p, tables.premultiply[alpha]);
    }
}

void UnpremultiplyPixels(const uint32_t* source, uint32_t* target, size_t count)
{
    const Tables& tables = GetTables();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = source[i];
        const uint32_t alpha = p >> 24;
        target[i] = alpha == 255 ? p : alpha == 0 ? 0 : MapChannels(p, tables.unpremultiply[alpha]);
    }
}

} // namespace platform::raster::detail
