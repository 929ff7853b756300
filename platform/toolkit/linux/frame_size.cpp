#include "platform/toolkit/frame_size.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

namespace {

struct WantedSize {
    wxSize visible;
    gulong handler = 0;
};

void find_header_bar(GtkWidget* widget, gpointer found) {
    if (GTK_IS_HEADER_BAR(widget) && gtk_widget_get_visible(widget)) {
        *static_cast<GtkWidget**>(found) = widget;
    }
}

// The header bar GTK adds when it decorates the window itself (a desktop without server-side
// decorations, as GNOME's Wayland session); none when the window manager or compositor draws the frame.
GtkWidget* own_header_bar(GtkWindow* window) {
    GtkWidget* headerBar = nullptr;
    gtk_container_forall(GTK_CONTAINER(window), find_header_bar, &headerBar);
    return headerBar;
}

GtkAllocation allocation_of(GtkWidget* widget) {
    GtkAllocation allocation;
    gtk_widget_get_allocation(widget, &allocation);
    return allocation;
}

// With its own decorations the window's surface holds an invisible shadow around the header bar and the
// content; the toolkit counts it in the frame's size. Once GTK has laid the window out, the content is
// resized so that header bar and content together make the visible size. Runs at the first layout only.
void on_first_layout(GtkWidget* widget, GdkRectangle*, gpointer data) {
    auto* wanted = static_cast<WantedSize*>(data);
    const wxSize visible = wanted->visible;
    // Disconnecting frees `wanted`.
    g_signal_handler_disconnect(widget, wanted->handler);
    GtkWindow* window = GTK_WINDOW(widget);
    GtkWidget* headerBar = own_header_bar(window);
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(window));
    if (headerBar == nullptr || content == nullptr) {
        return;
    }
    const GtkAllocation header = allocation_of(headerBar);
    const GtkAllocation inside = allocation_of(content);
    const int visibleWidth = header.width;
    const int visibleHeight = inside.y + inside.height - header.y;
    gtk_window_resize(window, inside.width + visible.x - visibleWidth,
                      inside.height + visible.y - visibleHeight);
}

} // namespace

void set_visible_frame_size(wxTopLevelWindow* frame, wxSize size) {
    frame->SetSize(size);
    auto* wanted = new WantedSize{size};
    wanted->handler = g_signal_connect_data(
        frame->GetHandle(), "size-allocate", G_CALLBACK(on_first_layout), wanted,
        [](gpointer data, GClosure*) { delete static_cast<WantedSize*>(data); }, G_CONNECT_AFTER);
}
