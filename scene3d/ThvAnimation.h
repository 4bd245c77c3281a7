#pragma once

#include "graphics/Easing.h"
#include "graphics/TwzTimer.h"
#include "scene3d/ThvObject.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

#include <initializer_list>
#include <span>
#include <string>
#include <vector>

// The time line of a 3D property animation. An animation is a child of the object it
// animates; it runs for Duration seconds along an eased curve, may wait first, loop, run
// backwards and turn round at each end, and is started by code, by Enabled, by name through
// its parent or by a trigger condition. This class only keeps the time; the float and colour
// animations write the property in ProcessAnimation.
//
// Time comes from one process-wide clock (ThvAniThread) ticking every 25 ms on the GUI
// thread; a scene in real-time mode drives its animations from its own loop instead, through
// the object tree's ProcessTick.
class ThvAnimation : public ThvObject, public scene3d::IAnimationChild {
    RTL_CLASS(ThvAnimation, ThvObject)
public:
    explicit ThvAnimation(rtl::TComponent* owner);

    // Published.
    /// Seconds of one run.
    [[nodiscard]] float GetDuration() const { return m_duration; }
    void SetDuration(float value) { m_duration = value; }
    /// Seconds to wait after Start before the time line moves.
    [[nodiscard]] float GetDelay() const { return m_delay; }
    void SetDelay(float value) { m_delay = value; }
    /// At the end of a run: start again (or turn round with AutoReverse) instead of finishing.
    [[nodiscard]] bool GetLoop() const { return m_loop; }
    void SetLoop(bool value) { m_loop = value; }
    /// With Loop: run back and forth, flipping Inverse at each end.
    [[nodiscard]] bool GetAutoReverse() const { return m_autoReverse; }
    void SetAutoReverse(bool value) { m_autoReverse = value; }
    /// Run from the end of the time line to its start.
    [[nodiscard]] bool GetInverse() const { return m_inverse; }
    void SetInverse(bool value) { m_inverse = value; }
    [[nodiscard]] TwzInterpolationType GetInterpolation() const { return m_interpolation; }
    void SetInterpolation(TwzInterpolationType value) { m_interpolation = value; }
    [[nodiscard]] TwzAnimationType GetAnimationType() const { return m_animationType; }
    void SetAnimationType(TwzAnimationType value) { m_animationType = value; }
    [[nodiscard]] bool GetEnabled() const { return m_enabled; }
    /// True starts and false stops the animation, except while it is loaded or its scene is
    /// designed (a stored true starts it once loaded).
    virtual void SetEnabled(bool value);
    /// Conditions on the Boolean properties of the object whose state changed, e.g.
    /// "IsMouseOver=true;IsPressed=false".
    [[nodiscard]] const std::string& GetTrigger() const override { return m_trigger; }
    void SetTrigger(const std::string& value) { m_trigger = value; }

    /// Raised when a run ends: naturally, by Stop, or by a jump to the end. A handler may free
    /// the animation.
    rtl::TNotifyEvent OnFinish;

    /// True from Start (also while waiting out the delay) until the run ends or is stopped.
    [[nodiscard]] bool GetRunning() const override { return m_running; }
    /// Seconds into the run, 0 .. Duration.
    [[nodiscard]] double GetCurrentTime() const { return m_currentTime; }
    /// Seconds of delay still to wait.
    [[nodiscard]] double GetDelayTime() const { return m_delayTime; }
    /// The eased fraction of the run: 0 when Duration is not positive, else the curve of
    /// Interpolation and AnimationType at CurrentTime / Duration.
    [[nodiscard]] float NormalizedTime() const;

    /// Writes the animated value for the current time; nothing here.
    virtual void ProcessAnimation();
    /// Nothing when the parent is a hidden visual object. A duration below 0.001 s, or a
    /// designed scene, applies the end value at once and raises OnFinish. Otherwise the delay
    /// starts, the start value is applied, and the animation joins the clock (not in a
    /// real-time scene, whose loop ticks it).
    void Start() override;
    /// Nothing unless running. Leaves the clock, applies the end value of the current
    /// direction and raises OnFinish.
    void Stop() override;
    /// Starts the animation when `trigger` occurs in Trigger (ASCII case ignored) and every
    /// condition naming a published Boolean property of `instance` holds, at least one does.
    void StartTrigger(ThvObject* instance, const std::string& trigger) override;

    /// Children and OnTick first; then a hidden visual parent stops the animation; then,
    /// while running, the delay runs out or the time line moves by `deltaTime` seconds.
    void ProcessTick(double time, double deltaTime) override;
    void Loaded() override;

protected:
    ~ThvAnimation() override;
    /// Leaves the clock before the object's own steps.
    void BeforeDestruction() override;

    /// True when the scene is being designed.
    [[nodiscard]] bool InDesignMode() const;
    /// Applies the end value of the current direction at once and raises OnFinish; Duration
    /// keeps the user's value unless it was below 0.001, which becomes 0.
    void JumpToEnd();

private:
    friend class ThvObject; // AnimateFloat finishes an animation that could not start

    /// The parent is a visual object that is not Visible.
    [[nodiscard]] bool ParentHidden() const;
    /// Takes the animation off the clock when both exist.
    void LeaveClock();

    float m_duration = 0.2f;
    float m_delay = 0;
    double m_currentTime = 0;
    double m_delayTime = 0;
    std::string m_trigger;
    TwzInterpolationType m_interpolation = wzInterpolationLinear;
    TwzAnimationType m_animationType = wzAnimationIn;
    bool m_loop = false;
    bool m_autoReverse = false;
    bool m_inverse = false;
    bool m_enabled = false;
    bool m_running = false;
    bool m_jumping = false; // NormalizedTime answers for a one-second run while jumping
};

/// The published rows of the time line, for the concrete animations.
#define HV_ANIMATION_PROPS                                                                                   \
    RTL_PROP(ThvAnimation, AnimationType, Enum, wzAnimationIn),                                              \
        RTL_PROP(ThvAnimation, AutoReverse, Boolean, false), RTL_PROP(ThvAnimation, Delay, Float, 0.0),      \
        RTL_PROP(ThvAnimation, Duration, Float, 0.2), RTL_PROP(ThvAnimation, Enabled, Boolean, false),       \
        RTL_PROP(ThvAnimation, Interpolation, Enum, wzInterpolationLinear),                                  \
        RTL_PROP(ThvAnimation, Inverse, Boolean, false), RTL_PROP(ThvAnimation, Loop, Boolean, false),       \
        RTL_PROP(ThvAnimation, Trigger, String, "")

// The process-wide clock of the 3D animations: a window-less timer ticking every 25 ms that
// advances every running animation it holds. Animations join it at Start and leave it when
// they end, are stopped or are freed; the clock does not own them.
class ThvAniThread : public TwzTimer {
    RTL_CLASS(ThvAniThread, TwzTimer)
public:
    /// Interval 25, enabled, ticking into OnAnimationTimer; no animations.
    explicit ThvAniThread(rtl::TComponent* owner);

    /// Appends the animation unless it is held already.
    void Add(ThvAnimation* animation);
    /// Forgets the animation; nothing when it is not held.
    void Remove(ThvAnimation* animation);
    [[nodiscard]] bool Contains(const ThvAnimation* animation) const;
    [[nodiscard]] std::span<ThvAnimation* const> Animations() const { return m_animations; }

    /// The time of the last tick that moved, in seconds of the application's clock.
    [[nodiscard]] double GetLastTime() const { return m_lastTime; }
    /// Seconds between the last two ticks that moved.
    [[nodiscard]] double GetLastDelta() const { return m_lastDelta; }

    /// One tick at `now` seconds: nothing when the time did not advance since the last tick;
    /// otherwise every held animation that is running gets ProcessTick(now, delta), the last
    /// held first. Animations freed or stopped by a handler on the way are skipped, and the
    /// walk ends when the clock itself is freed.
    void Tick(double now);

protected:
    ~ThvAniThread() override = default;

private:
    void OnAnimationTimer(rtl::TObject* sender);

    std::vector<ThvAnimation*> m_animations; // not owned
    double m_lastTime = 0;
    double m_lastDelta = 0;
};

/// The clock; null until an animation starts outside a real-time scene, and after it was
/// freed.
[[nodiscard]] ThvAniThread* hvAniThread();
/// The clock, made (without owner) when there is none.
ThvAniThread& hvEnsureAniThread();
/// Frees the clock and its list, not the animations in it: they are no longer ticked until a
/// Start makes a new clock. Called when the last scene window goes and at the library's
/// shut-down; safe without a clock and from inside one of its ticks.
void hvFreeAniThread();

namespace scene3d {

// The property an animation writes: found once, from the animation's parent, by a path of
// names separated by "."; each leading name that is a published object property of the
// object reached so far moves on to that object, any other leading name is dropped. The
// object reached is not owned: when the component it belongs to is freed, the target is gone.
class AnimationTarget {
public:
    /// Resolves `path` from `parent` (ASCII case ignored); replaces any earlier target.
    void Resolve(ThvObject& parent, const std::string& path);
    /// True once Resolve ran.
    [[nodiscard]] bool IsResolved() const { return m_resolved; }
    /// The object holding the property; null before Resolve, when an object property on the
    /// way was empty, or once the component it belongs to is freed.
    [[nodiscard]] rtl::TObject* Object() const;
    /// The last name of the path.
    [[nodiscard]] const std::string& PropertyName() const { return m_property; }
    /// The published property of that name on the object when it is of one of `kinds`; null
    /// otherwise.
    [[nodiscard]] const rtl::TPropInfo* Find(std::initializer_list<rtl::TPropKind> kinds) const;

private:
    rtl::TObject* m_object = nullptr;
    // The last component on the path: every object reached lives as long as it does.
    rtl::Watch<rtl::TComponent> m_anchor;
    std::string m_property;
    bool m_resolved = false;
};

} // namespace scene3d

/// Registers the 3D animation classes for streaming and under "Animations"; part of the 3D
/// library's start-up, before the scene module's own classes.
void RegisterAnimationObjects();
