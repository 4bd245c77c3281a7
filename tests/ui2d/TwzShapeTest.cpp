// The vector shapes painted into a 64 x 64 scene: fill and stroke of each shape in its
// shape rectangle, the blurred rectangles' cached picture, hit tests, and streaming.

#include "PixelScene.h"

#include "graphics/TwzBrush.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "ui2d/TwzShape.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;

struct Probe {
    int x, y;
    uint32_t expected; // exact ARGB
};

} // namespace

class Shapes : public PixelScene {
protected:
    /// A shape of class T at `box`, filled red and stroked blue with `thickness`.
    template <class T> T* Shape(const TwzRect& box, float thickness = 4)
    {
        T* shape = Add<T>(box);
        shape->GetFill()->SetStyle(wzBrushSolid);
        shape->GetFill()->SetSolidColor(kRed);
        shape->GetStroke()->SetStyle(wzBrushSolid);
        shape->GetStroke()->SetSolidColor(kBlue);
        shape->SetStrokeThickness(thickness);
        return shape;
    }

    /// Each probe within 8 per channel: edges are anti-aliased.
    void Check(const std::vector<Probe>& probes)
    {
        for (const Probe& p : probes) {
            const uint32_t got = Pixel(p.x, p.y);
            EXPECT_TRUE(testsupport::ChannelsNear(got, p.expected, 8))
                << "at " << p.x << ", " << p.y << ": " << Hex(got) << " instead of " << Hex(p.expected);
        }
    }
};

TEST_F(Shapes, ShapeRectangleIsInsetByHalfTheStroke)
{
    auto* rect = Add<TwzRectangle>({ 0, 0, 100, 50 });
    rect->SetStrokeThickness(4);
    EXPECT_EQ(rect->GetShapeRect(), (TwzRect { 2, 2, 98, 48 }));
    rect->GetStroke()->SetStyle(wzBrushNone);
    EXPECT_EQ(rect->GetShapeRect(), (TwzRect { 0, 0, 100, 50 }));
    auto* line = Add<TwzLine>({ 0, 0, 100, 0 });
    EXPECT_EQ(line->GetShapeRect(), (TwzRect { 0.5f, 0.5f, 99.5f, -0.5f }));
}

TEST_F(Shapes, EachShapeFillsAndStrokesItsFigure)
{
    struct Case {
        const char* name;
        std::function<void()> make;
        std::vector<Probe> probes;
    };
    const TwzRect box { 8, 8, 56, 40 }; // 48 x 32; shape rectangle (10, 10, 54, 38) at thickness 4
    const Case cases[] = {
        { "rectangle", [&] { Shape<TwzRectangle>(box); },
            { { 30, 24, kRed }, { 9, 24, kBlue }, { 30, 9, kBlue }, { 55, 39, kBlue }, { 6, 24, 0 },
                { 30, 42, 0 } } },
        { "rectangle without a stroke fills to its edge",
            [&] { Shape<TwzRectangle>(box)->GetStroke()->SetStyle(wzBrushNone); },
            { { 8, 8, kRed }, { 55, 39, kRed }, { 7, 24, 0 } } },
        { "ellipse", [&] { Shape<TwzEllipse>(box); },
            { { 32, 24, kRed }, { 9, 24, kBlue }, { 54, 24, kBlue }, { 32, 9, kBlue }, { 10, 10, 0 },
                { 53, 37, 0 } } },
        { "circle in the largest square", [&] { Shape<TwzCircle>(box); },
            // The square of side 28 centred in the shape rectangle: x 18 to 46, y 10 to 38.
            { { 32, 24, kRed }, { 19, 24, kBlue }, { 45, 24, kBlue }, { 14, 24, 0 }, { 50, 24, 0 } } },
        { "horizontal line along the top edge",
            [&] {
                auto* line = Shape<TwzLine>({ 8, 20, 56, 28 }, 2);
                line->SetLineType(wzLineHorizontal);
            },
            { { 30, 20, kBlue }, { 30, 21, kBlue }, { 30, 24, 0 }, { 30, 27, 0 } } },
        { "vertical line along the left edge",
            [&] {
                auto* line = Shape<TwzLine>({ 20, 8, 28, 56 }, 2);
                line->SetLineType(wzLineVertical);
            },
            { { 20, 30, kBlue }, { 21, 30, kBlue }, { 25, 30, 0 } } },
        { "diagonal line",
            [&] {
                Shape<TwzLine>({ 8, 8, 56, 56 }, 2);
            },
            { { 32, 32, kBlue }, { 12, 12, kBlue }, { 50, 14, 0 }, { 14, 50, 0 } } },
        { "pie from 0 sweeping to -90: the top right quarter",
            [&] {
                Shape<TwzPie>({ 8, 8, 56, 56 }, 2);
            },
            { { 40, 24, kRed }, { 20, 40, 0 }, { 20, 24, 0 }, { 40, 40, 0 } } },
        { "arc: only the curve of the top right quarter",
            [&] {
                Shape<TwzArc>({ 8, 8, 56, 56 }, 2);
            },
            // Radius 23 around (32, 32): the curve passes (48.3, 15.7) at -45 degrees.
            { { 48, 16, kBlue }, { 40, 24, 0 }, { 16, 48, 0 } } },
        { "round rectangle: half circles on its short sides",
            [&] { Shape<TwzRoundRect>(box)->GetStroke()->SetStyle(wzBrushNone); },
            { { 32, 24, kRed }, { 9, 9, 0 }, { 54, 38, 0 }, { 9, 24, kRed }, { 32, 8, kRed } } },
        { "sides rectangle stroked on top only",
            [&] {
                auto* sides = Shape<TwzSidesRectangle>(box);
                sides->SetSides({ wzSideTop });
            },
            { { 30, 9, kBlue }, { 30, 24, kRed }, { 8, 24, kRed }, { 55, 24, kRed }, { 30, 39, kRed },
                { 30, 41, 0 } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make();
        PaintAll();
        Check(c.probes);
        root->DeleteChildren();
    }
}

TEST_F(Shapes, PieAndArcTakeTheirAnglesDifferently)
{
    // Both from 30 to 90: the pie spans 60 degrees, the arc sweeps 90 from 30.
    auto* pie = Shape<TwzPie>({ 0, 0, 64, 64 }, 0);
    pie->GetStroke()->SetStyle(wzBrushNone);
    pie->SetStartAngle(30);
    pie->SetEndAngle(90);
    PaintAll();
    EXPECT_EQ(Pixel(39, 59), kRed) << "75 degrees";
    EXPECT_EQ(Pixel(22, 59), 0u) << "110 degrees lies beyond 90";
    pie->Free();

    auto* arc = Shape<TwzArc>({ 0, 0, 64, 64 }, 0);
    arc->GetFill()->SetStyle(wzBrushSolid);
    arc->GetStroke()->SetStyle(wzBrushNone);
    arc->SetStartAngle(30);
    arc->SetEndAngle(90);
    PaintAll();
    // The fill is the segment between the chord and the curve.
    EXPECT_EQ(Pixel(39, 59), kRed);
    EXPECT_EQ(Pixel(22, 59), kRed) << "110 degrees lies inside a sweep of 90 from 30";
    EXPECT_EQ(Pixel(32, 32), 0u);
}

TEST_F(Shapes, BlurredRectanglesKeepTheirPictureUntilTheirLookChanges)
{
    auto* blurred = Add<TwzBlurRectangle>({ 7, 7, 57, 57 }); // 50 x 50, margin 4
    blurred->GetFill()->SetSolidColor(kRed);
    PaintAll();
    EXPECT_EQ(Pixel(32, 32), kRed);
    EXPECT_LT(Alpha(Pixel(7, 32)), 40) << "the transparent margin, blurred";
    EXPECT_EQ(Pixel(5, 32), 0u);

    // The object's opacity applies once, when the picture is drawn.
    blurred->SetOpacity(0.5f);
    PaintAll();
    EXPECT_NEAR(Alpha(Pixel(32, 32)), 128.0, 2.0) << Hex(Pixel(32, 32));
    blurred->SetOpacity(1);

    struct Case {
        const char* name;
        std::function<void()> change;
        int x, y; // where a new picture would show
        bool refreshes;
    };
    const Case cases[] = {
        { "the fill", [&] { blurred->GetFill()->SetSolidColor(0xFF00FF00); }, 32, 32, true },
        { "the radii",
            [&] {
                blurred->SetXRadius(15);
                blurred->SetYRadius(15);
            },
            12, 12, true },
        { "the softness", [&] { blurred->SetSoftness(0.5f); }, 9, 32, true },
        { "a stroke alone",
            [&] {
                blurred->GetStroke()->SetStyle(wzBrushSolid);
                blurred->GetStroke()->SetSolidColor(kBlue);
                blurred->SetStrokeThickness(30);
            },
            32, 32, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintAll();
        const uint32_t before = Pixel(c.x, c.y);
        c.change();
        PaintAll();
        EXPECT_EQ(Pixel(c.x, c.y) != before, c.refreshes) << Hex(before) << " then " << Hex(Pixel(c.x, c.y));
    }

    auto* round = Add<TwzBlurRoundRect>({ 0, 0, 64, 20 });
    round->GetFill()->SetSolidColor(kRed);
    PaintAll();
    EXPECT_EQ(Pixel(32, 10), kRed);
    EXPECT_LE(Alpha(Pixel(2, 2)), 2) << "round end";
    EXPECT_GT(Alpha(Pixel(6, 10)), 100);
}

TEST_F(Shapes, HugeBlurredRectanglesPaintAReducedPicture)
{
    auto* blurred = Add<TwzBlurRectangle>({ 0, 0, 64, 64 });
    blurred->SetBounds(-50000, -50000, 100064, 100064);
    blurred->SetSoftness(1e9f);
    blurred->GetFill()->SetSolidColor(kRed);
    PaintAll(); // bounded memory and work; what shows does not matter
    SUCCEED();
}

TEST_F(Shapes, EllipseHitTestUsesTheWholeLocalRectangle)
{
    auto* ellipse = Add<TwzEllipse>({ 0, 0, 100, 60 });
    EXPECT_TRUE(ellipse->ContainsLocal({ 50, 0 })) << "the boundary counts";
    EXPECT_FALSE(ellipse->ContainsLocal({ 0, 0 }));
    EXPECT_TRUE(ellipse->ContainsLocal({ 99, 30 }));
    auto* circle = Add<TwzCircle>({ 0, 0, 100, 60 });
    EXPECT_TRUE(circle->ContainsLocal({ 95, 30 })) << "the 100 x 60 ellipse, not the drawn circle";
    auto* flat = Add<TwzEllipse>({ 0, 0, 100, 0 });
    EXPECT_FALSE(flat->ContainsLocal({ 50, 0 }));

    auto* pie = Add<TwzPie>({ 0, 0, 64, 64 });
    EXPECT_TRUE(pie->ContainsLocal({ 40, 20 }));
    EXPECT_FALSE(pie->ContainsLocal({ 20, 40 }));
    scene->SetCanvas(nullptr);
    EXPECT_TRUE(pie->ContainsLocal({ 20, 40 })) << "without a canvas: the ellipse";
    scene->SetCanvas(canvas.get());
}

TEST_F(Shapes, StoredShapesReloadTheirPropertiesAndDefaults)
{
    auto* sides = Add<TwzSidesRectangle>({ 0, 0, 10, 10 });
    sides->SetSides({});
    sides->SetXRadius(3);
    sides->SetCorners({ wzCornerTopLeft });
    sides->GetFill()->SetSolidColor(kRed);
    auto* arc = Add<TwzArc>({ 0, 0, 10, 10 });
    arc->SetEndAngle(45);
    auto* blurred = Add<TwzBlurRoundRect>({ 0, 0, 10, 10 });

    auto roundTrip = [&](TwzObject* source, TwzObject* target) {
        rtl::TMemoryStream stream;
        source->SaveObjectToStream(stream);
        stream.SetPosition(0);
        target->LoadObjectFromStream(stream);
    };
    auto* sidesCopy = Add<TwzSidesRectangle>({ 0, 0, 5, 5 });
    roundTrip(sides, sidesCopy);
    EXPECT_TRUE(sidesCopy->GetSides().Empty()) << "an empty set is stored";
    EXPECT_EQ(sidesCopy->GetXRadius(), 3);
    EXPECT_EQ(sidesCopy->GetCorners(), TwzCorners { wzCornerTopLeft });
    EXPECT_EQ(sidesCopy->GetFill()->GetSolidColor(), kRed);

    auto* arcCopy = Add<TwzArc>({ 0, 0, 5, 5 });
    roundTrip(arc, arcCopy);
    EXPECT_EQ(arcCopy->GetEndAngle(), 45);
    EXPECT_EQ(arcCopy->GetFill()->GetStyle(), wzBrushNone);

    blurred->SetSoftness(0.8f);
    auto* blurredCopy = Add<TwzBlurRoundRect>({ 0, 0, 5, 5 });
    roundTrip(blurred, blurredCopy);
    EXPECT_FLOAT_EQ(blurredCopy->GetSoftness(), 0.8f);
    EXPECT_EQ(blurredCopy->GetStroke()->GetStyle(), wzBrushNone);
}

TEST_F(Shapes, SceneFindsShapesOnlyInsideTheirOutline)
{
    auto* ellipse = Add<TwzEllipse>({ 0, 0, 40, 20 });
    ellipse->GetPosition()->SetPoint({ 10, 30 });
    auto* pie = Add<TwzPie>({ 0, 0, 20, 20 });
    pie->GetPosition()->SetPoint({ 40, 0 });
    // Turned a quarter about its centre, the ellipse stands 20 wide and 40 high.
    ellipse->SetRotateAngle(90);
    struct Case {
        TwzPoint point;
        TwzVisualObject* expected;
    };
    const Case cases[] = {
        { { 30, 40 }, ellipse }, // the centre
        { { 30, 22 }, ellipse }, // near the top of the turned ellipse
        { { 12, 40 }, root }, // inside the unturned box, outside the turned ellipse
        { { 23, 25 }, root }, // a corner of the turned box
        { { 55, 5 }, pie }, // the top right quarter
        { { 45, 15 }, root }, // the bottom left quarter of the pie's box
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.point.X) + ", " + std::to_string(c.point.Y));
        EXPECT_EQ(scene->ObjectAt(c.point), c.expected);
    }
}
