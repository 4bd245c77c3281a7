#pragma once

// Pictures whose headers say more than their data holds: a real PNG whose header declares
// another size, to show that a size is checked before anything is decoded, at no cost.

#include "platform/raster/codecs/ImageCodecs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace testsupport {

inline uint32_t Crc32(const uint8_t* data, size_t size)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

inline void PutBe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v >> 24);
    b[at + 1] = uint8_t(v >> 16);
    b[at + 2] = uint8_t(v >> 8);
    b[at + 3] = uint8_t(v);
}

/// A real 2 x 2 PNG whose header now declares width x height (its CRC fixed up).
inline std::vector<uint8_t> PngDeclaring(uint32_t width, uint32_t height)
{
    namespace raster = platform::raster;
    const std::array<uint32_t, 4> pixels { 0xFF102030u, 0x80402010u, 0u, 0xFFFFFFFFu };
    std::vector<uint8_t> png
        = raster::EncodeImage(raster::ImageView(pixels.data(), 2, 2), raster::ImageFormat::Png).value();
    PutBe32(png, 16, width);
    PutBe32(png, 20, height);
    PutBe32(png, 29, Crc32(&png[12], 17));
    return png;
}

} // namespace testsupport
