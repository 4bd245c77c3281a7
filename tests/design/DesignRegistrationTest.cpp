#include "app/Modules.h"
#include "design/Design.h"

#include <gtest/gtest.h>

namespace {

TEST(DesignRegistrationTest, RegisteringTwiceAfterTheModulesStartAddsNothing)
{
    StartModules();
    RegisterDesignTools();
    RegisterDesignTools();
    StopModules();
    SUCCEED();
}

} // namespace
