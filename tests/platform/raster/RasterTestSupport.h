#pragma once

#include "platform/raster/Graphics.h"
#include "platform/raster/Surface.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace rastertest {

using namespace platform::raster;

using testsupport::Alpha;
using testsupport::Blue;
using testsupport::Green;
using testsupport::Red;

inline ::testing::AssertionResult PixelNear(
    const Surface& s, int x, int y, uint32_t expected, int tolerance = 2)
{
    const uint32_t p = s.Pixel(x, y);
    if (!testsupport::ChannelsNear(p, expected, tolerance)) {
        char text[96];
        std::snprintf(text, sizeof text, "pixel (%d, %d) is %08X, expected %08X", x, y, unsigned(p),
            unsigned(expected));
        return ::testing::AssertionFailure() << text;
    }
    return ::testing::AssertionSuccess();
}

/// A cleared surface and a graphics over it.
struct Canvas {
    Surface surface;
    Graphics g;

    static Canvas Make(int width, int height)
    {
        auto s = Surface::Create(width, height);
        EXPECT_TRUE(s);
        auto g = Graphics::Create(*s);
        EXPECT_TRUE(g);
        return Canvas { std::move(*s), std::move(*g) };
    }
    uint32_t At(int x, int y) const { return surface.Pixel(x, y); }
};

/// Bounds of the pixels with alpha above `threshold`; width 0 when there are none.
inline RectI InkBounds(const Surface& s, int threshold = 0)
{
    int x1 = s.Width(), y1 = s.Height(), x2 = -1, y2 = -1;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            if (Alpha(s.Pixel(x, y)) > threshold) {
                x1 = std::min(x1, x), y1 = std::min(y1, y), x2 = std::max(x2, x), y2 = std::max(y2, y);
            }
    if (x2 < 0)
        return {};
    return { x1, y1, x2 - x1 + 1, y2 - y1 + 1 };
}

inline int CountInk(const Surface& s, int threshold = 0)
{
    int n = 0;
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x)
            n += Alpha(s.Pixel(x, y)) > threshold;
    return n;
}

/// Writes the surface as a PAM file (with alpha) into the test output folder, for looking
/// at a failure.
inline void Dump(const Surface& s, const std::string& name)
{
    std::ofstream out(std::string(GF_TEST_OUTPUT) + "/" + name + ".pam", std::ios::binary);
    out << "P7\nWIDTH " << s.Width() << "\nHEIGHT " << s.Height()
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    for (int y = 0; y < s.Height(); ++y)
        for (int x = 0; x < s.Width(); ++x) {
            const uint32_t p = s.Pixel(x, y);
            const char px[4] = { char(Red(p)), char(Green(p)), char(Blue(p)), char(Alpha(p)) };
            out.write(px, 4);
        }
}

} // namespace rastertest
