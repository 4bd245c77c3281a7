// The design mode of a 2D scene control, driven through the scene's mouse and key entry points
// and its design menu: selection and handles, moving, resizing and turning with grid and line
// snapping, Alt-drag reparenting, Delete, insertion by class name, copy and paste of object
// text, loading a file, the grid, hide, order and style commands, the tab order editor and the
// overlays.

#include "design/SceneDesignMode.h"

#include "controls/Controls.h"
#include "controls/TwzButtons.h"
#include "controls/TwzListBox.h"
#include "design/Design.h"
#include "design/TabOrderEditor.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "platform/raster/Surface.h"
#include "platform/rtl/Text.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/PopupMenu.h"
#include "platform/ui/Window.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzShape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using design::DesignDrag;
using platform::ui::FakeDialogs;
using platform::ui::FakePopupMenu;
using platform::ui::MenuItem;
using platform::ui::MouseButton;
using platform::ui::ShiftFlag;
using platform::ui::ShiftState;
using Lines = std::vector<std::string>;

std::string NameOf(const TwzObject* object)
{
    if (!object)
        return "none";
    return object->GetName().empty() ? std::string(object->ClassName()) : object->GetName();
}

// A form designer that logs what the scene tells it and makes names from a counter.
class RecordingDesigner final : public ui2d::SceneDesignerHook {
public:
    Lines log;
    int counter = 0;

    void SelectObject(rtl::TComponent*, TwzObject* object, std::span<TwzObject* const> extra) override
    {
        std::string line = "select " + NameOf(object);
        for (TwzObject* o : extra)
            line += " +" + NameOf(o);
        log.push_back(line);
    }
    void Modified(rtl::TComponent*) override { log.push_back("modified"); }
    std::string UniqueName(rtl::TComponent*, const std::string& baseName) override
    {
        log.push_back("name " + baseName);
        return baseName + std::to_string(++counter);
    }
    void EditStyle(TwzResources*, const std::string& styleName) override
    {
        log.push_back("edit " + styleName);
    }
    Lines Take()
    {
        Lines lines;
        lines.swap(log);
        return lines;
    }
};

class SceneDesignTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Initialize2DLibrary();
        RegisterControls();
        RegisterDesignTools();
        FakePopupMenu::SetChooser({});
        FakeDialogs::Reset();
        DesignClipboard.clear();
        platform::ui::FormOptions options;
        options.clientWidth = 300;
        options.clientHeight = 200;
        options.position = platform::ui::Point { 100, 100 };
        form = app.CreateForm(options);
        owner->SetDesigning(true);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, 300, 200);
        root = new TwzBackground(owner.get());
        root->SetName("Root");
        scene->AddObject(root);
        scene->SetParentForm(form.get());
        form->Show();
        a = Box("A", 20, 20, 40, 30);
        b = Box("B", 150, 100, 50, 40);
        app.ProcessMessages();
    }
    void TearDown() override
    {
        SceneDesigner = nullptr;
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
        FakePopupMenu::SetChooser({});
        FakeDialogs::Reset();
        DesignClipboard.clear();
    }

    struct Counter : rtl::TObject {
        int changes = 0;
        void Changed(rtl::TObject*) { ++changes; }
    };

    TwzRectangle* Box(const char* name, float x, float y, float w, float h, TwzObject* parent = nullptr)
    {
        auto* box = new TwzRectangle(owner.get());
        box->SetName(name);
        box->SetBounds(x, y, w, h);
        box->GetFill()->SetSolidColor(0xFF808080u);
        box->SetParent(parent ? parent : root);
        return box;
    }
    design::SceneDesignMode& Design()
    {
        return *static_cast<design::SceneDesignMode*>(scene->GetDesignMode());
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
    void Select(TwzVisualObject* object)
    {
        const TwzPoint p = object->LocalToAbsolute({ object->GetWidth() / 2, object->GetHeight() / 2 });
        Press(p.X, p.Y);
        Release(p.X, p.Y);
    }
    /// Chooses the item at this path in the next design menu (opened by a right press at the
    /// point) and lets its posted command run.
    void ChooseInMenu(std::initializer_list<std::string_view> path, float x = 5, float y = 5)
    {
        FakePopupMenu::ChooseCaptions(std::vector<std::string>(path.begin(), path.end()));
        Press(x, y, {}, MouseButton::Right);
        Release(x, y, MouseButton::Right);
        app.ProcessMessages();
        FakePopupMenu::SetChooser({});
    }
    /// The captions of a menu level, checked ones marked with "*".
    static Lines Captions(const MenuItem& items)
    {
        Lines lines;
        for (const auto& item : items.Items())
            lines.push_back(item->Caption + (item->Checked ? "*" : ""));
        return lines;
    }
    static TwzPoint PositionOf(TwzVisualObject* object) { return object->GetPosition()->GetPoint(); }
    uint32_t Pixel(int x, int y)
    {
        TwzCanvas* canvas = scene->GetCanvas();
        canvas->GetBufferSurface()->Flush();
        return canvas->GetBufferBits()[static_cast<size_t>(y * canvas->GetWidth() + x)];
    }
    void Paint()
    {
        scene->AddUpdateRect({ 0, 0, 300, 200 });
        app.ProcessMessages();
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TwzBackground* root = nullptr;
    TwzRectangle* a = nullptr;
    TwzRectangle* b = nullptr;
    Counter counter;
    RecordingDesigner designer;
};

// ---- selection and moving -----------------------------------------------------------------

TEST_F(SceneDesignTest, APressSelectsTheObjectAndADragMovesItAndTellsTheDesigner)
{
    SceneDesigner = &designer;
    scene->SetDesignSnapToLines(false);
    scene->OnDesignChange.Bind<&Counter::Changed>(&counter);
    Press(30, 30);
    EXPECT_EQ(scene->GetSelected(), a);
    EXPECT_EQ(Design().GetDrag(), DesignDrag::Move);
    EXPECT_EQ(counter.changes, 1);
    Drag(40, 35);
    Drag(45, 37);
    Release(45, 37);
    EXPECT_EQ(PositionOf(a), (TwzPoint { 35, 27 }));
    EXPECT_EQ(Design().GetDrag(), DesignDrag::None);
    EXPECT_EQ(designer.Take(), (Lines { "select A", "modified" }));

    // The run-time routing gets nothing: the objects hear no press while designed.
    EXPECT_FALSE(a->GetPressed());

    // Ctrl adds to the extra selection, which only the designer hears of; the selection stays.
    Press(170, 120, { ShiftFlag::Ctrl });
    EXPECT_EQ(scene->GetSelected(), a);
    ASSERT_EQ(Design().ExtraSelection().size(), 1u);
    EXPECT_EQ(designer.Take(), (Lines { "select A +B" }));
    Release(170, 120);
}

TEST_F(SceneDesignTest, APressOnAnEmptySceneMakesABackgroundRootThatFillsIt)
{
    SceneDesigner = &designer;
    root->Free();
    root = nullptr;
    ASSERT_EQ(scene->GetRoot(), nullptr);
    Press(10, 10);
    Release(10, 10);
    auto* made = dynamic_cast<TwzBackground*>(scene->GetRoot());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetName(), "Root1");
    EXPECT_EQ(made->GetOwner(), owner.get());
    EXPECT_FLOAT_EQ(made->GetWidth(), 300);
    EXPECT_FLOAT_EQ(made->GetHeight(), 200);
    EXPECT_EQ(scene->Roots().size(), 1u);
    EXPECT_EQ(scene->GetSelected(), made) << "the press goes on and selects the new root";
}

TEST_F(SceneDesignTest, HandlesAreGrabbedWithinThreePixelsOfTheirCentres)
{
    struct Case {
        const char* name;
        float x, y;
        DesignDrag drag;
    };
    // A at (20, 20) 40 x 30: its corners, edge middles and the turn handle 10 above the top.
    const Case cases[] = {
        { "left-top, 3 left", 17, 20, DesignDrag::LeftTop },
        { "left-top, 3 up and left", 17, 17, DesignDrag::LeftTop },
        { "left-top, 4 left: the root", 16, 20, DesignDrag::Move },
        { "right-top", 60, 20, DesignDrag::RightTop },
        { "left-bottom", 20, 50, DesignDrag::LeftBottom },
        { "right-bottom", 62, 52, DesignDrag::RightBottom },
        { "top", 40, 21, DesignDrag::Top },
        { "bottom", 40, 50, DesignDrag::Bottom },
        { "left", 20, 35, DesignDrag::Left },
        { "right", 60, 35, DesignDrag::Right },
        { "rotation", 40, 10, DesignDrag::Rotation },
        { "inside: a move", 30, 30, DesignDrag::Move },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->SetSelected(a);
        Press(c.x, c.y);
        EXPECT_EQ(Design().GetDrag(), c.drag);
        const bool onHandle = c.drag != DesignDrag::Move;
        EXPECT_EQ(scene->GetSelected(), onHandle || c.x >= 20 ? a : static_cast<TwzObject*>(root));
        Release(c.x, c.y);
    }
}

TEST_F(SceneDesignTest, HandleDragsResizeTheirSidesAndTheTurnHandleTurns)
{
    scene->SetDesignSnapToLines(false);
    struct Case {
        const char* name;
        float x, y; // the handle
        TwzRect expected; // position and size after a drag by (+10, +5)
    };
    const Case cases[] = {
        { "left-top", 20, 20, { 30, 25, 30, 25 } },
        { "right-top", 60, 20, { 20, 25, 50, 25 } },
        { "left-bottom", 20, 50, { 30, 20, 30, 35 } },
        { "right-bottom", 60, 50, { 20, 20, 50, 35 } },
        { "top", 40, 20, { 20, 25, 40, 25 } },
        { "bottom", 40, 50, { 20, 20, 40, 35 } },
        { "left", 20, 35, { 30, 20, 30, 30 } },
        { "right", 60, 35, { 20, 20, 50, 30 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        a->SetBounds(20, 20, 40, 30);
        scene->SetSelected(a);
        Press(c.x, c.y);
        Drag(c.x + 10, c.y + 5);
        Release(c.x + 10, c.y + 5);
        EXPECT_EQ(PositionOf(a), (TwzPoint { c.expected.Left, c.expected.Top }));
        EXPECT_FLOAT_EQ(a->GetWidth(), c.expected.Right);
        EXPECT_FLOAT_EQ(a->GetHeight(), c.expected.Bottom);
    }

    // A quarter turn of the pointer about the centre turns the object a quarter, clockwise on
    // the screen as the pointer went.
    a->SetBounds(20, 20, 40, 30);
    scene->SetSelected(a);
    Press(40, 10);
    Drag(40, 10); // the pointer on the handle, straight above the centre (40, 35)
    Drag(65, 35);
    Release(65, 35);
    EXPECT_NEAR(a->GetRotateAngle(), 90, 0.01);
    EXPECT_EQ(PositionOf(a), (TwzPoint { 20, 20 })) << "turning keeps the place";
}

TEST_F(SceneDesignTest, TheGridTruncatesMovesToWholeSteps)
{
    scene->SetDesignSnapToLines(false);
    scene->SetDesignSnapToGrid(true);
    a->GetPosition()->SetPoint({ 20.7f, 20.2f });
    scene->SetSelected(a);
    Press(30, 30);
    Drag(31, 30);
    EXPECT_EQ(PositionOf(a), (TwzPoint { 21, 20 })) << "20.7 + 1 truncates to 21";
    Release(31, 30);

    // A negative coordinate truncates towards zero: -0.5 becomes 0.
    a->GetPosition()->SetPoint({ -1.5f, 20 });
    Press(5, 30);
    Drag(6, 30);
    EXPECT_EQ(PositionOf(a), (TwzPoint { 0, 20 }));
    Release(6, 30);
}

// ---- line snapping ------------------------------------------------------------------------

TEST_F(SceneDesignTest, AMovedObjectSnapsToASiblingsEdgeAndStaysStuckWithinTheTolerance)
{
    b->SetBounds(21, 100, 40, 40);
    scene->SetSelected(a);
    Press(30, 30);
    Drag(30, 31);
    EXPECT_FLOAT_EQ(PositionOf(a).X, 21) << "left edges (and centres) 1 apart line up";
    EXPECT_FLOAT_EQ(PositionOf(a).Y, 21);
    ASSERT_EQ(Design().SnapObjects().size(), 1u);
    EXPECT_EQ(Design().SnapObjects()[0], b);

    // A dashed line joins the two left-top corners, down the shared left edge.
    Paint();
    const auto lineDots = [&](int x) {
        int dots = 0;
        for (int y = 55; y < 96; ++y)
            dots += (Pixel(x, y) & 0xFFFFFF) == 0x1072C5u;
        return dots;
    };
    EXPECT_GT(lineDots(21), 20) << "on the alignment line";
    EXPECT_EQ(lineDots(30), 0) << "beside it";

    Drag(31, 31);
    EXPECT_FLOAT_EQ(PositionOf(a).X, 21) << "one more pixel keeps it stuck";
    Drag(35, 31);
    EXPECT_FLOAT_EQ(PositionOf(a).X, 25) << "beyond the tolerance it comes free";
    Release(35, 31);
    EXPECT_TRUE(Design().SnapObjects().empty());
    app.ProcessMessages();
    EXPECT_EQ(lineDots(21), 0) << "the line goes with the drag";
}

TEST_F(SceneDesignTest, ResizingSnapsAnEdgeWithinFourPixelsOfASiblingsEdge)
{
    // B's left edge lines up with A's, so B takes part in A's drags.
    b->SetBounds(20, 100, 53, 40);
    scene->SetSelected(a);
    Press(60, 50);
    Drag(70, 60);
    Release(70, 60);
    EXPECT_FLOAT_EQ(a->GetWidth(), 53) << "the right edge at 70 lands on B's at 73";

    scene->SetDesignSnapToLines(false);
    a->SetBounds(20, 20, 40, 30);
    Press(60, 50);
    Drag(70, 60);
    Release(70, 60);
    EXPECT_FLOAT_EQ(a->GetWidth(), 50) << "without line snapping it follows the pointer";
}

// ---- Alt-drag reparenting -----------------------------------------------------------------

TEST_F(SceneDesignTest, AnAltDragPutsTheSelectionIntoTheObjectUnderThePointerWithoutAJump)
{
    scene->SetDesignSnapToLines(false);
    scene->SetSelected(a);
    Press(30, 30);
    Drag(160, 110);
    EXPECT_EQ(scene->GetDesignDropTarget(), b) << "without Alt only the hint shows";
    EXPECT_EQ(a->GetParent(), root);
    Paint();
    EXPECT_EQ(Pixel(151, 82) & 0xFFFFFF, 0x5B91DEu) << "the label stands on B's top-left corner";

    const TwzPoint before = a->LocalToAbsolute({ 0, 0 });
    Drag(161, 111, { ShiftFlag::Alt });
    EXPECT_EQ(a->GetParent(), b);
    const TwzPoint after = a->LocalToAbsolute({ 0, 0 });
    EXPECT_NEAR(after.X, before.X + 1, 0.001) << "only the pointer's step moved it";
    EXPECT_NEAR(after.Y, before.Y + 1, 0.001);
    Release(161, 111);
    EXPECT_EQ(scene->GetDesignDropTarget(), nullptr);
}

// ---- Delete, order, hide ------------------------------------------------------------------

TEST_F(SceneDesignTest, DeleteFreesTheSelectionEvenTheRootButTheMenuKeepsTheRoot)
{
    rtl::Watch<TwzRectangle> watchedA(a);
    scene->SetSelected(a);
    uint16_t key = platform::ui::vk::kDelete;
    scene->KeyUp(key, {});
    EXPECT_FALSE(watchedA);
    EXPECT_EQ(scene->GetSelected(), nullptr);

    // The menu's "Delete object" passes the selection to the parent first...
    rtl::Watch<TwzRectangle> watchedB(b);
    rtl::Watch<TwzRectangle> watchedInner(Box("Inner", 5, 5, 10, 10, b));
    ChooseInMenu({ "Delete object" }, 160, 110);
    EXPECT_FALSE(watchedInner);
    EXPECT_EQ(scene->GetSelected(), b);
    ChooseInMenu({ "Delete object" }, 170, 120);
    EXPECT_FALSE(watchedB);
    EXPECT_EQ(scene->GetSelected(), root);
    // ...and leaves the root alone.
    ChooseInMenu({ "Delete object" }, 290, 190);
    EXPECT_EQ(scene->GetRoot(), root);

    scene->SetSelected(root);
    key = platform::ui::vk::kDelete;
    scene->KeyUp(key, {});
    EXPECT_EQ(scene->GetRoot(), nullptr) << "the key frees even the root";
    root = nullptr;
}

TEST_F(SceneDesignTest, HideAndOrderCommandsActOnTheSelection)
{
    SceneDesigner = &designer;
    scene->SetSelected(a);
    ChooseInMenu({ "Hide in Design-time" }, 30, 30);
    EXPECT_TRUE(a->GetDesignHide());
    EXPECT_EQ(scene->GetSelected(), root) << "a hidden selection passes to its parent";
    EXPECT_EQ(designer.Take().back(), "select Root");
    EXPECT_EQ(scene->ObjectAtScenePoint({ 30, 30 }), root) << "hidden objects are not hit";

    ChooseInMenu({ "Hide in Design-time" }, 290, 190);
    EXPECT_FALSE(root->GetDesignHide()) << "the root is never hidden";

    ChooseInMenu({ "Order", "Send to back" }, 170, 120);
    EXPECT_EQ(root->Children()[0], b);
    ChooseInMenu({ "Order", "Bring to front" }, 170, 120);
    EXPECT_EQ(root->Children().back(), b);
}

// ---- the menu and the grid ----------------------------------------------------------------

TEST_F(SceneDesignTest, TheMenuListsItsCommandsAndTheGridItemsKeepTheModesExclusive)
{
    platform::ui::PopupMenu* shown = nullptr;
    scene->SetSelected(a);
    Press(30, 30, {}, MouseButton::Right);
    Release(30, 30, MouseButton::Right);
    shown = Design().GetDesignMenu();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(Captions(shown->Items()),
        (Lines { "Add object", "Delete object", "Load From File...", "Hide in Design-time", "Order", "Edit",
            "Grid" }));
    EXPECT_EQ(scene->GetSelected(), a) << "the press goes on after the menu";
    // Categories once each; classes sorted without their prefix.
    const MenuItem* shapes = shown->Items().FindPath({ "Add object", "Shapes" });
    ASSERT_NE(shapes, nullptr);
    Lines shapeNames = Captions(*shapes);
    EXPECT_TRUE(std::is_sorted(shapeNames.begin(), shapeNames.end()));
    EXPECT_NE(std::find(shapeNames.begin(), shapeNames.end(), "Rectangle"), shapeNames.end());
    Lines categories = Captions(*shown->Items().FindPath({ "Add object" }));
    std::sort(categories.begin(), categories.end());
    EXPECT_EQ(std::adjacent_find(categories.begin(), categories.end()), categories.end());
    EXPECT_EQ(Captions(*shown->Items().FindPath({ "Grid" })),
        (Lines { "Show snap grid", "Snap to grid", "Snap to lines*", "Snap disabled" }));

    struct Step {
        const char* item;
        bool grid;
        bool lines;
        Lines checks;
    };
    const Step steps[] = {
        { "Snap to grid", true, false,
            { "Show snap grid", "Snap to grid*", "Snap to lines", "Snap disabled" } },
        { "Snap disabled", false, false,
            { "Show snap grid", "Snap to grid", "Snap to lines", "Snap disabled*" } },
        { "Snap to lines", false, true,
            { "Show snap grid", "Snap to grid", "Snap to lines*", "Snap disabled" } },
        { "Show snap grid", false, true,
            { "Show snap grid*", "Snap to grid", "Snap to lines*", "Snap disabled" } },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.item);
        ChooseInMenu({ "Grid", step.item }, 290, 190);
        EXPECT_EQ(scene->GetDesignSnapToGrid(), step.grid);
        EXPECT_EQ(scene->GetDesignSnapToLines(), step.lines);
        Press(290, 190, {}, MouseButton::Right);
        Release(290, 190, MouseButton::Right);
        EXPECT_EQ(Captions(*Design().GetDesignMenu()->Items().FindPath({ "Grid" })), step.checks);
    }
}

// ---- inserting ----------------------------------------------------------------------------

TEST_F(SceneDesignTest, InsertingByClassNameAddsANamedSelectedObjectToTheSelection)
{
    SceneDesigner = &designer;
    scene->SetSelected(b);
    designer.Take();
    scene->InsertObjectByClassName("TwzButton");
    auto* button = dynamic_cast<TwzButton*>(scene->GetSelected());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetParent(), b);
    EXPECT_EQ(button->GetOwner(), owner.get());
    EXPECT_EQ(button->GetText(), u"Button");
    EXPECT_EQ(button->GetName(), "TwzButton1");
    EXPECT_EQ(designer.Take(), (Lines { "name TwzButton", "select TwzButton1", "modified" }));

    struct Refused {
        const char* name;
        std::string className;
    };
    const Refused refused[] = {
        { "unknown", "TwzNoSuchThing" },
        { "not a 2D object", "TwzBrush" },
        { "empty", "" },
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        const int count = owner->GetComponentCount();
        scene->InsertObjectByClassName(r.className);
        EXPECT_EQ(owner->GetComponentCount(), count);
        EXPECT_EQ(scene->GetSelected(), button);
    }

    // Without a selection only an empty scene takes a new root.
    scene->SetSelected(nullptr);
    const int count = owner->GetComponentCount();
    scene->InsertObjectByClassName("TwzRectangle");
    EXPECT_EQ(owner->GetComponentCount(), count);
}

TEST_F(SceneDesignTest, AddObjectFromTheMenuPlacesTheObjectAtThePressButItemsStayInTheirList)
{
    ChooseInMenu({ "Add object", "Shapes", "Ellipse" }, 170, 120);
    TwzObject* made = scene->GetSelected();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassName(), "TwzEllipse");
    EXPECT_EQ(made->GetParent(), b);
    EXPECT_EQ(PositionOf(made->AsVisual()), (TwzPoint { 20, 20 })) << "the press point in B's coordinates";
    EXPECT_EQ(Design().GetMenuPos(), (TwzPoint { -1, -1 }));

    auto* list = new TwzListBox(owner.get());
    list->SetBounds(20, 100, 100, 80);
    list->SetParent(root);
    scene->SetSelected(list);
    scene->MouseMove({}, 60, 150);
    FakePopupMenu::SetChooser(
        [](MenuItem& items, platform::ui::Point) { return items.FindPath({ "Add ListBoxItem" }); });
    scene->PopupDesignMenu();
    app.ProcessMessages();
    auto* item = dynamic_cast<TwzListBoxItem*>(scene->GetSelected());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(list->Count(), 1);
    EXPECT_EQ(item->GetText(), u"ListBoxItem");
    EXPECT_NE(PositionOf(item), (TwzPoint { 40, 50 })) << "an item is not moved to the menu point";
}

// ---- copy, paste, load --------------------------------------------------------------------

TEST_F(SceneDesignTest, CopyAndPasteGoThroughTheDesignBufferAsObjectText)
{
    SceneDesigner = &designer;
    a->SetRotateAngle(30);
    ChooseInMenu({ "Edit", "Copy to clipboard" }, 30, 30);
    EXPECT_EQ(DesignClipboard.rfind("object", 0), 0u) << DesignClipboard;
    EXPECT_NE(DesignClipboard.find("TwzRectangle"), DesignClipboard.npos) << DesignClipboard;

    scene->SetSelected(b);
    designer.Take();
    const int children = b->GetChildCount();
    ChooseInMenu({ "Edit", "Paste from clipboard" }, 170, 120);
    ASSERT_EQ(b->GetChildCount(), children + 1);
    auto* pasted = dynamic_cast<TwzRectangle*>(b->Children().back());
    ASSERT_NE(pasted, nullptr);
    EXPECT_FLOAT_EQ(pasted->GetRotateAngle(), 30);
    EXPECT_FLOAT_EQ(pasted->GetWidth(), 40);
    EXPECT_EQ(pasted->GetName(), "TwzRectangle1");
    EXPECT_EQ(scene->GetSelected(), b) << "the pasted object is not selected";

    // Nothing to paste, or text that is no object: nothing happens.
    for (const char* text : { "", "object X: TwzNoSuchClass end", "garbage" }) {
        SCOPED_TRACE(text);
        DesignClipboard = text;
        const int count = owner->GetComponentCount();
        ChooseInMenu({ "Edit", "Paste from clipboard" }, 170, 120);
        EXPECT_EQ(owner->GetComponentCount(), count);
    }
}

class TempFile {
public:
    explicit TempFile(const std::string& text)
        : m_path(std::filesystem::temp_directory_path()
            / ("scenedesign-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".plimora"))
    {
        std::ofstream(m_path, std::ios::binary) << text;
    }
    ~TempFile() { std::filesystem::remove(m_path); }
    [[nodiscard]] std::string Path() const { return m_path.string(); }

private:
    std::filesystem::path m_path;
};

TEST_F(SceneDesignTest, LoadFromFileInsertsTheObjectAndADamagedFileChangesNothing)
{
    DesignClipboard.clear();
    scene->SetSelected(b);
    ChooseInMenu({ "Edit", "Copy to clipboard" }, 170, 120);
    const std::string good = DesignClipboard;
    scene->SetSelected(a);

    TempFile file(good);
    FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return file.Path(); });
    ChooseInMenu({ "Load From File..." }, 30, 30);
    ASSERT_TRUE(FakeDialogs::LastOpenFile().has_value());
    EXPECT_EQ(FakeDialogs::LastOpenFile()->filter, "Plimora Files|*.plimora;*.wz");
    ASSERT_EQ(a->GetChildCount(), 1);
    EXPECT_FLOAT_EQ(a->Children()[0]->AsVisual()->GetWidth(), 50);
    EXPECT_TRUE(FakeDialogs::Messages().empty());

    struct Damaged {
        const char* name;
        std::string text;
        const char* says;
    };
    const Damaged damaged[] = {
        { "cut short", good.substr(0, good.size() / 2), "Cannot load" },
        { "not object text", "\x89PNG\r\n\x1a\n", "Cannot load" },
        { "no 2D class", "object X: TwzBrush\nend\n", "no 2D object" },
        { "unknown class", "object X: TwzNoSuchClass\nend\n", "no 2D object" },
    };
    for (const Damaged& d : damaged) {
        SCOPED_TRACE(d.name);
        FakeDialogs::Reset();
        TempFile bad(d.text);
        FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return bad.Path(); });
        const int count = owner->GetComponentCount();
        ChooseInMenu({ "Load From File..." }, 30, 30);
        EXPECT_EQ(owner->GetComponentCount(), count);
        EXPECT_EQ(a->GetChildCount(), 1);
        ASSERT_EQ(FakeDialogs::Messages().size(), 1u);
        EXPECT_NE(FakeDialogs::Messages()[0].find(d.says), std::string::npos) << FakeDialogs::Messages()[0];
        EXPECT_NE(FakeDialogs::Messages()[0].find(bad.Path()), std::string::npos)
            << "the message names the file";
    }

    FakeDialogs::Reset();
    FakeDialogs::SetOpenFileAnswer(
        [](const platform::ui::OpenFileOptions&) { return std::string("/no/such/file.plimora"); });
    ChooseInMenu({ "Load From File..." }, 30, 30);
    EXPECT_EQ(a->GetChildCount(), 1);
    EXPECT_EQ(FakeDialogs::Messages().size(), 1u) << "a file that cannot be opened is reported";
}

// ---- styles and tab order -----------------------------------------------------------------

TEST_F(SceneDesignTest, TheStyleCommandsCopyTheControlsStyleIntoANewStyleSheet)
{
    auto* button = new TwzButton(owner.get());
    button->SetName("Ok");
    button->SetBounds(100, 20, 80, 30);
    button->SetParent(root);
    app.ProcessMessages();

    scene->SetSelected(button);
    ChooseInMenu({ "Edit Default Style..." }, 140, 35);
    TwzResources* sheet = scene->GetStyle();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->GetOwner(), owner.get());
    ASSERT_NE(sheet->GetRoot(), nullptr);
    EXPECT_NE(sheet->GetRoot()->FindResource("ButtonStyle"), nullptr);
    const int styles = sheet->GetRoot()->GetChildCount();
    ChooseInMenu({ "Edit Default Style..." }, 140, 35);
    EXPECT_EQ(sheet->GetRoot()->GetChildCount(), styles)
        << "a style already in the sheet is not copied again";

    SceneDesigner = &designer;
    ChooseInMenu({ "Edit Custom Style..." }, 140, 35);
    EXPECT_EQ(button->GetResource(), "OkStyle2") << "the copy is named apart from the first name asked";
    EXPECT_NE(sheet->GetRoot()->FindResource(button->GetResource()), nullptr);
    EXPECT_EQ(designer.Take().back(), "edit " + button->GetResource());

    // Freeing the control leaves the sheet's copies alone.
    button->Free();
    EXPECT_NE(sheet->GetRoot()->FindResource("ButtonStyle"), nullptr);
}

TEST_F(SceneDesignTest, TheTabOrderEditorMovesTheChosenObjectAndListsTheOrderAgain)
{
    std::vector<TwzButton*> buttons;
    for (const char* name : { "First", "Second", "Third" }) {
        auto* button = new TwzButton(owner.get());
        button->SetName(name);
        button->SetParent(b);
        buttons.push_back(button);
    }
    rtl::TOwned<design::TabOrderEditor> editor(new design::TabOrderEditor(*buttons[1]));
    TwzListBox* list = editor->GetList();
    const auto texts = [&] {
        Lines lines;
        for (int32_t i = 0; i < list->Count(); ++i)
            lines.push_back(rtl::Utf16ToUtf8(list->ItemByIndex(i)->GetText()));
        return lines;
    };
    EXPECT_EQ(texts(), (Lines { "First", "Second", "Third" }));
    EXPECT_EQ(list->GetItemIndex(), 1);
    EXPECT_EQ(list->Selected()->GetTagObject(), buttons[1]);
    EXPECT_EQ(editor->GetUpButton()->GetTagObject(), list);

    editor->GetUpButton()->Click();
    EXPECT_EQ(texts(), (Lines { "Second", "First", "Third" }));
    EXPECT_EQ(list->GetItemIndex(), 0);
    EXPECT_EQ(buttons[1]->GetTabOrder(), 0);
    editor->GetUpButton()->Click();
    EXPECT_EQ(buttons[1]->GetTabOrder(), 0) << "the first place is the first";
    editor->GetDownButton()->Click();
    editor->GetDownButton()->Click();
    editor->GetDownButton()->Click();
    EXPECT_EQ(texts(), (Lines { "First", "Third", "Second" }));
    EXPECT_EQ(list->GetItemIndex(), 2);

    // Run from the menu, the window is modal and freed when it closes.
    scene->SetSelected(buttons[0]);
    bool ran = false;
    app.StartTimer(1, [&](uint32_t id) {
        app.StopTimer(id);
        ran = true;
        if (design::TabOrderEditor* running = design::TabOrderEditor::Running())
            running->GetForm()->SetModalResult(platform::ui::kModalCancel);
    });
    const TwzPoint p = buttons[0]->LocalToAbsolute({ 2, 2 });
    ChooseInMenu({ "Tab Order..." }, p.X, p.Y);
    EXPECT_TRUE(ran);
}

// ---- overlays -----------------------------------------------------------------------------

TEST_F(SceneDesignTest, TheSelectionShowsADashedFrameAndHandlesThatTurnRedUnderThePointer)
{
    const uint32_t before = Pixel(40, 10) & 0xFFFFFF;
    ASSERT_NE(before, 0xFFFFFFu);
    scene->SetSelected(a);
    Paint();
    EXPECT_EQ(Pixel(60, 35) & 0xFFFFFF, 0xFFFFFFu) << "the middle of the right handle";
    EXPECT_EQ(Pixel(40, 10) & 0xFFFFFF, 0xFFFFFFu) << "the turn handle stands above the object";
    int frameDots = 0;
    for (int y = 24; y < 47; ++y)
        frameDots += (Pixel(20, y) & 0xFFFFFF) == 0x1072C5u;
    EXPECT_GT(frameDots, 5) << "the dashed frame's left edge, half a pixel in";

    scene->MouseMove({}, 60, 35);
    EXPECT_TRUE(Design().GetHover(DesignDrag::Right));
    app.ProcessMessages();
    EXPECT_EQ(Pixel(60, 35) & 0xFFFFFF, 0xFF0000u) << "hovered handles are red";
    scene->MouseMove({}, 100, 100);
    app.ProcessMessages();
    EXPECT_FALSE(Design().GetHover(DesignDrag::Right));
    EXPECT_EQ(Pixel(60, 35) & 0xFFFFFF, 0xFFFFFFu);

    // No handles for an object that asks for none, though it can still be moved.
    a->SetNoDesignHandles(true);
    Paint();
    EXPECT_EQ(Pixel(40, 10) & 0xFFFFFF, before);
    scene->SetDesignSnapToLines(false);
    Press(40, 21);
    EXPECT_EQ(Design().GetDrag(), DesignDrag::Move);
    Drag(45, 21);
    Release(45, 21);
    EXPECT_EQ(PositionOf(a), (TwzPoint { 25, 20 }));
}

TEST_F(SceneDesignTest, AFormDesignersHitTestIsClaimedOverObjectsTheSelectionAndDuringDrags)
{
    root->SetLocked(true); // not hit at design time: the bare scene shows through
    struct Case {
        const char* name;
        TwzObject* selection;
        TwzPoint point;
        bool claimed;
    };
    const Case cases[] = {
        { "bare scene", nullptr, { 100, 60 }, false },
        { "over an object", nullptr, { 30, 30 }, true },
        { "on an edge, not selected", nullptr, { 150, 100 }, false },
        { "on the selection's edge", b, { 150, 100 }, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scene->SetSelected(c.selection);
        EXPECT_EQ(scene->DesignHitTest(c.point), c.claimed);
    }
    Press(30, 30);
    EXPECT_TRUE(scene->DesignHitTest({ 100, 60 })) << "while a move runs";
    Release(30, 30);
    EXPECT_FALSE(scene->DesignHitTest({ 100, 60 }));
    root->Free();
    root = nullptr;
    EXPECT_TRUE(scene->DesignHitTest({ 100, 60 })) << "a scene without roots";
}

TEST_F(SceneDesignTest, WithoutTheDesignToolsADesignedSceneLeavesItsObjectsAlone)
{
    const ui2d::SceneDesignModeFactory factory = ui2d::MakeSceneDesignMode;
    ui2d::MakeSceneDesignMode = nullptr;
    auto* other = new TwzScene(owner.get());
    other->SetBounds(0, 0, 100, 100);
    auto* box = new TwzRectangle(owner.get());
    other->AddObject(box);
    other->MouseDown(MouseButton::Left, { ShiftFlag::Left }, 50, 50);
    other->MouseUp(MouseButton::Left, {}, 50, 50);
    EXPECT_EQ(other->GetDesignMode(), nullptr);
    EXPECT_EQ(other->GetSelected(), nullptr);
    EXPECT_FALSE(box->GetPressed()) << "nor does the run-time routing take over";
    other->InsertObjectByClassName("TwzRectangle");
    EXPECT_EQ(box->GetChildCount(), 0);
    ui2d::MakeSceneDesignMode = factory;
    other->Free();
}

TEST_F(SceneDesignTest, ASceneFreedWhileItsMenuCommandIsPendingRunsNothing)
{
    rtl::Watch<TwzRectangle> watchedA(a);
    FakePopupMenu::SetChooser(
        [](MenuItem& items, platform::ui::Point) { return items.FindPath({ "Delete object" }); });
    Press(30, 30, {}, MouseButton::Right);
    rtl::FreeAndNil(scene);
    app.ProcessMessages();
    EXPECT_FALSE(watchedA) << "the scene freed its roots";
}

} // namespace
