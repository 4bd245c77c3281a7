#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/ObjectIds.h"
#include "platform/rtl/Value.h"
#include "ui2d/Forward.h"
#include "ui2d/TwzObject.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The process-wide state of the 2D object library and its start-up and shut-down: the text
// forms of bound values, the list of live objects with the search by resource name, the
// palette categories, the list of hosts, objects created from component streams, and the
// class variables and globals the library sets.

// ---- bound values ------------------------------------------------------------------------
//
// A bound value (GetData/SetData) may carry an object or an event handler as text: "wzobj"
// followed by a decimal id, or "wzmet" followed by sixteen hexadecimal digits of an id. The
// ids come from the id table of the component model, never from addresses, so a text that
// is stale, forged or mistyped resolves to nothing.

/// The text form of an object reference ("wzobj" and the object's id; null gives id 0).
[[nodiscard]] rtl::TValue ObjectToVariant(rtl::TObject* object);
/// True when the value's text is not empty and begins with "wzobj".
[[nodiscard]] bool VariantIsObject(const rtl::TValue& value);
/// The live object the text names; null for any other text, an unknown id or a freed object.
[[nodiscard]] rtl::TObject* VariantToObject(const rtl::TValue& value);

/// True when the value's text is not empty and begins with "wzmet".
[[nodiscard]] bool VariantIsMethod(const rtl::TValue& value);

namespace ui2d {
/// The text of a bound value: texts as they are, numbers in their text form, Booleans as
/// "True"/"False", anything else empty.
[[nodiscard]] std::string VariantToText(const rtl::TValue& value);
[[nodiscard]] rtl::TValue MethodIdToVariant(rtl::TObjectId id);
/// The id a "wzmet" text carries; nullopt for any other text.
[[nodiscard]] std::optional<rtl::TObjectId> VariantToMethodId(const rtl::TValue& value);
} // namespace ui2d

/// The text form of an event handler (object and method); an unassigned handler gives id 0.
template <class... A> [[nodiscard]] rtl::TValue MethodToVariant(const rtl::TEvent<A...>& handler)
{
    return ui2d::MethodIdToVariant(rtl::MethodToId(handler));
}

/// The handler a "wzmet" text names; unassigned for any other text, an unknown id, a freed
/// target or a handler of another signature.
template <class EventType> [[nodiscard]] EventType VariantToMethod(const rtl::TValue& value)
{
    if (std::optional<rtl::TObjectId> id = ui2d::VariantToMethodId(value))
        return rtl::IdToMethod<EventType>(*id);
    return EventType();
}

// ---- live objects ------------------------------------------------------------------------

/// Adds a new object to the list of live 2D objects (every TwzObject constructor does);
/// nothing when it is listed already. Objects leave the list when they are freed.
void AddObjectInstance(TwzObject* object);

/// The most recently created live object that is Stored and whose ResourceName equals
/// `name`, ignoring ASCII case; null when none does or the name is empty.
[[nodiscard]] TwzObject* FindResourceObject(std::string_view name);

namespace ui2d {
/// The live objects, in construction order.
[[nodiscard]] std::vector<TwzObject*> ObjectInstances();
[[nodiscard]] int ObjectInstanceCount();

/// The links of the live-object list, kept inside the objects.
struct ObjectInstanceAccess {
    static void Add(TwzObject* object);
    static void Remove(TwzObject* object);
    /// The next newer object (the oldest for null); null after the newest.
    [[nodiscard]] static TwzObject* Next(const TwzObject* object);
    /// The next older object (the newest for null); null before the oldest.
    [[nodiscard]] static TwzObject* Prev(const TwzObject* object);
};
} // namespace ui2d

// ---- palette categories ------------------------------------------------------------------

namespace ui2d {
struct CategoryEntry {
    std::string category;
    const rtl::TClassInfo* classInfo = nullptr;
};
} // namespace ui2d

/// Adds the pair (category, class) to Object2DCategoryList, which stays sorted by category
/// name without regard to ASCII case; a pair already listed is not added again. Within a
/// category the most recently registered class comes first.
void Register2DObjectClass(std::string_view category, const rtl::TClassInfo& classInfo);

/// For each class in order: Register2DObjectClass and registration for streaming.
void Register2DObjects(std::string_view category, std::span<const rtl::TClassInfo* const> classes);

template <class... T> void Register2DObjects(std::string_view category)
{
    const rtl::TClassInfo* const classes[] = { &T::StaticClass()... };
    Register2DObjects(category, classes);
}

/// The (category, class) pairs the design-time object menus offer.
[[nodiscard]] std::span<const ui2d::CategoryEntry> Object2DCategoryList();

// ---- hosts -------------------------------------------------------------------------------

/// Hosts register when they are created (no duplicates) and unregister when they are
/// destroyed. Unregistering also clears the host link of every live object that still
/// points at the host, so no object is left holding a freed host.
void RegisterScene(IwzScene* scene);
void UnregisterScene(IwzScene* scene);
/// The registered hosts, in registration order.
[[nodiscard]] std::vector<IwzScene*> SceneList();

// ---- objects from streams ----------------------------------------------------------------

/// Creates an object of the stream's root class with `owner` and reads the stream into it
/// (names cleared, bad properties skipped). Never raises: null when the class is unknown or
/// not a 2D object, or the stream is damaged before the object exists; the partly read
/// object when the damage comes later. The one error it raises is rtl::LimitError, when the
/// object's pictures need more than one load may take: the object is freed first.
[[nodiscard]] TwzObject* Create2DObjectFromStream(rtl::TComponent* owner, rtl::TStream& stream);
/// The same from object text.
[[nodiscard]] TwzObject* Create2DObjectFromTextStream(rtl::TComponent* owner, rtl::TStream& stream);

// ---- globals -----------------------------------------------------------------------------

/// The built-in style's root, read on first need; freed at shut-down.
inline rtl::Watch<TwzObject> DefaultStyle;

/// The designer hook; nothing in the system assigns it, and every call through it is
/// skipped while it is unset.
inline ui2d::SceneDesignerHook* SceneDesigner = nullptr;

// ---- start-up and shut-down --------------------------------------------------------------

/// Registers the library's classes and categories and sets its class variables; runs once
/// before any window is created. A second call does nothing until Finalize2DLibrary.
void Initialize2DLibrary();
/// Frees the library's registries and globals; runs after the windows have been freed.
/// Objects still alive are not freed.
void Finalize2DLibrary();

namespace ui2d {

/// Handles the application's pending messages once; false when the loop is ending. The
/// window layer installs it at start-up.
using MessagePump = bool (*)();
void SetMessagePump(MessagePump pump);

/// The pump the library's start-up installs: one turn of the application's loop, waiting
/// for the next event, timer or posted call; false without an application or once it ends.
bool PumpApplication();

/// One turn of the installed pump. False when no pump is installed (nothing could change
/// while waiting) or the pump reports that the loop is ending, so waits end.
bool PumpMessages();

} // namespace ui2d
