#pragma once

#include "scene3d/ThvVisualObject.h"

#include "platform/rtl/Events.h"
#include "platform/rtl/ScopedAssign.h"

#include <cstdint>

/// A layer's mouse events: sender, button, shift state and the point in layer pixels.
using ThvLayerMouseEvent = rtl::TEvent<rtl::TObject*, TMouseButton, TShiftState, int32_t, int32_t>;
using ThvLayerMouseMoveEvent = rtl::TEvent<rtl::TObject*, TShiftState, int32_t, int32_t>;

// A thin plate that carries 2D content inside the 3D scene. It catches the scene's mouse
// events by ray picking, turns the hit into pixel coordinates on the plate and delivers them
// as layer events; it draws nothing itself.
//
// In camera projection the plate lies in its local X-Z plane (Width across, Depth down, seen
// from -Y) and a layer pixel is a scene unit; in screen projection it lies in the local X-Y
// plane in screen pixels, and its parent docks it by LayerAlign. Layer pixel (0, 0) is the
// plate's top-left corner as seen.
class ThvCustomLayer : public ThvVisualObject {
    RTL_CLASS(ThvCustomLayer, ThvVisualObject)
public:
    /// Two-sided, 4 wide, 3 deep, 1 high.
    explicit ThvCustomLayer(rtl::TComponent* owner);

    ThvLayerMouseMoveEvent OnLayerMouseMove;
    ThvLayerMouseEvent OnLayerMouseDown;
    ThvLayerMouseEvent OnLayerMouseUp;

    /// Docking in the parent's screen-projection layout; none at first.
    [[nodiscard]] ThvLayerAlign GetLayerAlign() const override { return m_layerAlign; }
    /// When it differs: stored, and a visual parent realigns its children.
    void SetLayerAlign(ThvLayerAlign value);
    /// Set while a subclass that converts the ray itself runs the inherited mouse operations.
    [[nodiscard]] bool GetSkipLayerEvents() const { return m_skipLayerEvents; }
    void SetSkipLayerEvents(bool value) { m_skipLayerEvents = value; }

    /// The inherited operation, then (unless SkipLayerEvents) the ray in layer pixels to
    /// LayerMouseDown; nothing more when the ray misses the plate.
    void MouseDown(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    void MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    /// As MouseDown; a ray that misses still reaches LayerMouseUp, with the `x` and `y` given.
    void MouseUp(TMouseButton button, TShiftState shift, float x, float y, const ThvVector& rayPos,
        const ThvVector& rayDir) override;
    /// Draws nothing.
    void Render() override;
    /// The plate as a box of Width x Height x Depth, entered through the face opposite the
    /// first of the normals +X, +Y, +Z, -X, -Y, -Z that runs along the ray, within 0.6 per cent
    /// of its edges. While the layer holds the mouse, a box ten times larger is tried when the
    /// plate is missed, so a drag that leaves it keeps producing points in its plane.
    bool RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit) override;

    // Layer events, X and Y in layer pixels; subclasses override them to feed their content.
    /// Raise the matching event with X and Y rounded to the nearest integer, halves to even.
    virtual void LayerMouseMove(TShiftState shift, float x, float y);
    virtual void LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y);
    virtual void LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y);

protected:
    ~ThvCustomLayer() override;

    [[nodiscard]] bool IsLayer() const override { return true; }

    /// The point where the ray (local coordinates) meets the layer, in layer pixels of a plate
    /// `pixelWidth` by `pixelHeight` pixels; false when RayCastIntersect misses.
    bool RayToLayerPixels(const ThvVector& rayPos, const ThvVector& rayDir, float pixelWidth,
        float pixelHeight, float& x, float& y);
    /// The plate's box test (step one of RayCastIntersect), the hit in local coordinates;
    /// `scale` 10 is the enlarged box of a held mouse.
    bool RayCastPlate(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& point, float scale) const;
    /// True when the layer holds its scene's mouse capture.
    [[nodiscard]] bool IsCaptured() const;

    /// Sets SkipLayerEvents for its lifetime; safe when the layer is freed meanwhile.
    class SkipLayerEventsScope {
    public:
        explicit SkipLayerEventsScope(ThvCustomLayer& layer);

    private:
        rtl::ScopedAssign<bool> m_skip;
    };

private:
    ThvLayerAlign m_layerAlign = hvLayerNone;
    bool m_skipLayerEvents = false;
};

/// The published rows every layer shares: size defaults, docking, motion, physics.
#define HV_CUSTOM_LAYER_PROPS                                                                                \
    RTL_PROP(ThvVisualObject, Width, Float, 4.0), RTL_PROP(ThvVisualObject, Height, Float, 1.0),             \
        RTL_PROP(ThvVisualObject, Depth, Float, 3.0), RTL_PROP(ThvVisualObject, TwoSide, Boolean, true),     \
        HV_VISUAL_OBJECT_DOCKING_PROPS
