#pragma once

// A component owning one value object (a bitmap, a path, a gradient, a string list...) and
// publishing it as a property, so that a test sees the value's stored form inside an object.

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace testsupport {

/// A string literal as a template argument.
template <size_t N> struct PropertyName {
    constexpr PropertyName(const char (&text)[N]) { std::copy_n(text, N, chars); }
    [[nodiscard]] constexpr std::string_view View() const { return { chars, N - 1 }; }
    char chars[N] {};
};

/// THolder<TwzPathData, "Path"> publishes its path as the property "Path" and stores as
/// "object TPathHolder". Setting the property assigns to the owned value, as the product's
/// value properties do.
template <class Value, PropertyName Name> class THolder final : public rtl::TComponent {
public:
    using Inherited = rtl::TComponent;

    /// The value is made of `args`: its default when there are none.
    template <class... Args>
    requires std::is_constructible_v<Value, Args...>
    explicit THolder(rtl::TComponent* owner, Args&&... args)
        : rtl::TComponent(owner)
        , m_value(std::make_unique<Value>(std::forward<Args>(args)...))
    { }

    [[nodiscard]] Value* GetValue() const { return m_value.get(); }
    void SetValue(Value* value) { m_value->Assign(*value); }

    static const rtl::TClassInfo& StaticClass()
    {
        static const std::string className = "T" + std::string(Name.View()) + "Holder";
        static const rtl::TPropInfo props[] = {
            rtl::detail::MakeProp<THolder, &THolder::GetValue, &THolder::SetValue, rtl::TPropKind::Class>(
                Name.View(), rtl::kNoDefault),
        };
        static const rtl::TClassInfo info
            = rtl::detail::MakeClassInfo<THolder>(className, rtl::TClassDef { .props = props });
        return info;
    }
    const rtl::TClassInfo& ClassInfo() const override { return StaticClass(); }

private:
    std::unique_ptr<Value> m_value;
};

} // namespace testsupport
