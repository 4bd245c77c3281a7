#include "backends/ThvDirectXCanvas.h"

// FIXME: the extrusion of flattened outlines into solid caps and walls comes with its own
// piece of work; until then extruded shapes and text draw nothing. It streams its geometry
// through DrawThroughRings and clears the stencil buffer itself.
void ThvDirectXCanvas::FillPolygon(
    const ThvVector&, const ThvVector&, const TwzRect&, const TwzPolygon&, float, bool, bool, bool)
{ }
