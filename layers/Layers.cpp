#include "layers/Layers.h"

#include "layers/ThvObjectLayer.h"

void RegisterLayers()
{
    RegisterObjectLayers();
}
