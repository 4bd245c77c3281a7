#include "ui2d/TwzScene.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzControl.h"
#include "ui2d/TwzResources.h"

namespace {

constexpr rtl::TPropInfo kSceneProps[] = {
    RTL_PROP(TwzScene, Left, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, Top, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, Width, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, Height, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, AnimatedCaret, Boolean, true),
    RTL_PROP(TwzScene, Fill, Class, rtl::kNoDefault),
    RTL_PROP(TwzScene, Transparency, Boolean, false),
    RTL_PROP(TwzScene, TextRendering, Enum, wzAntiAlias),
    RTL_PROP(TwzScene, Style, Component, nullptr),
    RTL_PROP(TwzScene, TabStop, Boolean, false),
    RTL_PROP(TwzScene, ActiveControl, Component, nullptr),
    RTL_PROP(TwzScene, Cursor, Integer, 0).WithTypeName("TCursor"),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzScene, .props = kSceneProps)
