#include "layers/ThvCanvasLayers.h"

#include "scene3d/Library3D.h"

#include "platform/rtl/ClassInfo.h"

namespace {

constexpr rtl::TPropInfo kCustomCanvasLayerProps[] = {
    RTL_PROP(ThvCustomBufferLayer, Resolution, Integer, 60),
};

constexpr rtl::TEventInfo kCustomCanvasLayerEvents[] = {
    RTL_EVENT(ThvCustomCanvasLayer, OnLayerPaint),
};

constexpr rtl::TPropInfo kGUICanvasLayerProps[] = {
    RTL_PROP(ThvVisualObject, Width, Float, 256.0),
    RTL_PROP(ThvVisualObject, Height, Float, 256.0),
    RTL_PROP(ThvCustomLayer, LayerAlign, Enum, hvLayerNone),
};

} // namespace

RTL_IMPLEMENT_CLASS(
    ThvCustomCanvasLayer, .props = kCustomCanvasLayerProps, .events = kCustomCanvasLayerEvents)
RTL_IMPLEMENT_CLASS(ThvCanvasLayer)
RTL_IMPLEMENT_CLASS(ThvGUICanvasLayer, .props = kGUICanvasLayerProps)

ThvGUICanvasLayer::ThvGUICanvasLayer(rtl::TComponent* owner)
    : ThvCustomCanvasLayer(owner)
{
    SetProjection(hvProjectionScreen);
    // The buffer follows the plate only in the size setters: set them in the new projection.
    SetWidth(256);
    SetHeight(256);
}

void RegisterCanvasLayers()
{
    Register3DObjects<ThvCanvasLayer>("Shapes");
    Register3DObjects<ThvGUICanvasLayer>("GUI");
}
