#include "support/gui/screen_pixels.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace {

wxImage grab(GdkWindow* window, const wxRect& area) {
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window, area.x, area.y, area.width, area.height);
    if (pixbuf == nullptr) {
        return wxImage();
    }
    wxImage image(area.width, area.height);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            image.SetRGB(x, y, p[0], p[1], p[2]);
        }
    }
    g_object_unref(pixbuf);
    return image;
}

} // namespace

wxImage grab_client_area(wxWindow* window) {
    return grab(window->GTKGetDrawingWindow(), wxRect(wxPoint(0, 0), window->GetClientSize()));
}

wxImage grab_screen(const wxRect& area) {
    return grab(gdk_get_default_root_window(), area);
}

void paint_desktop(const wxRect& area, TColor colour) {
    Display* display = gdk_x11_get_default_xdisplay();
    const Window root = gdk_x11_get_default_root_xwindow();
    const int screen = DefaultScreen(display);
    XColor exact{};
    exact.red = static_cast<unsigned short>(colour.red * 257);
    exact.green = static_cast<unsigned short>(colour.green * 257);
    exact.blue = static_cast<unsigned short>(colour.blue * 257);
    XAllocColor(display, DefaultColormap(display, screen), &exact);
    GC gc = XCreateGC(display, root, 0, nullptr);
    XSetForeground(display, gc, exact.pixel);
    XFillRectangle(display, root, gc, area.x, area.y, static_cast<unsigned>(area.width),
                   static_cast<unsigned>(area.height));
    XFreeGC(display, gc);
    XSync(display, False);
}
