#pragma once

#include "platform/rtl/Forward.h"

// Dispatches and the frees they defer.
//
// A dispatch is one event delivered to a component: input reaching a scene or one of its
// objects (a DispatchGuard), and every event raised with a component as its sender (TEvent
// holds the sender while its handler runs). While a dispatch holds a component, a Free() of
// it, or of a component that owns or parents it at any depth, is deferred: the component is
// freed for everybody at once (TComponent::Free tells how), and its teardown waits until the
// outermost dispatch returns. So a handler may close the window its event came from, and
// the code that raised the event runs on to its end without checks of its own.
//
// The outermost dispatch is that of a level. The event loop opens a level for every call it
// makes into the program (a DispatchLevel), so the dispatches of a nested loop (a modal
// form, a blocking menu) tear down what they freed before the loop returns, while what was
// freed outside the loop, or is still held there, waits for the dispatches outside. Code
// outside any loop (start-up, tests) is one level.
//
// All of this is per thread: a free on a thread without dispatches is never deferred.
namespace rtl {

namespace detail {

/// One dispatch on this thread's stack.
struct DispatchFrame {
    const TObject* receiver; // a component, or null for an event whose sender is none
    DispatchFrame* outer;
};

inline thread_local DispatchFrame* t_innermostFrame = nullptr;
/// The levels open (DispatchLevel) and the dispatches running in the innermost one.
inline thread_local int t_level = 0;
inline thread_local int t_levelFrames = 0;
/// Components freed while held, their teardown still to come; while none is, neither a
/// sender nor a watch target needs a look.
inline thread_local int t_deferredFrees = 0;

/// Tears down the components deferred in the current level (or a nested one) that no
/// dispatch holds any more; those of outer levels wait for their own.
void TearDownDeferred();
/// Whether `sender` is a component freed for everybody (TComponent::IsFreed).
bool IsFreedSender(const TObject* sender);

/// Holds `receiver` (a component, or null) for one dispatch.
class DispatchHold {
public:
    explicit DispatchHold(const TObject* receiver)
        : m_frame { receiver, t_innermostFrame }
    {
        t_innermostFrame = &m_frame;
        ++t_levelFrames;
    }
    ~DispatchHold()
    {
        t_innermostFrame = m_frame.outer;
        if (--t_levelFrames == 0 && t_deferredFrees != 0)
            TearDownDeferred();
    }
    DispatchHold(const DispatchHold&) = delete;
    DispatchHold& operator=(const DispatchHold&) = delete;

private:
    DispatchFrame m_frame;
};

} // namespace detail

/// Holds `receiver` while one event is dispatched to it: a scene's window hook holds the
/// scene, its routing each object the input reaches. Guards nest; null holds nothing.
class DispatchGuard {
public:
    explicit DispatchGuard(TComponent* receiver);
    DispatchGuard(const DispatchGuard&) = delete;
    DispatchGuard& operator=(const DispatchGuard&) = delete;

private:
    detail::DispatchHold m_hold;
};

/// A level of dispatches: the event loop's call into the program. The dispatches inside are
/// the outermost of their level even when a nested loop runs them inside another dispatch.
class DispatchLevel {
public:
    DispatchLevel()
        : m_outerFrames(detail::t_levelFrames)
    {
        ++detail::t_level;
        detail::t_levelFrames = 0;
    }
    ~DispatchLevel()
    {
        --detail::t_level;
        detail::t_levelFrames = m_outerFrames;
    }
    DispatchLevel(const DispatchLevel&) = delete;
    DispatchLevel& operator=(const DispatchLevel&) = delete;

private:
    int m_outerFrames;
};

} // namespace rtl
