// The stack blur against a plain triangular convolution, its worked radius-1 example, and
// sizes and radii at the edges of its buffers.

#include "ui2d/StackBlur.h"
#include "graphics/TwzBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

/// One pass of the kernel (weights r + 1 - |i|, edges clamped, the sum truncated) along
/// lines of n samples.
std::vector<uint32_t> ConvolveOnce(const std::vector<uint32_t>& in, int w, int h, int64_t r, bool horizontal)
{
    std::vector<uint32_t> out(in.size());
    const uint64_t d = uint64_t(r + 1) * uint64_t(r + 1);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint64_t sums[4] = {};
            for (int64_t i = -r; i <= r; ++i) {
                const int64_t weight = r + 1 - (i < 0 ? -i : i);
                const int64_t sx = horizontal ? std::clamp<int64_t>(x + i, 0, w - 1) : x;
                const int64_t sy = horizontal ? y : std::clamp<int64_t>(y + i, 0, h - 1);
                const uint32_t p = in[size_t(sy * w + sx)];
                for (int c = 0; c < 4; ++c)
                    sums[c] += uint64_t(weight) * ((p >> (8 * c)) & 0xFF);
            }
            uint32_t q = 0;
            for (int c = 0; c < 4; ++c)
                q |= uint32_t(sums[c] / d) << (8 * c);
            out[size_t(y * w + x)] = q;
        }
    }
    return out;
}

std::vector<uint32_t> Reference(const std::vector<uint32_t>& in, int w, int h, int64_t r, bool useAlpha)
{
    std::vector<uint32_t> out = ConvolveOnce(ConvolveOnce(in, w, h, r, true), w, h, r, false);
    if (!useAlpha) {
        for (uint32_t& p : out)
            p &= 0x00FFFFFF;
    }
    return out;
}

std::vector<uint32_t> RandomPixels(int w, int h, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> pixels(size_t(w) * size_t(h));
    for (uint32_t& p : pixels)
        p = static_cast<uint32_t>(random());
    return pixels;
}

} // namespace

TEST(StackBlur, MatchesAPlainTriangularConvolution)
{
    struct Case {
        int w, h;
        int32_t radius;
    };
    // Radii within the image, at and beyond its sides, and on each side of the switch from
    // the division table to plain division and from 32-bit to 64-bit sums.
    const Case cases[] = {
        { 13, 7, 1 },
        { 13, 7, 2 },
        { 13, 7, 5 },
        { 13, 7, 6 },
        { 13, 7, 7 },
        { 13, 7, 12 },
        { 13, 7, 20 },
        { 7, 13, 31 },
        { 7, 13, 32 },
        { 5, 3, 4000 },
        { 5, 3, 4001 },
        { 1, 9, 3 },
        { 9, 1, 3 },
        { 2, 2, 1 },
        { 64, 64, 8 },
    };
    unsigned seed = 1;
    for (const Case& c : cases) {
        for (bool useAlpha : { true, false }) {
            SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " radius "
                + std::to_string(c.radius) + (useAlpha ? " with alpha" : " without alpha"));
            const std::vector<uint32_t> source = RandomPixels(c.w, c.h, seed++);
            std::vector<uint32_t> blurred = source;
            StackBlurPixels(blurred.data(), c.w, c.h, c.radius, useAlpha);
            const std::vector<uint32_t> expected = Reference(source, c.w, c.h, c.radius, useAlpha);
            int wrong = 0;
            for (size_t i = 0; i < expected.size(); ++i) {
                if (blurred[i] != expected[i] && ++wrong <= 3)
                    ADD_FAILURE() << "pixel " << i << ": " << std::hex << blurred[i] << " instead of "
                                  << expected[i];
            }
        }
    }
}

TEST(StackBlur, RadiusOneSpreadsAWhitePixelAsTheWorkedExample)
{
    TwzBitmap bitmap(5, 5);
    bitmap.GetScanline(2)[2] = 0xFFFFFFFF;
    StackBlur(nullptr, bitmap, 1, true);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 5; ++x) {
            const int dx = x > 2 ? x - 2 : 2 - x;
            const int dy = y > 2 ? y - 2 : 2 - y;
            uint32_t channel = 0;
            if (dx == 0 && dy == 0)
                channel = 63;
            else if (dx + dy == 1)
                channel = 31;
            else if (dx == 1 && dy == 1)
                channel = 15;
            const uint32_t expected = channel * 0x01010101u;
            EXPECT_EQ(bitmap.GetScanline(y)[x], expected) << "at " << x << ", " << y;
        }
    }
}

TEST(StackBlur, LeavesTheBitmapAloneWhereNothingCanChange)
{
    struct Case {
        const char* name;
        int w, h;
        int32_t radius;
    };
    const Case cases[] = {
        { "radius 0", 9, 9, 0 },
        { "negative radius", 9, 9, -5 },
        { "1 x 1, radius 1", 1, 1, 1 },
        { "1 x 1, huge radius", 1, 1, 1 << 30 },
        { "1 x 1, the largest radius", 1, 1, INT32_MAX },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzBitmap bitmap(c.w, c.h);
        const std::vector<uint32_t> source = RandomPixels(c.w, c.h, 42);
        std::copy(source.begin(), source.end(), bitmap.Bits());
        StackBlur(nullptr, bitmap, c.radius, true);
        EXPECT_TRUE(std::equal(source.begin(), source.end(), bitmap.Bits()));
    }
}

TEST(StackBlur, HugeRadiiOnAFlatPictureKeepItFlat)
{
    // Sums of a huge kernel stay inside their integers: a flat picture blurs to itself.
    for (int32_t radius : { 100000, 1 << 20, INT32_MAX }) {
        SCOPED_TRACE(radius);
        TwzBitmap bitmap(6, 4);
        bitmap.Clear(0xFF8040C0);
        const uint32_t flat = bitmap.GetScanline(0)[0];
        StackBlur(nullptr, bitmap, radius, true);
        for (uint32_t p : bitmap.Pixels())
            ASSERT_EQ(p, flat);
    }
}
