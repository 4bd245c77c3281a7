#include "platform/ui/Worker.h"

#include "platform/ui/Application.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

namespace platform::ui {
namespace {

constexpr size_t kWorkerStackSize = 4194304;

std::mutex g_mutex;
std::condition_variable g_finished;
int g_running = 0;

void LowerPriority()
{
    sched_param param {};
    param.sched_priority = 0;
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

void* WorkerMain(void* data)
{
    std::unique_ptr<Task> body(static_cast<Task*>(data));
    LowerPriority();
    try {
        (*body)();
    } catch (...) {
        if (Application* app = Application::TryCurrent()) {
            std::exception_ptr error = std::current_exception();
            app->HandOver([error] { std::rethrow_exception(error); });
        }
    }
    body.reset();
    {
        std::lock_guard lock(g_mutex);
        --g_running;
    }
    g_finished.notify_all();
    return nullptr;
}

} // namespace

bool StartWorker(Task body)
{
    if (!body)
        return false;
    auto owned = std::make_unique<Task>(std::move(body));
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0)
        return false;
    pthread_attr_setstacksize(&attr, kWorkerStackSize);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    {
        std::lock_guard lock(g_mutex);
        ++g_running;
    }
    pthread_t thread;
    const int rc = pthread_create(&thread, &attr, WorkerMain, owned.get());
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        {
            std::lock_guard lock(g_mutex);
            --g_running;
        }
        g_finished.notify_all();
        return false;
    }
    (void)owned.release(); // the thread owns it now
    return true;
}

void WaitForWorkers()
{
    std::unique_lock lock(g_mutex);
    g_finished.wait(lock, [] { return g_running == 0; });
}

int RunningWorkers()
{
    std::lock_guard lock(g_mutex);
    return g_running;
}

} // namespace platform::ui
