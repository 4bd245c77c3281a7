#pragma once

#include "scene3d/ThvShape.h"

#include "graphics/Geometry.h"
#include "platform/rtl/Set.h"

#include <cstdint>
#include <memory>
#include <optional>

class TwzPathData;

/// The faces of an extruded shape: the front cap, the back cap and the side walls.
enum ThvShape3DSide : uint8_t { hvShape3DFront, hvShape3DBack, hvShape3DLeft };
RTL_ENUM(ThvShape3DSide, "hvShape3DFront", "hvShape3DBack", "hvShape3DLeft");

/// Bits 1, 2 and 4 for the front, the back and the walls.
using ThvShape3DSides = rtl::TSet<ThvShape3DSide>;
RTL_SET(ThvShape3DSides);

inline constexpr ThvShape3DSides hvAllShape3DSides { hvShape3DFront, hvShape3DBack, hvShape3DLeft };

namespace scene3d {

/// True for the point that ends a closed figure of a flattened outline (65535, 65535).
[[nodiscard]] constexpr bool IsFigureEnd(const TwzPoint& p)
{
    return p.X >= 65535 && p.Y >= 65535;
}

/// The length of a flattened outline as the extrusion lays its wall texture along it: every
/// point but the figure ends adds its distance to the point before it that is not a figure
/// end (right after a figure end, the repeated start of the figure that ended). So the step
/// from one figure to the next counts too.
[[nodiscard]] float OutlineLength(const TwzPolygon& points);

} // namespace scene3d

// The base of the extruded shapes and text: a flat outline in the plane of the object's Width
// and Height (y pointing down, built in the rectangle (0, 0, Width, Height)) pushed out along
// the local Z axis by Depth, front cap at +Depth/2. Each subclass builds its outline, flattens
// it with Flatness and hands the polygon to the canvas once per face in Sides: the front with
// Material, the back with MaterialBack, the walls with MaterialLeft. The flattened outline is
// kept between paints and built anew only when something it is made from has changed, so a
// repaint of an unchanged outline draws the very same polygon.
//
// The shape is two-sided (the fan that fills a concave cap has triangles of both windings) and
// takes mouse input in outline coordinates through the three 2D hooks, which do nothing here.
class ThvShape3D : public ThvShape {
    RTL_CLASS(ThvShape3D, ThvShape)
public:
    explicit ThvShape3D(rtl::TComponent* owner);

    // Published.
    [[nodiscard]] float GetFlatness() const { return m_flatness; }
    /// Values below 0.05 are stored as 0.05.
    void SetFlatness(float value);
    [[nodiscard]] ThvShape3DSides GetSides() const { return m_sides; }
    void SetSides(ThvShape3DSides value);
    [[nodiscard]] ThvMaterial* GetMaterialBack() const { return m_materialBack.get(); }
    /// Copies `value` into the owned material.
    void SetMaterialBack(ThvMaterial* value);
    [[nodiscard]] ThvMaterial* GetMaterialLeft() const { return m_materialLeft.get(); }
    void SetMaterialLeft(ThvMaterial* value);

    void MouseDown(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    /// Sets the material, then moves the drawing origin to the outline's top-left corner so
    /// that the outline's box (0, 0, Width, Height) is centred on the object.
    void BeforePaint() override;
    /// Draws nothing: each subclass draws its own outline.
    void Render() override;
    /// The box of Width x Height x Depth.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

    // Input in outline coordinates: x from the left edge, y down from the top edge, in object
    // units.
    virtual void MouseMove2D(TShiftState shift, float x, float y);
    virtual void MouseDown2D(TMouseButton button, TShiftState shift, float x, float y);
    virtual void MouseUp2D(TMouseButton button, TShiftState shift, float x, float y);

protected:
    /// A flattened outline kept between paints with the key it was built from: everything
    /// the outline depends on, Flatness included. A subclass builds it anew when the key it
    /// makes at a paint differs from the kept one.
    template <class Key> struct KeptOutline {
        std::optional<Key> BuiltFrom;
        TwzPolygon Polygon;
        /// Taken anew whenever Polygon is built (FlattenOutline).
        ThvOutlineStamp Stamp = 0;
        TwzPoint Extent;
        /// FlattenOutline's answer: false when there is nothing to draw.
        bool Drawable = false;
    };

    ~ThvShape3D() override;

    /// Flattens `outline` with Flatness into `polygon`; false when its extent is not above 0
    /// in both directions (nothing to draw then). `extent` receives the flattened extent.
    bool FlattenOutline(const TwzPathData& outline, TwzPolygon& polygon, TwzPoint& extent) const;
    /// The same into a kept outline, which takes a new stamp.
    template <class Key> void FlattenOutline(const TwzPathData& outline, KeptOutline<Key>& kept) const
    {
        kept.Drawable = FlattenOutline(outline, kept.Polygon, kept.Extent);
        kept.Stamp = hvNewOutlineStamp();
    }
    /// Extrudes `polygon` once per face in Sides, front, back and walls in that order, each
    /// with its material, into the box of `size` around `center` (in the drawing space
    /// BeforePaint sets up). `rect` (may be empty) widens the bounds the polygon is mapped
    /// through. `stamp` names the polygon while it stays unchanged (0 when nothing keeps it).
    void ExtrudeFaces(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
        const TwzPolygon& polygon, ThvOutlineStamp stamp);
    /// In design mode, unless Locked: the object's box outline in the design colour.
    void DrawDesignBox();
    /// The centre of the outline's box in the drawing space BeforePaint sets up.
    [[nodiscard]] ThvVector OutlineCenter() const;

private:
    void MaterialsChanged(rtl::TObject* sender);
    /// The outline coordinates of the point where the local ray enters the box; false when it
    /// misses.
    bool OutlinePoint(const ThvVector& rayPos, const ThvVector& rayDir, float& x, float& y);

    std::unique_ptr<ThvMaterial> m_materialLeft;
    std::unique_ptr<ThvMaterial> m_materialBack;
    float m_flatness = 1;
    ThvShape3DSides m_sides = hvAllShape3DSides;
    // A back or wall face has put its material on the canvas since BeforePaint.
    bool m_frontReplaced = false;
};
