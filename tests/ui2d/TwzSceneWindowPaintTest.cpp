// The 2D scene control's paint cycle on the headless window system: how reported rectangles
// are collected, the per-pixel-alpha path where a compositor runs (one paint for a burst, and
// rectangles reported during a paint painted by the next), the background rules and the
// many-rectangles union.

#include "TwzSceneWindowTestSupport.h"
#include "Ui2dTestClasses.h"

#include "graphics/TwzBrush.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Writer.h"
#include "platform/ui/FakeApplication.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

using namespace scenewindowtest;

namespace {

class ScenePaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui2dtest::RegisterTestClasses();
        TakeEvents();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }

    /// A shown 100 x 80 form filled by a scene with a root "Root" that paints nothing.
    void Open(bool composited, bool transparent, bool layered)
    {
        app.SetComposited(composited);
        platform::ui::FormOptions options;
        options.clientWidth = 100;
        options.clientHeight = 80;
        options.position = platform::ui::Point { 10, 20 };
        options.layered = layered;
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 100, 80);
        scene->SetTransparency(transparent);
        root = new TBox(owner.get());
        root->SetName("Root");
        scene->AddObject(root);
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
    }
    TBox* Box(const std::string& name, float x, float y, float w, float h, uint32_t color)
    {
        auto* box = new TBox(owner.get());
        box->SetName(name);
        box->color = color;
        root->AddObject(box);
        box->SetBounds(x, y, w, h);
        return box;
    }
    platform::ui::FakeForm& Form() { return static_cast<platform::ui::FakeForm&>(*form); }
    platform::ui::FakeSceneHost& Host()
    {
        return static_cast<platform::ui::FakeSceneHost&>(*scene->GetHost());
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TBox* root = nullptr;
};

} // namespace

TEST_F(ScenePaint, ReportedRectanglesGrowToWholePixelsAndThoseOffTheSceneAreDropped)
{
    Open(true, true, true);
    ASSERT_TRUE(scene->PresentsLayered());
    struct Case {
        const char* name;
        TwzRect reported;
        bool kept;
        TwzRect collected;
    };
    const Case cases[] = {
        { "fractions: left and top truncated, right and bottom past the last pixel",
            { 10.7f, 10.2f, 20.1f, 20.9f }, true, { 10, 10, 21, 21 } },
        { "whole numbers still take the edge pixel", { 0, 0, 10, 10 }, true, { 0, 0, 11, 11 } },
        { "over the edge: collected whole, not clipped", { 90, 70, 150, 150 }, true, { 90, 70, 151, 151 } },
        { "entirely right of the scene", { 100, 10, 120, 20 }, false, {} },
        { "entirely above the scene", { 10, -30, 20, -1.5f }, false, {} },
        { "far outside, huge numbers", { 1e30f, 1e30f, 2e30f, 2e30f }, false, {} },
        { "not a number", { std::nanf(""), 0, 5, 5 }, true, { 0, 0, 6, 6 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.ProcessMessages();
        ASSERT_TRUE(scene->PendingUpdateRects().empty());
        scene->AddUpdateRect(c.reported);
        if (!c.kept) {
            EXPECT_TRUE(scene->PendingUpdateRects().empty());
            continue;
        }
        ASSERT_EQ(scene->PendingUpdateRects().size(), 1u);
        EXPECT_EQ(scene->PendingUpdateRects().front(), c.collected);
    }
}

TEST_F(ScenePaint, ALayeredSceneDrawsABurstOnceAndShowsItAsTheFormsPicture)
{
    Open(true, true, true);
    TBox* a = Box("A", 10, 10, 20, 20, 0xFFFF0000);
    TBox* b = Box("B", 60, 40, 20, 20, 0xFF00FF00);
    app.ProcessMessages();
    const int updates = Form().LayeredUpdates();
    a->paints = b->paints = 0;
    for (int i = 0; i < 30; ++i) {
        a->InvalidateObject();
        b->InvalidateObject();
    }
    EXPECT_EQ(scene->PendingUpdateRects().size(), 60u);
    app.ProcessMessages();
    EXPECT_EQ(Form().LayeredUpdates(), updates + 1);
    EXPECT_EQ(a->paints, 1);
    EXPECT_EQ(b->paints, 1);
    EXPECT_TRUE(scene->PendingUpdateRects().empty());
    // The whole back buffer is the picture, transparent where nothing was painted.
    EXPECT_EQ(Form().LayeredSize(), (platform::ui::Point { 100, 80 }));
    EXPECT_EQ(Form().ShownPixel(20, 20), 0xFFFF0000u);
    EXPECT_EQ(Form().ShownPixel(70, 50), 0xFF00FF00u);
    EXPECT_EQ(Form().ShownPixel(50, 5), 0u);
}

TEST_F(ScenePaint, RectanglesReportedDuringALayeredPaintArePaintedByTheNextPaint)
{
    Open(true, true, true);
    TBox* a = Box("A", 10, 10, 20, 20, 0xFFFF0000);
    TBox* b = Box("B", 60, 40, 20, 20, 0xFF00FF00);
    app.ProcessMessages();
    const int updates = Form().LayeredUpdates();
    a->paints = b->paints = 0;
    // While A paints, B changes: its rectangle lies outside the paint in progress.
    a->duringPaint = [b](TBox&) {
        if (b->color != 0xFF0000FF) {
            b->color = 0xFF0000FF;
            b->InvalidateObject();
        }
    };
    a->InvalidateObject();
    app.ProcessMessages();
    EXPECT_EQ(Form().LayeredUpdates(), updates + 2);
    EXPECT_EQ(b->paints, 1);
    EXPECT_EQ(Form().ShownPixel(70, 50), 0xFF0000FFu);
    EXPECT_TRUE(scene->PendingUpdateRects().empty());
}

TEST_F(ScenePaint, TwentyRectanglesArePaintedOneByOneAndTwentyOneAsTheirUnion)
{
    Open(true, true, true);
    std::vector<int32_t> seen;
    root->duringPaint = [&](TBox&) { seen.push_back(scene->GetUpdateRectsCount()); };
    for (const int count : { 20, 21 }) {
        SCOPED_TRACE(count);
        app.ProcessMessages();
        seen.clear();
        for (int i = 0; i < count; ++i)
            scene->AddUpdateRect({ static_cast<float>(i * 4), 0, static_cast<float>(i * 4 + 1), 1 });
        app.ProcessMessages();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen.front(), count == 20 ? 20 : 1);
    }
    // The union covers them all.
    root->duringPaint = [&](TBox&) {
        ASSERT_EQ(scene->GetUpdateRectsCount(), 1);
        EXPECT_EQ(scene->GetUpdateRect(0), (TwzRect { 0, 0, 82, 2 }));
    };
    for (int i = 0; i < 21; ++i)
        scene->AddUpdateRect({ static_cast<float>(i * 4), 0, static_cast<float>(i * 4 + 1), 1 });
    app.ProcessMessages();
}

TEST_F(ScenePaint, TheBackgroundClearsOrFillsByTheFillBrush)
{
    struct Case {
        const char* name;
        TwzBrushStyle style;
        TwzColor color;
        uint32_t shown; // what the window shows at an empty pixel
    };
    const Case cases[] = {
        { "the default: no brush, black, cleared to colour 0 with alpha 0", wzBrushNone, 0xFF000000, 0 },
        { "no brush keeps the colour without its alpha", wzBrushNone, 0xFF336699, 0x00336699 },
        { "a solid brush without alpha clears like no brush", wzBrushSolid, 0x00FF8000, 0x00FF8000 },
        { "a solid opaque brush fills", wzBrushSolid, 0xFF336699, 0xFF336699 },
    };
    Open(false, false, false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TwzBrush brush(wzBrushNone, 0xFF000000);
        brush.SetSolidColor(c.color);
        brush.SetStyle(c.style);
        scene->SetFill(&brush);
        app.ProcessMessages();
        EXPECT_EQ(scene->GetFill()->GetStyle(), c.style);
        EXPECT_EQ(scene->GetFill()->StoredSolidColor(), c.color);
        EXPECT_EQ(brush.GetStyle(), c.style); // the caller's brush stays the caller's
        EXPECT_EQ(Host().ShownPixel(50, 40), c.shown) << std::hex << Host().ShownPixel(50, 40);
    }
}

TEST_F(ScenePaint, ALayeredFormWithoutACompositorPaintsThroughTheWindow)
{
    Open(false, true, true);
    EXPECT_FALSE(scene->PresentsLayered());
    TBox* a = Box("A", 10, 10, 20, 20, 0xFFFF0000);
    app.ProcessMessages();
    EXPECT_GT(a->paints, 0);
    EXPECT_EQ(Form().LayeredUpdates(), 0);
    EXPECT_EQ(Host().ShownPixel(20, 20), 0xFFFF0000u);
    // Only the box's rectangle was presented by its repaint.
    a->InvalidateObject();
    app.ProcessMessages();
    EXPECT_EQ(Host().PresentedArea(), 21 * 21);
}

TEST_F(ScenePaint, AHostLeavesItsStyleSheetWhenItGoes)
{
    static std::vector<std::string> calls;
    calls.clear();
    ui2d::StyleSheetUserHooks saved = ui2d::StyleSheetUsers;
    ui2d::StyleSheetUsers.addUser = [](TwzResources*, IwzScene*) { calls.push_back("add"); };
    ui2d::StyleSheetUsers.removeUser = [](TwzResources*, IwzScene*) { calls.push_back("remove"); };
    Open(false, false, false);
    auto* sheet = reinterpret_cast<TwzResources*>(&calls); // never dereferenced by the scene
    scene->SetStyle(sheet);
    scene->SetStyle(sheet);
    EXPECT_EQ(calls, (std::vector<std::string> { "add" }));
    rtl::FreeAndNil(scene);
    EXPECT_EQ(calls, (std::vector<std::string> { "add", "remove" }));
    ui2d::StyleSheetUsers = saved;
}

TEST_F(ScenePaint, AStoredSceneReadsBackWithItsStoredRootsAndSettings)
{
    auto* stored = new TwzScene(owner.get());
    stored->SetName("Scene");
    stored->GetFill()->SetStyle(wzBrushSolid);
    stored->GetFill()->SetColor("#FF112233");
    stored->SetTransparency(true);
    stored->SetTextRendering(wzClearType);
    stored->SetDesignSnapToLines(false);
    stored->SetDesignSnapToGrid(true);
    auto* first = new TwzVisualObject(owner.get());
    first->SetName("First");
    stored->AddObject(first);
    auto* child = new TwzVisualObject(owner.get());
    child->SetName("Child");
    first->AddObject(child);
    auto* unstored = new TwzVisualObject(owner.get());
    unstored->SetName("Unstored");
    unstored->SetStored(false);
    stored->AddObject(unstored);

    rtl::TMemoryStream binary;
    rtl::WriteComponentToStream(binary, *stored);
    binary.SetPosition(0);
    auto* copy = new TwzScene(owner.get());
    rtl::TReader reader(binary);
    reader.OnSetName = [](rtl::TReader&, rtl::TComponent*, std::string& name) { name += "Copy"; };
    reader.ReadRootComponent(copy);

    ASSERT_EQ(copy->Roots().size(), 1u);
    TwzObject* root = copy->GetRoot();
    EXPECT_EQ(root->GetName(), "FirstCopy");
    EXPECT_EQ(root->GetScene(), copy);
    ASSERT_EQ(root->GetChildCount(), 1);
    EXPECT_EQ(root->GetChild(0)->GetScene(), copy);
    EXPECT_EQ(copy->GetFill()->GetStyle(), wzBrushSolid);
    EXPECT_EQ(copy->GetFill()->GetColor(), "#FF112233");
    EXPECT_TRUE(copy->GetTransparency());
    EXPECT_EQ(copy->GetTextRendering(), wzClearType);
    EXPECT_TRUE(copy->GetDesignSnapToGrid()); // kept: snapping to lines was off
    EXPECT_FALSE(copy->GetDesignSnapGridShow()); // never shown at run time
    rtl::FreeAndNil(stored);
    rtl::FreeAndNil(copy);
}
