#pragma once

#include "app/Modules.h"

#include "graphics/TwzCanvas.h"
#include "graphics/TwzFilter.h"
#include "scene3d/Library3D.h"
#include "scene3d/ThvPhysics.h"
#include "ui2d/Library2D.h"

#include "platform/rtl/ClassInfo.h"

#include "tests/backends/BackendTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace modulestest {

/// The 3D registry as "category/class", the most recent first.
inline std::vector<std::string> Registry3D()
{
    std::vector<std::string> entries;
    for (const scene3d::ObjectRegistryEntry& entry : hvObjectRegistry())
        entries.push_back(entry.category + "/" + std::string(entry.classInfo->name));
    return entries;
}

/// The 2D palette as "category/class", in registration order.
inline std::vector<std::string> Categories2D()
{
    std::vector<std::string> entries;
    for (const ui2d::CategoryEntry& entry : Object2DCategoryList())
        entries.push_back(entry.category + "/" + std::string(entry.classInfo->name));
    return entries;
}

/// Starts from no module started, over the recording device runtime, and puts back every
/// class variable the modules set.
class ModulesFromNothing : public ::testing::Test {
protected:
    void SetUp() override
    {
        StopModules();
        Finalize3DLibrary();
        Finalize2DLibrary();
        DefaultCanvasClass = nullptr;
        hvDefaultPhysicsClass = nullptr;
        auto runtime = std::make_shared<platform::gpu::RecordingRuntime>(platform::gpu::RecordingOptions {});
        platform::gpu::SetRuntimeLoader([runtime] { return runtime; });
    }
    void TearDown() override
    {
        StopModules();
        DefaultCanvasClass = m_canvasClass;
        DefaultFilterClass = m_filterClass;
        DefaultDeviceCanvasClass = m_deviceCanvasClass;
        hvDefaultPhysicsClass = m_physicsClass;
    }

private:
    backendtest::ModuleGuard m_module; // the 3D classes, the runtime loader and the Direct3D state
    const TwzCanvasClass* m_canvasClass = DefaultCanvasClass;
    const TwzFilterClass* m_filterClass = DefaultFilterClass;
    const TwzCanvasClass* m_deviceCanvasClass = DefaultDeviceCanvasClass;
    const ThvPhysicsClass* m_physicsClass = hvDefaultPhysicsClass;
};

} // namespace modulestest
