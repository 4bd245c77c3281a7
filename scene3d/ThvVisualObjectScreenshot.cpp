#include "scene3d/ThvVisualObject.h"

#include "scene3d/ScreenshotReduction.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvScene.h"

#include "graphics/Geometry.h"
#include "graphics/TwzBitmap.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Off-screen rendering: a tile of the object's screen picture through a bitmap's own canvas,
// and whole pictures of any size made of such tiles, rendered larger and reduced.

namespace {

/// Every off-screen render target of a screenshot is this square, whatever the output.
constexpr int32_t kTileSize = 512;
constexpr int32_t kMaxSupersampling = 16;

/// Takes the temporary canvas back from an object's subtree however the rendering ends.
class TempCanvasGuard {
public:
    explicit TempCanvasGuard(ThvVisualObject& object)
        : m_object(&object)
    { }
    ~TempCanvasGuard()
    {
        if (m_object)
            m_object->SetTempCanvas(nullptr);
    }
    TempCanvasGuard(const TempCanvasGuard&) = delete;
    TempCanvasGuard& operator=(const TempCanvasGuard&) = delete;

private:
    rtl::Watch<ThvVisualObject> m_object;
};

/// The straight ARGB colour as the device clears with it: written raw, each colour channel
/// kept within the alpha, as the read-back of a frame leaves it.
uint32_t ClearPixel(uint32_t color)
{
    const uint32_t a = color >> 24;
    const uint32_t r = std::min((color >> 16) & 0xFF, a);
    const uint32_t g = std::min((color >> 8) & 0xFF, a);
    const uint32_t b = std::min(color & 0xFF, a);
    return a << 24 | r << 16 | g << 8 | b;
}

} // namespace

bool ThvVisualObject::MakeScreenshot(TwzBitmap* bitmap, int32_t width, int32_t height, uint32_t clearColor,
    int32_t scale, const ScreenshotProgress& progress)
{
    if (!bitmap)
        return true;
    width = std::max(width, 1);
    height = std::max(height, 1);
    scale = std::clamp(scale, 1, kMaxSupersampling);

    // The whole output shows the background; the picture is laid over it where it lands.
    bitmap->SetSize(width, height);
    std::fill(bitmap->Pixels().begin(), bitmap->Pixels().end(), ClearPixel(clearColor));
    const TwzRect bounds = MakeRect(0, 0, static_cast<float>(width), static_cast<float>(height));

    const TwzRect screen = GetScreenBounds();
    // An object of no size on the screen has no picture to fit.
    if (!(RectWidth(screen) > 0) || !(RectHeight(screen) > 0))
        return true;
    TwzRect target = screen;
    const float ratio = RectFit(target, bounds);
    if (!(ratio > 0) || !std::isfinite(ratio))
        return true;
    if (ratio < 1) {
        target
            = MakeRect(screen.Left / ratio, screen.Top / ratio, screen.Right / ratio, screen.Bottom / ratio);
        RectCenter(target, bounds);
    }
    const int64_t bigWidth = rtl::Round(double { RectWidth(target) } * scale);
    const int64_t bigHeight = rtl::Round(double { RectHeight(target) } * scale);
    if (bigWidth <= 0 || bigHeight <= 0)
        return true;

    const int32_t tileSize = std::min(kTileSize, hvMaxTextureWidth);
    // One bitmap canvas for all tiles: the scene's own, kept from its last screenshot.
    rtl::Watch<ThvScene> scene(GetScene());
    std::unique_ptr<ThvBitmap> kept = scene ? scene->TakeScreenshotTile() : nullptr;
    if (!kept)
        kept = std::make_unique<ThvBitmap>(tileSize, tileSize);
    ThvBitmap& tile = *kept;
    tile.SetSize(tileSize, tileSize);
    // Without a 3D canvas class nothing can be rendered: the background is the picture.
    if (!tile.GetCanvas())
        return true;
    // Whatever way the render ends, the scene keeps the tile for the next one.
    struct GiveBack {
        rtl::Watch<ThvScene>& scene;
        std::unique_ptr<ThvBitmap>& tile;
        ~GiveBack()
        {
            if (scene)
                scene->KeepScreenshotTile(std::move(tile));
        }
    } giveBack { scene, kept };
    // NOTE: each row of tiles is reduced into the output as it arrives, so the supersampled
    // picture never exists whole; it would take scale x scale times the output's memory. The
    // reduction runs on other threads while the next tile renders.
    scene3d::ScreenshotReduction reduction(*bitmap, target, bigWidth, bigHeight, ClearPixel(clearColor));
    const float magnification = static_cast<float>(scale) / ratio;
    rtl::Watch<ThvVisualObject> self(this);
    const int64_t total = ((bigWidth + tileSize - 1) / tileSize) * ((bigHeight + tileSize - 1) / tileSize);
    int64_t done = 0;
    // A cancelled render leaves the background alone, never a part of the picture.
    auto cancel = [&] {
        std::fill(bitmap->Pixels().begin(), bitmap->Pixels().end(), ClearPixel(clearColor));
        bitmap->SetNeedUpdate(true);
        bitmap->OnChange(bitmap);
        return false;
    };
    if (progress && !progress(0, total))
        return cancel();
    if (!self)
        return false;
    // The tile canvas holds each frame while the next tile is drawn, so the device renders one
    // tile while this thread sends the next; each tile reaches the reduction once the one
    // after it is drawn.
    ThvCanvas* tileCanvas = tile.GetCanvas();
    tileCanvas->SetHoldFrames(true);
    struct StopHolding {
        ThvCanvas* canvas;
        ~StopHolding() { canvas->SetHoldFrames(false); }
    } stopHolding { tileCanvas };
    struct Place {
        int64_t left = 0;
        int64_t top = 0;
    };
    std::optional<Place> held;
    // Hands the tile drawn before to the reduction; false when the caller cancels.
    const auto deliver = [&] {
        // The frame goes straight into the reduction's memory where the canvas can put it
        // there; otherwise through the tile bitmap.
        const int32_t w = tile.GetWidth();
        const int32_t h = tile.GetHeight();
        if (!reduction.AddTile(w, h, held->left, held->top,
                [&](uint32_t* into) { return tileCanvas->TakeFrameInto(into, w, h); })) {
            tileCanvas->TakeFrame();
            reduction.AddTile(tile.Bits().data(), w, h, held->left, held->top);
        }
        held.reset();
        ++done;
        return !progress || progress(done, total);
    };
    for (int64_t top = 0; top < bigHeight; top += tileSize) {
        for (int64_t left = 0; left < bigWidth; left += tileSize) {
            PaintToBitmap(&tile, tileSize, tileSize, static_cast<int32_t>(left), static_cast<int32_t>(top),
                magnification, clearColor);
            if (!self)
                return false;
            if (held && !deliver())
                return cancel();
            // The progress hook may process messages, in which the object can go away.
            if (!self)
                return false;
            held = Place { left, top };
        }
    }
    if (held && !deliver())
        return cancel();
    if (!self)
        return false;
    reduction.Finish();
    bitmap->SetNeedUpdate(true);
    bitmap->OnChange(bitmap);
    return true;
}

void ThvVisualObject::PaintToBitmap(ThvBitmap* bitmap, int32_t width, int32_t height, int32_t offsetX,
    int32_t offsetY, float scale, uint32_t clearColor)
{
    if (!bitmap)
        return;
    const TwzRect screen = GetScreenBounds();
    if (RectIsEmpty(screen))
        return;
    TwzRect scaled = screen;
    RectScale(scaled, scale, scale);
    width = std::clamp(width, 1, std::max(hvMaxTextureWidth, 1));
    height = std::clamp(height, 1, std::max(hvMaxTextureWidth, 1));
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(height);
    RectCenter(scaled, MakeRect(0, 0, w, h));

    bitmap->SetSize(width, height);
    ThvCanvas* canvas = bitmap->GetCanvas();
    if (!canvas)
        return;

    ThvScene* scene = GetScene();
    // The picture is the scene's own view: its canvas holds the camera of the last frame.
    ThvCanvas* sceneCanvas = scene ? scene->GetCanvas() : nullptr;
    if (sceneCanvas) {
        const float sceneWidth = static_cast<float>(sceneCanvas->GetWidth());
        const float sceneHeight = static_cast<float>(sceneCanvas->GetHeight());
        // The camera's field of view is vertical: the picture's pixels keep their size
        // relative to the scene's height, whatever the two aspects are.
        const float k = sceneHeight / h;
        ThvMatrix zoom = hvIdentityMatrix;
        zoom[0][0] = scale * k;
        zoom[1][1] = scale * k;
        ThvMatrix shift = hvIdentityMatrix;
        shift[3][0] = 2 * scale
            * ((-scaled.Left - static_cast<float>(offsetX)) / scale + sceneWidth / 2
                - (screen.Left + screen.Right) / 2)
            / w;
        shift[3][1] = -2 * scale
            * ((-scaled.Top - static_cast<float>(offsetY)) / scale + sceneHeight / 2
                - (screen.Top + screen.Bottom) / 2)
            / h;
        canvas->SetZoomMatrix(hvMatrixMultiply(zoom, shift));
        canvas->RecordState(hvStateCameraProjection);
    } else if (canvas->GetZoomMatrix() != hvIdentityMatrix) {
        // Outside a scene the canvas's own projection applies, not one left from a tile.
        canvas->SetZoomMatrix(hvIdentityMatrix);
        canvas->RecordState(hvStateCameraProjection);
    }

    rtl::Watch<ThvVisualObject> self(this);
    TempCanvasGuard guard(*this);
    SetTempCanvas(canvas);

    std::vector<rtl::Watch<ThvVisualObject>> lightRoots;
    if (sceneCanvas) {
        canvas->ResetScene();
        canvas->SetLighting(scene->GetLighting());
        canvas->SetAmbientColor(hvStrToColor(scene->GetAmbientColor()));
        canvas->SetViewMatrices(sceneCanvas->GetViewMatrix(), sceneCanvas->GetCameraMatrix());
        // The same lights as on the screen, wherever they are in the scene.
        for (ThvObject* root : scene->Objects()) {
            auto* visual = dynamic_cast<ThvVisualObject*>(root);
            if (visual && visual->GetVisible())
                lightRoots.emplace_back(visual);
        }
        for (const rtl::Watch<ThvVisualObject>& root : lightRoots) {
            if (!root)
                continue;
            canvas->SetMatrix(root->GetAbsoluteMatrix());
            root->SetTempCanvas(canvas);
            root->ApplyLights();
        }
    }

    if (self && canvas->BeginScene()) {
        for (ThvRenderState state : { hvStateGouraud, hvStateCameraProjection, hvStateZWriteOn,
                 hvStateLightingOn, hvStateFilterLinear, hvStateCullCCW })
            canvas->SetState(state);
        canvas->Clear(clearColor);
        // The object's own states as the render walk sets them for a child; the projection
        // preset resets the world matrix, so the matrix follows it.
        canvas->SetState(GetZWrite() ? hvStateZWriteOn : hvStateZWriteOff);
        canvas->SetState(
            GetProjection() == hvProjectionCamera ? hvStateCameraProjection : hvStateScreenProjection);
        canvas->SetState(GetTwoSide() ? hvStateCullNone : hvStateCullCCW);
        canvas->SetMatrix(GetAbsoluteMatrix());
        BeforePaint();
        if (self)
            Render();
        if (self)
            OnPaint(this, canvas);
        if (self)
            AfterPaint();
        if (self)
            RenderChildren();
        canvas->EndScene();
    }

    for (const rtl::Watch<ThvVisualObject>& root : lightRoots) {
        if (root)
            root->SetTempCanvas(nullptr);
    }
    bitmap->SetNeedUpdate(true);
}
