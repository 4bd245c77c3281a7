// Extruded shapes: the drawing pattern of the base, rectangles with shaped corners and
// ellipses, their placement, their stored form and their input in outline coordinates.

#include "Scene3DTestClasses.h"
#include "VisualTestSupport.h"

#include "scene3d/ThvEllipse3D.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvRectangle3D.h"
#include "scene3d/ThvShape3D.h"

#include "graphics/ObjectText.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include "tests/support/Outlines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

using namespace scene3dtest;
using testsupport::Area;
using testsupport::Figures;

namespace {

bool Contains(const TwzPolygon& points, TwzPoint p)
{
    for (const TwzPoint& q : points) {
        if (std::fabs(q.X - p.X) < 1e-4f && std::fabs(q.Y - p.Y) < 1e-4f)
            return true;
    }
    return false;
}

/// Records the outline-coordinate input it gets.
class TInputShape : public ThvShape3D {
public:
    using ThvShape3D::ThvShape3D;
    std::vector<std::string> input;

    void MouseMove2D(TShiftState, float x, float y) override { Add("move", x, y); }
    void MouseDown2D(TMouseButton, TShiftState, float x, float y) override { Add("down", x, y); }
    void MouseUp2D(TMouseButton, TShiftState, float x, float y) override { Add("up", x, y); }

private:
    void Add(const char* what, float x, float y)
    {
        input.push_back(std::string(what) + " " + LogNumber(x) + " " + LogNumber(y));
    }
};

class ThvShape3DTest : public VisualFixture {
protected:
    /// Paints the object as the render walk does and returns the lines of its materials and
    /// extrusions.
    std::vector<std::string> Paint(ThvVisualObject* object)
    {
        canvas->SetMatrix(object->GetAbsoluteMatrix());
        canvas->ClearLog();
        object->BeforePaint();
        object->Render();
        std::vector<std::string> lines;
        for (const std::string& line : canvas->log) {
            if (line.rfind("FillPolygon", 0) == 0 || line.rfind("MaterialChanged", 0) == 0
                || line.rfind("DrawCube", 0) == 0)
                lines.push_back(line);
        }
        return lines;
    }
};

/// The extrusion lines alone: each new object has a material of a colour of its own.
std::vector<std::string> Extrusions(std::vector<std::string> lines)
{
    std::erase_if(lines, [](const std::string& line) { return line.rfind("FillPolygon", 0) != 0; });
    return lines;
}

} // namespace

TEST_F(ThvShape3DTest, ANewRectangleIsASharpFourByFourSlabWithEveryFace)
{
    auto* slab = Make<ThvRectangle3D>();
    EXPECT_EQ(slab->GetWidth(), 4);
    EXPECT_EQ(slab->GetHeight(), 4);
    EXPECT_EQ(slab->GetDepth(), 1);
    EXPECT_EQ(slab->GetxRadius(), 0);
    EXPECT_EQ(slab->GetyRadius(), 0);
    EXPECT_EQ(slab->GetCorners(), AllCorners);
    EXPECT_EQ(slab->GetCornerType(), wzCornerRound);
    EXPECT_EQ(slab->GetSides(), hvAllShape3DSides);
    EXPECT_EQ(slab->GetFlatness(), 1);
    EXPECT_TRUE(slab->GetTwoSide());
    // The extra materials start in the colour the front has.
    EXPECT_EQ(slab->GetMaterialBack()->GetDiffuseColor(), slab->GetMaterial()->GetDiffuseColor());
    EXPECT_EQ(slab->GetMaterialLeft()->GetDiffuseColor(), slab->GetMaterial()->GetDiffuseColor());

    slab->GetMaterial()->SetDiffuse("#FF0000FF");
    slab->GetMaterialBack()->SetDiffuse("#FF00FF00");
    slab->GetMaterialLeft()->SetDiffuse("#FFFF0000");
    slab->SetOpacity(0.5f);
    EXPECT_EQ(Paint(slab),
        (std::vector<std::string> {
            "MaterialChanged #7F0000FF ",
            "FillPolygon (2,2,0) (4,4,1) 14 0.5 F--",
            "MaterialChanged #7F00FF00 ",
            "FillPolygon (2,2,0) (4,4,1) 14 0.5 -B-",
            "MaterialChanged #7FFF0000 ",
            "FillPolygon (2,2,0) (4,4,1) 14 0.5 --S",
        }));
    // A sharp square with extra points on its edges (each corner twice), closed once.
    const std::vector<TwzPolygon> figures = Figures(canvas->lastPolygon);
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_NEAR(Area(figures[0]), 16, 1e-4);
    EXPECT_TRUE(RectIsEmpty(canvas->lastPolygonRect));
    EXPECT_TRUE(scene3d::IsFigureEnd(canvas->lastPolygon.back()));
}

TEST_F(ThvShape3DTest, OnlyTheFacesAskedForAreDrawnAndOnlyTheirMaterialsTaken)
{
    struct Case {
        const char* name;
        ThvShape3DSides sides;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "front", { hvShape3DFront },
            { "MaterialChanged #FF111111 ", "FillPolygon (2,2,0) (4,4,1) 14 1 F--" } },
        { "back", { hvShape3DBack },
            { "MaterialChanged #FF111111 ", "MaterialChanged #FF222222 ",
                "FillPolygon (2,2,0) (4,4,1) 14 1 -B-" } },
        { "walls", { hvShape3DLeft },
            { "MaterialChanged #FF111111 ", "MaterialChanged #FF333333 ",
                "FillPolygon (2,2,0) (4,4,1) 14 1 --S" } },
        { "none", {}, { "MaterialChanged #FF111111 " } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* slab = Make<ThvRectangle3D>();
        slab->GetMaterial()->SetDiffuse("#FF111111");
        slab->GetMaterialBack()->SetDiffuse("#FF222222");
        slab->GetMaterialLeft()->SetDiffuse("#FF333333");
        slab->SetSides(c.sides);
        EXPECT_EQ(Paint(slab), c.lines);
    }
}

TEST_F(ThvShape3DTest, TheOutlineIsDrawnAroundTheObjectsOrigin)
{
    auto* parent = Make<ThvVisualObject>();
    parent->GetPosition()->SetX(10);
    auto* slab = Make<ThvRectangle3D>("", parent);
    slab->SetWidth(6);
    slab->SetHeight(2);
    canvas->SetMatrix(slab->GetAbsoluteMatrix());
    slab->BeforePaint();
    // The outline's box (0, 0, 6, 2) drawn around (3, 1) lands centred on the object.
    const ThvMatrix& m = canvas->GetWorldMatrix();
    EXPECT_TRUE(Near(MatrixRow(m, 3), { 7, -1, 0, 1 }));
    EXPECT_TRUE(Near(MatrixRow(m, 0), { 1, 0, 0, 0 }));
}

TEST_F(ThvShape3DTest, RectangleCornersAreShapedOnlyWhereChosen)
{
    // A 10 x 10 slab with radii 2: each shaped corner takes a known area off the square.
    struct Case {
        const char* name;
        TwzCorners corners;
        TwzCornerType type;
        double removedPerCorner;
    };
    const Case cases[] = {
        { "round, all corners", AllCorners, wzCornerRound, 0.95 },
        { "bevel, top left and bottom right", { wzCornerTopLeft, wzCornerBottomRight }, wzCornerBevel, 2 },
        { "inner round, top right", { wzCornerTopRight }, wzCornerInnerRound, 3.05 },
        { "inner line, bottom left and right", { wzCornerBottomLeft, wzCornerBottomRight }, wzCornerInnerLine,
            3.5 },
        { "no corners chosen", {}, wzCornerInnerLine, 0 },
        // Types beyond the table are drawn round.
        { "an unknown type", { wzCornerTopLeft }, static_cast<TwzCornerType>(7), 0.95 },
    };
    const struct {
        TwzCorner corner;
        TwzPoint point;
    } sharpCorners[] = { { wzCornerTopLeft, { 0, 0 } }, { wzCornerTopRight, { 10, 0 } },
        { wzCornerBottomLeft, { 0, 10 } }, { wzCornerBottomRight, { 10, 10 } } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* slab = Make<ThvRectangle3D>();
        slab->SetWidth(10);
        slab->SetHeight(10);
        slab->SetxRadius(2);
        slab->SetyRadius(2);
        slab->SetCorners(c.corners);
        slab->SetCornerType(c.type);
        slab->SetSides({ hvShape3DFront });
        Paint(slab);
        const std::vector<TwzPolygon> figures = Figures(canvas->lastPolygon);
        ASSERT_EQ(figures.size(), 1u);
        int shaped = 0;
        for (const auto& sharp : sharpCorners) {
            const bool chosen = c.corners.Contains(sharp.corner);
            shaped += chosen ? 1 : 0;
            EXPECT_EQ(Contains(figures[0], sharp.point), !chosen) << "corner " << sharp.corner;
        }
        EXPECT_NEAR(Area(figures[0]), 100 - shaped * c.removedPerCorner, 0.05);
    }
}

TEST_F(ThvShape3DTest, RadiiWiderThanHalfASideAreLimitedToIt)
{
    auto* slab = Make<ThvRectangle3D>();
    slab->SetxRadius(3); // on a 4-wide slab: 2
    slab->SetyRadius(3);
    slab->SetCornerType(wzCornerBevel);
    Paint(slab);
    const std::vector<TwzPolygon> figures = Figures(canvas->lastPolygon);
    ASSERT_EQ(figures.size(), 1u);
    // Four bevels of 2 x 2 meet at the middle of each side: a diamond of half the square.
    EXPECT_NEAR(Area(figures[0]), 8, 1e-4);
    EXPECT_TRUE(Contains(figures[0], { 2, 0 }));
}

TEST_F(ThvShape3DTest, AnEllipseFillsItsBoxAsOneOpenFigure)
{
    auto* ellipse = Make<ThvEllipse3D>();
    ellipse->SetWidth(6);
    ellipse->SetHeight(2);
    ellipse->SetSides({ hvShape3DFront });
    const std::vector<std::string> lines = Paint(ellipse);
    EXPECT_EQ(
        lines.back(), "FillPolygon (3,1,0) (6,2,1) " + std::to_string(canvas->lastPolygon.size()) + " 1 F--");
    // No figure end: the ellipse's path is not closed, it only ends where it began.
    for (const TwzPoint& p : canvas->lastPolygon)
        EXPECT_FALSE(scene3d::IsFigureEnd(p));
    EXPECT_NEAR(Area(canvas->lastPolygon), std::numbers::pi * 3 * 1, 0.02);
}

TEST_F(ThvShape3DTest, ShapesOfNoWidthOrHeightReachTheCanvasFlat)
{
    // The flattened extent of a flat outline is 0.001, so the extrusion gets it and draws
    // nothing of it; the shape itself does not fail.
    for (float width : { 0.0f, 4.0f }) {
        auto* slab = Make<ThvRectangle3D>();
        slab->SetWidth(width);
        slab->SetHeight(4 - width);
        const std::vector<std::string> lines = Paint(slab);
        EXPECT_EQ(lines.size(), 6u);
    }
}

TEST_F(ThvShape3DTest, FlatnessHasAFloorAndSettersRepaintOnlyOnChange)
{
    auto* slab = Make<ThvRectangle3D>();
    slab->SetFlatness(0.01f);
    EXPECT_FLOAT_EQ(slab->GetFlatness(), 0.05f);
    struct Case {
        const char* name;
        std::function<void()> same;
        std::function<void()> change;
    };
    const Case cases[] = {
        { "flatness", [&] { slab->SetFlatness(0.05f); }, [&] { slab->SetFlatness(2); } },
        { "sides", [&] { slab->SetSides(hvAllShape3DSides); }, [&] { slab->SetSides({ hvShape3DBack }); } },
        { "x radius", [&] { slab->SetxRadius(0); }, [&] { slab->SetxRadius(1); } },
        { "y radius", [&] { slab->SetyRadius(0); }, [&] { slab->SetyRadius(1); } },
        { "corners", [&] { slab->SetCorners(AllCorners); }, [&] { slab->SetCorners({ wzCornerTopLeft }); } },
        { "corner type", [&] { slab->SetCornerType(wzCornerRound); },
            [&] { slab->SetCornerType(wzCornerBevel); } },
        { "back material", [&] {}, [&] { slab->GetMaterialBack()->SetDiffuse("#FF123456"); } },
        { "wall material", [&] {}, [&] { slab->GetMaterialLeft()->SetDiffuse("#FF123456"); } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->updateRequests = 0;
        c.same();
        EXPECT_EQ(scene->updateRequests, 0);
        c.change();
        EXPECT_GT(scene->updateRequests, 0);
    }
}

TEST_F(ThvShape3DTest, KeptOutlinesFollowEveryChangeOfWhatTheyAreMadeOf)
{
    // Each change goes to a shape painted all along and to a new one that takes every change
    // so far before its first paint: both draw the same polygon in the same box.
    struct Case {
        const char* name;
        std::function<void(ThvRectangle3D*)> change;
    };
    const Case cases[] = {
        { "width", [](ThvRectangle3D* r) { r->SetWidth(6); } },
        { "height", [](ThvRectangle3D* r) { r->SetHeight(3); } },
        { "x radius", [](ThvRectangle3D* r) { r->SetxRadius(1); } },
        { "y radius", [](ThvRectangle3D* r) { r->SetyRadius(0.5f); } },
        { "flatness", [](ThvRectangle3D* r) { r->SetFlatness(5); } },
        { "corners",
            [](ThvRectangle3D* r) {
                r->SetCorners({ wzCornerTopLeft, wzCornerBottomRight });
            } },
        { "corner type", [](ThvRectangle3D* r) { r->SetCornerType(wzCornerBevel); } },
        { "depth", [](ThvRectangle3D* r) { r->SetDepth(2); } },
    };
    auto* kept = Make<ThvRectangle3D>();
    Extrusions(Paint(kept));
    std::vector<std::function<void(ThvRectangle3D*)>> applied;
    TwzPolygon previous = canvas->lastPolygon;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change(kept);
        applied.push_back(c.change);
        const std::vector<std::string> lines = Extrusions(Paint(kept));
        const TwzPolygon polygon = canvas->lastPolygon;
        EXPECT_EQ(Extrusions(Paint(kept)), lines) << "a repaint";
        EXPECT_EQ(canvas->lastPolygon, polygon) << "a repaint";
        auto* fresh = Make<ThvRectangle3D>();
        for (const auto& change : applied)
            change(fresh);
        EXPECT_EQ(Extrusions(Paint(fresh)), lines);
        EXPECT_EQ(canvas->lastPolygon, polygon);
        if (c.name != std::string("depth")) {
            EXPECT_NE(polygon, previous) << "the change shows in the outline";
        }
        previous = polygon;
    }

    auto* ellipse = Make<ThvEllipse3D>();
    Extrusions(Paint(ellipse));
    const std::tuple<float, float, float> sizes[]
        = { { 4.0f, 4.0f, 0.3f }, { 6.0f, 4.0f, 0.3f }, { 6.0f, 2.0f, 0.3f }, { 6.0f, 2.0f, 2.0f } };
    for (const auto& [width, height, flatness] : sizes) {
        SCOPED_TRACE(testing::Message() << width << " x " << height << " at " << flatness);
        ellipse->SetWidth(width);
        ellipse->SetHeight(height);
        ellipse->SetFlatness(flatness);
        const std::vector<std::string> lines = Extrusions(Paint(ellipse));
        const TwzPolygon polygon = canvas->lastPolygon;
        auto* fresh = Make<ThvEllipse3D>();
        fresh->SetWidth(width);
        fresh->SetHeight(height);
        fresh->SetFlatness(flatness);
        EXPECT_EQ(Extrusions(Paint(fresh)), lines);
        EXPECT_EQ(canvas->lastPolygon, polygon);
    }
}

TEST_F(ThvShape3DTest, ShapesAreStoredWithTheirFacesCornersAndSize)
{
    RegisterTestClasses3D();
    rtl::RegisterClass<ThvRectangle3D>();
    auto* slab = Make<ThvRectangle3D>();
    // A width of 1 differs from the slab's own default of 4, not from a plain object's.
    slab->SetWidth(1);
    slab->SetCorners({ wzCornerTopLeft, wzCornerBottomRight });
    slab->SetCornerType(wzCornerInnerLine);
    slab->SetxRadius(0.25f);
    slab->SetSides({ hvShape3DFront, hvShape3DLeft });
    slab->SetFlatness(3);
    slab->GetMaterialBack()->SetDiffuse("#FF102030");
    slab->GetMaterialLeft()->SetDiffuse("#FF405060");
    rtl::TMemoryStream stream;
    rtl::WriteComponentToStream(stream, *slab);
    stream.SetPosition(0);
    auto* copy = dynamic_cast<ThvRectangle3D*>(rtl::ReadComponentFromStream(stream, nullptr, form.get()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetWidth(), 1);
    EXPECT_EQ(copy->GetHeight(), 4);
    EXPECT_EQ(copy->GetCorners(), (TwzCorners { wzCornerTopLeft, wzCornerBottomRight }));
    EXPECT_EQ(copy->GetCornerType(), wzCornerInnerLine);
    EXPECT_FLOAT_EQ(copy->GetxRadius(), 0.25f);
    EXPECT_EQ(copy->GetSides(), (ThvShape3DSides { hvShape3DFront, hvShape3DLeft }));
    EXPECT_EQ(copy->GetFlatness(), 3);
    EXPECT_EQ(copy->GetMaterialBack()->GetDiffuse(), "#FF102030");
    EXPECT_EQ(copy->GetMaterialLeft()->GetDiffuse(), "#FF405060");

    // All four corners are the default and are not written.
    auto* plain = Make<ThvRectangle3D>();
    rtl::TMemoryStream binary, textStream;
    rtl::WriteComponentToStream(binary, *plain);
    binary.SetPosition(0);
    ObjectStreamToText(binary, textStream);
    const std::string text(
        reinterpret_cast<const char*>(textStream.Memory()), static_cast<size_t>(textStream.GetSize()));
    EXPECT_EQ(text.find("Corners"), std::string::npos) << text;
    EXPECT_NE(text.find("xRadius"), std::string::npos) << text;
}

TEST_F(ThvShape3DTest, MouseInputArrivesInOutlineCoordinates)
{
    auto* shape = Make<TInputShape>();
    shape->SetWidth(4);
    shape->SetHeight(2);
    shape->SetDepth(1);
    // A ray straight down the Z axis onto the front face at local (1, 0.5).
    const ThvVector onFace { 1, 0.5f, 5, 1 }, down { 0, 0, -1, 0 };
    const ThvVector away { 10, 10, 5, 1 };
    shape->MouseDown(TMouseButton::Left, {}, 7, 8, onFace, down);
    shape->MouseMove({}, 7, 8, 0, 0, onFace, down);
    shape->MouseMove({}, 7, 8, 0, 0, away, down); // misses: no call
    shape->MouseUp(TMouseButton::Left, {}, 7, 8, onFace, down);
    shape->MouseDown(TMouseButton::Left, {}, 7, 8, away, down); // misses: no call
    shape->MouseUp(TMouseButton::Left, {}, 7, 8, away, down); // misses: the unconverted point
    // x from the left edge, y down from the top edge of the face.
    EXPECT_EQ(shape->input, (std::vector<std::string> { "down 3 0.5", "move 3 0.5", "up 3 0.5", "up 7 8" }));
}

TEST_F(ThvShape3DTest, PickingHitsTheBox)
{
    auto* slab = Make<ThvRectangle3D>();
    ThvVector hit;
    EXPECT_TRUE(slab->RayCastIntersect({ 1.9f, 1.9f, 5, 1 }, { 0, 0, -1, 0 }, hit));
    EXPECT_TRUE(Near(hit, { 1.9f, 1.9f, 0.5f, 1 }));
    EXPECT_FALSE(slab->RayCastIntersect({ 2.1f, 0, 5, 1 }, { 0, 0, -1, 0 }, hit));
}
