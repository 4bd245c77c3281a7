// The one-call property animations of the object tree: a float animation made, started and
// freed for the caller.

#include "scene3d/ThvObject.h"

#include "scene3d/ThvFloatAnimation.h"

#include "platform/ui/Application.h"

namespace {

// A new float animation child of `parent` from the property's current value to `newValue`.
ThvFloatAnimation* MakeFloatAnimation(ThvObject& parent, const std::string& propertyName, float newValue,
    float duration, TwzAnimationType animationType, TwzInterpolationType interpolation)
{
    auto* animation = new ThvFloatAnimation(&parent);
    animation->SetParent(&parent);
    animation->SetDuration(duration);
    animation->SetAnimationType(animationType);
    animation->SetInterpolation(interpolation);
    animation->SetPropertyName(propertyName);
    animation->SetStartFromCurrent(true);
    animation->SetStopValue(newValue);
    return animation;
}

} // namespace

void ThvObject::AnimateFloat(const std::string& propertyName, float newValue, float duration,
    TwzAnimationType animationType, TwzInterpolationType interpolation)
{
    const rtl::DispatchGuard held(this);
    StopAnimations(propertyName);
    ThvFloatAnimation* animation
        = MakeFloatAnimation(*this, propertyName, newValue, duration, animationType, interpolation);
    animation->OnFinish.Bind<&ThvFloatAnimation::FreeWhenFinished>(animation);
    rtl::Watch<ThvFloatAnimation> watched(animation);
    animation->Start();
    // A hidden object starts nothing: the value goes to its end at once and the animation,
    // whose finish frees it, does not stay behind as a child that never runs.
    if (watched && !watched->GetRunning() && watched->ParentHidden())
        watched->JumpToEnd();
    if (watched && !watched->GetRunning())
        watched->Free();
}

void ThvObject::AnimateFloatWait(const std::string& propertyName, float newValue, float duration,
    TwzAnimationType animationType, TwzInterpolationType interpolation)
{
    rtl::Watch<ThvObject> self(this);
    StopAnimations(propertyName);
    if (!self)
        return;
    ThvFloatAnimation* animation
        = MakeFloatAnimation(*this, propertyName, newValue, duration, animationType, interpolation);
    rtl::Watch<ThvFloatAnimation> watched(animation);
    animation->Start();
    if (watched && !watched->GetRunning() && watched->ParentHidden())
        watched->JumpToEnd();

    // Any handler may run meanwhile, free this object or the animation, or end the loop;
    // the watch ends the wait as soon as the animation is gone.
    if (platform::ui::Application* app = platform::ui::Application::TryCurrent())
        app->RunUntil([&watched] { return !watched || !watched->GetRunning(); });
    // A loop that could not run on (no application, or one that is ending) leaves the
    // property at its end value all the same.
    if (watched && watched->GetRunning())
        watched->Stop();
    if (watched)
        watched->Free();
}
