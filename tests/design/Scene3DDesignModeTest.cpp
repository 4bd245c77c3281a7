// The design mode of the 3D scene control, driven through the scene's mouse and key entry
// points, its frames and its design menu.

#include "tests/scene3d/RecordingCanvas.h"
#include "tests/scene3d/ThvSceneTestSupport.h"

#include "design/Scene3DDesignMode.h"
#include "scene3d/Library3D.h"
#include "scene3d/ShapeObjects.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvGrid.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvSceneDesign.h"
#include "scene3d/ThvText.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/PopupMenu.h"

#include <gtest/gtest.h>

#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

using namespace scenetest;
using platform::ui::FakeDialogs;
using platform::ui::FakePopupMenu;
using platform::ui::MenuItem;
using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;

namespace {

/// A probe that takes the design-mode mouse like an object layer.
class TDesignLayer : public TProbe, public scene3d::IDesignMouseInput {
public:
    using TProbe::TProbe;
    bool GetDesignMouseInput() const override { return true; }

protected:
    ~TDesignLayer() override = default;
};

class Scene3DDesignTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        Initialize3DLibrary();
        RegisterShapeObjects();
        design::InstallScene3DDesignMode();
        FakePopupMenu::SetChooser({});
        FakeDialogs::Reset();
        scene->SetDesigning(true);
        ShowScene();
        a = Box("A", 50, 50, 20, 20);
        b = Box("B", 150, 50, 20, 20);
        app.ProcessMessages();
        TakeLog();
    }
    void TearDown() override
    {
        SceneFixture::TearDown();
        FakePopupMenu::SetChooser({});
        FakeDialogs::Reset();
        Finalize3DLibrary();
    }

    void Press(float x, float y, ShiftState shift = {}, MouseButton button = MouseButton::Left)
    {
        scene->MouseDown(button, shift.Add(button == MouseButton::Left ? ShiftFlag::Left : ShiftFlag::Right),
            static_cast<int32_t>(x), static_cast<int32_t>(y));
    }
    void Drag(float x, float y, ShiftState shift = {})
    {
        scene->MouseMove(shift.Add(ShiftFlag::Left), static_cast<int32_t>(x), static_cast<int32_t>(y));
    }
    void Release(float x, float y, MouseButton button = MouseButton::Left)
    {
        scene->MouseUp(button, {}, static_cast<int32_t>(x), static_cast<int32_t>(y));
    }
    /// Chooses the item at this path in the next design menu, and lets its command run.
    void ChooseInMenu(std::initializer_list<std::string_view> path, float x = 5, float y = 5)
    {
        FakePopupMenu::ChooseCaptions(std::vector<std::string>(path.begin(), path.end()));
        Press(x, y, {}, MouseButton::Right);
        Release(x, y, MouseButton::Right);
        app.ProcessMessages();
    }
    ThvPoint PositionOf(ThvVisualObject* object) { return object->GetPosition()->GetPoint(); }
    design::Scene3DDesignMode& Design()
    {
        auto* mode = dynamic_cast<design::Scene3DDesignMode*>(scene->GetDesignMode());
        if (!mode)
            throw std::logic_error("the designed scene has no 3D design mode");
        return *mode;
    }

    TProbe* a = nullptr;
    TProbe* b = nullptr;
};

using Lines = std::vector<std::string>;

} // namespace

// ---- navigation ---------------------------------------------------------------------------

TEST_F(Scene3DDesignTest, WheelMovesTheDesignCameraAndReachesNoObject)
{
    const float before = scene->GetDesignCamera()->GetPosition()->GetY();
    EXPECT_TRUE(scene->DoMouseWheel({}, 240, { 50, 50 }));
    EXPECT_FLOAT_EQ(scene->GetDesignCamera()->GetPosition()->GetY(), before + 2);
    scene->DoMouseWheel({}, -120, { 50, 50 });
    EXPECT_FLOAT_EQ(scene->GetDesignCamera()->GetPosition()->GetY(), before + 1);
    EXPECT_TRUE(Only(TakeLog(), { "wheel" }).empty());
}

TEST_F(Scene3DDesignTest, AltDragTurnsTheViewByAThirdOfADegreePerPixel)
{
    const float turn = scene->GetDesignCameraZ()->GetRotateAngle()->GetZ();
    const float tilt = scene->GetDesignCameraX()->GetRotateAngle()->GetX();
    Press(100, 90);
    Drag(110, 90, { ShiftFlag::Alt });
    EXPECT_FLOAT_EQ(scene->GetDesignCameraZ()->GetRotateAngle()->GetZ(), turn + 3);
    Drag(110, 80, { ShiftFlag::Alt });
    EXPECT_FLOAT_EQ(scene->GetDesignCameraX()->GetRotateAngle()->GetX(), tilt - 3);
    Release(110, 80);
}

// ---- selection and moving -----------------------------------------------------------------

TEST_F(Scene3DDesignTest, PressesSelectObjectsAndNothingSelectsTheRoot)
{
    struct Step {
        const char* name;
        float x, y;
        ShiftState shift;
        const char* selected;
    };
    const Step steps[] = {
        { "a press on an object selects it", 50, 50, {}, "A" },
        { "with Ctrl another object leaves the selection", 150, 50, { ShiftFlag::Ctrl }, "A" },
        { "a press on another object selects that", 150, 50, {}, "B" },
        { "a press on nothing selects the root", 100, 90, {}, "Root" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        Press(step.x, step.y, step.shift);
        Release(step.x, step.y);
        ASSERT_NE(scene->GetSelected(), nullptr);
        EXPECT_EQ(scene->GetSelected()->GetName(), step.selected);
    }
    EXPECT_TRUE(Only(TakeLog(), { "down", "up" }).empty()) << "objects get no mouse while designed";
}

TEST_F(Scene3DDesignTest, DraggingTheSelectionMovesItOnWholePixelsAndRealignsItsParent)
{
    Press(50, 50);
    Release(50, 50);
    ASSERT_EQ(scene->GetSelected(), a);
    Press(52, 51);
    Drag(62, 56);
    Drag(65, 58);
    EXPECT_EQ(PositionOf(a), (ThvPoint { 63, 57, 0 }));
    TakeLog();
    Release(65, 58);
    EXPECT_EQ(Only(TakeLog(), { "realign" }), (Lines { "realign @Root" }));
    Drag(90, 90);
    EXPECT_EQ(PositionOf(a), (ThvPoint { 63, 57, 0 })) << "the drag ended with the release";
}

TEST_F(Scene3DDesignTest, HandlesSizeAndTurnTheSelection)
{
    Press(50, 50);
    Release(50, 50);
    // The width-and-height handle sits on the corner (-Width / 2, Height / 2): pixel (40, 60).
    Press(40, 60);
    Drag(36, 66);
    Release(36, 66);
    // The screen view has a slight perspective: the plane of the handle is not quite z = 0.
    EXPECT_NEAR(a->GetWidth(), 24, 0.05f) << "dragged outwards by 4";
    EXPECT_NEAR(a->GetHeight(), 26, 0.05f);
    EXPECT_EQ(PositionOf(a), (ThvPoint { 50, 50, 0 })) << "sizing does not move";

    // The turn handle for Z sits Height / 2 + 10 above the centre: pixel (50, 27).
    Press(50, 27);
    Drag(80, 50);
    Release(80, 50);
    EXPECT_NEAR(a->GetRotateAngle()->GetZ(), 90, 0.5f) << "the handle follows the pointer around the centre";
}

TEST_F(Scene3DDesignTest, SelectedDesignLayerTakesTheMouseUnlessShiftIsHeld)
{
    auto* layer = new TDesignLayer(owner.get());
    layer->SetName("Layer");
    root->AddObject(layer);
    layer->SetProjection(hvProjectionScreen);
    layer->GetPosition()->SetPoint({ 100, 50, 0 });
    layer->SetWidth(40);
    layer->SetHeight(40);
    Press(100, 50);
    Release(100, 50);
    ASSERT_EQ(scene->GetSelected(), layer);
    TakeLog();

    Press(105, 55);
    Drag(106, 56);
    Release(106, 56);
    EXPECT_EQ(Only(TakeLog(), { "down", "move", "up" }),
        (Lines { "down left 5 5 @Layer", "move 6 6 @Layer", "up left 6 6 @Layer" }));
    Press(105, 55, { ShiftFlag::Shift });
    EXPECT_TRUE(Only(TakeLog(), { "down" }).empty()) << "with Shift the design tools move the layer";
    Drag(115, 55);
    EXPECT_EQ(PositionOf(layer), (ThvPoint { 110, 50, 0 }));
    Release(115, 55);
}

// ---- deleting and hiding ------------------------------------------------------------------

TEST_F(Scene3DDesignTest, DeleteKeyFreesTheSelectionButNeverTheRoot)
{
    rtl::Watch<TProbe> watchA(a);
    Press(50, 50);
    Release(50, 50);
    uint16_t key = platform::ui::vk::kDelete;
    scene->KeyUp(key, {});
    EXPECT_FALSE(watchA);
    EXPECT_EQ(scene->GetSelected(), nullptr);

    Press(100, 90);
    Release(100, 90);
    ASSERT_EQ(scene->GetSelected(), root);
    key = platform::ui::vk::kDelete;
    scene->KeyUp(key, {});
    EXPECT_EQ(scene->GetRoot(), root);
    EXPECT_EQ(scene->GetSelected(), root);
}

TEST_F(Scene3DDesignTest, DeleteAndHideCommandsLeaveTheRootAlone)
{
    auto* child = Box("Child", 150, 50, 10, 10, b);
    for (const bool hide : { false, true }) {
        SCOPED_TRACE(hide ? "hide" : "delete");
        scene->SetSelected(root);
        if (hide)
            Design().HideCommand();
        else
            Design().DeleteObjectCommand();
        EXPECT_EQ(scene->GetRoot(), root);
        EXPECT_FALSE(root->GetDesignHide());
    }

    scene->SetSelected(child);
    Design().HideCommand();
    EXPECT_TRUE(child->GetDesignHide());
    EXPECT_EQ(scene->GetSelected(), b) << "the parent of what was hidden";
    scene->SetSelected(child);
    Design().HideCommand();
    EXPECT_FALSE(child->GetDesignHide());
    EXPECT_EQ(scene->GetSelected(), child);

    rtl::Watch<TProbe> watchChild(child);
    Design().DeleteObjectCommand();
    EXPECT_FALSE(watchChild);
    EXPECT_EQ(scene->GetSelected(), b);
}

// ---- the design menu ----------------------------------------------------------------------

TEST_F(Scene3DDesignTest, DesignMenuIsBuiltOnceFromTheRegistry)
{
    Press(50, 50);
    Release(50, 50);
    ChooseInMenu({});
    platform::ui::PopupMenu* menu = Design().GetDesignMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1);
    EXPECT_EQ(FakePopupMenu::LastPoint(), (platform::ui::Point { 105, 55 })) << "at the cursor on the screen";

    std::vector<std::string> top;
    for (const auto& item : menu->Items().Items())
        top.push_back(item->Caption);
    EXPECT_EQ(top,
        (Lines { "Add object", "Hide in Design-time", "Order", "Delete object", "Edit", "Load From File...",
            "Show grid" }));
    // Categories in registry order, each class without its "Thv".
    const MenuItem& add = menu->Items().Item(0);
    const std::span<const scene3d::ObjectRegistryEntry> registry = hvObjectRegistry();
    ASSERT_FALSE(registry.empty());
    EXPECT_EQ(add.Item(0).Caption, registry.front().category);
    const MenuItem* first = add.Item(0).Count() > 0 ? &add.Item(0).Item(0) : nullptr;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ("Thv" + first->Caption, std::string(registry.front().classInfo->name));
    EXPECT_EQ(first->Tag, design::kDesignMenuObjectTag);
    EXPECT_EQ(menu->Items().FindPath({ "Edit", "Paste from clipboard" })->Parent()->Caption, "Edit");

    ChooseInMenu({}, 60, 60);
    EXPECT_EQ(Design().GetDesignMenu(), menu) << "built once, then shown again";
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1) << "the chooser was set again, which restarts the count";
}

TEST_F(Scene3DDesignTest, MenuWithoutASelectionAtItsFirstShowingHasNoHideItem)
{
    scene->SetSelected(nullptr);
    FakePopupMenu::SetChooser({});
    Press(100, 90, {}, MouseButton::Right);
    Release(100, 90, MouseButton::Right);
    ASSERT_NE(Design().GetDesignMenu(), nullptr);
    EXPECT_EQ(Design().GetDesignMenu()->Items().FindByCaption("Hide in Design-time"), nullptr);
}

TEST_F(Scene3DDesignTest, AddingObjectsFromTheMenu)
{
    Press(50, 50);
    Release(50, 50);
    ChooseInMenu({ "Add object", "Shapes", "Text" }, 45, 52);
    ThvVisualObject* added = scene->GetSelected();
    ASSERT_NE(added, nullptr);
    ASSERT_NE(added, a);
    EXPECT_EQ(added->ClassName(), "ThvText");
    EXPECT_EQ(added->GetParent(), a);
    EXPECT_EQ(rtl::Utf16ToUtf8(dynamic_cast<ThvText*>(added)->GetText()), "Text") << "the class-name text";
    // Screen-projected under the selection: at the menu point in the selection's space, moved
    // by half the selection's size.
    EXPECT_EQ(PositionOf(added), (ThvPoint { 45 - 50 + 10, 52 - 50 + 10, 0 }));
    EXPECT_LT(Design().GetMenuPos().X, 0) << "used up";
}

TEST_F(Scene3DDesignTest, InsertingByClassNameNeedsAThreeDObjectClassAndAPlace)
{
    struct Case {
        const char* name;
        const char* className;
        bool selection;
        bool made;
    };
    const Case cases[] = {
        { "a 3D object class under the selection", "ThvText", true, true },
        { "letter case of the class name ignored", "thvtext", true, true },
        { "an unknown class", "ThvNoSuchThing", true, false },
        { "a class that is no 3D object", "ThvScene", true, false },
        { "no selection in a scene with roots", "ThvText", false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->SetSelected(c.selection ? a : nullptr);
        const int before = a->GetChildCount();
        const int roots = scene->GetCount();
        Design().InsertObjectByClassName(c.className);
        EXPECT_EQ(a->GetChildCount(), before + (c.made ? 1 : 0));
        EXPECT_EQ(scene->GetCount(), roots);
    }
}

TEST_F(Scene3DDesignTest, OrderCommandsMoveTheSelectionAmongItsSiblings)
{
    scene->SetSelected(a);
    Design().OrderCommand(true);
    EXPECT_EQ(root->GetChild(root->GetChildCount() - 1), a);
    Design().OrderCommand(false);
    EXPECT_EQ(root->GetChild(0), a);
}

TEST_F(Scene3DDesignTest, ShowGridTogglesTheGridButNotTheStoredSetting)
{
    ChooseInMenu({ "Show grid" });
    EXPECT_EQ(scene->GetDesignGrid()->GetOpacity(), 0);
    EXPECT_TRUE(scene->GetDesignSnapGridShow());
    ChooseInMenu({ "Show grid" });
    EXPECT_EQ(scene->GetDesignGrid()->GetOpacity(), 1);
}

TEST_F(Scene3DDesignTest, CommandRunsAfterTheScenesPressAndNotAfterTheScene)
{
    // The posted command of a scene freed before it runs is dropped.
    FakePopupMenu::SetChooser(
        [](MenuItem& items, platform::ui::Point) { return items.FindByCaption("Delete object"); });
    scene->SetSelected(a);
    Press(150, 50, {}, MouseButton::Right);
    rtl::FreeAndNil(scene);
    app.ProcessMessages();
}

TEST_F(Scene3DDesignTest, ASceneFreedWhileItsMenuShowsRunsNoCommand)
{
    scene->SetSelected(a);
    FakePopupMenu::SetChooser([this](MenuItem& items, platform::ui::Point) {
        rtl::FreeAndNil(scene);
        return items.FindByCaption("Load From File...");
    });
    Press(150, 50, {}, MouseButton::Right);
    EXPECT_EQ(scene, nullptr);
    app.ProcessMessages();
    EXPECT_FALSE(FakeDialogs::LastOpenFile()) << "the chosen command was dropped with its scene";
}

// ---- clipboard and files ------------------------------------------------------------------

TEST_F(Scene3DDesignTest, CopiedObjectIsPastedAsObjectTextUnderTheSelection)
{
    auto* text = new ThvText(owner.get());
    a->AddObject(text);
    text->SetText(u"Hello");
    text->SetWidth(7);
    scene->SetSelected(text);
    Design().CopyCommand();
    const std::optional<std::u16string> copied = app.GetClipboard().GetText();
    ASSERT_TRUE(copied);
    EXPECT_NE(copied->find(u"ThvText"), std::u16string::npos);
    EXPECT_NE(copied->find(u"Hello"), std::u16string::npos);

    scene->SetSelected(b);
    Design().PasteCommand();
    auto* pasted = dynamic_cast<ThvText*>(scene->GetSelected());
    ASSERT_NE(pasted, nullptr);
    EXPECT_NE(pasted, text);
    EXPECT_EQ(pasted->GetParent(), b);
    EXPECT_FLOAT_EQ(pasted->GetWidth(), 7);
    EXPECT_EQ(rtl::Utf16ToUtf8(pasted->GetText()), "Text") << "the class-name text, not the copied one";
    EXPECT_TRUE(FakeDialogs::Messages().empty());
}

TEST_F(Scene3DDesignTest, PastingWhatIsNoObjectSaysSo)
{
    const char16_t* texts[] = { u"just some words", u"object X: TComponent\nend\n", u"" };
    for (const char16_t* clip : texts) {
        SCOPED_TRACE(rtl::Utf16ToUtf8(clip));
        FakeDialogs::Reset();
        app.GetClipboard().SetText(clip);
        scene->SetSelected(a);
        const int before = a->GetChildCount();
        Design().PasteCommand();
        EXPECT_EQ(a->GetChildCount(), before);
        EXPECT_EQ(FakeDialogs::Messages(), (Lines { "No object in clipboard" }));
    }
    FakeDialogs::Reset();
    scene->SetSelected(nullptr);
    Design().PasteCommand();
    EXPECT_TRUE(FakeDialogs::Messages().empty()) << "nothing selected: nothing to paste into";
}

TEST_F(Scene3DDesignTest, LoadingFromAFileAddsItsObjectUnderTheSelection)
{
    auto* text = new ThvText(owner.get());
    text->SetText(u"From a file");
    const std::string file = std::string(GF_TEST_OUTPUT) + "/design-load.helvane";
    {
        rtl::TFileStream out(file, rtl::fmCreate);
        text->SaveToStream(out);
    }
    text->Free();
    const std::string words = std::string(GF_TEST_OUTPUT) + "/design-load-words.helvane";
    std::ofstream(words) << "just some words\n";

    FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return std::optional(file); });
    scene->SetSelected(b);
    Design().LoadFromFileCommand();
    ASSERT_EQ(b->GetChildCount(), 1);
    auto* loaded = dynamic_cast<ThvText*>(b->GetChild(0));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(rtl::Utf16ToUtf8(loaded->GetText()), "From a file");
    ASSERT_TRUE(FakeDialogs::LastOpenFile());
    EXPECT_EQ(FakeDialogs::LastOpenFile()->filter, "Helvane Files|*.helvane");

    struct Case {
        const char* name;
        std::optional<std::string> answer;
    };
    const Case failures[] = {
        { "cancelled", std::nullopt },
        { "a missing file", std::string(GF_TEST_OUTPUT) + "/no-such.helvane" },
        { "a file of no object", words },
    };
    for (const Case& c : failures) {
        SCOPED_TRACE(c.name);
        FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return c.answer; });
        Design().LoadFromFileCommand();
        EXPECT_EQ(b->GetChildCount(), 1);
    }
}

// ---- overlays -----------------------------------------------------------------------------

TEST_F(Scene3DDesignTest, FramesShowTheSelectionsBoxItsHandlesAndTheHelp)
{
    auto canvas = scene3dtest::MakeRecordingCanvas(200, 100);
    scene->SetCanvas(canvas.get());
    scene->SetSelected(a);
    canvas->ClearLog();
    scene->Render();
    EXPECT_EQ(canvas->Lines("DrawCube (0,0,0) (20,20,1)").size(), 1u) << "the selection's box";
    EXPECT_EQ(canvas->Lines("FillCube").size(), 2u) << "two size handles";
    EXPECT_EQ(canvas->Lines("DrawCube").size(), 4u) << "box, two size handles, one turn handle";
    EXPECT_EQ(canvas->Lines("FillText"),
        (Lines { "FillText Alt+mouse - rotate scene | Shift+mouse - move scene 0 0 1",
            "FillText Mouse - move object in (XoY) | Ctrl + Mouse - move object in (XoZ) 0 10 1",
            "FillText Shift+mouse - move layer object in (XoY) | Hold Shift to use HV Menu in ObjectLayers 0 "
            "20 1" }));
    EXPECT_FLOAT_EQ(canvas->GetFont()->GetSize(), 9);

    scene->SetSelected(root);
    canvas->ClearLog();
    scene->Render();
    EXPECT_TRUE(canvas->Lines("DrawCube").empty()) << "the root shows no box";
    scene->SetCanvas(nullptr);
}
