#include "graphics/TwzTimer.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/TimerHost.h"

#include <memory>
#include <vector>

RTL_IMPLEMENT_CLASS(TwzTimer)

namespace {

struct TimerRecord {
    uint32_t id = 0;
    TwzTimerMethod method;
};

// Created on the first successful registration, freed by FreeTimerRegistry.
std::unique_ptr<std::vector<std::unique_ptr<TimerRecord>>> TimerRegistry;

} // namespace

uint32_t RegisterTimer(int32_t interval, const TwzTimerMethod& method)
{
    if (interval <= 0 || !method.Assigned())
        return 0;
    rtl::TimerHost* host = rtl::CurrentTimerHost();
    if (!host)
        return 0;
    const uint32_t id
        = host->StartTimer(static_cast<uint32_t>(interval), [](uint32_t tickId) { TimerCallback(tickId); });
    if (id == 0)
        return 0;
    if (!TimerRegistry)
        TimerRegistry = std::make_unique<std::vector<std::unique_ptr<TimerRecord>>>();
    TimerRegistry->push_back(std::make_unique<TimerRecord>(TimerRecord { id, method }));
    return id;
}

bool UnregisterTimer(uint32_t id)
{
    bool stopped = false;
    if (!TimerRegistry)
        return stopped;
    auto& records = *TimerRegistry;
    for (size_t i = records.size(); i-- > 0;) {
        if (records[i]->id != id)
            continue;
        rtl::TimerHost* host = rtl::CurrentTimerHost();
        stopped = host && host->StopTimer(id);
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return stopped;
}

void TimerCallback(uint32_t id)
{
    if (!TimerRegistry)
        return;
    const auto& records = *TimerRegistry;
    for (size_t i = records.size(); i-- > 0;) {
        if (records[i]->id == id) {
            // The method may unregister its own record (or free the registry): call a copy.
            const TwzTimerMethod method = records[i]->method;
            method();
            return;
        }
    }
}

void FreeTimerRegistry()
{
    TimerRegistry.reset();
}

int TimerRegistryCount()
{
    return TimerRegistry ? static_cast<int>(TimerRegistry->size()) : 0;
}

// ---- TwzTimer ------------------------------------------------------------------------------

TwzTimer::TwzTimer(rtl::TComponent* owner)
    : rtl::TComponent(owner)
{ }

void TwzTimer::BeforeDestruction()
{
    m_onTimer.Clear();
    m_enabled = false;
    KillTimer();
    Inherited::BeforeDestruction();
}

void TwzTimer::Loaded()
{
    Inherited::Loaded();
    UpdateTimer();
}

void TwzTimer::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    UpdateTimer();
}

void TwzTimer::SetInterval(uint32_t value)
{
    if (value == m_interval)
        return;
    m_interval = value;
    UpdateTimer();
}

void TwzTimer::SetOnTimer(const rtl::TNotifyEvent& value)
{
    if (value.SameMethod(m_onTimer))
        return;
    m_onTimer = value;
    UpdateTimer();
}

void TwzTimer::Timer()
{
    m_onTimer(this);
}

void TwzTimer::UpdateTimer()
{
    KillTimer();
    if (!m_enabled || m_interval == 0 || IsLoading() || IsDestroying() || IsDesigning()
        || !m_onTimer.Assigned())
        return;
    TwzTimerMethod method;
    method.Bind<&TwzTimer::DoTimer>(this);
    const uint32_t id = RegisterTimer(static_cast<int32_t>(m_interval), method);
    m_timerId = id == 0 ? -1 : static_cast<int64_t>(id);
}

void TwzTimer::KillTimer()
{
    if (m_timerId == -1)
        return;
    const auto id = static_cast<uint32_t>(m_timerId);
    m_timerId = -1;
    UnregisterTimer(id);
}

void TwzTimer::DoTimer()
{
    if (m_enabled && m_interval != 0)
        Timer();
}
