#pragma once

// The main window read from its stored description, with the modules started as the program
// starts them, and no window.

#include "app/MainForm.h"
#include "app/Modules.h"

#include "platform/rtl/Component.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace apptest {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
        RegisterAppClasses();
        form.reset(TfrmMain::Create(nullptr));
    }
    void TearDown() override
    {
        form.reset();
        StopModules();
    }

    rtl::TOwned<TfrmMain> form;
};

} // namespace apptest
