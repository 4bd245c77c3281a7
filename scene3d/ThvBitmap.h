#pragma once

#include "scene3d/Forward.h"

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// The picture of the 3D library: Width x Height 32-bit ARGB pixels in top-down rows, which
// canvases turn into textures and which a bitmap canvas renders into. Pixels from 2D bitmaps
// are taken over unchanged (premultiplied).
//
// The bitmap knows every canvas that holds a texture of it and makes each drop it before the
// pixels are reallocated or freed, so no canvas keeps a texture of a bitmap that changed size
// or is gone. Stored inside its owner as the binary value "PNG": an encoded picture, PNG when
// any pixel is not opaque, else JPEG at quality 100.
class ThvBitmap : public rtl::TPersistent {
    RTL_CLASS(ThvBitmap, rtl::TPersistent)
public:
    /// A bitmap of that size cleared to transparent black; a size below 0 counts as 0.
    explicit ThvBitmap(int32_t width = 0, int32_t height = 0);
    /// Drops every texture of the bitmap and frees its own canvas.
    ~ThvBitmap() override;

    /// A bitmap read from an encoded picture at the stream's position (see LoadFromStream).
    [[nodiscard]] static std::unique_ptr<ThvBitmap> CreateFromStream(rtl::TStream& stream);

    [[nodiscard]] int32_t GetWidth() const { return m_width; }
    [[nodiscard]] int32_t GetHeight() const { return m_height; }
    /// Nothing when the size is the current one. Otherwise every texture of the bitmap is
    /// dropped, its own canvas freed, and the pixels reallocated and cleared; NeedUpdate is
    /// set, OnChange stays silent. A size beyond kMaxBitmapPixels, or one the memory cannot
    /// hold, raises rtl::GraphicsError and leaves the bitmap at 0 x 0.
    void SetSize(int32_t width, int32_t height);

    /// The pixels, read-only; empty for a bitmap of no area.
    [[nodiscard]] std::span<const uint32_t> Bits() const { return m_bits; }
    /// Gives the pixel block; false (and null) when there are none. With `writing`, Unmap
    /// sets NeedUpdate and fires OnChange.
    bool Map(uint32_t*& bits, bool writing);
    void Unmap();
    /// A pixel rectangle, right and bottom exclusive.
    struct Area {
        int32_t left = 0, top = 0, right = 0, bottom = 0;
    };
    /// As Unmap, but only `areas` were written: unless the whole bitmap is already due, a
    /// texture refreshes only them (ChangedAreas). No areas counts as the whole bitmap.
    void Unmap(std::span<const Area> areas);
    /// The areas written since the texture was last refreshed, when only parts changed;
    /// empty when the whole bitmap is due (NeedUpdate) or nothing changed.
    [[nodiscard]] std::span<const Area> ChangedAreas() const { return m_changedAreas; }
    [[nodiscard]] bool GetWriting() const { return m_writing; }

    /// Set whenever the pixels change; a canvas that refreshes its texture clears it.
    [[nodiscard]] bool GetNeedUpdate() const { return m_needUpdate; }
    /// Either way the changed areas are forgotten: the whole bitmap is due, or is current.
    void SetNeedUpdate(bool value)
    {
        m_needUpdate = value;
        m_changedAreas.clear();
    }

    /// The bitmap's own canvas, which renders into it; made on first use from
    /// hvDefaultCanvasClass. Null when no canvas class is set.
    [[nodiscard]] ThvCanvas* GetCanvas();

    /// The canvases holding a texture of this bitmap. A canvas joins when it makes the
    /// texture and leaves when it drops it.
    [[nodiscard]] std::span<ThvCanvas* const> TextureCanvases() const { return m_textureCanvases; }
    void AddTextureCanvas(ThvCanvas* canvas);
    void RemoveTextureCanvas(ThvCanvas* canvas);

    rtl::TNotifyEvent OnChange;

    /// From a 3D canvas (its rendered frame), another ThvBitmap or a 2D bitmap: the size and
    /// the pixels, then NeedUpdate and OnChange.
    void Assign(const rtl::TPersistent& source) override;
    /// "PNG", written when the bitmap has pixels.
    void DefineProperties(rtl::TFiler& filer) override;

    /// Reads an encoded picture through the codec class; OnChange fires when one was read.
    /// Raises rtl::ReadError when no codec class is set.
    void LoadFromStream(rtl::TStream& stream);
    /// Writes the bitmap as PNG when any pixel's alpha is below 255, else as JPEG at quality
    /// 100. Raises rtl::WriteError when no codec class is set, so a picture is never dropped
    /// from a stored form unnoticed.
    void SaveToStream(rtl::TStream& stream);
    /// True when any pixel's alpha is below 255.
    [[nodiscard]] bool HasTransparency() const;

protected:
    /// To a 2D bitmap: its size and pixels, then its change event.
    void AssignTo(rtl::TPersistent& dest) const override;

private:
    /// Drops every texture and the own canvas, then the pixels.
    void ReleaseDependents();
    void Reallocate(int32_t width, int32_t height);

    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint32_t> m_bits;
    rtl::TOwned<ThvCanvas> m_canvas;
    std::vector<ThvCanvas*> m_textureCanvases; // not owned
    std::vector<Area> m_changedAreas;
    bool m_needUpdate = false;
    bool m_writing = false;
};
