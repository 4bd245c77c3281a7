#pragma once

#include "platform/rtl/ClassInfo.h"

// The property rows of the brushes and the pen, for the shapes that publish them: each
// shape lists the ones it uses in its own table.
#define TWZ_SHAPE_FILL_ROW(Cls) RTL_PROP(Cls, Fill, Class, rtl::kNoDefault)
#define TWZ_SHAPE_STROKE_ROWS(Cls)                                                                           \
    RTL_PROP(Cls, Stroke, Class, rtl::kNoDefault), RTL_PROP(Cls, StrokeCap, Enum, wzCapFlat),                \
        RTL_PROP(Cls, StrokeDash, Enum, wzDashSolid), RTL_PROP(Cls, StrokeJoin, Enum, wzJoinMiter),          \
        RTL_PROP(Cls, StrokeThickness, Float, 1.0)
