#pragma once

#include "app/Modules.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

/// The modules started once for a whole test program, over OpenGL in software, and stopped
/// at its end. A program that includes this header starts them.
class ModulesEnvironment final : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
        StartModules();
    }
    void TearDown() override { StopModules(); }
};

[[maybe_unused]] inline ::testing::Environment* const kModulesEnvironment
    = ::testing::AddGlobalTestEnvironment(new ModulesEnvironment);

} // namespace testsupport
