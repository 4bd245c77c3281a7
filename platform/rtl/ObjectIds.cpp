#include "platform/rtl/ObjectIds.h"

#include <unordered_map>

namespace rtl {
namespace {

struct MethodEntry {
    TEventBase handler;
    const void* signature;
};

struct IdTable {
    TObjectId next = 1;
    std::unordered_map<TObjectId, TObject*> objects;
    std::unordered_map<const TObject*, TObjectId> ids;
    std::unordered_map<TObjectId, MethodEntry> methods;
    std::unordered_multimap<const TObject*, TObjectId> methodsByTarget;
};

IdTable& Table()
{
    // Never destroyed: objects may outlive static destruction and still forget their ids.
    static IdTable* table = new IdTable;
    return *table;
}

} // namespace

struct ObjectIdMarker {
    static void Mark(TObject& object) { object.m_hasObjectId = true; }
};

TObjectId ObjectToId(TObject* object)
{
    if (!object)
        return 0;
    IdTable& t = Table();
    auto [it, inserted] = t.ids.try_emplace(object, 0);
    if (inserted) {
        it->second = t.next++;
        t.objects.emplace(it->second, object);
        ObjectIdMarker::Mark(*object);
    }
    return it->second;
}

TObject* IdToObject(TObjectId id)
{
    const IdTable& t = Table();
    auto it = t.objects.find(id);
    return it == t.objects.end() ? nullptr : it->second;
}

void ObjectIdAccess::Forget(TObject& object)
{
    IdTable& t = Table();
    if (auto it = t.ids.find(&object); it != t.ids.end()) {
        t.objects.erase(it->second);
        t.ids.erase(it);
    }
    auto [first, last] = t.methodsByTarget.equal_range(&object);
    for (auto it = first; it != last; ++it)
        t.methods.erase(it->second);
    t.methodsByTarget.erase(first, last);
}

namespace detail {

TObjectId MethodToId(const TEventBase& handler, const void* signature)
{
    if (!handler.Assigned())
        return 0;
    IdTable& t = Table();
    TObject* target = handler.Target();
    auto [first, last] = t.methodsByTarget.equal_range(target);
    for (auto it = first; it != last; ++it) {
        const MethodEntry& e = t.methods.at(it->second);
        if (e.signature == signature && e.handler.MethodId() == handler.MethodId())
            return it->second;
    }
    (void)ObjectToId(target); // so the entry goes when the target does
    const TObjectId id = t.next++;
    t.methods.emplace(id, MethodEntry { handler, signature });
    t.methodsByTarget.emplace(target, id);
    return id;
}

bool IdToMethod(TObjectId id, const void* signature, TEventBase& result)
{
    const IdTable& t = Table();
    auto it = t.methods.find(id);
    if (it == t.methods.end() || it->second.signature != signature)
        return false;
    result = it->second.handler;
    return true;
}

} // namespace detail
} // namespace rtl
