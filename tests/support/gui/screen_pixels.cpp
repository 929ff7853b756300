#include "support/gui/screen_pixels.h"

#include <gtk/gtk.h>

wxImage grab_client_area(wxWindow* window) {
    GdkWindow* drawing = window->GTKGetDrawingWindow();
    const wxSize size = window->GetClientSize();
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(drawing, 0, 0, size.x, size.y);
    if (pixbuf == nullptr) {
        return wxImage();
    }
    wxImage image(size.x, size.y);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    for (int y = 0; y < size.y; ++y) {
        for (int x = 0; x < size.x; ++x) {
            const guchar* p = pixels + y * stride + x * channels;
            image.SetRGB(x, y, p[0], p[1], p[2]);
        }
    }
    g_object_unref(pixbuf);
    return image;
}
