// Set-up of the canvas over the drawing layer: targets, the back buffer, the world
// transform, saved states and clipping.

#include "graphics/TwzCanvasGdiPlus.h"

#include "graphics/TwzBitmap.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvasGdiPlusPrivate.h"
#include "graphics/TwzFont.h"
#include "graphics/TwzSurfaceBacking.h"
#include "platform/raster/Raster.h"
#include "platform/raster/Surface.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"

#include <algorithm>
#include <cmath>

RTL_IMPLEMENT_CLASS(TwzCanvasGdiPlus)

using namespace platform::raster;

const TwzCanvasClass TwzCanvasGdiPlusClass {
    &TwzCanvasGdiPlus::StaticClass,
    [](int32_t width, int32_t height) -> std::unique_ptr<TwzCanvas> {
        return std::make_unique<TwzCanvasGdiPlus>(width, height);
    },
    [](TwzBitmap* bitmap) -> std::unique_ptr<TwzCanvas> {
        return std::make_unique<TwzCanvasGdiPlus>(bitmap);
    },
    &TwzCanvasGdiPlus::GetBitmapScanline,
};

namespace canvasgdiplus {

Matrix ToRaster(const TwzMatrix& m)
{
    // The third column is (0, 0, 1) in every matrix the library builds; a projective part
    // has no meaning for 2D drawing and is left out.
    return { m.m11, m.m12, m.m21, m.m22, m.m31, m.m32 };
}

RectF ToRaster(const TwzRect& r)
{
    return { r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top };
}

PointF ToRaster(const TwzPoint& p)
{
    return { p.X, p.Y };
}

} // namespace canvasgdiplus

using canvasgdiplus::ToRaster;

namespace {

void ApplyTextHint(Graphics& g, TwzTextRendering value)
{
    switch (value) {
    case wzLowQuality:
        g.SetTextRenderingHint(TextRenderingHint::SingleBitPerPixelGridFit);
        break;
    case wzClearType:
        g.SetTextRenderingHint(TextRenderingHint::ClearTypeGridFit);
        break;
    default:
        g.SetTextRenderingHint(TextRenderingHint::AntiAlias);
        break;
    }
}

} // namespace

// ---- start and stop -----------------------------------------------------------------------

void StartGdiPlus()
{
    platform::raster::Startup();
    TwzBitmapCanvasServices services;
    services.createCanvas = [](TwzBitmap& bitmap) -> TwzCanvas* {
        if (!DefaultCanvasClass)
            return nullptr;
        std::unique_ptr<TwzCanvas> canvas = DefaultCanvasClass->CreateFromBitmap(&bitmap);
        canvas->SetMatrix(IdentityMatrix);
        return canvas.release();
    };
    services.freeCanvas = [](TwzCanvas* canvas) { delete canvas; };
    InstallBitmapCanvasServices(services);
}

void StopGdiPlus()
{
    platform::raster::Shutdown();
}

// ---- life ---------------------------------------------------------------------------------

TwzCanvasGdiPlus::TwzCanvasGdiPlus(int32_t width, int32_t height)
    : TwzCanvas(Target::BackBuffer, width, height, nullptr)
    , m_fontFamily(canvasgdiplus::FamilyOf(GetFont().GetFamily()))
{
    // Built here rather than through ResizeBackBuffer: a size equal to the fields' values
    // would otherwise leave the canvas without a buffer.
    CreateBackBuffer();
    CreateBufferGraphics();
    InitDrawingObjects();
}

TwzCanvasGdiPlus::TwzCanvasGdiPlus(TwzBitmap* bitmap)
    : TwzCanvas(Target::Bitmap, bitmap ? bitmap->GetWidth() : 0, bitmap ? bitmap->GetHeight() : 0, bitmap)
    , m_fontFamily(canvasgdiplus::FamilyOf(GetFont().GetFamily()))
{
    BindBitmapPixels();
    InitDrawingObjects();
}

TwzCanvasGdiPlus::TwzCanvasGdiPlus(Graphics target, int32_t width, int32_t height)
    : TwzCanvas(Target::External, width, height, nullptr)
    , m_graphics(std::move(target))
    , m_fontFamily(canvasgdiplus::FamilyOf(GetFont().GetFamily()))
{
    m_graphics->SetSmoothingMode(SmoothingMode::AntiAlias);
    m_graphics->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    InitDrawingObjects();
}

TwzCanvasGdiPlus::~TwzCanvasGdiPlus()
{
    m_graphics.reset();
    m_bitmapSurface.reset();
    FreeBackBuffer();
}

void TwzCanvasGdiPlus::InitDrawingObjects()
{
    m_strokeBrush = Brush::Solid(0xFF000000);
    m_pen.emplace(*m_strokeBrush, 1.0f);
    m_fillBrush = Brush::Solid(0xFFFFFFFF);
}

void TwzCanvasGdiPlus::CreateBufferGraphics()
{
    if (!m_buffer)
        return;
    m_graphics = Graphics::Create(RasterSurfaceOf(*m_buffer));
    if (!m_graphics) {
        TwzCanvas::FreeBackBuffer();
        throw rtl::GraphicsError("Can't create compatible DC");
    }
    m_graphics->SetSmoothingMode(SmoothingMode::AntiAlias);
    m_graphics->SetInterpolationMode(InterpolationMode::HighQuality);
    m_graphics->SetTextRenderingHint(TextRenderingHint::AntiAlias);
    m_graphics->SetCompositingMode(CompositingMode::SourceOver);
}

void TwzCanvasGdiPlus::BindBitmapPixels()
{
    if (!m_bitmap)
        return;
    uint32_t* bits = m_bitmap->Bits();
    if (bits == m_boundBits && m_bitmapSurface && m_bitmapSurface->Width() == m_bitmap->GetWidth()
        && m_bitmapSurface->Height() == m_bitmap->GetHeight())
        return;
    // The bitmap was resized under this canvas: draw into its new pixels rather than into
    // freed memory. Transform and clip start afresh, as on a new canvas.
    m_graphics.reset();
    m_bitmapSurface.reset();
    m_boundBits = bits;
    m_width = m_bitmap->GetWidth();
    m_height = m_bitmap->GetHeight();
    if (!bits)
        return;
    std::optional<Surface> surface = Surface::CreateOver(bits, m_width, m_height);
    if (!surface)
        return;
    m_bitmapSurface = std::make_unique<Surface>(std::move(*surface));
    m_graphics = Graphics::Create(*m_bitmapSurface);
    if (!m_graphics)
        return;
    m_graphics->SetSmoothingMode(SmoothingMode::AntiAlias);
    ApplyTextHint(*m_graphics, m_textRendering);
    (void)ApplyWorldTransform(m_matrix);
}

Graphics* TwzCanvasGdiPlus::GetGraphics()
{
    BindBitmapPixels();
    return m_graphics ? &*m_graphics : nullptr;
}

// ---- back buffer --------------------------------------------------------------------------

void TwzCanvasGdiPlus::FreeBackBuffer()
{
    if (m_buffered)
        m_graphics.reset();
    TwzCanvas::FreeBackBuffer();
}

void TwzCanvasGdiPlus::ResizeBackBuffer(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
        return;
    TwzCanvas::ResizeBackBuffer(width, height);
    // A new graphics has the identity transform and no clip; Matrix keeps its value but is
    // not in force until SetMatrix is called again.
    if (m_buffered && m_bufferBits)
        CreateBufferGraphics();
}

// ---- bitmaps ------------------------------------------------------------------------------

uint32_t* TwzCanvasGdiPlus::GetBitmapScanline(const TwzBitmap* bitmap, int32_t y)
{
    if (!bitmap || !bitmap->Bits() || y < 0 || y >= bitmap->GetHeight())
        return nullptr;
    // The rows are the bitmap's own memory; the class operation hands out its address.
    return const_cast<uint32_t*>(bitmap->Bits())
        + static_cast<size_t>(y) * static_cast<size_t>(bitmap->GetWidth());
}

namespace {

/// Releases a bitmap's cached surface from the bitmap's own hook, which calls a method.
class TGpBitmapReleaser : public rtl::TObject {
public:
    void Release(TwzBitmap* bitmap) { TwzCanvasGdiPlus::FreeGpBitmap(bitmap); }
};

TGpBitmapReleaser g_releaser;

} // namespace

Surface* TwzCanvasGdiPlus::GetGpBitmap(TwzBitmap* bitmap)
{
    if (!bitmap)
        return nullptr;
    // The bitmap's handle is an integer, as the window system's handles are; it holds the
    // address of the surface made for it.
    auto* surface = reinterpret_cast<Surface*>(bitmap->GetHandle()); // NOLINT(performance-no-int-to-ptr)
    if (!surface || surface->Width() != bitmap->GetWidth() || surface->Height() != bitmap->GetHeight()
        || surface->Bits() != bitmap->Bits()) {
        FreeGpBitmap(bitmap);
        surface = nullptr;
        if (bitmap->Bits()) {
            if (std::optional<Surface> made
                = Surface::CreateOver(bitmap->Bits(), bitmap->GetWidth(), bitmap->GetHeight()))
                surface = new Surface(std::move(*made));
        }
        bitmap->SetHandle(reinterpret_cast<uintptr_t>(surface));
    }
    bitmap->SetNeedUpdate(false);
    bitmap->OnDestroyHandle.Bind<&TGpBitmapReleaser::Release>(&g_releaser);
    return surface;
}

void TwzCanvasGdiPlus::FreeGpBitmap(TwzBitmap* bitmap)
{
    if (!bitmap)
        return;
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the handle holds the surface's address (GetGpBitmap)
    delete reinterpret_cast<Surface*>(bitmap->GetHandle());
    bitmap->SetHandle(0);
}

// ---- transform and states -----------------------------------------------------------------

bool TwzCanvasGdiPlus::ApplyWorldTransform(const TwzMatrix& m)
{
    // A matrix that cannot be inverted (the all-zero one a canvas starts with, a scale of
    // 0) is refused by the drawing layer and the transform in force stays.
    return m_graphics && m_graphics->SetTransform(ToRaster(m));
}

void TwzCanvasGdiPlus::SetMatrix(const TwzMatrix& m)
{
    m_matrix = m;
    BindBitmapPixels();
    (void)ApplyWorldTransform(m);
}

void TwzCanvasGdiPlus::MultiplyMatrix(const TwzMatrix& m)
{
    if (Graphics* g = GetGraphics())
        (void)g->MultiplyTransform(ToRaster(m));
}

int32_t TwzCanvasGdiPlus::SaveState()
{
    Graphics* g = GetGraphics();
    if (!g)
        return -1;
    auto entry = std::find_if(
        m_saveStates.begin(), m_saveStates.end(), [](const TwzSaveData& d) { return d.StateId == -1; });
    if (entry == m_saveStates.end()) {
        m_saveStates.emplace_back();
        entry = m_saveStates.end() - 1;
    }
    entry->StateId = g->Save();
    entry->Matrix = m_matrix;
    entry->Fill = std::make_unique<TwzBrush>(wzBrushSolid, 0xFFFFFFFF);
    entry->Fill->Assign(*m_fill);
    entry->Stroke = std::make_unique<TwzBrush>(wzBrushSolid, 0xFF000000);
    entry->Stroke->Assign(*m_stroke);
    entry->StrokeThickness = m_strokeThickness;
    entry->StrokeCap = m_strokeCap;
    entry->StrokeJoin = m_strokeJoin;
    entry->StrokeDash = m_strokeDash;
    entry->Dash = m_dash;
    entry->DashOffset = m_dashOffset;
    entry->Font = std::make_unique<TwzFont>();
    entry->Font->Assign(*m_font);
    return static_cast<int32_t>(entry - m_saveStates.begin());
}

void TwzCanvasGdiPlus::RestoreState(int32_t index)
{
    Graphics* g = GetGraphics();
    if (!g || index < 0 || index >= static_cast<int32_t>(m_saveStates.size()))
        return;
    TwzSaveData& entry = m_saveStates[static_cast<size_t>(index)];
    if (entry.StateId == -1)
        return; // free: restored before (nothing saved to go back to)
    // A state saved before an older one that was restored first is gone from the drawing
    // layer (false here): only the canvas's own fields go back then.
    (void)g->Restore(entry.StateId);
    entry.StateId = -1;
    m_matrix = entry.Matrix;
    if (entry.Stroke)
        m_stroke->Assign(*entry.Stroke);
    if (entry.Fill)
        m_fill->Assign(*entry.Fill);
    entry.Stroke.reset();
    entry.Fill.reset();
    // The saved matrix replaces whatever was multiplied in before the save.
    SetMatrix(m_matrix);
    m_strokeThickness = entry.StrokeThickness;
    m_strokeCap = entry.StrokeCap;
    m_strokeJoin = entry.StrokeJoin;
    m_strokeDash = entry.StrokeDash;
    m_dash = entry.Dash;
    m_dashOffset = entry.DashOffset;
    std::unique_ptr<TwzFont> font = std::move(entry.Font);
    if (font)
        m_font->Assign(*font); // fires FontChanged
}

// ---- clipping -----------------------------------------------------------------------------

void TwzCanvasGdiPlus::SetClipRects(std::span<const TwzRect> rects)
{
    Graphics* g = GetGraphics();
    if (!g)
        return;
    std::vector<RectF> converted;
    converted.reserve(rects.size());
    for (const TwzRect& r : rects)
        converted.push_back(ToRaster(r));
    g->SetClip(converted);
}

void TwzCanvasGdiPlus::IntersectClipRect(const TwzRect& rect)
{
    if (Graphics* g = GetGraphics())
        g->SetClip(ToRaster(rect), CombineMode::Intersect);
}

void TwzCanvasGdiPlus::ExcludeClipRect(const TwzRect& rect)
{
    if (Graphics* g = GetGraphics())
        g->SetClip(ToRaster(rect), CombineMode::Exclude);
}

void TwzCanvasGdiPlus::ResetClipRect()
{
    if (Graphics* g = GetGraphics())
        g->ResetClip();
}

void TwzCanvasGdiPlus::SetTextRendering(TwzTextRendering value)
{
    m_textRendering = value;
    if (Graphics* g = GetGraphics())
        ApplyTextHint(*g, value);
}
