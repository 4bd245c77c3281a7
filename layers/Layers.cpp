#include "layers/Layers.h"

#include "layers/ThvCanvasLayers.h"
#include "layers/ThvGUIObjects.h"
#include "layers/ThvObjectLayer.h"

void RegisterLayers()
{
    RegisterCanvasLayers();
    RegisterObjectLayers();
    RegisterGUIObjects();
}
