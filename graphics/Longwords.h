#pragma once

#include <cstdint>

// Block routines over 32-bit pixels and values; counts are trusted (none below 0 is used).

/// Copies Count values; overlapping blocks are copied correctly.
void MoveLongwords(const uint32_t* source, uint32_t* dest, int32_t count);

void FillLongwords(uint32_t* dest, int32_t count, uint32_t value);

/// Fills [Left, Right) x [Top, Bottom) of a Width x Height pixel block, clipped to the block.
void FillRectLongwords(uint32_t* bits, int32_t width, int32_t height, int32_t left, int32_t top,
    int32_t right, int32_t bottom, uint32_t value);
