#include "ui2d/TwzAnimation.h"

#include "ui2d/IwzScene.h"
#include "ui2d/TwzTriggers.h"
#include "ui2d/TwzVisualObject.h"

#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <utility>

namespace {

constexpr rtl::TPropInfo kAnimationProps[] = {
    RTL_PROP(TwzAnimation, AnimationType, Enum, wzAnimationIn),
    RTL_PROP(TwzAnimation, AutoReverse, Boolean, false),
    RTL_PROP(TwzAnimation, Delay, Float, rtl::kNoDefault),
    RTL_PROP(TwzAnimation, Duration, Float, rtl::kNoDefault),
    RTL_PROP(TwzAnimation, Enabled, Boolean, false),
    RTL_PROP(TwzAnimation, HideOnFinish, Boolean, rtl::kNoDefault),
    RTL_PROP(TwzAnimation, Interpolation, Enum, wzInterpolationLinear),
    RTL_PROP(TwzAnimation, Inverse, Boolean, false),
    RTL_PROP(TwzAnimation, Loop, Boolean, false),
    RTL_PROP(TwzAnimation, Trigger, String, ""),
};

constexpr rtl::TEventInfo kAnimationEvents[] = {
    RTL_EVENT(TwzAnimation, OnFinish),
};

constexpr uint32_t kClockInterval = 33;
// A run ends on the tick that reaches its end, and a delay on the tick that uses it up: time
// adds up differences of clock readings in double while Duration and Delay are single floats,
// so "reached" allows for the rounding between them.
constexpr double kTimeEpsilon = 1e-6;
// What a duration too short to run becomes once it has finished at once; stored styles carry it.
constexpr float kFinishedDuration = 0.00001f;

// Created by the first normal Start; freed by FreeAniThread.
TwzAniThread* Clock = nullptr;
ui2d::AnimationTimeSource TimeSource = nullptr;

int64_t ApplicationTickMs()
{
    const platform::ui::Application* app = platform::ui::Application::TryCurrent();
    return app ? app->TickMs() : 0;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzAnimation, .props = kAnimationProps, .events = kAnimationEvents)
RTL_IMPLEMENT_CLASS(TwzAniThread)

// ---- TwzAnimation -------------------------------------------------------------------------

TwzAnimation::TwzAnimation(rtl::TComponent* owner)
    : TwzObject(owner)
{ }

TwzAnimation::~TwzAnimation() = default;

void TwzAnimation::BeforeDestruction()
{
    LeaveClock();
    Inherited::BeforeDestruction();
}

bool TwzAnimation::InDesignMode() const
{
    const IwzScene* scene = GetScene();
    return scene && scene->GetDesignTime();
}

bool TwzAnimation::ParentHidden()
{
    TwzObject* parent = GetParent();
    const TwzVisualObject* visual = parent ? parent->AsVisual() : nullptr;
    return visual && !visual->GetVisible();
}

bool TwzAnimation::IsCaretAnimation() const
{
    return rtl::SameText(GetBindingName(), "caret");
}

void TwzAnimation::LeaveClock()
{
    if (Clock)
        Clock->Remove(this);
}

void TwzAnimation::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (InDesignMode() || IsLoading())
        return;
    if (value)
        Start();
    else
        Stop();
}

void TwzAnimation::Loaded()
{
    Inherited::Loaded();
    if (m_enabled && !InDesignMode())
        Start();
}

float TwzAnimation::NormalizedTime() const
{
    const double duration = m_jumping ? 1.0 : m_duration;
    if (duration <= 0 || m_delayTime > kTimeEpsilon)
        return 0;
    return static_cast<float>(Ease(m_interpolation, m_time, 0, 1, duration, m_animationType));
}

void TwzAnimation::ProcessAnimation() { }

void TwzAnimation::FinishAtOnce()
{
    // The end value is that of a one-second run at its last instant, whatever Duration says.
    m_delayTime = 0;
    m_time = m_inverse ? 0 : 1;
    m_running = true;
    m_jumping = true;
    // Setting the value runs the object's handlers, which may free this animation.
    const rtl::DispatchGuard held(this);
    ProcessAnimation();
    m_jumping = false;
    m_running = false;
    m_time = 0;
    // NOTE: only a duration too short to run is replaced. One that could run but had no
    // scene yet (or a designed one) is the user's, and must still run once it can.
    if (m_duration < 0.001f)
        m_duration = kFinishedDuration;
    m_enabled = false;
    OnFinish(this);
}

void TwzAnimation::Start()
{
    if (ParentHidden())
        return;
    if (m_duration < 0.001f || !GetScene() || InDesignMode()) {
        LeaveClock();
        FinishAtOnce();
        return;
    }
    m_delayTime = m_delay;
    m_running = true;
    m_time = m_inverse ? m_duration : 0;
    const rtl::DispatchGuard held(this);
    ProcessAnimation();
    // A freed animation does not join the clock.
    if (IsFreed())
        return;
    EnsureAniThread().Add(this);
    m_enabled = true;
}

void TwzAnimation::Stop()
{
    if (!m_running)
        return;
    LeaveClock();
    // A delay still to wait would make the progress 0: the end value is what Stop promises.
    m_delayTime = 0;
    m_time = m_inverse ? 0 : m_duration;
    const rtl::DispatchGuard held(this);
    ProcessAnimation();
    m_running = false;
    m_enabled = false;
    OnFinish(this);
}

void TwzAnimation::StopAtCurrent()
{
    if (!m_running)
        return;
    LeaveClock();
    m_delayTime = 0;
    m_time = m_inverse ? 0 : m_duration;
    m_running = false;
    m_enabled = false;
    OnFinish(this);
}

void TwzAnimation::StartTrigger(TwzObject* instance, const std::string& trigger)
{
    if (ui2d::EvaluateTrigger(m_trigger, instance, trigger) == ui2d::TriggerVerdict::Holds)
        Start();
}

void TwzAnimation::ProcessTick(double, double deltaTime)
{
    if (InDesignMode() || IsDestroying())
        return;
    if (ParentHidden()) {
        Stop();
        return;
    }
    if (!m_running)
        return;
    // A tick either uses up delay or moves the time line, never both.
    if (m_delayTime > kTimeEpsilon) {
        m_delayTime -= deltaTime;
        return;
    }

    const double duration = m_duration;
    m_time += m_inverse ? -deltaTime : deltaTime;
    if (m_time >= duration - kTimeEpsilon) {
        m_time = duration;
        if (m_loop && m_autoReverse)
            m_inverse = true;
        else if (m_loop)
            m_time = 0;
        else
            m_running = false;
    } else if (m_time <= kTimeEpsilon) {
        m_time = 0;
        if (m_loop && m_autoReverse)
            m_inverse = false;
        else if (m_loop)
            m_time = duration;
        else
            m_running = false;
    }

    const rtl::DispatchGuard held(this);
    ProcessAnimation();
    if (m_running || !GetScene())
        return;
    LeaveClock();
    OnFinish(this);
}

// ---- the clock ----------------------------------------------------------------------------

TwzAniThread::TwzAniThread(rtl::TComponent* owner)
    : TwzTimer(owner)
    , m_startTime(ui2d::AnimationTimeMs())
{
    SetInterval(kClockInterval);
    rtl::TNotifyEvent handler;
    handler.Bind<&TwzAniThread::OnClockTimer>(this);
    SetOnTimer(handler);
}

void TwzAniThread::Add(TwzAnimation* animation)
{
    if (animation && !Contains(animation))
        m_animations.push_back(animation);
}

void TwzAniThread::Remove(TwzAnimation* animation)
{
    const auto it = std::find(m_animations.begin(), m_animations.end(), animation);
    if (it != m_animations.end())
        m_animations.erase(it);
}

bool TwzAniThread::Contains(const TwzAnimation* animation) const
{
    return std::find(m_animations.begin(), m_animations.end(), animation) != m_animations.end();
}

void TwzAniThread::OnClockTimer(rtl::TObject*)
{
    DoTimer();
}

void TwzAniThread::DoTimer()
{
    Tick(static_cast<double>(ui2d::AnimationTimeMs() - m_startTime) / 1000.0);
}

void TwzAniThread::Tick(double now)
{
    // Also a counter that went back (a replaced time source) waits until it passes the
    // last tick again.
    if (now <= m_lastTime)
        return;
    m_deltaTime = now - m_lastTime;
    m_lastTime = now;
    const uint64_t serial = ++m_tickSerial;
    const double delta = m_deltaTime;

    // Handlers on the way (OnFinish, property setters) may stop, start or free any number of
    // animations, or free the clock. The index is clamped to the list after each call, and
    // the serial keeps an animation that moved down the list from being ticked twice.
    const rtl::DispatchGuard held(this);
    size_t i = m_animations.size();
    while (i > 0) {
        --i;
        TwzAnimation* animation = m_animations[i];
        if (animation->m_tickSerial == serial || !animation->GetRunning())
            continue;
        animation->m_tickSerial = serial;
        if (animation->IsCaretAnimation()) {
            // The caret blinks at a third of its nominal speed: one step every third tick.
            animation->SetTag(animation->GetTag() + 1);
            if (animation->GetTag() % 3 != 0)
                continue;
        }
        animation->ProcessTick(now, delta);
        if (IsFreed())
            return;
        i = std::min(i, m_animations.size());
    }
}

TwzAniThread* AniThread()
{
    return Clock;
}

TwzAniThread& EnsureAniThread()
{
    if (!Clock)
        Clock = new TwzAniThread(nullptr);
    return *Clock;
}

void FreeAniThread()
{
    if (TwzAniThread* clock = std::exchange(Clock, nullptr))
        clock->Free();
}

namespace ui2d {

void SetAnimationTimeSource(AnimationTimeSource source)
{
    TimeSource = source;
}

int64_t AnimationTimeMs()
{
    return TimeSource ? TimeSource() : ApplicationTickMs();
}

} // namespace ui2d
