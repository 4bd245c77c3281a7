#pragma once

#include "scene3d/ThvShape3D.h"

// An extruded ellipse filling the object's Width and Height.
class ThvEllipse3D : public ThvShape3D {
    RTL_CLASS(ThvEllipse3D, ThvShape3D)
public:
    explicit ThvEllipse3D(rtl::TComponent* owner);

    void Render() override;

protected:
    ~ThvEllipse3D() override;

private:
    /// What the outline is made from.
    struct OutlineKey {
        float Width;
        float Height;
        float Flatness;
        friend bool operator==(const OutlineKey&, const OutlineKey&) = default;
    };

    KeptOutline<OutlineKey> m_outline;
};
