#pragma once

#include "platform/rtl/Dispatch.h"
#include "platform/rtl/Forward.h"
#include "platform/rtl/TimerHost.h"
#include "platform/ui/Types.h"
#include "platform/ui/Window.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The application object: the GUI thread's loops, posted calls, window-less timers, the idle
// handler, hand-over from worker threads, the exception handler, and the factory of forms.
// One exists per process (NativeApplication over GTK, or FakeApplication headless); everything
// except HandOver runs on the GUI thread.
//
// Work is dispatched in the window system's order: input first, then posted calls, then
// painting, then timers, then the idle handler. Timers after painting keep 25/33 ms
// animations from starving the repaint they cause.
namespace platform::ui {

using PostId = uint64_t;

class Application : public rtl::TimerHost {
public:
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    /// The application of this process. Asserts that one exists.
    static Application& Current();
    /// The application, or nullptr before start-up and after shut-down; safe on any thread.
    static Application* TryCurrent();

    // Loops -------------------------------------------------------------------------------

    /// The main loop; returns once Terminate was called.
    void Run();
    /// Ends the main loop and every nested loop.
    void Terminate();
    bool Terminated() const { return m_terminated; }
    /// A nested loop that handles events, waiting for them, until `done` answers true, the
    /// watched object goes or the application terminates. Modal forms, blocking popups and
    /// waits for animations run on it.
    void RunUntil(const std::function<bool()>& done, const LifetimeWatch& watched = {});
    /// The same, ending when the watched component is freed.
    template <class T> void RunUntil(const std::function<bool()>& done, const rtl::Watch<T>& watched)
    {
        RunUntil([&] { return done() || !watched; });
    }
    /// Handles everything pending now without waiting; the idle handler does not run.
    virtual void ProcessMessages() = 0;

    // Posted calls ------------------------------------------------------------------------

    /// Runs `call` on the GUI thread after the current handler, before the next paint, in
    /// posting order. Returns an id for CancelPost.
    PostId Post(Task call);
    /// Removes a posted call that has not run; false when it already ran or was unknown.
    bool CancelPost(PostId id);
    /// From any thread: runs `call` on the GUI thread as a posted call, without waiting for it.
    /// Once shut-down began, the call is destroyed without running (its captures are freed).
    void HandOver(Task call);
    /// Starts shut-down: pending and later hand-overs are dropped.
    void BeginShutdown();
    bool ShuttingDown() const { return m_shuttingDown.load(); }

    // Window-less timers ------------------------------------------------------------------

    using TimerProc = rtl::TimerHost::Tick;
    /// Starts a timer that ticks on the GUI thread every `intervalMs`, the first tick one full
    /// interval from now. Returns its id (> 0), or 0 when the interval is 0 or the handler is
    /// empty. The handler may stop its own timer or start others while it runs.
    uint32_t StartTimer(uint32_t intervalMs, TimerProc tick) override;
    /// Stops a timer; no tick of it runs afterwards. False for an unknown or stopped id.
    bool StopTimer(uint32_t id) override;
    bool TimerRunning(uint32_t id) const { return m_timers.count(id) != 0; }

    // Idle --------------------------------------------------------------------------------

    using IdleHandler = std::function<void(bool& done)>;
    /// The one idle handler: runs when no other work is pending. `done` starts true; leaving
    /// it true waits for the next event before the next call, setting it false asks for
    /// another call as soon as the loop is idle again. Replaces the previous handler.
    void SetOnIdle(IdleHandler handler);
    /// Work done at each idle turn before the idle handler (action updates). Returns a key.
    uint64_t AddIdleUpdate(std::function<void()> update);
    void RemoveIdleUpdate(uint64_t key);

    // Exceptions --------------------------------------------------------------------------

    /// The application's handler for an exception that reached the loop: the OnException
    /// hook when set, else a message shown to the user. Never throws.
    void HandleException(const std::exception_ptr& error) noexcept;
    void SetOnException(std::function<void(const std::string& message)> handler);
    static std::string ExceptionMessage(const std::exception_ptr& error);

    // Windows and services ----------------------------------------------------------------

    [[nodiscard]] virtual std::unique_ptr<Form> CreateForm(const FormOptions& options) = 0;
    /// True when layered forms blend with what is behind them (a compositor runs).
    virtual bool CanLayerWindows() const = 0;
    /// The mouse pointer in screen coordinates.
    virtual Point CursorPos() const = 0;
    virtual Clipboard& GetClipboard() = 0;
    /// Milliseconds of a monotonic clock.
    virtual int64_t TickMs() const = 0;
    /// The visible scene host of this application under a screen point, topmost first.
    virtual SceneHost* HostAtScreenPoint(Point screen) const = 0;
    /// The part of the monitor at a screen point that windows may cover (the monitor less
    /// the panels), in screen pixels; the nearest monitor for a point outside every one.
    [[nodiscard]] virtual Rect ScreenWorkArea(Point near) const = 0;

protected:
    Application();

    struct TimerRecord {
        uint32_t id = 0;
        uint32_t intervalMs = 0;
        TimerProc tick;
        bool stopped = false;
        int64_t dueMs = 0; // the fake's clock
        void* backend = nullptr; // the back end's source
    };

    // Back-end hooks.
    /// Waits for the next event, posted call, paint, timer or idle turn and dispatches it;
    /// false when nothing can ever come (a headless loop with no work left).
    virtual bool WaitAndDispatch() = 0;
    virtual void WakeLoop() = 0; // any thread: a posted call or termination is waiting
    virtual bool BackendStartTimer(TimerRecord& record) = 0;
    virtual void BackendStopTimer(TimerRecord& record) = 0;
    virtual void ShowException(const std::string& message) = 0;

    /// Frees the components deferred to a later turn that will not come: back ends call it
    /// first in their destructors, while everything those components touch still exists.
    void FinishDeferredFrees();

    // Dispatch entry points for the back ends.
    bool HasPosted() const { return m_postedCount.load() > 0; }
    void DispatchPosted();
    /// Runs a tick; false when the timer is gone afterwards (the source should go too).
    bool DispatchTimer(uint32_t id);
    bool IdleArmed() const { return m_idleArmed && m_idleSuppressed == 0; }
    /// Runs the idle updates and the idle handler; true when it wants to run again.
    bool DispatchIdle();
    /// An event or a dispatch happened: the idle handler runs again when the loop is idle.
    void NoteActivity();
    void SuppressIdle(bool suppress) { m_idleSuppressed += suppress ? 1 : -1; }
    const std::map<uint32_t, std::shared_ptr<TimerRecord>>& Timers() const { return m_timers; }

private:
    struct PostedCall {
        PostId id = 0;
        Task call;
        bool handOver = false;
    };

    std::atomic<bool> m_shuttingDown { false };
    bool m_terminated = false;

    mutable std::mutex m_postMutex;
    std::deque<PostedCall> m_posted;
    std::atomic<size_t> m_postedCount { 0 };
    PostId m_nextPostId = 1;

    std::map<uint32_t, std::shared_ptr<TimerRecord>> m_timers;
    uint32_t m_nextTimerId = 1;

    IdleHandler m_onIdle;
    std::vector<std::pair<uint64_t, std::function<void()>>> m_idleUpdates;
    uint64_t m_nextIdleKey = 1;
    bool m_idleArmed = false;
    int m_idleSuppressed = 0;

    std::function<void(const std::string&)> m_onException;
};

/// Runs `f`, handing any exception to the application's handler: every callback that C code
/// calls (signals, sources, codec callbacks) goes through this, so no exception crosses C frames.
/// Each call is a level of dispatches of its own (rtl::DispatchLevel): what its handlers free
/// while dispatches hold it is torn down before it returns, even inside a nested loop.
template <class F> void Guarded(F&& f) noexcept
{
    const rtl::DispatchLevel level;
    try {
        f();
    } catch (...) {
        if (Application* app = Application::TryCurrent())
            app->HandleException(std::current_exception());
    }
}

/// A posted call that is requested many times but runs once per turn: the flag clears before
/// the call runs, so a request made while it runs schedules another turn. Destroying it
/// withdraws a pending turn. GUI thread only.
class CoalescedCall {
public:
    explicit CoalescedCall(std::function<void()> call)
        : m_call(std::move(call))
    { }
    ~CoalescedCall() { Cancel(); }
    CoalescedCall(const CoalescedCall&) = delete;
    CoalescedCall& operator=(const CoalescedCall&) = delete;

    void Request();
    void Cancel();
    bool Pending() const { return m_pending != 0; }

private:
    std::function<void()> m_call;
    PostId m_pending = 0;
};

} // namespace platform::ui
