#include "graphics/Angles.h"

#include "platform/rtl/Numbers.h"

#include <cmath>

void SinCosSingle(float& sin, float& cos, float angle)
{
    sin = static_cast<float>(std::sin(double(angle)));
    cos = static_cast<float>(std::cos(double(angle)));
}

float NormalizeAngle(float a)
{
    // The factor is the Single nearest 1/360; keeping it makes the turn count match what
    // stored angles were normalised with.
    const double turns = double(rtl::Trunc(double(a) * double(0.0027777778f)));
    float r = static_cast<float>(double(a) - turns * 360);
    if (r < -180)
        r += 360;
    return r;
}
