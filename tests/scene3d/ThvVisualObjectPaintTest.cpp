// The paint walk over a subtree (order, presets, skipped children, events, highlights) and
// picking by ray (nearest hit, children before parents, screen objects apart).

#include "VisualTestSupport.h"

#include "scene3d/ThvCamera.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvStrokeCube.h"
#include "scene3d/ThvVisualObject.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace scene3dtest;

namespace {

/// Writes the paint events into the canvas log, so they show among the canvas calls.
class TPaintLogger : public rtl::TObject {
public:
    explicit TPaintLogger(RecordingCanvas& canvas)
        : m_canvas(canvas)
    { }
    rtl::TComponent* freeOnPaint = nullptr;

    void BeforePaint(rtl::TObject* sender, ThvCanvas*)
    {
        m_canvas.log.push_back("OnBeforePaint " + static_cast<rtl::TComponent*>(sender)->GetName());
    }
    void Paint(rtl::TObject* sender, ThvCanvas* canvas)
    {
        m_canvas.log.push_back("OnPaint " + static_cast<rtl::TComponent*>(sender)->GetName()
            + (canvas == &m_canvas ? "" : " (other canvas)"));
        if (rtl::TComponent* victim = freeOnPaint) {
            freeOnPaint = nullptr;
            victim->Free();
        }
    }

private:
    RecordingCanvas& m_canvas;
};

class ThvVisualObjectPaintTest : public VisualFixture {
protected:
    /// A wire box whose width names it in the log ("DrawCube ... (width,1,1)").
    ThvStrokeCube* Box(const std::string& name, float width, ThvObject* parent)
    {
        auto* box = Make<ThvStrokeCube>(name, parent);
        box->SetWidth(width);
        return box;
    }

    /// The log without material lines (shapes get random colours).
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        for (const std::string& line : canvas->log) {
            if (line.rfind("MaterialChanged", 0) != 0)
                calls.push_back(line);
        }
        return calls;
    }

    /// The widths of the boxes drawn, in drawing order.
    std::vector<std::string> DrawnWidths() const
    {
        std::vector<std::string> widths;
        for (const std::string& line : canvas->Lines("DrawCube")) {
            const size_t open = line.find('(', line.find(')'));
            widths.push_back(line.substr(open + 1, line.find(',', open) - open - 1));
        }
        return widths;
    }
};

TEST_F(ThvVisualObjectPaintTest, ChildrenAreDrawnInOrderWithTheirPresets)
{
    auto* root = Make<ThvDummy>("root");
    ThvStrokeCube* a = Box("a", 1, root);
    a->SetZWrite(false);
    a->SetTwoSide(true);
    Box("a1", 2, a);
    Box("b", 3, root)->SetProjection(hvProjectionScreen);
    // On the screen plane without depth writes: an overlay, drawn without the depth test.
    ThvStrokeCube* c = Box("c", 4, root);
    c->SetProjection(hvProjectionScreen);
    c->SetZWrite(false);
    Box("d", 5, root);
    DrawFrame(*scene, *canvas);

    const std::vector<std::string> expected {
        // The root: only its matrix, as the scene draws it; no presets of its own.
        "SetMatrix",
        "ApplyState hvStateZTestOn",
        "ApplyState hvStateZWriteOff",
        "ApplyState hvStateCameraProjection",
        "ApplyState hvStateCullNone",
        "SetMatrix",
        "DrawCube (0,0,0) (1,1,1) 1",
        "ApplyState hvStateSolid",
        "ApplyState hvStateGouraud",
        // a's child, before a's sibling; a preset already on is not applied again.
        "ApplyState hvStateZWriteOn",
        "ApplyState hvStateCullCCW",
        "SetMatrix",
        "DrawCube (0,0,0) (2,1,1) 1",
        "ApplyState hvStateScreenProjection",
        "SetMatrix",
        "DrawCube (0,0,0) (3,1,1) 1",
        "ApplyState hvStateZTestOff",
        "ApplyState hvStateZWriteOff",
        "SetMatrix",
        "DrawCube (0,0,0) (4,1,1) 1",
        // The depth test is back on after the overlay and its children.
        "ApplyState hvStateZTestOn",
        "ApplyState hvStateZWriteOn",
        "ApplyState hvStateCameraProjection",
        "SetMatrix",
        "DrawCube (0,0,0) (5,1,1) 1",
    };
    EXPECT_EQ(Calls(), expected);
}

TEST_F(ThvVisualObjectPaintTest, EachChildIsDrawnAtItsAbsoluteMatrix)
{
    auto* root = Make<ThvDummy>("root");
    root->GetPosition()->SetPoint({ 1, 0, 0 });
    ThvStrokeCube* box = Box("box", 1, root);
    box->GetPosition()->SetPoint({ 0, 2, 0 });
    ThvStrokeCube* inner = Box("inner", 1, box);
    DrawFrame(*scene, *canvas);
    // The last matrix set is the innermost box's: (1, 2, 0).
    const ThvMatrix drawn = canvas->GetWorldMatrix();
    EXPECT_TRUE(Near(MatrixRow(drawn, 3), { 1, 2, 0 }));
    EXPECT_EQ(drawn, inner->GetAbsoluteMatrix());
}

TEST_F(ThvVisualObjectPaintTest, WhichChildrenAreSkipped)
{
    struct Case {
        const char* name;
        bool design;
        void (*prepare)(ThvVisualObject&);
        bool drawn;
    } const cases[] = {
        { "plain", false, [](ThvVisualObject&) {}, true },
        { "invisible", false, [](ThvVisualObject& o) { o.SetVisible(false); }, false },
        { "tiny X scale", false, [](ThvVisualObject& o) { o.GetScale()->SetX(0.005f); }, false },
        { "tiny Y scale", false, [](ThvVisualObject& o) { o.GetScale()->SetY(-0.005f); }, false },
        { "zero Z scale", false, [](ThvVisualObject& o) { o.GetScale()->SetZ(0); }, true },
        { "design hide at run time", false, [](ThvVisualObject& o) { o.SetDesignHide(true); }, true },
        { "invisible in design", true, [](ThvVisualObject& o) { o.SetVisible(false); }, true },
        { "invisible and locked in design", true,
            [](ThvVisualObject& o) {
                o.SetVisible(false);
                o.SetLocked(true);
            },
            false },
        { "locked in design", true, [](ThvVisualObject& o) { o.SetLocked(true); }, true },
        { "design hide in design", true, [](ThvVisualObject& o) { o.SetDesignHide(true); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* root = Make<ThvDummy>();
        root->SetLocked(true); // no design gizmo of its own
        ThvStrokeCube* child = Box({}, 7, root);
        Box({}, 8, child); // the child's subtree goes with it
        c.prepare(*child);
        scene->SetDesigning(c.design);
        DrawFrame(*scene, *canvas);
        scene->SetDesigning(false);
        const std::vector<std::string> widths = DrawnWidths();
        EXPECT_EQ(widths, c.drawn ? (std::vector<std::string> { "7", "8" }) : std::vector<std::string> {});
        root->Free();
    }
}

TEST_F(ThvVisualObjectPaintTest, PaintEventsComeAroundTheDrawing)
{
    auto* root = Make<ThvDummy>("root");
    ThvStrokeCube* box = Box("box", 1, root);
    TPaintLogger logger(*canvas);
    box->OnBeforePaint.Bind<&TPaintLogger::BeforePaint>(&logger);
    box->OnPaint.Bind<&TPaintLogger::Paint>(&logger);
    root->OnPaint.Bind<&TPaintLogger::Paint>(&logger);
    DrawFrame(*scene, *canvas);
    const std::vector<std::string> calls = Calls();
    const std::vector<std::string> tail(calls.end() - 5, calls.end());
    // A root gets no OnPaint from the walk; a child gets it after drawing, before its
    // states are restored.
    EXPECT_EQ(tail,
        (std::vector<std::string> { "OnBeforePaint box", "DrawCube (0,0,0) (1,1,1) 1", "OnPaint box",
            "ApplyState hvStateSolid", "ApplyState hvStateGouraud" }));
}

TEST_F(ThvVisualObjectPaintTest, AChildFreedByAPaintHandlerEndsOnlyItsOwnDrawing)
{
    auto* root = Make<ThvDummy>("root");
    ThvStrokeCube* doomed = Box("doomed", 1, root);
    Box("inside", 2, doomed);
    Box("after", 3, root);
    TPaintLogger logger(*canvas);
    logger.freeOnPaint = doomed;
    doomed->OnPaint.Bind<&TPaintLogger::Paint>(&logger);
    DrawFrame(*scene, *canvas);
    EXPECT_EQ(DrawnWidths(), (std::vector<std::string> { "1", "3" }));
    EXPECT_EQ(root->GetChildCount(), 1);
}

TEST_F(ThvVisualObjectPaintTest, AnObjectUnderADragIsHighlighted)
{
    auto* root = Make<ThvDummy>("root");
    ThvStrokeCube* box = Box("box", 2, root);
    box->DragEnter({}, {});
    DrawFrame(*scene, *canvas);
    EXPECT_EQ(
        canvas->Lines("FillCube"), (std::vector<std::string> { "FillCube (0,0,0) (2.01,1.01,1.01) 0.4" }));
    EXPECT_EQ(canvas->Lines("MaterialChanged").back(), "MaterialChanged #B2005ACC ");

    box->SetDragDisableHighlight(true);
    DrawFrame(*scene, *canvas);
    EXPECT_TRUE(canvas->Lines("FillCube").empty());

    box->SetDragDisableHighlight(false);
    box->DragLeave();
    DrawFrame(*scene, *canvas);
    EXPECT_TRUE(canvas->Lines("FillCube").empty());
}

TEST_F(ThvVisualObjectPaintTest, AnOffScreenCanvasTakesTheWholeSubtree)
{
    auto* root = Make<ThvDummy>("root");
    ThvStrokeCube* box = Box("box", 1, root);
    ThvStrokeCube* inner = Box("inner", 2, box);
    rtl::TOwned<RecordingCanvas> offScreen = MakeRecordingCanvas(64, 64);
    root->SetTempCanvas(offScreen.get());
    for (ThvVisualObject* o : { static_cast<ThvVisualObject*>(root), static_cast<ThvVisualObject*>(box),
             static_cast<ThvVisualObject*>(inner) })
        EXPECT_EQ(o->GetCanvas(), offScreen.get());
    canvas->ClearLog();
    root->RenderChildren();
    EXPECT_TRUE(canvas->log.empty());
    EXPECT_EQ(offScreen->Lines("DrawCube").size(), 2u);
    root->SetTempCanvas(nullptr);
    EXPECT_EQ(inner->GetCanvas(), canvas.get());
}

// ---- picking ----------------------------------------------------------------------------------

class ThvVisualObjectPickTest : public ThvVisualObjectPaintTest {
protected:
    void SetUp() override
    {
        ThvVisualObjectPaintTest::SetUp();
        root = Make<ThvDummy>("root");
        camera = Make<ThvCamera>("camera");
        canvas->SetCamera(camera); // at (0, -10, 0), looking along +Y
    }

    /// The object under the canvas centre, camera objects.
    ThvVisualObject* PickCentre(float* distance = nullptr)
    {
        float d = 65535;
        ThvVisualObject* hit = root->ObjectAtPoint(hvProjectionCamera, d, 100, 50);
        if (distance)
            *distance = d;
        return hit;
    }

    /// A 2 x 2 x 2 box at (0, y, 0) below `parent`.
    ThvStrokeCube* BoxAt(const std::string& name, float y, ThvObject* parent)
    {
        ThvStrokeCube* box = Box(name, 2, parent);
        box->SetHeight(2);
        box->SetDepth(2);
        box->GetPosition()->SetY(y);
        return box;
    }

    ThvDummy* root = nullptr;
    ThvCamera* camera = nullptr;
};

TEST_F(ThvVisualObjectPickTest, TheNearestHitWins)
{
    ThvStrokeCube* far = BoxAt("far", 4, root);
    ThvStrokeCube* near = BoxAt("near", 0, root);
    float distance = 0;
    EXPECT_EQ(PickCentre(&distance), near);
    EXPECT_NEAR(distance, 9, 1e-4); // the face at y = -1, seen from y = -10
    near->GetPosition()->SetY(8);
    EXPECT_EQ(PickCentre(), far);
}

TEST_F(ThvVisualObjectPickTest, EqualDistancesGoToTheLaterChild)
{
    BoxAt("first", 0, root);
    ThvStrokeCube* second = BoxAt("second", 0, root);
    EXPECT_EQ(PickCentre(), second);
}

TEST_F(ThvVisualObjectPickTest, AParentHitBehindItsChildIsNeverReturned)
{
    // The parent's box is nearer to the camera, but a child of it was hit.
    ThvStrokeCube* parent = BoxAt("parent", -3, root);
    ThvStrokeCube* child = BoxAt("child", 6, parent);
    EXPECT_EQ(PickCentre(), child);
    child->SetHitTest(false);
    EXPECT_EQ(PickCentre(), parent);
}

TEST_F(ThvVisualObjectPickTest, WhoTakesHits)
{
    struct Case {
        const char* name;
        bool design;
        void (*prepare)(ThvVisualObject&);
        bool hit;
    } const cases[] = {
        { "plain", false, [](ThvVisualObject&) {}, true },
        { "no hit test", false, [](ThvVisualObject& o) { o.SetHitTest(false); }, false },
        { "invisible", false, [](ThvVisualObject& o) { o.SetVisible(false); }, false },
        { "screen projected", false, [](ThvVisualObject& o) { o.SetProjection(hvProjectionScreen); }, false },
        { "no hit test in design", true, [](ThvVisualObject& o) { o.SetHitTest(false); }, true },
        { "invisible in design", true, [](ThvVisualObject& o) { o.SetVisible(false); }, true },
        { "locked in design", true, [](ThvVisualObject& o) { o.SetLocked(true); }, false },
        { "design hide in design", true, [](ThvVisualObject& o) { o.SetDesignHide(true); }, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ThvStrokeCube* box = BoxAt({}, 0, root);
        c.prepare(*box);
        scene->SetDesigning(c.design);
        ThvVisualObject* hit = PickCentre();
        scene->SetDesigning(false);
        EXPECT_EQ(hit == box, c.hit);
        box->Free();
    }
}

TEST_F(ThvVisualObjectPickTest, AnInvisibleParentHidesItsSubtreeAtRunTime)
{
    ThvStrokeCube* parent = BoxAt("parent", 20, root);
    BoxAt("child", -20, parent);
    parent->SetVisible(false);
    EXPECT_EQ(PickCentre(), nullptr);
}

TEST_F(ThvVisualObjectPickTest, ScreenObjectsAreFoundInTheirOwnPass)
{
    // A 3D box right in front of the camera and a screen panel over the same pixel: the scene
    // asks for screen objects first, so the panel wins whatever the depth.
    ThvStrokeCube* box = BoxAt("box", -5, root);
    ThvStrokeCube* panel = Box("panel", 40, root);
    panel->SetProjection(hvProjectionScreen);
    panel->SetHeight(40);
    panel->GetPosition()->SetPoint({ 100, 50, 0 });
    float distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionScreen, distance, 100, 50), panel);
    distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionCamera, distance, 100, 50), box);
    // Beside the panel, the screen pass finds nothing.
    distance = 65535;
    EXPECT_EQ(root->ObjectAtPoint(hvProjectionScreen, distance, 10, 10), nullptr);
}

TEST_F(ThvVisualObjectPickTest, ARayGrazingAnEdgeStillHits)
{
    // The box's right edge lies exactly on the ray through the centre.
    ThvStrokeCube* box = BoxAt("box", 0, root);
    box->GetPosition()->SetX(-1);
    EXPECT_EQ(PickCentre(), box);
    box->GetPosition()->SetX(-1.01f);
    EXPECT_EQ(PickCentre(), nullptr);
}

TEST_F(ThvVisualObjectPickTest, DropTargetsMustAccept)
{
    ThvStrokeCube* back = BoxAt("back", 4, root);
    ThvStrokeCube* front = BoxAt("front", 0, root);
    TEventRecorder backRecorder, frontRecorder;
    backRecorder.acceptDrags = true;
    back->OnDragOver.Bind<&TEventRecorder::DragOver>(&backRecorder);
    front->OnDragOver.Bind<&TEventRecorder::DragOver>(&frontRecorder);
    ThvDragObject data;
    data.Data = u"text";

    float distance = 65535;
    EXPECT_EQ(root->FindDropTarget({ 100, 50, 0 }, hvProjectionCamera, data, distance), nullptr);
    // The refusing front box was asked and hides the one behind it.
    EXPECT_EQ(frontRecorder.lines, (std::vector<std::string> { "dragover @front" }));
    EXPECT_TRUE(backRecorder.lines.empty());

    frontRecorder.acceptDrags = true;
    distance = 65535;
    EXPECT_EQ(root->FindDropTarget({ 100, 50, 0 }, hvProjectionCamera, data, distance), front);
}

} // namespace
