#include "platform/rtl/Value.h"

namespace rtl {

TValue DefaultToValue(const TDefault& def)
{
    return std::visit(
        [](const auto& v) -> TValue {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::string_view>)
                return std::string(v);
            else if constexpr (std::is_same_v<V, std::u16string_view>)
                return std::u16string(v);
            else
                return v;
        },
        def);
}

} // namespace rtl
