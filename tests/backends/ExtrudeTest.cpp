#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvShape3D.h"

#include "graphics/TwzPathData.h"

#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

using namespace backendtest;

namespace {

constexpr TwzPoint kEnd = TwzPathData::kFigureEnd;

/// A closed rectangle as the path builders flatten it: four corners, the start again and the
/// figure end; clockwise on screen (y down) unless asked otherwise.
TwzPolygon Rectangle(float x0, float y0, float x1, float y1, bool clockwise = true)
{
    if (clockwise)
        return { { x0, y0 }, { x1, y0 }, { x1, y1 }, { x0, y1 }, { x0, y0 }, kEnd };
    return { { x0, y0 }, { x0, y1 }, { x1, y1 }, { x1, y0 }, { x0, y0 }, kEnd };
}

TwzPolygon Join(TwzPolygon a, const TwzPolygon& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

/// An open zigzag of `count` points with some width and height.
TwzPolygon Zigzag(size_t count)
{
    TwzPolygon points(count);
    for (size_t i = 0; i < count; ++i)
        points[i] = { static_cast<float>(i), static_cast<float>(i % 2) };
    return points;
}

/// Figures of two points each, closed by a figure end: (x, 0), (x, 1), end, ...
TwzPolygon ShortFigures(size_t count)
{
    TwzPolygon points(count);
    for (size_t i = 0; i < count; ++i)
        points[i] = i % 3 == 2 ? kEnd : TwzPoint { static_cast<float>(i / 3), static_cast<float>(i % 3) };
    return points;
}

/// The render states the device had at each draw, replayed from the call log.
std::vector<std::map<std::string, std::string>> StatesAtDraws(const Recorder& recorder)
{
    std::vector<std::map<std::string, std::string>> result;
    std::map<std::string, std::string> states;
    const std::string set = ".SetRenderState(";
    for (const std::string& call : recorder.Calls()) {
        const size_t at = call.find(set);
        if (at != std::string::npos) {
            const size_t start = at + set.size();
            const size_t comma = call.find(", ", start);
            const size_t close = call.find(')', comma);
            states[call.substr(start, comma - start)] = call.substr(comma + 2, close - comma - 2);
        } else if (call.find(".DrawIndexedPrimitive(") != std::string::npos) {
            result.push_back(states);
        }
    }
    return result;
}

::testing::AssertionResult At(const RecordedVertex& v, float x, float y, float z)
{
    if (std::fabs(v.X - x) < 1e-4f && std::fabs(v.Y - y) < 1e-4f && std::fabs(v.Z - z) < 1e-4f)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "(" << v.X << ", " << v.Y << ", " << v.Z << ") is not (" << x << ", " << y << ", " << z << ")";
}

// The extrusion over the recording device: the draws it makes, their data and the states
// around them.
class ExtrudeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_runtime = StartRecording();
        m_canvas = MakeWindowCanvas(64, 48);
        // The camera 40 units away, so every box the tests fill lies within the window: the
        // canvas sends nothing that lies beyond its edges.
        ASSERT_TRUE(BeginFrame(*m_canvas, 0xFF000000, false, Translation(0, 0, -40)));
        UseColor(*m_canvas, 0xFFFFFFFF);
        Log().ClearCalls();
        Log().ClearDraws();
    }

    Recorder& Log() { return m_runtime->GetRecorder(); }
    ThvDirectXCanvas& Canvas() { return *m_canvas; }
    RecordingDevice& Device() { return Recording(*m_canvas); }
    const std::vector<RecordedDraw>& Draws() { return Log().Draws(); }

    /// Extrudes into the box of 10 x 10 x 2 around the origin.
    void Fill(const TwzPolygon& points, bool front, bool back, bool left, const TwzRect& rect = {})
    {
        Canvas().FillPolygon({ 0, 0, 0, 1 }, { 10, 10, 2, 1 }, rect, points, 1, front, back, left);
    }

    ModuleGuard m_guard;
    std::shared_ptr<RecordingRuntime> m_runtime;
    CanvasPtr m_canvas;
};

} // namespace

TEST_F(ExtrudeTest, ACapIsFannedIntoTheStencilAndCoveredByTheBoxFace)
{
    Fill(Rectangle(0, 0, 1, 1), true, false, false);
    ASSERT_EQ(Draws().size(), 2u);

    // Fan from the first point; two of its five triangles have an area.
    const RecordedDraw& fan = Draws()[0];
    EXPECT_EQ(fan.NumVertices, 6u);
    EXPECT_EQ(fan.Indices, (std::vector<uint32_t> { 0, 1, 0, 0, 2, 1, 0, 3, 2, 0, 4, 3, 0, 5, 4 }));
    EXPECT_TRUE(At(fan.Vertex(0), -5, 5, 1));
    EXPECT_TRUE(At(fan.Vertex(1), 5, 5, 1));
    EXPECT_TRUE(At(fan.Vertex(2), 5, -5, 1));
    EXPECT_EQ(fan.Vertex(2).NZ, 1);

    // The cover quad spans the box face, its texture upright.
    const RecordedDraw& quad = Draws()[1];
    EXPECT_EQ(quad.NumVertices, 4u);
    EXPECT_EQ(quad.Indices, (std::vector<uint32_t> { 0, 3, 1, 1, 3, 2 }));
    const float corners[4][4] = { { -5, -5, 0, 1 }, { 5, -5, 1, 1 }, { 5, 5, 1, 0 }, { -5, 5, 0, 0 } };
    for (uint32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const RecordedVertex v = quad.Vertex(i);
        EXPECT_TRUE(At(v, corners[i][0], corners[i][1], 1));
        EXPECT_EQ(v.U, corners[i][2]);
        EXPECT_EQ(v.V, corners[i][3]);
        EXPECT_EQ(v.NZ, 1);
    }

    // The stencil is cleared before the fan flips it.
    const std::vector<std::string>& calls = Log().Calls();
    size_t clear = calls.size(), firstDraw = calls.size();
    for (size_t i = 0; i < calls.size(); ++i) {
        if (clear == calls.size() && calls[i].find(".Clear(0, nil, 0x4,") != std::string::npos)
            clear = i;
        if (firstDraw == calls.size() && calls[i].find(".DrawIndexedPrimitive(") != std::string::npos)
            firstDraw = i;
    }
    EXPECT_LT(clear, firstDraw) << Log().Log();

    const auto states = StatesAtDraws(Log());
    ASSERT_EQ(states.size(), 2u);
    const std::map<std::string, std::string> stencilPass = {
        { "D3DRS_STENCILENABLE", "1" },
        { "D3DRS_STENCILFUNC", "8" }, // always
        { "D3DRS_STENCILPASS", "6" }, // invert
        { "D3DRS_STENCILFAIL", "1" },
        { "D3DRS_STENCILZFAIL", "1" },
        { "D3DRS_COLORWRITEENABLE", "0" },
        { "D3DRS_ZWRITEENABLE", "0" },
        // A transparent texel must not keep a pixel from being counted.
        { "D3DRS_ALPHATESTENABLE", "0" },
    };
    const std::map<std::string, std::string> coverPass = {
        { "D3DRS_STENCILENABLE", "1" },
        { "D3DRS_STENCILFUNC", "6" }, // not equal
        { "D3DRS_STENCILPASS", "1" }, // keep
        { "D3DRS_COLORWRITEENABLE", "15" },
        { "D3DRS_ZWRITEENABLE", "1" },
        { "D3DRS_ALPHATESTENABLE", "1" },
    };
    for (const auto& [state, value] : stencilPass)
        EXPECT_EQ(states[0].at(state), value) << state;
    for (const auto& [state, value] : coverPass)
        EXPECT_EQ(states[1].at(state), value) << state;
    // The first cap of the scene counts in the first bit.
    EXPECT_EQ(states[0].at("D3DRS_STENCILWRITEMASK"), "1");
    EXPECT_EQ(states[1].at("D3DRS_STENCILMASK"), "1");
    EXPECT_EQ(states[1].at("D3DRS_STENCILREF"), "0");
}

TEST_F(ExtrudeTest, CapsCountInStencilBitsOfTheirOwnClearedOnceForEightCapsAndEveryScene)
{
    const auto clears = [&] { return CallsWith(Log(), ".Clear(0, nil, 0x4,").size(); };
    std::vector<std::string> bits;
    for (int cap = 0; cap < 9; ++cap) {
        Log().ClearCalls();
        Fill(Rectangle(0, 0, 1, 1), true, false, false);
        const auto states = StatesAtDraws(Log());
        ASSERT_EQ(states.size(), 2u);
        EXPECT_EQ(states[0].at("D3DRS_STENCILWRITEMASK"), states[1].at("D3DRS_STENCILMASK"));
        bits.push_back(states[0].at("D3DRS_STENCILWRITEMASK"));
        EXPECT_EQ(clears(), cap % 8 == 0 ? 1u : 0u) << cap;
    }
    EXPECT_EQ(bits, (std::vector<std::string> { "1", "2", "4", "8", "16", "32", "64", "128", "1" }));

    // A new scene clears before its first cap, whatever bits the last one used.
    Canvas().EndScene();
    ASSERT_TRUE(BeginFrame(Canvas(), 0xFF000000, false, Translation(0, 0, -40)));
    Log().ClearCalls();
    Fill(Rectangle(0, 0, 1, 1), false, true, false);
    EXPECT_EQ(clears(), 1u);
    EXPECT_EQ(StatesAtDraws(Log()).at(0).at("D3DRS_STENCILWRITEMASK"), "1");
}

TEST_F(ExtrudeTest, TheBackCapFacesBackwards)
{
    Fill(Rectangle(0, 0, 1, 1), false, true, false);
    ASSERT_EQ(Draws().size(), 2u);
    EXPECT_TRUE(At(Draws()[0].Vertex(1), 5, 5, -1));
    const RecordedDraw& quad = Draws()[1];
    EXPECT_EQ(quad.Indices, (std::vector<uint32_t> { 0, 1, 3, 1, 2, 3 }));
    EXPECT_TRUE(At(quad.Vertex(0), -5, -5, -1));
    EXPECT_EQ(quad.Vertex(0).NZ, -1);
    EXPECT_EQ(quad.Vertex(0).V, 1);
}

TEST_F(ExtrudeTest, TheCallLeavesTheStencilOffAndDepthWritingAsTheObjectAsked)
{
    struct Case {
        const char* name;
        ThvRenderState depthWrite;
        bool front, back, left;
        uint32_t expectedDepthWrite;
    };
    const Case cases[] = {
        { "front cap, depth writes on", hvStateZWriteOn, true, false, false, 1 },
        { "front cap, depth writes off", hvStateZWriteOff, true, false, false, 0 },
        { "back cap, depth writes off", hvStateZWriteOff, false, true, false, 0 },
        { "everything, depth writes off", hvStateZWriteOff, true, true, true, 0 },
        { "walls only, depth writes off", hvStateZWriteOff, false, false, true, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Canvas().SetState(c.depthWrite);
        Fill(Rectangle(0, 0, 1, 1), c.front, c.back, c.left);
        const DeviceState& s = Device().State();
        EXPECT_EQ(s.RenderState(D3DRS_ZWRITEENABLE), c.expectedDepthWrite);
        EXPECT_EQ(s.RenderState(D3DRS_STENCILENABLE), 0u);
        EXPECT_EQ(s.RenderState(D3DRS_COLORWRITEENABLE), 0xFu);
        EXPECT_EQ(s.RenderState(D3DRS_ALPHATESTENABLE), 1u);
        if (c.front || c.back) {
            EXPECT_EQ(s.RenderState(D3DRS_STENCILFUNC), uint32_t { D3DCMP_NOTEQUAL });
            EXPECT_EQ(s.RenderState(D3DRS_STENCILPASS), uint32_t { D3DSTENCILOP_KEEP });
        }
    }
}

TEST_F(ExtrudeTest, FacesAreDrawnFrontBackThenWalls)
{
    struct Case {
        const char* name;
        bool front, back, left;
        std::vector<uint32_t> vertexCounts; // of each draw: fan 6, quad 4, walls 12
    };
    const Case cases[] = {
        { "all three", true, true, true, { 6, 4, 6, 4, 12 } },
        { "front only", true, false, false, { 6, 4 } },
        { "back and walls", false, true, true, { 6, 4, 12 } },
        { "walls only", false, false, true, { 12 } },
        { "none", false, false, false, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        Fill(Rectangle(0, 0, 1, 1), c.front, c.back, c.left);
        std::vector<uint32_t> counts;
        for (const RecordedDraw& draw : Draws())
            counts.push_back(draw.NumVertices);
        EXPECT_EQ(counts, c.vertexCounts);
    }
}

TEST_F(ExtrudeTest, WallsOfARectangleRunAroundItAndFaceOutOfAClockwiseOutline)
{
    struct Case {
        const char* name;
        bool clockwise;
        float facing; // sign of the walls' normals against the outward direction
    };
    for (const Case& c : { Case { "clockwise on screen", true, 1 }, Case { "the other way", false, -1 } }) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        Fill(Rectangle(0, 0, 2, 1, c.clockwise), false, false, true);
        ASSERT_EQ(Draws().size(), 1u);
        const RecordedDraw& walls = Draws()[0];
        EXPECT_EQ(walls.NumVertices, 12u);
        ASSERT_EQ(walls.PrimitiveCount, 8u);

        // Texture: around the outline from 0 to 1 (the repeated start), front edge to back.
        EXPECT_EQ(walls.Vertex(0).U, 0);
        EXPECT_EQ(walls.Vertex(0).V, 0);
        EXPECT_FLOAT_EQ(walls.Vertex(1).U, c.clockwise ? 2.0f / 6 : 1.0f / 6);
        EXPECT_EQ(walls.Vertex(4).U, 1);
        EXPECT_EQ(walls.Vertex(10).U, 1);
        EXPECT_EQ(walls.Vertex(10).V, 1);
        EXPECT_TRUE(At(walls.Vertex(0), -5, 5, 1));
        EXPECT_TRUE(At(walls.Vertex(6), -5, 5, -1));

        // Each wall quad: its vertices' normals lean out of (or into) the box.
        for (size_t t = 0; t < walls.Indices.size(); t += 6) {
            ThvVector centre {}, normal {};
            for (size_t k = 0; k < 6; ++k) {
                const RecordedVertex v = walls.Vertex(walls.Indices[t + k]);
                centre = { centre.X + v.X / 6, centre.Y + v.Y / 6, centre.Z + v.Z / 6, 1 };
                normal = { normal.X + v.NX, normal.Y + v.NY, normal.Z + v.NZ, 0 };
            }
            const float outward = centre.X * normal.X + centre.Y * normal.Y;
            EXPECT_GT(c.facing * outward, 0) << "wall " << t / 6;
            EXPECT_NEAR(normal.Z, 0, 1e-5f);
        }
    }
}

TEST_F(ExtrudeTest, WallTextureRunsOnAcrossFiguresButNoWallCrossesTheirGap)
{
    const TwzPolygon points = Join(Rectangle(0, 0, 1, 1), Rectangle(3, 0, 4, 1));
    Fill(points, false, false, true);
    ASSERT_EQ(Draws().size(), 1u);
    const RecordedDraw& walls = Draws()[0];
    EXPECT_EQ(walls.PrimitiveCount, 16u);
    // The step from the first figure's closing point to the second's start counts: 4 + 3 + 4.
    EXPECT_FLOAT_EQ(walls.Vertex(6).U, 7.0f / 11);
    EXPECT_EQ(walls.Vertex(10).U, 1);
    float previous = 0;
    for (uint32_t i = 0; i < 12; ++i) {
        if (i == 5 || i == 11)
            continue;
        EXPECT_GE(walls.Vertex(i).U, previous) << i;
        previous = walls.Vertex(i).U;
    }
    for (uint32_t index : walls.Indices) {
        EXPECT_NE(index % 12, 5u);
        EXPECT_NE(index % 12, 11u);
    }
}

TEST_F(ExtrudeTest, OutlinesWithoutWidthOrHeightDrawNothing)
{
    struct Case {
        const char* name;
        TwzPolygon points;
        TwzRect rect;
        size_t draws;
    };
    const Case cases[] = {
        { "a horizontal line", { { 0, 2 }, { 5, 2 } }, {}, 0 },
        { "a vertical line", { { 1, 0 }, { 1, 5 } }, {}, 0 },
        { "one point", { { 1, 1 } }, {}, 0 },
        { "only figure ends", { kEnd, kEnd }, {}, 0 },
        { "no points", {}, {}, 0 },
        // A layout rectangle gives the line a face: the caps cover nothing but are drawn.
        { "a line inside a rectangle", { { 0, 2 }, { 5, 2 } }, { 0, 0, 5, 4 }, 5 },
        // Of no length and no area: no walls, even asked for, and no fans; only the quads.
        { "one point inside a rectangle", { { 1, 1 } }, { 0, 0, 5, 4 }, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        Fill(c.points, true, true, true, c.rect);
        EXPECT_EQ(Draws().size(), c.draws);
    }
}

TEST_F(ExtrudeTest, PolygonsArePlacedThroughTheirBoundsWidenedByTheRect)
{
    struct Case {
        const char* name;
        TwzRect rect;
        float x0, y0; // where the outline's first point lands
    };
    const Case cases[] = {
        { "own bounds", {}, -1, 3 },
        // (2, 3) in (0, 0, 8, 10): a quarter across, three tenths down.
        { "inside a larger rectangle", { 0, 0, 8, 10 }, 0, 2.4f },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        Canvas().FillPolygon(
            { 1, 2, 3, 1 }, { 4, 2, 6, 1 }, c.rect, Rectangle(2, 3, 6, 5), 1, true, false, false);
        ASSERT_EQ(Draws().size(), 2u);
        EXPECT_TRUE(At(Draws()[0].Vertex(0), c.x0, c.y0, 6));
        // The cover quad always spans the box face.
        EXPECT_TRUE(At(Draws()[1].Vertex(2), 3, 3, 6));
    }
}

TEST_F(ExtrudeTest, InPixelUnitsPointsSnapToPixelCentresWithoutFlipping)
{
    Canvas().SetState(hvStateScreenProjection);
    Canvas().FillPolygon({ 10, 20, 0, 1 }, { 5, 5, 2, 1 }, {}, Rectangle(0, 0, 3, 3), 1, true, false, true);
    ASSERT_EQ(Draws().size(), 3u);
    // u = 1/3 of 5 pixels rounds to 2.
    const TwzPolygon points = { { 1, 0 } };
    Log().ClearDraws();
    Canvas().FillPolygon(
        { 10, 20, 0, 1 }, { 5, 5, 2, 1 }, {}, Join(points, Rectangle(0, 0, 3, 3)), 1, true, false, true);
    ASSERT_EQ(Draws().size(), 3u);
    EXPECT_TRUE(At(Draws()[0].Vertex(0), 10, 18, 1));
    EXPECT_TRUE(At(Draws()[0].Vertex(2), 13, 18, 1));
    EXPECT_TRUE(At(Draws()[0].Vertex(3), 13, 23, 1));
    // The quad covers the snapped face, texture (0, 0) at its top-left pixel corner.
    const RecordedDraw& quad = Draws()[1];
    EXPECT_TRUE(At(quad.Vertex(3), 8, 18, 1));
    EXPECT_EQ(quad.Vertex(3).U, 0);
    EXPECT_EQ(quad.Vertex(3).V, 0);
    EXPECT_TRUE(At(quad.Vertex(1), 13, 23, 1));
    // The walls meet the caps.
    EXPECT_TRUE(At(Draws()[2].Vertex(3), 13, 23, 1));
}

TEST_F(ExtrudeTest, VerticesTakeTheMaterialColourWithItsAlphaTimesTheOpacity)
{
    UseColor(Canvas(), 0x80FF2000);
    Canvas().FillPolygon({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, {}, Rectangle(0, 0, 1, 1), 0.5f, true, true, true);
    ASSERT_EQ(Draws().size(), 5u);
    const uint32_t expected = hvColorOpacity(0x80FF2000, 0.5f);
    EXPECT_EQ(expected >> 24, 0x40u);
    for (const RecordedDraw& draw : Draws()) {
        for (uint32_t i : draw.Indices)
            ASSERT_EQ(draw.Vertex(i).Color, expected);
    }
}

TEST_F(ExtrudeTest, WhatDoesNotFitTheRingsIsDrawnInBatchesThatEachFitThem)
{
    // A fan of N points takes N vertices and 3 (N - 1) indices, walls 2 N vertices and 6
    // indices per step within a figure: the index ring binds first for both. What fits is
    // one draw; the rest follows in draws of consecutive points, a fan's batch carrying its
    // contour's first point ahead of them, a wall's batch sharing its first point with the
    // batch before.
    struct Case {
        const char* name;
        TwzPolygon points;
        bool front, left;
        std::vector<uint32_t> vertexCounts;
        uint32_t triangles; // fans, cover quads and walls together
    };
    const Case cases[] = {
        { "a fan that fills the index ring", Zigzag(43691), true, false, { 43691, 4 }, 43690 + 2 },
        { "a fan of one point more", Zigzag(43692), true, false, { 43691, 3, 4 }, 43691 + 2 },
        { "walls that fill the index ring", Zigzag(21846), false, true, { 43692 }, 2 * 21845 },
        { "walls of one point more", Zigzag(21847), false, true, { 43692, 4 }, 2 * 21846 },
        { "short figures whose walls fill the vertex ring", ShortFigures(32767), false, true, { 65534 },
            2 * 10922 },
        { "short figures of one point more", ShortFigures(32768), false, true, { 65530, 4 }, 2 * 10923 },
        { "a cap and walls too large for one draw", Zigzag(30000), true, true, { 30000, 4, 43692, 16310 },
            29999 + 2 + 2 * 29999 },
        { "a fan and walls too large for one draw", Zigzag(43692), true, true,
            { 43691, 3, 4, 43692, 43692, 4 }, 43691 + 2 + 2 * 43691 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        Canvas().FillPolygon({ 0, 0, 0, 1 }, { 1, 1, 1, 1 }, {}, c.points, 1, c.front, false, c.left);
        std::vector<uint32_t> counts;
        uint32_t triangles = 0;
        for (const RecordedDraw& draw : Draws()) {
            counts.push_back(draw.NumVertices);
            triangles += draw.PrimitiveCount;
            EXPECT_LE(draw.NumVertices, 65535u);
            EXPECT_LE(3 * draw.PrimitiveCount, 131070u);
        }
        EXPECT_EQ(counts, c.vertexCounts);
        EXPECT_EQ(triangles, c.triangles);
    }
}

TEST_F(ExtrudeTest, WithoutBuffersOfItsOwnAnExtrusionStreamsThroughTheRingsAndAFailedLockSkipsOnlyItsDraw)
{
    Log().Script("CreateVertexBuffer", { D3DERR_OUTOFVIDEOMEMORY });
    Log().Script("VertexBuffer1.Lock", { D3DERR_INVALIDCALL });
    Fill(Rectangle(0, 0, 1, 1), true, true, true);
    std::vector<uint32_t> counts;
    for (const RecordedDraw& draw : Draws())
        counts.push_back(draw.NumVertices);
    // The front fan is lost, so its quad covers nothing; the rest is drawn.
    EXPECT_EQ(counts, (std::vector<uint32_t> { 4, 6, 4, 12 }));
    EXPECT_EQ(Device().State().RenderState(D3DRS_STENCILENABLE), 0u);

    // Drawn again, it streams every draw through the rings, each advancing them by what it
    // wrote: fans 6 vertices and 15 indices, quads 4 and 6, walls 12 and 24.
    Log().ClearDraws();
    const uint32_t vertexPos = Canvas().GetVertexPos();
    const uint32_t indexPos = Canvas().GetIndexPos();
    Fill(Rectangle(0, 0, 1, 1), true, true, true);
    EXPECT_EQ(Draws().size(), 5u);
    EXPECT_EQ(Canvas().GetVertexPos() - vertexPos, (6 + 4 + 6 + 4 + 12) * 36u);
    EXPECT_EQ(Canvas().GetIndexPos() - indexPos, (15 + 6 + 15 + 6 + 24) * 2u);
    EXPECT_EQ(Canvas().GetExtrusionBuilds(), 1u);
}

TEST_F(ExtrudeTest, AnExtrusionIsBuiltOnceAndDrawnAgainFromItsOwnBuffersUntilWhatItIsMadeOfChanges)
{
    const auto drawn = [&] {
        std::vector<std::pair<std::vector<uint32_t>, std::vector<uint8_t>>> draws;
        for (const RecordedDraw& draw : Draws())
            draws.emplace_back(draw.Indices, draw.Vertices);
        return draws;
    };
    struct Case {
        const char* name;
        std::function<void()> fill;
    };
    const TwzPolygon square = Rectangle(0, 0, 1, 1);
    const Case cases[] = {
        { "the first call", [&] { Fill(square, true, true, true); } },
        { "a point moved", [&] { Fill(Rectangle(0, 0, 1, 2), true, true, true); } },
        { "another rect",
            [&] {
                Fill(square, true, true, true, { -1, -1, 2, 2 });
            } },
        { "another box centre",
            [&] {
                Canvas().FillPolygon({ 1, 0, 0, 1 }, { 10, 10, 2, 1 }, {}, square, 1, true, true, true);
            } },
        { "another box depth",
            [&] {
                Canvas().FillPolygon({ 0, 0, 0, 1 }, { 10, 10, 3, 1 }, {}, square, 1, true, true, true);
            } },
        { "another opacity",
            [&] {
                Canvas().FillPolygon({ 0, 0, 0, 1 }, { 10, 10, 2, 1 }, {}, square, 0.5f, true, true, true);
            } },
        { "another colour",
            [&] {
                UseColor(Canvas(), 0xFF00FF00);
                Fill(square, true, true, true);
            } },
        { "the front alone", [&] { Fill(square, true, false, false); } },
        { "the walls alone", [&] { Fill(square, false, false, true); } },
        { "in pixel units",
            [&] {
                Canvas().SetState(hvStateScreenProjection);
                Fill(square, true, true, true);
            } },
    };
    size_t builds = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        c.fill();
        EXPECT_EQ(Canvas().GetExtrusionBuilds(), ++builds);
        const auto first = drawn();
        EXPECT_FALSE(first.empty());

        // Drawn again: nothing built, nothing streamed, the same draws.
        Log().ClearDraws();
        const uint32_t vertexPos = Canvas().GetVertexPos();
        const uint32_t indexPos = Canvas().GetIndexPos();
        c.fill();
        EXPECT_EQ(Canvas().GetExtrusionBuilds(), builds);
        EXPECT_EQ(Canvas().GetVertexPos(), vertexPos);
        EXPECT_EQ(Canvas().GetIndexPos(), indexPos);
        EXPECT_EQ(drawn(), first);
    }
}

TEST_F(ExtrudeTest, ExtrusionsNoSceneDrewLatelyAreDropped)
{
    const TwzPolygon a = Rectangle(0, 0, 1, 1), b = Rectangle(0, 0, 2, 1), c = Rectangle(0, 0, 1, 2);
    Fill(a, true, false, false);
    for (int scene = 0; scene < 6; ++scene) {
        Canvas().EndScene();
        ASSERT_TRUE(BeginFrame(Canvas(), 0xFF000000, false, Translation(0, 0, -40)));
        UseColor(Canvas(), 0xFFFFFFFF);
        Fill(b, true, false, false);
    }
    EXPECT_EQ(Canvas().GetKeptExtrusionCount(), 2u) << "nothing was built since";
    Fill(c, true, false, false);
    EXPECT_EQ(Canvas().GetKeptExtrusionCount(), 2u) << "b and c";
    EXPECT_EQ(Canvas().GetExtrusionBuilds(), 3u);
    Fill(a, true, false, false);
    EXPECT_EQ(Canvas().GetExtrusionBuilds(), 4u);
}

TEST_F(ExtrudeTest, TheFanIsDrawnUnlitAndTheFacesAsTheObjectChose)
{
    struct Case {
        ThvRenderState lighting;
        const char* lit;
    };
    for (const Case& c : { Case { hvStateLightingOn, "1" }, Case { hvStateLightingOff, "0" } }) {
        SCOPED_TRACE(c.lit);
        Canvas().SetState(c.lighting);
        Log().ClearCalls();
        Fill(Rectangle(0, 0, 1, 1), true, false, true);
        const auto states = StatesAtDraws(Log());
        ASSERT_EQ(states.size(), 3u);
        EXPECT_EQ(states[0].at("D3DRS_LIGHTING"), "0") << "the fan";
        EXPECT_EQ(states[1].at("D3DRS_LIGHTING"), c.lit) << "the cover";
        EXPECT_EQ(states[2].at("D3DRS_LIGHTING"), c.lit) << "the walls";
        EXPECT_EQ(Device().State().RenderState(D3DRS_LIGHTING), c.lit[0] == '1' ? 1u : 0u);
    }
}

TEST(ExtrudeOutline, LengthCountsTheStepsBetweenFiguresButNotTheFigureEnds)
{
    struct Case {
        const char* name;
        TwzPolygon points;
        float length;
    };
    const Case cases[] = {
        { "nothing", {}, 0 },
        { "one point", { { 3, 4 } }, 0 },
        { "a closed square", Rectangle(0, 0, 1, 1), 4 },
        { "two squares three apart", Join(Rectangle(0, 0, 1, 1), Rectangle(3, 0, 4, 1)), 11 },
        { "an open figure running into the next", { { 0, 0 }, { 3, 4 }, { 3, 0 } }, 9 },
        { "figure ends in a row", { { 0, 0 }, kEnd, kEnd, { 0, 2 } }, 2 },
        { "a figure end first", { kEnd, { 0, 0 }, { 0, 2 } }, 2 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(scene3d::OutlineLength(c.points), c.length);
    }
}

namespace {

/// Ten square contours of 600 points each, side by side along x: contour k spans
/// [64 k + 8, 64 k + 56] x [8, 40].
TwzPolygon TenRings()
{
    TwzPolygon points;
    for (int k = 0; k < 10; ++k) {
        const float x0 = static_cast<float>(64 * k + 8), x1 = x0 + 48, y0 = 8, y1 = 40;
        const TwzPoint corners[5] = { { x0, y0 }, { x1, y0 }, { x1, y1 }, { x0, y1 }, { x0, y0 } };
        for (int side = 0; side < 4; ++side) {
            for (int n = 0; n < 150; ++n) {
                const float t = static_cast<float>(n) / 150;
                points.push_back({ corners[side].X + t * (corners[side + 1].X - corners[side].X),
                    corners[side].Y + t * (corners[side + 1].Y - corners[side].Y) });
            }
        }
        points.push_back({ x0, y0 });
        points.push_back(kEnd);
    }
    return points;
}

} // namespace

TEST_F(ExtrudeTest, OnlyTheContoursThatReachTheTargetAreSent)
{
    // In pixel units the 64 x 48 window shows the first of ten rings laid side by side over
    // 640 pixels: the faces are sent in draws of neighbouring contours, and only the draws
    // that reach the window go to the device.
    Canvas().SetState(hvStateScreenProjection);
    const TwzPolygon rings = TenRings();
    struct Case {
        const char* name;
        float centerX, width;
        size_t draws; // front fan, front cover, back fan, back cover, walls; all or nothing
        bool all; // every triangle sent
    };
    const Case cases[] = {
        { "within the window", 32, 60, 5, true },
        { "reaching far beyond its right edge", 320, 640, 5, false },
        { "beyond its right edge", 1000, 640, 0, false },
        { "beyond its left edge", -400, 640, 0, false },
    };
    uint32_t allTriangles = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Log().ClearDraws();
        Canvas().FillPolygon({ c.centerX, 24, 0, 1 }, { c.width, 48, 2, 1 }, {}, rings, 1, true, true, true);
        ASSERT_EQ(Draws().size(), c.draws);
        uint32_t triangles = 0;
        for (size_t d = 0; d < Draws().size(); ++d) {
            const RecordedDraw& draw = Draws()[d];
            triangles += draw.PrimitiveCount;
            if (c.all || d == 1 || d == 3)
                continue; // the covers span the whole box
            // Every triangle sent reaches near the window: the first draw of each face holds
            // the first two rings, which end at x 113.
            for (size_t i = 0; i < draw.Indices.size(); i += 3) {
                float left = 1e9f;
                for (size_t k = 0; k < 3; ++k)
                    left = std::min(left, draw.Vertex(draw.Indices[i + k]).X);
                ASSERT_LT(left, 120) << "draw " << d << ", triangle " << i / 3;
            }
        }
        if (c.all) {
            allTriangles = triangles;
        } else if (c.draws > 0) {
            EXPECT_LT(4 * triangles, allTriangles) << "two of the ten rings are sent";
        }
    }
    EXPECT_EQ(Canvas().GetExtrusionBuilds(), 4u) << "what is not sent is built all the same";
}

TEST_F(ExtrudeTest, AKeptOutlineIsKnownByItsStampAndAnyOtherByItsPoints)
{
    const ThvOutlineStamp first = hvNewOutlineStamp();
    const ThvOutlineStamp second = hvNewOutlineStamp();
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    const TwzPolygon square = Rectangle(0, 0, 1, 1);
    const auto fill = [&](ThvOutlineStamp stamp, const TwzPolygon& points) {
        Canvas().FillKeptPolygon(stamp, { 0, 0, 0, 1 }, { 10, 10, 2, 1 }, {}, points, 1, true, true, true);
    };
    struct Step {
        const char* name;
        ThvOutlineStamp stamp;
        TwzPolygon points;
        size_t builds;
    };
    const Step steps[] = {
        { "a stamped outline", first, square, 1 },
        { "the same stamp", first, square, 1 },
        { "the same stamp, its owner's copy of the points", first, TwzPolygon(square), 1 },
        { "a new stamp for the same points", second, square, 2 },
        { "the same points without a stamp", 0, square, 3 },
        { "and again without one", 0, square, 3 },
        { "other points without a stamp", 0, Rectangle(0, 0, 2, 1), 4 },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Log().ClearDraws();
        fill(step.stamp, step.points);
        EXPECT_EQ(Canvas().GetExtrusionBuilds(), step.builds);
        EXPECT_EQ(Draws().size(), 5u);
    }
}
