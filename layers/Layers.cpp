#include "layers/Layers.h"

#include "layers/ThvGUIObjects.h"
#include "layers/ThvObjectLayer.h"

void RegisterLayers()
{
    RegisterObjectLayers();
    RegisterGUIObjects();
}
