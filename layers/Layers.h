#pragma once

// The start-up registration of the 2D layers of the 3D scene.

/// Registers, in order, the extruded text box, the canvas layers, the object layers and the
/// screen-space objects as 3D object classes by palette category, and their older stream
/// names for reading. Part of the module start-up, after
/// the 3D animation classes and the physics module and before the 3D scene module's own classes;
/// Finalize3DLibrary takes the categories back.
void RegisterLayers();
