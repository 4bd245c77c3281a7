#pragma once

// Start and end of the 2D drawing layer for the whole process (GUI thread).
namespace platform::raster {

/// Loads the font configuration and the generic family up front, so the first text drawn
/// does not pay for it. Drawing works without it; calling it again does nothing.
void Startup();

/// Ends the layer's use of the process-wide font caches. Surfaces, graphics, brushes and
/// fonts may all still be alive; later use starts the layer again.
void Shutdown();

} // namespace platform::raster
