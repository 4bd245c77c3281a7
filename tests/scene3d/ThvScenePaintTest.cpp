// The scene control's set-up, window and paint cycle, on the headless window system.

#include "ThvSceneTestSupport.h"

#include "graphics/ObjectText.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvPosition.h"

#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"

#include <stdexcept>

using namespace scenetest;
using Lines = std::vector<std::string>;

namespace {

// An object that throws while it draws, once.
class TThrowingProbe : public TProbe {
public:
    using TProbe::TProbe;
    bool throwNext = true;
    void Render() override
    {
        if (throwNext) {
            throwNext = false;
            throw std::runtime_error("broken shape");
        }
        TProbe::Render();
    }
};

} // namespace

// ---- construction ---------------------------------------------------------------------------

TEST(ThvSceneSetUp, ANewSceneHasItsDesignRigAndDefaults)
{
    const int before = hvSceneCount;
    rtl::TOwned<ThvScene> scene(new ThvScene(nullptr));
    EXPECT_EQ(hvSceneCount, before + 1);

    ASSERT_EQ(scene->GetCount(), 2);
    ThvDummy* cameraZ = scene->GetDesignCameraZ();
    ThvGrid* grid = scene->GetDesignGrid();
    EXPECT_EQ(scene->GetObject(0), cameraZ);
    EXPECT_EQ(scene->GetObject(1), grid);
    ThvDummy* cameraX = scene->GetDesignCameraX();
    ThvCamera* camera = scene->GetDesignCamera();
    ASSERT_NE(cameraX, nullptr);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(cameraX->GetParent(), cameraZ);
    EXPECT_EQ(camera->GetParent(), cameraX);
    EXPECT_EQ(cameraX->GetRotateAngle()->GetX(), 20);
    EXPECT_EQ(camera->GetPosition()->GetPoint(), (ThvPoint { 0, -20, 0 }));
    for (ThvVisualObject* design :
        std::initializer_list<ThvVisualObject*> { cameraZ, cameraX, camera, grid }) {
        EXPECT_EQ(design->GetTag(), scene3d::kDesignObjectTag);
        EXPECT_TRUE(design->GetLocked());
        EXPECT_FALSE(design->GetStored());
        EXPECT_EQ(design->GetOwner(), scene.get());
    }
    EXPECT_EQ(grid->GetWidth(), 50);
    EXPECT_EQ(grid->GetHeight(), 50);
    EXPECT_FALSE(grid->GetVisible()); // the grid never shows at run time
    // The design objects are locked, so there is no root object yet.
    EXPECT_EQ(scene->GetRoot(), nullptr);

    EXPECT_EQ(scene->GetFillColor(), "#FF303030");
    EXPECT_EQ(scene->GetAmbientColor(), "#FF202020");
    EXPECT_TRUE(scene->GetLighting());
    EXPECT_TRUE(scene->GetUsingDesignCamera());
    EXPECT_TRUE(scene->GetAlignRoot());
    EXPECT_FALSE(scene->GetAllowDrag());
    EXPECT_EQ(scene->GetWidth(), 100);
    EXPECT_EQ(scene->GetHeight(), 100);
    EXPECT_EQ(scene->GetSnapGridSize(), 0.25f);
    EXPECT_TRUE(scene->GetDesignSnapGridShow());
    EXPECT_TRUE(scene->GetDesignSnapToLines());
    EXPECT_FALSE(scene->GetDesignSnapToGrid());

    scene.reset();
    EXPECT_EQ(hvSceneCount, before);
}

TEST(ThvSceneSetUp, GetRootIsTheLastUnlockedVisualRoot)
{
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* scene = new ThvScene(owner.get());
    auto* first = new ThvVisualObject(owner.get());
    auto* second = new ThvVisualObject(owner.get());
    auto* plain = new ThvObject(owner.get());
    scene->AddObject(first);
    scene->AddObject(second);
    scene->AddObject(plain);
    EXPECT_EQ(scene->GetRoot(), second);
    second->SetLocked(true);
    EXPECT_EQ(scene->GetRoot(), first);
}

TEST(ThvSceneSetUp, InDesignModeACameraAddedAsARootBecomesTheCamera)
{
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* scene = new ThvScene(owner.get());
    auto* runTime = new ThvCamera(owner.get());
    scene->AddObject(runTime);
    EXPECT_EQ(scene->GetCamera(), nullptr);
    scene->SetDesigning(true);
    auto* designed = new ThvCamera(owner.get());
    scene->AddObject(designed);
    EXPECT_EQ(scene->GetCamera(), designed);
    auto* rig = new ThvCamera(owner.get());
    rig->SetTag(scene3d::kDesignObjectTag);
    scene->AddObject(rig);
    EXPECT_EQ(scene->GetCamera(), designed);
}

TEST(ThvSceneSetUp, OnlyStoredRootsAndTheAlwaysStoredPropertiesAreWritten)
{
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    auto* scene = new ThvScene(owner.get());
    scene->SetName("Scene");
    auto* user = new ThvVisualObject(owner.get());
    user->SetName("Root1");
    scene->AddObject(user);
    scene->SetFillColor("#FF000000");

    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *scene);
    binary.SetPosition(0);
    rtl::TMemoryStream text;
    ObjectStreamToText(binary, text);
    const std::string written(text.Bytes().begin(), text.Bytes().end());
    EXPECT_NE(written.find("object Root1: ThvVisualObject"), std::string::npos) << written;
    EXPECT_EQ(written.find("ThvDummy"), std::string::npos) << written;
    EXPECT_EQ(written.find("ThvGrid"), std::string::npos) << written;
    for (const char* always : { "Quality = hvLowQuality", "FillColor = '#FF000000'",
             "AmbientColor = '#FF202020'", "RealTimeSleep = 0" })
        EXPECT_NE(written.find(always), std::string::npos) << always << "\n" << written;
    EXPECT_EQ(written.find("Lighting"), std::string::npos) << written;
}

TEST(ThvSceneSetUp, ASceneReadFromAStreamTakesItsPropertiesAndRootsAfterItsRig)
{
    rtl::RegisterClass<ThvScene>();
    rtl::RegisterClass<ThvVisualObject>();
    rtl::TOwned<rtl::TComponent> owner(new rtl::TComponent(nullptr));
    const std::string text = "object Scene: ThvScene\n"
                             "  FillColor = '#FF102030'\n"
                             "  Quality = hvHighQuality\n"
                             "  UsingDesignCamera = False\n"
                             "  Cursor = -21\n"
                             "  object Root1: ThvVisualObject\n"
                             "  end\n"
                             "end\n";
    rtl::TConstMemoryStream in(text.data(), text.size());
    rtl::TMemoryStream binary;
    ObjectTextToStream(in, binary);
    binary.SetPosition(0);
    auto* scene = dynamic_cast<ThvScene*>(rtl::ReadComponentFromStream(binary, nullptr, owner.get()));
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->GetFillColor(), "#FF102030");
    EXPECT_EQ(scene->GetQuality(), hvHighQuality);
    EXPECT_FALSE(scene->GetUsingDesignCamera());
    ASSERT_EQ(scene->GetCount(), 3);
    EXPECT_EQ(scene->GetObject(0), scene->GetDesignCameraZ());
    EXPECT_EQ(scene->GetObject(1), scene->GetDesignGrid());
    ASSERT_NE(scene->GetRoot(), nullptr);
    EXPECT_EQ(scene->GetRoot()->GetName(), "Root1");
}

TEST(ThvSceneSetUp, ColourTextsAreStoredAsTheColourReaderReadsThem)
{
    rtl::TOwned<ThvScene> scene(new ThvScene(nullptr));
    struct Case {
        const char* text;
        const char* stored;
    };
    const Case cases[] = {
        { "#80FF0000", "#80FF0000" }, { "$FF00FF00", "#FF00FF00" },
        { "nonsense", nullptr }, // whatever the reader makes of it, the scene adds no check
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        scene->SetFillColor(c.text);
        scene->SetAmbientColor(c.text);
        const std::string expected = c.stored ? c.stored : hvColorToStr(hvStrToColor(c.text));
        EXPECT_EQ(scene->GetFillColor(), expected);
        EXPECT_EQ(scene->GetAmbientColor(), expected);
    }
}

// ---- window and repaint requests ------------------------------------------------------------

TEST_F(SceneFixture, WithoutAWindowRequestsAreDroppedAndTheFirstPaintDrawsTheTree)
{
    root->SetWidth(2); // repaint requests while there is no window
    scene->AddUpdateRect({});
    EXPECT_EQ(scene->GetCanvas(), nullptr);
    scene->Render(); // nothing to draw with
    EXPECT_TRUE(TakeLog().empty());

    scene->SetParentForm(form.get());
    EXPECT_FALSE(scene->HandleAllocated()); // the form is not shown yet
    form->Show();
    EXPECT_TRUE(scene->HandleAllocated());
    app.ProcessMessages();
    const Lines lines = TakeLog();
    EXPECT_EQ(Only(lines, { "Canvas", "ResizeBuffer", "BeginScene", "render", "EndScene" }),
        (Lines { "Canvas 200x100", "ResizeBuffer 200x100", "BeginScene", "render @Root", "EndScene" }));
    EXPECT_EQ(Host().PaintCount(), 1);
    EXPECT_EQ(Host().ShownPixel(10, 10), 0xFF303030u);
    EXPECT_EQ(Host().ShownPixel(199, 99), 0xFF303030u);
}

TEST_F(SceneFixture, ABurstOfRequestsGivesOneFrame)
{
    ShowScene();
    TProbe* a = Box("A", 50, 50, 10, 10);
    app.ProcessMessages();
    TakeLog();
    const int paints = Host().PaintCount();
    for (int i = 0; i < 10; ++i)
        a->GetPosition()->SetX(static_cast<float>(60 + i));
    scene->SetFillColor("#FF000080");
    app.ProcessMessages();
    EXPECT_EQ(Host().PaintCount(), paints + 1);
    EXPECT_EQ(Only(TakeLog(), { "BeginScene" }), (Lines { "BeginScene" }));
    EXPECT_EQ(Host().ShownPixel(0, 0), 0xFF000080u);

    // An unchanged colour asks for nothing.
    scene->SetFillColor("#FF000080");
    app.ProcessMessages();
    EXPECT_EQ(Host().PaintCount(), paints + 1);
}

TEST_F(SceneFixture, AFrameFollowsTheProtocolOfTheCanvas)
{
    auto* light = new ThvLight(owner.get());
    light->SetName("Sun");
    root->AddObject(light);
    auto* hiddenRoot = new TProbe(owner.get());
    hiddenRoot->SetName("Hidden");
    auto* hiddenLight = new ThvLight(owner.get());
    hiddenLight->SetName("HiddenSun");
    hiddenRoot->AddObject(hiddenLight);
    hiddenRoot->SetVisible(false);
    scene->AddObject(hiddenRoot);
    scene->AddObject(new ThvObject(owner.get())); // neither lit nor drawn
    auto* camera = new ThvCamera(owner.get());
    camera->SetName("Camera1");
    root->AddObject(camera);
    scene->SetCamera(camera);
    scene->SetUsingDesignCamera(false);
    ShowScene();

    scene->Render();
    const Lines lines
        = Only(TakeLog(), { "SetCamera", "AddLight", "BeginScene", "State", "Clear", "render", "EndScene" });
    const Lines expected {
        "SetCamera Camera1",
        "AddLight Sun",
        "BeginScene",
        "State hvStateGouraud",
        "State hvStateCameraProjection",
        "State hvStateZWriteOn",
        "State hvStateLightingOn",
        "State hvStateFilterLinear",
        "State hvStateCullCCW",
        "Clear #FF303030",
        // The design rig's objects, drawn first, switch the depth test on for themselves.
        "State hvStateZTestOn",
        "render @Root",
        "EndScene",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(SceneFixture, TheDesignCameraReplacesTheSceneCameraWhileItIsInUse)
{
    auto* camera = new ThvCamera(owner.get());
    camera->SetName("Camera1");
    root->AddObject(camera);
    scene->SetCamera(camera);
    scene->GetDesignCamera()->SetName("DesignCamera");
    ShowScene();
    struct Case {
        bool usingDesignCamera;
        Lines cameras;
    };
    const Case cases[] = {
        { true, { "SetCamera Camera1", "SetCamera DesignCamera" } },
        { false, { "SetCamera Camera1" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.usingDesignCamera);
        scene->SetUsingDesignCamera(c.usingDesignCamera);
        scene->Render();
        EXPECT_EQ(Only(TakeLog(), { "SetCamera" }), c.cameras);
        EXPECT_EQ(scene->GetCanvas()->GetCamera(), c.usingDesignCamera ? scene->GetDesignCamera() : camera);
        EXPECT_FALSE(scene->GetDesignGrid()->GetVisible());
    }
}

TEST_F(SceneFixture, AFrameWhoseBeginFailsIsNeitherClearedNorDrawnButEnded)
{
    ShowScene();
    TFrameCanvas::beginSceneResult = false;
    scene->Render();
    EXPECT_EQ(Only(TakeLog(), { "BeginScene", "Clear", "render", "EndScene" }),
        (Lines { "BeginScene", "EndScene" }));
    TFrameCanvas::beginSceneResult = true;
    scene->Render();
    EXPECT_EQ(Only(TakeLog(), { "Clear" }), (Lines { "Clear #FF303030" }));
}

TEST_F(SceneFixture, ARenderInsideAFrameIsIgnoredAndAnExceptionLeavesTheNextFrameWorking)
{
    ShowScene();
    auto* broken = new TThrowingProbe(owner.get());
    broken->SetName("Broken");
    root->AddObject(broken);
    scene->AddUpdateRect({});
    app.ProcessMessages();
    ASSERT_EQ(app.ShownErrors().size(), 1u);
    EXPECT_NE(app.ShownErrors().front().find("broken shape"), std::string::npos);
    TakeLog();

    // The failed frame left nothing behind: the next request draws a whole frame.
    root->SetWidth(3);
    app.ProcessMessages();
    EXPECT_EQ(Only(TakeLog(), { "BeginScene", "render", "EndScene" }),
        (Lines { "BeginScene", "render @Root", "render @Broken", "EndScene" }));

    // A frame started by code running inside a frame does nothing.
    struct TNested : rtl::TObject {
        ThvScene* scene = nullptr;
        void Paint(rtl::TObject*, ThvCanvas*) { scene->Render(); }
    } nested;
    nested.scene = scene;
    broken->OnPaint.Bind<&TNested::Paint>(&nested);
    scene->Render();
    EXPECT_EQ(Only(TakeLog(), { "BeginScene" }), (Lines { "BeginScene" }));
}

TEST_F(SceneFixture, AFrameRenderedOutsideAPaintIsShownByTheNextPaint)
{
    ShowScene();
    const int paints = Host().PaintCount();
    Canvas()->clearWith = 0xFF0000FF;
    // Rendering from code (the real-time loop does this) shows the frame without drawing again.
    scene->Render();
    EXPECT_EQ(Only(TakeLog(), { "BeginScene" }), (Lines { "BeginScene" }));
    app.ProcessMessages();
    EXPECT_EQ(Host().PaintCount(), paints + 1);
    EXPECT_TRUE(Only(TakeLog(), { "BeginScene" }).empty());
    EXPECT_EQ(Host().ShownPixel(5, 5), 0xFF0000FFu);
}

TEST_F(SceneFixture, ResizingRebuildsTheBufferRealignsTheRootAndRepaints)
{
    ShowScene();
    const int paints = Host().PaintCount();
    scene->SetBounds(0, 0, 120, 80);
    app.ProcessMessages();
    EXPECT_EQ(Only(TakeLog(), { "ResizeBuffer", "realign", "BeginScene" }),
        (Lines { "ResizeBuffer 120x80", "realign @Root", "BeginScene" }));
    EXPECT_EQ(scene->GetCanvas()->GetWidth(), 120);
    EXPECT_EQ(scene->GetCanvas()->GetHeight(), 80);
    EXPECT_EQ(Host().PaintCount(), paints + 1);
    EXPECT_EQ(Host().ShownPixel(119, 79), 0xFF303030u);

    // A transparent scene's canvas keeps a back buffer from its next resize on.
    scene->SetTransparency(true);
    scene->SetBounds(0, 0, 130, 80);
    app.ProcessMessages();
    EXPECT_EQ(Only(TakeLog(), { "ResizeBuffer" }), (Lines { "ResizeBuffer 130x80 buffered" }));
}

TEST_F(SceneFixture, AnInvisibleSceneMakesNoCanvasAndShowsItsFillColour)
{
    scene->SetInvisibleAtRuntime(true);
    scene->SetFillColor("#00FF0000");
    ShowScene();
    EXPECT_EQ(scene->GetCanvas(), nullptr);
    EXPECT_EQ(TFrameCanvas::made, 0);
    EXPECT_EQ(Host().ShownPixel(3, 3), 0xFFFF0000u);
}

TEST_F(SceneFixture, TheWindowGoingFreesTheCanvasAndANewWindowMakesANewOne)
{
    ShowScene();
    EXPECT_EQ(TFrameCanvas::made, 1);
    scene->SetParentForm(nullptr);
    EXPECT_EQ(scene->GetCanvas(), nullptr);
    EXPECT_FALSE(scene->HandleAllocated());
    scene->AddUpdateRect({}); // dropped
    scene->SetParentForm(form.get());
    app.ProcessMessages();
    EXPECT_EQ(TFrameCanvas::made, 2);
    EXPECT_NE(scene->GetCanvas(), nullptr);
}

TEST_F(SceneFixture, ACanvasHandedInWinsOverTheWindowCanvas)
{
    ShowScene();
    ThvCanvas* window = scene->GetCanvas();
    rtl::TOwned<TFrameCanvas> own(new TFrameCanvas(nullptr, 10, 10, false, hvLowQuality));
    scene->SetCanvas(own.get());
    EXPECT_EQ(scene->GetCanvas(), own.get());
    scene->SetCanvas(nullptr);
    EXPECT_EQ(scene->GetCanvas(), window);
}

TEST_F(SceneFixture, TheLastSceneWindowGoingFreesTheAnimationClock)
{
    static int freed = 0;
    freed = 0;
    scene3d::FreeAnimationClock = [] { ++freed; };
    ShowScene();
    rtl::TOwned<ThvScene> other(new ThvScene(nullptr));
    other->SetParentForm(form.get());
    app.ProcessMessages();
    ASSERT_EQ(hvSceneCount, 2);
    other.reset(); // another scene still lives
    EXPECT_EQ(freed, 0);
    rtl::FreeAndNil(scene);
    EXPECT_EQ(freed, 1);
    // A scene that never had a window frees nothing when it goes.
    rtl::TOwned<ThvScene> windowless(new ThvScene(nullptr));
    windowless.reset();
    EXPECT_EQ(freed, 1);
    scene3d::FreeAnimationClock = nullptr;
}

TEST_F(SceneFixture, AnObjectFreeingTheSceneWhileItDrawsEndsTheFrameQuietly)
{
    ShowScene();
    struct TKiller : rtl::TObject {
        ThvScene** scene = nullptr;
        void Paint(rtl::TObject*, ThvCanvas*) { rtl::FreeAndNil(*scene); }
    } killer;
    killer.scene = &scene;
    auto* child = Box("Child", 10, 10, 4, 4);
    child->OnPaint.Bind<&TKiller::Paint>(&killer);
    app.ProcessMessages();
    EXPECT_EQ(scene, nullptr);
    EXPECT_TRUE(app.ShownErrors().empty());
}

// ---- transparency -----------------------------------------------------------------------------

namespace {

class LayeredSceneFixture : public SceneFixture {
protected:
    LayeredSceneFixture() { layeredForm = true; }
};

} // namespace

TEST_F(LayeredSceneFixture, ATransparentSceneOnALayeredFormRendersOnceAPostAndShowsItsBuffer)
{
    scene->SetTransparency(true);
    scene->SetFillColor("#80000000");
    ShowScene();
    // The window made a buffered canvas and showed the form once at creation.
    EXPECT_TRUE(scene->GetCanvas()->GetBuffered());
    TProbe* a = Box("A", 50, 50, 10, 10);
    app.ProcessMessages();
    TakeLog();
    const int updates = Form().LayeredUpdates();
    for (int i = 0; i < 10; ++i)
        a->GetPosition()->SetX(static_cast<float>(60 + i));
    app.ProcessMessages();
    EXPECT_EQ(Only(TakeLog(), { "BeginScene" }), (Lines { "BeginScene" }));
    EXPECT_EQ(Form().LayeredUpdates(), updates + 1);
    ASSERT_EQ(Form().LayeredSize(), (platform::ui::Point { 200, 100 }));
    EXPECT_EQ(Form().LayeredFrame()[0], 0x80000000u);
    // No compositor: the picture is shown over the opaque fill colour.
    EXPECT_EQ(Form().ShownPixel(0, 0), 0xFF000000u);
}

TEST_F(SceneFixture, ATransparentSceneInAFormThatIsNotLayeredPaintsThroughItsWindow)
{
    scene->SetTransparency(true);
    ShowScene();
    EXPECT_TRUE(scene->GetCanvas()->GetBuffered());
    EXPECT_EQ(Form().LayeredUpdates(), 0);
    const int paints = Host().PaintCount();
    root->SetWidth(5);
    app.ProcessMessages();
    EXPECT_EQ(Host().PaintCount(), paints + 1);
}
