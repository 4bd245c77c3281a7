#include "graphics/NumberText.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Numbers.h"

#include <cfloat>
#include <cmath>

std::string FloatToText(float v)
{
    // Not-a-number and infinities have no readable text; write what reads back as the
    // nearest value a Single can hold so the rest of a stored text still parses.
    if (std::isnan(v))
        return "0";
    if (std::isinf(v))
        v = std::copysign(FLT_MAX, v);
    const double d = v;
    if (d - std::trunc(d) != 0)
        return rtl::FormatFixed(d, 3);
    if (std::fabs(d) < 9223372036854775808.0)
        return rtl::IntToStr(static_cast<int64_t>(d));
    return rtl::FormatFixed(d, 0);
}

float TextToFloat(std::string_view s)
{
    const double d = rtl::StrToFloat(s);
    // Below the midpoint between FLT_MAX and 2^128 the value rounds to a finite Single.
    if (!(std::fabs(d) < 0x1.ffffffp+127))
        throw rtl::ConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return static_cast<float>(d);
}
