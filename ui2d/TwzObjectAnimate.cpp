// The one-call property animations of the 2D object tree: a float animation made, started
// and freed for the caller.

#include "ui2d/TwzObject.h"

#include "ui2d/Library2D.h"
#include "ui2d/TwzPropertyAnimations.h"

#include <thread>

namespace {

// A new float animation child of `parent` from the property's current value to `newValue`.
TwzFloatAnimation* MakeFloatAnimation(TwzObject& parent, const std::string& propertyName, float newValue,
    float duration, TwzAnimationType animationType, TwzInterpolationType interpolation)
{
    auto* animation = new TwzFloatAnimation(&parent);
    animation->SetParent(&parent);
    animation->SetAnimationType(animationType);
    animation->SetInterpolation(interpolation);
    animation->SetDuration(duration);
    animation->SetPropertyName(propertyName);
    animation->SetStartFromCurrent(true);
    animation->SetStopValue(newValue);
    return animation;
}

} // namespace

void TwzObject::AnimateFloat(const std::string& propertyName, float newValue, float duration,
    TwzAnimationType animationType, TwzInterpolationType interpolation)
{
    TwzFloatAnimation* animation
        = MakeFloatAnimation(*this, propertyName, newValue, duration, animationType, interpolation);
    animation->OnFinish.Bind<&TwzFloatAnimation::FreeSender>(animation);
    rtl::Watch<TwzFloatAnimation> watched(animation);
    animation->Start();
    // A hidden object starts nothing: the value goes to its end at once (whose finish frees
    // the animation), so repeated calls leave no children behind that never run.
    if (watched && !watched->GetRunning() && watched->ParentHidden())
        watched->FinishAtOnce();
    if (watched && !watched->GetRunning())
        watched->Free();
}

void TwzObject::AnimateFloatWait(const std::string& propertyName, float newValue, float duration,
    TwzAnimationType animationType, TwzInterpolationType interpolation)
{
    TwzFloatAnimation* animation
        = MakeFloatAnimation(*this, propertyName, newValue, duration, animationType, interpolation);
    rtl::Watch<TwzFloatAnimation> watched(animation);
    animation->Start();
    if (watched && !watched->GetRunning() && watched->ParentHidden())
        watched->FinishAtOnce();

    // Any handler may run meanwhile and free this object (and with it the animation) or the
    // animation alone; the watch ends the wait as soon as the animation is gone.
    while (watched && watched->GetRunning()) {
        if (!ui2d::PumpMessages())
            break;
        std::this_thread::yield();
    }
    // Nothing could advance the animation any more (no loop, or one that is ending): the
    // property still gets its end value.
    if (watched && watched->GetRunning())
        watched->Stop();
    if (watched)
        watched->Free();
}
