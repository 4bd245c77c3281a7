#pragma once

#include "graphics/TwzBitmap.h"
#include "ui2d/TwzObject.h"

#include <memory>
#include <string>

/// A named bitmap resource: the picture that linked bitmaps (TwzBitmap's Resource) stand
/// for. Given a component name while its ResourceName is empty, it takes the name as its
/// ResourceName.
class TwzBitmapObject : public TwzObject {
    RTL_CLASS(TwzBitmapObject, TwzObject)
public:
    explicit TwzBitmapObject(rtl::TComponent* owner);

    // Published.
    /// The owned bitmap (1 by 1 pixels at first); never null.
    [[nodiscard]] TwzBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies `value` (Assign); the object keeps its own bitmap. Null is ignored.
    void SetBitmap(const TwzBitmap* value);

    void SetName(const std::string& value) override;

private:
    std::unique_ptr<TwzBitmap> m_bitmap;
};
