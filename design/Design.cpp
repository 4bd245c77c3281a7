#include "design/Design.h"

#include "design/SceneDesignMode.h"

#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterDesignTools()
{
    design::InstallDesignModes();
    // No guard of its own: after a shut-down the 2D library's categories are empty and a new
    // start must fill them again; registering a pair twice adds nothing.
}
