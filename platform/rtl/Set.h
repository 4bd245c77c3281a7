#pragma once

#include <cassert>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>

// Enumerations and sets as the stored forms see them: an enumeration's values have names
// (the stream and text forms use the names, never the numbers), and a set is a bit mask over
// an enumeration whose text form is "[a, b]".
namespace rtl {

/// The value names of an enumeration, ordinal 0 first.
struct TEnumInfo {
    std::string_view typeName;
    std::span<const std::string_view> names;

    /// The name of `ordinal`; empty when it is out of range.
    [[nodiscard]] std::string_view NameOf(int64_t ordinal) const;
    /// The ordinal whose name equals `name` ignoring ASCII case.
    [[nodiscard]] std::optional<int64_t> ValueOf(std::string_view name) const;
};

/// Specialised by RTL_ENUM for every enumeration that is published or streamed.
template <class E> struct TEnumTraits;

template <class E>
concept NamedEnum = std::is_enum_v<E> && requires
{
    TEnumTraits<E>::kInfo;
};

/// The name table of E, or null when E has none.
template <class E> constexpr const TEnumInfo* EnumInfoOf()
{
    if constexpr (NamedEnum<E>)
        return &TEnumTraits<E>::kInfo;
    else
        return nullptr;
}

template <NamedEnum E> [[nodiscard]] std::string_view EnumName(E value)
{
    return TEnumTraits<E>::kInfo.NameOf(static_cast<int64_t>(value));
}

template <NamedEnum E> [[nodiscard]] std::optional<E> EnumValue(std::string_view name)
{
    if (std::optional<int64_t> v = TEnumTraits<E>::kInfo.ValueOf(name))
        return static_cast<E>(*v);
    return std::nullopt;
}

/// Boolean is the enumeration (False, True) of the stored forms.
inline constexpr std::string_view kBooleanNames[] = { "False", "True" };
inline constexpr TEnumInfo kBooleanInfo { "Boolean", kBooleanNames };

/// A set of values of the enumeration E (ordinals 0 to 63).
template <class E> class TSet {
    static_assert(std::is_enum_v<E>, "TSet is a set of enumeration values");

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> values)
    {
        for (E v : values)
            Include(v);
    }

    [[nodiscard]] static constexpr TSet FromMask(uint64_t mask)
    {
        TSet s;
        s.m_bits = mask;
        return s;
    }
    [[nodiscard]] constexpr uint64_t Mask() const { return m_bits; }

    [[nodiscard]] constexpr bool Contains(E v) const { return (m_bits & Bit(v)) != 0; }
    [[nodiscard]] constexpr bool Empty() const { return m_bits == 0; }
    constexpr TSet& Include(E v)
    {
        m_bits |= Bit(v);
        return *this;
    }
    constexpr TSet& Exclude(E v)
    {
        m_bits &= ~Bit(v);
        return *this;
    }

    friend constexpr TSet operator+(TSet a, TSet b) { return FromMask(a.m_bits | b.m_bits); }
    friend constexpr TSet operator-(TSet a, TSet b) { return FromMask(a.m_bits & ~b.m_bits); }
    friend constexpr TSet operator*(TSet a, TSet b) { return FromMask(a.m_bits & b.m_bits); }
    friend constexpr bool operator==(TSet a, TSet b) = default;

private:
    static constexpr uint64_t Bit(E v)
    {
        const auto ordinal = static_cast<uint64_t>(static_cast<std::underlying_type_t<E>>(v));
        assert(ordinal < 64);
        return uint64_t { 1 } << ordinal;
    }

    uint64_t m_bits = 0;
};

template <class T> inline constexpr bool kIsSet = false;
template <class E> inline constexpr bool kIsSet<TSet<E>> = true;

template <class S> struct SetElement;
template <class E> struct SetElement<TSet<E>> {
    using type = E;
};

/// The declared name of a set type (the inspector shows it); specialised by RTL_SET.
template <class S> inline constexpr std::string_view kSetTypeName {};

} // namespace rtl

/// Names the values of enumeration E in ordinal order, starting at 0:
///     RTL_ENUM(TwzTextAlign, "wzTextAlignCenter", "wzTextAlignNear", "wzTextAlignFar");
/// Place it at global scope in the header that declares E.
#define RTL_ENUM(E, ...)                                                                                     \
    template <> struct rtl::TEnumTraits<E> {                                                                 \
        static constexpr std::string_view kNames[] = { __VA_ARGS__ };                                        \
        static constexpr ::rtl::TEnumInfo kInfo { #E, kNames };                                              \
    }

/// Gives a set type its declared name: using TwzCorners = rtl::TSet<TwzCorner>; RTL_SET(TwzCorners);
#define RTL_SET(S) template <> inline constexpr std::string_view rtl::kSetTypeName<S> = #S
