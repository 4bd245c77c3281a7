#include "platform/rtl/Properties.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <charconv>
#include <cmath>

namespace rtl {

namespace {

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// One step of a path: a Class property's object, else an owned component of that name.
TObject* Step(TObject& object, std::string_view name)
{
    if (const TPropInfo* p = object.ClassInfo().FindProp(name); p && p->kind == TPropKind::Class) {
        TValue v = p->get(object);
        TObject* const* sub = std::get_if<TObject*>(&v);
        return sub ? *sub : nullptr;
    }
    if (auto* component = dynamic_cast<TComponent*>(&object))
        return component->FindComponent(name);
    return nullptr;
}

std::string FloatText(double value, bool single)
{
    char buf[64];
    std::to_chars_result r = single ? std::to_chars(buf, buf + sizeof buf, static_cast<float>(value))
                                    : std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string ByteText(unsigned char byte)
{
    return ToValidUtf8(std::string(1, static_cast<char>(byte)));
}

std::optional<int64_t> CharTextToByte(std::string_view text)
{
    if (text.size() == 1)
        return static_cast<unsigned char>(text[0]);
    for (int b = 0x80; b <= 0xFF; ++b) {
        if (ByteText(static_cast<unsigned char>(b)) == text)
            return b;
    }
    return std::nullopt;
}

[[noreturn]] void BadText(const TPropInfo& prop, std::string_view text)
{
    throw ConvertError(
        "'" + std::string(text) + "' is not a valid value for the property " + std::string(prop.name));
}

// The component a link's text names: one owned by the object's owner (its form), or the
// owner itself.
TComponent* FindLinkTarget(TObject& object, std::string_view name)
{
    auto* component = dynamic_cast<TComponent*>(&object);
    if (!component)
        return nullptr;
    for (TComponent* scope = component->GetOwner() ? component->GetOwner() : component; scope;
         scope = scope->GetOwner()) {
        if (TComponent* found = scope->FindComponent(name))
            return found;
        if (SameText(scope->GetName(), name))
            return scope;
    }
    return nullptr;
}

} // namespace

TObject* ResolveObject(TObject& object, std::string_view path)
{
    TObject* current = &object;
    while (current && !path.empty()) {
        const size_t dot = path.find('.');
        current = Step(*current, Trim(path.substr(0, dot)));
        path = dot == std::string_view::npos ? std::string_view {} : path.substr(dot + 1);
    }
    return current;
}

TPropTarget ResolveProp(TObject& object, std::string_view path)
{
    const size_t dot = path.rfind('.');
    TObject* holder = dot == std::string_view::npos ? &object : ResolveObject(object, path.substr(0, dot));
    if (!holder)
        return {};
    const std::string_view name = Trim(dot == std::string_view::npos ? path : path.substr(dot + 1));
    const TPropInfo* prop = holder->ClassInfo().FindProp(name);
    if (!prop)
        return {};
    return { holder, prop };
}

TValue GetPropValue(const TObject& object, const TPropInfo& prop)
{
    return prop.get(object);
}

bool SetPropValue(TObject& object, const TPropInfo& prop, const TValue& value)
{
    return prop.set && prop.set(object, value);
}

TValue GetPropValue(TObject& object, std::string_view path)
{
    TPropTarget t = ResolveProp(object, path);
    return t ? GetPropValue(*t.object, *t.prop) : TValue {};
}

bool SetPropValue(TObject& object, std::string_view path, const TValue& value)
{
    TPropTarget t = ResolveProp(object, path);
    return t && SetPropValue(*t.object, *t.prop, value);
}

std::string SetToText(const TEnumInfo& names, uint64_t mask)
{
    std::string text = "[";
    for (size_t i = 0; i < names.names.size() && i < 64; ++i) {
        if (mask & (uint64_t { 1 } << i)) {
            if (text.size() > 1)
                text += ", ";
            text += names.names[i];
        }
    }
    return text + "]";
}

std::optional<uint64_t> TextToSet(const TEnumInfo& names, std::string_view text)
{
    text = Trim(text);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        return std::nullopt;
    text = Trim(text.substr(1, text.size() - 2));
    uint64_t mask = 0;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view name = Trim(text.substr(0, comma));
        std::optional<int64_t> ordinal = names.ValueOf(name);
        if (!ordinal || *ordinal >= 64)
            return std::nullopt;
        mask |= uint64_t { 1 } << *ordinal;
        if (comma == std::string_view::npos)
            break;
        text = text.substr(comma + 1);
        if (Trim(text).empty())
            return std::nullopt; // "[a, ]"
    }
    return mask;
}

std::string GetPropText(const TObject& object, const TPropInfo& prop)
{
    const TValue v = prop.get(object);
    switch (prop.kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        return IntToStr(std::get<int64_t>(v));
    case TPropKind::Boolean:
        return std::get<bool>(v) ? "True" : "False";
    case TPropKind::Enum:
        return std::string(prop.enumInfo->NameOf(std::get<int64_t>(v)));
    case TPropKind::Set:
        return SetToText(*prop.enumInfo, static_cast<uint64_t>(std::get<int64_t>(v)));
    case TPropKind::Float:
        return FloatText(std::get<double>(v), prop.single);
    case TPropKind::Char:
        return ByteText(static_cast<unsigned char>(std::get<int64_t>(v)));
    case TPropKind::WChar:
        return Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(std::get<int64_t>(v))));
    case TPropKind::String:
        return std::get<std::string>(v);
    case TPropKind::WideString:
        return Utf16ToUtf8(std::get<std::u16string>(v));
    case TPropKind::Class:
        return "(" + std::string(prop.DeclaredTypeName()) + ")";
    case TPropKind::Component: {
        auto* c = dynamic_cast<TComponent*>(std::get<TObject*>(v));
        return c ? c->GetName() : std::string();
    }
    }
    return {};
}

void SetPropText(TObject& object, const TPropInfo& prop, std::string_view text)
{
    if (prop.ReadOnly())
        throw ConvertError("The property " + std::string(prop.name) + " is read-only");
    TValue value;
    switch (prop.kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (std::optional<int64_t> i = TryStrToInt64(text))
            value = *i;
        else
            BadText(prop, text);
        break;
    case TPropKind::Char: {
        // One byte, shown and typed as its Windows-1252 character.
        std::optional<int64_t> byte = CharTextToByte(text);
        if (!byte)
            BadText(prop, text);
        value = *byte;
        break;
    }
    case TPropKind::WChar: {
        std::u16string units = Utf8ToUtf16(text);
        if (units.size() != 1)
            BadText(prop, text);
        value = int64_t { units[0] };
        break;
    }
    case TPropKind::Boolean:
    case TPropKind::Enum: {
        std::optional<int64_t> ordinal = prop.enumInfo->ValueOf(Trim(text));
        if (!ordinal)
            BadText(prop, text);
        if (prop.kind == TPropKind::Boolean)
            value = *ordinal != 0;
        else
            value = *ordinal;
        break;
    }
    case TPropKind::Set: {
        std::optional<uint64_t> mask = TextToSet(*prop.enumInfo, text);
        if (!mask)
            BadText(prop, text);
        value = static_cast<int64_t>(*mask);
        break;
    }
    case TPropKind::Float: {
        std::optional<double> d = TryStrToFloat(text);
        if (!d || (prop.single && std::isinf(static_cast<float>(*d))))
            BadText(prop, text);
        value = *d;
        break;
    }
    case TPropKind::String:
        value = ToValidUtf8(text);
        break;
    case TPropKind::WideString:
        value = Utf8ToUtf16(text);
        break;
    case TPropKind::Class:
        throw ConvertError(
            "The property " + std::string(prop.name) + " holds an object and has no text form");
    case TPropKind::Component: {
        text = Trim(text);
        TComponent* target = nullptr;
        if (!text.empty()) {
            target = FindLinkTarget(object, text);
            if (!target)
                BadText(prop, text);
        }
        value = static_cast<TObject*>(target);
        break;
    }
    }
    if (!prop.set(object, value))
        BadText(prop, text);
}

std::string GetPropText(TObject& object, std::string_view path)
{
    TPropTarget t = ResolveProp(object, path);
    if (!t)
        throw ConvertError("The property " + std::string(path) + " does not exist");
    return GetPropText(*t.object, *t.prop);
}

void SetPropText(TObject& object, std::string_view path, std::string_view text)
{
    TPropTarget t = ResolveProp(object, path);
    if (!t)
        throw ConvertError("The property " + std::string(path) + " does not exist");
    SetPropText(*t.object, *t.prop, text);
}

bool BindEventByName(TObject& source, std::string_view eventName, TObject& root, std::string_view handlerName)
{
    const TEventInfo* e = source.ClassInfo().FindEvent(eventName);
    const TMethodInfo* m = root.ClassInfo().FindMethod(handlerName);
    if (!e || !m || e->signature != m->signature)
        return false;
    m->bind(e->access(source), root);
    return true;
}

std::string_view HandlerNameFor(const TEventBase& event, const TObject& root)
{
    if (!event.Assigned() || event.Target() != &root)
        return {};
    const TMethodInfo* m = root.ClassInfo().FindMethodById(event.MethodId());
    if (!m)
        return {};
    return m->name;
}

} // namespace rtl
