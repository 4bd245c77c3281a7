#pragma once

#include "ui2d/TwzControl.h"

#include <memory>
#include <string>
#include <string_view>

class TwzBitmap;
class TwzImage;

namespace controls {

/// Whether the image codec reads files named so: the file's extension, in lower case and with
/// its dot, is one of the whole masks of DefaultFilterClass ("*.png" takes "PHOTO.PNG"; ".g"
/// matches no "*.gif"). A name without an extension never matches.
[[nodiscard]] bool IsPictureFileName(std::string_view fileName);

/// The open dialog's filter text for the pictures the image codec reads.
[[nodiscard]] std::string PictureFileFilter();

} // namespace controls

/// A picture well: it keeps the whole picture in Bitmap and shows a copy fitted into its
/// style's part "image" (a TwzImage). A click asks for a picture file; a picture file dropped
/// on it, or a picture object dragged from the same program, replaces the picture. OnChange
/// follows every change that reached the part; without the part (no style yet) nothing is
/// shown and nothing is raised until the style is applied.
class TwzImageControl : public TwzControl {
    RTL_CLASS(TwzImageControl, TwzControl)
public:
    explicit TwzImageControl(rtl::TComponent* owner);

    /// The whole picture (1 x 1 at first); never null.
    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies `value` into Bitmap; null is ignored.
    void SetBitmap(TwzBitmap* value);

    rtl::TNotifyEvent OnChange;

    void ApplyStyle() override;
    void FreeStyle() override;
    /// OnClick, then the open dialog; a confirmed file is loaded into Bitmap.
    void Click() override;
    /// Accepts an existing picture file (the first one dragged) or a dragged TwzImage.
    void DragOver(const TwzDragObject& data, const TwzPoint& point, bool& accept) override;
    void DragDrop(const TwzDragObject& data, const TwzPoint& point) override;
    /// A reference to Bitmap.
    [[nodiscard]] rtl::TValue GetData() override;
    /// A persistent object is copied into Bitmap; any other value names a file to load.
    void SetData(const rtl::TValue& value) override;

protected:
    ~TwzImageControl() override;

    /// Refits the copy in the image part, then OnChange; nothing without the part.
    virtual void BitmapChanged();

private:
    void BitmapChangedEvent(rtl::TObject*) { BitmapChanged(); }
    void LoadFile(const std::string& fileName);

    rtl::Watch<TwzImage> m_imagePart;
    std::unique_ptr<TwzBitmap> m_bitmap;
};
