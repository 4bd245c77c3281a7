#include "design/Design.h"

#include "design/TwzInspector.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterDesignTools()
{
    // No guard of its own: after a shut-down the 2D library's categories are empty and a new
    // start must fill them again; registering a pair twice adds nothing.
    Register2DObjects<TwzInspector>("Design");
}
