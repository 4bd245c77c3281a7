#pragma once

// Tests that need an OpenGL context or a window server fail without one: a machine lacking
// them must not turn a third of the suite into silent skips. For local runs on such a machine,
// GF_ALLOW_NO_DISPLAY=1 in the environment skips them instead.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace gftest {

/// True when GF_ALLOW_NO_DISPLAY is set to 1.
inline bool MayRunWithoutDisplay()
{
    const char* value = std::getenv("GF_ALLOW_NO_DISPLAY");
    return value && std::strcmp(value, "1") == 0;
}

} // namespace gftest

/// Ends the running test for want of OpenGL or a window server: a failure, or a skip when
/// GF_ALLOW_NO_DISPLAY=1.
#define GF_MISSING_DISPLAY(reason)                                                                           \
    do {                                                                                                     \
        if (::gftest::MayRunWithoutDisplay())                                                                \
            GTEST_SKIP() << (reason);                                                                        \
        FAIL() << (reason) << " (GF_ALLOW_NO_DISPLAY=1 skips this test instead)";                            \
    } while (0)
