#pragma once

// A scene control (the 2D TwzScene or the 3D ThvScene) in a real window under X, for the
// window tests of the scenes and of what they hold. The program adds the window layer's test
// helpers (tests/platform/ui/gui/GtkFixture.cpp).

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"
#include "platform/ui/Window.h"
#include "tests/MissingDisplay.h"
#include "tests/platform/ui/gui/GtkFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

/// Fails (or skips, see tests/MissingDisplay.h) without a display, then runs SetUpWindow.
/// CreateWindow makes an undecorated form at this test's place with the scene at its top
/// left, both owned here; ShowWindow puts the scene into the form and shows it. After the
/// test the scene goes first, then the form, then the other components.
template <class Scene> class SceneWindowTest : public ::testing::Test {
protected:
    void SetUp() final
    {
        if (!uitest::Gui())
            GF_MISSING_DISPLAY(uitest::GuiError());
        SetUpWindow();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
        if (uitest::Gui())
            uitest::Gui()->ProcessMessages();
    }
    /// The fixture's own set-up, once the display is there.
    virtual void SetUpWindow() { }

    /// A form of the given client size (layered: with per-pixel alpha, the scene transparent)
    /// and a scene of the given size; neither is shown yet.
    void CreateWindow(
        int32_t formWidth, int32_t formHeight, int32_t sceneWidth, int32_t sceneHeight, bool layered = false)
    {
        platform::ui::FormOptions options;
        options.layered = layered;
        options.clientWidth = formWidth;
        options.clientHeight = formHeight;
        options.position = uitest::PlaceForThisTest();
        options.decorated = false;
        form = uitest::Gui()->CreateForm(options);
        scene = new Scene(owner.get());
        scene->SetBounds(0, 0, sceneWidth, sceneHeight);
        if (layered)
            scene->SetTransparency(true);
    }
    /// A form whose client area the scene fills.
    void CreateWindow(int32_t width, int32_t height, bool layered = false)
    {
        CreateWindow(width, height, width, height, layered);
    }
    /// Puts the scene into the form, shows and raises the form, and returns once the scene has
    /// its window and `ready` holds, with what the X server sent back handled.
    void ShowWindow(const std::function<bool()>& ready = nullptr)
    {
        scene->SetParentForm(form.get());
        form->Show();
        platform::ui::test::Raise(*form);
        ASSERT_TRUE(uitest::RunUntil([&] { return scene->HandleAllocated() && (!ready || ready()); }));
        Settle();
    }

    /// Handles what is pending, including what the X server still sends back.
    void Settle()
    {
        for (int i = 0; i < 3; ++i) {
            platform::ui::test::Sync();
            uitest::Gui()->ProcessMessages();
        }
    }
    /// Lets the loop run for `ms` milliseconds (timers and animations advance meanwhile, and a
    /// paint that should not come would have come).
    void Linger(uint32_t ms)
    {
        bool waited = false;
        const uint32_t wait = uitest::Gui()->StartTimer(ms, [&](uint32_t) { waited = true; });
        ASSERT_TRUE(uitest::RunUntil([&] { return waited; }));
        uitest::Gui()->StopTimer(wait);
        Settle();
    }
    platform::ui::SceneHost& Host() { return *scene->GetHost(); }
    /// The shown pixel at a client point of the scene; 0 when it cannot be read.
    uint32_t PixelAt(int32_t x, int32_t y)
    {
        const std::vector<uint32_t> pixels = platform::ui::test::ReadPixels(Host(), { x, y, x + 1, y + 1 });
        return pixels.empty() ? 0 : pixels.front();
    }
    /// Presses and releases a key (an X key name: "Return", "a") and settles.
    void Type(const std::string& key, const platform::ui::RawModifiers& modifiers = {})
    {
        platform::ui::test::SendKey(Host(), true, key, modifiers);
        platform::ui::test::SendKey(Host(), false, key, modifiers);
        Settle();
    }

    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    Scene* scene = nullptr;
};

} // namespace testsupport
