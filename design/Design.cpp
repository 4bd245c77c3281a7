#include "design/Design.h"

#include "controls/TwzButtons.h"
#include "design/TwzBrushDesign.h"

#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterDesignTools()
{
    // No guard of its own: after a shut-down the 2D library's categories are empty and a new
    // start must fill them again; registering a pair twice adds nothing.
    rtl::RegisterClass<TwzBrushDesign>();
    rtl::RegisterClass<TwzBrushDialog>();
    SetBrushDialogRunner(&RunColorBrushDialog);
}

void FinalizeDesignTools()
{
    SetBrushDialogRunner(nullptr);
    FreeBrushDesigner();
}
