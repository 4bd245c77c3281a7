#pragma once

// A 2D scene with the controls registered, filling a form of the headless window system.

#include "controls/Controls.h"
#include "platform/rtl/Component.h"
#include "platform/ui/FakeApplication.h"
#include "ui2d/Library2D.h"
#include "ui2d/TwzBackground.h"
#include "ui2d/TwzScene.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

class FakeWindowSceneTest : public ::testing::Test {
protected:
    explicit FakeWindowSceneTest(int32_t width = 300, int32_t height = 200)
        : m_width(width)
        , m_height(height)
    { }
    void SetUp() override
    {
        Initialize2DLibrary();
        RegisterControls();
        platform::ui::FormOptions options;
        options.clientWidth = m_width;
        options.clientHeight = m_height;
        options.position = platform::ui::Point { 100, 100 };
        form = app.CreateForm(options);
        scene = new TwzScene(owner.get());
        scene->SetBounds(0, 0, m_width, m_height);
        root = new TwzBackground(owner.get());
        scene->AddObject(root);
        scene->SetParentForm(form.get());
        form->Show();
        app.ProcessMessages();
    }
    void TearDown() override
    {
        rtl::FreeAndNil(scene);
        form.reset();
        owner.reset();
    }
    /// A left click at a client point of a host.
    static void Click(platform::ui::SceneHost& host, double x, double y)
    {
        auto& fake = static_cast<platform::ui::FakeSceneHost&>(host);
        platform::ui::RawButtonEvent press;
        press.x = x;
        press.y = y;
        fake.Inject(press);
        platform::ui::RawButtonEvent release = press;
        release.type = platform::ui::RawButtonEvent::Type::Release;
        release.modifiers.button1 = true;
        fake.Inject(release);
    }

    platform::ui::FakeApplication app;
    std::unique_ptr<platform::ui::Form> form;
    rtl::TOwned<rtl::TComponent> owner { new rtl::TComponent(nullptr) };
    TwzScene* scene = nullptr;
    TwzBackground* root = nullptr;

private:
    int32_t m_width;
    int32_t m_height;
};
