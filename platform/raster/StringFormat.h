#pragma once

#include <cstdint>

namespace platform::raster {

enum class StringAlignment : uint8_t { Near, Center, Far };

/// Layout of a text in its rectangle. The flag values are those of the stored formats that
/// callers combine.
struct StringFormat {
    static constexpr uint32_t kMeasureTrailingSpaces = 0x0800;
    static constexpr uint32_t kNoWrap = 0x1000;
    static constexpr uint32_t kNoClip = 0x4000;

    uint32_t flags = 0;
    StringAlignment alignment = StringAlignment::Near; ///< horizontal, per line
    StringAlignment lineAlignment = StringAlignment::Near; ///< vertical, of the whole block
};

/// UTF-16 code units [first, first + length) of a text.
struct CharacterRange {
    int first = 0;
    int length = 0;
};

} // namespace platform::raster
