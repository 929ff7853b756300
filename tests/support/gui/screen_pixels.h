// Reads back what a window shows on the X display, for tests that check drawn pixels.
#pragma once

#include "platform/drawing/TColor.h"

#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/window.h>

// The window's client area as it is on the screen now.
wxImage grab_client_area(wxWindow* window);

// An area of the screen as it is now, whatever window shows there.
wxImage grab_screen(const wxRect& area);

// Paints an area of the desktop (the root window) in one colour, where no window covers it.
void paint_desktop(const wxRect& area, TColor colour);

inline TColor pixel_at(const wxImage& image, int x, int y) {
    return TColor{image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}
