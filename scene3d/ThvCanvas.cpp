#include "scene3d/ThvCanvas.h"

#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCamera.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/ScopedAssign.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <limits>
#include <new>

RTL_IMPLEMENT_CLASS(ThvCanvas)

namespace {

constexpr int kStateGroups[kRenderStateCount] = {
    0, 0, // projection
    1, 1, // lighting
    2, 2, // depth test
    3, 3, // depth write
    4, 4, 4, // culling
    5, 5, // blending
    6, 6, // texture filter
    7, 7, 7, // texture mode
    8, 8, // fill
    9, 9, // shading
};

// A back buffer this large (256 Mi pixels, 1 GB) cannot be a real window; refusing it keeps a
// bad size from turning into an allocation the process cannot survive.
constexpr int64_t kMaxBackBufferPixels = int64_t { 1 } << 28;

ThvMatrix TranslationMatrix(float x, float y, float z)
{
    ThvMatrix m = hvIdentityMatrix;
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    return m;
}

ThvMatrix ScaleMatrix(float x, float y, float z)
{
    ThvMatrix m = hvIdentityMatrix;
    m[0][0] = x;
    m[1][1] = y;
    m[2][2] = z;
    return m;
}

constexpr float kPi = 3.1415927f;

} // namespace

int RenderStateGroup(ThvRenderState state)
{
    assert(state < kRenderStateCount);
    return kStateGroups[state];
}

// ---- construction and destruction ---------------------------------------------------------

ThvCanvas::ThvCanvas(
    scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality)
    : m_width(width)
    , m_height(height)
    , m_buffered(buffered)
    , m_quality(quality)
    , m_handle(handle)
{
    InitCommon();
    if (m_buffered)
        CreateBackBuffer();
}

ThvCanvas::ThvCanvas(ThvBitmap* bitmap)
    : m_buffered(true)
    , m_quality(hvLowQuality)
    , m_bitmap(bitmap)
{
    if (bitmap) {
        m_width = bitmap->GetWidth();
        m_height = bitmap->GetHeight();
    }
    InitCommon();
}

void ThvCanvas::InitCommon()
{
    m_zoomMatrix = hvIdentityMatrix;
    m_material = std::make_unique<ThvMaterial>();
    m_material->OnChanged.Bind<&ThvCanvas::MaterialChanged>(this);
    m_font = std::make_unique<ThvFont>();
}

ThvCanvas::~ThvCanvas() = default;

void ThvCanvas::BeforeDestruction()
{
    // The back end drops each texture once; whatever it leaves behind, the canvas then
    // forgets the bitmap on both sides.
    for (size_t i = m_bitmaps.size(); i-- > 0;) {
        if (i >= m_bitmaps.size())
            continue;
        ThvBitmap* bitmap = m_bitmaps[i];
        DestroyBitmapHandle(bitmap);
        RemoveBitmapHandle(bitmap);
    }
    // Bitmaps that listed the canvas without getting a texture (no device, a refused
    // creation) forget it too.
    while (!m_listedIn.empty())
        m_listedIn.back()->RemoveTextureCanvas(this);
    FreeBuffer();
    Inherited::BeforeDestruction();
}

void ThvCanvas::AssignTo(rtl::TPersistent& dest) const
{
    Inherited::AssignTo(dest);
}

void ThvCanvas::CreateBackBuffer()
{
    const int64_t width = std::max<int32_t>(m_width, 1);
    const int64_t height = std::max<int32_t>(m_height, 1);
    if (width > kMaxBackBufferPixels / height)
        throw rtl::GraphicsError("Can't allocate the DIB handle");
    try {
        m_backBuffer.assign(static_cast<size_t>(width * height), 0);
    } catch (const std::bad_alloc&) {
        m_backBuffer.clear();
        throw rtl::GraphicsError("Can't allocate the DIB handle");
    }
}

void ThvCanvas::FreeBuffer()
{
    ReleaseBackBuffer();
}

void ThvCanvas::ReleaseBackBuffer()
{
    m_backBuffer.clear();
    m_backBuffer.shrink_to_fit();
}

void ThvCanvas::ResizeBuffer(int32_t width, int32_t height)
{
    if (width == m_width && height == m_height)
        return;
    ReleaseBackBuffer();
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
    if (!m_buffered)
        return;
    // The canvas reports the size it has, not the one it could not get.
    rtl::ScopeFailure noSize([this] {
        m_width = 0;
        m_height = 0;
    });
    CreateBackBuffer();
}

void ThvCanvas::SetQuality(ThvQuality value)
{
    m_quality = value;
}

bool ThvCanvas::BeginScene()
{
    return false;
}

void ThvCanvas::EndScene() { }

void ThvCanvas::SetHoldFrames(bool) { }

bool ThvCanvas::TakeFrame()
{
    return false;
}

bool ThvCanvas::TakeFrameInto(uint32_t*, int32_t, int32_t)
{
    return false;
}

void ThvCanvas::MaterialChanged(rtl::TObject*) { }

// ---- frame state --------------------------------------------------------------------------

void ThvCanvas::ResetScene()
{
    m_stateOn.fill(false);
    m_viewMatrix = hvIdentityMatrix;
    SetMatrix(hvIdentityMatrix);
    m_lights.clear();
    // Written directly: the device keeps its material until an object sets one.
    m_material->m_diffuse = 0;
    m_material->m_ambient = 0;
    m_material->m_bitmap.clear();
}

void ThvCanvas::SetViewMatrices(const ThvMatrix& view, const ThvMatrix& cameraMatrix)
{
    m_viewMatrix = view;
    m_cameraMatrix = cameraMatrix;
}

void ThvCanvas::SetMatrix(const ThvMatrix& matrix)
{
    m_worldMatrix = matrix;
}

void ThvCanvas::SetCamera(ThvCamera* camera)
{
    m_camera = camera;
    if (!camera) {
        m_viewMatrix = hvIdentityMatrix;
        m_cameraMatrix = hvIdentityMatrix;
        return;
    }
    ThvVector targetPosition;
    ThvVisualObject* target = camera->GetTarget();
    if (target)
        targetPosition = target->GetAbsolutePosition();
    SetCameraView(camera->GetAbsoluteMatrix(), target ? &targetPosition : nullptr);
}

void ThvCanvas::SetCameraView(const ThvMatrix& cameraAbsolute, const ThvVector* targetPosition)
{
    const ThvVector eye { cameraAbsolute[3][0], cameraAbsolute[3][1], cameraAbsolute[3][2], 1 };
    const ThvVector up { cameraAbsolute[2][0], cameraAbsolute[2][1], cameraAbsolute[2][2], 0 };
    ThvVector direction { cameraAbsolute[1][0], cameraAbsolute[1][1], cameraAbsolute[1][2], 0 };
    if (targetPosition)
        direction = hvVectorSubtract(*targetPosition, eye);
    m_viewMatrix = hvMatrixLookAtDirRH(eye, direction, up);
    m_cameraMatrix = m_viewMatrix;
    hvInvertMatrix(m_cameraMatrix);
}

void ThvCanvas::AddLight(ThvLight* light)
{
    m_lights.push_back(light);
}

void ThvCanvas::SetState(ThvRenderState state)
{
    if (m_stateOn[state])
        return;
    const int group = RenderStateGroup(state);
    for (size_t s = 0; s < kRenderStateCount; ++s) {
        if (kStateGroups[s] == group)
            m_stateOn[s] = false;
    }
    m_stateOn[state] = true;
    ApplyState(state);
}

void ThvCanvas::SetMaterial(const ThvMaterial& material)
{
    m_material->Assign(material);
}

void ThvCanvas::SetMaterialWithOpacity(ThvMaterial& material, float opacity)
{
    // The caller's material lends its settings for one copy; neither change reaches its
    // owner, which would otherwise repaint from inside the paint.
    rtl::ScopedAssign lent(material.m_diffuse, hvColorOpacity(material.m_diffuse, opacity));
    m_material->Assign(material);
}

// ---- projections and picking --------------------------------------------------------------

ThvMatrix ThvCanvas::GetProjectionMatrix()
{
    const ThvMatrix projection = hvMatrixPerspectiveFovRH(
        kPi / 4, static_cast<float>(m_width) / static_cast<float>(m_height), 1, 1000);
    // Any zoom counts, a vertical shift alone included: a screenshot tile in the first column
    // of a centred object may be moved only up or down.
    if (m_zoomMatrix == hvIdentityMatrix)
        return projection;
    return hvMatrixMultiply(projection, m_zoomMatrix);
}

ThvMatrix ThvCanvas::GetScreenMatrix()
{
    const float width = static_cast<float>(m_width);
    const float height = static_cast<float>(m_height);
    const ThvMatrix ortho = hvMatrixOrthoOffCenterRH(0, width, 0, height, 1, 1000);
    const ThvMatrix perspective = hvMatrixPerspectiveFovRH(kPi / 6, width / height, 1, 1000);
    const float k = 2 * ortho[0][0] / perspective[0][0];
    const ThvMatrix tail = hvMatrixMultiply(TranslationMatrix(0, 0, -2), perspective);
    const ThvMatrix scaled = hvMatrixMultiply(ScaleMatrix(k, -k, -k), tail);
    return hvMatrixMultiply(TranslationMatrix(-width / 2, -height / 2, 0), scaled);
}

void ThvCanvas::Pick(ThvProjection projection, float x, float y, ThvVector& rayPos, ThvVector& rayDir)
{
    const float width = static_cast<float>(m_width);
    const float height = static_cast<float>(m_height);
    if (projection == hvProjectionCamera) {
        const ThvMatrix p = GetProjectionMatrix();
        ThvVector nearPoint { 0, 0, 0, 1 };
        ThvVector farPoint { (1 - 2 * x / width) / p[0][0], (2 * y / height - 1) / p[1][1], 1, 1 };
        // Until a view is set the inverse view is the identity, which leaves both points as they are.
        nearPoint = hvVectorTransform(nearPoint, m_cameraMatrix);
        farPoint = hvVectorTransform(farPoint, m_cameraMatrix);
        rayPos = nearPoint;
        rayDir = hvVectorNormalize(hvVectorSubtract(nearPoint, farPoint));
        return;
    }
    ThvMatrix inverse = GetScreenMatrix();
    hvInvertMatrix(inverse);
    const float z0 = hvVectorTransform({ 0, 0, 0, 1 }, inverse).Z;
    rayPos = { width / 2, height / 2, 2 * z0, 1 };
    rayDir = hvVectorNormalize(hvVectorSubtract({ x, y, 0, 1 }, rayPos));
}

void ThvCanvas::WorldToScreen(ThvProjection projection, const ThvPoint& p, ThvPoint& r)
{
    if (projection == hvProjectionScreen) {
        r = p;
        return;
    }
    const ThvVector v = hvVectorTransform(hvPointToVector(p, 1), m_viewMatrix);
    if (v.Z == 0) {
        r = { v.X, v.Y, v.Z };
        return;
    }
    const ThvMatrix q = GetProjectionMatrix();
    r.X = (1 - v.X / v.Z * q[0][0]) * static_cast<float>(m_width) / 2;
    r.Y = (v.Y / v.Z * q[1][1] + 1) * static_cast<float>(m_height) / 2;
    r.Z = v.Z;
}

void ThvCanvas::DrawLines(std::span<const ThvVector> ends, float opacity)
{
    for (size_t i = 0; i + 1 < ends.size(); i += 2)
        DrawLine(ends[i], ends[i + 1], opacity);
}

ThvOutlineStamp hvNewOutlineStamp()
{
    static std::atomic<ThvOutlineStamp> last { 0 };
    return ++last;
}

void ThvCanvas::FillKeptPolygon(ThvOutlineStamp, const ThvVector& center, const ThvVector& size,
    const TwzRect& rect, const TwzPolygon& points, float opacity, bool front, bool back, bool left)
{
    FillPolygon(center, size, rect, points, opacity, front, back, left);
}

void ThvCanvas::FillRect(const TwzRect& r, float depth, float opacity)
{
    const TwzPolygon outline = {
        { r.Left, r.Top },
        { r.Right, r.Top },
        { r.Right, r.Bottom },
        { r.Left, r.Bottom },
        { r.Left, r.Top },
    };
    const ThvVector center { (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2, 0, 1 };
    const ThvVector size { r.Right - r.Left, r.Bottom - r.Top, depth, 1 };
    FillPolygon(center, size, r, outline, opacity, true, true, true);
}

void ThvCanvas::DeliverFrame(int32_t width, int32_t height, const uint32_t* pixels)
{
    if (!m_onFramePresented || width <= 0 || height <= 0 || !pixels)
        return;
    // A copy: the owner may replace its handler, or free the canvas, while it looks at the frame.
    const ThvFrameHandler handler = m_onFramePresented;
    handler(width, height, pixels);
}

// ---- textures -----------------------------------------------------------------------------

void ThvCanvas::UpdateBitmapHandle(ThvBitmap* bitmap)
{
    if (!bitmap)
        return;
    if (int64_t { bitmap->GetWidth() } * bitmap->GetHeight() == 0) {
        bitmap->SetNeedUpdate(false);
        return;
    }
    bitmap->AddTextureCanvas(this);
}

void ThvCanvas::AddBitmapHandle(ThvBitmap* bitmap, ThvBitmapHandlePtr handle)
{
    if (std::find(m_bitmaps.begin(), m_bitmaps.end(), bitmap) != m_bitmaps.end())
        return;
    m_bitmaps.push_back(bitmap);
    m_textures.push_back(std::move(handle));
}

void ThvCanvas::SetBitmapHandle(ThvBitmap* bitmap, ThvBitmapHandlePtr handle)
{
    const auto it = std::find(m_bitmaps.begin(), m_bitmaps.end(), bitmap);
    if (it != m_bitmaps.end())
        m_textures[static_cast<size_t>(it - m_bitmaps.begin())] = std::move(handle);
}

void ThvCanvas::RemoveBitmapHandle(ThvBitmap* bitmap)
{
    const auto it = std::find(m_bitmaps.begin(), m_bitmaps.end(), bitmap);
    if (it == m_bitmaps.end())
        return;
    m_textures.erase(m_textures.begin() + (it - m_bitmaps.begin()));
    m_bitmaps.erase(it);
}

ThvBitmapHandle* ThvCanvas::GetBitmapHandle(ThvBitmap* bitmap) const
{
    const auto it = std::find(m_bitmaps.begin(), m_bitmaps.end(), bitmap);
    if (it == m_bitmaps.end())
        return nullptr;
    return m_textures[static_cast<size_t>(it - m_bitmaps.begin())].get();
}
