// Object layers and screen-space objects in a 3D scene in a real window under X: a layer
// docked at the bottom shows styled controls; a click through the 3D scene presses and clicks
// a button while clicks on empty parts reach the scene's root; keys, Tab and typed characters
// reach the focused control; a drag that leaves the layer keeps reporting to the object that
// holds the mouse; a dropped file reaches a 2D object; a hint gives its text; docked
// screen objects and a tiled picture land where LayerAlign puts them; a text layer shows its
// letters over the view; a selection's grip dragged off the plate resizes it with the mouse.

#include "app/Modules.h"
#include "controls/TwzButtons.h"
#include "controls/TwzCheckBoxes.h"
#include "graphics/TwzBrush.h"
#include "graphics/TwzFont.h"
#include "layers/ThvGUIObjects.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/ThvBitmap.h"
#include "scene3d/ThvMaterial.h"
#include "scene3d/ThvPosition.h"
#include "scene3d/ThvScene.h"
#include "tests/platform/ui/gui/GtkFixture.h"
#include "tests/support/Pixels.h"
#include "tests/support/SceneWindow.h"
#include "tests/ui2d/TwzSceneWindowTestSupport.h"

#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"

#include "tests/support/ModulesEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using platform::ui::Point;
using platform::ui::RawButtonEvent;
using platform::ui::RawModifiers;
using platform::ui::Rect;
namespace test = platform::ui::test;
using namespace scenewindowtest;
using testsupport::Brightness;

namespace {

bool Near(uint32_t actual, uint32_t expected)
{
    return testsupport::ChannelsNear(actual, expected, 3, false);
}

// What the scene's root and the controls heard.
struct Recorder : rtl::TObject {
    Lines lines;
    void ViewDown(rtl::TObject*, TMouseButton, TShiftState, float, float, const ThvVector&, const ThvVector&)
    {
        lines.push_back("view down");
    }
    void Click(rtl::TObject*) { lines.push_back("click"); }
    void Key(uint16_t& key, char16_t& keyChar, TShiftState)
    {
        lines.push_back(keyChar ? "char " + std::string(1, static_cast<char>(keyChar)) : "key " + Num(key));
    }
};

class LayerWindow : public testsupport::SceneWindowTest<ThvScene> {
protected:
    void SetUpWindow() override { TakeEvents(); }
    void TearDown() override
    {
        SceneWindowTest::TearDown();
        TakeEvents();
    }

    /// A shown form holding a scene of that size, cleared to #FF204060, whose root takes the
    /// mouse over the empty view; returns once the scene painted.
    void Open(int32_t width, int32_t height)
    {
        CreateWindow(width, height);
        scene->SetFillColor("#FF204060");
        scene->SetLighting(false);
        view = new ThvVisualObject(owner.get());
        view->SetName("View");
        view->OnMouseDown.Bind<&Recorder::ViewDown>(&recorder);
        scene->AddObject(view);
        ShowWindow([&] { return test::PaintCount(Host()) > 0; });
    }
    /// A screen layer docked at the bottom, `height` high, filled dark grey, whose first root
    /// covers it and takes no mouse.
    void OpenBar(float height)
    {
        bar = new ThvGUIObjectLayer(owner.get());
        bar->SetName("Bar");
        bar->GetFill()->SetStyle(wzBrushSolid);
        bar->GetFill()->SetSolidColor(0xFF303030u);
        view->AddObject(bar);
        bar->SetHeight(height);
        bar->SetLayerAlign(hvLayerBottom);
        panel = new TwzVisualObject(owner.get());
        panel->SetHitTest(false);
        bar->AddObject(panel);
    }
    template <class T> T* Control(float x, float y, float w, float h)
    {
        auto* control = new T(owner.get());
        control->SetParent(panel);
        control->SetBounds(x, y, w, h);
        return control;
    }
    bool PixelBecomes(int32_t x, int32_t y, const std::function<bool(uint32_t)>& wanted)
    {
        return uitest::RunUntil([&] {
            Settle();
            return wanted(PixelAt(x, y));
        });
    }
    void Click(int32_t x, int32_t y, uint32_t time)
    {
        const RawModifiers left { .button1 = true };
        test::SendMotion(Host(), x, y);
        test::SendButton(Host(), RawButtonEvent::Type::Press, 1, x, y, {}, time);
        test::SendButton(Host(), RawButtonEvent::Type::Release, 1, x, y, left, time + 50);
        Settle();
    }

    ThvVisualObject* view = nullptr;
    ThvGUIObjectLayer* bar = nullptr;
    TwzVisualObject* panel = nullptr;
    Recorder recorder;
};

} // namespace

TEST_F(LayerWindow, AButtonOnALayerShowsPressedAndClicksWhileEmptyPartsPassThrough)
{
    Open(240, 160);
    OpenBar(60); // client rows 100 to 160
    auto* button = Control<TwzButton>(20, 15, 80, 30); // client (20, 115) to (100, 145)
    button->SetText(u"Go");
    button->OnClick.Bind<&Recorder::Click>(&recorder);

    // The docked layer shows its fill at the bottom, the scene's colour above it.
    ASSERT_TRUE(PixelBecomes(230, 155, [](uint32_t c) { return Near(c, 0xFF303030); }))
        << std::hex << PixelAt(230, 155);
    EXPECT_TRUE(Near(PixelAt(230, 95), 0xFF204060)) << std::hex << PixelAt(230, 95);
    // The styled button: its look differs from the layer's fill.
    ASSERT_TRUE(PixelBecomes(30, 130, [](uint32_t c) { return !Near(c, 0xFF303030); }));

    // Hovered, then pressed, near the top of the button where its gradient starts.
    ASSERT_TRUE(PixelBecomes(30, 118, [](uint32_t c) { return std::abs(Brightness(c) - 0x4C) <= 8; }))
        << std::hex << PixelAt(30, 118);
    const uint32_t normal = PixelAt(30, 118);
    test::SendMotion(Host(), 30, 130);
    ASSERT_TRUE(PixelBecomes(30, 118, [&](uint32_t c) { return Brightness(c) > Brightness(normal) + 20; }))
        << std::hex << PixelAt(30, 118) << " after " << normal;
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 30, 130, {}, 1000);
    ASSERT_TRUE(PixelBecomes(30, 118, [&](uint32_t c) { return Brightness(c) < Brightness(normal); }))
        << std::hex << PixelAt(30, 118) << " after " << normal;
    EXPECT_TRUE(button->GetIsPressed());
    EXPECT_TRUE(recorder.lines.empty());
    const RawModifiers left { .button1 = true };
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 30, 130, left, 1050);
    Settle();
    EXPECT_EQ(recorder.lines, (Lines { "click" }));

    // An empty part of the layer and the view above it: the scene's root hears both.
    recorder.lines.clear();
    Click(200, 150, 2000);
    Click(200, 50, 3000);
    EXPECT_EQ(recorder.lines, (Lines { "view down", "view down" }));
}

TEST_F(LayerWindow, KeysTabAndTypedCharactersReachTheFocusedControl)
{
    Open(240, 160);
    OpenBar(60);
    auto* button = Control<TwzButton>(20, 15, 80, 30);
    button->SetText(u"Go");
    button->OnClick.Bind<&Recorder::Click>(&recorder);
    button->OnKeyDown.Bind<&Recorder::Key>(&recorder);
    auto* check = Control<TwzCheckBox>(120, 20, 100, 20);
    check->SetText(u"Bold");
    test::SendFocus(*form, true);
    ASSERT_TRUE(uitest::RunUntil([&] { return Host().HasFocus(); }));

    // A click focuses the button; what is typed reaches it.
    Click(30, 130, 1000);
    ASSERT_TRUE(button->GetIsFocused());
    recorder.lines.clear();
    Type("a");
    Type("Return");
    // Enter clicks the button on its key press; its character follows.
    EXPECT_EQ(Only(recorder.lines, { "char", "click" }), (Lines { "char a", "click", "char \r" }));

    // Tab walks on to the check box, Space toggles it.
    Type("Tab");
    EXPECT_TRUE(check->GetIsFocused());
    EXPECT_FALSE(button->GetIsFocused());
    Type("space");
    EXPECT_TRUE(check->GetIsChecked());
}

TEST_F(LayerWindow, AFileDroppedOnTheLayerReachesA2DObjectAndAHintGivesItsText)
{
    Open(240, 160);
    OpenBar(60);
    auto* target = new TBox(owner.get());
    target->SetName("Target");
    target->color = 0xFF808000;
    target->acceptsDrags = true;
    target->SetParent(panel);
    target->SetBounds(20, 15, 80, 30); // client (20, 115) to (100, 145)
    target->SetHint(u"Drop a picture here");
    target->SetShowHint(true);
    ASSERT_TRUE(PixelBecomes(30, 130, [](uint32_t c) { return Near(c, 0xFF808000); }));

    const test::DropResult result = test::DropUris(Host(), { "file:///tmp/face.png" }, Point { 40, 130 });
    EXPECT_TRUE(result.completed);
    Settle();
    const Lines events = Only(TakeEvents(), { "dragdrop" });
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], "dragdrop [/tmp/face.png] files 1 20 15 @Target");

    // The window asks for a tooltip there, and the hint is the object's, over its rectangle.
    EXPECT_TRUE(test::QueryTooltip(Host(), { 40, 130 }));
    const std::optional<platform::ui::HintInfo> hint = scene->CMHintShow({ 40, 130 });
    ASSERT_TRUE(hint.has_value());
    EXPECT_EQ(hint->text, u"Drop a picture here");
    EXPECT_EQ(hint->area, (Rect { 20, 115, 100, 145 }));
    // No tooltip over the empty part of the layer.
    EXPECT_FALSE(test::QueryTooltip(Host(), { 200, 150 }));
}

TEST_F(LayerWindow, ADragThatLeavesTheLayerKeepsReportingToTheCapturingObject)
{
    Open(240, 160);
    OpenBar(60);
    // A thumb-like object that holds the mouse while pressed.
    auto* thumb = new TBox(owner.get());
    thumb->SetName("Thumb");
    thumb->color = 0xFF808000;
    thumb->SetAutoCapture(true);
    thumb->SetParent(panel);
    thumb->SetBounds(20, 20, 10, 20); // client (20, 120) to (30, 140)
    ASSERT_TRUE(PixelBecomes(25, 130, [](uint32_t c) { return Near(c, 0xFF808000); }));

    test::SendMotion(Host(), 25, 130);
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 25, 130, {}, 1000);
    const RawModifiers left { .button1 = true };
    // Up out of the layer into the 3D view, then far to the right: the moves keep coming, in
    // the thumb's own coordinates, beyond its layer.
    test::SendMotion(Host(), 120, 60, left);
    test::SendMotion(Host(), 230, 10, left);
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 230, 10, left, 1100);
    Settle();
    EXPECT_EQ(Only(TakeEvents(), { "down", "move", "up" }),
        (Lines { "move 5 10 @Thumb", "down left 5 10 @Thumb", "move 100 -60 @Thumb", "move 210 -110 @Thumb",
            "up 210 -110 @Thumb" }));
    EXPECT_TRUE(recorder.lines.empty()) << "the scene's root heard nothing of the drag";
}

TEST_F(LayerWindow, ScreenObjectsLandWhereLayerAlignPutsThemAndAPictureTilesFromItsCorner)
{
    Open(200, 120);
    auto* top = new ThvGUIPlane(owner.get());
    view->AddObject(top);
    top->GetMaterial()->SetLighting(false);
    top->GetMaterial()->SetDiffuse("#FFFF0000");
    top->SetHeight(20);
    top->SetLayerAlign(hvLayerTop);
    auto* left = new ThvGUIPlane(owner.get());
    view->AddObject(left);
    left->GetMaterial()->SetLighting(false);
    left->GetMaterial()->SetDiffuse("#FF00FF00");
    left->SetWidth(30);
    left->SetLayerAlign(hvLayerLeft);

    // A 16 x 16 tile: its left half blue, its right half white.
    ThvBitmap tile(16, 16);
    uint32_t* bits = nullptr;
    ASSERT_TRUE(tile.Map(bits, true));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            bits[y * 16 + x] = x < 8 ? 0xFF0000FFu : 0xFFFFFFFFu;
    tile.Unmap();
    auto* image = new ThvGUIImage(owner.get());
    view->AddObject(image);
    image->SetBitmap(&tile);
    image->SetWrapMode(wzImageTile);
    image->SetLayerAlign(hvLayerClient); // client (30, 20) to (200, 120)

    ASSERT_TRUE(PixelBecomes(100, 5, [](uint32_t c) { return Near(c, 0xFFFF0000); }))
        << std::hex << PixelAt(100, 5);
    EXPECT_TRUE(Near(PixelAt(5, 60), 0xFF00FF00)) << std::hex << PixelAt(5, 60);
    EXPECT_TRUE(Near(PixelAt(5, 10), 0xFFFF0000)) << "the top strip spans the whole width";
    // Tiles start at the picture's left-top corner, one texel a pixel.
    struct Probe {
        int32_t x, y;
        uint32_t color;
    };
    const Probe probes[] = {
        { 30, 20, 0xFF0000FF }, { 37, 27, 0xFF0000FF }, { 38, 27, 0xFFFFFFFF }, { 45, 35, 0xFFFFFFFF },
        { 46, 36, 0xFF0000FF }, // the second column and row
        { 199, 119, 0xFFFFFFFF }, // 169 into the picture: 10 tiles and 9 pixels, the white half
    };
    // The tiled picture reaches the screen a frame after the planes on a busy machine.
    for (const Probe& p : probes)
        EXPECT_TRUE(PixelBecomes(p.x, p.y, [&](uint32_t c) { return Near(c, p.color); }))
            << p.x << "," << p.y << " " << std::hex << PixelAt(p.x, p.y);
}

TEST_F(LayerWindow, ATextLayerDrawsItsLettersOverTheViewBehindIt)
{
    Open(200, 60);
    auto* caption = new ThvGUIText(owner.get());
    view->AddObject(caption);
    caption->SetText(u"WWWW");
    caption->GetFont()->SetSize(30);
    caption->GetFill()->SetSolidColor(0xFFFFFFFFu);
    caption->SetHeight(40);
    caption->SetLayerAlign(hvLayerTop); // client (0, 0) to (200, 40)

    // Somewhere in the middle row the white letters show; the corners show the view.
    ASSERT_TRUE(uitest::RunUntil([&] {
        Settle();
        const std::vector<uint32_t> row = test::ReadPixels(Host(), Rect { 0, 20, 200, 21 });
        return std::any_of(row.begin(), row.end(), [](uint32_t c) { return Brightness(c) > 200; });
    }));
    EXPECT_TRUE(Near(PixelAt(1, 1), 0xFF204060)) << std::hex << PixelAt(1, 1);
    EXPECT_TRUE(Near(PixelAt(198, 38), 0xFF204060)) << std::hex << PixelAt(198, 38);
    EXPECT_TRUE(Near(PixelAt(100, 50), 0xFF204060)) << std::hex << PixelAt(100, 50);
}

TEST_F(LayerWindow, DraggingASelectionsGripOutwardsResizesItWithTheMouse)
{
    Open(240, 160);
    auto* selection = new ThvGUISelection(owner.get());
    view->AddObject(selection);
    selection->GetPosition()->SetPoint({ 120, 80, 0 });
    selection->SetHeight(60); // client (70, 50) to (170, 110)
    scene->AddUpdateRect({});
    Settle();

    // Take the left-top grip just outside the corner and drag it 30 pixels out each way, well
    // off the plate: the corner follows the mouse, the right-bottom corner stays.
    const RawModifiers left { .button1 = true };
    test::SendMotion(Host(), 69, 49);
    test::SendButton(Host(), RawButtonEvent::Type::Press, 1, 69, 49, {}, 1000);
    ASSERT_TRUE(selection->GetPressed());
    ASSERT_TRUE(selection->IsGripDragged(ThvGUISelection::kLeftTop));
    test::SendMotion(Host(), 54, 34, left);
    test::SendMotion(Host(), 39, 19, left);
    test::SendButton(Host(), RawButtonEvent::Type::Release, 1, 39, 19, left, 1100);
    Settle();
    EXPECT_FALSE(selection->GetPressed());
    EXPECT_NEAR(selection->GetWidth(), 130, 0.5f);
    EXPECT_NEAR(selection->GetHeight(), 90, 0.5f);
    EXPECT_NEAR(selection->GetPosition()->GetX() + selection->GetWidth() / 2, 170, 0.5f);
    EXPECT_NEAR(selection->GetPosition()->GetY() + selection->GetHeight() / 2, 110, 0.5f);
}
