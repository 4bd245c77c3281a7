#pragma once

#include "scene3d/ThvCustomBufferLayer.h"

#include "graphics/Geometry.h"
#include "platform/rtl/Events.h"

class TwzCanvas;

/// Sender, the 2D canvas to paint with, the rectangle to paint, and whether the buffer was
/// updated.
using TCanvasPaintEvent = rtl::TEvent<rtl::TObject*, TwzCanvas*, const TwzRect&, bool&>;

// A buffer layer for pictures that user code paints: it shows whatever its buffer holds and
// hosts no 2D objects. OnLayerPaint is stored and streamed with the layer; the layer itself
// never raises it.
class ThvCustomCanvasLayer : public ThvCustomBufferLayer {
    RTL_CLASS(ThvCustomCanvasLayer, ThvCustomBufferLayer)
public:
    explicit ThvCustomCanvasLayer(rtl::TComponent* owner)
        : ThvCustomBufferLayer(owner)
    { }

    TCanvasPaintEvent OnLayerPaint;

protected:
    ~ThvCustomCanvasLayer() override = default;
};

// A canvas layer in the 3D world: Resolution pixels per unit of Width and Depth.
class ThvCanvasLayer : public ThvCustomCanvasLayer {
    RTL_CLASS(ThvCanvasLayer, ThvCustomCanvasLayer)
public:
    explicit ThvCanvasLayer(rtl::TComponent* owner)
        : ThvCustomCanvasLayer(owner)
    { }

protected:
    ~ThvCanvasLayer() override = default;
};

// A canvas layer in screen projection: one pixel per unit, docked by LayerAlign.
class ThvGUICanvasLayer : public ThvCustomCanvasLayer {
    RTL_CLASS(ThvGUICanvasLayer, ThvCustomCanvasLayer)
public:
    /// Screen projection, 256 x 256.
    explicit ThvGUICanvasLayer(rtl::TComponent* owner);

protected:
    ~ThvGUICanvasLayer() override = default;
};

/// Registers ThvCanvasLayer under "Shapes" and ThvGUICanvasLayer under "GUI" (RegisterLayers).
void RegisterCanvasLayers();
