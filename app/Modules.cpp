#include "app/Modules.h"

#include "backends/DirectXModule.h"
#include "backends/ThvNewtonPhysics.h"
#include "controls/Controls.h"
#include "scene3d/Library3D.h"
#include "scene3d/ShapeObjects.h"
#include "ui2d/Library2D.h"

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
    // NOTE: the 3D animation classes come before the physics module, but Initialize3DLibrary
    // registers them as its own first step, so they are not registered here as well. The
    // physics module only names its engine class; starting it first changes nothing anyone
    // can see.
    hvNewtonPhysicsInit();
    // FIXME: the extruded text box, the canvas layers, the object layers and the screen-space
    // objects register here, after the animation classes and before the 3D scene module's own;
    // that takes the animations' registration out of Initialize3DLibrary, to run before the
    // physics module.
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
    hvNewtonPhysicsDone();
    hvDirectXDone();
    Finalize2DLibrary();
}
