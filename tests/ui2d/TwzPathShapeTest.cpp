// The path shape's wrap modes, its hit test and its link to a named path; the paint box's
// event.

#include "PixelScene.h"

#include "graphics/TwzBrush.h"
#include "graphics/TwzPathData.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/TwzEffect.h"
#include "ui2d/TwzPaintBox.h"
#include "ui2d/TwzPathObject.h"
#include "ui2d/TwzPathShape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui2dtest;

namespace {

constexpr uint32_t kRed = 0xFFFF0000;

/// A right triangle with its right angle at the top left of its 10 x 10 bounds at (5, 5).
constexpr const char* kTriangle = "M 5,5 L 15,5 L 5,15 Z";

class TPaintRecorder : public rtl::TObject {
    RTL_CLASS(TPaintRecorder, rtl::TObject)
public:
    std::vector<TwzRect> rects;
    std::vector<rtl::TObject*> senders;
    void Painted(rtl::TObject* sender, TwzCanvas* canvas, const TwzRect& rect)
    {
        senders.push_back(sender);
        rects.push_back(rect);
        canvas->GetFill().SetStyle(wzBrushSolid);
        canvas->GetFill().SetSolidColor(kRed);
        canvas->FillRect({ 0, 0, 4, 4 }, 0, 0, {}, 1);
    }
};

} // namespace

RTL_IMPLEMENT_CLASS(TPaintRecorder)

class PathShapes : public PixelScene {
protected:
    TwzPath* Path(const TwzRect& box, const char* data, TwzPathWrap mode)
    {
        auto* path = Add<TwzPath>(box);
        path->GetPathData()->SetData(data);
        path->GetFill()->SetSolidColor(kRed);
        path->GetStroke()->SetStyle(wzBrushNone);
        path->SetWrapMode(mode);
        return path;
    }
};

TEST_F(PathShapes, WrapModesPlaceThePath)
{
    struct Case {
        const char* name;
        TwzPathWrap mode;
        TwzRect box;
        std::vector<std::pair<TwzPoint, bool>> probes; // filled or not
    };
    const Case cases[] = {
        { "stretch maps the bounds onto the shape rectangle", wzPathStretch, { 4, 4, 60, 60 },
            { { { 6, 6 }, true }, { { 50, 6 }, true }, { { 6, 50 }, true }, { { 40, 40 }, false } } },
        { "fit never enlarges and centres", wzPathFit, { 4, 4, 60, 24 },
            // 10 x 10 centred: x 27 to 37, y 9 to 19.
            { { { 28, 10 }, true }, { { 34, 10 }, true }, { { 26, 10 }, false }, { { 30, 17 }, false },
                { { 6, 6 }, false } } },
        { "original keeps the path's own place", wzPathOriginal, { 0, 0, 40, 40 },
            { { { 6, 6 }, true }, { { 3, 3 }, false }, { { 13, 13 }, false }, { { 20, 6 }, false } } },
        { "tiles repeat by the path's size", wzPathTile, { 0, 0, 40, 40 },
            { { { 6, 6 }, true }, { { 16, 6 }, true }, { { 36, 16 }, true }, { { 13, 13 }, false } } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzPath* path = Path(c.box, kTriangle, c.mode);
        PaintAll();
        for (const auto& [point, filled] : c.probes) {
            const uint32_t p = Pixel(static_cast<int>(point.X), static_cast<int>(point.Y));
            EXPECT_EQ(p == kRed, filled) << "at " << point.X << ", " << point.Y << ": " << Hex(p);
        }
        path->Free();
    }
}

TEST_F(PathShapes, DrawsTheNamedPathItIsLinkedTo)
{
    auto* resource = new TwzPathObject(form.get());
    resource->SetName("arrow");
    resource->GetPath()->SetData("M 0,0 L 10,0 L 10,10 L 0,10 Z");
    TwzPath* path = Path({ 8, 8, 56, 56 }, kTriangle, wzPathStretch);
    path->GetPathData()->SetResourceName("arrow");
    PaintAll();
    EXPECT_EQ(Pixel(50, 50), kRed) << "the square, not the triangle";
    EXPECT_TRUE(path->ContainsLocal({ 45, 45 }));

    path->GetPathData()->SetResourceName("");
    path->GetPathData()->SetResource(nullptr);
    path->GetPathData()->Clear();
    PaintAll();
    EXPECT_EQ(Pixel(30, 30), 0u) << "an empty path draws nothing";
}

TEST_F(PathShapes, HitTestFollowsThePathMappedOntoTheShapeRectangle)
{
    TwzPath* path = Path({ 0, 0, 40, 40 }, kTriangle, wzPathTile);
    EXPECT_TRUE(path->ContainsLocal({ 5, 5 }));
    EXPECT_FALSE(path->ContainsLocal({ 35, 35 })) << "the stretched triangle, whatever the wrap mode";
    path->GetPathData()->SetData("M 5,5");
    EXPECT_TRUE(path->ContainsLocal({ 35, 35 })) << "fewer than two points: the rectangle";
    path->GetPathData()->SetData(kTriangle);
    scene->SetCanvas(nullptr);
    EXPECT_TRUE(path->ContainsLocal({ 35, 35 })) << "no canvas: the rectangle";
    scene->SetCanvas(canvas.get());
    EXPECT_FALSE(path->ContainsLocal({ 40, 20 })) << "the rectangle's edge does not count";
    path->GetPosition()->SetPoint({ 10, 10 });
    EXPECT_EQ(scene->ObjectAt({ 14, 14 }), path);
    EXPECT_EQ(scene->ObjectAt({ 44, 44 }), root) << "outside the triangle";
    scene->SetDesignTime(true);
    EXPECT_TRUE(path->ContainsLocal({ 35, 35 })) << "design mode: the rectangle";
    path->SetLocked(true);
    EXPECT_FALSE(path->ContainsLocal({ 35, 35 }));
}

TEST_F(PathShapes, PaintBoxHandsItsCanvasToItsEventAlsoForEffects)
{
    auto* box = Add<TwzPaintBox>({ 20, 20, 40, 40 });
    TPaintRecorder recorder;
    box->OnPaint.Bind<&TPaintRecorder::Painted>(&recorder);
    PaintAll();
    ASSERT_EQ(recorder.rects.size(), 1u);
    EXPECT_EQ(recorder.senders[0], box);
    EXPECT_EQ(recorder.rects[0], (TwzRect { 0, 0, 20, 20 }));
    EXPECT_EQ(Pixel(21, 21), kRed) << "drawn in local coordinates";
    EXPECT_EQ(Pixel(25, 25), 0u);

    auto* shadow = new TwzShadowEffect(form.get());
    shadow->SetParent(box);
    recorder.rects.clear();
    PaintAll();
    EXPECT_EQ(recorder.rects.size(), 2u) << "once into the shadow's picture, once on the scene";
    const rtl::TEventInfo* event = box->ClassInfo().FindEvent("OnPaint");
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(&event->access(*box), static_cast<rtl::TEventBase*>(&box->OnPaint));
}
