#pragma once

#include "scene3d/ResourceList.h"
#include "scene3d/ThvObject.h"

#include <memory>
#include <string>

// A 3D object holding a bitmap that materials find by name: its component name, or its
// ResourceName when that is set later.
class ThvBitmapObject : public ThvObject, public scene3d::IBitmapResource {
    RTL_CLASS(ThvBitmapObject, ThvObject)
public:
    explicit ThvBitmapObject(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies the given bitmap; null is ignored.
    void SetBitmap(ThvBitmap* value);

    /// The resource takes the new name.
    void SetName(const std::string& value) override;
    /// The resource takes the new name unless it is empty.
    void SetResourceName(const std::string& value) override;

    [[nodiscard]] ThvBitmap* ResourceBitmap() override { return m_bitmap.get(); }

protected:
    ~ThvBitmapObject() override;
    void BeforeDestruction() override;

private:
    std::unique_ptr<ThvBitmap> m_bitmap;
};
