#pragma once

// The UTF-16 units that belong together in the text editors (the text boxes and the memo): a
// CR LF line break and the two halves of a surrogate pair. Carets, selections, deletions and
// cuts count units, but no place ever lies between the two units of such a pair, and no typed
// character goes in by halves.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

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

/// The place one character after `index` of `text`, a pair of units being one character.
[[nodiscard]] constexpr int32_t NextPlace(std::u16string_view text, int32_t index)
{
    return SplitsUnitPair(text, int64_t(index) + 1) ? index + 2 : index + 1;
}

/// The place one character before `index` of `text`, a pair of units being one character.
[[nodiscard]] constexpr int32_t PreviousPlace(std::u16string_view text, int32_t index)
{
    return SplitsUnitPair(text, int64_t(index) - 1) ? index - 2 : index - 1;
}

/// Typed characters as they come, one unit at a time: a character outside the basic plane
/// arrives as its two halves, and goes in whole once both are here; a half without its
/// partner is dropped.
class TypedCharacters {
public:
    /// What typing `keyChar` (0 for none) adds, `key` being the key code that came with it
    /// (0 for a typed character): nothing while the first half of a pair waits for the
    /// second, the pair once that came, otherwise the unit itself. A key pressed without a
    /// character drops a waiting half.
    [[nodiscard]] constexpr std::u16string_view Take(uint16_t key, char16_t keyChar)
    {
        if (keyChar != 0 && IsHighSurrogate(keyChar)) {
            m_pending = keyChar;
            return {};
        }
        if (keyChar != 0 && IsLowSurrogate(keyChar)) {
            m_units[0] = std::exchange(m_pending, 0);
            m_units[1] = keyChar;
            return m_units[0] != 0 ? std::u16string_view(m_units, 2) : std::u16string_view {};
        }
        if (keyChar != 0 || key != 0)
            m_pending = 0;
        if (keyChar == 0)
            return {};
        m_units[0] = keyChar;
        return { m_units, 1 };
    }

private:
    char16_t m_units[2] {};
    char16_t m_pending = 0; // the first half of a character being typed
};

} // namespace controls
