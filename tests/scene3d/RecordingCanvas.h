#pragma once

// A 3D canvas without a device: it implements every abstract operation of ThvCanvas by
// writing one line per call into a log, keeps a frame of Width x Height pixels in memory, and
// makes and drops stand-in textures the way a back end does. Scene logic (the frame protocol,
// presets, materials, textures of bitmaps) is tested against it without a GPU.
//
// Header-only so that every test of the 3D library can use it; the class is defined inline.

#include "scene3d/Math3D.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvCanvas.h"
#include "scene3d/ThvFont.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Text.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace scene3dtest {

/// Counts the stand-in textures alive, so tests see each one released exactly once.
struct TextureCounter {
    int made = 0;
    int alive = 0;
};

/// A back-end handle that only knows it exists.
class FakeTexture final : public ThvBitmapHandle {
public:
    explicit FakeTexture(std::shared_ptr<TextureCounter> counter)
        : m_counter(std::move(counter))
    {
        ++m_counter->made;
        ++m_counter->alive;
    }
    ~FakeTexture() override { --m_counter->alive; }

private:
    std::shared_ptr<TextureCounter> m_counter;
};

inline std::string LogNumber(float v)
{
    return hvFloatToStr(v);
}

inline std::string LogVector(const ThvVector& v)
{
    return "(" + LogNumber(v.X) + "," + LogNumber(v.Y) + "," + LogNumber(v.Z) + ")";
}

class RecordingCanvas final : public ThvCanvas {
    RTL_CLASS(RecordingCanvas, ThvCanvas)
public:
    RecordingCanvas(
        scene3d::WindowHandle handle, int32_t width, int32_t height, bool buffered, ThvQuality quality)
        : ThvCanvas(handle, width, height, buffered, quality)
    {
        ResizeFrame();
    }
    explicit RecordingCanvas(ThvBitmap* bitmap)
        : ThvCanvas(bitmap)
    {
        ResizeFrame();
    }

    /// One line per call, in order.
    std::vector<std::string> log;
    /// What BeginScene answers (false: a lost device).
    bool beginSceneResult = true;
    /// The rendered frame: Width x Height pixels; Clear fills it, CopyBits reads it.
    std::vector<uint32_t> frame;
    /// Shared with every texture this canvas makes.
    std::shared_ptr<TextureCounter> textures = std::make_shared<TextureCounter>();

    void ClearLog() { log.clear(); }
    /// The lines that start with `prefix`.
    [[nodiscard]] std::vector<std::string> Lines(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : log) {
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }

    /// Makes (or refreshes) the texture of `bitmap` as a back end does when it applies a
    /// material: the canvas joins the bitmap's texture canvases and caches a texture.
    void UseTexture(ThvBitmap* bitmap)
    {
        UpdateBitmapHandle(bitmap);
        if (!bitmap || int64_t { bitmap->GetWidth() } * bitmap->GetHeight() == 0)
            return;
        if (!GetBitmapHandle(bitmap))
            AddBitmapHandle(bitmap, std::make_shared<FakeTexture>(textures));
        bitmap->SetNeedUpdate(false);
    }

    // ---- ThvCanvas ---------------------------------------------------------------------
    void MaterialChanged(rtl::TObject*) override
    {
        const ThvMaterial& m = *GetMaterial();
        log.push_back("MaterialChanged " + m.GetDiffuse() + " " + m.GetBitmap());
    }
    void RecordState(ThvRenderState state) override
    {
        log.push_back("RecordState " + std::string(rtl::EnumName(state)));
    }
    void ApplyState(ThvRenderState state) override
    {
        log.push_back("ApplyState " + std::string(rtl::EnumName(state)));
    }
    void DestroyBitmapHandle(ThvBitmap* bitmap) override
    {
        log.push_back("DestroyBitmapHandle");
        RemoveBitmapHandle(bitmap);
        if (bitmap)
            bitmap->RemoveTextureCanvas(this);
    }
    bool BeginScene() override
    {
        log.push_back("BeginScene");
        return beginSceneResult;
    }
    void EndScene() override { log.push_back("EndScene"); }
    void FreeBuffer() override
    {
        log.push_back("FreeBuffer");
        ThvCanvas::FreeBuffer();
    }
    void ResizeBuffer(int32_t width, int32_t height) override
    {
        ThvCanvas::ResizeBuffer(width, height);
        log.push_back("ResizeBuffer " + rtl::IntToStr(GetWidth()) + "x" + rtl::IntToStr(GetHeight()));
        ResizeFrame();
    }
    void Clear(uint32_t color) override
    {
        log.push_back("Clear " + hvColorToStr(color));
        std::fill(frame.begin(), frame.end(), color);
    }
    void ClearFromBits(const uint32_t* bits) override
    {
        log.push_back("ClearFromBits");
        std::copy(bits, bits + frame.size(), frame.begin());
    }
    void CopyBits(uint32_t* bits) override
    {
        log.push_back("CopyBits");
        std::copy(frame.begin(), frame.end(), bits);
    }
    void SetMatrix(const ThvMatrix& matrix) override
    {
        ThvCanvas::SetMatrix(matrix);
        log.push_back("SetMatrix");
    }
    void SetCamera(ThvCamera* camera) override
    {
        ThvCanvas::SetCamera(camera);
        log.push_back(camera ? "SetCamera" : "SetCamera nil");
    }
    void AddLight(ThvLight* light) override
    {
        ThvCanvas::AddLight(light);
        log.push_back("AddLight");
    }
    void DrawLine(const ThvVector& p1, const ThvVector& p2, float opacity) override
    {
        log.push_back("DrawLine " + LogVector(p1) + " " + LogVector(p2) + " " + LogNumber(opacity));
    }
    /// Logs "LineBatch n" for n lines, then each line as DrawLine.
    void DrawLines(std::span<const ThvVector> ends, float opacity) override
    {
        log.push_back("LineBatch " + rtl::IntToStr(static_cast<int32_t>(ends.size() / 2)));
        ThvCanvas::DrawLines(ends, opacity);
    }
    void DrawNothing(const ThvVector&, const ThvVector&, float) override { log.push_back("DrawNothing"); }
    void DrawCube(const ThvVector& center, const ThvVector& size, float opacity) override
    {
        log.push_back("DrawCube " + LogVector(center) + " " + LogVector(size) + " " + LogNumber(opacity));
    }
    void FillCube(const ThvVector& center, const ThvVector& size, float opacity) override
    {
        log.push_back("FillCube " + LogVector(center) + " " + LogVector(size) + " " + LogNumber(opacity));
    }
    void FillMesh(
        const ThvVector& center, const ThvVector& size, const ThvMeshData& mesh, float opacity) override
    {
        log.push_back("FillMesh " + LogVector(center) + " " + LogVector(size) + " "
            + rtl::IntToStr(static_cast<int64_t>(mesh.Vertices().size())) + "/"
            + rtl::IntToStr(static_cast<int64_t>(mesh.Indices().size())) + " " + LogNumber(opacity));
    }
    void FillTriangles(
        std::span<const ThvColorVertex> vertices, std::span<const uint16_t> indices, float opacity) override
    {
        log.push_back("FillTriangles " + rtl::IntToStr(static_cast<int64_t>(vertices.size())) + "/"
            + rtl::IntToStr(static_cast<int64_t>(indices.size())) + " " + LogNumber(opacity));
    }
    void FillPolygon(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
        const TwzPolygon& points, float opacity, bool front, bool back, bool left) override
    {
        lastPolygon = points;
        lastPolygonRect = rect;
        log.push_back("FillPolygon " + LogVector(center) + " " + LogVector(size) + " "
            + rtl::IntToStr(static_cast<int64_t>(points.size())) + " " + LogNumber(opacity) + " "
            + (front ? "F" : "-") + (back ? "B" : "-") + (left ? "S" : "-"));
    }
    void FillText(const std::u16string& text, float x, float y, float opacity) override
    {
        log.push_back("FillText " + rtl::Utf16ToUtf8(text) + " " + LogNumber(x) + " " + LogNumber(y) + " "
            + LogNumber(opacity));
    }
    void MeasureText(const std::u16string& text, ThvPoint& size) override
    {
        log.push_back("MeasureText " + rtl::Utf16ToUtf8(text));
        size = { static_cast<float>(text.size()) * GetFont()->GetSize() / 2, GetFont()->GetSize(), 0 };
    }

    TwzPolygon lastPolygon;
    TwzRect lastPolygonRect;

private:
    void ResizeFrame()
    {
        const int64_t count = int64_t { std::max(GetWidth(), 0) } * std::max(GetHeight(), 0);
        frame.assign(static_cast<size_t>(count), 0);
    }
};

inline RTL_IMPLEMENT_CLASS(RecordingCanvas)

    /// The canvas class of RecordingCanvas, for hvDefaultCanvasClass.
    inline constexpr const ThvCanvasClass& kRecordingCanvasClass = kCanvasClassOf<RecordingCanvas>;

/// Installs RecordingCanvas as the default canvas class for the life of the guard.
class UseRecordingCanvas {
public:
    UseRecordingCanvas()
        : m_previous(hvDefaultCanvasClass)
    {
        hvDefaultCanvasClass = &kRecordingCanvasClass;
    }
    ~UseRecordingCanvas() { hvDefaultCanvasClass = m_previous; }
    UseRecordingCanvas(const UseRecordingCanvas&) = delete;
    UseRecordingCanvas& operator=(const UseRecordingCanvas&) = delete;

private:
    const ThvCanvasClass* m_previous;
};

/// A window canvas of the given size, freed with the holder.
inline rtl::TOwned<RecordingCanvas> MakeRecordingCanvas(int32_t width, int32_t height, bool buffered = false)
{
    return rtl::TOwned<RecordingCanvas>(new RecordingCanvas(nullptr, width, height, buffered, hvLowQuality));
}

} // namespace scene3dtest
