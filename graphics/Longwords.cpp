#include "graphics/Longwords.h"

#include <algorithm>
#include <cstring>

void MoveLongwords(const uint32_t* source, uint32_t* dest, int32_t count)
{
    if (count > 0)
        std::memmove(dest, source, size_t(count) * sizeof(uint32_t));
}

void FillLongwords(uint32_t* dest, int32_t count, uint32_t value)
{
    if (count > 0)
        std::fill_n(dest, count, value);
}

void FillRectLongwords(uint32_t* bits, int32_t width, int32_t height, int32_t left, int32_t top,
    int32_t right, int32_t bottom, uint32_t value)
{
    right = std::min(right, width);
    bottom = std::min(bottom, height);
    // Clipping at 0 as well keeps a negative corner from writing in front of the block.
    left = std::max(left, 0);
    top = std::max(top, 0);
    top = std::min(top, bottom);
    left = std::min(left, right);
    for (int32_t y = top; y < bottom; ++y)
        FillLongwords(bits + int64_t(y) * width + left, right - left, value);
}
