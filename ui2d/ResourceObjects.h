#pragma once

#include "graphics/ObjectLinks.h"

// The named resources (brush, path and bitmap objects) as the library's start-up and the
// value links of the graphics library reach them.
namespace ui2d {

/// Fills in the services through which bitmaps, paths and brushes reach the value a named
/// resource object owns.
void FillResourceServices(objectlinks::Services& services);

/// Registers the named resource classes under the palette category "Resources".
void RegisterResourceObjects();

} // namespace ui2d
