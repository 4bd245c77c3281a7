#pragma once

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Object.h"

#include <cassert>
#include <string_view>
#include <type_traits>
#include <utility>

// Events: "a method of an object, or nothing". An event member (OnClick, OnChange) holds at
// most one handler: a target object and one of its methods. Code binds it with
//     button->OnClick.Bind<&TMainForm::ExportButtonClick>(this);
// and a stored description binds it by the handler's name through the root's handler table
// (RTL_HANDLER). Raising an unassigned event does nothing.
namespace rtl {

namespace detail {
// Mutable, so that identical-code or identical-constant folding can never merge two of them:
// each address is unique to its template argument.
template <class T> inline char kSignatureTag = 0;
template <auto Method> inline char kMethodTag = 0;

/// Events whose first argument is a TObject*: the sender, by convention.
template <class... A> struct SenderFirst : std::false_type { };
template <class... Rest> struct SenderFirst<TObject*, Rest...> : std::true_type { };

template <class... Rest> const TObject* SenderOf(const TObject* sender, const Rest&...)
{
    return sender;
}
} // namespace detail

/// One address per event type; a handler fits an event when their signatures are equal.
template <class EventType> constexpr const void* SignatureOf()
{
    return &detail::kSignatureTag<EventType>;
}

/// One address per method. Two handlers are the same method when these are equal; the
/// addresses of the generated call thunks are never compared.
template <auto Method> constexpr const void* MethodIdOf()
{
    return &detail::kMethodTag<Method>;
}

/// The untyped part of every event: target, method identity and handler name.
class TEventBase {
public:
    [[nodiscard]] bool Assigned() const { return m_thunk != nullptr; }
    explicit operator bool() const { return Assigned(); }

    [[nodiscard]] TObject* Target() const { return m_target; }
    [[nodiscard]] const void* MethodId() const { return m_methodId; }
    /// The name the handler was bound by (from a stored description or given to Bind);
    /// empty when bound in code without one.
    [[nodiscard]] std::string_view HandlerName() const { return m_handlerName; }

    /// The same method, whatever the target (a timer compares only this).
    [[nodiscard]] bool SameMethod(const TEventBase& other) const { return m_methodId == other.m_methodId; }
    /// The same target and the same method; the handler names do not matter.
    friend bool operator==(const TEventBase& a, const TEventBase& b)
    {
        return a.m_target == b.m_target && a.m_methodId == b.m_methodId;
    }

    void Clear()
    {
        m_target = nullptr;
        m_methodId = nullptr;
        m_thunk = nullptr;
        m_handlerName = {};
    }

protected:
    using ErasedThunk = void (*)();

    TObject* m_target = nullptr;
    const void* m_methodId = nullptr;
    ErasedThunk m_thunk = nullptr; // a TEvent<A...>::Thunk; cast back by TEvent only
    std::string_view m_handlerName; // points into a static handler table or literal
};

/// An event with arguments A... (the sender first, by convention). Copyable: a copy is the
/// same handler.
template <class... A> class TEvent : public TEventBase {
public:
    using Thunk = void (*)(TObject*, A...);

    /// Binds Method of `target`; `handlerName` must outlive the event (a literal or a table
    /// entry). The target is not owned.
    template <auto Method, class C> void Bind(C* target, std::string_view handlerName = {})
    {
        static_assert(std::is_base_of_v<TObject, C>, "event handlers are methods of TObject classes");
        assert(target);
        m_target = target;
        m_methodId = MethodIdOf<Method>();
        Thunk thunk = [](TObject* t, A... args) { (static_cast<C*>(t)->*Method)(std::forward<A>(args)...); };
        m_thunk = reinterpret_cast<ErasedThunk>(thunk);
        m_handlerName = handlerName;
    }

    /// Calls the handler; does nothing when unassigned. With a sender (a TObject* first),
    /// the call is a dispatch that holds the sender when it is a component (Dispatch.h): the
    /// handler may free it, or the window it sits in, and the code that raised the event
    /// runs on. A sender already freed raises nothing: a freed component has no more events.
    /// Nothing of the event is touched after the call.
    void operator()(A... args) const
    {
        if (!m_thunk)
            return;
        if constexpr (detail::SenderFirst<A...>::value) {
            const TObject* sender = detail::SenderOf(args...);
            if (detail::t_deferredFrees != 0 && detail::IsFreedSender(sender))
                return;
            const detail::DispatchHold hold(sender && sender->IsComponent() ? sender : nullptr);
            reinterpret_cast<Thunk>(m_thunk)(m_target, std::forward<A>(args)...);
        } else {
            reinterpret_cast<Thunk>(m_thunk)(m_target, std::forward<A>(args)...);
        }
    }
};

/// The plain notification: the sender only.
using TNotifyEvent = TEvent<TObject*>;

/// A published event of a class: its name, signature and the member it lives in.
struct TEventInfo {
    std::string_view name;
    const void* signature;
    TEventBase& (*access)(TObject& object);
};

/// A handler that stored descriptions may name: a method of the root (a form), with the
/// signature of the events it fits and a binder that assigns it to such an event.
struct TMethodInfo {
    std::string_view name;
    const void* signature;
    const void* methodId;
    void (*bind)(TEventBase& event, TObject& target);
};

} // namespace rtl

// The class and event type arguments below name types (static_cast<Cls&>), which cannot be
// put in parentheses.
// NOLINTBEGIN(bugprone-macro-parentheses)

/// A row of a class's event table: RTL_EVENT(TwzButton, OnClick). The event must be a
/// public member.
#define RTL_EVENT(Cls, Name)                                                                                 \
    ::rtl::TEventInfo                                                                                        \
    {                                                                                                        \
#Name, ::rtl::SignatureOf < decltype(Cls::Name)>(),                                                  \
            [](::rtl::TObject & o) -> ::rtl::TEventBase& { return static_cast<Cls&>(o).Name; }               \
    }

/// A row of a form's handler table: RTL_HANDLER(TMainForm, ExportButtonClick, rtl::TNotifyEvent).
/// The cast in the binder is safe: the reader binds only after the signatures matched.
#define RTL_HANDLER(Cls, Method, EventType)                                                                  \
    ::rtl::TMethodInfo                                                                                       \
    {                                                                                                        \
#Method, ::rtl::SignatureOf<EventType>(), ::rtl::MethodIdOf<&Cls::Method>(),                     \
            [](::rtl::TEventBase& e, ::rtl::TObject& t) {                                                \
                static_cast<EventType&>(e).template Bind<&Cls::Method>(&static_cast<Cls&>(t), #Method);  \
            }           \
    }

// NOLINTEND(bugprone-macro-parentheses)
