#include "controls/ValueControls.h"

#include "controls/TwzAngleButton.h"
#include "controls/TwzAniIndicator.h"
#include "controls/TwzProgressBar.h"
#include "controls/TwzScrollBars.h"
#include "controls/TwzSplitter.h"
#include "controls/TwzTracks.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterValueControls()
{
    // No guard: after a shut-down the 2D library's categories are empty and a new start must
    // fill them again; registering a pair twice adds nothing.
    rtl::RegisterClass<TwzThumb>();
    Register2DObjects<TwzProgressBar, TwzTrack, TwzScrollBar, TwzSmallScrollBar, TwzAniIndicator, TwzTrackBar,
        TwzSplitter>("Controls");
    Register2DObjects<TwzAngleButton>("Buttons");
    Register2DObjects<TwzHudAngleButton, TwzHudTrack, TwzHudTrackBar, TwzHudScrollBar>("HUD");
}
