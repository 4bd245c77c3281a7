#pragma once

#include "controls/TwzScrollBox.h"
#include "ui2d/TwzImage.h"
#include "ui2d/TwzShape.h"

class TwzBitmap;
class TwzBrush;

/// A scroll box showing one bitmap at BitmapScale, centred while it is smaller than the
/// viewport, over an optional background. The wheel zooms (MouseScaling) instead of
/// scrolling; BestFit shrinks the picture to the viewport, never enlarging it.
class TwzImageViewer : public TwzScrollBox {
    RTL_CLASS(TwzImageViewer, TwzScrollBox)
public:
    explicit TwzImageViewer(rtl::TComponent* owner);

    [[nodiscard]] TwzBrush* GetBackgroundFill() const;
    void SetBackgroundFill(TwzBrush* value);
    [[nodiscard]] TwzBitmap* GetBitmap() const;
    /// Copies the bitmap; null is ignored.
    void SetBitmap(TwzBitmap* value);
    [[nodiscard]] float GetBitmapScale() const { return m_bitmapScale; }
    /// Clamped to [0.01, 10]; a change lays the viewer out and centres the visible bars.
    void SetBitmapScale(float value);
    [[nodiscard]] bool GetMouseScaling() const { return m_mouseScaling; }
    void SetMouseScaling(bool value) { m_mouseScaling = value; }
    [[nodiscard]] bool GetShowBackground() const { return m_showBackground; }
    void SetShowBackground(bool value);

    /// The scale that fits the picture into the viewport, at most 1.
    void BestFit();

    /// The picture's box, centred in the viewport in a direction where it is smaller; always
    /// includes the origin.
    [[nodiscard]] TwzRect GetContentBounds() override;
    /// With MouseScaling each notch changes the scale by 0.04 and does not scroll.
    void MouseWheel(TShiftState shift, int32_t wheelDelta, bool& handled) override;
    /// A reference to the bitmap.
    [[nodiscard]] rtl::TValue GetData() override;
    /// A persistent object is copied into the bitmap; any other value names a file to load.
    void SetData(const rtl::TValue& value) override;

    [[nodiscard]] TwzImage* GetImage() const { return m_image.Get(); }

protected:
    ~TwzImageViewer() override = default;

private:
    void BitmapChanged(rtl::TObject*);
    /// The scale that fits, from the viewport as it is now.
    [[nodiscard]] float FitScale();

    rtl::Watch<TwzRectangle> m_background; // children of the content object
    rtl::Watch<TwzImage> m_image;
    float m_bitmapScale = 1;
    bool m_mouseScaling = true;
    bool m_showBackground = false;
};
