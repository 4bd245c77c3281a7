#pragma once

#include "scene3d/ResourceList.h"

#include "platform/rtl/Collection.h"

#include <memory>
#include <string>

// An item of a bitmap list: a bitmap that materials find by the item's Name.
class ThvBitmapStream : public rtl::TCollectionItem, public scene3d::IBitmapResource {
    RTL_CLASS(ThvBitmapStream, rtl::TCollectionItem)
public:
    explicit ThvBitmapStream(rtl::TCollection* collection);
    ~ThvBitmapStream() override;

    // Published.
    [[nodiscard]] ThvBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies the given bitmap; null is ignored.
    void SetBitmap(ThvBitmap* value);
    [[nodiscard]] const std::string& GetName() const { return m_name; }
    /// The resource takes the new name.
    void SetName(const std::string& value);

    /// "(Bitmap)" for every item.
    [[nodiscard]] std::string GetDisplayName() const override;
    [[nodiscard]] ThvBitmap* ResourceBitmap() override { return m_bitmap.get(); }

private:
    std::unique_ptr<ThvBitmap> m_bitmap;
    std::string m_name;
};
