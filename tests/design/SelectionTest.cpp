// The selection frame and handles, driven through the test host as a scene routes its
// window's mouse: which part of the frame a press takes, moves and grip drags with their
// limits (parent bounds, smallest size, squares), the events a drag raises, the hover marks,
// what is drawn, and the point handle.

#include "app/Modules.h"
#include "design/TwzSelection.h"
#include "graphics/TwzBitmap.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzPosition.h"
#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"
#include "tests/ui2d/TestScene.h"
#include "ui2d/Library2D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using platform::ui::ShiftFlag;

namespace {

const TShiftState kLeftHeld { ShiftFlag::Left };

/// Counts OnChange and OnTrack of the objects bound to it; can free the sender from either.
class TEventCounter : public rtl::TObject {
public:
    template <class T> void Bind(T& object)
    {
        object.OnChange.template Bind<&TEventCounter::Changed>(this);
        object.OnTrack.template Bind<&TEventCounter::Tracked>(this);
    }
    void Changed(rtl::TObject* sender)
    {
        ++changes;
        if (freeOnChange)
            static_cast<rtl::TComponent*>(sender)->Free();
    }
    void Tracked(rtl::TObject* sender)
    {
        ++tracks;
        if (freeOnTrack)
            static_cast<rtl::TComponent*>(sender)->Free();
    }

    int changes = 0;
    int tracks = 0;
    bool freeOnChange = false;
    bool freeOnTrack = false;
};

/// A 200 x 200 parent in a test host, holding a selection at (20, 20) of 50 x 50.
class SelectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartModules();
        owner.reset(new TestScene(nullptr));
        scene = owner.get();
        root = new TwzVisualObject(owner.get());
        root->SetBounds(0, 0, 200, 200);
        root->SetHitTest(false);
        scene->AddObject(root);
        selection = new TwzSelection(owner.get());
        selection->SetBounds(20, 20, 50, 50);
        selection->SetParent(root);
        counter.Bind(*selection);
    }

    /// A left press at `from`, moves through `to` with the button held, no release.
    void Drag(TwzPoint from, TwzPoint to)
    {
        scene->InjectMouseDown(from);
        scene->InjectMouseMove(to, kLeftHeld);
    }
    [[nodiscard]] TwzRect Bounds() const { return selection->GetParentedRect(); }

    rtl::TOwned<TestScene> owner;
    TestScene* scene = nullptr;
    TwzVisualObject* root = nullptr;
    TwzSelection* selection = nullptr;
    TEventCounter counter;
};

std::string Text(const TwzRect& r)
{
    return RectToText(r);
}

TEST_F(SelectionTest, APressTakesTheGripUnderItOrElseTheBodyAndTheDragFollowsThePointer)
{
    struct Case {
        const char* edge;
        TwzPoint press;
        TwzPoint to;
        TwzRect expected; // left, top, right, bottom in the parent
    };
    const Case cases[] = {
        // The press point's offset inside the grip is kept: the edge does not jump.
        { "1 px inside the left-top corner resizes from there", { 21, 21 }, { 31, 26 }, { 30, 25, 70, 70 } },
        { "the body moves", { 45, 45 }, { 55, 40 }, { 30, 15, 80, 65 } },
        { "2 px outside the right-bottom corner still resizes", { 72, 72 }, { 82, 77 }, { 20, 20, 82, 77 } },
        { "the right-top grip", { 70, 20 }, { 80, 15 }, { 20, 15, 80, 70 } },
        { "the left-bottom grip", { 20, 70 }, { 10, 80 }, { 10, 20, 70, 80 } },
        { "the left-top grip grabbed from outside", { 18, 17 }, { 8, 7 }, { 10, 10, 70, 70 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        selection->SetBounds(20, 20, 50, 50);
        ASSERT_EQ(scene->ObjectAt(c.press), selection);
        Drag(c.press, c.to);
        scene->InjectMouseUp(c.to);
        EXPECT_EQ(Text(Bounds()), Text(c.expected));
    }
    // Beyond the grips the selection is not hit at all.
    selection->SetBounds(20, 20, 50, 50);
    EXPECT_NE(scene->ObjectAt({ 74, 74 }), selection);
    EXPECT_NE(scene->ObjectAt({ 45, 15 }), selection);
}

TEST_F(SelectionTest, GripDragsFollowAScaledParentInItsOwnUnits)
{
    root->GetScale()->SetPoint({ 2, 2 });
    selection->SetBounds(10, 10, 20, 20); // scene 20..60
    Drag({ 60, 60 }, { 80, 90 });
    EXPECT_EQ(Text(Bounds()), Text({ 10, 10, 40, 45 }));
}

TEST_F(SelectionTest, MovesAndGripDragsStayInsideTheParent)
{
    struct Case {
        const char* edge;
        TwzPoint press;
        TwzPoint to;
        TwzRect expected;
    };
    const Case cases[] = {
        { "a move past the right and bottom edges", { 45, 45 }, { 400, 300 }, { 150, 150, 200, 200 } },
        { "a move past the left and top edges", { 45, 45 }, { -100, -50 }, { 0, 0, 50, 50 } },
        { "the right-bottom grip past the far corner", { 70, 70 }, { 260, 230 }, { 20, 20, 200, 200 } },
        { "the left-top grip past the near corner", { 21, 21 }, { -30, -40 }, { 0, 0, 70, 70 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        selection->SetBounds(20, 20, 50, 50);
        Drag(c.press, c.to);
        scene->InjectMouseUp(c.to);
        EXPECT_EQ(Text(Bounds()), Text(c.expected));
    }

    SCOPED_TRACE("without ParentBounds nothing holds it");
    selection->SetParentBounds(false);
    selection->SetBounds(20, 20, 50, 50);
    Drag({ 45, 45 }, { 400, 300 });
    EXPECT_EQ(Text(Bounds()), Text({ 375, 275, 425, 325 }));
    scene->InjectMouseUp({ 400, 300 });
}

TEST_F(SelectionTest, AGripDragNeverLeavesLessThanMinSizeAndTheOppositeEdgeStays)
{
    SCOPED_TRACE("right-bottom dragged past the left edge");
    Drag({ 70, 70 }, { 5, 40 });
    EXPECT_EQ(Text(Bounds()), Text({ 20, 20, 35, 40 }));
    scene->InjectMouseUp({ 5, 40 });

    SCOPED_TRACE("left-top dragged past the right edge near the parent's border");
    selection->SetBounds(140, 20, 50, 50); // right edge at 190
    Drag({ 140, 20 }, { 199, 100 });
    const TwzRect r = Bounds();
    EXPECT_EQ(RectWidth(r), 15);
    EXPECT_EQ(RectHeight(r), 15);
    EXPECT_EQ(r.Right, 190) << "the opposite edge is not pushed";
    EXPECT_EQ(r.Bottom, 70);
    scene->InjectMouseUp({ 199, 100 });

    SCOPED_TRACE("a larger MinSize");
    selection->SetMinSize(40);
    selection->SetBounds(20, 20, 50, 50);
    Drag({ 70, 70 }, { 30, 100 });
    EXPECT_EQ(Text(Bounds()), Text({ 20, 20, 60, 100 }));
}

TEST_F(SelectionTest, ProportionalGripDragsMakeARoundedSquareAndKeepTheOppositeCorner)
{
    selection->SetProportional(true);
    struct Case {
        const char* edge;
        TwzRect start;
        TwzPoint press;
        TwzPoint to;
        TwzRect expected;
    };
    const Case cases[] = {
        { "41 x 21 gives 31 x 31", { 10, 10, 30, 30 }, { 30, 30 }, { 51, 31 }, { 10, 10, 41, 41 } },
        { "41 x 20 gives 30 x 30: the half goes to the even side", { 10, 10, 30, 30 }, { 30, 30 }, { 51, 30 },
            { 10, 10, 40, 40 } },
        { "left-top keeps the right-bottom corner", { 50, 50, 100, 100 }, { 50, 50 }, { 40, 30 },
            { 35, 35, 100, 100 } },
        { "right-top keeps the left-bottom corner", { 50, 50, 100, 100 }, { 100, 50 }, { 120, 40 },
            { 50, 35, 115, 100 } },
        { "left-bottom keeps the right-top corner", { 50, 50, 100, 100 }, { 50, 100 }, { 40, 120 },
            { 35, 50, 100, 115 } },
        // The square would reach past the parent: it stops at the parent's edge.
        { "right-bottom held inside the parent", { 150, 20, 170, 40 }, { 170, 40 }, { 240, 120 },
            { 150, 20, 200, 70 } },
        { "left-top held inside the parent", { 5, 50, 45, 90 }, { 5, 50 }, { 0, 0 }, { 0, 45, 45, 90 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        selection->SetBounds(c.start.Left, c.start.Top, RectWidth(c.start), RectHeight(c.start));
        Drag(c.press, c.to);
        scene->InjectMouseUp(c.to);
        EXPECT_EQ(Text(Bounds()), Text(c.expected));
    }
}

TEST_F(SelectionTest, TrackFollowsEachStepAndChangeEndsALeftPress)
{
    SCOPED_TRACE("a click without movement");
    scene->InjectClick({ 45, 45 });
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(counter.tracks, 0);

    SCOPED_TRACE("a grip drag of three steps");
    counter.changes = counter.tracks = 0;
    scene->InjectMouseDown({ 70, 70 });
    for (float x : { 80.0f, 90.0f, 100.0f })
        scene->InjectMouseMove({ x, 80 }, kLeftHeld);
    EXPECT_EQ(counter.changes, 0);
    scene->InjectMouseUp({ 100, 80 });
    EXPECT_EQ(counter.tracks, 3);
    EXPECT_EQ(counter.changes, 1);

    SCOPED_TRACE("the right button neither drags nor changes");
    counter.tracks = counter.changes = 0;
    scene->InjectMouseDown({ 45, 45 }, TMouseButton::Right);
    scene->InjectMouseMove({ 60, 60 }, { ShiftFlag::Right });
    scene->InjectMouseUp({ 60, 60 }, TMouseButton::Right);
    EXPECT_EQ(counter.tracks, 0);
    EXPECT_EQ(counter.changes, 0);
    EXPECT_EQ(Text(Bounds()), Text({ 20, 20, 100, 80 }));
}

TEST_F(SelectionTest, AHandlerMayFreeTheSelectionDuringADrag)
{
    for (bool onTrack : { true, false }) {
        SCOPED_TRACE(onTrack ? "freed by OnTrack" : "freed by OnChange");
        auto* doomed = new TwzSelection(owner.get());
        doomed->SetBounds(100, 100, 50, 50);
        doomed->SetParent(root);
        TEventCounter killer;
        killer.freeOnTrack = onTrack;
        killer.freeOnChange = !onTrack;
        killer.Bind(*doomed);
        scene->InjectMouseDown({ 150, 150 });
        scene->InjectMouseMove({ 160, 160 }, kLeftHeld);
        scene->InjectMouseMove({ 170, 170 }, kLeftHeld);
        scene->InjectMouseUp({ 170, 170 });
        EXPECT_EQ(killer.changes, onTrack ? 0 : 1);
        EXPECT_EQ(killer.tracks, onTrack ? 1 : 2);
        EXPECT_EQ(scene->ObjectAt({ 125, 125 }), nullptr);
    }
}

TEST_F(SelectionTest, GripsLightUpUnderAFreePointerOnly)
{
    using Corner = TwzSelection::Corner;
    scene->InjectMouseMove({ 71, 69 });
    EXPECT_TRUE(selection->IsGripHovered(Corner::RightBottom));
    EXPECT_FALSE(selection->IsGripHovered(Corner::LeftTop));

    scene->InjectMouseMove({ 45, 45 });
    EXPECT_FALSE(selection->IsGripHovered(Corner::RightBottom));

    // A held key or button leaves the marks alone.
    scene->InjectMouseMove({ 20, 20 }, { ShiftFlag::Shift });
    EXPECT_FALSE(selection->IsGripHovered(Corner::LeftTop));

    scene->InjectMouseMove({ 20, 70 });
    EXPECT_TRUE(selection->IsGripHovered(Corner::LeftBottom));
    scene->InjectMouseMove({ 150, 150 }); // leaves the selection
    EXPECT_FALSE(selection->IsGripHovered(Corner::LeftBottom));
}

TEST_F(SelectionTest, SettersKeepTheirRanges)
{
    struct Case {
        float grip;
        float expected;
    };
    for (const Case& c : { Case { 50, 20 }, Case { 0.5f, 1 }, Case { 7, 7 }, Case { -3, 1 } }) {
        selection->SetGripSize(c.grip);
        EXPECT_EQ(selection->GetGripSize(), c.expected) << c.grip;
    }
    selection->SetMinSize(0);
    EXPECT_EQ(selection->GetMinSize(), 1);
    selection->SetMinSize(-20);
    EXPECT_EQ(selection->GetMinSize(), 1);

    auto* point = new TwzSelectionPoint(owner.get());
    point->SetWidth(100);
    point->SetHeight(0);
    EXPECT_EQ(point->GetWidth(), 6);
    EXPECT_EQ(point->GetHeight(), 6);
    EXPECT_TRUE(point->GetNoDesignHandles());
}

TEST_F(SelectionTest, ALargerGripStillCatchesThePointerAndIsRepaintedWhole)
{
    selection->SetGripSize(12);
    EXPECT_EQ(scene->ObjectAt({ 8, 8 }), selection);
    // The grip circle and its pen reach 12.5 beyond the corner.
    const TwzRect update = selection->GetUpdateRect();
    EXPECT_LE(update.Left, 20 - 12.5f);
    EXPECT_GE(update.Right, 70 + 12.5f);
}

TEST_F(SelectionTest, StoredSelectionsKeepTheirSettingsAndEvents)
{
    selection->SetName("Sel");
    selection->SetGripSize(6);
    selection->SetMinSize(4);
    selection->SetParentBounds(false);
    selection->SetHideSelection(true);
    selection->SetProportional(true);
    rtl::TMemoryStream stream;
    selection->SaveObjectAsText(stream);
    const std::string text(
        reinterpret_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.GetSize()));
    for (const char* expected : { "TwzSelection", "GripSize", "MinSize = 4", "ParentBounds = False",
             "HideSelection = True", "Proportional = True" })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;

    TwzObject* copy = selection->CloneObject(owner.get());
    auto* clone = dynamic_cast<TwzSelection*>(copy);
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->GetGripSize(), 6);
    EXPECT_EQ(clone->GetMinSize(), 4);
    EXPECT_FALSE(clone->GetParentBounds());
    EXPECT_TRUE(clone->GetHideSelection());
    EXPECT_TRUE(clone->GetProportional());
    EXPECT_TRUE(clone->GetAutoCapture());
    copy->Free();

    for (const char* name : { "TwzSelection", "TwzSelectionPoint", "TwzDesignFrame" }) {
        const rtl::TClassInfo* info = rtl::FindClass(name);
        ASSERT_NE(info, nullptr) << name;
        EXPECT_NE(info->FindEvent("OnChange"), nullptr) << name;
        EXPECT_NE(info->FindEvent("OnTrack"), nullptr) << name;
    }
}

// ---- drawing --------------------------------------------------------------------------------

class SelectionPaintTest : public SelectionTest {
protected:
    void SetUp() override
    {
        SelectionTest::SetUp();
        canvas = std::make_unique<TwzCanvasGdiPlus>(&bitmap);
        scene->SetCanvas(canvas.get());
        root->SetBounds(0, 0, 64, 64);
        selection->SetBounds(10, 10, 40, 40);
    }
    void TearDown() override { scene->SetCanvas(nullptr); }
    void PaintAll()
    {
        bitmap.Clear(0);
        scene->ClearUpdateRects();
        scene->AddUpdateRect({ 0, 0, 64, 64 });
        scene->PaintRoots();
    }
    [[nodiscard]] uint32_t Pixel(int x, int y) { return bitmap.GetScanline(y)[x]; }

    TwzBitmap bitmap { 64, 64 };
    std::unique_ptr<TwzCanvasGdiPlus> canvas;
};

TEST_F(SelectionPaintTest, ADashedFrameWithWhiteGripsThatTurnRedUnderThePointer)
{
    PaintAll();
    // The grip at the left-top corner is a white disc with a blue rim.
    EXPECT_EQ(Pixel(10, 10), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(50, 50), 0xFFFFFFFFu);
    // The frame is dashed: along the top edge some pixels are blue, some are not drawn.
    int blue = 0;
    int empty = 0;
    for (int x = 16; x < 44; ++x) {
        const uint32_t c = Pixel(x, 10);
        blue += (c & 0xFF) > 0x80 && (c >> 24) > 0x80 && ((c >> 16) & 0xFF) < 0x80;
        empty += (c >> 24) < 0xC0; // a gap, perhaps touched by the dashes' smoothing
    }
    EXPECT_GT(blue, 4);
    EXPECT_GT(empty, 2);
    EXPECT_EQ(Pixel(30, 30), 0u) << "the inside stays clear";

    scene->InjectMouseMove({ 50, 50 });
    PaintAll();
    EXPECT_EQ(Pixel(50, 50), 0xFFFF0000u);
    EXPECT_EQ(Pixel(10, 10), 0xFFFFFFFFu);
}

TEST_F(SelectionPaintTest, AHiddenSelectionDrawsNothingYetItsGripsStillResize)
{
    selection->SetHideSelection(true);
    PaintAll();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(Pixel(x, y), 0u) << x << "," << y;
    Drag({ 50, 50 }, { 60, 55 });
    EXPECT_EQ(Text(Bounds()), Text({ 10, 10, 60, 55 }));
}

TEST_F(SelectionPaintTest, APointHandleIsADiscOnItsPositionThatTheUserDrags)
{
    selection->SetVisible(false);
    auto* point = new TwzSelectionPoint(owner.get());
    point->GetPosition()->SetPoint({ 30, 30 });
    point->SetParent(root);
    TEventCounter events;
    events.Bind(*point);

    PaintAll();
    EXPECT_EQ(Pixel(30, 30), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(34, 34), 0u) << "centred on its position, not on its box";

    // Hit within 3 of the position, on either side.
    EXPECT_EQ(scene->ObjectAt({ 28, 28 }), point);
    EXPECT_NE(scene->ObjectAt({ 33.5f, 30 }), point);

    scene->SetSelectedObject(point);
    PaintAll();
    EXPECT_EQ(Pixel(30, 30), 0xFFFF0000u) << "the host's selected point is red";
    scene->SetSelectedObject(nullptr);

    scene->InjectMouseDown({ 31, 29 });
    scene->InjectMouseMove({ 40, 20 }, kLeftHeld);
    EXPECT_EQ(point->GetPosition()->GetPoint(), (TwzPoint { 40, 20 }));
    scene->InjectMouseMove({ 100, -10 }, kLeftHeld);
    EXPECT_EQ(point->GetPosition()->GetPoint(), (TwzPoint { 64, 0 })) << "kept inside the parent";
    scene->InjectMouseUp({ 100, -10 });
    EXPECT_EQ(events.tracks, 2);
    EXPECT_EQ(events.changes, 1);

    // A move without a press drags nothing.
    scene->InjectMouseMove({ 10, 10 });
    EXPECT_EQ(point->GetPosition()->GetPoint(), (TwzPoint { 64, 0 }));
}

} // namespace

namespace {

TEST(DesignToolsRegistration, TheHandlesAreInTheDesignCategoryAndTheFormsAreFoundByName)
{
    StartModules();
    std::vector<std::string> design;
    for (const ui2d::CategoryEntry& entry : Object2DCategoryList())
        if (entry.category == "Design")
            design.emplace_back(entry.classInfo->name);
    for (const char* name : { "TwzSelection", "TwzSelectionPoint", "TwzDesignFrame" })
        EXPECT_EQ(std::count(design.begin(), design.end(), name), 1) << name;
    for (const char* name :
        { "TwzSelection", "TwzSelectionPoint", "TwzDesignFrame", "TwzBitmapEditor", "TwzPathDataDesigner" })
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
}

} // namespace
