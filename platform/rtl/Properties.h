#pragma once

#include "platform/rtl/ClassInfo.h"

#include <cstdint>
#include <string>
#include <string_view>

// Published properties read and written by name: animations, triggers, data binding, the
// inspector and the stream reader all come through here.
//
// A path names a property of the object itself ("Opacity") or, through dots, of an object
// inside it: each component before the last names a Class property (its sub-object) or,
// when there is none of that name, an owned component ("Fill.Color", "TextLabel.Width").
// Names compare ignoring ASCII case.
namespace rtl {

/// A resolved path: the object that holds the property and the property. Resolve once,
/// then read and write as often as needed (an animation does this every tick).
struct TPropTarget {
    TObject* object = nullptr;
    const TPropInfo* prop = nullptr;
    explicit operator bool() const { return prop != nullptr; }
};

/// Resolves `path` from `object`; empty when any component does not resolve.
[[nodiscard]] TPropTarget ResolveProp(TObject& object, std::string_view path);

/// The object named by a dotted path of sub-objects and owned components ("Fill",
/// "TextLabel"); `object` itself for the empty path; null when a component does not resolve.
[[nodiscard]] TObject* ResolveObject(TObject& object, std::string_view path);

/// The property's value. Read-only properties are readable.
[[nodiscard]] TValue GetPropValue(const TObject& object, const TPropInfo& prop);

/// Sets the property; false, and nothing changes, when it is read-only or the value does
/// not fit its type (a string for a number, an ordinal outside an enumeration, an object of
/// another class). Integers convert to floats; UTF-8 and UTF-16 texts to each other.
bool SetPropValue(TObject& object, const TPropInfo& prop, const TValue& value);

/// By path: monostate when the path does not resolve.
[[nodiscard]] TValue GetPropValue(TObject& object, std::string_view path);
/// By path: false when the path does not resolve or the value does not fit.
bool SetPropValue(TObject& object, std::string_view path, const TValue& value);

/// The text form of the value: decimal integers, floats with "." in the shortest form that
/// reads back, enumeration value names, "[a, b]" for sets, the character or text itself,
/// the linked component's name, "(TwzBrush)" for a sub-object.
[[nodiscard]] std::string GetPropText(const TObject& object, const TPropInfo& prop);

/// Sets the value from its text form (integers also in the $/0x/&/% syntax). Raises
/// ConvertError naming the property when the text does not convert or does not fit, when the
/// property is read-only or a sub-object, or when no component of that name is found for a
/// link.
void SetPropText(TObject& object, const TPropInfo& prop, std::string_view text);

/// By path: raise ConvertError when the path does not resolve.
[[nodiscard]] std::string GetPropText(TObject& object, std::string_view path);
void SetPropText(TObject& object, std::string_view path, std::string_view text);

/// "[a, b]": the names of the bits of `mask`, in ordinal order.
[[nodiscard]] std::string SetToText(const TEnumInfo& names, uint64_t mask);
/// The mask of "[a, b]" (blanks allowed, "[]" empty); nullopt for an unknown name or bad text.
[[nodiscard]] std::optional<uint64_t> TextToSet(const TEnumInfo& names, std::string_view text);

/// Binds event `eventName` of `source` to the handler `handlerName` published by `root`'s
/// class (RTL_HANDLER); false, and the event unchanged, when either is unknown or their
/// signatures differ. The event keeps the handler's name.
bool BindEventByName(
    TObject& source, std::string_view eventName, TObject& root, std::string_view handlerName);

/// The name under which `root` publishes the handler of `event` (its handler row with the
/// same method); empty when the handler is not a published method of `root` itself.
[[nodiscard]] std::string_view HandlerNameFor(const TEventBase& event, const TObject& root);

} // namespace rtl
