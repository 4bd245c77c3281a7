#include "graphics/Longwords.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace {

constexpr uint32_t kGuard = 0xDEADBEEF;
constexpr uint32_t kFill = 0x11223344;

TEST(Longwords, FillRectClipsToTheBlock)
{
    constexpr int32_t kWidth = 5, kHeight = 4;
    const struct {
        const char* what;
        int32_t left, top, right, bottom;
        int32_t filledLeft, filledTop, filledRight, filledBottom; // expected, exclusive right/bottom
    } cases[] = {
        { "inside", 1, 1, 3, 2, 1, 1, 3, 2 },
        { "right and bottom beyond the block", 2, 2, 99, 99, 2, 2, 5, 4 },
        { "left beyond right fills nothing", 4, 0, 2, 4, 0, 0, 0, 0 },
        { "top beyond bottom fills nothing", 0, 3, 5, 1, 0, 0, 0, 0 },
        { "negative corner clipped at 0", -3, -2, 2, 1, 0, 0, 2, 1 },
        { "whole block", 0, 0, 5, 4, 0, 0, 5, 4 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Guards before and after catch writes outside the block.
        std::vector<uint32_t> buffer(kWidth * kHeight + 2 * kWidth, kGuard);
        uint32_t* bits = buffer.data() + kWidth;
        FillRectLongwords(bits, kWidth, kHeight, c.left, c.top, c.right, c.bottom, kFill);
        for (int32_t i = 0; i < int32_t(buffer.size()); ++i) {
            const int32_t p = i - kWidth;
            const int32_t x = p % kWidth, y = p / kWidth;
            const bool inside = p >= 0 && p < kWidth * kHeight && x >= c.filledLeft && x < c.filledRight
                && y >= c.filledTop && y < c.filledBottom;
            ASSERT_EQ(buffer[size_t(i)], inside ? kFill : kGuard) << "index " << p;
        }
    }
}

TEST(Longwords, FillAndMove)
{
    for (int32_t count = 0; count <= 9; ++count) { // around the four-per-step loop
        SCOPED_TRACE(count);
        std::vector<uint32_t> buffer(12, kGuard);
        FillLongwords(buffer.data() + 1, count, kFill);
        for (int32_t i = 0; i < 12; ++i)
            ASSERT_EQ(buffer[size_t(i)], i >= 1 && i <= count ? kFill : kGuard);
    }

    std::vector<uint32_t> v(10);
    std::iota(v.begin(), v.end(), 0u);
    MoveLongwords(v.data(), v.data() + 2, 6); // overlapping forwards
    EXPECT_EQ(v, (std::vector<uint32_t> { 0, 1, 0, 1, 2, 3, 4, 5, 8, 9 }));
    std::iota(v.begin(), v.end(), 0u);
    MoveLongwords(v.data() + 3, v.data(), 7); // overlapping backwards
    EXPECT_EQ(v, (std::vector<uint32_t> { 3, 4, 5, 6, 7, 8, 9, 7, 8, 9 }));
    MoveLongwords(v.data(), v.data() + 5, 0);
    EXPECT_EQ(v[5], 8u);
}

} // namespace
