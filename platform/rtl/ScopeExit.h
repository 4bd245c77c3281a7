#pragma once

#include <exception>
#include <utility>

namespace rtl {

/// Runs a function on every way out of a scope, exceptions included: the undo of a change
/// that must not outlive the scope (an update batch, a borrowed name, a child hidden for one
/// paint). For a variable set for the scope, ScopedAssign says it shorter.
///
///     BeginUpdate();
///     ScopeExit endUpdate([&] { EndUpdate(); });
///
/// Left normally, the scope passes an exception of the function on to the caller, as the same
/// call written after the scope would. Left by an exception, an exception of the function is
/// dropped: the one already on its way is the one to report.
template <class F> class ScopeExit {
public:
    explicit ScopeExit(F fn)
        : m_fn(std::move(fn))
    { }
    ~ScopeExit() noexcept(false)
    {
        if (std::uncaught_exceptions() == m_exceptions) {
            m_fn();
            return;
        }
        try {
            m_fn();
        } catch (...) { }
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F m_fn;
    int m_exceptions = std::uncaught_exceptions();
};

/// Runs a function only when the scope is left by an exception: the undo of a change that is
/// kept when the work completes (a size that could not be had goes back to zero, an object
/// whose read failed goes). An exception of the function is dropped, as in ScopeExit.
template <class F> class ScopeFailure {
public:
    explicit ScopeFailure(F fn)
        : m_fn(std::move(fn))
    { }
    ~ScopeFailure()
    {
        if (std::uncaught_exceptions() == m_exceptions)
            return;
        try {
            m_fn();
        } catch (...) { }
    }
    ScopeFailure(const ScopeFailure&) = delete;
    ScopeFailure& operator=(const ScopeFailure&) = delete;

private:
    F m_fn;
    int m_exceptions = std::uncaught_exceptions();
};

} // namespace rtl
