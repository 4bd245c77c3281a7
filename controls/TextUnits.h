#pragma once

// The UTF-16 units that belong together in the text editors: a CR LF line break and the two
// halves of a surrogate pair. Carets, selections, deletions and cuts count units, but no
// place ever lies between the two units of such a pair.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace controls {

[[nodiscard]] constexpr bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

[[nodiscard]] constexpr bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

/// The units at `index - 1` and `index` of `text` form a surrogate pair.
[[nodiscard]] constexpr bool SplitsSurrogatePair(std::u16string_view text, int64_t index)
{
    return index > 0 && index < static_cast<int64_t>(text.size())
        && IsHighSurrogate(text[static_cast<size_t>(index) - 1])
        && IsLowSurrogate(text[static_cast<size_t>(index)]);
}

/// The units at `index - 1` and `index` of `text` are the CR and the LF of one line break.
[[nodiscard]] constexpr bool SplitsLineBreak(std::u16string_view text, int64_t index)
{
    return index > 0 && index < static_cast<int64_t>(text.size())
        && text[static_cast<size_t>(index) - 1] == u'\r' && text[static_cast<size_t>(index)] == u'\n';
}

/// A place at `index` of `text` would lie inside a pair of units that belong together.
[[nodiscard]] constexpr bool SplitsUnitPair(std::u16string_view text, int64_t index)
{
    return SplitsLineBreak(text, index) || SplitsSurrogatePair(text, index);
}

} // namespace controls
