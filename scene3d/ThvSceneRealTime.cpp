// The scene control's real-time mode: while RealTime is on at run time the application's idle
// handler belongs to the scene, and every idle turn advances time, ticks the objects, steps
// the physics worlds, renders one frame and sleeps RealTimeSleep milliseconds.

#include "scene3d/ThvScene.h"

#include "scene3d/ThvObject.h"
#include "scene3d/ThvPhysics.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"

#include <chrono>
#include <thread>
#include <vector>

namespace {

// The scene whose handler the application's idle handler is; only that scene may remove it.
ThvScene* g_idleScene = nullptr;

// Two frames in the same millisecond still advance time.
constexpr double kMinDeltaTime = 0.001;

} // namespace

void ThvScene::SetRealTime(bool value)
{
    if (value == m_realTime)
        return;
    m_realTime = value;
    if (IsDesigning())
        return;
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    if (!app)
        return;
    if (value) {
        // The last scene switched on owns the one idle handler; any other handler goes.
        app->SetOnIdle([this](bool& done) { DoIdle(done); });
        g_idleScene = this;
    } else {
        UnhookIdle();
    }
}

void ThvScene::UnhookIdle()
{
    if (g_idleScene != this)
        return;
    g_idleScene = nullptr;
    if (platform::ui::Application* app = platform::ui::Application::TryCurrent())
        app->SetOnIdle({});
}

void ThvScene::DoIdle(bool& done)
{
    done = true;
    if (!m_realTime)
        return;
    const rtl::DispatchGuard held(this);
    RealTimeStep();
    // Called again as soon as the queue is empty, not at the next message; a scene freed by
    // its own frame unhooks itself.
    if (!IsFreed())
        done = false;
}

void ThvScene::RealTimeStep()
{
    platform::ui::Application* app = platform::ui::Application::TryCurrent();
    const double now = app ? static_cast<double>(app->TickMs()) / 1000 : 0;
    if (m_time == 0)
        m_time = now;
    m_deltaTime = now - m_time;
    if (!(m_deltaTime > 0))
        m_deltaTime = kMinDeltaTime;
    m_time = now;

    m_frameTime += m_deltaTime;
    m_frameCount += 1;
    if (m_frameTime > 1) {
        m_fps = m_frameCount / m_frameTime;
        m_frameTime = 0;
        m_frameCount = 0;
    }

    // Ticks may change the tree, free objects or the scene itself: the walk goes over the
    // roots as they were and skips those gone since.
    const rtl::DispatchGuard held(this);
    const std::vector<rtl::Watch<ThvObject>> roots(m_objects.begin(), m_objects.end());
    for (const rtl::Watch<ThvObject>& root : roots) {
        if (ThvObject* object = root.Get())
            object->ProcessTick(m_time, m_deltaTime);
        if (IsFreed())
            return;
    }

    if (ThvPhysics* physics = m_physics.get()) {
        if (ThvPhysicsWorld world = physics->GetCameraWorld())
            physics->Update(world, m_deltaTime);
        if (ThvPhysicsWorld world = physics->GetScreenWorld())
            physics->Update(world, m_deltaTime);
    }

    Render();
    if (IsFreed())
        return;

    if (m_realTimeSleep > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_realTimeSleep));
    else
        std::this_thread::yield();
}
