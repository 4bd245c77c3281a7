#include "scene3d/ThvFilter.h"

#include "platform/rtl/ClassInfo.h"

RTL_IMPLEMENT_CLASS(ThvFilter)
