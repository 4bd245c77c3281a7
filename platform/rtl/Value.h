#pragma once

#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Text.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

// The type-erased values that published properties are read and written with by name.
// Every accessor type maps onto one alternative: integers, enumeration ordinals, set masks
// and characters travel as int64_t, floats as double, texts as UTF-8 or UTF-16 strings,
// sub-objects and component links as TObject*.
namespace rtl {

using TValue = std::variant<std::monostate, int64_t, double, bool, std::string, std::u16string, TObject*>;

/// A property's declared default: literal types only, so property tables stay constexpr.
/// monostate means "no default": the value is always stored.
using TDefault = std::variant<std::monostate, int64_t, double, bool, std::string_view, std::u16string_view>;

inline constexpr std::monostate kNoDefault {};

namespace detail {

template <class T> using Bare = std::remove_cvref_t<T>;

template <class T> inline constexpr bool kIsCharType = std::is_same_v<T, char> || std::is_same_v<T, char16_t>;

template <class T>
inline constexpr bool kIsIntegerType = std::is_integral_v<T> && !std::is_same_v<T, bool> && !kIsCharType<T>;

template <class T>
inline constexpr bool kIsObjectPointer = std::is_pointer_v<T>&& std::is_class_v<std::remove_pointer_t<T>>&&
    std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<T>>>;

template <class T>
inline constexpr bool kIsObjectRef = std::is_class_v<Bare<T>>&& std::is_base_of_v<TObject, Bare<T>>;

} // namespace detail

/// The TValue of an accessor's result.
template <class T> TValue ToValue(const T& v)
{
    using B = detail::Bare<T>;
    if constexpr (std::is_same_v<B, bool>)
        return v;
    else if constexpr (kIsSet<B>)
        return static_cast<int64_t>(v.Mask());
    else if constexpr (std::is_same_v<B, char>)
        return static_cast<int64_t>(static_cast<unsigned char>(v));
    else if constexpr (std::is_enum_v<B> || std::is_same_v<B, char16_t> || detail::kIsIntegerType<B>)
        return static_cast<int64_t>(v);
    else if constexpr (std::is_floating_point_v<B>)
        return static_cast<double>(v);
    else if constexpr (std::is_same_v<B, std::string> || std::is_same_v<B, std::string_view>)
        return std::string(v);
    else if constexpr (std::is_same_v<B, std::u16string> || std::is_same_v<B, std::u16string_view>)
        return std::u16string(v);
    else if constexpr (detail::kIsObjectPointer<B>)
        return const_cast<TObject*>(static_cast<const TObject*>(v));
    else if constexpr (detail::kIsObjectRef<B>)
        return const_cast<TObject*>(static_cast<const TObject*>(&v));
    else
        static_assert(sizeof(B) == 0, "this type cannot be a published property");
}

/// Converts a TValue to T, or nullopt when it does not fit: integers out of T's range, an
/// ordinal outside the enumeration, a set with bits beyond it, an object of another class.
/// Integers widen to floats and Booleans read as 0/1; UTF-8 and UTF-16 texts convert.
/// 32-bit unsigned types also take the negative int32 bit pattern their stored form uses.
template <class T> std::optional<T> FromValue(const TValue& value)
{
    const int64_t* i = std::get_if<int64_t>(&value);
    const bool* b = std::get_if<bool>(&value);
    if constexpr (std::is_same_v<T, bool>) {
        if (b)
            return *b;
        if (i && (*i == 0 || *i == 1))
            return *i != 0;
        return std::nullopt;
    } else if constexpr (std::is_enum_v<T>) {
        if (!i)
            return std::nullopt;
        if constexpr (NamedEnum<T>) {
            if (*i < 0 || static_cast<uint64_t>(*i) >= TEnumTraits<T>::kInfo.names.size())
                return std::nullopt;
        }
        return static_cast<T>(*i);
    } else if constexpr (kIsSet<T>) {
        if (!i)
            return std::nullopt;
        const uint64_t mask = static_cast<uint64_t>(*i);
        using E = typename SetElement<T>::type;
        if constexpr (NamedEnum<E>) {
            const size_t count = TEnumTraits<E>::kInfo.names.size();
            if (count < 64 && (mask >> count) != 0)
                return std::nullopt;
        }
        return T::FromMask(mask);
    } else if constexpr (detail::kIsCharType<T> || detail::kIsIntegerType<T>) {
        int64_t v;
        if (i)
            v = *i;
        else if (b)
            v = *b ? 1 : 0;
        else
            return std::nullopt;
        if constexpr (std::is_same_v<T, char>) {
            if (v < 0 || v > 255)
                return std::nullopt;
            return static_cast<char>(static_cast<unsigned char>(v));
        } else if constexpr (std::is_unsigned_v<T> && sizeof(T) == 4) {
            if (v < std::numeric_limits<int32_t>::min()
                || v > int64_t { std::numeric_limits<uint32_t>::max() })
                return std::nullopt;
            return static_cast<T>(static_cast<uint32_t>(v));
        } else if constexpr (std::is_unsigned_v<T> && sizeof(T) == 8) {
            return static_cast<T>(v);
        } else {
            if (v < int64_t { std::numeric_limits<T>::min() }
                || v > int64_t { std::numeric_limits<T>::max() })
                return std::nullopt;
            return static_cast<T>(v);
        }
    } else if constexpr (std::is_floating_point_v<T>) {
        if (const double* d = std::get_if<double>(&value))
            return static_cast<T>(*d);
        if (i)
            return static_cast<T>(*i);
        return std::nullopt;
    } else if constexpr (std::is_same_v<T, std::string>) {
        if (const std::string* s = std::get_if<std::string>(&value))
            return *s;
        if (const std::u16string* w = std::get_if<std::u16string>(&value))
            return Utf16ToUtf8(*w);
        return std::nullopt;
    } else if constexpr (std::is_same_v<T, std::u16string>) {
        if (const std::u16string* w = std::get_if<std::u16string>(&value))
            return *w;
        if (const std::string* s = std::get_if<std::string>(&value))
            return Utf8ToUtf16(*s);
        return std::nullopt;
    } else if constexpr (detail::kIsObjectPointer<T>) {
        TObject* const* o = std::get_if<TObject*>(&value);
        if (!o)
            return std::nullopt;
        if (!*o)
            return static_cast<T>(nullptr);
        using Target = std::remove_pointer_t<T>;
        if (auto* cast = dynamic_cast<Target*>(*o))
            return cast;
        return std::nullopt;
    } else {
        static_assert(sizeof(T) == 0, "this type cannot be a published property");
    }
}

/// The default as a TValue (monostate stays monostate).
[[nodiscard]] TValue DefaultToValue(const TDefault& def);

} // namespace rtl
