#include "ui2d/TwzScene.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "platform/rtl/ClassInfo.h"

namespace {

// FIXME: Style and ActiveControl join once the style sheet and control classes exist.
constexpr rtl::TPropInfo kSceneProps[] = {
    RTL_PROP(TwzScene, Left, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, Top, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, Width, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, Height, Integer, rtl::kNoDefault),
    RTL_PROP(TwzScene, AnimatedCaret, Boolean, true),
    RTL_PROP(TwzScene, Fill, Class, rtl::kNoDefault),
    RTL_PROP(TwzScene, Transparency, Boolean, false),
    RTL_PROP(TwzScene, TextRendering, Enum, wzAntiAlias),
    RTL_PROP(TwzScene, TabStop, Boolean, false),
    RTL_PROP(TwzScene, Cursor, Integer, 0).WithTypeName("TCursor"),
};

} // namespace

RTL_IMPLEMENT_CLASS(TwzScene, .props = kSceneProps)
