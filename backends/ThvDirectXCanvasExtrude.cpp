#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvShape3D.h"

#include "platform/rtl/Numbers.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <vector>

using namespace platform::gpu;

// The extrusion of a flattened outline into a solid: two flat caps and the walls between
// them. The caps are not triangulated: each contour is fanned from its first point into the
// stencil buffer, which counts coverage by inverting, and a quad over the box face then paints
// exactly the pixels covered an odd number of times. Holes and separate contours need no
// decomposition that way, whatever direction each contour runs.
//
// What a call builds is kept, in buffers of its own on the device, together with what it was
// made of: outlines repainted unchanged (every frame of a still scene, every tile of a large
// picture) are drawn from there without building or uploading anything again. The first
// paint streams through the rings as any draw does; the buffers are made at the second, so
// an outline that changes at every frame (a slider being dragged) costs no buffers. Extrusions no
// scene drew for a few scenes are dropped. An outline whose owner keeps it under a stamp is
// recognised by the stamp; any other by its points.
//
// Each face is cut into draws of neighbouring contours, each with its bounds, so that a tile
// of a large picture sends only the contours that reach it; the draws a target shows whole
// are sent as one.

namespace {

/// What the rings hold: every draw must fit one ring whole, so larger outlines go through
/// them in several batches.
constexpr size_t kMaxVertices = ThvDirectXCanvas::kVertexRingSize / sizeof(ThvColorVertex);
constexpr size_t kMaxIndices = ThvDirectXCanvas::kIndexRingSize / sizeof(uint16_t);
constexpr size_t kNoPoint = SIZE_MAX;
/// Kept extrusions that no scene drew for this many scenes are dropped...
constexpr uint64_t kKeptScenes = 4;
/// A face's draw ends at the next contour after this many points: small enough that a tile
/// of a large picture skips most letters of a long text, large enough that a short one stays
/// one draw.
constexpr size_t kPointsPerDraw = 1024;
/// ...and the least recently drawn ones too while they hold more than this many bytes.
constexpr size_t kKeptBytes = size_t { 64 } << 20;

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

/// The vertices of a cap's fan that fit the rings at once: the points First..Last of the
/// outline in order and, when the contour being fanned began before First, its first point
/// ahead of them. Cuts are the places in Indices where a contour begins a new draw.
struct FanBatch {
    size_t First = 0;
    size_t Last = 0;
    size_t Carried = kNoPoint;
    std::vector<uint16_t> Indices;
    std::vector<size_t> Cuts;

    [[nodiscard]] size_t VertexCount() const { return Last - First + 1 + (Carried != kNoPoint ? 1 : 0); }
    [[nodiscard]] uint16_t Local(size_t point) const
    {
        const size_t offset = Carried != kNoPoint ? 1 : 0;
        return static_cast<uint16_t>(point == Carried ? 0 : point - First + offset);
    }
};

/// The fan of every contour from its own first point, skipping the figure ends, in batches
/// that each fit the rings, cut into draws of about kPointsPerDraw points at contour starts.
/// Whatever fits whole stays one batch of all the points.
std::vector<FanBatch> FanBatches(const TwzPolygon& points)
{
    std::vector<FanBatch> batches;
    FanBatch batch;
    size_t start = 0;
    size_t drawStart = 0; // the point the current draw began at
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (scene3d::IsFigureEnd(points[i])) {
            start = i + 1;
            continue;
        }
        if (i == start && !batch.Indices.empty() && i - drawStart >= kPointsPerDraw) {
            batch.Cuts.push_back(batch.Indices.size());
            drawStart = i;
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
            drawStart = i;
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

/// The walls' vertices that fit the rings at once: the points First..Last, front ring then
/// back ring. Cuts are the points at which a contour begins a new draw.
struct WallBatch {
    size_t First = 0;
    size_t Last = 0;
    std::vector<size_t> Cuts;
};

/// Two triangles for every step between neighbouring points of one figure, in batches of
/// consecutive points that each fit the rings, cut into draws of about kPointsPerDraw points
/// at contour starts.
std::vector<WallBatch> WallBatches(const TwzPolygon& points)
{
    std::vector<WallBatch> batches;
    WallBatch batch;
    size_t indices = 0;
    size_t drawStart = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (scene3d::IsFigureEnd(points[i]) || scene3d::IsFigureEnd(points[i + 1]))
            continue;
        if (2 * (i + 2 - batch.First) > kMaxVertices || indices + 6 > kMaxIndices) {
            if (indices > 0)
                batches.push_back(batch);
            batch = WallBatch { i, i, {} };
            indices = 0;
            drawStart = i;
        } else if (indices > 0 && i > 0 && scene3d::IsFigureEnd(points[i - 1])
            && i - drawStart >= kPointsPerDraw) {
            batch.Cuts.push_back(i);
            drawStart = i;
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

/// Everything a kept extrusion is made of, as bytes to hash: the points, then the box, the
/// rect, the colour and the faces.
size_t ExtrusionHash(const TwzPolygon& points, const ThvVector& center, const ThvVector& size,
    const TwzRect& rect, uint32_t color, uint32_t flags)
{
    struct Parameters {
        ThvVector Center;
        ThvVector Size;
        TwzRect Rect;
        uint32_t Color;
        uint32_t Flags;
    } parameters { center, size, rect, color, flags };
    const std::hash<std::string_view> hash;
    const size_t pointsHash = hash(
        std::string_view(reinterpret_cast<const char*>(points.data()), points.size() * sizeof(TwzPoint)));
    const size_t parametersHash
        = hash(std::string_view(reinterpret_cast<const char*>(&parameters), sizeof parameters));
    return pointsHash ^ (parametersHash + 0x9E3779B97F4A7C15ULL + (pointsHash << 6) + (pointsHash >> 2));
}

bool SameBits(const void* a, const void* b, size_t bytes)
{
    return bytes == 0 || std::memcmp(a, b, bytes) == 0;
}

} // namespace

const ThvDirectXCanvas::KeptExtrusion* ThvDirectXCanvas::KeepExtrusion(ThvOutlineStamp stamp,
    const ThvVector& center, const ThvVector& size, const TwzRect& rect, const TwzPolygon& points,
    uint32_t color, bool front, bool back, bool walls)
{
    const bool screen = GetStateOn(hvStateScreenProjection);
    const uint32_t flags = (front ? 1U : 0U) | (back ? 2U : 0U) | (walls ? 4U : 0U) | (screen ? 8U : 0U);
    // A stamped outline is the same outline while its stamp is; any other is compared point
    // by point, after its hash.
    const size_t hash = stamp ? 0 : ExtrusionHash(points, center, size, rect, color, flags);
    for (const std::unique_ptr<KeptExtrusion>& kept : m_keptExtrusions) {
        // Bit for bit: the same bits build the same extrusion.
        if (kept->Stamp == stamp && kept->Hash == hash && kept->Color == color && kept->Front == front
            && kept->Back == back && kept->Walls == walls && kept->Screen == screen
            && SameBits(&kept->Center, &center, sizeof center) && SameBits(&kept->Size, &size, sizeof size)
            && SameBits(&kept->Rect, &rect, sizeof rect)
            && (stamp
                || (kept->Points.size() == points.size()
                    && SameBits(kept->Points.data(), points.data(), points.size() * sizeof(TwzPoint))))) {
            kept->LastScene = m_sceneCount;
            if (!kept->VertexBuffer && !kept->UploadTried)
                UploadExtrusion(*kept);
            return kept.get();
        }
    }

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
        return nullptr;

    BoxMapping box;
    box.MinX = minX;
    box.MinY = minY;
    box.SpanX = maxX - minX;
    box.SpanY = maxY - minY;
    box.Center = center;
    box.Size = size;
    box.Screen = screen;

    auto kept = std::make_unique<KeptExtrusion>();
    kept->Stamp = stamp;
    if (!stamp)
        kept->Points.assign(points.begin(), points.end());
    kept->Center = center;
    kept->Size = size;
    kept->Rect = rect;
    kept->Color = color;
    kept->Screen = screen;
    kept->Front = front;
    kept->Back = back;
    kept->Walls = walls;
    kept->Hash = hash;
    kept->LastScene = m_sceneCount;
    std::vector<ThvColorVertex>& vertices = kept->Vertices;
    std::vector<uint16_t>& indices = kept->Indices;
    const auto begin = [&](uint32_t vertexCount) {
        KeptDraw draw;
        draw.BaseVertex = static_cast<uint32_t>(vertices.size());
        draw.VertexCount = vertexCount;
        draw.StartIndex = static_cast<uint32_t>(indices.size());
        return draw;
    };
    const auto end
        = [&](KeptDraw& draw) { draw.IndexCount = static_cast<uint32_t>(indices.size()) - draw.StartIndex; };
    // A batch's indices [draw.StartIndex, end) cut at `cuts` (index positions from the
    // batch's start) into draws over the batch's vertices, each with its bounds.
    const auto cutInto
        = [&](const KeptDraw& batch, const std::vector<size_t>& cuts, std::vector<KeptDraw>& draws) {
              size_t from = 0;
              for (size_t k = 0; k <= cuts.size(); ++k) {
                  const size_t to = k < cuts.size() ? cuts[k] : batch.IndexCount;
                  if (to <= from)
                      continue;
                  KeptDraw draw = batch;
                  draw.StartIndex = batch.StartIndex + static_cast<uint32_t>(from);
                  draw.IndexCount = static_cast<uint32_t>(to - from);
                  for (size_t n = draw.StartIndex; n < draw.StartIndex + draw.IndexCount; ++n)
                      draw.Box.Add(vertices[batch.BaseVertex + indices[n]]);
                  kept->Box.Add(draw.Box);
                  draws.push_back(draw);
                  from = to;
              }
          };

    const size_t count = points.size();
    const std::vector<TwzPoint> drawn = DrawnPoints(points);

    // ---- caps -----------------------------------------------------------------------------
    const auto buildCap
        = [&](bool isFront, const std::vector<FanBatch>& fan, std::vector<KeptDraw>& draws, KeptDraw& cover) {
              const float w = isFront ? 1.0f : 0.0f;
              const auto place = [&](const TwzPoint& at) {
                  const float u = box.U(at), v = box.V(at);
                  const ThvPoint p = box.Place(u, v, w);
                  vertices.push_back(hvColorVertex(p.X, p.Y, p.Z, 0, 0, 1, color, u, v));
              };
              for (const FanBatch& batch : fan) {
                  KeptDraw draw = begin(static_cast<uint32_t>(batch.VertexCount()));
                  if (batch.Carried != kNoPoint)
                      place(drawn[batch.Carried]);
                  for (size_t k = batch.First; k <= batch.Last; ++k)
                      place(drawn[k]);
                  indices.insert(indices.end(), batch.Indices.begin(), batch.Indices.end());
                  end(draw);
                  cutInto(draw, batch.Cuts, draws);
              }
              // The box face; its texture spans the whole box, upright on the front.
              cover = begin(4);
              const float nz = isFront ? 1.0f : -1.0f;
              constexpr float kCorners[4][2] = { { 0, 1 }, { 1, 1 }, { 1, 0 }, { 0, 0 } };
              for (const auto& corner : kCorners) {
                  const ThvPoint p = box.Place(corner[0], corner[1], w);
                  vertices.push_back(hvColorVertex(p.X, p.Y, p.Z, 0, 0, nz, color, corner[0], corner[1]));
              }
              constexpr uint16_t kFront[6] = { 0, 3, 1, 1, 3, 2 };
              constexpr uint16_t kBack[6] = { 0, 1, 3, 1, 2, 3 };
              const uint16_t* quad = isFront ? kFront : kBack;
              indices.insert(indices.end(), quad, quad + 6);
              end(cover);
              for (size_t n = 0; n < 4; ++n)
                  cover.Box.Add(vertices[cover.BaseVertex + n]);
              kept->Box.Add(cover.Box);
          };
    if (front || back) {
        const std::vector<FanBatch> fan = FanBatches(points);
        if (front)
            buildCap(true, fan, kept->FrontFan, kept->FrontCover);
        if (back)
            buildCap(false, fan, kept->BackFan, kept->BackCover);
    }

    // ---- walls ----------------------------------------------------------------------------
    const float length = walls ? scene3d::OutlineLength(points) : 0.0f;
    const std::vector<WallBatch> batches = length > 0 ? WallBatches(points) : std::vector<WallBatch> {};
    if (!batches.empty()) {
        // The walls' texture runs once around the whole outline, every figure and the steps
        // between them included; its second coordinate runs from the front edge to the back.
        // Front ring at 0..N-1, back ring at N..2N-1.
        std::vector<ThvTexVertexNormal> ring(2 * count);
        float along = 0;
        for (size_t n = 0; n < count; ++n) {
            if (n > 0 && !scene3d::IsFigureEnd(points[n]))
                along += std::hypot(drawn[n].X - drawn[n - 1].X, drawn[n].Y - drawn[n - 1].Y);
            const float u = box.U(drawn[n]), v = box.V(drawn[n]);
            const float t = along / length;
            const ThvPoint f = box.Place(u, v, 1);
            const ThvPoint b = box.Place(u, v, 0);
            ring[n] = hvTexVertexNormal(f.X, f.Y, f.Z, 0, 0, 0, t, 0);
            ring[count + n] = hvTexVertexNormal(b.X, b.Y, b.Z, 0, 0, 0, t, 1);
        }
        // Normals from the placed walls, so that they stay perpendicular to the walls in a box
        // of any proportions; each vertex sums the walls that share it, which shades curves
        // smoothly, across the batches as within one.
        const auto position = [&](size_t n) {
            const ThvTexVertexNormal& m = ring[n];
            return ThvVector { m.X, m.Y, m.Z, 1 };
        };
        const auto addNormal = [&](const ThvVector& normal, std::initializer_list<size_t> corners) {
            for (size_t n : corners) {
                ring[n].NX += normal.X;
                ring[n].NY += normal.Y;
                ring[n].NZ += normal.Z;
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
            const size_t span = batch.Last - batch.First + 1;
            KeptDraw draw = begin(static_cast<uint32_t>(2 * span));
            for (size_t side : { size_t { 0 }, count }) {
                for (size_t n = 0; n < span; ++n) {
                    const ThvTexVertexNormal& m = ring[side + batch.First + n];
                    vertices.push_back(hvColorVertex(m.X, m.Y, m.Z, m.NX, m.NY, m.NZ, color, m.TU, m.TV));
                }
            }
            std::vector<size_t> cuts;
            size_t nextCut = 0;
            for (size_t i = batch.First; i < batch.Last; ++i) {
                if (scene3d::IsFigureEnd(points[i]) || scene3d::IsFigureEnd(points[i + 1]))
                    continue;
                if (nextCut < batch.Cuts.size() && i == batch.Cuts[nextCut]) {
                    cuts.push_back(indices.size() - draw.StartIndex);
                    ++nextCut;
                }
                const auto f0 = static_cast<uint16_t>(i - batch.First), f1 = static_cast<uint16_t>(f0 + 1);
                const auto b0 = static_cast<uint16_t>(span + f0), b1 = static_cast<uint16_t>(b0 + 1);
                indices.insert(indices.end(), { f0, b0, b1, b1, f1, f0 });
            }
            end(draw);
            cutInto(draw, cuts, kept->WallDraws);
        }
    }
    ++m_extrusionBuilds;

    const size_t vertexBytes = vertices.size() * sizeof(ThvColorVertex);
    const size_t indexBytes = indices.size() * sizeof(uint16_t);
    kept->Bytes = kept->Points.size() * sizeof(TwzPoint) + vertexBytes + indexBytes;

    // Drop what no scene drew lately, then the least recently drawn while too much is kept.
    std::erase_if(m_keptExtrusions,
        [&](const std::unique_ptr<KeptExtrusion>& k) { return k->LastScene + kKeptScenes < m_sceneCount; });
    size_t bytes = kept->Bytes;
    for (const std::unique_ptr<KeptExtrusion>& k : m_keptExtrusions)
        bytes += k->Bytes;
    while (bytes > kKeptBytes && !m_keptExtrusions.empty()) {
        auto oldest = std::min_element(m_keptExtrusions.begin(), m_keptExtrusions.end(),
            [](const auto& a, const auto& b) { return a->LastScene < b->LastScene; });
        bytes -= (*oldest)->Bytes;
        m_keptExtrusions.erase(oldest);
    }
    m_keptExtrusions.push_back(std::move(kept));
    return m_keptExtrusions.back().get();
}

void ThvDirectXCanvas::UploadExtrusion(KeptExtrusion& kept)
{
    // Tried once: the canvas keeps the data itself when the device will not take it, and
    // streams it through the rings at every draw.
    kept.UploadTried = true;
    const std::vector<ThvColorVertex>& vertices = kept.Vertices;
    const std::vector<uint16_t>& indices = kept.Indices;
    const size_t vertexBytes = vertices.size() * sizeof(ThvColorVertex);
    const size_t indexBytes = indices.size() * sizeof(uint16_t);
    if (vertexBytes == 0 || indexBytes == 0 || vertexBytes > UINT32_MAX || indexBytes > UINT32_MAX)
        return;
    VertexBufferPtr vertexBuffer;
    IndexBufferPtr indexBuffer;
    void* to = nullptr;
    bool filled = !hvFailed(m_device->CreateVertexBuffer(static_cast<uint32_t>(vertexBytes),
                      D3DUSAGE_WRITEONLY, D3DFVF_XYZ, D3DPOOL_MANAGED, vertexBuffer))
        && vertexBuffer && !hvFailed(vertexBuffer->Lock(0, 0, &to, 0)) && to;
    if (filled) {
        std::memcpy(to, vertices.data(), vertexBytes);
        filled = !hvFailed(vertexBuffer->Unlock());
    }
    to = nullptr;
    filled = filled
        && !hvFailed(m_device->CreateIndexBuffer(static_cast<uint32_t>(indexBytes), D3DUSAGE_WRITEONLY,
            D3DFMT_INDEX16, D3DPOOL_MANAGED, indexBuffer))
        && indexBuffer && !hvFailed(indexBuffer->Lock(0, 0, &to, 0)) && to;
    if (filled) {
        std::memcpy(to, indices.data(), indexBytes);
        filled = !hvFailed(indexBuffer->Unlock());
    }
    if (!filled)
        return;
    kept.VertexBuffer = std::move(vertexBuffer);
    kept.IndexBuffer = std::move(indexBuffer);
    std::vector<ThvColorVertex>().swap(kept.Vertices);
    std::vector<uint16_t>().swap(kept.Indices);
}

void ThvDirectXCanvas::DrawKept(const KeptExtrusion& kept, const KeptDraw& draw)
{
    if (draw.VertexCount == 0 || draw.IndexCount == 0)
        return;
    if (!kept.VertexBuffer) {
        DrawThroughRings(D3DPT_TRIANGLELIST, draw.VertexCount, draw.IndexCount, draw.IndexCount / 3,
            [&](ThvColorVertex* v, uint16_t* i) {
                std::memcpy(
                    v, kept.Vertices.data() + draw.BaseVertex, draw.VertexCount * sizeof(ThvColorVertex));
                std::memcpy(i, kept.Indices.data() + draw.StartIndex, draw.IndexCount * sizeof(uint16_t));
            });
        return;
    }
    Device& d = *m_device;
    d.SetFVF(kVertexFvf);
    d.SetIndices(kept.IndexBuffer);
    d.SetStreamSource(0, kept.VertexBuffer, 0, sizeof(ThvColorVertex));
    d.DrawIndexedPrimitive(D3DPT_TRIANGLELIST, static_cast<int32_t>(draw.BaseVertex), 0, draw.VertexCount,
        draw.StartIndex, draw.IndexCount / 3);
}

void ThvDirectXCanvas::DrawKeptRuns(const KeptExtrusion& kept, std::span<const KeptDraw> draws, bool test)
{
    size_t i = 0;
    while (i < draws.size()) {
        if (test && Place(draws[i].Box) == Placement::Outside) {
            ++i;
            continue;
        }
        KeptDraw run = draws[i];
        for (++i; i < draws.size(); ++i) {
            const KeptDraw& next = draws[i];
            if (next.BaseVertex != run.BaseVertex || next.StartIndex != run.StartIndex + run.IndexCount
                || (test && Place(next.Box) == Placement::Outside))
                break;
            run.IndexCount += next.IndexCount;
        }
        DrawKept(kept, run);
    }
}

void ThvDirectXCanvas::DrawKeptCap(
    const KeptExtrusion& kept, const std::vector<KeptDraw>& fan, const KeptDraw& cover, bool test)
{
    // The fan lies within the cover: a cover beyond the target leaves the whole cap out.
    if (test && Place(cover.Box) == Placement::Outside)
        return;
    Device& d = *m_device;
    // Stencil pass: every fan triangle flips the coverage of its pixels, so the fan may reach
    // the stencil in any number of draws. Colour, depth and the alpha test stay out of it, so
    // a transparent texel of the face's texture cannot keep a pixel from being counted.
    // Each cap counts in a stencil bit of its own, so the stencil is cleared once for eight
    // caps (and at the first cap of every scene) rather than for each.
    d.SetRenderState(D3DRS_STENCILENABLE, 1);
    if (m_stencilBit >= 8) {
        d.Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0);
        m_stencilBit = 0;
    }
    const uint32_t bit = 1U << m_stencilBit++;
    d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_ALWAYS);
    d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_INVERT);
    d.SetRenderState(D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_STENCILREF, 0);
    d.SetRenderState(D3DRS_STENCILMASK, bit);
    d.SetRenderState(D3DRS_STENCILWRITEMASK, bit);
    d.SetRenderState(D3DRS_COLORWRITEENABLE, 0);
    d.SetRenderState(D3DRS_ZWRITEENABLE, 0);
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 0);
    // Nothing of the fan reaches a colour, so it is drawn unlit.
    d.SetRenderState(D3DRS_LIGHTING, 0);
    DrawKeptRuns(kept, fan, test);
    d.SetRenderState(D3DRS_LIGHTING, LightingNow() ? 1 : 0);
    d.SetRenderState(D3DRS_COLORWRITEENABLE, 0xF);
    // Every frame runs with the alpha test on.
    d.SetRenderState(D3DRS_ALPHATESTENABLE, 1);

    // Cover pass: the box face, wherever the coverage is odd (its bit differs from the
    // reference's 0).
    d.SetRenderState(D3DRS_STENCILFUNC, D3DCMP_NOTEQUAL);
    d.SetRenderState(D3DRS_STENCILPASS, D3DSTENCILOP_KEEP);
    d.SetRenderState(D3DRS_ZWRITEENABLE, 1);
    DrawKept(kept, cover);
    d.SetRenderState(D3DRS_STENCILENABLE, 0);
    // The cover pass wrote depth whatever the object asked for; from here on it is the
    // object's choice again.
    d.SetRenderState(D3DRS_ZWRITEENABLE, GetStateOn(hvStateZWriteOff) ? 0 : 1);
}

void ThvDirectXCanvas::FillPolygon(const ThvVector& center, const ThvVector& size, const TwzRect& rect,
    const TwzPolygon& points, float opacity, bool front, bool back, bool left)
{
    FillExtrusion(0, center, size, rect, points, opacity, front, back, left);
}

void ThvDirectXCanvas::FillKeptPolygon(ThvOutlineStamp stamp, const ThvVector& center, const ThvVector& size,
    const TwzRect& rect, const TwzPolygon& points, float opacity, bool front, bool back, bool left)
{
    FillExtrusion(stamp, center, size, rect, points, opacity, front, back, left);
}

void ThvDirectXCanvas::FillExtrusion(ThvOutlineStamp stamp, const ThvVector& center, const ThvVector& size,
    const TwzRect& rect, const TwzPolygon& points, float opacity, bool front, bool back, bool walls)
{
    if (!m_device || !m_vertexBuffer || !m_indexBuffer || points.empty())
        return;
    const KeptExtrusion* kept
        = KeepExtrusion(stamp, center, size, rect, points, CallColor(opacity), front, back, walls);
    if (!kept)
        return;
    // Only the draws that reach the target are sent, and each one on its own only where the
    // target shows part of the extrusion.
    const Placement placement = Place(kept->Box);
    if (placement == Placement::Outside)
        return;
    const bool test = placement == Placement::Crossing;
    if (front)
        DrawKeptCap(*kept, kept->FrontFan, kept->FrontCover, test);
    if (back)
        DrawKeptCap(*kept, kept->BackFan, kept->BackCover, test);
    DrawKeptRuns(*kept, kept->WallDraws, test);
}
