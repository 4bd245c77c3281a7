#include "scene3d/ThvPrimitiveMeshes.h"

#include "scene3d/Math3D.h"
#include "scene3d/ThvMeshData.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

double Radians(double degrees)
{
    return degrees * kPi / 180.0;
}

/// The fractional part of a non-negative value.
double Frac(double value)
{
    return value - std::floor(value);
}

// A vertex while a mesh is built: computed in double, stored as Single.
struct Vertex {
    double x = 0, y = 0, z = 0;
    double nx = 0, ny = 0, nz = 0;
    double tu = 0, tv = 0;
};

Vertex MakeVertex(double x, double y, double z, double nx, double ny, double nz, double tu, double tv)
{
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > 0) {
        nx /= length;
        ny /= length;
        nz /= length;
    }
    return { x, y, z, nx, ny, nz, tu, tv };
}

// Collects vertices, sharing equal ones, and triangles wound so that (b - a) x (c - a) points
// against the vertex normals, into the solid.
class MeshBuilder {
public:
    explicit MeshBuilder(ThvMeshData& mesh)
        : m_mesh(mesh)
    {
        m_mesh.Vertices().clear();
        m_mesh.Indices().clear();
    }
    MeshBuilder(const MeshBuilder&) = delete;
    MeshBuilder& operator=(const MeshBuilder&) = delete;
    ~MeshBuilder() { m_mesh.SetChanged(true); }

    uint16_t Add(const Vertex& v)
    {
        const ThvTexVertexNormal stored = hvTexVertexNormal(
            Snap(v.x), Snap(v.y), Snap(v.z), Snap(v.nx), Snap(v.ny), Snap(v.nz), Snap(v.tu), Snap(v.tv));
        std::array<uint32_t, 8> key {};
        static_assert(sizeof(key) == sizeof(stored));
        std::memcpy(key.data(), &stored, sizeof(stored));
        const auto [it, inserted] = m_known.emplace(key, static_cast<uint16_t>(m_mesh.Vertices().size()));
        if (inserted) {
            assert(m_mesh.Vertices().size() < 65535);
            m_mesh.Vertices().push_back(stored);
        }
        return it->second;
    }

    void Triangle(uint16_t a, uint16_t b, uint16_t c)
    {
        const std::vector<ThvTexVertexNormal>& v = m_mesh.Vertices();
        const ThvVector pa = Position(v[a]);
        const ThvVector cross = hvVectorCrossProduct(
            hvVectorSubtract(Position(v[b]), pa), hvVectorSubtract(Position(v[c]), pa));
        const ThvVector normal { v[a].NX + v[b].NX + v[c].NX, v[a].NY + v[b].NY + v[c].NY,
            v[a].NZ + v[b].NZ + v[c].NZ, 0 };
        if (hvVectorDotProduct(cross, normal) > 0)
            std::swap(b, c);
        m_mesh.Indices().insert(m_mesh.Indices().end(), { a, b, c });
    }

    /// A triangle of a wrapped texture: when it spans more than half the texture, it lies
    /// across the seam, and its corners beyond the middle come back by one turn.
    void Triangle(Vertex a, Vertex b, Vertex c, bool wrapped)
    {
        if (wrapped) {
            const double low = std::min({ a.tu, b.tu, c.tu });
            const double high = std::max({ a.tu, b.tu, c.tu });
            if (high - low > 0.5) {
                for (Vertex* v : { &a, &b, &c }) {
                    if (v->tu > 0.5)
                        v->tu -= 1;
                }
            }
        }
        Triangle(Add(a), Add(b), Add(c));
    }

    /// Corners in order around the quad.
    void Quad(const Vertex& a, const Vertex& b, const Vertex& c, const Vertex& d, bool wrapped)
    {
        Triangle(a, b, c, wrapped);
        Triangle(a, c, d, wrapped);
    }

private:
    /// Single precision, with the rounding noise around zero (cos 90 degrees) made an exact,
    /// positive zero so that equal vertices compare equal.
    static float Snap(double value) { return std::fabs(value) < 1e-7 ? 0.0f : static_cast<float>(value); }
    static ThvVector Position(const ThvTexVertexNormal& v) { return { v.X, v.Y, v.Z, 1 }; }

    ThvMeshData& m_mesh;
    std::map<std::array<uint32_t, 8>, uint16_t> m_known;
};

/// A grid of `across` x `along` cells over the parameters u, v in 0..1, vertex by `at`.
template <class At> void Grid(MeshBuilder& builder, int across, int along, At at)
{
    for (int j = 0; j < along; ++j) {
        for (int i = 0; i < across; ++i) {
            const double u0 = double(i) / across, u1 = double(i + 1) / across;
            const double v0 = double(j) / along, v1 = double(j + 1) / along;
            builder.Quad(at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1), false);
        }
    }
}

/// 0.5 + azimuth / 360 degrees, the azimuth from +X towards +Y: 0.5 at +X, 0 (not 1) on -X.
double SphereTu(double x, double y)
{
    const double tu = 0.5 + std::atan2(y, x) / (2 * kPi);
    return tu >= 1 - 1e-9 ? tu - 1 : tu;
}

} // namespace

namespace scene3d {

void BuildPlaneMesh(ThvMeshData& mesh)
{
    constexpr int kCells = 10;
    constexpr int kSide = kCells + 1;
    MeshBuilder builder(mesh);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            const double x = double(c) / kCells - 0.5;
            const double y = double(r) / kCells - 0.5;
            builder.Add(MakeVertex(x, y, -0.5, 0, 0, 1, x + 0.5, 0.5 - y));
        }
    }
    auto v = [](int r, int c) { return static_cast<uint16_t>(r * kSide + c); };
    for (int r = 0; r < kCells; ++r) {
        for (int c = 0; c < kCells; ++c) {
            builder.Triangle(v(r + 1, c), v(r + 1, c + 1), v(r, c));
            builder.Triangle(v(r, c + 1), v(r, c), v(r + 1, c + 1));
        }
    }
}

void BuildCubeMesh(ThvMeshData& mesh)
{
    constexpr int kAcross = 6; // cells across every face
    constexpr int kAlongZ = 7; // cells along Z on the side faces
    MeshBuilder builder(mesh);
    // u and v run 0..1 over a face; each face has its own normal and texture projection.
    Grid(builder, kAcross, kAcross, [](double u, double v) {
        const double x = u - 0.5, y = v - 0.5;
        return MakeVertex(x, y, -0.5, 0, 0, -1, 0.5 - x, 0.5 - y);
    });
    Grid(builder, kAcross, kAcross, [](double u, double v) {
        const double x = u - 0.5, y = v - 0.5;
        return MakeVertex(x, y, 0.5, 0, 0, 1, x + 0.5, 0.5 - y);
    });
    Grid(builder, kAcross, kAlongZ, [](double u, double v) {
        const double x = u - 0.5, z = v - 0.5;
        return MakeVertex(x, -0.5, z, 0, -1, 0, x + 0.5, 0.5 - z);
    });
    Grid(builder, kAcross, kAlongZ, [](double u, double v) {
        const double y = u - 0.5, z = v - 0.5;
        return MakeVertex(0.5, y, z, 1, 0, 0, y + 0.5, 0.5 - z);
    });
    Grid(builder, kAcross, kAlongZ, [](double u, double v) {
        const double x = u - 0.5, z = v - 0.5;
        return MakeVertex(x, 0.5, z, 0, 1, 0, 0.5 - x, 0.5 - z);
    });
    Grid(builder, kAcross, kAlongZ, [](double u, double v) {
        const double y = u - 0.5, z = v - 0.5;
        return MakeVertex(-0.5, y, z, -1, 0, 0, 0.5 - y, 0.5 - z);
    });
}

void BuildSphereMesh(ThvMeshData& mesh)
{
    constexpr int kFrequency = 6;
    constexpr double kRadius = 0.5;
    constexpr int kTop = 0;
    constexpr int kBottom = 11;

    // The icosahedron on the unit sphere: the poles, the upper ring from +X, the lower ring
    // turned half a step.
    std::array<std::array<double, 3>, 12> corners {};
    corners[kTop] = { 0, 0, 1 };
    corners[kBottom] = { 0, 0, -1 };
    const double ringRadius = 2 / std::sqrt(5.0);
    const double ringZ = 1 / std::sqrt(5.0);
    for (int k = 0; k < 5; ++k) {
        const double upper = Radians(72.0 * k);
        const double lower = Radians(36.0 + 72.0 * k);
        corners[1 + static_cast<size_t>(k)]
            = { ringRadius * std::cos(upper), ringRadius * std::sin(upper), ringZ };
        corners[6 + static_cast<size_t>(k)]
            = { ringRadius * std::cos(lower), ringRadius * std::sin(lower), -ringZ };
    }
    std::vector<std::array<int, 3>> faces;
    for (int k = 0; k < 5; ++k) {
        const int u0 = 1 + k, u1 = 1 + (k + 1) % 5;
        const int l0 = 6 + k, l1 = 6 + (k + 1) % 5;
        faces.push_back({ kTop, u0, u1 });
        faces.push_back({ u0, l0, u1 });
        faces.push_back({ l0, l1, u1 });
        faces.push_back({ kBottom, l1, l0 });
    }

    MeshBuilder builder(mesh);
    for (const std::array<int, 3>& face : faces) {
        // The face's middle gives the poles their TU.
        double mx = 0, my = 0;
        for (int corner : face) {
            mx += corners[static_cast<size_t>(corner)][0];
            my += corners[static_cast<size_t>(corner)][1];
        }
        const double middleTu = SphereTu(mx, my);

        // The point with `i` and `j` steps towards the second and third corners. Summed over
        // the corners in index order, so that a point on an edge comes out bit for bit the
        // same from both faces that share it.
        auto point = [&](int i, int j) {
            std::array<std::pair<int, int>, 3> weights { { { face[0], kFrequency - i - j }, { face[1], i },
                { face[2], j } } };
            std::sort(weights.begin(), weights.end());
            double x = 0, y = 0, z = 0;
            int pole = -1;
            for (const auto& [corner, weight] : weights) {
                if (weight == 0)
                    continue;
                const std::array<double, 3>& c = corners[static_cast<size_t>(corner)];
                x += weight * c[0];
                y += weight * c[1];
                z += weight * c[2];
                if (weight == kFrequency && (corner == kTop || corner == kBottom))
                    pole = corner;
            }
            const double length = std::sqrt(x * x + y * y + z * z);
            x /= length;
            y /= length;
            z /= length;
            const double tv = std::acos(std::clamp(z, -1.0, 1.0)) / kPi;
            const double tu = pole >= 0 ? middleTu : SphereTu(x, y);
            return MakeVertex(kRadius * x, kRadius * y, kRadius * z, x, y, z, tu, tv);
        };

        for (int i = 0; i < kFrequency; ++i) {
            for (int j = 0; i + j < kFrequency; ++j) {
                builder.Triangle(point(i, j), point(i + 1, j), point(i, j + 1), true);
                if (i + j < kFrequency - 1)
                    builder.Triangle(point(i + 1, j), point(i + 1, j + 1), point(i, j + 1), true);
            }
        }
    }
}

void BuildCylinderMesh(ThvMeshData& mesh)
{
    constexpr int kSides = 18;
    constexpr int kSegments = 5;
    // The cross-section is stretched along Y so that it, too, spans the unit box: its widest
    // points lie at 80 and 100 degrees.
    const double stretch = 1 / std::sin(Radians(80));

    auto ringPoint = [&](int k, double& y, double& z, double& tu) {
        const double t = Radians(20.0 * k);
        y = 0.5 * std::sin(t) * stretch;
        z = 0.5 * std::cos(t);
        tu = Frac(0.75 + 20.0 * k / 360.0);
    };
    auto side = [&](int ring, int k) {
        const double x = 0.5 - double(ring) / kSegments;
        double y = 0, z = 0, tu = 0;
        ringPoint(k % kSides, y, z, tu);
        return MakeVertex(x, y, z, 0, y, z, tu, x + 0.5);
    };
    auto cap = [&](int k, double x) {
        double y = 0, z = 0, tu = 0;
        ringPoint(k % kSides, y, z, tu);
        return MakeVertex(x, y, z, x, 0, 0, tu, x > 0 ? 1 : 0);
    };

    MeshBuilder builder(mesh);
    for (int ring = 0; ring < kSegments; ++ring) {
        for (int k = 0; k < kSides; ++k)
            builder.Quad(side(ring, k), side(ring, k + 1), side(ring + 1, k + 1), side(ring + 1, k), true);
    }
    for (const double x : { 0.5, -0.5 }) {
        const Vertex centre = MakeVertex(x, 0, 0, x, 0, 0, 0.5, x > 0 ? 1 : 0);
        for (int k = 0; k < kSides; ++k)
            builder.Triangle(centre, cap(k, x), cap(k + 1, x), true);
    }
}

void BuildConeMesh(ThvMeshData& mesh)
{
    constexpr int kSides = 20;
    constexpr int kRings = 4; // at X = -0.5, -0.25, 0, 0.25; the apex closes the last segment
    constexpr double kStep = 360.0 / kSides;

    // Angles from -Z towards +Y. The slope of the side tilts its normals towards the apex.
    auto side = [&](double x, double degrees) {
        const double t = Radians(degrees);
        const double radius = 0.5 * (0.5 - x);
        const double ey = std::sin(t), ez = -std::cos(t);
        return MakeVertex(x, radius * ey, radius * ez, 0.5, ey, ez, Frac(0.75 + degrees / 360.0), 0.5 - x);
    };
    auto ringX = [](int ring) { return -0.5 + 0.25 * ring; };

    MeshBuilder builder(mesh);
    for (int ring = 0; ring + 1 < kRings; ++ring) {
        for (int k = 0; k < kSides; ++k) {
            const double t0 = kStep * k, t1 = kStep * (k + 1);
            builder.Quad(side(ringX(ring), t0), side(ringX(ring), t1), side(ringX(ring + 1), t1),
                side(ringX(ring + 1), t0), true);
        }
    }
    for (int k = 0; k < kSides; ++k) {
        const double t0 = kStep * k, t1 = kStep * (k + 1);
        // The apex, once per side, with the normal and TU of the side's middle.
        Vertex apex = side(0.5, t0 + kStep / 2);
        builder.Triangle(side(ringX(kRings - 1), t0), side(ringX(kRings - 1), t1), apex, true);
    }
    const Vertex centre = MakeVertex(-0.5, 0, 0, -1, 0, 0, 0.5, 1);
    for (int k = 0; k < kSides; ++k) {
        Vertex a = side(-0.5, kStep * k);
        Vertex b = side(-0.5, kStep * (k + 1));
        for (Vertex* v : { &a, &b }) {
            v->nx = -1;
            v->ny = 0;
            v->nz = 0;
        }
        builder.Triangle(centre, a, b, true);
    }
}

void BuildRoundCubeMesh(ThvMeshData& mesh)
{
    constexpr double kRadius = 0.08;
    constexpr double kFlat = 0.5 - kRadius; // the flat parts span -kFlat .. kFlat
    constexpr int kArcSegments = 3; // of 30 degrees each
    constexpr int kArcPoints = kArcSegments + 1;
    constexpr int kRingPoints = 4 * kArcPoints;
    // The band's texture advances with the outline's length, one unit of texture for this
    // length: the outline (four flat sides, twelve arc chords) and the radius once a side more.
    // Three sides and four arcs so reach 0.7223, and the last flat side (+Y) stretches to 1 to
    // close the wrap.
    constexpr double kBandLength = 4 * (2 * kFlat + kRadius) + 12 * (2 * kRadius * 0.25881904510252074);

    // The corners in the band's order, starting at (-kFlat, 0.5) and going towards -X: each
    // corner's centre and the angle its arc starts at.
    struct Corner {
        double x, y, startDegrees;
    };
    constexpr Corner kCorners[]
        = { { -kFlat, kFlat, 90 }, { -kFlat, -kFlat, 180 }, { kFlat, -kFlat, 270 }, { kFlat, kFlat, 360 } };

    // Point p (0..15) of the outline at height angle `a` (0 at the band, 90 on the flat top),
    // on the side `sign` (+1 top, -1 bottom), projected from above or below.
    auto rim = [&](int p, double aDegrees, double sign) {
        const Corner& corner = kCorners[p / kArcPoints];
        const double phi = Radians(corner.startDegrees + 30.0 * (p % kArcPoints));
        const double a = Radians(aDegrees);
        const double spread = kRadius * std::cos(a);
        const double x = corner.x + spread * std::cos(phi);
        const double y = corner.y + spread * std::sin(phi);
        const double z = sign * (kFlat + kRadius * std::sin(a));
        return MakeVertex(x, y, z, std::cos(a) * std::cos(phi), std::cos(a) * std::sin(phi),
            sign * std::sin(a), x + 0.5, 0.5 - sign * y);
    };
    auto top = [&](int corner, double sign) {
        const Corner& c = kCorners[corner];
        return MakeVertex(c.x, c.y, sign * 0.5, 0, 0, sign, c.x + 0.5, 0.5 - sign * c.y);
    };

    MeshBuilder builder(mesh);
    for (const double sign : { 1.0, -1.0 }) {
        // Flat top (or bottom).
        builder.Quad(top(0, sign), top(1, sign), top(2, sign), top(3, sign), false);
        // Two full rows of the rim.
        for (int row = 0; row < 2; ++row) {
            const double a0 = 30.0 * row, a1 = 30.0 * (row + 1);
            for (int p = 0; p < kRingPoints; ++p) {
                const int q = (p + 1) % kRingPoints;
                builder.Quad(rim(p, a0, sign), rim(q, a0, sign), rim(q, a1, sign), rim(p, a1, sign), false);
            }
        }
        // The last row meets the flat square: a fan at each corner, a quad along each edge.
        for (int p = 0; p < kRingPoints; ++p) {
            const int q = (p + 1) % kRingPoints;
            const int corner = p / kArcPoints;
            if (p % kArcPoints < kArcSegments)
                builder.Triangle(rim(p, 60, sign), rim(q, 60, sign), top(corner, sign), false);
            else
                builder.Quad(
                    rim(p, 60, sign), rim(q, 60, sign), top(q / kArcPoints, sign), top(corner, sign), false);
        }
    }

    // The band: one row of quads between Z = kFlat and -kFlat, its texture wrapping once.
    std::vector<double> tu(kRingPoints + 1);
    const double arcStep = 2 * kRadius * std::sin(Radians(15)) / kBandLength;
    const double faceStep = 2 * kFlat / kBandLength;
    for (int p = 1; p < kRingPoints; ++p)
        tu[static_cast<size_t>(p)]
            = tu[static_cast<size_t>(p - 1)] + (p % kArcPoints == 0 ? faceStep : arcStep);
    tu[kRingPoints] = 1;
    auto band = [&](int p, double sign) {
        Vertex v = rim(p % kRingPoints, 0, sign);
        v.tu = tu[static_cast<size_t>(p)];
        v.tv = sign > 0 ? 0 : 1;
        return v;
    };
    for (int p = 0; p < kRingPoints; ++p)
        builder.Quad(band(p, 1), band(p + 1, 1), band(p + 1, -1), band(p, -1), false);
}

} // namespace scene3d
