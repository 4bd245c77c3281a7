// The X11-specific calls live apart: the X headers define macros (CursorShape, None, Status)
// that collide with ordinary names.
#include "platform/ui/GtkPrivate.h"

#include <gdk/gdkx.h>

namespace platform::ui {

void UseOnePixelScale()
{
    GdkDisplay* display = gdk_display_get_default();
    if (GDK_IS_X11_DISPLAY(display))
        gdk_x11_display_set_window_scale(display, 1);
}

} // namespace platform::ui
