#include "scene3d/ThvBitmap.h"

#include "graphics/TwzBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFilter.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

RTL_IMPLEMENT_CLASS(ThvBitmap)

ThvBitmap::ThvBitmap(int32_t width, int32_t height)
{
    Reallocate(width, height);
}

ThvBitmap::~ThvBitmap()
{
    ReleaseDependents();
}

std::unique_ptr<ThvBitmap> ThvBitmap::CreateFromStream(rtl::TStream& stream)
{
    auto bitmap = std::make_unique<ThvBitmap>();
    bitmap->LoadFromStream(stream);
    return bitmap;
}

void ThvBitmap::ReleaseDependents()
{
    // Each canvas is taken off the list before it is told, so one that does not remove
    // itself is not told twice, and none keeps a texture of pixels about to go.
    while (!m_textureCanvases.empty()) {
        ThvCanvas* canvas = m_textureCanvases.back();
        m_textureCanvases.pop_back();
        std::erase(canvas->m_listedIn, this);
        canvas->DestroyBitmapHandle(this);
        canvas->RemoveBitmapHandle(this);
    }
    m_canvas.reset();
}

void ThvBitmap::Reallocate(int32_t width, int32_t height)
{
    ReleaseDependents();
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_bits.clear();
    m_bits.shrink_to_fit();
    // A refused size leaves a bitmap without pixels, not one whose size promises pixels it
    // does not have.
    const uint64_t count = static_cast<uint64_t>(m_width) * static_cast<uint64_t>(m_height);
    const std::string size = rtl::IntToStr(m_width) + " x " + rtl::IntToStr(m_height);
    {
        rtl::ScopeFailure noPixels([this] {
            m_width = 0;
            m_height = 0;
        });
        if (count > kMaxBitmapPixels)
            throw rtl::GraphicsError("A bitmap of " + size + " pixels is larger than the limit of "
                + std::to_string(kMaxBitmapPixels) + " pixels");
        try {
            m_bits.assign(static_cast<size_t>(count), 0);
        } catch (const std::bad_alloc&) {
            throw rtl::GraphicsError("Out of memory for a bitmap of " + size + " pixels");
        }
    }
    SetNeedUpdate(true);
}

void ThvBitmap::SetSize(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
        return;
    Reallocate(width, height);
}

bool ThvBitmap::Map(uint32_t*& bits, bool writing)
{
    if (m_bits.empty()) {
        bits = nullptr;
        return false;
    }
    bits = m_bits.data();
    if (writing)
        m_writing = true;
    return true;
}

void ThvBitmap::Unmap()
{
    Unmap({});
}

void ThvBitmap::Unmap(std::span<const Area> areas)
{
    // Past this many areas one refresh of the whole bitmap costs less than the separate ones.
    constexpr size_t kMaxChangedAreas = 32;
    const bool wrote = m_writing;
    m_writing = false;
    if (!wrote)
        return;
    if (!m_needUpdate) {
        for (const Area& a : areas) {
            const Area clipped { std::max(a.left, 0), std::max(a.top, 0), std::min(a.right, m_width),
                std::min(a.bottom, m_height) };
            if (clipped.right > clipped.left && clipped.bottom > clipped.top)
                m_changedAreas.push_back(clipped);
        }
        if (areas.empty() || m_changedAreas.empty() || m_changedAreas.size() > kMaxChangedAreas)
            SetNeedUpdate(true);
    }
    OnChange(this);
}

ThvCanvas* ThvBitmap::GetCanvas()
{
    if (!m_canvas && hvDefaultCanvasClass)
        m_canvas = hvDefaultCanvasClass->CreateFromBitmap(this);
    return m_canvas.get();
}

void ThvBitmap::AddTextureCanvas(ThvCanvas* canvas)
{
    if (!canvas
        || std::find(m_textureCanvases.begin(), m_textureCanvases.end(), canvas) != m_textureCanvases.end())
        return;
    m_textureCanvases.push_back(canvas);
    canvas->m_listedIn.push_back(this);
}

void ThvBitmap::RemoveTextureCanvas(ThvCanvas* canvas)
{
    if (!canvas || std::erase(m_textureCanvases, canvas) == 0)
        return;
    std::erase(canvas->m_listedIn, this);
}

bool ThvBitmap::HasTransparency() const
{
    return std::any_of(m_bits.begin(), m_bits.end(), [](uint32_t pixel) { return (pixel >> 24) < 255; });
}

// ---- copies -------------------------------------------------------------------------------

void ThvBitmap::Assign(const rtl::TPersistent& source)
{
    if (const auto* canvas = dynamic_cast<const ThvCanvas*>(&source)) {
        SetSize(canvas->GetWidth(), canvas->GetHeight());
        // Reading the frame back changes nothing the canvas shows, but the device calls it
        // takes are not const. A canvas of no area has no frame to give.
        if (!m_bits.empty())
            const_cast<ThvCanvas*>(canvas)->CopyBits(m_bits.data());
    } else if (const auto* other = dynamic_cast<const ThvBitmap*>(&source)) {
        if (other != this) {
            SetSize(other->m_width, other->m_height);
            std::copy(other->m_bits.begin(), other->m_bits.end(), m_bits.begin());
        }
    } else if (const auto* picture = dynamic_cast<const TwzBitmap*>(&source)) {
        // A 2D bitmap that did not decode has a size but no pixels: the size is taken and the
        // pixels stay cleared.
        SetSize(picture->GetWidth(), picture->GetHeight());
        const std::span<const uint32_t> pixels = picture->Pixels();
        if (pixels.size() == m_bits.size())
            std::copy(pixels.begin(), pixels.end(), m_bits.begin());
    } else {
        Inherited::Assign(source);
        return;
    }
    SetNeedUpdate(true);
    OnChange(this);
}

void ThvBitmap::AssignTo(rtl::TPersistent& dest) const
{
    auto* picture = dynamic_cast<TwzBitmap*>(&dest);
    if (!picture) {
        Inherited::AssignTo(dest);
        return;
    }
    picture->SetSize(m_width, m_height);
    // A 2D bitmap is never smaller than 1 x 1: only the rows and columns both have are copied.
    const int32_t width = std::min(m_width, picture->GetWidth());
    const int32_t height = std::min(m_height, picture->GetHeight());
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* row = picture->GetScanline(y);
        if (!row)
            break;
        const uint32_t* source = m_bits.data() + static_cast<size_t>(y) * static_cast<size_t>(m_width);
        std::copy(source, source + width, row);
    }
    picture->OnChange(const_cast<ThvBitmap*>(this));
}

// ---- stored form --------------------------------------------------------------------------

void ThvBitmap::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    filer.DefineBinaryProperty(
        "PNG", [this](rtl::TStream& stream) { LoadFromStream(stream); },
        [this](rtl::TStream& stream) { SaveToStream(stream); }, !m_bits.empty());
}

void ThvBitmap::LoadFromStream(rtl::TStream& stream)
{
    if (!hvDefaultFilterClass)
        throw rtl::ReadError("No image codec is installed to read a picture");
    rtl::TOwned<ThvFilter> filter = hvDefaultFilterClass->Create();
    if (filter->LoadFromStream(stream, *this))
        OnChange(this);
}

void ThvBitmap::SaveToStream(rtl::TStream& stream)
{
    if (!hvDefaultFilterClass)
        throw rtl::WriteError("No image codec is installed to store a picture");
    rtl::TOwned<ThvFilter> filter = hvDefaultFilterClass->Create();
    if (HasTransparency())
        filter->SaveToStream(stream, *this, "png", "");
    else
        filter->SaveToStream(stream, *this, "jpg", "quality=100");
}
