#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Token readers of the library's small text parsers.

/// Cuts the next token off the front of S. A separator ends the token and is consumed; a
/// stop character ends it and stays in S. The token and the rest of S are trimmed of
/// characters 0-32.
[[nodiscard]] std::string GetToken(std::string& s, std::string_view separators, std::string_view stops);

/// The untrimmed token of S starting at the 1-based Pos, up to the first separator or stop
/// character; Pos then moves past the run of separators that follows (one past the end when
/// the text is used up). Once the text is used up every call returns an empty token.
[[nodiscard]] std::u16string GetWideToken(
    int32_t& pos, std::u16string_view s, std::u16string_view separators, std::u16string_view stops);
