#pragma once

#include "platform/rtl/Events.h"
#include "ui2d/TwzVisualObject.h"

#include <cstdint>
#include <memory>

class TwzBitmap;
class TwzBounds;

/// How a picture fills its object.
enum TwzImageWrap : uint8_t { wzImageOriginal, wzImageFit, wzImageStretch, wzImageTile };
RTL_ENUM(TwzImageWrap, "wzImageOriginal", "wzImageFit", "wzImageStretch", "wzImageTile");

/// A picture drawn at its own size, fitted, stretched or tiled, or as a nine-grid whose
/// corners keep their size while its edges and centre stretch.
class TwzImage : public TwzVisualObject {
    RTL_CLASS(TwzImage, TwzVisualObject)
public:
    explicit TwzImage(rtl::TComponent* owner);

    // Published.
    /// The owned picture (1 x 1 at first); never null.
    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies `value` into the owned bitmap; null is ignored.
    void SetBitmap(TwzBitmap* value);
    /// The nine-grid margins in bitmap pixels; all 0 draws the picture by WrapMode.
    [[nodiscard]] TwzBounds* GetBitmapMargins() const { return m_bitmapMargins.get(); }
    void SetBitmapMargins(TwzBounds* value);
    [[nodiscard]] TwzImageWrap GetWrapMode() const { return m_wrapMode; }
    void SetWrapMode(TwzImageWrap value);
    /// Fit and stretch draw with the fastest (nearest-pixel) interpolation.
    [[nodiscard]] bool GetDisableInterpolation() const { return m_disableInterpolation; }
    void SetDisableInterpolation(bool value) { m_disableInterpolation = value; }

    /// Raised by BitmapLoaded.
    rtl::TNotifyEvent OnBitmapLoaded;
    /// For whoever loads a picture into the bitmap: raises OnBitmapLoaded, then repaints
    /// (unless the image is going away).
    void BitmapLoaded();

    /// A reference to the bitmap.
    [[nodiscard]] rtl::TValue GetData() override;
    /// A reference to a persistent object is copied into the bitmap; any other value is a
    /// file name to load. A file that is missing or does not decode leaves the picture.
    void SetData(const rtl::TValue& value) override;

    void Paint() override;

protected:
    ~TwzImage() override;

private:
    void BitmapChanged(rtl::TObject* sender);

    std::unique_ptr<TwzBitmap> m_bitmap;
    std::unique_ptr<TwzBounds> m_bitmapMargins;
    TwzImageWrap m_wrapMode = wzImageFit;
    bool m_disableInterpolation = false;
};

namespace ui2d {

/// In design mode, an object that is not locked and is painted into its host's canvas
/// shows a dashed grey frame (images and paths).
[[nodiscard]] bool ShowsDesignFrame(TwzVisualObject& object);
void DrawDesignFrame(TwzVisualObject& object, TwzCanvas& canvas);

/// How many copies of a tile of `tile` units cover `extent`: Round(extent / tile) + 1,
/// bounded so a tiny tile on a huge object cannot stall painting.
[[nodiscard]] int32_t TileCount(float extent, float tile);

} // namespace ui2d
