#pragma once

#include "scene3d/ThvShape3D.h"

#include "graphics/TwzCorners.h"

// An extruded rectangle whose chosen corners are rounded, bevelled or cut inwards round or
// straight; the frame slab behind the lettering. Radii wider than half a side are limited to
// half of it.
class ThvRectangle3D : public ThvShape3D {
    RTL_CLASS(ThvRectangle3D, ThvShape3D)
public:
    explicit ThvRectangle3D(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] float GetxRadius() const { return m_xRadius; }
    void SetxRadius(float value);
    [[nodiscard]] float GetyRadius() const { return m_yRadius; }
    void SetyRadius(float value);
    [[nodiscard]] TwzCorners GetCorners() const { return m_corners; }
    void SetCorners(TwzCorners value);
    [[nodiscard]] TwzCornerType GetCornerType() const { return m_cornerType; }
    void SetCornerType(TwzCornerType value);

    void Render() override;

protected:
    ~ThvRectangle3D() override;

private:
    /// What the outline is made from.
    struct OutlineKey {
        float Width;
        float Height;
        float XRadius;
        float YRadius;
        TwzCorners Corners;
        TwzCornerType CornerType;
        float Flatness;
        friend bool operator==(const OutlineKey&, const OutlineKey&) = default;
    };

    KeptOutline<OutlineKey> m_outline;
    float m_yRadius = 0;
    float m_xRadius = 0;
    TwzCorners m_corners = AllCorners;
    TwzCornerType m_cornerType = wzCornerRound;
};
