#include "scene3d/ThvCustomBufferLayer.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvBitmapRect.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr rtl::TPropInfo kCustomBufferLayerProps[] = {
    RTL_PROP(ThvCustomBufferLayer, ModulationColor, String, rtl::kNoDefault),
};

constexpr rtl::TPropInfo kBufferLayerProps[] = {
    RTL_PROP(ThvCustomBufferLayer, Resolution, Integer, 60),
};

constexpr rtl::TEventInfo kBufferLayerEvents[] = {
    RTL_EVENT(ThvCustomBufferLayer, OnUpdateBuffer),
};

constexpr int32_t kResolution = 60;
// The largest buffer edge: a plate far larger than any window would otherwise ask for a
// bitmap no device can take as a texture, or no memory can hold.
constexpr int32_t kMaxBufferExtent = 4096;
constexpr float kCapturedScale = 10.0f;

} // namespace

RTL_IMPLEMENT_CLASS(ThvCustomBufferLayer, .props = kCustomBufferLayerProps)
RTL_IMPLEMENT_CLASS(ThvBufferLayer, .props = kBufferLayerProps, .events = kBufferLayerEvents)

ThvCustomBufferLayer::ThvCustomBufferLayer(rtl::TComponent* owner)
    : ThvCustomLayer(owner)
    , m_buffer(std::make_unique<ThvBitmap>(0, 0))
    , m_cameraQuad(std::make_unique<ThvMeshData>())
    , m_screenQuad(std::make_unique<ThvMeshData>())
    , m_resolution(kResolution)
{
    // The plate's own construction set its size before there was a resolution: set it again
    // so the buffer's size follows.
    SetWidth(4);
    SetDepth(3);
    SetHeight(1);
    BuildQuads();
    m_buffer->SetSize(m_bufferWidth, m_bufferHeight);
    scene3d::RegisterResource(this, GetName());
}

ThvCustomBufferLayer::~ThvCustomBufferLayer() = default;

void ThvCustomBufferLayer::BeforeDestruction()
{
    scene3d::UnregisterResource(this);
    Inherited::BeforeDestruction();
}

void ThvCustomBufferLayer::BuildQuads()
{
    // Vertex k = 2y + x for x, y in {0, 1}.
    std::vector<ThvTexVertexNormal>& camera = m_cameraQuad->Vertices();
    std::vector<ThvTexVertexNormal>& screen = m_screenQuad->Vertices();
    camera.resize(4);
    screen.resize(4);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            const auto fx = static_cast<float>(x);
            const auto fy = static_cast<float>(y);
            camera[2 * static_cast<size_t>(y) + static_cast<size_t>(x)]
                = hvTexVertexNormal(fx - 0.5f, 0, fy - 0.5f, 0, 0, 0, fx, 1 - fy);
            screen[2 * static_cast<size_t>(y) + static_cast<size_t>(x)]
                = hvTexVertexNormal(fx - 0.5f, fy - 0.5f, 0, 0, 0, 1, fx, fy);
        }
    }
    m_cameraQuad->Indices() = { 0, 2, 1, 2, 3, 1 };
    m_cameraQuad->CalcNormals();
    m_screenQuad->Indices() = { 0, 1, 2, 2, 1, 3 };
}

int32_t ThvCustomBufferLayer::PixelExtent(double value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(rtl::Round(value), 0, kMaxBufferExtent));
}

ThvBitmap* ThvCustomBufferLayer::GetBuffer() const
{
    return m_buffer.get();
}

// ---- published ----------------------------------------------------------------------------

void ThvCustomBufferLayer::SetResolution(int32_t value)
{
    if (value == m_resolution)
        return;
    m_resolution = value;
    if (GetProjection() == hvProjectionCamera) {
        m_bufferWidth = PixelExtent(static_cast<double>(m_resolution) * GetWidth());
        m_bufferHeight = PixelExtent(static_cast<double>(m_resolution) * GetDepth());
    }
    Repaint();
}

std::string ThvCustomBufferLayer::GetModulationColor() const
{
    return hvColorToStr(m_modulationColor);
}

void ThvCustomBufferLayer::SetModulationColor(const std::string& value)
{
    const uint32_t color = hvStrToColor(value);
    if (color == m_modulationColor)
        return;
    m_modulationColor = color;
    Repaint();
}

void ThvCustomBufferLayer::SetName(const std::string& value)
{
    const bool changed = value != GetName();
    Inherited::SetName(value);
    if (changed)
        scene3d::RenameResource(this, value);
}

// ---- sizes: the buffer follows the plate ----------------------------------------------------

void ThvCustomBufferLayer::SetWidth(float value)
{
    Inherited::SetWidth(value);
    const double pixels = GetProjection() == hvProjectionCamera
        ? static_cast<double>(m_resolution) * GetWidth()
        : static_cast<double>(GetWidth());
    m_bufferWidth = PixelExtent(pixels);
}

void ThvCustomBufferLayer::SetDepth(float value)
{
    Inherited::SetDepth(value);
    if (GetProjection() == hvProjectionCamera)
        m_bufferHeight = PixelExtent(static_cast<double>(m_resolution) * GetDepth());
}

void ThvCustomBufferLayer::SetHeight(float value)
{
    Inherited::SetHeight(value);
    if (GetProjection() == hvProjectionScreen)
        m_bufferHeight = PixelExtent(GetHeight());
}

// ---- mouse --------------------------------------------------------------------------------

void ThvCustomBufferLayer::MouseDown(TMouseButton button, TShiftState shift, float x, float y,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    {
        SkipLayerEventsScope skip(*this);
        Inherited::MouseDown(button, shift, x, y, rayPos, rayDir);
    }
    // A subclass converting the ray itself has set the flag around this call.
    if (GetSkipLayerEvents())
        return;
    float layerX = 0, layerY = 0;
    if (RayToLayerPixels(rayPos, rayDir, static_cast<float>(m_bufferWidth),
            static_cast<float>(m_bufferHeight), layerX, layerY))
        LayerMouseDown(button, shift, layerX, layerY);
}

void ThvCustomBufferLayer::MouseMove(TShiftState shift, float x, float y, float deltaX, float deltaY,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    {
        SkipLayerEventsScope skip(*this);
        Inherited::MouseMove(shift, x, y, deltaX, deltaY, rayPos, rayDir);
    }
    if (GetSkipLayerEvents())
        return;
    float layerX = 0, layerY = 0;
    if (RayToLayerPixels(rayPos, rayDir, static_cast<float>(m_bufferWidth),
            static_cast<float>(m_bufferHeight), layerX, layerY))
        LayerMouseMove(shift, layerX, layerY);
}

void ThvCustomBufferLayer::MouseUp(TMouseButton button, TShiftState shift, float x, float y,
    const ThvVector& rayPos, const ThvVector& rayDir)
{
    {
        SkipLayerEventsScope skip(*this);
        Inherited::MouseUp(button, shift, x, y, rayPos, rayDir);
    }
    if (GetSkipLayerEvents())
        return;
    float layerX = x, layerY = y;
    if (!RayToLayerPixels(rayPos, rayDir, static_cast<float>(m_bufferWidth),
            static_cast<float>(m_bufferHeight), layerX, layerY)) {
        layerX = x;
        layerY = y;
    }
    LayerMouseUp(button, shift, layerX, layerY);
}

// ---- picking ------------------------------------------------------------------------------

bool ThvCustomBufferLayer::RayCastIntersect(const ThvVector& rayPos, const ThvVector& rayDir, ThvVector& hit)
{
    ThvVector point;
    if (RayCastPlate(rayPos, rayDir, point, 1)) {
        // Through the face the box test found, only the quad itself counts.
        const ThvMeshData& quad = GetProjection() == hvProjectionScreen ? *m_screenQuad : *m_cameraQuad;
        ThvVector p;
        if (RayCastMesh(rayPos, rayDir, quad, p)) {
            hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(p)), 1);
            return true;
        }
    }
    if (IsCaptured() && RayCastPlate(rayPos, rayDir, point, kCapturedScale)) {
        hit = hvPointToVector(LocalToAbsolute(hvVectorToPoint(point)), 1);
        return true;
    }
    return false;
}

// ---- painting -----------------------------------------------------------------------------

void ThvCustomBufferLayer::BeforePaint()
{
    m_buffer->SetSize(m_bufferWidth, m_bufferHeight);
    Inherited::BeforePaint();
}

void ThvCustomBufferLayer::Render()
{
    rtl::Watch<ThvCustomBufferLayer> self(this);
    OnUpdateBuffer(this);
    if (!self)
        return;
    ThvCanvas* canvas = GetCanvas();
    if (!canvas)
        return;
    const float opacity = GetAbsoluteOpacity();

    // The plate's look: the canvas's material with the plate's own settings.
    ThvMaterial& current = *canvas->GetMaterial();
    ThvMaterial look;
    look.Assign(current);
    look.SetBitmap({});
    look.SetBitmapTileX(1);
    look.SetBitmapTileY(1);
    ThvBitmapRect* rect = look.GetBitmapRect();
    rect->Setleft(0);
    rect->Settop(0);
    rect->Setright(0);
    rect->Setbottom(0);
    look.SetDiffuseColor(hvColorOpacity(m_modulationColor, opacity));
    look.SetLighting(false);
    look.SetBitmapMode(hvTexModulate);
    look.SetShadeMode(hvGouraud);
    look.SetFillMode(hvSolid);
    canvas->SetMaterial(look);
    // Last, so the change the canvas hears carries the whole look, texture included.
    current.SetTexture(m_buffer.get());
    canvas->SetState(hvStateTextureModulate);
    canvas->SetState(hvStateFilterLinear);

    if (GetProjection() == hvProjectionCamera) {
        canvas->FillMesh({ 0, 0, 0, 1 }, { GetWidth(), GetHeight(), GetDepth(), 1 }, *m_cameraQuad, opacity);
    } else {
        // Whole-pixel placement and a half-pixel shift for an odd size put each buffer pixel on
        // one screen pixel.
        ThvMatrix matrix = GetAbsoluteMatrix();
        matrix[3][0] = std::trunc(matrix[3][0]);
        matrix[3][1] = std::trunc(matrix[3][1]);
        canvas->SetMatrix(matrix);
        const auto bufferWidth = static_cast<float>(m_bufferWidth);
        const auto bufferHeight = static_cast<float>(m_bufferHeight);
        const float centreX = bufferWidth / 2 - std::trunc(bufferWidth / 2);
        const float centreY = bufferHeight / 2 - std::trunc(bufferHeight / 2);
        canvas->FillMesh(
            { centreX, centreY, 0, 1 }, { bufferWidth, bufferHeight, GetDepth(), 1 }, *m_screenQuad, opacity);
    }

    current.SetTexture(nullptr);
    canvas->SetState(hvStateTextureNone);
}

// ---- ThvBufferLayer -----------------------------------------------------------------------

ThvBufferLayer::ThvBufferLayer(rtl::TComponent* owner)
    : ThvCustomBufferLayer(owner)
{ }
