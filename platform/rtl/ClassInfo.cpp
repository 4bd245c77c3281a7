#include "platform/rtl/ClassInfo.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Text.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace rtl {

// ---- TPropInfo ----------------------------------------------------------------------------

std::string_view TPropInfo::DeclaredTypeName() const
{
    if (!typeName.empty())
        return typeName;
    if (classInfo)
        return classInfo().name;
    return {};
}

bool TPropInfo::IsDefault(const TObject& object) const
{
    return equalsDefault && equalsDefault(object, *this);
}

bool TPropInfo::IsStored(const TObject& object) const
{
    if (neverStored || !get)
        return false;
    if (!set && kind != TPropKind::Class)
        return false;
    if (stored && !stored(object))
        return false;
    return !IsDefault(object);
}

// ---- TClassInfo ---------------------------------------------------------------------------

const TPropInfo* TClassInfo::FindProp(std::string_view propName) const
{
    for (const TClassInfo* c = this; c; c = c->parent) {
        for (const TPropInfo& p : c->props) {
            if (SameText(p.name, propName))
                return &p;
        }
    }
    return nullptr;
}

const TEventInfo* TClassInfo::FindEvent(std::string_view eventName) const
{
    for (const TClassInfo* c = this; c; c = c->parent) {
        for (const TEventInfo& e : c->events) {
            if (SameText(e.name, eventName))
                return &e;
        }
    }
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethod(std::string_view methodName) const
{
    for (const TClassInfo* c = this; c; c = c->parent) {
        for (const TMethodInfo& m : c->methods) {
            if (SameText(m.name, methodName))
                return &m;
        }
    }
    return nullptr;
}

const TMethodInfo* TClassInfo::FindMethodById(const void* methodId) const
{
    if (!methodId)
        return nullptr;
    for (const TClassInfo* c = this; c; c = c->parent) {
        for (const TMethodInfo& m : c->methods) {
            if (m.methodId == methodId)
                return &m;
        }
    }
    return nullptr;
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->parent) {
        if (c == &other)
            return true;
    }
    return false;
}

namespace {

template <class Row, class Rows>
std::vector<const Row*> CollectRows(const TClassInfo& info, Rows TClassInfo::*rows)
{
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = &info; c; c = c->parent)
        chain.push_back(c);
    std::vector<const Row*> list;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        for (const Row& row : (*it)->*rows) {
            bool replaced = false;
            for (const Row*& existing : list) {
                if (SameText(existing->name, row.name)) {
                    existing = &row;
                    replaced = true;
                    break;
                }
            }
            if (!replaced)
                list.push_back(&row);
        }
    }
    return list;
}

} // namespace

std::vector<const TPropInfo*> TClassInfo::PropList() const
{
    return CollectRows<TPropInfo>(*this, &TClassInfo::props);
}

std::vector<const TEventInfo*> TClassInfo::EventList() const
{
    return CollectRows<TEventInfo>(*this, &TClassInfo::events);
}

// ---- registry -----------------------------------------------------------------------------

namespace {

struct Registry {
    std::unordered_map<std::string, const TClassInfo*> byName; // ASCII lower-case keys
    std::vector<std::unique_ptr<std::string>> categoryNames; // stable storage for the views
    std::vector<TClassCategoryEntry> categories;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

std::string_view InternCategory(Registry& r, std::string_view category)
{
    for (const auto& name : r.categoryNames) {
        if (*name == category)
            return *name;
    }
    r.categoryNames.push_back(std::make_unique<std::string>(category));
    return *r.categoryNames.back();
}

} // namespace

void RegisterClass(const TClassInfo& info, std::string_view category)
{
    Registry& r = TheRegistry();
    auto [it, inserted] = r.byName.try_emplace(AsciiLowerCase(info.name), &info);
    if (!inserted && it->second != &info)
        throw Exception("A class named " + std::string(info.name) + " already exists");
    if (!category.empty())
        r.categories.push_back({ InternCategory(r, category), &info });
}

const TClassInfo* FindClass(std::string_view name)
{
    const Registry& r = TheRegistry();
    auto it = r.byName.find(AsciiLowerCase(name));
    return it == r.byName.end() ? nullptr : it->second;
}

std::span<const TClassCategoryEntry> ClassCategories()
{
    return TheRegistry().categories;
}

std::vector<const TClassInfo*> ClassesInCategory(std::string_view category)
{
    std::vector<const TClassInfo*> result;
    for (const TClassCategoryEntry& e : TheRegistry().categories) {
        if (SameText(e.category, category))
            result.push_back(e.classInfo);
    }
    return result;
}

} // namespace rtl
