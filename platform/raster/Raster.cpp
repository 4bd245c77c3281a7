#include "platform/raster/Raster.h"

#include "platform/raster/FontFamily.h"

#include <fontconfig/fontconfig.h>

namespace platform::raster {

void Startup()
{
    FcInit();
    (void)FontFamily::GenericSansSerif();
}

void Shutdown() { }

} // namespace platform::raster
