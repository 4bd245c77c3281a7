#include "platform/rtl/Set.h"

#include "platform/rtl/Text.h"

namespace rtl {

std::string_view TEnumInfo::NameOf(int64_t ordinal) const
{
    if (ordinal < 0 || static_cast<uint64_t>(ordinal) >= names.size())
        return {};
    return names[static_cast<size_t>(ordinal)];
}

std::optional<int64_t> TEnumInfo::ValueOf(std::string_view name) const
{
    for (size_t i = 0; i < names.size(); ++i) {
        if (SameText(names[i], name))
            return static_cast<int64_t>(i);
    }
    return std::nullopt;
}

} // namespace rtl
