#include "graphics/TwzPathData.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Properties.h"
#include "tests/graphics/FakeResources.h"
#include "tests/graphics/Printers.h"
#include "tests/graphics/StreamHelpers.h"
#include "tests/support/ChangeCounter.h"
#include "tests/support/ValueHolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---- helpers ----------------------------------------------------------------------------

using testsupport::TChangeCounter;

void Watch(TwzPathData& path, TChangeCounter& counter)
{
    path.OnChanged.Bind<&TChangeCounter::Changed>(&counter);
}

std::vector<TwzPathPoint> Elements(const TwzPathData& path)
{
    return { path.Points().begin(), path.Points().end() };
}

TwzPathPoint M(float x, float y)
{
    return { wzPathPointMoveTo, { x, y } };
}
TwzPathPoint L(float x, float y)
{
    return { wzPathPointLineTo, { x, y } };
}
TwzPathPoint C(float x, float y)
{
    return { wzPathPointCurveTo, { x, y } };
}
TwzPathPoint Z()
{
    return { wzPathPointClose, { 0, 0 } };
}

std::string Describe(const std::vector<TwzPathPoint>& elements)
{
    static const char kLetters[] = "MLCZ";
    std::string s;
    for (const TwzPathPoint& e : elements) {
        s += e.Kind >= 0 && e.Kind <= 3 ? kLetters[e.Kind] : '?';
        s += "(" + std::to_string(e.Point.X) + "," + std::to_string(e.Point.Y) + ") ";
    }
    return s;
}

void ExpectElementsNear(const std::vector<TwzPathPoint>& actual, const std::vector<TwzPathPoint>& expected,
    float tolerance = 1e-4f)
{
    ASSERT_EQ(actual.size(), expected.size()) << "actual: " << Describe(actual);
    for (size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("element " + std::to_string(i));
        EXPECT_EQ(actual[i].Kind, expected[i].Kind);
        EXPECT_NEAR(actual[i].Point.X, expected[i].Point.X, tolerance);
        EXPECT_NEAR(actual[i].Point.Y, expected[i].Point.Y, tolerance);
    }
}

std::vector<uint8_t> Written(const TwzPathData& path)
{
    rtl::TMemoryStream stream;
    path.WritePath(stream);
    return { stream.Bytes().begin(), stream.Bytes().end() };
}

void Read(TwzPathData& path, const std::vector<uint8_t>& bytes)
{
    rtl::TConstMemoryStream stream(bytes.data(), bytes.size());
    path.ReadPath(stream);
}

void PutLE32(std::vector<uint8_t>& bytes, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutFloat(std::vector<uint8_t>& bytes, float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutLE32(bytes, v);
}

// ---- elementary builders -------------------------------------------------------------------

TEST(TwzPathData, EmptyPath)
{
    TwzPathData path;
    EXPECT_TRUE(path.IsEmpty());
    EXPECT_EQ(path.LastPoint(), MakePoint(0, 0));
    EXPECT_EQ(path.GetBounds(), MakeRect(0, 0, 0, 0));
    EXPECT_EQ(path.GetData(), "");
    EXPECT_TRUE(Written(path) == std::vector<uint8_t>({ 0, 0, 0, 0 }));
    TwzPolygon polygon { { 1, 1 } };
    EXPECT_EQ(path.FlattenPath(polygon, 1), MakePoint(0, 0));
    EXPECT_TRUE(polygon.empty()) << "flattening replaces the polygon";
}

TEST(TwzPathData, RelativeBuildersCountFromTheLastElement)
{
    struct Case {
        const char* name;
        void (*build)(TwzPathData&);
        std::vector<TwzPathPoint> expected;
    };
    const Case cases[] = {
        { "MoveToRel on an empty path counts from the origin",
            [](TwzPathData& p) {
                p.MoveToRel({ 2, 3 });
            },
            { M(2, 3) } },
        { "HLineTo keeps Y, VLineToRel moves from there",
            [](TwzPathData& p) {
                p.MoveTo({ 1, 2 });
                p.HLineTo(5);
                p.VLineToRel(-1);
            },
            { M(1, 2), L(5, 2), L(5, 1) } },
        { "HLineToRel and VLineTo",
            [](TwzPathData& p) {
                p.MoveTo({ 1, 2 });
                p.HLineToRel(3);
                p.VLineTo(7);
            },
            { M(1, 2), L(4, 2), L(4, 7) } },
        { "LineToRel",
            [](TwzPathData& p) {
                p.MoveTo({ 1, 2 });
                p.LineToRel({ -1, 3 });
            },
            { M(1, 2), L(0, 5) } },
        { "CurveToRel takes one current point for all three",
            [](TwzPathData& p) {
                p.MoveTo({ 10, 10 });
                p.CurveToRel({ 1, 0 }, { 1, 1 }, { 0, 1 });
            },
            { M(10, 10), C(11, 10), C(11, 11), C(10, 11) } },
        { "relative element after a close counts from the origin",
            [](TwzPathData& p) {
                p.MoveTo({ 10, 10 });
                p.LineTo({ 20, 10 });
                p.ClosePath();
                p.LineToRel({ 1, 1 });
            },
            { M(10, 10), L(20, 10), Z(), L(1, 1) } },
        { "SmoothCurveTo reflects the preceding control point",
            [](TwzPathData& p) {
                p.MoveTo({ 0, 0 });
                p.CurveTo({ 0, 1 }, { 1, 1 }, { 1, 0 });
                p.SmoothCurveTo({ 2, -1 }, { 3, 0 });
            },
            { M(0, 0), C(0, 1), C(1, 1), C(1, 0), C(1, -1), C(2, -1), C(3, 0) } },
        { "SmoothCurveTo after a line reflects the line's start",
            [](TwzPathData& p) {
                p.MoveTo({ 0, 0 });
                p.LineTo({ 2, 0 });
                p.LineTo({ 2, 2 });
                p.SmoothCurveTo({ 5, 5 }, { 6, 6 });
            },
            { M(0, 0), L(2, 0), L(2, 2), C(2, 4), C(5, 5), C(6, 6) } },
        { "SmoothCurveTo with fewer than three elements starts at its control point",
            [](TwzPathData& p) {
                p.MoveTo({ 0, 0 });
                p.LineTo({ 4, 0 });
                p.SmoothCurveTo({ 5, 5 }, { 6, 6 });
            },
            { M(0, 0), L(4, 0), C(5, 5), C(5, 5), C(6, 6) } },
        { "SmoothCurveToRel with fewer than three elements",
            [](TwzPathData& p) {
                p.MoveTo({ 1, 1 });
                p.SmoothCurveToRel({ 2, 0 }, { 3, 3 });
            },
            { M(1, 1), C(3, 1), C(3, 1), C(4, 4) } },
        { "SmoothCurveToRel reflects about the current point",
            [](TwzPathData& p) {
                p.MoveTo({ 0, 0 });
                p.CurveTo({ 0, 1 }, { 1, 1 }, { 1, 0 });
                p.SmoothCurveToRel({ 1, -1 }, { 2, 0 });
            },
            { M(0, 0), C(0, 1), C(1, 1), C(1, 0), C(1, -1), C(2, -1), C(3, 0) } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        TChangeCounter counter;
        Watch(path, counter);
        c.build(path);
        EXPECT_EQ(Elements(path), c.expected) << Describe(Elements(path));
        EXPECT_EQ(counter.count, 0) << "builders never notify";
    }
}

TEST(TwzPathData, ClearNotifiesEvenWhenEmpty)
{
    TwzPathData path;
    TChangeCounter counter;
    Watch(path, counter);
    path.MoveTo({ 1, 1 });
    path.Clear();
    EXPECT_TRUE(path.IsEmpty());
    path.Clear();
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(counter.lastSender, &path);
}

// ---- binary form ----------------------------------------------------------------------------

TEST(TwzPathData, BinaryFormByteForByte)
{
    TwzPathData path;
    path.MoveTo({ 1, 0 });
    path.LineTo({ 1, 1 });
    path.ClosePath();
    const std::vector<uint8_t> expected = {
        0x03, 0x00, 0x00, 0x00, // count
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x00, // MoveTo (1, 0)
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0x3F, // LineTo (1, 1)
        0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // Close
    };
    EXPECT_EQ(Written(path), expected);

    TwzPathData copy;
    TChangeCounter counter;
    Watch(copy, counter);
    copy.LineTo({ 9, 9 });
    Read(copy, expected);
    EXPECT_EQ(Elements(copy), Elements(path)) << "the old elements go";
    EXPECT_EQ(counter.count, 0) << "reading does not notify";
}

TEST(TwzPathData, OlderNineByteRecordsLoadAsTheSamePath)
{
    TwzPathData current;
    current.MoveTo({ 1.5f, -2 });
    current.CurveTo({ 3, 4 }, { 5, 6 }, { 7, 8 });
    current.ClosePath();

    std::vector<uint8_t> older;
    PutLE32(older, static_cast<uint32_t>(current.Count()));
    for (const TwzPathPoint& e : current.Points()) {
        older.push_back(static_cast<uint8_t>(e.Kind));
        PutFloat(older, e.Point.X);
        PutFloat(older, e.Point.Y);
    }
    ASSERT_EQ(older.size(), 4u + 9u * 5u);

    TwzPathData fromOlder, fromCurrent;
    Read(fromOlder, older);
    Read(fromCurrent, Written(current));
    EXPECT_EQ(Elements(fromOlder), Elements(current));
    EXPECT_EQ(Elements(fromCurrent), Elements(current));
}

TEST(TwzPathData, DamagedBinaryFormFailsAndLeavesThePathEmpty)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> oneRecordShort;
    PutLE32(oneRecordShort, 2);
    oneRecordShort.resize(4 + 12 + 11);
    std::vector<uint8_t> hugeCount;
    PutLE32(hugeCount, 0x7FFFFFFF);
    hugeCount.resize(4 + 12);
    std::vector<uint8_t> negativeCount;
    PutLE32(negativeCount, 0xFFFFFFFF);
    negativeCount.resize(4 + 12);
    const Case cases[] = {
        { "no count at all", { 1, 0 } },
        { "records end early", oneRecordShort },
        { "count far beyond the data", hugeCount },
        { "negative count", negativeCount },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.MoveTo({ 1, 1 });
        EXPECT_THROW(Read(path, c.bytes), rtl::ReadError);
        if (c.bytes.size() >= 4) {
            EXPECT_TRUE(path.IsEmpty());
        }
    }
}

// A component holding a path, to see its stored form inside an object.
using TPathHolder = testsupport::THolder<TwzPathData, "Path">;

TEST(TwzPathData, StoredFormHoldsTheNameAndTheBinaryPathOnly)
{
    rtl::TOwned<TPathHolder> empty(new TPathHolder(nullptr));
    EXPECT_EQ(streamtest::PropertyLines(streamtest::ComponentToText(*empty)), "")
        << "an empty unnamed path stores nothing";

    rtl::TOwned<TPathHolder> holder(new TPathHolder(nullptr));
    holder->GetValue()->SetData("M 0,0 L 10,0 L 5,8.5 Z");
    holder->GetValue()->SetResourceName("arrow");
    const std::string text = streamtest::ComponentToText(*holder);
    EXPECT_NE(text.find("Path.ResourceName = 'arrow'"), std::string::npos) << text;
    EXPECT_NE(text.find("Path.Path = {"), std::string::npos) << text;
    EXPECT_EQ(text.find("Data"), std::string::npos) << "the text form is never stored";

    rtl::TOwned<TPathHolder> back(new TPathHolder(nullptr));
    std::string errors;
    streamtest::TextToComponent(text, *back, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(Elements(*back->GetValue()), Elements(*holder->GetValue()));
    EXPECT_EQ(back->GetValue()->GetResourceName(), "arrow");
}

// ---- shape builders -------------------------------------------------------------------------

TEST(TwzPathData, AddEllipseUsesTheQuarterCurveConstant)
{
    TwzPathData path;
    TChangeCounter counter;
    Watch(path, counter);
    path.AddEllipse({ 0, 0, 2, 2 });
    const float k = 0.5522847498f;
    ExpectElementsNear(Elements(path),
        { M(0, 1), C(0, 1 - k), C(1 - k, 0), C(1, 0), C(1 + k, 0), C(2, 1 - k), C(2, 1), C(2, 1 + k),
            C(1 + k, 2), C(1, 2), C(1 - k, 2), C(0, 1 + k), C(0, 1) });
    EXPECT_EQ(counter.count, 0);

    TwzPathData wide;
    wide.AddEllipse({ 10, 20, 50, 30 });
    EXPECT_NEAR(wide.Points()[1].Point.Y, 25 - 5 * k, 1e-4) << "each axis takes its own radius";
    EXPECT_NEAR(wide.Points()[2].Point.X, 30 - 20 * k, 1e-4);
}

TEST(TwzPathData, AddRectangleCorners)
{
    struct Case {
        const char* name;
        TwzRect r;
        float xRadius, yRadius;
        TwzCorners corners;
        TwzCornerType type;
        std::vector<TwzPathPoint> expected;
    };
    const Case cases[] = {
        { "round corners, y radius limited to half the height", { 0, 0, 10, 4 }, 3, 3, AllCorners,
            wzCornerRound,
            { M(0, 2), C(0, 1), C(1.5f, 0), C(3, 0), L(7, 0), C(8.5f, 0), C(10, 1), C(10, 2), L(10, 2),
                C(10, 3), C(8.5f, 4), C(7, 4), L(3, 4), C(1.5f, 4), C(0, 3), C(0, 2), Z() } },
        { "no corners: a sharp outline with extra edge points", { 0, 0, 10, 10 }, 2, 2, {}, wzCornerBevel,
            { M(0, 2), L(0, 0), L(2, 0), L(8, 0), L(10, 0), L(10, 2), L(10, 8), L(10, 10), L(8, 10), L(2, 10),
                L(0, 10), L(0, 8), Z() } },
        { "bevel on two corners", { 0, 0, 10, 10 }, 2, 2, { wzCornerTopLeft, wzCornerBottomRight },
            wzCornerBevel,
            { M(0, 2), L(2, 0), L(8, 0), L(10, 0), L(10, 2), L(10, 8), L(8, 10), L(2, 10), L(0, 10), L(0, 8),
                Z() } },
        { "inner line notch on the top-left corner", { 0, 0, 10, 10 }, 2, 2, { wzCornerTopLeft },
            wzCornerInnerLine,
            { M(0, 2), L(1, 2), L(2, 1), L(2, 0), L(8, 0), L(10, 0), L(10, 2), L(10, 8), L(10, 10), L(8, 10),
                L(2, 10), L(0, 10), L(0, 8), Z() } },
        { "inner round on the bottom-right corner bends inwards", { 0, 0, 10, 10 }, 2, 2,
            { wzCornerBottomRight }, wzCornerInnerRound,
            { M(0, 2), L(0, 0), L(2, 0), L(8, 0), L(10, 0), L(10, 2), L(10, 8), C(9, 8), C(8, 9), C(8, 10),
                L(2, 10), L(0, 10), L(0, 8), Z() } },
        { "an unknown corner type draws round", { 0, 0, 4, 4 }, 2, 2, { wzCornerTopRight },
            static_cast<TwzCornerType>(7),
            { M(0, 2), L(0, 0), L(2, 0), L(2, 0), C(3, 0), C(4, 1), C(4, 2), L(4, 2), L(4, 4), L(2, 4),
                L(2, 4), L(0, 4), L(0, 2), Z() } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.AddRectangle(c.r, c.xRadius, c.yRadius, c.corners, c.type);
        ExpectElementsNear(Elements(path), c.expected);
    }
}

TEST(TwzPathData, AddArcPieces)
{
    struct Case {
        const char* name;
        float start, sweep;
        int curves; // -1: nothing at all
    };
    const Case cases[] = {
        { "no sweep appends nothing", 0, 0, -1 },
        { "90.5 degrees are one piece", 0, 90.5f, 1 },
        { "95 degrees are a quarter and a rest", 0, 95, 2 },
        { "a full turn is four pieces", 30, 360, 4 },
        { "400 degrees are a full turn", 30, 400, 4 },
        { "negative sweeps turn the other way", 0, -180, 2 },
        { "start angles of several turns", 725, 90, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.AddArc({ 10, 20 }, { 5, 3 }, c.start, c.sweep);
        if (c.curves < 0) {
            EXPECT_TRUE(path.IsEmpty());
            continue;
        }
        ASSERT_EQ(path.Count(), 1 + 3 * c.curves);
        EXPECT_EQ(path.Points()[0].Kind, wzPathPointMoveTo) << "an empty path starts with a move";
        const double a0 = c.start * std::numbers::pi / 180;
        const double a1 = (c.start + std::clamp(c.sweep, -360.0f, 360.0f)) * std::numbers::pi / 180;
        EXPECT_NEAR(path.Points()[0].Point.X, 10 + 5 * std::cos(a0), 1e-3);
        EXPECT_NEAR(path.Points()[0].Point.Y, 20 + 3 * std::sin(a0), 1e-3);
        EXPECT_NEAR(path.LastPoint().X, 10 + 5 * std::cos(a1), 1e-3);
        EXPECT_NEAR(path.LastPoint().Y, 20 + 3 * std::sin(a1), 1e-3);
        // Every curve point of a circular arc stays near the ellipse (within the curve error).
        TwzPolygon polygon;
        path.FlattenPath(polygon, 0.1f);
        for (const TwzPoint& p : polygon) {
            const double u = (p.X - 10) / 5, v = (p.Y - 20) / 3;
            EXPECT_NEAR(u * u + v * v, 1, 2e-3);
        }
    }

    TwzPathData full;
    full.AddArc({ 0, 0 }, { 1, 1 }, 0, 360);
    TwzPathData more;
    more.AddArc({ 0, 0 }, { 1, 1 }, 0, 400);
    ExpectElementsNear(Elements(more), Elements(full), 1e-5f);
    EXPECT_NEAR(full.Points()[3].Point.X, 0, 1e-6)
        << "the first quarter ends at 90 degrees, below the centre";
    EXPECT_NEAR(full.Points()[3].Point.Y, 1, 1e-6);
}

TEST(TwzPathData, AddArcConnectsAndAddArcContinuedDoesNot)
{
    TwzPathData path;
    path.MoveTo({ 0, 0 });
    path.AddArc({ 10, 0 }, { 2, 2 }, 180, 90);
    ExpectElementsNear(Elements(path), { M(0, 0), L(8, 0), C(8, -1.1045695f), C(8.8954305f, -2), C(10, -2) });

    TwzPathData continued;
    continued.MoveTo({ 0, 0 });
    continued.AddArcContinued({ 10, 0 }, { 2, 2 }, 180, 90);
    ASSERT_EQ(continued.Count(), 4);
    EXPECT_EQ(continued.Points()[1].Kind, wzPathPointCurveTo);
}

TEST(TwzPathData, AddSvgArc)
{
    struct Case {
        const char* name;
        TwzPoint from, radius;
        float rotation;
        bool largeArc, sweep;
        TwzPoint to;
        std::vector<TwzPoint> ends; // the end point of each curve
    };
    const Case cases[] = {
        { "half turn over the top with sweep", { 0, 0 }, { 5, 5 }, 0, false, true, { 10, 0 },
            { { 5, -5 }, { 10, 0 } } },
        { "half turn below without sweep", { 0, 0 }, { 5, 5 }, 0, false, false, { 10, 0 },
            { { 5, 5 }, { 10, 0 } } },
        { "radii too small are scaled to just reach", { 0, 0 }, { 1, 1 }, 0, false, true, { 10, 0 },
            { { 5, -5 }, { 10, 0 } } },
        { "negative radii act as their absolute value", { 0, 0 }, { -5, -5 }, 0, false, true, { 10, 0 },
            { { 5, -5 }, { 10, 0 } } },
        { "small arc of a larger circle", { 0, 0 }, { 10, 10 }, 0, false, true, { 10, 0 }, { { 10, 0 } } },
        { "large arc of the same circle", { 0, 0 }, { 10, 10 }, 0, true, true, { 10, 0 },
            { { -3.660254f, -13.660254f }, { 10, -17.320508f }, { 13.660254f, -3.660254f }, { 10, 0 } } },
        { "rotated ellipse", { 0, 0 }, { 10, 5 }, 90, false, true, { 0, 20 }, { { 5, 10 }, { 0, 20 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.MoveTo(c.from);
        path.AddSvgArc(c.from, c.radius, c.rotation, c.largeArc, c.sweep, c.to);
        ASSERT_EQ(path.Count(), 1 + 3 * static_cast<int>(c.ends.size())) << Describe(Elements(path));
        for (size_t i = 0; i < c.ends.size(); ++i) {
            SCOPED_TRACE("curve " + std::to_string(i));
            const TwzPoint end = path.Points()[3 + 3 * i].Point;
            EXPECT_NEAR(end.X, c.ends[i].X, 1e-3);
            EXPECT_NEAR(end.Y, c.ends[i].Y, 1e-3);
        }
    }
}

TEST(TwzPathData, AddSvgArcThatCannotBeComputedRaisesAndAppendsNothing)
{
    struct Case {
        const char* name;
        TwzPoint radius, to;
    };
    const Case cases[] = {
        { "zero x radius", { 0, 5 }, { 10, 0 } },
        { "zero y radius", { 5, 0 }, { 10, 0 } },
        { "end point on the start point", { 5, 5 }, { 1, 1 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.MoveTo({ 1, 1 });
        EXPECT_THROW(path.AddSvgArc({ 1, 1 }, c.radius, 0, false, true, c.to), rtl::Exception);
        EXPECT_EQ(path.Count(), 1);
    }
}

// ---- bounds and flattening ------------------------------------------------------------------

TEST(TwzPathData, GetBounds)
{
    struct Case {
        const char* name;
        std::vector<TwzPathPoint> elements;
        TwzRect expected;
    };
    const Case cases[] = {
        { "a flat line is widened by 0.001", { M(1, 1), L(5, 1) }, { 1, 1, 5, 1.001f } },
        { "a single point is widened both ways", { M(3, 4) }, { 3, 4, 3.001f, 4.001f } },
        { "close elements take no part", { M(1, 2), L(3, 4), Z() }, { 1, 2, 3, 4 } },
        { "curve control points count", { M(0, 0), C(-2, 5), C(4, 5), C(2, 0) }, { -2, 0, 4, 5 } },
        { "close elements only keep the inverted start values", { Z(), Z() },
            { 65535, 65535, -65535, -65535 } },
        { "coordinates beyond 65535 get their true bounds", { M(100000, -100000), L(100010, -99990) },
            { 100000, -100000, 100010, -99990 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        for (const TwzPathPoint& e : c.elements)
            path.AddPoint(e.Kind, e.Point);
        const TwzRect b = path.GetBounds();
        EXPECT_FLOAT_EQ(b.Left, c.expected.Left);
        EXPECT_FLOAT_EQ(b.Top, c.expected.Top);
        EXPECT_FLOAT_EQ(b.Right, c.expected.Right);
        EXPECT_FLOAT_EQ(b.Bottom, c.expected.Bottom);
    }
}

// A stored path of thousands of long curves in thin bounds once flattened to hundreds of
// millions of points; the curves of one path now share a budget of about a million.
TEST(TwzPathData, FlatteningIsBoundedForThePathAsAWhole)
{
    TwzPathData path;
    path.MoveTo({ 0, 0 });
    for (int i = 0; i < 4000; ++i)
        path.CurveTo({ 0, 0 }, { 0.001f, 5000 }, { 0, 10000 });
    TwzPolygon polygon;
    path.FlattenPath(polygon, 1);
    EXPECT_LE(polygon.size(), size_t(1 << 20) + 2 * 4000 + 1);
    EXPECT_GE(polygon.size(), 2u * 4000);
    // A path within the budget keeps its step.
    TwzPathData small;
    small.MoveTo({ 0, 0 });
    small.CurveTo({ 0, 0 }, { 50, 100 }, { 100, 100 });
    small.FlattenPath(polygon, 1);
    EXPECT_GT(polygon.size(), 100u);
}

TEST(TwzPathData, FlattenPathFigures)
{
    struct Case {
        const char* name;
        const char* data;
        TwzPolygon expected;
        TwzPoint extent;
    };
    const TwzPoint end = TwzPathData::kFigureEnd;
    const Case cases[] = {
        { "closed square", "M 0,0 L 100,0 L 100,100 Z", { { 0, 0 }, { 100, 0 }, { 100, 100 }, { 0, 0 }, end },
            { 100, 100 } },
        { "open figures run together without a marker", "M 0,0 L 10,0 M 20,20 L 30,20 Z",
            { { 0, 0 }, { 10, 0 }, { 20, 20 }, { 30, 20 }, { 20, 20 }, end }, { 30, 20 } },
        { "two closed figures", "M 0,0 L 10,0 L 0,10 Z M 5,5 L 6,5 L 5,6 Z",
            { { 0, 0 }, { 10, 0 }, { 0, 10 }, { 0, 0 }, end, { 5, 5 }, { 6, 5 }, { 5, 6 }, { 5, 5 }, end },
            { 10, 10 } },
        { "a curve shorter than a step gives its start again and its end",
            "M 0,0 L 100,100 M 50,50 C 50,50 50.5,50 50.5,50",
            { { 0, 0 }, { 100, 100 }, { 50, 50 }, { 50, 50 }, { 50.5f, 50 } }, { 100, 100 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.SetData(c.data);
        TwzPolygon polygon;
        const TwzPoint extent = path.FlattenPath(polygon, 1);
        EXPECT_EQ(polygon, c.expected);
        EXPECT_EQ(extent, c.extent);
    }
}

TEST(TwzPathData, FlattenPathStepFollowsBoundsAndFlatness)
{
    // A path 200 by 100 units has a step of 1 at flatness 1: a curve gives one point per
    // unit of the distance from its first control point to its end, rounded half to even.
    struct Case {
        const char* name;
        float controlToEnd;
        float flatness;
        size_t points;
    };
    const Case cases[] = {
        { "10.5 rounds down to even", 10.5f, 1, 10 },
        { "11.5 rounds up to even", 11.5f, 1, 12 },
        { "flatness 0.5 halves the step", 10.5f, 0.5f, 21 },
        { "a step of zero flatness becomes 0.05", 1, 0, 20 },
        { "flatness not a number falls back to the minimum step", 1, std::nanf(""), 20 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPathData path;
        path.MoveTo({ 0, 0 });
        path.LineTo({ 200, 100 });
        path.MoveTo({ 100, 50 });
        path.CurveTo({ 100 - c.controlToEnd, 50 }, { 100, 60 }, { 100, 50 });
        TwzPolygon polygon;
        path.FlattenPath(polygon, c.flatness);
        EXPECT_EQ(polygon.size(), 3 + c.points);
        EXPECT_EQ(polygon[3], MakePoint(100, 50)) << "the curve's first point repeats the current point";
        EXPECT_NEAR(polygon.back().X, 100, 1e-3);
        EXPECT_NEAR(polygon.back().Y, 50, 1e-3);
    }

    // In a 1 by 1 path the step is the minimum 0.05 whatever the flatness: the chord of
    // length sqrt(2) gives Round(28.28) points.
    TwzPathData tiny;
    tiny.MoveTo({ 0, 0 });
    tiny.CurveTo({ 1, 0 }, { 1, 1 }, { 0, 1 });
    for (float flatness : { 1.0f, 5.0f }) {
        TwzPolygon polygon;
        tiny.FlattenPath(polygon, flatness);
        EXPECT_EQ(polygon.size(), 1u + 28u) << "flatness " << flatness;
    }
}

TEST(TwzPathData, FlattenPathOfAnEllipseHasNoMarker)
{
    TwzPathData path;
    path.AddEllipse({ 0, 0, 100, 50 });
    TwzPolygon polygon;
    const TwzPoint extent = path.FlattenPath(polygon, 1);
    EXPECT_EQ(extent, MakePoint(100, 50));
    for (const TwzPoint& p : polygon) {
        EXPECT_NE(p, TwzPathData::kFigureEnd);
        const double u = (p.X - 50) / 50.0, v = (p.Y - 25) / 25.0;
        EXPECT_NEAR(u * u + v * v, 1, 2e-3) << "every point lies near the ellipse";
    }
    EXPECT_EQ(polygon.front(), MakePoint(0, 25));
}

TEST(TwzPathData, FlattenPathSurvivesDamagedElements)
{
    TwzPathData path;
    path.MoveTo({ 0, 0 });
    path.LineTo({ 10, 10 });
    path.AddPoint(static_cast<TwzPathPointKind>(42), { 5, 5 }); // unknown kinds are skipped
    path.AddPoint(wzPathPointCurveTo, { 20, 20 }); // a curve cut short at the end
    path.AddPoint(wzPathPointCurveTo, { 30, 20 });
    TwzPolygon polygon;
    path.FlattenPath(polygon, 1);
    EXPECT_EQ(polygon, (TwzPolygon { { 0, 0 }, { 10, 10 } }));
    EXPECT_EQ(path.GetData(), "M 0,0 L 10,10 ");

    // A long curve in very thin bounds would ask for millions of points.
    TwzPathData thin;
    thin.MoveTo({ 0, 0 });
    thin.CurveTo({ -1e7f, 0 }, { 1e7f, 0 }, { 2e7f, 0 });
    thin.FlattenPath(polygon, 1);
    EXPECT_EQ(polygon.size(), 1u + 65536u);
    EXPECT_EQ(polygon[1], MakePoint(0, 0));
}

// ---- text form ------------------------------------------------------------------------------

TEST(TwzPathData, TextFormReadsLikeSvgPathData)
{
    struct Case {
        const char* text;
        const char* data; // written back
    };
    const Case cases[] = {
        { "M 10,10 L 20,10 20,20 Z", "M 10,10 L 20,10 L 20,20 Z " },
        { "M1,2L3,4", "M 1,2 L 3,4 " },
        { "M 0,0 L 10,10", "M 0,0 L 10,10 " },
        { "M 0,0 10,10", "M 0,0 M 10,10 " },
        { "m 1,1 2,2 l 1,0 0,1", "M 1,1 M 3,3 L 4,3 L 4,4 " },
        { "M 0,0 Q 5,5 10,0 L 10,10", "M 0,0 L 10,10 " },
        { "M 0,0 T 5,5 L 10,10", "M 0,0 L 10,10 " },
        { "M 0,0 X 5,5", "M 0,0 " },
        { "M 0,0\r\nL 5,5", "M 0,0 L 5,5 " },
        { "M 1\t2", "" },
        { "M 1.5.5,2", "" },
        { "M 1.5,-2.25", "M 1.500,-2.250 " },
        { "M -1-2", "M -1,-2 " },
        { "M 1e5,3", "" },
        { "M 0,0 H 5 V 6 h -1 v -1", "M 0,0 L 5,0 L 5,6 L 4,6 L 4,5 " },
        { "M 0,0 C 1,1 2,2 3,3 4,4 5,5 6,6", "M 0,0 C 1,1 2,2 3,3 C 4,4 5,5 6,6 " },
        { "M 10,10 c 1,0 1,1 0,1", "M 10,10 C 11,10 11,11 10,11 " },
        { "M 0,0 C 0,1 1,1 1,0 S 2,-1 3,0", "M 0,0 C 0,1 1,1 1,0 C 1,-1 2,-1 3,0 " },
        { "M 0,0 C 1,1 2,2 L 3,3", "M 0,0 L 3,3 " },
        { "M 0,0 C 1,1", "M 0,0 C 1,1 0,0 0,0 " },
        { "M 0,0 C 1,1 2", "M 0,0 " },
        { "ZM 1,1", "Z M 1,1 " },
        { "M 5,5 Z l 1,1", "M 5,5 Z L 1,1 " },
        { "L 3,3", "L 3,3 " },
        { "  ", "" },
        { "M 0,0 L 1,1 , , L 2,2", "M 0,0 L 1,1 L 2,2 " },
        { "M +1,2", "" },
        { "M 0,0 A 0,5 0 0,1 20,0 L 1,1", "M 0,0 L 1,1 " },
        { "M 3,3 A 5,5 0 0,1 3,3", "M 3,3 " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text: ") + c.text);
        TwzPathData path;
        TChangeCounter counter;
        Watch(path, counter);
        path.MoveTo({ 99, 99 });
        path.SetData(c.text);
        EXPECT_EQ(path.GetData(), c.data);
        EXPECT_EQ(counter.count, 1) << "one change event, whatever was read";
    }
}

TEST(TwzPathData, ArcCommands)
{
    const float k = 5 * 0.5522847498f;
    struct Case {
        const char* text;
        std::vector<TwzPathPoint> expected;
    };
    const Case cases[] = {
        { "M 0,0 A 5,5 0 0,1 10,0",
            { M(0, 0), C(0, -k), C(5 - k, -5), C(5, -5), C(5 + k, -5), C(10, -k), C(10, 0) } },
        { "M 0,0 A 5,5 0 0 1 10 0",
            { M(0, 0), C(0, -k), C(5 - k, -5), C(5, -5), C(5 + k, -5), C(10, -k), C(10, 0) } },
        { "M 0,0 a 5,5 0 0,0 10,0",
            { M(0, 0), C(0, k), C(5 - k, 5), C(5, 5), C(5 + k, 5), C(10, k), C(10, 0) } },
        { "M 10,10 a 5,5 0 0,0 10,0",
            { M(10, 10), C(10, 10 + k), C(15 - k, 15), C(15, 15), C(15 + k, 15), C(20, 10 + k), C(20, 10) } },
        { "M 0,0 A 1,1 0 0,1 10,0 Z",
            { M(0, 0), C(0, -k), C(5 - k, -5), C(5, -5), C(5 + k, -5), C(10, -k), C(10, 0), Z() } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("text: ") + c.text);
        TwzPathData path;
        path.SetData(c.text);
        ExpectElementsNear(Elements(path), c.expected, 1e-4f);
    }
}

TEST(TwzPathData, ArcFlagsMustBeSeparated)
{
    // "01" reads as the flags' X; the end point's X then becomes the flags' Y.
    TwzPathData separated, joined;
    separated.SetData("M 0,0 A 5,5 0 0,1 10,0");
    joined.SetData("M 0,0 A 5,5 0 01 10,0");
    EXPECT_EQ(separated.Count(), 7);
    EXPECT_NE(joined.GetData(), separated.GetData());
}

TEST(TwzPathData, TextRoundTripKeepsThePath)
{
    TwzPathData original;
    original.AddRectangle({ 0.25f, 0, 10, 4 }, 3, 3, AllCorners, wzCornerRound);
    original.AddEllipse({ 2, 1, 4, 3 });
    original.MoveTo({ -5, -5 });
    original.LineTo({ 100000, 0.125f });
    TwzPathData copy;
    copy.SetData(original.GetData());
    ExpectElementsNear(Elements(copy), Elements(original), 5e-4f);
    EXPECT_EQ(copy.GetData(), original.GetData());
}

TEST(TwzPathData, HostileTextNeverCrashesOrGrowsBeyondTheText)
{
    const std::string pieces[]
        = { "C", "A", "M-", "1.5.5", "Z", "s", "a 1,1 0 1,1 ", "\t", "-", "9", ",", " ", "q" };
    std::string text;
    uint32_t seed = 12345;
    while (text.size() < 200000) {
        seed = seed * 1103515245u + 12345u;
        text += pieces[(seed >> 16) % std::size(pieces)];
    }
    text += std::string(5000, '9'); // a number beyond the Single range
    TwzPathData path;
    path.SetData(text);
    EXPECT_LE(static_cast<size_t>(path.Count()), 3 * text.size());
    TwzPathData copy;
    copy.SetData(path.GetData());
    EXPECT_EQ(copy.Count(), path.Count());
}

// ---- Assign and the resource link -----------------------------------------------------------

class TwzPathDataLink : public FakeResourcesTest { };

TEST_F(TwzPathDataLink, SetResourceTakesTheNameAndRegisters)
{
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "Arrow"));
    object->path = new TwzPathData;
    TwzPathData path;
    TChangeCounter counter;
    Watch(path, counter);

    path.SetResource(object.get());
    EXPECT_EQ(path.GetResource(), object.get());
    EXPECT_EQ(path.GetResourceName(), "Arrow");
    EXPECT_EQ(object->freeNotifies, std::vector<rtl::TPersistent*> { &path });
    EXPECT_EQ(path.GetResourcePath(), object->path);
    path.SetResource(object.get());
    EXPECT_EQ(counter.count, 1) << "linking the same object again changes nothing";

    path.SetResourceName("Arrow");
    EXPECT_EQ(counter.count, 1) << "the same name fires nothing";
    path.SetResourceName("other");
    EXPECT_EQ(counter.count, 2);
    EXPECT_EQ(path.GetResource(), object.get()) << "a new name leaves the link";

    path.SetResource(nullptr);
    EXPECT_EQ(path.GetResource(), nullptr);
    EXPECT_EQ(path.GetResourceName(), "");
    EXPECT_TRUE(object->freeNotifies.empty());
    EXPECT_EQ(counter.count, 3);

    rtl::TOwned<TFakeResourceObject> notAPath(new TFakeResourceObject(nullptr, "Brush"));
    path.SetResource(notAPath.get());
    EXPECT_EQ(path.GetResource(), nullptr) << "only path resources link";
}

TEST_F(TwzPathDataLink, ResourceIsPublishedButNeverStored)
{
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "Arrow"));
    object->path = new TwzPathData;
    TwzPathData path;
    ASSERT_TRUE(rtl::SetPropValue(path, "Resource", rtl::TValue(static_cast<rtl::TObject*>(object.get()))));
    EXPECT_EQ(path.GetResource(), object.get());
    EXPECT_EQ(rtl::GetPropText(path, "ResourceName"), "Arrow");
    const rtl::TPropInfo* resource = path.ClassInfo().FindProp("Resource");
    ASSERT_NE(resource, nullptr);
    EXPECT_FALSE(resource->IsStored(path));
    EXPECT_EQ(resource->DeclaredTypeName(), "TwzPathObject");
    EXPECT_TRUE(path.ClassInfo().FindProp("ResourceName")->IsStored(path));
}

TEST_F(TwzPathDataLink, NameIsLookedUpLazilyAndAgainAfterTheObjectDies)
{
    TwzPathData path;
    TChangeCounter counter;
    Watch(path, counter);
    path.SetResourceName("arrow");
    EXPECT_EQ(path.GetResourcePath(), nullptr) << "no object of that name yet";
    EXPECT_EQ(path.GetResource(), nullptr);

    auto* first = new TFakeResourceObject(nullptr, "ARROW");
    first->path = new TwzPathData;
    const int before = counter.count;
    EXPECT_EQ(path.GetResourcePath(), first->path) << "the lookup ignores ASCII case";
    EXPECT_EQ(path.GetResource(), first);
    EXPECT_EQ(path.GetResourceName(), "ARROW") << "linking takes the object's own spelling";
    EXPECT_EQ(counter.count, before + 1) << "linking by name notifies";

    first->Free();
    EXPECT_EQ(path.GetResource(), nullptr);
    EXPECT_EQ(path.GetResourceName(), "ARROW") << "the name stays for the next lookup";
    EXPECT_EQ(counter.count, before + 1) << "the dying object clears the link quietly";

    rtl::TOwned<TFakeResourceObject> second(new TFakeResourceObject(nullptr, "Arrow"));
    second->path = new TwzPathData;
    EXPECT_EQ(path.GetResourcePath(), second->path);
}

TEST_F(TwzPathDataLink, ObjectFreedBeforeOrAfterThePath)
{
    {
        rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "a"));
        object->path = new TwzPathData;
        auto path = std::make_unique<TwzPathData>();
        path->SetResource(object.get());
        path.reset();
        EXPECT_TRUE(object->freeNotifies.empty()) << "a dying path unregisters itself";
    }
    {
        // A path object whose own path links to itself by name.
        auto* object = new TFakeResourceObject(nullptr, "self");
        object->path = new TwzPathData;
        object->path->SetResourceName("self");
        EXPECT_EQ(object->path->GetResourcePath(), object->path);
        object->Free();
    }
}

TEST_F(TwzPathDataLink, AssignCopiesTheLinkOrTheElements)
{
    rtl::TOwned<TFakeResourceObject> object(new TFakeResourceObject(nullptr, "Star"));
    object->path = new TwzPathData;
    object->path->SetData("M 0,0 L 1,1");

    TwzPathData linked;
    linked.SetResourceName("star");
    linked.MoveTo({ 5, 5 });
    TwzPathData target;
    target.LineTo({ 7, 7 });
    TChangeCounter counter;
    Watch(target, counter);
    target.Assign(linked);
    EXPECT_EQ(linked.GetResource(), object.get()) << "assigning resolves the source's name";
    EXPECT_EQ(target.GetResource(), object.get());
    EXPECT_EQ(target.GetResourceName(), "Star");
    EXPECT_EQ(Elements(target), (std::vector<TwzPathPoint> { L(7, 7) })) << "the elements are not copied";
    EXPECT_EQ(counter.count, 2) << "the link, then the copy";

    TwzPathData plain;
    plain.SetData("M 1,2 L 3,4 Z");
    plain.SetResourceName("nothing by that name");
    counter.count = 0;
    target.Assign(plain);
    EXPECT_EQ(Elements(target), Elements(plain));
    EXPECT_EQ(target.GetResource(), object.get()) << "the target's own link stays";
    EXPECT_EQ(target.GetResourceName(), "Star");
    EXPECT_EQ(counter.count, 1);

    target.Assign(target);
    EXPECT_EQ(Elements(target), Elements(plain)) << "assigning to itself keeps the elements";
}

TEST(TwzPathData, AssignFromAnotherClassRaises)
{
    TwzPathData path;
    TPathHolder* holder = new TPathHolder(nullptr);
    EXPECT_THROW(path.Assign(*holder), rtl::ConvertError);
    holder->Free();
}

} // namespace
