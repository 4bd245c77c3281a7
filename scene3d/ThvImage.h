#pragma once

#include "scene3d/ThvCustomMesh.h"

#include <memory>

// A picture on a plate in the object's local X-Z plane, facing -Y (the default camera), its
// top edge at +Z; drawn unlit with the picture's own colours. An empty picture draws nothing
// but the plate is still picked as its box.
class ThvImage : public ThvCustomMesh {
    RTL_CLASS(ThvImage, ThvCustomMesh)
public:
    explicit ThvImage(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvBitmap* GetBitmap() const { return m_bitmap.get(); }
    /// Copies `value`'s pixels into the owned bitmap.
    void SetBitmap(ThvBitmap* value);

    /// A screen-projected image keeps the depth 0.1.
    void SetDepth(float value) override;
    void Render() override;
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

protected:
    ~ThvImage() override;

private:
    void BitmapChanged(rtl::TObject* sender);

    std::unique_ptr<ThvBitmap> m_bitmap;
    std::unique_ptr<ThvMeshData> m_quad;
};
