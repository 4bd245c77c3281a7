#include "controls/ValueControls.h"

#include "controls/TwzScrollBars.h"
#include "controls/TwzTracks.h"
#include "platform/rtl/ClassInfo.h"
#include "ui2d/Library2D.h"

void RegisterValueControls()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    rtl::RegisterClass<TwzThumb>();
    Register2DObjects<TwzTrack, TwzScrollBar, TwzSmallScrollBar, TwzTrackBar>("Controls");
    Register2DObjects<TwzHudTrack, TwzHudTrackBar, TwzHudScrollBar>("HUD");
}
