// The reduction of a supersampled picture, tile by tile on worker threads, against the plain
// area-weighted mean of the large pixels over each output pixel, worked out here pixel by
// pixel in double precision.

#include "scene3d/ScreenshotReduction.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "tests/support/Pixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using testsupport::ChannelDistance;

/// A premultiplied picture of random pixels with runs of transparent ones, as a render leaves,
/// and a few whose colours exceed their alpha, as a translucent clear leaves them.
std::vector<uint32_t> RandomPicture(int64_t width, int64_t height, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
    for (uint32_t& p : pixels) {
        if (random() % 4 == 0)
            continue;
        const uint32_t a = random() % 256;
        const uint32_t limit = random() % 16 == 0 ? 256 : a + 1;
        const uint32_t r = random() % limit, g = random() % limit, b = random() % limit;
        p = a << 24 | r << 16 | g << 8 | b;
    }
    return pixels;
}

/// The pixel with each colour limited to its alpha.
uint32_t Limited(uint32_t p)
{
    const uint32_t a = p >> 24;
    return a << 24 | std::min((p >> 16) & 0xFF, a) << 16 | std::min((p >> 8) & 0xFF, a) << 8
        | std::min(p & 0xFF, a);
}

/// Each output pixel the mean of the large pixels (their colours limited to their alpha) by the
/// area they cover of it, the background
/// filling what the picture leaves; colour channels kept within the alpha.
std::vector<uint32_t> PlainReduction(const std::vector<uint32_t>& big, int64_t bigWidth, int64_t bigHeight,
    const TwzRect& target, int32_t width, int32_t height, uint32_t background,
    const std::vector<uint32_t>& under)
{
    const double kx = (double { target.Right } - target.Left) / static_cast<double>(bigWidth);
    const double ky = (double { target.Bottom } - target.Top) / static_cast<double>(bigHeight);
    std::vector<double> sums(static_cast<size_t>(width) * height * 4, 0.0);
    std::vector<double> covered(static_cast<size_t>(width) * height, 0.0);
    auto overlap = [](double a0, double a1, double b0, double b1) {
        return std::max(0.0, std::min(a1, b1) - std::max(a0, b0));
    };
    for (int64_t by = 0; by < bigHeight; ++by) {
        const double y0 = target.Top + static_cast<double>(by) * ky;
        for (int64_t bx = 0; bx < bigWidth; ++bx) {
            const double x0 = target.Left + static_cast<double>(bx) * kx;
            const uint32_t p = Limited(big[static_cast<size_t>(by * bigWidth + bx)]);
            for (int32_t y = std::max(0, static_cast<int32_t>(std::floor(y0))); y < height && y < y0 + ky;
                 ++y) {
                const double wy = overlap(y0, y0 + ky, y, y + 1);
                for (int32_t x = std::max(0, static_cast<int32_t>(std::floor(x0))); x < width && x < x0 + kx;
                     ++x) {
                    const double w = wy * overlap(x0, x0 + kx, x, x + 1);
                    const size_t at = static_cast<size_t>(y) * width + x;
                    covered[at] += w;
                    for (int k = 0; k < 4; ++k)
                        sums[at * 4 + k] += w * ((p >> (24 - 8 * k)) & 0xFF);
                }
            }
        }
    }
    std::vector<uint32_t> out = under;
    for (size_t at = 0; at < out.size(); ++at) {
        if (covered[at] <= 0)
            continue;
        uint32_t v[4];
        for (int k = 0; k < 4; ++k) {
            const double rest = (1 - covered[at]) * ((background >> (24 - 8 * k)) & 0xFF);
            v[k] = static_cast<uint32_t>(std::clamp(std::lround(sums[at * 4 + k] + rest), 0L, 255L));
        }
        for (int k = 1; k < 4; ++k)
            v[k] = std::min(v[k], v[0]);
        out[at] = v[0] << 24 | v[1] << 16 | v[2] << 8 | v[3];
    }
    return out;
}

} // namespace

// Tiles that cut output pixels, targets at fractional positions, pictures reaching past the
// output and supersampling below 1: every output pixel within one level of the plain mean,
// however many threads share the work, and pixels the picture misses keep what they held.
TEST(ScreenshotReduction, EqualsThePlainAreaWeightedMeanWithinOneLevel)
{
    struct Case {
        const char* name;
        int32_t width, height;
        TwzRect target;
        int64_t bigWidth, bigHeight;
        int32_t tile;
        int32_t workers;
        uint32_t background;
    } const cases[] = {
        { "whole output, scale 3, one thread", 23, 17, MakeRect(0, 0, 23, 17), 69, 51, 16, 1, 0 },
        { "fractional target, scale 6, many threads", 31, 20, MakeRect(2.3f, 1.6f, 28.9f, 17.2f), 160, 94, 37,
            4, 0xFF102030 },
        { "target past the edges", 16, 12, MakeRect(-3.5f, -2.25f, 19.75f, 14.5f), 93, 67, 20, 3,
            0x80402010 },
        { "picture smaller than the output's pixels", 9, 7, MakeRect(1.2f, 0.7f, 7.9f, 6.1f), 5, 4, 2, 2, 0 },
        { "one large tile, rows beyond the picture", 12, 12, MakeRect(0.5f, 0.5f, 11.5f, 11.5f), 55, 41, 64,
            8, 0xFFFFFFFF },
        // Whole columns of large pixels on each output column: sums of whole numbers.
        { "whole columns, fractional rows, scale 6", 40, 24, MakeRect(0, 3.3f, 40, 17.7f), 240, 86, 37, 4,
            0 },
        { "whole columns from a whole offset, scale 16", 20, 10, MakeRect(5, 0.25f, 15, 9.75f), 160, 152, 50,
            3, 0x80FFFFFF },
        { "whole columns reaching past the output, scale 2", 10, 8, MakeRect(0, 1, 16, 7), 32, 12, 7, 2,
            0xFF204060 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint32_t> big
            = RandomPicture(c.bigWidth, c.bigHeight, static_cast<uint32_t>(c.width * 131 + c.tile));
        TwzBitmap output(c.width, c.height);
        std::vector<uint32_t> under(static_cast<size_t>(c.width) * c.height);
        for (size_t i = 0; i < under.size(); ++i)
            under[i] = 0xFF000000u | static_cast<uint32_t>(i * 2654435761u >> 8 & 0x7F7F7F);
        std::copy(under.begin(), under.end(), output.Pixels().begin());
        {
            scene3d::ScreenshotReduction reduction(
                output, c.target, c.bigWidth, c.bigHeight, c.background, c.workers);
            std::vector<uint32_t> tile(static_cast<size_t>(c.tile) * c.tile);
            for (int64_t top = 0; top < c.bigHeight; top += c.tile) {
                for (int64_t left = 0; left < c.bigWidth; left += c.tile) {
                    // Pixels beyond the large picture must not count: fill them with noise.
                    std::fill(tile.begin(), tile.end(), 0xFFFFFFFFu);
                    for (int64_t y = 0; y < c.tile && top + y < c.bigHeight; ++y)
                        for (int64_t x = 0; x < c.tile && left + x < c.bigWidth; ++x)
                            tile[static_cast<size_t>(y * c.tile + x)]
                                = big[static_cast<size_t>((top + y) * c.bigWidth + left + x)];
                    reduction.AddTile(tile.data(), c.tile, c.tile, left, top);
                }
            }
            reduction.Finish();
        }
        const std::vector<uint32_t> expected
            = PlainReduction(big, c.bigWidth, c.bigHeight, c.target, c.width, c.height, c.background, under);
        int largest = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            largest = std::max(largest, ChannelDistance(output.Pixels()[i], expected[i]));
        EXPECT_LE(largest, 1);
    }
}

// A reduction given up before Finish (a cancelled render) writes nothing more and returns
// promptly with tiles still queued.
TEST(ScreenshotReduction, AbandonedBeforeFinishLeavesTheOutputAlone)
{
    TwzBitmap output(40, 30);
    std::fill(output.Pixels().begin(), output.Pixels().end(), 0xFF336699u);
    {
        scene3d::ScreenshotReduction reduction(output, MakeRect(0, 0, 40, 30), 240, 180, 0, 3);
        const std::vector<uint32_t> tile(64 * 64, 0xFFFF0000u);
        // The first row of tiles only: no output row is finished before the next row starts.
        for (int64_t left = 0; left < 240; left += 64)
            reduction.AddTile(tile.data(), 64, 64, left, 0);
    }
    for (uint32_t p : output.Pixels())
        ASSERT_EQ(p, 0xFF336699u);
}
