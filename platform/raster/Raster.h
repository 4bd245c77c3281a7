#pragma once

// Start and end of the 2D drawing layer for the whole process (GUI thread).
namespace platform::raster {

/// Loads the font configuration and the generic family up front, so the first text drawn
/// does not pay for it. Drawing works without it; calling it again does nothing.
void Startup();

/// Where the process stops drawing. The layer keeps nothing process-wide that needs
/// releasing: the font libraries' caches are shared with the toolkit, which may still hold
/// fonts, so they stay until the process ends. Drawing after it still works.
void Shutdown();

} // namespace platform::raster
