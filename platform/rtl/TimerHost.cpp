#include "platform/rtl/TimerHost.h"

#include <atomic>

namespace rtl {
namespace {

std::atomic<TimerHost*> g_timerHost { nullptr };

} // namespace

TimerHost* CurrentTimerHost()
{
    return g_timerHost.load();
}

void SetTimerHost(TimerHost* host)
{
    g_timerHost.store(host);
}

} // namespace rtl
