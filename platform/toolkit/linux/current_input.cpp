#include "platform/toolkit/current_input.h"

#include <gtk/gtk.h>

bool handling_key_input() {
    GdkEvent* event = gtk_get_current_event();
    if (event == nullptr) {
        return false;
    }
    const GdkEventType type = gdk_event_get_event_type(event);
    gdk_event_free(event);
    return type == GDK_KEY_PRESS || type == GDK_KEY_RELEASE;
}
