// The whole module stack as the program starts and stops it: every palette class in its
// category, in the order the palettes list them, every class streams create by name, and a
// stop that leaves nothing alive behind a running 2D and 3D scene (objects, hosts, clocks,
// timers, worker threads, registries, the built-in style and the translation).

#include "app/Modules.h"

#include "backends/DirectXModule.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzFilter.h"
#include "graphics/TwzTimer.h"
#include "graphics/TwzWideStrings.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/Library3D.h"
#include "scene3d/ResourceList.h"
#include "scene3d/ThvAnimation.h"
#include "scene3d/ThvDummy.h"
#include "scene3d/ThvFloatAnimation.h"
#include "scene3d/ThvPhysics.h"
#include "scene3d/ThvScene.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzAnimation.h"
#include "ui2d/TwzCustomScene.h"
#include "ui2d/TwzLang.h"
#include "ui2d/TwzPropertyAnimations.h"
#include "ui2d/TwzResources.h"
#include "ui2d/TwzScene.h"
#include "ui2d/TwzShape.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Text.h"
#include "platform/ui/FakeApplication.h"
#include "platform/ui/Worker.h"

#include "tests/app/ModulesTestSupport.h"
#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace backendtest;

namespace {

/// One registration call: a category and its classes, in the call's order.
struct Registration {
    const char* category;
    std::vector<const char*> classes;
};

/// The 2D palette in registration order: the 2D library's own categories, then the controls'.
const std::vector<Registration> kPalette2D = {
    { "Resources", { "TwzBrushObject", "TwzPathObject", "TwzBitmapObject" } },
    { "Layout", { "TwzFrame" } },
    { "Popup", { "TwzPopup", "TwzMessagePopup" } },
    { "Animations",
        { "TwzColorAnimation", "TwzGradientAnimation", "TwzFloatAnimation", "TwzRectAnimation",
            "TwzBitmapAnimation", "TwzColorKeyAnimation", "TwzFloatKeyAnimation", "TwzPathAnimation",
            "TwzPathSwitcher" } },
    { "Effects",
        { "TwzShadowEffect", "TwzBlurEffect", "TwzGlowEffect", "TwzInnerGlowEffect", "TwzBevelEffect",
            "TwzReflectionEffect" } },
    { "Shapes",
        { "TwzLine", "TwzRectangle", "TwzSidesRectangle", "TwzBlurRectangle", "TwzRoundRect",
            "TwzBlurRoundRect", "TwzEllipse", "TwzCircle", "TwzArc", "TwzPie", "TwzText", "TwzPath",
            "TwzImage", "TwzPaintBox" } },
    { "Windows", { "TwzBackground", "TwzSizeGrip", "TwzCloseButton" } },
    { "Boxes", { "TwzCheckBox", "TwzPathCheckBox", "TwzRadioButton", "TwzGroupBox", "TwzPopupBox" } },
    { "Controls",
        { "TwzPanel", "TwzLabel", "TwzValueLabel", "TwzImageControl", "TwzProgressBar", "TwzTrack",
            "TwzScrollBar", "TwzSmallScrollBar", "TwzAniIndicator", "TwzExpander", "TwzTrackBar",
            "TwzSplitter" } },
    { "Tool and Status", { "TwzStatusBar", "TwzToolBar", "TwzToolButton", "TwzToolPathButton" } },
    { "Buttons",
        { "TwzButton", "TwzRoundButton", "TwzCircleButton", "TwzBitmapButton", "TwzPathButton",
            "TwzSpeedButton", "TwzCornerButton", "TwzColorButton", "TwzAngleButton", "TwzBitmapStateButton",
            "TwzPopupButton" } },
    { "HUD",
        { "TwzHudPanel", "TwzHudWindow", "TwzHudButton", "TwzHudSpeedButton", "TwzHudAngleButton",
            "TwzHudTrack", "TwzHudTrackBar", "TwzHudScrollBar", "TwzHudPopupBox", "TwzHudLabel",
            "TwzHudCheckBox", "TwzHudRadioButton", "TwzHudGroupBox", "TwzHudCloseButton", "TwzHudStatusBar",
            "TwzHudSizeGrip", "TwzHudRoundButton", "TwzHudCornerButton", "TwzHudCircleButton" } },
    { "Layout", { "TwzLayout", "TwzScaledLayout", "TwzGridLayout", "TwzSplitLayout" } },
    { "Controls", { "TwzScrollBox", "TwzVertScrollBox", "TwzFramedScrollBox", "TwzFramedVertScrollBox" } },
    { "Lists", { "TwzListBox", "TwzComboBox", "TwzStringListBox", "TwzStringComboBox", "TwzHorzListBox" } },
    { "Items", { "TwzListBoxItem" } },
    { "HUD",
        { "TwzHudListBox", "TwzHudHorzListBox", "TwzHudComboBox", "TwzHudStringListBox",
            "TwzHudStringComboBox" } },
    { "Trees", { "TwzTreeView" } },
    { "Items", { "TwzTreeViewItem" } },
    { "Text Edits", { "TwzTextBox", "TwzRoundTextBox", "TwzNumberBox", "TwzSpinBox" } },
    { "HUD", { "TwzHudTextBox", "TwzHudNumberBox", "TwzHudRoundTextBox", "TwzHudSpinBox" } },
    { "Text Edits", { "TwzMemo" } },
    { "HUD", { "TwzHudMemo" } },
    { "Colors", { "TwzColorQuad", "TwzColorPicker", "TwzGradientEdit", "TwzColorBox" } },
    { "Controls", { "TwzTabControl" } },
    { "HUD", { "TwzHudTabControl" } },
    { "Items", { "TwzTabItem", "TwzHudTabItem" } },
    { "Ext. Controls",
        { "TwzIPhoneButton", "TwzImageListBox", "TwzHorzImageListBox", "TwzDropTarget", "TwzImageViewer" } },
    { "Math", { "TwzPlotGrid" } },
    { "HUD", { "TwzHudImageListBox", "TwzHudHorzImageListBox" } },
    { "Items", { "TwzImageListBoxItem" } },
    { "Compound",
        { "TwzCompoundTrackBar", "TwzCompoundAngleBar", "TwzCompoundTextBox", "TwzCompoundMemo",
            "TwzCompoundNumberBox", "TwzCompoundPopupBox", "TwzCompoundColorButton", "TwzCompoundImage" } },
};

/// The design tools' palette, registered by their own library after the controls and the
/// layers: the selection handles, then the property inspector.
const std::vector<Registration> kDesignPalette = {
    { "Design", { "TwzSelection", "TwzSelectionPoint", "TwzDesignFrame" } },
    { "Design", { "TwzInspector" } },
};

/// The 3D palette in registration order: the animations, the layers (the extruded text box,
/// the canvas layers, the object layers, the screen-space objects), the 3D scene module, the
/// primitives and extruded shapes.
const std::vector<Registration> kPalette3D = {
    { "Animations", { "ThvColorAnimation", "ThvFloatAnimation" } },
    { "Controls", { "ThvTextBox3D" } },
    { "Shapes", { "ThvCanvasLayer" } },
    { "GUI", { "ThvGUICanvasLayer" } },
    { "Shapes", { "ThvObjectLayer" } },
    { "GUI", { "ThvGUIObjectLayer" } },
    { "GUI", { "ThvGUILayout", "ThvGUIImage", "ThvGUIPlane", "ThvGUIText", "ThvGUISelection" } },
    { "Scene", { "ThvCamera", "ThvLight", "ThvDummy", "ThvProxyObject" } },
    { "Resources", { "ThvBitmapObject" } },
    { "Shapes", { "ThvBufferLayer" } },
    { "Shapes",
        { "ThvPlane", "ThvCube", "ThvMesh", "ThvSphere", "ThvCylinder", "ThvRoundCube", "ThvCone", "ThvText",
            "ThvImage", "ThvGrid", "ThvStrokeCube" } },
    { "3D", { "ThvText3D", "ThvPath3D", "ThvRectangle3D", "ThvEllipse3D" } },
};

/// Classes streams create by name that no palette offers.
const char* const kStreamOnly[] = { "TwzWideStrings", "TwzWideStringList", "TwzBitmap", "TwzPathData",
    "TwzBrush", "TwzBounds", "TwzPosition", "TwzGradient", "TwzGradientPoints", "TwzGradientPoint",
    "TwzVisual", "TwzResources", "TwzObject", "TwzContent", "TwzControl", "TwzCustomScene", "TwzScene",
    "TwzSelectionItem", "TwzThumb", "TwzExpanderButton", "ThvBitmap", "ThvPosition", "ThvMeshData",
    "ThvMaterial", "ThvBitmapRect", "ThvBounds", "ThvScene", "ThvObject", "ThvCustomLayer",
    "ThvCustomBufferLayer", "ThvBitmapStream", "ThvBitmapCollection", "ThvBitmapList", "ThvShape",
    "ThvShape3D", "ThvVisualObject", "ThvWZLayer", "ThvScreenWZLayer", "ThvScreenImage", "ThvScreenDummy" };

/// "category/class" pairs as the 2D list holds them: each class inserted at the front, the
/// list kept sorted by category without regard to case, so within a category the most recent
/// registration comes first.
std::vector<std::string> Expected2D()
{
    std::vector<std::pair<std::string, std::string>> list;
    for (const std::vector<Registration>* table : { &kPalette2D, &kDesignPalette }) {
        for (const Registration& call : *table) {
            for (const char* name : call.classes) {
                list.insert(list.begin(), { call.category, name });
                std::stable_sort(list.begin(), list.end(),
                    [](const auto& a, const auto& b) { return rtl::CompareText(a.first, b.first) < 0; });
            }
        }
    }
    std::vector<std::string> entries;
    for (const auto& [category, name] : list)
        entries.push_back(category + "/" + name);
    return entries;
}

/// The 3D list: every registration at the front, nothing sorted.
std::vector<std::string> Expected3D()
{
    std::vector<std::string> entries;
    for (const Registration& call : kPalette3D) {
        for (const char* name : call.classes)
            entries.insert(entries.begin(), std::string(call.category) + "/" + name);
    }
    return entries;
}

/// What one list has that the other lacks, for a readable failure.
std::string Difference(const std::vector<std::string>& actual, const std::vector<std::string>& expected)
{
    std::string text;
    for (const std::string& e : expected) {
        if (std::find(actual.begin(), actual.end(), e) == actual.end())
            text += " missing " + e + ";";
    }
    for (const std::string& a : actual) {
        if (std::find(expected.begin(), expected.end(), a) == expected.end())
            text += " unexpected " + a + ";";
    }
    return text.empty() ? "same entries, another order" : text;
}

/// From no module started, over the recording device runtime and a headless application.
class ModuleStack : public modulestest::ModulesFromNothing {
protected:
    platform::ui::FakeApplication m_app;
};

} // namespace

TEST_F(ModuleStack, EveryPaletteClassIsRegisteredInItsCategoryInPaletteOrder)
{
    StartModules();

    const std::vector<std::string> actual2D = modulestest::Categories2D();
    const std::vector<std::string> expected2D = Expected2D();
    EXPECT_EQ(actual2D, expected2D) << Difference(actual2D, expected2D);
    const std::vector<std::string> actual3D = modulestest::Registry3D();
    const std::vector<std::string> expected3D = Expected3D();
    EXPECT_EQ(actual3D, expected3D) << Difference(actual3D, expected3D);

    // Every palette class and every stream-only class can be created by name.
    for (const std::vector<Registration>* table : { &kPalette2D, &kDesignPalette, &kPalette3D }) {
        for (const Registration& call : *table) {
            for (const char* name : call.classes)
                EXPECT_NE(rtl::FindClass(name), nullptr) << name;
        }
    }
    for (const char* name : kStreamOnly)
        EXPECT_NE(rtl::FindClass(name), nullptr) << name;
}

TEST_F(ModuleStack, AStopAfterTheWindowsAreFreedLeavesNothingAlive)
{
    StartModules();
    std::vector<int64_t> clockTimers;
    {
        rtl::TOwned<rtl::TComponent> form { new rtl::TComponent(nullptr) };
        // A 2D scene with a looping animation: the 2D clock runs on a window-less timer.
        auto* scene2D = new TwzScene(form.get());
        auto* rect = new TwzRectangle(form.get());
        scene2D->AddObject(rect);
        auto* fade = new TwzFloatAnimation(form.get());
        fade->SetParent(rect);
        fade->SetPropertyName("Opacity");
        fade->SetStopValue(0.5f);
        fade->SetDuration(1);
        fade->SetLoop(true);
        fade->Start();
        ASSERT_TRUE(fade->GetRunning());
        // A 3D scene holding an object layer with a styled control, and a looping 3D
        // animation on the 3D clock.
        auto* scene3D = new ThvScene(form.get());
        auto* layer = new ThvObjectLayer(form.get());
        scene3D->AddObject(layer);
        auto* onLayer = new TwzRectangle(form.get());
        layer->AddObject(onLayer);
        auto* dummy = new ThvDummy(form.get());
        scene3D->AddObject(dummy);
        auto* turn = new ThvFloatAnimation(form.get());
        turn->SetParent(dummy);
        turn->SetPropertyName("Opacity");
        turn->SetStopValue(0.5f);
        turn->SetDuration(1);
        turn->SetLoop(true);
        turn->Start();
        ASSERT_TRUE(turn->GetRunning());
        m_app.AdvanceTime(100);

        ASSERT_NE(AniThread(), nullptr);
        ASSERT_NE(hvAniThread(), nullptr);
        clockTimers = { AniThread()->GetTimerId(), hvAniThread()->GetTimerId() };
        EXPECT_GT(TimerRegistryCount(), 0);
        EXPECT_EQ(SceneList().size(), 2u);
        EXPECT_GT(ui2d::ObjectInstanceCount(), 0);
        // A translation and the built-in style in force, as after the first styled paint.
        TwzWideStringList table;
        table.Add(u"Render=Rendern");
        ui2d::ApplyLanguage(&table);
        EXPECT_NE(ui2d::LanguageTable(), nullptr);
        EXPECT_NE(ui2d::LoadDefaultStyle(), nullptr);
    }
    // The program frees its windows, then stops the modules.
    StopModules();

    EXPECT_EQ(ui2d::ObjectInstanceCount(), 0) << "2D objects left alive";
    EXPECT_TRUE(SceneList().empty());
    EXPECT_EQ(SceneCount, 0);
    EXPECT_EQ(hvSceneCount, 0);
    EXPECT_EQ(AniThread(), nullptr);
    EXPECT_EQ(hvAniThread(), nullptr);
    EXPECT_EQ(TimerRegistryCount(), 0);
    for (int64_t id : clockTimers) {
        EXPECT_GT(id, 0);
        EXPECT_FALSE(m_app.TimerRunning(static_cast<uint32_t>(id)))
            << "a clock's window-system timer still runs";
    }
    EXPECT_EQ(platform::ui::RunningWorkers(), 0);
    EXPECT_EQ(DefaultStyle.Get(), nullptr);
    EXPECT_EQ(ui2d::LanguageTable(), nullptr);
    EXPECT_TRUE(Object2DCategoryList().empty());
    EXPECT_TRUE(hvObjectRegistry().empty());
    EXPECT_EQ(hvResourceList(), nullptr);
    EXPECT_EQ(hvDirect3D, nullptr);
}
