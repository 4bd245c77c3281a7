// The modules started and stopped as one: what a start leaves registered and installed, that a
// second start registers nothing twice, that a stop takes it all back, and that the next start
// gives the same again.

#include "app/Modules.h"

#include "backends/DirectXModule.h"
#include "backends/ThvDirectXCanvas.h"
#include "backends/ThvFilterGdiPlus.h"
#include "backends/ThvNewtonPhysics.h"
#include "graphics/TwzCanvas.h"
#include "graphics/TwzCanvasGdiPlus.h"
#include "graphics/TwzFilter.h"
#include "graphics/TwzFilterGdiPlus.h"
#include "layers/ThvObjectLayer.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvPhysics.h"
#include "ui2d/Library2D.h"

#include "platform/rtl/ClassInfo.h"
#include "platform/rtl/Streams.h"

#include "tests/app/ModulesTestSupport.h"
#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

using namespace backendtest;
using modulestest::Categories2D;
using modulestest::Registry3D;

namespace {

/// From no module started, with what a start and a stop must leave.
class ModulesTest : public modulestest::ModulesFromNothing {
protected:
    /// What a start installs and registers.
    void ExpectStarted()
    {
        EXPECT_EQ(DefaultCanvasClass, &TwzCanvasGdiPlusClass);
        EXPECT_EQ(DefaultFilterClass, &kTwzFilterGdiPlusClass);
        EXPECT_EQ(hvDefaultCanvasClass, &kCanvasClassOf<ThvDirectXCanvas>);
        EXPECT_EQ(hvDefaultFilterClass, &kFilterClassOf<ThvFilterGdiPlus>);
        EXPECT_NE(hvDirect3D, nullptr);
        EXPECT_EQ(hvDefaultPhysicsClass, &kPhysicsClassOf<ThvNewtonPhysics>);
        for (const char* name : { "TwzBitmap", "ThvColorAnimation", "ThvScene", "ThvCamera", "ThvSphere",
                 "ThvText3D", "ThvVisualObject", "ThvObjectLayer", "ThvGUIObjectLayer", "ThvWZLayer",
                 "ThvScreenWZLayer", "ThvScreenImage", "ThvScreenDummy" })
            EXPECT_NE(rtl::FindClass(name), nullptr) << name;

        const std::vector<std::string> registry = Registry3D();
        ASSERT_FALSE(registry.empty());
        // The last module started comes first, the first one last.
        EXPECT_EQ(registry.front(), "3D/ThvEllipse3D");
        EXPECT_EQ(registry.back(), "Animations/ThvColorAnimation");
        const std::set<std::string> distinct(registry.begin(), registry.end());
        EXPECT_EQ(distinct.size(), registry.size()) << "a class registered twice";
        // The modules' categories, oldest first, each in one run.
        std::vector<std::string> runs;
        for (auto it = hvObjectRegistry().rbegin(); it != hvObjectRegistry().rend(); ++it) {
            if (runs.empty() || runs.back() != it->category)
                runs.push_back(it->category);
        }
        // The layers (the extruded text box first) come between the animations and the 3D
        // scene module's own classes.
        EXPECT_EQ(runs,
            (std::vector<std::string> { "Animations", "Controls", "Shapes", "GUI", "Shapes", "GUI", "Scene",
                "Resources", "Shapes", "3D" }));
        // The layers in their order, oldest first: the canvas layers, the object layers, then
        // the screen objects.
        std::vector<std::string> layers;
        for (auto it = registry.rbegin(); it != registry.rend(); ++it) {
            if (it->starts_with("GUI/") || it->find("CanvasLayer") != std::string::npos
                || it->find("ObjectLayer") != std::string::npos)
                layers.push_back(*it);
        }
        EXPECT_EQ(layers,
            (std::vector<std::string> { "Shapes/ThvCanvasLayer", "GUI/ThvGUICanvasLayer",
                "Shapes/ThvObjectLayer", "GUI/ThvGUIObjectLayer", "GUI/ThvGUILayout", "GUI/ThvGUIImage",
                "GUI/ThvGUIPlane", "GUI/ThvGUIText", "GUI/ThvGUISelection" }));
    }

    /// What a stop leaves.
    void ExpectStopped()
    {
        EXPECT_TRUE(hvObjectRegistry().empty());
        EXPECT_TRUE(Object2DCategoryList().empty());
        EXPECT_EQ(hvDirect3D, nullptr);
        EXPECT_EQ(hvD3D9Library, nullptr);
        EXPECT_EQ(hvDefaultPhysicsClass, nullptr);
    }
};

} // namespace

TEST_F(ModulesTest, AStartStopStartCycleLeavesTheSameRegistriesAndClasses)
{
    StartModules();
    {
        SCOPED_TRACE("first start");
        ExpectStarted();
    }
    const std::vector<std::string> registry = Registry3D();
    const std::vector<std::string> categories = Categories2D();

    StartModules();
    EXPECT_EQ(Registry3D(), registry) << "a second start registers nothing again";
    EXPECT_EQ(Categories2D(), categories);

    StopModules();
    {
        SCOPED_TRACE("stopped");
        ExpectStopped();
    }

    StartModules();
    {
        SCOPED_TRACE("second start");
        ExpectStarted();
    }
    EXPECT_EQ(Registry3D(), registry);
    EXPECT_EQ(Categories2D(), categories);
}

TEST_F(ModulesTest, AStopWithoutAStartChangesNothing)
{
    StopModules();
    ExpectStopped();
    EXPECT_EQ(DefaultCanvasClass, nullptr);

    StartModules();
    StopModules();
    StopModules(); // a second stop
    ExpectStopped();
    StartModules();
    ExpectStarted();
}

TEST_F(ModulesTest, AStoredDescriptionWithPlainVisualObjectsAndLayersLoadsAfterAStart)
{
    StartModules();
    rtl::TOwned<rtl::TComponent> form { new rtl::TComponent(nullptr) };
    // The shape of the main window's description: a plain visual object as the root, holding
    // a docked screen layer with a 2D button, and a layer stored under an older name.
    const std::string text = "object Root1: ThvVisualObject\n"
                             "  Width = 2\n"
                             "  object Bar: ThvGUIObjectLayer\n"
                             "    LayerAlign = hvLayerBottom\n"
                             "    Height = 40\n"
                             "    object Button1: TwzButton\n"
                             "      Text = 'Render'\n"
                             "    end\n"
                             "  end\n"
                             "  object Old: ThvScreenWZLayer\n"
                             "  end\n"
                             "end\n";
    rtl::TConstMemoryStream input(text.data(), text.size());
    ThvObject* root = CreateObjectFromStream(form.get(), input);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(&root->ClassInfo(), rtl::FindClass("ThvVisualObject"));
    ASSERT_EQ(root->Children().size(), 2u);
    EXPECT_EQ(root->Children()[0]->ClassInfo().name, "ThvGUIObjectLayer");
    EXPECT_EQ(root->Children()[1]->ClassInfo().name, "ThvScreenWZLayer");
    auto* bar = static_cast<ThvCustomObjectLayer*>(root->Children()[0]);
    ASSERT_EQ(bar->Roots().size(), 1u);
    EXPECT_EQ(bar->Roots()[0]->ClassInfo().name, "TwzButton");
    EXPECT_EQ(bar->GetLayerAlign(), hvLayerBottom);
    form.reset();
}
