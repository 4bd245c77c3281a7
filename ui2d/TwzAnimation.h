#pragma once

#include "graphics/Easing.h"
#include "graphics/TwzTimer.h"
#include "ui2d/TwzObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Events.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The time line of a 2D property animation. An animation is a child of the object whose
// property it changes; it runs for Duration seconds along an eased curve, may wait first,
// loop, run backwards and turn round at each end, and is started by code, by Enabled, by
// name through its parent or by a trigger condition (ui2d/TwzTriggers.h). This class only
// keeps the time; the property animations write their value in ProcessAnimation.
//
// Time comes from one process-wide clock (TwzAniThread) ticking every 33 ms on the GUI
// thread. Times are kept in double seconds so that a long-running process does not lose
// resolution; the published Duration and Delay stay single floats.
class TwzAnimation : public TwzObject, public ui2d::IAnimationChild {
    RTL_CLASS(TwzAnimation, TwzObject)
public:
    explicit TwzAnimation(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] float GetDuration() const { return m_duration; }
    void SetDuration(float value) { m_duration = value; }
    [[nodiscard]] float GetDelay() const { return m_delay; }
    void SetDelay(float value) { m_delay = value; }
    [[nodiscard]] bool GetLoop() const { return m_loop; }
    void SetLoop(bool value) { m_loop = value; }
    /// With Loop: run back and forth, flipping Inverse at each end.
    [[nodiscard]] bool GetAutoReverse() const { return m_autoReverse; }
    void SetAutoReverse(bool value) { m_autoReverse = value; }
    /// Time runs from Duration down to 0.
    [[nodiscard]] bool GetInverse() const { return m_inverse; }
    void SetInverse(bool value) { m_inverse = value; }
    [[nodiscard]] TwzInterpolationType GetInterpolation() const { return m_interpolation; }
    void SetInterpolation(TwzInterpolationType value) { m_interpolation = value; }
    [[nodiscard]] TwzAnimationType GetAnimationType() const { return m_animationType; }
    void SetAnimationType(TwzAnimationType value) { m_animationType = value; }
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    /// True starts and false stops the animation when the value changes, except while it is
    /// loaded or its scene is designed (a stored True starts it once loaded).
    void SetEnabled(bool value);
    /// Stored and streamed; nothing acts on it.
    [[nodiscard]] bool GetHideOnFinish() const { return m_hideOnFinish; }
    void SetHideOnFinish(bool value) { m_hideOnFinish = value; }
    [[nodiscard]] const std::string& GetTrigger() const override { return m_trigger; }
    void SetTrigger(const std::string& value) { m_trigger = value; }

    /// Raised when a run ends: by itself (with a scene), by Stop or StopAtCurrent, or at once
    /// when it could not run. A handler may free the animation.
    rtl::TNotifyEvent OnFinish;

    /// Advancing on the clock (also while waiting out the delay).
    [[nodiscard]] bool GetRunning() const override { return m_running; }
    /// Seconds into the run, 0 .. Duration.
    [[nodiscard]] double GetCurrentTime() const { return m_time; }
    /// Seconds of delay still to wait.
    [[nodiscard]] double GetDelayTime() const { return m_delayTime; }
    /// The eased progress every ProcessAnimation writes: 0 when Duration is not positive or
    /// a delay remains; back and elastic curves leave [0, 1] on the way.
    [[nodiscard]] float NormalizedTime() const;
    /// The animation's BindingName is "caret" (ASCII case ignored): the clock advances it on
    /// every third tick only, counting in its Tag.
    [[nodiscard]] bool IsCaretAnimation() const;

    /// Writes the animated value for the current NormalizedTime; nothing here.
    virtual void ProcessAnimation();
    /// Nothing when the parent is a hidden visual object. A Duration below 0.001 s, no
    /// scene, or a designed scene writes the end value at once and raises OnFinish.
    /// Otherwise the delay starts, the start value is written and the animation joins the
    /// clock.
    void Start() override;
    /// Only while running: leaves the clock, writes the end value of the current direction,
    /// raises OnFinish.
    void Stop() override;
    /// The same without writing a value: the property keeps its current value.
    virtual void StopAtCurrent();
    /// Starts the animation when Trigger concerns `trigger` and holds on `instance`
    /// (ui2d::EvaluateTrigger).
    void StartTrigger(TwzObject* instance, const std::string& trigger) override;

    /// One clock tick of `deltaTime` seconds: the delay runs out or the time line moves.
    virtual void ProcessTick(double time, double deltaTime);

    void Loaded() override;

protected:
    ~TwzAnimation() override;
    /// Leaves the clock before the object's own steps.
    void BeforeDestruction() override;

    /// The scene is being designed.
    [[nodiscard]] bool InDesignMode() const;
    /// The parent is a visual object that is not Visible.
    [[nodiscard]] bool ParentHidden();

private:
    friend class TwzAniThread;
    friend class TwzObject; // AnimateFloat finishes an animation that could not start

    void LeaveClock();
    /// The immediate path of Start: the end value at once, OnFinish, Enabled off.
    void FinishAtOnce();

    float m_duration = 0.2f;
    float m_delay = 0;
    double m_delayTime = 0;
    double m_time = 0;
    std::string m_trigger;
    uint64_t m_tickSerial = 0; // the clock's last tick that reached this animation
    TwzInterpolationType m_interpolation = wzInterpolationLinear;
    TwzAnimationType m_animationType = wzAnimationIn;
    bool m_inverse = false;
    bool m_loop = false;
    bool m_running = false;
    bool m_hideOnFinish = false;
    bool m_enabled = false;
    bool m_autoReverse = false;
    bool m_jumping = false; // NormalizedTime answers for a one-second run while finishing at once
};

// The process-wide clock of the 2D animations: a window-less timer ticking every 33 ms that
// advances every running animation it holds. Animations join it at Start and leave it when
// they finish with a scene, are stopped or are freed; the clock does not own them.
class TwzAniThread : public TwzTimer {
    RTL_CLASS(TwzAniThread, TwzTimer)
public:
    /// Interval 33, ticking into DoTimer; its time starts at 0 now.
    explicit TwzAniThread(rtl::TComponent* owner);

    /// Appends the animation unless it is held already.
    void Add(TwzAnimation* animation);
    /// Forgets the animation; nothing when it is not held.
    void Remove(TwzAnimation* animation);
    [[nodiscard]] bool Contains(const TwzAnimation* animation) const;
    [[nodiscard]] std::span<TwzAnimation* const> Animations() const { return m_animations; }

    /// Milliseconds of the animation time source when the clock was made.
    [[nodiscard]] int64_t GetStartTime() const { return m_startTime; }
    /// Seconds since StartTime of the last tick that moved; 0 at creation.
    [[nodiscard]] double GetLastTime() const { return m_lastTime; }
    /// Seconds between the last two ticks that moved.
    [[nodiscard]] double GetDeltaTime() const { return m_deltaTime; }

    /// One tick: reads the time source and advances the running animations (see Tick).
    void DoTimer();
    /// One tick at `now` seconds since StartTime: nothing when the time did not advance;
    /// otherwise every running held animation gets ProcessTick(now, delta), the last held
    /// first. A handler on the way may stop, start or free animations, or free the clock;
    /// no animation is ticked twice in one tick.
    void Tick(double now);

protected:
    ~TwzAniThread() override = default;

private:
    void OnClockTimer(rtl::TObject* sender);

    std::vector<TwzAnimation*> m_animations; // not owned
    int64_t m_startTime = 0;
    double m_lastTime = 0;
    double m_deltaTime = 0;
    uint64_t m_tickSerial = 0;
};

/// The clock; null until an animation starts normally, and after it was freed.
[[nodiscard]] TwzAniThread* AniThread();
/// The clock, made (without owner) when there is none.
TwzAniThread& EnsureAniThread();
/// Frees the clock, not the animations in it: they are not ticked until a Start makes a new
/// clock. Called when the last 2D host goes and at the library's shut-down; safe without a
/// clock and from inside one of its ticks.
void FreeAniThread();

namespace ui2d {

/// Milliseconds of a monotonic clock.
using AnimationTimeSource = int64_t (*)();
/// Replaces the clock's time source (the application's tick counter; 0 without an
/// application); null restores it. Tests install a virtual clock here.
void SetAnimationTimeSource(AnimationTimeSource source);
[[nodiscard]] int64_t AnimationTimeMs();

} // namespace ui2d
