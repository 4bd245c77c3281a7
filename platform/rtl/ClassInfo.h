#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Value.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// Classes and their published properties. Each class of the component model declares its
// published properties, events and handlers once, as constexpr tables in its .cpp, and links
// them to its parent's with RTL_IMPLEMENT_CLASS:
//
//     constexpr rtl::TPropInfo kButtonProps[] = {
//         RTL_PROP(TwzButton, Default, Boolean, false),
//         RTL_PROP(TwzButton, StrokeThickness, Float, 1.0, &TwzButton::IsThicknessStored),
//     };
//     constexpr rtl::TEventInfo kButtonEvents[] = { RTL_EVENT(TwzButton, OnClick) };
//     RTL_IMPLEMENT_CLASS(TwzButton, .props = kButtonProps, .events = kButtonEvents)
//
// The reader and writer, animations, triggers and the inspector all go through these tables.
namespace rtl {

/// What a published property holds, as the stored forms and text forms see it.
enum class TPropKind : uint8_t {
    Integer, ///< up to 32 bits (colours, counts); the animations' "integer"
    Int64,
    Boolean, ///< the enumeration (False, True)
    Enum, ///< an enumeration with a name table (RTL_ENUM)
    Set, ///< a TSet of such an enumeration
    Float, ///< float or double
    Char, ///< one byte
    WChar, ///< one UTF-16 unit
    String, ///< UTF-8
    WideString, ///< UTF-16
    Class, ///< an owned TPersistent sub-object: dotted sub-properties ("Fill.Color")
    Component, ///< a link to a TComponent, stored as its name
};

/// One published property. Built by RTL_PROP; all members are plain data so tables are
/// constexpr.
struct TPropInfo {
    std::string_view name;
    TPropKind kind = TPropKind::Integer;
    std::string_view typeName; ///< declared type ("Single", "TwzColor"); see DeclaredTypeName
    TValue (*get)(const TObject& object) = nullptr;
    bool (*set)(TObject& object, const TValue& value) = nullptr; ///< null: read-only
    TDefault def {}; ///< monostate: no default, always stored (a link defaults to nil)
    bool (*stored)(const TObject& object) = nullptr; ///< extra condition for storing
    bool neverStored = false;
    bool (*equalsDefault)(const TObject& object, const TPropInfo& prop) = nullptr;
    const TEnumInfo* enumInfo = nullptr; ///< Boolean, Enum and Set
    const TClassInfo& (*classInfo)() = nullptr; ///< Class and Component: the declared class
    bool single = false; ///< Float held as float (text and comparison in float precision)

    /// The same row with another declared type name: RTL_PROP(...).WithTypeName("TwzColor").
    [[nodiscard]] constexpr TPropInfo WithTypeName(std::string_view type) const
    {
        TPropInfo copy = *this;
        copy.typeName = type;
        return copy;
    }

    [[nodiscard]] bool ReadOnly() const { return set == nullptr; }
    /// typeName, or the declared class's name for Class and Component properties.
    [[nodiscard]] std::string_view DeclaredTypeName() const;
    /// True when the value of `object` equals the declared default.
    [[nodiscard]] bool IsDefault(const TObject& object) const;
    /// True when a writer stores this property of `object`: it can be read back (writable,
    /// or a sub-object), the stored condition holds and the value differs from the default.
    [[nodiscard]] bool IsStored(const TObject& object) const;
};

/// Everything the system knows about a class: the name streams carry, the parent, the
/// tables, and how to create an instance.
struct TClassInfo {
    std::string_view name;
    const TClassInfo* parent = nullptr;
    std::span<const TPropInfo> props; ///< this class's own rows
    std::span<const TEventInfo> events;
    std::span<const TMethodInfo> methods; ///< handlers a stored description may name
    TComponent* (*create)(TComponent* owner) = nullptr; ///< components; null when abstract
    TCollectionItem* (*createItem)(TCollection* collection) = nullptr; ///< collection items

    // Lookups walk the parent chain (the class's own rows first) and ignore ASCII case.
    [[nodiscard]] const TPropInfo* FindProp(std::string_view propName) const;
    [[nodiscard]] const TEventInfo* FindEvent(std::string_view eventName) const;
    [[nodiscard]] const TMethodInfo* FindMethod(std::string_view methodName) const;
    /// The handler row whose method is `methodId` (the writer names handlers with it).
    [[nodiscard]] const TMethodInfo* FindMethodById(const void* methodId) const;

    [[nodiscard]] bool InheritsFrom(const TClassInfo& other) const;

    /// Every published property, ancestors first, each class's rows in declaration order. A
    /// row that repeats an ancestor's name (to change its default) takes the ancestor's place.
    [[nodiscard]] std::vector<const TPropInfo*> PropList() const;
    /// Every published event in the same order.
    [[nodiscard]] std::vector<const TEventInfo*> EventList() const;
};

/// The tables a class gives RTL_IMPLEMENT_CLASS; `create` is filled in automatically for a
/// concrete component class with a constructor taking the owner.
struct TClassDef {
    std::span<const TPropInfo> props {};
    std::span<const TEventInfo> events {};
    std::span<const TMethodInfo> methods {};
    TComponent* (*create)(TComponent* owner) = nullptr;
};

/// The factory of a component class: `new T(owner)`.
template <class T> TComponent* Create(TComponent* owner)
{
    return new T(owner);
}

// ---- class registry ---------------------------------------------------------------------

/// Registers a class for streaming (FindClass finds it by name) and, with a non-empty
/// category, for enumeration by palette category. Called explicitly by each library's
/// start-up function; registering the same class again only adds the category entry. A
/// different class under a name already taken raises rtl::Exception.
void RegisterClass(const TClassInfo& info, std::string_view category = {});

template <class T> void RegisterClass(std::string_view category = {})
{
    RegisterClass(T::StaticClass(), category);
}

/// The registered class of that name, ignoring ASCII case; null when none.
[[nodiscard]] const TClassInfo* FindClass(std::string_view name);

struct TClassCategoryEntry {
    std::string_view category;
    const TClassInfo* classInfo;
};

/// Every (category, class) registration, in registration order; repeated ones included.
[[nodiscard]] std::span<const TClassCategoryEntry> ClassCategories();

/// The classes registered under `category` (ASCII case ignored), in registration order.
[[nodiscard]] std::vector<const TClassInfo*> ClassesInCategory(std::string_view category);

// ---- table building (used through the macros) -----------------------------------------

namespace detail {

template <class Cls, auto Get> using GetterResult = Bare<decltype((std::declval<const Cls&>().*Get)())>;

template <class R>
using ObjectOf = std::remove_cv_t<std::conditional_t<std::is_pointer_v<R>, std::remove_pointer_t<R>, R>>;

template <class R, TPropKind Kind> constexpr bool KindFits()
{
    constexpr bool isObject = kIsObjectPointer<R> || kIsObjectRef<R>;
    if constexpr (Kind == TPropKind::Integer)
        return kIsIntegerType<R> && sizeof(R) <= 4;
    else if constexpr (Kind == TPropKind::Int64)
        return kIsIntegerType<R> && sizeof(R) == 8;
    else if constexpr (Kind == TPropKind::Boolean)
        return std::is_same_v<R, bool>;
    else if constexpr (Kind == TPropKind::Enum)
        return NamedEnum<R>;
    else if constexpr (Kind == TPropKind::Set) {
        if constexpr (kIsSet<R>)
            return NamedEnum<typename SetElement<R>::type>;
        else
            return false;
    } else if constexpr (Kind == TPropKind::Float)
        return std::is_floating_point_v<R>;
    else if constexpr (Kind == TPropKind::Char)
        return std::is_same_v<R, char>;
    else if constexpr (Kind == TPropKind::WChar)
        return std::is_same_v<R, char16_t>;
    else if constexpr (Kind == TPropKind::String)
        return std::is_same_v<R, std::string>;
    else if constexpr (Kind == TPropKind::WideString)
        return std::is_same_v<R, std::u16string>;
    else if constexpr (Kind == TPropKind::Class) {
        if constexpr (isObject)
            return std::is_base_of_v<TPersistent, ObjectOf<R>>;
        else
            return false;
    } else if constexpr (Kind == TPropKind::Component) {
        if constexpr (kIsObjectPointer<R>)
            return std::is_base_of_v<TComponent, ObjectOf<R>>;
        else
            return false;
    } else
        return false;
}

template <class R> constexpr std::string_view DefaultTypeName()
{
    if constexpr (std::is_same_v<R, bool>)
        return "Boolean";
    else if constexpr (NamedEnum<R>)
        return TEnumTraits<R>::kInfo.typeName;
    else if constexpr (kIsSet<R>) {
        if constexpr (!kSetTypeName<R>.empty())
            return kSetTypeName<R>;
        else
            return TEnumTraits<typename SetElement<R>::type>::kInfo.typeName;
    } else if constexpr (std::is_same_v<R, char>)
        return "Char";
    else if constexpr (std::is_same_v<R, char16_t>)
        return "WideChar";
    else if constexpr (kIsIntegerType<R>) {
        if constexpr (std::is_signed_v<R>)
            return sizeof(R) == 1 ? "ShortInt"
                : sizeof(R) == 2  ? "SmallInt"
                : sizeof(R) == 4  ? "Integer"
                                  : "Int64";
        else
            return sizeof(R) == 1 ? "Byte" : sizeof(R) == 2 ? "Word" : sizeof(R) == 4 ? "Cardinal" : "UInt64";
    } else if constexpr (std::is_same_v<R, float>)
        return "Single";
    else if constexpr (std::is_floating_point_v<R>)
        return "Double";
    else if constexpr (std::is_same_v<R, std::string>)
        return "string";
    else if constexpr (std::is_same_v<R, std::u16string>)
        return "WideString";
    else
        return {}; // classes: named at run time from classInfo
}

template <TPropKind Kind, class D> constexpr TDefault MakeDefault(const D& def)
{
    if constexpr (std::is_same_v<D, std::monostate> || std::is_same_v<D, std::nullptr_t>)
        return std::monostate {};
    else if constexpr (std::is_same_v<D, bool>)
        return def;
    else if constexpr (std::is_enum_v<D>)
        return static_cast<int64_t>(def);
    else if constexpr (kIsSet<D>)
        return static_cast<int64_t>(def.Mask());
    else if constexpr (std::is_same_v<D, char>)
        return static_cast<int64_t>(static_cast<unsigned char>(def));
    else if constexpr (std::is_integral_v<D>) {
        if constexpr (Kind == TPropKind::Float)
            return static_cast<double>(def);
        else
            return static_cast<int64_t>(def);
    } else if constexpr (std::is_floating_point_v<D>)
        return static_cast<double>(def);
    else if constexpr (std::is_convertible_v<D, std::string_view>)
        return std::string_view(def);
    else if constexpr (std::is_convertible_v<D, std::u16string_view>)
        return std::u16string_view(def);
    else
        static_assert(sizeof(D) == 0, "unsupported default value");
}

template <class Cls, auto Get> TValue GetThunk(const TObject& object)
{
    return ToValue((static_cast<const Cls&>(object).*Get)());
}

template <class Cls, auto Get, auto Set> bool SetThunk(TObject& object, const TValue& value)
{
    using R = GetterResult<Cls, Get>;
    Cls& self = static_cast<Cls&>(object);
    if constexpr (kIsObjectPointer<R> || kIsObjectRef<R>) {
        using Obj = ObjectOf<R>;
        std::optional<Obj*> p = FromValue<Obj*>(value);
        if (!p)
            return false;
        if constexpr (std::is_invocable_v<decltype(Set), Cls&, Obj*>) {
            (self.*Set)(*p);
        } else {
            if (!*p)
                return false;
            (self.*Set)(**p);
        }
        return true;
    } else {
        std::optional<R> v = FromValue<R>(value);
        if (!v)
            return false;
        (self.*Set)(std::move(*v));
        return true;
    }
}

template <class Cls, auto Get> bool EqualsDefaultThunk(const TObject& object, const TPropInfo& prop)
{
    using R = GetterResult<Cls, Get>;
    const R& current = (static_cast<const Cls&>(object).*Get)();
    if (std::holds_alternative<std::monostate>(prop.def)) {
        if constexpr (kIsObjectPointer<R>)
            return current == nullptr; // a link defaults to nil
        else
            return false;
    }
    std::optional<R> def = FromValue<R>(DefaultToValue(prop.def));
    return def && *def == current;
}

template <class Cls, auto Pred> bool StoredThunk(const TObject& object)
{
    return (static_cast<const Cls&>(object).*Pred)();
}

/// Stored is nullptr (no condition), `false` (never stored: Parent) or a predicate
/// `&Class::IsNameStored` (a const method of Cls or of one of its bases).
template <class Cls, auto Get, auto Set, TPropKind Kind, auto Stored = nullptr, class D>
constexpr TPropInfo MakeProp(std::string_view name, const D& def)
{
    using R = GetterResult<Cls, Get>;
    static_assert(KindFits<R, Kind>(), "the accessor type does not fit the property kind");
    TPropInfo p;
    p.name = name;
    p.kind = Kind;
    p.typeName = DefaultTypeName<R>();
    p.get = &GetThunk<Cls, Get>;
    if constexpr (!std::is_same_v<decltype(Set), std::nullptr_t>)
        p.set = &SetThunk<Cls, Get, Set>;
    p.def = MakeDefault<Kind>(def);
    if constexpr (Kind != TPropKind::Class)
        p.equalsDefault = &EqualsDefaultThunk<Cls, Get>;
    if constexpr (Kind == TPropKind::Boolean)
        p.enumInfo = &kBooleanInfo;
    else if constexpr (Kind == TPropKind::Enum)
        p.enumInfo = &TEnumTraits<R>::kInfo;
    else if constexpr (Kind == TPropKind::Set)
        p.enumInfo = &TEnumTraits<typename SetElement<R>::type>::kInfo;
    if constexpr (Kind == TPropKind::Class || Kind == TPropKind::Component)
        p.classInfo = &ObjectOf<R>::StaticClass;
    p.single = std::is_same_v<R, float>;
    if constexpr (std::is_same_v<decltype(Stored), bool>)
        p.neverStored = !Stored;
    else if constexpr (!std::is_same_v<decltype(Stored), std::nullptr_t>)
        p.stored = &StoredThunk<Cls, Stored>;
    return p;
}

template <class Cls> TClassInfo MakeClassInfo(std::string_view name, const TClassDef& def)
{
    static_assert(std::is_base_of_v<typename Cls::Inherited, Cls>, "RTL_CLASS names a wrong parent");
    TClassInfo info;
    info.name = name;
    info.parent = &Cls::Inherited::StaticClass();
    info.props = def.props;
    info.events = def.events;
    info.methods = def.methods;
    info.create = def.create;
    if constexpr (std::is_base_of_v<TComponent,
                      Cls> && !std::is_abstract_v<Cls> && requires(TComponent * owner) { new Cls(owner); }) {
        if (!info.create)
            info.create = [](TComponent* owner) -> TComponent* { return new Cls(owner); };
    }
    if constexpr (std::is_base_of_v<TCollectionItem,
                      Cls> && !std::is_abstract_v<Cls> && requires(TCollection * collection) {
                      new Cls(collection);
                  }) {
        info.createItem = [](TCollection* collection) -> TCollectionItem* { return new Cls(collection); };
    }
    return info;
}

} // namespace detail
} // namespace rtl

/// Defines StaticClass() of a class declared with RTL_CLASS. The arguments after the class
/// are the TClassDef fields: `.props = kProps, .events = kEvents, .methods = kHandlers`.
#define RTL_IMPLEMENT_CLASS(Cls, ...)                                                                        \
    const ::rtl::TClassInfo& Cls::StaticClass()                                                              \
    {                                                                                                        \
        static const ::rtl::TClassInfo info                                                                  \
            = ::rtl::detail::MakeClassInfo<Cls>(#Cls, ::rtl::TClassDef { __VA_ARGS__ });                     \
        return info;                                                                                         \
    }

/// A property row: RTL_PROP(Class, Name, Kind, Default[, StoredPredicate]) with accessors
/// GetName()/SetName(v). Default is a literal of the property's type (or rtl::kNoDefault:
/// always stored); put a default that contains commas in parentheses:
/// `(TwzCorners { wzCornerTopLeft, wzCornerTopRight })`. StoredPredicate is
/// `&Class::IsNameStored` or `false` (published but never stored).
#define RTL_PROP(Cls, Name, Kind, ...)                                                                       \
    RTL_DETAIL_PICK(__VA_ARGS__, RTL_DETAIL_PROP_STORED, RTL_DETAIL_PROP_PLAIN, )                            \
    (Cls, #Name, &Cls::Get##Name, &Cls::Set##Name, Kind, __VA_ARGS__)

/// A read-only property: readable by name (triggers read IsMouseOver), never stored, except
/// a Class property, whose sub-object's own properties are.
#define RTL_PROP_RO(Cls, Name, Kind)                                                                         \
    ::rtl::detail::MakeProp<Cls, &Cls::Get##Name, nullptr, ::rtl::TPropKind::Kind>(#Name, ::rtl::kNoDefault)

/// A property whose published name differs from its accessors:
///     RTL_PROP_AS(ThvVisualObject, "Quanternion", GetQuaternionText, SetQuaternionText, String, "")
#define RTL_PROP_AS(Cls, NameText, Getter, Setter, Kind, ...)                                                \
    RTL_DETAIL_PICK(__VA_ARGS__, RTL_DETAIL_PROP_STORED, RTL_DETAIL_PROP_PLAIN, )                            \
    (Cls, NameText, &Cls::Getter, &Cls::Setter, Kind, __VA_ARGS__)

#define RTL_DETAIL_PICK(a, b, macro, ...) macro
#define RTL_DETAIL_PROP_PLAIN(Cls, NameText, Get, Set, Kind, Def)                                            \
    ::rtl::detail::MakeProp<Cls, Get, Set, ::rtl::TPropKind::Kind>(NameText, Def)
#define RTL_DETAIL_PROP_STORED(Cls, NameText, Get, Set, Kind, Def, Stored)                                   \
    ::rtl::detail::MakeProp<Cls, Get, Set, ::rtl::TPropKind::Kind, Stored>(NameText, Def)
