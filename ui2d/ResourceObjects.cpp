#include "ui2d/ResourceObjects.h"

#include "ui2d/Library2D.h"
#include "ui2d/TwzBitmapObject.h"
#include "ui2d/TwzBrushObject.h"
#include "ui2d/TwzPathObject.h"

namespace ui2d {

namespace {

TwzBitmap* BitmapOf(rtl::TComponent* object)
{
    auto* resource = dynamic_cast<TwzBitmapObject*>(object);
    return resource ? resource->GetBitmap() : nullptr;
}

TwzPathData* PathOf(rtl::TComponent* object)
{
    auto* resource = dynamic_cast<TwzPathObject*>(object);
    return resource ? resource->GetPath() : nullptr;
}

TwzBrush* BrushOf(rtl::TComponent* object)
{
    auto* resource = dynamic_cast<TwzBrushObject*>(object);
    return resource ? resource->GetBrush() : nullptr;
}

} // namespace

void FillResourceServices(objectlinks::Services& services)
{
    services.resourceBitmap = &BitmapOf;
    services.resourcePath = &PathOf;
    services.resourceBrush = &BrushOf;
}

void RegisterResourceObjects()
{
    Register2DObjects<TwzBrushObject, TwzPathObject, TwzBitmapObject>("Resources");
}

} // namespace ui2d
