#include "backends/ThvDirectXCanvas.h"

#include "backends/DirectXModule.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvMeshData.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace platform::gpu;

namespace {

constexpr uint32_t kVertexSize = sizeof(ThvColorVertex);

} // namespace

uint32_t ThvDirectXCanvas::CallColor(float opacity) const
{
    const ThvMaterial* material = GetMaterial();
    return hvColorOpacity(material ? material->GetDiffuseColor() : 0u, opacity);
}

// ---- the rings ----------------------------------------------------------------------------

bool ThvDirectXCanvas::LockRings(uint32_t vertexCount, uint32_t indexCount, RingReservation& reservation)
{
    if (!m_device || !m_vertexBuffer || !m_indexBuffer)
        return false;
    const uint64_t vertexBytes = uint64_t { vertexCount } * kVertexSize;
    const uint64_t indexBytes = uint64_t { indexCount } * sizeof(uint16_t);
    if (vertexBytes == 0 || indexBytes == 0 || vertexBytes > kVertexRingSize || indexBytes > kIndexRingSize)
        return false;

    // Behind the previous call while it fits; otherwise from the start, discarding what the
    // device may still be drawing from.
    uint32_t vertexPos = m_vertexPos;
    uint32_t vertexFlag = D3DLOCK_NOOVERWRITE;
    if (vertexPos + vertexBytes > kVertexRingSize) {
        vertexPos = 0;
        vertexFlag = D3DLOCK_DISCARD;
    }
    uint32_t indexPos = m_indexPos;
    uint32_t indexFlag = D3DLOCK_NOOVERWRITE;
    if (indexPos + indexBytes > kIndexRingSize) {
        indexPos = 0;
        indexFlag = D3DLOCK_DISCARD;
    }

    void* vertices = nullptr;
    if (hvFailed(m_vertexBuffer->Lock(vertexPos, static_cast<uint32_t>(vertexBytes), &vertices, vertexFlag))
        || !vertices)
        return false;
    void* indices = nullptr;
    if (hvFailed(m_indexBuffer->Lock(indexPos, static_cast<uint32_t>(indexBytes), &indices, indexFlag))
        || !indices) {
        m_vertexBuffer->Unlock();
        return false;
    }
    reservation.Vertices = static_cast<ThvColorVertex*>(vertices);
    reservation.Indices = static_cast<uint16_t*>(indices);
    reservation.VertexPos = vertexPos;
    reservation.IndexPos = indexPos;
    reservation.VertexCount = vertexCount;
    reservation.IndexCount = indexCount;
    return true;
}

void ThvDirectXCanvas::UnlockRingsAndDraw(
    D3DPRIMITIVETYPE type, uint32_t primitiveCount, const RingReservation& reservation)
{
    m_indexBuffer->Unlock();
    m_vertexBuffer->Unlock();
    m_device->SetFVF(kVertexFvf);
    m_device->SetIndices(m_indexBuffer);
    m_device->SetStreamSource(0, m_vertexBuffer, 0, kVertexSize);
    m_device->DrawIndexedPrimitive(type, static_cast<int32_t>(reservation.VertexPos / kVertexSize), 0,
        reservation.VertexCount, reservation.IndexPos / sizeof(uint16_t), primitiveCount);
    m_vertexPos = reservation.VertexPos + reservation.VertexCount * kVertexSize;
    m_indexPos = reservation.IndexPos + reservation.IndexCount * static_cast<uint32_t>(sizeof(uint16_t));
}

// ---- drawing ------------------------------------------------------------------------------

void ThvDirectXCanvas::SetMatrix(const ThvMatrix& matrix)
{
    ThvCanvas::SetMatrix(matrix);
    if (m_device)
        m_device->SetTransform(D3DTS_WORLD, hvMatrixToD3D(matrix));
    m_transforms.World = matrix;
    m_transforms.Stale = true;
}

// ---- what reaches the target ----------------------------------------------------------------

void ThvDirectXCanvas::Bounds::Add(const ThvColorVertex& v)
{
    Min = { std::min(Min.X, v.X), std::min(Min.Y, v.Y), std::min(Min.Z, v.Z) };
    Max = { std::max(Max.X, v.X), std::max(Max.Y, v.Y), std::max(Max.Z, v.Z) };
}

void ThvDirectXCanvas::Bounds::Add(const Bounds& other)
{
    Min = { std::min(Min.X, other.Min.X), std::min(Min.Y, other.Min.Y), std::min(Min.Z, other.Min.Z) };
    Max = { std::max(Max.X, other.Max.X), std::max(Max.Y, other.Max.Y), std::max(Max.Z, other.Max.Z) };
}

ThvDirectXCanvas::Placement ThvDirectXCanvas::Place(const Bounds& box)
{
    if (!m_transforms.Known || m_width <= 0 || m_height <= 0)
        return Placement::Crossing;
    if (box.Min.X > box.Max.X)
        return Placement::Outside; // nothing in it
    if (m_transforms.Stale) {
        m_transforms.Combined = hvMatrixMultiply(
            hvMatrixMultiply(m_transforms.World, m_transforms.View), m_transforms.Projection);
        m_transforms.Stale = false;
    }
    const ThvMatrix& m = m_transforms.Combined;
    // In clip space a point shows within -w <= x, y <= w. Every corner beyond the same edge
    // puts the whole box beyond it, whatever the perspective, as the edges are planes there.
    // A margin of two pixels keeps what lies on an edge.
    const float marginX = 4.0f / static_cast<float>(m_width);
    const float marginY = 4.0f / static_cast<float>(m_height);
    bool left = true, right = true, above = true, below = true, inside = true;
    for (int corner = 0; corner < 8; ++corner) {
        const float x = (corner & 1) ? box.Max.X : box.Min.X;
        const float y = (corner & 2) ? box.Max.Y : box.Min.Y;
        const float z = (corner & 4) ? box.Max.Z : box.Min.Z;
        const float cx = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
        const float cy = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
        const float cw = x * m[0][3] + y * m[1][3] + z * m[2][3] + m[3][3];
        const float reachX = cw + marginX * std::abs(cw);
        const float reachY = cw + marginY * std::abs(cw);
        left = left && cx < -reachX;
        right = right && cx > reachX;
        below = below && cy < -reachY;
        above = above && cy > reachY;
        inside = inside && cw > 0 && std::abs(cx) <= cw && std::abs(cy) <= cw;
    }
    if (left || right || above || below)
        return Placement::Outside;
    return inside ? Placement::Inside : Placement::Crossing;
}

void ThvDirectXCanvas::DrawLine(const ThvVector& p1, const ThvVector& p2, float opacity)
{
    const uint32_t color = CallColor(opacity);
    DrawThroughRings(D3DPT_LINELIST, 2, 2, 1, [&](ThvColorVertex* v, uint16_t* i) {
        v[0] = hvColorVertex(p1.X, p1.Y, p1.Z, 0, 0, 0, color, 0, 0);
        v[1] = hvColorVertex(p2.X, p2.Y, p2.Z, 0, 0, 0, color, 1, 1);
        i[0] = 0;
        i[1] = 1;
    });
}

void ThvDirectXCanvas::DrawLines(std::span<const ThvVector> ends, float opacity)
{
    // 16-bit indices and the rings bound one draw call; a batch stays well inside both.
    constexpr size_t kLinesPerCall = 8192;
    const size_t lines = ends.size() / 2;
    if (lines == 0)
        return;
    const uint32_t color = CallColor(opacity);
    for (size_t first = 0; first < lines; first += kLinesPerCall) {
        const auto count = static_cast<uint32_t>(std::min(kLinesPerCall, lines - first));
        const ThvVector* from = ends.data() + 2 * first;
        DrawThroughRings(D3DPT_LINELIST, 2 * count, 2 * count, count, [&](ThvColorVertex* v, uint16_t* i) {
            for (uint32_t k = 0; k < 2 * count; ++k) {
                const ThvVector& p = from[k];
                const float t = static_cast<float>(k & 1);
                v[k] = hvColorVertex(p.X, p.Y, p.Z, 0, 0, 0, color, t, t);
                i[k] = static_cast<uint16_t>(k);
            }
        });
    }
}

void ThvDirectXCanvas::DrawNothing(const ThvVector&, const ThvVector&, float) { }

void ThvDirectXCanvas::DrawCube(const ThvVector& center, const ThvVector& size, float opacity)
{
    const float x0 = center.X - size.X * 0.5f, x1 = center.X + size.X * 0.5f;
    const float y0 = center.Y - size.Y * 0.5f, y1 = center.Y + size.Y * 0.5f;
    const float z0 = center.Z - size.Z * 0.5f, z1 = center.Z + size.Z * 0.5f;
    const ThvVector corners[8] = {
        { x0, y0, z0, 1 }, { x1, y0, z0, 1 }, { x1, y1, z0, 1 }, { x0, y1, z0, 1 }, // bottom
        { x0, y0, z1, 1 }, { x1, y0, z1, 1 }, { x1, y1, z1, 1 }, { x0, y1, z1, 1 }, // top
    };
    constexpr int kEdges[12][2] = {
        { 0, 1 }, { 1, 2 }, { 2, 3 }, { 3, 0 }, // bottom
        { 4, 5 }, { 5, 6 }, { 6, 7 }, { 7, 4 }, // top
        { 0, 4 }, { 1, 5 }, { 2, 6 }, { 3, 7 }, // upright
    };
    for (const auto& edge : kEdges)
        DrawLine(corners[edge[0]], corners[edge[1]], opacity);
}

void ThvDirectXCanvas::FillCube(const ThvVector& center, const ThvVector& size, float opacity)
{
    const float x0 = center.X - size.X * 0.5f, x1 = center.X + size.X * 0.5f;
    const float y0 = center.Y - size.Y * 0.5f, y1 = center.Y + size.Y * 0.5f;
    const float z0 = center.Z - size.Z * 0.5f, z1 = center.Z + size.Z * 0.5f;
    const float sx = x1 - x0, sy = y1 - y0, sz = z1 - z0;
    struct Face {
        ThvPoint Corners[4];
        ThvPoint Normal;
    };
    // Corners clockwise as seen from outside; each normal is as long as its face is large
    // (the device normalises normals).
    const Face faces[6] = {
        { { { x0, y0, z1 }, { x1, y0, z1 }, { x1, y0, z0 }, { x0, y0, z0 } }, { 0, -sx * sz, 0 } },
        { { { x1, y0, z1 }, { x1, y1, z1 }, { x1, y1, z0 }, { x1, y0, z0 } }, { sy * sz, 0, 0 } },
        { { { x0, y1, z1 }, { x0, y0, z1 }, { x0, y0, z0 }, { x0, y1, z0 } }, { -sy * sz, 0, 0 } },
        { { { x1, y1, z1 }, { x0, y1, z1 }, { x0, y1, z0 }, { x1, y1, z0 } }, { 0, sx * sz, 0 } },
        { { { x0, y1, z1 }, { x1, y1, z1 }, { x1, y0, z1 }, { x0, y0, z1 } }, { 0, 0, sx * sy } },
        { { { x0, y0, z0 }, { x1, y0, z0 }, { x1, y1, z0 }, { x0, y1, z0 } }, { 0, 0, -sx * sy } },
    };
    constexpr float kTexture[4][2] = { { 0, 0 }, { 1, 0 }, { 1, 1 }, { 0, 1 } };
    const uint32_t color = CallColor(opacity);
    DrawThroughRings(D3DPT_TRIANGLELIST, 24, 36, 12, [&](ThvColorVertex* v, uint16_t* i) {
        for (int f = 0; f < 6; ++f) {
            const Face& face = faces[f];
            for (int c = 0; c < 4; ++c) {
                const ThvPoint& p = face.Corners[c];
                v[f * 4 + c] = hvColorVertex(p.X, p.Y, p.Z, face.Normal.X, face.Normal.Y, face.Normal.Z,
                    color, kTexture[c][0], kTexture[c][1]);
            }
            const auto base = static_cast<uint16_t>(f * 4);
            const uint16_t quad[6] = { base, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 3),
                static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 1),
                static_cast<uint16_t>(base + 2) };
            std::memcpy(i + ptrdiff_t { f } * 6, quad, sizeof quad);
        }
    });
}

void ThvDirectXCanvas::FillMesh(
    const ThvVector& center, const ThvVector& size, const ThvMeshData& mesh, float opacity)
{
    const std::vector<ThvTexVertexNormal>& vertices = mesh.Vertices();
    const std::vector<uint16_t>& indices = mesh.Indices();
    if (vertices.empty() || indices.empty() || vertices.size() * kVertexSize > kVertexRingSize
        || indices.size() * sizeof(uint16_t) > kIndexRingSize)
        return;
    const uint32_t color = CallColor(opacity);
    // In pixel units a vertex is snapped so that edges fall between pixels.
    const bool snap = GetStateOn(hvStateScreenProjection);
    const auto vertexCount = static_cast<uint32_t>(vertices.size());
    const auto indexCount = static_cast<uint32_t>(indices.size());
    DrawThroughRings(
        D3DPT_TRIANGLELIST, vertexCount, indexCount, indexCount / 3, [&](ThvColorVertex* v, uint16_t* i) {
            for (uint32_t n = 0; n < vertexCount; ++n) {
                const ThvTexVertexNormal& m = vertices[n];
                float x = size.X * m.X + center.X;
                float y = size.Y * m.Y + center.Y;
                const float z = size.Z * m.Z + center.Z;
                if (snap) {
                    x = std::trunc(x) - 0.5f;
                    y = std::trunc(y) - 0.5f;
                }
                v[n] = hvColorVertex(x, y, z, m.NX, m.NY, m.NZ, color, m.TU, m.TV);
            }
            std::memcpy(i, indices.data(), indices.size() * sizeof(uint16_t));
        });
}

void ThvDirectXCanvas::FillTriangles(
    std::span<const ThvColorVertex> vertices, std::span<const uint16_t> indices, float)
{
    // The vertices keep their own colours: the opacity is theirs already.
    if (vertices.empty() || indices.empty() || vertices.size_bytes() > kVertexRingSize
        || indices.size_bytes() > kIndexRingSize)
        return;
    const auto indexCount = static_cast<uint32_t>(indices.size());
    DrawThroughRings(D3DPT_TRIANGLELIST, static_cast<uint32_t>(vertices.size()), indexCount, indexCount / 3,
        [&](ThvColorVertex* v, uint16_t* i) {
            std::memcpy(v, vertices.data(), vertices.size_bytes());
            std::memcpy(i, indices.data(), indices.size_bytes());
        });
}
