// Reads back what a window shows on the X display, for tests that check drawn pixels.
#pragma once

#include "platform/TColor.h"

#include <wx/image.h>
#include <wx/window.h>

// The window's client area as it is on the screen now.
wxImage grab_client_area(wxWindow* window);

inline TColor pixel_at(const wxImage& image, int x, int y) {
    return TColor{image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}
