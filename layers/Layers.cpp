#include "layers/Layers.h"

#include "layers/ThvCanvasLayers.h"
#include "layers/ThvGUIObjects.h"
#include "layers/ThvObjectLayer.h"
#include "layers/ThvTextBox3D.h"
#include "scene3d/Library3D.h"

void RegisterLayers()
{
    RegisterCanvasLayers();
    RegisterObjectLayers();
    RegisterGUIObjects();
    Register3DObjects<ThvTextBox3D>("Controls");
}
