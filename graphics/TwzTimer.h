#pragma once

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

#include <cstdint>

// The window-less timer: a process-wide registry that maps the ids of the window system's
// timers to methods, and the TwzTimer component built on it. The animation clocks derive from
// TwzTimer. Everything here runs on the GUI thread: ticks arrive through the message loop, so
// a tick never runs beside other GUI code and the registry needs no lock.

/// The method a registered timer calls on each tick: an object and one of its methods.
using TwzTimerMethod = rtl::TEvent<>;

/// Starts a window-system timer that calls `method` every `interval` milliseconds (the first
/// tick one full interval from now) and records it. Returns its id, or 0 (and keeps nothing)
/// when the interval is not positive, the method is empty, or no timer could be started (no
/// application runs).
uint32_t RegisterTimer(int32_t interval, const TwzTimerMethod& method);
/// Stops and forgets every record with `id`; true when a timer was stopped.
bool UnregisterTimer(uint32_t id);
/// The tick of timer `id`: calls the method of its record; an id without a record calls
/// nothing. Exposed for the window layer's timer callback and for tests.
void TimerCallback(uint32_t id);
/// Frees the registry at shut-down. Timers still registered are not stopped; their later
/// ticks find no record and do nothing.
void FreeTimerRegistry();
/// The number of registered timers (0 when there is no registry).
[[nodiscard]] int TimerRegistryCount();

class TwzTimer : public rtl::TComponent {
    RTL_CLASS(TwzTimer, rtl::TComponent)
public:
    /// Interval 1000, enabled; no timer runs until OnTimer is assigned.
    explicit TwzTimer(rtl::TComponent* owner);

    /// Milliseconds between ticks; 0 stops the timer.
    [[nodiscard]] uint32_t GetInterval() const { return m_interval; }
    virtual void SetInterval(uint32_t value);
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool value);
    [[nodiscard]] const rtl::TNotifyEvent& GetOnTimer() const { return m_onTimer; }
    /// Nothing happens when `value` is the same method as the current handler, whatever its
    /// object: the current handler stays with its own object.
    virtual void SetOnTimer(const rtl::TNotifyEvent& value);
    /// The registry id of the running timer; -1 while none runs.
    [[nodiscard]] int64_t GetTimerId() const { return m_timerId; }

    /// Raises OnTimer; descendants override it to run their clock.
    virtual void Timer();
    /// Stops any running timer, then starts one when the timer is enabled, has an interval
    /// and a handler, and is neither loading, being destroyed nor designed.
    virtual void UpdateTimer();
    virtual void KillTimer();

    void Loaded() override;

protected:
    ~TwzTimer() override = default;
    void BeforeDestruction() override;

private:
    /// The registered method: a tick while enabled and with an interval runs Timer.
    void DoTimer();

    uint32_t m_interval = 1000;
    int64_t m_timerId = -1;
    rtl::TNotifyEvent m_onTimer;
    bool m_enabled = true;
};
