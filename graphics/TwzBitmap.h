#pragma once

#include "graphics/Colors.h"
#include "graphics/Geometry.h"
#include "graphics/ObjectLinks.h"
#include "graphics/ResourceLink.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TwzCanvas;
class TwzBitmap;

namespace rtl {
class TStream;
}

/// A hook of a bitmap's users that keep data derived from its pixels.
using TwzBitmapHook = rtl::TEvent<TwzBitmap*>;

/// How a bitmap reaches the 2D canvas library (above it) for a canvas of its own: installed by
/// that library together with DefaultCanvasClass. Until then a bitmap has no canvas.
struct TwzBitmapCanvasServices {
    /// A canvas of DefaultCanvasClass made from the bitmap, its matrix set to the identity.
    TwzCanvas* (*createCanvas)(TwzBitmap& bitmap) = nullptr;
    void (*freeCanvas)(TwzCanvas* canvas) = nullptr;
};
void InstallBitmapCanvasServices(const TwzBitmapCanvasServices& services);

/// Largest bitmap (Width x Height) the library makes: 256 Mi pixels, 1 GB of memory (a square
/// of 16384 x 16384). Larger sizes are refused with rtl::GraphicsError before anything is
/// allocated, and so are sizes the memory cannot hold.
inline constexpr uint64_t kMaxBitmapPixels = uint64_t(1) << 28;

/// The picture of the 2D library: Width x Height premultiplied ARGB pixels in top-down rows
/// without gaps (pixel (X, Y) at index Y x Width + X), one block that canvases may wrap in
/// place. Never smaller than 1 x 1, except a bitmap read from a stream that did not decode,
/// which has no pixels and a size of 0 x 0.
///
/// Stored inside objects as the binary property "PNG": a PNG image when any pixel is
/// translucent, else a JPEG image at quality 100. May stand for a named bitmap resource
/// object (TwzBitmapObject of the 2D object tree). Used by one thread at a time.
class TwzBitmap : public rtl::TPersistent, public objectlinks::IFreeNotify {
    RTL_CLASS(TwzBitmap, rtl::TPersistent)
public:
    /// Pixels allocated (at least 1 x 1) and all 0.
    TwzBitmap(int32_t width, int32_t height);
    /// A picture read from the stream's position; without pixels (0 x 0) when it does not
    /// decode.
    [[nodiscard]] static std::unique_ptr<TwzBitmap> CreateFromStream(rtl::TStream& stream);
    ~TwzBitmap() override;

    // Published: Resource (never stored) and ResourceName.
    [[nodiscard]] rtl::TComponent* GetResource() const { return m_resource.Object(); }
    /// Links a bitmap resource object (or unlinks with null), takes over its resource name
    /// (empty for null) and fires OnChange. An object that is not a bitmap resource is refused.
    void SetResource(rtl::TComponent* value);
    [[nodiscard]] const std::string& GetResourceName() const { return m_resource.Name(); }
    /// Fires OnChange when the name differs; the link stays as it is.
    void SetResourceName(const std::string& value);

    /// Fired by the content operations that say so; not by SetSize and Clear.
    rtl::TNotifyEvent OnChange;
    /// For a canvas implementation that caches a platform image of the pixels: called before
    /// the pixels are reallocated and when the bitmap is destroyed.
    TwzBitmapHook OnDestroyHandle;
    TwzBitmapHook OnBeforeRecreate;
    TwzBitmapHook OnAfterRecreate;

    [[nodiscard]] int32_t GetWidth() const { return m_width; }
    [[nodiscard]] int32_t GetHeight() const { return m_height; }
    /// Null for a bitmap without pixels.
    [[nodiscard]] uint32_t* Bits() { return m_bits.get(); }
    [[nodiscard]] const uint32_t* Bits() const { return m_bits.get(); }
    [[nodiscard]] std::span<uint32_t> Pixels() { return { m_bits.get(), PixelCount() }; }
    [[nodiscard]] std::span<const uint32_t> Pixels() const { return { m_bits.get(), PixelCount() }; }

    /// The opaque platform handle a canvas implementation caches; 0 after every reallocation.
    [[nodiscard]] uintptr_t GetHandle() const { return m_handle; }
    void SetHandle(uintptr_t value) { m_handle = value; }
    /// Set when the pixels were reallocated or changed; canvases that keep a platform image
    /// of the pixels read and clear it.
    [[nodiscard]] bool GetNeedUpdate() const { return m_needUpdate; }
    void SetNeedUpdate(bool value) { m_needUpdate = value; }

    /// Nothing when both equal the current size; otherwise new pixels, all 0, and the canvas
    /// is dropped. No OnChange. A size beyond kMaxBitmapPixels, or one the memory cannot hold,
    /// raises rtl::GraphicsError and leaves the bitmap without pixels (0 x 0).
    void SetSize(int32_t width, int32_t height);
    /// Drops the canvas and the cached handle and allocates new pixels (at least 1 x 1), all 0;
    /// refuses sizes as SetSize does.
    void Recreate();
    /// Every pixel the premultiplied `color` (given straight). No OnChange.
    void Clear(TwzColor color);
    /// The address of row Y; null outside the rows or without pixels.
    [[nodiscard]] uint32_t* GetScanline(int32_t y);
    /// The bitmap's own canvas, created on first use; gone after the next reallocation, so
    /// callers must not keep it across SetSize. Null while no canvas library is installed.
    [[nodiscard]] TwzCanvas* GetCanvas();

    /// Rows in reverse order; then OnChange.
    void FlipVertical();
    /// Every pixel's alpha becomes 255 - alpha (a transparent pixel turns opaque black); then
    /// OnChange.
    void InvertAlpha();
    /// Every pixel that is not fully transparent becomes `color` (straight) with its alpha
    /// scaled by the pixel's; then OnChange.
    void FillColorKeepAlpha(TwzColor color);
    /// Width x Height bytes, row after row: each pixel's alpha.
    [[nodiscard]] std::vector<uint8_t> CreateAlphaMask() const;
    /// Cuts the mask's shape out: each pixel's alpha is multiplied by (255 - m) / 255, m being
    /// the mask byte at (X - offsetX, Y - offsetY) of a mask of Width x Height bytes. Pixels
    /// whose mask position lies outside the mask (or beyond the bytes given), or whose mask
    /// byte is 0, stay. Then OnChange.
    void ApplyAlphaMask(std::span<const uint8_t> mask, int32_t offsetX, int32_t offsetY);

    /// From a bitmap that resolves to a resource: its link and name, not its pixels. From
    /// another bitmap: its size and pixels. Fires OnChange.
    void Assign(const rtl::TPersistent& source) override;
    /// The binary property "PNG".
    void DefineProperties(rtl::TFiler& filer) override;

    // Pictures go through a filter of DefaultFilterClass; without one nothing loads and
    // nothing is written to a stream, and saving to a file raises.
    /// When the file exists and decodes: the picture, turned by `rotate` degrees, then
    /// OnChange. A missing or undecodable file leaves the bitmap as it was. Returns whether
    /// the picture was loaded.
    bool LoadFromFile(const std::string& fileName, float rotate = 0);
    /// The picture reduced to fit fitWidth x fitHeight; OnChange on success.
    bool LoadThumbnailFromFile(
        const std::string& fileName, float fitWidth, float fitHeight, bool useEmbedded);
    /// The format follows the file's extension. Raises rtl::WriteError naming the file when
    /// the extension names no format, when no filter is installed and for a bitmap without
    /// pixels; write failures as rtl::ReplaceFile raises them.
    void SaveToFile(const std::string& fileName, const std::string& params = {});
    /// Decodes the image from the stream's position to its end; OnChange on success.
    bool LoadFromStream(rtl::TStream& stream);
    /// As LoadFromStream, the picture reduced, when larger, to fit fitWidth x fitHeight with
    /// its proportions kept (a reader that cannot reduce loads nothing).
    bool LoadThumbnailFromStream(rtl::TStream& stream, float fitWidth, float fitHeight);
    /// The pixel size the image at the stream's position declares in its headers, without
    /// decoding it; (0, 0) when they do not read, declare a size no decoder takes, or no
    /// filter is installed. The stream's position is kept.
    [[nodiscard]] static TwzPoint GetStreamImageSize(rtl::TStream& stream);
    /// PNG when any pixel's alpha is below 255, else JPEG at quality 100. No event.
    void SaveToStream(rtl::TStream& stream);
    /// True when some pixel's alpha is not 255 (the test that picks PNG over JPEG).
    [[nodiscard]] bool HasTransparency() const;

    /// The bitmap the link stands for, or null. Not linked but named: looks the name up
    /// and links a bitmap resource found.
    [[nodiscard]] TwzBitmap* GetResourceBitmap();

protected:
    void FreeNotify(rtl::TComponent* object) override;

private:
    [[nodiscard]] size_t PixelCount() const;
    void FreeCanvas();
    void ReleasePixels();

    std::unique_ptr<uint32_t[]> m_bits;
    uintptr_t m_handle = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_needUpdate = false;
    objectlinks::BitmapLink m_resource { *this };
    TwzCanvas* m_canvas = nullptr; // owned, freed through the canvas services
};
