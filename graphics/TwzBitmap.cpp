#include "graphics/TwzBitmap.h"

#include "graphics/TwzFilter.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Properties.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

namespace {

constexpr rtl::TPropInfo kBitmapProps[] = {
    RTL_PROP(TwzBitmap, Resource, Component, rtl::kNoDefault, false).WithTypeName("TwzBitmapObject"),
    RTL_PROP(TwzBitmap, ResourceName, String, ""),
};

TwzBitmapCanvasServices& CanvasServices()
{
    static TwzBitmapCanvasServices services;
    return services;
}

bool FileExists(const std::string& fileName)
{
    std::error_code error;
    return std::filesystem::is_regular_file(std::filesystem::u8path(fileName), error);
}

uint32_t AlphaOf(uint32_t pixel)
{
    return pixel >> 24;
}

} // namespace

RTL_IMPLEMENT_CLASS(TwzBitmap, .props = kBitmapProps)

void InstallBitmapCanvasServices(const TwzBitmapCanvasServices& services)
{
    CanvasServices() = services;
}

TwzBitmap::TwzBitmap(int32_t width, int32_t height)
    : m_width(width)
    , m_height(height)
{
    Recreate();
}

std::unique_ptr<TwzBitmap> TwzBitmap::CreateFromStream(rtl::TStream& stream)
{
    auto bitmap = std::make_unique<TwzBitmap>(0, 0);
    // Until the stream decodes, the bitmap has no pixels at all.
    bitmap->ReleasePixels();
    bitmap->m_width = 0;
    bitmap->m_height = 0;
    bitmap->LoadFromStream(stream);
    return bitmap;
}

TwzBitmap::~TwzBitmap()
{
    FreeCanvas();
    OnDestroyHandle(this);
    m_handle = 0;
}

size_t TwzBitmap::PixelCount() const
{
    return m_bits ? size_t(m_width) * size_t(m_height) : 0;
}

void TwzBitmap::FreeCanvas()
{
    TwzCanvas* canvas = std::exchange(m_canvas, nullptr);
    if (canvas && CanvasServices().freeCanvas)
        CanvasServices().freeCanvas(canvas);
}

void TwzBitmap::ReleasePixels()
{
    OnDestroyHandle(this);
    m_handle = 0;
    FreeCanvas();
    m_bits.reset();
}

// ---- resource link ------------------------------------------------------------------------

void TwzBitmap::SetResource(rtl::TComponent* value)
{
    if (!m_resource.Link(value))
        return;
    if (!value)
        m_resource.SetName({});
    OnChange(this);
}

void TwzBitmap::SetResourceName(const std::string& value)
{
    if (value == m_resource.Name())
        return;
    m_resource.SetName(value);
    OnChange(this);
}

void TwzBitmap::FreeNotify(rtl::TComponent* object)
{
    m_resource.Forget(object);
}

TwzBitmap* TwzBitmap::GetResourceBitmap()
{
    if (rtl::TComponent* found = m_resource.Lookup())
        SetResource(found);
    return m_resource.Value();
}

// ---- pixels -------------------------------------------------------------------------------

void TwzBitmap::SetSize(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
        return;
    m_width = width;
    m_height = height;
    Recreate();
}

void TwzBitmap::Recreate()
{
    OnBeforeRecreate(this);
    ReleasePixels();
    m_width = std::max(m_width, 1);
    m_height = std::max(m_height, 1);
    // A refused size leaves a bitmap without pixels, not one whose size promises pixels it
    // does not have.
    const uint64_t count = uint64_t(m_width) * uint64_t(m_height);
    const std::string size = rtl::IntToStr(m_width) + " x " + rtl::IntToStr(m_height);
    if (count > kMaxBitmapPixels) {
        m_width = 0;
        m_height = 0;
        throw rtl::GraphicsError("A bitmap of " + size + " pixels is larger than the limit of "
            + std::to_string(kMaxBitmapPixels) + " pixels");
    }
    try {
        m_bits.reset(new uint32_t[size_t(count)]);
    } catch (const std::bad_alloc&) {
        m_width = 0;
        m_height = 0;
        throw rtl::GraphicsError("Out of memory for a bitmap of " + size + " pixels");
    }
    Clear(0);
    m_needUpdate = true;
    OnAfterRecreate(this);
}

void TwzBitmap::Clear(TwzColor color)
{
    std::fill_n(m_bits.get(), PixelCount(), PremultiplyColor(color));
    m_needUpdate = true;
}

uint32_t* TwzBitmap::GetScanline(int32_t y)
{
    if (!m_bits || y < 0 || y >= m_height)
        return nullptr;
    return m_bits.get() + size_t(y) * size_t(m_width);
}

TwzCanvas* TwzBitmap::GetCanvas()
{
    if (!m_canvas && CanvasServices().createCanvas)
        m_canvas = CanvasServices().createCanvas(*this);
    return m_canvas;
}

void TwzBitmap::FlipVertical()
{
    if (m_bits) {
        std::vector<uint32_t> row(static_cast<size_t>(m_width));
        for (int32_t y = 0; y < m_height / 2; ++y) {
            uint32_t* top = GetScanline(y);
            uint32_t* bottom = GetScanline(m_height - 1 - y);
            std::memcpy(row.data(), top, row.size() * sizeof(uint32_t));
            std::memcpy(top, bottom, row.size() * sizeof(uint32_t));
            std::memcpy(bottom, row.data(), row.size() * sizeof(uint32_t));
        }
    }
    OnChange(this);
}

void TwzBitmap::InvertAlpha()
{
    for (uint32_t& pixel : Pixels()) {
        const uint32_t straight = UnpremultiplyColor(pixel);
        pixel = PremultiplyColor((straight & 0x00FFFFFF) | ((255 - AlphaOf(straight)) << 24));
    }
    OnChange(this);
}

void TwzBitmap::FillColorKeepAlpha(TwzColor color)
{
    for (uint32_t& pixel : Pixels()) {
        const uint32_t alpha = AlphaOf(pixel);
        if (alpha > 0)
            pixel = PremultiplyColor(ScaleColorAlpha(color, static_cast<float>(alpha) / 255.0f));
    }
    OnChange(this);
    m_needUpdate = true;
}

std::vector<uint8_t> TwzBitmap::CreateAlphaMask() const
{
    std::vector<uint8_t> mask;
    mask.reserve(PixelCount());
    for (uint32_t pixel : Pixels())
        mask.push_back(static_cast<uint8_t>(AlphaOf(pixel)));
    return mask;
}

void TwzBitmap::ApplyAlphaMask(std::span<const uint8_t> mask, int32_t offsetX, int32_t offsetY)
{
    if (m_bits) {
        for (int32_t y = 0; y < m_height; ++y) {
            const int64_t my = int64_t(y) - offsetY;
            if (my < 0 || my >= m_height)
                continue;
            uint32_t* row = GetScanline(y);
            for (int32_t x = 0; x < m_width; ++x) {
                const int64_t mx = int64_t(x) - offsetX;
                if (mx < 0 || mx >= m_width)
                    continue;
                // A mask shorter than the bitmap ends early rather than being read past.
                const uint64_t index = uint64_t(my) * uint64_t(m_width) + uint64_t(mx);
                if (index >= mask.size())
                    continue;
                const uint8_t m = mask[index];
                if (m == 0)
                    continue;
                row[x] = PremultiplyColor(
                    ScaleColorAlpha(UnpremultiplyColor(row[x]), static_cast<float>(255 - m) / 255.0f));
            }
        }
    }
    OnChange(this);
    m_needUpdate = true;
}

bool TwzBitmap::HasTransparency() const
{
    const std::span<const uint32_t> pixels = Pixels();
    return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return AlphaOf(p) != 255; });
}

// ---- copying and stored form --------------------------------------------------------------

void TwzBitmap::Assign(const rtl::TPersistent& source)
{
    auto* other = const_cast<TwzBitmap*>(dynamic_cast<const TwzBitmap*>(&source));
    if (!other)
        return Inherited::Assign(source);
    // Resolving the source's name links the source, as any user of it would.
    if (other->GetResourceBitmap()) {
        SetResource(other->m_resource.Object());
        m_resource.SetName(other->m_resource.Name());
        OnChange(this);
        return;
    }
    if (other != this) {
        SetSize(other->m_width, other->m_height);
        const size_t count = std::min(PixelCount(), other->PixelCount());
        if (count)
            std::memcpy(m_bits.get(), other->m_bits.get(), count * sizeof(uint32_t));
    }
    m_needUpdate = true;
    OnChange(this);
}

void TwzBitmap::DefineProperties(rtl::TFiler& filer)
{
    Inherited::DefineProperties(filer);
    // Without a codec nothing can be encoded: an empty block would only read back as nothing.
    filer.DefineBinaryProperty(
        "PNG", [this](rtl::TStream& stream) { LoadFromStream(stream); },
        [this](rtl::TStream& stream) { SaveToStream(stream); }, PixelCount() > 0 && DefaultFilterClass);
}

bool TwzBitmap::LoadFromFile(const std::string& fileName, float rotate)
{
    if (!DefaultFilterClass || !FileExists(fileName))
        return false;
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass->Create();
    if (!filter || !filter->LoadFromFile(fileName, rotate, *this))
        return false;
    OnChange(this);
    return true;
}

bool TwzBitmap::LoadThumbnailFromFile(
    const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded)
{
    if (!DefaultFilterClass)
        return false;
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass->Create();
    if (!filter || !filter->LoadThumbnailFromFile(fileName, fitWidth, fitHeight, useEmbedded, *this))
        return false;
    OnChange(this);
    return true;
}

void TwzBitmap::SaveToFile(const std::string& fileName, const std::string& params)
{
    // Returning without a word would look like a save that worked.
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass ? DefaultFilterClass->Create() : nullptr;
    if (!filter)
        throw rtl::WriteError("Cannot save \"" + fileName + "\": no picture codec is installed");
    filter->SaveToFile(fileName, *this, params);
}

bool TwzBitmap::LoadFromStream(rtl::TStream& stream)
{
    if (!DefaultFilterClass)
        return false;
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass->Create();
    if (!filter)
        return false;
    bool loaded;
    if (stream.GetPosition() > 0) {
        // The codec reads an image from the start of its stream: hand it what follows.
        rtl::TMemoryStream rest;
        if (const int64_t left = stream.BytesLeft(); left > 0)
            rest.CopyFrom(stream, left);
        rest.SetPosition(0);
        loaded = filter->LoadFromStream(rest, *this);
    } else {
        loaded = filter->LoadFromStream(stream, *this);
    }
    if (loaded)
        OnChange(this);
    return loaded;
}

bool TwzBitmap::LoadThumbnailFromStream(rtl::TStream& stream, float fitWidth, float fitHeight)
{
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass ? DefaultFilterClass->Create() : nullptr;
    if (!filter || !filter->LoadThumbnailFromStream(stream, fitWidth, fitHeight, *this))
        return false;
    OnChange(this);
    return true;
}

TwzPoint TwzBitmap::GetStreamImageSize(rtl::TStream& stream)
{
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass ? DefaultFilterClass->Create() : nullptr;
    return filter ? filter->GetStreamImageSize(stream) : TwzPoint {};
}

void TwzBitmap::SaveToStream(rtl::TStream& stream)
{
    if (!DefaultFilterClass)
        return;
    std::unique_ptr<TwzFilter> filter = DefaultFilterClass->Create();
    if (!filter)
        return;
    if (HasTransparency())
        filter->SaveToStream(stream, *this, "png", "");
    else
        filter->SaveToStream(stream, *this, "jpeg", "quality=100");
}
