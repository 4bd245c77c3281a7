#include "design/Design.h"

#include "controls/TwzButtons.h"
#include "design/Scene3DDesignMode.h"
#include "design/SceneDesignMode.h"
#include "design/TwzBitmapEditor.h"
#include "design/TwzBrushDesign.h"
#include "design/TwzInspector.h"
#include "design/TwzPathDataDesigner.h"
#include "design/TwzSelection.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterDesignTools()
{
    design::InstallDesignModes();
    design::InstallScene3DDesignMode();
    // No guard of its own: after a shut-down the 2D library's categories are empty and a new
    // start must fill them again; registering a pair twice adds nothing.
    Register2DObjects<TwzSelection, TwzSelectionPoint, TwzDesignFrame>("Design");
    Register2DObjects<TwzInspector>("Design");
    // The designers' forms: their stored descriptions name their classes.
    rtl::RegisterClass<TwzBitmapEditor>();
    rtl::RegisterClass<TwzPathDataDesigner>();
    rtl::RegisterClass<TwzBrushDesign>();
    rtl::RegisterClass<TwzBrushDialog>();
    SetBrushDialogRunner(&RunColorBrushDialog);
}

void FinalizeDesignTools()
{
    SetBrushDialogRunner(nullptr);
    FreeBrushDesigner();
}
