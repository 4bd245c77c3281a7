#include "app/Modules.h"

#include "backends/DirectXModule.h"
#include "backends/ThvNewtonPhysics.h"
#include "controls/Controls.h"
#include "design/Design.h"
#include "layers/Layers.h"
#include "scene3d/Library3D.h"
#include "scene3d/ShapeObjects.h"
#include "scene3d/ThvVisualObject.h"
#include "ui2d/Library2D.h"

#include "platform/rtl/ClassInfo.h"

namespace {

bool s_started = false;

} // namespace

void StartModules()
{
    if (s_started)
        return;
    s_started = true;
    Initialize2DLibrary();
    RegisterControls();
    hvDirectXInit();
    // The animation classes go first, so they stay the oldest entries of the 3D palette;
    // Initialize3DLibrary then leaves them as they are.
    Register3DAnimations();
    hvNewtonPhysicsInit();
    RegisterLayers();
    RegisterDesignTools();
    // A stored description may hold plain visual objects (the main window's root).
    rtl::RegisterClass<ThvVisualObject>();
    Initialize3DLibrary();
    RegisterShapeObjects();
}

void StopModules()
{
    if (!s_started)
        return;
    s_started = false;
    // The primitives and extruded shapes have nothing to shut down; their registrations go
    // with the 3D scene module's registry.
    Finalize3DLibrary();
    FinalizeDesignTools();
    hvNewtonPhysicsDone();
    hvDirectXDone();
    Finalize2DLibrary();
}
