#pragma once

#include "scene3d/ThvVisualObject.h"

#include <memory>

// The base of every drawable 3D shape: it owns a Material, which the canvas takes (with the
// diffuse alpha scaled by the shape's absolute opacity) before the shape draws, and it leaves
// the canvas in solid, Gouraud-shaded mode afterwards. A new shape gets a random opaque
// diffuse colour.
class ThvShape : public ThvVisualObject {
    RTL_CLASS(ThvShape, ThvVisualObject)
public:
    explicit ThvShape(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] ThvMaterial* GetMaterial() const { return m_material.get(); }
    /// Copies `value` into the owned material.
    void SetMaterial(ThvMaterial* value);

    void BeforePaint() override;
    void AfterPaint() override;

protected:
    ~ThvShape() override;

    /// The box test of picking, its hit in world coordinates.
    bool RayCastShapeBox(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit);

private:
    void ContentChanged(rtl::TObject* sender);

    std::unique_ptr<ThvMaterial> m_material;
};

/// The published rows every shape shares: its Material and the docking, motion and physics
/// rows of the visual object.
#define HV_SHAPE_PROPS RTL_PROP(ThvShape, Material, Class, rtl::kNoDefault), HV_VISUAL_OBJECT_DOCKING_PROPS
