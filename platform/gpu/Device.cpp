#include "platform/gpu/Device.h"

#include "platform/gpu/GlRuntime.h"

#include <utility>

namespace platform::gpu {

namespace {

PresentHandler& InstalledPresentHandler()
{
    static PresentHandler handler;
    return handler;
}

RuntimeLoader& InstalledLoader()
{
    static RuntimeLoader loader;
    return loader;
}

} // namespace

void SetPresentHandler(PresentHandler handler)
{
    InstalledPresentHandler() = std::move(handler);
}

void CallPresentHandler(WindowHandle window, const FrontBuffer& frame)
{
    if (const PresentHandler& handler = InstalledPresentHandler())
        handler(window, frame);
}

RuntimePtr LoadRuntime()
{
    if (const RuntimeLoader& loader = InstalledLoader())
        return loader();
    return CreateGlRuntime();
}

void SetRuntimeLoader(RuntimeLoader loader)
{
    InstalledLoader() = std::move(loader);
}

} // namespace platform::gpu
