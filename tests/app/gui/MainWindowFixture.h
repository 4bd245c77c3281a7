#pragma once

// The designer's main window read from its stored description and shown on the real window
// system, with the modules started as the program starts them.

#include "app/MainForm.h"
#include "app/Modules.h"

#include "scene3d/ThvScene.h"
#include "tests/MissingDisplay.h"
#include "tests/platform/ui/gui/GtkFixture.h"

#include "platform/rtl/Component.h"
#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace apptest {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!uitest::Gui())
            GF_MISSING_DISPLAY(uitest::GuiError());
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
        RegisterAppClasses();
        form.reset(TfrmMain::Create(nullptr));
        form->CreateWindowHandle();
        ASSERT_NE(form->GetWindow(), nullptr);
        form->GetWindow()->SetPosition(uitest::PlaceForThisTest());
        form->Show();
        platform::ui::test::Raise(*form->GetWindow());
        ASSERT_TRUE(uitest::RunUntil(
            [&] { return form->hvScene1->HandleAllocated() && platform::ui::test::PaintCount(Host()) > 0; }));
        Settle();
    }
    void TearDown() override
    {
        form.reset();
        if (uitest::Gui())
            uitest::Gui()->ProcessMessages();
        StopModules();
    }
    platform::ui::SceneHost& Host() { return *form->hvScene1->GetHost(); }
    void Settle()
    {
        for (int i = 0; i < 3; ++i) {
            platform::ui::test::Sync();
            uitest::Gui()->ProcessMessages();
        }
    }

    rtl::TOwned<TfrmMain> form;
};

} // namespace apptest
