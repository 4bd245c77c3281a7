#pragma once

#include "scene3d/ThvBitmapStream.h"

#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"

#include <memory>

/// The named bitmaps of a bitmap list.
class ThvBitmapCollection : public rtl::TCollection {
    RTL_CLASS(ThvBitmapCollection, rtl::TCollection)
public:
    explicit ThvBitmapCollection(rtl::TPersistent* owner = nullptr);

    [[nodiscard]] ThvBitmapStream* GetBitmapItem(int index) const
    {
        return static_cast<ThvBitmapStream*>(GetItem(index));
    }
    ThvBitmapStream* AddBitmap() { return static_cast<ThvBitmapStream*>(Add()); }
};

// A component holding named bitmaps that materials find by name.
class ThvBitmapList : public rtl::TComponent {
    RTL_CLASS(ThvBitmapList, rtl::TComponent)
public:
    explicit ThvBitmapList(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvBitmapCollection* GetBitmaps() const { return m_bitmaps.get(); }
    /// Replaces the items by copies of the given collection's.
    void SetBitmaps(ThvBitmapCollection* value);

protected:
    ~ThvBitmapList() override;

private:
    std::unique_ptr<ThvBitmapCollection> m_bitmaps;
};
