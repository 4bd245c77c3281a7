#pragma once

#include "scene3d/Forward.h"

// The meshes of the built-in primitives, in unit coordinates: every position lies in the box
// -0.5 .. 0.5 and every mesh but the plane's reaches both ends of each axis. Normals point out
// of the solid (unit length); each triangle (a, b, c) winds so that (b - a) x (c - a) points
// into it. Where a wrapped texture closes, the vertices of the triangles across the seam are
// repeated with TU - 1, so interpolation never runs back across the whole texture.
//
// Each builder replaces the mesh's arrays without notifying anyone and marks it Changed.
namespace scene3d {

/// 10 x 10 cells in the plane Z = -0.5, normal +Z; TU = X + 0.5, TV = 0.5 - Y.
/// 121 vertices, 200 triangles, cell by cell in rows: cell (r, c) is
/// (v(r+1, c), v(r+1, c+1), v(r, c)) and (v(r, c+1), v(r, c), v(r+1, c+1)), v(r, c) = 11r + c.
void BuildPlaneMesh(ThvMeshData& mesh);

/// A box of 6 x 6 cells on each Z face and 6 across by 7 along Z on each side face; the faces
/// share no vertices. Each face has its own texture projection (TU growing around the sides
/// -Y, +X, +Y, -X, TV 0 at their +Z edge). 322 vertices, 480 triangles.
void BuildCubeMesh(ThvMeshData& mesh);

/// A geodesic sphere of radius 0.5: an icosahedron with poles on the Z axis and its upper
/// ring starting at +X, each face cut into 36 triangles (six segments an edge) pushed onto the
/// sphere: 362 points, 720 triangles. TV = polar angle from +Z / 180 degrees, TU = 0.5 +
/// azimuth from +X towards +Y / 360 degrees, the seam on -X; each pole is repeated for each of
/// its five faces with the TU of that face's middle.
void BuildSphereMesh(ThvMeshData& mesh);

/// A cylinder along X: 18 sides, 5 segments between rings at X = 0.5 .. -0.5, the cross
/// section stretched along Y to span the unit box, and a cap of 18 triangles at each end.
/// Side TU = 0.75 + angle from +Z towards +Y / 360 degrees (wrapped), TV = X + 0.5; the caps
/// take the ring's TU and TV 1 (+X) or 0 (-X). 216 triangles.
void BuildCylinderMesh(ThvMeshData& mesh);

/// A cone along X: base of radius 0.5 at X = -0.5, apex at (0.5, 0, 0); 20 sides, rings at
/// X = -0.5, -0.25, 0, 0.25 and a last segment to the apex, which is repeated for each side;
/// a base of 20 triangles. Side TU = 0.75 + angle from -Z towards +Y / 360 degrees (wrapped),
/// TV = 0.5 - X. 160 triangles, every one with an area.
void BuildConeMesh(ThvMeshData& mesh);

/// The unit box with its twelve edges and eight corners rounded by 0.08 in three segments of
/// 30 degrees: one square of two triangles on top and below, three rows of rim above Z = 0.42
/// and below -0.42 (projected from above and from below), and a band of 16 quads around the
/// sides whose texture wraps once, starting at (-0.42, 0.5) towards -X. 204 triangles.
void BuildRoundCubeMesh(ThvMeshData& mesh);

} // namespace scene3d
