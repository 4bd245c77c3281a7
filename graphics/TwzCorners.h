#pragma once

#include "platform/rtl/Set.h"

#include <cstdint>

// Which corners of a rectangle are shaped, and how. Shared by the path builders, the 2D
// canvas, the 2D shapes and controls and the extruded rectangle.

enum TwzCorner : uint8_t { wzCornerTopLeft, wzCornerTopRight, wzCornerBottomLeft, wzCornerBottomRight };
RTL_ENUM(TwzCorner, "wzCornerTopLeft", "wzCornerTopRight", "wzCornerBottomLeft", "wzCornerBottomRight");

/// Bits 1, 2, 4 and 8 for top-left, top-right, bottom-left and bottom-right.
using TwzCorners = rtl::TSet<TwzCorner>;
RTL_SET(TwzCorners);

inline constexpr TwzCorners AllCorners { wzCornerTopLeft, wzCornerTopRight, wzCornerBottomLeft,
    wzCornerBottomRight };

/// Values above wzCornerInnerLine are drawn as wzCornerRound.
enum TwzCornerType : uint8_t { wzCornerRound, wzCornerBevel, wzCornerInnerRound, wzCornerInnerLine };
RTL_ENUM(TwzCornerType, "wzCornerRound", "wzCornerBevel", "wzCornerInnerRound", "wzCornerInnerLine");
