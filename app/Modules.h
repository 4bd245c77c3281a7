#pragma once

// The start-up and shut-down of the library's modules as one pair, in the order they rely on
// each other, for the application to call around its run loop. GUI thread only.

/// Starts, in order: the 2D library (its classes and categories, the 2D codec and canvas
/// classes, the drawing back end); the Direct3D module (the device runtime, the 3D codec and
/// canvas classes, the Direct3D object); the 3D animation classes; the physics module (the
/// engine class); the layers of 2D content in the 3D scene and the plain visual object for
/// streaming; the 3D scene module; the primitives and extruded shapes. A second call does
/// nothing until StopModules.
void StartModules();

/// Shuts down what StartModules started, in the reverse order, once every window and scene
/// is gone: the 3D scene module (animation clock, class and resource registries), the physics
/// module, the Direct3D module, the 2D library. Nothing when StartModules has not run since
/// the last call.
void StopModules();
