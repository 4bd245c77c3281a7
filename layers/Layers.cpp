#include "layers/Layers.h"

#include "layers/ThvCanvasLayers.h"
#include "layers/ThvGUIObjects.h"
#include "layers/ThvObjectLayer.h"
#include "layers/ThvTextBox3D.h"
#include "scene3d/Library3D.h"

void RegisterLayers()
{
    // The extruded text box first, then the canvas layers, the object layers and the
    // screen-space objects.
    Register3DObjects<ThvTextBox3D>("Controls");
    RegisterCanvasLayers();
    RegisterObjectLayers();
    RegisterGUIObjects();
}
