#include "platform/ui/Application.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Worker.h"

#include <cassert>
#include <cstdio>

namespace platform::ui {
namespace {

std::atomic<Application*> g_current { nullptr };

// Components freed "later" go on the next turn, as a posted call.
void PostDeferredFrees()
{
    if (Application* app = Application::TryCurrent())
        app->Post([] { rtl::ProcessDeferred(); });
}

} // namespace

Application::Application()
{
    Application* expected = nullptr;
    const bool installed = g_current.compare_exchange_strong(expected, this);
    assert(installed && "one application per process");
    rtl::SetDeferPoster(PostDeferredFrees);
    if (installed)
        rtl::SetTimerHost(this);
}

Application::~Application()
{
    BeginShutdown();
    WaitForWorkers();
    FinishDeferredFrees();
    rtl::SetDeferPoster(nullptr);
    if (rtl::CurrentTimerHost() == this)
        rtl::SetTimerHost(nullptr);
    Application* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    // Whatever is still queued is destroyed here, on the GUI thread, without running.
}

Application& Application::Current()
{
    Application* app = g_current.load();
    assert(app && "no application");
    return *app;
}

Application* Application::TryCurrent()
{
    return g_current.load();
}

void Application::FinishDeferredFrees()
{
    // A component freed here may defer others.
    for (int round = 0; round < 100; ++round) {
        int freed = 0;
        Guarded([&] { freed = rtl::ProcessDeferred(); });
        if (freed == 0)
            break;
    }
}

void Application::Run()
{
    RunUntil([] { return false; });
}

void Application::RunUntil(const std::function<bool()>& done, const LifetimeWatch& watched)
{
    while (!done() && !watched.Gone() && !m_terminated)
        if (!WaitAndDispatch())
            return;
}

void Application::Terminate()
{
    m_terminated = true;
    WakeLoop();
}

PostId Application::Post(Task call)
{
    if (!call)
        return 0;
    PostId id;
    {
        std::lock_guard lock(m_postMutex);
        id = m_nextPostId++;
        m_posted.push_back(PostedCall { id, std::move(call), false });
        m_postedCount = m_posted.size();
    }
    WakeLoop();
    return id;
}

bool Application::CancelPost(PostId id)
{
    if (id == 0)
        return false;
    Task removed; // destroyed outside the lock: its captures may post again
    {
        std::lock_guard lock(m_postMutex);
        for (auto it = m_posted.begin(); it != m_posted.end(); ++it) {
            if (it->id == id) {
                removed = std::move(it->call);
                m_posted.erase(it);
                m_postedCount = m_posted.size();
                return true;
            }
        }
    }
    return false;
}

void Application::HandOver(Task call)
{
    if (!call || m_shuttingDown.load())
        return;
    {
        std::lock_guard lock(m_postMutex);
        m_posted.push_back(PostedCall { m_nextPostId++, std::move(call), true });
        m_postedCount = m_posted.size();
    }
    WakeLoop();
}

void Application::BeginShutdown()
{
    m_shuttingDown = true;
    std::deque<PostedCall> dropped;
    {
        std::lock_guard lock(m_postMutex);
        for (auto it = m_posted.begin(); it != m_posted.end();) {
            if (it->handOver) {
                dropped.push_back(std::move(*it));
                it = m_posted.erase(it);
            } else {
                ++it;
            }
        }
        m_postedCount = m_posted.size();
    }
}

void Application::DispatchPosted()
{
    // Only the calls queued when the turn began: calls posted meanwhile wait for the next turn,
    // so input gets its chance between them.
    size_t budget;
    {
        std::lock_guard lock(m_postMutex);
        budget = m_posted.size();
    }
    while (budget-- > 0) {
        PostedCall item;
        {
            std::lock_guard lock(m_postMutex);
            if (m_posted.empty())
                break;
            item = std::move(m_posted.front());
            m_posted.pop_front();
            m_postedCount = m_posted.size();
        }
        if (item.handOver && m_shuttingDown.load())
            continue;
        Guarded([&] { item.call(); });
    }
    NoteActivity();
}

uint32_t Application::StartTimer(uint32_t intervalMs, TimerProc tick)
{
    if (intervalMs == 0 || !tick)
        return 0;
    uint32_t id = m_nextTimerId;
    while (id == 0 || m_timers.count(id) != 0)
        ++id;
    m_nextTimerId = id + 1;

    auto record = std::make_shared<TimerRecord>();
    record->id = id;
    record->intervalMs = intervalMs;
    record->tick = std::move(tick);
    if (!BackendStartTimer(*record))
        return 0;
    m_timers.emplace(id, std::move(record));
    return id;
}

bool Application::StopTimer(uint32_t id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    std::shared_ptr<TimerRecord> record = std::move(it->second);
    m_timers.erase(it);
    record->stopped = true;
    BackendStopTimer(*record);
    return true;
}

bool Application::DispatchTimer(uint32_t id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false; // a stale tick
    // The handler may stop this timer and free everything it captured: keep the record alive
    // until the call returns.
    std::shared_ptr<TimerRecord> record = it->second;
    Guarded([&] { record->tick(id); });
    NoteActivity();
    return !record->stopped;
}

void Application::SetOnIdle(IdleHandler handler)
{
    m_onIdle = std::move(handler);
    NoteActivity();
}

uint64_t Application::AddIdleUpdate(std::function<void()> update)
{
    const uint64_t key = m_nextIdleKey++;
    m_idleUpdates.emplace_back(key, std::move(update));
    NoteActivity();
    return key;
}

void Application::RemoveIdleUpdate(uint64_t key)
{
    std::erase_if(m_idleUpdates, [key](const auto& u) { return u.first == key; });
}

void Application::NoteActivity()
{
    if (m_onIdle || !m_idleUpdates.empty())
        m_idleArmed = true;
}

bool Application::DispatchIdle()
{
    // Copies: an update or the handler may change the lists or replace itself.
    const auto updates = m_idleUpdates;
    for (const auto& u : updates)
        Guarded([&] { u.second(); });
    bool done = true;
    if (m_onIdle) {
        IdleHandler handler = m_onIdle;
        Guarded([&] { handler(done); });
    }
    m_idleArmed = !done && (m_onIdle || !m_idleUpdates.empty());
    return m_idleArmed;
}

void Application::HandleException(const std::exception_ptr& error) noexcept
{
    try {
        const std::string message = ExceptionMessage(error);
        if (m_onException) {
            auto handler = m_onException;
            handler(message);
        } else {
            ShowException(message);
        }
    } catch (...) {
        std::fputs("Glyphforge: an error occurred while reporting an error\n", stderr);
    }
}

void Application::SetOnException(std::function<void(const std::string&)> handler)
{
    m_onException = std::move(handler);
}

std::string Application::ExceptionMessage(const std::exception_ptr& error)
{
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void CoalescedCall::Request()
{
    if (m_pending != 0)
        return;
    m_pending = Application::Current().Post([this] {
        m_pending = 0;
        // A copy: the call may free the object that holds this CoalescedCall.
        if (std::function<void()> call = m_call)
            call();
    });
}

void CoalescedCall::Cancel()
{
    if (m_pending == 0)
        return;
    if (Application* app = Application::TryCurrent())
        app->CancelPost(m_pending);
    m_pending = 0;
}

} // namespace platform::ui
