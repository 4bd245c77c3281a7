#pragma once

#include "platform/rtl/Component.h"

#include <type_traits>
#include <utility>

namespace rtl {

/// Gives a variable a value for the length of a scope and puts the previous value back on
/// every way out, exceptions included. When the variable is a member of a component, name the
/// component: a component freed inside the scope is not written to afterwards.
///
///     ScopedAssign painting(this, m_paintContext, &context);
template <class T> class ScopedAssign {
public:
    ScopedAssign(T& variable, std::type_identity_t<T> value)
        : m_variable(variable)
        , m_previous(std::exchange(variable, std::move(value)))
    { }
    ScopedAssign(TComponent* owner, T& variable, std::type_identity_t<T> value)
        : m_owner(owner)
        , m_watchesOwner(true)
        , m_variable(variable)
        , m_previous(std::exchange(variable, std::move(value)))
    { }
    ~ScopedAssign()
    {
        if (!m_watchesOwner || m_owner)
            m_variable = std::move(m_previous);
    }
    ScopedAssign(const ScopedAssign&) = delete;
    ScopedAssign& operator=(const ScopedAssign&) = delete;

private:
    Watch<TComponent> m_owner;
    bool m_watchesOwner = false;
    T& m_variable;
    T m_previous;
};

} // namespace rtl
