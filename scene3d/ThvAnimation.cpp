#include "scene3d/ThvAnimation.h"

#include "scene3d/Library3D.h"
#include "scene3d/Math3D.h"
#include "scene3d/ThvColorAnimation.h"
#include "scene3d/ThvFloatAnimation.h"
#include "scene3d/ThvScene.h"
#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Properties.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Application.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <variant>

namespace {

constexpr rtl::TEventInfo kAnimationEvents[] = {
    RTL_EVENT(ThvAnimation, OnFinish),
};

constexpr uint32_t kClockInterval = 25;
// Ticks add up differences of clock readings: a run whose time is this close to an end has
// reached it, so a 0.2 s run ends on the tick 200 ms after it started, not one later.
constexpr double kTimeEpsilon = 1e-6;

// Created by the first Start that needs it; freed by hvFreeAniThread.
ThvAniThread* AniThread = nullptr;

} // namespace

RTL_IMPLEMENT_CLASS(ThvAnimation, .events = kAnimationEvents)
RTL_IMPLEMENT_CLASS(ThvAniThread)

// ---- ThvAnimation -------------------------------------------------------------------------

ThvAnimation::ThvAnimation(rtl::TComponent* owner)
    : ThvObject(owner)
{ }

ThvAnimation::~ThvAnimation() = default;

void ThvAnimation::BeforeDestruction()
{
    LeaveClock();
    Inherited::BeforeDestruction();
}

bool ThvAnimation::InDesignMode() const
{
    const ThvScene* scene = GetScene();
    return scene && scene->IsDesigning();
}

bool ThvAnimation::ParentHidden() const
{
    const ThvObject* parent = GetParent();
    const ThvVisualObject* visual = parent ? parent->AsVisual() : nullptr;
    return visual && !visual->GetVisible();
}

void ThvAnimation::LeaveClock()
{
    if (AniThread)
        AniThread->Remove(this);
}

void ThvAnimation::SetEnabled(bool value)
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

void ThvAnimation::Loaded()
{
    Inherited::Loaded();
    if (m_enabled && !InDesignMode())
        Start();
}

float ThvAnimation::NormalizedTime() const
{
    const double duration = m_jumping ? 1.0 : m_duration;
    if (duration <= 0)
        return 0;
    const double t = m_currentTime;
    return static_cast<float>(Ease(m_interpolation, t, 0, 1, duration, m_animationType));
}

void ThvAnimation::ProcessAnimation() { }

void ThvAnimation::JumpToEnd()
{
    // The end value is the one of a one-second run at its last instant, whatever Duration
    // says; a designer's duration stays as it was.
    m_delayTime = 0;
    m_running = true;
    m_jumping = true;
    m_currentTime = m_inverse ? 0 : 1;
    // Setting the value runs the object's handlers, which may free this animation.
    const rtl::DispatchGuard held(this);
    {
        rtl::ScopeExit stop([&] {
            m_jumping = false;
            m_running = false;
            m_currentTime = 0;
        });
        ProcessAnimation();
    }
    m_enabled = false;
    // Any duration too short to run (negative ones included) is no duration at all.
    if (m_duration < 0.001f)
        m_duration = 0;
    OnFinish(this);
}

void ThvAnimation::Start()
{
    if (ParentHidden())
        return;
    if (m_duration < 0.001f || InDesignMode()) {
        LeaveClock();
        JumpToEnd();
        return;
    }
    m_delayTime = m_delay;
    m_running = true;
    m_currentTime = m_inverse ? m_duration : 0;
    const rtl::DispatchGuard held(this);
    ProcessAnimation();
    // A freed animation does not join the clock.
    if (IsFreed())
        return;
    const ThvScene* scene = GetScene();
    if (!scene || !scene->GetRealTime())
        hvEnsureAniThread().Add(this);
    m_enabled = true;
}

void ThvAnimation::Stop()
{
    if (!m_running)
        return;
    LeaveClock();
    m_currentTime = m_inverse ? 0 : m_duration;
    const rtl::DispatchGuard held(this);
    ProcessAnimation();
    m_running = false;
    m_enabled = false;
    OnFinish(this);
}

void ThvAnimation::ProcessTick(double time, double deltaTime)
{
    const rtl::DispatchGuard held(this);
    Inherited::ProcessTick(time, deltaTime);
    if (ParentHidden()) {
        Stop();
        return;
    }
    if (!m_running)
        return;
    if (m_delayTime > 0) {
        m_delayTime -= deltaTime;
        return;
    }

    const double duration = m_duration;
    m_currentTime += m_inverse ? -deltaTime : deltaTime;
    if (m_currentTime >= duration - kTimeEpsilon) {
        m_currentTime = duration;
        if (m_loop && m_autoReverse)
            m_inverse = true;
        else if (m_loop)
            m_currentTime = 0;
        else
            m_running = false;
    } else if (m_currentTime <= kTimeEpsilon) {
        m_currentTime = 0;
        if (m_loop && m_autoReverse)
            m_inverse = false;
        else if (m_loop)
            m_currentTime = duration;
        else
            m_running = false;
    }

    ProcessAnimation();
    if (m_running)
        return;
    // The run is over: off the clock, and the owner hears of it. Outside a scene and in a
    // real-time scene too, so that an animation made to run once (AnimateFloat) is freed
    // wherever it ran.
    LeaveClock();
    m_enabled = false;
    OnFinish(this);
}

void ThvAnimation::StartTrigger(ThvObject* instance, const std::string& trigger)
{
    if (m_trigger.empty() || !instance)
        return;
    if (rtl::AsciiLowerCase(m_trigger).find(rtl::AsciiLowerCase(trigger)) == std::string::npos)
        return;

    bool verdict = false;
    std::string conditions = m_trigger;
    while (!conditions.empty()) {
        std::string condition = hvGetToken(conditions, ";", "");
        const std::string name = hvGetToken(condition, "=", "");
        const std::string value = hvGetToken(condition, "=", "");
        const rtl::TPropInfo* prop = instance->ClassInfo().FindProp(name);
        if (!prop || prop->kind != rtl::TPropKind::Boolean)
            continue;
        const rtl::TValue current = rtl::GetPropValue(*instance, *prop);
        const bool* on = std::get_if<bool>(&current);
        verdict = on && ((rtl::SameText(value, "true") && *on) || (rtl::SameText(value, "false") && !*on));
        if (!verdict)
            return;
    }
    if (verdict)
        Start();
}

// ---- the clock ----------------------------------------------------------------------------

ThvAniThread::ThvAniThread(rtl::TComponent* owner)
    : TwzTimer(owner)
{
    // The first tick measures from the clock's making, so animations started now move by
    // the real time that passed.
    if (const platform::ui::Application* app = platform::ui::Application::TryCurrent())
        m_lastTime = static_cast<double>(app->TickMs()) / 1000.0;
    SetInterval(kClockInterval);
    rtl::TNotifyEvent handler;
    handler.Bind<&ThvAniThread::OnAnimationTimer>(this);
    SetOnTimer(handler);
}

void ThvAniThread::Add(ThvAnimation* animation)
{
    if (animation && !Contains(animation))
        m_animations.push_back(animation);
}

void ThvAniThread::Remove(ThvAnimation* animation)
{
    const auto it = std::find(m_animations.begin(), m_animations.end(), animation);
    if (it != m_animations.end())
        m_animations.erase(it);
}

bool ThvAniThread::Contains(const ThvAnimation* animation) const
{
    return std::find(m_animations.begin(), m_animations.end(), animation) != m_animations.end();
}

void ThvAniThread::OnAnimationTimer(rtl::TObject*)
{
    if (const platform::ui::Application* app = platform::ui::Application::TryCurrent())
        Tick(static_cast<double>(app->TickMs()) / 1000.0);
}

void ThvAniThread::Tick(double now)
{
    if (m_lastTime >= now)
        return;
    const double delta = now - m_lastTime;
    m_lastTime = now;
    m_lastDelta = delta;

    // Handlers inside the walk may stop, free or start animations, and free the clock: walk
    // a snapshot whose entries turn null when freed, and only what is still held.
    const rtl::DispatchGuard held(this);
    std::vector<rtl::Watch<ThvAnimation>> snapshot;
    snapshot.reserve(m_animations.size());
    for (ThvAnimation* animation : m_animations)
        snapshot.emplace_back(animation);
    for (auto it = snapshot.rbegin(); it != snapshot.rend() && !IsFreed(); ++it) {
        ThvAnimation* animation = it->Get();
        if (animation && Contains(animation) && animation->GetRunning())
            animation->ProcessTick(now, delta);
    }
}

ThvAniThread* hvAniThread()
{
    return AniThread;
}

ThvAniThread& hvEnsureAniThread()
{
    if (!AniThread)
        AniThread = new ThvAniThread(nullptr);
    return *AniThread;
}

void hvFreeAniThread()
{
    ThvAniThread* clock = AniThread;
    AniThread = nullptr;
    if (clock)
        clock->Free();
}

// ---- the target of a property animation ---------------------------------------------------

namespace scene3d {

void AnimationTarget::Resolve(ThvObject& parent, const std::string& path)
{
    rtl::TObject* object = &parent;
    rtl::TComponent* anchor = &parent;
    std::string rest = path;
    while (object && rest.find('.') != std::string::npos) {
        const std::string step = hvGetToken(rest, ".", "");
        const rtl::TPropInfo* prop = object->ClassInfo().FindProp(step);
        if (!prop || (prop->kind != rtl::TPropKind::Class && prop->kind != rtl::TPropKind::Component))
            continue; // not an object property: the name is dropped
        const rtl::TValue value = rtl::GetPropValue(*object, *prop);
        const auto* sub = std::get_if<rtl::TObject*>(&value);
        object = sub ? *sub : nullptr;
        if (auto* component = dynamic_cast<rtl::TComponent*>(object))
            anchor = component;
    }
    // What is left after the last "." is the property's name (trimmed like the others).
    m_property = hvGetToken(rest, ".", "");
    m_object = object;
    m_anchor = object ? anchor : nullptr;
    m_resolved = true;
}

rtl::TObject* AnimationTarget::Object() const
{
    return m_anchor ? m_object : nullptr;
}

const rtl::TPropInfo* AnimationTarget::Find(std::initializer_list<rtl::TPropKind> kinds) const
{
    rtl::TObject* object = Object();
    if (!object)
        return nullptr;
    const rtl::TPropInfo* prop = object->ClassInfo().FindProp(m_property);
    if (!prop)
        return nullptr;
    for (const rtl::TPropKind kind : kinds) {
        if (prop->kind == kind)
            return prop;
    }
    return nullptr;
}

} // namespace scene3d

void RegisterAnimationObjects()
{
    Register3DObjects<ThvColorAnimation, ThvFloatAnimation>("Animations");
    // The scenes free the clock when their last window goes; the next start makes a new one.
    scene3d::FreeAnimationClock = &hvFreeAniThread;
}
