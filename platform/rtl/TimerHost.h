#pragma once

#include <cstdint>
#include <functional>

namespace rtl {

/// The window-less timers of the event loop, as the components that need ticks see them. The
/// event loop installs itself as the host for as long as it exists; everything runs on the GUI
/// thread.
class TimerHost {
public:
    using Tick = std::function<void(uint32_t id)>;
    /// Starts a timer that ticks every `intervalMs`, the first tick one full interval from now.
    /// Returns its id (> 0), or 0 when the interval is 0, the tick is empty or no timer could
    /// be started. The tick may stop its own timer or start others.
    virtual uint32_t StartTimer(uint32_t intervalMs, Tick tick) = 0;
    /// Stops a timer; no tick of it runs afterwards. False for an unknown or stopped id.
    virtual bool StopTimer(uint32_t id) = 0;

protected:
    TimerHost() = default;
    ~TimerHost() = default;
    TimerHost(const TimerHost&) = default;
    TimerHost& operator=(const TimerHost&) = default;
};

/// The installed host, or nullptr before the event loop exists and after it is gone.
[[nodiscard]] TimerHost* CurrentTimerHost();
/// Installed by the event loop; nullptr removes it.
void SetTimerHost(TimerHost* host);

} // namespace rtl
