#include "scene3d/ThvCustomLayer.h"

#include "scene3d/ThvScene.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr rtl::TPropInfo kCustomLayerProps[] = {
    HV_CUSTOM_LAYER_PROPS,
};

constexpr rtl::TEventInfo kCustomLayerEvents[] = {
    RTL_EVENT(ThvCustomLayer, OnLayerMouseMove),
    RTL_EVENT(ThvCustomLayer, OnLayerMouseDown),
    RTL_EVENT(ThvCustomLayer, OnLayerMouseUp),
};

// The plate counts as hit a little beyond its edges, so a ray along an edge is not lost.
constexpr float kPlateTolerance = 0.503f;
// The box tried while the layer holds the mouse, in plate sizes.
constexpr float kCapturedScale = 10.0f;

/// A layer pixel coordinate as the events carry it: rounded half to even, within 32 bits.
int32_t EventCoordinate(float value)
{
    constexpr int64_t kLow = std::numeric_limits<int32_t>::min();
    constexpr int64_t kHigh = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::clamp(rtl::Round(value), kLow, kHigh));
}

/// (size / 2 + offset) / size of `pixels`; 0 for a plate without that extent.
float PlateFraction(float size, float offset, float pixels)
{
    if (size == 0)
        return 0;
    return (size / 2 + offset) / size * pixels;
}

} // namespace

RTL_IMPLEMENT_CLASS(ThvCustomLayer, .props = kCustomLayerProps, .events = kCustomLayerEvents)

ThvCustomLayer::ThvCustomLayer(rtl::TComponent* owner)
    : ThvVisualObject(owner)
{
    SetTwoSide(true);
    SetWidth(4);
    SetDepth(3);
    SetHeight(1);
}

ThvCustomLayer::~ThvCustomLayer() = default;

void ThvCustomLayer::SetLayerAlign(ThvLayerAlign value)
{
    if (value == m_layerAlign)
        return;
    m_layerAlign = value;
    if (ThvVisualObject* parent = GetVisualParent())
        parent->Realign();
}

bool ThvCustomLayer::IsCaptured() const
{
    const ThvScene* scene = GetScene();
    return scene && scene->GetCaptured() == this;
}

// ---- picking ------------------------------------------------------------------------------

bool ThvCustomLayer::RayCastPlate(
    const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& point, float scale) const
{
    return RayCastBox(rayPos, rayDir, point, kPlateTolerance, scale);
}

bool ThvCustomLayer::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    ThvVector point;
    if (!RayCastPlate(rayPos, rayDir, point, 1)
        && !(IsCaptured() && RayCastPlate(rayPos, rayDir, point, kCapturedScale)))
        return false;
    hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
    return true;
}

bool ThvCustomLayer::RayToLayerPixels(
    const ThvVector& rayPos, const ThvVector& rayDir, float pixelWidth, float pixelHeight, float& x, float& y)
{
    ThvVector hit;
    if (!RayCastIntersect(rayPos, rayDir, hit))
        return false;
    const ThvVector local = AbsoluteToLocalVector(hit);
    x = PlateFraction(GetWidth(), local.X, pixelWidth);
    if (GetProjection() == hvProjectionScreen)
        y = PlateFraction(GetHeight(), local.Y, pixelHeight);
    else
        y = PlateFraction(GetDepth(), -local.Z, pixelHeight);
    return true;
}

// ---- mouse --------------------------------------------------------------------------------

void ThvCustomLayer::MouseDown(TMouseButton button, TShiftState shift, float x, float y,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    Inherited::MouseDown(button, shift, x, y, rayPos, rayDir);
    if (m_skipLayerEvents)
        return;
    // A plain layer's pixels are scene units: Width across, and Depth or Height down.
    const float down = GetProjection() == hvProjectionScreen ? GetHeight() : GetDepth();
    float layerX = 0, layerY = 0;
    if (RayToLayerPixels(rayPos, rayDir, GetWidth(), down, layerX, layerY))
        LayerMouseDown(button, shift, layerX, layerY);
}

void ThvCustomLayer::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    Inherited::MouseMove(shift, x, y, deltaX, deltaY, rayPos, rayDir);
    if (m_skipLayerEvents)
        return;
    const float down = GetProjection() == hvProjectionScreen ? GetHeight() : GetDepth();
    float layerX = 0, layerY = 0;
    if (RayToLayerPixels(rayPos, rayDir, GetWidth(), down, layerX, layerY))
        LayerMouseMove(shift, layerX, layerY);
}

void ThvCustomLayer::MouseUp(TMouseButton button, TShiftState shift, float x, float y,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    Inherited::MouseUp(button, shift, x, y, rayPos, rayDir);
    if (m_skipLayerEvents)
        return;
    const float down = GetProjection() == hvProjectionScreen ? GetHeight() : GetDepth();
    float layerX = x, layerY = y;
    // A release away from the plate still ends the gesture: with the point the scene gave.
    if (!RayToLayerPixels(rayPos, rayDir, GetWidth(), down, layerX, layerY)) {
        layerX = x;
        layerY = y;
    }
    LayerMouseUp(button, shift, layerX, layerY);
}

void ThvCustomLayer::LayerMouseMove(TShiftState shift, float x, float y)
{
    OnLayerMouseMove(this, shift, EventCoordinate(x), EventCoordinate(y));
}

void ThvCustomLayer::LayerMouseDown(TMouseButton button, TShiftState shift, float x, float y)
{
    OnLayerMouseDown(this, button, shift, EventCoordinate(x), EventCoordinate(y));
}

void ThvCustomLayer::LayerMouseUp(TMouseButton button, TShiftState shift, float x, float y)
{
    OnLayerMouseUp(this, button, shift, EventCoordinate(x), EventCoordinate(y));
}

// ---- painting -----------------------------------------------------------------------------

void ThvCustomLayer::Render() { }

// ---- SkipLayerEventsScope -----------------------------------------------------------------

ThvCustomLayer::SkipLayerEventsScope::SkipLayerEventsScope(ThvCustomLayer& layer)
    : m_skip(&layer, layer.m_skipLayerEvents, true)
{ }
