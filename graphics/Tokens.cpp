#include "graphics/Tokens.h"

#include <algorithm>

namespace {

constexpr bool IsBlankOrControl(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsBlankOrControl(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlankOrControl(s.back()))
        s.remove_suffix(1);
    return s;
}

template <class C> bool IsOneOf(C c, std::basic_string_view<C> set)
{
    return set.find(c) != std::basic_string_view<C>::npos;
}

} // namespace

std::string GetToken(std::string& s, std::string_view separators, std::string_view stops)
{
    size_t consumed = 0;
    size_t tokenEnd = 0;
    while (consumed < s.size()) {
        const char c = s[consumed];
        if (IsOneOf(c, stops))
            break;
        ++consumed;
        if (IsOneOf(c, separators))
            break;
        tokenEnd = consumed;
    }
    std::string token(Trimmed(std::string_view(s).substr(0, tokenEnd)));
    s = std::string(Trimmed(std::string_view(s).substr(consumed)));
    return token;
}

std::u16string GetWideToken(
    int32_t& pos, std::u16string_view s, std::u16string_view separators, std::u16string_view stops)
{
    const int64_t length = static_cast<int64_t>(s.size());
    // Positions count from 1; anything below reads from the start instead of before it.
    int64_t i = std::max<int64_t>(pos, 1);
    if (i > length)
        return {};
    const int64_t start = i;
    while (i <= length && !IsOneOf(s[size_t(i - 1)], stops) && !IsOneOf(s[size_t(i - 1)], separators))
        ++i;
    std::u16string token(s.substr(size_t(start - 1), size_t(i - start)));
    while (i <= length && IsOneOf(s[size_t(i - 1)], separators))
        ++i;
    pos = static_cast<int32_t>(i);
    return token;
}
