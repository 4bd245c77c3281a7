#pragma once

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <cstdint>

// The id table: the only way a text may refer to an object or a handler. Wherever a value
// travels as text and comes back as a reference (the bound values of data binding, anything
// similar), the text carries an id from here, never an address. Ids are 64-bit, never given
// out twice, and an id whose object has been destroyed resolves to null, so a stale, forged
// or mistyped text can at worst find nothing. GUI thread only.
namespace rtl {

using TObjectId = uint64_t;

/// The id of `object`, registered on first use; 0 for null. It stays the object's id for
/// the object's lifetime.
[[nodiscard]] TObjectId ObjectToId(TObject* object);

/// The live object with that id; null for 0, an unknown id or a destroyed object.
[[nodiscard]] TObject* IdToObject(TObjectId id);

template <class T> [[nodiscard]] T* IdToObject(TObjectId id)
{
    return dynamic_cast<T*>(IdToObject(id));
}

namespace detail {
TObjectId MethodToId(const TEventBase& handler, const void* signature);
bool IdToMethod(TObjectId id, const void* signature, TEventBase& result);
} // namespace detail

/// The id of a handler (target and method, with its signature); the same handler always
/// gets the same id while its target lives. 0 when unassigned.
template <class... A> [[nodiscard]] TObjectId MethodToId(const TEvent<A...>& handler)
{
    return detail::MethodToId(handler, SignatureOf<TEvent<A...>>());
}

/// The handler with that id: unassigned for an unknown id, a destroyed target, or a handler
/// of another signature.
template <class EventType> [[nodiscard]] EventType IdToMethod(TObjectId id)
{
    EventType result;
    detail::IdToMethod(id, SignatureOf<EventType>(), result);
    return result;
}

/// Lets TObject's destructor remove it from the table.
struct ObjectIdAccess {
    static void Forget(TObject& object);
};

} // namespace rtl
