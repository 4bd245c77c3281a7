#include "ui2d/ResourceObjects.h"

#include "ui2d/Library2D.h"
#include "ui2d/TwzPathObject.h"

namespace ui2d {

namespace {

TwzPathData* PathOf(rtl::TComponent* object)
{
    auto* resource = dynamic_cast<TwzPathObject*>(object);
    return resource ? resource->GetPath() : nullptr;
}

} // namespace

// FIXME: TwzBrushObject and TwzBitmapObject join once the brush and bitmap values they own
// exist; until then no resource object owns a brush or a bitmap.

void FillResourceServices(objectlinks::Services& services)
{
    services.resourceBitmap = nullptr;
    services.resourcePath = &PathOf;
    services.resourceBrush = nullptr;
}

void RegisterResourceObjects()
{
    Register2DObjects<TwzPathObject>("Resources");
}

} // namespace ui2d
