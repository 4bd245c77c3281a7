#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvMeshData.h"
#include "scene3d/ThvShape3D.h"

#include "platform/rtl/Numbers.h"

#include <cmath>
#include <cstring>
#include <vector>

using namespace platform::gpu;

// The extrusion of a flattened outline into a solid: two flat caps and the walls between
// them. The caps are not triangulated: each contour is fanned from its first point into the
// stencil buffer, which counts coverage by inverting, and a quad over the box face then paints
// exactly the pixels covered an odd number of times. Holes and separate contours need no
// decomposition that way, whatever direction each contour runs.

namespace {

/// What the rings hold: every draw must fit one ring whole.
constexpr size_t kMaxVertices = ThvDirectXCanvas::kVertexRingSize / sizeof(ThvColorVertex);
constexpr size_t kMaxIndices = ThvDirectXCanvas::kIndexRingSize / sizeof(uint16_t);

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

/// The fan of every contour from its own first point, skipping the figure ends.
std::vector<uint16_t> FanIndices(const TwzPolygon& points)
{
    std::vector<uint16_t> indices;
    if (points.size() > kMaxVertices)
        return indices;
    indices.reserve(3 * points.size());
    size_t start = 0;
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        if (scene3d::IsFigureEnd(points[i])) {
            start = i + 1;
            continue;
        }
        indices.push_back(static_cast<uint16_t>(start));
        indices.push_back(static_cast<uint16_t>(i + 1));
        indices.push_back(static_cast<uint16_t>(i));
    }
    return indices;
}

/// Two triangles for every step between neighbouring points of one figure: front ring at
/// 0..N-1, back ring at N..2N-1.
std::vector<uint32_t> WallIndices(const TwzPolygon& points)
{
    const size_t n = points.size();
    std::vector<uint32_t> indices;
    indices.reserve(6 * n);
    for (size_t i = 0; i + 1 < n; ++i) {
        if (scene3d::IsFigureEnd(points[i]) || scene3d::IsFigureEnd(points[i + 1]))
            continue;
        const auto f0 = static_cast<uint32_t>(i), f1 = static_cast<uint32_t>(i + 1);
        const auto b0 = static_cast<uint32_t>(n + i), b1 = static_cast<uint32_t>(n + i + 1);
        indices.insert(indices.end(), { f0, b0, b1, b1, f1, f0 });
    }
    return indices;
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
    Device& d = *m_device;

    // ---- caps -----------------------------------------------------------------------------
    // False when the fan does not fit the rings: the call ends there.
    const auto drawCap = [&](bool isFront, const std::vector<uint16_t>& fan) -> bool {
        if (count > kMaxVertices || fan.size() > kMaxIndices)
            return false;
        const float w = isFront ? 1.0f : 0.0f;

        // Stencil pass: every fan triangle flips the coverage of its pixels. Colour, depth and
        // the alpha test stay out of it, so a transparent texel of the face's texture cannot
        // keep a pixel from being counted.
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
        if (!fan.empty()) {
            DrawThroughRings(D3DPT_TRIANGLELIST, static_cast<uint32_t>(count),
                static_cast<uint32_t>(fan.size()), static_cast<uint32_t>(fan.size() / 3),
                [&](ThvColorVertex* v, uint16_t* i) {
                    // A figure end takes the place of the point before it, so the triangle that
                    // reaches it stays without area.
                    TwzPoint last = points[0];
                    for (size_t n = 0; n < count; ++n) {
                        if (!scene3d::IsFigureEnd(points[n]))
                            last = points[n];
                        const float u = box.U(last), vv = box.V(last);
                        const ThvPoint p = box.Place(u, vv, w);
                        v[n] = hvColorVertex(p.X, p.Y, p.Z, 0, 0, 1, color, u, vv);
                    }
                    std::memcpy(i, fan.data(), fan.size() * sizeof(uint16_t));
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
        return true;
    };

    if (front || back) {
        const std::vector<uint16_t> fan = FanIndices(points);
        if (front && !drawCap(true, fan))
            return;
        if (back && !drawCap(false, fan))
            return;
    }

    // ---- walls ----------------------------------------------------------------------------
    if (!left)
        return;
    const float length = scene3d::OutlineLength(points);
    if (!(length > 0))
        return;
    const std::vector<uint32_t> indices = WallIndices(points);
    if (2 * count > kMaxVertices || indices.size() > kMaxIndices || indices.empty())
        return;

    // The walls' texture runs once around the whole outline, every figure and the steps
    // between them included; its second coordinate runs from the front edge to the back.
    ThvMeshData mesh;
    std::vector<ThvTexVertexNormal>& vertices = mesh.Vertices();
    vertices.resize(2 * count);
    float along = 0;
    TwzPoint last = points[0];
    for (size_t n = 0; n < count; ++n) {
        const TwzPoint& p = points[n];
        if (!scene3d::IsFigureEnd(p)) {
            if (n > 0)
                along += std::hypot(p.X - last.X, p.Y - last.Y);
            last = p;
        }
        const float u = box.U(last), v = box.V(last);
        const float t = along / length;
        const ThvPoint f = box.Place(u, v, 1);
        const ThvPoint b = box.Place(u, v, 0);
        vertices[n] = hvTexVertexNormal(f.X, f.Y, f.Z, 0, 0, 0, t, 0);
        vertices[count + n] = hvTexVertexNormal(b.X, b.Y, b.Z, 0, 0, 0, t, 1);
    }
    mesh.Indices().assign(indices.begin(), indices.end());
    // Normals from the placed walls, so that they stay perpendicular to the walls in a box
    // of any proportions; each vertex sums the walls that share it, which shades curves
    // smoothly.
    mesh.CalcNormals();

    DrawThroughRings(D3DPT_TRIANGLELIST, static_cast<uint32_t>(2 * count),
        static_cast<uint32_t>(indices.size()), static_cast<uint32_t>(indices.size() / 3),
        [&](ThvColorVertex* v, uint16_t* i) {
            for (size_t n = 0; n < 2 * count; ++n) {
                const ThvTexVertexNormal& m = vertices[n];
                v[n] = hvColorVertex(m.X, m.Y, m.Z, m.NX, m.NY, m.NZ, color, m.TU, m.TV);
            }
            std::memcpy(i, mesh.Indices().data(), indices.size() * sizeof(uint16_t));
        });
}
