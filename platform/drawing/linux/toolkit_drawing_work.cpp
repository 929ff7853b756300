#include "platform/drawing/linux/toolkit_drawing_work.h"

#include <gtk/gtk.h>

#include <vector>

namespace {

// A pass of the main loop never runs more than this many batches of ready sources: enough for a frame
// callback, a frame clock phase and the paint it leads to.
constexpr int kMostBatches = 8;
constexpr int kFewestPollRecords = 16;

std::vector<GdkEvent*> g_heldInput;

// Paints pass at once; everything else (keys, pointer, focus, window configuration, close requests) waits.
void hold_back_input(GdkEvent* event, gpointer) {
    if (event->type == GDK_EXPOSE || event->type == GDK_DAMAGE) {
        gtk_main_do_event(event);
        return;
    }
    if (event->type != GDK_NOTHING) {
        g_heldInput.push_back(gdk_event_copy(event));
    }
}

// The toolkit's own handling, the handler GTK installs at start.
void hand_to_toolkit(GdkEvent* event, gpointer) {
    gtk_main_do_event(event);
}

// A source always ready just below the frame clock's paint: when nothing at drawing priority or above is
// ready, the main loop picks it instead of an idle handler, and its dispatch ends the pass.
struct Floor {
    GSource source;
    bool reached;
};

gboolean floor_prepare(GSource*, gint* timeout) {
    *timeout = 0;
    return TRUE;
}

gboolean floor_dispatch(GSource* source, GSourceFunc, gpointer) {
    reinterpret_cast<Floor*>(source)->reached = true;
    return G_SOURCE_CONTINUE;
}

GSourceFuncs g_floorFuncs{floor_prepare, nullptr, floor_dispatch, nullptr, nullptr, nullptr};

// One prepare, poll (without waiting), check and dispatch of the main context; false once only the floor ran.
bool run_ready_batch(GMainContext* context, Floor* floor, std::vector<GPollFD>& polled) {
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    gint timeout = 0;
    gint count = 0;
    while ((count = g_main_context_query(context, priority, &timeout, polled.data(), gint(polled.size()))) >
           gint(polled.size())) {
        polled.resize(count);
    }
    g_main_context_get_poll_func(context)(polled.data(), guint(count), 0);
    floor->reached = false;
    if (g_main_context_check(context, priority, polled.data(), count)) {
        g_main_context_dispatch(context);
    }
    return !floor->reached;
}

} // namespace

void run_toolkit_drawing_work() {
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context)) {
        return;
    }
    auto* floor = reinterpret_cast<Floor*>(g_source_new(&g_floorFuncs, sizeof(Floor)));
    g_source_set_priority(&floor->source, GDK_PRIORITY_REDRAW + 1);
    g_source_attach(&floor->source, context);
    gdk_event_handler_set(hold_back_input, nullptr, nullptr);
    std::vector<GPollFD> polled(kFewestPollRecords);
    for (int batch = 0; batch < kMostBatches && run_ready_batch(context, floor, polled); ++batch) {
    }
    gdk_event_handler_set(hand_to_toolkit, nullptr, nullptr);
    g_source_destroy(&floor->source);
    g_source_unref(&floor->source);
    g_main_context_release(context);
}

void release_held_input() {
    GdkDisplay* display = gdk_display_get_default();
    for (GdkEvent* event : g_heldInput) {
        gdk_display_put_event(display, event);
        gdk_event_free(event);
    }
    g_heldInput.clear();
}
