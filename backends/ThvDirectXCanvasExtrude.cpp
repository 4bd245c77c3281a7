#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvShape3D.h"

#include "platform/rtl/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

using namespace platform::gpu;

// The extrusion of a flattened outline into a solid: two flat caps and the walls between
// them. The caps are not triangulated: each contour is fanned from its first point into the
// stencil buffer, which counts coverage by inverting, and a quad over the box face then paints
// exactly the pixels covered an odd number of times. Holes and separate contours need no
// decomposition that way, whatever direction each contour runs.

namespace {

/// What the rings hold: every draw must fit one ring whole, so larger outlines go through
/// them in several batches.
constexpr size_t kMaxVertices = ThvDirectXCanvas::kVertexRingSize / sizeof(ThvColorVertex);
constexpr size_t kMaxIndices = ThvDirectXCanvas::kIndexRingSize / sizeof(uint16_t);
constexpr size_t kNoPoint = SIZE_MAX;

/// Maps the outline's plane into the box: the outline's bounds onto the box face, its top
/// edge to the top of the box, w from the back (0) to the front (1).
struct BoxMapping {
    float MinX = 0;
    float MinY = 0;
    float SpanX = 1;
    float SpanY = 1;
    ThvVector Center;
    ThvVector Size;
    /// Pixel units, y down: points snap to pixel centres and the plane is not flipped.
    bool Screen = false;

    [[nodiscard]] float U(const TwzPoint& p) const { return (p.X - MinX) / SpanX; }
    [[nodiscard]] float V(const TwzPoint& p) const { return (p.Y - MinY) / SpanY; }

    [[nodiscard]] ThvPoint Place(float u, float v, float w) const
    {
        const float z = Center.Z - Size.Z / 2 + Size.Z * w;
        if (Screen) {
            return { Center.X - Size.X / 2 + static_cast<float>(rtl::Round(Size.X * u)) + 0.5f,
                Center.Y - Size.Y / 2 + static_cast<float>(rtl::Round(Size.Y * v)) + 0.5f, z };
        }
        return { Center.X - Size.X / 2 + Size.X * u, Center.Y + Size.Y / 2 - Size.Y * v, z };
    }

    [[nodiscard]] ThvPoint Place(const TwzPoint& p, float w) const { return Place(U(p), V(p), w); }
};

/// Every point of the outline where it is drawn: a figure end takes the place of the point
/// before it, so the triangles that reach it stay without area.
std::vector<TwzPoint> DrawnPoints(const TwzPolygon& points)
{
    std::vector<TwzPoint> drawn(points.size());
    TwzPoint last = points[0];
    for (size_t n = 0; n < points.size(); ++n) {
        if (!scene3d::IsFigureEnd(points[n]))
            last = points[n];
        drawn[n] = last;
    }
    return drawn;
}

/// One draw of a cap's fan: the points First..Last of the outline in order and, when the
/// contour being fanned began before First, its first point ahead of them.
struct FanBatch {
    size_t First = 0;
    size_t Last = 0;
    size_t Carried = kNoPoint;
    std::vector<uint16_t> Indices;

    [[nodiscard]] size_t VertexCount() const { return Last - First + 1 + (Carried != kNoPoint ? 1 : 0); }
    [[nodiscard]] uint16_t Local(size_t point) const
    {
        const size_t offset = Carried != kNoPoint ? 1 : 0;
        return static_cast<uint16_t>(point == Carried ? 0 : point - First + offset);
    }
};

/// The fan of every contour from its own first point, skipping the figure ends, cut into
/// draws that each fit the rings. Whatever fits whole stays one draw of all the points.
std::vector<FanBatch> FanBatches(const TwzPolygon& points)
{
    std::vector<FanBatch> batches;
    FanBatch batch;
    size_t start = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (scene3d::IsFigureEnd(points[i])) {
            start = i + 1;
            continue;
        }
        const bool carried = start < batch.First && start != batch.Carried;
        const size_t vertices = i + 2 - batch.First + (batch.Carried != kNoPoint || carried ? 1 : 0);
        if (carried || vertices > kMaxVertices || batch.Indices.size() + 3 > kMaxIndices) {
            if (!batch.Indices.empty())
                batches.push_back(std::move(batch));
            batch = FanBatch {};
            batch.First = batch.Last = i;
            if (start < i)
                batch.Carried = start;
        }
        batch.Indices.insert(batch.Indices.end(), { batch.Local(start), batch.Local(i + 1), batch.Local(i) });
        batch.Last = i + 1;
    }
    if (!batch.Indices.empty()) {
        if (batches.empty())
            batch.Last = points.size() - 1; // one draw: every point, as the walls have them
        batches.push_back(std::move(batch));
    }
    return batches;
}

/// One draw of the walls: the points First..Last, front ring then back ring.
struct WallBatch {
    size_t First = 0;
    size_t Last = 0;
};

/// Two triangles for every step between neighbouring points of one figure, cut into draws
/// of consecutive points that each fit the rings.
std::vector<WallBatch> WallBatches(const TwzPolygon& points)
{
    std::vector<WallBatch> batches;
    WallBatch batch;
    size_t indices = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (scene3d::IsFigureEnd(points[i]) || scene3d::IsFigureEnd(points[i + 1]))
            continue;
        if (2 * (i + 2 - batch.First) > kMaxVertices || indices + 6 > kMaxIndices) {
            if (indices > 0)
                batches.push_back(batch);
            batch = WallBatch { i, i };
            indices = 0;
        }
        indices += 6;
        batch.Last = i + 1;
    }
    if (indices > 0) {
        if (batches.empty())
            batch.Last = points.size() - 1;
        batches.push_back(batch);
    }
    return batches;
}

} // namespace

void ThvDirectXCanvas::FillPolygon(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
    const TwzPolygon& points, float opacity, bool front, bool back, bool left)
{
    if (!m_device || !m_vertexBuffer || !m_indexBuffer || points.empty())
        return;

    float minX = 65535, minY = 65535, maxX = -65535, maxY = -65535;
    for (const TwzPoint& p : points) {
        if (scene3d::IsFigureEnd(p))
            continue;
        minX = std::min(minX, p.X);
        minY = std::min(minY, p.Y);
        maxX = std::max(maxX, p.X);
        maxY = std::max(maxY, p.Y);
    }
    if (!RectIsEmpty(rect)) {
        minX = std::min(minX, rect.Left);
        minY = std::min(minY, rect.Top);
        maxX = std::max(maxX, rect.Right);
        maxY = std::max(maxY, rect.Bottom);
    }
    // An outline without width or height (a line, a shape of no size) has no face to fill and
    // could not be normalised.
    if (!(maxX - minX > 0) || !(maxY - minY > 0))
        return;

    BoxMapping box;
    box.MinX = minX;
    box.MinY = minY;
    box.SpanX = maxX - minX;
    box.SpanY = maxY - minY;
    box.Center = center;
    box.Size = size;
    box.Screen = GetStateOn(hvStateScreenProjection);

    const uint32_t color = CallColor(opacity);
    const size_t count = points.size();
    const std::vector<TwzPoint> drawn = DrawnPoints(points);
    Device& d = *m_device;

    // ---- caps -----------------------------------------------------------------------------
    const auto drawCap = [&](bool isFront, const std::vector<FanBatch>& fan) {
        const float w = isFront ? 1.0f : 0.0f;

        // Stencil pass: every fan triangle flips the coverage of its pixels, so the fan may
        // reach the stencil in any number of draws. Colour, depth and the alpha test stay out
        // of it, so a transparent texel of the face's texture cannot keep a pixel from being
        // counted.
        d.SetRenderState(D3DRS_STENCILENABLE, 1);
        d.Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
        d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
        d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
        d.SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
        d.SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
        d.SetRenderState(D3DRS_STENCILMASK, 0xFFFFFFFF);
        d.SetRenderState(D3DRS_COLORWRITEENABLE, 0);
        d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
        d.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
        for (const FanBatch& batch : fan) {
            const size_t vertexCount = batch.VertexCount();
            DrawThroughRings(D3DPT_TRIANGLELIST, static_cast<uint32_t>(vertexCount),
                static_cast<uint32_t>(batch.Indices.size()), static_cast<uint32_t>(batch.Indices.size() / 3),
                [&](ThvColorVertex* v, uint16_t* i) {
                    const auto place = [&](ThvColorVertex& vertex, const TwzPoint& at) {
                        const float u = box.U(at), vv = box.V(at);
                        const ThvPoint p = box.Place(u, vv, w);
                        vertex = hvColorVertex(p.X, p.Y, p.Z, 0, 0, 1, color, u, vv);
                    };
                    size_t n = 0;
                    if (batch.Carried != kNoPoint)
                        place(v[n++], drawn[batch.Carried]);
                    for (size_t k = batch.First; k <= batch.Last; ++k)
                        place(v[n++], drawn[k]);
                    std::memcpy(i, batch.Indices.data(), batch.Indices.size() * sizeof(uint16_t));
                });
        }
        d.SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
        // Every frame runs with the alpha test on.
        d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);

        // Cover pass: the box face, wherever the coverage is odd. The face's texture spans the
        // whole box, upright on the front.
        d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
        d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
        d.SetRenderState(D3DRS_ZWRITEENABLE, 1);
        const float nz = isFront ? 1.0f : -1.0f;
        DrawThroughRings(D3DPT_TRIANGLELIST, 4, 6, 2, [&](ThvColorVertex* v, uint16_t* i) {
            constexpr float kCorners[4][2] = { { 0, 1 }, { 1, 1 }, { 1, 0 }, { 0, 0 } };
            for (int n = 0; n < 4; ++n) {
                const ThvPoint p = box.Place(kCorners[n][0], kCorners[n][1], w);
                v[n] = hvColorVertex(p.X, p.Y, p.Z, 0, 0, nz, color, kCorners[n][0], kCorners[n][1]);
            }
            constexpr uint16_t kFront[6] = { 0, 3, 1, 1, 3, 2 };
            constexpr uint16_t kBack[6] = { 0, 1, 3, 1, 2, 3 };
            std::memcpy(i, isFront ? kFront : kBack, sizeof kFront);
        });
        d.SetRenderState(D3DRS_STENCILENABLE, 0);
        // The cover pass wrote depth whatever the object asked for; from here on it is the
        // object's choice again.
        d.SetRenderState(D3DRS_ZWRITEENABLE, GetStateOn(hvStateZWriteOff) ? 0 : 1);
    };

    if (front || back) {
        const std::vector<FanBatch> fan = FanBatches(points);
        if (front)
            drawCap(true, fan);
        if (back)
            drawCap(false, fan);
    }

    // ---- walls ----------------------------------------------------------------------------
    if (!left)
        return;
    const float length = scene3d::OutlineLength(points);
    if (!(length > 0))
        return;
    const std::vector<WallBatch> batches = WallBatches(points);
    if (batches.empty())
        return;

    // The walls' texture runs once around the whole outline, every figure and the steps
    // between them included; its second coordinate runs from the front edge to the back.
    // Front ring at 0..N-1, back ring at N..2N-1.
    std::vector<ThvTexVertexNormal> vertices(2 * count);
    float along = 0;
    for (size_t n = 0; n < count; ++n) {
        if (n > 0 && !scene3d::IsFigureEnd(points[n]))
            along += std::hypot(drawn[n].X - drawn[n - 1].X, drawn[n].Y - drawn[n - 1].Y);
        const float u = box.U(drawn[n]), v = box.V(drawn[n]);
        const float t = along / length;
        const ThvPoint f = box.Place(u, v, 1);
        const ThvPoint b = box.Place(u, v, 0);
        vertices[n] = hvTexVertexNormal(f.X, f.Y, f.Z, 0, 0, 0, t, 0);
        vertices[count + n] = hvTexVertexNormal(b.X, b.Y, b.Z, 0, 0, 0, t, 1);
    }
    // Normals from the placed walls, so that they stay perpendicular to the walls in a box
    // of any proportions; each vertex sums the walls that share it, which shades curves
    // smoothly, across the batches as within one.
    const auto position = [&](size_t n) {
        const ThvTexVertexNormal& m = vertices[n];
        return ThvVector { m.X, m.Y, m.Z, 1 };
    };
    const auto addNormal = [&](const ThvVector& normal, std::initializer_list<size_t> corners) {
        for (size_t n : corners) {
            vertices[n].NX += normal.X;
            vertices[n].NY += normal.Y;
            vertices[n].NZ += normal.Z;
        }
    };
    for (size_t i = 0; i + 1 < count; ++i) {
        if (scene3d::IsFigureEnd(points[i]) || scene3d::IsFigureEnd(points[i + 1]))
            continue;
        const size_t f0 = i, f1 = i + 1, b0 = count + i, b1 = count + i + 1;
        addNormal(hvCalcPlaneNormal(position(b1), position(b0), position(f0)), { f0, b0, b1 });
        addNormal(hvCalcPlaneNormal(position(f0), position(f1), position(b1)), { b1, f1, f0 });
    }

    for (const WallBatch& batch : batches) {
        const size_t ring = batch.Last - batch.First + 1;
        std::vector<uint16_t> indices;
        indices.reserve(6 * ring);
        for (size_t i = batch.First; i < batch.Last; ++i) {
            if (scene3d::IsFigureEnd(points[i]) || scene3d::IsFigureEnd(points[i + 1]))
                continue;
            const auto f0 = static_cast<uint16_t>(i - batch.First), f1 = static_cast<uint16_t>(f0 + 1);
            const auto b0 = static_cast<uint16_t>(ring + f0), b1 = static_cast<uint16_t>(b0 + 1);
            indices.insert(indices.end(), { f0, b0, b1, b1, f1, f0 });
        }
        DrawThroughRings(D3DPT_TRIANGLELIST, static_cast<uint32_t>(2 * ring),
            static_cast<uint32_t>(indices.size()), static_cast<uint32_t>(indices.size() / 3),
            [&](ThvColorVertex* v, uint16_t* i) {
                for (size_t n = 0; n < ring; ++n) {
                    for (size_t side : { size_t { 0 }, ring }) {
                        const ThvTexVertexNormal& m = vertices[(side == 0 ? 0 : count) + batch.First + n];
                        v[side + n] = hvColorVertex(m.X, m.Y, m.Z, m.NX, m.NY, m.NZ, color, m.TU, m.TV);
                    }
                }
                std::memcpy(i, indices.data(), indices.size() * sizeof(uint16_t));
            });
    }
}
