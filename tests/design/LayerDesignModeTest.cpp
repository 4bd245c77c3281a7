// The design mode of an object layer: what it shares with the 2D scene's, driven through the
// layer's mouse entry points in layer pixels, and where it differs (its root, its menu point,
// where inserted objects go, what loading a file does).

#include "design/LayerDesignMode.h"

#include "controls/Controls.h"
#include "controls/TwzLayouts.h"
#include "design/Design.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzPosition.h"
#include "layers/ThvObjectLayer.h"
#include "platform/raster/Surface.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/PopupMenu.h"
#include "ui2d/Library2D.h"
#include "ui2d/SceneDesignerHook.h"
#include "ui2d/TwzShape.h"

#include <gtest/gtest.h>

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

class NamingDesigner final : public ui2d::SceneDesignerHook {
public:
    std::vector<std::string> log;
    int counter = 0;
    std::string UniqueName(rtl::TComponent*, const std::string& baseName) override
    {
        return baseName + std::to_string(++counter);
    }
    void Modified(rtl::TComponent*) override { log.push_back("modified"); }
};

class LayerDesignTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Initialize2DLibrary();
        RegisterControls();
        RegisterDesignTools();
        FakePopupMenu::SetChooser({});
        FakeDialogs::Reset();
        owner->SetDesigning(true);
        layer = new ThvGUIObjectLayer(owner.get());
        layer->SetWidth(200);
        layer->SetHeight(100);
        layer->BeforePaint();
    }
    void TearDown() override
    {
        SceneDesigner = nullptr;
        owner.reset();
        FakePopupMenu::SetChooser({});
        FakeDialogs::Reset();
    }

    void Press(float x, float y, ShiftState shift = {}, MouseButton button = MouseButton::Left)
    {
        layer->LayerMouseDown(
            button, shift.Add(button == MouseButton::Left ? ShiftFlag::Left : ShiftFlag::Right), x, y);
    }
    void Drag(float x, float y, ShiftState shift = {})
    {
        layer->LayerMouseMove(shift.Add(ShiftFlag::Left), x, y);
    }
    void Release(float x, float y, MouseButton button = MouseButton::Left)
    {
        layer->LayerMouseUp(button, {}, x, y);
    }
    void ChooseInMenu(std::initializer_list<std::string_view> path, float x, float y, ShiftState shift = {})
    {
        FakePopupMenu::ChooseCaptions(std::vector<std::string>(path.begin(), path.end()));
        Press(x, y, shift, MouseButton::Right);
        Release(x, y, MouseButton::Right);
        app.ProcessMessages();
        FakePopupMenu::SetChooser({});
    }
    design::SceneDesignMode& Design()
    {
        return *static_cast<design::SceneDesignMode*>(layer->GetDesignMode());
    }
    /// A root layout with one box at (10, 10), 40 by 30.
    void MakeTree()
    {
        root = new TwzLayout(owner.get());
        layer->AddObject(root);
        layer->RealignRoot();
        box = new TwzRectangle(owner.get());
        box->SetName("Box");
        box->SetBounds(10, 10, 40, 30);
        box->SetParent(root);
    }

    platform::ui::FakeApplication app;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    ThvGUIObjectLayer* layer = nullptr;
    TwzLayout* root = nullptr;
    TwzRectangle* box = nullptr;
    NamingDesigner designer;
};

TEST_F(LayerDesignTest, ARightPressOnAnEmptyLayerMakesALayoutRootOfTheLayersSizeThenShowsTheMenu)
{
    SceneDesigner = &designer;
    ASSERT_EQ(layer->GetRoot(), nullptr);
    Press(30.6f, 20.2f, {}, MouseButton::Right);
    auto* made = dynamic_cast<TwzLayout*>(layer->GetRoot());
    ASSERT_NE(made, nullptr) << "a layout, where a 2D scene makes a background";
    EXPECT_EQ(made->GetName(), "Root1");
    EXPECT_FLOAT_EQ(made->GetWidth(), 200);
    EXPECT_FLOAT_EQ(made->GetHeight(), 100);
    EXPECT_EQ(FakePopupMenu::ShownCount(), 1);
    EXPECT_EQ(Design().GetMenuPos(), (TwzPoint { 30.6f, 20.2f })) << "the press point in layer pixels";
    EXPECT_EQ(layer->GetSelected(), made) << "the press goes on after the menu";
    Release(30, 20, MouseButton::Right);
}

TEST_F(LayerDesignTest, SelectingMovingResizingAndDeleteWorkAsInA2DScene)
{
    SceneDesigner = &designer;
    MakeTree();
    layer->SetDesignSnapToLines(false);
    Press(20, 20);
    EXPECT_EQ(layer->GetSelected(), box);
    Drag(25, 22);
    Release(25, 22);
    EXPECT_EQ(box->GetPosition()->GetPoint(), (TwzPoint { 15, 12 }));
    Press(55, 42); // the right-bottom handle
    EXPECT_EQ(Design().GetDrag(), DesignDrag::RightBottom);
    Drag(65, 52);
    Release(65, 52);
    EXPECT_FLOAT_EQ(box->GetWidth(), 50);
    EXPECT_FLOAT_EQ(box->GetHeight(), 40);
    EXPECT_EQ(designer.log, (std::vector<std::string> { "modified", "modified" }));

    // The overlay is drawn into the layer's picture.
    layer->AddUpdateRect({ 0, 0, 200, 100 });
    layer->PaintObjects();
    TwzCanvas* canvas = layer->GetCanvas();
    canvas->GetBufferSurface()->Flush();
    const uint32_t handle = canvas->GetBufferBits()[static_cast<size_t>(32 * canvas->GetWidth() + 64)];
    EXPECT_EQ(handle & 0xFFFFFF, 0xFFFFFFu) << "the right handle on the grey box";

    rtl::Watch<TwzRectangle> watched(box);
    uint16_t key = platform::ui::vk::kDelete;
    char16_t none = 0;
    layer->KeyUp(key, none, {});
    EXPECT_FALSE(watched);
    EXPECT_EQ(layer->GetSelected(), nullptr);
}

TEST_F(LayerDesignTest, AddObjectGoesToThePressPointInTheSelectionEvenOutsideIt)
{
    MakeTree();
    layer->SetSelected(box);
    // Ctrl keeps the selection while the press goes on after the menu.
    ChooseInMenu({ "Add object", "Shapes", "Ellipse" }, 120, 70, { ShiftFlag::Ctrl });
    TwzObject* made = layer->GetSelected();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->ClassName(), "TwzEllipse");
    EXPECT_EQ(made->GetParent(), box);
    EXPECT_EQ(made->AsVisual()->GetPosition()->GetPoint(), (TwzPoint { 110, 60 }));
}

TEST_F(LayerDesignTest, LoadFromFileOpensTheFileButInsertsNothing)
{
    MakeTree();
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "layerdesign-load.plimora";
    std::ofstream(file) << "object TwzRectangle\n  Width = 5\nend\n";
    FakeDialogs::SetOpenFileAnswer([&](const platform::ui::OpenFileOptions&) { return file.string(); });
    const int count = owner->GetComponentCount();
    ChooseInMenu({ "Load From File..." }, 20, 20);
    ASSERT_TRUE(FakeDialogs::LastOpenFile().has_value());
    EXPECT_EQ(FakeDialogs::LastOpenFile()->filter, "Plimora Files|*.plimora");
    EXPECT_EQ(owner->GetComponentCount(), count);
    EXPECT_EQ(box->GetChildCount(), 0);
    EXPECT_TRUE(FakeDialogs::Messages().empty());
    std::filesystem::remove(file);

    FakeDialogs::SetOpenFileAnswer(
        [](const platform::ui::OpenFileOptions&) { return std::string("/no/such/file.plimora"); });
    ChooseInMenu({ "Load From File..." }, 20, 20);
    EXPECT_EQ(FakeDialogs::Messages().size(), 1u) << "a file that cannot be opened is reported";
}

TEST_F(LayerDesignTest, CopiesPastedIntoALayerComeFromTheBufferTheScenesShare)
{
    MakeTree();
    DesignClipboard.clear();
    layer->SetSelected(box);
    ChooseInMenu({ "Edit", "Copy to clipboard" }, 20, 20);
    ASSERT_FALSE(DesignClipboard.empty());
    ChooseInMenu({ "Edit", "Paste from clipboard" }, 100, 80);
    EXPECT_EQ(layer->GetSelected(), root);
    ASSERT_EQ(root->GetChildCount(), 2);
    EXPECT_FLOAT_EQ(root->Children().back()->AsVisual()->GetWidth(), 40);
    DesignClipboard.clear();
}

} // namespace
