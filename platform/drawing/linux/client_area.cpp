#include "platform/drawing/client_area.h"

#include "platform/drawing/ClientDCTarget.h"
#include "platform/drawing/linux/KeptPixelsTarget.h"

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

namespace {

// GTK on Wayland shows only what the toolkit paints in a paint event; on X11 a client-area context draws
// straight to the screen. The backend is the display the toolkit opened, whatever the session offers.
bool toolkit_draws_on_wayland() {
#ifdef GDK_WINDOWING_WAYLAND
    return GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default());
#else
    return false;
#endif
}

} // namespace

std::unique_ptr<DrawingTarget> make_client_area_target(wxWindow* window) {
    if (toolkit_draws_on_wayland()) {
        return std::make_unique<KeptPixelsTarget>(window);
    }
    return std::make_unique<ClientDCTarget>(window);
}
