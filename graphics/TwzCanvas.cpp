#include "graphics/TwzCanvas.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"

RTL_IMPLEMENT_CLASS(TwzCanvas)

const TwzCanvasClass* DefaultCanvasClass = nullptr;

namespace {
canvasvisuals::Painter g_painter;
} // namespace

// ---- class reference ----------------------------------------------------------------------

std::unique_ptr<TwzCanvas> TwzCanvasClass::Create(int32_t width, int32_t height) const
{
    if (!create)
        throw rtl::AbstractError("Abstract Error");
    return create(width, height);
}

std::unique_ptr<TwzCanvas> TwzCanvasClass::CreateFromBitmap(TwzBitmap* bitmap) const
{
    if (!createFromBitmap)
        throw rtl::AbstractError("Abstract Error");
    return createFromBitmap(bitmap);
}

uint32_t* TwzCanvasClass::GetBitmapScanline(const TwzBitmap* bitmap, int32_t y) const
{
    return getBitmapScanline ? getBitmapScanline(bitmap, y) : nullptr;
}

namespace canvasvisuals {

void InstallPainter(const Painter& painter) { g_painter = painter; }

const Painter& InstalledPainter() { return g_painter; }

} // namespace canvasvisuals
