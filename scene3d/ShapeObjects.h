#pragma once

// Start-up of the shapes: registers the shape base for streaming and the shape classes a
// designer may insert, under "Shapes", in palette order. Runs after the 3D library's own
// start-up (the shapes module starts last).
void RegisterShapeObjects();
