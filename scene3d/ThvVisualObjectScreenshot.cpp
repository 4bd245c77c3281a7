#include "scene3d/ThvVisualObject.h"

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

/// How the pixels of the supersampled picture fall onto the pixels of the output along one
/// axis: pixel i of the large picture covers [origin + i k, origin + (i + 1) k) of the output,
/// which touches at most three output pixels.
struct AxisSpread {
    std::vector<int32_t> First; // the first output pixel touched
    std::vector<std::array<float, 3>> Weights; // the share of each output pixel from there on

    AxisSpread(double origin, double k, int64_t count)
        : First(static_cast<size_t>(count))
        , Weights(static_cast<size_t>(count))
    {
        for (int64_t i = 0; i < count; ++i) {
            const double from = origin + static_cast<double>(i) * k;
            const double to = from + k;
            const double first = std::floor(from);
            First[static_cast<size_t>(i)] = static_cast<int32_t>(first);
            std::array<float, 3>& w = Weights[static_cast<size_t>(i)];
            for (int n = 0; n < 3; ++n) {
                const double lo = std::max(from, first + n);
                const double hi = std::min(to, first + n + 1);
                w[static_cast<size_t>(n)] = hi > lo ? static_cast<float>(hi - lo) : 0.0f;
            }
        }
    }
};

/// The share of each output pixel along one axis that lies within [from, to).
std::vector<float> Coverage(double from, double to, int32_t count)
{
    std::vector<float> shares(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const double pixel = i;
        shares[static_cast<size_t>(i)]
            = static_cast<float>(std::clamp(std::min(to, pixel + 1) - std::max(from, pixel), 0.0, 1.0));
    }
    return shares;
}

/// Reduces a supersampled picture, arriving tile by tile in rows of tiles, into the output:
/// each output pixel becomes the area-weighted mean of the large pixels that cover it; where
/// the picture covers an output pixel only in part, the background fills the rest. Only the
/// output rows the current row of tiles reaches are kept in floating point.
class Reduction {
public:
    Reduction(
        TwzBitmap& output, const TwzRect& target, int64_t bigWidth, int64_t bigHeight, uint32_t background)
        : m_output(output)
        , m_columns(target.Left, RectWidth(target) / static_cast<double>(bigWidth), bigWidth)
        , m_rows(target.Top, RectHeight(target) / static_cast<double>(bigHeight), bigHeight)
        , m_columnShares(Coverage(target.Left, target.Right, output.GetWidth()))
        , m_rowShares(Coverage(target.Top, target.Bottom, output.GetHeight()))
        , m_background(background)
        , m_width(output.GetWidth())
    { }

    /// Starts the row of tiles that begins at large row `bigTop`: the output rows above the
    /// first one it touches are finished.
    void BeginTileRow(int64_t bigTop, int64_t bigBottom)
    {
        const int32_t top = m_rows.First[static_cast<size_t>(bigTop)];
        const int32_t bottom = m_rows.First[static_cast<size_t>(bigBottom - 1)] + 3;
        FlushAbove(top);
        const size_t keep = m_band.size() / Stride();
        const size_t rows = static_cast<size_t>(std::max(bottom - m_bandTop, 0));
        if (rows > keep)
            m_band.resize(rows * Stride(), 0.0f);
    }

    /// Adds the tile whose top-left pixel is large pixel (left, top); only its pixels within
    /// the large picture count.
    void AddTile(const uint32_t* pixels, int32_t tileWidth, int32_t tileHeight, int64_t left, int64_t top)
    {
        const int64_t columns
            = std::min<int64_t>(tileWidth, static_cast<int64_t>(m_columns.First.size()) - left);
        const int64_t rows = std::min<int64_t>(tileHeight, static_cast<int64_t>(m_rows.First.size()) - top);
        for (int64_t y = 0; y < rows; ++y) {
            const size_t bigY = static_cast<size_t>(top + y);
            const int32_t firstRow = m_rows.First[bigY];
            const std::array<float, 3>& rowWeights = m_rows.Weights[bigY];
            const uint32_t* source = pixels + y * tileWidth;
            for (int64_t x = 0; x < columns; ++x) {
                const uint32_t p = source[x];
                if (p == 0)
                    continue;
                const float channels[4] = { static_cast<float>(p >> 24), static_cast<float>((p >> 16) & 0xFF),
                    static_cast<float>((p >> 8) & 0xFF), static_cast<float>(p & 0xFF) };
                const size_t bigX = static_cast<size_t>(left + x);
                const int32_t firstColumn = m_columns.First[bigX];
                const std::array<float, 3>& columnWeights = m_columns.Weights[bigX];
                for (int r = 0; r < 3; ++r) {
                    const float wy = rowWeights[static_cast<size_t>(r)];
                    const int32_t row = firstRow + r - m_bandTop;
                    if (wy == 0 || row < 0 || static_cast<size_t>(row) >= m_band.size() / Stride())
                        continue;
                    for (int c = 0; c < 3; ++c) {
                        const float w = wy * columnWeights[static_cast<size_t>(c)];
                        const int32_t column = firstColumn + c;
                        if (w == 0 || column < 0 || column >= m_width)
                            continue;
                        float* cell
                            = &m_band[static_cast<size_t>(row) * Stride() + static_cast<size_t>(column) * 4];
                        for (int k = 0; k < 4; ++k)
                            cell[k] += w * channels[k];
                    }
                }
            }
        }
    }

    /// Writes every row still held.
    void Finish() { FlushAbove(m_bandTop + static_cast<int32_t>(m_band.size() / Stride())); }

private:
    [[nodiscard]] size_t Stride() const { return static_cast<size_t>(m_width) * 4; }

    void FlushAbove(int32_t row)
    {
        const int32_t held = static_cast<int32_t>(m_band.size() / Stride());
        const int32_t done = std::clamp(row - m_bandTop, 0, held);
        const float ba = static_cast<float>(m_background >> 24);
        const float background[4] = { ba, static_cast<float>((m_background >> 16) & 0xFF),
            static_cast<float>((m_background >> 8) & 0xFF), static_cast<float>(m_background & 0xFF) };
        for (int32_t r = 0; r < done; ++r) {
            uint32_t* out = m_output.GetScanline(m_bandTop + r);
            if (!out)
                continue;
            const float rowShare = m_rowShares[static_cast<size_t>(m_bandTop + r)];
            const float* cells = &m_band[static_cast<size_t>(r) * Stride()];
            for (int32_t x = 0; x < m_width; ++x) {
                const float share = rowShare * m_columnShares[static_cast<size_t>(x)];
                if (share == 0)
                    continue;
                const float* cell = cells + static_cast<size_t>(x) * 4;
                // The tiles show the background themselves; it fills only what they leave of
                // the pixel.
                const float rest = 1 - share;
                uint32_t v[4];
                for (int k = 0; k < 4; ++k)
                    v[k] = static_cast<uint32_t>(
                        std::clamp(std::lround(cell[k] + rest * background[k]), 0L, 255L));
                for (int k = 1; k < 4; ++k)
                    v[k] = std::min(v[k], v[0]);
                out[x] = v[0] << 24 | v[1] << 16 | v[2] << 8 | v[3];
            }
        }
        m_band.erase(
            m_band.begin(), m_band.begin() + static_cast<ptrdiff_t>(static_cast<size_t>(done) * Stride()));
        m_bandTop += done;
        if (m_bandTop < row) {
            // Rows no tile reached: they keep the background.
            m_bandTop = row;
            m_band.clear();
        }
    }

    TwzBitmap& m_output;
    AxisSpread m_columns;
    AxisSpread m_rows;
    std::vector<float> m_columnShares;
    std::vector<float> m_rowShares;
    uint32_t m_background;
    int32_t m_width;
    std::vector<float> m_band; // rows from m_bandTop on, four channels per pixel
    int32_t m_bandTop = 0;
};

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
    ThvBitmap tile(tileSize, tileSize);
    // Without a 3D canvas class nothing can be rendered: the background is the picture.
    if (!tile.GetCanvas())
        return true;
    // NOTE: each row of tiles is reduced into the output as it arrives, so the supersampled
    // picture never exists whole; it would take scale x scale times the output's memory.
    Reduction reduction(*bitmap, target, bigWidth, bigHeight, ClearPixel(clearColor));
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
    for (int64_t top = 0; top < bigHeight; top += tileSize) {
        reduction.BeginTileRow(top, std::min(top + tileSize, bigHeight));
        for (int64_t left = 0; left < bigWidth; left += tileSize) {
            PaintToBitmap(&tile, tileSize, tileSize, static_cast<int32_t>(left), static_cast<int32_t>(top),
                magnification, clearColor);
            if (!self)
                return false;
            reduction.AddTile(tile.Bits().data(), tile.GetWidth(), tile.GetHeight(), left, top);
            ++done;
            if (progress && !progress(done, total))
                return cancel();
            // The progress hook may process messages, in which the object can go away.
            if (!self)
                return false;
        }
    }
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
