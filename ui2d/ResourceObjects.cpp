#include "ui2d/ResourceObjects.h"

namespace ui2d {

// FIXME: TwzBrushObject, TwzPathObject and TwzBitmapObject join once the brush, path data
// and bitmap values they own exist; until then no resource object owns a value.

void FillResourceServices(objectlinks::Services& services)
{
    services.resourceBitmap = nullptr;
    services.resourcePath = nullptr;
    services.resourceBrush = nullptr;
}

void RegisterResourceObjects() { }

} // namespace ui2d
